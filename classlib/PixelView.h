// Plain views of bitmap pixels: a pointer to the top row, the distance in bytes
// between rows, and the size. The bitmap class hands them out; pixel loops and
// decoders work on them, so they build and run without <windows.h> as well.
// The stride is stored, never derived from the width: a view may show part of
// a bitmap, or a bitmap whose rows are padded.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>

// One view type for every pixel size: T is the element of one pixel.
template <class T>
struct PixelViewOf {
    T* pixels = nullptr;
    ptrdiff_t stride = 0;   // bytes from one row to the next
    int width = 0;
    int height = 0;

    bool Empty() const { return !pixels || width <= 0 || height <= 0; }
    T* Row(int y) const { return reinterpret_cast<T*>(reinterpret_cast<uint8_t*>(pixels) + stride * y); }
    // Unchecked: callers clip.
    T& At(int x, int y) const { return Row(y)[x]; }
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};

// 32 bits per pixel, bytes blue, green, red, alpha: read as a little-endian
// integer a pixel is 0xAARRGGBB.
using PixelView = PixelViewOf<uint32_t>;
// One byte per pixel: grey masks (glow and text masks, 0 = ink, 255 = background)
// and single channels of a 32-bit bitmap.
using BytePixelView = PixelViewOf<uint8_t>;

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

namespace px {

// The rectangle of the pixel code: right and bottom exclusive (half-open).
// Win32's RECT appears only where a Win32 call takes or gives one; the class
// library converts between the two (ToPixRect / ToRECT in classlib/Graphics.h).
struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Empty() const { return right <= left || bottom <= top; }
    bool operator==(const Rect&) const = default;
};
inline Rect Intersect(Rect a, Rect b)
{
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}
inline Rect Sized(int x, int y, int w, int h) { return {x, y, x + w, y + h}; }
template <class T>
inline Rect WholeOf(const PixelViewOf<T>& v) { return {0, 0, v.width, v.height}; }

}  // namespace px

// Any depth (1, 4, 8, 15/16, 24 or 32 bits per pixel); rows start at bits + stride * y.
// Kept apart from PixelViewOf: at 1, 4 and 24 bits a pixel is no whole element,
// so there is no At(x, y); it is what the bitmap class hands to readers and
// writers of picture files, which convert whole rows.
struct RawPixelView {
    uint8_t* bits = nullptr;
    ptrdiff_t stride = 0;
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;

    uint8_t* Row(int y) const { return bits + stride * y; }
};
