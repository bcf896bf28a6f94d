#pragma once

#include "common/TColor.h"

#include <QImage>
#include <QRect>

namespace lumisnap {

class TGIFImage;

// Composes the frames of a GIF animation onto a bitmap of its logical screen, applying
// each frame's disposal. The bitmap of the last frame composed is kept, so that the
// next frame is usually drawn over it instead of being rebuilt from an earlier one.
class GifFrameComposer
{
public:
    // Frame k (cut to the last frame) over what the frames before it leave.
    // windowColor fills the screen when the picture gives no background of its own.
    // May raise the decoder's errors for a frame that cannot be decoded.
    const QImage &compose(const TGIFImage &gif, int k, QRgb windowColor);

    // Forgets the cached bitmap: the picture changed.
    void reset();

    // The frame the bitmap shows, -1 when none.
    int composedIndex() const { return m_index; }
    // The colour that stands for transparency on the bitmap, clNone when none.
    TColor composedKey() const { return m_key; }
    const QImage &bitmap() const { return m_bitmap; }
    // The bitmap with its key colour made transparent.
    const QImage &maskedBitmap();

private:
    void rebuild(const TGIFImage &gif, int k, QRgb windowColor);
    void chooseBackground(const TGIFImage &gif, QRgb windowColor);
    static int startFrame(const TGIFImage &gif, int k);
    void drawFrame(const TGIFImage &gif, int j);
    void disposeFrame(const TGIFImage &gif, int j);

    QImage m_bitmap;
    QImage m_masked;
    int m_index = -1;
    TColor m_key = clNone;
    QRgb m_fill = 0;
};

// The frame's rectangle on the logical screen.
QRect frameRect(const TGIFImage &gif, int index);

} // namespace lumisnap
