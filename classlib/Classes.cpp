#include "classlib/Classes.h"

#include <windows.h>

#include <algorithm>

void TStrings::Put(int index, const String& s)
{
    Delete(index);
    Insert(index, s);
}

int TStrings::Add(const String& s)
{
    int n = Count();
    Insert(n, s);
    return n;
}

int TStrings::IndexOf(const String& s) const
{
    for (int i = 0; i < Count(); ++i)
        if (_wcsicmp(Get(i).c_str(), s.c_str()) == 0) return i;
    return -1;
}

void TStrings::AddStrings(const TStrings& other)
{
    BeginUpdate();
    for (int i = 0; i < other.Count(); ++i) Add(other.Get(i));
    EndUpdate();
}

void TStrings::Assign(const TPersistent* source)
{
    if (auto* s = dynamic_cast<const TStrings*>(source)) {
        BeginUpdate();
        Clear();
        AddStrings(*s);
        EndUpdate();
        return;
    }
    TPersistent::Assign(source);
}

String TStrings::Text() const
{
    String r;
    for (int i = 0; i < Count(); ++i) r += Get(i) + L"\r\n";
    return r;
}

std::vector<String> TStrings::SplitLines(const String& text) { return SplitTextLines(text); }

void TStrings::SetText(const String& text)
{
    BeginUpdate();
    Clear();
    for (auto& l : SplitLines(text)) Add(l);
    EndUpdate();
}

void TStrings::LoadFromFile(const String& fileName)
{
    TFileStream f(fileName, fmOpenRead | fmShareDenyWrite);
    SetText(AnsiToString(f.ReadAll()));
}

void TStrings::SaveToFile(const String& fileName) const
{
    TFileStream f(fileName, fmCreate);
    std::string bytes = StringToAnsi(Text());
    f.WriteBuffer(bytes.data(), int64_t(bytes.size()));
}

void TStringList::Check(int index, bool allowEnd) const
{
    if (index < 0 || index > Count() || (!allowEnd && index == Count()))
        throw EListError(L"List index out of bounds (" + IntToStr(index) + L")");
}

String TStringList::Get(int index) const
{
    Check(index);
    return items_[size_t(index)];
}

void TStringList::Put(int index, const String& s)
{
    Check(index);
    items_[size_t(index)] = s;
    Changed();
}

void TStringList::Insert(int index, const String& s)
{
    Check(index, true);
    items_.insert(items_.begin() + index, s);
    Changed();
}

void TStringList::Delete(int index)
{
    Check(index);
    items_.erase(items_.begin() + index);
    Changed();
}

void TStringList::Sort()
{
    std::sort(items_.begin(), items_.end(),
              [](const String& a, const String& b) { return _wcsicmp(a.c_str(), b.c_str()) < 0; });
    Changed();
}

void TStream::ReadBuffer(void* buffer, int64_t count)
{
    if (count > 0 && Read(buffer, count) != count) throw EReadError(ReadErrorText());
}

void TStream::WriteBuffer(const void* buffer, int64_t count)
{
    if (count > 0 && Write(buffer, count) != count) throw EWriteError(WriteErrorText());
}

int64_t TStream::Size()
{
    int64_t pos = Seek(0, TSeekOrigin::soCurrent);
    int64_t size = Seek(0, TSeekOrigin::soEnd);
    Seek(pos, TSeekOrigin::soBeginning);
    return size;
}

int64_t TStream::CopyFrom(TStream& source, int64_t count)
{
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    char buf[65536];
    int64_t left = count;
    while (left > 0) {
        int64_t n = std::min<int64_t>(left, sizeof buf);
        source.ReadBuffer(buf, n);
        WriteBuffer(buf, n);
        left -= n;
    }
    return count;
}

std::string TStream::ReadAll()
{
    std::string out;
    char buf[65536];
    for (;;) {
        int64_t n = Read(buf, sizeof buf);
        if (n <= 0) break;
        out.append(buf, size_t(n));
    }
    return out;
}

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

int64_t TMemoryStream::Read(void* buffer, int64_t count)
{
    if (count <= 0 || pos_ >= data_.size()) return 0;
    size_t n = std::min<size_t>(size_t(count), data_.size() - pos_);
    std::memcpy(buffer, data_.data() + pos_, n);
    pos_ += n;
    return int64_t(n);
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count)
{
    if (count <= 0) return 0;
    if (pos_ + size_t(count) > data_.size()) data_.resize(pos_ + size_t(count));
    std::memcpy(data_.data() + pos_, buffer, size_t(count));
    pos_ += size_t(count);
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin)
{
    int64_t base = origin == TSeekOrigin::soBeginning ? 0
                   : origin == TSeekOrigin::soCurrent ? int64_t(pos_)
                                                      : int64_t(data_.size());
    int64_t p = std::max<int64_t>(0, base + offset);
    pos_ = size_t(p);
    return p;
}

void TMemoryStream::LoadFromFile(const String& fileName)
{
    TFileStream f(fileName, fmOpenRead | fmShareDenyWrite);
    data_ = f.ReadAll();
    pos_ = 0;
}

void TMemoryStream::SaveToFile(const String& fileName)
{
    TFileStream f(fileName, fmCreate);
    f.WriteBuffer(data_.data(), int64_t(data_.size()));
}
