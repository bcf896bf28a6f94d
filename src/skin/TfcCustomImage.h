#pragma once

#include "skin/ClickTracker.h"

#include <QImage>
#include <QWidget>

class QMouseEvent;
class QPainter;

namespace lumisnap {

// A control that paints a picture at its own size at its top-left corner.
class TfcCustomImage : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(bool AutoSize READ autoSize WRITE setAutoSize)
    Q_PROPERTY(QImage Picture READ picture WRITE setPicture)
public:
    explicit TfcCustomImage(QWidget *parent = nullptr);

    const QImage &picture() const { return m_picture; }
    virtual void setPicture(const QImage &picture);

    bool autoSize() const { return m_autoSize; }
    void setAutoSize(bool autoSize);

    // True when a click or press handler is bound.
    bool hasMouseHandler() const;

signals:
    void clicked();
    void doubleClicked();
    void mousePressed(QMouseEvent *event);
    void mouseReleased(QMouseEvent *event);
    void mouseMove(QMouseEvent *event);

protected:
    virtual void PictureChanged();

    void paintEvent(QPaintEvent *event) override;
    // The skin at its own size at the top-left corner, never scaled.
    void drawPicture(QPainter &painter) const;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    QImage m_picture;
    bool m_autoSize = false;
    ClickTracker m_click;
};

} // namespace lumisnap
