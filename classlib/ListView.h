// A list view over the system's list-view control: columns, items with
// sub-items and images, the four view styles, the small image list, and the
// control's colours. The columns and items are kept by the control and given
// to the window again whenever it is (re)created.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <vector>

#include "classlib/Controls.h"
#include "classlib/StdCtrls.h"

class TCustomImageList;
class TListView;

enum class TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };
// The sort arrow a column header shows.
enum class TSortGlyph { sgNone, sgUp, sgDown };

class TListColumn {
public:
    const String& Caption() const { return caption_; }
    void SetCaption(const String& c);
    int Width() const;
    void SetWidth(int w);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a);
    // The header image (an index into the small images, -1 none).
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int i);
    TSortGlyph SortGlyph() const { return sortGlyph_; }
    void SetSortGlyph(TSortGlyph g);
    int Index() const;

private:
    friend class TListView;
    explicit TListColumn(TListView* view) : view_(view) {}
    void Apply() const;   // to the window's column
    TListView* view_;
    String caption_;
    int width_ = 50;
    TAlignment alignment_ = TAlignment::taLeftJustify;
    int imageIndex_ = -1;
    TSortGlyph sortGlyph_ = TSortGlyph::sgNone;
};

class TListItem {
public:
    const String& Caption() const { return caption_; }
    void SetCaption(const String& c);
    std::vector<String>& SubItems() { return subItems_; }
    // Sets a sub-item (column index - 1), growing the list as needed.
    void SetSubItem(int index, const String& text);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int i);
    int Index() const;
    // The item's rectangle in the list view's client area.
    RECT DisplayRect() const;

private:
    friend class TListView;
    explicit TListItem(TListView* view) : view_(view) {}
    void Apply(bool insert) const;
    TListView* view_;
    String caption_;
    std::vector<String> subItems_;
    int imageIndex_ = -1;
};

class TListView : public TWinControl {
    DECLARE_CLASS(TListView, TWinControl)
public:
    explicit TListView(TComponent* owner);
    ~TListView() override;

    TViewStyle ViewStyle() const { return viewStyle_; }
    void SetViewStyle(TViewStyle v);
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle b);
    bool ShowColumnHeaders() const { return showColumnHeaders_; }
    void SetShowColumnHeaders(bool s);
    // Images of the small-icon, list and report views and of the column headers.
    TCustomImageList* SmallImages() const { return smallImages_; }
    void SetSmallImages(TCustomImageList* images);

    // ---- columns
    int ColumnCount() const { return int(columns_.size()); }
    TListColumn* Column(int i) const { return columns_.at(size_t(i)).get(); }
    TListColumn* AddColumn(const String& caption, int width = 50);

    // ---- items
    int ItemCount() const { return int(items_.size()); }
    TListItem* Item(int i) const { return items_.at(size_t(i)).get(); }
    TListItem* AddItem(const String& caption, int imageIndex = -1);
    void DeleteItem(int index);
    void ClearItems();

    // The header window of the report view (nil without a window or header).
    HWND HeaderHandle();

    void Dispatch(TMessage& message) override;

protected:
    void Notification(TComponent* component, TOperation operation) override;
    void CreateParams(TCreateParams& params) override;
    void HandleCreated() override;
    void ColorChanged() override;
    void FontChanged() override;

private:
    friend class TListColumn;
    friend class TListItem;
    void ApplyImages();
    TViewStyle viewStyle_ = TViewStyle::vsIcon;
    TBorderStyle borderStyle_ = TBorderStyle::bsSingle;
    bool showColumnHeaders_ = true;
    TCustomImageList* smallImages_ = nullptr;
    std::vector<std::unique_ptr<TListColumn>> columns_;
    std::vector<std::unique_ptr<TListItem>> items_;
};
