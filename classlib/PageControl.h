// A page control over the system's tab control: one tab per page, the pages
// are child windows laid over the tab control's display area and only the
// active one is visible.
#pragma once
#include <vector>

#include "classlib/ComBars.h"
#include "classlib/Controls.h"
#include "classlib/ImgList.h"

class TPageControl;

// One page of a page control; its caption is the text of its tab.
class TPageControl;
using TDrawTabEvent = Delegate<void(TPageControl*, int, const RECT&, bool)>;

class TTabSheet : public TWinControl {
    DECLARE_CLASS(TTabSheet, TWinControl)
public:
    explicit TTabSheet(TComponent* owner);
    ~TTabSheet() override;

    TPageControl* PageControl() const { return pageControl_; }
    // Moves the page into a page control (as its last page), or out of it.
    void SetPageControl(TPageControl* pc);
    int PageIndex() const;
    // A page control as the parent makes the page one of its pages.
    void SetParent(TWinControl* parent) override;

    // Runs when the page becomes the active page of its page control.
    TNotifyEvent OnShow;
    // Runs when another page takes its place.
    TNotifyEvent OnHide;

protected:
    void TextChanged(const String& text) override;

private:
    friend class TPageControl;
    TPageControl* pageControl_ = nullptr;
};

class TPageControl : public TWinControl {
    DECLARE_CLASS(TPageControl, TWinControl)
public:
    explicit TPageControl(TComponent* owner);
    ~TPageControl() override;

    int PageCount() const { return int(pages_.size()); }
    TTabSheet* Pages(int i) const { return pages_.at(size_t(i)); }
    TTabSheet* ActivePage() const { return active_; }
    void SetActivePage(TTabSheet* page);
    int ActivePageIndex() const;
    void SetActivePageIndex(int i);
    // The area the pages cover, in client coordinates.
    RECT DisplayRect();
    // The rectangle of a tab, in client coordinates (empty without a window).
    RECT TabRect(int index);
    void Dispatch(TMessage& message) override;

    // After the user or the program changed the active page.
    TNotifyEvent OnChange;

    // Where the tabs stand; tabs on a side are laid out in columns.
    TTabPosition TabPosition() const { return position_; }
    void SetTabPosition(TTabPosition p);
    bool MultiLine() const { return multiLine_; }
    void SetMultiLine(bool m);
    // The tabs are drawn by OnDrawTab (tab index, rectangle, active) on Canvas.
    bool OwnerDraw() const { return ownerDraw_; }
    void SetOwnerDraw(bool o);
    TDrawTabEvent OnDrawTab;
    TCanvas& Canvas() { return canvas_; }
    // Images of the tabs: page i shows image i.
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* l);

protected:
    void CreateParams(TCreateParams& params) override;
    void HandleCreated() override;

private:
    friend class TTabSheet;
    void InsertPage(TTabSheet* page);
    void RemovePage(TTabSheet* page);
    void UpdateTab(TTabSheet* page);
    void LayoutPages();
    void ChangeActivePage(TTabSheet* page, bool notify);
    std::vector<TTabSheet*> pages_;
    TTabSheet* active_ = nullptr;
    TTabPosition position_ = TTabPosition::tpTop;
    bool multiLine_ = false, ownerDraw_ = false;
    TCustomImageList* images_ = nullptr;
    TCanvas canvas_;
};
