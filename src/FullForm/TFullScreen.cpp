#include "FullForm/TFullScreen.h"

#include <QKeyEvent>

namespace lumisnap {

TFullScreen *FullScreen = nullptr;

TFullScreen::TFullScreen(QWidget *parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Lumisnap"));
    setStyleSheet(QStringLiteral("background: black"));
}

void TFullScreen::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape)
        hide();
    else
        QWidget::keyPressEvent(event);
}

} // namespace lumisnap
