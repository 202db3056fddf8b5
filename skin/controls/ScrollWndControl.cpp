// Skinned scroll bars: the stand-alone scroll-bar control.
#include "skin/controls/ScrollWnd.h"

#include <windowsx.h>

#include <algorithm>

#include "classlib/Graphics.h"
#include "classlib/StdCtrls.h"
#include "skin/controls/ScrollWndDetail.h"
#include "skin/core/SkinManager.h"
#include "skin/graphics/SkinCommands.h"
#include "skin/graphics/Utils.h"

using namespace scrollgeo;
using namespace scrollwnd_detail;

// ---------------------------------------------------------------- stand-alone control

TkvSBWnd::TkvSBWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
                   bool repaint)
    : TkvMainWnd(handle, commonData, skinManager, skinSection, repaint)
{
}

TkvSBWnd::~TkvSBWnd()
{
    if (!Unhooked && Handle && IsWindow(Handle)) {
        if (RedrawLocked) {
            LPARAM none = 0;
            CallPrevWndProc(Handle, WM_SETREDRAW, TRUE, none);
        }
        InvalidateRect(Handle, nullptr, TRUE);
    }
}

bool TkvSBWnd::Vertical() const { return (GetWindowLongPtrW(Handle, GWL_STYLE) & SBS_VERT) != 0; }

void TkvSBWnd::ReadScrollBarProps()
{
    SCROLLINFO si{sizeof(si), SIF_ALL, 0, 0, 0, 0, 0};
    if (!GetScrollInfo(Handle, SB_CTL, &si)) si = SCROLLINFO{sizeof(si), 0, 0, 0, 0, 0, 0};
    SBMin = si.nMin;
    SBMax = si.nMax;
    SBPage = int(std::min<UINT>(si.nPage, INT32_MAX));
    SBPos = si.nPos;
    SBTrackPos = si.nTrackPos;
}

ControlLayout TkvSBWnd::Geometry(int& length, BarInfo& info)
{
    ReadScrollBarProps();
    RECT c{};
    GetClientRect(Handle, &c);
    const bool v = Vertical();
    length = v ? c.bottom : c.right;
    TsSkinManager* m = UsableManager(SkinManager);
    const int arrow = Arrowless(m, v ? 1 : 0) ? 0 : GetSystemMetrics(v ? SM_CYVSCROLL : SM_CXHSCROLL);
    info = BarInfo{SBMin, SBMax, unsigned(SBPage), SBPos};
    return ControlLayoutOf(length, arrow, v, info);
}

BarLayout TkvSBWnd::Layout()
{
    int length = 0;
    BarInfo info{};
    const ControlLayout cl = Geometry(length, info);
    BarLayout l;
    l.Length = length;
    l.Arrow = cl.Arrow;
    l.ArrowsFit = true;
    l.Track = length - 2 * cl.Arrow;
    l.ThumbStart = cl.ThumbStart;
    l.ThumbSize = cl.ThumbSize;
    l.ThumbFits = cl.ThumbSize > 0 && cl.ThumbSize < l.Track && SBMax > SBMin;
    return l;
}

int& TkvSBWnd::StateOf(int part)
{
    switch (part) {
    case sbArrow1: return Arrow1State;
    case sbArrow2: return Arrow2State;
    case sbPage1: return Page1State;
    case sbPage2: return Page2State;
    default: return ThumbState;
    }
}

void TkvSBWnd::SetPartState(int part, int state)
{
    if (part < sbArrow1 || part > sbThumb) return;
    if (StateOf(part) != state) {
        StateOf(part) = state;
        StateChanged = true;
    }
    if (state != 1 && state != 2) return;
    for (int other = sbArrow1; other <= sbThumb; ++other) {
        if (other == part) continue;
        int want = other == sbPage1 || other == sbPage2 ? 1 : 0;
        if (StateOf(other) != want) {
            StateOf(other) = want;
            StateChanged = true;
        }
    }
}

int TkvSBWnd::PartAt(POINT p)
{
    RECT c{};
    GetClientRect(Handle, &c);
    if (!PtInRect(&c, p)) return -1;
    BarLayout l = Layout();
    int along = Vertical() ? p.y : p.x;
    if (along < l.Arrow) return sbArrow1;
    if (along >= l.Length - l.Arrow) return sbArrow2;
    if (l.ThumbFits && along >= l.ThumbStart && along < l.ThumbStart + l.ThumbSize) return sbThumb;
    return along < l.Split() ? sbPage1 : sbPage2;
}

int TkvSBWnd::PositionAt(POINT p)
{
    int length = 0;
    BarInfo info{};
    const ControlLayout cl = Geometry(length, info);
    return ControlPositionAt(length, cl, info, Vertical() ? p.y : p.x, IsWindowEnabled(Handle) != FALSE);
}

void TkvSBWnd::PaintTo(HDC dc)
{
    TsSkinManager* m = UsableManager(SkinManager);
    if (!m || !dc) return;
    RECT c{};
    GetClientRect(Handle, &c);
    bool v = Vertical();
    TkvBarPaintRequest q;
    q.Kind = v ? 1 : 0;
    q.Layout = Layout();
    q.Length = q.Layout.Length;
    q.Thickness = v ? c.right : c.bottom;
    q.Enabled = IsWindowEnabled(Handle) != FALSE;
    if (q.Enabled) {
        q.States[PartArrow1] = Arrow1State;
        q.States[PartArrow2] = Arrow2State;
        q.States[PartPage1] = Page1State;
        q.States[PartPage2] = Page2State;
        q.States[PartThumb] = ThumbState;
    }
    HWND parent = GetParent(Handle);
    q.BgColor = parent ? GetWindowBgColor(parent) : m->GetGlobalColor();
    if (!cache_) cache_ = std::make_unique<TBitmap>();
    if (PaintScrollBarBitmap(m, q, cache_.get()))
        BitBlt(dc, 0, 0, cache_->Width(), cache_->Height(), cache_->Canvas().Handle(), 0, 0, SRCCOPY);
}

void TkvSBWnd::LockRedraw()
{
    // Only a shown control is locked: turning the redrawing on again shows a window.
    if (RedrawOffCount++ == 0 && IsWindowVisible(Handle)) {
        LPARAM none = 0;
        CallPrevWndProc(Handle, WM_SETREDRAW, FALSE, none);
        RedrawLocked = true;
    }
}

void TkvSBWnd::UnlockRedraw()
{
    if (RedrawOffCount > 0 && --RedrawOffCount == 0 && RedrawLocked) {
        RedrawLocked = false;
        if (Unhooked || !IsWindow(Handle)) return;
        LPARAM none = 0;
        CallPrevWndProc(Handle, WM_SETREDRAW, TRUE, none);
    }
}

void TkvSBWnd::Repaint()
{
    StateChanged = false;
    if (Unhooked || RedrawOffCount > 0 || !IsWindowVisible(Handle)) return;
    if (HDC dc = GetDC(Handle)) {
        PaintTo(dc);
        ReleaseDC(Handle, dc);
    }
}

void TkvSBWnd::TrackHot(POINT p)
{
    if (!IsWindowEnabled(Handle)) return;
    if (Arrow1State == 2 || Arrow2State == 2 || Page1State == 2 || Page2State == 2 || ThumbState == 2) {
        // While the thumb is held the control follows the mouse.
        if (DragActive && ThumbState == 2) {
            ReadScrollBarProps();
            int last = std::max(SBMin, SBMax - std::max(SBPage - 1, 0));
            int pos = std::clamp(PositionAt(p) - DragOffset, SBMin, last);
            if (pos != SBPos) {
                SBLastPos = SBPos;
                // Through the class library's control when there is one, so that it hears of the change.
                auto* sb = dynamic_cast<TScrollBar*>(OwnerControl());
                if (!sb) sb = dynamic_cast<TScrollBar*>(TWinControl::FindControl(Handle));
                if (sb)
                    sb->SetPosition(pos);
                else
                    SendMessageW(Handle, SBM_SETPOS, WPARAM(pos), TRUE);
            }
        }
        return;
    }
    int part = PartAt(p);
    if (part >= 0) {
        SetPartState(part, 1);
    } else {
        for (int other = sbArrow1; other <= sbThumb; ++other) StateOf(other) = 0;
        StateChanged = true;
    }
    if (StateChanged) Repaint();
}

void TkvSBWnd::Press(TMessage& m, POINT p)
{
    int part = PartAt(p);
    if (part < 0 || !IsWindowEnabled(Handle)) {
        TkvMainWnd::WndProc(m);
        return;
    }
    bool v = Vertical();
    if (m.Msg != WM_NCLBUTTONDOWN && Arrowless(UsableManager(SkinManager), v ? 1 : 0)) {
        // The skin shows no arrows, the control still has them: a press on
        // the control's arrow band goes to the track just past it.
        RECT c{};
        GetClientRect(Handle, &c);
        int length = v ? c.bottom : c.right;
        int band = GetSystemMetrics(v ? SM_CYVSCROLL : SM_CXHSCROLL);
        int along = v ? p.y : p.x;
        if (length > 2 * band) {
            if (along < band)
                along = band;
            else if (along >= length - band)
                along = length - band - 1;
        }
        (v ? p.y : p.x) = along;
        m.LParam = MAKELPARAM(p.x, p.y);
    }
    SetPartState(part, 2);
    ActivePart = part == sbThumb ? PartThumb : part;
    if (part == sbThumb) {
        ReadScrollBarProps();
        DragOffset = PositionAt(p) - SBPos;
        DragActive = true;
    }
    Repaint();   // the pressed look stays on the screen while the control tracks unseen
    LockRedraw();
    TkvMainWnd::WndProc(m);
    UnlockRedraw();
    if (Unhooked || !IsWindow(Handle)) return;
    // The control's own tracking is over once it holds the mouse no more;
    // its last scroll message may have moved the thumb after the release, so
    // the part under the mouse is looked up again.
    if (GetCapture() != Handle) {
        int active = ActivePart;
        Release();
        if (active == PartThumb) ActivePart = 4;
        return;
    }
    Repaint();
}

void TkvSBWnd::Release()
{
    bool thumb = ThumbState == 2;
    DragActive = false;
    for (int part = sbArrow1; part <= sbThumb; ++part) StateOf(part) = 0;
    StateChanged = true;
    POINT p{};
    GetCursorPos(&p);
    ScreenToClient(Handle, &p);
    int part = IsWindowEnabled(Handle) ? PartAt(p) : -1;
    if (part >= 0) SetPartState(part, 1);
    ActivePart = thumb ? 4 : 8;
    Repaint();
}

void TkvSBWnd::WndProc(TMessage& m)
{
    if (Unhooked || !UsableManager(SkinManager)) {
        TkvMainWnd::WndProc(m);
        return;
    }
    if (m.Msg == SkinCommandMessage && reinterpret_cast<TsSkinManager*>(m.LParam) == SkinManager) {
        switch (HIWORD(m.WParam)) {
        case SkinCmdRefresh:
            if (CommonData) CommonData->BackgroundChanged = true;
            break;
        case SkinCmdParentUpdated:
            if (CommonData) CommonData->Updating = false;
            RedrawWindow(Handle, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
            m.Result = 0;
            return;
        case SkinCmdForceRepaint:
            RedrawWindow(Handle, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
            m.Result = 0;
            return;
        default:
            break;
        }
        TkvMainWnd::WndProc(m);
        return;
    }
    switch (m.Msg) {
    case WM_PAINT:
        if (m.WParam) {
            PaintTo(HDC(m.WParam));
        } else {
            // Painted between BeginPaint and EndPaint: the update region is
            // validated, or WM_PAINT would come again for ever.
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(Handle, &ps);
            PaintTo(dc);
            EndPaint(Handle, &ps);
        }
        m.Result = 0;
        return;
    case WM_ERASEBKGND:
        m.Result = 1;
        return;
    case WM_NCPAINT:
        m.Result = 0;
        return;
    case WM_PRINT:
        if ((m.LParam & PRF_CLIENT) && m.WParam) PaintTo(HDC(m.WParam));
        m.Result = 0;
        return;
    case SBM_SETSCROLLINFO:
    case SBM_SETPOS:
    case SBM_SETRANGE:
    case SBM_SETRANGEREDRAW:
    case SBM_ENABLE_ARROWS:
    case WM_ENABLE:
    case CM_ENABLEDCHANGED:
    case CM_CONTROLCHANGE: {
        // The control changes itself without drawing; the skin draws after.
        LockRedraw();
        TkvMainWnd::WndProc(m);
        UnlockRedraw();
        if (Unhooked || !IsWindow(Handle)) return;
        if (m.Msg == WM_ENABLE || m.Msg == CM_ENABLEDCHANGED) {
            if (!IsWindowEnabled(Handle)) {
                for (int part = sbArrow1; part <= sbThumb; ++part) StateOf(part) = 0;
                DragActive = false;
            }
        }
        if (RedrawOffCount == 0) RedrawWindow(Handle, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        return;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        Press(m, POINT{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)});
        return;
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK: {
        POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
        ScreenToClient(Handle, &p);
        Press(m, p);
        return;
    }
    case WM_LBUTTONUP:
    case WM_NCLBUTTONUP:
        TkvMainWnd::WndProc(m);
        if (!Unhooked && IsWindow(Handle)) Release();
        return;
    case WM_CAPTURECHANGED:
        TkvMainWnd::WndProc(m);
        if (!Unhooked && IsWindow(Handle) && HWND(m.LParam) != Handle) Release();
        return;
    case WM_NCHITTEST: {
        TkvMainWnd::WndProc(m);
        POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
        ScreenToClient(Handle, &p);
        if (!Unhooked) TrackHot(p);
        return;
    }
    case WM_MOUSEMOVE:
        TkvMainWnd::WndProc(m);
        if (!Unhooked) TrackHot(POINT{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)});
        return;
    case CM_MOUSEENTER: {
        TkvMainWnd::WndProc(m);
        POINT p{};
        GetCursorPos(&p);
        ScreenToClient(Handle, &p);
        if (!Unhooked) TrackHot(p);
        return;
    }
    case CM_MOUSELEAVE:
        TkvMainWnd::WndProc(m);
        if (Unhooked || ThumbState == 2 || Arrow1State == 2 || Arrow2State == 2 || Page1State == 2 ||
            Page2State == 2)
            return;
        for (int part = sbArrow1; part <= sbThumb; ++part) StateOf(part) = 0;
        Repaint();
        return;
    case WM_KEYDOWN:
        TkvMainWnd::WndProc(m);
        if (!Unhooked && IsWindow(Handle)) RedrawWindow(Handle, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        return;
    default:
        TkvMainWnd::WndProc(m);
        return;
    }
}
