// busygen <forms folder>: draws the drive scan's busy indicator, a row of lights with
// one lit light running to and fro, and writes it as BusyIndicator.gif through the
// program's own GIF writer.
#include "common/Error.h"
#include "picture/TGIFImage.h"

#include <QDir>
#include <QFile>
#include <QImage>

#include <cstdio>

using namespace lumisnap;

namespace {

constexpr int Width = 78;
constexpr int Height = 22;
constexpr int Lights = 15;
constexpr int LightWidth = 4;
constexpr int LightGap = 1;
constexpr int LightHeight = 10;
constexpr int FrameCount = 2 * Lights - 1; // out to the far end, then back to the first
constexpr int FrameDelayMs = 50;
constexpr int DisposeToBackground = 2;

// The recess of the skin the indicator sits in, and the skin's own green light.
enum Colour : uchar { Recess, Unlit, Trail, Lit };
const QVector<QRgb> Palette
    = { qRgb(16, 19, 25), qRgb(30, 48, 38), qRgb(36, 110, 56), qRgb(60, 208, 90) };

int litLight(int frame)
{
    return frame < Lights ? frame : FrameCount - 1 - frame;
}

QImage drawFrame(int frame)
{
    QImage image(Width, Height, QImage::Format_Indexed8);
    image.setColorTable(Palette);
    image.fill(Recess);
    const int lit = litLight(frame);
    const int trail = frame < Lights ? lit - 1 : lit + 1; // behind the light as it runs
    const int left = (Width - (Lights * (LightWidth + LightGap) - LightGap)) / 2;
    const int top = (Height - LightHeight) / 2;
    for (int light = 0; light < Lights; ++light) {
        const uchar colour = light == lit ? Lit : light == trail ? Trail : Unlit;
        const int x0 = left + light * (LightWidth + LightGap);
        for (int y = top; y < top + LightHeight; ++y) {
            uchar *line = image.scanLine(y);
            for (int x = x0; x < x0 + LightWidth; ++x)
                line[x] = colour;
        }
    }
    return image;
}

QByteArray busyIndicator()
{
    TGIFImage gif;
    gif.setGlobalPalette(Palette);
    for (int i = 0; i < FrameCount; ++i) {
        TGIFFrame &frame = gif.addFrame(drawFrame(i));
        frame.OwnPalette = false;
        frame.DelayMs = FrameDelayMs;
        frame.DisposalMode = DisposeToBackground;
    }
    gif.setLoopCount(0); // without end
    return gif.saveToBytes();
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: busygen <forms folder>\n");
        return 2;
    }
    const QString path = QDir(QString::fromLocal8Bit(argv[1])).filePath("BusyIndicator.gif");
    try {
        const QByteArray bytes = busyIndicator();
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "%s: cannot write it\n", qPrintable(path));
            return 1;
        }
    } catch (const Error &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
