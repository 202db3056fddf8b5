// Subclass: taking over the window procedure of a window, the one way the
// library does it.
//
// Classes in this file:
// - TWindowRecord: the call record of one window, shared by the class
//   library's own procedure and every subclass layer of ours on that window.
// - TSubclass: a layer over a window the library does not own (a raw HWND).
// - TWindowProcHook: the same rules for a control's replaceable WindowProc.
//
// The rules, for both kinds:
// - the previous procedure is kept only if the swap worked;
// - unhooking puts the previous procedure back only while ours is still the
//   one installed; if someone hooked on top of us, ours stays in the chain
//   and from then on passes every message through to the previous one, so
//   the one above keeps working. A pass-through layer leaves the chain as
//   soon as it is on top again (hooks come off last-in-first-out);
// - the call record outlives the object that hooked, for that reason;
// - each window counts how many of our procedures are on its stack, and an
//   object released while one of them runs is freed when the count returns
//   to zero (after WM_NCDESTROY at the latest);
// - a record goes with its window even when a careless foreign subclass cut
//   our procedures out of the chain: a hook of the window's thread notes
//   windows with a record (and those under them) as they start to be
//   destroyed, and a sweep soon after lets go of the records of those that
//   are gone. Until the thread next dispatches its messages such a record
//   stays in the table.
//
// Finding a window's record: a process-local table HWND -> record, not a
// window property (a wineserver round trip per message under Wine), not
// GWLP_USERDATA (it belongs to whoever created the window, applications
// included), not extra window bytes (a window we subclass but did not create
// has none of ours), and not an executable thunk per object (memory that is
// both writable and executable, and one per pointer size). Layers of ours on
// one window are told apart by their procedure: each takes one of a fixed
// set of procedures (kMaxLayers per window), so "is ours still installed?"
// is an exact comparison.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

#include "classlib/Controls.h"

class TSubclass;

// The class library's window procedure (Controls.cpp).
LRESULT CALLBACK ControlWndProc(HWND, UINT, WPARAM, LPARAM);

struct TWindowRecord {
    struct Layer {
        TWindowRecord* record = nullptr;
        int slot = 0;
        WNDPROC previous = nullptr;
        TSubclass* owner = nullptr;   // null: passes messages through
        bool installed = true;        // still in the window's chain
    };

    HWND wnd = nullptr;
    DWORD thread = 0;     // the window's thread
    // The class library's control of this window, while it is bound; its
    // messages go to control->WindowProc. controlPrevious is what
    // ControlWndProc passes messages to once the control has let go.
    TWinControl* control = nullptr;
    WNDPROC controlPrevious = nullptr;
    bool controlInstalled = false;
    std::vector<std::unique_ptr<Layer>> layers;
    int depth = 0;        // procedures of ours on the window's stack
    bool dead = false;    // WM_NCDESTROY passed; no longer in the table
    std::vector<std::function<void()>> deferred;   // run when depth returns to zero

    // The window's record, or null.
    static TWindowRecord* Find(HWND wnd);
    // Binds a window being created to its control (the first message of any kind).
    static TWindowRecord* BindControl(HWND wnd, TWinControl* control, WNDPROC previous);
    // The control lets go of its window without destroying it: ControlWndProc
    // is taken out if it is still installed, else it passes messages through.
    static void ReleaseControl(HWND wnd, TWinControl* control);

    // Dispatch frames: Enter before calling into the chain, Leave after.
    void Enter() { ++depth; }
    void Leave();
    // WM_NCDESTROY passed through one of our procedures.
    void WindowDestroyed();
};

// Runs free now when no procedure of ours is on wnd's stack, else when the
// last one returns.
void FreeWhenIdle(HWND wnd, std::function<void()> free);

// A subclass layer over a window: derive, override WndProc, call
// CallPrevious for what it does not handle.
class TSubclass {
public:
    static constexpr int kMaxLayers = 16;

    TSubclass() = default;
    virtual ~TSubclass();   // unhooks (as Unhook)
    TSubclass(const TSubclass&) = delete;
    TSubclass& operator=(const TSubclass&) = delete;

    // Installs this layer over wnd's procedure. False, with nothing changed,
    // when already hooked, when wnd is not a window of this process, when
    // wnd has kMaxLayers layers of ours, or when the swap failed.
    bool Hook(HWND wnd);
    // True when the previous procedure was put back; false when not hooked or
    // when someone hooked on top (this layer then passes messages through).
    // Either way this object no longer sees messages.
    bool Unhook();
    // Unhooks and deletes this (made with new) once none of our procedures
    // is on the window's stack.
    void Release();

    HWND Window() const { return layer_ ? layer_->record->wnd : nullptr; }
    bool Hooked() const { return layer_ != nullptr; }

protected:
    virtual void WndProc(TMessage& m) { CallPrevious(m); }
    // Passes m on to the procedure that was installed before this layer.
    void CallPrevious(TMessage& m);
    // The window is gone (after WM_NCDESTROY went down the chain); the layer
    // is unhooked already. The place for Release() of a per-window wrapper.
    virtual void WindowDestroyed() {}

private:
    friend struct TSubclassAccess;
    TWindowRecord::Layer* layer_ = nullptr;
};

// Puts a handler in front of a control's WindowProc delegate.
class TWindowProcHook {
public:
    TWindowProcHook() = default;
    ~TWindowProcHook() { Unhook(); }
    TWindowProcHook(const TWindowProcHook&) = delete;
    TWindowProcHook& operator=(const TWindowProcHook&) = delete;

    // False, with nothing changed, when already hooked or without a control
    // or handler.
    bool Hook(TControl* control, TWndMethod handler);
    // As TSubclass::Unhook.
    bool Unhook();
    // The control is being freed: drop it without touching it.
    void Forget();
    // Passes m on to the WindowProc that was installed before the hook.
    void CallPrevious(TMessage& m) const;
    bool Hooked() const { return control_ != nullptr; }

    struct Record;

private:
    std::shared_ptr<Record> record_;
    TControl* control_ = nullptr;
    TWndMethod installed_;
};
