// The published sub-objects of a skinned form's title that are not buttons:
// the title icon and the added title (a second text right of the caption).
// Both belong to the form's TsSkinProvider; a change repaints the frame
// through the provider's change callback.
#pragma once
#include <functional>

#include "classlib/Graphics.h"

// The icon shown left in the title; without a glyph the form's own icon shows.
class TsTitleIcon {
public:
    TBitmap Glyph;        // created empty
    int Height = 0;       // plain stores
    int Width = 0;
    bool Visible() const { return visible_; }
    void SetVisible(bool on);

    // The owner's repaint (the provider sets it; it knows when it is loading).
    std::function<void()> OnChange;

private:
    bool visible_ = true;
};

// A second text drawn 4 px right of the caption, in its own font.
class TkvAddedTitle {
public:
    TkvAddedTitle();
    // Its colour clNone (the default) or clWindowText follows the skin's title colours.
    TFont& Font() { return font_; }
    const String& Text() const { return text_; }
    void SetText(const String& text);
    bool ShowMainCaption() const { return showMainCaption_; }
    void SetShowMainCaption(bool on);

    std::function<void()> OnChange;

private:
    void Changed();
    TFont font_;
    String text_;
    bool showMainCaption_ = true;
};
