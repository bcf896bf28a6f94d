#pragma once

// The main window and the viewer as start-up makes them, made afresh for each test.

#include "FullForm/TFullScreen.h"
#include "app/TSplashForm.h"
#include "mainform/TMainForm.h"

#include <QTest>

#include <memory>

struct ViewerWindows
{
    std::unique_ptr<lumisnap::TMainForm> form;
    std::unique_ptr<lumisnap::TFullScreen> viewer;

    // The main window shown centred, its splash closed.
    void open()
    {
        form = std::make_unique<lumisnap::TMainForm>();
        lumisnap::MainForm = form.get();
        viewer = std::make_unique<lumisnap::TFullScreen>();
        lumisnap::FullScreen = viewer.get();
        form->showCentered();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        if (lumisnap::SplashForm)
            lumisnap::SplashForm->close();
    }

    void close()
    {
        lumisnap::FullScreen = nullptr;
        viewer.reset();
        lumisnap::MainForm = nullptr;
        form.reset();
        lumisnap::CurrentFile.clear();
        lumisnap::ScanMode = 0;
    }
};
