// libFuzzer harness for the PNG reader: any bytes must either load or raise
// one of the reader's exceptions, never read or write out of bounds.
//
// The reader checks the CRC of every chunk it uses, so byte-level mutations
// almost never get past it. The custom mutator below therefore works on the
// chunk structure: it splits the input into chunks, changes one chunk's type,
// size or data, or inserts, removes or duplicates a chunk, or changes the
// inflated image data, and writes the file again with every CRC recomputed.
#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "skin/graphics/PngDecoder.h"

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

namespace {

const uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

struct RawChunk {
    std::string type;   // 4 bytes
    std::string data;
};

uint32_t BE32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

void PutBE32(std::string& out, uint32_t v)
{
    for (int s = 24; s >= 0; s -= 8) out += char(v >> s);
}

// The chunks of a PNG; bytes after the last whole chunk become the data of
// one more chunk, so nothing of the input is lost. False without a signature.
bool Parse(const uint8_t* data, size_t size, std::vector<RawChunk>& chunks)
{
    if (size < 8 || std::memcmp(data, kSignature, 8) != 0) return false;
    size_t pos = 8;
    while (size - pos >= 12) {
        uint32_t len = BE32(data + pos);
        if (len > size - pos - 12) break;
        chunks.push_back({std::string(reinterpret_cast<const char*>(data + pos + 4), 4),
                          std::string(reinterpret_cast<const char*>(data + pos + 8), len)});
        pos += 12 + len;
    }
    if (pos < size) chunks.push_back({"tEXt", std::string(reinterpret_cast<const char*>(data + pos), size - pos)});
    return true;
}

std::string Write(const std::vector<RawChunk>& chunks)
{
    std::string out(reinterpret_cast<const char*>(kSignature), 8);
    for (const RawChunk& c : chunks) {
        PutBE32(out, uint32_t(c.data.size()));
        out += c.type;
        out += c.data;
        uLong crc = crc32(0, reinterpret_cast<const Bytef*>(c.type.data()), 4);
        crc = crc32(crc, reinterpret_cast<const Bytef*>(c.data.data()), uInt(c.data.size()));
        PutBE32(out, uint32_t(crc));
    }
    return out;
}

// A small valid picture to start from when the input is not a PNG at all.
std::vector<RawChunk> Minimal()
{
    std::string header("\0\0\0\4\0\0\0\4\x08\x02\0\0\0", 13);
    std::string raw(4 * 13, '\0');
    std::vector<uint8_t> packed(compressBound(uLong(raw.size())));
    uLongf n = uLongf(packed.size());
    compress(packed.data(), &n, reinterpret_cast<const Bytef*>(raw.data()), uLong(raw.size()));
    return {{"IHDR", header}, {"IDAT", std::string(packed.begin(), packed.begin() + long(n))}, {"IEND", ""}};
}

// Mutates bytes with libFuzzer's own mutator, the result at most maxSize bytes.
void MutateBytes(std::string& s, size_t maxSize)
{
    size_t size = s.size(), cap = std::max(maxSize, size + 1);
    s.resize(cap);
    s.resize(LLVMFuzzerMutate(reinterpret_cast<uint8_t*>(s.data()), size, cap));
}

// Inflates all image data, mutates the filtered rows and deflates them again,
// so that the filter and row code see changed rows behind a valid stream.
void MutateImageData(std::vector<RawChunk>& chunks, std::mt19937& rng, size_t maxSize)
{
    std::string z;
    size_t first = chunks.size();
    for (size_t i = 0; i < chunks.size(); ++i)
        if (chunks[i].type == "IDAT") {
            if (first == chunks.size()) first = i;
            z += chunks[i].data;
        }
    if (first == chunks.size()) return;
    std::string raw;
    z_stream s{};
    if (inflateInit(&s) != Z_OK) return;
    s.next_in = reinterpret_cast<Bytef*>(z.data());
    s.avail_in = uInt(z.size());
    uint8_t buf[4096];
    int rc = Z_OK;
    while (rc == Z_OK && raw.size() < (1u << 20)) {
        s.next_out = buf;
        s.avail_out = sizeof buf;
        rc = inflate(&s, Z_SYNC_FLUSH);
        raw.append(reinterpret_cast<char*>(buf), sizeof buf - s.avail_out);
        if (s.avail_out == sizeof buf) break;
    }
    inflateEnd(&s);
    MutateBytes(raw, std::min<size_t>(raw.size() * 2 + 64, 1u << 20));
    std::vector<uint8_t> packed(compressBound(uLong(raw.size())));
    uLongf n = uLongf(packed.size());
    if (compress2(packed.data(), &n, reinterpret_cast<const Bytef*>(raw.data()), uLong(raw.size()), 1) != Z_OK) return;
    if (n > maxSize) return;
    // Written back as one chunk, or split at a random point.
    std::vector<RawChunk> out;
    for (size_t i = 0; i < chunks.size(); ++i) {
        if (chunks[i].type == "IDAT" && i != first) continue;
        if (i != first) {
            out.push_back(chunks[i]);
            continue;
        }
        std::string data(packed.begin(), packed.begin() + long(n));
        size_t split = data.empty() || rng() % 2 ? data.size() : rng() % data.size();
        out.push_back({"IDAT", data.substr(0, split)});
        if (split < data.size()) out.push_back({"IDAT", data.substr(split)});
    }
    chunks = std::move(out);
}

const char* const kTypes[] = {"IHDR", "PLTE", "IDAT", "IEND", "gAMA", "bKGD", "tRNS", "tEXt",
                              "idat", "iDAT", "Idat", "zzZz", "ZZZZ", "gama", "PLTe", "tRNs"};

}  // namespace

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned int seed)
{
    std::mt19937 rng(seed);
    std::vector<RawChunk> chunks;
    if (!Parse(data, size, chunks) || chunks.empty()) {
        // One in four non-PNG inputs keeps plain byte mutation; the rest start over.
        if (rng() % 4 == 0) return LLVMFuzzerMutate(data, size, maxSize);
        chunks = Minimal();
    }
    // Now and then a plain byte mutation of the whole file (CRCs not fixed),
    // so that the CRC and framing checks themselves stay covered.
    if (rng() % 16 == 0) return LLVMFuzzerMutate(data, size, maxSize);
    size_t budget = maxSize > 64 ? maxSize - 64 : maxSize;
    size_t at = rng() % chunks.size();
    switch (rng() % 8) {
    case 0: {   // another type, known or a near miss
        if (rng() % 4 == 0) {
            for (char& ch : chunks[at].type) ch = char(rng());
        } else {
            chunks[at].type = kTypes[rng() % (sizeof kTypes / sizeof *kTypes)];
        }
        break;
    }
    case 1: {   // another size: cut or grown
        std::string& d = chunks[at].data;
        size_t n = rng() % 3 == 0 ? rng() % 16 : rng() % (d.size() * 2 + 16);
        d.resize(std::min(n, budget), char(rng()));
        break;
    }
    case 2: {   // a new chunk
        RawChunk c{kTypes[rng() % (sizeof kTypes / sizeof *kTypes)], std::string(rng() % 16, '\0')};
        for (char& ch : c.data) ch = char(rng());
        chunks.insert(chunks.begin() + long(rng() % (chunks.size() + 1)), c);
        break;
    }
    case 3:   // one chunk less
        if (chunks.size() > 1) chunks.erase(chunks.begin() + long(at));
        break;
    case 4: {   // a chunk twice, or moved
        RawChunk c = chunks[at];
        if (rng() % 2) chunks.erase(chunks.begin() + long(at));
        chunks.insert(chunks.begin() + long(rng() % (chunks.size() + 1)), c);
        break;
    }
    case 5:   // the image data itself
        MutateImageData(chunks, rng, budget);
        break;
    default:   // the data of one chunk (the header's fields most often)
        if (rng() % 3 == 0 && chunks[0].type == "IHDR") at = 0;
        MutateBytes(chunks[at].data, std::min(budget, chunks[at].data.size() + 64));
        break;
    }
    std::string out = Write(chunks);
    if (out.size() > maxSize) return size;   // unchanged when it no longer fits
    std::memcpy(data, out.data(), out.size());
    return out.size();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    PngLimits limits;
    limits.maxPixels = int64_t(1) << 22;   // keeps each run small; the checks are the same
    try {
        PngMemoryTarget target;
        TColorManager colors;
        PngLoadResult r = LoadPng(data, size, target, colors, limits);
        // Touch every decoded pixel so that a wrong stride or size shows.
        uint32_t sum = 0;
        for (int y = 0; y < target.height; ++y)
            for (int x = 0; x < target.width; ++x) sum += target.Pixel(x, y);
        if (r.consumed > size) __builtin_trap();
        (void)sum;
    } catch (const Exception&) {
    }
    return 0;
}
