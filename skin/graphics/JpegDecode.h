// Decoding of JPEG data through libjpeg into 32-bit pixels. No <windows.h>:
// JPEG files are untrusted input, and this builds natively for fuzzing.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "classlib/ImageSize.h"

// Top-down rows of blue, green, red, alpha (255) bytes, Width * 4 bytes each.
struct JpegPixels {
    int Width = 0;
    int Height = 0;
    std::vector<uint8_t> Bgra;
};

// Decodes baseline and progressive JPEG data (grey, colour, CMYK). Raises
// EInvalidGraphic with libjpeg's message for data that are not a JPEG or are
// damaged, and for pictures whose size does not pass ImageSizeFits with
// maxPixels (which can only tighten ImageLimits); out is then empty.
void DecodeJpeg(const uint8_t* data, size_t size, JpegPixels& out, int64_t maxPixels = ImageLimits::kMaxPixels);

// The same decoding into memory the caller provides: allocate(width, height,
// stride) is called once the size is known and returns the first of height
// rows of width * 4 bytes, stride bytes apart (stride set by the callee), or
// nullptr to give up (the load then fails with EInvalidGraphic). It must not throw.
using JpegAllocator = std::function<uint8_t*(int width, int height, ptrdiff_t& stride)>;
void DecodeJpeg(const uint8_t* data, size_t size, const JpegAllocator& allocate,
                int64_t maxPixels = ImageLimits::kMaxPixels);
