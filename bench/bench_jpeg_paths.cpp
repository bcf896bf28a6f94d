// The decode paths of a camera-sized JPEG (6000 x 4000) against a bare libjpeg
// decode of the whole picture: whole, whole and stored sideways (turned as its rows
// come, and decoded first and turned after), scaled to the preview, cropped to the
// part a centred preview shows, taken from the decode cache, and the preview drawn
// from a cached whole picture (as while the viewer is open).
#include "picture/ExifOrientation.h"
#include "picture/JpegDecodeCache.h"
#include "picture/PlacedRect.h"
#include "picture/TJPEGImage.h"
#include "picture/TPicture.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>

#include "BareLibjpeg.h"
#include "RatioReporter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <vector>

namespace {

const QSize Preview(216, 162);

// Smooth gradients with noise, so that it compresses as a photograph does.
const QByteArray &jpegFile()
{
    static const QByteArray bytes = [] {
        QImage image(6000, 4000, QImage::Format_RGB32);
        std::mt19937 random(7);
        for (int y = 0; y < image.height(); ++y) {
            auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const int n = int(random() % 24);
                row[x] = qRgb((x / 24 + n) % 256, (y / 16 + n) % 256, ((x + y) / 48) % 256);
            }
        }
        QByteArray out;
        QBuffer buffer(&out);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setQuality(92);
        writer.write(image);
        std::printf("test file: %lld bytes\n", static_cast<long long>(out.size()));
        return out;
    }();
    return bytes;
}

const QString &jpegPath()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString p = dir.filePath("photo.jpg");
        QFile file(p);
        file.open(QIODevice::WriteOnly);
        file.write(jpegFile());
        return p;
    }();
    return path;
}

// The same file with an Exif block saying it is stored turned left (orientation 6).
const QByteArray &sidewaysFile()
{
    static const QByteArray bytes = [] {
        const QByteArray tiff(
            "MM\0\x2a\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0\x06\0\0\0\0\0\0", 26);
        const QByteArray body = QByteArray("Exif\0\0", 6) + tiff;
        QByteArray segment("\xff\xe1");
        segment.append(char((body.size() + 2) >> 8)).append(char((body.size() + 2) & 0xff));
        return jpegFile().left(2) + segment + body + jpegFile().mid(2);
    }();
    return bytes;
}

void load(lumisnap::TJPEGImage &jpeg, const QByteArray &file = jpegFile())
{
    jpeg.loadFromBytes(
        { reinterpret_cast<const std::uint8_t *>(file.constData()), std::size_t(file.size()) });
}

void drawPreview(lumisnap::TGraphic &graphic)
{
    QImage canvas(Preview, QImage::Format_RGB32);
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    graphic.draw(painter, canvas.rect());
    benchmark::DoNotOptimize(canvas.constBits());
}

void BareLibjpegWhole(benchmark::State &state)
{
    const QByteArray &file = jpegFile();
    for (auto _ : state)
        benchmark::DoNotOptimize(decodeWithBareLibjpeg(file).data());
}

void Whole(benchmark::State &state)
{
    for (auto _ : state) {
        lumisnap::TJPEGImage jpeg;
        load(jpeg);
        benchmark::DoNotOptimize(jpeg.bitmap().image().constBits());
    }
}

void WholeSideways(benchmark::State &state)
{
    for (auto _ : state) {
        lumisnap::TJPEGImage jpeg;
        load(jpeg, sidewaysFile());
        benchmark::DoNotOptimize(jpeg.bitmap().image().constBits());
    }
}

// As a sideways picture was turned before: decoded whole, then turned as a copy.
void WholeThenTurned(benchmark::State &state)
{
    for (auto _ : state) {
        lumisnap::TJPEGImage jpeg;
        load(jpeg);
        const QImage turned = lumisnap::ExifOrientation::apply(jpeg.bitmap().image(), 6);
        benchmark::DoNotOptimize(turned.constBits());
    }
}

void ScaledPreview(benchmark::State &state)
{
    for (auto _ : state) {
        lumisnap::TJPEGImage jpeg;
        load(jpeg);
        drawPreview(jpeg);
    }
}

// A picture larger than the preview, centred in it: only the part shown is decoded.
void CroppedPreview(benchmark::State &state)
{
    for (auto _ : state) {
        lumisnap::TJPEGImage jpeg;
        load(jpeg);
        QImage canvas(Preview, QImage::Format_RGB32);
        QPainter painter(&canvas);
        jpeg.draw(painter,
            lumisnap::placedRect(Preview, QSize(jpeg.width(), jpeg.height()), true, false));
        benchmark::DoNotOptimize(canvas.constBits());
    }
}

// Whole pictures are kept while the viewer is open.
struct ViewerOpen
{
    ViewerOpen() { lumisnap::JpegDecodeCache::instance().setWholeWanted(true); }
    ~ViewerOpen() { lumisnap::JpegDecodeCache::instance().setWholeWanted(false); }
};

// A load of a file whose whole picture is already decoded (ahead, or by the other window).
void CachedWhole(benchmark::State &state)
{
    const ViewerOpen viewer;
    lumisnap::TPicture warm;
    warm.LoadFromFile(jpegPath());
    dynamic_cast<lumisnap::TJPEGImage &>(*warm.graphic()).bitmap();
    for (auto _ : state) {
        lumisnap::TPicture picture;
        picture.LoadFromFile(jpegPath());
        auto &jpeg = dynamic_cast<lumisnap::TJPEGImage &>(*picture.graphic());
        benchmark::DoNotOptimize(jpeg.bitmap().image().constBits());
    }
}

void CachedPreview(benchmark::State &state)
{
    const ViewerOpen viewer;
    lumisnap::TPicture warm;
    warm.LoadFromFile(jpegPath());
    dynamic_cast<lumisnap::TJPEGImage &>(*warm.graphic()).bitmap();
    for (auto _ : state) {
        lumisnap::TPicture picture;
        picture.LoadFromFile(jpegPath());
        drawPreview(*picture.graphic());
    }
}

BENCHMARK(BareLibjpegWhole)->Unit(benchmark::kMillisecond);
BENCHMARK(Whole)->Unit(benchmark::kMillisecond);
BENCHMARK(WholeSideways)->Unit(benchmark::kMillisecond);
BENCHMARK(WholeThenTurned)->Unit(benchmark::kMillisecond);
BENCHMARK(ScaledPreview)->Unit(benchmark::kMillisecond);
BENCHMARK(CroppedPreview)->Unit(benchmark::kMillisecond);
BENCHMARK(CachedWhole)->Unit(benchmark::kMillisecond);
BENCHMARK(CachedPreview)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    jpegFile();
    benchmark::Initialize(&argc, argv);
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto &bare = reporter.stats["BareLibjpegWhole"];
    for (const char *path : { "Whole", "WholeSideways", "WholeThenTurned", "ScaledPreview",
             "CroppedPreview", "CachedWhole", "CachedPreview" }) {
        auto &ours = reporter.stats[path];
        if (ours.count("mean") && bare.count("mean"))
            std::printf("ratio %s / bare libjpeg whole: %.3f (means %.2f +- %.2f ms vs %.2f +- "
                        "%.2f ms)\n",
                path, ours["mean"] / bare["mean"], ours["mean"], ours["stddev"], bare["mean"],
                bare["stddev"]);
    }
    benchmark::Shutdown();
    return 0;
}
