// PNG decoding speed: our reader beside libpng (the reference decoder, read to
// 8-bit BGRA/BGR or palette indices as ours gives them) on the same files, in
// the same run. Prints milliseconds per decode and our time / reference time.
// Built by native/CMakeLists.txt with the other benchmarks (tools/bench).
#include <png.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "BenchHarness.h"
#include "skin/graphics/PngDecoder.h"
#include "support/PngWriter.h"

namespace {

struct Reader {
    const std::string* data;
    size_t pos;
};

void ReadFn(png_structp p, png_bytep out, png_size_t n)
{
    auto* r = static_cast<Reader*>(png_get_io_ptr(p));
    if (r->pos + n > r->data->size()) png_error(p, "eof");
    std::memcpy(out, r->data->data() + r->pos, n);
    r->pos += n;
}

// libpng to the same kind of result as ours: 8-bit samples, blue first, palette indices kept.
size_t ReferenceDecode(const std::string& file, std::vector<uint8_t>& pixels)
{
    png_structp p = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(p);
    if (setjmp(png_jmpbuf(p))) {
        png_destroy_read_struct(&p, &info, nullptr);
        return 0;
    }
    Reader r{&file, 0};
    png_set_read_fn(p, &r, ReadFn);
    png_read_info(p, info);
    png_set_strip_16(p);
    png_set_bgr(p);
    png_set_packing(p);
    png_set_interlace_handling(p);
    png_read_update_info(p, info);
    size_t rowBytes = png_get_rowbytes(p, info);
    png_uint_32 h = png_get_image_height(p, info);
    pixels.resize(rowBytes * h);
    std::vector<png_bytep> rows(h);
    for (png_uint_32 y = 0; y < h; ++y) rows[y] = pixels.data() + rowBytes * y;
    png_read_image(p, rows.data());
    png_read_end(p, nullptr);
    png_destroy_read_struct(&p, &info, nullptr);
    return pixels.size();
}

size_t OurDecode(const std::string& file, PngMemoryTarget& t)
{
    TColorManager cm;
    LoadPng(reinterpret_cast<const uint8_t*>(file.data()), file.size(), t, cm);
    return t.pixels.size();
}

template <class F>
double BestMs(F f, int runs)
{
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        auto t0 = std::chrono::steady_clock::now();
        f();
        auto t1 = std::chrono::steady_clock::now();
        best = std::min(best, std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    return best;
}

// A photo-like image: smooth shading with some noise; or a UI-like one: flat areas and edges.
std::vector<uint8_t> Rows(int w, int h, int depth, int type, bool photo)
{
    int ch = PngChannels(type), bytes = depth / 8;
    std::vector<uint8_t> rows(PngRowBytes(w, depth, type) * size_t(h));
    uint32_t seed = 7;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < ch; ++c) {
                seed = seed * 1103515245u + 12345u;
                double v = photo ? 128 + 100 * std::sin(x * 0.01 * (c + 1) + y * 0.013) + ((seed >> 16) & 7)
                                 : (((x / 64) + (y / 48) + c) % 3) * 100 + ((x % 64 == 0) ? 50 : 0);
                if (type == 3) v = ((x / 8) + (y / 8)) % 256;
                unsigned s = unsigned(std::clamp(v, 0.0, 255.0));
                uint8_t* p = rows.data() + PngRowBytes(w, depth, type) * size_t(y) + (size_t(x) * size_t(ch) + size_t(c)) * size_t(bytes);
                if (bytes == 2) {
                    p[0] = uint8_t(s);
                    p[1] = uint8_t(seed >> 8);
                } else {
                    p[0] = uint8_t(s);
                }
            }
    return rows;
}

}  // namespace

int main()
{
    // Many writers (screenshot tools among them) store a gAMA of 1/2.2, which
    // against the display gamma 2.2 changes no colour: those files must cost
    // what the same files without the chunk cost.
    struct Case {
        const char* name;
        int depth, type;
        bool interlaced, photo, gamma;
    } cases[] = {
        {"1024x1024 RGBA 8-bit, photo-like", 8, 6, false, true, false},
        {"1024x1024 RGBA 8-bit, UI-like", 8, 6, false, false, false},
        {"1024x1024 RGB 8-bit, photo-like", 8, 2, false, true, false},
        {"1024x1024 RGB 8-bit, UI-like", 8, 2, false, false, false},
        {"1024x1024 RGBA 8-bit, photo, gAMA 1/2.2", 8, 6, false, true, true},
        {"1024x1024 RGBA 8-bit, UI, gAMA 1/2.2", 8, 6, false, false, true},
        {"1024x1024 RGB 8-bit, photo, gAMA 1/2.2", 8, 2, false, true, true},
        {"1024x1024 RGB 8-bit, UI, gAMA 1/2.2", 8, 2, false, false, true},
        {"1024x1024 RGBA 8-bit, Adam7", 8, 6, true, true, false},
        {"1024x1024 RGBA 16-bit", 16, 6, false, true, false},
        {"1024x1024 palette 8-bit", 8, 3, false, false, false},
    };
    for (const Case& c : cases) {
        PngSpec s;
        s.width = s.height = 1024;
        s.bitDepth = c.depth;
        s.colorType = c.type;
        s.interlaced = c.interlaced;
        s.rows = Rows(1024, 1024, c.depth, c.type, c.photo);
        if (c.type == 3) {
            std::string pal;
            for (int i = 0; i < 256; ++i) pal += std::string{char(i), char(255 - i), char(i * 7)};
            s.before.push_back({"PLTE", pal});
        }
        if (c.gamma) s.before.push_back({"gAMA", std::string("\x00\x00\xB1\x8F", 4)});   // 45455
        std::string file = WritePng(s);
        PngMemoryTarget t;
        std::vector<uint8_t> ref;
        if (!OurDecode(file, t) || !ReferenceDecode(file, ref)) {
            std::printf("%-42s decode failed\n", c.name);
            return 1;
        }
        double ours = BestMs([&] { PngMemoryTarget x; OurDecode(file, x); }, 15);
        double theirs = BestMs([&] { std::vector<uint8_t> x; ReferenceDecode(file, x); }, 15);
        bench::Row(std::string("PNG decode, ") + c.name, ours, theirs, "libpng");
    }
    return 0;
}
