#include "picture/GifLzwEncoder.h"

#include <algorithm>
#include <vector>

namespace lumisnap {

namespace {

constexpr int HashSlots = 17777;
constexpr int MaxCodeWidth = 12;
// Past this free code the table is started afresh, well before a reader's table
// of 4096 entries fills.
constexpr int ResetAfterCode = 4093;

class BitWriter
{
public:
    explicit BitWriter(QByteArray &out)
        : m_out(out)
    {
    }

    void put(int code, int width)
    {
        m_bits |= std::uint32_t(code) << m_count;
        m_count += width;
        while (m_count >= 8) {
            pushByte(std::uint8_t(m_bits));
            m_bits >>= 8;
            m_count -= 8;
        }
    }

    void finish()
    {
        if (m_count > 0)
            pushByte(std::uint8_t(m_bits));
        flushBlock();
        m_out += '\0';
    }

private:
    void pushByte(std::uint8_t byte)
    {
        m_block[m_blockSize++] = byte;
        if (m_blockSize == 255)
            flushBlock();
    }

    void flushBlock()
    {
        if (m_blockSize == 0)
            return;
        m_out += char(m_blockSize);
        m_out.append(reinterpret_cast<const char *>(m_block), m_blockSize);
        m_blockSize = 0;
    }

    QByteArray &m_out;
    std::uint32_t m_bits = 0;
    int m_count = 0;
    std::uint8_t m_block[255];
    int m_blockSize = 0;
};

// The string table, keyed by (prefix code, next pixel) in an open-addressed hash.
class StringTable
{
public:
    StringTable()
        : m_keys(HashSlots)
        , m_codes(HashSlots)
    {
        clear();
    }

    void clear() { std::fill(m_keys.begin(), m_keys.end(), -1); }

    int find(int prefix, int pixel, int &slot) const
    {
        const int key = (prefix << 8) | pixel;
        slot = int(unsigned(key * 31 + pixel) % HashSlots);
        while (m_keys[std::size_t(slot)] >= 0) {
            if (m_keys[std::size_t(slot)] == key)
                return m_codes[std::size_t(slot)];
            slot = slot + 1 == HashSlots ? 0 : slot + 1;
        }
        return -1;
    }

    void insert(int slot, int prefix, int pixel, int code)
    {
        m_keys[std::size_t(slot)] = (prefix << 8) | pixel;
        m_codes[std::size_t(slot)] = code;
    }

private:
    std::vector<int> m_keys;
    std::vector<int> m_codes;
};

} // namespace

QByteArray GifLzwEncoder::encode(std::span<const std::uint8_t> pixels, int depth)
{
    const int codeSize = std::max(depth, 2);
    const int clearCode = 1 << codeSize;
    const int endCode = clearCode + 1;
    const int pixelMask = (1 << depth) - 1;

    QByteArray out;
    out.reserve(qsizetype(pixels.size() / 2 + 16));
    out += char(codeSize);
    BitWriter writer(out);
    StringTable table;

    // The width and free code the reader will have when it reads the next code;
    // it adds no entry for the first code after a clear.
    int width = 0;
    int readerNext = 0;
    bool firstAfterClear = true;
    int encoderNext = 0;
    auto sendCode = [&](int code) {
        writer.put(code, width);
        if (firstAfterClear) {
            firstAfterClear = false;
        } else if (++readerNext == (1 << width) && width < MaxCodeWidth) {
            ++width;
        }
    };
    auto emitClear = [&] {
        writer.put(clearCode, width == 0 ? codeSize + 1 : width);
        width = codeSize + 1;
        readerNext = clearCode + 2;
        encoderNext = clearCode + 2;
        firstAfterClear = true;
        table.clear();
    };

    emitClear();
    if (!pixels.empty()) {
        int current = pixels[0] & pixelMask;
        for (std::size_t i = 1; i < pixels.size(); ++i) {
            const int pixel = pixels[i] & pixelMask;
            int slot;
            const int code = table.find(current, pixel, slot);
            if (code >= 0) {
                current = code;
                continue;
            }
            sendCode(current);
            if (encoderNext > ResetAfterCode) {
                emitClear();
            } else {
                table.insert(slot, current, pixel, encoderNext++);
            }
            current = pixel;
        }
        sendCode(current);
    }
    writer.put(endCode, width);
    writer.finish();
    return out;
}

} // namespace lumisnap
