#pragma once

#include <QString>
#include <QWidget>

namespace lumisnap {

// Module state shared by the main window, start-up and the full-screen viewer.
extern QString CurrentFile;
extern int ScanMode;
extern int ScanCount;
extern QString ScanRoot;

class TMainForm : public QWidget
{
    Q_OBJECT
public:
    explicit TMainForm(QWidget *parent = nullptr);

    void showCentered();
};

extern TMainForm *MainForm;

} // namespace lumisnap
