// Loads the sample skin from its folder and from its packed file, and loads
// it with a hue change, printing each time beside the floor: reading the same
// files and inflating the packed entries without decoding anything.
//   skin_load <skins dir holding Slate/ and Slate.vmz> [rounds]
// Built by native/CMakeLists.txt with the other benchmarks (tools/bench).
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchHarness.h"
#include "skin/model/SkinFiles.h"
#include "skin/model/SkinLoader.h"
#include "skin/model/SkinPack.h"

namespace {

using Clock = std::chrono::steady_clock;

template <class Fn>
double BestMs(int rounds, Fn fn)
{
    double best = 1e30;
    for (int i = 0; i < rounds; ++i) {
        auto t0 = Clock::now();
        fn();
        best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    return best;
}

volatile size_t sink;

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: skin_load <skins dir> [rounds]\n");
        return 2;
    }
    std::string dir = argv[1];
    if (dir.back() != '/')
        dir += '/';
    int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;
    std::string folder = dir + "Slate/", pack = dir + "Slate.vmz";
    std::vector<std::string> files;
    SkinFiles::ListFolder(folder, [&](const std::string& n, bool isDir) {
        if (!isDir)
            files.push_back(folder + n);
    });

    double readFolder = BestMs(rounds, [&] {
        size_t n = 0;
        for (auto& f : files)
            n += SkinFiles::ReadFile(f).size();
        sink = n;
    });
    double loadFolder = BestMs(rounds, [&] {
        TsSkinTables t;
        LoadFolderSkin(t, folder, SkinLoadSettings());
        sink = t.Masks.size();
    });
    double readPack = BestMs(rounds, [&] {
        TkvSkinConvertor c;
        LoadPackedSkin(pack, c, true);   // read and inflate every entry
        sink = c.ImageItems.size();
    });
    double loadPack = BestMs(rounds, [&] {
        TsSkinTables t;
        LoadPackedSkinBytes(t, SkinFiles::ReadFile(pack), dir, SkinLoadSettings());
        sink = t.Masks.size();
    });
    SkinLoadSettings hue;
    hue.HueOffset = 120;
    hue.Saturation = 30;
    double loadHue = BestMs(rounds, [&] {
        TsSkinTables t;
        LoadPackedSkinBytes(t, SkinFiles::ReadFile(pack), dir, hue);
        sink = t.Masks.size();
    });
    std::printf("skin_load (best of %d)\n", rounds);
    bench::Row("skin load, folder", loadFolder, readFolder, "reading its files");
    bench::Row("skin load, packed", loadPack, readPack, "reading + inflating the pack");
    bench::Row("skin load, packed, hue 120 saturation 30", loadHue, readPack, "reading + inflating the pack");
    return 0;
}
