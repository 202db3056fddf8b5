#include "skin/graphics/GradientFill.h"

#include <algorithm>

#include "skin/graphics/ResampleBitmap.h"

namespace {

using GradientFillProc = BOOL(WINAPI*)(HDC, PTRIVERTEX, ULONG, PVOID, ULONG, ULONG);

// msimg32 is bound by the unit's start-up (reference counted), or on first
// use by code that runs without the library's start-up.
HMODULE msimg32 = nullptr;
GradientFillProc gradientFill = nullptr;
int unitRefs = 0;

void Bind()
{
    if (msimg32) return;
    msimg32 = LoadLibraryA("msimg32.dll");
    if (msimg32) gradientFill = reinterpret_cast<GradientFillProc>(GetProcAddress(msimg32, "GradientFill"));
}

GradientFillProc GradientFillFn()
{
    Bind();
    return gradientFill;
}


TRIVERTEX Vertex(LONG x, LONG y, TColor c)
{
    TRIVERTEX v{};
    v.x = x;
    v.y = y;
    v.Red = COLOR16((c & 0xFF) << 8);
    v.Green = COLOR16(((c >> 8) & 0xFF) << 8);
    v.Blue = COLOR16(((c >> 16) & 0xFF) << 8);
    v.Alpha = 0xFF00;
    return v;
}

void FillMesh(TBitmap* bmp, RECT r, const TsGradArray& g)
{
    GradientFillProc fill = GradientFillFn();
    if (!fill) return;
    r.left = std::max<LONG>(r.left, 0);
    r.top = std::max<LONG>(r.top, 0);
    r.right = std::min<LONG>(r.right, bmp->Width());
    r.bottom = std::min<LONG>(r.bottom, bmp->Height());
    if (r.right <= r.left || r.bottom <= r.top) return;
    // Corner k takes stop k's first colour; a missing stop repeats the last one present.
    auto color = [&](size_t k) { return g[std::min(k, g.size() - 1)].Color1; };
    TRIVERTEX v[5] = {
        Vertex(r.left, r.top, color(0)),
        Vertex((r.left + r.right) / 2, (r.top + r.bottom) / 2, color(1)),
        Vertex(r.right, r.top, color(2)),
        Vertex(r.right, r.bottom, color(3)),
        Vertex(r.left, r.bottom, color(4)),
    };
    GRADIENT_TRIANGLE t[4] = {{0, 1, 2}, {1, 2, 3}, {0, 1, 4}, {4, 1, 3}};
    fill(bmp->Canvas().Handle(), v, 5, t, 4, GRADIENT_FILL_TRIANGLE);
    GdiFlush();
}

}  // namespace

bool GradientFillAvailable() { return GradientFillFn() != nullptr; }

void InitGradientUnit()
{
    if (unitRefs++ == 0) Bind();
}

void DoneGradientUnit()
{
    if (unitRefs == 0 || --unitRefs > 0) return;
    if (msimg32) FreeLibrary(msimg32);
    msimg32 = nullptr;
    gradientFill = nullptr;
}

void FillGradient(TBitmap* bmp, const RECT& r, const TsGradArray& g, int extraHeight)
{
    if (!bmp || g.empty() || r.right <= r.left || r.bottom <= r.top) return;
    if (g[0].Mode == gmTriangles) {
        FillMesh(bmp, r, g);
        return;
    }
    PixelView v = bmp->View();
    if (v.Empty()) return;
    GdiFlush();
    FillGradientBands(v, ToPixRect(r), g, extraHeight, 255);
}

void FillGradientPart(TBitmap* bmp, const RECT& r, const TsGradArray& g, uint8_t alpha, int textureWeight,
                      const RECT& textureRect, TBitmap* texture)
{
    if (!bmp) return;
    PixelView v = bmp->View();
    if (v.Empty()) return;
    PixelView t = texture ? texture->View() : PixelView{};
    GdiFlush();
    FillGradientPartPixels(v, ToPixRect(r), g, alpha, textureWeight, t, ToPixRect(textureRect));
}
