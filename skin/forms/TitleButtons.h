// The published sub-objects of a skinned form's title: the user's title
// buttons (a collection), the title icon and the added title (a second text
// right of the caption). All belong to the form's TsSkinProvider; a change
// that shows repaints the frame.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>

#include "classlib/Collections.h"
#include "classlib/Controls.h"
#include "classlib/Graphics.h"
#include "classlib/HintWindow.h"

class TsSkinProvider;
class TsTitleButtons;

// One of the user's buttons in the title (hit code 1000 + its index). Showing
// it, hiding it, enabling it or changing its glyph repaints the frame at once
// and drops the button's fade.
class TsTitleButton : public TCollectionItem {
    DECLARE_CLASS(TsTitleButton, TCollectionItem)
public:
    explicit TsTitleButton(TCollection* collection);
    ~TsTitleButton() override;
    // Copies Enabled, Glyph, Hint, Name, UseSkinData and both events.
    void Assign(const TPersistent* source) override;
    // The Name.
    String GetDisplayName() const { return Name; }

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool on);
    bool Visible() const { return visible_; }
    void SetVisible(bool on);
    // Drawn centred over the skin's glyph: a 32-bit glyph is alpha-blended,
    // any other takes its bottom-left pixel as the transparent colour.
    const TBitmap& Glyph() const { return glyph_; }
    void SetGlyph(const TBitmap* glyph);
    bool UseSkinData = true;
    String Name;
    String Hint;
    TMouseEvent OnMouseDown, OnMouseUp;
    int MaskIndex = -1;   // TITLEBUTTON of the skin when UseSkinData, else -1

    // The Hint near the cursor while the button is hot, kept on the monitor
    // of form (TitleButtons.cpp).
    void ShowHintWindow(HWND form = nullptr);
    void HideHintWindow();
    // The hint's window while it shows (nil: none).
    HWND HintWindow() const { return hint_ ? hint_->Handle() : nullptr; }

private:
    // The frame shows the change now.
    void Changed();
    bool enabled_ = true;
    bool visible_ = true;
    TBitmap glyph_;
    std::unique_ptr<THintWindow> hint_;
};

// The provider's title buttons. Update (after any change, or EndUpdate of a
// batch) repaints the form's frame.
class TsTitleButtons : public TCollection {
    DECLARE_CLASS(TsTitleButtons, TCollection)
public:
    explicit TsTitleButtons(TsSkinProvider* owner);
    TsTitleButton* Items(int i) const { return static_cast<TsTitleButton*>(TCollection::Items(i)); }
    TsTitleButton* Add() { return static_cast<TsTitleButton*>(TCollection::Add()); }
    TPersistent* GetOwner() const override;
    TsSkinProvider* Provider() const { return owner_; }
    // A button changed: the collection's update, unless inside BeginUpdate / EndUpdate.
    void ItemChanged() { Changed(); }
    // The buttons' fades dropped (they show the buttons as they were) and the frame repainted.
    void Update(TCollectionItem* item) override;

private:
    TsSkinProvider* owner_;
};

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
