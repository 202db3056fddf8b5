#include "classlib/ScrollBox.h"

#include <algorithm>

#include "classlib/TypInfo.h"

namespace {
void RegisterScrollBoxProperties()
{
    static bool done = [] {
        RegisterProperty(TScrollBox::StaticClassInfo(),
                         OrdProperty<TScrollBox, TBorderStyle>(L"BorderStyle", &TScrollBox::BorderStyle,
                                                               &TScrollBox::SetBorderStyle, TTypeKind::tkEnumeration,
                                                               {L"bsNone", L"bsSingle"}));
        return true;
    }();
    (void)done;
}
constexpr int kLineStep = 8;
}  // namespace

TScrollBox::TScrollBox(TComponent* owner) : TWinControl(owner)
{
    RegisterScrollBoxProperties();
    SetControlStyle(ControlStyle() | csAcceptsControls);
    SetBounds(0, 0, 185, 41);
}

void TScrollBox::CreateParams(TCreateParams& p)
{
    TWinControl::CreateParams(p);
    p.Style |= WS_HSCROLL | WS_VSCROLL;
    if (borderStyle_ == TBorderStyle::bsSingle) p.ExStyle |= WS_EX_CLIENTEDGE;
}

void TScrollBox::HandleCreated()
{
    TWinControl::HandleCreated();
    UpdateScrollBars();
}

void TScrollBox::SetBorderStyle(TBorderStyle b)
{
    if (b == borderStyle_) return;
    borderStyle_ = b;
    if (HandleAllocated()) RecreateWnd();
}

SIZE TScrollBox::ContentExtent() const
{
    SIZE s{0, 0};
    for (int i = 0; i < ControlCount(); ++i) {
        TControl* c = Controls(i);
        if (!c->Visible()) continue;
        s.cx = std::max<LONG>(s.cx, c->Left() + c->Width() + pos_[0]);
        s.cy = std::max<LONG>(s.cy, c->Top() + c->Height() + pos_[1]);
    }
    return s;
}

void TScrollBox::UpdateScrollBars()
{
    if (!HandleAllocated() || updating_) return;
    updating_ = true;
    SIZE need = ContentExtent();
    RECT client{};
    GetClientRect(handle_, &client);
    int page[2] = {client.right, client.bottom};
    int extent[2] = {int(need.cx), int(need.cy)};
    for (int bar = 0; bar < 2; ++bar) {
        SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL, 0, 0, 0, 0, 0};
        if (extent[bar] > page[bar]) {
            si.nMax = extent[bar] - 1;
            si.nPage = UINT(std::max(0, page[bar]));
        }
        int limit = std::max(0, extent[bar] - page[bar]);
        int wanted = std::clamp(pos_[bar], 0, limit);
        si.nPos = wanted;
        SetScrollInfo(handle_, bar == 0 ? SB_HORZ : SB_VERT, &si, TRUE);
        if (wanted != pos_[bar]) {
            int delta = pos_[bar] - wanted;
            pos_[bar] = wanted;
            for (int i = 0; i < ControlCount(); ++i) {
                TControl* c = Controls(i);
                if (bar == 0)
                    c->SetBounds(c->Left() + delta, c->Top(), c->Width(), c->Height());
                else
                    c->SetBounds(c->Left(), c->Top() + delta, c->Width(), c->Height());
            }
        }
    }
    updating_ = false;
}

void TScrollBox::ScrollTo(int horz, int vert)
{
    if (!HandleAllocated()) return;
    SIZE need = ContentExtent();
    RECT client{};
    GetClientRect(handle_, &client);
    int target[2] = {std::clamp(horz, 0, std::max(0, int(need.cx) - int(client.right))),
                     std::clamp(vert, 0, std::max(0, int(need.cy) - int(client.bottom)))};
    int dx = pos_[0] - target[0], dy = pos_[1] - target[1];
    if (!dx && !dy) return;
    pos_[0] = target[0];
    pos_[1] = target[1];
    updating_ = true;
    for (int i = 0; i < ControlCount(); ++i) {
        TControl* c = Controls(i);
        c->SetBounds(c->Left() + dx, c->Top() + dy, c->Width(), c->Height());
    }
    updating_ = false;
    SetScrollPos(handle_, SB_HORZ, pos_[0], TRUE);
    SetScrollPos(handle_, SB_VERT, pos_[1], TRUE);
    Invalidate();
}

void TScrollBox::Scroll(int bar, int code, int track)
{
    SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(handle_, bar == 0 ? SB_HORZ : SB_VERT, &si);
    int p = pos_[bar];
    int page = std::max(1, int(si.nPage));
    switch (code) {
    case SB_LINEUP: p -= kLineStep; break;
    case SB_LINEDOWN: p += kLineStep; break;
    case SB_PAGEUP: p -= page; break;
    case SB_PAGEDOWN: p += page; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: p = track; break;
    case SB_TOP: p = 0; break;
    case SB_BOTTOM: p = si.nMax; break;
    default: return;
    }
    if (bar == 0)
        ScrollTo(p, pos_[1]);
    else
        ScrollTo(pos_[0], p);
}

void TScrollBox::Dispatch(TMessage& m)
{
    switch (m.Msg) {
    case WM_HSCROLL:
    case WM_VSCROLL: {
        if (m.LParam && IsWindow(HWND(m.LParam))) break;   // a scroll-bar control's own message
        // The thumb position: the high word, or the full value a skinned
        // bar may put into the LParam.
        int track = m.LParam ? int(m.LParam) : int(HIWORD(m.WParam));
        Scroll(m.Msg == WM_HSCROLL ? 0 : 1, LOWORD(m.WParam), track);
        m.Result = 0;
        return;
    }
    case WM_SIZE:
        TWinControl::Dispatch(m);
        UpdateScrollBars();
        return;
    case CM_CONTROLLISTCHANGE:
        TWinControl::Dispatch(m);
        UpdateScrollBars();
        return;
    default:
        break;
    }
    TWinControl::Dispatch(m);
}
