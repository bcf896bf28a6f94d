#pragma once

#include "skin/TfcCustomBitBtn.h"

#include <QImage>

namespace lumisnap {

enum TfcDitherStyle { dsDither, dsBlendDither, dsFill };

// A button whose face is a picture stretched to its size and whose outline is that
// picture's pixels other than the transparent colour.
class TfcCustomImageBtn : public TfcCustomBitBtn
{
    Q_OBJECT
    Q_PROPERTY(uint TransparentColor READ TransparentColor WRITE setTransparentColor)
    Q_PROPERTY(uint DitherColor READ DitherColor WRITE setDitherColor)
public:
    // A transparent colour that turns transparency and the outline off.
    static constexpr TColor NoTransparency = 0x0FFFFFFF;

    explicit TfcCustomImageBtn(QWidget *parent = nullptr);

    const QImage &Image() const { return m_image; }
    void setImage(const QImage &image);
    const QImage &ImageDown() const { return m_imageDown; }
    void setImageDown(const QImage &image);

    TColor TransparentColor() const { return m_transparentColor; }
    void setTransparentColor(TColor value);
    TColor DitherColor() const { return m_ditherColor; }
    void setDitherColor(TColor value);
    TfcDitherStyle DitherStyle() const { return m_ditherStyle; }
    void setDitherStyle(TfcDitherStyle value);

    // The colour left out of a state's face: clNone stands for the face's top-left
    // pixel. None when nothing is transparent.
    std::optional<TColor> EffectiveTransparentColor(State state) const;

    // The state's picture stretched to the button's size, whole pixels repeated or
    // dropped, so that a region scan of it reproduces the stored regions.
    QImage PrepareFace(State state) const;

    // A picture stretched to size by whole pixels: source column s fills destination
    // columns round(s * width / source width) up to round((s + 1) * ...), and rows alike.
    static QImage stretchPicture(const QImage &source, QSize size);

protected:
    std::optional<QRegion> ButtonRegion(State state) override;
    bool regionFollowsDown() const override { return !m_imageDown.isNull(); }
    void DrawButtonFace(QPainter &painter) override;
    bool hasRegion() const override { return m_transparentColor != NoTransparency; }

private:
    const QImage &stateImage(State state) const;
    void imageChanged(State state);

    QImage m_image;
    QImage m_imageDown;
    TColor m_transparentColor = clNone;
    TColor m_ditherColor = clWhite;
    TfcDitherStyle m_ditherStyle = dsDither;
};

} // namespace lumisnap
