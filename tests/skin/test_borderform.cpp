// The border window of extended borders: its arithmetic on made-up layouts,
// then on real forms under Wine with the sample skin: its style, owner,
// rectangle and region, the codes it answers, a caption drag through it, and
// a screenshot of a form with its shadow.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <vector>
#include <thread>

#include "skin/forms/BorderForm.h"
#include "skin/forms/SkinProvider.h"
#include "tests/skin/SkinRuntimeFixture.h"

using namespace skintest;

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

TEST_F(BorderFormTest, ScreenshotOfAFormWithItsShadow)
{
    TSkinTestForm* f = nullptr;
    TsSkinProvider* p = BorderedForm(f, 320, 200);
    f->SetCaption(L"Тень и рамка");
    Pump(60);
    HWND wnd = BorderWnd(p);
    ASSERT_NE(wnd, nullptr);
    // The screen under the border window: the shadow is darker than the
    // desktop around it, the title band has the skin's title colour.
    RECT br{};
    GetWindowRect(wnd, &br);
    const String path = SaveWindowShot(wnd, L"border_shadow");
    EXPECT_FALSE(path.empty());
    HDC screen = GetDC(nullptr);
    const TsSkinManager* m = p->Manager();
    const COLORREF title = GetPixel(screen, br.left + 60, br.top + m->ShadowMargins[1] + 8);
    ReleaseDC(nullptr, screen);
    const int section = p->Manager()->FindSectionIndex(L"FORMTITLE");
    ASSERT_GE(section, 0);
    const COLORREF want = COLORREF(p->Manager()->gd()[size_t(section)].Props[1].Color);
    EXPECT_EQ(title, want) << "the title band of the border window shows";
}

}  // namespace
