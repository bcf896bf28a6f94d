#pragma once

#include <QObject>
#include <QPoint>

class QKeyEvent;

namespace lumisnap {

class TImage;
class TScrollBox;

// How large the viewer shows its picture: 1:1, fitted to the screen (never enlarged)
// or a zoom the user chose with + and - or Ctrl+wheel, around the pointer. The choice
// holds for each picture the viewer steps to until it is reset.
class ViewerZoom : public QObject
{
    Q_OBJECT
public:
    ViewerZoom(TScrollBox &box, TImage &image, QObject *parent = nullptr);

    // F, +, - and 0; false for any other key.
    bool key(QKeyEvent *event);
    // Applies the choice to a newly loaded picture.
    void apply();
    // Back to 1:1.
    void reset();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class Choice { Actual, Fit, Chosen };

    void zoomBy(qreal factor, QPoint anchor);
    void zoomAround(qreal zoom, QPoint anchor);
    QPoint pointerAnchor() const;
    void place();

    TScrollBox &m_box;
    TImage &m_image;
    Choice m_choice = Choice::Actual;
};

} // namespace lumisnap
