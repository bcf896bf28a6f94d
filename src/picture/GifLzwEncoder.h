#pragma once

#include <QByteArray>

#include <cstdint>
#include <span>

namespace lumisnap {

// Compresses one byte per pixel into a GIF image's LZW data: the minimum-code-size
// byte, 255-byte sub-blocks and the terminator, as GifLzwDecoder reads it back.
class GifLzwEncoder
{
public:
    // depth is the bitmap's bits per pixel (1, 4 or 8); pixel values must fit it.
    static QByteArray encode(std::span<const std::uint8_t> pixels, int depth);
};

} // namespace lumisnap
