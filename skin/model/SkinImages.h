// Decoders of the images a skin is made of: BMP, PNG and JPEG bytes into a
// 32-bit PixelBitmap. All throw SkinError (Graphic) on bytes they cannot read.
// PNG and JPEG go through the picture classes' readers (PngDecoder, JpegDecode);
// BMP headers go through the class library's check (classlib/BmpHeader.h).
#pragma once
#include <memory>
#include <string_view>

#include "classlib/PixelBitmap.h"

// Each refuses a picture that does not pass ImageSizeFits with maxPixels
// (which can only tighten ImageLimits) before allocating it.
// 1, 4 and 8-bit paletted (RLE4 and RLE8 too), 16, 24 and 32-bit, bottom-up
// or top-down.
// Pixels without an alpha channel get alpha 0 (the loader sets it).
std::unique_ptr<PixelBitmap> DecodeBmp(std::string_view bytes, int64_t maxPixels = ImageLimits::kMaxPixels);
// Every colour type and bit depth, not interlaced or interlaced; the alpha
// channel (or tRNS) is kept straight, not premultiplied; gAMA is applied.
std::unique_ptr<PixelBitmap> DecodePng(std::string_view bytes, int64_t maxPixels = ImageLimits::kMaxPixels);
// Baseline and progressive JPEG (grey, colour, CMYK); alpha 255.
std::unique_ptr<PixelBitmap> DecodeJpeg(std::string_view bytes, int64_t maxPixels = ImageLimits::kMaxPixels);

// The pixel count a BMP, PNG or JPEG header declares, read without decoding;
// 0 when the bytes are none of these or the header cannot be read.
int64_t DeclaredImagePixels(std::string_view bytes);

// Writes a 24-bit bottom-up BMP (for tools and tests).
std::string EncodeBmp24(const PixelBitmap& bmp);
