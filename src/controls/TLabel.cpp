#include "controls/TLabel.h"

#include <QMouseEvent>

namespace lumisnap {

TLabel::TLabel(QWidget *parent)
    : QWidget(parent)
{
    setMouseTracking(true);
}

void TLabel::mousePressEvent(QMouseEvent *event)
{
    m_click.press(event);
}

void TLabel::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_click.release(event, rect()))
        emit clicked();
}

void TLabel::mouseMoveEvent(QMouseEvent *event)
{
    emit mouseMoved(event);
}

} // namespace lumisnap
