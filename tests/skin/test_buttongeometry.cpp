// Geometry of the skinned buttons and small controls: paint states, caption
// and glyph places of push, bitmap and speed buttons, the check box's glyph and
// caption, the halves of an up-down control and the ticks of a track bar.
#include <gtest/gtest.h>

#include "skin/controls/ButtonGeometry.h"

using namespace btngeom;

namespace {
bool Same(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
std::string Show(const RECT& r)
{
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
}
}  // namespace

TEST(ButtonGeometry, PushButtonStateOrder)
{
    struct Row {
        bool pushed, enabled, hot, def;
        int state;
    } rows[] = {
        {true, false, false, false, 2},   // pressed comes before disabled
        {true, true, true, true, 2},
        {false, false, true, true, 0},    // a disabled default button is normal
        {false, true, false, true, 1},    // an idle enabled default button looks hot
        {false, true, true, false, 1},
        {false, true, false, false, 0},
    };
    for (const Row& r : rows)
        EXPECT_EQ(PushButtonState(r.pushed, r.enabled, r.hot, r.def), r.state)
            << r.pushed << r.enabled << r.hot << r.def;
    EXPECT_EQ(SpeedButtonState(true, false), 2);
    EXPECT_EQ(SpeedButtonState(false, true), 1);
    EXPECT_EQ(SpeedButtonState(false, false), 0);
}

TEST(ButtonGeometry, PushCaptionBoundsAndWidthLimit)
{
    struct Row {
        int w, h;
        SIZE text;
        bool pushed;
        RECT want;
    } rows[] = {
        {75, 25, {30, 13}, false, {21, 6, 55, 19}},
        {75, 25, {30, 13}, true, {22, 7, 56, 20}},
        {10, 5, {13, 7}, false, {-2, -1, 13, 6}},   // wider than the button: halves round toward zero
    };
    for (const Row& r : rows) {
        RECT got = PushCaptionBounds(r.w, r.h, r.text, r.pushed);
        EXPECT_TRUE(Same(got, r.want)) << Show(got);
    }
    EXPECT_EQ(PushCaptionWidthLimit(false, 75, 0), 0);
    EXPECT_EQ(PushCaptionWidthLimit(true, 75, 0), 76);
    EXPECT_EQ(PushCaptionWidthLimit(true, 75, 20), 55);
    EXPECT_EQ(PushCaptionWidthLimit(true, 10, 20), 0);
    EXPECT_EQ(BitBtnCaptionWidthLimit(true, 100, 2, kLayoutLeft, {16, 16}, 4), 76);
    EXPECT_EQ(BitBtnCaptionWidthLimit(true, 100, 2, kLayoutTop, {16, 16}, 4), 96);
    EXPECT_EQ(BitBtnCaptionWidthLimit(true, 100, 2, kLayoutRight, {16, 0}, 4), 96);
    EXPECT_EQ(BitBtnCaptionWidthLimit(false, 100, 2, kLayoutLeft, {16, 16}, 4), 0);
}

TEST(ButtonGeometry, BitBtnGlyphTable)
{
    struct Row {
        int layout;
        SIZE text;
        bool caption, pressed;
        POINT want;
    } rows[] = {
        {kLayoutLeft, {40, 13}, true, false, {20, 12}},
        {kLayoutRight, {40, 13}, true, false, {64, 12}},
        {kLayoutTop, {40, 13}, true, false, {43, 3}},
        {kLayoutBottom, {40, 13}, true, false, {43, 21}},
        {kLayoutLeft, {40, 13}, true, true, {21, 13}},
        // Without caption: left is exactly centred, top one pixel right of centre.
        {kLayoutLeft, {0, 0}, false, false, {42, 12}},
        {kLayoutTop, {0, 0}, false, false, {43, 12}},
    };
    for (const Row& r : rows) {
        POINT p = BitBtnGlyphPos(r.layout, 100, 40, {16, 16}, r.text, 4, r.caption, r.pressed);
        EXPECT_EQ(p.x, r.want.x) << r.layout << " pressed " << r.pressed;
        EXPECT_EQ(p.y, r.want.y) << r.layout << " pressed " << r.pressed;
    }
    POINT n = NativeBitmapGlyphPos(RECT{40, 6, 80, 19}, 25, {16, 12}, false);
    EXPECT_EQ(n.x, 40 - 2 - 16);
    EXPECT_EQ(n.y, 6);
    EXPECT_EQ(NativeBitmapGlyphPos(RECT{40, 6, 80, 19}, 25, {16, 12}, true).y, 7);
}

TEST(ButtonGeometry, SpeedButtonGlyphAndCaptionTables)
{
    const POINT kNoGlyph{};
    struct Row {
        int layout, height, margin;
        SIZE glyph;
        bool pressed;
        POINT glyphAt;
        RECT caption;
    } rows[] = {
        {kLayoutLeft, 30, -1, {16, 16}, false, {10, 7}, {30, 8, 50, 21}},   // glyph right 26 + spacing 4
        {kLayoutLeft, 30, 3, {16, 16}, false, {3, 7}, {23, 8, 43, 21}},
        {kLayoutRight, 30, -1, {16, 16}, false, {34, 7}, {10, 8, 30, 21}},
        {kLayoutRight, 30, 3, {16, 16}, false, {41, 7}, {17, 8, 37, 21}},
        {kLayoutTop, 50, -1, {16, 16}, false, {22, 8}, {20, 28, 40, 41}},
        {kLayoutBottom, 50, -1, {16, 16}, false, {22, 26}, {20, 9, 40, 22}},
        {kLayoutLeft, 30, -1, {16, 16}, true, {11, 8}, {31, 9, 51, 22}},
        // No glyph and margin -1: centred both ways whatever the layout.
        {kLayoutBottom, 30, -1, {0, 0}, false, kNoGlyph, {20, 8, 40, 21}},
        {kLayoutTop, 30, -1, {0, 0}, true, kNoGlyph, {21, 9, 41, 22}},
        // No glyph with a margin.
        {kLayoutLeft, 30, 5, {0, 0}, false, kNoGlyph, {5, 8, 25, 21}},
        {kLayoutRight, 30, 5, {0, 0}, false, kNoGlyph, {35, 8, 55, 21}},
        {kLayoutTop, 30, 5, {0, 0}, false, kNoGlyph, {20, 5, 40, 18}},
        {kLayoutBottom, 30, 5, {0, 0}, false, kNoGlyph, {20, 12, 40, 25}},
    };
    for (const Row& r : rows) {
        if (r.glyph.cx > 0) {
            POINT g = SpeedGlyphPos(r.layout, 60, r.height, r.glyph, {20, 13}, 4, r.margin, r.pressed);
            EXPECT_EQ(g.x, r.glyphAt.x) << r.layout << "/" << r.margin;
            EXPECT_EQ(g.y, r.glyphAt.y) << r.layout << "/" << r.margin;
        }
        RECT c = SpeedCaptionRect(r.layout, 60, r.height, r.glyph, {20, 13}, 4, r.margin, r.pressed);
        EXPECT_TRUE(Same(c, r.caption)) << r.layout << "/" << r.margin << " " << Show(c);
    }
    // Without caption the glyph takes no spacing.
    EXPECT_EQ(SpeedGlyphPos(kLayoutLeft, 60, 30, {16, 16}, {0, 0}, 4, -1, false).x, 22);
}

TEST(ButtonGeometry, CheckGlyphAndCaption)
{
    EXPECT_EQ(CheckGlyphSize(false, false, {}, RECT{}, 0, 3).cx, 16);
    EXPECT_EQ(CheckGlyphSize(false, false, {}, RECT{}, 0, 3).cy, 16);
    SIZE own = CheckGlyphSize(true, true, {39, 26}, RECT{}, 0, 3);
    EXPECT_EQ(own.cx, 13);
    EXPECT_EQ(own.cy, 13);
    SIZE cut = CheckGlyphSize(true, false, {}, RECT{0, 100, 39, 113}, 0, 3);
    EXPECT_EQ(cut.cx, 13);
    EXPECT_EQ(cut.cy, 13);
    EXPECT_EQ(CheckGlyphSize(true, false, {}, RECT{0, 100, 39, 113}, 0, 0).cx, 39);   // no frame count: one frame
    EXPECT_EQ(CheckGlyphSize(true, false, {}, RECT{0, 100, 39, 126}, 1, 3).cy, 13);

    EXPECT_TRUE(Same(CheckGlyphRect(100, 17, {13, 13}, false), RECT{0, 2, 13, 15}));
    EXPECT_TRUE(Same(CheckGlyphRect(100, 17, {13, 13}, true), RECT{87, 2, 100, 15}));

    struct Row {
        bool leftText, rtl, multiline;
        SIZE text;
        RECT want;
        UINT flags;
    } rows[] = {
        {false, false, false, {40, 13}, {17, 1, 57, 14}, 0},
        {false, false, true, {40, 13}, {16, 1, 56, 14}, 0},
        {true, true, false, {40, 13}, {41, 2, 81, 15}, DT_RTLREADING | DT_RIGHT},
        {true, true, true, {40, 13}, {41, 2, 81, 15}, DT_RTLREADING},
        {true, false, false, {40, 13}, {2, 2, 42, 15}, 0},
        {true, false, false, {40, 30}, {2, 0, 42, 17}, 0},   // taller than the control: from the top
    };
    for (const Row& r : rows) {
        UINT flags = 12345;
        RECT got = CheckCaptionRect(100, 17, {13, 13}, r.text, r.leftText, r.rtl, r.multiline, flags);
        EXPECT_TRUE(Same(got, r.want)) << Show(got);
        EXPECT_EQ(flags, r.flags);
    }
    EXPECT_EQ(CheckGlyphFrame(true, true), 2);
    EXPECT_EQ(CheckGlyphFrame(false, true), 1);
    EXPECT_EQ(CheckGlyphFrame(false, false), 0);
    EXPECT_EQ(CheckStateOf(BST_INDETERMINATE | BST_CHECKED), 2);
    EXPECT_EQ(CheckStateOf(BST_CHECKED | BST_FOCUS), 1);
    EXPECT_EQ(CheckStateOf(BST_PUSHED), 0);
}

TEST(ButtonGeometry, SpinHalves)
{
    RECT a{}, b{};
    SpinButtonRects(17, 15, true, a, b);   // 15 px high: 8 above, 7 below, no shared row
    EXPECT_TRUE(Same(a, RECT{0, 0, 17, 8})) << Show(a);
    EXPECT_TRUE(Same(b, RECT{0, 8, 17, 15})) << Show(b);
    SpinButtonRects(15, 17, false, a, b);
    EXPECT_TRUE(Same(a, RECT{0, 0, 8, 17})) << Show(a);
    EXPECT_TRUE(Same(b, RECT{8, 0, 15, 17})) << Show(b);
    SpinButtonRects(17, 16, true, a, b);
    EXPECT_TRUE(Same(a, RECT{0, 0, 17, 8})) << Show(a);
    EXPECT_TRUE(Same(b, RECT{0, 8, 17, 16})) << Show(b);
    EXPECT_EQ(SpinHalfAt(17, 15, true, {5, 7}), 0);
    EXPECT_EQ(SpinHalfAt(17, 15, true, {5, 8}), 1);
    EXPECT_EQ(SpinHalfAt(17, 15, true, {5, 15}), -1);
    EXPECT_EQ(SpinHalfAt(15, 17, false, {7, 3}), 0);
    EXPECT_EQ(SpinHalfAt(15, 17, false, {8, 3}), 1);
}

TEST(ButtonGeometry, TrackTicks)
{
    // Channel from 8, 100 long; thumb 11 long: its centre travels from 13 to 102.
    struct Row {
        int count;
        std::vector<int> want;
    } rows[] = {
        {2, {13, 102}},          // the two ends of the thumb's travel
        {3, {13, 58, 102}},      // 57.5 rounds away from zero
        {1, {13}},               // no step: the minimum position, no division by zero
        {0, {}},
        {-4, {}},
    };
    for (const Row& r : rows) EXPECT_EQ(TrackTickPositions(r.count, 8, 100, 11), r.want) << r.count;
    // A channel no longer than the thumb puts every tick at the minimum position.
    EXPECT_EQ(TrackTickPositions(3, 8, 11, 11), (std::vector<int>{13, 13, 13}));
}
