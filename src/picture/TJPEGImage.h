#pragma once

#include "picture/TBitmap.h"
#include "picture/TGraphic.h"

#include <QByteArray>

#include <memory>

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
    // Decodes on first use; a decoding error is raised by that first draw only,
    // and the rows decoded before it are drawn from then on.
    void draw(QPainter &painter, const QRect &rect) override;
    QVector<QRgb> palette() const override;

    // The decoded picture (RGB888, or Indexed8 with the decoder's colours when
    // quantised); decodes on first use like draw.
    TBitmap &bitmap();

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
    };

    void decode();
    void turnUpright();
    static bool allocateRows(void *context, int width, int height, int components,
        const std::uint8_t *const *colormap, int colors, std::uint8_t **rows,
        std::ptrdiff_t *stride) noexcept;

    std::shared_ptr<const CompressedData> m_data = std::make_shared<CompressedData>();
    std::unique_ptr<TBitmap> m_bitmap;
    bool m_grayscale = false;
    bool m_progressive = false;
    bool m_smoothing = true;
    PixelFormat m_pixelFormat = PixelFormat::Bit24;
    Performance m_performance = Performance::BestQuality;
    int m_compressionQuality = 90; // used only when saving, which the viewer never does
};

} // namespace lumisnap
