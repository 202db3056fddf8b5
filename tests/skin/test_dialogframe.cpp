// A skinned dialog beyond its own window: the border window that carries its
// frame and the skin's shadow, the show and hide animations (the hide showing
// the box as the screen did when it was answered), the fade while its
// caption is dragged and the glow of a hot title button; on real message
// boxes under the sample skin. Every
// picture pushed to a layered window is recorded, so the tests read what the
// user was shown.
#include "tests/skin/DialogBoxes.h"

#include <memory>
#include <vector>

#include "skin/core/Animations.h"
#include "skin/core/SkinManager.h"
#include "skin/forms/DialogBorder.h"
#include "skin/forms/DialogWnd.h"
#include "skin/core/SkinHooks.h"
#include "skin/graphics/Bitmap32.h"
#include "skin/graphics/Glow.h"
#include "skin/graphics/LayeredApi.h"

using namespace skintest;
using namespace dialogboxes;

namespace {

struct Pushed {
    HWND wnd = nullptr;
    uint8_t alpha = 0;
    std::unique_ptr<TBitmap> picture;   // a copy; nil when only the alpha changed
};
std::vector<Pushed> pushed;
TUpdateLayeredWindowFn realPush = nullptr;

BOOL WINAPI RecordPush(HWND wnd, HDC screen, POINT* dst, SIZE* size, HDC src, POINT* srcPoint, COLORREF key,
                       BLENDFUNCTION* blend, DWORD flags)
{
    Pushed p;
    p.wnd = wnd;
    p.alpha = blend ? blend->SourceConstantAlpha : 255;
    if (src && size && size->cx > 0 && size->cy > 0) {
        p.picture = NewBitmap32(size->cx, size->cy);
        BitBlt(p.picture->Canvas().Handle(), 0, 0, size->cx, size->cy, src, srcPoint ? srcPoint->x : 0,
               srcPoint ? srcPoint->y : 0, SRCCOPY);
        GdiFlush();
    }
    pushed.push_back(std::move(p));
    return realPush(wnd, screen, dst, size, src, srcPoint, key, blend, flags);
}

const Pushed* LastPictureTo(HWND wnd)
{
    for (auto it = pushed.rbegin(); it != pushed.rend(); ++it)
        if (it->wnd == wnd && it->picture)
            return &*it;
    return nullptr;
}

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }
uint32_t PixelOf(TBitmap* b, int x, int y) { return b->View().At(x, y); }
COLORREF RgbOf(uint32_t argb) { return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF); }

int CountWindowsOfClass(const wchar_t* name)
{
    struct Counter {
        const wchar_t* name;
        int n = 0;
        static BOOL CALLBACK Each(HWND w, LPARAM l)
        {
            auto* c = reinterpret_cast<Counter*>(l);
            wchar_t cls[64] = {};
            GetClassNameW(w, cls, 64);
            c->n += wcscmp(cls, c->name) == 0 ? 1 : 0;
            return TRUE;
        }
    } counter{name};
    EnumThreadWindows(GetCurrentThreadId(), Counter::Each, LPARAM(&counter));
    return counter.n;
}

TkvDialogWnd* DialogOf(HWND box) { return dynamic_cast<TkvDialogWnd*>(GetWrapper(box)); }

class DialogExtras : public Dialogs {
protected:
    void SetUp() override
    {
        Dialogs::SetUp();
        realPush = UpdateLayeredWindowFn;
        ASSERT_NE(realPush, nullptr) << "layered windows are expected under Wine";
        UpdateLayeredWindowFn = RecordPush;
        pushed.clear();
    }
    void TearDown() override
    {
        // A hide still playing ends before the next test.
        for (int i = 0; i < 100 && SharedHideTimer() && SharedHideTimer()->Surface(); ++i)
            Pump(15);
        if (realPush)
            UpdateLayeredWindowFn = realPush;
        pushed.clear();
        Dialogs::TearDown();
    }
};

}  // namespace

TEST_F(DialogExtras, ABorderWindowCarriesTheFrameAndShadowAndHandsTheCloseClickToTheBox)
{
    manager->SetExtendedBorders(true);
    ASSERT_TRUE(DialogWantsBorderWindow(manager));
    const auto s = manager->ShadowMargins;
    bool inspected = false;
    int result = RunBox(L"С тенью", MB_OKCANCEL | MB_ICONINFORMATION, [&] {
        std::vector<HWND> boxes = Boxes();
        ASSERT_EQ(boxes.size(), 1u);
        HWND box = boxes[0];
        TkvDialogWnd* dlg = DialogOf(box);
        ASSERT_NE(dlg, nullptr);
        ASSERT_NE(dlg->BorderWindow(), nullptr);
        TkvBorderWindow* bw = dlg->BorderWindow()->WindowIfMade();
        ASSERT_TRUE(bw && bw->HandleAllocated());
        HWND b = bw->Handle();
        inspected = true;
        EXPECT_TRUE(IsWindowVisible(b));
        EXPECT_EQ(GetWindow(b, GW_OWNER), box);
        RECT wr{}, br{};
        GetWindowRect(box, &wr);
        GetWindowRect(b, &br);
        EXPECT_EQ(br.left, wr.left - s[0]);
        EXPECT_EQ(br.top, wr.top - s[1]);
        EXPECT_EQ(br.right, wr.right + s[2]);
        EXPECT_EQ(br.bottom, wr.bottom + s[3]);

        // The box keeps only its client area; the border window shows the rest.
        auto regionBox = [](HWND w) {
            RECT r{};
            HRGN rgn = CreateRectRgn(0, 0, 0, 0);
            if (GetWindowRgn(w, rgn) != ERROR)
                GetRgnBox(rgn, &r);
            DeleteObject(rgn);
            return r;
        };
        auto expectClientRegion = [&] {
            const POINT o = dlg->ClientOriginNow();
            RECT c{};
            GetClientRect(box, &c);
            const RECT r = regionBox(box);
            EXPECT_EQ(r.left, o.x);
            EXPECT_EQ(r.top, o.y);
            EXPECT_EQ(r.right, o.x + c.right);
            EXPECT_EQ(r.bottom, o.y + c.bottom);
        };
        expectClientRegion();

        // Its picture: the shadow round the edge, the close button of the
        // box's frame picture inside, opaque.
        auto expectFrameInPicture = [&] {
            const Pushed* last = LastPictureTo(b);
            ASSERT_NE(last, nullptr);
            GetWindowRect(b, &br);
            ASSERT_EQ(last->picture->Width(), Width(br));
            ASSERT_EQ(last->picture->Height(), Height(br));
            EXPECT_LT(PixelOf(last->picture.get(), 0, 0) >> 24, 255u);
            TBitmap* frame = dlg->CommonData->CacheBitmap.get();
            const dialoggeo::TitleLayout l = dlg->Layout();
            int same = 0, all = 0;
            for (int y = l.Close.top; y < l.Close.bottom; ++y)
                for (int x = l.Close.left; x < l.Close.right; ++x) {
                    const uint32_t p = PixelOf(last->picture.get(), x + s[0], y + s[1]);
                    same += (p >> 24) == 255 && (p & 0xFFFFFF) == (PixelOf(frame, x, y) & 0xFFFFFF);
                    ++all;
                }
            EXPECT_GT(all, 0);
            EXPECT_EQ(same, all);
        };
        expectFrameInPicture();
        SaveWindowShot(b, L"dialogs-messagebox-border");

        // The frame takes the mouse as the box's; the shadow lets it through.
        auto closePoint = [&] {
            GetWindowRect(box, &wr);
            const POINT c = Centre(dlg->Layout().Close);
            return POINT{wr.left + c.x, wr.top + c.y};
        };
        POINT close = closePoint();
        EXPECT_EQ(dlg->BorderWindow()->HitTestScreen(close), HTCLOSE);
        EXPECT_EQ(SendMessageW(b, WM_NCHITTEST, 0, MAKELPARAM(close.x, close.y)), HTOBJECT);
        EXPECT_EQ(SendMessageW(b, WM_NCHITTEST, 0, MAKELPARAM(br.left + 1, br.top + 1)), HTTRANSPARENT);

        // A larger box: the border window, its picture and the region follow;
        // the close button moves to the new right end.
        SetWindowPos(box, nullptr, 0, 0, Width(wr) + 60, Height(wr) + 20, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        Pump(20);
        GetWindowRect(box, &wr);
        GetWindowRect(b, &br);
        EXPECT_EQ(Width(br), Width(wr) + s[0] + s[2]);
        EXPECT_EQ(Height(br), Height(wr) + s[1] + s[3]);
        expectClientRegion();
        expectFrameInPicture();
        EXPECT_EQ(dlg->Layout().Close.right, Width(wr) - manager->SkinData().BIRight - dlg->FrameWidth());

        // The click on the drawn close button, through the border window.
        close = closePoint();
        PostMessageW(b, WM_NCLBUTTONDOWN, HTOBJECT, MAKELPARAM(close.x, close.y));
        PostMessageW(b, WM_NCLBUTTONUP, HTOBJECT, MAKELPARAM(close.x, close.y));
    });
    EXPECT_TRUE(inspected);
    EXPECT_EQ(result, IDCANCEL);
    Pump(20);
    EXPECT_EQ(CountWindowsOfClass(L"TkvBorderWindow"), 0);
}

TEST_F(DialogExtras, ShowAndHideAnimationsPlayOnASurfaceAndTheHideShowsTheBoxAsAnswered)
{
    manager->AnimEffects.DialogShow.Time = 100;
    manager->AnimEffects.DialogShow.Mode = TkvAnimType::atFading;
    manager->AnimEffects.DialogHide.Time = 100;
    manager->AnimEffects.DialogHide.Mode = TkvAnimType::atFading;
    HWND box = nullptr;
    std::vector<uint8_t> showAlphas;
    bool layeredAfterShow = true;
    COLORREF onScreen = CLR_INVALID;
    POINT spot{}, offset{};
    size_t beforeAnswer = 0;
    int result = RunBox(L"Показать и скрыть", MB_OKCANCEL, [&] {
        std::vector<HWND> boxes = Boxes();
        ASSERT_EQ(boxes.size(), 1u);
        box = boxes[0];
        for (const Pushed& p : pushed)
            if (p.wnd != box)
                showAlphas.push_back(p.alpha);
        layeredAfterShow = (GetWindowLongPtrW(box, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
        // A spot in the middle of a button: drawn by a child, not by the frame picture.
        HWND button = FindWindowExW(box, nullptr, L"Button", nullptr);
        ASSERT_NE(button, nullptr);
        RECT r{};
        GetWindowRect(button, &r);
        MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&r), 2);
        spot = Centre(r);
        onScreen = WindowPixel(box, spot.x, spot.y);
        offset = DialogOf(box)->ClientOffset();
        beforeAnswer = pushed.size();
        PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
    });
    ASSERT_EQ(result, IDCANCEL);
    // The show: a surface faded in, frame by frame, to opaque; the box is plain afterwards.
    ASSERT_GE(showAlphas.size(), 3u);
    EXPECT_LT(showAlphas.front(), 255);
    for (size_t i = 1; i < showAlphas.size(); ++i)
        EXPECT_LE(showAlphas[i - 1], showAlphas[i]) << "frame " << i;
    EXPECT_EQ(showAlphas.back(), 255);
    EXPECT_FALSE(layeredAfterShow);
    // The answer: a cover showing the box as the screen did (the button
    // included), then the fade away on that cover.
    ASSERT_GT(pushed.size(), beforeAnswer);
    const Pushed& cover = pushed[beforeAnswer];
    EXPECT_NE(cover.wnd, box);
    EXPECT_EQ(cover.alpha, 255);
    ASSERT_NE(cover.picture, nullptr);
    EXPECT_EQ(RgbOf(PixelOf(cover.picture.get(), offset.x + spot.x, offset.y + spot.y)), onScreen);
    for (int i = 0; i < 100 && SharedHideTimer() && SharedHideTimer()->Surface(); ++i)
        Pump(15);
    bool faded = false;
    for (size_t i = beforeAnswer + 1; i < pushed.size(); ++i)
        faded = faded || (pushed[i].wnd == cover.wnd && pushed[i].alpha < 255);
    EXPECT_TRUE(faded);
    EXPECT_EQ(CountWindowsOfClass(L"TkvAnimSurface"), 0);
}

namespace {
TkvDialogWnd* sampled = nullptr;
HWND sampledBorder = nullptr;
int lowestAlpha = 255, samplesWhileBlending = 0;

// What the user sees while the drag runs: the box's own alpha, or with a
// border window the alpha of the last picture pushed to it.
void CALLBACK SampleBlend(HWND, UINT, UINT_PTR, DWORD)
{
    if (!sampled || !sampled->BlendingOnMove())
        return;
    ++samplesWhileBlending;
    int alpha = 255;
    if (sampledBorder) {
        for (auto it = pushed.rbegin(); it != pushed.rend(); ++it)
            if (it->wnd == sampledBorder) {
                alpha = it->alpha;
                break;
            }
    } else {
        BYTE a = 255;
        DWORD flags = 0;
        if (GetLayeredWindowAttributes(sampled->Handle, nullptr, &a, &flags) && (flags & LWA_ALPHA))
            alpha = a;
    }
    lowestAlpha = std::min(lowestAlpha, alpha);
}
}  // namespace

TEST_F(DialogExtras, BlendOnMovingFadesTheBoxWhileItsCaptionIsDragged)
{
    manager->AnimEffects.BlendOnMoving.Active = true;
    manager->AnimEffects.BlendOnMoving.BlendValue = 170;
    manager->AnimEffects.BlendOnMoving.Time = 100;
    for (bool bordered : {false, true}) {
        SCOPED_TRACE(bordered ? "with a border window" : "without a border window");
        manager->SetExtendedBorders(bordered);
        lowestAlpha = 255;
        samplesWhileBlending = 0;
        RECT before{}, after{};
        bool layeredAfter = true, blendingAfter = true;
        RunBox(L"Перетащить", MB_OKCANCEL, [&] {
            std::vector<HWND> boxes = Boxes();
            ASSERT_EQ(boxes.size(), 1u);
            HWND box = boxes[0];
            TkvDialogWnd* dlg = DialogOf(box);
            ASSERT_NE(dlg, nullptr);
            ASSERT_EQ(dlg->BorderWindow() != nullptr, bordered);
            sampled = dlg;
            sampledBorder = bordered ? dlg->BorderWindow()->WindowIfMade()->Handle() : nullptr;
            GetWindowRect(box, &before);
            const POINT grab{(before.left + before.right) / 2, before.top + dlg->FrameWidth() + 6};
            ASSERT_EQ(dlg->HitTestScreen(grab), HTCAPTION);
            const UINT_PTR timer = SetTimer(nullptr, 0, 20, SampleBlend);
            DragWithMouse(grab, 40, 30, box);
            KillTimer(nullptr, timer);
            GetWindowRect(box, &after);
            layeredAfter = (GetWindowLongPtrW(box, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
            blendingAfter = dlg->BlendingOnMove();
            sampled = nullptr;
            PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
        });
        EXPECT_GT(samplesWhileBlending, 0);
        EXPECT_EQ(lowestAlpha, 170);
        EXPECT_EQ(after.left - before.left, 40);
        EXPECT_EQ(after.top - before.top, 30);
        EXPECT_FALSE(layeredAfter);
        EXPECT_FALSE(blendingAfter);
    }
}

namespace {
// The sample skin gives its title buttons no glow: this glow skin gives the
// close button's halo mask (the glow window itself is the real one).
class HaloSkin : public TsGlowSkin {
public:
    int FindMaskIndex(const String& section, const String& name) const override
    {
        return section == L"GLOBALINFO" && name == L"BICONCLOSEGLOW0" ? 0 : -1;
    }
    RECT MaskMargins(int) const override { return RECT{5, 5, 5, 5}; }
    void PaintMask(int, TBitmap* bmp) const override
    {
        const PixelView v = bmp->View();
        for (int y = 0; y < v.height; ++y)
            for (int x = 0; x < v.width; ++x)
                v.Row(y)[x] = 0x80804000u;
    }
    bool Destroying() const override { return false; }
};
}  // namespace

TEST_F(DialogExtras, AHotCloseButtonGlowsOnlyWhenTheSkinGivesItAGlow)
{
    HaloSkin halo;
    SkinHooks.GlowSkinOf = [&](TsSkinManager*) -> TsGlowSkin* { return &halo; };
    manager->Effects.SetAllowGlowing(true);
    manager->SkinData().BIConCloseGlowMargin = 2;
    for (int16_t size : {int16_t(0), int16_t(6)}) {
        SCOPED_TRACE(size);
        manager->SkinData().BIConCloseGlow = size;
        bool glowedWhenHot = false, glowAfterwards = true, placed = false;
        RunBox(L"Свечение", MB_OKCANCEL, [&] {
            std::vector<HWND> boxes = Boxes();
            ASSERT_EQ(boxes.size(), 1u);
            HWND box = boxes[0];
            TkvDialogWnd* dlg = DialogOf(box);
            ASSERT_NE(dlg, nullptr);
            RECT wr{};
            GetWindowRect(box, &wr);
            RECT close = dlg->Layout().Close;
            OffsetRect(&close, wr.left, wr.top);
            const POINT c = Centre(close);
            ASSERT_EQ(SendMessageW(box, WM_NCHITTEST, 0, MAKELPARAM(c.x, c.y)), HTCLOSE);
            glowedWhenHot = dlg->ButtonGlow() >= 0;
            if (glowedWhenHot) {
                // The halo stands round the button by the mask's margins less the inset.
                TkvGlowEffect* e = TkvGlowEffects()[size_t(dlg->ButtonGlow())];
                const TkvGlowGeometry g = CalcGlowGeometry(
                    close, RECT{0, 0, close.right - close.left, close.bottom - close.top}, RECT{5, 5, 5, 5}, 2);
                RECT gr{};
                GetWindowRect(e->GlowForm->Handle(), &gr);
                placed = IsWindowVisible(e->GlowForm->Handle()) && gr.left == g.X && gr.top == g.Y &&
                         Width(gr) == g.Width && Height(gr) == g.Height && g.X < close.left;
            }
            // The mouse on the caption: the button is no longer hot, its glow goes.
            SendMessageW(box, WM_NCHITTEST, 0, MAKELPARAM((wr.left + wr.right) / 2, wr.top + dlg->FrameWidth() + 6));
            glowAfterwards = dlg->ButtonGlow() >= 0;
            PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
        });
        EXPECT_EQ(glowedWhenHot, size > 0);
        EXPECT_EQ(placed, size > 0);
        EXPECT_FALSE(glowAfterwards);
    }
}

namespace {
HWND probedBox = nullptr;
bool menuSeen = false, skinnedMenu = false;

BOOL CALLBACK FindMenuWindow(HWND w, LPARAM l)
{
    wchar_t cls[16] = {};
    GetClassNameW(w, cls, 16);
    if (wcscmp(cls, L"#32768") == 0 && IsWindowVisible(w)) {
        *reinterpret_cast<HWND*>(l) = w;
        return FALSE;
    }
    return TRUE;
}

// Inside the menu loop: which menu shows (the class library's skinned system
// menu, not the box's own), then the loop is ended.
void CALLBACK ProbeMenu(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    HWND menuWnd = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindMenuWindow, LPARAM(&menuWnd));
    if (menuWnd) {
        menuSeen = true;
        HMENU shown = HMENU(SendMessageW(menuWnd, 0x01E1 /* MN_GETHMENU */, 0, 0));
        skinnedMenu = shown && shown != GetSystemMenu(probedBox, FALSE) && GetMenuItemCount(shown) > 0;
    }
    EndMenu();
}
}  // namespace

TEST_F(DialogExtras, TheSkinnedSystemMenuOpensFromAltSpaceTheIconAndARightClickOnTheCaption)
{
    manager->SetSkinnedPopups(true);
    struct Way {
        const char* what;
        UINT msg;
        WPARAM wParam;
        bool atCaption;   // LParam: a caption point, else the space key
    };
    const Way ways[] = {
        {"Alt+Space", WM_SYSCOMMAND, SC_KEYMENU, false},
        {"a click on the icon", WM_NCLBUTTONDOWN, HTSYSMENU, true},
        {"a right click on the caption", WM_NCRBUTTONUP, HTCAPTION, true},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.what);
        menuSeen = skinnedMenu = false;
        RunBox(L"Системное меню", MB_OKCANCEL, [&] {
            std::vector<HWND> boxes = Boxes();
            ASSERT_EQ(boxes.size(), 1u);
            probedBox = boxes[0];
            RECT wr{};
            GetWindowRect(probedBox, &wr);
            const LPARAM at = way.atCaption ? MAKELPARAM(wr.left + 30, wr.top + 10) : LPARAM(' ');
            SetTimer(nullptr, 0, 150, ProbeMenu);
            SendMessageW(probedBox, way.msg, way.wParam, at);
            PostMessageW(probedBox, WM_COMMAND, IDCANCEL, 0);
        });
        EXPECT_TRUE(menuSeen);
        EXPECT_TRUE(skinnedMenu);
    }
}
