// Host build tool for the shipped content.
//   mkcontainer pack <in> <out>   text -> CR LF line breaks -> document container
//   mkcontainer text <in> <out>   text -> CR LF line breaks
// The input is already in the target code page; the bytes are not converted.
// Packed output is unpacked again and compared before it is written.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "app/ContentContainer.h"

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::cerr << "usage: mkcontainer pack|text <in> <out>\n";
        return 2;
    }
    std::string mode = argv[1];
    std::ifstream in(argv[2], std::ios::binary);
    if (!in) {
        std::cerr << "mkcontainer: cannot open " << argv[2] << "\n";
        return 1;
    }
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    text = NormalizeLineBreaks(text);

    std::string out;
    try {
        if (mode == "pack") {
            out = PackDocument(text);
            if (UnpackDocument(out) != text) {
                std::cerr << "mkcontainer: round trip failed for " << argv[2] << "\n";
                return 1;
            }
        } else if (mode == "text") {
            out = text;
        } else {
            std::cerr << "mkcontainer: unknown mode " << mode << "\n";
            return 2;
        }
    } catch (const std::exception& e) {
        std::cerr << "mkcontainer: " << argv[2] << ": " << e.what() << "\n";
        return 1;
    }
    std::ofstream f(argv[3], std::ios::binary | std::ios::trunc);
    f.write(out.data(), std::streamsize(out.size()));
    f.close();
    if (!f) {
        std::cerr << "mkcontainer: cannot write " << argv[3] << "\n";
        std::remove(argv[3]);
        return 1;
    }
    return 0;
}
