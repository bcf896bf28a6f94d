#include "skin/RegionScan.h"

#include "skin/RegionData.h"

#include <array>
#include <vector>

namespace lumisnap {

namespace {

struct Run
{
    int start;
    int end; // exclusive

    bool operator==(const Run &) const = default;
};

// Opaque-pixel test for one row, whatever the picture's format.
class PixelTest
{
public:
    PixelTest(const QImage &bitmap, TColor colour)
    {
        if (bitmap.format() == QImage::Format_Indexed8 || bitmap.format() == QImage::Format_Mono
            || bitmap.format() == QImage::Format_MonoLSB) {
            m_image = bitmap.convertToFormat(QImage::Format_Indexed8);
            buildPaletteMask(m_image.colorTable(), colour);
        } else {
            m_image = (bitmap.format() == QImage::Format_RGB32
                          || bitmap.format() == QImage::Format_ARGB32)
                ? bitmap
                : bitmap.convertToFormat(QImage::Format_RGB32);
            m_colour = colour;
        }
    }

    int width() const { return m_image.width(); }
    int height() const { return m_image.height(); }

    // The runs of opaque pixels of row y, left to right.
    void rowRuns(int y, std::vector<Run> &runs) const
    {
        runs.clear();
        if (m_indexed) {
            const uchar *line = m_image.constScanLine(y);
            collectRuns(runs, [&](int x) { return m_paletteOpaque[line[x]]; });
            return;
        }
        const auto *line = reinterpret_cast<const QRgb *>(m_image.constScanLine(y));
        collectRuns(runs, [&](int x) {
            const QRgb p = line[x];
            return colorFromRgb(qRed(p), qGreen(p), qBlue(p)) != m_colour;
        });
    }

private:
    // The mask path: a palette entry is transparent when its colour equals the given
    // one, with system colours taken from the current palette.
    void buildPaletteMask(const QList<QRgb> &table, TColor colour)
    {
        m_indexed = true;
        const TColor wanted = isSystemColor(colour) ? fromQColor(toQColor(colour)) : colour;
        for (std::size_t i = 0; i < m_paletteOpaque.size(); ++i) {
            const QRgb rgb = i < std::size_t(table.size()) ? table[qsizetype(i)] : 0;
            m_paletteOpaque[i]
                = colour == clNone || colorFromRgb(qRed(rgb), qGreen(rgb), qBlue(rgb)) != wanted;
        }
    }

    template <typename Opaque> void collectRuns(std::vector<Run> &runs, Opaque &&opaque) const
    {
        const int w = width();
        int x = 0;
        while (x < w) {
            while (x < w && !opaque(x))
                ++x;
            if (x == w)
                break;
            const int start = x;
            while (x < w && opaque(x))
                ++x;
            runs.push_back({ start, x });
        }
    }

    QImage m_image;
    bool m_indexed = false;
    TColor m_colour = clNone;
    std::array<bool, 256> m_paletteOpaque {};
};

} // namespace

std::optional<QRegion> BuildRegionFromBitmap(const QImage &bitmap, TColor colour)
{
    if (bitmap.width() <= 0 || bitmap.height() <= 0)
        return std::nullopt;
    const PixelTest test(bitmap, colour);

    // Rows with identical runs form one band, so the rectangles come out in stored
    // order and the region is made in one step instead of one union per run.
    std::vector<QRect> rects;
    std::vector<Run> bandRuns;
    int bandTop = 0, bandRows = 0;
    auto closeBand = [&] {
        for (const Run &run : bandRuns)
            rects.push_back(QRect(run.start, bandTop, run.end - run.start, bandRows));
        bandRuns.clear();
        bandRows = 0;
    };
    std::vector<Run> runs;
    for (int y = 0; y < test.height(); ++y) {
        test.rowRuns(y, runs);
        if (bandRows > 0 && runs == bandRuns) {
            ++bandRows;
            continue;
        }
        closeBand();
        if (!runs.empty()) {
            bandRuns.swap(runs);
            bandTop = y;
            bandRows = 1;
        }
    }
    closeBand();
    if (rects.empty())
        return std::nullopt;
    return RegionData::regionFromRects(rects);
}

} // namespace lumisnap
