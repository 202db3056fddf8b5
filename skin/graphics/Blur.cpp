#include "skin/graphics/Blur.h"

#include <algorithm>
#include <cmath>
#include <vector>

void MakeGaussKernel(TkvGaussKernel& kernel, double radius)
{
    std::fill(std::begin(kernel.Weights), std::end(kernel.Weights), 0.0f);
    if (!(radius > 0)) {
        // exp(-(k / 0)^2) would be 0/0 for k = 0: a radius of 0 means no blur.
        kernel.Weights[100] = 1.0f;
        kernel.Half = 0;
        return;
    }
    double w[201];
    double sum = 0;
    for (int k = -100; k <= 100; ++k) {
        double t = double(k) / radius;
        w[k + 100] = std::exp(-t * t / 2.0);
        sum += w[k + 100];
    }
    for (double& v : w) v /= sum;
    int half = 100;
    double dropped = 0;
    while (half > 1 && dropped < 1.0 / 510.0) {
        dropped += w[half + 100] + w[100 - half];
        --half;
    }
    double kept = 0;
    for (int k = -half; k <= half; ++k) kept += w[k + 100];
    for (int k = -half; k <= half; ++k) kernel.Weights[k + 100] = float(w[k + 100] / kept);
    kernel.Half = uint8_t(half);
}

namespace {

// 16.16 weights of the kept taps, adding up to exactly 65536 (the rounding
// remainder goes to the centre tap).
std::vector<int32_t> FixedWeights(const TkvGaussKernel& kernel)
{
    const int h = kernel.Half;
    std::vector<int32_t> iw(static_cast<size_t>(2 * h + 1));
    int64_t total = 0;
    for (int k = -h; k <= h; ++k) {
        iw[size_t(k + h)] = int32_t(RoundNearest(double(kernel.Weight(k)) * 65536.0));
        total += iw[size_t(k + h)];
    }
    iw[size_t(h)] += int32_t(65536 - total);
    return iw;
}

inline uint8_t BlurClamp(int64_t sum)
{
    if (sum <= 0) return 0;
    int64_t v = sum >> 16;
    return v > 255 ? 255 : uint8_t(v);
}

}  // namespace

void BlurMask8(const BytePixelView& mask, const TkvGaussKernel& kernel)
{
    if (mask.Empty() || kernel.Half == 0) return;
    const int h = kernel.Half;
    const std::vector<int32_t> iw = FixedWeights(kernel);
    const int w = mask.width;

    // Rows: each row padded by its edge values on both sides.
    std::vector<uint8_t> line(static_cast<size_t>(w + 2 * h));
    for (int y = 0; y < mask.height; ++y) {
        uint8_t* row = mask.Row(y);
        std::fill(line.begin(), line.begin() + h, row[0]);
        std::copy(row, row + w, line.begin() + h);
        std::fill(line.begin() + h + w, line.end(), row[w - 1]);
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = line.data() + x;
            int64_t sum = 0;
            for (int k = 0; k <= 2 * h; ++k) sum += int64_t(iw[size_t(k)]) * p[k];
            row[x] = BlurClamp(sum);
        }
    }
    // Columns, a whole row of sums at a time; source rows outside repeat the edge.
    std::vector<uint8_t> copy(size_t(w) * size_t(mask.height));
    for (int y = 0; y < mask.height; ++y) std::copy(mask.Row(y), mask.Row(y) + w, copy.begin() + ptrdiff_t(y) * w);
    std::vector<int32_t> acc(static_cast<size_t>(w));
    for (int y = 0; y < mask.height; ++y) {
        std::fill(acc.begin(), acc.end(), 0);
        for (int k = -h; k <= h; ++k) {
            const int sy = std::clamp(y + k, 0, mask.height - 1);
            const uint8_t* s = copy.data() + ptrdiff_t(sy) * w;
            const int32_t wk = iw[size_t(k + h)];
            for (int x = 0; x < w; ++x) acc[size_t(x)] += wk * s[x];
        }
        uint8_t* row = mask.Row(y);
        for (int x = 0; x < w; ++x) row[x] = BlurClamp(acc[size_t(x)]);
    }
}

void BlurMask8(const BytePixelView& mask, double radius)
{
    TkvGaussKernel k;
    MakeGaussKernel(k, radius);
    BlurMask8(mask, k);
}

void MixTextInk(const PixelView& target, int x, int y, const PixelView& work, uint32_t color)
{
    if (target.Empty() || work.Empty()) return;
    const int x0 = std::max(0, -x), y0 = std::max(0, -y);
    const int x1 = std::min(work.width, target.width - x), y1 = std::min(work.height, target.height - y);
    const int kb = color & 0xFF, kg = (color >> 8) & 0xFF, kr = (color >> 16) & 0xFF;
    for (int j = y0; j < y1; ++j) {
        const uint32_t* m = work.Row(j);
        uint32_t* d = target.Row(y + j) + x;
        for (int i = x0; i < x1; ++i) {
            const uint32_t mv = m[i];
            if ((mv & 0x00FFFFFF) == 0x00FFFFFF && ((mv >> 24) == 0 || (mv >> 24) == 0xFF)) continue;
            const uint32_t dv = d[i];
            const int b = ((int(dv & 0xFF) - kb) * int(mv & 0xFF) + kb * 256) >> 8;
            const int g = ((int((dv >> 8) & 0xFF) - kg) * int((mv >> 8) & 0xFF) + kg * 256) >> 8;
            const int r = ((int((dv >> 16) & 0xFF) - kr) * int((mv >> 16) & 0xFF) + kr * 256) >> 8;
            d[i] = 0xFF000000u | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
        }
    }
}

void ApplyGlowMask(const PixelView& target, int x, int y, const BytePixelView& mask, uint32_t color)
{
    if (target.Empty() || mask.Empty()) return;
    const int x0 = std::max(0, -x), y0 = std::max(0, -y);
    const int x1 = std::min(mask.width, target.width - x), y1 = std::min(mask.height, target.height - y);
    const int cb = color & 0xFF, cg = (color >> 8) & 0xFF, cr = (color >> 16) & 0xFF;
    for (int j = y0; j < y1; ++j) {
        const uint8_t* m = mask.Row(j);
        uint32_t* d = target.Row(y + j) + x;
        for (int i = x0; i < x1; ++i) {
            const int mv = m[i];
            if (mv == 255) continue;
            const uint32_t dv = d[i];
            const int b = cb + (int(dv & 0xFF) - cb) * mv / 255;
            const int g = cg + (int((dv >> 8) & 0xFF) - cg) * mv / 255;
            const int r = cr + (int((dv >> 16) & 0xFF) - cr) * mv / 255;
            const int a0 = int(dv >> 24);
            const int a = a0 + (255 - mv) * (255 - a0) / 255;
            d[i] = uint32_t(a) << 24 | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
        }
    }
}
