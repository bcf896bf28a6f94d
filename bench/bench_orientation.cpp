// Turning a decoded 24-megapixel photograph upright, against Qt's own quarter turn
// of the same picture.
#include "picture/ExifOrientation.h"

#include <QImage>
#include <QTransform>

#include "RatioReporter.h"

#include <benchmark/benchmark.h>

namespace {

const QImage &photo()
{
    static const QImage image = [] {
        QImage decoded(6000, 4000, QImage::Format_RGB888);
        for (int y = 0; y < decoded.height(); ++y) {
            uchar *row = decoded.scanLine(y);
            for (int x = 0; x < decoded.width() * 3; ++x)
                row[x] = uchar(x * 7 + y * 3);
        }
        return decoded;
    }();
    return image;
}

void ours(benchmark::State &state)
{
    const int orientation = int(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(lumisnap::ExifOrientation::apply(photo(), orientation));
}

void qtQuarterTurn(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(photo().transformed(QTransform().rotate(90)));
}

void qtTransposed(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(
            photo().transformed(QTransform().rotate(90)).mirrored(true, false));
}

} // namespace

BENCHMARK(ours)->Name("turn/ours")->Arg(6)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ours)->Name("transpose/ours")->Arg(5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ours)->Name("half/ours")->Arg(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(qtQuarterTurn)->Name("turn/qt")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(qtTransposed)->Name("transpose/qt")->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char **argv)
{
    photo(); // made before the first timing
    return bench::runWithRatio(argc, argv, "turn/ours", "turn/qt", "quarter turn, ours / Qt", 1.0);
}
