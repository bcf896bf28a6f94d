#pragma once

#include <QColor>

#include <cstdint>

namespace lumisnap {

// A colour as the design data stores it: 0x00BBGGRR for plain colours, the high bit
// set for system colours (mapped to palette roles when drawn), clNone for none.
using TColor = std::uint32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clBtnFace = 0x8000000F;
inline constexpr TColor clBtnShadow = 0x80000010;
inline constexpr TColor clBtnHighlight = 0x80000014;
inline constexpr TColor clWindowFrame = 0x80000006;

constexpr bool isSystemColor(TColor c) { return (c & 0x80000000u) != 0; }

constexpr TColor colorFromRgb(int r, int g, int b)
{
    return TColor(r & 0xFF) | (TColor(g & 0xFF) << 8) | (TColor(b & 0xFF) << 16);
}

// The colour to paint with; system colours come from the application palette.
// clNone gives an invalid QColor.
QColor toQColor(TColor color);

// The inverse for plain colours (alpha ignored).
TColor fromQColor(const QColor &color);

} // namespace lumisnap
