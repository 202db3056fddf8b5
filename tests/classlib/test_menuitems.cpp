// The class library's menus: shortcut texts, the platform menus built from the
// items (wide captions, owner drawing, breaks, radio groups), and the window
// messages routed to the items' events.
#include <gtest/gtest.h>

#include "classlib/Forms.h"
#include "classlib/Menus.h"
#include "support/GuiTest.h"

namespace {

TMenuItem* NewItem(TMenuItem* parent, const String& caption)
{
    auto* item = new TMenuItem();
    item->SetCaption(caption);
    parent->Add(item);
    return item;
}

MENUITEMINFOW InfoAt(HMENU menu, UINT position, String* text = nullptr)
{
    wchar_t buffer[128] = {};
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_DATA | MIIM_SUBMENU | MIIM_STRING;
    mii.dwTypeData = buffer;
    mii.cch = 127;
    GetMenuItemInfoW(menu, position, TRUE, &mii);
    if (text) *text = buffer;
    return mii;
}

}  // namespace

TEST(MenuShortCuts, TextAndShortCutRoundTrip)
{
    struct Row {
        TShortCut shortCut;
        const wchar_t* text;
    };
    const Row rows[] = {
        {ShortCut('F', ssCtrl), L"Ctrl+F"},
        {ShortCut(VK_F5, ssShift | ssCtrl), L"Shift+Ctrl+F5"},
        {ShortCut(VK_BACK, ssAlt), L"Alt+BkSp"},
        {ShortCut(VK_DELETE, 0), L"Del"},
        {ShortCut('7', ssCtrl | ssAlt), L"Ctrl+Alt+7"},
        {ShortCut(VK_F12, 0), L"F12"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(ShortCutToText(r.shortCut), r.text);
        EXPECT_EQ(TextToShortCut(r.text), r.shortCut) << r.text;
    }
    // Case does not matter; texts that name no key give 0; no key gives no text.
    EXPECT_EQ(TextToShortCut(L"ctrl+shift+a"), ShortCut('A', ssCtrl | ssShift));
    for (const wchar_t* bad : {L"", L"Ctrl+", L"Foo", L"Ctrl+Foo", L"Shift"})
        EXPECT_EQ(TextToShortCut(bad), 0) << bad;
    EXPECT_EQ(ShortCutToText(0), L"");
}

TEST(MenuItems, PlatformMenuFollowsTheItems)
{
    TPopupMenu menu(nullptr);
    TMenuItem* open = NewItem(menu.Items(), L"Открыть файл");
    open->SetShortCut(ShortCut('O', ssCtrl));
    NewItem(menu.Items(), L"-");
    TMenuItem* a = NewItem(menu.Items(), L"Вариант А");
    TMenuItem* b = NewItem(menu.Items(), L"Вариант Б");
    TMenuItem* more = NewItem(menu.Items(), L"Ещё");
    NewItem(more, L"Первый");
    for (TMenuItem* r : {a, b}) {
        r->SetRadioItem(true);
        r->SetGroupIndex(1);
    }
    a->SetChecked(true);
    b->SetChecked(true);   // unchecks its group
    TMenuItem* off = NewItem(menu.Items(), L"Выключено");
    off->SetEnabled(false);
    off->SetBreak(TMenuBreak::mbBreak);

    HMENU h = menu.Handle();
    ASSERT_EQ(GetMenuItemCount(h), 6);
    String text;
    MENUITEMINFOW first = InfoAt(h, 0, &text);
    EXPECT_EQ(text, L"Открыть файл\tCtrl+O");   // the wide text, whatever the code page
    EXPECT_EQ(first.wID, open->Command());
    EXPECT_TRUE(InfoAt(h, 1).fType & MFT_SEPARATOR);
    EXPECT_FALSE(a->Checked());
    EXPECT_TRUE(InfoAt(h, 3).fState & MFS_CHECKED);
    EXPECT_TRUE(InfoAt(h, 3).fType & MFT_RADIOCHECK);
    EXPECT_FALSE(InfoAt(h, 2).fState & MFS_CHECKED);
    EXPECT_EQ(InfoAt(h, 4).hSubMenu, more->Handle());
    EXPECT_EQ(GetMenuItemCount(more->Handle()), 1);
    EXPECT_TRUE(InfoAt(h, 5).fState & MFS_GRAYED);
    EXPECT_TRUE(InfoAt(h, 5).fType & MFT_MENUBREAK);

    // Owner drawing builds every item again as owner-drawn, keyed by its command.
    menu.SetOwnerDraw(true);
    for (UINT i = 0; i < 6; ++i) {
        MENUITEMINFOW mii = InfoAt(h, i);
        EXPECT_TRUE(mii.fType & MFT_OWNERDRAW) << i;
        EXPECT_EQ(TMenuItem::FindByCommand(UINT(mii.dwItemData)), menu.Items()->Items(int(i)));
    }
    EXPECT_TRUE(InfoAt(more->Handle(), 0).fType & MFT_OWNERDRAW);

    // Hidden items are left out; a freed item's command names nothing.
    UINT command = off->Command();
    off->SetVisible(false);
    EXPECT_EQ(GetMenuItemCount(h), 5);
    menu.Items()->Delete(menu.Items()->IndexOf(off));
    EXPECT_EQ(TMenuItem::FindByCommand(command), nullptr);
}

// Owner drawing and commands come to the form; the items' events answer them.
TEST(MenuItems, FormRoutesMenuMessagesToItems)
{
    TForm form(Application);
    TMainMenu menu(&form);
    TMenuItem* file = NewItem(menu.Items(), L"Файл");
    TMenuItem* quit = NewItem(file, L"Выход");
    menu.SetOwnerDraw(true);
    form.SetMenu(&menu);
    form.HandleNeeded();
    EXPECT_EQ(GetMenu(form.Handle()), menu.Handle());
    EXPECT_EQ(menu.WindowHandle(), form.Handle());

    int clicks = 0, measured = 0;
    TOwnerDrawState drawnState = 0;
    RECT drawnRect{};
    quit->OnClick = [&](TObject* s) { clicks += s == quit; };
    quit->OnMeasureItem = [&](TObject*, TCanvas&, int& w, int& h) {
        ++measured;
        w = 77;
        h = 19;
    };
    quit->OnAdvancedDrawItem = [&](TObject*, TCanvas& c, const RECT& r, TOwnerDrawState s) {
        drawnState = s;
        drawnRect = r;
        EXPECT_NE(c.Handle(), nullptr);
    };

    MEASUREITEMSTRUCT mis{ODT_MENU, 0, quit->Command(), 0, 0, quit->Command()};
    EXPECT_EQ(SendMessageW(form.Handle(), WM_MEASUREITEM, 0, LPARAM(&mis)), TRUE);
    EXPECT_EQ(measured, 1);
    EXPECT_EQ(mis.itemWidth, 77u);
    EXPECT_EQ(mis.itemHeight, 19u);

    HDC dc = GetDC(form.Handle());
    DRAWITEMSTRUCT dis{ODT_MENU, 0, quit->Command(), ODA_DRAWENTIRE, ODS_SELECTED | ODS_GRAYED,
                       HWND(menu.Handle()), dc, RECT{1, 2, 80, 21}, quit->Command()};
    SendMessageW(form.Handle(), WM_DRAWITEM, 0, LPARAM(&dis));
    ReleaseDC(form.Handle(), dc);
    EXPECT_EQ(drawnState, TOwnerDrawState(odSelected | odGrayed));
    EXPECT_EQ(drawnRect.right, 80);

    SendMessageW(form.Handle(), WM_COMMAND, MAKEWPARAM(quit->Command(), 0), 0);
    EXPECT_EQ(clicks, 1);
    quit->SetEnabled(false);   // a disabled item does not run
    SendMessageW(form.Handle(), WM_COMMAND, MAKEWPARAM(quit->Command(), 0), 0);
    EXPECT_EQ(clicks, 1);
    form.SetMenu(nullptr);
    EXPECT_EQ(GetMenu(form.Handle()), nullptr);
}

// A menu freed before its form takes itself off the window; the form forgets it.
TEST(MenuItems, FreedMenuLeavesTheForm)
{
    TForm form(Application);
    auto* menu = new TMainMenu(&form);
    NewItem(menu->Items(), L"Правка");
    form.SetMenu(menu);
    form.HandleNeeded();
    ASSERT_NE(GetMenu(form.Handle()), nullptr);
    Free(menu);
    EXPECT_EQ(form.Menu(), nullptr);
    EXPECT_EQ(GetMenu(form.Handle()), nullptr);
}
