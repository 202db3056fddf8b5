// Strings, exceptions and small file and number helpers shared by the whole
// program. This header stays free of <windows.h> so that format and logic code
// that includes it can also be built natively.
#pragma once
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

// UI text and paths. wchar_t has 16 bits on Windows, so a String holds UTF-16
// there; natively (Linux, 32 bits) it holds whole code points. Code that turns
// a String into bytes (UTF-8, the ANSI code page, RTF escapes) handles both.
using String = std::wstring;

// Root of every error the program raises; Message is what the error box shows.
class Exception : public std::exception {
public:
    explicit Exception(String message);
    virtual ~Exception() = default;
    const String& Message() const { return message_; }
    void SetMessage(String m);
    const char* what() const noexcept override { return utf8_.c_str(); }
    virtual const wchar_t* ClassName() const { return L"Exception"; }

private:
    String message_;
    std::string utf8_;
};

// The text of any exception: Message of ours, what() (UTF-8) of others.
String ExceptionMessage(const std::exception& e);

#define TALVERA_EXCEPTION(Name, Base)                                           \
    class Name : public Base {                                                  \
    public:                                                                     \
        using Base::Base;                                                       \
        const wchar_t* ClassName() const override { return L## #Name; }        \
    };

TALVERA_EXCEPTION(EStreamError, Exception)
TALVERA_EXCEPTION(EFOpenError, EStreamError)     // a file cannot be opened
TALVERA_EXCEPTION(EFCreateError, EStreamError)   // a file cannot be created
TALVERA_EXCEPTION(EReadError, EStreamError)      // fewer bytes than asked for
TALVERA_EXCEPTION(EWriteError, EStreamError)     // a write did not complete
// zlib failures carry zlib's result code (0 when the code is not known).
class EZLibError : public Exception {
public:
    explicit EZLibError(String message, int code = 0) : Exception(std::move(message)), code_(code) {}
    const wchar_t* ClassName() const override { return L"EZLibError"; }
    int ErrorCode() const { return code_; }

private:
    int code_;
};
TALVERA_EXCEPTION(EZCompressionError, EZLibError)
TALVERA_EXCEPTION(EZDecompressionError, EZLibError)
TALVERA_EXCEPTION(EConvertError, Exception)
TALVERA_EXCEPTION(EInvalidGraphic, Exception)
TALVERA_EXCEPTION(EInvalidOperation, Exception)
// The silent abort: the application's default handler shows nothing for it.
TALVERA_EXCEPTION(EAbort, Exception)
TALVERA_EXCEPTION(EListError, Exception)
TALVERA_EXCEPTION(EOutOfResources, Exception)
TALVERA_EXCEPTION(EOSError, Exception)

// Stable texts of the platform errors.
String FileOpenErrorText(const String& fileName);
String FileCreateErrorText(const String& fileName);
String ReadErrorText();
String WriteErrorText();

// Text conversions. "Ansi" is the system's ANSI code page (1251 under the
// Russian locale); Utf8 is for test output and exceptions' what().
String AnsiToString(std::string_view bytes);
std::string StringToAnsi(const String& text);
String Utf8ToString(std::string_view bytes);
std::string StringToUtf8(const String& text);

String IntToStr(long long value);
// The general number format: at most 15 significant digits, no trailing zeros,
// the system's decimal separator.
String FloatToStr(long double value);
String FloatToStr(long double value, wchar_t decimalSeparator);
wchar_t DecimalSeparator();

String UpperCase(const String& s);   // the locale's upper-case rule
String Trim(const String& s);
bool StartsWith(const String& s, const String& prefix);
// Lines of a text: CR LF, LF CR, a lone CR and a lone LF each end one line; a
// break at the very end adds no empty line.
std::vector<String> SplitTextLines(const String& text);

// Paths are plain strings; folders end with a backslash where the caller says so.
String ExtractFilePath(const String& fileName);    // up to and including the last '\'
String ExtractFileName(const String& fileName);
String ExtractFileExt(const String& fileName);
String IncludeTrailingBackslash(const String& path);
String ProgramFolder();                            // folder of the running exe, with '\'
bool FileExists(const String& fileName);           // a file, not a folder
bool DirectoryExists(const String& path);
bool CreateDir(const String& path);                // one level; false on any failure
bool RemoveFile(const String& fileName);

// Current date and time in the system's short date and long time formats.
String DateToStr();
String TimeToStr();
