// The viewer as a user meets it in a real window: clicks with the real pointer
// (xdotool), and what the screen shows after each, pixel by pixel. The screenshots
// are kept in the test output folder.
#include "../mainform/MainFormSandbox.h"
#include "ViewerWindows.h"

#include "FullForm/TFullScreen.h"
#include "FullForm/TPanel.h"
#include "app/Application.h"
#include "app/TSplashForm.h"
#include "mainform/TImage.h"
#include "shell/TPTShellTree.h"
#include "skin/TfcImageBtn.h"
#include "skin/TfcLabel.h"

#include <QDir>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTest>

using namespace lumisnap;

namespace {

sandbox::Home *home = nullptr;

bool near(QColor a, QColor b, int tolerance = 12)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance;
}

void xdotool(const QStringList &arguments)
{
    QProcess::execute(QStringLiteral("xdotool"), arguments);
}

// A press and release of the real pointer at a point of a widget.
void userClick(QWidget *widget, QPoint at)
{
    const QPoint global = widget->mapToGlobal(at) * widget->devicePixelRatio();
    xdotool({ "mousemove", "--sync", QString::number(global.x()), QString::number(global.y()),
        "click", "1" });
}

} // namespace

class TestFullScreenScreen : public QObject
{
    Q_OBJECT

    ViewerWindows windows;
    TMainForm *form = nullptr;
    TFullScreen *viewer = nullptr;

    // The whole screen in device pixels.
    QImage screenshot(const QString &name)
    {
        QTest::qWait(150);
        const QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        const QString folder = qEnvironmentVariable("LUMISNAP_TEST_OUTPUT", QDir::tempPath());
        QDir().mkpath(folder);
        const QString scale = viewer->devicePixelRatio() > 1 ? "-scaled" : "";
        const QString path = folder + "/fullscreen-" + name + scale + ".png";
        shot.save(path);
        qInfo("screenshot: %s", qPrintable(path));
        return shot;
    }

    int scale() const { return int(viewer->devicePixelRatio()); }

    // Where a point of a widget lies in a screenshot.
    static QPoint onScreen(const QWidget *widget, QPoint at)
    {
        return widget->mapToGlobal(at) * widget->devicePixelRatio();
    }

    void pickPhoto(int row, int count = 12)
    {
        auto *model = form->DirectoryListBox1->model();
        const QModelIndexList found = model->match(model->index(0, 0), Qt::DisplayRole,
            QStringLiteral("Holiday"), 1, Qt::MatchRecursive | Qt::MatchExactly);
        QVERIFY(!found.isEmpty());
        userClick(form->DirectoryListBox1->viewport(),
            form->DirectoryListBox1->visualRect(found.first()).center());
        QTRY_COMPARE(form->PTShellList1->Count(), count);
        userClick(form->PTShellList1->viewport(),
            form->PTShellList1->visualRect(form->PTShellList1->model()->index(row, 0)).center());
        QTRY_COMPARE(form->PicLabel->caption(), TMainForm::positionText(row, count));
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
        pickPhoto(1);
        userClick(form->PicImage, form->PicImage->rect().center());
        QTRY_VERIFY(viewer->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(viewer));
        QCOMPARE(viewer->geometry(), viewer->screen()->geometry());

        // The picture at the top-left, 1:1, then the background colour of the preview.
        QImage shot = screenshot("opened");
        const QPoint picture = onScreen(viewer->PicImage, { 0, 0 });
        QVERIFY(near(shot.pixelColor(picture + QPoint(30, 20)), sandbox::photoColour(2)));
        QVERIFY(near(shot.pixelColor(picture + QPoint(59, 39)), sandbox::photoColour(2)));
        QVERIFY(near(shot.pixelColor(picture + QPoint(61, 20)), Qt::black));
        QCOMPARE(viewer->Panel1->caption(), QString("Picture # 2 of 12"));
        const QString status = viewer->StatusBar1->currentMessage();
        QVERIFY2(status.startsWith(" /")
                && status.endsWith("/DESKTOP/HOLIDAY/PHOTO02.BMP  (File Size - "
                    + QString::number(QFileInfo(CurrentFile).size()) + " Bytes)"),
            qPrintable(status));

        // The arrows are arrow-shaped: the panel shows just outside them.
        const QColor panel = toQColor(clBtnFace);
        const QColor arrow(30, 81, 182);
        QVERIFY(near(shot.pixelColor(onScreen(viewer->NextButton, { 3, 8 })), arrow, 30));
        QVERIFY(near(shot.pixelColor(onScreen(viewer->BackButton, { 70, 8 })), arrow, 30));
        for (TfcImageBtn *button : { viewer->BackButton, viewer->NextButton })
            QVERIFY(near(shot.pixelColor(onScreen(button, { 37, 1 })), panel, 4));
        QVERIFY(near(shot.pixelColor(onScreen(viewer->NextButton, { 74, 1 })), panel, 4));
        QVERIFY(
            near(shot.pixelColor(onScreen(viewer->NextButton, { 74, 12 })), QColor(12, 28, 72)));
        QVERIFY(near(shot.pixelColor(onScreen(viewer->BackButton, { 0, 1 })), panel, 4));

        // Held down, the arrow moves 2 right and down inside its unchanged outline.
        const QPoint next = onScreen(viewer->NextButton, { 0, 0 });
        xdotool({ "mousemove", "--sync", QString::number(next.x() + 20 * scale()),
            QString::number(next.y() + 12 * scale()), "mousedown", "1" });
        QTRY_VERIFY(viewer->NextButton->Down());
        shot = screenshot("pressed");
        QVERIFY(near(shot.pixelColor(onScreen(viewer->NextButton, { 0, 12 })), Qt::black));
        QVERIFY(near(shot.pixelColor(onScreen(viewer->NextButton, { 74, 1 })), panel, 4));
        xdotool({ "mouseup", "1" });
        QTRY_COMPARE(viewer->Panel1->caption(), QString(" Picture # 3 of 12"));
        shot = screenshot("next");
        QVERIFY(near(shot.pixelColor(picture + QPoint(30, 20)), sandbox::photoColour(3)));
        QVERIFY(viewer->StatusBar1->currentMessage().endsWith(
            "/DESKTOP/HOLIDAY/PHOTO03.BMP File Size - "
            + form->PTShellList1->SelectedData()->SizeText()));
        QCOMPARE(form->PicLabel->caption(), QString("3 of 12"));

        userClick(viewer->BackButton, { 50, 12 });
        userClick(viewer->BackButton, { 50, 12 });
        QTRY_COMPARE(viewer->Panel1->caption(), QString(" Picture # 1 of 12"));
        // At the first picture PREV does nothing.
        userClick(viewer->BackButton, { 50, 12 });
        QTest::qWait(100);
        QCOMPARE(viewer->Panel1->caption(), QString(" Picture # 1 of 12"));
        shot = screenshot("first");
        QVERIFY(near(shot.pixelColor(picture + QPoint(30, 20)), sandbox::photoColour(1)));

        // A click on the picture hides the viewer; the main window shows where it stopped.
        userClick(viewer->PicImage, { 10, 10 });
        QTRY_VERIFY(!viewer->isVisible());
        QCOMPARE(form->PicLabel->caption(), QString("1 of 12"));
        QVERIFY(CurrentFile.endsWith("photo01.bmp"));
        QTest::qWait(150);
        const QImage main = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        QVERIFY(near(main.pixelColor(onScreen(form->PicImage, form->PicImage->rect().center())),
            sandbox::photoColour(1)));
    }

    void largePictureScrollsFromItsTopLeft()
    {
        const QSize screen = form->screen()->size() * form->devicePixelRatio();
        QImage big(screen + QSize(200, 150), QImage::Format_RGB32);
        big.fill(Qt::darkGreen);
        big.setPixelColor(0, 0, Qt::red);
        const QString path = home->path("Desktop/Holiday/aa_big.bmp");
        QVERIFY(big.save(path));
        pickPhoto(0, 13);
        QVERIFY(CurrentFile.endsWith("aa_big.bmp"));
        userClick(form->PicImage, { 5, 5 });
        QTRY_VERIFY(viewer->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(viewer));
        const QImage shot = screenshot("large");
        QCOMPARE(shot.pixelColor(0, 0), QColor(Qt::red));
        QVERIFY(near(shot.pixelColor(1, 1), Qt::darkGreen));
        QVERIFY(!viewer->PicImage->Center());
        userClick(viewer->PicImage, { 40, 40 });
        QTRY_VERIFY(!viewer->isVisible());
        QFile::remove(path);
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
