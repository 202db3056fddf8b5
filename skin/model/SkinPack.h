// Packed skins (".vmz"): "VMzf", an entry count N, then N entries of
// {name length L, name, inflated size S, zlib stream inflating to S bytes}.
// All integers little-endian signed 32-bit. The same bytes are what a stored
// skin keeps in its "Data" property.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct TkvImageItem {
    std::string Name;     // as stored
    bool IsBitmap = false;   // extension ".BMP", any case
    std::string Data;     // the S inflated bytes
};
using TkvImageItems = std::vector<TkvImageItem>;

class TkvSkinConvertor {
public:
    // Limits on what a packed file may declare.
    static constexpr int32_t kMaxNameLength = 1024;
    static constexpr int32_t kMaxEntrySize = 256 << 20;

    int32_t ImageCount = -1;           // N - 1
    TkvImageItems ImageItems;          // file order, the options entry left out
    std::unique_ptr<std::string> Options;   // the options text, null when the file has none

    // The bytes being read: either owned (loaded from a file) or borrowed from a
    // stored skin, which keeps them whatever happens here.
    const std::string* PackedBytes() const { return source_; }
    void SetOwnedSource(std::string bytes);
    void SetBorrowedSource(const std::string* bytes);
    void DetachSource();   // forgets a borrowed source; frees an owned one
    void Clear();

    // The image entry whose upper-cased name equals the upper-cased name, or null.
    const TkvImageItem* FindImage(std::string_view name) const;

private:
    std::unique_ptr<std::string> owned_;
    const std::string* source_ = nullptr;
};

// Parses PackedBytes from its start. Throws SkinError: Format with the packed-file
// text for a wrong magic, Read for a record cut short or out of its bounds,
// Decompress for a damaged stream or one that does not inflate to exactly S bytes.
// On error the convertor is cleared (a borrowed source is only forgotten).
void ReadPackedSkin(TkvSkinConvertor& convertor);
// Reads a whole file and parses it; false (nothing done) when the file does not
// exist. With freeSource the file bytes are dropped after parsing.
bool LoadPackedSkin(const std::string& fileName, TkvSkinConvertor& convertor, bool freeSource);

// Writes a packed skin (for the packing tool and for tests).
struct PackEntry {
    std::string name;
    std::string data;
};
std::string WritePackedSkin(const std::vector<PackEntry>& entries, int level = 9);

std::string UpperAscii(std::string_view s);
bool EqualNoCase(std::string_view a, std::string_view b);
