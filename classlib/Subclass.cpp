#include "classlib/Subclass.h"

#include <algorithm>
#include <array>
#include <unordered_map>
#include <utility>


// Defined by the application object: shows an exception raised in a handler.
void ApplicationHandleException(const std::exception& e);
String UnknownErrorText();

// Reaches the protected members of TSubclass for the dispatcher.
struct TSubclassAccess {
    static void WndProc(TSubclass* s, TMessage& m) { s->WndProc(m); }
    static void Destroyed(TSubclass* s) { s->WindowDestroyed(); }
    static void Detach(TSubclass* s) { s->layer_ = nullptr; }
};

namespace {

// Windows belong to one thread each, but records may be looked up from any
// (FindControl); the lock is uncontended in practice and costs far less
// than the property look-up it replaced.
class RecordTable {
public:
    TWindowRecord* Find(HWND wnd)
    {
        AcquireSRWLockShared(&lock_);
        auto it = map_.find(wnd);
        TWindowRecord* r = it == map_.end() ? nullptr : it->second;
        ReleaseSRWLockShared(&lock_);
        return r;
    }
    void Put(HWND wnd, TWindowRecord* r)
    {
        AcquireSRWLockExclusive(&lock_);
        map_[wnd] = r;
        ReleaseSRWLockExclusive(&lock_);
    }
    void Remove(TWindowRecord* r)
    {
        AcquireSRWLockExclusive(&lock_);
        auto it = map_.find(r->wnd);
        if (it != map_.end() && it->second == r) map_.erase(it);
        ReleaseSRWLockExclusive(&lock_);
    }
    // Calls f(record) for each record of a window of the given thread, under
    // the lock: f must not touch the table.
    template <class F>
    void ForEachOfThread(DWORD thread, F f)
    {
        AcquireSRWLockShared(&lock_);
        for (const auto& [wnd, r] : map_)
            if (r->thread == thread) f(r);
        ReleaseSRWLockShared(&lock_);
    }

private:
    SRWLOCK lock_ = SRWLOCK_INIT;
    std::unordered_map<HWND, TWindowRecord*> map_;
};

RecordTable& Records()
{
    static RecordTable table;
    return table;
}

TWindowRecord* NewRecord(HWND wnd)
{
    auto* r = new TWindowRecord;
    r->wnd = wnd;
    r->thread = GetWindowThreadProcessId(wnd, nullptr);
    Records().Put(wnd, r);
    return r;
}

void CallGuarded(const std::function<void()>& f)
{
    // Nothing may leave a window procedure: an exception that crossed the
    // system's frames would end the program.
    try {
        f();
    } catch (const std::exception& e) {
        ApplicationHandleException(e);
    } catch (...) {
        ApplicationHandleException(Exception(UnknownErrorText()));
    }
}

LRESULT LayerProc(int slot, HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

template <int Slot>
LRESULT CALLBACK SlotProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return LayerProc(Slot, wnd, msg, wParam, lParam);
}

template <int... Slots>
constexpr std::array<WNDPROC, sizeof...(Slots)> MakeSlotProcs(std::integer_sequence<int, Slots...>)
{
    return {&SlotProc<Slots>...};
}

const std::array<WNDPROC, TSubclass::kMaxLayers> kSlotProcs =
    MakeSlotProcs(std::make_integer_sequence<int, TSubclass::kMaxLayers>());

WNDPROC CurrentProc(HWND wnd) { return reinterpret_cast<WNDPROC>(GetWindowLongPtrW(wnd, GWLP_WNDPROC)); }

bool Empty(const TWindowRecord* r)
{
    if (r->controlInstalled || !r->deferred.empty()) return false;
    return std::none_of(r->layers.begin(), r->layers.end(), [](const auto& l) { return l->installed; });
}

// Takes pass-through procedures of ours off the top of the chain, as long as
// one of them is the one installed.
void Peel(TWindowRecord* r)
{
    if (r->dead) return;
    for (;;) {
        WNDPROC cur = CurrentProc(r->wnd);
        WNDPROC previous = nullptr;
        for (auto& l : r->layers)
            if (l->installed && !l->owner && kSlotProcs[size_t(l->slot)] == cur) {
                previous = l->previous;
                l->installed = false;
            }
        if (!previous && cur == &ControlWndProc && r->controlInstalled && !r->control) {
            previous = r->controlPrevious ? r->controlPrevious : DefWindowProcW;
            r->controlInstalled = false;
        }
        if (!previous) return;
        SetWindowLongPtrW(r->wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    }
}

// Frees an idle record that serves nothing any more.
void Tidy(TWindowRecord* r)
{
    if (r->depth > 0) return;
    std::erase_if(r->layers, [](const auto& l) { return !l->installed; });
    if (r->dead || Empty(r)) {
        Records().Remove(r);
        delete r;
    }
}

// ---------------------------------------------------------------- the destroy watch
//
// A window whose procedures of ours were cut out of its chain (a foreign
// subclass that unhooked by putting back what it saw before us) never passes
// WM_NCDESTROY through them. So that no record outlives its window (and a new
// window given the same handle finds none), the thread's CBT hook notes the
// windows with a record as their destruction starts, together with those
// under them (the system destroys child windows without a hook call of their
// own), and a sweep soon after lets the records of the noted windows that are
// gone go, as WM_NCDESTROY would have. Windows without a record cost a hash
// look-up, or a walk of the thread's records when they have children; a hook
// that saw every message would slow every message of the thread instead.

// A noted window and the record it had then. The pointer only tells that
// record from a later one for the same handle; it is never read.
struct NotedWindow {
    HWND wnd;
    const TWindowRecord* record;
};

struct DestroyWatch {
    HHOOK hook = nullptr;
    UINT_PTR timer = 0;
    std::vector<NotedWindow> noted;
};

DestroyWatch& Watch()
{
    thread_local DestroyWatch watch;
    return watch;
}

// Windows still there at a sweep (a nested message loop inside their
// destruction) are looked at again this much later.
constexpr UINT kSweepAgainMs = 50;

void CALLBACK SweepProc(HWND, UINT, UINT_PTR id, DWORD);

void ArmSweep(UINT delay)
{
    DestroyWatch& w = Watch();
    if (!w.timer) w.timer = SetTimer(nullptr, 0, delay, SweepProc);
}

void Note(HWND wnd, const TWindowRecord* r)
{
    for (NotedWindow& n : Watch().noted)
        if (n.wnd == wnd) {
            n.record = r;
            return;
        }
    Watch().noted.push_back({wnd, r});
}

bool IsUnder(HWND wnd, HWND ancestor)
{
    for (HWND p = GetAncestor(wnd, GA_PARENT); p; p = GetAncestor(p, GA_PARENT))
        if (p == ancestor) return true;
    return false;
}

LRESULT CALLBACK DestroyWatchProc(int code, WPARAM wParam, LPARAM lParam)
{
    // A destruction refused further down the chain is not noted.
    const LRESULT refused = CallNextHookEx(nullptr, code, wParam, lParam);
    if (code != HCBT_DESTROYWND || refused) return refused;
    const auto wnd = reinterpret_cast<HWND>(wParam);
    bool noted = false;
    if (GetWindow(wnd, GW_CHILD)) {
        Records().ForEachOfThread(GetCurrentThreadId(), [&](const TWindowRecord* r) {
            if (r->wnd == wnd || IsUnder(r->wnd, wnd)) {
                Note(r->wnd, r);
                noted = true;
            }
        });
    } else if (const TWindowRecord* r = TWindowRecord::Find(wnd)) {
        Note(wnd, r);
        noted = true;
    }
    if (noted) ArmSweep(0);
    return refused;
}

void CALLBACK SweepProc(HWND, UINT, UINT_PTR id, DWORD)
{
    DestroyWatch& w = Watch();
    KillTimer(nullptr, id);
    if (w.timer == id) w.timer = 0;
    std::vector<NotedWindow> list = std::move(w.noted);
    w.noted.clear();
    std::vector<NotedWindow> alive;
    for (const NotedWindow& n : list) {
        // Looked up again: a record freed meanwhile (WM_NCDESTROY did pass
        // through us) is not found, and one of a new window that got the
        // handle is not the one noted.
        TWindowRecord* r = TWindowRecord::Find(n.wnd);
        if (!r || r != n.record) continue;
        if (IsWindow(n.wnd)) {
            alive.push_back(n);
            continue;
        }
        // As a frame of ours: the owners told may release themselves meanwhile.
        r->Enter();
        r->WindowDestroyed();
        r->Leave();
    }
    // Windows noted while the owners were told have armed a sweep of their own.
    for (const NotedWindow& n : alive)
        if (std::none_of(w.noted.begin(), w.noted.end(), [&](const NotedWindow& m) { return m.wnd == n.wnd; }))
            w.noted.push_back(n);
    if (!alive.empty()) ArmSweep(kSweepAgainMs);
}

// Installs the watch on the calling thread once (the system removes it with the thread).
void WatchDestroysOnThisThread()
{
    DestroyWatch& w = Watch();
    if (!w.hook) w.hook = SetWindowsHookExW(WH_CBT, DestroyWatchProc, nullptr, GetCurrentThreadId());
}

LRESULT LayerProc(int slot, HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    TWindowRecord* r = TWindowRecord::Find(wnd);
    TWindowRecord::Layer* layer = nullptr;
    if (r)
        for (auto& l : r->layers)
            if (l->slot == slot) layer = l.get();
    // Only a caller holding a stale procedure value gets here.
    if (!layer) return DefWindowProcW(wnd, msg, wParam, lParam);
    r->Enter();
    TMessage m{msg, wParam, lParam, 0};
    if (TSubclass* owner = layer->owner)
        CallGuarded([&] { TSubclassAccess::WndProc(owner, m); });
    else
        m.Result = CallWindowProcW(layer->previous, wnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) r->WindowDestroyed();
    r->Leave();
    return m.Result;
}

}  // namespace

// ---------------------------------------------------------------- TWindowRecord

TWindowRecord* TWindowRecord::Find(HWND wnd) { return wnd ? Records().Find(wnd) : nullptr; }

TWindowRecord* TWindowRecord::BindControl(HWND wnd, TWinControl* control, WNDPROC previous)
{
    TWindowRecord* r = Find(wnd);
    if (!r) r = NewRecord(wnd);
    r->control = control;
    r->controlPrevious = previous;
    r->controlInstalled = true;
    return r;
}

void TWindowRecord::ReleaseControl(HWND wnd, TWinControl* control)
{
    TWindowRecord* r = Find(wnd);
    if (!r || r->control != control) return;
    r->control = nullptr;
    Peel(r);
    Tidy(r);
}

void TWindowRecord::Leave()
{
    if (depth > 1) {
        --depth;
        return;
    }
    // The outermost frame: what was released meanwhile goes now, while the
    // count still keeps this record alive against nested frames.
    while (!deferred.empty()) {
        auto list = std::move(deferred);
        deferred.clear();
        for (auto& f : list) CallGuarded(f);
    }
    --depth;
    Tidy(this);
}

void TWindowRecord::WindowDestroyed()
{
    if (dead) return;
    dead = true;
    control = nullptr;
    controlInstalled = false;
    // A new window may get this handle: it must not find this record.
    Records().Remove(this);
    // Every layer's owner hears of it, also those above a layer that kept
    // the message to itself; frames of theirs still running see no owner.
    // An owner is told while still hooked (so it may Release itself); one
    // that neither unhooked nor freed itself is let go afterwards.
    for (auto& l : layers) {
        l->installed = false;
        if (TSubclass* owner = l->owner) CallGuarded([&] { TSubclassAccess::Destroyed(owner); });
        if (TSubclass* owner = std::exchange(l->owner, nullptr)) TSubclassAccess::Detach(owner);
    }
}

void FreeWhenIdle(HWND wnd, std::function<void()> free)
{
    TWindowRecord* r = TWindowRecord::Find(wnd);
    if (r && r->depth > 0)
        r->deferred.push_back(std::move(free));
    else
        free();
}

// ---------------------------------------------------------------- TSubclass

TSubclass::~TSubclass() { Unhook(); }

bool TSubclass::Hook(HWND wnd)
{
    if (layer_ || !IsWindow(wnd)) return false;
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    if (pid != GetCurrentProcessId()) return false;
    TWindowRecord* r = TWindowRecord::Find(wnd);
    int slot = 0;
    if (r)
        while (slot < kMaxLayers && std::any_of(r->layers.begin(), r->layers.end(),
                                                 [&](const auto& l) { return l->slot == slot; }))
            ++slot;
    if (slot == kMaxLayers) return false;
    SetLastError(0);
    auto previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(kSlotProcs[size_t(slot)])));
    if (!previous) {
        if (GetLastError() != 0) return false;
        previous = DefWindowProcW;   // swapped, but there was nothing before
    }
    if (!r) r = NewRecord(wnd);
    auto layer = std::make_unique<TWindowRecord::Layer>();
    layer->record = r;
    layer->slot = slot;
    layer->previous = previous;
    layer->owner = this;
    layer_ = layer.get();
    r->layers.push_back(std::move(layer));
    if (GetWindowThreadProcessId(wnd, nullptr) == GetCurrentThreadId()) WatchDestroysOnThisThread();
    return true;
}

bool TSubclass::Unhook()
{
    TWindowRecord::Layer* layer = std::exchange(layer_, nullptr);
    if (!layer) return false;
    layer->owner = nullptr;
    TWindowRecord* r = layer->record;
    bool restored = false;
    if (!r->dead && CurrentProc(r->wnd) == kSlotProcs[size_t(layer->slot)]) {
        SetWindowLongPtrW(r->wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(layer->previous));
        layer->installed = false;
        restored = true;
        Peel(r);
    }
    Tidy(r);
    return restored;
}

void TSubclass::Release()
{
    // The record, not the handle: inside WindowDestroyed the window has
    // already left the table, but its frames are still running.
    TWindowRecord* r = layer_ ? layer_->record : nullptr;
    const bool busy = r && r->depth > 0;
    Unhook();
    if (busy)
        r->deferred.push_back([this] { delete this; });
    else
        delete this;
}

void TSubclass::CallPrevious(TMessage& m)
{
    // A layer that unhooked inside its own handler still passes the message on.
    TWindowRecord::Layer* layer = layer_;
    if (!layer) return;
    m.Result = CallWindowProcW(layer->previous, layer->record->wnd, m.Msg, m.WParam, m.LParam);
}

// ---------------------------------------------------------------- TWindowProcHook

struct TWindowProcHook::Record {
    TWndMethod previous;
    TWndMethod handler;   // empty: passes messages through
};

namespace {
// Hooks that were unhooked while another one sat on top: they are still in
// that control's chain and leave it once they are on top again. Keyed by the
// installed delegate's data; an expired entry is one whose delegate is gone.
std::unordered_map<const void*, std::weak_ptr<TWindowProcHook::Record>>& PassThroughHooks()
{
    static std::unordered_map<const void*, std::weak_ptr<TWindowProcHook::Record>> hooks;
    return hooks;
}

void PeelHooks(TControl* control)
{
    auto& hooks = PassThroughHooks();
    std::erase_if(hooks, [](const auto& e) { return e.second.expired(); });
    for (;;) {
        auto it = hooks.find(control->WindowProc.Data());
        if (it == hooks.end()) return;
        std::shared_ptr<TWindowProcHook::Record> r = it->second.lock();
        hooks.erase(it);
        if (!r) return;
        control->WindowProc = r->previous;
    }
}
}  // namespace

bool TWindowProcHook::Hook(TControl* control, TWndMethod handler)
{
    if (control_ || !control || !handler) return false;
    record_ = std::make_shared<Record>();
    record_->previous = control->WindowProc;
    record_->handler = std::move(handler);
    installed_ = TWndMethod([r = record_](TMessage& m) {
        // The hook may unhook inside its handler; this frame keeps the record.
        std::shared_ptr<Record> keep = r;
        if (keep->handler)
            keep->handler(m);
        else if (keep->previous)
            keep->previous(m);
    });
    control->WindowProc = installed_;
    control_ = control;
    return true;
}

bool TWindowProcHook::Unhook()
{
    if (!control_) return false;
    TControl* control = std::exchange(control_, nullptr);
    bool restored = control->WindowProc == installed_;
    if (restored) {
        control->WindowProc = record_->previous;
        PeelHooks(control);
    } else {
        PassThroughHooks()[installed_.Data()] = record_;
    }
    record_->handler = nullptr;
    record_.reset();
    installed_ = nullptr;
    return restored;
}

void TWindowProcHook::Forget()
{
    control_ = nullptr;
    if (record_) record_->handler = nullptr;
    record_.reset();
    installed_ = nullptr;
}

void TWindowProcHook::CallPrevious(TMessage& m) const
{
    if (record_ && record_->previous) record_->previous(m);
}
