// The load both packed-skin harnesses run on their input: the packed reader,
// the whole load (options readers, image decoders, recolouring by the input's
// size), then every mask's and section's derived values and the table dump,
// and last every mask and section painted as a control would paint it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "skin/graphics/SkinError.h"
#include "skin/model/MaskPaint.h"
#include "skin/model/SkinImages.h"
#include "skin/model/SkinLoader.h"
#include "skin/model/SkinPack.h"

// Each mask nine-part and as a glyph, each section as a skin item, in two
// states, into a small cache over a parent background: whatever the skin
// declares (margins, frames, layouts), a paint stays within its pixels.
inline void PaintLoadedSkin(const TsSkinTables& t)
{
    using namespace skinpaint;
    std::vector<uint32_t> parent(48 * 40, 0xFF808080u), cache(40 * 30);
    PixelView parentView{parent.data(), 48 * 4, 48, 40}, view{cache.data(), 40 * 4, 40, 30};
    Background bg = EmptyBackground();
    bg.bmp = parentView;
    bg.x = 4;
    bg.y = 6;
    bg.ready = true;
    const Rect all{0, 0, 40, 30};
    for (int state = 0; state < 2; ++state) {
        for (size_t i = 0; i < t.Masks.size(); ++i) {
            PaintMaskNineParts32(view, all, 0, t, true, state, int(i), bg);
            DrawMaskFrame32(view, {3, 2}, state, bg, t, int(i), 1);
            FillMaskCorners(view, t, int(i), state, 15, parentView, 4, 6, KeyColor);
        }
        for (size_t i = 0; i < t.Sections.size(); ++i)
            PaintSkinItem(view, t, int(i), t.Sections[i].Name, bg, -1, -1, {0, 0}, all, state, 0);
    }
}

inline void LoadPackedSkinInput(const uint8_t* data, size_t size)
{
    std::string bytes(reinterpret_cast<const char*>(data), size);
    try {
        TsSkinTables tables;
        SkinLoadSettings settings;
        settings.HueOffset = size & 1 ? 40 : 0;
        settings.Saturation = size & 2 ? -30 : 0;
        LoadPackedSkinBytes(tables, bytes, "/nonexistent/", settings);
        for (size_t i = 0; i < tables.Masks.size(); ++i) {
            tables.MaskMarginLeft(int(i));
            tables.MaskMarginTop(int(i));
            MaskStateHeight(tables.Masks[i]);
        }
        for (const TsGeneralData& s : tables.Sections)
            (void)(int(s.States) - 1 + s.Props[0].GradientPercent + s.Props[0].ImagePercent);
        (void)DumpSkinTables(tables);
        PaintLoadedSkin(tables);
    } catch (const SkinError&) {
    }
}
