// Ini text, words, strings and paths of the skinning library's utilities.
// No <windows.h>: these run natively too.
#include <gtest/gtest.h>

#include "skin/graphics/TextUtils.h"

TEST(Words, PositionsCountsAndExtraction)
{
    const TCharSet semi = MakeCharSet(L";");
    EXPECT_EQ(NthWordPosition(2, L";;ab;;cd", semi), 7);
    EXPECT_EQ(NthWordPosition(1, L";;ab;;cd", semi), 3);
    EXPECT_EQ(NthWordPosition(3, L";;ab;;cd", semi), 0);
    EXPECT_EQ(NthWordPosition(0, L";;ab;;cd", semi), 0);
    EXPECT_EQ(NthWordPosition(1, L"", semi), 0);
    EXPECT_EQ(NthWordPosition(1, L";;;", semi), 0);

    const TCharSet blank = MakeCharSet(L" ");
    EXPECT_EQ(ExtractNthWord(1, L"  x y", blank), L"x");
    EXPECT_EQ(ExtractNthWord(2, L"  x y", blank), L"y");
    EXPECT_EQ(ExtractNthWord(3, L"  x y", blank), L"");
    EXPECT_EQ(ExtractNthWord(2, L"alpha, beta;gamma", MakeCharSet(L", ;")), L"beta");

    EXPECT_EQ(CountWords(L";;ab;;cd", semi), 2);
    EXPECT_EQ(CountWords(L"ab;cd;", semi), 2);
    EXPECT_EQ(CountWords(L"", semi), 0);
    EXPECT_EQ(GetWordCount(L"one two  three ", blank), 3);
    // Characters above 255 are never separators, even when their low byte is.
    EXPECT_EQ(CountWords(String(L"a") + wchar_t(0x13B) + L"b", semi), 1);
    EXPECT_EQ(CountWords(L"слово;другое", semi), 2);
}

TEST(Strings, RemoveReplacePick)
{
    EXPECT_EQ(RemoveChar(L"a-b--c-", L'-'), L"abc");
    EXPECT_EQ(RemoveChar(L"", L'-'), L"");
    EXPECT_EQ(ReplaceAll(L"aaa", L"a", L"aa"), L"aaaaaa");   // inserted text is not examined again
    EXPECT_EQ(ReplaceAll(L"a.b.c", L".", L""), L"abc");
    EXPECT_EQ(ReplaceAll(L"abab", L"ab", L"x"), L"xx");
    EXPECT_EQ(ReplaceAll(L"text", L"", L"x"), L"text");
    EXPECT_EQ(ReplaceAll(L"text", L"zz", L"x"), L"text");
    EXPECT_EQ(PickString(true, L"a", L"b"), L"a");
    EXPECT_EQ(PickString(false, L"a", L"b"), L"b");
    EXPECT_EQ(PickInteger(false, 1, 2), 2);
}

TEST(Numbers, BetweenLargerSmallerSwap)
{
    EXPECT_TRUE(IsValueBetween(5, 1, 10));
    EXPECT_TRUE(IsValueBetween(5, 10, 1));
    EXPECT_TRUE(IsValueBetween(1, 1, 10));
    EXPECT_TRUE(IsValueBetween(10, 10, 1));
    EXPECT_FALSE(IsValueBetween(11, 10, 1));
    EXPECT_FALSE(IsValueBetween(0, 1, 10));
    EXPECT_EQ(LargerOf(-3, 2), 2);
    EXPECT_EQ(SmallerOf(-3, 2), -3);
    int a = 1, b = 2;
    SwapIntegers(a, b);
    EXPECT_EQ(a, 2);
    EXPECT_EQ(b, 1);
}

TEST(Paths, AddTrailingBackslash)
{
    EXPECT_EQ(AddTrailingBackslash(L"D"), L"D:\\");
    EXPECT_EQ(AddTrailingBackslash(L"c:\\Skins/"), L"c:\\Skins\\");
    EXPECT_EQ(AddTrailingBackslash(L""), L"");
    EXPECT_EQ(AddTrailingBackslash(L"c:\\Skins\\"), L"c:\\Skins\\");
    EXPECT_EQ(AddTrailingBackslash(L"c:\\Skins"), L"c:\\Skins\\");
    EXPECT_EQ(AddTrailingBackslash(L"/"), L"\\");
}

namespace {
TIniSections Sections(const std::vector<String>& lines)
{
    TIniSections s;
    SplitIniSections(lines, s);
    return s;
}
}  // namespace

TEST(IniText, SplitSkipsCommentsAndLinesBeforeTheFirstSection)
{
    TIniSections s = Sections({L"orphan=1", L"", L"[GLOBALINFO]", L"; comment", L"Color=5", L"",
                               L"[ BUTTON ]", L"Transparency=40", L"[]", L"x=1", L"[EDIT", L"y=2"});
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s[0].Name, L"GLOBALINFO");
    EXPECT_EQ(s[0].Lines, std::vector<String>{L"Color=5"});
    EXPECT_EQ(s[1].Name, L" BUTTON ");   // not trimmed
    EXPECT_EQ(s[2].Name, L"");
    // "[EDIT" does not end with "]": an ordinary line of the empty-named section.
    EXPECT_EQ(s[2].Lines, (std::vector<String>{L"x=1", L"[EDIT", L"y=2"}));

    // The output is cleared before it is filled.
    SplitIniSections({L"[ONE]"}, s);
    ASSERT_EQ(s.size(), 1u);
    EXPECT_TRUE(s[0].Lines.empty());
}

TEST(IniText, ValuesMatchSectionAndKeyWithoutCase)
{
    TIniSections s = Sections({L"[Button]", L"Caption=OK=yes", L"caption=second", L"Empty=", L"NoValue",
                               L"[Кнопка]", L"Ключ=значение"});
    EXPECT_EQ(GetIniValue(s, L"BUTTON", L"CAPTION", L"-"), L"OK=yes");   // the first line wins
    EXPECT_EQ(GetIniValue(s, L"button", L"Empty", L"-"), L"");
    EXPECT_EQ(GetIniValue(s, L"button", L"NoValue", L"-"), L"-");
    EXPECT_EQ(GetIniValue(s, L"button", L"Missing", L"-"), L"-");
    EXPECT_EQ(GetIniValue(s, L"Other", L"Caption", L"-"), L"-");
    EXPECT_EQ(GetIniValue(s, L"КНОПКА", L"ключ", L"-"), L"значение");
}

TEST(IniText, Integers)
{
    TIniSections s = Sections({L"[S]", L"Hex=0x1F", L"HexUpper=0X1f", L"Dollar=$FF", L"Dec=-42", L"Abc=abc",
                               L"Bare=0x", L"Color=0xFF00000F", L"Big=4294967296", L"Long=0x123456789",
                               L"Blank=", L"Spaced= 12 ", L"Min=-2147483648", L"Zero=0"});
    EXPECT_EQ(GetIniInteger(s, L"S", L"Hex", 7), 31);
    EXPECT_EQ(GetIniInteger(s, L"S", L"HexUpper", 7), 31);
    EXPECT_EQ(GetIniInteger(s, L"S", L"Dollar", 7), 255);
    EXPECT_EQ(GetIniInteger(s, L"S", L"Dec", 7), -42);
    EXPECT_EQ(GetIniInteger(s, L"S", L"Abc", 7), 7);
    EXPECT_EQ(GetIniInteger(s, L"S", L"Bare", 7), 7);
    EXPECT_EQ(GetIniInteger(s, L"S", L"Color", 7), int32_t(0xFF00000Fu));   // wraps to a negative colour
    EXPECT_LT(GetIniInteger(s, L"S", L"Color", 7), 0);
    EXPECT_EQ(GetIniInteger(s, L"S", L"Big", 7), 7);
    EXPECT_EQ(GetIniInteger(s, L"S", L"Long", 7), 7);
    EXPECT_EQ(GetIniInteger(s, L"S", L"Blank", 7), 7);
    EXPECT_EQ(GetIniInteger(s, L"S", L"Spaced", 7), 12);
    EXPECT_EQ(GetIniInteger(s, L"S", L"Min", 7), INT32_MIN);
    EXPECT_EQ(GetIniInteger(s, L"S", L"Zero", 7), 0);
    EXPECT_EQ(GetIniInteger(s, L"S", L"Missing", -5), -5);
    EXPECT_EQ(GetIniInteger(s, L"T", L"Hex", -5), -5);
}
