#include "skin/controls/EditWnd.h"

#include <algorithm>

#include "classlib/Forms.h"
#include "classlib/ListControls.h"
#include "classlib/TypInfo.h"
#include "skin/core/Animations.h"
#include "skin/core/BgRequest.h"
#include "skin/core/ControlPaint.h"
#include "skin/core/ControlTreePaint.h"
#include "skin/core/SkinManager.h"
#include "skin/graphics/Constants.h"
#include "skin/graphics/SkinCommands.h"

namespace {

unsigned Command(const TMessage& m) { return HIWORD(m.WParam); }
int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

// A reflected message the class library never sends; swallowed so that a
// control procedure that does not know it cannot act on it.
constexpr UINT kSwallowedReflection = 0x2100;
// The class library's reflected key messages (only used to refresh the bars).
constexpr UINT kReflectedKeyDown = 0xBD00;
constexpr UINT kReflectedKeyUp = 0xBD01;

bool ClipEmpty(HDC dc)
{
    RECT r;
    return GetClipBox(dc, &r) == NULLREGION;
}

bool SystemVersion6OrLater()
{
    static const bool v6 = [] {
        OSVERSIONINFOW v{};
        v.dwOSVersionInfoSize = sizeof v;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        if (!GetVersionExW(&v)) return true;
#pragma GCC diagnostic pop
        return v.dwMajorVersion >= 6;
    }();
    return v6;
}

TColor OwnerFocusColor(TControl* c, bool& has)
{
    const TPropInfo* p = c ? GetPropInfo(c, L"FocusColor") : nullptr;
    has = p && p->IsOrdinal() && p->GetOrd;
    return has ? TColor(p->GetOrd(c)) : clNone;
}

void SetOwnerFocusColor(TControl* c, TColor v)
{
    const TPropInfo* p = c ? GetPropInfo(c, L"FocusColor") : nullptr;
    if (p && p->IsOrdinal() && p->SetOrd) p->SetOrd(c, int64_t(v));
}

bool ControlBusy(TControl* c)
{
    return c && (c->ComponentState() & (csLoading | csDestroying)) != 0;
}

}  // namespace

// ---------------------------------------------------------------- TkvBaseWnd

struct TkvBaseWnd::HandlerRecord {
    TComponent* Holder = nullptr;   // nil once the holder was freed (or none was given)
    bool HolderGiven = false;
    std::function<bool()> StillOurs;
    std::function<void()> PutBack;
};

// Told when a component that holds an installed event is freed: its event
// can no longer be given back.
class TkvBaseWnd::HolderWatch : public TComponent {
public:
    explicit HolderWatch(TkvBaseWnd* w) : TComponent(nullptr), wrapper_(w) {}
    ~HolderWatch() override
    {
        for (TComponent* c : watched_)
            RemoveFreeNotification(c);
    }
    void Watch(TComponent* c)
    {
        if (!c || std::find(watched_.begin(), watched_.end(), c) != watched_.end()) return;
        watched_.push_back(c);
        FreeNotification(c);
    }

protected:
    void Notification(TComponent* c, TOperation op) override
    {
        TComponent::Notification(c, op);
        if (op != TOperation::opRemove) return;
        watched_.erase(std::remove(watched_.begin(), watched_.end(), c), watched_.end());
        for (auto& h : wrapper_->handlers_)
            if (h->Holder == c) h->Holder = nullptr;
    }

private:
    TkvBaseWnd* wrapper_;
    std::vector<TComponent*> watched_;
};

TkvBaseWnd::TkvBaseWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
                       bool repaint)
    : TkvBaseWnd(handle, commonData, skinManager, skinSection, repaint, true)
{
}

TkvBaseWnd::TkvBaseWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
                       bool repaint, bool baseTheme)
    : TkvScrollWnd(handle, commonData, skinManager, skinSection, repaint, baseTheme)
{
}

TkvBaseWnd::~TkvBaseWnd() { RestoreHandlers(); }

void TkvBaseWnd::AddHandlerRestore(TComponent* holder, std::function<bool()> stillOurs, std::function<void()> putBack)
{
    auto h = std::make_unique<HandlerRecord>();
    h->Holder = holder;
    h->HolderGiven = holder != nullptr;
    h->StillOurs = std::move(stillOurs);
    h->PutBack = std::move(putBack);
    if (holder) {
        if (!holderWatch_) holderWatch_ = std::make_unique<HolderWatch>(this);
        holderWatch_->Watch(holder);
    }
    handlers_.push_back(std::move(h));
}

void TkvBaseWnd::RestoreHandlers()
{
    // Latest first, so that two handlers on one event unwind in order.
    std::vector<std::unique_ptr<HandlerRecord>> list = std::move(handlers_);
    handlers_.clear();
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        HandlerRecord& h = **it;
        if (h.HolderGiven && (!h.Holder || (h.Holder->ComponentState() & csDestroying))) continue;
        if (h.StillOurs && h.StillOurs() && h.PutBack) h.PutBack();
    }
    holderWatch_.reset();
}

void TkvBaseWnd::Unhooking()
{
    RestoreHandlers();
    TkvScrollWnd::Unhooking();
}

void TkvBaseWnd::AfterBaseMessage(TMessage& m)
{
    if (Unhooked || !IsWindow(Handle)) return;
    switch (m.Msg) {
    case WM_SIZE:
    case WM_HSCROLL:
    case WM_VSCROLL:
        if (!Scrolling) RefreshScrollBars(true);
        break;
    case WM_ENABLE:
    case CM_ENABLEDCHANGED:
        if (IsWindowVisible(Handle)) SendMessageW(Handle, WM_NCPAINT, 1, 0);
        break;
    default:
        break;
    }
}

void TkvBaseWnd::WndProc(TMessage& m)
{
    // The manager is no longer active when it announces that its skin is
    // gone: the control's own colours and handlers come back all the same.
    if (!Unhooked && m.Msg == SkinCommandMessage && Command(m) == SkinCmdRemoveSkin && SkinManager &&
        reinterpret_cast<TsSkinManager*>(m.LParam) == SkinManager && !ActiveManager()) {
        RestoreHandlers();
        if (CommonData) RestoreOwnColors();
        TkvScrollWnd::WndProc(m);
        return;
    }
    if (Unhooked || !CommonData || !ActiveManager()) {
        TkvScrollWnd::WndProc(m);
        return;
    }
    if (m.Msg == SkinCommandMessage) {
        bool ours = reinterpret_cast<TsSkinManager*>(m.LParam) == SkinManager;
        switch (Command(m)) {
        case SkinCmdRefresh:
            TkvScrollWnd::WndProc(m);
            // A deferred refresh invalidated the frame: it is painted with the form.
            if (ours && !Unhooked && !RefreshPaintDeferred && IsWindowVisible(Handle))
                SendMessageW(Handle, WM_NCPAINT, 1, 0);
            return;
        case SkinCmdRemoveSkin:
            if (ours) RestoreHandlers();
            break;
        case SkinCmdClearBackgroundChanged:
            PaintWrapperBackground(CommonData, Handle, false);
            break;
        default:
            break;
        }
        TkvScrollWnd::WndProc(m);
        return;
    }
    switch (m.Msg) {
    case WM_SIZE:
    case WM_EXITSIZEMOVE:
        CommonData->BackgroundChanged = true;
        break;
    case WM_SETCURSOR:
        CallPrevWndProc(m);
        return;
    case kSwallowedReflection:
        return;
    default:
        break;
    }
    TkvScrollWnd::WndProc(m);
    AfterBaseMessage(m);
}

// ---------------------------------------------------------------- TkvEditWnd

namespace {
String EditSection(const String& s) { return s.empty() ? String(L"EDIT") : s; }

// The visual-style rule of the edit family: off (a blank theme) without
// common data; with common data only for kinds other than the list view (or
// before version 6), and only when the owner does not publish "UseXPThemes".
bool EditThemeOff(TsCommonData* data, const String& section, const TkvEditOptions& o)
{
    if (!SetWindowThemeFn || section == L"DIALOG" || !o.ThemeAllowed) return false;
    if (!data) return true;
    int kind = o.ControlKind >= 0 ? o.ControlKind : data->ControlKind;
    if (kind == int(TsControlKind::ListView) && SystemVersion6OrLater()) return false;
    return !data->OwnerControl || !IsPublishedProp(data->OwnerControl, L"UseXPThemes");
}
}  // namespace

TkvEditWnd::TkvEditWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
                       bool repaint)
    : TkvEditWnd(handle, commonData, skinManager, skinSection, repaint, TkvEditOptions{})
{
}

TkvEditWnd::TkvEditWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
                       bool repaint, const TkvEditOptions& options)
    : TkvBaseWnd(handle, commonData, skinManager, EditSection(skinSection), repaint, false)
{
    if (options.ControlKind >= 0 && CommonData) CommonData->ControlKind = options.ControlKind;
    if (EditThemeOff(commonData, EditSection(skinSection), options)) SetWindowThemeFn(handle, L" ", L" ");
    if (CommonData && CommonData->ControlKind == int(TsControlKind::AdapterItem))
        CommonData->ControlKind = int(TsControlKind::AdapterEdit);
    if (TControl* c = OwnerControl())
        IsSingleLine = c->InheritsFrom(L"TCustomEdit") && !(GetWindowLongPtrW(handle, GWL_STYLE) & ES_MULTILINE);
    ChildrenChanged = false;
}

TkvEditWnd::~TkvEditWnd()
{
    // The base destructor calls only its own (empty) slot.
    if (!Unhooked && CommonData && SkinManager) RestoreOwnColors();
}

void TkvEditWnd::SaveOwnColors()
{
    TControl* c = OwnerControl();
    if (!c) return;
    OwnColor = c->Color();
    OwnFontColor = c->Font().Color();
    OwnFocusColor = OwnerFocusColor(c, HasFocusColor);
}

void TkvEditWnd::RestoreOwnColors()
{
    ColorsApplied = false;
    if (Handle && IsWindowVisible(Handle))
        SetWindowPos(Handle, nullptr, 0, 0, 0, 0,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_NOACTIVATE);
    TControl* c = OwnerControl();
    if (!c || c->Destroying()) return;
    if (OwnColor != clNone) c->SetColor(OwnColor);
    if (OwnFontColor != clNone) c->Font().SetColor(OwnFontColor);
    if (HasFocusColor) SetOwnerFocusColor(c, OwnFocusColor);
}

void TkvEditWnd::ApplySkinColors()
{
    if (StyleChanging || !CommonData) return;
    // Setting the control's colour sends messages that may come back here.
    StyleChanging = true;
    bool wasUpdating = CommonData->Updating;
    CommonData->Updating = true;
    TsSkinManager* m = ActiveManager();
    const TsGeneralData* section = CommonData->Section();
    if (m && section && m->IsSectionIndexValid(CommonData->SectionIndex)) {
        if (TControl* c = OwnerControl()) {
            bool hot = CommonData->IsHot() && section->States > 1;
            TColor color = CommonData->GetStateColor(hot ? 1 : 0, Handle);
            if (!CommonData->CustomColor()) {
                if (HasFocusColor) {
                    SetPropColor(c, L"Color", color);
                    SetOwnerFocusColor(c, color);
                } else {
                    c->SetColor(color);
                }
            }
            SkinColor = color;
            if (!CommonData->CustomFont() && CommonData->ControlKind != int(TsControlKind::ListView)) {
                TColor font = TColor(ColorToRGB(section->Props[hot ? 1 : 0].FontColor));
                c->Font().SetColor(font);
                if (Unhooked) {
                    StyleChanging = false;
                    return;
                }
            }
        } else {
            SkinColor = InDialog ? TColor(clWindow) : TColor(ColorToRGB(section->Props[0].Color));
        }
        BorderLineColor = TColor(m->Palette()[27]);
        ColorsApplied = true;
        CommonData->BackgroundChanged = true;
        CommonData->Updating = false;
    } else {
        BorderLineColor = 0;
        CommonData->Updating = wasUpdating;
    }
    StyleChanging = false;
}

bool TkvEditWnd::IsDisabledSingleLine() const
{
    TControl* c = OwnerControl();
    return IsSingleLine && c && !c->Enabled();
}

RECT TkvEditWnd::ClientInWindow()
{
    // The client with the bars: everything inside the frame.
    RECT r = GetClientRectInWindow(Handle);
    int vt = VertBar->Visible ? ScrollBarSize(VertBar.get(), true, false) : 0;
    int ht = HorzBar->Visible ? ScrollBarSize(HorzBar.get(), true, false) : 0;
    if (LeftScrollBar)
        r.left -= vt;
    else
        r.right += vt;
    r.bottom += ht;
    CachedClientRect = r;
    return r;
}

bool TkvEditWnd::CacheReady() const
{
    TBitmap* cache = CommonData ? CommonData->CacheBitmap.get() : nullptr;
    return cache && cache->Width() > 0 && cache->Height() > 0 && !CommonData->BackgroundChanged;
}

void TkvEditWnd::UpdateCache()
{
    if (!CommonData || !CommonData->BackgroundChanged) return;
    if (!ColorsApplied) ApplySkinColors();
    CommonData->BackgroundChanged = true;
    PaintWrapperBackground(CommonData, Handle, InDialog);
    if (!CommonData->BackgroundChanged) PaintBorderMaskCorners(CommonData, 0, this);
}

void TkvEditWnd::CopyBorderRing(HDC dc)
{
    if (!CacheReady() || !dc) return;
    TBitmap* cache = CommonData->CacheBitmap.get();
    RECT inner = ClientInWindow();
    int saved = SaveDC(dc);
    ExcludeClipRect(dc, inner.left, inner.top, inner.right, inner.bottom);
    BitBlt(dc, 0, 0, cache->Width(), cache->Height(), cache->Canvas().Handle(), 0, 0, SRCCOPY);
    RestoreDC(dc, saved);
}

void TkvEditWnd::NCPaintMessage(TMessage& m)
{
    m.Result = 0;
    if (!IsWindowVisible(Handle) || StyleChanging || AnimationRunning) return;
    GetWndGeometry(Handle, ParentHandle, WindowArea, PosInParent, WindowExtent, ParentRect);
    if (CommonData->Updating) return;
    HDC dc = GetWindowDC(Handle);
    if (!dc) return;
    if (dc == CommonData->PrintTarget || !ClipEmpty(dc)) {
        UpdateCache();
        CopyBorderRing(dc);
        NCPaint(dc);
    }
    ReleaseDC(Handle, dc);
}

void TkvEditWnd::PaintMessage(TMessage& m)
{
    if (!IsWindowVisible(Handle) || StyleChanging) {
        TkvBaseWnd::WndProc(m);
        return;
    }
    HDC given = HDC(m.WParam);
    if (given && given != CommonData->PrintTarget && ClipEmpty(given)) {
        m.Result = 0;
        return;
    }
    if (IsDisabledSingleLine()) {
        // The cache holds the disabled text: the control does not paint.
        PAINTSTRUCT ps{};
        HDC dc = given ? given : BeginPaint(Handle, &ps);
        UpdateCache();
        if (CacheReady()) {
            RECT inner = ClientInWindow();
            BitBlt(dc, 0, 0, Width(inner), Height(inner), CommonData->CacheBitmap->Canvas().Handle(), inner.left,
                   inner.top, SRCCOPY);
        }
        if (!given) EndPaint(Handle, &ps);
        m.Result = 0;
        return;
    }
    if (CommonData->Updating || (AnimationRunning && !given)) {
        // Nothing is drawn now; the region must still be validated, or the
        // window would get WM_PAINT again at once.
        if (!given) ValidateRect(Handle, nullptr);
        m.Result = 0;
        return;
    }
    if (!ColorsApplied) ApplySkinColors();
    TkvBaseWnd::WndProc(m);
    if (!Unhooked && !given) NCPaint();
}

void TkvEditWnd::EraseBkgndMessage(TMessage& m)
{
    if (!IsWindowVisible(Handle) || StyleChanging) {
        TkvBaseWnd::WndProc(m);
        return;
    }
    HDC dc = HDC(m.WParam);
    if ((dc && ClipEmpty(dc)) || IsDisabledSingleLine() ||
        (SystemVersion6OrLater() && AnimationRunning && dc != CommonData->PrintTarget)) {
        m.Result = 1;
        return;
    }
    if (CommonData->Updating) {
        m.Result = 0;
        return;
    }
    TkvBaseWnd::WndProc(m);
}

void TkvEditWnd::PrintClient(HDC dc)
{
    RECT client = GetClientRectInWindow(Handle);
    int saved = SaveDC(dc);
    IntersectClipRect(dc, client.left, client.top, client.right, client.bottom);
    POINT old{};
    OffsetViewportOrgEx(dc, client.left, client.top, &old);
    RECT fill{0, 0, Width(client), Height(client)};
    HBRUSH b = CreateSolidBrush(ColorToRGB(SkinColor));
    FillRect(dc, &fill, b);
    DeleteObject(b);
    TControl* c = OwnerControl();
    bool emptyList = c && c->InheritsFrom(L"TCustomListBox") &&
                     static_cast<TCustomListBox*>(c)->Items().Count() == 0;
    if (!emptyList) SendMessageW(Handle, WM_PAINT, WPARAM(dc), 0);
    SendMessageW(Handle, WM_PRINTCLIENT, WPARAM(dc), PRF_CLIENT | PRF_CHILDREN);
    RestoreDC(dc, saved);
}

void TkvEditWnd::PrintMessage(TMessage& m)
{
    HDC dc = HDC(m.WParam);
    {
        int saved = dc ? SaveDC(dc) : 0;
        TkvBaseWnd::WndProc(m);
        if (saved) RestoreDC(dc, saved);
    }
    if (m.Result == 2 || !dc || Unhooked) return;
    GetWndGeometry(Handle, ParentHandle, WindowArea, PosInParent, WindowExtent, ParentRect);
    CommonData->Updating = false;
    CommonData->BackgroundChanged = true;
    ApplySkinColors();
    CommonData->BackgroundChanged = true;
    PaintWrapperBackground(CommonData, Handle, InDialog);
    if (!InDialog) PaintBorderMaskCorners(CommonData, 0, this);
    if (m.LParam & PRF_NONCLIENT) {
        CopyBorderRing(dc);
        NCPaint(dc);
    }
    if (m.LParam & PRF_CLIENT) PrintClient(dc);
}

void TkvEditWnd::AfterEditMessage(TMessage& m)
{
    if (Unhooked || !IsWindow(Handle)) return;
    switch (m.Msg) {
    case WM_SIZE:
        CachedClientRect.left = -1;
        if (IsWindowVisible(Handle)) SendMessageW(Handle, WM_NCPAINT, 1, 0);
        break;
    case WM_SETFONT:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_LBUTTONDOWN:
    case kReflectedKeyDown:
    case kReflectedKeyUp:
        if (!Scrolling) RefreshScrollBars(true);
        break;
    case EM_REPLACESEL:
    case LB_ADDSTRING:
    case LB_INSERTSTRING:
    case LB_SETCURSEL:
    case LB_SETTOPINDEX:
        RefreshScrollBars(true);
        break;
    case LB_GETTOPINDEX:
        // An empty list has no top item: -1, not the 0 the control answers.
        if (m.Result == 0) {
            TControl* c = OwnerControl();
            if (c && c->InheritsFrom(L"TCustomListBox") && static_cast<TCustomListBox*>(c)->Items().Count() == 0)
                m.Result = -1;
        }
        break;
    case WM_MOUSEMOVE:
        if (GetCapture() == Handle && !CommonData->Updating) RefreshScrollBars(true);
        break;
    case WM_PARENTNOTIFY:
        if (LOWORD(m.WParam) == WM_CREATE && SkinManager &&
            (SkinManager->SkinningRules & srThirdParty) != 0)
            ChildrenChanged = true;
        break;
    case CM_CONTROLLISTCHANGE:
        ChildrenChanged = true;
        break;
    default:
        break;
    }
}

void TkvEditWnd::WndProc(TMessage& m)
{
    if (Unhooked || !CommonData || !ActiveManager() || !CommonData->IsSkinned()) {
        TkvBaseWnd::WndProc(m);
        return;
    }
    if (m.Msg == SkinCommandMessage) {
        bool ours = reinterpret_cast<TsSkinManager*>(m.LParam) == SkinManager;
        switch (Command(m)) {
        case SkinCmdRefresh:
            TkvBaseWnd::WndProc(m);
            if (ours && !Unhooked) ApplySkinColors();
            return;
        case SkinCmdParentUpdated:
            if (CommonData->Updating) {
                CommonData->Updating = false;
                CommonData->Updating = CommonData->IsUpdating();
                if (!CommonData->Updating)
                    RedrawWindow(Handle, nullptr, nullptr,
                                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
            }
            return;
        case SkinCmdIsSkinned:
            m.Result = 1;
            return;
        case SkinCmdClearBackgroundChanged:
            GetWndGeometry(Handle, ParentHandle, WindowArea, PosInParent, WindowExtent, ParentRect);
            PaintWrapperBackground(CommonData, Handle, InDialog);
            PaintBorderMaskCorners(CommonData, 0, this);
            return;
        case SkinCmdGetSectionIndex:
            if (auto* index = SkinCommandPointer<int>(m)) *index = CommonData->SectionIndex;
            return;
        case SkinCmdGetBackground: {
            auto* r = SkinCommandPointer<TsBgRequest>(m);
            if (!r) return;
            CallPrevWndProc(m);
            if (r && r->Kind == bgNone) {
                if (CommonData->CustomColor()) {
                    TControl* c = OwnerControl();
                    r->Kind = bgColor;
                    r->Color = c ? TColor(ColorToRGB(c->Color())) : SkinColor;
                } else {
                    CommonData->AnswerBgRequest(*r, 0, Handle);
                }
            }
            return;
        }
        case SkinCmdLockRedraw:
        case SkinCmdUnlockRedraw:
            if (GetWindowLongPtrW(Handle, GWL_EXSTYLE) & WS_EX_LEFTSCROLLBAR) {
                if (Command(m) == SkinCmdLockRedraw) {
                    SendMessageW(Handle, WM_SETREDRAW, FALSE, 0);
                } else {
                    SendMessageW(Handle, WM_SETREDRAW, TRUE, 0);
                    InvalidateRect(Handle, nullptr, TRUE);
                }
                return;
            }
            break;
        case SkinCmdGetApplication:
            m.Result = reinterpret_cast<LRESULT>(Application);
            return;
        default:
            break;
        }
        TkvBaseWnd::WndProc(m);
        return;
    }
    switch (m.Msg) {
    case WM_NCPAINT:
        NCPaintMessage(m);
        return;
    case WM_PAINT:
        PaintMessage(m);
        return;
    case WM_ERASEBKGND:
        EraseBkgndMessage(m);
        return;
    case WM_PRINT:
        PrintMessage(m);
        return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
        TkvBaseWnd::WndProc(m);
        if (Unhooked) return;
        auto* wc = dynamic_cast<TWinControl*>(OwnerControl());
        if (IsBorderStateful(CommonData) && (!OwnerControl() || (wc && wc->CanFocus()))) {
            CommonData->BackgroundChanged = true;
            CommonData->Focused = m.Msg == WM_SETFOCUS;
            SendMessageW(Handle, WM_NCPAINT, 1, 0);
        }
        return;
    }
    case WM_SETREDRAW:
        if (m.WParam && ChildrenChanged) {
            ChildrenChanged = false;
            if (TControl* c = OwnerControl()) NotifyFormOfControl(c);
        }
        break;
    case WM_SETTEXT:
    case CM_ENABLEDCHANGED:
    case CM_FONTCHANGED:
        TkvBaseWnd::WndProc(m);
        if (Unhooked) return;
        CommonData->BackgroundChanged = true;
        if (!CommonData->Updating) RedrawWindow(Handle, nullptr, nullptr, RDW_FRAME | RDW_ERASE | RDW_INVALIDATE);
        return;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
        TkvBaseWnd::WndProc(m);
        if (!Unhooked) HandleCommonMessage(m, CommonData);
        return;
    default:
        break;
    }
    TkvBaseWnd::WndProc(m);
    AfterEditMessage(m);
}

// ---------------------------------------------------------------- TkvScrollBoxWnd

TkvScrollBoxWnd::TkvScrollBoxWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager,
                                 const String& skinSection, bool repaint)
    : TkvScrollWnd(handle, commonData, skinManager, skinSection.empty() ? String(L"PANEL_LOW") : skinSection,
                   repaint)
{
}

TkvScrollBoxWnd::~TkvScrollBoxWnd() = default;

bool TkvScrollBoxWnd::Skinned() const
{
    return !Unhooked && CommonData && ActiveManager() && CommonData->IsSkinned();
}

void TkvScrollBoxWnd::PaintControl(HDC dc)
{
    TControl* owner = OwnerControl();
    if (!dc || !CommonData) return;
    if (ControlBusy(owner) || (owner && ControlBusy(owner->Parent())) || CommonData->Updating) return;
    RECT wr{};
    GetWindowRect(Handle, &wr);
    RECT clip{};
    GetClipBox(dc, &clip);
    RECT client{};
    GetClientRect(Handle, &client);
    bool half = Width(clip) < Width(client) || Height(clip) < Height(client);
    if (half || HalfVisible) CommonData->BackgroundChanged = true;
    HalfVisible = half;
    PaintWrapperBackground(CommonData, Handle, false);
    TBitmap* cache = CommonData->CacheBitmap.get();
    if (!cache || cache->Width() <= 0) return;
    // The client lies inside a 2-pixel border of the cache.
    RECT inWindow = GetClientRectInWindow(Handle);
    BitBlt(dc, 0, 0, Width(client), Height(client), cache->Canvas().Handle(), inWindow.left, inWindow.top, SRCCOPY);
    if (auto* wc = dynamic_cast<TWinControl*>(owner)) {
        PaintGraphicChildren(dc, wc, POINT{0, 0}, true);
        RefreshChildControls(wc);
    }
}

void TkvScrollBoxWnd::WndProc(TMessage& m)
{
    TControl* owner = OwnerControl();
    if (Unhooked || !owner || !(owner->ControlStyle() & csAcceptsControls) || !CommonData) {
        TkvScrollWnd::WndProc(m);
        return;
    }
    if (m.Msg == SkinCommandMessage) {
        switch (Command(m)) {
        case SkinCmdRemoveSkin:
            CommonData->SectionIndex = -1;
            owner->SetControlStyle(owner->ControlStyle() & ~unsigned(csOpaque));
            break;
        case SkinCmdIsSkinned:
            m.Result = 1;
            return;
        case SkinCmdClearBackgroundChanged:
            return;
        case SkinCmdGetApplication:
            m.Result = reinterpret_cast<LRESULT>(Application);
            return;
        default:
            break;
        }
        TkvScrollWnd::WndProc(m);
        return;
    }
    if (!Skinned()) {
        TkvScrollWnd::WndProc(m);
        return;
    }
    switch (m.Msg) {
    case WM_SIZE:
    case CM_TEXTCHANGED:
        CommonData->BackgroundChanged = true;
        break;
    case WM_SETTEXT:
        if (IsWindowVisible(Handle)) {
            SendMessageW(Handle, WM_SETREDRAW, FALSE, 0);
            TkvScrollWnd::WndProc(m);
            SendMessageW(Handle, WM_SETREDRAW, TRUE, 0);
            CommonData->BackgroundChanged = true;
            RedrawWindow(Handle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
            return;
        }
        break;
    case WM_PAINT: {
        // The background (and the graphic children) are painted on erasing;
        // the update region is validated here.
        if (m.WParam) PaintControl(HDC(m.WParam));
        else ValidateByPainting();
        m.Result = 0;
        return;
    }
    case WM_ERASEBKGND:
        if (m.WParam) PaintControl(HDC(m.WParam));
        m.Result = 1;
        return;
    case WM_WINDOWPOSCHANGING:
    case WM_WINDOWPOSCHANGED: {
        const TsGeneralData* s = CommonData->Section();
        if (s && (s->Props[0].GradientPercent > 0 || s->Props[0].TextureIndex >= 0))
            CommonData->BackgroundChanged = true;
        TkvScrollWnd::WndProc(m);
        if (m.Msg == WM_WINDOWPOSCHANGING && !Unhooked && IsWindowVisible(Handle))
            SendMessageW(Handle, WM_NCPAINT, 1, 0);
        return;
    }
    case WM_NCPAINT: {
        m.Result = 0;
        if (!IsWindowVisible(Handle) || AnimationRunning || CommonData->Updating) return;
        HDC dc = GetWindowDC(Handle);
        if (!dc) return;
        PaintWrapperBackground(CommonData, Handle, false);
        TBitmap* cache = CommonData->CacheBitmap.get();
        if (cache && cache->Width() > 0 && !CommonData->BackgroundChanged) {
            RECT inner = GetClientRectInWindow(Handle);
            int vt = VertBar->Visible ? ScrollBarSize(VertBar.get(), true, false) : 0;
            int ht = HorzBar->Visible ? ScrollBarSize(HorzBar.get(), true, false) : 0;
            if (LeftScrollBar)
                inner.left -= vt;
            else
                inner.right += vt;
            inner.bottom += ht;
            int saved = SaveDC(dc);
            ExcludeClipRect(dc, inner.left, inner.top, inner.right, inner.bottom);
            BitBlt(dc, 0, 0, cache->Width(), cache->Height(), cache->Canvas().Handle(), 0, 0, SRCCOPY);
            RestoreDC(dc, saved);
        }
        NCPaint(dc);
        ReleaseDC(Handle, dc);
        return;
    }
    case WM_UPDATEUISTATE:
        m.Result = 1;
        return;
    case WM_PARENTNOTIFY:
        if (LOWORD(m.WParam) == WM_CREATE || LOWORD(m.WParam) == WM_DESTROY) {
            CallPrevWndProc(m);
            HWND child = HWND(m.LParam);
            if (LOWORD(m.WParam) == WM_CREATE && child && IsWindowVisible(child)) {
                if (TWinControl* c = TWinControl::FindControl(child)) NotifyFormOfControl(c);
                if (SkinManager) {
                    SendMessageW(child, SkinCommandMessage, MAKEWPARAM(0, SkinCmdNewSkin), LPARAM(SkinManager));
                    SendMessageW(child, SkinCommandMessage, MAKEWPARAM(0, SkinCmdRefresh), LPARAM(SkinManager));
                }
            }
            return;
        }
        break;
    default:
        break;
    }
    TkvScrollWnd::WndProc(m);
}

// ---------------------------------------------------------------- start-up

namespace {
TkvMainWnd* MakeEditWnd(HWND handle, TsCommonData* data, TsSkinManager* manager, const String& section, bool repaint)
{
    return CreateWrapper<TkvEditWnd>(handle, data, manager, section, repaint);
}
}  // namespace

void InitEditWndUnit() { RegisterEditWndFactory(MakeEditWnd); }
