// Loads arbitrary bytes as a GIF and draws every frame: any crash, hang or
// sanitizer report is a bug; the GIF errors are expected.
#include "common/Error.h"
#include "picture/TGIFImage.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_gif";
    static char *argv[] = { name, nullptr };
    static QGuiApplication *app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        return new QGuiApplication(argc, argv);
    }();
    (void)app;

    lumisnap::TGIFImage gif;
    try {
        gif.loadFromBytes({ data, size });
        QImage canvas(32, 32, QImage::Format_ARGB32);
        QPainter painter(&canvas);
        for (int i = 0; i < gif.frameCount(); ++i) {
            gif.setCurrentFrame(i);
            gif.draw(painter, canvas.rect());
        }
        gif.saveToBytes();
    } catch (const lumisnap::Error &) {
    }
    return 0;
}
