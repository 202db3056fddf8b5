#include "classlib/ComBars.h"

#include <commctrl.h>

#include <algorithm>

namespace {
void InitBarClasses()
{
    static bool done = [] {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES | ICC_TAB_CLASSES};
        InitCommonControlsEx(&icc);
        return true;
    }();
    (void)done;
}
}  // namespace

bool PaintParentBackground(TControl* control, HDC dc)
{
    TWinControl* parent = control ? control->Parent() : nullptr;
    if (!parent || !parent->HandleAllocated() || !dc) return false;
    POINT old{};
    OffsetWindowOrgEx(dc, control->Left(), control->Top(), &old);
    LRESULT r = SendMessageW(parent->Handle(), WM_ERASEBKGND, WPARAM(dc), LPARAM(dc));
    SetWindowOrgEx(dc, old.x, old.y, nullptr);
    return r != 0;
}

// ---------------------------------------------------------------- TCustomGroupBox

TCustomGroupBox::TCustomGroupBox(TComponent* owner) : TCustomControl(owner)
{
    SetControlStyle(ControlStyle() | csAcceptsControls | csOpaque);
    SetBounds(0, 0, 185, 105);
}

void TCustomGroupBox::Paint()
{
    TCanvas& c = Canvas();
    RECT r = ClientRect();
    c.Brush().SetColor(Color());
    c.FillRect(r);
    c.Font().Assign(&Font());
    String text = Caption();
    SIZE ts{};
    if (!text.empty()) GetTextExtentPoint32W(c.Handle(), text.c_str(), int(text.size()), &ts);
    RECT frame = r;
    frame.top = text.empty() ? 0 : ts.cy / 2;
    DrawEdge(c.Handle(), &frame, EDGE_ETCHED, BF_RECT);
    if (text.empty()) return;
    RECT tr{8, 0, 8 + ts.cx + 4, ts.cy};
    c.FillRect(tr);
    c.Brush().SetStyle(TBrushStyle::bsClear);
    if (!Enabled()) c.Font().SetColor(clGrayText);
    c.DrawText(text, tr, DT_CENTER | DT_SINGLELINE);
}

void TCustomGroupBox::Dispatch(TMessage& m)
{
    // A child's request for the background behind it: the group box paints
    // itself (frame and caption) into the child's DC.
    if (m.Msg == WM_ERASEBKGND && m.WParam == WPARAM(m.LParam) && m.WParam) {
        HDC dc = HDC(m.WParam);
        HDC old = Canvas().Handle();
        Canvas().SetHandle(dc);
        Paint();
        Canvas().SetHandle(old);
        m.Result = 1;
        return;
    }
    if (m.Msg == CM_TEXTCHANGED || m.Msg == CM_ENABLEDCHANGED) Invalidate();
    TCustomControl::Dispatch(m);
}

// ---------------------------------------------------------------- TRadioGroup

TGroupButton::TGroupButton(TRadioGroup* group, int index) : TRadioButton(group), group_(group), index_(index) {}

void TGroupButton::Clicked()
{
    TRadioButton::Clicked();
    group_->ButtonClicked(index_);
}

TRadioGroup::TRadioGroup(TComponent* owner) : TCustomGroupBox(owner) {}

void TRadioGroup::SetItems(const std::vector<String>& items)
{
    items_ = items;
    if (itemIndex_ >= int(items_.size())) itemIndex_ = -1;
    MakeButtons();
}

void TRadioGroup::SetItemIndex(int i)
{
    if (i < -1 || i >= int(items_.size())) i = -1;
    itemIndex_ = i;
    for (size_t k = 0; k < buttons_.size(); ++k) buttons_[k]->SetChecked(int(k) == i);
}

void TRadioGroup::SetColumns(int c)
{
    columns_ = std::max(1, c);
    ArrangeButtons();
}

TGroupButton* TRadioGroup::Buttons(int i) const
{
    return i >= 0 && i < int(buttons_.size()) ? buttons_[size_t(i)] : nullptr;
}

HWND TRadioGroup::ButtonWindow(int i) const
{
    TGroupButton* b = Buttons(i);
    return b && HandleAllocated() ? b->Handle() : nullptr;
}

void TRadioGroup::HandleCreated()
{
    TCustomGroupBox::HandleCreated();
    ArrangeButtons();
}

void TRadioGroup::ButtonClicked(int index)
{
    itemIndex_ = index;
    if (OnClick) OnClick(this);
}

void TRadioGroup::MakeButtons()
{
    for (TGroupButton* b : buttons_) delete b;
    buttons_.clear();
    for (size_t i = 0; i < items_.size(); ++i) {
        auto* b = new TGroupButton(this, int(i));
        b->SetCaption(items_[i]);
        b->SetTabStop(i == 0);
        b->SetParent(this);
        buttons_.push_back(b);
    }
    ArrangeButtons();
    SetItemIndex(itemIndex_);
}

void TRadioGroup::ArrangeButtons()
{
    if (buttons_.empty()) return;
    int rows = (int(buttons_.size()) + columns_ - 1) / columns_;
    int top = 16, h = std::max(1, (ClientHeight() - top - 4) / std::max(1, rows));
    int w = std::max(1, (ClientWidth() - 16) / columns_);
    for (size_t i = 0; i < buttons_.size(); ++i) {
        int col = int(i) / rows, row = int(i) % rows;
        buttons_[i]->SetBounds(8 + col * w, top + row * h, w - 4, std::min(h, 20));
    }
}

void TRadioGroup::Dispatch(TMessage& m)
{
    TCustomGroupBox::Dispatch(m);
    if (m.Msg == WM_SIZE) ArrangeButtons();
}

// ---------------------------------------------------------------- TToolButton

TToolButton::TToolButton(TComponent* owner) : TComponent(owner) {}

TToolButton::~TToolButton()
{
    if (toolBar_) toolBar_->RemoveButton(this);
}

int TToolButton::Index() const
{
    if (!toolBar_) return -1;
    auto& v = toolBar_->buttons_;
    auto it = std::find(v.begin(), v.end(), this);
    return it == v.end() ? -1 : int(it - v.begin());
}

void TToolButton::Changed()
{
    if (toolBar_) toolBar_->UpdateButton(this);
}

void TToolButton::SetStyle(TToolButtonStyle s)
{
    style_ = s;
    if (toolBar_) toolBar_->RebuildButtons();
}
void TToolButton::SetCaption(const String& c)
{
    caption_ = c;
    if (toolBar_) toolBar_->RebuildButtons();
}
void TToolButton::SetImageIndex(int i)
{
    imageIndex_ = i;
    Changed();
}
void TToolButton::SetDown(bool d)
{
    down_ = d;
    Changed();
}
void TToolButton::SetEnabled(bool e)
{
    enabled_ = e;
    Changed();
}
void TToolButton::SetIndeterminate(bool i)
{
    indeterminate_ = i;
    Changed();
}
void TToolButton::SetMarked(bool m)
{
    marked_ = m;
    Changed();
}

RECT TToolButton::BoundsRect() const
{
    RECT r{};
    int i = Index();
    if (i >= 0 && toolBar_->HandleAllocated())
        SendMessageW(toolBar_->Handle(), TB_GETITEMRECT, WPARAM(i), LPARAM(&r));
    return r;
}
int TToolButton::Width() const
{
    RECT r = BoundsRect();
    return r.right - r.left;
}
int TToolButton::Height() const
{
    RECT r = BoundsRect();
    return r.bottom - r.top;
}

bool TToolButton::CheckMenuDropdown()
{
    if (!dropdownMenu_ || !toolBar_ || !toolBar_->HandleAllocated()) return false;
    HWND bar = toolBar_->Handle();
    RECT r = BoundsRect();
    POINT p{r.left, r.bottom};
    ::ClientToScreen(bar, &p);
    SendMessageW(bar, TB_PRESSBUTTON, WPARAM(Index()), TRUE);
    TrackPopupMenu(dropdownMenu_, TPM_LEFTALIGN | TPM_TOPALIGN, p.x, p.y, 0, bar, nullptr);
    SendMessageW(bar, TB_PRESSBUTTON, WPARAM(Index()), FALSE);
    // Tells whoever watches the bar that the menu is gone.
    PostMessageW(bar, TBM_DROPDOWNCLOSED, 0, 0);
    return true;
}

// ---------------------------------------------------------------- TToolBar

TToolBar::TToolBar(TComponent* owner) : TWinControl(owner)
{
    InitBarClasses();
    SetControlStyle(ControlStyle() | csAcceptsControls);
    SetBounds(0, 0, 150, 29);
}

TToolBar::~TToolBar()
{
    SetState(csDestroying);
    for (TToolButton* b : buttons_) b->toolBar_ = nullptr;
    buttons_.clear();
}

void TToolBar::CreateParams(TCreateParams& p)
{
    TWinControl::CreateParams(p);
    p.SubclassOf = TOOLBARCLASSNAMEW;
    p.Style |= CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER | TBSTYLE_TOOLTIPS;
    if (flat_) p.Style |= TBSTYLE_FLAT;
    if (list_) p.Style |= TBSTYLE_LIST;
}

void TToolBar::HandleCreated()
{
    SendMessageW(handle_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(handle_, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
    if (images_) SendMessageW(handle_, TB_SETIMAGELIST, 0, LPARAM(images_->Handle()));
    RebuildButtons();
}

TToolButton* TToolBar::AddButton(const String& caption, TToolButtonStyle style, int imageIndex)
{
    auto* b = new TToolButton(this);
    b->caption_ = caption;
    b->style_ = style;
    b->imageIndex_ = imageIndex;
    InsertButton(b);
    return b;
}

void TToolBar::InsertButton(TToolButton* b)
{
    b->toolBar_ = this;
    buttons_.push_back(b);
    RebuildButtons();
}

void TToolBar::RemoveButton(TToolButton* b)
{
    auto it = std::find(buttons_.begin(), buttons_.end(), b);
    if (it == buttons_.end()) return;
    buttons_.erase(it);
    b->toolBar_ = nullptr;
    if (!Destroying()) RebuildButtons();
}

TToolButton* TToolBar::ButtonOfCommand(int id) const
{
    return id >= 0 && id < int(buttons_.size()) ? buttons_[size_t(id)] : nullptr;
}

void TToolBar::SetImages(TCustomImageList* l)
{
    images_ = l;
    if (HandleAllocated()) {
        SendMessageW(handle_, TB_SETIMAGELIST, 0, LPARAM(l ? l->Handle() : nullptr));
        RebuildButtons();
    }
}

void TToolBar::SetShowCaptions(bool s)
{
    showCaptions_ = s;
    RebuildButtons();
}

void TToolBar::SetList(bool l)
{
    list_ = l;
    if (HandleAllocated()) {
        LONG_PTR st = GetWindowLongPtrW(handle_, GWL_STYLE);
        SetWindowLongPtrW(handle_, GWL_STYLE, l ? (st | TBSTYLE_LIST) : (st & ~LONG_PTR(TBSTYLE_LIST)));
        RebuildButtons();
    }
}

void TToolBar::SetButtonSize(int w, int h)
{
    buttonWidth_ = w;
    buttonHeight_ = h;
    RebuildButtons();
}

namespace {
BYTE ButtonStateOf(const TToolButton* b)
{
    BYTE s = 0;
    if (b->Enabled()) s |= TBSTATE_ENABLED;
    if (b->Down()) s |= (b->Style() == TToolButtonStyle::tbsCheck) ? TBSTATE_CHECKED : TBSTATE_PRESSED;
    if (b->Indeterminate()) s |= TBSTATE_INDETERMINATE;
    if (b->Marked()) s |= TBSTATE_MARKED;
    return s;
}
}  // namespace

void TToolBar::RebuildButtons()
{
    if (!HandleAllocated() || Destroying()) return;
    while (SendMessageW(handle_, TB_BUTTONCOUNT, 0, 0) > 0) SendMessageW(handle_, TB_DELETEBUTTON, 0, 0);
    std::vector<TBBUTTON> native;
    std::vector<String> texts;
    texts.reserve(buttons_.size());
    for (size_t i = 0; i < buttons_.size(); ++i) {
        TToolButton* b = buttons_[i];
        TBBUTTON t{};
        t.idCommand = int(i);
        t.iBitmap = b->imageIndex_ >= 0 ? b->imageIndex_ : I_IMAGENONE;
        t.fsState = ButtonStateOf(b);
        switch (b->style_) {
        case TToolButtonStyle::tbsCheck: t.fsStyle = BTNS_CHECK; break;
        case TToolButtonStyle::tbsDropDown: t.fsStyle = BTNS_DROPDOWN; break;
        case TToolButtonStyle::tbsSeparator:
        case TToolButtonStyle::tbsDivider:
            t.fsStyle = BTNS_SEP;
            t.iBitmap = 6;
            break;
        default: t.fsStyle = BTNS_BUTTON; break;
        }
        texts.push_back(b->caption_);
        t.iString = (showCaptions_ && !(t.fsStyle & BTNS_SEP)) ? INT_PTR(texts.back().c_str()) : -1;
        native.push_back(t);
    }
    if (!native.empty()) SendMessageW(handle_, TB_ADDBUTTONSW, native.size(), LPARAM(native.data()));
    SendMessageW(handle_, TB_SETBUTTONSIZE, 0, MAKELPARAM(buttonWidth_, buttonHeight_));
    SendMessageW(handle_, TB_AUTOSIZE, 0, 0);
    Invalidate();
}

void TToolBar::UpdateButton(TToolButton* b)
{
    int i = b->Index();
    if (i < 0 || !HandleAllocated()) return;
    TBBUTTONINFOW info{sizeof info};
    info.dwMask = TBIF_STATE | TBIF_IMAGE | TBIF_BYINDEX;
    info.fsState = ButtonStateOf(b);
    info.iImage = b->imageIndex_ >= 0 ? b->imageIndex_ : I_IMAGENONE;
    SendMessageW(handle_, TB_SETBUTTONINFOW, WPARAM(i), LPARAM(&info));
}

LRESULT TToolBar::CustomDraw(NMTBCUSTOMDRAW& cd)
{
    DWORD stage = cd.nmcd.dwDrawStage;
    if (!OnCustomDraw && !OnCustomDrawButton) return CDRF_DODEFAULT;
    HDC old = canvas_.Handle();
    canvas_.SetHandle(cd.nmcd.hdc);
    LRESULT result = CDRF_DODEFAULT;
    bool defaultDraw = true;
    if (stage == CDDS_PREPAINT || stage == CDDS_POSTPAINT) {
        TCustomDrawStage st = stage == CDDS_PREPAINT ? TCustomDrawStage::cdPrePaint : TCustomDrawStage::cdPostPaint;
        if (OnCustomDraw) OnCustomDraw(this, cd.nmcd.rc, st, defaultDraw);
        // The bar's own drawing is its buttons, and each one still asks for
        // its turn: skipping the default here would leave them unasked.
        if (stage == CDDS_PREPAINT) result = CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT;
    } else if (stage == CDDS_ITEMPREPAINT || stage == CDDS_ITEMPOSTPAINT) {
        TToolButton* b = ButtonOfCommand(int(cd.nmcd.dwItemSpec));
        if (b && OnCustomDrawButton) {
            TCustomDrawState state = 0;
            UINT s = cd.nmcd.uItemState;
            if (s & CDIS_SELECTED) state |= cdsSelected;
            if (s & CDIS_GRAYED) state |= cdsGrayed;
            if (s & CDIS_DISABLED) state |= cdsDisabled;
            if (s & CDIS_CHECKED) state |= cdsChecked;
            if (s & CDIS_FOCUS) state |= cdsFocused;
            if (s & CDIS_HOT) state |= cdsHot;
            if (s & CDIS_MARKED) state |= cdsMarked;
            if (s & CDIS_INDETERMINATE) state |= cdsIndeterminate;
            TTBCustomDrawFlags flags = 0;
            TCustomDrawStage st =
                stage == CDDS_ITEMPREPAINT ? TCustomDrawStage::cdPrePaint : TCustomDrawStage::cdPostPaint;
            OnCustomDrawButton(this, b, state, st, flags, defaultDraw);
            if (stage == CDDS_ITEMPREPAINT) {
                result = CDRF_NOTIFYPOSTPAINT;
                if (!defaultDraw) result |= CDRF_SKIPDEFAULT;
                if (flags & tbNoEdges) result |= TBCDRF_NOEDGES;
                if (flags & tbNoEtchedEffect) result |= TBCDRF_NOETCHEDEFFECT;
                if (flags & tbNoOffset) result |= TBCDRF_NOOFFSET;
                if (flags & tbNoMark) result |= TBCDRF_NOMARK;
                if (flags & tbHiliteHotTrack) result |= TBCDRF_HILITEHOTTRACK;
            }
        }
    }
    canvas_.SetHandle(old);
    return result;
}

void TToolBar::Dispatch(TMessage& m)
{
    if (m.Msg == CN_NOTIFY) {
        auto* hdr = reinterpret_cast<NMHDR*>(m.LParam);
        switch (hdr->code) {
        case NM_CUSTOMDRAW:
            m.Result = CustomDraw(*reinterpret_cast<NMTBCUSTOMDRAW*>(m.LParam));
            return;
        case TBN_DROPDOWN: {
            auto* nt = reinterpret_cast<NMTOOLBARW*>(m.LParam);
            if (TToolButton* b = ButtonOfCommand(nt->iItem); b && b->CheckMenuDropdown()) {
                m.Result = TBDDRET_DEFAULT;
                return;
            }
            m.Result = TBDDRET_NODEFAULT;
            return;
        }
        default: break;
        }
    }
    if (m.Msg == CN_COMMAND) {
        if (TToolButton* b = ButtonOfCommand(LOWORD(m.WParam))) {
            if (b->style_ == TToolButtonStyle::tbsCheck)
                b->down_ = SendMessageW(handle_, TB_ISBUTTONCHECKED, LOWORD(m.WParam), 0) != 0;
            if (b->OnClick) b->OnClick(b);
            return;
        }
    }
    TWinControl::Dispatch(m);
}

// ---------------------------------------------------------------- TStatusBar

TStatusBar::TStatusBar(TComponent* owner) : TWinControl(owner)
{
    InitBarClasses();
    SetBounds(0, 0, 200, 19);
}

void TStatusBar::CreateParams(TCreateParams& p)
{
    TWinControl::CreateParams(p);
    p.SubclassOf = STATUSCLASSNAMEW;
    p.Style |= CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER;
}

void TStatusBar::HandleCreated() { ApplyPanels(); }

TStatusPanel& TStatusBar::AddPanel(const String& text, int width)
{
    panels_.push_back(TStatusPanel{text, width});
    ApplyPanels();
    return panels_.back();
}

void TStatusBar::PanelsChanged() { ApplyPanels(); }

void TStatusBar::SetSimplePanel(bool s)
{
    simplePanel_ = s;
    ApplyPanels();
}

void TStatusBar::SetSimpleText(const String& t)
{
    simpleText_ = t;
    ApplyPanels();
}

void TStatusBar::ApplyPanels()
{
    if (!HandleAllocated()) return;
    std::vector<int> edges;
    int x = 0;
    for (size_t i = 0; i < panels_.size(); ++i) {
        x += panels_[i].Width;
        edges.push_back(i + 1 == panels_.size() ? -1 : x);
    }
    if (edges.empty()) edges.push_back(-1);
    SendMessageW(handle_, SB_SETPARTS, edges.size(), LPARAM(edges.data()));
    for (size_t i = 0; i < panels_.size(); ++i) {
        WPARAM w = i;
        if (panels_[i].Style == TStatusPanelStyle::psOwnerDraw) w |= SBT_OWNERDRAW;
        // Owner-drawn parts carry their index as data; text parts their text.
        LPARAM l = panels_[i].Style == TStatusPanelStyle::psOwnerDraw ? LPARAM(i)
                                                                         : LPARAM(panels_[i].Text.c_str());
        SendMessageW(handle_, SB_SETTEXTW, w, l);
    }
    // Simple mode shows one text over the whole bar; it is also the window text.
    SendMessageW(handle_, SB_SIMPLE, simplePanel_, 0);
    if (simplePanel_) {
        SendMessageW(handle_, SB_SETTEXTW, SB_SIMPLEID, LPARAM(simpleText_.c_str()));
        SetWindowTextW(handle_, simpleText_.c_str());
    }
    Invalidate();
}

void TStatusBar::Dispatch(TMessage& m)
{
    if (m.Msg == CN_DRAWITEM) {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam);
        int i = int(dis->itemID);
        if (i >= 0 && i < PanelCount() && OnDrawPanel) {
            HDC old = canvas_.Handle();
            canvas_.SetHandle(dis->hDC);
            OnDrawPanel(this, &panels_[size_t(i)], dis->rcItem);
            canvas_.SetHandle(old);
        }
        m.Result = TRUE;
        return;
    }
    TWinControl::Dispatch(m);
}

// ---------------------------------------------------------------- TTabControl

DWORD TabWindowStyle(TTabPosition position, TTabStyle style, bool multiLine)
{
    DWORD s = multiLine ? TCS_MULTILINE : TCS_SINGLELINE;
    switch (position) {
    case TTabPosition::tpBottom: s |= TCS_BOTTOM; break;
    case TTabPosition::tpLeft: s |= TCS_VERTICAL | TCS_MULTILINE; break;
    case TTabPosition::tpRight: s |= TCS_VERTICAL | TCS_RIGHT | TCS_MULTILINE; break;
    default: break;
    }
    if (style == TTabStyle::tsButtons) s |= TCS_BUTTONS;
    if (style == TTabStyle::tsFlatButtons) s |= TCS_BUTTONS | TCS_FLATBUTTONS;
    return s;
}

TTabControl::TTabControl(TComponent* owner) : TWinControl(owner)
{
    InitBarClasses();
    SetControlStyle(ControlStyle() | csAcceptsControls);
    SetBounds(0, 0, 289, 193);
    SetTabStop(true);
}

void TTabControl::CreateParams(TCreateParams& p)
{
    TWinControl::CreateParams(p);
    p.SubclassOf = WC_TABCONTROLW;
    p.Style |= TabWindowStyle(position_, style_, multiLine_);
}

void TTabControl::HandleCreated()
{
    if (images_) SendMessageW(handle_, TCM_SETIMAGELIST, 0, LPARAM(images_->Handle()));
    for (size_t i = 0; i < tabs_.size(); ++i) {
        TCITEMW item{};
        item.mask = TCIF_TEXT | TCIF_IMAGE;
        item.pszText = tabs_[i].data();
        item.iImage = images_ ? int(i) : -1;
        SendMessageW(handle_, TCM_INSERTITEMW, i, LPARAM(&item));
    }
    if (tabIndex_ >= 0) SendMessageW(handle_, TCM_SETCURSEL, WPARAM(tabIndex_), 0);
}

void TTabControl::SetTabs(const std::vector<String>& tabs)
{
    tabs_ = tabs;
    if (tabIndex_ >= int(tabs_.size())) tabIndex_ = tabs_.empty() ? -1 : 0;
    if (tabIndex_ < 0 && !tabs_.empty()) tabIndex_ = 0;
    if (HandleAllocated()) {
        SendMessageW(handle_, TCM_DELETEALLITEMS, 0, 0);
        HandleCreated();
        Invalidate();
    }
}

int TTabControl::TabIndex() const
{
    if (handle_) return int(SendMessageW(handle_, TCM_GETCURSEL, 0, 0));
    return tabIndex_;
}

void TTabControl::SetTabIndex(int i)
{
    tabIndex_ = (i >= 0 && i < int(tabs_.size())) ? i : -1;
    if (HandleAllocated()) SendMessageW(handle_, TCM_SETCURSEL, WPARAM(tabIndex_), 0);
}

void TTabControl::SetTabPosition(TTabPosition p)
{
    position_ = p;
    if (HandleAllocated()) RecreateWnd();
}

void TTabControl::SetStyle(TTabStyle s)
{
    style_ = s;
    if (HandleAllocated()) RecreateWnd();
}

void TTabControl::SetMultiLine(bool m)
{
    multiLine_ = m;
    if (HandleAllocated()) RecreateWnd();
}

void TTabControl::SetImages(TCustomImageList* l)
{
    images_ = l;
    if (HandleAllocated()) RecreateWnd();
}

RECT TTabControl::DisplayRect()
{
    RECT r{0, 0, Width(), Height()};
    if (!HandleAllocated()) return r;
    GetClientRect(handle_, &r);
    SendMessageW(handle_, TCM_ADJUSTRECT, FALSE, LPARAM(&r));
    return r;
}

void TTabControl::Dispatch(TMessage& m)
{
    if (m.Msg == CN_NOTIFY) {
        auto* hdr = reinterpret_cast<NMHDR*>(m.LParam);
        if (hdr->code == TCN_SELCHANGING) {
            m.Result = FALSE;
            return;
        }
        if (hdr->code == TCN_SELCHANGE) {
            tabIndex_ = int(SendMessageW(handle_, TCM_GETCURSEL, 0, 0));
            if (OnChange) OnChange(this);
            return;
        }
    }
    TWinControl::Dispatch(m);
}
