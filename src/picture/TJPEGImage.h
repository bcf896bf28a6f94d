#pragma once

#include "picture/JpegDecodeCache.h"
#include "picture/PreviewPlacement.h"
#include "picture/TBitmap.h"
#include "picture/TGraphic.h"

#include <QByteArray>

#include <atomic>
#include <memory>
#include <optional>

namespace lumisnap {

// A JPEG picture: loading reads only the header; the pixels are decoded with
// libjpeg the first time the picture is drawn or its bitmap is asked for.
class TJPEGImage : public TGraphic
{
public:
    enum class PixelFormat { Bit24, Bit8 };
    enum class Performance { BestQuality, BestSpeed };

    TJPEGImage() = default;
    ~TJPEGImage() override;

    int width() const override;
    int height() const override;
    bool empty() const override;

    void loadFromBytes(std::span<const std::uint8_t> bytes) override;
    // Also notes which file the picture came from, so that a picture decoded whole
    // once is shared by everything that loads the same version of that file.
    void loadFromFile(QFile &file) override;
    // Decodes on first use what is drawn: at the smallest scale that still covers
    // the drawn size, and only the part inside the painter's clip and device when
    // drawn unscaled. A later draw that needs more decodes the whole picture, so a
    // picture is decoded at most twice. A decoding error is raised by the first
    // draw only, and the rows decoded before it are drawn from then on.
    void draw(QPainter &painter, const QRect &rect) override;
    QVector<QRgb> palette() const override;

    // The decoded picture (RGB888, or Indexed8 with the decoder's colours when
    // quantised), whole; decodes on first use like draw.
    TBitmap &bitmap();
    // Whether its decodes are shared through the decode cache.
    bool sharesDecodes() const { return cacheable(); }
    // Decodes what a preview placed so will draw; for decoding ahead.
    void prepare(const PreviewPlacement &placement);
    // A decode stops when stop is raised, by raising EAbort; for decoding ahead.
    void setStopFlag(const std::atomic_bool *stop) { m_stop = stop; }
    // The size the picture is decoded at so far; empty before the first decode.
    QSize decodedSize() const;
    // The part of the upright picture decoded so far, in pixels at full size.
    QRect decodedArea() const { return m_bitmap ? m_area : QRect(); }
    // How many times this picture was decoded (not found decoded); for tests.
    int decodeCount() const { return m_decodeCount; }

    bool grayscale() const { return m_grayscale; }
    bool progressiveEncoding() const { return m_progressive; }
    PixelFormat pixelFormat() const { return m_pixelFormat; }
    Performance performance() const { return m_performance; }
    bool smoothing() const { return m_smoothing; }
    bool isGrayscaleFile() const { return m_data->grayscale; }
    int compressionQuality() const { return m_compressionQuality; }

private:
    struct CompressedData
    {
        QByteArray bytes;
        int width = 0; // upright
        int height = 0;
        int orientation = 1; // as Exif numbers it
        bool grayscale = false;
        bool progressive = false;
    };

    static std::shared_ptr<const CompressedData> parse(QByteArray bytes);
    void adopt(std::shared_ptr<const CompressedData> data);
    static std::shared_ptr<const CompressedData> loadedData(const FileIdentity &id);
    static void rememberLoaded(
        const FileIdentity &id, const std::shared_ptr<const CompressedData> &data);

    QRect fullArea() const { return QRect(0, 0, m_data->width, m_data->height); }
    bool quantised() const;
    int scaleFor(const QSizeF &drawn) const;
    int scaleFor(const QPainter &painter, const QRect &rect) const;
    QRect shownArea(const QPainter &painter, const QRect &rect) const;
    bool cacheable() const;
    void obtain(int scaleDenom, QRect area);
    bool takeFromCache(int scaleDenom, const QRect &area);
    void decode(int scaleDenom, const QRect &area);
    int decodeRows(int scaleDenom, const QRect &area);
    void cutTo(const QRect &storedCrop, const QPoint &origin, const QRect &area);
    void raiseOnce(int code);
    struct RowTarget;
    void greyUnreachedRows(RowTarget &target, int rowsDone);
    void turnUpright();
    static void placeRows(void *context, const std::uint8_t *rows, std::ptrdiff_t stride, int top,
        int count) noexcept;
    static bool allocateRows(void *context, int width, int height, int components,
        const std::uint8_t *const *colormap, int colors, std::uint8_t **rows,
        std::ptrdiff_t *stride) noexcept;

    std::shared_ptr<const CompressedData> m_data = std::make_shared<CompressedData>();
    std::unique_ptr<TBitmap> m_bitmap;
    int m_scaleDenom = 0; // of m_bitmap
    QRect m_area; // of the upright picture that m_bitmap shows, at full size
    int m_obtained = 0; // decodes made or found for this load
    int m_decodeCount = 0;
    bool m_errorRaised = false;
    std::optional<FileIdentity> m_identity;
    const std::atomic_bool *m_stop = nullptr;
    bool m_grayscale = false;
    bool m_progressive = false;
    bool m_smoothing = true;
    PixelFormat m_pixelFormat = PixelFormat::Bit24;
    Performance m_performance = Performance::BestQuality;
    int m_compressionQuality = 90; // used only when saving, which the viewer never does
};

} // namespace lumisnap
