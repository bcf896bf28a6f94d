// The clock and its alarm as a user meets them on a real screen: the clock ticking on
// the main window, a click that opens the shaped dialog, an alarm set by typing, and
// its message box, once, while the clock goes on. Screenshots go to the test output.
#include "../clock/ClockTestTime.h"
#include "ScreenShot.h"

#include "app/Application.h"
#include "app/TSplashForm.h"
#include "mainform/TMainForm.h"
#include "setalarm/TSetAlarmForm.h"
#include "skin/TfcLabel.h"

#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace lumisnap;
using lumisnap::test::keepScreenshot;

namespace {

QImage grabScreen(const QRect &area, const QString &name)
{
    return keepScreenshot(QGuiApplication::primaryScreen()
                              ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                              .toImage()
                              .convertToFormat(QImage::Format_RGB32),
        "alarm-" + name);
}

QRect onScreen(const QWidget *widget)
{
    return { widget->mapToGlobal(QPoint(0, 0)), widget->size() };
}

QMessageBox *openMessageBox()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *box = qobject_cast<QMessageBox *>(widget); box && box->isVisible())
            return box;
    }
    return nullptr;
}

// What the alarm's message box showed while it was open.
struct AlarmWatch
{
    int boxes = 0;
    QString text, title;
    int readsAtOpen = 0, ticksWhileOpen = 0;
    bool closed = false;
};

} // namespace

class TestAlarmScreen : public QObject
{
    Q_OBJECT

    std::unique_ptr<TMainForm> mainForm;
    std::unique_ptr<TSetAlarmForm> alarmForm;

private slots:
    void init()
    {
        mainForm = std::make_unique<TMainForm>();
        alarmForm = std::make_unique<TSetAlarmForm>();
        alarmForm->setAlarmClock(mainForm->RxClock1);
        SetAlarmForm = alarmForm.get();
        mainForm->showCentered();
        QVERIFY(QTest::qWaitForWindowExposed(mainForm.get()));
        if (SplashForm)
            SplashForm->close();
    }

    void cleanup()
    {
        SetAlarmForm = nullptr;
        alarmForm.reset();
        mainForm.reset();
    }

    void clockTicksWhiteOnBlack()
    {
        TRxClock *clock = mainForm->RxClock1;
        QCOMPARE(clock->geometry(), QRect(44, 237, 96, 19));
        QTest::qWait(100);
        const QTime first = clock->ShownTime();
        const QImage before = grabScreen(onScreen(clock), "clock-1");
        QTRY_VERIFY(clock->ShownTime() != first); // the wall clock moves on
        QTest::qWait(100);
        const QImage after = grabScreen(onScreen(clock), "clock-2");
        QVERIFY(before != after);

        // Inside the bevels: a black ground with white digits.
        int black = 0, white = 0;
        for (int y = 3; y < after.height() - 3; ++y) {
            for (int x = 3; x < after.width() - 3; ++x) {
                const QColor c = after.pixelColor(x, y);
                black += c.lightness() < 30;
                white += c.lightness() > 220;
            }
        }
        QVERIFY2(black > white * 3 && white > 40,
            qPrintable(QStringLiteral("%1 %2").arg(black).arg(white)));
    }

    void clickOnTheClockSetsTheAlarm()
    {
        TRxClock *clock = mainForm->RxClock1;
        FakeTime fake;
        fake.now = QTime(19, 0);
        fake.attach(*clock);

        QTest::mouseClick(clock, Qt::LeftButton);
        QVERIFY(QTest::qWaitForWindowActive(alarmForm.get()));
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QVERIFY((alarmForm->frameGeometry().center() - screen.center()).manhattanLength() <= 2);
        QVERIFY(!alarmForm->mask().isEmpty());
        QVERIFY(!alarmForm->mask().contains(QPoint(0, 0)));
        QVERIFY(alarmForm->windowFlags().testFlag(Qt::WindowStaysOnTopHint));

        // Tab from field to field, replacing what each holds.
        for (const char *text : { "7", "30", "time for tea" }) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(QApplication::focusWidget(), QLatin1String(text));
            if (QApplication::focusWidget() != alarmForm->AlarmEdit)
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QTest::mouseClick(alarmForm->pmradio, Qt::LeftButton);
        grabScreen(alarmForm->frameGeometry(), "dialog");
        QTest::mouseClick(alarmForm->SetButton, Qt::LeftButton);
        QVERIFY(alarmForm->isHidden());
        QCOMPARE(clock->AlarmTime(), QTime(19, 30));

        // The alarm comes on a tick; its box stays open while ticks go on.
        AlarmWatch watch;
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            QMessageBox *box = openMessageBox();
            if (!box || watch.closed)
                return;
            if (watch.boxes == 0) {
                ++watch.boxes;
                watch.text = box->text();
                watch.title = box->windowTitle();
                watch.readsAtOpen = fake.reads;
                fake.set("19:30:20");
            } else if (fake.reads - watch.readsAtOpen >= 9) {
                grabScreen(box->frameGeometry(), "message");
                watch.ticksWhileOpen = (fake.reads - watch.readsAtOpen) / 3;
                watch.closed = true;
                QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
            }
        });
        poll.start(20);
        fake.set("19:29:59.800");
        const int readsBefore = fake.reads;
        QTRY_VERIFY(fake.reads >= readsBefore + 6);
        QCOMPARE(watch.boxes, 0);
        fake.set("19:30:00.200");
        QTRY_VERIFY_WITH_TIMEOUT(watch.closed, 20000);
        QCOMPARE(watch.text, QStringLiteral("TIME FOR TEA"));
        QCOMPARE(watch.title, QStringLiteral("Lumisnap"));
        QVERIFY(watch.ticksWhileOpen >= 3);

        // Later in the same minute: no second message.
        const int reads = fake.reads;
        QTRY_VERIFY(fake.reads > reads + 9);
        QVERIFY(!openMessageBox());
        QCOMPARE(watch.boxes, 1);
        QCOMPARE(clock->ShownTime(), QTime(19, 30, 20));
    }
};

int main(int argc, char **argv)
{
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toUtf8());
    Application app(argc, argv);
    TestAlarmScreen test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_alarm_screen.moc"
