#include "skin/graphics/SkinColor.h"

#include "skin/graphics/PixelOps.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace skincolor {

bool IsSystemColor(Color c)
{
    uint32_t u = uint32_t(c);
    uint32_t top = u >> 24;
    return (top == 0x80 || top == 0xFF) && (u & 0x00FFFF00u) == 0 && (u & 0xFF) <= 30;
}

Color ColorToRGB(Color c)
{
    if (!IsSystemColor(c))
        return c;
    int index = int(uint32_t(c) & 0xFF);
#ifdef _WIN32
    return Color(GetSysColor(index) & 0xFFFFFF);
#else
    // The classic scheme's values, so that native builds give stable results.
    static const uint32_t classic[31] = {
        0xC8D0D4, 0xA56E3A, 0x6A240A, 0x808080, 0xC8D0D4, 0xFFFFFF, 0x000000, 0x000000,
        0x000000, 0xFFFFFF, 0xC8D0D4, 0xC8D0D4, 0x808080, 0x6A240A, 0xFFFFFF, 0xC8D0D4,
        0x808080, 0x808080, 0x000000, 0xC8D0D4, 0xFFFFFF, 0x404040, 0xC8D0D4, 0x000000,
        0xE1FFFF, 0xB5B5B5, 0x800000, 0xF0CAA6, 0xC0C0C0, 0xC56A31, 0xC8D0D4};
    return Color(classic[index]);
#endif
}


// Mixing, hue and saturation are the pixel code's own (same results bit for bit).
Color MixColors(Color first, Color second, double ratio)
{
    return Color(px::MixColors(uint32_t(first), uint32_t(second), ratio));
}

uint32_t ChangePixelSaturation(uint32_t pixel, int change) { return px::ChangePixelSaturation(pixel, change); }

uint32_t ChangePixelHue(uint32_t pixel, int degrees) { return px::ChangePixelHue(pixel, degrees); }

Color ChangeColorHue(Color c, int degrees) { return Color(px::ChangeColorHue(uint32_t(c), degrees)); }

Color ChangeColorSaturation(Color c, int change)
{
    return Color(ChangePixelSaturation(uint32_t(c), change));
}

}  // namespace skincolor
