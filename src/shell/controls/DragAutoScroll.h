#pragma once

#include "shell/watch/ShellTimer.h"

#include <QPoint>

class QAbstractScrollArea;

namespace lumisnap {

// Scrolls a view one line at a time while a drag rests near its edges.
class DragAutoScroll
{
public:
    static constexpr int Interval = 100; // ms
    static constexpr int SideMargin = 26; // pixels
    static constexpr int EndMargin = 20;

    explicit DragAutoScroll(QAbstractScrollArea *view);

    // The pointer moved to `pos` (viewport coordinates): near an edge the view scrolls
    // at once unless it did less than Interval ago, and goes on while the pointer rests.
    void moved(QPoint pos);
    void stop();

private:
    bool step();

    QAbstractScrollArea *m_view;
    ShellTimer m_timer;
    QPoint m_pos;
};

} // namespace lumisnap
