// Filtered resampling of pixel rows in two passes (horizontal, then vertical)
// with integer 16.16 weights computed once per pass. Free of <windows.h>.
#pragma once
#include <cstdint>
#include <vector>

#include "skin/graphics/EffectsView.h"

enum TkvResampleFilter {
    rfBox = 0,
    rfTriangle = 1,
    rfHermite = 2,
    rfBell = 3,
    rfBSpline = 4,
    rfLanczos = 5,
    rfMitchell = 6,   // the one the skin painters stretch masks with
};
constexpr int ResampleFilterCount = 7;

// Support (half width in source pixels at scale 1) and value at a signed offset.
// Unknown filter numbers read as Mitchell.
double ResampleFilterSupport(int filter);
double ResampleFilterValue(int filter, double offset);

// The source pixels that make one destination pixel, and their weights.
struct ResampleContributor {
    int32_t source;   // source pixel index, always within 0 .. source length - 1
    int32_t weight;   // 16.16 fixed point
};
struct ResampleContributors {
    std::vector<int32_t> first;   // first[i] .. first[i + 1]: contributors of pixel i
    std::vector<ResampleContributor> items;
};

// Contributors for n destination pixels made from m source pixels.
// Indices outside the source are mirrored at its edges and then clamped into
// it, so even a support wider than the whole source reads inside it.
// n <= 0 or m <= 0 gives an empty list.
ResampleContributors BuildResampleContributors(int n, int m, int filter);

// Source index j mirrored into 0 .. m - 1 and clamped there.
inline int MirrorIntoSource(int j, int m)
{
    if (j < 0) j = -j;
    if (j >= m) j = 2 * m - 1 - j;
    if (j < 0) j = 0;
    if (j >= m) j = m - 1;
    return j;
}

// A channel sum of weight x value: 0 when negative, else sum shr 16 limited to 255.
inline uint8_t ResampleClamp(int64_t sum)
{
    if (sum < 0) return 0;
    if (sum < 0xFF0001) return uint8_t(sum >> 16);
    return 255;
}

// The same for the 8-bit work rows between the two passes, rounded to nearest:
// two truncations would add up to a bias of almost 2 levels, rounding the
// work rows keeps the result within 1 of the exact filter.
inline uint8_t ResampleClampNearest(int64_t sum)
{
    if (sum < 0) return 0;
    const int64_t v = (sum + 0x8000) >> 16;
    return v > 255 ? 255 : uint8_t(v);
}

// Image rows of 3 (B, G, R) or 4 (B, G, R, A) bytes per pixel, for the
// 24-bit pictures the resampler takes besides 32-bit ones.
struct ByteImage {
    uint8_t* bits = nullptr;
    ptrdiff_t stride = 0;
    int width = 0;
    int height = 0;
};

// Resamples src into dst (sizes taken from the two images). Both at least 1 x 1;
// channels 3 or 4. Does nothing for an empty image.
void ResamplePixels(const ByteImage& src, const ByteImage& dst, int channels, int filter);
// The same for 32-bit pixels, all four channels.
void ResamplePixels(const PixelView& src, const PixelView& dst, int filter);
