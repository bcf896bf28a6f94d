// libFuzzer target: TIcon reads arbitrary bytes and draws them.
#include "common/Error.h"
#include "picture/TIcon.h"

#include <QPainter>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    lumisnap::TIcon icon;
    try {
        icon.loadFromBytes({ data, size });
        QImage canvas(24, 24, QImage::Format_ARGB32);
        QPainter painter(&canvas);
        icon.draw(painter, canvas.rect());
    } catch (const lumisnap::Error &) {
    }
    return 0;
}
