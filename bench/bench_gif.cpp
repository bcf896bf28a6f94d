// TGIFImage against giflib on the same generated animation: load every frame into
// something that can be drawn (our indexed QImage; giflib's indices looked up into
// an RGB buffer), and the ratio of the two.
#include "picture/TGIFImage.h"

#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <QImage>
#include <QRandomGenerator>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

using lumisnap::TGIFImage;

// 640 x 480, 256 colours, 10 frames: gradients with noise, like a dithered photo.
QByteArray makeAnimation()
{
    TGIFImage gif;
    QRandomGenerator random(42);
    QVector<QRgb> table;
    for (int i = 0; i < 256; ++i)
        table += qRgb(i, (i * 7) & 0xFF, 255 - i);
    for (int f = 0; f < 10; ++f) {
        QImage frame(640, 480, QImage::Format_Indexed8);
        frame.setColorTable(table);
        for (int y = 0; y < 480; ++y) {
            uchar *line = frame.scanLine(y);
            for (int x = 0; x < 640; ++x)
                line[x] = uchar((x / 3 + y / 5 + f * 8 + (random.bounded(8) == 0 ? 1 : 0)) & 0xFF);
        }
        gif.addFrame(frame).DelayMs = 100;
    }
    return gif.saveToBytes();
}

const QByteArray &animation()
{
    static const QByteArray bytes = makeAnimation();
    return bytes;
}

std::size_t decodeOurs(const QByteArray &bytes, bool toRgb)
{
    TGIFImage gif;
    gif.loadFromBytes(
        { reinterpret_cast<const std::uint8_t *>(bytes.constData()), std::size_t(bytes.size()) });
    std::size_t sum = 0;
    for (int i = 0; i < gif.frameCount(); ++i) {
        const QImage &bitmap = gif.frame(i).bitmap();
        if (toRgb)
            sum += std::size_t(bitmap.convertToFormat(QImage::Format_RGB32).constBits()[0]);
        else
            sum += bitmap.constBits()[0];
    }
    return sum;
}

struct Memory
{
    const QByteArray *bytes;
    int pos;
};

int readMemory(GifFileType *file, GifByteType *out, int count)
{
    auto *memory = static_cast<Memory *>(file->UserData);
    const int n = std::min(count, int(memory->bytes->size()) - memory->pos);
    std::memcpy(out, memory->bytes->constData() + memory->pos, std::size_t(n));
    memory->pos += n;
    return n;
}

std::size_t decodeGiflib(const QByteArray &bytes, std::vector<std::uint8_t> &rgb)
{
    Memory memory { &bytes, 0 };
    int error = 0;
    GifFileType *file = DGifOpen(&memory, readMemory, &error);
    if (!file || DGifSlurp(file) != GIF_OK)
        std::abort();
    std::size_t sum = 0;
    for (int i = 0; i < file->ImageCount; ++i) {
        const SavedImage &image = file->SavedImages[i];
        const ColorMapObject *map
            = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : file->SColorMap;
        const std::size_t pixels
            = std::size_t(image.ImageDesc.Width) * std::size_t(image.ImageDesc.Height);
        rgb.resize(pixels * 3);
        for (std::size_t p = 0; p < pixels; ++p) {
            const GifColorType &c = map->Colors[image.RasterBits[p]];
            rgb[3 * p] = c.Red;
            rgb[3 * p + 1] = c.Green;
            rgb[3 * p + 2] = c.Blue;
        }
        sum += rgb[0];
    }
    DGifCloseFile(file, &error);
    return sum;
}

void BM_TGIFImage(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(decodeOurs(animation(), false));
}

void BM_TGIFImageToRgb32(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(decodeOurs(animation(), true));
}

void BM_giflib(benchmark::State &state)
{
    std::vector<std::uint8_t> rgb;
    for (auto _ : state)
        benchmark::DoNotOptimize(decodeGiflib(animation(), rgb));
}

BENCHMARK(BM_TGIFImage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TGIFImageToRgb32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_giflib)->Unit(benchmark::kMillisecond);

template <typename F> double medianMs(F &&run)
{
    std::vector<double> times;
    for (int i = 0; i < 15; ++i) {
        const auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(run());
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    std::vector<std::uint8_t> rgb;
    const double giflib = medianMs([&] { return decodeGiflib(animation(), rgb); });
    const double ours = medianMs([] { return decodeOurs(animation(), false); });
    const double oursRgb = medianMs([] { return decodeOurs(animation(), true); });
    std::printf("GIF %lld bytes: median of 15 runs: TGIFImage %.2f ms, with RGB32 %.2f ms, giflib "
                "%.2f ms\n",
        static_cast<long long>(animation().size()), ours, oursRgb, giflib);
    std::printf(
        "ratio ours/giflib = %.2f (indexed), %.2f (RGB32)\n", ours / giflib, oursRgb / giflib);
    benchmark::Shutdown();
    return 0;
}
