// libFuzzer harness for the PNG reader: any bytes must either load or raise
// one of the reader's exceptions, never read or write out of bounds.
#include <cstddef>
#include <cstdint>

#include "skin/graphics/PngDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    PngLimits limits;
    limits.maxPixels = uint64_t(1) << 22;   // keeps each run small; the checks are the same
    try {
        PngMemoryTarget target;
        TColorManager colors;
        PngLoadResult r = LoadPng(data, size, target, colors, limits);
        // Touch every decoded pixel so that a wrong stride or size shows.
        uint32_t sum = 0;
        for (int y = 0; y < target.height; ++y)
            for (int x = 0; x < target.width; ++x) sum += target.Pixel(x, y);
        if (r.consumed > size) __builtin_trap();
        (void)sum;
    } catch (const Exception&) {
    }
    return 0;
}
