// The manager's menu settings (published as TsSkinManager.MenuSupport) and the
// types of the manager's menu events. The skinned menus read these when they
// measure and paint popup items: the popup's alpha, the section of the icon
// column, and the optional vertical "extra line" on the popup's left.
#pragma once
#include "classlib/Controls.h"
#include "classlib/Graphics.h"

class TMenuItem;   // the class library's menu item

class TkvMenuSupport : public TPersistent {
    DECLARE_CLASS(TkvMenuSupport, TPersistent)
public:
    uint8_t AlphaBlend = 255;
    // Section painted behind the icon column; the manager makes it "ICOLINE"
    // when it is empty after loading.
    String IcoLineSkin;
    bool UseExtraLine = false;
    // Width of the extra line when it is in use.
    int ExtraLineWidth = 32;
    TFont& ExtraLineFont() { return extraLineFont_; }
    void SetExtraLineFont(const TFont& font) { extraLineFont_.Assign(&font); }

private:
    TFont extraLineFont_;
};

// What a handler may change before a popup is built: the extra line's section,
// caption, glyph (the handler's bitmap, not owned) and whether it shows.
using TkvGetExtraLineData = Delegate<void(TMenuItem* firstItem, String& skinSection, String& caption,
                                          TBitmap*& glyph, bool& lineVisible)>;

// The font a popup item is measured and drawn with; a handler may change it.
struct TkvMenuItemData {
    TFont* Font = nullptr;
};
using TkvGetPopupItemData = Delegate<void(TMenuItem* item, TOwnerDrawState state, TkvMenuItemData& itemData)>;

// Registers the published properties of TkvMenuSupport (once).
void RegisterMenuSupportProperties();
