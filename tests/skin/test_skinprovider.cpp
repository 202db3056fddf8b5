// The form skin provider on real forms under Wine: what it does to the
// window's style, client area and region, the hit codes it answers, its
// caption buttons, its creation rules, and how it leaves the WindowProc chain.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <stdexcept>

#include "classlib/Subclass.h"
#include "classlib/TypInfo.h"
#include "skin/core/Animations.h"
#include "skin/core/BgRequest.h"
#include "skin/forms/SkinProvider.h"
#include "skin/graphics/DwmApi.h"
#include "tests/skin/SkinRuntimeFixture.h"

using namespace skintest;

namespace {

// A layer in the form's WindowProc chain that counts what passes through it.
struct CountingHook {
    explicit CountingHook(TControl* c) { hook.Hook(c, TWndMethod(this, &CountingHook::Proc)); }
    void Proc(TMessage& m)
    {
        if (m.Msg == kProbe)
            ++probes;
        seen.push_back(m.Msg);
        hook.CallPrevious(m);
    }
    bool Saw(UINT msg) const { return std::find(seen.begin(), seen.end(), msg) != seen.end(); }
    static constexpr UINT kProbe = WM_APP + 77;
    TWindowProcHook hook;
    int probes = 0;
    std::vector<UINT> seen;
};

LRESULT SendCommand(HWND wnd, unsigned command, LPARAM l = 0)
{
    return SendMessageW(wnd, SkinCommandMessage, MakeSkinCmdWParam(command), l);
}

bool HasStyle(HWND wnd, LONG bit) { return (GetWindowLongW(wnd, GWL_STYLE) & bit) != 0; }

RECT ClientRectOf(HWND wnd)
{
    RECT r{};
    GetClientRect(wnd, &r);
    return r;
}

class ProviderTest : public SkinRuntime {
protected:
    TSkinTestForm* ShownForm(int w = 400, int h = 300)
    {
        TSkinTestForm* f = NewForm(w, h);
        f->Show();
        Pump(30);
        return f;
    }
    // Where the close, maximise and minimise buttons of the sample skin's big
    // buttons sit on a sizeable form without border window, from the layout
    // rules: from the right, frame and BIRIGHT inside, BISPACE between,
    // centred on caption / 2 + frame / 2 (+2 when zoomed).
    POINT ButtonCenter(HWND wnd, int index, TsSkinManager* m)
    {
        RECT wr{};
        GetWindowRect(wnd, &wr);
        const bool zoomed = IsZoomed(wnd) != 0;
        const int frame = GetSystemMetrics(SM_CXFRAME);
        const int caption = GetSystemMetrics(SM_CYCAPTION);
        const int w = 21, space = m->SkinData().BISpace;
        const int right = (wr.right - wr.left) - m->SkinData().BIRight - frame - index * (w + space);
        const int centerY = caption / 2 + frame / 2 + (zoomed ? 2 : 0);
        return POINT{wr.left + right - w / 2 - 1, wr.top + centerY};
    }
    int HitAt(HWND wnd, POINT screen) { return int(SendMessageW(wnd, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y))); }
    void ClickNc(HWND wnd, POINT screen)
    {
        const int code = HitAt(wnd, screen);
        SendMessageW(wnd, WM_NCLBUTTONDOWN, code, MAKELPARAM(screen.x, screen.y));
        SendMessageW(wnd, WM_NCLBUTTONUP, code, MAKELPARAM(screen.x, screen.y));
        Pump(30);
    }
};

TEST_F(ProviderTest, SkinningKeepsTheClientAreaAndTakesTheSystemMenuAway)
{
    TsSkinManager* m = SampleManager();
    TSkinTestForm* f = ShownForm();
    HWND wnd = f->Handle();
    const RECT before = ClientRectOf(wnd);
    ASSERT_TRUE(HasStyle(wnd, WS_SYSMENU));

    TsSkinProvider* p = TsSkinProvider::Create(f);
    ASSERT_TRUE(p->Skinned());
    EXPECT_FALSE(HasStyle(wnd, WS_SYSMENU));
    RECT now = ClientRectOf(wnd);
    EXPECT_TRUE(EqualRect(&before, &now));
    EXPECT_EQ(SendCommand(wnd, SkinCmdIsSkinned), 1);
    EXPECT_EQ(SendCommand(wnd, SkinCmdGetProvider), reinterpret_cast<LRESULT>(p));
    EXPECT_EQ(&ProviderOf(wnd), static_cast<TsProviderSeam*>(p));

    SendCommand(wnd, SkinCmdRemoveSkin, LPARAM(m));
    EXPECT_TRUE(HasStyle(wnd, WS_SYSMENU));
    now = ClientRectOf(wnd);
    EXPECT_TRUE(EqualRect(&before, &now));
    HRGN r = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(wnd, r), ERROR) << "no region once the skin is removed";
    DeleteObject(r);
}

TEST_F(ProviderTest, RegionLeavesOutTheBorderMaskCorners)
{
    // A skin of our own whose form border mask (16 x 16, margins 4) has key
    // pixels in its corners: two at the top-left, one below them, and the
    // same mirrored at the top-right; one in each bottom corner.
    auto key = [](int x, int y) {
        if (x >= 16 || y >= 16) return false;
        const int rx = 15 - x;
        return (y == 0 && (x < 2 || rx < 2)) || (y == 1 && (x == 0 || rx == 0)) || (y == 15 && (x == 0 || rx == 0));
    };
    dir.WriteFile(L"Corners\\Options.dat", "[GLOBALINFO]\r\nVERSION=8.50\r\nMASTERBITMAP=MASTER.BMP\r\n"
                                           "[FORM]\r\nCOLOR=8421504\r\nSTATES=1\r\n"
                                           "BORDERSMASK=^0000,0000,0016,0016,0004,0004,0004,0004,1,0,0,0\r\n");
    dir.WriteFile(L"Corners\\MASTER.BMP", Master(32, 16, 0x808080, key));
    auto* m = SmallManager(false);
    m->SetSkinName(L"Corners");
    ASSERT_TRUE(m->Active());

    TSkinTestForm* f = ShownForm(300, 200);
    HWND wnd = f->Handle();
    TsSkinProvider::Create(f);
    RECT wr{};
    GetWindowRect(wnd, &wr);
    const int w = wr.right - wr.left, h = wr.bottom - wr.top;
    const RECT cuts[] = {{0, 0, 2, 1}, {0, 1, 1, 2}, {w - 2, 0, w, 1}, {w - 1, 1, w, 2}, {0, h - 1, 1, h},
                         {w - 1, h - 1, w, h}};
    HRGN expected = CreateRectRgn(0, 0, w, h);
    for (const RECT& c : cuts) {
        HRGN cut = CreateRectRgnIndirect(&c);
        CombineRgn(expected, expected, cut, RGN_DIFF);
        DeleteObject(cut);
    }
    HRGN actual = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(wnd, actual), ERROR);
    EXPECT_TRUE(EqualRgn(expected, actual));

    // A new size gives a region of the new size.
    SetWindowPos(wnd, nullptr, 0, 0, w + 40, h + 30, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Pump(20);
    ASSERT_NE(GetWindowRgn(wnd, actual), ERROR);
    EXPECT_TRUE(PtInRegion(actual, w + 39, 5));
    EXPECT_FALSE(PtInRegion(actual, w + 39, 0));
    DeleteObject(expected);
    DeleteObject(actual);
}

TEST_F(ProviderTest, HitCodesAtComputedPoints)
{
    TsSkinManager* m = SampleManager();
    TSkinTestForm* f = ShownForm();
    HWND wnd = f->Handle();
    TsSkinProvider::Create(f);
    RECT wr{};
    GetWindowRect(wnd, &wr);
    const int frame = GetSystemMetrics(SM_CXFRAME);
    const int caption = GetSystemMetrics(SM_CYCAPTION);
    POINT client{10, 10};
    ClientToScreen(wnd, &client);
    struct Row {
        const char* what;
        POINT p;
        LRESULT code;
    };
    const Row rows[] = {
        {"top-left corner", {wr.left, wr.top}, HTTOPLEFT},
        {"bottom-right corner", {wr.right - 1, wr.bottom - 1}, HTBOTTOMRIGHT},
        {"left band", {wr.left + frame - 1, wr.top + 150}, HTLEFT},
        {"right band", {wr.right - frame, wr.top + 150}, HTRIGHT},
        {"bottom band", {wr.left + 200, wr.bottom - 1}, HTBOTTOM},
        {"caption", {wr.left + 200, wr.top + frame + caption / 2}, HTCAPTION},
        {"icon", {wr.left + frame + 4, wr.top + caption / 2 + frame / 2}, HTSYSMENU},
        {"client", client, HTCLIENT},
        {"close", ButtonCenter(wnd, 0, m), HTCLOSE},
        {"maximise", ButtonCenter(wnd, 1, m), HTMAXBUTTON},
        {"minimise", ButtonCenter(wnd, 2, m), HTMINBUTTON},
    };
    for (const Row& r : rows)
        EXPECT_EQ(HitAt(wnd, r.p), r.code) << r.what;
}

TEST_F(ProviderTest, DrawnButtonsCloseMaximiseAndMinimise)
{
    TsSkinManager* m = SampleManager();
    TSkinTestForm* f = ShownForm();
    HWND wnd = f->Handle();
    TsSkinProvider::Create(f);

    ClickNc(wnd, ButtonCenter(wnd, 1, m));
    EXPECT_TRUE(IsZoomed(wnd));
    ClickNc(wnd, ButtonCenter(wnd, 1, m));
    EXPECT_FALSE(IsZoomed(wnd));

    ClickNc(wnd, ButtonCenter(wnd, 2, m));
    EXPECT_TRUE(IsIconic(wnd));
    ShowWindow(wnd, SW_RESTORE);
    Pump(30);

    // Pressed on close but let go elsewhere: nothing happens.
    const POINT close = ButtonCenter(wnd, 0, m);
    SendMessageW(wnd, WM_NCLBUTTONDOWN, HTCLOSE, MAKELPARAM(close.x, close.y));
    SendMessageW(wnd, WM_NCLBUTTONUP, HTCAPTION, MAKELPARAM(close.x - 60, close.y));
    EXPECT_TRUE(IsWindowVisible(wnd));

    ClickNc(wnd, close);
    EXPECT_FALSE(IsWindowVisible(wnd));
}

TEST_F(ProviderTest, CreationRules)
{
    SampleManager();
    TSkinTestForm* f = ShownForm();
    HWND wnd = f->Handle();

    // A non-form owner: a silent abort that leaves nothing in the owner.
    auto* panel = Add<TSkinTestPanel>(f, 0, 0, 50, 50);
    const int before = panel->ComponentCount();
    EXPECT_THROW(TsSkinProvider::Create(panel), EAbort);
    EXPECT_EQ(panel->ComponentCount(), before);

    // A provider made at run time gives way to one the program places.
    TsSkinProvider* runTime = TsSkinProvider::CreateAtRunTime(f);
    SendMessageW(wnd, WM_NCHITTEST, 0, 0);   // its deferred initialisation
    EXPECT_FALSE(runTime->CreatedAtRunTime());
    EXPECT_TRUE(runTime->Skinned());
    TsSkinProvider* placed = TsSkinProvider::Create(f);
    EXPECT_FALSE(placed->Inactive());
    EXPECT_EQ(SendCommand(wnd, SkinCmdGetProvider), reinterpret_cast<LRESULT>(placed));
    Pump(0);
    int providers = 0;
    for (int i = 0; i < f->ComponentCount(); ++i)
        providers += dynamic_cast<TsSkinProvider*>(f->Components(i)) != nullptr;
    EXPECT_EQ(providers, 1);

    // A second provider stays inactive: the first one goes on answering.
    TsSkinProvider* second = TsSkinProvider::Create(f);
    EXPECT_TRUE(second->Inactive());
    EXPECT_EQ(SendCommand(wnd, SkinCmdGetProvider), reinterpret_cast<LRESULT>(placed));
    Free(second);
    EXPECT_EQ(SendCommand(wnd, SkinCmdGetProvider), reinterpret_cast<LRESULT>(placed));
    EXPECT_FALSE(HasStyle(wnd, WS_SYSMENU));
}

TEST_F(ProviderTest, HooksAboveAndBelowComeOffInEveryOrder)
{
    SampleManager();
    // Three layers: a hook below the provider, the provider, a hook above; taken
    // away in each of the six orders, with messages flowing in between.
    std::array<int, 3> order{0, 1, 2};
    do {
        TSkinTestForm* f = ShownForm();
        HWND wnd = f->Handle();
        auto below = std::make_unique<CountingHook>(f);
        TsSkinProvider* p = TsSkinProvider::Create(f);
        auto above = std::make_unique<CountingHook>(f);
        int removed = 0;
        for (int layer : order) {
            if (layer == 0) below.reset();
            if (layer == 1) Free(std::exchange(p, nullptr));
            if (layer == 2) above.reset();
            ++removed;
            const LRESULT hit = SendMessageW(wnd, WM_NCHITTEST, 0, 0);
            (void)hit;
            SendMessageW(wnd, CountingHook::kProbe, 0, 0);
            if (below) {
                EXPECT_EQ(below->probes, removed);
            }
            if (above) {
                EXPECT_EQ(above->probes, removed);
            }
            if (!p) {
                EXPECT_TRUE(HasStyle(wnd, WS_SYSMENU)) << "the style comes back with the provider gone";
            }
        }
        f->Close();
        Pump(10);
        EXPECT_FALSE(IsWindowVisible(wnd));
        Free(f);
        forms.erase(std::find(forms.begin(), forms.end(), f));
        Pump(10);
    } while (std::next_permutation(order.begin(), order.end()));
}

// A scroll wrapper hooked after the provider that passes a removed skin on to it.
struct FakeScrollWrapper : TsFormScrollWrapper {
    explicit FakeScrollWrapper(TCustomForm* f) { hook.Hook(f, TWndMethod(this, &FakeScrollWrapper::Proc)); }
    ~FakeScrollWrapper() override
    {
        if (inProc) freedInProc = true;
        ++freed;
    }
    void Proc(TMessage& m)
    {
        inProc = true;
        hook.CallPrevious(m);
        inProc = false;
        ++handled;   // a use of this object after the call
    }
    TWindowProcHook hook;
    bool inProc = false;
    int handled = 0;
    static inline bool freedInProc = false;
    static inline int freed = 0;
};

TEST_F(ProviderTest, ScrollWrapperIsFreedOnlyAfterItsMessageReturned)
{
    TsSkinManager* m = SampleManager();
    TSkinTestForm* f = ShownForm();
    FakeScrollWrapper::freedInProc = false;
    FakeScrollWrapper::freed = 0;
    FormScrollWrapperFactory = [](TsSkinProvider& p) -> TsFormScrollWrapper* { return new FakeScrollWrapper(p.FormOf()); };
    TsSkinProvider* p = TsSkinProvider::Create(f);
    p->CreateScrollWrapper();
    ASSERT_NE(p->ScrollWrapper(), nullptr);
    SendCommand(f->Handle(), SkinCmdRemoveSkin, LPARAM(m));
    FormScrollWrapperFactory = nullptr;
    EXPECT_EQ(p->ScrollWrapper(), nullptr);
    EXPECT_EQ(FakeScrollWrapper::freed, 1);
    EXPECT_FALSE(FakeScrollWrapper::freedInProc);
    // The form still works through its chain.
    EXPECT_EQ(SendCommand(f->Handle(), SkinCmdGetProvider), reinterpret_cast<LRESULT>(p));
}

TEST_F(ProviderTest, ScreenSnapAt9And10Pixels)
{
    SampleManager();
    TSkinTestForm* f = ShownForm();
    HWND wnd = f->Handle();
    TsSkinProvider* p = TsSkinProvider::Create(f);
    p->ScreenSnap = true;
    MONITORINFO mi{sizeof mi};
    GetMonitorInfoW(MonitorFromWindow(wnd, MONITOR_DEFAULTTONEAREST), &mi);
    const int rows[][2] = {{9, 0}, {10, 10}, {-9, 0}};
    for (auto& r : rows) {
        SetWindowPos(wnd, nullptr, mi.rcWork.left + r[0], mi.rcWork.top + 100, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        RECT wr{};
        GetWindowRect(wnd, &wr);
        EXPECT_EQ(wr.left - mi.rcWork.left, r[1]) << "moved to " << r[0];
    }
    p->ScreenSnap = false;
    SetWindowPos(wnd, nullptr, mi.rcWork.left + 9, mi.rcWork.top + 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    RECT wr{};
    GetWindowRect(wnd, &wr);
    EXPECT_EQ(wr.left - mi.rcWork.left, 9);
}

// Full-window dragging on for a scope, as the border-drag mode expects it.
struct FullDragScope {
    FullDragScope()
    {
        SystemParametersInfoW(SPI_GETDRAGFULLWINDOWS, 0, &saved, 0);
        SystemParametersInfoW(SPI_SETDRAGFULLWINDOWS, TRUE, nullptr, 0);
    }
    ~FullDragScope() { SystemParametersInfoW(SPI_SETDRAGFULLWINDOWS, saved, nullptr, 0); }
    BOOL saved = FALSE;
};

TEST_F(ProviderTest, BorderDragFollowsTheMouseAndEndsCleanlyOnCaptureLoss)
{
    SampleManager();
    FullDragScope full;
    TSkinTestForm* f = ShownForm();
    HWND wnd = f->Handle();
    TsSkinProvider* p = TsSkinProvider::Create(f);
    p->ResizeMode = TsResizeMode::rmBorder;
    RECT start{};
    GetWindowRect(wnd, &start);
    const POINT edge{start.right - 1, start.top + 150};
    ASSERT_EQ(HitAt(wnd, edge), HTRIGHT);

    auto begin = [&] {
        SendMessageW(wnd, WM_NCLBUTTONDOWN, HTRIGHT, MAKELPARAM(edge.x, edge.y));
        EXPECT_TRUE(TsSkinProvider::BorderDragActive());
        EXPECT_EQ(GetCapture(), wnd);
        POINT to{edge.x + 50, edge.y};
        ScreenToClient(wnd, &to);
        SendMessageW(wnd, WM_MOUSEMOVE, 0, MAKELPARAM(to.x, to.y));
        // The edge keeps its distance to the mouse: the pixel grabbed stays under it.
        EXPECT_EQ(TsSkinProvider::BorderDragFrame().right, start.right + 50);
        return to;
    };

    // Capture taken away: the drag ends where it is, the form keeps its size.
    begin();
    ReleaseCapture();
    Pump(10);
    EXPECT_FALSE(TsSkinProvider::BorderDragActive());
    RECT now{};
    GetWindowRect(wnd, &now);
    EXPECT_TRUE(EqualRect(&now, &start));

    // Esc cancels too.
    begin();
    SendMessageW(wnd, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_FALSE(TsSkinProvider::BorderDragActive());
    EXPECT_NE(GetCapture(), wnd);

    // Let go: the form takes the frame.
    POINT up = begin();
    SendMessageW(wnd, WM_LBUTTONUP, 0, MAKELPARAM(up.x, up.y));
    EXPECT_FALSE(TsSkinProvider::BorderDragActive());
    GetWindowRect(wnd, &now);
    EXPECT_EQ(now.right - now.left, start.right - start.left + 50);
    EXPECT_EQ(now.bottom - now.top, start.bottom - start.top);
}

TEST_F(ProviderTest, AnnounceToEditorStopsOnAnswerOneAndTriesAtMost101Times)
{
    TsEditorLink saved = EditorLink();
    HWND fakeEditor = reinterpret_cast<HWND>(0x1234);
    struct Row {
        const char* what;
        bool editor;
        int answerOneAt;   // 0: never
        bool mainForm;
        int tries;
    };
    const Row rows[] = {
        {"no editor", false, 0, true, 0},
        {"answer 1 on the third try", true, 3, true, 3},
        {"never answered", true, 0, true, 101},
        {"not the main form", true, 1, false, 0},
    };
    for (const Row& r : rows) {
        PreviewMode = true;
        EditorLinkForm = nullptr;
        int sent = 0;
        EditorLink().Find = [&] { return r.editor ? fakeEditor : nullptr; };
        EditorLink().Announce = [&](HWND editor, HWND) -> LRESULT {
            EXPECT_EQ(editor, fakeEditor);
            return ++sent == r.answerOneAt ? 1 : 0;
        };
        EXPECT_EQ(AnnounceToEditor(reinterpret_cast<HWND>(0x42), r.mainForm), r.tries) << r.what;
        EXPECT_EQ(sent, r.tries) << r.what;
    }
    // Only one form per run is announced.
    PreviewMode = true;
    EditorLinkForm = nullptr;
    EditorLink().Find = [&] { return fakeEditor; };
    EditorLink().Announce = [](HWND, HWND) -> LRESULT { return 0; };
    EXPECT_EQ(AnnounceToEditor(reinterpret_cast<HWND>(0x42), true), 101);
    EXPECT_EQ(AnnounceToEditor(reinterpret_cast<HWND>(0x43), true), 0);
    EditorLink() = saved;
    PreviewMode = false;
    EditorLinkForm = nullptr;
}

// Recording fakes of the desktop window manager with composition on.
struct DwmRecorder {
    static inline std::vector<std::pair<DWORD, DWORD>> calls;
    static HRESULT WINAPI Composition(BOOL* on)
    {
        *on = TRUE;
        return S_OK;
    }
    static HRESULT WINAPI SetAttribute(HWND, DWORD attribute, LPCVOID value, DWORD size)
    {
        calls.emplace_back(attribute, size == 4 ? *static_cast<const DWORD*>(value) : 0xFFFFFFFF);
        return S_OK;
    }
};

TEST_F(ProviderTest, NonClientRenderingPolicyIsAttributeTwo)
{
    TsSkinManager* m = SampleManager();
    BindDwmApi();
    const auto savedOn = DwmIsCompositionEnabledFn;
    const auto savedSet = DwmSetWindowAttributeFn;
    DwmIsCompositionEnabledFn = DwmRecorder::Composition;
    DwmSetWindowAttributeFn = DwmRecorder::SetAttribute;
    DwmRecorder::calls.clear();
    TSkinTestForm* f = ShownForm();
    TsSkinProvider::Create(f);
    SendCommand(f->Handle(), SkinCmdRemoveSkin, LPARAM(m));
    DwmIsCompositionEnabledFn = savedOn;
    DwmSetWindowAttributeFn = savedSet;
    ASSERT_GE(DwmRecorder::calls.size(), 2u);
    EXPECT_EQ(DwmRecorder::calls.front(), std::make_pair(kDwmwaNcRenderingPolicy, kDwmncrpDisabled));
    EXPECT_EQ(DwmRecorder::calls.back(), std::make_pair(kDwmwaNcRenderingPolicy, kDwmncrpUseWindowStyle));
}

TEST_F(ProviderTest, LayeredAlphaOffKeepsAShownWindowShown)
{
    TSkinTestForm* f = ShownForm();
    HWND wnd = f->Handle();
    EXPECT_TRUE(TsSkinProvider::SetLayeredAlpha(wnd, true, 128));
    EXPECT_TRUE(GetWindowLongW(wnd, GWL_EXSTYLE) & WS_EX_LAYERED);
    EXPECT_FALSE(TsSkinProvider::SetLayeredAlpha(wnd, true, 200)) << "already layered";
    EXPECT_FALSE(TsSkinProvider::SetLayeredAlpha(wnd, false, 0));
    EXPECT_FALSE(GetWindowLongW(wnd, GWL_EXSTYLE) & WS_EX_LAYERED);
    EXPECT_TRUE(IsWindowVisible(wnd));
    EXPECT_EQ(WindowFromPoint(f->ClientToScreen(POINT{20, 20})), wnd);
}

// The system's minimise-animation switch as a fake: its value, and every
// write with the flag that would store it in the user's settings.
struct FakeAnimationSwitch {
    static inline int value = 1;
    static inline std::vector<UINT> writeFlags;
    static BOOL WINAPI Call(UINT action, UINT, PVOID param, UINT winIni)
    {
        auto* info = static_cast<ANIMATIONINFO*>(param);
        if (action == SPI_GETANIMATION) {
            info->iMinAnimate = value;
            return TRUE;
        }
        if (action == SPI_SETANIMATION) {
            value = info->iMinAnimate;
            writeFlags.push_back(winIni);
            return TRUE;
        }
        return FALSE;
    }
};

TEST(SystemAnimation, SwitchedOffForAScopeAndRestoredOnEveryWayOut)
{
    const TSystemParametersInfoFn saved = SystemParametersInfoFn;
    SystemParametersInfoFn = FakeAnimationSwitch::Call;
    FakeAnimationSwitch::value = 1;
    FakeAnimationSwitch::writeFlags.clear();
    {
        TsSystemAnimationOff off;
        EXPECT_EQ(FakeAnimationSwitch::value, 0);
    }
    EXPECT_EQ(FakeAnimationSwitch::value, 1);
    try {
        TsSystemAnimationOff off;
        EXPECT_EQ(FakeAnimationSwitch::value, 0);
        throw std::runtime_error("in an animation");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(FakeAnimationSwitch::value, 1);
    // Already off: nothing to switch, nothing written.
    FakeAnimationSwitch::value = 0;
    { TsSystemAnimationOff off; }
    EXPECT_EQ(FakeAnimationSwitch::value, 0);
    // Four writes, none of them to the user's stored settings.
    EXPECT_EQ(FakeAnimationSwitch::writeFlags, (std::vector<UINT>{0, 0, 0, 0}));
    SystemParametersInfoFn = saved;
}

TEST_F(ProviderTest, MessagesPassedOnSwallowedOrAnswered)
{
    SampleManager();
    TSkinTestForm* f = ShownForm();
    HWND wnd = f->Handle();
    CountingHook below(f);
    TsSkinProvider* p = TsSkinProvider::Create(f);
    struct Row {
        const char* what;
        UINT msg;
        WPARAM w;
        bool passedOn;
        LRESULT result;   // -1: not checked
    };
    const Row rows[] = {
        {"WM_INITMENUPOPUP is always passed on", WM_INITMENUPOPUP, 0, true, -1},
        {"WM_PRINTCLIENT is swallowed", WM_PRINTCLIENT, 0, false, 0},
        {"WM_ENTERIDLE answers 0", WM_ENTERIDLE, 0, false, 0},
        {"editor link 4 answers 1", SkinEditorLinkMessage, 4, false, 1},
        {"editor link 2 is ignored", SkinEditorLinkMessage, 2, false, 0},
        {"editor link 3 is passed on", SkinEditorLinkMessage, 3, true, -1},
        {"the region opt-out query answers 0", RegionOptOutQuery, RegionOptOutAnswer, false, 0},
        {"WM_NCCALCSIZE is the system's", WM_NCCALCSIZE, 0, true, -1},
    };
    for (const Row& r : rows) {
        below.seen.clear();
        RECT rc{0, 0, 100, 100};
        const LRESULT result = SendMessageW(wnd, r.msg, r.w, r.msg == WM_NCCALCSIZE ? LPARAM(&rc) : 0);
        EXPECT_EQ(below.Saw(r.msg), r.passedOn) << r.what;
        if (r.result >= 0) {
            EXPECT_EQ(result, r.result) << r.what;
        }
    }

    // Session end: the flag follows a cancelled end.
    SendMessageW(wnd, WM_QUERYENDSESSION, 0, 0);
    EXPECT_TRUE(SessionEnding);
    SendMessageW(wnd, WM_ENDSESSION, FALSE, 0);
    EXPECT_FALSE(SessionEnding);

    // The mouse leaving the frame clears the hot button.
    const POINT close = ButtonCenter(wnd, 0, p->Manager());
    SendMessageW(wnd, WM_NCMOUSEMOVE, HTCLOSE, MAKELPARAM(close.x, close.y));
    EXPECT_EQ(p->HotElement(), HTCLOSE);
    SendMessageW(wnd, WM_NCMOUSELEAVE, 0, 0);
    EXPECT_EQ(p->HotElement(), kNoElement);
}

TEST_F(ProviderTest, InsertedControlsAreAddedRemovedOnesAreNot)
{
    SampleManager();
    TSkinTestForm* f = ShownForm();
    TsSkinProvider::Create(f);
    std::vector<TControl*> added;
    AdapterAddItem = [&](TsSkinProvider&, TControl* c) { added.push_back(c); };
    auto* panel = Add<TSkinTestPanel>(f, 10, 10, 80, 60);
    EXPECT_EQ(added, std::vector<TControl*>{panel});
    EXPECT_GE(panel->Commands.Count(SkinCmdSkinState), 1);
    panel->SetParent(nullptr);
    EXPECT_EQ(added.size(), 1u) << "a removal adds nothing";
    // A pointer that is not a control of the form is not used.
    SendMessageW(f->Handle(), CM_CONTROLLISTCHANGE, WPARAM(0x1000), 1);
    EXPECT_EQ(added.size(), 1u);
    AdapterAddItem = nullptr;
    Free(panel);
}

TEST_F(ProviderTest, FormWithoutCaptionIsAnsweredByTheSystem)
{
    SampleManager();
    TSkinTestForm* f = NewForm();
    f->SetBorderStyle(TFormBorderStyle::bsNone);
    f->Show();
    Pump(20);
    CountingHook below(f);
    TsSkinProvider::Create(f);
    POINT p{5, 5};
    ClientToScreen(f->Handle(), &p);
    EXPECT_EQ(SendMessageW(f->Handle(), WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)), HTCLIENT);
    EXPECT_TRUE(below.Saw(WM_NCHITTEST));
}

// ---------------------------------------------------------------- the remaining rows

// A layer below the provider that records whether the window was visible when
// a message reached it, and can raise from it.
struct VisibilityProbe {
    explicit VisibilityProbe(TControl* c, HWND w) : wnd(w) { hook.Hook(c, TWndMethod(this, &VisibilityProbe::Proc)); }
    void Proc(TMessage& m)
    {
        if (m.Msg == watched) {
            visibleInside = IsWindowVisible(wnd) != 0;
            if (raise)
                throw std::runtime_error("raised below the provider");
        }
        hook.CallPrevious(m);
    }
    HWND wnd;
    UINT watched = 0;
    bool raise = false;
    bool visibleInside = true;
    TWindowProcHook hook;
};

TEST_F(ProviderTest, TextAndIconChangesKeepTheSystemFromPaintingAndTheFormVisible)
{
    SampleManager();
    TSkinTestForm* f = ShownForm();
    HWND wnd = f->Handle();
    VisibilityProbe probe(f, wnd);
    TsSkinProvider::Create(f);
    HICON icon = LoadIconW(nullptr, IDI_APPLICATION);
    struct Row {
        const char* what;
        UINT msg;
        WPARAM w;
        LPARAM l;
    };
    const wchar_t* text = L"New title";
    const Row rows[] = {
        {"WM_SETTEXT", WM_SETTEXT, 0, LPARAM(text)},
        {"WM_SETICON", WM_SETICON, ICON_SMALL, LPARAM(icon)},
    };
    for (const Row& r : rows) {
        probe.watched = r.msg;
        probe.raise = false;
        probe.visibleInside = true;
        SendMessageW(wnd, r.msg, r.w, r.l);
        EXPECT_FALSE(probe.visibleInside) << r.what << ": the system could paint its caption";
        EXPECT_TRUE(IsWindowVisible(wnd)) << r.what;
        // Raised below the provider: the window is visible all the same.
        probe.raise = true;
        try {
            f->Perform(r.msg, r.w, r.l);
        } catch (const std::runtime_error&) {
        }
        EXPECT_TRUE(IsWindowVisible(wnd)) << r.what << " after an exception";
        probe.raise = false;
    }
    wchar_t now[64] = {};
    GetWindowTextW(wnd, now, 64);
    EXPECT_STREQ(now, text);
    EXPECT_EQ(HICON(SendMessageW(wnd, WM_GETICON, ICON_SMALL, 0)), icon);
    probe.hook.Unhook();
}

TEST_F(ProviderTest, StylesKeepTheSystemMenuOffWhileSkinned)
{
    TsSkinManager* m = SampleManager();
    TSkinTestForm* f = ShownForm();
    HWND wnd = f->Handle();
    TsSkinProvider::Create(f);
    SetWindowLongW(wnd, GWL_STYLE, GetWindowLongW(wnd, GWL_STYLE) | WS_SYSMENU);
    EXPECT_FALSE(HasStyle(wnd, WS_SYSMENU));
    SendCommand(wnd, SkinCmdRemoveSkin, LPARAM(m));
    SetWindowLongW(wnd, GWL_STYLE, GetWindowLongW(wnd, GWL_STYLE) & ~WS_SYSMENU);
    SetWindowLongW(wnd, GWL_STYLE, GetWindowLongW(wnd, GWL_STYLE) | WS_SYSMENU);
    EXPECT_TRUE(HasStyle(wnd, WS_SYSMENU)) << "an unskinned form keeps what it is given";
}

TEST_F(ProviderTest, MaximisedFormPutsItsFrameOutsideTheWorkArea)
{
    SampleManager();
    struct Row {
        const char* what;
        int maxWidth;   // Constraints.MaxWidth, 0: none
    };
    const Row rows[] = {{"no constraints", 0}, {"a maximum width", 500}};
    for (const Row& r : rows) {
        TSkinTestForm* f = ShownForm();
        f->Constraints().MaxWidth = r.maxWidth;
        HWND wnd = f->Handle();
        TsSkinProvider* p = TsSkinProvider::Create(f);
        MONITORINFO mi{sizeof mi};
        GetMonitorInfoW(MonitorFromWindow(wnd, MONITOR_DEFAULTTONEAREST), &mi);
        const int frame = p->FormFrameWidth(false);
        ASSERT_GT(frame, 0);
        ShowWindow(wnd, SW_MAXIMIZE);
        Pump(30);
        RECT wr{};
        GetWindowRect(wnd, &wr);
        EXPECT_EQ(wr.left, mi.rcWork.left - frame) << r.what;
        EXPECT_EQ(wr.top, mi.rcWork.top - frame) << r.what;
        EXPECT_EQ(wr.bottom, mi.rcWork.bottom + frame) << r.what;
        const int width = r.maxWidth ? r.maxWidth : int(mi.rcWork.right - mi.rcWork.left) + 2 * frame;
        EXPECT_EQ(wr.right - wr.left, width) << r.what;
        ShowWindow(wnd, SW_RESTORE);
        f->Hide();
        Pump(10);
    }
}

TEST_F(ProviderTest, ChildWindowsAndTabChangesRescanTheForm)
{
    SampleManager();
    TSkinTestForm* f = ShownForm();
    HWND wnd = f->Handle();
    TsSkinProvider::Create(f);
    int rescans = 0;
    AdapterRescan = [&](TsSkinProvider&, TControl* c) { rescans += c == nullptr; };
    auto* panel = Add<TSkinTestPanel>(f, 10, 10, 80, 60);
    panel->HandleNeeded();
    Pump(10);
    EXPECT_EQ(rescans, 1) << "a child window made";
    EXPECT_GE(panel->Commands.Count(SkinCmdSkinState), 1);
    struct Row {
        UINT code;
        int rescans;
    };
    for (const Row& r : {Row{UINT(TCN_SELCHANGE), 1}, Row{UINT(TCN_SELCHANGING), 0}, Row{UINT(NM_CLICK), 0}}) {
        rescans = 0;
        NMHDR h{panel->Handle(), 1, r.code};
        SendMessageW(wnd, WM_NOTIFY, 1, LPARAM(&h));
        EXPECT_EQ(rescans, r.rescans) << "notification " << int(r.code);
    }
    AdapterRescan = nullptr;

    // A wheel nobody took goes to the skinned control under the cursor.
    CountingHook wheel(panel);
    RECT pr{};
    GetWindowRect(panel->Handle(), &pr);
    const LPARAM at = MAKELPARAM((pr.left + pr.right) / 2, (pr.top + pr.bottom) / 2);
    f->Perform(CM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), at);
    EXPECT_TRUE(wheel.Saw(WM_MOUSEWHEEL));
    wheel.seen.clear();
    RECT wr{};
    GetWindowRect(wnd, &wr);
    f->Perform(CM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(wr.right - 20, wr.bottom - 20));
    EXPECT_FALSE(wheel.Saw(WM_MOUSEWHEEL)) << "not under the cursor";
    wheel.hook.Unhook();
    Free(panel);
}

TEST_F(ProviderTest, BackgroundIsAnsweredOnlyForARequestAskedNow)
{
    SampleManager();
    TSkinTestForm* f = ShownForm();
    HWND wnd = f->Handle();
    TsSkinProvider::Create(f);
    TsBgRequest asked;
    EXPECT_EQ(GetParentBgByHandle(asked, wnd, false), 1);
    EXPECT_NE(asked.Kind, bgNone);
    const LRESULT origin = SendCommand(wnd, SkinCmdGetFrameOffset);
    EXPECT_EQ(asked.OffsetX, LOWORD(origin)) << "offsets count from the client";
    EXPECT_EQ(asked.OffsetY, HIWORD(origin));

    // The same command sent with a pointer nobody is asking with.
    TsBgRequest stray;
    stray.Kind = bgNotReady;
    EXPECT_EQ(SendCommand(wnd, SkinCmdGetBackground, LPARAM(&stray)), 0);
    EXPECT_EQ(stray.Kind, bgNotReady);
    EXPECT_EQ(stray.OffsetX, 0);
    EXPECT_EQ(SendCommand(wnd, SkinCmdGetBackground, LPARAM(0x10)), 0);
}

// Opens the menu, records where and which, and closes it.
struct MenuWatch {
    static inline HMENU menu = nullptr;
    static inline POINT at{};
    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD)
    {
        HWND popup = FindWindowW(L"#32768", nullptr);
        if (!popup || !IsWindowVisible(popup))
            return;
        KillTimer(nullptr, id);
        menu = HMENU(SendMessageW(popup, MN_GETHMENU, 0, 0));
        RECT r{};
        GetWindowRect(popup, &r);
        at = POINT{r.left, r.top};
        EndMenu();
    }
};

TEST_F(ProviderTest, SystemMenuOpensFromTheIconTheCaptionTheKeyboardAndTheTaskBar)
{
    // The real menu (the skinned one has tests of its own).
    SampleManager()->SetSkinnedPopups(false);
    TSkinTestForm* f = ShownForm();
    HWND wnd = f->Handle();
    TsSkinProvider* p = TsSkinProvider::Create(f);
    HMENU sysMenu = GetSystemMenu(wnd, FALSE);
    ASSERT_NE(sysMenu, nullptr);
    RECT wr{};
    GetWindowRect(wnd, &wr);
    POINT client{0, 0};
    ClientToScreen(wnd, &client);
    const POINT caption{(wr.left + wr.right) / 2, (wr.top + client.y) / 2};
    const POINT below = p->SystemMenuPointBelowIcon();
    EXPECT_EQ(below.y, client.y) << "under the title";
    EXPECT_GE(below.x, wr.left);
    EXPECT_LT(below.x, wr.left + 40);
    const POINT cursor{wr.left + 150, wr.top + 120};
    struct Row {
        const char* what;
        std::function<void()> open;
        POINT expected;
    };
    const Row rows[] = {
        {"a click on the icon",
         [&] { SendMessageW(wnd, WM_NCLBUTTONDOWN, HTSYSMENU, MAKELPARAM(below.x + 4, below.y - 4)); }, below},
        {"a right click on the caption",
         [&] { SendMessageW(wnd, WM_NCRBUTTONUP, HTCAPTION, MAKELPARAM(caption.x, caption.y)); }, caption},
        {"Alt+Space", [&] { SendMessageW(wnd, WM_SYSCOMMAND, SC_KEYMENU, VK_SPACE); }, below},
        {"the task bar's request",
         [&] {
             SetCursorPos(cursor.x, cursor.y);
             SendMessageW(wnd, 0x313, 0, 0);
         },
         cursor},
    };
    for (const Row& r : rows) {
        MenuWatch::menu = nullptr;
        SetTimer(nullptr, 0, 20, MenuWatch::Tick);
        r.open();
        EXPECT_EQ(MenuWatch::menu, sysMenu) << r.what;
        EXPECT_EQ(MenuWatch::at.x, r.expected.x) << r.what;
        EXPECT_EQ(MenuWatch::at.y, r.expected.y) << r.what;
        EXPECT_TRUE(IsWindowVisible(wnd)) << r.what;
    }
    // The chosen command is carried out (the menu's choice given through the
    // provider's own seam: the system's menu loop takes no synthetic keys here).
    TTrackSystemMenuFn saved = TrackSystemMenuFn;
    TrackSystemMenuFn = [](HMENU, HWND, int, int) -> UINT { return SC_CLOSE; };
    SendMessageW(wnd, WM_SYSCOMMAND, SC_KEYMENU, VK_SPACE);
    TrackSystemMenuFn = saved;
    Pump(20);
    EXPECT_FALSE(IsWindowVisible(wnd)) << "Close chosen";
}

TEST_F(ProviderTest, ShowAnimationLeavesTheFormShownOpaqueWithItsChildrenDrawing)
{
    TsSkinManager* m = SampleManager();
    m->AnimEffects.FormShow.Active = true;
    m->AnimEffects.FormShow.Time = 24;
    TSkinTestForm* f = NewForm();
    auto* panel = Add<TSkinTestPanel>(f, 10, 10, 80, 60);
    f->HandleNeeded();
    TsSkinProvider* p = TsSkinProvider::Create(f);
    f->Show();
    Pump(30);
    HWND wnd = f->Handle();
    EXPECT_TRUE(IsWindowVisible(wnd));
    EXPECT_FALSE(GetWindowLongW(wnd, GWL_EXSTYLE) & WS_EX_LAYERED) << "layered only while it animates";
    EXPECT_TRUE(IsWindowVisible(panel->Handle())) << "the children draw again";
    EXPECT_FALSE(p->SkinData()->Updating);
}

TEST_F(ProviderTest, PublishedPropertiesByName)
{
    SampleManager();
    TSkinTestForm* f = ShownForm();
    TsSkinProvider* p = TsSkinProvider::Create(f);
    SetEnumProp(p, L"ResizeMode", L"rmBorder");
    EXPECT_EQ(p->ResizeMode, TsResizeMode::rmBorder);
    SetOrdProp(p, L"SnapBuffer", 7);
    EXPECT_EQ(p->SnapBuffer, 7);
    SetEnumProp(p, L"CaptionAlignment", L"taCenter");
    EXPECT_EQ(p->CaptionAlignment(), TAlignment::taCenter);
    SetStrProp(p, L"TitleSkin", L"DIALOGTITLE");
    EXPECT_EQ(p->TitleSkin(), L"DIALOGTITLE");
    SetEnumProp(p, L"AllowAnimation", L"False");
    EXPECT_FALSE(p->AllowAnimation);
    EXPECT_EQ(GetEnumProp(p, L"DrawNonClientArea"), L"True");
    EXPECT_EQ(GetObjectProp(p, L"SkinData"), p->SkinData());
    EXPECT_THROW(GetOrdProp(p, L"NoSuchProperty"), EPropertyError);
}

}  // namespace
