// The viewer driven as a user drives it, offscreen: clicks on PREV and NEXT, on the
// picture and the background, and the keys; what it shows and what it writes back
// to the main window, for the file list and for the drive scan list.
#include "../mainform/MainFormSandbox.h"
#include "ViewerWindows.h"

#include "FullForm/TFullScreen.h"
#include "FullForm/TPanel.h"
#include "app/Application.h"
#include "app/TSplashForm.h"
#include "common/ErrorReport.h"
#include "mainform/TImage.h"
#include "mainform/TListBox.h"
#include "mainform/TScrollBox.h"
#include "shell/TPTShellTree.h"
#include "skin/TfcImageBtn.h"
#include "skin/TfcLabel.h"

#include <QFileInfo>
#include <QStatusBar>
#include <QTest>

using namespace lumisnap;

namespace {

sandbox::Home *home = nullptr;

// Points inside each arrow, clear of its caption.
constexpr QPoint OnBackArrow(70, 8);
constexpr QPoint OnNextArrow(3, 8);

QString kilobytes(const QString &path)
{
    return QStringLiteral("%1KB").arg((QFileInfo(path).size() + 1023) / 1024);
}

QString bytesStatus(const QString &path)
{
    return QStringLiteral(" %1  (File Size - %2 Bytes)")
        .arg(path.toUpper())
        .arg(QFileInfo(path).size());
}

} // namespace

class TestFullScreen : public QObject
{
    Q_OBJECT

    ViewerWindows windows;
    TMainForm *form = nullptr;
    TFullScreen *viewer = nullptr;
    QStringList reports; // what the event loop would have shown in message boxes

    void openFolder(const QString &relative)
    {
        form->DirectoryListBox1->SelectFolder(sandbox::idListOf(home->path(relative)));
        form->DirectoryListBox1->FlushPending();
    }

    void selectRow(const QString &name)
    {
        const int row = sandbox::rowOf(form->PTShellList1, name);
        QVERIFY2(row >= 0, qPrintable(name));
        form->PTShellList1->SelectItem(row);
        form->PTShellList1Click();
    }

    void openViewer()
    {
        QTest::mouseClick(form->PicImage, Qt::LeftButton, {}, QPoint(2, 2));
        QVERIFY(viewer->isVisible());
    }

    void clickBack() { QTest::mouseClick(viewer->BackButton, Qt::LeftButton, {}, OnBackArrow); }
    void clickNext() { QTest::mouseClick(viewer->NextButton, Qt::LeftButton, {}, OnNextArrow); }

    // The viewer's texts and the main window's labels, which the steps keep in step.
    QStringList texts() const
    {
        return { viewer->Panel1->caption(), viewer->StatusBar1->currentMessage(),
            form->NameLabel->caption(), form->PicLabel->caption(), CurrentFile };
    }

    // A scan list of the given files with one of them selected.
    void fillScanList(const QStringList &relatives, int selected)
    {
        std::vector<QByteArray> paths;
        for (const QString &relative : relatives)
            paths.push_back(QFile::encodeName(home->path(relative)));
        form->ScanListBox->addItems(paths);
        ScanMode = 1;
        form->ScanListBox->setItemIndex(selected);
        if (selected >= 0)
            form->ScanListBoxClick();
        else
            CurrentFile = home->path(relatives.first()); // picked before the scan
    }

private slots:
    void init()
    {
        setErrorReporter([this](const QString &text) { reports << text; });
        windows.open();
        form = windows.form.get();
        viewer = windows.viewer.get();
    }

    void cleanup()
    {
        windows.close();
        reports.clear();
    }

    void showsTheCurrentPictureWithTheMainWindowsSettings()
    {
        openFolder("Desktop/Three");
        selectRow("p2.bmp");
        form->ScrollBox1->setColor(clMaroon);
        openViewer();
        QCOMPARE(viewer->Panel1->caption(), QString("Picture # 2 of 3"));
        QCOMPARE(
            viewer->StatusBar1->currentMessage(), bytesStatus(home->path("Desktop/Three/p2.bmp")));
        QCOMPARE(viewer->ScrollBox1->Color(), clMaroon);
        QCOMPARE(viewer->PicImage->Center(), form->PicImage->Center());
        QCOMPARE(viewer->PicImage->geometry(), QRect(0, 0, 60, 40));
        QVERIFY(reports.isEmpty());
    }

    void stepsThroughTheFileListWithoutWrapping()
    {
        openFolder("Desktop/Three");
        selectRow("p2.bmp");
        openViewer();
        const QString third = home->path("Desktop/Three/p3.bmp");
        clickNext();
        QCOMPARE(texts(),
            QStringList({ " Picture # 3 of 3", third.toUpper() + " File Size - " + kilobytes(third),
                "File Size - " + kilobytes(third), "3 of 3", third }));
        QCOMPARE(form->PTShellList1->SelectedIndex(), 2);
        QCOMPARE(viewer->PicImage->Picture().width(), 60);
        const QStringList atEnd = texts();
        clickNext();
        QCOMPARE(texts(), atEnd);

        clickBack();
        clickBack();
        QCOMPARE(texts().first(), QString(" Picture # 1 of 3"));
        QCOMPARE(form->PicLabel->caption(), QString("1 of 3"));
        const QStringList atStart = texts();
        clickBack();
        QCOMPARE(texts(), atStart);

        // The keys step as the buttons do.
        QTest::keyClick(viewer, Qt::Key_Right);
        QTest::keyClick(viewer, Qt::Key_PageDown);
        QCOMPARE(form->PicLabel->caption(), QString("3 of 3"));
        QTest::keyClick(viewer, Qt::Key_PageUp);
        QCOMPARE(form->PicLabel->caption(), QString("2 of 3"));
        QVERIFY(reports.isEmpty());
    }

    void stepsThroughTheScanList_data()
    {
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("afterNext");
        QTest::addColumn<int>("afterBack");
        QTest::newRow("middle") << 2 << 3 << 1;
        QTest::newRow("last") << 4 << 4 << 3;
        QTest::newRow("first") << 0 << 1 << 0;
        QTest::newRow("none") << -1 << -1 << -1;
    }

    void stepsThroughTheScanList()
    {
        QFETCH(int, selected);
        QFETCH(int, afterNext);
        QFETCH(int, afterBack);
        QStringList files;
        for (int i = 1; i <= 5; ++i)
            files << QStringLiteral("Desktop/Holiday/photo%1.bmp").arg(i, 2, 10, QLatin1Char('0'));
        fillScanList(files, selected);
        openViewer();
        for (const auto &[step, expected] :
            { std::pair { 1, afterNext }, std::pair { -1, afterBack } }) {
            const QStringList before = texts();
            form->ScanListBox->setItemIndex(selected);
            step > 0 ? clickNext() : clickBack();
            QCOMPARE(form->ScanListBox->ItemIndex(), expected);
            if (expected == selected) {
                QCOMPARE(texts(), before);
                continue;
            }
            const QString path = home->path(files[expected]);
            const QString position = TMainForm::positionText(expected, 5);
            QCOMPARE(texts(),
                QStringList({ " Picture # " + position, bytesStatus(path),
                    QStringLiteral("File Size - %1 Bytes").arg(QFileInfo(path).size()), position,
                    path }));
            QCOMPARE(viewer->PicImage->grab().toImage().pixel(30, 20),
                sandbox::photoColour(expected + 1).rgb());
        }
        QVERIFY(reports.isEmpty());
    }

    // The error is reported; the step has happened, the texts stay as they were.
    void aPictureThatFailsInTheMiddleOfTheList()
    {
        openFolder("Desktop");
        selectRow("b_wide.jpg");
        openViewer();
        const QStringList before = texts();
        clickNext();
        QVERIFY(!reports.isEmpty());
        QVERIFY(CurrentFile.endsWith("/c_broken.gif"));
        QCOMPARE(form->PTShellList1->SelectedIndex(),
            sandbox::rowOf(form->PTShellList1, "c_broken.gif"));
        QCOMPARE(viewer->Panel1->caption(), before[0]);
        QCOMPARE(viewer->StatusBar1->currentMessage(), before[1]);
        reports.clear();
        clickNext();
        QVERIFY(CurrentFile.endsWith("/d_damaged.jpg"));
        QVERIFY(viewer->StatusBar1->currentMessage().endsWith(
            "/D_DAMAGED.JPG File Size - " + kilobytes(CurrentFile)));
    }

    void aClickOnTheBackgroundOrThePictureHidesTheViewer_data()
    {
        QTest::addColumn<bool>("onPicture");
        QTest::newRow("background") << false;
        QTest::newRow("picture") << true;
    }

    void aClickOnTheBackgroundOrThePictureHidesTheViewer()
    {
        QFETCH(bool, onPicture);
        openFolder("Desktop/Three");
        selectRow("p1.bmp");
        openViewer();
        clickNext();
        clickNext();
        // A click on the panel beside the buttons does not close the viewer.
        QTest::mouseClick(viewer->Panel1, Qt::LeftButton, {}, QPoint(300, 10));
        QVERIFY(viewer->isVisible());
        form->PicImage->Picture().LoadFromFile(home->path("Desktop/a_red.bmp"));
        if (onPicture)
            QTest::mouseClick(viewer->PicImage, Qt::LeftButton, {}, QPoint(5, 5));
        else
            QTest::mouseClick(viewer->ScrollBox1->viewport(), Qt::LeftButton, {}, QPoint(300, 300));
        QVERIFY(!viewer->isVisible());
        // The main preview was reloaded with the picture the viewer stopped on.
        QCOMPARE(form->PicImage->Picture().width(), 60);
        QCOMPARE(form->PicLabel->caption(), QString("3 of 3"));
        QVERIFY(CurrentFile.endsWith("/p3.bmp"));
    }

    void escapeHidesTheViewer()
    {
        openFolder("Desktop/Three");
        selectRow("p1.bmp");
        openViewer();
        QTest::keyClick(viewer, Qt::Key_Escape);
        QVERIFY(!viewer->isVisible());
    }
};

int main(int argc, char **argv)
{
    sandbox::Home sandboxHome;
    home = &sandboxHome;
    QDir().mkpath(sandboxHome.path("Desktop/Three"));
    for (int i = 1; i <= 3; ++i) {
        sandbox::writePicture(sandboxHome.path(QStringLiteral("Desktop/Three/p%1.bmp").arg(i)),
            { 60, 40 }, sandbox::photoColour(i));
    }
    Application app(argc, argv);
    TestFullScreen test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_fullscreen.moc"
