// The colour manager: setters and their errors, converter choice, the RGB,
// grey, indexed and colour-space members, column masks, gamma and palettes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "skin/graphics/ColorManager.h"

namespace {
std::vector<uint8_t> Convert(TColorManager& cm, std::vector<uint8_t> in, std::vector<uint8_t> target, int count,
                             uint8_t mask = 0xFF)
{
    const void* planes[1] = {in.data()};
    cm.ConvertRow(planes, 0, target.data(), count, mask);
    return target;
}

void Configure(TColorManager& cm, TColorScheme s, int sBits, int sSamples, TColorScheme t, int tBits, int tSamples)
{
    cm.SetSourceColorScheme(s);
    cm.SetSourceBitsPerSample(sBits);
    cm.SetSourceSamplesPerPixel(sSamples);
    cm.SetTargetColorScheme(t);
    cm.SetTargetBitsPerSample(tBits);
    cm.SetTargetSamplesPerPixel(tSamples);
}

String ErrorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const EColorConversionError& e) {
        return e.Message();
    }
    return L"";
}
}  // namespace

TEST(ColorManager, SettersRejectBadValuesAndKeepTheOldOnes)
{
    TColorManager cm;
    const String depth = L"Color depth is invalid. Bits per sample must be 1, 2, 4, 8 or 16.";
    EXPECT_EQ(ErrorOf([&] { cm.SetSourceBitsPerSample(0); }), depth);
    EXPECT_EQ(ErrorOf([&] { cm.SetSourceBitsPerSample(17); }), depth);
    EXPECT_EQ(ErrorOf([&] { cm.SetTargetBitsPerSample(-1); }), depth);
    EXPECT_EQ(cm.SourceBitsPerSample(), 8);
    cm.SetSourceBitsPerSample(3);
    EXPECT_EQ(cm.SourceBitsPerSample(), 3);
    const String samples = L"Sample count per pixel does not correspond to the given color scheme.";
    EXPECT_EQ(ErrorOf([&] { cm.SetTargetSamplesPerPixel(5); }), samples);
    EXPECT_EQ(ErrorOf([&] { cm.SetSourceSamplesPerPixel(0); }), samples);
    EXPECT_EQ(cm.TargetSamplesPerPixel(), 3);
    EXPECT_EQ(cm.GetPixelFormat(true), 24);
    cm.SetTargetSamplesPerPixel(4);
    EXPECT_EQ(cm.GetPixelFormat(true), 32);
    cm.SetTargetSamplesPerPixel(1);
    cm.SetTargetBitsPerSample(2);
    EXPECT_EQ(cm.GetPixelFormat(true), 4);
}

TEST(ColorManager, ConverterChoiceErrors)
{
    TColorManager cm;
    Configure(cm, csRGB, 8, 3, csG, 8, 1);
    EXPECT_EQ(ErrorOf([&] { Convert(cm, {1, 2, 3}, {0}, 1); }),
              L"Conversion between indexed and non-indexed pixel formats is not supported.");
    Configure(cm, csCMY, 8, 3, csRGB, 8, 3);
    EXPECT_EQ(ErrorOf([&] { Convert(cm, {1, 2, 3}, {0, 0, 0}, 1); }), L"Color conversion failed. Could not find a proper method.");
    // A 4-bit RGB source is accepted, and leaves the target unchanged.
    Configure(cm, csRGB, 4, 3, csRGB, 8, 3);
    EXPECT_EQ(Convert(cm, {0x12, 0x34}, {9, 9, 9}, 1), (std::vector<uint8_t>{9, 9, 9}));
}

TEST(ColorManager, RgbFamilyDepthsOrderAlphaAndMasks)
{
    TColorManager cm;
    Configure(cm, csRGB, 8, 3, csRGB, 16, 3);
    EXPECT_EQ(Convert(cm, {0x12, 0x34, 0x56}, std::vector<uint8_t>(6), 1),
              (std::vector<uint8_t>{0x12, 0x12, 0x34, 0x34, 0x56, 0x56}));
    Configure(cm, csRGBA, 8, 4, csBGRA, 8, 4);
    EXPECT_EQ(Convert(cm, {1, 2, 3, 4}, std::vector<uint8_t>(4), 1), (std::vector<uint8_t>{3, 2, 1, 4}));
    // Only the source has alpha: it is skipped; the target's 4th byte stays.
    Configure(cm, csRGBA, 8, 4, csBGR, 8, 3);
    EXPECT_EQ(Convert(cm, {1, 2, 3, 4, 5, 6, 7, 8}, std::vector<uint8_t>(6), 2), (std::vector<uint8_t>{3, 2, 1, 7, 6, 5}));
    // Big-endian 16-bit samples (byte swap) to 8 bits.
    Configure(cm, csRGBA, 16, 4, csBGRA, 8, 4);
    cm.SetSourceOptions(coNeedByteSwap);
    EXPECT_EQ(Convert(cm, {0xFF, 0xFF, 0x80, 0x00, 0x00, 0x00, 0x40, 0x00}, std::vector<uint8_t>(4), 1),
              (std::vector<uint8_t>{0, 0x8000 * 255 / 65535, 255, 0x4000 * 255 / 65535}));
    // Column mask 0x88: only the first and fifth of each eight target pixels change.
    Configure(cm, csRGB, 8, 3, csRGB, 8, 3);
    cm.SetSourceOptions(0);
    std::vector<uint8_t> in(9 * 3, 7), target(9 * 3, 0);
    std::vector<uint8_t> out = Convert(cm, in, target, 9, 0x88);
    for (int p = 0; p < 9; ++p) EXPECT_EQ(out[size_t(p) * 3], (p == 0 || p == 4 || p == 8) ? 7 : 0) << p;
}

TEST(ColorManager, PlanarSources)
{
    TColorManager cm;
    Configure(cm, csRGBA, 8, 4, csRGBA, 8, 4);
    std::vector<uint8_t> r{1, 5}, g{2, 6}, b{3, 7}, a{4, 8}, out(8);
    const void* planes[4] = {r.data(), g.data(), b.data(), a.data()};
    cm.ConvertRow(planes, 3, out.data(), 2, 0xFF);
    EXPECT_EQ(out, (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}));
    // CMYK in three planes is read interleaved from the first.
    Configure(cm, csCMYK, 8, 4, csRGB, 8, 3);
    std::vector<uint8_t> cmyk{0, 255, 0, 0}, other(4, 99), out3(3);
    const void* three[3] = {cmyk.data(), other.data(), other.data()};
    cm.ConvertRow(three, 2, out3.data(), 1, 0xFF);
    EXPECT_EQ(out3, (std::vector<uint8_t>{255, 0, 255}));
}

TEST(ColorManager, GreyAndIndexedMembers)
{
    TColorManager cm;
    Configure(cm, csG, 16, 1, csG, 8, 1);
    cm.SetSourceOptions(coNeedByteSwap);
    EXPECT_EQ(Convert(cm, {0xFF, 0xFF, 0x80, 0x00}, {0, 0}, 2), (std::vector<uint8_t>{255, 0x8000 * 255 / 65535}));
    // Grey levels are rescaled; palette indices are widened as they are.
    Configure(cm, csG, 2, 1, csG, 4, 1);
    cm.SetSourceOptions(0);
    EXPECT_EQ(Convert(cm, {0x1B}, {0, 0}, 4), (std::vector<uint8_t>{0x05, 0xAF}));
    Configure(cm, csIndexed, 2, 1, csIndexed, 4, 1);
    EXPECT_EQ(Convert(cm, {0x1B}, {0, 0}, 4), (std::vector<uint8_t>{0x01, 0x23}));
    // Nine 16-bit indices to 4 bits: earlier pixel in the upper half; the fifth byte's lower half kept.
    Configure(cm, csIndexed, 16, 1, csIndexed, 4, 1);
    std::vector<uint8_t> in;
    for (int i = 0; i < 9; ++i) {
        uint16_t v = uint16_t(i * 65535 / 15);
        in.push_back(uint8_t(v));
        in.push_back(uint8_t(v >> 8));
    }
    EXPECT_EQ(Convert(cm, in, {0, 0, 0, 0, 0x0C}, 9), (std::vector<uint8_t>{0x01, 0x23, 0x45, 0x67, 0x8C}));
    // At most 8 bits to 16 bits.
    Configure(cm, csIndexed, 4, 1, csIndexed, 16, 1);
    EXPECT_EQ(Convert(cm, {0xF0}, std::vector<uint8_t>(4), 2), (std::vector<uint8_t>{0xFF, 0xFF, 0, 0}));
    // 16 to 16 with a mask: only the masked pixels move.
    Configure(cm, csIndexed, 16, 1, csIndexed, 16, 1);
    EXPECT_EQ(Convert(cm, {1, 2, 3, 4}, std::vector<uint8_t>(4, 9), 2, 0x40), (std::vector<uint8_t>{9, 9, 1, 2}));
}

TEST(ColorManager, ColourSpaces)
{
    TColorManager cm;
    // YCbCr to BGRA: three bytes written, the fourth left.
    Configure(cm, csYCbCr, 8, 3, csBGRA, 8, 4);
    EXPECT_EQ(Convert(cm, {128, 128, 128}, {1, 2, 3, 77}, 1), (std::vector<uint8_t>{128, 128, 128, 77}));
    std::vector<uint8_t> red = Convert(cm, {76, 85, 255}, {0, 0, 0, 0}, 1);   // about pure red
    EXPECT_GE(red[2], 250);
    EXPECT_LE(red[0], 5);
    Configure(cm, csPhotoYCC, 8, 3, csRGBA, 8, 4);
    EXPECT_EQ(Convert(cm, {10, 156, 137}, {0, 0, 0, 55}, 1), (std::vector<uint8_t>{10, 10, 10, 55}));
    // Photo YCC 16 to 16: Y 65535, C1 40092, C2 35209 saturates every channel.
    Configure(cm, csPhotoYCC, 16, 3, csRGB, 16, 3);
    std::vector<uint8_t> ycc{0xFF, 0xFF, uint8_t(40092 & 255), uint8_t(40092 >> 8), uint8_t(35209 & 255), uint8_t(35209 >> 8)};
    EXPECT_EQ(Convert(cm, ycc, std::vector<uint8_t>(6), 1), std::vector<uint8_t>(6, 0xFF));
    // CMYK at 8 bits: about (255 - I) x (255 - K) / 255, in B, G, R order for BGR.
    Configure(cm, csCMYK, 8, 4, csBGR, 8, 3);
    EXPECT_EQ(Convert(cm, {0, 128, 255, 0}, {0, 0, 0}, 1), (std::vector<uint8_t>{0, 127, 255}));
    // L*a*b*: white and black; 16-bit to 16-bit stays within 0..255.
    Configure(cm, csCIELab, 8, 3, csRGB, 8, 3);
    cm.SetSourceOptions(coLabByteRange | coLabChromaOffset);
    std::vector<uint8_t> white = Convert(cm, {255, 128, 128}, {0, 0, 0}, 1);
    for (uint8_t c : white) EXPECT_GE(c, 250);
    EXPECT_EQ(Convert(cm, {0, 128, 128}, {9, 9, 9}, 1), (std::vector<uint8_t>{0, 0, 0}));
    Configure(cm, csCIELab, 16, 3, csRGB, 16, 3);
    cm.SetSourceOptions(0);
    std::vector<uint8_t> out = Convert(cm, {100, 0, 0, 0, 0, 0}, std::vector<uint8_t>(6), 1);
    for (int c = 0; c < 3; ++c) EXPECT_EQ(out[size_t(c) * 2 + 1], 0) << c;
    EXPECT_GT(out[0], 200);
}

TEST(ColorManager, GammaAndPalettes)
{
    TColorManager cm;
    cm.SetGamma(2.2, 1 / 2.2);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(cm.GammaTable()[i], i);
    cm.SetGamma(-1, 0);   // fall back to 2.2 and 1
    EXPECT_DOUBLE_EQ(cm.DisplayGamma(), 2.2);
    EXPECT_DOUBLE_EQ(cm.MainGamma(), 1.0);
    EXPECT_EQ(cm.GammaTable()[128], uint8_t(std::lround(std::pow(128 / 255.0, 1 / 2.2) * 255)));
    // Grey palettes by target depth, reversed, and with gamma for low depths.
    cm.SetTargetBitsPerSample(4);
    cm.SetTargetSamplesPerPixel(1);
    std::vector<uint32_t> p = cm.CreateGrayscalePalette(false);
    ASSERT_EQ(p.size(), 16u);
    EXPECT_EQ(p[1], 0x111111u);
    EXPECT_EQ(cm.CreateGrayscalePalette(true)[0], 0xFFFFFFu);
    cm.SetSourceBitsPerSample(2);
    cm.SetTargetOptions(coApplyGamma);
    p = cm.CreateGrayscalePalette(false);
    EXPECT_EQ(p[15], 0xFFFFFFu);   // the top level stays white with gamma on
    EXPECT_GT(p[1] & 255, 0x11u);
    // Colour palettes from 3-byte entries, RGB or BGR.
    cm.SetTargetOptions(0);
    std::vector<uint8_t> entries{1, 2, 3, 4, 5, 6};
    const void* planes[1] = {entries.data()};
    EXPECT_EQ(cm.CreateColorPalette(planes, 0, false, 2, 3), (std::vector<uint32_t>{0x010203, 0x040506}));
    EXPECT_EQ(cm.CreateColorPalette(planes, 0, true, 2, 3), (std::vector<uint32_t>{0x030201, 0x060504}));
    std::vector<uint8_t> many(300 * 3, 1);
    const void* manyPlanes[1] = {many.data()};
    EXPECT_EQ(cm.CreateColorPalette(manyPlanes, 0, false, 300, 3).size(), 256u);   // at most 256 entries
}

TEST(ColorManager, GammaTableSpansTheSourceSamplesAndEndsAtTheTargetTop)
{
    const struct {
        int sourceBits, targetBits;
    } rows[] = {{1, 8}, {2, 8}, {4, 8}, {2, 4}, {8, 8}, {16, 8}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.sourceBits << " to " << row.targetBits << " bits");
        TColorManager cm;
        cm.SetSourceBitsPerSample(row.sourceBits);
        cm.SetTargetBitsPerSample(row.targetBits);
        cm.SetGamma(2.2, 1.0);
        // Samples of more than 8 bits reach the table cut to 8.
        const int top = (1 << std::min(row.sourceBits, 8)) - 1, targetTop = (1 << std::min(row.targetBits, 8)) - 1;
        const uint8_t* table = cm.GammaTable();
        EXPECT_EQ(table[top], targetTop) << "the brightest input comes out brightest";
        for (int v = 0; v <= top; ++v)
            ASSERT_EQ(table[v], std::lround(std::pow(double(v) / top, 1 / 2.2) * targetTop)) << v;
    }
}
