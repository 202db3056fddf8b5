// The skin manager: the skinned forms and dialogs, repainting, covers and hot tracking.
#include "skin/core/SkinManager.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <cwctype>

#include "skin/core/CommonData.h"
#include "skin/graphics/SkinCommands.h"
#include "skin/core/ProviderSeam.h"
#include "skin/core/SkinHooks.h"
#include "skin/core/SkinManagerDetail.h"

// ---------------------------------------------------------------- skinned forms and dialogs

namespace {

// Takes a form out of the list when it is destroyed.
class FormWatcher : public TComponent {
public:
    FormWatcher() : TComponent(nullptr) {}
    std::vector<TCustomForm*> forms;

protected:
    void Notification(TComponent* c, TOperation op) override
    {
        TComponent::Notification(c, op);
        if (op == TOperation::opRemove)
            std::erase(forms, c);
    }
};

FormWatcher& Watcher()
{
    static FormWatcher* w = new FormWatcher;   // lives as long as the process
    return *w;
}

void RedrawDialogs()
{
    auto* dialogs = SkinnedDialogs();
    if (!dialogs)
        return;
    for (auto& d : *dialogs)
        if (d && IsWindowVisible(d->DialogWindow()))
            RedrawWindow(d->DialogWindow(), nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void SendToForm(TCustomForm* f, TMessage& msg)
{
    if (f->HandleAllocated())
        SendMessageW(f->Handle(), msg.Msg, msg.WParam, msg.LParam);
    ForwardToControls(f, msg);
}

}  // namespace

void RegisterSkinnedForm(TCustomForm* form)
{
    if (!form)
        return;
    auto& list = Watcher().forms;
    if (std::find(list.begin(), list.end(), form) != list.end())
        return;
    list.push_back(form);
    Watcher().FreeNotification(form);
}

void UnregisterSkinnedForm(TCustomForm* form)
{
    auto& list = Watcher().forms;
    std::erase(list, form);
    if (form)
        Watcher().RemoveFreeNotification(form);
}

const std::vector<TCustomForm*>& SkinnedForms() { return Watcher().forms; }

void BroadcastToSkinnedForms(TMessage& msg)
{
    auto forms = Watcher().forms;   // receivers may register or unregister forms
    for (TCustomForm* f : forms) {
        auto& live = Watcher().forms;
        if (std::find(live.begin(), live.end(), f) == live.end() || f->Destroying())
            continue;
        SendToForm(f, msg);
    }
    if (auto* dialogs = SkinnedDialogs())
        for (auto& d : *dialogs)
            if (d && IsWindowVisible(d->DialogWindow()))
                SendMessageW(d->DialogWindow(), msg.Msg, msg.WParam, msg.LParam);
}

void BroadcastToAppForms(TMessage& msg)
{
    if (Application) {
        for (int i = Application->ComponentCount() - 1; i >= 0; --i) {
            if (i >= Application->ComponentCount())
                continue;   // the list shrank meanwhile
            auto* f = dynamic_cast<TCustomForm*>(Application->Components(i));
            if (!f || (f->ComponentState() & (csDestroying | csLoading)))
                continue;
            // A form skinned through a provider gets it as a registered form.
            if (f->HandleAllocated() && QueryWindowSkinFlag(f->Handle(), SkinCmdIsSkinned))
                continue;
            SendToForm(f, msg);
        }
    }
    BroadcastToSkinnedForms(msg);
}

// ---------------------------------------------------------------- repainting and covers

namespace {

BOOL CALLBACK PaintThreadWindow(HWND wnd, LPARAM)
{
    if (IsWindowVisible(wnd))
        RedrawWindow(wnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    return TRUE;
}

// The refresh goes to every form with painting deferred: each window only
// invalidates itself, then every window of this thread paints what it has to
// once (a form whose redrawing is suspended paints when it is resumed).
void RefreshAndPaintOnce(TMessage& msg)
{
    {
        TsDeferredRefreshScope deferred;
        BroadcastToAppForms(msg);
    }
    EnumThreadWindows(GetCurrentThreadId(), PaintThreadWindow, 0);
}

}  // namespace

void TsSkinManager::RepaintForms(bool animate)
{
    bool runTime = !(ComponentState() & csDesigning);
    if (runTime) {
        TMessage before{SkinCommandMessage, WPARAM(MakeSkinCmdWParam(SkinCmdBeforeRefresh)), LPARAM(this), 0};
        BroadcastToAppForms(before);
    }
    TMessage msg{SkinCommandMessage, WPARAM(MakeSkinCmdWParam(SkinCmdRefresh)), LPARAM(this), 0};
    if (SkinLoading || !animate) {
        RefreshAndPaintOnce(msg);
    } else {
        SuspendFormRedraw();
        try {
            RefreshAndPaintOnce(msg);
        } catch (...) {
            ResumeQuietly();
            throw;
        }
        ResumeFormRedraw(true);
    }
    if (SkinHooks.AuxiliaryWindow && IsWindow(SkinHooks.AuxiliaryWindow))
        SendMessageW(SkinHooks.AuxiliaryWindow, msg.Msg, msg.WParam, msg.LParam);
    RedrawDialogs();
}

namespace {

// Visible forms with a window that a provider skins for manager m.
std::vector<TCustomForm*> ProviderForms(TsSkinManager* m)
{
    std::vector<TCustomForm*> out;
    if (!Application)
        return out;
    for (TCustomForm* f : Application->Forms())
        if (f && !f->Destroying() && f->HandleAllocated() && IsWindowVisible(f->Handle()) &&
            ProviderOf(f).WorksWith(m))
            out.push_back(f);
    return out;
}

}  // namespace

void TsSkinManager::CaptureFormCovers()
{
    if (skinmanager_detail::ApplicationMinimized() || (ComponentState() & (csDesigning | csLoading)) || SkinLoading)
        return;
    if (IsDefault() && AnimEffects.SkinChanging.Active)
        AnimationRunning = true;   // cleared by ResumeFormRedraw (or the caller's guard)
    for (TCustomForm* f : ProviderForms(this))
        if (!f->Parent() && std::find(covered_.begin(), covered_.end(), f) == covered_.end() &&
            ProviderOf(f).CaptureCover()) {
            covered_.push_back(f);
            FreeNotification(f);
        }
}

void TsSkinManager::SuspendFormRedraw()
{
    if (skinmanager_detail::ApplicationMinimized() || (ComponentState() & (csDesigning | csLoading)))
        return;
    for (TCustomForm* f : ProviderForms(this)) {
        if (std::find(suspended_.begin(), suspended_.end(), f) != suspended_.end())
            continue;
        if (!ProviderOf(f).SuspendRedraw())
            continue;
        suspended_.push_back(f);
        FreeNotification(f);
        SendMessageW(f->Handle(), WM_SETREDRAW, FALSE, 0);
    }
}

void TsSkinManager::ResumeFormRedraw(bool animate)
{
    if (IsDefault())
        AnimationRunning = false;
    std::vector<TCustomForm*> forms;
    forms.swap(suspended_);
    for (TCustomForm* f : forms)
        if (f->HandleAllocated())
            SendMessageW(f->Handle(), WM_SETREDRAW, TRUE, 0);
    // Covered forms whose redraw was never stopped get their covers released too.
    for (TCustomForm* f : covered_)
        if (std::find(forms.begin(), forms.end(), f) == forms.end())
            forms.push_back(f);
    covered_.clear();
    // Every form is released even when an animation of one of them fails.
    std::exception_ptr failure;
    for (TCustomForm* f : forms) {
        RemoveFreeNotification(f);
        try {
            TsProviderSeam& provider = ProviderOf(f);
            if (animate && AnimEffects.SkinChanging.Active)
                provider.FadeAfterSkinChange(provider.PaintsNonClient() ? AnimEffects.SkinChanging.Time : 0, 255,
                                             AnimEffects.SkinChanging.Mode);
            bool repainted = provider.ResumeRedraw(animate);
            if (!repainted && f->HandleAllocated())
                RedrawWindow(f->Handle(), nullptr, nullptr,
                             RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
            if (f->HandleAllocated())
                RedrawWindow(f->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
        }
    }
    if (IsDefault())
        AnimationRunning = false;
    if (failure)
        std::rethrow_exception(failure);
}

// ---------------------------------------------------------------- hot tracking

void TsSkinManager::SetHotWindow(HWND wnd)
{
    if (wnd == hotWindow_)
        return;
    if (hotWindow_ && hotControl_) {
        SetHotControl(nullptr);
        if (hotControl_)
            return;   // the control still has the mouse
    }
    HWND previous = hotWindow_;
    hotWindow_ = wnd;
    if (previous && IsWindow(previous))
        SendSkinCommand(previous, SkinCmdMouseLeave, LPARAM(this));
    if (wnd && IsWindow(wnd))
        SendSkinCommand(wnd, SkinCmdMouseEnter, LPARAM(this));
}

void TsSkinManager::SetHotControl(TControl* control)
{
    if (control == hotControl_)
        return;
    if (!control && hotControl_) {
        auto* data = reinterpret_cast<TsCommonData*>(PerformSkinCommand(hotControl_, SkinCmdGetSkinData, 0));
        if (data && data->MouseInside)
            return;   // refused while the mouse is still inside
    }
    TControl* previous = hotControl_;
    if (previous)
        RemoveFreeNotification(previous);
    hotControl_ = control;
    if (control) {
        FreeNotification(control);
        hotWindow_ = nullptr;
    }
    if (previous && !previous->Destroying())
        PerformSkinCommand(previous, SkinCmdMouseLeave, LPARAM(this));
}

