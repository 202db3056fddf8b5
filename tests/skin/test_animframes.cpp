// The frame plan of the show and hide animations: frame counts, alpha runs
// and the rectangles the picture is stretched into.
#include <gtest/gtest.h>

#include <vector>

#include "skin/core/AnimFrames.h"

namespace {

std::vector<TkvFrame> Play(TkvFramePlan plan)
{
    std::vector<TkvFrame> out;
    TkvFrame f;
    while (plan.Next(f))
        out.push_back(f);
    return out;
}

}  // namespace

TEST(AnimFrames, FrameCountIsTimeDivTwelve)
{
    EXPECT_EQ(AnimFrameCount(0), 0);
    EXPECT_EQ(AnimFrameCount(11), 0);
    EXPECT_EQ(AnimFrameCount(12), 1);
    EXPECT_EQ(AnimFrameCount(100), 8);
    EXPECT_EQ(AnimFrameCount(65535), 5461);
}

TEST(AnimFrames, ShowOf100msFadesInNineFramesToTheTarget)
{
    auto frames = Play(TkvFramePlan::Show(400, 300, 100, 255, TkvAnimType::atFading));
    ASSERT_EQ(frames.size(), 9u);   // frames 0 .. 8
    int last = -1;
    for (size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(frames[i].Index, int(i));
        EXPECT_GE(frames[i].Alpha, last) << i;
        last = frames[i].Alpha;
        // The snapshot is copied on the first frame only; the destination keeps it.
        EXPECT_EQ(frames[i].Draw, i == 0 ? TkvFrameDraw::CopyWhole : TkvFrameDraw::Keep);
        EXPECT_FALSE(frames[i].ClearFirst);
    }
    EXPECT_EQ(frames.front().Alpha, 32);   // 255 / 8 rounded
    EXPECT_EQ(frames[7].Alpha, 255);
    EXPECT_EQ(frames.back().Alpha, 255);
}

TEST(AnimFrames, ShowToAPartialTargetNeverPassesIt)
{
    auto frames = Play(TkvFramePlan::Show(10, 10, 60, 200, TkvAnimType::atFading));
    ASSERT_EQ(frames.size(), 6u);
    for (const TkvFrame& f : frames)
        EXPECT_LE(f.Alpha, 200);
    EXPECT_EQ(frames.back().Alpha, 200);
}

TEST(AnimFrames, DialogStepReachesTheTargetOnTheLastFrameOnly)
{
    auto frames = Play(TkvFramePlan::Show(10, 10, 100, 255, TkvAnimType::atFading, true));
    ASSERT_EQ(frames.size(), 9u);
    EXPECT_EQ(frames.front().Alpha, RoundHalfEven(255.0 / 9));
    EXPECT_LT(frames[7].Alpha, 255);
    EXPECT_EQ(frames.back().Alpha, 255);
}

TEST(AnimFrames, AeroShowGrowsFromCentredThreeQuartersToFullSize)
{
    const int w = 800, h = 600;
    auto frames = Play(TkvFramePlan::Show(w, h, 100, 255, TkvAnimType::atAero));
    ASSERT_EQ(frames.size(), 9u);
    const TkvFrame& first = frames.front();
    ASSERT_EQ(first.Draw, TkvFrameDraw::Stretch);
    EXPECT_EQ(first.Left, 100);
    EXPECT_EQ(first.Top, 75);
    EXPECT_EQ(first.Width, 600);
    EXPECT_EQ(first.Height, 450);
    int lastW = 0;
    for (const TkvFrame& f : frames) {
        int fw = f.Draw == TkvFrameDraw::CopyWhole ? w : f.Width;
        EXPECT_GE(fw, lastW);
        lastW = fw;
        if (f.Draw == TkvFrameDraw::Stretch) {
            // Centred: equal margins on both sides (within rounding).
            EXPECT_NEAR(f.Left, w - f.Left - f.Width, 1);
            EXPECT_NEAR(f.Top, h - f.Top - f.Height, 1);
        }
        EXPECT_FALSE(f.ClearFirst);
    }
    const TkvFrame& last = frames.back();
    if (last.Draw == TkvFrameDraw::Stretch) {
        EXPECT_EQ(last.Left, 0);
        EXPECT_EQ(last.Top, 0);
        EXPECT_EQ(last.Width, w);
        EXPECT_EQ(last.Height, h);
    } else {
        EXPECT_EQ(last.Draw, TkvFrameDraw::CopyWhole);
    }
}

TEST(AnimFrames, UnderTwelveMillisecondsThereIsNoFrame)
{
    for (TkvAnimType type : {TkvAnimType::atFading, TkvAnimType::atAero}) {
        TkvFramePlan show = TkvFramePlan::Show(100, 100, 11, 255, type);
        EXPECT_FALSE(show.HasFrames());
        EXPECT_EQ(show.FinalAlpha(), 255);
        TkvFrame f;
        EXPECT_FALSE(show.Next(f));
        TkvFramePlan hide = TkvFramePlan::Hide(100, 100, 0, 255, type);
        EXPECT_FALSE(hide.Next(f));
        EXPECT_EQ(hide.FinalAlpha(), 0);
    }
}

TEST(AnimFrames, HideFadesOutToZeroAndAeroShrinksToThreeQuarters)
{
    auto fading = Play(TkvFramePlan::Hide(400, 200, 100, 255, TkvAnimType::atFading));
    ASSERT_EQ(fading.size(), 9u);
    int last = 256;
    for (const TkvFrame& f : fading) {
        EXPECT_LE(f.Alpha, last);
        last = f.Alpha;
    }
    EXPECT_EQ(fading.front().Alpha, 223);   // 255 - 255 / 8, rounded
    EXPECT_EQ(fading[7].Alpha, 0);
    EXPECT_EQ(fading.back().Alpha, 0);
    EXPECT_EQ(fading.front().Draw, TkvFrameDraw::CopyWhole);
    EXPECT_EQ(fading.back().Draw, TkvFrameDraw::Keep);

    auto aero = Play(TkvFramePlan::Hide(400, 200, 100, 255, TkvAnimType::atAero));
    ASSERT_EQ(aero.size(), 9u);
    EXPECT_EQ(aero.front().Left, 0);
    EXPECT_EQ(aero.front().Width, 400);
    int lastW = 401;
    for (const TkvFrame& f : aero) {
        EXPECT_EQ(f.Draw, TkvFrameDraw::Stretch);
        EXPECT_TRUE(f.ClearFirst);   // the shrinking picture leaves transparency behind
        EXPECT_LT(f.Width, lastW);
        lastW = f.Width;
    }
    EXPECT_EQ(aero.back().Left, 50);
    EXPECT_EQ(aero.back().Top, 25);
    EXPECT_EQ(aero.back().Width, 300);
    EXPECT_EQ(aero.back().Height, 150);
}

TEST(AnimFrames, APlanIsDoneAfterItsLastFrame)
{
    TkvFramePlan plan = TkvFramePlan::Hide(10, 10, 24, 255, TkvAnimType::atFading);
    TkvFrame f;
    EXPECT_FALSE(plan.Done());
    EXPECT_TRUE(plan.Next(f));
    EXPECT_TRUE(plan.Next(f));
    EXPECT_TRUE(plan.Next(f));
    EXPECT_TRUE(plan.Done());
    EXPECT_EQ(plan.Played(), 3);
    EXPECT_FALSE(plan.Next(f));
}

TEST(AnimFrames, RoundingHalvesGoToEven)
{
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(2.51), 3);
    EXPECT_EQ(RoundHalfEven(-0.5), 0);
    EXPECT_EQ(RoundHalfEven(-1.5), -2);
    EXPECT_EQ(RoundHalfEven(31.875), 32);
}

namespace {

struct Pixels {
    Pixels(int w, int h, uint32_t fill) : data(size_t(w) * h, fill), w(w), h(h) {}
    PixelView View() { return PixelView{data.data(), ptrdiff_t(w) * 4, w, h}; }
    uint32_t& At(int x, int y) { return data[size_t(y) * w + x]; }
    std::vector<uint32_t> data;
    int w, h;
};

}  // namespace

TEST(AnimFrames, StretchKeepsAlphaAndStaysInItsRectangle)
{
    Pixels src(40, 20, 0xFF336699u);
    Pixels dst(100, 60, 0);
    StretchFramePixels(dst.View(), 10, 5, 30, 15, src.View());
    EXPECT_EQ(dst.At(10, 5), 0xFF336699u);
    EXPECT_EQ(dst.At(39, 19), 0xFF336699u);
    EXPECT_EQ(dst.At(9, 5), 0u);
    EXPECT_EQ(dst.At(40, 19), 0u);
    EXPECT_EQ(dst.At(39, 20), 0u);
    EXPECT_EQ(dst.At(10, 4), 0u);
}

TEST(AnimFrames, StretchOfTheSameSizeCopiesAndHalfTransparencyIsKept)
{
    Pixels src(8, 8, 0);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            src.At(x, y) = uint32_t(0x80000000u | (x * 30) << 16 | (y * 30) << 8 | 7);
    Pixels dst(8, 8, 0xFFFFFFFFu);
    StretchFramePixels(dst.View(), 0, 0, 8, 8, src.View());
    EXPECT_EQ(dst.data, src.data);
}

TEST(AnimFrames, StretchBlendsNeighboursWhenShrinking)
{
    // Left half black, right half white: the middle of a copy three pixels
    // wide samples right on the edge and is grey.
    Pixels src(8, 2, 0xFF000000u);
    for (int y = 0; y < 2; ++y)
        for (int x = 4; x < 8; ++x)
            src.At(x, y) = 0xFFFFFFFFu;
    Pixels dst(3, 1, 0);
    StretchFramePixels(dst.View(), 0, 0, 3, 1, src.View());
    EXPECT_EQ(dst.At(0, 0), 0xFF000000u);
    EXPECT_EQ(dst.At(2, 0), 0xFFFFFFFFu);
    EXPECT_EQ(dst.At(1, 0) >> 24, 0xFFu);
    EXPECT_NEAR(int(dst.At(1, 0) & 0xFF), 128, 1);
    EXPECT_EQ(dst.At(1, 0) & 0xFF, (dst.At(1, 0) >> 8) & 0xFF);
}

TEST(AnimFrames, StretchOutsideTheDestinationOrEmptyDrawsNothing)
{
    Pixels src(4, 4, 0xFFFFFFFFu);
    Pixels dst(10, 10, 0);
    StretchFramePixels(dst.View(), 20, 20, 5, 5, src.View());
    StretchFramePixels(dst.View(), -10, -10, 5, 5, src.View());
    StretchFramePixels(dst.View(), 0, 0, 0, 5, src.View());
    Pixels none(0, 0, 0);
    StretchFramePixels(dst.View(), 0, 0, 5, 5, none.View());
    for (uint32_t p : dst.data)
        EXPECT_EQ(p, 0u);
    // Partly outside: only the inside part is written.
    StretchFramePixels(dst.View(), -2, -2, 5, 5, src.View());
    EXPECT_EQ(dst.At(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(dst.At(2, 2), 0xFFFFFFFFu);
    EXPECT_EQ(dst.At(3, 3), 0u);
}
