// Errors of the skin loading core: class-library exceptions (Message is what the
// error box and the skin manager's notice show) that also tell what went wrong.
#pragma once
#include <string>

#include "classlib/SysUtils.h"

enum class SkinErrorKind {
    Convert,      // a number field that is not a number
    Read,         // fewer bytes than a record needs
    Decompress,   // a damaged zlib stream
    Graphic,      // an image that cannot be decoded
    Format,       // not a packed skin, or a packed skin without options
    File,         // a file that cannot be read
    TooLarge,     // images that need more pixels than a load may hold
};

// The message is UTF-8 (what() gives the same bytes back).
class SkinError : public Exception {
public:
    SkinError(SkinErrorKind kind, const std::string& message) : Exception(Utf8ToString(message)), kind_(kind) {}
    SkinErrorKind Kind() const { return kind_; }
    const wchar_t* ClassName() const override { return L"SkinError"; }

private:
    SkinErrorKind kind_;
};

// Texts shared by the readers.
inline const char* const kNotPackedSkinText = "Loaded data is not a packed Velmiro file";
std::string ConvertErrorText(const std::string& value);   // "'x' is not a valid integer value"
