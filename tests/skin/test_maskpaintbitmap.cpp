// The skin item painters on real bitmaps and device contexts with the sample
// skin loaded by a skin manager: painting into a window's DC, painting over
// what a DC shows, glyphs of 16-colour bitmaps, 8-bit channel copies, system
// colours in background records, the triangle mesh through the system.
#include <gtest/gtest.h>

#include <memory>

#include "classlib/Forms.h"
#include "skin/graphics/Bitmap32.h"
#include "skin/graphics/GradientFill.h"
#include "skin/core/MaskPaintBitmap.h"
#include "skin/graphics/Utils.h"
#include "support/GuiTest.h"

namespace {

class SkinPaint : public testing::Test {
protected:
    void SetUp() override
    {
        manager = new TsSkinManager(nullptr);
        manager->SetSkinDirectory(EnvPath("TALVERA_CONTENT") + L"\\Skins");
        manager->SetSkinName(L"Slate");
        ASSERT_TRUE(manager->SkinData().Active);
    }
    void TearDown() override { Free(manager); }
    TsSkinManager* manager = nullptr;
};

uint32_t Px(TBitmap& b, int x, int y)
{
    GdiFlush();
    return b.View().At(x, y);
}

std::unique_ptr<TBitmap> Filled(int w, int h, uint32_t pixel)
{
    std::unique_ptr<TBitmap> b(NewBitmap32(w, h));
    PixelView v = b->View();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) v.At(x, y) = pixel;
    return b;
}

uint32_t FromColorref(COLORREF c) { return uint32_t(GetRValue(c)) << 16 | uint32_t(GetGValue(c)) << 8 | GetBValue(c); }

}  // namespace

TEST_F(SkinPaint, ItemPaintedIntoAWindowMatchesTheBitmapPainter)
{
    int sec = manager->FindSectionIndex(L"BUTTON");
    ASSERT_GE(sec, 0);
    auto ref = Filled(90, 28, 0xFF000000u);
    PaintSkinItem(sec, L"BUTTON", EmptyBgCacheInfo, -1, -1, manager, ref.get(), POINT{0, 0}, RECT{0, 0, 90, 28}, 1,
                  0);
    TForm* form = new TForm(Application);
    form->SetBorderStyle(TFormBorderStyle::bsNone);
    form->SetBounds(30, 30, 200, 100);
    form->Show();
    Pump(100);
    HDC dc = GetDC(form->Handle());
    PaintSkinItemDC(sec, L"BUTTON", EmptyBgCacheInfo, manager, dc, POINT{0, 0}, RECT{20, 30, 110, 58}, 1, 0);
    // The DC's state is kept (SaveDC / RestoreDC): a later fill still lands where it should.
    RECT probe{0, 0, 4, 4};
    FillRect(dc, &probe, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    GdiFlush();
    COLORREF corner = GetPixel(dc, 1, 1);
    COLORREF mid = GetPixel(dc, 20 + 45, 30 + 14), edge = GetPixel(dc, 20 + 40, 30 + 1);
    ReleaseDC(form->Handle(), dc);
    EXPECT_EQ(corner, RGB(0, 0, 0));
    EXPECT_EQ(FromColorref(mid), Px(*ref, 45, 14) & 0xFFFFFF);
    EXPECT_EQ(FromColorref(edge), Px(*ref, 40, 1) & 0xFFFFFF);
    // Rects with a negative corner or no area, and unknown sections, draw nothing.
    dc = GetDC(form->Handle());
    COLORREF before1 = GetPixel(dc, 10, 70), before2 = GetPixel(dc, 140, 70);
    PaintSkinItemDC(sec, L"BUTTON", EmptyBgCacheInfo, manager, dc, POINT{}, RECT{-5, 60, 50, 90}, 1, 0);
    PaintSkinItemDC(9999, L"X", EmptyBgCacheInfo, manager, dc, POINT{}, RECT{120, 60, 160, 90}, 1, 0);
    GdiFlush();
    COLORREF untouched1 = GetPixel(dc, 10, 70), untouched2 = GetPixel(dc, 140, 70);
    ReleaseDC(form->Handle(), dc);
    EXPECT_EQ(untouched1, before1);
    EXPECT_EQ(untouched2, before2);
    EXPECT_NE(FromColorref(before1), Px(*ref, 45, 14) & 0xFFFFFF);
    Free(form);
}

TEST_F(SkinPaint, ByNameOverWhatTheDcShows)
{
    // A see-through tool button over a window painted in two colours.
    TForm* form = new TForm(Application);
    form->SetBorderStyle(TFormBorderStyle::bsNone);
    form->SetBounds(30, 30, 120, 80);
    form->Show();
    Pump(100);
    HDC dc = GetDC(form->Handle());
    RECT left{0, 0, 60, 80}, right{60, 0, 120, 80};
    HBRUSH red = CreateSolidBrush(RGB(200, 0, 0)), blue = CreateSolidBrush(RGB(0, 0, 200));
    FillRect(dc, &left, red);
    FillRect(dc, &right, blue);
    DeleteObject(red);
    DeleteObject(blue);
    auto bmp = Filled(40, 24, 0xFF000000u);
    int sec = PaintSkinItemByName(bmp.get(), L"NOSUCH", L"TOOLBUTTON", dc, 0, RECT{40, 10, 80, 34}, manager, 0);
    ReleaseDC(form->Handle(), dc);
    EXPECT_EQ(sec, manager->FindSectionIndex(L"TOOLBUTTON"));
    EXPECT_EQ(Px(*bmp, 10, 12) & 0xFFFFFF, 0xC80000u);   // x 50 of the window
    EXPECT_EQ(Px(*bmp, 30, 12) & 0xFFFFFF, 0x0000C8u);   // x 70
    EXPECT_EQ(PaintSkinItemByName(bmp.get(), L"NOSUCH", L"NEITHER", nullptr, 0, RECT{}, manager, 0), -1);
    // Without a DC: the hot state's opaque white over the whole bitmap.
    EXPECT_EQ(PaintSkinItemByName(bmp.get(), L"TOOLBUTTON", L"", nullptr, 0, RECT{}, manager, 1), sec);
    EXPECT_EQ(Px(*bmp, 20, 12), 0xFFFFFFFFu);
    Free(form);
}

TEST_F(SkinPaint, SystemColoursInBackgroundRecords)
{
    int sec = manager->FindSectionIndex(L"PANEL");
    ASSERT_GE(sec, 0);
    auto b = Filled(10, 10, 0);
    TsBgCacheInfo info = EmptyBgCacheInfo;
    info.FillColor = clBtnFace;
    // Transparency 100 with a colour answer: the rect takes the colour.
    manager->gd()[size_t(sec)].Props[0].Transparency = 100;
    PaintSkinSectionBackground(sec, L"PANEL", info, SkinKeyColor, -1, -1, manager, b.get(), POINT{},
                               RECT{0, 0, 10, 10}, 0);
    EXPECT_EQ(Px(*b, 5, 5) & 0xFFFFFF, FromColorref(GetSysColor(COLOR_BTNFACE)));
    // A custom system colour is a plain fill.
    PaintSkinSectionBackground(sec, L"PANEL", info, clWindow, -1, -1, manager, b.get(), POINT{}, RECT{0, 0, 10, 10},
                               0);
    EXPECT_EQ(Px(*b, 5, 5) & 0xFFFFFF, FromColorref(GetSysColor(COLOR_WINDOW)));
}

TEST_F(SkinPaint, MeshGradientLayerDrawnByTheSystem)
{
    if (!GradientFillAvailable()) GTEST_SKIP() << "no GradientFill";
    int sec = manager->FindSectionIndex(L"PANEL");
    ASSERT_GE(sec, 0);
    TsGradArray g;
    ParseGradientData(L"255;65280;0;2;0;16711680;0;0;0;0;65535;0;0;0;0;16777215;0;0;0;0;0;0;0;0;0", g);
    auto& st = manager->gd()[size_t(sec)].Props[0];
    st.Transparency = 0;
    st.ImagePercent = 0;
    st.GradientPercent = 100;
    st.GradientArray = std::make_shared<TsGradArray>(g);
    auto b = Filled(40, 30, 0);
    PaintSkinSectionBackground(sec, L"PANEL", EmptyBgCacheInfo, SkinKeyColor, -1, -1, manager, b.get(), POINT{},
                               RECT{0, 0, 40, 30}, 0);
    auto ref = Filled(40, 30, 0);
    FillGradient(ref.get(), RECT{0, 0, 40, 30}, g);
    int same = 0, distinct = 0;
    uint32_t first = Px(*b, 0, 0) & 0xFFFFFF;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            same += (Px(*b, x, y) & 0xFFFFFF) == (Px(*ref, x, y) & 0xFFFFFF);
            distinct += (Px(*b, x, y) & 0xFFFFFF) != first;
        }
    EXPECT_EQ(same, 40 * 30);
    EXPECT_GT(distinct, 100);
}

TEST(SkinPaintGlyphs, SixteenColourGlyphsTakeFrameZeroWhenDisabled)
{
    // Three 4 x 4 frames: red, green, blue, each with a white transparent pixel bottom-left.
    auto paint = [](TBitmap& g) {
        HDC dc = g.Canvas().Handle();
        const COLORREF colours[3] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)};
        for (int f = 0; f < 3; ++f) {
            RECT r{f * 4, 0, f * 4 + 4, 4};
            HBRUSH b = CreateSolidBrush(colours[f]);
            FillRect(dc, &r, b);
            DeleteObject(b);
            SetPixel(dc, f * 4, 3, RGB(255, 255, 255));
        }
        GdiFlush();
    };
    TBitmap g4(12, 4, TPixelFormat::pf4bit);
    std::vector<uint32_t> table(16, 0x808080);
    table[0] = 0;
    table[1] = 0xFF0000;
    table[2] = 0x00FF00;
    table[3] = 0x0000FF;
    table[4] = 0xFFFFFF;
    g4.SetColorTable(table);
    paint(g4);
    TBitmap g32(12, 4, TPixelFormat::pf32bit);
    paint(g32);
    auto d4 = Filled(8, 8, 0xFF000000u), d32 = Filled(8, 8, 0xFF000000u);
    DrawButtonGlyph32(&g4, d4.get(), RECT{2, 2, 6, 6}, 0, 0, 1, 0, true, 3);
    DrawButtonGlyph32(&g32, d32.get(), RECT{2, 2, 6, 6}, 0, 0, 1, 0, true, 3);
    EXPECT_EQ(Px(*d4, 3, 3) & 0xFFFFFF, 0xFF0000u);    // frame 0
    EXPECT_EQ(Px(*d32, 3, 3) & 0xFFFFFF, 0x00FF00u);   // frame 1
    EXPECT_EQ(Px(*d32, 2, 5), 0xFF000000u);            // the transparent pixel
    // Type 2 (hot), state 1 -> frame 3, which does not exist: 16 colours frame 0, else frame 1.
    DrawButtonGlyph32(&g4, d4.get(), RECT{2, 2, 6, 6}, 1, 0, 2, 0, true, 3);
    EXPECT_EQ(Px(*d4, 3, 3) & 0xFFFFFF, 0xFF0000u);
    DrawButtonGlyph32(&g32, d32.get(), RECT{2, 2, 6, 6}, 0, 0, 2, 0, true, 3);
    EXPECT_EQ(Px(*d32, 3, 3) & 0xFFFFFF, 0x0000FFu);   // state 0 -> frame 2
}

TEST(SkinPaintChannels, EightBitBitmapRoundTrip)
{
    auto b = Filled(6, 3, 0x80402010u);
    TBitmap grey(6, 3, TPixelFormat::pf8bit);
    CopyChannel8(b.get(), &grey, 2, true);
    GdiFlush();
    RawPixelView raw = grey.RawView();
    EXPECT_EQ(raw.Row(2)[5], 0x40);
    raw.Row(1)[3] = 0x99;
    CopyChannel8(b.get(), &grey, 3, false);
    EXPECT_EQ(Px(*b, 3, 1), 0x99402010u);
    EXPECT_EQ(Px(*b, 0, 0), 0x40402010u);
    // Not an 8-bit bitmap: nothing.
    TBitmap other(6, 3, TPixelFormat::pf24bit);
    CopyChannel8(b.get(), &other, 0, false);
    EXPECT_EQ(Px(*b, 0, 0), 0x40402010u);
}

TEST_F(SkinPaint, RegionRunsAndFramesThroughTheManager)
{
    int sec = manager->FindSectionIndex(L"TOOLBUTTON");
    int mask = manager->gd()[size_t(sec)].BorderMaskIndex;
    TAOR rects;
    CollectMaskRegionRects(rects, 100, mask, false, 0, manager);
    std::vector<skinpaint::Rect> direct;
    skinpaint::CollectMaskRegionRects(direct, 100, manager->Tables(), mask, false, 0);
    ASSERT_EQ(rects.size(), direct.size());
    ASSERT_FALSE(rects.empty());
    EXPECT_EQ(rects[0].left, direct[0].left);
    // A title-bar glyph frame, hot state, at a point.
    int close = manager->CommonIndexes().Global("BICONCLOSE");
    ASSERT_GE(close, 0);
    auto b = Filled(40, 30, 0xFF101010u);
    TsBgCacheInfo self = InitBgCacheInfo(b.get(), 0, 0);
    DrawMaskFrame32(b.get(), POINT{5, 4}, 1, self, close, 1, manager);
    const TsMaskData& m = manager->ma()[size_t(close)];
    const PixelBitmap* mb = manager->Tables().MaskBitmap(close);
    int fw = skinpaint::FrameWidthOf(m);
    int drawn = 0;
    for (int y = 0; y < m.SourceRect.Height(); ++y)
        for (int x = 0; x < fw; ++x) {
            uint32_t src = mb->Pixel(m.SourceRect.left + fw + x, m.SourceRect.top + y);
            uint32_t expect = IsKeyPixel(src) ? 0xFF101010u : (src | 0xFF000000u);
            drawn += !IsKeyPixel(src);
            ASSERT_EQ(Px(*b, 5 + x, 4 + y), expect) << x << "," << y;
        }
    EXPECT_GT(drawn, 0);
}
