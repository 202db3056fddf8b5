// The non-client painter of a skinned form: the frame picture in the cache
// bitmap (caption buttons in every state, user title buttons, caption text and
// the added title, the MDI child's buttons), and on real windows under Wine
// what WM_NCPAINT, WM_NCACTIVATE, SetWindowText, hovering, pressing and
// WM_PRINT leave on the screen. Expected pixels come from the skin's own masks
// and colours, or from a rendering made in the same run.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <vector>

#include "skin/core/ControlPaint.h"
#include "skin/forms/FramePaint.h"
#include "skin/forms/SkinProvider.h"
#include "skin/model/MaskPaint.h"
#include "tests/skin/SkinRuntimeFixture.h"

using namespace skintest;

// ---------------------------------------------------------------- the arithmetic

TEST(FramePaintRules, GlyphCellFollowsStateActivityAndEnabling)
{
    struct Row {
        int state;
        bool animating, active, enabled;
        int frame, row;
    } rows[] = {
        {tbsNormal, false, true, true, 0, 1},  {tbsHot, false, true, true, 1, 1},
        {tbsPressed, false, true, true, 2, 1}, {tbsNormal, false, false, true, 0, 2},
        {tbsHot, false, false, true, 1, 1},    // hot keeps the active row on an inactive form
        {tbsHot, true, true, true, 0, 1},      // a running glow shows frame 0
        {tbsHot, true, false, true, 0, 2},     {tbsNormal, false, true, false, 0, 2},
        {tbsPressed, false, true, false, 2, 2},
    };
    for (const Row& r : rows) {
        const TsGlyphCell c = CaptionGlyphCell(r.state, r.animating, r.active, r.enabled);
        EXPECT_EQ(c.Frame, r.frame) << r.state << r.animating << r.active << r.enabled;
        EXPECT_EQ(c.Row, r.row) << r.state << r.animating << r.active << r.enabled;
    }
}

TEST(FramePaintRules, StripsCoverEverythingButTheClientOnce)
{
    const RECT client{4, 30, 396, 296};
    const TsFrameStrips s = FrameStripsAround(400, 300, client);
    int covered = 0;
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x) {
            const POINT pt{x, y};
            const int n = PtInRect(&s.Top, pt) + PtInRect(&s.Left, pt) + PtInRect(&s.Right, pt) +
                          PtInRect(&s.Bottom, pt);
            const bool inClient = PtInRect(&client, pt) != 0;
            ASSERT_EQ(n, inClient ? 0 : 1) << x << "," << y;
            covered += n;
        }
    EXPECT_EQ(covered, 400 * 300 - 392 * 266);
    // The plain form: top of 30, sides and bottom of 4.
    const TsFrameStrips p = FrameStrips(400, 300, 4, 30);
    EXPECT_EQ(p.Left.right, 4);
    EXPECT_EQ(p.Right.left, 396);
    EXPECT_EQ(p.Bottom.top, 296);
    EXPECT_EQ(p.Top.bottom, 30);
}

TEST(FramePaintRules, CaptionTextPlacesForEveryAlignment)
{
    // Picture 400 wide, frame 4, icon 16, BILEFT 2, no CAPTION section: the
    // text may run from 4 + 16 + 2 + 4 = 26 to 400 - 100 - 12 = 288.
    TsCaptionTextInput in;
    in.PictureWidth = 400;
    in.FrameWidth = 4;
    in.IconWidth = 16;
    in.BILeft = 2;
    in.ButtonBlockWidth = 100;
    in.ButtonsCenter = 15;
    in.TextHeight = 14;
    in.CaptionWidth = 60;
    in.AddedWidth = 20;
    struct Row {
        TAlignment align;
        bool rtl;
        int left;
    } rows[] = {
        {TAlignment::taLeftJustify, false, 26},
        {TAlignment::taRightJustify, false, 288 - 84},       // caption + added + 4
        {TAlignment::taCenter, false, 26 + (262 - 84) / 2},
        {TAlignment::taLeftJustify, true, 288 - 84},         // mirrored
        {TAlignment::taRightJustify, true, 26},
        {TAlignment::taCenter, true, 26 + (262 - 84) / 2},
    };
    for (const Row& r : rows) {
        in.Alignment = r.align;
        in.RightToLeft = r.rtl;
        const TsCaptionTextPlace p = PlaceCaptionText(in);
        EXPECT_EQ(p.Caption.left, r.left) << int(r.align) << r.rtl;
        EXPECT_EQ(p.Caption.right, r.left + 60);
        EXPECT_EQ(p.Caption.top, 15 - 7);
        EXPECT_EQ(p.Caption.bottom, 15 + 7);
        EXPECT_EQ(p.Added.left, r.left + 64);
        EXPECT_EQ(p.Added.right, r.left + 84);
    }
    // A caption wider than the room is cut at the right limit (DT_END_ELLIPSIS
    // puts the "..." there); the added title then has no room left.
    in.Alignment = TAlignment::taLeftJustify;
    in.RightToLeft = false;
    in.CaptionWidth = 1000;
    const TsCaptionTextPlace cut = PlaceCaptionText(in);
    EXPECT_EQ(cut.Caption.left, 26);
    EXPECT_EQ(cut.Caption.right, 288);
    EXPECT_LE(cut.Added.right, cut.Added.left);
    EXPECT_NE(CaptionTextFlags(false) & DT_END_ELLIPSIS, 0u);
    EXPECT_NE(CaptionTextFlags(true) & DT_RTLREADING, 0u);
    EXPECT_EQ(CaptionTextFlags(false) & DT_RTLREADING, 0u);
}

TEST(FramePaintRules, MDIChildButtonsSitOnTheLastMenuLine)
{
    TsMDIButtonInput in;
    in.PictureWidth = 800;
    in.FrameWidth = 4;
    in.TopFrame = 4;
    in.CaptionHeight = 26;
    in.MenuLineHeight = 19;
    in.MenuLines = 2;
    in.Width = 15;
    in.Height = 15;
    const TsMDIButtonPlaces p = PlaceMDIButtons(in);
    const int y = 4 + 26 + (19 - 15) / 2 + 19;
    EXPECT_EQ(p.Close.left, 800 - 4 - 15 - 1);
    EXPECT_EQ(p.Restore.left, 800 - 4 - 30 - 2);
    EXPECT_EQ(p.Min.left, 800 - 4 - 45 - 3);
    for (const RECT& r : {p.Close, p.Restore, p.Min}) {
        EXPECT_EQ(r.top, y);
        EXPECT_EQ(r.right - r.left, 15);
        EXPECT_EQ(r.bottom - r.top, 15);
    }
}

TEST(FramePaintRules, Wow64CorrectionOfOnePixel)
{
    // Channels r, g, b and alpha by hand: d = max - min; each channel loses
    // value >> 4; alpha = min(255, round((510 - 2a) / sqrt(255 / d) + a)).
    auto px = [](int a, int r, int g, int b) { return uint32_t(a) << 24 | uint32_t(r) << 16 | uint32_t(g) << 8 | b; };
    struct Row {
        uint32_t in, out;
    } rows[] = {
        {px(255, 200, 10, 10), px(255, 200, 10, 10)},   // opaque: unchanged
        {px(100, 80, 80, 80), px(100, 80, 80, 80)},     // grey (d = 0): unchanged
        {px(0, 0, 0, 0), px(0, 0, 0, 0)},
        // d = 255: sqrt(1) = 1, alpha = 510 - 200 + 100 = 410 -> 255.
        {px(100, 255, 0, 0), px(255, 255 - 15, 0, 0)},
        // d = 64: 255 / 64 = 3.984..; (510 - 40) / 1.99609 + 20 = 255.46 -> 255.
        {px(20, 64, 0, 0), px(255, 60, 0, 0)},
        // d = 16: 255 / 16 = 15.9375, sqrt 3.99218; (510 - 400) / 3.99218 + 200 = 227.55 -> 228.
        {px(200, 32, 16, 16), px(228, 30, 15, 15)},
    };
    for (const Row& r : rows)
        EXPECT_EQ(Wow64CorrectPixel(r.in), r.out) << std::hex << r.in;
    EXPECT_TRUE(Wow64CorrectionApplies(true, 7.50));
    EXPECT_FALSE(Wow64CorrectionApplies(true, 7.51));
    EXPECT_FALSE(Wow64CorrectionApplies(false, 6.0));
    EXPECT_TRUE(Wow64DropsCaptionGlow(true, 7.5));
    EXPECT_FALSE(Wow64DropsCaptionGlow(true, 7.51));
}

TEST(FramePaintRules, MaximisedBoundsPutTheFrameOutsideTheWorkArea)
{
    TsMaxInfoInput in;
    in.Monitor = RECT{0, 0, 1280, 1024};
    in.Work = RECT{0, 0, 1280, 994};
    in.FrameWidth = 4;
    POINT pos{}, size{};
    MaximizedBounds(in, pos, size);
    EXPECT_EQ(pos.x, -4);
    EXPECT_EQ(pos.y, -4);
    EXPECT_EQ(size.x, 1288);
    EXPECT_EQ(size.y, 1002);
    in.ExtraTitle = 6;   // a taller maximised title stays on the screen
    MaximizedBounds(in, pos, size);
    EXPECT_EQ(pos.y, 2);
    EXPECT_EQ(size.y, 996);
}

// ---------------------------------------------------------------- the cache bitmap

namespace {

uint32_t Rgb(uint32_t pixel) { return pixel & 0xFFFFFFu; }
// A COLORREF (0x00BBGGRR) as a pixel's colour (0x00RRGGBB).
uint32_t PixelOf(COLORREF c) { return uint32_t(GetRValue(c)) << 16 | uint32_t(GetGValue(c)) << 8 | GetBValue(c); }

struct GlyphCheck {
    int checked = 0;   // opaque glyph pixels looked at
    int equal = 0;     // the cache shows the glyph's own colour there
};

// Compares the cache at (x, y) with frame `frame` of a glyph mask: where the
// mask's grey row (or, without one, the key colour) says the picture shows.
GlyphCheck CompareGlyph(TsSkinManager* m, int mask, int frame, const PixelView& cache, int x0, int y0)
{
    GlyphCheck g;
    if (!m->IsMaskIndexValid(mask))
        return g;
    const skinpaint::MaskSource ms = skinpaint::MaskSourceOf(m->Tables(), mask);
    const TsMaskData& md = m->ma()[size_t(mask)];
    const int fw = MaskFrameWidth(md), sh = MaskStateHeight(md);
    const int greyRow = md.StateLayout > 0 ? ms.rect.Height() / (md.StateLayout + 1) : 0;
    for (int y = 0; y < sh; ++y)
        for (int x = 0; x < fw; ++x) {
            const int sx = ms.rect.left + frame * fw + x, sy = ms.rect.top + y;
            const uint32_t pic = Rgb(ms.view.At(sx, sy));
            if (pic == 0xFF00FFu)
                continue;
            if (greyRow && ((ms.view.At(sx, sy + greyRow) >> 16) & 0xFF) != 0)
                continue;
            if (!cache.Contains(x0 + x, y0 + y))
                continue;
            ++g.checked;
            g.equal += Rgb(cache.At(x0 + x, y0 + y)) == pic;
        }
    return g;
}

// The pixels of r in a picture, for comparing two renderings.
std::vector<uint32_t> Pixels(const PixelView& v, const RECT& r)
{
    std::vector<uint32_t> out;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            out.push_back(v.Contains(x, y) ? Rgb(v.At(x, y)) : 0);
    return out;
}

// Bounding box of the pixels that differ between two pictures inside r (empty: none).
RECT DiffBox(const PixelView& a, const PixelView& b, const RECT& r)
{
    RECT box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if (Rgb(a.At(x, y)) != Rgb(b.At(x, y))) {
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1);
                box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
    if (box.right < box.left)
        return RECT{};
    return box;
}

// A copy of a 32-bit picture.
struct Picture {
    explicit Picture(const PixelView& v) : w(v.width), h(v.height), px(size_t(v.width) * v.height)
    {
        for (int y = 0; y < h; ++y)
            std::copy(v.Row(y), v.Row(y) + w, px.begin() + ptrdiff_t(y) * w);
    }
    PixelView View() { return PixelView{px.data(), ptrdiff_t(w) * 4, w, h}; }
    int w, h;
    std::vector<uint32_t> px;
};

// The window as it is on the screen, read back through its window DC.
Picture ReadBack(HWND wnd)
{
    RECT wr{};
    GetWindowRect(wnd, &wr);
    const int w = wr.right - wr.left, h = wr.bottom - wr.top;
    TBitmap bmp(w, h);
    HDC dc = GetWindowDC(wnd);
    BitBlt(bmp.Canvas().Handle(), 0, 0, w, h, dc, 0, 0, SRCCOPY);
    ReleaseDC(wnd, dc);
    return Picture(bmp.View());
}

class FramePaintTest : public SkinRuntime {
protected:
    void Make(int w = 420, int h = 300, const std::function<void(TSkinTestForm*)>& before = nullptr)
    {
        m = SampleManager();
        // These tests read every button state from the frame picture itself:
        // no glow window fades over a button (test_borderform has those).
        m->Effects.SetAllowGlowing(false);
        f = NewForm(w, h);
        if (before)
            before(f);
        f->Show();
        Pump(30);
        p = TsSkinProvider::Create(f);
        wnd = f->Handle();
        ASSERT_TRUE(p->Skinned());
        Pump(30);
    }
    TsFramePainter& Painter() { return FramePainterOf(*p); }
    PixelView Cache()
    {
        EXPECT_TRUE(Painter().PaintFrameToCache());
        TBitmap* b = Painter().Cache();
        return b ? b->View() : PixelView{};
    }
    int Mask(const wchar_t* name) { return m->FindMaskIndexDirect(L"GLOBALINFO", name); }
    int Title() { return m->FindSectionIndex(L"FORMTITLE"); }
    // The frame strips (or only the top one) where the cache and a read-back
    // differ, inside the window's region.
    int MismatchesOnScreen(const PixelView& cache, Picture& screen, bool topOnly = false)
    {
        RECT wr{}, cr{};
        GetWindowRect(wnd, &wr);
        GetClientRect(wnd, &cr);
        MapWindowPoints(wnd, nullptr, reinterpret_cast<POINT*>(&cr), 2);
        OffsetRect(&cr, -wr.left, -wr.top);
        const TsFrameStrips s = FrameStripsAround(wr.right - wr.left, wr.bottom - wr.top, cr);
        HRGN rgn = CreateRectRgn(0, 0, 0, 0);
        const bool hasRegion = GetWindowRgn(wnd, rgn) != ERROR;
        int bad = 0;
        for (const RECT& r : {s.Top, s.Left, s.Right, s.Bottom}) {
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = r.left; x < r.right; ++x) {
                    if (hasRegion && !PtInRegion(rgn, x, y))
                        continue;
                    bad += Rgb(cache.At(x, y)) != Rgb(screen.View().At(x, y));
                }
            if (topOnly)
                break;
        }
        DeleteObject(rgn);
        return bad;
    }
    POINT ScreenCentre(const RECT& r)
    {
        RECT wr{};
        GetWindowRect(wnd, &wr);
        return POINT{wr.left + (r.left + r.right) / 2, wr.top + (r.top + r.bottom) / 2};
    }

    TsSkinManager* m = nullptr;
    TSkinTestForm* f = nullptr;
    TsSkinProvider* p = nullptr;
    HWND wnd = nullptr;
};

}  // namespace

TEST_F(FramePaintTest, EveryCaptionButtonInEveryState)
{
    Make(420, 300, [](TSkinTestForm* form) {
        form->SetBorderIcons(biSystemMenu | biMinimize | biMaximize | biHelp);
    });
    struct Button {
        int code;
        const wchar_t* mask;
    } buttons[] = {{HTCLOSE, L"BICONCLOSE"}, {HTMAXBUTTON, L"BICONMAX"}, {HTMINBUTTON, L"BICONMIN"},
                   {HTHELP, L"BICONHELP"}};
    struct State {
        int state;
        bool active;
        bool faint;   // the mask's inactive row
    } states[] = {{tbsNormal, true, false}, {tbsHot, true, false}, {tbsPressed, true, false},
                  {tbsNormal, false, true}, {tbsHot, false, false}};
    for (const Button& b : buttons) {
        std::vector<std::vector<uint32_t>> looks;
        for (const State& s : states) {
            SendMessageW(wnd, WM_NCACTIVATE, s.active, 0);
            Painter().PressElement(kNoElement);
            Painter().SetHotElement(kNoElement, false);
            if (s.state == tbsHot)
                Painter().SetHotElement(b.code, false);
            if (s.state == tbsPressed)
                Painter().PressElement(b.code);
            const PixelView cache = Cache();
            const RECT r = Painter().ElementBounds(b.code);
            ASSERT_GT(r.right - r.left, 0) << b.code;
            EXPECT_EQ(Painter().ElementState(b.code), s.state);
            // The drawn button is where the hit test finds it.
            EXPECT_EQ(p->HitTestFrame(ScreenCentre(r)), b.code);
            const GlyphCheck g = CompareGlyph(m, Mask(b.mask), s.state, cache, r.left, r.top);
            ASSERT_GT(g.checked, 10) << b.code << " state " << s.state;
            if (s.faint)
                EXPECT_LT(g.equal, g.checked / 10) << b.code << " state " << s.state << " active " << s.active;
            else
                EXPECT_EQ(g.equal, g.checked) << b.code << " state " << s.state << " active " << s.active;
            looks.push_back(Pixels(cache, r));
        }
        for (size_t i = 0; i < looks.size(); ++i)
            for (size_t j = i + 1; j < looks.size(); ++j)
                EXPECT_NE(looks[i], looks[j]) << b.code << ": looks " << i << " and " << j << " are the same";
    }
    Painter().PressElement(kNoElement);
}

TEST_F(FramePaintTest, UserTitleButtonsWithTheirGlyphsAndEnabling)
{
    TsSkinProvider* provider = nullptr;
    Make();
    provider = p;
    TsTitleButton& a = provider->AddTitleButton();
    TsTitleButton& b = provider->AddTitleButton();
    // A 10 x 10 24-bit glyph: its bottom-left colour (magenta) is see-through, a green 4 x 4 square in the middle.
    TBitmap glyph;
    glyph.SetPixelFormat(TPixelFormat::pf24bit);
    glyph.SetSize(10, 10);
    HDC gdc = glyph.Canvas().Handle();
    RECT all{0, 0, 10, 10}, mid{3, 3, 7, 7};
    HBRUSH magenta = CreateSolidBrush(RGB(255, 0, 255)), green = CreateSolidBrush(RGB(0, 200, 0));
    FillRect(gdc, &all, magenta);
    FillRect(gdc, &mid, green);
    DeleteObject(magenta);
    DeleteObject(green);
    b.SetGlyph(&glyph);
    provider->InitTitleButtons();

    const PixelView cache = Cache();
    const TsTitleLayout& l = Painter().Layout();
    ASSERT_EQ(l.User.size(), 2u);
    // The first user button starts 6 px left of the last caption button (and its BISPACE).
    EXPECT_EQ(l.User[0].right, l.Min.left - m->SkinData().BISpace - 6);
    EXPECT_EQ(l.User[1].right, l.User[0].left - m->SkinData().BISpace);
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(p->HitTestFrame(ScreenCentre(l.User[size_t(i)])), kUserButtonBase + i);
    const GlyphCheck plain = CompareGlyph(m, Mask(L"TITLEBUTTON"), 0, cache, l.User[0].left, l.User[0].top);
    ASSERT_GT(plain.checked, 4);
    EXPECT_EQ(plain.equal, plain.checked);
    (void)a;
    // The glyph: centred, its see-through colour leaves the skin's picture; pressed it moves 1 px right and down.
    auto glyphAt = [&](const PixelView& v, int shift) {
        const RECT r = l.User[1];
        const int x = r.left + (r.right - r.left - 10) / 2 + shift, y = r.top + (r.bottom - r.top - 10) / 2 + shift;
        int green = 0, magenta = 0;
        for (int yy = 0; yy < 10; ++yy)
            for (int xx = 0; xx < 10; ++xx) {
                const uint32_t c = Rgb(v.At(x + xx, y + yy));
                const bool inside = xx >= 3 && xx < 7 && yy >= 3 && yy < 7;
                green += inside && c == 0x00C800u;
                magenta += c == 0xFF00FFu;
            }
        return std::pair{green, magenta};
    };
    EXPECT_EQ(glyphAt(cache, 0), std::pair(16, 0));
    Painter().PressElement(kUserButtonBase + 1);
    const PixelView pressed = Cache();
    EXPECT_EQ(glyphAt(pressed, 1), std::pair(16, 0));
    const GlyphCheck down = CompareGlyph(m, Mask(L"TITLEBUTTON"), 2, pressed, l.User[1].left, l.User[1].top);
    EXPECT_GT(down.equal, down.checked / 2) << "the pressed frame around the glyph";
    Painter().PressElement(kNoElement);

    // A disabled button shows the inactive row even when hot.
    a.SetEnabled(false);
    Painter().SetHotElement(kUserButtonBase, false);
    const PixelView disabled = Cache();
    const GlyphCheck g = CompareGlyph(m, Mask(L"TITLEBUTTON"), 0, disabled, l.User[0].left, l.User[0].top);
    ASSERT_GT(g.checked, 4);
    EXPECT_LT(g.equal, g.checked / 10);

    // Without a system menu the user buttons start 6 px left of the cursor.
    f->SetBorderIcons(0);
    Pump(30);
    Cache();
    RECT wr{};
    GetWindowRect(wnd, &wr);
    EXPECT_EQ(Painter().Layout().User[0].right,
              (wr.right - wr.left) - m->SkinData().BIRight - p->FormFrameWidth(true) - 6);
}

TEST_F(FramePaintTest, CaptionTextAlignmentsAndRightToLeft)
{
    Make(460, 300);
    SetWindowTextW(wnd, L"");
    Pump(10);
    Picture clean(Cache());
    SetWindowTextW(wnd, L"Mmmm Caption");
    Pump(10);
    const TsTitleLayout& l = Painter().Layout();
    const int left = p->FormFrameWidth(true) + (l.Icon.right - l.Icon.left) + m->SkinData().BILeft + 4 + 2;
    const int right = l.ButtonBlockLeft - 12;
    const RECT band{0, 0, l.ButtonBlockLeft, l.TitleBottom};
    struct Row {
        TAlignment align;
        bool rtl;
        int where;   // -1 at the left limit, 0 centred, 1 at the right limit
    } rows[] = {{TAlignment::taLeftJustify, false, -1}, {TAlignment::taRightJustify, false, 1},
                {TAlignment::taCenter, false, 0},        {TAlignment::taLeftJustify, true, 1},
                {TAlignment::taRightJustify, true, -1},  {TAlignment::taCenter, true, 0}};
    for (const Row& r : rows) {
        p->SetCaptionAlignment(r.align);
        const LONG ex = GetWindowLongW(wnd, GWL_EXSTYLE) & ~WS_EX_RTLREADING;
        SetWindowLongW(wnd, GWL_EXSTYLE, ex | (r.rtl ? WS_EX_RTLREADING : 0));
        const PixelView cache = Cache();
        const RECT ink = DiffBox(cache, clean.View(), band);
        ASSERT_GT(ink.right - ink.left, 20) << int(r.align) << r.rtl;
        // Text is drawn around the button's vertical centre.
        EXPECT_LE(std::abs((ink.top + ink.bottom) / 2 - l.ButtonsCenter), 3);
        if (r.where < 0) {
            EXPECT_GE(ink.left, left);
            EXPECT_LE(ink.left, left + 3);
        } else if (r.where > 0) {
            // The caption ends 4 px before the limit (the added title's gap).
            EXPECT_LE(ink.right, right - 4);
            EXPECT_GE(ink.right, right - 8);
        } else {
            EXPECT_LE(std::abs((ink.left + ink.right) / 2 - (left + right) / 2), 4) << r.rtl;
        }
    }
    SetWindowLongW(wnd, GWL_EXSTYLE, GetWindowLongW(wnd, GWL_EXSTYLE) & ~WS_EX_RTLREADING);
    p->SetCaptionAlignment(TAlignment::taLeftJustify);

    // A caption longer than the room is cut before the buttons.
    SetWindowTextW(wnd, L"A very long caption that cannot fit in the title of this form at all, not even nearly");
    const PixelView cache = Cache();
    const RECT ink = DiffBox(cache, clean.View(), band);
    EXPECT_LE(ink.right, right);
    EXPECT_GE(ink.right, right - 16);
}

TEST_F(FramePaintTest, AddedTitleFollowsActiveAndInactiveColours)
{
    Make(460, 300);
    SetWindowTextW(wnd, L"Main");
    p->AddedTitle.SetText(L"HHHH added");
    p->AddedTitle.Font().SetStyle(fsBold);
    TsManagerTextSkin skin(m);
    const uint32_t activeColour = PixelOf(ColorToRGB(skin.StateColors(Title(), 1).FontColor));
    const uint32_t inactiveColour = PixelOf(ColorToRGB(skin.StateColors(Title(), 0).FontColor));
    ASSERT_NE(activeColour, inactiveColour);
    struct Row {
        bool active;
        uint32_t want, other;
    } rows[] = {{true, activeColour, inactiveColour}, {false, inactiveColour, activeColour}};
    for (const Row& r : rows) {
        SendMessageW(wnd, WM_NCACTIVATE, r.active, 0);
        const PixelView cache = Cache();
        const RECT added = Painter().CaptionPlace().Added;
        ASSERT_GT(added.right - added.left, 10);
        EXPECT_GE(added.left, Painter().CaptionPlace().Caption.right + 4);
        int want = 0, other = 0;
        for (int y = added.top; y < added.bottom; ++y)
            for (int x = added.left; x < added.right; ++x) {
                want += Rgb(cache.At(x, y)) == r.want;
                other += Rgb(cache.At(x, y)) == r.other;
            }
        EXPECT_GT(want, 10) << "active " << r.active;
        EXPECT_EQ(other, 0) << "active " << r.active;
    }
    // A colour of its own stays while active and is mixed with the skin's while inactive.
    p->AddedTitle.Font().SetColor(TColor(RGB(255, 255, 0)));
    SendMessageW(wnd, WM_NCACTIVATE, TRUE, 0);
    PixelView cache = Cache();
    RECT added = Painter().CaptionPlace().Added;
    int yellow = 0;
    for (int y = added.top; y < added.bottom; ++y)
        for (int x = added.left; x < added.right; ++x)
            yellow += Rgb(cache.At(x, y)) == 0xFFFF00u;
    EXPECT_GT(yellow, 10);
    SendMessageW(wnd, WM_NCACTIVATE, FALSE, 0);
    cache = Cache();
    const uint32_t mixed = ((0xFFu + (inactiveColour >> 16)) / 2) << 16 | ((0xFFu + ((inactiveColour >> 8) & 0xFF)) / 2) << 8 |
                           ((0x00u + (inactiveColour & 0xFF)) / 2);
    int half = 0;
    for (int y = added.top; y < added.bottom; ++y)
        for (int x = added.left; x < added.right; ++x)
            half += Rgb(cache.At(x, y)) == mixed;
    EXPECT_GT(half, 10);
}

TEST_F(FramePaintTest, MDIChildButtonsAtTheirPlaces)
{
    Make(500, 320);
    HMENU menu = CreateMenu();
    AppendMenuW(menu, MF_STRING, 1, L"File");
    SetMenu(wnd, menu);
    SendMessageW(wnd, CM_MENUCHANGED, 0, 0);
    TsFramePainter::MDIButtonsVisible = [](TsSkinProvider&) { return true; };
    const PixelView cache = Cache();
    TsFramePainter::MDIButtonsVisible = nullptr;
    ASSERT_TRUE(Painter().MDIButtonsShown());
    RECT wr{};
    GetWindowRect(wnd, &wr);
    const int width = wr.right - wr.left, frame = p->FormFrameWidth(true);
    const TsMaskData& close = m->ma()[size_t(Mask(L"SICONCLOSE"))];
    const int w = MaskFrameWidth(close), h = MaskStateHeight(close);
    const int line = p->MenuLineHeight();
    const int y = p->TopFrameWidth() + p->CaptionAreaHeight(true) + (line - h) / 2 + (p->MenuLineCount() - 1) * line;
    // Restore shows its inactive look while the form's restore command is off.
    const bool restoreOff = !p->CaptionButtons().EnabledRestore;
    struct Row {
        int code;
        const wchar_t* mask;
        int x;
        bool faint;
    } rows[] = {{HTMDIMIN, L"SICONMIN", width - frame - 3 * w - 3, false},
                {HTMDIRESTORE, L"SICONNORM", width - frame - 2 * w - 2, restoreOff},
                {HTMDICLOSE, L"SICONCLOSE", width - frame - w - 1, false}};
    for (const Row& r : rows) {
        const RECT b = Painter().ElementBounds(r.code);
        EXPECT_EQ(b.left, r.x) << r.code;
        EXPECT_EQ(b.top, y) << r.code;
        const GlyphCheck g = CompareGlyph(m, Mask(r.mask), 0, cache, r.x, y);
        ASSERT_GT(g.checked, 4) << r.code;
        EXPECT_EQ(g.equal, r.faint ? 0 : g.checked) << r.code;
    }
    SetMenu(wnd, nullptr);
    DestroyMenu(menu);
}

// ---------------------------------------------------------------- on the screen

TEST_F(FramePaintTest, NcPaintShowsTheCacheStrips)
{
    Make(420, 300);
    RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    Pump(30);
    TBitmap* cache = Painter().Cache();
    ASSERT_NE(cache, nullptr);
    Picture screen = ReadBack(wnd);
    EXPECT_EQ(MismatchesOnScreen(cache->View(), screen), 0);
    SaveWindowShot(wnd, L"framepaint_active");
}

TEST_F(FramePaintTest, TextAndActivationLeaveNoSystemCaption)
{
    Make(420, 300);
    SetWindowTextW(wnd, L"A new caption");
    Pump(30);
    Picture afterText = ReadBack(wnd);
    EXPECT_EQ(MismatchesOnScreen(Painter().Cache()->View(), afterText, true), 0);

    // Inactive and active again: the screen shows the cache each time, and the title changes its row.
    const RECT title = Painter().CaptionPlace().Caption;
    const int x = (title.right + Painter().Layout().ButtonBlockLeft) / 2, y = Painter().Layout().ButtonsCenter;
    std::vector<uint32_t> titlePixel;
    for (BOOL active : {FALSE, TRUE}) {
        SendMessageW(wnd, WM_NCACTIVATE, active, 0);
        Pump(30);
        Picture screen = ReadBack(wnd);
        EXPECT_EQ(MismatchesOnScreen(Painter().Cache()->View(), screen, true), 0) << active;
        titlePixel.push_back(Rgb(screen.View().At(x, y)));
        if (!active)
            SaveWindowShot(wnd, L"framepaint_inactive");
    }
    EXPECT_NE(titlePixel[0], titlePixel[1]);
}

TEST_F(FramePaintTest, HoverAndPressChangeTheCloseButton)
{
    Make(420, 300);
    RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    Pump(30);
    const RECT close = Painter().ElementBounds(HTCLOSE);
    const POINT centre = ScreenCentre(close);
    Picture normal = ReadBack(wnd);

    SetCursorPos(centre.x, centre.y);
    SendMessageW(wnd, WM_NCMOUSEMOVE, HTCLOSE, MAKELPARAM(centre.x, centre.y));
    Pump(10);
    EXPECT_EQ(p->HotElement(), HTCLOSE);
    Picture hot = ReadBack(wnd);
    SaveWindowShot(wnd, L"framepaint_hot_close");
    SendMessageW(wnd, WM_NCLBUTTONDOWN, HTCLOSE, MAKELPARAM(centre.x, centre.y));
    Pump(10);
    Picture pressed = ReadBack(wnd);
    EXPECT_NE(Pixels(normal.View(), close), Pixels(hot.View(), close));
    EXPECT_NE(Pixels(hot.View(), close), Pixels(pressed.View(), close));
    // What the screen shows of the button is the button of the cache.
    EXPECT_EQ(Pixels(pressed.View(), close), Pixels(Painter().Cache()->View(), close));
    const GlyphCheck g = CompareGlyph(m, Mask(L"BICONCLOSE"), 2, pressed.View(), close.left, close.top);
    ASSERT_GT(g.checked, 10);
    EXPECT_EQ(g.equal, g.checked);

    // Let go away from it: nothing closes, and leaving the frame makes it normal again.
    SendMessageW(wnd, WM_NCLBUTTONUP, HTCAPTION, MAKELPARAM(centre.x - 100, centre.y));
    SetCursorPos(centre.x, centre.y + 200);
    SendMessageW(wnd, WM_NCMOUSELEAVE, 0, 0);
    Pump(10);
    EXPECT_TRUE(IsWindowVisible(wnd));
    Picture after = ReadBack(wnd);
    EXPECT_EQ(Pixels(after.View(), close), Pixels(normal.View(), close));

    // A move over the plain caption goes on to the system, which paints nothing there.
    const POINT caption{centre.x - 150, centre.y};
    SendMessageW(wnd, WM_NCMOUSEMOVE, HTCAPTION, MAKELPARAM(caption.x, caption.y));
    Pump(10);
    EXPECT_EQ(p->HotElement(), kNoElement);
    Picture moved = ReadBack(wnd);
    EXPECT_EQ(MismatchesOnScreen(Painter().Cache()->View(), moved, true), 0);
}

TEST_F(FramePaintTest, PrintRendersTheFrameIntoAMemoryDC)
{
    Make(420, 300);
    RECT wr{};
    GetWindowRect(wnd, &wr);
    TBitmap target(wr.right - wr.left, wr.bottom - wr.top);
    PixelView v = target.View();
    for (int y = 0; y < v.height; ++y)
        std::fill(v.Row(y), v.Row(y) + v.width, 0xFF123456u);
    SendMessageW(wnd, WM_PRINT, WPARAM(target.Canvas().Handle()), PRF_NONCLIENT);
    TBitmap* cache = Painter().Cache();
    ASSERT_NE(cache, nullptr);
    const TsFrameStrips s = FrameStripsAround(v.width, v.height, [&] {
        RECT cr{};
        GetClientRect(wnd, &cr);
        MapWindowPoints(wnd, nullptr, reinterpret_cast<POINT*>(&cr), 2);
        OffsetRect(&cr, -wr.left, -wr.top);
        return cr;
    }());
    for (const RECT& r : {s.Top, s.Left, s.Right, s.Bottom})
        EXPECT_EQ(Pixels(v, r), Pixels(cache->View(), r));
}

TEST_F(FramePaintTest, ScreenshotWithUserButtonAndLongCaption)
{
    Make(360, 240);
    TsTitleButton& b = p->AddTitleButton();
    b.Hint = L"A user button";
    p->InitTitleButtons();
    SetWindowTextW(wnd, L"A skinned form whose caption is far too long for its title");
    p->RefreshFormFrame();
    Pump(30);
    Picture screen = ReadBack(wnd);
    EXPECT_EQ(MismatchesOnScreen(Painter().Cache()->View(), screen, true), 0);
    // Hovering the user button shows its hint near the cursor, leaving hides it.
    const POINT c = ScreenCentre(Painter().ElementBounds(kUserButtonBase));
    SetCursorPos(c.x, c.y);
    SendMessageW(wnd, WM_NCMOUSEMOVE, kUserButtonBase, MAKELPARAM(c.x, c.y));
    Pump(10);
    ASSERT_NE(b.HintWindow(), nullptr);
    EXPECT_TRUE(IsWindowVisible(b.HintWindow()));
    RECT hint{};
    GetWindowRect(b.HintWindow(), &hint);
    EXPECT_LE(std::abs(hint.left - (c.x + 8)), 1);
    SaveWindowShot(wnd, L"framepaint_user_button_long_caption");
    SetCursorPos(c.x, c.y + 200);
    SendMessageW(wnd, WM_NCMOUSELEAVE, 0, 0);
    Pump(10);
    EXPECT_EQ(b.HintWindow(), nullptr);
}

TEST_F(FramePaintTest, ShadowMarginsWidenThePictureButNotWhatTheWindowShows)
{
    Make(420, 300);
    RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    Pump(30);
    const auto registered = FrameShadowMargins;
    FrameShadowMargins = [](TsSkinProvider&) { return RECT{5, 6, 7, 8}; };
    p->SkinData()->BackgroundChanged = true;
    RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    Pump(30);
    TBitmap* cache = Painter().Cache();
    ASSERT_NE(cache, nullptr);
    Picture shifted = ReadBack(wnd);
    FrameShadowMargins = registered;
    RECT wr{};
    GetWindowRect(wnd, &wr);
    EXPECT_EQ(cache->Width(), wr.right - wr.left + 12);
    EXPECT_EQ(cache->Height(), wr.bottom - wr.top + 14);
    // The window's top strip is the picture's, 5 px in and 6 px down.
    const TsTitleLayout& l = Painter().Layout();
    int bad = 0;
    for (int y = 0; y < l.TitleBottom; ++y)
        for (int x = 0; x < wr.right - wr.left; ++x)
            bad += Rgb(shifted.View().At(x, y)) != Rgb(cache->View().At(x + 5, y + 6));
    EXPECT_EQ(bad, 0);
}
