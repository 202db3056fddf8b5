// HTML chapter pages turned into RTF for the page view's rich-edit control.
//
// Pure C++ (no Win32), so it also builds natively for sanitizers and fuzzing.
// The converter never throws on bad input: malformed markup, unknown tags,
// stray end tags, unterminated comments, attributes or entities and binary
// garbage all produce a readable document.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace html {

// A decoded picture: top-down rows, 4 bytes per pixel in B, G, R, A order.
struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> bgra;
};

// Loads the picture named by an <img src>. `src` is the attribute value as
// written in the page, entities decoded, in UTF-8. Returns false when the
// picture cannot be had; the page then shows the alt text in brackets.
using PictureLoader = std::function<bool(const std::string& src, Picture& out)>;

// Decodes page bytes to UTF-16 text. The charset comes from a byte order mark
// (UTF-8, UTF-16LE/BE), else from <meta charset=...> or
// <meta http-equiv="Content-Type" content="...; charset=...">, else the text
// is taken as UTF-8 when it is valid UTF-8 with at least one multi-byte
// sequence, else as windows-1251. Known charsets: utf-8, windows-1251,
// koi8-r (koi8-u read as koi8-r), windows-1252 (iso-8859-1 and us-ascii read
// as windows-1252, as browsers do), iso-8859-5 and cp866.
std::wstring DecodeText(std::string_view bytes);

// Converts a whole HTML page to a complete RTF document. The RTF is pure
// ASCII: every non-ASCII character is written as a \uN? escape.
std::string ToRtf(std::string_view htmlBytes, const PictureLoader& loadPicture = {});

// The same page with its pictures kept apart, for a view that shows the text
// first and the pictures after it: in `text` each picture is one U+E000
// character (tiny and in the page's colour), and pictures[i] is a complete
// RTF document holding the i-th picture in text order.
struct SplitRtf {
    std::string text;
    std::vector<std::string> pictures;
};
SplitRtf ToRtfSplit(std::string_view htmlBytes, const PictureLoader& loadPicture = {});
constexpr wchar_t kPictureStandIn = 0xE000;

}  // namespace html
