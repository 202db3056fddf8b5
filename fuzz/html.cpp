// Converts any HTML page to RTF, with pictures of any size the page names
// (made up from the name, as the page view's loader would load them). The RTF
// must be plain ASCII and its groups balanced, or the rich-edit control would
// show a damaged page.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "classlib/HtmlDocument.h"

namespace {

bool LoadPicture(const std::string& src, html::Picture& out)
{
    if (src.empty() || src[0] == 'x') return false;
    unsigned h = 2166136261u;
    for (char c : src) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
    out.width = int(1 + h % 40);
    out.height = int(1 + (h >> 8) % 40);
    out.bgra.assign(size_t(out.width) * size_t(out.height) * 4, static_cast<uint8_t>(h >> 16));
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    html::DecodeText(bytes);
    std::string rtf = html::ToRtf(bytes, LoadPicture);
    if (rtf.compare(0, 6, "{\\rtf1") != 0) std::abort();
    long depth = 0;
    for (size_t i = 0; i < rtf.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(rtf[i]);
        if (c >= 0x80 || c == 0) std::abort();
        if (c == '\\') {
            ++i;   // an escaped brace or backslash is text
            continue;
        }
        if (c == '{') ++depth;
        if (c == '}' && --depth < 0) std::abort();
        if (depth == 0 && i + 1 < rtf.size() && rtf.find_first_not_of("\r\n", i + 1) != std::string::npos) std::abort();
    }
    if (depth != 0) std::abort();
    return 0;
}
