#pragma once

#include "picture/TGraphic.h"

namespace lumisnap {

// Windows metafiles keep their registry entries, but nothing in the viewer hands
// them over and this platform has no player for them: loading one is refused.
class TMetafile : public TGraphic
{
public:
    TMetafile() = default;

    int width() const override { return 0; }
    int height() const override { return 0; }
    bool empty() const override { return true; }

    void loadFromBytes(std::span<const std::uint8_t> bytes) override;
    void draw(QPainter &painter, const QRect &rect) override;
};

} // namespace lumisnap
