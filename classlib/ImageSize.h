// The one size policy for pictures: every reader of picture bytes (BMP, PNG,
// JPEG, icons) and every owner of pixels (the bitmap graphic, the skin's
// 32-bit bitmap) checks a size here before it allocates anything, so a damaged
// or hostile header cannot make us reserve gigabytes or overflow a size
// computation. Header only, no <windows.h>: the decoders build natively too.
#pragma once
#include <cstdint>

struct ImageLimits {
    // Largest width or height: the 16-bit signed range. Several GDI paths
    // (the older systems' 16-bit coordinate space, region and metafile
    // records) keep coordinates in it, so a DIB side past 32767 cannot be
    // drawn reliably even where it can be created.
    static constexpr int kMaxSide = 32767;
    // Largest pixel count of a picture (64 Mpx, for example 8192 x 8192). The
    // shipped program is a 32-bit process with 2 GB of address space, split by
    // the system's and our own modules; a picture this large is 256 MB at
    // 32 bits, and a decoder may hold it twice (rows being decoded and the
    // DIB section) while a larger contiguous block is rarely free.
    static constexpr int64_t kMaxPixels = int64_t(1) << 26;
    // Largest pixel buffer of one picture: kMaxPixels at 32 bits. Pictures of
    // fewer bits per pixel may have more pixels within the same memory.
    static constexpr int64_t kMaxBytes = kMaxPixels * 4;
};

// True when width and height are each 1..maxSide and their product at most
// maxPixels. The limits given can only tighten ImageLimits, never widen it.
// No step can overflow: the sides are checked before they are multiplied.
constexpr bool ImageSizeFits(int64_t width, int64_t height, int64_t maxPixels = ImageLimits::kMaxPixels,
                             int64_t maxSide = ImageLimits::kMaxSide)
{
    if (maxSide > ImageLimits::kMaxSide) maxSide = ImageLimits::kMaxSide;
    if (maxPixels > ImageLimits::kMaxPixels) maxPixels = ImageLimits::kMaxPixels;
    if (width < 1 || height < 1 || width > maxSide || height > maxSide) return false;
    return width * height <= maxPixels;
}

// Bytes of a picture of width x height at bitsPerPixel (1..64) with each row
// padded to a multiple of 4 bytes as in a DIB, or -1 when a side is outside
// 1..ImageLimits::kMaxSide or the result would exceed ImageLimits::kMaxBytes.
constexpr int64_t CheckedImageBytes(int64_t width, int64_t height, int bitsPerPixel = 32)
{
    if (bitsPerPixel < 1 || bitsPerPixel > 64) return -1;
    if (width < 1 || height < 1 || width > ImageLimits::kMaxSide || height > ImageLimits::kMaxSide) return -1;
    const int64_t stride = (width * bitsPerPixel + 31) / 32 * 4;   // at most 2^21 * 8 bytes
    const int64_t bytes = stride * height;                         // at most 2^39
    return bytes <= ImageLimits::kMaxBytes ? bytes : -1;
}
