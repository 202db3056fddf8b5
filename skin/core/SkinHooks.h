// Seams through which the skin manager and the per-control skin data reach
// parts of the library that live elsewhere: the form animations, the form
// provider with its border window, the dialog hook procedure, the skinned
// menus and the glow painter. Each entry is empty ("do nothing") until the
// unit that provides it fills it at library start-up; callers always check.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

#include "classlib/Forms.h"
#include "skin/graphics/Constants.h"

class TsSkinManager;
class TsGlowSkin;

// One entry of the skinned-dialog list (filled by the dialog skinning).
class TsSkinnedDialog {
public:
    virtual ~TsSkinnedDialog() = default;
    virtual HWND DialogWindow() const = 0;
};

struct TsSkinHooks {
    // ---- animations
    // The skin-change fade of a form or control (time in ms, target alpha, type).
    std::function<void(TControl* control, unsigned time, uint8_t alpha, TkvAnimType type)> AnimShowFormLayered;
    // The hide animation of a form (through its provider).
    std::function<void(TCustomForm* form)> AnimHideForm;

    // ---- the form provider and its border window
    // True when the form has a provider that works with this manager.
    std::function<bool(TCustomForm* form, TsSkinManager* manager)> ProviderOf;
    // Covers: takes a new cover picture of a visible top-level form with a
    // border window (state bit 0x1000) and flags it as animating; true when taken.
    std::function<bool(TCustomForm* form)> CaptureCover;
    // Paints the cover into the border window and sets state bit 0x10000;
    // true when the form takes part (the manager then stops its redraw).
    std::function<bool(TCustomForm* form)> SuspendRedraw;
    // After WM_SETREDRAW 1: the fade (when animate), the cover and animating
    // flags cleared, the frame repainted; false when the provider left the
    // repaint to the manager.
    std::function<bool(TCustomForm* form, bool animate)> ResumeRedraw;
    // Whether the provider paints the form's non-client area.
    std::function<bool(TCustomForm* form)> PaintsNonClient;
    // Before a hide animation of the main form: true when the provider allows
    // it (it is flagged to skip its own animation and made layered).
    std::function<bool(TCustomForm* form)> PrepareHideAnimation;
    // Minimising and restoring the application through the provider of the
    // main form; true when the provider did it (the message is then handled).
    std::function<bool(TCustomForm* form)> MinimizeAnimated;
    std::function<bool(TCustomForm* form)> RestoreAnimated;
    std::function<void(TCustomForm* form)> ReleaseBorderWindow;
    std::function<void(TCustomForm* form, int width, int height)> SendIconicThumbnail;
    std::function<void(TCustomForm* form)> SendIconicLivePreview;

    // ---- dialogs
    // The thread CBT hook procedure of the dialog skinning.
    HOOKPROC DialogHookProc = nullptr;
    // Frees the popup-menu wrappers (before the dialog hook goes).
    std::function<void()> FreeMenuWrappers;

    // ---- skinned menus
    std::function<void(TControl* owner, bool active)> PrepareContextMenu;
    std::function<void(HWND menuWindow)> ApplyMenuWindowBorder;
    std::function<void()> RehookPopupMenus;
    std::function<void()> FreePopupBitmapCache;

    // ---- painting
    // Fills the transparent corners of a control's cache bitmap from its
    // parent's background (corner flags: 1 top-left, 2 bottom-left, 4 top-right, 8 bottom-right).
    std::function<void(class TsCommonData* data, int state, int corners)> FillTransparentCorners;

    // ---- glow
    // Replaces a manager's own glow skin when set (nil from it: no glow).
    std::function<TsGlowSkin*(TsSkinManager* manager)> GlowSkinOf;

    // ---- notifications
    // Called with True after a skin was broadcast, with False when it is removed
    // (default manager only).
    std::function<void(bool active)> SkinActivated;
    std::function<void()> SkinActivatedSecond;
    // The library's auxiliary window that also receives SkinCmdRefresh (0: none).
    HWND AuxiliaryWindow = nullptr;
};

extern TsSkinHooks SkinHooks;

// Every entry back to "do nothing" (tests).
void ResetSkinHooks();
