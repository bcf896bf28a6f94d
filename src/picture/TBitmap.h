#pragma once

#include "picture/TGraphic.h"

#include <QImage>

namespace lumisnap {

// A Windows bitmap (.bmp), decoded whole at load. Also the decoded form of a
// JPEG and the pictures the skins are drawn from.
class TBitmap : public TGraphic
{
public:
    TBitmap() = default;
    explicit TBitmap(QImage image);

    int width() const override { return m_image.width(); }
    int height() const override { return m_image.height(); }
    bool empty() const override { return m_image.isNull(); }

    void loadFromBytes(std::span<const std::uint8_t> bytes) override;
    void loadFromFile(QFile &file) override;
    void draw(QPainter &painter, const QRect &rect) override;

    QVector<QRgb> palette() const override { return m_palette; }

    // 1 bit: Mono; 4 and 8 bits: Indexed8 with the colour table; 24 bits: BGR888
    // as stored; 16 and 32 bits: RGB32.
    const QImage &image() const { return m_image; }
    void setImage(QImage image);
    // Rows the JPEG decoder writes into directly.
    QImage &mutableImage() { return m_image; }
    void setPalette(QVector<QRgb> palette) { m_palette = std::move(palette); }

private:
    QImage m_image;
    QVector<QRgb> m_palette;
};

} // namespace lumisnap
