// Colour values of the skin data (0x00BBGGRR, negative values are system
// colours) and the colour maths the loader and the recolouring use. Free of
// <windows.h>; system colours come from GetSysColor under Windows and from the
// classic defaults elsewhere.
#pragma once
#include <cstdint>

namespace skincolor {

using Color = int32_t;

constexpr Color kNoColor = 0x1FFFFFFF;
constexpr Color kKeyColor = 0xFF00FF;
constexpr Color kBtnFace = int32_t(0x8000000Fu);
constexpr Color kWindow = int32_t(0x80000005u);
constexpr Color kWindowText = int32_t(0x80000008u);
constexpr Color kHighlight = int32_t(0x8000000Du);
constexpr Color kHighlightText = int32_t(0x8000000Eu);
constexpr Color kBlue = 0xFF0000;
constexpr Color kRed = 0x0000FF;

// A system colour is a value whose top byte is 0x80 or 0xFF and whose low byte
// is a system colour index (0..30); anything else is already RGB (or a plain
// negative number, which is returned unchanged).
bool IsSystemColor(Color c);
Color ColorToRGB(Color c);

// Per channel nearest(r * first + (1 - r) * second); high byte from first.
Color MixColors(Color first, Color second, double ratio);

// Pixel forms work on 0xAARRGGBB; the colour forms on TColor values.
uint32_t ChangePixelHue(uint32_t px, int degrees);
uint32_t ChangePixelSaturation(uint32_t px, int change);
Color ChangeColorHue(Color c, int degrees);
Color ChangeColorSaturation(Color c, int change);

inline uint32_t ExchangeRedBlue(uint32_t v)
{
    return (v & 0xFF00FF00u) | ((v & 0xFFu) << 16) | ((v >> 16) & 0xFFu);
}

}  // namespace skincolor
