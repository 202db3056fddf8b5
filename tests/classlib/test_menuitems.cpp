// The class library's menus: shortcut texts, the platform menus built from the
// items (wide captions, owner drawing, breaks, radio groups), and the window
// messages routed to the items' events.
#include <gtest/gtest.h>

#include "classlib/Forms.h"
#include "classlib/Menus.h"
#include "classlib/StdCtrls.h"
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

    // Owner drawing builds every item again as owner-drawn, keyed by its
    // command; a divider stays a divider and the others keep their text (the
    // mnemonic letters are in it).
    menu.SetOwnerDraw(true);
    for (UINT i = 0; i < 6; ++i) {
        String ownText;
        MENUITEMINFOW mii = InfoAt(h, i, &ownText);
        TMenuItem* item = menu.Items()->Items(int(i));
        EXPECT_TRUE(mii.fType & MFT_OWNERDRAW) << i;
        EXPECT_EQ(TMenuItem::FindByCommand(UINT(mii.dwItemData)), item);
        EXPECT_EQ((mii.fType & MFT_SEPARATOR) != 0, item->IsDivider()) << i;
        if (!item->IsDivider()) {
            EXPECT_EQ(ownText.substr(0, item->Caption().size()), item->Caption()) << i;
        }
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

// WM_MENUCHAR is answered from the items' mnemonic letters, in either case:
// one item runs, several are selected in turn (after the one selected now).
TEST(MenuItems, MenuCharAnswersFromMnemonics)
{
    TForm form(Application);
    TPopupMenu menu(&form);
    for (const wchar_t* c : {L"&Альфа", L"-", L"&Гамма", L"&Дельта", L"Д&зета", L"&Дзюдо", L"Том && &Джерри",
                             L"&&Хвост", L"Ещё"})
        NewItem(menu.Items(), c);
    menu.SetOwnerDraw(true);
    form.HandleNeeded();
    HMENU h = menu.Handle();
    struct Row {
        wchar_t key;
        int hilited;   // the item shown selected (-1: none)
        WORD command;  // MNC_EXECUTE, MNC_SELECT or MNC_IGNORE
        int index;
    };
    const Row rows[] = {
        {L'г', -1, MNC_EXECUTE, 2},  {L'Г', -1, MNC_EXECUTE, 2}, {L'а', 5, MNC_EXECUTE, 0},
        {L'з', -1, MNC_EXECUTE, 4},  {L'д', -1, MNC_SELECT, 3},  {L'Д', 3, MNC_SELECT, 5},
        {L'д', 5, MNC_SELECT, 6},    {L'д', 6, MNC_SELECT, 3},   {L'х', -1, MNC_IGNORE, 0},
        {L'е', -1, MNC_IGNORE, 0},   {L'ж', -1, MNC_IGNORE, 0},
    };
    for (const Row& r : rows) {
        for (int i = 0; i < GetMenuItemCount(h); ++i) {
            MENUITEMINFOW mii{};
            mii.cbSize = sizeof mii;
            mii.fMask = MIIM_STATE;
            mii.fState = i == r.hilited ? MFS_HILITE : 0;
            SetMenuItemInfoW(h, UINT(i), TRUE, &mii);
        }
        const LRESULT answer = SendMessageW(form.Handle(), WM_MENUCHAR, MAKEWPARAM(r.key, MF_POPUP), LPARAM(h));
        EXPECT_EQ(HIWORD(answer), r.command) << int(r.key) << " after " << r.hilited;
        if (r.command != MNC_IGNORE) {
            EXPECT_EQ(int(LOWORD(answer)), r.index) << int(r.key) << " after " << r.hilited;
        }
    }
    EXPECT_EQ(MnemonicOf(L"Том && &Джерри"), L'Д');
    EXPECT_EQ(MnemonicOf(L"&&Хвост"), 0);
}

// A key pressed in a window runs the item of its form's menu line that has it
// as its shortcut, only while that form is active, the item enabled and
// visible and the items above it enabled; the key is then used up.
TEST(MenuItems, ShortCutsRunTheActiveFormsItems)
{
    struct Row {
        const char* name;
        bool otherActive;   // another form is active
        bool enabled, visible, parentEnabled;
        TShortCut pressed;
        int clicks, parentClicks;
    };
    const Row rows[] = {
        {"shortcut", false, true, true, true, ShortCut('O', ssCtrl), 1, 1},
        {"other key", false, true, true, true, ShortCut('P', ssCtrl), 0, 0},
        {"without Ctrl", false, true, true, true, ShortCut('O', 0), 0, 0},
        {"disabled item", false, false, true, true, ShortCut('O', ssCtrl), 0, 1},
        {"hidden item", false, true, false, true, ShortCut('O', ssCtrl), 0, 0},
        {"disabled sub-menu", false, true, true, false, ShortCut('O', ssCtrl), 0, 0},
        {"form not active", true, true, true, true, ShortCut('O', ssCtrl), 0, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        TForm form(Application), other(Application);
        TMainMenu menu(&form);
        TMenuItem* file = NewItem(menu.Items(), L"&Файл");
        TMenuItem* open = NewItem(file, L"&Открыть");
        open->SetShortCut(ShortCut('O', ssCtrl));
        open->SetEnabled(r.enabled);
        open->SetVisible(r.visible);
        file->SetEnabled(r.parentEnabled);
        int clicks = 0, parentClicks = 0;
        open->OnClick = [&](TObject*) { ++clicks; };
        file->OnClick = [&](TObject*) { ++parentClicks; };
        form.SetMenu(&menu);
        auto* edit = new TEdit(&form);
        edit->SetParent(&form);
        form.SetBounds(50, 50, 300, 200);
        other.SetBounds(400, 50, 200, 100);
        other.Show();
        form.Show();
        SetForegroundWindow(r.otherActive ? other.Handle() : form.Handle());
        if (!r.otherActive) edit->SetFocus();
        Pump(20);
        // The key as the edit gets it (the shift state is what the keyboard holds).
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        BYTE saved[256];
        memcpy(saved, keys, sizeof keys);
        keys[VK_CONTROL] = (r.pressed & scCtrl) ? 0x80 : 0;
        SetKeyboardState(keys);
        SendMessageW(edit->Handle(), WM_KEYDOWN, r.pressed & 0xFF, 1);
        SetKeyboardState(saved);
        EXPECT_EQ(clicks, r.clicks);
        EXPECT_EQ(parentClicks, r.parentClicks);
        form.SetMenu(nullptr);
    }
}
