#include "picture/DibReader.h"

#include "picture/PictureLimits.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

namespace lumisnap::dib {

namespace {

[[noreturn]] void invalid(const QString &text)
{
    throw EInvalidGraphic(text);
}

bool isSupportedBitCount(int bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

void readCoreHeader(ByteReader &in, Header &h)
{
    h.width = in.u16();
    h.height = in.u16();
    h.planes = in.u16();
    h.bitCount = in.u16();
}

void readInfoHeader(ByteReader &in, Header &h)
{
    h.width = in.i32();
    h.height = in.i32();
    h.planes = in.u16();
    h.bitCount = in.u16();
    h.compression = in.u32();
    h.imageSize = in.u32();
    in.skip(8); // resolution
    h.colorsUsed = in.u32();
    in.skip(4); // important colours
    const bool bitFields = h.compression == BitFields && (h.bitCount == 16 || h.bitCount == 32);
    // Version 2 and later headers carry the masks themselves.
    if (h.size >= 52) {
        for (auto &mask : h.masks)
            mask = in.u32();
        in.skip(h.size - 52);
    } else {
        in.skip(h.size - 40);
        if (bitFields)
            for (auto &mask : h.masks)
                mask = in.u32();
    }
}

void setDefaultMasks(Header &h)
{
    if (h.compression == BitFields)
        return;
    if (h.bitCount == 16) {
        h.masks[0] = 0x7C00;
        h.masks[1] = 0x03E0;
        h.masks[2] = 0x001F;
    } else {
        h.masks[0] = 0xFF0000;
        h.masks[1] = 0x00FF00;
        h.masks[2] = 0x0000FF;
    }
}

bool compressionFits(const Header &h)
{
    switch (h.compression) {
    case Rgb:
        return true;
    case Rle8:
        return h.bitCount == 8 && h.height > 0;
    case Rle4:
        return h.bitCount == 4 && h.height > 0;
    case BitFields:
        return h.bitCount == 16 || h.bitCount == 32;
    default:
        return false;
    }
}

// One colour channel of a bit-field pixel, scaled to 0-255.
struct Channel
{
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    explicit Channel(std::uint32_t m)
        : mask(m)
    {
        if (m) {
            shift = std::countr_zero(m);
            bits = std::popcount(m);
        }
    }

    int operator()(std::uint32_t pixel) const
    {
        const std::uint32_t v = (pixel & mask) >> shift;
        if (bits == 0)
            return 0;
        if (bits >= 8)
            return int(std::min<std::uint32_t>(v >> (bits - 8), 255));
        return int(std::min<std::uint32_t>(v * 255 / ((1u << bits) - 1), 255));
    }
};

struct PixelMasks
{
    Channel red, green, blue;
    explicit PixelMasks(const Header &h)
        : red(h.masks[0])
        , green(h.masks[1])
        , blue(h.masks[2])
    {
    }
    QRgb operator()(std::uint32_t p) const { return qRgb(red(p), green(p), blue(p)); }
};

// Rows that are not kept as stored: 4, 16 and 32 bits.
void convertRow(const std::uint8_t *src, uchar *dst, const Header &h, int width,
    const PixelMasks &masks, bool keepAlpha)
{
    auto *out = reinterpret_cast<QRgb *>(dst);
    switch (h.bitCount) {
    case 4:
        for (int x = 0; x < width; ++x)
            dst[x] = (x & 1) ? (src[x / 2] & 0x0F) : (src[x / 2] >> 4);
        break;
    case 16:
        for (int x = 0; x < width; ++x)
            out[x] = masks(std::uint32_t(src[2 * x] | (src[2 * x + 1] << 8)));
        break;
    case 32:
        for (int x = 0; x < width; ++x, src += 4) {
            const std::uint32_t p = std::uint32_t(src[0]) | (std::uint32_t(src[1]) << 8)
                | (std::uint32_t(src[2]) << 16) | (std::uint32_t(src[3]) << 24);
            out[x] = keepAlpha ? p : masks(p);
        }
        break;
    }
}

QImage::Format formatFor(const Header &h, bool keepAlpha)
{
    if (h.bitCount == 1 && h.compression == Rgb)
        return QImage::Format_Mono;
    if (h.bitCount <= 8)
        return QImage::Format_Indexed8;
    if (h.bitCount == 24)
        return QImage::Format_BGR888;
    return keepAlpha && h.bitCount == 32 ? QImage::Format_ARGB32 : QImage::Format_RGB32;
}

QImage decodeUncompressed(std::span<const std::uint8_t> pixels, const Header &h,
    const QVector<QRgb> &colors, int rows, bool keepAlpha, const QString &invalidText)
{
    const auto stride = std::size_t(rowStride(h.width, h.bitCount));
    const bool complete = pixels.size() / stride >= std::size_t(rows);
    QImage image = allocateImage(h, colors, rows, keepAlpha, !complete, invalidText);
    const bool verbatim = storesRowsVerbatim(h);
    const PixelMasks masks(h);
    std::vector<std::uint8_t> partial;
    for (int y = 0; y < rows; ++y) {
        const std::size_t offset = std::size_t(y) * stride;
        if (offset >= pixels.size())
            break; // data ended early: the remaining rows stay 0
        const std::uint8_t *src = pixels.data() + offset;
        if (pixels.size() - offset < stride) {
            partial.assign(stride, 0);
            std::memcpy(partial.data(), src, pixels.size() - offset);
            src = partial.data();
        }
        uchar *line = image.scanLine(storedRowTarget(h, rows, y));
        if (verbatim)
            std::memcpy(line, src, stride);
        else
            convertRow(src, line, h, h.width, masks, keepAlpha);
    }
    return image;
}

// Run-length data: pairs of (count, index), or 0 followed by an escape.
// Pixels past the right edge or the last row are dropped. Data that ends between
// two commands ends the picture as an end-of-bitmap escape would; data cut inside
// a command makes it invalid.
class RleDecoder
{
public:
    RleDecoder(
        std::span<const std::uint8_t> data, QImage &image, bool fourBit, const QString &invalidText)
        : m_data(data)
        , m_image(image)
        , m_fourBit(fourBit)
        , m_invalidText(invalidText)
    {
    }

    void run()
    {
        while (m_pos < m_data.size()) {
            const std::uint8_t count = next();
            const std::uint8_t value = next();
            if (count > 0) {
                putRun(count, value);
                continue;
            }
            switch (value) {
            case 0: // end of line
                m_x = 0;
                ++m_y;
                break;
            case 1: // end of bitmap
                return;
            case 2: // delta
                m_x += next();
                m_y += next();
                break;
            default:
                putAbsolute(value);
            }
        }
    }

private:
    std::uint8_t next()
    {
        if (m_pos >= m_data.size())
            invalid(m_invalidText);
        return m_data[m_pos++];
    }

    void put(std::int64_t x, std::uint8_t index)
    {
        if (x < m_image.width() && m_y < m_image.height())
            m_image.scanLine(int(m_image.height() - 1 - m_y))[x] = index;
    }

    void putRun(int count, std::uint8_t value)
    {
        for (int i = 0; i < count; ++i)
            put(m_x + i, m_fourBit ? ((i & 1) ? value & 0x0F : value >> 4) : value);
        m_x += count;
    }

    void putAbsolute(int count)
    {
        const int bytes = m_fourBit ? (count + 1) / 2 : count;
        const int padded = (bytes + 1) & ~1;
        if (m_data.size() - m_pos < std::size_t(padded))
            invalid(m_invalidText);
        const std::uint8_t *src = m_data.data() + m_pos;
        for (int i = 0; i < count; ++i)
            put(m_x + i, m_fourBit ? ((i & 1) ? src[i / 2] & 0x0F : src[i / 2] >> 4) : src[i]);
        m_x += count;
        m_pos += std::size_t(padded);
    }

    std::span<const std::uint8_t> m_data;
    QImage &m_image;
    bool m_fourBit;
    const QString &m_invalidText;
    std::size_t m_pos = 0;
    std::int64_t m_x = 0;
    std::int64_t m_y = 0;
};

} // namespace

Header readHeader(ByteReader &in, const QString &invalidText)
{
    Header h;
    h.size = in.u32();
    if (h.isCore())
        readCoreHeader(in, h);
    else if (h.size >= 40)
        readInfoHeader(in, h);
    else
        invalid(invalidText);
    if (h.planes != 1 || !isSupportedBitCount(h.bitCount) || !compressionFits(h))
        invalid(invalidText);
    if (h.width <= 0 || h.height == 0 || h.colorsUsed > 256)
        invalid(invalidText);
    if (exceedsPictureLimit(h.width, std::abs(std::int64_t(h.height))))
        invalid(invalidText);
    setDefaultMasks(h);
    return h;
}

QVector<QRgb> readColorTable(ByteReader &in, const Header &h, const QString &invalidText)
{
    std::uint32_t count = h.colorsUsed;
    if (count == 0 && h.bitCount <= 8)
        count = 1u << h.bitCount;
    const std::size_t entrySize = h.isCore() ? 3 : 4;
    if (count > 256)
        invalid(invalidText);
    ByteReader table(in.bytes(count * entrySize));
    QVector<QRgb> colors;
    colors.reserve(int(count));
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint8_t blue = table.u8();
        const std::uint8_t green = table.u8();
        const std::uint8_t red = table.u8();
        table.skip(entrySize - 3);
        colors.append(qRgb(red, green, blue));
    }
    return colors;
}

std::int64_t rowStride(std::int64_t width, int bitCount)
{
    return (width * bitCount + 31) / 32 * 4;
}

bool storesRowsVerbatim(const Header &header)
{
    return header.compression == Rgb
        && (header.bitCount == 1 || header.bitCount == 8 || header.bitCount == 24);
}

int storedRowTarget(const Header &header, int rows, int stored)
{
    return header.height < 0 ? stored : rows - 1 - stored;
}

QImage allocateImage(const Header &header, const QVector<QRgb> &colors, int rows, bool keepAlpha,
    bool clear, const QString &invalidText)
{
    const QImage::Format format = formatFor(header, keepAlpha);
    QImage image(header.width, rows, format);
    if (image.isNull())
        invalid(invalidText);
    if (clear)
        image.fill(0);
    if (format == QImage::Format_Mono || format == QImage::Format_Indexed8) {
        // Indices past a short table must still name a colour.
        QVector<QRgb> table = colors;
        table.resize(format == QImage::Format_Mono ? 2 : 256, qRgb(0, 0, 0));
        image.setColorTable(table);
    }
    return image;
}

// Uncompressed data fills what it holds; a run-length command of two bytes fills
// at most a run of 255 pixels or the rest of a row.
void checkDataSize(
    const Header &header, int rows, std::size_t dataBytes, const QString &invalidText)
{
    const auto bytes = std::int64_t(dataBytes);
    const std::int64_t reachable = header.compression == Rle8 || header.compression == Rle4
        ? bytes / 2 * std::max<std::int64_t>(header.width, 255)
        : bytes * 8 / header.bitCount;
    if (exceedsItsData(std::int64_t(header.width) * rows, reachable))
        invalid(invalidText);
}

QImage decodePixels(std::span<const std::uint8_t> pixels, const Header &header,
    const QVector<QRgb> &colors, int rows, bool keepAlpha, const QString &invalidText)
{
    checkDataSize(header, rows, pixels.size(), invalidText);
    if (header.compression != Rle8 && header.compression != Rle4)
        return decodeUncompressed(pixels, header, colors, rows, keepAlpha, invalidText);
    QImage image = allocateImage(header, colors, rows, false, true, invalidText);
    RleDecoder(pixels, image, header.compression == Rle4, invalidText).run();
    return image;
}

} // namespace lumisnap::dib
