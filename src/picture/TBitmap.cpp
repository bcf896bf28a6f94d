#include "picture/TBitmap.h"

#include "picture/DibReader.h"

#include <QPainter>

namespace lumisnap {

namespace {

const QString &invalidBitmapText()
{
    static const QString text = QStringLiteral("Bitmap image is not valid");
    return text;
}

constexpr std::uint16_t BitmapSignature = 0x4D42; // "BM"
constexpr std::size_t FileHeaderRest = 8; // file size and two reserved words

} // namespace

TBitmap::TBitmap(QImage image)
{
    setImage(std::move(image));
}

void TBitmap::setImage(QImage image)
{
    m_image = std::move(image);
    m_palette = m_image.colorTable();
}

void TBitmap::loadFromBytes(std::span<const std::uint8_t> bytes)
{
    if (bytes.empty()) {
        m_image = QImage();
        m_palette.clear();
        return;
    }
    const QString &invalidText = invalidBitmapText();
    ByteReader in(bytes);
    if (in.u16() != BitmapSignature)
        throw EInvalidGraphic(invalidText);
    in.skip(FileHeaderRest);
    const std::uint32_t pixelOffset = in.u32();
    const dib::Header header = dib::readHeader(in, invalidText);
    QVector<QRgb> colors = dib::readColorTable(in, header, invalidText);

    // Writers may leave a gap before the pixels; the offset is trusted only when it
    // points past what was read and still inside the file.
    if (pixelOffset > in.position() && pixelOffset < in.size())
        in.seek(pixelOffset);

    const int rows = int(std::abs(std::int64_t(header.height)));
    std::size_t size = header.imageSize;
    if (size == 0)
        size = std::size_t(dib::rowStride(header.width, header.bitCount)) * std::size_t(rows);
    size = std::min(size, in.remaining());
    QImage image = dib::decodePixels(in.bytes(size), header, colors, rows, false, invalidText);

    m_image = std::move(image);
    m_palette = std::move(colors);
}

void TBitmap::draw(QPainter &painter, const QRect &rect)
{
    if (!m_image.isNull())
        painter.drawImage(rect, m_image);
}

} // namespace lumisnap
