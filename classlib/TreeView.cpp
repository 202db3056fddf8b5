#include "classlib/TreeView.h"

#include "classlib/TypInfo.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

namespace {
// Posted on NM_CLICK: the system control sends NM_CLICK before it moves the
// selection, and OnClick handlers read the selected node.
constexpr UINT CM_TREECLICK = WM_APP + 0x101;

void InitTreeClass()
{
    static bool done = [] {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TREEVIEW_CLASSES};
        InitCommonControlsEx(&icc);
        return true;
    }();
    (void)done;
}
}  // namespace

// ---------------------------------------------------------------- TTreeNode

void TTreeNode::SetText(const String& t)
{
    text_ = t;
    if (item_ && owner_->view_->HandleAllocated()) {
        TVITEMW it{};
        it.mask = TVIF_TEXT;
        it.hItem = item_;
        it.pszText = const_cast<wchar_t*>(text_.c_str());
        SendMessageW(owner_->view_->Handle(), TVM_SETITEMW, 0, LPARAM(&it));
    }
}

int TTreeNode::Level() const
{
    int l = 0;
    for (TTreeNode* p = parent_; p; p = p->parent_) ++l;
    return l;
}

int TTreeNode::Index() const
{
    const auto& sibs = parent_ ? parent_->children_ : owner_->TopLevel();
    auto it = std::find(sibs.begin(), sibs.end(), this);
    return it == sibs.end() ? -1 : int(it - sibs.begin());
}

bool TTreeNode::Selected() const { return owner_->view_->Selected() == this; }

void TTreeNode::Expand()
{
    if (item_ && owner_->view_->HandleAllocated())
        SendMessageW(owner_->view_->Handle(), TVM_EXPAND, TVE_EXPAND, LPARAM(item_));
}

RECT TTreeNode::DisplayRect(bool textOnly) const
{
    RECT r{};
    if (!item_ || !owner_->view_->HandleAllocated()) return r;
    // The message takes the item in the rectangle's first field.
    HTREEITEM item = item_;
    std::memcpy(&r, &item, sizeof item);
    if (!SendMessageW(owner_->view_->Handle(), TVM_GETITEMRECT, textOnly, LPARAM(&r))) return RECT{};
    return r;
}

// ---------------------------------------------------------------- TTreeNodes

TTreeNodes::~TTreeNodes()
{
    for (TTreeNode* n : all_) delete n;
}

std::vector<TTreeNode*> TTreeNodes::TopLevel() const
{
    std::vector<TTreeNode*> top;
    for (TTreeNode* n : all_)
        if (!n->parent_) top.push_back(n);
    return top;
}

void TTreeNodes::InsertItem(TTreeNode* node)
{
    if (!view_->HandleAllocated()) return;
    TVINSERTSTRUCTW ins{};
    ins.hParent = node->parent_ ? node->parent_->item_ : TVI_ROOT;
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT | TVIF_PARAM;
    ins.item.pszText = const_cast<wchar_t*>(node->text_.c_str());
    ins.item.lParam = LPARAM(node);
    if (node->expanded_) {
        ins.item.mask |= TVIF_STATE;
        ins.item.state = ins.item.stateMask = TVIS_EXPANDED;
    }
    node->item_ = HTREEITEM(SendMessageW(view_->Handle(), TVM_INSERTITEMW, 0, LPARAM(&ins)));
}

TTreeNode* TTreeNodes::Add(TTreeNode* sibling, const String& text, bool expanded)
{
    return AddChild(sibling ? sibling->parent_ : nullptr, text, expanded);
}

TTreeNode* TTreeNodes::AddChild(TTreeNode* parent, const String& text, bool expanded)
{
    view_->HandleNeeded();
    auto* n = new TTreeNode();
    n->owner_ = this;
    n->parent_ = parent;
    n->text_ = text;
    n->expanded_ = expanded;
    // Keep all_ in tree order: after the parent's last descendant.
    auto pos = all_.end();
    if (parent) {
        TTreeNode* last = parent;
        while (!last->children_.empty()) last = last->children_.back();
        pos = std::find(all_.begin(), all_.end(), last) + 1;
        parent->children_.push_back(n);
    }
    all_.insert(pos, n);
    InsertItem(n);
    return n;
}

void TTreeNodes::Delete(TTreeNode* node)
{
    if (!node) return;
    while (!node->children_.empty()) Delete(node->children_.back());
    if (node->item_ && view_->HandleAllocated())
        SendMessageW(view_->Handle(), TVM_DELETEITEM, 0, LPARAM(node->item_));
    if (node->parent_) std::erase(node->parent_->children_, node);
    std::erase(all_, node);
    delete node;
}

void TTreeNodes::Clear()
{
    if (view_->HandleAllocated()) SendMessageW(view_->Handle(), TVM_DELETEITEM, 0, LPARAM(TVI_ROOT));
    for (TTreeNode* n : all_) delete n;
    all_.clear();
}

TTreeNode* TTreeNodes::FindItem(HTREEITEM item) const
{
    if (!item) return nullptr;
    for (TTreeNode* n : all_)
        if (n->item_ == item) return n;
    return nullptr;
}

void TTreeNodes::Recreate()
{
    for (TTreeNode* n : all_) InsertItem(n);
}

// ---------------------------------------------------------------- TTreeView

namespace {
void RegisterTreeViewProperties()
{
    static bool done = false;
    if (done) return;
    done = true;
    RegisterProperty(TTreeView::StaticClassInfo(),
                     MethodProperty<TTreeView, TTVAdvancedCustomDrawEvent>(L"OnAdvancedCustomDraw",
                                                                           &TTreeView::OnAdvancedCustomDraw));
}
}  // namespace

TTreeView::TTreeView(TComponent* owner) : TWinControl(owner)
{
    InitTreeClass();
    RegisterTreeViewProperties();
    SetBounds(0, 0, 121, 97);
    SetColor(clWindow);
    SetTabStop(true);
    // The control runs its own mouse loop on a press and eats the release, so
    // clicks come from its NM_CLICK notification instead.
    SetControlStyle(ControlStyle() & ~csClickEvents);
}

TTreeView::~TTreeView()
{
    // The nodes go before the window, so no notification reaches a half-freed view.
    items_.Clear();
}

void TTreeView::CreateParams(TCreateParams& p)
{
    TWinControl::CreateParams(p);
    p.SubclassOf = WC_TREEVIEWW;
    p.Style |= TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS;
    if (!readOnly_) p.Style |= TVS_EDITLABELS;
    if (borderStyle_ == TBorderStyle::bsSingle) p.ExStyle |= WS_EX_CLIENTEDGE;
}

void TTreeView::HandleCreated()
{
    ColorChanged();
    items_.Recreate();
}

void TTreeView::ColorChanged()
{
    if (HandleAllocated()) {
        SendMessageW(handle_, TVM_SETBKCOLOR, 0, LPARAM(ColorToRGB(Color())));
        SendMessageW(handle_, TVM_SETTEXTCOLOR, 0, LPARAM(ColorToRGB(Font().Color())));
    }
    TWinControl::ColorChanged();
}

void TTreeView::FontChanged()
{
    if (HandleAllocated()) SendMessageW(handle_, TVM_SETTEXTCOLOR, 0, LPARAM(ColorToRGB(Font().Color())));
    TWinControl::FontChanged();
}

void TTreeView::SetReadOnly(bool r)
{
    if (r == readOnly_) return;
    readOnly_ = r;
    if (HandleAllocated()) {
        LONG s = GetWindowLongW(handle_, GWL_STYLE);
        SetWindowLongW(handle_, GWL_STYLE, r ? (s & ~TVS_EDITLABELS) : (s | TVS_EDITLABELS));
    }
}

void TTreeView::SetBorderStyle(TBorderStyle b)
{
    if (b == borderStyle_) return;
    borderStyle_ = b;
    if (HandleAllocated()) {
        LONG ex = GetWindowLongW(handle_, GWL_EXSTYLE);
        SetWindowLongW(handle_, GWL_EXSTYLE, b == TBorderStyle::bsSingle ? (ex | WS_EX_CLIENTEDGE) : (ex & ~WS_EX_CLIENTEDGE));
        SetWindowPos(handle_, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

TTreeNode* TTreeView::Selected() const
{
    if (!handle_) return nullptr;
    auto item = HTREEITEM(SendMessageW(handle_, TVM_GETNEXTITEM, TVGN_CARET, 0));
    return const_cast<TTreeNodes&>(items_).FindItem(item);
}

void TTreeView::SetSelected(TTreeNode* node)
{
    SendMessageW(Handle(), TVM_SELECTITEM, TVGN_CARET, LPARAM(node ? node->ItemId() : nullptr));
}

void TTreeView::FullExpand()
{
    // Each expansion scrolls its children into view, which would leave a long
    // tree showing its last subject.
    // Only parents: expanding a leaf changes nothing but costs a message.
    for (int i = 0; i < items_.Count(); ++i)
        if (items_.Item(i)->Count()) items_.Item(i)->Expand();
    if (TTreeNode* first = items_.GetFirstNode()) SetTopItem(first);
}

TTreeNode* TTreeView::TopItem() const
{
    if (!handle_) return nullptr;
    auto item = HTREEITEM(SendMessageW(handle_, TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0));
    return const_cast<TTreeNodes&>(items_).FindItem(item);
}

void TTreeView::SetTopItem(TTreeNode* node)
{
    if (node && node->ItemId() && HandleAllocated())
        SendMessageW(handle_, TVM_SELECTITEM, TVGN_FIRSTVISIBLE, LPARAM(node->ItemId()));
}

TTreeNode* TTreeView::GetNodeAt(int x, int y)
{
    TVHITTESTINFO hit{};
    hit.pt = POINT{x, y};
    auto item = HTREEITEM(SendMessageW(Handle(), TVM_HITTEST, 0, LPARAM(&hit)));
    if (!(hit.flags & (TVHT_ONITEM | TVHT_ONITEMINDENT | TVHT_ONITEMRIGHT | TVHT_ONITEMBUTTON))) return nullptr;
    return items_.FindItem(item);
}

void TTreeView::Dispatch(TMessage& m)
{
    if (m.Msg == CM_TREECLICK) {
        Click();
        return;
    }
    if (m.Msg == CN_NOTIFY) {
        auto* hdr = reinterpret_cast<NMHDR*>(m.LParam);
        switch (hdr->code) {
        case TVN_SELCHANGEDW:
        case TVN_SELCHANGEDA:
            if (OnChange) OnChange(this);
            return;
        case TVN_BEGINLABELEDITW:
        case TVN_BEGINLABELEDITA:
            m.Result = readOnly_;
            return;
        case NM_CLICK:
            PostMessageW(handle_, CM_TREECLICK, 0, 0);
            return;
        case NM_CUSTOMDRAW:
            m.Result = CustomDraw(*reinterpret_cast<NMTVCUSTOMDRAW*>(m.LParam));
            return;
        default:
            break;
        }
    }
    TWinControl::Dispatch(m);
}

LRESULT TTreeView::CustomDraw(const NMTVCUSTOMDRAW& cd)
{
    if (!OnAdvancedCustomDraw) return CDRF_DODEFAULT;
    bool defaultDraw = true;
    switch (cd.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        OnAdvancedCustomDraw(this, cd.nmcd.rc, TCustomDrawStage::cdPrePaint, defaultDraw);
        return defaultDraw ? CDRF_NOTIFYPOSTPAINT : CDRF_SKIPDEFAULT;
    case CDDS_POSTPAINT:
        OnAdvancedCustomDraw(this, cd.nmcd.rc, TCustomDrawStage::cdPostPaint, defaultDraw);
        return CDRF_DODEFAULT;
    default:
        return CDRF_DODEFAULT;
    }
}
