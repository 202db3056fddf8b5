#include "skin/forms/MDIForm.h"

#include "skin/core/SkinManager.h"
#include "skin/forms/Dialogs.h"
#include "skin/forms/FramePaint.h"
#include "skin/forms/SkinProvider.h"

TsMDIForm::TsMDIForm(TsSkinProvider* provider) : Provider(provider)
{
    if (provider && provider->FormOf()) {
        Form = provider->FormOf();
        Form->HandleNeeded();
    }
}

TsMDIForm::~TsMDIForm() { FreeWrapper(); }

void TsMDIForm::FreeWrapper()
{
    TkvMainWnd* w = std::exchange(wrapper_, nullptr);
    if (!w)
        return;
    if (!w->Unhooked && w->Handle && IsWindow(w->Handle))
        UnhookScrollWnd(w->Handle, true, true, w);   // frees it and sets w to nil
    delete w;
}

void TsMDIForm::UpdateMDIClient()
{
    if (!wrapper_)
        ConnectMDIClient();
}

void TsMDIForm::ConnectMDIClient()
{
    // Attaching sends messages, and the form's provider answers some of them
    // by asking for the client's wrapper: that wrapper is the one being
    // attached, not a second one.
    if (connecting_)
        return;
    FreeWrapper();
    if (!Provider || !Provider->Skinned() || !Form || !Form->ClientHandle())
        return;
    // The wrapper keeps a skin data of its own; the form's is the provider's.
    auto* w = new TkvMDIWnd(Form->ClientHandle(), nullptr, Provider->Manager(), L"CHECKBOX", true);
    w->Form = Form;
    w->FormSkinData = Provider->SkinData();
    w->Provider = this;
    wrapper_ = w;
    struct Connecting {
        bool& flag;
        explicit Connecting(bool& f) : flag(f) { flag = true; }
        ~Connecting() { flag = false; }
    } connecting(connecting_);
    w->Attach();
    RedrawWindow(Form->ClientHandle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE);
}

void TsMDIForm::UpdateMenuLine()
{
    if (Provider && Provider->FormAlive())
        Provider->RefreshFormFrame();
}

TBitmap* TsMDIForm::FramePicture() { return Provider ? Provider->SkinData()->CacheBitmap.get() : nullptr; }

bool TsMDIForm::UsesFramePicture()
{
    if (!Provider)
        return false;
    TsSkinManager* m = Provider->Manager();
    return Provider->SkinData()->IsOpaqueNow() || (m && m->FindSectionIndex(L"MDIAREA") >= 0);
}

POINT TsMDIForm::ClientPlace(HWND client)
{
    RECT cr{}, fr{};
    GetWindowRect(client, &cr);
    if (Form && Form->HandleAllocated())
        GetWindowRect(Form->Handle(), &fr);
    return POINT{cr.left - fr.left, cr.top - fr.top};
}

TColor TsMDIForm::ClientColor()
{
    if (Provider && Provider->Skinned())
        return Provider->SkinData()->GetStateColor(0, Form && Form->HandleAllocated() ? Form->Handle() : nullptr);
    return Form ? Form->Color() : clBtnFace;
}

bool TsMDIForm::Animating()
{
    return Provider && (Provider->State().Has(TsProviderBit::MinimizeRunning) ||
                        Provider->State().Has(TsProviderBit::Restoring));
}

bool TsMDIForm::HasBorderWindow() { return Provider && Provider->Facts().BorderWindow; }

void TsMDIForm::FrameChanged(bool menuToo)
{
    if (!Provider)
        return;
    Provider->SkinData()->BackgroundChanged = true;
    if (menuToo)
        Provider->ResetMenuLineCount();
}

void TsMDIForm::ChildCreated(HWND child) { RegisterSkinnedWindow(child, nullptr); }

void TsMDIForm::ChildrenChanged()
{
    if (Provider && Provider->FormAlive() && merge_.Follow(*Provider))
        Provider->RefreshFormFrame();
}

void TsMDIForm::RefreshFrame()
{
    if (Provider && Provider->FormAlive())
        Provider->RefreshFormFrame();
}

// ---------------------------------------------------------------- the provider's companion

TsMDIForm* MDIFormOf(TsSkinProvider& provider) { return static_cast<TsMDIForm*>(provider.mdiForm_.get()); }

void UpdateMDIFormOf(TsSkinProvider& provider)
{
    TCustomForm* f = provider.FormOf();
    const bool wanted = f && f->FormStyle() == TFormStyle::fsMDIForm && provider.Skinned() && !provider.Inactive();
    if (!wanted) {
        provider.mdiForm_.reset();
        return;
    }
    if (!provider.mdiForm_)
        provider.mdiForm_ = std::make_unique<TsMDIForm>(&provider);
    MDIFormOf(provider)->UpdateMDIClient();
}

// ---------------------------------------------------------------- the maximised child's buttons

namespace {

HWND MaximizedChild(TsSkinProvider& p)
{
    TCustomForm* f = p.FormOf();
    if (!f || f->FormStyle() != TFormStyle::fsMDIForm || !f->ClientHandle())
        return nullptr;
    BOOL maximized = FALSE;
    HWND active = HWND(SendMessageW(f->ClientHandle(), WM_MDIGETACTIVE, 0, LPARAM(&maximized)));
    return active && maximized ? active : nullptr;
}

}  // namespace

bool MDIChildButtonsOf(TsSkinProvider& p, TkvMDIButtonRects& rects)
{
    if (!p.FormAlive() || !MaximizedChild(p))
        return false;
    const int lineHeight = p.MenuLineHeight();
    if (!lineHeight || !p.MenuLineCount())
        return false;
    // Where the frame painter drew them last; before its first paint, the
    // buttons' own places on the menu line.
    if (const TsFramePainter& painter = FramePainterOf(p); painter.MDIButtonsShown()) {
        rects.Close = painter.MDIButtons().Close;
        rects.Restore = painter.MDIButtons().Restore;
        rects.Min = painter.MDIButtons().Min;
        return true;
    }
    RECT wr{};
    GetWindowRect(p.Window(), &wr);
    const int frame = p.FormFrameWidth(false);
    const int top = p.TopFrameWidth() + p.CaptionAreaHeight(true);
    rects = MDIButtonRects(RECT{frame, top, (wr.right - wr.left) - frame, top + lineHeight});
    return true;
}

void InitMDIFormUnit()
{
    // The frame painter draws the maximised child's buttons on the menu line.
    TsFramePainter::MDIButtonsVisible = [](TsSkinProvider& p) { return p.FormAlive() && MaximizedChild(p); };
    MDIButtonsHitInput = [](TsSkinProvider& p, TsHitInput& in) {
        TkvMDIButtonRects r;
        if (!MDIChildButtonsOf(p, r))
            return;
        in.MDIButtons = true;
        in.MDIClose = r.Close;
        in.MDIRestore = r.Restore;
        in.MDIMin = r.Min;
    };
    MDIButtonClick = [](TsSkinProvider& p, int code) {
        HWND child = MaximizedChild(p);
        if (!child)
            return;
        const WPARAM command = code == HTMDICLOSE ? SC_CLOSE : code == HTMDIRESTORE ? SC_RESTORE : SC_MINIMIZE;
        SendMessageW(child, WM_SYSCOMMAND, command, 0);
    };
}
