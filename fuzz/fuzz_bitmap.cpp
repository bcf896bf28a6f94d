// libFuzzer target: TBitmap reads arbitrary bytes and draws them.
#include "common/Error.h"
#include "picture/TBitmap.h"

#include <QPainter>

#include <cstdint>
#include <cstdlib>

namespace {

// Honest headers may ask for up to the picture limit; pictures that large only
// slow the fuzzer down, and the limit itself is covered by the unit tests.
bool tooLargeToFuzz(const std::uint8_t *data, std::size_t size)
{
    if (size < 26)
        return false;
    const auto u32 = [data](std::size_t at) {
        return std::uint32_t(data[at]) | std::uint32_t(data[at + 1]) << 8
            | std::uint32_t(data[at + 2]) << 16 | std::uint32_t(data[at + 3]) << 24;
    };
    std::int64_t width, height;
    if (u32(14) == 12) {
        width = data[18] | data[19] << 8;
        height = data[20] | data[21] << 8;
    } else {
        width = std::int32_t(u32(18));
        height = std::llabs(std::int32_t(u32(22)));
    }
    return width * height > (std::int64_t(1) << 22);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (tooLargeToFuzz(data, size))
        return 0;
    lumisnap::TBitmap bitmap;
    try {
        bitmap.loadFromBytes({ data, size });
        QImage canvas(24, 24, QImage::Format_ARGB32);
        QPainter painter(&canvas);
        bitmap.draw(painter, canvas.rect());
    } catch (const lumisnap::Error &) {
    }
    return 0;
}
