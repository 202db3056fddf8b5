// The file stream over POSIX stdio, for the native build: the same contract as
// the Win32 version (fmCreate creates or truncates and raises EFCreateError,
// other modes open an existing file and raise EFOpenError).
#include "classlib/Classes.h"

#include <cstdio>

namespace {
FILE* AsFile(void* h) { return static_cast<FILE*>(h); }
}

TFileStream::TFileStream(const String& fileName, unsigned mode) : fileName_(fileName)
{
    std::string path = StringToUtf8(fileName);
    if (mode == fmCreate || (mode & 0xFF00) == fmCreate) {
        handle_ = std::fopen(path.c_str(), "w+b");
        if (!handle_) throw EFCreateError(FileCreateErrorText(fileName));
        return;
    }
    const char* how = (mode & 3) == fmOpenRead ? "rb" : "r+b";
    handle_ = std::fopen(path.c_str(), how);
    if (!handle_) throw EFOpenError(FileOpenErrorText(fileName));
}

TFileStream::~TFileStream()
{
    if (handle_) std::fclose(AsFile(handle_));
}

int64_t TFileStream::Read(void* buffer, int64_t count)
{
    if (count <= 0) return 0;
    return int64_t(std::fread(buffer, 1, size_t(count), AsFile(handle_)));
}

int64_t TFileStream::Write(const void* buffer, int64_t count)
{
    if (count <= 0) return 0;
    return int64_t(std::fwrite(buffer, 1, size_t(count), AsFile(handle_)));
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin)
{
    int how = origin == TSeekOrigin::soBeginning ? SEEK_SET : origin == TSeekOrigin::soCurrent ? SEEK_CUR : SEEK_END;
    if (fseeko(AsFile(handle_), off_t(offset), how) != 0) return -1;
    return int64_t(ftello(AsFile(handle_)));
}
