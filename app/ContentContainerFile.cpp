// File layer of the document container: safe replacement on save, plain reads.
#include <windows.h>

#include "app/ContentContainer.h"

namespace {

class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() { Close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool Valid() const { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return h_; }
    void Close()
    {
        if (Valid()) CloseHandle(h_);
        h_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE h_;
};

// The folder part of a file name, as a form GetTempFileNameW accepts.
String FolderOf(const String& fileName)
{
    size_t p = fileName.find_last_of(L"\\/");
    if (p != String::npos) return fileName.substr(0, p + 1);
    if (fileName.size() >= 2 && fileName[1] == L':') return fileName.substr(0, 2);
    return L".";
}

// Checks, without changing anything on disk that exists already, that the
// target can be written: an existing file must open for exclusive writing
// (which fails while someone holds it open without sharing, for read-only
// files and for folders), a new name must be creatable in its folder.
bool TargetWritable(const String& fileName)
{
    // Read-only files are refused as Windows refuses to overwrite them; the
    // check is explicit because an emulated file system may let a privileged
    // user open them for writing.
    DWORD attr = GetFileAttributesW(fileName.c_str());
    if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_READONLY)) return false;
    Handle existing(CreateFileW(fileName.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (existing.Valid()) return true;
    DWORD err = GetLastError();
    if (err != ERROR_FILE_NOT_FOUND) return false;
    Handle probe(CreateFileW(fileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    return probe.Valid();
}

}  // namespace

void SaveDocumentFile(const String& fileName, std::string_view text)
{
    std::string data = PackDocument(text);

    if (fileName.empty() || !TargetWritable(fileName)) throw EFCreateError(FileCreateErrorText(fileName));

    wchar_t tempName[MAX_PATH + 1] = {};
    if (!GetTempFileNameW(FolderOf(fileName).c_str(), L"~tv", 0, tempName))
        throw EFCreateError(FileCreateErrorText(fileName));
    String temp = tempName;

    bool written = false;
    {
        Handle h(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL,
                             nullptr));
        if (!h.Valid()) {
            DeleteFileW(temp.c_str());
            throw EFCreateError(FileCreateErrorText(fileName));
        }
        const char* p = data.data();
        size_t left = data.size();
        written = true;
        while (left > 0) {
            DWORD piece = DWORD(left < 64 * 1024 ? left : 64 * 1024);
            DWORD done = 0;
            if (!WriteFile(h.Get(), p, piece, &done, nullptr) || done != piece) {
                written = false;
                break;
            }
            p += piece;
            left -= piece;
        }
        if (written && !FlushFileBuffers(h.Get())) written = false;
    }
    if (!written) {
        DeleteFileW(temp.c_str());
        throw EWriteError(WriteErrorText());
    }
    if (!MoveFileExW(temp.c_str(), fileName.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temp.c_str());
        throw EFCreateError(FileCreateErrorText(fileName));
    }
}

std::string ReadFileBytes(const String& fileName)
{
    Handle h(CreateFileW(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.Valid()) throw EFOpenError(FileOpenErrorText(fileName));
    std::string out;
    std::string buffer(64 * 1024, '\0');
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(h.Get(), buffer.data(), DWORD(buffer.size()), &got, nullptr))
            throw EReadError(ReadErrorText());
        if (got == 0) break;
        out.append(buffer.data(), got);
    }
    return out;
}

std::string LoadDocumentFile(const String& fileName) { return UnpackDocument(ReadFileBytes(fileName)); }
