#pragma once

#include "common/TColor.h"
#include "skin/TfcImageBtn.h"
#include "skin/TfcImageForm.h"
#include "skin/TfcLabel.h"

#include <QByteArray>
#include <QFont>
#include <QImage>

namespace lumisnap {

// Everything a window's design gives its skin, in the order the design lists it, so
// that an empty stored region is scanned with the final picture and colour.
struct SkinDesign
{
    QImage picture;
    QByteArray regionData; // 4-byte length + region bytes; 4 zero bytes to scan
    TColor transparentColor = clNone;
    int dragTolerance = TfcCustomImageForm::kDefaultDragTolerance;
    TfcImageFormOptions options;
    bool autoSize = true;
};

void applySkin(TfcImageForm &skin, const SkinDesign &design);

// A font as the designs give it: a negative height is a pixel size (-13 is 13 pixels);
// a positive one, the height of the whole character cell, is taken as the pixel size too.
QFont fontFromDesign(const QString &face, int height, bool bold);

// A shadowed label as the designs give it: bold text in one colour over a transparent
// background, aligned to the top left, with a drop shadow unless shadowOffset is 0.
struct LabelDesign
{
    QString face;
    int fontHeight;
    TColor fontColor;
    TColor shadowColor = clBlack;
    int shadowOffset = 0;
};

TfcLabel *makeLabel(
    QWidget *form, const char *name, const QString &caption, QPoint at, const LabelDesign &design);

// An image button as the designs give it: a face and its stored regions, a bold
// yellow caption with a black shadow 2 pixels off, centred vertically.
struct ImageButtonDesign
{
    QImage face;
    QByteArray regionData;
    QByteArray downRegionData;
};

TfcImageBtn *makeImageButton(QWidget *parent, const char *name, const QString &caption, QPoint at,
    TAlignment alignment, const ImageButtonDesign &design);

} // namespace lumisnap
