// libFuzzer harness: JPEG decoding through libjpeg over arbitrary bytes.
// EInvalidGraphic is the expected failure; a decoded picture must have the
// size it reports.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "classlib/SysUtils.h"
#include "skin/graphics/JpegDecode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    JpegPixels px;
    try {
        // A smaller limit than the program's keeps each run within the fuzzer's memory.
        DecodeJpeg(data, size, px, uint64_t(2048) * 2048);
    } catch (const EInvalidGraphic&) {
        if (!px.Bgra.empty()) std::abort();
        return 0;
    }
    if (px.Bgra.size() != size_t(px.Width) * size_t(px.Height) * 4) std::abort();
    return 0;
}
