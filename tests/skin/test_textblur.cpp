// The pixel side of the text painters: the Gauss kernel and mask blur, ink
// and glow mixes, button glyph-and-text layout and cutting
// captions with "...".
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "skin/graphics/Blur.h"
#include "skin/graphics/TextLayout.h"

namespace {

struct Mask {
    int w, h;
    std::vector<uint8_t> bits;
    Mask(int w_, int h_, uint8_t v) : w(w_), h(h_), bits(size_t(w_) * h_, v) {}
    BytePixelView View() { return BytePixelView{bits.data(), w, w, h}; }
    uint8_t& At(int x, int y) { return bits[size_t(y) * w + x]; }
};

// The kernel before trimming, as the definition gives it.
std::vector<double> FullKernel(double r)
{
    std::vector<double> w(201);
    double sum = 0;
    for (int k = -100; k <= 100; ++k) sum += w[size_t(k + 100)] = std::exp(-(k / r) * (k / r) / 2);
    for (double& v : w) v /= sum;
    return w;
}

}  // namespace

TEST(GaussKernel, TrimmedWhereTheTailsReach1Of510)
{
    for (double r : {0.5, 1.0, 3.0, 8.0, 30.0}) {
        TkvGaussKernel k;
        MakeGaussKernel(k, r);
        const int h = k.Half;
        ASSERT_GE(h, 1) << r;
        double sum = 0;
        for (int i = -h; i <= h; ++i) sum += k.Weight(i);
        EXPECT_NEAR(sum, 1.0, 1e-5) << r;
        for (int i = 1; i <= h; ++i) EXPECT_EQ(k.Weight(i), k.Weight(-i));
        EXPECT_EQ(k.Weight(h + 1), 0.0f);
        const auto full = FullKernel(r);
        auto tail = [&](int from) {
            double t = 0;
            for (int i = from; i <= 100; ++i) t += 2 * full[size_t(i + 100)];
            return t;
        };
        // The dropped tails weigh at least 1/510, one pair fewer would not.
        if (h > 1) {
            EXPECT_GE(tail(h + 1), 1.0 / 510 - 1e-12) << r;
            EXPECT_LT(tail(h + 2), 1.0 / 510) << r;
        }
    }
    TkvGaussKernel small;
    MakeGaussKernel(small, 3.0);
    TkvGaussKernel wide;
    MakeGaussKernel(wide, 8.0);
    EXPECT_LT(small.Half, wide.Half);
}

TEST(GaussKernel, RadiusZeroOrLessIsTheIdentity)
{
    for (double r : {0.0, -2.0, std::nan("")}) {
        TkvGaussKernel k;
        MakeGaussKernel(k, r);
        EXPECT_EQ(k.Half, 0);
        EXPECT_EQ(k.Weight(0), 1.0f);
        Mask m(7, 5, 0);
        for (size_t i = 0; i < m.bits.size(); ++i) m.bits[i] = uint8_t(i * 37);
        const auto before = m.bits;
        BlurMask8(m.View(), k);
        BlurMask8(m.View(), r);
        EXPECT_EQ(m.bits, before);
    }
}

TEST(MaskBlur, FlatStaysFlatAndAnImpulseSpreadsAsTheKernel)
{
    for (uint8_t v : {uint8_t(0), uint8_t(255), uint8_t(77)}) {
        Mask m(30, 12, v);
        BlurMask8(m.View(), 4.0);
        for (uint8_t b : m.bits) ASSERT_EQ(b, v);
    }
    // One white pixel on black far from the edges: the result is the outer
    // product of the kernel with itself, truncated per pass.
    TkvGaussKernel k;
    MakeGaussKernel(k, 2.0);
    Mask m(41, 41, 0);
    m.At(20, 20) = 255;
    BlurMask8(m.View(), k);
    for (int y = 0; y < 41; ++y)
        for (int x = 0; x < 41; ++x) {
            const int dx = x - 20, dy = y - 20;
            double e = 0;
            if (std::abs(dx) <= k.Half && std::abs(dy) <= k.Half)
                e = std::floor(std::floor(255 * k.Weight(dx)) * k.Weight(dy));
            ASSERT_NEAR(m.At(x, y), e, 1) << x << "," << y;
        }
    EXPECT_EQ(m.At(20, 19), m.At(20, 21));
    EXPECT_EQ(m.At(19, 20), m.At(21, 20));
}

TEST(MaskBlur, EdgesRepeatTheirOuterValue)
{
    // Left half black, right half white: columns next to the image's own
    // edges are not pulled toward a darker outside.
    Mask m(20, 3, 0);
    for (int y = 0; y < 3; ++y)
        for (int x = 10; x < 20; ++x) m.At(x, y) = 255;
    BlurMask8(m.View(), 2.0);
    for (int y = 0; y < 3; ++y) {
        EXPECT_EQ(m.At(0, y), 0);
        EXPECT_EQ(m.At(19, y), 255);
        for (int x = 1; x < 20; ++x) EXPECT_GE(m.At(x, y), m.At(x - 1, y));
        EXPECT_GT(m.At(9, y), 0);
        EXPECT_LT(m.At(10, y), 255);
    }
}

TEST(TextMixes, InkTakesTheTextColourAndSkipsWhite)
{
    std::vector<uint32_t> target(16, 0x00204060);   // 4 x 4
    const PixelView t{target.data(), 16, 4, 4};
    std::vector<uint32_t> work = {0x00000000, 0x00FFFFFF, 0xFFFFFFFF, 0x00808080};   // 2 x 2
    const PixelView w{work.data(), 8, 2, 2};
    MixTextInk(t, 1, 1, w, 0x00A0B0C0);
    EXPECT_EQ(target[5], 0xFFA0B0C0u);    // full ink: the text colour
    EXPECT_EQ(target[6], 0x00204060u);    // white work pixels are skipped
    EXPECT_EQ(target[9], 0x00204060u);
    auto mix = [](int d, int k, int m) { return uint32_t(((d - k) * m + k * 256) >> 8); };
    EXPECT_EQ(target[10], 0xFF000000u | mix(0x20, 0xA0, 0x80) << 16 | mix(0x40, 0xB0, 0x80) << 8 | mix(0x60, 0xC0, 0x80));
    EXPECT_EQ(target[0], 0x00204060u);
    // Negative positions skip the first rows and columns; nothing outside is written.
    std::vector<uint32_t> small(4, 0x11111111);
    MixTextInk(PixelView{small.data(), 8, 2, 2}, -1, -1, w, 0);
    EXPECT_EQ(small[0], mix(0x11, 0, 0x80) * 0x10101u | 0xFF000000u);
    EXPECT_EQ(small[1], 0x11111111u);
    MixTextInk(PixelView{small.data(), 8, 2, 2}, 1, 1, w, 0);
    EXPECT_EQ(small[3], 0xFF000000u);
}

TEST(TextMixes, GlowThroughTheMask)
{
    std::vector<uint32_t> target(9, 0x40102030);   // 3 x 3, alpha 0x40
    const PixelView t{target.data(), 12, 3, 3};
    Mask m(2, 2, 255);
    m.At(0, 0) = 0;
    m.At(1, 0) = 100;
    ApplyGlowMask(t, 1, 1, m.View(), 0x00C08040);
    EXPECT_EQ(target[4], 0xFFC08040u);   // m = 0: the glow colour, opaque
    const int a = 0x40 + (255 - 100) * (255 - 0x40) / 255;
    auto ch = [](int c, int d) { return uint32_t(c + (d - c) * 100 / 255); };
    EXPECT_EQ(target[5], uint32_t(a) << 24 | ch(0xC0, 0x10) << 16 | ch(0x80, 0x20) << 8 | ch(0x40, 0x30));
    EXPECT_EQ(target[7], 0x40102030u);   // m = 255: untouched
    EXPECT_EQ(target[0], 0x40102030u);
    ApplyGlowMask(t, 2, 2, m.View(), 0);   // clipped to one pixel
    EXPECT_EQ(target[8], 0xFF000000u);
}

TEST(ButtonLayout, GlyphBesideTheText)
{
    const px::Rect client{10, 20, 110, 50};   // 100 x 30
    // Glyph left, left aligned, margin 4, spacing 3.
    TkvButtonPlacement p = CalcButtonPlacement(client, 16, 16, 40, 13, 0, 3, 4, baLeft, blGlyphLeft);
    EXPECT_EQ(p.GlyphX, 10 + 4);
    EXPECT_EQ(p.GlyphY, 20 + (30 - 16 + 1) / 2);
    EXPECT_EQ(p.TextRect.left, 10 + 4 + 16 + 3);
    EXPECT_EQ(p.TextRect.top, 20 + (30 + 1 - 13) / 2);
    EXPECT_EQ(p.TextRect.Width(), 40);
    EXPECT_EQ(p.TextRect.Height(), 13);
    // The text is limited to the client width less the margin.
    p = CalcButtonPlacement(client, 16, 16, 90, 13, 0, 3, 4, baLeft, blGlyphLeft);
    EXPECT_EQ(p.TextRect.right, 10 + 100 - 4);
    // Right to left: the glyph goes right of the text.
    p = CalcButtonPlacement(client, 16, 16, 40, 13, ButtonLayoutRightToLeft, 3, 4, baLeft, blGlyphLeft);
    EXPECT_EQ(p.TextRect.left, 10 + 4);
    EXPECT_EQ(p.GlyphX, 10 + 4 + 40 + 3);
    // Right aligned, glyph right.
    p = CalcButtonPlacement(client, 16, 16, 40, 13, 0, 3, 4, baRight, blGlyphRight);
    EXPECT_EQ(p.GlyphX, 10 + 100 - 4 - 16);
    EXPECT_EQ(p.TextRect.left, 10 + 100 - 4 - 16 - 3 - 40);
    // Centred: margin -1 with spacing 3 gives (free - total + 1) div 2.
    p = CalcButtonPlacement(client, 16, 16, 40, 13, 0, 3, -1, baCenter, blGlyphLeft);
    EXPECT_EQ(p.GlyphX, 10 + std::max((100 - 40 - 3 - 16) / 2, (100 - 59 + 1) / 2));
    // Margin and spacing -1: both a third of the free length.
    p = CalcButtonPlacement(client, 16, 16, 40, 13, 0, -1, -1, baLeft, blGlyphLeft);
    EXPECT_EQ(p.GlyphX, 10 + 44 / 3);
    EXPECT_EQ(p.TextRect.left, 10 + 44 / 3 + 16 + 44 / 3);
    // A margin with spacing -1.
    p = CalcButtonPlacement(client, 16, 16, 40, 13, 0, -1, 6, baLeft, blGlyphLeft);
    EXPECT_EQ(p.TextRect.left, 10 + 6 + 16 + (100 - 6 - 16 - 40) / 2);
    // No text: no spacing.
    p = CalcButtonPlacement(client, 16, 16, 0, 0, 0, 7, 4, baLeft, blGlyphRight);
    EXPECT_EQ(p.GlyphX, 10 + 4);
}

TEST(ButtonLayout, GlyphAboveOrBelowTheText)
{
    const px::Rect client{0, 0, 60, 80};
    TkvButtonPlacement p = CalcButtonPlacement(client, 20, 24, 30, 13, 0, 5, 2, baLeft, blGlyphTop);
    EXPECT_EQ(p.GlyphX, (60 - 20 + 1) / 2);
    EXPECT_EQ(p.TextRect.left, (60 + 1 - 30) / 2);
    EXPECT_EQ(p.GlyphY, (80 - 24 - 5 - 13) / 2);
    EXPECT_EQ(p.TextRect.top, (80 - 24 - 5 - 13) / 2 + 24 + 5);
    p = CalcButtonPlacement(client, 20, 24, 30, 13, 0, 5, 2, baLeft, blGlyphBottom);
    EXPECT_EQ(p.GlyphY, 80 - 24 - (80 - 24 - 5 - 13) / 2);
    EXPECT_EQ(p.TextRect.top, p.GlyphY - 5 - 13);
    // Odd sizes: div truncates toward zero, also for negative free space.
    p = CalcButtonPlacement(px::Rect{0, 0, 10, 10}, 20, 30, 4, 4, 0, 1, 0, baLeft, blGlyphTop);
    EXPECT_EQ(p.GlyphY, (10 - 30 - 1 - 4) / 2);
    EXPECT_EQ(p.GlyphX, (10 - 20 + 1) / 2);
}

TEST(CutText, EllipsisAndEmptyResults)
{
    const TextMeasure sevenEach = [](const std::wstring& s) { return int(s.size()) * 7; };
    EXPECT_EQ(CutTextToWidth(sevenEach, L"Caption", 0), L"");
    EXPECT_EQ(CutTextToWidth(sevenEach, L"Caption", -5), L"");
    EXPECT_EQ(CutTextToWidth(sevenEach, L"Caption", 49), L"Caption");
    EXPECT_EQ(CutTextToWidth(sevenEach, L"Caption", 48), L"Cap...");
    EXPECT_EQ(CutTextToWidth(sevenEach, L"Caption", 28), L"C...");
    // Not even one character fits beside "...".
    EXPECT_EQ(CutTextToWidth(sevenEach, L"Caption", 27), L"");
    EXPECT_EQ(CutTextToWidth(sevenEach, L"", 10), L"");
}

TEST(Rounding, NearestRoundsHalvesAwayFromZero)
{
    EXPECT_EQ(RoundNearest(2.5), 3);
    EXPECT_EQ(RoundNearest(3.5), 4);
    EXPECT_EQ(RoundNearest(-2.5), -3);
    EXPECT_EQ(RoundNearest(2.4999), 2);
    EXPECT_EQ(RoundNearest(-0.4), 0);
    EXPECT_EQ(RoundNearest(127.5), 128);
}
