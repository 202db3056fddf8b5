// Built by native/CMakeLists.txt; tools/fuzz runs it.
// Fuzzes the skin image decoders (BMP, PNG, JPEG). The first byte picks the
// decoder; the rest is the file.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "skin/graphics/SkinError.h"
#include "skin/model/SkinImages.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    try {
        std::unique_ptr<PixelBitmap> b;
        switch (data[0] % 3) {
        case 0: b = DecodeBmp(bytes); break;
        case 1: b = DecodePng(bytes); break;
        default: b = DecodeJpeg(bytes); break;
        }
        uint32_t sum = 0;
        for (int y = 0; y < b->Height(); ++y)
            sum += b->Row(y)[b->Width() - 1];
        (void)sum;
    } catch (const SkinError&) {
    }
    return 0;
}
