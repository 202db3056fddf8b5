// The border window of extended borders: its arithmetic on made-up layouts,
// then on real forms under Wine with the sample skin: its style, owner,
// rectangle and region, the codes it answers, a caption drag through it (with
// blend on moving too), its picture's shadow and rounded corners (a form's
// and a message box's), and a screenshot of a form with its shadow.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <vector>
#include <thread>

#include "skin/forms/BorderForm.h"
#include "skin/forms/DialogBorder.h"
#include "skin/forms/DialogWnd.h"
#include "skin/forms/FramePaint.h"
#include "skin/forms/SkinProvider.h"
#include "skin/forms/TitleGlow.h"
#include "skin/graphics/LayeredApi.h"
#include "tests/skin/DialogBoxes.h"
#include "tests/skin/SkinRuntimeFixture.h"

using namespace skintest;
using dialogboxes::Boxes;
using dialogboxes::Dialogs;
using dialogboxes::RunBox;

namespace {

// A form 300 x 200 with shadow margins 8, extended border 4, own frame 4,
// extended title 26 and own caption 20: offset (8, 10), border window 316 x 216.
TsBorderLayout SampleLayout()
{
    TsBorderLayout l;
    l.FrameWidth = 4;
    l.ExtBorderWidth = 4;
    l.ExtTitleHeight = 26;
    l.CaptionHeight = 20;
    l.Shadow = RECT{8, 8, 8, 8};
    l.Owner = SIZE{300, 200};
    l.ClientOrigin = POINT{4, 24};
    l.Client = SIZE{292, 172};
    return l;
}

TEST(BorderArithmetic, OffsetsRectangleAndZones)
{
    TsBorderLayout l = SampleLayout();
    const POINT o = BorderFormOffset(l);
    EXPECT_EQ(o.x, 4 + 8 - 4);
    EXPECT_EQ(o.y, 8 + 26 - 4 - 20);
    const RECT r = BorderWindowRect(l, RECT{100, 100, 400, 300});
    EXPECT_EQ(r.left, 100 - o.x);
    EXPECT_EQ(r.top, 100 - o.y);
    EXPECT_EQ(r.right, 400 + 8);
    EXPECT_EQ(r.bottom, 300 + 8);
    l.Align = RECT{1, 2, 3, 4};
    const RECT zone = BorderSizingZone(l, SIZE{r.right - r.left, r.bottom - r.top});
    EXPECT_EQ(zone.left, 8 - 1);
    EXPECT_EQ(zone.top, 8 - 2);
    EXPECT_EQ(zone.right, (r.right - r.left) - 8 + 3);
    EXPECT_EQ(zone.bottom, (r.bottom - r.top) - 8 + 4);
    l.Zoomed = true;
    l.MaxTitleDelta = 6;
    EXPECT_EQ(BorderFormOffset(l).y, 8 + 6 + 4) << "a zoomed form with a taller title";
}

TEST(BorderArithmetic, RegionIsTheWindowLessTheFormsClient)
{
    const TsBorderLayout l = SampleLayout();
    const POINT o = BorderFormOffset(l);
    const SIZE size{316, 216};
    HRGN rgn = CreateBorderRegion(l, size);
    ASSERT_NE(rgn, nullptr);
    const int cx = o.x + l.ClientOrigin.x, cy = o.y + l.ClientOrigin.y;
    struct Case {
        int x, y;
        bool inside;
    } cases[] = {
        {0, 0, true},                                  // shadow corner
        {size.cx - 1, size.cy - 1, true},
        {cx - 1, cy, true},                            // frame left of the client
        {cx, cy, false},                               // the client's first pixel
        {cx + l.Client.cx - 1, cy + l.Client.cy - 1, false},
        {cx + l.Client.cx, cy + l.Client.cy - 1, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PtInRegion(rgn, c.x, c.y) != FALSE, c.inside) << c.x << "," << c.y;
    DeleteObject(rgn);
}

TEST(BorderArithmetic, BlurRegionLeavesOutTheBlackCornerPixels)
{
    const TsBorderLayout l = SampleLayout();
    std::vector<uint32_t> pixels(316 * 216, 0xFF808080u);
    const PixelView v{pixels.data(), 316 * 4, 316, 216};
    // Black at the frame's very corner and one pixel in, a black pixel in the
    // middle of the frame (kept: it is no corner), a dark grey corner pixel (kept).
    v.At(8, 8) = 0xFF000000u;
    v.At(9, 8) = 0x00000000u;
    v.At(100, 8) = 0xFF000000u;
    v.At(307, 207) = 0xFF010101u;
    HRGN rgn = CreateBlurRegion(l, v, 4);
    struct Case {
        int x, y;
        bool inside;
    } cases[] = {{7, 7, true}, {8, 8, false}, {9, 8, false}, {10, 8, true}, {100, 8, true}, {307, 207, true},
                 {308, 208, true}, {309, 208, false}, {6, 100, false}, {7, 100, true}};
    for (const Case& c : cases)
        EXPECT_EQ(PtInRegion(rgn, c.x, c.y) != FALSE, c.inside) << c.x << "," << c.y;
    DeleteObject(rgn);
}

TEST(BorderArithmetic, HitCodesOfTheFrame)
{
    const TsBorderLayout l = SampleLayout();
    const SIZE window{316, 216};
    // A title with a close button at (280..300, 12..30), an icon at (14..30, 14..30).
    TsTitleLayout title;
    title.Close = RECT{280, 12, 300, 30};
    title.Icon = RECT{14, 14, 30, 30};
    title.User = {RECT{240, 12, 260, 30}};
    TsCaptionButtons b;
    std::vector<TsUserButton> user{TsUserButton{}};
    struct Case {
        const char* what;
        int x, y;
        int code;
        bool enabledClose = true;
        bool userEnabled = true;
        bool formEnabled = true;
        bool sizeable = true;
        int menu = 0;
    } cases[] = {
        {"shadow", 3, 100, HTTRANSPARENT},
        {"shadow below", 100, 214, HTTRANSPARENT},
        {"top band", 100, 8, HTTOP},
        {"top band last row", 100, 11, HTTOP},
        {"top-left corner", 8, 8, HTTOPLEFT},
        {"top-right corner", 307, 9, HTTOPRIGHT},
        {"left band", 8, 100, HTLEFT},
        {"left band last column", 11, 100, HTLEFT},
        {"right band", 307, 100, HTRIGHT},
        {"bottom band", 100, 207, HTBOTTOM},
        {"bottom-left corner", 9, 206, HTBOTTOMLEFT},
        {"bottom-right corner", 306, 206, HTBOTTOMRIGHT},
        {"caption", 100, 20, HTCAPTION},
        {"caption last row", 100, 33, HTCAPTION},
        {"icon", 20, 20, HTSYSMENU},
        {"close", 290, 20, HTCLOSE},
        {"disabled close", 290, 20, HTCAPTION, false},
        {"user button", 250, 20, kUserButtonBase},
        {"disabled user button", 250, 20, HTCAPTION, true, false},
        {"below the caption", 100, 34, HTTRANSPARENT},
        {"menu line", 100, 34, HTMENU, true, true, true, true, 18},
        {"disabled form", 100, 20, HTTRANSPARENT, true, true, false},
        {"fixed frame", 8, 100, HTTRANSPARENT, true, true, true, false},
    };
    for (const Case& c : cases) {
        b.EnabledClose = c.enabledClose;
        user[0].Enabled = c.userEnabled;
        TsBorderHitInput in;
        in.Point = POINT{c.x, c.y};
        in.Window = window;
        in.Enabled = c.formEnabled;
        in.Sizeable = c.sizeable;
        in.Icon = title.Icon;
        in.MenuLineHeight = c.menu;
        EXPECT_EQ(BorderHitTest(l, in, title, b, user), c.code) << c.what;
    }
}

class BorderFormTest : public SkinRuntime {
protected:
    // A shown form of the sample skin with extended borders.
    TsSkinProvider* BorderedForm(TSkinTestForm*& f, int w = 360, int h = 240)
    {
        TsSkinManager* m = SampleManager();
        m->SetExtendedBorders(true);
        f = NewForm(w, h);
        f->SetBounds(120, 120, w, h);
        TsSkinProvider* p = TsSkinProvider::Create(f);
        f->Show();
        Pump(60);
        return p;
    }
    HWND BorderWnd(TsSkinProvider* p)
    {
        TkvBorderForm* b = p->BorderForm();
        return b && b->WindowIfMade() && b->WindowIfMade()->HandleAllocated() ? b->WindowIfMade()->Handle() : nullptr;
    }
    // The offsets from the skin's values and the system's metrics, apart from the code under test.
    POINT ExpectedOffset(TsSkinManager* m)
    {
        const int fw = GetSystemMetrics(SM_CXFRAME), caption = GetSystemMetrics(SM_CYCAPTION);
        const TsSkinData& s = m->SkinData();
        return POINT{s.BorderWidth + m->ShadowMargins[0] - fw, m->ShadowMargins[1] + s.TitleHeight - fw - caption};
    }
};

TEST_F(BorderFormTest, BorderWindowHasItsStyleOwnerRectangleAndRegion)
{
    TSkinTestForm* f = nullptr;
    TsSkinProvider* p = BorderedForm(f);
    TsSkinManager* m = p->Manager();
    HWND form = f->Handle();
    HWND wnd = BorderWnd(p);
    ASSERT_NE(wnd, nullptr) << "a border window with extended borders";
    EXPECT_EQ(DWORD(GetWindowLongW(wnd, GWL_EXSTYLE)), 0x08080080u);
    EXPECT_EQ(GetWindow(wnd, GW_OWNER), form);
    EXPECT_TRUE(IsWindowVisible(wnd));

    RECT fr{}, br{};
    GetWindowRect(form, &fr);
    GetWindowRect(wnd, &br);
    const POINT o = ExpectedOffset(m);
    const int fw = GetSystemMetrics(SM_CXFRAME);
    const TsSkinData& s = m->SkinData();
    EXPECT_EQ(br.left, fr.left - o.x);
    EXPECT_EQ(br.top, fr.top - o.y);
    EXPECT_EQ(br.right, fr.right + s.BorderWidth + m->ShadowMargins[2] - fw);
    EXPECT_EQ(br.bottom, fr.bottom + s.BorderWidth + m->ShadowMargins[3] - fw);

    // Region: everything but the form's client area.
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(wnd, rgn), ERROR);
    POINT client{0, 0};
    ClientToScreen(form, &client);
    RECT cr{};
    GetClientRect(form, &cr);
    const int cx = client.x - br.left, cy = client.y - br.top;
    EXPECT_TRUE(PtInRegion(rgn, 1, 1)) << "shadow";
    EXPECT_TRUE(PtInRegion(rgn, cx - 1, cy + 5)) << "frame left of the client";
    EXPECT_FALSE(PtInRegion(rgn, cx, cy)) << "client";
    EXPECT_FALSE(PtInRegion(rgn, cx + cr.right - 1, cy + cr.bottom - 1)) << "client";
    EXPECT_TRUE(PtInRegion(rgn, cx + cr.right, cy + cr.bottom)) << "frame below the client";
    DeleteObject(rgn);

    // The codes the window answers: the shadow lets the mouse through, the frame takes it.
    auto hit = [&](int x, int y) { return int(SendMessageW(wnd, WM_NCHITTEST, 0, MAKELPARAM(br.left + x, br.top + y))); };
    EXPECT_EQ(hit(1, 1), HTTRANSPARENT);
    EXPECT_EQ(hit((br.right - br.left) / 2, (br.bottom - br.top) - 2), HTTRANSPARENT);
    EXPECT_EQ(hit((br.right - br.left) / 2, m->ShadowMargins[1] + 2), HTOBJECT);
    EXPECT_EQ(hit(m->ShadowMargins[0] + 1, (br.bottom - br.top) / 2), HTOBJECT);
    // What the form answers for the same frame point is the border's own code.
    EXPECT_EQ(SendMessageW(form, WM_NCHITTEST, 0, MAKELPARAM(br.left + m->ShadowMargins[0] + 1, br.top + (br.bottom - br.top) / 2)),
              HTLEFT);

    // Hidden with the form, gone with the skin.
    f->Hide();
    Pump(30);
    EXPECT_FALSE(IsWindowVisible(wnd));
    f->Show();
    Pump(30);
    EXPECT_TRUE(IsWindowVisible(wnd));
    m->SetExtendedBorders(false);
    SendMessageW(form, SkinCommandMessage, MakeSkinCmdWParam(SkinCmdRemoveSkin), LPARAM(m));
    EXPECT_FALSE(IsWindow(wnd));
}

TEST_F(BorderFormTest, CaptionDragThroughTheBorderWindowMovesTheFormAndTheBorderFollows)
{
    BOOL full = TRUE;
    SystemParametersInfoW(SPI_SETDRAGFULLWINDOWS, TRUE, nullptr, 0);
    TSkinTestForm* f = nullptr;
    TsSkinProvider* p = BorderedForm(f);
    HWND form = f->Handle(), wnd = BorderWnd(p);
    ASSERT_NE(wnd, nullptr);
    RECT fr0{}, br0{};
    GetWindowRect(form, &fr0);
    GetWindowRect(wnd, &br0);
    // A caption point of the border window above the form's own window.
    const POINT grab{br0.left + 60, br0.top + p->Manager()->ShadowMargins[1] + 8};
    ASSERT_LT(grab.y, fr0.top + GetSystemMetrics(SM_CYCAPTION));
    EXPECT_EQ(WindowFromPoint(grab), wnd);
    ASSERT_EQ(p->BorderForm()->HitTestScreen(grab), HTCAPTION);

    const int dx = 37, dy = 23;
    DragWithMouse(grab, dx, dy, form, 20);

    RECT fr1{}, br1{};
    GetWindowRect(form, &fr1);
    GetWindowRect(wnd, &br1);
    EXPECT_EQ(fr1.left - fr0.left, dx);
    EXPECT_EQ(fr1.top - fr0.top, dy);
    EXPECT_EQ(br1.left - br0.left, fr1.left - fr0.left) << "the border window follows";
    EXPECT_EQ(br1.top - br0.top, fr1.top - fr0.top);
    SystemParametersInfoW(SPI_SETDRAGFULLWINDOWS, full, nullptr, 0);
}

// The frame picture's pixel as the screen shows it (opaque pixels only).
COLORREF PictureColour(TBitmap& b, int x, int y)
{
    const uint32_t px = b.View().At(x, y);
    return RGB((px >> 16) & 0xFF, (px >> 8) & 0xFF, px & 0xFF);
}

// The screen rectangle of a title element as the frame picture places it.
RECT ElementOnScreen(TsSkinProvider* p, int code)
{
    TsFramePainter& painter = FramePainterOf(*p);
    RECT r = painter.ElementBounds(code);
    const POINT o = painter.PictureScreenOrigin();
    OffsetRect(&r, o.x, o.y);
    return r;
}

// Hovers the close button with a real WM_NCMOUSEMOVE to the window that takes
// the frame's mouse, and waits (bounded) until its glow shows whole.
HWND HoverClose(TsSkinProvider* p, HWND border)
{
    const RECT c = ElementOnScreen(p, HTCLOSE);
    const LPARAM at = MAKELPARAM((c.left + c.right) / 2, (c.top + c.bottom) / 2);
    if (border)
        SendMessageW(border, WM_NCMOUSEMOVE, HTOBJECT, at);
    else
        SendMessageW(p->Window(), WM_NCMOUSEMOVE, HTCLOSE, at);
    for (int i = 0; i < 100; ++i) {
        TkvSBAnimation* a = ButtonAnimation(*p, HTCLOSE);
        if (a && a->ShownAlpha() == 255)
            return a->GlowWindow();
        Pump(10);
    }
    return nullptr;
}

TEST_F(BorderFormTest, ScreenshotOfAFormWithItsShadowAndAGlowingCloseButton)
{
    TSkinTestForm* f = nullptr;
    TsSkinProvider* p = BorderedForm(f, 320, 200);
    f->SetCaption(L"Тень и рамка");
    Pump(60);
    HWND wnd = BorderWnd(p);
    ASSERT_NE(wnd, nullptr);
    // The screen under the border window shows its frame picture: the title
    // band where the picture has it.
    RECT br{};
    GetWindowRect(wnd, &br);
    TBitmap* picture = p->CacheBitmap();
    ASSERT_NE(picture, nullptr);
    const TsSkinManager* m = p->Manager();
    const POINT title{60, m->ShadowMargins[1] + 8};
    HDC screen = GetDC(nullptr);
    const COLORREF shown = GetPixel(screen, br.left + title.x, br.top + title.y);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(shown, PictureColour(*picture, title.x, title.y)) << "the title band of the frame picture shows";

    HWND glow = HoverClose(p, wnd);
    ASSERT_NE(glow, nullptr);
    const String path = SaveWindowShot(wnd, L"border_shadow_glow");
    EXPECT_FALSE(path.empty());
}

TEST_F(BorderFormTest, FramePictureIsTheBorderWindowsSizeWithTheShadowAround)
{
    TSkinTestForm* f = nullptr;
    TsSkinProvider* p = BorderedForm(f);
    HWND wnd = BorderWnd(p);
    ASSERT_NE(wnd, nullptr);
    TsSkinManager* m = p->Manager();
    TBitmap* picture = p->CacheBitmap();
    ASSERT_NE(picture, nullptr);
    RECT br{};
    GetWindowRect(wnd, &br);
    EXPECT_EQ(picture->Width(), br.right - br.left);
    EXPECT_EQ(picture->Height(), br.bottom - br.top);

    // The shadow margins hold the skin's shadow: its corner pixel for pixel,
    // and along the top edge the shadow's own middle column.
    const PixelBitmap* shadow = p->formActive_ ? m->ShadowActive() : m->ShadowInactive();
    ASSERT_NE(shadow, nullptr);
    const PixelView v = picture->View();
    const int sl = m->ShadowMargins[0], st = m->ShadowMargins[1];
    ASSERT_GT(sl, 0);
    ASSERT_GT(st, 0);
    int differ = 0, checked = 0;
    for (int y = 0; y < st; ++y) {
        for (int x = 0; x < sl; ++x, ++checked)
            differ += v.At(x, y) != shadow->Pixel(x, y);
        ++checked;
        differ += v.At(v.width / 2, y) != shadow->Pixel(shadow->Width() / 2, y);
    }
    EXPECT_EQ(differ, 0) << "of " << checked << " shadow pixels";
    EXPECT_NE(shadow->Pixel(sl - 1, st - 1) >> 24, 0u) << "the skin's shadow is not empty there";
    // The visible frame is opaque; its title shows where the border window's hit test finds the caption.
    EXPECT_EQ(v.At(v.width / 2, st + 4) >> 24, 0xFFu);
    EXPECT_EQ(v.At(sl + 1, v.height / 2) >> 24, 0xFFu);
    EXPECT_EQ(p->BorderForm()->HitTest(POINT{v.width / 2, st + 8}), HTCAPTION);
    const RECT close = FramePainterOf(*p).ElementBounds(HTCLOSE);
    EXPECT_EQ(p->BorderForm()->HitTest(POINT{(close.left + close.right) / 2, (close.top + close.bottom) / 2}), HTCLOSE)
        << "the painted close button is where the border window finds it";
}

TEST_F(BorderFormTest, GlowWindowShowsOverAHotCloseButtonAndGoesOnLeaveAndSkinOff)
{
    struct Row {
        const char* what;
        bool borders;
        bool skinOff;   // else the mouse leaves
    } rows[] = {
        {"border window, mouse leaves", true, false},
        {"border window, skin off", true, true},
        {"plain frame, mouse leaves", false, false},
        {"plain frame, skin off", false, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        TsSkinManager* m = SampleManager();
        m->SetExtendedBorders(r.borders);
        TSkinTestForm* f = NewForm(360, 240);
        f->SetBounds(120, 120, 360, 240);
        TsSkinProvider* p = TsSkinProvider::Create(f);
        f->Show();
        Pump(60);
        HWND border = BorderWnd(p);
        ASSERT_EQ(border != nullptr, r.borders);

        HWND glow = HoverClose(p, border);
        ASSERT_NE(glow, nullptr) << "a glow window over the hot close button";
        EXPECT_EQ(p->HotElement(), HTCLOSE);
        EXPECT_TRUE(IsWindowVisible(glow));
        EXPECT_EQ(GetWindow(glow, GW_OWNER), border ? border : f->Handle());
        const DWORD ex = DWORD(GetWindowLongW(glow, GWL_EXSTYLE));
        EXPECT_EQ(ex & (WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_NOACTIVATE), DWORD(WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_NOACTIVATE));
        // The skin's halo: wider than the button by its margin on every side.
        RECT g{}, c = ElementOnScreen(p, HTCLOSE), both{};
        GetWindowRect(glow, &g);
        const int margin = m->SkinData().BIConCloseGlowMargin;
        ASSERT_GT(margin, 0);
        EXPECT_EQ(g.left, c.left - margin);
        EXPECT_EQ(g.top, c.top - margin);
        EXPECT_TRUE(IntersectRect(&both, &g, &c) && EqualRect(&both, &c)) << "the glow covers the button";

        if (r.skinOff) {
            SendMessageW(f->Handle(), SkinCommandMessage, MakeSkinCmdWParam(SkinCmdRemoveSkin), LPARAM(m));
            EXPECT_FALSE(IsWindow(glow)) << "gone with the skin at once";
        } else {
            SendMessageW(f->Handle(), WM_NCMOUSELEAVE, 0, 0);
            EXPECT_EQ(p->HotElement(), kNoElement);
            for (int i = 0; i < 100 && IsWindow(glow); ++i)
                Pump(10);
            EXPECT_FALSE(IsWindow(glow)) << "faded out and freed";
            EXPECT_EQ(ButtonAnimation(*p, HTCLOSE), nullptr);
        }
        for (TComponent*& form : forms)
            Free(form);
        forms.clear();
        DestroyManager(m);
    }
}

TEST_F(BorderFormTest, DoubleClickOnASizingEdgeStretchesToTheWorkAreaAndASecondRestores)
{
    struct Row {
        const char* what;
        int code;
        bool vertical;
    } rows[] = {{"top edge", HTTOP, true}, {"left edge", HTLEFT, false}};
    TSkinTestForm* f = nullptr;
    TsSkinProvider* p = BorderedForm(f, 360, 240);
    HWND form = f->Handle(), wnd = BorderWnd(p);
    ASSERT_NE(wnd, nullptr);
    TsSkinManager* m = p->Manager();
    MONITORINFO info{sizeof info};
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(form, MONITOR_DEFAULTTONEAREST), &info));
    const RECT work = info.rcWork;
    const int sl = m->ShadowMargins[0], st = m->ShadowMargins[1], sr = m->ShadowMargins[2], sb = m->ShadowMargins[3];
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        RECT fr0{};
        GetWindowRect(form, &fr0);
        // A point of the edge inside the border window's sizing band.
        auto edgePoint = [&] {
            RECT br{};
            GetWindowRect(wnd, &br);
            return r.vertical ? POINT{(br.left + br.right) / 2, br.top + st + 1}
                              : POINT{br.left + sl + 1, (br.top + br.bottom) / 2};
        };
        POINT pt = edgePoint();
        ASSERT_EQ(p->BorderForm()->HitTestScreen(pt), r.code);
        SendMessageW(wnd, WM_NCLBUTTONDBLCLK, HTOBJECT, MAKELPARAM(pt.x, pt.y));
        Pump(30);
        RECT br{}, fr{};
        GetWindowRect(wnd, &br);
        GetWindowRect(form, &fr);
        if (r.vertical) {
            EXPECT_EQ(br.top + st, work.top) << "the visible frame reaches the work area's top";
            EXPECT_EQ(br.bottom - sb, work.bottom) << "and its bottom";
            EXPECT_EQ(fr.left, fr0.left);
            EXPECT_EQ(fr.right, fr0.right);
        } else {
            EXPECT_EQ(br.left + sl, work.left);
            EXPECT_EQ(br.right - sr, work.right);
            EXPECT_EQ(fr.top, fr0.top);
            EXPECT_EQ(fr.bottom, fr0.bottom);
        }
        pt = edgePoint();
        ASSERT_EQ(p->BorderForm()->HitTestScreen(pt), r.code);
        SendMessageW(wnd, WM_NCLBUTTONDBLCLK, HTOBJECT, MAKELPARAM(pt.x, pt.y));
        Pump(30);
        GetWindowRect(form, &fr);
        EXPECT_TRUE(EqualRect(&fr, &fr0)) << "the second double click gives the old bounds back";
    }
}

TEST_F(BorderFormTest, SnappingMovesTheVisibleFrameToTheWorkAreasEdge)
{
    struct Row {
        const char* what;
        bool moveBorder;   // the border window is moved (its own move loop), else the form
        bool top;          // the top edge, else the left one
        int gap;           // the visible frame's distance from where it snaps to
        bool snaps;
    } rows[] = {
        {"form, left edge 5 px off", false, false, 5, true},
        {"form, left edge 10 px off", false, false, 10, false},
        {"form, top edge 9 px off", false, true, 9, true},
        {"form, top edge 10 px off", false, true, 10, false},
        {"border window, left edge 6 px off", true, false, 6, true},
        {"border window, top edge 3 px off", true, true, 3, true},
        {"border window, top edge 12 px off", true, true, 12, false},
    };
    TSkinTestForm* f = nullptr;
    TsSkinProvider* p = BorderedForm(f, 360, 240);
    p->ScreenSnap = true;
    HWND form = f->Handle(), wnd = BorderWnd(p);
    ASSERT_NE(wnd, nullptr);
    const TsSkinManager* m = p->Manager();
    const int sl = m->ShadowMargins[0], st = m->ShadowMargins[1];
    MONITORINFO info{sizeof info};
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(form, MONITOR_DEFAULTTONEAREST), &info));
    const RECT work = info.rcWork;
    // Where the visible frame's edge snaps to: the work area's edge moved by the skin's align offset.
    const int snapLeft = work.left - m->SkinData().AlignOffset, snapTop = work.top + m->SkinData().AlignOffsetTop;
    int start = 200;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        // Somewhere new each time, so the border window follows the form there.
        start += 7;
        SetWindowPos(form, nullptr, work.left + start, work.top + start, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        Pump(20);
        RECT br{}, fr{};
        GetWindowRect(wnd, &br);
        GetWindowRect(form, &fr);
        // The form's window lies inside the visible frame by these.
        const POINT inside{fr.left - (br.left + sl), fr.top - (br.top + st)};
        const POINT visible{r.top ? br.left + sl : snapLeft + r.gap, r.top ? snapTop + r.gap : br.top + st};
        if (r.moveBorder)
            SetWindowPos(wnd, nullptr, visible.x - sl, visible.y - st, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        else
            SetWindowPos(form, nullptr, visible.x + inside.x, visible.y + inside.y, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        Pump(20);
        GetWindowRect(wnd, &br);
        const int edge = r.top ? br.top + st : br.left + sl;
        const int snapped = r.top ? snapTop : snapLeft;
        EXPECT_EQ(edge, r.snaps ? snapped : snapped + r.gap);
    }
}

TEST_F(BorderFormTest, MaximizedWithoutBorderWindowDropsItWhileMaximised)
{
    struct Flag {
        Flag() { MaximizedWithoutBorderWindow = true; }
        ~Flag() { MaximizedWithoutBorderWindow = false; }
    } flag;
    TSkinTestForm* f = nullptr;
    TsSkinProvider* p = BorderedForm(f);
    HWND form = f->Handle();
    ASSERT_NE(BorderWnd(p), nullptr) << "a normal form keeps its border window";
    ShowWindow(form, SW_MAXIMIZE);
    Pump(40);
    ASSERT_TRUE(IsZoomed(form));
    EXPECT_EQ(p->BorderForm(), nullptr) << "none while maximised";
    ShowWindow(form, SW_RESTORE);
    Pump(40);
    ASSERT_FALSE(IsZoomed(form));
    HWND back = BorderWnd(p);
    ASSERT_NE(back, nullptr) << "back when restored";
    EXPECT_TRUE(IsWindowVisible(back));
}

// The sample skin with the form's frame drawn from the tab's mask, whose
// corners are rounded (the key colour outside them), as "Rounded" in dir.
void WriteRoundedSkin(const TempDir& dir)
{
    const String from = EnvPath("TALVERA_CONTENT") + L"\\Skins\\Slate\\";
    const std::string square = "BORDERSMASK=^0192,0000,0224,0032,0004,0004,0004,0004,1,0,0,0";
    const std::string rounded = "BORDERSMASK=^0096,0000,0126,0024,0004,0004,0004,0004,1,0,0,0";
    bool replaced = false;
    WIN32_FIND_DATAW fd{};
    HANDLE find = FindFirstFileW((from + L"*").c_str(), &fd);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    do {
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        std::string bytes = ReadBytes(from + fd.cFileName);
        if (String(fd.cFileName) == L"Options.dat") {
            const size_t at = bytes.find(square);
            if (at != std::string::npos) {
                bytes.replace(at, square.size(), rounded);
                replaced = true;
            }
        }
        dir.WriteFile(String(L"Rounded\\") + fd.cFileName, bytes);
    } while (FindNextFileW(find, &fd));
    FindClose(find);
    ASSERT_TRUE(replaced) << "the sample skin's form mask line";
}

// The four corners of a border picture whose frame lies at the shadow
// margins, as large as the mask's corner: where the mask (its first frame) is
// keyed the picture must show the shadow's own corner 1:1, elsewhere the
// opaque frame.
struct CornerPixels {
    int keyed = 0, kept = 0, wrong = 0;
};
CornerPixels FrameCorners(const PixelView& v, TsSkinManager& m, int mask, const PixelBitmap& shadow)
{
    CornerPixels c;
    const TsMaskData& md = m.ma()[size_t(mask)];
    const PixelBitmap* bits = m.Tables().MaskBitmap(mask);
    const int sl = m.ShadowMargins[0], st = m.ShadowMargins[1], sr = m.ShadowMargins[2], sb = m.ShadowMargins[3];
    const int corner = m.MaskMarginLeft(mask);
    // The frame's corners lie where the shadow's own corners are copied 1:1.
    EXPECT_LE(corner, m.SkinData().FormOffset);
    const int fw = MaskFrameWidth(md), sh = MaskStateHeight(md);
    for (const bool right : {false, true})
        for (const bool bottom : {false, true})
            for (int j = 0; j < corner; ++j)
                for (int i = 0; i < corner; ++i) {
                    const uint32_t maskPixel = bits->Pixel(md.SourceRect.left + (right ? fw - corner : 0) + i,
                                                           md.SourceRect.top + (bottom ? sh - corner : 0) + j);
                    const int x = right ? v.width - sr - corner + i : sl + i;
                    const int y = bottom ? v.height - sb - corner + j : st + j;
                    const int sx = right ? shadow.Width() - (v.width - x) : x;
                    const int sy = bottom ? shadow.Height() - (v.height - y) : y;
                    if (IsKeyPixel(maskPixel)) {
                        ++c.keyed;
                        c.wrong += v.At(x, y) != shadow.Pixel(sx, sy);
                    } else {
                        ++c.kept;
                        c.wrong += (v.At(x, y) >> 24) != 0xFFu;
                    }
                }
    return c;
}

void ExpectRoundedCornersShowTheShadow(const CornerPixels& c)
{
    EXPECT_GT(c.keyed, 4) << "the mask's corners are rounded";
    EXPECT_GT(c.kept, c.keyed) << "and the frame keeps the rest of them";
    EXPECT_EQ(c.wrong, 0) << "of " << c.keyed << " shadow and " << c.kept << " frame pixels in the corners";
}

TEST_F(BorderFormTest, FrameCornersShowTheShadowWhereTheBorderMaskIsKeyed)
{
    ASSERT_NO_FATAL_FAILURE(WriteRoundedSkin(dir));
    auto* m = new TsSkinManager(nullptr);
    managers.push_back(m);
    m->SetSkinDirectory(dir.Path());
    m->SetSkinName(L"Rounded");
    m->SetExtendedBorders(true);
    TSkinTestForm* f = NewForm(360, 240);
    f->SetBounds(120, 120, 360, 240);
    TsSkinProvider* p = TsSkinProvider::Create(f);
    f->Show();
    Pump(60);
    ASSERT_NE(BorderWnd(p), nullptr);
    TBitmap* picture = p->CacheBitmap();
    ASSERT_NE(picture, nullptr);
    const int mask = p->SkinData()->BorderMaskIndex;
    ASSERT_TRUE(m->IsMaskIndexValid(mask));
    const PixelBitmap* shadow = p->formActive_ ? m->ShadowActive() : m->ShadowInactive();
    ASSERT_NE(m->Tables().MaskBitmap(mask), nullptr);
    ASSERT_NE(shadow, nullptr);
    ExpectRoundedCornersShowTheShadow(FrameCorners(picture->View(), *m, mask, *shadow));
}

// The same corners on a skinned message box's border window (a dialog's
// frame takes the form's mask).
TEST_F(Dialogs, DialogFrameCornersShowTheShadowWhereTheBorderMaskIsKeyed)
{
    ASSERT_NO_FATAL_FAILURE(WriteRoundedSkin(dir));
    manager->SetSkinDirectory(dir.Path());
    manager->SetSkinName(L"Rounded");
    manager->SetExtendedBorders(true);
    ASSERT_TRUE(DialogWantsBorderWindow(manager));
    bool inspected = false;
    RunBox(L"Углы рамки", MB_OK, [&] {
        const std::vector<HWND> boxes = Boxes();
        ASSERT_EQ(boxes.size(), 1u);
        PostMessageW(boxes[0], WM_COMMAND, IDOK, 0);
        auto* dlg = dynamic_cast<TkvDialogWnd*>(GetWrapper(boxes[0]));
        ASSERT_NE(dlg, nullptr);
        ASSERT_NE(dlg->BorderWindow(), nullptr);
        TBitmap* picture = dlg->BorderWindow()->Picture();
        ASSERT_NE(picture, nullptr);
        const int mask = dlg->CommonData->BorderMaskIndex;
        ASSERT_TRUE(manager->IsMaskIndexValid(mask));
        const PixelBitmap* shadow = dlg->FormActive ? manager->ShadowActive() : manager->ShadowInactive();
        ASSERT_NE(manager->Tables().MaskBitmap(mask), nullptr);
        ASSERT_NE(shadow, nullptr);
        inspected = true;
        ExpectRoundedCornersShowTheShadow(FrameCorners(picture->View(), *manager, mask, *shadow));
    });
    EXPECT_TRUE(inspected);
}

// Every constant alpha pushed to a layered window, recorded, then pushed.
std::vector<std::pair<HWND, int>> layeredPushes;
TUpdateLayeredWindowFn realLayeredPush = nullptr;
BOOL WINAPI RecordLayeredPush(HWND wnd, HDC dst, POINT* pos, SIZE* size, HDC src, POINT* origin, COLORREF key,
                              BLENDFUNCTION* blend, DWORD flags)
{
    layeredPushes.emplace_back(wnd, blend ? blend->SourceConstantAlpha : -1);
    return realLayeredPush ? realLayeredPush(wnd, dst, pos, size, src, origin, key, blend, flags) : TRUE;
}

// Plays the system's end of a move loop that left a window's top above the
// screen: the window is put back down to the top, without asking it.
struct PutBackBelowTheTop {
    explicit PutBackBelowTheTop(TControl* window) : control(window)
    {
        hook.Hook(window, TWndMethod(this, &PutBackBelowTheTop::Proc));
    }
    void Proc(TMessage& m)
    {
        hook.CallPrevious(m);
        if (m.Msg != WM_EXITSIZEMOVE)
            return;
        HWND wnd = static_cast<TWinControl*>(control)->Handle();
        RECT r{};
        GetWindowRect(wnd, &r);
        if (r.top >= 0)
            return;
        ++putBack;
        SetWindowPos(wnd, nullptr, r.left, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING);
    }
    TControl* control;
    TWindowProcHook hook;
    int putBack = 0;
};

TEST_F(BorderFormTest, BlendOnMovingLeavesTheBorderWindowWhereTheDragEndedAndOpaque)
{
    BOOL full = TRUE;
    SystemParametersInfoW(SPI_GETDRAGFULLWINDOWS, 0, &full, 0);
    SystemParametersInfoW(SPI_SETDRAGFULLWINDOWS, TRUE, nullptr, 0);
    BindLayeredApi();
    realLayeredPush = UpdateLayeredWindowFn;
    UpdateLayeredWindowFn = RecordLayeredPush;
    struct Restore {
        BOOL full;
        ~Restore()
        {
            UpdateLayeredWindowFn = realLayeredPush;
            SystemParametersInfoW(SPI_SETDRAGFULLWINDOWS, full, nullptr, 0);
        }
    } restore{full};

    TSkinTestForm* f = nullptr;
    TsSkinProvider* p = BorderedForm(f);
    TsSkinManager* m = p->Manager();
    m->AnimEffects.BlendOnMoving.Active = true;
    m->AnimEffects.BlendOnMoving.BlendValue = 100;
    m->AnimEffects.BlendOnMoving.Time = 60;
    HWND form = f->Handle(), wnd = BorderWnd(p);
    ASSERT_NE(wnd, nullptr);
    RECT br0{};
    GetWindowRect(wnd, &br0);
    const POINT grab{br0.left + 60, br0.top + m->ShadowMargins[1] + 8};
    ASSERT_EQ(p->BorderForm()->HitTestScreen(grab), HTCAPTION);
    layeredPushes.clear();
    {
        PutBackBelowTheTop system(p->BorderForm()->WindowIfMade());
        // Up to 2 px below the screen's top: the border window's top goes above it.
        const int dx = 25, dy = 2 - grab.y;
        DragWithMouse(grab, dx, dy, form, 20);
        EXPECT_EQ(system.putBack, 1) << "the move loop ended with the window's top above the screen";

        RECT br1{}, fr1{};
        GetWindowRect(wnd, &br1);
        GetWindowRect(form, &fr1);
        EXPECT_EQ(br1.left - br0.left, dx) << "the border window stays where the drag left it";
        EXPECT_EQ(br1.top - br0.top, dy);
        const RECT around = BorderWindowRect(p->BorderForm()->Layout(), fr1);
        EXPECT_TRUE(EqualRect(&br1, &around)) << "and the form sits inside it";
    }
    std::vector<int> alphas;
    for (const auto& [w, a] : layeredPushes)
        if (w == wnd)
            alphas.push_back(a);
    ASSERT_GE(alphas.size(), 2u);
    EXPECT_LT(*std::min_element(alphas.begin(), alphas.end()), 255) << "it faded while it moved";
    EXPECT_EQ(alphas.back(), 255) << "and is opaque again";
    EXPECT_FALSE(p->State().Has(TsProviderBit::AnimationRunning));
    EXPECT_FALSE(GetWindowLongW(form, GWL_EXSTYLE) & WS_EX_LAYERED) << "the form is plain again";
}

}  // namespace
