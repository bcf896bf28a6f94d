#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QRect>
#include <QRegion>

#include <optional>
#include <vector>

namespace lumisnap {

// The stored window region: a 4-byte length N, then N bytes of a region header and
// its rectangles, all little-endian. N is 0 when nothing is stored.
namespace RegionData {

inline constexpr quint32 kHeaderSize = 32;
inline constexpr quint32 kRectangleType = 1;
inline constexpr quint32 kRectSize = 16;

// Coordinates further out than this are refused as corrupt: the arithmetic on them
// (widths, the bounding box) would otherwise overflow.
inline constexpr qint32 kMaxCoordinate = 1 << 27;

// What a stored value holds: nothing (N = 0, the region is to be scanned), a region,
// or bytes that make no region (malformed, or no rectangle at all).
struct Stored
{
    bool empty = false;
    std::optional<QRegion> region;
};

// The rectangles in stored order: bands from top to bottom, each a maximal run of rows
// with identical intervals, left to right inside a band, touching intervals merged.
std::vector<QRect> canonicalRects(const QRegion &region);

// Builds a region from rectangles that may come in any order; uses them as they stand
// when they already are in stored order.
QRegion regionFromRects(const std::vector<QRect> &rects);

// Header and rectangles, without the leading length.
QByteArray toRegionBytes(const QRegion &region);
std::optional<QRegion> fromRegionBytes(QByteArrayView bytes);

// The whole property value (length + bytes); no region writes 4 zero bytes.
QByteArray toPropertyValue(const std::optional<QRegion> &region);
Stored fromPropertyValue(QByteArrayView value);

} // namespace RegionData

} // namespace lumisnap
