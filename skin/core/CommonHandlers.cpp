// The common handlers every owner of skin data calls: the skin command message
// and the ordinary window messages the skin data reacts to. Each command and
// message has one small handler; a table per message kind pairs the numbers
// with them, and the two entry points only crack the parameters and look up.
#include "skin/core/CommonData.h"

#include <algorithm>

#include "classlib/StdCtrls.h"
#include "skin/core/CommonDataShared.h"
#include "skin/core/MessageTable.h"
#include "skin/graphics/SkinCommands.h"
#include "skin/core/SkinHooks.h"
#include "skin/core/SkinManager.h"

namespace {

// ---------------------------------------------------------------- shared steps

bool IsListView(const TsCommonData& d) { return IsKind(d.ControlKind, TsControlKind::ListView); }

// Integer division rounding toward minus infinity.
int FloorDiv(int a, int b)
{
    int q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

void SetHotColors(TsCommonData& d, bool hot)
{
    const TsGeneralData* s = d.Section();
    if (!s || s->States < 2 || !d.OwnerControl)
        return;
    const TsGenState& st = s->Props[hot ? 1 : 0];
    bool changed = false;
    if (!d.CustomColor() && d.OwnerControl->Color() != TColor(ColorToRGB(st.Color))) {
        d.OwnerControl->SetColor(TColor(ColorToRGB(st.Color)));
        changed = true;
    }
    if (!d.CustomFont() && !IsListView(d) && d.OwnerControl->Font().Color() != TColor(ColorToRGB(st.FontColor))) {
        d.OwnerControl->Font().SetColor(TColor(ColorToRGB(st.FontColor)));
        changed = true;
    }
    if (changed)
        d.OwnerControl->Invalidate();
}

void RedrawFrame(HWND w)
{
    if (w)
        SendMessageW(w, WM_NCPAINT, 1, 0);
}

// The mouse has left the owner (the class library's notification or the
// manager's SkinCmdMouseLeave).
void MouseLeft(TsCommonData& d)
{
    HWND w = d.OwnerWindow();
    if (!IsNoHotKind(d.ControlKind))
        d.MouseInside = false;
    d.Focused = w && GetFocus() == w;   // a focused owner stays focused
    POINT p{};
    bool stillUnder = false;
    if (d.OwnerControl && GetCursorPos(&p)) {
        POINT o = d.OwnerControl->ClientToScreen({0, 0});
        RECT r{o.x, o.y, o.x + d.OwnerControl->Width(), o.y + d.OwnerControl->Height()};
        stillUnder = PtInRect(&r, p) != 0;
    }
    if (!stillUnder)
        d.ReleaseGlow();
}

// ---------------------------------------------------------------- skin commands

// One skin command as its handler sees it, cracked once.
struct SkinCommandCall {
    TsCommonData& Data;
    TWinControl* Window;   // the owner when it is a windowed control, else nil
    unsigned Sub;          // low word of WParam: 1 = on, 1 = also repaint
    LPARAM& LParam;        // the argument; one handler writes its answer back here
    LRESULT Result = 0;

    // The skin-wide commands act only when they come from the data's manager.
    bool FromManager() const { return Data.SkinManager() && LParam == LPARAM(Data.SkinManager()); }
};
// True when handled (Result is the answer); false leaves Result 0.
using SkinCommandHandler = bool (*)(SkinCommandCall&);

bool OnNewSkin(SkinCommandCall& c)
{
    if (c.FromManager()) {
        c.Data.UpdateIndexes();
        c.Data.UpdateTransparentState(false);
        c.Data.Updating = false;          // a new skin may be painted at once
        c.Data.ApplySkinColors(false);    // its colours apply without waiting for a refresh
        SkinChanging = false;
    }
    return true;
}

bool OnRemoveSkin(SkinCommandCall& c)
{
    TsCommonData& d = c.Data;
    TsSkinManager* stored = d.StoredSkinManager();
    if (!c.FromManager() && !(stored && c.LParam == LPARAM(stored)))
        return true;
    if (stored && stored->Destroying())
        d.ForgetManager(stored);
    d.SectionIndex = d.BorderMaskIndex = d.TextureIndex = d.HotTextureIndex = -1;
    d.Updating = true;
    d.ReleaseGlow();
    if (d.CacheBitmap)
        d.CacheBitmap->SetSize(0, 0);
    if (auto* edit = dynamic_cast<TCustomEdit*>(d.OwnerControl)) {
        if (!d.CustomColor())
            edit->SetColor(clWindow);
        if (!d.CustomFont())
            edit->Font().SetColor(clWindowText);
        if (edit->HandleAllocated())
            RedrawWindow(edit->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
    } else if (c.Window) {
        for (int i = 0; i < c.Window->ControlCount(); ++i)
            if (auto* label = dynamic_cast<TLabel*>(c.Window->Controls(i)))
                label->Font().SetColor(clWindowText);
    }
    return true;
}

bool OnRefresh(SkinCommandCall& c)
{
    if (c.FromManager()) {
        c.Data.BackgroundChanged = true;
        c.Data.Updating = false;
        c.Data.ApplySkinColors(true);
        c.Data.UpdateTransparentState(false);
    }
    return true;
}

bool OnParentUpdated(SkinCommandCall& c)
{
    if (!c.Window)
        return true;
    if (c.Data.Updating) {
        c.Data.QueryUpdating(true);
        if (!c.Data.Updating && c.Window->HandleAllocated())
            RedrawWindow(c.Window->Handle(), nullptr, nullptr, skindata::kRedrawAll | RDW_UPDATENOW);
    }
    RefreshChildControls(c.Window);
    return true;
}

bool OnIsSkinned(SkinCommandCall& c)
{
    c.Result = 1;
    return true;
}

bool OnSetUpdating(SkinCommandCall& c)
{
    c.Data.Updating = c.Sub == 1;
    return true;
}

bool OnSetUrgentPaint(SkinCommandCall& c)
{
    c.Data.UrgentPaint = c.Sub == 1;
    return true;
}

bool OnIsUpdating(SkinCommandCall& c)
{
    c.Result = (c.Data.BackgroundChanged || c.Data.Updating) ? 1 : 0;
    return true;
}

bool OnIsPartlyCovered(SkinCommandCall& c)
{
    c.Result = c.Data.PartlyCovered ? 1 : 0;
    return true;
}

bool OnSectionChanged(SkinCommandCall& c)
{
    if (!ChangingSectionName.empty() && skindata::Upper(c.Data.SkinSection()) == ChangingSectionName) {
        SkinChanging = false;
        c.Data.Invalidate(false);
    }
    return true;
}

bool OnSetSection(SkinCommandCall& c)
{
    if (auto* rec = reinterpret_cast<const TsSetSectionRecord*>(c.LParam); rec && rec->SectionName)
        c.Data.SetSkinSection(rec->SectionName);
    return true;
}

bool OnInvalidate(SkinCommandCall& c)
{
    c.Data.BackgroundChanged = true;
    if (c.Sub == 1)
        c.Data.Invalidate(false);
    return true;
}

bool OnIsTransparent(SkinCommandCall& c)
{
    TsCommonData& d = c.Data;
    const TsGeneralData* s = d.Section();
    if (!s)
        return false;
    if (s->IniTransparency > 0 && d.OwnerControl && d.OwnerControl->Parent()) {
        c.Result = SendSkinCommand(d.OwnerControl->Parent(), TsSkinCommand::IsTransparent) & 0x7F;
        c.LParam = c.Result;
        return true;
    }
    if (s->Props[0].GradientPercent + s->Props[0].ImagePercent > 0 || d.NeedsRepaintOnMove()) {
        c.Result = 1;
        return true;
    }
    TsSkinManager* m = d.SkinManager();
    c.Result = m->IsMaskIndexValid(d.BorderMaskIndex) && (m->Tables().Masks[size_t(d.BorderMaskIndex)].PaintFlags & 4);
    return true;
}

bool OnParentMoved(SkinCommandCall& c)
{
    bool needs = c.Data.NeedsRepaintOnMove();
    c.Data.BackgroundChanged = c.Data.BackgroundChanged || needs;
    if (c.Window && c.Window->HandleAllocated() && c.Sub == 1)
        RedrawWindow(c.Window->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    if (needs)
        BroadcastSkinCommand(c.Window, TsSkinCommand::ParentMoved);
    return true;
}

}  // namespace

TColor MixBkColor(TColor section, TColor parent, int percent)
{
    // The percentage is applied as a byte weight (div 256), rounding toward minus infinity.
    int out = 0;
    for (int sh = 0; sh <= 16; sh += 8) {
        int a = (section >> sh) & 0xFF, b = (parent >> sh) & 0xFF;
        out |= (std::clamp(a + FloorDiv(percent * (b - a), 256), 0, 255)) << sh;
    }
    return TColor(out);
}

namespace {

bool OnGetBkColor(SkinCommandCall& c)
{
    TsCommonData& d = c.Data;
    if (!d.OwnerControl)
        return false;
    const TsGeneralData* s = d.Section();
    TControl* parent = d.OwnerControl->Parent();
    TColor own = TColor(ColorToRGB(d.OwnerControl->Color()));
    if (!s || !d.IsSkinned()) {
        c.Result = LRESULT(own);
        return true;
    }
    int t = s->IniTransparency;
    TColor ini = TColor(ColorToRGB(s->IniColor));
    if (t <= 0) {
        c.Result = ini;
    } else if (t >= 100) {
        c.Result = parent ? GetControlBgColor(parent) : own;
    } else {
        TColor p = parent ? GetControlBgColor(parent) : own;
        c.Result = MixBkColor(ini, p, t);
    }
    return true;
}

bool OnSetPartlyCovered(SkinCommandCall& c)
{
    c.Data.PartlyCovered = true;
    return true;
}

bool OnClearBackgroundChanged(SkinCommandCall& c)
{
    c.Data.BackgroundChanged = false;
    return true;
}

bool OnGetSectionIndex(SkinCommandCall& c)
{
    if (c.LParam)
        *reinterpret_cast<int*>(c.LParam) = c.Data.SectionIndex;
    c.Result = 1;
    return true;
}

bool OnDropCache(SkinCommandCall& c)
{
    TsCommonData& d = c.Data;
    if (!d.CacheBitmap)
        return true;
    if (c.Window)
        for (int i = 0; i < c.Window->ControlCount(); ++i)
            if (auto* cw = dynamic_cast<TWinControl*>(c.Window->Controls(i)); cw && cw->HandleAllocated())
                SendSkinCommand(cw->Handle(), TsSkinCommand::DropCache);
    d.CacheBitmap->SetSize(0, 0);
    d.BackgroundChanged = true;
    d.Updating = true;
    return true;
}

bool OnGetBackground(SkinCommandCall& c)
{
    if (c.LParam)
        c.Data.AnswerBgRequest(*reinterpret_cast<TsBgRequest*>(c.LParam),
                               (c.Data.Focused || c.Data.MouseInside) ? 1 : 0);
    c.Result = 1;
    return true;
}

bool OnSkinState(SkinCommandCall& c)
{
    if (c.LParam == 1)
        c.Data.UpdateTransparentState(true);
    else if (c.Data.SkinState == ssNotComputed)
        c.Data.UpdateTransparentState(false);
    c.Result = c.Data.SkinState;
    return true;
}

bool OnGetSkinData(SkinCommandCall& c)
{
    c.Result = LRESULT(&c.Data);
    return true;
}

bool OnSetPrintTarget(SkinCommandCall& c)
{
    if (c.LParam)
        c.Data.SkinState |= ssPrinting;
    else
        c.Data.SkinState &= uint16_t(~ssPrinting);
    c.Data.PrintTarget = HDC(c.LParam);
    return true;
}

bool OnGetApplication(SkinCommandCall& c)
{
    c.Result = LRESULT(Application);
    return true;
}

using SkinCommandRow = TsMessageRow<TsSkinCommand, SkinCommandHandler>;
constexpr SkinCommandRow kSkinCommandRows[] = {
    {TsSkinCommand::NewSkin, OnNewSkin},
    {TsSkinCommand::RemoveSkin, OnRemoveSkin},
    {TsSkinCommand::Refresh, OnRefresh},
    {TsSkinCommand::ParentUpdated, OnParentUpdated},
    {TsSkinCommand::IsSkinned, OnIsSkinned},
    {TsSkinCommand::SetUpdating, OnSetUpdating},
    {TsSkinCommand::SetUrgentPaint, OnSetUrgentPaint},
    {TsSkinCommand::IsUpdating, OnIsUpdating},
    {TsSkinCommand::IsPartlyCovered, OnIsPartlyCovered},
    {TsSkinCommand::SectionChanged, OnSectionChanged},
    {TsSkinCommand::SetSection, OnSetSection},
    {TsSkinCommand::Invalidate, OnInvalidate},
    {TsSkinCommand::IsTransparent, OnIsTransparent},
    {TsSkinCommand::ParentMoved, OnParentMoved},
    {TsSkinCommand::GetBkColor, OnGetBkColor},
    {TsSkinCommand::SetPartlyCovered, OnSetPartlyCovered},
    {TsSkinCommand::ClearBackgroundChanged, OnClearBackgroundChanged},
    {TsSkinCommand::GetSectionIndex, OnGetSectionIndex},
    {TsSkinCommand::DropCache, OnDropCache},
    {TsSkinCommand::GetBackground, OnGetBackground},
    {TsSkinCommand::SkinState, OnSkinState},
    {TsSkinCommand::GetSkinData, OnGetSkinData},
    {TsSkinCommand::SetPrintTarget, OnSetPrintTarget},
    {TsSkinCommand::GetApplication, OnGetApplication},
};
static_assert(HasUniqueNumbers(kSkinCommandRows));


}  // namespace

bool HandleSkinCommand(TMessage& m, TsCommonData* d)
{
    if (!d || m.Msg != SkinCommandMessage)
        return false;
    auto cmd = TsSkinCommand(SkinCommandOf(m.WParam));
    // A pointer is read or written only while this thread asks with it (a
    // command sent or posted from elsewhere carries no pointer of ours).
    if (SkinCommandCarriesPointer(unsigned(cmd)) && !SkinCommandPointer<const void>(m)) {
        m.Result = 0;
        return false;
    }
    SkinCommandHandler handler = FindMessageHandler(kSkinCommandRows, cmd);
    if (!handler)
        return false;
    SkinCommandCall call{*d, dynamic_cast<TWinControl*>(d->OwnerControl), SkinSubArgumentOf(m.WParam), m.LParam};
    bool handled = handler(call);
    m.Result = call.Result;
    return handled;
}

// ---------------------------------------------------------------- window messages

namespace {

// One window message as its handler sees it, cracked once. A handler returns
// true only to swallow the message (Result is the answer).
struct MessageCall {
    TsCommonData& Data;
    TControl* Owner;       // the owner control, or nil
    TWinControl* Window;   // the owner when it is a windowed control, else nil
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
    LRESULT Result = 0;

    bool Designing() const { return Owner && (Owner->ComponentState() & csDesigning); }
    // A class-library notification about the owner itself (0: about the receiver).
    bool AboutOwner() const { return LParam == 0 || LParam == LPARAM(Owner); }
};
using MessageHandler = bool (*)(MessageCall&);

// Hot tracking by the manager (SetHotWindow / SetHotControl). Only these skin
// commands move the mouse state; the window message of the same number
// (WM_FONTCHANGE, a system-wide font notice) says nothing about the mouse and
// is left alone. They go on to the common skin command handler.
void TrackHotCommand(TMessage& m, TsCommonData& d)
{
    unsigned cmd = SkinCommandOf(m.WParam);
    bool fromManager = d.SkinManager() && m.LParam == LPARAM(d.SkinManager());
    if (cmd == SkinCmdMouseEnter && d.IsSkinned() && !IsNoHotKind(d.ControlKind) && fromManager)
        d.MouseInside = true;
    else if (cmd == SkinCmdMouseLeave && fromManager)
        MouseLeft(d);
}

bool OnMove(MessageCall& c)
{
    if (c.Data.NeedsRepaintOnMove()) {
        c.Data.BackgroundChanged = true;
        CallSkinCommand(c.Owner, TsSkinCommand::ParentMoved, 0, 1);
    }
    c.Data.ReleaseGlow();
    return false;
}

bool OnSize(MessageCall& c)
{
    TsCommonData& d = c.Data;
    if (d.IsSkinned()) {
        d.BackgroundChanged = true;
        const TsGeneralData* s = d.Section();
        if (c.Window && s && s->Props[0].GradientPercent > 0)
            for (int i = 0; i < c.Window->ControlCount(); ++i) {
                TControl* child = c.Window->Controls(i);
                auto* cw = dynamic_cast<TWinControl*>(child);
                if (cw && cw->HandleAllocated())
                    SendSkinCommand(cw->Handle(), TsSkinCommand::ParentMoved, 0, 1);
                else if (!cw)
                    CallSkinCommand(child, TsSkinCommand::ParentMoved, 0, 1);
            }
    }
    d.ReleaseGlow();
    return false;
}

bool OnFocusChange(MessageCall& c)
{
    TsCommonData& d = c.Data;
    if (c.Window && c.Window->CanFocus()) {
        bool in = c.Msg == WM_SETFOCUS;
        d.BackgroundChanged = true;
        d.Focused = in;
        if (IsColorKind(d.ControlKind) && d.IsSkinned() && (in || !d.IsHot()))
            SetHotColors(d, in);
    }
    return false;
}

bool OnContextMenu(MessageCall& c)
{
    if (c.Owner && SkinHooks.PrepareContextMenu && c.Data.SkinManager())
        SkinHooks.PrepareContextMenu(c.Owner, c.Data.SkinManager()->Active());
    return false;
}

bool OnUpdateUIState(MessageCall& c)
{
    // The skinned look does not change with the keyboard cues.
    return c.Data.IsSkinned();
}

bool OnParentNotify(MessageCall& c)
{
    if (c.Window && (LOWORD(c.WParam) == WM_CREATE || LOWORD(c.WParam) == WM_DESTROY))
        NotifyFormOfControl(c.Window);
    return false;
}

bool OnVisibleChanged(MessageCall& c)
{
    TsCommonData& d = c.Data;
    if (!TrackVisibilityChanges)
        return false;
    // Our class library passes the new visibility in WParam.
    if (c.WParam) {
        d.Updating = false;
    } else {
        if (d.CacheBitmap)
            d.CacheBitmap->SetSize(0, 0);
        if (c.Window)
            for (int i = 0; i < c.Window->ControlCount(); ++i)
                SendSkinCommand(c.Window->Controls(i), TsSkinCommand::DropCache);
    }
    d.BackgroundChanged = true;
    return false;
}

bool OnMouseEnter(MessageCall& c)
{
    TsCommonData& d = c.Data;
    if (!c.AboutOwner() || c.Designing() || !d.IsSkinned())
        return false;
    if (c.Window)
        for (int i = 0; i < c.Window->ControlCount(); ++i)
            if (c.Window->Controls(i)->MouseInControl())
                c.Window->Controls(i)->Perform(CtlNotifyMouseLeave, 0, 0);
    if (!IsNoHotKind(d.ControlKind))
        d.MouseInside = true;
    if (TsSkinManager* mgr = d.SkinManager()) {
        if (c.Window && c.Window->HandleAllocated())
            mgr->SetHotWindow(c.Window->Handle());
        else if (c.Owner && !c.Window)
            mgr->SetHotControl(c.Owner);
    }
    if (!IsNoGlowKind(d.ControlKind))
        d.UpdateGlow(false);
    if (IsColorKind(d.ControlKind) && !IsListView(d))
        SetHotColors(d, true);
    RedrawFrame(d.OwnerWindow());
    return false;
}

bool OnMouseLeave(MessageCall& c)
{
    TsCommonData& d = c.Data;
    if (!c.AboutOwner() || c.Designing() || !d.IsSkinned())
        return false;
    if (!IsNoHotKind(d.ControlKind))
        d.MouseInside = false;
    if (!IsNoGlowKind(d.ControlKind))
        d.ReleaseGlow();
    if (IsColorKind(d.ControlKind) && !IsListView(d) && !d.IsHot())
        SetHotColors(d, false);
    if (IsColorKind(d.ControlKind) && c.Owner && c.Owner->Visible()) {
        d.BackgroundChanged = true;
        RedrawFrame(d.OwnerWindow());
    }
    if (TsSkinManager* mgr = d.SkinManager(); mgr && c.Owner && !c.Window)
        mgr->SetHotControl(nullptr);
    return false;
}

bool OnShowingChanged(MessageCall& c)
{
    if (c.Owner && c.Owner->Visible())
        c.Data.ReapplySkin();
    return false;
}

using MessageRow = TsMessageRow<UINT, MessageHandler>;
constexpr MessageRow kMessageRows[] = {
    {WM_MOVE, OnMove},
    {WM_SIZE, OnSize},
    {WM_SETFOCUS, OnFocusChange},
    {WM_KILLFOCUS, OnFocusChange},
    {WM_CONTEXTMENU, OnContextMenu},
    {WM_UPDATEUISTATE, OnUpdateUIState},
    {WM_PARENTNOTIFY, OnParentNotify},
    {CtlNotifyVisibleChanged, OnVisibleChanged},
    {CtlNotifyMouseEnter, OnMouseEnter},
    {CtlNotifyMouseLeave, OnMouseLeave},
    {CtlNotifyShowingChanged, OnShowingChanged},
};
static_assert(HasUniqueNumbers(kMessageRows));

}  // namespace

bool HandleCommonMessage(TMessage& m, TsCommonData* d)
{
    if (!d)
        return false;
    if (m.Msg == SkinCommandMessage) {
        TrackHotCommand(m, *d);
        return HandleSkinCommand(m, d);
    }
    MessageHandler handler = FindMessageHandler(kMessageRows, UINT(m.Msg));
    if (!handler)
        return false;
    MessageCall call{*d, d->OwnerControl, dynamic_cast<TWinControl*>(d->OwnerControl), UINT(m.Msg), m.WParam,
                     m.LParam};
    if (!handler(call))
        return false;
    m.Result = call.Result;
    return true;
}
