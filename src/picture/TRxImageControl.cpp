#include "picture/TRxImageControl.h"

#include "common/ErrorReport.h"

#include <QPainter>
#include <QThread>

namespace lumisnap {

TRxImageControl::TRxImageControl(QWidget *parent)
    : QWidget(parent)
{
    resize(DefaultSize, DefaultSize);
}

TRxImageControl::~TRxImageControl() = default;

void TRxImageControl::setAlign(TAlign align)
{
    if (FAlign == align)
        return;
    FAlign = align;
    updateGeometry();
}

void TRxImageControl::PaintNow()
{
    if (QThread::currentThread() == thread()) {
        repaint();
        return;
    }
    // One hand-over at a time: ticks faster than the user-interface thread paints
    // must not pile up in its queue.
    if (FRepaintAsked.exchange(true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            FRepaintAsked = false;
            repaint();
        },
        Qt::QueuedConnection);
}

void TRxImageControl::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    try {
        std::lock_guard lock(FLock);
        Paint(painter);
    } catch (...) {
        // A message box must not open inside a paint.
        reportCurrentExceptionLater();
    }
}

void TRxImageControl::mousePressEvent(QMouseEvent *event)
{
    // The control takes the mouse: clicks on it never reach the controls behind.
    FClick.press(event);
    event->accept();
}

void TRxImageControl::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    if (FClick.release(event, rect()))
        runHandler([this] { emit OnClick(this); });
}

void TRxImageControl::mouseDoubleClickEvent(QMouseEvent *event)
{
    FClick.press(event);
    event->accept();
    if (event->button() == Qt::LeftButton)
        runHandler([this] { emit OnDblClick(this); });
}

void TRxImageControl::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    UpdateShowing();
}

void TRxImageControl::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    UpdateShowing();
}

bool TRxImageControl::event(QEvent *event)
{
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::ParentChange)
        UpdateShowing();
    return handled;
}

void TRxImageControl::UpdateShowing()
{
    const bool showing = isVisible() && parentWidget() != nullptr;
    if (FShowing.exchange(showing) != showing)
        runHandler([this] { ShowingChanged(); });
}

} // namespace lumisnap
