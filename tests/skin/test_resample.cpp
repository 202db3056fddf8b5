// Filtered resampling on plain pixel rows: the filters, the contributor lists
// (edges mirrored, then clamped into the source) and the two passes against a
// plain double-precision reference of the same filters.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "skin/graphics/Resample.h"

namespace {

// Bytes that look like a picture: smooth parts and hard edges.
std::vector<uint8_t> MakeImage(int w, int h, int channels, uint32_t seed)
{
    std::vector<uint8_t> v(size_t(w) * h * channels);
    uint32_t s = seed;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < channels; ++c) {
                s = s * 1664525u + 1013904223u;
                int value = ((x * 37 + y * 11 + c * 60) % 256);
                if ((s >> 28) < 5) value = (s >> 20) & 1 ? 255 : 0;   // hard spots
                v[(size_t(y) * w + x) * channels + c] = uint8_t(value);
            }
    return v;
}

// The two passes in double precision: weights f((x - j) q) q with the centre
// x = m i / n, source indices mirrored and clamped; between the passes values
// are limited to 0..255 but not rounded; the result is truncated.
std::vector<uint8_t> Reference(const std::vector<uint8_t>& src, int sw, int sh, int dw, int dh, int ch, int filter)
{
    auto weights = [&](int n, int m) {
        std::vector<std::vector<std::pair<int, double>>> out(static_cast<size_t>(n));
        const double s = ResampleFilterSupport(filter);
        const double q = n < m ? double(n) / m : 1.0;
        for (int i = 0; i < n; ++i) {
            const double x = double(m) * i / n;
            for (int j = int(std::floor(x - s / q)); j <= int(std::ceil(x + s / q)); ++j) {
                if (std::fabs(x - j) * q >= s) continue;
                int k = j < 0 ? -j : j;
                if (k >= m) k = 2 * m - 1 - k;
                k = std::clamp(k, 0, m - 1);
                out[size_t(i)].push_back({k, ResampleFilterValue(filter, (x - j) * q) * q});
            }
        }
        return out;
    };
    // The epsilon keeps sums such as 255 x (0.388 + 0.612) from truncating to 254.
    auto quantise = [](double v) { return uint8_t(std::clamp(std::floor(v + 1e-9), 0.0, 255.0)); };
    const auto wx = weights(dw, sw), wy = weights(dh, sh);
    std::vector<double> work(size_t(dw) * sh * ch);
    std::vector<uint8_t> out(size_t(dw) * dh * ch);
    for (int y = 0; y < sh; ++y)
        for (int x = 0; x < dw; ++x)
            for (int c = 0; c < ch; ++c) {
                double sum = 0;
                for (auto [j, w] : wx[size_t(x)]) sum += w * src[(size_t(y) * sw + j) * ch + c];
                work[(size_t(y) * dw + x) * ch + c] = std::clamp(sum, 0.0, 255.0);
            }
    for (int y = 0; y < dh; ++y)
        for (int x = 0; x < dw; ++x)
            for (int c = 0; c < ch; ++c) {
                double sum = 0;
                for (auto [j, w] : wy[size_t(y)]) sum += w * work[(size_t(j) * dw + x) * ch + c];
                out[(size_t(y) * dw + x) * ch + c] = quantise(sum);
            }
    return out;
}

std::vector<uint8_t> ResampleRun(std::vector<uint8_t> src, int sw, int sh, int dw, int dh, int ch, int filter)
{
    std::vector<uint8_t> dst(size_t(dw) * dh * ch, 0xCD);
    ResamplePixels(ByteImage{src.data(), sw * ch, sw, sh}, ByteImage{dst.data(), dw * ch, dw, dh}, ch, filter);
    return dst;
}

int MaxDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    int d = 0;
    for (size_t i = 0; i < a.size(); ++i) d = std::max(d, std::abs(int(a[i]) - int(b[i])));
    return d;
}

}  // namespace

TEST(ResampleFilters, SupportsValuesAndPartitionOfUnity)
{
    for (int f = 0; f < ResampleFilterCount; ++f) {
        const double s = ResampleFilterSupport(f);
        EXPECT_EQ(ResampleFilterValue(f, 0.0), f == rfBSpline ? 2.0 / 3.0 : f == rfMitchell ? 8.0 / 9.0 : f == rfBell ? 0.75 : 1.0)
            << "filter " << f;
        EXPECT_NEAR(ResampleFilterValue(f, s), 0.0, 1e-9) << "filter " << f;
        if (f != rfBox) {
            EXPECT_DOUBLE_EQ(ResampleFilterValue(f, 0.3), ResampleFilterValue(f, -0.3)) << "filter " << f;
        }
    }
    // The box holds (-0.5, 0.5]: its one asymmetric edge.
    EXPECT_EQ(ResampleFilterValue(rfBox, 0.5), 1.0);
    EXPECT_EQ(ResampleFilterValue(rfBox, -0.5), 0.0);
    // The piecewise polynomial filters add up to 1 at every phase.
    for (int f : {rfTriangle, rfHermite, rfBell, rfBSpline, rfMitchell})
        for (double phase = 0; phase < 1; phase += 0.125) {
            double sum = 0;
            for (int k = -3; k <= 3; ++k) sum += ResampleFilterValue(f, phase + k);
            EXPECT_NEAR(sum, 1.0, 1e-9) << "filter " << f << " phase " << phase;
        }
    EXPECT_NEAR(ResampleFilterValue(rfLanczos, 1.0), 0.0, 1e-12);
}

TEST(ResampleContributorsTest, IndicesStayInsideTheSource)
{
    EXPECT_EQ(MirrorIntoSource(-1, 5), 1);
    EXPECT_EQ(MirrorIntoSource(5, 5), 4);
    EXPECT_EQ(MirrorIntoSource(6, 5), 3);
    // Beyond one mirroring: clamped (a 2-pixel source under a wide filter).
    EXPECT_EQ(MirrorIntoSource(-4, 2), 0);
    EXPECT_EQ(MirrorIntoSource(5, 2), 0);
    EXPECT_EQ(MirrorIntoSource(-7, 1), 0);
    for (int f = 0; f < ResampleFilterCount; ++f)
        for (auto [n, m] : {std::pair{1, 2}, {2, 3}, {3, 2}, {1, 7}, {40, 2}, {7, 100}}) {
            const ResampleContributors c = BuildResampleContributors(n, m, f);
            ASSERT_EQ(c.first.size(), size_t(n) + 1);
            for (const auto& it : c.items) {
                EXPECT_GE(it.source, 0);
                EXPECT_LT(it.source, m);
                EXPECT_NE(it.weight, 0);
            }
            for (int i = 0; i < n; ++i) EXPECT_LT(c.first[size_t(i)], c.first[size_t(i) + 1]) << f << " " << n << " " << m;
        }
    EXPECT_TRUE(BuildResampleContributors(0, 5, rfMitchell).items.empty());
    EXPECT_TRUE(BuildResampleContributors(5, 0, rfMitchell).items.empty());
    EXPECT_TRUE(BuildResampleContributors(-3, 5, rfMitchell).first.empty());
}

TEST(ResampleContributorsTest, WeightsAreRoundedFilterValues)
{
    // Shrinking 10 -> 4 with the triangle: q = 0.4; pixel 2 is centred on
    // source 5 and takes sources 3..7 with weights f((5 - j) q) q in 16.16.
    const ResampleContributors c = BuildResampleContributors(4, 10, rfTriangle);
    // Each weight is the rounded value, give or take the remainder that keeps
    // the sum equal to the rounded real sum.
    ASSERT_EQ(c.first[3] - c.first[2], 5);
    double total = 0;
    int sum = 0;
    for (int k = c.first[2]; k < c.first[3]; ++k) {
        const auto& it = c.items[size_t(k)];
        const int j = 3 + (k - c.first[2]);
        const double w = (1 - std::fabs(5.0 - j) * 0.4) * 0.4;
        EXPECT_EQ(it.source, j);
        EXPECT_NEAR(it.weight, std::lround(w * 65536), 2);
        total += w;
        sum += it.weight;
    }
    EXPECT_EQ(sum, std::lround(total * 65536));
    // Enlarging keeps q = 1: pixel 1 of 3 from 2 sits at x = 2/3.
    const ResampleContributors e = BuildResampleContributors(3, 2, rfTriangle);
    ASSERT_EQ(e.first[2] - e.first[1], 2);
    EXPECT_EQ(e.items[size_t(e.first[1])].weight, std::lround(65536 / 3.0));
    EXPECT_EQ(e.items[size_t(e.first[1]) + 1].weight, 65536 - std::lround(65536 / 3.0));
}

TEST(ResampleClampTest, SumsOutsideTheByteRange)
{
    EXPECT_EQ(ResampleClamp(-1), 0);
    EXPECT_EQ(ResampleClamp(-0x7FFFFFFF), 0);
    EXPECT_EQ(ResampleClamp(0xFEFFFF), 254);
    EXPECT_EQ(ResampleClamp(0xFF0000), 255);
    EXPECT_EQ(ResampleClamp(0xFF0001), 255);
    EXPECT_EQ(ResampleClamp(0x7FFFFFFF), 255);
    EXPECT_EQ(ResampleClamp(0x18000), 1);   // the result is truncated
    // The work rows between the passes are rounded.
    EXPECT_EQ(ResampleClampNearest(0x18000), 2);
    EXPECT_EQ(ResampleClampNearest(0x17FFF), 1);
    EXPECT_EQ(ResampleClampNearest(-5), 0);
    EXPECT_EQ(ResampleClampNearest(0xFF7FFF), 255);
    EXPECT_EQ(ResampleClampNearest(0x1FF0000), 255);
}

TEST(ResamplePixelsTest, MatchesTheDoubleReferenceForEveryFilter)
{
    struct Case { int sw, sh, dw, dh, ch; };
    const Case cases[] = {{17, 13, 40, 29, 4}, {40, 29, 17, 13, 4}, {33, 9, 7, 30, 3}, {8, 8, 3, 3, 3},
                          {2, 2, 1, 1, 4},   {2, 3, 9, 1, 4},     {5, 2, 2, 7, 3}};
    for (const Case& c : cases)
        for (int f = 0; f < ResampleFilterCount; ++f) {
            const auto src = MakeImage(c.sw, c.sh, c.ch, uint32_t(f * 31 + c.sw));
            const auto ours = ResampleRun(src, c.sw, c.sh, c.dw, c.dh, c.ch, f);
            const auto ref = Reference(src, c.sw, c.sh, c.dw, c.dh, c.ch, f);
            EXPECT_LE(MaxDifference(ours, ref), 1)
                << "filter " << f << ": " << c.sw << "x" << c.sh << " -> " << c.dw << "x" << c.dh;
        }
}

TEST(ResamplePixelsTest, TwoToOneWithTheWidestFilterReadsOnlyTheSource)
{
    // A 2 x 2 part shrunk to 1 x 1 with the Lanczos filter: offsets -5..5 all
    // map into the two source pixels. The bytes around the source are poison
    // that would show in the result if they were read.
    std::vector<uint8_t> buf(64, 0xFF);
    uint8_t* src = buf.data() + 24;
    const uint8_t px[16] = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120, 130, 140, 150, 160};
    std::copy(px, px + 16, src);
    uint8_t out[4] = {};
    ResamplePixels(ByteImage{src, 8, 2, 2}, ByteImage{out, 4, 1, 1}, 4, rfLanczos);
    const auto ref = Reference(std::vector<uint8_t>(px, px + 16), 2, 2, 1, 1, 4, rfLanczos);
    for (int c = 0; c < 4; ++c) {
        EXPECT_LE(std::abs(int(out[c]) - int(ref[size_t(c)])), 1) << c;
        EXPECT_LE(out[c], 160);   // no poison byte (255) took part
    }
}

TEST(ResamplePixelsTest, FlatImagesStayFlatAndEmptyImagesAreLeft)
{
    std::vector<uint8_t> flat(size_t(9) * 7 * 4, 200);
    for (int f : {rfTriangle, rfBSpline, rfMitchell, rfHermite}) {
        const auto up = ResampleRun(flat, 9, 7, 23, 16, 4, f);
        for (uint8_t v : up) EXPECT_NEAR(v, 200, 1) << f;
    }
    uint8_t sentinel[4] = {1, 2, 3, 4};
    ResamplePixels(ByteImage{flat.data(), 36, 9, 7}, ByteImage{sentinel, 4, 0, 1}, 4, rfMitchell);
    ResamplePixels(ByteImage{flat.data(), 36, 9, 7}, ByteImage{sentinel, 4, 1, 1}, 2, rfMitchell);
    EXPECT_EQ(sentinel[0], 1);
    EXPECT_EQ(sentinel[3], 4);
}
