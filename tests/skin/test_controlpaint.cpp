// Painters that take a control's skin data, on real windows: the background a
// child gets from its parent's cache (offsets), the control skin from the
// sample skin with recolouring and custom colours, the corner fill from the
// parent, skinned and plain control borders, glow windows over a skin
// manager's mask, and a screenshot of a window painted section by section.
#include "tests/skin/SkinRuntimeFixture.h"

#include "classlib/SysUtils.h"
#include "skin/controls/Image.h"
#include "skin/core/ControlPaint.h"
#include "skin/graphics/Bitmap32.h"
#include "skin/graphics/GradientFill.h"
#include "skin/graphics/Utils.h"
#include "support/PngWriter.h"

using namespace skintest;

namespace {

class ControlPaint : public SkinRuntime {
protected:
    void SetUp() override
    {
        SkinRuntime::SetUp();
        InstallControlPaintHooks();
    }
};

uint32_t Px(TBitmap& b, int x, int y)
{
    GdiFlush();
    return b.View().At(x, y);
}

// Fills a bitmap with pixels that say where they are.
void Pattern(TBitmap& b)
{
    GdiFlush();
    PixelView v = b.View();
    for (int y = 0; y < v.height; ++y)
        for (int x = 0; x < v.width; ++x) v.At(x, y) = 0xFF000000u | uint32_t(x) << 8 | uint32_t(y) | 0x400000u;
}
uint32_t PatternAt(int x, int y) { return 0xFF000000u | uint32_t(x) << 8 | uint32_t(y) | 0x400000u; }

uint32_t Rgb(TColor c)
{
    COLORREF v = ColorToRGB(c);
    return uint32_t(GetRValue(v)) << 16 | uint32_t(GetGValue(v)) << 8 | GetBValue(v);
}

}  // namespace

TEST_F(ControlPaint, ChildGetsTheParentsCacheAtItsOffsets)
{
    // A panel whose cache answers by bitmap (a gradient section), a see-through child on it.
    TsSkinManager* m = SmallManager();
    TSkinTestForm* f = NewForm();
    auto* panel = Add<TSkinTestPanel>(f, 5, 5, 200, 150);
    auto* child = Add<TSkinTestButton>(panel, 17, 11, 40, 30);
    f->Show();
    Pump(50);
    TsCommonData& pd = panel->SkinData();
    pd.SetSkinSection(L"BUTTON");
    pd.PrepareCacheBitmap();
    Pattern(*pd.CacheBitmap);
    TsCommonData& cd = child->SkinData();
    cd.SetSkinSection(L"SPEEDBUTTON");   // transparency 100 in state 0
    ASSERT_EQ(cd.SectionIndex, m->FindSectionIndex(L"SPEEDBUTTON"));

    TsBgRequest answer;
    TsBgCacheInfo info = ParentBackgroundOf(child, answer);
    EXPECT_EQ(answer.Kind, bgBitmap);
    EXPECT_EQ(info.Bmp, pd.CacheBitmap.get());
    EXPECT_TRUE(info.Ready);
    EXPECT_EQ(info.X, 17);
    EXPECT_EQ(info.Y, 11);
    // Painted through that info, the child shows the parent's pixels under it.
    cd.PrepareCacheBitmap();
    PaintSkinDataBackground(cd, info, 0, cd.CacheBitmap.get(), POINT{0, 0}, RECT{0, 0, 40, 30});
    for (int y = 0; y < 30; y += 7)
        for (int x = 0; x < 40; x += 9) EXPECT_EQ(Px(*cd.CacheBitmap, x, y), PatternAt(x + 17, y + 11)) << x << "," << y;
    // The same through the skin data's own request, with the parent's cache.
    TsBgCacheInfo own;
    cd.GetParentBackground(own);
    EXPECT_EQ(own.Bmp, pd.CacheBitmap.get());
    EXPECT_TRUE(own.Ready);
    EXPECT_EQ(own.X, 17);
    EXPECT_EQ(own.Y, 11);
    // Hot (transparency 0): the state colour, no parent.
    PaintSkinDataBackground(cd, info, 1, cd.CacheBitmap.get(), POINT{0, 0}, RECT{0, 0, 40, 30});
    EXPECT_EQ(Px(*cd.CacheBitmap, 20, 15) & 0xFFFFFF, 0x00FF00u);
}

TEST_F(ControlPaint, ControlSkinFromTheSampleSkin)
{
    TsSkinManager* m = SampleManager();
    TSkinTestForm* f = NewForm();
    auto* b = Add<TSkinTestButton>(f, 10, 10, 90, 28);
    f->Show();
    Pump(50);
    TsCommonData& d = b->SkinData();
    d.SetSkinSection(L"BUTTON");
    d.PrepareCacheBitmap();
    TBitmap* cache = d.CacheBitmap.get();
    PaintControlSkin(d, EmptyBgCacheInfo, -1, -1, 0, cache, POINT{0, 0}, RECT{0, 0, 90, 28}, 1);
    // The same as the item painter with the section's own data.
    std::unique_ptr<TBitmap> ref(NewBitmap32(90, 28));
    PaintSkinItem(d.SectionIndex, L"BUTTON", EmptyBgCacheInfo, d.TextureIndex, -1, m, ref.get(), POINT{0, 0},
                  RECT{0, 0, 90, 28}, 1, 0);
    int differ = 0;
    for (int y = 0; y < 28; ++y)
        for (int x = 0; x < 90; ++x) differ += Px(*cache, x, y) != Px(*ref, x, y);
    EXPECT_EQ(differ, 0);
    // A hue offset of the skin data recolours everything but key pixels.
    const uint32_t before = Px(*cache, 45, 14);
    d.SetHUEOffset(180);
    PaintControlSkin(d, EmptyBgCacheInfo, -1, -1, 0, cache, POINT{0, 0}, RECT{0, 0, 90, 28}, 1);
    EXPECT_EQ(Px(*cache, 45, 14), px::ChangePixelHue(before, 180));
    d.SetHUEOffset(0);
    // A custom colour: the owner's colour fills the body.
    b->SetColor(0x2040C0);
    d.SetCustomColor(true);
    PaintControlSkin(d, EmptyBgCacheInfo, -1, -1, 0, cache, POINT{0, 0}, RECT{0, 0, 90, 28}, 0);
    EXPECT_EQ(Px(*cache, 45, 14) & 0xFFFFFF, 0xC04020u);
    // Guards: rects that leave the bitmap paint nothing.
    PixelView v = cache->View();
    for (int y = 0; y < 28; ++y)
        for (int x = 0; x < 90; ++x) v.At(x, y) = 0xFF010203u;
    PaintControlSkin(d, EmptyBgCacheInfo, -1, -1, 0, cache, POINT{0, 0}, RECT{0, 0, 91, 28}, 0);
    PaintControlSkin(d, EmptyBgCacheInfo, -1, -1, 0, cache, POINT{0, 0}, RECT{-1, 0, 90, 28}, 0);
    PaintControlSkin(d, EmptyBgCacheInfo, -1, -1, 0, nullptr, POINT{0, 0}, RECT{0, 0, 90, 28}, 0);
    EXPECT_EQ(Px(*cache, 45, 14), 0xFF010203u);
}

TEST_F(ControlPaint, TransparentCornersTakeTheParentsPixels)
{
    TsSkinManager* m = SampleManager();
    TSkinTestForm* f = NewForm();
    auto* panel = Add<TSkinTestPanel>(f, 0, 0, 300, 200);
    auto* b = Add<TSkinTestButton>(panel, 23, 19, 60, 24);
    f->Show();
    Pump(50);
    TsCommonData& pd = panel->SkinData();
    pd.SetSkinSection(L"BUTTON");   // answers with its cache
    pd.PrepareCacheBitmap();
    Pattern(*pd.CacheBitmap);
    TsCommonData& d = b->SkinData();
    d.SetSkinSection(L"TOOLBUTTON");   // a border mask with key corners
    ASSERT_TRUE(m->IsMaskIndexValid(d.BorderMaskIndex));
    d.PrepareCacheBitmap();
    TBitmap* cache = d.CacheBitmap.get();
    PixelView v = cache->View();
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 60; ++x) v.At(x, y) = 0xFFFFFFFFu;
    // Through the hook the manager and the provider call.
    ASSERT_TRUE(bool(SkinHooks.FillTransparentCorners));
    SkinHooks.FillTransparentCorners(&d, 1, 1 | 8);
    const TsMaskData& mk = m->ma()[size_t(d.BorderMaskIndex)];
    const PixelBitmap* mb = m->Tables().MaskBitmap(d.BorderMaskIndex);
    int fw = skinpaint::FrameWidthOf(mk), sh = skinpaint::StateHeightOf(mk);
    int keys = 0;
    for (int y = 0; y < mk.MarginTop; ++y)
        for (int x = 0; x < mk.MarginLeft; ++x) {
            bool key = IsKeyPixel(mb->Pixel(mk.SourceRect.left + fw + x, mk.SourceRect.top + y));
            keys += key;
            EXPECT_EQ(Px(*cache, x, y), key ? PatternAt(x + 23, y + 19) & 0xFFFFFF : 0xFFFFFFFFu) << x << "," << y;
        }
    EXPECT_GT(keys, 0);
    // Bottom-right selected too; top-right and bottom-left not.
    for (int y = 0; y < mk.MarginBottom; ++y)
        for (int x = 0; x < mk.MarginRight; ++x) {
            bool key = IsKeyPixel(mb->Pixel(mk.SourceRect.left + 2 * fw - mk.MarginRight + x,
                                            mk.SourceRect.top + sh - mk.MarginBottom + y));
            int cx = 60 - mk.MarginRight + x, cy = 24 - mk.MarginBottom + y;
            EXPECT_EQ(Px(*cache, cx, cy), key ? PatternAt(cx + 23, cy + 19) & 0xFFFFFF : 0xFFFFFFFFu);
            EXPECT_EQ(Px(*cache, x, cy), 0xFFFFFFFFu);
        }
    // A parent bitmap of another depth gives its pixels too (not black corners).
    pd.CacheBitmap->SetPixelFormat(TPixelFormat::pf24bit);
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 60; ++x) v.At(x, y) = 0xFFFFFFFFu;
    FillTransparentCorners(d, 1, 1);
    for (int y = 0; y < mk.MarginTop; ++y)
        for (int x = 0; x < mk.MarginLeft; ++x) {
            bool key = IsKeyPixel(mb->Pixel(mk.SourceRect.left + fw + x, mk.SourceRect.top + y));
            EXPECT_EQ(Px(*cache, x, y), key ? PatternAt(x + 23, y + 19) & 0xFFFFFF : 0xFFFFFFFFu) << x << "," << y;
        }
    // A parent that answers by colour: the corners take the colour.
    pd.SetSkinSection(L"PANEL");
    FillTransparentCorners(d, 1, 15);
    int kx = -1, ky = -1;
    for (int y = 0; y < mk.MarginTop && kx < 0; ++y)
        for (int x = 0; x < mk.MarginLeft && kx < 0; ++x)
            if (IsKeyPixel(mb->Pixel(mk.SourceRect.left + fw + x, mk.SourceRect.top + y))) kx = x, ky = y;
    ASSERT_GE(kx, 0);
    EXPECT_EQ(Px(*cache, kx, ky), Rgb(m->gd()[size_t(pd.SectionIndex)].Props[0].Color));
}

TEST_F(ControlPaint, BordersSkinnedAndPlain)
{
    TsSkinManager* m = SampleManager();
    TSkinTestForm* f = NewForm();
    auto* e = Add<TSkinTestButton>(f, 10, 10, 80, 30);
    f->Show();
    Pump(50);
    TsCommonData& d = e->SkinData();
    d.SetSkinSection(L"EDIT");   // border mask, margins 2
    d.PrepareCacheBitmap();
    ASSERT_TRUE(m->IsMaskIndexValid(d.BorderMaskIndex));
    TBitmap* cache = d.CacheBitmap.get();
    PixelView v = cache->View();
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 80; ++x) v.At(x, y) = 0xFF000000u;
    // Painted into another DC: the cache gets the border, the DC its strips.
    std::unique_ptr<TBitmap> target(NewBitmap32(80, 30));
    RECT inner{};
    PaintControlBorder(target->Canvas().Handle(), RECT{0, 0, 80, 30}, 0, inner, 1, d);
    EXPECT_EQ(inner.left, 2);
    EXPECT_EQ(inner.top, 2);
    EXPECT_EQ(inner.right, 78);
    EXPECT_EQ(inner.bottom, 28);
    const TsMaskData& mk = m->ma()[size_t(d.BorderMaskIndex)];
    const PixelBitmap* mb = m->Tables().MaskBitmap(d.BorderMaskIndex);
    int fw = skinpaint::FrameWidthOf(mk);
    int cw = fw - mk.MarginLeft - mk.MarginRight;   // the top edge's source, tiled from x = 2
    uint32_t edge = mb->Pixel(mk.SourceRect.left + fw + mk.MarginLeft + (40 - mk.MarginLeft) % cw, mk.SourceRect.top);
    EXPECT_EQ(Px(*cache, 40, 0) & 0xFFFFFF, edge & 0xFFFFFF);
    EXPECT_EQ(Px(*target, 40, 0) & 0xFFFFFF, edge & 0xFFFFFF);
    EXPECT_EQ(Px(*cache, 40, 15), 0xFF000000u);   // inside untouched
    // An extra width of 5: the zone inside the margins in the state colour.
    PaintControlBorder(cache->Canvas().Handle(), RECT{0, 0, 80, 30}, 5, inner, 1, d);
    EXPECT_EQ(inner.left, 5);
    EXPECT_EQ(inner.bottom, 25);
    EXPECT_EQ(Px(*cache, 3, 15) & 0xFFFFFF, Rgb(d.GetStateColor(1)));
    EXPECT_EQ(Px(*cache, 40, 15), 0xFF000000u);
    // An extra width wider than the rect never inverts the inner rect.
    PaintControlBorder(cache->Canvas().Handle(), RECT{0, 0, 80, 30}, 50, inner, 1, d);
    EXPECT_LE(inner.left, inner.right);
    EXPECT_LE(inner.top, inner.bottom);
    // No border mask: a plain frame of the extra width in the state colour.
    d.SetSkinSection(L"FORMTITLE");
    ASSERT_FALSE(m->IsMaskIndexValid(d.BorderMaskIndex));
    std::unique_ptr<TBitmap> plain(NewBitmap32(40, 20));
    PaintControlBorder(plain->Canvas().Handle(), RECT{0, 0, 40, 20}, 3, inner, 0, d);
    EXPECT_EQ(Px(*plain, 1, 10) & 0xFFFFFF, Rgb(d.GetStateColor(0)));
    EXPECT_EQ(Px(*plain, 38, 18) & 0xFFFFFF, Rgb(d.GetStateColor(0)));
    EXPECT_EQ(Px(*plain, 20, 10), 0x00FFFFFFu);
    EXPECT_EQ(inner.left, 3);
    EXPECT_EQ(inner.right, 37);
}

TEST_F(ControlPaint, GreyMaskBorderStripsComeFromTheParent)
{
    // A group box (grey-masked border, see-through inside its lines) on a panel
    // that answers with its cache.
    TsSkinManager* m = SampleManager();
    TSkinTestForm* f = NewForm();
    auto* panel = Add<TSkinTestPanel>(f, 0, 0, 300, 200);
    auto* g = Add<TSkinTestButton>(panel, 31, 27, 100, 60);
    f->Show();
    Pump(50);
    TsCommonData& pd = panel->SkinData();
    pd.SetSkinSection(L"BUTTON");
    pd.PrepareCacheBitmap();
    Pattern(*pd.CacheBitmap);
    TsCommonData& d = g->SkinData();
    d.SetSkinSection(L"GROUPBOX");
    ASSERT_TRUE(m->IsMaskIndexValid(d.BorderMaskIndex));
    ASSERT_EQ(m->ma()[size_t(d.BorderMaskIndex)].StateLayout, 1);
    d.PrepareCacheBitmap();
    TBitmap* cache = d.CacheBitmap.get();
    PixelView v = cache->View();
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 100; ++x) v.At(x, y) = 0xFF000000u;
    RECT inner{};
    PaintControlBorder(cache->Canvas().Handle(), RECT{0, 0, 100, 60}, 0, inner, 0, d);
    EXPECT_EQ(inner.left, 8);
    EXPECT_EQ(inner.top, 8);
    // Key pixels of the tiled edges keep the strips copied from the parent.
    const TsMaskData& mk = m->ma()[size_t(d.BorderMaskIndex)];
    const PixelBitmap* mb = m->Tables().MaskBitmap(d.BorderMaskIndex);
    int checked = 0;
    for (int y = 8; y < 52; ++y)
        for (int x = 0; x < 8; ++x) {
            int sy = 8 + (y - 8) % (skinpaint::StateHeightOf(mk) - 16);
            if (!IsKeyPixel(mb->Pixel(mk.SourceRect.left + x, mk.SourceRect.top + sy))) continue;
            ++checked;
            EXPECT_EQ(Px(*cache, x, y), PatternAt(x + 31, y + 27)) << x << "," << y;
        }
    EXPECT_GT(checked, 0);
    EXPECT_EQ(Px(*cache, 50, 30), 0xFF000000u);   // inside the strips: untouched
}

TEST_F(ControlPaint, GlowWindowFromTheManagersMask)
{
    // A skin with a glow mask: 24 x 48, picture over grey mask (alpha from it), margins 6.
    std::string options = "[GLOBALINFO]\r\nVERSION=8.50\r\nMASTERBITMAP=MASTER.BMP\r\n"
                          "[BUTTON]\r\nCOLOR=255\r\nSTATES=2\r\n"
                          "GLOW0=^0000,0000,0024,0048,0006,0007,0008,0005,1,1,1,0\r\n";
    dir.WriteFile(L"Glowing\\Options.dat", options);
    dir.WriteFile(L"Glowing\\MASTER.BMP", Bmp(24, 48, [](int x, int y) -> uint32_t {
                      if (y < 24) return 0xFF3080F0u;                  // the halo colour
                      bool inner = x >= 6 && x < 18 && y - 24 >= 6 && y - 24 < 18;
                      return inner ? 0xFFFFFFFFu : 0xFF404040u;       // grey mask: 64 at the rim
                  }));
    auto* m = new TsSkinManager(nullptr);
    managers.push_back(m);
    m->SetSkinDirectory(dir.Path());
    m->SetSkinName(L"Glowing");
    ASSERT_TRUE(m->SkinData().Active);
    EXPECT_FALSE(bool(SkinHooks.GlowSkinOf));   // the manager is its own glow skin
    TsGlowSkin* skin = m->GlowSkin();
    ASSERT_NE(skin, nullptr);
    int mask = skin->FindMaskIndex(L"BUTTON", L"GLOW0");
    ASSERT_GE(mask, 0);
    RECT margins = skin->MaskMargins(mask);
    EXPECT_EQ(margins.left, 6);
    EXPECT_EQ(margins.top, 7);
    EXPECT_EQ(margins.right, 8);
    EXPECT_EQ(margins.bottom, 5);
    // The halo bitmap: the mask's picture with alpha 255 - mask.
    std::unique_ptr<TBitmap> halo(NewBitmap32(50, 40));
    PixelView hv = halo->View();
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 50; ++x) hv.At(x, y) = 0;
    skin->PaintMask(mask, halo.get());
    EXPECT_EQ(Px(*halo, 1, 1) >> 24, 255u - 0x40u);
    EXPECT_EQ(Px(*halo, 1, 1) & 0xFFFFFF, uint32_t((0x30 * (256 - 0x40)) >> 8) << 16 |
                                              uint32_t((0x80 * (256 - 0x40)) >> 8) << 8 |
                                              uint32_t((0xF0 * (256 - 0x40)) >> 8));

    TSkinTestForm* f = NewForm(300, 200);
    f->Show();
    Pump(50);
    ASSERT_TRUE(LayeredWindowsAvailable());
    const RECT r{100, 100, 180, 130};
    int h = ShowGlow(r, RECT{0, 0, 80, 30}, L"BUTTON", skin, f->Handle(), 2, L"GLOW");
    ASSERT_GE(h, 0);
    HWND w = TkvGlowEffects()[size_t(h)]->GlowForm->Handle();
    Pump(20);
    EXPECT_EQ(DWORD(GetWindowLongPtrW(w, GWL_EXSTYLE)) & GlowExStyle, GlowExStyle);
    RECT wr;
    GetWindowRect(w, &wr);
    EXPECT_EQ(wr.left, 100 + 2 - 6);
    EXPECT_EQ(wr.top, 100 + 2 - 7);
    EXPECT_EQ(wr.right - wr.left, 80 + 6 + 8 - 4);
    EXPECT_EQ(wr.bottom - wr.top, 30 + 7 + 5 - 4);
    EXPECT_EQ(SendMessageW(w, WM_NCHITTEST, 0, MAKELPARAM(wr.left + 2, wr.top + 2)), HTTRANSPARENT);
    HideGlow(h);
    EXPECT_EQ(h, -1);
    const size_t size = TkvGlowEffects().size();
    HideGlow(h);
    EXPECT_EQ(TkvGlowEffects().size(), size);
    EXPECT_FALSE(IsWindowVisible(w));
    // No such mask: no glow, the list unchanged.
    EXPECT_EQ(ShowGlow(r, RECT{0, 0, 80, 30}, L"BUTTON", skin, f->Handle(), 2, L"HALO"), -1);
    EXPECT_EQ(TkvGlowEffects().size(), size);
    ClearGlows(true);
}

// ---------------------------------------------------------------- a window painted from the skin

namespace {

// A control painted the way skinned controls paint: its cache composed from
// its section (background over the parent's, corner images, border), then its
// caption in the section's colours, contours and glow, then the cache shown.
class TSectionControl : public TSkinTestButton {
public:
    TSectionControl(TComponent* owner, const String& section, const String& caption, int state, bool enabled)
        : TSkinTestButton(owner), caption_(caption), state_(state), enabled_(enabled)
    {
        SkinData().SetSkinSection(section);
    }
    TkvGlowMask glow;

protected:
    void Paint() override
    {
        TsCommonData& d = SkinData();
        d.PrepareCacheBitmap();
        TBitmap* cache = d.CacheBitmap.get();
        if (!cache || cache->Empty()) return;
        TsBgRequest answer;
        TsBgCacheInfo info = ParentBackgroundOf(this, answer);
        RECT all{0, 0, Width(), Height()};
        PaintControlSkin(d, info, -1, -1, 0, cache, POINT{0, 0}, all, state_);
        if (!caption_.empty()) {
            TsManagerTextSkin skin(d.SkinManager());
            TsControlTextData td = ControlTextDataOf(d, &skin, state_ > 0);
            td.GlowMask = &glow;
            cache->Canvas().Font().Set(L"Tahoma", -14, fsBold, clBlack);
            cache->Canvas().Brush().SetStyle(TBrushStyle::bsClear);
            DrawControlTextEx(cache->Canvas(), caption_, enabled_, state_ > 0, td,
                              DT_CENTER | DT_VCENTER | DT_SINGLELINE, all);
        }
        d.BackgroundChanged = false;
        GdiFlush();
        BitBlt(Canvas().Handle(), 0, 0, Width(), Height(), cache->Canvas().Handle(), 0, 0, SRCCOPY);
    }

private:
    String caption_;
    int state_;
    bool enabled_;
};

// The client area of a window as it is on the screen, as PNG bytes (RGB).
std::string ClientPng(HWND wnd, int w, int h)
{
    HDC dc = GetDC(wnd);
    TBitmap shot(w, h, TPixelFormat::pf32bit);
    BitBlt(shot.Canvas().Handle(), 0, 0, w, h, dc, 0, 0, SRCCOPY);
    ReleaseDC(wnd, dc);
    GdiFlush();
    PixelView v = shot.View();
    PngSpec spec;
    spec.width = w;
    spec.height = h;
    spec.colorType = 2;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t p = v.At(x, y);
            spec.rows.push_back(uint8_t(p >> 16));
            spec.rows.push_back(uint8_t(p >> 8));
            spec.rows.push_back(uint8_t(p));
        }
    return WritePng(spec);
}

}  // namespace

TEST_F(ControlPaint, CaptionTakesTheControlsRecolouring)
{
    TsSkinManager* m = SampleManager();
    TSkinTestForm* f = NewForm();
    auto* b = new TSectionControl(f, L"BUTTON", L"HIH", 0, true);
    b->SetParent(f);
    b->SetBounds(10, 10, 140, 40);
    f->Show();
    Pump(50);
    TsCommonData& d = b->SkinData();
    d.SetHUEOffset(120);
    d.SetSaturation(-30);
    b->Repaint();
    Pump(20);
    const TColor font = m->gd()[size_t(d.SectionIndex)].Props[0].FontColor;
    const uint32_t want = Rgb(TColor(px::ChangeColorSaturation(px::ChangeColorHue(uint32_t(ColorToRGB(font)), 120), -30)));
    ASSERT_NE(want, Rgb(font));
    TBitmap* cache = d.CacheBitmap.get();
    ASSERT_TRUE(cache);
    GdiFlush();
    int n = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 140; ++x) n += (Px(*cache, x, y) & 0xFFFFFF) == want;
    EXPECT_GT(n, 20);
}

TEST_F(ControlPaint, ScreenshotOfAWindowPaintedSectionBySection)
{
    SampleManager();
    TSkinTestForm* f = NewForm(460, 330);
    f->SetBorderStyle(TFormBorderStyle::bsSingle);
    f->SetCaption(L"Skin sections");
    const int W = 440, H = 290;
    auto* back = new TSectionControl(f, L"FORM", L"", 0, true);
    back->SetParent(f);
    back->SetBounds(0, 0, W, H);
    auto add = [&](const wchar_t* section, const wchar_t* caption, int state, bool enabled, int x, int y, int w,
                   int h) {
        auto* c = new TSectionControl(f, section, caption, state, enabled);
        c->SetParent(back);
        c->SetBounds(x, y, w, h);
        return c;
    };
    auto* title = add(L"FORMTITLE", L"Тальвера: глава 1", 1, true, 4, 4, W - 8, 26);
    auto* normal = add(L"BUTTON", L"Начать", 0, true, 20, 48, 120, 32);
    auto* hot = add(L"BUTTON", L"Далее", 1, true, 160, 48, 120, 32);
    add(L"BUTTON", L"Недоступно", 0, false, 300, 48, 120, 32);
    add(L"EDIT", L"", 1, true, 20, 100, 180, 24);
    add(L"TOOLBUTTON", L"Найти", 1, true, 220, 100, 80, 26);
    add(L"GROUPBOX", L"", 0, true, 20, 140, 190, 130);
    auto* gradient = add(L"BUTTON", L"Градиент", 0, true, 230, 140, 190, 130);
    add(L"PANEL", L"Отключено", 0, false, 40, 180, 150, 60);
    f->Show();
    Pump(300);

    // The window shows the caches: a body pixel of the gradient panel on the screen.
    TBitmap* gc = gradient->SkinData().CacheBitmap.get();
    ASSERT_NE(gc, nullptr);
    const uint32_t body = Px(*gc, 8, 120) & 0xFFFFFF;
    COLORREF shown = WindowPixel(back->Handle(), 230 + 8, 140 + 120);
    EXPECT_EQ(uint32_t(GetRValue(shown)) << 16 | uint32_t(GetGValue(shown)) << 8 | GetBValue(shown), body);
    // The gradient runs from lighter at the top to darker at the bottom.
    EXPECT_GT(Px(*gc, 8, 10) & 0xFF, Px(*gc, 8, 120) & 0xFF);
    // The hot caption glows: pixels around its text differ from the plain body of the normal button.
    TBitmap* hc = hot->SkinData().CacheBitmap.get();
    TBitmap* nc = normal->SkinData().CacheBitmap.get();
    int glowing = 0;
    for (int x = 10; x < 110; ++x) glowing += (Px(*hc, x, 6) & 0xFFFFFF) != (Px(*nc, x, 6) & 0xFFFFFF);
    EXPECT_GT(glowing, 0);
    EXPECT_GT(hot->glow.BuildCount(), 0);
    // The title's caption is drawn in its hot font colour (white) over its texture.
    TBitmap* tc = title->SkinData().CacheBitmap.get();
    int white = 0;
    for (int y = 0; y < 26; ++y)
        for (int x = 0; x < W - 8; ++x) white += (Px(*tc, x, y) & 0xFFFFFF) == 0xFFFFFFu;
    EXPECT_GT(white, 20);

    const String folder = EnvPath("TALVERA_SCREENSHOTS");
    CreateDirectoryW(folder.c_str(), nullptr);
    const String path = folder + L"\\skin_sections.png";
    const std::string png = ClientPng(f->Handle(), W, H);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, png.data(), DWORD(png.size()), &written, nullptr);
    CloseHandle(file);
    EXPECT_EQ(written, png.size());
}
