#include "skin/controls/Label.h"

TsCustomLabel::TsCustomLabel(TComponent* owner) : TCustomLabel(owner) { SetTransparent(true); }

void TsCustomLabel::SetSkinSection(const String& s)
{
    if (s == skinSection_) return;
    skinSection_ = s;
    Invalidate();
}

void TsCustomLabel::DoDrawText(RECT& rect, UINT flags)
{
    // No skin manager is active: the base label's drawing, in the label's font.
    TCustomLabel::DoDrawText(rect, flags);
}
