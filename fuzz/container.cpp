// Reads a document container from any bytes. A stream that is read must pack
// and read back to the same text; anything else must fail with one of the
// library's errors, within the size bound.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/ContentContainer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string text;
    try {
        text = UnpackDocument(bytes);
    } catch (const Exception&) {
        return 0;
    }
    if (text.size() > kMaxDocumentSize) std::abort();
    if (UnpackDocument(PackDocument(text)) != text) std::abort();
    // Every break comes out as CR LF and nothing else changes.
    std::string normal = NormalizeLineBreaks(text);
    size_t other = 0;
    for (size_t i = 0; i < normal.size(); ++i) {
        char c = normal[i];
        if (c == '\r' && (i + 1 >= normal.size() || normal[i + 1] != '\n')) std::abort();
        if (c == '\n' && (i == 0 || normal[i - 1] != '\r')) std::abort();
        if (c != '\r' && c != '\n') ++other;
    }
    size_t textOther = 0;
    for (char c : text) textOther += c != '\r' && c != '\n';
    if (other != textOther) std::abort();
    return 0;
}
