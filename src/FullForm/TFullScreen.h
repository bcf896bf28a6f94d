#pragma once

#include <QWidget>

namespace lumisnap {

// The full-screen viewer: a maximised window that shows the current picture.
class TFullScreen : public QWidget
{
    Q_OBJECT
public:
    explicit TFullScreen(QWidget *parent = nullptr);

protected:
    // Until the viewer has its own controls, Escape is the way back.
    void keyPressEvent(QKeyEvent *event) override;
};

extern TFullScreen *FullScreen;

} // namespace lumisnap
