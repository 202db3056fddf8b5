// The one size policy: the checked-size helper's arithmetic, and every reader
// of picture headers and every pixel owner refusing a size one past the limits
// with its own error while accepting the limit itself. No picture of the limit
// is allocated: readers that would allocate are stopped at their allocation.
// Built natively as well (no <windows.h>).
#include <gtest/gtest.h>

#include <jpeglib.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "classlib/BmpHeader.h"
#include "classlib/IconFile.h"
#include "classlib/ImageSize.h"
#include "classlib/SysUtils.h"
#include "skin/graphics/JpegDecode.h"
#include "skin/graphics/PngDecoder.h"
#include "classlib/PixelBitmap.h"
#include "skin/graphics/SkinError.h"
#include "support/IconBytes.h"

namespace {

constexpr int64_t kSide = ImageLimits::kMaxSide;
constexpr int64_t kPixels = ImageLimits::kMaxPixels;

TEST(ImageSize, FitsChecksEachSideThenTheProduct)
{
    struct Row {
        int64_t w, h, maxPixels, maxSide;
        bool fits;
    } rows[] = {
        {1, 1, kPixels, kSide, true},
        {0, 1, kPixels, kSide, false},
        {1, -1, kPixels, kSide, false},
        {kSide, 1, kPixels, kSide, true},
        {kSide + 1, 1, kPixels, kSide, false},
        {1, kSide + 1, kPixels, kSide, false},
        {8192, 8192, kPixels, kSide, true},   // exactly kMaxPixels
        {8193, 8192, kPixels, kSide, false},
        {kSide, kPixels / kSide, kPixels, kSide, true},
        {kSide, kPixels / kSide + 1, kPixels, kSide, false},
        // Huge values neither overflow nor pass.
        {INT64_MAX, INT64_MAX, kPixels, kSide, false},
        {int64_t(1) << 32, int64_t(1) << 32, kPixels, kSide, false},
        // A caller may tighten the limits but not widen them.
        {10, 10, 99, kSide, false},
        {10, 10, 100, kSide, true},
        {257, 1, kPixels, 256, false},
        {kSide + 1, 1, kPixels, kSide * 2, false},
        {8193, 8192, kPixels * 2, kSide, false},
    };
    for (const Row& r : rows)
        EXPECT_EQ(ImageSizeFits(r.w, r.h, r.maxPixels, r.maxSide), r.fits)
            << r.w << "x" << r.h << " max " << r.maxPixels << " px, side " << r.maxSide;
}

TEST(ImageSize, CheckedBytesPadRowsAndStopAtTheByteLimit)
{
    struct Row {
        int64_t w, h;
        int bits;
        int64_t bytes;
    } rows[] = {
        {1, 1, 1, 4},
        {3, 2, 24, 2 * 12},                   // 9 bytes padded to 12
        {33, 1, 1, 8},                         // 33 bits padded to 64
        {kSide, kSide, 1, (kSide + 31) / 32 * 4 * kSide},
        {8192, 8192, 32, ImageLimits::kMaxBytes},
        {8193, 8192, 32, -1},
        {kSide + 1, 1, 8, -1},
        {0, 5, 32, -1},
        {5, 5, 0, -1},
        {5, 5, 65, -1},
        {INT64_MAX, 1, 32, -1},
    };
    for (const Row& r : rows)
        EXPECT_EQ(CheckedImageBytes(r.w, r.h, r.bits), r.bytes) << r.w << "x" << r.h << " at " << r.bits;
}

// ---- headers of each format at a given size ----

void PutBE(std::string& s, uint32_t v)
{
    for (int i = 3; i >= 0; --i) s.push_back(char((v >> (8 * i)) & 0xFF));
}

std::string PngHeaderOnly(uint32_t w, uint32_t h)
{
    auto chunk = [](const std::string& type, const std::string& data) {
        std::string c;
        PutBE(c, uint32_t(data.size()));
        std::string body = type + data;
        c += body;
        PutBE(c, PngCrc32(0, reinterpret_cast<const uint8_t*>(body.data()), body.size()));
        return c;
    };
    std::string ihdr;
    PutBE(ihdr, w);
    PutBE(ihdr, h);
    ihdr += std::string("\x08\x06\x00\x00\x00", 5);   // 8-bit RGBA, deflate, filter 0, no interlace
    return std::string("\x89PNG\r\n\x1A\n", 8) + chunk("IHDR", ihdr) + chunk("IEND", "");
}

// A run-length compressed 8-bit BMP whose data end at once: the header is whole
// without a row of pixels.
std::string BmpRle8Header(int32_t w, int32_t h)
{
    std::string b = "BM";
    const uint32_t offBits = 14 + 40 + 256 * 4;
    PutLE(b, offBits + 2, 4);
    PutLE(b, 0, 4);
    PutLE(b, offBits, 4);
    PutLE(b, 40, 4);
    PutLE(b, uint32_t(w), 4);
    PutLE(b, uint32_t(h), 4);
    PutLE(b, 1, 2);
    PutLE(b, 8, 2);
    PutLE(b, kBmpRle8, 4);
    PutLE(b, 2, 4);
    for (int i = 0; i < 4; ++i) PutLE(b, 0, 4);
    b.append(256 * 4, '\0');
    b += std::string("\x00\x01", 2);   // end of picture
    return b;
}

// A small real JPEG whose frame header is then made to declare w x h.
std::string JpegDeclaring(int w, int h)
{
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* mem = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &mem, &size);
    c.image_width = 8;
    c.image_height = 8;
    c.input_components = 1;
    c.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(8, 128);
    while (c.next_scanline < c.image_height) {
        JSAMPROW p = row.data();
        jpeg_write_scanlines(&c, &p, 1);
    }
    jpeg_finish_compress(&c);
    std::string out(reinterpret_cast<char*>(mem), size);
    std::free(mem);
    jpeg_destroy_compress(&c);
    size_t sof = out.find("\xFF\xC0", 2);
    if (sof == std::string::npos) return {};
    out[sof + 5] = char(h >> 8);
    out[sof + 6] = char(h & 0xFF);
    out[sof + 7] = char(w >> 8);
    out[sof + 8] = char(w & 0xFF);
    return out;
}

const uint8_t* U(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

// Each reader answers true when it takes the size, false when it refuses it
// with its own error; any other error escapes and fails the test.
using Reader = std::function<bool(int w, int h)>;

bool PngReads(int w, int h)
{
    const std::string png = PngHeaderOnly(uint32_t(w), uint32_t(h));
    try {
        PngImageProperties p = ReadPngProperties(U(png), png.size());
        return p.width == uint32_t(w) && p.height == uint32_t(h);
    } catch (const EInvalidGraphic&) {
        return false;
    }
}

bool JpegReads(int w, int h)
{
    const std::string jpeg = JpegDeclaring(w, h);
    EXPECT_FALSE(jpeg.empty());
    // The decoder asks for the memory only once the size has passed; the
    // allocation is declined, so nothing of the size is ever allocated.
    bool asked = false;
    try {
        DecodeJpeg(U(jpeg), jpeg.size(), [&](int aw, int ah, ptrdiff_t&) -> uint8_t* {
            asked = aw == w && ah == h;
            return nullptr;
        });
    } catch (const EInvalidGraphic&) {
    }
    return asked;
}

bool BmpReads(int w, int h)
{
    const std::string bmp = BmpRle8Header(w, h);
    BmpInfo info;
    std::string why;
    bool ok = ParseBmpHeader(U(bmp), bmp.size(), info, &why);
    if (!ok) {
        EXPECT_EQ(why, "BMP size out of range");
    }
    return ok;
}

bool IconReads(int w, int h)
{
    const std::string file = IconFileBytes(w, h, [](int, int) { return 0xFF102030u; });
    const std::string image = file.substr(22);
    IconImageInfo info;
    std::string why;
    bool ok = CheckIconImage(U(image), image.size(), info, &why);
    if (!ok) {
        EXPECT_EQ(why, "icon image size out of range");
    }
    return ok;
}

bool PngIconReads(int w, int h)
{
    const std::string png = PngHeaderOnly(uint32_t(w), uint32_t(h));
    IconImageInfo info;
    std::string why;
    bool ok = CheckIconImage(U(png), png.size(), info, &why);
    if (!ok) {
        EXPECT_EQ(why, "PNG icon size out of range");
    }
    return ok;
}

bool PixelBitmapTakes(int w, int h)
{
    try {
        PixelBitmap b(w, h);
        return b.Width() == w && b.Height() == h;
    } catch (const EOutOfResources&) {
        return false;
    }
}

TEST(ImageSize, EveryReaderRefusesOnePastTheLimitsWithItsOwnError)
{
    const int side = ImageLimits::kMaxSide;
    struct Row {
        const char* reader;
        Reader reads;
        int w, h;
        bool accepted;
    } rows[] = {
        {"PNG", PngReads, 8192, 8192, true},
        {"PNG", PngReads, side, 2048, true},
        {"PNG", PngReads, 8193, 8192, false},
        {"PNG", PngReads, side + 1, 1, false},
        {"JPEG", JpegReads, 8192, 8192, true},
        {"JPEG", JpegReads, 8193, 8192, false},
        {"JPEG", JpegReads, side + 1, 1, false},
        {"BMP", BmpReads, 8192, 8192, true},
        {"BMP", BmpReads, 8192, 8193, false},
        {"BMP", BmpReads, 1, side + 1, false},
        // Icons: at most 256 on a side, the most the icon directory can state.
        {"icon", IconReads, 256, 256, true},
        {"icon", IconReads, 257, 1, false},
        {"icon", IconReads, 1, 257, false},
        {"PNG icon", PngIconReads, 256, 256, true},
        {"PNG icon", PngIconReads, 257, 16, false},
        // The skin's bitmap allocates what it accepts: the side limit only.
        {"PixelBitmap", PixelBitmapTakes, side, 1, true},
        {"PixelBitmap", PixelBitmapTakes, 1, side, true},
        {"PixelBitmap", PixelBitmapTakes, side + 1, 1, false},
        {"PixelBitmap", PixelBitmapTakes, 8193, 8192, false},
    };
    for (const Row& r : rows)
        EXPECT_EQ(r.reads(r.w, r.h), r.accepted) << r.reader << " " << r.w << "x" << r.h;
}

}  // namespace
