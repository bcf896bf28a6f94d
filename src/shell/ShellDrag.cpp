#include "shell/ShellDrag.h"

#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QDrag>
#include <QMouseEvent>
#include <QScrollBar>

namespace lumisnap {

namespace {

DragExec &dragExec()
{
    static DragExec exec;
    return exec;
}

// Cancels the running drag when a mouse button other than the dragging one goes down.
class OtherButtonCancel : public QObject
{
public:
    explicit OtherButtonCancel(Qt::MouseButton button)
        : m_button(button)
    {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~OtherButtonCancel() override { QCoreApplication::instance()->removeEventFilter(this); }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::MouseButtonPress
            && static_cast<QMouseEvent *>(event)->button() != m_button) {
            QDrag::cancel();
            return true;
        }
        return false;
    }

private:
    Qt::MouseButton m_button;
};

// One step of a scroll bar toward `sign`, when there is room for it.
bool stepBar(QScrollBar *bar, int sign)
{
    if (!bar || sign == 0 || (sign < 0 ? bar->value() <= bar->minimum()
                                         : bar->value() >= bar->maximum()))
        return false;
    bar->triggerAction(sign < 0 ? QAbstractSlider::SliderSingleStepSub
                                : QAbstractSlider::SliderSingleStepAdd);
    return true;
}

} // namespace

Qt::DropAction execShellDrag(QDrag &drag, Qt::DropActions allowed, Qt::MouseButton button)
{
    if (dragExec())
        return dragExec()(drag, allowed);
    const OtherButtonCancel cancel(button);
    return drag.exec(allowed, Qt::CopyAction);
}

DragExec setDragExec(DragExec exec)
{
    return std::exchange(dragExec(), std::move(exec));
}

DragAutoScroll::DragAutoScroll(QAbstractScrollArea *view)
    : m_view(view)
    , m_timer([this] {
        if (step())
            m_timer.start(Interval);
    })
{
}

void DragAutoScroll::moved(QPoint pos)
{
    m_pos = pos;
    if (!m_timer.isActive() && step())
        m_timer.start(Interval);
}

void DragAutoScroll::stop()
{
    m_timer.stop();
}

bool DragAutoScroll::step()
{
    const QRect area = m_view->viewport()->rect();
    const int horizontal
        = m_pos.x() < area.left() + SideMargin ? -1 : (m_pos.x() > area.right() - SideMargin);
    const int vertical
        = m_pos.y() < area.top() + EndMargin ? -1 : (m_pos.y() > area.bottom() - EndMargin);
    const bool h = stepBar(m_view->horizontalScrollBar(), horizontal);
    const bool v = stepBar(m_view->verticalScrollBar(), vertical);
    return h || v;
}

} // namespace lumisnap
