// The skinned windows under a Wayland compositor, where a window mask limits only
// input: on the screen, each window shows its skin and, outside the skin's outline,
// the desktop behind it.
#include "ScreenShot.h"
#include "mainform/MainFormSandbox.h"

#include "app/Application.h"
#include "app/TSplashForm.h"
#include "setalarm/TSetAlarmForm.h"
#include "skin/TfcImageForm.h"

#include <QDir>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace lumisnap;

namespace {

// What the compositor shows, by its screenshot tool.
QImage takeScreenshot()
{
    QTemporaryDir dir;
    QProcess shooter;
    shooter.setWorkingDirectory(dir.path());
    shooter.start(QStringLiteral("weston-screenshooter"), {});
    if (!shooter.waitForFinished(10000) || shooter.exitCode() != 0)
        return {};
    const QStringList shots = QDir(dir.path()).entryList({ QStringLiteral("*.png") });
    return shots.isEmpty() ? QImage() : QImage(dir.filePath(shots.first()));
}

// The screen once it has settled: two screenshots in a row alike, the first one
// accepted by ready.
QImage settledScreenshot(const std::function<bool(const QImage &)> &ready)
{
    QImage previous;
    for (int attempt = 0; attempt < 50; ++attempt) {
        QTest::qWait(100);
        const QImage shot = takeScreenshot();
        if (!shot.isNull() && shot == previous && ready(shot))
            return shot;
        previous = shot;
    }
    return {};
}

QRect changedArea(const QImage &shot, const QImage &desktop)
{
    QRect area;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (shot.pixel(x, y) != desktop.pixel(x, y))
                area |= QRect(x, y, 1, 1);
    return area;
}

} // namespace

class TestWaylandShapes : public QObject
{
    Q_OBJECT

    QImage desktop;

    QImage waitForDesktop()
    {
        return settledScreenshot([this](const QImage &shot) {
            return desktop.isNull() ? shot.pixel(shot.rect().center()) != qRgb(0, 0, 0)
                                    : shot == desktop;
        });
    }

    // Shows the window, finds where the compositor put it, and checks every pixel of
    // its rectangle: desktop outside the region, never desktop inside.
    void checkShownShape(QWidget *window, const TfcImageForm *skin, const QString &name)
    {
        QVERIFY(skin->region().has_value());
        const QRegion region = *skin->region();
        const QImage shot = settledScreenshot([this](const QImage &s) { return s != desktop; });
        QVERIFY(!shot.isNull());
        test::keepScreenshot(shot, QStringLiteral("wayland-") + name);

        // Only the window changed the screen, and its outline's corners are opaque.
        const QRect changed = changedArea(shot, desktop);
        QCOMPARE(changed.size(), region.boundingRect().size());
        const QPoint origin = changed.topLeft() - region.boundingRect().topLeft();

        int desktopInside = 0;
        int skinOutside = 0;
        const QRect onScreen = QRect(origin, window->size()) & shot.rect();
        for (int y = onScreen.top(); y <= onScreen.bottom(); ++y) {
            for (int x = onScreen.left(); x <= onScreen.right(); ++x) {
                const bool same = shot.pixel(x, y) == desktop.pixel(x, y);
                if (region.contains(QPoint(x, y) - origin))
                    desktopInside += same;
                else
                    skinOutside += !same;
            }
        }
        QCOMPARE(skinOutside, 0);
        QCOMPARE(desktopInside, 0);
    }

private slots:
    void initTestCase()
    {
        if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
            QSKIP("needs a Wayland session (tests/weston-run.sh starts one)");
        desktop = waitForDesktop();
        QVERIFY2(!desktop.isNull(), "weston-screenshooter took no screenshot");
    }

    void splashShowsOnlyItsLettering()
    {
        TSplashForm *splash = createSplashForm();
        splash->Timer1->stop();
        splash->showCentered();
        QVERIFY(QTest::qWaitForWindowExposed(splash));
        checkShownShape(splash, splash->fcImageForm1, QStringLiteral("splash"));
        splash->close();
        QVERIFY(!waitForDesktop().isNull());
    }

    void alarmDialogShowsOnlyItsSkin()
    {
        TSetAlarmForm dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        checkShownShape(&dialog, dialog.fcImageForm1, QStringLiteral("alarm"));
        dialog.close();
        QVERIFY(!waitForDesktop().isNull());
    }

    void mainWindowShowsOnlyItsSkin()
    {
        TMainForm form;
        form.showCentered();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        // The splash over it is a window of its own; it goes first.
        QVERIFY(SplashForm);
        QCOMPARE(SplashForm->windowHandle()->transientParent(), form.windowHandle());
        SplashForm->close();
        checkShownShape(&form, form.fcImageForm1, QStringLiteral("main"));
        form.close();
        QVERIFY(!waitForDesktop().isNull());
    }
};

int main(int argc, char **argv)
{
    sandbox::Home home;
    Application app(argc, argv);
    TestWaylandShapes test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_wayland_shapes.moc"
