// The drive scan as a user sees it, in a real window: the busy indicator playing while
// the scan runs, the count message answered with OK, the sorted list over the file list
// with the first picture shown, a click on another row, and the way back. The
// screenshots are kept in the test output folder.
#include "ScanSandbox.h"
#include "ScreenShot.h"

#include "FullForm/TFullScreen.h"
#include "app/Application.h"
#include "app/TSplashForm.h"
#include "controls/TImage.h"
#include "controls/TListBox.h"
#include "picture/TRxGIFAnimator.h"
#include "shell/controls/TPTShellTree.h"
#include "skin/TfcLabel.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <QTimer>

using namespace lumisnap;
using lumisnap::test::keepScreenshot;
using lumisnap::test::near;

namespace {

sandbox::Drives *drives = nullptr;

constexpr QRect Indicator(77, 327, 78, 22);
constexpr QPoint PreviewCentre(43 + 108, 35 + 81);
constexpr QPoint ListTopLeft(324 + 4, 212 + 4);

} // namespace

class TestMainFormScanScreen : public QObject
{
    Q_OBJECT

    std::unique_ptr<TMainForm> form;
    std::unique_ptr<TFullScreen> fullScreen;

    // What the screen shows over the window, not what the widget would paint.
    QImage screenshot(const QString &name)
    {
        QTest::qWait(100);
        return keepScreenshot(
            QGuiApplication::primaryScreen()
                ->grabWindow(0, form->x(), form->y(), form->width(), form->height())
                .toImage(),
            "scan-" + name);
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

    void clickScanLabel()
    {
        QTest::mouseClick(form->ScanLabel, Qt::LeftButton, {}, form->ScanLabel->rect().center());
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
        ScanMode = 0;
    }

    void scanShowDriveAndBack()
    {
        clickTreeFolder("Forty");
        QTRY_COMPARE(form->PTShellList1->Count(), 40);

        // In the scan's first drain of events: two looks at the indicator, frames apart.
        QImage busyBefore;
        QImage busyAfter;
        QTimer::singleShot(0, this, [&] {
            busyBefore = screenshot("busy-1");
            const int frame = form->Image1->FrameIndex();
            QTRY_VERIFY(form->Image1->FrameIndex() != frame);
            busyAfter = screenshot("busy-2");
        });
        // The count message, answered as a user would.
        QString message;
        QString caption;
        QTimer answer;
        connect(&answer, &QTimer::timeout, this, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            answer.stop();
            message = box->text();
            caption = box->windowTitle();
            QTest::qWait(100);
            keepScreenshot(
                QGuiApplication::primaryScreen()->grabWindow(0).toImage(), "scan-count-message");
            QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        });
        answer.start(20);
        clickScanLabel();

        QVERIFY(!busyBefore.isNull() && !busyAfter.isNull());
        QVERIFY(busyBefore.copy(Indicator) != busyAfter.copy(Indicator));
        QCOMPARE(message, "40 Files Found in Drive " + drives->forty + "/");
        QCOMPARE(caption, QString("Lumisnap"));

        // The sorted list over the file list, the alphabetically first picture shown.
        QImage shot = screenshot("list");
        QVERIFY(form->ScanListBox->isVisible());
        QVERIFY(!form->Image1->isVisible());
        QCOMPARE(form->PicLabel->caption(), QString("1 of 40"));
        QVERIFY(near(shot.pixelColor(PreviewCentre), sandbox::photoColour(0)));
        QVERIFY(shot.pixelColor(ListTopLeft) != QColor(Qt::black)); // the selected row

        // A click on the fourth row shows its picture.
        const QRect row = form->ScanListBox->itemRect(3);
        QTest::mouseClick(
            form->ScanListBox->viewport(), Qt::LeftButton, {}, QPoint(20, row.center().y()));
        shot = screenshot("row-4");
        QCOMPARE(form->PicLabel->caption(), QString("4 of 40"));
        QVERIFY(near(shot.pixelColor(PreviewCentre), sandbox::photoColour(3)));

        // "SHOW DRIVE": the file list is back, the preview keeps the picture.
        clickScanLabel();
        shot = screenshot("file-list");
        QCOMPARE(form->ScanLabel->caption(), QString("SCAN DRIVE"));
        QVERIFY(!form->ScanListBox->isVisible());
        QVERIFY(form->PTShellList1->isVisible());
        QVERIFY(near(shot.pixelColor(PreviewCentre), sandbox::photoColour(3)));
    }
};

int main(int argc, char **argv)
{
    sandbox::Drives sandboxDrives;
    drives = &sandboxDrives;
    Application app(argc, argv);
    drives->install();
    TestMainFormScanScreen test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_mainform_scan_screen.moc"
