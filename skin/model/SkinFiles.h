// File access of the skin loader. Paths are UTF-8 text with "\" separators, as
// the skin manager builds them; outside Windows "\" is read as "/".
#pragma once
#include <functional>
#include <string>

namespace SkinFiles {

bool FileExists(const std::string& path);        // a file, not a folder
bool DirectoryExists(const std::string& path);
// The whole file; throws SkinError (File) when it cannot be read.
std::string ReadFile(const std::string& path);
// Every entry of a folder (not "." and ".."), with whether it is a folder.
void ListFolder(const std::string& path, const std::function<void(const std::string& name, bool isFolder)>& visit);

}  // namespace SkinFiles
