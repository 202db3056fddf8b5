// The file stream over the Win32 file API. (Kept apart from the rest of the
// stream and string-list code, which holds no platform calls and is also built
// natively; native/FileStreamPosix.cpp is the other platform's version.)
#include "classlib/Classes.h"

#include <windows.h>

#include <algorithm>

TFileStream::TFileStream(const String& fileName, unsigned mode) : fileName_(fileName)
{
    if (mode == fmCreate || (mode & 0xFF00) == fmCreate) {
        handle_ = CreateFileW(fileName.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle_ == INVALID_HANDLE_VALUE) throw EFCreateError(FileCreateErrorText(fileName));
        return;
    }
    DWORD access = (mode & 3) == fmOpenWrite       ? GENERIC_WRITE
                   : (mode & 3) == fmOpenReadWrite ? GENERIC_READ | GENERIC_WRITE
                                                   : GENERIC_READ;
    DWORD share = (mode & fmShareDenyWrite) ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE;
    handle_ = CreateFileW(fileName.c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE) throw EFOpenError(FileOpenErrorText(fileName));
}

TFileStream::~TFileStream()
{
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
}

int64_t TFileStream::Read(void* buffer, int64_t count)
{
    int64_t total = 0;
    auto* p = static_cast<char*>(buffer);
    while (count > 0) {
        DWORD got = 0;
        DWORD want = DWORD(std::min<int64_t>(count, 1 << 30));
        if (!ReadFile(handle_, p, want, &got, nullptr) || got == 0) break;
        total += got;
        p += got;
        count -= got;
    }
    return total;
}

int64_t TFileStream::Write(const void* buffer, int64_t count)
{
    int64_t total = 0;
    auto* p = static_cast<const char*>(buffer);
    while (count > 0) {
        DWORD put = 0;
        DWORD want = DWORD(std::min<int64_t>(count, 1 << 30));
        if (!WriteFile(handle_, p, want, &put, nullptr) || put == 0) break;
        total += put;
        p += put;
        count -= put;
    }
    return total;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin)
{
    LARGE_INTEGER d, r;
    d.QuadPart = offset;
    DWORD how = origin == TSeekOrigin::soBeginning ? FILE_BEGIN
                : origin == TSeekOrigin::soCurrent ? FILE_CURRENT
                                                   : FILE_END;
    if (!SetFilePointerEx(handle_, d, &r, how)) return -1;
    return r.QuadPart;
}
