// Fuzzes whole skin loads from packed skins that stay packed skins: a custom
// mutator unpacks the input (the kept seed is the sample skin's pack), changes
// its options text (numbers set to edge values, lines dropped, doubled, swapped
// or byte-mutated, image values added, long PARENTCLASS chains and cycles
// added) or its images (swapped, byte-mutated, or replaced by small files whose
// headers declare huge pictures), and packs it again. Inputs that do not
// unpack are mutated as plain bytes.
#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <zlib.h>

#include "fuzz/PackedSkinLoad.h"
#include "skin/graphics/SkinError.h"
#include "skin/model/SkinImages.h"
#include "skin/model/SkinLoader.h"
#include "skin/model/SkinPack.h"

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

namespace {

using Rng = std::minstd_rand;

size_t Pick(Rng& rng, size_t n) { return n ? size_t(rng() % n) : 0; }

std::string MutateBytes(const std::string& s, size_t extra)
{
    std::string out = s;
    out.resize(s.size() + extra);
    size_t n = LLVMFuzzerMutate(reinterpret_cast<uint8_t*>(out.data()), s.size(), out.size());
    out.resize(n);
    return out;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        pos = end + 1;
    }
    return lines;
}

std::string Join(const std::vector<std::string>& lines)
{
    std::string s;
    for (const std::string& l : lines)
        s += l + "\r\n";
    return s;
}

std::string EdgeNumber(Rng& rng)
{
    static const char* const edges[] = {"-2147483648", "2147483647", "-1", "0", "1", "2", "3", "65535", "65536",
                                        "32767", "-32768", "16384", "16385", "4294967295", "$FFFFFFFF", "$80000000",
                                        "99999", "-99999", "255", "256", "100", "101"};
    if (rng() % 4 == 0)
        return std::to_string(int32_t(rng()));
    return edges[Pick(rng, std::size(edges))];
}

// Replaces one number of a line by an edge value.
void MutateNumber(std::string& line, Rng& rng)
{
    std::vector<std::pair<size_t, size_t>> runs;
    for (size_t i = 0; i < line.size();) {
        if ((line[i] >= '0' && line[i] <= '9') || (line[i] == '-' && i + 1 < line.size() && isdigit(line[i + 1]))) {
            size_t b = i++;
            while (i < line.size() && line[i] >= '0' && line[i] <= '9')
                ++i;
            runs.push_back({b, i - b});
        } else {
            ++i;
        }
    }
    if (runs.empty())
        return;
    auto [b, n] = runs[Pick(rng, runs.size())];
    line.replace(b, n, EdgeNumber(rng));
}

std::string ImageValue(Rng& rng, const std::vector<std::string>& names)
{
    std::string name = names.empty() ? "X.PNG" : names[Pick(rng, names.size())];
    std::string n[8];
    for (std::string& s : n)
        s = rng() % 3 ? std::to_string(rng() % 5) : EdgeNumber(rng);
    switch (rng() % 5) {
    case 0: return "!" + name + "!" + n[0] + "!" + n[1] + "!" + n[2] + "!" + n[3] + "!" + n[4] + "!" + n[5] + "!" + n[6] + "!" + n[7];
    case 1: return "!" + name + "!" + n[0] + "!" + n[1];
    case 2: return "#(" + n[0] + "," + n[1] + "," + n[2] + "," + n[3] + ")(" + n[4] + "," + n[5] + "," + n[6] + "," + n[7] + ")";
    case 3: return "^0000,0000,0040,0040,0002,0002,0002,0002," + std::to_string(rng() % 10) + "," + std::to_string(rng() % 10) + ",0,0";
    default: return name;
    }
}

// A small file whose header declares a large picture.
std::string HeaderBomb(Rng& rng)
{
    uint32_t w = 1u + rng() % 65535, h = 1u + rng() % 65535;
    auto be = [](uint32_t v) { return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; };
    if (rng() % 2) {
        // 1-bit grey PNG whose image data end after a few rows.
        auto chunk = [&](const char* type, const std::string& d) {
            std::string td = std::string(type, 4) + d;
            return be(uint32_t(d.size())) + td +
                   be(uint32_t(crc32(0, reinterpret_cast<const Bytef*>(td.data()), uInt(td.size()))));
        };
        std::string raw(64, '\0'), z(128, '\0');
        uLongf len = uLongf(z.size());
        compress(reinterpret_cast<Bytef*>(z.data()), &len, reinterpret_cast<const Bytef*>(raw.data()), uLong(raw.size()));
        z.resize(len);
        return std::string("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", be(w) + be(h) + std::string("\x01\0\0\0\0", 5)) +
               chunk("IDAT", z) + chunk("IEND", "");
    }
    // JPEG start and a frame header.
    std::string sof = std::string("\xFF\xD8\xFF\xC0\x00\x0B\x08", 7) + char(h >> 8) + char(h) + char(w >> 8) + char(w) +
                      std::string("\x01\x01\x11\x00", 4);
    return sof + std::string("\xFF\xD9", 2);
}

void MutateOptions(std::string& text, const std::vector<std::string>& imageNames, Rng& rng)
{
    std::vector<std::string> lines = Lines(text);
    size_t i = Pick(rng, lines.size());
    switch (rng() % 8) {
    case 0:
    case 1: MutateNumber(lines[i], rng); break;
    case 2: lines.erase(lines.begin() + long(i)); break;
    case 3: lines.insert(lines.begin() + long(i), lines[Pick(rng, lines.size())]); break;
    case 4: std::swap(lines[i], lines[Pick(rng, lines.size())]); break;
    case 5: lines[i] = MutateBytes(lines[i], 16); break;
    case 6: lines.insert(lines.begin() + long(i), "K" + std::to_string(rng() % 100) + "=" + ImageValue(rng, imageNames)); break;
    default: {
        // A chain of sections, maybe closed into a ring or hung below an existing one.
        int n = 1 + int(rng() % 3000);
        std::string base = "Z" + std::to_string(rng() % 1000) + "_";
        bool ring = rng() % 3 == 0;
        for (int k = 0; k < n; ++k) {
            lines.push_back("[" + base + std::to_string(k) + "]");
            if (k > 0 || ring)
                lines.push_back("PARENTCLASS=" + base + std::to_string(k > 0 ? k - 1 : n - 1));
            if (rng() % 16 == 0)
                lines.push_back(rng() % 2 ? "STATES=" + EdgeNumber(rng) : "BORDERSMASK=" + ImageValue(rng, imageNames));
        }
        if (!ring)
            lines.push_back("[" + base + "0]");   // joins the first section's entries
        break;
    }
    }
    text = Join(lines);
}

}  // namespace

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned int seed)
{
    Rng rng(seed ? seed : 1);
    std::string bytes(reinterpret_cast<const char*>(data), size);
    TkvSkinConvertor pack;
    try {
        pack.SetBorrowedSource(&bytes);
        ReadPackedSkin(pack);
        pack.DetachSource();
    } catch (const SkinError&) {
        return LLVMFuzzerMutate(data, size, maxSize);
    }
    std::string options = pack.Options ? *pack.Options : std::string("[GLOBALINFO]\r\n");
    std::vector<std::string> names;
    for (const TkvImageItem& item : pack.ImageItems)
        names.push_back(item.Name);
    int rounds = 1 + int(rng() % 3);
    for (int r = 0; r < rounds; ++r) {
        if (rng() % 4 || pack.ImageItems.empty()) {
            MutateOptions(options, names, rng);
            continue;
        }
        TkvImageItem& item = pack.ImageItems[Pick(rng, pack.ImageItems.size())];
        switch (rng() % 3) {
        case 0: std::swap(item.Data, pack.ImageItems[Pick(rng, pack.ImageItems.size())].Data); break;
        case 1: item.Data = MutateBytes(item.Data, 64); break;
        default: item.Data = HeaderBomb(rng); break;
        }
    }
    std::vector<PackEntry> entries{{"Options.dat", options}};
    for (const TkvImageItem& item : pack.ImageItems)
        entries.push_back({item.Name, item.Data});
    std::string out = WritePackedSkin(entries, 1);
    if (out.size() > maxSize)
        return LLVMFuzzerMutate(data, size, maxSize);
    std::copy(out.begin(), out.end(), data);
    return out.size();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    LoadPackedSkinInput(data, size);
    return 0;
}
