// The viewer as a user meets it in a real window: clicks with the real pointer
// (xdotool), and what the screen shows after each, pixel by pixel. The screenshots
// are kept in the test output folder.
#include "../mainform/MainFormSandbox.h"
#include "ScreenShot.h"
#include "ViewerWindows.h"

#include "app/Application.h"
#include "controls/TImage.h"
#include "controls/TPanel.h"
#include "controls/TScrollBox.h"
#include "shell/controls/TPTShellTree.h"
#include "skin/TfcImageBtn.h"
#include "skin/TfcLabel.h"

#include <QDir>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QStatusBar>

using namespace lumisnap;
using lumisnap::test::keepScreenshot;
using lumisnap::test::near;

namespace {

sandbox::Home *home = nullptr;

// Where a point of a widget lies on the screen, in device pixels.
QPoint onScreen(const QWidget *widget, QPoint at)
{
    return widget->mapToGlobal(at) * widget->devicePixelRatio();
}

// The real pointer moved onto a point of a widget, then the given button actions.
void pointer(const QWidget *widget, QPoint at, const QStringList &actions = { "click", "1" })
{
    const QPoint global = onScreen(widget, at);
    QProcess::execute(QStringLiteral("xdotool"),
        QStringList {
            "mousemove", "--sync", QString::number(global.x()), QString::number(global.y()) }
            + actions);
}

} // namespace

class TestFullScreenScreen : public QObject
{
    Q_OBJECT

    ViewerWindows windows;
    TMainForm *form = nullptr;
    TFullScreen *viewer = nullptr;

    QImage screenshot(const QString &name)
    {
        QTest::qWait(150);
        return keepScreenshot(QGuiApplication::primaryScreen()->grabWindow(0).toImage(),
            QStringLiteral("fullscreen-%1-x%2").arg(name).arg(viewer->devicePixelRatio()));
    }

    void openOnHolidayRow(int row, int count)
    {
        auto *model = form->DirectoryListBox1->model();
        const QModelIndexList found = model->match(model->index(0, 0), Qt::DisplayRole, "Holiday",
            1, Qt::MatchRecursive | Qt::MatchExactly);
        QVERIFY(!found.isEmpty());
        pointer(form->DirectoryListBox1->viewport(),
            form->DirectoryListBox1->visualRect(found.first()).center());
        QTRY_COMPARE(form->PTShellList1->Count(), count);
        pointer(form->PTShellList1->viewport(),
            form->PTShellList1->visualRect(form->PTShellList1->model()->index(row, 0)).center());
        QTRY_COMPARE(form->PicLabel->caption(), TMainForm::positionText(row, count));
        pointer(form->PicImage, { 2, 2 });
        QTRY_VERIFY(viewer->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(viewer));
        QCOMPARE(viewer->geometry(), viewer->screen()->geometry());
    }

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable("xdotool").isEmpty())
            QSKIP("xdotool is not installed");
    }

    void init()
    {
        windows.open();
        form = windows.form.get();
        viewer = windows.viewer.get();
    }

    void cleanup() { windows.close(); }

    void stepThroughTheFileListAndBack()
    {
        openOnHolidayRow(1, 12);
        // The picture 1:1 at the top-left over the preview's background colour.
        QImage shot = screenshot("opened");
        const QPoint picture = onScreen(viewer->PicImage, { 0, 0 });
        QVERIFY(near(shot.pixelColor(picture + QPoint(30, 20)), sandbox::photoColour(2)));
        QVERIFY(near(shot.pixelColor(picture + QPoint(59, 39)), sandbox::photoColour(2)));
        QVERIFY(near(shot.pixelColor(picture + QPoint(61, 20)), Qt::black));
        QVERIFY(viewer->StatusBar1->currentMessage().endsWith(
            "/DESKTOP/HOLIDAY/PHOTO02.BMP  (File Size - "
            + QString::number(QFileInfo(CurrentFile).size()) + " Bytes)"));

        // The arrows are arrow-shaped: the panel shows just outside them.
        const QColor panel = toQColor(clBtnFace);
        const QColor arrow(30, 81, 182);
        QVERIFY(near(shot.pixelColor(onScreen(viewer->NextButton, { 3, 8 })), arrow, 30));
        QVERIFY(near(shot.pixelColor(onScreen(viewer->BackButton, { 70, 8 })), arrow, 30));
        QVERIFY(near(shot.pixelColor(onScreen(viewer->NextButton, { 74, 1 })), panel, 4));
        QVERIFY(near(shot.pixelColor(onScreen(viewer->NextButton, { 37, 1 })), panel, 4));
        QVERIFY(near(shot.pixelColor(onScreen(viewer->BackButton, { 0, 1 })), panel, 4));

        // Held down, the arrow moves 2 right and down inside its unchanged outline.
        pointer(viewer->NextButton, { 20, 12 }, { "mousedown", "1" });
        QTRY_VERIFY(viewer->NextButton->Down());
        shot = screenshot("pressed");
        QVERIFY(near(shot.pixelColor(onScreen(viewer->NextButton, { 0, 12 })), Qt::black));
        QVERIFY(near(shot.pixelColor(onScreen(viewer->NextButton, { 74, 1 })), panel, 4));
        QProcess::execute("xdotool", { "mouseup", "1" });
        QTRY_COMPARE(viewer->Panel1->caption(), QString(" Picture # 3 of 12"));
        shot = screenshot("next");
        QVERIFY(near(shot.pixelColor(picture + QPoint(30, 20)), sandbox::photoColour(3)));

        for (int click = 0; click < 3; ++click)
            pointer(viewer->BackButton, { 50, 12 });
        QTRY_COMPARE(viewer->Panel1->caption(), QString(" Picture # 1 of 12"));
        shot = screenshot("first");
        QVERIFY(near(shot.pixelColor(picture + QPoint(30, 20)), sandbox::photoColour(1)));

        // A click on the picture hides the viewer; the main window shows where it stopped.
        pointer(viewer->PicImage, { 10, 10 });
        QTRY_VERIFY(!viewer->isVisible());
        QCOMPARE(form->PicLabel->caption(), QString("1 of 12"));
        QTest::qWait(150);
        const QImage main = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        QVERIFY(near(main.pixelColor(onScreen(form->PicImage, form->PicImage->rect().center())),
            sandbox::photoColour(1)));
    }

    void largePictureScrollsFromItsTopLeft()
    {
        QImage big(form->screen()->size() * form->devicePixelRatio() + QSize(200, 150),
            QImage::Format_RGB32);
        big.fill(Qt::darkGreen);
        big.setPixelColor(0, 0, Qt::red);
        const QString path = home->path("Desktop/Holiday/aa_big.bmp");
        QVERIFY(big.save(path));
        openOnHolidayRow(0, 13);
        const QImage shot = screenshot("large");
        QFile::remove(path);
        QCOMPARE(shot.pixelColor(0, 0), QColor(Qt::red));
        QVERIFY(near(shot.pixelColor(1, 1), Qt::darkGreen));
        QVERIFY(!viewer->PicImage->Center());
    }
};

int main(int argc, char **argv)
{
    sandbox::Home sandboxHome;
    home = &sandboxHome;
    Application app(argc, argv);
    TestFullScreenScreen test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_fullscreen_screen.moc"
