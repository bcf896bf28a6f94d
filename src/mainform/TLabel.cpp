#include "mainform/TLabel.h"

#include <QMouseEvent>

namespace lumisnap {

TLabel::TLabel(QWidget *parent)
    : QWidget(parent)
{
    setMouseTracking(true);
}

void TLabel::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton;
}

void TLabel::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton
        && rect().contains(event->position().toPoint());
    m_pressed = false;
    if (click)
        emit clicked();
}

void TLabel::mouseMoveEvent(QMouseEvent *event)
{
    emit mouseMoved(event);
}

} // namespace lumisnap
