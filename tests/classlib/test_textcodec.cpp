// Text conversions at the boundaries of String: the ANSI code page (1251),
// UTF-8, the exception's UTF-8 text and line splitting. The same checks run in
// the Windows build (wchar_t of 16 bits, String holds UTF-16) and natively
// (32 bits, String holds code points), so both agree on every text.
#include <gtest/gtest.h>

#include "classlib/SysUtils.h"

namespace {

// U+1F600 as String: a surrogate pair where wchar_t has 16 bits, one unit otherwise.
String Smiley() { return sizeof(wchar_t) == 2 ? String{wchar_t(0xD83D), wchar_t(0xDE00)} : String{wchar_t(0x1F600)}; }

TEST(AnsiCodePage, CyrillicLettersAndSigns)
{
    std::string all;
    for (int b = 0xC0; b <= 0xFF; ++b) all += char(b);
    String wide = AnsiToString(all);
    ASSERT_EQ(wide.size(), 64u);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(uint32_t(wide[size_t(i)]), 0x410u + uint32_t(i)) << i;
    EXPECT_EQ(StringToAnsi(wide), all);
    EXPECT_EQ(AnsiToString("\xA8\xB8\xB9\x88\xAB\xBB\x96"), L"Ёё№€«»–");
    EXPECT_EQ(StringToAnsi(L"Ёё№€«»–"), "\xA8\xB8\xB9\x88\xAB\xBB\x96");
    EXPECT_EQ(AnsiToString(std::string("a\0b", 3)), String(L"a\0b", 3));
}

TEST(AnsiCodePage, WhatTheCodePageLacksBecomesAQuestionMark)
{
    EXPECT_EQ(StringToAnsi(L"x\u65E5y"), "x?y");
    // The conversion counts UTF-16 units: a character outside the basic plane
    // (a surrogate pair on Windows) gives two, whatever the width of wchar_t.
    EXPECT_EQ(StringToAnsi(L"a" + Smiley() + L"b"), "a??b");
}

TEST(Utf8, RoundTripsEveryPlane)
{
    String text = L"Тальвера A\u00E9\u20AC" + Smiley();
    std::string u8 = StringToUtf8(text);
    EXPECT_EQ(u8, "\xD0\xA2\xD0\xB0\xD0\xBB\xD1\x8C\xD0\xB2\xD0\xB5\xD1\x80\xD0\xB0 A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf8ToString(u8), text);
    EXPECT_EQ(Utf8ToString(""), L"");
}

TEST(Utf8, BadBytesBecomeReplacementCharacters)
{
    EXPECT_EQ(Utf8ToString("a\xFF" "b"), L"a\uFFFDb");
    EXPECT_EQ(Utf8ToString("a\x80" "b"), L"a\uFFFDb");
    String s = Utf8ToString("\xC0\xAF");   // overlong '/'
    EXPECT_EQ(s.find(L'/'), String::npos);
    EXPECT_NE(s.find(L'\uFFFD'), String::npos);
}

TEST(ExceptionText, WhatIsTheMessageInUtf8)
{
    EReadError e(L"Ошибка " + Smiley());
    EXPECT_STREQ(e.what(), "\xD0\x9E\xD1\x88\xD0\xB8\xD0\xB1\xD0\xBA\xD0\xB0 \xF0\x9F\x98\x80");
    EXPECT_EQ(Utf8ToString(e.what()), e.Message());
    // A lone surrogate cannot be encoded: it becomes U+FFFD, so what() stays valid UTF-8.
    Exception lone(String{L'a', wchar_t(0xD800), L'b'});
    EXPECT_STREQ(lone.what(), "a\xEF\xBF\xBD" "b");
}

TEST(SplitLines, EveryKindOfBreakEndsOneLine)
{
    using V = std::vector<String>;
    EXPECT_EQ(SplitTextLines(L"a\r\nb\nc\rd\n\re"), (V{L"a", L"b", L"c", L"d", L"e"}));
    EXPECT_EQ(SplitTextLines(L"a\r\n"), (V{L"a"}));
    EXPECT_EQ(SplitTextLines(L"\r\n\r\n"), (V{L"", L""}));
    EXPECT_EQ(SplitTextLines(L"\n\n\r"), (V{L"", L""}));   // LF, then the LF CR pair
    EXPECT_EQ(SplitTextLines(L""), V{});
    EXPECT_EQ(SplitTextLines(L"x"), (V{L"x"}));
}

}  // namespace
