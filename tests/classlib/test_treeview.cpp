// The tree view on real windows: nodes and their system items, selection,
// clicks as the control reports them, look.
#include <gtest/gtest.h>

#include "classlib/Forms.h"
#include "classlib/TreeView.h"
#include "support/GuiTest.h"

namespace {

// A click as the system control sees it: the control runs its own mouse loop
// on the press and waits there for the release, so the release is queued
// first and the press is sent at the node's text; then the posted OnClick runs.
void ClickNode(TTreeView* tv, TTreeNode* node)
{
    RECT r = node->DisplayRect(true);
    ASSERT_LT(r.left, r.right) << "node not shown";
    int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
    PostMessageW(tv->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    SendMessageW(tv->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    Pump(50);
}

class TreeViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = new TForm(Application);
        form->SetBounds(50, 50, 400, 400);
        tv = new TTreeView(form);
        tv->SetParent(form);
        tv->SetBounds(0, 0, 300, 350);
        form->Show();
        Pump(20);
    }
    void TearDown() override { FreeAndNil(form); }
    TForm* form = nullptr;
    TTreeView* tv = nullptr;
};

TEST_F(TreeViewTest, NodesKeepTreeOrderLevelsAndParents)
{
    TTreeNode* a = tv->Items().Add(nullptr, L"Базы данных");
    TTreeNode* b = tv->Items().Add(nullptr, L"Сети");
    TTreeNode* a1 = tv->Items().AddChild(a, L"Глава 1");
    TTreeNode* b1 = tv->Items().AddChild(b, L"Глава 1");
    TTreeNode* a2 = tv->Items().AddChild(a, L"Глава 2");
    ASSERT_EQ(tv->Items().Count(), 5);
    EXPECT_EQ(tv->Items()[0], a);
    EXPECT_EQ(tv->Items()[1], a1);
    EXPECT_EQ(tv->Items()[2], a2);
    EXPECT_EQ(tv->Items()[3], b);
    EXPECT_EQ(tv->Items()[4], b1);
    EXPECT_EQ(a->Level(), 0);
    EXPECT_EQ(a2->Level(), 1);
    EXPECT_EQ(a2->Parent(), a);
    EXPECT_EQ(b1->Parent(), b);
    EXPECT_EQ(a2->Index(), 1);
    EXPECT_EQ(b->Index(), 1);
    // The system control holds the same tree.
    HWND h = tv->Handle();
    EXPECT_EQ(SendMessageW(h, TVM_GETCOUNT, 0, 0), 5);
    auto child = HTREEITEM(SendMessageW(h, TVM_GETNEXTITEM, TVGN_CHILD, LPARAM(a->ItemId())));
    EXPECT_EQ(child, a1->ItemId());
    wchar_t buf[64] = {};
    TVITEMW it{};
    it.mask = TVIF_TEXT;
    it.hItem = a2->ItemId();
    it.pszText = buf;
    it.cchTextMax = 64;
    SendMessageW(h, TVM_GETITEMW, 0, LPARAM(&it));
    EXPECT_STREQ(buf, L"Глава 2");
}

TEST_F(TreeViewTest, NodesMadeExpandedShowTheirChildren)
{
    struct Case {
        bool expanded;
        bool childShown;
    };
    for (Case c : {Case{true, true}, Case{false, false}}) {
        tv->Items().Clear();
        TTreeNode* a = tv->Items().Add(nullptr, L"Предмет", c.expanded);
        TTreeNode* a1 = tv->Items().AddChild(a, L"Глава 1");
        TTreeNode* a2 = tv->Items().AddChild(a, L"Глава 2");
        auto state = SendMessageW(tv->Handle(), TVM_GETITEMSTATE, WPARAM(a->ItemId()), TVIS_EXPANDED);
        EXPECT_EQ((state & TVIS_EXPANDED) != 0, c.expanded);
        RECT r1 = a1->DisplayRect(), r2 = a2->DisplayRect();
        EXPECT_EQ(!IsRectEmpty(&r1), c.childShown);
        EXPECT_EQ(!IsRectEmpty(&r2), c.childShown);
        if (c.childShown) {
            EXPECT_GT(r2.top, r1.top);
        }
        EXPECT_EQ(tv->TopItem(), a);
    }
}

TEST_F(TreeViewTest, ClickSelectsTheNodeBeforeOnClickRuns)
{
    TTreeNode* a = tv->Items().Add(nullptr, L"Предмет");
    TTreeNode* a1 = tv->Items().AddChild(a, L"Глава 1");
    TTreeNode* a2 = tv->Items().AddChild(a, L"Глава 2");
    tv->FullExpand();
    std::vector<String> seen;
    tv->OnClick = [&](TObject*) { seen.push_back(tv->Selected() ? tv->Selected()->Text() : L"<none>"); };
    ClickNode(tv, a2);
    ClickNode(tv, a1);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], L"Глава 2");
    EXPECT_EQ(seen[1], L"Глава 1");
    EXPECT_TRUE(a1->Selected());
}

TEST_F(TreeViewTest, ClickOnEmptyPartWithNothingSelected)
{
    TTreeNode* a = tv->Items().Add(nullptr, L"Предмет");
    TTreeNode* b = tv->Items().Add(nullptr, L"Второй");
    int clicks = 0;
    TTreeNode* sel = b;
    tv->OnClick = [&](TObject*) {
        ++clicks;
        sel = tv->Selected();
    };
    PostMessageW(tv->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(150, 300));
    SendMessageW(tv->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(150, 300));
    Pump(50);
    EXPECT_EQ(clicks, 1);
    // The system control gives the focus caret to the first node when it
    // gains the focus with nothing selected; a click in the empty part
    // selects nothing else.
    EXPECT_TRUE(sel == nullptr || sel == a);
    EXPECT_EQ(tv->GetNodeAt(150, 300), nullptr);
}

TEST_F(TreeViewTest, SetSelectedAndChangeEvent)
{
    TTreeNode* a = tv->Items().Add(nullptr, L"A");
    TTreeNode* b = tv->Items().Add(nullptr, L"B");
    int changes = 0;
    tv->OnChange = [&](TObject*) { ++changes; };
    tv->SetSelected(b);
    EXPECT_EQ(tv->Selected(), b);
    EXPECT_FALSE(a->Selected());
    EXPECT_GE(changes, 1);
    tv->SetSelected(nullptr);
    EXPECT_EQ(tv->Selected(), nullptr);
}

TEST_F(TreeViewTest, DeleteAndClearRemoveSystemItems)
{
    TTreeNode* a = tv->Items().Add(nullptr, L"A");
    tv->Items().AddChild(a, L"A1");
    TTreeNode* b = tv->Items().Add(nullptr, L"B");
    tv->Items().Delete(a);
    ASSERT_EQ(tv->Items().Count(), 1);
    EXPECT_EQ(tv->Items()[0], b);
    EXPECT_EQ(SendMessageW(tv->Handle(), TVM_GETCOUNT, 0, 0), 1);
    tv->Items().Clear();
    EXPECT_EQ(tv->Items().Count(), 0);
    EXPECT_EQ(SendMessageW(tv->Handle(), TVM_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(tv->Selected(), nullptr);
}

TEST_F(TreeViewTest, ReadOnlyRefusesLabelEditing)
{
    TTreeNode* a = tv->Items().Add(nullptr, L"A");
    tv->SetReadOnly(true);
    EXPECT_FALSE(GetWindowLongW(tv->Handle(), GWL_STYLE) & TVS_EDITLABELS);
    EXPECT_EQ(SendMessageW(tv->Handle(), TVM_EDITLABELW, 0, LPARAM(a->ItemId())), 0);
    tv->SetReadOnly(false);
    HWND edit = HWND(SendMessageW(tv->Handle(), TVM_EDITLABELW, 0, LPARAM(a->ItemId())));
    EXPECT_NE(edit, nullptr);
    SendMessageW(tv->Handle(), TVM_ENDEDITLABELNOW, TRUE, 0);
}

TEST_F(TreeViewTest, BorderlessAndColours)
{
    tv->SetBorderStyle(TBorderStyle::bsNone);
    tv->SetColor(RGBColor(10, 200, 30));
    tv->Font().Set(L"Times New Roman", 19, fsBold, clGray);
    EXPECT_FALSE(GetWindowLongW(tv->Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    RECT wr, cr;
    GetWindowRect(tv->Handle(), &wr);
    GetClientRect(tv->Handle(), &cr);
    EXPECT_EQ(wr.right - wr.left, cr.right);   // no frame
    EXPECT_EQ(COLORREF(SendMessageW(tv->Handle(), TVM_GETBKCOLOR, 0, 0)), RGB(10, 200, 30));
    EXPECT_EQ(COLORREF(SendMessageW(tv->Handle(), TVM_GETTEXTCOLOR, 0, 0)), ColorToRGB(clGray));
    tv->Items().Add(nullptr, L"A");
    tv->Repaint();
    Pump(20);
    EXPECT_EQ(WindowPixel(tv->Handle(), 250, 300), RGB(10, 200, 30));
}

TEST_F(TreeViewTest, ItemsSurviveRecreatingTheWindow)
{
    TTreeNode* a = tv->Items().Add(nullptr, L"A");
    TTreeNode* a1 = tv->Items().AddChild(a, L"A1");
    tv->RecreateWnd();
    EXPECT_EQ(SendMessageW(tv->Handle(), TVM_GETCOUNT, 0, 0), 2);
    tv->SetSelected(a1);
    EXPECT_EQ(tv->Selected(), a1);
}

}  // namespace
