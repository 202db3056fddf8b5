// The one seam through which the manager, the animations and the per-control
// skin data reach the provider that skins a form's or a dialog's window: its
// frame metrics, the frame painted into its cache, its region, the layered and
// snapshot helpers and the state the animations read, plus the border window
// that draws extended borders and the shadow around it.
//
// A provider registers itself for its window; ProviderOf finds it. A window
// nobody registered for answers with the null provider, whose every member
// does nothing and says "no", so callers never test for null.
#pragma once
#include <windows.h>

#include <cstdint>

#include "classlib/Controls.h"
#include "classlib/Forms.h"
#include "skin/graphics/Constants.h"

class TsSkinManager;

enum class TkvAnimEvent { aeShowing, aeHiding };

// The border window that draws a form's extended borders and shadow around it.
class TsBorderSeam {
public:
    virtual ~TsBorderSeam() = default;
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

// What a provider offers for the window it skins. Every member has the null
// answer as its default; a provider overrides what it does.
class TsProviderSeam {
public:
    virtual ~TsProviderSeam() = default;

    // ---- what is skinned
    // The skinned form (nil for a system dialog).
    virtual TCustomForm* Form() { return nullptr; }
    // The skinned window (a system dialog's own window).
    virtual HWND Window() { return nullptr; }
    // Whether this provider skins its form for manager m.
    virtual bool WorksWith(TsSkinManager* m) { return false; }
    // False while the provider has no skin data object yet.
    virtual bool HasSkinData() { return false; }
    // True only for the null provider.
    bool IsNull() const;

    // ---- frame and cache
    // The picture of the whole window (frame and background); nil when none is painted.
    virtual TBitmap* CacheBitmap() { return nullptr; }
    virtual void PaintFrameToCache() {}
    // Where the client area lies in the cache bitmap.
    virtual POINT ClientOffset() { return POINT{0, 0}; }
    // Whether the provider paints the window's non-client area.
    virtual bool PaintsNonClient() { return false; }
    // Paints the child windows into dc, whose origin is the client's top-left
    // (dialogs, whose children are not controls of ours).
    virtual void PrintChildren(HDC dc) {}

    // ---- regions
    // The window region of the skinned window at (0, 0) (nil: none); the caller owns it.
    virtual HRGN CreateSkinRegion() { return nullptr; }
    // Sets the window's region anew from the skin.
    virtual void UpdateRegion() {}

    // ---- border window
    // The border window that draws the frame (extended borders), nil: none.
    virtual TsBorderSeam* Border() { return nullptr; }
    // Frees the border object (its window went to a hide animation, or the
    // application terminates).
    virtual void FreeBorder() {}
    // Puts the border window away before the application is minimised unanimated.
    virtual void ReleaseBorderWindow() {}

    // ---- snapshots and the state the animations read
    virtual void SetInAnimation(bool on) {}
    // The cache already holds the picture taken for hiding.
    virtual bool SnapshotTakenForHiding() { return false; }
    // The caption cover window, handed over to the caller (nil: none).
    virtual TWinControl* TakeCoverWindow() { return nullptr; }
    // The picture of the form taken before a skin change, handed over (nil: none).
    virtual TBitmap* TakeCoverBitmap() { return nullptr; }
    virtual void AfterAnimation(TkvAnimEvent event) {}

    // ---- a skin change
    // Takes a new cover picture of a visible top-level form with a border
    // window and flags it as animating; true when taken.
    virtual bool CaptureCover() { return false; }
    // Paints the cover into the border window; true when the form takes part
    // (the manager then stops its redraw).
    virtual bool SuspendRedraw() { return false; }
    // After WM_SETREDRAW 1: the cover and animating flags cleared, the frame
    // repainted; false when the provider left the repaint to the manager.
    virtual bool ResumeRedraw(bool animate) { return false; }
    // The fade from the old picture to the new one (the layered fade of the form).
    virtual void FadeAfterSkinChange(unsigned timeMs, uint8_t alpha, TkvAnimType type);

    // ---- the main form and the application window
    // Before a hide animation of the main form: true when the provider allows
    // it (it is flagged to skip its own animation and made layered).
    virtual bool PrepareHideAnimation() { return false; }
    // The hide animation, with the default manager's hide effect.
    virtual void PlayHideAnimation();
    // Minimising and restoring the application; true when the provider did it.
    virtual bool MinimizeAnimated() { return false; }
    virtual bool RestoreAnimated() { return false; }
    // The iconic pictures the desktop window manager asks for; true when sent.
    virtual bool SendIconicThumbnail(int width, int height) { return false; }
    virtual bool SendIconicLivePreview() { return false; }
};

// The provider registered for wnd, else the null provider.
TsProviderSeam& ProviderOf(HWND wnd);
// The provider of a control's window (the null provider without a window).
TsProviderSeam& ProviderOf(TWinControl* control);
// One provider per window; a new registration replaces the old one.
void RegisterProvider(HWND wnd, TsProviderSeam* provider);
// Forgets wnd's provider, only when it is still the one given (nil: any).
void UnregisterProvider(HWND wnd, TsProviderSeam* provider = nullptr);
