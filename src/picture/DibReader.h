#pragma once

#include "common/ByteReader.h"

#include <QImage>
#include <QVector>

#include <cstdint>

namespace lumisnap {

// The device-independent bitmap layout shared by .bmp files and icon images:
// an information header, optional bit-field masks, a colour table, pixel rows.
namespace dib {

enum Compression : std::uint32_t { Rgb = 0, Rle8 = 1, Rle4 = 2, BitFields = 3 };

struct Header
{
    std::uint32_t size = 0; // 12 for the OS/2 core form, 40 or more otherwise
    std::int32_t width = 0;
    std::int32_t height = 0; // negative: rows stored top-down
    std::uint16_t planes = 0;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = Rgb;
    std::uint32_t imageSize = 0;
    std::uint32_t colorsUsed = 0;
    std::uint32_t masks[3] = { 0, 0, 0 }; // red, green, blue; used for 16 and 32 bits

    bool isCore() const { return size == 12; }
};

// Reads the information header (and the masks that follow a 40-byte one) and
// checks what every reader relies on; bad values throw EInvalidGraphic(invalidText).
Header readHeader(ByteReader &in, const QString &invalidText);

// The colour table that follows the header: colorsUsed entries, or the full count
// for 1, 4 and 8 bits when that is 0.
QVector<QRgb> readColorTable(ByteReader &in, const Header &header, const QString &invalidText);

// Bytes of one stored row: bits rounded up to whole 32-bit words.
std::int64_t rowStride(std::int64_t width, int bitCount);

// Turns the stored pixels into an image of width x rows. Uncompressed data that
// ends early leaves the missing rows at 0; broken run-length data throws, and so
// does data far too short for the size declared (see checkDataSize).
// Palette pictures give Mono (1 bit) or Indexed8 with the table padded to the
// depth's full count, 24 bits BGR888, the others RGB32.
// keepAlpha: 32-bit pixels keep their fourth byte as alpha (ARGB32), as icons need.
QImage decodePixels(std::span<const std::uint8_t> pixels, const Header &header,
    const QVector<QRgb> &colors, int rows, bool keepAlpha, const QString &invalidText);

// Uncompressed 1, 8 and 24-bit rows are kept exactly as stored, stride included,
// so they can be read straight into the image.
bool storesRowsVerbatim(const Header &header);

// The image row that the stored row number `stored` becomes.
int storedRowTarget(const Header &header, int rows, int stored);

// An image of the format decodePixels gives; clear fills it with 0 first.
QImage allocateImage(const Header &header, const QVector<QRgb> &colors, int rows, bool keepAlpha,
    bool clear, const QString &invalidText);

// Refuses a picture that declares far more pixels than dataBytes of its data can
// fill, before anything is allocated for it.
void checkDataSize(
    const Header &header, int rows, std::size_t dataBytes, const QString &invalidText);

} // namespace dib
} // namespace lumisnap
