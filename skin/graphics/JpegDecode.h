// Decoding of JPEG data through libjpeg into 32-bit pixels. No <windows.h>:
// JPEG files are untrusted input, and this builds natively for fuzzing.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// Top-down rows of blue, green, red, alpha (255) bytes, Width * 4 bytes each.
struct JpegPixels {
    int Width = 0;
    int Height = 0;
    std::vector<uint8_t> Bgra;
};

// Largest picture accepted, in pixels (a 8192 x 8192 picture).
constexpr uint64_t JpegMaxPixels = uint64_t(8192) * 8192;

// Decodes baseline and progressive JPEG data (grey, colour, CMYK). Raises
// EInvalidGraphic with libjpeg's message for data that are not a JPEG or are
// damaged, and for pictures larger than maxPixels; out is then empty.
void DecodeJpeg(const uint8_t* data, size_t size, JpegPixels& out, uint64_t maxPixels = JpegMaxPixels);

// The same decoding into memory the caller provides: allocate(width, height,
// stride) is called once the size is known and returns the first of height
// rows of width * 4 bytes, stride bytes apart (stride set by the callee), or
// nullptr to give up (the load then fails with EInvalidGraphic). It must not throw.
using JpegAllocator = std::function<uint8_t*(int width, int height, ptrdiff_t& stride)>;
void DecodeJpeg(const uint8_t* data, size_t size, const JpegAllocator& allocate, uint64_t maxPixels = JpegMaxPixels);
