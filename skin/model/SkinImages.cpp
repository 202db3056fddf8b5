#include "skin/model/SkinImages.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "classlib/BmpHeader.h"
#include "skin/graphics/SkinError.h"
#include "skin/graphics/JpegDecode.h"
#include "skin/graphics/PngDecoder.h"

namespace {

[[noreturn]] void Bad(const char* what) { throw SkinError(SkinErrorKind::Graphic, what); }

uint32_t U16(const unsigned char* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
uint32_t U32(const unsigned char* p) { return U16(p) | U16(p + 2) << 16; }

int MaskShift(uint32_t m)
{
    int s = 0;
    while (m && !(m & 1)) { m >>= 1; ++s; }
    return s;
}
int MaskBits(uint32_t m)
{
    m >>= MaskShift(m);
    int b = 0;
    while (m & 1) { m >>= 1; ++b; }
    return b;
}
uint32_t Scale(uint32_t v, int bits)
{
    if (bits <= 0) return 0;
    if (bits >= 8) return v >> (bits - 8);
    return (v * 255u + ((1u << bits) - 1) / 2) / ((1u << bits) - 1);
}

}  // namespace

std::unique_ptr<PixelBitmap> DecodeBmp(std::string_view bytes, int64_t maxPixels)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    size_t n = bytes.size();
    BmpInfo info;
    if (!ParseBmpHeader(p, n, info, nullptr))
        Bad("Bitmap image is not valid");
    if (!ImageSizeFits(info.width, info.height, maxPixels))
        Bad("Bitmap image is too large");
    std::vector<uint8_t> indices;
    bool rle = info.compression == kBmpRle8 || info.compression == kBmpRle4;
    if (rle && !DecodeBmpRle(p, n, info, indices, nullptr))
        Bad("Bitmap image is not valid");
    const int w = info.width, h = info.height, bpp = info.bitCount;
    const uint32_t* masks = info.masks;
    auto bmp = std::make_unique<PixelBitmap>(w, h);
    int shifts[4], bits[4];
    for (int i = 0; i < 4; ++i) { shifts[i] = MaskShift(masks[i]); bits[i] = MaskBits(masks[i]); }
    const std::vector<uint32_t>& palette = info.colors;
    size_t stride = info.Stride();
    for (int y = 0; y < h; ++y) {
        uint32_t* dst = bmp->Row(y);
        if (rle) {
            const uint8_t* src = &indices[size_t(y) * size_t(w)];
            for (int x = 0; x < w; ++x) dst[x] = palette[src[x]];
            continue;
        }
        const unsigned char* src = p + info.bitsOffset + stride * size_t(info.topDown ? y : h - 1 - y);
        for (int x = 0; x < w; ++x) {
            uint32_t v;
            switch (bpp) {
            case 1: v = palette[(src[x >> 3] >> (7 - (x & 7))) & 1]; break;
            case 4: v = palette[(src[x >> 1] >> ((x & 1) ? 0 : 4)) & 15]; break;
            case 8: v = palette[src[x]]; break;
            case 24: v = uint32_t(src[3 * x + 2]) << 16 | uint32_t(src[3 * x + 1]) << 8 | src[3 * x]; break;
            default: {
                uint32_t raw = bpp == 16 ? U16(src + 2 * x) : U32(src + 4 * x);
                if (info.compression == kBmpRgb && bpp == 32) {
                    v = raw;   // the fourth byte is kept as it is
                } else {
                    v = Scale((raw & masks[0]) >> shifts[0], bits[0]) << 16 |
                        Scale((raw & masks[1]) >> shifts[1], bits[1]) << 8 |
                        Scale((raw & masks[2]) >> shifts[2], bits[2]);
                    if (info.alphaMask)
                        v |= Scale((raw & masks[3]) >> shifts[3], bits[3]) << 24;
                }
            }
            }
            dst[x] = v;
        }
    }
    return bmp;
}

std::string EncodeBmp24(const PixelBitmap& bmp)
{
    int w = bmp.Width(), h = bmp.Height();
    size_t stride = ((size_t(w) * 3 + 3) / 4) * 4;
    std::string out(54 + stride * size_t(h), '\0');
    auto put16 = [&](size_t at, uint32_t v) { out[at] = char(v & 0xFF); out[at + 1] = char((v >> 8) & 0xFF); };
    auto put32 = [&](size_t at, uint32_t v) { put16(at, v & 0xFFFF); put16(at + 2, v >> 16); };
    out[0] = 'B'; out[1] = 'M';
    put32(2, uint32_t(out.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, uint32_t(w));
    put32(22, uint32_t(h));
    put16(26, 1);
    put16(28, 24);
    put32(34, uint32_t(stride * size_t(h)));
    for (int y = 0; y < h; ++y) {
        char* row = out.data() + 54 + stride * size_t(h - 1 - y);
        for (int x = 0; x < w; ++x) {
            uint32_t v = bmp.Pixel(x, y);
            row[3 * x] = char(v & 0xFF);
            row[3 * x + 1] = char((v >> 8) & 0xFF);
            row[3 * x + 2] = char((v >> 16) & 0xFF);
        }
    }
    return out;
}

// ---------------------------------------------------------------- PNG

namespace {

// Rows of a 32-bit picture go straight into the skin bitmap; other depths
// (palette, grey, 24-bit) go to memory first and are widened afterwards.
class SkinPngTarget : public PngMemoryTarget {
public:
    RawPixelView Allocate(int w, int h, int bpp, const std::vector<uint32_t>& pal) override
    {
        if (bpp != 32)
            return PngMemoryTarget::Allocate(w, h, bpp, pal);
        bitmap = std::make_unique<PixelBitmap>(w, h);
        width = w;
        height = h;
        bitsPerPixel = bpp;
        return RawPixelView{reinterpret_cast<uint8_t*>(bitmap->Row(0)), bitmap->Stride(), w, h, 32};
    }
    std::unique_ptr<PixelBitmap> bitmap;
};

}  // namespace

std::unique_ptr<PixelBitmap> DecodePng(std::string_view bytes, int64_t maxPixels)
{
    PngLimits limits;
    limits.maxPixels = maxPixels;
    SkinPngTarget target;
    PngLoadResult r;
    try {
        TColorManager colors;
        r = LoadPng(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), target, colors, limits);
    } catch (const Exception& e) {
        Bad(e.what());
    }
    if (target.bitmap)
        return std::move(target.bitmap);
    if (target.width < 1 || target.height < 1)
        Bad("PNG image is not valid");
    auto bmp = std::make_unique<PixelBitmap>(target.width, target.height);
    // Grey and colour pictures name one colour transparent (tRNS): those
    // pixels get alpha 0, the others stay opaque.
    bool keyed = r.transparentColor <= 0xFFFFFFu;
    uint32_t key = ((r.transparentColor & 0xFF) << 16) | (r.transparentColor & 0xFF00) |
                   ((r.transparentColor >> 16) & 0xFF);
    for (int y = 0; y < target.height; ++y) {
        uint32_t* out = bmp->Row(y);
        for (int x = 0; x < target.width; ++x) {
            uint32_t v = target.Pixel(x, y);
            out[x] = keyed && (v & 0xFFFFFFu) == key ? v & 0xFFFFFFu : v;
        }
    }
    return bmp;
}

// ---------------------------------------------------------------- JPEG

std::unique_ptr<PixelBitmap> DecodeJpeg(std::string_view bytes, int64_t maxPixels)
{
    // The decoder writes straight into the bitmap's rows.
    std::unique_ptr<PixelBitmap> bmp;
    JpegAllocator intoBitmap = [&bmp](int width, int height, ptrdiff_t& stride) -> uint8_t* {
        try {
            bmp = std::make_unique<PixelBitmap>(width, height);
        } catch (...) {
            return nullptr;
        }
        stride = bmp->Stride();
        return reinterpret_cast<uint8_t*>(bmp->Row(0));
    };
    try {
        DecodeJpeg(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), intoBitmap, maxPixels);
    } catch (const Exception& e) {
        Bad(e.what());
    }
    return bmp;
}

// ---------------------------------------------------------------- sizes

namespace {

// width x height of two unsigned 32-bit sides, held at the largest int64_t
// (the product of two such sides fits in 64 unsigned bits).
int64_t SaturatedArea(uint32_t w, uint32_t h)
{
    uint64_t area = uint64_t(w) * h;
    return area > uint64_t(std::numeric_limits<int64_t>::max()) ? std::numeric_limits<int64_t>::max() : int64_t(area);
}

}  // namespace

int64_t DeclaredImagePixels(std::string_view bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    size_t n = bytes.size();
    auto be16 = [&](size_t at) { return uint32_t(p[at]) << 8 | p[at + 1]; };
    auto be32 = [&](size_t at) { return be16(at) << 16 | be16(at + 2); };
    if (n >= 26 && p[0] == 'B' && p[1] == 'M') {
        uint32_t hsize = U32(p + 14);
        int64_t w = 0, h = 0;
        if (hsize == 12) {
            w = int16_t(U16(p + 18));
            h = int16_t(U16(p + 20));
        } else if (hsize >= 40 && n >= 14 + 40) {
            w = int32_t(U32(p + 18));
            h = int32_t(U32(p + 22));
        }
        return (w < 0 ? -w : w) * (h < 0 ? -h : h);
    }
    if (n >= 24 && std::memcmp(p, "\x89PNG\r\n\x1a\n", 8) == 0 && std::memcmp(p + 12, "IHDR", 4) == 0)
        return SaturatedArea(be32(16), be32(20));
    if (n >= 4 && p[0] == 0xFF && p[1] == 0xD8) {
        // Markers up to the first frame header (SOF0 to SOF15 but DHT, JPG and DAC).
        size_t at = 2;
        while (at + 4 <= n) {
            if (p[at] != 0xFF)
                return 0;
            unsigned m = p[at + 1];
            if (m == 0xFF) {
                ++at;
                continue;
            }
            if (m == 0x01 || (m >= 0xD0 && m <= 0xD7)) {
                at += 2;
                continue;
            }
            if (m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC)
                return at + 9 <= n ? int64_t(be16(at + 5)) * be16(at + 7) : 0;
            at += 2 + be16(at + 2);
        }
    }
    return 0;
}
