// ComboWnd: the wrappers of combo boxes and of their drop-down lists.
//
// A combo box is three windows: the box with its edit or static part and its
// drop button, and a separate list window that opens on demand (inside the box
// for a simple combo box). TkvComboBoxWnd paints the box's frame and drop
// button from the skin and, the first time the list asks for its colours
// (WM_CTLCOLORLISTBOX), attaches a TkvComboListWnd to the list window, so that
// the list gets a skinned frame, skinned bars and the skin's colours. The list
// wrapper is kept while the skin lasts and dropped when the skin is removed or
// the box's wrapper goes.
//
// Classes in this file:
// - TkvComboBoxWnd: combo boxes (native "ComboBox" windows, TComboBox); the
//   drop button is section "COMBOBTN" with the "GLYPHMASK" of "COMBOBOX".
// - TkvComboListWnd: the drop-down list of a skinned combo box.
// - TkvWWComboBoxWnd: a combo box of another component package that shows its
//   list as a list-box control of its own (no list window of the system's).
//
// Paint states of the drop button: 0 normal, 1 hot, 2 pressed (list open).
#pragma once
#include <memory>

#include "classlib/GdiHandle.h"
#include "skin/controls/EditWnd.h"

// On between the opening and the closing of the list of any skinned combo box.
extern bool DropDownOpen;

class TkvComboListWnd;

// Where the parts of a combo box lie, in window coordinates of a box of
// width x height. buttonWidth: the drop button's width (0 without one).
namespace combogeo {
RECT DropButtonRect(int width, int height, int buttonWidth, bool rightToLeft);
// The rectangle the selected text is drawn in: from 3 pixels inside the edge
// to the drop button, on the side of the box the button leaves free.
RECT TextRect(int width, int height, const RECT& button, bool rightToLeft);
// Where a combo box has its own drop button, in window coordinates (as the
// control answers it; the fixed place when it does not); empty for a
// buttonWidth of 0.
RECT ButtonInWindow(HWND combo, int buttonWidth);
}  // namespace combogeo

class TkvComboBoxWnd : public TkvEditWnd {
    DECLARE_CLASS(TkvComboBoxWnd, TkvEditWnd)
public:
    TkvComboBoxWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
                   bool repaint = false);
    ~TkvComboBoxWnd() override;

    // The drop-down list window; nil until it first asks for its colours.
    HWND DropListHandle = nullptr;
    // The list's wrapper (owned), nil while none is attached.
    TkvComboListWnd* ListWrapper = nullptr;
    // Skin data made with the wrapper for the list's painting.
    std::unique_ptr<TsCommonData> ListSkinData;
    // Set while the list wrapper is being made (its messages must not make another).
    bool ListOpening = false;

    void WndProc(TMessage& message) override;
    // The drop button in window coordinates, where the control has its own
    // (whatever the reading order), for a box with a drop-down list; else empty.
    virtual RECT DropButtonRect();
    // The mouse is over the box (or its edit field) now.
    bool CursorOverBox() const;

    // 2 while the list is shown, 1 when the box is hot, else 0.
    int DropButtonState() const;
    // Paints the drop button into dc (the window DC when nil).
    void PaintDropButton(HDC dc = nullptr);
    // Draws the selected item's text into the cache bitmap.
    void PaintComboText();
    // Paints a simple combo box's frame (its edit line) into the cache bitmap.
    void PaintSimpleFrame();
    // The brush answered to the list's WM_CTLCOLORLISTBOX; one per wrapper.
    HBRUSH ListBrush() const { return listBrush_.get(); }

protected:
    bool IsSimple() const;
    bool HasDropList() const;
    // Unhooks and frees the list wrapper; with systemFrame the list gets back
    // the system's border.
    void DropListWrapper(bool systemFrame);
    // The background of the box repainted when it changed (the wrapper's
    // answer to command 23).
    void RepaintBackground();
    // Copies the frame ring of the cache (width pixels) to dc.
    void CopyFrameRing(HDC dc, int width);
    // Copies the cache to dc everywhere but on the box's edit field and its
    // drop button: the room the box leaves round its field shows the skin.
    void CopyAroundEdit(HDC dc);

private:
    void ListColors(TMessage& m);
    void MouseEnter(TMessage& m);
    void MouseLeave(TMessage& m);
    void Paint(TMessage& m);
    void Print(TMessage& m);
    void FocusLeft(TMessage& m);
    void RedrawBox();
    // The list goes with the box (or its wrapper): the library-wide flag is cleared.
    void ListGone();

    BrushHandle listBrush_;
    bool dropped_ = false;   // this box's list is open (between its drop-down and close-up)
    TColor listBrushColor_ = clNone;
};

class TkvComboListWnd : public TkvEditWnd {
    DECLARE_CLASS(TkvComboListWnd, TkvEditWnd)
public:
    TkvComboListWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
                    bool repaint = false, bool simpleList = false);
    ~TkvComboListWnd() override;

    // Attaches a wrapper to a combo box's list (hasItems: repaint at once). A
    // drop-down list is made one pixel wider once, so that the system computes
    // its frame again.
    static TkvComboListWnd* CreateForList(HWND dropList, bool simpleList, bool hasItems, const String& skinSection,
                                          TsSkinManager* skinManager, TsCommonData* commonData);

    // Between the list's own start-track and end-track messages (0x1AE, 0x1AF).
    bool Tracking = false;
    // The list belongs to a simple combo box and lies inside it.
    const bool SimpleList;
    // The combo box the list belongs to (its drop button follows the list).
    HWND ComboHandle = nullptr;

    void WndProc(TMessage& message) override;

private:
    void PaintFrame(HDC dc);
    void FillBelowSimpleList(HDC comboDC);
    // A button-up that ends a press on a bar, or falls on one: handled here
    // and not passed on.
    bool ButtonUpOnBar(TMessage& m);
};

// A combo box of another package: its list is a list-box control among its
// own children, which gets an edit wrapper of its own; the system's list
// window is left alone.
class TkvWWComboBoxWnd : public TkvComboBoxWnd {
    DECLARE_CLASS(TkvWWComboBoxWnd, TkvComboBoxWnd)
public:
    using TkvComboBoxWnd::TkvComboBoxWnd;
    ~TkvWWComboBoxWnd() override;

    // The wrapper of a class-library control (commonData: the control's own).
    static TkvWWComboBoxWnd* CreateForControl(TWinControl* control, TsCommonData* commonData,
                                              TsSkinManager* skinManager, const String& skinSection, bool repaint);

    // The list-box child that was wrapped last, its skin data and wrapper.
    TWinControl* ListBox = nullptr;
    std::unique_ptr<TsCommonData> DropListSkinData;
    TkvMainWnd* ListBoxWrapper = nullptr;
    bool ShowButton = true;

    RECT DropButtonRect() override;
    void WndProc(TMessage& message) override;

private:
    void WrapListBoxes();
};
