// The tick timer: where its ticks run, when its thread waits, how it dies with a tick
// in flight, and where the errors of a tick go.
#include "clock/TRxTimer.h"
#include "clock/TTimerThread.h"
#include "common/Error.h"
#include "common/ErrorReport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <limits>
#include <memory>

using namespace lumisnap;

namespace {

constexpr quint32 Fast = 2;

// Waits, without running the event loop, until the timer thread has handed a tick over.
bool waitForWaitingTick(const TRxTimer &timer)
{
    const QDeadlineTimer deadline(10000);
    while (!timer.TimerThread().TickWaiting()) {
        if (deadline.hasExpired())
            return false;
        QThread::yieldCurrentThread();
    }
    return true;
}

} // namespace

class TestTickTimer : public QObject
{
    Q_OBJECT

private slots:
    void ticksRunOnTheUserInterfaceThread()
    {
        TRxTimer timer;
        timer.setInterval(Fast);
        int ticks = 0;
        bool elsewhere = false;
        QObject *sender = nullptr;
        timer.setOnTimer([&](QObject *s) {
            ++ticks;
            sender = s;
            elsewhere
                = elsewhere || QThread::currentThread() != QCoreApplication::instance()->thread();
        });
        QTRY_VERIFY(ticks >= 3);
        QCOMPARE(sender, &timer);
        QVERIFY(!elsewhere);
    }

    void threadWaitsUntilTheTimerCanRun_data()
    {
        QTest::addColumn<quint32>("interval");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("handler");
        QTest::newRow("interval 0") << 0u << true << true;
        QTest::newRow("disabled") << Fast << false << true;
        QTest::newRow("no handler") << Fast << true << false;
    }

    void threadWaitsUntilTheTimerCanRun()
    {
        QFETCH(quint32, interval);
        QFETCH(bool, enabled);
        QFETCH(bool, handler);
        TRxTimer timer;
        int ticks = 0;
        timer.setInterval(interval);
        timer.setEnabled(enabled);
        if (handler)
            timer.setOnTimer([&](QObject *) { ++ticks; });
        QVERIFY(timer.TimerThread().Suspended());
        QCoreApplication::processEvents();
        QCOMPARE(ticks, 0);

        // Mending what was missing starts it.
        timer.setInterval(Fast);
        timer.setEnabled(true);
        timer.setOnTimer([&](QObject *) { ++ticks; });
        QVERIFY(!timer.TimerThread().Suspended());
        QTRY_VERIFY(ticks > 0);
        timer.setOnTimer(nullptr);
        QVERIFY(timer.TimerThread().Suspended());
    }

    void waitingTickIsDroppedWithItsTimer()
    {
        // Many times over, so that every moment of the hand-over meets the destruction.
        int ticks = 0;
        for (int round = 0; round < 50; ++round) {
            auto timer = std::make_unique<TRxTimer>();
            timer->setInterval(1);
            timer->setOnTimer([&](QObject *) { ++ticks; });
            QVERIFY(waitForWaitingTick(*timer));
            timer.reset();
            QCoreApplication::sendPostedEvents();
        }
        QCOMPARE(ticks, 0);
    }

    void intervalZeroStopsATickOnItsWay()
    {
        int ticks = 0;
        for (int round = 0; round < 20; ++round) {
            TRxTimer timer;
            timer.setInterval(1);
            timer.setOnTimer([&](QObject *) { ++ticks; });
            QVERIFY(waitForWaitingTick(timer));
            timer.setInterval(0);
            QCoreApplication::sendPostedEvents();
        }
        QCOMPARE(ticks, 0);
    }

    void tickMayDestroyItsOwnTimer_data()
    {
        QTest::addColumn<bool>("sync");
        QTest::newRow("handed over") << true;
        QTest::newRow("on the timer thread") << false;
    }

    void tickMayDestroyItsOwnTimer()
    {
        QFETCH(bool, sync);
        auto *timer = new TRxTimer;
        std::atomic<bool> gone = false;
        std::atomic<int> ticks = 0;
        connect(timer, &QObject::destroyed, [&] { gone = true; });
        timer->setSyncEvent(sync);
        timer->setInterval(Fast);
        timer->setOnTimer([timer, &ticks](QObject *) {
            ++ticks;
            delete timer;
        });
        QTRY_VERIFY(gone);
        // Its thread ends and is cleared away; nothing ticks again.
        QTest::qWait(20);
        QCOMPARE(ticks.load(), 1);
    }

    void tickErrorsReachTheErrorReport_data()
    {
        QTest::addColumn<bool>("sync");
        QTest::newRow("handed over") << true;
        QTest::newRow("on the timer thread") << false;
    }

    void tickErrorsReachTheErrorReport()
    {
        QFETCH(bool, sync);
        QStringList reports;
        setErrorReporter([&](const QString &text) { reports << text; });
        std::atomic<int> aborts = 0;
        TRxTimer timer;
        timer.setSyncEvent(sync);
        timer.setInterval(Fast);
        timer.setOnTimer([&](QObject *) {
            if (aborts++ % 2 == 0)
                throw EAbort();
            throw EConvertError(QStringLiteral("Tick failed"));
        });
        // The timer goes on after an error; silent aborts stay silent.
        QTRY_VERIFY(reports.size() >= 2);
        timer.setOnTimer(nullptr);
        setErrorReporter(nullptr);
        QCOMPARE(reports.first(), QStringLiteral("Tick failed."));
        QVERIFY(!reports.contains(QStringLiteral("Operation aborted.")));
    }

    void windowTimerMode()
    {
        TRxTimer timer;
        int ticks = 0;
        timer.setInterval(Fast);
        timer.setThreaded(false);
        timer.setOnTimer([&](QObject *) { ++ticks; });
        QVERIFY(timer.WindowTimer() && timer.WindowTimer()->isActive());
        QVERIFY(timer.TimerThread().Suspended());
        QTRY_VERIFY(ticks >= 2);

        timer.setEnabled(false);
        QVERIFY(!timer.WindowTimer()->isActive());
        timer.setThreaded(true);
        QVERIFY(!timer.WindowTimer());
        QVERIFY(timer.TimerThread().Suspended());

        // QTimer counts in a signed int.
        timer.setThreaded(false);
        timer.setEnabled(true);
        try {
            timer.setInterval(quint32(std::numeric_limits<int>::max()) + 1);
            QFAIL("no error");
        } catch (const EOutOfResources &error) {
            QCOMPARE(error.message(), QStringLiteral("Not enough timers available"));
        }
    }
};

QTEST_GUILESS_MAIN(TestTickTimer)

#include "test_ticktimer.moc"
