#include "classlib/Menus.h"

#include <algorithm>
#include <cwctype>
#include <unordered_map>

#include "classlib/Forms.h"
#include "classlib/ImgList.h"

namespace {

// Command numbers live below the system commands (0xF000 and up) and above 0.
constexpr UINT FirstCommand = 100, LastCommand = 0xEFFF;
std::unordered_map<UINT, TMenuItem*>& Commands()
{
    static std::unordered_map<UINT, TMenuItem*> map;
    return map;
}
UINT nextCommand = FirstCommand;

UINT NewCommand(TMenuItem* item)
{
    auto& map = Commands();
    for (;;) {
        UINT id = nextCommand;
        nextCommand = nextCommand >= LastCommand ? FirstCommand : nextCommand + 1;
        if (map.find(id) == map.end()) {
            map[id] = item;
            return id;
        }
    }
}

std::vector<TMenuItemFreeHandler>& FreeHandlers()
{
    static std::vector<TMenuItemFreeHandler> handlers;
    return handlers;
}

std::vector<TMenu*>& MenuList()
{
    static std::vector<TMenu*> menus;
    return menus;
}

struct KeyName {
    WORD key;
    const wchar_t* name;
};
const KeyName KeyNames[] = {
    {VK_BACK, L"BkSp"}, {VK_TAB, L"Tab"},     {VK_RETURN, L"Enter"}, {VK_ESCAPE, L"Esc"},   {VK_SPACE, L"Space"},
    {VK_PRIOR, L"PgUp"}, {VK_NEXT, L"PgDn"},  {VK_END, L"End"},      {VK_HOME, L"Home"},    {VK_LEFT, L"Left"},
    {VK_UP, L"Up"},      {VK_RIGHT, L"Right"}, {VK_DOWN, L"Down"},   {VK_INSERT, L"Ins"},   {VK_DELETE, L"Del"},
};

String KeyToText(WORD key)
{
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z'))
        return String(1, wchar_t(key));
    if (key >= VK_F1 && key <= VK_F24)
        return L"F" + std::to_wstring(key - VK_F1 + 1);
    for (const KeyName& k : KeyNames)
        if (k.key == key) return k.name;
    return String();
}

bool StartsWithNoCase(const String& text, size_t at, const wchar_t* prefix)
{
    for (size_t i = 0; prefix[i]; ++i)
        if (at + i >= text.size() || std::towupper(text[at + i]) != std::towupper(prefix[i])) return false;
    return true;
}

bool EqualNoCase(const String& a, const wchar_t* b)
{
    return a.size() == wcslen(b) && StartsWithNoCase(a, 0, b);
}

// The font menus are drawn in by the system, read once (every item of every
// menu asks for it while it is measured and drawn).
const LOGFONTW& SystemMenuFont()
{
    static LOGFONTW font = [] {
        NONCLIENTMETRICSW m{};
        m.cbSize = sizeof m;
        if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0)) {
            LOGFONTW lf{};
            lf.lfHeight = -11;
            wcscpy(lf.lfFaceName, L"Tahoma");
            return lf;
        }
        return m.lfMenuFont;
    }();
    return font;
}

void AssignSystemMenuFont(TFont& font)
{
    const LOGFONTW& lf = SystemMenuFont();
    font.SetName(lf.lfFaceName);
    font.SetHeight(lf.lfHeight);
    font.SetStyle(lf.lfWeight >= FW_BOLD ? TFontStyles(fsBold) : TFontStyles(0));
    font.SetCharset(lf.lfCharSet);
}

HWND popupListWindow = nullptr;

LRESULT CALLBACK PopupListProc(HWND wnd, UINT msg, WPARAM w, LPARAM l)
{
    if (msg == WM_MEASUREITEM || msg == WM_DRAWITEM || msg == WM_COMMAND || msg == WM_MENUCHAR) {
        TMessage m{msg, w, l, 0};
        try {
            if (TMenu::DispatchMenuMessage(m)) return m.Result;
        } catch (const std::exception& e) {
            if (Application) Application->HandleException(e);
            return 0;
        }
    }
    return DefWindowProcW(wnd, msg, w, l);
}

// The hidden window that receives the messages of popups shown without a
// window of their own.
HWND PopupListWindow()
{
    if (popupListWindow && IsWindow(popupListWindow)) return popupListWindow;
    static bool registered = false;
    if (!registered) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = PopupListProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"TalveraPopupList";
        RegisterClassW(&wc);
        registered = true;
    }
    popupListWindow = CreateWindowExW(0, L"TalveraPopupList", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
    return popupListWindow;
}

}  // namespace

void GetMenuFont(TFont& font) { AssignSystemMenuFont(font); }

// ---------------------------------------------------------------- mnemonics

wchar_t MnemonicOf(const String& caption)
{
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != L'&') continue;
        if (caption[i + 1] == L'&') {
            ++i;
            continue;
        }
        return caption[i + 1];
    }
    return 0;
}

namespace {

wchar_t UpperChar(wchar_t c)
{
    return wchar_t(reinterpret_cast<ULONG_PTR>(CharUpperW(reinterpret_cast<LPWSTR>(ULONG_PTR(c)))));
}

}  // namespace

LRESULT MenuCharAnswer(HMENU menu, wchar_t key)
{
    if (!menu || !IsMenu(menu) || !key) return 0;
    const wchar_t wanted = UpperChar(key);
    std::vector<int> matches;
    int hilited = -1;
    bool ours = false;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW mi{};
        mi.cbSize = sizeof mi;
        mi.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID;
        if (!GetMenuItemInfoW(menu, UINT(i), TRUE, &mi)) continue;
        if (mi.fState & MFS_HILITE) hilited = i;
        if (mi.fType & MFT_SEPARATOR) continue;
        String caption;
        if (TMenuItem* item = TMenuItem::FindByCommand(mi.wID)) {
            caption = item->Caption();
            ours = true;
        } else {
            wchar_t text[256] = {};
            GetMenuStringW(menu, UINT(i), text, 255, MF_BYPOSITION);
            caption = text;
        }
        const wchar_t letter = MnemonicOf(caption);
        if (letter && UpperChar(letter) == wanted) matches.push_back(i);
    }
    if (!ours || matches.empty()) return 0;
    if (matches.size() == 1) return MAKELRESULT(matches.front(), MNC_EXECUTE);
    // Several items share the letter: each press selects the next of them.
    for (int i : matches)
        if (i > hilited) return MAKELRESULT(i, MNC_SELECT);
    return MAKELRESULT(matches.front(), MNC_SELECT);
}

// ---------------------------------------------------------------- shortcuts

String ShortCutToText(TShortCut shortCut)
{
    String key = KeyToText(WORD(shortCut & 0xFF));
    if (key.empty()) return String();
    String text;
    if (shortCut & scShift) text += L"Shift+";
    if (shortCut & scCtrl) text += L"Ctrl+";
    if (shortCut & scAlt) text += L"Alt+";
    return text + key;
}

TShortCut TextToShortCut(const String& text)
{
    TShortCut mods = 0;
    size_t at = 0;
    for (;;) {
        if (StartsWithNoCase(text, at, L"Shift+")) { mods |= scShift; at += 6; }
        else if (StartsWithNoCase(text, at, L"Ctrl+")) { mods |= scCtrl; at += 5; }
        else if (StartsWithNoCase(text, at, L"Alt+")) { mods |= scAlt; at += 4; }
        else break;
    }
    String key = text.substr(at);
    if (key.empty()) return 0;
    for (WORD k = 1; k < 0xFF; ++k) {
        String name = KeyToText(k);
        if (!name.empty() && EqualNoCase(key, name.c_str())) return TShortCut(mods | k);
    }
    return 0;
}

// ---------------------------------------------------------------- TMenuItem

TMenuItem::TMenuItem() : TComponent(nullptr) { command_ = NewCommand(this); }

TMenuItem::~TMenuItem()
{
    SetState(csDestroying);
    // Copied: a handler may remove itself.
    std::vector<TMenuItemFreeHandler> handlers = FreeHandlers();
    for (auto& h : handlers)
        h(this);
    std::vector<TMenuItem*> items = std::move(items_);
    items_.clear();
    for (TMenuItem* i : items) {
        i->parent_ = nullptr;
        delete i;
    }
    if (parent_) parent_->Remove(this);
    Commands().erase(command_);
}

TMenuItem* TMenuItem::FindByCommand(UINT command)
{
    auto it = Commands().find(command);
    return it == Commands().end() ? nullptr : it->second;
}

TMenu* TMenuItem::GetParentMenu() const
{
    const TMenuItem* root = this;
    while (root->parent_)
        root = root->parent_;
    return root->menu_;
}

void TMenuItem::ItemChanged() { MenuChanged(true); }

void TMenuItem::MenuChanged(bool rebuild)
{
    if (Destroying()) return;
    TMenu* menu = GetParentMenu();
    if (menu && rebuild && !menu->Destroying()) menu->Rebuild();
}

void TMenuItem::SetCaption(const String& c)
{
    if (caption_ == c) return;
    caption_ = c;
    ItemChanged();
}
void TMenuItem::SetShortCut(TShortCut s)
{
    if (shortCut_ == s) return;
    shortCut_ = s;
    ItemChanged();
}
void TMenuItem::SetChecked(bool v)
{
    if (checked_ == v) return;
    checked_ = v;
    if (v && radioItem_ && parent_) {
        for (TMenuItem* sibling : parent_->items_)
            if (sibling != this && sibling->radioItem_ && sibling->groupIndex_ == groupIndex_) sibling->checked_ = false;
    }
    ItemChanged();
}
void TMenuItem::SetRadioItem(bool v)
{
    if (radioItem_ == v) return;
    radioItem_ = v;
    ItemChanged();
}
void TMenuItem::SetGroupIndex(int v)
{
    if (groupIndex_ == v) return;
    groupIndex_ = v;
    ItemChanged();
}
void TMenuItem::SetEnabled(bool v)
{
    if (enabled_ == v) return;
    enabled_ = v;
    ItemChanged();
}
void TMenuItem::SetVisible(bool v)
{
    if (visible_ == v) return;
    visible_ = v;
    ItemChanged();
}
void TMenuItem::SetDefault(bool v)
{
    if (default_ == v) return;
    default_ = v;
    ItemChanged();
}
void TMenuItem::SetBreak(TMenuBreak b)
{
    if (break_ == b) return;
    break_ = b;
    ItemChanged();
}
void TMenuItem::SetImageIndex(int i)
{
    if (imageIndex_ == i) return;
    imageIndex_ = i;
    ItemChanged();
}
void TMenuItem::SetSubMenuImages(TCustomImageList* images)
{
    subMenuImages_ = images;
    ItemChanged();
}

TBitmap& TMenuItem::Bitmap()
{
    if (!bitmap_) bitmap_ = std::make_unique<TBitmap>();
    return *bitmap_;
}

void TMenuItem::Add(TMenuItem* item) { Insert(Count(), item); }

void TMenuItem::Insert(int index, TMenuItem* item)
{
    if (!item || item == this) return;
    if (item->parent_) item->parent_->Remove(item);
    index = std::clamp(index, 0, Count());
    items_.insert(items_.begin() + index, item);
    item->parent_ = this;
    ItemChanged();
}

void TMenuItem::Remove(TMenuItem* item)
{
    auto it = std::find(items_.begin(), items_.end(), item);
    if (it == items_.end()) return;
    items_.erase(it);
    item->parent_ = nullptr;
    ItemChanged();
}

void TMenuItem::Delete(int index)
{
    if (index < 0 || index >= Count()) return;
    TMenuItem* item = items_[size_t(index)];
    items_.erase(items_.begin() + index);
    item->parent_ = nullptr;
    delete item;
    ItemChanged();
}

void TMenuItem::Clear()
{
    if (items_.empty()) return;
    TMenu* menu = GetParentMenu();
    if (menu) menu->BeginUpdate();
    while (!items_.empty())
        Delete(Count() - 1);
    if (menu) menu->EndUpdate();
}

int TMenuItem::IndexOf(const TMenuItem* item) const
{
    auto it = std::find(items_.begin(), items_.end(), item);
    return it == items_.end() ? -1 : int(it - items_.begin());
}

void TMenuItem::Click()
{
    if (enabled_ && OnClick) OnClick(this);
}

void TMenuItem::AppendTo(HMENU menu, bool ownerDraw, bool menuLine)
{
    handle_ = nullptr;
    if (!visible_) return;
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_DATA;
    // An owner-drawn divider stays a divider: the keys of an open menu step over it.
    mii.fType = IsDivider() ? MFT_SEPARATOR : MFT_STRING;
    if (ownerDraw) mii.fType |= MFT_OWNERDRAW;
    if (radioItem_) mii.fType |= MFT_RADIOCHECK;
    if (break_ == TMenuBreak::mbBreak) mii.fType |= MFT_MENUBREAK;
    else if (break_ == TMenuBreak::mbBarBreak) mii.fType |= MFT_MENUBARBREAK;
    mii.fState = (enabled_ ? 0 : MFS_GRAYED) | (checked_ ? MFS_CHECKED : 0) | (default_ ? MFS_DEFAULT : 0);
    mii.wID = command_;
    mii.dwItemData = command_;
    String text = caption_;
    if (!menuLine && shortCut_) text += L"\t" + ShortCutToText(shortCut_);
    // Owner-drawn items keep their text too: it carries the mnemonic letter
    // (and is what readers of the platform menu see).
    if (!IsDivider()) {
        mii.fMask |= MIIM_STRING;
        mii.dwTypeData = text.data();
        mii.cch = UINT(text.size());
    }
    if (!items_.empty()) {
        handle_ = CreatePopupMenu();
        for (TMenuItem* i : items_)
            i->AppendTo(handle_, ownerDraw, false);
        mii.fMask |= MIIM_SUBMENU;
        mii.hSubMenu = handle_;
    }
    InsertMenuItemW(menu, UINT(GetMenuItemCount(menu)), TRUE, &mii);
}

void TMenuItem::MeasureItem(TCanvas& canvas, int& width, int& height)
{
    if (OnMeasureItem) {
        OnMeasureItem(this, canvas, width, height);
        return;
    }
    bool top = IsMenuLineItem();
    if (IsDivider()) {
        width = 16;
        height = GetSystemMetrics(SM_CYMENU) / 2;
        return;
    }
    String text = caption_;
    if (!top && shortCut_) text += L"\t" + ShortCutToText(shortCut_);
    RECT r{0, 0, 0, 0};
    canvas.DrawText(text, r, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS);
    width = r.right + (top ? 8 : 48);
    height = std::max<int>(r.bottom + 4, top ? GetSystemMetrics(SM_CYMENU) - 1 : 18);
}

void TMenuItem::AdvancedDrawItem(TCanvas& canvas, const RECT& rect, TOwnerDrawState state, bool topLevel)
{
    if (OnAdvancedDrawItem) {
        OnAdvancedDrawItem(this, canvas, rect, state);
        return;
    }
    if (OnDrawItem) {
        OnDrawItem(this, canvas, rect, (state & odSelected) != 0);
        return;
    }
    DrawPlain(canvas, rect, state, topLevel);
}

bool TMenuItem::IsMenuLineItem() const
{
    return parent_ && parent_->menu_ && parent_->menu_->IsMenuLine();
}

void TMenuItem::DrawPlain(TCanvas& canvas, const RECT& rect, TOwnerDrawState state, bool topLevel)
{
    HDC dc = canvas.Handle();
    bool selected = (state & odSelected) != 0;
    bool disabled = (state & (odDisabled | odGrayed)) != 0;
    FillRect(dc, &rect, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_MENU));
    if (IsDivider()) {
        RECT line{rect.left + 2, (rect.top + rect.bottom) / 2 - 1, rect.right - 2, (rect.top + rect.bottom) / 2 + 1};
        DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
        return;
    }
    int oldMode = SetBkMode(dc, TRANSPARENT);
    COLORREF oldColor = SetTextColor(
        dc, GetSysColor(disabled ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
    HGDIOBJ oldFont = SelectObject(dc, canvas.Font().Handle());
    int indent = topLevel ? 4 : 20;
    if (checked_ && !topLevel) {
        int size = std::min<int>(16, rect.bottom - rect.top);
        RECT box{rect.left + 2, rect.top + (rect.bottom - rect.top - size) / 2, rect.left + 2 + size, 0};
        box.bottom = box.top + size;
        DrawFrameControl(dc, &box, DFC_MENU, radioItem_ ? DFCS_MENUBULLET : DFCS_MENUCHECK);
    }
    RECT tr{rect.left + indent, rect.top, rect.right - 6, rect.bottom};
    UINT flags = DT_SINGLELINE | DT_VCENTER | ((state & odNoAccel) ? DT_HIDEPREFIX : 0);
    DrawTextW(dc, caption_.c_str(), int(caption_.size()), &tr, flags | DT_LEFT);
    if (!topLevel && shortCut_) {
        String sc = ShortCutToText(shortCut_);
        DrawTextW(dc, sc.c_str(), int(sc.size()), &tr, flags | DT_RIGHT);
    }
    SelectObject(dc, oldFont);
    SetTextColor(dc, oldColor);
    SetBkMode(dc, oldMode);
}

void AddMenuItemFreeHandler(const TMenuItemFreeHandler& handler) { FreeHandlers().push_back(handler); }

void RemoveMenuItemFreeHandler(const TMenuItemFreeHandler& handler)
{
    auto& list = FreeHandlers();
    list.erase(std::remove(list.begin(), list.end(), handler), list.end());
}

const std::vector<TMenu*>& AllMenus() { return MenuList(); }

// ---------------------------------------------------------------- TMenu

TMenu::TMenu(TComponent* owner) : TComponent(owner), items_(std::make_unique<TMenuItem>())
{
    items_->SetMenu(this);
    MenuList().push_back(this);
}

TMenu::~TMenu()
{
    SetState(csDestroying);
    auto& list = MenuList();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    items_.reset();
    if (handle_) {
        if (windowHandle_ && IsWindow(windowHandle_) && GetMenu(windowHandle_) == handle_)
            ::SetMenu(windowHandle_, nullptr);
        DestroyMenu(handle_);
    }
}

void TMenu::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == images_) images_ = nullptr;
}

HMENU TMenu::Handle()
{
    if (!handle_) {
        handle_ = CreateHandle();
        Rebuild();
    }
    return handle_;
}

void TMenu::SetOwnerDraw(bool v)
{
    if (ownerDraw_ == v) return;
    ownerDraw_ = v;
    if (handle_) Rebuild();
}

void TMenu::SetImages(TCustomImageList* images)
{
    if (images_ == images) return;
    if (images_) images_->RemoveFreeNotification(this);
    images_ = images;
    if (images_) images_->FreeNotification(this);
    if (handle_) Rebuild();
}

void TMenu::EndUpdate()
{
    if (updateCount_ > 0 && --updateCount_ == 0 && pending_) {
        pending_ = false;
        Rebuild();
    }
}

void TMenu::Rebuild()
{
    if (!handle_ || Destroying() || !items_) return;
    if (updateCount_ > 0) {
        pending_ = true;
        return;
    }
    // Deleting an item with a sub-menu destroys that sub-menu too.
    while (GetMenuItemCount(handle_) > 0)
        DeleteMenu(handle_, 0, MF_BYPOSITION);
    for (int i = 0; i < items_->Count(); ++i)
        items_->Items(i)->AppendTo(handle_, ownerDraw_, IsMenuLine());
    ++buildCount_;
    Built();
}

bool TMenu::DispatchMenuMessage(TMessage& m)
{
    switch (m.Msg) {
    case WM_MEASUREITEM: {
        auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam);
        if (!mis || mis->CtlType != ODT_MENU) return false;
        TMenuItem* item = TMenuItem::FindByCommand(UINT(mis->itemData));
        if (!item) return false;
        HDC dc = CreateCompatibleDC(nullptr);
        TCanvas canvas;
        canvas.SetHandle(dc);
        AssignSystemMenuFont(canvas.Font());
        int w = int(mis->itemWidth), h = int(mis->itemHeight);
        item->MeasureItem(canvas, w, h);
        canvas.SetHandle(nullptr);
        DeleteDC(dc);
        mis->itemWidth = UINT(std::max(w, 0));
        mis->itemHeight = UINT(std::max(h, 0));
        m.Result = TRUE;
        return true;
    }
    case WM_DRAWITEM: {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam);
        if (!dis || dis->CtlType != ODT_MENU) return false;
        TMenuItem* item = TMenuItem::FindByCommand(UINT(dis->itemData));
        if (!item) return false;
        bool top = item->IsMenuLineItem();
        TCanvas canvas;
        canvas.SetHandle(dis->hDC);
        AssignSystemMenuFont(canvas.Font());
        item->AdvancedDrawItem(canvas, dis->rcItem, TOwnerDrawState(dis->itemState), top);
        canvas.SetHandle(nullptr);
        m.Result = TRUE;
        return true;
    }
    case WM_MENUCHAR: {
        // The system finds no mnemonic in owner-drawn items by itself.
        LRESULT answer = MenuCharAnswer(reinterpret_cast<HMENU>(m.LParam), wchar_t(LOWORD(m.WParam)));
        if (!answer) return false;
        m.Result = answer;
        return true;
    }
    case WM_COMMAND: {
        // From a menu: no control window and notification code 0.
        if (m.LParam != 0 || HIWORD(m.WParam) != 0) return false;
        TMenuItem* item = TMenuItem::FindByCommand(LOWORD(m.WParam));
        if (!item) return false;
        item->Click();
        m.Result = 0;
        return true;
    }
    default:
        return false;
    }
}

// ---------------------------------------------------------------- shortcuts of a form's menu

namespace {

// The visible item (with no sub-items) of parent's tree that has the shortcut.
TMenuItem* FindShortCutItem(TMenuItem* parent, TShortCut shortCut)
{
    for (int i = 0; i < parent->Count(); ++i) {
        TMenuItem* item = parent->Items(i);
        if (!item->Visible()) continue;
        if (item->Count() == 0 && item->ShortCut() == shortCut) return item;
        if (TMenuItem* found = FindShortCutItem(item, shortCut)) return found;
    }
    return nullptr;
}

// Runs the item of the menu that has the shortcut, as choosing it would: the
// items it lies under are clicked first (their handlers may enable or
// disable it), then the item when it and they are enabled.
bool RunShortCut(TMenu* menu, TShortCut shortCut, HWND target)
{
    TMenuItem* item = FindShortCutItem(menu->Items(), shortCut);
    if (!item) return false;
    std::vector<TMenuItem*> chain;
    for (TMenuItem* p = item->Parent(); p && p->Parent(); p = p->Parent())
        chain.insert(chain.begin(), p);
    for (TMenuItem* p : chain)
        if (!p->Enabled()) return false;
    // The character the key made must not reach the window (Alt+letter
    // would open the menu line besides).
    MSG typed;
    PeekMessageW(&typed, target, WM_CHAR, WM_SYSDEADCHAR, PM_REMOVE);
    for (TMenuItem* p : chain)
        p->Click();
    if (!item->Enabled() || !item->Visible()) return false;
    item->Click();
    return true;
}

}  // namespace

bool DispatchMenuShortCut(HWND target, TShortCut shortCut)
{
    if (!target || (shortCut & 0xFF) == 0) return false;
    HWND active = GetActiveWindow();
    if (!active) return false;
    // The forms the window lies on, innermost first (a form on a form, an
    // MDI child and its main form); each of them while its window is active.
    for (HWND w = target; w; w = GetAncestor(w, GA_PARENT)) {
        if (w == GetDesktopWindow()) break;
        auto* form = dynamic_cast<TCustomForm*>(TWinControl::FindControl(w));
        if (!form || !form->Menu() || GetAncestor(w, GA_ROOT) != active) continue;
        if (RunShortCut(form->Menu(), shortCut, target)) return true;
    }
    return false;
}

// ---------------------------------------------------------------- TMainMenu, TPopupMenu

void TMainMenu::Built()
{
    if (WindowHandle() && IsWindow(WindowHandle())) DrawMenuBar(WindowHandle());
}

void TPopupMenu::Popup(int x, int y)
{
    if (OnPopup) OnPopup(this);
    HWND owner = WindowHandle() && IsWindow(WindowHandle()) ? WindowHandle() : PopupListWindow();
    UINT flags = TPM_RETURNCMD | TPM_RIGHTBUTTON;
    if (Alignment == TAlignment::taRightJustify) flags |= TPM_RIGHTALIGN;
    else if (Alignment == TAlignment::taCenter) flags |= TPM_CENTERALIGN;
    if (MenuAnimation & maNone) flags |= TPM_NOANIMATION;
    UINT command = UINT(TrackPopupMenu(Handle(), flags, x, y, 0, owner, nullptr));
    if (command)
        if (TMenuItem* item = TMenuItem::FindByCommand(command)) item->Click();
}
