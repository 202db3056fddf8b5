#include "skin/controls/MainWnd.h"

#include "skin/core/SkinMenus.h"

#include <cstddef>

#include "classlib/Forms.h"
#include "classlib/TypInfo.h"
#include "skin/core/Animations.h"
#include "skin/core/BgRequest.h"
#include "skin/core/ControlPaint.h"
#include "skin/core/ProviderSeam.h"
#include "skin/core/SkinManager.h"
#include "skin/graphics/Bitmap32.h"
#include "skin/graphics/Constants.h"
#include "skin/graphics/Glow.h"
#include "skin/graphics/SkinCommands.h"
#include "skin/model/MaskPaint.h"

bool DialogMode = false;
bool AdapterFreeingAll = false;
bool UseCustomFonts = false;
bool StateImagesSuppressed = false;

TGetScrollBarInfoFn GetScrollBarInfoFn = nullptr;
TFlatSBFn InitializeFlatSBFn = nullptr;
TFlatSBFn UninitializeFlatSBFn = nullptr;

// The subclass layer of a native window: the wrapper's entry while the wrapper
// lives, a pass-through once it let go (its call record outlives it).
class TkvWrapperLayer : public TSubclass {
public:
    explicit TkvWrapperLayer(TkvMainWnd* wrapper) : wrapper_(wrapper) {}
    void Forget() { wrapper_ = nullptr; }
    void Pass(TMessage& m) { CallPrevious(m); }

protected:
    void WndProc(TMessage& m) override
    {
        if (wrapper_)
            wrapper_->WndProcEntry(m);
        else
            CallPrevious(m);
    }
    // WM_NCDESTROY went down the chain without the wrapper letting go first
    // (it answered WM_DESTROY without unhooking): the window is gone.
    void WindowDestroyed() override
    {
        if (TkvMainWnd* w = std::exchange(wrapper_, nullptr)) {
            w->WndProcThunk = nullptr;
            w->PrevWndProcPtr = nullptr;
            w->Unhooked = true;
        }
        Release();
    }

private:
    TkvMainWnd* wrapper_;
};

namespace {
TkvWrapperFactory scrollWndFactory = nullptr;
TkvWrapperFactory editWndFactory = nullptr;
void (*menuWrappersFreer)() = nullptr;
HMODULE user32Lib = nullptr;
HMODULE comctl32Lib = nullptr;

unsigned Command(const TMessage& m) { return HIWORD(m.WParam); }
}  // namespace

// ---------------------------------------------------------------- TkvMainWnd

// Told when the wrapper's manager is freed: a wrapper may outlive it (the
// skin goes, the window stays), and must not ask a freed manager anything.
class TkvMainWnd::ManagerWatch : public TComponent {
public:
    explicit ManagerWatch(TkvMainWnd* w) : TComponent(nullptr), wrapper_(w) {}
    ~ManagerWatch() override
    {
        if (watched_) RemoveFreeNotification(watched_);
    }
    void Watch(TsSkinManager* m)
    {
        if (watched_ == m) return;
        if (watched_) RemoveFreeNotification(watched_);
        watched_ = m;
        if (m) FreeNotification(m);
    }

protected:
    void Notification(TComponent* c, TOperation op) override
    {
        TComponent::Notification(c, op);
        if (op == TOperation::opRemove && c == watched_) {
            watched_ = nullptr;
            if (wrapper_->SkinManager == c) wrapper_->SkinManager = nullptr;
        }
    }

private:
    TkvMainWnd* wrapper_;
    TsSkinManager* watched_ = nullptr;
};

void TkvMainWnd::WatchManager()
{
    if (!managerWatch_) managerWatch_ = std::make_unique<ManagerWatch>(this);
    managerWatch_->Watch(SkinManager);
}

TkvMainWnd::TkvMainWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager,
                       const String& skinSection, bool repaint)
    : TkvMainWnd(handle, commonData, skinManager, skinSection, repaint, true)
{
}

TkvMainWnd::TkvMainWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager,
                       const String& skinSection, bool repaint, bool baseTheme)
    : Handle(handle), repaint_(repaint)
{
    // Visual styles off, except for the dialog section, the popup-menu windows
    // (which override HookSelf and ask for it themselves), dialog mode, and a
    // provider form that does not draw its own frame.
    bool providerOwned = commonData && commonData->OwnerIsProvider();
    bool providerDraws = providerOwned && ProviderOf(handle).PaintsNonClient();
    if (baseTheme && SetWindowThemeFn && (!commonData || !providerOwned || providerDraws) && skinSection != L"DIALOG" &&
        !DialogMode)
        SetWindowThemeFn(handle, L" ", L" ");

    SkinManager = skinManager;
    if (commonData) {
        CommonData = commonData;
        if (!SkinManager) SkinManager = commonData->SkinManager();
    } else {
        CommonData = new TsCommonData(nullptr, true);
        OwnsCommonData = true;
        if (skinManager) CommonData->SetSkinManager(skinManager);
        if (!SkinManager) SkinManager = CommonData->SkinManager();
    }
    if (UseCustomFonts || CommonData->CustomFont()) CommonData->SetCustomFont(true);
    // The common data stores an empty name as "UNKNOWN": both count as empty.
    const String& own = CommonData->SkinSection();
    if ((own.empty() || own == L"UNKNOWN") && !skinSection.empty()) CommonData->SetSkinSection(skinSection);
    InDialog = DialogMode;
    Reserved = 0;
    WatchManager();
}

void TkvMainWnd::Attach()
{
    SaveOwnColors();
    ColorsApplied = false;
    WndText = ReadWindowText(Handle);
    HookSelf(repaint_);
    if (TControl* c = OwnerControl(); c && !Unhooked) {
        SavedControlStyle = c->ControlStyle();
        StyleSaved = true;
        c->SetControlStyle(SavedControlStyle | csOpaque);
    }
}

void TkvMainWnd::HookSelf(bool) { HookWindow(this, Handle); }

TControl* TkvMainWnd::OwnerControl() const { return CommonData ? CommonData->OwnerControl : nullptr; }

bool TkvMainWnd::HasPrevious() const { return (methodHook_ && methodHook_->Hooked()) || WndProcThunk; }

TkvMainWnd::~TkvMainWnd()
{
    if (!Unhooked) {
        TControl* c = OwnerControl();
        if (c && StyleSaved && !c->Destroying()) c->SetControlStyle(SavedControlStyle);
        // Given back whatever the adapter is doing: a control that outlives
        // its wrapper must not call into a freed one. RestoreProcedure
        // leaves a control that is being destroyed alone.
        RestoreProcedure();
        if (Handle && GetPropW(Handle, WrapperPropName) == this) RemovePropW(Handle, WrapperPropName);
        if (CommonData && SkinManager) RestoreOwnColors();
    } else {
        RestoreProcedure();   // a pass-through layer left from a destroyed window
    }
    if (SetWindowThemeFn && Handle && IsWindow(Handle)) {
        bool providerOwned = CommonData && CommonData->OwnerIsProvider();
        if (providerOwned ? ProviderOf(Handle).PaintsNonClient() : (!CommonData || CommonData->ControlKind != 10))
            SetWindowThemeFn(Handle, nullptr, nullptr);
    }
    Unhooked = true;
    if (OwnsCommonData) delete CommonData;
    CommonData = nullptr;
    SkinManager = nullptr;
    managerWatch_.reset();
}

bool TkvMainWnd::RestoreProcedure()
{
    bool restored = false;
    if (methodHook_) {
        if (hookedControl_ && hookedControl_->Destroying()) {
            methodHook_->Forget();   // the control is going; its record passes messages through
        } else {
            restored = methodHook_->Unhook();
        }
        methodHook_.reset();
        hookedControl_ = nullptr;
        PrevWindowProc = nullptr;
    }
    if (TkvWrapperLayer* layer = std::exchange(WndProcThunk, nullptr)) {
        layer->Forget();
        restored = layer->Unhook();
        layer->Release();
        PrevWndProcPtr = nullptr;
    }
    return restored;
}

void TkvMainWnd::CallPrevWndProc(TMessage& m)
{
    if (methodHook_ && methodHook_->Hooked())
        methodHook_->CallPrevious(m);
    else if (WndProcThunk)
        WndProcThunk->Pass(m);
    else
        m.Result = 0;
}

LRESULT TkvMainWnd::CallPrevWndProc(HWND, UINT msg, WPARAM wParam, LPARAM& lParam)
{
    TMessage m{msg, wParam, lParam, 0};
    CallPrevWndProc(m);
    lParam = m.LParam;
    return m.Result;
}

void TkvMainWnd::WndProcEntry(TMessage& message)
{
    // Nothing raises out of a window procedure.
    try {
        WndProc(message);
    } catch (...) {
        message.Result = 0;
    }
}

void TkvMainWnd::HandleDestroy(TMessage& m)
{
    if (auto* owner = dynamic_cast<TWinControl*>(OwnerControl())) {
        for (int i = 0; i < owner->ControlCount(); ++i) {
            TControl* c = owner->Controls(i);
            if (c->InheritsFrom(L"TSpeedButton")) c->Perform(WM_DESTROY);
        }
    }
    if (CommonData && CommonData->GlowHandle >= 0) HideGlow(CommonData->GlowHandle);
    if (HasPrevious()) {
        CallPrevWndProc(m);
        if (m.Result == 0) {
            try {
                TkvMainWnd* self = this;
                UnhookWindow(Handle, false, false, self);
            } catch (...) {
                m.Result = 1;
            }
        }
    } else {
        // Sending the message to the window again would come back here.
        m.Result = DefWindowProcW(Handle, m.Msg, m.WParam, m.LParam);
    }
}

void TkvMainWnd::WndProc(TMessage& m)
{
    switch (m.Msg) {
    case WM_DESTROY:
    case WM_NCDESTROY:
        HandleDestroy(m);
        return;
    case WM_SIZE:
        if (CommonData) CommonData->BackgroundChanged = true;
        break;
    case WM_SETTEXT:
        CallPrevWndProc(m);
        WndText = ReadWindowText(Handle);
        return;
    case WM_CONTEXTMENU:
        // The owner's popup menu shows skinned while the manager is active.
        if (TControl* owner = OwnerControl(); owner && owner->PopupMenu() && SkinManager)
            SkinManager->SkinableMenus().AttachMenu(owner->PopupMenu(), SkinManager->Active());
        break;
    case WM_MOUSEMOVE:
        if (DefaultManager && !(DefaultManager->ComponentState() & csDesigning) && IsWindowEnabled(Handle) &&
            DefaultManager->HotWindow() != Handle)
            DefaultManager->SetHotWindow(Handle);
        break;
    case WM_PRINT:
        m.Result = SendMessageW(Handle, WM_PAINT, m.WParam, m.LParam);
        return;
    case WM_UPDATEUISTATE:
        return;
    case WM_HSCROLL:
    case WM_VSCROLL:
        // Our scroll bars may put the thumb position into LParam; a native
        // window reads LParam as the scroll-bar control that sent it.
        if (WndProcThunk && m.LParam && GetParent(reinterpret_cast<HWND>(m.LParam)) != Handle) m.LParam = 0;
        break;
    default:
        break;
    }
    if (!CommonData || !SkinManager || !SkinManager->Active() || m.Msg != SkinCommandMessage) {
        CallPrevWndProc(m);
        return;
    }
    HandleSkinCommand(m);
}

bool TkvMainWnd::CacheWindowCommand(TMessage& m, TWinControl* children, bool (*renderCache)(TkvMainWnd&))
{
    switch (Command(m)) {
    case SkinCmdNewSkin:
    case SkinCmdRefresh:
        TkvMainWnd::WndProc(m);
        BroadcastSkinCommand(OwnerControl(), Handle, m);
        return true;
    case SkinCmdRemoveSkin:
        CommonData->SectionIndex = -1;
        return false;
    case SkinCmdParentUpdated:
        if (CommonData->Updating) {
            CommonData->Updating = false;
            RedrawWindow(Handle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        }
        RefreshChildControls(children);
        return true;
    case SkinCmdIsSkinned:
        m.Result = 1;
        return true;
    case SkinCmdClearBackgroundChanged:
        renderCache(*this);
        return false;
    case SkinCmdGetApplication:
        m.Result = LRESULT(Application);
        return true;
    default:
        return false;
    }
}

bool TkvMainWnd::CacheWindowPaint(TMessage& m, void (*client)(TkvMainWnd&, HDC), void (*frame)(TkvMainWnd&, HDC))
{
    switch (m.Msg) {
    case WM_PAINT:
        if (m.WParam) client(*this, HDC(m.WParam));   // a parent painting its children into its own DC
        else PaintThroughErase();
        return true;
    case WM_ERASEBKGND:
        client(*this, HDC(m.WParam));
        m.Result = 1;
        return true;
    case WM_NCPAINT:
        frame(*this, nullptr);
        m.Result = 0;
        return true;
    case WM_PRINT:
        client(*this, HDC(m.WParam));
        frame(*this, HDC(m.WParam));
        return true;
    default:
        return false;
    }
}

void TkvMainWnd::PaintThroughErase()
{
    InvalidateRect(Handle, nullptr, TRUE);
    ValidateByPainting();
}

void TkvMainWnd::ValidateByPainting()
{
    PAINTSTRUCT ps{};
    BeginPaint(Handle, &ps);
    EndPaint(Handle, &ps);
}

void TkvMainWnd::HandleSkinCommand(TMessage& m)
{
    bool ours = reinterpret_cast<TsSkinManager*>(m.LParam) == SkinManager;
    switch (Command(m)) {
    case SkinCmdNewSkin:
        if (ours) {
            CommonData->UpdateIndexes();
            CommonData->BackgroundChanged = true;
            BroadcastSkinCommand(OwnerControl(), Handle, m);
        }
        CallPrevWndProc(m);
        return;
    case SkinCmdRemoveSkin:
        if (ours) RestoreOwnColors();
        CallPrevWndProc(m);
        return;
    case SkinCmdRefresh:
        if (!ours) break;
        CommonData->UpdateIndexes();
        CommonData->BackgroundChanged = true;
        CommonData->Updating = false;
        if (IsWindowVisible(Handle)) {
            // Invalidated and painted now rather than a bare WM_PAINT, which
            // would leave the update region unvalidated.
            RedrawWindow(Handle, nullptr, nullptr,
                         RDW_INVALIDATE | RDW_FRAME | (RefreshPaintDeferred ? 0 : RDW_UPDATENOW));
            BroadcastSkinCommand(OwnerControl(), Handle, m);
        }
        return;
    case SkinCmdParentUpdated:
        if (!CommonData->Updating) break;
        CommonData->Updating = false;
        CommonData->Updating = CommonData->IsUpdating();
        if (!CommonData->Updating) {
            SendMessageW(Handle, WM_NCPAINT, 1, 0);
            RedrawWindow(Handle, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
            if (auto* owner = dynamic_cast<TWinControl*>(OwnerControl())) RefreshChildControls(owner);
        }
        return;
    case SkinCmdIsSkinned:
        m.Result = 1;
        return;
    case SkinCmdIsUpdating:
        m.Result = CommonData->IsUpdating() ? 1 : 0;
        return;
    case SkinCmdSetSection:
        if (auto* r = SkinCommandPointer<const TsSetSectionRecord>(m); r && r->SectionName)
            CommonData->SetSkinSection(r->SectionName);
        break;
    case SkinCmdIsTransparent:
        if (OwnerControl() && ::HandleSkinCommand(m, CommonData)) return;
        break;
    case SkinCmdGetBkColor:
        m.Result = 0;
        CallPrevWndProc(m);
        if (m.Result == 0) m.Result = LRESULT(CommonData->GetStateColor(0, Handle));
        return;
    case SkinCmdClearBackgroundChanged:
        PaintWrapperBackground(CommonData, Handle, false);
        break;
    case SkinCmdGetBackground:
        m.Result = 0;
        if (auto* r = SkinCommandPointer<TsBgRequest>(m)) CommonData->AnswerBgRequest(*r, 0, Handle);
        return;
    case SkinCmdGetSkinData:
        m.Result = reinterpret_cast<LRESULT>(CommonData);
        return;
    case SkinCmdSetPrintTarget:
        if (m.LParam)
            CommonData->SkinState |= ssPrinting;
        else
            CommonData->SkinState &= uint16_t(~ssPrinting);
        CommonData->PrintTarget = reinterpret_cast<HDC>(m.LParam);
        break;
    case SkinCmdGetApplication:
        m.Result = reinterpret_cast<LRESULT>(Application);
        return;
    default:
        break;
    }
    CallPrevWndProc(m);
}

// ---------------------------------------------------------------- attaching

void HookWindow(TkvMainWnd* w, HWND handle)
{
    if (!w) return;
    w->Scrolling = false;
    w->Handle = handle;
    // The property names the wrapper only once it is in the window's chain: a
    // wrapper that could not hook (the window has no room for another layer,
    // or is not ours to subclass) is no window's wrapper.
    auto hooked = [&] {
        SetPropW(handle, WrapperPropName, HANDLE(w));
        w->Unhooked = false;
    };
    TsCommonData* data = w->CommonData;
    TControl* target = nullptr;
    if (data && data->OwnerIsProvider()) {
        target = data->OwnerInterface() ? data->OwnerInterface()->SkinOwnerForm() : nullptr;
        if (!target) target = ProviderOf(handle).Form();
    } else if (data && data->OwnerControl) {
        target = data->OwnerControl;
    }
    if (target) {
        w->methodHook_ = std::make_unique<TWindowProcHook>();
        w->PrevWindowProc = target->WindowProc;
        if (w->methodHook_->Hook(target, TWndMethod(w, &TkvMainWnd::WndProcEntry))) {
            w->hookedControl_ = target;
            hooked();
        } else {
            w->methodHook_.reset();
            w->PrevWindowProc = nullptr;
            w->Unhooked = true;
        }
        return;
    }
    auto* layer = new TkvWrapperLayer(w);
    WNDPROC before = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(handle, GWLP_WNDPROC));
    if (layer->Hook(handle)) {
        w->PrevWndProcPtr = before;
        w->WndProcThunk = layer;
        hooked();
    } else {
        delete layer;
        w->Unhooked = true;
    }
}

bool UnhookWindow(HWND handle, bool free, bool repaint, TkvMainWnd*& wrapper)
{
    if (!wrapper) return false;
    bool restored = false;
    if (!wrapper->Unhooked) {
        // Restored only while still ours; with another subclass on top the
        // wrapper's layer stays in the chain passing messages through. Either
        // way no further unhooking is tried.
        restored = wrapper->RestoreProcedure();
        wrapper->Unhooking();
        if (GetPropW(handle, WrapperPropName) == HANDLE(wrapper)) RemovePropW(handle, WrapperPropName);
        wrapper->RestoreOwnColors();
        // The control's own style comes back with its colours (attaching made it opaque).
        TControl* owner = wrapper->OwnerControl();
        if (owner && wrapper->StyleSaved && !owner->Destroying()) owner->SetControlStyle(wrapper->SavedControlStyle);
        if (IsWindowVisible(handle)) RefreshFrame(handle, repaint);
        wrapper->Unhooked = true;
    }
    if (free) {
        wrapper->PrevWndProcPtr = nullptr;
        wrapper->PrevWindowProc = nullptr;
        delete wrapper;
        wrapper = nullptr;
    }
    return restored;
}

bool UnhookScrollWnd(HWND handle, bool free, bool repaint, TkvMainWnd*& wrapper)
{
    return UnhookWindow(handle, free, repaint, wrapper);
}

TkvMainWnd* GetWrapper(HWND handle)
{
    if (!handle) return nullptr;
    return static_cast<TkvMainWnd*>(GetPropW(handle, WrapperPropName));
}

TkvScrollBar* GetScrollBarOf(HWND handle, int kind)
{
    if (kind != 0 && kind != 1) return nullptr;
    TkvMainWnd* w = GetWrapper(handle);
    return w ? w->ScrollBar(kind) : nullptr;
}

bool SetMinThumbSize(HWND handle, int which, int size)
{
    TkvMainWnd* w = GetWrapper(handle);
    return w && w->SetMinThumb(which, size);
}

void RefreshFrame(HWND handle, bool recalculate)
{
    if (recalculate)
        SetWindowPos(handle, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    else
        SendMessageW(handle, WM_NCPAINT, 1, 0);
}

namespace {
bool OwnerBusy(TControl* c)
{
    return c && (c->ComponentState() & (csLoading | csDestroying | csDesigning)) != 0;
}

HWND OwnerHandle(TsCommonData* data)
{
    if (auto* wc = dynamic_cast<TWinControl*>(data->OwnerControl))
        return wc->HandleAllocated() ? wc->Handle() : nullptr;
    return data->OwnerWindow();
}

void UpdateWrapper(TsCommonData* data, TkvMainWnd*& wnd, TkvWrapperFactory factory, bool flat)
{
    if (!data || OwnerBusy(data->OwnerControl)) return;
    HWND h = OwnerHandle(data);
    if (!h) return;
    if (data->IsSkinned(false)) {
        if (flat && UninitializeFlatSBFn) UninitializeFlatSBFn(h);
        if (wnd && wnd->Unhooked) {
            delete wnd;
            wnd = nullptr;
        }
        if (!wnd && factory) wnd = factory(h, data, data->SkinManager(), data->SkinSection(), true);
    } else {
        delete wnd;
        wnd = nullptr;
        if (flat && InitializeFlatSBFn) InitializeFlatSBFn(h);
    }
}
}  // namespace

void UpdateScrollWnd(TsCommonData* data, TkvMainWnd*& wnd) { UpdateWrapper(data, wnd, scrollWndFactory, true); }
void UpdateEditWnd(TsCommonData* data, TkvMainWnd*& wnd) { UpdateWrapper(data, wnd, editWndFactory, false); }
void RegisterScrollWndFactory(TkvWrapperFactory f) { scrollWndFactory = f; }
void RegisterEditWndFactory(TkvWrapperFactory f) { editWndFactory = f; }
void RegisterMenuWrappersFreer(void (*freer)()) { menuWrappersFreer = freer; }

std::vector<TkvMainWnd*>& PageWnds()
{
    static std::vector<TkvMainWnd*> list;
    return list;
}

// ---------------------------------------------------------------- shared routines

HFONT CreateNCFont(int kind)
{
    NONCLIENTMETRICSW m{};
    // The size before the padded-border field: what every system accepts.
    m.cbSize = offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth);
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, m.cbSize, &m, 0)) return nullptr;
    switch (kind) {
    case 1: return CreateFontIndirectW(&m.lfCaptionFont);
    case 2: return CreateFontIndirectW(&m.lfSmCaptionFont);
    case 3: return CreateFontIndirectW(&m.lfMenuFont);
    case 4: return CreateFontIndirectW(&m.lfStatusFont);
    case 5: return CreateFontIndirectW(&m.lfMessageFont);
    default: return nullptr;
    }
}

namespace {
void AssignFontHandle(TCanvas& canvas, HFONT f)
{
    if (!f) return;
    LOGFONTW lf{};
    GetObjectW(f, sizeof lf, &lf);
    DeleteObject(f);
    canvas.Font().Set(lf.lfFaceName, lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight,
                      (lf.lfWeight >= FW_BOLD ? unsigned(fsBold) : 0u) | (lf.lfItalic ? unsigned(fsItalic) : 0u) |
                          (lf.lfUnderline ? unsigned(fsUnderline) : 0u) |
                          (lf.lfStrikeOut ? unsigned(fsStrikeOut) : 0u),
                      canvas.Font().Color());
    SelectObject(canvas.Handle(), canvas.Font().Handle());
}
}  // namespace

void SelectNCFont(TCanvas& canvas, int kind) { AssignFontHandle(canvas, CreateNCFont(kind)); }

void SelectWndFont(TkvMainWnd* w)
{
    if (!w || !w->CommonData || !w->CommonData->CacheBitmap) return;
    TCanvas& canvas = w->CommonData->CacheBitmap->Canvas();
    if (TControl* c = w->OwnerControl()) {
        canvas.Font().Assign(&c->Font());
        SelectObject(canvas.Handle(), canvas.Font().Handle());
        return;
    }
    if (auto f = reinterpret_cast<HFONT>(SendMessageW(w->Handle, WM_GETFONT, 0, 0))) {
        LOGFONTW lf{};
        if (GetObjectW(f, sizeof lf, &lf)) {
            AssignFontHandle(canvas, CreateFontIndirectW(&lf));
            return;
        }
    }
    SelectNCFont(canvas, 5);
}

void BroadcastSkinCommand(TControl* ownerControl, HWND handle, TMessage& message)
{
    if (auto* wc = dynamic_cast<TWinControl*>(ownerControl))
        ForwardToControls(wc, message);
    else if (!ownerControl && handle)
        BroadcastToChildWindows(handle, message);
}

bool IsBorderStateful(const TsCommonData* data)
{
    if (!data || StateImagesSuppressed) return false;
    TsSkinManager* m = data->SkinManager();
    if (!m || !m->IsSectionIndexValid(data->SectionIndex) || !m->IsMaskIndexValid(data->BorderMaskIndex))
        return false;
    return m->ma()[size_t(data->BorderMaskIndex)].FrameCount > 1 || m->gd()[size_t(data->SectionIndex)].States > 1;
}

namespace {
const TPropInfo* OrdinalProp(TObject* c, const String& name)
{
    if (!c) return nullptr;
    const TPropInfo* p = GetPropInfo(c, name);
    return p && p->IsOrdinal() && p->GetOrd ? p : nullptr;
}
}  // namespace

void SetPropColor(TObject* c, const String& name, TColor value)
{
    if (const TPropInfo* p = OrdinalProp(c, name); p && p->SetOrd) p->SetOrd(c, int64_t(value));
}

TColor GetPropColor(TObject* c, const String& name)
{
    const TPropInfo* p = OrdinalProp(c, name);
    return p ? ColorToRGB(TColor(p->GetOrd(c))) : 0;
}

int GetPropInt(TObject* c, const String& name)
{
    const TPropInfo* p = OrdinalProp(c, name);
    return p ? int(p->GetOrd(c)) : 0;
}

void GetWndGeometry(HWND handle, HWND& parentHandle, RECT& windowArea, POINT& posInParent, SIZE& windowExtent,
                    RECT& parentRect)
{
    GetWindowRect(handle, &windowArea);
    windowExtent = SIZE{windowArea.right - windowArea.left, windowArea.bottom - windowArea.top};
    parentHandle = GetParent(handle);
    posInParent = POINT{windowArea.left, windowArea.top};
    parentRect = RECT{};
    if (parentHandle) {
        ScreenToClient(parentHandle, &posInParent);
        GetWindowRect(parentHandle, &parentRect);
    }
}

void SendToTopParent(HWND handle)
{
    HWND top = handle;
    while (HWND p = GetParent(top))
        top = p;
    if (top) SendMessageW(top, SkinCommandMessage, MAKEWPARAM(0, SkinCmdControlChanged), 0);
}

// ---------------------------------------------------------------- painting

namespace {
// The edit-text inset of a disabled edit: 0 without border, else the border's
// width, one more on the left, top and right for a single border.
RECT DisabledTextRect(TControl* c, const RECT& whole)
{
    int e = 0;
    bool single = false;
    if (GetPropInt(c, L"BorderStyle") != 0) {
        e = 1 + (GetPropInt(c, L"Ctl3D") ? 1 : 0);
        if (GetPropInt(c, L"BevelKind") != 0)
            e += (GetPropInt(c, L"BevelInner") != 0 ? 1 : 0) + (GetPropInt(c, L"BevelOuter") != 0 ? 1 : 0);
        single = true;
    }
    RECT r = whole;
    InflateRect(&r, -e, -e);
    if (single) {
        r.left += 1;
        r.top += 1;
        r.right -= 1;
    }
    return r;
}
}  // namespace

void PaintWrapperBackground(TsCommonData* data, HWND handle, bool plain)
{
    if (!data || !handle || !data->BackgroundChanged) return;
    RECT wr{};
    GetWindowRect(handle, &wr);
    int w = wr.right - wr.left, h = wr.bottom - wr.top;
    data->PrepareCacheBitmap();
    TBitmap* cache = data->CacheBitmap.get();
    if (!cache || w <= 0 || h <= 0) return;

    TsBgCacheInfo info = EmptyBgCacheInfo;
    HWND parent = GetParent(handle);
    POINT pos{wr.left, wr.top};
    if (parent) {
        ScreenToClient(parent, &pos);
        TsBgRequest request;
        GetParentBgByHandle(request, parent, false);
        if (request.Kind == bgNotReady) {
            data->Updating = true;
            return;
        }
        BgRequestToCacheInfo(request, info);
        if (request.Bmp) {
            // The parent answers where its own origin lies in its picture; this
            // window lies further in.
            info.X += pos.x;
            info.Y += pos.y;
        }
    }
    cache->SetSize(w, h);

    TsSkinManager* m = data->SkinManager();
    TControl* owner = data->OwnerControl;
    RECT whole{0, 0, w, h};
    TColor border = DefaultManager ? TColor(DefaultManager->Palette()[27]) : TColor(SkinKeyColor);
    if (plain && DefaultManager && border != TColor(SkinKeyColor)) {
        HDC dc = cache->Canvas().Handle();
        HBRUSH fill = CreateSolidBrush(GetSysColor(COLOR_WINDOW));
        FillRect(dc, &whole, fill);
        DeleteObject(fill);
        HBRUSH frame = CreateSolidBrush(ColorToRGB(border));
        FrameRect(dc, &whole, frame);
        DeleteObject(frame);
    } else if (parent && m && m->IsSectionIndexValid(data->SectionIndex)) {
        bool hot = (data->Focused || data->MouseInside) && IsBorderStateful(data);
        int state = hot ? 1 : 0;
        bool plainList = owner && owner->InheritsFrom(L"TCustomListBox") && GetPropInt(owner, L"BorderStyle") == 0;
        if (plainList)
            PaintSkinDataBackground(*data, info, state, cache, POINT{0, 0}, whole);
        else
            PaintControlSkin(*data, info, -1, -1, 0, cache, POINT{0, 0}, whole, state);
    }

    if (owner && !owner->Enabled()) {
        if (owner->InheritsFrom(L"TCustomEdit")) {
            TCanvas& canvas = cache->Canvas();
            canvas.Font().Assign(&owner->Font());
            SelectObject(canvas.Handle(), canvas.Font().Handle());
            String text = owner->Text();
            if (int pc = GetPropInt(owner, L"PasswordChar"); pc != 0) text.assign(text.size(), wchar_t(pc));
            TsManagerTextSkin skin(m);
            TsControlTextData td = ControlTextDataOf(*data, m ? &skin : nullptr, false);
            bool rtl = (GetWindowLongPtrW(handle, GWL_EXSTYLE) & WS_EX_RTLREADING) != 0;
            UINT format = DT_SINGLELINE | DT_NOPREFIX | (rtl ? (DT_RIGHT | DT_RTLREADING) : 0);
            DrawControlText(canvas, text, false, false, td, format, DisabledTextRect(owner, whole));
        }
        uint8_t look = 1;
        SendSkinCommand(handle, TsSkinCommand::QueryDisabledLook, LPARAM(&look));
        if (look) ApplyDisabledEffect(cache, look, owner, pos, info);
    }
    data->BackgroundChanged = false;
}

void PaintBorderMaskCorners(TsCommonData* data, int state, TkvMainWnd* wrapper)
{
    if (!data || !wrapper || wrapper->InDialog || !data->CacheBitmap) return;
    TsSkinManager* m = data->SkinManager();
    if (!m || !m->IsMaskIndexValid(data->BorderMaskIndex)) return;
    TBitmap* cache = data->CacheBitmap.get();
    if (cache->Width() <= 1 || cache->Height() <= 1) return;
    const TsMaskData& mask = m->ma()[size_t(data->BorderMaskIndex)];
    int states = mask.FrameCount > 0 ? mask.FrameCount : 1;
    if (state > states - 1) state = states - 1;
    if (state < 0) state = 0;

    HWND parent = GetParent(wrapper->Handle);
    if (!parent) return;
    TsBgRequest request;
    request.OffsetX = wrapper->PosInParent.x;
    request.OffsetY = wrapper->PosInParent.y;
    GetParentBgByHandle(request, parent, false);
    PixelView parentView;
    int px = 0, py = 0;
    uint32_t color = SkinKeyColor;
    if (request.Kind == bgBitmap && request.Bmp && request.Bmp->Width() > 0 &&
        request.Bmp->PixelFormat() == TPixelFormat::pf32bit) {
        GdiFlush();
        parentView = request.Bmp->View();
        px = request.OffsetX + wrapper->PosInParent.x;
        py = request.OffsetY + wrapper->PosInParent.y;
    } else if (request.Kind == bgColor) {
        color = uint32_t(ColorToRGB(request.Color)) & 0xFFFFFFu;
    } else {
        return;
    }
    GdiFlush();
    skinpaint::FillMaskCorners(cache->View(), m->Tables(), data->BorderMaskIndex, state, 15, parentView, px, py, color);
}

// ---------------------------------------------------------------- unit start-up and shut-down

void InitMainWndUnit()
{
    if (!user32Lib) user32Lib = LoadLibraryW(L"user32.dll");
    if (user32Lib)
        GetScrollBarInfoFn = reinterpret_cast<TGetScrollBarInfoFn>(
            reinterpret_cast<void*>(GetProcAddress(user32Lib, "GetScrollBarInfo")));
    if (!comctl32Lib) comctl32Lib = LoadLibraryW(L"comctl32.dll");
    if (comctl32Lib) {
        UninitializeFlatSBFn =
            reinterpret_cast<TFlatSBFn>(reinterpret_cast<void*>(GetProcAddress(comctl32Lib, "UninitializeFlatSB")));
        InitializeFlatSBFn =
            reinterpret_cast<TFlatSBFn>(reinterpret_cast<void*>(GetProcAddress(comctl32Lib, "InitializeFlatSB")));
    }
}

void DoneMainWndUnit()
{
    if (menuWrappersFreer) menuWrappersFreer();
    std::vector<TkvMainWnd*> pages = std::move(PageWnds());
    PageWnds().clear();
    for (TkvMainWnd* w : pages)
        delete w;
    GetScrollBarInfoFn = nullptr;
    InitializeFlatSBFn = UninitializeFlatSBFn = nullptr;
    if (user32Lib) FreeLibrary(std::exchange(user32Lib, nullptr));
    if (comctl32Lib) FreeLibrary(std::exchange(comctl32Lib, nullptr));
}
