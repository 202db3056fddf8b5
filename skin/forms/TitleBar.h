// The title-bar component: a non-visual component placed on a form whose
// items (buttons, menu buttons with a drop-down menu, tabs, spacers and
// information labels) are laid out and painted in the skinned title of the
// form's TsSkinProvider. The component holds the items and places them; the
// provider finds it on the form, gives it the title's free area, paints the
// items into its frame picture and routes the hit codes 2000 + index of the
// items to MouseDown / MouseUp. Hover and press changes fade on a small
// layered window (TkvItemAnimation).
//
// The window-free rules (layout, measuring, sections, states, the default
// menu-button picture, the fade steps) are in TitleBarLayout.h.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>

#include "classlib/Collections.h"
#include "classlib/Controls.h"
#include "classlib/Graphics.h"
#include "classlib/HintWindow.h"
#include "classlib/ImgList.h"
#include "classlib/Timer.h"
#include "skin/forms/LiveToken.h"
#include "skin/forms/TitleBarLayout.h"
#include "skin/graphics/TextEffects.h"

class TCustomForm;
class TPopupMenu;
class TsTitleBar;
class TkvTitleBarItem;
class TkvItemAnimation;
class TsSkinProvider;

// The text of the failure when the owner is not a form.
extern const wchar_t* const TitleBarFormsOnlyText;

// ---------------------------------------------------------------- font data

// How an item's caption is drawn: every part follows the system caption font
// and the skin's colours and glow unless its UseSys flag is cleared, when
// Font, GlowColor and GlowSize give it. Changing the glow or a flag tells the
// owner (its item sends skin command 62 with LParam 1 to the form); assigning
// Font only copies it.
class TkvFontData : public TPersistent {
    DECLARE_CLASS(TkvFontData, TPersistent)
public:
    TkvFontData();
    TFont& Font() { return font_; }
    void SetFont(const TFont& f) { font_.Assign(&f); }
    TColor GlowColor() const { return glowColor_; }
    void SetGlowColor(TColor c);
    int GlowSize() const { return glowSize_; }
    void SetGlowSize(int s);
    bool UseSysColor() const { return useSysColor_; }
    void SetUseSysColor(bool on);
    bool UseSysFontName() const { return useSysFontName_; }
    void SetUseSysFontName(bool on);
    bool UseSysGlowing() const { return useSysGlowing_; }
    void SetUseSysGlowing(bool on);
    bool UseSysSize() const { return useSysSize_; }
    void SetUseSysSize(bool on);
    bool UseSysStyle() const { return useSysStyle_; }
    void SetUseSysStyle(bool on);
    void Assign(const TPersistent* source) override;

    // The font actually used for measuring and painting, and the caption's glow mask.
    TFont UsedFont;
    TkvGlowMask GlowMask;
    // The owner's notification (the item repaints the title).
    std::function<void()> OnChange;

private:
    void Changed();
    TFont font_;
    TColor glowColor_ = TColor(0x808080);
    int glowSize_ = 0;
    bool useSysColor_ = true, useSysFontName_ = true, useSysGlowing_ = true, useSysSize_ = true,
         useSysStyle_ = true;
};

// ---------------------------------------------------------------- items

// What the provider keeps per item about its skin (made by InitTitleItems).
struct TkvTitleItemSkin {
    int SectionIndex = -1;
    String SectionName;
    int BorderMask = -1;
};

// Paints an item in its state now into bmp at r (frame or picture coordinates).
using TkvItemPaintProc = std::function<void(TkvTitleBarItem& item, const RECT& r, TBitmap& bmp)>;

class TkvTitleBarItem : public TCollectionItem {
    DECLARE_CLASS(TkvTitleBarItem, TCollectionItem)
public:
    explicit TkvTitleBarItem(TCollection* collection);
    ~TkvTitleBarItem() override;
    // Copies AutoSize, Align, Caption, Enabled, Glyph, ItemGroup, Hint,
    // ImageIndex, Name, NumGlyphs, Style, Visible, OnMouseDown and OnMouseUp.
    void Assign(const TPersistent* source) override;

    // ---- published (setters notify the title; see the .cpp for which re-measure)
    TkvItemAlign Align() const { return align_; }
    void SetAlign(TkvItemAlign a);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool on);
    const String& Caption() const { return caption_; }
    void SetCaption(const String& s);
    bool Down() const { return down_; }
    // A tab made Down releases every other item of its group, hidden ones too.
    void SetDown(bool on);
    TkvFontData& FontData() { return fontData_; }
    TBitmap& Glyph() { return glyph_; }
    void SetGlyph(const TBitmap* g);
    int Height() const { return height_; }
    void SetHeight(int h);
    int Width() const { return width_; }
    void SetWidth(int w);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int i);
    int HotImageIndex() const { return hotImageIndex_; }
    void SetHotImageIndex(int i);
    int PressedImageIndex() const { return pressedImageIndex_; }
    void SetPressedImageIndex(int i);
    int DisabledImageIndex() const { return disabledImageIndex_; }
    void SetDisabledImageIndex(int i);
    const String& Name() const { return name_; }
    void SetName(const String& n) { name_ = n; }
    int NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int n);
    const String& SkinSection() const { return skinSection_; }
    void SetSkinSection(const String& s);
    int Spacing() const { return spacing_; }
    void SetSpacing(int s);
    TkvBtnStyle Style() const { return style_; }
    void SetStyle(TkvBtnStyle s);
    bool Visible() const { return visible_; }
    void SetVisible(bool on);
    // Tabs of one group are mutually exclusive.
    int ItemGroup() const { return itemGroup_; }
    void SetItemGroup(int g);
    // Plain stores.
    bool Enabled = true;
    String Hint;
    bool ShowHint = false;
    TPopupMenu* DropdownMenu = nullptr;
    TNotifyEvent OnClick, OnMouseEnter, OnMouseLeave;
    TMouseEvent OnMouseDown, OnMouseUp;

    // ---- the owner
    TsTitleBar* TitleBar() const;

    // ---- geometry (frame coordinates) and content size, set by Layout and Measure
    RECT Rect{};
    TkvExtent Content;
    // Content size and, unless keepSize or a spacer, Width and Height.
    void Measure(bool keepSize);
    // The common notification of the setters: re-measure (resize and
    // AutoSize), drop the animation's picture, repaint the title.
    void Changed(bool resize);

    // ---- state
    int State() const { return state_; }
    // 0 normal, 1 hot, 2 pressed; kept at 2 while the drop-down shows.
    void SetState(int s);
    // 2 while Down or while the drop-down shows, else State.
    int EffectiveState() const { return EffectiveItemState(state_, down_, dropdownShown_); }
    bool DropdownShown() const { return dropdownShown_; }
    bool PressTracked() const { return pressed_; }
    // Whether the item can get a hit code (spacers, info items and selected tabs cannot).
    bool Hittable() const;

    // ---- mouse (the provider calls these for hit code 2000 + Index)
    // A drop-down's command runs inside: it may free this item, its title
    // bar, the menu or the form; nothing of them is touched afterwards.
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    void MouseEnter();
    void MouseLeave();
    // The press ends elsewhere: no click, the item back to normal.
    void CancelPress();
    void ShowHintWindow();
    void HideHintWindow();
    THintWindow* HintWindow() const { return hint_.get(); }

    // ---- what the provider keeps with the item
    std::unique_ptr<TkvTitleItemSkin> SkinData;
    TkvItemPaintProc PaintProc;
    // Told when SkinSection changes (the provider reads the item's skin again).
    std::function<void(TkvTitleBarItem&)> OnSkinChange;
    // The fade; dropped with its picture and window by DropAnimationPicture.
    TkvItemAnimation* Animation() const { return animation_.get(); }
    TkvItemAnimation& StartAnimation(HWND ownerWindow);
    void DropAnimationPicture();
    void FreeAnimation();
    // The border window the animation's picture is placed by (nil: the form).
    HWND BorderWindow = nullptr;
    // Tells whether the item still lives.
    TsLiveWatch Life() const { return life_.Watch(); }

private:
    template <class T>
    void Store(T& field, const T& value, bool resize);
    void StoreImageIndex(int& field, int i, bool resize);
    TkvItemAlign align_ = TkvItemAlign::tbaLeft;
    bool autoSize_ = true;
    String caption_;
    bool down_ = false;
    TkvFontData fontData_;
    TBitmap glyph_;
    int height_ = kTitleItemHeight, width_ = kTitleItemWidth;
    int imageIndex_ = -1, hotImageIndex_ = -1, pressedImageIndex_ = -1, disabledImageIndex_ = -1;
    String name_;
    int numGlyphs_ = 1;
    String skinSection_;
    int spacing_ = kTitleItemSpacing;
    TkvBtnStyle style_ = TkvBtnStyle::bsButton;
    bool visible_ = true;
    int itemGroup_ = 0;
    int state_ = isNormal;
    bool pressed_ = false;
    bool dropdownShown_ = false;
    std::unique_ptr<THintWindow> hint_;
    std::unique_ptr<TkvItemAnimation> animation_;
    TsLiveToken life_;
};

class TkvTitleItems : public TCollection {
    DECLARE_CLASS(TkvTitleItems, TCollection)
public:
    explicit TkvTitleItems(TsTitleBar* owner);
    TkvTitleBarItem* Items(int i) const { return static_cast<TkvTitleBarItem*>(TCollection::Items(i)); }
    TkvTitleBarItem* Add() { return static_cast<TkvTitleBarItem*>(TCollection::Add()); }
    TPersistent* GetOwner() const override;
    TsTitleBar* TitleBar() const { return owner_; }

protected:
    void Update(TCollectionItem* item) override;

private:
    TsTitleBar* owner_;
};

// ---------------------------------------------------------------- the component

class TsTitleBar : public TComponent {
    DECLARE_CLASS(TsTitleBar, TComponent)
public:
    // owner must be a form: otherwise EAbort with TitleBarFormsOnlyText is
    // raised before the component exists anywhere.
    explicit TsTitleBar(TComponent* owner);
    ~TsTitleBar() override;

    // ---- published
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* list);
    TkvTitleItems& Items() { return items_; }
    int ItemsMargin = kTitleItemsMargin;
    int ItemsSpacing = 0;   // kept; the layout does not use it
    bool ShowCaption() const { return showCaption_; }
    void SetShowCaption(bool on);

    // ---- the form and the area the provider gives
    TCustomForm* Form() const { return form_; }
    TkvItemArea Area;
    TkvGroupSums Sums;
    // Places the visible items in Area (the provider sets Area first).
    void Layout();
    // Re-measures every auto-sized item.
    void Loaded() override;
    bool Loading() const;
    // Skin command 62 with LParam 1 to the form (nothing while it loads).
    void NotifyTitleChanged();
    // The item with hit code 2000 + index at a frame point (nil: none).
    TkvTitleBarItem* ItemAt(POINT framePoint) const;

    // The default menu-button picture (three frames, converted to 32 bits).
    TBitmap& MenuButtonPicture() { return menuButton_; }

    // How captions and the drop-down arrow are measured; tests replace it.
    // Empty: a screen DC with the item's used font (and "Marlett" for the arrow).
    struct TkvMeasurer {
        std::function<TkvExtent(TkvTitleBarItem& item, const String& text)> Text;
        std::function<int()> ArrowWidth;
    };
    TkvMeasurer Measurer;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    void ImagesChanged(TObject*);
    TCustomForm* form_;
    TkvTitleItems items_;
    TCustomImageList* images_ = nullptr;
    TChangeLink imageLink_;
    bool showCaption_ = false;
    TBitmap menuButton_;
};

// The title bar placed on a form (nil: none).
TsTitleBar* FindTitleBar(TCustomForm* form);

// Prepares the default "MENUBTN" picture: loads the bitmap resource of the
// library and converts it (ConvertMenuButtonPixels). Empty when missing.
void LoadMenuButtonPicture(TBitmap& bmp);

// ---------------------------------------------------------------- the fade window

// Fades an item between two states on a layered, non-activating window over
// the item: the picture is the item painted by its paint procedure in the
// state now (opaque yellow without one).
class TkvItemAnimation : public TTimer {
    DECLARE_CLASS(TkvItemAnimation, TTimer)
public:
    TkvItemAnimation(TkvTitleBarItem* item, HWND ownerWindow);
    ~TkvItemAnimation() override;
    TkvTitleBarItem* Item() const { return item_; }
    HWND OwnerWindow() const { return owner_; }
    TkvFadeSteps& Steps() { return fade_; }
    // Towards state with steps steps.
    void SetState(int state, int steps);
    TBitmap* Picture() const { return picture_.get(); }
    HWND GlowWindow() const { return window_; }
    // Drops the picture and the window (a new one is made on the next start).
    void DropPicture();
    // One tick (tests may call it directly).
    void StepOnce();

protected:
    void Timer() override;

private:
    void Show(int alpha);
    void MakePicture();
    RECT ScreenRect() const;
    TkvTitleBarItem* item_;
    HWND owner_;
    TkvFadeSteps fade_;
    std::unique_ptr<TBitmap> picture_;
    HWND window_ = nullptr;
    HWND previous_ = nullptr;
};

// ---------------------------------------------------------------- the provider's side

// Gives every item of the form's title bar its skin record and the provider's paint procedure.
void InitTitleItems(TsSkinProvider& provider);
// The item's section (SkinSection or the fallbacks) and its BORDERSMASK.
void InitTitleItemSkin(TsSkinProvider& provider, TkvTitleBarItem& item);
// Paints one item in its effective state into bmp at r.
void PaintTitleItem(TsSkinProvider& provider, TkvTitleBarItem& item, const RECT& r, TBitmap& bmp);
// Every visible item into the frame picture: selected tabs last.
void PaintTitleItems(TsSkinProvider& provider, TBitmap& bmp);

// ---- the provider's small hooks (frame painter, hit test, window procedure)
struct TsTitleLayout;
struct TsCaptionTextPlace;
// Hands the title bar its item area from the title's layout, prepares the
// items' skins and lays them out. Nothing without a title bar.
void PlaceTitleItems(TsSkinProvider& provider, const TsTitleLayout& layout);
// Whether the form's caption shows (the title bar's ShowCaption when there is
// one, else showMainCaption); with a title bar the caption keeps to the space
// between its left and right groups.
bool TitleBarShowsCaption(TsSkinProvider& provider, bool showMainCaption);
void FitCaptionToTitleBar(TsSkinProvider& provider, TsCaptionTextPlace& place);
// The hit code (2000 + index) of the item under a frame point; 0: none.
int TitleItemHitCode(TsSkinProvider& provider, POINT framePoint);
// The item of a hit code (nil: not an item of the form's title bar).
TkvTitleBarItem* TitleItemOfCode(TsSkinProvider& provider, int hitCode);
// The mouse enters (enter) or leaves an item: events, hint, state and fade.
void TitleItemHover(TsSkinProvider& provider, int hitCode, bool enter);
// The left button goes down on an item (screen point). A tab is selected at
// once and a drop-down runs its menu; both leave no press tracked.
void TitleItemMouseDown(TsSkinProvider& provider, int hitCode, POINT screen);
// The button is let go over the pressed item.
void TitleItemMouseUp(TsSkinProvider& provider, int hitCode, POINT screen);
// A press on the item ends without a release over it.
void TitleItemPressCancelled(TsSkinProvider& provider, int hitCode);
