#pragma once

#include <QImage>

#include <cstdint>
#include <span>

namespace lumisnap {

// How a camera stored a photograph: Exif's orientation values 1 to 8.
// 1 is upright; 5 to 8 swap width and height.
class ExifOrientation
{
public:
    // The orientation a JPEG's Exif block gives; 1 when it has none or the block
    // is damaged, which is never an error.
    static int read(std::span<const std::uint8_t> jpeg);

    static bool swapsSides(int orientation) { return orientation >= 5 && orientation <= 8; }

    static QSize uprightSize(QSize stored, int orientation)
    {
        return swapsSides(orientation) ? stored.transposed() : stored;
    }
    // The stored picture turned upright.
    static QImage apply(const QImage &stored, int orientation);
    // Rows [top, top + band's height) of a stored picture storedHeight rows high, put
    // where they belong in upright, the whole picture turned upright; a decoder turns
    // a picture as its rows come, with no second copy of it.
    static void placeBand(
        const QImage &band, int top, int storedHeight, QImage &upright, int orientation);
};

} // namespace lumisnap
