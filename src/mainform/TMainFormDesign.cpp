// The main window's form: every component at its place with its settings.
#include "mainform/TMainForm.h"

#include "clock/TRxClock.h"
#include "controls/TImage.h"
#include "controls/TLabel.h"
#include "controls/TListBox.h"
#include "controls/TScrollBox.h"
#include "forms/FormResources.h"
#include "picture/TRxGIFAnimator.h"
#include "shell/controls/TPTShellList.h"
#include "shell/controls/TPTShellTree.h"
#include "skin/SkinSetup.h"
#include "skin/TfcImageForm.h"
#include "skin/TfcLabel.h"

#include <QCheckBox>
#include <QPlainTextEdit>

namespace lumisnap {

namespace {

constexpr int SkinDragTolerance = 5;
constexpr int ScanListItemHeight = 19;
const QString ComicSans = QStringLiteral("Comic Sans MS");

QFont pixelFont(const QString &family, int height, bool bold)
{
    QFont font(family);
    font.setPixelSize(-height);
    font.setBold(bold);
    return font;
}

const LabelDesign HotLabel { ComicSans, -13, clYellow, clBlack, 2 };
const LabelDesign OffLabelStyle { ComicSans, -11, clBlack, clWhite, 1 };
const LabelDesign InfoLabel { ComicSans, -13, clBlack, clGray, 1 };

TfcLabel *makeFixedLabel(QWidget *form, const char *name, QRect geometry)
{
    TfcLabel *label = makeLabel(form, name, QStringLiteral("None"), geometry.topLeft(), InfoLabel);
    label->setAutoSize(false);
    label->resize(geometry.size());
    return label;
}

template <typename Widget> Widget *place(Widget *widget, const char *name, QRect geometry)
{
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(geometry);
    return widget;
}

QCheckBox *offscreenCheckBox(QWidget *form, const char *name, QRect geometry, bool checked)
{
    auto *box = place(new QCheckBox(form), name, geometry);
    box->setChecked(checked);
    return box;
}

} // namespace

void TMainForm::createComponents()
{
    fcImageForm1 = new TfcImageForm(this);
    fcImageForm1->setObjectName(QStringLiteral("fcImageForm1"));
    applySkin(*fcImageForm1,
        FormResources::skinDesign(FormResources::MainSkin, clBlack, SkinDragTolerance));
    createLabels();
    createBrowsers();
    createPreview();
    createClock();
    PTShellList1->raise();
    ScanListBox->raise();
}

void TMainForm::createLabels()
{
    StretchLabel
        = makeLabel(this, "StretchLabel", QStringLiteral("STRETCH"), { 211, 407 }, HotLabel);
    NameLabel = makeFixedLabel(this, "NameLabel", { 20, 381, 265, 20 });
    PicLabel = makeFixedLabel(this, "PicLabel", { 177, 328, 99, 20 });
    CenterLabel
        = makeLabel(this, "CenterLabel", QStringLiteral("CENTERED"), { 114, 407 }, HotLabel);
    CenterLabel->textOptions().disabledColors().setHighlightColor(clMaroon);
    CenterLabel->textOptions().disabledColors().setShadeColor(clMaroon);
    ColorLabel = makeLabel(this, "ColorLabel", QStringLiteral("COLOR"), { 23, 407 }, HotLabel);
    ColorLabel->textOptions().disabledColors().setHighlightColor(clBlue);
    ColorLabel->textOptions().disabledColors().setShadeColor(clBlack);
    OffLabel = makeLabel(this, "OffLabel", QStringLiteral("OFF"), { 233, 241 }, OffLabelStyle);
    FMLabel = place(new TLabel(this), "FMLabel", { 34, 4, 234, 25 });
    ScanLabel = makeLabel(this, "ScanLabel", QStringLiteral("SCAN DRIVE"), { 387, 391 }, HotLabel);
    Label1 = place(new TLabel(this), "Label1", { 97, 212, 110, 17 });
    // The busy indicator of the drive scan: hidden and disabled until a scan runs.
    Image1 = place(new TRxGIFAnimator(this), "Image1", { 77, 327, 78, 22 });
    const QByteArray busy = FormResources::busyIndicator();
    Image1->LoadFromBytes(
        { reinterpret_cast<const std::uint8_t *>(busy.constData()), std::size_t(busy.size()) });
    Image1->setAnimate(true);
    Image1->setEnabled(false);
    Image1->hide();
}

// Only the link page's text buffer, and a text control costs a tenth of the start-up
// before the splash: it is made on first use.
QPlainTextEdit &TMainForm::webSourceMemo()
{
    if (!WebSourceMemo) {
        WebSourceMemo = place(new QPlainTextEdit(this), "WebSourceMemo", { 144, 434, 185, 89 });
        WebSourceMemo->hide();
    }
    return *WebSourceMemo;
}

void TMainForm::createBrowsers()
{
    const QFont listFont = pixelFont(ComicSans, -11, true);
    DirectoryListBox1 = place(new TPTShellTree(this), "DirectoryListBox1", { 324, 11, 220, 173 });
    DirectoryListBox1->setColor(clBlack);
    DirectoryListBox1->setFont(listFont);
    DirectoryListBox1->setFontColor(clBlue);
    DirectoryListBox1->setShowButtons(false);
    DirectoryListBox1->setShowRoot(false);
    DirectoryListBox1->setIndent(19);
    DirectoryListBox1->setOptions(ptstoAutoFill | ptstoDefaultKeyHandling | ptstoContextMenus
        | ptstoDynamicRefresh | ptstoOleDrag | ptstoOleDrop | ptstoShowHidden);

    StretchCheckBox = offscreenCheckBox(this, "StretchCheckBox", { 343, 459, 13, 14 }, false);
    CenterCheckBox = offscreenCheckBox(this, "CenterCheckBox", { 343, 440, 13, 14 }, true);
}

void TMainForm::createPreview()
{
    ScrollBox1 = place(new TScrollBox(this), "ScrollBox1", { 43, 35, 216, 162 });
    ScrollBox1->setColor(clBlack);
    // Lies under the preview, shows the background colour and takes the clicks beside
    // a small picture without acting on them: they must not reach the scroll box.
    GIF2Image = place(new TRxGIFAnimator(ScrollBox1->contents()), "GIF2Image", { 0, 0, 216, 162 });
    GIF2Image->setAttribute(Qt::WA_NoMousePropagation);
    GIF2Image->setAlign(TRxGIFAnimator::alClient);
    GIF2Image->setAnimate(true);
    ScrollBox1->setFillsBox(GIF2Image, true);
    PicImage = place(new TImage(ScrollBox1->contents()), "PicImage", { 0, 0, 216, 162 });
    PicImage->setAlign(TImage::Align::Client);
    PicImage->setAutoSize(true);
    PicImage->setCenter(true);
    PicImage->setStretch(false);
    PicImage->setPaintsVisibleOnly(true);
    ScrollBox1->setFillsBox(PicImage, true);

    PTShellList1 = place(new TPTShellList(this), "PTShellList1", { 324, 212, 220, 173 });
    PTShellList1->setFileFilter(QStringLiteral("*.gif;*.jpg;*.ico;*.bmp"));
    PTShellList1->setColor(clBlack);
    PTShellList1->setFont(pixelFont(ComicSans, -11, true));
    QPalette listPalette = PTShellList1->palette();
    listPalette.setColor(QPalette::Text, toQColor(clWhite));
    PTShellList1->setPalette(listPalette);
    PTShellList1->setOptions(ptsloAutoFill | ptsloDefaultKeyHandling | ptsloContextMenus
        | ptsloDontChangeFolder | ptsloDontGoBelowBase | ptsloDynamicRefresh
        | ptsloHideFoldersWhenLinkedToTree | ptsloOleDrag | ptsloOleDrop | ptsloFolderContextMenu
        | ptsloShowHidden);
    DirectoryListBox1->setShellList(PTShellList1);

    ScanListBox = place(new TListBox(this), "ScanListBox", { 324, 212, 220, 172 });
    ScanListBox->setFont(pixelFont(ComicSans, -13, true));
    QPalette scanPalette = ScanListBox->palette();
    scanPalette.setColor(QPalette::Base, toQColor(clBlack));
    scanPalette.setColor(QPalette::Text, toQColor(clWhite));
    ScanListBox->setPalette(scanPalette);
    ScanListBox->setItemHeight(ScanListItemHeight);
    ScanListBox->hide();
}

void TMainForm::createClock()
{
    RxClock1 = place(new TRxClock(this), "RxClock1", { 44, 237, 96, 19 });
    RxClock1->setAlarmEnabled(true);
    // Until the user sets another time, the alarm comes daily at 12:09:00.
    RxClock1->setAlarmHour(12);
    RxClock1->setAlarmMinute(9);
    RxClock1->setBevelOuter(TRxClock::bvLowered);
    RxClock1->setTwelveHour(true);
    RxClock1->setLeadingZero(false);
    RxClock1->setColor(clBlack);
    RxClock1->setFont(fontFromDesign(QStringLiteral("Arial"), -11, true));
    RxClock1->setFontColor(clWhite);
    RxClock1->Loaded();
}

} // namespace lumisnap
