// Page bytes to text: the charset from a byte order mark or a <meta> tag,
// our own code page tables, and character references.
#include "classlib/HtmlInternal.h"

namespace html::detail {

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

}  // namespace

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

}  // namespace html::detail

namespace html {

using namespace detail;

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

}  // namespace html
