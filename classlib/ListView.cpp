#include "classlib/ListView.h"

#include <algorithm>

#include "classlib/ImgList.h"
#include "classlib/TypInfo.h"

namespace {
void InitListViewClass()
{
    static bool done = [] {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&icc);
        return true;
    }();
    (void)done;
}

void RegisterListViewProperties()
{
    static bool done = [] {
        RegisterProperty(TListView::StaticClassInfo(),
                         OrdProperty<TListView, TViewStyle>(L"ViewStyle", &TListView::ViewStyle,
                                                            &TListView::SetViewStyle, TTypeKind::tkEnumeration,
                                                            {L"vsIcon", L"vsSmallIcon", L"vsList", L"vsReport"}));
        RegisterProperty(TListView::StaticClassInfo(),
                         OrdProperty<TListView, TBorderStyle>(L"BorderStyle", &TListView::BorderStyle,
                                                              &TListView::SetBorderStyle, TTypeKind::tkEnumeration,
                                                              {L"bsNone", L"bsSingle"}));
        TPropInfo images;
        images.Name = L"SmallImages";
        images.Kind = TTypeKind::tkClass;
        images.GetObj = [](TObject* o) -> TObject* { return static_cast<TListView*>(o)->SmallImages(); };
        images.SetObj = [](TObject* o, TObject* v) {
            static_cast<TListView*>(o)->SetSmallImages(dynamic_cast<TCustomImageList*>(v));
        };
        RegisterProperty(TListView::StaticClassInfo(), images);
        return true;
    }();
    (void)done;
}

DWORD ViewBits(TViewStyle v)
{
    switch (v) {
    case TViewStyle::vsIcon: return LVS_ICON;
    case TViewStyle::vsSmallIcon: return LVS_SMALLICON;
    case TViewStyle::vsList: return LVS_LIST;
    case TViewStyle::vsReport: return LVS_REPORT;
    }
    return LVS_ICON;
}

int ColumnFormat(TAlignment a)
{
    switch (a) {
    case TAlignment::taRightJustify: return LVCFMT_RIGHT;
    case TAlignment::taCenter: return LVCFMT_CENTER;
    default: return LVCFMT_LEFT;
    }
}
}  // namespace

// ---------------------------------------------------------------- TListColumn

int TListColumn::Index() const
{
    const auto& c = view_->columns_;
    for (size_t i = 0; i < c.size(); ++i)
        if (c[i].get() == this) return int(i);
    return -1;
}

void TListColumn::Apply() const
{
    if (!view_->HandleAllocated()) return;
    HWND h = view_->Handle();
    int i = Index();
    LVCOLUMNW c{};
    c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    c.pszText = const_cast<wchar_t*>(caption_.c_str());
    c.cx = width_;
    c.fmt = ColumnFormat(alignment_);
    if (imageIndex_ >= 0) {
        c.mask |= LVCF_IMAGE;
        c.iImage = imageIndex_;
        c.fmt |= LVCFMT_IMAGE;
    }
    if (SendMessageW(h, LVM_SETCOLUMNW, WPARAM(i), LPARAM(&c)) == 0)
        SendMessageW(h, LVM_INSERTCOLUMNW, WPARAM(i), LPARAM(&c));
    // The sort arrow lives in the header item's format.
    if (HWND header = view_->HeaderHandle()) {
        HDITEMW hd{};
        hd.mask = HDI_FORMAT;
        if (SendMessageW(header, HDM_GETITEMW, WPARAM(i), LPARAM(&hd))) {
            hd.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
            if (sortGlyph_ == TSortGlyph::sgUp) hd.fmt |= HDF_SORTUP;
            if (sortGlyph_ == TSortGlyph::sgDown) hd.fmt |= HDF_SORTDOWN;
            SendMessageW(header, HDM_SETITEMW, WPARAM(i), LPARAM(&hd));
        }
    }
}

void TListColumn::SetCaption(const String& c)
{
    caption_ = c;
    Apply();
}

int TListColumn::Width() const
{
    if (view_->HandleAllocated())
        return int(SendMessageW(const_cast<TListView*>(view_)->Handle(), LVM_GETCOLUMNWIDTH, WPARAM(Index()), 0));
    return width_;
}

void TListColumn::SetWidth(int w)
{
    width_ = w;
    Apply();
}

void TListColumn::SetAlignment(TAlignment a)
{
    alignment_ = a;
    Apply();
}

void TListColumn::SetImageIndex(int i)
{
    imageIndex_ = i;
    Apply();
}

void TListColumn::SetSortGlyph(TSortGlyph g)
{
    sortGlyph_ = g;
    Apply();
}

// ---------------------------------------------------------------- TListItem

int TListItem::Index() const
{
    const auto& v = view_->items_;
    for (size_t i = 0; i < v.size(); ++i)
        if (v[i].get() == this) return int(i);
    return -1;
}

void TListItem::Apply(bool insert) const
{
    if (!view_->HandleAllocated()) return;
    HWND h = view_->Handle();
    LVITEMW it{};
    it.mask = LVIF_TEXT | LVIF_IMAGE;
    it.iItem = Index();
    it.pszText = const_cast<wchar_t*>(caption_.c_str());
    it.iImage = imageIndex_;
    SendMessageW(h, insert ? LVM_INSERTITEMW : LVM_SETITEMW, 0, LPARAM(&it));
    for (size_t s = 0; s < subItems_.size(); ++s) {
        LVITEMW sub{};
        sub.mask = LVIF_TEXT;
        sub.iItem = it.iItem;
        sub.iSubItem = int(s) + 1;
        sub.pszText = const_cast<wchar_t*>(subItems_[s].c_str());
        SendMessageW(h, LVM_SETITEMW, 0, LPARAM(&sub));
    }
}

void TListItem::SetCaption(const String& c)
{
    caption_ = c;
    Apply(false);
}

void TListItem::SetSubItem(int index, const String& text)
{
    if (index < 0) return;
    if (size_t(index) >= subItems_.size()) subItems_.resize(size_t(index) + 1);
    subItems_[size_t(index)] = text;
    Apply(false);
}

void TListItem::SetImageIndex(int i)
{
    imageIndex_ = i;
    Apply(false);
}

RECT TListItem::DisplayRect() const
{
    RECT r{};
    if (!view_->HandleAllocated()) return r;
    r.left = LVIR_BOUNDS;
    if (!SendMessageW(view_->Handle(), LVM_GETITEMRECT, WPARAM(Index()), LPARAM(&r))) return RECT{};
    return r;
}

// ---------------------------------------------------------------- TListView

TListView::TListView(TComponent* owner) : TWinControl(owner)
{
    InitListViewClass();
    RegisterListViewProperties();
    SetBounds(0, 0, 250, 150);
    SetColor(clWindow);
    SetTabStop(true);
    // The control runs its own mouse loop on a press.
    SetControlStyle(ControlStyle() & ~csClickEvents);
}

TListView::~TListView()
{
    SetSmallImages(nullptr);
    items_.clear();
}

void TListView::CreateParams(TCreateParams& p)
{
    TWinControl::CreateParams(p);
    p.SubclassOf = WC_LISTVIEWW;
    p.Style |= ViewBits(viewStyle_) | LVS_SHAREIMAGELISTS | LVS_SHOWSELALWAYS;
    if (!showColumnHeaders_) p.Style |= LVS_NOCOLUMNHEADER;
    if (borderStyle_ == TBorderStyle::bsSingle) p.ExStyle |= WS_EX_CLIENTEDGE;
}

void TListView::HandleCreated()
{
    TWinControl::HandleCreated();
    ColorChanged();
    ApplyImages();
    for (const auto& c : columns_) c->Apply();
    for (const auto& i : items_) i->Apply(true);
}

HWND TListView::HeaderHandle()
{
    if (!HandleAllocated()) return nullptr;
    return HWND(SendMessageW(handle_, LVM_GETHEADER, 0, 0));
}

void TListView::ColorChanged()
{
    if (HandleAllocated()) {
        COLORREF bk = ColorToRGB(Color());
        SendMessageW(handle_, LVM_SETBKCOLOR, 0, LPARAM(bk));
        SendMessageW(handle_, LVM_SETTEXTBKCOLOR, 0, LPARAM(bk));
        SendMessageW(handle_, LVM_SETTEXTCOLOR, 0, LPARAM(ColorToRGB(Font().Color())));
        InvalidateRect(handle_, nullptr, TRUE);
    }
    TWinControl::ColorChanged();
}

void TListView::FontChanged()
{
    if (HandleAllocated()) {
        SendMessageW(handle_, LVM_SETTEXTCOLOR, 0, LPARAM(ColorToRGB(Font().Color())));
        InvalidateRect(handle_, nullptr, TRUE);
    }
    TWinControl::FontChanged();
}

void TListView::SetViewStyle(TViewStyle v)
{
    if (v == viewStyle_) return;
    viewStyle_ = v;
    if (HandleAllocated()) {
        LONG_PTR s = GetWindowLongPtrW(handle_, GWL_STYLE);
        SetWindowLongPtrW(handle_, GWL_STYLE, (s & ~LONG_PTR(LVS_TYPEMASK)) | LONG_PTR(ViewBits(v)));
        InvalidateRect(handle_, nullptr, TRUE);
    }
}

void TListView::SetBorderStyle(TBorderStyle b)
{
    if (b == borderStyle_) return;
    borderStyle_ = b;
    if (HandleAllocated()) RecreateWnd();
}

void TListView::SetShowColumnHeaders(bool s)
{
    if (s == showColumnHeaders_) return;
    showColumnHeaders_ = s;
    if (HandleAllocated()) RecreateWnd();
}

void TListView::ApplyImages()
{
    if (!HandleAllocated()) return;
    HIMAGELIST list = smallImages_ ? smallImages_->Handle() : nullptr;
    SendMessageW(handle_, LVM_SETIMAGELIST, LVSIL_SMALL, LPARAM(list));
    if (HWND header = HeaderHandle()) SendMessageW(header, HDM_SETIMAGELIST, 0, LPARAM(list));
}

void TListView::SetSmallImages(TCustomImageList* images)
{
    if (images == smallImages_) return;
    if (smallImages_) RemoveFreeNotification(smallImages_);
    smallImages_ = images;
    if (images) FreeNotification(images);
    ApplyImages();
}

void TListView::Notification(TComponent* c, TOperation op)
{
    TWinControl::Notification(c, op);
    if (op == TOperation::opRemove && c == smallImages_) {
        smallImages_ = nullptr;
        ApplyImages();
    }
}

TListColumn* TListView::AddColumn(const String& caption, int width)
{
    columns_.push_back(std::unique_ptr<TListColumn>(new TListColumn(this)));
    TListColumn* c = columns_.back().get();
    c->caption_ = caption;
    c->width_ = width;
    c->Apply();
    return c;
}

TListItem* TListView::AddItem(const String& caption, int imageIndex)
{
    items_.push_back(std::unique_ptr<TListItem>(new TListItem(this)));
    TListItem* it = items_.back().get();
    it->caption_ = caption;
    it->imageIndex_ = imageIndex;
    it->Apply(true);
    return it;
}

void TListView::DeleteItem(int index)
{
    if (index < 0 || index >= ItemCount()) return;
    items_.erase(items_.begin() + index);
    if (HandleAllocated()) SendMessageW(handle_, LVM_DELETEITEM, WPARAM(index), 0);
}

void TListView::ClearItems()
{
    items_.clear();
    if (HandleAllocated()) SendMessageW(handle_, LVM_DELETEALLITEMS, 0, 0);
}

void TListView::Dispatch(TMessage& m) { TWinControl::Dispatch(m); }
