// The start-up sequence in a real window system: the splash alone for two seconds,
// then the main window, centred and shaped, with a second splash over it.
#include "app/Application.h"
#include "app/Startup.h"
#include "app/TSplashForm.h"
#include "mainform/TMainForm.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace lumisnap;

namespace {

struct Observation
{
    bool mainVisibleDuringSplash = true;
    bool splashVisibleAtStart = false;
    bool splashOnTop = false;
    QPointer<TSplashForm> firstSplash;
    bool firstSplashGoneAfterwards = false;
    bool secondSplashOverMain = false;
    bool secondSplashClosed = false;
    qint64 mainShownAfterMs = -1;
    bool mainCentred = false;
    qint64 mainIcon = 0;
    QString currentFileWhenRunning = QStringLiteral("unset");
};

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void splashThenMainWindowThenSecondSplash()
    {
        Observation seen;
        QElapsedTimer clock;
        clock.start();

        QTimer::singleShot(1000, [&] {
            seen.mainVisibleDuringSplash = MainForm && MainForm->isVisible();
            seen.firstSplash = SplashForm;
            seen.splashVisibleAtStart = SplashForm && SplashForm->isVisible();
            seen.splashOnTop
                = SplashForm && SplashForm->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        });
        // Polls until the main window shows; checks its place and its splash.
        auto *poll = new QTimer(qApp);
        connect(poll, &QTimer::timeout, [&, poll] {
            if (!MainForm || !MainForm->isVisible())
                return;
            poll->stop();
            seen.mainShownAfterMs = clock.elapsed();
            seen.currentFileWhenRunning = CurrentFile;
            seen.mainIcon = MainForm->windowIcon().cacheKey();
            const QRect screen = QGuiApplication::primaryScreen()->geometry();
            seen.mainCentred
                = (MainForm->frameGeometry().center() - screen.center()).manhattanLength() <= 2;
            seen.secondSplashOverMain
                = SplashForm && SplashForm != seen.firstSplash && SplashForm->isVisible();
            QTimer::singleShot(
                500, [&] { seen.firstSplashGoneAfterwards = seen.firstSplash.isNull(); });
            QTimer::singleShot(2500, [&] {
                seen.secondSplashClosed = !SplashForm || !SplashForm->isVisible();
                MainForm->close();
            });
        });
        poll->start(20);

        Application &app = *static_cast<Application *>(qApp);
        QCOMPARE(runStartup(app), 0);

        QVERIFY(seen.splashVisibleAtStart);
        QVERIFY(seen.splashOnTop);
        QVERIFY(!seen.mainVisibleDuringSplash);
        QVERIFY2(seen.mainShownAfterMs >= 1900, qPrintable(QString::number(seen.mainShownAfterMs)));
        QVERIFY(seen.mainCentred);
        QCOMPARE(seen.mainIcon, qApp->windowIcon().cacheKey());
        QCOMPARE(qApp->windowIcon().availableSizes().size(), 3);
        QCOMPARE(seen.currentFileWhenRunning, QString());
        QVERIFY(seen.secondSplashOverMain);
        QVERIFY(seen.firstSplashGoneAfterwards);
        QVERIFY(seen.secondSplashClosed);
    }

    void splashIsShapedAndCannotBeDragged()
    {
        TSplashForm *splash = createSplashForm();
        splash->showCentered();
        QVERIFY(QTest::qWaitForWindowExposed(splash));
        QVERIFY(!splash->mask().isEmpty());
        QVERIFY(!splash->mask().contains(QPoint(0, 0)));
        const QPoint before = splash->pos();
        const QPoint grab = splash->mask().boundingRect().center();
        QTest::mousePress(splash, Qt::LeftButton, {}, grab);
        for (int step = 1; step <= 5; ++step)
            QTest::mouseMove(splash, grab + QPoint(step * 40, step * 20));
        QTest::mouseRelease(splash, Qt::LeftButton, {}, grab + QPoint(200, 100));
        QCOMPARE(splash->pos(), before);
        splash->close();
    }
};

int main(int argc, char **argv)
{
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toUtf8());
    Application app(argc, argv);
    TestStartup test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_startup.moc"
