#pragma once

#include <QImage>

// The faces of the viewer's PREV and NEXT buttons: 72 x 25, 24 bits, an arrow on
// white. White is the buttons' transparent colour, so the arrows hold none.
QImage paintBackArrow(); // pointing left
QImage paintNextArrow(); // pointing right
