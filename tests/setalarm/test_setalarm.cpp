// The alarm dialog driven by keys and clicks: what "SET ALARM" and Enter give the
// clock, the field corrections, the message field, reopening, and its errors.
#include "../clock/ClockTestTime.h"

#include "common/ErrorReport.h"
#include "setalarm/TSetAlarmForm.h"
#include "skin/TfcImageForm.h"
#include "skin/TfcLabel.h"

#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include <memory>

using namespace lumisnap;

class TestSetAlarm : public QObject
{
    Q_OBJECT

    FakeTime fake;
    std::unique_ptr<TRxClock> clock;
    std::unique_ptr<TSetAlarmForm> form;
    QStringList reports;

    void open(QTime now)
    {
        form->currentTime = [now] { return now; };
        form->showCentered();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QTRY_COMPARE(QApplication::focusWidget(), form->houredit);
    }

    static void typeInto(QLineEdit *edit, const QString &text)
    {
        edit->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit, text);
    }

    static void leave(QLineEdit *edit) { QTest::keyClick(edit, Qt::Key_Tab); }

private slots:
    void init()
    {
        clock = std::make_unique<TRxClock>();
        clock->Timer()->setEnabled(false);
        fake = FakeTime();
        fake.now = QTime(6, 0);
        fake.attach(*clock);
        clock->setAlarmHour(12);
        clock->setAlarmMinute(9);
        form = std::make_unique<TSetAlarmForm>();
        form->setAlarmClock(clock.get());
        reports.clear();
        setErrorReporter([this](const QString &text) { reports << text; });
    }

    void cleanup()
    {
        setErrorReporter(nullptr);
        form.reset();
        clock.reset();
    }

    // Rows give the fields as "hour minute [AM|PM]".
    void setButtonSetsTheAlarm_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QTime>("alarm");
        QTest::newRow("evening") << "7 30 PM" << QTime(19, 30);
        QTest::newRow("12 AM is midnight") << "12 15 AM" << QTime(0, 15);
        QTest::newRow("12 PM is noon") << "12 15 PM" << QTime(12, 15);
        QTest::newRow("minute 0 kept") << "1 0 AM" << QTime(1, 0);
        QTest::newRow("last minute") << "11 59 PM" << QTime(23, 59);
    }

    void setButtonSetsTheAlarm()
    {
        QFETCH(QString, typed);
        QFETCH(QTime, alarm);
        const QStringList fields = typed.split(' ');
        const bool afternoon = fields[2] == "PM";
        open(QTime(afternoon ? 6 : 18, 0)); // the other half, so the click must change it
        typeInto(form->houredit, fields[0]);
        leave(form->houredit);
        typeInto(form->minuteedit, fields[1]);
        leave(form->minuteedit);
        QTest::mouseClick(afternoon ? form->pmradio : form->amradio, Qt::LeftButton);
        QCOMPARE(form->pmradio->isChecked(), afternoon);
        QCOMPARE(form->amradio->isChecked(), !afternoon);
        QTest::mouseClick(form->SetButton, Qt::LeftButton);
        QCOMPARE(reports, QStringList());
        QCOMPARE(clock->AlarmTime(), alarm);
        QVERIFY(form->isHidden());
    }

    void leavingAFieldCorrectsBoth_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("corrected");
        QTest::addColumn<QStringList>("reported");
        QTest::newRow("hour 13, minute 0") << "13 0"
                                           << "1 0" << QStringList();
        QTest::newRow("hour 0, minute 00") << "0 00"
                                           << "1 00" << QStringList();
        QTest::newRow("minute 60") << "12 60"
                                   << "12 1" << QStringList();
        QTest::newRow("minute -1") << "5 -1"
                                   << "5 1" << QStringList();
        QTest::newRow("letters") << "ab 70"
                                 << "ab 70" << QStringList { "'ab' is not a valid integer value." };
    }

    void leavingAFieldCorrectsBoth()
    {
        QFETCH(QString, typed);
        QFETCH(QString, corrected);
        QFETCH(QStringList, reported);
        open(QTime(8, 0));
        typeInto(form->minuteedit, typed.section(' ', 1, 1));
        form->houredit->setText(typed.section(' ', 0, 0));
        leave(form->minuteedit);
        QCOMPARE(form->houredit->text() + ' ' + form->minuteedit->text(), corrected);
        QCOMPARE(reports, reported);
        QCOMPARE(QApplication::focusWidget(), form->AlarmEdit); // the focus moves on
    }

    void errorsKeepTheDialogOpen_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("report");
        QTest::addColumn<QTime>("alarm");
        // Clicking the label does not move the focus: no field correction first.
        QTest::newRow("negative hour") << "-5 30"
                                       << "Range check error." << QTime(12, 9);
        QTest::newRow("hour 25") << "25 30"
                                 << "''25:9:0'' is not a valid time." << QTime(12, 9);
        QTest::newRow("no minute") << "3 "
                                   << "'' is not a valid integer value." << QTime(3, 9);
    }

    void errorsKeepTheDialogOpen()
    {
        QFETCH(QString, typed);
        QFETCH(QString, report);
        QFETCH(QTime, alarm);
        open(QTime(8, 0));
        form->minuteedit->setText(typed.section(' ', 1, 1));
        typeInto(form->houredit, typed.section(' ', 0, 0));
        QTest::mouseClick(form->SetButton, Qt::LeftButton);
        QCOMPARE(reports, QStringList { report });
        QCOMPARE(clock->AlarmTime(), alarm); // an hour written before the error stays
        QVERIFY(form->isVisible());
    }

    void messageFieldAndEnter()
    {
        open(QTime(8, 0));
        QCOMPARE(form->AlarmEdit->text(), QStringLiteral("YOUR MESSAGE HERE"));
        typeInto(form->houredit, "9");
        typeInto(form->AlarmEdit, "wake up, it's ");
        QCOMPARE(form->AlarmEdit->text(), QStringLiteral("WAKE UP, IT'S "));
        QTest::keyClicks(form->AlarmEdit, QString(40, QLatin1Char('z')));
        QCOMPARE(form->AlarmEdit->text().size(), TSetAlarmForm::MessageLength);
        QVERIFY(form->AlarmEdit->text().endsWith(QStringLiteral("ZZZ")));

        QTest::keyClick(form->AlarmEdit, Qt::Key_Return);
        QCOMPARE(clock->AlarmHour(), 9);
        QVERIFY(form->isHidden());
    }

    void reopeningKeepsTheFieldsAndChoosesTheDayHalfAgain()
    {
        open(QTime(0, 20));
        QCOMPARE(form->houredit->text(), QStringLiteral("12")); // not 0
        QCOMPARE(form->minuteedit->text(), QStringLiteral("20"));
        QVERIFY(form->amradio->isChecked());
        form->hide();
        QTRY_VERIFY(!QGuiApplication::focusWindow());

        form->minuteedit->clear();
        open(QTime(19, 5));
        QCOMPARE(form->houredit->text(), QStringLiteral("12"));
        QCOMPARE(form->minuteedit->text(), QStringLiteral("5"));
        QVERIFY(form->pmradio->isChecked());
        QVERIFY(!form->amradio->isChecked());

        // A click on the "AM" label itself changes nothing.
        QTest::mouseClick(form->fcLabel1, Qt::LeftButton);
        QVERIFY(form->pmradio->isChecked());
    }

    void setButtonLightsUnderThePointer()
    {
        open(QTime(8, 0));
        QCOMPARE(form->SetButton->fontColor(), clYellow);
        QTest::mouseMove(form->SetButton, form->SetButton->rect().center());
        QTRY_COMPARE(form->SetButton->fontColor(), clBlue);
        QTest::mouseMove(form.get(), QPoint(92, 180));
        QTRY_COMPARE(form->SetButton->fontColor(), clYellow);
    }
};

int main(int argc, char **argv)
{
    // A 12-hour locale unless the run names another: 24-hour desktops choose the day half too.
    const QByteArray locale = qgetenv("LUMISNAP_TEST_LOCALE");
    qputenv("LC_ALL", locale.isEmpty() ? QByteArray("en_US.UTF-8") : locale);
    QApplication app(argc, argv);
    TestSetAlarm test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_setalarm.moc"
