// Resampling class-library bitmaps: sizes that do nothing, too small a
// source, copies at the same size, alpha kept at 32 bits, three channels at
// 24 bits, and a bitmap resampled into itself.
#include <gtest/gtest.h>

#include "skin/graphics/ResampleBitmap.h"
#include "support/GuiTest.h"

namespace {

std::unique_ptr<TBitmap> Pattern(int w, int h, TPixelFormat pf)
{
    auto b = std::make_unique<TBitmap>(w, h, pf);
    const int bpp = pf == TPixelFormat::pf32bit ? 4 : 3;
    for (int y = 0; y < h; ++y) {
        uint8_t* row = b->ScanLine(y);
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < bpp; ++c) row[x * bpp + c] = uint8_t((x * 40 + y * 25 + c * 70) % 256);
    }
    return b;
}

std::vector<uint8_t> Bytes(TBitmap& b, int bpp)
{
    GdiFlush();
    std::vector<uint8_t> v;
    for (int y = 0; y < b.Height(); ++y) v.insert(v.end(), b.ScanLine(y), b.ScanLine(y) + b.Width() * bpp);
    return v;
}

// The same resampling on plain rows, for comparison.
std::vector<uint8_t> Expected(TBitmap& src, int bpp, int w, int h, int filter)
{
    std::vector<uint8_t> s = Bytes(src, bpp), d(size_t(w) * h * bpp);
    ResamplePixels(ByteImage{s.data(), src.Width() * bpp, src.Width(), src.Height()}, ByteImage{d.data(), w * bpp, w, h},
                   bpp, filter);
    return d;
}

}  // namespace

TEST(ResampleBitmapTest, SizesThatDoNothingAndTooSmallASource)
{
    auto src = Pattern(6, 5, TPixelFormat::pf32bit);
    auto dst = Pattern(3, 3, TPixelFormat::pf32bit);
    const auto before = Bytes(*dst, 4);
    ResampleBitmap(src.get(), dst.get(), 0, rfMitchell, 4);
    ResampleBitmap(src.get(), dst.get(), 4, rfMitchell, 0);
    ResampleBitmap(src.get(), dst.get(), -3, rfMitchell, -1);
    EXPECT_EQ(dst->Width(), 3);
    EXPECT_EQ(Bytes(*dst, 4), before);
    auto thin = Pattern(1, 8, TPixelFormat::pf32bit);
    try {
        ResampleBitmap(thin.get(), dst.get(), 4, rfMitchell, 4);
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), L"Source bitmap is too small");
    }
    auto low = Pattern(8, 1, TPixelFormat::pf24bit);
    EXPECT_THROW(ResampleBitmap(low.get(), dst.get(), 4, rfBox, 4), Exception);
    EXPECT_EQ(Bytes(*dst, 4), before);
}

TEST(ResampleBitmapTest, SameSizeCopies)
{
    auto src = Pattern(7, 4, TPixelFormat::pf32bit);
    TBitmap dst(2, 2, TPixelFormat::pf24bit);
    ResampleBitmap(src.get(), &dst, 7, rfLanczos, 4);
    EXPECT_EQ(dst.Width(), 7);
    EXPECT_EQ(dst.PixelFormat(), TPixelFormat::pf32bit);
    EXPECT_EQ(Bytes(dst, 4), Bytes(*src, 4));
    const auto before = Bytes(*src, 4);
    ResampleBitmap(src.get(), src.get(), 7, rfLanczos, 4);
    EXPECT_EQ(Bytes(*src, 4), before);
}

TEST(ResampleBitmapTest, ChannelsFollowTheSourceFormat)
{
    auto src32 = Pattern(9, 7, TPixelFormat::pf32bit);
    TBitmap dst;
    ResampleBitmap(src32.get(), &dst, 20, rfMitchell, 3);
    EXPECT_EQ(dst.PixelFormat(), TPixelFormat::pf32bit);
    ASSERT_EQ(dst.Width(), 20);
    ASSERT_EQ(dst.Height(), 3);
    EXPECT_EQ(Bytes(dst, 4), Expected(*src32, 4, 20, 3, rfMitchell));
    auto src24 = Pattern(9, 7, TPixelFormat::pf24bit);
    TBitmap dst24(1, 1, TPixelFormat::pf32bit);
    ResampleBitmap(src24.get(), &dst24, 4, rfTriangle, 11);
    EXPECT_EQ(dst24.PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(Bytes(dst24, 3), Expected(*src24, 3, 4, 11, rfTriangle));
}

TEST(ResampleBitmapTest, IntoItselfAndTwoToOne)
{
    auto src = Pattern(10, 6, TPixelFormat::pf32bit);
    const auto expected = Expected(*src, 4, 5, 12, rfBSpline);
    ResampleBitmap(src.get(), src.get(), 5, rfBSpline, 12);
    EXPECT_EQ(src->Width(), 5);
    EXPECT_EQ(Bytes(*src, 4), expected);
    // A 2 x 2 part down to 1 x 1 with every filter: the result lies within
    // the source's range per channel (nothing outside the part was read).
    auto two = Pattern(2, 2, TPixelFormat::pf32bit);
    const auto px = Bytes(*two, 4);
    for (int f = 0; f < ResampleFilterCount; ++f) {
        TBitmap one;
        ResampleBitmap(two.get(), &one, 1, f, 1);
        const auto r = Bytes(one, 4);
        for (int c = 0; c < 4; ++c) {
            const int lo = std::min({px[c], px[4 + c], px[8 + c], px[12 + c]});
            const int hi = std::max({px[c], px[4 + c], px[8 + c], px[12 + c]});
            EXPECT_GE(r[size_t(c)], lo - 1) << f;
            EXPECT_LE(r[size_t(c)], hi + 1) << f;
        }
    }
}
