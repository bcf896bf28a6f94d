// The main window as a user sees it, in a real window: clicks on the tree and the
// list, and what the preview shows in each display mode, pixel by pixel. The
// screenshots are kept in the test output folder.
#include "MainFormSandbox.h"
#include "ScreenShot.h"

#include "FullForm/TFullScreen.h"
#include "app/Application.h"
#include "app/TSplashForm.h"
#include "controls/TImage.h"
#include "controls/TScrollBox.h"
#include "shell/controls/TPTShellTree.h"
#include "skin/TfcLabel.h"

#include <QDir>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTest>

using namespace lumisnap;
using lumisnap::test::keepScreenshot;
using lumisnap::test::near;

namespace {

sandbox::Home *home = nullptr;

constexpr QPoint PreviewOrigin(43, 35);
constexpr QSize PreviewSize(216, 162);

} // namespace

class TestMainFormScreen : public QObject
{
    Q_OBJECT

    std::unique_ptr<TMainForm> form;
    std::unique_ptr<TFullScreen> fullScreen;

    QImage screenshot(const QString &name)
    {
        // What the screen shows, not what the widget would paint: the window's shape
        // and everything stacked over it count.
        QTest::qWait(100);
        return keepScreenshot(
            QGuiApplication::primaryScreen()
                ->grabWindow(0, form->x(), form->y(), form->width(), form->height())
                .toImage(),
            "mainform-" + name);
    }

    QColor previewPixel(const QImage &shot, int x, int y)
    {
        return shot.pixelColor(PreviewOrigin + QPoint(x, y));
    }

    void clickTreeFolder(const QString &name)
    {
        auto *model = form->DirectoryListBox1->model();
        const QModelIndexList found = model->match(
            model->index(0, 0), Qt::DisplayRole, name, 1, Qt::MatchRecursive | Qt::MatchExactly);
        QVERIFY2(!found.isEmpty(), qPrintable(name));
        const QRect rect = form->DirectoryListBox1->visualRect(found.first());
        QTest::mouseClick(form->DirectoryListBox1->viewport(), Qt::LeftButton, {}, rect.center());
    }

    void clickListRow(int row)
    {
        auto *model = form->PTShellList1->model();
        const QRect rect = form->PTShellList1->visualRect(model->index(row, 0));
        QTest::mouseClick(form->PTShellList1->viewport(), Qt::LeftButton, {}, rect.center());
    }

private slots:
    void init()
    {
        form = std::make_unique<TMainForm>();
        fullScreen = std::make_unique<TFullScreen>();
        FullScreen = fullScreen.get();
        form->showCentered();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        if (SplashForm)
            SplashForm->close();
    }

    void cleanup()
    {
        FullScreen = nullptr;
        fullScreen.reset();
        form.reset();
    }

    void windowTakesTheShapeOfItsSkin()
    {
        const QRegion mask = form->mask();
        QVERIFY(!mask.isEmpty());
        QVERIFY(!mask.contains(QPoint(0, 0))); // black corner of the skin
        QVERIFY(mask.contains(QPoint(150, 100))); // the monitor
        QVERIFY(mask.contains(QPoint(400, 100))); // the folder panel
        QCOMPARE(form->size(), QSize(556, 431));
    }

    void browsePickAndPreviewInEveryMode()
    {
        clickTreeFolder("Holiday");
        QTRY_COMPARE(form->PTShellList1->Count(), 12);
        clickListRow(2);
        QCOMPARE(form->PicLabel->caption(), QString("3 of 12"));
        QVERIFY(form->NameLabel->caption().startsWith("File Size - "));
        QVERIFY(CurrentFile.endsWith("photo03.bmp"));
        const QColor photo = sandbox::photoColour(3);

        // Centred: a 60 x 40 picture at (78, 61), black around it.
        QImage shot = screenshot("centred");
        QVERIFY(near(previewPixel(shot, 78 + 30, 61 + 20), photo));
        QVERIFY(near(previewPixel(shot, 78 - 3, 61 + 20), Qt::black));
        QVERIFY(near(previewPixel(shot, 10, 10), Qt::black));

        // Stretched: the picture fills the box.
        form->StretchLabelClick();
        shot = screenshot("stretched");
        QVERIFY(near(previewPixel(shot, 2, 2), photo));
        QVERIFY(near(previewPixel(shot, PreviewSize.width() - 3, PreviewSize.height() - 3), photo));

        // Plain: at the top-left corner, the background to its right and below.
        form->StretchLabelClick();
        form->CenterLabelClick();
        shot = screenshot("plain");
        QVERIFY(near(previewPixel(shot, 2, 2), photo));
        QVERIFY(near(previewPixel(shot, 70, 20), Qt::black));
        QVERIFY(near(previewPixel(shot, 20, 50), Qt::black));
        QVERIFY(!form->ScrollBox1->horizontalScrollBar()->isVisible());
    }

    void largePictureScrollsOnlyInPlainMode()
    {
        const int row = sandbox::rowOf(form->PTShellList1, "b_wide.jpg");
        QVERIFY(row >= 0);
        clickListRow(row);
        QCOMPARE(form->PicImage->Picture().width(), 300);
        QImage shot = screenshot("large-centred");
        QVERIFY(near(previewPixel(shot, 5, 5), QColor(0, 160, 0), 20));
        QVERIFY(!form->ScrollBox1->horizontalScrollBar()->isVisible());

        form->CenterLabelClick();
        shot = screenshot("large-plain");
        QVERIFY(form->ScrollBox1->horizontalScrollBar()->isVisible());
        QVERIFY(form->ScrollBox1->verticalScrollBar()->isVisible());
    }

    void backgroundColourShowsAroundThePicture()
    {
        clickTreeFolder("Holiday");
        QTRY_COMPARE(form->PTShellList1->Count(), 12);
        clickListRow(0);
        form->chooseColor = [](const QColor &) { return std::optional<QColor>(Qt::white); };
        form->ColorLabelClick();
        const QImage shot = screenshot("background");
        QVERIFY(near(previewPixel(shot, 5, 5), Qt::white));
        QVERIFY(near(previewPixel(shot, 108, 81), sandbox::photoColour(1)));
    }

    // Another program copies pictures into the shown folder and deletes one: the list
    // follows without a click, and the picture being previewed stays.
    void changesFromOutsideShowWithoutAClick()
    {
        clickTreeFolder("Holiday");
        QTRY_COMPARE(form->PTShellList1->Count(), 12);
        clickListRow(2);
        const QString shown = CurrentFile;
        QStringList copy;
        for (const char *name : { "a_red.bmp", "b_wide.jpg", "d_damaged.jpg" })
            copy << home->path(QStringLiteral("Desktop/") + name);
        QCOMPARE(QProcess::execute("cp", copy << home->path("Desktop/Holiday")), 0);
        QTRY_COMPARE(form->PTShellList1->Count(), 15);
        screenshot("live-copied");
        const QString gone = home->path("Desktop/Holiday/photo05.bmp");
        QCOMPARE(QProcess::execute("rm", { gone }), 0);
        QTRY_COMPARE(form->PTShellList1->Count(), 14);
        QCOMPARE(sandbox::rowOf(form->PTShellList1, "photo05.bmp"), -1);
        QVERIFY(sandbox::rowOf(form->PTShellList1, "d_damaged.jpg") >= 0);
        QCOMPARE(CurrentFile, shown);
        QCOMPARE(form->PTShellList1->SelectedData()->Path(), shown);
        const QImage shot = screenshot("live-deleted");
        QVERIFY(near(previewPixel(shot, 78 + 30, 61 + 20), sandbox::photoColour(3)));
        QVERIFY(near(previewPixel(shot, 78 - 3, 61 + 20), Qt::black));
        for (const char *name : { "a_red.bmp", "b_wide.jpg", "d_damaged.jpg" })
            QFile::remove(home->path(QStringLiteral("Desktop/Holiday/") + name));
        sandbox::writePicture(gone, { 60, 40 }, sandbox::photoColour(5));
    }
};

int main(int argc, char **argv)
{
    sandbox::Home sandboxHome;
    home = &sandboxHome;
    Application app(argc, argv);
    TestMainFormScreen test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_mainform_screen.moc"
