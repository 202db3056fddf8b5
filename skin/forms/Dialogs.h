// The dialog skinning: the thread CBT hook the default skin manager installs
// while a skin is active, through which windows that the program never gave
// to the library get skinned all the same:
// - a class-library form that is created or activated gets a provider made at
//   run time (TsSkinProvider::CreateAtRunTime), unless the skinning rules or
//   its Tag exclude it;
// - a system dialog ("#32770": message boxes, common dialogs) gets a
//   TkvDialogWnd and its children the wrappers of the child-class map; at most
//   two registered dialogs are skinned while visible, unless the new one holds
//   a tool bar (the file dialogs);
// - a popup menu window ("#32768") gets a menu wrapper, made by the unit that
//   registers MenuWrapperFactory.
//
// This unit owns the list of registered windows (one TkvProvider each; a slot
// may be empty). The manager's hook removal asks it to clear the list, so the
// entries are freed exactly once. The decisions are pure functions
// (ClassifyHookCall, DecideRegistration) tested with made-up window facts.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

#include "classlib/Component.h"
#include "skin/core/SkinHooks.h"

class TCustomForm;
class TkvMainWnd;
class TkvDialogWnd;
class TsSkinManager;
class TsSkinProvider;

// ---------------------------------------------------------------- pure decisions

enum class TkvHookAction { None, RegisterWindow, AddMenuWrapper, FreeDeadProviders };

// What the hook procedure knows about the call.
struct TkvHookFacts {
    int Code = 0;                  // HCBT_*
    bool WindowGiven = true;
    // The class of a window being created: an atom (ClassAtom != 0) or a name.
    WORD ClassAtom = 0;
    String ClassName;
    DWORD Style = 0, ExStyle = 0;
    bool IsMainForm = false;       // the window is the application's main form's
    bool ManagerReady = false;     // a default manager with skinned popup menus
    bool AlreadySkinned = false;   // the window answers the is-skinned command
    bool GlowsFreeing = false;     // a glow window is being freed
    // A child window made in the MDI client of a frame the hook skinned.
    bool ChildOfSkinnedMDIFrame = false;
};
TkvHookAction ClassifyHookCall(const TkvHookFacts& facts);

// Whether a class given to window creation names a system dialog or a popup
// menu, by atom or by the name a dialog template can give.
bool IsDialogClass(WORD atom, const String& name);
bool IsMenuClass(WORD atom, const String& name);

enum class TkvRegistration {
    Skip,          // not handled (False)
    Defer,         // a form still loading: handled later (True, nothing done)
    SkinDialog,    // a system dialog gets its wrapper (True)
    SkinForm,      // a class-library form gets a provider made at run time (True)
};

struct TkvRegisterFacts {
    bool ManagerExists = false;
    bool AppDestroying = false;
    bool AlreadySkinned = false;
    bool InList = false;
    DWORD Style = 0;
    bool DialogClass = false;      // "#32770"
    // The class-library form of the window, when there is one.
    bool FormFound = false;
    long Tag = 0;
    bool Loading = false;
    bool MDIChild = false;
    bool UnskinnedClass = false;   // "TApplication", "TfcPopup"
    bool MessageForm = false;      // class "TMessageForm"
    unsigned Rules = 0;            // the manager's SkinningRules
    int VisibleDialogs = 0;        // registered dialogs whose window is visible
    bool HasToolBar = false;       // a descendant of class "toolbarwindow32"
};
TkvRegistration DecideRegistration(const TkvRegisterFacts& facts);

// The Tag rule: every bit of -98 set (-98, -97, -66, -65, -34, -33, -2, -1 ...).
constexpr bool TagExcludes(long tag) { return (tag & -98L) == -98L; }
// At most this many registered dialogs are skinned while visible.
constexpr int VisibleDialogLimit = 2;

// ---------------------------------------------------------------- the registered windows

// One registered window: a form with its run-time provider, or a system
// dialog with its wrapper and the wrappers of its children.
class TkvProvider : public TComponent, public TsSkinnedDialog {
    DECLARE_CLASS(TkvProvider, TComponent)
public:
    explicit TkvProvider(TComponent* owner);
    ~TkvProvider() override;

    HWND DialogWindow() const override { return dialogWnd_ ? handle_ : nullptr; }

    TsSkinProvider* SkinProvider = nullptr;   // the form case (the form owns it)
    TkvDialogWnd* DialogWnd() const { return dialogWnd_; }
    HWND Handle() const { return handle_; }
    bool RightToLeft = false;
    const std::vector<TkvMainWnd*>& ChildWrappers() const { return children_; }

    void AttachSkinProvider(TCustomForm* form);
    bool InitDialog(HWND wnd);
    bool WrapChildren(HWND wnd);
    bool WrapChildWindow(HWND child);
    void PrintChildren(HWND wnd, HDC dc);

private:
    HWND handle_ = nullptr;
    TkvDialogWnd* dialogWnd_ = nullptr;
    std::vector<TkvMainWnd*> children_;
};

// ---------------------------------------------------------------- the unit's interface

// The CBT hook procedure (filled into SkinHooks.DialogHookProc at start-up).
LRESULT CALLBACK DialogHookProc(int code, WPARAM wParam, LPARAM lParam);
// True when the window is handled (or left for later).
bool RegisterSkinnedWindow(HWND wnd, const CREATESTRUCTW* cs);

// The registered windows (slots may be nil).
std::vector<TkvProvider*> DialogProviders();
TkvProvider* FindProviderByHandle(HWND wnd);
TCustomForm* FindFormByHandle(HWND wnd);
int CountVisibleDialogs();
// Searches all descendants; lowerClass in lower case.
bool HasChildOfClass(HWND wnd, const char* lowerClass);
String GetWndClassName(HWND wnd);
void RelayToChildWindows(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Leaves the visible children of wnd (moved by x, y) out of the DC's clip region.
void ExcludeChildRects(HDC dc, HWND wnd, int x, int y);
// Frees the providers whose dialog wrapper saw its window destroyed.
void FreeDeadProviders();
// Frees every provider of the list (exactly once) and empties it.
void ClearDialogProviders();

// ---- the popup-menu wrappers
// A popup-menu window gets its wrapper from AttachMenuWindow
// (skin/controls/MenuWnd.h), which keeps the one list of menu wrappers and
// frees dead ones when the next menu comes, never the one running.

// Unit start and end: fills the hook entries; the end frees the menu
// wrappers and the providers. Counted: only the last end frees.
void InitDialogsUnit();
void DoneDialogsUnit();
