#pragma once

#include <QRect>
#include <QSize>

namespace lumisnap {

// Where a picture goes in a control: the whole control when stretched, else at its own
// size, centred (integer halving toward zero, so a larger picture is cut equally) or at
// the top-left corner.
inline QRect placedRect(const QSize &control, const QSize &picture, bool center, bool stretch)
{
    if (stretch)
        return QRect(QPoint(0, 0), control);
    if (center)
        return QRect((control.width() - picture.width()) / 2,
            (control.height() - picture.height()) / 2, picture.width(), picture.height());
    return QRect(QPoint(0, 0), picture);
}

} // namespace lumisnap
