#include "classlib/Timer.h"

#include "classlib/Forms.h"

namespace {
// The utility window class of the library (the dialog hook leaves windows of this class alone).
const wchar_t* const timerClass = L"TPUtilWindow";
}

LRESULT CALLBACK TTimer::TimerWndProc(HWND wnd, UINT msg, WPARAM w, LPARAM l)
{
    if (msg == WM_TIMER) {
        auto* t = reinterpret_cast<TTimer*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
        if (t && t->running_) {
            try {
                t->Timer();
            } catch (const std::exception& e) {
                if (Application) Application->HandleException(e);
            }
        }
        return 0;
    }
    return DefWindowProcW(wnd, msg, w, l);
}

TTimer::TTimer(TComponent* owner) : TComponent(owner)
{
    HINSTANCE inst = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{sizeof wc};
    if (!GetClassInfoExW(inst, timerClass, &wc)) {
        wc = WNDCLASSEXW{sizeof wc};
        wc.lpfnWndProc = TimerWndProc;
        wc.hInstance = inst;
        wc.lpszClassName = timerClass;
        RegisterClassExW(&wc);
    }
    wnd_.reset(CreateWindowExW(0, timerClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, inst, nullptr));
    if (!wnd_) throw EOutOfResources(L"Not enough timers available");
    SetWindowLongPtrW(wnd_.get(), GWLP_USERDATA, LONG_PTR(this));
}

TTimer::~TTimer()
{
    running_ = false;
    if (wnd_) {
        KillTimer(wnd_.get(), 1);
        SetWindowLongPtrW(wnd_.get(), GWLP_USERDATA, 0);
        wnd_.reset();
    }
}

void TTimer::SetEnabled(bool e)
{
    if (e == enabled_) return;
    enabled_ = e;
    UpdateTimer();
}

void TTimer::SetInterval(unsigned ms)
{
    if (ms == interval_) return;
    interval_ = ms;
    UpdateTimer();
}

void TTimer::SetOnTimer(const TNotifyEvent& e)
{
    onTimer_ = e;
    UpdateTimer();
}

void TTimer::UpdateTimer()
{
    KillTimer(wnd_.get(), 1);
    running_ = false;
    if (interval_ != 0 && enabled_ && onTimer_) {
        if (!SetTimer(wnd_.get(), 1, interval_, nullptr)) throw EOutOfResources(L"Not enough timers available");
        running_ = true;
    }
}

void TTimer::Timer()
{
    if (onTimer_) onTimer_(this);
}
