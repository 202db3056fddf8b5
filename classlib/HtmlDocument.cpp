// HTML to RTF for the page view. Three stages: bytes to UTF-16 text (our own
// code page tables), text to a small element tree (a forgiving tokenizer plus
// the usual implied-end-tag rules), tree to RTF (paragraph and character
// formatting, lists, tables, pictures).
#include "classlib/HtmlDocument.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <unordered_map>

namespace html {
namespace {

// ---------------------------------------------------------------------------
// Code pages
// ---------------------------------------------------------------------------

enum class Charset { Utf8, Utf16LE, Utf16BE, Cp1251, Koi8r, Cp1252, Iso8859_5, Cp866 };

// Upper halves (0x80..0xFF) of the single-byte code pages.
const char16_t kCp1251[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    // 0xC0..0xFF: А..я in order, filled in by the lookup
};

const char16_t kKoi8r[128] = {
    0x2500, 0x2502, 0x250C, 0x2510, 0x2514, 0x2518, 0x251C, 0x2524, 0x252C, 0x2534, 0x253C, 0x2580, 0x2584, 0x2588, 0x258C, 0x2590,
    0x2591, 0x2592, 0x2593, 0x2320, 0x25A0, 0x2219, 0x221A, 0x2248, 0x2264, 0x2265, 0x00A0, 0x2321, 0x00B0, 0x00B2, 0x00B7, 0x00F7,
    0x2550, 0x2551, 0x2552, 0x0451, 0x2553, 0x2554, 0x2555, 0x2556, 0x2557, 0x2558, 0x2559, 0x255A, 0x255B, 0x255C, 0x255D, 0x255E,
    0x255F, 0x2560, 0x2561, 0x0401, 0x2562, 0x2563, 0x2564, 0x2565, 0x2566, 0x2567, 0x2568, 0x2569, 0x256A, 0x256B, 0x256C, 0x00A9,
    0x044E, 0x0430, 0x0431, 0x0446, 0x0434, 0x0435, 0x0444, 0x0433, 0x0445, 0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E,
    0x043F, 0x044F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0436, 0x0432, 0x044C, 0x044B, 0x0437, 0x0448, 0x044D, 0x0449, 0x0447, 0x044A,
    0x042E, 0x0410, 0x0411, 0x0426, 0x0414, 0x0415, 0x0424, 0x0413, 0x0425, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E,
    0x041F, 0x042F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0416, 0x0412, 0x042C, 0x042B, 0x0417, 0x0428, 0x042D, 0x0429, 0x0427, 0x042A,
};

// Only 0x80..0x9F differ from Latin-1.
const char16_t kCp1252C1[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
    0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,
};

// cp866 0xB0..0xDF (box drawing) and 0xF0..0xFF; letters are computed.
const char16_t kCp866Box[48] = {
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
};
const char16_t kCp866Tail[16] = {
    0x0401, 0x0451, 0x0404, 0x0454, 0x0407, 0x0457, 0x040E, 0x045E, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x2116, 0x00A4, 0x25A0, 0x00A0,
};

char32_t SingleByte(Charset cs, uint8_t b) {
    if (b < 0x80) return b;
    switch (cs) {
    case Charset::Cp1251: return b >= 0xC0 ? 0x0410 + (b - 0xC0) : kCp1251[b - 0x80];
    case Charset::Koi8r: return kKoi8r[b - 0x80];
    case Charset::Cp1252: return b < 0xA0 ? kCp1252C1[b - 0x80] : b;
    case Charset::Iso8859_5:
        if (b < 0xA1) return b;
        if (b == 0xAD) return 0x00AD;
        if (b == 0xF0) return 0x2116;
        if (b == 0xFD) return 0x00A7;
        return 0x0401 + (b - 0xA1);
    case Charset::Cp866:
        if (b < 0xB0) return 0x0410 + (b - 0x80);
        if (b < 0xE0) return kCp866Box[b - 0xB0];
        if (b < 0xF0) return 0x0440 + (b - 0xE0);
        return kCp866Tail[b - 0xF0];
    default: return 0xFFFD;
    }
}

void AppendCodePoint(std::wstring& out, char32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
    if constexpr (sizeof(wchar_t) == 2) {
        if (c >= 0x10000) {
            c -= 0x10000;
            out += wchar_t(0xD800 + (c >> 10));
            out += wchar_t(0xDC00 + (c & 0x3FF));
            return;
        }
    }
    out += wchar_t(c);
}

// Decodes one UTF-8 sequence at `p`; returns its length, or 0 when the bytes
// there are not a well-formed sequence (overlong, surrogate, out of range,
// truncated).
size_t Utf8Sequence(const uint8_t* p, const uint8_t* end, char32_t& cp) {
    uint8_t b = p[0];
    size_t len;
    char32_t min;
    if (b < 0x80) { cp = b; return 1; }
    if (b >= 0xC2 && b <= 0xDF) { len = 2; cp = b & 0x1F; min = 0x80; }
    else if (b >= 0xE0 && b <= 0xEF) { len = 3; cp = b & 0x0F; min = 0x800; }
    else if (b >= 0xF0 && b <= 0xF4) { len = 4; cp = b & 0x07; min = 0x10000; }
    else return 0;
    if (size_t(end - p) < len) return 0;
    for (size_t k = 1; k < len; ++k) {
        if ((p[k] & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (p[k] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

bool LooksLikeUtf8(std::string_view s) {
    auto p = reinterpret_cast<const uint8_t*>(s.data()), end = p + s.size();
    bool multi = false;
    while (p < end) {
        char32_t cp;
        size_t n = Utf8Sequence(p, end, cp);
        if (n == 0) return false;
        multi |= n > 1;
        p += n;
    }
    return multi;
}

bool IsSpace(char32_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
bool IsAlpha(char32_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char32_t c) { return c >= '0' && c <= '9'; }
bool IsAlnum(char32_t c) { return IsAlpha(c) || IsDigit(c); }
char ToLowerAscii(char32_t c) { return char(c >= 'A' && c <= 'Z' ? c + 32 : c); }

std::string Lower(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = ToLowerAscii(static_cast<unsigned char>(c));
    return r;
}

bool ParseCharsetName(std::string_view raw, Charset& cs) {
    std::string n = Lower(raw);
    while (!n.empty() && (IsSpace(n.back()) || n.back() == '"' || n.back() == '\'' || n.back() == ';')) n.pop_back();
    size_t b = 0;
    while (b < n.size() && (IsSpace(n[b]) || n[b] == '"' || n[b] == '\'')) ++b;
    n.erase(0, b);
    static const std::pair<const char*, Charset> names[] = {
        {"utf-8", Charset::Utf8}, {"utf8", Charset::Utf8}, {"unicode-1-1-utf-8", Charset::Utf8},
        // A meta tag readable as ASCII cannot really be UTF-16.
        {"utf-16", Charset::Utf8}, {"utf-16le", Charset::Utf8}, {"utf-16be", Charset::Utf8},
        {"windows-1251", Charset::Cp1251}, {"cp1251", Charset::Cp1251}, {"x-cp1251", Charset::Cp1251},
        {"win-1251", Charset::Cp1251}, {"cp-1251", Charset::Cp1251},
        {"koi8-r", Charset::Koi8r}, {"koi8r", Charset::Koi8r}, {"koi8", Charset::Koi8r}, {"cskoi8r", Charset::Koi8r},
        {"koi8-u", Charset::Koi8r}, {"koi8-ru", Charset::Koi8r},
        {"windows-1252", Charset::Cp1252}, {"cp1252", Charset::Cp1252}, {"iso-8859-1", Charset::Cp1252},
        {"iso8859-1", Charset::Cp1252}, {"iso_8859-1", Charset::Cp1252}, {"latin1", Charset::Cp1252},
        {"l1", Charset::Cp1252}, {"us-ascii", Charset::Cp1252}, {"ascii", Charset::Cp1252},
        {"iso-8859-5", Charset::Iso8859_5}, {"iso8859-5", Charset::Iso8859_5}, {"iso_8859-5", Charset::Iso8859_5},
        {"cyrillic", Charset::Iso8859_5},
        {"ibm866", Charset::Cp866}, {"cp866", Charset::Cp866}, {"866", Charset::Cp866}, {"csibm866", Charset::Cp866},
    };
    for (auto& [name, value] : names)
        if (n == name) { cs = value; return true; }
    return false;
}

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

bool DetectFromMeta(std::string_view bytes, Charset& cs) {
    const size_t limit = std::min<size_t>(bytes.size(), 16384);
    const char* s = bytes.data();
    size_t noQuote[2] = {limit, limit};
    for (size_t i = 0; i + 5 < limit; ++i) {
        if (s[i] != '<') continue;
        if (bytes.compare(i, 4, "<!--") == 0) {
            size_t e = bytes.find("-->", i + 4);
            if (e == std::string_view::npos || e >= limit) return false;
            i = e + 2;
            continue;
        }
        if (Lower(bytes.substr(i + 1, 4)) != "meta" || !(IsSpace(s[i + 5]) || s[i + 5] == '/')) continue;
        std::string charset, content;
        bool httpEquiv = false;
        i = ReadAttributes(s, limit, i + 5, noQuote, [&](size_t ns, size_t ne, size_t vs, size_t ve) {
            std::string name = Lower(bytes.substr(ns, ne - ns));
            std::string_view val = bytes.substr(vs, ve - vs);
            if (name == "charset") charset = val;
            else if (name == "content") content = Lower(val);
            else if (name == "http-equiv") httpEquiv = Lower(val) == "content-type";
        }) - 1;
        if (!charset.empty() && ParseCharsetName(charset, cs)) return true;
        if (httpEquiv || !content.empty()) {
            size_t at = content.find("charset");
            if (at != std::string::npos) {
                at += 7;
                while (at < content.size() && IsSpace(content[at])) ++at;
                if (at < content.size() && content[at] == '=') {
                    size_t end = content.find(';', at + 1);
                    std::string name = content.substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1);
                    if (ParseCharsetName(name, cs)) return true;
                }
            }
        }
    }
    return false;
}

// ---------------------------------------------------------------------------
// Entities
// ---------------------------------------------------------------------------

// Latin-1 names, U+00A0..U+00FF in order. These, and the four below, are also
// recognised without the closing semicolon, as browsers do.
const char* const kLatin1Names[96] = {
    "nbsp", "iexcl", "cent", "pound", "curren", "yen", "brvbar", "sect", "uml", "copy", "ordf", "laquo",
    "not", "shy", "reg", "macr", "deg", "plusmn", "sup2", "sup3", "acute", "micro", "para", "middot",
    "cedil", "sup1", "ordm", "raquo", "frac14", "frac12", "frac34", "iquest", "Agrave", "Aacute", "Acirc", "Atilde",
    "Auml", "Aring", "AElig", "Ccedil", "Egrave", "Eacute", "Ecirc", "Euml", "Igrave", "Iacute", "Icirc", "Iuml",
    "ETH", "Ntilde", "Ograve", "Oacute", "Ocirc", "Otilde", "Ouml", "times", "Oslash", "Ugrave", "Uacute", "Ucirc",
    "Uuml", "Yacute", "THORN", "szlig", "agrave", "aacute", "acirc", "atilde", "auml", "aring", "aelig", "ccedil",
    "egrave", "eacute", "ecirc", "euml", "igrave", "iacute", "icirc", "iuml", "eth", "ntilde", "ograve", "oacute",
    "ocirc", "otilde", "ouml", "divide", "oslash", "ugrave", "uacute", "ucirc", "uuml", "yacute", "thorn", "yuml",
};

const std::pair<const char*, char32_t> kOtherEntities[] = {
    {"quot", 34}, {"amp", 38}, {"lt", 60}, {"gt", 62}, {"apos", 39},
    {"QUOT", 34}, {"AMP", 38}, {"LT", 60}, {"GT", 62}, {"COPY", 169}, {"REG", 174},
    {"OElig", 338}, {"oelig", 339}, {"Scaron", 352}, {"scaron", 353}, {"Yuml", 376}, {"circ", 710}, {"tilde", 732},
    {"ensp", 8194}, {"emsp", 8195}, {"thinsp", 8201}, {"zwnj", 8204}, {"zwj", 8205}, {"lrm", 8206}, {"rlm", 8207},
    {"ndash", 8211}, {"mdash", 8212}, {"lsquo", 8216}, {"rsquo", 8217}, {"sbquo", 8218}, {"ldquo", 8220},
    {"rdquo", 8221}, {"bdquo", 8222}, {"dagger", 8224}, {"Dagger", 8225}, {"permil", 8240}, {"lsaquo", 8249},
    {"rsaquo", 8250}, {"euro", 8364}, {"fnof", 402},
    {"Alpha", 913}, {"Beta", 914}, {"Gamma", 915}, {"Delta", 916}, {"Epsilon", 917}, {"Zeta", 918}, {"Eta", 919},
    {"Theta", 920}, {"Iota", 921}, {"Kappa", 922}, {"Lambda", 923}, {"Mu", 924}, {"Nu", 925}, {"Xi", 926},
    {"Omicron", 927}, {"Pi", 928}, {"Rho", 929}, {"Sigma", 931}, {"Tau", 932}, {"Upsilon", 933}, {"Phi", 934},
    {"Chi", 935}, {"Psi", 936}, {"Omega", 937},
    {"alpha", 945}, {"beta", 946}, {"gamma", 947}, {"delta", 948}, {"epsilon", 949}, {"zeta", 950}, {"eta", 951},
    {"theta", 952}, {"iota", 953}, {"kappa", 954}, {"lambda", 955}, {"mu", 956}, {"nu", 957}, {"xi", 958},
    {"omicron", 959}, {"pi", 960}, {"rho", 961}, {"sigmaf", 962}, {"sigma", 963}, {"tau", 964}, {"upsilon", 965},
    {"phi", 966}, {"chi", 967}, {"psi", 968}, {"omega", 969}, {"thetasym", 977}, {"upsih", 978}, {"piv", 982},
    {"bull", 8226}, {"hellip", 8230}, {"prime", 8242}, {"Prime", 8243}, {"oline", 8254}, {"frasl", 8260},
    {"weierp", 8472}, {"image", 8465}, {"real", 8476}, {"trade", 8482}, {"alefsym", 8501},
    {"larr", 8592}, {"uarr", 8593}, {"rarr", 8594}, {"darr", 8595}, {"harr", 8596}, {"crarr", 8629},
    {"lArr", 8656}, {"uArr", 8657}, {"rArr", 8658}, {"dArr", 8659}, {"hArr", 8660},
    {"forall", 8704}, {"part", 8706}, {"exist", 8707}, {"empty", 8709}, {"nabla", 8711}, {"isin", 8712},
    {"notin", 8713}, {"ni", 8715}, {"prod", 8719}, {"sum", 8721}, {"minus", 8722}, {"lowast", 8727},
    {"radic", 8730}, {"prop", 8733}, {"infin", 8734}, {"ang", 8736}, {"and", 8743}, {"or", 8744}, {"cap", 8745},
    {"cup", 8746}, {"int", 8747}, {"there4", 8756}, {"sim", 8764}, {"cong", 8773}, {"asymp", 8776}, {"ne", 8800},
    {"equiv", 8801}, {"le", 8804}, {"ge", 8805}, {"sub", 8834}, {"sup", 8835}, {"nsub", 8836}, {"sube", 8838},
    {"supe", 8839}, {"oplus", 8853}, {"otimes", 8855}, {"perp", 8869}, {"sdot", 8901}, {"lceil", 8968},
    {"rceil", 8969}, {"lfloor", 8970}, {"rfloor", 8971}, {"lang", 9001}, {"rang", 9002}, {"loz", 9674},
    {"spades", 9824}, {"clubs", 9827}, {"hearts", 9829}, {"diams", 9830},
};

struct EntityTable {
    std::unordered_map<std::string, char32_t> all;
    std::unordered_map<std::string, char32_t> legacy;  // allowed without ';'
    EntityTable() {
        for (int k = 0; k < 96; ++k) all[kLatin1Names[k]] = legacy[kLatin1Names[k]] = char32_t(0xA0 + k);
        for (auto& [name, cp] : kOtherEntities) all[name] = cp;
        for (const char* name : {"quot", "amp", "lt", "gt", "QUOT", "AMP", "LT", "GT", "COPY", "REG"}) legacy[name] = all[name];
    }
};

const EntityTable& Entities() {
    static const EntityTable table;
    return table;
}

// Decodes a character reference at s[i] == '&'. Appends the result (or a
// literal '&') to `out` and returns the index past what was consumed.
size_t DecodeEntity(const std::wstring& s, size_t i, std::wstring& out, bool inAttribute) {
    const size_t n = s.size();
    size_t j = i + 1;
    if (j < n && s[j] == '#') {
        ++j;
        bool hex = j < n && (s[j] == 'x' || s[j] == 'X');
        if (hex) ++j;
        size_t start = j;
        char32_t v = 0;
        while (j < n) {
            char32_t c = s[j];
            int d;
            if (IsDigit(c)) d = int(c - '0');
            else if (hex && c >= 'a' && c <= 'f') d = int(c - 'a' + 10);
            else if (hex && c >= 'A' && c <= 'F') d = int(c - 'A' + 10);
            else break;
            v = std::min<char32_t>(v * (hex ? 16 : 10) + char32_t(d), 0x110000);
            ++j;
        }
        if (j == start) { out += L'&'; return i + 1; }
        if (j < n && s[j] == ';') ++j;
        if (v == 0) v = 0xFFFD;
        else if (v >= 0x80 && v <= 0x9F) v = kCp1252C1[v - 0x80];
        AppendCodePoint(out, v);
        return j;
    }
    std::string name;
    while (j < n && name.size() < 32 && IsAlnum(s[j])) name += char(s[j++]);
    const EntityTable& t = Entities();
    if (j < n && s[j] == ';') {
        auto it = t.all.find(name);
        if (it != t.all.end()) { AppendCodePoint(out, it->second); return j + 1; }
    }
    // Without a semicolon: the longest legacy name that prefixes the run.
    for (size_t len = std::min<size_t>(name.size(), 6); len >= 2; --len) {
        auto it = t.legacy.find(name.substr(0, len));
        if (it == t.legacy.end()) continue;
        size_t after = i + 1 + len;
        if (inAttribute && after < n && (IsAlnum(s[after]) || s[after] == '=')) break;
        AppendCodePoint(out, it->second);
        return after;
    }
    out += L'&';
    return i + 1;
}

std::wstring DecodeEntities(const std::wstring& s, size_t from, size_t to, bool inAttribute) {
    std::wstring out;
    std::wstring part = s.substr(from, to - from);
    for (size_t i = 0; i < part.size();) {
        if (part[i] == '&') i = DecodeEntity(part, i, out, inAttribute);
        else out += part[i++];
    }
    return out;
}

// ---------------------------------------------------------------------------
// Element tree
// ---------------------------------------------------------------------------

constexpr size_t kMaxDepth = 100;      // open elements beyond this are flattened
constexpr size_t kMaxAttributes = 64;  // per tag; further ones are dropped

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

bool In(std::string_view tag, std::initializer_list<std::string_view> set) {
    return std::find(set.begin(), set.end(), tag) != set.end();
}

bool IsVoid(std::string_view t) {
    return In(t, {"br", "img", "hr", "meta", "link", "input", "area", "base", "col", "embed", "param", "source",
                  "track", "wbr", "basefont", "frame", "keygen"});
}

bool ClosesParagraph(std::string_view t) {
    return In(t, {"address", "article", "aside", "blockquote", "center", "details", "dir", "div", "dl", "fieldset",
                  "figcaption", "figure", "footer", "form", "h1", "h2", "h3", "h4", "h5", "h6", "header", "hr",
                  "listing", "main", "menu", "nav", "ol", "p", "pre", "section", "summary", "table", "ul", "li",
                  "dd", "dt", "xmp"});
}

bool IsHeading(std::string_view t) {
    return t.size() == 2 && t[0] == 'h' && t[1] >= '1' && t[1] <= '6';
}

class TreeBuilder {
public:
    Node root;
    std::string styleSheet;   // text of the page's <style> elements, lower-case

    TreeBuilder() { open_.push_back(&root); }

    void Text(std::wstring&& text) {
        if (text.empty()) return;
        Node* cur = open_.back();
        if (!cur->kids.empty() && cur->kids.back()->tag.empty()) {
            cur->kids.back()->text += text;
            return;
        }
        auto node = std::make_unique<Node>();
        node->text = std::move(text);
        cur->kids.push_back(std::move(node));
    }

    void Start(std::string tag, std::vector<std::pair<std::string, std::wstring>> attrs) {
        if (In(tag, {"html", "head", "body", "tbody", "thead", "tfoot", "colgroup", "col"})) {
            // Row groups add nothing to the rendering; rows hang off the table.
            if (In(tag, {"tbody", "thead", "tfoot"}) && FindInScope("table", {}) != npos) PopAbove("table");
            return;
        }
        if (ClosesParagraph(tag)) {
            size_t p = FindInScope("p", {"table", "td", "th", "caption", "button"});
            if (p != npos) PopTo(p);
        }
        if (IsHeading(tag) && IsHeading(open_.back()->tag)) Pop();
        if (tag == "li") CloseItem({"li"}, {"ul", "ol", "dir", "menu"});
        if (tag == "dt" || tag == "dd") CloseItem({"dt", "dd"}, {"dl"});
        if (tag == "a") {
            size_t a = FindInScope("a", {"table", "td", "th", "caption"});
            if (a != npos) PopTo(a);
        }
        if (tag == "tr" || tag == "td" || tag == "th" || tag == "caption") {
            if (FindInScope("table", {}) == npos) return;  // a cell outside any table: tag ignored
            if (tag == "tr" || tag == "caption") {
                PopAbove("table");
            } else {
                size_t tr = FindInScope("tr", {"table"});
                if (tr != npos) {
                    PopTo(tr + 1);
                } else {
                    PopAbove("table");
                    Push(std::make_unique<Node>(Node{"tr", {}, {}, {}}));
                }
            }
        }
        auto node = std::make_unique<Node>();
        node->tag = std::move(tag);
        node->attrs = std::move(attrs);
        if (IsVoid(node->tag)) {
            open_.back()->kids.push_back(std::move(node));
        } else if (open_.size() > kMaxDepth) {
            ++dropped_[node->tag];
        } else {
            Push(std::move(node));
        }
    }

    void End(const std::string& tag) {
        if (tag == "br") { Start("br", {}); return; }
        if (auto d = dropped_.find(tag); d != dropped_.end() && d->second > 0) { --d->second; return; }
        if (tag == "p" && FindInScope("p", {"table", "td", "th", "caption", "button"}) == npos) {
            Start("p", {});  // a stray </p> still breaks the paragraph
        }
        size_t at;
        if (tag == "table") at = FindInScope("table", {});
        else if (tag == "tr" || tag == "td" || tag == "th" || tag == "caption") at = FindInScope(tag, {"table"});
        else at = FindInScope(tag, {"table", "td", "th", "caption"});
        if (at != npos) PopTo(at);
    }

private:
    static constexpr size_t npos = size_t(-1);
    std::vector<Node*> open_;
    std::unordered_map<std::string, int> dropped_;

    void Push(std::unique_ptr<Node> node) {
        Node* raw = node.get();
        open_.back()->kids.push_back(std::move(node));
        open_.push_back(raw);
    }
    void Pop() {
        if (open_.size() > 1) open_.pop_back();
    }
    // Pops the element at `index` and everything above it.
    void PopTo(size_t index) {
        if (index >= 1) open_.resize(index);
    }
    // Pops everything above the nearest open `tag`.
    void PopAbove(std::string_view tag) {
        size_t at = FindInScope(tag, {});
        if (at != npos) open_.resize(at + 1);
    }
    size_t FindInScope(std::string_view tag, std::initializer_list<std::string_view> boundaries) const {
        for (size_t k = open_.size(); k-- > 1;) {
            if (open_[k]->tag == tag) return k;
            if (In(open_[k]->tag, boundaries)) return npos;
        }
        return npos;
    }
    void CloseItem(std::initializer_list<std::string_view> items, std::initializer_list<std::string_view> lists) {
        for (size_t k = open_.size(); k-- > 1;) {
            const std::string& t = open_[k]->tag;
            if (In(t, items)) { PopTo(k); return; }
            if (In(t, lists) || In(t, {"table", "td", "th", "blockquote", "div"})) return;
        }
    }
};

// Elements whose content is not markup: scripts and styles are dropped, and so
// is the title, which is not part of the page body.
bool IsSkippedRawText(std::string_view t) {
    return In(t, {"script", "style", "title", "noscript", "iframe", "noembed", "noframes", "template", "textarea"});
}

std::string AsciiLower(const std::wstring& w);

void Tokenize(const std::wstring& s, TreeBuilder& builder) {
    const size_t n = s.size();
    std::wstring text;
    size_t noQuote[2] = {n, n};
    auto flush = [&] {
        builder.Text(std::move(text));
        text.clear();
    };
    auto readName = [&](size_t& i) {
        std::string name;
        while (i < n && !IsSpace(s[i]) && s[i] != '/' && s[i] != '>') {
            if (name.size() < 64) name += s[i] < 0x80 ? ToLowerAscii(s[i]) : '?';
            ++i;
        }
        return name;
    };
    auto skipPast = [&](size_t from, wchar_t c) {
        size_t e = s.find(c, from);
        return e == std::wstring::npos ? n : e + 1;
    };
    size_t i = 0;
    while (i < n) {
        wchar_t c = s[i];
        if (c == '&') {
            i = DecodeEntity(s, i, text, false);
            continue;
        }
        if (c != '<' || i + 1 >= n) {
            if (c != 0) text += c;
            ++i;
            continue;
        }
        wchar_t d = s[i + 1];
        if (IsAlpha(d)) {
            flush();
            size_t j = i + 1;
            std::string tag = readName(j);
            std::vector<std::pair<std::string, std::wstring>> attrs;
            j = ReadAttributes(s.data(), n, j, noQuote, [&](size_t ns, size_t ne, size_t vs, size_t ve) {
                std::string name;
                for (size_t k = ns; k < ne && name.size() < 64; ++k) name += s[k] < 0x80 ? ToLowerAscii(s[k]) : '?';
                if (attrs.size() >= kMaxAttributes) return;
                for (auto& a : attrs)
                    if (a.first == name) return;
                attrs.emplace_back(std::move(name), DecodeEntities(s, vs, ve, true));
            });
            i = j;
            if (IsSkippedRawText(tag)) {
                // Content runs to the matching end tag, or to the end of the page.
                const size_t contentStart = i;
                size_t k = i, contentEnd = n;
                for (;;) {
                    k = s.find(L"</", k);
                    if (k == std::wstring::npos) { i = n; break; }
                    size_t m = k + 2;
                    std::string name = readName(m);
                    if (name == tag) { contentEnd = k; i = skipPast(m, '>'); break; }
                    k += 2;
                }
                // Style sheets are kept for the few rules the page view follows.
                if (tag == "style" && builder.styleSheet.size() < 65536)
                    builder.styleSheet += AsciiLower(s.substr(contentStart, std::min(contentEnd - contentStart, size_t(65536))));
                continue;
            }
            builder.Start(tag, std::move(attrs));
            if (tag == "pre" || tag == "listing") {
                // A newline right after the start tag is not content.
                if (i < n && s[i] == '\r') ++i;
                if (i < n && s[i] == '\n') ++i;
            }
        } else if (d == '/' && i + 2 < n && IsAlpha(s[i + 2])) {
            flush();
            size_t j = i + 2;
            std::string tag = readName(j);
            i = skipPast(j, '>');
            builder.End(tag);
        } else if (s.compare(i, 4, L"<!--") == 0) {
            flush();
            size_t e = s.find(L"-->", i + 2);
            i = e == std::wstring::npos ? n : e + 3;
        } else if (d == '!' || d == '?' || d == '/') {
            flush();  // doctype, processing instruction, "</ x>": skipped up to '>'
            i = skipPast(i + 2, '>');
        } else {
            text += c;
            ++i;
        }
    }
    flush();
}

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

// ---------------------------------------------------------------------------
// Pictures
// ---------------------------------------------------------------------------

// A picture as rich text: the hex digits of a device-independent bitmap that
// follow \pict\dibitmap0, and the bitmap's stored size.
struct EncodedPicture {
    int width = 0, height = 0;   // the picture's own size
    int storedWidth = 0;         // columns of the stored bitmap
    std::string hex;
};

constexpr uint32_t kWhite = 0xFFFFFF;

void Put16(std::vector<uint8_t>& v, uint32_t x) {
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
}
void Put32(std::vector<uint8_t>& v, uint32_t x) {
    Put16(v, x & 0xFFFF);
    Put16(v, x >> 16);
}

void PutInfoHeader(std::vector<uint8_t>& dib, int width, int height, int bits, uint32_t compression,
                   uint32_t imageSize, uint32_t colors) {
    Put32(dib, 40), Put32(dib, uint32_t(width)), Put32(dib, uint32_t(height)), Put32(dib, 1 | uint32_t(bits) << 16);
    Put32(dib, compression), Put32(dib, imageSize);
    Put32(dib, 3780), Put32(dib, 3780), Put32(dib, colors), Put32(dib, 0);   // 96 dpi
}

// One row of palette indexes in run-length form (8 bits per index): runs of
// equal indexes as count and index, other stretches of three or more as
// literal groups padded to an even length.
void EncodeRle8Row(const uint8_t* row, size_t w, std::vector<uint8_t>& out) {
    size_t x = 0;
    while (x < w) {
        size_t run = 1;
        while (x + run < w && run < 255 && row[x + run] == row[x]) ++run;
        if (run >= 2) {
            out.push_back(uint8_t(run));
            out.push_back(row[x]);
            x += run;
            continue;
        }
        size_t lit = 1;
        while (x + lit < w && lit < 255 && !(x + lit + 1 < w && row[x + lit] == row[x + lit + 1])) ++lit;
        if (lit < 3) {
            for (size_t k = 0; k < lit; ++k) {
                out.push_back(1);
                out.push_back(row[x + k]);
            }
        } else {
            out.push_back(0);
            out.push_back(uint8_t(lit));
            out.insert(out.end(), row + x, row + x + lit);
            if (lit & 1) out.push_back(0);
        }
        x += lit;
    }
}

// The leanest bitmap that the rich-edit controls of both Windows and Wine
// draw right. Wine's control reads the pixels of a \dibitmap 4 bytes past
// where they start (it counts one colour-table entry too many), so:
// - a picture of at most 256 colours (diagrams, drawings, text) is stored
//   with a palette and run-length coded; the 4 bytes before the runs are a
//   move by (0, 0), which does nothing where it is read and is skipped where
//   it is not;
// - any other picture is stored with 32 bits per pixel, every row beginning
//   with one white pixel, and 4 white bytes closing the data: Windows shows
//   a white column left of the picture, Wine one right of it, and both show
//   the picture itself unshifted.
// Transparent pixels are composed over white. Time and memory are linear in
// the number of pixels.
EncodedPicture EncodePicture(const html::Picture& pic) {
    const int w = pic.width, h = pic.height;
    const size_t n = size_t(w) * size_t(h);
    std::vector<uint32_t> rgb(n);
    for (size_t k = 0; k < n; ++k) {
        const uint8_t* p = &pic.bgra[k * 4];
        const unsigned a = p[3];
        uint32_t c = 0;
        for (int ch = 0; ch < 3; ++ch) c |= uint32_t((p[ch] * a + 255 * (255 - a) + 127) / 255) << (8 * ch);
        rgb[k] = c;   // 0x00RRGGBB, as the bitmap stores it (blue first)
    }

    std::vector<uint8_t> dib;
    EncodedPicture out;
    out.width = w;
    out.height = h;
    std::unordered_map<uint32_t, uint8_t> index;
    std::vector<uint32_t> palette;
    bool fewColours = true;
    for (size_t k = 0; k < n && fewColours; ++k) {
        if (index.count(rgb[k])) continue;
        if (palette.size() == 256) fewColours = false;
        else index.emplace(rgb[k], uint8_t(palette.size())), palette.push_back(rgb[k]);
    }
    if (fewColours) {
        std::vector<uint8_t> runs{0, 2, 0, 0};   // the move by (0, 0)
        std::vector<uint8_t> row(static_cast<size_t>(w));
        uint32_t lastColour = rgb[0];
        uint8_t lastIndex = index[lastColour];
        for (int y = h; y-- > 0;) {   // bottom-up
            for (int x = 0; x < w; ++x) {
                const uint32_t c = rgb[size_t(y) * size_t(w) + size_t(x)];
                if (c != lastColour) lastColour = c, lastIndex = index[c];   // drawings run in long stretches
                row[size_t(x)] = lastIndex;
            }
            EncodeRle8Row(row.data(), size_t(w), runs);
            runs.push_back(0);
            runs.push_back(y ? 0 : 1);   // end of line; end of bitmap after the last
        }
        PutInfoHeader(dib, w, h, 8, 1 /* BI_RLE8 */, uint32_t(runs.size()), uint32_t(palette.size()));
        for (uint32_t c : palette) Put32(dib, c);
        dib.insert(dib.end(), runs.begin(), runs.end());
        Put32(dib, 0);   // read by Wine in place of the 4 bytes it skipped
        out.storedWidth = w;
    } else {
        const int stored = w + 1;
        PutInfoHeader(dib, stored, h, 32, 0 /* BI_RGB */, uint32_t(stored) * uint32_t(h) * 4, 0);
        dib.reserve(dib.size() + size_t(stored) * size_t(h) * 4 + 4);
        for (int y = h; y-- > 0;) {
            Put32(dib, kWhite);
            for (int x = 0; x < w; ++x) Put32(dib, rgb[size_t(y) * size_t(w) + size_t(x)]);
        }
        Put32(dib, kWhite);
        out.storedWidth = stored;
    }

    static const char digits[] = "0123456789abcdef";
    out.hex.resize(dib.size() * 2 + dib.size() / 64 + 1);
    char* q = out.hex.data();
    for (size_t k = 0; k < dib.size(); ++k) {
        *q++ = digits[dib[k] >> 4];
        *q++ = digits[dib[k] & 15];
        if (k % 64 == 63) *q++ = '\n';
    }
    out.hex.resize(size_t(q - out.hex.data()));
    return out;
}

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
std::pair<int, int> GoalSize(int attrW, int attrH, int w, int h, int64_t avail) {
    int gwPx = attrW, ghPx = attrH;
    if (gwPx <= 0 && ghPx <= 0) { gwPx = w; ghPx = h; }
    else if (gwPx <= 0) gwPx = int(int64_t(ghPx) * w / h);
    else if (ghPx <= 0) ghPx = int(int64_t(gwPx) * h / w);
    int64_t gw = int64_t(std::max(1, gwPx)) * kTwipsPerPixel, gh = int64_t(std::max(1, ghPx)) * kTwipsPerPixel;
    if (gw > avail) {
        gh = std::max<int64_t>(1, gh * avail / gw);
        gw = avail;
    }
    gh = std::min<int64_t>(gh, 31680);  // 22 inches
    return {int(gw), int(gh)};
}

// The control words that open a picture encoded by EncodePicture, shown
// goalW x goalH twips; its digits and a closing brace follow.
std::string PictHead(const EncodedPicture& pic, int goalW, int goalH) {
    // The stored bitmap may be wider than the picture (see EncodePicture);
    // the goal width covers the stored one, so the picture keeps its size.
    const int64_t fullGoalW = int64_t(goalW) * pic.storedWidth / pic.width;
    return "{\\pict\\dibitmap0\\picw" + std::to_string(pic.storedWidth) + "\\pich" + std::to_string(pic.height) +
           "\\picwgoal" + std::to_string(fullGoalW) + "\\pichgoal" + std::to_string(goalH) + "\n";
}

// Calls the loader for src and encodes what it gives; null when the picture
// cannot be had or is implausibly large.
std::unique_ptr<EncodedPicture> LoadAndEncode(const PictureLoader& loader, const std::string& src) {
    Picture pic;
    bool ok = false;
    if (loader) {
        try {
            ok = loader(src, pic);
        } catch (...) {
            ok = false;
        }
    }
    ok = ok && pic.width > 0 && pic.height > 0 && pic.width <= 8192 && pic.height <= 8192 &&
         size_t(pic.width) * size_t(pic.height) <= size_t(16) << 20 &&
         pic.bgra.size() >= size_t(pic.width) * size_t(pic.height) * 4;
    if (!ok) return nullptr;
    return std::make_unique<EncodedPicture>(EncodePicture(pic));
}

// Past a budget of picture text per page the alt text stands in, so a page
// cannot make the rich text grow without bound.
constexpr size_t kMaxPictureText = size_t(256) << 20;

// The text shown instead of a picture: its alt text, else its file name.
std::wstring AltText(const std::wstring* alt, const std::wstring* src) {
    std::wstring t = alt ? *alt : std::wstring();
    if (t.find_first_not_of(L" \t\r\n") == std::wstring::npos && src) {
        size_t slash = src->find_last_of(L"/\\");
        t = slash == std::wstring::npos ? *src : src->substr(slash + 1);
    }
    if (t.find_first_not_of(L" \t\r\n") == std::wstring::npos) return {};
    return L"[" + t + L"]";
}

class RtfWriter {
public:
    std::string body;
    // Where pictures go when they are kept apart from the text (see ToRtfSplit).
    std::vector<std::string>* apart_ = nullptr;

    int ColorIndex(uint32_t rgb) {
        auto [it, added] = colorIndex_.try_emplace(rgb, int(colors_.size()) + 1);
        if (added) colors_.push_back(rgb);
        return it->second;
    }

    // body with the pictures' digits in their places, after head.
    std::string Assemble(const std::string& head, const char* tail) const {
        size_t total = head.size() + body.size() + std::strlen(tail);
        for (auto& p : pictures_) total += p.second->size();
        std::string doc;
        doc.reserve(total);
        doc += head;
        size_t from = 0;
        for (auto& [at, hex] : pictures_) {
            doc.append(body, from, at - from);
            doc += *hex;
            from = at;
        }
        doc.append(body, from, std::string::npos);
        doc += tail;
        return doc;
    }

    std::string ColorTable() const {
        std::string t = "{\\colortbl ;";
        for (uint32_t c : colors_)
            t += "\\red" + std::to_string((c >> 16) & 255) + "\\green" + std::to_string((c >> 8) & 255) + "\\blue" +
                 std::to_string(c & 255) + ";";
        return t + "}";
    }

    // A block boundary: ends the current paragraph; the next one gets at least
    // `gap` twips of space before it (margins collapse as in a browser).
    void Break(const BlockFormat& bf, int gap) {
        if (bf.inlineOnly) {
            pendingSpace_ = canSpace_;
            return;
        }
        EndParagraph();
        spaceBefore_ = std::max(spaceBefore_, gap);
    }

    // <br> or a newline in preformatted text.
    void LineBreak(const BlockFormat& bf) {
        if (bf.inlineOnly) {
            pendingSpace_ = canSpace_;
            return;
        }
        if (!paraOpen_) StartParagraph(bf);
        EndParagraph();
    }

    void Text(std::wstring_view text, const CharFormat& cf, const BlockFormat& bf) {
        for (size_t k = 0; k < text.size(); ++k) {
            wchar_t c = text[k];
            if (bf.pre && !bf.inlineOnly) {
                if (c == '\r') {
                    if (k + 1 < text.size() && text[k + 1] == '\n') continue;
                    c = '\n';
                }
                if (c == '\n') { LineBreak(bf); continue; }
                if (c == '\t') { Tab(cf, bf); continue; }
                if (c == ' ') { Put(' ', cf, bf); continue; }
            } else if (IsSpace(c)) {
                pendingSpace_ = canSpace_;
                continue;
            }
            if (c < 0x20) continue;
            Put(c, cf, bf);
        }
    }

    void Tab(const CharFormat& cf, const BlockFormat& bf) {
        if (!paraOpen_) StartParagraph(bf);
        pendingSpace_ = false;
        EnsureRun(cf);
        body += "\\tab ";
        canSpace_ = false;
    }

    void SetMarker(std::wstring marker, const CharFormat& cf, const BlockFormat& bf) {
        FlushMarker(bf);
        marker_ = std::move(marker);
        markerFormat_ = cf;
    }

    // An item whose content never started a paragraph still shows its marker.
    void FlushMarker(const BlockFormat& bf) {
        if (marker_.empty()) return;
        StartParagraph(bf);
        EndParagraph();
    }

    // Places a picture encoded by EncodePicture, shown goalW x goalH twips.
    void Picture(const EncodedPicture& pic, int goalW, int goalH, const BlockFormat& bf) {
        BeginPicture(bf);
        std::string head = PictHead(pic, goalW, goalH);
        if (apart_) {
            StandIn();
            apart_->push_back("{\\rtf1\\ansi" + head + pic.hex + "}}");
        } else {
            body += head;
            // The picture's digits join the text only when the document is put
            // together, so the large digits are copied once.
            pictures_.push_back({body.size(), &pic.hex});
            body += "}";
        }
        canSpace_ = true;
    }

    // The place of a picture put in later: a stand-in character.
    void LaterPicture(const BlockFormat& bf) {
        BeginPicture(bf);
        StandIn();
        canSpace_ = true;
    }

    // A horizontal rule: an empty paragraph with a bottom border.
    void Rule(const BlockFormat& bf) {
        if (bf.inlineOnly) {
            pendingSpace_ = canSpace_;
            return;
        }
        EndParagraph();
        FinishPendingPar();
        body += "\\pard";
        if (bf.inCell) body += "\\intbl";
        body += "\\li" + std::to_string(bf.left) + "\\ri" + std::to_string(bf.right) + "\\sb" +
                std::to_string(std::max(spaceBefore_, 80)) + "\\brdrb\\brdrs\\brdrw15\\brsp20\\brdrcf" +
                std::to_string(ColorIndex(kRuleColor)) + "{\\fs8 }";
        spaceBefore_ = 80;
        parPending_ = true;
        atTop_ = false;
    }

    // Writes a paragraph mark still owed by the previous paragraph.
    void FinishPendingPar() {
        if (parPending_) body += "\\par\n";
        parPending_ = false;
    }

    // A table row. Every cell gets borders of at least one pixel on all four
    // sides: a one-pixel line is what Wine's control needs to draw a
    // horizontal border at all, and to keep a row as tall as its text. Cells
    // of a table without borders get them in the page's colour, so they do
    // not show.
    void BeginRow(const std::vector<int>& rights, int left, bool borders, uint32_t color, int twips, bool first) {
        EndParagraph();
        FinishPendingPar();
        // Wine's control lays a table out with the space before of the
        // paragraph in front of it, which pulls the rows apart and loses their
        // horizontal lines; an empty paragraph of one point comes between.
        if (first && !atTop_) body += "\\pard{\\fs2\\par}\n";
        body += "\\pard\\trowd\\trgaph108\\trleft" + std::to_string(left - 108);
        const std::string line = "\\brdrs\\brdrw" + std::to_string(std::clamp(twips, 15, 75)) + "\\brdrcf" +
                                 std::to_string(ColorIndex(borders ? color : kWhite));
        if (borders)
            for (const char* side : {"t", "l", "b", "r", "h", "v"}) body += std::string("\\trbrdr") + side + line;
        for (int r : rights) {
            for (const char* side : {"t", "l", "b", "r"}) body += std::string("\\clbrdr") + side + line;
            body += "\\cellx" + std::to_string(r);
        }
        body += "\n";
    }

    void BeginCell() {
        atTop_ = true;
        spaceBefore_ = 0;
    }

    void EndCell(const BlockFormat& bf) {
        FlushMarker(bf);
        if (paraOpen_) {
            CloseRun();
            paraOpen_ = false;
        } else if (!parPending_) {
            body += "\\pard\\intbl";
        }
        parPending_ = false;
        pendingSpace_ = false;
        body += "\\cell\n";
    }

    void EndRow() {
        body += "\\row\n";
        spaceBefore_ = 0;
    }

    void Finish() {
        EndParagraph();
        CloseRun();
    }

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

    void EndParagraph() {
        if (!paraOpen_) return;
        CloseRun();
        paraOpen_ = false;
        parPending_ = true;
        pendingSpace_ = false;
        canSpace_ = false;
    }

    void StartParagraph(const BlockFormat& bf) {
        FinishPendingPar();
        body += "\\pard";
        if (bf.inCell) body += "\\intbl";
        int first = 0;
        if (!marker_.empty()) first = -kMarkerWidth;
        if (bf.left) body += "\\li" + std::to_string(bf.left);
        if (bf.right) body += "\\ri" + std::to_string(bf.right);
        if (first) body += "\\fi" + std::to_string(first);
        if (!atTop_ && spaceBefore_) body += "\\sb" + std::to_string(spaceBefore_);
        switch (bf.align) {
        case Align::Center: body += "\\qc"; break;
        case Align::Right: body += "\\qr"; break;
        case Align::Justify: body += "\\qj"; break;
        default: break;
        }
        if (!marker_.empty()) body += "\\tx" + std::to_string(bf.left);
        for (int t : bf.tabs) body += "\\tx" + std::to_string(t);
        body += ' ';
        paraOpen_ = true;
        atTop_ = false;
        spaceBefore_ = 0;
        pendingSpace_ = false;
        canSpace_ = false;
        if (!marker_.empty()) {
            std::wstring m = std::move(marker_);
            marker_.clear();
            for (wchar_t c : m) PutRaw(c, markerFormat_);
            body += "\\tab ";
        }
    }

    void EnsureRun(const CharFormat& cf) {
        if (run_ && *run_ == cf) return;
        CloseRun();
        body += cf.mono ? "{\\f1" : "{\\f0";
        body += "\\fs" + std::to_string(cf.halfPoints);
        if (cf.bold) body += "\\b";
        if (cf.italic) body += "\\i";
        if (cf.underline) body += "\\ul";
        if (cf.strike) body += "\\strike";
        if (cf.sup) body += "\\super";
        else if (cf.sub) body += "\\sub";
        if (cf.color != 0xFFFFFFFF) body += "\\cf" + std::to_string(ColorIndex(cf.color));
        body += ' ';
        run_ = cf;
    }

    void CloseRun() {
        if (run_) body += '}';
        run_.reset();
    }

    void Put(wchar_t c, const CharFormat& cf, const BlockFormat& bf) {
        if (!paraOpen_) StartParagraph(bf);
        if (pendingSpace_) {
            pendingSpace_ = false;
            PutRaw(' ', run_ ? *run_ : cf);  // the space belongs to the text before it
        }
        PutRaw(c, cf);
        canSpace_ = true;
    }

    void BeginPicture(const BlockFormat& bf) {
        if (!paraOpen_) StartParagraph(bf);
        if (pendingSpace_) {
            pendingSpace_ = false;
            PutRaw(' ', run_ ? *run_ : CharFormat{});
        }
        CloseRun();
    }

    // A stand-in character, tiny and in the page's colour.
    void StandIn() { body += "{\\fs2\\cf" + std::to_string(ColorIndex(kWhite)) + " \\u-8192?}"; }

    void PutRaw(wchar_t c, const CharFormat& cf) {
        EnsureRun(cf);
        char32_t cp = char32_t(c);
        if (sizeof(wchar_t) == 4 && cp >= 0x10000) {
            cp -= 0x10000;
            PutUnit(0xD800 + (cp >> 10));
            PutUnit(0xDC00 + (cp & 0x3FF));
            return;
        }
        PutUnit(cp);
    }

    void PutUnit(char32_t c) {
        if (c == '\\' || c == '{' || c == '}') {
            body += '\\';
            body += char(c);
        } else if (c >= 0x20 && c < 0x7F) {
            body += char(c);
        } else if (c == 0xA0) {
            body += "\\~";
        } else if (c >= 0x80 && c <= 0xFFFF) {
            body += "\\u" + std::to_string(int16_t(uint16_t(c))) + "?";
        }
    }
};

// ---------------------------------------------------------------------------
// Tree to RTF
// ---------------------------------------------------------------------------

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

std::string AsciiLower(const std::wstring& w) {
    std::string s;
    for (wchar_t c : w) s += c < 0x80 ? ToLowerAscii(c) : '?';
    return s;
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

std::wstring DecodeText(std::string_view bytes) {
    std::wstring out;
    auto u = reinterpret_cast<const uint8_t*>(bytes.data());
    const size_t n = bytes.size();
    Charset cs;
    size_t start = 0;
    if (n >= 3 && u[0] == 0xEF && u[1] == 0xBB && u[2] == 0xBF) { cs = Charset::Utf8; start = 3; }
    else if (n >= 2 && u[0] == 0xFF && u[1] == 0xFE) { cs = Charset::Utf16LE; start = 2; }
    else if (n >= 2 && u[0] == 0xFE && u[1] == 0xFF) { cs = Charset::Utf16BE; start = 2; }
    else if (!DetectFromMeta(bytes, cs)) cs = LooksLikeUtf8(bytes) ? Charset::Utf8 : Charset::Cp1251;

    out.reserve(n - start);
    if (cs == Charset::Utf8) {
        const uint8_t* p = u + start;
        const uint8_t* end = u + n;
        while (p < end) {
            char32_t cp;
            size_t len = Utf8Sequence(p, end, cp);
            if (len == 0) { cp = 0xFFFD; len = 1; }
            AppendCodePoint(out, cp);
            p += len;
        }
    } else if (cs == Charset::Utf16LE || cs == Charset::Utf16BE) {
        const bool le = cs == Charset::Utf16LE;
        for (size_t k = start; k + 1 < n; k += 2) {
            char32_t unit = le ? (u[k] | u[k + 1] << 8) : (u[k] << 8 | u[k + 1]);
            if (unit >= 0xD800 && unit < 0xDC00 && k + 3 < n) {
                char32_t low = le ? (u[k + 2] | u[k + 3] << 8) : (u[k + 2] << 8 | u[k + 3]);
                if (low >= 0xDC00 && low < 0xE000) {
                    AppendCodePoint(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                    k += 2;
                    continue;
                }
            }
            AppendCodePoint(out, unit);  // a lone surrogate becomes U+FFFD
        }
        if ((n - start) % 2) out += wchar_t(0xFFFD);
    } else {
        for (size_t k = start; k < n; ++k) out += wchar_t(SingleByte(cs, u[k]));
    }
    return out;
}

namespace {
std::string Convert(std::string_view htmlBytes, const PictureLoader& loadPicture, std::vector<std::string>* apart,
                    DeferredRtf* later = nullptr, const PictureProbe* probe = nullptr) {
    TreeBuilder builder;
    Tokenize(DecodeText(htmlBytes), builder);
    RtfWriter out;
    out.apart_ = apart;
    Renderer renderer(out, loadPicture, builder.styleSheet, later, probe);
    renderer.Children(builder.root, CharFormat{}, BlockFormat{});
    out.Finish();
    std::string head =
        "{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1049\\uc1"
        "{\\fonttbl{\\f0\\froman\\fprq2\\fcharset204 Times New Roman;}{\\f1\\fmodern\\fprq1\\fcharset204 Courier New;}}\n";
    head += out.ColorTable();
    head += "\n\\viewkind4\\pard\\plain\\f0\\fs24\n";
    return out.Assemble(head, "}\n");
}
}  // namespace

std::string ToRtf(std::string_view htmlBytes, const PictureLoader& loadPicture) {
    return Convert(htmlBytes, loadPicture, nullptr);
}

SplitRtf ToRtfSplit(std::string_view htmlBytes, const PictureLoader& loadPicture) {
    SplitRtf page;
    page.text = Convert(htmlBytes, loadPicture, &page.pictures);
    return page;
}

DeferredRtf ToRtfDeferred(std::string_view htmlBytes, const PictureProbe& exists) {
    DeferredRtf page;
    page.text = Convert(htmlBytes, {}, nullptr, &page, &exists);
    return page;
}

struct PagePictures::Impl {
    const DeferredRtf* page;
    PictureLoader loader;
    std::vector<std::unique_ptr<EncodedPicture>> encoded;
    std::vector<bool> tried;
    size_t pictureText = 0;
};

PagePictures::PagePictures(const DeferredRtf& page, PictureLoader loader) : impl_(std::make_unique<Impl>()) {
    impl_->page = &page;
    impl_->loader = std::move(loader);
    impl_->encoded.resize(page.sources.size());
    impl_->tried.resize(page.sources.size());
}

PagePictures::~PagePictures() = default;

std::string PagePictures::PlaceRtf(size_t i, bool* isPicture) {
    if (isPicture) *isPicture = false;
    const auto& places = impl_->page->places;
    if (i >= places.size()) return {};
    const LaterPicture& place = places[i];
    const EncodedPicture* pic = nullptr;
    if (place.source < impl_->encoded.size()) {
        if (!impl_->tried[place.source]) {
            impl_->tried[place.source] = true;
            impl_->encoded[place.source] = LoadAndEncode(impl_->loader, impl_->page->sources[place.source]);
        }
        pic = impl_->encoded[place.source].get();
    }
    if (pic && impl_->pictureText + pic->hex.size() > kMaxPictureText) pic = nullptr;
    if (!pic) {
        // The alt text, in the page's plain text format.
        std::string rtf = "{\\rtf1\\ansi\\uc1\\deff0{\\fonttbl{\\f0\\froman\\fprq2\\fcharset204 Times New Roman;}}\\f0\\fs24 ";
        std::wstring alt = DecodeText(place.alt);
        for (wchar_t c : alt) {
            if (c == L'\\' || c == L'{' || c == L'}') rtf += '\\', rtf += char(c);
            else if (c >= 0x20 && c < 0x7F) rtf += char(c);
            else if (c >= 0x80) {
                uint32_t cp = uint32_t(c);
                auto unit = [&rtf](uint32_t u) { rtf += "\\u" + std::to_string(int16_t(uint16_t(u))) + "?"; };
                if (cp > 0xFFFF) {
                    cp -= 0x10000;
                    unit(0xD800 + (cp >> 10));
                    unit(0xDC00 + (cp & 0x3FF));
                } else {
                    unit(cp);
                }
            }
        }
        return rtf + "}";
    }
    impl_->pictureText += pic->hex.size();
    auto [gw, gh] = GoalSize(place.width, place.height, pic->width, pic->height, place.available);
    if (isPicture) *isPicture = true;
    return "{\\rtf1\\ansi" + PictHead(*pic, gw, gh) + pic->hex + "}}";
}

}  // namespace html
