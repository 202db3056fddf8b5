#include "classlib/BmpHeader.h"

#include "classlib/ImageSize.h"

namespace {

uint32_t U16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
uint32_t U32(const uint8_t* p) { return U16(p) | U16(p + 2) << 16; }

bool Fail(std::string* error, const char* text)
{
    if (error) *error = text;
    return false;
}

constexpr size_t kFileHeader = 14;

bool KnownHeaderSize(uint32_t size)
{
    // Core (12), info (40), info with RGB / RGBA masks (52, 56), versions 4 and 5.
    return size == 12 || size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

bool CompressionAllowed(int bits, uint32_t compression)
{
    switch (compression) {
    case kBmpRgb: return true;
    case kBmpRle8: return bits == 8;
    case kBmpRle4: return bits == 4;
    case kBmpBitFields:
    case kBmpAlphaBitFields: return bits == 16 || bits == 32;
    default: return false;   // JPEG, PNG and anything unknown
    }
}

}  // namespace

bool ParseBmpHeader(const uint8_t* data, size_t size, BmpInfo& info, std::string* error)
{
    info = BmpInfo{};
    if (!data || size < kFileHeader + 4) return Fail(error, "BMP file too short");
    if (data[0] != 'B' || data[1] != 'M') return Fail(error, "not a BMP file");
    uint32_t offBits = U32(data + 10);
    uint32_t headerSize = U32(data + 14);
    if (!KnownHeaderSize(headerSize)) return Fail(error, "unknown BMP header kind");
    if (size - kFileHeader < headerSize) return Fail(error, "BMP header cut short");
    const uint8_t* h = data + kFileHeader;
    bool core = headerSize == 12;
    int64_t width, height;
    uint32_t planes, bits, compression = kBmpRgb, sizeImage = 0, clrUsed = 0;
    if (core) {
        width = U16(h + 4);
        height = U16(h + 6);
        planes = U16(h + 8);
        bits = U16(h + 10);
    } else {
        width = int32_t(U32(h + 4));
        height = int32_t(U32(h + 8));
        planes = U16(h + 12);
        bits = U16(h + 14);
        compression = U32(h + 16);
        sizeImage = U32(h + 20);
        clrUsed = U32(h + 32);
    }
    if (planes != 1) return Fail(error, "BMP plane count is not 1");
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return Fail(error, "unknown BMP bit count");
    if (core && (bits == 16 || bits == 32)) return Fail(error, "unknown BMP bit count");
    if (!CompressionAllowed(int(bits), compression)) return Fail(error, "BMP compression not allowed at this bit count");
    bool rle = compression == kBmpRle8 || compression == kBmpRle4;
    bool fields = compression == kBmpBitFields || compression == kBmpAlphaBitFields;
    info.topDown = height < 0;
    if (info.topDown) height = -height;
    // Compressed rows run from the bottom by definition.
    if (info.topDown && rle) return Fail(error, "top-down compressed BMP");
    if (!ImageSizeFits(width, height))
        return Fail(error, "BMP size out of range");
    info.width = int(width);
    info.height = int(height);
    info.bitCount = int(bits);
    info.compression = compression;

    size_t pos = kFileHeader + headerSize;
    if (fields) {
        if (headerSize >= 52) {
            // The masks are fields of the header itself.
            for (int i = 0; i < 3; ++i) info.masks[i] = U32(h + 40 + 4 * i);
            if (headerSize >= 56) info.masks[3] = U32(h + 52);
        } else {
            size_t count = compression == kBmpAlphaBitFields ? 4 : 3;
            if (size - pos < count * 4) return Fail(error, "BMP bit-field masks missing");
            for (size_t i = 0; i < count; ++i) info.masks[i] = U32(data + pos + 4 * i);
            pos += count * 4;
        }
        info.alphaMask = info.masks[3] != 0;
    } else if (bits == 16) {
        info.masks[0] = 0x7C00, info.masks[1] = 0x03E0, info.masks[2] = 0x001F;
    } else if (bits > 8) {
        info.masks[0] = 0xFF0000, info.masks[1] = 0x00FF00, info.masks[2] = 0x0000FF;
    }

    if (bits <= 8) {
        uint32_t most = 1u << bits;
        if (clrUsed > most) return Fail(error, "BMP colour table larger than the bit count allows");
        size_t count = core || clrUsed == 0 ? most : clrUsed;
        size_t entry = core ? 3 : 4;
        if (size - pos < count * entry) return Fail(error, "BMP colour table cut short");
        info.colors.assign(most, 0);
        for (size_t i = 0; i < count; ++i) {
            const uint8_t* e = data + pos + i * entry;
            info.colors[i] = uint32_t(e[2]) << 16 | uint32_t(e[1]) << 8 | e[0];
        }
        pos += count * entry;
    }

    // An offset of 0 (some writers leave it) means the pixels follow the table.
    if (offBits == 0) offBits = uint32_t(pos);
    if (offBits < pos) return Fail(error, "BMP pixels overlap the headers");
    if (offBits > size) return Fail(error, "BMP pixel offset past the end");
    info.bitsOffset = offBits;
    info.bitsSize = size - offBits;
    if (rle) {
        if (sizeImage != 0 && sizeImage < info.bitsSize) info.bitsSize = sizeImage;
        if (info.bitsSize < 2) return Fail(error, "BMP compressed data missing");
    } else {
        uint64_t need = uint64_t(info.Stride()) * uint64_t(info.height);
        if (need > info.bitsSize) return Fail(error, "BMP rows cut short");
        info.bitsSize = size_t(need);
    }
    return true;
}

bool DecodeBmpRle(const uint8_t* data, size_t size, const BmpInfo& info, std::vector<uint8_t>& indices,
                  std::string* error)
{
    indices.clear();
    bool four = info.compression == kBmpRle4;
    if ((!four && info.compression != kBmpRle8) || !ImageSizeFits(info.width, info.height))
        return Fail(error, "not a compressed BMP");
    if (!data || info.bitsOffset > size || info.bitsSize > size - info.bitsOffset)
        return Fail(error, "BMP compressed data outside the file");
    const size_t w = size_t(info.width), h = size_t(info.height);
    indices.assign(w * h, 0);
    const uint8_t* p = data + info.bitsOffset;
    const size_t n = info.bitsSize;
    // x and y (rows from the bottom) may run past the picture; each step adds at
    // most 255 per two bytes read, so in 64 bits they cannot wrap.
    uint64_t x = 0, y = 0;
    size_t i = 0;
    auto put = [&](uint8_t v) {
        if (x < w && y < h) indices[(h - 1 - size_t(y)) * w + size_t(x)] = v;
        ++x;
    };
    while (n - i >= 2) {
        uint8_t count = p[i], code = p[i + 1];
        i += 2;
        if (count > 0) {   // a run of one value (two alternating nibbles in RLE4)
            for (unsigned k = 0; k < count; ++k)
                put(four ? uint8_t((k & 1) ? code & 15 : code >> 4) : code);
            continue;
        }
        switch (code) {
        case 0:   // end of line
            x = 0;
            ++y;
            break;
        case 1:   // end of picture
            return true;
        case 2:   // move right and up
            if (n - i < 2) return Fail(error, "BMP compressed data cut short");
            x += p[i];
            y += p[i + 1];
            i += 2;
            break;
        default: {   // code pixels as they are, padded to an even byte count
            size_t bytes = four ? (size_t(code) + 1) / 2 : code;
            size_t padded = bytes + (bytes & 1);
            if (n - i < padded) return Fail(error, "BMP compressed data cut short");
            for (unsigned k = 0; k < code; ++k)
                put(four ? uint8_t((k & 1) ? p[i + k / 2] & 15 : p[i + k / 2] >> 4) : p[i + k]);
            i += padded;
        }
        }
    }
    return Fail(error, "BMP compressed data without an end");
}
