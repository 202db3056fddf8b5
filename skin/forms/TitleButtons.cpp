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
