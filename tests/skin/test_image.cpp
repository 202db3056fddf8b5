// The skinned image without a skin manager: draw size rules, and painting
// through its cache bitmap over what the parent painted.
#include <gtest/gtest.h>

#include "skin/controls/Image.h"
#include "support/GuiTest.h"

namespace {

void SetPicture(TsImage* img, int w, int h, TColor color)
{
    TBitmap& b = img->Picture().Bitmap();
    b.SetSize(w, h);
    b.Canvas().Brush().SetColor(color);
    b.Canvas().FillRect(RECT{0, 0, w, h});
}

class Image : public testing::Test {
protected:
    void SetUp() override
    {
        form = new TForm(Application);
        form->SetBounds(20, 20, 420, 420);
        form->SetColor(clWhite);
        img = new TsImage(form);
        img->SetParent(form);
    }
    void TearDown() override { Free(form); }
    TForm* form = nullptr;
    TsImage* img = nullptr;
};

TEST_F(Image, DrawSizeStretchProportionalReflected)
{
    SetPicture(img, 100, 50, clRed);
    img->SetBounds(0, 0, 200, 200);
    img->SetStretch(true);
    img->SetProportional(true);
    img->SetReflected(true);
    SIZE natural = img->CalcDrawSize(false);
    EXPECT_EQ(natural.cx, 100);
    EXPECT_EQ(natural.cy, 50);
    SIZE s = img->CalcDrawSize(true);
    EXPECT_EQ(s.cx, 200);
    EXPECT_EQ(s.cy, 100);
    // A tall picture is limited by the available height (two thirds: 133).
    SetPicture(img, 50, 100, clRed);
    s = img->CalcDrawSize(true);
    EXPECT_EQ(s.cy, 133);
    EXPECT_EQ(s.cx, 66);
    // A wide picture whose height exceeds the available height.
    SetPicture(img, 120, 100, clRed);
    s = img->CalcDrawSize(true);
    EXPECT_EQ(s.cy, 133);
    EXPECT_EQ(s.cx, 159);   // trunc(133 x 1.2)
    img->SetProportional(false);
    s = img->CalcDrawSize(true);
    EXPECT_EQ(s.cx, 200);
    EXPECT_EQ(s.cy, 133);
    img->SetReflected(false);
    EXPECT_EQ(img->CalcDrawSize(true).cy, 200);
}

TEST_F(Image, PaintsThroughTheCacheOverTheParentBackground)
{
    SetPicture(img, 40, 20, clBlue);
    img->SetBounds(50, 50, 200, 100);
    img->SetCenter(true);   // 40 x 20 centred at 80, 40 in the control
    form->Show();
    HWND h = form->Handle();
    InvalidateRect(h, nullptr, TRUE);
    Pump(50);
    EXPECT_EQ(WindowPixel(h, 50 + 100, 50 + 50), COLORREF(0xFF0000));   // picture (blue)
    EXPECT_EQ(WindowPixel(h, 50 + 10, 50 + 10), COLORREF(0xFFFFFF));    // parent background kept
    EXPECT_FALSE(img->BackgroundChanged());
    ASSERT_EQ(img->CacheBitmap().Width(), 200);
    ASSERT_EQ(img->CacheBitmap().Height(), 100);
    const uint8_t* p = img->CacheBitmap().ScanLine(50) + 100 * 4;
    EXPECT_EQ(p[0], 255);   // blue channel in the cache
    EXPECT_EQ(p[2], 0);

    // Stretched without proportions: the whole control.
    img->SetStretch(true);
    Pump(50);
    EXPECT_EQ(WindowPixel(h, 50 + 5, 50 + 5), COLORREF(0xFF0000));

    // Half transparent and greyed.
    img->SetBlend(50);
    img->SetGrayed(true);
    Pump(50);
    COLORREF c = WindowPixel(h, 50 + 100, 50 + 50);
    EXPECT_EQ(GetRValue(c), GetGValue(c));   // grey
    EXPECT_EQ(GetGValue(c), GetBValue(c));
    EXPECT_GT(GetRValue(c), 85);              // a mix of white and the grey of blue (85)
    EXPECT_LT(GetRValue(c), 255);
}

TEST_F(Image, ReflectionBelowThePicture)
{
    SetPicture(img, 40, 40, clBlack);
    img->SetBounds(0, 0, 100, 100);
    img->SetReflected(true);   // the picture at 0, 0; its mirror fades below it
    form->Show();
    InvalidateRect(form->Handle(), nullptr, TRUE);
    Pump(50);
    COLORREF close = WindowPixel(form->Handle(), 10, 42);
    COLORREF below = WindowPixel(form->Handle(), 10, 70);
    EXPECT_LT(GetRValue(close), 255);          // darkened by the mirror image
    EXPECT_EQ(below, COLORREF(0xFFFFFF));       // below the mirror: background
    EXPECT_EQ(WindowPixel(form->Handle(), 10, 10), COLORREF(0));
}

TEST_F(Image, EmptyImagePaintsNothing)
{
    img->SetBounds(0, 0, 100, 100);
    form->Show();
    InvalidateRect(form->Handle(), nullptr, TRUE);
    Pump(50);
    EXPECT_TRUE(img->Empty());
    EXPECT_EQ(WindowPixel(form->Handle(), 50, 50), COLORREF(0xFFFFFF));
    EXPECT_EQ(img->CacheBitmap().Width(), 0);
}

}  // namespace
