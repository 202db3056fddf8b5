// Blurring a 200 x 24 caption mask for a glow of 8 pixels: BlurMask8 (16.16
// weights, row-wise column pass) against a plain separable convolution with
// the same kernel in floating point.
#include <cmath>
#include <cstdint>
#include <vector>

#include "PixelBench.h"
#include "skin/graphics/Blur.h"

namespace {

// Something like a caption: strokes of ink (0) on white (255) with soft edges.
std::vector<uint8_t> Caption(int w, int h)
{
    std::vector<uint8_t> m(size_t(w) * h, 255);
    for (int y = 5; y < h - 5; ++y)
        for (int x = 8; x < w - 8; ++x) {
            const int glyph = (x - 8) % 11;
            if (glyph == 0 || glyph == 1 || ((y == 5 || y == h / 2) && glyph < 8)) m[size_t(y) * w + x] = 0;
            else if (glyph == 2) m[size_t(y) * w + x] = 128;
        }
    return m;
}

void PlainBlur(std::vector<uint8_t>& m, int w, int h, const TkvGaussKernel& k)
{
    std::vector<uint8_t> tmp(m.size());
    const int r = k.Half;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double s = 0;
            for (int i = -r; i <= r; ++i) s += k.Weight(i) * m[size_t(y) * w + std::clamp(x + i, 0, w - 1)];
            tmp[size_t(y) * w + x] = uint8_t(std::clamp(std::floor(s + 1e-6), 0.0, 255.0));
        }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double s = 0;
            for (int i = -r; i <= r; ++i) s += k.Weight(i) * tmp[size_t(std::clamp(y + i, 0, h - 1)) * w + x];
            m[size_t(y) * w + x] = uint8_t(std::clamp(std::floor(s + 1e-6), 0.0, 255.0));
        }
}

}  // namespace

int main()
{
    const int w = 200, h = 24;
    const auto source = Caption(w, h);
    TkvGaussKernel k;
    MakeGaussKernel(k, 8.0);
    std::vector<uint8_t> ours = source, ref = source;
    BlurMask8(BytePixelView{ours.data(), w, w, h}, k);
    PlainBlur(ref, w, h, k);
    int diff = 0;
    for (size_t i = 0; i < ours.size(); ++i) diff = std::max(diff, std::abs(int(ours[i]) - int(ref[i])));
    bench::Check(diff <= 2, "blur 200x24 glow 8");
    // Many rounds of a short job: each timed run blurs the mask 200 times.
    auto runOurs = [&] {
        for (int i = 0; i < 200; ++i) {
            ours = source;
            BlurMask8(BytePixelView{ours.data(), w, w, h}, k);
        }
    };
    auto runRef = [&] {
        for (int i = 0; i < 200; ++i) {
            ref = source;
            PlainBlur(ref, w, h, k);
        }
    };
    bench::Report("blur 200x24 glow 8 (x200)", bench::Compare(runOurs, runRef), "plain separable");
    return 0;
}
