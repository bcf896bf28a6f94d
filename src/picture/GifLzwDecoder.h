#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace lumisnap {

// Expands a GIF image's LZW data (the minimum-code-size byte followed by the
// length-prefixed sub-blocks) into one byte per pixel, in stream order.
class GifLzwDecoder
{
public:
    // The longest string one code may expand to before the data counts as corrupt.
    static constexpr int StackLimit = 4096;

    struct Result
    {
        bool corrupt = false; // the data was damaged and decoding stopped early
        std::size_t written = 0; // pixels filled from the start of out
    };

    // Fills at most out.size() pixels, each cut to bitsPerPixel (1-8); pixels the
    // data does not reach are left as they are. With tolerateDamage off, damage
    // raises the GIF error instead of being reported as corrupt.
    static Result decode(std::span<const std::uint8_t> lzwData, int bitsPerPixel,
        std::span<std::uint8_t> out, bool tolerateDamage);

    // The most pixels dataBytes of LZW data can expand to: every code is at least
    // 3 bits wide and names a string of at most StackLimit pixels.
    static constexpr std::int64_t reachablePixels(std::size_t dataBytes)
    {
        return (std::int64_t(dataBytes) * 8 / 3 + 1) * StackLimit;
    }
};

} // namespace lumisnap
