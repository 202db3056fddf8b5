// Bitmap-level pixel routines on real DIB sections: creation, keyed copies of
// other depths, the rounded shadow, the disabled look over a real parent
// control, and the layered-window bindings on a real window.
#include <gtest/gtest.h>

#include <memory>

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "skin/graphics/Bitmap32.h"
#include "support/GuiTest.h"

TEST(Bitmap32, CreationAndPixelAccess)
{
    std::unique_ptr<TBitmap> b(NewBitmap32(5, 3));
    EXPECT_EQ(b->PixelFormat(), TPixelFormat::pf32bit);
    EXPECT_EQ(GetPixel32(b.get(), 4, 2), 0x00FFFFFFu);
    SetPixel32(b.get(), 1, 1, 0x80112233);
    EXPECT_EQ(b->ScanLine(1)[4 + 2], 0x11);   // bytes blue, green, red, alpha
    EXPECT_EQ(b->ScanLine(1)[4 + 3], 0x80);
    std::unique_ptr<TBitmap> like(NewBitmapLike(b.get()));
    EXPECT_EQ(like->Width(), 5);
    EXPECT_EQ(like->PixelFormat(), TPixelFormat::pf32bit);
    // Premultiplied for a layered window: the whole bitmap.
    FillRect32(b.get(), RECT{0, 0, 5, 3}, clWhite, 0x80);
    PremultiplyBitmap(b.get());
    EXPECT_EQ(GetPixel32(b.get(), 0, 0), 0x807F7F7Fu);
}

TEST(Bitmap32, SkipColourCopiesFromOtherDepths)
{
    TBitmap src(2, 1, TPixelFormat::pf24bit);
    uint8_t* row = src.ScanLine(0);
    row[0] = 0, row[1] = 0, row[2] = 255;     // red: the colour to leave out
    row[3] = 10, row[4] = 20, row[5] = 30;
    std::unique_ptr<TBitmap> dst(NewBitmap32(3, 1));
    CopyBitmapSkipColor(dst.get(), &src, 1, 0, clRed);
    EXPECT_EQ(GetPixel32(dst.get(), 1, 0), 0x00FFFFFFu);
    EXPECT_EQ(GetPixel32(dst.get(), 2, 0), 0xFF1E140Au);   // copied opaque
    EXPECT_EQ(src.PixelFormat(), TPixelFormat::pf24bit);   // the caller's bitmap is not changed
    // A 24-bit source of the masked blend is switched to 32 bits: alpha 0 blends nothing.
    TBitmap rgb(1, 1, TPixelFormat::pf24bit);
    std::unique_ptr<TBitmap> d(NewBitmap32(1, 1));
    FillRect32(d.get(), RECT{0, 0, 1, 1}, clBlue, 255);
    BlendBitmapMasked(RECT{0, 0, 1, 1}, RECT{0, 0, 1, 1}, d.get(), &rgb, EmptyBgCacheInfo, false);
    EXPECT_EQ(rgb.PixelFormat(), TPixelFormat::pf32bit);
    EXPECT_EQ(GetPixel32(d.get(), 0, 0), 0xFF0000FFu);
}

TEST(Bitmap32, KeyedCopyWithoutAReadyBackgroundWritesTheInfoColourIntoKeyPixels)
{
    // The source rect is inclusive here: {0, 0, 1, 0} is both pixels of the row.
    std::unique_ptr<TBitmap> src(NewBitmap32(2, 1));
    SetPixel32(src.get(), 0, 0, 0x00FF00FF);   // key
    SetPixel32(src.get(), 1, 0, 0x80123456);
    for (TColor fill : {TColor(clRed), TColor(RGBColor(0x12, 0x34, 0x56)), clBtnFace, clWindowText}) {
        SCOPED_TRACE(fill);
        std::unique_ptr<TBitmap> dst(NewBitmap32(3, 1));
        FillRect32(dst.get(), RECT{0, 0, 3, 1}, clBlack, 0x11);
        const uint32_t before = GetPixel32(dst.get(), 0, 0);
        TsBgCacheInfo info;
        info.FillColor = fill;   // not Ready: key pixels take this colour, system colours resolved
        CopyKeyedToCache(dst.get(), src.get(), 1, 0, false, info, 0xFF00FF, RECT{0, 0, 1, 0});
        const COLORREF c = ColorToRGB(fill);
        EXPECT_EQ(GetPixel32(dst.get(), 1, 0), uint32_t(GetRValue(c)) << 16 | uint32_t(GetGValue(c)) << 8 | GetBValue(c));
        EXPECT_EQ(GetPixel32(dst.get(), 2, 0), 0x80123456u);
        EXPECT_EQ(GetPixel32(dst.get(), 0, 0), before);
    }
}

TEST(Bitmap32, RoundShadowTintsAndKeepsTheOutside)
{
    std::unique_ptr<TBitmap> b(NewBitmap32(20, 10));
    FillRect32(b.get(), RECT{0, 0, 20, 10}, clWhite, 255);
    // Percent 60, radius and depth 0: the whole area 40 % toward the colour.
    PaintRoundShadow(b.get(), RECT{5, 0, 15, 10}, 60, 0, 0, clBlack);
    uint32_t inside = GetPixel32(b.get(), 10, 5);
    int f = 60 * 255 / 100;
    EXPECT_EQ(inside & 255, uint32_t(255 * f / 256));
    EXPECT_EQ(GetPixel32(b.get(), 2, 5), 0xFFFFFFFFu);
    // With depth the rim stays lighter than the middle.
    std::unique_ptr<TBitmap> c(NewBitmap32(20, 20));
    FillRect32(c.get(), RECT{0, 0, 20, 20}, clWhite, 255);
    PaintRoundShadow(c.get(), RECT{0, 0, 20, 20}, 20, 4, 5, clBlack);
    EXPECT_GT(GetPixel32(c.get(), 1, 10) & 255, GetPixel32(c.get(), 10, 10) & 255);
}

TEST(Bitmap32, DisabledLookBlendsTowardTheBackground)
{
    std::unique_ptr<TBitmap> bg(NewBitmap32(10, 10));
    FillRect32(bg.get(), RECT{0, 0, 10, 10}, RGBColor(0, 0, 200), 255);
    std::unique_ptr<TBitmap> b(NewBitmap32(4, 4));
    FillRect32(b.get(), RECT{0, 0, 4, 4}, RGBColor(100, 0, 0), 255);
    TsBgCacheInfo info;
    info.Bmp = bg.get();
    info.Ready = true;
    ApplyDisabledEffect(b.get(), 1, nullptr, POINT{2, 2}, info);
    // channel = s - (s - d) x 0.4 with s the background: 60 % background, 40 % control.
    EXPECT_EQ(GetPixel32(b.get(), 0, 0) & 0xFFFFFF, 0x280078u);   // R 40, B 120
    // Grey first, then toward the parent's colour when there is no background bitmap.
    TForm* form = new TForm(nullptr);
    form->SetColor(clWhite);
    TPanel* panel = new TPanel(form);
    panel->SetParent(form);
    std::unique_ptr<TBitmap> g(NewBitmap32(2, 2));
    FillRect32(g.get(), RECT{0, 0, 2, 2}, RGBColor(0, 0, 90), 255);
    ApplyDisabledEffect(g.get(), 3, panel, POINT{0, 0}, TsBgCacheInfo{});
    EXPECT_EQ(GetPixel32(g.get(), 1, 1) & 0xFFFFFF, 0x8F8F8Fu);   // grey 30, halfway to 255: 142.5 rounds to 143
    // A skinned parent is asked for its background colour: the disabled control
    // is tinted toward the skin's colour, not toward the parent's own Color.
    struct TSkinnedPanel : TPanel {
        DECLARE_CLASS(TSkinnedPanel, TPanel)
    public:
        using TPanel::TPanel;
        TColor skinColor = RGBColor(0, 200, 0);
        void WndProc(TMessage& m) override
        {
            if (m.Msg == SkinCommandMessage && SkinCommandOf(m.WParam) == SkinCmdIsSkinned) {
                m.Result = 1;
                return;
            }
            if (m.Msg == SkinCommandMessage && SkinCommandOf(m.WParam) == SkinCmdGetBkColor) {
                m.Result = LRESULT(skinColor);
                return;
            }
            TPanel::WndProc(m);
        }
    };
    auto* skinned = new TSkinnedPanel(form);
    skinned->SetParent(form);
    skinned->SetColor(clWhite);
    TPanel* child = new TPanel(form);
    child->SetParent(skinned);
    std::unique_ptr<TBitmap> h(NewBitmap32(2, 2));
    FillRect32(h.get(), RECT{0, 0, 2, 2}, RGBColor(0, 0, 90), 255);
    ApplyDisabledEffect(h.get(), 1, child, POINT{0, 0}, TsBgCacheInfo{});
    EXPECT_EQ(GetPixel32(h.get(), 1, 1) & 0xFFFFFF, uint32_t((200 + 1) / 2) << 8 | (90 + 1) / 2);
    delete form;
}

TEST(Bitmap32, LayeredWindowFunctionsAreBoundAndPushAWindow)
{
    EXPECT_TRUE(LayeredWindowsAvailable());
    ASSERT_NE(SetLayeredWindowAttributesFn, nullptr);
    EXPECT_GT(CheckBoxWidth, 0);
    EXPECT_GT(CheckBoxHeight, 0);
    HWND wnd = CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP, 10, 10, 8, 8, nullptr,
                               nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(wnd, nullptr);
    std::unique_ptr<TBitmap> b(NewBitmap32(16, 12));
    FillRect32(b.get(), RECT{0, 0, 16, 12}, clRed, 200);
    EXPECT_TRUE(PushLayeredBitmap(wnd, b.get(), 30, 40, 255));
    RECT r{};
    GetWindowRect(wnd, &r);
    EXPECT_EQ(r.left, 30);
    EXPECT_EQ(r.top, 40);
    EXPECT_EQ(r.right - r.left, 16);   // the window takes the bitmap's size
    EXPECT_EQ(GetPixel32(b.get(), 0, 0), 0xC8FF0000u);   // the caller's pixels are not premultiplied
    EXPECT_FALSE(PushLayeredBitmap(nullptr, b.get(), 0, 0, 255));
    DestroyWindow(wnd);
}
