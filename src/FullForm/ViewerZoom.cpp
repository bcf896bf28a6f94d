#include "FullForm/ViewerZoom.h"

#include "controls/TImage.h"
#include "controls/TScrollBox.h"

#include <QCursor>
#include <QKeyEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>

namespace lumisnap {

namespace {

constexpr qreal ZoomStep = 1.25;

} // namespace

ViewerZoom::ViewerZoom(TScrollBox &box, TImage &image, QObject *parent)
    : QObject(parent)
    , m_box(box)
    , m_image(image)
{
    m_box.viewport()->installEventFilter(this);
}

bool ViewerZoom::key(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_F:
        m_choice = m_choice == Choice::Fit ? Choice::Actual : Choice::Fit;
        apply();
        return true;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoomBy(ZoomStep, pointerAnchor());
        return true;
    case Qt::Key_Minus:
        zoomBy(1 / ZoomStep, pointerAnchor());
        return true;
    case Qt::Key_0:
        m_choice = Choice::Actual;
        zoomAround(1.0, pointerAnchor());
        return true;
    default:
        return false;
    }
}

void ViewerZoom::apply()
{
    switch (m_choice) {
    case Choice::Actual:
        m_image.setZoom(1.0);
        break;
    case Choice::Fit:
        m_image.setZoom(m_image.fitZoom(m_box.viewport()->size()));
        break;
    case Choice::Chosen:
        break; // the zoom chosen stays as it is
    }
    place();
}

// At 1:1 the picture sits at the top-left as it always has; fitted or zoomed out, a
// picture smaller than the screen sits in its middle.
void ViewerZoom::place()
{
    m_image.move(0, 0);
    m_box.realign();
    if (m_choice == Choice::Actual)
        return;
    const QSize room = m_box.viewport()->size() - m_image.size();
    m_image.move(std::max(0, room.width() / 2), std::max(0, room.height() / 2));
    m_box.realign();
}

void ViewerZoom::reset()
{
    m_choice = Choice::Actual;
    m_image.setZoom(1.0);
    place();
}

bool ViewerZoom::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Wheel) {
        auto *wheel = static_cast<QWheelEvent *>(event);
        const int delta = wheel->angleDelta().y();
        if ((wheel->modifiers() & Qt::ControlModifier) && delta != 0) {
            zoomBy(delta > 0 ? ZoomStep : 1 / ZoomStep, wheel->position().toPoint());
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void ViewerZoom::zoomBy(qreal factor, QPoint anchor)
{
    m_choice = Choice::Chosen;
    zoomAround(m_image.zoom() * factor, anchor);
}

// Keeps the picture's point under anchor (in the viewport) where it is.
void ViewerZoom::zoomAround(qreal zoom, QPoint anchor)
{
    QScrollBar *h = m_box.horizontalScrollBar();
    QScrollBar *v = m_box.verticalScrollBar();
    const qreal old = m_image.zoom();
    const QPointF picturePoint
        = (QPointF(h->value() + anchor.x(), v->value() + anchor.y()) - m_image.pos()) / old;
    m_image.setZoom(zoom);
    place();
    const QPointF shown = picturePoint * m_image.zoom() + m_image.pos();
    h->setValue(qRound(shown.x()) - anchor.x());
    v->setValue(qRound(shown.y()) - anchor.y());
}

// The pointer when it is over the picture's area, otherwise the area's centre.
QPoint ViewerZoom::pointerAnchor() const
{
    const QPoint pointer = m_box.viewport()->mapFromGlobal(QCursor::pos());
    return m_box.viewport()->rect().contains(pointer) ? pointer : m_box.viewport()->rect().center();
}

} // namespace lumisnap
