#pragma once

#include "common/TColor.h"

#include <QPoint>
#include <QSize>
#include <QSizeF>
#include <QTime>

#include <array>

namespace lumisnap {

// What every clock needs to know about the screen, measured once per process.
// Hppm and Vppm are pixels per 100 mm across and down: their ratio keeps an analog
// face round on a screen whose pixels are not square.
struct ScreenMetrics
{
    int HorzRes = 0;
    int VertRes = 0;
    int Hppm = 1;
    int Vppm = 1;
};

// A screen that reports no physical size has square pixels at its logical density.
ScreenMetrics MeasureScreen(QSize pixels, QSizeF millimetres, qreal logicalDpi);

// One point per minute of the dial, 8000 from the centre, clockwise from straight up,
// with y already scaled to the screen's pixel shape.
using TDialPoints = std::array<QPoint, 60>;
TDialPoints MakeDialPoints(const ScreenMetrics &metrics);

// The primary screen's metrics and the dial, computed when the first clock is built.
const ScreenMetrics &ClockScreen();
const TDialPoints &DialPoints();

int ToVertical(int value);
int ToHorizontal(int value);

// The time the display shows: milliseconds dropped.
QTime WholeSeconds(QTime time);

// The hour hand's dial position: five steps an hour, one more every 12 minutes.
int HourStep(QTime time);

// The light edge of a raised hour mark in the given colour.
TColor LighterShade(TColor colour);

// Windows-style a * b / c, rounded half away from zero; 0 when c is 0.
int MulDiv(int a, int b, int c);

} // namespace lumisnap
