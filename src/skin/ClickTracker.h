#pragma once

#include <QMouseEvent>
#include <QRect>

namespace lumisnap {

// Makes one click of a left press and a left release inside the control, as the
// framework does for controls without a window of their own.
class ClickTracker
{
public:
    void press(const QMouseEvent *event)
    {
        if (event->button() == Qt::LeftButton)
            m_pending = true;
    }

    // True when this release completes a click inside `bounds`.
    bool release(const QMouseEvent *event, const QRect &bounds)
    {
        if (event->button() != Qt::LeftButton || !m_pending)
            return false;
        m_pending = false;
        return bounds.contains(event->position().toPoint());
    }

private:
    bool m_pending = false;
};

} // namespace lumisnap
