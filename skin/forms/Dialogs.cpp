#include "skin/forms/Dialogs.h"

#include <algorithm>
#include <cwctype>

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"
#include "classlib/SysUtils.h"
#include "skin/controls/AlphaImageList.h"
#include "skin/controls/ContainerWnd.h"
#include "skin/controls/MainWnd.h"
#include "skin/controls/MenuWnd.h"
#include "skin/core/SkinManager.h"
#include "skin/graphics/Glow.h"
#include "skin/graphics/SkinCommands.h"
#include "skin/graphics/Utils.h"
#include "skin/forms/DialogChildMap.h"
#include "skin/forms/DialogWnd.h"
#include "skin/forms/SkinProvider.h"

// ---------------------------------------------------------------- pure decisions

namespace {

constexpr WORD kMenuAtom = 0x8000;
constexpr WORD kDialogAtom = 0x8002;

bool SameNoCase(const String& a, const wchar_t* b)
{
    size_t n = wcslen(b);
    if (a.size() != n)
        return false;
    for (size_t i = 0; i < n; ++i)
        if (std::towlower(a[i]) != std::towlower(b[i]))
            return false;
    return true;
}

}  // namespace

bool IsDialogClass(WORD atom, const String& name)
{
    return atom ? atom == kDialogAtom : SameNoCase(name, L"#32770");
}

bool IsMenuClass(WORD atom, const String& name)
{
    return atom ? atom == kMenuAtom : SameNoCase(name, L"#32768");
}

TkvHookAction ClassifyHookCall(const TkvHookFacts& f)
{
    switch (f.Code) {
    case HCBT_CREATEWND:
        if (!f.WindowGiven)
            return TkvHookAction::None;
        if (IsDialogClass(f.ClassAtom, f.ClassName))
            return TkvHookAction::RegisterWindow;
        if (IsMenuClass(f.ClassAtom, f.ClassName))
            return f.ManagerReady && !f.AlreadySkinned ? TkvHookAction::AddMenuWrapper : TkvHookAction::None;
        if (f.ClassAtom)
            return TkvHookAction::None;
        // A window of a class given by name: a form of ours, unless it is a
        // utility window, a child (other than an MDI child of a frame skinned
        // here, which follows its frame), or the main form.
        if (f.ClassName.empty() || f.ClassName == L"TPUtilWindow")
            return TkvHookAction::None;
        if ((f.Style & WS_CHILD) && f.ChildOfSkinnedMDIFrame)
            return TkvHookAction::RegisterWindow;
        if (!f.Style || !f.ExStyle || (f.Style & WS_CHILD) || f.IsMainForm)
            return TkvHookAction::None;
        return TkvHookAction::RegisterWindow;
    case HCBT_DESTROYWND:
        return f.GlowsFreeing ? TkvHookAction::None : TkvHookAction::FreeDeadProviders;
    case HCBT_ACTIVATE:
        return f.WindowGiven ? TkvHookAction::RegisterWindow : TkvHookAction::None;
    default:
        return TkvHookAction::None;
    }
}

TkvRegistration DecideRegistration(const TkvRegisterFacts& f)
{
    using R = TkvRegistration;
    if (!f.ManagerExists || f.AppDestroying || f.AlreadySkinned || f.InList)
        return R::Skip;
    // A popup counts only with a border (menus, tool tips and drop-downs have none).
    if ((f.Style & WS_POPUP) && !(f.Style & WS_BORDER))
        return R::Skip;
    if (!f.FormFound) {
        // A window that is no child counts as parentless: a message box with
        // an owner is skinned too.
        if (!f.DialogClass || (f.Style & WS_CHILD) || !(f.Rules & srStdDialogs))
            return R::Skip;
        if (f.VisibleDialogs < VisibleDialogLimit || f.HasToolBar)
            return R::SkinDialog;
        return R::Skip;
    }
    if (TagExcludes(f.Tag))
        return R::Skip;
    if (f.Loading && !f.MDIChild)
        return R::Defer;
    if (f.UnskinnedClass)
        return R::Skip;
    unsigned rule = f.MessageForm ? srStdDialogs : srStdForms;
    return (f.Rules & rule) ? R::SkinForm : R::Skip;
}

// ---------------------------------------------------------------- the list

namespace {

int unitRefs = 0;

// The list lives with the manager's dialog hook (SkinnedDialogs); its entries
// are this unit's.
std::vector<TsSkinnedDialog*>* List() { return SkinnedDialogs(); }

TkvProvider* AsProvider(TsSkinnedDialog* d) { return dynamic_cast<TkvProvider*>(d); }

void EmptySlotOf(TkvProvider* p)
{
    if (auto* list = List())
        for (auto& d : *list)
            if (d == p)
                d = nullptr;
}

void AddToList(TkvProvider* p)
{
    auto* list = List();
    if (!list)
        return;
    auto slot = std::find(list->begin(), list->end(), nullptr);
    if (slot != list->end())
        *slot = p;
    else
        list->push_back(p);
}

TsSkinManager* ActiveDefault()
{
    return DefaultManager && DefaultManager->SkinData().Active ? DefaultManager : nullptr;
}

bool AppDestroying() { return Application && Application->Destroying(); }

}  // namespace


std::vector<TkvProvider*> DialogProviders()
{
    std::vector<TkvProvider*> out;
    if (auto* list = List())
        for (TsSkinnedDialog* d : *list)
            if (TkvProvider* p = AsProvider(d))
                out.push_back(p);
    return out;
}

TkvProvider* FindProviderByHandle(HWND wnd)
{
    for (TkvProvider* p : DialogProviders())
        if (p->Handle() == wnd)
            return p;
    return nullptr;
}

TCustomForm* FindFormByHandle(HWND wnd)
{
    if (!Application || !wnd)
        return nullptr;
    for (TCustomForm* f : Application->Forms())
        if (f && !f->Destroying() && f->HandleAllocated() && f->Handle() == wnd)
            return f;
    return nullptr;
}

int CountVisibleDialogs()
{
    int n = 0;
    for (TkvProvider* p : DialogProviders())
        if (p->DialogWnd() && !p->DialogWnd()->Destroyed && IsWindowVisible(p->Handle()))
            ++n;
    return n;
}

namespace {
struct ClassSearch {
    const char* name;
    bool found;
};
BOOL CALLBACK FindClassProc(HWND child, LPARAM l)
{
    auto* s = reinterpret_cast<ClassSearch*>(l);
    char cls[129] = {};
    int n = GetClassNameA(child, cls, 128);
    for (int i = 0; i < n; ++i)
        cls[i] = char(std::tolower(static_cast<unsigned char>(cls[i])));
    if (strcmp(cls, s->name) == 0) {
        s->found = true;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

bool HasChildOfClass(HWND wnd, const char* lowerClass)
{
    ClassSearch s{lowerClass, false};
    EnumChildWindows(wnd, FindClassProc, LPARAM(&s));   // every descendant
    return s.found;
}

String GetWndClassName(HWND wnd)
{
    char cls[129] = {};
    int n = GetClassNameA(wnd, cls, 128);
    return AnsiToString(std::string(cls, size_t(std::max(n, 0))));
}

void RelayToChildWindows(HWND wnd, UINT msg, WPARAM w, LPARAM l)
{
    for (HWND c = GetTopWindow(wnd); c; c = GetWindow(c, GW_HWNDNEXT))
        SendMessageW(c, msg, w, l);
}

namespace {
bool StaticShowsNothing(HWND child, DWORD style)
{
    switch (style & SS_TYPEMASK) {
    case SS_ICON:
        return !SendMessageW(child, STM_GETICON, 0, 0);
    case SS_BITMAP:
        return !SendMessageW(child, STM_GETIMAGE, IMAGE_BITMAP, 0);
    default:
        return false;
    }
}

struct ExcludeData {
    HDC dc;
    HWND parent;
    int x, y;
};
BOOL CALLBACK ExcludeProc(HWND child, LPARAM l)
{
    auto* d = reinterpret_cast<ExcludeData*>(l);
    if (GetParent(child) != d->parent)
        return TRUE;   // direct children only
    DWORD s = DWORD(GetWindowLongPtrW(child, GWL_STYLE));
    if (!(s & WS_VISIBLE) || (s & 7) == 7)
        return TRUE;
    char cls[16] = {};
    GetClassNameA(child, cls, 15);
    if ((s & WS_TABSTOP) && _stricmp(cls, "static") == 0)
        return TRUE;
    // An icon or picture static that shows nothing (a box without an icon)
    // paints nothing: the dialog's background stays under it.
    if (_stricmp(cls, "static") == 0 && StaticShowsNothing(child, s))
        return TRUE;
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, d->parent, reinterpret_cast<POINT*>(&r), 2);
    ExcludeClipRect(d->dc, r.left + d->x, r.top + d->y, r.right + d->x, r.bottom + d->y);
    return TRUE;
}
}  // namespace

void ExcludeChildRects(HDC dc, HWND wnd, int x, int y)
{
    ExcludeData d{dc, wnd, x, y};
    EnumChildWindows(wnd, ExcludeProc, LPARAM(&d));
}

void FreeDeadProviders()
{
    auto* list = List();
    if (!list)
        return;
    std::vector<TkvProvider*> dead;
    for (auto& d : *list) {
        TkvProvider* p = AsProvider(d);
        // A wrapper whose system menu is still open waits for the next notice.
        if (p && p->DialogWnd() && p->DialogWnd()->Destroyed && !p->DialogWnd()->MenuOpen()) {
            d = nullptr;
            dead.push_back(p);
        }
    }
    for (TkvProvider* p : dead)
        delete p;
}

void ClearDialogProviders()
{
    auto* list = List();
    if (!list)
        return;
    // Slots are emptied before anything is freed: a provider owned by a form
    // empties its own slot when freed, and a second clear finds nothing.
    std::vector<TkvProvider*> all;
    for (auto& d : *list) {
        if (TkvProvider* p = AsProvider(d))
            all.push_back(p);
        d = nullptr;
    }
    list->clear();
    for (TkvProvider* p : all)
        delete p;
}

// ---------------------------------------------------------------- TkvProvider

TkvProvider::TkvProvider(TComponent* owner) : TComponent(owner) {}

TkvProvider::~TkvProvider()
{
    EmptySlotOf(this);
    for (TkvMainWnd*& c : children_) {
        delete c;
        c = nullptr;
    }
    children_.clear();
    delete dialogWnd_;
    dialogWnd_ = nullptr;
}

void TkvProvider::AttachSkinProvider(TCustomForm* form)
{
    handle_ = form->Handle();
    SkinProvider = TsSkinProvider::CreateAtRunTime(form);
    SkinProvider->SetUseGlobalColor(false);
    if (DwmCompositionEnabled()) {
        SkinProvider->Loaded();
        RedrawWindow(handle_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_ERASE | RDW_INVALIDATE);
        SendMessageW(handle_, WM_NCPAINT, 0, 0);
    }
    // Forms skinned through the hook show no skin list in their system menu.
    SkinProvider->MakeSkinMenu = false;
}

bool TkvProvider::InitDialog(HWND wnd)
{
    handle_ = wnd;
    TsSkinManager* m = ActiveDefault();
    if (dialogWnd_ || !m)
        return true;
    RightToLeft = (GetWindowLongPtrW(wnd, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0;
    if (UninitializeFlatSBFn)
        UninitializeFlatSBFn(wnd);
    dialogWnd_ = CreateWrapper<TkvDialogWnd>(wnd, nullptr, m, String(L"DIALOG"), false);
    dialogWnd_->Provider = this;
    if (MsgBoxPosX != -1 || MsgBoxPosY != -1)
        SetWindowPos(wnd, nullptr, MsgBoxPosX, MsgBoxPosY, 0, 0,
                     SWP_NOOWNERZORDER | SWP_NOREDRAW | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (!WrapChildren(wnd)) {
        EmptySlotOf(this);
        return false;
    }
    dialogWnd_->ReadStyles();
    SendMessageW(wnd, SkinCommandMessage, MakeSkinCmdWParam(SkinCmdNewSkin), LPARAM(m));
    return true;
}

bool TkvProvider::WrapChildren(HWND wnd)
{
    for (HWND c = GetTopWindow(wnd); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (!WrapChildren(c))
            return false;
        if ((GetWindowLongPtrW(c, GWL_STYLE) & WS_CHILD) && !WrapChildWindow(c))
            return false;
    }
    return true;
}

namespace {

// A class-library panel inside a system dialog takes the skin's colours: the
// panel the global colour, its labels the global font colour over a see-through
// background. A silent-paint panel loses its text and repaints its background.
void AdoptPanelControl(TkvMainWnd* w, HWND child, bool silent, TsSkinManager* m)
{
    TWinControl* control = TWinControl::FindControl(child);
    if (auto* panel = dynamic_cast<TkvPanelWnd*>(w))
        panel->Panel = dynamic_cast<TCustomPanel*>(control);
    if (!control)
        return;
    if (silent) {
        control->SetText(L"");
        if (w->CommonData)
            w->CommonData->BackgroundChanged = true;
        return;
    }
    for (int i = 0; i < control->ControlCount(); ++i)
        if (auto* label = dynamic_cast<TCustomLabel*>(control->Controls(i))) {
            label->Font().SetColor(TColor(m->GetGlobalFontColor()));
            label->SetTransparent(true);
        }
    control->SetColor(TColor(m->GetGlobalColor()));
}

}  // namespace

bool TkvProvider::WrapChildWindow(HWND child)
{
    if (!child || QueryWindowSkinFlag(child, SkinCmdIsSkinned))
        return true;
    TsSkinManager* m = ActiveDefault();
    if (!m)
        return true;
    struct Mode {
        bool saved = DialogMode;
        Mode() { DialogMode = true; }
        ~Mode() { DialogMode = saved; }
    } mode;
    TkvChildRow row = MapDialogChild(ReadChildFacts(child));
    if (row.Kind == TkvChildWrapper::None)
        return true;
    bool repaint = true;
    if (row.RepaintFromDialogCache)
        repaint = dialogWnd_ && dialogWnd_->CommonData && dialogWnd_->CommonData->CacheBitmap &&
                  !dialogWnd_->CommonData->CacheBitmap->Empty();
    TkvMainWnd* w = MakeDialogChildWrapper(row, child, m, repaint);
    if (row.ClearsPaintForbidden && dialogWnd_)
        dialogWnd_->PaintForbidden = false;
    if (!w)
        return true;
    if (row.DialogMode)
        w->InDialog = true;
    if (row.Kind == TkvChildWrapper::Panel || row.Kind == TkvChildWrapper::SilentPanel)
        AdoptPanelControl(w, child, row.Kind == TkvChildWrapper::SilentPanel, m);
    children_.push_back(w);
    GetWndGeometry(child, w->ParentHandle, w->WindowArea, w->PosInParent, w->WindowExtent, w->ParentRect);
    return true;
}

void TkvProvider::PrintChildren(HWND wnd, HDC dc)
{
    for (HWND c = GetTopWindow(wnd); c; c = GetWindow(c, GW_HWNDNEXT)) {
        int saved = SaveDC(dc);
        RECT r{};
        GetWindowRect(c, &r);
        MapWindowPoints(nullptr, wnd, reinterpret_cast<POINT*>(&r), 2);
        POINT org{};
        GetWindowOrgEx(dc, &org);
        SetWindowOrgEx(dc, org.x - r.left, org.y - r.top, nullptr);
        DWORD s = DWORD(GetWindowLongPtrW(c, GWL_STYLE));
        if ((s & WS_CHILD) && (s & WS_VISIBLE)) {
            SendMessageW(c, SkinCommandMessage, MakeSkinCmdWParam(SkinCmdSetPrintTarget), LPARAM(dc));
            SendMessageW(c, WM_PRINT, WPARAM(dc), 0);
            SendMessageW(c, SkinCommandMessage, MakeSkinCmdWParam(SkinCmdSetPrintTarget), 0);
        }
        PrintChildren(c, dc);
        RestoreDC(dc, saved);
    }
}

// ---------------------------------------------------------------- registration

bool RegisterSkinnedWindow(HWND wnd, const CREATESTRUCTW* cs)
{
    TsSkinManager* m = DefaultManager;
    if (!m || AppDestroying() || !wnd || !List())
        return false;
    TkvRegisterFacts f;
    f.ManagerExists = true;
    f.AlreadySkinned = QueryWindowSkinFlag(wnd, SkinCmdIsSkinned);
    f.InList = FindProviderByHandle(wnd) != nullptr;
    f.Style = DWORD(GetWindowLongPtrW(wnd, GWL_STYLE));
    String cls;
    WORD atom = 0;
    if (cs && cs->lpszClass) {
        if (IS_INTRESOURCE(cs->lpszClass))
            atom = LOWORD(reinterpret_cast<ULONG_PTR>(cs->lpszClass));
        else
            cls = cs->lpszClass;
    }
    if (!atom && cls.empty())
        cls = GetWndClassName(wnd);
    f.DialogClass = IsDialogClass(atom, cls);
    TCustomForm* form = FindFormByHandle(wnd);
    if (form) {
        f.FormFound = true;
        f.Tag = form->Tag();
        f.Loading = (form->ComponentState() & csLoading) != 0;
        f.MDIChild = form->FormStyle() == TFormStyle::fsMDIChild;
        f.UnskinnedClass = IsUnskinnedClass(form->ClassName());
        f.MessageForm = form->ClassName() == L"TMessageForm";
    }
    f.Rules = m->SkinningRules;
    if (f.DialogClass && !form && !f.AlreadySkinned && !f.InList) {
        // Free the dialogs already gone first, so they do not count.
        FreeDeadProviders();
        f.VisibleDialogs = CountVisibleDialogs();
        f.HasToolBar = f.VisibleDialogs >= VisibleDialogLimit && HasChildOfClass(wnd, "toolbarwindow32");
    }
    switch (DecideRegistration(f)) {
    case TkvRegistration::Skip:
        return false;
    case TkvRegistration::Defer:
        return true;
    case TkvRegistration::SkinDialog: {
        bool allow = true;
        if (m->OnSysDlgInit) {
            TkvSysDlgData data;
            data.WndHandle = wnd;
            m->OnSysDlgInit(data, allow);
        }
        if (!allow || !ActiveDefault())
            return true;
        auto* p = new TkvProvider(nullptr);
        AddToList(p);
        if (!p->InitDialog(wnd)) {
            EmptySlotOf(p);
            delete p;
        }
        return true;
    }
    case TkvRegistration::SkinForm: {
        // An MDI frame brings its children along: each one not yet skinned
        // (and not excluded by its Tag) gets a provider of its own.
        std::vector<TCustomForm*> targets{form};
        if (form->FormStyle() == TFormStyle::fsMDIForm)
            for (int i = 0; i < form->MDIChildCount(); ++i) {
                TCustomForm* child = form->MDIChildren(i);
                if (child && !TagExcludes(child->Tag()) && !QueryWindowSkinFlag(child->Handle(), SkinCmdIsSkinned) &&
                    !FindProviderByHandle(child->Handle()))
                    targets.push_back(child);
            }
        for (TCustomForm* target : targets) {
            auto* p = new TkvProvider(target);
            AddToList(p);
            try {
                p->AttachSkinProvider(target);
            } catch (...) {
                delete p;   // empties its slot; nothing half-made stays
                throw;
            }
        }
        return true;
    }
    }
    return false;
}

LRESULT CALLBACK DialogHookProc(int code, WPARAM w, LPARAM l)
{
    LRESULT result = CallNextHookEx(nullptr, code, w, l);
    if (code < 0 || AppDestroying())
        return result;
    // Nothing may leave a hook procedure.
    try {
        TkvHookFacts f;
        f.Code = code;
        f.WindowGiven = w != 0;
        f.GlowsFreeing = GlowFormClosing;
        HWND wnd = reinterpret_cast<HWND>(w);
        const CREATESTRUCTW* cs = nullptr;
        if (code == HCBT_CREATEWND && l) {
            cs = reinterpret_cast<CBT_CREATEWNDW*>(l)->lpcs;
            if (cs) {
                if (IS_INTRESOURCE(cs->lpszClass))
                    f.ClassAtom = LOWORD(reinterpret_cast<ULONG_PTR>(cs->lpszClass));
                else if (cs->lpszClass)
                    f.ClassName = cs->lpszClass;
                f.Style = DWORD(cs->style);
                f.ExStyle = cs->dwExStyle;
                if ((f.Style & WS_CHILD) && cs->hwndParent && !f.ClassAtom) {
                    HWND frame = GetParent(cs->hwndParent);
                    f.ChildOfSkinnedMDIFrame = frame && _wcsicmp(GetWndClassName(cs->hwndParent).c_str(), L"mdiclient") == 0 &&
                                               FindProviderByHandle(frame) != nullptr;
                }
            }
            TCustomForm* main = Application ? Application->MainForm() : nullptr;
            f.IsMainForm = main && main->HandleAllocated() && main->Handle() == wnd;
            f.ManagerReady = DefaultManager && DefaultManager->SkinnedPopups();
            if (IsMenuClass(f.ClassAtom, f.ClassName))
                f.AlreadySkinned = QueryWindowSkinFlag(wnd, SkinCmdIsSkinned);
        }
        switch (ClassifyHookCall(f)) {
        case TkvHookAction::RegisterWindow:
            RegisterSkinnedWindow(wnd, code == HCBT_CREATEWND ? cs : nullptr);
            break;
        case TkvHookAction::AddMenuWrapper:
            AttachMenuWindow(wnd, DefaultManager);
            break;
        case TkvHookAction::FreeDeadProviders:
            FreeDeadProviders();
            break;
        case TkvHookAction::None:
            break;
        }
    } catch (...) {
    }
    return result;
}

// ---------------------------------------------------------------- unit start and end

void InitDialogsUnit()
{
    if (unitRefs++ > 0)
        return;
    SkinHooks.DialogHookProc = DialogHookProc;
    SkinHooks.ClearDialogList = ClearDialogProviders;
}

void DoneDialogsUnit()
{
    if (unitRefs == 0 || --unitRefs > 0)
        return;
    FreeMenuWrappers();
    ClearDialogProviders();
    if (SkinHooks.DialogHookProc == DialogHookProc)
        SkinHooks.DialogHookProc = nullptr;
    SkinHooks.ClearDialogList = nullptr;
}
