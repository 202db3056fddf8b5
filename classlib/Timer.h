// The window-message timer component: ticks arrive as WM_TIMER on a hidden
// message-only window of the GUI thread and call OnTimer.
#pragma once
#include <windows.h>

#include "classlib/Component.h"
#include "classlib/GdiHandle.h"

class TTimer : public TComponent {
    DECLARE_CLASS(TTimer, TComponent)
public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool e);
    unsigned Interval() const { return interval_; }
    void SetInterval(unsigned ms);
    const TNotifyEvent& OnTimer() const { return onTimer_; }
    void SetOnTimer(const TNotifyEvent& e);
    // True while the system timer is set (enabled, interval not 0, handler assigned).
    bool Running() const { return running_; }
    HWND WindowHandle() const { return wnd_.get(); }

protected:
    // Fires OnTimer; an exception goes to the application's handler.
    virtual void Timer();

private:
    static LRESULT CALLBACK TimerWndProc(HWND, UINT, WPARAM, LPARAM);
    void UpdateTimer();
    bool enabled_ = true;
    unsigned interval_ = 1000;
    TNotifyEvent onTimer_;
    ::WindowHandle wnd_;
    bool running_ = false;
};
