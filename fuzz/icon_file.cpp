// libFuzzer harness: the icon file reader (directory, choice, image checks).
// Whatever it accepts must lie inside the input.
#include <cstdint>
#include <cstdlib>

#include "classlib/IconFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<IconDirEntry> entries;
    std::string why;
    if (!ParseIconDirectory(data, size, entries, &why)) return 0;
    for (const IconDirEntry& e : entries) {
        if (e.offset > size || e.size > size - e.offset) std::abort();
        IconImageInfo info;
        if (CheckIconImage(data + e.offset, e.size, info, &why) && (info.width <= 0 || info.height <= 0)) std::abort();
    }
    int chosen = ChooseIconEntry(entries, 16, 16);
    if (chosen < 0 || size_t(chosen) >= entries.size()) std::abort();
    return 0;
}
