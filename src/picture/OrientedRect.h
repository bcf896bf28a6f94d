#pragma once

#include <QRect>
#include <QSize>

#include <utility>

namespace lumisnap {

// The pixels of the stored picture (stored x stored size) that become rect of the
// picture turned upright by an Exif orientation (1 to 8).
inline QRect storedRectOf(const QRect &upright, const QSize &stored, int orientation)
{
    const int sw = stored.width(), sh = stored.height();
    const auto toStored = [&](int x, int y) -> std::pair<int, int> {
        switch (orientation) {
        case 2:
            return { sw - 1 - x, y };
        case 3:
            return { sw - 1 - x, sh - 1 - y };
        case 4:
            return { x, sh - 1 - y };
        case 5:
            return { y, x };
        case 6:
            return { y, sh - 1 - x };
        case 7:
            return { sw - 1 - y, sh - 1 - x };
        case 8:
            return { sw - 1 - y, x };
        default:
            return { x, y };
        }
    };
    const auto [ax, ay] = toStored(upright.left(), upright.top());
    const auto [bx, by] = toStored(upright.right(), upright.bottom());
    return QRect(
        QPoint(std::min(ax, bx), std::min(ay, by)), QPoint(std::max(ax, bx), std::max(ay, by)));
}

} // namespace lumisnap
