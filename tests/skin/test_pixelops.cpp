// The 32-bit pixel layer on plain pixel views: premultiplication, fills and
// tints, keyed copies, every row of the masked blend's table with parent
// see-through and reflection, mask images, mixes and colour changes.
#include <gtest/gtest.h>

#include <vector>

#include "skin/graphics/PixelOps.h"

using namespace px;

namespace {
// A bitmap in memory with a view on it; stride padded to show that rows are found by it.
struct Img {
    int w, h;
    std::vector<uint32_t> mem;
    PixelView v;
    Img(int width, int height, uint32_t fill = 0) : w(width), h(height), mem(size_t((width + 3) * height), fill)
    {
        v = PixelView{mem.data(), ptrdiff_t((width + 3) * 4), width, height};
        for (int y = 0; y < h; ++y)
            for (int x = width; x < width + 3; ++x) mem[size_t(y * (width + 3) + x)] = 0xDEADBEEF;
    }
    uint32_t& operator()(int x, int y) { return v.At(x, y); }
    bool PaddingIntact() const
    {
        for (int y = 0; y < h; ++y)
            for (int x = w; x < w + 3; ++x)
                if (mem[size_t(y * (w + 3) + x)] != 0xDEADBEEF) return false;
        return true;
    }
};

uint32_t Blend(uint32_t s, uint32_t d, int w, uint32_t alpha)
{
    if (w == 255) w = 256;
    auto ch = [&](int sh) { return uint32_t((((s >> sh) & 255) * w + ((d >> sh) & 255) * (256 - w)) >> 8) << sh; };
    return alpha << 24 | ch(16) | ch(8) | ch(0);
}
}  // namespace

TEST(PixelOps, PremultiplyKeepsOpaqueAndZeroesTransparentWhite)
{
    Img a(3, 2);
    a(0, 0) = 0x00FFFFFF;
    a(1, 0) = 0xFFFFFFFF;
    a(2, 0) = 0x80FF8040;
    a(0, 1) = 0x00FFFFFF;
    PremultiplyRect(a.v, {-5, -5, 3, 1});   // clipped to the view; row 1 outside the rect
    EXPECT_EQ(a(0, 0), 0u);
    EXPECT_EQ(a(1, 0), 0xFFFFFFFFu);
    EXPECT_EQ(a(2, 0), 0x80u << 24 | (0xFFu * 0x80 >> 8) << 16 | (0x80u * 0x80 >> 8) << 8 | (0x40u * 0x80 >> 8));
    EXPECT_EQ(a(0, 1), 0x00FFFFFFu);
    EXPECT_TRUE(a.PaddingIntact());
}

TEST(PixelOps, FillsAndTintsClipAndSwapColours)
{
    Img a(4, 3, 0x11223344);
    FillRect32(a.v, {2, -1, 10, 2}, 0x0000FF /*red TColor*/, 0x80);
    EXPECT_EQ(a(2, 0), 0x80FF0000u);
    EXPECT_EQ(a(3, 1), 0x80FF0000u);
    EXPECT_EQ(a(1, 0), 0x11223344u);
    EXPECT_EQ(a(2, 2), 0x11223344u);
    EXPECT_TRUE(a.PaddingIntact());
    Img f(6, 6, 0);
    FillFrame32(f.v, {0, 0, 6, 6}, 1, 2, 1, 1, 0xFF0000 /*blue*/);
    EXPECT_EQ(f(3, 1), 0xFF0000FFu);   // top strip two rows high
    EXPECT_EQ(f(0, 4), 0xFF0000FFu);
    EXPECT_EQ(f(5, 3), 0xFF0000FFu);
    EXPECT_EQ(f(3, 5), 0xFF0000FFu);
    EXPECT_EQ(f(3, 3), 0u);
    Img t(1, 1, 0x00C86432);   // R 200, G 100, B 50
    TintRect32(t.v, {0, 0, 1, 1}, 0x000000, 0x40, 25);
    EXPECT_EQ(t(0, 0), 0x40960000u | 75u << 8 | 38u);   // v - 25% of v, rounded half away from zero
    // BlendRectColor: a half-open rect, clipped to the view.
    Img b(3, 3, 0x7F000000);
    BlendRectColor(b.v, {-1, -1, 2, 2}, 0xFFFFFF, 60);
    EXPECT_EQ(b(1, 1), 0x7F666666u);   // 0.6 x 0 + 0.4 x 255 = 102
    EXPECT_EQ(b(2, 1), 0x7F000000u);
    // Alpha in a rect, leaving the key value, clipped.
    Img s(2, 2, 0x00FF00FF);
    s(1, 0) = 0x00102030;
    SetAlphaInRect(s.v, {-3, 0, 9, 1}, 0xAA, 0x00FF00FF);
    EXPECT_EQ(s(0, 0), 0x00FF00FFu);
    EXPECT_EQ(s(1, 0), 0xAA102030u);
    EXPECT_EQ(s(1, 1), 0x00FF00FFu);
    EXPECT_TRUE(s.PaddingIntact());
}

TEST(PixelOps, MaskedBlendWithoutColour)
{
    Background none;
    // T = 0: weight = source alpha, destination alpha raised to the source's, never lowered.
    Img d(3, 1, 0x40102030);
    Img s(3, 1);
    s(0, 0) = 0x80FF0000;
    s(1, 0) = 0x20FFFFFF;
    s(2, 0) = 0xFFFF00FF;   // alpha 255: not the key colour
    d(1, 0) = 0xC0000000;
    BlendBitmapMasked({0, 0, 3, 1}, {0, 0, 3, 1}, d.v, s.v, none, false, NoColor, 0, false);
    EXPECT_EQ(d(0, 0), Blend(0x80FF0000, 0x40102030, 0x80, 0x80));
    EXPECT_EQ(d(1, 0), Blend(0x20FFFFFF, 0xC0000000, 0x20, 0xC0));
    EXPECT_EQ(d(2, 0), 0xFFFF00FFu);
    // T > 0: weight (100 - T) x alpha div 100, destination alpha kept.
    Img d2(1, 1, 0x40102030);
    BlendBitmapMasked({0, 0, 1, 1}, {0, 0, 1, 1}, d2.v, s.v, none, false, NoColor, 50, false);
    EXPECT_EQ(d2(0, 0), Blend(0x80FF0000, 0x40102030, 50 * 0x80 / 100, 0x40));
    // Not ready: no key test, a transparent magenta pixel blends with weight 0.
    Img d3(1, 1, 0x11223344);
    Img k(1, 1, 0x00FF00FF);
    BlendBitmapMasked({0, 0, 1, 1}, {0, 0, 1, 1}, d3.v, k.v, none, true, NoColor, 0, false);
    EXPECT_EQ(d3(0, 0), 0x11223344u);
}

TEST(PixelOps, MaskedBlendKeyPixelsSeeTheParentWithinItsBounds)
{
    Img parent(4, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) parent(x, y) = 0x00000000u | uint32_t(x * 16 + y);
    Background bg;
    bg.bmp = parent.v;
    bg.ready = true;
    bg.x = 1;
    bg.y = 1;
    Img s(4, 3, 0x00FF00FF);   // all key
    Img d(4, 3, 0x77ABCDEF);
    BlendBitmapMasked({0, 0, 4, 3}, {0, 0, 4, 3}, d.v, s.v, bg, true, NoColor, 0, false);
    EXPECT_EQ(d(0, 0), 0x77000000u | parent(1, 1));   // colour of the parent, own alpha
    EXPECT_EQ(d(2, 1), 0x77000000u | parent(3, 2));
    EXPECT_EQ(d(3, 0), 0x77ABCDEFu);   // parent column 4 is beyond its width: rest of the row left
    EXPECT_EQ(d(0, 2), 0x77ABCDEFu);   // parent row 3 is below its height: pixel left
    // Without the flag key pixels are left.
    Img d2(4, 3, 0x77ABCDEF);
    BlendBitmapMasked({0, 0, 4, 3}, {0, 0, 4, 3}, d2.v, s.v, bg, false, NoColor, 0, false);
    EXPECT_EQ(d2(0, 0), 0x77ABCDEFu);
    // A negative left on the destination moves both starts.
    Img d3(2, 1, 0);
    Img s3(3, 1);
    s3(0, 0) = 0xFF000001;
    s3(1, 0) = 0xFF000002;
    s3(2, 0) = 0xFF000003;
    Background none;
    BlendBitmapMasked({-1, 0, 2, 1}, {0, 0, 3, 1}, d3.v, s3.v, none, false, NoColor, 0, false);
    EXPECT_EQ(d3(0, 0), 0xFF000002u);
    EXPECT_EQ(d3(1, 0), 0xFF000003u);
}

TEST(PixelOps, MaskedBlendColourisesTowardTheGreyLevel)
{
    Background none;
    Img d(1, 1, 0x50000000);
    Img s(1, 1, 0xFF3060F0);   // grey level (48 + 96 + 240) div 3 = 128
    BlendBitmapMasked({0, 0, 1, 1}, {0, 0, 1, 1}, d.v, s.v, none, false, 0x0080FF /*R 255, G 128, B 0*/, 0, false);
    // Targets 128, 64 (128 x 128/255 = 64.25), 0; weight 255 counts fully; alpha kept.
    EXPECT_EQ(d(0, 0), 0x50804000u);
}

TEST(PixelOps, ReflectionDepthAndFade)
{
    Background none;
    Img s(1, 10, 0xFFFFFFFF);
    Img d(1, 30, 0xFF000000);
    BlendBitmapMasked({0, 0, 1, 10}, {0, 0, 1, 10}, d.v, s.v, none, false, NoColor, 0, true);
    EXPECT_EQ(d(0, 10), 0xFF000000u);   // the row right below is left
    int drawn = 0;
    uint32_t last = 256;
    for (int y = 11; y < 30; ++y)
        if (d(0, y) != 0xFF000000u) {
            ++drawn;
            EXPECT_LT(d(0, y) & 255, last);   // fading
            last = d(0, y) & 255;
        }
    EXPECT_EQ(drawn, 3);   // q = 4 rows, the last with weight 0
    EXPECT_LE(drawn, 4);
    // Not enough room below: nothing.
    Img small(1, 11, 0xFF000000);
    BlendBitmapMasked({0, 0, 1, 10}, {0, 0, 1, 10}, small.v, s.v, none, false, NoColor, 0, true);
    EXPECT_EQ(small(0, 10), 0xFF000000u);
}

TEST(PixelOps, KeyedCopyToCacheFollowsTheBackgroundState)
{
    Img src(2, 1);
    src(0, 0) = 0x00FF00FF;   // key
    src(1, 0) = 0x80123456;
    Img parent(4, 4, 0x33AABBCC);
    Background bg;
    bg.bmp = parent.v;
    bg.ready = true;
    bg.x = 2;
    // 1: parent see-through takes the parent's whole pixel.
    Img d(2, 1, 0x11111111);
    CopyKeyedToCache(d.v, src.v, 0, 0, true, bg, KeyColor, {0, 0, 10, 10});
    EXPECT_EQ(d(0, 0), 0x33AABBCCu);
    EXPECT_EQ(d(1, 0), 0x80123456u);
    // 1, the background is the destination itself: non-key copied opaque, key left.
    Img self(2, 1, 0x11111111);
    Background selfBg = bg;
    selfBg.bmp = self.v;
    selfBg.bmpIsDest = true;
    CopyKeyedToCache(self.v, src.v, 0, 0, true, selfBg, KeyColor, {0, 0, 2, 1});
    EXPECT_EQ(self(0, 0), 0x11111111u);
    EXPECT_EQ(self(1, 0), 0xFF123456u);
    // 2: ready without the flag: key left.
    Img d2(2, 1, 0x11111111);
    CopyKeyedToCache(d2.v, src.v, 0, 0, false, bg, KeyColor, {0, 0, 2, 1});
    EXPECT_EQ(d2(0, 0), 0x11111111u);
    // 3: not ready: key written as the fill colour with alpha 0.
    Background nb;
    nb.fillColor = 0x0000FF;   // red
    Img d3(3, 1, 0x11111111);
    CopyKeyedToCache(d3.v, src.v, 1, 0, false, nb, KeyColor, {0, 0, 2, 1});
    EXPECT_EQ(d3(1, 0), 0x00FF0000u);
    EXPECT_EQ(d3(2, 0), 0x80123456u);
    EXPECT_EQ(d3(0, 0), 0x11111111u);
    EXPECT_TRUE(d3.PaddingIntact());
}

TEST(PixelOps, OtherKeyedCopies)
{
    Img src(2, 2, 0x80102030);
    src(1, 1) = 0x000000FF;   // ExchangeRedBlue(0xFF0000) with alpha 0
    Img d(3, 3, 0);
    CopyRectSkipColor(d.v, src.v, 1, 1, 0xFF0000, {0, 0, 6, 6});
    EXPECT_EQ(d(1, 1), 0x80102030u);
    EXPECT_EQ(d(2, 2), 0u);
    EXPECT_TRUE(d.PaddingIntact());
    Img d2(2, 2, 0);
    CopySkipPixel(d2.v, src.v, -1, 0, 0x102030, true);   // 24-bit comparison: everything but (1,1) skipped
    EXPECT_EQ(d2(0, 1), 0xFF0000FFu);
    EXPECT_EQ(d2(0, 0), 0u);
    // Window corners: pixels whose low 24 bits are the key are replaced.
    Img dst(2, 1);
    dst(0, 0) = 0xFFFF00FF;
    dst(1, 0) = 0x00FF00FE;
    Img s2(2, 1, 0x12345678);
    CopyByKeyColor(dst.v, s2.v, {0, 0, 2, 1}, 0, 0, nullptr, 0, 0);
    EXPECT_EQ(dst(0, 0), 0x12345678u);
    EXPECT_EQ(dst(1, 0), 0x00FF00FEu);
    // With a mask the test is made on the mask at the reference point.
    Img mask(4, 1, 0);
    mask(3, 0) = 0x00FF00FF;
    Img dst2(2, 1, 0);
    CopyByKeyColor(dst2.v, s2.v, {0, 0, 2, 1}, 0, 0, &mask.v, 2, 0);
    EXPECT_EQ(dst2(0, 0), 0u);
    EXPECT_EQ(dst2(1, 0), 0x12345678u);
}

TEST(PixelOps, MaskImageAndAlphaRect)
{
    // Picture row 0, grey mask row 1 (mask rect height 2).
    Img s(3, 2);
    s(0, 0) = 0xFF0000FF;
    s(1, 0) = 0xFF0000FF;
    s(2, 0) = 0x00FF00FF;
    s(0, 1) = 0xFF000000;   // black mask: the picture
    s(1, 1) = 0xFFFFFFFF;   // white mask: the destination (almost)
    s(2, 1) = 0xFF808080;
    Img d(3, 1, 0x10FF0000);
    Background nb;
    BlendMaskImage({0, 0, 3, 1}, {0, 0, 3, 1}, d.v, s.v, 2, false, nb);
    EXPECT_EQ(d(0, 0), 0x100000FFu);
    EXPECT_EQ(d(1, 0), 0x10FE0000u);   // p + (d - p) x 255 shr 8
    EXPECT_EQ(d(2, 0), 0x10FF0000u);   // key left without the flag
    Img d2(3, 1, 0x10FF0000);
    nb.fillColor = 0x7F00FF00;   // green with high byte 0x7F
    BlendMaskImage({0, 0, 3, 1}, {0, 0, 3, 1}, d2.v, s.v, 2, true, nb);
    EXPECT_EQ(d2(2, 0), 0x7F00FF00u);
    Background ready;
    ready.ready = true;
    Img d3(3, 1, 0x10FF0000);
    BlendMaskImage({0, 0, 3, 1}, {0, 0, 3, 1}, d3.v, s.v, 2, false, ready);
    EXPECT_EQ(d3(0, 0), 0xFF0000FFu);   // alpha 255 when ready
    // Alpha rect: d alpha + sa x (255 - d alpha) div 255.
    Img a(1, 1, 0x40000000);
    Img sa(1, 1, 0x80FFFFFF);
    BlendAlphaRect({0, 0, 1, 1}, {0, 0, 1, 1}, a.v, sa.v, false, Background{});
    EXPECT_EQ(a(0, 0), Blend(0x80FFFFFF, 0x40000000, 0x80, 0x40 + 0x80 * (255 - 0x40) / 255));
}

TEST(PixelOps, RatiosMixesAndMasks)
{
    Img s(2, 2, 0xFF0000C8);   // blue 200
    Img d(3, 3, 0x20000064);   // blue 100
    s(1, 1) = 0x12345678;
    BlendBitmapByRatio(d.v, 1, 1, s.v, {-2, -2, 2, 2}, 0x12345678, 0.25);
    EXPECT_EQ(d(1, 1), 0x20000000u | 175u);   // 200 - 100 x 0.25
    EXPECT_EQ(d(2, 2), 0x20000064u);          // the key pixel is skipped
    Img d0(1, 1, 0x20000064);
    BlendBitmapByRatio(d0.v, 0, 0, s.v, {0, 0, 1, 1}, NoColor, 0);
    EXPECT_EQ(d0(0, 0) & 0xFFFFFF, 200u);
    // MixBitmapAt: the weight is the destination's share.
    Img m(2, 1, 0x55000000);
    Img ms(2, 1, 0xFF0000FF);
    MixBitmapAt(m.v, ms.v, -1, 0, {0, 0, 2, 1}, 64);
    EXPECT_EQ(m(0, 0), 0x55000000u | uint32_t((64 * (0 - 255) + 255 * 256) >> 8));
    EXPECT_EQ(m(1, 0), 0x55000000u);
    // MixBitmaps: size mismatch does nothing; weight is the first's share; alpha not written.
    Img r(2, 1, 0x99000000), f(2, 1, 0xFFFFFFFF), sec(2, 1, 0xFF000000), wrong(3, 1, 0);
    MixBitmaps(r.v, f.v, wrong.v, 128);
    EXPECT_EQ(r(0, 0), 0x99000000u);
    MixBitmaps(r.v, f.v, sec.v, 128);
    EXPECT_EQ(r(0, 0), 0x997F7F7Fu);
    Img wmap(2, 1, 0x00000000);
    wmap(1, 0) = 0x00FFFFFF;
    MixBitmaps(r.v, f.v, sec.v, wmap.v);
    EXPECT_EQ(r(0, 0), 0x99000000u);
    EXPECT_EQ(r(1, 0), 0x99FEFEFEu);
    // Multiply by a mask: white keeps, black gives the colour.
    Img p(2, 1, 0xFF808080), mk(2, 1, 0xFFFFFFFF);
    mk(1, 0) = 0;
    MultiplyByMask(p.v, mk.v, 0x0000FF);
    EXPECT_EQ(p(0, 0), 0xFF000000u | uint32_t(255 + (128 - 255) * 255 / 256) << 16 | 127u << 8 | 127u);
    EXPECT_EQ(p(1, 0), 0xFFFF0000u);
    // Mix with a colour, leaving key pixels.
    Img c(2, 1, 0x00FF00FF);
    c(1, 0) = 0x10000000;
    MixBitmapWithColor(c.v, 0xFFFFFF, 0.5);
    EXPECT_EQ(c(0, 0), 0x00FF00FFu);
    EXPECT_EQ(c(1, 0), 0x10808080u);   // 127.5 rounds up
}

TEST(PixelOps, ColourChanges)
{
    EXPECT_EQ(ExchangeRedBlue(0x11223344u), 0x11443322u);
    EXPECT_EQ(ByteSwap32(0x11223344u), 0x44332211u);
    EXPECT_EQ(ChangeColorHue(0x123456, 0), 0x123456u);
    EXPECT_EQ(ChangeColorSaturation(0x123456, 0), 0x123456u);
    EXPECT_EQ(ChangeColorHue(0x0000FF, 360), 0x0000FFu);   // red stays red
    EXPECT_EQ(ChangeColorHue(0x0000FF, 120), 0x00FF00u);   // red -> green
    EXPECT_EQ(ChangePixelHue(0x80FF0000, 240), 0x800000FFu);   // alpha kept
    EXPECT_EQ(ChangePixelHue(0x80404040, 90), 0x80404040u);   // grey unchanged
    // Saturation -100 turns a colour grey at its level; +100 pushes away from it.
    EXPECT_EQ(ChangePixelSaturation(0xFF3060F0, -100), 0xFF808080u);
    EXPECT_EQ(ChangePixelSaturation(0xFF808090, 100) & 0xFF, 155u);   // 144 + (144 - 133.33) rounded
    EXPECT_EQ(MixColors(0xAA0000FF, 0x00FF0000, 0.25), 0xAABF0040u);
    // Per-pixel procedures through ForEachPixel32, skipping the key value.
    Img a(2, 1, 0xFFFF0000);
    a(1, 0) = 0x00FF00FF;
    ForEachPixel32(a.v, HuePixelProc, 120, 0x00FF00FF);
    EXPECT_EQ(a(0, 0), 0xFF00FF00u);
    EXPECT_EQ(a(1, 0), 0x00FF00FFu);
    ForEachPixel32(a.v, SaturationPixelProc, -100, NoColor);
    EXPECT_EQ(a(0, 0), 0xFF555555u);
    ZeroWhitePixels(a.v);
    EXPECT_EQ(a(0, 0), 0xFF555555u);
}
