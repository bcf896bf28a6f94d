#pragma once

#include <QSize>

namespace lumisnap {

// How a preview will draw the pictures next to the one it shows, so that they can
// be decoded ahead at the size and in the part it will draw.
struct PreviewPlacement
{
    enum class Mode { Whole, Stretched, Centred, Plain };
    Mode mode = Mode::Whole;
    QSize box; // what the preview shows of the picture, in its pixels
    qreal devicePixelRatio = 1.0;
};

} // namespace lumisnap
