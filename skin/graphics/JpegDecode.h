// Decoding of JPEG data through libjpeg into 32-bit pixels. No <windows.h>:
// JPEG files are untrusted input, and this builds natively for fuzzing.
#pragma once
#include <cstddef>
#include <cstdint>
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
