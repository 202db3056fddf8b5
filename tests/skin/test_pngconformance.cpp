// Conformance of the PNG reader with the PNG test images of a public suite
// (fetched by tools/fetch-pngsuite, never committed): every image decodes to
// the same pixels as a reference decoder's output made on the Linux side.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "skin/graphics/PngDecoder.h"
#ifdef _WIN32
#include <windows.h>

#include "support/GuiTest.h"
#endif

namespace {

std::string SuiteFolder()
{
#ifdef _WIN32
    String w = EnvPath("TALVERA_CACHE");
    if (w.empty()) return "";
    std::string s(w.begin(), w.end());   // the cache path is ASCII
    return s + "\\pngsuite\\";
#else
    const char* c = std::getenv("TALVERA_CACHE");
    return c ? std::string(c) + "/pngsuite/" : "";
#endif
}

std::vector<std::string> SuiteNames(const std::string& folder)
{
    std::vector<std::string> names;
#ifdef _WIN32
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "*.png").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do names.push_back(std::string(fd.cFileName, std::strlen(fd.cFileName) - 4));
    while (FindNextFileA(h, &fd));
    FindClose(h);
#else
    std::string cmd = "ls " + folder + " 2>/dev/null";
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char line[512];
        while (std::fgets(line, sizeof line, p)) {
            std::string n(line);
            while (!n.empty() && (n.back() == '\n' || n.back() == '\r')) n.pop_back();
            if (n.size() > 4 && n.compare(n.size() - 4, 4, ".png") == 0) names.push_back(n.substr(0, n.size() - 4));
        }
        pclose(p);
    }
#endif
    return names;
}

std::string ReadAll(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The file's gAMA value / 100000, or 0 when it has none.
double FileGamma(const std::string& png)
{
    for (size_t p = 8; p + 12 <= png.size();) {
        uint32_t len = uint32_t(uint8_t(png[p])) << 24 | uint32_t(uint8_t(png[p + 1])) << 16 |
                       uint32_t(uint8_t(png[p + 2])) << 8 | uint8_t(png[p + 3]);
        std::string type = png.substr(p + 4, 4);
        if (type == "gAMA" && len == 4 && p + 12 <= png.size()) {
            const uint8_t* d = reinterpret_cast<const uint8_t*>(png.data() + p + 8);
            uint32_t g = uint32_t(d[0]) << 24 | uint32_t(d[1]) << 16 | uint32_t(d[2]) << 8 | d[3];
            return g / 100000.0;
        }
        if (type == "IDAT" || len > png.size()) break;
        p += 12 + len;
    }
    return 0;
}

}  // namespace

TEST(PngConformance, SuiteImagesDecodeLikeTheReference)
{
    std::string folder = SuiteFolder();
    std::vector<std::string> names = folder.empty() ? std::vector<std::string>{} : SuiteNames(folder);
    if (names.empty()) GTEST_SKIP() << "no suite images: run tools/fetch-pngsuite";
    int compared = 0;
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        std::string png = ReadAll(folder + name + ".png");
        std::string ref = ReadAll(folder + name + ".rgba16");
        std::istringstream size(ReadAll(folder + name + ".size"));
        int rw = 0, rh = 0;
        size >> rw >> rh;
        PngMemoryTarget t;
        TColorManager cm;
        try {
            LoadPng(reinterpret_cast<const uint8_t*>(png.data()), png.size(), t, cm);
        } catch (const Exception& e) {
            ADD_FAILURE() << "refused: " << e.what();
            continue;
        }
        ASSERT_EQ(t.width, rw);
        ASSERT_EQ(t.height, rh);
        ASSERT_EQ(ref.size(), size_t(rw) * size_t(rh) * 8);
        double g = FileGamma(png);
        auto gamma = [&](uint32_t v) {
            return g > 0 ? uint32_t(std::lround(std::pow(v / 255.0, 1 / (g * 2.2)) * 255)) : v;
        };
        const auto* r = reinterpret_cast<const uint8_t*>(ref.data());
        int bad = 0;
        for (int y = 0; y < rh; ++y)
            for (int x = 0; x < rw; ++x) {
                const uint8_t* p = r + (size_t(y) * size_t(rw) + size_t(x)) * 8;
                auto to8 = [&](int c) { return (uint32_t(p[c * 2 + 1]) << 8 | p[c * 2]) * 255u / 65535u; };   // little-endian
                uint32_t want = gamma(to8(0)) << 16 | gamma(to8(1)) << 8 | gamma(to8(2));
                uint32_t got = t.Pixel(x, y);
                // Alpha is part of the pixels only in 32-bit results; a transparent colour
                // of the other results goes to the bitmap as its transparent colour.
                uint32_t mask = 0xFFFFFF;
                if (t.bitsPerPixel == 32) {
                    want |= to8(3) << 24;
                    mask = 0xFFFFFFFF;
                }
                if ((got & mask) != want && bad++ < 3)
                    ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << (got & mask) << " expected " << want;
            }
        EXPECT_EQ(bad, 0);
        ++compared;
    }
    EXPECT_EQ(compared, int(names.size()));
    std::printf("PNG suite: %d images compared\n", compared);
}
