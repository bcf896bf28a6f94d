#include "ButtonFaces.h"

#include <QColor>

namespace {

constexpr int FaceWidth = 72;
constexpr int FaceHeight = 25;
// The head's straight back edge, and the rows of the shaft behind it.
constexpr int HeadBack = 49;
constexpr int ShaftTop = 5;
constexpr int ShaftBottom = 20;
// The two rows of the point, which reaches the right edge.
constexpr int PointTop = 12;
constexpr int PointBottom = 13;

// One past the last pixel of a row of the right arrow. Each row's end differs from
// its neighbours' but for the point's two rows, so the outline needs one rectangle a
// row and one for the point: 24 in all.
int rowEnd(int row)
{
    if (row >= PointTop && row <= PointBottom)
        return FaceWidth;
    if (row < PointTop)
        return HeadBack + 1 + (row * 21 + 5) / 11;
    return HeadBack + 2 + 2 * (FaceHeight - 1 - row);
}

int rowStart(int row)
{
    return row >= ShaftTop && row <= ShaftBottom ? 0 : HeadBack;
}

bool inside(int x, int y)
{
    return y >= 0 && y < FaceHeight && x >= rowStart(y) && x < rowEnd(y);
}

// A blue body lit from above, with a dark rim; no pixel comes near white.
QColor bodyColour(int x, int y)
{
    const bool rim
        = !inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1);
    if (rim)
        return QColor(12, 28, 72);
    const int light = 150 - y * 90 / FaceHeight;
    return QColor(light / 4, light / 2 + 20, light + 60);
}

} // namespace

QImage paintNextArrow()
{
    QImage face(FaceWidth, FaceHeight, QImage::Format_RGB888);
    face.fill(Qt::white);
    for (int y = 0; y < FaceHeight; ++y) {
        for (int x = rowStart(y); x < rowEnd(y); ++x)
            face.setPixelColor(x, y, bodyColour(x, y));
    }
    return face;
}

QImage paintBackArrow()
{
    return paintNextArrow().mirrored(true, false);
}
