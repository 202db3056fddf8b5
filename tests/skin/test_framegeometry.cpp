// The frame arithmetic of a skinned form, with metrics and facts made up by
// the tests (no window involved).
#include <gtest/gtest.h>

#include <vector>

#include "skin/forms/FrameGeometry.h"

namespace {

constexpr TsFrameMetrics kMetrics{/*CyCaption*/ 22, /*CySmCaption*/ 16, /*CxFrame*/ 4, /*CxDlgFrame*/ 3,
                                  /*CyMenu*/ 19, /*CyHScroll*/ 17};

TsSkinData Skin(int border, int title, int maxTitle)
{
    TsSkinData s;
    s.BorderWidth = int16_t(border);
    s.TitleHeight = int16_t(title);
    s.MaxTitleHeight = int16_t(maxTitle);
    s.BIRight = 4;
    s.BISpace = 1;
    return s;
}

TEST(FrameGeometry, MetricsFollowStyleBorderStyleAndBorderWindow)
{
    const TsSkinData skin = Skin(7, 30, 0);
    struct Row {
        const char* what;
        DWORD style;
        TFormBorderStyle bs;
        bool iconic, borderWindow, extraHigh;
        int frame, frameExt, topFrame, caption, captionExt;
    };
    const DWORD sizeable = WS_CAPTION | WS_THICKFRAME;
    const DWORD dialog = WS_CAPTION;   // WS_BORDER is part of WS_CAPTION
    const Row rows[] = {
        {"sizeable", sizeable, TFormBorderStyle::bsSizeable, false, false, false, 4, 4, 4, 22, 22},
        {"dialog", dialog, TFormBorderStyle::bsDialog, false, false, false, 3, 3, 3, 22, 22},
        {"tool window", dialog, TFormBorderStyle::bsToolWindow, false, false, false, 3, 3, 3, 16, 16},
        {"iconic tool window", dialog, TFormBorderStyle::bsToolWindow, true, false, false, 3, 3, 3, 22, 22},
        {"no frame", WS_POPUP, TFormBorderStyle::bsNone, false, false, false, 0, 0, 0, 0, 0},
        {"no frame, iconic", WS_POPUP, TFormBorderStyle::bsNone, true, false, false, 0, 0, 0, 22, 22},
        {"border window", sizeable, TFormBorderStyle::bsSizeable, false, true, false, 4, 7, 0, 22, 30},
        {"extra high", sizeable, TFormBorderStyle::bsSizeable, false, true, true, 4, 7, 0, 26, 30},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        TsFrameFacts f;
        f.Style = r.style;
        f.BorderStyle = r.bs;
        f.Iconic = r.iconic;
        f.BorderWindow = r.borderWindow;
        f.ExtraHighTitle = r.extraHigh;
        f.Skin = &skin;
        EXPECT_EQ(FormFrameWidth(kMetrics, f, false), r.frame);
        EXPECT_EQ(FormFrameWidth(kMetrics, f, true), r.frameExt);
        EXPECT_EQ(TopFrameWidth(kMetrics, f), r.topFrame);
        EXPECT_EQ(CaptionAreaHeight(kMetrics, f, false), r.caption);
        EXPECT_EQ(CaptionAreaHeight(kMetrics, f, true), r.captionExt);
    }
}

TEST(FrameGeometry, TitleIconSizeAndMaximizedTitle)
{
    const int sizes[][2] = {{-100, 1}, {8, 1}, {9, 8}, {16, 8}, {17, 16}, {40, 16}};
    for (auto& s : sizes)
        EXPECT_EQ(TitleIconSize(s[0]), s[1]) << s[0];
    EXPECT_EQ(MaximizedTitleHeight(Skin(4, 30, 0)), 30);
    EXPECT_EQ(MaximizedTitleHeight(Skin(4, 30, 24)), 24);
}

TEST(FrameGeometry, MenuLineCountBoundary)
{
    const int cyMenu = kMetrics.CyMenu;
    const int clientTop = 100;
    // One line until the first item ends a whole (SM_CYMENU - 2) above the
    // client top; exactly that far is two lines.
    const int line = cyMenu - 2;
    const int rows[][2] = {{100, 1}, {120, 1}, {99, 1}, {100 - line + 1, 1}, {100 - line, 2},
                           {100 - 2 * line + 1, 2}, {100 - 2 * line, 3}};
    for (auto& r : rows)
        EXPECT_EQ(MenuLineCountFor(r[0], clientTop, cyMenu), r[1]) << "item bottom " << r[0];
}

TEST(FrameGeometry, TitleElementCodesAreOneRange)
{
    const int codes[][2] = {{999, 0}, {1000, 1}, {1255, 1}, {1256, 0}, {1999, 0}, {2000, 1}, {2255, 1}, {2256, 0},
                            {-1, 0}, {HTCLOSE, 0}};
    for (auto& c : codes)
        EXPECT_EQ(IsTitleElement(c[0]), c[1] != 0) << c[0];
}

// A 300 x 200 sizeable form without border window: frame 4, caption 22, one
// menu line of 18, big 21 x 21 buttons, and two user buttons, the second disabled.
struct SampleForm {
    TsSkinData skin = Skin(4, 30, 0);
    TsCaptionButtons buttons;
    std::vector<TsUserButton> user{{true, true, 18, 18}, {true, false, 18, 18}};
    TsTitleLayoutInput in;
    TsHitInput hit;
    TsTitleLayout layout;

    SampleForm()
    {
        buttons.VisibleMax = buttons.VisibleMin = true;
        in.PictureWidth = 300;
        in.FrameWidth = 4;
        in.TopFrame = 4;
        in.CaptionHeight = 22;
        in.CxFrame = 4;
        in.ShowIcon = true;
        in.IconWidth = in.IconHeight = 16;
        in.Skin = &skin;
        hit.Width = 300;
        hit.Height = 200;
        hit.FrameWidth = 4;
        hit.TopFrame = 4;
        hit.CaptionHeight = 22;
        hit.MenuLineHeight = 18;
        hit.MenuLines = 1;
        hit.Sizeable = true;
        Relayout();
    }
    void Relayout() { layout = LayoutTitleButtons(in, buttons, user); }
    int At(int x, int y)
    {
        hit.Point = POINT{x, y};
        return HitTestFrame(hit, layout, buttons, user);
    }
};

TEST(FrameGeometry, LayoutPlacesButtonsFromTheRightWithSpacing)
{
    SampleForm f;
    const TsTitleLayout& l = f.layout;
    // Cursor starts at width - BIRIGHT - frame; each big button is followed by BISPACE.
    const int start = 300 - 4 - 4;
    EXPECT_EQ(l.Close.right, start);
    EXPECT_EQ(l.Close.left, start - 21);
    EXPECT_EQ(l.Max.right, l.Close.left - 1);
    EXPECT_EQ(l.Min.right, l.Max.left - 1);
    // User buttons start 6 px further left.
    ASSERT_EQ(l.User.size(), 2u);
    EXPECT_EQ(l.User[0].right, l.Min.left - 1 - 6);
    EXPECT_EQ(l.User[1].right, l.User[0].left - 1);
    // Vertical centre: caption / 2 + frame / 2; buttons are centred on it.
    EXPECT_EQ(l.ButtonsCenter, 11 + 2);
    EXPECT_EQ(l.Close.top, l.ButtonsCenter - 10);
    EXPECT_EQ(l.Close.bottom - l.Close.top, 21);
    EXPECT_EQ(l.TitleBottom, 26);
    EXPECT_EQ(l.Icon.left, 4);
    EXPECT_EQ(l.Icon.right - l.Icon.left, 16);

    // Without maximise and minimise the help button sits 6 px left of close.
    f.buttons.VisibleMax = f.buttons.VisibleMin = false;
    f.buttons.Help = true;
    f.Relayout();
    EXPECT_EQ(f.layout.Max.left, f.layout.Max.right);
    EXPECT_EQ(f.layout.Help.right, f.layout.Close.left - 1 - 6);
}

TEST(FrameGeometry, HitTestGrid)
{
    SampleForm f;
    const TsTitleLayout& l = f.layout;
    auto mid = [](const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; };
    struct Row {
        const char* what;
        POINT p;
        int code;
    };
    const Row rows[] = {
        {"top-left corner", {0, 0}, HTTOPLEFT},
        {"top-right corner", {299, 0}, HTTOPRIGHT},
        {"bottom-left corner", {0, 199}, HTBOTTOMLEFT},
        {"bottom-right corner", {299, 199}, HTBOTTOMRIGHT},
        {"left band, last pixel", {3, 100}, HTLEFT},
        {"left band ends (half-open)", {4, 100}, HTCLIENT},
        {"right band starts", {296, 100}, HTRIGHT},
        {"right band, one inside", {295, 100}, HTCLIENT},
        {"top band", {150, 3}, HTTOP},
        {"bottom band starts", {150, 196}, HTBOTTOM},
        {"left edge in the caption row is the corner zone only up top", {0, 10}, HTLEFT},
        {"caption", {150, 10}, HTCAPTION},
        {"caption ends at caption + top frame", {150, 25}, HTCAPTION},
        {"menu band starts", {150, 26}, HTMENU},
        {"menu band ends", {150, 43}, HTMENU},
        {"client starts below the menu", {150, 44}, HTCLIENT},
        {"icon", mid(l.Icon), HTSYSMENU},
        {"close", mid(l.Close), HTCLOSE},
        {"maximise", mid(l.Max), HTMAXBUTTON},
        {"minimise", mid(l.Min), HTMINBUTTON},
        {"user button 0", mid(l.User[0]), 1000},
        {"disabled user button", mid(l.User[1]), HTCLIENT},
        {"close, left edge inside", {l.Close.left, mid(l.Close).y}, HTCLOSE},
        {"close, right edge outside", {l.Close.right, mid(l.Close).y}, HTCAPTION},
        {"outside", {300, 10}, HTNOWHERE},
    };
    for (const Row& r : rows)
        EXPECT_EQ(f.At(r.p.x, r.p.y), r.code) << r.what << " at " << r.p.x << "," << r.p.y;
}

TEST(FrameGeometry, HitTestStatesAndGrip)
{
    SampleForm f;
    auto mid = [](const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; };
    const POINT close = mid(f.layout.Close), max = mid(f.layout.Max), min = mid(f.layout.Min);
    struct Row {
        const char* what;
        bool enClose, enMax, enRestore, enMin, iconic;
        POINT p;
        int code;
    };
    const Row rows[] = {
        {"disabled close", false, true, true, true, false, close, HTCAPTION},
        {"max disabled, restore enabled", true, false, true, true, false, max, HTMAXBUTTON},
        {"max and restore disabled", true, false, false, true, false, max, HTCAPTION},
        {"max disabled, iconic", true, false, true, true, true, max, HTCAPTION},
        {"min disabled", true, true, true, false, false, min, HTCAPTION},
        {"min disabled, iconic", true, true, true, false, true, min, HTMINBUTTON},
    };
    for (const Row& r : rows) {
        f.buttons.EnabledClose = r.enClose;
        f.buttons.EnabledMax = r.enMax;
        f.buttons.EnabledRestore = r.enRestore;
        f.buttons.EnabledMin = r.enMin;
        f.hit.Iconic = r.iconic;
        EXPECT_EQ(f.At(r.p.x, r.p.y), r.code) << r.what;
    }

    // The grip answers from its top-left corner on; not sizeable: no bands.
    f.hit.Sizeable = false;
    f.hit.Grip = true;
    f.hit.GripRect = RECT{280, 180, 296, 196};
    EXPECT_EQ(f.At(280, 180), HTBOTTOMRIGHT);
    EXPECT_EQ(f.At(279, 190), HTCLIENT);
    EXPECT_EQ(f.At(0, 100), HTCLIENT);

    // A border window tests the title itself: only bands and client remain here.
    f.hit.BorderWindow = true;
    EXPECT_EQ(f.At(close.x, close.y), HTCAPTION);
}

TEST(FrameGeometry, SnappingAt9And10Pixels)
{
    const RECT area{0, 0, 1000, 700};
    struct Row {
        const char* what;
        int x, y, w, h;
        TsSnapOffsets extra;
        int ex, ey;
    };
    const Row rows[] = {
        {"left 9 px away snaps", 9, 300, 200, 100, {}, 0, 300},
        {"left 10 px away stays", 10, 300, 200, 100, {}, 10, 300},
        {"left 9 px beyond snaps", -9, 300, 200, 100, {}, 0, 300},
        {"top 9 px away snaps", 300, 9, 200, 100, {}, 300, 0},
        {"right 9 px away snaps", 1000 - 200 - 9, 300, 200, 100, {}, 800, 300},
        {"right 10 px away stays", 1000 - 200 - 10, 300, 200, 100, {}, 790, 300},
        {"bottom 9 px away snaps", 300, 700 - 100 - 9, 200, 100, {}, 300, 600},
        {"a wider-than-area window snaps left last", 5, 300, 1000, 100, {}, 0, 300},
        {"offsets move the visible frame", 9 + 5, 300, 200, 100, {0, 0, -5, 0}, 5, 300},
    };
    for (const Row& r : rows) {
        int x = r.x, y = r.y;
        SnapToArea(x, y, r.w, r.h, area, 10, r.extra);
        EXPECT_EQ(x, r.ex) << r.what;
        EXPECT_EQ(y, r.ey) << r.what;
    }
}

TEST(FrameGeometry, BorderDragEdgesAndMinimum)
{
    const RECT start{100, 100, 400, 300};
    struct Row {
        const char* what;
        int code;
        POINT to;
        RECT expect;
    };
    // The drag starts with the mouse at (50, 50); edges move by the mouse's travel.
    const Row rows[] = {
        {"move keeps the size", HTCAPTION, {60, 70}, {110, 120, 410, 320}},
        {"right edge", HTRIGHT, {100, 999}, {100, 100, 450, 300}},
        {"left edge", HTLEFT, {30, 999}, {80, 100, 400, 300}},
        {"top edge", HTTOP, {999, 40}, {100, 90, 400, 300}},
        {"bottom-right corner", HTBOTTOMRIGHT, {70, 80}, {100, 100, 420, 330}},
        {"top-left corner", HTTOPLEFT, {40, 30}, {90, 80, 400, 300}},
        {"left edge stops at the minimum width", HTLEFT, {340, 50}, {300, 100, 400, 300}},
        {"top edge stops at the minimum height", HTTOP, {50, 240}, {100, 250, 400, 300}},
        {"keyboard size takes bottom-right", 0, {150, 150}, {100, 100, 500, 400}},
    };
    for (const Row& r : rows) {
        TsBorderDrag d;
        d.Start(r.code, start, POINT{50, 50}, 100, 50);
        d.Follow(r.to);
        EXPECT_TRUE(EqualRect(&d.Frame, &r.expect)) << r.what << ": " << d.Frame.left << "," << d.Frame.top << ","
                                                   << d.Frame.right << "," << d.Frame.bottom;
    }
    TsBorderDrag d;
    d.Start(HTRIGHT, start, POINT{}, 10, 10);
    d.Clear();
    d.Follow(POINT{999, 999});
    EXPECT_FALSE(d.Active);
    EXPECT_EQ(d.Frame.right, 0);
}

TEST(FrameGeometry, RegionWithCutsLeavesOutEveryCut)
{
    const std::vector<RECT> cuts{{0, 0, 3, 1}, {0, 1, 1, 2}, {97, 0, 100, 1}};
    HRGN rgn = CreateRegionWithCuts(0, 0, 100, 50, cuts);
    ASSERT_NE(rgn, nullptr);
    const POINT out[] = {{0, 0}, {2, 0}, {0, 1}, {99, 0}, {97, 0}};
    const POINT in[] = {{3, 0}, {1, 1}, {96, 0}, {99, 1}, {50, 49}, {0, 2}};
    for (POINT p : out)
        EXPECT_FALSE(PtInRegion(rgn, p.x, p.y)) << p.x << "," << p.y;
    for (POINT p : in)
        EXPECT_TRUE(PtInRegion(rgn, p.x, p.y)) << p.x << "," << p.y;
    EXPECT_FALSE(PtInRegion(rgn, 100, 10));
    DeleteObject(rgn);
}

}  // namespace
