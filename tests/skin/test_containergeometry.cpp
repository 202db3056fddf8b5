// Layout rules of the container, bar and tab wrappers, checked against
// values worked out by hand from the rules.
#include <gtest/gtest.h>

#include "skin/controls/ContainerGeometry.h"

#include <commctrl.h>

using namespace containergeo;

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

TEST(ContainerGeometry, PanelSectionFollowsTheBevels)
{
    struct Row {
        int outer, inner;
        bool single;
        const wchar_t* section;
    } rows[] = {
        {bvLowered, bvRaised, false, L"GROUPBOX"},  {bvLowered, bvNone, false, L"PANEL_LOW"},
        {bvLowered, bvLowered, true, L"PANEL_LOW"}, {bvRaised, bvLowered, false, L"GROUPBOX"},
        {bvRaised, bvNone, true, L"PANEL"},         {bvRaised, bvSpace, false, L"PANEL"},
        {bvNone, bvRaised, true, L"PANEL_LOW"},     {bvNone, bvNone, false, L"CHECKBOX"},
        {bvSpace, bvRaised, false, L"CHECKBOX"},
    };
    for (const Row& r : rows)
        EXPECT_STREQ(PanelSectionFor(r.outer, r.inner, r.single), r.section) << r.outer << "/" << r.inner;
}

TEST(ContainerGeometry, GroupBoxCaptionBand)
{
    struct Row {
        int width;
        SIZE text;
        bool hasText, rtl;
        RECT want;
    } rows[] = {
        {200, {40, 13}, true, false, {6, 0, 54, 15}},
        {200, {40, 13}, true, true, {146, 0, 194, 15}},
        {200, {40, 2}, true, false, {6, 0, 54, 6}},     // at least 4 px of text height
        {50, {60, 13}, true, false, {6, 0, 49, 15}},    // never past the right edge
        {200, {0, 0}, false, false, {0, 0, 0, 0}},      // no caption: no band, the frame starts at the top
    };
    for (const Row& r : rows) {
        RECT got = GroupBoxCaptionRect(r.width, r.text, r.hasText, r.rtl);
        EXPECT_TRUE(Same(got, r.want)) << Show(got) << " want " << Show(r.want);
    }
}

TEST(ContainerGeometry, ToolButtonCaptionRect)
{
    auto in = [](int w, int h) {
        ToolCaptionInput i;
        i.width = w;
        i.height = h;
        i.textHeight = 13;
        return i;
    };
    struct Row {
        const char* what;
        ToolCaptionInput in;
        RECT want;
    };
    std::vector<Row> rows;
    {
        auto i = in(60, 22);
        i.list = true, i.hasImages = true, i.imagesWidth = 16, i.imageIndex = 0;
        rows.push_back({"list with image", i, {22, 2, 58, 20}});
        i.imageIndex = -1;
        rows.push_back({"list without image", i, {1, 2, 58, 20}});
    }
    {
        auto i = in(50, 40);
        i.hasImages = true, i.imagesHeight = 16, i.textWidth = 30;
        rows.push_back({"caption under the image", i, {9, 23, 42, 36}});
    }
    {
        auto i = in(50, 22);
        i.textWidth = 30;
        rows.push_back({"caption alone", i, {9, 4, 42, 18}});
        i.pressed = true;
        rows.push_back({"pressed", i, {10, 5, 43, 19}});
    }
    {
        auto i = in(60, 22);
        i.textWidth = 20, i.dropDown = true, i.dropDownWidth = 15;
        rows.push_back({"drop-down part left out", i, {11, 4, 35, 18}});
    }
    for (const Row& r : rows) {
        RECT got = ToolButtonCaptionRect(r.in);
        EXPECT_TRUE(Same(got, r.want)) << r.what << ": " << Show(got) << " want " << Show(r.want);
    }
}

TEST(ContainerGeometry, ToolCaptionSplitsAtSpaces)
{
    auto fits = [](const String& s) { return s.size() <= 8; };
    struct Row {
        const wchar_t *caption, *first, *second;
    } rows[] = {
        {L"Open file now", L"Open", L"file now"},
        {L"Go to the end", L"Go to", L"the end"},
        {L"Save all", L"Save all", L""},
        {L"Reformatting", L"Reformatting", L""},   // one long word stays one line
    };
    for (const Row& r : rows) {
        CaptionLines got = SplitToolCaption(r.caption, fits);
        EXPECT_EQ(got.first, r.first);
        EXPECT_EQ(got.second, r.second);
    }
}

TEST(ContainerGeometry, NativeToolButtonPlacesImageArrowAndCaption)
{
    // A 40 x 36 button, a 16 x 16 image, a 7 x 4 arrow glyph, caption lines 13 px high.
    struct Row {
        const char* what;
        bool image, caption, arrow, pressed;
        int textWidth, dropWidth;
        POINT wantImage, wantArrow;
        RECT wantCaption, wantDrop;
    } rows[] = {
        {"image alone is centred", true, false, false, false, 0, 0, {12, 10}, {0, 0}, {2, 20, 38, 34}, {}},
        {"image above a caption", true, true, false, false, 14, 0, {12, 4}, {0, 0}, {2, 20, 38, 34}, {}},
        {"pressed moves everything", true, true, false, true, 14, 0, {13, 5}, {0, 0}, {3, 21, 39, 35}, {}},
        {"arrow at the right without caption", true, false, true, false, 0, 0, {8, 4}, {32, 16}, {2, 20, 38, 34}, {}},
        {"arrow beside the caption", true, true, true, false, 14, 0, {12, 4}, {24, 24}, {8, 20, 22, 34}, {}},
        {"a long caption leaves room for the arrow", true, true, true, false, 60, 0, {12, 4}, {31, 24},
         {2, 20, 29, 34}, {}},
        {"pressed arrow", true, false, true, true, 0, 0, {9, 5}, {33, 17}, {3, 21, 39, 35}, {}},
        {"caption alone fills the button", false, true, false, false, 14, 0, {12, 4}, {0, 0}, {2, 2, 38, 34}, {}},
        {"split: arrow in the drop-down part", true, true, false, false, 14, 12, {6, 4}, {30, 16}, {2, 20, 26, 34},
         {28, 0, 40, 36}},
        {"split, pressed", true, true, false, true, 14, 12, {7, 5}, {31, 17}, {3, 21, 27, 35}, {28, 0, 40, 36}},
    };
    for (const Row& r : rows) {
        NativeToolButtonInput in;
        in.width = 40, in.height = 36;
        in.hasImage = r.image, in.imageWidth = 16, in.imageHeight = 16;
        in.hasCaption = r.caption, in.textWidth = r.textWidth, in.lineHeight = 13;
        in.arrow = r.arrow, in.arrowWidth = 7, in.arrowHeight = 4;
        in.dropWidth = r.dropWidth;
        in.pressed = r.pressed;
        NativeToolButtonLayout got = LayoutNativeToolButton(in);
        if (r.image) {
            EXPECT_EQ(got.image.x, r.wantImage.x) << r.what;
            EXPECT_EQ(got.image.y, r.wantImage.y) << r.what;
        }
        if (r.arrow || r.dropWidth) {
            EXPECT_EQ(got.arrow.x, r.wantArrow.x) << r.what;
            EXPECT_EQ(got.arrow.y, r.wantArrow.y) << r.what;
        }
        EXPECT_TRUE(Same(got.caption, r.wantCaption)) << r.what << ": " << Show(got.caption) << " want "
                                                      << Show(r.wantCaption);
        EXPECT_TRUE(Same(got.drop, r.wantDrop)) << r.what << ": " << Show(got.drop) << " want " << Show(r.wantDrop);
    }
}

TEST(ContainerGeometry, TabPositionAndStyleFromWindowStyle)
{
    EXPECT_EQ(TabPositionOfStyle(0), tpTop);
    EXPECT_EQ(TabPositionOfStyle(TCS_BOTTOM), tpBottom);
    EXPECT_EQ(TabPositionOfStyle(TCS_VERTICAL), tpLeft);
    EXPECT_EQ(TabPositionOfStyle(TCS_VERTICAL | TCS_RIGHT), tpRight);
    EXPECT_EQ(TabStyleOfStyle(0), 0);
    EXPECT_EQ(TabStyleOfStyle(TCS_BUTTONS), 1);
    EXPECT_EQ(TabStyleOfStyle(TCS_BUTTONS | TCS_FLATBUTTONS), 2);
}

TEST(ContainerGeometry, TabRectOnEachSide)
{
    const RECT horz{10, 2, 60, 22}, left{2, 10, 22, 60}, right{100, 10, 120, 60};
    struct Row {
        const char* what;
        RECT item;
        int position, style;
        bool active;
        RECT want;
    } rows[] = {
        {"top active", horz, tpTop, 0, true, {8, 0, 62, 24}},
        {"top inactive", horz, tpTop, 0, false, {10, 2, 59, 26}},
        {"bottom active", horz, tpBottom, 0, true, {8, -1, 62, 23}},
        // The inactive bottom tab ends 3 px above where its item grew to.
        {"bottom inactive", horz, tpBottom, 0, false, {10, 0, 59, 22}},
        {"left active", left, tpLeft, 0, true, {1, 8, 25, 61}},
        {"left inactive", left, tpLeft, 0, false, {2, 9, 25, 60}},
        {"right active", right, tpRight, 0, true, {97, 8, 121, 62}},
        {"right inactive", right, tpRight, 0, false, {98, 9, 119, 60}},
        {"buttons as they are", horz, tpTop, 1, true, horz},
        {"empty as it is", {}, tpTop, 0, true, {}},
    };
    for (const Row& r : rows) {
        RECT got = AdjustTabRect(r.item, r.position, r.style, r.active);
        EXPECT_TRUE(Same(got, r.want)) << r.what << ": " << Show(got) << " want " << Show(r.want);
    }
}

TEST(ContainerGeometry, TabRowOnEachSide)
{
    const RECT strip{200, 100, 300, 150};
    struct Row {
        const char* what;
        RECT tab;
        int position, rows, want;
    } rows[] = {
        {"single row", {0, 42, 50, 62}, tpTop, 1, 1},
        {"top, near the page", {0, 42, 50, 62}, tpTop, 3, 3},
        {"top, far row", {0, 2, 50, 22}, tpTop, 3, 1},
        {"left", {32, 0, 62, 20}, tpLeft, 3, 2},
        {"right, next to the page", {200, 0, 230, 20}, tpRight, 3, 3},
        {"right, outer row", {260, 0, 290, 20}, tpRight, 3, 1},
        {"bottom, next to the page", {0, 100, 50, 120}, tpBottom, 2, 2},
        {"bottom, outer row", {0, 120, 50, 140}, tpBottom, 2, 1},
        {"empty tab", {}, tpTop, 3, 1},
        {"empty tab at the bottom", {5, 5, 5, 5}, tpBottom, 3, 1},
    };
    for (const Row& r : rows) EXPECT_EQ(TabRowOf(r.tab, r.position, r.rows, strip), r.want) << r.what;
}

TEST(ContainerGeometry, FrameAndStripAreas)
{
    struct Row {
        RECT page;
        int position;
        RECT frame, tabs;
    } rows[] = {
        {{4, 30, 196, 146}, tpTop, {0, 26, 200, 150}, {0, 0, 200, 26}},
        {{4, 4, 196, 120}, tpBottom, {0, 0, 200, 122}, {0, 122, 200, 150}},
        {{40, 4, 196, 146}, tpLeft, {39, 0, 200, 150}, {0, 0, 39, 150}},
        {{4, 4, 160, 146}, tpRight, {0, 0, 161, 150}, {161, 0, 200, 150}},
    };
    for (const Row& r : rows) {
        EXPECT_TRUE(Same(FrameAreaOf(200, 150, r.page, r.position, true), r.frame)) << r.position;
        EXPECT_TRUE(Same(TabsAreaOf(200, 150, r.page, r.position), r.tabs)) << r.position;
        EXPECT_TRUE(Same(FrameAreaOf(200, 150, r.page, r.position, false), RECT{0, 0, 200, 150}));
    }
}

TEST(ContainerGeometry, FrameSection)
{
    EXPECT_EQ(TabFrameSectionFor(false, L"PAGECONTROL", tpTop), L"CHECKBOX");
    EXPECT_EQ(TabFrameSectionFor(true, L"PAGECONTROL", tpTop), L"PAGECONTROL");
    EXPECT_EQ(TabFrameSectionFor(true, L"PAGECONTROL", tpBottom), L"PAGECONTROLBOTTOM");
    EXPECT_EQ(TabFrameSectionFor(true, L"PAGECONTROL", tpLeft), L"PAGECONTROLLEFT");
    EXPECT_EQ(TabFrameSectionFor(true, L"PAGECONTROL", tpRight), L"PAGECONTROLRIGHT");
    // A control given a section of its own keeps it on every side.
    for (int p : {tpTop, tpBottom, tpLeft, tpRight}) EXPECT_EQ(TabFrameSectionFor(true, L"MYTABS", p), L"MYTABS");
}
