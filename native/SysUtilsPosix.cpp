// The platform part of the system utilities for native (Linux) builds, which
// carry the format and logic code to the sanitizers, the fuzzers and the
// benchmarks. Only what that code uses is here. The ANSI code page is fixed at
// windows-1251, the code page of the shipped content, and the locale is the
// Russian one, so native runs give the results the program gives under its
// usual Russian Windows set-up.
//
// String is std::wstring: wchar_t has 32 bits here, so a String holds whole
// code points; surrogate pairs that arrive anyway are joined on output.
#include <cwctype>

#include "classlib/SysUtils.h"

namespace {

// 0x80..0xBF of windows-1251; 0xC0..0xFF are U+0410..U+044F in order. 0x98 is
// unassigned and maps to U+0098 both ways, as the system conversion does.
const char16_t kCp1251High[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

wchar_t Cp1251ToWide(unsigned char b)
{
    if (b < 0x80) return wchar_t(b);
    if (b >= 0xC0) return wchar_t(0x0410 + (b - 0xC0));
    return wchar_t(kCp1251High[b - 0x80]);
}

// '?' for what the code page cannot hold, as the system conversion does.
char WideToCp1251(uint32_t c)
{
    if (c < 0x80) return char(c);
    if (c >= 0x0410 && c <= 0x044F) return char(0xC0 + (c - 0x0410));
    for (int i = 0; i < 64; ++i)
        if (kCp1251High[i] == c) return char(0x80 + i);
    return '?';
}

void AppendCodePoint(String& out, uint32_t c)
{
    if (c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) c = 0xFFFD;
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

}  // namespace

String AnsiToString(std::string_view bytes)
{
    String out;
    out.reserve(bytes.size());
    for (char b : bytes) out += Cp1251ToWide(static_cast<unsigned char>(b));
    return out;
}

std::string StringToAnsi(const String& text)
{
    std::string out;
    out.reserve(text.size());
    for (wchar_t ch : text) {
        uint32_t c = uint32_t(ch);
        // The system conversion works on UTF-16 units: a character outside the
        // basic plane is a surrogate pair there and gives two question marks.
        if (c >= 0x10000) out += '?';
        out += WideToCp1251(c);
    }
    return out;
}

// Ill-formed sequences (overlong, surrogates, out of range, truncated) become
// one U+FFFD for each byte that cannot start or continue a sequence.
String Utf8ToString(std::string_view bytes)
{
    String out;
    out.reserve(bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    size_t n = bytes.size(), i = 0;
    while (i < n) {
        unsigned char b = p[i];
        size_t len = 0;
        uint32_t c = 0, min = 0;
        if (b < 0x80) { out += wchar_t(b); ++i; continue; }
        if (b >= 0xC2 && b <= 0xDF) { len = 2; c = b & 0x1F; min = 0x80; }
        else if (b >= 0xE0 && b <= 0xEF) { len = 3; c = b & 0x0F; min = 0x800; }
        else if (b >= 0xF0 && b <= 0xF4) { len = 4; c = b & 0x07; min = 0x10000; }
        size_t k = 1;
        if (len != 0) {
            while (k < len && i + k < n && (p[i + k] & 0xC0) == 0x80) {
                c = (c << 6) | (p[i + k] & 0x3F);
                ++k;
            }
        }
        if (len == 0 || k < len || c < min || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) {
            out += wchar_t(0xFFFD);
            i += len == 0 ? 1 : k;
            continue;
        }
        AppendCodePoint(out, c);
        i += len;
    }
    return out;
}

std::string StringToUtf8(const String& text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = uint32_t(text[i]);
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && uint32_t(text[i + 1]) >= 0xDC00 &&
            uint32_t(text[i + 1]) < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (uint32_t(text[++i]) - 0xDC00);
        if ((c >= 0xD800 && c < 0xE000) || c > 0x10FFFF) c = 0xFFFD;
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

wchar_t DecimalSeparator() { return L','; }

String FloatToStr(long double value) { return FloatToStr(value, DecimalSeparator()); }

// The simple upper-case mapping of the Russian locale: Latin, Latin-1 and
// Cyrillic letters directly, anything else through the C library's table.
String UpperCase(const String& s)
{
    String r = s;
    for (auto& ch : r) {
        uint32_t c = uint32_t(ch);
        if (c >= 'a' && c <= 'z') c -= 32;
        else if (c >= 0xE0 && c <= 0xFE && c != 0xF7) c -= 32;
        else if (c == 0xFF) c = 0x178;
        else if (c >= 0x430 && c <= 0x44F) c -= 32;
        else if (c >= 0x450 && c <= 0x45F) c -= 80;
        else if (c == 0x491) c = 0x490;
        else if (c >= 0x80) c = uint32_t(std::towupper(wint_t(c)));
        ch = wchar_t(c);
    }
    return r;
}
