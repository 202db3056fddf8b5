// The element tree to RTF: paragraph and character formatting from tags,
// attributes and simple inline styles, lists, tables and pictures.
#include "classlib/HtmlInternal.h"

#include <cmath>
#include <cstdlib>

namespace html::detail {

namespace {

std::string ToUtf8(const std::wstring& w) {
    std::string out;
    for (size_t k = 0; k < w.size(); ++k) {
        char32_t c = char32_t(w[k]);
        if (sizeof(wchar_t) == 2 && c >= 0xD800 && c < 0xDC00 && k + 1 < w.size() && w[k + 1] >= 0xDC00 &&
            w[k + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (char32_t(w[++k]) - 0xDC00);
        }
        if (c < 0x80) out += char(c);
        else if (c < 0x800) { out += char(0xC0 | (c >> 6)); out += char(0x80 | (c & 0x3F)); }
        else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12)); out += char(0x80 | ((c >> 6) & 0x3F)); out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18)); out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F)); out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string Trim(std::string s) {
    size_t b = 0, e = s.size();
    while (b < e && IsSpace(s[b])) ++b;
    while (e > b && IsSpace(s[e - 1])) --e;
    return s.substr(b, e - b);
}

bool ParseColor(const std::wstring& value, uint32_t& rgb) {
    std::string v = Trim(AsciiLower(value));
    static const std::pair<const char*, uint32_t> named[] = {
        {"black", 0x000000}, {"silver", 0xC0C0C0}, {"gray", 0x808080}, {"grey", 0x808080}, {"white", 0xFFFFFF},
        {"maroon", 0x800000}, {"red", 0xFF0000}, {"purple", 0x800080}, {"fuchsia", 0xFF00FF},
        {"magenta", 0xFF00FF}, {"green", 0x008000}, {"lime", 0x00FF00}, {"olive", 0x808000},
        {"yellow", 0xFFFF00}, {"navy", 0x000080}, {"blue", 0x0000FF}, {"teal", 0x008080}, {"aqua", 0x00FFFF},
        {"cyan", 0x00FFFF}, {"orange", 0xFFA500}, {"brown", 0xA52A2A}, {"darkred", 0x8B0000},
        {"darkgreen", 0x006400}, {"darkblue", 0x00008B}, {"darkgray", 0xA9A9A9}, {"darkgrey", 0xA9A9A9},
    };
    for (auto& [name, c] : named)
        if (v == name) { rgb = c; return true; }
    if (v.rfind("rgb(", 0) == 0) {
        int parts[3] = {0, 0, 0}, k = 0;
        for (size_t i = 4; i < v.size() && k < 3; ++i) {
            if (IsDigit(v[i])) parts[k] = std::min(255, parts[k] * 10 + (v[i] - '0'));
            else if (v[i] == ',') ++k;
        }
        rgb = uint32_t(parts[0] << 16 | parts[1] << 8 | parts[2]);
        return true;
    }
    if (!v.empty() && v[0] == '#') v.erase(0, 1);
    if (v.size() != 3 && v.size() != 6) return false;
    uint32_t x = 0;
    for (char c : v) {
        int d = IsDigit(c) ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
        if (d < 0) return false;
        x = x * 16 + uint32_t(d);
    }
    if (v.size() == 3) x = ((x >> 8) & 15) * 0x110000 + ((x >> 4) & 15) * 0x1100 + (x & 15) * 0x11;
    rgb = x;
    return true;
}

int ParseInt(const std::wstring* v, int fallback) {
    if (!v) return fallback;
    size_t k = 0;
    while (k < v->size() && IsSpace((*v)[k])) ++k;
    bool neg = k < v->size() && (*v)[k] == '-';
    if (k < v->size() && ((*v)[k] == '-' || (*v)[k] == '+')) ++k;
    if (k >= v->size() || !IsDigit((*v)[k])) return fallback;
    long long n = 0;
    while (k < v->size() && IsDigit((*v)[k])) n = std::min<long long>(n * 10 + ((*v)[k++] - '0'), 1000000);
    return int(neg ? -n : n);
}

std::wstring Roman(int n, bool upper) {
    static const std::pair<int, const char*> parts[] = {{1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"},
                                                         {100, "c"},  {90, "xc"},  {50, "l"},  {40, "xl"},
                                                         {10, "x"},   {9, "ix"},   {5, "v"},   {4, "iv"}, {1, "i"}};
    std::wstring r;
    for (auto& [v, s] : parts)
        while (n >= v) {
            for (const char* p = s; *p; ++p) r += wchar_t(upper ? *p - 32 : *p);
            n -= v;
        }
    return r;
}

std::wstring ItemNumber(int n, char type) {
    if ((type == 'i' || type == 'I') && n > 0 && n < 4000) return Roman(n, type == 'I');
    if ((type == 'a' || type == 'A') && n > 0) {
        std::wstring r;
        for (int k = n; k > 0; k = (k - 1) / 26) r.insert(r.begin(), wchar_t((type == 'A' ? 'A' : 'a') + (k - 1) % 26));
        return r;
    }
    return std::to_wstring(n);
}

class Renderer {
public:
    Renderer(RtfWriter& out, const PictureLoader& loader, const std::string& styleSheet,
             DeferredRtf* later = nullptr, const PictureProbe* probe = nullptr)
        : out_(out), loader_(loader), later_(later), probe_(probe), sheetBorder_(SheetBorder(styleSheet)) {}

    void Children(const Node& n, const CharFormat& cf, const BlockFormat& bf) {
        for (auto& k : n.kids) Render(*k, cf, bf);
    }

    void Render(const Node& n, CharFormat cf, BlockFormat bf) {
        if (n.tag.empty()) {
            out_.Text(n.text, cf, bf);
            return;
        }
        if (!ApplyStyle(n, cf, bf)) return;  // display: none
        const std::string& t = n.tag;
        if (IsHeading(t)) {
            static const int sizes[6] = {48, 36, 28, 24, 20, 16};
            static const int gaps[6] = {320, 280, 240, 200, 200, 200};
            int level = t[1] - '1';
            cf.bold = true;
            cf.halfPoints = sizes[level];
            if (!ColorSet(n)) cf.color = kHeadingColor;
            Block(n, cf, bf, gaps[level]);
        } else if (t == "p") {
            Block(n, cf, bf, kParagraphGap);
        } else if (t == "br") {
            out_.LineBreak(bf);
        } else if (t == "b" || t == "strong") {
            cf.bold = true;
            Children(n, cf, bf);
        } else if (t == "i" || t == "em" || t == "cite" || t == "dfn" || t == "var") {
            cf.italic = true;
            Children(n, cf, bf);
        } else if (t == "u" || t == "ins") {
            cf.underline = true;
            Children(n, cf, bf);
        } else if (t == "s" || t == "strike" || t == "del") {
            cf.strike = true;
            Children(n, cf, bf);
        } else if (t == "sub" || t == "sup") {
            cf.sub = t == "sub";
            cf.sup = t == "sup";
            Children(n, cf, bf);
        } else if (t == "small" || t == "big") {
            cf.halfPoints = std::clamp(t == "big" ? cf.halfPoints * 6 / 5 : cf.halfPoints * 5 / 6, 12, 144);
            Children(n, cf, bf);
        } else if (t == "code" || t == "tt" || t == "kbd" || t == "samp") {
            if (!cf.mono) cf.halfPoints = std::max(12, cf.halfPoints * 5 / 6);
            cf.mono = true;
            Children(n, cf, bf);
        } else if (t == "font") {
            Font(n, cf);
            Children(n, cf, bf);
        } else if (t == "a") {
            if (n.Attr("href")) {
                cf.underline = true;
                cf.color = kLinkColor;
            }
            Children(n, cf, bf);
        } else if (t == "q") {
            out_.Text(L"\u00AB", cf, bf);
            Children(n, cf, bf);
            out_.Text(L"\u00BB", cf, bf);
        } else if (t == "ul" || t == "ol" || t == "dir" || t == "menu") {
            List(n, cf, bf);
        } else if (t == "li") {
            // An item outside any list.
            bf.left += kListIndent;
            Item(n, L"\u2022", cf, bf);
        } else if (t == "dl") {
            Block(n, cf, bf, listDepth_ ? 0 : kParagraphGap);
        } else if (t == "dd") {
            bf.left += kListIndent;
            Block(n, cf, bf, 0);
        } else if (t == "blockquote") {
            bf.left += kListIndent;
            bf.right += kListIndent;
            Block(n, cf, bf, kParagraphGap);
        } else if (t == "pre" || t == "listing" || t == "xmp") {
            bf.pre = true;
            if (!cf.mono) cf.halfPoints = std::max(12, cf.halfPoints * 5 / 6);
            cf.mono = true;
            Block(n, cf, bf, kParagraphGap);
        } else if (t == "center") {
            bf.align = Align::Center;
            Block(n, cf, bf, 0);
        } else if (t == "hr") {
            out_.Rule(bf);
        } else if (t == "img") {
            Image(n, cf, bf);
        } else if (t == "table") {
            Table(n, cf, bf);
        } else if (t == "caption" || t == "tr" || t == "td" || t == "th") {
            // Only reached for pieces the table walk does not place itself.
            Block(n, cf, bf, 0);
        } else if (In(t, {"div", "address", "article", "aside", "details", "dt", "fieldset", "figcaption", "figure",
                          "footer", "form", "header", "main", "nav", "section", "summary", "legend"})) {
            if (t == "address") cf.italic = true;
            Block(n, cf, bf, t == "figure" || t == "fieldset" ? kParagraphGap : 0);
        } else {
            Children(n, cf, bf);  // unknown or purely inline: content only
        }
    }

private:
    RtfWriter& out_;
    const PictureLoader& loader_;
    DeferredRtf* later_;          // pictures are left to the caller
    const PictureProbe* probe_;
    std::unordered_map<std::string, size_t> laterSources_;
    int listDepth_ = 0;

    // Table borders as a page asks for them in CSS.
    struct Border {
        bool set = false, on = false;
        uint32_t color = 0x000000;
        int twips = 15;
    };
    Border sheetBorder_;

    // The border declarations among a rule's or a style attribute's
    // declarations (lower-case): border, border-top ... border-right,
    // border-width, border-style, border-color.
    static Border CssBorder(const std::string& decls) {
        Border b;
        size_t pos = 0;
        while (pos < decls.size()) {
            size_t semi = decls.find(';', pos);
            std::string decl = decls.substr(pos, semi == std::string::npos ? std::string::npos : semi - pos);
            pos = semi == std::string::npos ? decls.size() : semi + 1;
            size_t colon = decl.find(':');
            if (colon == std::string::npos) continue;
            std::string prop = Trim(decl.substr(0, colon)), val = Trim(decl.substr(colon + 1));
            if (prop.rfind("border", 0) != 0 || prop == "border-collapse" || prop == "border-spacing" ||
                prop == "border-radius")
                continue;
            const bool shorthand = prop == "border" || prop == "border-top" || prop == "border-left" ||
                                   prop == "border-bottom" || prop == "border-right";
            size_t t = 0;
            while (t < val.size()) {
                while (t < val.size() && IsSpace(val[t])) ++t;
                size_t e = t;
                while (e < val.size() && !IsSpace(val[e])) ++e;
                std::string tok = val.substr(t, e - t);
                t = e;
                if (tok.empty()) continue;
                uint32_t rgb;
                if (tok == "none" || tok == "hidden") {
                    if (shorthand || prop == "border-style") b.set = true, b.on = false;
                } else if (IsDigit(tok[0]) || tok[0] == '.') {
                    if (shorthand || prop == "border-width") {
                        double px = std::atof(tok.c_str());
                        if (tok.find("pt") != std::string::npos) px = px * 4 / 3;
                        b.set = true;
                        b.on = px > 0;
                        b.twips = int(std::clamp(px, 1.0, 5.0) * 15);
                    }
                } else if (tok == "thin" || tok == "medium" || tok == "thick" || tok == "solid" || tok == "dotted" ||
                           tok == "dashed" || tok == "double" || tok == "groove" || tok == "ridge" ||
                           tok == "inset" || tok == "outset") {
                    if (shorthand || prop == "border-style" || prop == "border-width") b.set = true, b.on = true;
                } else if (ParseColor(std::wstring(tok.begin(), tok.end()), rgb)) {
                    b.color = rgb;
                    if (shorthand) b.set = true, b.on = true;
                }
            }
        }
        return b;
    }

    // The rules of the page's style sheet for tables and their cells
    // ("table", "td", "th", also inside longer selectors such as "table.grid
    // td"; classes and ids are not told apart).
    static Border SheetBorder(const std::string& sheet) {
        Border b;
        size_t pos = 0;
        while (pos < sheet.size()) {
            size_t open = sheet.find('{', pos);
            if (open == std::string::npos) break;
            size_t close = sheet.find('}', open);
            if (close == std::string::npos) close = sheet.size();
            std::string selectors = sheet.substr(pos, open - pos), decls = sheet.substr(open + 1, close - open - 1);
            pos = close + 1;
            bool forTables = false;
            size_t start = 0;
            while (start <= selectors.size() && !forTables) {
                size_t comma = selectors.find(',', start);
                std::string sel = Trim(selectors.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
                start = comma == std::string::npos ? selectors.size() + 1 : comma + 1;
                size_t last = sel.find_last_of(" >+~");
                std::string tag = last == std::string::npos ? sel : sel.substr(last + 1);
                tag = tag.substr(0, tag.find_first_of(".#:["));
                forTables = tag == "table" || tag == "td" || tag == "th";
            }
            if (!forTables) continue;
            Border r = CssBorder(decls);
            if (r.set) b = r;
        }
        return b;
    }
    // Pictures of this page by their src as written; null: could not be had.
    std::unordered_map<std::string, std::unique_ptr<EncodedPicture>> pictures_;
    size_t pictureText_ = 0;   // hex digits of pictures placed so far

    static bool ColorSet(const Node& n) {
        const std::wstring* st = n.Attr("style");
        return st && AsciiLower(*st).find("color") != std::string::npos;
    }

    void Block(const Node& n, const CharFormat& cf, BlockFormat bf, int gap) {
        if (const std::wstring* a = n.Attr("align")) {
            std::string v = Trim(AsciiLower(*a));
            if (v == "center" || v == "middle") bf.align = Align::Center;
            else if (v == "right") bf.align = Align::Right;
            else if (v == "justify") bf.align = Align::Justify;
            else if (v == "left") bf.align = Align::Left;
        }
        out_.Break(bf, gap);
        Children(n, cf, bf);
        out_.Break(bf, gap);
    }

    // Applies the simple inline style declarations we understand. Returns false
    // for content that is not displayed.
    bool ApplyStyle(const Node& n, CharFormat& cf, BlockFormat& bf) {
        const std::wstring* style = n.Attr("style");
        if (!style) return true;
        std::string s = AsciiLower(*style);
        size_t pos = 0;
        while (pos < s.size()) {
            size_t semi = s.find(';', pos);
            std::string decl = s.substr(pos, semi == std::string::npos ? std::string::npos : semi - pos);
            pos = semi == std::string::npos ? s.size() : semi + 1;
            size_t colon = decl.find(':');
            if (colon == std::string::npos) continue;
            std::string prop = Trim(decl.substr(0, colon)), val = Trim(decl.substr(colon + 1));
            if (prop == "display" && val == "none") return false;
            if (prop == "color") {
                uint32_t rgb;
                std::wstring w(val.begin(), val.end());
                if (ParseColor(w, rgb)) cf.color = rgb;
            } else if (prop == "font-weight") {
                cf.bold = val == "bold" || val == "bolder" || (IsDigit(val[0]) && std::atoi(val.c_str()) >= 600);
            } else if (prop == "font-style") {
                cf.italic = val == "italic" || val == "oblique";
            } else if (prop == "text-decoration" || prop == "text-decoration-line") {
                if (val.find("underline") != std::string::npos) cf.underline = true;
                if (val.find("line-through") != std::string::npos) cf.strike = true;
                if (val == "none") cf.underline = cf.strike = false;
            } else if (prop == "text-align") {
                bf.align = val == "center" ? Align::Center : val == "right" ? Align::Right
                         : val == "justify" ? Align::Justify : Align::Left;
            } else if (prop == "font-family") {
                cf.mono = val.find("mono") != std::string::npos || val.find("courier") != std::string::npos;
            } else if (prop == "font-size") {
                // Clamped while still floating point: a huge size is the largest,
                // and nothing out of int's range ("1e300pt", "infpx") is converted.
                const double num = std::atof(val.c_str());
                double hp = cf.halfPoints;
                if (val.find("pt") != std::string::npos) hp = num * 2;
                else if (val.find("px") != std::string::npos) hp = num * 1.5;
                else if (val.find('%') != std::string::npos) hp = cf.halfPoints * num / 100;
                else if (val.find("em") != std::string::npos) hp = cf.halfPoints * num;
                if (num > 0 && std::isfinite(hp)) cf.halfPoints = int(std::clamp(hp, 8.0, 144.0) + 0.5);
            }
        }
        return true;
    }

    static void Font(const Node& n, CharFormat& cf) {
        uint32_t rgb;
        if (const std::wstring* c = n.Attr("color"); c && ParseColor(*c, rgb)) cf.color = rgb;
        if (const std::wstring* sz = n.Attr("size")) {
            static const int sizes[8] = {0, 16, 20, 24, 28, 36, 48, 72};
            int v = ParseInt(sz, 3);
            std::wstring trimmed = *sz;
            trimmed.erase(0, std::min(trimmed.find_first_not_of(L" \t"), trimmed.size()));
            if (!trimmed.empty() && (trimmed[0] == '+' || trimmed[0] == '-')) v += 3;
            cf.halfPoints = sizes[std::clamp(v, 1, 7)];
        }
        if (const std::wstring* face = n.Attr("face")) {
            std::string f = AsciiLower(*face);
            if (f.find("courier") != std::string::npos || f.find("mono") != std::string::npos) cf.mono = true;
        }
    }

    void List(const Node& n, const CharFormat& cf, BlockFormat bf) {
        const bool ordered = n.tag == "ol";
        char type = '1';
        if (const std::wstring* ty = n.Attr("type"); ty && !ty->empty() && (*ty)[0] < 0x80) type = char((*ty)[0]);
        int number = ParseInt(n.Attr("start"), 1);
        if (bf.inlineOnly) {
            Children(n, cf, bf);
            return;
        }
        out_.Break(bf, listDepth_ ? 0 : kParagraphGap);
        bf.left += kListIndent;
        ++listDepth_;
        static const wchar_t* const bullets[3] = {L"\u2022", L"\u25E6", L"\u25AA"};
        for (auto& k : n.kids) {
            if (k->tag != "li") {
                Render(*k, cf, bf);
                continue;
            }
            if (ordered) number = ParseInt(k->Attr("value"), number);
            std::wstring marker = ordered ? ItemNumber(number++, type) + L"." : bullets[(listDepth_ - 1) % 3];
            Item(*k, marker, cf, bf);
        }
        --listDepth_;
        bf.left -= kListIndent;
        out_.Break(bf, listDepth_ ? 0 : kParagraphGap);
    }

    void Item(const Node& li, const std::wstring& marker, CharFormat cf, BlockFormat bf) {
        if (!ApplyStyle(li, cf, bf)) return;
        if (bf.inlineOnly) {
            out_.Text(L" " + marker + L" ", cf, bf);
            Children(li, cf, bf);
            return;
        }
        out_.Break(bf, 0);
        CharFormat plain = cf;
        plain.underline = plain.strike = plain.sub = plain.sup = false;
        out_.SetMarker(marker, plain, bf);
        Children(li, cf, bf);
        out_.FlushMarker(bf);
        out_.Break(bf, 0);
    }

    // A picture: loaded and encoded once per page however many tags show it.
    const EncodedPicture* LoadPicture(const std::wstring& src) {
        std::string key = ToUtf8(src);
        auto it = pictures_.find(key);
        if (it != pictures_.end()) return it->second.get();
        auto enc = LoadAndEncode(loader_, key);
        return pictures_.emplace(std::move(key), std::move(enc)).first->second.get();
    }

    void Image(const Node& n, const CharFormat& cf, const BlockFormat& bf) {
        const std::wstring* src = n.Attr("src");
        // Display size: the width/height attributes in pixels, else the
        // picture's own; never wider than the text column.
        int w = ParseInt(n.Attr("width"), -1), h = ParseInt(n.Attr("height"), -1);
        auto percent = [](const std::wstring* v) { return v && v->find(L'%') != std::wstring::npos; };
        if (percent(n.Attr("width"))) w = -1;
        if (percent(n.Attr("height"))) h = -1;
        const int64_t avail = std::max(1440, kPageWidth - bf.left - bf.right);
        if (later_) {
            std::string key = src ? ToUtf8(*src) : std::string();
            if (!key.empty() && (!*probe_ || (*probe_)(key))) {
                auto [at, added] = laterSources_.try_emplace(key, later_->sources.size());
                if (added) later_->sources.push_back(key);
                LaterPicture place;
                place.source = at->second;
                place.width = w;
                place.height = h;
                place.available = int(avail);
                place.alt = ToUtf8(AltText(n.Attr("alt"), src));
                later_->places.push_back(std::move(place));
                out_.LaterPicture(bf);
                return;
            }
        }
        const EncodedPicture* pic = src && !src->empty() && !later_ ? LoadPicture(*src) : nullptr;
        if (pic && pictureText_ + pic->hex.size() > kMaxPictureText) pic = nullptr;
        if (!pic) {
            std::wstring alt = AltText(n.Attr("alt"), src);
            if (!alt.empty()) out_.Text(alt, cf, bf);
            return;
        }
        pictureText_ += pic->hex.size();
        auto [gw, gh] = GoalSize(w, h, pic->width, pic->height, avail);
        out_.Picture(*pic, gw, gh, bf);
    }

    static size_t TextLength(const Node& n, int depth = 0) {
        if (n.tag.empty()) {
            size_t len = 0;
            bool space = true;
            for (wchar_t c : n.text) {
                bool s = IsSpace(c);
                if (!s || !space) ++len;
                space = s;
            }
            return len;
        }
        if (n.tag == "img") return 8;
        size_t sum = 0;
        if (depth < 16)
            for (auto& k : n.kids) sum += TextLength(*k, depth + 1);
        return sum;
    }

    static bool IsBlankText(const Node& n) {
        return n.tag.empty() && n.text.find_first_not_of(L" \t\r\n\f") == std::wstring::npos;
    }

    void Table(const Node& table, const CharFormat& cf, BlockFormat bf) {
        std::vector<const Node*> rows;
        for (auto& k : table.kids) {
            if (k->tag == "tr") rows.push_back(k.get());
            else if (k->tag == "caption") {
                BlockFormat cbf = bf;
                cbf.align = Align::Center;
                Block(*k, cf, cbf, 0);
            } else if (!IsBlankText(*k)) {
                Render(*k, cf, bf);  // stray content shows before the rows
            }
        }
        constexpr size_t kMaxColumns = 63;
        std::vector<size_t> widthChars;
        for (const Node* r : rows) {
            size_t col = 0;
            for (auto& c : r->kids) {
                if (c->tag != "td" && c->tag != "th") continue;
                size_t span = size_t(std::clamp(ParseInt(c->Attr("colspan"), 1), 1, int(kMaxColumns)));
                if (col + span > kMaxColumns) span = kMaxColumns > col ? kMaxColumns - col : 0;
                if (span == 0) break;
                if (widthChars.size() < col + span) widthChars.resize(col + span, 0);
                if (span == 1) widthChars[col] = std::max(widthChars[col], TextLength(*c));
                col += span;
            }
        }
        if (widthChars.empty()) return;
        const size_t columns = widthChars.size();
        std::vector<int> widths(columns);
        int total = 0;
        for (size_t k = 0; k < columns; ++k) {
            widths[k] = 300 + int(std::clamp<size_t>(widthChars[k], 3, 40)) * 110;
            total += widths[k];
        }
        const int avail = std::max(1440, kPageWidth - bf.left - bf.right);
        if (total > avail)
            for (int& w : widths) w = std::max(360, int(int64_t(w) * avail / total));
        // Borders: the border attribute, else CSS on the table, its cells or in
        // the style sheet.
        Border b = sheetBorder_;
        if (const std::wstring* border = table.Attr("border")) {
            b.set = true;
            b.on = ParseInt(border, 1) != 0;
            b.twips = 15;
        }
        if (const std::wstring* st = table.Attr("style")) {
            Border inl = CssBorder(AsciiLower(*st));
            if (inl.set) b = inl;
        }
        for (const Node* r : rows)
            for (auto& c : r->kids)
                if (const std::wstring* st = (c->tag == "td" || c->tag == "th") ? c->Attr("style") : nullptr) {
                    Border inl = CssBorder(AsciiLower(*st));
                    if (inl.set && inl.on) b = inl;
                }
        const bool borders = b.set && b.on;

        if (bf.inCell || bf.inlineOnly) {
            TabRows(rows, widths, cf, bf);
            return;
        }
        out_.Break(bf, kParagraphGap);
        for (const Node* r : rows) {
            std::vector<const Node*> cells;
            std::vector<int> rights;
            int x = bf.left;
            size_t col = 0;
            for (auto& c : r->kids) {
                if (c->tag != "td" && c->tag != "th") continue;
                size_t span = size_t(std::clamp(ParseInt(c->Attr("colspan"), 1), 1, int(kMaxColumns)));
                span = std::min(span, columns - std::min(col, columns));
                if (span == 0) break;
                for (size_t k = 0; k < span; ++k) x += widths[col + k];
                col += span;
                cells.push_back(c.get());
                rights.push_back(x);
            }
            for (; col < columns; ++col) {  // short rows are padded with empty cells
                x += widths[col];
                cells.push_back(nullptr);
                rights.push_back(x);
            }
            out_.BeginRow(rights, bf.left, borders, b.color, b.twips, r == rows.front());
            for (const Node* c : cells) {
                BlockFormat cbf;
                cbf.inCell = true;
                CharFormat ccf = cf;
                out_.BeginCell();
                if (c) {
                    if (c->tag == "th") {
                        ccf.bold = true;
                        cbf.align = Align::Center;
                    }
                    if (ApplyStyle(*c, ccf, cbf)) Block(*c, ccf, cbf, 0);
                }
                out_.EndCell(cbf);
            }
            out_.EndRow();
        }
        out_.Break(bf, kParagraphGap);
    }

    // Rows as paragraphs with the cells separated by tabs.
    void TabRows(const std::vector<const Node*>& rows, const std::vector<int>& widths, const CharFormat& cf,
                 const BlockFormat& bf) {
        BlockFormat rbf = bf;
        int x = bf.left;
        rbf.tabs.clear();
        for (size_t k = 0; k + 1 < widths.size(); ++k) rbf.tabs.push_back(x += widths[k]);
        rbf.inlineOnly = true;
        rbf.pre = false;
        for (const Node* r : rows) {
            out_.Break(bf, 0);
            bool first = true;
            for (auto& c : r->kids) {
                if (c->tag != "td" && c->tag != "th") continue;
                if (!first) out_.Tab(cf, rbf);
                first = false;
                CharFormat ccf = cf;
                if (c->tag == "th") ccf.bold = true;
                BlockFormat cbf = rbf;
                if (ApplyStyle(*c, ccf, cbf)) Children(*c, ccf, cbf);
            }
            out_.Break(bf, 0);
        }
    }
};

}  // namespace

std::string PageRtf(const ParsedPage& page, const PictureLoader& loadPicture, std::vector<std::string>* apart,
                    DeferredRtf* later, const PictureProbe* probe) {
    RtfWriter out;
    out.apart_ = apart;
    Renderer renderer(out, loadPicture, page.styleSheet, later, probe);
    renderer.Children(page.root, CharFormat{}, BlockFormat{});
    out.Finish();
    std::string head =
        "{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1049\\uc1"
        "{\\fonttbl{\\f0\\froman\\fprq2\\fcharset204 Times New Roman;}{\\f1\\fmodern\\fprq1\\fcharset204 Courier New;}}\n";
    head += out.ColorTable();
    head += "\n\\viewkind4\\pard\\plain\\f0\\fs24\n";
    return out.Assemble(head, "}\n");
}

}  // namespace html::detail
