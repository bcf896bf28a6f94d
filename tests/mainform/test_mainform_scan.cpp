// The drive scan driven by clicks: what it lists and in what order, what it passes by,
// how it stops, and how the file list comes back.
#include "ScanSandbox.h"

#include "app/Application.h"
#include "app/TSplashForm.h"
#include "controls/TImage.h"
#include "controls/TListBox.h"
#include "picture/TRxGIFAnimator.h"
#include "shell/controls/TPTShellTree.h"
#include "skin/TfcLabel.h"

#include <QFileInfo>

#include <QTest>
#include <QTimer>
#include <sys/resource.h>

using namespace lumisnap;

namespace {

sandbox::Drives *drives = nullptr;

void click(QWidget *widget)
{
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

QString bytesText(const QString &path)
{
    return QStringLiteral("File Size - %1 Bytes").arg(QFileInfo(path).size());
}

} // namespace

class TestMainFormScan : public QObject
{
    Q_OBJECT

    std::unique_ptr<TMainForm> form;
    QStringList messages;
    QStringList errors;

    void openFolder(const QString &path)
    {
        form->DirectoryListBox1->SelectFolder(sandbox::idListOf(path));
        form->DirectoryListBox1->FlushPending();
    }

    void scanDrive(const QString &folder)
    {
        openFolder(folder);
        click(form->ScanLabel);
    }

    void clickRow(int index)
    {
        const QRect row = form->ScanListBox->itemRect(index);
        QVERIFY(!row.isEmpty());
        QTest::mouseClick(
            form->ScanListBox->viewport(), Qt::LeftButton, {}, QPoint(10, row.center().y()));
    }

    QStringList entries() const
    {
        QStringList listed;
        for (int i = 0; i < form->ScanListBox->count(); ++i)
            listed << form->ScanListBox->Items(i);
        return listed;
    }

    void verifyFileListView()
    {
        QCOMPARE(ScanMode, 0);
        QCOMPARE(form->ScanLabel->caption(), QString("SCAN DRIVE"));
        QVERIFY(!form->ScanListBox->isVisible());
        QVERIFY(!form->Image1->isVisible());
        QVERIFY(!form->Image1->isEnabled());
    }

private slots:
    void initTestCase()
    {
        setErrorReporter([this](const QString &text) { errors << text; });
    }

    void init()
    {
        messages.clear();
        form = std::make_unique<TMainForm>();
        form->showMessage = [this](const QString &text) { messages << text; };
        form->show();
        if (SplashForm)
            SplashForm->close();
    }

    void cleanup()
    {
        form.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        CurrentFile.clear();
        ScanMode = 0;
        QCOMPARE(errors, QStringList());
    }

    void scanListsEveryPictureOfTheDriveInOrder()
    {
        bool busy = false;
        QTimer::singleShot(0, this, [&] {
            busy = form->Image1->isVisible() && form->Image1->isEnabled()
                && form->ScanListBox->isVisible()
                && form->ScanLabel->caption() == QString("SHOW DRIVE");
        });
        // A folder deep in the drive: the whole drive is scanned.
        scanDrive(drives->camera + "/Sub/Deep");
        QVERIFY(busy);
        QCOMPARE(messages, QStringList("8 Files Found in Drive " + drives->camera + "/"));
        QStringList listed = entries();
        QVERIFY(listed.removeOne(drives->cameraOddName));
        QCOMPARE(listed, drives->cameraPictures);
        QCOMPARE(ScanMode, 1);
        QCOMPARE(form->ScanLabel->caption(), QString("SHOW DRIVE"));
        QVERIFY(form->ScanListBox->isVisible());
        QVERIFY(!form->Image1->isVisible());
        QVERIFY(!form->Image1->isEnabled());
        // The alphabetically first entry is shown, whatever was found first.
        QCOMPARE(form->ScanListBox->ItemIndex(), 0);
        QCOMPARE(CurrentFile, drives->camera + "/a.Bmp");
        QCOMPARE(form->PicImage->Picture().width(), 60);
        QCOMPARE(form->PicLabel->caption(), QString("1 of 8"));
        QCOMPARE(form->NameLabel->caption(), bytesText(CurrentFile));
        QCOMPARE(form->ScanListBox->toolTip(), CurrentFile);
    }

    // The scan takes the folder just chosen with the keys, not the one the list shows.
    void scanRightAfterAKeyboardMoveInTheTree()
    {
        openFolder(drives->forty);
        form->DirectoryListBox1->setFocus();
        for (int up = 0; up < 3; ++up) // past Empty and Deep to Camera
            QTest::keyClick(form->DirectoryListBox1, Qt::Key_Up);
        QVERIFY(form->DirectoryListBox1->handOverPending());
        click(form->ScanLabel);
        QCOMPARE(messages, QStringList("8 Files Found in Drive " + drives->camera + "/"));
        QCOMPARE(ScanMode, 1);
        QVERIFY(form->ScanListBox->isVisible());
    }

    void entryClickShowsBytesAndPosition()
    {
        scanDrive(drives->forty);
        QCOMPARE(form->ScanListBox->count(), 40);
        clickRow(2);
        QCOMPARE(CurrentFile, drives->forty + "/p02.bmp");
        QCOMPARE(form->PicLabel->caption(), QString("3 of 40"));
        QCOMPARE(form->NameLabel->caption(), bytesText(CurrentFile));
        QCOMPARE(form->ScanListBox->toolTip(), CurrentFile);
        QTest::keyClick(form->ScanListBox, Qt::Key_Down);
        QCOMPARE(form->PicLabel->caption(), QString("4 of 40"));
        QCOMPARE(form->PicImage->Picture().width(), 13);
        QTest::keyClick(form->ScanListBox, Qt::Key_End);
        QCOMPARE(form->PicLabel->caption(), QString("40 of 40"));
    }

    void showDriveAndTreeClickBringTheFileListBack_data()
    {
        QTest::addColumn<bool>("byTree");
        QTest::newRow("SHOW DRIVE") << false;
        QTest::newRow("tree click") << true;
    }
    void showDriveAndTreeClickBringTheFileListBack()
    {
        QFETCH(bool, byTree);
        scanDrive(drives->forty);
        clickRow(5);
        if (byTree) {
            auto *tree = form->DirectoryListBox1;
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                tree->visualRect(tree->currentIndex()).center());
        } else {
            click(form->ScanLabel);
        }
        verifyFileListView();
        // What the scan list showed stays until the next selection.
        QCOMPARE(CurrentFile, drives->forty + "/p05.bmp");
        QCOMPARE(form->PicLabel->caption(), QString("6 of 40"));
        QCOMPARE(form->ScanListBox->count(), 40);
    }

    void stoppedScanShowsNoMessageAndHidesItsList()
    {
        // "SHOW DRIVE" clicked before the first folder is listed.
        QTimer::singleShot(0, this, [&] { click(form->ScanLabel); });
        scanDrive(drives->camera);
        QVERIFY(messages.isEmpty());
        verifyFileListView();
        // The folder being listed is still searched; nothing below it.
        QCOMPARE(form->ScanListBox->count(), 6);
    }

    void scanStartedInsideAStoppedOneRunsAlone()
    {
        // "SHOW DRIVE" and "SCAN DRIVE" handled in one drain of the first scan.
        QTimer::singleShot(0, this, [&] {
            click(form->ScanLabel);
            click(form->ScanLabel);
        });
        scanDrive(drives->camera);
        QCOMPARE(messages.size(), 1);
        QCOMPARE(form->ScanListBox->count(), 8);
        QCOMPARE(ScanCount, 8);
        QCOMPARE(ScanMode, 1);
        QVERIFY(!form->Image1->isVisible());
    }

    void emptyDriveCountsNothingAndKeepsThePreview()
    {
        scanDrive(drives->camera);
        click(form->ScanLabel);
        const QString shownFile = CurrentFile;
        const QString name = form->NameLabel->caption();
        const QString position = form->PicLabel->caption();
        scanDrive(drives->empty);
        QCOMPARE(messages.last(), "0 Files Found in Drive " + drives->empty + "/");
        QCOMPARE(form->ScanListBox->count(), 0);
        QCOMPARE(form->ScanListBox->ItemIndex(), -1);
        QVERIFY(form->ScanListBox->isVisible());
        QCOMPARE(CurrentFile, shownFile);
        QCOMPARE(form->NameLabel->caption(), name);
        QCOMPARE(form->PicLabel->caption(), position);
        QCOMPARE(form->PicImage->Picture().width(), 60);
    }

    // Far deeper than the scan may keep folders open: one folder is open at a time.
    void treeDeeperThanTheOpenFileLimit()
    {
        const int open = int(QDir("/proc/self/fd").count());
        QByteArray folder = QFile::encodeName(drives->deep);
        for (int level = 0; level < 300; ++level) {
            folder += "/d";
            QVERIFY2(::mkdir(folder.constData(), 0755) == 0, strerror(errno));
        }
        sandbox::writePicture(QFile::decodeName(folder + "/bottom.bmp"), { 5, 5 }, Qt::blue);
        rlimit limit;
        QCOMPARE(::getrlimit(RLIMIT_NOFILE, &limit), 0);
        const rlimit lowered { rlim_t(open + 100), limit.rlim_max };
        QCOMPARE(::setrlimit(RLIMIT_NOFILE, &lowered), 0);
        scanDrive(drives->deep);
        ::setrlimit(RLIMIT_NOFILE, &limit);
        QCOMPARE(messages, QStringList("1 Files Found in Drive " + drives->deep + "/"));
    }

    void unreadableFolderIsPassedOver()
    {
        if (::geteuid() == 0)
            QSKIP("every folder is readable to root");
        const QString locked = drives->empty + "/Locked";
        QVERIFY(QDir().mkpath(locked));
        sandbox::writePicture(locked + "/secret.bmp", { 4, 4 }, Qt::red);
        QCOMPARE(::chmod(QFile::encodeName(locked).constData(), 0), 0);
        scanDrive(drives->empty);
        ::chmod(QFile::encodeName(locked).constData(), 0755);
        QDir(locked).removeRecursively();
        QCOMPARE(messages, QStringList("0 Files Found in Drive " + drives->empty + "/"));
    }
};

int main(int argc, char **argv)
{
    sandbox::Drives sandboxDrives;
    drives = &sandboxDrives;
    Application app(argc, argv);
    drives->install();
    TestMainFormScan test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_mainform_scan.moc"
