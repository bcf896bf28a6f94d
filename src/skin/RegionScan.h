#pragma once

#include "common/TColor.h"

#include <QImage>
#include <QRegion>

#include <optional>

namespace lumisnap {

// The region of a picture's pixels that differ from colour, one rectangle per
// horizontal run, or none for an empty or wholly transparent picture.
// Indexed pictures compare each pixel's palette colour with colour; any other
// format reads each pixel as a 0x00BBGGRR value and compares it with colour as
// it stands, so a system colour or clNone never matches there.
std::optional<QRegion> BuildRegionFromBitmap(const QImage &bitmap, TColor colour);

} // namespace lumisnap
