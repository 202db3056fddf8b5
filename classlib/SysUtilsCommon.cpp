// The part of the system utilities that needs no platform: error texts,
// numbers, trimming, file name parts and line splitting. It builds natively
// too; the code-page, locale and file functions live in SysUtils.cpp (Win32)
// and native/SysUtilsPosix.cpp.
#include <cmath>
#include <cstdio>

#include "classlib/SysUtils.h"

String FileOpenErrorText(const String& fileName)
{
    return L"Не удается открыть файл \"" + fileName + L"\"";
}

String FileCreateErrorText(const String& fileName)
{
    return L"Не удается создать файл \"" + fileName + L"\"";
}

String ReadErrorText() { return L"Ошибка чтения потока"; }

String WriteErrorText() { return L"Ошибка записи потока"; }

String IntToStr(long long value) { return std::to_wstring(value); }

String FloatToStr(long double value, wchar_t decimalSeparator)
{
    if (std::isnan(value)) return L"NAN";
    if (std::isinf(value)) return value < 0 ? L"-INF" : L"INF";
    // Round the extended value to 15 significant digits, then print it plainly
    // when the exponent allows, else in scientific form, as the general format does.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14Le", value);
    std::string s = buf;
    size_t e = s.find('e');
    std::string mant = s.substr(0, e);
    int exp = std::stoi(s.substr(e + 1));
    bool neg = mant[0] == '-';
    if (neg) mant.erase(0, 1);
    std::string digits;
    for (char c : mant)
        if (c != '.') digits += c;
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    if (digits == "0") return L"0";
    std::string out;
    if (exp >= 15 || exp < -4) {
        // Scientific form of the general format: no plus sign, no leading zeros (1E-5, 1,5E20).
        out = digits.substr(0, 1);
        if (digits.size() > 1) out += '.' + digits.substr(1);
        out += 'E' + std::to_string(exp);
    } else if (exp < 0) {
        out = "0." + std::string(size_t(-exp - 1), '0') + digits;
    } else {
        if (digits.size() <= size_t(exp) + 1) {
            out = digits + std::string(size_t(exp) + 1 - digits.size(), '0');
        } else {
            out = digits.substr(0, size_t(exp) + 1) + '.' + digits.substr(size_t(exp) + 1);
        }
    }
    if (neg) out.insert(out.begin(), '-');
    String w(out.begin(), out.end());
    for (auto& c : w)
        if (c == L'.') c = decimalSeparator;
    return w;
}

String Trim(const String& s)
{
    size_t b = 0, e = s.size();
    while (b < e && s[b] <= L' ') ++b;
    while (e > b && s[e - 1] <= L' ') --e;
    return s.substr(b, e - b);
}

bool StartsWith(const String& s, const String& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

String ExtractFilePath(const String& fileName)
{
    size_t p = fileName.find_last_of(L"\\:/");
    return p == String::npos ? String() : fileName.substr(0, p + 1);
}

String ExtractFileName(const String& fileName)
{
    size_t p = fileName.find_last_of(L"\\:/");
    return p == String::npos ? fileName : fileName.substr(p + 1);
}

String ExtractFileExt(const String& fileName)
{
    String name = ExtractFileName(fileName);
    size_t p = name.rfind(L'.');
    return p == String::npos ? String() : name.substr(p);
}

String IncludeTrailingBackslash(const String& path)
{
    if (path.empty() || path.back() == L'\\') return path;
    return path + L"\\";
}

std::vector<String> SplitTextLines(const String& text)
{
    std::vector<String> lines;
    size_t start = 0, i = 0;
    while (i < text.size()) {
        wchar_t c = text[i];
        if (c == L'\r' || c == L'\n') {
            lines.push_back(text.substr(start, i - start));
            ++i;
            // CR LF and LF CR are one break each, as are a lone CR and a lone LF.
            if (i < text.size() && text[i] != c && (text[i] == L'\n' || text[i] == L'\r')) ++i;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}
