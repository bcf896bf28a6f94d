#include "picture/TGIFFrame.h"

#include "common/Error.h"
#include "picture/GifLzwDecoder.h"
#include "picture/GifLzwEncoder.h"
#include "picture/TGIFImage.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace lumisnap {

namespace {

constexpr QRgb PaddingGrey = 0xFF808080;

[[noreturn]] void throwWrongColors()
{
    throw EInvalidGraphicOperation(QStringLiteral("Wrong number of colors; must be a power of 2"));
}

// Image rows in stream order: passes from rows 0, 4, 2, 1 stepping 8, 8, 4, 2.
std::vector<int> rowOrder(int height, bool interlaced)
{
    std::vector<int> rows;
    rows.reserve(std::size_t(height));
    if (!interlaced) {
        for (int y = 0; y < height; ++y)
            rows.push_back(y);
        return rows;
    }
    static constexpr int Start[] = { 0, 4, 2, 1 };
    static constexpr int Step[] = { 8, 8, 4, 2 };
    for (int pass = 0; pass < 4; ++pass) {
        for (int y = Start[pass]; y < height; y += Step[pass])
            rows.push_back(y);
    }
    return rows;
}

QVector<QRgb> bitmapColors(const QVector<QRgb> &colors, int depth)
{
    QVector<QRgb> table(1 << depth, PaddingGrey);
    std::copy_n(colors.begin(), std::min<qsizetype>(colors.size(), table.size()), table.begin());
    return table;
}

void packMono(const std::uint8_t *pixels, int width, uchar *line)
{
    std::memset(line, 0, std::size_t((width + 7) / 8));
    for (int x = 0; x < width; ++x) {
        if (pixels[x] & 1)
            line[x >> 3] |= uchar(0x80 >> (x & 7));
    }
}

int depthOfFormat(const QImage &bitmap)
{
    switch (bitmap.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
        return 1;
    case QImage::Format_Indexed8:
        return bitmap.colorCount() <= 16 ? 4 : 8;
    default:
        throw EInvalidGraphicOperation(QStringLiteral("GIF image encoding error"));
    }
}

} // namespace

TGIFFrame::TGIFFrame(TGIFImage *owner)
    : m_owner(owner)
    , m_item(std::make_shared<TGIFItem>())
{
}

TGIFFrame::TGIFFrame(TGIFImage *owner, const TGIFFrame &source)
    : OriginX(source.OriginX)
    , OriginY(source.OriginY)
    , IsInterlaced(source.IsInterlaced)
    , IsCorrupt(source.IsCorrupt)
    , KeyColor(source.KeyColor)
    , DelayMs(source.DelayMs)
    , DisposalMode(source.DisposalMode)
    , OwnPalette(source.OwnPalette)
    , PendingExtensions(source.PendingExtensions)
    , m_owner(owner)
    , m_item(source.m_item)
    , m_bitmap(source.m_bitmap)
{
}

TGIFItem &TGIFFrame::item()
{
    if (m_item.use_count() > 1)
        m_item = std::make_shared<TGIFItem>(*m_item);
    return const_cast<TGIFItem &>(*m_item);
}

int TGIFFrame::bitmapDepth() const
{
    const int bits = m_item->bitsPerPixel;
    if (bits == 1)
        return 1;
    if (bits >= 2 && bits <= 4)
        return 4;
    if (bits >= 5 && bits <= 8)
        return 8;
    throwWrongColors();
}

const QImage &TGIFFrame::bitmap() const
{
    if (m_bitmap.isNull() && !m_item->lzwData.isEmpty())
        decode();
    return m_bitmap;
}

void TGIFFrame::decode() const
{
    const int depth = bitmapDepth();
    const int width = m_item->width;
    const int height = m_item->height;
    if (width <= 0 || height <= 0)
        return;
    // Zeroed pages come from the system on demand, so a large frame with little data
    // costs little more than the rows its data reaches.
    const std::size_t count = std::size_t(width) * std::size_t(height);
    const std::unique_ptr<std::uint8_t, decltype(&std::free)> pixels(
        static_cast<std::uint8_t *>(std::calloc(count, 1)), &std::free);
    QImage image(width, height, depth == 1 ? QImage::Format_Mono : QImage::Format_Indexed8);
    if (!pixels || image.isNull())
        throw EOutOfResources(QStringLiteral("Out of system resources"));
    const auto result = GifLzwDecoder::decode(
        { reinterpret_cast<const std::uint8_t *>(m_item->lzwData.constData()),
            std::size_t(m_item->lzwData.size()) },
        m_item->bitsPerPixel, { pixels.get(), count }, TolerateDamage);
    if (result.corrupt)
        IsCorrupt = true;

    image.fill(0);
    image.setColorTable(bitmapColors(m_item->palette, depth));
    const std::vector<int> rows = rowOrder(height, IsInterlaced);
    const int reached = int((result.written + std::size_t(width) - 1) / std::size_t(width));
    for (int i = 0; i < reached; ++i) {
        const std::uint8_t *source = pixels.get() + std::size_t(i) * std::size_t(width);
        uchar *line = image.scanLine(rows[std::size_t(i)]);
        if (depth == 1)
            packMono(source, width, line);
        else
            std::memcpy(line, source, std::size_t(width));
    }
    m_bitmap = std::move(image);
}

const QImage &TGIFFrame::maskedBitmap() const
{
    const QImage &plain = bitmap();
    if (KeyColor == clNone || plain.isNull())
        return plain;
    if (m_masked.isNull() || m_maskedKey != KeyColor) {
        QImage masked = plain;
        QVector<QRgb> table = masked.colorTable();
        for (QRgb &color : table) {
            if (colorFromRgb(qRed(color), qGreen(color), qBlue(color)) == KeyColor)
                color = qRgba(qRed(color), qGreen(color), qBlue(color), 0);
        }
        masked.setColorTable(table);
        m_masked = std::move(masked);
        m_maskedKey = KeyColor;
    }
    return m_masked;
}

int TGIFFrame::transparentIndex() const
{
    if (KeyColor == clNone)
        return -1;
    const QVector<QRgb> &colors = m_item->palette;
    for (int i = 0; i < colors.size(); ++i) {
        if (colorFromRgb(qRed(colors[i]), qGreen(colors[i]), qBlue(colors[i])) == KeyColor)
            return i;
    }
    return -1;
}

void TGIFFrame::setBitmap(const QImage &bitmap)
{
    const int depth = depthOfFormat(bitmap);
    TGIFItem &target = item();
    target = TGIFItem();
    target.width = bitmap.width();
    target.height = bitmap.height();
    target.bitsPerPixel = depth;
    target.palette = bitmapColors(bitmap.colorTable(), depth);
    for (QRgb &color : target.palette)
        color = qRgb(qRed(color), qGreen(color), qBlue(color));
    target.packed = std::uint8_t(0x80 | (depth - 1));
    OwnPalette = true;
    IsInterlaced = false;
    IsCorrupt = false;
    QImage stored = bitmap.format() == QImage::Format_MonoLSB
        ? bitmap.convertToFormat(QImage::Format_Mono)
        : bitmap;
    stored.setColorTable(target.palette);
    m_bitmap = std::move(stored);
    changed();
}

QByteArray TGIFFrame::encodedData() const
{
    if (!m_item->lzwData.isEmpty() || m_bitmap.isNull())
        return m_item->lzwData;
    const int depth = depthOfFormat(m_bitmap);
    const int width = m_bitmap.width();
    std::vector<std::uint8_t> pixels(std::size_t(width) * std::size_t(m_bitmap.height()));
    for (int y = 0; y < m_bitmap.height(); ++y) {
        const uchar *line = m_bitmap.constScanLine(y);
        std::uint8_t *out = pixels.data() + std::size_t(y) * std::size_t(width);
        for (int x = 0; x < width; ++x)
            out[x] = depth == 1 ? (line[x >> 3] >> (7 - (x & 7))) & 1 : line[x];
    }
    return GifLzwEncoder::encode(pixels, depth);
}

void TGIFFrame::changed()
{
    m_masked = QImage();
    m_maskedKey = clNone;
}

} // namespace lumisnap
