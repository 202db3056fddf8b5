// Number and text helpers: the general float format, upper case, file name
// parts and integers.
#include <gtest/gtest.h>

#include "classlib/SysUtils.h"

namespace {

TEST(FloatToStrTest, GeneralFormatWithFifteenDigits)
{
    long double third = 100.0L / 3.0L;
    EXPECT_EQ(FloatToStr(third * 2, L','), L"66,6666666666667");
    EXPECT_EQ(FloatToStr(third, L','), L"33,3333333333333");
    EXPECT_EQ(FloatToStr(100.0L, L','), L"100");
    EXPECT_EQ(FloatToStr(0.0L, L','), L"0");
    EXPECT_EQ(FloatToStr(-0.0L, L','), L"0");
    EXPECT_EQ(FloatToStr(0.5L, L','), L"0,5");
    EXPECT_EQ(FloatToStr(-2.25L, L'.'), L"-2.25");
    EXPECT_EQ(FloatToStr(1.0L / 8, L','), L"0,125");
    EXPECT_EQ(FloatToStr(0.0001L, L','), L"0,0001");
    EXPECT_EQ(FloatToStr(0.00001L, L','), L"1E-5");
    EXPECT_EQ(FloatToStr(1.5e-10L, L','), L"1,5E-10");
    EXPECT_EQ(FloatToStr(123456789012345.0L, L','), L"123456789012345");
    EXPECT_EQ(FloatToStr(999999999999999.0L, L','), L"999999999999999");
    EXPECT_EQ(FloatToStr(1e15L, L','), L"1E15");
    EXPECT_EQ(FloatToStr(1.25e300L, L','), L"1,25E300");
    EXPECT_EQ(FloatToStr(2e-300L, L','), L"2E-300");
    // Rounding carries into a new digit.
    EXPECT_EQ(FloatToStr(9.9999999999999999L, L','), L"10");
    EXPECT_EQ(FloatToStr(2.0L / 3.0L * 100, L','), L"66,6666666666667");
}

TEST(FloatToStrTest, SystemSeparatorIsTheLocales)
{
    // The Russian locale uses a comma.
    EXPECT_EQ(DecimalSeparator(), L',');
    EXPECT_EQ(FloatToStr(0.5L), L"0,5");
}

TEST(SysUtilsTest, UpperCaseHandlesCyrillic)
{
    EXPECT_EQ(UpperCase(L"тальвера ёж Abc 1"), L"ТАЛЬВЕРА ЁЖ ABC 1");
    EXPECT_EQ(UpperCase(L""), L"");
}

TEST(SysUtilsTest, FileNameParts)
{
    EXPECT_EQ(ExtractFilePath(L"C:\\P\\Content\\Тема 1.2.html"), L"C:\\P\\Content\\");
    EXPECT_EQ(ExtractFileName(L"C:\\P\\Content\\Тема 1.2.html"), L"Тема 1.2.html");
    EXPECT_EQ(ExtractFileExt(L"C:\\P\\Content\\Тема 1.2.html"), L".html");
    EXPECT_EQ(ExtractFileExt(L"C:\\a.b\\noext"), L"");
    EXPECT_EQ(ExtractFilePath(L"file.txt"), L"");
    EXPECT_EQ(ExtractFileName(L"C:file.txt"), L"file.txt");
    EXPECT_EQ(ExtractFileName(L"C:\\dir\\"), L"");
    EXPECT_EQ(IncludeTrailingBackslash(L"C:\\x"), L"C:\\x\\");
    EXPECT_EQ(IncludeTrailingBackslash(L"C:\\x\\"), L"C:\\x\\");
}

TEST(SysUtilsTest, IntToStrAndTrim)
{
    EXPECT_EQ(IntToStr(0), L"0");
    EXPECT_EQ(IntToStr(-42), L"-42");
    EXPECT_EQ(IntToStr(9000000000LL), L"9000000000");
    EXPECT_EQ(Trim(L" \t a b \r\n"), L"a b");
}

TEST(SysUtilsTest, AnsiRoundTripAndExceptionText)
{
    std::string ansi = StringToAnsi(L"Привет №");
    EXPECT_EQ(ansi, "\xCF\xF0\xE8\xE2\xE5\xF2 \xB9");
    EXPECT_EQ(AnsiToString(ansi), L"Привет №");
    EFOpenError e(L"Файл");
    EXPECT_STREQ(e.what(), "\xD0\xA4\xD0\xB0\xD0\xB9\xD0\xBB");
}

}  // namespace
