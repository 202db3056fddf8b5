// Built by native/CMakeLists.txt; tools/fuzz runs it.
// Fuzzes the packed skin reader and, when the bytes parse, the whole load of
// the skin they hold (options readers and image decoders on packed entries).
#include "fuzz/PackedSkinLoad.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    LoadPackedSkinInput(data, size);
    return 0;
}
