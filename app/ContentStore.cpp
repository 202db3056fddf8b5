// Content folder listings and subject creation; see ContentStore.h.
#include <windows.h>

#include "app/ContentStore.h"

namespace {
String& AppFolderOverride()
{
    static String folder;
    return folder;
}
}  // namespace

std::vector<String> ListEntries(const String& pattern, bool foldersOnly)
{
    std::vector<String> names;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(pattern.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        String name = fd.cFileName;
        if (name == L"." || name == L"..") continue;
        // The search of some platforms returns hidden and system entries too;
        // they never belong to the course.
        if (fd.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) continue;
        if (foldersOnly && !(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        names.push_back(std::move(name));
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return names;
}

String CutAtFirstDot(const String& name)
{
    size_t p = name.find(L'.');
    return p == String::npos ? name : name.substr(0, p);
}

String ContentFolder(const String& programFolder) { return programFolder + L"Content\\"; }

void CreateSubject(const String& programFolder, const String& name)
{
    String subject = ContentFolder(programFolder) + name;
    CreateDirectoryW(subject.c_str(), nullptr);
    CreateDirectoryW((subject + L"\\Тесты").c_str(), nullptr);
    CreateDirectoryW((subject + L"\\Видео").c_str(), nullptr);
    CreateDirectoryW((subject + L"\\Презентации").c_str(), nullptr);
}

String AppFolder()
{
    const String& folder = AppFolderOverride();
    return folder.empty() ? ProgramFolder() : folder;
}

void SetAppFolder(const String& folder) { AppFolderOverride() = folder; }

std::vector<SubjectListing> ListSubjects(const String& contentBase, const String& innerPattern, bool cutNames)
{
    std::vector<SubjectListing> out;
    for (String& subject : ListEntries(contentBase + L"*", true)) {
        SubjectListing s;
        s.items = ListEntries(contentBase + subject + innerPattern, false);
        if (cutNames)
            for (String& item : s.items) item = CutAtFirstDot(item);
        s.subject = std::move(subject);
        out.push_back(std::move(s));
    }
    return out;
}
