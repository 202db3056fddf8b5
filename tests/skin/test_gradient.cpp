// Section gradients: the gradient text format and the band painters on plain
// pixel views (bands, empty bands, clipping, texture mixing).
#include <gtest/gtest.h>

#include <vector>

#include "classlib/SysUtils.h"
#include "skin/graphics/Gradients.h"
#include "skin/graphics/TextUtils.h"

namespace {

constexpr uint32_t Sentinel = 0x12345678;

// A w x h view inside a buffer with a 2-pixel sentinel border all round, so a
// write outside the view shows.
struct Canvas32 {
    int w, h;
    std::vector<uint32_t> buf;
    Canvas32(int w_, int h_) : w(w_), h(h_), buf(size_t(w_ + 4) * (h_ + 4), Sentinel) {}
    PixelView View() { return PixelView{buf.data() + 2 * (w + 4) + 2, ptrdiff_t(w + 4) * 4, w, h}; }
    uint32_t At(int x, int y) { return buf[size_t(y + 2) * (w + 4) + x + 2]; }
    bool BorderIntact()
    {
        for (int y = -2; y < h + 2; ++y)
            for (int x = -2; x < w + 2; ++x)
                if ((x < 0 || y < 0 || x >= w || y >= h) && At(x, y) != Sentinel) return false;
        return true;
    }
};

// The colour of step i of n from c1 to c2 (TColor) as a pixel with alpha a.
uint32_t Expected(TColor c1, TColor c2, int i, int n, uint32_t a = 255)
{
    auto ch = [&](int shift) {
        const double x = (c1 >> shift) & 0xFF, y = (c2 >> shift) & 0xFF;
        return uint32_t(std::lround(x + (y - x) * i / n));
    };
    return a << 24 | ch(0) << 16 | ch(8) << 8 | ch(16);
}

TsGradArray Stops(std::initializer_list<TsGradStop> s) { return TsGradArray(s); }

}  // namespace

TEST(GradientData, ParsesStopsAndLimitsValues)
{
    TsGradArray g;
    ParseGradientData(L"255;16777215;50;0;0;0;255;50;0;0", g);
    ASSERT_EQ(g.size(), 2u);
    EXPECT_EQ(g[0].Color1, 0x0000FF);   // red
    EXPECT_EQ(g[0].Color2, 0xFFFFFF);
    EXPECT_EQ(g[0].Percent, 50);
    EXPECT_EQ(g[0].Mode, 0);
    EXPECT_EQ(g[1].Color1, 0);
    EXPECT_EQ(g[1].Color2, 0x0000FF);
    EXPECT_EQ(g[1].Percent, 50);

    ParseGradientData(L"1;2;150;1;0", g);
    ASSERT_EQ(g.size(), 1u);
    EXPECT_EQ(g[0].Percent, 100);
    EXPECT_EQ(g[0].Mode, 1);
    ParseGradientData(L"-5;$FF00;-1;2;9;7;8", g);   // seven fields: one stop
    ASSERT_EQ(g.size(), 1u);
    EXPECT_EQ(g[0].Color1, 0);
    EXPECT_EQ(g[0].Color2, 0xFF00);
    EXPECT_EQ(g[0].Percent, 0);
    EXPECT_EQ(g[0].Mode, 2);
    // Runs of separators count as one; the fifth field is not read.
    ParseGradientData(L";;10;;20;;30;;0;;junk;;", g);
    ASSERT_EQ(g.size(), 1u);
    EXPECT_EQ(g[0].Color1, 10);
    EXPECT_EQ(g[0].Percent, 30);
    ParseGradientData(L"", g);
    EXPECT_TRUE(g.empty());
    ParseGradientData(L"1;2;3", g);
    EXPECT_TRUE(g.empty());
}

TEST(GradientData, FieldsAreTheWordsOfTheWordExtractor)
{
    // Each stop is read from the words the library's word extractor gives.
    const TCharSet semi = MakeCharSet(L";");
    for (const String text : {L"1;2;3;0;9;4;5;6;1;9", L";;7;;8;;9;;1;;x;;", L"10;20;30;1;;40;50;60;2;;y",
                              L" 1; 2; 3; 0; w"}) {
        TsGradArray g;
        ParseGradientData(text, g);
        ASSERT_EQ(g.size(), size_t(CountWords(text, semi) / 5)) << text.c_str();
        for (size_t k = 0; k < g.size(); ++k) {
            const int first = int(k) * 5 + 1;
            EXPECT_EQ(g[k].Color1, GradientStrToInt(ExtractNthWord(first, text, semi)));
            EXPECT_EQ(g[k].Color2, GradientStrToInt(ExtractNthWord(first + 1, text, semi)));
            EXPECT_EQ(g[k].Percent, GradientStrToInt(ExtractNthWord(first + 2, text, semi)));
            EXPECT_EQ(g[k].Mode, GradientStrToInt(ExtractNthWord(first + 3, text, semi)));
        }
    }
}

TEST(GradientData, FieldsThatAreNotNumbersRaise)
{
    TsGradArray g;
    EXPECT_THROW(ParseGradientData(L"1;red;50;0;0", g), EConvertError);
    EXPECT_THROW(ParseGradientData(L"1;2;50;0x;0", g), EConvertError);
    EXPECT_THROW(ParseGradientData(L"1;2;99999999999;0;0", g), EConvertError);
    EXPECT_THROW(ParseGradientData(L"1; ;50;0;0", g), EConvertError);
    EXPECT_EQ(GradientStrToInt(L" -12 "), -12);
    EXPECT_EQ(GradientStrToInt(L"$7fffffff"), 0x7FFFFFFF);
    EXPECT_EQ(GradientStrToInt(L"0x10"), 16);
    EXPECT_EQ(GradientStrToInt(L"-2147483648"), INT32_MIN);
    EXPECT_THROW(GradientStrToInt(L"2147483648"), EConvertError);
    EXPECT_THROW(GradientStrToInt(L"1 2"), EConvertError);
}

TEST(GradientBands, VerticalBandsStepPerRowWithAlpha255)
{
    Canvas32 c(6, 10);
    const TsGradArray g = Stops({{0x0000FF, 0xFFFFFF, 50, 0}, {0x000000, 0x0000FF, 50, 0}});
    ASSERT_TRUE(FillGradientBands(c.View(), px::Rect{0, 0, 6, 10}, g));
    for (int y = 0; y < 10; ++y) {
        const uint32_t e = y < 5 ? Expected(0x0000FF, 0xFFFFFF, y, 5) : Expected(0, 0x0000FF, y - 5, 5);
        for (int x = 0; x < 6; ++x) ASSERT_EQ(c.At(x, y), e) << x << "," << y;
    }
    EXPECT_EQ(c.At(0, 0), 0xFFFF0000u);   // starts exactly at red
    EXPECT_TRUE(c.BorderIntact());
}

TEST(GradientBands, EmptyBandsAreSkippedAndTheLastBandReachesTheBottom)
{
    // A middle band of 0 percent, and percents that add up to 60 only.
    Canvas32 c(3, 20);
    const TsGradArray g = Stops({{0x0000FF, 0x0000FF, 30, 0}, {0x00FF00, 0x00FF00, 0, 0}, {0xFF0000, 0xFF0000, 30, 0}});
    FillGradientBands(c.View(), px::Rect{0, 0, 3, 20}, g);
    for (int y = 0; y < 20; ++y) EXPECT_EQ(c.At(1, y), y < 6 ? 0xFFFF0000u : 0xFF0000FFu) << y;
    // Percents beyond 100: bands stop at the rect, later ones are empty.
    Canvas32 d(3, 20);
    const TsGradArray over = Stops({{0x0000FF, 0x0000FF, 80, 0}, {0x00FF00, 0x00FF00, 80, 0}, {0xFF0000, 0xFF0000, 80, 0}});
    FillGradientBands(d.View(), px::Rect{0, 5, 3, 15}, over);
    for (int y = 0; y < 20; ++y)
        EXPECT_EQ(d.At(2, y), y < 5 || y >= 15 ? Sentinel : y < 13 ? 0xFFFF0000u : 0xFF00FF00u) << y;
    EXPECT_TRUE(d.BorderIntact());
}

TEST(GradientBands, HorizontalBandsAreTheSameOnEveryRow)
{
    Canvas32 c(20, 4);
    const TsGradArray g = Stops({{0x102030, 0x405060, 25, 1}, {0x000000, 0xFFFFFF, 75, 0}});
    FillGradientBands(c.View(), px::Rect{0, 0, 20, 4}, g);
    for (int x = 0; x < 20; ++x) {
        const uint32_t e = x < 5 ? Expected(0x102030, 0x405060, x, 5) : Expected(0, 0xFFFFFF, x - 5, 15);
        for (int y = 0; y < 4; ++y) ASSERT_EQ(c.At(x, y), e) << x << "," << y;
    }
    // nearest(25 x 10 / 100) = nearest(2.5) = 3: halves round away from zero.
    Canvas32 h(10, 1);
    FillGradientBands(h.View(), px::Rect{0, 0, 10, 1}, Stops({{0xFF, 0xFF, 25, 1}, {0, 0, 75, 1}}));
    EXPECT_EQ(h.At(2, 0), 0xFFFF0000u);
    EXPECT_EQ(h.At(3, 0), 0xFF000000u);
    EXPECT_EQ(GradientBandEnd(0, 25, 10), 3);
    EXPECT_EQ(GradientBandEnd(4, 50, 5), 7);
}

TEST(GradientBands, ClippingAndNothingToPaint)
{
    Canvas32 c(8, 8);
    const TsGradArray g = Stops({{0x0000FF, 0xFF0000, 100, 0}});
    FillGradientBands(c.View(), px::Rect{-5, -3, 20, 30}, g);
    EXPECT_TRUE(c.BorderIntact());
    EXPECT_EQ(c.At(0, 0), Expected(0x0000FF, 0xFF0000, 0, 8));
    EXPECT_EQ(c.At(7, 7), Expected(0x0000FF, 0xFF0000, 7, 8));
    Canvas32 e(4, 4);
    EXPECT_FALSE(FillGradientBands(e.View(), px::Rect{0, 0, 4, 4}, TsGradArray{}));
    EXPECT_FALSE(FillGradientBands(e.View(), px::Rect{3, 3, 3, 9}, g));
    EXPECT_FALSE(FillGradientBands(e.View(), px::Rect{0, 0, 4, 4}, Stops({{1, 2, 50, 7}})));
    EXPECT_FALSE(FillGradientBands(e.View(), px::Rect{5, 5, 9, 9}, g));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(e.At(x, y), Sentinel);
    // The extra height shifts the first band down and lengthens it.
    Canvas32 s(1, 10);
    FillGradientBands(s.View(), px::Rect{0, 0, 1, 10}, Stops({{0xFF, 0xFF, 50, 0}, {0, 0, 50, 0}}), 2);
    EXPECT_EQ(s.At(0, 1), Sentinel);
    EXPECT_EQ(s.At(0, 2), 0xFFFF0000u);
    EXPECT_EQ(s.At(0, 7), 0xFFFF0000u);   // 2 + nearest(50% of 12) = 8
    EXPECT_EQ(s.At(0, 8), 0xFF000000u);
}

TEST(GradientBands, TextureMixedAndTiledFromTheRectOrigin)
{
    std::vector<uint32_t> tex = {0xFF0000FF, 0xFF00FF00, 0xFFFF0000, 0xFFFFFFFF, 0xFF000000, 0xFF808080};   // 3 x 2
    const PixelView t{tex.data(), 12, 3, 2};
    const TsGradArray g = Stops({{0x204060, 0x204060, 100, 0}});
    const uint32_t p = Expected(0x204060, 0x204060, 0, 1);
    Canvas32 c(7, 5);
    FillGradientPartPixels(c.View(), px::Rect{1, 1, 7, 5}, g, 200, 96, t, px::Rect{});
    for (int y = 1; y < 5; ++y)
        for (int x = 1; x < 7; ++x) {
            const uint32_t tv = tex[size_t((y - 1) % 2) * 3 + size_t((x - 1) % 3)];
            uint32_t e = 200u << 24;
            for (int sh = 0; sh <= 16; sh += 8) {
                const int pc = (p >> sh) & 0xFF, tc = (tv >> sh) & 0xFF;
                e |= uint32_t((96 * (tc - pc) + pc * 256) >> 8) << sh;
            }
            ASSERT_EQ(c.At(x, y), e) << x << "," << y;
        }
    EXPECT_EQ(c.At(0, 0), Sentinel);
    // A texture part: column 1..2 of row 1 only.
    Canvas32 d(4, 1);
    FillGradientPartPixels(d.View(), px::Rect{0, 0, 4, 1}, g, 255, 255, t, px::Rect{1, 1, 3, 2});
    auto mix = [&](uint32_t tv) {
        uint32_t e = 0xFF000000u;
        for (int sh = 0; sh <= 16; sh += 8) {
            const int pc = (p >> sh) & 0xFF, tc = (tv >> sh) & 0xFF;
            e |= uint32_t((255 * (tc - pc) + pc * 256) >> 8) << sh;
        }
        return e;
    };
    EXPECT_EQ(d.At(0, 0), mix(tex[4]));
    EXPECT_EQ(d.At(1, 0), mix(tex[5]));
    EXPECT_EQ(d.At(0, 0), d.At(2, 0));   // period 2
    EXPECT_EQ(d.At(1, 0), d.At(3, 0));
    EXPECT_NE(d.At(0, 0), d.At(1, 0));
    // A texture rect of width 0 is skipped: the gradient alone.
    Canvas32 z(4, 2);
    FillGradientPartPixels(z.View(), px::Rect{0, 0, 4, 2}, g, 255, 128, t, px::Rect{2, 0, 2, 2});
    FillGradientPartPixels(z.View(), px::Rect{0, 0, 4, 2}, g, 255, 128, PixelView{}, px::Rect{});
    EXPECT_EQ(z.At(3, 1), p);
    EXPECT_TRUE(z.BorderIntact());
}

TEST(GradientBands, FillRow32WritesCountValues)
{
    std::vector<uint32_t> row(6, 0);
    FillRow32(row.data() + 1, 4, 0xAABBCCDD);
    EXPECT_EQ(row, (std::vector<uint32_t>{0, 0xAABBCCDD, 0xAABBCCDD, 0xAABBCCDD, 0xAABBCCDD, 0}));
    FillRow32(row.data(), 0, 1);
    FillRow32(row.data(), -3, 1);
    EXPECT_EQ(row[0], 0u);
}
