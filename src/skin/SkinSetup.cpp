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

TfcLabel *makeLabel(
    QWidget *form, const char *name, const QString &caption, QPoint at, const LabelDesign &design)
{
    auto *label = new TfcLabel(form);
    label->setObjectName(QLatin1String(name));
    label->setFont(fontFromDesign(design.face, design.fontHeight, true));
    label->setFontColor(design.fontColor);
    label->setTransparent(true);
    TfcCaptionText &text = label->textOptions();
    text.setAlignment(taLeftJustify);
    text.setVAlignment(vaTop);
    if (design.shadowOffset != 0) {
        text.shadow().setEnabled(true);
        text.shadow().setColor(design.shadowColor);
        text.shadow().setXOffset(design.shadowOffset);
        text.shadow().setYOffset(design.shadowOffset);
    }
    label->move(at);
    label->setCaption(caption);
    label->loaded();
    return label;
}

TfcImageBtn *makeImageButton(QWidget *parent, const char *name, const QString &caption, QPoint at,
    TAlignment alignment, const ImageButtonDesign &design)
{
    constexpr int ShadowOffset = 2;
    auto *button = new TfcImageBtn(parent);
    button->setObjectName(QLatin1String(name));
    button->move(at);
    button->setCaption(caption);
    button->setFont(fontFromDesign(QStringLiteral("Comic Sans MS"), -11, true));
    button->setFontColor(clYellow);
    TfcCaptionText &text = button->TextOptions();
    text.setAlignment(alignment);
    text.setVAlignment(vaVCenter);
    text.shadow().setEnabled(true);
    text.shadow().setColor(clBlack);
    text.shadow().setXOffset(ShadowOffset);
    text.shadow().setYOffset(ShadowOffset);
    button->setImage(design.face);
    button->readRegionData(design.regionData);
    button->readDownRegionData(design.downRegionData);
    button->setParentClipping(true);
    button->loaded();
    return button;
}

} // namespace lumisnap
