#include "skin/forms/SystemMenu.h"

#include "classlib/Classes.h"
#include "classlib/TypInfo.h"
#include "skin/core/SkinManager.h"
#include "skin/core/SkinMenus.h"
#include "skin/forms/DialogWnd.h"
#include "skin/forms/Dialogs.h"
#include "skin/forms/FrameGeometry.h"
#include "skin/forms/FramePaint.h"
#include "skin/forms/LiveToken.h"
#include "skin/forms/SkinProvider.h"
#include "skin/graphics/Constants.h"

// ---------------------------------------------------------------- the state rules

namespace {

bool Framed(TFormBorderStyle bs) { return bs == TFormBorderStyle::bsSingle || bs == TFormBorderStyle::bsSizeable; }
bool SysIcon(const TsSysMenuFacts& f) { return (f.Icons & biSystemMenu) != 0; }

}  // namespace

bool SysVisibleClose(const TsSysMenuFacts& f) { return SysIcon(f) && f.RealMenu && f.RealClose; }

bool SysVisibleMax(const TsSysMenuFacts& f)
{
    return SysIcon(f) && (f.Iconic || f.MDIChild || (Framed(f.BorderStyle) && (f.Icons & biMaximize)));
}

bool SysVisibleMin(const TsSysMenuFacts& f)
{
    return SysIcon(f) && (f.Iconic || f.MDIChild || (Framed(f.BorderStyle) && (f.Icons & biMinimize)));
}

bool SysEnabledMax(const TsSysMenuFacts& f)
{
    return (f.Icons & biMaximize) && (f.MDIChild || Framed(f.BorderStyle));
}

bool SysEnabledMin(const TsSysMenuFacts& f) { return (f.Icons & biMinimize) && (!f.Iconic || f.MainForm); }

bool SysEnabledRestore(const TsSysMenuFacts& f)
{
    return ((f.Icons & biMaximize) && f.State != TWindowState::wsNormal) || f.State == TWindowState::wsMinimized;
}

TsSysMenuStates FormSysMenuStates(const TsSysMenuFacts& f)
{
    const TFormBorderStyle bs = f.BorderStyle;
    TsSysMenuStates s;
    s.Restore = {SysIcon(f) && (f.MDIChild || Framed(bs)), SysEnabledRestore(f)};
    s.Move = {true, f.State != TWindowState::wsMaximized};
    // A maximised window can be neither sized nor maximised again: both are
    // greyed, as the real menu shows them (the title's buttons keep their rules).
    const bool maximized = f.State == TWindowState::wsMaximized;
    s.Size = {f.MDIChild || (bs != TFormBorderStyle::bsNone && bs != TFormBorderStyle::bsDialog &&
                             bs != TFormBorderStyle::bsToolWindow),
              bs != TFormBorderStyle::bsSingle && !f.Iconic && !maximized};
    s.Minimize = {SysVisibleMin(f), SysEnabledMin(f)};
    s.Maximize = {SysVisibleMax(f), SysEnabledMax(f) && !maximized};
    // Close is greyed where the real menu greys it (a window class without a
    // close command), as the real menu would show it.
    s.Close = {SysVisibleClose(f), !f.RealCloseDisabled};
    return s;
}

TsSysMenuStates DialogSysMenuStates(DWORD style, int kind, bool iconic, bool zoomed, bool closeGreyed)
{
    const bool sysMenu = (style & WS_SYSMENU) != 0, minBox = (style & WS_MINIMIZEBOX) != 0,
               maxBox = (style & WS_MAXIMIZEBOX) != 0;
    const bool sizing = kind == 1 || kind == 3 || kind == 5;
    TsSysMenuStates s;
    s.Restore = {(kind == 1 || kind == 3) && sysMenu, maxBox && (iconic || zoomed)};
    s.Move = {true, !zoomed};
    s.Size = {sizing, kind != 1 && !iconic};
    s.Minimize = {minBox, minBox && !iconic};
    s.Maximize = {maxBox, maxBox && !zoomed && sizing};
    s.Close = {sysMenu, !closeGreyed};
    return s;
}

TsMenuEntryText ReadMenuEntry(HMENU menu, UINT commandOrPosition, bool byPosition)
{
    TsMenuEntryText e;
    wchar_t text[256] = {};
    const int n = GetMenuStringW(menu, commandOrPosition, text, 255, byPosition ? MF_BYPOSITION : MF_BYCOMMAND);
    if (n <= 0)
        return e;
    e.Found = true;
    String all(text, size_t(std::min(n, 255)));
    const size_t tab = all.find(L'\t');
    e.Caption = all.substr(0, tab);
    if (tab != String::npos)
        e.ShortCutText = all.substr(tab + 1);
    return e;
}

// ---------------------------------------------------------------- names

const wchar_t* const SysItemNames[6] = {L"kvIR", L"kvIM", L"kvIS", L"kvIN", L"kvIX", L"kvIC"};
const wchar_t* const DialogItemNames[6] = {L"miRestore", L"miMove", L"miSize", L"miMinimize", L"miMaximize",
                                           L"miClose"};
const wchar_t* const SkinSelectItemName = L"SkinSelectItem";

namespace {

struct StandardItem {
    UINT Command;
    unsigned Caption;   // string id of the default caption
};
// Restore, Move, Size, Minimize, Maximize, Close: the order of the names above.
constexpr StandardItem kStandard[6] = {
    {SC_RESTORE, StrSysMenuRestore}, {SC_MOVE, StrSysMenuMove},         {SC_SIZE, StrSysMenuSize},
    {SC_MINIMIZE, StrSysMenuMinimize}, {SC_MAXIMIZE, StrSysMenuMaximize}, {SC_CLOSE, StrSysMenuClose},
};

void Apply(TMenuItem* item, const TsSysItemState& s)
{
    if (!item)
        return;
    item->SetVisible(s.Visible);
    item->SetEnabled(s.Enabled);
}

// A caption shows '&' as it is only when it is doubled.
String DoubleAmpersands(const String& text)
{
    String out;
    for (wchar_t c : text) {
        out += c;
        if (c == L'&')
            out += L'&';
    }
    return out;
}

TMenuItem* FindIn(TMenuItem* parent, const String& name)
{
    for (int i = 0; i < parent->Count(); ++i) {
        TMenuItem* item = parent->Items(i);
        if (item->Name() == name)
            return item;
        if (TMenuItem* found = FindIn(item, name))
            return found;
    }
    return nullptr;
}

}  // namespace

TMenuItem* FindMenuItem(TMenu* menu, const String& name)
{
    return menu && !name.empty() ? FindIn(menu->Items(), name) : nullptr;
}

// ---------------------------------------------------------------- TkvSysSubMenu

void TkvSysSubMenu::SetPopupMenu(TPopupMenu* menu)
{
    if (menu == popupMenu_)
        return;
    if (popupMenu_ && provider_)
        provider_->RemoveFreeNotification(popupMenu_);
    popupMenu_ = menu;
    if (popupMenu_ && provider_)
        provider_->FreeNotification(popupMenu_);
}

void TkvSysSubMenu::Assign(const TPersistent* source)
{
    if (auto* s = dynamic_cast<const TkvSysSubMenu*>(source)) {
        Caption = s->Caption;
        Position = s->Position;
        SetPopupMenu(s->popupMenu_);
        return;
    }
    TPersistent::Assign(source);
}

void TkvSysSubMenuDelete::operator()(TkvSysSubMenu* p) const { delete p; }

// ---------------------------------------------------------------- TsCustomSysMenu

namespace {
[[noreturn]] void Abstract() { throw EAbstractError(L"Abstract error"); }
}  // namespace

bool TsCustomSysMenu::VisibleClose() { Abstract(); }
bool TsCustomSysMenu::VisibleMax() { Abstract(); }
bool TsCustomSysMenu::VisibleMin() { Abstract(); }
bool TsCustomSysMenu::EnabledMax() { Abstract(); }
bool TsCustomSysMenu::EnabledMin() { Abstract(); }
bool TsCustomSysMenu::EnabledRestore() { Abstract(); }

// ---------------------------------------------------------------- TsSystemMenu

TsSystemMenu::TsSystemMenu(TsSkinProvider* provider)
    : TsCustomSysMenu(provider), provider_(provider), form_(provider->FormOf())
{
    SetName(L"kvSysMenu" + IntToStr(GetTickCount()));
}

TsSystemMenu::~TsSystemMenu() = default;

HMENU TsSystemMenu::RealMenu() const
{
    // Taken by the provider while WS_SYSMENU was still on; asked again when
    // the window has made another one since.
    if (provider_->sysMenu_ && IsMenu(provider_->sysMenu_))
        return provider_->sysMenu_;
    HWND wnd = provider_->Window();
    return wnd && IsWindow(wnd) ? GetSystemMenu(wnd, FALSE) : nullptr;
}

TMenuItem* TsSystemMenu::NewItem(TMenuItem* parent, const String& caption, const String& name, long tag)
{
    auto* item = new TMenuItem();
    item->SetCaption(caption);
    item->SetName(name);
    item->SetTag(tag);
    parent->Add(item);
    return item;
}

void TsSystemMenu::BuildItems()
{
    BeginUpdate();
    Items()->Clear();
    restore_ = move_ = size_ = minimize_ = maximize_ = close_ = subMenu_ = nullptr;
    extraCount_ = 0;
    skinNames_.clear();
    HMENU real = RealMenu();
    if (!real) {
        EndUpdate();
        return;
    }
    MergeSubMenu(TkvMenuItemPos::ipTop);
    TMenuItem** slots[6] = {&restore_, &move_, &size_, &minimize_, &maximize_, &close_};
    for (int i = 0; i < 5; ++i) {
        const TsMenuEntryText e = ReadMenuEntry(real, kStandard[i].Command, false);
        TMenuItem* item = NewItem(Items(), e.Found ? e.Caption : SkinUIString(kStandard[i].Caption), SysItemNames[i],
                                  long(kStandard[i].Command));
        if (!e.ShortCutText.empty())
            item->SetShortCut(TextToShortCut(e.ShortCutText));
        item->OnClick = TNotifyEvent(this, &TsSystemMenu::StandardClick);
        *slots[i] = item;
    }
    NewItem(Items(), L"-", L"", 0);

    // The program's own commands. A sub-menu answers -1 for its id: it is no
    // command and is left out; so are separators (no text).
    const int count = GetMenuItemCount(real);
    for (int i = 0; i < count; ++i) {
        const UINT id = GetMenuItemID(real, i);
        if (id == UINT(-1) || (id >= 0xF000 && id <= 0xF1FF))
            continue;
        const TsMenuEntryText e = ReadMenuEntry(real, UINT(i), true);
        if (!e.Found)
            continue;
        TMenuItem* item = NewItem(Items(), e.Caption, L"", long(id));
        if (!e.ShortCutText.empty())
            item->SetShortCut(TextToShortCut(e.ShortCutText));
        item->OnClick = TNotifyEvent(this, &TsSystemMenu::ExtraClick);
        ++extraCount_;
    }
    if (extraCount_)
        NewItem(Items(), L"-", L"", 0);

    MergeSubMenu(TkvMenuItemPos::ipBeforeClose);
    const TsMenuEntryText e = ReadMenuEntry(real, SC_CLOSE, false);
    close_ = NewItem(Items(), e.Found ? e.Caption : SkinUIString(StrSysMenuClose), SysItemNames[5], long(SC_CLOSE));
    if (!e.ShortCutText.empty())
        close_->SetShortCut(TextToShortCut(e.ShortCutText));
    close_->SetEnabled(!Facts().RealCloseDisabled);
    close_->OnClick = TNotifyEvent(this, &TsSystemMenu::StandardClick);
    MergeSubMenu(TkvMenuItemPos::ipBottom);
    EndUpdate();
}

void TsSystemMenu::MergeSubMenu(TkvMenuItemPos position)
{
    TkvSysSubMenu& sub = provider_->SysSubMenu();
    if (sub.Position != position || sub.Caption.empty() || !sub.PopupMenu())
        return;
    if (position == TkvMenuItemPos::ipBottom)
        NewItem(Items(), L"-", L"kv_BtmDiv", 0);
    subMenu_ = NewItem(Items(), sub.Caption, L"kv_SubMenu", 0);
    CopyItems(sub.PopupMenu()->Items(), subMenu_);
    SetImages(sub.PopupMenu()->Images());
    if (position != TkvMenuItemPos::ipBottom)
        NewItem(Items(), L"-", L"kv_TopDiv", 0);
}

void TsSystemMenu::CopyItems(TMenuItem* from, TMenuItem* to)
{
    for (int i = 0; i < from->Count(); ++i) {
        TMenuItem* source = from->Items(i);
        TMenuItem* copy = NewItem(to, source->Caption(), source->Name().empty() ? String() : source->Name() + L"Copy",
                                  source->Tag());
        copy->SetShortCut(source->ShortCut());
        copy->SetChecked(source->Checked());
        copy->SetHelpContext(source->HelpContext());
        copy->OnClick = source->OnClick;
        copy->SetEnabled(source->Enabled());
        copy->SetImageIndex(source->ImageIndex());
        CopyItems(source, copy);
    }
}

TsSysMenuFacts TsSystemMenu::Facts()
{
    TsSysMenuFacts f;
    HWND wnd = provider_->Window();
    const bool window = wnd && IsWindow(wnd);
    if (form_) {
        f.BorderStyle = form_->BorderStyle();
        f.Icons = form_->BorderIcons();
        f.State = form_->WindowState();
        f.MDIChild = form_->FormStyle() == TFormStyle::fsMDIChild;
        f.MainForm = Application && Application->MainForm() == form_;
    }
    f.Iconic = window && IsIconic(wnd);
    HMENU real = RealMenu();
    f.RealMenu = real != nullptr;
    const UINT closeState = real ? GetMenuState(real, SC_CLOSE, MF_BYCOMMAND) : UINT(-1);
    f.RealClose = closeState != UINT(-1);
    f.RealCloseDisabled = f.RealClose && (closeState & (MF_DISABLED | MF_GRAYED)) != 0;
    return f;
}

bool TsSystemMenu::VisibleClose() { return SysVisibleClose(Facts()); }
bool TsSystemMenu::VisibleMax() { return SysVisibleMax(Facts()); }
bool TsSystemMenu::VisibleMin() { return SysVisibleMin(Facts()); }
bool TsSystemMenu::EnabledMax() { return SysEnabledMax(Facts()); }
bool TsSystemMenu::EnabledMin() { return SysEnabledMin(Facts()); }
bool TsSystemMenu::EnabledRestore() { return SysEnabledRestore(Facts()); }
bool TsSystemMenu::RestoreVisible() { return FormSysMenuStates(Facts()).Restore.Visible; }
bool TsSystemMenu::MoveEnabled() { return FormSysMenuStates(Facts()).Move.Enabled; }
bool TsSystemMenu::SizeVisible() { return FormSysMenuStates(Facts()).Size.Visible; }
bool TsSystemMenu::SizeEnabled() { return FormSysMenuStates(Facts()).Size.Enabled; }
bool TsSystemMenu::CloseEnabled() { return FormSysMenuStates(Facts()).Close.Enabled; }

void TsSystemMenu::RefreshItemStates(bool rebuild)
{
    if (rebuild || !close_)
        BuildItems();
    if (!close_)
        return;
    const TsSysMenuStates s = FormSysMenuStates(Facts());
    BeginUpdate();
    Apply(restore_, s.Restore);
    Apply(move_, s.Move);
    Apply(size_, s.Size);
    Apply(minimize_, s.Minimize);
    Apply(maximize_, s.Maximize);
    Apply(close_, s.Close);
    EndUpdate();
}

void TsSystemMenu::RemoveSkinList()
{
    if (Items()->Count() == 0 || Items()->Items(0)->Name() != SkinSelectItemName)
        return;
    BeginUpdate();
    Items()->Delete(0);
    // The divider under the list goes with it, so shows never pile dividers up.
    if (Items()->Count() > 0 && Items()->Items(0)->IsDivider() && Items()->Items(0)->Name().empty())
        Items()->Delete(0);
    skinNames_.clear();
    EndUpdate();
}

void TsSystemMenu::AddSkinList()
{
    TsSkinManager* m = provider_->Manager();
    if (!m)
        return;
    TStringList list;
    m->ListSkins(list, 2);
    if (list.Count() == 0)
        return;
    BeginUpdate();
    RemoveSkinList();
    auto* head = new TMenuItem();
    head->SetCaption(SkinUIString(StrAvailableSkins));
    head->SetName(SkinSelectItemName);
    Items()->Insert(0, head);
    auto* divider = new TMenuItem();
    divider->SetCaption(L"-");
    Items()->Insert(1, divider);
    bool checked = false;
    for (int i = 0; i < list.Count(); ++i) {
        const String name = list.Get(i);
        TMenuItem* item = NewItem(head, DoubleAmpersands(name), SkinSelectItemName + IntToStr(i), long(i));
        item->SetRadioItem(true);
        if (!checked && name == m->SkinName()) {
            item->SetChecked(true);
            checked = true;
        }
        if (i > 0 && i % SkinListColumnLength == 0)
            item->SetBreak(TMenuBreak::mbBreak);
        item->OnClick = TNotifyEvent(this, &TsSystemMenu::SkinClick);
        skinNames_.push_back(name);
    }
    EndUpdate();
}

void TsSystemMenu::StandardClick(TObject* sender)
{
    const UINT command = UINT(static_cast<TMenuItem*>(sender)->Tag());
    HWND wnd = provider_->Window();
    if (!wnd || !IsWindow(wnd))
        return;
    // Close may free the form, its provider and this menu: nothing after it.
    SendMessageW(wnd, WM_SYSCOMMAND, command, 0);
    if ((command == SC_RESTORE || command == SC_MAXIMIZE || command == SC_MINIMIZE) && IsWindow(wnd))
        RefreshItemStates(false);
}

void TsSystemMenu::ExtraClick(TObject* sender)
{
    HWND wnd = provider_->Window();
    if (wnd && IsWindow(wnd))
        PostMessageW(wnd, WM_SYSCOMMAND, WPARAM(static_cast<TMenuItem*>(sender)->Tag()), 0);
}

void TsSystemMenu::SkinClick(TObject* sender)
{
    TsSkinManager* m = provider_->Manager();
    const long index = static_cast<TMenuItem*>(sender)->Tag();
    if (!m || index < 0 || size_t(index) >= skinNames_.size())
        return;
    String name = skinNames_[size_t(index)];
    const String& label = SkinUIString(StrInternalSkinLabel);
    if (!label.empty()) {
        const size_t at = name.find(label);
        if (at != String::npos)
            name.resize(at + label.size());
    }
    m->SetSkinName(name);
}

// ---------------------------------------------------------------- TkvSystemMenu

TkvSystemMenu::TkvSystemMenu(TkvDialogWnd* dialog) : TsCustomSysMenu(nullptr), dialog_(dialog)
{
    BeginUpdate();
    for (int i = 0; i < 6; ++i) {
        if (i == 5) {
            auto* divider = new TMenuItem();
            divider->SetCaption(L"-");
            Items()->Add(divider);
        }
        auto* item = new TMenuItem();
        item->SetCaption(SkinUIString(kStandard[i].Caption));
        item->SetName(DialogItemNames[i]);
        item->SetTag(long(kStandard[i].Command));
        item->OnClick = TNotifyEvent(this, &TkvSystemMenu::ItemClick);
        Items()->Add(item);
        items_[i] = item;
    }
    items_[5]->SetShortCut(DialogCloseShortCut);
    EndUpdate();
    RefreshItemStates();
}

bool TkvSystemMenu::VisibleClose() { return dialog_ && (dialog_->SavedStyle & WS_SYSMENU) != 0; }

void TkvSystemMenu::RefreshItemStates()
{
    if (!dialog_)
        return;
    HWND wnd = dialog_->Handle;
    const bool window = wnd && IsWindow(wnd);
    const TsSysMenuStates s = DialogSysMenuStates(dialog_->SavedStyle, dialog_->BorderKind, window && IsIconic(wnd),
                                                  window && IsZoomed(wnd), window && dialog_->CloseGreyed());
    BeginUpdate();
    const TsSysItemState* states[6] = {&s.Restore, &s.Move, &s.Size, &s.Minimize, &s.Maximize, &s.Close};
    for (int i = 0; i < 6; ++i)
        Apply(items_[i], *states[i]);
    EndUpdate();
}

bool TkvSystemMenu::ShowAt(POINT screen)
{
    if (!dialog_ || !dialog_->Handle || !IsWindow(dialog_->Handle))
        return false;
    RefreshItemStates();
    // No window handle: the class library's own popup window owns the menu
    // loop and hands the items their measure and draw messages (a dialog's
    // procedure would not).
    SetWindowHandle(nullptr);
    Popup(screen.x, screen.y);
    return true;
}

void TkvSystemMenu::ItemClick(TObject* sender)
{
    if (!dialog_)
        return;
    HWND wnd = dialog_->Handle;
    const UINT command = UINT(static_cast<TMenuItem*>(sender)->Tag());
    if (!wnd || !IsWindow(wnd))
        return;
    SendMessageW(wnd, WM_SYSCOMMAND, command, 0);
    if ((command == SC_RESTORE || command == SC_MAXIMIZE) && IsWindow(wnd))
        RefreshItemStates();
}

// ---------------------------------------------------------------- the provider's system menu

namespace {

TsSysMenuFacts FactsOf(TsSkinProvider& p, HMENU real)
{
    TsSysMenuFacts f;
    TCustomForm* form = p.FormOf();
    HWND wnd = p.Window();
    f.BorderStyle = form->BorderStyle();
    f.Icons = form->BorderIcons();
    f.State = form->WindowState();
    f.MDIChild = form->FormStyle() == TFormStyle::fsMDIChild;
    f.MainForm = Application && Application->MainForm() == form;
    f.Iconic = IsIconic(wnd) != 0;
    f.RealMenu = real != nullptr;
    const UINT closeState = real ? GetMenuState(real, SC_CLOSE, MF_BYCOMMAND) : UINT(-1);
    f.RealClose = closeState != UINT(-1);
    f.RealCloseDisabled = f.RealClose && (closeState & (MF_DISABLED | MF_GRAYED)) != 0;
    return f;
}

}  // namespace

bool SystemMenuClosesForm(const TsSkinProvider& p)
{
    HWND wnd = p.wnd_;
    if (!wnd || !IsWindow(wnd))
        return true;
    if (GetClassLongPtrW(wnd, GCL_STYLE) & CS_NOCLOSE)
        return false;
    HMENU real = p.sysMenu_ && IsMenu(p.sysMenu_) ? p.sysMenu_ : nullptr;
    if (!real && (GetWindowLongW(wnd, GWL_STYLE) & WS_SYSMENU))
        real = GetSystemMenu(wnd, FALSE);
    if (!real)
        return true;
    const UINT state = GetMenuState(real, SC_CLOSE, MF_BYCOMMAND);
    return state == UINT(-1) || !(state & (MF_DISABLED | MF_GRAYED));
}

TsSystemMenu* TsSkinProvider::SystemMenu()
{
    if (!systemMenu_ && form_)
        systemMenu_ = new TsSystemMenu(this);
    return systemMenu_;
}

TkvSysSubMenu& TsSkinProvider::SysSubMenu()
{
    if (!sysSubMenu_)
        sysSubMenu_.reset(new TkvSysSubMenu(this));
    return *sysSubMenu_;
}

bool TsSkinProvider::ShowSystemMenuAt(int x, int y)
{
    if (!FormAlive() || !(form_->BorderIcons() & biSystemMenu))
        return false;
    SetHotElement(kNoElement);
    pressedElement_ = kNoElement;
    HWND wnd = wnd_;
    TsSkinManager* m = Manager();
    if (m && m->SkinnedPopups()) {
        TsSystemMenu* menu = SystemMenu();
        // Built again while the program has commands of its own in the real
        // menu, so that added and removed ones are seen.
        menu->RefreshItemStates(menu->ExtraCount() > 0);
        if (menu->Items()->Count() == 0)
            return false;
        menu->RemoveSkinList();
        if (MakeSkinMenu)
            menu->AddSkinList();
        m->SkinableMenus().AttachMenu(menu, true);
        menu->SetWindowHandle(wnd);
        // The menu's loop handles other messages: one of them may free the
        // form, this provider and the menu before a command is chosen.
        TsFreeWatch alive{this, menu};
        const UINT command = TrackSystemMenuFn ? TrackSystemMenuFn(menu->Handle(), wnd, x, y) : 0;
        if (!alive.AllAlive())
            return true;
        if (IsWindow(wnd))
            menu->SetWindowHandle(nullptr);
        // Last: the command may free the form, this provider and the menu.
        if (command)
            if (TMenuItem* item = TMenuItem::FindByCommand(command))
                item->Click();
        return true;
    }

    HMENU real = sysMenu_ && IsMenu(sysMenu_) ? sysMenu_ : GetSystemMenu(wnd, FALSE);
    if (!real)
        return false;
    sysMenu_ = real;
    const TsSysMenuFacts f = FactsOf(*this, real);
    const TsSysMenuStates s = FormSysMenuStates(f);
    auto enable = [real](UINT command, bool on) {
        EnableMenuItem(real, command, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED | MF_DISABLED));
    };
    enable(SC_RESTORE, s.Restore.Visible && s.Restore.Enabled);
    enable(SC_MOVE, s.Move.Enabled && !f.Iconic);
    enable(SC_SIZE, s.Size.Visible && s.Size.Enabled && f.State == TWindowState::wsNormal);
    enable(SC_MINIMIZE, s.Minimize.Visible && s.Minimize.Enabled);
    enable(SC_MAXIMIZE, s.Maximize.Visible && s.Maximize.Enabled);
    enable(SC_CLOSE, s.Close.Visible && s.Close.Enabled);
    const UINT command = TrackSystemMenuFn ? TrackSystemMenuFn(real, wnd, x, y) : 0;
    if (command && IsWindow(wnd))
        PostMessageW(wnd, WM_SYSCOMMAND, command, 0);
    return true;
}

// ---------------------------------------------------------------- small questions of the title and the menu line

namespace {

bool AnyVisibleTopItem(TMainMenu* menu)
{
    if (!menu)
        return false;
    for (int i = 0; i < menu->Items()->Count(); ++i)
        if (menu->Items()->Items(i)->Visible())
            return true;
    return false;
}

// The skinned scroll wrapper hides nothing of the style: a bar shows when its style bit is set.
int VScrollWidthShown(HWND wnd)
{
    return (GetWindowLongW(wnd, GWL_STYLE) & WS_VSCROLL) ? GetSystemMetrics(SM_CXVSCROLL) : 0;
}
int HScrollHeightShown(HWND wnd)
{
    return (GetWindowLongW(wnd, GWL_STYLE) & WS_HSCROLL) ? TsFrameMetrics::System().CyHScroll : 0;
}

RECT ShadowMargins(TsSkinProvider& p)
{
    return p.BorderForm() && FrameShadowMargins ? FrameShadowMargins(p) : RECT{};
}

SIZE WindowSize(HWND wnd)
{
    RECT r{};
    GetWindowRect(wnd, &r);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

SIZE ClientSize(HWND wnd)
{
    RECT r{};
    GetClientRect(wnd, &r);
    return SIZE{r.right, r.bottom};
}

bool refreshingMainMenu = false;

}  // namespace

bool TsSkinProvider::HasMenuLine() const
{
    if (!form_ || form_->BorderStyle() == TFormBorderStyle::bsDialog || form_->FormStyle() == TFormStyle::fsMDIChild)
        return false;
    TMainMenu* menu = form_->Menu();
    if (!menu || menu->AutoMerge)
        return false;
    if (AnyVisibleTopItem(menu))
        return true;
    if (form_->FormStyle() == TFormStyle::fsMDIForm)
        if (TCustomForm* child = form_->ActiveMDIChild())
            return AnyVisibleTopItem(child->Menu());
    return false;
}

int TsSkinProvider::ClientOriginX() const
{
    if (!FormAlive())
        return 0;
    if (borderForm_) {
        const RECT shadow = ShadowMargins(const_cast<TsSkinProvider&>(*this));
        return FormFrameWidth(true) + shadow.left;
    }
    return (WindowSize(wnd_).cx - ClientSize(wnd_).cx - VScrollWidthShown(wnd_)) / 2;
}

int TsSkinProvider::ClientOriginY()
{
    if (!FormAlive())
        return 0;
    if (borderForm_) {
        const RECT shadow = ShadowMargins(*this);
        const int line = MenuLineHeight();
        return CaptionAreaHeight(true) + MenuLineCount() * line + shadow.top + (line != 0 ? 1 : 0);
    }
    const bool bordered = (GetWindowLongW(wnd_, GWL_STYLE) & WS_BORDER) != 0;
    return WindowSize(wnd_).cy - ClientSize(wnd_).cy - (bordered ? FormFrameWidth(true) : 0) -
           HScrollHeightShown(wnd_);
}

int TsSkinProvider::TopAreaHeight() const
{
    if (!FormAlive())
        return 0;
    const TsFrameFacts f = Facts();
    int h;
    if (borderForm_) {
        h = CaptionAreaHeight(true);
    } else {
        const int height = WindowSize(wnd_).cy - ClientSize(wnd_).cy;
        if (CaptionAreaHeight(true) != 0)
            h = height - FormFrameWidth(true);
        else
            h = height - ((GetWindowLongW(wnd_, GWL_STYLE) & WS_BORDER) ? FormFrameWidth(false) : 0);
    }
    h = std::max(h, 0);
    if (f.Iconic)
        h += FormFrameWidth(false);
    if (skinData_ && skinData_->IsSkinned())
        h -= HScrollHeightShown(wnd_);
    return h;
}

POINT TsSkinProvider::ScreenToWindowPoint(POINT screen) const
{
    if (!FormAlive())
        return screen;
    POINT origin{};
    if (form_->FormStyle() == TFormStyle::fsMDIChild) {
        ClientToScreen(wnd_, &origin);
        origin.x -= FormFrameWidth(true);
        origin.y -= FormFrameWidth(true);
        if (!IsIconic(wnd_))
            origin.y -= CaptionAreaHeight(true);
    } else {
        RECT r{};
        GetWindowRect(wnd_, &r);
        origin = POINT{r.left, r.top};
    }
    return POINT{screen.x - origin.x, screen.y - origin.y};
}

bool TsSkinProvider::CacheSizeOutdated()
{
    TBitmap* cache = CacheBitmap();
    if (!cache || !FormAlive())
        return true;
    SIZE want = WindowSize(wnd_);
    if (borderForm_) {
        const RECT shadow = ShadowMargins(*this);
        want.cx += shadow.left + shadow.right;
        want.cy += shadow.top + shadow.bottom;
    }
    return cache->Width() != want.cx || cache->Height() != want.cy;
}

bool TsSkinProvider::DrawMenuLineItem(TMenuItem* item, TOwnerDrawState state)
{
    if (!item || !FormAlive() || !HasMenuLine())
        return false;
    TMainMenu* menu = form_->Menu();
    const int index = menu->Items()->IndexOf(item);
    TBitmap* cache = CacheBitmap();
    if (index < 0 || !cache || !item->OnAdvancedDrawItem)
        return false;
    // The item's place on the menu line, in window coordinates.
    int position = 0;
    for (int i = 0; i < index; ++i)
        if (menu->Items()->Items(i)->Visible())
            ++position;
    RECT r{};
    if (!item->Visible() || !GetMenuItemRect(wnd_, menu->Handle(), UINT(position), &r))
        return false;
    RECT wr{};
    GetWindowRect(wnd_, &wr);
    OffsetRect(&r, -wr.left, -wr.top);
    item->OnAdvancedDrawItem(item, cache->Canvas(), r, state);
    HDC dc = GetWindowDC(wnd_);
    BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, cache->Canvas().Handle(), r.left, r.top, SRCCOPY);
    ReleaseDC(wnd_, dc);
    return true;
}

int TsSkinProvider::TitleIconWidth() const
{
    const TsTitleLayout l = LayoutTitleButtons();
    const int w = l.Icon.right - l.Icon.left;
    return w > 0 ? w : 16;
}

int TsSkinProvider::TitleIconHeight() const
{
    const TsTitleLayout l = LayoutTitleButtons();
    const int h = l.Icon.bottom - l.Icon.top;
    return h > 0 ? h : 16;
}

bool TsSkinProvider::HasSystemIcon() const { return form_ && (form_->BorderIcons() & biSystemMenu); }

bool TsSkinProvider::ActiveChildMaximized() const
{
    if (!form_ || form_->FormStyle() != TFormStyle::fsMDIForm || !form_->Menu())
        return false;
    TCustomForm* child = form_->ActiveMDIChild();
    return child && child->HandleAllocated() && IsZoomed(child->Handle()) && (child->BorderIcons() & biSystemMenu);
}

bool TsSkinProvider::RefreshMainMenu()
{
    if (refreshingMainMenu || !FormAlive())
        return false;
    TMainMenu* menu = form_->Menu();
    if (!menu || menu->Items()->Count() == 0)
        return false;
    refreshingMainMenu = true;
    menu->Items()->Items(0)->MenuChanged(true);
    menuLines_ = -1;
    RefreshFormFrame();
    refreshingMainMenu = false;
    return true;
}

bool TsSkinProvider::ShowsTitleIcon() const
{
    if (!form_ || !TitleIcon.Visible() || !showAppIcon_ || !HasSystemIcon())
        return false;
    const TFormBorderStyle bs = form_->BorderStyle();
    if (bs != TFormBorderStyle::bsSingle && bs != TFormBorderStyle::bsSizeable)
        return false;
    return (sysMenu_ && IsMenu(sysMenu_)) || (wnd_ && IsWindow(wnd_) && GetSystemMenu(wnd_, FALSE));
}

// ---------------------------------------------------------------- component hooks

void TsSkinProvider::Loaded()
{
    TComponent::Loaded();
    if (inactive_ || createdAtRunTime_ || !skinData_ || !Manager() || (ComponentState() & csDesigning))
        return;
    if (skinData_->IsSkinned())
        InitSkin();
}

void TsSkinProvider::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (!component || component == this)
        return;
    if (operation == TOperation::opInsert) {
        if (auto* m = dynamic_cast<TsSkinManager*>(component)) {
            if (skinData_ && !skinData_->StoredSkinManager())
                skinData_->SetSkinManager(m);
            return;
        }
        if (auto* control = dynamic_cast<TControl*>(component))
            if (AdapterAddItem && adapter_ && dynamic_cast<TWinControl*>(control))
                AdapterAddItem(*this, control);
        return;
    }
    if (skinData_ && component == skinData_->StoredSkinManager())
        skinData_->SetSkinManager(nullptr);
    if (sysSubMenu_ && component == sysSubMenu_->PopupMenu())
        sysSubMenu_->SetPopupMenu(nullptr);
    if (component == systemMenu_)
        systemMenu_ = nullptr;
}

// ---------------------------------------------------------------- start of the unit

void RegisterSystemMenuProperties()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    const TClassInfo* cls = TsCustomSysMenu::StaticClassInfo();
    using Ask = bool (TsCustomSysMenu::*)();
    const std::pair<const wchar_t*, Ask> questions[] = {
        {L"VisibleClose", &TsCustomSysMenu::VisibleClose}, {L"VisibleMax", &TsCustomSysMenu::VisibleMax},
        {L"VisibleMin", &TsCustomSysMenu::VisibleMin},     {L"EnabledMax", &TsCustomSysMenu::EnabledMax},
        {L"EnabledMin", &TsCustomSysMenu::EnabledMin},     {L"EnabledRestore", &TsCustomSysMenu::EnabledRestore},
    };
    for (const auto& [name, ask] : questions) {
        TPropInfo info;
        info.Name = name;
        info.Kind = TTypeKind::tkEnumeration;
        info.EnumNames = {L"False", L"True"};
        info.GetOrd = [ask](TObject* o) { return int64_t((static_cast<TsCustomSysMenu*>(o)->*ask)()); };
        RegisterProperty(cls, std::move(info));
    }
}

void InitSystemMenuUnit()
{
    RegisterSystemMenuProperties();
    DialogSystemMenu = [](HWND dialog, POINT screen) -> bool {
        TkvProvider* p = FindProviderByHandle(dialog);
        TkvDialogWnd* wrapper = p ? p->DialogWnd() : nullptr;
        if (!wrapper || !wrapper->SkinManager || !wrapper->SkinManager->SkinnedPopups())
            return false;
        TkvSystemMenu menu(wrapper);
        wrapper->SkinManager->SkinableMenus().AttachMenu(&menu, true);
        return menu.ShowAt(screen);
    };
}
