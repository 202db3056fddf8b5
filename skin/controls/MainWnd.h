// MainWnd: the root of the window wrappers, and the routines every wrapper
// shares.
//
// A window wrapper is a plain object (not a component) that takes over the
// window procedure of one existing window and paints it from the active skin.
// It takes the window over in one of three ways:
// - a native window (no class-library control): its window procedure is
//   subclassed by handle (a TSubclass layer, classlib/Subclass.h);
// - a class-library control: its WindowProc method is replaced;
// - the form of a skin provider: the form's WindowProc method is replaced.
// In every mode the window property "KVSBSC" holds the wrapper from attaching
// to unhooking (a wrapper that could not hook names no window and counts as
// unhooked), and unhooking never takes back a procedure (or a WindowProc
// method) that someone replaced after the wrapper: the wrapper's layer then
// stays in the chain passing every message through, so the one on top keeps
// working after the wrapper is freed.
//
// Construction is two-phase, because a constructor cannot call the virtual
// slots of the class being built: `new` builds the object (steps that need no
// virtual call), then Attach() saves the own colours, reads the text and hooks,
// calling the descendant's overrides. CreateWrapper<T>(...) does both.
//
// Descendants of later layers plug in through virtual hooks (HookSelf,
// Unhooking, ScrollBar, SetMinThumb) and through the registration functions
// at the end (the scrolling and edit wrappers that UpdateScrollWnd and
// UpdateEditWnd make, the freeing of the popup-menu wrappers), so this file
// knows none of them.
#pragma once
#include <windows.h>

#include <memory>
#include <vector>

#include "classlib/Controls.h"
#include "classlib/Subclass.h"
#include "skin/core/CommonData.h"

class TsSkinManager;
class TkvScrollBar;   // skin/controls/ScrollWnd.h
class TkvWrapperLayer;

// The window property that holds a window's wrapper.
inline constexpr const wchar_t* WrapperPropName = L"KVSBSC";

// Library-wide switches read by the wrappers.
// On while the dialog skinning wraps the children of a system dialog.
extern bool DialogMode;
// On while the control adapter frees all its items (a form or provider teardown).
extern bool AdapterFreeingAll;
// Every wrapper's common data takes CustomFont.
extern bool UseCustomFonts;
// Suppresses the state images of borders and sections.
extern bool StateImagesSuppressed;

class TkvMainWnd : public TObject {
    DECLARE_CLASS(TkvMainWnd, TObject)
public:
    // ---- fields, in the order of the design
    bool InDialog = false;
    String WndText;                       // UTF-16, read with the wide functions
    RECT WindowArea{};                    // screen coordinates
    SIZE WindowExtent{};
    POINT PosInParent{};                  // in the parent's client coordinates
    RECT ParentRect{};                    // the parent's window rectangle
    HWND ParentHandle = nullptr;
    unsigned SavedControlStyle = 0;
    bool StyleSaved = false;              // SavedControlStyle holds a value
    TWndMethod PrevWindowProc;            // the replaced WindowProc method (modes 2, 3)
    WNDPROC PrevWndProcPtr = nullptr;     // the replaced window procedure (mode 1)
    HWND Handle = nullptr;
    TsSkinManager* SkinManager = nullptr;
    TsCommonData* CommonData = nullptr;
    bool Scrolling = false;
    bool ColorsApplied = false;
    TColor OwnColor = clNone;
    TColor OwnFontColor = clNone;
    bool Unhooked = false;
    bool OwnsCommonData = false;
    // The subclass layer of a native window (mode 1); nil otherwise. Released,
    // not deleted: its call record outlives the wrapper while the window can
    // still call it.
    TkvWrapperLayer* WndProcThunk = nullptr;
    int Reserved = 0;                     // for descendants (the combo list keeps -1 here)

    // Slot 1, the constructor (steps that need no virtual call): commonData
    // nil makes a private one (owner nil, with a cache bitmap) that the
    // wrapper frees; a nil manager takes the common data's.
    TkvMainWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
               bool repaint = false);
    ~TkvMainWnd() override;
protected:
    // For wrappers that decide about the window's visual styles themselves
    // (the edit family): with baseTheme false the constructor leaves them alone.
    TkvMainWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
               bool repaint, bool baseTheme);

public:

    // Slots 2 to 5.
    virtual void SaveOwnColors() {}
    virtual void RestoreOwnColors() {}
    virtual void ApplySkinColors() { ColorsApplied = true; }
    virtual void WndProc(TMessage& message);

    // The second phase of construction: own colours, text, hook, control style.
    void Attach();

    // ---- hooks for descendants
    // Hooks the window (HookWindow in the base; the scrolling wrappers attach
    // their bars as well).
    virtual void HookSelf(bool repaint);
    // Runs in UnhookWindow after the procedure went back and before the
    // property is removed (the scrolling wrappers free their bars here).
    virtual void Unhooking() {}
    // The wrapper's horizontal (0) or vertical (1) skinned bar; nil in the base.
    virtual TkvScrollBar* ScrollBar(int kind) { return nullptr; }
    // Sets the minimum thumb length; false for a wrapper without bars.
    virtual bool SetMinThumb(int which, int size) { return false; }

    // Passes a message to the procedure or WindowProc the wrapper replaced
    // (0 without one); LParam is copied back.
    LRESULT CallPrevWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM& lParam);
    void CallPrevWndProc(TMessage& message);
    // True while a previous procedure or method is held.
    bool HasPrevious() const;
    // The control the common data belongs to, nil for a native window.
    TControl* OwnerControl() const;

    // The wrapper's entry from the window: WndProc, with nothing raised out of it.
    void WndProcEntry(TMessage& message);

protected:
    // The skin commands answered alike by the wrappers that paint their whole
    // window from their cache (panels, static texts): true when the command
    // is answered here, false when the caller passes it on to TkvMainWnd's
    // procedure. `children` is told its parent was updated; `renderCache`
    // paints the cache.
    bool CacheWindowCommand(TMessage& message, TWinControl* children, bool (*renderCache)(TkvMainWnd&));
    // The paint messages answered alike by the same wrappers: WM_PAINT (into
    // the DC a parent gives, or through the erase BeginPaint sends),
    // WM_ERASEBKGND, WM_NCPAINT and WM_PRINT. True when the message is
    // answered here. `client` copies the client part to a DC, `frame` paints
    // the border strips (into the DC given; nil: the window's own).
    bool CacheWindowPaint(TMessage& message, void (*client)(TkvMainWnd&, HDC), void (*frame)(TkvMainWnd&, HDC));
    // Paints through the erase that BeginPaint sends: the whole window is
    // invalidated with erasing and validated again.
    void PaintThroughErase();
    // Validates the update region without painting (what erasing paints stays).
    void ValidateByPainting();

private:
    friend void HookWindow(TkvMainWnd*, HWND);
    friend bool UnhookWindow(HWND, bool, bool, TkvMainWnd*&);
    friend class TkvWrapperLayer;
    // Gives the procedure back (three modes): true when it was restored.
    bool RestoreProcedure();
    void HandleSkinCommand(TMessage& message);
    void WatchManager();
    void HandleDestroy(TMessage& message);

    class ManagerWatch;
    bool repaint_ = false;
    // Clears SkinManager when that manager is freed before the wrapper.
    std::unique_ptr<ManagerWatch> managerWatch_;
    std::unique_ptr<TWindowProcHook> methodHook_;
    TControl* hookedControl_ = nullptr;   // where methodHook_ sits
};

// Builds a wrapper and attaches it: new T(args...), then Attach().
template <class T, class... A>
T* CreateWrapper(A&&... args)
{
    T* w = new T(std::forward<A>(args)...);
    w->Attach();
    return w;
}

// ---- attaching
void HookWindow(TkvMainWnd* wrapper, HWND handle);
// Unhooks the wrapper of handle (nothing when wrapper is nil): the procedure
// goes back only while it is still the wrapper's; the property is removed,
// the own colours are restored and a visible frame refreshed. With free the
// wrapper is deleted and the variable set to nil. True when the procedure
// went back.
bool UnhookWindow(HWND handle, bool free, bool repaint, TkvMainWnd*& wrapper);
// The scrolling wrappers' unhooking: the same three-mode rules as UnhookWindow
// for native windows too (the property always goes, a native procedure comes
// back only while it is still the wrapper's); their bars go in Unhooking().
bool UnhookScrollWnd(HWND handle, bool free, bool repaint, TkvMainWnd*& wrapper);

// The wrapper stored in the window property, nil when none.
TkvMainWnd* GetWrapper(HWND handle);
// The horizontal (0) or vertical (1) skinned bar of the window's wrapper; nil
// for another kind, without wrapper, or for a wrapper without bars.
TkvScrollBar* GetScrollBarOf(HWND handle, int kind);
constexpr int DefaultMinThumbSize = 10;
// Horizontal (0), vertical (1) or both (3); false when the window has no
// wrapper with bars.
bool SetMinThumbSize(HWND handle, int which, int size);
// recalculate: SetWindowPos with frame changed; else WM_NCPAINT with WParam 1.
void RefreshFrame(HWND handle, bool recalculate);

// Entry points for a class-library control with its own common data that
// wants skinned scroll bars (UpdateScrollWnd) or an edit wrapper
// (UpdateEditWnd). They make the wrappers the registered factories make.
void UpdateScrollWnd(TsCommonData* commonData, TkvMainWnd*& scrollWnd);
void UpdateEditWnd(TsCommonData* commonData, TkvMainWnd*& scrollWnd);

using TkvWrapperFactory = TkvMainWnd* (*)(HWND handle, TsCommonData* commonData, TsSkinManager* manager,
                                          const String& section, bool repaint);
void RegisterScrollWndFactory(TkvWrapperFactory factory);
void RegisterEditWndFactory(TkvWrapperFactory factory);
// The freeing of the popup-menu wrappers (their list belongs to the dialog
// skinning); called at shut-down, must be safe to call twice.
void RegisterMenuWrappersFreer(void (*freer)());

// The wrappers made for the pages of tab controls; the shut-down frees them.
std::vector<TkvMainWnd*>& PageWnds();

// ---- shared routines
// Kind 1 caption, 2 small caption, 3 menu, 4 status, 5 message; nil for another
// kind or when the metrics cannot be read. The caller owns the font.
HFONT CreateNCFont(int kind);
void SelectNCFont(TCanvas& canvas, int kind);
// Selects the wrapped control's font into the cache bitmap's canvas.
void SelectWndFont(TkvMainWnd* wrapper);
// Passes a skin command on to the owner control's children, or without one to
// the direct child windows of handle.
void BroadcastSkinCommand(TControl* ownerControl, HWND handle, TMessage& message);
bool IsBorderStateful(const TsCommonData* commonData);
// Published properties by name; nothing (0) for a nil control or a missing property.
void SetPropColor(TObject* control, const String& name, TColor value);
TColor GetPropColor(TObject* control, const String& name);
int GetPropInt(TObject* control, const String& name);
void GetWndGeometry(HWND handle, HWND& parentHandle, RECT& windowArea, POINT& posInParent, SIZE& windowExtent,
                    RECT& parentRect);
// Sends command 25 to the top-level ancestor of handle.
void SendToTopParent(HWND handle);
void PaintWrapperBackground(TsCommonData* commonData, HWND handle, bool plain);
void PaintBorderMaskCorners(TsCommonData* commonData, int state, TkvMainWnd* wrapper);

// ---- unit start-up and shut-down
// Binds the optional entry points; any may stay nil.
void InitMainWndUnit();
// Frees the popup-menu wrappers, the page wrappers and the libraries.
void DoneMainWndUnit();
using TGetScrollBarInfoFn = BOOL(WINAPI*)(HWND, LONG, PSCROLLBARINFO);
using TFlatSBFn = BOOL(WINAPI*)(HWND);
extern TGetScrollBarInfoFn GetScrollBarInfoFn;
extern TFlatSBFn InitializeFlatSBFn;
extern TFlatSBFn UninitializeFlatSBFn;
