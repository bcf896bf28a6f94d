#include "clock/Frame3D.h"

#include <QPainter>

namespace lumisnap {

void Frame3D(
    QPainter &painter, QRect &bounds, const QColor &topLeft, const QColor &bottomRight, int width)
{
    for (int i = 0; i < width && bounds.width() > 0 && bounds.height() > 0; ++i) {
        const int l = bounds.left(), t = bounds.top(), r = bounds.right(), b = bounds.bottom();
        painter.fillRect(QRect(l, t, 1, b - t), topLeft);
        painter.fillRect(QRect(l, t, r - l, 1), topLeft);
        painter.fillRect(QRect(r, t, 1, b - t + 1), bottomRight);
        painter.fillRect(QRect(l, b, r - l + 1, 1), bottomRight);
        bounds.adjust(1, 1, -1, -1);
    }
}

} // namespace lumisnap
