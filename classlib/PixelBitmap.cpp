#include "classlib/PixelBitmap.h"

#include <algorithm>
#include <cstring>

#include "classlib/SysUtils.h"

#ifdef _WIN32
#include "classlib/GdiHandle.h"
#endif

PixelBitmap::PixelBitmap(int width, int height, uint32_t fill, TStorage storage)
{
    if (storage == stMemory) {
        width_ = std::max(width, 0);
        height_ = std::max(height, 0);
    } else {
        if (!ImageSizeFits(width, height)) throw EOutOfResources(L"Invalid bitmap size");
        width_ = width;
        height_ = height;
    }
    stride_ = ptrdiff_t(width_) * 4;   // 32-bit rows need no padding, in a DIB section too
    const size_t count = size_t(width_) * size_t(height_);
#ifdef _WIN32
    if (storage == stSection) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = width_;
        bi.bmiHeader.biHeight = -height_;   // top-down
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        BitmapHandle h(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!h || !bits) throw EOutOfResources(L"Out of system resources");
        handle_ = h.release();
        CountHandleTaken(THandleKind::hkGdiObject);   // owned by handle_ until the destructor
        pixels_ = static_cast<uint32_t*>(bits);
        std::fill_n(pixels_, count, fill);
        return;
    }
#endif
    memory_.assign(count, fill);
    pixels_ = memory_.empty() ? nullptr : memory_.data();
}

PixelBitmap::~PixelBitmap()
{
#ifdef _WIN32
    if (handle_) {
        DeleteObject(static_cast<HBITMAP>(handle_));
        CountHandleFreed(THandleKind::hkGdiObject);
    }
#endif
}

std::unique_ptr<PixelBitmap> PixelBitmap::Clone() const
{
    auto b = std::make_unique<PixelBitmap>(width_, height_);
    for (int y = 0; y < height_; ++y)
        std::memcpy(b->Row(y), Row(y), size_t(width_) * 4);
    return b;
}
