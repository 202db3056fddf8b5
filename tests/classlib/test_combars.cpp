// Group boxes, radio groups, tool bars, status bars and tab controls on real
// windows: what the system control holds, the events the user's actions and
// the control's drawing raise, and the pixels the handlers leave.
#include <gtest/gtest.h>

#include <algorithm>

#include "classlib/ComBars.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/PageControl.h"
#include "support/GuiTest.h"

#include <commctrl.h>

namespace {

struct Bars : ::testing::Test {
    TForm* form = nullptr;
    void SetUp() override
    {
        form = new TForm(Application);
        form->SetBounds(40, 40, 460, 340);
        form->Show();
        Pump(20);
    }
    void TearDown() override { Free(form); }
    template <class C>
    C* Add(int x, int y, int w, int h)
    {
        auto* c = new C(form);
        c->SetParent(form);
        c->SetBounds(x, y, w, h);
        return c;
    }
};

int CountColour(HWND wnd, const RECT& r, COLORREF c)
{
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if (WindowPixel(wnd, x, y) == c) ++n;
    return n;
}

}  // namespace

TEST_F(Bars, ToolBarMakesSystemButtonsAndReportsClicks)
{
    auto* tb = Add<TToolBar>(0, 0, 300, 30);
    tb->SetShowCaptions(true);
    tb->SetButtonSize(60, 24);
    TToolButton* open = tb->AddButton(L"Open");
    tb->AddButton(L"", TToolButtonStyle::tbsSeparator);
    TToolButton* bold = tb->AddButton(L"Bold", TToolButtonStyle::tbsCheck);
    tb->HandleNeeded();
    Pump(20);
    HWND h = tb->Handle();
    ASSERT_EQ(SendMessageW(h, TB_BUTTONCOUNT, 0, 0), 3);
    TBBUTTON b{};
    SendMessageW(h, TB_GETBUTTON, 1, LPARAM(&b));
    EXPECT_TRUE(b.fsStyle & BTNS_SEP);
    wchar_t text[32] = {};
    SendMessageW(h, TB_GETBUTTONTEXTW, 2, LPARAM(text));
    EXPECT_STREQ(text, L"Bold");

    int clicks = 0;
    open->OnClick = [&](TObject*) { ++clicks; };
    RECT r = open->BoundsRect();
    MouseDownUp(h, (r.left + r.right) / 2, (r.top + r.bottom) / 2, TMouseButton::mbLeft);
    Pump(20);
    EXPECT_EQ(clicks, 1);
    r = bold->BoundsRect();
    MouseDownUp(h, (r.left + r.right) / 2, (r.top + r.bottom) / 2, TMouseButton::mbLeft);
    Pump(20);
    EXPECT_TRUE(bold->Down());

    open->SetEnabled(false);
    SendMessageW(h, TB_GETBUTTON, 0, LPARAM(&b));
    EXPECT_FALSE(b.fsState & TBSTATE_ENABLED);
}

TEST_F(Bars, ToolBarCustomDrawRunsEveryStageAndCanReplaceThePainting)
{
    auto* tb = Add<TToolBar>(0, 0, 300, 30);
    tb->SetButtonSize(40, 24);
    tb->AddButton(L"A");
    tb->AddButton(L"B");
    std::vector<std::pair<char, TCustomDrawStage>> seen;
    const COLORREF bar = RGB(0, 128, 0), button = RGB(200, 0, 0);
    tb->OnCustomDraw = [&](TToolBar* t, const RECT& rc, TCustomDrawStage st, bool& def) {
        seen.push_back({'T', st});
        if (st != TCustomDrawStage::cdPrePaint) return;
        def = false;
        HBRUSH br = CreateSolidBrush(bar);
        FillRect(t->Canvas().Handle(), &rc, br);
        DeleteObject(br);
    };
    tb->OnCustomDrawButton = [&](TToolBar* t, TToolButton* btn, TCustomDrawState, TCustomDrawStage st,
                                 TTBCustomDrawFlags& flags, bool& def) {
        seen.push_back({'B', st});
        if (st != TCustomDrawStage::cdPrePaint) return;
        def = false;
        flags |= tbNoEdges;
        RECT r = btn->BoundsRect();
        HBRUSH br = CreateSolidBrush(button);
        FillRect(t->Canvas().Handle(), &r, br);
        DeleteObject(br);
    };
    tb->Invalidate();
    tb->Update();
    Pump(30);
    auto has = [&](char who, TCustomDrawStage st) {
        return std::find(seen.begin(), seen.end(), std::make_pair(who, st)) != seen.end();
    };
    EXPECT_TRUE(has('T', TCustomDrawStage::cdPrePaint));
    EXPECT_TRUE(has('B', TCustomDrawStage::cdPrePaint));
    RECT r = tb->Buttons(1)->BoundsRect();
    EXPECT_EQ(WindowPixel(tb->Handle(), (r.left + r.right) / 2, (r.top + r.bottom) / 2), button);
    EXPECT_EQ(WindowPixel(tb->Handle(), 290, 15), bar);
}

TEST_F(Bars, StatusBarPanelsSimpleModeAndOwnerDrawnPanel)
{
    auto* sb = Add<TStatusBar>(0, 280, 400, 22);
    sb->AddPanel(L"Ready", 100);
    TStatusPanel& drawn = sb->AddPanel(L"", 120);
    drawn.Style = TStatusPanelStyle::psOwnerDraw;
    sb->AddPanel(L"Last", 50);
    const COLORREF ink = RGB(0, 0, 220);
    int calls = 0;
    sb->OnDrawPanel = [&](TStatusBar* s, TStatusPanel* p, const RECT& rc) {
        ++calls;
        EXPECT_EQ(p, &s->Panels(1));
        HBRUSH br = CreateSolidBrush(ink);
        FillRect(s->Canvas().Handle(), &rc, br);
        DeleteObject(br);
    };
    sb->PanelsChanged();
    sb->Update();
    Pump(30);
    HWND h = sb->Handle();
    int edges[8] = {};
    ASSERT_EQ(SendMessageW(h, SB_GETPARTS, 8, LPARAM(edges)), 3);
    EXPECT_EQ(edges[0], 100);
    EXPECT_EQ(edges[1], 220);
    EXPECT_GT(calls, 0);
    EXPECT_EQ(WindowPixel(h, 160, 11), ink);

    sb->SetSimpleText(L"Saving");
    sb->SetSimplePanel(true);
    EXPECT_TRUE(SendMessageW(h, SB_ISSIMPLE, 0, 0));
    wchar_t text[32] = {};
    GetWindowTextW(h, text, 32);
    EXPECT_STREQ(text, L"Saving");
}

TEST_F(Bars, TabControlTabsPositionsAndChange)
{
    struct Row {
        TTabPosition position;
        DWORD bits;
    } rows[] = {{TTabPosition::tpTop, 0}, {TTabPosition::tpBottom, TCS_BOTTOM},
                {TTabPosition::tpLeft, TCS_VERTICAL}, {TTabPosition::tpRight, TCS_VERTICAL | TCS_RIGHT}};
    for (const Row& row : rows) {
        auto* tc = Add<TTabControl>(10, 10, 300, 200);
        tc->SetTabs({L"One", L"Two", L"Three"});
        tc->SetTabPosition(row.position);
        tc->HandleNeeded();
        DWORD style = DWORD(GetWindowLongPtrW(tc->Handle(), GWL_STYLE));
        EXPECT_EQ(style & (TCS_BOTTOM | TCS_VERTICAL | TCS_RIGHT), row.bits);
        EXPECT_EQ(SendMessageW(tc->Handle(), TCM_GETITEMCOUNT, 0, 0), 3);
        EXPECT_EQ(tc->TabIndex(), 0);
        Free(tc);
    }
    auto* tc = Add<TTabControl>(10, 10, 300, 200);
    tc->SetTabs({L"One", L"Two"});
    int changes = 0;
    tc->OnChange = [&](TObject*) { ++changes; };
    Pump(20);
    RECT r{};
    SendMessageW(tc->Handle(), TCM_GETITEMRECT, 1, LPARAM(&r));
    MouseDownUp(tc->Handle(), (r.left + r.right) / 2, (r.top + r.bottom) / 2, TMouseButton::mbLeft);
    Pump(20);
    EXPECT_EQ(tc->TabIndex(), 1);
    EXPECT_EQ(changes, 1);
}

TEST_F(Bars, OwnerDrawnPageControlDrawsItsTabs)
{
    auto* pc = Add<TPageControl>(10, 10, 300, 200);
    for (const wchar_t* c : {L"First", L"Second"}) {
        auto* p = new TTabSheet(form);
        p->SetCaption(c);
        p->SetPageControl(pc);
    }
    std::vector<std::pair<int, bool>> drawn;
    const COLORREF ink = RGB(220, 0, 220);
    pc->OnDrawTab = [&](TPageControl* c, int i, const RECT& rc, bool active) {
        drawn.push_back({i, active});
        HBRUSH br = CreateSolidBrush(ink);
        FillRect(c->Canvas().Handle(), &rc, br);
        DeleteObject(br);
    };
    pc->SetOwnerDraw(true);
    pc->Update();
    Pump(30);
    EXPECT_NE(std::find(drawn.begin(), drawn.end(), std::make_pair(0, true)), drawn.end());
    EXPECT_NE(std::find(drawn.begin(), drawn.end(), std::make_pair(1, false)), drawn.end());
    RECT r = pc->TabRect(1);
    EXPECT_EQ(WindowPixel(pc->Handle(), (r.left + r.right) / 2, (r.top + r.bottom) / 2), ink);
    EXPECT_EQ(pc->PageCount(), 2);
}

TEST_F(Bars, GroupBoxPaintsItselfForAChildThatAsksForItsBackground)
{
    auto* gb = Add<TGroupBox>(10, 10, 200, 120);
    gb->SetCaption(L"Options");
    gb->SetColor(RGBColor(0, 90, 160));
    auto* child = new TPanel(form);
    child->SetParent(gb);
    child->SetBounds(20, 30, 60, 40);
    Pump(20);
    // The child's DC gets what the group box shows behind it.
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, 60, 40);
    HGDIOBJ old = SelectObject(mem, bmp);
    RECT all{0, 0, 60, 40};
    FillRect(mem, &all, HBRUSH(GetStockObject(WHITE_BRUSH)));
    EXPECT_TRUE(PaintParentBackground(child, mem));
    EXPECT_EQ(GetPixel(mem, 30, 20), RGB(0, 90, 160));
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    // An ordinary erase still goes the usual way.
    EXPECT_FALSE(PaintParentBackground(gb, nullptr));
}

TEST_F(Bars, RadioGroupButtonsFollowItemIndex)
{
    auto* rg = Add<TRadioGroup>(10, 10, 200, 120);
    rg->SetItems({L"Red", L"Green", L"Blue"});
    rg->HandleNeeded();
    rg->SetItemIndex(1);
    ASSERT_NE(rg->ButtonWindow(2), nullptr);
    EXPECT_EQ(SendMessageW(rg->ButtonWindow(1), BM_GETCHECK, 0, 0), BST_CHECKED);
    int clicks = 0;
    rg->OnClick = [&](TObject*) { ++clicks; };
    Pump(20);
    RECT r{};
    GetClientRect(rg->ButtonWindow(2), &r);
    MouseDownUp(rg->ButtonWindow(2), 5, (r.bottom) / 2, TMouseButton::mbLeft);
    Pump(20);
    EXPECT_EQ(rg->ItemIndex(), 2);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(SendMessageW(rg->ButtonWindow(1), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    // The buttons are class-library radio buttons that know their state.
    auto* radio = dynamic_cast<TRadioButton*>(rg->Buttons(2));
    ASSERT_NE(radio, nullptr);
    EXPECT_TRUE(radio->Checked());
    EXPECT_FALSE(rg->Buttons(1)->Checked());
    EXPECT_EQ(rg->Buttons(2)->Handle(), rg->ButtonWindow(2));
}

TEST_F(Bars, PanelBorderAndSpaceBevel)
{
    auto* p = Add<TPanel>(10, 10, 100, 60);
    p->SetBorderStyle(TBorderStyle::bsSingle);
    p->HandleNeeded();
    EXPECT_TRUE(GetWindowLongPtrW(p->Handle(), GWL_STYLE) & WS_BORDER);
    p->SetBorderStyle(TBorderStyle::bsNone);
    EXPECT_FALSE(GetWindowLongPtrW(p->Handle(), GWL_STYLE) & WS_BORDER);
    p->SetBevelOuter(TBevelCut::bvSpace);
    p->SetColor(RGBColor(10, 200, 10));
    p->Update();
    Pump(20);
    // A space bevel draws no line: the corner keeps the panel colour.
    EXPECT_EQ(WindowPixel(p->Handle(), 0, 0), RGB(10, 200, 10));
    EXPECT_EQ(CountColour(p->Handle(), RECT{0, 0, 100, 1}, RGB(10, 200, 10)), 100);
}
