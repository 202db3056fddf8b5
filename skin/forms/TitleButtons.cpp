#include "skin/forms/TitleButtons.h"

#include <windows.h>

#include "classlib/Forms.h"
#include "skin/forms/SkinProvider.h"

// ---------------------------------------------------------------- title icon, added title

void TsTitleIcon::SetVisible(bool on)
{
    if (on == visible_)
        return;
    visible_ = on;
    if (OnChange)
        OnChange();
}

TkvAddedTitle::TkvAddedTitle()
{
    font_.SetColor(clNone);   // the skin's title colour
    font_.OnChange = [this](TObject*) { Changed(); };
}

void TkvAddedTitle::Changed()
{
    if (OnChange)
        OnChange();
}

void TkvAddedTitle::SetText(const String& text)
{
    if (text == text_)
        return;
    text_ = text;
    Changed();
}

void TkvAddedTitle::SetShowMainCaption(bool on)
{
    if (on == showMainCaption_)
        return;
    showMainCaption_ = on;
    Changed();
}

// ---------------------------------------------------------------- title buttons

TsTitleButton::TsTitleButton(TCollection* collection) : TCollectionItem(collection) { Name = ClassName(); }

TsTitleButton::~TsTitleButton() { HideHintWindow(); }

void TsTitleButton::Assign(const TPersistent* source)
{
    auto* o = dynamic_cast<const TsTitleButton*>(source);
    if (!o) {
        TCollectionItem::Assign(source);
        return;
    }
    enabled_ = o->enabled_;
    glyph_.Assign(&o->glyph_);
    Hint = o->Hint;
    Name = o->Name;
    UseSkinData = o->UseSkinData;
    OnMouseDown = o->OnMouseDown;
    OnMouseUp = o->OnMouseUp;
    Changed();
}

void TsTitleButton::Changed()
{
    if (auto* c = dynamic_cast<TsTitleButtons*>(Collection()))
        c->ItemChanged();
}

void TsTitleButton::SetEnabled(bool on)
{
    if (on == enabled_)
        return;
    enabled_ = on;
    Changed();
}

void TsTitleButton::SetVisible(bool on)
{
    if (on == visible_)
        return;
    visible_ = on;
    Changed();
}

void TsTitleButton::SetGlyph(const TBitmap* glyph)
{
    if (glyph)
        glyph_.Assign(glyph);
    else
        glyph_.SetSize(0, 0);
    Changed();
}

TsTitleButtons::TsTitleButtons(TsSkinProvider* owner)
    : TCollection([](TCollection* c) -> TCollectionItem* { return new TsTitleButton(c); }), owner_(owner)
{
}

TPersistent* TsTitleButtons::GetOwner() const { return owner_; }

void TsTitleButtons::Update(TCollectionItem* item)
{
    if (!owner_)
        return;
    owner_->StopButtonAnimations();
    if (!owner_->FormOf() || (owner_->FormOf()->ComponentState() & (csLoading | csDestroying)))
        return;
    owner_->RefreshFormFrame();
}

// ---------------------------------------------------------------- the hint of a title button

void TsTitleButton::ShowHintWindow(HWND form)
{
    if (Hint.empty() || HintWindow())
        return;
    if (!hint_)
        hint_ = std::make_unique<THintWindow>();
    hint_->ShowAtCursor(Hint, form);
}

void TsTitleButton::HideHintWindow()
{
    if (hint_)
        hint_->ReleaseHandle();
}
