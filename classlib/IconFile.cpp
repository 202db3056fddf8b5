#include "classlib/IconFile.h"

#include <cstring>

#include "classlib/ImageSize.h"

namespace {

uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }

bool Fail(std::string* error, const char* text)
{
    if (error) *error = text;
    return false;
}

// Largest side of an icon image, tighter than ImageLimits because the format
// says so: the directory holds each side in one byte, 0 meaning 256.
constexpr int kIconMaxSide = 256;
constexpr int kMaxEntries = 256;

bool IconSizeFits(int64_t width, int64_t height)
{
    return ImageSizeFits(width, height, ImageLimits::kMaxPixels, kIconMaxSide);
}

}  // namespace

bool ParseIconDirectory(const uint8_t* data, size_t size, std::vector<IconDirEntry>& entries, std::string* error)
{
    entries.clear();
    if (!data || size < 6) return Fail(error, "icon file too short");
    if (U16(data) != 0 || U16(data + 2) != 1) return Fail(error, "not an icon file");
    int count = U16(data + 4);
    if (count == 0) return Fail(error, "icon file without images");
    if (count > kMaxEntries) return Fail(error, "too many images in the icon file");
    if (size < 6 + size_t(count) * 16) return Fail(error, "icon directory cut short");
    for (int i = 0; i < count; ++i) {
        const uint8_t* e = data + 6 + i * 16;
        IconDirEntry d;
        d.width = e[0] ? e[0] : 256;
        d.height = e[1] ? e[1] : 256;
        d.bitCount = U16(e + 6);
        d.size = U32(e + 8);
        d.offset = U32(e + 12);
        if (d.size == 0 || d.offset > size || d.size > size - d.offset) return Fail(error, "icon image outside the file");
        if (d.offset < 6 + uint32_t(count) * 16) return Fail(error, "icon image overlaps the directory");
        entries.push_back(d);
    }
    return true;
}

bool CheckIconImage(const uint8_t* image, size_t size, IconImageInfo& info, std::string* error)
{
    info = IconImageInfo{};
    static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', 13, 10, 26, 10};
    if (size >= 24 && std::memcmp(image, kPng, 8) == 0) {
        // Width and height from the header chunk; the decoder checks the rest.
        if (std::memcmp(image + 12, "IHDR", 4) != 0) return Fail(error, "PNG icon without a header");
        uint32_t w = (uint32_t(image[16]) << 24) | (uint32_t(image[17]) << 16) | (uint32_t(image[18]) << 8) | image[19];
        uint32_t h = (uint32_t(image[20]) << 24) | (uint32_t(image[21]) << 16) | (uint32_t(image[22]) << 8) | image[23];
        if (!IconSizeFits(w, h)) return Fail(error, "PNG icon size out of range");
        info.png = true;
        info.width = int(w);
        info.height = int(h);
        info.bitCount = 32;
        return true;
    }
    if (size < 40) return Fail(error, "icon image header cut short");
    uint32_t headerSize = U32(image);
    if (headerSize < 40 || headerSize > size) return Fail(error, "bad icon image header");
    int32_t w = int32_t(U32(image + 4));
    int32_t h2 = int32_t(U32(image + 8));
    uint16_t planes = U16(image + 12);
    uint16_t bits = U16(image + 14);
    uint32_t compression = U32(image + 16);
    if (planes != 1) return Fail(error, "bad icon image planes");
    if (compression != 0) return Fail(error, "compressed icon images are not read");
    if ((h2 & 1) || !IconSizeFits(w, h2 / 2)) return Fail(error, "icon image size out of range");
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return Fail(error, "bad icon image depth");
    int h = h2 / 2;
    uint64_t colors = 0;
    if (bits <= 8) {
        uint32_t used = U32(image + 32);
        uint32_t most = 1u << bits;
        colors = used ? used : most;
        if (colors > most) return Fail(error, "bad icon colour table");
    }
    uint64_t xorRow = ((uint64_t(w) * bits + 31) / 32) * 4;
    uint64_t andRow = ((uint64_t(w) + 31) / 32) * 4;
    uint64_t need = uint64_t(headerSize) + colors * 4 + (xorRow + andRow) * uint64_t(h);
    if (need > size) return Fail(error, "icon image data cut short");
    info.width = w;
    info.height = h;
    info.bitCount = bits;
    return true;
}

int ChooseIconEntry(const std::vector<IconDirEntry>& entries, int wantWidth, int wantHeight)
{
    int best = -1;
    // Exact size, most colours.
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].width == wantWidth && entries[i].height == wantHeight &&
            (best < 0 || entries[i].bitCount > entries[size_t(best)].bitCount))
            best = int(i);
    if (best >= 0) return best;
    // Smallest larger one.
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].width >= wantWidth && entries[i].height >= wantHeight &&
            (best < 0 || entries[i].width * entries[i].height < entries[size_t(best)].width * entries[size_t(best)].height))
            best = int(i);
    if (best >= 0) return best;
    // Largest.
    for (size_t i = 0; i < entries.size(); ++i)
        if (best < 0 || entries[i].width * entries[i].height > entries[size_t(best)].width * entries[size_t(best)].height)
            best = int(i);
    return best;
}
