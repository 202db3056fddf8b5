// Gradients on class-library bitmaps: the band modes only on 32-bit bitmaps,
// and the five-point triangle mesh drawn through the system's GradientFill.
#include <gtest/gtest.h>

#include "skin/graphics/GradientFill.h"
#include "skin/graphics/ResampleBitmap.h"
#include "support/GuiTest.h"

namespace {

uint32_t At(TBitmap& b, int x, int y)
{
    GdiFlush();
    return BitmapPixels(b).At(x, y) & 0xFFFFFF;
}

int Distance(uint32_t a, uint32_t b)
{
    int d = 0;
    for (int s = 0; s <= 16; s += 8) d = std::max(d, std::abs(int(a >> s & 0xFF) - int(b >> s & 0xFF)));
    return d;
}

}  // namespace

TEST(GradientFillTest, BandsOnBitmaps)
{
    TBitmap b(10, 10, TPixelFormat::pf32bit);
    TsGradArray g;
    ParseGradientData(L"255;255;50;0;0;$FF0000;$FF0000;50;0;0", g);
    FillGradient(&b, RECT{0, 0, 10, 10}, g);
    GdiFlush();
    EXPECT_EQ(BitmapPixels(b).At(3, 4), 0xFFFF0000u);
    EXPECT_EQ(BitmapPixels(b).At(3, 5), 0xFF0000FFu);
    // Another pixel format is left unpainted; an empty rect paints nothing.
    TBitmap c(4, 4, TPixelFormat::pf24bit);
    c.Canvas().Brush().SetColor(clWhite);
    c.Canvas().FillRect(RECT{0, 0, 4, 4});
    FillGradient(&c, RECT{0, 0, 4, 4}, g);
    GdiFlush();
    EXPECT_EQ(c.ScanLine(1)[0], 0xFF);
    EXPECT_EQ(c.ScanLine(1)[2], 0xFF);
    FillGradient(&b, RECT{5, 5, 5, 9}, TsGradArray{});
    FillGradient(nullptr, RECT{0, 0, 4, 4}, g);
    // Mixed with a texture: full texture weight shows the texture.
    TBitmap tex(2, 2, TPixelFormat::pf32bit);
    BitmapPixels(tex).At(0, 0) = 0xFF00FF00u;
    BitmapPixels(tex).At(1, 0) = 0xFF000000u;
    BitmapPixels(tex).At(0, 1) = 0xFF000000u;
    BitmapPixels(tex).At(1, 1) = 0xFF00FF00u;
    FillGradientPart(&b, RECT{2, 2, 8, 8}, g, 255, 256 - 1, RECT{}, &tex);
    EXPECT_EQ(At(b, 2, 2) >> 8 & 0xFF, (255 * 255 + 0 * 256) >> 8);
    EXPECT_EQ(At(b, 3, 2) >> 8 & 0xFF, 0u);
    EXPECT_EQ(At(b, 0, 0), 0xFF0000u);   // outside the rect: unchanged
}

TEST(GradientFillTest, TriangleMeshCornersAndCentre)
{
    // Start-up and shut-down are counted: an inner pair leaves the binding alone.
    InitGradientUnit();
    InitGradientUnit();
    DoneGradientUnit();
    ASSERT_TRUE(GradientFillAvailable());
    TBitmap b(61, 41, TPixelFormat::pf32bit);
    TsGradArray g;
    // Corners: top-left red, centre green, top-right blue, bottom-right white, bottom-left black.
    ParseGradientData(L"255;0;20;2;0;$FF00;0;20;0;0;$FF0000;0;20;0;0;$FFFFFF;0;20;0;0;0;0;20;0;0", g);
    ASSERT_EQ(g.size(), 5u);
    FillGradient(&b, RECT{0, 0, 61, 41}, g);
    EXPECT_LE(Distance(At(b, 0, 0), 0xFF0000), 12);
    EXPECT_LE(Distance(At(b, 30, 20), 0x00FF00), 12);
    EXPECT_LE(Distance(At(b, 60, 0), 0x0000FF), 12);
    EXPECT_LE(Distance(At(b, 60, 40), 0xFFFFFF), 16);
    EXPECT_LE(Distance(At(b, 0, 40), 0x000000), 12);
    // Two stops: the centre and the three remaining corners take stop 1.
    TBitmap c(41, 41, TPixelFormat::pf32bit);
    TsGradArray two;
    ParseGradientData(L"255;0;50;2;0;$FF0000;0;50;0;0", two);
    FillGradient(&c, RECT{0, 0, 41, 41}, two);
    EXPECT_LE(Distance(At(c, 0, 0), 0xFF0000), 12);
    EXPECT_LE(Distance(At(c, 20, 20), 0x0000FF), 12);
    EXPECT_LE(Distance(At(c, 40, 0), 0x0000FF), 12);
    EXPECT_LE(Distance(At(c, 40, 40), 0x0000FF), 12);
    EXPECT_LE(Distance(At(c, 0, 40), 0x0000FF), 12);
    EXPECT_LE(Distance(At(c, 20, 38), 0x0000FF), 12);
    // Other modes paint nothing.
    TBitmap d(8, 8, TPixelFormat::pf32bit);
    d.Canvas().Brush().SetColor(TColor(0x123456));
    d.Canvas().FillRect(RECT{0, 0, 8, 8});
    TsGradArray other;
    ParseGradientData(L"255;255;100;3;0", other);
    FillGradient(&d, RECT{0, 0, 8, 8}, other);
    EXPECT_EQ(At(d, 4, 4), 0x563412u);
    DoneGradientUnit();
}
