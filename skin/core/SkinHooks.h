// The few hooks through which the skin manager and the per-control skin data
// reach units above them: the dialog hook procedure, the skinned menus, the
// corner filling of the control painting, a glow skin of another component
// and the skin notifications. Each entry is empty ("do nothing") until the
// unit that provides it fills it; callers always check.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

#include "classlib/Forms.h"

class TsSkinManager;
class TsGlowSkin;

// One entry of the skinned-dialog list (filled by the dialog skinning).
class TsSkinnedDialog {
public:
    virtual ~TsSkinnedDialog() = default;
    virtual HWND DialogWindow() const = 0;
};

// What the manager and the per-control skin data need from the units above
// them that is not per window (per-window needs go through ProviderSeam.h).
// Each entry says who fills it; an empty entry means "do nothing".
struct TsSkinHooks {
    // ---- dialogs (filled by the dialog skinning)
    // The thread CBT hook procedure of the dialog skinning.
    HOOKPROC DialogHookProc = nullptr;
    // Frees every entry of the skinned-dialog list; the manager calls it when
    // it removes the hook, before the list goes (the entries are the dialog
    // skinning's, freed there exactly once).
    std::function<void()> ClearDialogList;

    // ---- skinned menus (filled by the skinned menus)
    // Before a control's context menu pops up, with whether the skin is active.
    std::function<void(TControl* owner, bool active)> PrepareContextMenu;
    // Gives a popup menu's window its skinned border.
    std::function<void(HWND menuWindow)> ApplyMenuWindowBorder;
    // Hooks the application's popup menus anew once a skin goes active.
    std::function<void()> RehookPopupMenus;

    // ---- painting (filled by the control painting at library start-up)
    // Fills the transparent corners of a control's cache bitmap from its
    // parent's background (corner flags: 1 top-left, 2 bottom-left, 4 top-right, 8 bottom-right).
    std::function<void(class TsCommonData* data, int state, int corners)> FillTransparentCorners;

    // ---- glow (filled by a glow skin component that serves a manager)
    // Replaces a manager's own glow skin when set (nil from it: no glow).
    std::function<TsGlowSkin*(TsSkinManager* manager)> GlowSkinOf;

    // ---- notifications (filled by the application's skin-aware units)
    // Called with True after a skin was broadcast, with False when it is removed
    // (default manager only).
    std::function<void(bool active)> SkinActivated;
    // The library's auxiliary window that also receives SkinCmdRefresh (0: none).
    HWND AuxiliaryWindow = nullptr;
};

extern TsSkinHooks SkinHooks;

// Every entry back to "do nothing" (tests).
void ResetSkinHooks();
