#include "skin/TfcCustomBitBtn.h"

#include "common/ErrorReport.h"
#include "skin/KeyboardReach.h"
#include "skin/RegionData.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QtEndian>

namespace lumisnap {

namespace {

// A margin of -1 means this many pixels.
constexpr int DefaultMargin = 4;
// The caption is laid out inside the button shrunk by this much on every side.
constexpr int PaintInset = 2;
// Without a glyph the caption's anchor is spaced this far from it.
constexpr int NoGlyphSpacing = -3;
constexpr qsizetype LengthSize = 4;

} // namespace

TfcCustomBitBtn::TfcCustomBitBtn(QWidget *parent)
    : QWidget(parent)
    , m_textOptions(TfcText::Host {
          [this] { update(); }, [this] { update(); }, [this] { return isEnabled(); } })
{
    m_textOptions.setAlignment(taCenter);
    m_textOptions.setVAlignment(vaVCenter);
    setFocusPolicy(Qt::NoFocus);
    resize(kDefaultWidth, kDefaultHeight);
}

TfcCustomBitBtn::~TfcCustomBitBtn() = default;

void TfcCustomBitBtn::setCaption(const QString &caption)
{
    if (m_caption == caption)
        return;
    m_caption = caption;
    m_textOptions.setCaption(caption);
    update();
}

void TfcCustomBitBtn::setDown(bool value)
{
    if (m_down == value)
        return;
    m_down = value;
    if (regionFollowsDown())
        ApplyButtonRegion();
    update();
}

void TfcCustomBitBtn::setMargin(int value)
{
    if (m_margin == value)
        return;
    m_margin = value;
    update();
}

void TfcCustomBitBtn::setColor(TColor value)
{
    if (m_color == value)
        return;
    m_color = value;
    update();
}

void TfcCustomBitBtn::setFontColor(TColor value)
{
    if (m_fontColor == value)
        return;
    m_fontColor = value;
    update();
}

void TfcCustomBitBtn::setOffsets(const TfcImgDownOffsets &value)
{
    if (m_offsets == value)
        return;
    m_offsets = value;
    update();
}

QRect TfcCustomBitBtn::LayoutCaption() const
{
    const QRect paintRect = rect().adjusted(PaintInset, PaintInset, -PaintInset, -PaintInset);
    const QSize text = m_textOptions.textRect(font(), paintRect, true).size();
    const int margin = m_margin == -1 ? DefaultMargin : m_margin;
    int anchorX = width() / 2;
    if (m_textOptions.alignment() == taLeftJustify)
        anchorX = text.width() / 2 + margin;
    else if (m_textOptions.alignment() == taRightJustify)
        anchorX = width() - margin - text.width() / 2;
    const int anchorY = height() / 2;
    QRect caption(anchorX - (text.width() + NoGlyphSpacing) / 2 + NoGlyphSpacing,
        anchorY - text.height() / 2, text.width(), text.height());
    caption.translate(m_offsets.TextX, m_offsets.TextY);
    if (m_down)
        caption.translate(m_offsets.TextDownX, m_offsets.TextDownY);
    return caption.intersected(rect());
}

void TfcCustomBitBtn::loaded()
{
    ApplyButtonRegion();
}

void TfcCustomBitBtn::ApplyButtonRegion()
{
    if (!hasRegion())
        return;
    clearMask();
    m_region = ButtonRegion(regionFollowsDown() ? currentState() : UpState);
    m_regionSize = size();
    if (m_region)
        setMask(*m_region);
}

void TfcCustomBitBtn::rebuildRegion()
{
    m_stored[UpState].reset();
    m_stored[DownState].reset();
    clearMask();
    m_region.reset();
    ApplyButtonRegion();
    update();
    if (QWidget *parent = parentWidget())
        parent->update(geometry());
}

std::optional<QRegion> TfcCustomBitBtn::storedRegion(State state) const
{
    if (!m_stored[state])
        return std::nullopt;
    return RegionData::fromRegionBytes(*m_stored[state]);
}

void TfcCustomBitBtn::storeRegion(State state, const std::optional<QRegion> &region)
{
    if (region)
        m_stored[state] = RegionData::toRegionBytes(*region);
    else
        m_stored[state].reset();
}

// The bytes are kept as they come; a length that runs past the value keeps nothing,
// so the region is built from the face instead.
void TfcCustomBitBtn::readStored(State state, QByteArrayView value)
{
    m_stored[state].reset();
    if (value.size() < LengthSize)
        return;
    const quint32 length = qFromLittleEndian<quint32>(value.data());
    if (length == 0 || length > quint64(value.size() - LengthSize))
        return;
    m_stored[state] = value.sliced(LengthSize, length).toByteArray();
}

QByteArray TfcCustomBitBtn::writeStored(State state) const
{
    const QByteArray bytes = m_stored[state].value_or(QByteArray());
    QByteArray value(LengthSize, '\0');
    qToLittleEndian<quint32>(quint32(bytes.size()), value.data());
    return value + bytes;
}

void TfcCustomBitBtn::paintEvent(QPaintEvent *)
{
    if (width() < 1 || height() < 1)
        return;
    try {
        // Drawn at the screen's resolution, so the caption stays sharp when scaled.
        const qreal ratio = devicePixelRatioF();
        QImage picture(size() * ratio, QImage::Format_RGB32);
        picture.setDevicePixelRatio(ratio);
        {
            QPainter painter(&picture);
            DrawButtonFace(painter);
            m_captionRect = LayoutCaption();
            m_textOptions.draw(painter, m_captionRect, font(), m_fontColor);
            if (hasFocus())
                // Inside the caption's own box: the outline of a shaped face cuts off more.
                drawFocusMark(painter, m_captionRect & rect(), toQColor(m_fontColor));
        }
        QPainter(this).drawImage(0, 0, picture);
    } catch (...) {
        reportCurrentExceptionLater();
    }
}

void TfcCustomBitBtn::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // A size that the region was made for (a resize held back until the first show)
    // keeps the stored region.
    if (size() != m_regionSize)
        rebuildRegion();
}

bool TfcCustomBitBtn::PointInButton(QPoint pos) const
{
    if (!m_tracking)
        return false;
    const QWidget *parent = parentWidget();
    if (!parent)
        return rect().contains(pos) && (!m_region || m_region->contains(pos));
    return parent->childAt(mapToParent(pos)) == this;
}

void TfcCustomBitBtn::SetDownState(bool value)
{
    if (m_down == value)
        return;
    m_down = value;
    if (regionFollowsDown())
        ApplyButtonRegion();
    repaint();
}

void TfcCustomBitBtn::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !(event->buttons() & Qt::LeftButton)) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_tracking = true;
    m_downAtPress = m_down;
    SetDownState(true);
}

void TfcCustomBitBtn::CancelPress()
{
    if (!m_tracking)
        return;
    m_tracking = false;
    SetDownState(m_downAtPress);
}

void TfcCustomBitBtn::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_tracking)
        return;
    // The release went elsewhere.
    if (!(event->buttons() & Qt::LeftButton)) {
        CancelPress();
        return;
    }
    const bool over = PointInButton(event->position().toPoint());
    if (over && !m_down)
        SetDownState(true);
    else if (!over && m_down && !m_downAtPress)
        SetDownState(false);
}

void TfcCustomBitBtn::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_tracking) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    SetDownState(false);
    const bool over = PointInButton(event->position().toPoint());
    m_tracking = false;
    if (over)
        Click();
}

void TfcCustomBitBtn::Click()
{
    // The click may hide the window or take the button away.
    const QPointer<TfcCustomBitBtn> alive(this);
    runHandler([this] { emit OnClick(); });
    if (alive)
        update();
}

void TfcCustomBitBtn::keyPressEvent(QKeyEvent *event)
{
    if (!isActivationKey(event)) {
        QWidget::keyPressEvent(event);
        return;
    }
    // The pressed look for a moment, as a mouse click shows it.
    SetDownState(true);
    SetDownState(false);
    Click();
}

void TfcCustomBitBtn::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    update();
}

void TfcCustomBitBtn::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    update();
}

void TfcCustomBitBtn::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::EnabledChange)
        update();
}

void TfcCustomBitBtn::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    CancelPress();
}

bool TfcCustomBitBtn::event(QEvent *event)
{
    // A modal box or another window takes the mouse along.
    const QEvent::Type type = event->type();
    if (type == QEvent::UngrabMouse || type == QEvent::WindowBlocked
        || type == QEvent::WindowDeactivate)
        CancelPress();
    return QWidget::event(event);
}

} // namespace lumisnap
