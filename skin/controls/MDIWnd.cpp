#include "skin/controls/MDIWnd.h"

#include <algorithm>

#include "skin/graphics/SkinCommands.h"

TkvMDIButtonPainter MDIButtonPainter;

TkvMDIWnd::TkvMDIWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
                     bool repaint)
    : TkvBaseWnd(handle, commonData, skinManager, skinSection.empty() ? String(L"CHECKBOX") : skinSection, repaint)
{
}

bool TkvMDIWnd::ChildMaximized() const
{
    BOOL maximized = FALSE;
    HWND active = HWND(SendMessageW(Handle, WM_MDIGETACTIVE, 0, LPARAM(&maximized)));
    return active && maximized;
}

void TkvMDIWnd::PaintMDIClientArea(HDC dc, bool printing)
{
    if (!Provider || !dc || Provider->Animating())
        return;
    RECT cr{};
    GetClientRect(Handle, &cr);
    TBitmap* picture = Provider->UsesFramePicture() ? Provider->FramePicture() : nullptr;
    if (picture && !picture->Empty()) {
        POINT at = Provider->ClientPlace(Handle);
        if (!printing && (GetWindowLongW(Handle, GWL_EXSTYLE) & WS_EX_CLIENTEDGE)) {
            at.x += 2;
            at.y += 2;
        }
        BitBlt(dc, 0, 0, cr.right, cr.bottom, picture->Canvas().Handle(), at.x, at.y, SRCCOPY);
        return;
    }
    HBRUSH b = CreateSolidBrush(ColorToRGB(Provider->ClientColor()));
    FillRect(dc, &cr, b);
    DeleteObject(b);
}

void TkvMDIWnd::PaintMDIClientEdge(HDC dc)
{
    if (!Provider || !dc || !FormSkinData || !FormSkinData->CacheBitmap)
        return;
    // Strips from the frame picture are 2 pixels wide whatever the client's
    // edge; filled strips only cover a client edge.
    TBitmap* picture = Provider->UsesFramePicture() ? Provider->FramePicture() : nullptr;
    const bool fromPicture = picture && !picture->Empty();
    const int edge = fromPicture || (GetWindowLongW(Handle, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) ? 2 : 0;
    if (!edge)
        return;
    RECT wr{};
    GetWindowRect(Handle, &wr);
    const int w = wr.right - wr.left, h = wr.bottom - wr.top;
    const RECT strips[4] = {{0, 0, w, edge}, {0, h - edge, w, h}, {0, edge, edge, h - edge}, {w - edge, edge, w, h - edge}};
    if (fromPicture) {
        const POINT at = Provider->ClientPlace(Handle);
        for (const RECT& s : strips)
            BitBlt(dc, s.left, s.top, s.right - s.left, s.bottom - s.top, picture->Canvas().Handle(), at.x + s.left,
                   at.y + s.top, SRCCOPY);
        return;
    }
    HBRUSH b = CreateSolidBrush(ColorToRGB(Provider->ClientColor()));
    for (const RECT& s : strips)
        FillRect(dc, &s, b);
    DeleteObject(b);
}

// SB_THUMBPOSITION: the children move by the pixel difference between the
// bar's position and the position the thumb was let go at, and the bar takes
// that position (so a release without movement moves nothing, and repeated
// drags do not drift).
void TkvMDIWnd::Scroll(TMessage& m)
{
    const bool vertical = m.Msg == WM_VSCROLL;
    const int bar = vertical ? SB_VERT : SB_HORZ;
    SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(Handle, bar, &si);
    // The skinned bar gives the full position in LParam (we answered its lock
    // command); the system's bar gives 16 bits in WParam.
    int tracked = m.LParam ? int(m.LParam) : int(short(HIWORD(m.WParam)));
    const int last = std::max(si.nMin, si.nMax - std::max(int(si.nPage) - 1, 0));
    tracked = std::clamp(tracked, si.nMin, last);
    const int delta = si.nPos - tracked;
    if (delta)
        ScrollWindowEx(Handle, vertical ? 0 : delta, vertical ? delta : 0, nullptr, nullptr, nullptr, nullptr,
                       SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE);
    SetScrollPos(Handle, bar, tracked, FALSE);
    RefreshScrollBars(true);
    m.Result = 0;
}

void TkvMDIWnd::WndProc(TMessage& m)
{
    if (m.Msg == SkinCommandMessage) {
        switch (SkinCommandOf(m.WParam)) {
        case SkinCmdNotifyPainted:
            if (Form)
                PerformSkinCommand(Form, SkinCmdNotifyPainted, 0);
            return;
        case SkinCmdGetBackground:
            // The form's provider fills the request; the answer is its business.
            if (Form && Form->HandleAllocated())
                SendMessageW(Form->Handle(), m.Msg, m.WParam, m.LParam);
            return;
        case SkinCmdLockRedraw: {
            const int code = LOWORD(m.LParam);
            if (code == SB_THUMBPOSITION || code == SB_THUMBTRACK)
                m.Result = 1;
            return;
        }
        case SkinCmdUnlockRedraw:
            RefreshScrollBars(true);
            return;
        default:
            TkvBaseWnd::WndProc(m);
            return;
        }
    }
    if (!FormSkinData) {
        TkvBaseWnd::WndProc(m);
        return;
    }
    const bool skinned = FormSkinData->IsSkinned();
    switch (m.Msg) {
    case WM_NCPAINT:
        if (!skinned)
            break;
        m.Result = 1;
        if (!ChildMaximized() && !AnimationRunning) {
            HDC dc = GetWindowDC(Handle);
            PaintMDIClientEdge(dc);
            NCPaint(dc);
            ReleaseDC(Handle, dc);
        }
        return;
    case WM_ERASEBKGND:
        if (!skinned || !m.WParam)
            break;
        if (AnimationRunning)
            return;
        m.Result = 1;
        if (!ChildMaximized()) {
            HDC dc = HDC(m.WParam);
            const int saved = SaveDC(dc);
            PaintMDIClientArea(dc, false);
            RestoreDC(dc, saved);
        }
        return;
    case WM_PRINT:
        if (!skinned || !m.WParam)
            break;
        m.Result = 0;
        if ((Provider && Provider->HasBorderWindow()) || ChildMaximized())
            return;
        {
            HDC dc = HDC(m.WParam);
            const int saved = SaveDC(dc);
            PaintMDIClientArea(dc, true);
            NCPaint(dc);
            RestoreDC(dc, saved);
        }
        return;
    case WM_PAINT:
        if (AnimationRunning) {
            // Swallowed, but validated: an unvalidated region repeats WM_PAINT for ever.
            ValidateRect(Handle, nullptr);
            return;
        }
        break;
    case WM_WINDOWPOSCHANGING:
        if (Provider)
            Provider->FrameChanged(false);
        break;
    case WM_WINDOWPOSCHANGED:
        if (Form && Form->HandleAllocated())
            RedrawWindow(Form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
        break;
    case WM_STYLECHANGED:
        CallPrevWndProc(m);
        return;
    case WM_HSCROLL:
    case WM_VSCROLL:
        if (LOWORD(m.WParam) == SB_THUMBTRACK)
            return;   // the children stay put while the thumb is dragged
        if (LOWORD(m.WParam) == SB_THUMBPOSITION) {
            Scroll(m);
            return;
        }
        break;
    case WM_MDICREATE:
        CallPrevWndProc(m);
        if (m.Result && Provider)
            Provider->ChildCreated(HWND(m.Result));
        return;
    case WM_MDITILE:
    case WM_MDICASCADE:
        CallPrevWndProc(m);
        if (Provider) {
            Provider->FrameChanged(true);
            Provider->UpdateMenuLine();
            InvalidateRect(Handle, nullptr, TRUE);
            RedrawWindow(Handle, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_FRAME);
            Provider->RefreshSystemMenu();
        }
        return;
    case WM_MDISETMENU:
        CallPrevWndProc(m);
        if (Provider)
            Provider->FrameChanged(true);
        return;
    default:
        break;
    }
    const UINT msg = m.Msg;
    const WPARAM wParam = m.WParam;
    const LPARAM lParam = m.LParam;
    TkvBaseWnd::WndProc(m);
    if (Unhooked)
        return;
    // The client's private request to recalculate its bars: 0x3F on Windows,
    // 0x10AC under Wine.
    if (msg == 0x3F || msg == 0x10AC || msg == WM_PARENTNOTIFY) {
        const LONG style = GetWindowLongW(Handle, GWL_STYLE);
        if (VertBar)
            VertBar->Visible = (style & WS_VSCROLL) != 0;
        if (HorzBar)
            HorzBar->Visible = (style & WS_HSCROLL) != 0;
        RefreshScrollBars(true);
    } else if (msg == WM_MDIREFRESHMENU && Provider) {
        Provider->RefreshFrame();
    }
    // A child made directly in the client (an MDI child form is made so) is
    // announced like one made through WM_MDICREATE.
    if (msg == WM_PARENTNOTIFY && LOWORD(wParam) == WM_CREATE && Provider && lParam &&
        (GetWindowLongW(HWND(lParam), GWL_EXSTYLE) & WS_EX_MDICHILD)) {
        Provider->ChildCreated(HWND(lParam));
    } else if ((msg == WM_MDIACTIVATE || msg == WM_MDIMAXIMIZE || msg == WM_MDIRESTORE || msg == WM_MDIDESTROY ||
                msg == WM_MDINEXT) &&
               Provider) {
        Provider->ChildrenChanged();
    }
}

// ---------------------------------------------------------------- the maximised child's buttons

TkvMDIButtonRects MDIButtonRects(const RECT& line)
{
    const int h = line.bottom - line.top;
    const int size = std::max(h - 2, 0);
    const int top = line.top + (h - size) / 2;
    TkvMDIButtonRects r;
    r.Close = RECT{line.right - 1 - size, top, line.right - 1, top + size};
    r.Restore = RECT{r.Close.left - 2 - size, top, r.Close.left - 2, top + size};
    r.Min = RECT{r.Restore.left - size, top, r.Restore.left, top + size};
    return r;
}

int MDIButtonAt(const TkvMDIButtonRects& r, POINT p)
{
    if (PtInRect(&r.Close, p))
        return int(TkvMDIButton::Close);
    if (PtInRect(&r.Restore, p))
        return int(TkvMDIButton::Restore);
    if (PtInRect(&r.Min, p))
        return int(TkvMDIButton::Min);
    return -1;
}

void PaintMDIButton(HDC dc, const RECT& r, TkvMDIButton button, int state)
{
    if (MDIButtonPainter) {
        MDIButtonPainter(dc, r, button, state);
        return;
    }
    UINT kind = button == TkvMDIButton::Close ? DFCS_CAPTIONCLOSE
                : button == TkvMDIButton::Restore ? DFCS_CAPTIONRESTORE
                                                  : DFCS_CAPTIONMIN;
    RECT box = r;
    DrawFrameControl(dc, &box, DFC_CAPTION, kind | (state == 2 ? DFCS_PUSHED : 0));
}
