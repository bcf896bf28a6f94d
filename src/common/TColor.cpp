#include "common/TColor.h"

#include <QGuiApplication>
#include <QPalette>

namespace lumisnap {

namespace {

QPalette::ColorRole roleOfSystemColor(TColor color)
{
    switch (color & 0xFF) {
    case 0x0F: return QPalette::Button;      // clBtnFace
    case 0x10: return QPalette::Dark;        // clBtnShadow
    case 0x14: return QPalette::Light;       // clBtnHighlight
    case 0x05: return QPalette::Base;        // clWindow
    case 0x06: return QPalette::WindowText;  // clWindowFrame
    case 0x08: return QPalette::WindowText;  // clWindowText
    case 0x0D: return QPalette::Highlight;   // clHighlight
    case 0x0E: return QPalette::HighlightedText;
    default: return QPalette::Window;
    }
}

} // namespace

QColor toQColor(TColor color)
{
    if (color == clNone)
        return {};
    if (isSystemColor(color))
        return QGuiApplication::palette().color(roleOfSystemColor(color));
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

TColor fromQColor(const QColor &color)
{
    return colorFromRgb(color.red(), color.green(), color.blue());
}

} // namespace lumisnap
