// Page control and tab sheets: tabs made from the pages' captions, one visible
// page at a time, tab clicks, OnShow/OnHide/OnChange, pages following the size
// of the control, pages leaving.
#include <gtest/gtest.h>

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/PageControl.h"
#include "support/GuiTest.h"

#include <commctrl.h>

namespace {

String TabText(HWND tabs, int i)
{
    wchar_t buf[128] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = buf;
    item.cchTextMax = 128;
    SendMessageW(tabs, TCM_GETITEMW, WPARAM(i), LPARAM(&item));
    return buf;
}

struct PageFixture : ::testing::Test {
    TForm* form = nullptr;
    TPageControl* pc = nullptr;
    TTabSheet* pages[3] = {};
    std::vector<String> events;

    void SetUp() override
    {
        form = new TForm(Application);
        form->SetBounds(40, 40, 420, 320);
        pc = new TPageControl(form);
        pc->SetParent(form);
        pc->SetBounds(10, 10, 380, 250);
        const wchar_t* captions[] = {L"Первая", L"Вторая", L"Третья"};
        const TColor colors[] = {RGBColor(255, 0, 0), RGBColor(0, 160, 0), RGBColor(0, 0, 255)};
        for (int i = 0; i < 3; ++i) {
            pages[i] = new TTabSheet(form);
            pages[i]->SetCaption(captions[i]);
            pages[i]->SetColor(colors[i]);
            pages[i]->SetPageControl(pc);
            String name = captions[i];
            pages[i]->OnShow = [this, name](TObject*) { events.push_back(L"show " + name); };
            pages[i]->OnHide = [this, name](TObject*) { events.push_back(L"hide " + name); };
        }
        pc->OnChange = [this](TObject*) { events.push_back(L"change"); };
        form->Show();
        Pump(50);
    }
    void TearDown() override { Free(form); }

    void ClickTab(int i)
    {
        RECT r = pc->TabRect(i);
        ASSERT_LT(r.left, r.right);
        MouseDownUp(pc->Handle(), (r.left + r.right) / 2, (r.top + r.bottom) / 2, TMouseButton::mbLeft);
        Pump(30);
    }

    // A pixel in the middle of the display area, as on the screen.
    COLORREF MiddlePixel()
    {
        RECT d = pc->DisplayRect();
        return WindowPixel(pc->Handle(), (d.left + d.right) / 2, (d.top + d.bottom) / 2);
    }
};

TEST_F(PageFixture, TabsCarryCaptionsAndOnlyTheActivePageIsVisible)
{
    HWND tabs = pc->Handle();
    ASSERT_EQ(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_EQ(TabText(tabs, 0), L"Первая");
    EXPECT_EQ(TabText(tabs, 2), L"Третья");
    EXPECT_EQ(pc->ActivePage(), pages[0]);
    EXPECT_EQ(pc->ActivePageIndex(), 0);
    EXPECT_TRUE(IsWindowVisible(pages[0]->Handle()));
    EXPECT_FALSE(IsWindowVisible(pages[1]->Handle()));
    EXPECT_FALSE(IsWindowVisible(pages[2]->Handle()));
    EXPECT_EQ(MiddlePixel(), RGB(255, 0, 0));

    // A caption changed later shows on its tab.
    pages[1]->SetCaption(L"Иная");
    EXPECT_EQ(TabText(tabs, 1), L"Иная");
}

TEST_F(PageFixture, ClickingATabShowsItsPageAndReportsTheChange)
{
    events.clear();
    ClickTab(2);
    EXPECT_EQ(pc->ActivePage(), pages[2]);
    EXPECT_EQ(SendMessageW(pc->Handle(), TCM_GETCURSEL, 0, 0), 2);
    EXPECT_TRUE(IsWindowVisible(pages[2]->Handle()));
    EXPECT_FALSE(IsWindowVisible(pages[0]->Handle()));
    EXPECT_EQ(events, (std::vector<String>{L"hide Первая", L"show Третья", L"change"}));
    EXPECT_EQ(MiddlePixel(), RGB(0, 0, 255));

    // Clicking the tab of the page already shown changes nothing.
    events.clear();
    ClickTab(2);
    EXPECT_TRUE(events.empty());
}

TEST_F(PageFixture, ProgramChangesRunOnShowButNotOnChange)
{
    events.clear();
    pc->SetActivePageIndex(1);
    EXPECT_EQ(pc->ActivePage(), pages[1]);
    EXPECT_EQ(SendMessageW(pc->Handle(), TCM_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(events, (std::vector<String>{L"hide Первая", L"show Вторая"}));
    EXPECT_EQ(MiddlePixel(), RGB(0, 160, 0));
    EXPECT_THROW(pc->SetActivePageIndex(3), EListError);
    EXPECT_THROW(pc->SetActivePageIndex(-1), EListError);
    EXPECT_EQ(pc->ActivePage(), pages[1]);

    TTabSheet stranger(nullptr);
    EXPECT_THROW(pc->SetActivePage(&stranger), EInvalidOperation);
}

TEST_F(PageFixture, PagesCoverTheDisplayAreaWhenTheControlIsResized)
{
    auto* inner = new TPanel(form);
    inner->SetParent(pages[0]);
    inner->SetBounds(0, 0, pages[0]->Width(), pages[0]->Height());
    inner->SetAnchors(akLeft | akTop | akRight | akBottom);
    int oldW = pages[0]->Width(), oldH = pages[0]->Height();

    pc->SetBounds(10, 10, 300, 200);
    Pump(20);
    RECT d = pc->DisplayRect();
    for (TTabSheet* p : pages) {
        EXPECT_EQ(p->Left(), d.left);
        EXPECT_EQ(p->Top(), d.top);
        EXPECT_EQ(p->Width(), d.right - d.left);
        EXPECT_EQ(p->Height(), d.bottom - d.top);
    }
    EXPECT_EQ(pages[0]->Width(), oldW - 80);
    EXPECT_EQ(pages[0]->Height(), oldH - 50);
    EXPECT_EQ(inner->Width(), pages[0]->ClientWidth());
    EXPECT_EQ(inner->Height(), pages[0]->ClientHeight());
}

TEST_F(PageFixture, FreeingTheActivePageShowsTheNextOne)
{
    pc->SetActivePageIndex(1);
    Free(pages[1]);
    ASSERT_EQ(pc->PageCount(), 2);
    EXPECT_EQ(SendMessageW(pc->Handle(), TCM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(TabText(pc->Handle(), 1), L"Третья");
    EXPECT_EQ(pc->ActivePage(), pages[2]);
    EXPECT_EQ(pages[2]->PageIndex(), 1);
    EXPECT_TRUE(IsWindowVisible(pages[2]->Handle()));

    // A page moved out of the control loses its tab; the page control can go first.
    pages[0]->SetPageControl(nullptr);
    EXPECT_EQ(pc->PageCount(), 1);
    EXPECT_EQ(pages[0]->PageIndex(), -1);
    Free(pc);
    EXPECT_EQ(pages[2]->PageControl(), nullptr);
}

TEST(PageControlTest, PagesAddedBeforeTheWindowExistGetTheirTabs)
{
    TForm* form = new TForm(Application);
    form->SetBounds(40, 40, 300, 200);
    auto* pc = new TPageControl(form);
    auto* a = new TTabSheet(form);
    a->SetCaption(L"A");
    a->SetPageControl(pc);
    auto* b = new TTabSheet(form);
    b->SetCaption(L"B");
    b->SetPageControl(pc);
    pc->SetActivePage(b);
    pc->SetParent(form);
    pc->SetAlign(TAlign::alClient);
    form->Show();
    Pump(20);
    EXPECT_EQ(SendMessageW(pc->Handle(), TCM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(TabText(pc->Handle(), 1), L"B");
    EXPECT_EQ(SendMessageW(pc->Handle(), TCM_GETCURSEL, 0, 0), 1);
    EXPECT_TRUE(IsWindowVisible(b->Handle()));
    EXPECT_FALSE(IsWindowVisible(a->Handle()));
    RECT d = pc->DisplayRect();
    EXPECT_EQ(b->Width(), d.right - d.left);
    EXPECT_GT(d.top, 10);   // below the tab row
    Free(form);
}

}  // namespace
