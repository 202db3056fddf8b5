// Menus: the items of a form's menu line and of popup menus as components, the
// platform menus built from them, owner drawing routed to the items' events,
// commands routed to OnClick, and the text of keyboard shortcuts.
//
// The platform menu (HMENU) of a TMenu is built from its items and built again
// whenever an item changes (every item goes in with the wide functions, so
// captions in any script show whatever the ANSI code page). Each item gets a
// command number of its own for as long as it lives; owner-drawn items carry
// that number as their item data, so WM_MEASUREITEM and WM_DRAWITEM find the
// item by number and never through a pointer the system kept.
#pragma once
#include <windows.h>

#include <memory>
#include <vector>

#include "classlib/Controls.h"
#include "classlib/Graphics.h"

class TMenu;
class TCustomImageList;

// A key with its modifiers: the virtual key in the low byte, plus scShift,
// scCtrl and scAlt. 0 is no shortcut.
using TShortCut = WORD;
constexpr TShortCut scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000;
constexpr TShortCut ShortCut(WORD key, TShiftState shift)
{
    return TShortCut((key & 0xFF) | ((shift & ssShift) ? scShift : 0) | ((shift & ssCtrl) ? scCtrl : 0) |
                     ((shift & ssAlt) ? scAlt : 0));
}
// "Ctrl+Shift+F5" and the like, in fixed English key names (the same text on
// every system, whatever its keyboard layout); empty for 0.
String ShortCutToText(TShortCut shortCut);
// The reverse, case-insensitive; 0 when the text names no shortcut.
TShortCut TextToShortCut(const String& text);

// The mnemonic letter of a caption: the character after a single '&' (0: none).
wchar_t MnemonicOf(const String& caption);
// The answer to WM_MENUCHAR for a platform menu built from items: the one
// entry whose mnemonic is key (any case) with MNC_EXECUTE; the next of several
// after the selected one with MNC_SELECT; 0 when no entry has it.
LRESULT MenuCharAnswer(HMENU menu, wchar_t key);
// A key pressed in a window: the menu line of the active form the window lies
// on runs the item with that shortcut (see TMenuItem::ShortCut). True when an
// item ran; the key is then used up.
bool DispatchMenuShortCut(HWND target, TShortCut shortCut);

enum class TMenuBreak { mbNone, mbBreak, mbBarBreak };
enum TMenuAnimationFlag : unsigned { maLeftToRight = 1, maRightToLeft = 2, maTopToBottom = 4, maBottomToTop = 8, maNone = 16 };
using TMenuAnimation = unsigned;

using TMenuMeasureItemEvent = Delegate<void(TObject* sender, TCanvas& canvas, int& width, int& height)>;
using TMenuDrawItemEvent = Delegate<void(TObject* sender, TCanvas& canvas, const RECT& rect, bool selected)>;
using TAdvancedMenuDrawItemEvent =
    Delegate<void(TObject* sender, TCanvas& canvas, const RECT& rect, TOwnerDrawState state)>;

// One item: a command, a divider ("-") or the head of a sub-menu. An item owns
// its sub-items; a menu owns its root item. Items have no component owner.
class TMenuItem : public TComponent {
    DECLARE_CLASS(TMenuItem, TComponent)
public:
    TMenuItem();
    ~TMenuItem() override;

    const String& Caption() const { return caption_; }
    void SetCaption(const String& c);
    TShortCut ShortCut() const { return shortCut_; }
    void SetShortCut(TShortCut s);
    bool Checked() const { return checked_; }
    void SetChecked(bool v);
    // A checked radio item unchecks the other radio items of its group.
    bool RadioItem() const { return radioItem_; }
    void SetRadioItem(bool v);
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int v);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool v);
    bool Visible() const { return visible_; }
    void SetVisible(bool v);
    bool Default() const { return default_; }
    void SetDefault(bool v);
    TMenuBreak Break() const { return break_; }
    void SetBreak(TMenuBreak b);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int i);
    int HelpContext() const { return helpContext_; }
    void SetHelpContext(int h) { helpContext_ = h; }
    // The item's own picture, made on first use (owned); HasBitmap says
    // whether it holds one.
    TBitmap& Bitmap();
    bool HasBitmap() const { return bitmap_ && !bitmap_->Empty(); }
    // Images of the sub-items (nil: the menu's Images).
    TCustomImageList* SubMenuImages() const { return subMenuImages_; }
    void SetSubMenuImages(TCustomImageList* images);
    bool IsDivider() const { return caption_ == L"-"; }

    // Sub-items.
    int Count() const { return int(items_.size()); }
    TMenuItem* Items(int i) const { return items_.at(size_t(i)); }
    void Add(TMenuItem* item);
    void Insert(int index, TMenuItem* item);
    // Frees the sub-item at index.
    void Delete(int index);
    // Takes the item out without freeing it.
    void Remove(TMenuItem* item);
    void Clear();
    int IndexOf(const TMenuItem* item) const;
    TMenuItem* Parent() const { return parent_; }
    int MenuIndex() const { return parent_ ? parent_->IndexOf(this) : -1; }
    // The menu the item belongs to (nil for a loose item).
    TMenu* GetParentMenu() const;

    // The command number the item's window messages carry.
    UINT Command() const { return command_; }
    // The platform sub-menu of an item with sub-items (nil otherwise, or
    // before its menu was built).
    HMENU Handle() const { return handle_; }

    // Runs OnClick (an enabled item).
    virtual void Click();
    // Tells the menu that the item changed; the platform menu is built again.
    void MenuChanged(bool rebuild);

    // The item found by its command number (nil when none lives).
    static TMenuItem* FindByCommand(UINT command);

    TNotifyEvent OnClick;
    TMenuMeasureItemEvent OnMeasureItem;
    TMenuDrawItemEvent OnDrawItem;
    TAdvancedMenuDrawItemEvent OnAdvancedDrawItem;

    // Owner drawing of this item (the menu's window received WM_MEASUREITEM /
    // WM_DRAWITEM): the events when assigned, else the plain look.
    void MeasureItem(TCanvas& canvas, int& width, int& height);
    void AdvancedDrawItem(TCanvas& canvas, const RECT& rect, TOwnerDrawState state, bool topLevel);
    // The plain look without events: system colours, check mark, caption and shortcut.
    void DrawPlain(TCanvas& canvas, const RECT& rect, TOwnerDrawState state, bool topLevel);
    // Whether the item lies on a menu line (a top-level item of a main menu).
    bool IsMenuLineItem() const;

private:
    friend class TMenu;
    void AppendTo(HMENU menu, bool ownerDraw, bool menuLine);
    void SetMenu(TMenu* menu) { menu_ = menu; }
    void ItemChanged();
    String caption_;
    TShortCut shortCut_ = 0;
    bool checked_ = false, radioItem_ = false, enabled_ = true, visible_ = true, default_ = false;
    int groupIndex_ = 0;
    TMenuBreak break_ = TMenuBreak::mbNone;
    int imageIndex_ = -1;
    int helpContext_ = 0;
    std::unique_ptr<TBitmap> bitmap_;
    TCustomImageList* subMenuImages_ = nullptr;
    std::vector<TMenuItem*> items_;
    TMenuItem* parent_ = nullptr;
    TMenu* menu_ = nullptr;   // set on the root item only
    UINT command_ = 0;
    HMENU handle_ = nullptr;
};

// The base of main and popup menus: the root item and the platform menu.
class TMenu : public TComponent {
    DECLARE_CLASS(TMenu, TComponent)
public:
    explicit TMenu(TComponent* owner);
    ~TMenu() override;

    TMenuItem* Items() const { return items_.get(); }
    // The platform menu (built on first use).
    HMENU Handle();
    // Owner drawing of every item; changing it builds the items again.
    bool OwnerDraw() const { return ownerDraw_; }
    void SetOwnerDraw(bool v);
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* images);
    TBiDiMode BiDiMode() const { return biDiMode_; }
    void SetBiDiMode(TBiDiMode m) { biDiMode_ = m; }
    // The window that receives the menu's messages (the form of a main menu).
    HWND WindowHandle() const { return windowHandle_; }
    void SetWindowHandle(HWND w) { windowHandle_ = w; }

    // Builds the platform menu again from the items (now, or at EndUpdate).
    void Rebuild();
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    // How often the platform menu was built.
    int BuildCount() const { return buildCount_; }

    // Routes WM_MEASUREITEM, WM_DRAWITEM (menu kind) and WM_COMMAND (from a
    // menu) to the item they name and answers WM_MENUCHAR from the items'
    // captions; true when an item took the message.
    static bool DispatchMenuMessage(TMessage& message);
    // True for a form's menu line.
    virtual bool IsMenuLine() const { return false; }

protected:
    void Notification(TComponent* component, TOperation operation) override;
    virtual HMENU CreateHandle() = 0;
    // After the items were built again.
    virtual void Built() {}

private:
    std::unique_ptr<TMenuItem> items_;
    HMENU handle_ = nullptr;
    bool ownerDraw_ = false;
    TCustomImageList* images_ = nullptr;
    TBiDiMode biDiMode_ = TBiDiMode::bdLeftToRight;
    HWND windowHandle_ = nullptr;
    int updateCount_ = 0;
    bool pending_ = false;
    int buildCount_ = 0;
};

// A form's menu line (set with TCustomForm::SetMenu).
class TMainMenu : public TMenu {
    DECLARE_CLASS(TMainMenu, TMenu)
public:
    explicit TMainMenu(TComponent* owner) : TMenu(owner) {}
    bool AutoMerge = false;
    bool IsMenuLine() const override { return true; }

protected:
    HMENU CreateHandle() override { return CreateMenu(); }
    void Built() override;
};

// A menu that pops up at a point: modal until an item is chosen or the menu
// is dismissed.
class TPopupMenu : public TMenu {
    DECLARE_CLASS(TPopupMenu, TMenu)
public:
    explicit TPopupMenu(TComponent* owner) : TMenu(owner) {}
    TMenuAnimation MenuAnimation = 0;
    TAlignment Alignment = TAlignment::taLeftJustify;
    // Shows the menu at the screen point and runs the chosen item's OnClick.
    virtual void Popup(int x, int y);
    // The control whose context menu this was (set by Popup's callers).
    TComponent* PopupComponent = nullptr;
    TNotifyEvent OnPopup;

protected:
    HMENU CreateHandle() override { return CreatePopupMenu(); }
};

// Called with every menu item before it is freed (and before its sub-items
// go), so that those who keep something per item can drop it. Returns a key
// for RemoveMenuItemFreeHandler.
using TMenuItemFreeHandler = Delegate<void(TMenuItem*)>;
void AddMenuItemFreeHandler(const TMenuItemFreeHandler& handler);
void RemoveMenuItemFreeHandler(const TMenuItemFreeHandler& handler);

// The font the system draws menus in.
void GetMenuFont(TFont& font);

// Every menu alive (main and popup), in creation order.
const std::vector<TMenu*>& AllMenus();
