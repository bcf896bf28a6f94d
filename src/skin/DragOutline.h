#pragma once

#include <QWidget>

namespace lumisnap {

// The three-pixel frame shown where a window will land during an outline drag: a
// small shaped top-level window, since nothing may draw on the screen directly.
class DragOutline : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kFrameWidth = 3;

    DragOutline();

    // Shows the frame around rect (screen coordinates).
    void showFrame(const QRect &rect);

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace lumisnap
