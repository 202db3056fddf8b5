// A tree view over the system's tree-view control: nodes with text, levels and
// parents, the selected node, and the look the windows ask for.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <vector>

#include "classlib/ComBars.h"
#include "classlib/Controls.h"
#include "classlib/StdCtrls.h"

class TTreeView;
class TTreeNodes;

class TTreeNode {
public:
    const String& Text() const { return text_; }
    void SetText(const String& t);
    TTreeNode* Parent() const { return parent_; }
    int Level() const;
    int Count() const { return int(children_.size()); }
    TTreeNode* Item(int i) const { return children_.at(size_t(i)); }
    int Index() const;   // position among its siblings
    bool Selected() const;
    void Expand();
    // The node's rectangle in the tree's client area (the text only, or the
    // whole row); empty when the node is not shown (a collapsed parent).
    RECT DisplayRect(bool textOnly = true) const;
    HTREEITEM ItemId() const { return item_; }
    void* Data = nullptr;

private:
    friend class TTreeNodes;
    TTreeNodes* owner_ = nullptr;
    TTreeNode* parent_ = nullptr;
    std::vector<TTreeNode*> children_;
    String text_;
    HTREEITEM item_ = nullptr;
    bool expanded_ = false;   // made expanded (Add, AddChild)
};

// The nodes of a tree view, in tree order (a parent before its children).
class TTreeNodes {
public:
    explicit TTreeNodes(TTreeView* view) : view_(view) {}
    ~TTreeNodes();
    int Count() const { return int(all_.size()); }
    TTreeNode* Item(int i) const { return all_.at(size_t(i)); }
    TTreeNode* operator[](int i) const { return Item(i); }
    // A new top-level node after the last one (the sibling argument only says
    // which tree level: nullptr or any top-level node). An expanded node shows
    // the children added to it later: it is made in that state, which costs
    // no expansion message per node when a large tree is filled.
    TTreeNode* Add(TTreeNode* sibling, const String& text, bool expanded = false);
    // A new last child of parent (nullptr: a top-level node).
    TTreeNode* AddChild(TTreeNode* parent, const String& text, bool expanded = false);
    void Delete(TTreeNode* node);
    void Clear();
    std::vector<TTreeNode*> TopLevel() const;
    TTreeNode* FindItem(HTREEITEM item) const;
    TTreeNode* GetFirstNode() const { return all_.empty() ? nullptr : all_.front(); }

private:
    friend class TTreeView;
    friend class TTreeNode;
    void InsertItem(TTreeNode* node);   // creates the system item
    void Recreate();                    // after the window is (re)created
    TTreeView* view_;
    std::vector<TTreeNode*> all_;
};

// Custom drawing of the whole tree (stages as the tool bar's, ComBars.h):
// the handler gets the sender, the area being drawn, the stage and
// defaultDraw; clearing defaultDraw before painting keeps the control from
// painting at all.
using TTVAdvancedCustomDrawEvent = Delegate<void(TObject* sender, const RECT& rect, TCustomDrawStage stage, bool& defaultDraw)>;

class TTreeView : public TWinControl {
    DECLARE_CLASS(TTreeView, TWinControl)
public:
    explicit TTreeView(TComponent* owner);
    ~TTreeView() override;
    TTreeNodes& Items() { return items_; }
    TTreeNode* Selected() const;
    void SetSelected(TTreeNode* node);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool r);
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle b);
    // Opens every node. The view then shows the top of the tree, not the
    // last node the expansion scrolled to.
    void FullExpand();
    // The node shown in the first row (nullptr: an empty tree).
    TTreeNode* TopItem() const;
    void SetTopItem(TTreeNode* node);
    // The node at a point of the client area, or nullptr.
    TTreeNode* GetNodeAt(int x, int y);
    void Dispatch(TMessage& message) override;

    TNotifyEvent OnChange;
    // Called before the control paints and, while it paints by default, after.
    TTVAdvancedCustomDrawEvent OnAdvancedCustomDraw;

protected:
    void CreateParams(TCreateParams& params) override;
    void HandleCreated() override;
    // The answer to the control's NM_CUSTOMDRAW.
    LRESULT CustomDraw(const NMTVCUSTOMDRAW& cd);
    void ColorChanged() override;
    void FontChanged() override;

private:
    TTreeNodes items_{this};
    bool readOnly_ = false;
    TBorderStyle borderStyle_ = TBorderStyle::bsSingle;
};
