// libFuzzer target: TJPEGImage reads arbitrary bytes, then decodes them by drawing.
#include "common/Error.h"
#include "picture/TJPEGImage.h"

#include <QPainter>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    lumisnap::TJPEGImage jpeg;
    try {
        jpeg.loadFromBytes({ data, size });
        // Headers may ask for up to the picture limit; such sizes only slow the
        // fuzzer down, and the limit itself is covered by the unit tests.
        if (std::int64_t(jpeg.width()) * jpeg.height() > (std::int64_t(1) << 22))
            return 0;
        QImage canvas(24, 24, QImage::Format_ARGB32);
        QPainter painter(&canvas);
        jpeg.draw(painter, canvas.rect());
        jpeg.draw(painter, canvas.rect()); // the error is raised once, then the rows drawn
    } catch (const lumisnap::Error &) {
    }
    // Drawn unscaled and centred, only the middle is decoded.
    lumisnap::TJPEGImage cropped;
    try {
        cropped.loadFromBytes({ data, size });
        if (std::int64_t(cropped.width()) * cropped.height() > (std::int64_t(1) << 22))
            return 0;
        QImage canvas(24, 24, QImage::Format_ARGB32);
        QPainter painter(&canvas);
        cropped.draw(painter,
            QRect((24 - cropped.width()) / 2, (24 - cropped.height()) / 2, cropped.width(),
                cropped.height()));
    } catch (const lumisnap::Error &) {
    }
    return 0;
}
