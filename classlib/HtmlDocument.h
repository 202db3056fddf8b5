// HTML chapter pages turned into RTF for the page view's rich-edit control.
//
// Pure C++ (no Win32), so it also builds natively for sanitizers and fuzzing.
// The converter never throws on bad input: malformed markup, unknown tags,
// stray end tags, unterminated comments, attributes or entities and binary
// garbage all produce a readable document.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
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

// The same page with its pictures left to be loaded later, so the text can be
// shown before any picture is decoded. Each picture the page can show is one
// U+E000 stand-in in `text`; places[i] tells what the i-th stand-in (in text
// order) shows. A picture whose source `exists` rejects is not given a place:
// its alt text is in the text at once.
using PictureProbe = std::function<bool(const std::string& src)>;
struct LaterPicture {
    size_t source = 0;            // index into sources
    int width = -1, height = -1;  // the width/height attributes in pixels; -1: not given
    int available = 0;            // twips of text column it may take
    std::string alt;              // shown if the picture cannot be had (UTF-8; may be empty)
};
struct DeferredRtf {
    std::string text;
    std::vector<std::string> sources;   // each distinct src once, as written (UTF-8)
    std::vector<LaterPicture> places;
};
DeferredRtf ToRtfDeferred(std::string_view htmlBytes, const PictureProbe& exists = {});

// The pictures of a page converted by ToRtfDeferred, loaded and encoded on
// demand: each source once, however many places show it, and no more picture
// text in all than ToRtf allows a page (past that the alt text shows).
// `page` must outlive this object.
class PagePictures {
public:
    PagePictures(const DeferredRtf& page, PictureLoader loader);
    ~PagePictures();
    PagePictures(const PagePictures&) = delete;
    PagePictures& operator=(const PagePictures&) = delete;
    // A complete RTF document for place i: the picture, or its alt text in
    // brackets (possibly no text at all). *isPicture tells which.
    std::string PlaceRtf(size_t i, bool* isPicture = nullptr);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace html
