// Form animations on real windows. The one replaced piece is the layered-window
// push (UpdateLayeredWindowFn): a recorder notes every push (window, alpha,
// size and where the pushed picture is opaque) and passes it on to the real
// function, so the surfaces really show.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <vector>

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "skin/core/BgRequest.h"
#include "skin/graphics/SkinCommands.h"
#include "skin/core/SkinManager.h"
#include "skin/core/Animations.h"
#include "skin/core/ControlTreePaint.h"
#include "skin/core/OutputWindow.h"
#include "skin/graphics/Bitmap32.h"
#include "support/GuiTest.h"

namespace {

struct Push {
    HWND wnd = nullptr;
    bool placed = false;      // came with a position
    bool picture = false;     // came with a picture (else only the alpha changed)
    uint8_t alpha = 0;
    SIZE size{};
    RECT opaque{};            // bounding box of the pixels with alpha above 0
    uint32_t centre = 0;      // pixel at the centre of the picture
    bool runningFlag = false; // AnimationRunning while the push happened
    int watchedAlpha = -1;    // the watched window's layered alpha then (-1: not layered)
};

HWND watched = nullptr;

std::vector<Push> pushes;
int throwAtPush = -1;
TUpdateLayeredWindowFn realPush = nullptr;

BOOL WINAPI RecordPush(HWND wnd, HDC screen, POINT* dst, SIZE* size, HDC src, POINT* srcPoint, COLORREF key,
                       BLENDFUNCTION* blend, DWORD flags)
{
    Push p;
    p.wnd = wnd;
    p.placed = dst != nullptr;
    p.alpha = blend ? blend->SourceConstantAlpha : 0;
    p.size = size ? *size : SIZE{};
    p.runningFlag = AnimationRunning;
    p.picture = src != nullptr;
    if (watched && (GetWindowLongPtrW(watched, GWL_EXSTYLE) & WS_EX_LAYERED)) {
        BYTE a = 0;
        DWORD f = 0;
        if (GetLayeredWindowAttributes(watched, nullptr, &a, &f) && (f & LWA_ALPHA)) p.watchedAlpha = a;
    }
    DIBSECTION ds{};
    HBITMAP bmp = src ? HBITMAP(GetCurrentObject(src, OBJ_BITMAP)) : nullptr;
    if (bmp && GetObjectW(bmp, sizeof ds, &ds) == sizeof ds && ds.dsBm.bmBits && ds.dsBm.bmBitsPixel == 32) {
        const int w = ds.dsBm.bmWidth, h = ds.dsBm.bmHeight;
        auto* bits = static_cast<uint8_t*>(ds.dsBm.bmBits);
        const int stride = ds.dsBm.bmWidthBytes;
        const bool topDown = ds.dsBmih.biHeight < 0;
        RECT box{w, h, -1, -1};
        for (int y = 0; y < h; ++y) {
            const auto* row = reinterpret_cast<const uint32_t*>(bits + stride * (topDown ? y : h - 1 - y));
            for (int x = 0; x < w; ++x)
                if (row[x] >> 24) {
                    box.left = std::min<LONG>(box.left, x);
                    box.top = std::min<LONG>(box.top, y);
                    box.right = std::max<LONG>(box.right, x + 1);
                    box.bottom = std::max<LONG>(box.bottom, y + 1);
                }
        }
        p.opaque = box.right < 0 ? RECT{} : box;
        const auto* mid = reinterpret_cast<const uint32_t*>(bits + stride * (topDown ? h / 2 : h - 1 - h / 2));
        p.centre = mid[w / 2];
    }
    pushes.push_back(p);
    if (throwAtPush >= 0 && int(pushes.size()) - 1 == throwAtPush) throw std::runtime_error("injected push failure");
    return realPush ? realPush(wnd, screen, dst, size, src, srcPoint, key, blend, flags) : TRUE;
}

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

// A provider of our own over a real form: its cache is the form's picture in
// one colour with a frame of another, as a skin provider's would be.
class TestProvider : public TsProviderSeam {
public:
    explicit TestProvider(TCustomForm* f) : form(f) {}
    TCustomForm* Form() override { return form; }
    bool HasSkinData() override { return skinData; }
    TBitmap* CacheBitmap() override { return cache.get(); }
    void PaintFrameToCache() override
    {
        ++framePaints;
        if (!paintsCache) return;
        RECT r{};
        GetWindowRect(form->Handle(), &r);
        cache = NewBitmap32(Width(r), Height(r));
        FillRect32(cache.get(), RECT{0, 0, Width(r), Height(r)}, clNavy, 255);
    }
    POINT ClientOffset() override { return offset; }
    void SetInAnimation(bool on) override { inAnimation = on; }
    void AfterAnimation(TkvAnimEvent e) override { events.push_back(e); }

    TCustomForm* form;
    std::unique_ptr<TBitmap> cache;
    bool skinData = true, paintsCache = true, inAnimation = true;
    POINT offset{0, 0};
    int framePaints = 0;
    std::vector<TkvAnimEvent> events;
};

class Animations : public testing::Test {
protected:
    void SetUp() override
    {
        realPush = UpdateLayeredWindowFn;
        ASSERT_NE(realPush, nullptr) << "layered windows are expected under Wine";
        UpdateLayeredWindowFn = RecordPush;
        pushes.clear();
        throwAtPush = -1;
        AnimationRunning = false;
        form = new TForm(Application);
        form->SetBorderStyle(TFormBorderStyle::bsNone);
        form->SetBounds(60, 50, 320, 200);
        form->SetColor(clYellow);
        panel = new TPanel(form);
        panel->SetParent(form);
        panel->SetBounds(20, 20, 120, 80);
        panel->SetColor(clRed);
        panel->SetBevelOuter(TBevelCut::bvNone);
        panel->SetShowCaption(false);
        form->Show();
        Pump(30);
        provider = std::make_unique<TestProvider>(form);
        Register(provider.get());
    }
    void TearDown() override
    {
        // A hide still playing ends before the next test.
        for (int i = 0; i < 100 && SharedHideTimer() && SharedHideTimer()->Surface(); ++i)
            Pump(15);
        UpdateLayeredWindowFn = realPush;
        watched = nullptr;
        UnregisterProvider(registeredWnd);
        registeredWnd = nullptr;
        Application->OnException = nullptr;
        FreeSharedSnapshot();
        Free(form);
        Pump(10);
    }
    // The provider found for the form's current window (one at a time).
    void Register(TsProviderSeam* p)
    {
        UnregisterProvider(registeredWnd);
        registeredWnd = form->Handle();
        RegisterProvider(registeredWnd, p);
    }
    HWND registeredWnd = nullptr;
    // Pushes to windows other than the form (the surfaces).
    std::vector<Push> SurfacePushes() const
    {
        std::vector<Push> out;
        for (const Push& p : pushes)
            if (p.wnd != form->Handle()) out.push_back(p);
        return out;
    }
    TForm* form = nullptr;
    TPanel* panel = nullptr;
    std::unique_ptr<TestProvider> provider;
};

// The number of animation surfaces alive on this thread.
int CountSurfaces()
{
    struct Counter {
        static BOOL CALLBACK Each(HWND wnd, LPARAM lp)
        {
            wchar_t cls[64] = {};
            GetClassNameW(wnd, cls, 64);
            if (String(cls) == L"TkvAnimSurface") ++*reinterpret_cast<int*>(lp);
            return TRUE;
        }
    };
    int n = 0;
    EnumThreadWindows(GetCurrentThreadId(), Counter::Each, LPARAM(&n));
    return n;
}

}  // namespace

// ---------------------------------------------------------------- show

TEST_F(Animations, ShowOver100msPushesNineFramesOfRisingAlphaEndingAtTheTarget)
{
    AnimShowForm(provider.get(), 100, 255, TkvAnimType::atFading);
    auto s = SurfacePushes();
    // The first picture (alpha 0), frames 0 .. 8, the final picture.
    ASSERT_EQ(s.size(), 11u);
    EXPECT_TRUE(s.front().placed);
    EXPECT_EQ(s.front().alpha, 0);
    int last = -1;
    for (size_t i = 1; i + 1 < s.size(); ++i) {
        EXPECT_FALSE(s[i].placed);
        EXPECT_GE(s[i].alpha, last) << "frame " << i - 1;
        last = s[i].alpha;
        EXPECT_TRUE(s[i].runningFlag);
        // Frame 0 brings the picture, the others only change its alpha.
        EXPECT_EQ(s[i].picture, i == 1);
        if (s[i].picture) {
            EXPECT_EQ(s[i].size.cx, 320);
            EXPECT_EQ(s[i].size.cy, 200);
        }
    }
    EXPECT_EQ(s[9].alpha, 255);
    EXPECT_EQ(s.back().alpha, 255);
    EXPECT_TRUE(s.back().placed);
    // The picture is the form: yellow where nothing covers it, opaque all over.
    EXPECT_EQ(s.back().opaque.right, 320);
    EXPECT_EQ(s.back().opaque.bottom, 200);
    EXPECT_EQ(s.back().centre & 0xFFFFFF, 0xFFFF00u);
    EXPECT_FALSE(AnimationRunning);
    EXPECT_FALSE(provider->inAnimation);
    ASSERT_EQ(provider->events.size(), 1u);
    EXPECT_EQ(provider->events[0], TkvAnimEvent::aeShowing);
    EXPECT_EQ(CountSurfaces(), 0);
}

TEST_F(Animations, AeroShowGrowsFromTheCentredThreeQuartersToFullSize)
{
    AnimShowForm(provider.get(), 100, 255, TkvAnimType::atAero);
    auto s = SurfacePushes();
    ASSERT_EQ(s.size(), 11u);
    // Frame 0: the picture stretched into (40, 25) .. (280, 175).
    const RECT first = s[1].opaque;
    EXPECT_NEAR(first.left, 40, 1);
    EXPECT_NEAR(first.top, 25, 1);
    EXPECT_NEAR(first.right, 280, 1);
    EXPECT_NEAR(first.bottom, 175, 1);
    int lastW = 0;
    for (size_t i = 1; i + 1 < s.size(); ++i) {
        const RECT r = s[i].opaque;
        EXPECT_GE(Width(r), lastW) << "frame " << i - 1;
        lastW = Width(r);
        EXPECT_NEAR(r.left, 320 - r.right, 1);   // centred
        EXPECT_NEAR(r.top, 200 - r.bottom, 1);
    }
    EXPECT_EQ(s[9].opaque.left, 0);
    EXPECT_EQ(s[9].opaque.right, 320);
    EXPECT_EQ(s[9].opaque.bottom, 200);
    EXPECT_FALSE(AnimationRunning);
}

TEST_F(Animations, ShowUnderTwelveMillisecondsGivesOnlyTheFinalPicture)
{
    AnimShowForm(provider.get(), 11, 200, TkvAnimType::atAero);
    auto s = SurfacePushes();
    ASSERT_FALSE(s.empty());
    for (const Push& p : s) {
        EXPECT_EQ(p.alpha, 200);   // never an unset alpha
        EXPECT_EQ(p.opaque.left, 0);
        EXPECT_EQ(p.opaque.right, 320);
        EXPECT_EQ(p.opaque.bottom, 200);
        EXPECT_TRUE(p.placed);
    }
    EXPECT_LE(s.size(), 2u);
    EXPECT_FALSE(AnimationRunning);
    EXPECT_EQ(CountSurfaces(), 0);
}

TEST_F(Animations, ShowIsSkippedWithoutSkinDataOrCacheAndWhenIconic)
{
    provider->skinData = false;
    AnimShowForm(provider.get(), 100, 255, TkvAnimType::atFading);
    EXPECT_TRUE(SurfacePushes().empty());
    EXPECT_EQ(provider->framePaints, 0);

    provider->skinData = true;
    provider->paintsCache = false;   // no cache: abandoned, the surface freed
    AnimShowForm(provider.get(), 100, 255, TkvAnimType::atFading);
    EXPECT_TRUE(SurfacePushes().empty());
    EXPECT_FALSE(AnimationRunning);
    EXPECT_EQ(CountSurfaces(), 0);

    provider->paintsCache = true;
    ShowWindow(form->Handle(), SW_MINIMIZE);
    AnimShowForm(provider.get(), 100, 255, TkvAnimType::atFading);
    EXPECT_TRUE(SurfacePushes().empty());
    ShowWindow(form->Handle(), SW_RESTORE);
    AnimShowForm(nullptr, 100, 255, TkvAnimType::atFading);
    EXPECT_FALSE(AnimationRunning);
}

TEST_F(Animations, AFrameThatRaisesLeavesNoFlagAndNoSurface)
{
    throwAtPush = 4;
    EXPECT_THROW(AnimShowForm(provider.get(), 100, 255, TkvAnimType::atAero), std::runtime_error);
    EXPECT_FALSE(AnimationRunning);
    EXPECT_EQ(CountSurfaces(), 0);
    // The next show runs whole.
    throwAtPush = -1;
    pushes.clear();
    AnimShowForm(provider.get(), 36, 255, TkvAnimType::atFading);
    EXPECT_EQ(SurfacePushes().size(), 6u);
}

// ---------------------------------------------------------------- hide

namespace {

TkvAnimSurface* NewSurface(const RECT& r) { return new TkvAnimSurface(r, false); }

std::unique_ptr<TBitmap> NewSnapshot(int w, int h, TColor color)
{
    std::unique_ptr<TBitmap> b = NewBitmap32(w, h);
    FillRect32(b.get(), RECT{0, 0, w, h}, color, 255);
    return b;
}

}  // namespace

TEST_F(Animations, HidePlaysItsTicksDownToZeroThenFreesTheSurface)
{
    auto* surface = NewSurface(RECT{100, 100, 300, 200});
    HWND wnd = surface->Handle();
    StartHideAnimation(surface, NewSnapshot(200, 100, clGreen), 100, form->Handle(), TkvAnimType::atAero, 255);
    TkvHideTimer* timer = SharedHideTimer();
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->Surface(), surface);
    EXPECT_TRUE(IsWindowVisible(wnd));
    EXPECT_TRUE(GetWindowLongPtrW(wnd, GWL_EXSTYLE) & WS_EX_LAYERED);
    for (int i = 0; i < 200 && timer->Surface(); ++i)
        Pump(10);
    EXPECT_EQ(timer->Surface(), nullptr);
    EXPECT_FALSE(IsWindow(wnd));
    EXPECT_EQ(timer->Snapshot(), nullptr);
    // Between animations the timer idles.
    EXPECT_EQ(timer->Interval(), 0xFFFFu);
    EXPECT_FALSE(timer->OnTimer());
    EXPECT_FALSE(timer->Busy());

    std::vector<Push> s;
    for (const Push& p : pushes)
        if (p.wnd == wnd) s.push_back(p);
    // The start picture at 255, then frames 0 .. 8.
    ASSERT_EQ(s.size(), 10u);
    EXPECT_EQ(s[0].alpha, 255);
    int last = 256, lastW = 201;
    for (size_t i = 1; i < s.size(); ++i) {
        EXPECT_LE(s[i].alpha, last);
        last = s[i].alpha;
        EXPECT_LT(Width(s[i].opaque), lastW);   // aero: shrinking
        lastW = Width(s[i].opaque);
    }
    EXPECT_EQ(s.back().alpha, 0);
    EXPECT_NEAR(Width(s.back().opaque), 150, 1);   // three quarters
    EXPECT_NEAR(s.back().opaque.left, 25, 1);
    ASSERT_EQ(provider->events.size(), 1u);
    EXPECT_EQ(provider->events[0], TkvAnimEvent::aeHiding);
}

TEST_F(Animations, ASecondHideCutsTheFirstShort)
{
    auto* first = NewSurface(RECT{100, 100, 300, 200});
    HWND firstWnd = first->Handle();
    StartHideAnimation(first, NewSnapshot(200, 100, clGreen), 1000, nullptr, TkvAnimType::atFading, 255);
    Pump(40);
    EXPECT_TRUE(IsWindow(firstWnd));
    auto* second = NewSurface(RECT{120, 120, 220, 170});
    HWND secondWnd = second->Handle();
    StartHideAnimation(second, NewSnapshot(100, 50, clBlue), 60, nullptr, TkvAnimType::atFading, 255);
    EXPECT_FALSE(IsWindow(firstWnd));   // freed before the second starts
    EXPECT_EQ(SharedHideTimer()->Surface(), second);
    for (int i = 0; i < 100 && SharedHideTimer()->Surface(); ++i)
        Pump(10);
    EXPECT_FALSE(IsWindow(secondWnd));
    int secondPushes = 0;
    for (const Push& p : pushes)
        if (p.wnd == secondWnd) ++secondPushes;
    EXPECT_EQ(secondPushes, 1 + 6);   // start picture and frames 0 .. 5
}

TEST_F(Animations, HideUnderTwelveMillisecondsFreesEverythingAtOnce)
{
    auto* surface = NewSurface(RECT{100, 100, 200, 200});
    HWND wnd = surface->Handle();
    StartHideAnimation(surface, NewSnapshot(100, 100, clGreen), 11, nullptr, TkvAnimType::atAero, 255);
    EXPECT_FALSE(IsWindow(wnd));
    EXPECT_TRUE(pushes.empty());
    if (SharedHideTimer()) {
        EXPECT_EQ(SharedHideTimer()->Surface(), nullptr);
    }
}

TEST_F(Animations, ATickThatRaisesClearsBusyFreesTheSurfaceAndLaterHidesRun)
{
    std::vector<String> errors;
    Application->OnException = [&](TObject*, const std::exception& e) { errors.push_back(Utf8ToString(e.what())); };
    auto* surface = NewSurface(RECT{100, 100, 300, 200});
    HWND wnd = surface->Handle();
    throwAtPush = 3;   // the start picture, frame 0 (played at once), frame 1, then frame 2 raises
    StartHideAnimation(surface, NewSnapshot(200, 100, clGreen), 120, nullptr, TkvAnimType::atFading, 255);
    for (int i = 0; i < 100 && IsWindow(wnd); ++i)
        Pump(10);
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_FALSE(IsWindow(wnd));
    TkvHideTimer* timer = SharedHideTimer();
    ASSERT_NE(timer, nullptr);
    EXPECT_FALSE(timer->Busy());
    EXPECT_EQ(timer->Surface(), nullptr);
    EXPECT_FALSE(AnimationRunning);

    throwAtPush = -1;
    pushes.clear();
    auto* next = NewSurface(RECT{100, 100, 200, 150});
    HWND nextWnd = next->Handle();
    StartHideAnimation(next, NewSnapshot(100, 50, clGreen), 48, nullptr, TkvAnimType::atFading, 255);
    for (int i = 0; i < 100 && IsWindow(nextWnd); ++i)
        Pump(10);
    EXPECT_FALSE(IsWindow(nextWnd));
    EXPECT_EQ(pushes.size(), 1u + 5u);
    EXPECT_EQ(pushes.back().alpha, 0);
}

TEST_F(Animations, ATerminatingApplicationPlaysTheHideAtOnce)
{
    if (!SharedHideTimer()) {
        // The timer is made on first use; made while terminating it would have no inner timer.
        StartHideAnimation(NewSurface(RECT{0, 0, 10, 10}), NewSnapshot(10, 10, clGreen), 12, nullptr,
                           TkvAnimType::atFading, 255);
        for (int i = 0; i < 50 && SharedHideTimer()->Surface(); ++i)
            Pump(10);
        pushes.clear();
    }
    auto* surface = NewSurface(RECT{100, 100, 200, 150});
    HWND wnd = surface->Handle();
    Application->Terminate();
    StartHideAnimation(surface, NewSnapshot(100, 50, clGreen), 60, nullptr, TkvAnimType::atAero, 255);
    // Nothing was pumped, yet every frame is played and the surface is gone.
    const bool gone = !IsWindow(wnd);
    const size_t n = pushes.size();
    Application->ClearTerminated();
    MSG m;
    while (PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    EXPECT_TRUE(gone);
    EXPECT_EQ(n, 1u + 6u);
    EXPECT_EQ(pushes.back().alpha, 0);
}

TEST_F(Animations, HideFormTakesTheCacheWithFullAlphaAndNotifiesItsProvider)
{
    provider->PaintFrameToCache();
    AnimationRunning = true;   // as the main-window hook sets it before it waits for the hide
    watched = form->Handle();
    AnimHideForm(provider.get(), 48, TkvAnimType::atFading);
    EXPECT_FALSE(AnimationRunning);   // cleared: the waiting caller goes on
    // While its picture was put in its place the form was all but invisible;
    // afterwards it is as it was (not layered).
    auto s = SurfacePushes();
    ASSERT_FALSE(s.empty());
    EXPECT_EQ(s.front().watchedAlpha, 1);
    EXPECT_FALSE(GetWindowLongPtrW(form->Handle(), GWL_EXSTYLE) & WS_EX_LAYERED);
    TkvHideTimer* timer = SharedHideTimer();
    ASSERT_NE(timer, nullptr);
    ASSERT_NE(timer->Surface(), nullptr);
    // The snapshot is the cache (navy) made opaque.
    EXPECT_EQ(GetPixel32(timer->Snapshot(), 5, 5), 0xFF000080u);
    for (int i = 0; i < 100 && timer->Surface(); ++i)
        Pump(10);
    ASSERT_EQ(provider->events.size(), 1u);
    EXPECT_EQ(provider->events[0], TkvAnimEvent::aeHiding);
    // Nothing without a cache.
    provider->cache.reset();
    pushes.clear();
    AnimHideForm(provider.get(), 48, TkvAnimType::atFading);
    EXPECT_TRUE(pushes.empty());
}

// ---------------------------------------------------------------- skin change

TEST_F(Animations, CrossFadeOnAControlThatIsNotAForm)
{
    Pump(20);
    CaptureControlSnapshot(panel);
    ASSERT_NE(SharedSnapshot(), nullptr);
    ASSERT_NE(SharedSurface(), nullptr);
    EXPECT_EQ(GetPixel32(SharedSnapshot(), 10, 10) & 0xFFFFFF, 0xFF0000u);   // red as it was on screen
    HWND surface = SharedSurface()->Handle();
    EXPECT_EQ(GetParent(surface), form->Handle());
    EXPECT_TRUE(IsWindowVisible(surface));
    EXPECT_EQ(GetWindow(surface, GW_HWNDNEXT), panel->Handle());   // right above the panel
    RECT sr{};
    GetWindowRect(surface, &sr);
    RECT pr{};
    GetWindowRect(panel->Handle(), &pr);
    EXPECT_TRUE(EqualRect(&sr, &pr));

    panel->SetColor(clBlue);
    const DWORD start = GetTickCount();
    AnimShowFormLayered(panel, 100, 255, TkvAnimType::atFading);
    const DWORD took = GetTickCount() - start;
    EXPECT_GE(took, 8u * 12u);   // nine frames of 12 ms
    EXPECT_FALSE(AnimationRunning);
    EXPECT_EQ(SharedSnapshot(), nullptr);
    EXPECT_EQ(SharedSurface(), nullptr);
    EXPECT_FALSE(IsWindow(surface));
    EXPECT_TRUE(pushes.empty());   // no layered window on this path
    Pump(30);
    EXPECT_EQ(WindowPixel(panel->Handle(), 10, 10), RGB(0, 0, 255));
}

TEST_F(Animations, LayeredFadeOfAFormFadesItsNewPictureIn)
{
    AnimShowFormLayered(form, 60, 255, TkvAnimType::atFading);
    auto s = SurfacePushes();
    ASSERT_EQ(s.size(), 1u + 6u + 1u);
    int last = -1;
    for (const Push& p : s) {
        EXPECT_GE(p.alpha, last);
        last = p.alpha;
    }
    EXPECT_EQ(s.back().alpha, 255);
    // The new picture: the form's yellow and the red panel at (20, 20).
    EXPECT_EQ(s.back().centre & 0xFFFFFF, 0xFFFF00u);
    EXPECT_FALSE(AnimationRunning);
    EXPECT_EQ(CountSurfaces(), 0);
}

// ---------------------------------------------------------------- windows of their own

TEST(OutputWindow, APopupOwnedByTheApplicationThatPaintsNothing)
{
    auto* owner = new TForm(Application);
    owner->SetBounds(10, 10, 100, 100);
    owner->Show();
    SetWindowPos(owner->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    auto* w = new TOutputWindow(owner);
    EXPECT_EQ(w->Caption(), L"kvOutputWindow");
    EXPECT_FALSE(w->Visible());
    EXPECT_EQ(w->Color(), TColor(0xFF00FF));
    EXPECT_EQ(w->Tag(), -98);
    HWND h = w->Handle();
    const LONG_PTR style = GetWindowLongPtrW(h, GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & (WS_CHILD | WS_CAPTION | WS_THICKFRAME | WS_VISIBLE));
    EXPECT_TRUE(GetWindowLongPtrW(h, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(GetWindow(h, GW_OWNER), Application->Handle());
    EXPECT_EQ(SendMessageW(h, WM_ERASEBKGND, 0, 0), 1);
    Free(owner);

    // Under a plain owner it is not topmost.
    auto* plain = new TForm(Application);
    auto* w2 = new TOutputWindow(plain);
    EXPECT_FALSE(GetWindowLongPtrW(w2->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    Free(plain);
}

TEST(ThemeBinding, SetWindowThemeIsBoundAtStartUp)
{
    ASSERT_NE(SetWindowThemeFn, nullptr);
    EXPECT_EQ(SetWindowThemeFn, reinterpret_cast<TSetWindowThemeFn>(
                                    GetProcAddress(GetModuleHandleA("uxtheme.dll"), "SetWindowTheme")));
    // A second start-up keeps it; the matching shut-down keeps it too (counted).
    InitAnimationsUnit();
    DoneAnimationsUnit();
    EXPECT_NE(SetWindowThemeFn, nullptr);
}

// ---------------------------------------------------------------- dialogs

namespace {

// A dialog wrapper of our own over a real framed window with a red panel.
class TestDialog : public TsProviderSeam {
public:
    explicit TestDialog(TForm* f, TPanel* p) : form(f), panel(p) {}
    HWND Window() override { return form->Handle(); }
    TBitmap* CacheBitmap() override { return cache.get(); }
    void PaintFrameToCache() override
    {
        RECT r{};
        GetWindowRect(form->Handle(), &r);
        cache = NewBitmap32(Width(r), Height(r));
        FillRect32(cache.get(), RECT{0, 0, Width(r), Height(r)}, clNavy, 255);
    }
    POINT ClientOffset() override
    {
        RECT c = GetClientRectInWindow(form->Handle());
        return POINT{c.left, c.top};
    }
    void PrintChildren(HDC dc) override
    {
        ++prints;
        int saved = SaveDC(dc);
        POINT org;
        GetViewportOrgEx(dc, &org);
        SetViewportOrgEx(dc, org.x + panel->Left(), org.y + panel->Top(), nullptr);
        PaintWindowedControlTo(panel, dc);
        RestoreDC(dc, saved);
    }
    TForm* form;
    TPanel* panel;
    std::unique_ptr<TBitmap> cache;
    int prints = 0;
};

}  // namespace

TEST_F(Animations, DialogShowStepsByTheTargetOverFramesPlusOne)
{
    form->SetBorderStyle(TFormBorderStyle::bsDialog);
    Pump(20);
    Register(provider.get());   // the form has a new window
    TestDialog dialog(form, panel);
    AnimShowDialog(&dialog, 100, 255, TkvAnimType::atFading);
    auto s = SurfacePushes();
    ASSERT_EQ(s.size(), 11u);
    EXPECT_EQ(s[1].alpha, 28);   // 255 / 9 rounded
    EXPECT_LT(s[8].alpha, 255);
    EXPECT_EQ(s[9].alpha, 255);
    EXPECT_EQ(s.back().alpha, 255);
    EXPECT_EQ(dialog.prints, 1);
    // The picture: the frame from the cache, the client area painted from the children.
    const POINT o = dialog.ClientOffset();
    EXPECT_GT(o.y, 0);
    RECT wr{};
    GetWindowRect(form->Handle(), &wr);
    EXPECT_EQ(s.back().size.cx, Width(wr));
    EXPECT_EQ(s.back().opaque.left, 0);   // opaque all over (no border window)
    EXPECT_EQ(s.back().opaque.bottom, Height(wr));
    EXPECT_FALSE(AnimationRunning);
    EXPECT_EQ(CountSurfaces(), 0);
    EXPECT_TRUE(provider->events.empty());   // dialogs notify nobody
}

TEST_F(Animations, DialogHideAndPictures)
{
    form->SetBorderStyle(TFormBorderStyle::bsDialog);
    Pump(30);
    Register(provider.get());   // the form has a new window
    TestDialog dialog(form, panel);
    dialog.PaintFrameToCache();
    const POINT o = dialog.ClientOffset();

    // Painted: the panel's red at its place in the client area, alpha 255 everywhere.
    std::unique_ptr<TBitmap> painted(NewBitmap32(dialog.cache->Width(), dialog.cache->Height()));
    PaintDialogToBitmap(&dialog, painted.get(), false);
    GdiFlush();
    EXPECT_EQ(GetPixel32(painted.get(), o.x + 25, o.y + 25), 0xFFFF0000u);
    EXPECT_EQ(GetPixel32(painted.get(), 0, 0) >> 24, 255u);

    // From the screen into a bitmap smaller than the dialog: alpha only in the
    // client rectangle, held inside the bitmap.
    RedrawWindow(form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump(30);
    std::unique_ptr<TBitmap> small(NewBitmap32(100, 60));
    PaintDialogToBitmap(&dialog, small.get(), true);
    GdiFlush();
    EXPECT_EQ(GetPixel32(small.get(), 99, 59) >> 24, 255u);
    EXPECT_EQ(GetPixel32(small.get(), o.x + 25, o.y + 25), 0xFFFF0000u);
    if (o.x > 0) {
        EXPECT_EQ(GetPixel32(small.get(), o.x - 1, o.y + 5) >> 24, 0u);
    }

    // Hide: a plain copy of the cache, nobody notified.
    AnimHideDialog(&dialog, 48, TkvAnimType::atAero);
    EXPECT_FALSE(AnimationRunning);
    TkvHideTimer* timer = SharedHideTimer();
    ASSERT_NE(timer, nullptr);
    ASSERT_NE(timer->Surface(), nullptr);
    EXPECT_EQ(timer->NotifyWindow(), nullptr);
    EXPECT_EQ(GetPixel32(timer->Snapshot(), 3, 3), 0xFF000080u);
    for (int i = 0; i < 100 && timer->Surface(); ++i)
        Pump(10);
    EXPECT_EQ(timer->Surface(), nullptr);
    EXPECT_TRUE(provider->events.empty());
}

TEST_F(Animations, WithoutLayeredWindowsAFormGetsThePlainCrossFade)
{
    Pump(20);
    UpdateLayeredWindowFn = nullptr;   // as on a system without layered windows
    const DWORD start = GetTickCount();
    AnimShowFormLayered(form, 60, 255, TkvAnimType::atFading);
    const DWORD took = GetTickCount() - start;
    UpdateLayeredWindowFn = RecordPush;
    EXPECT_GE(took, 5u * 12u);
    EXPECT_TRUE(pushes.empty());
    EXPECT_FALSE(AnimationRunning);
    EXPECT_EQ(SharedSurface(), nullptr);
    EXPECT_EQ(SharedSnapshot(), nullptr);
    Pump(20);
    EXPECT_EQ(WindowPixel(form->Handle(), 5, 5), RGB(255, 255, 0));
}

TEST_F(Animations, AHideWhoseFirstPushRaisesLeavesNothingBehind)
{
    auto* surface = NewSurface(RECT{100, 100, 200, 150});
    HWND wnd = surface->Handle();
    throwAtPush = 0;
    EXPECT_THROW(StartHideAnimation(surface, NewSnapshot(100, 50, clGreen), 100, nullptr, TkvAnimType::atFading, 255),
                 std::runtime_error);
    EXPECT_FALSE(IsWindow(wnd));
    ASSERT_NE(SharedHideTimer(), nullptr);
    EXPECT_EQ(SharedHideTimer()->Surface(), nullptr);
    EXPECT_FALSE(SharedHideTimer()->OnTimer());
}

TEST_F(Animations, TheManagersAnimationCallsReachTheAnimations)
{
    // A provider's own fade after a skin change and hide are the animations'.
    ProviderOf(form).FadeAfterSkinChange(36, 255, TkvAnimType::atFading);
    EXPECT_EQ(SurfacePushes().size(), 1u + 4u + 1u);
    EXPECT_FALSE(AnimationRunning);

    // The hide of a form goes through its provider, with the default manager's hide effect.
    auto* manager = new TsSkinManager(nullptr);
    ASSERT_EQ(DefaultManager, manager);
    manager->AnimEffects.FormHide.Time = 48;
    manager->AnimEffects.FormHide.Mode = TkvAnimType::atFading;
    pushes.clear();
    provider->PaintFrameToCache();
    AnimationRunning = true;
    ProviderOf(form).PlayHideAnimation();
    Free(manager);
    EXPECT_FALSE(AnimationRunning);
    ASSERT_NE(SharedHideTimer(), nullptr);
    EXPECT_NE(SharedHideTimer()->Surface(), nullptr);
    EXPECT_FALSE(SurfacePushes().empty());
    for (int i = 0; i < 200 && SharedHideTimer()->Surface(); ++i)
        Pump(10);
    ASSERT_EQ(provider->events.size(), 1u);
    EXPECT_EQ(SurfacePushes().size(), 1u + 5u);   // start picture, frames 0 .. 4
    // A form without a provider is left alone.
    UnregisterProvider(form->Handle());
    pushes.clear();
    ProviderOf(form).PlayHideAnimation();
    EXPECT_TRUE(pushes.empty());
}

TEST_F(Animations, EachWindowHasOneProviderAndTheRestTheNullOne)
{
    HWND h = form->Handle();
    EXPECT_EQ(&ProviderOf(h), provider.get());
    EXPECT_EQ(&ProviderOf(form), provider.get());
    TestProvider other(form);
    RegisterProvider(h, &other);   // replaces the first
    EXPECT_EQ(&ProviderOf(h), &other);
    UnregisterProvider(h, provider.get());   // not the registered one: kept
    EXPECT_EQ(&ProviderOf(h), &other);
    UnregisterProvider(h, &other);
    // Unregistered windows, child windows and no window at all answer with the null provider.
    for (TsProviderSeam* none : {&ProviderOf(h), &ProviderOf(panel->Handle()), &ProviderOf(HWND(nullptr))}) {
        EXPECT_TRUE(none->IsNull());
        EXPECT_FALSE(none->WorksWith(nullptr));
        EXPECT_FALSE(none->HasSkinData());
        EXPECT_EQ(none->Border(), nullptr);
        EXPECT_FALSE(none->PrepareHideAnimation());
        none->PlayHideAnimation();
        none->FadeAfterSkinChange(36, 255, TkvAnimType::atFading);
    }
    EXPECT_TRUE(pushes.empty());   // nothing animated
    EXPECT_FALSE(provider->IsNull());
}

TEST_F(Animations, AHiddenTranslucentFormKeepsItsAlpha)
{
    SetWindowLongPtrW(form->Handle(), GWL_EXSTYLE, GetWindowLongPtrW(form->Handle(), GWL_EXSTYLE) | WS_EX_LAYERED);
    SetLayeredWindowAttributes(form->Handle(), 0, 200, LWA_ALPHA);
    provider->PaintFrameToCache();
    AnimHideForm(provider.get(), 24, TkvAnimType::atFading);
    BYTE a = 0;
    DWORD f = 0;
    ASSERT_TRUE(GetWindowLongPtrW(form->Handle(), GWL_EXSTYLE) & WS_EX_LAYERED);
    ASSERT_TRUE(GetLayeredWindowAttributes(form->Handle(), nullptr, &a, &f));
    EXPECT_EQ(a, 200);
}

// ---------------------------------------------------------------- border windows
// A border window of the tests' own reaches what the real one cannot be made to
// do (no picture, a skin change, a dialog); the show, the snapshot and the hide
// on the real border window are in test_formanim.cpp.

namespace {

// A border window of our own: a real layered window around the form, with a
// half-transparent shadow strip in its picture.
class TestBorder : public TsBorderSeam {
public:
    TWinControl* Window() override
    {
        if (!window) window = NewSurface(RECT{0, 0, 10, 10});
        return window;
    }
    TWinControl* ReleaseWindow() override
    {
        TWinControl* w = Window();
        window = nullptr;
        ++releases;
        return w;
    }
    void PaintOwnerFrame() override { ++ownerFrames; }
    HRGN CreateBorderRegion() override { return CreateRectRgn(0, 0, 50, 50); }
    void UpdateBorderWindow(bool repaint, uint8_t alpha) override { updates.push_back(alpha); }
    void SetSkipUpdate(bool on) override { skips.push_back(on); }
    bool HasExtendedShadow() override { return true; }
    POINT ShowOffsets() override { return POINT{6, 8}; }
    ~TestBorder() override
    {
        if (window) Free(window);
    }
    TWinControl* window = nullptr;
    int releases = 0, ownerFrames = 0;
    std::vector<uint8_t> updates;
    std::vector<bool> skips;
};

class BorderedProvider : public TestProvider {
public:
    using TestProvider::TestProvider;
    TsBorderSeam* Border() override { return &border; }
    void FreeBorder() override { ++borderFrees; }
    void PaintFrameToCache() override
    {
        // The picture of the border window: shadow (alpha 128) around the form.
        RECT r{};
        GetWindowRect(form->Handle(), &r);
        cache = NewBitmap32(Width(r) + 12, Height(r) + 16);
        FillRect32(cache.get(), RECT{0, 0, cache->Width(), cache->Height()}, clNavy, 128);
        offset = POINT{6, 8};
    }
    TestBorder border;
    int borderFrees = 0;
};

}  // namespace

TEST_F(Animations, AShowGivenUpForWantOfAPictureLeavesTheBorderWindowItsRegion)
{
    struct NoPicture : BorderedProvider {
        using BorderedProvider::BorderedProvider;
        void PaintFrameToCache() override { cache.reset(); }
    } p(form);
    HWND wnd = p.border.Window()->Handle();
    SetWindowRgn(wnd, p.border.CreateBorderRegion(), FALSE);
    AnimShowForm(&p, 60, 255, TkvAnimType::atFading);
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    EXPECT_NE(GetWindowRgn(wnd, rgn), ERROR) << "the border window keeps its region";
    DeleteObject(rgn);
    EXPECT_FALSE(AnimationRunning);
}

TEST_F(Animations, ASkinChangeFadesTheNewBorderWindowInOverTheOldOne)
{
    BorderedProvider p(form);
    p.PaintFrameToCache();
    HWND oldWnd = p.border.Window()->Handle();
    Register(&p);
    AnimShowFormLayered(form, 96, 255, TkvAnimType::atFading);
    Register(provider.get());
    ASSERT_NE(p.border.window, nullptr);
    HWND newWnd = p.border.window->Handle();
    EXPECT_NE(newWnd, oldWnd);
    EXPECT_FALSE(IsWindow(oldWnd));   // freed after the fade
    std::vector<Push> fresh, old;
    for (const Push& x : pushes) {
        if (x.wnd == newWnd) fresh.push_back(x);
        if (x.wnd == oldWnd) old.push_back(x);
    }
    ASSERT_EQ(fresh.size(), 1u + 9u + 1u);
    ASSERT_EQ(old.size(), 9u);   // one per frame
    for (size_t i = 0; i < old.size(); ++i) {
        const int expected = std::clamp(3 * (255 - int(fresh[i + 1].alpha)), 0, 255);
        EXPECT_EQ(old[i].alpha, expected) << "frame " << i;
    }
    EXPECT_EQ(old.front().alpha, 255);   // opaque while the new picture is far off
    EXPECT_EQ(old.back().alpha, 0);
    EXPECT_EQ(fresh.back().alpha, 255);
    RECT wr{};
    GetWindowRect(newWnd, &wr);
    EXPECT_EQ(wr.left, 60 - 6);
    EXPECT_EQ(wr.top, 50 - 8);
    ASSERT_EQ(p.border.updates.size(), 1u);
    EXPECT_EQ(p.border.releases, 1);
    EXPECT_FALSE(AnimationRunning);
}

TEST_F(Animations, ADialogWithABorderWindowShowsAndHidesThroughIt)
{
    form->SetBorderStyle(TFormBorderStyle::bsDialog);
    Pump(20);
    Register(provider.get());   // the form has a new window
    struct BorderedDialog : TestDialog {
        using TestDialog::TestDialog;
        TsBorderSeam* Border() override { return &border; }
        void FreeBorder() override { ++frees; }
        TestBorder border;
        int frees = 0;
    } dialog(form, panel);
    AnimShowDialog(&dialog, 48, 255, TkvAnimType::atFading);
    ASSERT_NE(dialog.border.window, nullptr);
    HWND wnd = dialog.border.window->Handle();
    std::vector<Push> s;
    for (const Push& x : pushes)
        if (x.wnd == wnd) s.push_back(x);
    ASSERT_EQ(s.size(), 1u + 5u + 1u);
    EXPECT_EQ(s.back().alpha, 255);
    RECT dr{}, br{};
    GetWindowRect(form->Handle(), &dr);
    GetWindowRect(wnd, &br);
    EXPECT_EQ(br.left, dr.left - 6);
    EXPECT_EQ(br.top, dr.top - 8);
    // Alpha only in the client area: the navy frame of the cache stays as it was.
    const POINT o = dialog.ClientOffset();
    EXPECT_EQ(dialog.border.skips.size(), 2u);
    ASSERT_EQ(dialog.border.updates.size(), 1u);
    EXPECT_TRUE(IsWindow(wnd));
    EXPECT_FALSE(AnimationRunning);
    std::unique_ptr<TBitmap> picture(NewBitmap32(dialog.cache->Width(), dialog.cache->Height()));
    PaintDialogToBitmap(&dialog, picture.get(), false);
    GdiFlush();
    EXPECT_EQ(GetPixel32(picture.get(), o.x + 1, o.y + 1) >> 24, 255u);
    if (o.y > 0) {
        EXPECT_EQ(GetPixel32(picture.get(), o.x + 1, o.y - 1) >> 24, 0u);
    }

    AnimHideDialog(&dialog, 36, TkvAnimType::atFading);
    EXPECT_EQ(dialog.border.window, nullptr);
    EXPECT_EQ(dialog.frees, 1);
    ASSERT_NE(SharedHideTimer(), nullptr);
    EXPECT_EQ(SharedHideTimer()->Surface()->Handle(), wnd);
    for (int i = 0; i < 100 && IsWindow(wnd); ++i)
        Pump(10);
    EXPECT_FALSE(IsWindow(wnd));
    EXPECT_FALSE(AnimationRunning);
}

TEST_F(Animations, ATranslucentFormEndsItsShowAtTheShowsAlpha)
{
    SetWindowLongPtrW(form->Handle(), GWL_EXSTYLE, GetWindowLongPtrW(form->Handle(), GWL_EXSTYLE) | WS_EX_LAYERED);
    SetLayeredWindowAttributes(form->Handle(), 0, 100, LWA_ALPHA);
    AnimShowForm(provider.get(), 24, 180, TkvAnimType::atFading);
    BYTE a = 0;
    DWORD f = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(form->Handle(), nullptr, &a, &f));
    EXPECT_EQ(a, 180);
    // An opaque form stays opaque (not made layered).
    SetWindowLongPtrW(form->Handle(), GWL_EXSTYLE,
                      GetWindowLongPtrW(form->Handle(), GWL_EXSTYLE) & ~LONG_PTR(WS_EX_LAYERED));
    AnimShowForm(provider.get(), 24, 180, TkvAnimType::atFading);
    EXPECT_FALSE(GetWindowLongPtrW(form->Handle(), GWL_EXSTYLE) & WS_EX_LAYERED);
}

TEST_F(Animations, AHideStartedAgainOnItsOwnSurfaceKeepsIt)
{
    auto* surface = NewSurface(RECT{100, 100, 200, 150});
    HWND wnd = surface->Handle();
    StartHideAnimation(surface, NewSnapshot(100, 50, clGreen), 600, nullptr, TkvAnimType::atFading, 255);
    Pump(30);
    StartHideAnimation(surface, NewSnapshot(100, 50, clBlue), 36, nullptr, TkvAnimType::atFading, 255);
    EXPECT_TRUE(IsWindow(wnd));
    EXPECT_EQ(SharedHideTimer()->Surface(), surface);
    for (int i = 0; i < 100 && IsWindow(wnd); ++i)
        Pump(10);
    EXPECT_FALSE(IsWindow(wnd));
}
