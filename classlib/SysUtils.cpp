#include "classlib/SysUtils.h"

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <vector>

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

static String MultiToWide(UINT cp, std::string_view bytes)
{
    if (bytes.empty()) return {};
    int n = MultiByteToWideChar(cp, 0, bytes.data(), int(bytes.size()), nullptr, 0);
    String out(size_t(n), L'\0');
    MultiByteToWideChar(cp, 0, bytes.data(), int(bytes.size()), out.data(), n);
    return out;
}

static std::string WideToMulti(UINT cp, const String& text)
{
    if (text.empty()) return {};
    int n = WideCharToMultiByte(cp, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(cp, 0, text.data(), int(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

String AnsiToString(std::string_view bytes) { return MultiToWide(CP_ACP, bytes); }
std::string StringToAnsi(const String& text) { return WideToMulti(CP_ACP, text); }
String Utf8ToString(std::string_view bytes) { return MultiToWide(CP_UTF8, bytes); }
std::string StringToUtf8(const String& text) { return WideToMulti(CP_UTF8, text); }

String IntToStr(long long value) { return std::to_wstring(value); }

wchar_t DecimalSeparator()
{
    wchar_t buf[8] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buf, 8) > 0 && buf[0]) return buf[0];
    return L'.';
}

String FloatToStr(long double value) { return FloatToStr(value, DecimalSeparator()); }

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

String UpperCase(const String& s)
{
    String r = s;
    if (!r.empty()) CharUpperBuffW(r.data(), DWORD(r.size()));
    return r;
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

String ProgramFolder()
{
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buf.data(), DWORD(buf.size()));
        if (n < buf.size()) return ExtractFilePath(String(buf.data(), n));
        buf.resize(buf.size() * 2);
    }
}

bool FileExists(const String& fileName)
{
    DWORD a = GetFileAttributesW(fileName.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const String& path)
{
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateDir(const String& path) { return CreateDirectoryW(path.c_str(), nullptr) != 0; }

bool RemoveFile(const String& fileName) { return DeleteFileW(fileName.c_str()) != 0; }

static String FormatNow(bool date)
{
    SYSTEMTIME st;
    GetLocalTime(&st);
    wchar_t buf[128] = {};
    if (date)
        GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buf, 128);
    else
        GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, buf, 128);
    return buf;
}

String DateToStr() { return FormatNow(true); }
String TimeToStr() { return FormatNow(false); }
