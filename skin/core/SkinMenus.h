// The skinned-menus object of a skin manager (owned by it, created and freed
// with it). It holds the settings the skinned popup and menu-line items are
// measured and painted with, and the popup border width the skin gives. The
// attaching of menus and the painting are not built here.
#pragma once
#include "classlib/Controls.h"
#include "classlib/Graphics.h"

class TsSkinManager;

class TsSkinableMenus : public TPersistent {
    DECLARE_CLASS(TsSkinableMenus, TPersistent)
public:
    explicit TsSkinableMenus(TsSkinManager* owner) : owner_(owner) {}
    TsSkinManager* Owner() const { return owner_; }

    // Published settings.
    TAlignment Alignment = TAlignment::taLeftJustify;   // caption alignment of normal items
    int BevelWidth = 0;
    int BorderWidth = 3;   // width of the popup window's border, in item coordinates
    int Margin = 2;
    int Spacing = 8;
    TFont& CaptionFont() { return captionFont_; }   // font of caption items
    void SetCaptionFont(const TFont& font) { captionFont_.Assign(&font); }

    // Border width of popups in the current skin: the uniform (left) margin of
    // the "MAINMENU" section's BORDERSMASK, 3 when that margin is 0 or less,
    // 0 without such a mask. Read once per skin.
    int SkinBorderWidth();
    // Makes the next SkinBorderWidth read the skin again (a new skin is broadcast).
    void ResetSkinBorderWidth() { skinBorderWidth_ = -1; }

    // Whether the menus are skinned now; starts False.
    bool Active() const { return active_; }
    void SetActive(bool value) { active_ = value; }

private:
    TsSkinManager* owner_;
    TFont captionFont_;
    bool active_ = false;
    int skinBorderWidth_ = -1;   // -1: not read yet
};

// Registers the published properties of TsSkinableMenus (once).
void RegisterSkinableMenusProperties();
