// The clock's analog face: hour marks, minute dots, two hands and a sweep hand.
#include "clock/TRxClock.h"

#include "clock/ClockGeometry.h"
#include "clock/Frame3D.h"

#include <QImage>
#include <QPainter>
#include <QRegion>

#include <algorithm>
#include <initializer_list>

namespace lumisnap {

namespace {

constexpr int DialRadius = 8000;
constexpr int DotScale = 25;

struct HandShape
{
    int halfWidth; // percent of the radius
    int length;
    int tail;
};

constexpr HandShape HourHand { 7, 60, 15 };
constexpr HandShape MinuteHand { 5, 80, 20 };
constexpr int SweepLength = 80;
// Pixels around a hand's lines that a repaint covers.
constexpr int HandMargin = 2;

int dialIndex(int step)
{
    return ((step % 60) + 60) % 60;
}

QRect boundsOf(std::initializer_list<QPoint> points)
{
    QRect bounds(*points.begin(), QSize(1, 1));
    for (const QPoint &p : points)
        bounds |= QRect(p, QSize(1, 1));
    return bounds.adjusted(-HandMargin, -HandMargin, HandMargin, HandMargin);
}

QPoint dialOffset(int length, int step)
{
    const QPoint point = DialPoints()[dialIndex(step)];
    return { length * point.x() / DialRadius, length * point.y() / DialRadius };
}

// The corners of a hand's kite: its two sides beside the centre, its tip and its tail.
struct HandLines
{
    QPoint left, right, tip, tail;

    QRect bounds() const { return boundsOf({ left, right, tip, tail }); }
};

HandLines handLines(const TRxClock::FaceGeometry &face, int step, const HandShape &shape)
{
    const QPoint side = dialOffset(shape.halfWidth * face.radius / 100, step + 15);
    return { face.centre + side, face.centre - side,
        face.centre + dialOffset(shape.length * face.radius / 100, step),
        face.centre + dialOffset(shape.tail * face.radius / 100, step + 30) };
}

QPoint sweepTip(const TRxClock::FaceGeometry &face, int second)
{
    return face.centre + dialOffset(face.radius * SweepLength / 100, second);
}

} // namespace

TRxClock::FaceGeometry TRxClock::Face() const
{
    FaceGeometry face;
    const int inset = FrameInset() + 1;
    const QRect inner = rect().adjusted(inset, inset, -inset, -inset);
    const int w = std::max(0, inner.width());
    const int h = std::max(0, inner.height());
    // A physical circle: the longer side shrinks to the shorter, centred.
    if (w > ToHorizontal(h)) {
        const int fitted = ToHorizontal(h);
        face.rect = QRect(inner.left() + (w - fitted) / 2, inner.top(), fitted, h);
    } else {
        const int fitted = ToVertical(w);
        face.rect = QRect(inner.left(), inner.top() + (h - fitted) / 2, w, fitted);
    }
    const int dotWidth = face.rect.width() * DotScale / ClockScreen().HorzRes;
    face.dotHeight = std::max(1, ToVertical(dotWidth));
    face.dotWidth = std::max(2, dotWidth);
    // The dial runs through the middle of the dots.
    const QRect dial = face.rect.adjusted(
        face.dotHeight / 2, face.dotWidth / 2, -(face.dotHeight / 2), -(face.dotWidth / 2));
    face.radius = std::max(0, dial.width() / 2);
    face.centre = QPoint(dial.left() + face.radius, dial.top() + dial.height() / 2);
    return face;
}

void TRxClock::PaintFace(QPainter &painter) const
{
    const FaceGeometry face = Face();
    if (face.rect.width() <= 0 || face.rect.height() <= 0)
        return;
    // Drawn off screen in an opaque format, where the inverting sweep hand is safe even
    // on a window with a translucent background.
    QImage image(face.rect.size(), QImage::Format_RGB32);
    {
        QPainter p(&image);
        p.translate(-face.rect.topLeft());
        p.fillRect(face.rect, toQColor(FColor));
        const QColor pen = toQColor(FFontColor);
        DrawFace(p, face, pen);
        DrawHand(p, face, HourStep(FShownTime), true, pen);
        DrawHand(p, face, FShownTime.minute(), false, pen);
        if (FShowSeconds)
            DrawSweepHand(p, face, FShownTime.second());
    }
    painter.drawImage(face.rect.topLeft(), image);
}

void TRxClock::DrawFace(QPainter &painter, const FaceGeometry &face, const QColor &pen) const
{
    const bool largeDots = face.dotWidth > 2 && face.dotHeight > 1;
    QColor brush = pen;
    for (int i = 0; i < 60; ++i) {
        const QPoint at = face.centre + dialOffset(face.radius, i);
        if (i % 5 != 0) {
            if (!largeDots)
                continue;
            if (FCtl3D) {
                painter.fillRect(QRect(at - QPoint(1, 1), QSize(2, 2)), toQColor(clBtnShadow));
                painter.fillRect(QRect(at, QSize(2, 2)), toQColor(clBtnHighlight));
                brush = toQColor(FColor);
            }
            painter.fillRect(QRect(at, QSize(1, 1)), brush);
            continue;
        }
        QRect mark(at - QPoint(face.dotWidth / 2, face.dotHeight / 2),
            QSize(face.dotWidth, face.dotHeight));
        if (FCtl3D && largeDots) {
            painter.fillRect(mark, toQColor(FDotsColor));
            Frame3D(painter, mark, toQColor(LighterShade(FDotsColor)), toQColor(clWindowFrame), 1);
        } else {
            painter.fillRect(mark, pen);
        }
        brush = pen;
    }
}

void TRxClock::DrawHand(
    QPainter &painter, const FaceGeometry &face, int step, bool hourHand, const QColor &pen) const
{
    const HandLines hand = handLines(face, step, hourHand ? HourHand : MinuteHand);
    painter.setPen(pen);
    // An open kite: both sides to the tip and to the tail.
    painter.drawLine(hand.left, hand.tip);
    painter.drawLine(hand.right, hand.tip);
    painter.drawLine(hand.left, hand.tail);
    painter.drawLine(hand.right, hand.tail);
}

void TRxClock::DrawSweepHand(QPainter &painter, const FaceGeometry &face, int second) const
{
    painter.save();
    painter.setCompositionMode(QPainter::RasterOp_NotDestination);
    painter.setPen(Qt::black);
    painter.drawLine(face.centre, sweepTip(face, second));
    painter.restore();
}

void TRxClock::UpdateFace(QTime now)
{
    now = WholeSeconds(now);
    const QTime shown = FShownTime;
    const bool secondMoved = now.second() != shown.second();
    const bool handsMoved = now.minute() != shown.minute() || now.hour() % 12 != shown.hour() % 12;
    if (!secondMoved && !handsMoved)
        return;
    // Only the hands that moved are repainted, where they were and where they go.
    const FaceGeometry face = Face();
    QRegion changed;
    if (secondMoved && FShowSeconds) {
        for (const QTime time : { shown, now })
            changed += boundsOf({ face.centre, sweepTip(face, time.second()) });
    }
    if (handsMoved) {
        for (const QTime time : { shown, now }) {
            changed += handLines(face, time.minute(), MinuteHand).bounds();
            changed += handLines(face, HourStep(time), HourHand).bounds();
        }
    }
    FShownTime = now;
    update(changed);
}

} // namespace lumisnap
