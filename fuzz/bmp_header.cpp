// libFuzzer harness: the BMP header check and the run-length decoder. Whatever
// the check accepts must lie inside the input, and the decoder must stop
// inside it too (AddressSanitizer catches any read past the bytes).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "classlib/BmpHeader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    BmpInfo info;
    std::string why;
    if (!ParseBmpHeader(data, size, info, &why)) return 0;
    if (info.bitsOffset > size || info.bitsSize > size - info.bitsOffset) std::abort();
    if (info.bitCount <= 8 && info.colors.size() != size_t(1) << info.bitCount) std::abort();
    bool rle = info.compression == kBmpRle8 || info.compression == kBmpRle4;
    if (!rle) {
        if (info.Stride() * size_t(info.height) > info.bitsSize) std::abort();
        return 0;
    }
    // Large pictures are legal from a few bytes; past 4 M pixels the decoder
    // only costs memory the run cannot learn anything from.
    if (uint64_t(info.width) * uint64_t(info.height) > (uint64_t(1) << 22)) return 0;
    std::vector<uint8_t> indices;
    if (DecodeBmpRle(data, size, info, indices, &why) &&
        indices.size() != size_t(info.width) * size_t(info.height))
        std::abort();
    if (info.compression == kBmpRle4)
        for (uint8_t v : indices)
            if (v > 15) std::abort();
    return 0;
}
