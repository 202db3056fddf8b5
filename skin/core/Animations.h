// Show, hide and skin-change animations of skinned forms and dialogs. They run
// on the GUI thread in frames of 12 ms on layered windows: a show or a skin
// change blocks the thread for its frames, a hide is played by the shared hide
// timer (at once when the application is terminating). Every path sets
// AnimationRunning for its length and clears it again, also when a frame raises.
#pragma once
#include <windows.h>

#include <functional>

#include "classlib/Controls.h"
#include "classlib/Forms.h"
#include "skin/core/AnimFrames.h"
#include "skin/graphics/ThreadedTimer.h"

enum class TkvAnimEvent { aeShowing, aeHiding };

// What the animations need of the border window that draws a form's extended
// borders and shadow around it (the form skinning implements it).
class TkvAnimBorder {
public:
    virtual ~TkvAnimBorder() = default;
    // The border window, made when absent.
    virtual TWinControl* Window() = 0;
    // Gives the window up to the caller (made when absent): its owner and
    // window procedure are put back first and the border forgets it.
    virtual TWinControl* ReleaseWindow() = 0;
    virtual void PaintOwnerFrame() = 0;
    // The window region of the border window (the caller owns it), nil: none.
    virtual HRGN CreateBorderRegion() = 0;
    virtual void UpdateBorderWindow(bool repaint, uint8_t alpha) = 0;
    // While set, the border window does not follow the form's repaint.
    virtual void SetSkipUpdate(bool on) = 0;
    virtual bool HasExtendedShadow() = 0;
    // How far the border window reaches left of and above the form while a
    // show animation runs (frame, shadow and title metrics of the skin).
    virtual POINT ShowOffsets() = 0;
    // The same for the fade after a skin change (the new skin's metrics).
    virtual POINT FadeOffsets() { return ShowOffsets(); }
};

// What the animations need of a form's skin provider. The form skinning
// implements it; AnimProviderOf finds it for a window.
class TkvAnimProvider {
public:
    virtual ~TkvAnimProvider() = default;
    virtual TCustomForm* AnimForm() = 0;
    // False when the provider has no skin data object yet.
    virtual bool HasSkinData() = 0;
    // The picture of the whole window (frame and background); nil when none is painted.
    virtual TBitmap* CacheBitmap() = 0;
    virtual void PaintFrameToCache() = 0;
    // Where the client area lies in the cache bitmap.
    virtual POINT ClientOffset() = 0;
    // The border window that draws the frame (extended borders), nil: none.
    virtual TkvAnimBorder* Border() { return nullptr; }
    // Frees the border object (a terminating application after a hide).
    virtual void FreeBorder() {}
    virtual void SetInAnimation(bool on) {}
    // The cache already holds the picture taken for hiding.
    virtual bool SnapshotTakenForHiding() { return false; }
    // The caption cover window, handed over to the caller (nil: none).
    virtual TWinControl* TakeCoverWindow() { return nullptr; }
    // The picture of the form taken before a skin change, handed over (nil: none).
    virtual TBitmap* TakeCoverBitmap() { return nullptr; }
    // The window region of the skinned form at (0, 0) (nil: none); the caller owns it.
    virtual HRGN CreateSkinRegion() { return nullptr; }
    virtual void AfterAnimation(TkvAnimEvent event) {}
};

// What the show and hide of a skinned system dialog need of its wrapper.
class TkvAnimDialog {
public:
    virtual ~TkvAnimDialog() = default;
    virtual HWND DialogWindow() = 0;
    virtual TBitmap* CacheBitmap() = 0;
    virtual void PaintFrameToCache() = 0;
    virtual POINT ClientOffset() = 0;
    // Paints the dialog's child windows into dc, whose origin is the client's top-left.
    virtual void PrintChildren(HDC dc) = 0;
    // The border window that draws the dialog's frame, nil: none.
    virtual TkvAnimBorder* Border() { return nullptr; }
    // Frees the border object once its window went to a hide animation.
    virtual void FreeBorder() {}
    virtual TWinControl* TakeCoverWindow() { return nullptr; }
    virtual void UpdateRegion() {}
};

// Finds the provider that skins a window; the default finds none. The form
// skinning replaces it.
extern std::function<TkvAnimProvider*(HWND wnd)> AnimProviderOf;

// ---- frames

// Draws one frame of a plan into the destination (same size as the snapshot).
void DrawAnimFrame(TBitmap* destination, TBitmap* snapshot, const TkvFrame& frame);
// Pushes the destination to a layered window with a constant alpha
// (UpdateLayeredWindowFn; no new position, size of the picture, ULW_ALPHA).
// A nil picture changes only the constant alpha of what the window shows.
void PushAnimFrame(HWND surface, HDC screenDC, TBitmap* picture, uint8_t alpha);
// Whether a frame gives the window a new picture (else only its alpha changes).
inline bool FrameChangesPicture(const TkvFrame& f) { return f.Draw != TkvFrameDraw::Keep || f.ClearFirst; }
// Plays the show frames of plan on surface: every frame drawn, pushed, then
// 12 ms of sleep; perFrame (may be empty) runs after each push. A plan
// without frames pushes nothing. The destination is the frames' bitmap.
void PlayShowFrames(HWND surface, HDC screenDC, TBitmap* snapshot, TBitmap* destination, TkvFramePlan& plan,
                    const std::function<void(const TkvFrame&)>& perFrame = {});
// A 32-bit bitmap filled with 0 (transparent black); the caller owns it.
TBitmap* NewTransparentBitmap(int width, int height);

// ---- hide timer

// Plays one hide animation at a time on a layered surface it owns.
class TkvHideTimer : public TkvThreadedTimer {
    DECLARE_CLASS(TkvHideTimer, TkvThreadedTimer)
public:
    explicit TkvHideTimer(TComponent* owner);
    ~TkvHideTimer() override;

    // Takes surface and snapshot; plays frames until the plan is done.
    void Start(TWinControl* surface, TBitmap* snapshot, unsigned timeMs, HWND notifyWindow, TkvAnimType type,
               uint8_t startAlpha);
    // One frame; the tick after the last one ends the animation.
    void Tick();
    // Frees surface, snapshot and frame buffer at once (a new hide cuts this one short).
    void CutShort();
    // Stops ticking; the timer idles (interval 0xFFFF, no handler).
    void Park();

    TWinControl* Surface() const { return surface_; }
    TBitmap* Snapshot() const { return snapshot_; }
    const TkvFramePlan& Plan() const { return plan_; }
    HWND NotifyWindow() const { return notifyWindow_; }
    bool Notified() const { return notified_; }

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    void TickEvent(TObject* sender);
    void Finish();
    void Notify();
    HWND notifyWindow_ = nullptr;
    TWinControl* surface_ = nullptr;
    TBitmap* snapshot_ = nullptr;
    TBitmap* frameBuffer_ = nullptr;
    TkvFramePlan plan_;
    bool notified_ = false;
};

// The shared hide timer, nil before the first hide animation.
TkvHideTimer* SharedHideTimer();
// Plays a hide animation of snapshot (32 bits, alpha set) on surface, which
// with the snapshot then belongs to the shared timer. A hide that still runs
// is cut short first. Time under 12 ms frees both at once.
void StartHideAnimation(TWinControl* surface, TBitmap* snapshot, unsigned timeMs, HWND notifyWindow,
                        TkvAnimType type, uint8_t startAlpha);

// ---- forms and dialogs

void AnimShowForm(TkvAnimProvider* provider, unsigned timeMs, uint8_t alpha, TkvAnimType type);
// timeMs < 0: time and type of the default manager's FormHide effect.
void AnimHideForm(TkvAnimProvider* provider, int timeMs = -1, TkvAnimType type = TkvAnimType::atAero);
void AnimShowDialog(TkvAnimDialog* dialog, unsigned timeMs, uint8_t alpha, TkvAnimType type);
// timeMs < 0: time and type of the default manager's DialogHide effect.
void AnimHideDialog(TkvAnimDialog* dialog, int timeMs = -1, TkvAnimType type = TkvAnimType::atAero);
// The dialog's picture: frame from its cache, client area from the screen or
// painted from its children; alpha 255 where painted.
void PaintDialogToBitmap(TkvAnimDialog* dialog, TBitmap* bmp, bool fromScreen);

// ---- skin change

// The fade from the old picture of a control or form to its new one.
void AnimShowFormLayered(TControl* control, unsigned timeMs, uint8_t alpha, TkvAnimType type);
// Takes the control's picture from the screen into the shared snapshot and
// puts the shared surface over the control.
void CaptureControlSnapshot(TControl* control);
TBitmap* SharedSnapshot();
TWinControl* SharedSurface();
// Frees the shared snapshot and surface (a skin change that was given up).
void FreeSharedSnapshot();

// ---- theme switch-off and the unit's start-up

using TSetWindowThemeFn = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
extern TSetWindowThemeFn SetWindowThemeFn;
// Fills the manager's animation calls (skin-change fade, hide of the main form).
void RegisterAnimationHooks();
void InitAnimationsUnit();   // counted; the first call binds SetWindowTheme and registers the hooks
void DoneAnimationsUnit();   // the last call frees the theme library and the hide timer
