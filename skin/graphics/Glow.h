// The glow halo: a borderless, click-through layered window that shows a skin
// mask around a control while the mouse is over it, the global list of live
// glows (the index in it is the glow handle) and the functions that show,
// hide and clear them.
#pragma once
#include <windows.h>

#include <memory>
#include <vector>

#include "classlib/Forms.h"
#include "classlib/Subclass.h"
#include "skin/graphics/LayeredApi.h"

// What a glow needs of a skin manager.
class TsGlowSkin {
public:
    virtual ~TsGlowSkin() = default;
    // Index of the mask named maskName in the section, or -1.
    virtual int FindMaskIndex(const String& section, const String& maskName) const = 0;
    // The mask's margins: left, top, right, bottom.
    virtual RECT MaskMargins(int mask) const = 0;
    // Paints the mask in nine parts over the whole 32-bit bitmap (normal state).
    virtual void PaintMask(int mask, TBitmap* bmp) const = 0;
    // The manager is being destroyed (forms are then freed at once).
    virtual bool Destroying() const = 0;
};

TsGlowSkin* DefaultGlowSkin();
void SetDefaultGlowSkin(TsGlowSkin* skin);

// WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE.
constexpr DWORD GlowExStyle = 0x080800A0;

// Where the halo goes: control rect r (screen), its visible part (in the
// control's own coordinates, (0, 0, width, height) when all of it shows),
// mask margins and inset. The window shows the halo part from (CutLeft,
// CutTop) of size Width x Height at (X, Y); it is empty when nothing is left.
struct TkvGlowGeometry {
    int HaloWidth = 0, HaloHeight = 0;
    int CutLeft = 0, CutTop = 0, CutRight = 0, CutBottom = 0;
    int X = 0, Y = 0, Width = 0, Height = 0;
    bool Empty() const { return Width <= 0 || Height <= 0; }
};
TkvGlowGeometry CalcGlowGeometry(const RECT& r, const RECT& visible, const RECT& margins, int inset);

class TkvGlowEffect : public TObject {
    DECLARE_CLASS(TkvGlowEffect, TObject)
public:
    explicit TkvGlowEffect(TsGlowSkin* manager);
    ~TkvGlowEffect() override;

    // Creates and shows the glow form (nothing when it exists already).
    void Show(const RECT& r, const RECT& visible, HWND control);
    // HaloBitmap := a 32-bit bitmap of the size filled with 0, the mask painted over it.
    virtual void BuildHaloBitmap(int width, int height);
    void GlowWndProc(TMessage& m);
    // Puts the form's window procedure back and frees the form: at once when
    // the manager is being destroyed, the application is ending or now is
    // set, else once the current message has been handled.
    void FreeForm(bool now);

    TsGlowSkin* Manager = nullptr;   // not owned
    // The form is owned by the application too (so it goes with it at the end);
    // when anything else frees it, GlowForm is cleared through this watcher.
    class FormWatcher;
    std::unique_ptr<FormWatcher> Watcher;
    int GlowMask = -1;
    int Inset = 0;
    TForm* GlowForm = nullptr;       // owned
    std::unique_ptr<TBitmap> HaloBitmap;   // only while the window is being shown
    // GlowWndProc in front of the form's WindowProc while the effect has the form.
    TWindowProcHook FormHook;
};

// The live glows; a freed entry is null.
std::vector<TkvGlowEffect*>& TkvGlowEffects();
// Set while a glow form is being freed (the dialog hook skips its clean-up then).
extern bool GlowFormClosing;

// Shows a glow around control rect r (screen coordinates) from the section's
// mask named maskName + "0". Returns the glow handle, or -1 without layered
// windows or without the mask (the list is then unchanged).
int ShowGlow(const RECT& r, const RECT& visible, const String& section, TsGlowSkin* manager, HWND control,
             int inset, const String& maskName);
// Hides and frees a glow; handle becomes -1. Invalid handles are ignored.
void HideGlow(int& handle);
// Frees every glow (their forms at once when freeForms, else once the
// current message has been handled) and empties the list.
void ClearGlows(bool freeForms);
// Unit shut-down: every glow freed, their forms released (not freed at once).
inline void DoneGlowUnit() { ClearGlows(false); }
