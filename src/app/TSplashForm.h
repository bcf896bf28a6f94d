#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace lumisnap {

class TfcImageForm;

// The maker's name, shaped by its lettering, shown on top of everything for two
// seconds; once modally at start-up and again each time the main window shows.
class TSplashForm : public QWidget
{
    Q_OBJECT
public:
    static constexpr int ShowMilliseconds = 2000;
    static constexpr int NeverDrags = 100000;

    explicit TSplashForm(QWidget *parent = nullptr);

    // Shows the splash and waits in a nested event loop until it is closed.
    void showModal();
    void showCentered();

    TfcImageForm *fcImageForm1 = nullptr;
    QTimer *Timer1 = nullptr;

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void Timer1Timer();
    void FormClose();
};

// The newest splash: a timer closes this one, whichever splash the timer belongs to.
extern QPointer<TSplashForm> SplashForm;

// Creates a splash that SplashForm then designates. A splash over a window names it
// as its parent, so it stays above that window where the desktop ignores
// "stay on top" (Wayland).
TSplashForm *createSplashForm(QWidget *over = nullptr);

} // namespace lumisnap
