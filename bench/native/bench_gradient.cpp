// Gradient band fills against std::fill of the same bytes (the bound for
// writing a frame of pixels): one flat band, vertical and horizontal bands.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "PixelBench.h"
#include "skin/graphics/Gradients.h"

int main()
{
    const int w = 1280, h = 1024;
    std::vector<uint32_t> pixels(size_t(w) * h), reference(pixels.size());
    const PixelView v{pixels.data(), ptrdiff_t(w) * 4, w, h};
    auto fill = [&] {
        std::fill(reference.begin(), reference.end(), 0xFF336699u);
        KeepWritten(reference.data());
    };

    const TsGradArray flat = {TsGradStop{0x996633, 0x996633, 100, gmVertical}};
    FillGradientBands(v, PixRect{0, 0, w, h}, flat);
    fill();
    bench::Check(pixels == reference, "flat band");
    bench::Report("gradient flat band 1280x1024", bench::Time([&] { FillGradientBands(v, PixRect{0, 0, w, h}, flat); }),
                  bench::Time(fill), "std::fill");

    const TsGradArray vertical = {TsGradStop{0xF0D0A0, 0xC08040, 60, gmVertical},
                                  TsGradStop{0xC08040, 0x603010, 40, gmVertical}};
    bench::Report("gradient vertical 2 bands 1280x1024",
                  bench::Time([&] { FillGradientBands(v, PixRect{0, 0, w, h}, vertical); }), bench::Time(fill),
                  "std::fill");
    const TsGradArray horizontal = {TsGradStop{0xF0D0A0, 0xC08040, 60, gmHorizontal},
                                    TsGradStop{0xC08040, 0x603010, 40, gmHorizontal}};
    bench::Report("gradient horizontal 2 bands 1280x1024",
                  bench::Time([&] { FillGradientBands(v, PixRect{0, 0, w, h}, horizontal); }), bench::Time(fill),
                  "std::fill");

    // A control's background (400 x 28), many times over: the size skins paint.
    const int cw = 400, ch = 28;
    std::vector<uint32_t> small(size_t(cw) * ch), smallRef(small.size());
    const PixelView sv{small.data(), ptrdiff_t(cw) * 4, cw, ch};
    auto smallFill = [&] {
        for (int i = 0; i < 2000; ++i) {
            std::fill(smallRef.begin(), smallRef.end(), 0xFF336699u + uint32_t(i));
            KeepWritten(smallRef.data());
        }
    };
    bench::Report("gradient vertical 400x28 (x2000)", bench::Time([&] {
                      for (int i = 0; i < 2000; ++i) {
                          FillGradientBands(sv, PixRect{0, 0, cw, ch}, vertical);
                          KeepWritten(small.data());
                      }
                  }),
                  bench::Time(smallFill), "std::fill");
    bench::Report("gradient horizontal 400x28 (x2000)", bench::Time([&] {
                      for (int i = 0; i < 2000; ++i) {
                          FillGradientBands(sv, PixRect{0, 0, cw, ch}, horizontal);
                          KeepWritten(small.data());
                      }
                  }),
                  bench::Time(smallFill), "std::fill");
    return 0;
}
