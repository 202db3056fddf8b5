#include "classlib/ListControls.h"

#include "classlib/TypInfo.h"

namespace {
const TListMessages kListBoxMessages{LB_GETCOUNT,    LB_GETTEXTLEN,   LB_GETTEXT,      LB_ADDSTRING,
                                    LB_INSERTSTRING, LB_DELETESTRING, LB_RESETCONTENT, LB_GETCURSEL,
                                    LB_SETCURSEL,    LB_SETITEMHEIGHT, LB_GETITEMHEIGHT, UINT(LB_ERR)};
const TListMessages kComboBoxMessages{CB_GETCOUNT,    CB_GETLBTEXTLEN, CB_GETLBTEXT,    CB_ADDSTRING,
                                      CB_INSERTSTRING, CB_DELETESTRING, CB_RESETCONTENT, CB_GETCURSEL,
                                      CB_SETCURSEL,    CB_SETITEMHEIGHT, CB_GETITEMHEIGHT, UINT(CB_ERR)};
}  // namespace

// ---------------------------------------------------------------- TListControlItems

void TListControlItems::Check(int index, bool allowEnd) const
{
    int n = Count();
    if (index < 0 || index > n || (index == n && !allowEnd))
        throw EListError(L"List index out of bounds (" + IntToStr(index) + L")");
}

int TListControlItems::Count() const
{
    TCustomListControl* c = control_;
    if (!c->HandleAllocated()) return int(c->saved_.size());
    return int(SendMessageW(c->Handle(), c->msg_.GetCount, 0, 0));
}

String TListControlItems::Get(int index) const
{
    Check(index);
    TCustomListControl* c = control_;
    if (!c->HandleAllocated()) return c->saved_[size_t(index)];
    HWND h = c->Handle();
    LRESULT len = SendMessageW(h, c->msg_.GetTextLen, WPARAM(index), 0);
    if (len < 0) return {};
    String s(size_t(len) + 1, L'\0');
    len = SendMessageW(h, c->msg_.GetText, WPARAM(index), LPARAM(s.data()));
    s.resize(len < 0 ? 0 : size_t(len));
    return s;
}

void TListControlItems::Put(int index, const String& s)
{
    Check(index);
    TCustomListControl* c = control_;
    if (!c->HandleAllocated()) {
        c->saved_[size_t(index)] = s;
        return;
    }
    int selected = c->ItemIndex();
    HWND h = c->Handle();
    SendMessageW(h, c->msg_.DeleteString, WPARAM(index), 0);
    SendMessageW(h, c->msg_.InsertString, WPARAM(index), LPARAM(s.c_str()));
    if (selected == index) c->SetItemIndex(index);
}

void TListControlItems::Insert(int index, const String& s)
{
    Check(index, true);
    TCustomListControl* c = control_;
    if (!c->HandleAllocated()) {
        c->saved_.insert(c->saved_.begin() + index, s);
        if (c->savedIndex_ >= index) ++c->savedIndex_;
        return;
    }
    LRESULT r = SendMessageW(c->Handle(), c->msg_.InsertString, WPARAM(index), LPARAM(s.c_str()));
    if (r < 0) throw EOutOfResources(L"Недостаточно памяти для элемента списка");
}

int TListControlItems::Add(const String& s)
{
    TCustomListControl* c = control_;
    if (!c->HandleAllocated()) {
        c->saved_.push_back(s);
        return int(c->saved_.size()) - 1;
    }
    LRESULT r = SendMessageW(c->Handle(), c->msg_.AddString, 0, LPARAM(s.c_str()));
    if (r < 0) throw EOutOfResources(L"Недостаточно памяти для элемента списка");
    return int(r);
}

void TListControlItems::Delete(int index)
{
    Check(index);
    TCustomListControl* c = control_;
    if (!c->HandleAllocated()) {
        c->saved_.erase(c->saved_.begin() + index);
        if (c->savedIndex_ == index) c->savedIndex_ = -1;
        else if (c->savedIndex_ > index) --c->savedIndex_;
        return;
    }
    SendMessageW(c->Handle(), c->msg_.DeleteString, WPARAM(index), 0);
}

void TListControlItems::Clear()
{
    TCustomListControl* c = control_;
    c->saved_.clear();
    c->savedIndex_ = -1;
    if (c->HandleAllocated()) SendMessageW(c->Handle(), c->msg_.ResetContent, 0, 0);
}

void TListControlItems::BeginUpdate()
{
    if (updating_++ == 0 && control_->HandleAllocated()) SendMessageW(control_->Handle(), WM_SETREDRAW, FALSE, 0);
}

void TListControlItems::EndUpdate()
{
    if (--updating_ == 0 && control_->HandleAllocated()) {
        SendMessageW(control_->Handle(), WM_SETREDRAW, TRUE, 0);
        InvalidateRect(control_->Handle(), nullptr, TRUE);
    }
}

// ---------------------------------------------------------------- TCustomListControl

TCustomListControl::TCustomListControl(TComponent* owner, const TListMessages& messages)
    : TWinControl(owner), msg_(messages)
{
    // The window reports clicks itself (selection notifications), not the mouse-up.
    SetControlStyle(ControlStyle() & ~unsigned(csClickEvents | csCaptureMouse | csSetCaption));
    SetColor(clWindow);
    SetTabStop(true);
}

int TCustomListControl::ItemIndex() const
{
    if (!HandleAllocated()) return savedIndex_;
    LRESULT r = SendMessageW(handle_, msg_.GetCurSel, 0, 0);
    return r < 0 ? -1 : int(r);
}

void TCustomListControl::SetItemIndex(int index)
{
    if (index < -1 || index >= items_.Count()) index = -1;
    if (!HandleAllocated()) {
        savedIndex_ = index;
        return;
    }
    SendMessageW(handle_, msg_.SetCurSel, WPARAM(index), 0);
}

int TCustomListControl::ItemHeight() const
{
    if (HandleAllocated()) {
        LRESULT r = SendMessageW(handle_, msg_.GetItemHeight, 0, 0);
        if (r > 0) return int(r);
    }
    return itemHeight_;
}

void TCustomListControl::SetItemHeight(int h)
{
    if (h < 0) h = 0;
    itemHeight_ = h;
    if (HandleAllocated()) ApplyItemHeight();
}

void TCustomListControl::ApplyItemHeight()
{
    if (itemHeight_ > 0) {
        SendMessageW(handle_, msg_.SetItemHeight, 0, MAKELPARAM(itemHeight_, 0));
        Invalidate();
    }
}

void TCustomListControl::HandleCreated()
{
    TWinControl::HandleCreated();
    std::vector<String> items;
    items.swap(saved_);
    int index = savedIndex_;
    savedIndex_ = -1;
    for (const String& s : items) SendMessageW(handle_, msg_.AddString, 0, LPARAM(s.c_str()));
    if (index >= 0) SendMessageW(handle_, msg_.SetCurSel, WPARAM(index), 0);
}

void TCustomListControl::DestroyWnd()
{
    if (HandleAllocated()) {
        std::vector<String> items;
        int n = items_.Count();
        for (int i = 0; i < n; ++i) items.push_back(items_.Get(i));
        int index = ItemIndex();
        TWinControl::DestroyWnd();
        saved_.swap(items);
        savedIndex_ = index;
        return;
    }
    TWinControl::DestroyWnd();
}

void TCustomListControl::Dispatch(TMessage& m)
{
    if (m.Msg == WM_SETFONT) {
        // A new font makes the window measure its items again; a fixed item height stays.
        TWinControl::Dispatch(m);
        if (HandleAllocated()) ApplyItemHeight();
        return;
    }
    TWinControl::Dispatch(m);
}

// ---------------------------------------------------------------- TCustomListBox

TCustomListBox::TCustomListBox(TComponent* owner) : TCustomListControl(owner, kListBoxMessages)
{
    SetBounds(0, 0, 121, 97);
}

void TCustomListBox::CreateParams(TCreateParams& p)
{
    TCustomListControl::CreateParams(p);
    p.SubclassOf = L"LISTBOX";
    p.Style |= LBS_NOTIFY | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | WS_VSCROLL;
    p.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomListBox::Dispatch(TMessage& m)
{
    if (m.Msg == CN_COMMAND) {
        if (HIWORD(m.WParam) == LBN_SELCHANGE) Click();
        else if (HIWORD(m.WParam) == LBN_DBLCLK && OnDblClick) OnDblClick(this);
        return;
    }
    TCustomListControl::Dispatch(m);
}

// ---------------------------------------------------------------- TCustomComboBox

namespace {
void RegisterComboBoxProperties()
{
    static bool done = [] {
        RegisterProperty(TCustomComboBox::StaticClassInfo(),
                         OrdProperty<TCustomComboBox, TComboBoxStyle>(
                             L"Style", &TCustomComboBox::Style, &TCustomComboBox::SetStyle, TTypeKind::tkEnumeration,
                             {L"csDropDown", L"csSimple", L"csDropDownList", L"csOwnerDrawFixed",
                              L"csOwnerDrawVariable"}));
        RegisterProperty(TCustomComboBox::StaticClassInfo(),
                         OrdProperty<TCustomComboBox, int>(L"DropDownCount", &TCustomComboBox::DropDownCount,
                                                           &TCustomComboBox::SetDropDownCount));
        return true;
    }();
    (void)done;
}
}  // namespace

TCustomComboBox::TCustomComboBox(TComponent* owner) : TCustomListControl(owner, kComboBoxMessages)
{
    RegisterComboBoxProperties();
    SetBounds(0, 0, 145, 24);
}

int TCustomComboBox::DroppedHeight() const
{
    int item = ItemHeight();
    if (item <= 0) item = -Font().Height() + 4;
    return Height() + item * dropDownCount_ + 2;
}

void TCustomComboBox::CreateParams(TCreateParams& p)
{
    TCustomListControl::CreateParams(p);
    p.SubclassOf = L"COMBOBOX";
    p.Style |= CBS_HASSTRINGS | WS_VSCROLL;
    switch (style_) {
    case TComboBoxStyle::csDropDown: p.Style |= CBS_DROPDOWN | CBS_AUTOHSCROLL; break;
    case TComboBoxStyle::csSimple: p.Style |= CBS_SIMPLE | CBS_AUTOHSCROLL; break;
    case TComboBoxStyle::csDropDownList: p.Style |= CBS_DROPDOWNLIST; break;
    case TComboBoxStyle::csOwnerDrawFixed: p.Style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED; break;
    case TComboBoxStyle::csOwnerDrawVariable: p.Style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE; break;
    }
    // The window's height is that of the opened list; the closed box takes its
    // own. A simple combo box shows its list inside its own bounds.
    if (style_ != TComboBoxStyle::csSimple) p.Height = DroppedHeight();
}

void TCustomComboBox::SetStyle(TComboBoxStyle style)
{
    if (style == style_) return;
    style_ = style;
    if (HandleAllocated()) RecreateWnd();
}

void TCustomComboBox::SetBounds(int left, int top, int width, int height)
{
    TCustomListControl::SetBounds(left, top, width, height);
    if (HandleAllocated() && style_ != TComboBoxStyle::csSimple) {
        RECT r;
        GetWindowRect(handle_, &r);
        SetWindowPos(handle_, nullptr, 0, 0, r.right - r.left, DroppedHeight(),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void TCustomComboBox::SetDropDownCount(int n)
{
    dropDownCount_ = n < 1 ? 1 : n;
    SetBounds(Left(), Top(), Width(), Height());
}

bool TCustomComboBox::DroppedDown()
{
    return HandleAllocated() && SendMessageW(handle_, CB_GETDROPPEDSTATE, 0, 0) != 0;
}

void TCustomComboBox::SetDroppedDown(bool d) { SendMessageW(Handle(), CB_SHOWDROPDOWN, d, 0); }

void TCustomComboBox::Change()
{
    if (OnChange) OnChange(this);
}

void TCustomComboBox::DrawItem(DRAWITEMSTRUCT& d)
{
    int index = int(d.itemID);
    TOwnerDrawState state = d.itemState;
    if (OnDrawItem && index >= 0) {
        OnDrawItem(this, index, d.hDC, d.rcItem, state);
        return;
    }
    bool selected = state & odSelected;
    HBRUSH brush = selected ? GetSysColorBrush(COLOR_HIGHLIGHT) : ColorBrush();
    FillRect(d.hDC, &d.rcItem, brush);
    if (index >= 0 && index < Items().Count()) {
        String text = Items().Get(index);
        SetBkMode(d.hDC, TRANSPARENT);
        SetTextColor(d.hDC, selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : ColorToRGB(Font().Color()));
        RECT r = d.rcItem;
        r.left += 2;
        DrawTextW(d.hDC, text.c_str(), int(text.size()), &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    }
    if ((state & odFocused) && !(state & odNoFocusRect)) DrawFocusRect(d.hDC, &d.rcItem);
}

void TCustomComboBox::Dispatch(TMessage& m)
{
    switch (m.Msg) {
    case CN_COMMAND:
        switch (HIWORD(m.WParam)) {
        case CBN_SELCHANGE:
            Click();
            if (OnSelect) OnSelect(this);
            Change();
            break;
        case CBN_EDITCHANGE: Change(); break;
        case CBN_DROPDOWN:
            if (OnDropDown) OnDropDown(this);
            break;
        case CBN_CLOSEUP:
            if (OnCloseUp) OnCloseUp(this);
            break;
        default: break;
        }
        return;
    case CN_DRAWITEM:
        DrawItem(*reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam));
        m.Result = TRUE;
        return;
    case CN_MEASUREITEM: {
        auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam);
        int h = int(mi->itemHeight);
        if (style_ == TComboBoxStyle::csOwnerDrawVariable && OnMeasureItem && int(mi->itemID) >= 0)
            OnMeasureItem(this, int(mi->itemID), h);
        mi->itemHeight = UINT(h > 0 ? h : 1);
        m.Result = TRUE;
        return;
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
        // The box's own edit field asks the box (its parent) for its colours:
        // it shows the box's Color and font colour.
        if (HandleAllocated() && m.LParam && GetParent(HWND(m.LParam)) == Handle()) {
            AnswerColorMessage(m);
            return;
        }
        break;
    default: break;
    }
    TCustomListControl::Dispatch(m);
}
