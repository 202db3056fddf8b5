#include "skin/model/SkinFiles.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "skin/graphics/SkinError.h"

namespace fs = std::filesystem;

namespace {

fs::path ToPath(const std::string& path)
{
#ifdef _WIN32
    std::u8string u(path.begin(), path.end());
    return fs::path(u);
#else
    std::string p = path;
    for (char& c : p)
        if (c == '\\')
            c = '/';
    return fs::path(p);
#endif
}

}  // namespace

namespace SkinFiles {

bool FileExists(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(ToPath(path), ec);
}

bool DirectoryExists(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && fs::is_directory(ToPath(path), ec);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(ToPath(path), std::ios::binary | std::ios::ate);
    if (!in)
        throw SkinError(SkinErrorKind::File, "Cannot open file \"" + path + "\"");
    std::streamoff size = in.tellg();
    if (size < 0 || size > (std::streamoff(1) << 31))
        throw SkinError(SkinErrorKind::File, "Cannot read file \"" + path + "\"");
    std::string data(size_t(size), '\0');
    in.seekg(0);
    if (size && !in.read(data.data(), size))
        throw SkinError(SkinErrorKind::File, "Cannot read file \"" + path + "\"");
    return data;
}

void ListFolder(const std::string& path, const std::function<void(const std::string&, bool)>& visit)
{
    std::error_code ec;
    fs::directory_iterator it(ToPath(path), ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        std::u8string name = it->path().filename().u8string();
        std::error_code ec2;
        visit(std::string(name.begin(), name.end()), it->is_directory(ec2));
    }
}

}  // namespace SkinFiles
