#pragma once

#include <QColor>
#include <QRect>

class QKeyEvent;
class QPainter;

namespace lumisnap {

// Space or Enter with no Shift, Ctrl or Alt, and not a key held down: what clicks a
// focused control that the mouse would click.
bool isActivationKey(const QKeyEvent *event);

// The mark a focused self-painted control shows: a dotted frame just inside `rect`,
// in the colour of the control's own text, so that it suits the skin below.
void drawFocusMark(QPainter &painter, const QRect &rect, const QColor &colour);

} // namespace lumisnap
