// Plain pixel views and the one rounding rule used by the text-effect,
// resampling, blur and gradient code. Free of <windows.h>: these routines
// also build natively for unit tests under sanitizers, fuzzing and benchmarks.
#pragma once
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "classlib/PixelView.h"
#include "skin/graphics/PixelOps.h"

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

// Right and bottom exclusive: the pixel layer's rectangle.
using PixRect = px::Rect;

// The part of r inside a width x height surface (may come out empty).
inline PixRect ClipRect(PixRect r, int width, int height)
{
    if (r.left < 0) r.left = 0;
    if (r.top < 0) r.top = 0;
    if (r.right > width) r.right = width;
    if (r.bottom > height) r.bottom = height;
    return r;
}
