#include "skin/graphics/TextUtils.h"

namespace {
wchar_t Upper(wchar_t c)
{
    if (c >= L'a' && c <= L'z') return wchar_t(c - 32);
    if (c >= 0x430 && c <= 0x44F) return wchar_t(c - 0x20);   // Cyrillic а..я
    if (c == 0x451) return 0x401;                              // ё
    return c;
}

bool SameText(const String& a, const String& b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i])) return false;
    return true;
}

int HexDigit(wchar_t c)
{
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

bool ParseHex(const String& digits, int32_t& value)
{
    if (digits.empty() || digits.size() > 8) return false;
    uint32_t v = 0;
    for (wchar_t c : digits) {
        int d = HexDigit(c);
        if (d < 0) return false;
        v = (v << 4) | uint32_t(d);
    }
    value = int32_t(v);
    return true;
}

bool ParseDecimal(const String& text, int32_t& value)
{
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
    if (i == text.size()) return false;
    int64_t v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < L'0' || text[i] > L'9') return false;
        v = v * 10 + (text[i] - L'0');
        if (v > int64_t(INT32_MAX) + 1) return false;
    }
    if (negative) v = -v;
    if (v > INT32_MAX || v < INT32_MIN) return false;
    value = int32_t(v);
    return true;
}
}  // namespace

TCharSet MakeCharSet(const String& characters)
{
    TCharSet set;
    for (wchar_t c : characters)
        if (unsigned(c) < 256) set.set(unsigned(c));
    return set;
}

void SplitIniSections(const std::vector<String>& lines, TIniSections& sections)
{
    sections.clear();
    TIniSection* current = nullptr;
    for (const String& line : lines) {
        if (line.empty() || line[0] == L';') continue;
        if (line.size() >= 2 && line.front() == L'[' && line.back() == L']') {
            sections.push_back(TIniSection{line.substr(1, line.size() - 2), {}});
            current = &sections.back();
            continue;
        }
        if (current) current->Lines.push_back(line);
    }
}

String GetIniValue(const TIniSections& sections, const String& section, const String& key, const String& def)
{
    for (const TIniSection& s : sections) {
        if (!SameText(s.Name, section)) continue;
        for (const String& line : s.Lines) {
            size_t eq = line.find(L'=');
            if (eq == String::npos) continue;
            if (SameText(line.substr(0, eq), key)) return line.substr(eq + 1);
        }
        return def;
    }
    return def;
}

bool ParseIniInteger(const String& raw, int32_t& value)
{
    size_t b = raw.find_first_not_of(L" \t");
    if (b == String::npos) return false;
    String text = raw.substr(b, raw.find_last_not_of(L" \t") - b + 1);
    if (text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X')) return ParseHex(text.substr(2), value);
    if (text[0] == L'$') return ParseHex(text.substr(1), value);
    if (text.size() > 1 && text[0] == L'-' && text[1] == L'$') {
        int32_t v;
        if (!ParseHex(text.substr(2), v)) return false;
        value = int32_t(0u - uint32_t(v));
        return true;
    }
    return ParseDecimal(text, value);
}

int32_t GetIniInteger(const TIniSections& sections, const String& section, const String& key, int32_t def)
{
    const String missing(1, wchar_t(0));   // cannot be the text of a line's value
    String text = GetIniValue(sections, section, key, missing);
    if (text == missing) return def;
    int32_t v;
    return ParseIniInteger(text, v) ? v : def;
}

int NthWordPosition(int n, const String& text, const TCharSet& separators)
{
    int count = 0;
    size_t i = 0;
    const size_t len = text.size();
    while (i < len && count != n) {
        while (i < len && InCharSet(separators, text[i])) ++i;
        if (i < len) {
            ++count;
            if (count == n) return int(i) + 1;
        }
        while (i < len && !InCharSet(separators, text[i])) ++i;
    }
    return 0;
}

String ExtractNthWord(int n, const String& text, const TCharSet& separators)
{
    int pos = NthWordPosition(n, text, separators);
    if (pos == 0) return String();
    size_t start = size_t(pos - 1), end = start;
    while (end < text.size() && !InCharSet(separators, text[end])) ++end;
    return text.substr(start, end - start);
}

int CountWords(const String& text, const TCharSet& separators)
{
    int count = 0;
    size_t i = 0;
    const size_t len = text.size();
    while (i < len) {
        while (i < len && InCharSet(separators, text[i])) ++i;
        if (i < len) ++count;
        while (i < len && !InCharSet(separators, text[i])) ++i;
    }
    return count;
}

String RemoveChar(const String& text, wchar_t c)
{
    String out;
    out.reserve(text.size());
    for (wchar_t ch : text)
        if (ch != c) out += ch;
    return out;
}

String ReplaceAll(const String& text, const String& search, const String& replacement)
{
    if (search.empty()) return text;
    String out;
    size_t pos = 0;
    for (;;) {
        size_t hit = text.find(search, pos);
        if (hit == String::npos) break;
        out.append(text, pos, hit - pos);
        out += replacement;
        pos = hit + search.size();
    }
    out.append(text, pos, String::npos);
    return out;
}

String AddTrailingBackslash(const String& path)
{
    if (path.empty()) return path;
    if (path.back() == L'\\') return path;
    if (path.back() == L'/') return path.substr(0, path.size() - 1) + L"\\";
    if (path.size() == 1) return path + L":\\";
    return path + L"\\";
}
