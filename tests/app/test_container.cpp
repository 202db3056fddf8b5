// The document container's file layer: the safe replacement of files on save
// and the errors of reading files. The byte format is tested in
// test_containerformat.cpp.
#include <gtest/gtest.h>
#include <windows.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "app/ContentContainer.h"
#include "support/ContainerBytes.h"
#include "support/GuiTest.h"

namespace {

// A fresh folder under the temporary folder, removed with its files.
class TempFolder {
public:
    const String& Path() const { return dir_.Path(); }

    std::vector<String> Files() const
    {
        std::vector<String> names;
        WIN32_FIND_DATAW fd;
        HANDLE h = FindFirstFileW((Path() + L"*").c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE) return names;
        do {
            String n = fd.cFileName;
            if (n != L"." && n != L"..") names.push_back(n);
        } while (FindNextFileW(h, &fd));
        FindClose(h);
        return names;
    }

private:
    TempDir dir_{L"talvera-container"};
};

void WriteBytes(const String& name, const std::string& bytes)
{
    HANDLE h = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD done = 0;
    WriteFile(h, bytes.data(), DWORD(bytes.size()), &done, nullptr);
    CloseHandle(h);
    ASSERT_EQ(done, bytes.size());
}

}  // namespace

// ---- files ---------------------------------------------------------------

TEST(ContainerFiles, SaveThenLoad)
{
    TempFolder dir;
    String name = dir.Path() + L"Вариант 1.txt";
    std::string text = StringToAnsi(L"---\r\n1) Что такое байт?\r\n`A) 8 бит\r\n---\r\n");
    SaveDocumentFile(name, text);
    EXPECT_EQ(LoadDocumentFile(name), text);
    std::string raw = ReadFileBytes(name);
    EXPECT_EQ(InflateAll(raw), LengthField(int64_t(text.size())) + text);
    EXPECT_EQ(dir.Files(), std::vector<String>{L"Вариант 1.txt"});
}

TEST(ContainerFiles, SaveOverExistingFileReplacesIt)
{
    TempFolder dir;
    String name = dir.Path() + L"report";
    WriteBytes(name, std::string(100000, 'o'));   // longer than the new content
    SaveDocumentFile(name, "new");
    EXPECT_EQ(ReadFileBytes(name), PackDocument("new"));
    EXPECT_EQ(LoadDocumentFile(name), "new");
    EXPECT_EQ(dir.Files().size(), 1u);
}

TEST(ContainerFiles, MissingFolderIsACreateError)
{
    TempFolder dir;
    String name = dir.Path() + L"нет такой папки\\file.txt";
    try {
        SaveDocumentFile(name, "abc");
        FAIL() << "no exception";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(), FileCreateErrorText(name));
    }
    EXPECT_TRUE(dir.Files().empty());
}

TEST(ContainerFiles, IllegalNameIsACreateError)
{
    TempFolder dir;
    for (const wchar_t* bad : {L"a?b", L"a*b", L"a|b", L"a<b>"}) {
        String name = dir.Path() + bad;
        EXPECT_THROW(SaveDocumentFile(name, "abc"), EFCreateError) << Utf8(bad);
    }
    EXPECT_THROW(SaveDocumentFile(L"", "abc"), EFCreateError);
    EXPECT_TRUE(dir.Files().empty()) << "temporary files were left behind";
}

TEST(ContainerFiles, LockedTargetKeepsOldContent)
{
    TempFolder dir;
    String name = dir.Path() + L"test.txt";
    std::string old = PackDocument("old text");
    WriteBytes(name, old);
    HANDLE lock = CreateFileW(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    EXPECT_THROW(SaveDocumentFile(name, "new text"), EFCreateError);
    CloseHandle(lock);
    EXPECT_EQ(ReadFileBytes(name), old);
    EXPECT_EQ(dir.Files(), std::vector<String>{L"test.txt"}) << "temporary files were left behind";
}

TEST(ContainerFiles, ReadOnlyTargetKeepsOldContent)
{
    TempFolder dir;
    String name = dir.Path() + L"test.txt";
    WriteBytes(name, "plain old bytes");
    SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_THROW(SaveDocumentFile(name, "new text"), EFCreateError);
    SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadFileBytes(name), "plain old bytes");
    EXPECT_EQ(dir.Files().size(), 1u);
}

TEST(ContainerFiles, FolderAsTargetIsACreateError)
{
    TempFolder dir;
    String name = dir.Path() + L"Отчеты";
    ASSERT_TRUE(CreateDirectoryW(name.c_str(), nullptr));
    EXPECT_THROW(SaveDocumentFile(name, "x"), EFCreateError);
    EXPECT_EQ(GetFileAttributesW(name.c_str()) & FILE_ATTRIBUTE_DIRECTORY, DWORD(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(dir.Files(), std::vector<String>{L"Отчеты"});
}

TEST(ContainerFiles, MissingFileIsAnOpenError)
{
    TempFolder dir;
    String name = dir.Path() + L"нет.txt";
    try {
        LoadDocumentFile(name);
        FAIL() << "no exception";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), FileOpenErrorText(name));
    }
    EXPECT_THROW(ReadFileBytes(name), EFOpenError);
}

TEST(ContainerFiles, PlainTextFileFailsWithZlibMessage)
{
    TempFolder dir;
    String name = dir.Path() + L"plain.txt";
    WriteBytes(name, "---\r\n1) Q\r\n");
    EXPECT_EQ(ReadFileBytes(name), "---\r\n1) Q\r\n");
    try {
        LoadDocumentFile(name);
        FAIL() << "no exception";
    } catch (const EZDecompressionError& e) {
        EXPECT_EQ(Utf8(e.Message()), "incorrect header check");
    }
}
