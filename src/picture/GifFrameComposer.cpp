#include "picture/GifFrameComposer.h"

#include "common/Error.h"
#include "picture/TGIFImage.h"

#include <algorithm>

namespace lumisnap {

namespace {

// Disposal modes of a frame's graphic control.
constexpr int DisposeToBackground = 2;
constexpr int DisposeToPrevious = 3;

QRgb rgbOf(TColor color)
{
    return qRgb(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

bool coversScreen(const TGIFImage &gif, int index)
{
    return frameRect(gif, index).contains(QRect(0, 0, gif.LogicalWidth(), gif.LogicalHeight()));
}

} // namespace

QRect frameRect(const TGIFImage &gif, int index)
{
    const TGIFFrame &frame = gif.frame(index);
    return { frame.OriginX, frame.OriginY, frame.width(), frame.height() };
}

void GifFrameComposer::reset()
{
    m_bitmap = QImage();
    m_masked = QImage();
    m_index = -1;
    m_key = clNone;
}

const QImage &GifFrameComposer::compose(const TGIFImage &gif, int k, QRgb windowColor)
{
    const QSize screen(gif.LogicalWidth(), gif.LogicalHeight());
    if (gif.frameCount() == 0 || screen.isEmpty()) {
        reset();
        return m_bitmap;
    }
    k = std::clamp(k, 0, gif.frameCount() - 1);
    if (k == m_index && m_bitmap.size() == screen)
        return m_bitmap;
    const bool incremental = m_index >= 0 && k == m_index + 1 && m_bitmap.size() == screen
        && gif.frame(m_index).DisposalMode != DisposeToPrevious;
    try {
        if (incremental) {
            if (gif.frame(m_index).DisposalMode == DisposeToBackground)
                disposeFrame(gif, m_index);
            drawFrame(gif, k);
        } else {
            rebuild(gif, k, windowColor);
        }
    } catch (...) {
        reset(); // half drawn: the next frame starts afresh
        throw;
    }
    m_index = k;
    m_masked = QImage();
    return m_bitmap;
}

void GifFrameComposer::rebuild(const TGIFImage &gif, int k, QRgb windowColor)
{
    reset();
    QImage bitmap(gif.LogicalWidth(), gif.LogicalHeight(), QImage::Format_RGB32);
    if (bitmap.isNull())
        throw EOutOfResources(QStringLiteral("Out of system resources"));
    m_bitmap = std::move(bitmap);
    chooseBackground(gif, windowColor);
    m_bitmap.fill(m_fill);
    const int start = startFrame(gif, k);
    for (int j = start; j < k; ++j) {
        // Undefined modes 4-7 keep the frame, as a step over them does.
        const int disposal = gif.frame(j).DisposalMode;
        if (disposal == DisposeToBackground) {
            if (j > start)
                disposeFrame(gif, j);
        } else if (disposal != DisposeToPrevious) {
            drawFrame(gif, j);
        }
    }
    drawFrame(gif, k);
}

// The picture's own current frame decides: its key colour stands for transparency;
// else a transparent picture shows its background colour; else the window colour.
void GifFrameComposer::chooseBackground(const TGIFImage &gif, QRgb windowColor)
{
    const int current = gif.currentFrame();
    const TColor key = current >= 0 ? gif.frame(current).KeyColor : clNone;
    if (key != clNone) {
        m_key = key;
        m_fill = rgbOf(key);
    } else if (gif.Background() != clNone && gif.isTransparent()) {
        m_fill = rgbOf(gif.Background());
    } else {
        m_fill = windowColor;
    }
}

// The latest frame from which drawing forward gives frame k: one that covers the
// whole screen and leaves nothing of what lay below it showing. A frame before k that
// restores the previous picture leaves what lay below it, so the search goes on below.
int GifFrameComposer::startFrame(const TGIFImage &gif, int k)
{
    for (int i = k; i >= 1; --i) {
        const TGIFFrame &frame = gif.frame(i);
        if (i < k && frame.DisposalMode == DisposeToPrevious)
            continue;
        if (coversScreen(gif, i)
            && (frame.KeyColor == clNone || (frame.DisposalMode == DisposeToBackground && i < k)))
            return i;
    }
    return 0;
}

// Pixel by pixel rather than through a painter: composing runs on a timer thread, and a
// painter may hand large drawings to threads of its own.
void GifFrameComposer::drawFrame(const TGIFImage &gif, int j)
{
    const TGIFFrame &frame = gif.frame(j);
    const QImage &image = frame.maskedBitmap();
    const QPoint origin(frame.OriginX, frame.OriginY);
    const QRect area = QRect(origin, image.size()) & m_bitmap.rect();
    const QVector<QRgb> colours = image.colorTable();
    const bool mono = image.format() == QImage::Format_Mono;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const uchar *source = image.constScanLine(y - origin.y());
        auto *target = reinterpret_cast<QRgb *>(m_bitmap.scanLine(y));
        for (int x = area.left(); x <= area.right(); ++x) {
            const int sx = x - origin.x();
            const int index = mono ? (source[sx >> 3] >> (7 - (sx & 7))) & 1 : source[sx];
            // An index past the colour table draws black.
            const QRgb colour = index < colours.size() ? colours[index] : qRgb(0, 0, 0);
            if (qAlpha(colour) != 0)
                target[x] = colour | 0xFF000000u;
        }
    }
}

void GifFrameComposer::disposeFrame(const TGIFImage &gif, int j)
{
    const QRect area = frameRect(gif, j) & m_bitmap.rect();
    for (int y = area.top(); y <= area.bottom(); ++y)
        std::fill_n(
            reinterpret_cast<QRgb *>(m_bitmap.scanLine(y)) + area.left(), area.width(), m_fill);
}

const QImage &GifFrameComposer::maskedBitmap()
{
    if (m_key == clNone || m_bitmap.isNull())
        return m_bitmap;
    if (m_masked.isNull()) {
        QImage masked = m_bitmap.copy();
        masked.reinterpretAsFormat(QImage::Format_ARGB32); // the same pixels, read with alpha
        const QRgb key = rgbOf(m_key);
        for (int y = 0; y < masked.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(masked.scanLine(y));
            std::replace(line, line + masked.width(), key, QRgb(0));
        }
        m_masked = std::move(masked);
    }
    return m_masked;
}

} // namespace lumisnap
