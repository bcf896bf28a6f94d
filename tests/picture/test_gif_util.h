#pragma once

#include <QByteArray>
#include <QList>

#include <cstdint>
#include <initializer_list>
#include <span>
#include <utility>

// Byte-built GIF streams for the decoder tests.
namespace gifbytes {

inline std::span<const std::uint8_t> view(const QByteArray &bytes)
{
    return { reinterpret_cast<const std::uint8_t *>(bytes.constData()), std::size_t(bytes.size()) };
}

inline QByteArray u16(int value)
{
    QByteArray out;
    out += char(value & 0xFF);
    out += char((value >> 8) & 0xFF);
    return out;
}

inline QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out += char(v);
    return out;
}

// Signature, then a logical screen of w x h; a global table of 2^bits grey
// entries (entry i = (i, i, i)) when bits > 0.
inline QByteArray gifHeader(int w, int h, int bits = 2, const char *signature = "GIF89a")
{
    QByteArray out(signature);
    out += u16(w) + u16(h);
    out += char(bits > 0 ? 0x80 | (bits - 1) : 0); // table flag, resolution 1, size
    out += char(0); // background index
    out += char(0); // aspect
    for (int i = 0; i < (bits > 0 ? 1 << bits : 0); ++i)
        out += bytes({ i, i, i });
    return out;
}

// Codes packed least-significant bit first, each with its own width.
inline QByteArray packCodes(std::initializer_list<std::pair<int, int>> codes)
{
    QByteArray out;
    std::uint32_t bits = 0;
    int count = 0;
    for (auto [code, width] : codes) {
        bits |= std::uint32_t(code) << count;
        count += width;
        for (; count >= 8; count -= 8, bits >>= 8)
            out += char(bits & 0xFF);
    }
    if (count > 0)
        out += char(bits & 0xFF);
    return out;
}

// LZW data that sends every pixel as its own code, with a clear code before the
// table would widen the codes: the minimum code size, sub-blocks of blockSize,
// terminator.
inline QByteArray literalLzw(const QList<int> &pixels, int codeSize = 2, int blockSize = 255)
{
    const int clear = 1 << codeSize;
    const int width = codeSize + 1;
    QByteArray packed;
    std::uint32_t bits = 0;
    int count = 0;
    auto put = [&](int code) {
        bits |= std::uint32_t(code) << count;
        for (count += width; count >= 8; count -= 8, bits >>= 8)
            packed += char(bits & 0xFF);
    };
    for (int i = 0; i < pixels.size(); ++i) {
        if (i % (clear - 2) == 0)
            put(clear);
        put(pixels[i]);
    }
    put(clear + 1);
    if (count > 0)
        packed += char(bits & 0xFF);
    QByteArray out(1, char(codeSize));
    for (qsizetype i = 0; i < packed.size(); i += blockSize) {
        out += char(std::min<qsizetype>(blockSize, packed.size() - i));
        out += packed.mid(i, blockSize);
    }
    return out + '\0';
}

// Image descriptor at (0, 0): size, packed byte, then the data given.
inline QByteArray image(int w, int h, const QByteArray &data, int packed = 0)
{
    return ',' + u16(0) + u16(0) + u16(w) + u16(h) + char(packed) + data;
}

// Graphic control: packed (bit 0 transparent, bits 2-4 disposal), delay, index.
inline QByteArray graphicControl(int packed, int delay, int index)
{
    return bytes({ '!', 0xF9, 4, packed }) + u16(delay) + bytes({ index, 0 });
}

inline QByteArray application(const char *id, const QByteArray &block)
{
    return bytes({ '!', 0xFF, 11 }) + QByteArray(id, 11) + char(block.size()) + block + '\0';
}

} // namespace gifbytes
