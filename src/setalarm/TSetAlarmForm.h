#pragma once

#include "skin/AccessibleFace.h"

#include <QPointer>
#include <QTime>
#include <QWidget>

#include <functional>

class QKeyEvent;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace lumisnap {

class TfcImageForm;
class TfcLabel;
class TRxClock;

// The alarm dialog: a small shaped window, opened by a click on the clock, that sets
// the clock's daily alarm to an hour, a minute, morning or afternoon. The message
// shown when the alarm comes stays in AlarmEdit for the life of the program.
class TSetAlarmForm : public QWidget, public AccessibleFace
{
    Q_OBJECT
public:
    // To assistive tools a dialog named by its title.
    QAccessible::Role faceRole() const override { return QAccessible::Dialog; }
    QString faceName() const override { return windowTitle(); }

    static constexpr int MessageLength = 50;

    explicit TSetAlarmForm(QWidget *parent = nullptr);

    // The clock whose alarm "SET ALARM" sets.
    void setAlarmClock(TRxClock *clock);
    TRxClock *alarmClock() const;

    // Shows the dialog in the middle of the screen, without waiting for it.
    void showCentered();

    // The time of day the fields start from; tests replace it.
    std::function<QTime()> currentTime;

    TfcImageForm *fcImageForm1 = nullptr;
    QLineEdit *houredit = nullptr;
    QLineEdit *minuteedit = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QRadioButton *amradio = nullptr;
    QRadioButton *pmradio = nullptr;
    TfcLabel *fcLabel1 = nullptr;
    TfcLabel *fcLabel2 = nullptr;
    QLineEdit *AlarmEdit = nullptr;
    TfcLabel *SetButton = nullptr;

    void FormShow();
    void houreditExit();
    void amradioClick();
    void Button1Click();
    // True when the key was taken: Enter sets the alarm.
    bool AlarmEditKeyPress(const QKeyEvent *key);
    void SetButtonMouseMove();
    void SetButtonMouseLeave();
    void fcImageForm1MouseMove();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    // Escape leaves the dialog as it came: no alarm is set.
    void keyPressEvent(QKeyEvent *event) override;

private:
    void createComponents();
    void nameControls();
    void bindHandlers();

    QPointer<TRxClock> FAlarmClock;
    // The window the dialog was opened from, which gets the keyboard back.
    QPointer<QWidget> m_openedFrom;
};

extern TSetAlarmForm *SetAlarmForm;

} // namespace lumisnap
