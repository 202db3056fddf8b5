// Content folder listings and subject creation on real folders.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/ContentStore.h"
#include "support/GuiTest.h"

namespace {

using Names = std::vector<String>;

Names Sorted(Names v)
{
    std::sort(v.begin(), v.end());
    return v;
}

std::string Utf8(const Names& v)
{
    std::string s;
    for (const String& n : v) s += StringToUtf8(n) + "|";
    return s;
}

// A fresh "program folder" (with a trailing backslash) under the temporary
// folder, removed with everything in it.
class ProgramDir {
public:
    const String& Path() const { return dir_.Path(); }
    String Content() const { return Path() + L"Content\\"; }

    void Folder(const String& rel) const { ASSERT_TRUE(CreateDirectoryW((Path() + rel).c_str(), nullptr)) << StringToUtf8(rel); }
    void File(const String& rel) const
    {
        HANDLE h = CreateFileW((Path() + rel).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE) << StringToUtf8(rel);
        DWORD done;
        WriteFile(h, "x", 1, &done, nullptr);
        CloseHandle(h);
    }

private:
    TempDir dir_{L"talvera-store"};
};

}  // namespace

// ---- listing rules -------------------------------------------------------

TEST(Listing, SubjectsAreFoldersOnly)
{
    ProgramDir p;
    p.Folder(L"Content");
    p.Folder(L"Content\\Базы данных");
    p.Folder(L"Content\\Тесты");   // a folder of that name in the root is a subject
    p.File(L"Content\\readme.txt");
    p.File(L"Content\\Сети.html");
    EXPECT_EQ(Sorted(ListEntries(p.Content() + L"*", true)), Sorted({L"Базы данных", L"Тесты"}));
    EXPECT_EQ(Sorted(ListEntries(p.Content() + L"*", false)),
              Sorted({L"Базы данных", L"Тесты", L"readme.txt", L"Сети.html"}))
        << "without foldersOnly files are kept too";
}

TEST(Listing, DotEntriesNeverAppear)
{
    ProgramDir p;
    p.Folder(L"Content");
    p.Folder(L"Content\\Один");
    Names all = ListEntries(p.Content() + L"Один\\*", false);
    EXPECT_TRUE(all.empty()) << Utf8(all);
    Names subjects = ListEntries(p.Content() + L"*", true);
    EXPECT_EQ(subjects, Names{L"Один"});
}

TEST(Listing, SubFolderMatchingInnerPatternIsListedLikeAFile)
{
    ProgramDir p;
    p.Folder(L"Content");
    p.Folder(L"Content\\Сети");
    p.File(L"Content\\Сети\\Тема 1.html");
    p.Folder(L"Content\\Сети\\Приложение.html");
    p.File(L"Content\\Сети\\заметки.txt");
    EXPECT_EQ(Sorted(ListEntries(p.Content() + L"Сети\\*.html", false)), Sorted({L"Тема 1.html", L"Приложение.html"}));
}

TEST(Listing, HiddenAndSystemEntriesAreSkipped)
{
    ProgramDir p;
    p.Folder(L"Content");
    p.Folder(L"Content\\Видимый");
    p.Folder(L"Content\\Скрытый");
    p.Folder(L"Content\\Системный");
    p.File(L"Content\\Видимый\\a.html");
    p.File(L"Content\\Видимый\\b.html");
    ASSERT_TRUE(SetFileAttributesW((p.Content() + L"Скрытый").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY));
    ASSERT_TRUE(SetFileAttributesW((p.Content() + L"Системный").c_str(), FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY));
    ASSERT_TRUE(SetFileAttributesW((p.Content() + L"Видимый\\b.html").c_str(), FILE_ATTRIBUTE_HIDDEN));
    // Make sure the platform really reports the attribute, else the check proves nothing.
    ASSERT_TRUE(GetFileAttributesW((p.Content() + L"Видимый\\b.html").c_str()) & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(ListEntries(p.Content() + L"*", true), Names{L"Видимый"});
    EXPECT_EQ(ListEntries(p.Content() + L"Видимый\\*.html", false), Names{L"a.html"});
}

TEST(Listing, MissingOrEmptyRootGivesEmptyLists)
{
    ProgramDir p;
    EXPECT_TRUE(ListEntries(p.Content() + L"*", true).empty());
    EXPECT_TRUE(ListSubjects(p.Content(), L"\\*.html", true).empty());
    p.Folder(L"Content");
    EXPECT_TRUE(ListEntries(p.Content() + L"*", true).empty());
    EXPECT_TRUE(ListEntries(p.Content() + L"*", false).empty());
    EXPECT_TRUE(ListSubjects(p.Content(), L"\\*.html", true).empty());
}

TEST(Listing, OrderIsThatOfTheDirectorySearch)
{
    ProgramDir p;
    p.Folder(L"Content");
    for (const wchar_t* n : {L"в", L"а", L"б", L"z", L"Я", L"1"}) p.Folder(String(L"Content\\") + n);
    Names searched;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((p.Content() + L"*").c_str(), &fd);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    do {
        String n = fd.cFileName;
        if (n != L"." && n != L"..") searched.push_back(n);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    EXPECT_EQ(ListEntries(p.Content() + L"*", true), searched);
}

// ---- names ---------------------------------------------------------------

TEST(Names, CutAtFirstDot)
{
    EXPECT_EQ(CutAtFirstDot(L"Тема 1.2.html"), L"Тема 1");
    EXPECT_EQ(CutAtFirstDot(L"clip.avi"), L"clip");
    EXPECT_EQ(CutAtFirstDot(L"Вариант 1.txt"), L"Вариант 1");
    EXPECT_EQ(CutAtFirstDot(L"без точки"), L"без точки");
    EXPECT_EQ(CutAtFirstDot(L".скрытый"), L"");
    EXPECT_EQ(CutAtFirstDot(L"a."), L"a");
}

TEST(Names, ContentFolderIsPlainConcatenation)
{
    EXPECT_EQ(ContentFolder(L"C:\\Учебник\\"), L"C:\\Учебник\\Content\\");
    EXPECT_EQ(ContentFolder(L""), L"Content\\");
}

// ---- subject trees -------------------------------------------------------

TEST(Subjects, EachSubjectWithItsCutEntries)
{
    ProgramDir p;
    p.Folder(L"Content");
    p.Folder(L"Content\\Сети");
    p.File(L"Content\\Сети\\Тема 1.2.html");
    p.File(L"Content\\Сети\\Модель OSI.html");
    p.Folder(L"Content\\Пустой");
    std::vector<SubjectListing> s = ListSubjects(p.Content(), L"\\*.html", true);
    ASSERT_EQ(s.size(), 2u);
    for (const SubjectListing& l : s) {
        if (l.subject == L"Сети")
            EXPECT_EQ(Sorted(l.items), Sorted({L"Тема 1", L"Модель OSI"}));
        else
            EXPECT_TRUE(l.subject == L"Пустой" && l.items.empty()) << StringToUtf8(l.subject);
    }
}

TEST(Subjects, InnerFolderPatternAndUncutNames)
{
    ProgramDir p;
    p.Folder(L"Content");
    p.Folder(L"Content\\Сети");
    p.Folder(L"Content\\Сети\\Презентации");
    p.File(L"Content\\Сети\\Презентации\\x.ppt");
    p.File(L"Content\\Сети\\Презентации\\x.pdf");
    p.Folder(L"Content\\Сети\\Тесты");
    p.Folder(L"Content\\Сети\\Тесты\\Отчеты");
    p.File(L"Content\\Сети\\Тесты\\Отчеты\\Иван Петров(0)");
    p.File(L"Content\\Сети\\Тесты\\Отчеты\\Иван Петров(1)");

    std::vector<SubjectListing> pres = ListSubjects(p.Content(), L"\\Презентации\\*.*", true);
    ASSERT_EQ(pres.size(), 1u);
    EXPECT_EQ(pres[0].items, Names({L"x", L"x"})) << "two files with one stem are both listed";

    std::vector<SubjectListing> reports = ListSubjects(p.Content(), L"\\Тесты\\Отчеты\\*", false);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(Sorted(reports[0].items), Sorted({L"Иван Петров(0)", L"Иван Петров(1)"}));

    std::vector<SubjectListing> videos = ListSubjects(p.Content(), L"\\Видео\\*.*", true);
    ASSERT_EQ(videos.size(), 1u);
    EXPECT_TRUE(videos[0].items.empty()) << "a subject without the folder is still listed";
}

// ---- subject creation ----------------------------------------------------

TEST(CreateSubject, MakesTheFourFolders)
{
    ProgramDir p;
    p.Folder(L"Content");
    CreateSubject(p.Path(), L"Операционные системы");
    String s = p.Content() + L"Операционные системы";
    EXPECT_TRUE(DirectoryExists(s));
    EXPECT_EQ(Sorted(ListEntries(s + L"\\*", false)), Sorted({L"Тесты", L"Видео", L"Презентации"}));
    EXPECT_FALSE(DirectoryExists(s + L"\\Тесты\\Отчеты")) << "the reports folder comes with the first report";
    EXPECT_EQ(ListEntries(p.Content() + L"*", true), Names{L"Операционные системы"});
}

TEST(CreateSubject, ExistingSubjectIsLeftAsItIs)
{
    ProgramDir p;
    p.Folder(L"Content");
    p.Folder(L"Content\\Сети");
    p.Folder(L"Content\\Сети\\Тесты");
    p.File(L"Content\\Сети\\Тесты\\Вариант 1.txt");
    CreateSubject(p.Path(), L"Сети");
    EXPECT_EQ(ListEntries(p.Content() + L"Сети\\Тесты\\*", false), Names{L"Вариант 1.txt"});
    EXPECT_TRUE(DirectoryExists(p.Content() + L"Сети\\Видео"));
    EXPECT_TRUE(DirectoryExists(p.Content() + L"Сети\\Презентации"));
}

TEST(CreateSubject, EmptyNameCreatesFoldersInTheContentRoot)
{
    ProgramDir p;
    p.Folder(L"Content");
    CreateSubject(p.Path(), L"");
    EXPECT_EQ(Sorted(ListEntries(p.Content() + L"*", true)), Sorted({L"Тесты", L"Видео", L"Презентации"}));
}

TEST(CreateSubject, FailuresAreIgnored)
{
    ProgramDir p;
    // No content root: every single-level creation fails, nothing is thrown.
    EXPECT_NO_THROW(CreateSubject(p.Path(), L"Сети"));
    EXPECT_FALSE(DirectoryExists(p.Content()));
    p.Folder(L"Content");
    EXPECT_NO_THROW(CreateSubject(p.Path(), L"a?b"));
    EXPECT_NO_THROW(CreateSubject(p.Path(), L"нет\\вложенной"));
    EXPECT_TRUE(ListEntries(p.Content() + L"*", false).empty());
}

// ---- program folder ------------------------------------------------------

TEST(AppFolder, OverrideAndDefault)
{
    String exeFolder = ProgramFolder();
    EXPECT_EQ(AppFolder(), exeFolder);
    SetAppFolder(L"Z:\\tmp\\учебник\\");
    EXPECT_EQ(AppFolder(), L"Z:\\tmp\\учебник\\");
    SetAppFolder(L"");
    EXPECT_EQ(AppFolder(), exeFolder);
    EXPECT_EQ(exeFolder.back(), L'\\');
}
