// The clock's digital display: the time in equal cells, redrawn cell by cell.
#include "clock/TRxClock.h"

#include "clock/ClockGeometry.h"
#include "clock/ClockLocale.h"

#include <QFontMetrics>
#include <QPainter>
#include <QRegion>

#include <algorithm>

namespace lumisnap {

namespace {

constexpr int TextFlags = Qt::TextSingleLine | Qt::TextDontClip;
// A glyph may reach a pixel past its cell: a changed cell repaints its edges too.
constexpr int GlyphOverhang = 1;
constexpr int FitMeasureHeight = 1000;
// What FitFont leaves free around the text.
constexpr int FitMarginHeight = 4;
constexpr int FitMarginWidth = 30;

QString twoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

} // namespace

int TRxClock::FrameInset() const
{
    int inset = FBorderWidth;
    for (TBevelCut cut : { FBevelOuter, FBevelInner })
        inset += cut != bvNone ? FBevelWidth : 0;
    return inset;
}

QRect TRxClock::DigitRect() const
{
    const int inset = FrameInset();
    return rect().adjusted(inset, inset, -inset, -inset);
}

int TRxClock::DisplayHour(int hour) const
{
    if (!FTwelveHour)
        return hour;
    if (hour == 0)
        return 12;
    return hour > 12 ? hour - 12 : hour;
}

QString TRxClock::FormatTime(QTime time) const
{
    const int hour = DisplayHour(time.hour());
    const QChar separator = ClockLocale::TimeSeparator();
    QString text = FLeadingZero ? twoDigits(hour) : QString::number(hour);
    text += separator + twoDigits(time.minute());
    if (FShowSeconds)
        text += separator + twoDigits(time.second());
    if (FTwelveHour) {
        text += QLatin1Char(' ')
            + (time.hour() < 12 ? ClockLocale::TimeAMString() : ClockLocale::TimePMString());
    }
    return text;
}

QRect TRxClock::DigitLayout::suffixRect(int right) const
{
    const int start = left + cells() * cellWidth;
    return { start, top, std::max(0, right - start), height };
}

TRxClock::DigitLayout TRxClock::LayoutDigits(const QRect &bounds, QTime time) const
{
    DigitLayout layout;
    const QString text = FormatTime(time);
    layout.hourDigits = DisplayHour(time.hour()) >= 10 || FLeadingZero ? 2 : 1;
    const int length = layout.hourDigits + 3 + (FShowSeconds ? 3 : 0);
    layout.digits = text.left(length);
    layout.suffix = text.mid(length);
    const QFontMetrics metrics(font());
    layout.cellWidth = metrics.horizontalAdvance(QLatin1Char('8'));
    layout.height = metrics.height();
    const int width = length * layout.cellWidth + metrics.horizontalAdvance(layout.suffix);
    // Centred in the bounds, halving toward zero as the layout rules do.
    layout.left = (bounds.left() + bounds.left() + bounds.width() - width) / 2;
    layout.top = (bounds.top() + bounds.top() + bounds.height() - layout.height) / 2;
    return layout;
}

void TRxClock::DrawDigits(const QRect &bounds, QTime now)
{
    now = WholeSeconds(now);
    // A new hour can change the number of cells and the suffix: everything is redrawn.
    // The whole hour counts, so that a jump of twelve hours still changes the suffix.
    if (now.hour() != FShownTime.hour()) {
        FShownTime = now;
        Invalidate();
        return;
    }
    const DigitLayout layout = LayoutDigits(bounds, now);
    const bool secondChanged = now.second() != FShownTime.second();
    const bool minuteChanged = now.minute() != FShownTime.minute();
    QRegion changed;
    for (int i = 0; i < layout.cells(); ++i) {
        if ((secondChanged && FShowSeconds && layout.isSecond(i))
            || (minuteChanged && layout.isMinute(i)))
            changed += layout.cell(i).adjusted(-GlyphOverhang, 0, GlyphOverhang, 0);
    }
    FShownTime = now;
    if (!changed.isEmpty())
        update(changed);
}

void TRxClock::PaintDigits(QPainter &painter, const QRect &bounds) const
{
    const DigitLayout layout = LayoutDigits(bounds, FShownTime);
    painter.setFont(font());
    painter.setPen(toQColor(FFontColor));
    for (int i = 0; i < layout.cells(); ++i)
        painter.drawText(layout.cell(i), Qt::AlignCenter | TextFlags, layout.digits.at(i));
    painter.drawText(layout.suffixRect(bounds.left() + bounds.width()),
        Qt::AlignLeft | Qt::AlignVCenter | TextFlags, layout.suffix);
}

void TRxClock::FitFont()
{
    const int a = height() - FitMarginHeight;
    const int b = width() - FitMarginWidth;
    if (a <= 0 || b <= 0)
        return;
    QString sample = QStringLiteral("88888");
    if (FShowSeconds)
        sample += QStringLiteral("888");
    const QFontMetrics metrics(font());
    if (FTwelveHour) {
        const QString am = ClockLocale::TimeAMString();
        const QString pm = ClockLocale::TimePMString();
        const bool amWider = metrics.horizontalAdvance(am) > metrics.horizontalAdvance(pm);
        sample += QLatin1Char(' ') + (amWider ? am : pm);
    }
    const int byHeight = MulDiv(a, 4, 5);
    QFont measured = font();
    measured.setPixelSize(FitMeasureHeight);
    const int sampleWidth = QFontMetrics(measured).horizontalAdvance(sample);
    if (sampleWidth <= 0)
        return;
    const int byWidth = MulDiv(FitMeasureHeight, b, sampleWidth);
    QFont fitted = font();
    fitted.setPixelSize(std::max(1, std::min(byHeight, byWidth)));
    FFitting = true;
    setFont(fitted);
    FFitting = false;
}

} // namespace lumisnap
