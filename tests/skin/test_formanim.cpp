// Form animations on real forms under Wine: minimise and restore on their
// stage (with and without a border window), the hide animation on close, the
// pictures the desktop window manager asks for; and their arithmetic: blend
// steps, thumbnail fitting, the task-bar edge, the task-button lookup against
// a tool bar of our own.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include "skin/core/Animations.h"
#include "skin/graphics/Bitmap32.h"
#include "skin/forms/BorderForm.h"
#include "skin/forms/FormAnimations.h"
#include "skin/forms/SkinProvider.h"
#include "skin/graphics/DwmApi.h"
#include "skin/graphics/LayeredApi.h"
#include "tests/skin/SkinRuntimeFixture.h"

using namespace skintest;

namespace {

// ---------------------------------------------------------------- arithmetic

TEST(BlendOnMoving, StepsNeverWrapAndAlwaysMove)
{
    struct Case {
        int target, time;
    } cases[] = {{3, 20}, {170, 1000}, {0, 5}, {255, 1000}, {226, 1000}, {254, 12}, {-5, 40}, {300, 40}};
    for (const Case& c : cases) {
        const int step = BlendOnMovingStep(c.target, c.time);
        EXPECT_GE(step, 1) << c.target << "/" << c.time;
        const int target = std::clamp(c.target, 0, 255);
        int alpha = 255, frames = 0;
        std::vector<int> seen{alpha};
        while (alpha > target && frames < 1000) {
            alpha = NextBlendAlpha(alpha, c.target, step);
            seen.push_back(alpha);
            ++frames;
        }
        EXPECT_EQ(alpha, target) << "ends at the target";
        for (size_t i = 1; i < seen.size(); ++i)
            EXPECT_LT(seen[i], seen[i - 1]) << "never goes up (no wrap) " << c.target << "/" << c.time;
        if (c.time < 13) {
            EXPECT_LE(frames, 1) << "a time below 13 ms fades in a single step";
        }
    }
}

TEST(Thumbnail, FitsInsideTheAskedBox)
{
    struct Case {
        SIZE source, asked;
    } cases[] = {{{400, 400}, {200, 100}}, {{800, 600}, {200, 200}}, {{300, 900}, {100, 400}}, {{1, 1000}, {50, 50}}};
    for (const Case& c : cases) {
        const SIZE got = FitThumbnail(c.source, c.asked);
        const double scale = std::min(double(c.asked.cx) / c.source.cx, double(c.asked.cy) / c.source.cy);
        EXPECT_LE(got.cx, c.asked.cx);
        EXPECT_LE(got.cy, c.asked.cy);
        EXPECT_NEAR(got.cx, std::max(1.0, c.source.cx * scale), 1.0);
        EXPECT_NEAR(got.cy, std::max(1.0, c.source.cy * scale), 1.0);
    }
    EXPECT_EQ(FitThumbnail(SIZE{400, 400}, SIZE{200, 100}).cx, 100);
    EXPECT_EQ(FitThumbnail(SIZE{0, 400}, SIZE{200, 100}).cx, 0) << "an empty source gives nothing";
}

TEST(MinimizeTarget, TowardTheTaskBarsInnerEdge)
{
    const RECT form{100, 200, 500, 400};   // centre (300, 300)
    const RECT none{};
    struct Case {
        const char* what;
        RECT bar;
        POINT at;
    } cases[] = {
        {"bottom", {0, 728, 1024, 768}, {300, 728}},
        {"bottom, slightly left", {-2, 728, 1026, 770}, {300, 728}},
        {"left", {0, 0, 40, 768}, {40, 300}},
        {"top", {0, 0, 1024, 30}, {300, 30}},
        {"right", {984, 0, 1024, 768}, {984, 300}},
    };
    for (const Case& c : cases) {
        const RECT t = MinimizeTarget(form, &c.bar, none);
        EXPECT_EQ(t.left, c.at.x) << c.what;
        EXPECT_EQ(t.top, c.at.y) << c.what;
        EXPECT_TRUE(IsRectEmpty(&t));
    }
    const RECT origin = MinimizeTarget(form, nullptr, none);
    EXPECT_EQ(origin.left, 0);
    EXPECT_EQ(origin.top, 0);
    const RECT button{10, 740, 60, 766};
    const RECT bar{0, 728, 1024, 768};
    EXPECT_TRUE(EqualRect(&button, &static_cast<const RECT&>(MinimizeTarget(form, &bar, button))));

    // The box reaches the target's centre and size in its steps.
    TsMinimizeBox box;
    box.Setup(form, RECT{40, 300, 40, 300}, 7);
    for (int i = 0; i < 7; ++i)
        box.Shrink();
    EXPECT_NEAR(box.Left, 40, 1e-9);
    EXPECT_NEAR(box.Right, 40, 1e-9);
    EXPECT_NEAR(box.Top, 300, 1e-9);
    for (int i = 0; i < 7; ++i)
        box.Grow();
    EXPECT_NEAR(box.Left, form.left, 1e-9) << "growing comes back";
    EXPECT_NEAR(box.Bottom, form.bottom, 1e-9);
}

// ---------------------------------------------------------------- the task-button lookup

LRESULT CALLBACK PlainProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcW(w, m, wp, lp); }

struct FakeTaskBar {
    HWND bar = nullptr, toolBar = nullptr;
    HWND owners[3] = {};
    FakeTaskBar(HWND app)
    {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES | ICC_COOL_CLASSES};
        InitCommonControlsEx(&icc);
        WNDCLASSW wc{};
        wc.lpfnWndProc = PlainProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"TestTaskBand";
        RegisterClassW(&wc);
        wc.lpszClassName = L"MSTaskSwWClass";
        RegisterClassW(&wc);
        bar = CreateWindowExW(WS_EX_TOOLWINDOW, L"TestTaskBand", L"", WS_POPUP | WS_VISIBLE, 0, 700, 800, 40, nullptr,
                              nullptr, nullptr, nullptr);
        HWND rebar = CreateWindowExW(0, REBARCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 800, 40, bar, nullptr,
                                     nullptr, nullptr);
        HWND tasks = CreateWindowExW(0, L"MSTaskSwWClass", L"", WS_CHILD | WS_VISIBLE, 0, 0, 800, 40, rebar, nullptr,
                                     nullptr, nullptr);
        toolBar = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | CCS_NORESIZE, 0, 0, 800, 40,
                                  tasks, nullptr, nullptr, nullptr);
        SendMessageW(toolBar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
        owners[0] = GetDesktopWindow();
        owners[1] = app;   // hidden: must be skipped
        owners[2] = app;
        TBBUTTON b[4] = {};
        b[0] = TBBUTTON{I_IMAGENONE, 1, TBSTATE_ENABLED, BTNS_BUTTON, {}, DWORD_PTR(&owners[0]), 0};
        b[1] = TBBUTTON{0, 2, TBSTATE_ENABLED, BTNS_SEP, {}, 0, 0};
        b[2] = TBBUTTON{I_IMAGENONE, 3, TBSTATE_ENABLED | TBSTATE_HIDDEN, BTNS_BUTTON, {}, DWORD_PTR(&owners[1]), 0};
        b[3] = TBBUTTON{I_IMAGENONE, 4, TBSTATE_ENABLED, BTNS_BUTTON, {}, DWORD_PTR(&owners[2]), 0};
        SendMessageW(toolBar, TB_ADDBUTTONSW, 4, LPARAM(b));
        SendMessageW(toolBar, TB_AUTOSIZE, 0, 0);
    }
    ~FakeTaskBar() { DestroyWindow(bar); }
    RECT ButtonOnScreen(int index)
    {
        RECT r{};
        SendMessageW(toolBar, TB_GETITEMRECT, WPARAM(index), LPARAM(&r));
        MapWindowPoints(toolBar, nullptr, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
};

struct ShellAccessScope {
    TsShellAccess saved = ShellAccess();
    ~ShellAccessScope() { ShellAccess() = saved; }
};

TEST(TaskButton, FoundInTheShellsToolBarOnlyWhenItIsSafeToRead)
{
    ShellAccessScope scope;
    HWND app = CreateWindowExW(0, L"STATIC", L"app", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    FakeTaskBar bar(app);
    ShellAccess().FindTaskBar = [&] { return bar.bar; };
    const RECT want = bar.ButtonOnScreen(3);
    ASSERT_FALSE(IsRectEmpty(&want));
    RECT got = GetTaskButtonRect(app);
    EXPECT_TRUE(EqualRect(&got, &want)) << got.left << "," << got.top << " " << got.right << "," << got.bottom;

    HWND stranger = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    got = GetTaskButtonRect(stranger);
    EXPECT_TRUE(IsRectEmpty(&got)) << "a window without a button";
    ShellAccess().SameBitness = [](HWND) { return false; };
    got = GetTaskButtonRect(app);
    EXPECT_TRUE(IsRectEmpty(&got)) << "a shell of the other pointer size is not read";
    ShellAccess() = scope.saved;
    ShellAccess().FindTaskBar = [] { return HWND(nullptr); };
    got = GetTaskButtonRect(app);
    EXPECT_TRUE(IsRectEmpty(&got)) << "no task bar";
    DestroyWindow(stranger);
    DestroyWindow(app);
}

// ---------------------------------------------------------------- on real forms

// Every push to a layered window, recorded, then done.
struct Push {
    HWND wnd;
    int alpha;
};
std::vector<Push> pushes;
TUpdateLayeredWindowFn realUpdate = nullptr;
BOOL WINAPI RecordingUpdate(HWND wnd, HDC dst, POINT* pos, SIZE* size, HDC src, POINT* origin, COLORREF key,
                            BLENDFUNCTION* blend, DWORD flags)
{
    pushes.push_back(Push{wnd, blend ? blend->SourceConstantAlpha : -1});
    return realUpdate ? realUpdate(wnd, dst, pos, size, src, origin, key, blend, flags) : TRUE;
}

TSetLayeredWindowAttributesFn realAttributes = nullptr;
BOOL WINAPI RecordingAttributes(HWND wnd, COLORREF key, BYTE alpha, DWORD flags)
{
    pushes.push_back(Push{wnd, alpha});
    return realAttributes ? realAttributes(wnd, key, alpha, flags) : TRUE;
}

class FormAnimTest : public SkinRuntime {
protected:
    void SetUp() override
    {
        SkinRuntime::SetUp();
        BindLayeredApi();
        realUpdate = UpdateLayeredWindowFn;
        UpdateLayeredWindowFn = RecordingUpdate;
        realAttributes = SetLayeredWindowAttributesFn;
        SetLayeredWindowAttributesFn = RecordingAttributes;
        pushes.clear();
    }
    void TearDown() override
    {
        UpdateLayeredWindowFn = realUpdate;
        SetLayeredWindowAttributesFn = realAttributes;
        SkinRuntime::TearDown();
    }
    TsSkinProvider* SkinnedForm(TSkinTestForm*& f, bool borders, unsigned minimizeMs = 150)
    {
        TsSkinManager* m = SampleManager();
        m->SetExtendedBorders(borders);
        m->AnimEffects.Minimizing.Active = true;
        m->AnimEffects.Minimizing.Time = uint16_t(minimizeMs);
        f = NewForm(320, 220);
        f->SetBounds(150, 150, 320, 220);
        TsSkinProvider* p = TsSkinProvider::Create(f);
        f->Show();
        Pump(60);
        return p;
    }
    // Pumps until the minimise or restore animation is over; false when it
    // did not end within the bound.
    bool PumpUntilAnimationEnds(TsSkinProvider* p, DWORD boundMs = kMaxFormAnimationMs + 1000)
    {
        const DWORD until = GetTickCount() + boundMs;
        while (p->MinimizeAnimating() && GetTickCount() < until)
            Pump(10);
        return !p->MinimizeAnimating();
    }
    // The first window other than the form that got a picture.
    static HWND FirstStage(HWND form)
    {
        for (const Push& p : pushes)
            if (p.wnd != form)
                return p.wnd;
        return nullptr;
    }
    static std::vector<int> AlphasOf(HWND stage)
    {
        std::vector<int> a;
        for (const Push& p : pushes)
            if (p.wnd == stage)
                a.push_back(p.alpha);
        return a;
    }
};

bool Layered(HWND w) { return (GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_LAYERED) != 0; }

TEST_F(FormAnimTest, MinimiseShrinksOnAStageAndRestoreGrowsBack)
{
    for (bool borders : {false, true}) {
        SCOPED_TRACE(borders ? "with a border window" : "without a border window");
        TSkinTestForm* f = nullptr;
        TsSkinProvider* p = SkinnedForm(f, borders);
        HWND form = f->Handle();
        ASSERT_EQ(p->BorderForm() != nullptr, borders);
        pushes.clear();

        SendMessageW(form, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        ASSERT_TRUE(p->MinimizeAnimating()) << "the animation runs after the command";
        ASSERT_TRUE(PumpUntilAnimationEnds(p));
        EXPECT_TRUE(IsIconic(form));
        EXPECT_FALSE(Layered(form)) << "the form is not layered once minimised";
        const HWND stage = FirstStage(form);
        const std::vector<int> shrink = AlphasOf(stage);
        ASSERT_GE(shrink.size(), 3u) << "frames were pushed to the stage";
        for (size_t i = 1; i < shrink.size(); ++i)
            EXPECT_LE(shrink[i], shrink[i - 1]) << "alpha falls while shrinking";
        EXPECT_LT(shrink.back(), shrink.front());
        EXPECT_FALSE(IsWindow(stage)) << "the stage is freed";
        if (borders) {
            EXPECT_EQ(p->BorderForm()->WindowIfMade(), nullptr);
        }

        pushes.clear();
        SendMessageW(form, WM_SYSCOMMAND, SC_RESTORE, 0);
        ASSERT_TRUE(PumpUntilAnimationEnds(p));
        Pump(30);
        EXPECT_FALSE(IsIconic(form));
        EXPECT_TRUE(IsWindowVisible(form));
        EXPECT_FALSE(Layered(form));
        const HWND grow = FirstStage(form);
        std::vector<int> alphas = AlphasOf(grow);
        ASSERT_GE(alphas.size(), 2u);
        for (size_t i = 1; i < alphas.size(); ++i)
            EXPECT_GE(alphas[i], alphas[i - 1]) << "alpha rises while growing";
        EXPECT_EQ(alphas.back(), 255);
        if (borders) {
            TkvBorderForm* b = p->BorderForm();
            ASSERT_NE(b->WindowIfMade(), nullptr);
            EXPECT_TRUE(IsWindowVisible(b->WindowIfMade()->Handle())) << "the border window is back";
            EXPECT_FALSE(b->UpdateLocked());
        } else {
            EXPECT_FALSE(IsWindow(grow)) << "the snapshot stage is freed";
        }
        Free(f);
        forms.clear();
        for (TsSkinManager* m : managers)
            Free(m);
        managers.clear();
    }
}

// Frames stepped one by one and read back from the screen: the stage sits on
// the shrinking box, shows the form's picture at its centre faded by the
// frame's alpha, and nothing of the larger earlier frames is left around it.
TEST_F(FormAnimTest, EachMinimiseFrameShowsThePictureInItsBoxAndNothingAroundIt)
{
    TSkinTestForm* f = nullptr;
    TsSkinProvider* p = SkinnedForm(f, true, 1500);
    ASSERT_TRUE(p->StartMinimizeAnimation());
    auto* t = dynamic_cast<TkvMinTimer*>(p->formTimer_);
    ASSERT_NE(t, nullptr);
    t->SetEnabled(false);   // stepped here
    ASSERT_NE(t->Picture(), nullptr);
    const PixelView pic = t->Picture()->View();
    // The picture's centre is the form's client: opaque, and even around it
    // (the skin's background may be a gentle gradient).
    const uint32_t centre = pic.At(pic.width / 2, pic.height / 2);
    for (int d = -2; d <= 2; ++d)
        for (int shift : {0, 8, 16})
            ASSERT_NEAR(int((pic.At(pic.width / 2 + d, pic.height / 2 + d) >> shift) & 0xFF),
                        int((centre >> shift) & 0xFF), 2);
    ASSERT_EQ(centre >> 24, 255u);
    int stepped = 0;
    for (const int until : {1, 12, 30, 45}) {
        while (stepped < until) {
            t->Step();
            ++stepped;
        }
        SCOPED_TRACE(stepped);
        HWND stage = t->Stage();
        ASSERT_NE(stage, nullptr);
        EXPECT_TRUE(IsWindowVisible(stage));
        RECT sr{};
        GetWindowRect(stage, &sr);
        const TsMinimizeBox& box = t->Box();
        EXPECT_NEAR((sr.left + sr.right) / 2.0, (box.Left + box.Right) / 2, 1.0) << "the stage follows the box";
        EXPECT_NEAR((sr.top + sr.bottom) / 2.0, (box.Top + box.Bottom) / 2, 1.0);
        const int sw = sr.right - sr.left, sh = sr.bottom - sr.top;
        std::unique_ptr<TBitmap> shot = NewBitmap32(sw, sh);
        HDC screen = GetDC(nullptr);
        BitBlt(shot->Canvas().Handle(), 0, 0, sw, sh, screen, sr.left, sr.top, SRCCOPY);
        ReleaseDC(nullptr, screen);
        GdiFlush();
        const PixelView v = shot->View();
        const int w = int(std::lround(box.Right - box.Left)), h = int(std::lround(box.Bottom - box.Top));
        const int a = t->Alpha();
        for (int shift : {0, 8, 16}) {
            const int want = (int((centre >> shift) & 0xFF) * a + 127) / 255;
            EXPECT_NEAR(int((v.At(sw / 2, sh / 2) >> shift) & 0xFF), want, 3) << "the picture faded by the frame's alpha";
        }
        if (stepped > 1) {
            ASSERT_LT(w, sw - 8) << "the picture has shrunk inside the stage";
            // Just outside the box, where the first frames drew the picture: clear.
            const int x0 = (sw - w) / 2, y0 = (sh - h) / 2;
            for (const POINT at : {POINT{x0 - 3, sh / 2}, POINT{x0 + w + 2, sh / 2}, POINT{sw / 2, y0 - 3},
                                   POINT{sw / 2, y0 + h + 2}})
                EXPECT_EQ(v.At(at.x, at.y) & 0xFFFFFFu, 0u) << "at " << at.x << "," << at.y;
        }
    }
    p->StopFormTimer();
    TsSkinProvider::SetLayeredAlpha(f->Handle(), false, 255);
}

TEST_F(FormAnimTest, AFormFreedWhileItShrinksLeavesNothingBehind)
{
    TSkinTestForm* f = nullptr;
    TsSkinProvider* p = SkinnedForm(f, true, 1500);
    SendMessageW(f->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(p->MinimizeAnimating());
    Pump(40);
    HWND stage = p->BorderForm()->WindowIfMade() ? p->BorderForm()->WindowIfMade()->Handle() : nullptr;
    Free(f);
    forms.clear();
    Pump(60);
    EXPECT_FALSE(stage && IsWindow(stage));
}

// The hide animation on close ends by itself in a bounded time; a watchdog
// ends the test program if anything waits for ever.
TEST_F(FormAnimTest, HideAnimationOnCloseEndsInBoundedTime)
{
    std::atomic<bool> finished{false};
    std::thread watchdog([&] {
        for (int i = 0; i < 200 && !finished; ++i)
            Sleep(50);
        if (!finished) {
            fprintf(stderr, "hide animation did not end within 10 s\n");
            fflush(stderr);
            TerminateProcess(GetCurrentProcess(), 3);
        }
    });
    for (bool borders : {false, true}) {
        SCOPED_TRACE(borders ? "with a border window" : "without a border window");
        TSkinTestForm* f = nullptr;
        TsSkinProvider* p = SkinnedForm(f, borders);
        p->Manager()->AnimEffects.FormHide.Active = true;
        p->Manager()->AnimEffects.FormHide.Time = 120;
        HWND form = f->Handle();
        pushes.clear();
        // The close button as a user presses it.
        const TsTitleLayout l = p->LayoutTitleButtons();
        RECT wr{};
        GetWindowRect(form, &wr);
        POINT close{wr.left + (l.Close.left + l.Close.right) / 2, wr.top + (l.Close.top + l.Close.bottom) / 2};
        if (TkvBorderForm* b = p->BorderForm()) {
            const RECT br = BorderWindowRect(b->Layout(), wr);
            close = POINT{br.right - 1, br.top + 1};
            for (int x = br.right - 1; x > br.left; --x)
                if (b->HitTestScreen(POINT{x, br.top + b->Layout().Shadow.top + 8}) == HTCLOSE) {
                    close = POINT{x - 3, br.top + b->Layout().Shadow.top + 8};
                    break;
                }
        }
        const int code = int(SendMessageW(form, WM_NCHITTEST, 0, MAKELPARAM(close.x, close.y)));
        ASSERT_EQ(code, HTCLOSE);
        SendMessageW(form, WM_NCLBUTTONDOWN, code, MAKELPARAM(close.x, close.y));
        SendMessageW(form, WM_NCLBUTTONUP, code, MAKELPARAM(close.x, close.y));
        EXPECT_FALSE(IsWindowVisible(form));
        TkvHideTimer* hide = SharedHideTimer();
        ASSERT_NE(hide, nullptr) << "the hide animation plays";
        EXPECT_NE(hide->Surface(), nullptr) << "closing does not wait for the animation";
        const DWORD until = GetTickCount() + 3000;
        while (hide->Surface() && GetTickCount() < until)
            Pump(10);
        EXPECT_EQ(hide->Surface(), nullptr) << "the hide animation ended";
        EXPECT_GE(pushes.size(), 2u) << "frames were pushed";
        EXPECT_FALSE(AnimationRunning);
        EXPECT_FALSE(Layered(form));
        EXPECT_FALSE(p->SnapshotTakenForHiding());
        Free(f);
        forms.clear();
        for (TsSkinManager* m : managers)
            Free(m);
        managers.clear();
    }
    finished = true;
    watchdog.join();
}

TEST_F(FormAnimTest, BlendOnMovingFadesWhileDraggedAndComesBack)
{
    BOOL full = TRUE;
    SystemParametersInfoW(SPI_GETDRAGFULLWINDOWS, 0, &full, 0);
    SystemParametersInfoW(SPI_SETDRAGFULLWINDOWS, TRUE, nullptr, 0);
    for (bool borders : {false, true}) {
        SCOPED_TRACE(borders ? "with a border window" : "without a border window");
        TSkinTestForm* f = nullptr;
        TsSkinProvider* p = SkinnedForm(f, borders);
        TsSkinManager* m = p->Manager();
        m->AnimEffects.BlendOnMoving.Active = true;
        m->AnimEffects.BlendOnMoving.BlendValue = 100;
        m->AnimEffects.BlendOnMoving.Time = 60;   // 5 frames: steps of 31
        HWND form = f->Handle();
        RECT wr0{};
        GetWindowRect(form, &wr0);
        POINT grab{wr0.left + 40, wr0.top + GetSystemMetrics(SM_CYCAPTION) / 2 + 2};
        HWND faded = form;
        if (TkvBorderForm* b = p->BorderForm()) {
            const RECT br = BorderWindowRect(b->Layout(), wr0);
            grab = POINT{br.left + 60, br.top + b->Layout().Shadow.top + 8};
            faded = b->WindowIfMade()->Handle();
        }
        ASSERT_EQ(p->HitTestFrame(grab), HTCAPTION);
        pushes.clear();
        DragWithMouse(grab, 30, 20, form);
        RECT wr1{};
        GetWindowRect(form, &wr1);
        EXPECT_EQ(wr1.left - wr0.left, 30);
        EXPECT_EQ(wr1.top - wr0.top, 20);
        std::vector<int> alphas = AlphasOf(faded);
        ASSERT_GE(alphas.size(), 2u) << "the picture faded while it moved";
        // How far it got depends on the ticks the move loop let through; it never goes past the value.
        const int lowest = *std::min_element(alphas.begin(), alphas.end());
        EXPECT_LT(lowest, 255) << "the picture faded while it moved";
        EXPECT_GE(lowest, 100) << "never past the blend value";
        EXPECT_FALSE(Layered(form)) << "the form is plain again";
        EXPECT_FALSE(p->State().Has(TsProviderBit::AnimationRunning));
        if (TkvBorderForm* b = p->BorderForm()) {
            RECT br{};
            GetWindowRect(b->WindowIfMade()->Handle(), &br);
            const RECT want = BorderWindowRect(b->Layout(), wr1);
            EXPECT_TRUE(EqualRect(&br, &want)) << "the border window sits around the form again";
            EXPECT_FALSE(b->UpdateLocked());
        }
        Free(f);
        forms.clear();
        for (TsSkinManager* mgr : managers)
            Free(mgr);
        managers.clear();
    }
    SystemParametersInfoW(SPI_SETDRAGFULLWINDOWS, full, nullptr, 0);
}

// What the desktop window manager asks for, through recording stand-ins
// (Wine never asks): the picture fits inside the asked size, and the
// snapshot flag is clear on every way out, a failed call included.
HRESULT iconicResult = S_OK;
SIZE iconicSize{};
int iconicCalls = 0;
HRESULT WINAPI FakeThumbnail(HWND, HBITMAP bmp, DWORD)
{
    ++iconicCalls;
    BITMAP info{};
    GetObjectW(bmp, sizeof info, &info);
    iconicSize = SIZE{info.bmWidth, std::abs(info.bmHeight)};
    return iconicResult;
}
HRESULT WINAPI FakePreview(HWND, HBITMAP bmp, POINT*, DWORD flags)
{
    ++iconicCalls;
    BITMAP info{};
    GetObjectW(bmp, sizeof info, &info);
    iconicSize = SIZE{info.bmWidth, std::abs(info.bmHeight)};
    return flags == 1 ? iconicResult : E_INVALIDARG;
}

TEST_F(FormAnimTest, IconicPicturesFitAndTheSnapshotFlagIsAlwaysCleared)
{
    BindDwmApi();
    const auto savedThumb = DwmSetIconicThumbnailFn;
    const auto savedPreview = DwmSetIconicLivePreviewBitmapFn;
    DwmSetIconicThumbnailFn = FakeThumbnail;
    DwmSetIconicLivePreviewBitmapFn = FakePreview;
    TSkinTestForm* f = nullptr;
    TsSkinProvider* p = SkinnedForm(f, true);
    RECT wr{};
    GetWindowRect(f->Handle(), &wr);
    const RECT br = BorderWindowRect(p->BorderForm()->Layout(), wr);
    const double w = br.right - br.left, h = br.bottom - br.top;
    for (HRESULT result : {S_OK, E_FAIL}) {
        iconicResult = result;
        iconicCalls = 0;
        const LRESULT answer = SendMessageW(f->Handle(), WM_DWMSENDICONICTHUMBNAIL, 0, MAKELPARAM(100, 200));
        EXPECT_EQ(iconicCalls, 1);
        EXPECT_EQ(answer == 0, result == S_OK);
        const double scale = std::min(200 / w, 100 / h);
        EXPECT_NEAR(iconicSize.cx, w * scale, 1.0);
        EXPECT_NEAR(iconicSize.cy, h * scale, 1.0);
        EXPECT_FALSE(p->State().Has(TsProviderBit::SnapshotTaking)) << "cleared after " << (result == S_OK ? "success" : "failure");
        iconicCalls = 0;
        EXPECT_EQ(SendMessageW(f->Handle(), WM_DWMSENDICONICLIVEPREVIEWBITMAP, 0, 0) == 0, result == S_OK);
        EXPECT_EQ(iconicCalls, 1);
        EXPECT_EQ(iconicSize.cx, LONG(w)) << "the live preview is the whole picture";
        EXPECT_FALSE(p->State().Has(TsProviderBit::SnapshotTaking));
    }
    DwmSetIconicThumbnailFn = savedThumb;
    DwmSetIconicLivePreviewBitmapFn = savedPreview;
}

// ---------------------------------------------------------------- the real border window in the animations

TEST_F(FormAnimTest, ABorderWindowCarriesTheShowAndStaysWithItsRegion)
{
    TSkinTestForm* f = nullptr;
    TsSkinProvider* p = SkinnedForm(f, true);
    ASSERT_NE(p->BorderForm(), nullptr);
    ASSERT_NE(p->BorderForm()->WindowIfMade(), nullptr);
    HWND border = p->BorderForm()->WindowIfMade()->Handle();
    pushes.clear();
    AnimShowForm(p, 60, 255, TkvAnimType::atFading);
    Pump(20);
    const std::vector<int> a = AlphasOf(border);
    ASSERT_GE(a.size(), 2u) << "the show plays on the border window";
    EXPECT_TRUE(std::is_sorted(a.begin(), a.end())) << "its alpha only rises";
    EXPECT_EQ(a.back(), 255);
    EXPECT_TRUE(IsWindow(border)) << "the border window stays";
    EXPECT_TRUE(IsWindowVisible(border));
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    EXPECT_NE(GetWindowRgn(border, rgn), ERROR) << "with its region back";
    DeleteObject(rgn);
    EXPECT_FALSE(AnimationRunning);
}

TEST_F(FormAnimTest, ABorderedFormsSnapshotKeepsItsShadowAndMakesTheClientOpaque)
{
    TSkinTestForm* f = nullptr;
    TsSkinProvider* p = SkinnedForm(f, true);
    ASSERT_NE(p->BorderForm(), nullptr);
    TsSkinManager* m = p->Manager();
    const PixelBitmap* shadow = p->formActive_ ? m->ShadowActive() : m->ShadowInactive();
    ASSERT_NE(shadow, nullptr);
    std::unique_ptr<TBitmap> snap = p->CreateFormSnapshot(false);
    ASSERT_NE(snap, nullptr);
    const PixelView v = snap->View();
    const int sl = m->ShadowMargins[0], st = m->ShadowMargins[1];
    // The shadow's corner as the skin has it, translucent.
    EXPECT_EQ(v.At(sl - 1, st - 1), shadow->Pixel(sl - 1, st - 1));
    EXPECT_LT(v.At(sl - 1, st - 1) >> 24, 255u);
    // The form's client, opaque at its place in the picture.
    RECT wr{}, cr{};
    GetWindowRect(f->Handle(), &wr);
    GetClientRect(f->Handle(), &cr);
    POINT c{cr.right / 2, cr.bottom / 2};
    ClientToScreen(f->Handle(), &c);
    const RECT br = BorderWindowRect(p->BorderForm()->Layout(), wr);
    EXPECT_EQ(v.At(c.x - br.left, c.y - br.top) >> 24, 255u);
}

TEST_F(FormAnimTest, ABorderWindowIsHandedToTheHideTimer)
{
    TSkinTestForm* f = nullptr;
    TsSkinProvider* p = SkinnedForm(f, true);
    ASSERT_NE(p->BorderForm(), nullptr);
    TsSkinManager* m = p->Manager();
    HWND border = p->BorderForm()->WindowIfMade()->Handle();
    AnimHideForm(p, 48, TkvAnimType::atFading);
    ASSERT_NE(SharedHideTimer(), nullptr);
    ASSERT_NE(SharedHideTimer()->Surface(), nullptr);
    EXPECT_EQ(SharedHideTimer()->Surface()->Handle(), border) << "the border window plays the hide";
    EXPECT_EQ(p->BorderForm()->WindowIfMade(), nullptr) << "the border object lets go of it";
    // The hide's picture is the frame picture: the shadow keeps its alpha.
    const PixelBitmap* shadow = p->formActive_ ? m->ShadowActive() : m->ShadowInactive();
    ASSERT_NE(shadow, nullptr);
    const int sl = m->ShadowMargins[0], st = m->ShadowMargins[1];
    EXPECT_EQ(GetPixel32(SharedHideTimer()->Snapshot(), sl - 1, st - 1) >> 24, shadow->Pixel(sl - 1, st - 1) >> 24);
    for (int i = 0; i < 100 && IsWindow(border); ++i)
        Pump(10);
    EXPECT_FALSE(IsWindow(border)) << "freed when the hide ends";
    EXPECT_NE(p->BorderForm(), nullptr);
    EXPECT_FALSE(AnimationRunning);
}

}  // namespace
