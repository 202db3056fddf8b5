// Plain views of bitmap pixels: a pointer to the top row, the distance in bytes
// between rows, and the size. The bitmap class hands them out; pixel loops and
// decoders work on them, so they build and run without <windows.h> as well.
#pragma once
#include <cstddef>
#include <cstdint>

// 32 bits per pixel, bytes blue, green, red, alpha: read as a little-endian
// integer a pixel is 0xAARRGGBB.
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
    // Unchecked: callers clip.
    uint32_t& At(int x, int y) const { return Row(y)[x]; }
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};

// Any depth (1, 4, 8, 15/16, 24 or 32 bits per pixel); rows start at bits + stride * y.
struct RawPixelView {
    uint8_t* bits = nullptr;
    ptrdiff_t stride = 0;
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;

    uint8_t* Row(int y) const { return bits + stride * y; }
};
