#include "skin/controls/Label.h"

#include "classlib/Messages.h"
#include "classlib/TypInfo.h"
#include "skin/core/BgRequest.h"
#include "skin/core/CommonData.h"
#include "skin/graphics/SkinCommands.h"
#include "skin/core/SkinManager.h"
#include "skin/graphics/Bitmap32.h"
#include "skin/core/MaskPaintBitmap.h"

namespace {
// Process-wide guards: a label is painting (its font colour is being set from
// the skin), and a font change is being handled.
bool labelPaintGuard = false;
bool fontChangeGuard = false;

// The default manager while it is switched on and a skin is loaded in it (a
// failed load or a manager without a skin name leaves it on but without one).
TsSkinManager* ActiveDefault()
{
    return DefaultManager && DefaultManager->Active() && DefaultManager->SkinData().Active ? DefaultManager : nullptr;
}

// Skin colours are 0x00BBGGRR like the class library's colours, system colours included.
TColor SkinColor(uint32_t c) { return TColor(ColorToRGB(TColor(c))); }
}  // namespace

namespace {
// The published properties of the two label classes, registered once.
void RegisterLabelProperties()
{
    static bool done = false;
    if (done) return;
    done = true;
    RegisterProperty(TsCustomLabel::StaticClassInfo(),
                     StrProperty<TsCustomLabel, const String&>(L"SkinSection", &TsCustomLabel::SkinSection,
                                                               &TsCustomLabel::SetSkinSection));
    RegisterProperty(TsLabel::StaticClassInfo(),
                     BoolProperty<TsLabel>(L"UseSkinColor", &TsLabel::UseSkinColor, &TsLabel::SetUseSkinColor));
}
}  // namespace

TsCustomLabel::TsCustomLabel(TComponent* owner) : TsSkinnedControl<TCustomLabel>(owner)
{
    RegisterLabelProperties();
    SetTransparent(true);
}

void TsCustomLabel::SetSkinSection(const String& s)
{
    if (s == skinSection_) return;
    skinSection_ = s;
    Invalidate();
}

void TsCustomLabel::Paint()
{
    sectionIndex_ = -1;
    if (Destroying()) return;
    TsSkinManager* m = ActiveDefault();
    if (!labelPaintGuard) {
        labelPaintGuard = true;
        if (!skinSection_.empty() && m) {
            sectionIndex_ = m->FindSectionIndex(skinSection_);
            if (m->IsSectionIndexValid(sectionIndex_)) {
                TColor c = SkinColor(m->gd()[size_t(sectionIndex_)].IniFontColor);
                if (Font().Color() != c) Font().SetColor(c);
            }
        }
        labelPaintGuard = false;
    }
    if (m && m->IsSectionIndexValid(sectionIndex_)) {
        // The section's background over what the parent shows behind the label.
        TsBgRequest request;
        TsBgCacheInfo info = ParentBackgroundOf(this, request);
        RECT r{0, 0, Width(), Height()};
        PaintSkinItemDC(sectionIndex_, skinSection_, info, m, Canvas().Handle(), POINT{0, 0}, r, 0, 0);
    }
    TCustomLabel::Paint();
    sectionIndex_ = -1;
}

void TsCustomLabel::DoDrawText(RECT& rect, UINT flags)
{
    if (!ActiveDefault()) {
        // No active skin: the base label's drawing, in the label's font.
        TCustomLabel::DoDrawText(rect, flags);
        return;
    }
    String text = Caption();
    if ((flags & DT_CALCRECT) && (text.empty() || (ShowAccelChar() && text == L"&"))) text += L" ";
    if (!ShowAccelChar()) flags |= DT_NOPREFIX;
    TCanvas& c = Canvas();
    c.Font().Assign(&GetDrawFont());
    c.Font().SetColor(GetTextColor());
    c.Brush().SetStyle(TBrushStyle::bsClear);
    // One pass: a disabled label is told by its colour, not by an embossed copy.
    c.DrawText(text, rect, flags);
}

TColor TsCustomLabel::DisabledColor(TColor color)
{
    TColor bg = Parent() ? GetControlBgColor(Parent()) : clBtnFace;
    return MixColors(TColor(ColorToRGB(color)), TColor(ColorToRGB(bg)), 0.4);
}

TColor TsCustomLabel::GetTextColor()
{
    TsSkinManager* m = ActiveDefault();
    if (!m) return Font().Color();
    TColor c = SkinColor(m->GetGlobalFontColor());
    return Enabled() ? c : DisabledColor(c);
}

TColor TsLabel::GetTextColor()
{
    TsSkinManager* m = ActiveDefault();
    if (!UseSkinColor() || !m) return Font().Color();
    int own = SkinSection().empty() ? -1 : m->FindSectionIndex(SkinSection());
    int index = FindFontSectionIndex(this, own, m, false);
    TColor c = m->IsSectionIndexValid(index) ? SkinColor(m->gd()[size_t(index)].IniFontColor)
                                             : SkinColor(m->GetGlobalFontColor());
    return Enabled() ? c : DisabledColor(c);
}

bool TsCustomLabel::SkinMessage(TMessage& m)
{
    if (m.Msg == CM_FONTCHANGED && !(ComponentState() & (csDestroying | csLoading)) && !fontChangeGuard) {
        if (labelPaintGuard) return true;   // the colour the skin gives while painting
        fontChangeGuard = true;
        if (AutoSize()) AdjustBounds();
        Invalidate();
        fontChangeGuard = false;
        return true;
    }
    if (m.Msg == CM_MOUSEENTER && OnMouseEnter) OnMouseEnter(this);
    // A skin that comes, goes or is refreshed changes the label's look, on any form.
    if (m.Msg == SkinCommandMessage && IsSkinLookChange(SkinCommandOf(m.WParam))) Invalidate();
    return false;
}

void TsCustomLabel::AfterSkinMessage(TMessage& m)
{
    if (m.Msg == CM_MOUSELEAVE && OnMouseLeave) OnMouseLeave(this);
}
