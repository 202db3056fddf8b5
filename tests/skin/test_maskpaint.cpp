// Skin item painters on plain pixel views: nine-part borders (margins, tiling,
// stretching, grey masks, corners seen through), mask frames and glyphs, the
// section background (transparency, layers, textures, the grey-mask tiler),
// whole skin items from the sample skin, region runs, the nine-part copy of a
// plain picture, button glyphs and channel copies; zero-size and out-of-range
// parts. Skins are built by the tests or loaded from the sample skin.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "skin/model/SkinLoader.h"
#include "skin/graphics/Gradients.h"
#include "skin/model/MaskPaint.h"
#ifdef _WIN32
#include "support/GuiTest.h"
#endif

using namespace skinpaint;

namespace {

constexpr uint32_t Sentinel = 0x12345678;
constexpr uint32_t Key = 0x00FF00FF;   // key pixel as the skin loader leaves it

// A w x h view inside a buffer with a 2-pixel sentinel border, so that a write
// outside the view shows.
struct Canvas {
    int w, h;
    std::vector<uint32_t> buf;
    Canvas(int w_, int h_, uint32_t fill = 0xFF000000u) : w(w_), h(h_), buf(size_t(w_ + 4) * (h_ + 4), Sentinel)
    {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) At(x, y) = fill;
    }
    PixelView View() { return PixelView{buf.data() + 2 * (w + 4) + 2, ptrdiff_t(w + 4) * 4, w, h}; }
    uint32_t& At(int x, int y) { return buf[size_t(y + 2) * (w + 4) + x + 2]; }
    bool BorderIntact()
    {
        for (int y = -2; y < h + 2; ++y)
            for (int x = -2; x < w + 2; ++x)
                if ((x < 0 || y < 0 || x >= w || y >= h) && At(x, y) != Sentinel) return false;
        return true;
    }
    int Count(const std::function<bool(int, int, uint32_t)>& pred)
    {
        int n = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) n += pred(x, y, At(x, y)) ? 1 : 0;
        return n;
    }
};

// A skin made in code: one master bitmap, masks and sections added by the test.
struct TestSkin {
    TsSkinTables t;
    TestSkin(int w, int h, uint32_t fill = 0xFF808080u)
    {
        t.MasterBitmap = std::make_unique<PixelBitmap>(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) t.MasterBitmap->Row(y)[x] = fill;
    }
    uint32_t& Px(int x, int y) { return t.MasterBitmap->Row(y)[x]; }
    // Every pixel of a rect gets a value made from its coordinates.
    void Paint(px::Rect r, const std::function<uint32_t(int, int)>& f)
    {
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) Px(x, y) = f(x, y);
    }
    int AddMask(px::Rect r, int frames, int layout, int flags, int l, int tp, int rt, int b, int corner = 0)
    {
        TsMaskData m;
        m.SectionName = "S";
        m.SectionName += std::to_string(t.Masks.size());   // not "S" + ...: GCC 12 warns falsely (-Wrestrict)
        m.PropertyName = "BORDERSMASK";
        m.SourceRect = r;
        m.FrameCount = int16_t(frames);
        m.StateLayout = int16_t(layout);
        m.PaintFlags = int16_t(flags);
        m.MarginLeft = int16_t(l);
        m.MarginTop = int16_t(tp);
        m.MarginRight = int16_t(rt);
        m.MarginBottom = int16_t(b);
        m.CornerTransparency = int16_t(corner);
        t.Masks.push_back(std::move(m));
        return int(t.Masks.size()) - 1;
    }
    int AddSection(const std::string& name, int states, TColor32 color, int transparency = 0)
    {
        TsGeneralData s;
        s.Name = name;
        s.States = states;
        for (auto& p : s.Props) {
            p.Color = color;
            p.Transparency = transparency;
        }
        t.Sections.push_back(std::move(s));
        return int(t.Sections.size()) - 1;
    }
    TsGeneralData& Section(int i) { return t.Sections[size_t(i)]; }
};

// A pixel whose colour encodes a master-bitmap position (opaque).
uint32_t Code(int x, int y) { return 0xFF000000u | uint32_t(x) << 8 | uint32_t(y) | 0x100000u; }

uint32_t Ch(uint32_t p, int shift) { return (p >> shift) & 255; }

std::string SampleSkinFolder()
{
#ifdef _WIN32
    return StringToUtf8(EnvPath("TALVERA_CONTENT")) + "\\Skins\\Slate\\";
#else
    return std::string(TALVERA_SOURCE_ROOT) + "/skins/Slate/";
#endif
}

const TsSkinTables& Slate()
{
    static TsSkinTables* t = [] {
        auto* tables = new TsSkinTables;
        LoadFolderSkin(*tables, SampleSkinFolder(), SkinLoadSettings());
        return tables;
    }();
    return *t;
}

}  // namespace

// ---------------------------------------------------------------- nine parts

TEST(NineParts, NarrowRectSplitsTheMarginsOverlap)
{
    // A 40 x 10 mask whose columns say where they came from: left margin 12,
    // right margin 11, drawn 20 wide: margins become 11 and 9.
    TestSkin s(40, 10);
    s.Paint({0, 0, 40, 10}, [](int x, int y) { return Code(x, y); });
    int m = s.AddMask({0, 0, 40, 10}, 1, 0, 0, 12, 2, 11, 2);
    Canvas c(20, 10);
    PaintMaskNineParts32(c.View(), {0, 0, 20, 10}, 0, s.t, false, 0, m, EmptyBackground());
    // Columns 0..10 are the left corner's first 11 columns, 11..19 the last 9 of the mask.
    for (int x = 0; x < 20; ++x) {
        int expected = x < 11 ? x : 40 - 9 + (x - 11);
        EXPECT_EQ(c.At(x, 0), Code(expected, 0)) << x;
    }
    EXPECT_TRUE(c.BorderIntact());
}

TEST(NineParts, ZeroMarginsAreColumnsAndRowsOfNoWidth)
{
    // A 16 x 16 mask whose pixels say where they came from, drawn 64 x 16 and
    // 16 x 40: every target pixel is painted from the row (column) it lies in.
    TestSkin s(16, 16);
    s.Paint({0, 0, 16, 16}, [](int x, int y) { return Code(x, y); });
    struct Case {
        const char* name;
        int l, t, r, b, flags, w, h;
        int sx, sy;   // source of target pixel (w - 1, h / 2)
    };
    const Case cases[] = {
        {"side margins 0, tiled", 0, 4, 0, 4, 4, 64, 16, 63 % 16, 8},
        {"side margins 0, stretched", 0, 4, 0, 4, 1 | 4, 64, 16, 15, 8},
        {"top and bottom 0, tiled", 4, 0, 4, 0, 4, 16, 40, 15, 20 % 16},
        {"left 0 only", 0, 4, 5, 4, 4, 64, 16, 15, 8},
        {"all four 0 is all centre", 0, 0, 0, 0, 4, 64, 16, 63 % 16, 8},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        TestSkin one(16, 16);
        one.Paint({0, 0, 16, 16}, [](int x, int y) { return Code(x, y); });
        int m = one.AddMask({0, 0, 16, 16}, 1, 0, k.flags, k.l, k.t, k.r, k.b);
        Canvas c(k.w, k.h, 0xFF000000u);
        PaintMaskNineParts32(c.View(), {0, 0, k.w, k.h}, 0, one.t, false, 0, m, EmptyBackground());
        EXPECT_EQ(c.Count([](int, int, uint32_t p) { return p == 0xFF000000u; }), 0);
        EXPECT_EQ(c.At(k.w - 1, k.h / 2), Code(k.sx, k.sy));
        EXPECT_TRUE(c.BorderIntact());
    }
    // Without margins of its own a mask takes its border width on every side.
    int bw = s.AddMask({0, 0, 16, 16}, 1, 0, 4, 0, 0, 0, 0);
    s.t.Masks[size_t(bw)].BorderWidth = 3;
    Canvas c(64, 16, 0xFF000000u);
    PaintMaskNineParts32(c.View(), {0, 0, 64, 16}, 0, s.t, false, 0, bw, EmptyBackground());
    EXPECT_EQ(c.At(63, 0), Code(15, 0));
    EXPECT_EQ(c.At(61, 8), Code(13, 3 + (8 - 3) % 10));
}

TEST(NineParts, FlagTwoSkipsStateZeroOnly)
{
    TestSkin s(30, 10, 0xFF112233u);
    int m = s.AddMask({0, 0, 30, 10}, 3, 0, 2 | 4, 3, 3, 3, 3);
    Canvas c(16, 16, 0xFF000000u);
    PaintMaskNineParts32(c.View(), {0, 0, 16, 16}, 0, s.t, false, 0, m, EmptyBackground());
    EXPECT_EQ(c.Count([](int, int, uint32_t p) { return p != 0xFF000000u; }), 0);
    PaintMaskNineParts32(c.View(), {0, 0, 16, 16}, 0, s.t, false, 1, m, EmptyBackground());
    EXPECT_EQ(c.Count([](int, int, uint32_t p) { return p == 0xFF112233u; }), 16 * 16);
}

TEST(NineParts, TiledEdgesRepeatAndCutTheLastCopy)
{
    // Frame 1 of a two-frame mask, each frame 10 x 10 with margins 3: the top
    // edge's source is columns 3..6 of the frame, tiled from x = 3 to 23 - 3.
    TestSkin s(20, 10);
    s.Paint({0, 0, 20, 10}, [](int x, int y) { return Code(x, y); });
    int m = s.AddMask({0, 0, 20, 10}, 2, 0, 4, 3, 3, 3, 3);
    Canvas c(23, 17);
    PaintMaskNineParts32(c.View(), {0, 0, 23, 17}, 0, s.t, false, 1, m, EmptyBackground());
    for (int x = 3; x < 20; ++x) EXPECT_EQ(c.At(x, 1), Code(10 + 3 + (x - 3) % 4, 1)) << x;
    for (int y = 3; y < 14; ++y) EXPECT_EQ(c.At(21, y), Code(10 + 8, 3 + (y - 3) % 4)) << y;
    // Centre (flag 4) tiled both ways; bottom-right corner from the frame's corner.
    EXPECT_EQ(c.At(10, 9), Code(10 + 3 + 7 % 4, 3 + 6 % 4));
    EXPECT_EQ(c.At(22, 16), Code(19, 9));
    EXPECT_EQ(c.At(20, 14), Code(17, 7));
    EXPECT_TRUE(c.BorderIntact());
}

TEST(NineParts, CentreOnlyWithFlagFour)
{
    TestSkin s(9, 9, 0xFF445566u);
    int m = s.AddMask({0, 0, 9, 9}, 1, 0, 0, 3, 3, 3, 3);
    Canvas c(20, 20, 0xFF000000u);
    PaintMaskNineParts32(c.View(), {0, 0, 20, 20}, 0, s.t, false, 0, m, EmptyBackground());
    EXPECT_EQ(c.At(10, 10), 0xFF000000u);
    EXPECT_EQ(c.At(1, 10), 0xFF445566u);
    s.t.Masks[0].PaintFlags = 4;
    PaintMaskNineParts32(c.View(), {0, 0, 20, 20}, 0, s.t, false, 0, m, EmptyBackground());
    EXPECT_EQ(c.At(10, 10), 0xFF445566u);
}

TEST(NineParts, StretchedPartsTakeTheNearestSourcePixel)
{
    TestSkin s(10, 10);
    s.Paint({0, 0, 10, 10}, [](int x, int y) { return Code(x, y); });
    int m = s.AddMask({0, 0, 10, 10}, 1, 0, 1 | 4, 2, 2, 2, 2);
    Canvas c(30, 14);
    PaintMaskNineParts32(c.View(), {0, 0, 30, 14}, 0, s.t, false, 0, m, EmptyBackground());
    // Top edge: 6 source columns (2..7) over 26 destination columns.
    for (int i = 0; i < 26; ++i) EXPECT_EQ(c.At(2 + i, 0), Code(2 + NearestSourceIndex(i, 6, 26), 0)) << i;
    for (int j = 0; j < 10; ++j)
        EXPECT_EQ(c.At(15, 2 + j), Code(2 + NearestSourceIndex(13, 6, 26), 2 + NearestSourceIndex(j, 6, 10)));
    EXPECT_TRUE(c.BorderIntact());
}

TEST(NineParts, CornerKeyPixelsShowTheParentOnlyWithCornerField)
{
    TestSkin s(8, 8, 0xFF203040u);
    s.Px(0, 0) = Key;
    int m = s.AddMask({0, 0, 8, 8}, 1, 0, 0, 3, 3, 3, 3, 1);
    Canvas parent(40, 40, 0xFF0000AAu);
    parent.At(5 + 0, 7 + 0) = 0xFFABCDEFu;
    Background bg;
    bg.bmp = parent.View();
    bg.x = 5;
    bg.y = 7;
    bg.ready = true;
    Canvas c(10, 10, 0xFF000000u);
    PaintMaskNineParts32(c.View(), {0, 0, 10, 10}, 0, s.t, true, 0, m, bg);
    EXPECT_EQ(c.At(0, 0), 0xFFABCDEFu);
    EXPECT_EQ(c.At(1, 0), 0xFF203040u);
    // Without the corner field the key pixel keeps what was there.
    s.t.Masks[0].CornerTransparency = 0;
    Canvas d(10, 10, 0xFF000000u);
    PaintMaskNineParts32(d.View(), {0, 0, 10, 10}, 0, s.t, true, 0, m, bg);
    EXPECT_EQ(d.At(0, 0), 0xFF000000u);
}

TEST(NineParts, GreyMaskBlendsPictureThroughItsMask)
{
    // StateLayout 1: picture rows 0..5, grey rows 6..11. Picture red 200,
    // mask 128 on the left half of every row and 0 on the right.
    TestSkin s(6, 12);
    s.Paint({0, 0, 6, 6}, [](int, int) { return 0xFFC80000u; });
    s.Paint({0, 6, 6, 12}, [](int x, int) { return x < 3 ? 0xFF808080u : 0xFF000000u; });
    int m = s.AddMask({0, 0, 6, 12}, 1, 1, 4, 2, 2, 2, 2);
    Canvas c(14, 10, 0xFF0000FFu);
    PaintMaskNineParts32(c.View(), {0, 0, 14, 10}, 0, s.t, false, 0, m, EmptyBackground());
    uint32_t half = c.At(0, 0);
    // red: 200 + (0 - 200) * 128 >> 8 = 100; blue: 0 + (255 - 0) * 128 >> 8 = 127.
    EXPECT_EQ(Ch(half, 16), 100u);
    EXPECT_EQ(Ch(half, 0), 127u);
    EXPECT_EQ(c.At(13, 9) & 0xFFFFFFu, 0xC80000u);   // mask 0: the picture
    // Tiled top edge: source columns 2..3, mask 128 at column 2 and 0 at 3.
    EXPECT_EQ(Ch(c.At(2, 0), 16), 100u);
    EXPECT_EQ(Ch(c.At(3, 0), 16), 200u);
    EXPECT_EQ(Ch(c.At(4, 0), 16), 100u);
    EXPECT_TRUE(c.BorderIntact());
}

TEST(NineParts, GreyMaskRowsFollowTheStateLayout)
{
    // StateLayout 2: three bands of 4 rows; the grey rows are one band below
    // the picture (rows 4..7), not half the rect height (row 6).
    TestSkin s(6, 12);
    s.Paint({0, 0, 6, 4}, [](int, int) { return 0xFF000000u; });
    s.Paint({0, 4, 6, 8}, [](int, int) { return 0xFFFFFFFFu; });   // mask 255: keep destination
    s.Paint({0, 8, 6, 12}, [](int, int) { return 0xFF000000u; });  // would paint black
    int m = s.AddMask({0, 0, 6, 12}, 1, 2, 0, 2, 2, 2, 2);
    EXPECT_EQ(GreyMaskRowOffset(s.t.Masks[0]), 4);
    Canvas c(10, 10, 0xFF406080u);
    PaintMaskNineParts32(c.View(), {0, 0, 10, 10}, 0, s.t, false, 0, m, EmptyBackground());
    // 0 + (0x40 - 0) * 255 >> 8 = 0x3F: the destination shows through.
    EXPECT_EQ(c.At(0, 0) & 0xFFFFFFu, 0x3F5F7Fu);
}

TEST(NineParts, GreyStretchedCentreOfOnePixel)
{
    // A 5 x 5 picture with a one-pixel centre (margins 2), stretched.
    TestSkin s(5, 10, 0xFF000000u);
    s.Px(2, 2) = 0xFF00C800u;
    s.Px(2, 7) = 0xFF404040u;   // mask 64 for the centre
    s.Paint({0, 5, 5, 10}, [](int x, int y) { return x == 2 && y == 7 ? 0xFF404040u : 0xFFFFFFFFu; });
    int m = s.AddMask({0, 0, 5, 10}, 1, 1, 1 | 4, 2, 2, 2, 2);
    Canvas c(12, 12, 0xFF0000F0u);
    PaintMaskNineParts32(c.View(), {0, 0, 12, 12}, 0, s.t, false, 0, m, EmptyBackground());
    // green: 200 + (0 - 200) * 64 >> 8 = 150; blue 0 + 240 * 64 >> 8 = 60.
    for (int y = 2; y < 10; ++y)
        for (int x = 2; x < 10; ++x) {
            EXPECT_EQ(Ch(c.At(x, y), 8), 150u);
            EXPECT_EQ(Ch(c.At(x, y), 0), 60u);
        }
}

TEST(NineParts, ZeroSizePartsNeitherHangNorPaint)
{
    // Margins fill the whole frame: the centre and the edges' source are 0 wide.
    TestSkin s(8, 8, 0xFF998877u);
    int m = s.AddMask({0, 0, 8, 8}, 1, 0, 4, 4, 4, 4, 4);
    Canvas c(30, 30, 0xFF000000u);
    PaintMaskNineParts32(c.View(), {0, 0, 30, 30}, 0, s.t, false, 0, m, EmptyBackground());
    EXPECT_EQ(c.At(15, 15), 0xFF000000u);
    EXPECT_EQ(c.At(0, 0), 0xFF998877u);
    // Grey mask the same way, tiled and stretched.
    int g = s.AddMask({0, 0, 8, 8}, 1, 1, 4, 4, 2, 4, 2);
    PaintMaskNineParts32(c.View(), {0, 0, 30, 30}, 0, s.t, false, 0, g, EmptyBackground());
    s.t.Masks[size_t(g)].PaintFlags = 1 | 4;
    PaintMaskNineParts32(c.View(), {0, 0, 30, 30}, 0, s.t, false, 0, g, EmptyBackground());
    // Frame count 0 counts as 1; a rect narrower than the frame count gives frames of width 0.
    int f0 = s.AddMask({0, 0, 8, 8}, 0, 0, 4, 2, 2, 2, 2);
    Canvas d(12, 12, 0xFF000000u);
    PaintMaskNineParts32(d.View(), {0, 0, 12, 12}, 0, s.t, false, 5, f0, EmptyBackground());
    EXPECT_EQ(d.At(6, 6), 0xFF998877u);
    int narrow = s.AddMask({0, 0, 3, 8}, 5, 1, 1 | 4, 0, 0, 0, 0);
    PaintMaskNineParts32(d.View(), {0, 0, 12, 12}, 0, s.t, false, 2, narrow, EmptyBackground());
    DrawMaskFrame32(d.View(), {0, 0}, 2, EmptyBackground(), s.t, narrow, 1);
    TileGreyMask(d.View(), {0, 0, 12, 12}, s.t, narrow, EmptyBackground(), 10);
    EXPECT_EQ(d.At(6, 6), 0xFF998877u);
    EXPECT_TRUE(c.BorderIntact());
    EXPECT_TRUE(d.BorderIntact());
}

TEST(NineParts, MaskRectsOutsideTheirBitmapReadNothingOutside)
{
    TestSkin s(16, 16, 0xFF111111u);
    const px::Rect rects[] = {{10, 10, 60, 60}, {-20, -5, 8, 8}, {0, 0, 100000, 3}, {15, 15, 16, 16}, {5, 5, 2, 2}};
    Canvas c(24, 24, 0xFF000000u);
    for (const px::Rect& r : rects)
        for (int layout = 0; layout < 3; ++layout)
            for (int flags : {0, 1 | 4, 4}) {
                int m = s.AddMask(r, 3, layout, flags, 5, 5, 5, 5, 1);
                for (int state = 0; state < 4; ++state) {
                    PaintMaskNineParts32(c.View(), {-3, -3, 30, 27}, 0, s.t, true, state, m, SelfBackground(c.View()));
                    PaintMaskNineParts32Alpha(c.View(), {2, 2, 22, 22}, 0, s.t, true, state, m, EmptyBackground());
                    DrawMaskFrame32(c.View(), {-4, 20}, state, EmptyBackground(), s.t, m, state);
                }
                std::vector<Rect> runs;
                CollectMaskRegionRects(runs, 24, s.t, m, layout == 1, 0);
                TileGreyMask(c.View(), {0, 0, 24, 24}, s.t, m, EmptyBackground(), flags);
            }
    EXPECT_TRUE(c.BorderIntact());
}

// ---------------------------------------------------------------- alpha-keeping border

TEST(NineParts, AlphaVariantWritesAlphaFromTheMask)
{
    TestSkin s(6, 12);
    s.Paint({0, 0, 6, 6}, [](int, int) { return 0xFF102030u; });
    s.Paint({0, 6, 6, 12}, [](int, int) { return 0xFF606060u; });   // mask 96: alpha 159
    s.Px(0, 0) = Key;
    int m = s.AddMask({0, 0, 6, 12}, 1, 1, 4, 2, 2, 2, 2, 0);
    Canvas c(10, 10, 0x00000000u);
    c.At(9, 9) = 0xC8000000u;   // partly transparent
    c.At(0, 0) = 0xFF777777u;
    PaintMaskNineParts32Alpha(c.View(), {0, 0, 10, 10}, 0, s.t, true, 0, m, EmptyBackground());
    EXPECT_EQ(c.At(5, 5) >> 24, 159u);
    EXPECT_EQ(c.At(9, 9) >> 24, 200u);   // max(200, 159)
    EXPECT_EQ(c.At(0, 0), 0x00777777u);  // key pixel: alpha 0
}

// ---------------------------------------------------------------- mask frames

TEST(MaskFrame, FrameOfStateAndNegativePointCut)
{
    TestSkin s(30, 10);
    s.Paint({0, 0, 30, 10}, [](int x, int y) { return Code(x, y); });
    int m = s.AddMask({0, 0, 30, 10}, 3, 0, 0, 0, 0, 0, 0);
    Canvas c(12, 12, 0xFF000000u);
    DrawMaskFrame32(c.View(), {1, 1}, 7, EmptyBackground(), s.t, m, 1);   // state 7 -> frame 2
    EXPECT_EQ(c.At(1, 1), Code(20, 0));
    EXPECT_EQ(c.At(10, 10), Code(29, 9));
    Canvas d(12, 12, 0xFF000000u);
    DrawMaskFrame32(d.View(), {-3, -2}, 1, EmptyBackground(), s.t, m, 1);
    EXPECT_EQ(d.At(0, 0), Code(13, 2));
    EXPECT_EQ(d.At(6, 7), Code(19, 9));
    EXPECT_EQ(d.At(7, 0), 0xFF000000u);
    EXPECT_TRUE(d.BorderIntact());
}

TEST(MaskFrame, PlainMaskModesKeyAndHalfTransparent)
{
    TestSkin s(4, 4, 0xFFC86400u);
    s.Px(0, 0) = Key;
    int m = s.AddMask({0, 0, 4, 4}, 1, 0, 0, 0, 0, 0, 0);
    Canvas c(4, 4, 0xFF0000C8u);
    DrawMaskFrame32(c.View(), {0, 0}, 0, SelfBackground(c.View()), s.t, m, 1);
    EXPECT_EQ(c.At(0, 0), 0xFF0000C8u);
    EXPECT_EQ(c.At(1, 0), 0xFFC86400u);
    Canvas d(4, 4, 0xFF0000C8u);
    DrawMaskFrame32(d.View(), {0, 0}, 0, SelfBackground(d.View()), s.t, m, 0);
    EXPECT_EQ(d.At(0, 0), 0xFF0000C8u);
    EXPECT_EQ(d.At(1, 0), 0xFF643264u);   // halfway, rounded to nearest
}

TEST(MaskFrame, GreyGlyphRuleNormalAndFaint)
{
    TestSkin s(2, 4);
    s.Px(0, 0) = 0xFF000000u;   // black picture
    s.Px(1, 0) = 0xFF000000u;
    s.Px(0, 1) = Key;
    s.Px(1, 1) = 0xFF000000u;
    s.Px(0, 2) = 0xFF404040u;   // mask 64
    s.Px(1, 2) = 0xFFFFFFFFu;   // mask 255: skipped
    s.Px(0, 3) = 0xFF000000u;
    s.Px(1, 3) = 0xFF000000u;
    int m = s.AddMask({0, 0, 2, 4}, 1, 1, 0, 0, 0, 0, 0);
    Canvas c(2, 2, 0x80C8C8C8u);
    DrawMaskFrame32(c.View(), {0, 0}, 0, EmptyBackground(), s.t, m, 1);
    EXPECT_EQ(c.At(0, 0) & 0xFFFFFFu, 0x323232u);   // 200 * 64 >> 8
    EXPECT_EQ(c.At(0, 0) >> 24, 128u + (127u * 191u >> 8));
    EXPECT_EQ(c.At(1, 0), 0x80C8C8C8u);
    EXPECT_EQ(c.At(0, 1), 0x80C8C8C8u);             // key picture pixel
    EXPECT_EQ(c.At(1, 1), 0xFE000000u);             // mask 0: the picture; alpha 128 + 127 * 255 / 256
    Canvas d(2, 2, 0xFFC8C8C8u);
    DrawMaskFrame32(d.View(), {0, 0}, 0, EmptyBackground(), s.t, m, 2);
    EXPECT_EQ(d.At(0, 0) & 0xFFu, 200u * 164u >> 8);   // m + 100
}

// ---------------------------------------------------------------- section background

namespace {
Background ParentBg(Canvas& parent, int x, int y)
{
    Background bg;
    bg.bmp = parent.View();
    bg.x = x;
    bg.y = y;
    bg.ready = true;
    return bg;
}
}  // namespace

TEST(SectionBackground, FullTransparencyShowsTheParentArea)
{
    TestSkin s(4, 4);
    int sec = s.AddSection("PANEL", 2, 0x00FF00, 100);
    Canvas parent(50, 50);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 50; ++x) parent.At(x, y) = Code(x, y);
    Canvas c(10, 8, 0xFF000000u);
    PaintSkinSectionBackground(c.View(), s.t, sec, "", ParentBg(parent, 7, 9), KeyColor, -1, -1, {2, 3},
                               {0, 0, 10, 8}, 0);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x) ASSERT_EQ(c.At(x, y), Code(x + 9, y + 12));
}

TEST(SectionBackground, FortyPercentOverAParentColour)
{
    TestSkin s(4, 4);
    int sec = s.AddSection("PANEL", 1, 0x0000C8, 40);   // red 200
    Background bg;
    bg.fillColor = 0xC80000;                            // blue 200
    Canvas c(6, 6, 0xFF000000u);
    PaintSkinSectionBackground(c.View(), s.t, sec, "", bg, KeyColor, -1, -1, {}, {0, 0, 6, 6}, 0);
    EXPECT_EQ(c.At(3, 3), 0xFF780050u);   // red 0.6 * 200 = 120, blue 0.4 * 200 = 80
    // The same over a ready parent bitmap goes through the layers: weight nearest(40 * 2.55) = 102.
    Canvas parent(6, 6, 0xFF0000C8u);
    Canvas d(6, 6, 0xFF000000u);
    PaintSkinSectionBackground(d.View(), s.t, sec, "", ParentBg(parent, 0, 0), KeyColor, -1, -1, {}, {0, 0, 6, 6},
                               0);
    EXPECT_EQ(Ch(d.At(3, 3), 16), uint32_t((102 * (0 - 200) + 200 * 256) >> 8));
    EXPECT_EQ(Ch(d.At(3, 3), 0), uint32_t((102 * 200) >> 8));
}

TEST(SectionBackground, ColourAnswerWithTheParentsFrameStrips)
{
    TestSkin s(4, 4);
    int sec = s.AddSection("PANEL", 1, 0, 100);
    Canvas parent(20, 20, 0xFF0A0B0Cu);
    Background bg;
    bg.bmp = parent.View();
    bg.x = 0;
    bg.y = 0;
    bg.fillColor = 0x00FF00;
    bg.frameWidths[0] = 3;   // the parent's left strip
    bg.frameWidths[1] = 2;
    Canvas c(10, 10, 0xFF000000u);
    PaintSkinSectionBackground(c.View(), s.t, sec, "", bg, KeyColor, -1, -1, {}, {0, 0, 10, 10}, 0);
    EXPECT_EQ(c.At(2, 5), 0xFF0A0B0Cu);
    EXPECT_EQ(c.At(5, 1), 0xFF0A0B0Cu);
    EXPECT_EQ(c.At(5, 5), 0xFF00FF00u);
}

TEST(SectionBackground, LayerPercentsAndCustomColour)
{
    TestSkin s(4, 4);
    int sec = s.AddSection("BTN", 2, 0x000000, 0);
    auto grad = std::make_shared<TsGradArray>(TsGradArray{TsGradStop{0xFFFFFF, 0xFFFFFF, 100, 0}});
    s.Section(sec).Props[0].GradientPercent = 60;
    s.Section(sec).Props[0].GradientArray = grad;
    Canvas c(8, 8, 0xFF123456u);
    PaintSkinSectionBackground(c.View(), s.t, sec, "", EmptyBackground(), KeyColor, -1, -1, {}, {0, 0, 8, 8}, 0);
    // 60 % white gradient, 40 % black colour: nearest(0.6 * 255) = 153.
    EXPECT_EQ(c.At(7, 7), 0xFF999999u);
    // A custom colour wins: plain fill, no gradient.
    PaintSkinSectionBackground(c.View(), s.t, sec, "", EmptyBackground(), 0x0000FF, -1, -1, {}, {0, 0, 8, 8}, 0);
    EXPECT_EQ(c.At(7, 7), 0xFFFF0000u);
    // State is limited to 1 and to States - 1: the hot values.
    s.Section(sec).Props[1].Color = 0x00FF00;
    PaintSkinSectionBackground(c.View(), s.t, sec, "", EmptyBackground(), KeyColor, -1, -1, {}, {0, 0, 8, 8}, 5);
    EXPECT_EQ(c.At(0, 0), 0xFF00FF00u);
}

TEST(SectionBackground, TexturePlacementModes)
{
    // A 4 x 3 texture of coded pixels; colour blue fills what the mode leaves.
    TestSkin s(4, 3);
    s.Paint({0, 0, 4, 3}, [](int x, int y) { return Code(x, y); });
    int tex = s.AddMask({0, 0, 4, 3}, 1, 0, 0, 0, 0, 0, 0);
    int sec = s.AddSection("TEX", 1, 0xFF0000, 0);
    s.Section(sec).Props[0].ImagePercent = 100;
    const uint32_t blue = 0xFF0000FFu;
    struct Case {
        int mode;
        std::function<uint32_t(int, int)> expect;
    };
    const int W = 10, H = 7;
    const Case cases[] = {
        {0, [](int x, int y) { return Code(x % 4, y % 3); }},
        {10, [](int x, int y) { return Code(x % 4, y % 3); }},
        {1, [](int x, int y) { return Code(NearestSourceIndex(x, 4, W), NearestSourceIndex(y, 3, H)); }},
        {2, [&](int x, int y) { return y < 3 ? Code(x % 4, y) : blue; }},
        {3, [&](int x, int y) { return x < 4 ? Code(x, y % 3) : blue; }},
        {4, [&](int x, int y) { return y < 3 ? Code(NearestSourceIndex(x, 4, W), y) : blue; }},
        {5, [&](int x, int y) { return x < 4 ? Code(x, NearestSourceIndex(y, 3, H)) : blue; }},
        {6, [&](int x, int y) { return y >= H - 3 ? Code(x % 4, (y - (H - 3)) % 3) : blue; }},
        {7, [&](int x, int y) { return x >= W - 4 ? Code((x - (W - 4)) % 4, y % 3) : blue; }},
        {9, [&](int x, int y) { return x >= W - 4 ? Code((x - (W - 4)) % 4, y % 3) : 0xFF000000u; }},
    };
    for (const Case& k : cases) {
        s.t.Masks[size_t(tex)].PaintFlags = int16_t(k.mode);
        Canvas c(W, H, 0xFF000000u);
        PaintSkinSectionBackground(c.View(), s.t, sec, "", EmptyBackground(), KeyColor, -1, tex, {}, {0, 0, W, H}, 0);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) ASSERT_EQ(c.At(x, y), k.expect(x, y)) << "mode " << k.mode << " " << x << "," << y;
        EXPECT_TRUE(c.BorderIntact());
    }
}

TEST(SectionBackground, GreyTilerModesZeroAndTen)
{
    // 3 x 2 tiles: picture green 200 over mask 0 (the picture wins), one key pixel.
    TestSkin s(3, 4);
    s.Paint({0, 0, 3, 2}, [](int, int) { return 0xFF00C800u; });
    s.Paint({0, 2, 3, 4}, [](int, int) { return 0xFF000000u; });
    s.Px(1, 1) = Key;
    int m = s.AddMask({0, 0, 3, 4}, 1, 1, 10, 0, 0, 0, 0);
    Canvas parent(20, 20, 0xFFAA0000u);
    Canvas c(8, 5, 0xFF000000u);
    TileGreyMask(c.View(), {0, 0, 8, 5}, s.t, m, ParentBg(parent, 0, 0), 10);
    EXPECT_EQ(c.At(0, 0), 0xFF00C800u);
    EXPECT_EQ(c.At(4, 1), 0xFFAA0000u);   // key pixel: the parent
    EXPECT_EQ(c.At(6, 0), 0xFFAA0000u);   // right strip (whole tiles end at 6)
    EXPECT_EQ(c.At(0, 4), 0xFFAA0000u);   // bottom strip
    Canvas d(8, 5, 0xFF000000u);
    Background colour;
    colour.fillColor = 0x0000FF;
    TileGreyMask(d.View(), {0, 0, 8, 5}, s.t, m, colour, 0);
    EXPECT_EQ(d.At(7, 4), 0xFF00C800u);   // cut tiles reach the edge
    EXPECT_EQ(d.At(1, 3), 0xFFFF0000u);   // key pixel: the fill colour
}

TEST(SectionBackground, GreyOverlayInNormalStateOnly)
{
    TestSkin s(2, 4);
    s.Paint({0, 0, 2, 2}, [](int, int) { return 0xFF0000FFu; });
    s.Paint({0, 2, 2, 4}, [](int, int) { return 0xFF000000u; });
    int m = s.AddMask({0, 0, 2, 4}, 1, 1, 10, 0, 0, 0, 0);
    int sec = s.AddSection("OVL", 2, 0x00FF00, 0);
    Canvas c(4, 4);
    PaintSkinSectionBackground(c.View(), s.t, sec, "", EmptyBackground(), KeyColor, m, -1, {}, {0, 0, 4, 4}, 0);
    EXPECT_EQ(c.At(1, 1) & 0xFFFFFFu, 0x0000FFu);
    PaintSkinSectionBackground(c.View(), s.t, sec, "", EmptyBackground(), KeyColor, m, -1, {}, {0, 0, 4, 4}, 1);
    EXPECT_EQ(c.At(1, 1) & 0xFFFFFFu, 0x00FF00u);
}

// ---------------------------------------------------------------- the sample skin

TEST(SampleSkin, ButtonItemHasGradientBodyAndStretchedBorder)
{
    const TsSkinTables& t = Slate();
    int sec = t.FindSectionIndex("BUTTON");
    ASSERT_GE(sec, 0);
    const TsGeneralData& s = t.Sections[size_t(sec)];
    ASSERT_TRUE(t.IsMaskIndexValid(s.BorderMaskIndex));
    Canvas c(80, 30, 0xFF000000u);
    PaintSkinItem(c.View(), t, sec, "BUTTON", EmptyBackground(), -1, -1, {}, {0, 0, 80, 30}, 0, 0);
    // Body: the vertical gradient 0xFFFFFF -> 0xE6DBD6 (TColor) from top to bottom.
    const TsGradArray& g = *s.Props[0].GradientArray;
    Canvas ref(80, 30, 0xFF000000u);
    FillGradientBands(ref.View(), {0, 0, 80, 30}, g);
    const TsMaskData& m = t.Masks[size_t(s.BorderMaskIndex)];
    EXPECT_EQ(c.At(40, 15), ref.At(40, 15));
    // Border: the stretched top edge, from the mask's frame 0 (nearest pixel).
    const PixelBitmap* mb = t.MaskBitmap(s.BorderMaskIndex);
    int fw = FrameWidthOf(m);
    int cw = fw - m.MarginLeft - m.MarginRight;
    for (int x = 6; x < 74; ++x) {
        uint32_t src = mb->Pixel(m.SourceRect.left + m.MarginLeft + NearestSourceIndex(x - 6, cw, 68),
                                 m.SourceRect.top + 1);
        ASSERT_EQ(c.At(x, 1), src) << x;
    }
    // Hot state: frame 1 and the hot gradient.
    Canvas h(80, 30, 0xFF000000u);
    PaintSkinItem(h.View(), t, sec, "BUTTON", EmptyBackground(), -1, -1, {}, {0, 0, 80, 30}, 1, 0);
    uint32_t corner = mb->Pixel(m.SourceRect.left + fw + 3, m.SourceRect.top + 3);
    EXPECT_EQ(h.At(3, 3), IsKeyPixel(corner) ? Key : corner);
    Canvas hotRef(80, 30, 0xFF000000u);
    FillGradientBands(hotRef.View(), {0, 0, 80, 30}, *s.Props[1].GradientArray);
    EXPECT_EQ(h.At(40, 15), hotRef.At(40, 15));
    EXPECT_NE(h.At(40, 15), c.At(40, 15));
}

TEST(SampleSkin, ToolButtonNormalIsSeeThroughAndKeyCornersShowTheParent)
{
    const TsSkinTables& t = Slate();
    int sec = t.FindSectionIndex("TOOLBUTTON");
    ASSERT_GE(sec, 0);
    const TsGeneralData& s = t.Sections[size_t(sec)];
    Canvas parent(100, 100);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x) parent.At(x, y) = Code(x, y);
    Canvas c(40, 24, 0xFF000000u);
    Background bg = ParentBg(parent, 20, 30);
    PaintSkinItem(c.View(), t, sec, "TOOLBUTTON", bg, -1, -1, {}, {0, 0, 40, 24}, 0, 0);
    // The border mask paints state 0 too (no flag 2); its inside is the parent.
    EXPECT_EQ(c.At(20, 12), Code(40, 42));
    // Hot: opaque white body; the mask's key corner pixels show the parent.
    Canvas h(40, 24, 0xFF000000u);
    PaintSkinItem(h.View(), t, sec, "TOOLBUTTON", bg, -1, -1, {}, {0, 0, 40, 24}, 1, 0);
    const TsMaskData& m = t.Masks[size_t(s.BorderMaskIndex)];
    const PixelBitmap* mb = t.MaskBitmap(s.BorderMaskIndex);
    int fw = FrameWidthOf(m);
    int keys = 0;
    for (int y = 0; y < m.MarginTop; ++y)
        for (int x = 0; x < m.MarginLeft; ++x)
            if (IsKeyPixel(mb->Pixel(m.SourceRect.left + fw + x, m.SourceRect.top + y))) {
                ++keys;
                EXPECT_EQ(h.At(x, y), Code(x + 20, y + 30));
            }
    EXPECT_GT(keys, 0);
    EXPECT_EQ(h.At(20, 12), 0xFFFFFFFFu);
}

TEST(SampleSkin, ItemGuardsAndFormPattern)
{
    const TsSkinTables& t = Slate();
    int sec = t.FindSectionIndex("FORM");
    ASSERT_GE(sec, 0);
    Canvas c(30, 30, 0xFF000000u);
    // Rects leaving the bitmap or empty: nothing.
    for (Rect r : {Rect{-1, 0, 10, 10}, Rect{0, 0, 31, 10}, Rect{5, 5, 5, 20}, Rect{0, 0, 10, 31}})
        PaintSkinItem(c.View(), t, sec, "FORM", EmptyBackground(), -1, -1, {}, r, 0, 0);
    PaintSkinItem(c.View(), t, 9999, "X", EmptyBackground(), -1, -1, {}, {0, 0, 30, 30}, 0, 0);
    EXPECT_EQ(c.Count([](int, int, uint32_t p) { return p != 0xFF000000u; }), 0);
    // FORM: the pattern picture tiled inside the 4-pixel border.
    PaintSkinItem(c.View(), t, sec, "FORM", EmptyBackground(), -1, -1, {}, {0, 0, 30, 30}, 0, 0);
    int pi = t.FindPatternIndex(sec, "FORM", "PATTERN");
    ASSERT_GE(pi, 0);
    const PixelBitmap* pat = t.Patterns[size_t(pi)].Image.get();
    EXPECT_EQ(c.At(10, 12), pat->Pixel(10 % pat->Width(), 12 % pat->Height()));
}

TEST(SampleSkin, RegionRunsOfKeyCorners)
{
    const TsSkinTables& t = Slate();
    int sec = t.FindSectionIndex("TOOLBUTTON");
    int mi = t.Sections[size_t(sec)].BorderMaskIndex;
    const TsMaskData& m = t.Masks[size_t(mi)];
    const PixelBitmap* mb = t.MaskBitmap(mi);
    std::vector<Rect> runs;
    CollectMaskRegionRects(runs, 120, t, mi, false, 5);
    // Every key pixel of the top margin rows in the left and right margin
    // columns is in exactly one run, and nothing else is.
    int fw = FrameWidthOf(m);
    int keyCount = 0, covered = 0;
    for (int y = 0; y < m.MarginTop; ++y)
        for (int x = 0; x < fw; ++x) {
            bool inMargin = x < m.MarginLeft || x >= fw - m.MarginRight;
            if (!inMargin) continue;
            bool key = IsKeyPixel(mb->Pixel(m.SourceRect.left + x, m.SourceRect.top + y));
            int wx = x < m.MarginLeft ? x : 120 - fw + x;
            int n = 0;
            for (const Rect& r : runs) n += wx >= r.left && wx < r.right && y + 5 == r.top ? 1 : 0;
            keyCount += key;
            covered += n;
            EXPECT_EQ(n, key ? 1 : 0) << x << "," << y;
        }
    EXPECT_GT(keyCount, 0);
    EXPECT_EQ(keyCount, covered);
    for (const Rect& r : runs) EXPECT_EQ(r.Height(), 1);
}

TEST(Regions, RunsOfABuiltMaskTopAndBottom)
{
    TestSkin s(10, 6, 0xFF000000u);
    s.Px(0, 0) = Key;
    s.Px(1, 0) = Key;
    s.Px(9, 0) = Key;
    s.Px(0, 5) = Key;
    s.Px(8, 5) = Key;
    s.Px(9, 5) = Key;
    int m = s.AddMask({0, 0, 10, 6}, 1, 0, 0, 3, 2, 3, 2);
    std::vector<Rect> top, bottom;
    CollectMaskRegionRects(top, 50, s.t, m, false, 0);
    CollectMaskRegionRects(bottom, 50, s.t, m, true, 40);
    ASSERT_EQ(top.size(), 2u);
    EXPECT_EQ(top[0].left, 0);
    EXPECT_EQ(top[0].right, 2);
    EXPECT_EQ(top[1].left, 49);
    EXPECT_EQ(top[1].right, 50);
    ASSERT_EQ(bottom.size(), 2u);
    EXPECT_EQ(bottom[0].top, 41);   // row offset + row 1 of the bottom margin
    EXPECT_EQ(bottom[1].left, 48);
    EXPECT_EQ(bottom[1].right, 50);
}

// ---------------------------------------------------------------- alpha items

TEST(AlphaItem, TransparentStateClearsWholeBitmapOnly)
{
    TestSkin s(4, 4);
    int sec = s.AddSection("GLOW", 1, 0x0000FF, 100);
    Canvas c(6, 6, 0xFF102030u);
    PaintSkinItemAlpha(c.View(), s.t, sec, 0, 0, {}, {0, 0, 6, 6});
    EXPECT_EQ(c.At(3, 3), 0u);
    Canvas d(6, 6, 0xFF102030u);
    PaintSkinItemAlpha(d.View(), s.t, sec, 0, 0, {}, {1, 1, 5, 5});
    EXPECT_EQ(d.At(3, 3), 0xFF102030u);
}

TEST(AlphaItem, FirstPixelDecidesTheFill)
{
    TestSkin s(4, 4);
    int sec = s.AddSection("GLOW", 1, 0x0000FF, 40);
    Canvas c(6, 6, 0u);
    PaintSkinItemAlpha(c.View(), s.t, sec, 0, 0, {}, {0, 0, 6, 6});
    // alpha (100 - 40) * 255 / 100 = 153; then premultiplied: 255 * 153 >> 8 = 152.
    EXPECT_EQ(c.At(2, 2) >> 24, 153u);
    EXPECT_EQ(Ch(c.At(2, 2), 16), 152u);
    Canvas d(8, 8, 0xFF000000u);
    PaintSkinItemAlpha(d.View(), s.t, sec, 0, 0, {}, {1, 1, 7, 7});   // not the whole bitmap: no premultiply
    // Tinted 60 % toward red from black: nearest(0.6 * 255) = 153, alpha max(255, 153).
    EXPECT_EQ(d.At(3, 3), 0xFF990000u);
    EXPECT_EQ(d.At(0, 0), 0xFF000000u);
}

// ---------------------------------------------------------------- nine-part copy

TEST(NinePartCopy, CornersEdgesAndCentre)
{
    // A 12 x 12 source with margins 3 (inner = outer), drawn 20 x 16.
    Canvas src(12, 12);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) src.At(x, y) = Code(x, y);
    Canvas c(20, 16, 0xFF000000u);
    Rect m{3, 3, 3, 3};
    CopyBitmapNineParts(c.View(), src.View(), {0, 0, 20, 16}, false, 0, Rect{0, 1, 0, 0}, m, m, {0, 0, 12, 12});
    EXPECT_EQ(c.At(0, 0), Code(0, 0));
    EXPECT_EQ(c.At(19, 15), Code(11, 11));
    EXPECT_EQ(c.At(17, 0), Code(9, 0));
    // Left edge tiled (6 source rows), top edge stretched (6 source columns over 14).
    for (int y = 3; y < 13; ++y) EXPECT_EQ(c.At(1, y), Code(1, 3 + (y - 3) % 6)) << y;
    for (int x = 3; x < 17; ++x) EXPECT_EQ(c.At(x, 2), Code(3 + NearestSourceIndex(x - 3, 6, 14), 2)) << x;
    EXPECT_EQ(c.At(10, 8), 0xFF000000u);   // no centre without the flag
    CopyBitmapNineParts(c.View(), src.View(), {0, 0, 20, 16}, true, 0, Rect{0, 1, 0, 0}, m, m, {0, 0, 12, 12});
    EXPECT_EQ(c.At(10, 8), Code(3 + 7 % 6, 3 + 5 % 6));
    EXPECT_TRUE(c.BorderIntact());
}

TEST(NinePartCopy, LargerOuterMarginCopiedAlongTheEdge)
{
    Canvas src(12, 12);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) src.At(x, y) = Code(x, y);
    Canvas c(20, 20, 0xFF000000u);
    // Inner 2, outer 4: corners 2 x 2; rows 2..3 of the left margin copied 1:1.
    CopyBitmapNineParts(c.View(), src.View(), {0, 0, 20, 20}, false, 0, Rect{}, Rect{2, 2, 2, 2}, Rect{4, 4, 4, 4},
                        {0, 0, 12, 12});
    EXPECT_EQ(c.At(1, 3), Code(1, 3));
    EXPECT_EQ(c.At(3, 1), Code(3, 1));
    EXPECT_EQ(c.At(1, 4), Code(1, 4));   // the edge proper starts after the outer margin
    EXPECT_EQ(c.At(1, 10), Code(1, 4 + 6 % 4));
    // Zero-length edges (outer margins eat the source) are skipped.
    Canvas d(20, 20, 0xFF000000u);
    CopyBitmapNineParts(d.View(), src.View(), {0, 0, 20, 20}, true, 0, Rect{}, Rect{6, 6, 6, 6}, Rect{6, 6, 6, 6},
                        {0, 0, 12, 12});
    EXPECT_EQ(d.At(10, 10), 0xFF000000u);
    EXPECT_EQ(d.At(5, 5), Code(5, 5));
}

TEST(NinePartCopy, WithTheCentreEveryTargetPixelIsWritten)
{
    Canvas src(12, 12);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) src.At(x, y) = Code(x, y);
    const struct {
        Rect inner, outer;
    } cases[] = {
        {{2, 2, 2, 2}, {4, 4, 4, 4}},   // outer larger: the band between them is centre
        {{4, 4, 4, 4}, {2, 2, 2, 2}},
        {{1, 3, 2, 4}, {3, 1, 4, 2}},   // larger on different sides
        {{3, 3, 3, 3}, {3, 3, 3, 3}},
    };
    for (const auto& k : cases)
        for (int mode : {0, 1}) {
            Canvas c(20, 20, Sentinel);
            CopyBitmapNineParts(c.View(), src.View(), {0, 0, 20, 20}, true, mode, Rect{mode, mode, mode, mode},
                                k.inner, k.outer, {0, 0, 12, 12});
            EXPECT_EQ(c.Count([](int, int, uint32_t p) { return p == Sentinel; }), 0)
                << k.inner.left << "/" << k.outer.left << " mode " << mode;
            EXPECT_TRUE(c.BorderIntact());
        }
    // Inner 2, outer 4: the band starts the centre, tiled from the source's own band.
    Canvas c(20, 20, Sentinel);
    CopyBitmapNineParts(c.View(), src.View(), {0, 0, 20, 20}, true, 0, Rect{}, Rect{2, 2, 2, 2}, Rect{4, 4, 4, 4},
                        {0, 0, 12, 12});
    EXPECT_EQ(c.At(3, 3), Code(3, 3));
    EXPECT_EQ(c.At(3, 12), Code(3, 2 + 10 % 8));
}

// ---------------------------------------------------------------- glyphs and channels

TEST(ButtonGlyph, FrameChoiceByType)
{
    EXPECT_EQ(GlyphFrameFor(gtDown, 0, 3, false), 0);   // three frames, "down": frame 0
    EXPECT_EQ(GlyphFrameFor(gtDown, 0, 4, false), 3);
    EXPECT_EQ(GlyphFrameFor(gtDisabled, 0, 3, false), 1);
    EXPECT_EQ(GlyphFrameFor(gtDisabled, 0, 3, true), 0);
    EXPECT_EQ(GlyphFrameFor(gtHot, 0, 3, false), 2);
    EXPECT_EQ(GlyphFrameFor(gtHot, 1, 3, false), 1);
    EXPECT_EQ(GlyphFrameFor(gtHot, 1, 3, true), 0);

    // Three frames 2 x 2, colour per frame, transparent colour at bottom-left.
    Canvas g(6, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 6; ++x) g.At(x, y) = 0xFF000000u | 0x10u * uint32_t(x / 2 + 1);
    g.At(0, 1) = 0xFFFFFFFFu;   // the transparent colour of frames 0 and 1
    g.At(2, 1) = 0xFFFFFFFFu;
    Canvas c(4, 4, 0xFF000000u);
    DrawButtonGlyph32(g.View(), false, c.View(), {1, 1, 3, 3}, 0, 0, gtDown, 0, true, 3);
    EXPECT_EQ(c.At(1, 1), 0xFF000010u);
    EXPECT_EQ(c.At(1, 2), 0xFF000000u);   // transparent pixel skipped
    DrawButtonGlyph32(g.View(), false, c.View(), {1, 1, 3, 3}, 0, 0, gtDisabled, 0, true, 3);
    EXPECT_EQ(c.At(2, 2), 0xFF000020u);
    EXPECT_EQ(c.At(1, 2), 0xFF000000u);
}

TEST(ButtonGlyph, SingleFrameEffects)
{
    Canvas g(2, 2, 0xFF30C060u);
    g.At(0, 1) = 0xFF00FF00u;   // transparent colour
    Canvas c(2, 2, 0xFF000000u);
    DrawButtonGlyph32(g.View(), false, c.View(), {0, 0, 2, 2}, 0, 0, gtNormal, 2, false, 1);
    EXPECT_EQ(c.At(0, 0), 0xFF707070u);   // grey: (48 + 192 + 96) / 3 = 112
    EXPECT_EQ(c.At(0, 1), 0xFF000000u);
}

TEST(Channels, CopyChannelRoundTrip)
{
    Canvas c(5, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) c.At(x, y) = 0x11223344u + uint32_t(x * 16 + y);
    std::vector<uint8_t> m(4 * 2, 0);
    BytePixelView mv{m.data(), 4, 4, 2};
    CopyChannel8(c.View(), mv, 3, true);
    EXPECT_EQ(m[0], 0x11);
    CopyChannel8(c.View(), mv, 1, true);
    EXPECT_EQ(m[4 + 3], uint8_t(0x33));
    EXPECT_EQ(m[1], uint8_t(0x33 + 0));
    for (auto& b : m) b = 0xAB;
    CopyChannel8(c.View(), mv, 0, false);
    EXPECT_EQ(c.At(3, 1), ((0x11223344u + 49u) & 0xFFFFFF00u) | 0xABu);
    EXPECT_EQ(c.At(4, 1), 0x11223344u + 65u);   // outside the mask: unchanged
    CopyChannel8(c.View(), mv, 4, true);        // no such channel
    EXPECT_EQ(m[0], 0xAB);
}

// ---------------------------------------------------------------- horizontal bands

TEST(HorizontalBands, KeptRowServesOnlyTheSameBand)
{
    // One band over 37 columns: channel a + nearest((b - a) * i / n), every row alike.
    auto expect = [](uint32_t c1, uint32_t c2, int i, int n, uint32_t alpha) {
        uint32_t out = alpha << 24;
        for (int shift = 0; shift <= 16; shift += 8) {
            const double a = (c1 >> shift) & 255, b = (c2 >> shift) & 255;
            out |= uint32_t(std::lround(a + (b - a) * i / n)) << (16 - shift);   // TColor -> pixel order
        }
        return out;
    };
    const int w = 37, h = 3;
    struct Paint {
        TsGradArray g;
        uint8_t alpha;
    };
    const Paint paints[] = {
        {{TsGradStop{0x102030, 0xF0E0D0, 100, 1}}, 255},
        {{TsGradStop{0x102030, 0xF0E0D0, 100, 1}}, 255},   // the same again
        {{TsGradStop{0x102031, 0xF0E0D0, 100, 1}}, 255},   // one colour differs
        {{TsGradStop{0x102031, 0xF0E0D0, 100, 1}}, 128},   // the alpha differs
    };
    for (const Paint& p : paints) {
        Canvas c(w, h, 0);
        FillGradientBands(c.View(), {0, 0, w, h}, p.g, 0, p.alpha);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(c.At(x, y), expect(uint32_t(p.g[0].Color1), uint32_t(p.g[0].Color2), x, w, p.alpha))
                    << x << "," << y;
    }
    // Rows of 4 KiB and more are copied from either of two copies of the row.
    {
        const int wide = 1100;
        Canvas c(wide, 6, 0);
        FillGradientBands(c.View(), {0, 0, wide, 6}, paints[0].g, 0, 255);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < wide; ++x)
                ASSERT_EQ(c.At(x, y), expect(0x102030, 0xF0E0D0, x, wide, 255)) << x << "," << y;
        EXPECT_TRUE(c.BorderIntact());
    }
    // Another width with the same stops, and a rect that starts inside the view.
    Canvas c(50, 4, 0);
    FillGradientBands(c.View(), {5, 1, 25, 3}, paints[0].g, 0, 255);
    EXPECT_EQ(c.At(5, 1), expect(0x102030, 0xF0E0D0, 0, 20, 255));
    EXPECT_EQ(c.At(24, 2), expect(0x102030, 0xF0E0D0, 19, 20, 255));
    EXPECT_EQ(c.At(4, 1), 0u);
    EXPECT_EQ(c.At(5, 3), 0u);
    EXPECT_TRUE(c.BorderIntact());
}

// ---------------------------------------------------------------- corner fill

TEST(CornerFill, KeyPixelsOfSelectedCornersTakeTheParent)
{
    // Two frames 6 x 6, margins 2; frame 1 has key pixels in every corner's outer pixel.
    TestSkin s(12, 6, 0xFF203040u);
    for (auto [x, y] : {std::pair{6, 0}, {11, 0}, {6, 5}, {11, 5}}) s.Px(x, y) = Key;
    s.Px(0, 0) = Key;   // frame 0's top-left only
    int m = s.AddMask({0, 0, 12, 6}, 2, 0, 0, 2, 2, 2, 2);
    Canvas parent(60, 60);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 60; ++x) parent.At(x, y) = Code(x, y);
    Canvas c(20, 10, 0xFFFFFFFFu);
    FillMaskCorners(c.View(), s.t, m, 1, cfTopLeft | cfBottomRight, parent.View(), 7, 9, KeyColor);
    EXPECT_EQ(c.At(0, 0), Code(7, 9) & 0xFFFFFFu);
    EXPECT_EQ(c.At(19, 9), Code(26, 18) & 0xFFFFFFu);
    EXPECT_EQ(c.At(19, 0), 0xFFFFFFFFu);   // top-right not selected
    EXPECT_EQ(c.At(0, 9), 0xFFFFFFFFu);
    EXPECT_EQ(c.At(1, 1), 0xFFFFFFFFu);    // not a key pixel
    // A colour answer, all corners; the key colour itself paints nothing.
    Canvas d(20, 10, 0xFFFFFFFFu);
    FillMaskCorners(d.View(), s.t, m, 1, cfAllCorners, PixelView{}, 0, 0, 0x0000FF);
    EXPECT_EQ(d.At(19, 0), 0x00FF0000u);
    EXPECT_EQ(d.At(0, 9), 0x00FF0000u);
    Canvas e(20, 10, 0xFFFFFFFFu);
    FillMaskCorners(e.View(), s.t, m, 0, cfAllCorners, PixelView{}, 0, 0, KeyColor);
    EXPECT_EQ(e.Count([](int, int, uint32_t p) { return p != 0xFFFFFFFFu; }), 0);
    // State 0: frame 0, whose only key pixel is top-left.
    FillMaskCorners(e.View(), s.t, m, 0, cfAllCorners, PixelView{}, 0, 0, 0x00FF00);
    EXPECT_EQ(e.Count([](int, int, uint32_t p) { return p != 0xFFFFFFFFu; }), 1);
    EXPECT_TRUE(e.BorderIntact());
    // Margins far larger than the cache and the frame: each corner is the whole
    // frame laid at its corner of the cache, four key pixels each.
    int huge = s.AddMask({0, 0, 12, 6}, 2, 0, 0, 32767, 32767, 32767, 32767);
    Canvas f(20, 10, 0xFFFFFFFFu);
    FillMaskCorners(f.View(), s.t, huge, 1, cfAllCorners, PixelView{}, 0, 0, 0x0000FF);
    EXPECT_EQ(f.Count([](int, int, uint32_t p) { return p == 0x00FF0000u; }), 16);
    EXPECT_EQ(f.At(19, 9), 0x00FF0000u);
    EXPECT_EQ(f.At(14, 4), 0x00FF0000u);
    EXPECT_TRUE(f.BorderIntact());
}

TEST(Recolour, HueAndSaturationSkipKeyPixelsAndStayInTheRect)
{
    Canvas c(4, 2, 0xFFC83214u);
    c.At(1, 0) = Key;
    c.At(2, 0) = 0xFFFF00FFu;   // the key colour with any alpha is skipped too
    ApplyHueAndSaturation(c.View(), {0, 0, 3, 2}, 120, 0);
    EXPECT_EQ(c.At(0, 0), px::ChangePixelHue(0xFFC83214u, 120));
    EXPECT_NE(c.At(0, 0), 0xFFC83214u);
    EXPECT_EQ(c.At(1, 0), Key);
    EXPECT_EQ(c.At(2, 0), 0xFFFF00FFu);
    EXPECT_EQ(c.At(3, 0), 0xFFC83214u);   // outside the rect
    ApplyHueAndSaturation(c.View(), {3, 0, 4, 2}, 0, -100);
    EXPECT_EQ(c.At(3, 1), px::ChangePixelSaturation(0xFFC83214u, -100));
    EXPECT_EQ(Ch(c.At(3, 1), 0), Ch(c.At(3, 1), 16));   // fully desaturated: grey
}

TEST(SkinItemWithMask, SecondValueSetAndTheGivenMask)
{
    TestSkin s(6, 6, 0xFF0A0B0Cu);
    int m = s.AddMask({0, 0, 6, 6}, 1, 0, 0, 2, 2, 2, 2);
    int sec = s.AddSection("X", 2, 0x0000FF, 0);   // red in both states
    s.Section(sec).Props[1].Color = 0x00FF00;      // the second set: green
    Canvas parent(30, 30, 0xFF112233u);
    Background bg;
    bg.bmp = parent.View();
    bg.ready = true;
    Canvas c(12, 10, 0xFF000000u);
    PaintSkinItemWithMask(c.View(), s.t, sec, m, true, {3, 4}, {0, 0, 12, 10}, 0, 0, bg, "");
    EXPECT_EQ(c.At(6, 5), 0xFF00FF00u);   // body from the second set, state 0
    EXPECT_EQ(c.At(0, 0), 0xFF0A0B0Cu);   // the given mask's corner
    EXPECT_EQ(c.At(6, 0), 0xFF0A0B0Cu);   // and its tiled edge
    PaintSkinItemWithMask(c.View(), s.t, sec, m, false, {3, 4}, {0, 0, 12, 10}, 0, 0, bg, "");
    EXPECT_EQ(c.At(6, 5), 0xFFFF0000u);   // the state's own values
    // Invalid section or a rect leaving the bitmap: nothing.
    Canvas d(12, 10, 0xFF000000u);
    PaintSkinItemWithMask(d.View(), s.t, 7, m, true, {}, {0, 0, 12, 10}, 0, 0, bg, "");
    PaintSkinItemWithMask(d.View(), s.t, sec, m, true, {}, {0, 0, 13, 10}, 0, 0, bg, "");
    EXPECT_EQ(d.Count([](int, int, uint32_t p) { return p != 0xFF000000u; }), 0);
}

TEST(AlphaItem, BorderKeyPixelsKeepTheAreaAsItWas)
{
    TestSkin s(6, 6, 0xFF405060u);
    s.Px(0, 0) = Key;
    int m = s.AddMask({0, 0, 6, 6}, 1, 0, 0, 2, 2, 2, 2, 1);
    int sec = s.AddSection("LAYERED", 1, 0x0000FF, 0);
    s.Section(sec).BorderMaskIndex = m;
    Canvas c(10, 8, 0x80102030u);
    PaintSkinItemAlpha(c.View(), s.t, sec, 0, 0, {}, {0, 0, 10, 8});
    // Premultiplied (the rect is the whole bitmap): channel * alpha >> 8.
    EXPECT_EQ(c.At(0, 0), 0x80081018u);   // the key pixel: the pixel that was there
    EXPECT_EQ(c.At(1, 0), 0xFF405060u);   // the border, opaque
    EXPECT_EQ(c.At(5, 4), 0xFFFF0000u);   // the body: the colour, opaque (transparency 0)
}
