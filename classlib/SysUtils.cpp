// The part of the system utilities that asks Win32: code pages, the locale,
// files and the clock. The rest is in SysUtilsCommon.cpp.
#include "classlib/SysUtils.h"

#include <windows.h>

#include <vector>

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

wchar_t DecimalSeparator()
{
    wchar_t buf[8] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buf, 8) > 0 && buf[0]) return buf[0];
    return L'.';
}

String FloatToStr(long double value) { return FloatToStr(value, DecimalSeparator()); }

String UpperCase(const String& s)
{
    String r = s;
    if (!r.empty()) CharUpperBuffW(r.data(), DWORD(r.size()));
    return r;
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
