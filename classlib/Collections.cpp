#include "classlib/Collections.h"

#include <algorithm>
#include <cstring>

namespace {

const char kSignature[4] = {'T', 'C', 'O', '1'};
enum : uint8_t { vtString = 1, vtInteger = 2, vtFloat = 3, vtBinary = 4 };
// Longest name, string and binary value a reader accepts.
constexpr uint32_t kMaxName = 256;
constexpr uint32_t kMaxValue = 256u << 20;

}  // namespace

TCollectionItem::TCollectionItem(TCollection* collection) : collection_(collection) {}

TCollectionItem::~TCollectionItem()
{
    if (collection_) {
        auto& v = collection_->items_;
        for (size_t i = 0; i < v.size(); ++i)
            if (v[i] == this) {
                v.erase(v.begin() + ptrdiff_t(i));
                break;
            }
        collection_->Changed();
    }
}

int TCollectionItem::Index() const
{
    if (!collection_)
        return -1;
    for (int i = 0; i < collection_->Count(); ++i)
        if (collection_->items_[size_t(i)] == this)
            return i;
    return -1;
}

void TCollectionItem::SetIndex(int index)
{
    const int current = Index();
    if (current < 0)
        return;
    auto& v = collection_->items_;
    index = std::clamp(index, 0, int(v.size()) - 1);
    if (index == current)
        return;
    v.erase(v.begin() + current);
    v.insert(v.begin() + index, this);
    collection_->Changed();
}

TCollection::TCollection(TItemFactory factory) : factory_(std::move(factory)) {}

TCollection::~TCollection()
{
    ++updateCount_;
    while (!items_.empty()) {
        TCollectionItem* item = items_.back();
        items_.pop_back();
        item->collection_ = nullptr;
        delete item;
    }
}

TCollectionItem* TCollection::Items(int index) const
{
    if (index < 0 || index >= Count())
        throw EListError(L"List index out of bounds (" + IntToStr(index) + L")");
    return items_[size_t(index)];
}

TCollectionItem* TCollection::Add()
{
    TCollectionItem* item = factory_(this);
    items_.push_back(item);
    Changed();
    return item;
}

void TCollection::Delete(int index) { delete Items(index); }

void TCollection::Clear()
{
    BeginUpdate();
    while (!items_.empty())
        delete items_.back();
    EndUpdate();
}

void TCollection::EndUpdate()
{
    if (updateCount_ > 0 && --updateCount_ == 0)
        Changed();
}

void TCollection::Changed()
{
    if (updateCount_ == 0)
        Update(nullptr);
}

void TCollection::Assign(const TPersistent* source)
{
    auto* other = dynamic_cast<const TCollection*>(source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    BeginUpdate();
    Clear();
    for (int i = 0; i < other->Count(); ++i)
        Add()->Assign(other->Items(i));
    EndUpdate();
}

// ------------------------------------------------------------------ writer

void TWriter::Name(const String& name)
{
    std::string u = StringToUtf8(name);
    uint32_t n = uint32_t(u.size());
    Raw(&n, 4);
    Raw(u.data(), u.size());
}

void TWriter::WriteString(const String& name, const String& value)
{
    Name(name);
    uint8_t t = vtString;
    Raw(&t, 1);
    std::string u = StringToUtf8(value);
    uint32_t n = uint32_t(u.size());
    Raw(&n, 4);
    Raw(u.data(), u.size());
}

void TWriter::WriteInteger(const String& name, int64_t value)
{
    Name(name);
    uint8_t t = vtInteger;
    Raw(&t, 1);
    Raw(&value, 8);
}

void TWriter::WriteFloat(const String& name, double value)
{
    Name(name);
    uint8_t t = vtFloat;
    Raw(&t, 1);
    Raw(&value, 8);
}

void TWriter::WriteBinary(const String& name, const std::string& bytes)
{
    Name(name);
    uint8_t t = vtBinary;
    Raw(&t, 1);
    uint32_t n = uint32_t(bytes.size());
    Raw(&n, 4);
    Raw(bytes.data(), bytes.size());
}

void TWriter::DefineBinaryProperty(const String& name, const TStreamProc&, const TStreamProc& writeData, bool hasData)
{
    if (!hasData || !writeData)
        return;
    TMemoryStream m;
    writeData(m);
    WriteBinary(name, m.Data());
}

void TWriter::WriteCollection(const TCollection& c)
{
    Raw(kSignature, 4);
    uint32_t count = uint32_t(c.Count());
    Raw(&count, 4);
    for (int i = 0; i < c.Count(); ++i) {
        TCollectionItem* item = c.Items(i);
        item->WriteProperties(*this);
        item->DefineProperties(*this);
        Name(L"");
    }
}

// ------------------------------------------------------------------ reader

String TReader::ReadName()
{
    uint32_t n;
    Raw(&n, 4);
    if (n > kMaxName)
        throw EReadError(ReadErrorText());
    std::string u(n, '\0');
    Raw(u.data(), n);
    return Utf8ToString(u);
}

uint8_t TReader::ValueType()
{
    if (!typeRead_) {
        Raw(&pendingType_, 1);
        typeRead_ = true;
    }
    return pendingType_;
}

// Takes the current value, which must be of the given type.
void TReader::TakeValue(uint8_t type)
{
    if (ValueType() != type)
        throw EReadError(L"Invalid property value");
    typeRead_ = false;
}

// The bytes of a counted value (a string or binary data) of the given type.
std::string TReader::CountedValue(uint8_t type)
{
    TakeValue(type);
    uint32_t n;
    Raw(&n, 4);
    // Never more than the stream still holds: a damaged count must not allocate.
    if (n > kMaxValue || int64_t(n) > stream_.Size() - stream_.Position())
        throw EReadError(ReadErrorText());
    std::string b(n, '\0');
    Raw(b.data(), n);
    return b;
}

String TReader::ReadString() { return Utf8ToString(CountedValue(vtString)); }

int64_t TReader::ReadInteger()
{
    TakeValue(vtInteger);
    int64_t v;
    Raw(&v, 8);
    return v;
}

double TReader::ReadFloat()
{
    if (ValueType() == vtInteger)
        return double(ReadInteger());
    TakeValue(vtFloat);
    double v;
    Raw(&v, 8);
    return v;
}

std::string TReader::ReadBinary() { return CountedValue(vtBinary); }

void TReader::SkipValue()
{
    switch (ValueType()) {
    case vtString: ReadString(); break;
    case vtInteger: ReadInteger(); break;
    case vtFloat: ReadFloat(); break;
    case vtBinary: ReadBinary(); break;
    default: throw EReadError(L"Invalid property value");
    }
}

void TReader::DefineBinaryProperty(const String& name, const TStreamProc& readData, const TStreamProc&, bool)
{
    if (handled_ || name != current_ || !readData)
        return;
    TMemoryStream m(ReadBinary());
    readData(m);
    handled_ = true;
}

void TReader::ReadCollection(TCollection& c)
{
    char sig[4];
    Raw(sig, 4);
    if (std::memcmp(sig, kSignature, 4) != 0)
        throw EReadError(L"Invalid stream format");
    uint32_t count;
    Raw(&count, 4);
    if (count > 1000000)
        throw EReadError(L"Invalid stream format");
    c.BeginUpdate();
    try {
        c.Clear();
        for (uint32_t i = 0; i < count; ++i) {
            TCollectionItem* item = c.Add();
            while (true) {
                current_ = ReadName();
                if (current_.empty())
                    break;
                typeRead_ = false;
                handled_ = item->ReadProperty(current_, *this);
                if (!handled_)
                    item->DefineProperties(*this);
                if (!handled_)
                    SkipValue();
            }
        }
    } catch (...) {
        c.EndUpdate();
        throw;
    }
    c.EndUpdate();
}
