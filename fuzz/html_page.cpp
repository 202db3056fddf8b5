// libFuzzer harness: untrusted page bytes converted to rich text, whole and
// with the pictures left for later, and every later picture put together.
// Pictures come from the input's own bytes, so sizes and failures vary.
#include <cstddef>
#include <cstdint>
#include <string>

#include "classlib/HtmlDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto loader = [&](const std::string& src, html::Picture& out) {
        if (src.empty() || size == 0) return false;
        const uint8_t seed = uint8_t(src[0]) ^ data[src.size() % size];
        if (seed % 5 == 0) return false;
        out.width = 1 + seed % 37;
        out.height = 1 + (seed >> 3) % 23;
        out.bgra.resize(size_t(out.width) * size_t(out.height) * 4);
        for (size_t k = 0; k < out.bgra.size(); ++k) out.bgra[k] = data[k % size] ^ uint8_t(k * seed);
        return true;
    };
    (void)html::ToRtf(bytes, loader);
    html::DeferredRtf page = html::ToRtfDeferred(bytes, [](const std::string& src) { return src.size() % 3 != 0; });
    html::PagePictures pictures(page, loader);
    for (size_t i = 0; i < page.places.size(); ++i) (void)pictures.PlaceRtf(i);
    return 0;
}
