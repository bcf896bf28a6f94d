#pragma once

#include <QColor>
#include <QRect>

class QPainter;

namespace lumisnap {

// A 3-D frame `width` pixels wide just inside bounds, which then shrinks past it: the
// top and left edges in one colour, the bottom and right ones (with both far corners)
// in the other.
void Frame3D(
    QPainter &painter, QRect &bounds, const QColor &topLeft, const QColor &bottomRight, int width);

} // namespace lumisnap
