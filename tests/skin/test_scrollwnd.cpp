// Skinned scroll bars on real windows under the sample skin: the room they
// take from the client, their pixels, hit testing, and the scroll messages
// a press, a held arrow and a thumb drag send.
#include "tests/skin/SkinRuntimeFixture.h"

#include <windowsx.h>

#include <algorithm>
#include <functional>
#include <string_view>

#include "classlib/ListControls.h"
#include "skin/controls/ScrollWnd.h"
#include "skin/graphics/PixelOps.h"

using namespace skintest;

namespace {

// A window that logs the scroll messages and the skin commands 51 and 52 it
// receives (as its own procedure, under the wrapper) and answers command 51
// with lockAnswer.
struct LogEntry {
    UINT msg;
    WPARAM w;
    LPARAM l;
    DWORD at;
};
std::vector<LogEntry> scrollLog;
LRESULT lockAnswer = 0;
// Run when a logger window gets WM_APP (posted to run inside another loop).
std::function<void()> onApp;

LRESULT CALLBACK LoggerProc(HWND wnd, UINT msg, WPARAM w, LPARAM l)
{
    if (msg == WM_HSCROLL || msg == WM_VSCROLL || msg == WM_CONTEXTMENU) {
        scrollLog.push_back({msg, w, l, GetTickCount()});
        return 0;
    }
    if (msg == WM_APP) {
        if (onApp) onApp();
        return 0;
    }
    if (msg == SkinCommandMessage) {
        unsigned cmd = HIWORD(w);
        if (cmd == SkinCmdLockRedraw || cmd == SkinCmdUnlockRedraw) {
            scrollLog.push_back({msg, w, l, GetTickCount()});
            return cmd == SkinCmdLockRedraw ? lockAnswer : 0;
        }
    }
    return DefWindowProcW(wnd, msg, w, l);
}

const wchar_t* LoggerClass()
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = LoggerProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = HBRUSH(COLOR_WINDOW + 1);
        wc.lpszClassName = L"TalveraScrollLogger";
        RegisterClassW(&wc);
        registered = true;
    }
    return L"TalveraScrollLogger";
}

std::vector<LogEntry> ScrollsOnly()
{
    std::vector<LogEntry> out;
    for (const LogEntry& e : scrollLog)
        if (e.msg == WM_VSCROLL || e.msg == WM_HSCROLL) out.push_back(e);
    return out;
}

// Pixels of a window with its frame as WM_PRINT draws them.
std::unique_ptr<TBitmap> PrintWindowPixels(HWND wnd)
{
    RECT r;
    GetWindowRect(wnd, &r);
    auto bmp = std::make_unique<TBitmap>(r.right - r.left, r.bottom - r.top, TPixelFormat::pf32bit);
    SendMessageW(wnd, WM_PRINT, WPARAM(bmp->Canvas().Handle()), PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);
    GdiFlush();
    return bmp;
}
COLORREF At(const PixelView& v, int x, int y)
{
    uint32_t p = v.At(x, y);
    return RGB(pixel::R(p), pixel::G(p), pixel::B(p));
}

RECT ToWindow(HWND wnd, RECT r)
{
    RECT w;
    GetWindowRect(wnd, &w);
    OffsetRect(&r, -w.left, -w.top);
    return r;
}

String ManyLines(int n)
{
    String s;
    for (int i = 0; i < n; ++i) s += L"line " + std::to_wstring(i) + L"\r\n";
    return s;
}

class ScrollWnd : public SkinRuntime {
protected:
    void SetUp() override
    {
        SkinRuntime::SetUp();
        scrollLog.clear();
        lockAnswer = 0;
        onApp = nullptr;
        manager = SampleManager();
        ASSERT_TRUE(manager->SkinData().Active);
        form = NewForm(420, 320);
        form->Show();
        Pump(0);
    }
    void TearDown() override
    {
        onApp = nullptr;
        wrappers.clear();
        for (HWND w : windows) DestroyWindow(w);
        SkinRuntime::TearDown();
    }
    HWND Native(const wchar_t* cls, DWORD style, int x, int y, int w, int h, DWORD ex = 0)
    {
        HWND wnd = CreateWindowExW(ex, cls, L"", WS_CHILD | WS_VISIBLE | style, x, y, w, h, form->Handle(), nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
        windows.push_back(wnd);
        return wnd;
    }
    HWND Logger(int x, int y, int w, int h, DWORD bars = WS_VSCROLL)
    {
        HWND wnd = Native(LoggerClass(), bars, x, y, w, h);
        SCROLLINFO si{sizeof(si), SIF_RANGE | SIF_PAGE | SIF_POS, 0, 100, 10, 0, 0};
        if (bars & WS_VSCROLL) SetScrollInfo(wnd, SB_VERT, &si, TRUE);
        if (bars & WS_HSCROLL) SetScrollInfo(wnd, SB_HORZ, &si, TRUE);
        return wnd;
    }
    TkvScrollWnd* Wrap(HWND wnd)
    {
        wrappers.emplace_back(CreateWrapper<TkvScrollWnd>(wnd, nullptr, manager, L"", true));
        Pump(0);
        return wrappers.back().get();
    }
    // Screen point of the centre of a part of the vertical bar.
    POINT VertPart(TkvScrollWnd* w, int part)
    {
        RECT r = w->VertBarRect();
        scrollgeo::BarLayout l = ScrollBarLayout(*w->VertBar, r.bottom - r.top, manager);
        int x = (r.left + r.right) / 2, along = 0;
        switch (part) {
        case scrollgeo::PartArrow1: along = l.Arrow / 2; break;
        case scrollgeo::PartArrow2: along = l.Length - l.Arrow / 2 - 1; break;
        case scrollgeo::PartThumb: along = l.ThumbStart + l.ThumbSize / 2; break;
        case scrollgeo::PartPage2: along = (l.ThumbStart + l.ThumbSize + l.Length - l.Arrow) / 2; break;
        }
        return POINT{x, r.top + along};
    }
    static void Down(HWND wnd, POINT screen)
    {
        SendMessageW(wnd, WM_NCLBUTTONDOWN, HTVSCROLL, MAKELPARAM(screen.x, screen.y));
    }
    static void MoveTo(HWND wnd, POINT screen)
    {
        SetCursorPos(screen.x, screen.y);
        POINT c = screen;
        ScreenToClient(wnd, &c);
        SendMessageW(wnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(c.x, c.y));
    }
    static void Up(HWND wnd, POINT screen)
    {
        POINT c = screen;
        ScreenToClient(wnd, &c);
        SendMessageW(wnd, WM_LBUTTONUP, 0, MAKELPARAM(c.x, c.y));
    }

    // Real mouse input through the queue: a move to a screen point, a click there.
    static void MouseTo(POINT p)
    {
        INPUT in{};
        in.type = INPUT_MOUSE;
        in.mi.dx = LONG((p.x * 65536LL + 32768) / GetSystemMetrics(SM_CXSCREEN));
        in.mi.dy = LONG((p.y * 65536LL + 32768) / GetSystemMetrics(SM_CYSCREEN));
        in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        SendInput(1, &in, sizeof in);
        Pump(60);
    }
    static void ClickAt(POINT p)
    {
        MouseTo(p);
        INPUT in[2]{};
        in[0].type = in[1].type = INPUT_MOUSE;
        in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        SendInput(2, in, sizeof(INPUT));
        Pump(150);
    }
    // A screen rectangle as the screen shows it.
    static std::unique_ptr<TBitmap> ScreenRect(const RECT& r)
    {
        auto bmp = std::make_unique<TBitmap>(r.right - r.left, r.bottom - r.top, TPixelFormat::pf32bit);
        HDC screen = GetDC(nullptr);
        BitBlt(bmp->Canvas().Handle(), 0, 0, r.right - r.left, r.bottom - r.top, screen, r.left, r.top, SRCCOPY);
        ReleaseDC(nullptr, screen);
        GdiFlush();
        return bmp;
    }
    // The vertical bar of a wrapped window as the screen shows it.
    static std::unique_ptr<TBitmap> ScreenBar(TkvScrollWnd* w) { return ScreenRect(w->VertBarRect()); }
    // The same through the window's own DC: what the window painted, before
    // the screen shows it.
    static std::unique_ptr<TBitmap> WindowBar(TkvScrollWnd* w)
    {
        RECT r = w->VertBarRect(), wr;
        GetWindowRect(w->Handle, &wr);
        auto bmp = std::make_unique<TBitmap>(r.right - r.left, r.bottom - r.top, TPixelFormat::pf32bit);
        HDC dc = GetWindowDC(w->Handle);
        BitBlt(bmp->Canvas().Handle(), 0, 0, r.right - r.left, r.bottom - r.top, dc, r.left - wr.left,
               r.top - wr.top, SRCCOPY);
        ReleaseDC(w->Handle, dc);
        GdiFlush();
        return bmp;
    }
    // The paint request of the vertical bar of a wrapped window at rest, on the form's colour.
    TkvBarPaintRequest VertRequest(TkvScrollWnd* w, TsSkinManager* m = nullptr)
    {
        RECT r = w->VertBarRect();
        TkvBarPaintRequest q;
        q.Kind = 1;
        q.Length = r.bottom - r.top;
        q.Thickness = r.right - r.left;
        q.Layout = ScrollBarLayout(*w->VertBar, q.Length, m ? m : manager);
        q.BgColor = GetWindowBgColor(form->Handle());
        return q;
    }
    // What the bar painter draws for a request.
    std::unique_ptr<TBitmap> Painted(const TkvBarPaintRequest& q, TsSkinManager* m = nullptr)
    {
        auto bmp = std::make_unique<TBitmap>();
        EXPECT_TRUE(PaintScrollBarBitmap(m ? m : manager, q, bmp.get()));
        return bmp;
    }
    // What the bar painter draws for the vertical bar of a wrapped window at rest.
    std::unique_ptr<TBitmap> DrawnBar(TkvScrollWnd* w, bool enabled = true, TsSkinManager* m = nullptr)
    {
        w->RefreshScrollBars(false);
        TkvBarPaintRequest q = VertRequest(w, m);
        q.Enabled = enabled;
        return Painted(q, m);
    }
    static int Differing(TBitmap& a, TBitmap& b)
    {
        if (a.Width() != b.Width() || a.Height() != b.Height()) return -1;
        PixelView av = a.View(), bv = b.View();
        int n = 0;
        for (int y = 0; y < av.height; ++y)
            for (int x = 0; x < av.width; ++x) n += (av.At(x, y) & 0xFFFFFFu) != (bv.At(x, y) & 0xFFFFFFu);
        return n;
    }

    TsSkinManager* manager = nullptr;
    TSkinTestForm* form = nullptr;
    std::vector<HWND> windows;
    std::vector<std::unique_ptr<TkvScrollWnd>> wrappers;
};

}  // namespace

// A native multi-line edit and a memo of the class library: the client loses
// the bar's thickness (none when it is narrower than the bar), the bar shows
// the skin's track, arrow and thumb, and it answers HTVSCROLL.
TEST_F(ScrollWnd, VerticalBarTakesRoomAndShowsTheSkin)
{
    auto* memo = Add<TMemo>(form, 200, 10, 150, 120);
    memo->SetScrollBars(TScrollStyle::ssVertical);
    memo->SetWordWrap(false);
    memo->Lines().SetText(ManyLines(40));
    HWND edit = Native(L"EDIT", WS_VSCROLL | ES_MULTILINE, 10, 10, 150, 120, WS_EX_CLIENTEDGE);
    SetWindowTextW(edit, ManyLines(40).c_str());
    HWND narrow = Native(L"EDIT", WS_VSCROLL | ES_MULTILINE, 10, 150, 14, 60, WS_EX_CLIENTEDGE);

    struct Row {
        const char* what;
        HWND wnd;
        bool room;
    } rows[] = {{"native edit", edit, true}, {"memo", memo->Handle(), true}, {"too narrow", narrow, false}};
    const int thickness = GetSystemMetrics(SM_CXVSCROLL);
    const int edges = 2 * GetSystemMetrics(SM_CXEDGE);
    const COLORREF border = manager->Palette()[27];   // BORDERCOLOR: the skin's frame lines
    const TsGeneralData& track = manager->gd()[size_t(Section(manager, L"SCROLLBAR2V"))];
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        TkvScrollWnd* w = Wrap(r.wnd);
        RECT wr, cr;
        GetWindowRect(r.wnd, &wr);
        GetClientRect(r.wnd, &cr);
        EXPECT_EQ(cr.right, (wr.right - wr.left) - edges - (r.room ? thickness : 0));
        EXPECT_EQ(w->VertBar->Visible, r.room);
        if (!r.room) continue;

        RECT bar = w->VertBarRect();
        POINT mid{(bar.left + bar.right) / 2, (bar.top + bar.bottom) / 2};
        EXPECT_EQ(SendMessageW(r.wnd, WM_NCHITTEST, 0, MAKELPARAM(mid.x, mid.y)), HTVSCROLL);
        POINT inside{wr.left + edges, wr.top + edges + 2};
        EXPECT_NE(SendMessageW(r.wnd, WM_NCHITTEST, 0, MAKELPARAM(inside.x + 4, inside.y)), HTVSCROLL);

        auto shot = PrintWindowPixels(r.wnd);
        RECT b = ToWindow(r.wnd, bar);
        int cx = (b.left + b.right) / 2;
        scrollgeo::BarLayout l = ScrollBarLayout(*w->VertBar, b.bottom - b.top, manager);
        ASSERT_TRUE(l.ThumbFits);
        // Arrow buttons and thumb are framed in the skin's border colour.
        EXPECT_EQ(At(*shot, cx, b.top), border) << "first arrow";
        EXPECT_EQ(At(*shot, cx, b.bottom - 1), border) << "second arrow";
        EXPECT_EQ(At(*shot, cx, b.top + l.ThumbStart), border) << "thumb";
        // The track after the thumb is the second track section's colour.
        int below = b.top + (l.ThumbStart + l.ThumbSize + l.Length - l.Arrow) / 2;
        EXPECT_EQ(At(*shot, cx, below), COLORREF(track.Props[0].Color)) << "track";
        // And the whole bar is what the bar painter draws for it.
        auto expected = Painted(VertRequest(w));
        PixelView ev = expected->View();
        int differing = 0;
        for (int y = 0; y < ev.height; ++y)
            for (int x = 0; x < ev.width; ++x)
                differing += At(ev, x, y) != At(*shot, b.left + x, b.top + y);
        EXPECT_EQ(differing, 0);
    }
}

// The corner between two bars sizes the form only where it touches the form's
// client corner.
TEST_F(ScrollWnd, CornerSizesTheFormOnlyAtItsCorner)
{
    RECT client;
    GetClientRect(form->Handle(), &client);
    struct Row {
        const char* what;
        int x, y;
        bool grip;
    } rows[] = {{"at the form's corner", client.right - 120, client.bottom - 100, true},
                {"inside the form", 10, 10, false}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        HWND wnd = Logger(r.x, r.y, 120, 100, WS_VSCROLL | WS_HSCROLL);
        TkvScrollWnd* w = Wrap(wnd);
        RECT h = w->HorzBarRect(), v = w->VertBarRect();
        POINT corner{(v.left + v.right) / 2, (h.top + h.bottom) / 2};
        LRESULT hit = SendMessageW(wnd, WM_NCHITTEST, 0, MAKELPARAM(corner.x, corner.y));
        EXPECT_EQ(hit == HTBOTTOMRIGHT, r.grip) << hit;
        EXPECT_EQ(SendMessageW(wnd, WM_NCHITTEST, 0, MAKELPARAM((h.left + h.right) / 2, corner.y)), HTHSCROLL);
    }
}

// A held arrow: one step at once, the next after a pause of about 300 ms,
// then about every 55 ms; none while the cursor is off the arrow; SB_ENDSCROLL
// on release. Timers never fire early, so the pauses are checked from below
// only: a busy machine makes them longer, never shorter.
TEST_F(ScrollWnd, HeldArrowRepeats)
{
    HWND wnd = Logger(20, 20, 120, 200);
    TkvScrollWnd* w = Wrap(wnd);
    POINT down = VertPart(w, scrollgeo::PartArrow2);
    POINT off{down.x + 200, down.y};
    SetCursorPos(down.x, down.y);
    Down(wnd, down);
    EXPECT_EQ(ScrollsOnly().size(), 1u) << "the first step comes with the press";
    Pump(700);
    DWORD leftAt = GetTickCount();
    MoveTo(wnd, off);
    Pump(300);
    DWORD backAt = GetTickCount();
    MoveTo(wnd, down);
    Pump(200);
    Up(wnd, down);
    Pump(150);

    std::vector<LogEntry> s = ScrollsOnly();
    ASSERT_GE(s.size(), 6u);
    for (size_t i = 0; i + 1 < s.size(); ++i) EXPECT_EQ(LOWORD(s[i].w), SB_LINEDOWN) << i;
    EXPECT_EQ(LOWORD(s.back().w), SB_ENDSCROLL);
    EXPECT_GE(s[1].at - s[0].at, 250u) << "a pause before the repeat";
    std::vector<DWORD> gaps;
    for (size_t i = 2; i + 1 < s.size() && s[i].at < leftAt; ++i) gaps.push_back(s[i].at - s[i - 1].at);
    ASSERT_GE(gaps.size(), 3u);
    for (DWORD g : gaps) EXPECT_GE(g, 40u) << "repeats are paced, not sent in a burst";
    EXPECT_LT(*std::min_element(gaps.begin(), gaps.end()), s[1].at - s[0].at) << "repeats come faster than the first";
    int whileOff = 0, afterBack = 0;
    for (const LogEntry& e : s) {
        if (LOWORD(e.w) != SB_LINEDOWN) continue;
        whileOff += e.at > leftAt + 20 && e.at < backAt;
        afterBack += e.at > backAt;
    }
    EXPECT_EQ(whileOff, 0);
    EXPECT_GE(afterBack, 2);
    // Each step is bracketed by the lock and unlock commands with the code and message.
    ASSERT_GE(scrollLog.size(), 3u);
    EXPECT_EQ(HIWORD(scrollLog[0].w), SkinCmdLockRedraw);
    EXPECT_EQ(scrollLog[0].l, MAKELPARAM(SB_LINEDOWN, WM_VSCROLL));
    EXPECT_EQ(scrollLog[1].msg, UINT(WM_VSCROLL));
    EXPECT_EQ(HIWORD(scrollLog[2].w), SkinCmdUnlockRedraw);
}

// Taking the capture away mid-press ends the press: no further steps.
TEST_F(ScrollWnd, CaptureLossStopsTheRepeat)
{
    HWND wnd = Logger(20, 20, 120, 200);
    HWND other = Logger(200, 20, 60, 60, 0);
    TkvScrollWnd* w = Wrap(wnd);
    POINT down = VertPart(w, scrollgeo::PartArrow2);
    SetCursorPos(down.x, down.y);
    Down(wnd, down);
    Pump(400);
    ASSERT_EQ(GetCapture(), wnd);
    SetCapture(other);
    size_t atLoss = ScrollsOnly().size();
    Pump(400);
    ReleaseCapture();
    std::vector<LogEntry> s = ScrollsOnly();
    ASSERT_GE(atLoss, 2u);
    EXPECT_EQ(LOWORD(s[atLoss - 1].w), SB_ENDSCROLL);
    EXPECT_EQ(s.size(), atLoss);
    // A later button-up ends nothing more.
    Up(wnd, down);
    EXPECT_EQ(ScrollsOnly().size(), atLoss);
}

// A thumb drag sends SB_THUMBTRACK only when the position changes, at the
// position the thumb stands for, then SB_THUMBPOSITION and SB_ENDSCROLL.
TEST_F(ScrollWnd, ThumbDragTracksOnChangeOnly)
{
    HWND wnd = Logger(20, 20, 120, 220);
    TkvScrollWnd* w = Wrap(wnd);
    POINT grab = VertPart(w, scrollgeo::PartThumb);
    RECT bar = w->VertBarRect();
    scrollgeo::BarLayout l = ScrollBarLayout(*w->VertBar, bar.bottom - bar.top, manager);
    scrollgeo::BarInfo info = w->VertBar->Geometry();
    int grabOffset = grab.y - bar.top - l.ThumbStart;
    Down(wnd, grab);
    std::vector<int> expected;
    int last = info.Pos;
    for (int dy = 1; dy <= 30; ++dy) {
        POINT p{grab.x, grab.y + dy};
        MoveTo(wnd, p);
        int pos = scrollgeo::PositionOfThumb(l, info, scrollgeo::DraggedThumbStart(l, p.y - bar.top, grabOffset));
        if (pos != last) expected.push_back(pos);
        last = pos;
    }
    MoveTo(wnd, POINT{grab.x, grab.y + 30});   // the same place again: nothing new
    Up(wnd, POINT{grab.x, grab.y + 30});

    std::vector<LogEntry> s = ScrollsOnly();
    ASSERT_EQ(s.size(), expected.size() + 2);
    ASSERT_LT(expected.size(), 30u);   // some moves did not change the position
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(LOWORD(s[i].w), SB_THUMBTRACK);
        EXPECT_EQ(int(HIWORD(s[i].w)), expected[i]);
    }
    EXPECT_EQ(LOWORD(s[expected.size()].w), SB_THUMBPOSITION);
    EXPECT_EQ(int(HIWORD(s[expected.size()].w)), last);
    EXPECT_EQ(LOWORD(s.back().w), SB_ENDSCROLL);
}

// A window that asks for the position in the LParam (command 51 answered 1)
// still gets LParam 0 in its own procedure, where a non-zero LParam would
// name a scroll-bar control; one that does not ask also gets its bar's
// position set before each SB_THUMBTRACK.
TEST_F(ScrollWnd, ScrollMessagesReachTheWindowWithoutAPositionInLParam)
{
    for (LRESULT answer : {LRESULT(0), LRESULT(1)}) {
        SCOPED_TRACE(answer);
        scrollLog.clear();
        lockAnswer = answer;
        HWND wnd = Logger(20, 20, 120, 200);
        TkvScrollWnd* w = Wrap(wnd);
        POINT grab = VertPart(w, scrollgeo::PartThumb);
        Down(wnd, grab);
        MoveTo(wnd, POINT{grab.x, grab.y + 40});
        Up(wnd, POINT{grab.x, grab.y + 40});
        std::vector<LogEntry> s = ScrollsOnly();
        ASSERT_EQ(s.size(), 3u);
        EXPECT_EQ(LOWORD(s[0].w), SB_THUMBTRACK);
        int pos = HIWORD(s[0].w);
        EXPECT_GT(pos, 0);
        for (const LogEntry& e : s) EXPECT_EQ(e.l, 0);
        EXPECT_EQ(GetScrollPos(wnd, SB_VERT), answer == 1 ? 0 : pos);
        DestroyWindow(wnd);
    }
}

// A form with a skinned memo, list box and a window with both bars, shot at
// rest, with the list box's down arrow hot and with the memo's thumb pressed.
// The hot and pressed parts show on the screen as what the bar painter draws
// for those states.
TEST_F(ScrollWnd, ScreenshotAtRestHotAndPressed)
{
    auto* memo = Add<TMemo>(form, 10, 10, 150, 140);
    memo->SetScrollBars(TScrollStyle::ssVertical);
    memo->SetWordWrap(false);
    memo->Lines().SetText(ManyLines(60));
    auto* list = Add<TListBox>(form, 170, 10, 110, 140);
    for (int i = 0; i < 50; ++i) list->Items().Add(L"item " + std::to_wstring(i));
    HWND both = Logger(290, 10, 110, 140, WS_VSCROLL | WS_HSCROLL);
    TkvScrollWnd* wm = Wrap(memo->Handle());
    TkvScrollWnd* wl = Wrap(list->Handle());
    Wrap(both);
    RedrawWindow(form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump(50);

    auto painted = [&](TkvScrollWnd* w, int part, int state, scrollgeo::BarLayout* layoutOut) {
        TkvBarPaintRequest q = VertRequest(w);
        q.States[part] = state;
        *layoutOut = q.Layout;
        return Painted(q);
    };
    auto sameAlong = [](TBitmap& a, TBitmap& b, int from, int to) {
        int diff = 0;
        for (int y = from; y < to; ++y)
            for (int x = 0; x < a.Width(); ++x) diff += At(a, x, y) != At(b, x, y);
        return diff;
    };

    SaveWindowShot(form->Handle(), L"scrollbars-rest");

    // Hot: the mouse over the list box's second arrow.
    POINT arrow = VertPart(wl, scrollgeo::PartArrow2);
    SetCursorPos(arrow.x, arrow.y);
    SendMessageW(list->Handle(), WM_NCMOUSEMOVE, HTVSCROLL, MAKELPARAM(arrow.x, arrow.y));
    Pump(120);
    SaveWindowShot(form->Handle(), L"scrollbars-hot");
    scrollgeo::BarLayout l;
    auto hot = painted(wl, scrollgeo::PartArrow2, 1, &l);
    auto rest = painted(wl, scrollgeo::PartArrow2, 0, &l);
    auto shownHot = ScreenBar(wl);
    EXPECT_EQ(sameAlong(*hot, *shownHot, l.Length - l.Arrow, l.Length), 0);
    EXPECT_GT(sameAlong(*rest, *shownHot, l.Length - l.Arrow, l.Length), 0);

    // Pressed: the memo's thumb held.
    SetCursorPos(0, 0);
    Pump(60);
    POINT thumb = VertPart(wm, scrollgeo::PartThumb);
    Down(memo->Handle(), thumb);
    Pump(30);
    SaveWindowShot(form->Handle(), L"scrollbars-pressed");
    auto pressed = painted(wm, scrollgeo::PartThumb, 2, &l);
    auto shownPressed = ScreenBar(wm);
    EXPECT_EQ(sameAlong(*pressed, *shownPressed, l.ThumbStart, l.ThumbStart + l.ThumbSize), 0);
    Up(memo->Handle(), thumb);
}

// The class library's scroll bar: its range, page and position reach the
// window; its scroll messages come back to it; skinned, its client shows the
// skin's bar at the control's own thumb geometry.
TEST_F(ScrollWnd, StandAloneScrollBar)
{
    auto* sb = Add<TScrollBar>(form, 20, 20, GetSystemMetrics(SM_CXVSCROLL), 200);
    sb->SetKind(TScrollBarKind::sbVertical);
    sb->SetBounds(20, 20, GetSystemMetrics(SM_CXVSCROLL), 200);
    sb->SetPageSize(20);
    sb->SetParams(40, 0, 100);
    int changes = 0;
    struct Counter {
        int* n;
        void Changed(TObject*) { ++*n; }
    } counter{&changes};
    sb->OnChange = TNotifyEvent(&counter, &Counter::Changed);
    EXPECT_EQ(GetScrollPos(sb->Handle(), SB_CTL), 40);
    SendMessageW(form->Handle(), WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), LPARAM(sb->Handle()));
    EXPECT_EQ(sb->Position(), 41);
    EXPECT_EQ(GetScrollPos(sb->Handle(), SB_CTL), 41);
    EXPECT_EQ(changes, 1);
    sb->SetParams(95, 0, 100);   // clamped to Max - (Page - 1)
    EXPECT_EQ(sb->Position(), 81);

    std::unique_ptr<TkvSBWnd> w(CreateWrapper<TkvSBWnd>(sb->Handle(), nullptr, manager, L"", true));
    for (int pos : {0, 40, 81}) {
        SCOPED_TRACE(pos);
        sb->SetPosition(pos);
        Pump(0);
        RECT c;
        GetClientRect(sb->Handle(), &c);
        TBitmap shot(c.right, c.bottom, TPixelFormat::pf32bit);
        SendMessageW(sb->Handle(), WM_PRINT, WPARAM(shot.Canvas().Handle()), PRF_CLIENT);
        // The thumb where the control's geometry puts it: round(...) from the rules.
        scrollgeo::ControlLayout cl = scrollgeo::ControlLayoutOf(
            c.bottom, GetSystemMetrics(SM_CYVSCROLL), true, scrollgeo::BarInfo{0, 100, 20, pos});
        EXPECT_EQ(At(shot, c.right / 2, cl.ThumbStart), COLORREF(manager->Palette()[27]));
        EXPECT_EQ(At(shot, c.right / 2, 0), COLORREF(manager->Palette()[27]));
    }
}

// The class library's scroll bar shows the part under the mouse hot and the
// part held pressed (while the control tracks the mouse itself); a held thumb
// follows the mouse keeping the offset it was grabbed at.
TEST_F(ScrollWnd, StandAloneBarShowsHotAndPressedParts)
{
    auto* sb = Add<TScrollBar>(form, 20, 20, GetSystemMetrics(SM_CXVSCROLL), 200);
    sb->SetKind(TScrollBarKind::sbVertical);
    sb->SetBounds(20, 20, GetSystemMetrics(SM_CXVSCROLL), 200);
    sb->SetPageSize(20);
    sb->SetParams(40, 0, 100);
    HWND sampler = Logger(300, 200, 40, 40, 0);
    std::unique_ptr<TkvSBWnd> w(CreateWrapper<TkvSBWnd>(sb->Handle(), nullptr, manager, L"", true));
    Pump(0);
    HWND h = sb->Handle();
    RECT c;
    GetClientRect(h, &c);

    auto shot = [&] {
        auto bmp = std::make_unique<TBitmap>(c.right, c.bottom, TPixelFormat::pf32bit);
        SendMessageW(h, WM_PRINT, WPARAM(bmp->Canvas().Handle()), PRF_CLIENT);
        GdiFlush();
        return bmp;
    };
    // What the bar painter draws for the control's layout with these states (by hit code).
    auto drawn = [&](const std::vector<std::pair<int, int>>& states) {
        TkvBarPaintRequest q;
        q.Kind = 1;
        q.Layout = w->Layout();
        q.Length = q.Layout.Length;
        q.Thickness = c.right;
        q.BgColor = GetWindowBgColor(form->Handle());
        for (auto [part, state] : states) q.States[part] = state;
        auto bmp = std::make_unique<TBitmap>();
        PaintScrollBarBitmap(manager, q, bmp.get());
        return bmp;
    };
    auto differing = [&](TBitmap& a, TBitmap& b) {
        int n = 0;
        for (int y = 0; y < c.bottom; ++y)
            for (int x = 0; x < c.right; ++x) n += At(a, x, y) != At(b, x, y);
        return n;
    };
    auto screenAt = [&](int along) {
        POINT p{c.right / 2, along};
        ClientToScreen(h, &p);
        return p;
    };
    scrollgeo::BarLayout l = w->Layout();
    const int hotPages = 1;
    POINT arrow1 = screenAt(l.Arrow / 2), arrow2 = screenAt(l.Length - l.Arrow / 2 - 1);
    POINT thumb = screenAt(l.ThumbStart + l.ThumbSize / 2);
    using namespace scrollgeo;

    struct Row {
        const char* what;
        std::function<void()> act;
        std::vector<std::pair<int, int>> states;
    } rows[] = {
        {"the mouse over the second arrow", [&] { SendMessageW(h, WM_NCHITTEST, 0, MAKELPARAM(arrow2.x, arrow2.y)); },
         {{PartArrow2, 1}, {PartPage1, hotPages}, {PartPage2, hotPages}}},
        {"the mouse enters over the thumb",
         [&] {
             SetCursorPos(thumb.x, thumb.y);
             SendMessageW(h, CM_MOUSELEAVE, 0, 0);
             SendMessageW(h, CM_MOUSEENTER, 0, 0);
         },
         {{PartThumb, 1}, {PartPage1, hotPages}, {PartPage2, hotPages}}},
        {"the mouse leaves", [&] { SendMessageW(h, CM_MOUSELEAVE, 0, 0); }, {}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        auto before = shot();
        r.act();
        auto now = shot();
        EXPECT_EQ(differing(*now, *drawn(r.states)), 0);
        EXPECT_GT(differing(*now, *before), 0) << "the look changed";
    }

    // Pressed: looked at while the control runs its own tracking (a posted
    // message runs inside it), released by the button-up after it.
    struct Press {
        const char* what;
        POINT at;
        int part;
    } presses[] = {{"first arrow", arrow1, PartArrow1}, {"thumb", thumb, PartThumb}};
    for (const Press& pr : presses) {
        SCOPED_TRACE(pr.what);
        sb->SetPosition(40);
        SetCursorPos(pr.at.x, pr.at.y);
        POINT cp = pr.at;
        ScreenToClient(h, &cp);
        std::unique_ptr<TBitmap> held, heldExpected;
        int heldPos = -1, wantPos = -2;
        onApp = [&] {
            held = shot();
            heldExpected = drawn({{pr.part, 2}, {PartPage1, hotPages}, {PartPage2, hotPages}});
            if (pr.part == PartThumb) {
                // Thirty pixels further down the thumb follows, keeping its grab offset.
                scrollgeo::ControlLayout cl =
                    ControlLayoutOf(c.bottom, l.Arrow, true, BarInfo{0, 100, 20, sb->Position()});
                BarInfo info{0, 100, 20, sb->Position()};
                int offset = ControlPositionAt(c.bottom, cl, info, cp.y, true) - sb->Position();
                wantPos = std::clamp(ControlPositionAt(c.bottom, cl, info, cp.y + 30, true) - offset, 0, 81);
                POINT further{pr.at.x, pr.at.y + 30};
                SendMessageW(h, WM_NCHITTEST, 0, MAKELPARAM(further.x, further.y));
                heldPos = sb->Position();
            }
        };
        PostMessageW(sampler, WM_APP, 0, 0);
        PostMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(cp.x, cp.y));
        SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(cp.x, cp.y));
        onApp = nullptr;
        ASSERT_TRUE(held) << "the control tracked the press";
        EXPECT_EQ(differing(*held, *heldExpected), 0) << "pressed while held";
        if (pr.part == PartThumb) {
            EXPECT_GT(wantPos, 40);
            EXPECT_EQ(heldPos, wantPos);
        }
        // Released with the mouse still over the part: hot again (a thumb
        // only when the control's own release left it under the mouse).
        scrollgeo::BarLayout now = w->Layout();
        bool over = pr.part != PartThumb || (cp.y >= now.ThumbStart && cp.y < now.ThumbStart + now.ThumbSize);
        std::vector<std::pair<int, int>> after{{PartPage1, hotPages}, {PartPage2, hotPages}};
        if (over) after.push_back({pr.part, 1});
        EXPECT_EQ(differing(*shot(), *drawn(after)), 0) << "hot after the release";
    }
}

// With the bar on the left the client moves right, the bar is the same bar
// and the corner, when it touches the form's bottom-left client corner, sizes
// the form there with the grip facing that corner.
TEST_F(ScrollWnd, LeftBarAndItsCorner)
{
    RECT client;
    GetClientRect(form->Handle(), &client);
    const int cw = 120, ch = 100;
    HWND right = Logger(client.right - cw, client.bottom - ch, cw, ch, WS_VSCROLL | WS_HSCROLL);
    HWND left = Logger(0, client.bottom - ch, cw, ch, WS_VSCROLL | WS_HSCROLL);
    SetWindowLongPtrW(left, GWL_EXSTYLE, GetWindowLongPtrW(left, GWL_EXSTYLE) | WS_EX_LEFTSCROLLBAR);
    TkvScrollWnd* wr = Wrap(right);
    TkvScrollWnd* wl = Wrap(left);
    EXPECT_TRUE(wl->LeftScrollBar);
    EXPECT_FALSE(wr->LeftScrollBar);

    const int thickness = GetSystemMetrics(SM_CXVSCROLL);
    RECT lc;
    GetClientRect(left, &lc);
    POINT origin{0, 0};
    ClientToScreen(left, &origin);
    RECT lv = wl->VertBarRect(), lh = wl->HorzBarRect();
    EXPECT_EQ(lv.right - lv.left, thickness);
    EXPECT_EQ(origin.x, lv.right) << "the client starts after the bar";
    EXPECT_EQ(lc.right, cw - thickness);
    EXPECT_EQ(lh.left, lv.right) << "the horizontal bar starts after the corner";

    POINT mid{(lv.left + lv.right) / 2, (lv.top + lv.bottom) / 2};
    EXPECT_EQ(SendMessageW(left, WM_NCHITTEST, 0, MAKELPARAM(mid.x, mid.y)), HTVSCROLL);
    POINT corner{(lv.left + lv.right) / 2, (lh.top + lh.bottom) / 2};
    EXPECT_EQ(SendMessageW(left, WM_NCHITTEST, 0, MAKELPARAM(corner.x, corner.y)), HTBOTTOMLEFT);

    auto ls = PrintWindowPixels(left), rs = PrintWindowPixels(right);
    RECT lvw = ToWindow(left, lv), rvw = ToWindow(right, wr->VertBarRect());
    RECT lhw = ToWindow(left, lh), rhw = ToWindow(right, wr->HorzBarRect());
    int barDiff = 0;
    for (int y = 0; y < lvw.bottom - lvw.top; ++y)
        for (int x = 0; x < thickness; ++x)
            barDiff += At(*ls, lvw.left + x, lvw.top + y) != At(*rs, rvw.left + x, rvw.top + y);
    EXPECT_EQ(barDiff, 0) << "the vertical bars look the same on either side";
    int mirrored = 0, straight = 0;
    int size = lhw.bottom - lhw.top;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < thickness; ++x) {
            COLORREF l = At(*ls, lvw.left + x, lhw.top + y);
            mirrored += l != At(*rs, rvw.right - 1 - x, rhw.top + y);
            straight += l != At(*rs, rvw.left + x, rhw.top + y);
        }
    EXPECT_EQ(mirrored, 0) << "the left corner is the right one mirrored";
    EXPECT_GT(straight, 0) << "the grip faces the bottom-left corner";
}

// Messages after which a window may have drawn its own bars over the skinned
// ones (the focus moved, the wheel turned) paint the skinned bars again; a
// context menu request reaches the window.
TEST_F(ScrollWnd, BarsComeBackAfterFocusAndWheel)
{
    HWND wnd = Logger(10, 10, 120, 140);
    TkvScrollWnd* w = Wrap(wnd);
    struct Row {
        const char* what;
        UINT msg;
        WPARAM w;
    } rows[] = {{"focus changed", CM_FOCUSCHANGED, 0},
                {"wheel", WM_MOUSEWHEEL, MAKEWPARAM(0, 0)},
                {"wheel of the class library", CM_MOUSEWHEEL, MAKEWPARAM(0, 0)}};
    int pos = 0;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        w->RefreshScrollBars(false);
        // The system draws its own bar at a new position, as a window's own scrolling does.
        pos += 20;
        SCROLLINFO si{sizeof(si), SIF_POS, 0, 0, 0, pos, 0};
        SetScrollInfo(wnd, SB_VERT, &si, TRUE);
        auto expected = DrawnBar(w);
        ASSERT_GT(Differing(*WindowBar(w), *expected), 0) << "the system's own bar is shown";
        SendMessageW(wnd, r.msg, r.w, 0);
        EXPECT_EQ(Differing(*WindowBar(w), *expected), 0);
    }

    SendMessageW(wnd, WM_CONTEXTMENU, WPARAM(wnd), MAKELPARAM(20, 20));
    ASSERT_FALSE(scrollLog.empty());
    EXPECT_EQ(scrollLog.back().msg, UINT(WM_CONTEXTMENU));
}

// A hidden combo box of no name is made again together with its list, and its
// own wrapper answers for that: the re-creation notice stops at the scrolling
// wrapper then, and reaches the control in every other case.
TEST_F(ScrollWnd, RecreateNoticeStopsOnlyForAHiddenUnnamedComboBox)
{
    struct Row {
        const char* name;
        bool visible;
        const wchar_t* componentName;
        bool reaches;
    };
    for (const Row& r : {Row{"hidden, no name", false, L"", false}, Row{"shown, no name", true, L"", true},
                         Row{"hidden, named", false, L"cbxKind", true}}) {
        SCOPED_TRACE(r.name);
        auto* combo = new TComboBox(form);
        combo->SetName(r.componentName);
        combo->SetParent(form);
        combo->SetBounds(10, 10, 120, 24);
        combo->SetVisible(r.visible);
        combo->HandleNeeded();
        int seen = 0;
        TWndMethod own = combo->WindowProc;
        combo->WindowProc = [&seen, own](TMessage& m) {
            if (m.Msg == CM_RECREATEWND) ++seen;
            own(m);
        };
        TsCommonData data(combo, true);
        {
            std::unique_ptr<TkvScrollWnd> w(CreateWrapper<TkvScrollWnd>(combo->Handle(), &data, manager, L"", false));
            SendMessageW(combo->Handle(), CM_RECREATEWND, 0, 0);
            EXPECT_EQ(seen > 0, r.reaches);
        }
        combo->WindowProc = own;
        delete combo;
    }
}

// A bar stands on its parent's picture: over a picture of two colours each
// half equals the bar over that colour, enabled (where the rounded corners let
// it through) and disabled (mixed 0.4 toward it everywhere).
TEST_F(ScrollWnd, DisabledBarMixesTowardTheParentsPicture)
{
    HWND wnd = Logger(10, 10, 120, 140);
    TkvScrollWnd* w = Wrap(wnd);
    const TkvBarPaintRequest q = VertRequest(w);
    const TColor red = TColor(RGB(200, 40, 40)), blue = TColor(RGB(40, 40, 200));
    // The parent's picture: red above row 60, blue below; the bar stands at (5, 10) in it.
    TBitmap picture;
    picture.SetPixelFormat(TPixelFormat::pf32bit);
    picture.SetSize(40, 200);
    PixelView pv = picture.View();
    for (int y = 0; y < pv.height; ++y)
        for (int x = 0; x < pv.width; ++x)
            pv.At(x, y) = 0xFF000000u | px::ExchangeRedBlue(uint32_t(y < 60 ? red : blue));
    auto paint = [&](TColor colour, TBitmap* under, bool enabled) {
        TkvBarPaintRequest p = q;
        p.Enabled = enabled;
        p.BgColor = colour;
        p.BgBitmap = under;
        p.BgX = 5;
        p.BgY = 10;
        return Painted(p);
    };
    // Colours as the screen shows them (the bitmap's alpha is not copied).
    auto differing = [](TBitmap& a, TBitmap& b, int fromRow, int toRow) {
        PixelView av = a.View(), bv = b.View();
        int n = 0;
        for (int y = fromRow; y < toRow; ++y)
            for (int x = 0; x < av.width; ++x) n += (av.At(x, y) & 0xFFFFFFu) != (bv.At(x, y) & 0xFFFFFFu);
        return n;
    };
    const int split = 60 - 10;   // the picture's colour change in bar rows
    for (bool enabled : {false, true}) {
        SCOPED_TRACE(enabled ? "enabled" : "disabled");
        auto overRed = paint(red, nullptr, enabled), overBlue = paint(blue, nullptr, enabled);
        auto overPicture = paint(TColor(RGB(0, 200, 0)), &picture, enabled);
        // An enabled bar covers what it stands on (the rounded corners of its
        // buttons and thumb show its own track); a disabled bar shows it everywhere.
        if (enabled)
            EXPECT_EQ(differing(*overRed, *overBlue, 0, q.Length), 0);
        else
            EXPECT_GT(differing(*overRed, *overBlue, 0, q.Length), q.Length * q.Thickness / 2);
        EXPECT_EQ(differing(*overPicture, *overRed, 0, split), 0) << "red part of the picture";
        EXPECT_EQ(differing(*overPicture, *overBlue, split, q.Length), 0) << "blue part of the picture";
    }
}

// A bar disabled as a whole (both arrows, the way EnableScrollBar does it)
// looks disabled and a click on its arrow scrolls nothing; enabled, the same
// click scrolls. (Wine's own bar scrolls even when disabled, so the plain
// window is no reference here.)
TEST_F(ScrollWnd, DisabledBarLooksDisabledAndIgnoresClicks)
{
    struct Row {
        const char* what;
        UINT arrows;   // EnableScrollBar's flags
        bool scrolls;
    } rows[] = {{"enabled", ESB_ENABLE_BOTH, true}, {"both arrows disabled", ESB_DISABLE_BOTH, false}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        HWND wnd = Logger(20, 20, 120, 200);
        TkvScrollWnd* w = Wrap(wnd);
        EnableScrollBar(wnd, SB_VERT, r.arrows);
        RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
        Pump(50);
        EXPECT_EQ(Differing(*ScreenBar(w), *DrawnBar(w, r.scrolls)), 0) << (r.scrolls ? "enabled" : "disabled");
        scrollLog.clear();
        ClickAt(VertPart(w, scrollgeo::PartArrow2));
        std::vector<LogEntry> s = ScrollsOnly();
        auto step = [](const LogEntry& e) { return LOWORD(e.w) == SB_LINEDOWN; };
        EXPECT_EQ(std::count_if(s.begin(), s.end(), step) > 0, r.scrolls);
        MouseTo(POINT{0, 0});
        DestroyWindow(wnd);
    }
}

// The corners of the arrows and the thumb are the key colour in the skin's
// masks: there the bar shows the track painted under the part.
TEST_F(ScrollWnd, KeyPixelsOfPartsShowTheTrack)
{
    HWND wnd = Logger(20, 20, 120, 200);
    TkvScrollWnd* w = Wrap(wnd);
    TkvBarPaintRequest q = VertRequest(w);
    q.BgColor = TColor(RGB(200, 40, 40));
    ASSERT_TRUE(q.Layout.ThumbFits);
    ASSERT_LT(q.Layout.ThumbStart + q.Layout.ThumbSize / 2, q.Length / 2) << "the thumb lies on the first track";
    TBitmap bar, tracks;
    ASSERT_TRUE(PaintScrollBarBitmap(manager, q, &bar));
    // The same bar without its arrows and thumb: the first track over the upper half.
    TkvBarPaintRequest bare = q;
    bare.Layout.Arrow = 0;
    bare.Layout.ThumbFits = false;
    ASSERT_TRUE(PaintScrollBarBitmap(manager, bare, &tracks));
    struct Row {
        const char* what;
        int x, y;
    } rows[] = {{"first arrow, top left", 0, 0},
                {"first arrow, top right", q.Thickness - 1, 0},
                {"thumb, top left", 0, q.Layout.ThumbStart},
                {"thumb, top right", q.Thickness - 1, q.Layout.ThumbStart}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        COLORREF under = At(tracks, row.x, row.y);
        EXPECT_NE(under, COLORREF(0)) << "the track is not black";
        EXPECT_EQ(At(bar, row.x, row.y), under);
    }
}

// The mouse going straight from one window's hot bar onto another's: the first
// shows its skinned bar at rest, not the system's.
TEST_F(ScrollWnd, BarThatStopsBeingHotStaysSkinned)
{
    HWND a = Logger(20, 20, 120, 200), b = Logger(150, 20, 120, 200);
    TkvScrollWnd* wa = Wrap(a);
    TkvScrollWnd* wb = Wrap(b);
    MouseTo(VertPart(wa, scrollgeo::PartArrow2));
    Pump(100);
    ASSERT_GT(Differing(*ScreenBar(wa), *DrawnBar(wa)), 0) << "the arrow under the mouse is hot";
    MouseTo(VertPart(wb, scrollgeo::PartArrow2));
    Pump(150);
    EXPECT_EQ(Differing(*ScreenBar(wa), *DrawnBar(wa)), 0);
    MouseTo(POINT{0, 0});
    Pump(100);
    EXPECT_EQ(Differing(*ScreenBar(wb), *DrawnBar(wb)), 0);
}

// A bar changed by a call from outside the window's messages is shown skinned
// again shortly after (the system draws its own at once).
TEST_F(ScrollWnd, BarChangedFromOutsideIsShownSkinned)
{
    HWND wnd = Logger(20, 20, 120, 200);
    TkvScrollWnd* w = Wrap(wnd);
    struct Row {
        const char* what;
        std::function<void()> change;
        bool enabled;
    } rows[] = {
        {"position", [&] {
             SCROLLINFO si{sizeof(si), SIF_POS, 0, 0, 0, 50, 0};
             SetScrollInfo(wnd, SB_VERT, &si, TRUE);
         }, true},
        {"range", [&] {
             SCROLLINFO si{sizeof(si), SIF_RANGE, 0, 300, 0, 0, 0};
             SetScrollInfo(wnd, SB_VERT, &si, TRUE);
         }, true},
        {"disabled", [&] { EnableScrollBar(wnd, SB_VERT, ESB_DISABLE_BOTH); }, false},
        {"enabled again", [&] { EnableScrollBar(wnd, SB_VERT, ESB_ENABLE_BOTH); }, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        r.change();
        Pump(300);
        EXPECT_EQ(Differing(*ScreenBar(w), *DrawnBar(w, r.enabled)), 0);
    }
}

// A window wrapped while its manager has no skin keeps the system's bars, and
// shows skinned ones once the skin comes.
TEST_F(ScrollWnd, SkinComingAfterTheWrapperSkinsTheBars)
{
    TsSkinManager* later = SampleManager(false);
    HWND wnd = Logger(20, 20, 120, 200);
    wrappers.emplace_back(CreateWrapper<TkvScrollWnd>(wnd, nullptr, later, L"", true));
    TkvScrollWnd* w = wrappers.back().get();
    Pump(50);
    EXPECT_FALSE(w->VertBar->Visible) << "the system reserves the room";
    later->SetSkinName(L"Slate");
    ASSERT_TRUE(later->SkinData().Active);
    Pump(400);
    EXPECT_TRUE(w->VertBar->Visible);
    EXPECT_EQ(Differing(*ScreenBar(w), *DrawnBar(w, true, later)), 0);
}

// A freed wrapper leaves the window its own bars: its frame shows what the
// same window never wrapped shows.
TEST_F(ScrollWnd, FreedWrapperLeavesTheSystemsBar)
{
    HWND wnd = Logger(20, 20, 120, 200), twin = Logger(200, 20, 120, 200);
    Wrap(wnd);
    RECT before;
    GetClientRect(wnd, &before);
    wrappers.clear();
    Pump(100);
    auto frame = [](HWND h) {
        RECT r;
        GetWindowRect(h, &r);
        return ScreenRect(r);
    };
    EXPECT_EQ(Differing(*frame(wnd), *frame(twin)), 0);
    RECT after;
    GetClientRect(wnd, &after);
    EXPECT_EQ(after.right, before.right);
    EXPECT_EQ(GetWrapper(wnd), nullptr);
}

// A bar painted again shows what a fresh paint of it shows: the picture kept
// from the last paint is not shown once the skin is recoloured, switched or
// loaded again, nor after a resize or a scroll. Each change comes right after
// the bar was painted (and its picture kept), and each does change the bar.
TEST_F(ScrollWnd, RepaintedBarMatchesAFreshPaint)
{
    HWND wnd = Logger(20, 20, 120, 200, WS_VSCROLL | WS_HSCROLL);
    TkvScrollWnd* w = Wrap(wnd);
    auto repaint = [&] {
        RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
        Pump(50);
    };
    struct Row {
        const char* what;
        std::function<void()> change;
    } rows[] = {
        {"nothing changed", [] {}},
        {"hue", [&] { manager->SetHueOffset(120); }},
        {"saturation", [&] { manager->SetSaturation(-60); }},
        {"another skin", [&] {
             // The dark sample skin, from the sources (the program's folder has only the first).
             manager->SetSkinDirectory(EnvPath("TALVERA_TESTDATA") + L"\\..\\..\\skins");
             manager->SetSkinName(L"Graphite");
             ASSERT_EQ(manager->SkinName(), L"Graphite");
         }},
        {"the first skin again", [&] {
             manager->SetHueOffset(0);
             manager->SetSaturation(0);
             manager->SetSkinName(L"Slate");
         }},
        {"taller", [&] { SetWindowPos(wnd, nullptr, 0, 0, 120, 260, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE); }},
        {"scrolled", [&] {
             SCROLLINFO si{sizeof(si), SIF_POS, 0, 0, 0, 60, 0};
             SetScrollInfo(wnd, SB_VERT, &si, FALSE);
         }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        repaint();
        auto before = ScreenBar(w);
        r.change();
        ASSERT_TRUE(manager->SkinData().Active);
        repaint();
        auto shown = ScreenBar(w);
        EXPECT_EQ(Differing(*shown, *DrawnBar(w)), 0);
        if (std::string_view(r.what) != "nothing changed") {
            EXPECT_NE(Differing(*before, *shown), 0) << "the change shows";
        }
        repaint();
        EXPECT_EQ(Differing(*ScreenBar(w), *shown), 0) << "painted again unchanged";
    }
}

// A skin loaded again under the same name and hue, its master picture changed
// on disk meanwhile, shows the new pixels on a repainted bar: after one load,
// after two loads with no paint between them, and after the loaded master
// picture was changed in place and the manager told so. The window is no
// control of the class library, so no skin command reaches its wrapper: only
// what the kept picture was painted from tells the skins apart.
TEST_F(ScrollWnd, SkinLoadedAgainWithNewPicturesShowsThem)
{
    const String source = EnvPath("TALVERA_CONTENT") + L"\\Skins\\Slate\\";
    for (const wchar_t* f : {L"Options.dat", L"MASTER.BMP", L"BUTTON.PNG", L"SHADOW.PNG", L"OLDGROUP.BMP",
                             L"SLIDER.BMP", L"TOOLBAR.JPG", L"FORM.JPG", L"GLOWCLOSE.PNG", L"GLOWMAX.PNG",
                             L"GLOWMIN.PNG"})
        dir.WriteFile(String(L"Slate\\") + f, ReadBytes(source + f));
    const std::string master = ReadBytes(source + L"MASTER.BMP");
    ASSERT_GT(master.size(), 54u);
    ASSERT_EQ(master[28], 24) << "a 24-bit master picture";
    // Every colour but the transparent magenta changed by k (each k gives other colours).
    const uint8_t kMagenta[3] = {0xFF, 0, 0xFF};   // blue, green, red
    auto changeColour = [&](uint8_t* bgr, int k) {
        if (!std::equal(bgr, bgr + 3, kMagenta))
            for (int c = 0; c < 3; ++c) bgr[c] ^= uint8_t(0x28 * k);
    };
    // The master picture's file with its colours changed by k.
    auto changedFile = [&](int k) {
        std::string b = master;
        const size_t offBits = uint8_t(b[10]) | uint8_t(b[11]) << 8 | uint8_t(b[12]) << 16;
        for (size_t i = offBits; i + 3 <= b.size(); i += 3) changeColour(reinterpret_cast<uint8_t*>(&b[i]), k);
        return b;
    };
    TsSkinManager* m = SmallManager(false);
    m->SetSkinName(L"Slate");
    ASSERT_TRUE(m->SkinData().Active);
    HWND wnd = Logger(20, 20, 120, 200);
    wrappers.emplace_back(CreateWrapper<TkvScrollWnd>(wnd, nullptr, m, L"", true));
    TkvScrollWnd* w = wrappers.back().get();
    auto repaint = [&] {
        RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
        Pump(50);
    };
    int k = 0;
    auto loadChanged = [&] {
        dir.WriteFile(L"Slate\\MASTER.BMP", changedFile(++k));
        m->SetSkinName(L"Slate");
    };
    struct Row {
        const char* what;
        std::function<void()> change;
    } rows[] = {
        {"loaded once", loadChanged},
        {"loaded twice before a paint", [&] {
             loadChanged();
             loadChanged();
         }},
        {"the loaded master picture changed in place", [&] {
             PixelBitmap& p = *m->MasterBitmap();
             ++k;
             for (int y = 0; y < p.Height(); ++y)
                 for (int x = 0; x < p.Width(); ++x) changeColour(reinterpret_cast<uint8_t*>(&p.Row(y)[x]), k);
             m->SkinChanged();
         }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        repaint();
        auto before = ScreenBar(w);
        r.change();
        ASSERT_TRUE(m->SkinData().Active);
        ASSERT_EQ(m->SkinName(), L"Slate");
        repaint();
        auto shown = ScreenBar(w);
        EXPECT_EQ(Differing(*shown, *DrawnBar(w, true, m)), 0) << "the new pictures show";
        EXPECT_NE(Differing(*before, *shown), 0) << "the change shows";
    }
}
