// Errors of the skin loading core. The skin manager shows their message the way
// it shows the class library's own exceptions.
#pragma once
#include <stdexcept>
#include <string>

enum class SkinErrorKind {
    Convert,      // a number field that is not a number
    Read,         // fewer bytes than a record needs
    Decompress,   // a damaged zlib stream
    Graphic,      // an image that cannot be decoded
    Format,       // not a packed skin, or a packed skin without options
    File,         // a file that cannot be read
    TooLarge,     // images that need more pixels than a load may hold
};

class SkinError : public std::runtime_error {
public:
    SkinError(SkinErrorKind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}
    SkinErrorKind Kind() const { return kind_; }

private:
    SkinErrorKind kind_;
};

// Texts shared by the readers.
inline const char* const kNotPackedSkinText = "Loaded data is not a packed Velmiro file";
std::string ConvertErrorText(const std::string& value);   // "'x' is not a valid integer value"
