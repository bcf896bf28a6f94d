#include "mainform/TMainForm.h"

#include <QGuiApplication>
#include <QScreen>

namespace lumisnap {

QString CurrentFile;
int ScanMode = 0;
int ScanCount = 0;
QString ScanRoot;
TMainForm *MainForm = nullptr;

TMainForm::TMainForm(QWidget *parent) : QWidget(parent, Qt::FramelessWindowHint)
{
    setWindowTitle(QStringLiteral("Lumisnap"));
    resize(556, 431);
}

void TMainForm::showCentered()
{
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
}

} // namespace lumisnap
