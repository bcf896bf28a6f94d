#pragma once

#include "skin/AccessibleFace.h"

#include <QStringList>
#include <QWidget>

class QStatusBar;

namespace lumisnap {

class TfcImageBtn;
class TImage;
class TListBox;
class TPanel;
class TScrollBox;
class ViewerHost;
class ViewerZoom;

// The full-screen viewer: the current picture alone on the screen, stepped through
// the main window's picture list with PREV and NEXT. Position and path live in the
// main window; the viewer writes them back as it steps.
class TFullScreen : public QWidget, public AccessibleFace
{
    Q_OBJECT
public:
    // To assistive tools a window named by its title.
    QAccessible::Role faceRole() const override { return QAccessible::Window; }
    QString faceName() const override { return windowTitle(); }

    explicit TFullScreen(QWidget *parent = nullptr);
    ~TFullScreen() override;

    // Covers the whole screen that holds `over` (the main window) and shows.
    void showOver(QWidget *over);
    // The window whose picture list the viewer steps through; none: the viewer does nothing.
    void setHost(ViewerHost *host);
    // The host is going away: the viewer no longer reaches it.
    void forgetHost(const ViewerHost *host);

    TScrollBox *ScrollBox1 = nullptr;
    TImage *PicImage = nullptr;
    TPanel *Panel1 = nullptr;
    TfcImageBtn *BackButton = nullptr;
    TfcImageBtn *NextButton = nullptr;
    QStatusBar *StatusBar1 = nullptr;

    void FormShow();
    void BackButtonClick();
    void NextButtonClick();
    void PicImageClick();
    void FormHide();
    void FormClose();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    // Keys a viewer is expected to have: Escape leaves, the arrows and page keys step,
    // F, +, - and 0 zoom.
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createComponents();
    void makeKeyboardReachable();
    void bindHandlers();
    void stepShellList(int step);
    void stepScanList(int step);
    QStringList neighbourPaths();
    void dropWholePictures();
    void showPosition(int index, int count);
    void loadPicture();

    // Set by a close, whose handler has just reloaded the preview: the hide that follows
    // would load it again, and report a broken picture a second time.
    bool m_closeReloaded = false;
    ViewerHost *m_host = nullptr;
    int m_stepDirection = 1;
    ViewerZoom *m_zoom = nullptr;
};

extern TFullScreen *FullScreen;

} // namespace lumisnap
