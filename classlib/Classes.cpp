#include "classlib/Classes.h"

#include <algorithm>
#include <cwchar>

namespace {
// Case-insensitive order of the C runtime (the Windows one on Windows).
int CompareNoCase(const String& a, const String& b)
{
#ifdef _WIN32
    return _wcsicmp(a.c_str(), b.c_str());
#else
    return wcscasecmp(a.c_str(), b.c_str());
#endif
}
}  // namespace

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
        if (CompareNoCase(Get(i), s) == 0) return i;
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
              [](const String& a, const String& b) { return CompareNoCase(a, b) < 0; });
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
