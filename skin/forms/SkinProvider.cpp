#include "skin/forms/SkinProvider.h"

#include "skin/forms/BorderForm.h"
#include "skin/forms/FormAnimations.h"

#include <shellapi.h>

#include <algorithm>

#include "classlib/SysUtils.h"
#include "classlib/TypInfo.h"
#include "skin/core/MaskPaintBitmap.h"
#include "skin/core/SkinManager.h"
#include "skin/forms/FramePaint.h"
#include "skin/forms/SystemMenu.h"
#include "skin/forms/TitleBar.h"
#include "skin/graphics/Constants.h"
#include "skin/graphics/DwmApi.h"
#include "skin/graphics/LayeredApi.h"
#include "skin/graphics/SkinCommands.h"


const wchar_t* const ProviderFormsOnlyText = L"TsSkinProvider component may be used with forms only!";
const wchar_t* const ProviderOneInstanceText = L"Only one instance of the TsSkinProvider component is allowed!";

std::function<TsFormScrollWrapper*(TsSkinProvider& provider)> FormScrollWrapperFactory;
std::function<void(TsSkinProvider& provider, TControl* control)> AdapterAddItem;
std::function<void(TsSkinProvider& provider, TControl* control)> AdapterRescan;
std::function<void(TsSkinProvider& provider, TsHitInput& in)> MDIButtonsHitInput;
std::function<void(TsSkinProvider& provider, int hitCode)> MDIButtonClick;

namespace {
// True when wnd's region is rgn already (no region and a null rgn alike).
bool SameAsWindowRegion(HWND wnd, HRGN rgn)
{
    HRGN current = CreateRectRgn(0, 0, 0, 0);
    const bool has = GetWindowRgn(wnd, current) != ERROR;
    const bool same = rgn ? has && EqualRgn(current, rgn) : !has;
    DeleteObject(current);
    return same;
}

UINT TrackWithPopupMenu(HMENU menu, HWND owner, int x, int y)
{
    return UINT(TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, x, y, 0, owner,
                               nullptr));
}
}  // namespace
TTrackSystemMenuFn TrackSystemMenuFn = TrackWithPopupMenu;

// ---------------------------------------------------------------- editor link

bool PreviewMode = false;
HWND EditorLinkForm = nullptr;

namespace {

bool FirstParameterIsPreview()
{
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
    bool preview = args && count > 1 && wcscmp(args[1], L"/kvpreview") == 0;
    if (args)
        LocalFree(args);
    return preview;
}

}  // namespace

TsEditorLink& EditorLink()
{
    static TsEditorLink link{
        [] { return FindWindowW(nullptr, SkinEditorCaption); },
        // The editor is another process: a hung one must not hang us.
        [](HWND editor, HWND form) -> LRESULT {
            DWORD_PTR answer = 0;
            if (!SendMessageTimeoutW(editor, SkinEditorLinkMessage, 3, LPARAM(form), SMTO_ABORTIFHUNG, 500, &answer))
                return 0;
            return LRESULT(answer);
        },
    };
    return link;
}

int AnnounceToEditor(HWND form, bool isMainForm)
{
    if (!PreviewMode || EditorLinkForm || !isMainForm || !form)
        return 0;
    EditorLinkForm = form;
    PreviewMode = false;   // one form per run
    TsEditorLink& link = EditorLink();
    int tries = 0;
    while (tries < int(SkinEditorLinkTries)) {
        HWND editor = link.Find ? link.Find() : nullptr;
        if (!editor)
            break;
        ++tries;
        if (link.Announce && link.Announce(editor, form) == 1)
            break;
    }
    return tries;
}

// ---------------------------------------------------------------- system animation

TSystemParametersInfoFn SystemParametersInfoFn = SystemParametersInfoW;

TsSystemAnimationOff::TsSystemAnimationOff()
{
    ANIMATIONINFO info{sizeof info, 0};
    if (!SystemParametersInfoFn(SPI_GETANIMATION, sizeof info, &info, 0))
        return;
    saved_ = info.iMinAnimate;
    if (!saved_)
        return;
    info.iMinAnimate = 0;
    // fWinIni 0: for this session only; the user's stored setting is never
    // touched. Put back whatever the call answered (some systems apply it and
    // still answer FALSE).
    SystemParametersInfoFn(SPI_SETANIMATION, sizeof info, &info, 0);
    changed_ = true;
}

TsSystemAnimationOff::~TsSystemAnimationOff()
{
    if (!changed_)
        return;
    ANIMATIONINFO info{sizeof info, saved_};
    SystemParametersInfoFn(SPI_SETANIMATION, sizeof info, &info, 0);
}

// ---------------------------------------------------------------- the border drag record

namespace {

// The one drag of the process: the frame's geometry and the desktop DC it is drawn on.
struct DragRecord {
    TsBorderDrag geometry;
    TsSkinProvider* owner = nullptr;
    HWND wnd = nullptr;
    HDC dc = nullptr;
    int savedDC = 0;
};
DragRecord drag;

void DrawDragFrame()
{
    if (!drag.dc)
        return;
    const RECT& r = drag.geometry.Frame;
    const POINT pts[5] = {{r.left, r.top}, {r.right - 1, r.top}, {r.right - 1, r.bottom - 1}, {r.left, r.bottom - 1},
                          {r.left, r.top}};
    Polyline(drag.dc, pts, 5);
}

}  // namespace

// ---------------------------------------------------------------- creation

TsSkinProvider* TsSkinProvider::Create(TComponent* owner)
{
    // Checked before anything is made: a failed creation leaves nothing behind.
    auto* form = dynamic_cast<TCustomForm*>(owner);
    if (!form)
        throw EAbort(ProviderFormsOnlyText);
    auto* p = new TsSkinProvider(form, false);
    if (!p->inactive_ && p->Manager() && p->Manager()->Active())
        p->InitSkin();
    // An MDI child made before its main form shows hears no showing of its
    // own: the controls it already holds are skinned now, not at the next
    // skin change.
    if (form->FormStyle() == TFormStyle::fsMDIChild && !p->inactive_ && p->Skinned() && p->FormAlive() &&
        AdapterRescan)
        AdapterRescan(*p, nullptr);
    return p;
}

TsSkinProvider* TsSkinProvider::CreateAtRunTime(TCustomForm* form)
{
    if (!form)
        throw EAbort(ProviderFormsOnlyText);
    return new TsSkinProvider(form, true);
}

TsSkinProvider::TsSkinProvider(TCustomForm* form, bool runTime)
    : TComponent(form), form_(form), createdAtRunTime_(runTime), madeAtRunTime_(runTime)
{
    PreviewMode = FirstParameterIsPreview() || PreviewMode;
    RegisterSkinProviderProperties();
    wnd_ = form->Handle();

    if (auto* existing = dynamic_cast<TsSkinProvider*>(&ProviderOf(wnd_)); existing && existing != this) {
        if (existing->madeAtRunTime_ && !runTime) {
            // The new provider takes over. The old one lets go of the form at
            // once and is freed when no message of the form is on the stack.
            existing->hook_.Unhook();
            existing->inactive_ = true;
            UnregisterProvider(wnd_, existing);
            form->RemoveComponent(existing);
            FreeWhenIdle(wnd_, [existing] { delete existing; });
        } else {
            inactive_ = true;
        }
    }

    AddedTitle.OnChange = TitleIcon.OnChange = [this] {
        if (!(form_->ComponentState() & csLoading))
            RefreshFormFrame();
    };
    skinData_ = std::make_unique<TsCommonData>(this, true);
    skinData_->ControlKind = int32_t(TsControlKind::Form);
    skinData_->SetSkinSection(L"FORM");

    if (inactive_)
        return;
    form->SetDoubleBuffered(false);
    regionCuts_.clear();
    menuLines_ = -1;
    hook_.Hook(form, TWndMethod(this, &TsSkinProvider::FormWindowProc));
    RegisterProvider(wnd_, this);
    RegisterSkinnedForm(form);
    formActive_ = true;
}

TsSkinProvider::~TsSkinProvider()
{
    FreeCompanions();
    if (drag.geometry.Active && drag.owner == this)
        EndBorderDrag(false);
    StopFormTimer();
    titleGlows_.reset();
    borderForm_.reset();
    if (!inactive_) {
        // A form being destroyed is past the point where its WindowProc may
        // be touched (its control part is gone when owned components are
        // freed); its window is gone with it.
        const bool formGoes = !form_ || form_->Destroying();
        // Hooks come off last-in-first-out: the scroll wrapper hooked after us.
        delete std::exchange(scrollWrapper_, nullptr);
        if (formGoes) {
            hook_.Forget();
        } else {
            hook_.Unhook();
            RestoreFormStyle();
        }
        UnregisterProvider(wnd_, this);
        if (form_)
            UnregisterSkinnedForm(form_);
    }
    skinData_.reset();
}

void TsSkinProvider::RestoreFormStyle()
{
    if (!wnd_ || !IsWindow(wnd_))
        return;
    const LONG style = GetWindowLongW(wnd_, GWL_STYLE);
    if ((form_->BorderIcons() & biSystemMenu) && form_->BorderStyle() != TFormBorderStyle::bsNone &&
        !(style & WS_SYSMENU))
        SetWindowLongW(wnd_, GWL_STYLE, style | WS_SYSMENU);
    SetWindowRgn(wnd_, nullptr, TRUE);
    SetNcRendering(wnd_, false);
    RedrawWindow(wnd_, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
}

// ---------------------------------------------------------------- properties

void TsSkinProvider::SetCaptionAlignment(TAlignment a)
{
    if (a == captionAlignment_)
        return;
    captionAlignment_ = a;
    skinData_->BackgroundChanged = true;
    if (FormAlive() && IsWindowVisible(wnd_) && Skinned() && !(ComponentState() & csDesigning))
        RefreshFormFrame();
}

void TsSkinProvider::SetDrawNonClientArea(bool on)
{
    if (on == drawNonClientArea_)
        return;
    drawNonClientArea_ = on;
    if (inactive_ || !FormAlive())
        return;
    UpdateSysMenuStyle();
    SetNcRendering(wnd_, on && Skinned());
    if (on)
        UpdateRegion(true);
    else
        SetWindowRgn(wnd_, nullptr, TRUE);
}

void TsSkinProvider::SetShowAppIcon(bool on)
{
    if (on == showAppIcon_)
        return;
    showAppIcon_ = on;
    skinData_->BackgroundChanged = true;
    if (FormAlive() && form_->Showing())
        SendMessageW(wnd_, WM_NCPAINT, 1, 0);
}

void TsSkinProvider::SetTitleSkin(const String& name)
{
    if (name == titleSkin_)
        return;
    titleSkin_ = name;
    titleSection_ = -1;
    skinData_->BackgroundChanged = true;
    regionChanged_ = true;
    if (FormAlive() && form_->Showing())
        SendMessageW(wnd_, WM_NCPAINT, 1, 0);
}

void TsSkinProvider::SetUseGlobalColor(bool on)
{
    if (on == useGlobalColor_)
        return;
    useGlobalColor_ = on;
    if (!FormAlive())
        return;
    TsSkinManager* m = Manager();
    if (on && Skinned() && m && !skinData_->CustomColor())
        form_->SetColor(TColor(m->GetGlobalColor()));
    else if (form_->Color() != clBtnFace)
        form_->SetColor(clBtnFace);
}

TsTitleButton& TsSkinProvider::AddTitleButton()
{
    TsTitleButton& b = *titleButtons_.Add();
    b.MaskIndex = b.UseSkinData ? userButtonMask_ : -1;
    return b;
}

// ---------------------------------------------------------------- state

bool TsSkinProvider::Skinned() const { return skinData_ && skinData_->IsSkinned(); }

TsSkinManager* TsSkinProvider::Manager() const { return skinData_ ? skinData_->SkinManager() : nullptr; }

bool TsSkinProvider::WorksWith(TsSkinManager* m) { return !inactive_ && Manager() == m; }

TBitmap* TsSkinProvider::CacheBitmap()
{
    return skinData_ && skinData_->CacheBitmap && !skinData_->CacheBitmap->Empty() ? skinData_->CacheBitmap.get()
                                                                                   : nullptr;
}

// ---------------------------------------------------------------- lifecycle

void TsSkinProvider::InitSkin()
{
    if (createdAtRunTime_ || inactive_ || !FormAlive())
        return;
    TsSkinManager* m = Manager();
    if (!m || !m->Active())
        return;
    skinData_->UpdateIndexes();
    titleSection_ = m->FindSectionIndex(titleSkin_.empty() ? String(L"FORMTITLE") : titleSkin_);
    captionSection_ = m->FindSectionIndex(L"CAPTION");
    InitTitleButtons();
    // The system menu is made while WS_SYSMENU is still on; without the style
    // the system may refuse to make it.
    if (!sysMenu_ && (GetWindowLongW(wnd_, GWL_STYLE) & WS_SYSMENU))
        sysMenu_ = GetSystemMenu(wnd_, FALSE);
    sysMenuShown_ = (form_->BorderIcons() & biSystemMenu) != 0;
    UpdateSysMenuStyle();
    regionChanged_ = true;
    menuLines_ = -1;
    if (useGlobalColor_ && !skinData_->CustomColor() && !(form_->ComponentState() & csLoading))
        form_->SetColor(TColor(m->GetGlobalColor()));
    SetNcRendering(wnd_, drawNonClientArea_);
    initialized_ = true;
    UpdateRegion(true);
    UpdateBorderForm();
}

void TsSkinProvider::InitDeferred()
{
    if (!createdAtRunTime_ || inactive_)
        return;
    createdAtRunTime_ = false;
    InitSkin();
    for (int i = 0; i < TitleButtonCount(); ++i)
        TitleButton(i).MaskIndex = TitleButton(i).UseSkinData ? userButtonMask_ : -1;
    if (form_->BorderStyle() == TFormBorderStyle::bsSizeToolWin) {
        AllowBlendOnMoving = false;
        useGlobalColor_ = true;
    }
    // The form shows already: its controls are skinned now.
    CreateControlAdapter();
}

void TsSkinProvider::CreateControlAdapter()
{
    if (inactive_ || adapter_ || !AdapterRescan || !FormAlive() || !Skinned() ||
        (ComponentState() & csDesigning))
        return;
    AdapterRescan(*this, nullptr);   // makes the adapter, which scans the whole form
}

void TsSkinProvider::UpdateSysMenuStyle()
{
    if (!FormAlive())
        return;
    const LONG style = GetWindowLongW(wnd_, GWL_STYLE);
    LONG want = style;
    if (drawNonClientArea_ && Skinned())
        want &= ~WS_SYSMENU;
    else if ((form_->BorderIcons() & biSystemMenu) && form_->BorderStyle() != TFormBorderStyle::bsNone)
        want |= WS_SYSMENU;
    if (want == style)
        return;
    SetWindowLongW(wnd_, GWL_STYLE, want);
    RedrawWindow(wnd_, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
}

void TsSkinProvider::InitTitleButtons()
{
    TsSkinManager* m = Manager();
    close_ = max_ = min_ = help_ = TsCaptionButtonData{};
    close_.HitCode = HTCLOSE;
    max_.HitCode = HTMAXBUTTON;
    min_.HitCode = HTMINBUTTON;
    help_.HitCode = HTHELP;
    userButtonMask_ = -1;
    if (!m || !m->Active())
        return;
    auto mask = [m](const wchar_t* name) { return m->FindMaskIndexDirect(L"GLOBALINFO", name); };
    const TFormBorderStyle bs = form_->BorderStyle();
    const bool big = bs == TFormBorderStyle::bsSingle || bs == TFormBorderStyle::bsSizeable;
    const TsCaptionButtons b = CaptionButtons();
    auto set = [](TsCaptionButtonData& d, int index, bool isBig) {
        d.MaskIndex = index;
        d.Big = isBig;
    };
    if (big) {
        int closeMask = !b.VisibleMax && !b.VisibleMin ? mask(L"BICLOSEALONE") : -1;
        if (!m->IsMaskIndexValid(closeMask))
            closeMask = mask(L"BICONCLOSE");
        set(close_, closeMask, true);
        set(max_, mask(L"BICONMAX"), true);
        set(min_, mask(L"BICONMIN"), true);
        set(help_, mask(L"BICONHELP"), true);
    } else {
        set(close_, mask(L"SICONCLOSE"), false);
        set(min_, mask(L"SICONMIN"), false);
        set(max_, mask(L"SICONMAX"), false);
        int helpMask = mask(L"SICONHELP");
        if (!m->IsMaskIndexValid(helpMask))
            helpMask = mask(L"BICONHELP");
        set(help_, helpMask, false);
    }
    if (!m->IsMaskIndexValid(close_.MaskIndex)) {
        set(close_, mask(L"BICONCLOSE"), true);
        set(max_, mask(L"BICONMAX"), true);
        set(min_, mask(L"BICONMIN"), true);
        set(help_, mask(L"BICONHELP"), true);
    }
    userButtonMask_ = mask(L"TITLEBUTTON");
    for (int i = 0; i < TitleButtonCount(); ++i)
        TitleButton(i).MaskIndex = TitleButton(i).UseSkinData ? userButtonMask_ : -1;
}

// ---------------------------------------------------------------- metrics

TsFrameFacts TsSkinProvider::Facts() const
{
    TsFrameFacts f;
    if (!form_)
        return f;
    const bool window = wnd_ && IsWindow(wnd_);
    f.Style = window ? DWORD(GetWindowLongW(wnd_, GWL_STYLE)) : 0;
    f.BorderStyle = form_->BorderStyle();
    f.Iconic = window && IsIconic(wnd_);
    f.Zoomed = window && IsZoomed(wnd_);
    f.ChildWindow = (f.Style & WS_CHILD) != 0;
    f.MDIChild = form_->FormStyle() == TFormStyle::fsMDIChild;
    f.BorderWindow = borderForm_ != nullptr;
    f.ExtraHighTitle = extraHighTitle_;
    TsSkinManager* m = Manager();
    f.Skin = m && m->Active() ? &m->SkinData() : nullptr;
    return f;
}

int TsSkinProvider::FormFrameWidth(bool extended) const
{
    return ::FormFrameWidth(TsFrameMetrics::System(), Facts(), extended);
}

int TsSkinProvider::CaptionAreaHeight(bool extended) const
{
    return ::CaptionAreaHeight(TsFrameMetrics::System(), Facts(), extended);
}

int TsSkinProvider::TopFrameWidth() const { return ::TopFrameWidth(TsFrameMetrics::System(), Facts()); }

HMENU FormMenuBar(HWND wnd)
{
    // A child window (an MDI child) has no menu bar: the system answers its id.
    if (!wnd || (GetWindowLongW(wnd, GWL_STYLE) & WS_CHILD))
        return nullptr;
    return GetMenu(wnd);
}

int TsSkinProvider::MenuLineHeight() const
{
    return FormMenuBar(wnd_) ? TsFrameMetrics::System().CyMenu - 1 : 0;
}

int TsSkinProvider::MenuLineCount()
{
    if (menuLines_ >= 0)
        return menuLines_;
    HMENU menu = FormMenuBar(wnd_);
    RECT item{};
    if (!menu || IsIconic(wnd_) || !GetMenuItemRect(wnd_, menu, 0, &item)) {
        menuLines_ = 0;
        return 0;
    }
    POINT clientTop{0, 0};
    ClientToScreen(wnd_, &clientTop);
    menuLines_ = MenuLineCountFor(item.bottom, clientTop.y, TsFrameMetrics::System().CyMenu);
    return menuLines_;
}

TsCaptionButtons TsSkinProvider::CaptionButtons() const
{
    TsCaptionButtons b;
    if (!form_)
        return b;
    const TBorderIcons icons = form_->BorderIcons();
    const TFormBorderStyle bs = form_->BorderStyle();
    const bool window = wnd_ && IsWindow(wnd_);
    const bool iconic = window && IsIconic(wnd_);
    const bool mdiChild = form_->FormStyle() == TFormStyle::fsMDIChild;
    const bool framed = bs == TFormBorderStyle::bsSingle || bs == TFormBorderStyle::bsSizeable;
    const bool sysIcon = (icons & biSystemMenu) && bs != TFormBorderStyle::bsNone;
    const TWindowState state = form_->WindowState();
    const bool mainForm = Application && Application->MainForm() == form_;
    b.SystemMenu = sysIcon;
    b.VisibleMax = sysIcon && (iconic || mdiChild || (framed && (icons & biMaximize)));
    b.VisibleMin = sysIcon && (iconic || mdiChild || (framed && (icons & biMinimize)));
    b.Help = (icons & biHelp) != 0;
    b.EnabledMax = (icons & biMaximize) && (mdiChild || framed);
    b.EnabledMin = (icons & biMinimize) && (!iconic || mainForm);
    b.EnabledRestore = ((icons & biMaximize) && state != TWindowState::wsNormal) || state == TWindowState::wsMinimized;
    b.EnabledClose = SystemMenuClosesForm(*this);
    b.BigButtons = framed;
    TsSkinManager* m = Manager();
    auto glyph = [m](const TsCaptionButtonData& d) {
        TsButtonGlyph g;
        g.Big = d.Big;
        if (m && m->IsMaskIndexValid(d.MaskIndex)) {
            const TsMaskData& mask = m->ma()[size_t(d.MaskIndex)];
            g.Width = MaskFrameWidth(mask);
            g.Height = MaskStateHeight(mask);
        }
        return g;
    };
    b.Close = glyph(close_);
    b.Max = glyph(max_);
    b.Min = glyph(min_);
    b.HelpGlyph = glyph(help_);
    return b;
}

std::vector<TsUserButton> TsSkinProvider::UserButtons() const
{
    std::vector<TsUserButton> out;
    TsSkinManager* m = Manager();
    for (int i = 0; i < TitleButtonCount(); ++i) {
        const TsTitleButton& t = TitleButton(i);
        TsUserButton u;
        u.Visible = t.Visible();
        u.Enabled = t.Enabled();
        if (m && m->IsMaskIndexValid(t.MaskIndex)) {
            const TsMaskData& mask = m->ma()[size_t(t.MaskIndex)];
            u.Width = MaskFrameWidth(mask);
            u.Height = MaskStateHeight(mask);
        }
        out.push_back(u);
    }
    return out;
}

TsTitleLayout TsSkinProvider::LayoutTitleButtons() const
{
    // With a border window the frame picture is the border window's.
    if (borderForm_)
        return borderForm_->TitleLayout();
    RECT wr{};
    if (wnd_)
        GetWindowRect(wnd_, &wr);
    const TsFrameFacts f = Facts();
    const TsFrameMetrics& sm = TsFrameMetrics::System();
    TsTitleLayoutInput in;
    in.PictureWidth = wr.right - wr.left;
    in.FrameWidth = ::FormFrameWidth(sm, f, true);
    in.TopFrame = ::TopFrameWidth(sm, f);
    in.CaptionHeight = ::CaptionAreaHeight(sm, f, true);
    in.BorderWindow = f.BorderWindow;
    in.Zoomed = f.Zoomed;
    in.CxFrame = sm.CxFrame;
    in.ShowIcon = ShowsTitleIcon();
    in.IconWidth = in.IconHeight = TitleIconSize(in.CaptionHeight);
    in.Skin = f.Skin;
    in.TitleBar = FindTitleBar(form_) != nullptr;
    return ::LayoutTitleButtons(in, CaptionButtons(), UserButtons());
}

// ---------------------------------------------------------------- hit testing

int TsSkinProvider::HitTestFrame(POINT screen)
{
    // With a border window the whole frame is its: only the client is ours.
    if (borderForm_) {
        const int code = borderForm_->HitTestScreen(screen);
        if (code != HTTRANSPARENT)
            return code;
    }
    RECT wr{};
    GetWindowRect(wnd_, &wr);
    const TsFrameFacts f = Facts();
    const TsFrameMetrics& sm = TsFrameMetrics::System();
    TsHitInput in;
    in.Point = POINT{screen.x - wr.left, screen.y - wr.top};
    in.Width = wr.right - wr.left;
    in.Height = wr.bottom - wr.top;
    in.FrameWidth = ::FormFrameWidth(sm, f, false);
    in.TopFrame = ::TopFrameWidth(sm, f);
    in.CaptionHeight = ::CaptionAreaHeight(sm, f, true);
    in.MenuLineHeight = MenuLineHeight();
    in.MenuLines = in.MenuLineHeight ? MenuLineCount() : 0;
    in.Sizeable = (f.Style & WS_THICKFRAME) && !f.Zoomed && !f.BorderWindow;
    in.Iconic = f.Iconic;
    in.BorderWindow = f.BorderWindow;
    if (GripMode == TsGripMode::gmRightBottom && !f.Zoomed && (f.Style & WS_THICKFRAME)) {
        // The grip's top-left corner: the grip mask (or a scroll-bar square) inside the frame.
        int gw = GetSystemMetrics(SM_CXVSCROLL), gh = GetSystemMetrics(SM_CYHSCROLL);
        if (TsSkinManager* m = Manager()) {
            const int grip = m->CommonIndexes().Global("GRIPIMAGE");
            if (m->IsMaskIndexValid(grip)) {
                gw = MaskFrameWidth(m->ma()[size_t(grip)]);
                gh = MaskStateHeight(m->ma()[size_t(grip)]);
            }
        }
        in.Grip = true;
        in.GripRect = RECT{in.Width - gw - in.FrameWidth - 1, in.Height - gh - in.FrameWidth - 1, in.Width, in.Height};
    }
    if (MDIButtonsHitInput)
        MDIButtonsHitInput(*this, in);
    if (in.CaptionHeight > 0 && !f.Iconic)
        if (const int item = TitleItemHitCode(*this, in.Point))
            return item;
    // With a border window the title's elements are its (in its pixels), none of the form's own.
    return ::HitTestFrame(in, borderForm_ ? TsTitleLayout{} : LayoutTitleButtons(), CaptionButtons(), UserButtons());
}

void TsSkinProvider::SetHotElement(int code)
{
    if (code == hotElement_)
        return;
    // The painter repaints the old and the new element.
    FramePainterOf(*this).SetHotElement(code, PaintsNonClient() && FormAlive());
}

// ---------------------------------------------------------------- region

void TsSkinProvider::BuildRegionCuts()
{
    regionCuts_.clear();
    TsSkinManager* m = Manager();
    if (!m || !m->Active() || !wnd_)
        return;
    RECT wr{};
    GetWindowRect(wnd_, &wr);
    const int width = wr.right - wr.left, height = wr.bottom - wr.top;
    TAOR cuts;
    const int border = skinData_->BorderMaskIndex;
    if (m->IsMaskIndexValid(border)) {
        CollectMaskRegionRects(cuts, width, border, false, 0, m);
        CollectMaskRegionRects(cuts, width, border, true, height - m->MaskMarginBottom(border), m);
    }
    if (const int titleMask = TitleBorderMask(); m->IsMaskIndexValid(titleMask))
        CollectMaskRegionRects(cuts, width, titleMask, false, 0, m);
    regionCuts_.assign(cuts.begin(), cuts.end());
}

int TsSkinProvider::TitleBorderMask() const
{
    TsSkinManager* m = Manager();
    if (!m || !m->IsSectionIndexValid(titleSection_))
        return -1;
    const String title = titleSkin_.empty() ? String(L"FORMTITLE") : titleSkin_;
    return m->FindMaskIndex(titleSection_, title, L"BORDERSMASK");
}

HRGN TsSkinProvider::CreateSkinRegion(int x, int y)
{
    RECT wr{};
    if (wnd_)
        GetWindowRect(wnd_, &wr);
    return CreateRegionWithCuts(x, y, wr.right - wr.left, wr.bottom - wr.top, regionCuts_);
}

void TsSkinProvider::UpdateRegion(bool redraw)
{
    // Setting the region resizes the window's frame: the messages that causes
    // do not set it again.
    if (regionChanging_ || !drawNonClientArea_ || !Skinned() || !FormAlive() || inMenuLoop_)
        return;
    const TsFrameFacts f = Facts();
    if (!HasCaptionFrame(f) && !f.Iconic && !(f.Style & WS_THICKFRAME))
        return;
    // A window procedure installed in front of ours may keep its own region.
    if (SendMessageW(wnd_, RegionOptOutQuery, RegionOptOutAnswer, 0) == LRESULT(RegionOptOutAnswer))
        return;
    HRGN rgn;
    RECT wr{};
    GetWindowRect(wnd_, &wr);
    if (borderForm_) {
        // The border window behind draws the whole frame: the form shows its client alone.
        RECT cr{};
        GetClientRect(wnd_, &cr);
        POINT o{0, 0};
        ClientToScreen(wnd_, &o);
        rgn = CreateRectRgn(o.x - wr.left, o.y - wr.top, o.x - wr.left + cr.right, o.y - wr.top + cr.bottom);
    } else if (f.Zoomed && !form_->Constraints().MaxWidth && !form_->Constraints().MaxHeight && !f.MDIChild) {
        // A maximised window reaches past the screen by its frame: the region keeps the visible part.
        const int side = FormFrameWidth(false), top = TopFrameWidth();
        rgn = CreateRectRgn(side, top, wr.right - wr.left - side, wr.bottom - wr.top - side);
    } else {
        BuildRegionCuts();
        rgn = CreateSkinRegion(0, 0);
    }
    // The same region again (a recoloured skin) would only cost a frame change.
    if (!redraw && SameAsWindowRegion(wnd_, rgn)) {
        DeleteObject(rgn);
        regionChanged_ = false;
        return;
    }
    regionChanging_ = true;
    // The region belongs to the system from here on: never deleted by us.
    SetWindowRgn(wnd_, rgn, redraw);
    regionChanging_ = false;
    regionChanged_ = false;
}

// ---------------------------------------------------------------- snapping

void TsSkinProvider::SnapPosition(WINDOWPOS& pos)
{
    if (!ScreenSnap || !FormAlive() || IsZoomed(wnd_) || (pos.flags & SWP_NOMOVE))
        return;
    HMONITOR monitor = MonitorFromWindow(wnd_, MONITOR_DEFAULTTONEAREST);
    MONITORINFO info{sizeof info};
    if (!GetMonitorInfoW(monitor, &info))
        return;
    const RECT area = form_->FormStyle() == TFormStyle::fsStayOnTop ? info.rcMonitor : info.rcWork;
    RECT wr{};
    GetWindowRect(wnd_, &wr);
    const int w = (pos.flags & SWP_NOSIZE) ? wr.right - wr.left : pos.cx;
    const int h = (pos.flags & SWP_NOSIZE) ? wr.bottom - wr.top : pos.cy;
    // With a border window the visible frame snaps, not the form's window.
    const TsSnapOffsets extra = borderForm_ ? BorderSnapOffsets(borderForm_->Layout()) : TsSnapOffsets{};
    SnapToArea(pos.x, pos.y, w, h, area, SnapBuffer, extra);
}

// ---------------------------------------------------------------- border drag


bool TsSkinProvider::BorderDragActive() { return drag.geometry.Active; }

RECT TsSkinProvider::BorderDragFrame() { return drag.geometry.Frame; }

void TsSkinProvider::StartBorderDrag(int hitCode, POINT mouse)
{
    if (drag.geometry.Active)
        EndBorderDrag(false);
    RECT wr{};
    GetWindowRect(wnd_, &wr);
    const int minW = std::max(form_->Constraints().MinWidth, GetSystemMetrics(SM_CXMINTRACK));
    const int minH = std::max(form_->Constraints().MinHeight, GetSystemMetrics(SM_CYMINTRACK));
    drag.geometry.Start(hitCode, wr, mouse, minW, minH);
    drag.owner = this;
    drag.wnd = wnd_;
    drag.dc = GetDC(nullptr);
    drag.savedDC = drag.dc ? SaveDC(drag.dc) : 0;
    if (drag.dc) {
        SetROP2(drag.dc, R2_NOT);
        SelectObject(drag.dc, GetStockObject(BLACK_PEN));
    }
    SetCapture(wnd_);
    DrawDragFrame();
}

void TsSkinProvider::FollowBorderDrag(POINT mouse)
{
    if (!drag.geometry.Active || drag.owner != this)
        return;
    DrawDragFrame();   // erases: the frame is drawn with R2_NOT
    drag.geometry.Follow(mouse);
    DrawDragFrame();
}

void TsSkinProvider::EndBorderDrag(bool apply)
{
    if (!drag.geometry.Active)
        return;
    // Everything is put back first, so that a capture change caused below
    // finds no drag to end again.
    DragRecord d = drag;
    drag = DragRecord{};
    if (d.dc) {
        const RECT& r = d.geometry.Frame;
        const POINT pts[5] = {{r.left, r.top}, {r.right - 1, r.top}, {r.right - 1, r.bottom - 1}, {r.left, r.bottom - 1},
                              {r.left, r.top}};
        Polyline(d.dc, pts, 5);
        RestoreDC(d.dc, d.savedDC);
        ReleaseDC(nullptr, d.dc);
    }
    if (GetCapture() == d.wnd)
        ReleaseCapture();
    if (apply && d.wnd && IsWindow(d.wnd)) {
        RECT r = d.geometry.Frame;
        if (HWND parent = GetParent(d.wnd); parent && (GetWindowLongW(d.wnd, GWL_STYLE) & WS_CHILD))
            MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
        MoveWindow(d.wnd, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    }
}

// ---------------------------------------------------------------- layered and DWM helpers

bool TsSkinProvider::SetLayeredAlpha(HWND wnd, bool enable, uint8_t alpha)
{
    if (!wnd)
        return false;
    const LONG ex = GetWindowLongW(wnd, GWL_EXSTYLE);
    if (enable && LayeredWindowsAvailable() && SetLayeredWindowAttributesFn) {
        const bool added = !(ex & WS_EX_LAYERED);
        if (added)
            SetWindowLongW(wnd, GWL_EXSTYLE, ex | WS_EX_LAYERED);
        SetLayeredWindowAttributesFn(wnd, clNone, alpha, LWA_ALPHA);
        return added;
    }
    // Taking WS_EX_LAYERED away repaints the window; WS_VISIBLE is cleared
    // around it to keep that quiet, and put back on every way out so a shown
    // window stays shown (and keeps taking clicks).
    const LONG style = GetWindowLongW(wnd, GWL_STYLE);
    if (style & WS_VISIBLE)
        SetWindowLongW(wnd, GWL_STYLE, style & ~WS_VISIBLE);
    if (ex & WS_EX_LAYERED)
        SetWindowLongW(wnd, GWL_EXSTYLE, ex & ~WS_EX_LAYERED);
    if (style & WS_VISIBLE)
        SetWindowLongW(wnd, GWL_STYLE, GetWindowLongW(wnd, GWL_STYLE) | WS_VISIBLE);
    return false;
}

void TsSkinProvider::SetNcRendering(HWND wnd, bool skinDrawsFrame)
{
    if (!wnd || !DwmCompositionOn())
        return;
    // The non-client rendering policy is attribute 2; attribute 3 would only
    // switch the window's transitions off and leave the system's frame over ours.
    const DWORD policy = skinDrawsFrame ? kDwmncrpDisabled : kDwmncrpUseWindowStyle;
    CallDwmSetWindowAttribute(wnd, kDwmwaNcRenderingPolicy, &policy, sizeof policy);
}

// ---------------------------------------------------------------- scroll wrapper

void TsSkinProvider::CreateScrollWrapper()
{
    if (scrollWrapper_ || !FormScrollWrapperFactory || inactive_)
        return;
    scrollWrapper_ = FormScrollWrapperFactory(*this);
}

void TsSkinProvider::ReleaseScrollWrapper()
{
    TsFormScrollWrapper* w = std::exchange(scrollWrapper_, nullptr);
    if (!w)
        return;
    // The wrapper may be the one that passed the current message on to us.
    if (wnd_ && IsWindow(wnd_))
        FreeWhenIdle(wnd_, [w] { delete w; });
    else
        delete w;
}

// ---------------------------------------------------------------- frame refresh, system menu

void TsSkinProvider::RefreshFormFrame()
{
    if (!FormAlive())
        return;
    if (skinData_)
        skinData_->BackgroundChanged = true;
    RedrawWindow(wnd_, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW | RDW_NOCHILDREN);
}

void TsSkinProvider::RefreshBorderWindow()
{
    if (TsBorderSeam* b = Border())
        b->UpdateBorderWindow(false, 255);
}

POINT TsSkinProvider::SystemMenuPointBelowIcon() const
{
    RECT wr{};
    GetWindowRect(wnd_, &wr);
    const TsTitleLayout l = LayoutTitleButtons();
    POINT pt{wr.left + l.Icon.left, wr.top + TopFrameWidth() + CaptionAreaHeight(true)};
    if (borderForm_) {
        // The layout is the border window's: its frame reaches past the form.
        const TsBorderLayout b = borderForm_->Layout();
        const POINT o = BorderFormOffset(b);
        pt = POINT{wr.left - o.x + l.Icon.left, wr.top - o.y + l.TitleBottom};
    }
    if (IsIconic(wnd_))
        pt.y -= 16;
    return pt;
}

// ---------------------------------------------------------------- maximised bounds

void TsSkinProvider::HandleGetMinMaxInfo(MINMAXINFO& info)
{
    if (!FormAlive() || !drawNonClientArea_ || !Skinned())
        return;
    const TsFrameFacts f = Facts();
    if (f.ChildWindow || f.MDIChild || form_->BorderStyle() == TFormBorderStyle::bsNone)
        return;
    MONITORINFO mi{sizeof mi};
    if (!GetMonitorInfoW(MonitorFromWindow(wnd_, MONITOR_DEFAULTTONEAREST), &mi))
        return;
    const int frame = FormFrameWidth(false);
    int extra = 0;
    if (f.BorderWindow && f.Skin) {
        extra = ::MaximizedTitleHeight(*f.Skin) - StdCaptionHeight(TsFrameMetrics::System(), f) - 4;
        extra = std::max(0, extra);
    }
    extraHighTitle_ = extra > 0;
    // The position is relative to the monitor (the work area's origin is added by the system).
    TsMaxInfoInput in;
    in.Work = mi.rcWork;
    in.Monitor = mi.rcMonitor;
    in.FrameWidth = frame;
    in.ExtraTitle = extra;
    MaximizedBounds(in, info.ptMaxPosition, info.ptMaxSize);
    // The form's constraints bound the maximised size too.
    const TSizeConstraints& c = form_->Constraints();
    if (c.MaxWidth > 0)
        info.ptMaxSize.x = std::min<LONG>(info.ptMaxSize.x, c.MaxWidth);
    if (c.MaxHeight > 0)
        info.ptMaxSize.y = std::min<LONG>(info.ptMaxSize.y, c.MaxHeight);
}

// ---------------------------------------------------------------- published properties

void RegisterSkinProviderProperties()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    const TClassInfo* cls = TsSkinProvider::StaticClassInfo();
    auto p = [](TObject* o) { return static_cast<TsSkinProvider*>(o); };
    auto field = [&](const wchar_t* name, bool TsSkinProvider::*member) {
        TPropInfo info;
        info.Name = name;
        info.Kind = TTypeKind::tkEnumeration;
        info.EnumNames = {L"False", L"True"};
        info.GetOrd = [p, member](TObject* o) { return int64_t(p(o)->*member); };
        info.SetOrd = [p, member](TObject* o, int64_t v) { p(o)->*member = v != 0; };
        RegisterProperty(cls, std::move(info));
    };
    field(L"AllowAnimation", &TsSkinProvider::AllowAnimation);
    field(L"AllowExtBorders", &TsSkinProvider::AllowExtBorders);
    field(L"AllowBlendOnMoving", &TsSkinProvider::AllowBlendOnMoving);
    field(L"DrawClientArea", &TsSkinProvider::DrawClientArea);
    field(L"MakeSkinMenu", &TsSkinProvider::MakeSkinMenu);
    field(L"ScreenSnap", &TsSkinProvider::ScreenSnap);
    RegisterProperty(cls, BoolProperty<TsSkinProvider>(L"DrawNonClientArea", &TsSkinProvider::DrawNonClientArea,
                                                       &TsSkinProvider::SetDrawNonClientArea));
    RegisterProperty(cls, BoolProperty<TsSkinProvider>(L"ShowAppIcon", &TsSkinProvider::ShowAppIcon,
                                                       &TsSkinProvider::SetShowAppIcon));
    RegisterProperty(cls, BoolProperty<TsSkinProvider>(L"UseGlobalColor", &TsSkinProvider::UseGlobalColor,
                                                       &TsSkinProvider::SetUseGlobalColor));
    RegisterProperty(cls, OrdProperty<TsSkinProvider, TAlignment>(
                              L"CaptionAlignment", &TsSkinProvider::CaptionAlignment,
                              &TsSkinProvider::SetCaptionAlignment, TTypeKind::tkEnumeration,
                              {L"taLeftJustify", L"taRightJustify", L"taCenter"}));
    RegisterProperty(cls, StrProperty<TsSkinProvider, const String&>(L"TitleSkin", &TsSkinProvider::TitleSkin,
                                                                     &TsSkinProvider::SetTitleSkin));
    auto enumField = [&](const wchar_t* name, std::vector<String> names, std::function<int(TsSkinProvider*)> get,
                         std::function<void(TsSkinProvider*, int)> set) {
        TPropInfo info;
        info.Name = name;
        info.Kind = TTypeKind::tkEnumeration;
        info.EnumNames = std::move(names);
        info.GetOrd = [p, get](TObject* o) { return int64_t(get(p(o))); };
        info.SetOrd = [p, set](TObject* o, int64_t v) { set(p(o), int(v)); };
        RegisterProperty(cls, std::move(info));
    };
    enumField(L"GripMode", {L"gmNone", L"gmRightBottom"}, [](TsSkinProvider* x) { return int(x->GripMode); },
              [](TsSkinProvider* x, int v) { x->GripMode = TsGripMode(v); });
    enumField(L"ResizeMode", {L"rmStandard", L"rmBorder"}, [](TsSkinProvider* x) { return int(x->ResizeMode); },
              [](TsSkinProvider* x, int v) { x->ResizeMode = TsResizeMode(v); });
    TPropInfo snap;
    snap.Name = L"SnapBuffer";
    snap.GetOrd = [p](TObject* o) { return int64_t(p(o)->SnapBuffer); };
    snap.SetOrd = [p](TObject* o, int64_t v) { p(o)->SnapBuffer = int(v); };
    RegisterProperty(cls, std::move(snap));
    TPropInfo line;
    line.Name = L"MenuLineSkin";
    line.Kind = TTypeKind::tkString;
    line.GetStr = [p](TObject* o) { return p(o)->MenuLineSkin; };
    line.SetStr = [p](TObject* o, const String& v) { p(o)->MenuLineSkin = v; };
    RegisterProperty(cls, std::move(line));
    TPropInfo data;
    data.Name = L"SkinData";
    data.Kind = TTypeKind::tkClass;
    data.GetObj = [p](TObject* o) -> TObject* { return p(o)->SkinData(); };
    RegisterProperty(cls, std::move(data));
}
