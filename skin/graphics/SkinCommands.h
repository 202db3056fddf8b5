// Small shared routines of the skinning library: sending the skin command
// message to a window or a control, yes/no questions asked with it, passing a
// message down a control tree or to the direct children of a window, and a
// few helpers every skinned control leans on.
#pragma once
#include "classlib/Controls.h"
#include "classlib/Forms.h"
#include "skin/graphics/Constants.h"

// Set from the start to the end of any show, hide or skin-change animation.
// RefreshChildControls does nothing while it is set; waits for it to clear
// are bounded and keep pumping messages (WaitWhileAnimationRunning). Written
// and read on the GUI thread only.
extern bool AnimationRunning;

// On while the skin manager refreshes every form at once (RepaintForms): a
// window given SkinCmdRefresh then only invalidates what it shows, and the
// manager paints each form with its children once at the end, rather than
// every control being painted on its own (and again with its form). GUI
// thread only.
extern bool RefreshPaintDeferred;

// Sets RefreshPaintDeferred for its lifetime (nested scopes keep it set).
class TsDeferredRefreshScope {
public:
    TsDeferredRefreshScope() : was_(RefreshPaintDeferred) { RefreshPaintDeferred = true; }
    ~TsDeferredRefreshScope() { RefreshPaintDeferred = was_; }
    TsDeferredRefreshScope(const TsDeferredRefreshScope&) = delete;
    TsDeferredRefreshScope& operator=(const TsDeferredRefreshScope&) = delete;

private:
    bool was_;
};

// ---- pointers carried by skin commands. The skin command message is one
// fixed number that any thread or process can send or post, so the pointer a
// command carries in its LParam (set section, section index, background,
// disabled look) is read or written only while this thread is asking with it
// right now. The send routines below register the pointer of such a command
// for the length of the send; code that sends the message itself holds a
// scope around the send.
bool SkinCommandCarriesPointer(unsigned command);
class TsCommandPointerScope {
public:
    explicit TsCommandPointerScope(const void* pointer);
    ~TsCommandPointerScope();
    TsCommandPointerScope(const TsCommandPointerScope&) = delete;
    TsCommandPointerScope& operator=(const TsCommandPointerScope&) = delete;

private:
    const void* pointer_;
};
// True while pointer is being asked with on this thread (never for nil).
bool IsCommandPointerInFlight(const void* pointer);
// The pointer a skin command carries, when this thread is asking with it
// right now; nil otherwise (the command is then answered 0, not read).
template <class T>
T* SkinCommandPointer(const TMessage& message)
{
    const void* p = reinterpret_cast<const void*>(message.LParam);
    return IsCommandPointerInFlight(p) ? reinterpret_cast<T*>(message.LParam) : nullptr;
}

// ---- sending a skin command: one overload set. The command goes in the high
// word of WParam, the sub-argument (1 = on, 1 = also repaint) in the low word.
// To a window: SendMessage.
LRESULT SendSkinCommand(HWND wnd, TsSkinCommand command, LPARAM lParam = 0, unsigned subArgument = 0);
// To a control: a windowed control through its window, and nothing (0) while
// it is being destroyed or has no window; any other control through Perform.
LRESULT SendSkinCommand(TControl* control, TsSkinCommand command, LPARAM lParam = 0, unsigned subArgument = 0);
// Straight to the control's window procedure (Perform), windowed or not, with
// or without a window: for questions a control answers before its window exists.
LRESULT CallSkinCommand(TControl* control, TsSkinCommand command, LPARAM lParam = 0, unsigned subArgument = 0);
// SendSkinCommand to every child control of parent that is not being destroyed.
void BroadcastSkinCommand(TWinControl* parent, TsSkinCommand command, LPARAM lParam = 0, unsigned subArgument = 0);

// The library's documented routines by number, thin forms of the set above.
inline LRESULT SendSkinCommand(HWND wnd, unsigned command, LPARAM lParam)
{
    return SendSkinCommand(wnd, TsSkinCommand(command), lParam);
}
// A windowed control: nothing (0) while it is being destroyed or has no
// window, else SendMessage to its window; any other control: Perform.
inline LRESULT PerformSkinCommand(TControl* control, unsigned command, LPARAM lParam)
{
    return SendSkinCommand(control, TsSkinCommand(command), lParam);
}
// The answer's low byte as a Boolean (1 and any value with a non-zero low byte count).
bool QueryControlSkinFlag(TControl* control, unsigned command);
// True only when the answer is exactly 1.
bool QueryWindowSkinFlag(HWND wnd, unsigned command);
// A skin that comes, goes or is refreshed: the commands after which every
// skinned control's look changes.
bool IsSkinLookChange(unsigned command);
// SkinCmdControlChanged to the window of the control's form, LParam = the control.
void NotifyFormOfControl(TControl* control);
// SkinCmdParentUpdated to every child control not being destroyed (windowed
// ones only when they have a window and are showing); nothing while an
// animation runs.
void RefreshChildControls(TWinControl* control);
// SkinCmdParentUpdated to each direct child window (WS_CHILD) of wnd.
void RefreshChildWindows(HWND wnd);
// Background colour of a control: nil gives 0xFF00FF; a skinned control
// answers SkinCmdGetBkColor; others give their Color. Always an RGB value.
TColor GetControlBgColor(TControl* control);
// Background colour of a window: 0 gives 0xFF00FF, else its answer to
// SkinCmdGetBkColor with the key colour as default.
TColor GetWindowBgColor(HWND wnd);
// Passes a message down the control tree of control (see the .cpp).
void ForwardToControls(TWinControl* control, TMessage& message);
// SendMessage to every direct child window of wnd (found among all descendants).
void BroadcastToChildWindows(HWND wnd, TMessage& message);
// False for nil, a windowed control without a window, a control being loaded
// or destroyed, or one without a parent.
bool CanPaintControl(TControl* control);
// DrawText flags for an alignment: left 0, right 2, centre 1, each with
// DT_VCENTER | DT_EXPANDTABS (0x44). Our controls are all left-to-right.
UINT AlignDrawTextFlags(TControl* control, TAlignment alignment);
// The client rectangle in window coordinates (as WM_NCPAINT sees it).
RECT GetClientRectInWindow(HWND wnd);
// Sum of the heights (alTop, alBottom) or widths (alLeft, alRight) of the
// visible children with that alignment; graphic children only when asked.
int SumAlignedChildSizes(TWinControl* control, TAlign align, bool countGraphic);
bool GetMouseCursorPos(POINT& p);
// Follows GetParent to the window that has none.
HWND GetRootWindow(HWND wnd);
// The first form in the Owner chain of a menu (or any component), or nil.
TCustomForm* GetMenuOwnerForm(TComponent* menu);
// The design surface that owns a component. Nothing is designed at run time,
// so this is always nil in a running program.
TComponent* GetDesignOwner(TComponent* component);
// The form a control lies on (its top-most parent that is a form), or nil.
TCustomForm* GetParentForm(TControl* control);

// The skin-wide commands a skinned container passes on to its children after
// handling them itself (new skin, removed skin, refresh, before refresh,
// section changed, force repaint).
bool SkinCommandGoesToChildren(unsigned command);

// Waits while AnimationRunning is set, pumping messages, at most timeoutMs
// milliseconds. True when the flag cleared in time.
bool WaitWhileAnimationRunning(unsigned timeoutMs);

// Sets AnimationRunning for a scope and clears it on every way out.
class AnimationRunningScope {
public:
    AnimationRunningScope() : saved_(AnimationRunning) { AnimationRunning = true; }
    ~AnimationRunningScope() { AnimationRunning = saved_; }
    AnimationRunningScope(const AnimationRunningScope&) = delete;
    AnimationRunningScope& operator=(const AnimationRunningScope&) = delete;

private:
    bool saved_;
};
