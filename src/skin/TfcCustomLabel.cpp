#include "skin/TfcCustomLabel.h"

#include "skin/KeyboardReach.h"

#include <QKeyEvent>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QPainter>

namespace lumisnap {

TfcCustomLabel::TfcCustomLabel(QWidget *parent)
    : QWidget(parent)
    , m_textOptions(TfcText::Host {
          [this] { update(); }, [this] { AdjustBounds(); }, [this] { return isEnabled(); } })
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    resize(kDefaultWidth, kDefaultHeight);
}

void TfcCustomLabel::setCaption(const QString &caption)
{
    if (m_caption == caption)
        return;
    m_caption = caption;
    m_textOptions.setCaption(caption);
    AdjustBounds();
    update();
    announceNameChange(this);
}

void TfcCustomLabel::setAutoSize(bool autoSize)
{
    if (m_autoSize == autoSize)
        return;
    m_autoSize = autoSize;
    AdjustBounds();
    update();
}

void TfcCustomLabel::setTransparent(bool transparent)
{
    if (this->transparent() == transparent)
        return;
    setAttribute(Qt::WA_OpaquePaintEvent, !transparent);
    update();
}

void TfcCustomLabel::setColor(TColor color)
{
    if (m_color == color)
        return;
    m_color = color;
    update();
}

void TfcCustomLabel::setFontColor(TColor color)
{
    if (m_fontColor == color)
        return;
    m_fontColor = color;
    update();
    AdjustBounds();
}

void TfcCustomLabel::AdjustBounds()
{
    if (!m_autoSize)
        return;
    const QRect text = m_textOptions.textRect(font(), rect(), true);
    // A right-justified label grows and shrinks to the left.
    const int left
        = m_textOptions.alignment() == taRightJustify ? x() + width() - text.width() : x();
    setGeometry(left, y(), text.width(), text.height());
}

bool TfcCustomLabel::hasMouseHandler() const
{
    return isSignalConnected(QMetaMethod::fromSignal(&TfcCustomLabel::clicked))
        || isSignalConnected(QMetaMethod::fromSignal(&TfcCustomLabel::mousePressed));
}

void TfcCustomLabel::setButtonLike(bool buttonLike)
{
    if (m_buttonLike == buttonLike)
        return;
    m_buttonLike = buttonLike;
    setFocusPolicy(buttonLike ? Qt::TabFocus : Qt::NoFocus);
    update();
}

void TfcCustomLabel::click()
{
    if (isEnabled())
        emit clicked();
}

QAccessible::Role TfcCustomLabel::faceRole() const
{
    return m_buttonLike ? QAccessible::PushButton : QAccessible::StaticText;
}

QString TfcCustomLabel::faceName() const
{
    // As the label shows it: "&&" is one ampersand, a single one marks an accelerator.
    if (!m_textOptions.options().testFlag(toShowAccel))
        return m_caption;
    QString name;
    for (qsizetype i = 0; i < m_caption.size(); ++i) {
        if (m_caption.at(i) == QLatin1Char('&') && ++i == m_caption.size())
            break;
        name += m_caption.at(i);
    }
    return name;
}

void TfcCustomLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (!transparent())
        painter.fillRect(rect(), toQColor(m_color));
    m_textOptions.draw(painter, rect(), font(), m_fontColor);
    if (m_buttonLike && hasFocus())
        drawFocusMark(painter, rect(), toQColor(m_fontColor));
}

void TfcCustomLabel::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        AdjustBounds();
    else if (event->type() == QEvent::EnabledChange)
        update();
}

void TfcCustomLabel::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    emit mouseEntered();
}

void TfcCustomLabel::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    emit mouseLeft();
}

void TfcCustomLabel::mousePressEvent(QMouseEvent *event)
{
    m_click.press(event);
    emit mousePressed(event);
    // The press goes on to the form, whose skin may make it a caption-bar drag.
    event->ignore();
}

void TfcCustomLabel::mouseReleaseEvent(QMouseEvent *event)
{
    emit mouseReleased(event);
    if (m_click.release(event, rect()))
        emit clicked();
}

void TfcCustomLabel::mouseDoubleClickEvent(QMouseEvent *event)
{
    emit doubleClicked();
    emit mousePressed(event);
    event->ignore();
}

void TfcCustomLabel::mouseMoveEvent(QMouseEvent *event)
{
    emit mouseMoved(event);
}

void TfcCustomLabel::keyPressEvent(QKeyEvent *event)
{
    if (!m_buttonLike || !isActivationKey(event)) {
        QWidget::keyPressEvent(event);
        return;
    }
    click();
}

void TfcCustomLabel::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    update();
}

void TfcCustomLabel::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    update();
}

} // namespace lumisnap
