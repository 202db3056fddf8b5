// ResampleBitmap's pixel work (two passes, 16.16 weights built once per pass,
// row-wise vertical pass) against a straightforward two-pass filter with the
// same kernel in double precision (weights per pass, column-wise vertical pass).
#include <cmath>
#include <cstdint>
#include <vector>

#include "PixelBench.h"
#include "skin/graphics/Resample.h"

namespace {

std::vector<uint8_t> Picture(int w, int h)
{
    std::vector<uint8_t> v(size_t(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &v[(size_t(y) * w + x) * 4];
            p[0] = uint8_t(x * 255 / w);
            p[1] = uint8_t(y * 255 / h);
            p[2] = uint8_t(((x / 16 + y / 16) & 1) ? 230 : 20);
            p[3] = uint8_t(128 + 127 * std::sin(x * 0.05) * std::cos(y * 0.07));
        }
    return v;
}

struct Weights {
    std::vector<int> first, index;
    std::vector<double> weight;
};

Weights PlainWeights(int n, int m, int filter)
{
    Weights w;
    const double s = ResampleFilterSupport(filter), q = n < m ? double(n) / m : 1.0;
    for (int i = 0; i < n; ++i) {
        w.first.push_back(int(w.index.size()));
        const double x = double(m) * i / n;
        for (int j = int(std::floor(x - s / q)); j <= int(std::ceil(x + s / q)); ++j) {
            if (std::fabs(x - j) * q >= s) continue;
            w.index.push_back(MirrorIntoSource(j, m));
            w.weight.push_back(ResampleFilterValue(filter, (x - j) * q) * q);
        }
    }
    w.first.push_back(int(w.index.size()));
    return w;
}

uint8_t Quantise(double v) { return uint8_t(std::fmin(std::fmax(std::floor(v + 1e-9), 0.0), 255.0)); }

void PlainResample(const std::vector<uint8_t>& src, int sw, int sh, std::vector<uint8_t>& dst, int dw, int dh, int f)
{
    const Weights wx = PlainWeights(dw, sw, f), wy = PlainWeights(dh, sh, f);
    std::vector<double> work(size_t(dw) * sh * 4);
    for (int y = 0; y < sh; ++y)
        for (int x = 0; x < dw; ++x)
            for (int c = 0; c < 4; ++c) {
                double sum = 0;
                for (int k = wx.first[x]; k < wx.first[x + 1]; ++k)
                    sum += wx.weight[k] * src[(size_t(y) * sw + wx.index[k]) * 4 + c];
                work[(size_t(y) * dw + x) * 4 + c] = std::fmin(std::fmax(sum, 0.0), 255.0);
            }
    for (int x = 0; x < dw; ++x)
        for (int y = 0; y < dh; ++y)
            for (int c = 0; c < 4; ++c) {
                double sum = 0;
                for (int k = wy.first[y]; k < wy.first[y + 1]; ++k)
                    sum += wy.weight[k] * work[(size_t(wy.index[k]) * dw + x) * 4 + c];
                dst[(size_t(y) * dw + x) * 4 + c] = Quantise(sum);
            }
}

void Measure(const char* name, int sw, int sh, int dw, int dh, int filter)
{
    auto src = Picture(sw, sh);
    std::vector<uint8_t> ours(size_t(dw) * dh * 4), ref(ours.size());
    auto runOurs = [&] {
        ResamplePixels(ByteImage{src.data(), sw * 4, sw, sh}, ByteImage{ours.data(), dw * 4, dw, dh}, 4, filter);
    };
    auto runRef = [&] { PlainResample(src, sw, sh, ref, dw, dh, filter); };
    runOurs();
    runRef();
    int diff = 0;
    for (size_t i = 0; i < ours.size(); ++i) diff = std::max(diff, std::abs(int(ours[i]) - int(ref[i])));
    bench::Check(diff <= 1, name);
    bench::Report(name, bench::Compare(runOurs, runRef), "plain two-pass");
}

}  // namespace

int main()
{
    Measure("resample 640x480 -> 1000x700 Mitchell", 640, 480, 1000, 700, rfMitchell);
    Measure("resample 640x480 -> 200x150 Mitchell", 640, 480, 200, 150, rfMitchell);
    Measure("resample 640x480 -> 320x240 Lanczos", 640, 480, 320, 240, rfLanczos);
    Measure("resample 96x32 -> 300x40 Mitchell", 96, 32, 300, 40, rfMitchell);
    return 0;
}
