#include "skin/TfcCustomImageForm.h"

#include "skin/DragOutline.h"
#include "skin/RegionData.h"
#include "skin/RegionScan.h"
#include "skin/TfcCaptureMessageClass.h"
#include "skin/TfcCustomLabel.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include <cstdlib>

namespace lumisnap {

namespace {

bool onWayland()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

bool controlHasMouseHandler(QWidget *control)
{
    if (auto *image = qobject_cast<TfcCustomImage *>(control))
        return image->hasMouseHandler();
    if (auto *label = qobject_cast<TfcCustomLabel *>(control))
        return label->hasMouseHandler();
    // Other controls handle the mouse themselves.
    return true;
}

} // namespace

TfcCustomImageForm::TfcCustomImageForm(QWidget *parent)
    : TfcCustomImage(parent ? parent->window() : nullptr)
{
    attachToForm(parentWidget());
}

TfcCustomImageForm::~TfcCustomImageForm()
{
    endDrag();
}

void TfcCustomImageForm::attachToForm(QWidget *form)
{
    m_form = form;
    if (!form)
        return;
    const bool wasVisible = form->isVisible();
    form->setWindowFlag(Qt::FramelessWindowHint, true);
    // A window mask limits only input under Wayland, so the shape also comes from the
    // pixels: nothing is painted outside the region. Set before the window exists.
    form->setAttribute(Qt::WA_TranslucentBackground);
    if (wasVisible)
        form->show();
    setGeometry(form->rect());
    lower();
    FMessageHook = new TfcCaptureMessageClass(this);
    FMessageHook->setMessageTypes({ QEvent::MouseButtonPress, QEvent::MouseMove, QEvent::Resize });
    // Moves over a disabled control come to the form; the skin may lie below it.
    form->setMouseTracking(true);
    FMessageHook->attach(form);
    FMessageHook->setEnabled(true);
    FMessageHook->AfterMessage = [this](QEvent *message) { FormMessage(message); };
}

void TfcCustomImageForm::setPicture(const QImage &picture)
{
    TfcCustomImage::setPicture(picture);
    if (m_form && picture.width() > 0 && picture.height() > 0)
        m_form->resize(picture.size());
    update();
}

void TfcCustomImageForm::PictureChanged()
{
    TfcCustomImage::PictureChanged();
    fitFormToSelf();
}

void TfcCustomImageForm::resizeEvent(QResizeEvent *event)
{
    TfcCustomImage::resizeEvent(event);
    fitFormToSelf();
}

// With AutoSize the form's client area is exactly the skin's size.
void TfcCustomImageForm::fitFormToSelf()
{
    if (autoSize() && m_form && m_form->size() != size())
        m_form->resize(size());
}

void TfcCustomImageForm::readRegionData(const QByteArray &value)
{
    const RegionData::Stored stored = RegionData::fromPropertyValue(value);
    if (stored.empty) {
        FRegion.reset();
        RebuildRegion();
        return;
    }
    FRegion = stored.region;
    if (FRegion)
        applyRegion();
}

QByteArray TfcCustomImageForm::writeRegionData()
{
    RebuildRegion();
    return RegionData::toPropertyValue(FRegion);
}

TColor TfcCustomImageForm::EffectiveTransparentColor() const
{
    const QImage &bitmap = picture();
    if (m_transparentColor != clNone || bitmap.isNull())
        return m_transparentColor;
    const QRgb bottomLeft = bitmap.pixel(0, bitmap.height() - 1);
    return colorFromRgb(qRed(bottomLeft), qGreen(bottomLeft), qBlue(bottomLeft));
}

void TfcCustomImageForm::RebuildRegion()
{
    if (m_form)
        m_form->clearMask();
    FRegion = BuildRegionFromBitmap(picture(), EffectiveTransparentColor());
    applyRegion();
}

void TfcCustomImageForm::applyRegion()
{
    if (!m_form)
        return;
    if (FRegion)
        m_form->setMask(*FRegion);
    else
        m_form->clearMask();
}

void TfcCustomImageForm::paintEvent(QPaintEvent *event)
{
    if (!FRegion || picture().isNull()) {
        TfcCustomImage::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.setClipRegion(*FRegion);
    drawPicture(painter);
}

void TfcCustomImageForm::FormMessage(QEvent *message)
{
    switch (message->type()) {
    case QEvent::Resize:
        setGeometry(m_form->rect());
        break;
    case QEvent::MouseButtonPress:
        formPressed(static_cast<QMouseEvent *>(message));
        break;
    case QEvent::MouseMove:
        formMouseMoved(static_cast<QMouseEvent *>(message));
        break;
    default:
        break;
    }
}

// A move no control took: the pointer is over a disabled control (or none). The
// topmost enabled control below it gets the move, and that may be the skin.
void TfcCustomImageForm::formMouseMoved(QMouseEvent *move)
{
    const QPoint at = move->position().toPoint();
    const QObjectList &children = m_form->children();
    for (auto it = children.crbegin(); it != children.crend(); ++it) {
        auto *control = qobject_cast<QWidget *>(*it);
        if (!control || control->isWindow() || control->isHidden() || !control->isEnabled()
            || !control->geometry().contains(at))
            continue;
        if (control == this)
            emit mouseMove(move);
        return;
    }
}

void TfcCustomImageForm::formPressed(QMouseEvent *press)
{
    if (press->button() != Qt::LeftButton)
        return;
    const QPoint at = press->position().toPoint();
    QWidget *found = controlAt(at);
    const bool start = m_captionBarControl
        ? (!found || !controlHasMouseHandler(found) || found == m_captionBarControl)
        : found == this;
    if (!start)
        return;
    StartFormDrag(press->buttons() | Qt::LeftButton, press->modifiers(), at);
    if (m_dragging)
        press->accept();
}

// The form's direct child at a point, disabled controls included.
QWidget *TfcCustomImageForm::controlAt(QPoint at) const
{
    QWidget *found = m_form->childAt(at);
    while (found && found->parentWidget() != m_form)
        found = found->parentWidget();
    return found;
}

void TfcCustomImageForm::StartFormDrag(Qt::MouseButtons buttons, Qt::KeyboardModifiers, QPoint at)
{
    if (m_captionBarControl) {
        const QRect bar(
            m_captionBarControl->mapTo(m_form, QPoint(0, 0)), m_captionBarControl->size());
        if (!bar.contains(at))
            return;
    }
    if (buttons & Qt::LeftButton)
        TrackFormDrag(at);
}

void TfcCustomImageForm::TrackFormDrag(QPoint grab)
{
    m_grab = grab;
    m_newRect = QRect();
    m_dragging = true;
    // Mouse moves of the form are taken out of the queue while the button is held, so
    // no control sees them until the release.
    qApp->installEventFilter(this);
}

bool TfcCustomImageForm::UseFullWindowDrag() const
{
    return m_options & ifUseWindowsDrag;
}

void TfcCustomImageForm::DragMoveTo(QPoint cursor)
{
    const QPoint g = m_form->mapToGlobal(m_grab);
    if (std::abs(qint64(cursor.x()) - g.x()) <= m_dragTolerance
        && std::abs(qint64(cursor.y()) - g.y()) <= m_dragTolerance)
        return;
    if (onWayland()) {
        // The compositor places windows there; it takes the drag over from here.
        endDrag();
        if (QWindow *window = m_form->windowHandle())
            window->startSystemMove();
        return;
    }
    if (UseFullWindowDrag()) {
        FDragMoved = true;
        m_form->move(cursor - m_grab);
        return;
    }
    FDragMoved = true;
    m_newRect = QRect(cursor - m_grab, m_form->size());
    DrawDragFrame(m_newRect);
    FDragFrame = m_newRect;
}

void TfcCustomImageForm::DragFinish(QPoint)
{
    if (!FDragMoved)
        return;
    FDragMoved = false;
    if (UseFullWindowDrag())
        return;
    eraseDragFrame();
    m_form->move(m_newRect.topLeft());
}

void TfcCustomImageForm::DrawDragFrame(const QRect &frame)
{
    if (!m_outline)
        m_outline = std::make_unique<DragOutline>();
    m_outline->showFrame(frame);
}

void TfcCustomImageForm::eraseDragFrame()
{
    if (m_outline)
        m_outline->hide();
    FDragFrame = QRect();
}

// Ends a drag without moving the window; an outline left on the screen goes too.
void TfcCustomImageForm::endDrag()
{
    if (!m_dragging)
        return;
    m_dragging = false;
    FDragMoved = false;
    eraseDragFrame();
    qApp->removeEventFilter(this);
}

bool TfcCustomImageForm::belongsToForm(QObject *object) const
{
    if (!m_form)
        return false;
    if (object == m_form->windowHandle())
        return true;
    auto *widget = qobject_cast<QWidget *>(object);
    return widget && widget->window() == m_form;
}

bool TfcCustomImageForm::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_dragging || !belongsToForm(watched))
        return TfcCustomImage::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseMove: {
        auto *move = static_cast<QMouseEvent *>(event);
        if (!(move->buttons() & Qt::LeftButton)) {
            // The release went elsewhere: the drag is over without a move.
            endDrag();
            return false;
        }
        DragMoveTo(move->globalPosition().toPoint());
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto *release = static_cast<QMouseEvent *>(event);
        if (release->button() != Qt::LeftButton)
            return false;
        DragFinish(release->globalPosition().toPoint());
        endDrag();
        // The release itself is delivered as usual, so the control under the pointer
        // still sees it and its click.
        return false;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        // A press while dragging means the release was lost (another window or the
        // system took it): the drag ends, and the press counts as a new one.
        endDrag();
        return false;
    case QEvent::Hide:
    case QEvent::WindowDeactivate:
        if (watched == m_form)
            endDrag();
        return false;
    case QEvent::FocusOut:
        // The keyboard went elsewhere, and with it any hope of the release.
        endDrag();
        return false;
    default:
        return false;
    }
}

} // namespace lumisnap
