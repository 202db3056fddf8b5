#include "skin/graphics/Resample.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr double Pi = 3.14159265358979323846;

double Sinc(double x) { return x == 0 ? 1.0 : std::sin(x) / x; }

}  // namespace

double ResampleFilterSupport(int filter)
{
    switch (filter) {
    case rfBox: return 0.51;
    case rfTriangle: return 1.0;
    case rfHermite: return 1.0;
    case rfBell: return 1.5;
    case rfBSpline: return 2.0;
    case rfLanczos: return 3.0;
    default: return 2.0;   // Mitchell
    }
}

double ResampleFilterValue(int filter, double offset)
{
    double x = std::fabs(offset);
    switch (filter) {
    case rfBox:
        // The box is the one filter that is not symmetric at its edges.
        return offset > -0.5 && offset <= 0.5 ? 1.0 : 0.0;
    case rfTriangle:
        return x < 1.0 ? 1.0 - x : 0.0;
    case rfHermite:
        return x < 1.0 ? (2.0 * x - 3.0) * x * x + 1.0 : 0.0;
    case rfBell:
        if (x < 0.5) return 0.75 - x * x;
        if (x < 1.5) return (x - 1.5) * (x - 1.5) / 2.0;
        return 0.0;
    case rfBSpline:
        if (x < 1.0) return x * x * (x / 2.0 - 1.0) + 2.0 / 3.0;
        if (x < 2.0) return (2.0 - x) * (2.0 - x) * (2.0 - x) / 6.0;
        return 0.0;
    case rfLanczos:
        if (x == 0.0) return 1.0;
        if (x < 3.0) return Sinc(Pi * x) * Sinc(x);
        return 0.0;
    default:   // Mitchell, B = C = 1/3
        if (x < 1.0) return x * x * (7.0 / 6.0 * x - 2.0) + 8.0 / 9.0;
        if (x < 2.0) return x * x * (-7.0 / 18.0 * x + 2.0) - 10.0 / 3.0 * x + 16.0 / 9.0;
        return 0.0;
    }
}

ResampleContributors BuildResampleContributors(int n, int m, int filter)
{
    ResampleContributors out;
    if (n <= 0 || m <= 0) return out;
    const double support = ResampleFilterSupport(filter);
    const double q = n < m ? double(n) / double(m) : 1.0;
    const double halfWidth = support / q;
    out.first.reserve(size_t(n) + 1);
    out.items.reserve(size_t(n) * size_t(2 * halfWidth + 2));
    for (int i = 0; i < n; ++i) {
        out.first.push_back(int32_t(out.items.size()));
        const double x = double(m) * double(i) / double(n);
        const int lo = int(std::floor(x - halfWidth));
        const int hi = int(std::ceil(x + halfWidth));
        const size_t begin = out.items.size();
        double total = 0;
        int64_t itotal = 0;
        for (int j = lo; j <= hi; ++j) {
            const double d = x - double(j);
            if (std::fabs(d) * q >= support) continue;
            const double wd = ResampleFilterValue(filter, d * q) * q;
            const long w = RoundNearest(wd * 65536.0);
            total += wd;
            if (w == 0) continue;
            itotal += w;
            out.items.push_back({MirrorIntoSource(j, m), int32_t(w)});
        }
        // The rounding of single weights must not add up: the largest weight
        // takes the remainder, so the 16.16 sum is the rounded real sum and a
        // flat area keeps its value (several weights rounded down would darken it).
        if (out.items.size() > begin) {
            auto largest = std::max_element(out.items.begin() + ptrdiff_t(begin), out.items.end(),
                                            [](const auto& a, const auto& b) { return a.weight < b.weight; });
            largest->weight += int32_t(RoundNearest(total * 65536.0) - itotal);
        }
    }
    out.first.push_back(int32_t(out.items.size()));
    return out;
}

namespace {

template <int C>
void HorizontalPass(const ByteImage& src, uint8_t* work, ptrdiff_t workStride, int dw,
                    const ResampleContributors& cx)
{
    const ResampleContributor* items = cx.items.data();
    for (int y = 0; y < src.height; ++y) {
        const uint8_t* s = src.bits + src.stride * y;
        uint8_t* d = work + workStride * y;
        for (int x = 0; x < dw; ++x) {
            int32_t sum[C] = {};
            for (int k = cx.first[size_t(x)], e = cx.first[size_t(x) + 1]; k < e; ++k) {
                const uint8_t* p = s + size_t(items[k].source) * C;
                const int32_t w = items[k].weight;
                for (int c = 0; c < C; ++c) sum[c] += w * p[c];
            }
            for (int c = 0; c < C; ++c) d[c] = ResampleClampNearest(sum[c]);
            d += C;
        }
    }
}

void VerticalPass(const uint8_t* work, ptrdiff_t workStride, int rowBytes, const ByteImage& dst,
                  const ResampleContributors& cy)
{
    std::vector<int32_t> acc(static_cast<size_t>(rowBytes));
    int32_t* a = acc.data();
    for (int y = 0; y < dst.height; ++y) {
        std::fill(acc.begin(), acc.end(), 0);
        for (int k = cy.first[size_t(y)], e = cy.first[size_t(y) + 1]; k < e; ++k) {
            const uint8_t* s = work + workStride * cy.items[size_t(k)].source;
            const int32_t w = cy.items[size_t(k)].weight;
            for (int i = 0; i < rowBytes; ++i) a[i] += w * s[i];
        }
        uint8_t* d = dst.bits + dst.stride * y;
        for (int i = 0; i < rowBytes; ++i) d[i] = ResampleClamp(a[i]);
    }
}

}  // namespace

void ResamplePixels(const ByteImage& src, const ByteImage& dst, int channels, int filter)
{
    if (!src.bits || !dst.bits || src.width <= 0 || src.height <= 0 || dst.width <= 0 || dst.height <= 0)
        return;
    if (channels != 3 && channels != 4) return;
    const ResampleContributors cx = BuildResampleContributors(dst.width, src.width, filter);
    const ResampleContributors cy = BuildResampleContributors(dst.height, src.height, filter);
    const int rowBytes = dst.width * channels;
    std::vector<uint8_t> work(size_t(rowBytes) * size_t(src.height));
    if (channels == 4)
        HorizontalPass<4>(src, work.data(), rowBytes, dst.width, cx);
    else
        HorizontalPass<3>(src, work.data(), rowBytes, dst.width, cx);
    VerticalPass(work.data(), rowBytes, rowBytes, dst, cy);
}

void ResamplePixels(const PixelView& src, const PixelView& dst, int filter)
{
    ResamplePixels(ByteImage{reinterpret_cast<uint8_t*>(src.pixels), src.stride, src.width, src.height},
                   ByteImage{reinterpret_cast<uint8_t*>(dst.pixels), dst.stride, dst.width, dst.height}, 4, filter);
}
