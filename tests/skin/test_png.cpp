// The PNG reader: every colour type, depth and interlacing decoded against the
// samples our own writer put in, the damaged files it must refuse or survive,
// and the picture class (stream position, drawing, icons, registration).
#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <type_traits>

#include "skin/graphics/PngDecoder.h"
#include "support/PngWriter.h"
#ifdef _WIN32
#include "classlib/Classes.h"
#include "skin/graphics/Bitmap32.h"
#include "skin/graphics/PNG.h"
#include "support/GuiTest.h"
#endif

namespace {

struct Decoded {
    PngMemoryTarget target;
    PngLoadResult result;
};

std::unique_ptr<Decoded> Decode(const std::string& png)
{
    auto d = std::make_unique<Decoded>();
    TColorManager cm;
    d->result = LoadPng(reinterpret_cast<const uint8_t*>(png.data()), png.size(), d->target, cm);
    return d;
}

// The message of the error a load raises (UTF-8), or "(no error)".
std::string DecodeError(const std::string& png)
{
    try {
        Decode(png);
    } catch (const Exception& e) {
        return e.what();
    }
    return "(no error)";
}

uint32_t Sample(const PngSpec& s, int x, int y, int channel)
{
    size_t rowBytes = PngRowBytes(s.width, s.bitDepth, s.colorType);
    const uint8_t* row = s.rows.data() + rowBytes * size_t(y);
    int ch = PngChannels(s.colorType);
    if (s.bitDepth == 16) {
        const uint8_t* p = row + (size_t(x) * size_t(ch) + size_t(channel)) * 2;
        return uint32_t(p[0] << 8 | p[1]);
    }
    if (s.bitDepth == 8) return row[size_t(x) * size_t(ch) + size_t(channel)];
    size_t bit = size_t(x) * size_t(s.bitDepth);
    return (row[bit >> 3] >> (8 - s.bitDepth - (bit & 7))) & ((1u << s.bitDepth) - 1);
}

// What a pixel must decode to, worked out from the samples (0xAARRGGBB).
uint32_t Expected(const PngSpec& s, const std::vector<uint32_t>& palette, int x, int y)
{
    auto to8 = [&](uint32_t v) { return s.bitDepth == 16 ? v * 255 / 65535 : s.bitDepth < 8 ? v * 255 / ((1u << s.bitDepth) - 1) : v; };
    switch (s.colorType) {
    case 0: {
        uint32_t g = to8(Sample(s, x, y, 0));
        return 0xFF000000u | g << 16 | g << 8 | g;
    }
    case 2: return 0xFF000000u | to8(Sample(s, x, y, 0)) << 16 | to8(Sample(s, x, y, 1)) << 8 | to8(Sample(s, x, y, 2));
    case 3: return 0xFF000000u | palette[Sample(s, x, y, 0)];
    case 4: {
        uint32_t g = to8(Sample(s, x, y, 0));
        return to8(Sample(s, x, y, 1)) << 24 | g << 16 | g << 8 | g;
    }
    default:
        return to8(Sample(s, x, y, 3)) << 24 | to8(Sample(s, x, y, 0)) << 16 | to8(Sample(s, x, y, 1)) << 8 |
               to8(Sample(s, x, y, 2));
    }
}

std::string PaletteChunk(const std::vector<uint32_t>& entries)
{
    std::string d;
    for (uint32_t e : entries) {
        d += char(e >> 16);
        d += char(e >> 8);
        d += char(e);
    }
    return d;
}

std::vector<uint32_t> TestPalette(int n)
{
    std::vector<uint32_t> p;
    for (int i = 0; i < n; ++i) p.push_back(uint32_t((i * 37 + 11) & 255) << 16 | uint32_t((i * 91) & 255) << 8 | uint32_t(255 - i));
    return p;
}

PngSpec MakeSpec(int w, int h, int depth, int type, bool interlaced, uint32_t seed = 1)
{
    PngSpec s;
    s.width = w;
    s.height = h;
    s.bitDepth = depth;
    s.colorType = type;
    s.interlaced = interlaced;
    s.rows = PatternRows(w, h, depth, type, seed);
    if (type == 3) {
        // Indices stay inside the palette.
        std::vector<uint32_t> pal = TestPalette(1 << depth);
        s.before.push_back({"PLTE", PaletteChunk(pal)});
    }
    return s;
}

std::string Patch(std::string png, const std::string& type, size_t offsetInData, char value)
{
    size_t at = png.find(type);
    png[at + 4 + offsetInData] = value;
    return png;
}

}  // namespace

TEST(PngDecode, EveryColourTypeDepthAndInterlaceGivesTheWrittenSamples)
{
    const std::pair<int, std::vector<int>> formats[] = {
        {0, {1, 2, 4, 8, 16}}, {2, {8, 16}}, {3, {1, 2, 4, 8}}, {4, {8, 16}}, {6, {8, 16}}};
    for (auto& [type, depths] : formats) {
        for (int depth : depths) {
            for (bool interlaced : {false, true}) {
                SCOPED_TRACE("type " + std::to_string(type) + " depth " + std::to_string(depth) +
                             (interlaced ? " interlaced" : ""));
                // 13 x 11: odd sizes leave partial bytes and short Adam7 passes.
                PngSpec s = MakeSpec(13, 11, depth, type, interlaced, uint32_t(type * 100 + depth));
                auto d = Decode(WritePng(s));
                std::vector<uint32_t> pal = TestPalette(type == 3 ? 1 << depth : 0);
                int wantBits = type == 2 ? 24 : (type == 4 || type == 6) ? 32 : depth == 2 ? 4 : depth == 16 ? 8 : depth;
                EXPECT_EQ(d->target.bitsPerPixel, wantBits);
                int bad = 0;
                for (int y = 0; y < s.height; ++y)
                    for (int x = 0; x < s.width; ++x)
                        if (d->target.Pixel(x, y) != Expected(s, pal, x, y) && bad++ < 3)
                            ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << d->target.Pixel(x, y)
                                          << " expected " << Expected(s, pal, x, y);
                EXPECT_EQ(bad, 0);
                EXPECT_EQ(d->result.properties.interlaced, interlaced);
            }
        }
    }
}

TEST(PngDecode, InterlacedTwinAndSplitDataDecodeToTheSamePixels)
{
    PngSpec plain = MakeSpec(37, 29, 8, 6, false, 7);
    PngSpec twin = plain;
    twin.interlaced = true;
    twin.idatSplit = 17;   // the data spread over many chunks
    twin.before.push_back({"IDAT", ""});   // an empty image-data chunk is passed over
    auto a = Decode(WritePng(plain));
    auto b = Decode(WritePng(twin));
    EXPECT_EQ(a->target.pixels, b->target.pixels);
}

TEST(PngDecode, SixteenBitRgbaBecomesBlueGreenRedAlphaBytes)
{
    PngSpec s = MakeSpec(2, 1, 16, 6, false);
    s.rows = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0x80, 0x00, 0x40, 0x00};
    auto d = Decode(WritePng(s));
    ASSERT_EQ(d->target.bitsPerPixel, 32);
    const uint8_t* p = d->target.pixels.data();
    EXPECT_EQ(p[0], 0x9ABCu * 255 / 65535);   // blue
    EXPECT_EQ(p[1], 0x5678u * 255 / 65535);   // green
    EXPECT_EQ(p[2], 0x1234u * 255 / 65535);   // red
    EXPECT_EQ(p[3], 255);
    EXPECT_EQ(p[4], 0x8000u * 255 / 65535);
    EXPECT_EQ(p[7], 0x4000u * 255 / 65535);
}

TEST(PngDecode, PalettesKeepTheirIndicesAndTransparentEntriesGiveAlpha)
{
    // 2-bit indices must not be stretched to 4-bit values (which would point past the palette).
    PngSpec s = MakeSpec(4, 1, 2, 3, false);
    s.rows = {0x1B};   // indices 0, 1, 2, 3
    s.before = {{"PLTE", PaletteChunk({0xFF0000, 0x00FF00, 0x0000FF, 0x123456})}};
    auto d = Decode(WritePng(s));
    EXPECT_EQ(d->target.Pixel(1, 0), 0xFF00FF00u);
    EXPECT_EQ(d->target.Pixel(3, 0), 0xFF123456u);
    // With a transparency table the picture becomes 32-bit with per-entry alpha.
    s.before.push_back({"tRNS", std::string("\x00\x80", 2)});
    d = Decode(WritePng(s));
    ASSERT_EQ(d->target.bitsPerPixel, 32);
    EXPECT_EQ(d->target.Pixel(0, 0), 0x00FF0000u);
    EXPECT_EQ(d->target.Pixel(1, 0), 0x8000FF00u);
    EXPECT_EQ(d->target.Pixel(2, 0), 0xFF0000FFu);   // entries the table does not reach stay opaque
}

TEST(PngDecode, TransparencyBackgroundAndGammaChunks)
{
    PngSpec grey = MakeSpec(3, 1, 2, 0, false);
    grey.rows = {0x60};   // 1, 2, 0
    grey.before = {{"tRNS", std::string("\x00\x02", 2)}};
    auto d = Decode(WritePng(grey));
    EXPECT_EQ(d->result.transparentColor, 0xAAAAAAu);   // matches the grey entry the pixel gets
    EXPECT_EQ(d->target.Pixel(1, 0) & 0xFFFFFF, 0xAAAAAAu);
    PngSpec rgb = MakeSpec(1, 1, 8, 2, false);
    rgb.before = {{"tRNS", std::string("\x00\x10\x00\x20\x00\x30", 6)}, {"bKGD", std::string("\x00\x01\x00\x02\x00\x03", 6)}};
    d = Decode(WritePng(rgb));
    EXPECT_EQ(d->result.transparentColor, 0x302010u);
    EXPECT_EQ(d->result.fillColor, 0x030201u);
    // Short tRNS and bKGD chunks are ignored, not read past their end.
    rgb.before = {{"tRNS", std::string("\x00\x10", 2)}, {"bKGD", std::string("\x01", 1)}};
    d = Decode(WritePng(rgb));
    EXPECT_EQ(d->result.transparentColor, 0x1FFFFFFFu);
    EXPECT_EQ(d->result.fillColor, 0xFFFFFFu);
    // A file gamma of 1/2.2 against the display gamma 2.2 changes nothing.
    PngSpec g = MakeSpec(5, 3, 8, 2, false);
    auto plain = Decode(WritePng(g));
    g.before = {{"gAMA", std::string("\x00\x00\xB1\x8F", 4)}};   // 45455
    auto gamma = Decode(WritePng(g));
    EXPECT_NEAR(gamma->result.properties.fileGamma, 0.45455, 1e-9);
    EXPECT_EQ(plain->target.pixels, gamma->target.pixels);
    // A real gamma does change them.
    g.before = {{"gAMA", std::string("\x00\x01\x86\xA0", 4)}};   // 1.0
    EXPECT_NE(Decode(WritePng(g))->target.pixels, plain->target.pixels);
}

TEST(PngDecode, DamagedFilesFailWithTheirOwnMessages)
{
    PngSpec s = MakeSpec(6, 5, 8, 2, false);
    std::string good = WritePng(s);
    const std::string invalid = "Cannot load image. Invalid or unexpected PNG image format.";
    EXPECT_EQ((DecodeError(good.substr(0, 7))), invalid);
    std::string badSig = good;
    badSig[1] = 'Q';
    EXPECT_EQ((DecodeError(badSig)), invalid);
    // The first chunk is not the header.
    std::string noHeader = PngSignature() + PngChunk("tEXt", "a") + good.substr(8);
    EXPECT_EQ((DecodeError(noHeader)), invalid);
    // One changed byte of the image data: CRC error; in a skipped ancillary chunk: nothing.
    PngSpec withText = s;
    withText.before = {{"tEXt", "Comment\0hello"}};
    std::string text = WritePng(withText);
    EXPECT_EQ((DecodeError(Patch(text, "IDAT", 3, 'x'))), "Cannot load image. CRC error found in PNG file.");
    EXPECT_EQ((DecodeError(Patch(text, "tEXt", 2, 'x'))), "(no error)");
    // Unknown chunks: ancillary skipped, critical refused.
    PngSpec crit = s;
    crit.before = {{"zzZz", "1"}};
    EXPECT_EQ((DecodeError(WritePng(crit))), "(no error)");
    crit.before = {{"ZzZz", "1"}};
    EXPECT_EQ((DecodeError(WritePng(crit))), "Cannot load PNG image. Unexpected but critical chunk detected.");
    // Chunk types are compared exactly: "idat" is an unknown ancillary chunk, not image data.
    std::string lower = good;
    size_t at = lower.find("IDAT");
    std::string lowerData = lower.substr(at + 4, size_t(uint8_t(lower[at - 1]) | uint8_t(lower[at - 2]) << 8));
    lower = good.substr(0, at - 4) + PngChunk("idat", lowerData) + PngChunk("IEND", "");
    EXPECT_EQ((DecodeError(lower)), invalid);
    PngSpec lowerBefore = s;
    lowerBefore.before = {{"idat", "not a zlib stream"}};
    EXPECT_EQ((DecodeError(WritePng(lowerBefore))), "(no error)");
    // Palettes: not a multiple of 3, empty, or more than 256 entries.
    PngSpec pal = MakeSpec(4, 4, 4, 3, false);
    pal.before = {{"PLTE", "abcd"}};
    EXPECT_EQ((DecodeError(WritePng(pal))), "Cannot load image. Palette in PNG file is invalid.");
    pal.before = {{"PLTE", std::string(257 * 3, 'a')}};
    EXPECT_EQ((DecodeError(WritePng(pal))), "Cannot load image. Palette in PNG file is invalid.");
    pal.before.clear();   // indexed image without a palette
    EXPECT_EQ((DecodeError(WritePng(pal))), "Cannot load image. Palette in PNG file is invalid.");
    // Colour type and depth combinations the format does not have.
    PngSpec wrong = MakeSpec(4, 4, 8, 2, false);
    wrong.bitDepth = 4;   // RGB at 4 bits
    wrong.rows.resize(1000);
    EXPECT_EQ((DecodeError(WritePng(wrong))), "Invalid color format in PNG file.");
    // Compression method other than 0.
    EXPECT_EQ((DecodeError(Patch(good, "IHDR", 10, 1))), invalid);   // the header's CRC no longer fits
    std::string method = PngSignature() + PngChunk("IHDR", [] {
                             std::string h = PngHeaderData(6, 5, 8, 2, false);
                             h[10] = 1;
                             return h;
                         }()) + good.substr(good.find("IDAT") - 4);
    EXPECT_EQ((DecodeError(method)), "Cannot load image. The compression scheme is not supported for PNG files.");
    // No image data at all; no end chunk.
    EXPECT_EQ((DecodeError(PngSignature() + PngChunk("IHDR", PngHeaderData(6, 5, 8, 2, false)) +
                                       PngChunk("IEND", ""))),
              invalid);
    EXPECT_EQ((DecodeError(good.substr(0, good.size() - 12))), invalid);
}

TEST(PngDecode, SizesAndLengthsFromTheFileAreCheckedBeforeUse)
{
    const std::string invalid = "Cannot load image. Invalid or unexpected PNG image format.";
    for (auto [w, h] : {std::pair<int, int>{0, 5}, {5, 0}, {40000, 1}, {20000, 20000}, {-1, 1}}) {
        std::string png = PngSignature() + PngChunk("IHDR", PngHeaderData(w, h, 8, 6, false)) + PngChunk("IEND", "");
        EXPECT_EQ((DecodeError(png)), invalid) << w << "x" << h;
    }
    // A chunk that says it is longer than the file.
    PngSpec s = MakeSpec(4, 4, 8, 6, false);
    std::string png = WritePng(s);
    size_t at = png.find("IDAT") - 4;
    png[at] = char(0x7F);
    EXPECT_EQ((DecodeError(png)), invalid);
    png[at] = char(0xFF);   // above 2^31 - 1
    EXPECT_EQ((DecodeError(png)), invalid);
    // A header of the wrong length.
    std::string longHeader = PngSignature() + PngChunk("IHDR", PngHeaderData(4, 4, 8, 6, false) + "x") + PngChunk("IEND", "");
    EXPECT_EQ((DecodeError(longHeader)), invalid);
}

TEST(PngDecode, HeadersAskingMoreThanTheDataCanHoldAreRefusedBeforeAllocating)
{
    struct CountingTarget : PngMemoryTarget {
        int allocations = 0;
        RawPixelView Allocate(int w, int h, int bpp, const std::vector<uint32_t>& pal) override
        {
            ++allocations;
            return PngMemoryTarget::Allocate(w, h, bpp, pal);
        }
    };
    // 8000 x 8000 RGBA (a quarter of a gigabyte) from 200 bytes of image data.
    for (bool interlaced : {false, true}) {
        std::string png = PngSignature() + PngChunk("IHDR", PngHeaderData(8000, 8000, 8, 6, interlaced)) +
                          PngChunk("IDAT", std::string(200, '\0')) + PngChunk("IEND", "");
        CountingTarget t;
        TColorManager cm;
        try {
            LoadPng(reinterpret_cast<const uint8_t*>(png.data()), png.size(), t, cm);
            ADD_FAILURE() << "loaded, interlaced " << interlaced;
        } catch (const EInvalidGraphic& e) {
            EXPECT_STREQ(e.what(), "Cannot load image. Invalid or unexpected PNG image format.");
        }
        EXPECT_EQ(t.allocations, 0) << "interlaced " << interlaced;
    }
    // A picture of one colour compresses about a thousand times: it still
    // loads, whole or with its data split over many small chunks.
    for (int split : {0, 16}) {
        PngSpec s = MakeSpec(1500, 1500, 8, 0, false);
        s.rows.assign(s.rows.size(), 0);
        s.filter = 0;
        s.idatSplit = split;
        std::string png = WritePng(s);
        ASSERT_LT(png.size(), size_t(1500) * 1500 / 500) << "the data must be near the limit";
        auto d = Decode(png);
        EXPECT_EQ(d->target.Pixel(1499, 1499), 0xFF000000u) << split;
        EXPECT_EQ(d->target.Pixel(0, 0), 0xFF000000u) << split;
    }
}

TEST(PngDecode, DataThatEndsEarlyOrCarriesGarbage)
{
    // Image data that stops half-way: the rows it reaches are decoded, the rest keep the fill colour.
    PngSpec s = MakeSpec(8, 40, 8, 2, false);
    s.filter = 0;
    std::string full = WritePng(s);
    size_t at = full.find("IDAT");
    uint32_t len = uint32_t(uint8_t(full[at - 4])) << 24 | uint32_t(uint8_t(full[at - 3])) << 16 |
                   uint32_t(uint8_t(full[at - 2])) << 8 | uint8_t(full[at - 1]);
    std::string zdata = full.substr(at + 4, len);
    // Inflate the first rows only: a stream cut in the middle of the data.
    std::string cut = full.substr(0, at - 4) + PngChunk("IDAT", zdata.substr(0, zdata.size() / 2)) + PngChunk("IEND", "");
    auto d = Decode(cut);
    std::vector<uint32_t> none;
    EXPECT_EQ(d->target.Pixel(0, 0), Expected(s, none, 0, 0));
    EXPECT_EQ(d->target.Pixel(7, 39), 0xFFFFFFFFu);   // the white fill colour
    // Bytes that are not a zlib stream, and data after the stream's end.
    std::string garbage = full.substr(0, at - 4) + PngChunk("IDAT", "not a zlib stream at all") + PngChunk("IEND", "");
    EXPECT_EQ((DecodeError(garbage)), "Cannot load image. Compression error found in PNG file.");
    std::string extra = full.substr(0, at - 4) + PngChunk("IDAT", zdata + "xyz") + PngChunk("IEND", "");
    EXPECT_EQ((DecodeError(extra)), "Cannot load image. Extra compressed data found in PNG file.");
}

TEST(PngDecode, HeaderDepthIsCheckedBeforeTheChunksThatScaleByIt)
{
    // Chunks that read samples at the header's depth come before the image
    // data; a depth the colour type does not have must stop the load there.
    struct Case {
        int colorType, depth;
        const char* chunk;
        std::string data;
    } cases[] = {
        {0, 0, "bKGD", std::string("\x00\x01", 2)},
        {0, 0, "tRNS", std::string("\x00\x01", 2)},
        {2, 0, "bKGD", std::string("\x00\x01\x00\x02\x00\x03", 6)},
        {2, 40, "tRNS", std::string("\x00\x01\x00\x02\x00\x03", 6)},
        {0, 40, "bKGD", std::string("\x00\x01", 2)},
        {0, 3, "tRNS", std::string("\x00\x01", 2)},
        {3, 16, "bKGD", std::string("\x00", 1)},
        {4, 4, "bKGD", std::string("\x00\x01", 2)},
        {6, 1, "bKGD", std::string("\x00\x01\x00\x02\x00\x03", 6)},
        {5, 8, "bKGD", std::string("\x00\x01", 2)},
    };
    for (const Case& c : cases) {
        std::string png = PngSignature() + PngChunk("IHDR", PngHeaderData(4, 4, c.depth, c.colorType, false)) +
                          PngChunk(c.chunk, c.data) + PngChunk("IDAT", std::string(10, '\0')) + PngChunk("IEND", "");
        EXPECT_THROW(Decode(png), EInvalidGraphic) << c.colorType << "/" << c.depth << " " << c.chunk;
    }
}

TEST(PngDecode, TransparentColourIsMatchedOnTheStoredSamples)
{
    // Pixel 0 holds the key; pixel 1 differs from it only where gamma or the
    // 8-bit reduction make the two look alike; pixel 2 is another colour.
    const std::string gamma1 = std::string("\x00\x01\x86\xA0", 4);   // 1.0: not the display's own
    struct Case {
        const char* name;
        int colorType, depth;
        std::vector<uint8_t> row;
        std::string key;
        bool gamma;
        bool twins;   // pixels 0 and 1 decode to one colour
    } cases[] = {
        {"rgb 8 with gamma", 2, 8, {255, 10, 20, 254, 10, 20, 0, 0, 0}, std::string("\x00\xFF\x00\x0A\x00\x14", 6), true, true},
        {"grey 8 with gamma", 0, 8, {255, 254, 0}, std::string("\x00\xFF", 2), true, true},
        {"rgb 16", 2, 16, {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0x12, 0x33, 0x56, 0x78, 0x9A, 0xBC, 0, 0, 0, 0, 0, 0},
         std::string("\x12\x34\x56\x78\x9A\xBC", 6), false, true},
        {"grey 16 with gamma", 0, 16, {0x80, 0x00, 0x80, 0x01, 0, 0}, std::string("\x80\x00", 2), true, true},
        {"grey 2", 0, 2, {0x90}, std::string("\x00\x02", 2), false, false},   // 2, 1, 0
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PngSpec s = MakeSpec(3, 1, c.depth, c.colorType, false);
        s.rows = c.row;
        s.before = {{"tRNS", c.key}};
        if (c.gamma) s.before.push_back({"gAMA", gamma1});
        for (bool interlaced : {false, true}) {
            s.interlaced = interlaced;
            auto d = Decode(WritePng(s));
            ASSERT_EQ(d->target.bitsPerPixel, 32);
            EXPECT_EQ(d->target.Pixel(0, 0) >> 24, 0u);
            EXPECT_EQ(d->target.Pixel(1, 0) >> 24, 255u);
            EXPECT_EQ(d->target.Pixel(2, 0) >> 24, 255u);
            if (c.twins) {
                EXPECT_EQ(d->target.Pixel(0, 0) & 0xFFFFFF, d->target.Pixel(1, 0) & 0xFFFFFF);
            }
        }
    }
}

namespace {
// The zlib stream of a file written by WritePng (one image-data chunk).
std::string ImageData(const std::string& png)
{
    size_t at = png.find("IDAT");
    uint32_t len = uint32_t(uint8_t(png[at - 4])) << 24 | uint32_t(uint8_t(png[at - 3])) << 16 |
                   uint32_t(uint8_t(png[at - 2])) << 8 | uint8_t(png[at - 1]);
    return png.substr(at + 4, len);
}

// The file with its image data replaced.
std::string WithImageData(const std::string& png, const std::string& zdata)
{
    return png.substr(0, png.find("IDAT") - 4) + PngChunk("IDAT", zdata) + PngChunk("IEND", "");
}

// Rows from the top that decoded to the written samples.
int RowsDecoded(const Decoded& d, const PngSpec& s)
{
    std::vector<uint32_t> none;
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x)
            if (d.target.Pixel(x, y) != Expected(s, none, x, y)) return y;
    return s.height;
}
}  // namespace

TEST(PngDecode, DataCutShortKeepsEveryRowInflateCanGive)
{
    // Equal rows compress to long back-references: a cut stream often ends
    // with zlib holding whole rows it has not yet handed out.
    PngSpec s = MakeSpec(8, 40, 8, 2, false);
    for (int y = 1; y < s.height; ++y) std::copy_n(s.rows.begin(), 24, s.rows.begin() + y * 24);
    s.filter = 0;
    std::string full = WritePng(s);
    std::string zdata = ImageData(full);
    for (size_t cut = 2; cut < zdata.size(); ++cut) {
        // What zlib itself gives from the cut stream: the complete rows in it.
        std::vector<uint8_t> raw(size_t(s.height) * 25 + 64);
        z_stream z{};
        ASSERT_EQ(inflateInit(&z), Z_OK);
        z.next_in = reinterpret_cast<Bytef*>(zdata.data());
        z.avail_in = uInt(cut);
        z.next_out = raw.data();
        z.avail_out = uInt(raw.size());
        inflate(&z, Z_SYNC_FLUSH);
        int complete = int(z.total_out / 25);
        inflateEnd(&z);
        auto d = Decode(WithImageData(full, zdata.substr(0, cut)));
        EXPECT_EQ(RowsDecoded(*d, s), complete) << "cut at " << cut;
        if (complete < s.height) {
            EXPECT_EQ(d->target.Pixel(0, complete), 0xFFFFFFFFu) << "cut at " << cut;
        }
    }
}

TEST(PngDecode, UndefinedFilterTypeEndsThePictureWhereItStands)
{
    // Rows filtered 0 to 4 and then a type the format does not define: the
    // rows before it stay, it and every row after keep the fill colour, as
    // when the data runs out. No error: the picture is damaged, not refused.
    for (uint8_t badType : {uint8_t(5), uint8_t(255)}) {
        PngSpec s = MakeSpec(5, 6, 8, 2, false);
        s.filter = 0;
        std::vector<uint8_t> raw;
        for (int y = 0; y < s.height; ++y) {
            raw.push_back(y == 3 ? badType : 0);
            raw.insert(raw.end(), s.rows.begin() + y * 15, s.rows.begin() + y * 15 + 15);
        }
        std::vector<uint8_t> packed(compressBound(uLong(raw.size())));
        uLongf size = uLongf(packed.size());
        ASSERT_EQ(compress(packed.data(), &size, raw.data(), uLong(raw.size())), Z_OK);
        std::string png = WithImageData(WritePng(s), std::string(packed.begin(), packed.begin() + long(size)));
        auto d = Decode(png);
        EXPECT_EQ(RowsDecoded(*d, s), 3) << int(badType);
        for (int y = 3; y < s.height; ++y)
            for (int x = 0; x < s.width; ++x) EXPECT_EQ(d->target.Pixel(x, y), 0xFFFFFFFFu) << x << "," << y;
    }
}

TEST(PngDecode, LoadErrorsHaveTheirExceptionClasses)
{
    std::string bad = PngSignature() + PngChunk("IHDR", PngHeaderData(1, 1, 8, 2, false)) + PngChunk("ZZZZ", "") + PngChunk("IEND", "");
    EXPECT_THROW(Decode(bad), EInvalidGraphic);
    TColorManager cm;
    cm.SetSourceColorScheme(csCMY);
    uint8_t in[3]{}, out[3]{};
    const void* planes[1] = {in};
    EXPECT_THROW(cm.ConvertRow(planes, 0, out, 1, 0xFF), EColorConversionError);
    TLZ77Decoder dec(2, false);
    dec.DecodeInit();
    EXPECT_NO_THROW(dec.DecodeEnd());
    EXPECT_TRUE((std::is_base_of_v<EInvalidGraphic, EGraphicCompression>));
}

// ---- the picture class ----
#ifdef _WIN32

namespace {
TMemoryStream StreamWith(const std::string& prefix, const std::string& png, const std::string& suffix)
{
    return TMemoryStream(prefix + png + suffix);
}
}  // namespace

TEST(PNGGraphic, LoadsFromTheStreamPositionAndLeavesItAfterTheImage)
{
    PngSpec s = MakeSpec(9, 7, 8, 6, false);
    std::string png = WritePng(s);
    TMemoryStream stream = StreamWith("HEAD", png, "TAIL");
    stream.SetPosition(4);
    TPNGGraphic g;
    g.LoadFromStream(stream);
    EXPECT_EQ(stream.Position(), int64_t(4 + png.size()));
    EXPECT_EQ(g.Width(), 9);
    EXPECT_EQ(g.PixelFormat(), TPixelFormat::pf32bit);
    EXPECT_TRUE(g.ImageProperties().hasAlpha);
    std::vector<uint32_t> none;
    EXPECT_EQ(GetPixel32(&g, 3, 2), Expected(s, none, 3, 2));
    // A damaged file leaves the picture empty and the stream where it was.
    std::string bad = png;
    bad[bad.find("IDAT") + 6] ^= 1;
    TMemoryStream badStream = StreamWith("", bad, "");
    EXPECT_THROW(g.LoadFromStream(badStream), EInvalidGraphic);
    EXPECT_TRUE(g.Empty());
    EXPECT_EQ(badStream.Position(), 0);
}

TEST(PNGGraphic, PalettesAndGreyGiveColourTablesOfTheirDepth)
{
    PngSpec s = MakeSpec(5, 3, 4, 3, false);
    TMemoryStream stream(WritePng(s));
    TPNGGraphic g;
    g.LoadFromStream(stream);
    EXPECT_EQ(g.PixelFormat(), TPixelFormat::pf4bit);
    EXPECT_EQ(g.ColorTable(), TestPalette(16));
    // The DIB shows the palette's colours.
    COLORREF c = GetPixel(g.Canvas().Handle(), 2, 1);
    uint32_t want = TestPalette(16)[Sample(s, 2, 1, 0)];
    EXPECT_EQ(c, RGB((want >> 16) & 255, (want >> 8) & 255, want & 255));
    PngSpec grey = MakeSpec(5, 3, 16, 0, false);
    TMemoryStream gs(WritePng(grey));
    g.LoadFromStream(gs);
    EXPECT_EQ(g.PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(g.ColorTable()[200], 0xC8C8C8u);
    // Assign copies the image properties between PNG pictures.
    TPNGGraphic copy;
    copy.Assign(&g);
    EXPECT_EQ(copy.ImageProperties().bitsPerSample, 16);
    EXPECT_EQ(copy.ColorTable(), g.ColorTable());
}

TEST(PNGGraphic, DrawBlendsByAlphaWithAMirrorOnlyAtItsOwnSize)
{
    // 4 x 10: left half opaque red, right half transparent.
    PngSpec s;
    s.width = 4;
    s.height = 10;
    s.bitDepth = 8;
    s.colorType = 6;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 4; ++x) {
            bool opaque = x < 2;
            s.rows.insert(s.rows.end(), {uint8_t(opaque ? 255 : 0), 0, 0, uint8_t(opaque ? 255 : 0)});
        }
    TMemoryStream stream(WritePng(s));
    TPNGGraphic g;
    g.LoadFromStream(stream);
    g.SetReflected(true);
    TBitmap canvasBmp(10, 30, TPixelFormat::pf32bit);
    FillRect32(&canvasBmp, RECT{0, 0, 10, 30}, clBlue, 255);
    canvasBmp.Canvas().Draw(2, 1, &g);
    GdiFlush();
    EXPECT_EQ(GetPixel32(&canvasBmp, 2, 1) & 0xFFFFFF, 0xFF0000u);   // red over blue
    EXPECT_EQ(GetPixel32(&canvasBmp, 5, 1) & 0xFFFFFF, 0x0000FFu);   // transparent: the blue shows
    EXPECT_EQ(GetPixel32(&canvasBmp, 0, 0) & 0xFFFFFF, 0x0000FFu);
    // The mirror: below the picture (row 11 is left, 12.. fade), at most 10 div 2 - 1 = 4 rows.
    uint32_t m1 = GetPixel32(&canvasBmp, 2, 12), m4 = GetPixel32(&canvasBmp, 2, 15);
    EXPECT_GT((m1 >> 16) & 255, 0u);
    EXPECT_LT((m1 >> 16) & 255, 255u);
    EXPECT_LE((m4 >> 16) & 255, (m1 >> 16) & 255);
    EXPECT_EQ(GetPixel32(&canvasBmp, 2, 16) & 0xFFFFFF, 0x0000FFu);
    // Stretched to another size: no mirror.
    TBitmap other(20, 40, TPixelFormat::pf32bit);
    FillRect32(&other, RECT{0, 0, 20, 40}, clBlue, 255);
    other.Canvas().StretchDraw(RECT{0, 0, 8, 20}, &g);
    GdiFlush();
    EXPECT_EQ(GetPixel32(&other, 1, 10) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(GetPixel32(&other, 7, 10) & 0xFFFFFF, 0x0000FFu);
    for (int y = 20; y < 40; ++y) EXPECT_EQ(GetPixel32(&other, 1, y) & 0xFFFFFF, 0x0000FFu) << y;
}

TEST(PNGGraphic, RegisteredUnderPngAndLoadedByThePicture)
{
    TempDir dir;
    String file = dir.WriteFile(L"картинка.PNG", WritePng(MakeSpec(3, 2, 8, 2, false)));
    TPicture pic;
    pic.LoadFromFile(file);
    auto* g = dynamic_cast<TPNGGraphic*>(pic.Graphic());
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(pic.Width(), 3);
    ASSERT_TRUE(bool(TPicture::FindFormat(L"png")));
    // The picture's copy of a PNG picture is a PNG picture again.
    TPicture copy;
    copy.Assign(&pic);
    EXPECT_NE(dynamic_cast<TPNGGraphic*>(copy.Graphic()), nullptr);
}

TEST(PNGGraphic, IconHelpersAndWhitePixels)
{
    std::unique_ptr<TBitmap> b(NewBitmap32(4, 4));
    FillRect32(b.get(), RECT{0, 0, 4, 4}, clLime, 255);
    FillRect32(b.get(), RECT{1, 1, 3, 3}, clRed, 255);
    HICON icon = MakeIconFromBitmap(b.get());
    ASSERT_NE(icon, nullptr);
    ICONINFO ii{};
    ASSERT_TRUE(GetIconInfo(icon, &ii));
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, ii.hbmMask);
    EXPECT_NE(GetPixel(dc, 0, 0) & 0xFFFFFF, 0u);   // the top-left colour is transparent
    EXPECT_EQ(GetPixel(dc, 1, 1) & 0xFFFFFF, 0u);   // red is shown
    SelectObject(dc, old);
    DeleteObject(ii.hbmMask);
    DeleteObject(ii.hbmColor);
    DestroyIcon(icon);
    // Alpha icon of a 24-bit bitmap: magenta becomes transparent.
    TBitmap rgb(2, 1, TPixelFormat::pf24bit);
    rgb.ScanLine(0)[0] = 255, rgb.ScanLine(0)[1] = 0, rgb.ScanLine(0)[2] = 255;   // magenta
    rgb.ScanLine(0)[3] = 0, rgb.ScanLine(0)[4] = 0, rgb.ScanLine(0)[5] = 200;     // red
    icon = MakeIconFromAlphaBitmap(&rgb, clWhite);
    ASSERT_NE(icon, nullptr);
    ASSERT_TRUE(GetIconInfo(icon, &ii));
    old = SelectObject(dc, ii.hbmMask);
    EXPECT_NE(GetPixel(dc, 0, 0) & 0xFFFFFF, 0u);
    EXPECT_EQ(GetPixel(dc, 1, 0) & 0xFFFFFF, 0u);
    SelectObject(dc, ii.hbmColor);
    EXPECT_EQ(GetPixel(dc, 1, 0) & 0xFFFFFF, RGB(200, 0, 0));
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(ii.hbmMask);
    DeleteObject(ii.hbmColor);
    DestroyIcon(icon);
    // Only exact 0x00FFFFFF pixels become 0.
    std::unique_ptr<TBitmap> w(NewBitmap32(3, 1));
    SetPixel32(w.get(), 1, 0, 0xFFFFFFFF);
    SetPixel32(w.get(), 2, 0, 0x00FFFFFE);
    ZeroWhitePixels(w.get());
    EXPECT_EQ(GetPixel32(w.get(), 0, 0), 0u);
    EXPECT_EQ(GetPixel32(w.get(), 1, 0), 0xFFFFFFFFu);
    EXPECT_EQ(GetPixel32(w.get(), 2, 0), 0x00FFFFFEu);
}
#endif  // _WIN32
