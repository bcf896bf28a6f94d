#include "setalarm/TSetAlarmForm.h"

#include "clock/TRxClock.h"
#include "common/Convert.h"
#include "common/Error.h"
#include "common/ErrorReport.h"
#include "skin/TfcImageForm.h"
#include "skin/TfcLabel.h"

#include <QApplication>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>

namespace lumisnap {

TSetAlarmForm *SetAlarmForm = nullptr;

namespace {

constexpr int HoursPerHalfDay = 12;
constexpr int LastMinute = 59;
const QString Noon = QStringLiteral("12");
const QString FieldReset = QStringLiteral("1");
constexpr TColor SetButtonHot = clBlue;
constexpr TColor SetButtonRest = clYellow;

// The alarm parts travel as bytes.
uchar checkedByte(int value)
{
    if (value < 0 || value > 255)
        throw ERangeError(QStringLiteral("Range check error"));
    return uchar(value);
}

// Focus that leaves with the window (a message box, another program) has not left the
// field for another control of the dialog.
bool leftForAnotherControl(const QFocusEvent *event)
{
    return event->reason() != Qt::ActiveWindowFocusReason
        && event->reason() != Qt::PopupFocusReason;
}

} // namespace

TSetAlarmForm::TSetAlarmForm(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , currentTime([] { return QTime::currentTime(); })
{
    setWindowTitle(QStringLiteral("SetAlarmForm"));
    createComponents();
    bindHandlers();
}

void TSetAlarmForm::bindHandlers()
{
    houredit->installEventFilter(this);
    minuteedit->installEventFilter(this);
    AlarmEdit->installEventFilter(this);
    const auto guarded = [this](void (TSetAlarmForm::*handler)()) {
        return [this, handler] { runHandler([this, handler] { (this->*handler)(); }); };
    };
    for (QRadioButton *radio : { amradio, pmradio })
        connect(radio, &QRadioButton::clicked, this, guarded(&TSetAlarmForm::amradioClick));
    for (TfcLabel *label : { fcLabel1, fcLabel2 })
        connect(label, &TfcLabel::clicked, this, guarded(&TSetAlarmForm::amradioClick));
    connect(SetButton, &TfcLabel::clicked, this, guarded(&TSetAlarmForm::Button1Click));
    connect(SetButton, &TfcLabel::mouseMoved, this, guarded(&TSetAlarmForm::SetButtonMouseMove));
    connect(SetButton, &TfcLabel::mouseLeft, this, guarded(&TSetAlarmForm::SetButtonMouseLeave));
    connect(fcImageForm1, &TfcImageForm::mouseMove, this,
        guarded(&TSetAlarmForm::fcImageForm1MouseMove));
}

void TSetAlarmForm::setAlarmClock(TRxClock *clock)
{
    FAlarmClock = clock;
}

TRxClock *TSetAlarmForm::alarmClock() const
{
    return FAlarmClock;
}

void TSetAlarmForm::showCentered()
{
    if (QWidget *active = QApplication::activeWindow(); active && active != this)
        m_openedFrom = active;
    if (isVisible()) {
        raise();
    } else if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        move(screen->geometry().center() - rect().center());
        show();
    }
    activateWindow();
}

void TSetAlarmForm::FormShow()
{
    const QTime now = currentTime();
    int hour = now.hour();
    if (hour > HoursPerHalfDay)
        hour -= HoursPerHalfDay;
    // The hour after midnight is 12 on a 12-hour dial; 0 would not pass the field check.
    if (hour == 0)
        hour = HoursPerHalfDay;
    if (houredit->text().isEmpty())
        houredit->setText(QString::number(hour));
    if (minuteedit->text().isEmpty())
        minuteedit->setText(QString::number(now.minute()));
    // The day half is chosen afresh on every opening, from the hour itself: a 24-hour
    // locale's time text carries no designator to read it from.
    const bool afternoon = now.hour() >= HoursPerHalfDay;
    (afternoon ? pmradio : amradio)->setChecked(true);
    (afternoon ? amradio : pmradio)->setChecked(false);
}

void TSetAlarmForm::houreditExit()
{
    const int hour = StrToInt(houredit->text());
    if (hour > HoursPerHalfDay || hour < 1)
        houredit->setText(FieldReset);
    const int minute = StrToInt(minuteedit->text());
    if (minute > LastMinute || minute < 0)
        minuteedit->setText(FieldReset);
}

void TSetAlarmForm::amradioClick()
{
    if (amradio->isChecked())
        pmradio->setChecked(false);
    if (pmradio->isChecked())
        amradio->setChecked(false);
}

void TSetAlarmForm::Button1Click()
{
    const QString hourText = houredit->text();
    int hour = 0;
    if (pmradio->isChecked()) {
        hour = hourText == Noon ? HoursPerHalfDay : StrToInt(hourText) + HoursPerHalfDay;
    } else {
        hour = StrToInt(hourText);
        // Twelve in the morning is midnight.
        if (hour == HoursPerHalfDay)
            hour = 0;
    }
    const uchar alarmHour = checkedByte(hour);
    if (FAlarmClock)
        FAlarmClock->setAlarmHour(alarmHour);
    const uchar alarmMinute = checkedByte(StrToInt(minuteedit->text()));
    if (FAlarmClock)
        FAlarmClock->setAlarmMinute(alarmMinute);
    hide();
}

bool TSetAlarmForm::AlarmEditKeyPress(const QKeyEvent *key)
{
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
        return false;
    Button1Click();
    return true;
}

void TSetAlarmForm::SetButtonMouseMove()
{
    SetButton->setFontColor(SetButtonHot);
}

void TSetAlarmForm::SetButtonMouseLeave()
{
    SetButton->setFontColor(SetButtonRest);
}

void TSetAlarmForm::fcImageForm1MouseMove()
{
    SetButton->setFontColor(SetButtonRest);
}

void TSetAlarmForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    runHandler([this] { FormShow(); });
    houredit->setFocus(Qt::OtherFocusReason);
}

bool TSetAlarmForm::eventFilter(QObject *watched, QEvent *event)
{
    bool taken = false;
    if (event->type() == QEvent::FocusOut && watched != AlarmEdit
        && leftForAnotherControl(static_cast<QFocusEvent *>(event))) {
        runHandler([this] { houreditExit(); });
    } else if (event->type() == QEvent::KeyPress && watched == AlarmEdit) {
        runHandler([&] { taken = AlarmEditKeyPress(static_cast<QKeyEvent *>(event)); });
    }
    return taken || QWidget::eventFilter(watched, event);
}

void TSetAlarmForm::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (!event->spontaneous() && m_openedFrom && m_openedFrom->isVisible())
        m_openedFrom->activateWindow();
}

void TSetAlarmForm::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier)
        hide();
    else
        QWidget::keyPressEvent(event);
}

} // namespace lumisnap
