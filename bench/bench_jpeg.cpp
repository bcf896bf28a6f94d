// TJPEGImage's load and first decode against a bare libjpeg decode of the same
// in-memory file into a buffer. Goal: within 5 %.
#include "picture/TJPEGImage.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

#include "BareLibjpeg.h"
#include "RatioReporter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <random>
#include <vector>

namespace {

// A photograph-like 2048 x 1536 picture: smooth gradients with noise.
const QByteArray &jpegFile()
{
    static const QByteArray bytes = [] {
        QImage image(2048, 1536, QImage::Format_RGB32);
        std::mt19937 random(7);
        for (int y = 0; y < image.height(); ++y) {
            auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const int n = int(random() % 24);
                row[x] = qRgb((x / 8 + n) % 256, (y / 6 + n) % 256, ((x + y) / 16) % 256);
            }
        }
        QByteArray out;
        QBuffer buffer(&out);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setQuality(90);
        writer.write(image);
        return out;
    }();
    return bytes;
}

void TJPEGImageLoadAndDecode(benchmark::State &state)
{
    const QByteArray &file = jpegFile();
    for (auto _ : state) {
        lumisnap::TJPEGImage jpeg;
        jpeg.loadFromBytes(
            { reinterpret_cast<const std::uint8_t *>(file.constData()), std::size_t(file.size()) });
        benchmark::DoNotOptimize(jpeg.bitmap().image().constBits());
    }
}

void BareLibjpegDecode(benchmark::State &state)
{
    const QByteArray &file = jpegFile();
    for (auto _ : state)
        benchmark::DoNotOptimize(decodeWithBareLibjpeg(file).data());
}

BENCHMARK(TJPEGImageLoadAndDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BareLibjpegDecode)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return bench::runWithRatio(argc, argv, "TJPEGImageLoadAndDecode", "BareLibjpegDecode",
        "TJPEGImage / bare libjpeg", 1.05);
}
