// The timer component of the library's animations. It runs no thread of its
// own: it wraps an owned window-message timer, guards against re-entry (a tick
// that arrives while a handler runs, for example from a message loop the
// handler pumps, is dropped), and lets descendants take their ticks in the
// virtual TimerStep instead of an event.
#pragma once
#include "classlib/Timer.h"

// Stored only; kept for the published property.
enum class TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

class TkvThreadedTimer : public TComponent {
    DECLARE_CLASS(TkvThreadedTimer, TComponent)
public:
    // Enabled, interval 1000; no inner timer when the application is terminating.
    explicit TkvThreadedTimer(TComponent* owner);
    // As above, then disabled; keeps the linked component; with useOwnHandler
    // the ticks go to TimerStep.
    TkvThreadedTimer(TComponent* owner, TComponent* linked, bool useOwnHandler);
    ~TkvThreadedTimer() override;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool e);
    unsigned Interval() const { return interval_; }
    void SetInterval(unsigned ms);
    const TNotifyEvent& OnTimer() const { return onTimer_; }
    void SetOnTimer(const TNotifyEvent& e);
    TThreadPriority ThreadPriority() const { return priority_; }
    void SetThreadPriority(TThreadPriority p);

    TComponent* Linked() const { return linked_; }
    bool Busy() const { return busy_; }
    // The inner timer runs (nullptr-safe view for tests and descendants).
    bool Running() const { return inner_ && inner_->Running(); }
    TTimer* InnerTimer() const { return inner_; }

protected:
    virtual void TimerStep() {}
    // Fires OnTimer with this component as sender.
    virtual void Timer();
    void OwnTimerEvent(TObject* sender);
    void Notification(TComponent* component, TOperation operation) override;

private:
    void InnerTimerEvent(TObject* sender);
    void UpdateTimer();
    TTimer* inner_ = nullptr;
    bool enabled_ = false;
    unsigned interval_ = 0;
    TNotifyEvent onTimer_;
    TThreadPriority priority_ = TThreadPriority::tpNormal;
    bool busy_ = false;
    TComponent* linked_ = nullptr;
};

// Registers the component's published properties (part of the library's start-up).
void RegisterThreadedTimerProperties();
