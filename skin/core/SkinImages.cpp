#include "skin/core/SkinImages.h"

#include <zlib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

#include "skin/core/SkinError.h"

namespace {

[[noreturn]] void Bad(const char* what) { throw SkinError(SkinErrorKind::Graphic, what); }

uint32_t U16(const unsigned char* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
uint32_t U32(const unsigned char* p) { return U16(p) | U16(p + 2) << 16; }
uint32_t B32(const unsigned char* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

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

std::unique_ptr<SkinBitmap> DecodeBmp(std::string_view bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    size_t n = bytes.size();
    if (n < 26 || p[0] != 'B' || p[1] != 'M')
        Bad("Bitmap image is not valid");
    uint32_t offBits = U32(p + 10), hsize = U32(p + 14);
    int64_t w, h;
    int bpp;
    uint32_t compression = 0, clrUsed = 0;
    size_t palOff = 14 + hsize, palEntry = 4;
    if (hsize == 12) {
        w = int16_t(U16(p + 18));
        h = int16_t(U16(p + 20));
        bpp = int(U16(p + 24));
        palEntry = 3;
    } else if (hsize >= 40 && n >= 14 + 40) {
        w = int32_t(U32(p + 18));
        h = int32_t(U32(p + 22));
        bpp = int(U16(p + 28));
        compression = U32(p + 30);
        clrUsed = U32(p + 46);
    } else {
        Bad("Bitmap image is not valid");
    }
    bool topDown = h < 0;
    if (topDown) h = -h;
    if (w < 1 || h < 1 || w > SkinBitmap::kMaxSide || h > SkinBitmap::kMaxSide)
        Bad("Bitmap image is not valid");
    uint32_t masks[4] = {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0};
    bool hasAlphaMask = false;
    if (compression == 3 || compression == 6) {   // BI_BITFIELDS / BI_ALPHABITFIELDS
        size_t mo = hsize >= 52 ? 14 + 40 : 14 + hsize;
        int count = (compression == 6 || hsize >= 56) ? 4 : 3;
        if (mo + 4 * size_t(count) > n)
            Bad("Bitmap image is not valid");
        for (int i = 0; i < count; ++i)
            masks[i] = U32(p + mo + 4 * i);
        hasAlphaMask = count == 4 && masks[3] != 0;
        if (hsize == 40)
            palOff += 4 * size_t(count);
    } else if (compression != 0) {
        Bad("Bitmap compression is not supported");
    } else if (bpp == 16) {
        masks[0] = 0x7C00; masks[1] = 0x03E0; masks[2] = 0x001F;
    }
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        Bad("Bitmap image is not valid");
    std::vector<uint32_t> palette;
    if (bpp <= 8) {
        size_t count = clrUsed ? clrUsed : (size_t(1) << bpp);
        if (count > 256)
            count = 256;
        for (size_t i = 0; i < count && palOff + i * palEntry + 3 <= n; ++i) {
            const unsigned char* e = p + palOff + i * palEntry;
            palette.push_back(uint32_t(e[2]) << 16 | uint32_t(e[1]) << 8 | e[0]);
        }
        palette.resize(size_t(1) << bpp, 0);
    }
    size_t stride = ((size_t(w) * size_t(bpp) + 31) / 32) * 4;
    if (offBits > n || stride * size_t(h) > n - offBits)
        Bad("Bitmap image is not valid");
    auto bmp = std::make_unique<SkinBitmap>(int(w), int(h));
    int shifts[4], bits[4];
    for (int i = 0; i < 4; ++i) { shifts[i] = MaskShift(masks[i]); bits[i] = MaskBits(masks[i]); }
    for (int64_t y = 0; y < h; ++y) {
        const unsigned char* src = p + offBits + stride * size_t(topDown ? y : h - 1 - y);
        uint32_t* dst = bmp->Row(int(y));
        for (int64_t x = 0; x < w; ++x) {
            uint32_t v;
            switch (bpp) {
            case 1: v = palette[(src[x >> 3] >> (7 - (x & 7))) & 1]; break;
            case 4: v = palette[(src[x >> 1] >> ((x & 1) ? 0 : 4)) & 15]; break;
            case 8: v = palette[src[x]]; break;
            case 24: v = uint32_t(src[3 * x + 2]) << 16 | uint32_t(src[3 * x + 1]) << 8 | src[3 * x]; break;
            default: {
                uint32_t raw = bpp == 16 ? U16(src + 2 * x) : U32(src + 4 * x);
                if (compression == 0 && bpp == 32) {
                    v = raw;   // the fourth byte is kept as it is
                } else {
                    v = Scale((raw & masks[0]) >> shifts[0], bits[0]) << 16 |
                        Scale((raw & masks[1]) >> shifts[1], bits[1]) << 8 |
                        Scale((raw & masks[2]) >> shifts[2], bits[2]);
                    if (hasAlphaMask)
                        v |= Scale((raw & masks[3]) >> shifts[3], bits[3]) << 24;
                }
            }
            }
            dst[x] = v;
        }
    }
    return bmp;
}

std::string EncodeBmp24(const SkinBitmap& bmp)
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

int PaethPredictor(int a, int b, int c)
{
    int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return a;
    return pb <= pc ? b : c;
}

}  // namespace

std::unique_ptr<SkinBitmap> DecodePng(std::string_view bytes)
{
    static const unsigned char sig[8] = {137, 80, 78, 71, 13, 10, 26, 10};
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    size_t n = bytes.size(), pos = 8;
    if (n < 8 || std::memcmp(p, sig, 8) != 0)
        Bad("PNG image is not valid");
    uint32_t w = 0, h = 0;
    int depth = 0, ctype = -1, interlace = 0;
    std::vector<uint32_t> palette;   // 0xAARRGGBB
    int trnsGray = -1, trnsR = -1, trnsG = -1, trnsB = -1;
    std::string idat;
    bool ended = false;
    while (!ended) {
        if (n - pos < 12)
            Bad("PNG image is not valid: cut short");
        uint32_t len = B32(p + pos);
        const unsigned char* type = p + pos + 4;
        if (len > n - pos - 12)
            Bad("PNG image is not valid: chunk beyond the end");
        const unsigned char* d = p + pos + 8;
        if (!std::memcmp(type, "IHDR", 4)) {
            if (len != 13)
                Bad("PNG image is not valid: bad header");
            w = B32(d);
            h = B32(d + 4);
            depth = d[8];
            ctype = d[9];
            interlace = d[12];
            if (d[10] != 0 || d[11] != 0 || interlace > 1)
                Bad("PNG image is not valid: bad header");
        } else if (!std::memcmp(type, "PLTE", 4)) {
            if (len % 3 || len > 768)
                Bad("PNG image is not valid: bad palette");
            palette.clear();
            for (uint32_t i = 0; i < len; i += 3)
                palette.push_back(0xFF000000u | uint32_t(d[i]) << 16 | uint32_t(d[i + 1]) << 8 | d[i + 2]);
        } else if (!std::memcmp(type, "tRNS", 4)) {
            if (ctype == 3) {
                for (uint32_t i = 0; i < len && i < palette.size(); ++i)
                    palette[i] = (palette[i] & 0xFFFFFFu) | uint32_t(d[i]) << 24;
            } else if (ctype == 0 && len >= 2) {
                trnsGray = int(d[0] << 8 | d[1]);
            } else if (ctype == 2 && len >= 6) {
                trnsR = int(d[0] << 8 | d[1]);
                trnsG = int(d[2] << 8 | d[3]);
                trnsB = int(d[4] << 8 | d[5]);
            }
        } else if (!std::memcmp(type, "IDAT", 4)) {
            if (idat.size() + len > (size_t(1) << 30))
                Bad("PNG image is too large");
            idat.append(reinterpret_cast<const char*>(d), len);
        } else if (!std::memcmp(type, "IEND", 4)) {
            ended = true;
        } else if (!(type[0] & 0x20)) {
            Bad("PNG image is not valid: unknown critical chunk");
        }
        pos += 12 + size_t(len);
    }
    int channels = 0;
    bool depthOk = false;
    switch (ctype) {
    case 0: channels = 1; depthOk = depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16; break;
    case 2: channels = 3; depthOk = depth == 8 || depth == 16; break;
    case 3: channels = 1; depthOk = depth == 1 || depth == 2 || depth == 4 || depth == 8; break;
    case 4: channels = 2; depthOk = depth == 8 || depth == 16; break;
    case 6: channels = 4; depthOk = depth == 8 || depth == 16; break;
    default: Bad("PNG image is not valid: bad colour type");
    }
    if (!depthOk)
        Bad("PNG image is not valid: bad bit depth");
    if (ctype == 3 && palette.empty())
        Bad("PNG image is not valid: no palette");
    if (w < 1 || h < 1 || w > uint32_t(SkinBitmap::kMaxSide) || h > uint32_t(SkinBitmap::kMaxSide))
        Bad("PNG image is not valid: bad size");
    auto bmp = std::make_unique<SkinBitmap>(int(w), int(h));
    size_t bitsPerPixel = size_t(channels) * size_t(depth);
    size_t bpp = std::max<size_t>(1, bitsPerPixel / 8);

    // Pass geometry (one pass when not interlaced).
    static const int ax[7] = {0, 4, 0, 2, 0, 1, 0}, ay[7] = {0, 0, 4, 0, 2, 0, 1};
    static const int dx[7] = {8, 8, 4, 4, 2, 2, 1}, dy[7] = {8, 8, 8, 4, 4, 2, 2};
    int passes = interlace ? 7 : 1;
    size_t total = 0;
    for (int pass = 0; pass < passes; ++pass) {
        size_t pw = interlace ? (w + size_t(dx[pass]) - 1 - size_t(ax[pass])) / size_t(dx[pass]) : w;
        size_t ph = interlace ? (h + size_t(dy[pass]) - 1 - size_t(ay[pass])) / size_t(dy[pass]) : h;
        if (pw && ph)
            total += ph * (1 + (pw * bitsPerPixel + 7) / 8);
    }
    // Deflate cannot expand by more than about 1032 times: a header that asks for
    // more than the data could hold is refused before anything is allocated.
    if (total > idat.size() * 1032 + 1024)
        Bad("PNG image is not valid: image data too short");
    std::string raw(total, '\0');
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        Bad("PNG image is not valid");
    z.next_in = reinterpret_cast<Bytef*>(idat.data());
    z.avail_in = uInt(idat.size());
    z.next_out = reinterpret_cast<Bytef*>(raw.data());
    z.avail_out = uInt(total);
    int rc = inflate(&z, Z_FINISH);
    size_t got = total - z.avail_out;
    inflateEnd(&z);
    if ((rc != Z_STREAM_END && rc != Z_BUF_ERROR && rc != Z_OK) || got != total)
        Bad("PNG image is not valid: damaged image data");

    auto sample = [&](const unsigned char* row, size_t x, int c) -> int {
        if (depth == 16)
            return row[(x * size_t(channels) + size_t(c)) * 2];   // high byte
        if (depth == 8)
            return row[x * size_t(channels) + size_t(c)];
        size_t bit = x * size_t(depth);
        return (row[bit / 8] >> (8 - depth - int(bit % 8))) & ((1 << depth) - 1);
    };
    auto sample16 = [&](const unsigned char* row, size_t x, int c) -> int {
        if (depth == 16) {
            const unsigned char* s = row + (x * size_t(channels) + size_t(c)) * 2;
            return s[0] << 8 | s[1];
        }
        return sample(row, x, c);
    };
    unsigned char* cur = reinterpret_cast<unsigned char*>(raw.data());
    for (int pass = 0; pass < passes; ++pass) {
        size_t pw = interlace ? (w + size_t(dx[pass]) - 1 - size_t(ax[pass])) / size_t(dx[pass]) : w;
        size_t ph = interlace ? (h + size_t(dy[pass]) - 1 - size_t(ay[pass])) / size_t(dy[pass]) : h;
        if (!pw || !ph)
            continue;
        size_t rowBytes = (pw * bitsPerPixel + 7) / 8;
        std::vector<unsigned char> prev(rowBytes, 0);
        for (size_t y = 0; y < ph; ++y) {
            int filter = cur[0];
            unsigned char* row = cur + 1;
            for (size_t i = 0; i < rowBytes; ++i) {
                int a = i >= bpp ? row[i - bpp] : 0, b = prev[i], c = i >= bpp ? prev[i - bpp] : 0;
                switch (filter) {
                case 0: break;
                case 1: row[i] = uint8_t(row[i] + a); break;
                case 2: row[i] = uint8_t(row[i] + b); break;
                case 3: row[i] = uint8_t(row[i] + ((a + b) >> 1)); break;
                case 4: row[i] = uint8_t(row[i] + PaethPredictor(a, b, c)); break;
                default: Bad("PNG image is not valid: bad filter");
                }
            }
            std::memcpy(prev.data(), row, rowBytes);
            size_t oy = interlace ? size_t(ay[pass]) + y * size_t(dy[pass]) : y;
            uint32_t* out = bmp->Row(int(oy));
            for (size_t x = 0; x < pw; ++x) {
                size_t ox = interlace ? size_t(ax[pass]) + x * size_t(dx[pass]) : x;
                uint32_t v;
                int maxv = (1 << depth) - 1;
                switch (ctype) {
                case 0: {
                    int g = sample(row, x, 0);
                    int g8 = depth >= 8 ? g : g * 255 / maxv;
                    bool clear = trnsGray >= 0 && sample16(row, x, 0) == trnsGray;
                    v = (clear ? 0u : 0xFF000000u) | uint32_t(g8) * 0x010101u;
                    break;
                }
                case 2: {
                    int r = sample(row, x, 0), g = sample(row, x, 1), b = sample(row, x, 2);
                    bool clear = trnsR >= 0 && sample16(row, x, 0) == trnsR && sample16(row, x, 1) == trnsG &&
                                 sample16(row, x, 2) == trnsB;
                    v = (clear ? 0u : 0xFF000000u) | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
                    break;
                }
                case 3: {
                    size_t i = size_t(sample(row, x, 0));
                    v = i < palette.size() ? palette[i] : 0xFF000000u;
                    break;
                }
                case 4: {
                    int g = sample(row, x, 0);
                    v = uint32_t(sample(row, x, 1)) << 24 | uint32_t(g) * 0x010101u;
                    break;
                }
                default:
                    v = uint32_t(sample(row, x, 3)) << 24 | uint32_t(sample(row, x, 0)) << 16 |
                        uint32_t(sample(row, x, 1)) << 8 | uint32_t(sample(row, x, 2));
                }
                out[ox] = v;
            }
            cur += 1 + rowBytes;
        }
    }
    return bmp;
}

// ---------------------------------------------------------------- JPEG

namespace {

struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

void JpegFail(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}
void JpegQuiet(j_common_ptr) {}

}  // namespace

bool JpegSize(std::string_view bytes, int& width, int& height)
{
    jpeg_decompress_struct cinfo{};
    JpegError err{};
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegFail;
    err.mgr.output_message = JpegQuiet;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.data()), (unsigned long)bytes.size());
    jpeg_read_header(&cinfo, TRUE);
    width = int(cinfo.image_width);
    height = int(cinfo.image_height);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

std::unique_ptr<SkinBitmap> DecodeJpeg(std::string_view bytes)
{
    if (bytes.size() < 4)
        Bad("JPEG image is not valid");
    jpeg_decompress_struct cinfo{};
    JpegError err{};
    // Everything that must be released after a longjmp lives outside the
    // setjmp frame's automatic variables that could be clobbered.
    static thread_local std::unique_ptr<SkinBitmap> result;
    static thread_local std::vector<unsigned char> line;
    result.reset();
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegFail;
    err.mgr.output_message = JpegQuiet;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        result.reset();
        Bad("JPEG image is not valid");
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.data()), (unsigned long)bytes.size());
    jpeg_read_header(&cinfo, TRUE);
    if (cinfo.image_width < 1 || cinfo.image_height < 1 || cinfo.image_width > unsigned(SkinBitmap::kMaxSide) ||
        cinfo.image_height > unsigned(SkinBitmap::kMaxSide) ||
        int64_t(cinfo.image_width) * cinfo.image_height > SkinBitmap::kMaxPixels) {
        jpeg_destroy_decompress(&cinfo);
        Bad("JPEG image is not valid: bad size");
    }
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    try {
        result = std::make_unique<SkinBitmap>(int(cinfo.output_width), int(cinfo.output_height));
    } catch (...) {
        jpeg_destroy_decompress(&cinfo);
        throw;
    }
    line.assign(size_t(cinfo.output_width) * 3, 0);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW rows[1] = {line.data()};
        int y = int(cinfo.output_scanline);
        if (jpeg_read_scanlines(&cinfo, rows, 1) != 1)
            break;
        uint32_t* out = result->Row(y);
        for (unsigned x = 0; x < cinfo.output_width; ++x)
            out[x] = 0xFF000000u | uint32_t(line[3 * x]) << 16 | uint32_t(line[3 * x + 1]) << 8 | line[3 * x + 2];
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return std::move(result);
}
