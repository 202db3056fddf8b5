// Geometry of skinned scroll bars without windows: the thumb, the part under
// a point and the position of a dragged thumb, for window bars and for the
// stand-alone scroll-bar control. Expected values are worked out by hand from
// the rules written beside each row.
#include <gtest/gtest.h>

#include <climits>

#include "skin/controls/ScrollGeometry.h"

using namespace scrollgeo;

TEST(ScrollGeometry, MulDivRoundsAndRefusesZero)
{
    EXPECT_EQ(MulDiv(7, 3, 2), 11);     // 10.5 away from zero
    EXPECT_EQ(MulDiv(-7, 3, 2), -11);
    EXPECT_EQ(MulDiv(10, 66, 100), 7);  // 6.6
    EXPECT_EQ(MulDiv(1, 1, 0), -1);
    EXPECT_EQ(MulDiv(INT_MAX, 4, 1), -1);
}

TEST(ScrollGeometry, BarLayoutAndHitTest)
{
    struct Row {
        const char* what;
        int length, arrow;
        bool arrowless;
        BarInfo info;
        int minThumb;
        int thumbStart, thumbSize;
        bool fits;
        std::vector<std::pair<int, int>> hits;   // offset along the bar, part
    };
    const Row rows[] = {
        // track 66; MulDiv(10, 66, 100) = 7 raised to 10; offset 0.
        {"top", 100, 17, false, {0, 99, 10, 0}, 10, 17, 10, true,
         {{0, PartArrow1}, {16, PartArrow1}, {17, PartThumb}, {26, PartThumb}, {27, PartPage2}, {82, PartPage2},
          {83, PartArrow2}, {99, PartArrow2}, {100, PartNone}, {-1, PartNone}}},
        // offset MulDiv(90, 56, 99 - 10 + 1) = 56: the thumb ends at the second arrow.
        {"bottom", 100, 17, false, {0, 99, 10, 90}, 10, 73, 10, true,
         {{72, PartPage1}, {73, PartThumb}, {82, PartThumb}, {83, PartArrow2}, {40, PartPage1}}},
        // a range not starting at 0: offset MulDiv(45, 56, 90) = 28.
        {"middle", 100, 17, false, {100, 199, 10, 145}, 10, 45, 10, true, {{44, PartPage1}, {45, PartThumb}}},
        // page 0: the thumb is as long as an arrow.
        {"page0", 100, 17, false, {0, 99, 0, 0}, 10, 17, 17, true, {{33, PartThumb}, {34, PartPage2}}},
        // arrow-less: MulDiv(10, 100, 100) = 10 <= 18 becomes 19; no arrow parts.
        {"arrowless", 100, 17, true, {0, 99, 10, 0}, 10, 0, 19, true,
         {{0, PartThumb}, {18, PartThumb}, {19, PartPage2}, {99, PartPage2}}},
        // arrow-less, long thumb: MulDiv(50, 100, 100) = 50, kept.
        {"arrowless long", 100, 17, true, {0, 99, 50, 0}, 10, 0, 50, true, {{49, PartThumb}, {50, PartPage2}}},
        // a range wider than 0x7FFFFFFE: no thumb at all.
        {"huge range", 100, 17, false, {INT_MIN, INT_MAX, 10, 0}, 10, 0, 0, false,
         {{50, PartNone}, {5, PartArrow1}}},
        // two arrows do not fit: each takes half the bar.
        {"short", 20, 17, false, {0, 99, 10, 0}, 10, 0, 0, false,
         {{0, PartArrow1}, {9, PartArrow1}, {10, PartArrow2}, {19, PartArrow2}}},
        // the thumb fills the track: it does not fit.
        {"full", 44, 17, false, {0, 9, 10, 0}, 10, 0, 10, false, {{20, PartNone}}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        BarLayout l = BarLayoutOf(r.length, r.arrow, r.arrowless, r.info, r.minThumb);
        EXPECT_EQ(l.ThumbSize, r.thumbSize);
        EXPECT_EQ(l.ThumbFits, r.fits);
        if (r.fits) {
            EXPECT_EQ(l.ThumbStart, r.thumbStart);
        }
        for (auto [along, part] : r.hits)
            EXPECT_EQ(HitTestBar(l, along), part) << "at " << along;
    }
}

TEST(ScrollGeometry, DraggedThumbPositions)
{
    // Thumb 10 on a track of 66 starting at 17 (free 56); range 99, page 10:
    // positions 0 .. 90 over 56 pixels, MulDiv(offset, 90, 56).
    const BarInfo info{0, 99, 10, 0};
    BarLayout l = BarLayoutOf(100, 17, false, info, 10);
    struct Row {
        int along, grab, start, pos;
    } rows[] = {
        {17, 0, 17, 0},      // at the start
        {48, 3, 45, 45},     // MulDiv(28, 90, 56) = 45
        {200, 3, 73, 90},    // clamped to the end of the track
        {-50, 3, 17, 0},     // clamped to the start
        {18, 0, 18, 2},      // MulDiv(1, 90, 56) = 1.6 -> 2
    };
    for (const Row& r : rows) {
        int start = DraggedThumbStart(l, r.along, r.grab);
        EXPECT_EQ(start, r.start) << r.along;
        EXPECT_EQ(PositionOfThumb(l, info, start), r.pos) << r.along;
    }
    // A range not starting at 0 keeps its minimum.
    BarInfo shifted{100, 199, 10, 100};
    BarLayout ls = BarLayoutOf(100, 17, false, shifted, 10);
    EXPECT_EQ(PositionOfThumb(ls, shifted, DraggedThumbStart(ls, 200, 0)), 190);
    // No room to move: the minimum, never MulDiv's -1 for a zero divisor.
    BarInfo tight{3, 12, 10, 3};
    BarLayout lt = BarLayoutOf(44, 17, false, tight, 10);
    EXPECT_EQ(PositionOfThumb(lt, tight, 20), 3);
}

TEST(ScrollGeometry, StandAloneControl)
{
    struct Row {
        const char* what;
        int length, arrow;
        bool vertical;
        BarInfo info;
        int thumb, start, centre;
    } rows[] = {
        // page 0: 14; centre 17 + 7 + 0.
        {"page0 start", 100, 17, false, {0, 100, 0, 0}, 14, 17, 24},
        // centre 24 + round(52 / 100 * 50) = 50; start 50 - 7.
        {"page0 middle", 100, 17, false, {0, 100, 0, 50}, 14, 43, 50},
        // thumb round(66 * 50 / 100) = 33; moves 50; centre 17 + 16 + round(16.5) = 50; start round(33.5).
        {"page50", 100, 17, false, {0, 99, 50, 25}, 33, 34, 50},
        // horizontal at Max - Page: centre 33 + round(32.34) = 65, start round(48.5) = 49.
        {"end horizontal", 100, 17, false, {0, 99, 50, 49}, 33, 49, 65},
        // vertical at Max - Page: the thumb ends at the second arrow.
        {"end vertical", 100, 17, true, {0, 99, 50, 49}, 33, 50, 65},
        // Min = Max: the thumb sits after the first arrow; centre at half.
        {"empty", 100, 17, false, {5, 5, 0, 5}, 14, 17, 50},
        // a short control: arrows clipped to half its length.
        {"short", 20, 17, false, {0, 10, 0, 0}, 14, 10, 17},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        ControlLayout c = ControlLayoutOf(r.length, r.arrow, r.vertical, r.info);
        EXPECT_EQ(c.ThumbSize, r.thumb);
        EXPECT_EQ(c.ThumbStart, r.start);
        EXPECT_EQ(c.ThumbEnd, r.start + r.thumb);
        EXPECT_EQ(c.Centre, r.centre);
    }
    BarInfo info{0, 99, 50, 0};
    ControlLayout c = ControlLayoutOf(100, 17, false, info);
    EXPECT_EQ(ControlPositionAt(100, c, info, 50, true), 25);   // 50 * 16.5 / 33
    EXPECT_EQ(ControlPositionAt(100, c, info, 99, true), 50);   // clamped to Max - (Page - 1)
    EXPECT_EQ(ControlPositionAt(100, c, info, 0, true), 0);
    EXPECT_EQ(ControlPositionAt(100, c, info, 50, false), 0);
}
