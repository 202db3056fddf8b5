#include "classlib/PageControl.h"

#include <commctrl.h>

#include <algorithm>

namespace {
void InitTabClass()
{
    static bool done = [] {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TAB_CLASSES};
        InitCommonControlsEx(&icc);
        return true;
    }();
    (void)done;
}
}  // namespace

// ---------------------------------------------------------------- TTabSheet

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner)
{
    SetControlStyle(ControlStyle() | csAcceptsControls);
    SetBounds(0, 0, 185, 157);
}

TTabSheet::~TTabSheet()
{
    if (pageControl_) pageControl_->RemovePage(this);
    pageControl_ = nullptr;
}

void TTabSheet::SetPageControl(TPageControl* pc) { SetParent(pc); }

void TTabSheet::SetParent(TWinControl* parent)
{
    auto* pc = dynamic_cast<TPageControl*>(parent);
    if (pageControl_ && pc != pageControl_) {
        TPageControl* old = pageControl_;
        pageControl_ = nullptr;
        old->RemovePage(this);
    }
    bool joining = pc && pc != pageControl_;
    if (joining) {
        // A page that does not become the active one stays out of sight.
        if (pc->active_) TControl::SetVisible(false);
        pageControl_ = pc;
    }
    TWinControl::SetParent(parent);
    if (joining) pc->InsertPage(this);
}

int TTabSheet::PageIndex() const
{
    if (!pageControl_) return -1;
    auto& v = pageControl_->pages_;
    auto it = std::find(v.begin(), v.end(), this);
    return it == v.end() ? -1 : int(it - v.begin());
}

void TTabSheet::TextChanged(const String& text)
{
    TWinControl::TextChanged(text);
    if (pageControl_) pageControl_->UpdateTab(this);
}

// ---------------------------------------------------------------- TPageControl

TPageControl::TPageControl(TComponent* owner) : TWinControl(owner)
{
    InitTabClass();
    SetControlStyle(ControlStyle() | csAcceptsControls);
    SetBounds(0, 0, 289, 193);
    SetTabStop(true);
}

TPageControl::~TPageControl()
{
    SetState(csDestroying);
    // Pages owned by someone else outlive us: they forget their page control.
    for (TTabSheet* p : pages_) p->pageControl_ = nullptr;
    pages_.clear();
    active_ = nullptr;
}

void TPageControl::CreateParams(TCreateParams& p)
{
    TWinControl::CreateParams(p);
    p.SubclassOf = WC_TABCONTROLW;
    p.Style |= TCS_TABS | TabWindowStyle(position_, TTabStyle::tsTabs, multiLine_);
    if (ownerDraw_) p.Style |= TCS_OWNERDRAWFIXED;
}

void TPageControl::SetTabPosition(TTabPosition p)
{
    position_ = p;
    if (HandleAllocated()) RecreateWnd();
}

void TPageControl::SetMultiLine(bool m)
{
    multiLine_ = m;
    if (HandleAllocated()) RecreateWnd();
}

void TPageControl::SetOwnerDraw(bool o)
{
    ownerDraw_ = o;
    if (HandleAllocated()) RecreateWnd();
}

void TPageControl::SetImages(TCustomImageList* l)
{
    images_ = l;
    if (HandleAllocated()) RecreateWnd();
}

void TPageControl::HandleCreated()
{
    if (images_) SendMessageW(handle_, TCM_SETIMAGELIST, 0, LPARAM(images_->Handle()));
    for (size_t i = 0; i < pages_.size(); ++i) {
        String text = pages_[i]->Caption();
        TCITEMW item{};
        item.mask = TCIF_TEXT | TCIF_IMAGE;
        item.iImage = images_ ? int(i) : -1;
        item.pszText = text.data();
        SendMessageW(handle_, TCM_INSERTITEMW, i, LPARAM(&item));
    }
    if (active_) SendMessageW(handle_, TCM_SETCURSEL, WPARAM(ActivePageIndex()), 0);
    LayoutPages();
}

void TPageControl::InsertPage(TTabSheet* page)
{
    pages_.push_back(page);
    if (HandleAllocated()) {
        String text = page->Caption();
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = text.data();
        SendMessageW(handle_, TCM_INSERTITEMW, pages_.size() - 1, LPARAM(&item));
        LayoutPages();
    }
    if (!active_) ChangeActivePage(page, false);
}

void TPageControl::RemovePage(TTabSheet* page)
{
    auto it = std::find(pages_.begin(), pages_.end(), page);
    if (it == pages_.end()) return;
    size_t index = size_t(it - pages_.begin());
    pages_.erase(it);
    if (Destroying()) return;
    if (HandleAllocated()) SendMessageW(handle_, TCM_DELETEITEM, index, 0);
    if (active_ == page) {
        active_ = nullptr;
        TTabSheet* next = pages_.empty() ? nullptr : pages_[std::min(index, pages_.size() - 1)];
        if (next) ChangeActivePage(next, false);
    } else if (active_ && HandleAllocated()) {
        SendMessageW(handle_, TCM_SETCURSEL, WPARAM(ActivePageIndex()), 0);
    }
}

void TPageControl::UpdateTab(TTabSheet* page)
{
    int index = page->PageIndex();
    if (index < 0 || !HandleAllocated()) return;
    String text = page->Caption();
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text.data();
    SendMessageW(handle_, TCM_SETITEMW, WPARAM(index), LPARAM(&item));
    LayoutPages();   // a longer caption may wrap nothing, but may change the row
}

RECT TPageControl::DisplayRect()
{
    RECT r{0, 0, Width(), Height()};
    if (!HandleAllocated()) return r;
    GetClientRect(handle_, &r);
    SendMessageW(handle_, TCM_ADJUSTRECT, FALSE, LPARAM(&r));
    return r;
}

RECT TPageControl::TabRect(int index)
{
    RECT r{};
    if (HandleAllocated()) SendMessageW(handle_, TCM_GETITEMRECT, WPARAM(index), LPARAM(&r));
    return r;
}

void TPageControl::LayoutPages()
{
    if (!HandleAllocated()) return;
    RECT r = DisplayRect();
    for (TTabSheet* p : pages_) p->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

int TPageControl::ActivePageIndex() const
{
    auto it = std::find(pages_.begin(), pages_.end(), active_);
    return it == pages_.end() ? -1 : int(it - pages_.begin());
}

void TPageControl::SetActivePageIndex(int i)
{
    if (i < 0 || i >= PageCount()) throw EListError(L"Индекс страницы вне диапазона (" + IntToStr(i) + L")");
    SetActivePage(pages_[size_t(i)]);
}

void TPageControl::SetActivePage(TTabSheet* page)
{
    if (page && page->pageControl_ != this)
        throw EInvalidOperation(L"Страница принадлежит другому набору страниц");
    ChangeActivePage(page, false);
}

void TPageControl::ChangeActivePage(TTabSheet* page, bool notify)
{
    if (page == active_) return;
    TTabSheet* old = active_;
    active_ = page;
    if (HandleAllocated()) SendMessageW(handle_, TCM_SETCURSEL, WPARAM(page ? ActivePageIndex() : -1), 0);
    if (page) {
        page->SetVisible(true);
        page->BringToFront();
    }
    if (old) {
        // Focus inside the page that goes out of sight moves to the tabs.
        HWND focus = GetFocus();
        bool hadFocus = old->HandleAllocated() && focus && (focus == old->Handle() || IsChild(old->Handle(), focus));
        old->SetVisible(false);
        if (hadFocus && HandleAllocated() && IsWindowVisible(handle_)) ::SetFocus(handle_);
        if (old->OnHide) old->OnHide(old);
    }
    if (page && page->OnShow) page->OnShow(page);
    if (notify && OnChange) OnChange(this);
}

void TPageControl::Dispatch(TMessage& m)
{
    switch (m.Msg) {
    case WM_SIZE:
    case WM_SETFONT:
        TWinControl::Dispatch(m);
        LayoutPages();
        return;
    case CN_DRAWITEM: {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam);
        if (OnDrawTab) {
            HDC old = canvas_.Handle();
            canvas_.SetHandle(dis->hDC);
            OnDrawTab(this, int(dis->itemID), dis->rcItem, (dis->itemState & ODS_SELECTED) != 0);
            canvas_.SetHandle(old);
        }
        m.Result = TRUE;
        return;
    }
    case CN_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(m.LParam);
        if (hdr->code == TCN_SELCHANGING) {
            m.Result = FALSE;   // changing is allowed
            return;
        }
        if (hdr->code == TCN_SELCHANGE) {
            int i = int(SendMessageW(handle_, TCM_GETCURSEL, 0, 0));
            if (i >= 0 && i < PageCount()) ChangeActivePage(pages_[size_t(i)], true);
            return;
        }
        break;
    }
    default:
        break;
    }
    TWinControl::Dispatch(m);
}
