#pragma once

#include "common/TColor.h"
#include "skin/AccessibleFace.h"
#include "skin/ClickTracker.h"
#include "skin/TfcText.h"

#include <QPointer>
#include <QWidget>

class QMouseEvent;

namespace lumisnap {

// A text control that draws its caption with a drop shadow, usually with a
// transparent background over a skin.
class TfcCustomLabel : public QWidget, public AccessibleFace
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ caption WRITE setCaption)
    Q_PROPERTY(bool AutoSize READ autoSize WRITE setAutoSize)
    Q_PROPERTY(bool Transparent READ transparent WRITE setTransparent)
    Q_PROPERTY(uint Color READ color WRITE setColor)
    Q_PROPERTY(uint FontColor READ fontColor WRITE setFontColor)
public:
    static constexpr int kDefaultWidth = 65;
    static constexpr int kDefaultHeight = 17;

    explicit TfcCustomLabel(QWidget *parent = nullptr);

    const QString &caption() const { return m_caption; }
    void setCaption(const QString &caption);

    bool autoSize() const { return m_autoSize; }
    void setAutoSize(bool autoSize);

    // A transparent label draws only its text and shadow; an opaque one fills its
    // area with Color first.
    bool transparent() const { return !testAttribute(Qt::WA_OpaquePaintEvent); }
    void setTransparent(bool transparent);

    TColor color() const { return m_color; }
    void setColor(TColor color);

    // The colour the text is drawn in while the label is enabled.
    TColor fontColor() const { return m_fontColor; }
    void setFontColor(TColor color);

    QWidget *focusControl() const { return m_focusControl; }
    void setFocusControl(QWidget *control) { m_focusControl = control; }

    TfcCaptionText &textOptions() { return m_textOptions; }
    const TfcCaptionText &textOptions() const { return m_textOptions; }

    // Re-measures an auto-sized label; run once the label's properties are all set.
    void AdjustBounds();
    void loaded() { AdjustBounds(); }

    bool hasMouseHandler() const;

    // A label used as a button: Tab reaches it, it shows a focus mark, Space and Enter
    // click it, and assistive tools see a push button. Off by default.
    bool buttonLike() const { return m_buttonLike; }
    void setButtonLike(bool buttonLike);
    // What a completed click runs, when the label is enabled.
    void click();

    QAccessible::Role faceRole() const override;
    QString faceName() const override;
    bool facePressable() const override { return m_buttonLike; }
    void facePress() override { click(); }

signals:
    void clicked();
    void doubleClicked();
    void mousePressed(QMouseEvent *event);
    void mouseReleased(QMouseEvent *event);
    void mouseMoved(QMouseEvent *event);
    void mouseEntered();
    void mouseLeft();

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    QString m_caption;
    bool m_autoSize = true;
    TColor m_color = clBtnFace;
    TColor m_fontColor = clBlack;
    QPointer<QWidget> m_focusControl;
    TfcCaptionText m_textOptions;
    ClickTracker m_click;
    bool m_buttonLike = false;
};

} // namespace lumisnap
