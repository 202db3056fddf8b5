// Decoders of the images a skin is made of: BMP, PNG and JPEG bytes into a
// 32-bit SkinBitmap. All throw SkinError (Graphic) on bytes they cannot read.
#pragma once
#include <memory>
#include <string_view>

#include "skin/core/SkinBitmap.h"

// 1, 4 and 8-bit paletted, 16, 24 and 32-bit, bottom-up or top-down, no RLE.
// Pixels without an alpha channel get alpha 0 (the loader sets it).
std::unique_ptr<SkinBitmap> DecodeBmp(std::string_view bytes);
// Every colour type and bit depth, not interlaced or interlaced; the alpha
// channel (or tRNS) is kept straight, not premultiplied.
std::unique_ptr<SkinBitmap> DecodePng(std::string_view bytes);
// Baseline and progressive JPEG; alpha 255.
std::unique_ptr<SkinBitmap> DecodeJpeg(std::string_view bytes);
// Reads only the size of a JPEG; false when the header is not readable.
bool JpegSize(std::string_view bytes, int& width, int& height);

// Writes a 24-bit bottom-up BMP (for tools and tests).
std::string EncodeBmp24(const SkinBitmap& bmp);
