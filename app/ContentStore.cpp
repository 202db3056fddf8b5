// Content folder listings and subject creation; see ContentStore.h.
#include <windows.h>

#include "app/ContentStore.h"

#include <algorithm>
#include <iterator>

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

String NameProblem(const String& name)
{
    if (Trim(name).empty()) return L"Имя не указано.";
    const String quoted = L"\"" + name + L"\"";
    for (wchar_t c : name)
        if (c < L' ' || String(L"\\/:*?\"<>|").find(c) != String::npos)
            return L"Имя " + quoted + L" нельзя использовать как имя файла: в нем не должно быть символов \\ / : * ? \" < > |.";
    if (name.find_first_not_of(L". ") == String::npos)
        return L"Имя " + quoted + L" нельзя использовать как имя файла: оно не может состоять из одних точек и пробелов.";
    // Device names stay devices whatever extension follows them.
    String stem = UpperCase(Trim(CutAtFirstDot(name)));
    static const wchar_t* const devices[] = {L"CON", L"PRN", L"AUX", L"NUL"};
    bool device = std::find_if(std::begin(devices), std::end(devices), [&](const wchar_t* d) { return stem == d; }) !=
                  std::end(devices);
    if (stem.size() == 4 && (stem.compare(0, 3, L"COM") == 0 || stem.compare(0, 3, L"LPT") == 0) && stem[3] >= L'1' &&
        stem[3] <= L'9')
        device = true;
    if (device) return L"Имя " + quoted + L" нельзя использовать как имя файла: это имя устройства.";
    return {};
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
