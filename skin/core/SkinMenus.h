// The skinned menus of a skin manager (owned by it, created and freed with
// it). They make the application's menus owner-drawn and measure and paint
// every popup item and every item of a form's menu line from the skin's menu
// sections: "MAINMENU" (the popup's background and border), "MENUITEM" (an
// item, selected or not), "MENULINE" (captions of the menu line),
// "MENUCAPTION" (caption items "-Text-"), "DIVIDERV" (dividers) and the
// icon-column section of the manager's MenuSupport.
//
// Each open popup gets one picture of its whole window (background, icon
// column, optional extra line on the left, border), kept in the popup picture
// cache; items are painted off-screen over their part of that picture and
// copied once. The cache is emptied on every skin change and loses an entry
// when the popup's first item is freed or its window is destroyed.
//
// Without an active skin, attached items still draw: their captions plainly,
// in system colours.
#pragma once
#include <functional>
#include <memory>
#include <vector>

#include "classlib/Controls.h"
#include "classlib/Graphics.h"
#include "classlib/Menus.h"

class TsSkinManager;

enum class TsMenuItemType { smCaption, smDivider, smNormal, smTopLine };

using TsMenuManagerDrawItemEvent =
    Delegate<void(TObject* sender, TCanvas& canvas, const RECT& rect, TOwnerDrawState state, TsMenuItemType itemType)>;

// One open popup's picture: found by the popup's first item.
struct TsPopupCacheEntry {
    TMenuItem* FirstItem = nullptr;
    std::unique_ptr<TBitmap> Picture;
    HWND Window = nullptr;
    bool ExtraLine = false;   // the extra line shows on this popup
    bool RegionApplied = false;   // the window got its region and border (once per window)
};

class TsSkinableMenus : public TPersistent {
    DECLARE_CLASS(TsSkinableMenus, TPersistent)
public:
    explicit TsSkinableMenus(TsSkinManager* owner);
    ~TsSkinableMenus() override;
    TsSkinManager* Owner() const { return owner_; }

    // Published settings.
    TAlignment Alignment = TAlignment::taLeftJustify;   // caption alignment of normal items
    int BevelWidth = 0;
    int BorderWidth = 3;   // width of the popup window's border, in item coordinates
    int Margin = 2;
    int Spacing = 8;
    TFont& CaptionFont() { return captionFont_; }   // font of caption items
    void SetCaptionFont(const TFont& font) { captionFont_.Assign(&font); }
    TsMenuManagerDrawItemEvent OnDrawItem;

    // Border width of popups in the current skin: the uniform (left) margin of
    // the "MAINMENU" section's BORDERSMASK, 3 when that margin is 0 or less,
    // 0 without such a mask. Read once per skin.
    int SkinBorderWidth();
    // Makes the next SkinBorderWidth read the skin again (a new skin is broadcast).
    void ResetSkinBorderWidth() { skinBorderWidth_ = -1; }

    // Whether the menus are skinned now; starts False. Changing it attaches
    // (or detaches) every menu of the application.
    bool Active() const { return active_; }
    void SetActive(bool value);
    // Active := the manager's skin is active.
    void SyncActive();

    // ---- attaching
    void AttachAllMenus(bool attach);
    void AttachMainMenu(TMainMenu* menu, bool attach);
    void AttachMenu(TMenu* menu, bool attach);
    void AttachSubItems(TMenuItem* item, bool attach);
    void AttachItem(TMenuItem* item, bool attach);

    // Right to left: the system's locale is Middle-Eastern and the item's menu
    // has a BiDiMode other than bdLeftToRight. The popup's picture is then
    // mirrored and the item's check, glyph, caption and shortcut change sides.
    static bool RightToLeft(const TMenuItem* item);

    // ---- measuring
    static bool IsCaptionItem(const String& caption);
    static TsMenuItemType ItemType(const TMenuItem* item);
    // The item's picture size: its Bitmap, else the images of its parent
    // item, else of its menu, else 16 x 16.
    static SIZE GetItemGlyphSize(const TMenuItem* item);
    // Height and width of a popup item measured with the canvas's font (the
    // font is chosen first, as the item is painted).
    int ItemHeight(TMenuItem* item, TCanvas& canvas);
    int ItemWidth(TMenuItem* item, TCanvas& canvas);
    // Whether no item of the popup up to this one starts a new column.
    static bool InFirstColumn(const TMenuItem* item);
    // Size of the items' area of the popup whose items are parent's.
    int PopupWidth(TMenuItem* parent, TCanvas& canvas);
    int PopupHeight(TMenuItem* parent, TCanvas& canvas);
    // The width the extra line takes in the item's popup now (the
    // MenuSupport width when it is in use and shows on this popup, else 0).
    int ExtraLineWidthOf(const TMenuItem* item);
    // Whether the extra line shows on the popup whose first item is given,
    // after asking the manager's OnGetMenuExtraLineData.
    bool QueryExtraLine(TMenuItem* firstItem);

    // ---- the handlers installed on items
    void MeasureMenuItem(TObject* sender, TCanvas& canvas, int& width, int& height);
    void PaintMenuItem(TObject* sender, TCanvas& canvas, const RECT& rect, TOwnerDrawState state);
    void MeasureMenuLineItem(TObject* sender, TCanvas& canvas, int& width, int& height);
    void PaintMenuLineItem(TObject* sender, TCanvas& canvas, const RECT& rect, TOwnerDrawState state);

    // ---- the menu line as the provider paints it into its window picture
    // The rectangles of the visible top-level items laid out from the line's
    // left edge (one row; an item that does not fit starts no new row).
    std::vector<RECT> MenuLineItemRects(TMainMenu* menu, const RECT& line);
    // Paints every visible top-level item into the canvas (whose coordinates
    // are the window's, as the provider's picture is) with PaintMenuLineItem;
    // hotIndex: the item shown selected (-1: none).
    void PaintMenuLine(TMainMenu* menu, TCanvas& canvas, const RECT& line, int hotIndex);

    // ---- the popup pictures
    // The cache entry of the item's popup; built when absent and a canvas is given.
    TsPopupCacheEntry* GetPopupBitmap(TMenuItem* item, HWND window, TCanvas* canvas);
    // Region and border of a "#32768" window from its picture.
    void ApplyMenuWindowBorder(HWND window, TBitmap* picture);

    // Paints a popup item into the canvas as PaintMenuItem does, with the
    // given popup picture (tests and the benchmark draw into memory DCs).
    void PaintItemOver(TMenuItem* item, TCanvas& canvas, const RECT& rect, TOwnerDrawState state,
                       TsPopupCacheEntry& entry);

private:
    TFont& ItemFont(TMenuItem* item, TCanvas& canvas, TOwnerDrawState state);
    // Calls visit(item, newColumn) for every visible item of parent with the
    // item's font chosen into canvas (the canvas's font is put back after);
    // newColumn: the item starts a column that is not the first. False when
    // no item is visible.
    bool EachVisibleItem(TMenuItem* parent, TCanvas& canvas, const std::function<void(TMenuItem*, bool)>& visit);
    void BuildPopupBitmap(TMenuItem* item, int width, HWND window, int height);
    // The item's part of the popup's picture in a bitmap of its own to paint
    // the item on (nil for an empty item); extraLine: the width of the extra
    // line at its left (0 outside the first column).
    std::unique_ptr<TBitmap> ItemPicture(TMenuItem* item, const RECT& r, const TsPopupCacheEntry& entry,
                                         int& extraLine);
    void PaintDivider(TMenuItem* item, TCanvas& canvas, const RECT& r, TsPopupCacheEntry& entry);
    void PaintCaptionItem(TMenuItem* item, TCanvas& canvas, const RECT& r, TsPopupCacheEntry& entry);
    void PaintPlainItem(TMenuItem* item, TCanvas& canvas, const RECT& r, TOwnerDrawState state, bool menuLine);
    void ItemFreed(TMenuItem* item);

    TsSkinManager* owner_;
    TFont captionFont_;
    bool active_ = false;
    int skinBorderWidth_ = -1;   // -1: not read yet
    bool borderGuard_ = false;
    bool extraLineQuery_ = false;
    std::vector<RECT> regionCuts_;
    // The extra line of the popup being built.
    String extraSection_ = L"EXTRALINE";
    String extraCaption_;
    TBitmap* extraGlyph_ = nullptr;   // the handler's, not owned
    std::unique_ptr<TBitmap> itemScratch_;   // the picture items are painted in
};

// Whether the system's locale lays text out right to left (SM_MIDEASTENABLED,
// read at the first question); tests may set it: -1 unread, 0 no, 1 yes.
extern int MenusMiddleEast;
bool MiddleEastLocale();

// True when the application's MDI main form has an active child that is
// maximised and has biSystemMenu (the menu line then carries the child's
// buttons; every form shows an icon, its own or the system's).
bool IsMDIChildMaximized();

// ---- the popup picture cache (one for the application)
void FreePopupBitmapCache();
int PopupBitmapCacheCount();
// The entry whose popup has that first item (nil: none).
TsPopupCacheEntry* FindPopupCacheEntry(const TMenuItem* firstItem);

// Registers the published properties of TsSkinableMenus (once).
void RegisterSkinableMenusProperties();
