// The title-bar component: its rules without windows (layout, measuring,
// tab groups, states, sections, the menu-button picture, the fade), then its
// items in the skinned title of a real form with the sample skin.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "classlib/Forms.h"
#include "classlib/Menus.h"
#include "classlib/SysUtils.h"
#include "skin/forms/BorderForm.h"
#include "skin/forms/FramePaint.h"
#include "skin/forms/SkinProvider.h"
#include "skin/forms/TitleBar.h"
#include "tests/skin/SkinRuntimeFixture.h"

using namespace skintest;

namespace {

// ---------------------------------------------------------------- layout

struct LayoutCase {
    const char* name;
    std::vector<TkvLayoutEntry> entries;
    std::vector<int> lefts;   // expected left edge of each entry
};

TEST(TitleBarLayout, GroupsStartWhereTheirRuleSaysAndItemsTouch)
{
    // The title from 100 to 400 (500 with the caption buttons), centre 16.
    const TkvItemArea a{100, 2, 400, 30, 16, 500};
    using A = TkvItemAlign;
    auto e = [](A align, int w) { return TkvLayoutEntry{align, TkvBtnStyle::bsButton, true, w, 18}; };
    const LayoutCase cases[] = {
        {"left items from the left, in order", {e(A::tbaLeft, 20), e(A::tbaLeft, 30)}, {100, 120}},
        {"right items end at the right", {e(A::tbaRight, 20), e(A::tbaRight, 30)}, {350, 370}},
        // (500 - 100 - 40) / 2 = 180 from the left: centred on the whole title.
        {"centre over the whole title", {e(A::tbaCenter, 40)}, {280}},
        {"centre ignores wide left items", {e(A::tbaLeft, 150), e(A::tbaCenter, 40)}, {100, 280}},
        // Between 100 + 60 and 400 - 40: (300 - 40 - 60 - 20) / 2 = 90 after the left group.
        {"centre in the space between groups",
         {e(A::tbaLeft, 60), e(A::tbaRight, 40), e(A::tbaCenterInSpace, 20)},
         {100, 360, 250}},
        {"hidden items take no room",
         {e(A::tbaLeft, 20), TkvLayoutEntry{A::tbaLeft, TkvBtnStyle::bsButton, false, 50, 18}, e(A::tbaLeft, 10)},
         {100, 100, 120}},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.name);
        const TkvTitleItemsLayout l = LayoutTitleItems(a, c.entries);
        ASSERT_EQ(l.Boxes.size(), c.entries.size());
        for (size_t i = 0; i < c.entries.size(); ++i) {
            EXPECT_EQ(l.Boxes[i].Left, c.lefts[i]) << i;
            const int width = c.entries[i].Visible ? c.entries[i].Width : 0;
            EXPECT_EQ(l.Boxes[i].Right - l.Boxes[i].Left, width) << i;
        }
    }
}

TEST(TitleBarLayout, VerticalPlaceFollowsTheStyle)
{
    const TkvItemArea a{0, 4, 300, 30, 16, 300};
    struct {
        TkvBtnStyle style;
        int top;
    } cases[] = {
        {TkvBtnStyle::bsButton, 16 - 5}, {TkvBtnStyle::bsSpacing, 16 - 5}, {TkvBtnStyle::bsInfo, 16 - 5},
        {TkvBtnStyle::bsMenu, 4},        {TkvBtnStyle::bsTab, 30 - 11},
    };
    for (const auto& c : cases) {
        const TkvTitleItemsLayout l = LayoutTitleItems(a, {TkvLayoutEntry{TkvItemAlign::tbaLeft, c.style, true, 20, 11}});
        EXPECT_EQ(l.Boxes[0].Top, c.top) << int(c.style);
        EXPECT_EQ(l.Boxes[0].Bottom, c.top + 11) << int(c.style);
    }
    // The caption keeps 8 px from both groups.
    const TkvCaptionSpan s = TitleCaptionSpan(a, TkvGroupSums{40, 30, 0, 0});
    EXPECT_EQ(s.Left, 48);
    EXPECT_EQ(s.Right, 262);
}

// ---------------------------------------------------------------- measuring

// 7 px per character, 13 px high; the arrow 10 px wide.
TkvExtent SevenPerChar(const std::wstring& t) { return TkvExtent{7 * int(t.size()), 13}; }
constexpr int kArrow = 10;

TEST(TitleBarMeasure, SizesFromImageCaptionArrowAndStyle)
{
    using S = TkvBtnStyle;
    struct Case {
        const char* name;
        TkvMeasureInput in;
        TkvExtent content, item;
    } cases[] = {
        {"empty item", {S::bsButton, {}, L"", false}, {0, 0}, {16, 16}},
        {"caption only: 3 + 21 + 3 wide, 3 + 13 + 3 high", {S::bsButton, {}, L"abc", false}, {21, 13}, {27, 19}},
        {"image and caption with the spacing between", {S::bsButton, {16, 16}, L"abc", false}, {41, 16}, {47, 22}},
        {"button with a drop-down: 1 px and the arrow", {S::bsButton, {}, L"abc", true}, {32, 13}, {38, 19}},
        {"menu: 4 px offsets on both sides, one row more", {S::bsMenu, {}, L"abc", false}, {21, 14}, {35, 20}},
        {"menu with a drop-down: 4 px and the arrow", {S::bsMenu, {}, L"abc", true}, {35, 14}, {49, 20}},
        {"tab: 4 px wider, one row more", {S::bsTab, {}, L"abc", false}, {25, 14}, {31, 20}},
        {"tab with a drop-down gets no arrow", {S::bsTab, {}, L"abc", true}, {25, 14}, {31, 20}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TkvMeasured m = MeasureTitleItem(c.in, SevenPerChar, kArrow);
        EXPECT_EQ(m.Content.Width, c.content.Width);
        EXPECT_EQ(m.Content.Height, c.content.Height);
        EXPECT_EQ(m.Item.Width, c.item.Width);
        EXPECT_EQ(m.Item.Height, c.item.Height);
    }
}

// A form that is never shown, with a title bar whose text measurer is ours.
class TitleBarObjects : public testing::Test {
protected:
    void SetUp() override
    {
        form = new TForm(Application);
        bar = new TsTitleBar(form);
        bar->Measurer.Text = [](TkvTitleBarItem&, const String& t) { return SevenPerChar(t); };
        bar->Measurer.ArrowWidth = [] { return kArrow; };
    }
    void TearDown() override { Free(form); }
    TkvTitleBarItem* Tab(int group, bool visible = true)
    {
        TkvTitleBarItem* t = bar->Items().Add();
        t->SetStyle(TkvBtnStyle::bsTab);
        t->SetItemGroup(group);
        t->SetVisible(visible);
        t->OnClick = [this](TObject* s) { clicks.push_back(static_cast<TkvTitleBarItem*>(s)); };
        return t;
    }
    TForm* form = nullptr;
    TsTitleBar* bar = nullptr;
    std::vector<TkvTitleBarItem*> clicks;
};

TEST_F(TitleBarObjects, ItemsMeasureThemselvesWhenTheirContentChanges)
{
    TkvTitleBarItem* it = bar->Items().Add();
    EXPECT_EQ(it->Name(), L"TkvTitleBarItem");
    it->Measure(false);
    EXPECT_EQ(it->Width(), 16);
    EXPECT_EQ(it->Height(), 16);
    it->SetCaption(L"abcd");   // 28 px of text
    EXPECT_EQ(it->Width(), 34);
    TPopupMenu menu(form);
    it->SetStyle(TkvBtnStyle::bsMenu);
    const int plain = it->Width();
    it->DropdownMenu = &menu;
    it->Measure(false);
    EXPECT_EQ(it->Width(), plain + 4 + kArrow);
    // A fixed size stays when the content changes.
    it->SetAutoSize(false);
    it->SetWidth(60);
    it->SetCaption(L"a");
    it->Measure(true);
    EXPECT_EQ(it->Width(), 60);
    EXPECT_EQ(it->Content.Width, 7 + 4 + kArrow);
}

TEST_F(TitleBarObjects, ATabOfAGroupReleasesTheOthersHiddenOnesToo)
{
    TkvTitleBarItem* a = Tab(1);
    TkvTitleBarItem* b = Tab(1);
    TkvTitleBarItem* hidden = Tab(1, false);
    TkvTitleBarItem* other = Tab(2);
    b->SetDown(true);
    hidden->SetVisible(true);
    hidden->SetDown(true);
    hidden->SetVisible(false);
    other->SetDown(true);
    EXPECT_FALSE(b->Down());

    a->MouseDown(TMouseButton::mbLeft, TShiftState{}, 0, 0);
    EXPECT_TRUE(a->Down());
    EXPECT_EQ(a->EffectiveState(), isPressed);
    EXPECT_FALSE(b->Down());
    EXPECT_FALSE(hidden->Down());   // shown again, it must not be a second selected tab
    EXPECT_TRUE(other->Down());     // another group
    EXPECT_EQ(clicks, std::vector<TkvTitleBarItem*>{a});
    // Pressing the selected tab does nothing; it takes no hit code either.
    a->MouseDown(TMouseButton::mbLeft, TShiftState{}, 0, 0);
    EXPECT_EQ(clicks.size(), 1u);
    EXPECT_FALSE(a->Hittable());
    EXPECT_TRUE(b->Hittable());
}

TEST_F(TitleBarObjects, ButtonsClickOnReleaseAndDisabledOnesDoNothing)
{
    TkvTitleBarItem* it = bar->Items().Add();
    int clicks = 0, downs = 0;
    it->OnClick = [&](TObject*) { ++clicks; };
    it->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++downs; };
    it->MouseDown(TMouseButton::mbLeft, TShiftState{}, 0, 0);
    it->MouseDown(TMouseButton::mbLeft, TShiftState{}, 0, 0);   // a press is tracked already
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(clicks, 0);
    it->MouseUp(TMouseButton::mbLeft, TShiftState{}, 0, 0);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(it->State(), isHot);
    it->MouseDown(TMouseButton::mbLeft, TShiftState{}, 0, 0);
    it->CancelPress();   // let go elsewhere
    it->MouseUp(TMouseButton::mbLeft, TShiftState{}, 0, 0);
    EXPECT_EQ(clicks, 1);
    it->Enabled = false;
    it->MouseDown(TMouseButton::mbLeft, TShiftState{}, 0, 0);
    it->MouseUp(TMouseButton::mbLeft, TShiftState{}, 0, 0);
    EXPECT_EQ(downs, 2);
    EXPECT_EQ(clicks, 1);
    // Spacers and info items never take a hit code.
    it->SetStyle(TkvBtnStyle::bsSpacing);
    EXPECT_FALSE(it->Hittable());
    it->SetStyle(TkvBtnStyle::bsInfo);
    EXPECT_FALSE(it->Hittable());
}

TEST_F(TitleBarObjects, CollectionIndexAndAssign)
{
    TkvTitleBarItem* a = bar->Items().Add();
    TkvTitleBarItem* b = bar->Items().Add();
    TkvTitleBarItem* c = bar->Items().Add();
    c->SetIndex(0);
    EXPECT_EQ(bar->Items().Items(0), c);
    EXPECT_EQ(a->Index(), 1);
    EXPECT_EQ(b->Index(), 2);
    b->SetIndex(99);   // clamped
    EXPECT_EQ(b->Index(), 2);
    a->SetCaption(L"Copy me");
    a->SetStyle(TkvBtnStyle::bsMenu);
    a->SetItemGroup(3);
    a->SetName(L"First");
    a->Hint = L"hint";
    a->SetSkinSection(L"OWN");   // not copied
    c->Assign(a);
    EXPECT_EQ(c->Caption(), L"Copy me");
    EXPECT_EQ(c->Style(), TkvBtnStyle::bsMenu);
    EXPECT_EQ(c->ItemGroup(), 3);
    EXPECT_EQ(c->Name(), L"First");
    EXPECT_EQ(c->Hint, L"hint");
    EXPECT_EQ(c->SkinSection(), L"");
}

// A component that hears what its owner hears.
class Listener : public TComponent {
public:
    using TComponent::TComponent;
    std::vector<TOperation> heard;

protected:
    void Notification(TComponent* c, TOperation op) override
    {
        TComponent::Notification(c, op);
        if (c != this)
            heard.push_back(op);
    }
};

TEST(TitleBarCreation, AnOwnerThatIsNoFormLeavesNothingBehind)
{
    TComponent owner(nullptr);
    auto* listener = new Listener(&owner);
    try {
        new TsTitleBar(&owner);
        FAIL() << "no exception";
    } catch (const EAbort& e) {
        EXPECT_EQ(e.Message(), L"TsTitleBar component may be used with forms only!");
    }
    // Nobody heard of a title bar arriving or leaving: it never registered.
    EXPECT_TRUE(listener->heard.empty());
    EXPECT_EQ(owner.ComponentCount(), 1);
    EXPECT_THROW(new TsTitleBar(nullptr), EAbort);
}

// ---------------------------------------------------------------- states, sections, picture, fade

TEST(TitleBarRules, EffectiveStateIsPressedWhileDownOrDroppedDown)
{
    struct {
        int state;
        bool down, dropped;
        int expected;
    } cases[] = {
        {isNormal, false, false, isNormal}, {isHot, false, false, isHot}, {isNormal, true, false, isPressed},
        {isHot, false, true, isPressed},    {isNormal, true, true, isPressed},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EffectiveItemState(c.state, c.down, c.dropped), c.expected) << c.state << c.down << c.dropped;
}

TEST(TitleBarRules, SectionFallsBackByStyle)
{
    using S = TkvBtnStyle;
    struct {
        S style;
        std::wstring own;
        std::vector<std::wstring> skin;
        std::wstring expected;
    } cases[] = {
        {S::bsButton, L"MINE", {L"MINE", L"TB_BTN"}, L"MINE"},
        {S::bsButton, L"MISSING", {L"TB_BTN", L"TOOLBUTTON"}, L"TB_BTN"},
        {S::bsButton, L"", {L"TOOLBUTTON"}, L"TOOLBUTTON"},
        {S::bsMenu, L"", {L"TB_MENUBTN"}, L"TB_MENUBTN"},
        {S::bsMenu, L"", {L"TOOLBUTTON", L"TABTOP"}, L""},   // the default picture then
        {S::bsTab, L"", {L"TB_TAB", L"TABTOP"}, L"TB_TAB"},
        {S::bsTab, L"", {L"TABTOP"}, L"TABTOP"},
        {S::bsInfo, L"", {L"TB_BTN", L"TOOLBUTTON"}, L""},
        {S::bsInfo, L"MINE", {L"MINE"}, L"MINE"},
    };
    for (const auto& c : cases) {
        auto has = [&](const std::wstring& n) { return std::find(c.skin.begin(), c.skin.end(), n) != c.skin.end(); };
        EXPECT_EQ(TitleItemSectionName(c.style, c.own, has), c.expected) << int(c.style) << " " << c.own.size();
    }
}

TEST(TitleBarRules, MenuButtonPictureConversion)
{
    struct {
        uint32_t in, out;
    } cases[] = {
        {0x00FF00FFu, 0x00FF00FFu},   // key: untouched
        {0x12FF00FFu, 0x12FF00FFu},
        // alpha 0 -> 255; 255 * 255 / 256 = 254, 128 -> 127, 64 -> 63
        {0x00FF8040u, 0xFFFE7F3Fu},
        // alpha 0x80 -> 127; 255 * 127 / 256 = 126, 128 -> 63, 64 -> 31
        {0x80FF8040u, 0x7F7E3F1Fu},
        {0xFF123456u, 0x00000000u},   // alpha 255 -> 0: nothing left
    };
    std::vector<uint32_t> px;
    for (const auto& c : cases)
        px.push_back(c.in);
    ConvertMenuButtonPixels(PixelView{px.data(), ptrdiff_t(px.size() * 4), int(px.size()), 1});
    for (size_t i = 0; i < px.size(); ++i)
        EXPECT_EQ(px[i], cases[i].out) << std::hex << cases[i].in;
}

TEST(TitleBarRules, TheLibraryCarriesItsMenuButtonPicture)
{
    TBitmap b;
    LoadMenuButtonPicture(b);
    ASSERT_FALSE(b.Empty());
    ASSERT_EQ(b.Width() % kMenuButtonFrames, 0);
    PixelView v = b.View();
    const int fw = v.width / kMenuButtonFrames;
    for (int f = 0; f < kMenuButtonFrames; ++f) {
        // Rounded bottom corners are key pixels; the middle of a frame is opaque.
        EXPECT_EQ(v.At(f * fw, v.height - 1) & 0xFFFFFFu, kMenuButtonKey) << f;
        EXPECT_EQ(v.At(f * fw + fw / 2, v.height / 2) >> 24, 255u) << f;
    }
    // Painted nine-part into a wider target of the same height: the corner
    // keeps what was under it, the centre is stretched sideways only (the
    // frames' colours change from top to bottom, not across).
    std::vector<uint32_t> dst(60 * v.height, 0xFF102030u);
    PixelView d{dst.data(), 60 * 4, 60, v.height};
    PaintMenuButtonFrame(d, 0, 0, 60, v.height, v, 1);
    EXPECT_EQ(d.At(0, v.height - 1), 0xFF102030u);
    for (int x : {12, 30, 47})
        EXPECT_EQ(d.At(x, v.height / 2), v.At(fw + fw / 2, v.height / 2)) << x;
}

TEST(TitleBarRules, FadeSteps)
{
    // Ten steps: 25 more alpha per tick, full at the end of a fade-in.
    TkvFadeSteps f(10);
    std::vector<int> alphas;
    TkvFadeSteps::Frame fr = f.Start(isHot);
    alphas.push_back(fr.Alpha);
    while (!fr.Finished && alphas.size() < 40) {
        fr = f.Tick();
        alphas.push_back(fr.Alpha);
    }
    EXPECT_EQ(alphas, (std::vector<int>{25, 50, 75, 100, 125, 150, 175, 200, 225, 250, 255}));
    EXPECT_TRUE(fr.FadedIn);
    EXPECT_FALSE(f.Running());
    // The same target again starts nothing.
    EXPECT_EQ(f.Start(isHot).Alpha, -1);

    // Back to normal: down from where the fade-in ended, then the picture goes.
    alphas.clear();
    fr = f.Start(isNormal);
    alphas.push_back(fr.Alpha);
    while (!fr.Finished && alphas.size() < 40) {
        fr = f.Tick();
        alphas.push_back(fr.Alpha);
    }
    EXPECT_EQ(alphas, (std::vector<int>{225, 200, 175, 150, 125, 100, 75, 50, 25, -1}));
    EXPECT_TRUE(fr.Drop);
    EXPECT_EQ(f.TargetState(), -1);

    // A fade-out half-way through a fade-in goes back from there.
    TkvFadeSteps g(10);
    g.Start(isHot);
    g.Tick();
    g.Tick();   // step 3: alpha 75
    EXPECT_EQ(g.Start(isNormal).Alpha, 50);
    // One step: at once.
    TkvFadeSteps one(1);
    fr = one.Start(isPressed);
    EXPECT_EQ(fr.Alpha, 255);
    EXPECT_TRUE(fr.Finished);
    EXPECT_FALSE(one.Running());
}

// ---------------------------------------------------------------- in a skinned title

// Dismisses the next drop-down from a timer and records where it showed.
RECT g_menuRect{};
int g_menuTries = 0;
BOOL CALLBACK FindMenuWindow(HWND wnd, LPARAM found)
{
    wchar_t cls[16]{};
    GetClassNameW(wnd, cls, 16);
    if (IsWindowVisible(wnd) && lstrcmpW(cls, L"#32768") == 0) {
        *reinterpret_cast<HWND*>(found) = wnd;
        return FALSE;
    }
    return TRUE;
}
void CALLBACK DismissMenu(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND menu = nullptr;
    EnumWindows(FindMenuWindow, reinterpret_cast<LPARAM>(&menu));
    if (menu)
        GetWindowRect(menu, &g_menuRect);
    if (menu || ++g_menuTries > 20) {
        KillTimer(nullptr, id);
        EndMenu();
    }
}

class TitleBarForm : public SkinRuntime {
protected:
    void Make(bool extendedBorders = false)
    {
        m = SampleManager();
        m->SetExtendedBorders(extendedBorders);
        f = NewForm(520, 240);
        SetWindowTextW(f->Handle(), L"Items");
        bar = new TsTitleBar(f);
        auto add = [&](TkvBtnStyle s, const wchar_t* caption, TkvItemAlign a = TkvItemAlign::tbaLeft) {
            TkvTitleBarItem* it = bar->Items().Add();
            it->SetStyle(s);
            it->SetCaption(caption);
            it->SetAlign(a);
            return it;
        };
        button = add(TkvBtnStyle::bsButton, L"Save");
        glyphButton = add(TkvBtnStyle::bsButton, L"");
        TBitmap glyph(16, 16, TPixelFormat::pf24bit);
        glyph.Canvas().Brush().SetColor(clFuchsia);   // the corner pixel: transparent
        glyph.Canvas().FillRect(RECT{0, 0, 16, 16});
        glyph.Canvas().Brush().SetColor(TColor(0x2080E0));
        glyph.Canvas().FillRect(RECT{3, 3, 13, 13});
        glyphButton->SetGlyph(&glyph);
        menuItem = add(TkvBtnStyle::bsMenu, L"File");
        spacer = add(TkvBtnStyle::bsSpacing, L"");
        spacer->SetWidth(12);
        tab1 = add(TkvBtnStyle::bsTab, L"Pages", TkvItemAlign::tbaCenterInSpace);
        tab2 = add(TkvBtnStyle::bsTab, L"Notes", TkvItemAlign::tbaCenterInSpace);
        info = add(TkvBtnStyle::bsInfo, L"v1", TkvItemAlign::tbaRight);
        tab1->SetDown(true);
        dropdown = new TPopupMenu(f);
        auto* mi = new TMenuItem();
        mi->SetCaption(L"Open");
        dropdown->Items()->Add(mi);
        menuItem->DropdownMenu = dropdown;
        menuItem->Measure(false);
        f->Show();
        Pump(30);
        p = TsSkinProvider::Create(f);
        p->AllowAnimation = false;
        wnd = f->Handle();
        ASSERT_TRUE(p->Skinned());
        p->RefreshFormFrame();
        Pump(30);
    }
    TsFramePainter& Painter() { return FramePainterOf(*p); }
    void ExpectItemHitCodes();
    // Item rectangles lie in the frame picture: the border window's when there is one.
    POINT ScreenOf(const RECT& r, bool centre = true)
    {
        RECT wr{};
        TkvBorderWindow* border = p->BorderForm() ? p->BorderForm()->WindowIfMade() : nullptr;
        GetWindowRect(border ? border->Handle() : wnd, &wr);
        return centre ? POINT{wr.left + (r.left + r.right) / 2, wr.top + (r.top + r.bottom) / 2}
                      : POINT{wr.left + r.left, wr.top + r.bottom};
    }
    int HitAt(POINT s) { return int(SendMessageW(wnd, WM_NCHITTEST, 0, MAKELPARAM(s.x, s.y))); }
    std::vector<uint32_t> CachePixels(const RECT& r)
    {
        EXPECT_TRUE(Painter().PaintFrameToCache());
        PixelView v = Painter().Cache()->View();
        std::vector<uint32_t> out;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                out.push_back(v.At(x, y) & 0xFFFFFFu);
        return out;
    }

    TsSkinManager* m = nullptr;
    TSkinTestForm* f = nullptr;
    TsSkinProvider* p = nullptr;
    TsTitleBar* bar = nullptr;
    TkvTitleBarItem *button = nullptr, *glyphButton = nullptr, *menuItem = nullptr, *spacer = nullptr, *tab1 = nullptr, *tab2 = nullptr,
                    *info = nullptr;
    TPopupMenu* dropdown = nullptr;
    HWND wnd = nullptr;
};

}  // namespace

void TitleBarForm::ExpectItemHitCodes()
{
    const RECT area{bar->Area.Left, bar->Area.Top, bar->Area.Right, bar->Area.Bottom};
    ASSERT_GT(area.right - area.left, 200);
    struct {
        TkvTitleBarItem* item;
        int expected;   // 0: not an item code
    } cases[] = {{button, 2000}, {glyphButton, 2001}, {menuItem, 2002}, {spacer, 0}, {tab1, 0}, {tab2, 2005}, {info, 0}};
    for (const auto& c : cases) {
        const RECT r = c.item->Rect;
        ASSERT_GT(r.right, r.left);
        EXPECT_GE(r.left, area.left);
        EXPECT_LE(r.right, area.right);
        const int code = HitAt(ScreenOf(r));
        if (c.expected) {
            EXPECT_EQ(code, c.expected) << c.item->Index();
        } else {
            EXPECT_TRUE(code < kTitleBarItemBase || code >= kTitleBarItemBase + kTitleElementRange)
                << c.item->Index() << " " << code;
        }
    }
    // The tabs sit at the bottom of the area, the menu button at its top.
    EXPECT_EQ(tab2->Rect.bottom, area.bottom);
    EXPECT_EQ(menuItem->Rect.top, area.top);
}

TEST_F(TitleBarForm, ItemsAnswerTheFramesHitTest)
{
    Make();
    ExpectItemHitCodes();
}

TEST_F(TitleBarForm, ItemsAnswerTheBorderWindowsHitTest)
{
    Make(true);
    ASSERT_NE(p->BorderForm(), nullptr);
    ASSERT_NE(p->BorderForm()->WindowIfMade(), nullptr);
    ExpectItemHitCodes();
}

TEST_F(TitleBarForm, AClickFiresOnClickAndATabIsSelectedAtOnce)
{
    Make();
    int clicks = 0;
    button->OnClick = [&](TObject*) { ++clicks; };
    button->Hint = L"Saves the pages";
    button->ShowHint = true;
    const POINT b = ScreenOf(button->Rect);
    SetCursorPos(b.x, b.y);
    SendMessageW(wnd, WM_NCMOUSEMOVE, 2000, MAKELPARAM(b.x, b.y));
    EXPECT_EQ(button->State(), isHot);
    // The hint shows below right of the cursor, topmost, without taking the activation.
    ASSERT_NE(button->HintWindow(), nullptr);
    HWND hint = button->HintWindow()->Handle();
    ASSERT_TRUE(IsWindow(hint));
    EXPECT_TRUE(IsWindowVisible(hint));
    EXPECT_NE(GetActiveWindow(), hint);
    EXPECT_TRUE(GetWindowLongW(hint, GWL_EXSTYLE) & WS_EX_TOPMOST);
    RECT hr{};
    GetWindowRect(hint, &hr);
    EXPECT_EQ(hr.left, b.x + 8);
    EXPECT_EQ(hr.top, b.y + 16);
    SendMessageW(wnd, WM_NCLBUTTONDOWN, 2000, MAKELPARAM(b.x, b.y));
    EXPECT_EQ(button->State(), isPressed);
    EXPECT_EQ(clicks, 0);
    SendMessageW(wnd, WM_NCLBUTTONUP, 2000, MAKELPARAM(b.x, b.y));
    EXPECT_EQ(clicks, 1);
    SendMessageW(wnd, WM_NCMOUSELEAVE, 0, 0);
    EXPECT_FALSE(IsWindow(hint));

    const POINT t = ScreenOf(tab2->Rect);
    SendMessageW(wnd, WM_NCLBUTTONDOWN, 2005, MAKELPARAM(t.x, t.y));
    Pump(10);
    EXPECT_TRUE(tab2->Down());
    EXPECT_FALSE(tab1->Down());
    EXPECT_EQ(p->PressedElement(), kNoElement);
    EXPECT_EQ(HitAt(ScreenOf(tab1->Rect)), 2004);   // the released tab is hit again
}

TEST_F(TitleBarForm, TheDropDownOpensAtTheItemsBottomLeftCorner)
{
    Make();
    int clicks = 0;
    menuItem->OnClick = [&](TObject*) { ++clicks; };
    g_menuRect = RECT{};
    g_menuTries = 0;
    SetTimer(nullptr, 0, 100, DismissMenu);
    const POINT c = ScreenOf(menuItem->Rect);
    const POINT corner = ScreenOf(menuItem->Rect, false);
    SendMessageW(wnd, WM_NCLBUTTONDOWN, 2002, MAKELPARAM(c.x, c.y));
    Pump(10);
    EXPECT_EQ(g_menuRect.left, corner.x);
    EXPECT_EQ(g_menuRect.top, corner.y);
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(menuItem->DropdownShown());
    EXPECT_EQ(menuItem->State(), isNormal);
    EXPECT_EQ(p->PressedElement(), kNoElement);
}

TEST_F(TitleBarForm, ChangingACaptionRepaintsTheTitle)
{
    Make();
    const RECT before = button->Rect;
    const std::vector<uint32_t> old = CachePixels(before);
    button->SetCaption(L"Load all");
    Pump(30);
    EXPECT_GT(button->Rect.right - button->Rect.left, before.right - before.left);
    EXPECT_NE(CachePixels(before), old);
    // The screen shows the cache.
    const POINT inside = ScreenOf(button->Rect);
    RECT wr{};
    GetWindowRect(wnd, &wr);
    HDC dc = GetWindowDC(wnd);
    const COLORREF shown = GetPixel(dc, inside.x - wr.left, inside.y - wr.top);
    ReleaseDC(wnd, dc);
    const uint32_t cached = Painter().Cache()->View().At(inside.x - wr.left, inside.y - wr.top);
    EXPECT_EQ(shown, RGB((cached >> 16) & 0xFF, (cached >> 8) & 0xFF, cached & 0xFF));
}

TEST_F(TitleBarForm, ScreenshotWithHotAndPressedItems)
{
    Make();
    bar->SetShowCaption(true);
    const POINT b = ScreenOf(button->Rect);
    SetCursorPos(b.x, b.y);
    SendMessageW(wnd, WM_NCMOUSEMOVE, 2000, MAKELPARAM(b.x, b.y));
    const std::vector<uint32_t> hot = CachePixels(button->Rect);
    const std::vector<uint32_t> menuNormal = CachePixels(menuItem->Rect);
    menuItem->SetState(isPressed);
    Painter().PaintTitleButton(2002);
    Pump(10);
    EXPECT_NE(CachePixels(menuItem->Rect), menuNormal);
    SaveWindowShot(wnd, L"titlebar_items");
    SendMessageW(wnd, WM_NCMOUSELEAVE, 0, 0);
    EXPECT_EQ(button->State(), isNormal);
    EXPECT_NE(CachePixels(button->Rect), hot);
}

TEST_F(TitleBarForm, HoverFadesOnALayeredWindowOverTheItem)
{
    Make();
    p->AllowAnimation = true;
    const POINT b = ScreenOf(button->Rect);
    SetCursorPos(b.x, b.y);
    SendMessageW(wnd, WM_NCMOUSEMOVE, 2000, MAKELPARAM(b.x, b.y));
    TkvItemAnimation* a = button->Animation();
    ASSERT_NE(a, nullptr);
    HWND glow = a->GlowWindow();
    ASSERT_TRUE(IsWindow(glow));
    EXPECT_TRUE(IsWindowVisible(glow));
    EXPECT_TRUE(GetWindowLongW(glow, GWL_EXSTYLE) & WS_EX_LAYERED);
    EXPECT_TRUE(GetWindowLongW(glow, GWL_EXSTYLE) & WS_EX_TRANSPARENT);
    // Centred on the item with the item's size: exactly over it.
    RECT gr{}, wr{};
    GetWindowRect(glow, &gr);
    GetWindowRect(wnd, &wr);
    EXPECT_EQ(gr.left, wr.left + button->Rect.left);
    EXPECT_EQ(gr.top, wr.top + button->Rect.top);
    EXPECT_EQ(gr.right - gr.left, button->Rect.right - button->Rect.left);
    // The picture is the item as it is painted hot.
    ASSERT_NE(a->Picture(), nullptr);
    EXPECT_EQ(a->Picture()->Width(), button->Rect.right - button->Rect.left);
    for (int i = 0; i < 20 && a->Steps().Running(); ++i)
        a->StepOnce();
    EXPECT_FALSE(a->Steps().Running());
    EXPECT_EQ(a->Steps().TargetState(), isHot);
    // Leaving fades out and drops the window at the end.
    SendMessageW(wnd, WM_NCMOUSELEAVE, 0, 0);
    ASSERT_EQ(button->Animation(), a);
    for (int i = 0; i < 20 && a->Steps().Running(); ++i)
        a->StepOnce();
    EXPECT_EQ(a->Steps().TargetState(), -1);
    EXPECT_FALSE(IsWindow(glow));
    EXPECT_EQ(a->GlowWindow(), nullptr);
}

TEST_F(TitleBarForm, AnImageListChangeResizesItsItemsAndItsRemovalIsNoticed)
{
    Make();
    auto* images = new TCustomImageList(f);
    images->SetSize(24, 24);
    bar->SetImages(images);
    button->SetImageIndex(0);   // not there yet: the caption alone
    const int before = button->Width();
    TBitmap pic(24, 24, TPixelFormat::pf24bit);
    images->Add(&pic, nullptr);
    EXPECT_EQ(button->Width(), before + 24 + button->Spacing());
    Free(images);
    EXPECT_EQ(bar->Images(), nullptr);
    button->Measure(false);
    EXPECT_EQ(button->Width(), before);
}

TEST_F(TitleBarForm, ADisabledItemIsMixedHalfWayIntoTheTitle)
{
    Make();
    const RECT r = glyphButton->Rect;
    const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    auto pixelAt = [&](int x, int y) {
        EXPECT_TRUE(Painter().PaintFrameToCache());
        return Painter().Cache()->View().At(x, y);
    };
    const uint32_t under = pixelAt(r.left, r.top);   // the glyph's key corner: the title shows
    const uint32_t enabled = pixelAt(cx, cy);
    ASSERT_NE(enabled & 0xFFFFFFu, under & 0xFFFFFFu);
    glyphButton->Enabled = false;
    const uint32_t disabled = pixelAt(cx, cy);
    for (int shift : {0, 8, 16}) {
        const int e = int(enabled >> shift) & 0xFF, u = int(under >> shift) & 0xFF, d = int(disabled >> shift) & 0xFF;
        EXPECT_NEAR(d, (e + u) / 2, 2) << shift;
    }
    // A disabled item takes no click.
    int clicks = 0;
    glyphButton->OnClick = [&](TObject*) { ++clicks; };
    const POINT c = ScreenOf(r);
    SendMessageW(wnd, WM_NCLBUTTONDOWN, 2001, MAKELPARAM(c.x, c.y));
    SendMessageW(wnd, WM_NCLBUTTONUP, 2001, MAKELPARAM(c.x, c.y));
    EXPECT_EQ(clicks, 0);
}

namespace {

// A colour as the cache's pixels hold it (0xRRGGBB).
uint32_t CacheColor(TColor c)
{
    const COLORREF rgb = ColorToRGB(c);
    return uint32_t(GetRValue(rgb)) << 16 | uint32_t(GetGValue(rgb)) << 8 | GetBValue(rgb);
}

// One contour side of a section's state row in colour c; the others none.
void SetContour(TsGenState& row, int side, TColor c)
{
    TColor32* sides[4] = {&row.TCLeft, &row.TCTop, &row.TCRight, &row.TCBottom};
    for (int i = 0; i < 4; ++i)
        *sides[i] = i == side ? c : TColor32(-1);
}

}  // namespace

TEST_F(TitleBarForm, CaptionsTakeTheContourColoursOfTheirState)
{
    Make();
    ASSERT_NE(button->SkinData, nullptr);
    const int own = button->SkinData->SectionIndex;   // the button's section (a fallback: it names none)
    const int title = m->FindSectionIndex(L"FORMTITLE");
    ASSERT_TRUE(m->IsSectionIndexValid(own));
    ASSERT_TRUE(m->IsSectionIndexValid(title));
    // Colours found nowhere else in the title: the idle button shows the
    // title's contours (it looks like the caption), the hot one its section's.
    const TColor idle = TColor(0x1020F0), hot = TColor(0xF010F0);
    auto count = [](const std::vector<uint32_t>& px, TColor c) {
        return std::count(px.begin(), px.end(), CacheColor(c));
    };
    struct {
        const char* name;
        int state;
        bool formEnabled;
        TColor shown, hidden;   // -1: none of them shows
    } cases[] = {
        {"idle: the title section's contour", isNormal, true, idle, hot},
        {"hot: the section's hot contour", isHot, true, hot, idle},
        {"a disabled form draws none", isHot, false, TColor(-1), TColor(-1)},
    };
    for (int side = 0; side < 4; ++side) {
        for (TsGenState& row : m->gd()[size_t(title)].Props)
            SetContour(row, side, idle);
        SetContour(m->gd()[size_t(own)].Props[0], side, TColor(-1));
        SetContour(m->gd()[size_t(own)].Props[1], side, hot);
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + ", side " + std::to_string(side));
            f->SetEnabled(c.formEnabled);
            button->SetState(c.state);
            const std::vector<uint32_t> px = CachePixels(button->Rect);
            if (c.shown != TColor(-1)) {
                EXPECT_GT(count(px, c.shown), 0);
                EXPECT_EQ(count(px, c.hidden), 0);
            } else {
                EXPECT_EQ(count(px, idle) + count(px, hot), 0);
            }
        }
        f->SetEnabled(true);
    }
}

TEST_F(TitleBarForm, TheSelectedTabStandsFullHeightOverItsNeighbours)
{
    Make();
    ASSERT_EQ(tab1->Rect.right, tab2->Rect.left);   // neighbours, the selected one first
    ASSERT_NE(tab1->SkinData, nullptr);
    const int mask = tab1->SkinData->BorderMask;
    ASSERT_TRUE(m->IsMaskIndexValid(mask));
    const TsMaskData& md = m->ma()[size_t(mask)];
    ASSERT_EQ(md.Bmp, nullptr);   // cut from the master bitmap
    const int fw = MaskFrameWidth(md), fh = MaskStateHeight(md);
    // A pixel of a state's frame of the tab mask.
    auto maskAt = [&](int frame, int x, int y) {
        return m->MasterBitmap()->Row(md.SourceRect.top + y)[md.SourceRect.left + frame * fw + x] & 0xFFFFFFu;
    };
    // Selected (frame 2), normal (0) and hot (1) frames differ where the test looks.
    ASSERT_NE(maskAt(2, fw / 2, 1), maskAt(0, fw / 2, 1));
    ASSERT_NE(maskAt(1, fw - 1, fh / 2), maskAt(0, fw - 1, fh / 2));

    ASSERT_TRUE(Painter().PaintFrameToCache());
    auto at = [&](int x, int y) { return Painter().Cache()->View().At(x, y) & 0xFFFFFFu; };
    const int areaHeight = bar->Area.Bottom - bar->Area.Top;
    auto tabTop = [&](TkvTitleBarItem* t) {
        const int h = t->Rect.bottom - t->Rect.top;
        return t->Rect.bottom - std::min(h, areaHeight - 2) + (t->Down() ? 0 : 2);
    };
    const int top1 = tabTop(tab1), top2 = tabTop(tab2);
    const int mid1 = (top1 + tab1->Rect.bottom) / 2, mid2 = (top2 + tab2->Rect.bottom) / 2;
    const int c1 = (tab1->Rect.left + tab1->Rect.right) / 2, c2 = (tab2->Rect.left + tab2->Rect.right) / 2;
    EXPECT_EQ(top1, tab1->Rect.bottom - std::min<int>(tab1->Rect.bottom - tab1->Rect.top, areaHeight - 2));
    // The selected tab: its selected frame from its full-height top, its
    // border 2 px outside its slot on both sides.
    EXPECT_EQ(at(c1, top1 + 1), maskAt(2, fw / 2, 1));
    EXPECT_EQ(at(tab1->Rect.left - 2, mid1), maskAt(2, 0, fh / 2));
    EXPECT_EQ(at(tab1->Rect.right + 1, mid1), maskAt(2, fw - 1, fh / 2));
    // The other: 2 px lower, in its normal frame.
    EXPECT_EQ(at(c2, top2 + 1), maskAt(0, fw / 2, 1));
    EXPECT_EQ(at(tab2->Rect.right - 1, mid2), maskAt(0, fw - 1, fh / 2));

    // Hovered, the other tab shows its hot frame and the selected one still stands over it.
    const POINT t = ScreenOf(tab2->Rect);
    SetCursorPos(t.x, t.y);
    SendMessageW(wnd, WM_NCMOUSEMOVE, 2005, MAKELPARAM(t.x, t.y));
    ASSERT_EQ(tab2->State(), isHot);
    EXPECT_EQ(at(tab2->Rect.right - 1, mid2), maskAt(1, fw - 1, fh / 2));
    EXPECT_EQ(at(tab1->Rect.right + 1, mid1), maskAt(2, fw - 1, fh / 2));
    SendMessageW(wnd, WM_NCMOUSELEAVE, 0, 0);
}

TEST_F(TitleBarForm, TheFadePictureIsTheItemOverTheTitleAndOpaque)
{
    Make();
    p->AllowAnimation = true;
    const std::vector<uint32_t> normal = CachePixels(button->Rect);
    const POINT b = ScreenOf(button->Rect);
    SetCursorPos(b.x, b.y);
    SendMessageW(wnd, WM_NCMOUSEMOVE, 2000, MAKELPARAM(b.x, b.y));
    ASSERT_NE(button->Animation(), nullptr);
    ASSERT_NE(button->Animation()->GlowWindow(), nullptr);
    // While the fade window shows the hot item, the title keeps it normal under the window.
    EXPECT_EQ(CachePixels(button->Rect), normal);
    TBitmap* picture = button->Animation()->Picture();
    ASSERT_NE(picture, nullptr);
    const RECT r = button->Rect;
    PixelView pv = picture->View();
    ASSERT_EQ(pv.width, r.right - r.left);
    ASSERT_EQ(pv.height, r.bottom - r.top);
    int transparent = 0;
    std::vector<uint32_t> shown;
    for (int y = 0; y < pv.height; ++y)
        for (int x = 0; x < pv.width; ++x) {
            transparent += (pv.At(x, y) >> 24) != 0xFF;
            shown.push_back(pv.At(x, y) & 0xFFFFFFu);
        }
    // Whether layered windows are composed or not, the picture shows what
    // the title shows of the hot item without a fade: every pixel opaque.
    EXPECT_EQ(transparent, 0);
    button->FreeAnimation();
    ASSERT_EQ(button->State(), isHot);
    EXPECT_EQ(CachePixels(button->Rect), shown);
    EXPECT_NE(shown, normal);
    SendMessageW(wnd, WM_NCMOUSELEAVE, 0, 0);
}

TEST_F(TitleBarForm, AHintAtTheScreensEdgeStaysInTheWorkArea)
{
    Make();
    button->Hint = L"A hint that would leave the screen";
    button->ShowHint = true;
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    // The item is hovered while the cursor stands at the work area's bottom-right corner.
    SetCursorPos(work.right - 2, work.bottom - 2);
    POINT cursor{};
    GetCursorPos(&cursor);
    const POINT b = ScreenOf(button->Rect);
    SendMessageW(wnd, WM_NCMOUSEMOVE, 2000, MAKELPARAM(b.x, b.y));
    ASSERT_NE(button->HintWindow(), nullptr);
    HWND hint = button->HintWindow()->Handle();
    ASSERT_TRUE(IsWindow(hint));
    RECT hr{};
    GetWindowRect(hint, &hr);
    // Pushed back left and up: it ends at the work area's edges.
    EXPECT_EQ(hr.right, work.right);
    EXPECT_EQ(hr.bottom, work.bottom);
    EXPECT_LT(hr.left, cursor.x + 8);
    SendMessageW(wnd, WM_NCMOUSELEAVE, 0, 0);
}
