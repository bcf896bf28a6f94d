#pragma once

#include "common/TColor.h"
#include "skin/TfcCustomImage.h"

#include <QPointer>
#include <QRegion>

#include <memory>
#include <optional>

namespace lumisnap {

class DragOutline;
class TfcCaptureMessageClass;

enum TfcImageFormOption { ifUseWindowsDrag = 0x1 };
Q_DECLARE_FLAGS(TfcImageFormOptions, TfcImageFormOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TfcImageFormOptions)

// The skin of a borderless window: paints its picture over the whole form, gives the
// form the outline of the picture's opaque pixels, and moves the form when the user
// drags the bare skin. It lies under every other control of the form.
class TfcCustomImageForm : public TfcCustomImage
{
    Q_OBJECT
    Q_PROPERTY(int DragTolerance READ dragTolerance WRITE setDragTolerance)
    Q_PROPERTY(uint TransparentColor READ transparentColor WRITE setTransparentColor)
public:
    static constexpr int kDefaultDragTolerance = 5;

    // parent is the form, or any control on it: the skin always sits on the form.
    explicit TfcCustomImageForm(QWidget *parent);
    ~TfcCustomImageForm() override;

    QWidget *form() const { return m_form; }

    void setPicture(const QImage &picture) override;

    int dragTolerance() const { return m_dragTolerance; }
    void setDragTolerance(int pixels) { m_dragTolerance = pixels; }

    TColor transparentColor() const { return m_transparentColor; }
    void setTransparentColor(TColor colour) { m_transparentColor = colour; }

    TfcImageFormOptions options() const { return m_options; }
    void setOptions(TfcImageFormOptions options) { m_options = options; }

    // When set, only presses inside this control (or on controls without a click or
    // press handler) move the window.
    QWidget *captionBarControl() const { return m_captionBarControl; }
    void setCaptionBarControl(QWidget *control) { m_captionBarControl = control; }

    // The stored region property: 4-byte length, then the region bytes. A zero length
    // scans the picture; bytes that make no region leave the window rectangular.
    void readRegionData(const QByteArray &value);
    QByteArray writeRegionData();

    const std::optional<QRegion> &region() const { return FRegion; }
    TColor EffectiveTransparentColor() const;
    virtual void RebuildRegion();

    bool dragging() const { return m_dragging; }

protected:
    virtual void DrawDragFrame(const QRect &frame);
    virtual void StartFormDrag(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, QPoint at);
    virtual void FormMessage(QEvent *message);
    virtual void TrackFormDrag(QPoint grab);
    virtual void DragMoveTo(QPoint cursor);
    virtual void DragFinish(QPoint cursor);
    virtual bool UseFullWindowDrag() const;

    void PictureChanged() override;
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void attachToForm(QWidget *form);
    void fitFormToSelf();
    void applyRegion();
    void formPressed(QMouseEvent *press);
    void formMouseMoved(QMouseEvent *move);
    QWidget *controlAt(QPoint at) const;
    bool belongsToForm(QObject *object) const;
    void eraseDragFrame();
    void endDrag();

    QPointer<QWidget> m_form;
    int m_dragTolerance = kDefaultDragTolerance;
    TColor m_transparentColor = clNone;
    std::optional<QRegion> FRegion;
    QPointer<QWidget> m_captionBarControl;
    TfcCaptureMessageClass *FMessageHook = nullptr;
    TfcImageFormOptions m_options;
    QRect FDragFrame;
    bool FDragMoved = false;

    bool m_dragging = false;
    QPoint m_grab;
    QRect m_newRect;
    std::unique_ptr<DragOutline> m_outline;
};

} // namespace lumisnap
