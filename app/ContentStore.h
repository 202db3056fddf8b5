// The content folder beside the program: its listing rules and the creation of
// a subject's folders. Paths are built by plain concatenation, nothing is
// normalised.
#pragma once
#include <vector>

#include "classlib/SysUtils.h"

// Names of the entries matching pattern (a folder search pattern such as
// "C:\P\Content\*"), in the order the directory search returns them.
// "." and "..", hidden and system entries are skipped; foldersOnly keeps only
// folders. A missing folder gives an empty list.
std::vector<String> ListEntries(const String& pattern, bool foldersOnly);

// Everything from the first "." on is removed: "Тема 1.2.html" -> "Тема 1".
String CutAtFirstDot(const String& name);

// Why name cannot be one file or folder name of the content folder (empty
// when it can). Names typed by users (a subject, a student's name in a report
// file name) become parts of paths: a separator or ".." would put files
// outside their folder, wildcards and reserved device names would make the
// file impossible to write, so the user is told before anything is done.
String NameProblem(const String& name);

// programFolder (with its trailing backslash) + "Content\".
String ContentFolder(const String& programFolder);

// Creates Content\<name>, then its "Тесты", "Видео" and "Презентации"
// folders, each one level at a time; failures are ignored.
void CreateSubject(const String& programFolder, const String& name);

// The program folder the windows build their paths on: ProgramFolder(),
// unless an override has been set (tests point it at a folder of their own).
String AppFolder();
void SetAppFolder(const String& folder);   // empty: back to ProgramFolder()

struct SubjectListing {
    String subject;
    std::vector<String> items;
};

// The subjects under contentBase (which ends with a backslash), each with the
// entries of contentBase + subject + innerPattern (e.g. L"\\*.html" or
// L"\\Презентации\\*.*"), names cut at the first dot when cutNames is set.
std::vector<SubjectListing> ListSubjects(const String& contentBase, const String& innerPattern, bool cutNames);
