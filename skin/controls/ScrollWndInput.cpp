// Skinned scroll bars: hit testing, hot tracking, arrow and page repeat, thumb drag, and the scroll messages sent.
#include "skin/controls/ScrollWnd.h"

#include <windowsx.h>

#include <algorithm>

#include "skin/controls/ScrollWndDetail.h"
#include "skin/graphics/SkinCommands.h"

using namespace scrollgeo;
using namespace scrollwnd_detail;

// ---------------------------------------------------------------- mouse input and dragging

void TkvScrollWnd::NCHitTest(TMessage& m)
{
    POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
    RECT hr = HorzBarRect(), vr = VertBarRect();
    if (HorzBar->Visible && PtInRect(&hr, p)) {
        m.Result = BarEnabled(*HorzBar) ? HTHSCROLL : HTNOWHERE;
        return;
    }
    if (VertBar->Visible && PtInRect(&vr, p)) {
        m.Result = BarEnabled(*VertBar) ? HTVSCROLL : HTNOWHERE;
        return;
    }
    if (HorzBar->Visible && VertBar->Visible) {
        RECT corner = CornerRect(hr, vr);
        if (PtInRect(&corner, p) && SizeGripAllowed()) {
            m.Result = LeftScrollBar ? HTBOTTOMLEFT : HTBOTTOMRIGHT;
            return;
        }
    }
    CallPrevWndProc(m);
}

void TkvScrollWnd::NCMouseMove(TMessage& m)
{
    int kind = m.WParam == HTHSCROLL ? 0 : m.WParam == HTVSCROLL ? 1 : -1;
    if (kind >= 0 && (g.TrackWindow != Handle || kind != g.HotKind)) {
        const HWND before = g.TrackWindow;
        if (before && before != Handle && g.HotTimer) KillTimer(before, kHotTimer);
        if (g.PressedPart < 0 || g.TrackWindow == Handle) {
            g.TrackWindow = Handle;
            g.HotPart = g.HotShown = -1;
            g.HotBarRect = kind == 0 ? HorzBarRect() : VertBarRect();
            g.HotKind = kind;
            g.HotTimer = SetTimer(Handle, kHotTimer, kHotEvery, nullptr) ? kHotTimer : 0;
            NCPaint();
            // The window whose bar was hot shows it at rest now.
            if (before && before != Handle)
                if (TkvScrollWnd* other = Of(before)) other->NCPaint();
        }
    }
    CallPrevWndProc(m);
}

void TkvScrollWnd::SendScroll(int code, int pos)
{
    Scrolling = true;
    SendScrollMessage(Handle, g.ScrollMsg, code, pos);
    Scrolling = false;
}

void TkvScrollWnd::StartButtonRepeat()
{
    TkvScrollBar& bar = *Bar(g.PressedKind);
    if (!BarEnabled(bar)) return;
    g.PressedShown = g.PressedPart;
    NCPaint();
    SendScroll(kPartCode[g.PressedPart], 0);
    if (SetTimer(Handle, kRepeatDelayTimer, kRepeatDelay, nullptr)) g.ScrollRepeatTimer = kRepeatDelayTimer;
}

void TkvScrollWnd::NCLButtonDown(TMessage& m)
{
    if (m.WParam != HTHSCROLL && m.WParam != HTVSCROLL) {
        CallPrevWndProc(m);
        return;
    }
    // A press still recorded for another window is over.
    if (g.TrackWindow && g.TrackWindow != Handle) {
        KillTimer(g.TrackWindow, kRepeatDelayTimer);
        KillTimer(g.TrackWindow, kRepeatTimer);
        KillTimer(g.TrackWindow, kHotTimer);
        ResetPress();
        ResetHot();
    }
    POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
    int kind = m.WParam == HTHSCROLL ? 0 : 1;
    g.TrackWindow = Handle;
    g.ScrollMsg = kind == 0 ? WM_HSCROLL : WM_VSCROLL;
    g.PressedKind = kind;
    g.PressedPart = HitTest(kind, p);
    TkvScrollBar& bar = *Bar(kind);
    int part = g.PressedPart;
    const uint16_t disabled = DisabledArrows(bar);
    if ((part == PartArrow1 && !(disabled & 1)) || (part == PartArrow2 && !(disabled & 2)) || part == PartPage1 ||
        part == PartPage2) {
        StartButtonRepeat();
    } else if (part == PartThumb && BarEnabled(bar)) {
        RECT r = kind == 0 ? HorzBarRect() : VertBarRect();
        int length = kind == 0 ? Width(r) : Height(r);
        ReadInfo(bar);
        g.DragLayout = ScrollBarLayout(bar, length, SkinManager);
        g.DragThumbPos = g.DragLayout.ThumbStart;
        ThumbTracking = true;
        bar.Info.nTrackPos = bar.Info.nPos;
        g.DragGrabOffset = (kind == 0 ? p.x - r.left : p.y - r.top) - g.DragThumbPos;
        g.DragStartPos = bar.Info.nPos;
        g.LastTrackPos = bar.Info.nPos;
        g.PressedShown = PartThumb;
        NCPaint();
    }
    if (part == PartNone) {
        CallPrevWndProc(m);
        return;
    }
    SetCapture(Handle);
    m.Result = 0;
}

void TkvScrollWnd::DragStep(POINT p)
{
    int kind = g.PressedKind;
    TkvScrollBar& bar = *Bar(kind);
    RECT r = kind == 0 ? HorzBarRect() : VertBarRect();
    int along = kind == 0 ? p.x - r.left : p.y - r.top;
    int start = DraggedThumbStart(g.DragLayout, along, g.DragGrabOffset);
    g.DragThumbPos = start;
    NCPaint();
    int pos = PositionOfThumb(g.DragLayout, bar.Geometry(), start);
    if (pos != g.LastTrackPos) {
        bar.Info.nTrackPos = pos;
        SendScroll(SB_THUMBTRACK, pos);
    }
    g.LastTrackPos = pos;
}

void TkvScrollWnd::MouseMove(TMessage& m)
{
    if (g.TrackWindow != Handle || g.PressedPart < 0) {
        TkvMainWnd::WndProc(m);
        return;
    }
    POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
    ClientToScreen(Handle, &p);
    if (ThumbTracking) {
        DragStep(p);
    } else {
        int shown = HitTest(g.PressedKind, p) == g.PressedPart ? g.PressedPart : -1;
        if (shown != g.PressedShown) {
            g.PressedShown = shown;
            NCPaint();
        }
    }
    m.Result = 0;
}

void TkvScrollWnd::EndPress(bool sendEnd)
{
    KillTimer(Handle, kRepeatDelayTimer);
    KillTimer(Handle, kRepeatTimer);
    int part = g.PressedPart;
    if (sendEnd && g.ScrollMsg) {
        if (ThumbTracking) SendScroll(SB_THUMBPOSITION, g.LastTrackPos);
        ThumbTracking = false;
        SendScroll(SB_ENDSCROLL, part == PartThumb ? std::max(0, g.LastTrackPos) : 0);
    }
    ThumbTracking = false;
    ResetPress();
    NCPaint();
}

bool TkvScrollWnd::EndBarPress()
{
    if (g.TrackWindow != Handle || g.PressedPart < 0) return false;
    EndPress(true);
    return true;
}

void TkvScrollWnd::LButtonUp(TMessage& m)
{
    if (g.TrackWindow == Handle && g.PressedPart >= 0) {
        EndPress(true);
        if (GetCapture() == Handle) ReleaseCapture();
    }
    CallPrevWndProc(m);
}

void TkvScrollWnd::CaptureLost()
{
    // The capture went elsewhere mid-press (a dialog, a task switch, another
    // window's SetCapture): the press is over as on a button-up.
    if (g.TrackWindow == Handle && g.PressedPart >= 0) EndPress(true);
}

void TkvScrollWnd::Timer(TMessage& m)
{
    if (m.WParam == kRepeatDelayTimer || m.WParam == kRepeatTimer) {
        // The first repeat comes when the delay ends, the next ones every 55 ms.
        if (m.WParam == kRepeatDelayTimer) {
            KillTimer(Handle, kRepeatDelayTimer);
            g.ScrollRepeatTimer = SetTimer(Handle, kRepeatTimer, kRepeatEvery, nullptr) ? kRepeatTimer : 0;
        }
        if (g.PressedPart < 0 || ThumbTracking) {
            KillTimer(Handle, kRepeatTimer);
        } else {
            POINT p{};
            GetCursorPos(&p);
            int shown = HitTest(g.PressedKind, p) == g.PressedPart ? g.PressedPart : -1;
            if (shown != g.PressedShown) {
                g.PressedShown = shown;
                NCPaint();
            }
            if (g.PressedShown != -1) SendScroll(kPartCode[g.PressedPart], 0);
        }
    } else if (!ThumbTracking) {
        POINT p{};
        GetCursorPos(&p);
        if (PtInRect(&g.HotBarRect, p) && g.HotKind >= 0) {
            int part = HitTest(g.HotKind, p);
            if (part != g.HotShown) {
                g.HotShown = g.HotPart = part;
                NCPaint();
            }
        } else {
            KillTimer(Handle, kHotTimer);
            ResetHot();
            NCPaint();
        }
    }
    m.Result = 0;
}

// ---------------------------------------------------------------- sending

void SendScrollMessage(HWND wnd, UINT msg, int code, int pos)
{
    LPARAM bracket = MAKELPARAM(code, msg);
    LRESULT answer = SendSkinCommand(wnd, TsSkinCommand::LockRedraw, bracket);
    LPARAM lParam = pos;
    if (answer != 1) {
        if (code == SB_THUMBTRACK) {
            SCROLLINFO si{sizeof(si), SIF_POS, 0, 0, 0, pos, 0};
            SetScrollInfo(wnd, msg == WM_HSCROLL ? SB_HORZ : SB_VERT, &si, FALSE);
        }
        lParam = 0;
    }
    SendMessageW(wnd, msg, MAKEWPARAM(code, std::min(pos, 0xFFFF)), lParam);
    SendSkinCommand(wnd, TsSkinCommand::UnlockRedraw, bracket);
}
