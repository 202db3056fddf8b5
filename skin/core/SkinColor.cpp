#include "skin/core/SkinColor.h"

#include <algorithm>
#include <cmath>

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

static inline int Nearest(double v) { return int(std::lround(v)); }
static inline int Clamp255(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

// Mixing and saturation are the pixel code's own (same results bit for bit).
Color MixColors(Color first, Color second, double ratio)
{
    return Color(px::MixColors(uint32_t(first), uint32_t(second), ratio));
}

uint32_t ChangePixelSaturation(uint32_t pixel, int change) { return px::ChangePixelSaturation(pixel, change); }

uint32_t ChangePixelHue(uint32_t px, int degrees)
{
    if (degrees == 0)
        return px;
    int r = (px >> 16) & 0xFF, g = (px >> 8) & 0xFF, b = px & 0xFF;
    int mx = std::max({r, g, b}), mn = std::min({r, g, b});
    if (mx == 0 || mx == mn)   // grey: red byte := V
        return (px & 0xFF00FFFFu) | (uint32_t(mx) << 16);
    double v = mx, s = double(mx - mn) / mx, d = mx - mn, h;
    if (r == mx)
        h = 60.0 * (g - b) / d;
    else if (g == mx)
        h = 60.0 * (2.0 + (b - r) / d);
    else
        h = 60.0 * (4.0 + (r - g) / d);
    if (h < 0)
        h += 360.0;
    int nh = ((Nearest(h + degrees) % 360) + 360) % 360;
    int sextant = nh / 60;
    double frac = (nh - sextant * 60) / 60.0;
    int p = Clamp255(Nearest(v * (1 - s)));
    int q = Clamp255(Nearest(v * (1 - s * frac)));
    int t = Clamp255(Nearest(v * (1 - s * (1 - frac))));
    int V = Clamp255(Nearest(v));
    int nr, ng, nb;
    switch (sextant) {
    case 0: nr = V; ng = t; nb = p; break;
    case 1: nr = q; ng = V; nb = p; break;
    case 2: nr = p; ng = V; nb = t; break;
    case 3: nr = p; ng = q; nb = V; break;
    case 4: nr = t; ng = p; nb = V; break;
    default: nr = V; ng = p; nb = q; break;
    }
    return (px & 0xFF000000u) | (uint32_t(nr) << 16) | (uint32_t(ng) << 8) | uint32_t(nb);
}

Color ChangeColorHue(Color c, int degrees)
{
    if (degrees == 0)
        return c;
    return Color(ExchangeRedBlue(ChangePixelHue(ExchangeRedBlue(uint32_t(c)), degrees)));
}

Color ChangeColorSaturation(Color c, int change)
{
    return Color(ChangePixelSaturation(uint32_t(c), change));
}

}  // namespace skincolor
