// FormWindowProc: the procedure a TsSkinProvider puts in front of its form's
// WindowProc. It runs in three stages:
//   1. skin commands answered in any state;
//   2. a form being destroyed, or not skinned: a few commands, everything else passed on;
//   3. a skinned form: the skin commands, then the window and class-library messages.
// Each stage is a table of rows, one handler per message or command, so the
// procedure reads as its description does. "Pass on" calls the WindowProc
// the provider replaced.
#include <windows.h>
#include <windowsx.h>
#include <commctrl.h>

#include <algorithm>

#include "skin/core/Animations.h"
#include "skin/core/BgRequest.h"
#include "skin/core/MessageTable.h"
#include "skin/core/SkinManager.h"
#include "skin/forms/ClientPaint.h"
#include "skin/forms/FormMenus.h"
#include "skin/forms/BorderForm.h"
#include "skin/forms/FormAnimations.h"
#include "skin/forms/FramePaint.h"
#include "skin/forms/LiveToken.h"
#include "skin/forms/MDIIcons.h"
#include "skin/forms/MDIMerge.h"
#include "skin/forms/SkinProvider.h"
#include "skin/forms/TitleBar.h"
#include "skin/graphics/Constants.h"
#include "skin/graphics/DwmApi.h"
#include "skin/graphics/LayeredApi.h"
#include "skin/graphics/SkinCommands.h"
#include "skin/graphics/Utils.h"

bool SessionEnding = false;

// A class-library notification no library control sends; answered 0.
constexpr UINT CM_UNUSED_4C = CM_BASE + 0x4C;
// A class-library notification after which the form's scroll wrapper is made
// anew (the form's scrolling changed); no library control sends it yet.
constexpr UINT CM_SCROLLCHANGED_3A = CM_BASE + 0x3A;
// The undocumented message with which the task bar asks for the system menu.
constexpr UINT WM_POPUPSYSTEMMENU = 0x313;

struct TsFormProcStages {
    TsSkinProvider& p;
    TMessage& m;

    void PassOn() { p.CallPrevious(m); }
    unsigned Command() const { return SkinCommandOf(m.WParam); }
    bool OwnManager() const { return m.LParam == 0 || reinterpret_cast<TsSkinManager*>(m.LParam) == p.Manager(); }
    HWND Wnd() const { return p.wnd_; }
    TCustomForm& Form() const { return *p.form_; }

    void ClearHotAndPressed()
    {
        FramePainterOf(p).PressElement(kNoElement);
        p.SetHotElement(kNoElement);
    }
    void SysCommand(WPARAM command) { SendMessageW(Wnd(), WM_SYSCOMMAND, command, 0); }

    // The frame of a skinned form repainted (the provider paints it when it draws the frame).
    void RefreshFrame() { p.RefreshFormFrame(); }
    bool Visible() const { return IsWindowVisible(Wnd()) != 0; }
    bool Loading() const { return (p.form_->ComponentState() & csLoading) != 0; }

    static void Run(TsSkinProvider& provider, TMessage& message);
    bool Stage1();
    void Stage2();
    void Stage3();
};

using FormCall = TsFormProcStages;
using FormHandler = void (*)(FormCall&);

namespace {

// ---------------------------------------------------------------- stage 1: any state

void Cmd1NewSkinAnyState(FormCall& c)
{
    // Only the look-ups here; stage 2 or 3 continues with the rest.
    if (!c.p.SkinOwnerDestroying() && c.OwnManager() && !c.p.initialized_)
        c.p.InitSkin();
}

void Cmd2RemoveSkin(FormCall& c)
{
    if (!c.OwnManager()) {
        ForwardToControls(&c.Form(), c.m);
        return;
    }
    // The scroll wrapper may be the procedure that passed this command on to us.
    c.p.ReleaseScrollWrapper();
    TsSkinProvider::SetNcRendering(c.Wnd(), false);
    HandleSkinCommand(c.m, c.p.skinData_.get());
    c.p.menuLines_ = -1;
    c.p.titleSection_ = c.p.captionSection_ = -1;
    ForwardToControls(&c.Form(), c.m);
    c.p.FreeCompanions();
    UpdateFormMenus(c.p, false);
    c.p.initialized_ = false;
    if (!c.p.FormAlive())
        return;
    // WS_SYSMENU back when the form has the system icon; the region goes.
    const LONG style = GetWindowLongW(c.Wnd(), GWL_STYLE);
    if ((c.Form().BorderIcons() & biSystemMenu) && c.Form().BorderStyle() != TFormBorderStyle::bsNone)
        SetWindowLongW(c.Wnd(), GWL_STYLE, style | WS_SYSMENU);
    c.p.StopButtonAnimations();
    c.p.DropGlows();
    c.p.StopFormTimer();
    c.p.FreeBorder();
    if (!c.p.inMenuLoop_)
        SetWindowRgn(c.Wnd(), nullptr, TRUE);
    if (c.p.useGlobalColor_ && !c.p.skinData_->CustomColor())
        c.Form().SetColor(clBtnFace);
    if (c.p.skinData_->CacheBitmap)
        c.p.skinData_->CacheBitmap->SetSize(0, 0);
    RedrawWindow(c.Wnd(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    c.m.Result = 0;
}

void Cmd7IsSkinned(FormCall& c) { c.m.Result = 1; }

void Cmd32EndUpdate(FormCall& c)
{
    TsCommonData& d = *c.p.skinData_;
    if (d.SkinState & ssMenuChangePending) {
        d.SkinState &= uint16_t(~ssMenuChangePending);
        SendMessageW(c.Wnd(), CM_MENUCHANGED, 0, 0);
    }
}

// SkinCmdGetBackground: a child asks for the background behind it. LParam is
// a pointer and the message number is open to any process: only a request
// asked on this thread right now is answered. Not skinned: stage 2 goes on.
void Cmd34GetBackground(FormCall& c)
{
    if (!c.p.Skinned() || c.p.SkinOwnerDestroying()) {
        c.Stage2();
        return;
    }
    c.m.Result = 0;
    auto* r = reinterpret_cast<TsBgRequest*>(c.m.LParam);
    if (!r || !IsBgRequestInFlight(r))
        return;
    // A form that draws itself: its children stand on the picture with its drawing.
    if (AnswerBackgroundWithDrawing(c.p, *r)) {
        c.m.Result = 1;
        return;
    }
    TsCommonData& d = *c.p.skinData_;
    d.AnswerBgRequest(*r, c.p.formActive_ ? 1 : 0, c.Wnd());   // clamped to the section's states
    // The offsets are the client's; the frame widths are counted from it.
    RECT wr{};
    GetWindowRect(c.Wnd(), &wr);
    POINT origin{0, 0};
    ClientToScreen(c.Wnd(), &origin);
    const int dx = origin.x - wr.left, dy = origin.y - wr.top;
    r->OffsetX += dx;
    r->OffsetY += dy;
    r->FrameWidths[0] = std::max(0, r->FrameWidths[0] - dx);
    r->FrameWidths[1] = std::max(0, r->FrameWidths[1] - dy);
    c.m.Result = r->Kind != bgNone ? 1 : 0;
}

void Cmd36SkinState(FormCall& c)
{
    TsCommonData& d = *c.p.skinData_;
    if (d.SkinState & ssNotComputed)
        d.UpdateTransparentState(false);
    c.m.Result = d.SkinState;
}

void Cmd60GetApplication(FormCall& c) { c.m.Result = reinterpret_cast<LRESULT>(Application); }

void Cmd61GetFrameOffset(FormCall& c)
{
    RECT wr{};
    GetWindowRect(c.Wnd(), &wr);
    POINT origin{0, 0};
    ClientToScreen(c.Wnd(), &origin);
    c.m.Result = LRESULT(MAKELONG(origin.x - wr.left, origin.y - wr.top));
}

// Rows that finish the message and rows after which stage 2 or 3 continues.
struct Stage1Row {
    FormHandler handle;
    bool continues;
};
constexpr TsMessageRow<unsigned, Stage1Row> kStage1[] = {
    {SkinCmdNewSkin, {Cmd1NewSkinAnyState, true}},
    {SkinCmdRemoveSkin, {Cmd2RemoveSkin, false}},
    {SkinCmdIsSkinned, {Cmd7IsSkinned, false}},
    {SkinCmdEndUpdate, {Cmd32EndUpdate, true}},
    {SkinCmdGetBackground, {Cmd34GetBackground, false}},
    {SkinCmdSkinState, {Cmd36SkinState, false}},
    {SkinCmdGetApplication, {Cmd60GetApplication, false}},
    {SkinCmdGetFrameOffset, {Cmd61GetFrameOffset, false}},
};
static_assert(HasUniqueNumbers(kStage1));

// ---------------------------------------------------------------- stage 3: skin commands

void Cmd1NewSkin(FormCall& c)
{
    if (!c.OwnManager())
        return;
    c.p.skinData_->UpdateIndexes();
    c.p.InitSkin();
    c.p.skinData_->BackgroundChanged = true;
    c.p.menuLines_ = -1;
    UpdateFormMenus(c.p, true);
    RedrawWindow(c.Wnd(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
    if (AdapterRescan)
        AdapterRescan(c.p, nullptr);
}

void Cmd3Refresh(FormCall& c)
{
    if (!c.OwnManager())
        return;
    if (c.p.DrawNonClientArea() && c.p.DrawClientArea && c.p.scrollWrapper_)
        c.p.scrollWrapper_->Update();
    c.p.menuLines_ = -1;
    UpdateFormMenus(c.p, true);
    c.p.regionChanged_ = true;
    // The skinned controls take the skin's colours and pictures (each passes
    // the command on to its own children).
    ForwardToControls(&c.Form(), c.m);
    if (c.Form().Visible()) {
        c.p.skinData_->BackgroundChanged = true;
        c.p.UpdateRegion(false);
        if (!AnimationRunning)
            RedrawWindow(c.Wnd(), nullptr, nullptr,
                         RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN |
                             (RefreshPaintDeferred ? 0 : RDW_UPDATENOW));
    }
    c.p.skinData_->Updating = false;
    if (AdapterRescan)
        AdapterRescan(c.p, nullptr);
}

void Cmd4GetProvider(FormCall& c) { c.m.Result = reinterpret_cast<LRESULT>(&c.p); }

void Cmd6ParentUpdated(FormCall& c)
{
    if (c.p.skinData_->Updating) {
        c.p.skinData_->Updating = false;
        RedrawWindow(c.Wnd(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
    }
}

void Cmd8SetUpdating(FormCall& c)
{
    c.p.skinData_->Updating = SkinSubArgumentOf(c.m.WParam) == 1;
    if (c.p.skinData_->Updating)
        c.p.skinData_->BackgroundChanged = true;
}

void Cmd10IsUpdating(FormCall& c)
{
    c.m.Result = !AnimationRunning && c.p.skinData_->IsUpdating() ? 1 : 0;
}

void Cmd17Invalidate(FormCall& c) { c.p.skinData_->BackgroundChanged = true; }

// A form whose section lets its parent show through, lays a texture or a
// picture, or whose border mask is flagged see-through: children ask it for
// their background instead of filling with a colour.
void Cmd19IsTransparent(FormCall& c)
{
    TsCommonData& d = *c.p.skinData_;
    TsSkinManager* m = c.p.Manager();
    const TsGeneralData* s = d.Section();
    bool see = false;
    if (s) {
        const TsGenState& normal = s->Props[0];
        see = s->IniTransparency > 0 || normal.Transparency > 0 || normal.ImagePercent > 0 ||
              normal.TextureIndex >= 0 || s->IniImagePercent > 0;
    }
    if (!see && m && m->IsMaskIndexValid(d.BorderMaskIndex))
        see = (m->ma()[size_t(d.BorderMaskIndex)].PaintFlags & 4) != 0;
    c.m.Result = see ? 1 : 0;
}

void Cmd21GetBkColor(FormCall& c) { c.m.Result = LRESULT(c.p.skinData_->GetStateColor(0, c.Wnd())); }

void Cmd25ControlChanged(FormCall& c)
{
    if (c.Form().ComponentState() & csLoading)
        return;
    // The adapter rescans the control (a control of this form only: the
    // pointer comes in a message any process can send), or the whole form.
    if (!AdapterRescan)
        return;
    TControl* changed = nullptr;
    if (c.m.LParam) {
        std::function<TControl*(TWinControl*)> find = [&](TWinControl* w) -> TControl* {
            for (int i = 0; i < w->ControlCount(); ++i) {
                TControl* k = w->Controls(i);
                if (LPARAM(k) == c.m.LParam)
                    return k;
                if (auto* kw = dynamic_cast<TWinControl*>(k))
                    if (TControl* f = find(kw))
                        return f;
            }
            return nullptr;
        };
        changed = find(&c.Form());
        if (!changed)
            return;
    }
    AdapterRescan(c.p, changed);
}

void Cmd30MouseLeave(FormCall& c) { c.ClearHotAndPressed(); }

void Cmd51LockRedraw(FormCall& c) { SendMessageW(c.Wnd(), WM_SETREDRAW, FALSE, 0); }

void Cmd52UnlockRedraw(FormCall& c)
{
    SendMessageW(c.Wnd(), WM_SETREDRAW, TRUE, 0);
    RedrawWindow(c.Wnd(), nullptr, nullptr, RDW_FRAME | RDW_ALLCHILDREN | RDW_ERASE | RDW_INVALIDATE | RDW_UPDATENOW);
}

void Cmd62TitleChanged(FormCall& c)
{
    if (c.m.LParam == 1)
        c.p.skinData_->BackgroundChanged = true;
    RedrawWindow(c.Wnd(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
}

constexpr TsMessageRow<unsigned, FormHandler> kStage3Commands[] = {
    {SkinCmdNewSkin, Cmd1NewSkin},
    {SkinCmdRefresh, Cmd3Refresh},
    {SkinCmdGetProvider, Cmd4GetProvider},
    {SkinCmdParentUpdated, Cmd6ParentUpdated},
    {SkinCmdSetUpdating, Cmd8SetUpdating},
    {SkinCmdIsUpdating, Cmd10IsUpdating},
    {SkinCmdInvalidate, Cmd17Invalidate},
    {SkinCmdIsTransparent, Cmd19IsTransparent},
    {SkinCmdGetBkColor, Cmd21GetBkColor},
    {SkinCmdControlChanged, Cmd25ControlChanged},
    {SkinCmdMouseLeave, Cmd30MouseLeave},
    {SkinCmdLockRedraw, Cmd51LockRedraw},
    {SkinCmdUnlockRedraw, Cmd52UnlockRedraw},
    {SkinCmdTitleChanged, Cmd62TitleChanged},
};
static_assert(HasUniqueNumbers(kStage3Commands));

// ---------------------------------------------------------------- stage 3: messages

POINT ScreenPointOf(LPARAM l) { return POINT{GET_X_LPARAM(l), GET_Y_LPARAM(l)}; }

bool IsSizingCode(int code) { return code >= HTLEFT && code <= HTBOTTOMRIGHT; }

bool FullWindowDrag()
{
    BOOL full = FALSE;
    return SystemParametersInfoW(SPI_GETDRAGFULLWINDOWS, 0, &full, 0) && full;
}

// The rows below answer messages of a skinned form. Each says in one line what
// it does; the provider does the work.

// WM_NCHITTEST: the skin's frame answers; a form without caption is the system's.
void OnNcHitTest(FormCall& c)
{
    if (c.p.CaptionAreaHeight(true) == 0 || !c.p.DrawNonClientArea()) {
        c.PassOn();
        return;
    }
    const int code = c.p.HitTestFrame(ScreenPointOf(c.m.LParam));
    if (c.p.ResizeMode == TsResizeMode::rmBorder && !TsSkinProvider::BorderDragActive() && c.Form().Enabled() &&
        (code == HTCAPTION || IsSizingCode(code)))
        c.p.dragCode_ = code;
    c.m.Result = code;
}

// WM_NCLBUTTONDOWN: a title element is pressed; other codes move, size or pass on.
void OnNcLButtonDown(FormCall& c)
{
    if (!c.p.DrawNonClientArea()) {
        c.PassOn();
        return;
    }
    const int code = int(c.m.WParam);
    switch (code) {
    case HTSYSMENU: {
        // A second click of a double click closes the form instead: wait for it.
        c.PassOn();
        c.ClearHotAndPressed();
        c.p.closingFromIcon_ = false;
        // The messages handled meanwhile may free the form and this provider.
        TsFreeWatch alive{&c.p};
        const DWORD until = GetTickCount() + 200;
        while (GetTickCount() < until && alive.AllAlive() && c.p.FormAlive() && !c.p.closingFromIcon_) {
            MSG msg;
            while (alive.AllAlive() && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            Sleep(5);
        }
        if (alive.AllAlive() && c.p.FormAlive() && !c.p.closingFromIcon_) {
            const POINT pt = c.p.SystemMenuPointBelowIcon();
            c.p.ShowSystemMenuAt(pt.x, pt.y);
        }
        return;
    }
    case HTMENU:
        c.PassOn();
        return;
    case HTMINBUTTON:
    case HTMAXBUTTON:
    case HTCLOSE:
    case HTHELP:
    case HTMDICLOSE:
    case HTMDIRESTORE:
    case HTMDIMIN:
        FramePainterOf(c.p).PressElement(code);
        c.m.Result = 0;
        return;
    default:
        break;
    }
    if (TitleItemOfCode(c.p, code)) {
        TitleItemMouseDown(c.p, code, ScreenPointOf(c.m.LParam));
        return;
    }
    if (code >= kUserButtonBase && code < kUserButtonBase + c.p.TitleButtonCount()) {
        FramePainterOf(c.p).PressElement(code);
        TsTitleButton& b = c.p.TitleButton(code - kUserButtonBase);
        const POINT pt = ScreenPointOf(c.m.LParam);
        if (b.OnMouseDown)
            b.OnMouseDown(&c.p, TMouseButton::mbLeft, KeyboardShiftState(), pt.x, pt.y);
        return;
    }
    c.ClearHotAndPressed();
    if (IsIconic(c.Wnd())) {
        c.PassOn();
        return;
    }
    if (FullWindowDrag() && c.p.ResizeMode == TsResizeMode::rmBorder && c.Form().Enabled() &&
        (code == HTCAPTION || IsSizingCode(code))) {
        // Passing the button on would start the system's own move loop, and
        // SC_MOVE would start its keyboard loop: activate, then drag our frame.
        if (GetActiveWindow() != c.Wnd())
            SetActiveWindow(c.Wnd());
        c.p.StartBorderDrag(code, ScreenPointOf(c.m.LParam));
        return;
    }
    if (code == HTCAPTION && FullWindowDrag() && c.Form().FormStyle() != TFormStyle::fsMDIChild &&
        c.p.Manager() && c.p.Manager()->AnimEffects.BlendOnMoving.Active && !AnimationRunning) {
        if (GetActiveWindow() != c.Wnd())
            SetActiveWindow(c.Wnd());
        if (c.p.StartBlendOnMoving())
            return;
    }
    c.PassOn();
}

// WM_NCLBUTTONUP and WM_LBUTTONUP: the pressed element acts when the button
// is let go over it (found from the point, not from WParam, which carries key
// states in WM_LBUTTONUP); a border drag ends.
void OnButtonUp(FormCall& c)
{
    if (TsSkinProvider::BorderDragActive()) {
        c.p.EndBorderDrag(true);
        c.p.pressedElement_ = kNoElement;
        return;
    }
    const int pressed = c.p.pressedElement_;
    if (pressed == kNoElement || !c.Form().Enabled()) {
        c.PassOn();
        return;
    }
    POINT pt = ScreenPointOf(c.m.LParam);
    if (c.m.Msg == WM_LBUTTONUP)
        ClientToScreen(c.Wnd(), &pt);
    const int code = c.p.HitTestFrame(pt);
    if (code == pressed && TitleItemOfCode(c.p, code)) {
        c.p.SetPressedElement(kNoElement);
        TitleItemMouseUp(c.p, code, pt);
        return;
    }
    FramePainterOf(c.p).PressElement(kNoElement);
    if (code != pressed)
        return;
    const TsCaptionButtons b = c.p.CaptionButtons();
    switch (code) {
    case HTMINBUTTON:
        c.SysCommand(IsIconic(c.Wnd()) ? SC_RESTORE : SC_MINIMIZE);
        break;
    case HTMAXBUTTON:
        if (b.EnabledMax || b.EnabledRestore)
            c.SysCommand(IsZoomed(c.Wnd()) ? SC_RESTORE : SC_MAXIMIZE);
        break;
    case HTCLOSE:
        if (b.EnabledClose) {
            TsFreeWatch alive{&c.p};   // closing may free the form at once
            c.SysCommand(SC_CLOSE);
            if (alive.AllAlive() && c.p.FormAlive())
                c.p.skinData_->BackgroundChanged = true;
        }
        break;
    case HTHELP:
        c.SysCommand(SC_CONTEXTHELP);
        break;
    case HTMDICLOSE:
    case HTMDIRESTORE:
    case HTMDIMIN:
        if (MDIButtonClick)
            MDIButtonClick(c.p, code);
        break;
    default:
        if (code >= kUserButtonBase && code < kUserButtonBase + c.p.TitleButtonCount()) {
            TsTitleButton& u = c.p.TitleButton(code - kUserButtonBase);
            if (u.OnMouseUp)
                u.OnMouseUp(&c.p, TMouseButton::mbLeft, KeyboardShiftState(), pt.x, pt.y);
        }
        break;
    }
}

// WM_NCLBUTTONDBLCLK: the caption maximises or restores; the icon closes.
void OnNcLButtonDblClk(FormCall& c)
{
    if (TsSkinProvider::BorderDragActive())
        c.p.EndBorderDrag(false);
    const int code = int(c.m.WParam);
    if (code == HTCAPTION) {
        const TsCaptionButtons b = c.p.CaptionButtons();
        const bool iconic = IsIconic(c.Wnd()) != 0;
        if (b.SystemMenu && (b.EnabledMax || b.EnabledRestore))
            c.SysCommand(IsZoomed(c.Wnd()) || iconic ? SC_RESTORE : SC_MAXIMIZE);
        else if (iconic)
            c.SysCommand(SC_RESTORE);
        return;
    }
    if (code == HTSYSMENU) {
        c.p.closingFromIcon_ = true;
        c.SysCommand(SC_CLOSE);
        return;
    }
    c.PassOn();
}

// WM_NCRBUTTONDOWN: swallowed on the caption and the icon (the menu opens on the button's release).
void OnNcRButtonDown(FormCall& c)
{
    if (c.m.WParam == HTCAPTION || c.m.WParam == HTSYSMENU)
        return;
    c.PassOn();
}

// WM_MOUSEMOVE: the border drag follows the mouse.
void OnMouseMove(FormCall& c)
{
    c.PassOn();
    if (TsSkinManager* m = c.p.Manager())
        m->SetHotControl(nullptr);
    if (TsSkinProvider::BorderDragActive() && c.Form().Enabled()) {
        POINT pt{GET_X_LPARAM(c.m.LParam), GET_Y_LPARAM(c.m.LParam)};
        ClientToScreen(c.Wnd(), &pt);
        c.p.FollowBorderDrag(pt);
    }
}

// WM_CAPTURECHANGED, WM_CANCELMODE: losing the mouse ends a border drag where it is.
void OnCaptureLost(FormCall& c)
{
    if (TsSkinProvider::BorderDragActive())
        c.p.EndBorderDrag(false);
    c.PassOn();
}

// WM_KEYDOWN: Esc cancels a border drag.
void OnKeyDown(FormCall& c)
{
    if (c.m.WParam == VK_ESCAPE && TsSkinProvider::BorderDragActive()) {
        c.p.EndBorderDrag(false);
        return;
    }
    c.PassOn();
}

// SC_MINIMIZE and SC_RESTORE with the minimise animation: the form shrinks
// toward its task-bar button (or grows back) on a stage of its own while the
// system's animation is off; true when the command was done that way.
bool RunsMinimizeAnimation(FormCall& c, WPARAM command)
{
    if (command == SC_MINIMIZE && !IsIconic(c.Wnd()) && c.p.StartMinimizeAnimation()) {
        TsSystemAnimationOff off;
        c.PassOn();
        return true;
    }
    if (command == SC_RESTORE && IsIconic(c.Wnd()) && c.p.StartRestoreAnimation()) {
        TsSystemAnimationOff off;
        c.PassOn();
        return true;
    }
    return false;
}

// WM_SYSCOMMAND: the border-drag mode drags its own frame; the region follows restore.
void OnSysCommand(FormCall& c)
{
    const WPARAM command = c.m.WParam & 0xFFF0;
    if (c.p.ResizeMode == TsResizeMode::rmBorder && (command == SC_MOVE || command == SC_SIZE) &&
        c.p.DrawNonClientArea()) {
        POINT pt{};
        GetCursorPos(&pt);
        c.p.StartBorderDrag(command == SC_MOVE ? HTCAPTION : (IsSizingCode(c.p.dragCode_) ? c.p.dragCode_ : 0), pt);
        return;
    }
    if (command == SC_KEYMENU && c.m.LParam == VK_SPACE && c.p.DrawNonClientArea() &&
        (c.Form().BorderIcons() & biSystemMenu) && c.Form().BorderStyle() != TFormBorderStyle::bsNone) {
        const POINT pt = c.p.SystemMenuPointBelowIcon();
        c.p.ShowSystemMenuAt(pt.x, pt.y);
        return;
    }
    TsFreeWatch alive{&c.p};   // a command (SC_CLOSE) may free the form at once
    if (!RunsMinimizeAnimation(c, command))   // which passes the command on itself
        c.PassOn();
    if (!alive.AllAlive() || !c.p.FormAlive())
        return;
    if (command == SC_MAXIMIZE || command == SC_RESTORE) {
        c.ClearHotAndPressed();
        c.p.menuLines_ = -1;
        c.p.UpdateRegion(true);
    }
}

void TakeHideSnapshot(FormCall& c, const WINDOWPOS& pos);

// WM_WINDOWPOSCHANGING: screen snapping; the picture a hide animation plays.
void OnWindowPosChanging(FormCall& c)
{
    if (!c.p.regionChanging_ && !(c.Form().ComponentState() & csLoading) && c.m.LParam) {
        auto& pos = *reinterpret_cast<WINDOWPOS*>(c.m.LParam);
        c.p.SnapPosition(pos);
        TakeHideSnapshot(c, pos);
    }
    c.PassOn();
}

// WM_SIZE: menu lines measured anew, the region follows the size.
void OnSize(FormCall& c)
{
    c.p.menuLines_ = -1;
    c.PassOn();
    // A maximised form may go without its border window; restored, it gets it back.
    if (MaximizedWithoutBorderWindow && c.p.FormAlive())
        c.p.UpdateBorderForm();
    if (c.p.FormAlive() && !AnimationRunning) {
        c.p.regionChanged_ = true;
        c.p.skinData_->BackgroundChanged = true;
        c.p.UpdateRegion(true);
        // The size grip moved with the corner: where it was and where it is are painted again.
        if (c.p.GripMode == TsGripMode::gmRightBottom)
            InvalidateRect(c.Wnd(), nullptr, TRUE);
    }
}

// WM_SETREDRAW: the lock count follows.
void OnSetRedraw(FormCall& c)
{
    c.p.lockCount_ = c.m.WParam ? std::max(0, c.p.lockCount_ - 1) : c.p.lockCount_ + 1;
    c.PassOn();
}

// WM_INITMENUPOPUP: always passed on (the class library fills its popups, the
// system its system menu); an MDI main form's window menu then lists its children.
void OnInitMenuPopup(FormCall& c)
{
    c.PassOn();
    WindowMenuPopupRow(c.p, c.m);
}

// WM_COMMAND: an entry of the window menu activates its child; others pass on.
void OnCommand(FormCall& c)
{
    if (!WindowMenuCommandRow(c.p, c.m))
        c.PassOn();
}

// WM_PAINT and WM_ERASEBKGND: the client area from the skin.
void OnPaint(FormCall& c) { ClientPaintRow(c.p, c.m); }
void OnEraseBkgnd(FormCall& c) { ClientEraseRow(c.p, c.m); }

// WM_ENTERIDLE: 0, not passed on.
void OnEnterIdle(FormCall& c) { c.m.Result = 0; }

// WM_PRINTCLIENT: swallowed.
void OnPrintClient(FormCall& c) { c.m.Result = 0; }

// WM_NCMOUSEMOVE: hot tracking, and a request to hear when the mouse leaves the frame.
void OnNcMouseMove(FormCall& c)
{
    if (!c.Form().Enabled())
        return;
    if (TsSkinManager* m = c.p.Manager())
        m->SetHotWindow(c.Wnd());
    if (!c.p.trackingNcLeave_) {
        TRACKMOUSEEVENT t{sizeof t, TME_LEAVE | TME_NONCLIENT, c.Wnd(), 0};
        c.p.trackingNcLeave_ = TrackMouseEvent(&t) != 0;
    }
    const int code = c.p.HitTestFrame(ScreenPointOf(c.m.LParam));
    const bool element = code == HTCLOSE || code == HTMAXBUTTON || code == HTMINBUTTON || code == HTHELP ||
                         code == HTMDICLOSE || code == HTMDIRESTORE || code == HTMDIMIN || IsTitleElement(code);
    c.p.SetHotElement(element ? code : kNoElement);
    // A title element eats the message; anything else is the system's too.
    if (!element)
        c.PassOn();
}

// WM_NCMOUSELEAVE, WM_MOUSELEAVE, CM mouse leave: nothing stays hot or pressed.
void OnMouseLeave(FormCall& c)
{
    if (c.m.Msg == WM_NCMOUSELEAVE)
        c.p.trackingNcLeave_ = false;
    c.ClearHotAndPressed();
    c.PassOn();
}

// WM_ENTERMENULOOP / WM_EXITMENULOOP: the region is left alone while a menu
// runs; a maximised MDI child's buttons on the menu line stay covered.
void OnEnterMenuLoop(FormCall& c)
{
    ShowMDIIconsCover(c.p);
    c.PassOn();
}
void OnExitMenuLoop(FormCall& c)
{
    c.p.inMenuLoop_ = false;
    FreeMDIIconsCover(c.p);
    c.PassOn();
}

// WM_QUERYENDSESSION: the session may end; running animations get a bounded wait.
void OnQueryEndSession(FormCall& c)
{
    SessionEnding = true;
    if (Application && !Application->Terminated())
        WaitWhileAnimationRunning(2000);
    c.PassOn();
}

// WM_ENDSESSION: a cancelled end of session clears the flag again.
void OnEndSession(FormCall& c)
{
    if (!c.m.WParam)
        SessionEnding = false;
    c.PassOn();
}

// SkinEditorLinkMessage: 1 closes the form, 3 is passed on, 4 answers 1, others are ignored.
void OnEditorLink(FormCall& c)
{
    switch (c.m.WParam) {
    case 1:
        c.Form().Close();
        break;
    case 3:
        c.PassOn();
        break;
    case 4:
        c.m.Result = 1;
        break;
    default:
        break;
    }
}

// CtlNotifyControlListChange: a control inserted into the form's tree is
// added to the adapter and told to compute its skin state. Removals only pass on.
bool InTree(TWinControl* parent, TControl* wanted)
{
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* c = parent->Controls(i);
        if (c == wanted)
            return true;
        if (auto* w = dynamic_cast<TWinControl*>(c); w && InTree(w, wanted))
            return true;
    }
    return false;
}

void OnControlListChange(FormCall& c)
{
    c.PassOn();
    if (!c.m.LParam || !c.m.WParam)
        return;
    // WParam is a pointer: only one found in the form's own tree is used
    // (the message number is open to any process).
    auto* control = reinterpret_cast<TControl*>(c.m.WParam);
    if (!InTree(&c.Form(), control))
        return;
    if (dynamic_cast<TWinControl*>(control) && AdapterAddItem)
        AdapterAddItem(c.p, control);
    control->Perform(SkinCommandMessage, MakeSkinCmdWParam(SkinCmdSkinState), 1);
}

// RegionOptOutQuery and the unused notification 0xB04C: 0, not passed on.
void AnswerZero(FormCall& c) { c.m.Result = 0; }

// WM_COPYDATA: the editor's data, only for the form announced to it, never re-entered.
void OnCopyData(FormCall& c)
{
    static bool handling = false;
    c.PassOn();
    if (c.m.Result || handling || c.Wnd() != EditorLinkForm)
        return;
    handling = true;
    HandleSkinEditorData(c.m, c.p.Manager());
    handling = false;
}

// WM_NCACTIVATE: the form's activity follows; the frame shows its new row.
void OnNcActivate(FormCall& c)
{
    FollowMDIChildren(c.p);
    FrameNcActivate(c.p, c.m);
    c.p.CreateControlAdapter();
}

// WM_NCPAINT: the frame strips come from the cache (an MDI main form's with
// its active child's menu and caption).
void OnNcPaint(FormCall& c)
{
    FollowMDIChildren(c.p);
    FrameNcPaint(c.p, c.m);
    c.p.CreateControlAdapter();
}

// WM_PRINT: the frame from the cache, the rest passed on.
void OnPrint(FormCall& c) { FramePrint(c.p, c.m); }

// WM_ACTIVATE: menu lines measured anew; the scroll wrapper made when missing.
void OnActivate(FormCall& c)
{
    c.PassOn();
    if (!c.p.FormAlive() || !c.Form().Showing())
        return;
    c.p.CreateScrollWrapper();
    c.p.menuLines_ = -1;
    if (LOWORD(c.m.WParam) != WA_INACTIVE) UpdateFormMenus(c.p, true);
}

// WM_SYSCOLORCHANGE: passed on; menu measured anew.
void OnSysColorChange(FormCall& c)
{
    c.PassOn();
    c.p.menuLines_ = -1;
}

// CtlNotifyMenuChanged: while the skin data is inside an update the change waits for its end.
void OnMenuChanged(FormCall& c)
{
    TsCommonData& d = *c.p.skinData_;
    if (d.SkinState & ssInUpdate) {
        d.SkinState |= ssMenuChangePending;
    } else {
        c.p.menuLines_ = -1;
        d.BackgroundChanged = true;
    }
    c.PassOn();
}


// ---- rows of the form's size, style, text and icon

// WM_GETMINMAXINFO: the class library applies the form's constraints, then the
// maximised form's frame is put outside the work area.
void OnGetMinMaxInfo(FormCall& c)
{
    c.PassOn();
    if (c.m.LParam)
        c.p.HandleGetMinMaxInfo(*reinterpret_cast<MINMAXINFO*>(c.m.LParam));
}

// The system paints nothing of the window for a scope: WS_VISIBLE is taken
// off through WM_SETREDRAW and put back on every way out.
class SystemPaintOff {
public:
    explicit SystemPaintOff(HWND wnd, bool on) : wnd_(on && IsWindowVisible(wnd) ? wnd : nullptr)
    {
        if (wnd_)
            SendMessageW(wnd_, WM_SETREDRAW, FALSE, 0);
    }
    ~SystemPaintOff()
    {
        if (wnd_ && IsWindow(wnd_))
            SendMessageW(wnd_, WM_SETREDRAW, TRUE, 0);
    }
    SystemPaintOff(const SystemPaintOff&) = delete;
    SystemPaintOff& operator=(const SystemPaintOff&) = delete;

private:
    HWND wnd_;
};

// WM_SETTEXT: the system would paint its own caption with the new text; it
// is kept from painting while the text changes, then the frame is repainted.
void OnSetText(FormCall& c)
{
    if (!c.Visible() || c.Loading() || !c.p.DrawNonClientArea()) {
        c.PassOn();
        return;
    }
    c.p.DropGlows();
    c.p.skinData_->BackgroundChanged = true;
    {
        SystemPaintOff off(c.Wnd(), true);
        c.PassOn();
    }
    c.RefreshFrame();
    c.p.RefreshBorderWindow();
}

// WM_SETICON: the same for a new icon of a showing form.
void OnSetIcon(FormCall& c)
{
    if (c.Loading() || !c.m.LParam || AnimationRunning || !c.Form().Showing()) {
        c.PassOn();
        return;
    }
    {
        SystemPaintOff off(c.Wnd(), !DwmCompositionOn());
        c.PassOn();
    }
    c.RefreshFrame();
}

// WM_STYLECHANGING: while the provider draws the frame the system gets no
// WS_SYSMENU (it would draw its caption buttons over the skin's).
void OnStyleChanging(FormCall& c)
{
    if (c.m.WParam == WPARAM(GWL_STYLE) && c.m.LParam && c.p.DrawNonClientArea() && c.p.initialized_) {
        auto* s = reinterpret_cast<STYLESTRUCT*>(c.m.LParam);
        s->styleNew &= ~DWORD(WS_SYSMENU);
    }
    c.PassOn();
}

// The style bits that make the frame's kind: a change of one of them (a live
// BorderStyle or BorderIcons change) chooses the title buttons again.
constexpr DWORD kFrameKindStyle =
    WS_CAPTION | WS_THICKFRAME | WS_DLGFRAME | WS_BORDER | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
constexpr DWORD kFrameKindExStyle = WS_EX_TOOLWINDOW | WS_EX_DLGMODALFRAME | WS_EX_CONTEXTHELP;

// WM_STYLECHANGED: a change of the system icon or of the frame's kind chooses
// the title buttons again and rebuilds the frame; a change of WS_EX_LAYERED
// refreshes the border window.
void OnStyleChanged(FormCall& c)
{
    c.PassOn();
    if (!c.p.FormAlive() || !c.m.LParam)
        return;
    const auto* s = reinterpret_cast<const STYLESTRUCT*>(c.m.LParam);
    const DWORD changed = s->styleOld ^ s->styleNew;
    const bool kindChanged = (c.m.WParam == WPARAM(GWL_STYLE) && (changed & kFrameKindStyle)) ||
                             (c.m.WParam == WPARAM(GWL_EXSTYLE) && (changed & kFrameKindExStyle));
    const bool sysMenu = (c.Form().BorderIcons() & biSystemMenu) != 0;
    if (sysMenu != c.p.sysMenuShown_ || kindChanged) {
        c.p.sysMenuShown_ = sysMenu;
        c.p.InitTitleButtons();
        c.p.menuLines_ = -1;
        c.p.regionChanged_ = true;
        c.p.UpdateBorderForm();
        c.p.UpdateRegion(true);
        c.p.RefreshFormFrame();
        return;
    }
    if (c.m.WParam == WPARAM(GWL_EXSTYLE) && ((s->styleOld ^ s->styleNew) & WS_EX_LAYERED) && !AnimationRunning)
        c.p.RefreshBorderWindow();
}

// ---- rows of the form's controls

// WM_PARENTNOTIFY: a child window made or destroyed; the adapter looks again
// and the controls compute their skin state anew.
void OnParentNotify(FormCall& c)
{
    const WORD event = LOWORD(c.m.WParam);
    if ((event != WM_CREATE && event != WM_DESTROY) || c.Loading()) {
        c.PassOn();
        return;
    }
    c.PassOn();
    if (!c.p.FormAlive())
        return;
    if (event == WM_CREATE && AdapterRescan)
        AdapterRescan(c.p, nullptr);
    TMessage state{SkinCommandMessage, MakeSkinCmdWParam(SkinCmdSkinState), 1, 0};
    ForwardToControls(&c.Form(), state);
    if (c.p.scrollWrapper_)
        c.p.scrollWrapper_->Update();
}

// WM_NOTIFY: a tab control that changed its page shows other controls: the adapter looks again.
void OnNotify(FormCall& c)
{
    c.PassOn();
    const auto* h = reinterpret_cast<const NMHDR*>(c.m.LParam);
    if (h && int(h->code) == int(TCN_SELCHANGE) && c.p.FormAlive() && AdapterRescan)
        AdapterRescan(c.p, nullptr);
}

// CM_MOUSEWHEEL: a wheel nobody took goes to the skinned control under the cursor.
void PassWheelToControlUnderCursor(FormCall& c)
{
    static bool passing = false;   // the control may give it back to us
    if (c.m.Result || passing || !c.p.FormAlive())
        return;
    POINT pt{GET_X_LPARAM(c.m.LParam), GET_Y_LPARAM(c.m.LParam)};
    HWND target = WindowFromPoint(pt);
    if (!target || target == c.Wnd() || !IsChild(c.Wnd(), target))
        return;
    if (!SendMessageW(target, SkinCommandMessage, MakeSkinCmdWParam(SkinCmdIsSkinned), 0))
        return;
    passing = true;
    SendMessageW(target, WM_MOUSEWHEEL, c.m.WParam, c.m.LParam);
    passing = false;
    c.m.Result = 1;
}

void OnMouseWheel(FormCall& c)
{
    c.PassOn();
    PassWheelToControlUnderCursor(c);
}

// WM_CONTEXTMENU: on the form's caption or icon the system menu opens, as a
// right click there opens it; otherwise the form's popup menu is prepared
// for skinned popups and the message passed on.
void OnContextMenu(FormCall& c)
{
    if (HWND(c.m.WParam) == c.Wnd() && DWORD(c.m.LParam) != 0xFFFFFFFF &&
        c.Form().BorderStyle() != TFormBorderStyle::bsNone) {
        const POINT pt = ScreenPointOf(c.m.LParam);
        const int code = c.p.HitTestFrame(pt);
        if (code == HTCAPTION || code == HTSYSMENU) {
            c.p.ShowSystemMenuAt(pt.x, pt.y);
            return;
        }
    }
    PrepareFormContextMenu(c.p);
    c.PassOn();
}

// WM_MEASUREITEM: passed on; an item of the menu line then takes the skinned menus' size.
void OnMeasureItem(FormCall& c)
{
    c.PassOn();
    MeasureFormMenuItem(c.p, c.m);
}

// CM_ENABLEDCHANGED: the frame shows the form's new state.
void OnEnabledChanged(FormCall& c)
{
    c.PassOn();
    if (!c.p.DrawNonClientArea() || !c.p.FormAlive())
        return;
    c.p.RefreshBorderWindow();
    c.RefreshFrame();
}

// CM_MOUSEENTER: the manager's hot tracking follows the mouse.
void OnMouseEnter(FormCall& c)
{
    c.PassOn();
    if (TsSkinManager* m = c.p.Manager(); m && c.p.FormAlive())
        m->SetHotWindow(c.Wnd());
}

// CM_RECREATEWND: passed on (the editor hears of one form per run).
void OnRecreateWnd(FormCall& c) { c.PassOn(); }

// The form's scrolling changed: its scroll wrapper is made anew by the refresh.
void OnScrollChanged(FormCall& c)
{
    c.PassOn();
    c.p.ReleaseScrollWrapper();
    SendMessageW(c.Wnd(), SkinCommandMessage, MakeSkinCmdWParam(SkinCmdRefresh), LPARAM(c.p.Manager()));
}

// ---- moving and sizing

// WM_MOVE: the title's glows stay where they were: they go.
void OnMove(FormCall& c)
{
    c.p.StopButtonAnimations();
    c.p.DropGlows();
    c.PassOn();
}

// WM_SIZING: the border window follows the frame being dragged.
void OnSizing(FormCall& c)
{
    c.PassOn();
    c.p.RefreshBorderWindow();
}

// WM_EXITSIZEMOVE: the border window's glows repaint at the new place.
void OnExitSizeMove(FormCall& c)
{
    c.PassOn();
    if (c.p.Border())
        c.p.RefreshBorderWindow();
}

// ---- showing, hiding and closing

bool HideAnimationWanted(FormCall& c)
{
    TsSkinManager* m = c.p.Manager();
    return m && c.p.AllowAnimation && c.p.DrawNonClientArea() && m->AnimEffects.FormHide.Active &&
           m->AnimEffects.FormHide.Time >= 12 && LayeredWindowsAvailable() && !c.Form().Parent() &&
           !IsIconic(c.Wnd()) && !c.p.MinimizeAnimating();
}

// WM_WINDOWPOSCHANGING with SWP_HIDEWINDOW: the picture a hide animation
// plays is taken while the form still shows (it becomes the frame picture).
void TakeHideSnapshot(FormCall& c, const WINDOWPOS& pos)
{
    if (!(pos.flags & SWP_HIDEWINDOW) || c.p.hidePlaying_ || !c.p.FormAlive() || !c.Visible() ||
        c.p.state_.Has(TsProviderBit::HideSnapshot) || !HideAnimationWanted(c) || !c.p.skinData_)
        return;
    // A show still running ends first (bounded: it never waits for ever).
    WaitWhileAnimationRunning(kMaxFormAnimationMs);
    std::unique_ptr<TBitmap> picture = c.p.CreateFormSnapshot(false);
    if (!picture || picture->Empty() || !c.p.FormAlive())
        return;
    if (!c.p.skinData_->CacheBitmap)
        c.p.skinData_->CacheBitmap = std::make_unique<TBitmap>();
    c.p.skinData_->CacheBitmap->Assign(picture.get());
    c.p.skinData_->CacheBitmap->SetPixelFormat(TPixelFormat::pf32bit);
    c.p.state_.Set(TsProviderBit::HideSnapshot);
}

// WM_WINDOWPOSCHANGED with SWP_HIDEWINDOW: the picture of the form, taken
// while it still showed, fades away on a surface of its own (the border window
// when there is one). The hide timer plays it: nothing here waits on it, and
// the one wait left (for a show still running) is bounded.
bool PlaysHideAnimation(FormCall& c, const WINDOWPOS* pos)
{
    if (!pos || !(pos->flags & SWP_HIDEWINDOW) || c.p.hidePlaying_ || !c.p.FormAlive() ||
        !c.p.state_.Has(TsProviderBit::HideSnapshot) || !HideAnimationWanted(c))
        return false;
    c.p.hidePlaying_ = true;
    struct Clear {
        TsSkinProvider& p;
        ~Clear()
        {
            p.hidePlaying_ = false;
            p.state_.Clear(TsProviderBit::HideSnapshot);
        }
    } clear{c.p};
    c.PassOn();
    if (c.p.FormAlive())
        AnimHideForm(&c.p);
    if (c.p.FormAlive() && c.p.skinData_ && c.p.skinData_->CacheBitmap)
        c.p.skinData_->CacheBitmap->SetSize(0, 0);   // the next show paints it anew
    return true;
}

// WM_DWMSENDICONICTHUMBNAIL: the largest size allowed is in LParam (width
// high, height low). 0 when the picture was given, as the system counts a
// message handled; 1 when not.
void OnIconicThumbnail(FormCall& c)
{
    c.m.Result = c.p.SendIconicThumbnail(HIWORD(c.m.LParam), LOWORD(c.m.LParam)) ? 0 : 1;
}

// WM_DWMSENDICONICLIVEPREVIEWBITMAP: the form as it shows now.
void OnIconicLivePreview(FormCall& c)
{
    c.m.Result = c.p.SendIconicLivePreview() ? 0 : 1;
}

// WM_WINDOWPOSCHANGED: the border window follows a moved or sized form.
void OnWindowPosChanged(FormCall& c)
{
    const auto* pos = reinterpret_cast<const WINDOWPOS*>(c.m.LParam);
    if (PlaysHideAnimation(c, pos))
        return;
    c.PassOn();
    if (!pos || !c.p.FormAlive() || !c.p.Border() || AnimationRunning)
        return;
    // Hidden: the border window goes with the form. Shown, moved, sized or
    // restacked: it follows.
    if (pos->flags & SWP_HIDEWINDOW) {
        if (TkvBorderForm* b = c.p.BorderForm())
            b->HideWindow();
        return;
    }
    const UINT quiet = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER;
    if ((pos->flags & quiet) != quiet || (pos->flags & SWP_SHOWWINDOW))
        c.p.RefreshBorderWindow();
}

// CM_SHOWINGCHANGED: a skinned form being shown plays its show animation; the
// window, its layering and its children's drawing are put back on every way out.
void OnShowingChanged(FormCall& c)
{
    if (!c.p.DrawNonClientArea() || !c.p.DrawClientArea) {
        c.PassOn();
        return;
    }
    TCustomForm& form = c.Form();
    if (!form.Showing()) {
        c.PassOn();
        return;
    }
    if (form.FormStyle() == TFormStyle::fsMDIChild) {
        if (AdapterRescan)
            AdapterRescan(c.p, nullptr);
        c.PassOn();
        return;
    }
    c.p.state_.Clear(TsProviderBit::HideSnapshot);
    if (PreviewMode)
        AnnounceToEditor(c.Wnd(), Application && Application->MainForm() == &form);
    if (AdapterRescan)
        AdapterRescan(c.p, nullptr);
    TsSkinManager* m = c.p.Manager();
    const bool animate = m && c.p.AllowAnimation && !form.Parent() && m->AnimEffects.FormShow.Active &&
                         LayeredWindowsAvailable() && !AnimationRunning;
    std::vector<HWND> children;
    bool layered = false;
    const uint8_t alpha = form.AlphaBlend() ? form.AlphaBlendValue() : 255;
    if (animate) {
        c.p.skinData_->Updating = true;
        layered = TsSkinProvider::SetLayeredAlpha(c.Wnd(), true, 1);
        for (int i = 0; i < form.ControlCount(); ++i)
            if (auto* w = dynamic_cast<TWinControl*>(form.Controls(i)); w && w->HandleAllocated() && w->Visible()) {
                children.push_back(w->Handle());
                SendMessageW(w->Handle(), WM_SETREDRAW, FALSE, 0);
            }
    }
    // Put back whatever way this row is left.
    struct Restore {
        FormCall& c;
        std::vector<HWND>& children;
        bool layered;
        ~Restore()
        {
            for (HWND h : children)
                if (IsWindow(h))
                    SendMessageW(h, WM_SETREDRAW, TRUE, 0);
            if (layered && c.p.FormAlive())
                TsSkinProvider::SetLayeredAlpha(c.Wnd(), false, 255);
            if (c.p.skinData_)
                c.p.skinData_->Updating = false;
        }
    } restore{c, children, layered};
    c.p.UpdateBorderForm();
    c.PassOn();
    if (!c.p.FormAlive())
        return;
    if (c.p.scrollWrapper_)
        c.p.scrollWrapper_->Update();
    if (animate) {
        for (HWND h : children)
            SendMessageW(h, WM_SETREDRAW, TRUE, 0);
        children.clear();
        if (layered)
            TsSkinProvider::SetLayeredAlpha(c.Wnd(), false, 255);
        restore.layered = false;
        c.p.skinData_->Updating = false;
        AnimShowForm(&c.p, m->AnimEffects.FormShow.Time, alpha, m->AnimEffects.FormShow.Mode);
        if (form.AlphaBlend() && c.p.FormAlive())
            TsSkinProvider::SetLayeredAlpha(c.Wnd(), true, alpha);
    }
    if (c.p.FormAlive())
        RedrawWindow(c.Wnd(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

// ---- the system menu

// WM_NCRBUTTONUP: a right click on the caption or the icon opens the system
// menu at the mouse; other codes are swallowed. Forms without frame pass on.
void OnNcRButtonUp(FormCall& c)
{
    if (c.Form().BorderStyle() == TFormBorderStyle::bsNone) {
        c.PassOn();
        return;
    }
    const POINT pt = ScreenPointOf(c.m.LParam);
    const int code = c.p.HitTestFrame(pt);
    if (code == HTCAPTION || code == HTSYSMENU)
        c.p.ShowSystemMenuAt(pt.x, pt.y);
}

// 0x313: the system menu at the cursor.
void OnPopupSystemMenu(FormCall& c)
{
    POINT pt{};
    GetCursorPos(&pt);
    c.p.ShowSystemMenuAt(pt.x, pt.y);
    c.m.Result = 0;
}

constexpr TsMessageRow<UINT, FormHandler> kStage3Messages[] = {
    {WM_NCHITTEST, OnNcHitTest},
    {WM_NCLBUTTONDOWN, OnNcLButtonDown},
    {WM_NCLBUTTONUP, OnButtonUp},
    {WM_LBUTTONUP, OnButtonUp},
    {WM_NCLBUTTONDBLCLK, OnNcLButtonDblClk},
    {WM_NCRBUTTONDOWN, OnNcRButtonDown},
    {WM_MOUSEMOVE, OnMouseMove},
    {WM_CAPTURECHANGED, OnCaptureLost},
    {WM_CANCELMODE, OnCaptureLost},
    {WM_KEYDOWN, OnKeyDown},
    {WM_SYSCOMMAND, OnSysCommand},
    {WM_WINDOWPOSCHANGING, OnWindowPosChanging},
    {WM_SIZE, OnSize},
    {WM_SETREDRAW, OnSetRedraw},
    {WM_INITMENUPOPUP, OnInitMenuPopup},
    {WM_ENTERIDLE, OnEnterIdle},
    {WM_PRINTCLIENT, OnPrintClient},
    {WM_NCMOUSEMOVE, OnNcMouseMove},
    {WM_NCMOUSELEAVE, OnMouseLeave},
    {WM_MOUSELEAVE, OnMouseLeave},
    {CM_MOUSELEAVE, OnMouseLeave},
    {WM_ENTERMENULOOP, OnEnterMenuLoop},
    {WM_EXITMENULOOP, OnExitMenuLoop},
    {WM_QUERYENDSESSION, OnQueryEndSession},
    {WM_ENDSESSION, OnEndSession},
    {SkinEditorLinkMessage, OnEditorLink},
    {CM_CONTROLLISTCHANGE, OnControlListChange},
    {RegionOptOutQuery, AnswerZero},
    {CM_UNUSED_4C, AnswerZero},
    {WM_COPYDATA, OnCopyData},
    {WM_NCACTIVATE, OnNcActivate},
    {WM_ACTIVATE, OnActivate},
    {WM_SYSCOLORCHANGE, OnSysColorChange},
    {CM_MENUCHANGED, OnMenuChanged},
    {WM_GETMINMAXINFO, OnGetMinMaxInfo},
    {WM_SETTEXT, OnSetText},
    {WM_SETICON, OnSetIcon},
    {WM_STYLECHANGING, OnStyleChanging},
    {WM_STYLECHANGED, OnStyleChanged},
    {WM_PARENTNOTIFY, OnParentNotify},
    {WM_NOTIFY, OnNotify},
    {CM_MOUSEWHEEL, OnMouseWheel},
    {WM_CONTEXTMENU, OnContextMenu},
    {WM_MEASUREITEM, OnMeasureItem},
    {CM_ENABLEDCHANGED, OnEnabledChanged},
    {CM_MOUSEENTER, OnMouseEnter},
    {CM_RECREATEWND, OnRecreateWnd},
    {CM_SCROLLCHANGED_3A, OnScrollChanged},
    {WM_MOVE, OnMove},
    {WM_SIZING, OnSizing},
    {WM_EXITSIZEMOVE, OnExitSizeMove},
    {WM_WINDOWPOSCHANGED, OnWindowPosChanged},
    {CM_SHOWINGCHANGED, OnShowingChanged},
    {WM_NCRBUTTONUP, OnNcRButtonUp},
    {WM_POPUPSYSTEMMENU, OnPopupSystemMenu},
    {WM_DWMSENDICONICTHUMBNAIL, OnIconicThumbnail},
    {WM_DWMSENDICONICLIVEPREVIEWBITMAP, OnIconicLivePreview},
    {WM_NCPAINT, OnNcPaint},
    {WM_PRINT, OnPrint},
    {WM_COMMAND, OnCommand},
    {WM_PAINT, OnPaint},
    {WM_ERASEBKGND, OnEraseBkgnd},
};
static_assert(HasUniqueNumbers(kStage3Messages));

// Messages that run the deferred initialisation of a provider made at run time.
bool StartsDeferredInit(const TMessage& m)
{
    return m.Msg == WM_NCHITTEST || m.Msg == WM_NCPAINT || (m.Msg == CM_VISIBLECHANGED && m.WParam == 1);
}

}  // namespace

// ---------------------------------------------------------------- the stages

bool TsFormProcStages::Stage1()
{
    const unsigned command = Command();
    const Stage1Row* row = nullptr;
    for (const auto& r : kStage1)
        if (r.Number == command)
            row = &r.Handle;
    if (!row)
        return false;
    row->handle(*this);
    return !row->continues;
}

void TsFormProcStages::Stage2()
{
    if (m.Msg == SkinCommandMessage) {
        const unsigned command = Command();
        if (command == SkinCmdNewSkin && OwnManager() && !p.SkinOwnerDestroying()) {
            p.InitSkin();
            return;
        }
        if (command == SkinCmdGetProvider) {
            m.Result = reinterpret_cast<LRESULT>(&p);
            return;
        }
    }
    PassOn();
    if (m.Msg == CM_MOUSEWHEEL)
        PassWheelToControlUnderCursor(*this);
}

void TsFormProcStages::Stage3()
{
    if (m.Msg == SkinCommandMessage) {
        m.Result = 0;   // commands without a row are ignored
        if (FormHandler h = FindMessageHandler(kStage3Commands, Command()))
            h(*this);
        return;
    }
    if (FormHandler h = FindMessageHandler(kStage3Messages, m.Msg))
        h(*this);
    else
        PassOn();
}

void TsFormProcStages::Run(TsSkinProvider& provider, TMessage& message)
{
    FormCall c{provider, message};
    if (provider.inactive_) {
        c.PassOn();
        return;
    }
    if (message.Msg == WM_NCDESTROY) {
        // The window is gone: nobody finds the provider through it any more.
        c.PassOn();
        UnregisterProvider(provider.wnd_, &provider);
        return;
    }
    if (message.Msg == WM_CREATE && !provider.SkinOwnerDestroying()) {
        // A recreated window: the provider follows the new handle.
        c.PassOn();
        HWND now = provider.form_->HandleAllocated() ? provider.form_->Handle() : nullptr;
        if (now && now != provider.wnd_) {
            provider.wnd_ = now;
            RegisterProvider(now, &provider);
            provider.initialized_ = false;
            provider.InitSkin();
        }
        return;
    }
    if (message.Msg == SkinCommandMessage && c.Stage1())
        return;
    if (provider.createdAtRunTime_ && StartsDeferredInit(message))
        provider.InitDeferred();
    if (provider.SkinOwnerDestroying() || !provider.Skinned())
        c.Stage2();
    else
        c.Stage3();
}

void TsSkinProvider::FormWindowProc(TMessage& m) { TsFormProcStages::Run(*this, m); }
