// Comparing a painted picture with what the screen shows.
#pragma once
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "classlib/Graphics.h"
#include "skin/graphics/Bitmap32.h"

namespace skintest {

// The share of pixels in area whose red, green or blue differ by more than tolerance.
inline double DifferentShare(TBitmap* a, TBitmap* b, int tolerance, RECT area)
{
    GdiFlush();
    int differ = 0, total = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) {
            uint32_t p = GetPixel32(a, x, y), q = GetPixel32(b, x, y);
            ++total;
            for (int s = 0; s < 24; s += 8)
                if (std::abs(int((p >> s) & 0xFF) - int((q >> s) & 0xFF)) > tolerance) {
                    ++differ;
                    break;
                }
        }
    return total ? double(differ) / total : 1.0;
}

// The same over the area both pictures cover.
inline double DifferentShare(TBitmap* a, TBitmap* b, int tolerance)
{
    return DifferentShare(a, b, tolerance,
                          RECT{0, 0, std::min(a->Width(), b->Width()), std::min(a->Height(), b->Height())});
}

// The window as the screen shows it, frame included.
inline std::unique_ptr<TBitmap> CaptureWindow(HWND wnd)
{
    RECT r{};
    GetWindowRect(wnd, &r);
    std::unique_ptr<TBitmap> b(NewBitmap32(r.right - r.left, r.bottom - r.top));
    HDC screen = GetDC(nullptr);
    BitBlt(b->Canvas().Handle(), 0, 0, b->Width(), b->Height(), screen, r.left, r.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    return b;
}

// Where the picture shows pattern whole inside the area (picture coordinates);
// {-1, -1} when nowhere.
inline POINT FindPicture(TBitmap& shot, TBitmap& pattern, const RECT& area)
{
    GdiFlush();
    const PixelView s = shot.View(), p = pattern.View();
    for (int y = std::max(0, int(area.top)); y + p.height <= std::min(s.height, int(area.bottom)); ++y)
        for (int x = std::max(0, int(area.left)); x + p.width <= std::min(s.width, int(area.right)); ++x) {
            bool same = true;
            for (int j = 0; same && j < p.height; ++j)
                for (int i = 0; same && i < p.width; ++i)
                    same = ((s.Row(y + j)[x + i] ^ p.Row(j)[i]) & 0xFFFFFFu) == 0;
            if (same)
                return POINT{x, y};
        }
    return POINT{-1, -1};
}

}  // namespace skintest
