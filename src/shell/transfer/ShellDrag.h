#pragma once

#include <QPoint>
#include <Qt>

#include <cstdint>
#include <functional>

class QDrag;
class QDropEvent;
class QMouseEvent;
class QPixmap;
class QWidget;

namespace lumisnap {

struct ShellItems;

// Runs a drag out of a shell control until it ends: Escape or a press of another mouse
// button cancels it. Tests install a stand-in that ends it at once.
using DragExec = std::function<Qt::DropAction(QDrag &drag, Qt::DropActions allowed)>;
Qt::DropAction execShellDrag(QDrag &drag, Qt::DropActions allowed, Qt::MouseButton button);
DragExec setDragExec(DragExec exec);

// Drags shell items out of `source` with the effects their attributes allow.
Qt::DropAction dragShellItems(QWidget *source, const ShellItems &items, std::uint32_t allowed,
    const QPixmap &pixmap, Qt::MouseButton button);

// Whether a move with `button` held has gone far enough from the press to start a drag.
bool dragStarts(const QMouseEvent *event, QPoint pressPos, Qt::MouseButton button);

// The effect a drop takes among what the source offers and `allowed`: Shift moves,
// Ctrl+Shift links, otherwise a copy; when that is not allowed, the first allowed of
// copy, move and link.
std::uint32_t dropEffectOf(const QDropEvent *event, std::uint32_t allowed);

// Answers a drag event: accepted with the effect, or ignored when there is none.
void answerDrop(QDropEvent *event, std::uint32_t effect);

} // namespace lumisnap
