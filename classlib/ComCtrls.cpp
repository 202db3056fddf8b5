#include "classlib/ComCtrls.h"

#include <commctrl.h>

#include <algorithm>

#include "classlib/TypInfo.h"

namespace {
void InitClasses()
{
    static bool done = [] {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_UPDOWN_CLASS | ICC_BAR_CLASSES};
        InitCommonControlsEx(&icc);
        return true;
    }();
    (void)done;
}

void RegisterStaticTextProperties()
{
    static bool done = [] {
        RegisterProperty(TStaticText::StaticClassInfo(),
                         OrdProperty<TStaticText, TAlignment>(L"Alignment", &TStaticText::Alignment,
                                                              &TStaticText::SetAlignment, TTypeKind::tkEnumeration,
                                                              {L"taLeftJustify", L"taRightJustify", L"taCenter"}));
        return true;
    }();
    (void)done;
}
}  // namespace

// ---------------------------------------------------------------- TUpDown

TUpDown::TUpDown(TComponent* owner) : TWinControl(owner)
{
    InitClasses();
    SetBounds(0, 0, 17, 25);
}

void TUpDown::CreateParams(TCreateParams& p)
{
    TWinControl::CreateParams(p);
    p.SubclassOf = UPDOWN_CLASSW;
    if (orientation_ == TUDOrientation::udHorizontal) p.Style |= UDS_HORZ;
}

void TUpDown::HandleCreated()
{
    TWinControl::HandleCreated();
    SendMessageW(handle_, UDM_SETRANGE32, WPARAM(min_), LPARAM(max_));
    SendMessageW(handle_, UDM_SETPOS32, 0, LPARAM(position_));
}

void TUpDown::SetRange(int min, int max)
{
    min_ = min;
    max_ = max;
    position_ = std::clamp(position_, std::min(min, max), std::max(min, max));
    if (HandleAllocated()) {
        SendMessageW(handle_, UDM_SETRANGE32, WPARAM(min_), LPARAM(max_));
        SendMessageW(handle_, UDM_SETPOS32, 0, LPARAM(position_));
    }
}

int TUpDown::Position() const
{
    if (handle_) return int(SendMessageW(handle_, UDM_GETPOS32, 0, 0));
    return position_;
}

void TUpDown::SetPosition(int p)
{
    position_ = std::clamp(p, std::min(min_, max_), std::max(min_, max_));
    if (HandleAllocated()) SendMessageW(handle_, UDM_SETPOS32, 0, LPARAM(position_));
}

void TUpDown::SetOrientation(TUDOrientation o)
{
    if (o == orientation_) return;
    orientation_ = o;
    if (HandleAllocated()) RecreateWnd();
}

void TUpDown::Dispatch(TMessage& m)
{
    if (m.Msg == CN_BASE + WM_VSCROLL || m.Msg == CN_BASE + WM_HSCROLL || m.Msg == WM_VSCROLL ||
        m.Msg == WM_HSCROLL) {
        position_ = Position();
        if (OnChange) OnChange(this);
        return;
    }
    TWinControl::Dispatch(m);
}

// ---------------------------------------------------------------- TTrackBar

TTrackBar::TTrackBar(TComponent* owner) : TWinControl(owner)
{
    InitClasses();
    SetBounds(0, 0, 150, 45);
    SetTabStop(true);
}

void TTrackBar::CreateParams(TCreateParams& p)
{
    TWinControl::CreateParams(p);
    p.SubclassOf = TRACKBAR_CLASSW;
    p.Style |= orientation_ == TTrackBarOrientation::trVertical ? TBS_VERT : TBS_HORZ;
    if (tickStyle_ == TTickStyle::tsNone) p.Style |= TBS_NOTICKS;
    else if (tickStyle_ == TTickStyle::tsAuto) p.Style |= TBS_AUTOTICKS;
    if (tickMarks_ == TTickMark::tmBoth) p.Style |= TBS_BOTH;
    else if (tickMarks_ == TTickMark::tmTopLeft) p.Style |= TBS_TOP;
}

void TTrackBar::HandleCreated()
{
    TWinControl::HandleCreated();
    SendMessageW(handle_, TBM_SETRANGEMIN, FALSE, LPARAM(min_));
    SendMessageW(handle_, TBM_SETRANGEMAX, FALSE, LPARAM(max_));
    SendMessageW(handle_, TBM_SETTICFREQ, WPARAM(frequency_), 0);
    SendMessageW(handle_, TBM_SETPOS, TRUE, LPARAM(position_));
}

void TTrackBar::SetRange(int min, int max)
{
    min_ = min;
    max_ = std::max(min, max);
    position_ = std::clamp(position_, min_, max_);
    if (HandleAllocated()) {
        SendMessageW(handle_, TBM_SETRANGEMIN, FALSE, LPARAM(min_));
        SendMessageW(handle_, TBM_SETRANGEMAX, TRUE, LPARAM(max_));
        SendMessageW(handle_, TBM_SETPOS, TRUE, LPARAM(position_));
    }
}

int TTrackBar::Position() const
{
    if (handle_) return int(SendMessageW(handle_, TBM_GETPOS, 0, 0));
    return position_;
}

void TTrackBar::SetPosition(int p)
{
    position_ = std::clamp(p, min_, max_);
    if (HandleAllocated()) SendMessageW(handle_, TBM_SETPOS, TRUE, LPARAM(position_));
}

void TTrackBar::SetFrequency(int f)
{
    frequency_ = std::max(1, f);
    if (HandleAllocated()) SendMessageW(handle_, TBM_SETTICFREQ, WPARAM(frequency_), 0);
}

void TTrackBar::SetOrientation(TTrackBarOrientation o)
{
    if (o == orientation_) return;
    orientation_ = o;
    SetBounds(Left(), Top(), Height(), Width());
    if (HandleAllocated()) RecreateWnd();
}

void TTrackBar::SetTickMarks(TTickMark t)
{
    if (t == tickMarks_) return;
    tickMarks_ = t;
    if (HandleAllocated()) RecreateWnd();
}

void TTrackBar::SetTickStyle(TTickStyle t)
{
    if (t == tickStyle_) return;
    tickStyle_ = t;
    if (HandleAllocated()) RecreateWnd();
}

void TTrackBar::Dispatch(TMessage& m)
{
    if (m.Msg == CN_BASE + WM_HSCROLL || m.Msg == CN_BASE + WM_VSCROLL) {
        position_ = Position();
        if (OnChange) OnChange(this);
        return;
    }
    TWinControl::Dispatch(m);
}

// ---------------------------------------------------------------- TStaticText

TStaticText::TStaticText(TComponent* owner) : TWinControl(owner)
{
    RegisterStaticTextProperties();
    SetBounds(0, 0, 65, 17);
}

void TStaticText::CreateParams(TCreateParams& p)
{
    TWinControl::CreateParams(p);
    p.SubclassOf = L"STATIC";
    p.Style |= SS_NOTIFY;
    switch (alignment_) {
    case TAlignment::taLeftJustify: p.Style |= SS_LEFT; break;
    case TAlignment::taRightJustify: p.Style |= SS_RIGHT; break;
    case TAlignment::taCenter: p.Style |= SS_CENTER; break;
    }
    if (borderStyle_ == TStaticBorderStyle::sbsSingle) p.Style |= WS_BORDER;
    else if (borderStyle_ == TStaticBorderStyle::sbsSunken) p.ExStyle |= WS_EX_STATICEDGE;
}

void TStaticText::SetAlignment(TAlignment a)
{
    if (a == alignment_) return;
    alignment_ = a;
    if (HandleAllocated()) RecreateWnd();
}

void TStaticText::SetBorderStyle(TStaticBorderStyle b)
{
    if (b == borderStyle_) return;
    borderStyle_ = b;
    if (HandleAllocated()) RecreateWnd();
}

void TStaticText::Dispatch(TMessage& m)
{
    if (m.Msg == CN_CTLCOLORSTATIC) {
        AnswerColorMessage(m);
        return;
    }
    TWinControl::Dispatch(m);
}
