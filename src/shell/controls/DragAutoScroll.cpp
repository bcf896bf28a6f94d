#include "shell/controls/DragAutoScroll.h"

#include <QAbstractScrollArea>
#include <QScrollBar>

namespace lumisnap {

namespace {

// One step of a scroll bar toward `sign`, when there is room for it.
bool stepBar(QScrollBar *bar, int sign)
{
    if (!bar || sign == 0
        || (sign < 0 ? bar->value() <= bar->minimum() : bar->value() >= bar->maximum()))
        return false;
    bar->triggerAction(
        sign < 0 ? QAbstractSlider::SliderSingleStepSub : QAbstractSlider::SliderSingleStepAdd);
    return true;
}

} // namespace

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
