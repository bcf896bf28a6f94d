#include "FullForm/TFullScreen.h"

#include "FullForm/ViewerHost.h"
#include "FullForm/ViewerZoom.h"
#include "common/ErrorReport.h"
#include "common/FileName.h"
#include "controls/TImage.h"
#include "controls/TListBox.h"
#include "controls/TPanel.h"
#include "controls/TScrollBox.h"
#include "forms/FormResources.h"
#include "picture/JpegDecodeCache.h"
#include "picture/JpegPrefetcher.h"
#include "shell/controls/TPTShListData.h"
#include "shell/controls/TPTShellList.h"
#include "skin/SkinSetup.h"
#include "skin/TfcImageBtn.h"
#include "skin/TfcLabel.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QVBoxLayout>

#include <utility>

namespace lumisnap {

TFullScreen *FullScreen = nullptr;

namespace {

constexpr int PanelHeight = 33;
constexpr int StatusBarHeight = 31;
constexpr QPoint BackButtonAt(3, 2);
constexpr QPoint NextButtonAt(83, 2);

// The path as the status bar shows it: upper case, undecodable bytes shown as such.
QString upperPath(const QString &path)
{
    return displayFileName(path).toUpper();
}

QString bytesStatus(const QString &path)
{
    return QStringLiteral(" %1  (File Size - %2 Bytes)")
        .arg(upperPath(path))
        .arg(ViewerHost::fileBytes(path));
}

// Every picture is shown from its top-left corner, not where the last one was scrolled to.
void scrollToTopLeft(TScrollBox &box)
{
    box.horizontalScrollBar()->setValue(0);
    box.verticalScrollBar()->setValue(0);
}

} // namespace

TFullScreen::TFullScreen(QWidget *parent)
    : QWidget(parent, Qt::FramelessWindowHint)
{
    setWindowTitle(QStringLiteral("Lumisnap"));
    setFont(fontFromDesign(QStringLiteral("MS Sans Serif"), -11, false));
    setFocusPolicy(Qt::StrongFocus);
    createComponents();
    bindHandlers();
}

TFullScreen::~TFullScreen() = default;

void TFullScreen::createComponents()
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    ScrollBox1 = new TScrollBox(this);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setColor(clSilver);
    ScrollBox1->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(ScrollBox1, 1);

    PicImage = new TImage(ScrollBox1->contents());
    PicImage->setObjectName(QStringLiteral("PicImage"));
    PicImage->move(0, 0);
    PicImage->setAutoSize(true);
    PicImage->setDevicePixels(true);
    m_zoom = new ViewerZoom(*ScrollBox1, *PicImage, this);

    Panel1 = new TPanel;
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFont(fontFromDesign(QStringLiteral("MS Sans Serif"), -11, true));
    Panel1->resize(Panel1->width(), PanelHeight);
    ScrollBox1->setBottomDock(Panel1);
    // Where the scroll bars meet, the panel's face rather than the picture's background.
    auto *corner = new QWidget;
    corner->setAutoFillBackground(true);
    corner->setBackgroundRole(QPalette::Button);
    ScrollBox1->setCornerWidget(corner);
    BackButton = makeImageButton(Panel1, "BackButton", QStringLiteral("    PREV"), BackButtonAt,
        taCenter, FormResources::buttonDesign(FormResources::BackButton));
    NextButton = makeImageButton(Panel1, "NextButton", QStringLiteral("  NEXT"), NextButtonAt,
        taLeftJustify, FormResources::buttonDesign(FormResources::NextButton));

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setFixedHeight(StatusBarHeight);
    layout->addWidget(StatusBar1);
    makeKeyboardReachable();
}

// Beyond the mouse: Tab reaches PREV and NEXT, and the keys of the window still work
// while one of them has the focus.
void TFullScreen::makeKeyboardReachable()
{
    ScrollBox1->setAccessibleName(QStringLiteral("Picture"));
    for (TfcImageBtn *button : { BackButton, NextButton }) {
        button->setFocusPolicy(Qt::TabFocus);
        button->installEventFilter(this);
    }
    setTabOrder(BackButton, NextButton);
}

bool TFullScreen::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    switch (key->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Left:
    case Qt::Key_PageUp:
    case Qt::Key_Right:
    case Qt::Key_PageDown:
        keyPressEvent(key);
        return true;
    default:
        return QWidget::eventFilter(watched, event);
    }
}

// Every handler runs where Qt calls in: an error it raises is reported there.
void TFullScreen::bindHandlers()
{
    const auto on = [this](void (TFullScreen::*handler)()) {
        return guarded([this, handler] { (this->*handler)(); });
    };
    connect(BackButton, &TfcImageBtn::OnClick, this, on(&TFullScreen::BackButtonClick));
    connect(NextButton, &TfcImageBtn::OnClick, this, on(&TFullScreen::NextButtonClick));
    connect(PicImage, &TImage::clicked, this, on(&TFullScreen::PicImageClick));
    connect(ScrollBox1, &TScrollBox::clicked, this, on(&TFullScreen::PicImageClick));
}

void TFullScreen::showOver(QWidget *over)
{
    QScreen *screen = over ? over->screen() : QGuiApplication::primaryScreen();
    if (screen)
        setGeometry(screen->geometry());
    showFullScreen();
    raise();
    activateWindow();
}

void TFullScreen::setHost(ViewerHost *host)
{
    m_host = host;
}

void TFullScreen::forgetHost(const ViewerHost *host)
{
    if (m_host == host)
        m_host = nullptr;
}

void TFullScreen::FormShow()
{
    if (!m_host)
        return;
    m_zoom->reset();
    PicImage->setCenter(m_host->preview().Center());
    Panel1->setCaption(QStringLiteral("Picture # ") + m_host->positionLabel().caption());
    ScrollBox1->setColor(m_host->previewBox().Color());
    // A load that fails must not leave the last file's picture and text under the new position.
    PicImage->Picture().setGraphic(nullptr);
    StatusBar1->clearMessage();
    scrollToTopLeft(*ScrollBox1);
    PicImage->Picture().LoadFromFile(m_host->currentFile());
    StatusBar1->showMessage(bytesStatus(m_host->currentFile()));
    if (PicImage->width() > width() || PicImage->height() > height()) {
        PicImage->setCenter(false);
        PicImage->setStretch(false);
    }
}

void TFullScreen::BackButtonClick()
{
    if (!m_host)
        return;
    if (!m_host->scanListShown())
        stepShellList(-1);
    else
        stepScanList(-1);
}

void TFullScreen::NextButtonClick()
{
    if (!m_host)
        return;
    if (!m_host->scanListShown())
        stepShellList(1);
    else
        stepScanList(1);
}

// No wrap-around: a step off either end, or with nothing selected, does nothing.
void TFullScreen::stepShellList(int step)
{
    TPTShellList *list = &m_host->fileList();
    const int index = list->SelectedIndex();
    const int target = index + step;
    if (!list->SelectedData() || index < 0 || target < 0 || target >= list->Count())
        return;
    m_stepDirection = step;
    list->SelectItem(target);
    TPTShListData *data = list->SelectedData();
    if (!data)
        return;
    m_host->setCurrentFile(data->Path());
    loadPicture();
    const QString sizeText = data->SizeText();
    StatusBar1->showMessage(
        upperPath(m_host->currentFile()) + QStringLiteral(" File Size - ") + sizeText);
    m_host->sizeLabel().setCaption(QStringLiteral("File Size - ") + sizeText);
    showPosition(target, list->Count());
}

// The pictures next to the current one in the list the viewer steps through, the one
// further in the direction of the last step first.
QStringList TFullScreen::neighbourPaths()
{
    QStringList paths;
    const int forward = m_stepDirection;
    if (m_host->scanListShown()) {
        TListBox &list = m_host->scanList();
        const int index = list.ItemIndex();
        for (const int neighbour : { index + forward, index - forward })
            if (index >= 0 && neighbour >= 0 && neighbour < list.count())
                paths.append(list.Items(neighbour));
        return paths;
    }
    TPTShellList &list = m_host->fileList();
    const int index = list.SelectedIndex();
    for (const int neighbour : { index + forward, index - forward })
        if (index >= 0 && neighbour >= 0 && neighbour < list.Count())
            if (TPTShListData *data = list.ItemData(neighbour))
                paths.append(data->Path());
    return paths;
}

// Whole pictures are kept only while the viewer shows: its own goes with the cached
// ones, but for the one the preview goes on showing, and the neighbours are decoded
// again as the preview draws them.
void TFullScreen::dropWholePictures()
{
    PicImage->Picture().setGraphic(nullptr);
    const QString shown = m_host ? m_host->currentFile() : QString();
    JpegDecodeCache::instance().setWholeWanted(
        false, shown.isEmpty() ? std::nullopt : FileIdentity::ofPath(shown));
    if (m_host)
        JpegPrefetcher::instance().request(
            neighbourPaths(), m_host->preview().placement(m_host->previewBox().size()), shown);
}

void TFullScreen::stepScanList(int step)
{
    TListBox *list = &m_host->scanList();
    const int index = list->ItemIndex();
    const int target = index + step;
    if (index < 0 || target < 0 || target >= list->count())
        return;
    if (step < 0)
        BackButton->repaint();
    m_stepDirection = step;
    list->setItemIndex(target);
    m_host->setCurrentFile(list->Items(target));
    loadPicture();
    // The file list's neighbours are asked for by the main window's change handler;
    // the scan list has none, so the viewer asks itself.
    const QString path = m_host->currentFile();
    JpegPrefetcher::instance().request(neighbourPaths(), {}, path);
    StatusBar1->showMessage(bytesStatus(path));
    m_host->sizeLabel().setCaption(
        QStringLiteral("File Size - %1 Bytes").arg(ViewerHost::fileBytes(path)));
    showPosition(target, list->count());
}

void TFullScreen::loadPicture()
{
    scrollToTopLeft(*ScrollBox1);
    PicImage->Picture().LoadFromFile(m_host->currentFile());
    m_zoom->apply();
}

void TFullScreen::showPosition(int index, int count)
{
    const QString position = ViewerHost::positionText(index, count);
    Panel1->setCaption(QStringLiteral(" Picture # ") + position);
    m_host->positionLabel().setCaption(position);
}

void TFullScreen::PicImageClick()
{
    hide();
}

void TFullScreen::FormHide()
{
    if (!m_host)
        return;
    m_host->preview().Picture().LoadFromFile(m_host->currentFile());
}

void TFullScreen::FormClose()
{
    FormHide();
}

void TFullScreen::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous()) {
        m_closeReloaded = false;
        setFocus();
        // The viewer shows whole pictures: its own, its neighbours and the preview's are
        // decoded whole, once, and shared.
        JpegDecodeCache::instance().setWholeWanted(true);
        runHandler([this] { FormShow(); });
        if (m_host)
            JpegPrefetcher::instance().request(neighbourPaths(), {}, m_host->currentFile());
    }
}

void TFullScreen::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (event->spontaneous())
        return;
    if (!std::exchange(m_closeReloaded, false))
        runHandler([this] { FormHide(); });
    dropWholePictures();
    // The keyboard goes back to the window the viewer was opened from.
    if (m_host && m_host->hostWindow().isVisible())
        m_host->hostWindow().activateWindow();
}

void TFullScreen::closeEvent(QCloseEvent *event)
{
    runHandler([this] { FormClose(); });
    QWidget::closeEvent(event);
    m_closeReloaded = event->isAccepted();
}

void TFullScreen::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        runHandler([this] { PicImageClick(); });
        break;
    case Qt::Key_Left:
    case Qt::Key_PageUp:
        runHandler([this] { BackButtonClick(); });
        break;
    case Qt::Key_Right:
    case Qt::Key_PageDown:
        runHandler([this] { NextButtonClick(); });
        break;
    default:
        if (!m_zoom->key(event))
            QWidget::keyPressEvent(event);
    }
}

} // namespace lumisnap
