// System menus of skinned windows. A skinned window draws its own title, so
// the menu of its title icon (also opened by Alt+Space and a right click on
// the caption) is a popup menu the skinned menus can draw:
//   TsSystemMenu   the menu of a form skinned by a TsSkinProvider: it mirrors
//                  the window's real system menu (the six standard commands
//                  with the real captions and shortcuts, the commands the
//                  program added to the real menu), merges the provider's
//                  SysSubMenu at its place and, with the provider's
//                  MakeSkinMenu, lists the skins the manager finds;
//   TkvSystemMenu  the fixed six-command menu of a skinned system dialog.
//
// Which item is shown and which is greyed is decided by pure functions over a
// few facts of the window (FormSysMenuStates, DialogSysMenuStates), so the
// rules are tested without windows as well as on real ones.
//
// Every item sends WM_SYSCOMMAND with its command to its window (LParam 0):
// Restore, Move, Size, Minimize, Maximize and Close with SendMessage, the
// program's own commands with PostMessage. A sub-menu of the real menu is no
// command and is not copied. Skin names go into captions with every '&'
// doubled (so they show as they are) and a click finds the skin by the item's
// place in the list, never by reading the caption back.
#pragma once
#include <windows.h>

#include <vector>

#include "classlib/Forms.h"
#include "classlib/Menus.h"
#include "classlib/SysUtils.h"

class TsSkinProvider;
class TkvDialogWnd;

// Raised by an operation a class declares but leaves to its descendants.
TALVERA_EXCEPTION(EAbstractError, Exception)

// ---- the state rules

// What is shown and what can be chosen, per standard item.
struct TsSysItemState {
    bool Visible = true;
    bool Enabled = true;
};
struct TsSysMenuStates {
    TsSysItemState Restore, Move, Size, Minimize, Maximize, Close;
};

// The facts of a form the rules read.
struct TsSysMenuFacts {
    TFormBorderStyle BorderStyle = TFormBorderStyle::bsSizeable;
    TBorderIcons Icons = biSystemMenu | biMinimize | biMaximize;
    TWindowState State = TWindowState::wsNormal;
    bool Iconic = false;
    bool MDIChild = false;
    bool MainForm = true;            // the application's main form
    bool RealMenu = true;            // the window has a real system menu
    bool RealClose = true;           // ... holding an SC_CLOSE entry
    bool RealCloseDisabled = false;  // ... which is MF_DISABLED
};

// The six rules a form's title buttons follow as well.
bool SysVisibleClose(const TsSysMenuFacts& f);
bool SysVisibleMax(const TsSysMenuFacts& f);
bool SysVisibleMin(const TsSysMenuFacts& f);
bool SysEnabledMax(const TsSysMenuFacts& f);
bool SysEnabledMin(const TsSysMenuFacts& f);
bool SysEnabledRestore(const TsSysMenuFacts& f);
// Every item of a form's system menu.
TsSysMenuStates FormSysMenuStates(const TsSysMenuFacts& f);
// Every item of a dialog's system menu from its saved style and border kind
// (0 modal-frame dialog, 1 single, 2 none, 3 sizeable, 4 and 5 tool windows).
// Close is greyed when the dialog's own system menu has it greyed.
TsSysMenuStates DialogSysMenuStates(DWORD savedStyle, int borderKind, bool iconic, bool zoomed,
                                    bool closeGreyed = false);

// Whether the form's close button may close it: the Close entry of its real
// system menu is not greyed (a program greys it to forbid closing) and the
// window class has no CS_NOCLOSE. A form without such an entry may close.
bool SystemMenuClosesForm(const TsSkinProvider& provider);

// A text of the real menu split at its Tab: caption before, shortcut text after.
struct TsMenuEntryText {
    bool Found = false;   // the entry exists and has text
    String Caption;
    String ShortCutText;
};
// Reads the entry by command (byPosition false) or by position.
TsMenuEntryText ReadMenuEntry(HMENU menu, UINT commandOrPosition, bool byPosition);

// ---- the menus

// Where the provider's SysSubMenu goes into the system menu.
enum class TkvMenuItemPos { ipTop = 0, ipBottom = 1, ipBeforeClose = 2 };

// A popup of the program's merged into a form's system menu (the provider's
// SysSubMenu): shown when Caption is not empty and PopupMenu is set.
class TkvSysSubMenu : public TPersistent {
    DECLARE_CLASS(TkvSysSubMenu, TPersistent)
public:
    explicit TkvSysSubMenu(TsSkinProvider* provider) : provider_(provider) {}
    String Caption;
    TkvMenuItemPos Position = TkvMenuItemPos::ipBeforeClose;
    TPopupMenu* PopupMenu() const { return popupMenu_; }
    // The provider is told when the popup is freed and forgets it.
    void SetPopupMenu(TPopupMenu* menu);
    void Assign(const TPersistent* source) override;

private:
    TsSkinProvider* provider_;
    TPopupMenu* popupMenu_ = nullptr;
};

// The base of both system menus: six questions each descendant answers.
// Here they raise EAbstractError.
class TsCustomSysMenu : public TPopupMenu {
    DECLARE_CLASS(TsCustomSysMenu, TPopupMenu)
public:
    explicit TsCustomSysMenu(TComponent* owner) : TPopupMenu(owner) {}
    virtual bool VisibleClose();
    virtual bool VisibleMax();
    virtual bool VisibleMin();
    virtual bool EnabledMax();
    virtual bool EnabledMin();
    virtual bool EnabledRestore();
};

// Names of the items (FindItem finds them).
extern const wchar_t* const SysItemNames[6];      // "kvIR" ... "kvIC"
extern const wchar_t* const DialogItemNames[6];   // "miRestore" ... "miClose"
extern const wchar_t* const SkinSelectItemName;   // "SkinSelectItem"
// Skins per column of the skin list.
constexpr int SkinListColumnLength = 20;
// The shortcut of the dialog menu's Close (Alt+F4).
constexpr TShortCut DialogCloseShortCut = 0x8073;

// An item of a menu found by its component name, searched through every
// level (nil: none).
TMenuItem* FindMenuItem(TMenu* menu, const String& name);

// The system menu of a skinned form. Owned by its provider (component name
// "kvSysMenu" and the tick count when it was made).
class TsSystemMenu : public TsCustomSysMenu {
    DECLARE_CLASS(TsSystemMenu, TsCustomSysMenu)
public:
    explicit TsSystemMenu(TsSkinProvider* provider);
    ~TsSystemMenu() override;

    // Builds the items from the real system menu (empty without one).
    void BuildItems();
    // Shows and greys the items for the form's state now; builds them first
    // when asked to, or when there is no Close item yet.
    void RefreshItemStates(bool rebuild);
    // Puts the manager's skins at the top, under "Available skins" (radio
    // items, SkinListColumnLength per column, the current skin checked).
    void AddSkinList();
    // Takes the skin list out again (its head, its divider and its items).
    void RemoveSkinList();

    bool VisibleClose() override;
    bool VisibleMax() override;
    bool VisibleMin() override;
    bool EnabledMax() override;
    bool EnabledMin() override;
    bool EnabledRestore() override;
    // The other four rules.
    bool RestoreVisible();
    bool MoveEnabled();
    bool SizeVisible();
    bool SizeEnabled();
    bool CloseEnabled();

    // The facts of the form now.
    TsSysMenuFacts Facts();
    // The program's commands copied from the real menu at the last build.
    int ExtraCount() const { return extraCount_; }
    // The skin each item of the skin list stands for, by its index in the list.
    const std::vector<String>& SkinNames() const { return skinNames_; }
    // The real system menu the items mirror (nil: none).
    HMENU RealMenu() const;
    TsSkinProvider* Provider() const { return provider_; }

private:
    TMenuItem* NewItem(TMenuItem* parent, const String& caption, const String& name, long tag);
    void MergeSubMenu(TkvMenuItemPos position);
    void CopyItems(TMenuItem* from, TMenuItem* to);
    void StandardClick(TObject* sender);
    void ExtraClick(TObject* sender);
    void SkinClick(TObject* sender);

    TsSkinProvider* provider_;
    TCustomForm* form_;
    TMenuItem *restore_ = nullptr, *move_ = nullptr, *size_ = nullptr, *minimize_ = nullptr,
              *maximize_ = nullptr, *close_ = nullptr, *subMenu_ = nullptr;
    int extraCount_ = 0;
    std::vector<String> skinNames_;
};

// The system menu of a skinned dialog; made without an owner. Dialog is the
// wrapper whose saved style and border kind the rules read.
class TkvSystemMenu : public TsCustomSysMenu {
    DECLARE_CLASS(TkvSystemMenu, TsCustomSysMenu)
public:
    explicit TkvSystemMenu(TkvDialogWnd* dialog);
    void RefreshItemStates();
    // Shows the menu at the screen point (the wrapper's window receives the
    // chosen command); false without a dialog window.
    bool ShowAt(POINT screen);

    bool VisibleClose() override;
    bool VisibleMax() override { return false; }
    bool VisibleMin() override { return false; }
    bool EnabledMax() override { return false; }
    bool EnabledMin() override { return false; }
    bool EnabledRestore() override { return false; }

    TkvDialogWnd* Dialog() const { return dialog_; }

private:
    void ItemClick(TObject* sender);
    TkvDialogWnd* dialog_;
    TMenuItem* items_[6] = {};
};

// The published properties of the system menus (once).
void RegisterSystemMenuProperties();
// Start of the unit: the dialogs' system menu registration.
void InitSystemMenuUnit();
