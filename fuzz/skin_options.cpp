// Built by native/CMakeLists.txt; tools/fuzz runs it.
// Fuzzes the options readers: the input is options text, optionally followed
// by a NUL and CommonSections text. Images come from a small fixed pack (a
// master bitmap, a BMP, a PNG and a JPEG) so that image values reach the
// geometry, clipping and corner rules.
#include <cstddef>
#include <cstdint>
#include <string>

#include <zlib.h>

#include "skin/graphics/SkinError.h"
#include "skin/model/SkinImages.h"
#include "skin/model/SkinLoader.h"
#include "skin/model/SkinPack.h"

namespace {

std::string Png2x2()
{
    // 2x2 RGBA with one transparent white pixel, written with zlib.
    auto be = [](uint32_t v) {
        return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    };
    auto chunk = [&](const char* type, const std::string& d) {
        std::string td = std::string(type, 4) + d;
        return be(uint32_t(d.size())) + td + be(uint32_t(crc32(0, reinterpret_cast<const Bytef*>(td.data()), uInt(td.size()))));
    };
    std::string raw = std::string("\0\xFF\xFF\xFF\x00\x10\x20\x30\xFF", 9) + std::string("\0\xFF\x00\xFF\xFF\x40\x50\x60\x80", 9);
    uLongf len = compressBound(uLong(raw.size()));
    std::string z(len, '\0');
    compress(reinterpret_cast<Bytef*>(z.data()), &len, reinterpret_cast<const Bytef*>(raw.data()), uLong(raw.size()));
    z.resize(len);
    std::string ihdr = be(2) + be(2) + std::string("\x08\x06\x00\x00\x00", 5);
    return std::string("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", ihdr) + chunk("IDAT", z) + chunk("IEND", "");
}

const TkvSkinConvertor& Pack()
{
    static TkvSkinConvertor pack = [] {
        TkvSkinConvertor p;
        PixelBitmap master(64, 48);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x)
                master.Row(y)[x] = ((x + y) % 7 == 0) ? 0xFF00FF : uint32_t(x * 4 << 8 | y * 5);
        std::string bmp = EncodeBmp24(master);
        p.ImageItems.push_back(TkvImageItem{"Master.bmp", true, bmp});
        p.ImageItems.push_back(TkvImageItem{"B.BMP", true, bmp});
        p.ImageItems.push_back(TkvImageItem{"A.PNG", false, Png2x2()});
        p.ImageCount = 3;
        return p;
    }();
    return pack;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string input(reinterpret_cast<const char*>(data), size);
    size_t nul = input.find('\0');
    std::string options = "[GLOBALINFO]\r\nMASTERBITMAP=MASTER.BMP\r\n" + input.substr(0, nul);
    try {
        SkinIni ini(options);
        SkinIni common(nul == std::string::npos ? std::string() : input.substr(nul + 1));
        TsSkinTables tables;
        SkinLoadSettings settings;
        settings.CommonSections = nul == std::string::npos ? nullptr : &common;
        settings.HueOffset = size % 3 == 0 ? 90 : 0;
        settings.Saturation = size % 5 == 0 ? 150 : 0;
        SkinLoader(tables, ini, &Pack(), "/nonexistent/", settings).Load();
        for (size_t i = 0; i < tables.Masks.size(); ++i) {
            tables.MaskMarginLeft(int(i));
            tables.MaskMarginBottom(int(i));
        }
        (void)DumpSkinTables(tables);
    } catch (const SkinError&) {
    }
    return 0;
}
