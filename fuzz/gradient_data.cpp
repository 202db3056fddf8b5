// Fuzz harness for the gradient data of skin files (untrusted text): the
// parser, then the band painters with the parsed stops on a small bitmap.
// Checks: values stay in their ranges, nothing is written outside the view,
// and a band gradient leaves no pixel of its rect unpainted.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "classlib/SysUtils.h"
#include "skin/graphics/Gradients.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::wstring text;
    text.reserve(size);
    for (size_t i = 0; i < size; ++i) text.push_back(wchar_t(data[i]));   // bytes as Latin-1
    TsGradArray g;
    try {
        ParseGradientData(text, g);
    } catch (const EConvertError&) {
        return 0;
    }
    for (const TsGradStop& s : g)
        if (s.Color1 < 0 || s.Color2 < 0 || s.Percent > 100) std::abort();
    if (g.empty()) return 0;

    // A 29 x 17 view inside a buffer with a guard border, painted whole, then in part.
    const int w = 29, h = 17, pad = 3, bw = w + 2 * pad;
    std::vector<uint32_t> buf(size_t(bw) * (h + 2 * pad), 0x00ABCDEFu);
    const PixelView v{buf.data() + pad * bw + pad, ptrdiff_t(bw) * 4, w, h};
    const bool band = g[0].Mode == gmVertical || g[0].Mode == gmHorizontal;
    if (FillGradientBands(v, px::Rect{0, 0, w, h}, g) != band) std::abort();
    if (band)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if ((v.At(x, y) >> 24) != 0xFF) std::abort();   // a stale pixel
    const int x0 = int(size % 40) - 10, y0 = int(size % 23) - 8;
    std::vector<uint32_t> tex = {0xFF102030u, 0xFF405060u, 0xFF708090u};
    const PixelView t{tex.data(), 12, 3, 1};
    FillGradientPartPixels(v, px::Rect{x0, y0, x0 + 25, y0 + 19}, g, 0x80, int(size % 300) - 20, t,
                           px::Rect{int(size % 5) - 1, 0, int(size % 4), 1});
    FillGradientBands(v, px::Rect{x0, y0, x0 + int(size % 50), y0 + 40}, g, int(size % 7));
    for (int y = 0; y < h + 2 * pad; ++y)
        for (int x = 0; x < bw; ++x)
            if ((x < pad || y < pad || x >= pad + w || y >= pad + h) && buf[size_t(y) * bw + x] != 0x00ABCDEFu)
                std::abort();   // written outside the view
    return 0;
}
