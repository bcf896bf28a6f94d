#pragma once

#include "common/TColor.h"
#include "skin/AccessibleFace.h"
#include "skin/TfcText.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QRegion>
#include <QWidget>

#include <optional>

namespace lumisnap {

// Where the pieces of a button face go, and how far they move while it is pressed.
struct TfcImgDownOffsets
{
    int GlyphX = 0;
    int GlyphY = 0;
    int TextX = 0;
    int TextY = 0;
    int TextDownX = 1;
    int TextDownY = 1;
    int ImageDownX = 2;
    int ImageDownY = 2;

    bool operator==(const TfcImgDownOffsets &) const = default;
};

// A push button that paints its own face into an off-screen picture, has the outline
// of its region, and clicks when a left press is released over it. Unless given a
// focus policy it never takes the keyboard focus; with one, Space and Enter click it.
class TfcCustomBitBtn : public QWidget, public AccessibleFace
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ caption WRITE setCaption)
    Q_PROPERTY(bool Down READ Down WRITE setDown)
    Q_PROPERTY(int Margin READ Margin WRITE setMargin)
    Q_PROPERTY(uint Color READ Color WRITE setColor)
    Q_PROPERTY(uint FontColor READ fontColor WRITE setFontColor)
    Q_PROPERTY(bool ParentClipping READ ParentClipping WRITE setParentClipping)
public:
    static constexpr int kDefaultWidth = 75;
    static constexpr int kDefaultHeight = 25;

    enum State { UpState, DownState };

    explicit TfcCustomBitBtn(QWidget *parent = nullptr);
    ~TfcCustomBitBtn() override;

    const QString &caption() const { return m_caption; }
    void setCaption(const QString &caption);

    bool Down() const { return m_down; }
    void setDown(bool value);

    // -1 stands for the default margin.
    int Margin() const { return m_margin; }
    void setMargin(int value);

    TColor Color() const { return m_color; }
    void setColor(TColor value);

    TColor fontColor() const { return m_fontColor; }
    void setFontColor(TColor value);

    // The parent paints around its children, never over them. Qt always clips a
    // parent's painting so; the flag is kept for the designs that set it.
    bool ParentClipping() const { return m_parentClipping; }
    void setParentClipping(bool value) { m_parentClipping = value; }

    const TfcImgDownOffsets &Offsets() const { return m_offsets; }
    void setOffsets(const TfcImgDownOffsets &value);

    TfcCaptionText &TextOptions() { return m_textOptions; }
    const TfcCaptionText &TextOptions() const { return m_textOptions; }

    // Where the caption goes in the current state, in the button's coordinates.
    QRect LayoutCaption() const;

    // The stored regions of the two states: a 4-byte length and the region bytes, or
    // 4 zero bytes when none is stored.
    void readRegionData(QByteArrayView value) { readStored(UpState, value); }
    void readDownRegionData(QByteArrayView value) { readStored(DownState, value); }
    QByteArray writeRegionData() const { return writeStored(UpState); }
    QByteArray writeDownRegionData() const { return writeStored(DownState); }

    // Run once the design has set the button's properties.
    void loaded();

    // The region the window has now, if any.
    const std::optional<QRegion> &windowRegion() const { return m_region; }

    QAccessible::Role faceRole() const override { return QAccessible::PushButton; }
    // The caption without the blanks that place it on the face.
    QString faceName() const override { return m_caption.trimmed(); }
    bool facePressable() const override { return true; }
    void facePress() override { Click(); }

signals:
    void OnClick();

protected:
    // The region of a state, built and stored when none is stored for it.
    virtual std::optional<QRegion> ButtonRegion(State state) = 0;
    // Whether the outline changes while the button is pressed.
    virtual bool regionFollowsDown() const { return false; }
    // Draws the face (everything but the caption) into a picture of the button's size.
    virtual void DrawButtonFace(QPainter &painter) = 0;
    // False when the button is to have no region at all.
    virtual bool hasRegion() const { return true; }

    void ApplyButtonRegion();
    // Drops both stored regions and builds the region afresh.
    void rebuildRegion();
    // The region stored for a state, if any; corrupt bytes give none.
    std::optional<QRegion> storedRegion(State state) const;
    void storeRegion(State state, const std::optional<QRegion> &region);
    State currentState() const { return m_down ? DownState : UpState; }

    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool event(QEvent *event) override;

private:
    bool PointInButton(QPoint pos) const;
    void SetDownState(bool value);
    // A press whose release will never come ends as if released elsewhere.
    void CancelPress();
    void Click();
    void readStored(State state, QByteArrayView value);
    QByteArray writeStored(State state) const;

    QString m_caption;
    bool m_down = false;
    int m_margin = -1;
    TColor m_color = clBtnFace;
    TColor m_fontColor = clBlack;
    bool m_parentClipping = false;
    TfcImgDownOffsets m_offsets;
    TfcCaptionText m_textOptions;
    std::optional<QRegion> m_region;
    QSize m_regionSize;
    QRect m_captionRect;
    bool m_tracking = false;
    bool m_downAtPress = false;
    std::optional<QByteArray> m_stored[2];
};

} // namespace lumisnap
