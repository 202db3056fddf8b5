// Exception carries its message as UTF-16 (see String) and keeps a UTF-8 copy for what().
// No <windows.h> here: format code built natively throws these too.
#include "classlib/SysUtils.h"

// String holds UTF-16 where wchar_t has 16 bits (Windows) and whole code
// points where it has 32 (native builds); a surrogate pair is joined in both.
static std::string Utf16ToUtf8(const String& s)
{
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        uint32_t c = uint32_t(s[i]);
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < s.size() && uint32_t(s[i + 1]) >= 0xDC00 &&
            uint32_t(s[i + 1]) < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (uint32_t(s[++i]) - 0xDC00);
        }
        if ((c >= 0xD800 && c < 0xE000) || c > 0x10FFFF) c = 0xFFFD;   // a lone surrogate or no code point
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

Exception::Exception(String message) { SetMessage(std::move(message)); }

void Exception::SetMessage(String m)
{
    message_ = std::move(m);
    utf8_ = Utf16ToUtf8(message_);
}
