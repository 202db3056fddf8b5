// Show, hide and skin-change animations of skinned forms and dialogs. They run
// on the GUI thread in frames of 12 ms on layered windows: a show or a skin
// change blocks the thread for its frames, a hide is played by the shared hide
// timer (at once when the application is terminating). Every path sets
// AnimationRunning for its length and clears it again, also when a frame raises.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>

#include "classlib/Controls.h"
#include "classlib/Forms.h"
#include "skin/core/AnimFrames.h"
#include "skin/core/ProviderSeam.h"
#include "skin/graphics/ThreadedTimer.h"

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
// A 32-bit bitmap filled with 0 (transparent black).
std::unique_ptr<TBitmap> NewTransparentBitmap(int width, int height);

// ---- hide timer

// Plays one hide animation at a time on a layered surface it owns.
class TkvHideTimer : public TkvThreadedTimer {
    DECLARE_CLASS(TkvHideTimer, TkvThreadedTimer)
public:
    explicit TkvHideTimer(TComponent* owner);
    ~TkvHideTimer() override;

    // Takes surface and snapshot; plays frames until the plan is done.
    void Start(TWinControl* surface, std::unique_ptr<TBitmap> snapshot, unsigned timeMs, HWND notifyWindow,
               TkvAnimType type, uint8_t startAlpha);
    // One frame; the tick after the last one ends the animation.
    void Tick();
    // Frees surface, snapshot and frame buffer at once (a new hide cuts this one short).
    void CutShort();
    // Stops ticking; the timer idles (interval 0xFFFF, no handler).
    void Park();

    TWinControl* Surface() const { return surface_; }
    TBitmap* Snapshot() const { return snapshot_.get(); }
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
    std::unique_ptr<TBitmap> snapshot_;
    std::unique_ptr<TBitmap> frameBuffer_;
    TkvFramePlan plan_;
    bool notified_ = false;
};

// The shared hide timer, nil before the first hide animation.
TkvHideTimer* SharedHideTimer();
// Plays a hide animation of snapshot (32 bits, alpha set) on surface, which
// with the snapshot then belongs to the shared timer. A hide that still runs
// is cut short first. Time under 12 ms frees both at once.
void StartHideAnimation(TWinControl* surface, std::unique_ptr<TBitmap> snapshot, unsigned timeMs,
                        HWND notifyWindow, TkvAnimType type, uint8_t startAlpha);

// ---- forms and dialogs

void AnimShowForm(TsProviderSeam* provider, unsigned timeMs, uint8_t alpha, TkvAnimType type);
// timeMs < 0: time and type of the default manager's FormHide effect.
void AnimHideForm(TsProviderSeam* provider, int timeMs = -1, TkvAnimType type = TkvAnimType::atAero);
void AnimShowDialog(TsProviderSeam* dialog, unsigned timeMs, uint8_t alpha, TkvAnimType type);
// timeMs < 0: time and type of the default manager's DialogHide effect.
void AnimHideDialog(TsProviderSeam* dialog, int timeMs = -1, TkvAnimType type = TkvAnimType::atAero);
// The dialog's picture: frame from its cache, client area from the screen or
// painted from its children; alpha 255 where painted.
void PaintDialogToBitmap(TsProviderSeam* dialog, TBitmap* bmp, bool fromScreen);

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
void InitAnimationsUnit();   // counted; the first call binds SetWindowTheme
void DoneAnimationsUnit();   // the last call frees the theme library and the hide timer
