#include "PngWriter.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

int PngChannels(int colorType)
{
    switch (colorType) {
    case 2: return 3;
    case 4: return 2;
    case 6: return 4;
    default: return 1;
    }
}

size_t PngRowBytes(int width, int bitDepth, int colorType)
{
    return (size_t(width) * size_t(bitDepth) * size_t(PngChannels(colorType)) + 7) / 8;
}

static void Put32(std::string& s, uint32_t v)
{
    s += char(v >> 24);
    s += char(v >> 16);
    s += char(v >> 8);
    s += char(v);
}

std::string PngChunk(const std::string& type, const std::string& data)
{
    std::string c;
    Put32(c, uint32_t(data.size()));
    c += type;
    c += data;
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type.data()), uInt(type.size()));
    crc = crc32(crc, reinterpret_cast<const Bytef*>(data.data()), uInt(data.size()));
    Put32(c, uint32_t(crc));
    return c;
}

std::string PngSignature() { return std::string("\x89PNG\r\n\x1a\n", 8); }

std::string PngHeaderData(int width, int height, int bitDepth, int colorType, bool interlaced)
{
    std::string d;
    Put32(d, uint32_t(width));
    Put32(d, uint32_t(height));
    d += char(bitDepth);
    d += char(colorType);
    d += char(0);
    d += char(0);
    d += char(interlaced ? 1 : 0);
    return d;
}

namespace {
// Bits of pixel x of a packed row.
uint64_t GetBits(const uint8_t* row, size_t x, int bpp)
{
    uint64_t v = 0;
    size_t bit = x * size_t(bpp);
    for (int k = 0; k < bpp; ++k, ++bit) v = (v << 1) | ((row[bit >> 3] >> (7 - (bit & 7))) & 1u);
    return v;
}
void SetBits(uint8_t* row, size_t x, int bpp, uint64_t v)
{
    size_t bit = x * size_t(bpp);
    for (int k = bpp - 1; k >= 0; --k, ++bit)
        if ((v >> k) & 1u) row[bit >> 3] |= uint8_t(0x80 >> (bit & 7));
}

void FilterRow(std::string& out, const std::vector<uint8_t>& cur, const std::vector<uint8_t>& prev, int type,
               size_t unit)
{
    out += char(type);
    for (size_t i = 0; i < cur.size(); ++i) {
        int a = i >= unit ? cur[i - unit] : 0, b = prev[i], c = i >= unit ? prev[i - unit] : 0;
        int pred = 0;
        switch (type) {
        case 1: pred = a; break;
        case 2: pred = b; break;
        case 3: pred = (a + b) / 2; break;
        case 4: {
            int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
            pred = (pa <= pb && pa <= pc) ? a : pb <= pc ? b : c;
            break;
        }
        default: break;
        }
        out += char(uint8_t(cur[i] - pred));
    }
}
}  // namespace

std::string WritePng(const PngSpec& s)
{
    int bpp = s.bitDepth * PngChannels(s.colorType);
    size_t unit = size_t(std::max(1, bpp / 8));
    size_t rowBytes = PngRowBytes(s.width, s.bitDepth, s.colorType);
    if (s.rows.size() < rowBytes * size_t(s.height)) throw std::runtime_error("PngSpec: too few row bytes");
    std::string raw;
    int rowNo = 0;
    auto emitPass = [&](int sr, int sc, int rs, int cs) {
        if (sc >= s.width || sr >= s.height) return;
        int pw = (s.width - sc + cs - 1) / cs;
        size_t bytes = (size_t(pw) * size_t(bpp) + 7) / 8;
        std::vector<uint8_t> prev(bytes, 0), cur(bytes);
        for (int y = sr; y < s.height; y += rs) {
            std::fill(cur.begin(), cur.end(), 0);
            const uint8_t* src = s.rows.data() + rowBytes * size_t(y);
            for (int i = 0; i < pw; ++i) SetBits(cur.data(), size_t(i), bpp, GetBits(src, size_t(sc + i * cs), bpp));
            FilterRow(raw, cur, prev, s.filter >= 0 ? s.filter : rowNo % 5, unit);
            ++rowNo;
            prev = cur;
        }
    };
    if (s.interlaced) {
        static const int sr[7] = {0, 0, 4, 0, 2, 0, 1}, sc[7] = {0, 4, 0, 2, 0, 1, 0};
        static const int rs[7] = {8, 8, 8, 4, 4, 2, 2}, cs[7] = {8, 8, 4, 4, 2, 2, 1};
        for (int p = 0; p < 7; ++p) emitPass(sr[p], sc[p], rs[p], cs[p]);
    } else {
        emitPass(0, 0, 1, 1);
    }
    uLongf zlen = compressBound(uLong(raw.size()));
    std::string z(zlen, '\0');
    compress2(reinterpret_cast<Bytef*>(z.data()), &zlen, reinterpret_cast<const Bytef*>(raw.data()), uLong(raw.size()), 6);
    z.resize(zlen);
    std::string png = PngSignature() + PngChunk("IHDR", PngHeaderData(s.width, s.height, s.bitDepth, s.colorType, s.interlaced));
    for (auto& [t, d] : s.before) png += PngChunk(t, d);
    if (s.idatSplit > 0) {
        for (size_t i = 0; i < z.size(); i += size_t(s.idatSplit)) png += PngChunk("IDAT", z.substr(i, size_t(s.idatSplit)));
    } else {
        png += PngChunk("IDAT", z);
    }
    for (auto& [t, d] : s.after) png += PngChunk(t, d);
    png += PngChunk("IEND", "");
    return png;
}

std::vector<uint8_t> PatternRows(int width, int height, int bitDepth, int colorType, uint32_t seed)
{
    size_t n = PngRowBytes(width, bitDepth, colorType) * size_t(height);
    std::vector<uint8_t> rows(n);
    uint32_t x = seed * 2654435761u + 12345u;
    for (size_t i = 0; i < n; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        // Runs of similar bytes so that every filter has something to predict.
        rows[i] = uint8_t((i * 7 / 3) + (x & 0x1F));
    }
    return rows;
}
