// Gradient band fills against std::fill of the same bytes (the bound for
// writing a frame of pixels): one flat band, vertical and horizontal bands,
// on a whole frame and on control-sized backgrounds.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "PixelBench.h"
#include "skin/graphics/Gradients.h"

namespace {

void Measure(const char* name, int w, int h, int repeat, const TsGradArray& g)
{
    std::vector<uint32_t> pixels(size_t(w) * h), reference(pixels.size());
    const PixelView v{pixels.data(), ptrdiff_t(w) * 4, w, h};
    auto ours = [&] {
        for (int i = 0; i < repeat; ++i) {
            FillGradientBands(v, px::Rect{0, 0, w, h}, g);
            KeepWritten(pixels.data());
        }
    };
    auto fill = [&] {
        for (int i = 0; i < repeat; ++i) {
            std::fill(reference.begin(), reference.end(), 0xFF336699u + uint32_t(i));
            KeepWritten(reference.data());
        }
    };
    bench::Report(name, bench::Compare(ours, fill), "std::fill");
}

}  // namespace

int main()
{
    const TsGradArray flat = {TsGradStop{0x996633, 0x996633, 100, gmVertical}};
    {
        // The flat band is exactly a fill: the same bytes as std::fill's.
        const int w = 64, h = 8;
        std::vector<uint32_t> a(size_t(w) * h), b(a.size(), 0xFF336699u);
        FillGradientBands(PixelView{a.data(), w * 4, w, h}, px::Rect{0, 0, w, h}, flat);
        bench::Check(a == b, "flat band");
    }
    const TsGradArray vertical = {TsGradStop{0xF0D0A0, 0xC08040, 60, gmVertical},
                                  TsGradStop{0xC08040, 0x603010, 40, gmVertical}};
    const TsGradArray horizontal = {TsGradStop{0xF0D0A0, 0xC08040, 60, gmHorizontal},
                                    TsGradStop{0xC08040, 0x603010, 40, gmHorizontal}};
    Measure("gradient flat band 1280x1024", 1280, 1024, 1, flat);
    Measure("gradient vertical 2 bands 1280x1024", 1280, 1024, 1, vertical);
    Measure("gradient horizontal 2 bands 1280x1024", 1280, 1024, 1, horizontal);
    // A control's background (400 x 28), many times over: the size skins paint.
    Measure("gradient vertical 400x28 (x2000)", 400, 28, 2000, vertical);
    Measure("gradient horizontal 400x28 (x2000)", 400, 28, 2000, horizontal);
    // The same with other colours every time: the kept row never serves.
    {
        const int w = 400, h = 28;
        std::vector<uint32_t> pixels(size_t(w) * h), reference(pixels.size());
        const PixelView v{pixels.data(), ptrdiff_t(w) * 4, w, h};
        TsGradArray g = horizontal;
        auto ours = [&] {
            for (int i = 0; i < 2000; ++i) {
                g[0].Color1 = 0xF0D0A0 + (i & 15);
                FillGradientBands(v, px::Rect{0, 0, w, h}, g);
                KeepWritten(pixels.data());
            }
        };
        auto fill = [&] {
            for (int i = 0; i < 2000; ++i) {
                std::fill(reference.begin(), reference.end(), 0xFF336699u + uint32_t(i));
                KeepWritten(reference.data());
            }
        };
        bench::Report("gradient horizontal 400x28 new colours", bench::Compare(ours, fill), "std::fill");
    }
    return 0;
}
