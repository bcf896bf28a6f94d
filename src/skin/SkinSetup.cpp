#include "skin/SkinSetup.h"

#include <algorithm>
#include <cstdlib>

namespace lumisnap {

void applySkin(TfcImageForm &skin, const SkinDesign &design)
{
    skin.setOptions(design.options);
    skin.setAutoSize(design.autoSize);
    skin.setPicture(design.picture);
    skin.setDragTolerance(design.dragTolerance);
    skin.setTransparentColor(design.transparentColor);
    skin.readRegionData(design.regionData);
}

QFont fontFromDesign(const QString &face, int height, bool bold)
{
    QFont font(face);
    font.setPixelSize(std::max(1, std::abs(height)));
    font.setBold(bold);
    return font;
}

} // namespace lumisnap
