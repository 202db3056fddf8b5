// The load both packed-skin harnesses run on their input: the packed reader,
// the whole load (options readers, image decoders, recolouring by the input's
// size), then every mask's and section's derived values and the table dump.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "skin/graphics/SkinError.h"
#include "skin/model/SkinImages.h"
#include "skin/model/SkinLoader.h"
#include "skin/model/SkinPack.h"

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
    } catch (const SkinError&) {
    }
}
