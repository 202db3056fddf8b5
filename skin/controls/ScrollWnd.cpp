// Skinned scroll bars: sizes and layout, the wrapper of a window with skinned bars, its message dispatch and start-up.
#include "skin/controls/ScrollWnd.h"

#include "skin/core/SkinMenus.h"

#include <algorithm>

#include "classlib/Graphics.h"
#include "classlib/StdCtrls.h"
#include "skin/controls/ScrollWndDetail.h"
#include "skin/core/SkinManager.h"
#include "skin/graphics/SkinCommands.h"
#include "skin/graphics/Utils.h"

using namespace scrollgeo;
using namespace scrollwnd_detail;

// ---------------------------------------------------------------- sizes and layout

int ScrollBarSize(const TkvScrollBar* bar, bool wantThickness, bool fromSkin, TsSkinManager* manager)
{
    if (!bar || bar->Kind > 1) return 0;
    if (wantThickness) {
        if (bar->Thickness >= 0) return bar->Thickness;
        return -bar->Thickness * GetSystemMetrics(bar->Kind == 0 ? SM_CYHSCROLL : SM_CXVSCROLL);
    }
    if (bar->ArrowLength >= 0) return bar->ArrowLength;
    TsSkinManager* m = fromSkin ? UsableManager(manager) : nullptr;
    if (m) {
        // The arrow of the bar's own kind decides (left arrow: its frame
        // width; top arrow: its state height).
        const TsCommonIndexes& c = m->CommonIndexes();
        int part = bar->Kind == 0 ? spBtnLeft : spBtnTop;
        int mask = c.ScrollBorder[size_t(part)];
        if (SectionReserved(m, c.ScrollSection[size_t(part)]) && m->IsMaskIndexValid(mask)) {
            const TsMaskData& md = m->ma()[size_t(mask)];
            int dim = bar->Kind == 0 ? MaskFrameWidth(md) : MaskStateHeight(md);
            return -bar->ArrowLength * std::max(0, dim + ScrollButtonSize - 17);
        }
    }
    return -bar->ArrowLength * ScrollButtonSize;
}

BarLayout ScrollBarLayout(const TkvScrollBar& bar, int length, TsSkinManager* manager)
{
    TsSkinManager* m = UsableManager(manager);
    return BarLayoutOf(length, ScrollBarSize(&bar, false, true, m), Arrowless(m, bar.Kind), bar.Geometry(),
                       bar.MinThumbSize);
}

// ---------------------------------------------------------------- the wrapper

TkvScrollWnd::TkvScrollWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager,
                           const String& skinSection, bool repaint)
    : TkvScrollWnd(handle, commonData, skinManager, skinSection, repaint, true)
{
}

TkvScrollWnd::TkvScrollWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager,
                           const String& skinSection, bool repaint, bool baseTheme)
    : TkvMainWnd(handle, commonData, skinManager, skinSection, repaint, baseTheme)
{
    HorzBar = std::make_unique<TkvScrollBar>();
    VertBar = std::make_unique<TkvScrollBar>();
    HorzBar->Kind = 0;
    VertBar->Kind = 1;
    HorzBar->Owner = VertBar->Owner = this;
}

void TkvScrollWnd::HookSelf(bool repaint)
{
    Scrolling = false;
    if (!IsWindow(Handle)) return;
    ReadInfo(*HorzBar);
    ReadInfo(*VertBar);
    LeftScrollBar = (GetWindowLongPtrW(Handle, GWL_EXSTYLE) & WS_EX_LEFTSCROLLBAR) != 0;
    LONG_PTR style = GetWindowLongPtrW(Handle, GWL_STYLE);
    HorzBar->Flags = (style & WS_HSCROLL) ? 8 : 0;
    VertBar->Flags = (style & WS_VSCROLL) ? 8 : 0;
    HorzBar->ArrowLength = VertBar->ArrowLength = -1;
    HorzBar->Thickness = VertBar->Thickness = -1;
    StyleChanging = false;
    TkvMainWnd::HookSelf(false);
    if (style & (WS_HSCROLL | WS_VSCROLL)) StartWatch();
    SetMinThumb(3, DefaultMinThumbSize);
    if (GetWrapper(Handle) == this && repaint) RefreshFrame(Handle, true);
}

bool TkvScrollWnd::SetMinThumb(int which, int size)
{
    if (which & 1) HorzBar->MinThumbSize = uint16_t(std::clamp(size, 0, 0xFFFF));
    if (which & 2) VertBar->MinThumbSize = uint16_t(std::clamp(size, 0, 0xFFFF));
    return true;
}

void TkvScrollWnd::ForgetTracking()
{
    if (g.TrackWindow != Handle || !Handle) return;
    KillTimer(Handle, kRepeatDelayTimer);
    KillTimer(Handle, kRepeatTimer);
    KillTimer(Handle, kHotTimer);
    ResetPress();
    ResetHot();
    ThumbTracking = false;
    g.TrackWindow = nullptr;
}

void TkvScrollWnd::Unhooking()
{
    ForgetPictures();
    if (std::exchange(watching_, false) && IsWindow(Handle)) KillTimer(Handle, kWatchTimer);
    // Nothing of this window may stay in the tracking record.
    if (g.TrackWindow == Handle && GetCapture() == Handle && g.PressedPart >= 0) {
        ForgetTracking();
        ReleaseCapture();
    }
    ForgetTracking();
}

TkvScrollWnd::~TkvScrollWnd()
{
    // The window gets its own bars back: the procedure goes back first, then
    // the frame is computed and painted again by the system.
    TControl* owner = OwnerControl();
    if (!Unhooked && Handle && IsWindow(Handle) && !(owner && owner->Destroying())) {
        TkvMainWnd* self = this;
        UnhookWindow(Handle, false, true, self);
    }
    Unhooking();
    HorzBar->Owner = VertBar->Owner = nullptr;
}

TkvScrollWnd* TkvScrollWnd::Of(HWND wnd) { return dynamic_cast<TkvScrollWnd*>(GetWrapper(wnd)); }

TsSkinManager* TkvScrollWnd::ActiveManager() const { return UsableManager(SkinManager); }

void TkvScrollWnd::ReadInfo(TkvScrollBar& bar)
{
    bar.Info.cbSize = sizeof(SCROLLINFO);
    bar.Info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;
    if (!GetScrollInfo(Handle, bar.Kind == 0 ? SB_HORZ : SB_VERT, &bar.Info)) {
        bar.Info.nMin = bar.Info.nMax = bar.Info.nPos = bar.Info.nTrackPos = 0;
        bar.Info.nPage = 0;
    }
}

void TkvScrollWnd::RefreshScrollBars(bool repaint)
{
    if (Unhooked || !IsWindowVisible(Handle)) return;
    ReadInfo(*HorzBar);
    ReadInfo(*VertBar);
    if (repaint && !AnimationRunning) NCPaint();
}

TkvScrollWnd::BarState TkvScrollWnd::StateOf(const TkvScrollBar& bar) const
{
    // One question to the system serves both answers (each costs a trip to it).
    BarState s;
    s.DisabledArrows = bar.Flags & 3;
    SCROLLBARINFO sbi{};
    sbi.cbSize = sizeof(sbi);
    LONG object = bar.Kind == 0 ? OBJID_HSCROLL : bar.Kind == 1 ? OBJID_VSCROLL : OBJID_CLIENT;
    const bool known = GetScrollBarInfo(Handle, object, &sbi) != FALSE;
    if (known) {
        // The state words of the first and the last arrow (EnableScrollBar).
        if (sbi.rgstate[1] & STATE_SYSTEM_UNAVAILABLE) s.DisabledArrows |= 1;
        if (sbi.rgstate[5] & STATE_SYSTEM_UNAVAILABLE) s.DisabledArrows |= 2;
    }
    // Both arrows disabled is the whole bar disabled (EnableScrollBar with
    // ESB_DISABLE_BOTH marks the arrows, and not always the bar's own word).
    if ((s.DisabledArrows & 3) == 3) return s;
    if ((bar.Flags & 4) && !(bar.Info.nMax >= int(bar.Info.nPage) && bar.Info.nMin < bar.Info.nMax && bar.Info.nMax != 0))
        return s;
    if (known) {
        if (sbi.rgstate[0] & STATE_SYSTEM_UNAVAILABLE) return s;
    } else {
        LONG_PTR style = GetWindowLongPtrW(Handle, GWL_STYLE);
        if (!(style & (bar.Kind == 0 ? WS_HSCROLL : WS_VSCROLL))) return s;
    }
    s.Enabled = IsWindowEnabled(Handle) != FALSE;
    return s;
}

uint16_t TkvScrollWnd::DisabledArrows(const TkvScrollBar& bar) const { return StateOf(bar).DisabledArrows; }

bool TkvScrollWnd::BarEnabled(const TkvScrollBar& bar) const { return StateOf(bar).Enabled; }

RECT TkvScrollWnd::HorzBarRect() const
{
    RECT w{};
    GetWindowRect(Handle, &w);
    int ht = HorzBar->Visible ? ScrollBarSize(HorzBar.get(), true, false) : 0;
    int vt = VertBar->Visible ? ScrollBarSize(VertBar.get(), true, false) : 0;
    RECT r;
    r.left = w.left + LeftEdge + (LeftScrollBar ? vt : 0);
    r.right = w.right - RightEdge - (LeftScrollBar ? 0 : vt);
    r.bottom = w.bottom - BottomEdge;
    r.top = r.bottom - ht;
    if (HorzBar->LeadInsetOn) r.left += HorzBar->LeadInset;
    if (HorzBar->TrailInsetOn) r.right -= HorzBar->TrailInset;
    return r;
}

RECT TkvScrollWnd::VertBarRect() const
{
    RECT w{};
    GetWindowRect(Handle, &w);
    int ht = HorzBar->Visible ? ScrollBarSize(HorzBar.get(), true, false) : 0;
    int vt = VertBar->Visible ? ScrollBarSize(VertBar.get(), true, false) : 0;
    RECT r;
    r.top = w.top + TopEdge;
    r.bottom = w.bottom - BottomEdge - ht;
    if (LeftScrollBar) {
        r.left = w.left + LeftEdge;
        r.right = r.left + vt;
    } else {
        r.right = w.right - RightEdge;
        r.left = r.right - vt;
    }
    if (VertBar->LeadInsetOn) r.top += VertBar->LeadInset;
    if (VertBar->TrailInsetOn) r.bottom -= VertBar->TrailInset;
    return r;
}

bool TkvScrollWnd::SizeGripAllowed() const
{
    HWND parent = (GetWindowLongPtrW(Handle, GWL_STYLE) & WS_CHILD) ? GetParent(Handle) : nullptr;
    if (!parent) return true;
    if (GetWindowLongPtrW(parent, GWL_STYLE) & WS_CHILD) return false;   // the parent is not top-level
    RECT corner = CornerRect(HorzBarRect(), VertBarRect());
    RECT client{};
    GetClientRect(parent, &client);
    POINT br{LeftScrollBar ? client.left : client.right, client.bottom};
    ClientToScreen(parent, &br);
    return corner.bottom == br.y && (LeftScrollBar ? corner.left == br.x : corner.right == br.x);
}

int TkvScrollWnd::HitTest(int kind, POINT p) const
{
    const TkvScrollBar& bar = *Bar(kind);
    if (!bar.Visible) return PartNone;
    RECT r = kind == 0 ? HorzBarRect() : VertBarRect();
    // Outside the bar across its length: none.
    if (kind == 0 ? (p.y < r.top || p.y >= r.bottom) : (p.x < r.left || p.x >= r.right)) return PartNone;
    int length = kind == 0 ? Width(r) : Height(r);
    BarLayout l = ScrollBarLayout(bar, length, SkinManager);
    return HitTestBar(l, kind == 0 ? p.x - r.left : p.y - r.top);
}

// ---------------------------------------------------------------- messages

void TkvScrollWnd::NCCalcSize(TMessage& m)
{
    LONG_PTR style = GetWindowLongPtrW(Handle, GWL_STYLE);
    RECT* rects = reinterpret_cast<RECT*>(m.LParam);
    RECT window = rects ? rects[0] : RECT{};
    if (style & (WS_HSCROLL | WS_VSCROLL)) {
        // The system reserves no room of its own: the bits are off while it computes.
        StyleChanging = true;
        SetWindowLongPtrW(Handle, GWL_STYLE, style & ~LONG_PTR(WS_HSCROLL | WS_VSCROLL));
        CallPrevWndProc(m);
        SetWindowLongPtrW(Handle, GWL_STYLE, style);
        StyleChanging = false;
    } else {
        CallPrevWndProc(m);
    }
    if (!rects) return;
    framedBySkin_ = true;
    RECT& client = rects[0];
    LeftEdge = client.left - window.left;
    TopEdge = client.top - window.top;
    RightEdge = window.right - client.right;
    BottomEdge = window.bottom - client.bottom;

    HorzBar->Flags = (style & WS_HSCROLL) ? 8 : 0;
    int ht = ScrollBarSize(HorzBar.get(), true, false);
    HorzBar->Visible = HorzBar->Flags == 8 && client.bottom - client.top >= ht;
    if (HorzBar->Visible) client.bottom -= ht;
    VertBar->Flags = (style & WS_VSCROLL) ? 8 : 0;
    int vt = ScrollBarSize(VertBar.get(), true, false);
    VertBar->Visible = VertBar->Flags == 8 && client.right - client.left >= vt;
    if (VertBar->Visible) {
        if (LeftScrollBar)
            client.left += vt;
        else
            client.right -= vt;
    }
    if (HorzBar->Visible || VertBar->Visible) StartWatch();
}

namespace {
// Messages after which a window may have changed its scroll information (and
// the system then draws its own bar over the skinned one).
bool MayScroll(UINT msg)
{
    switch (msg) {
    case WM_SETTEXT: case WM_CHAR: case WM_KEYDOWN: case WM_SIZE: case WM_HSCROLL: case WM_VSCROLL:
    case WM_MOUSEWHEEL: case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_SETFONT: case WM_TIMER:
    case WM_CUT: case WM_PASTE: case WM_CLEAR: case WM_UNDO: case WM_ENABLE:
        return true;
    default:
        return (msg >= EM_GETSEL && msg <= 0x00FF) || (msg >= LB_ADDSTRING && msg <= 0x01B0) ||
               msg == SBM_SETSCROLLINFO || msg == SBM_SETPOS || msg == SBM_SETRANGE || msg == 0xB043;
    }
}
bool SameInfo(const SCROLLINFO& a, const SCROLLINFO& b)
{
    return a.nMin == b.nMin && a.nMax == b.nMax && a.nPage == b.nPage && a.nPos == b.nPos;
}
}  // namespace

void TkvScrollWnd::WndProc(TMessage& m)
{
    const bool command = m.Msg == SkinCommandMessage && !Unhooked;
    // A skin that comes, goes or is painted anew: the kept pictures go with
    // the old one (the stamp of each picture would also tell them apart).
    if (command) {
        const unsigned cmd = HIWORD(m.WParam);
        if (cmd == SkinCmdNewSkin || cmd == SkinCmdRemoveSkin || cmd == SkinCmdRefresh || cmd == SkinCmdDropCache)
            ForgetPictures();
    }
    DispatchBars(m);
    // Who reserves the room of the bars follows the skin. A wrapper made while
    // its manager had no skin yet (or whose skin has just gone) has its frame
    // computed by the system: once a skin comes (or goes) the frame is
    // computed again, or the skin would paint no bars and the system's room
    // for them would stay empty.
    if (command && !Unhooked && IsWindow(Handle) && (ActiveManager() != nullptr) != framedBySkin_)
        RefreshFrame(Handle, true);
}

void TkvScrollWnd::DispatchBars(TMessage& m)
{
    if (m.Msg == WM_TIMER && m.WParam == kWatchTimer) {
        WatchBars();
        m.Result = 0;
        return;
    }
    if (Unhooked) {
        CallPrevWndProc(m);
        return;
    }
    if (!ActiveManager()) {
        // No skin: the window keeps its own bars, and nothing of the last skin is kept.
        if (barBitmaps_[0] || barBitmaps_[1] || barBitmaps_[2]) ForgetPictures();
        if (m.Msg == WM_NCCALCSIZE) framedBySkin_ = false;
        TkvMainWnd::WndProc(m);
        return;
    }
    switch (m.Msg) {
    case WM_DESTROY:
    case WM_NCDESTROY:
        Unhooking();
        TkvMainWnd::WndProc(m);
        return;
    case WM_UPDATEUISTATE:
        m.Result = 0;
        return;
    case WM_NCCALCSIZE:
        NCCalcSize(m);
        return;
    case WM_NCHITTEST:
        NCHitTest(m);
        return;
    case WM_NCMOUSEMOVE:
        NCMouseMove(m);
        return;
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
        NCLButtonDown(m);
        return;
    case WM_MOUSEMOVE:
        MouseMove(m);
        return;
    case WM_LBUTTONUP:
        LButtonUp(m);
        return;
    case WM_CAPTURECHANGED:
        if (HWND(m.LParam) != Handle) CaptureLost();
        CallPrevWndProc(m);
        return;
    case WM_TIMER:
        if ((m.WParam == kRepeatDelayTimer || m.WParam == kRepeatTimer || m.WParam == kHotTimer) &&
            g.TrackWindow == Handle) {
            Timer(m);
            // After ours the bars are read again, unless a scroll is running.
            if (!Scrolling && !ThumbTracking && !Unhooked) RefreshScrollBars(true);
            return;
        }
        break;
    case WM_NCPAINT:
    case WM_NCMOUSELEAVE:
        // The window's own frame first, then the bars over it: painting
        // first would leave the system's bars on top. The mouse leaving the
        // frame has the system draw its bars too (their hot look ends).
        CallPrevWndProc(m);
        if (IsWindowVisible(Handle) && !Scrolling) NCPaint();
        return;
    case WM_PRINT: {
        // The window's own printing may leave the DC clipped or moved to its client area.
        int saved = m.WParam ? SaveDC(HDC(m.WParam)) : 0;
        CallPrevWndProc(m);
        if (saved) RestoreDC(HDC(m.WParam), saved);
        if ((m.LParam & PRF_NONCLIENT) && m.WParam) NCPaint(HDC(m.WParam));
        return;
    }
    case WM_STYLECHANGED:
        if (StyleChanging) return;
        if (m.WParam == WPARAM(GWL_EXSTYLE))
            LeftScrollBar = (GetWindowLongPtrW(Handle, GWL_EXSTYLE) & WS_EX_LEFTSCROLLBAR) != 0;
        CallPrevWndProc(m);
        return;
    case WM_NCRBUTTONDOWN:
    case WM_NCRBUTTONUP:
    case WM_NCMBUTTONDOWN:
    case WM_NCMBUTTONUP:
        if (m.WParam == HTHSCROLL || m.WParam == HTVSCROLL) {
            m.Result = 0;
            return;
        }
        CallPrevWndProc(m);
        return;
    case WM_SYSCOMMAND:
        if ((m.WParam & 0xFFF0) == 0xF070) {   // the system's own scroll loop
            m.Result = 0;
            return;
        }
        CallPrevWndProc(m);
        return;
    case CM_RECREATEWND:
        // The hidden list of a combo box of no name is made again with it: the combo's own wrapper answers.
        if (!IsWindowVisible(Handle)) {
            TControl* owner = OwnerControl();
            if (owner && owner->InheritsFrom(L"TCustomComboBox") && owner->Name().empty()) {
                m.Result = 0;
                return;
            }
        }
        CallPrevWndProc(m);
        return;
    case CM_FOCUSCHANGED:
        // The focus moved: a control may have drawn its own bars meanwhile.
        TkvMainWnd::WndProc(m);
        if (!Unhooked && IsWindow(Handle)) RefreshScrollBars(true);
        return;
    case WM_CONTEXTMENU:
        // The owner's popup menu shows skinned while the manager is active.
        if (TControl* owner = OwnerControl(); owner && owner->PopupMenu() && SkinManager)
            SkinManager->SkinableMenus().AttachMenu(owner->PopupMenu(), SkinManager->Active());
        CallPrevWndProc(m);
        return;
    case WM_HSCROLL:
    case WM_VSCROLL:
        // A scroll message of ours carries no window in its LParam when it
        // reaches the window's own procedure (it would be taken for a
        // scroll-bar control's handle).
        if (Scrolling && m.LParam && !IsWindow(HWND(m.LParam))) m.LParam = 0;
        break;
    default:
        break;
    }
    if (MayScroll(m.Msg) && !Unhooked) {
        SCROLLINFO h = HorzBar->Info, v = VertBar->Info;
        TkvMainWnd::WndProc(m);
        if (Unhooked || !IsWindow(Handle)) return;
        ReadInfo(*HorzBar);
        ReadInfo(*VertBar);
        bool changed = !SameInfo(h, HorzBar->Info) || !SameInfo(v, VertBar->Info) || m.Msg == WM_ENABLE ||
                       m.Msg == WM_HSCROLL || m.Msg == WM_VSCROLL ||
                       ((m.Msg == WM_MOUSEWHEEL || m.Msg == CM_MOUSEWHEEL) && !Scrolling);
        if (changed && IsWindowVisible(Handle) && !AnimationRunning) NCPaint();
        return;
    }
    TkvMainWnd::WndProc(m);
}

// ---------------------------------------------------------------- start-up

namespace {
TkvMainWnd* MakeScrollWnd(HWND handle, TsCommonData* data, TsSkinManager* manager, const String& section,
                          bool repaint)
{
    return CreateWrapper<TkvScrollWnd>(handle, data, manager, section, repaint);
}
}  // namespace

void InitScrollWndUnit() { RegisterScrollWndFactory(MakeScrollWnd); }
