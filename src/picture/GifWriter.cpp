#include "picture/GifWriter.h"

#include "common/Error.h"
#include "picture/TExtension.h"
#include "picture/TGIFImage.h"

#include <algorithm>

namespace lumisnap {

namespace {

constexpr int MaxDimension = 0xFFFF;

int bitsForCount(qsizetype count)
{
    int bits = 1;
    while ((qsizetype(1) << bits) < count && bits < 8)
        ++bits;
    return bits;
}

// True when the sub-blocks after the code-size byte end with their terminator; data
// cut short when it was read does not.
bool isTerminated(const QByteArray &data)
{
    qsizetype pos = 1;
    while (pos < data.size()) {
        const int length = std::uint8_t(data[pos]);
        if (length == 0)
            return true;
        pos += length + 1;
    }
    return false;
}

void putColors(QByteArray &out, const QVector<QRgb> &colors, int bits)
{
    for (int i = 0; i < (1 << bits); ++i) {
        const QRgb color = i < colors.size() ? colors[i] : 0;
        out += char(qRed(color));
        out += char(qGreen(color));
        out += char(qBlue(color));
    }
}

bool hasExtensions(const TGIFFrame &frame)
{
    return !frame.PendingExtensions.empty() || frame.DelayMs > 0 || frame.KeyColor != clNone
        || frame.DisposalMode != 0;
}

} // namespace

QByteArray GifWriter::write()
{
    if (m_image.frameCount() == 0)
        throw EInvalidGraphicOperation(QStringLiteral("No GIF Data to write"));
    m_out = "GIF";
    m_out += needs89a() || m_image.Version() == TGIFImage::Version89a ? "89a" : "87a";
    writeLogicalScreen();
    writeLoopExtension();
    for (int i = 0; i < m_image.frameCount(); ++i)
        writeFrame(m_image.frame(i));
    writeComments();
    m_out += ';';
    return m_out;
}

bool GifWriter::needs89a() const
{
    if (!m_image.commentLines().isEmpty())
        return true;
    for (int i = 0; i < m_image.frameCount(); ++i) {
        if (hasExtensions(m_image.frame(i)))
            return true;
    }
    return m_image.HasLoopExtension() && m_image.frameCount() >= 2;
}

// The screen covers every frame, and never shrinks below the size that was read.
void GifWriter::writeLogicalScreen()
{
    int width = m_image.LogicalWidth();
    int height = m_image.LogicalHeight();
    for (int i = 0; i < m_image.frameCount(); ++i) {
        const TGIFFrame &frame = m_image.frame(i);
        width = std::max(width, frame.OriginX + frame.width());
        height = std::max(height, frame.OriginY + frame.height());
    }
    putU16(std::min(width, MaxDimension));
    putU16(std::min(height, MaxDimension));

    const QVector<QRgb> &palette = m_image.globalPalette();
    const int bits = bitsForCount(palette.size());
    const int resolution = std::clamp(m_image.colorResolution(), 1, 8);
    std::uint8_t packed = std::uint8_t((resolution - 1) << 4);
    if (!palette.isEmpty())
        packed |= std::uint8_t(0x80 | (bits - 1));
    m_out += char(packed);
    int background = 0;
    for (int i = 0; i < palette.size(); ++i) {
        const QRgb c = palette[i];
        if (colorFromRgb(qRed(c), qGreen(c), qBlue(c)) == m_image.Background()) {
            background = i;
            break;
        }
    }
    m_out += char(background);
    m_out += char(m_image.aspect());
    if (!palette.isEmpty())
        putColors(m_out, palette, bits);
}

void GifWriter::writeLoopExtension()
{
    if (!m_image.HasLoopExtension() || m_image.frameCount() < 2)
        return;
    QByteArray fixed;
    fixed += char(11);
    fixed += "NETSCAPE2.0";
    QByteArray block;
    block += char(1);
    block += char(m_image.LoopCount() & 0xFF);
    block += char((m_image.LoopCount() >> 8) & 0xFF);
    m_out += TExtension(TExtension::Kind::Application, fixed, { block }).toBytes();
}

void GifWriter::writeFrame(const TGIFFrame &frame)
{
    if (frame.OriginX > MaxDimension || frame.OriginY > MaxDimension || frame.width() > MaxDimension
        || frame.height() > MaxDimension)
        throw EInvalidGraphicOperation(QStringLiteral("GIF image encoding error"));
    const QByteArray data = frame.encodedData();
    if (hasExtensions(frame)) {
        const int delay = std::min(frame.DelayMs / 10, MaxDimension);
        m_out += TExtension::graphicControl(delay, frame.transparentIndex(), frame.DisposalMode)
                     .toBytes();
    }
    m_out += ',';
    putU16(frame.OriginX);
    putU16(frame.OriginY);
    putU16(frame.width());
    putU16(frame.height());
    const int bits = std::clamp(frame.bitsPerPixel(), 1, 8);
    std::uint8_t packed = frame.IsInterlaced ? 0x40 : 0;
    if (frame.OwnPalette)
        packed |= std::uint8_t(0x80 | (bits - 1));
    m_out += char(packed);
    if (frame.OwnPalette)
        putColors(m_out, frame.colors(), bits);
    m_out += data.isEmpty() ? QByteArray(1, '\2') : data;
    if (!isTerminated(data))
        m_out += '\0';
}

void GifWriter::writeComments()
{
    const QStringList &lines = m_image.commentLines();
    if (lines.isEmpty())
        return;
    QList<QByteArray> blocks;
    for (const QString &line : lines) {
        if (!line.isEmpty())
            blocks.append(line.toLatin1());
    }
    m_out += TExtension(TExtension::Kind::Comment, {}, blocks).toBytes();
}

void GifWriter::putU16(int value)
{
    m_out += char(value & 0xFF);
    m_out += char((value >> 8) & 0xFF);
}

} // namespace lumisnap
