// Plain pixel views and the one rounding rule used by the text-effect,
// resampling, blur and gradient code. Free of <windows.h>: these routines
// also build natively for unit tests under sanitizers, fuzzing and benchmarks.
#pragma once
#include <cmath>
#include <cstddef>
#include <cstdint>

#if __has_include("classlib/PixelView.h")
#include "classlib/PixelView.h"
#else
// 32 bits per pixel, bytes blue, green, red, alpha (0xAARRGGBB read as an
// integer). Same shape as the class library's bitmap view.
struct PixelView {
    uint32_t* pixels = nullptr;
    ptrdiff_t stride = 0;   // bytes from one row to the next
    int width = 0;
    int height = 0;

    bool Empty() const { return !pixels || width <= 0 || height <= 0; }
    uint32_t* Row(int y) const
    {
        return reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(pixels) + stride * y);
    }
    uint32_t& At(int x, int y) const { return Row(y)[x]; }
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};
#endif

// One byte per pixel (glow masks: 0 = ink, 255 = background).
struct MaskView {
    uint8_t* bits = nullptr;
    ptrdiff_t stride = 0;
    int width = 0;
    int height = 0;

    bool Empty() const { return !bits || width <= 0 || height <= 0; }
    uint8_t* Row(int y) const { return bits + stride * y; }
};

// "Nearest" everywhere in the library: halves round away from zero.
inline long RoundNearest(double v) { return std::lround(v); }

// Right and bottom exclusive.
struct PixRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Empty() const { return right <= left || bottom <= top; }
};

// The part of r inside a width x height surface (may come out empty).
inline PixRect ClipRect(PixRect r, int width, int height)
{
    if (r.left < 0) r.left = 0;
    if (r.top < 0) r.top = 0;
    if (r.right > width) r.right = width;
    if (r.bottom > height) r.bottom = height;
    return r;
}
