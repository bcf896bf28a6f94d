#include "app/TSplashForm.h"

#include "common/TColor.h"
#include "forms/FormResources.h"
#include "skin/TfcImageForm.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QScreen>

namespace lumisnap {

QPointer<TSplashForm> SplashForm;

TSplashForm::TSplashForm(QWidget *parent)
    : QWidget(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool)
{
    setWindowTitle(QStringLiteral("SplashForm"));
    resize(381, 53);
    fcImageForm1 = new TfcImageForm(this);
    applySkin(
        *fcImageForm1, FormResources::skinDesign(FormResources::SplashSkin, clBlack, NeverDrags));
    Timer1 = new QTimer(this);
    Timer1->setInterval(ShowMilliseconds);
    connect(Timer1, &QTimer::timeout, this, &TSplashForm::Timer1Timer);
    Timer1->start();
}

void TSplashForm::showCentered()
{
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    show();
}

void TSplashForm::showModal()
{
    setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    connect(this, &TSplashForm::closed, &loop, &QEventLoop::quit);
    showCentered();
    loop.exec();
}

void TSplashForm::Timer1Timer()
{
    if (SplashForm)
        SplashForm->close();
}

void TSplashForm::FormClose()
{
    // Freed by the event loop once the close has finished, never inside it.
    setAttribute(Qt::WA_DeleteOnClose);
}

void TSplashForm::closeEvent(QCloseEvent *event)
{
    FormClose();
    QWidget::closeEvent(event);
    Timer1->stop();
    emit closed();
}

TSplashForm *createSplashForm(QWidget *over)
{
    auto *splash = new TSplashForm(over);
    SplashForm = splash;
    return splash;
}

} // namespace lumisnap
