// What the main window offers beyond the mouse: names and roles for assistive tools,
// and a Tab walk through every control a user acts on.
#include "mainform/TMainForm.h"

#include "clock/TRxClock.h"
#include "controls/TImage.h"
#include "controls/TLabel.h"
#include "controls/TListBox.h"
#include "controls/TScrollBox.h"
#include "picture/TRxGIFAnimator.h"
#include "shell/controls/TPTShellList.h"
#include "shell/controls/TPTShellTree.h"
#include "skin/TfcImageForm.h"
#include "skin/TfcLabel.h"

#include <QCheckBox>

namespace lumisnap {

void TMainForm::nameControls()
{
    fcImageForm1->setAccessibleName(windowTitle());
    FMLabel->setAccessibleName(QStringLiteral("Fennomark"));
    Label1->setAccessibleName(QStringLiteral("Lumisnap"));
    Image1->setAccessibleName(QStringLiteral("Scanning"));
    DirectoryListBox1->setAccessibleName(QStringLiteral("Folders"));
    PTShellList1->setAccessibleName(QStringLiteral("Pictures"));
    ScanListBox->setAccessibleName(QStringLiteral("Pictures"));
    ScrollBox1->setAccessibleName(QStringLiteral("Preview"));
    GIF2Image->setAccessibleName(QStringLiteral("Preview background"));
    RxClock1->setAccessibleDescription(QStringLiteral("Sets the alarm"));
}

void TMainForm::makeKeyboardReachable()
{
    // The check boxes lie outside the window and the labels are their face: out of
    // sight of the Tab walk and of assistive tools, they still hold the settings.
    StretchCheckBox->hide();
    CenterCheckBox->hide();
    ScrollBox1->setFocusPolicy(Qt::NoFocus);
    PicImage->setFocusPolicy(Qt::TabFocus);
    RxClock1->setFocusPolicy(Qt::TabFocus);
    for (TfcLabel *label : { ScanLabel, OffLabel, ColorLabel, CenterLabel, StretchLabel })
        label->setButtonLike(true);
    // As the eye reads the skin: the right-hand column down, then the left-hand one.
    QWidget *const order[] = { DirectoryListBox1, PTShellList1, ScanListBox, ScanLabel, PicImage,
        RxClock1, OffLabel, ColorLabel, CenterLabel, StretchLabel };
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

} // namespace lumisnap
