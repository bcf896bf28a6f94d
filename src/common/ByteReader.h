#pragma once

#include "common/Error.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace lumisnap {

// Bounds-checked little-endian reader over bytes the program does not trust.
// Every read past the end throws EReadError("Stream read error").
class ByteReader
{
public:
    ByteReader() = default;
    explicit ByteReader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}
    ByteReader(const void *data, std::size_t size)
        : m_bytes(static_cast<const std::uint8_t *>(data), size)
    {
    }

    std::size_t size() const noexcept { return m_bytes.size(); }
    std::size_t position() const noexcept { return m_pos; }
    std::size_t remaining() const noexcept { return m_bytes.size() - m_pos; }
    bool atEnd() const noexcept { return m_pos >= m_bytes.size(); }
    const std::uint8_t *data() const noexcept { return m_bytes.data(); }

    void seek(std::size_t pos)
    {
        if (pos > m_bytes.size())
            fail();
        m_pos = pos;
    }

    void skip(std::size_t count) { take(count); }

    std::uint8_t u8() { return *take(1); }

    std::uint16_t u16()
    {
        const std::uint8_t *p = take(2);
        return std::uint16_t(p[0] | (p[1] << 8));
    }

    std::uint32_t u32()
    {
        const std::uint8_t *p = take(4);
        return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16)
            | (std::uint32_t(p[3]) << 24);
    }

    std::int16_t i16() { return static_cast<std::int16_t>(u16()); }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }

    // A view of the next count bytes; valid while the underlying bytes live.
    std::span<const std::uint8_t> bytes(std::size_t count) { return {take(count), count}; }

    void read(void *out, std::size_t count) { std::memcpy(out, take(count), count); }

    // True when count more bytes can be read; for callers that tolerate short data.
    bool has(std::size_t count) const noexcept { return count <= remaining(); }

private:
    const std::uint8_t *take(std::size_t count)
    {
        if (count > remaining())
            fail();
        const std::uint8_t *p = m_bytes.data() + m_pos;
        m_pos += count;
        return p;
    }

    [[noreturn]] static void fail() { throw EReadError(streamReadErrorText()); }

    std::span<const std::uint8_t> m_bytes;
    std::size_t m_pos = 0;
};

} // namespace lumisnap
