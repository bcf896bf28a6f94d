#include "picture/ExifOrientation.h"

#include "common/ByteReader.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace lumisnap {

namespace {

constexpr std::uint8_t MarkerStart = 0xFF;
constexpr std::uint8_t StartOfImage = 0xD8;
constexpr std::uint8_t App1 = 0xE1;
constexpr std::uint8_t StartOfScan = 0xDA;
constexpr std::uint8_t EndOfImage = 0xD9;
constexpr std::uint16_t OrientationTag = 0x0112;
constexpr std::uint16_t ShortType = 3;
constexpr char ExifId[] = "Exif\0\0";
constexpr std::size_t ExifIdSize = 6;

std::uint16_t bigU16(ByteReader &in)
{
    const std::uint8_t high = in.u8();
    return std::uint16_t((high << 8) | in.u8());
}

// A TIFF block in either byte order.
class TiffReader
{
public:
    explicit TiffReader(std::span<const std::uint8_t> tiff)
        : m_in(tiff)
    {
    }

    int orientation()
    {
        const std::uint16_t order = m_in.u16();
        if (order != 0x4949 && order != 0x4D4D)
            return 1;
        m_bigEndian = order == 0x4D4D;
        if (u16() != 42)
            return 1;
        m_in.seek(u32());
        const std::uint16_t entries = u16();
        for (std::uint16_t i = 0; i < entries; ++i) {
            const std::uint16_t tag = u16();
            const std::uint16_t type = u16();
            const std::uint32_t count = u32();
            const std::uint16_t value = u16();
            m_in.skip(2);
            if (tag == OrientationTag)
                return type == ShortType && count == 1 && value >= 1 && value <= 8 ? value : 1;
        }
        return 1;
    }

private:
    std::uint16_t u16()
    {
        const std::uint16_t v = m_in.u16();
        return m_bigEndian ? std::uint16_t((v >> 8) | (v << 8)) : v;
    }
    std::uint32_t u32()
    {
        const std::uint32_t first = u16();
        const std::uint32_t second = u16();
        return m_bigEndian ? (first << 16) | second : first | (second << 16);
    }

    ByteReader m_in;
    bool m_bigEndian = false;
};

// The first Exif segment's TIFF block among the markers before the scan.
std::optional<std::span<const std::uint8_t>> exifBlock(ByteReader &in)
{
    if (in.u8() != MarkerStart || in.u8() != StartOfImage)
        return std::nullopt;
    for (;;) {
        if (in.u8() != MarkerStart)
            return std::nullopt;
        std::uint8_t marker = in.u8();
        while (marker == MarkerStart)
            marker = in.u8();
        if (marker == StartOfScan || marker == EndOfImage)
            return std::nullopt;
        const std::uint16_t length = bigU16(in);
        if (length < 2)
            return std::nullopt;
        const std::span<const std::uint8_t> body = in.bytes(length - 2u);
        if (marker == App1 && body.size() >= ExifIdSize
            && std::memcmp(body.data(), ExifId, ExifIdSize) == 0)
            return body.subspan(ExifIdSize);
    }
}

// Where stored pixel (x, y) of a w x h picture lands in the upright one.
QPoint uprightPosition(int orientation, int x, int y, int w, int h)
{
    switch (orientation) {
    case 2:
        return { w - 1 - x, y };
    case 3:
        return { w - 1 - x, h - 1 - y };
    case 4:
        return { x, h - 1 - y };
    case 5:
        return { y, x };
    case 6:
        return { h - 1 - y, x };
    case 7:
        return { h - 1 - y, w - 1 - x };
    case 8:
        return { y, w - 1 - x };
    default:
        return { x, y };
    }
}

// Where stored pixel (x, y) lands, in bytes from the upright picture's start:
// origin + x * dx + y * dy, since every orientation is an affine map.
struct Placement
{
    qsizetype origin, dx, dy;
};

Placement placementOf(int orientation, int w, int h, qsizetype pixel, qsizetype stride)
{
    const auto offset = [&](QPoint p) { return p.y() * stride + p.x() * pixel; };
    const qsizetype origin = offset(uprightPosition(orientation, 0, 0, w, h));
    return { origin, offset(uprightPosition(orientation, 1, 0, w, h)) - origin,
        offset(uprightPosition(orientation, 0, 1, w, h)) - origin };
}

template <int Bytes> struct Pixel
{
    uchar b[Bytes];
};

// Square tiles keep both the rows read and the columns written in the cache, which
// a quarter turn of a 24-megapixel photograph otherwise thrashes on every pixel.
template <int Bytes> void turn(const QImage &band, int top, int h, QImage &upright, int orientation)
{
    constexpr int Tile = 64;
    const int w = band.width();
    const Placement at = placementOf(orientation, w, h, Bytes, upright.bytesPerLine());
    uchar *bits = upright.bits();
    for (int ty = 0; ty < band.height(); ty += Tile) {
        const int yEnd = std::min(band.height(), ty + Tile);
        for (int tx = 0; tx < w; tx += Tile) {
            const int xEnd = std::min(w, tx + Tile);
            for (int y = ty; y < yEnd; ++y) {
                const auto *from = reinterpret_cast<const Pixel<Bytes> *>(band.constScanLine(y));
                uchar *to = bits + at.origin + (top + y) * at.dy + tx * at.dx;
                for (int x = tx; x < xEnd; ++x, to += at.dx)
                    std::memcpy(to, &from[x], Bytes);
            }
        }
    }
}

void turnAnyDepth(const QImage &band, int top, int h, QImage &upright, int orientation)
{
    const qsizetype pixel = band.depth() / 8;
    const Placement at = placementOf(orientation, band.width(), h, pixel, upright.bytesPerLine());
    for (int y = 0; y < band.height(); ++y) {
        const uchar *from = band.constScanLine(y);
        uchar *to = upright.bits() + at.origin + (top + y) * at.dy;
        for (int x = 0; x < band.width(); ++x, from += pixel, to += at.dx)
            std::memcpy(to, from, std::size_t(pixel));
    }
}

} // namespace

int ExifOrientation::read(std::span<const std::uint8_t> jpeg)
{
    try {
        ByteReader in(jpeg);
        const auto tiff = exifBlock(in);
        return tiff ? TiffReader(*tiff).orientation() : 1;
    } catch (const EReadError &) {
        return 1;
    }
}

QImage ExifOrientation::apply(const QImage &stored, int orientation)
{
    if (orientation < 2 || orientation > 8 || stored.isNull() || stored.depth() % 8 != 0)
        return stored;
    QImage upright(uprightSize(stored.size(), orientation), stored.format());
    if (upright.isNull())
        return stored;
    upright.setColorTable(stored.colorTable());
    placeBand(stored, 0, stored.height(), upright, orientation);
    return upright;
}

void ExifOrientation::placeBand(
    const QImage &band, int top, int storedHeight, QImage &upright, int orientation)
{
    if (band.isNull() || top < 0 || top + band.height() > storedHeight
        || upright.size() != uprightSize({ band.width(), storedHeight }, orientation)
        || upright.depth() != band.depth() || band.depth() % 8 != 0)
        return;
    switch (band.depth()) {
    case 8:
        turn<1>(band, top, storedHeight, upright, orientation);
        break;
    case 24:
        turn<3>(band, top, storedHeight, upright, orientation);
        break;
    case 32:
        turn<4>(band, top, storedHeight, upright, orientation);
        break;
    default:
        turnAnyDepth(band, top, storedHeight, upright, orientation);
    }
}

} // namespace lumisnap
