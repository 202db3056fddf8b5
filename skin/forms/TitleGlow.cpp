#include "skin/forms/TitleGlow.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "classlib/SysUtils.h"
#include "skin/core/OutputWindow.h"
#include "skin/core/SkinManager.h"
#include "skin/forms/BorderForm.h"
#include "skin/forms/FramePaint.h"
#include "skin/forms/SkinProvider.h"
#include "skin/graphics/Bitmap32.h"
#include "skin/graphics/Glow.h"
#include "skin/graphics/LayeredApi.h"
#include "skin/graphics/Utils.h"

// ---------------------------------------------------------------- arithmetic

int GlowFadeAlpha(int steps, int step)
{
    const int alphaStep = 255 / std::max(1, steps);
    return std::clamp(alphaStep * step, 0, 255);
}

bool CaptionGlowAllowed(bool layered, bool managerAllows, bool wow64WithoutComposition)
{
    return layered && managerAllows && !wow64WithoutComposition;
}

RECT GlowWindowRect(const RECT& button, POINT pictureOnScreen, int margin, SIZE halo)
{
    RECT r = button;
    OffsetRect(&r, pictureOnScreen.x, pictureOnScreen.y);
    if (halo.cx > 0 && halo.cy > 0) {
        r.left -= margin;
        r.top -= margin;
        r.right = r.left + halo.cx;
        r.bottom = r.top + halo.cy;
    }
    return r;
}

// ---------------------------------------------------------------- the provider's fades and halos

namespace {

constexpr int kFadeSteps = 10;
constexpr unsigned kFadeIntervalMs = 12;
constexpr wchar_t kGlowClass[] = L"TkvTitleGlow";

// What a provider keeps of its title glows: one fade and one halo per element.
class TsTitleGlows : public TObject {
public:
    ~TsTitleGlows() override
    {
        for (auto& [code, a] : fades)
            delete a;
        for (auto& [code, h] : halos)
            HideGlow(h);
    }
    std::map<int, TkvSBAnimation*> fades;
    std::map<int, int> halos;
};

TsTitleGlows& GlowsOf(TsSkinProvider& p)
{
    if (!p.titleGlows_)
        p.titleGlows_ = std::make_unique<TsTitleGlows>();
    return static_cast<TsTitleGlows&>(*p.titleGlows_);
}

TsTitleGlows* GlowsIfAny(TsSkinProvider& p) { return static_cast<TsTitleGlows*>(p.titleGlows_.get()); }

bool RegisterGlowClass()
{
    static const bool done = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kGlowClass;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return done;
}

// The window the glow sits over: the border window when there is one, else the form.
HWND ReferenceWindow(TsSkinProvider& p)
{
    if (TkvBorderForm* b = p.BorderForm())
        if (TkvBorderWindow* w = b->WindowIfMade(); w && w->HandleAllocated())
            return w->Handle();
    return p.Window();
}

// The glow mask of a hot close, maximise or minimise button, its margin and size.
struct HaloMask {
    int Mask = -1;
    int Margin = 0;
    SIZE Size{};
};
HaloMask HaloOf(TsSkinProvider& p, int hitCode, int glyphMask)
{
    HaloMask h;
    TsSkinManager* m = p.Manager();
    if (!m || !m->IsMaskIndexValid(glyphMask))
        return h;
    const TsSkinData& s = m->SkinData();
    int size = 0;
    switch (hitCode) {
    case HTCLOSE:
        size = s.BIConCloseGlow, h.Margin = s.BIConCloseGlowMargin;
        break;
    case HTMAXBUTTON:
        size = s.BIConMaxGlow, h.Margin = s.BIConMaxGlowMargin;
        break;
    case HTMINBUTTON:
        size = s.BIConMinGlow, h.Margin = s.BIConMinGlowMargin;
        break;
    default:
        return h;
    }
    if (size <= 0)
        return h;
    const String name = AnsiToString(m->ma()[size_t(glyphMask)].PropertyName) + L"GLOW";
    const int mask = m->FindMaskIndexDirect(L"GLOBALINFO", name + L"0");
    if (!m->IsMaskIndexValid(mask))
        return h;
    const TsMaskData& md = m->ma()[size_t(mask)];
    h.Mask = mask;
    h.Size = SIZE{MaskFrameWidth(md), MaskStateHeight(md)};
    if (h.Size.cx <= 0 || h.Size.cy <= 0)
        h.Mask = -1;
    return h;
}

bool GlowingAllowed(TsSkinProvider& p)
{
    TsSkinManager* m = p.Manager();
    return m && CaptionGlowAllowed(LayeredWindowsAvailable(), m->Effects.GetAllowGlowing(), Wow64WithoutComposition);
}

}  // namespace

// ---------------------------------------------------------------- the fade

TkvSBAnimation::TkvSBAnimation(TsSkinProvider* provider, int hitCode)
    : TkvThreadedTimer(nullptr, nullptr, true), provider_(provider), hitCode_(hitCode)
{
    SetInterval(kFadeIntervalMs);
}

TkvSBAnimation::~TkvSBAnimation()
{
    SetEnabled(false);
    FreeWindow();
}

void TkvSBAnimation::FreeWindow()
{
    if (wnd_) {
        DestroyWindow(wnd_);
        wnd_ = nullptr;
    }
    picture_.reset();
    shownAlpha_ = 0;
}

void TkvSBAnimation::Finish()
{
    targetState_ = -1;
    SetEnabled(false);
    FreeWindow();
}

void TkvSBAnimation::Start(int state, int steps, bool fadeIn)
{
    if (targetState_ < 0) {
        steps_ = std::max(1, steps);
        step_ = 0;
        SetState(state, true);
        return;
    }
    // Already running: turn it round.
    if (fadeIn)
        targetState_ = state;
    steps_ = std::max(1, steps);
    step_ = std::min(step_, steps_);
    fadeIn_ = fadeIn;
    if (state == 2) {
        // The press shows at once, in its own picture.
        step_ = steps_;
        FreeWindow();
        BuildPicture();
        Show(255);
        SetEnabled(false);
        return;
    }
    if (fadeIn && state == 1 && !picture_) {
        BuildPicture();
    } else if (fadeIn && state == 1) {
        // Back from pressed to hot: the hot picture.
        FreeWindow();
        BuildPicture();
    }
    SetEnabled(steps_ > 1);
    if (steps_ <= 1)
        Step();
}

void TkvSBAnimation::SetState(int state, bool fadeIn)
{
    if (state == targetState_)
        return;
    if (state != 0) {
        targetState_ = state;
        fadeIn_ = fadeIn;
        if (state == 2)
            FreeWindow();
        step_ = 1;
        BuildPicture();
        Show(std::min(GlowFadeAlpha(steps_, 1), 255));
        step_ = 2;
        if (state == 2) {
            // A press has one step: shown whole at once.
            Show(255);
            step_ = steps_;
        }
    } else {
        targetState_ = 0;
        fadeIn_ = false;
        step_ = std::max(0, step_ - 1);
        Show(GlowFadeAlpha(steps_, step_));
    }
    SetEnabled(steps_ > 1 && targetState_ >= 0);
}

void TkvSBAnimation::Step()
{
    if (targetState_ < 0) {
        SetEnabled(false);
        return;
    }
    if (fadeIn_) {
        if (step_ < steps_) {
            Show(GlowFadeAlpha(steps_, step_));
            ++step_;
        } else {
            SetEnabled(false);
            Show(255);
        }
        return;
    }
    if (step_ > 0) {
        Show(GlowFadeAlpha(steps_, step_));
        --step_;
    } else {
        Finish();
    }
}

void TkvSBAnimation::BuildPicture()
{
    TsSkinManager* m = provider_->Manager();
    TsFramePainter& painter = FramePainterOf(*provider_);
    const RECT button = painter.ElementBounds(hitCode_);
    const int w = button.right - button.left, h = button.bottom - button.top;
    if (!m || w <= 0 || h <= 0) {
        picture_.reset();
        return;
    }
    const POINT origin = painter.PictureScreenOrigin();
    const int state = targetState_ < 0 ? 1 : targetState_;
    const HaloMask halo = state == 1 && GlowingAllowed(*provider_) ? HaloOf(*provider_, hitCode_, painter.ElementMask(hitCode_))
                                                                   : HaloMask{};
    screen_ = GlowWindowRect(button, origin, halo.Margin, halo.Mask >= 0 ? halo.Size : SIZE{});
    const int pw = screen_.right - screen_.left, ph = screen_.bottom - screen_.top;
    picture_ = NewBitmap32(pw, ph);
    const PixelView v = picture_->View();
    for (int y = 0; y < v.height; ++y)
        std::memset(v.Row(y), 0, size_t(v.width) * 4);
    if (halo.Mask >= 0) {
        // The skin's halo, the hot button over it where the button lies.
        if (TsGlowSkin* glow = m->GlowSkin())
            glow->PaintMask(halo.Mask, picture_.get());
        painter.PaintElementPicture(hitCode_, state, *picture_, POINT{halo.Margin, halo.Margin}, false);
    } else {
        // The title under the button, opaque, with the button in its state.
        painter.PaintElementPicture(hitCode_, state, *picture_, POINT{0, 0}, true);
    }
}

void TkvSBAnimation::Show(int alpha)
{
    if (!picture_ || !LayeredWindowsAvailable())
        return;
    HWND ref = ReferenceWindow(*provider_);
    if (!ref || !IsWindow(ref))
        return;
    if (!wnd_) {
        if (!RegisterGlowClass())
            return;
        DWORD ex = WS_EX_NOACTIVATE | WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TRANSPARENT;
        if (IsTopmostWindow(ref))
            ex |= WS_EX_TOPMOST;
        wnd_ = CreateWindowExW(ex, kGlowClass, L"", WS_POPUP, screen_.left, screen_.top, screen_.right - screen_.left,
                               screen_.bottom - screen_.top, ref, nullptr, GetModuleHandleW(nullptr), nullptr);
        if (!wnd_)
            return;
    }
    // Centred on the rectangle, with the picture's size.
    const int x = screen_.left + (screen_.right - screen_.left - picture_->Width()) / 2;
    const int y = screen_.top + (screen_.bottom - screen_.top - picture_->Height()) / 2;
    SetWindowPos(wnd_, IsTopmostWindow(ref) ? HWND_TOPMOST : HWND_TOP, x, y, picture_->Width(), picture_->Height(),
                 SWP_NOACTIVATE | SWP_NOREDRAW);
    PushLayeredBitmap(wnd_, picture_.get(), x, y, uint8_t(std::clamp(alpha, 0, 255)));
    shownAlpha_ = std::clamp(alpha, 0, 255);
    if (!IsWindowVisible(wnd_))
        ShowWindow(wnd_, SW_SHOWNOACTIVATE);
}

// ---------------------------------------------------------------- the provider's side

bool TitleButtonFades(TsSkinProvider& p, int hitCode)
{
    if (hitCode == HTMDICLOSE || hitCode == HTMDIRESTORE || hitCode == HTMDIMIN || hitCode == kNoElement)
        return false;
    TCustomForm* f = p.FormOf();
    // No fade while the form's picture is animated, moved or taken (a
    // stretched form still fades its buttons).
    const uint32_t busy = uint32_t(TsProviderBit::Animating) | uint32_t(TsProviderBit::AnimationRunning) |
                          uint32_t(TsProviderBit::MinimizeRunning) | uint32_t(TsProviderBit::HideSnapshot) |
                          uint32_t(TsProviderBit::Restoring) | uint32_t(TsProviderBit::SnapshotTaking);
    if (!f || f->Parent() || f->FormStyle() == TFormStyle::fsMDIChild || (p.State().Bits() & busy) != 0)
        return false;
    if (!LayeredWindowsAvailable() || Wow64WithoutComposition)
        return false;
    return GlowingAllowed(p) || p.BorderForm() != nullptr;
}

void StartButtonAnimation(TsSkinProvider& p, int hitCode, int state)
{
    TsTitleGlows& g = GlowsOf(p);
    TkvSBAnimation*& a = g.fades[hitCode];
    if ((!a || a->Finished()) && state == 0)
        return;   // nothing shows: nothing to fade out
    if (!a)
        a = new TkvSBAnimation(&p, hitCode);
    a->Start(state, state == 2 ? 1 : kFadeSteps, state != 0);
}

TkvSBAnimation* ButtonAnimation(TsSkinProvider& p, int hitCode)
{
    TsTitleGlows* g = GlowsIfAny(p);
    if (!g)
        return nullptr;
    const auto it = g->fades.find(hitCode);
    return it == g->fades.end() || !it->second || it->second->Finished() ? nullptr : it->second;
}

void UpdateTitleHalo(TsSkinProvider& p, int hitCode, int state, const RECT& screen)
{
    TsSkinManager* m = p.Manager();
    TCustomForm* f = p.FormOf();
    int& handle = GlowsOf(p).halos.try_emplace(hitCode, -1).first->second;
    const bool want = state == 1 && m && f && !f->Parent() && f->FormStyle() != TFormStyle::fsMDIChild &&
                      GlowingAllowed(p);
    if (!want) {
        HideGlow(handle);
        return;
    }
    const HaloMask halo = HaloOf(p, hitCode, FramePainterOf(p).ElementMask(hitCode));
    if (halo.Mask < 0 || handle >= 0)
        return;
    const String name = AnsiToString(m->ma()[size_t(FramePainterOf(p).ElementMask(hitCode))].PropertyName) + L"GLOW";
    const RECT visible{0, 0, screen.right - screen.left, screen.bottom - screen.top};
    handle = ShowGlow(screen, visible, L"GLOBALINFO", m->GlowSkin(), ReferenceWindow(p), halo.Margin, name);
}

int TitleHalo(TsSkinProvider& p, int hitCode)
{
    TsTitleGlows* g = GlowsIfAny(p);
    if (!g)
        return -1;
    const auto it = g->halos.find(hitCode);
    return it == g->halos.end() ? -1 : it->second;
}

void TsSkinProvider::StopButtonAnimations()
{
    if (TsTitleGlows* g = GlowsIfAny(*this)) {
        for (auto& [code, a] : g->fades)
            delete a;
        g->fades.clear();
    }
}

void TsSkinProvider::DropGlows()
{
    if (TsTitleGlows* g = GlowsIfAny(*this))
        for (auto& [code, h] : g->halos)
            HideGlow(h);
}
