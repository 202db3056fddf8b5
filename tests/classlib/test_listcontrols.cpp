// List boxes and combo boxes on real windows: items over the window, the
// selection, the item height and the notifications the system sends.
#include <gtest/gtest.h>

#include "classlib/ListControls.h"
#include "support/GuiTest.h"

namespace {

class ListControls : public testing::Test {
protected:
    void SetUp() override
    {
        form = new TForm(Application);
        form->SetBounds(10, 10, 400, 300);
    }
    void TearDown() override { Free(form); }
    TForm* form = nullptr;
};

std::string U8(const String& s) { return StringToUtf8(s); }

TEST_F(ListControls, ItemsBeforeTheWindowReachTheWindow)
{
    auto* lb = new TListBox(form);
    lb->Items().Add(L"один");
    lb->Items().Add(L"три");
    lb->Items().Insert(1, L"два");
    lb->SetItemIndex(2);
    EXPECT_FALSE(lb->HandleAllocated());
    lb->SetParent(form);
    form->Show();
    ASSERT_TRUE(lb->HandleAllocated());
    EXPECT_EQ(SendMessageW(lb->Handle(), LB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageW(lb->Handle(), LB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(U8(lb->Items().Get(1)), "два");
    EXPECT_EQ(U8(lb->Items().Text()), "один\r\nдва\r\nтри\r\n");
}

TEST_F(ListControls, ItemsOverTheWindowAndRecreation)
{
    auto* lb = new TListBox(form);
    lb->SetParent(form);
    form->Show();
    lb->Items().Add(L"a");
    lb->Items().Add(L"c");
    lb->Items().Add(L"b");   // not sorted
    EXPECT_EQ(U8(lb->Items().Get(2)), "b");
    lb->SetItemIndex(1);
    lb->Items().Put(1, L"c(x)");   // replacing the selected item keeps the selection
    EXPECT_EQ(lb->ItemIndex(), 1);
    EXPECT_EQ(U8(lb->Items().Get(1)), "c(x)");
    lb->Items().Delete(0);
    EXPECT_EQ(lb->Items().Count(), 2);
    EXPECT_THROW(lb->Items().Get(2), EListError);
    lb->SetItemIndex(5);   // out of range: no selection
    EXPECT_EQ(lb->ItemIndex(), -1);
    lb->SetItemIndex(1);
    lb->RecreateWnd();
    EXPECT_EQ(lb->Items().Count(), 2);
    EXPECT_EQ(lb->ItemIndex(), 1);
    EXPECT_EQ(U8(lb->Items().Get(0)), "c(x)");
    lb->Clear();
    EXPECT_EQ(SendMessageW(lb->Handle(), LB_GETCOUNT, 0, 0), 0);
}

TEST_F(ListControls, ListBoxClickFromTheUserOnly)
{
    auto* lb = new TListBox(form);
    lb->SetParent(form);
    lb->SetBounds(10, 10, 150, 200);
    lb->SetItemHeight(19);
    for (int i = 0; i < 5; ++i) lb->Items().Add(L"Вопрос №" + IntToStr(i + 1));
    int clicks = 0;
    lb->OnClick = [&](TObject*) { ++clicks; };
    form->Show();
    lb->SetItemIndex(0);
    EXPECT_EQ(clicks, 0);   // setting the index sends no notification
    EXPECT_EQ(lb->ItemHeight(), 19);
    ClickAt(lb, 20, 19 * 2 + 9);   // third item
    Pump();
    EXPECT_EQ(lb->ItemIndex(), 2);
    EXPECT_EQ(clicks, 1);
    // A new font does not undo the fixed item height.
    lb->Font().Set(L"Times New Roman", 30, 0, clBlack);
    EXPECT_EQ(SendMessageW(lb->Handle(), LB_GETITEMHEIGHT, 0, 0), 19);
}

TEST_F(ListControls, ComboBoxSelectionNotifies)
{
    auto* cb = new TComboBox(form);
    cb->SetParent(form);
    cb->SetBounds(10, 10, 200, 24);
    cb->Items().Add(L"Физика");
    cb->Items().Add(L"Химия");
    std::vector<std::string> events;
    cb->OnClick = [&](TObject*) { events.push_back("click"); };
    cb->OnSelect = [&](TObject*) { events.push_back("select:" + U8(cb->Text())); };
    form->Show();
    EXPECT_EQ(cb->ItemIndex(), -1);
    HWND h = cb->Handle();
    SendMessageW(h, CB_SETCURSEL, 1, 0);
    SendMessageW(form->Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(h), CBN_SELCHANGE), LPARAM(h));
    EXPECT_EQ(events, (std::vector<std::string>{"click", "select:Химия"}));
    EXPECT_EQ(cb->ItemIndex(), 1);
    // The closed box is one line high; the window leaves room for the opened list.
    EXPECT_LT(cb->Height(), 40);
    RECT dropped{};
    SendMessageW(h, CB_GETDROPPEDCONTROLRECT, 0, LPARAM(&dropped));
    EXPECT_GT(dropped.bottom - dropped.top, cb->Height() + 20);
    // Items and selection outlive a new window.
    cb->RecreateWnd();
    EXPECT_EQ(cb->Items().Count(), 2);
    EXPECT_EQ(U8(cb->Text()), "Химия");
    cb->SetItemIndex(-1);
    EXPECT_EQ(U8(cb->Text()), "");
}

}  // namespace
