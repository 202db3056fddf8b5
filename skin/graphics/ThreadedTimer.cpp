#include "skin/graphics/ThreadedTimer.h"

#include "classlib/Forms.h"
#include "classlib/TypInfo.h"

TkvThreadedTimer::TkvThreadedTimer(TComponent* owner) : TComponent(owner)
{
    if (Application && Application->Terminated()) return;
    enabled_ = true;
    interval_ = 1000;
    inner_ = new TTimer(this);
    inner_->SetInterval(interval_);
    inner_->SetOnTimer(TNotifyEvent(this, &TkvThreadedTimer::InnerTimerEvent));
    // No idle ticks while nobody listens.
    UpdateTimer();
}

TkvThreadedTimer::TkvThreadedTimer(TComponent* owner, TComponent* linked, bool useOwnHandler)
    : TkvThreadedTimer(owner)
{
    SetEnabled(false);
    linked_ = linked;
    if (linked_) FreeNotification(linked_);
    if (useOwnHandler) SetOnTimer(TNotifyEvent(this, &TkvThreadedTimer::OwnTimerEvent));
}

TkvThreadedTimer::~TkvThreadedTimer()
{
    if (inner_) {
        inner_->SetEnabled(false);
        TTimer* t = inner_;
        inner_ = nullptr;
        Free(t);
    }
}

void TkvThreadedTimer::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == linked_) linked_ = nullptr;
    if (operation == TOperation::opRemove && component == inner_) inner_ = nullptr;
}

void TkvThreadedTimer::SetEnabled(bool e)
{
    if (e == enabled_) return;
    enabled_ = e;
    UpdateTimer();
}

void TkvThreadedTimer::SetInterval(unsigned ms)
{
    if (ms == interval_) return;
    interval_ = ms;
    if (inner_) {
        inner_->SetInterval(ms);
        UpdateTimer();
    }
}

void TkvThreadedTimer::SetOnTimer(const TNotifyEvent& e)
{
    onTimer_ = e;
    UpdateTimer();
}

void TkvThreadedTimer::SetThreadPriority(TThreadPriority p)
{
    if (p == priority_) return;
    priority_ = p;
    UpdateTimer();
}

void TkvThreadedTimer::UpdateTimer()
{
    if (!inner_) return;
    inner_->SetEnabled(false);
    if (interval_ != 0 && enabled_ && onTimer_) inner_->SetEnabled(true);
}

void TkvThreadedTimer::InnerTimerEvent(TObject*)
{
    if (!inner_ || !inner_->Enabled() || busy_) return;
    // Busy is cleared however the handler ends: a handler that raised once must
    // not silence the timer for good. The exception goes on to the application.
    struct BusyGuard {
        bool& b;
        ~BusyGuard() { b = false; }
    } guard{busy_};
    busy_ = true;
    Timer();
}

void TkvThreadedTimer::Timer()
{
    if (onTimer_) onTimer_(this);
}

void TkvThreadedTimer::OwnTimerEvent(TObject*) { TimerStep(); }

void RegisterThreadedTimerProperties()
{
    const TClassInfo* cls = TkvThreadedTimer::StaticClassInfo();
    RegisterProperty(cls, BoolProperty<TkvThreadedTimer>(L"Enabled", &TkvThreadedTimer::Enabled,
                                                         &TkvThreadedTimer::SetEnabled));
    RegisterProperty(cls, OrdProperty<TkvThreadedTimer, unsigned>(L"Interval", &TkvThreadedTimer::Interval,
                                                                  &TkvThreadedTimer::SetInterval));
    RegisterProperty(cls, OrdProperty<TkvThreadedTimer, TThreadPriority>(
                              L"ThreadPriority", &TkvThreadedTimer::ThreadPriority,
                              &TkvThreadedTimer::SetThreadPriority, TTypeKind::tkEnumeration,
                              {L"tpIdle", L"tpLowest", L"tpLower", L"tpNormal", L"tpHigher", L"tpHighest",
                               L"tpTimeCritical"}));
}
