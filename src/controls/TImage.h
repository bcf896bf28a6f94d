#pragma once

#include "picture/PreviewPlacement.h"
#include "picture/TPicture.h"
#include "skin/AccessibleFace.h"
#include "skin/ClickTracker.h"

#include <QWidget>

namespace lumisnap {

// A picture control: holds a picture and places it by AutoSize, Center and Stretch.
// Given a focus policy, it shows a focus mark and Space and Enter click it.
class TImage : public QWidget, public AccessibleFace
{
    Q_OBJECT
public:
    enum class Align { None, Client };

    explicit TImage(QWidget *parent = nullptr);

    TPicture &Picture() { return m_picture; }
    const TPicture &Picture() const { return m_picture; }

    bool AutoSize() const { return m_autoSize; }
    void setAutoSize(bool value);
    bool Center() const { return m_center; }
    void setCenter(bool value);
    bool Stretch() const { return m_stretch; }
    void setStretch(bool value);

    // One picture pixel to one device pixel on a scaled screen, where the picture
    // would otherwise be blown up; the control's size follows.
    bool devicePixels() const { return m_devicePixels; }
    void setDevicePixels(bool value);

    // Paints only the part of the picture that is seen, so that a large picture in a
    // small box decodes only that part.
    bool paintsVisibleOnly() const { return m_paintsVisibleOnly; }
    void setPaintsVisibleOnly(bool value) { m_paintsVisibleOnly = value; }
    // How this control draws a picture when box is what it shows of it: how the
    // pictures it may show next are decoded ahead.
    PreviewPlacement placement(const QSize &box) const;

    // Client: the control fills its parent (which lays it out); None: it is free.
    Align align() const { return m_align; }
    void setAlign(Align value);

    // Where the picture goes inside a control of the given size.
    static QRect destRect(const QSize &control, const QSize &picture, bool center, bool stretch);
    QRect destRect() const;

    // To assistive tools a graphic named by the shown file, pressed as it is clicked.
    QAccessible::Role faceRole() const override { return QAccessible::Graphic; }
    QString faceName() const override;
    bool facePressable() const override;
    void facePress() override { emit clicked(); }

    // The scale a picture is shown at unless stretched: 1 is one picture pixel to a
    // pixel; the control's automatic size follows it.
    qreal zoom() const { return m_zoom; }
    void setZoom(qreal value);
    // The zoom that fits the picture into area (in this control's units), never past 1.
    qreal fitZoom(const QSize &area) const;

signals:
    void clicked();
    void alignChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void paintFocusMark(QPainter &painter) const;
    void pictureChanged();
    void fitToPicture();
    qreal pixelScale() const { return m_devicePixels ? devicePixelRatioF() : 1.0; }
    QSize shownSize() const;

    TPicture m_picture;
    bool m_autoSize = false;
    bool m_center = false;
    bool m_stretch = false;
    ClickTracker m_click;
    Align m_align = Align::None;
    bool m_devicePixels = false;
    bool m_paintsVisibleOnly = false;
    QString m_announcedName;

    qreal m_zoom = 1.0;
};

} // namespace lumisnap
