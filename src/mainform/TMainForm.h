#pragma once

#include "FullForm/ViewerHost.h"
#include "common/TColor.h"
#include "skin/AccessibleFace.h"

#include <QColor>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

class QCheckBox;
class QMouseEvent;
class QPlainTextEdit;

namespace lumisnap {

class TfcImageForm;
class TfcLabel;
class TImage;
class TLabel;
class TListBox;
class TPTCustomDraw;
class TPTShListData;
class TPTShellList;
class TPTShellTree;
class TRxClock;
class TRxGIFAnimator;
class TScrollBox;

// Module state shared by the main window, start-up and the full-screen viewer.
extern QString CurrentFile;
extern int ScanMode;
extern int ScanCount;
extern QString ScanRoot;

// The skinned main window: folder tree, filtered file list, preview and hot labels.
class TMainForm : public QWidget, public ViewerHost, public AccessibleFace
{
    Q_OBJECT
public:
    // To assistive tools a window named by its title.
    QAccessible::Role faceRole() const override { return QAccessible::Window; }
    QString faceName() const override { return windowTitle(); }

    explicit TMainForm(QWidget *parent = nullptr);
    ~TMainForm() override;

    void showCentered();

    // Where "OFF" ends the process and where "COLOR" asks for a colour; tests replace
    // both so that they can watch what would happen.
    std::function<void()> terminateProcess;
    std::function<std::optional<QColor>(const QColor &initial)> chooseColor;
    // Where the alarm's message is shown: a modal message box unless replaced.
    std::function<void(const QString &text)> showMessage;

    // Components, in the order of the form: later windowless controls paint over
    // earlier ones, windowed controls lie above windowless ones.
    TfcImageForm *fcImageForm1 = nullptr;
    TfcLabel *StretchLabel = nullptr;
    TfcLabel *NameLabel = nullptr;
    TfcLabel *PicLabel = nullptr;
    TfcLabel *CenterLabel = nullptr;
    TfcLabel *ColorLabel = nullptr;
    TfcLabel *OffLabel = nullptr;
    TLabel *FMLabel = nullptr;
    TfcLabel *ScanLabel = nullptr;
    TLabel *Label1 = nullptr;
    TRxGIFAnimator *Image1 = nullptr;
    QPlainTextEdit *WebSourceMemo = nullptr; // made when the link page is first written
    TPTShellTree *DirectoryListBox1 = nullptr;
    QCheckBox *StretchCheckBox = nullptr;
    QCheckBox *CenterCheckBox = nullptr;
    TScrollBox *ScrollBox1 = nullptr;
    TRxGIFAnimator *GIF2Image = nullptr;
    TImage *PicImage = nullptr;
    TRxClock *RxClock1 = nullptr;
    TPTShellList *PTShellList1 = nullptr;
    TListBox *ScanListBox = nullptr;
    QColor ColorDialog1Color = Qt::black;

    // Selection and preview.
    void FormCreate();
    void PTShellList1Click();
    void PTShellList1Change();
    void DirectoryListBox1Click();
    // Goes to a file or folder given from outside as the user's clicks would: the
    // folder in the tree, then the file in the list. Throws when it cannot be read.
    void OpenPath(const QString &losslessPath);

    // Display modes and hot labels.
    void StretchLabelClick();
    void CenterLabelClick();
    void StretchCheckBoxClick();
    void CenterCheckBoxClick();
    void ColorLabelClick();
    void OffLabelClick();
    void PicImageClick();
    void HotLabelMouseMove(TfcLabel *label);
    void HotLabelMouseLeave(TfcLabel *label);
    void OffLabelMouseMove();
    void OffLabelMouseLeave();
    void fcImageForm1MouseMove();
    void Image3MouseMove();
    void DirectoryListBox1CustomDrawSh(TPTCustomDraw *aCD);
    void PTShellList1CustomDrawSh(TPTCustomDraw *aCD);

    // Drive scan.
    void CheckboxbtnClick();
    // Lists the picture files of the drive below dir (a folder path ending in "/", or
    // empty for the current folder) into ScanListBox, folder by folder.
    void ScanFolder(const QString &dir);
    void ScanListBoxClick();

    // Clock and alarm.
    void RxClock1Click();
    void RxClock1Alarm();

    // Maker link page.
    void Image3Click();

    // Start-up and end.
    void FormShow();
    void FormClose();

    // What the viewer steps through and writes back.
    QWidget &hostWindow() override { return *this; }
    bool scanListShown() const override { return ScanMode != 0; }
    TPTShellList &fileList() override { return *PTShellList1; }
    TListBox &scanList() override { return *ScanListBox; }
    QString currentFile() const override { return CurrentFile; }
    void setCurrentFile(const QString &path) override { CurrentFile = path; }
    TImage &preview() override { return *PicImage; }
    TScrollBox &previewBox() override { return *ScrollBox1; }
    TfcLabel &sizeLabel() override { return *NameLabel; }
    TfcLabel &positionLabel() override { return *PicLabel; }

signals:
    void closed();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createComponents();
    void createLabels();
    void createBrowsers();
    void createPreview();
    void createClock();
    void nameControls();
    void makeKeyboardReachable();
    QPlainTextEdit &webSourceMemo();
    void bindHandlers();
    void bindHotLabels();
    void showSelectedPicture(const QString &sizeText);
    void showUnlistedFile(const QString &path);
    void decodeNeighboursAhead(int index);
    void decodeNeighboursAheadAgain();
    void showBytesAndPosition(int index, int count);
    void startScan();
    void showFileList();
    bool scanIsLatest(int scan) const { return scan == m_latestScan; }
    void placePreview(bool fillsBox);
    void openViewer();

    // The number of the latest scan: one started inside another makes the older stale.
    int m_latestScan = 0;
    // Where the user steps through the picture list, to decode ahead that way first.
    int m_lastShownIndex = -1;
    int m_stepDirection = 1;
};

extern TMainForm *MainForm;

// Opens a document through the desktop with its associated program.
void ShellOpenFile(const QString &fileName, const QString &parameters, const QString &folder);

} // namespace lumisnap
