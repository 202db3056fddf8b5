#include "skin/graphics/SkinBitmap.h"

#include <cstring>

#include "skin/graphics/SkinError.h"

#ifdef _WIN32
#include "classlib/GdiHandle.h"
#endif

SkinBitmap::SkinBitmap(int width, int height) : width_(width), height_(height)
{
    if (!ImageSizeFits(width, height))
        throw SkinError(SkinErrorKind::Graphic, "Invalid bitmap size");
#ifdef _WIN32
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;   // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    BitmapHandle h(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!h || !bits)
        throw SkinError(SkinErrorKind::Graphic, "Out of system resources");
    handle_ = h.release();
    CountHandleTaken(THandleKind::hkGdiObject);   // owned by handle_ until the destructor
    pixels_ = static_cast<uint32_t*>(bits);
    std::memset(pixels_, 0, size_t(width) * size_t(height) * 4);
#else
    pixels_ = new uint32_t[size_t(width) * size_t(height)]();
#endif
}

SkinBitmap::~SkinBitmap()
{
#ifdef _WIN32
    if (handle_) {
        DeleteObject(static_cast<HBITMAP>(handle_));
        CountHandleFreed(THandleKind::hkGdiObject);
    }
#else
    delete[] pixels_;
#endif
}

Bitmap32View SkinBitmap::View() const
{
    return Bitmap32View{reinterpret_cast<uint8_t*>(pixels_), width_ * 4, width_, height_};
}

std::unique_ptr<SkinBitmap> SkinBitmap::Clone() const
{
    auto b = std::make_unique<SkinBitmap>(width_, height_);
    std::memcpy(b->pixels_, pixels_, size_t(width_) * size_t(height_) * 4);
    return b;
}
