// The one owner of 32-bit pixels beneath the class library's TBitmap: top-down
// rows of blue, green, red, alpha bytes (a pixel read as uint32_t is
// 0xAARRGGBB), with the row stride stored beside them. The skin's images and
// the painters' work bitmaps are held in it; views of it are PixelView.
// Under Windows the pixels of a section bitmap live in a DIB section, so they
// can be selected into a device context; memory bitmaps (and every bitmap of
// the native build) live in plain memory. No <windows.h> here.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "classlib/ImageSize.h"
#include "classlib/PixelView.h"

class PixelBitmap {
public:
    enum TStorage {
        stSection,   // a DIB section under Windows (plain memory elsewhere)
        stMemory,    // plain memory: the painters' short-lived work bitmaps
    };
    // Every pixel starts as fill. A section bitmap must pass ImageSizeFits,
    // else EOutOfResources (also when the system makes no section); a memory
    // bitmap takes sizes below 1 as empty and is sized by its callers from
    // bitmaps that passed it.
    PixelBitmap(int width, int height, uint32_t fill = 0, TStorage storage = stSection);
    ~PixelBitmap();
    PixelBitmap(const PixelBitmap&) = delete;
    PixelBitmap& operator=(const PixelBitmap&) = delete;

    int Width() const { return width_; }
    int Height() const { return height_; }
    ptrdiff_t Stride() const { return stride_; }
    uint32_t* Row(int y) const { return View().Row(y); }
    uint32_t Pixel(int x, int y) const { return Row(y)[x]; }
    PixelView View() const { return PixelView{pixels_, stride_, width_, height_}; }
    // A section bitmap of the same size and pixels.
    std::unique_ptr<PixelBitmap> Clone() const;
    // The HBITMAP of the DIB section under Windows, else nullptr.
    void* Handle() const { return handle_; }

private:
    int width_ = 0, height_ = 0;
    ptrdiff_t stride_ = 0;
    uint32_t* pixels_ = nullptr;
    void* handle_ = nullptr;
    std::vector<uint32_t> memory_;
};

// True for the key colour 0xFF00FF whatever the alpha byte holds.
inline bool IsKeyPixel(uint32_t px) { return (px & 0xFFFFFFu) == 0xFF00FFu; }
