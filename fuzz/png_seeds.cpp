// Writes a seed corpus for the PNG reader's fuzz harness: every colour type
// and depth, plain and interlaced, with palette, transparency, gamma and
// background chunks. Usage: png_seeds <folder>
#include <cstdio>
#include <string>

#include "support/PngWriter.h"

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: png_seeds <folder>\n");
        return 2;
    }
    const int formats[][2] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1},
                              {3, 2},  {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};
    int n = 0;
    for (auto& f : formats) {
        for (bool interlaced : {false, true}) {
            PngSpec s;
            s.width = 9;
            s.height = 7;
            s.colorType = f[0];
            s.bitDepth = f[1];
            s.interlaced = interlaced;
            s.rows = PatternRows(s.width, s.height, s.bitDepth, s.colorType, uint32_t(n + 1));
            if (f[0] == 3) {
                s.before.push_back({"PLTE", std::string(size_t(3) << f[1], '\x40')});
                s.before.push_back({"tRNS", std::string("\x00\x80\xff", 3)});
            }
            if (f[0] == 0) s.before.push_back({"tRNS", std::string("\x00\x01", 2)});
            if (f[0] == 2) s.before.push_back({"bKGD", std::string("\x00\x01\x00\x02\x00\x03", 6)});
            s.before.push_back({"gAMA", std::string("\x00\x00\xB1\x8F", 4)});
            s.idatSplit = interlaced ? 20 : 0;
            std::string png = WritePng(s);
            std::string name = std::string(argv[1]) + "/seed" + std::to_string(n++) + ".png";
            FILE* out = std::fopen(name.c_str(), "wb");
            if (!out) {
                std::fprintf(stderr, "png_seeds: cannot write %s\n", name.c_str());
                return 1;
            }
            std::fwrite(png.data(), 1, png.size(), out);
            std::fclose(out);
        }
    }
    return 0;
}
