// List boxes and combo boxes on real windows: items over the window, the
// selection, the item height and the notifications the system sends.
#include <gtest/gtest.h>

#include "classlib/ListControls.h"
#include "classlib/TypInfo.h"
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

namespace {

// Each style makes the window it names: the style bits, an edit inside the
// box or not, a list shown inside the bounds (simple) or dropped below them.
TEST_F(ListControls, ComboBoxStylesMakeTheirWindows)
{
    struct Row {
        TComboBoxStyle style;
        DWORD bits;          // the low style bits and the owner-draw bits
        bool edit;           // an edit child the user types into
        bool listInside;     // the list lies inside the box (simple style)
        const char* name;    // the published Style
    } rows[] = {
        {TComboBoxStyle::csDropDown, CBS_DROPDOWN, true, false, "csDropDown"},
        {TComboBoxStyle::csSimple, CBS_SIMPLE, true, true, "csSimple"},
        {TComboBoxStyle::csDropDownList, CBS_DROPDOWNLIST, false, false, "csDropDownList"},
        {TComboBoxStyle::csOwnerDrawFixed, CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED, false, false, "csOwnerDrawFixed"},
        {TComboBoxStyle::csOwnerDrawVariable, CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE, false, false,
         "csOwnerDrawVariable"},
    };
    form->Show();
    for (const Row& r : rows) {
        SCOPED_TRACE(int(r.style));
        auto* cb = new TComboBox(form);
        cb->SetStyle(r.style);
        cb->SetParent(form);
        cb->SetBounds(10, 10, 200, 120);
        cb->Items().Add(L"один");
        cb->Items().Add(L"два");
        cb->SetItemIndex(1);
        HWND h = cb->Handle();
        DWORD style = DWORD(GetWindowLongPtrW(h, GWL_STYLE));
        EXPECT_EQ(style & (CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE), r.bits);
        EXPECT_EQ(U8(GetEnumProp(cb, L"Style")), r.name);
        COMBOBOXINFO info{sizeof info};
        ASSERT_TRUE(GetComboBoxInfo(h, &info));
        EXPECT_EQ(info.hwndItem != h && info.hwndItem != nullptr, r.edit);
        RECT box, list;
        GetWindowRect(h, &box);
        GetWindowRect(info.hwndList, &list);
        EXPECT_EQ(list.top >= box.top && list.bottom <= box.bottom, r.listInside);
        // A simple box keeps the height it was given; the others are one line high.
        EXPECT_EQ(cb->Height() == 120, r.listInside) << cb->Height();
        EXPECT_EQ(U8(cb->Text()), "два");
        // A new style makes the window again, keeping the items and the selection.
        cb->SetStyle(r.style == TComboBoxStyle::csDropDown ? TComboBoxStyle::csDropDownList
                                                           : TComboBoxStyle::csDropDown);
        EXPECT_NE(DWORD(GetWindowLongPtrW(cb->Handle(), GWL_STYLE)) & CBS_DROPDOWNLIST, style & CBS_DROPDOWNLIST);
        EXPECT_EQ(cb->Items().Count(), 2);
        EXPECT_EQ(cb->ItemIndex(), 1);
        Free(cb);
    }
}

// OnChange follows the text: a chosen item and typing into the edit; the
// events of opening and closing the list come from the reflected commands.
TEST_F(ListControls, ComboBoxChangeDropDownAndCloseUp)
{
    auto* cb = new TComboBox(form);
    cb->SetParent(form);
    cb->SetBounds(10, 10, 200, 24);
    cb->Items().Add(L"Физика");
    cb->Items().Add(L"Химия");
    std::vector<std::string> events;
    cb->OnChange = [&](TObject*) { events.push_back("change:" + U8(cb->Text())); };
    cb->OnDropDown = [&](TObject*) { events.push_back("dropdown"); };
    cb->OnCloseUp = [&](TObject*) { events.push_back("closeup"); };
    form->Show();
    cb->SetDroppedDown(true);
    Pump();
    EXPECT_TRUE(cb->DroppedDown());
    cb->SetDroppedDown(false);
    Pump();
    EXPECT_FALSE(cb->DroppedDown());
    EXPECT_EQ(events, (std::vector<std::string>{"dropdown", "closeup"}));
    events.clear();
    SetFocus(cb->Handle());
    TypeText(cb, L"Хи");
    Pump();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back(), "change:Хи");
}

// An owner-drawn box asks its handler for each item it paints.
TEST_F(ListControls, OwnerDrawnComboBoxDrawsThroughItsHandler)
{
    auto* cb = new TComboBox(form);
    cb->SetStyle(TComboBoxStyle::csOwnerDrawFixed);
    cb->SetParent(form);
    cb->SetBounds(10, 10, 200, 24);
    cb->Items().Add(L"красный");
    cb->Items().Add(L"синий");
    std::vector<int> drawn;
    cb->OnDrawItem = [&](TObject*, int index, HDC dc, const RECT& r, TOwnerDrawState) {
        drawn.push_back(index);
        HBRUSH b = CreateSolidBrush(index == 0 ? RGB(255, 0, 0) : RGB(0, 0, 255));
        FillRect(dc, &r, b);
        DeleteObject(b);
    };
    form->Show();
    cb->SetItemIndex(1);
    RedrawWindow(cb->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    Pump();
    ASSERT_FALSE(drawn.empty());
    EXPECT_EQ(drawn.back(), 1);
    EXPECT_EQ(WindowPixel(cb->Handle(), 10, cb->Height() / 2), RGB(0, 0, 255));
}

}  // namespace
