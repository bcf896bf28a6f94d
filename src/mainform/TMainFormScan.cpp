// The drive scan: the picture files of the whole drive of the tree's folder, listed in
// a sorted list that takes the file list's place.
#include "mainform/TMainForm.h"

#include "common/FileName.h"
#include "controls/TImage.h"
#include "controls/TListBox.h"
#include "mainform/IsPictureFile.h"
#include "picture/TRxGIFAnimator.h"
#include "shell/controls/TPTShellTree.h"
#include "shell/namespace/FolderWalk.h"
#include "shell/namespace/ShellModel.h"
#include "skin/TfcLabel.h"

#include <QAbstractEventDispatcher>

#include <vector>

namespace lumisnap {

namespace {

// A stream of new events (the indicator's ticks, repaints) must not hold a scan up for
// ever: after this many rounds the folder is listed all the same.
constexpr int MaxDrainRounds = 8;

// Lets the pending events run until none is left, so that repaints, the busy
// indicator and clicks are served while a scan runs.
void drainEvents()
{
    QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance();
    for (int round = 0; dispatcher && round < MaxDrainRounds; ++round) {
        if (!dispatcher->processEvents(QEventLoop::AllEvents))
            break;
    }
}

} // namespace

void TMainForm::CheckboxbtnClick()
{
    if (ScanMode == 0)
        startScan();
    else
        showFileList();
}

void TMainForm::startScan()
{
    // A folder chosen with the keys a moment ago is the one the user means.
    DirectoryListBox1->FlushPending();
    ScanMode = 1;
    ScanLabel->setCaption(QStringLiteral("SHOW DRIVE"));
    Image1->setEnabled(true);
    Image1->show();
    ScanListBox->show();
    ScanListBox->clear();
    ScanCount = 0;
    ScanRoot = shellModel().driveRootOf(DirectoryListBox1->CurrentFolder().GetPath());
    const int scan = ++m_latestScan;
    ScanFolder(ScanRoot);
    // Stopped, or overtaken by a scan started meanwhile, which has shown its own count.
    if (ScanMode != 1 || !scanIsLatest(scan))
        return;
    Image1->setEnabled(false);
    Image1->hide();
    showMessage(
        QStringLiteral("%1 Files Found in Drive %2").arg(ScanCount).arg(displayFileName(ScanRoot)));
    if (ScanCount > 0) {
        ScanListBox->setItemIndex(0);
        ScanListBoxClick();
    }
}

void TMainForm::showFileList()
{
    ScanMode = 0;
    ScanLabel->setCaption(QStringLiteral("SCAN DRIVE"));
    ScanListBox->hide();
    Image1->setEnabled(false);
    Image1->hide();
}

// A stop takes effect at the next folder: what the folder being listed holds is still
// added. A scan that a newer one has overtaken adds nothing more, not even that.
void TMainForm::ScanFolder(const QString &dir)
{
    const int scan = m_latestScan;
    FolderWalk walk(encodeFileName(dir));
    std::vector<QByteArray> pictures;
    while (!walk.atEnd() && ScanMode != 0 && scanIsLatest(scan)) {
        drainEvents();
        if (!scanIsLatest(scan))
            return;
        pictures.clear();
        walk.listNext([&](QByteArrayView name) {
            if (IsPictureName(name)) {
                QByteArray path = walk.folder();
                pictures.push_back(path.append(name));
            }
        });
        ScanListBox->addItems(pictures);
        ScanCount += int(pictures.size());
    }
}

void TMainForm::ScanListBoxClick()
{
    const int index = ScanListBox->ItemIndex();
    if (index < 0)
        return;
    CurrentFile = ScanListBox->Items(index);
    ScanListBox->setToolTip(displayFileName(CurrentFile));
    PicImage->Picture().LoadFromFile(CurrentFile);
    showBytesAndPosition(index, ScanListBox->count());
    decodeNeighboursAhead(index);
}

} // namespace lumisnap
