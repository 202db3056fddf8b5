// Text helpers of the skinning library: ini text held in memory (skin options),
// words split by character sets, string replacement and small number helpers.
// Free of <windows.h>: skin options are untrusted text, and these build natively
// for tests and fuzzing.
#pragma once
#include <bitset>
#include <cstdint>
#include <string>
#include <vector>

using String = std::wstring;

// A set of the 256 character codes 0..255; characters above 255 are never in a set.
using TCharSet = std::bitset<256>;
TCharSet MakeCharSet(const String& characters);
inline bool InCharSet(const TCharSet& set, wchar_t c) { return unsigned(c) < 256 && set.test(unsigned(c)); }

// ---------------------------------------------------------------- ini text
// One section of an ini text: its name (as written between the brackets) and its lines.
struct TIniSection {
    String Name;
    std::vector<String> Lines;
};
using TIniSections = std::vector<TIniSection>;

// Splits lines into sections. Empty lines and lines beginning with ";" are
// skipped; a line "[name]" opens a section called name (not trimmed); other
// lines go to the current section; lines before the first section are dropped.
// The output is cleared first.
void SplitIniSections(const std::vector<String>& lines, TIniSections& sections);
// The text after "key=" in the first line of the first section of that name
// whose part before "=" equals the key; section and key are matched without
// regard to case; else the default.
String GetIniValue(const TIniSections& sections, const String& section, const String& key, const String& def);
// The value as an integer: "0x"/"0X" followed by hex digits (more than two
// characters in all), "$" followed by hex digits, or decimal; hex values of up
// to 8 digits wrap to 32 bits (0xFF00000F is negative). Not a number: the default.
int32_t GetIniInteger(const TIniSections& sections, const String& section, const String& key, int32_t def);
// The number rules of GetIniInteger on one text; false when it is not a number.
bool ParseIniInteger(const String& text, int32_t& value);

// ---------------------------------------------------------------- words
// A word is a maximal run of characters not in the separator set; positions are 1-based.
int NthWordPosition(int n, const String& text, const TCharSet& separators);
String ExtractNthWord(int n, const String& text, const TCharSet& separators);
int CountWords(const String& text, const TCharSet& separators);
inline int GetWordCount(const String& text, const TCharSet& separators) { return CountWords(text, separators); }

// ---------------------------------------------------------------- strings and numbers
String RemoveChar(const String& text, wchar_t c);
// Every occurrence replaced left to right; inserted text is not examined again;
// an empty search string changes nothing.
String ReplaceAll(const String& text, const String& search, const String& replacement);
inline String PickString(bool flag, const String& a, const String& b) { return flag ? a : b; }
inline int PickInteger(bool flag, int a, int b) { return flag ? a : b; }
// True when value lies between the bounds, both included, in either order.
inline bool IsValueBetween(int value, int bound1, int bound2)
{
    return bound1 <= bound2 ? value >= bound1 && value <= bound2 : value >= bound2 && value <= bound1;
}
inline int LargerOf(int a, int b) { return a > b ? a : b; }
inline int SmallerOf(int a, int b) { return a < b ? a : b; }
inline void SwapIntegers(int& a, int& b)
{
    int t = a;
    a = b;
    b = t;
}

// A path with a trailing backslash: empty stays empty, a final "/" becomes "\",
// a one-character path (a drive letter) gets ":\".
String AddTrailingBackslash(const String& path);
