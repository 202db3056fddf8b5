// Group boxes, radio groups, tool bars, status bars and tab controls.
// Tool bars, status bars and tab controls are the system's common controls
// under a class of our own; group boxes paint themselves.
#pragma once
#include <vector>

#include "classlib/Buttons.h"
#include "classlib/Controls.h"
#include "classlib/ImgList.h"

#include <commctrl.h>

// ---------------------------------------------------------------- group boxes

// A frame with a caption that holds other controls. It paints its own
// background when a child asks for it with WM_ERASEBKGND whose WParam equals
// its LParam (the DC, with its origin at the group box's client origin), so
// that children without a background of their own show the group box.
class TCustomGroupBox : public TCustomControl {
    DECLARE_CLASS(TCustomGroupBox, TCustomControl)
public:
    explicit TCustomGroupBox(TComponent* owner);
    void Dispatch(TMessage& message) override;

protected:
    void Paint() override;
};

class TGroupBox : public TCustomGroupBox {
    DECLARE_CLASS(TGroupBox, TCustomGroupBox)
public:
    explicit TGroupBox(TComponent* owner) : TCustomGroupBox(owner) {}
};

class TRadioGroup;

// A radio button of a TRadioGroup: the group makes, places and frees it and
// learns of its clicks.
class TGroupButton : public TRadioButton {
    DECLARE_CLASS(TGroupButton, TRadioButton)
public:
    TGroupButton(TRadioGroup* group, int index);
    int Index() const { return index_; }

protected:
    void Clicked() override;

private:
    TRadioGroup* group_;
    int index_;
};

// A group box of radio buttons, one per item, in columns. The buttons are the
// class library's own (TGroupButton), so that whatever handles a TRadioButton
// handles them too.
class TRadioGroup : public TCustomGroupBox {
    DECLARE_CLASS(TRadioGroup, TCustomGroupBox)
public:
    explicit TRadioGroup(TComponent* owner);
    const std::vector<String>& Items() const { return items_; }
    void SetItems(const std::vector<String>& items);
    int ItemIndex() const { return itemIndex_; }
    void SetItemIndex(int i);
    int Columns() const { return columns_; }
    void SetColumns(int c);
    // The button of an item (nil out of range).
    TGroupButton* Buttons(int i) const;
    // The radio button window of an item (nil before the group box has a window).
    HWND ButtonWindow(int i) const;
    void Dispatch(TMessage& message) override;
    TNotifyEvent OnClick;

protected:
    void HandleCreated() override;

private:
    friend class TGroupButton;
    void ButtonClicked(int index);
    void MakeButtons();
    void ArrangeButtons();
    std::vector<String> items_;
    std::vector<TGroupButton*> buttons_;
    int itemIndex_ = -1, columns_ = 1;
};

// Asks the parent of a control to paint the background behind it into dc
// (origin at the control's top-left): WM_ERASEBKGND with WParam = LParam = dc.
// True when the parent painted.
bool PaintParentBackground(TControl* control, HDC dc);

// ---------------------------------------------------------------- tool bars

class TToolBar;

enum class TToolButtonStyle { tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider };

// One button of a tool bar. Its place is the one the tool bar gives it.
class TToolButton : public TComponent {
    DECLARE_CLASS(TToolButton, TComponent)
public:
    explicit TToolButton(TComponent* owner);
    ~TToolButton() override;

    TToolBar* ToolBar() const { return toolBar_; }
    int Index() const;
    TToolButtonStyle Style() const { return style_; }
    void SetStyle(TToolButtonStyle s);
    const String& Caption() const { return caption_; }
    void SetCaption(const String& c);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int i);
    bool Down() const { return down_; }
    void SetDown(bool d);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool e);
    bool Indeterminate() const { return indeterminate_; }
    void SetIndeterminate(bool i);
    bool Marked() const { return marked_; }
    void SetMarked(bool m);
    // A pop-up menu shown under the button (owned by the caller).
    HMENU DropdownMenu() const { return dropdownMenu_; }
    void SetDropdownMenu(HMENU m) { dropdownMenu_ = m; }
    // Bounds in the tool bar's client area (empty while it has no window).
    RECT BoundsRect() const;
    int Width() const;
    int Height() const;
    // Shows the drop-down menu under the button; true when it had one.
    bool CheckMenuDropdown();

    TNotifyEvent OnClick;

private:
    friend class TToolBar;
    void Changed();
    TToolBar* toolBar_ = nullptr;
    TToolButtonStyle style_ = TToolButtonStyle::tbsButton;
    String caption_;
    int imageIndex_ = -1;
    bool down_ = false, enabled_ = true, indeterminate_ = false, marked_ = false;
    HMENU dropdownMenu_ = nullptr;
};

enum class TCustomDrawStage { cdPrePaint, cdPostPaint, cdPreErase, cdPostErase };
enum TCustomDrawStateFlag : unsigned {
    cdsSelected = 1, cdsGrayed = 2, cdsDisabled = 4, cdsChecked = 8, cdsFocused = 16, cdsDefault = 32,
    cdsHot = 64, cdsMarked = 128, cdsIndeterminate = 256,
};
using TCustomDrawState = unsigned;
enum TTBCustomDrawFlag : unsigned { tbNoEdges = 1, tbHiliteHotTrack = 2, tbNoOffset = 4, tbNoMark = 8,
                                    tbNoEtchedEffect = 16 };
using TTBCustomDrawFlags = unsigned;
enum TEdgeBorder : unsigned { ebLeft = 1, ebTop = 2, ebRight = 4, ebBottom = 8 };
enum class TEdgeStyle { esNone, esRaised, esLowered };

// Custom drawing of the whole bar and of each button, at each stage; clearing
// defaultDraw in the pre-paint stage leaves the painting to the handler.
using TTBAdvancedCustomDrawEvent = Delegate<void(TToolBar*, const RECT&, TCustomDrawStage, bool&)>;
using TTBAdvancedCustomDrawBtnEvent =
    Delegate<void(TToolBar*, TToolButton*, TCustomDrawState, TCustomDrawStage, TTBCustomDrawFlags&, bool&)>;

class TToolBar : public TWinControl {
    DECLARE_CLASS(TToolBar, TWinControl)
public:
    explicit TToolBar(TComponent* owner);
    ~TToolBar() override;

    int ButtonCount() const { return int(buttons_.size()); }
    TToolButton* Buttons(int i) const { return buttons_.at(size_t(i)); }
    // Adds a button at the end (the tool bar does not own it unless it is its owner).
    TToolButton* AddButton(const String& caption, TToolButtonStyle style = TToolButtonStyle::tbsButton,
                           int imageIndex = -1);
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* l);
    bool ShowCaptions() const { return showCaptions_; }
    void SetShowCaptions(bool s);
    bool List() const { return list_; }
    void SetList(bool l);
    // Off: the bar draws no hot buttons (and a skin does no hot tracking either).
    bool Flat() const { return flat_; }
    void SetFlat(bool f) { flat_ = f; Invalidate(); }
    int ButtonWidth() const { return buttonWidth_; }
    int ButtonHeight() const { return buttonHeight_; }
    void SetButtonSize(int w, int h);
    TEdgeStyle EdgeInner() const { return edgeInner_; }
    TEdgeStyle EdgeOuter() const { return edgeOuter_; }
    void SetEdges(TEdgeStyle inner, TEdgeStyle outer) { edgeInner_ = inner, edgeOuter_ = outer; }
    unsigned EdgeBorders() const { return edgeBorders_; }
    void SetEdgeBorders(unsigned b) { edgeBorders_ = b; }
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int w) { borderWidth_ = w; }
    // The device context of the current custom-draw event.
    TCanvas& Canvas() { return canvas_; }
    // The button whose command id (its index) the tool bar reports.
    TToolButton* ButtonOfCommand(int id) const;

    void Dispatch(TMessage& message) override;

    TTBAdvancedCustomDrawEvent OnCustomDraw;
    TTBAdvancedCustomDrawBtnEvent OnCustomDrawButton;

protected:
    void CreateParams(TCreateParams& params) override;
    void HandleCreated() override;

private:
    friend class TToolButton;
    void InsertButton(TToolButton* b);
    void RemoveButton(TToolButton* b);
    void RebuildButtons();
    void UpdateButton(TToolButton* b);
    LRESULT CustomDraw(NMTBCUSTOMDRAW& cd);
    std::vector<TToolButton*> buttons_;
    TCustomImageList* images_ = nullptr;
    bool showCaptions_ = false, list_ = false, flat_ = true;
    int buttonWidth_ = 23, buttonHeight_ = 22;
    TEdgeStyle edgeInner_ = TEdgeStyle::esRaised, edgeOuter_ = TEdgeStyle::esLowered;
    unsigned edgeBorders_ = 0;
    int borderWidth_ = 0;
    TCanvas canvas_;
};

// ---------------------------------------------------------------- status bars

class TStatusBar;
enum class TStatusPanelStyle { psText, psOwnerDraw };

class TStatusPanel {
public:
    String Text;
    int Width = 50;
    TStatusPanelStyle Style = TStatusPanelStyle::psText;
    TAlignment Alignment = TAlignment::taLeftJustify;
};

using TDrawPanelEvent = Delegate<void(TStatusBar*, TStatusPanel*, const RECT&)>;

class TStatusBar : public TWinControl {
    DECLARE_CLASS(TStatusBar, TWinControl)
public:
    explicit TStatusBar(TComponent* owner);

    int PanelCount() const { return int(panels_.size()); }
    TStatusPanel& Panels(int i) { return panels_.at(size_t(i)); }
    TStatusPanel& AddPanel(const String& text, int width);
    // After changing panels directly: the window shows them again.
    void PanelsChanged();
    bool SimplePanel() const { return simplePanel_; }
    void SetSimplePanel(bool s);
    const String& SimpleText() const { return simpleText_; }
    void SetSimpleText(const String& t);
    int BorderWidth() const { return borderWidth_; }
    TCanvas& Canvas() { return canvas_; }
    void Dispatch(TMessage& message) override;

    TDrawPanelEvent OnDrawPanel;

protected:
    void CreateParams(TCreateParams& params) override;
    void HandleCreated() override;

private:
    void ApplyPanels();
    std::vector<TStatusPanel> panels_;
    bool simplePanel_ = false;
    String simpleText_;
    int borderWidth_ = 0;
    TCanvas canvas_;
};

// ---------------------------------------------------------------- tab controls

enum class TTabPosition { tpTop, tpBottom, tpLeft, tpRight };
enum class TTabStyle { tsTabs, tsButtons, tsFlatButtons };

// A row of tabs over a display area; the program shows what belongs to a tab.
class TTabControl : public TWinControl {
    DECLARE_CLASS(TTabControl, TWinControl)
public:
    explicit TTabControl(TComponent* owner);

    const std::vector<String>& Tabs() const { return tabs_; }
    void SetTabs(const std::vector<String>& tabs);
    int TabIndex() const;
    void SetTabIndex(int i);
    TTabPosition TabPosition() const { return position_; }
    void SetTabPosition(TTabPosition p);
    TTabStyle Style() const { return style_; }
    void SetStyle(TTabStyle s);
    bool MultiLine() const { return multiLine_; }
    void SetMultiLine(bool m);
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* l);
    RECT DisplayRect();
    void Dispatch(TMessage& message) override;

    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& params) override;
    void HandleCreated() override;

private:
    std::vector<String> tabs_;
    int tabIndex_ = -1;
    TTabPosition position_ = TTabPosition::tpTop;
    TTabStyle style_ = TTabStyle::tsTabs;
    bool multiLine_ = false;
    TCustomImageList* images_ = nullptr;
};

// Window style bits of a tab position, style and line mode.
DWORD TabWindowStyle(TTabPosition position, TTabStyle style, bool multiLine);
