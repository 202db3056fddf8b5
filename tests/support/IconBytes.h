// Icon files (.ico) made by tests and fuzz seeds: one 32-bit image of w x h
// whose pixels come from a function (0xAARRGGBB), with an all-clear mask.
// No <windows.h>.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

inline void PutLE(std::string& s, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i) s.push_back(char((v >> (8 * i)) & 0xFF));
}

inline std::string IconFileBytes(int w, int h, const std::function<uint32_t(int, int)>& pixel)
{
    std::string image;
    PutLE(image, 40, 4);
    PutLE(image, uint32_t(w), 4);
    PutLE(image, uint32_t(h * 2), 4);
    PutLE(image, 1, 2);
    PutLE(image, 32, 2);
    for (int i = 0; i < 6; ++i) PutLE(image, 0, 4);
    for (int y = h - 1; y >= 0; --y)   // bottom-up
        for (int x = 0; x < w; ++x) PutLE(image, pixel(x, y), 4);
    int maskRow = ((w + 31) / 32) * 4;
    image.append(size_t(maskRow) * size_t(h), '\0');
    std::string file;
    PutLE(file, 0, 2);
    PutLE(file, 1, 2);
    PutLE(file, 1, 2);
    file.push_back(char(w >= 256 ? 0 : w));
    file.push_back(char(h >= 256 ? 0 : h));
    file.push_back(0);
    file.push_back(0);
    PutLE(file, 1, 2);
    PutLE(file, 32, 2);
    PutLE(file, uint32_t(image.size()), 4);
    PutLE(file, 22, 4);
    return file + image;
}
