#pragma once

#include <cstdint>

namespace lumisnap {

// The most pixels a reader will decode into one picture: far above any real
// photograph (a 16384 x 16384 canvas), far below what would exhaust memory.
// Larger sizes in a file's header are refused with the format's own error.
inline constexpr std::int64_t MaxPicturePixels = std::int64_t(1) << 28;

inline constexpr bool exceedsPictureLimit(std::int64_t width, std::int64_t height)
{
    return width < 0 || height < 0 || (width > 0 && height > MaxPicturePixels / width);
}

// Pixels a picture may declare beyond what its data can fill: a file cut short
// still shows what it holds, but a few bytes must not make a reader allocate
// gigabytes.
inline constexpr std::int64_t UnbackedPixelAllowance = std::int64_t(1) << 22;

// True when declared pixels are both more than four times what the data can
// reach and more than the allowance beyond it.
inline constexpr bool exceedsItsData(std::int64_t declared, std::int64_t reachable)
{
    return declared - reachable > UnbackedPixelAllowance && declared / 4 > reachable;
}

} // namespace lumisnap
