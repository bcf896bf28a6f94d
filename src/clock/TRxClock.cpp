#include "clock/TRxClock.h"

#include "clock/ClockGeometry.h"
#include "clock/ClockLocale.h"
#include "clock/Frame3D.h"
#include "common/Error.h"
#include "common/ErrorReport.h"
#include "skin/KeyboardReach.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace lumisnap {

namespace {

enum AlarmPart { PartHour, PartMinute, PartSecond };

void DrawBevel(QPainter &painter, QRect &bounds, TRxClock::TBevelCut cut, int width, TColor face)
{
    switch (cut) {
    case TRxClock::bvNone:
        return;
    case TRxClock::bvLowered:
        Frame3D(painter, bounds, toQColor(clBtnShadow), toQColor(clBtnHighlight), width);
        return;
    case TRxClock::bvRaised:
        Frame3D(painter, bounds, toQColor(clBtnHighlight), toQColor(clBtnShadow), width);
        return;
    case TRxClock::bvSpace:
        Frame3D(painter, bounds, toQColor(face), toQColor(face), width);
        return;
    }
}

} // namespace

TRxClock::TRxClock(QWidget *parent)
    : QWidget(parent)
    , FTimer(std::make_unique<TRxTimer>())
{
    DialPoints(); // the first clock measures the screen for all
    setAttribute(Qt::WA_OpaquePaintEvent);
    FShownTime = WholeSeconds(TimeOfDay());
    FTimer->setInterval(kTickInterval);
    FTimer->setOnTimer([this](QObject *) { Tick(); });
}

TRxClock::~TRxClock()
{
    // First, so that no tick reaches a clock that is half gone.
    FTimer.reset();
}

void TRxClock::Loaded()
{
    RearmAlarm();
}

void TRxClock::setAlarmHour(uchar hour)
{
    SetAlarmPart(PartHour, hour);
}

void TRxClock::setAlarmMinute(uchar minute)
{
    SetAlarmPart(PartMinute, minute);
}

void TRxClock::setAlarmSecond(uchar second)
{
    SetAlarmPart(PartSecond, second);
}

void TRxClock::SetAlarmPart(int part, int value)
{
    int parts[] = { FAlarmTime.hour(), FAlarmTime.minute(), FAlarmTime.second() };
    parts[part] = value;
    const auto [hour, minute, second] = parts;
    if (hour > 23 || minute > 59 || second > 59) {
        const QString separator = ClockLocale::TimeSeparator();
        const QString time = QString::number(hour) + separator + QString::number(minute) + separator
            + QString::number(second);
        throw EConvertError(QStringLiteral("''%1'' is not a valid time").arg(time));
    }
    FAlarmTime = QTime(hour, minute, second);
    RearmAlarm();
}

void TRxClock::setAutoSize(bool autoSize)
{
    if (FAutoSize == autoSize)
        return;
    FAutoSize = autoSize;
    if (autoSize) {
        Invalidate();
        Realign();
    }
}

void TRxClock::setBevelInner(TBevelCut cut)
{
    if (FBevelInner == cut)
        return;
    FBevelInner = cut;
    Invalidate();
}

void TRxClock::setBevelOuter(TBevelCut cut)
{
    if (FBevelOuter == cut)
        return;
    FBevelOuter = cut;
    Invalidate();
}

void TRxClock::setDotsColor(TColor colour)
{
    if (FDotsColor == colour)
        return;
    FDotsColor = colour;
    Invalidate();
}

void TRxClock::setShowMode(TShowClock mode)
{
    if (FShowMode == mode)
        return;
    FShowMode = mode;
    Invalidate();
}

void TRxClock::setShowSeconds(bool show)
{
    if (FShowSeconds == show)
        return;
    FShowSeconds = show;
    Invalidate();
    if (FAutoSize)
        Realign();
}

void TRxClock::setTwelveHour(bool twelveHour)
{
    if (FTwelveHour == twelveHour)
        return;
    FTwelveHour = twelveHour;
    Invalidate();
    if (FAutoSize)
        Realign();
}

void TRxClock::setLeadingZero(bool leadingZero)
{
    if (FLeadingZero == leadingZero)
        return;
    FLeadingZero = leadingZero;
    Invalidate();
}

void TRxClock::setBevelWidth(int width)
{
    if (FBevelWidth == width || width < 0)
        return;
    FBevelWidth = width;
    Invalidate();
}

void TRxClock::setBorderWidth(int width)
{
    if (FBorderWidth == width || width < 0)
        return;
    FBorderWidth = width;
    Invalidate();
}

void TRxClock::setColor(TColor colour)
{
    if (FColor == colour)
        return;
    FColor = colour;
    Invalidate();
}

void TRxClock::setFontColor(TColor colour)
{
    if (FFontColor == colour)
        return;
    FFontColor = colour;
    Invalidate();
}

void TRxClock::setCtl3D(bool ctl3D)
{
    if (FCtl3D == ctl3D)
        return;
    FCtl3D = ctl3D;
    if (FShowMode == scAnalog)
        Invalidate();
}

QTime TRxClock::TimeOfDay()
{
    QTime time = QTime::currentTime();
    if (OnGetTime) {
        OnGetTime(this, time);
        if (!time.isValid())
            time = QTime(0, 0);
    }
    return time;
}

void TRxClock::RearmAlarm()
{
    FAlarmArmed = TimeOfDay() < FAlarmTime || FAlarmTime == QTime(0, 0);
}

bool TRxClock::AlarmMatches(QTime time) const
{
    // The window runs from the alarm second to the end of its minute.
    return time.hour() == FAlarmTime.hour() && time.minute() == FAlarmTime.minute()
        && time.second() >= FAlarmTime.second();
}

void TRxClock::TestAlarm()
{
    if (FAlarmEnabled && AlarmMatches(TimeOfDay())) {
        if (FAlarmArmed) {
            FAlarmArmed = false;
            RaiseAlarm();
        }
        return;
    }
    RearmAlarm();
}

void TRxClock::RaiseAlarm()
{
    // Queued: the tick returns first, so the timer thread is free to hand over the next
    // ticks while the handler's message runs its own event loop.
    QMetaObject::invokeMethod(
        this,
        [this] {
            runHandler([this] {
                if (TNotifyEvent handler = OnAlarm)
                    handler(this);
            });
        },
        Qt::QueuedConnection);
}

void TRxClock::Tick()
{
    const QTime now = TimeOfDay();
    const QTime before = FShownTime;
    if (FShowMode == scAnalog)
        UpdateFace(now);
    else
        DrawDigits(DigitRect(), now);
    // Once a minute, not every second: a reader would speak nothing else.
    if (before.hour() != FShownTime.hour() || before.minute() != FShownTime.minute())
        announceNameChange(this);
    TestAlarm();
}

void TRxClock::Realign()
{
    // The face is measured when it is drawn, from the size the control has then.
    if (FAutoSize)
        FitFont();
}

void TRxClock::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    Paint(painter);
}

void TRxClock::Paint(QPainter &painter)
{
    QRect bounds = rect();
    painter.fillRect(bounds, toQColor(FColor));
    DrawBevel(painter, bounds, FBevelOuter, FBevelWidth, FColor);
    bounds.adjust(FBorderWidth, FBorderWidth, -FBorderWidth, -FBorderWidth);
    DrawBevel(painter, bounds, FBevelInner, FBevelWidth, FColor);
    if (FShowMode == scDigital)
        PaintDigits(painter, bounds);
    else
        PaintFace(painter);
    if (hasFocus())
        drawFocusMark(painter, bounds, toQColor(FFontColor));
}

void TRxClock::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Realign();
}

void TRxClock::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    switch (event->type()) {
    case QEvent::LocaleChange:
    case QEvent::FontChange:
        Invalidate();
        if (FAutoSize && !FFitting)
            Realign();
        break;
    default:
        break;
    }
}

void TRxClock::mousePressEvent(QMouseEvent *event)
{
    FClick.press(event);
}

void TRxClock::mouseReleaseEvent(QMouseEvent *event)
{
    if (FClick.release(event, rect()))
        emit OnClick(this);
}

void TRxClock::keyPressEvent(QKeyEvent *event)
{
    if (focusPolicy() == Qt::NoFocus || !isActivationKey(event)) {
        QWidget::keyPressEvent(event);
        return;
    }
    emit OnClick(this);
}

void TRxClock::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    update();
}

void TRxClock::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    update();
}

} // namespace lumisnap
