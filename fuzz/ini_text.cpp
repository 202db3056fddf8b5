// libFuzzer harness: skin options text split into sections and read as values
// and integers, the way the skin loader reads untrusted option files.
#include <cstddef>
#include <cstdint>

#include "skin/graphics/TextUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Bytes as Windows-1252-like code units, split into lines at CR and LF.
    std::vector<String> lines(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == '\r' || data[i] == '\n')
            lines.emplace_back();
        else
            lines.back() += wchar_t(data[i]);
    }
    TIniSections sections;
    SplitIniSections(lines, sections);
    for (const TIniSection& s : sections) {
        for (const String& line : s.Lines) {
            size_t eq = line.find(L'=');
            String key = eq == String::npos ? line : line.substr(0, eq);
            GetIniValue(sections, s.Name, key, L"");
            GetIniInteger(sections, s.Name, key, 0);
            const TCharSet separators = MakeCharSet(L";, ");
            int n = CountWords(line, separators);
            if (n > 0) ExtractNthWord(n, line, separators);
            NthWordPosition(n + 1, line, separators);
        }
    }
    return 0;
}
