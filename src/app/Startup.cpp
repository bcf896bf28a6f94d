#include "app/Startup.h"

#include "FullForm/TFullScreen.h"
#include "app/Application.h"
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

} // namespace

int runStartup(Application &app)
{
    // The windows live until the end; hidden ones are only shown and hidden.
    TMainForm mainForm;
    MainForm = &mainForm;
    TFullScreen fullScreen;
    FullScreen = &fullScreen;
    TSetAlarmForm setAlarmForm;
    SetAlarmForm = &setAlarmForm;
    setAlarmForm.setAlarmClock(mainForm.RxClock1);

    // What FormCreate showed stays on screen, but no selection is current yet.
    CurrentFile.clear();

    createSplashForm()->showModal();
    ScanMode = 0;
    app.setWindowIcon(Application::programIcon());

    app.setQuitOnLastWindowClosed(false);
    QObject::connect(&mainForm, &TMainForm::closed, &app, &QCoreApplication::quit);
    mainForm.showCentered();
    QTimer::singleShot(1000, &mainForm, releaseStartupHeap);
    app.exec();

    MainForm = nullptr;
    FullScreen = nullptr;
    SetAlarmForm = nullptr;
    return 0;
}

} // namespace lumisnap
