// What the pieces of the HTML page converter (HtmlDocument.h) share: text
// helpers, the element tree, the formats and the RTF writer. Internal to
// classlib; the converter reads bytes to text (HtmlDecoding.cpp), text to a
// tree (HtmlTree.cpp), the tree to RTF (HtmlRender.cpp, HtmlRtfWriter.cpp)
// with its pictures (HtmlPictures.cpp).
#pragma once

#include "classlib/HtmlDocument.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace html::detail {

// ---------------------------------------------------------------------------
// Text
// ---------------------------------------------------------------------------

inline bool IsSpace(char32_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
inline bool IsAlpha(char32_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
inline bool IsDigit(char32_t c) { return c >= '0' && c <= '9'; }
inline bool IsAlnum(char32_t c) { return IsAlpha(c) || IsDigit(c); }
inline char ToLowerAscii(char32_t c) { return char(c >= 'A' && c <= 'Z' ? c + 32 : c); }

inline std::string AsciiLower(const std::wstring& w) {
    std::string s;
    for (wchar_t c : w) s += c < 0x80 ? ToLowerAscii(c) : '?';
    return s;
}

// Decodes a character reference at s[i] == '&'. Appends the result (or a
// literal '&') to `out` and returns the index past what was consumed.
size_t DecodeEntity(const std::wstring& s, size_t i, std::wstring& out, bool inAttribute);
std::wstring DecodeEntities(const std::wstring& s, size_t from, size_t to, bool inAttribute);

// Reads the attributes of a tag starting at `p` (just past the tag name) up to
// and past '>'. Used both on raw bytes (the meta prescan) and on decoded text.
// Unquoted and single/double-quoted values; a quote that is never closed ends
// at the next '>' so that the rest of the page is not swallowed.
template <class Ch, class OnAttr>
size_t ReadAttributes(const Ch* s, size_t n, size_t i, size_t noQuote[2], OnAttr&& onAttr) {
    while (i < n) {
        while (i < n && (IsSpace(s[i]) || s[i] == '/')) ++i;
        if (i >= n) break;
        if (s[i] == '>') return i + 1;
        size_t nameStart = i;
        ++i;  // the first character may be '='
        while (i < n && !IsSpace(s[i]) && s[i] != '/' && s[i] != '>' && s[i] != '=') ++i;
        size_t nameEnd = i;
        while (i < n && IsSpace(s[i])) ++i;
        size_t valStart = i, valEnd = i;
        if (i < n && s[i] == '=') {
            ++i;
            while (i < n && IsSpace(s[i])) ++i;
            if (i < n && (s[i] == '"' || s[i] == '\'')) {
                Ch q = s[i];
                int qi = q == '"' ? 0 : 1;
                size_t close = n;
                if (i + 1 < noQuote[qi]) {
                    for (size_t k = i + 1; k < n; ++k)
                        if (s[k] == q) { close = k; break; }
                    if (close == n) noQuote[qi] = i + 1;
                }
                valStart = i + 1;
                if (close < n) {
                    valEnd = close;
                    i = close + 1;
                } else {
                    size_t gt = valStart;
                    while (gt < n && s[gt] != '>') ++gt;
                    valEnd = gt;
                    i = gt;
                }
            } else {
                valStart = i;
                while (i < n && !IsSpace(s[i]) && s[i] != '>') ++i;
                valEnd = i;
            }
        }
        onAttr(nameStart, nameEnd, valStart, valEnd);
    }
    return n;
}

// ---------------------------------------------------------------------------
// Element tree
// ---------------------------------------------------------------------------

struct Node {
    std::string tag;  // lower-case; empty for a text node
    std::vector<std::pair<std::string, std::wstring>> attrs;
    std::wstring text;
    std::vector<std::unique_ptr<Node>> kids;

    const std::wstring* Attr(std::string_view name) const {
        for (auto& [k, v] : attrs)
            if (k == name) return &v;
        return nullptr;
    }
};

inline bool In(std::string_view tag, std::initializer_list<std::string_view> set) {
    return std::find(set.begin(), set.end(), tag) != set.end();
}

inline bool IsHeading(std::string_view t) {
    return t.size() == 2 && t[0] == 'h' && t[1] >= '1' && t[1] <= '6';
}

// A page as markup: its element tree and the text of its <style> elements
// (lower-case).
struct ParsedPage {
    Node root;
    std::string styleSheet;
};
ParsedPage ParsePage(const std::wstring& text);

// ---------------------------------------------------------------------------
// RTF output
// ---------------------------------------------------------------------------

constexpr int kTwipsPerPixel = 15;   // at 96 dpi
constexpr int kPageWidth = 9360;     // 6.5 inches of text
constexpr int kListIndent = 720;
constexpr int kMarkerWidth = 360;
constexpr int kParagraphGap = 160;
constexpr uint32_t kLinkColor = 0x0000EE;
constexpr uint32_t kHeadingColor = 0x1F3864;
constexpr uint32_t kRuleColor = 0x808080;
constexpr uint32_t kWhite = 0xFFFFFF;

// Past a budget of picture text per page the alt text stands in, so a page
// cannot make the rich text grow without bound.
constexpr size_t kMaxPictureText = size_t(256) << 20;

// A picture as rich text: the hex digits of a device-independent bitmap that
// follow \pict\dibitmap0, and the bitmap's stored size.
struct EncodedPicture {
    int width = 0, height = 0;   // the picture's own size
    int storedWidth = 0;         // columns of the stored bitmap
    std::string hex;
};

struct CharFormat {
    bool bold = false, italic = false, underline = false, strike = false, sup = false, sub = false, mono = false;
    int halfPoints = 24;
    uint32_t color = 0xFFFFFFFF;  // automatic
    bool operator==(const CharFormat&) const = default;
};

enum class Align { Left, Center, Right, Justify };

struct BlockFormat {
    int left = 0, right = 0;
    Align align = Align::Left;
    bool pre = false;
    bool inCell = false;      // paragraphs belong to an RTF table cell
    bool inlineOnly = false;  // block breaks become spaces (cells of tab-separated rows)
    std::vector<int> tabs;
};

// The display size in twips of a picture of w x h pixels shown with the
// width and height attributes attrW, attrH (pixels, <= 0 when not given) in a
// column of `avail` twips: the attributes, else the picture's own size; never
// wider than the column.
std::pair<int, int> GoalSize(int attrW, int attrH, int w, int h, int64_t avail);

// The control words that open a picture encoded by EncodePicture, shown
// goalW x goalH twips; its digits and a closing brace follow.
std::string PictHead(const EncodedPicture& pic, int goalW, int goalH);

// Calls the loader for src and encodes what it gives; null when the picture
// cannot be had or is implausibly large.
std::unique_ptr<EncodedPicture> LoadAndEncode(const PictureLoader& loader, const std::string& src);

// The text shown instead of a picture: its alt text, else its file name.
std::wstring AltText(const std::wstring* alt, const std::wstring* src);

class RtfWriter {
public:
    std::string body;
    // Where pictures go when they are kept apart from the text (see ToRtfSplit).
    std::vector<std::string>* apart_ = nullptr;

    int ColorIndex(uint32_t rgb);

    // body with the pictures' digits in their places, after head.
    std::string Assemble(const std::string& head, const char* tail) const;

    std::string ColorTable() const;

    // A block boundary: ends the current paragraph; the next one gets at least
    // `gap` twips of space before it (margins collapse as in a browser).
    void Break(const BlockFormat& bf, int gap);

    // <br> or a newline in preformatted text.
    void LineBreak(const BlockFormat& bf);
    void Text(std::wstring_view text, const CharFormat& cf, const BlockFormat& bf);
    void Tab(const CharFormat& cf, const BlockFormat& bf);
    void SetMarker(std::wstring marker, const CharFormat& cf, const BlockFormat& bf);

    // An item whose content never started a paragraph still shows its marker.
    void FlushMarker(const BlockFormat& bf);

    // Places a picture encoded by EncodePicture, shown goalW x goalH twips.
    void Picture(const EncodedPicture& pic, int goalW, int goalH, const BlockFormat& bf);

    // The place of a picture put in later: a stand-in character.
    void LaterPicture(const BlockFormat& bf);

    // A horizontal rule: an empty paragraph with a bottom border.
    void Rule(const BlockFormat& bf);

    // Writes a paragraph mark still owed by the previous paragraph.
    void FinishPendingPar();

    // A table row. Every cell gets borders of at least one pixel on all four
    // sides: a one-pixel line is what Wine's control needs to draw a
    // horizontal border at all, and to keep a row as tall as its text. Cells
    // of a table without borders get them in the page's colour, so they do
    // not show.
    void BeginRow(const std::vector<int>& rights, int left, bool borders, uint32_t color, int twips, bool first);
    void BeginCell();
    void EndCell(const BlockFormat& bf);
    void EndRow();
    void Finish();

private:
    std::vector<std::pair<size_t, const std::string*>> pictures_;   // where in body, which digits
    std::vector<uint32_t> colors_;
    std::unordered_map<uint32_t, int> colorIndex_;   // colour -> its index in the table
    bool paraOpen_ = false;    // a paragraph has been started and has content
    bool parPending_ = false;  // the last paragraph still needs its \par
    bool pendingSpace_ = false;
    bool canSpace_ = false;    // a collapsed space may follow what was written last
    bool atTop_ = true;        // no space before the first paragraph of the page or a cell
    int spaceBefore_ = 0;
    std::optional<CharFormat> run_;
    std::wstring marker_;
    CharFormat markerFormat_;

    void EndParagraph();
    void StartParagraph(const BlockFormat& bf);
    void EnsureRun(const CharFormat& cf);
    void CloseRun();
    void Put(wchar_t c, const CharFormat& cf, const BlockFormat& bf);
    void BeginPicture(const BlockFormat& bf);

    // A stand-in character, tiny and in the page's colour.
    void StandIn();
    void PutRaw(wchar_t c, const CharFormat& cf);
    void PutUnit(char32_t c);
};

// The complete RTF document of a page. Pictures come from `loadPicture`; with
// `apart` each goes there as a document of its own and a stand-in takes its
// place; with `later` they are left to the caller: those `probe` accepts get a
// place in *later.
std::string PageRtf(const ParsedPage& page, const PictureLoader& loadPicture, std::vector<std::string>* apart,
                    DeferredRtf* later, const PictureProbe* probe);

}  // namespace html::detail
