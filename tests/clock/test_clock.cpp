// The clock control: its texts, which cells a tick repaints, the alarm rules over
// days of ticks, the analog face, and the shared screen geometry.
#include "ClockTestTime.h"

#include "clock/ClockGeometry.h"
#include "clock/ClockLocale.h"
#include "common/Error.h"
#include "common/ErrorReport.h"

#include <QApplication>
#include <QPaintEvent>
#include <QTest>

#include <memory>

using namespace lumisnap;

namespace {

// The last region a widget was asked to paint.
struct PaintSpy : QObject
{
    QRegion region;
    int paints = 0;

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            region = static_cast<QPaintEvent *>(event)->region();
            ++paints;
        }
        return false;
    }
};

QString localized(QString text)
{
    text.replace(QLatin1Char(':'), ClockLocale::TimeSeparator());
    text.replace(QStringLiteral("AM"), ClockLocale::TimeAMString());
    text.replace(QStringLiteral("PM"), ClockLocale::TimePMString());
    return text;
}

bool blackNear(const QImage &image, QPoint at)
{
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            if (image.pixel(at + QPoint(dx, dy)) == qRgb(0, 0, 0))
                return true;
        }
    }
    return false;
}

} // namespace

class TestClock : public QObject
{
    Q_OBJECT

    FakeTime fake;

    // A clock on the fake time, with its own timer stopped: the test ticks by hand.
    std::unique_ptr<TRxClock> makeClock()
    {
        auto clock = std::make_unique<TRxClock>();
        clock->Timer()->setEnabled(false);
        fake = FakeTime();
        fake.attach(*clock);
        return clock;
    }

    void tickAt(TRxClock &clock, const QString &time)
    {
        fake.set(time);
        clock.Tick();
        QCoreApplication::sendPostedEvents(&clock, QEvent::MetaCall);
    }

private slots:
    void timeTexts_data()
    {
        QTest::addColumn<QTime>("time");
        QTest::addColumn<bool>("twelveHour");
        QTest::addColumn<bool>("leadingZero");
        QTest::addColumn<bool>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("half past midnight") << QTime(0, 30) << true << false << false << "12:30 AM";
        QTest::newRow("half past noon") << QTime(12, 30) << true << false << false << "12:30 PM";
        QTest::newRow("afternoon") << QTime(13, 5) << true << false << false << "1:05 PM";
        QTest::newRow("main window") << QTime(21, 5, 7) << true << false << true << "9:05:07 PM";
        QTest::newRow("24 hours") << QTime(9, 5, 7) << false << true << true << "09:05:07";
        QTest::newRow("24 hours, short") << QTime(21, 5) << false << false << false << "21:05";
    }

    void timeTexts()
    {
        QFETCH(QTime, time);
        QFETCH(bool, twelveHour);
        QFETCH(bool, leadingZero);
        QFETCH(bool, seconds);
        QFETCH(QString, text);
        auto clock = makeClock();
        clock->setTwelveHour(twelveHour);
        clock->setLeadingZero(leadingZero);
        clock->setShowSeconds(seconds);
        QCOMPARE(clock->FormatTime(time), localized(text));
    }

    void tickRepaintsOnlyTheCellsThatChanged()
    {
        auto clock = makeClock();
        clock->setLeadingZero(false);
        clock->resize(120, 24);
        PaintSpy spy;
        clock->installEventFilter(&spy);
        clock->show();
        QVERIFY(QTest::qWaitForWindowExposed(clock.get()));

        tickAt(*clock, "09:05:07");
        QTRY_COMPARE(spy.region, QRegion(clock->rect()));
        QCoreApplication::processEvents(); // the paints of showing
        TRxClock::DigitLayout digits = clock->ShownDigits();
        QCOMPARE(digits.cells(), 7);
        const auto cells = [&](std::initializer_list<int> indexes) {
            QRegion region;
            for (int i : indexes)
                region += digits.cell(i).adjusted(-1, 0, 1, 0);
            return region;
        };

        int paints = spy.paints;
        tickAt(*clock, "09:05:07.450"); // nothing changed
        tickAt(*clock, "09:05:08");
        QTRY_VERIFY(spy.paints > paints);
        QCOMPARE(spy.region, cells({ 5, 6 }));

        paints = spy.paints;
        tickAt(*clock, "09:06:00");
        QTRY_VERIFY(spy.paints > paints);
        QCOMPARE(spy.region, cells({ 2, 3, 5, 6 }));

        // A two-digit hour needs a cell more: all is repainted.
        tickAt(*clock, "10:00:00");
        QTRY_COMPARE(spy.region, QRegion(clock->rect()));
        QCOMPARE(clock->ShownDigits().cells(), 8);

        // A wall clock set twelve hours on keeps its digits but not its day half.
        clock->setTwelveHour(true);
        QCoreApplication::processEvents();
        paints = spy.paints;
        tickAt(*clock, "22:00:00");
        QTRY_VERIFY(spy.paints > paints);
        QCOMPARE(spy.region, QRegion(clock->rect()));
    }

    void alarmOverDaysOfTicks_data()
    {
        QTest::addColumn<QTime>("alarm");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("setAt");
        QTest::addColumn<QStringList>("ticks");
        QTest::addColumn<QList<int>>("firesAt");
        QTest::newRow("once on the alarm second, daily")
            << QTime(12, 9) << true << "11:00:00"
            << QStringList { "12:08:59.800", "12:09:00.200", "12:09:00.650", "12:09:59.900",
                   "12:10:00.300", "23:59:59.900", "00:00:00.300", "12:08:59.900", "12:09:00.100" }
            << QList<int> { 1, 8 };
        QTest::newRow("already past today: tomorrow")
            << QTime(8, 0) << true << "10:00:00"
            << QStringList { "10:00:01", "23:59:59", "00:00:01", "08:00:00.200", "08:00:00.650" }
            << QList<int> { 3 };
        QTest::newRow("still ahead today")
            << QTime(10, 0, 30) << true << "10:00:10"
            << QStringList { "10:00:10.450", "10:00:29.900", "10:00:30.100", "10:00:45" }
            << QList<int> { 2 };
        QTest::newRow("late tick inside the window")
            << QTime(7, 15, 20) << true << "07:00:00"
            << QStringList { "07:15:19", "07:15:45", "07:15:59.900", "07:16:00" }
            << QList<int> { 1 };
        QTest::newRow("midnight") << QTime(0, 0) << true << "23:59:58"
                                  << QStringList { "23:59:59.900", "00:00:00.300", "00:00:30",
                                         "00:01:00", "23:59:59.900", "00:00:00.100" }
                                  << QList<int> { 1, 5 };
        QTest::newRow("disabled") << QTime(12, 9) << false << "11:00:00"
                                  << QStringList { "12:08:59", "12:09:00", "12:09:30" }
                                  << QList<int> {};
    }

    void alarmOverDaysOfTicks()
    {
        QFETCH(QTime, alarm);
        QFETCH(bool, enabled);
        QFETCH(QString, setAt);
        QFETCH(QStringList, ticks);
        QFETCH(QList<int>, firesAt);
        auto clock = makeClock();
        clock->setAlarmEnabled(enabled);
        fake.set(setAt);
        clock->setAlarmHour(uchar(alarm.hour()));
        clock->setAlarmMinute(uchar(alarm.minute()));
        clock->setAlarmSecond(uchar(alarm.second()));
        QList<int> fired;
        int tick = 0;
        clock->OnAlarm = [&](QObject *sender) {
            QCOMPARE(sender, clock.get());
            fired << tick;
        };
        for (; tick < ticks.size(); ++tick)
            tickAt(*clock, ticks[tick]);
        QCOMPARE(fired, firesAt);
    }

    void invalidAlarmPartLeavesTheAlarm()
    {
        auto clock = makeClock();
        clock->setAlarmHour(12);
        clock->setAlarmMinute(9);
        fake.set("12:09:30"); // the flag stays as it was, though the time is past
        const auto rejects = [&](void (TRxClock::*setter)(uchar), int value, const char *time) {
            try {
                (clock.get()->*setter)(uchar(value));
                QFAIL("no error");
            } catch (const EConvertError &error) {
                QCOMPARE(error.message(),
                    localized(QStringLiteral("''%1'' is not a valid time").arg(time)));
            }
            QCOMPARE(clock->AlarmTime(), QTime(12, 9));
            QVERIFY(clock->AlarmArmed());
        };
        rejects(&TRxClock::setAlarmHour, 24, "24:9:0");
        rejects(&TRxClock::setAlarmMinute, 60, "12:60:0");
        rejects(&TRxClock::setAlarmSecond, 60, "12:9:60");
    }

    void failingAlarmHandlerIsReportedOnce()
    {
        QStringList reports;
        setErrorReporter([&](const QString &text) { reports << text; });
        auto clock = makeClock();
        clock->setAlarmEnabled(true);
        clock->setAlarmHour(12);
        clock->OnAlarm = [](QObject *) { throw EConvertError(QStringLiteral("No alarm today")); };
        for (const char *time : { "12:00:00", "12:00:00.450", "12:00:00.900", "12:00:30" })
            tickAt(*clock, QLatin1String(time));
        setErrorReporter(nullptr);
        QCOMPARE(reports, QStringList { "No alarm today." });
    }

    void fitFont()
    {
        const QSize size(96, 19); // the main window's: a = 15 allows at most 12
        auto clock = makeClock();
        clock->setFont(QFont(QStringLiteral("Liberation Sans"), 30, QFont::Bold));
        clock->setTwelveHour(true);
        clock->resize(size);
        clock->setAutoSize(true);
        // The sample measured at 1000 pixels, scaled to the width less 30; at most four
        // fifths of the height less 4.
        QFont large = clock->font();
        large.setPixelSize(1000);
        const QString am = ClockLocale::TimeAMString(), pm = ClockLocale::TimePMString();
        const QFontMetrics metrics(clock->font());
        const QString sample = QStringLiteral("88888888 ")
            + (metrics.horizontalAdvance(am) > metrics.horizontalAdvance(pm) ? am : pm);
        const int byWidth
            = qRound(1000.0 * (size.width() - 30) / QFontMetrics(large).horizontalAdvance(sample));
        QCOMPARE(clock->font().pixelSize(), std::min(12, byWidth));
    }

    void analogFaceShowsTheTime()
    {
        auto clock = makeClock();
        clock->setShowMode(TRxClock::scAnalog);
        clock->setColor(clWhite);
        clock->setFontColor(clBlack);
        clock->setBevelOuter(TRxClock::bvNone);
        clock->setBevelInner(TRxClock::bvNone);
        clock->setCtl3D(false);
        clock->resize(121, 121);
        tickAt(*clock, "15:00:45");
        const QImage face = clock->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QPoint c = clock->Face().centre;
        const int r = clock->Face().radius;
        QVERIFY(r > 50);
        QVERIFY(blackNear(face, c + QPoint(0, -r))); // the 12 o'clock mark
        QVERIFY(blackNear(face, c + QPoint(0, -r * 78 / 100))); // minute hand's tip
        QVERIFY(blackNear(face, c + QPoint(r * 58 / 100, 0))); // hour hand's tip
        QCOMPARE(face.pixel(c + QPoint(-r / 2, 0)), qRgb(0, 0, 0)); // sweep hand, inverted
        QCOMPARE(face.pixel(c + QPoint(-r / 2, -r / 4)), qRgb(255, 255, 255));

        // The sweep hand moves on alone; the hands stay.
        tickAt(*clock, "15:00:46");
        QCOMPARE(clock->ShownTime(), QTime(15, 0, 46));
    }

    void screenGeometry()
    {
        const ScreenMetrics square = MeasureScreen({ 1280, 1024 }, {}, 96);
        QCOMPARE(square.Hppm, square.Vppm);
        const ScreenMetrics tall = MeasureScreen({ 1000, 1000 }, { 250, 500 }, 96);
        QCOMPARE(tall.Hppm, 400);
        QCOMPARE(tall.Vppm, 200);

        const TDialPoints dial = MakeDialPoints(square);
        QCOMPARE(dial[0].x(), 0);
        QVERIFY(dial[0].y() == -8000 || dial[0].y() == -7999);
        QVERIFY(dial[5].x() == 3999 || dial[5].x() == 4000);
        QCOMPARE(MakeDialPoints(tall)[30].y(), dial[30].y() / 2);
    }

    void hourStepsAndShades()
    {
        QCOMPARE(HourStep(QTime(3, 0)), 15);
        QCOMPARE(HourStep(QTime(15, 59)), 19);
        QCOMPARE(HourStep(QTime(0, 12)), 1);
        QCOMPARE(LighterShade(TRxClock::clTeal), colorFromRgb(0, 255, 255));
        QCOMPARE(LighterShade(clSilver), clWhite);
        QCOMPARE(LighterShade(colorFromRgb(64, 0, 10)), colorFromRgb(191, 0, 137));
        QCOMPARE(LighterShade(clRed), clBtnHighlight);
    }
};

QTEST_MAIN(TestClock)

#include "test_clock.moc"
