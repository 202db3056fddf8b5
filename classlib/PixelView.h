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

// The channels of a 0xAARRGGBB pixel, and a pixel made of them.
namespace pixel {
inline int B(uint32_t p) { return int(p & 255); }
inline int G(uint32_t p) { return int((p >> 8) & 255); }
inline int R(uint32_t p) { return int((p >> 16) & 255); }
inline int A(uint32_t p) { return int(p >> 24); }
inline uint32_t Pack(int r, int g, int b, int a)
{
    return (uint32_t(a & 255) << 24) | (uint32_t(r & 255) << 16) | (uint32_t(g & 255) << 8) | uint32_t(b & 255);
}
}  // namespace pixel

// Any depth (1, 4, 8, 15/16, 24 or 32 bits per pixel); rows start at bits + stride * y.
struct RawPixelView {
    uint8_t* bits = nullptr;
    ptrdiff_t stride = 0;
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;

    uint8_t* Row(int y) const { return bits + stride * y; }
};
