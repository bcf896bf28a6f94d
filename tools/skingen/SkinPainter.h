#pragma once

#include <QImage>

// The three skin pictures of the program's windows. Everything outside a window's
// outline is its transparent colour (black, or white for the alarm dialog); nothing
// inside the outline may take that colour, or it would cut a hole in the window.
QImage paintMainSkin();   // 556 x 431, 24 bits
QImage paintSplashSkin(); // 381 x 53, 256 colours
QImage paintAlarmSkin();  // 184 x 185, 24 bits

// The program's icon, drawn from the main skin's artwork: size x size, with alpha.
QImage paintAppIcon(int size);
