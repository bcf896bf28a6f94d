#pragma once

#include "common/ByteReader.h"

#include <QByteArray>
#include <QList>

#include <cstdint>

namespace lumisnap {

// One GIF extension block as read: its kind, the fixed bytes of its first block
// (block-size byte included) and its data sub-blocks.
class TExtension
{
public:
    enum class Kind { GraphicControl, PlainText, Application, Comment };

    static constexpr std::uint8_t GraphicControlLabel = 0xF9;
    static constexpr std::uint8_t CommentLabel = 0xFE;
    static constexpr std::uint8_t PlainTextLabel = 0x01;
    static constexpr std::uint8_t ApplicationLabel = 0xFF;

    TExtension() = default;
    TExtension(Kind kind, QByteArray fixedBytes, QList<QByteArray> subBlocks = {});

    // Reads the block after its label; an unknown label raises
    // "Unrecognized extension block: %.2x".
    static TExtension read(ByteReader &reader, std::uint8_t label);
    // Length-prefixed sub-blocks up to a 0 length or the end of the stream.
    static QList<QByteArray> readSubBlocks(ByteReader &reader);

    static TExtension graphicControl(int delayHundredths, int transparentIndex, int disposal);

    Kind kind() const { return m_kind; }
    const QByteArray &fixedBytes() const { return m_fixed; }
    const QList<QByteArray> &subBlocks() const { return m_subBlocks; }

    // Graphic control fields.
    bool hasTransparentIndex() const { return (fixedByte(1) & 1) != 0; }
    int disposalMode() const { return (fixedByte(1) >> 2) & 7; }
    int delayHundredths() const { return fixedByte(2) | (fixedByte(3) << 8); }
    int transparentIndex() const { return fixedByte(4); }

    // The application identifier and authentication code, as many bytes as the
    // block size names.
    QByteArray applicationId() const;
    // The sub-blocks joined: a comment's text.
    QByteArray data() const;

    // The whole extension as written in a stream, introducer and label first.
    QByteArray toBytes() const;

private:
    int fixedByte(int index) const
    {
        return index < m_fixed.size() ? std::uint8_t(m_fixed[index]) : 0;
    }

    Kind m_kind = Kind::Comment;
    QByteArray m_fixed;
    QList<QByteArray> m_subBlocks;
};

} // namespace lumisnap
