#include "controls/TPanel.h"

#include "common/TColor.h"

#include <QPainter>

namespace lumisnap {

namespace {

// One edge of a bevel: light along the top and left, dark along the bottom and right.
void drawBevel(QPainter &painter, QRect &r, TColor topLeft, TColor bottomRight)
{
    const QColor light = toQColor(topLeft);
    const QColor dark = toQColor(bottomRight);
    painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), light);
    painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), light);
    painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), dark);
    painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), dark);
    r.adjust(1, 1, -1, -1);
}

} // namespace

TPanel::TPanel(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_NoMousePropagation);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TPanel::setCaption(const QString &caption)
{
    if (m_caption == caption)
        return;
    m_caption = caption;
    update();
    announceNameChange(this);
}

void TPanel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QRect r = rect();
    painter.fillRect(r, toQColor(clBtnFace));
    drawBevel(painter, r, clWindowFrame, clWindowFrame);
    drawBevel(painter, r, clBtnHighlight, clBtnShadow);
    drawBevel(painter, r, clBtnShadow, clBtnHighlight);
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.drawText(r, Qt::AlignCenter | Qt::TextSingleLine, m_caption);
}

} // namespace lumisnap
