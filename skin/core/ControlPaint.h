// Painters that take a control's skin data: its section background, the whole
// control skin (background, corner images, border, recolouring), the corner
// fill of its cache bitmap from the parent's background, and the skinned or
// plain control border. Also the skin manager as the text painters' source of
// colours.
#pragma once
#include <memory>

#include "skin/core/BgRequest.h"
#include "skin/core/CommonData.h"
#include "skin/core/MaskPaintBitmap.h"
#include "skin/graphics/TextEffects.h"

// The section background of the skin data's section: its texture (the hot one
// in states above 0, when there is one) and, when CustomColor is set, the
// owner's colour (a provider's form colour) as a plain custom colour.
void PaintSkinDataBackground(TsCommonData& data, const TsBgCacheInfo& info, int state, TBitmap* bmp, POINT offset,
                             const RECT& r);
// Background, corner images and border mask of the skin data's section, then
// its hue offset and saturation. hotTexture / texture: texture mask indexes
// that replace the skin data's own; -1 keeps them. Nothing for a missing
// bitmap, an empty rect, a rect leaving the bitmap or an unresolved section.
void PaintControlSkin(TsCommonData& data, const TsBgCacheInfo& info, int hotTexture, int texture, int flag,
                      TBitmap* bmp, POINT offset, const RECT& r, int state);
// corners: 1 top-left, 2 bottom-left, 4 top-right, 8 bottom-right (15 all).
void FillTransparentCorners(TsCommonData& data, int state, int corners);
// Border of a control painted into dc; inner receives the area left inside it.
void PaintControlBorder(HDC dc, const RECT& r, int extraWidth, RECT& inner, int state, TsCommonData& data);

// The caption record of a control from its skin data: the text skin (the
// caller's; null when the data is not skinned), section, custom font, kind,
// parent, the font section among the parents, cache bitmap and recolouring.
TsControlTextData ControlTextDataOf(TsCommonData& data, TsTextSkin* skin, bool hot);

// The colours of captions from a skin manager (nil: the default manager at the
// time of each call).
class TsManagerTextSkin : public TsTextSkin {
public:
    explicit TsManagerTextSkin(TsSkinManager* manager) : manager_(manager) {}
    bool SectionValid(int section) const override;
    int StateCount(int section) const override;
    TsTextStateColors StateColors(int section, int state) const override;
    TColor SecondBackColor(int section) const override;
    TColor GlobalColor() const override;
    int Transparency(int section) const override;
    int WebButtonSection() const override;

private:
    TsSkinManager* Manager() const;
    TsSkinManager* manager_;
};

// Sets the library's hooks to these painters: the corner fill, and the default
// text and glow skins (the default manager; each manager is its own glow skin). Called by the library's start-up; again by tests after a reset.
void InstallControlPaintHooks();
