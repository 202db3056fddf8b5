#include "classlib/Spin.h"

#include <commctrl.h>

#include <climits>
#include <cwctype>

namespace {
constexpr int kUpDownWidth = 15;

void InitUpDownClass()
{
    static bool done = [] {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_UPDOWN_CLASS};
        InitCommonControlsEx(&icc);
        return true;
    }();
    (void)done;
}

// The leading optional sign and digits of text as a number; false if none.
bool ParseInt(const String& text, long long& out)
{
    String t = Trim(text);
    size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == L'-' || t[i] == L'+')) negative = t[i++] == L'-';
    if (i >= t.size()) return false;
    long long v = 0;
    for (; i < t.size(); ++i) {
        if (t[i] < L'0' || t[i] > L'9') return false;
        v = v * 10 + (t[i] - L'0');
        if (v > INT_MAX) v = INT_MAX + 1LL;   // saturates; clamped by the caller
    }
    out = negative ? -v : v;
    return true;
}
}  // namespace

TSpinEdit::TSpinEdit(TComponent* owner) : TCustomEdit(owner)
{
    InitUpDownClass();
    SetBounds(0, 0, 121, 22);
    SetTabStop(true);
    SetText(L"0");
}

void TSpinEdit::CreateParams(TCreateParams& p)
{
    TCustomEdit::CreateParams(p);
    p.Style |= WS_CLIPCHILDREN;
}

void TSpinEdit::HandleCreated()
{
    TCustomEdit::HandleCreated();
    // The up-down is a child of the edit, at its right edge, inside the border.
    upDown_ = CreateWindowExW(0, UPDOWN_CLASSW, L"", WS_CHILD | WS_VISIBLE | UDS_NOTHOUSANDS, 0, 0,
                              kUpDownWidth, 10, handle_, nullptr, GetModuleHandleW(nullptr), nullptr);
    // A range whose up arrow counts up, and a position away from its ends, so
    // every press is reported; the field itself holds the value.
    SendMessageW(upDown_, UDM_SETRANGE32, 0, 100);
    SendMessageW(upDown_, UDM_SETPOS32, 0, 50);
    PlaceUpDown();
}

void TSpinEdit::PlaceUpDown()
{
    if (!upDown_) return;
    RECT r;
    GetClientRect(handle_, &r);
    SetWindowPos(upDown_, nullptr, r.right - kUpDownWidth, 0, kUpDownWidth, r.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
    // The text keeps clear of the arrows.
    SendMessageW(handle_, EM_SETMARGINS, EC_RIGHTMARGIN, MAKELPARAM(0, kUpDownWidth + 1));
}

void TSpinEdit::BoundsChanged()
{
    TCustomEdit::BoundsChanged();
    PlaceUpDown();
}

int TSpinEdit::CheckValue(int v) const
{
    if (maxValue_ != minValue_) {
        if (v < minValue_) v = minValue_;
        if (v > maxValue_) v = maxValue_;
    }
    return v;
}

void TSpinEdit::SetMinValue(int v)
{
    minValue_ = v;
    if (maxValue_ < minValue_) maxValue_ = minValue_;
    SetValue(Value());
}

void TSpinEdit::SetMaxValue(int v)
{
    maxValue_ = v;
    if (minValue_ > maxValue_) minValue_ = maxValue_;
    SetValue(Value());
}

int TSpinEdit::Value() const
{
    long long v = 0;
    if (!ParseInt(Text(), v)) return minValue_;
    if (v > INT_MAX) v = INT_MAX;
    if (v < INT_MIN) v = INT_MIN;
    return CheckValue(int(v));
}

void TSpinEdit::SetValue(int v) { SetText(IntToStr(CheckValue(v))); }

void TSpinEdit::Step(int delta)
{
    long long v = (long long)Value() + delta;
    if (v > INT_MAX) v = INT_MAX;
    if (v < INT_MIN) v = INT_MIN;
    SetValue(int(v));
    if (HandleAllocated()) SendMessageW(handle_, EM_SETSEL, 0, -1);
}

void TSpinEdit::KeyDown(WORD& key, TShiftState shift)
{
    TCustomEdit::KeyDown(key, shift);
    if (key == VK_UP) {
        Step(increment_);
        key = 0;
    } else if (key == VK_DOWN) {
        Step(-increment_);
        key = 0;
    }
}

void TSpinEdit::KeyPress(wchar_t& key)
{
    TCustomEdit::KeyPress(key);
    // Digits, a sign and editing keys; anything else cannot make a number.
    if (key >= 32 && !(key >= L'0' && key <= L'9') && key != L'-' && key != L'+') {
        MessageBeep(0);
        key = 0;
    }
}

void TSpinEdit::Dispatch(TMessage& m)
{
    // The up-down reports its arrows to its parent, the edit.
    if (m.Msg == WM_VSCROLL && upDown_ && HWND(m.LParam) == upDown_) {
        m.Result = 0;   // the presses come as UDN_DELTAPOS
        return;
    }
    if (m.Msg == WM_NOTIFY && upDown_) {
        auto* hdr = reinterpret_cast<NMHDR*>(m.LParam);
        if (hdr->hwndFrom == upDown_ && hdr->code == UDN_DELTAPOS) {
            auto* ud = reinterpret_cast<NMUPDOWN*>(m.LParam);
            // The up-down's own position is not used: the field holds the value.
            Step(ud->iDelta > 0 ? increment_ : -increment_);
            SetFocus();
            m.Result = 1;   // keep the up-down's position as it is
            return;
        }
    }
    if (m.Msg == WM_NCDESTROY) upDown_ = nullptr;
    TCustomEdit::Dispatch(m);
}
