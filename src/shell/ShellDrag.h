#pragma once

#include "shell/ShellTimer.h"

#include <QPoint>
#include <Qt>

#include <functional>

class QAbstractScrollArea;
class QDrag;

namespace lumisnap {

// Runs a drag out of a shell control until it ends: Escape or a press of another mouse
// button cancels it. Tests install a stand-in that ends it at once.
using DragExec = std::function<Qt::DropAction(QDrag &drag, Qt::DropActions allowed)>;
Qt::DropAction execShellDrag(QDrag &drag, Qt::DropActions allowed, Qt::MouseButton button);
DragExec setDragExec(DragExec exec);

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
