#include "mainform/TMainForm.h"

#include "FullForm/TFullScreen.h"
#include "app/TSplashForm.h"
#include "clock/TRxClock.h"
#include "common/ErrorReport.h"
#include "controls/TImage.h"
#include "controls/TLabel.h"
#include "controls/TListBox.h"
#include "controls/TScrollBox.h"
#include "mainform/IsPictureFile.h"
#include "mainform/MakerLinkPage.h"
#include "picture/JpegPrefetcher.h"
#include "setalarm/TSetAlarmForm.h"
#include "shell/controls/TPTShellList.h"
#include "shell/controls/TPTShellTree.h"
#include "shell/namespace/ShellModel.h"
#include "shell/transfer/ShellOpen.h"
#include "skin/TfcImageForm.h"
#include "skin/TfcLabel.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScreen>

#include <cstdlib>

namespace lumisnap {

QString CurrentFile;
int ScanMode = 0;
int ScanCount = 0;
QString ScanRoot;
TMainForm *MainForm = nullptr;

namespace {

constexpr int ScanListExtent = 500;

// The plain message box of the framework: no icon, one OK button, the program's title.
void showMessageBox(const QString &text)
{
    QMessageBox box(
        QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(), text, QMessageBox::Ok);
    box.exec();
}

} // namespace

TMainForm::TMainForm(QWidget *parent)
    : QWidget(parent, Qt::FramelessWindowHint)
{
    setWindowTitle(QStringLiteral("Lumisnap"));
    QFont formFont(QStringLiteral("MS Sans Serif"));
    formFont.setPixelSize(11);
    setFont(formFont);
    terminateProcess = [] { std::_Exit(0); };
    showMessage = showMessageBox;
    createComponents();
    nameControls();
    makeKeyboardReachable();
    bindHandlers();
    // Errors while the window is built are reported as the event loop would, and
    // the window is built all the same.
    runHandler([this] {
        // The list first: the tree's loading hands it the tree's folder to fill.
        PTShellList1->Loaded();
        DirectoryListBox1->Loaded();
    });
    PTShellList1->setFocus();
    runHandler([this] { FormCreate(); });
}

TMainForm::~TMainForm()
{
    if (FullScreen)
        FullScreen->forgetHost(this);
}

void TMainForm::showCentered()
{
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    show();
    // The keyboard starts here, also where no window manager hands it over.
    activateWindow();
}

void TMainForm::FormCreate()
{
    if (PTShellList1->Count() > 0) {
        const int next = PTShellList1->NextItem(PTShellList1->SelectedIndex());
        if (next >= 0) {
            PTShellList1->SelectItem(next);
            PTShellList1Click();
        }
    }
    ScanListBox->setHorizontalExtent(ScanListExtent);
}

void TMainForm::showSelectedPicture(const QString &sizeText)
{
    PicImage->Picture().LoadFromFile(CurrentFile);
    NameLabel->setCaption(QStringLiteral("File Size - ") + sizeText);
    PicLabel->setCaption(positionText(PTShellList1->SelectedIndex(), PTShellList1->Count()));
    decodeNeighboursAhead(PTShellList1->SelectedIndex());
}

// The pictures next to the one shown, decoded as the preview will draw them, so that
// a step to either is quick: first the one further in the direction of the last step.
void TMainForm::decodeNeighboursAhead(int index)
{
    if (index != m_lastShownIndex)
        m_stepDirection = index < m_lastShownIndex ? -1 : 1;
    m_lastShownIndex = index;
    const int forward = m_stepDirection;
    QStringList paths;
    for (const int neighbour : { index + forward, index - forward }) {
        if (ScanMode != 0) {
            if (neighbour >= 0 && neighbour < ScanListBox->count())
                paths.append(ScanListBox->Items(neighbour));
        } else if (neighbour >= 0 && neighbour < PTShellList1->Count()) {
            if (TPTShListData *data = PTShellList1->ItemData(neighbour))
                paths.append(data->Path());
        }
    }
    JpegPrefetcher::instance().request(paths, PicImage->placement(ScrollBox1->size()), CurrentFile);
}

// After a change of display mode, as the preview now draws them.
void TMainForm::decodeNeighboursAheadAgain()
{
    const int index = ScanMode != 0 ? ScanListBox->ItemIndex() : PTShellList1->SelectedIndex();
    if (index >= 0)
        decodeNeighboursAhead(index);
}

void TMainForm::PTShellList1Click()
{
    TPTShListData *data = PTShellList1->SelectedData();
    if (!data || PTShellList1->Count() == 0 || PTShellList1->SelectedIndex() < 0)
        return;
    CurrentFile = data->Path();
    if (!IsPictureFile(CurrentFile))
        return;
    showSelectedPicture(data->SizeText());
}

void TMainForm::PTShellList1Change()
{
    PTShellList1Click();
}

void TMainForm::DirectoryListBox1Click()
{
    // Back to the file list as "SHOW DRIVE" would go: the label never offers to show
    // a drive list that is no longer the picture list.
    if (ScanMode != 0)
        showFileList();
    ScanMode = 0;
    if (PTShellList1->Count() == 0) {
        NameLabel->setCaption(QString());
        PicLabel->setCaption(QStringLiteral("  No Pictures"));
        return;
    }
    TPTShListData *data = PTShellList1->SelectedData();
    if (!data)
        return;
    CurrentFile = data->Path();
    if (!IsPictureFile(CurrentFile))
        return;
    PicImage->Picture().LoadFromFile(CurrentFile);
    showBytesAndPosition(PTShellList1->SelectedIndex(), PTShellList1->Count());
    decodeNeighboursAhead(PTShellList1->SelectedIndex());
}

void TMainForm::showBytesAndPosition(int index, int count)
{
    NameLabel->setCaption(QStringLiteral("File Size - %1 Bytes").arg(fileBytes(CurrentFile)));
    PicLabel->setCaption(positionText(index, count));
}

void TMainForm::Image3Click()
{
    QPlainTextEdit &memo = webSourceMemo();
    memo.clear();
    for (const QString &line : MakerLinkPage::lines())
        memo.appendPlainText(line);
    const QString folder = MakerLinkPage::folderFor(QCoreApplication::applicationDirPath());
    MakerLinkPage::write(folder + QLatin1Char('/') + MakerLinkPage::FileName,
        memo.toPlainText().split(QLatin1Char('\n')));
    ShellOpenFile(MakerLinkPage::FileName, QString(), folder);
}

void TMainForm::RxClock1Click()
{
    if (SetAlarmForm)
        SetAlarmForm->showCentered();
}

void TMainForm::RxClock1Alarm()
{
    // The message as the dialog holds it now, set or not.
    if (SetAlarmForm)
        showMessage(SetAlarmForm->AlarmEdit->text());
}

void ShellOpenFile(const QString &fileName, const QString &parameters, const QString &folder)
{
    // Handed over whole: long folder paths must reach the desktop intact.
    shellOpen().open(fileName, parameters, folder);
}

void TMainForm::FormShow()
{
    createSplashForm(this)->showCentered();
    PTShellList1->SetSortColumn(1);
}

void TMainForm::FormClose()
{
    // A drive scan in progress stops at its next folder.
    ScanMode = 0;
}

void TMainForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    FormClose();
    QWidget::closeEvent(event);
    emit closed();
}

} // namespace lumisnap
