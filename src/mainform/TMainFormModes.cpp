// Display modes, hot labels and pointer shapes of the main window.
#include "mainform/TMainForm.h"

#include "FullForm/TFullScreen.h"
#include "clock/TRxClock.h"
#include "common/ErrorReport.h"
#include "controls/TImage.h"
#include "controls/TLabel.h"
#include "controls/TListBox.h"
#include "controls/TScrollBox.h"
#include "mainform/IsPictureFile.h"
#include "shell/controls/TPTCustomDraw.h"
#include "shell/controls/TPTShellList.h"
#include "shell/controls/TPTShellTree.h"
#include "skin/TfcImageForm.h"
#include "skin/TfcLabel.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QMouseEvent>

namespace lumisnap {

namespace {

constexpr TColor HotColor = clBlue;
constexpr TColor RestColor = clYellow;
constexpr TColor OffHotColor = clRed;
constexpr TColor OffRestColor = clBlack;

std::optional<QColor> askForColor(QWidget *parent, const QColor &initial)
{
    const QColor chosen = QColorDialog::getColor(initial, parent);
    if (!chosen.isValid())
        return std::nullopt;
    return chosen;
}

} // namespace

// Every handler runs where Qt calls in: an error it raises is reported there and
// Qt's own work goes on.
void TMainForm::bindHandlers()
{
    chooseColor = [this](const QColor &initial) { return askForColor(this, initial); };
    const auto on = [this](void (TMainForm::*handler)()) {
        return guarded([this, handler] { (this->*handler)(); });
    };
    connect(PTShellList1, &TPTShellList::OnClick, this, on(&TMainForm::PTShellList1Click));
    connect(PTShellList1, &TPTShellList::OnChange, this, on(&TMainForm::PTShellList1Change));
    connect(
        DirectoryListBox1, &TPTShellTree::OnClick, this, on(&TMainForm::DirectoryListBox1Click));
    connect(PTShellList1, &TPTShellList::OnCustomDrawSh, this,
        [this](QObject *, TPTCustomDraw *aCD) { PTShellList1CustomDrawSh(aCD); });
    connect(DirectoryListBox1, &TPTShellTree::OnCustomDrawSh, this,
        [this](QObject *, TPTCustomDraw *aCD) { DirectoryListBox1CustomDrawSh(aCD); });
    connect(StretchCheckBox, &QCheckBox::toggled, this, on(&TMainForm::StretchCheckBoxClick));
    connect(CenterCheckBox, &QCheckBox::toggled, this, on(&TMainForm::CenterCheckBoxClick));
    connect(StretchLabel, &TfcLabel::clicked, this, on(&TMainForm::StretchLabelClick));
    connect(CenterLabel, &TfcLabel::clicked, this, on(&TMainForm::CenterLabelClick));
    connect(ColorLabel, &TfcLabel::clicked, this, on(&TMainForm::ColorLabelClick));
    connect(OffLabel, &TfcLabel::clicked, this, on(&TMainForm::OffLabelClick));
    connect(PicImage, &TImage::clicked, this, on(&TMainForm::PicImageClick));
    connect(ScrollBox1, &TScrollBox::clicked, this, on(&TMainForm::PicImageClick));
    connect(PicImage, &TImage::alignChanged, this,
        [this] { ScrollBox1->setFillsBox(PicImage, PicImage->align() == TImage::Align::Client); });
    connect(ScanLabel, &TfcLabel::clicked, this, on(&TMainForm::CheckboxbtnClick));
    connect(ScanListBox, &TListBox::OnClick, this, on(&TMainForm::ScanListBoxClick));
    connect(FMLabel, &TLabel::clicked, this, on(&TMainForm::Image3Click));
    connect(Label1, &TLabel::clicked, this, on(&TMainForm::Image3Click));
    connect(FMLabel, &TLabel::mouseMoved, this, &TMainForm::Image3MouseMove);
    connect(Label1, &TLabel::mouseMoved, this, &TMainForm::Image3MouseMove);
    connect(fcImageForm1, &TfcImageForm::mouseMove, this, &TMainForm::fcImageForm1MouseMove);
    connect(RxClock1, &TRxClock::OnClick, this, on(&TMainForm::RxClock1Click));
    RxClock1->OnAlarm = [this](QObject *) { RxClock1Alarm(); };
    bindHotLabels();
}

void TMainForm::bindHotLabels()
{
    for (TfcLabel *label : { StretchLabel, CenterLabel, ColorLabel, ScanLabel }) {
        connect(label, &TfcLabel::mouseMoved, this, [this, label] { HotLabelMouseMove(label); });
        connect(label, &TfcLabel::mouseLeft, this, [this, label] { HotLabelMouseLeave(label); });
    }
    connect(OffLabel, &TfcLabel::mouseMoved, this, &TMainForm::OffLabelMouseMove);
    connect(OffLabel, &TfcLabel::mouseLeft, this, &TMainForm::OffLabelMouseLeave);
}

void TMainForm::StretchLabelClick()
{
    if (StretchCheckBox->isChecked()) {
        StretchCheckBox->setChecked(false);
        StretchLabel->setCaption(QStringLiteral("STRETCH"));
    } else {
        StretchCheckBox->setChecked(true);
        StretchLabel->setCaption(QStringLiteral("STRETCHED"));
    }
    StretchCheckBoxClick();
    decodeNeighboursAheadAgain();
}

void TMainForm::CenterLabelClick()
{
    if (!CenterLabel->isEnabled())
        return;
    if (CenterCheckBox->isChecked()) {
        CenterCheckBox->setChecked(false);
        CenterLabel->setCaption(QStringLiteral("CENTER"));
    } else {
        CenterCheckBox->setChecked(true);
        CenterLabel->setCaption(QStringLiteral("CENTERED"));
    }
    CenterCheckBoxClick();
    decodeNeighboursAheadAgain();
}

void TMainForm::placePreview(bool fillsBox)
{
    PicImage->setAlign(fillsBox ? TImage::Align::Client : TImage::Align::None);
    if (!fillsBox)
        PicImage->move(0, 0);
}

void TMainForm::StretchCheckBoxClick()
{
    if (StretchCheckBox->isChecked()) {
        placePreview(true);
        PicImage->setCenter(false);
        PicImage->setStretch(true);
        CenterLabel->setEnabled(false);
    } else {
        placePreview(false);
        PicImage->setStretch(false);
        CenterLabel->setEnabled(true);
        CenterCheckBoxClick();
    }
}

void TMainForm::CenterCheckBoxClick()
{
    // While stretched the centre setting is remembered, not applied.
    if (StretchCheckBox->isChecked())
        return;
    const bool centre = CenterCheckBox->isChecked();
    placePreview(centre);
    PicImage->setCenter(centre);
}

void TMainForm::ColorLabelClick()
{
    const std::optional<QColor> chosen = chooseColor(ColorDialog1Color);
    if (!chosen)
        return;
    ColorDialog1Color = *chosen;
    ScrollBox1->setColor(fromQColor(*chosen));
}

void TMainForm::OffLabelClick()
{
    terminateProcess();
}

void TMainForm::PicImageClick()
{
    if (ScanMode == 1) {
        if (ScanListBox->count() > 0)
            openViewer();
        return;
    }
    if (TPTShListData *data = PTShellList1->SelectedData(); data && IsPictureFile(data->Path()))
        openViewer();
}

void TMainForm::openViewer()
{
    FullScreen->setHost(this);
    FullScreen->showOver(this);
}

void TMainForm::HotLabelMouseMove(TfcLabel *label)
{
    label->setFontColor(HotColor);
}

void TMainForm::HotLabelMouseLeave(TfcLabel *label)
{
    label->setFontColor(RestColor);
}

void TMainForm::OffLabelMouseMove()
{
    OffLabel->setFontColor(OffHotColor);
}

void TMainForm::OffLabelMouseLeave()
{
    OffLabel->setFontColor(OffRestColor);
}

void TMainForm::fcImageForm1MouseMove()
{
    for (TfcLabel *label : { ScanLabel, ColorLabel, CenterLabel, StretchLabel })
        label->setFontColor(RestColor);
    setCursor(Qt::ArrowCursor);
}

void TMainForm::Image3MouseMove()
{
    // The hand belongs to the whole window: it stays until the pointer next crosses
    // the bare skin.
    setCursor(Qt::PointingHandCursor);
}

void TMainForm::DirectoryListBox1CustomDrawSh(TPTCustomDraw *aCD)
{
    aCD->Brush().setColor(clBlack);
    aCD->Font().setColor(clWhite);
}

void TMainForm::PTShellList1CustomDrawSh(TPTCustomDraw *aCD)
{
    aCD->Brush().setColor(clBlack);
    aCD->Font().setColor(clWhite);
}

} // namespace lumisnap
