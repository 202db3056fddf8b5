// The shipped sample content, as the build lays it out beside the program:
// the listings the windows build from it and the well-formedness of every
// test variant.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/ContentContainer.h"
#include "app/ContentStore.h"

namespace {

// TALVERA_CONTENT is a Unix path; under Wine drive Z: is the Unix root.
String ProgramDirFromEnv()
{
    const char* env = std::getenv("TALVERA_CONTENT");
    if (!env || !*env) return {};
    String p = Utf8ToString(env);
    for (wchar_t& c : p)
        if (c == L'/') c = L'\\';
    if (p.size() > 1 && p[1] != L':') p = L"Z:" + p;
    return IncludeTrailingBackslash(p);
}

std::vector<std::string> SplitCrLf(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (;;) {
        size_t p = text.find("\r\n", start);
        if (p == std::string::npos) {
            if (start < text.size()) lines.push_back(text.substr(start));
            return lines;
        }
        lines.push_back(text.substr(start, p - start));
        start = p + 2;
    }
}

class SampleContent : public ::testing::Test {
protected:
    void SetUp() override
    {
        program_ = ProgramDirFromEnv();
        if (program_.empty()) GTEST_SKIP() << "TALVERA_CONTENT is not set";
        ASSERT_TRUE(DirectoryExists(ContentFolder(program_))) << StringToUtf8(program_);
    }
    String program_;
};

}  // namespace

TEST_F(SampleContent, SubjectsHaveChaptersPresentationsVideosAndTests)
{
    String base = ContentFolder(program_);
    std::vector<SubjectListing> chapters = ListSubjects(base, L"\\*.html", true);
    ASSERT_GE(chapters.size(), 3u);
    for (const SubjectListing& s : chapters) {
        EXPECT_GE(s.items.size(), 2u) << StringToUtf8(s.subject);
        for (const String& c : s.items)   // the viewer opens name + ".html"
            EXPECT_TRUE(FileExists(base + s.subject + L"\\" + c + L".html")) << StringToUtf8(c);
    }
    for (const wchar_t* inner : {L"\\Презентации\\*.*", L"\\Видео\\*.*", L"\\Тесты\\*.txt"}) {
        for (const SubjectListing& s : ListSubjects(base, inner, true))
            EXPECT_FALSE(s.items.empty()) << StringToUtf8(s.subject) << StringToUtf8(inner);
    }
    for (const SubjectListing& s : ListSubjects(base, L"\\Тесты\\*.txt", true))
        EXPECT_GE(s.items.size(), 2u) << StringToUtf8(s.subject);
}

TEST_F(SampleContent, EveryTestVariantIsAWellFormedContainer)
{
    String base = ContentFolder(program_);
    int variants = 0;
    for (const SubjectListing& s : ListSubjects(base, L"\\Тесты\\*.txt", false)) {
        for (const String& v : s.items) {
            String file = base + s.subject + L"\\Тесты\\" + v;
            SCOPED_TRACE(StringToUtf8(file));
            std::string text = LoadDocumentFile(file);
            ++variants;
            EXPECT_EQ(NormalizeLineBreaks(text), text) << "line breaks are CR LF";
            ASSERT_GE(text.size(), 2u);
            EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
            std::vector<std::string> lines = SplitCrLf(text);
            std::vector<size_t> separators;
            for (size_t i = 0; i < lines.size(); ++i)
                if (lines[i] == "---") separators.push_back(i);
            ASSERT_GE(separators.size(), 6u) << "at least five questions";
            EXPECT_EQ(separators.front(), 0u);
            EXPECT_EQ(separators.back(), lines.size() - 1);
            for (size_t q = 0; q + 1 < separators.size(); ++q) {
                SCOPED_TRACE("question " + std::to_string(q + 1));
                ASSERT_EQ(separators[q + 1] - separators[q], 7u) << "question line and five options";
                size_t first = separators[q] + 1;
                EXPECT_EQ(lines[first].rfind(std::to_string(q + 1) + ") ", 0), 0u) << lines[first];
                int keys = 0;
                for (int k = 0; k < 5; ++k) {
                    std::string line = lines[first + 1 + k];
                    if (!line.empty() && line[0] == '`') {
                        ++keys;
                        line.erase(0, 1);
                    }
                    EXPECT_EQ(line.substr(0, 3), std::string(1, char('A' + k)) + ") ") << line;
                }
                EXPECT_EQ(keys, 1);
            }
        }
    }
    EXPECT_GE(variants, 6);
}

TEST_F(SampleContent, TextsAreWindows1251)
{
    String base = ContentFolder(program_);
    for (const SubjectListing& s : ListSubjects(base, L"\\*.html", false)) {
        for (const String& c : s.items) {
            std::string html = ReadFileBytes(base + s.subject + L"\\" + c);
            EXPECT_NE(html.find("charset=windows-1251"), std::string::npos) << StringToUtf8(c);
            EXPECT_NE(html.find(StringToAnsi(L"<h1>Глава")), std::string::npos) << StringToUtf8(c);
        }
    }
    std::string start = ReadFileBytes(program_ + L"Source\\start.txt");
    EXPECT_NE(start.find(StringToAnsi(L"Тальвера")), std::string::npos);
    std::string help = ReadFileBytes(program_ + L"Source\\help.html");
    EXPECT_NE(help.find("charset=windows-1251"), std::string::npos);
    EXPECT_NE(help.find(StringToAnsi(L"Справка преподавателя")), std::string::npos);
}
