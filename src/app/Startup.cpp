#include "app/Startup.h"

#include "FullForm/TFullScreen.h"
#include "app/Application.h"
#include "app/SingleInstance.h"
#include "app/TSplashForm.h"
#include "mainform/TMainForm.h"
#include "setalarm/TSetAlarmForm.h"

#include <QTimer>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace lumisnap {

namespace {

// Building the windows and decoding the skins leave freed heap pages behind that the
// allocator keeps; a program that then sits idle for hours should give them back.
void releaseStartupHeap()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

// Brings the main window to the front for a later start: on Wayland only with the token
// the desktop gave that start.
void bringToFront(TMainForm &mainForm, const QByteArray &activationToken)
{
    if (FullScreen && FullScreen->isVisible())
        FullScreen->hide();
    if (mainForm.isMinimized())
        mainForm.showNormal();
    mainForm.raise();
    // The Wayland plugin reads the token while it asks for the activation; programs this
    // one starts later must not inherit it.
    if (!activationToken.isEmpty())
        qputenv("XDG_ACTIVATION_TOKEN", activationToken);
    mainForm.activateWindow();
    qunsetenv("XDG_ACTIVATION_TOKEN");
}

void openPath(TMainForm &mainForm, const QString &path)
{
    if (!path.isEmpty())
        runHandler([&] { mainForm.OpenPath(path); });
}

} // namespace

// The start-up, in its order. The application object and its title ("Lumisnap") are
// made by main() before this runs (Application's constructor), after the command line
// is read and a running program, if any, has been handed the path (main.cpp).
int runStartup(Application &app, const QString &path, SingleInstance *instance)
{
    // The main window first, so that it is the application's main window. Its
    // constructor builds the skin, tree, list, labels and clock, then runs FormCreate
    // (TMainForm.cpp), which may already show the list's first picture. It stays hidden.
    TMainForm mainForm;
    MainForm = &mainForm;
    // The viewer and the alarm dialog, hidden until the preview or the clock is clicked.
    // The windows live until the end; hidden ones are only shown and hidden.
    TFullScreen fullScreen;
    FullScreen = &fullScreen;
    TSetAlarmForm setAlarmForm;
    SetAlarmForm = &setAlarmForm;
    setAlarmForm.setAlarmClock(mainForm.RxClock1);

    // What FormCreate showed stays on screen, but no selection is current yet.
    CurrentFile.clear();

    // Later starts may hand their paths over during the splash: the latest waits.
    bool running = false;
    QString waitingPath = path;
    if (instance) {
        QObject::connect(
            instance, &SingleInstance::openRequested, &mainForm,
            [&](const QString &requested, const QByteArray &activationToken) {
                if (!running) {
                    if (!requested.isEmpty())
                        waitingPath = requested;
                    return;
                }
                bringToFront(mainForm, activationToken);
                openPath(mainForm, requested);
            },
            Qt::QueuedConnection);
    }

    // The first splash, modal: start-up waits here while its nested loop runs, until
    // its timer closes it 2000 ms later (TSplashForm.cpp).
    createSplashForm()->showModal();
    ScanMode = 0;
    app.setWindowIcon(Application::programIcon());

    // The event loop. Showing the main window runs its FormShow (TMainForm.cpp), which
    // puts a second splash over it; closing the main window ends the loop.
    app.setQuitOnLastWindowClosed(false);
    QObject::connect(&mainForm, &TMainForm::closed, &app, &QCoreApplication::quit);
    mainForm.showCentered();
    running = true;
    QTimer::singleShot(0, &mainForm, [&] { openPath(mainForm, waitingPath); });
    QTimer::singleShot(1000, &mainForm, releaseStartupHeap);
    app.exec();

    MainForm = nullptr;
    FullScreen = nullptr;
    SetAlarmForm = nullptr;
    return 0;
}

} // namespace lumisnap
