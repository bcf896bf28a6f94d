#include "picture/TExtension.h"

#include "common/Error.h"

namespace lumisnap {

namespace {

constexpr std::uint8_t ExtensionIntroducer = 0x21;
constexpr int GraphicControlFixedSize = 6;
constexpr int PlainTextFixedSize = 13;
constexpr int ApplicationFixedSize = 12;

QByteArray readFixed(ByteReader &reader, int count)
{
    auto bytes = reader.bytes(std::size_t(count));
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), count);
}

std::uint8_t labelOf(TExtension::Kind kind)
{
    switch (kind) {
    case TExtension::Kind::GraphicControl:
        return TExtension::GraphicControlLabel;
    case TExtension::Kind::PlainText:
        return TExtension::PlainTextLabel;
    case TExtension::Kind::Application:
        return TExtension::ApplicationLabel;
    case TExtension::Kind::Comment:
        break;
    }
    return TExtension::CommentLabel;
}

} // namespace

TExtension::TExtension(Kind kind, QByteArray fixedBytes, QList<QByteArray> subBlocks)
    : m_kind(kind)
    , m_fixed(std::move(fixedBytes))
    , m_subBlocks(std::move(subBlocks))
{
}

TExtension TExtension::read(ByteReader &reader, std::uint8_t label)
{
    switch (label) {
    case GraphicControlLabel:
        // The terminator is part of the fixed record: no sub-block loop follows.
        return { Kind::GraphicControl, readFixed(reader, GraphicControlFixedSize) };
    case CommentLabel:
        return { Kind::Comment, {}, readSubBlocks(reader) };
    case PlainTextLabel: {
        QByteArray fixed = readFixed(reader, PlainTextFixedSize);
        return { Kind::PlainText, std::move(fixed), readSubBlocks(reader) };
    }
    case ApplicationLabel: {
        QByteArray fixed = readFixed(reader, ApplicationFixedSize);
        return { Kind::Application, std::move(fixed), readSubBlocks(reader) };
    }
    default:
        throw EInvalidGraphicOperation(QStringLiteral("Unrecognized extension block: %1")
                                           .arg(unsigned(label), 2, 16, QLatin1Char('0')));
    }
}

QList<QByteArray> TExtension::readSubBlocks(ByteReader &reader)
{
    QList<QByteArray> blocks;
    while (!reader.atEnd()) {
        const std::uint8_t length = reader.u8();
        if (length == 0)
            break;
        blocks.append(readFixed(reader, length));
    }
    return blocks;
}

TExtension TExtension::graphicControl(int delayHundredths, int transparentIndex, int disposal)
{
    const bool hasIndex = transparentIndex >= 0;
    QByteArray fixed(GraphicControlFixedSize, '\0');
    fixed[0] = 4;
    fixed[1] = char(((disposal & 7) << 2) | (hasIndex ? 1 : 0));
    fixed[2] = char(delayHundredths & 0xFF);
    fixed[3] = char((delayHundredths >> 8) & 0xFF);
    fixed[4] = char(hasIndex ? transparentIndex : 0);
    return { Kind::GraphicControl, fixed };
}

QByteArray TExtension::applicationId() const
{
    if (m_fixed.isEmpty())
        return {};
    const int count = std::min<int>(std::uint8_t(m_fixed[0]), int(m_fixed.size()) - 1);
    return m_fixed.mid(1, count);
}

QByteArray TExtension::data() const
{
    QByteArray joined;
    for (const QByteArray &block : m_subBlocks)
        joined += block;
    return joined;
}

QByteArray TExtension::toBytes() const
{
    QByteArray out;
    out += char(ExtensionIntroducer);
    out += char(labelOf(m_kind));
    out += m_fixed;
    if (m_kind == Kind::GraphicControl)
        return out;
    for (const QByteArray &block : m_subBlocks) {
        for (qsizetype pos = 0; pos < block.size(); pos += 255) {
            const QByteArray piece = block.mid(pos, 255);
            out += char(piece.size());
            out += piece;
        }
    }
    out += '\0';
    return out;
}

} // namespace lumisnap
