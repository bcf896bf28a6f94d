#include "skin/RegionData.h"

#include "common/ByteReader.h"

#include <QtEndian>

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace lumisnap::RegionData {

namespace {

// Right and bottom are exclusive in the stored layout, inclusive in QRect.
QRect rectFromEdges(qint32 left, qint32 top, qint32 right, qint32 bottom)
{
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

bool sameIntervals(const QRect *a, const QRect *b, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        if (a[i].left() != b[i].left() || a[i].right() != b[i].right())
            return false;
    }
    return true;
}

struct Band
{
    int top;
    int bottom; // inclusive
    std::vector<QRect> rects;
};

// QRegion keeps its rectangles in bands already; this merges what touches and
// coalesces vertically adjacent bands with the same intervals.
std::vector<Band> bandsOf(const QRegion &region)
{
    std::vector<Band> bands;
    for (const QRect &r : region) {
        if (bands.empty() || bands.back().top != r.top() || bands.back().bottom != r.bottom())
            bands.push_back({ r.top(), r.bottom(), {} });
        std::vector<QRect> &row = bands.back().rects;
        if (!row.empty() && row.back().right() + 1 >= r.left())
            row.back().setRight(std::max(row.back().right(), r.right()));
        else
            row.push_back(r);
    }
    std::vector<Band> merged;
    for (Band &band : bands) {
        if (!merged.empty()) {
            Band &last = merged.back();
            if (last.bottom + 1 == band.top && last.rects.size() == band.rects.size()
                && sameIntervals(last.rects.data(), band.rects.data(), band.rects.size())) {
                last.bottom = band.bottom;
                continue;
            }
        }
        merged.push_back(std::move(band));
    }
    return merged;
}

bool inCanonicalOrder(const std::vector<QRect> &rects)
{
    for (std::size_t i = 1; i < rects.size(); ++i) {
        const QRect &a = rects[i - 1];
        const QRect &b = rects[i];
        if (a.top() == b.top()) {
            if (a.bottom() != b.bottom() || b.left() <= a.right() + 1)
                return false;
        } else if (b.top() <= a.bottom()) {
            return false;
        }
    }
    // Bands that could still be coalesced would compare unequal to Qt's own regions.
    std::size_t bandStart = 0, previousStart = 0, previousCount = 0;
    for (std::size_t i = 1; i <= rects.size(); ++i) {
        if (i < rects.size() && rects[i].top() == rects[bandStart].top())
            continue;
        const std::size_t count = i - bandStart;
        if (previousCount == count && rects[previousStart].bottom() + 1 == rects[bandStart].top()
            && sameIntervals(&rects[previousStart], &rects[bandStart], count))
            return false;
        previousStart = bandStart;
        previousCount = count;
        bandStart = i;
    }
    return true;
}

// Pairwise union keeps the cost near n log n for rectangles in arbitrary order.
QRegion uniteRange(const std::vector<QRect> &rects, std::size_t begin, std::size_t end)
{
    if (end - begin == 1)
        return QRegion(rects[begin]);
    const std::size_t middle = begin + (end - begin) / 2;
    return uniteRange(rects, begin, middle).united(uniteRange(rects, middle, end));
}

void putU32(QByteArray &out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

void putI32(QByteArray &out, qint32 value)
{
    putU32(out, quint32(value));
}

void putRect(QByteArray &out, const QRect &r)
{
    putI32(out, r.left());
    putI32(out, r.top());
    putI32(out, r.right() + 1);
    putI32(out, r.bottom() + 1);
}

bool coordinateInRange(qint32 value)
{
    return std::abs(qint64(value)) <= kMaxCoordinate;
}

} // namespace

std::vector<QRect> canonicalRects(const QRegion &region)
{
    std::vector<QRect> rects;
    for (const Band &band : bandsOf(region)) {
        for (const QRect &r : band.rects)
            rects.push_back(QRect(QPoint(r.left(), band.top), QPoint(r.right(), band.bottom)));
    }
    return rects;
}

QRegion regionFromRects(const std::vector<QRect> &rects)
{
    if (rects.empty())
        return {};
    if (inCanonicalOrder(rects) && rects.size() <= std::size_t(std::numeric_limits<int>::max())) {
        QRegion region;
        region.setRects(rects.data(), int(rects.size()));
        return region;
    }
    return uniteRange(rects, 0, rects.size());
}

QByteArray toRegionBytes(const QRegion &region)
{
    const std::vector<QRect> rects = canonicalRects(region);
    QRect bound;
    for (const QRect &r : rects)
        bound = bound.united(r);
    QByteArray out;
    out.reserve(int(kHeaderSize + kRectSize * rects.size()));
    putU32(out, kHeaderSize);
    putU32(out, kRectangleType);
    putU32(out, quint32(rects.size()));
    putU32(out, quint32(kRectSize * rects.size()));
    if (rects.empty())
        out.append(QByteArray(16, '\0'));
    else
        putRect(out, bound);
    for (const QRect &r : rects)
        putRect(out, r);
    return out;
}

std::optional<QRegion> fromRegionBytes(QByteArrayView bytes)
{
    if (bytes.size() < qsizetype(kHeaderSize))
        return std::nullopt;
    ByteReader reader(bytes.data(), std::size_t(bytes.size()));
    const quint32 dwSize = reader.u32();
    const quint32 iType = reader.u32();
    const quint32 nCount = reader.u32();
    const quint32 nRgnSize = reader.u32();
    reader.skip(16); // rcBound: the platform derives the bound itself
    const quint64 listSize = quint64(nCount) * kRectSize;
    if (dwSize != kHeaderSize || iType != kRectangleType || listSize != reader.remaining())
        return std::nullopt;
    if (nRgnSize != 0 && nRgnSize != listSize)
        return std::nullopt;
    std::vector<QRect> rects;
    rects.reserve(nCount);
    for (quint32 i = 0; i < nCount; ++i) {
        const qint32 left = reader.i32(), top = reader.i32();
        const qint32 right = reader.i32(), bottom = reader.i32();
        if (!coordinateInRange(left) || !coordinateInRange(top) || !coordinateInRange(right)
            || !coordinateInRange(bottom))
            return std::nullopt;
        if (left < right && top < bottom)
            rects.push_back(rectFromEdges(left, top, right, bottom));
    }
    QRegion region = regionFromRects(rects);
    if (region.isEmpty())
        return std::nullopt;
    return region;
}

QByteArray toPropertyValue(const std::optional<QRegion> &region)
{
    QByteArray out;
    if (!region || region->isEmpty()) {
        putU32(out, 0);
        return out;
    }
    const QByteArray bytes = toRegionBytes(*region);
    putU32(out, quint32(bytes.size()));
    out.append(bytes);
    return out;
}

Stored fromPropertyValue(QByteArrayView value)
{
    if (value.size() < 4)
        return {};
    const quint32 n = qFromLittleEndian<quint32>(value.data());
    if (n == 0)
        return { value.size() == 4, std::nullopt };
    if (quint64(value.size()) - 4 != n)
        return {};
    return { false, fromRegionBytes(value.sliced(4)) };
}

} // namespace lumisnap::RegionData
