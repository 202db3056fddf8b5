#include "skin/core/Animations.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "skin/core/BgRequest.h"
#include "skin/graphics/SkinCommands.h"
#include "skin/core/ControlTreePaint.h"
#include "skin/core/OutputWindow.h"
#include "skin/core/SkinManager.h"
#include "skin/graphics/Bitmap32.h"
#include "skin/graphics/Glow.h"
#include "skin/graphics/Utils.h"

TSetWindowThemeFn SetWindowThemeFn = nullptr;

namespace {

constexpr UINT kShowFlags = SWP_NOSENDCHANGING | SWP_NOOWNERZORDER | SWP_NOCOPYBITS | SWP_NOACTIVATE | SWP_NOREDRAW;
constexpr UINT kFadeFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW | SWP_NOACTIVATE | SWP_NOCOPYBITS;
constexpr UINT kRedrawAll = RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME;

TkvHideTimer* hideTimer = nullptr;
int unitCounter = 0;
HMODULE themeLibrary = nullptr;

// The shared snapshot and surface of the cross-fade. The surface is owned by
// the control it covers, so a watcher hears when either goes away.
std::unique_ptr<TBitmap> sharedSnapshot;
TWinControl* sharedSurface = nullptr;

class SharedWatcher : public TComponent {
public:
    SharedWatcher() : TComponent(nullptr) {}
    void Watch(TComponent* c) { if (c) FreeNotification(c); }

protected:
    void Notification(TComponent* c, TOperation op) override
    {
        TComponent::Notification(c, op);
        if (op == TOperation::opRemove && c == sharedSurface) sharedSurface = nullptr;
    }
};
SharedWatcher& Watcher()
{
    static SharedWatcher w;
    return w;
}

void FreeControl(TWinControl*& c)
{
    TWinControl* q = c;
    c = nullptr;
    if (q) Free(q);
}

// AnimationRunning for the length of an animation: set at its start, cleared
// at its end on every way out (also when an outer caller had set it: the flag
// tells whether an animation runs, and this one has ended).
class RunningFlag {
public:
    RunningFlag() { AnimationRunning = true; }
    ~RunningFlag() { AnimationRunning = false; }
    RunningFlag(const RunningFlag&) = delete;
    RunningFlag& operator=(const RunningFlag&) = delete;
};

struct FreeComponent {
    void operator()(TComponent* c) const { Free(c); }
};
using SurfacePtr = std::unique_ptr<TkvAnimSurface, FreeComponent>;

HWND HandleOf(TWinControl* c) { return c ? c->Handle() : nullptr; }

void MakeLayered(HWND wnd)
{
    LONG_PTR ex = GetWindowLongPtrW(wnd, GWL_EXSTYLE);
    SetWindowLongPtrW(wnd, GWL_EXSTYLE, ex | WS_EX_LAYERED | WS_EX_NOACTIVATE);
}

// Pushes a picture with position and size (the first push of a surface).
void PushPlaced(HWND wnd, HDC screen, TBitmap* picture, int left, int top, uint8_t alpha)
{
    if (!UpdateLayeredWindowFn || !wnd || !picture) return;
    POINT pos{left, top}, src{0, 0};
    SIZE size{picture->Width(), picture->Height()};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
    GdiFlush();
    UpdateLayeredWindowFn(wnd, screen, &pos, &size, picture->Canvas().Handle(), &src, NoColorValue, &blend,
                          ULW_ALPHA);
}

// Every pixel of the picture opaque.
void SetFullAlpha(TBitmap* b)
{
    GdiFlush();
    SetAlphaInRect(b, RECT{0, 0, b->Width(), b->Height()}, 255, NoColorValue);
}

// A new 32-bit copy of a picture.
std::unique_ptr<TBitmap> CopyOf(TBitmap* source)
{
    std::unique_ptr<TBitmap> b = NewBitmap32(source->Width(), source->Height());
    BitBlt(b->Canvas().Handle(), 0, 0, source->Width(), source->Height(), source->Canvas().Handle(), 0, 0, SRCCOPY);
    return b;
}

std::unique_ptr<TBitmap> CopyWithFullAlpha(TBitmap* source)
{
    std::unique_ptr<TBitmap> b = CopyOf(source);
    SetFullAlpha(b.get());
    return b;
}

// A temporary animation surface at the window's top-left with the picture's
// size, topmost when the window is.
TkvAnimSurface* NewSurfaceOver(HWND wnd, const RECT& at, const TBitmap* picture)
{
    return new TkvAnimSurface(RECT{at.left, at.top, at.left + picture->Width(), at.top + picture->Height()},
                              IsTopmostWindow(wnd));
}


// Makes a window layered with a constant alpha (on), or takes that back
// (off): alpha 255 drops the layered style, any other keeps it at that alpha.
void SetWindowLayeredAlpha(HWND wnd, bool on, uint8_t alpha)
{
    if (!wnd || !SetLayeredWindowAttributesFn) return;
    LONG_PTR ex = GetWindowLongPtrW(wnd, GWL_EXSTYLE);
    if (on || alpha < 255) {
        if (!(ex & WS_EX_LAYERED)) SetWindowLongPtrW(wnd, GWL_EXSTYLE, ex | WS_EX_LAYERED);
        SetLayeredWindowAttributesFn(wnd, 0, alpha, LWA_ALPHA);
    } else if (ex & WS_EX_LAYERED) {
        SetWindowLongPtrW(wnd, GWL_EXSTYLE, ex & ~LONG_PTR(WS_EX_LAYERED));
    }
}

}  // namespace

// ---------------------------------------------------------------- frames

std::unique_ptr<TBitmap> NewTransparentBitmap(int width, int height)
{
    auto b = std::make_unique<TBitmap>(std::max(0, width), std::max(0, height), TPixelFormat::pf32bit);
    PixelView v = b->View();
    for (int y = 0; y < v.height; ++y)
        std::memset(v.Row(y), 0, size_t(v.width) * 4);
    return b;
}

void DrawAnimFrame(TBitmap* destination, TBitmap* snapshot, const TkvFrame& frame)
{
    if (!destination || !snapshot) return;
    HDC dst = destination->Canvas().Handle();
    HDC src = snapshot->Canvas().Handle();
    const int w = snapshot->Width(), h = snapshot->Height();
    if (frame.ClearFirst) {
        GdiFlush();
        PixelView v = destination->View();
        for (int y = 0; y < v.height; ++y)
            std::memset(v.Row(y), 0, size_t(v.width) * 4);
    }
    switch (frame.Draw) {
    case TkvFrameDraw::Keep:
        break;
    case TkvFrameDraw::CopyWhole:
        BitBlt(dst, 0, 0, w, h, src, 0, 0, SRCCOPY);
        break;
    case TkvFrameDraw::Stretch:
        // Our own filter: GDI's stretch does not keep the alpha channel everywhere.
        GdiFlush();
        StretchFramePixels(destination->View(), frame.Left, frame.Top, frame.Width, frame.Height, snapshot->View());
        break;
    }
}

void PushAnimFrame(HWND surface, HDC screenDC, TBitmap* picture, uint8_t alpha)
{
    if (!UpdateLayeredWindowFn || !surface) return;
    BLENDFUNCTION blend{AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
    if (!picture) {
        // The window keeps its picture; only the constant alpha changes (cheap).
        UpdateLayeredWindowFn(surface, screenDC, nullptr, nullptr, nullptr, nullptr, NoColorValue, &blend, ULW_ALPHA);
        return;
    }
    POINT src{0, 0};
    SIZE size{picture->Width(), picture->Height()};
    GdiFlush();
    UpdateLayeredWindowFn(surface, screenDC, nullptr, &size, picture->Canvas().Handle(), &src, NoColorValue, &blend,
                          ULW_ALPHA);
}

void PlayShowFrames(HWND surface, HDC screenDC, TBitmap* snapshot, TBitmap* destination, TkvFramePlan& plan,
                    const std::function<void(const TkvFrame&)>& perFrame)
{
    TkvFrame frame;
    while (plan.Next(frame)) {
        DrawAnimFrame(destination, snapshot, frame);
        PushAnimFrame(surface, screenDC, FrameChangesPicture(frame) ? destination : nullptr, frame.Alpha);
        if (perFrame) perFrame(frame);
        Sleep(AnimFrameInterval);
    }
}

// ---------------------------------------------------------------- hide timer

TkvHideTimer::TkvHideTimer(TComponent* owner) : TkvThreadedTimer(owner) { Park(); }

TkvHideTimer::~TkvHideTimer()
{
    if (hideTimer == this) hideTimer = nullptr;
    SetOnTimer(nullptr);
    try {
        Notify();
    } catch (...) {
        // A destructor cannot pass it on; the pictures are freed all the same.
    }
    snapshot_.reset();
    frameBuffer_.reset();
    FreeControl(surface_);
}

void TkvHideTimer::Park()
{
    SetOnTimer(nullptr);
    SetInterval(0xFFFF);
}

void TkvHideTimer::Notify()
{
    if (notified_ || !notifyWindow_) return;
    TsProviderSeam& p = ProviderOf(notifyWindow_);
    if (p.IsNull()) return;
    notified_ = true;
    p.AfterAnimation(TkvAnimEvent::aeHiding);
}

void TkvHideTimer::CutShort()
{
    Park();
    if (surface_) RemoveFreeNotification(surface_);
    FreeControl(surface_);
    snapshot_.reset();
    frameBuffer_.reset();
}

void TkvHideTimer::Finish()
{
    // The surface goes whatever the notification does.
    struct Cleanup {
        TkvHideTimer* t;
        ~Cleanup() { t->CutShort(); }
    } cleanup{this};
    Notify();
}

void TkvHideTimer::Start(TWinControl* surface, std::unique_ptr<TBitmap> snapshot, unsigned timeMs,
                         HWND notifyWindow, TkvAnimType type, uint8_t startAlpha)
{
    notifyWindow_ = notifyWindow;
    notified_ = false;
    snapshot_ = std::move(snapshot);
    surface_ = surface;
    if (surface_) FreeNotification(surface_);
    const int w = snapshot_ ? snapshot_->Width() : 0, h = snapshot_ ? snapshot_->Height() : 0;
    plan_ = TkvFramePlan::Hide(w, h, timeMs, startAlpha, type);
    SetInterval(AnimFrameInterval);

    HWND wnd = HandleOf(surface_);
    try {
        WindowDC screen(nullptr);
        MakeLayered(wnd);
        RECT r{};
        GetWindowRect(wnd, &r);
        PushPlaced(wnd, screen.get(), snapshot_.get(), r.left, r.top, startAlpha);
        ShowWindow(wnd, SW_SHOWNOACTIVATE);
        HWND after = IsTopmostWindow(wnd) ? HWND_TOPMOST : GetWindow(wnd, GW_HWNDPREV);
        SetWindowPos(wnd, after, r.left, r.top, w, h,
                     SWP_NOOWNERZORDER | SWP_NOCOPYBITS | SWP_NOACTIVATE | SWP_NOREDRAW);
        frameBuffer_ = NewTransparentBitmap(w, h);
    } catch (...) {
        CutShort();   // the surface and the snapshot are ours now: nothing stays behind
        throw;
    }

    if (Application && Application->Terminated()) {
        // Nobody waits for ticks any more: play the frames now.
        while (surface_) {
            Tick();
            if (surface_) Sleep(AnimFrameInterval);
        }
        return;
    }
    SetOnTimer(TNotifyEvent(this, &TkvHideTimer::TickEvent));
    Tick();
    SetEnabled(true);
}

void TkvHideTimer::TickEvent(TObject*) { Tick(); }

void TkvHideTimer::Tick()
{
    if (!surface_) return;
    if (plan_.Done() || !plan_.HasFrames()) {
        Finish();
        return;
    }
    try {
        TkvFrame frame;
        plan_.Next(frame);
        DrawAnimFrame(frameBuffer_.get(), snapshot_.get(), frame);
        WindowDC screen(nullptr);
        PushAnimFrame(HandleOf(surface_), screen.get(), FrameChangesPicture(frame) ? frameBuffer_.get() : nullptr,
                      frame.Alpha);
    } catch (...) {
        // A frame that raised ends the animation: the surface must not stay on screen.
        Finish();
        throw;
    }
}

void TkvHideTimer::Notification(TComponent* component, TOperation operation)
{
    TkvThreadedTimer::Notification(component, operation);
    if (operation == TOperation::opRemove && component == surface_) surface_ = nullptr;
}

TkvHideTimer* SharedHideTimer() { return hideTimer; }

void StartHideAnimation(TWinControl* surface, std::unique_ptr<TBitmap> snapshot, unsigned timeMs,
                        HWND notifyWindow, TkvAnimType type, uint8_t startAlpha)
{
    if (hideTimer && hideTimer->Surface()) {
        if (hideTimer->Surface() == surface)
            hideTimer->Park();   // the same window again: kept, not freed under the caller
        else
            hideTimer->CutShort();
    }
    if (AnimFrameCount(timeMs) == 0 || !surface || !snapshot || snapshot->Empty()) {
        FreeControl(surface);
        return;
    }
    if (!hideTimer) hideTimer = new TkvHideTimer(Application);
    hideTimer->Start(surface, std::move(snapshot), timeMs, notifyWindow, type, startAlpha);
}

// ---------------------------------------------------------------- forms

namespace {

// The window just above wnd, or HWND_TOPMOST for a topmost window.
HWND InsertAfterFor(HWND wnd) { return IsTopmostWindow(wnd) ? HWND_TOPMOST : GetWindow(wnd, GW_HWNDPREV); }

RECT WindowRectOf(HWND wnd)
{
    RECT r{};
    GetWindowRect(wnd, &r);
    return r;
}

// Shows snapshot on a new layered surface over target (the first alpha),
// plays the frames and pushes the full picture at alpha. The surface is left
// on screen for the caller to put away.
void ShowOnSurface(HWND wnd, HWND target, TBitmap* snapshot, const RECT& at, unsigned timeMs, uint8_t alpha,
                   TkvAnimType type, bool dialogStep, UINT flags)
{
    const int w = snapshot->Width(), h = snapshot->Height();
    TkvFramePlan plan = TkvFramePlan::Show(w, h, timeMs, alpha, type, dialogStep);
    const uint8_t firstAlpha = plan.HasFrames() ? 0 : alpha;
    WindowDC screen(nullptr);
    MakeLayered(wnd);
    PushPlaced(wnd, screen.get(), snapshot, at.left, at.top, firstAlpha);
    ShowWindow(wnd, SW_SHOWNOACTIVATE);
    SetWindowPos(wnd, InsertAfterFor(target), at.left, at.top, w, h, flags);
    std::unique_ptr<TBitmap> destination(NewTransparentBitmap(w, h));
    PlayShowFrames(wnd, screen.get(), snapshot, destination.get(), plan);
    SetWindowPos(wnd, nullptr, at.left, at.top, w, h, flags | SWP_NOZORDER);
    PushPlaced(wnd, screen.get(), snapshot, at.left, at.top, alpha);
}

// A form that is translucent by itself (layered with a constant alpha) ends
// an animation at the animation's alpha.
void ApplyFormAlpha(HWND formWnd, uint8_t alpha)
{
    if (!(GetWindowLongPtrW(formWnd, GWL_EXSTYLE) & WS_EX_LAYERED) || !SetLayeredWindowAttributesFn) return;
    BYTE a = 0;
    DWORD flags = 0;
    if (GetLayeredWindowAttributes(formWnd, nullptr, &a, &flags) && (flags & LWA_ALPHA))
        SetLayeredWindowAttributesFn(formWnd, 0, alpha, LWA_ALPHA);
}

unsigned HideTimeOf(bool dialog, TkvAnimType& type)
{
    TkvFormHide defaults;
    const TkvFormHide& e = DefaultManager ? (dialog ? DefaultManager->AnimEffects.DialogHide
                                                    : DefaultManager->AnimEffects.FormHide)
                                          : defaults;
    type = e.Mode;
    return e.Active ? e.Time : 0;
}

}  // namespace

namespace {

// Show of a form whose frame a border window draws: the border window itself
// carries the animation and stays afterwards.
void AnimShowBorderedForm(TsProviderSeam* provider, TsBorderSeam* border, unsigned timeMs, uint8_t alpha,
                          TkvAnimType type)
{
    TCustomForm* form = provider->Form();
    HWND formWnd = form->Handle();
    RunningFlag running;
    TWinControl* surface = border->Window();
    if (!surface) return;
    HWND wnd = surface->Handle();
    border->PaintOwnerFrame();
    TBitmap* cache = provider->CacheBitmap();
    if (!cache || cache->Empty()) return;   // abandoned: the border window keeps its region
    SetWindowRgn(wnd, nullptr, FALSE);

    std::unique_ptr<TBitmap> snapshot = CopyOf(cache);
    PaintControlTree(snapshot.get(), form, 0, provider, 0);   // the client made opaque, the shadow kept

    const RECT bounds = form->BoundsRect();
    const POINT offset = border->ShowOffsets();
    const RECT at{bounds.left - offset.x, bounds.top - offset.y, bounds.left - offset.x + snapshot->Width(),
                  bounds.top - offset.y + snapshot->Height()};
    ShowOnSurface(wnd, formWnd, snapshot.get(), at, timeMs, alpha, type, false, kShowFlags);

    provider->SetInAnimation(false);
    ApplyFormAlpha(formWnd, alpha);
    SetWindowPos(formWnd, wnd, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW | SWP_NOACTIVATE | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING);
    SendMessageW(formWnd, WM_SETREDRAW, 1, 0);
    AnimationRunning = false;
    border->SetSkipUpdate(true);
    {
        struct Unskip {
            TsBorderSeam* b;
            ~Unskip() { b->SetSkipUpdate(false); }
        } unskip{border};
        RedrawWindow(formWnd, nullptr, nullptr, kRedrawAll | RDW_ERASENOW);
    }
    snapshot.reset();
    if (DwmCompositionEnabled()) Sleep(48);
    SetWindowPos(wnd, formWnd, 0, 0, 0, 0, kShowFlags | SWP_NOSIZE | SWP_NOMOVE);
    if (HRGN region = border->CreateBorderRegion()) SetWindowRgn(wnd, region, FALSE);   // the window owns it
    if (border->HasExtendedShadow()) border->UpdateBorderWindow(true, 255);
    provider->AfterAnimation(TkvAnimEvent::aeShowing);
}

}  // namespace

void AnimShowForm(TsProviderSeam* provider, unsigned timeMs, uint8_t alpha, TkvAnimType type)
{
    if (!provider || !provider->HasSkinData()) return;
    TCustomForm* form = provider->Form();
    if (!form || !form->HandleAllocated() || IsIconic(form->Handle())) return;
    if (TsBorderSeam* border = provider->Border()) {
        AnimShowBorderedForm(provider, border, timeMs, alpha, type);
        return;
    }
    HWND formWnd = form->Handle();
    RunningFlag running;

    provider->PaintFrameToCache();
    TBitmap* cache = provider->CacheBitmap();
    if (!cache || cache->Empty()) return;   // abandoned: the form shows without it

    std::unique_ptr<TBitmap> snapshot(NewBitmap32(cache->Width(), cache->Height()));
    PaintControlTree(snapshot.get(), form, 0, provider, 0);
    SetFullAlpha(snapshot.get());

    const RECT at = WindowRectOf(formWnd);
    SurfacePtr surface(NewSurfaceOver(formWnd, at, snapshot.get()));
    ShowOnSurface(surface->Handle(), formWnd, snapshot.get(), at, timeMs, alpha, type, false, kShowFlags);

    provider->SetInAnimation(false);
    ApplyFormAlpha(formWnd, alpha);
    SetWindowPos(formWnd, surface->Handle(), 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW | SWP_NOACTIVATE | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING);
    SendMessageW(formWnd, WM_SETREDRAW, 1, 0);
    AnimationRunning = false;
    RedrawWindow(formWnd, nullptr, nullptr, kRedrawAll | RDW_ERASENOW);
    snapshot.reset();
    if (DwmCompositionEnabled()) Sleep(48);
    SetWindowPos(surface->Handle(), formWnd, 0, 0, 0, 0, kShowFlags | SWP_NOSIZE | SWP_NOMOVE);
    surface.reset();
    provider->AfterAnimation(TkvAnimEvent::aeShowing);
}

void AnimHideForm(TsProviderSeam* provider, int timeMs, TkvAnimType type)
{
    ClearGlows(true);
    if (!provider) return;
    if (timeMs < 0) timeMs = int(HideTimeOf(false, type));
    TCustomForm* form = provider->Form();
    TBitmap* cache = provider->CacheBitmap();
    if (!form || !form->HandleAllocated() || !cache || cache->Empty()) return;
    HWND formWnd = form->Handle();
    RunningFlag running;
    if (!provider->SnapshotTakenForHiding()) {
        provider->PaintFrameToCache();
        cache = provider->CacheBitmap();
        if (!cache || cache->Empty()) return;
    }
    TsBorderSeam* border = provider->Border();
    TWinControl* surface = nullptr;
    std::unique_ptr<TBitmap> snapshot;
    const RECT at = WindowRectOf(formWnd);
    if (border) {
        // The border window (shadow included) fades away; the hide timer owns it now.
        surface = border->ReleaseWindow();
        snapshot = CopyOf(cache);
    } else {
        surface = provider->TakeCoverWindow();
        if (!surface)
            surface = NewSurfaceOver(formWnd, at, cache);
        snapshot = CopyWithFullAlpha(cache);
    }
    // The form itself all but vanishes while its picture takes its place.
    const LONG_PTR formEx = GetWindowLongPtrW(formWnd, GWL_EXSTYLE);
    BYTE restoreAlpha = 255;
    if (formEx & WS_EX_LAYERED) {
        DWORD flags = 0;
        if (!GetLayeredWindowAttributes(formWnd, nullptr, &restoreAlpha, &flags) || !(flags & LWA_ALPHA))
            restoreAlpha = 255;
    }
    SetWindowLayeredAlpha(formWnd, true, 1);
    {
        struct Restore {
            HWND wnd;
            BYTE alpha;
            ~Restore() { SetWindowLayeredAlpha(wnd, false, alpha); }
        } restore{formWnd, restoreAlpha};
        StartHideAnimation(surface, std::move(snapshot), unsigned(timeMs), formWnd, type, 255);
    }
    if (border && Application && Application->Terminated()) provider->FreeBorder();
}

// ---------------------------------------------------------------- dialogs

void PaintDialogToBitmap(TsProviderSeam* dialog, TBitmap* bmp, bool fromScreen)
{
    if (!dialog || !bmp || bmp->Empty()) return;
    HWND wnd = dialog->Window();
    if (!wnd) return;
    const POINT origin = dialog->ClientOffset();
    RECT client{};
    GetClientRect(wnd, &client);
    RECT area{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
    RECT inBmp{};
    const RECT whole{0, 0, bmp->Width(), bmp->Height()};
    IntersectRect(&inBmp, &area, &whole);
    HDC dc = bmp->Canvas().Handle();
    if (fromScreen) {
        {
            WindowDC wdc(wnd, WindowDC::waWhole);
            const RECT c = GetClientRectInWindow(wnd);
            BitBlt(dc, origin.x, origin.y, c.right - c.left, c.bottom - c.top, wdc.get(), c.left, c.top, SRCCOPY);
        }
        GdiFlush();
        if (!IsRectEmpty(&inBmp)) SetAlphaInRect(bmp, inBmp, 255, NoColorValue);
        return;
    }
    {
        SavedDC saved(dc);
        POINT org;
        GetViewportOrgEx(dc, &org);
        SetViewportOrgEx(dc, org.x + origin.x, org.y + origin.y, nullptr);
        IntersectClipRect(dc, 0, 0, client.right, client.bottom);
        dialog->PrintChildren(dc);
    }
    GdiFlush();
    if (dialog->Border()) {
        if (!IsRectEmpty(&inBmp)) SetAlphaInRect(bmp, inBmp, 255, NoColorValue);
    } else {
        SetAlphaInRect(bmp, whole, 255, NoColorValue);
    }
}

void AnimShowDialog(TsProviderSeam* dialog, unsigned timeMs, uint8_t alpha, TkvAnimType type)
{
    if (!dialog) return;
    HWND wnd = dialog->Window();
    if (!wnd || IsIconic(wnd)) return;
    RunningFlag running;
    TsBorderSeam* border = dialog->Border();
    dialog->PaintFrameToCache();
    TBitmap* cache = dialog->CacheBitmap();
    if (!cache || cache->Empty()) return;
    std::unique_ptr<TBitmap> snapshot = CopyOf(cache);
    PaintDialogToBitmap(dialog, snapshot.get(), false);

    // With a border window that window carries the picture and stays; else a
    // temporary surface does.
    RECT at = WindowRectOf(wnd);
    SurfacePtr temporary;
    HWND surface = nullptr;
    if (border) {
        TWinControl* b = border->Window();
        if (!b) return;
        surface = b->Handle();
        const POINT offset = border->ShowOffsets();
        OffsetRect(&at, -offset.x, -offset.y);
    } else {
        temporary.reset(NewSurfaceOver(wnd, at, snapshot.get()));
        surface = temporary->Handle();
    }
    ShowOnSurface(surface, wnd, snapshot.get(), at, timeMs, alpha, type, true, kShowFlags);
    SetWindowRgn(surface, nullptr, FALSE);
    dialog->UpdateRegion();
    SendMessageW(wnd, WM_SETREDRAW, 1, 0);
    AnimationRunning = false;
    if (DwmCompositionEnabled()) Sleep(48);
    {
        // A border window does not follow this repaint.
        if (border) border->SetSkipUpdate(true);
        struct Unskip {
            TsBorderSeam* b;
            ~Unskip()
            {
                if (b) b->SetSkipUpdate(false);
            }
        } unskip{border};
        RedrawWindow(wnd, nullptr, nullptr, kRedrawAll);
    }
    if (border) {
        dialog->UpdateRegion();
        if (HRGN region = border->CreateBorderRegion()) SetWindowRgn(surface, region, FALSE);
        border->UpdateBorderWindow(true, 255);
    }
    SetWindowPos(surface, wnd, 0, 0, 0, 0, kShowFlags | SWP_NOSIZE | SWP_NOMOVE);
}

void AnimHideDialog(TsProviderSeam* dialog, int timeMs, TkvAnimType type)
{
    ClearGlows(false);
    if (!dialog) return;
    if (timeMs < 0) timeMs = int(HideTimeOf(true, type));
    HWND wnd = dialog->Window();
    TBitmap* cache = dialog->CacheBitmap();
    if (!wnd || !cache || cache->Empty()) return;
    RunningFlag running;
    std::unique_ptr<TBitmap> snapshot = CopyOf(cache);
    TsBorderSeam* border = dialog->Border();
    TWinControl* surface = border ? border->ReleaseWindow() : dialog->TakeCoverWindow();
    const RECT at = WindowRectOf(wnd);
    if (!surface)
        surface = NewSurfaceOver(wnd, at, cache);
    StartHideAnimation(surface, std::move(snapshot), unsigned(timeMs), nullptr, type, 255);
    if (border) dialog->FreeBorder();   // its window belongs to the hide timer now
}

// ---------------------------------------------------------------- skin change

TBitmap* SharedSnapshot() { return sharedSnapshot.get(); }
TWinControl* SharedSurface() { return sharedSurface; }

void FreeSharedSnapshot()
{
    sharedSnapshot.reset();
    FreeControl(sharedSurface);
}

namespace {

// The control's rectangle on the screen (graphic controls: their place in the parent).
RECT ScreenRectOf(TControl* c)
{
    if (auto* w = dynamic_cast<TWinControl*>(c); w && w->HandleAllocated()) return WindowRectOf(w->Handle());
    POINT p = c->Parent() ? c->Parent()->ClientToScreen(POINT{c->Left(), c->Top()}) : POINT{c->Left(), c->Top()};
    return RECT{p.x, p.y, p.x + c->Width(), p.y + c->Height()};
}

}  // namespace

void CaptureControlSnapshot(TControl* control)
{
    if (!control || control->Width() <= 0 || control->Height() <= 0) return;
    const RECT r = ScreenRectOf(control);
    if (!sharedSnapshot) sharedSnapshot = NewBitmap32(r.right - r.left, r.bottom - r.top);
    {
        WindowDC screen(nullptr);
        BitBlt(sharedSnapshot->Canvas().Handle(), 0, 0, sharedSnapshot->Width(), sharedSnapshot->Height(),
               screen.get(), r.left, r.top, SRCCOPY);
    }
    if (sharedSurface) return;
    auto* surface = new TOutputWindow(control);
    sharedSurface = surface;
    Watcher().Watch(surface);
    if (TWinControl* parent = control->Parent()) {
        surface->SetParent(parent);
        const RECT b = control->BoundsRect();
        surface->SetBounds(b.left, b.top, b.right - b.left, b.bottom - b.top);
        HWND above = nullptr;
        if (auto* w = dynamic_cast<TWinControl*>(control); w && w->HandleAllocated())
            above = GetWindow(w->Handle(), GW_HWNDPREV);
        // Right above the control in its parent's order.
        SetWindowPos(surface->Handle(), above ? above : HWND_TOP, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        ShowWindow(surface->Handle(), SW_SHOWNA);
    } else {
        surface->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
        HWND target = dynamic_cast<TWinControl*>(control) ? static_cast<TWinControl*>(control)->Handle() : nullptr;
        SetWindowPos(surface->Handle(), target ? InsertAfterFor(target) : HWND_TOP, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    }
}

namespace {

void FadeLayeredForm(TCustomForm* form, TsProviderSeam* provider, unsigned timeMs, uint8_t alpha,
                     TkvAnimType type)
{
    HWND formWnd = form->Handle();
    std::unique_ptr<TBitmap> snapshot;
    if (provider) {
        provider->PaintFrameToCache();
        TBitmap* cache = provider->CacheBitmap();
        if (cache && !cache->Empty()) snapshot = NewBitmap32(cache->Width(), cache->Height());
    }
    if (!snapshot) {
        const RECT r = WindowRectOf(formWnd);
        snapshot = NewBitmap32(r.right - r.left, r.bottom - r.top);
    }
    PaintControlTree(snapshot.get(), form, 0, provider, 0);
    SetFullAlpha(snapshot.get());

    const RECT at = WindowRectOf(formWnd);
    SurfacePtr surface(NewSurfaceOver(formWnd, at, snapshot.get()));
    ShowOnSurface(surface->Handle(), formWnd, snapshot.get(), at, timeMs, alpha, type, false,
                  kFadeFlags & ~UINT(SWP_NOMOVE));
    AnimationRunning = false;
    ApplyFormAlpha(formWnd, alpha);
    SendMessageW(formWnd, WM_SETREDRAW, 1, 0);
    RedrawWindow(formWnd, nullptr, nullptr, kRedrawAll);
}

// The fade of a form whose frame a border window draws: the old border window
// keeps the old picture and fades out once the new one is nearly there.
void FadeBorderedForm(TCustomForm* form, TsProviderSeam* provider, TsBorderSeam* border, unsigned timeMs,
                      uint8_t alpha, TkvAnimType type)
{
    HWND formWnd = form->Handle();
    std::unique_ptr<TBitmap> oldPicture(provider->TakeCoverBitmap());
    if (!oldPicture) {
        TBitmap* cache = provider->CacheBitmap();
        if (cache && !cache->Empty()) oldPicture = CopyOf(cache);
    }
    provider->PaintFrameToCache();
    TBitmap* cache = provider->CacheBitmap();
    if (!cache || cache->Empty()) return;
    std::unique_ptr<TBitmap> snapshot = CopyOf(cache);
    PaintControlTree(snapshot.get(), form, 0, provider, 0);

    std::unique_ptr<TWinControl, FreeComponent> oldWindow(border->ReleaseWindow());
    TWinControl* surface = border->Window();
    if (!surface) return;
    HWND wnd = surface->Handle();
    HWND oldWnd = oldWindow ? oldWindow->Handle() : nullptr;
    const RECT fr = WindowRectOf(formWnd);
    const POINT offset = border->FadeOffsets();
    const RECT at{fr.left - offset.x, fr.top - offset.y, fr.left - offset.x + snapshot->Width(),
                  fr.top - offset.y + snapshot->Height()};
    TkvFramePlan plan = TkvFramePlan::Show(snapshot->Width(), snapshot->Height(), timeMs, alpha, type);
    {
        WindowDC screen(nullptr);
        MakeLayered(wnd);
        PushPlaced(wnd, screen.get(), snapshot.get(), at.left, at.top, plan.HasFrames() ? 0 : alpha);
        SetWindowPos(wnd, InsertAfterFor(formWnd), 0, 0, 0, 0, kFadeFlags);
        ShowWindow(wnd, SW_SHOWNOACTIVATE);
        std::unique_ptr<TBitmap> destination(NewTransparentBitmap(snapshot->Width(), snapshot->Height()));
        PlayShowFrames(wnd, screen.get(), snapshot.get(), destination.get(), plan, [&](const TkvFrame& f) {
            // Opaque until the new picture is within 85 of its alpha, then gone at the end.
            const int old = std::clamp(3 * (int(alpha) - int(f.Alpha)), 0, 255);
            if (oldWnd && oldPicture) PushAnimFrame(oldWnd, screen.get(), oldPicture.get(), uint8_t(old));
        });
        PushAnimFrame(wnd, screen.get(), snapshot.get(), alpha);
    }
    AnimationRunning = false;
    ApplyFormAlpha(formWnd, alpha);
    SendMessageW(formWnd, WM_SETREDRAW, 1, 0);
    RedrawWindow(formWnd, nullptr, nullptr, kRedrawAll);
    if (HRGN region = border->CreateBorderRegion()) SetWindowRgn(wnd, region, FALSE);   // the window owns it
    SetWindowPos(wnd, nullptr, 0, 0, 0, 0, kFadeFlags | SWP_NOZORDER);
    border->UpdateBorderWindow(false, 255);
}

void CrossFade(TControl* control, TsProviderSeam* provider, unsigned timeMs)
{
    if (!sharedSurface) CaptureControlSnapshot(control);
    if (!sharedSurface || !sharedSnapshot) return;
    struct Cleanup {
        ~Cleanup() { FreeSharedSnapshot(); }
    } cleanup;
    const int w = control->Width(), h = control->Height();
    std::unique_ptr<TBitmap> fresh(NewBitmap32(w, h));
    {
        SavedDC saved(fresh->Canvas().Handle());
        PaintControlTree(fresh.get(), control, 0, nullptr, 0);
    }
    std::unique_ptr<TBitmap> mix(NewBitmap32(w, h));
    // The old picture is as large as the new one (a control resized meanwhile is cut or padded).
    if (sharedSnapshot->Width() != w || sharedSnapshot->Height() != h) sharedSnapshot->SetSize(w, h);

    HWND surface = sharedSurface->Handle();
    if (provider && !provider->Border())
        if (HRGN region = provider->CreateSkinRegion()) SetWindowRgn(surface, region, FALSE);   // the window owns it
    WindowDC surfaceDC(surface, WindowDC::waWhole);
    HDC dc = surfaceDC.get();
    const int frames = AnimFrameCount(timeMs);
    if (frames > 0) {
        const int step = 255 / frames;
        int weight = 255;
        for (int i = 0; i <= frames; ++i) {
            GdiFlush();
            MixBitmaps(mix.get(), sharedSnapshot.get(), fresh.get(), uint8_t(std::max(0, weight)));
            BitBlt(dc, 0, 0, w, h, mix->Canvas().Handle(), 0, 0, SRCCOPY);
            Sleep(AnimFrameInterval);
            weight -= step;
        }
    }
    BitBlt(dc, 0, 0, w, h, fresh->Canvas().Handle(), 0, 0, SRCCOPY);
    AnimationRunning = false;
    if (control->Visible()) {
        auto* win = dynamic_cast<TWinControl*>(control);
        if (win && win->HandleAllocated()) {
            SendMessageW(win->Handle(), WM_SETREDRAW, 1, 0);
            RedrawWindow(win->Handle(), nullptr, nullptr, kRedrawAll);
        } else if (control->Parent() && control->Parent()->HandleAllocated()) {
            control->Invalidate();
        }
        const bool layeredForm = dynamic_cast<TCustomForm*>(control) && win->HandleAllocated() &&
                                 (GetWindowLongPtrW(win->Handle(), GWL_EXSTYLE) & WS_EX_LAYERED);
        if (!layeredForm)
            SetWindowPos(surface, nullptr, 0, 0, 0, 0,
                         SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOREDRAW | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE);
    }
}

}  // namespace

void AnimShowFormLayered(TControl* control, unsigned timeMs, uint8_t alpha, TkvAnimType type)
{
    if (!control) return;
    RunningFlag running;
    auto* form = dynamic_cast<TCustomForm*>(control);
    TsProviderSeam* provider = form ? &ProviderOf(form) : nullptr;
    if (provider && provider->IsNull()) provider = nullptr;   // painted as the window paints itself
    if (LayeredWindowsAvailable() && form && form->HandleAllocated()) {
        FreeSharedSnapshot();   // the layered fade needs no screen picture
        if (TsBorderSeam* border = provider ? provider->Border() : nullptr)
            FadeBorderedForm(form, provider, border, timeMs, alpha, type);
        else
            FadeLayeredForm(form, provider, timeMs, alpha, type);
        return;
    }
    CrossFade(control, provider, timeMs);
}

// ---------------------------------------------------------------- start-up

void InitAnimationsUnit()
{
    if (unitCounter++ > 0) return;
    HMODULE lib = LoadLibraryA("UXTHEME");
    // A result of 32 or less is a failure.
    if (reinterpret_cast<uintptr_t>(lib) > 32) {
        themeLibrary = lib;
        SetWindowThemeFn = reinterpret_cast<TSetWindowThemeFn>(GetProcAddress(lib, "SetWindowTheme"));
    }
}

void DoneAnimationsUnit()
{
    if (unitCounter == 0 || --unitCounter > 0) return;
    if (hideTimer) {
        TkvHideTimer* t = hideTimer;
        hideTimer = nullptr;
        Free(t);
    }
    FreeSharedSnapshot();
    SetWindowThemeFn = nullptr;
    if (themeLibrary) {
        FreeLibrary(themeLibrary);
        themeLibrary = nullptr;
    }
}
