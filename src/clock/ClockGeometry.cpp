#include "clock/ClockGeometry.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace lumisnap {

namespace {

constexpr double MillimetresPerInch = 25.4;
constexpr qreal FallbackDpi = 96;
constexpr QSize FallbackScreen(1024, 768);
constexpr int DialRadius = 8000;

ScreenMetrics measurePrimaryScreen()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return MeasureScreen(FallbackScreen, {}, FallbackDpi);
    return MeasureScreen(screen->size(), screen->physicalSize(), screen->logicalDotsPerInchX());
}

} // namespace

ScreenMetrics MeasureScreen(QSize pixels, QSizeF millimetres, qreal logicalDpi)
{
    ScreenMetrics metrics;
    metrics.HorzRes = std::max(1, pixels.width());
    metrics.VertRes = std::max(1, pixels.height());
    const int widthMm = int(millimetres.width());
    const int heightMm = int(millimetres.height());
    if (widthMm > 0 && heightMm > 0) {
        metrics.Hppm = metrics.HorzRes * 100 / widthMm;
        metrics.Vppm = metrics.VertRes * 100 / heightMm;
    } else {
        const qreal dpi = logicalDpi > 0 ? logicalDpi : FallbackDpi;
        metrics.Hppm = metrics.Vppm = int(std::lround(dpi * 100 / MillimetresPerInch));
    }
    metrics.Hppm = std::max(1, metrics.Hppm);
    metrics.Vppm = std::max(1, metrics.Vppm);
    return metrics;
}

TDialPoints MakeDialPoints(const ScreenMetrics &metrics)
{
    TDialPoints points;
    for (int i = 0; i < int(points.size()); ++i) {
        const double angle = i * std::numbers::pi / 30;
        const int x = int(DialRadius * std::sin(angle));
        const int y = int(-DialRadius * std::cos(angle));
        points[i] = QPoint(x, y * metrics.Vppm / metrics.Hppm);
    }
    return points;
}

const ScreenMetrics &ClockScreen()
{
    static const ScreenMetrics metrics = measurePrimaryScreen();
    return metrics;
}

const TDialPoints &DialPoints()
{
    static const TDialPoints points = MakeDialPoints(ClockScreen());
    return points;
}

int ToVertical(int value)
{
    return value * ClockScreen().Vppm / ClockScreen().Hppm;
}

int ToHorizontal(int value)
{
    return value * ClockScreen().Hppm / ClockScreen().Vppm;
}

QTime WholeSeconds(QTime time)
{
    return QTime(time.hour(), time.minute(), time.second());
}

int HourStep(QTime time)
{
    return time.hour() % 12 * 5 + time.minute() / 12;
}

TColor LighterShade(TColor colour)
{
    const TColor rgb = fromQColor(toQColor(colour));
    if ((rgb & 0xFF) == 0xFF || (rgb >> 8 & 0xFF) == 0xFF || (rgb >> 16 & 0xFF) == 0xFF)
        return clBtnHighlight;
    TColor lighter = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        TColor byte = rgb >> shift & 0xFF;
        if (byte == 192)
            byte = 255;
        else if (byte != 0)
            byte = (byte + 127) % 256;
        lighter |= byte << shift;
    }
    return lighter;
}

int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return 0;
    return int(std::llround(double(a) * b / c));
}

} // namespace lumisnap
