#pragma once

#include <QWidget>

namespace lumisnap {

// The full-screen viewer: a maximised window that shows the current picture.
class TFullScreen : public QWidget
{
    Q_OBJECT
public:
    explicit TFullScreen(QWidget *parent = nullptr);
};

extern TFullScreen *FullScreen;

} // namespace lumisnap
