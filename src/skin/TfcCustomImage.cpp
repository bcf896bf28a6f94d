#include "skin/TfcCustomImage.h"

#include <QMetaMethod>
#include <QMouseEvent>
#include <QPainter>

namespace lumisnap {

namespace {
constexpr int kDefaultSize = 105;
}

TfcCustomImage::TfcCustomImage(QWidget *parent)
    : QWidget(parent)
{
    resize(kDefaultSize, kDefaultSize);
    setMouseTracking(true);
}

void TfcCustomImage::setPicture(const QImage &picture)
{
    m_picture = picture;
    PictureChanged();
}

void TfcCustomImage::setAutoSize(bool autoSize)
{
    if (m_autoSize == autoSize)
        return;
    m_autoSize = autoSize;
    PictureChanged();
}

bool TfcCustomImage::hasMouseHandler() const
{
    return isSignalConnected(QMetaMethod::fromSignal(&TfcCustomImage::clicked))
        || isSignalConnected(QMetaMethod::fromSignal(&TfcCustomImage::mousePressed));
}

void TfcCustomImage::PictureChanged()
{
    if (m_autoSize && m_picture.width() > 0 && m_picture.height() > 0)
        setGeometry(x(), y(), m_picture.width(), m_picture.height());
    // A picture that covers the control lets Qt skip painting what lies below it.
    const bool opaque = !m_picture.isNull() && !m_picture.hasAlphaChannel()
        && m_picture.width() >= width() && m_picture.height() >= height();
    setAttribute(Qt::WA_OpaquePaintEvent, opaque);
    update();
}

void TfcCustomImage::paintEvent(QPaintEvent *)
{
    if (m_picture.isNull())
        return;
    QPainter painter(this);
    drawPicture(painter);
}

void TfcCustomImage::drawPicture(QPainter &painter) const
{
    painter.drawImage(QPoint(0, 0), m_picture);
}

void TfcCustomImage::mousePressEvent(QMouseEvent *event)
{
    m_click.press(event);
    emit mousePressed(event);
    // Presses go on to the form, as for any control without a window of its own: the
    // skin's hook decides there whether the press moves the window.
    event->ignore();
}

void TfcCustomImage::mouseReleaseEvent(QMouseEvent *event)
{
    emit mouseReleased(event);
    if (m_click.release(event, rect()))
        emit clicked();
}

void TfcCustomImage::mouseDoubleClickEvent(QMouseEvent *event)
{
    emit doubleClicked();
    emit mousePressed(event);
    event->ignore();
}

void TfcCustomImage::mouseMoveEvent(QMouseEvent *event)
{
    emit mouseMove(event);
}

} // namespace lumisnap
