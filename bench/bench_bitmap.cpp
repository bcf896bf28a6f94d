// Loading a 24-bit bitmap through TPicture against a plain read of the file's
// bytes. Goal: within 1.5 x.
#include "picture/TPicture.h"

#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QTemporaryDir>

#include "RatioReporter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>

namespace {

// A 2048 x 1536 24-bit bitmap written by Qt into a temporary folder.
const QString &bitmapPath()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        QImage image(2048, 1536, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y) {
            auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                row[x] = qRgb(x % 256, y % 256, (x ^ y) % 256);
        }
        const QString p = dir.filePath("bench.bmp");
        QImageWriter(p, "bmp").write(image);
        return p;
    }();
    return path;
}

void TBitmapLoad(benchmark::State &state)
{
    const QString &path = bitmapPath();
    for (auto _ : state) {
        lumisnap::TPicture picture;
        picture.LoadFromFile(path);
        benchmark::DoNotOptimize(picture.width());
    }
}

void PlainFileRead(benchmark::State &state)
{
    const QString &path = bitmapPath();
    for (auto _ : state) {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        const QByteArray bytes = file.readAll();
        benchmark::DoNotOptimize(bytes.constData());
    }
}

BENCHMARK(TBitmapLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(PlainFileRead)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return bench::runWithRatio(
        argc, argv, "TBitmapLoad", "PlainFileRead", "TBitmap load / plain read", 1.5);
}
