#include "skin/DragOutline.h"

#include <QPainter>

namespace lumisnap {

DragOutline::DragOutline()
    : QWidget(nullptr,
        Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
            | Qt::WindowTransparentForInput | Qt::X11BypassWindowManagerHint)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void DragOutline::showFrame(const QRect &rect)
{
    setGeometry(rect);
    const QRect inside = QRect(QPoint(0, 0), rect.size())
                             .adjusted(kFrameWidth, kFrameWidth, -kFrameWidth, -kFrameWidth);
    QRegion ring(QRect(QPoint(0, 0), rect.size()));
    if (inside.isValid())
        ring -= QRegion(inside);
    setMask(ring);
    show();
    raise();
}

void DragOutline::paintEvent(QPaintEvent *)
{
    // A dotted black and white pattern stays visible over any background, as the
    // inverted focus frame does.
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.fillRect(rect(), QBrush(Qt::black, Qt::Dense4Pattern));
}

} // namespace lumisnap
