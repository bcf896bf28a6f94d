#include "picture/GifLzwDecoder.h"

#include "common/Error.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace lumisnap {

namespace {

constexpr int MinCodeSize = 2;
constexpr int MaxCodeSize = 9;
constexpr int MaxCodeWidth = 12;
constexpr int TableSize = 1 << MaxCodeWidth;

// Code bytes without their sub-block framing, followed by 8 zero bytes so that a
// code can always be fetched with one unaligned 64-bit load.
std::vector<std::uint8_t> joinSubBlocks(std::span<const std::uint8_t> blocks, std::size_t &size)
{
    std::vector<std::uint8_t> joined(blocks.size() + 8, 0);
    std::size_t in = 0;
    size = 0;
    while (in < blocks.size()) {
        const std::size_t length = std::min<std::size_t>(blocks[in], blocks.size() - in - 1);
        if (length == 0)
            break;
        std::memcpy(joined.data() + size, blocks.data() + in + 1, length);
        size += length;
        in += length + 1;
    }
    return joined;
}

// Codes packed least-significant bit first; the end of the data ends decoding.
class CodeReader
{
public:
    CodeReader(const std::uint8_t *data, std::size_t size)
        : m_data(data)
        , m_totalBits(size * 8)
    {
    }

    bool next(int width, int &code)
    {
        if (m_bitPos + std::uint64_t(width) > m_totalBits)
            return false;
        std::uint64_t word;
        std::memcpy(&word, m_data + (m_bitPos >> 3), sizeof word);
        code = int((word >> (m_bitPos & 7)) & ((1u << width) - 1));
        m_bitPos += std::uint64_t(width);
        return true;
    }

private:
    const std::uint8_t *m_data;
    std::uint64_t m_totalBits;
    std::uint64_t m_bitPos = 0;
};

[[noreturn]] void throwCorrupt()
{
    throw EInvalidGraphicOperation(QStringLiteral("GIF encoded data is corrupt"));
}

} // namespace

GifLzwDecoder::Result GifLzwDecoder::decode(std::span<const std::uint8_t> lzwData, int bitsPerPixel,
    std::span<std::uint8_t> out, bool tolerateDamage)
{
    if (lzwData.empty())
        return {};
    bool corrupt = false;
    int codeSize = lzwData[0];
    if (codeSize < MinCodeSize || codeSize > MaxCodeSize) {
        if (!tolerateDamage)
            throw EInvalidGraphicOperation(QStringLiteral("GIF code size not in range 2 to 9"));
        corrupt = true;
        codeSize = std::clamp(codeSize, MinCodeSize, MaxCodeSize);
    }

    std::size_t dataSize = 0;
    const std::vector<std::uint8_t> data = joinSubBlocks(lzwData.subspan(1), dataSize);
    CodeReader reader(data.data(), dataSize);

    std::array<std::uint16_t, TableSize> prefix {};
    std::array<std::uint8_t, TableSize> suffix {};
    std::array<std::uint8_t, StackLimit + 1> stack;

    const int clearCode = 1 << codeSize;
    const int endCode = clearCode + 1;
    const int pixelMask = (1 << bitsPerPixel) - 1;
    int width = codeSize + 1;
    int limit = 1 << width;
    int nextFree = clearCode + 2;
    bool full = false;
    int previous = -1;
    std::uint8_t firstChar = 0;

    std::uint8_t *pixel = out.data();
    std::uint8_t *const pixelEnd = pixel + out.size();
    int code;
    while (pixel < pixelEnd && reader.next(width, code)) {
        if (code == clearCode) {
            width = codeSize + 1;
            limit = 1 << width;
            nextFree = clearCode + 2;
            full = false;
            previous = -1;
            continue;
        }
        if (code == endCode)
            break;
        if (previous < 0) {
            // The first code after a clear (or of a stream without one) adds nothing.
            firstChar = std::uint8_t(code & pixelMask);
            *pixel++ = firstChar;
            previous = code;
            continue;
        }
        if (corrupt)
            break;

        int sp = 0;
        int current = code;
        if (code >= nextFree) {
            stack[sp++] = firstChar;
            current = previous;
        }
        // Codes above the end code name table strings; the rest are pixels. Damaged
        // data can link the table into a cycle, which the stack limit cuts.
        while (current > endCode) {
            if (sp >= StackLimit) {
                if (!tolerateDamage)
                    throwCorrupt();
                return { true, std::size_t(pixel - out.data()) };
            }
            stack[sp++] = suffix[current];
            current = prefix[current];
        }
        firstChar = std::uint8_t(current & pixelMask);
        stack[sp++] = firstChar;

        const std::ptrdiff_t count = std::min<std::ptrdiff_t>(sp, pixelEnd - pixel);
        for (std::ptrdiff_t i = 0; i < count; ++i)
            pixel[i] = stack[sp - 1 - i];
        pixel += count;

        if (!full) {
            prefix[nextFree] = std::uint16_t(previous);
            suffix[nextFree] = firstChar;
            if (++nextFree == limit) {
                if (width < MaxCodeWidth) {
                    ++width;
                    limit <<= 1;
                } else {
                    full = true;
                }
            }
        }
        previous = code;
    }
    return { corrupt, std::size_t(pixel - out.data()) };
}

} // namespace lumisnap
