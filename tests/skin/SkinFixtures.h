// Helpers of the skin tests: images, packed files and skins made by the tests.
#pragma once
#include <zlib.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "classlib/SysUtils.h"
#include "skin/model/SkinImages.h"
#include "skin/model/SkinLoader.h"
#include "skin/model/SkinPack.h"

namespace skintest {

using PixelFn = std::function<uint32_t(int x, int y)>;   // 0xAARRGGBB

inline std::string Bmp(int w, int h, const PixelFn& px)
{
    PixelBitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.Row(y)[x] = px(x, y);
    return EncodeBmp24(b);
}

inline std::string Png(int w, int h, const PixelFn& px)
{
    auto be = [](uint32_t v) { return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; };
    auto chunk = [&](const char* type, const std::string& d) {
        std::string td = std::string(type, 4) + d;
        return be(uint32_t(d.size())) + td +
               be(uint32_t(crc32(0, reinterpret_cast<const Bytef*>(td.data()), uInt(td.size()))));
    };
    std::string raw;
    for (int y = 0; y < h; ++y) {
        raw.push_back('\0');
        for (int x = 0; x < w; ++x) {
            uint32_t v = px(x, y);
            raw += {char(v >> 16), char(v >> 8), char(v), char(v >> 24)};
        }
    }
    uLongf len = compressBound(uLong(raw.size()));
    std::string z(len, '\0');
    compress(reinterpret_cast<Bytef*>(z.data()), &len, reinterpret_cast<const Bytef*>(raw.data()), uLong(raw.size()));
    z.resize(len);
    std::string ihdr = be(uint32_t(w)) + be(uint32_t(h)) + std::string("\x08\x06\x00\x00\x00", 5);
    return std::string("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", ihdr) + chunk("IDAT", z) + chunk("IEND", "");
}

// A flat-coloured JPEG (r, g, b).
inline std::string Jpeg(int w, int h, unsigned char r, unsigned char g, unsigned char b)
{
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = JDIMENSION(w);
    c.image_height = JDIMENSION(h);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 90, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<unsigned char> row(size_t(w) * 3);
    for (int x = 0; x < w; ++x) {
        row[size_t(x) * 3] = r;
        row[size_t(x) * 3 + 1] = g;
        row[size_t(x) * 3 + 2] = b;
    }
    while (c.next_scanline < c.image_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    std::string bytes(reinterpret_cast<char*>(out), size);
    jpeg_destroy_compress(&c);
    free(out);
    return bytes;
}

inline uint32_t Le(int32_t v) { return uint32_t(v); }
inline std::string I32(int32_t v)
{
    return std::string{char(Le(v)), char(Le(v) >> 8), char(Le(v) >> 16), char(Le(v) >> 24)};
}
inline std::string Zlib(const std::string& data, int level = 9)
{
    uLongf len = compressBound(uLong(data.size()));
    std::string z(len, '\0');
    compress2(reinterpret_cast<Bytef*>(z.data()), &len, reinterpret_cast<const Bytef*>(data.data()),
              uLong(data.size()), level);
    z.resize(len);
    return z;
}
// One raw entry: name, declared size, stream bytes.
inline std::string Entry(const std::string& name, int32_t declared, const std::string& stream)
{
    return I32(int32_t(name.size())) + name + I32(declared) + stream;
}

// Loads a skin held in memory: options text and named images.
inline void LoadFromMemory(TsSkinTables& t, const std::string& options,
                           const std::vector<std::pair<std::string, std::string>>& images,
                           const SkinLoadSettings& settings = SkinLoadSettings())
{
    std::vector<PackEntry> entries{{"Options.dat", options}};
    for (auto& [n, d] : images)
        entries.push_back({n, d});
    LoadPackedSkinBytes(t, WritePackedSkin(entries), "", settings);
}

// A master bitmap w x h of one colour with the key colour where key(x, y).
inline std::string Master(int w, int h, uint32_t color, const std::function<bool(int, int)>& key = nullptr)
{
    return Bmp(w, h, [&](int x, int y) { return key && key(x, y) ? 0xFF00FFu : color; });
}

}  // namespace skintest
