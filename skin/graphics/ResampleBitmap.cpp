#include "skin/graphics/ResampleBitmap.h"

#include <memory>


namespace {

// The rows of a 24-bit bitmap.
ByteImage BytesOf(TBitmap& bmp)
{
    ByteImage b;
    b.bits = bmp.ScanLine(0);
    b.stride = bmp.BytesPerLine();
    b.width = bmp.Width();
    b.height = bmp.Height();
    return b;
}

}  // namespace

void ResampleBitmap(TBitmap* source, TBitmap* dest, int newWidth, int filter, int newHeight)
{
    if (!source || !dest || newWidth <= 0 || newHeight <= 0) return;
    if (source->Width() < 2 || source->Height() < 2) throw Exception(L"Source bitmap is too small");
    if (source->Width() == newWidth && source->Height() == newHeight) {
        if (source != dest) dest->Assign(source);
        return;
    }
    // Work from a private copy when the source is also the destination or is
    // in a format other than 24 or 32 bits.
    std::unique_ptr<TBitmap> copy;
    const bool alpha = source->PixelFormat() == TPixelFormat::pf32bit;
    if (source == dest || (!alpha && source->PixelFormat() != TPixelFormat::pf24bit)) {
        copy = std::make_unique<TBitmap>();
        copy->Assign(source);
        if (!alpha) copy->SetPixelFormat(TPixelFormat::pf24bit);
        source = copy.get();
    }
    const TPixelFormat pf = alpha ? TPixelFormat::pf32bit : TPixelFormat::pf24bit;
    if (dest->PixelFormat() != pf) dest->SetPixelFormat(pf);
    dest->SetSize(newWidth, newHeight);
    GdiFlush();
    if (alpha)
        ResamplePixels(source->View(), dest->View(), filter);
    else
        ResamplePixels(BytesOf(*source), BytesOf(*dest), 3, filter);
}
