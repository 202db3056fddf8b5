// Plain pixel views and the one rounding rule used by the text-effect,
// resampling, blur and gradient code. Free of <windows.h>: these routines
// also build natively for unit tests under sanitizers, fuzzing and benchmarks.
#pragma once
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "classlib/PixelView.h"
#include "skin/graphics/PixelOps.h"

// "Nearest" everywhere in the library: halves round away from zero.
inline long RoundNearest(double v) { return std::lround(v); }

// The part of r inside a width x height surface (may come out empty).
inline px::Rect ClipRect(px::Rect r, int width, int height)
{
    if (r.left < 0) r.left = 0;
    if (r.top < 0) r.top = 0;
    if (r.right > width) r.right = width;
    if (r.bottom > height) r.bottom = height;
    return r;
}
