// The 32-bit pixel buffer every skin image is held in: top-down rows of
// blue, green, red, alpha bytes (a pixel read as uint32_t is 0xAARRGGBB).
// Under Windows the pixels live in a DIB section, so painters can select the
// bitmap into a device context; elsewhere they live in plain memory. This header
// includes no <windows.h>.
#pragma once
#include <cstdint>
#include <memory>

#include "classlib/ImageSize.h"

struct Bitmap32View {
    uint8_t* bits = nullptr;
    int stride = 0;   // bytes per row
    int width = 0;
    int height = 0;
    uint32_t* Row(int y) const { return reinterpret_cast<uint32_t*>(bits + ptrdiff_t(y) * stride); }
    bool Empty() const { return bits == nullptr || width <= 0 || height <= 0; }
};

class SkinBitmap {
public:
    // Throws SkinError when the size does not fit ImageLimits (ImageSizeFits).
    SkinBitmap(int width, int height);
    ~SkinBitmap();
    SkinBitmap(const SkinBitmap&) = delete;
    SkinBitmap& operator=(const SkinBitmap&) = delete;

    int Width() const { return width_; }
    int Height() const { return height_; }
    uint32_t* Row(int y) const { return pixels_ + ptrdiff_t(y) * width_; }
    uint32_t Pixel(int x, int y) const { return Row(y)[x]; }
    Bitmap32View View() const;
    std::unique_ptr<SkinBitmap> Clone() const;
    // The HBITMAP of the DIB section under Windows, else nullptr.
    void* Handle() const { return handle_; }

private:
    int width_, height_;
    uint32_t* pixels_ = nullptr;
    void* handle_ = nullptr;
};

// True for the key colour 0xFF00FF whatever the alpha byte holds.
inline bool IsKeyPixel(uint32_t px) { return (px & 0xFFFFFFu) == 0xFF00FFu; }
