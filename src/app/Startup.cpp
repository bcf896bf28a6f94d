#include "app/Startup.h"

#include "FullForm/TFullScreen.h"
#include "app/Application.h"
#include "mainform/TMainForm.h"
#include "setalarm/TSetAlarmForm.h"

namespace lumisnap {

int runStartup(Application &app)
{
    TMainForm mainForm;
    MainForm = &mainForm;
    TFullScreen fullScreen;
    FullScreen = &fullScreen;
    TSetAlarmForm setAlarmForm;
    SetAlarmForm = &setAlarmForm;

    CurrentFile.clear();
    ScanMode = 0;

    mainForm.showCentered();
    const int code = app.exec();

    MainForm = nullptr;
    FullScreen = nullptr;
    SetAlarmForm = nullptr;
    return code;
}

} // namespace lumisnap
