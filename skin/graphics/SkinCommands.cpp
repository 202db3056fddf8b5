#include "skin/graphics/SkinCommands.h"

#include <algorithm>
#include <optional>
#include <vector>

bool AnimationRunning = false;
bool RefreshPaintDeferred = false;

// The class library's notifications and the skin library's names for them are
// one set of numbers: a change on either side must not go unnoticed.
static_assert(CM_ACTIVATE == CtlNotifyAppActivate);
static_assert(CM_FOCUSCHANGED == CtlNotifyFocusChanged);
static_assert(CM_VISIBLECHANGED == CtlNotifyVisibleChanged);
static_assert(CM_ENABLEDCHANGED == CtlNotifyEnabledChanged);
static_assert(CM_FONTCHANGED == CtlNotifyFontChanged);
static_assert(CM_TEXTCHANGED == CtlNotifyTextChanged);
static_assert(CM_MOUSEENTER == CtlNotifyMouseEnter);
static_assert(CM_MOUSELEAVE == CtlNotifyMouseLeave);
static_assert(CM_MENUCHANGED == CtlNotifyMenuChanged);
static_assert(CM_SHOWINGCHANGED == CtlNotifyShowingChanged);
static_assert(CM_EXIT == CtlNotifyExit);
static_assert(CM_CONTROLLISTCHANGE == CtlNotifyControlListChange);
static_assert(CM_RECREATEWND == CtlNotifyRecreateWnd);
static_assert(CM_MOUSEWHEEL == CtlNotifyMouseWheel);
static_assert(CN_NOTIFY == CtlNotifyReflectedNotify);

namespace {
thread_local std::vector<const void*> pointersInFlight;

// Registers the command's pointer for the length of one send.
class CarriedPointer {
public:
    CarriedPointer(TsSkinCommand command, LPARAM lParam)
    {
        if (lParam && SkinCommandCarriesPointer(unsigned(command)))
            scope_.emplace(reinterpret_cast<const void*>(lParam));
    }

private:
    std::optional<TsCommandPointerScope> scope_;
};
}  // namespace

bool SkinCommandCarriesPointer(unsigned command)
{
    switch (TsSkinCommand(command)) {
    case TsSkinCommand::SetSection:
    case TsSkinCommand::GetSectionIndex:
    case TsSkinCommand::GetBackground:
    case TsSkinCommand::QueryDisabledLook:
        return true;
    default:
        return false;
    }
}

TsCommandPointerScope::TsCommandPointerScope(const void* pointer) : pointer_(pointer)
{
    pointersInFlight.push_back(pointer_);
}

TsCommandPointerScope::~TsCommandPointerScope()
{
    auto it = std::find(pointersInFlight.rbegin(), pointersInFlight.rend(), pointer_);
    if (it != pointersInFlight.rend())
        pointersInFlight.erase(std::next(it).base());
}

bool IsCommandPointerInFlight(const void* pointer)
{
    return pointer && std::find(pointersInFlight.begin(), pointersInFlight.end(), pointer) != pointersInFlight.end();
}

LRESULT SendSkinCommand(HWND wnd, TsSkinCommand command, LPARAM lParam, unsigned subArgument)
{
    CarriedPointer carried(command, lParam);
    return SendMessageW(wnd, SkinCommandMessage, WPARAM(MakeSkinCmdWParam(command, subArgument)), lParam);
}

LRESULT SendSkinCommand(TControl* control, TsSkinCommand command, LPARAM lParam, unsigned subArgument)
{
    if (!control)
        return 0;
    if (auto* w = dynamic_cast<TWinControl*>(control)) {
        // Never to a window that is going away or not made yet.
        if (w->Destroying() || !w->HandleAllocated())
            return 0;
        return SendSkinCommand(w->Handle(), command, lParam, subArgument);
    }
    return CallSkinCommand(control, command, lParam, subArgument);
}

LRESULT CallSkinCommand(TControl* control, TsSkinCommand command, LPARAM lParam, unsigned subArgument)
{
    if (!control)
        return 0;
    CarriedPointer carried(command, lParam);
    return control->Perform(SkinCommandMessage, WPARAM(MakeSkinCmdWParam(command, subArgument)), lParam);
}

void BroadcastSkinCommand(TWinControl* parent, TsSkinCommand command, LPARAM lParam, unsigned subArgument)
{
    if (!parent)
        return;
    // The count is read again for every child: a receiver may add or remove children.
    for (int i = 0; i < parent->ControlCount(); ++i)
        if (TControl* c = parent->Controls(i); !c->Destroying())
            SendSkinCommand(c, command, lParam, subArgument);
}

bool QueryControlSkinFlag(TControl* control, unsigned command)
{
    return (SendSkinCommand(control, TsSkinCommand(command)) & 0xFF) != 0;
}

bool QueryWindowSkinFlag(HWND wnd, unsigned command) { return SendSkinCommand(wnd, TsSkinCommand(command)) == 1; }

bool IsSkinLookChange(unsigned command)
{
    return command == SkinCmdNewSkin || command == SkinCmdRemoveSkin || command == SkinCmdRefresh;
}

TCustomForm* GetParentForm(TControl* control)
{
    TControl* c = control;
    while (c && c->Parent())
        c = c->Parent();
    return dynamic_cast<TCustomForm*>(c);
}

void NotifyFormOfControl(TControl* control)
{
    if (!control || (control->ComponentState() & (csDesigning | csLoading)))
        return;
    TCustomForm* form = GetParentForm(control);
    if (form && form != control && !form->Destroying() && form->HandleAllocated())
        SendSkinCommand(form->Handle(), TsSkinCommand::ControlChanged, LPARAM(control));
}

void RefreshChildControls(TWinControl* control)
{
    if (!control || AnimationRunning || (control->ComponentState() & csDesigning))
        return;
    for (int i = 0; i < control->ControlCount(); ++i) {
        TControl* c = control->Controls(i);
        if (c->Destroying())
            continue;
        if (auto* w = dynamic_cast<TWinControl*>(c)) {
            if (w->HandleAllocated() && w->Showing())
                SendSkinCommand(w->Handle(), TsSkinCommand::ParentUpdated);
        } else {
            CallSkinCommand(c, TsSkinCommand::ParentUpdated);
        }
    }
}

void RefreshChildWindows(HWND wnd)
{
    for (HWND c = GetTopWindow(wnd); c; c = GetWindow(c, GW_HWNDNEXT))
        if (GetWindowLongPtrW(c, GWL_STYLE) & WS_CHILD)
            SendSkinCommand(c, TsSkinCommand::ParentUpdated);
}

TColor GetControlBgColor(TControl* control)
{
    if (!control)
        return SkinKeyColor;
    if (CallSkinCommand(control, TsSkinCommand::IsSkinned) == 1)
        return TColor(ColorToRGB(TColor(CallSkinCommand(control, TsSkinCommand::GetBkColor, SkinKeyColor))));
    return TColor(ColorToRGB(control->Color()));
}

TColor GetWindowBgColor(HWND wnd)
{
    if (!wnd)
        return SkinKeyColor;
    return TColor(ColorToRGB(TColor(SendSkinCommand(wnd, TsSkinCommand::GetBkColor, SkinKeyColor))));
}

void ForwardToControls(TWinControl* control, TMessage& message)
{
    if (!control)
        return;
    // The count is read again for every child: children added or removed by a
    // receiver are respected.
    for (int i = 0; i < control->ControlCount(); ++i) {
        TControl* c = control->Controls(i);
        if (c->Destroying())
            return;
        auto* w = dynamic_cast<TWinControl*>(c);
        if (!w || !w->HandleAllocated()) {
            c->Perform(message.Msg, message.WParam, message.LParam);
            continue;
        }
        // The question goes straight to the control's window procedure (the same
        // answer as through its window, without the system's dispatch); the
        // message itself is sent to the window.
        if (CallSkinCommand(w, TsSkinCommand::IsSkinned) == 1)
            SendMessageW(w->Handle(), message.Msg, message.WParam, message.LParam);   // it passes it on itself
        else
            ForwardToControls(w, message);
    }
}

namespace {

struct BroadcastData {
    HWND parent;
    TMessage* message;
};

BOOL CALLBACK BroadcastChild(HWND wnd, LPARAM data)
{
    auto* d = reinterpret_cast<BroadcastData*>(data);
    if (GetParent(wnd) == d->parent)
        SendMessageW(wnd, d->message->Msg, d->message->WParam, d->message->LParam);
    return TRUE;
}

}  // namespace

void BroadcastToChildWindows(HWND wnd, TMessage& message)
{
    if (!wnd)
        return;
    BroadcastData d{wnd, &message};
    EnumChildWindows(wnd, BroadcastChild, LPARAM(&d));
}

bool CanPaintControl(TControl* control)
{
    if (!control)
        return false;
    if (auto* w = dynamic_cast<TWinControl*>(control); w && !w->HandleAllocated())
        return false;
    if (control->ComponentState() & (csLoading | csDestroying))
        return false;
    return control->Parent() != nullptr;
}

UINT AlignDrawTextFlags(TControl*, TAlignment alignment)
{
    UINT flags = DT_LEFT;
    if (alignment == TAlignment::taRightJustify)
        flags = DT_RIGHT;
    else if (alignment == TAlignment::taCenter)
        flags = DT_CENTER;
    return flags | DT_VCENTER | DT_EXPANDTABS;
}

RECT GetClientRectInWindow(HWND wnd)
{
    RECT c{}, w{};
    GetClientRect(wnd, &c);
    GetWindowRect(wnd, &w);
    POINT origin{0, 0};
    ClientToScreen(wnd, &origin);
    OffsetRect(&c, origin.x - w.left, origin.y - w.top);
    return c;
}

int SumAlignedChildSizes(TWinControl* control, TAlign align, bool countGraphic)
{
    if (!control)
        return 0;
    int sum = 0;
    for (int i = 0; i < control->ControlCount(); ++i) {
        TControl* c = control->Controls(i);
        if (!c->Visible() || c->Align() != align)
            continue;
        if (!countGraphic && !dynamic_cast<TWinControl*>(c))
            continue;
        if (align == TAlign::alTop || align == TAlign::alBottom)
            sum += c->Height();
        else if (align == TAlign::alLeft || align == TAlign::alRight)
            sum += c->Width();
    }
    return sum;
}

bool GetMouseCursorPos(POINT& p) { return GetCursorPos(&p) != 0; }

HWND GetRootWindow(HWND wnd)
{
    HWND w = wnd;
    for (HWND p = w ? GetParent(w) : nullptr; p; p = GetParent(w))
        w = p;
    return w;
}

TCustomForm* GetMenuOwnerForm(TComponent* menu)
{
    for (TComponent* c = menu; c; c = c->Owner())
        if (auto* f = dynamic_cast<TCustomForm*>(c))
            return f;
    return nullptr;
}

TComponent* GetDesignOwner(TComponent*) { return nullptr; }

bool WaitWhileAnimationRunning(unsigned timeoutMs)
{
    DWORD start = GetTickCount();
    while (AnimationRunning) {
        if (GetTickCount() - start >= timeoutMs)
            return false;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(int(msg.wParam));   // leave it for the main loop
                return !AnimationRunning;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (AnimationRunning)
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    return true;
}

bool SkinCommandGoesToChildren(unsigned command)
{
    switch (command) {
    case SkinCmdNewSkin:
    case SkinCmdRemoveSkin:
    case SkinCmdRefresh:
    case SkinCmdBeforeRefresh:
    case SkinCmdSectionChanged:
    case SkinCmdForceRepaint:
        return true;
    default:
        return false;
    }
}
