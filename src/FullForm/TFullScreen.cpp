#include "FullForm/TFullScreen.h"

namespace lumisnap {

TFullScreen *FullScreen = nullptr;

TFullScreen::TFullScreen(QWidget *parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Lumisnap"));
    setStyleSheet(QStringLiteral("background: black"));
}

} // namespace lumisnap
