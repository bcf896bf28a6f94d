#pragma once

#include "picture/TGraphic.h"

#include <QImage>
#include <QSize>

#include <vector>

namespace lumisnap {

// A Windows icon (.ico). The image nearest the system icon size that the display's
// colours allow is chosen and decoded at load, with its transparency.
class TIcon : public TGraphic
{
public:
    TIcon();

    int width() const override { return m_image.width(); }
    int height() const override { return m_image.height(); }
    bool empty() const override { return m_image.isNull(); }

    void loadFromBytes(std::span<const std::uint8_t> bytes) override;
    // At its own size at rect's top-left corner; icons are never scaled.
    void draw(QPainter &painter, const QRect &rect) override;

    // ARGB32.
    const QImage &image() const { return m_image; }

    struct DirectoryEntry
    {
        int width = 0;
        int height = 0;
        int colorCount = 0; // 0: unlimited
    };
    // Index of the entry chosen for the wanted size on a display showing
    // displayColors colours (0: unlimited).
    static int chooseImage(
        const std::vector<DirectoryEntry> &entries, QSize wanted, int displayColors);
    static QSize systemIconSize() { return { 32, 32 }; }

private:
    QImage m_image;
};

} // namespace lumisnap
