// Built by native/CMakeLists.txt; tools/fuzz runs it.
// Fuzzes the packed skin reader and, when the bytes parse, the whole load of
// the skin they hold (options readers and image decoders on packed entries).
#include <cstddef>
#include <cstdint>
#include <string>

#include "skin/graphics/SkinError.h"
#include "skin/model/SkinLoader.h"
#include "skin/model/SkinPack.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string bytes(reinterpret_cast<const char*>(data), size);
    try {
        TsSkinTables tables;
        SkinLoadSettings settings;
        settings.HueOffset = size & 1 ? 40 : 0;
        settings.Saturation = size & 2 ? -30 : 0;
        LoadPackedSkinBytes(tables, bytes, "/nonexistent/", settings);
        (void)DumpSkinTables(tables);
    } catch (const SkinError&) {
    }
    return 0;
}
