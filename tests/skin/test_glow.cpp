// Glow windows on real windows: layered, click-through styles, the rectangle
// from mask margins and inset (also when only part of the control shows),
// hit tests answered as transparent, the halo bitmap, and the glow list
// (missing masks, hiding twice, clearing).
#include <gtest/gtest.h>

#include "skin/graphics/Glow.h"
#include "skin/graphics/ResampleBitmap.h"
#include "support/GuiTest.h"

namespace {

// One section "BUTTON" with the mask "GLOW0" of margins 6, 5, 7, 8; the mask
// paints a frame of 0x80FF0000 two pixels wide.
class TestGlowSkin : public TsGlowSkin {
public:
    int FindMaskIndex(const String& section, const String& name) const override
    {
        asked = name;
        return section == L"BUTTON" && name == L"GLOW0" ? 3 : -1;
    }
    RECT MaskMargins(int) const override { return RECT{6, 5, 7, 8}; }
    void PaintMask(int mask, TBitmap* bmp) const override
    {
        ++painted;
        PixelView v = bmp->View();
        for (int y = 0; y < v.height; ++y)
            for (int x = 0; x < v.width; ++x)
                if (x < 2 || y < 2 || x >= v.width - 2 || y >= v.height - 2) v.At(x, y) = 0x80FF0000u;
    }
    bool Destroying() const override { return destroying; }
    bool destroying = false;
    mutable String asked;
    mutable int painted = 0;
};

RECT WindowRect(HWND h)
{
    RECT r{};
    GetWindowRect(h, &r);
    return r;
}

class Glow : public testing::Test {
protected:
    void SetUp() override
    {
        form = new TForm(Application);
        form->SetBounds(60, 60, 300, 200);
        form->Show();
        Pump(50);
    }
    void TearDown() override
    {
        ClearGlows(true);
        Free(form);
        Pump(20);
    }
    TForm* form = nullptr;
    TestGlowSkin skin;
    const RECT rect{100, 100, 180, 130};   // 80 x 30 on the screen
    const RECT all{0, 0, 80, 30};
};

}  // namespace

TEST_F(Glow, WindowStylesRectangleAndHitTest)
{
    ASSERT_TRUE(LayeredWindowsAvailable());
    const size_t before = TkvGlowEffects().size();
    int h = ShowGlow(rect, all, L"BUTTON", &skin, form->Handle(), 2, L"GLOW");
    ASSERT_GE(h, 0);
    EXPECT_EQ(skin.asked, L"GLOW0");
    EXPECT_EQ(TkvGlowEffects().size(), before + 1);
    TkvGlowEffect* e = TkvGlowEffects()[size_t(h)];
    ASSERT_NE(e, nullptr);
    ASSERT_NE(e->GlowForm, nullptr);
    EXPECT_EQ(e->GlowMask, 3);
    EXPECT_EQ(e->Inset, 2);
    EXPECT_EQ(e->GlowForm->Tag(), -98);
    EXPECT_EQ(e->HaloBitmap, nullptr);   // freed once shown
    EXPECT_EQ(skin.painted, 1);
    HWND w = e->GlowForm->Handle();
    Pump(20);
    EXPECT_TRUE(IsWindowVisible(w));
    EXPECT_EQ(DWORD(GetWindowLongPtrW(w, GWL_EXSTYLE)) & GlowExStyle, GlowExStyle);
    EXPECT_EQ(GetWindowLongPtrW(w, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME), 0);
    // Halo: 80 + 6 + 7 - 2 x 2 wide, 30 + 5 + 8 - 2 x 2 high, at the rect
    // moved by inset less the margins.
    const RECT wr = WindowRect(w);
    EXPECT_EQ(wr.left, 100 + 2 - 6);
    EXPECT_EQ(wr.top, 100 + 2 - 5);
    EXPECT_EQ(wr.right - wr.left, 89);
    EXPECT_EQ(wr.bottom - wr.top, 39);
    // The halo never takes the mouse; the form's other messages still work.
    EXPECT_EQ(SendMessageW(w, WM_NCHITTEST, 0, MAKELPARAM(wr.left + 3, wr.top + 3)), HTTRANSPARENT);
    EXPECT_EQ(WindowFromPoint(POINT{wr.left + 1, wr.top + 1}) == w, false);
    wchar_t cls[64] = {};
    EXPECT_GT(GetClassNameW(w, cls, 64), 0);
    EXPECT_NE(GetActiveWindow(), w);
    HideGlow(h);
    EXPECT_EQ(h, -1);
}

TEST_F(Glow, HidingTwiceAndMissingMasks)
{
    int a = ShowGlow(rect, all, L"BUTTON", &skin, form->Handle(), 0, L"GLOW");
    int b = ShowGlow(RECT{10, 10, 50, 40}, RECT{0, 0, 40, 30}, L"BUTTON", &skin, form->Handle(), 0, L"GLOW");
    ASSERT_GE(a, 0);
    ASSERT_NE(a, b);
    HWND wa = TkvGlowEffects()[size_t(a)]->GlowForm->Handle();
    HWND wb = TkvGlowEffects()[size_t(b)]->GlowForm->Handle();
    const int saved = a;
    HideGlow(a);
    EXPECT_EQ(a, -1);
    EXPECT_EQ(TkvGlowEffects()[size_t(saved)], nullptr);
    EXPECT_FALSE(IsWindowVisible(wa));
    Pump(50);
    EXPECT_FALSE(IsWindow(wa));   // released once its messages were handled
    // Again, through the variable (now -1) and through the old handle: nothing changes.
    const size_t size = TkvGlowEffects().size();
    HideGlow(a);
    int old = saved;
    HideGlow(old);
    EXPECT_EQ(old, saved);
    int beyond = int(size) + 5;
    HideGlow(beyond);
    EXPECT_EQ(TkvGlowEffects().size(), size);
    EXPECT_NE(TkvGlowEffects()[size_t(b)], nullptr);
    EXPECT_TRUE(IsWindowVisible(wb));
    // A mask name whose "0" variant does not exist, an unknown section, no manager.
    EXPECT_EQ(ShowGlow(rect, all, L"BUTTON", &skin, form->Handle(), 0, L"HALO"), -1);
    EXPECT_EQ(skin.asked, L"HALO0");
    EXPECT_EQ(ShowGlow(rect, all, L"EDIT", &skin, form->Handle(), 0, L"GLOW"), -1);
    EXPECT_EQ(ShowGlow(rect, all, L"BUTTON", nullptr, form->Handle(), 0, L"GLOW"), -1);
    EXPECT_EQ(TkvGlowEffects().size(), size);
    // Clearing with the forms frees every window at once and empties the list.
    ClearGlows(true);
    EXPECT_TRUE(TkvGlowEffects().empty());
    EXPECT_FALSE(IsWindow(wb));
}

TEST_F(Glow, PartlyVisibleControlsCutTheHalo)
{
    const RECT m{6, 5, 7, 8};
    // Whole control: nothing cut.
    TkvGlowGeometry g = CalcGlowGeometry(rect, all, m, 2);
    EXPECT_EQ(g.CutLeft + g.CutTop + g.CutRight + g.CutBottom, 0);
    EXPECT_EQ(g.Width, g.HaloWidth);
    // Where a side is cut, the window edge is the visible part's edge on the
    // screen; uncut sides keep the margin less the inset.
    for (RECT vis : {RECT{10, 0, 80, 30}, RECT{0, 4, 80, 30}, RECT{0, 0, 50, 30}, RECT{0, 0, 80, 20},
                     RECT{10, 4, 50, 20}, RECT{0, 0, 79, 29}}) {
        g = CalcGlowGeometry(rect, vis, m, 2);
        const int left = vis.left ? rect.left + vis.left : rect.left - 6 + 2;
        const int top = vis.top ? rect.top + vis.top : rect.top - 5 + 2;
        const int right = vis.right != 80 ? rect.left + vis.right : rect.right + 7 - 2;
        const int bottom = vis.bottom != 30 ? rect.top + vis.bottom : rect.bottom + 8 - 2;
        EXPECT_EQ(g.X, left) << vis.left << "," << vis.top << "," << vis.right << "," << vis.bottom;
        EXPECT_EQ(g.Y, top);
        EXPECT_EQ(g.X + g.Width, right);
        EXPECT_EQ(g.Y + g.Height, bottom);
        EXPECT_EQ(g.CutLeft, vis.left ? 6 + vis.left - 2 : 0);
        EXPECT_EQ(g.CutTop, vis.top ? 5 + vis.top - 2 : 0);
    }
    // The window shows exactly that part.
    const RECT vis{10, 4, 50, 20};
    int h = ShowGlow(rect, vis, L"BUTTON", &skin, form->Handle(), 2, L"GLOW");
    ASSERT_GE(h, 0);
    const RECT wr = WindowRect(TkvGlowEffects()[size_t(h)]->GlowForm->Handle());
    EXPECT_EQ(wr.left, 110);
    EXPECT_EQ(wr.top, 104);
    EXPECT_EQ(wr.right, 150);
    EXPECT_EQ(wr.bottom, 120);
    HideGlow(h);
    // Nothing visible: no window, no raise.
    g = CalcGlowGeometry(rect, RECT{40, 10, 40, 10}, m, 2);
    EXPECT_TRUE(g.Empty());
    int none = ShowGlow(rect, RECT{40, 10, 40, 10}, L"BUTTON", &skin, form->Handle(), 2, L"GLOW");
    ASSERT_GE(none, 0);
    EXPECT_EQ(TkvGlowEffects()[size_t(none)]->GlowForm, nullptr);
    HideGlow(none);
}

TEST_F(Glow, HaloBitmapAndZOrder)
{
    TkvGlowEffect effect(&skin);
    effect.BuildHaloBitmap(12, 9);
    ASSERT_NE(effect.HaloBitmap, nullptr);
    EXPECT_EQ(skin.painted, 0);   // no mask: zeros only
    GdiFlush();
    EXPECT_EQ(effect.HaloBitmap->View().At(5, 5), 0u);
    EXPECT_EQ(effect.HaloBitmap->View().At(0, 0), 0u);
    effect.GlowMask = 3;
    effect.BuildHaloBitmap(12, 9);
    GdiFlush();
    PixelView v = effect.HaloBitmap->View();
    EXPECT_EQ(v.width, 12);
    EXPECT_EQ(v.At(0, 0), 0x80FF0000u);
    EXPECT_EQ(v.At(11, 8), 0x80FF0000u);
    EXPECT_EQ(v.At(5, 5), 0u);
    // A control window that is not topmost gets a glow that is not either,
    // whatever lies above it.
    int h = ShowGlow(rect, all, L"BUTTON", &skin, form->Handle(), 0, L"GLOW");
    ASSERT_GE(h, 0);
    HWND w = TkvGlowEffects()[size_t(h)]->GlowForm->Handle();
    EXPECT_FALSE(GetWindowLongPtrW(w, GWL_EXSTYLE) & WS_EX_TOPMOST);
    HideGlow(h);
    // A topmost control window gets a topmost glow.
    TForm* top = new TForm(Application);
    top->SetBounds(20, 300, 100, 60);
    top->Show();
    SetWindowPos(top->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    h = ShowGlow(RECT{30, 310, 80, 340}, RECT{0, 0, 50, 30}, L"BUTTON", &skin, top->Handle(), 0, L"GLOW");
    ASSERT_GE(h, 0);
    w = TkvGlowEffects()[size_t(h)]->GlowForm->Handle();
    EXPECT_TRUE(GetWindowLongPtrW(w, GWL_EXSTYLE) & WS_EX_TOPMOST);
    HideGlow(h);
    Free(top);
}

TEST_F(Glow, FreeingFormsFlagAndDeferredRelease)
{
    // Hiding frees the form with the closing flag set; later, when it is released.
    int h = ShowGlow(rect, all, L"BUTTON", &skin, form->Handle(), 0, L"GLOW");
    ASSERT_GE(h, 0);
    TForm* f = TkvGlowEffects()[size_t(h)]->GlowForm;
    HWND w = f->Handle();
    bool flagSeen = true, destroyed = false;
    f->OnDestroy = [&](TObject*) {
        destroyed = true;
        flagSeen = GlowFormClosing;
    };
    HideGlow(h);
    EXPECT_FALSE(GlowFormClosing);
    EXPECT_FALSE(destroyed);   // released: freed once the messages are handled
    EXPECT_FALSE(IsWindowVisible(w));
    Pump(50);
    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(flagSeen);    // by then the hide is over
    // While the manager is being destroyed the form goes at once, under the flag.
    skin.destroying = true;
    h = ShowGlow(rect, all, L"BUTTON", &skin, form->Handle(), 0, L"GLOW");
    f = TkvGlowEffects()[size_t(h)]->GlowForm;
    w = f->Handle();
    destroyed = false;
    f->OnDestroy = [&](TObject*) {
        destroyed = true;
        flagSeen = GlowFormClosing;
    };
    HideGlow(h);
    EXPECT_TRUE(destroyed);
    EXPECT_TRUE(flagSeen);
    EXPECT_FALSE(IsWindow(w));
    skin.destroying = false;
    // Clearing without freeing the forms: the list empties, the windows hide
    // at once and are released afterwards.
    int a = ShowGlow(rect, all, L"BUTTON", &skin, form->Handle(), 0, L"GLOW");
    ASSERT_GE(a, 0);
    w = TkvGlowEffects()[size_t(a)]->GlowForm->Handle();
    ClearGlows(false);
    EXPECT_TRUE(TkvGlowEffects().empty());
    EXPECT_FALSE(IsWindowVisible(w));
    Pump(50);
    EXPECT_FALSE(IsWindow(w));
    // A glow form freed by someone else (the application at its end): the
    // effect lets go of it, and hiding it later touches nothing freed.
    int c = ShowGlow(rect, all, L"BUTTON", &skin, form->Handle(), 0, L"GLOW");
    ASSERT_GE(c, 0);
    Free(TkvGlowEffects()[size_t(c)]->GlowForm);
    EXPECT_EQ(TkvGlowEffects()[size_t(c)]->GlowForm, nullptr);
    HideGlow(c);
    EXPECT_EQ(c, -1);
    ClearGlows(true);
    // The handles start again from 0 after a clear.
    EXPECT_EQ(ShowGlow(rect, all, L"BUTTON", &skin, form->Handle(), 0, L"GLOW"), 0);
}

TEST_F(Glow, HidingKeepsAHookMadeOnTheFormAfterTheGlow)
{
    // Someone hooks the glow form's procedure after the glow did: hiding the
    // glow must not cut them out while the released form still gets messages.
    int h = ShowGlow(rect, all, L"BUTTON", &skin, form->Handle(), 0, L"GLOW");
    ASSERT_GE(h, 0);
    TForm* f = TkvGlowEffects()[size_t(h)]->GlowForm;
    HWND w = f->Handle();
    int seen = 0;
    TWndMethod below = f->WindowProc;
    f->WindowProc = [&seen, below](TMessage& m) {
        if (m.Msg == WM_NCHITTEST) ++seen;
        below(m);
    };
    const RECT wr = WindowRect(w);
    const LPARAM at = MAKELPARAM(wr.left + 3, wr.top + 3);
    EXPECT_EQ(SendMessageW(w, WM_NCHITTEST, 0, at), HTTRANSPARENT);
    HideGlow(h);
    ASSERT_TRUE(IsWindow(w));   // released, not yet freed
    EXPECT_NE(SendMessageW(w, WM_NCHITTEST, 0, at), HTTRANSPARENT);   // the glow's part is gone
    EXPECT_EQ(seen, 2);
    Pump(50);
    EXPECT_FALSE(IsWindow(w));
}
