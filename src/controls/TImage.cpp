#include "controls/TImage.h"

#include "common/ErrorReport.h"
#include "common/FileName.h"
#include "picture/PlacedRect.h"
#include "skin/KeyboardReach.h"

#include <QKeyEvent>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QPainter>
#include <QtMath>

#include <algorithm>

namespace lumisnap {

namespace {

constexpr qreal MinZoom = 1.0 / 64;
constexpr qreal MaxZoom = 16.0;

} // namespace

TImage::TImage(QWidget *parent)
    : QWidget(parent)
{
    m_picture.setOnChange([this] { pictureChanged(); });
}

void TImage::setAutoSize(bool value)
{
    if (m_autoSize == value)
        return;
    m_autoSize = value;
    fitToPicture();
}

void TImage::setCenter(bool value)
{
    if (m_center == value)
        return;
    m_center = value;
    fitToPicture();
    update();
}

void TImage::setStretch(bool value)
{
    if (m_stretch == value)
        return;
    m_stretch = value;
    fitToPicture();
    update();
}

void TImage::setDevicePixels(bool value)
{
    if (m_devicePixels == value)
        return;
    m_devicePixels = value;
    fitToPicture();
    update();
}

void TImage::setAlign(Align value)
{
    if (m_align == value)
        return;
    m_align = value;
    emit alignChanged();
    fitToPicture();
}

QRect TImage::destRect(const QSize &control, const QSize &picture, bool center, bool stretch)
{
    return placedRect(control, picture, center, stretch);
}

QRect TImage::destRect() const
{
    return destRect(size(), shownSize(), m_center, m_stretch);
}

QSize TImage::shownSize() const
{
    const QSize picture(m_picture.width(), m_picture.height());
    if (m_zoom == 1.0 || picture.isEmpty())
        return picture;
    return QSize(std::max(1, qRound(picture.width() * m_zoom)),
        std::max(1, qRound(picture.height() * m_zoom)));
}

void TImage::setZoom(qreal value)
{
    value = std::clamp(value, MinZoom, MaxZoom);
    if (m_zoom == value)
        return;
    m_zoom = value;
    fitToPicture();
    update();
}

qreal TImage::fitZoom(const QSize &area) const
{
    if (m_picture.width() <= 0 || m_picture.height() <= 0 || area.isEmpty())
        return 1.0;
    const qreal scale = pixelScale();
    return std::min({ 1.0, area.width() * scale / m_picture.width(),
        area.height() * scale / m_picture.height() });
}

PreviewPlacement TImage::placement(const QSize &box) const
{
    using Mode = PreviewPlacement::Mode;
    const Mode mode = m_stretch ? Mode::Stretched : m_center ? Mode::Centred : Mode::Plain;
    return { mode, box * pixelScale(), m_devicePixels ? 1.0 : devicePixelRatioF() };
}

QString TImage::faceName() const
{
    const QString &path = m_picture.fileName();
    return displayFileName(QStringView(path).mid(path.lastIndexOf(QLatin1Char('/')) + 1));
}

bool TImage::facePressable() const
{
    return isSignalConnected(QMetaMethod::fromSignal(&TImage::clicked));
}

void TImage::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    // An empty JPEG still draws once, so that its decoding error is reported.
    if (!m_picture.graphic()) {
        if (hasFocus())
            paintFocusMark(painter);
        return;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform, m_stretch || m_zoom != 1.0);
    if (m_paintsVisibleOnly) {
        const QRect visible = visibleRegion().boundingRect();
        if (!visible.isEmpty())
            painter.setClipRect(visible);
    }
    // Placed in device pixels, so that an unstretched picture is drawn 1:1.
    const qreal scale = pixelScale();
    painter.scale(1 / scale, 1 / scale);
    const QRect dest
        = destRect((QSizeF(size()) * scale).toSize(), shownSize(), m_center, m_stretch);
    try {
        m_picture.draw(painter, dest);
    } catch (...) {
        // A picture that fails at its first draw (a damaged JPEG) shows what it
        // decoded; its error is reported once this paint is over, not from inside it.
        reportCurrentExceptionLater();
        try {
            m_picture.draw(painter, dest);
        } catch (...) {
            // Reported above: one error per picture.
        }
    }
    if (hasFocus()) {
        painter.resetTransform();
        paintFocusMark(painter);
    }
}

// Dots over a solid line: seen on any picture and any background colour.
void TImage::paintFocusMark(QPainter &painter) const
{
    const QRect frame = rect().adjusted(1, 1, -2, -2);
    painter.save();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawRect(frame);
    painter.setPen(QPen(Qt::white, 1, Qt::DotLine));
    painter.drawRect(frame);
    painter.restore();
}

void TImage::mousePressEvent(QMouseEvent *event)
{
    m_click.press(event);
}

void TImage::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_click.release(event, rect()))
        emit clicked();
}

void TImage::keyPressEvent(QKeyEvent *event)
{
    if (focusPolicy() == Qt::NoFocus || !isActivationKey(event)) {
        QWidget::keyPressEvent(event);
        return;
    }
    emit clicked();
}

void TImage::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    update();
}

void TImage::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    update();
}

void TImage::pictureChanged()
{
    // Frames of an animation change the picture too: only a new file is news.
    if (const QString name = faceName(); name != m_announcedName) {
        m_announcedName = name;
        announceNameChange(this);
    }
    // The background shows only where the picture does not reach, and through icons.
    if (TGraphic *graphic = m_picture.graphic())
        TPicture::drawAsViewer(*graphic);
    fitToPicture();
    update();
}

void TImage::fitToPicture()
{
    if (m_autoSize && m_align == Align::None && m_picture.width() > 0 && m_picture.height() > 0) {
        const qreal scale = pixelScale();
        const QSize shown = shownSize();
        resize(qCeil(shown.width() / scale), qCeil(shown.height() / scale));
    }
}

} // namespace lumisnap
