// List boxes and drop-down list combo boxes over the system's LISTBOX and
// COMBOBOX windows. Their Items are string lists over the window (LB_ and CB_
// messages); before the window exists, and while it is being recreated, the
// items and the selection are kept by the control and handed to the window
// when it is created.
#pragma once
#include <functional>

#include "classlib/Controls.h"

// The message numbers a list control answers to.
struct TListMessages {
    UINT GetCount, GetTextLen, GetText, AddString, InsertString, DeleteString, ResetContent, GetCurSel, SetCurSel,
        SetItemHeight, GetItemHeight, Err;
};

class TCustomListControl;

// The items of a list control.
class TListControlItems : public TStrings {
    DECLARE_CLASS(TListControlItems, TStrings)
public:
    explicit TListControlItems(TCustomListControl* control) : control_(control) {}
    int Count() const override;
    String Get(int index) const override;
    void Put(int index, const String& s) override;   // keeps the selection
    void Insert(int index, const String& s) override;
    int Add(const String& s) override;
    void Delete(int index) override;
    void Clear() override;
    void BeginUpdate() override;
    void EndUpdate() override;

private:
    void Check(int index, bool allowEnd = false) const;
    TCustomListControl* control_;
    int updating_ = 0;
};

// What list boxes and combo boxes share: the items, the selected index, the
// item height, and the keeping of both across window re-creation.
class TCustomListControl : public TWinControl {
    DECLARE_CLASS(TCustomListControl, TWinControl)
public:
    TCustomListControl(TComponent* owner, const TListMessages& messages);
    TStrings& Items() { return items_; }
    const TStrings& Items() const { return items_; }
    // -1: nothing selected. Setting it sends no notification.
    int ItemIndex() const;
    void SetItemIndex(int index);
    // Height of one item in pixels; 0 leaves it to the font.
    int ItemHeight() const;
    void SetItemHeight(int h);
    void Clear() { items_.Clear(); }
    void Dispatch(TMessage& message) override;

protected:
    void HandleCreated() override;
    void DestroyWnd() override;
    virtual void ApplyItemHeight();

private:
    friend class TListControlItems;
    TListMessages msg_;
    TListControlItems items_{this};
    std::vector<String> saved_;   // the items while there is no window
    int savedIndex_ = -1;
    int itemHeight_ = 0;
};

class TCustomListBox : public TCustomListControl {
    DECLARE_CLASS(TCustomListBox, TCustomListControl)
public:
    explicit TCustomListBox(TComponent* owner);
    void Dispatch(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
};

// A single-selection list box; OnClick fires when the user changes the selection.
class TListBox : public TCustomListBox {
    DECLARE_CLASS(TListBox, TCustomListBox)
public:
    explicit TListBox(TComponent* owner) : TCustomListBox(owner) {}
};

// The kinds of combo box: an edit with a drop-down list, an edit above a list
// that is always shown, a drop-down list without edit, and drop-down lists
// whose items the program draws (all of one height, or each its own).
enum class TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

// Draws item index into rect of the control's canvas (selected, focused ... in state).
using TDrawItemEvent = std::function<void(TObject* sender, int index, HDC dc, const RECT& rect, TOwnerDrawState state)>;
// Asks the height of item index (csOwnerDrawVariable).
using TMeasureItemEvent = std::function<void(TObject* sender, int index, int& height)>;

class TCustomComboBox : public TCustomListControl {
    DECLARE_CLASS(TCustomComboBox, TCustomListControl)
public:
    explicit TCustomComboBox(TComponent* owner);
    // csDropDown by default; a change makes the window again (items and selection kept).
    TComboBoxStyle Style() const { return style_; }
    void SetStyle(TComboBoxStyle style);
    // Number of items the opened list shows without scrolling.
    int DropDownCount() const { return dropDownCount_; }
    void SetDropDownCount(int n);
    bool DroppedDown();
    void SetDroppedDown(bool d);
    void SetBounds(int left, int top, int width, int height) override;
    void Dispatch(TMessage& message) override;

    // After the user chose an item: OnClick, then OnSelect, then OnChange.
    TNotifyEvent OnSelect;
    // The text changed: an item was chosen, or the user typed into the edit.
    TNotifyEvent OnChange;
    TNotifyEvent OnDropDown, OnCloseUp;
    // Owner-drawn styles: without OnDrawItem an item is drawn as its text.
    TDrawItemEvent OnDrawItem;
    TMeasureItemEvent OnMeasureItem;

protected:
    void CreateParams(TCreateParams& params) override;
    virtual void Change();

private:
    int DroppedHeight() const;
    void DrawItem(DRAWITEMSTRUCT& item);
    int dropDownCount_ = 8;
    TComboBoxStyle style_ = TComboBoxStyle::csDropDown;
};

class TComboBox : public TCustomComboBox {
    DECLARE_CLASS(TComboBox, TCustomComboBox)
public:
    explicit TComboBox(TComponent* owner) : TCustomComboBox(owner) {}
};
