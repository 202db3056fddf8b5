#include "skin/model/SkinPack.h"

#include <zlib.h>

#include <cstring>

#include "skin/graphics/SkinError.h"
#include "skin/model/SkinFiles.h"

std::string UpperAscii(std::string_view s)
{
    std::string r(s);
    for (char& c : r)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return r;
}

bool EqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = char(x - 32);
        if (y >= 'a' && y <= 'z') y = char(y - 32);
        if (x != y)
            return false;
    }
    return true;
}

void TkvSkinConvertor::SetOwnedSource(std::string bytes)
{
    owned_ = std::make_unique<std::string>(std::move(bytes));
    source_ = owned_.get();
}

void TkvSkinConvertor::SetBorrowedSource(const std::string* bytes)
{
    owned_.reset();
    source_ = bytes;
}

void TkvSkinConvertor::DetachSource()
{
    owned_.reset();
    source_ = nullptr;
}

void TkvSkinConvertor::Clear()
{
    ImageItems.clear();
    Options.reset();
    DetachSource();
    ImageCount = -1;
}

const TkvImageItem* TkvSkinConvertor::FindImage(std::string_view name) const
{
    // Every item is searched, not the first ImageCount: a file with two option
    // entries has fewer images than N - 1.
    for (const TkvImageItem& item : ImageItems)
        if (EqualNoCase(item.Name, name))
            return &item;
    return nullptr;
}

namespace {

class Reader {
public:
    explicit Reader(const std::string& bytes) : p_(bytes) {}
    size_t Remaining() const { return p_.size() - pos_; }
    int32_t Int()
    {
        if (Remaining() < 4)
            throw SkinError(SkinErrorKind::Read, "Stream read error");
        const unsigned char* b = reinterpret_cast<const unsigned char*>(p_.data()) + pos_;
        pos_ += 4;
        return int32_t(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24);
    }
    std::string Bytes(size_t n)
    {
        if (Remaining() < n)
            throw SkinError(SkinErrorKind::Read, "Stream read error");
        std::string s = p_.substr(pos_, n);
        pos_ += n;
        return s;
    }
    // Inflates one zlib stream starting here to exactly size bytes and leaves the
    // position right after the stream's trailer.
    std::string Inflate(size_t size)
    {
        std::string out(size, '\0');
        z_stream z{};
        if (inflateInit(&z) != Z_OK)
            throw SkinError(SkinErrorKind::Decompress, "Decompression error");
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(p_.data() + pos_));
        z.avail_in = uInt(std::min<size_t>(Remaining(), 0x7FFFFFFF));
        z.next_out = reinterpret_cast<Bytef*>(out.data());
        z.avail_out = uInt(size);
        int rc = Z_OK;
        unsigned char extra;
        while (true) {
            rc = inflate(&z, Z_NO_FLUSH);
            if (rc == Z_STREAM_END)
                break;
            if (rc == Z_BUF_ERROR && z.avail_out == 0) {
                // S bytes are out but the stream goes on: one more byte of output
                // room tells whether only the trailer is left or there is extra data.
                z.next_out = &extra;
                z.avail_out = 1;
                rc = inflate(&z, Z_NO_FLUSH);
                if (rc == Z_STREAM_END && z.avail_out == 1)
                    break;
                inflateEnd(&z);
                throw SkinError(SkinErrorKind::Decompress, "Decompression error: more data than declared");
            }
            if (rc != Z_OK) {
                inflateEnd(&z);
                throw SkinError(SkinErrorKind::Decompress, "Decompression error");
            }
            if (z.avail_out == 0)
                continue;
            if (z.avail_in == 0) {
                inflateEnd(&z);
                throw SkinError(SkinErrorKind::Decompress, "Decompression error: stream cut short");
            }
        }
        if (z.total_out != size) {
            inflateEnd(&z);
            throw SkinError(SkinErrorKind::Decompress, "Decompression error: less data than declared");
        }
        pos_ += size_t(z.next_in - reinterpret_cast<const Bytef*>(p_.data() + pos_));
        inflateEnd(&z);
        return out;
    }

private:
    const std::string& p_;
    size_t pos_ = 0;
};

}  // namespace

void ReadPackedSkin(TkvSkinConvertor& c)
{
    const std::string* src = c.PackedBytes();
    try {
        if (!src || src->size() < 4 || std::memcmp(src->data(), "VMzf", 4) != 0)
            throw SkinError(SkinErrorKind::Format, kNotPackedSkinText);
        c.ImageItems.clear();
        c.Options.reset();
        Reader r(*src);
        r.Bytes(4);
        int32_t n = r.Int();
        if (n < 0 || size_t(n) > r.Remaining() / 9)   // an entry takes 9 bytes at least
            throw SkinError(SkinErrorKind::Read, "Stream read error: bad entry count");
        c.ImageCount = n - 1;
        for (int32_t i = 0; i < n; ++i) {
            int32_t l = r.Int();
            if (l < 0 || l > TkvSkinConvertor::kMaxNameLength || size_t(l) > r.Remaining())
                throw SkinError(SkinErrorKind::Read, "Stream read error: bad entry name");
            std::string name = r.Bytes(size_t(l));
            int32_t s = r.Int();
            if (s < 0 || s > TkvSkinConvertor::kMaxEntrySize)
                throw SkinError(SkinErrorKind::Read, "Stream read error: bad entry size");
            // A stream cannot inflate to more than about 1032 times its length.
            if (uint64_t(s) > uint64_t(r.Remaining()) * 1032 + 64)
                throw SkinError(SkinErrorKind::Read, "Stream read error: bad entry size");
            std::string data = r.Inflate(size_t(s));
            if (EqualNoCase(name, "Options.dat")) {
                c.Options = std::make_unique<std::string>(std::move(data));   // a second one replaces the first
            } else {
                TkvImageItem item;
                item.IsBitmap = name.size() >= 4 && EqualNoCase(std::string_view(name).substr(name.size() - 4), ".BMP");
                item.Name = std::move(name);
                item.Data = std::move(data);
                c.ImageItems.push_back(std::move(item));
            }
        }
    } catch (...) {
        c.Clear();   // forgets a borrowed source, never frees it
        throw;
    }
}

bool LoadPackedSkin(const std::string& fileName, TkvSkinConvertor& c, bool freeSource)
{
    if (!SkinFiles::FileExists(fileName))
        return false;
    c.Clear();
    c.SetOwnedSource(SkinFiles::ReadFile(fileName));
    ReadPackedSkin(c);
    if (freeSource)
        c.DetachSource();
    return true;
}

std::string WritePackedSkin(const std::vector<PackEntry>& entries, int level)
{
    std::string out = "VMzf";
    auto put = [&](int32_t v) {
        for (int i = 0; i < 4; ++i)
            out.push_back(char((uint32_t(v) >> (8 * i)) & 0xFF));
    };
    put(int32_t(entries.size()));
    for (const PackEntry& e : entries) {
        put(int32_t(e.name.size()));
        out += e.name;
        put(int32_t(e.data.size()));
        uLongf len = compressBound(uLong(e.data.size()));
        std::string z(len, '\0');
        if (compress2(reinterpret_cast<Bytef*>(z.data()), &len, reinterpret_cast<const Bytef*>(e.data.data()),
                      uLong(e.data.size()), level) != Z_OK)
            throw SkinError(SkinErrorKind::Decompress, "Compression error");
        out.append(z.data(), len);
    }
    return out;
}
