// System menus of skinned forms and dialogs on real windows under the sample
// skin: which items show and which are greyed for the window's style and
// state, the captions and shortcuts of the real system menu, the program's
// own commands, the merged sub-menu, the skin list, and the menu opened by
// the keyboard and the title icon.
//
// A menu runs a modal loop; a test that opens one ends it from a timer
// procedure (after a bounded number of ticks at the latest). Where only the
// choice matters, the provider's track seam answers with a command.
#include "tests/skin/SkinRuntimeFixture.h"
#include "tests/skin/MenuLoop.h"

#include <functional>

#include "classlib/Classes.h"
#include "classlib/Menus.h"
#include "skin/controls/MenuWnd.h"
#include "skin/core/SkinMenus.h"
#include "skin/forms/DialogWnd.h"
#include "skin/forms/SkinProvider.h"
#include "skin/forms/SystemMenu.h"
#include "skin/graphics/Constants.h"

using namespace skintest;
using namespace menuloop;

namespace {

// ---- what the user sees of a built menu: per item name, shown and greyed
struct Shown {
    bool present = false;
    bool greyed = false;
};
Shown ShownItem(TMenu* menu, const String& name)
{
    Shown s;
    HMENU h = menu->Handle();
    for (int i = 0; i < GetMenuItemCount(h); ++i) {
        TMenuItem* item = TMenuItem::FindByCommand(GetMenuItemID(h, i));
        if (item && item->Name() == name) {
            s.present = true;
            s.greyed = (GetMenuState(h, UINT(i), MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED)) != 0;
        }
    }
    return s;
}

// The expected look of the six items: shown and enabled, in the order
// Restore, Move, Size, Minimize, Maximize, Close ('-' hidden, 'g' greyed, 'e' enabled).
void ExpectItems(TMenu* menu, const wchar_t* const names[6], const char* look)
{
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(testing::Message() << "item " << i);
        const Shown s = ShownItem(menu, names[i]);
        EXPECT_EQ(s.present, look[i] != '-');
        if (s.present) {
            EXPECT_EQ(s.greyed, look[i] == 'g');
        }
    }
}

// ---- the provider's track seam: answers with the command of the item chosen
// when the menu is shown (the menu builds its items again for each show)
std::function<TMenuItem*()> choose;
int trackCalls = 0;
UINT ChooseCommand(HMENU, HWND, int, int)
{
    ++trackCalls;
    TMenuItem* item = choose ? choose() : nullptr;
    return item ? item->Command() : 0;
}
struct TrackSeam {
    TTrackSystemMenuFn saved = TrackSystemMenuFn;
    explicit TrackSeam(std::function<TMenuItem*()> chooser = nullptr)
    {
        choose = std::move(chooser);
        trackCalls = 0;
        TrackSystemMenuFn = ChooseCommand;
    }
    ~TrackSeam()
    {
        TrackSystemMenuFn = saved;
        choose = nullptr;
    }
};
TMenuItem* ItemWithTag(TMenu* menu, long tag)
{
    for (int i = 0; i < menu->Items()->Count(); ++i)
        if (menu->Items()->Items(i)->Tag() == tag) return menu->Items()->Items(i);
    return nullptr;
}

// Copies every file of a skin folder into another folder.
void CopySkinFolder(const String& from, const String& to)
{
    CreateDirectoryW(to.c_str(), nullptr);
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((from + L"\\*").c_str(), &fd);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            CopyFileW((from + L"\\" + fd.cFileName).c_str(), (to + L"\\" + fd.cFileName).c_str(), FALSE);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
}

String Before(const String& s, wchar_t c) { return s.substr(0, s.find(c)); }
String After(const String& s, wchar_t c)
{
    const size_t at = s.find(c);
    return at == String::npos ? String() : s.substr(at + 1);
}

// A modeless dialog of our own with the given style.
INT_PTR CALLBACK PlainDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
HWND CreatePlainDialog(DWORD style)
{
    struct alignas(4) Template {
        DLGTEMPLATE t;
        WORD menu = 0, cls = 0, title = 0;
    } tpl{};
    tpl.t.style = style;
    tpl.t.x = 20;
    tpl.t.y = 20;
    tpl.t.cx = 160;
    tpl.t.cy = 90;
    return CreateDialogIndirectParamW(GetModuleHandleW(nullptr), &tpl.t, nullptr, PlainDialogProc, 0);
}

class SystemMenus : public SkinRuntime {
protected:
    TSkinTestForm* SkinnedForm(TFormBorderStyle bs = TFormBorderStyle::bsSizeable,
                               TBorderIcons icons = biSystemMenu | biMinimize | biMaximize)
    {
        TSkinTestForm* f = NewForm(420, 300);
        f->SetBorderStyle(bs);
        f->SetBorderIcons(icons);
        f->HandleNeeded();
        provider = TsSkinProvider::Create(f);
        provider->AllowAnimation = false;
        f->Show();
        Pump(30);
        return f;
    }
    TsSkinProvider* provider = nullptr;
};

}  // namespace

// The rules themselves, for the cases a window is slow to reach: an iconic
// MDI child, a main form minimised, a window class without Close.
TEST(SystemMenuRules, EdgeCasesOfTheStateTables)
{
    struct Row {
        const char* name;
        TsSysMenuFacts facts;
        const char* look;   // Restore, Move, Size, Minimize, Maximize, Close
    };
    auto facts = [](auto change) {
        TsSysMenuFacts f;
        change(f);
        return f;
    };
    const Row rows[] = {
        {"iconic MDI child without boxes",
         facts([](TsSysMenuFacts& f) {
             f.Icons = biSystemMenu;
             f.MDIChild = true;
             f.Iconic = true;
             f.State = TWindowState::wsMinimized;
             f.MainForm = false;
         }),
         "eeggge"},   // Restore: minimised; Minimize and Maximize shown for an MDI child, greyed without boxes
        {"main form minimised keeps Minimize",
         facts([](TsSysMenuFacts& f) {
             f.Iconic = true;
             f.State = TWindowState::wsMinimized;
         }),
         "eegeee"},
        {"no Close in the real menu", facts([](TsSysMenuFacts& f) { f.RealClose = false; }), "geeee-"},
        {"Close greyed in the real menu", facts([](TsSysMenuFacts& f) { f.RealCloseDisabled = true; }), "geeeeg"},
        {"no system icon", facts([](TsSysMenuFacts& f) { f.Icons = biMinimize | biMaximize; }), "-ee---"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const TsSysMenuStates s = FormSysMenuStates(r.facts);
        const TsSysItemState* items[6] = {&s.Restore, &s.Move, &s.Size, &s.Minimize, &s.Maximize, &s.Close};
        for (int i = 0; i < 6; ++i) {
            const char want = r.look[i];
            EXPECT_EQ(items[i]->Visible, want != '-') << "item " << i;
            if (want != '-') {
                EXPECT_EQ(items[i]->Enabled, want == 'e') << "item " << i;
            }
        }
    }
}

// The items of a skinned form's menu as the user sees them, for forms with
// and without minimise, maximise and sizing, maximised and minimised.
TEST_F(SystemMenus, ItemsFollowTheFormsStyleAndState)
{
    SampleManager();
    struct Row {
        const char* name;
        TFormBorderStyle bs;
        TBorderIcons icons;
        TWindowState state;
        const char* look;   // Restore, Move, Size, Minimize, Maximize, Close
    };
    const TBorderIcons all = biSystemMenu | biMinimize | biMaximize;
    const Row rows[] = {
        {"sizeable", TFormBorderStyle::bsSizeable, all, TWindowState::wsNormal, "geeeee"},
        {"sizeable without maximise", TFormBorderStyle::bsSizeable, biSystemMenu | biMinimize,
         TWindowState::wsNormal, "geee-e"},
        {"single", TFormBorderStyle::bsSingle, all, TWindowState::wsNormal, "gegeee"},
        {"dialog", TFormBorderStyle::bsDialog, all, TWindowState::wsNormal, "-e---e"},
        {"tool window", TFormBorderStyle::bsToolWindow, all, TWindowState::wsNormal, "-e---e"},
        {"maximised", TFormBorderStyle::bsSizeable, all, TWindowState::wsMaximized, "eggege"},
        {"minimised, not the main form", TFormBorderStyle::bsSizeable, all, TWindowState::wsMinimized, "eeggee"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        TSkinTestForm* f = SkinnedForm(r.bs, r.icons);
        ASSERT_NE(Application->MainForm(), f);
        if (r.state == TWindowState::wsMaximized) ShowWindow(f->Handle(), SW_MAXIMIZE);
        if (r.state == TWindowState::wsMinimized) ShowWindow(f->Handle(), SW_MINIMIZE);
        Pump(20);
        ASSERT_EQ(f->WindowState(), r.state);
        TsSystemMenu* menu = provider->SystemMenu();
        menu->RefreshItemStates(true);
        ExpectItems(menu, SysItemNames, r.look);
        Free(f);
        forms.pop_back();
    }
}

// The standard items carry the real menu's captions and shortcuts; the
// program's own command (with a Tab and a shortcut) is listed above Close
// and posts its id; a sub-menu of the real menu is no command.
TEST_F(SystemMenus, RealCaptionsShortcutsAndTheProgramsCommands)
{
    SampleManager();
    TSkinTestForm* f = SkinnedForm();
    HWND wnd = f->Handle();
    HMENU real = GetSystemMenu(wnd, FALSE);
    ASSERT_NE(real, nullptr);
    constexpr UINT kFoo = 0x0120;
    ASSERT_TRUE(AppendMenuW(real, MF_STRING, kFoo, L"Фу\tCtrl+F"));
    HMENU sub = CreatePopupMenu();
    AppendMenuW(sub, MF_STRING, 0x0130, L"Внутри");
    ASSERT_TRUE(AppendMenuW(real, MF_POPUP, UINT_PTR(sub), L"Подменю"));

    TsSystemMenu* menu = provider->SystemMenu();
    menu->RefreshItemStates(true);
    const UINT commands[6] = {SC_RESTORE, SC_MOVE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE, SC_CLOSE};
    for (int i = 0; i < 6; ++i) {
        wchar_t text[256] = {};
        ASSERT_GT(GetMenuStringW(real, commands[i], text, 255, MF_BYCOMMAND), 0);
        TMenuItem* item = FindMenuItem(menu, SysItemNames[i]);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->Caption(), Before(text, L'\t'));
        EXPECT_EQ(item->ShortCut(), TextToShortCut(After(text, L'\t')));
        EXPECT_EQ(UINT(item->Tag()), commands[i]);
    }
    EXPECT_EQ(FindMenuItem(menu, SysItemNames[5])->ShortCut(), ShortCut(VK_F4, ssAlt));

    EXPECT_EQ(menu->ExtraCount(), 1);
    TMenuItem* root = menu->Items();
    const int close = root->IndexOf(FindMenuItem(menu, SysItemNames[5]));
    ASSERT_GE(close, 2);
    TMenuItem* foo = root->Items(close - 2);
    EXPECT_EQ(foo->Caption(), L"Фу");
    EXPECT_EQ(foo->ShortCut(), ShortCut('F', ssCtrl));
    EXPECT_EQ(UINT(foo->Tag()), kFoo);
    EXPECT_TRUE(root->Items(close - 1)->IsDivider());
    for (int i = 0; i < root->Count(); ++i) {
        EXPECT_NE(root->Items(i)->Caption(), L"Подменю");
        EXPECT_NE(UINT(root->Items(i)->Tag()), UINT(-1));
    }

    // Choosing: the program's command is posted with its id, Maximize is carried out.
    {
        TrackSeam seam([&] { return ItemWithTag(menu, kFoo); });
        POINT pt = provider->SystemMenuPointBelowIcon();
        EXPECT_TRUE(provider->ShowSystemMenuAt(pt.x, pt.y));
        EXPECT_EQ(trackCalls, 1);
        MSG msg{};
        ASSERT_TRUE(PeekMessageW(&msg, wnd, WM_SYSCOMMAND, WM_SYSCOMMAND, PM_REMOVE));
        EXPECT_EQ(msg.wParam, kFoo);
    }
    {
        TrackSeam seam([&] { return FindMenuItem(menu, SysItemNames[4]); });
        EXPECT_TRUE(provider->ShowSystemMenuAt(100, 100));
        Pump(30);
        EXPECT_TRUE(IsZoomed(wnd));
        // The menu follows at once: Restore enabled, Maximize greyed.
        EXPECT_FALSE(ShownItem(menu, SysItemNames[0]).greyed);
        EXPECT_TRUE(ShownItem(menu, SysItemNames[4]).greyed);
    }
}

// The provider's SysSubMenu goes where its Position says, its items copied
// (a click on a copy runs the program's handler).
TEST_F(SystemMenus, SubMenuMergedAtItsPosition)
{
    SampleManager();
    TSkinTestForm* f = SkinnedForm();
    TPopupMenu user(f);
    auto* first = new TMenuItem();
    first->SetCaption(L"Первый");
    first->SetName(L"miFirst");
    first->SetShortCut(ShortCut('1', ssCtrl));
    int clicks = 0;
    first->OnClick = [&clicks](TObject*) { ++clicks; };
    user.Items()->Add(first);
    auto* inner = new TMenuItem();
    inner->SetCaption(L"Вложенный");
    first->Add(inner);
    TkvSysSubMenu& sub = provider->SysSubMenu();
    sub.Caption = L"Ещё";
    sub.SetPopupMenu(&user);
    struct Row {
        TkvMenuItemPos pos;
        const wchar_t* order;   // names around the sub-menu, '|' between
    };
    const Row rows[] = {
        {TkvMenuItemPos::ipTop, L"kv_SubMenu|kv_TopDiv|kvIR"},
        {TkvMenuItemPos::ipBeforeClose, L"kv_SubMenu|kv_TopDiv|kvIC"},
        {TkvMenuItemPos::ipBottom, L"kvIC|kv_BtmDiv|kv_SubMenu"},
    };
    TsSystemMenu* menu = provider->SystemMenu();
    for (const Row& r : rows) {
        SCOPED_TRACE(int(r.pos));
        sub.Position = r.pos;
        menu->RefreshItemStates(true);
        TMenuItem* subItem = FindMenuItem(menu, L"kv_SubMenu");
        ASSERT_NE(subItem, nullptr);
        EXPECT_EQ(subItem->Caption(), L"Ещё");
        String order;
        const int at = menu->Items()->IndexOf(subItem);
        const int from = r.pos == TkvMenuItemPos::ipBottom ? at - 2 : at;
        for (int i = from; i < from + 3; ++i)
            order += (i > from ? L"|" : L"") + menu->Items()->Items(i)->Name();
        EXPECT_EQ(order, r.order);
        if (r.pos == TkvMenuItemPos::ipBottom) {
            EXPECT_EQ(at, menu->Items()->Count() - 1);
        }
        ASSERT_EQ(subItem->Count(), 1);
        TMenuItem* copy = subItem->Items(0);
        EXPECT_EQ(copy->Name(), L"miFirstCopy");
        EXPECT_EQ(copy->ShortCut(), first->ShortCut());
        ASSERT_EQ(copy->Count(), 1);
        EXPECT_EQ(copy->Items(0)->Caption(), L"Вложенный");
        copy->Click();
    }
    EXPECT_EQ(clicks, 3);
    // The program frees its popup: the provider forgets it.
    user.Items()->Clear();
}

// The skin list: 45 skins in columns of 20, the current one checked, a name
// with '&' shown as it is and chosen by its place in the list; a second show
// puts up one list, not two.
TEST_F(SystemMenus, SkinListInColumnsChosenByIndex)
{
    TempDir skins(L"sysmenu");
    const String sample = EnvPath("TALVERA_CONTENT") + L"\\Skins\\Slate";
    CopySkinFolder(sample, skins.Path() + L"Slate");
    CopySkinFolder(sample, skins.Path() + L"R&D");
    for (int i = 0; i < 43; ++i) {
        wchar_t name[32];
        swprintf(name, 32, L"Skin %02d\\Options.dat", i);
        skins.WriteFile(name, "[GLOBALINFO]\r\n");
    }
    TsSkinManager* m = SampleManager(false);
    m->SetSkinDirectory(skins.Path());
    m->SetSkinName(L"Slate");
    ASSERT_TRUE(m->Active());
    TSkinTestForm* f = SkinnedForm();
    provider->MakeSkinMenu = true;
    TsSystemMenu* menu = provider->SystemMenu();

    int countAfterFirst = 0;
    for (int show = 0; show < 2; ++show) {
        TrackSeam seam;
        ASSERT_TRUE(provider->ShowSystemMenuAt(100, 100));
        if (show == 0) countAfterFirst = menu->Items()->Count();
    }
    EXPECT_EQ(menu->Items()->Count(), countAfterFirst);

    TMenuItem* head = menu->Items()->Items(0);
    EXPECT_EQ(head->Name(), SkinSelectItemName);
    EXPECT_EQ(head->Caption(), SkinUIString(StrAvailableSkins));
    EXPECT_TRUE(menu->Items()->Items(1)->IsDivider());
    ASSERT_EQ(head->Count(), 45);
    ASSERT_EQ(menu->SkinNames().size(), 45u);
    int checked = 0;
    TMenuItem* rnd = nullptr;
    for (int i = 0; i < head->Count(); ++i) {
        TMenuItem* item = head->Items(i);
        EXPECT_EQ(item->Break() == TMenuBreak::mbBreak, i == 20 || i == 40) << i;
        EXPECT_TRUE(item->RadioItem());
        if (item->Checked()) {
            ++checked;
            EXPECT_EQ(menu->SkinNames()[size_t(i)], L"Slate");
        }
        if (menu->SkinNames()[size_t(i)] == L"R&D") rnd = item;
    }
    EXPECT_EQ(checked, 1);
    ASSERT_NE(rnd, nullptr);
    EXPECT_EQ(rnd->Caption(), L"R&&D");

    const String rndName = L"SkinSelectItem" + IntToStr(rnd->MenuIndex());
    TrackSeam seam([&] { return FindMenuItem(menu, rndName); });
    ASSERT_TRUE(provider->ShowSystemMenuAt(100, 100));
    EXPECT_EQ(m->SkinName(), L"R&D");
    EXPECT_TRUE(m->Active());
    (void)f;
}

// Alt+Space, a click on the title icon and a context menu asked for on the
// caption open the skinned menu (owner-drawn from the skin) at their point;
// with the skin list for the screenshot.
TEST_F(SystemMenus, OpensFromAltSpaceAndTheIcon)
{
    TsSkinManager* m = SampleManager();
    MenuWindowWrapping wrapping(m);
    TSkinTestForm* f = SkinnedForm();
    HWND wnd = f->Handle();
    provider->MakeSkinMenu = true;
    const POINT below = provider->SystemMenuPointBelowIcon();
    RECT wr{};
    GetWindowRect(wnd, &wr);
    const POINT caption{(wr.left + wr.right) / 2, (wr.top + below.y) / 2};
    struct Row {
        const char* what;
        std::function<void()> open;
        POINT at;
    };
    const Row rows[] = {
        {"Alt+Space", [&] { SendMessageW(wnd, WM_SYSCOMMAND, SC_KEYMENU, VK_SPACE); }, below},
        {"the icon", [&] { SendMessageW(wnd, WM_NCLBUTTONDOWN, HTSYSMENU, MAKELPARAM(below.x + 4, below.y - 4)); },
         below},
        {"a context menu on the caption",
         [&] { SendMessageW(wnd, WM_CONTEXTMENU, WPARAM(wnd), MAKELPARAM(caption.x, caption.y)); }, caption},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        HMENU shown = nullptr, list = nullptr;
        RECT at{};
        uint32_t selected = 0;
        int seenAt = 0;
        const bool openList = r.what == rows[0].what;
        RunMenuLoop(
            [&](int tick) {
                HWND menu = VisibleMenuWindow();   // the lowest: the system menu itself
                if (!menu) return false;
                if (!seenAt) {
                    seenAt = tick;
                    PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);   // selects "Available skins"
                }
                if (openList && tick == seenAt + 4) PostMessageW(menu, WM_KEYDOWN, VK_RIGHT, 0);
                if (tick < seenAt + 12) return false;
                shown = HMENU(SendMessageW(menu, MN_GETHMENU, 0, 0));
                GetWindowRect(menu, &at);
                selected = ScreenPixel(at.left + 10, at.top + 10);
                if (openList) {
                    RECT all = at;
                    HWND top = FindWindowW(L"#32768", nullptr);   // the highest: the skin list
                    if (top && top != menu && IsWindowVisible(top)) {
                        list = HMENU(SendMessageW(top, MN_GETHMENU, 0, 0));
                        RECT lr{};
                        GetWindowRect(top, &lr);
                        UnionRect(&all, &at, &lr);
                    }
                    SaveScreenShot(all, L"systemmenu_skinlist");
                }
                return true;
            },
            r.open);
        if (openList) {
            TMenuItem* head = FindMenuItem(provider->SystemMenu(), SkinSelectItemName);
            ASSERT_NE(head, nullptr);
            EXPECT_EQ(list, head->Handle());
        }
        ASSERT_NE(provider->SystemMenu(), nullptr);
        EXPECT_EQ(shown, provider->SystemMenu()->Handle());
        EXPECT_TRUE(provider->SystemMenu()->OwnerDraw());
        EXPECT_EQ(at.left, r.at.x);
        EXPECT_EQ(at.top, r.at.y);
        EXPECT_EQ(selected, SectionColor(m, L"MENUITEM", 1));
        EXPECT_TRUE(IsWindowVisible(wnd));
    }
}

// A dialog's menu: the six items with the library's captions, Close with
// Alt+F4, shown and greyed by the dialog's saved style; the items' commands
// reach the dialog.
TEST_F(SystemMenus, DialogMenuFollowsTheDialogsStyle)
{
    TsSkinManager* m = SampleManager();
    struct Row {
        const char* name;
        DWORD style;
        int show;
        const char* look;   // Restore, Move, Size, Minimize, Maximize, Close
        bool closeGreyed = false;   // the dialog's own system menu greys Close
    };
    const DWORD popup = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    const Row rows[] = {
        {"modal frame", popup | DS_MODALFRAME, SW_SHOW, "-e---e"},
        {"modal frame, Close greyed in its own menu", popup | DS_MODALFRAME, SW_SHOW, "-e---g", true},
        {"sizeable with boxes", popup | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, SW_SHOW, "geeeee"},
        {"sizeable, zoomed", popup | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, SW_MAXIMIZE, "egeege"},
        {"no caption", WS_POPUP | WS_BORDER, SW_SHOW, "-e----"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        HWND dlg = CreatePlainDialog(r.style);
        ASSERT_NE(dlg, nullptr);
        if (r.closeGreyed)
            EnableMenuItem(GetSystemMenu(dlg, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
        ShowWindow(dlg, r.show);
        Pump(20);
        auto* wrapper = new TkvDialogWnd(dlg, nullptr, m, L"DIALOG");
        wrapper->ReadStyles();
        {
            TkvSystemMenu menu(wrapper);
            for (int i = 0; i < 6; ++i) {
                TMenuItem* item = FindMenuItem(&menu, DialogItemNames[i]);
                ASSERT_NE(item, nullptr);
                EXPECT_EQ(item->Caption(), SkinUIString(StrSysMenuClose + unsigned(5 - i)));
            }
            EXPECT_EQ(FindMenuItem(&menu, L"miClose")->ShortCut(), ShortCut(VK_F4, ssAlt));
            EXPECT_EQ(menu.VisibleClose(), (r.style & WS_SYSMENU) != 0);
            ExpectItems(&menu, DialogItemNames, r.look);
            if (r.show == SW_MAXIMIZE) {
                FindMenuItem(&menu, L"miRestore")->Click();
                EXPECT_FALSE(IsZoomed(dlg));
                EXPECT_TRUE(ShownItem(&menu, L"miRestore").greyed);
            }
        }
        delete wrapper;
        DestroyWindow(dlg);
    }
}

// Without skinned popups the real menu opens, its items enabled and greyed
// for the form's state, and the chosen command is posted.
TEST_F(SystemMenus, RealMenuWithoutSkinnedPopups)
{
    TsSkinManager* m = SampleManager();
    m->SetSkinnedPopups(false);
    TSkinTestForm* f = SkinnedForm(TFormBorderStyle::bsSizeable, biSystemMenu | biMinimize);
    HWND wnd = f->Handle();
    HMENU real = GetSystemMenu(wnd, FALSE);
    TTrackSystemMenuFn saved = TrackSystemMenuFn;
    TrackSystemMenuFn = [](HMENU, HWND, int, int) -> UINT { return SC_MINIMIZE; };
    const bool shown = provider->ShowSystemMenuAt(100, 100);
    TrackSystemMenuFn = saved;
    ASSERT_TRUE(shown);
    auto greyed = [real](UINT cmd) { return (GetMenuState(real, cmd, MF_BYCOMMAND) & MF_GRAYED) != 0; };
    EXPECT_TRUE(greyed(SC_RESTORE));
    EXPECT_FALSE(greyed(SC_MOVE));
    EXPECT_FALSE(greyed(SC_SIZE));
    EXPECT_FALSE(greyed(SC_MINIMIZE));
    EXPECT_TRUE(greyed(SC_MAXIMIZE));
    EXPECT_FALSE(greyed(SC_CLOSE));
    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, wnd, WM_SYSCOMMAND, WM_SYSCOMMAND, PM_REMOVE));
    EXPECT_EQ(msg.wParam, WPARAM(SC_MINIMIZE));
}

// A manager put on the form after the provider becomes its manager; its
// removal is forgotten.
TEST_F(SystemMenus, ProviderHearsOfAManagerOnItsForm)
{
    TsSkinManager* first = SampleManager(false);
    TSkinTestForm* f = NewForm();
    TsSkinProvider* p = TsSkinProvider::Create(f);
    ASSERT_EQ(p->Manager(), first);
    auto* second = new TsSkinManager(nullptr);
    f->InsertComponent(second);
    EXPECT_EQ(p->Manager(), second);
    Free(second);
    EXPECT_EQ(p->Manager(), first);
}

// The client origin and the height above the client the provider answers
// are where the client area is; the menu line counts while an item shows.
TEST_F(SystemMenus, ClientOriginAndTopArea)
{
    SampleManager();
    TSkinTestForm* f = SkinnedForm();
    TMainMenu line(f);
    auto* file = new TMenuItem();
    file->SetCaption(L"Файл");
    line.Items()->Add(file);
    EXPECT_FALSE(provider->HasMenuLine());
    f->SetMenu(&line);
    EXPECT_TRUE(provider->HasMenuLine());
    file->SetVisible(false);
    EXPECT_FALSE(provider->HasMenuLine());
    file->SetVisible(true);
    Pump(20);
    RECT wr{};
    GetWindowRect(f->Handle(), &wr);
    POINT client{0, 0};
    ClientToScreen(f->Handle(), &client);
    if (!provider->BorderForm()) {
        EXPECT_EQ(provider->ClientOriginX(), client.x - wr.left);
        EXPECT_EQ(provider->ClientOriginY(), client.y - wr.top);
        EXPECT_EQ(provider->TopAreaHeight(), client.y - wr.top);
    }
    EXPECT_FALSE(provider->CacheSizeOutdated());
    EXPECT_TRUE(provider->ShowsTitleIcon());
    provider->SetShowAppIcon(false);
    EXPECT_FALSE(provider->ShowsTitleIcon());
    const POINT inWindow = provider->ScreenToWindowPoint(POINT{wr.left + 7, wr.top + 9});
    EXPECT_EQ(inWindow.x, 7);
    EXPECT_EQ(inWindow.y, 9);
    EXPECT_TRUE(provider->HasSystemIcon());
    f->SetMenu(nullptr);
}

// ---- what is left of the skinned menus: right to left, and drawing without a window

namespace {

// The pixels of a picture, row by row.
std::vector<uint32_t> PixelsOf(TBitmap& b)
{
    std::vector<uint32_t> px;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) px.push_back(uint32_t(GetPixel(b.Canvas().Handle(), x, y)) & 0xFFFFFF);
    return px;
}

// The columns where two pictures of one size differ (first and last; -1 when none).
std::pair<int, int> DifferingColumns(TBitmap& a, TBitmap& b)
{
    int first = -1, last = -1;
    for (int x = 0; x < a.Width(); ++x)
        for (int y = 0; y < a.Height(); ++y)
            if (GetPixel(a.Canvas().Handle(), x, y) != GetPixel(b.Canvas().Handle(), x, y)) {
                if (first < 0) first = x;
                last = x;
                break;
            }
    return {first, last};
}

struct MiddleEastScope {
    explicit MiddleEastScope(bool on) { MenusMiddleEast = on ? 1 : 0; }
    ~MiddleEastScope() { MenusMiddleEast = -1; }
};

}  // namespace

// On a Middle-Eastern system a right-to-left menu's picture is the mirror of
// the left-to-right one, and its captions stand on the right; a
// left-to-right menu stays as it is on any system.
TEST_F(SystemMenus, RightToLeftMenusAreMirrored)
{
    TsSkinManager* m = SampleManager();
    TsSkinableMenus& menus = m->SkinableMenus();
    // The extra line on the left makes the picture one-sided.
    m->MenuSupport.UseExtraLine = true;
    m->OnGetMenuExtraLineData = [](TMenuItem*, String&, String& caption, TBitmap*&, bool& visible) {
        caption = L"Меню";
        visible = true;
    };
    TPopupMenu popup(nullptr);
    auto add = [&](const wchar_t* caption) {
        auto* item = new TMenuItem();
        item->SetCaption(caption);
        popup.Items()->Add(item);
        return item;
    };
    add(L"Сохранить всё");   // the first item also brings the extra line's column
    TMenuItem* item = add(L"Ш");
    TMenuItem* blank = add(L"");
    auto picture = [&](bool middleEast, TBiDiMode mode) {
        MiddleEastScope scope(middleEast);
        popup.SetBiDiMode(mode);
        FreePopupBitmapCache();
        TBitmap canvasPic(10, 10, TPixelFormat::pf32bit);
        TsPopupCacheEntry* e = menus.GetPopupBitmap(item, nullptr, &canvasPic.Canvas());
        auto copy = std::make_unique<TBitmap>(e->Picture->Width(), e->Picture->Height(), TPixelFormat::pf32bit);
        BitBlt(copy->Canvas().Handle(), 0, 0, copy->Width(), copy->Height(), e->Picture->Canvas().Handle(), 0, 0,
               SRCCOPY);
        // The caption's columns: the item drawn over its part of the picture, with and without text.
        TBitmap withText(160, 22, TPixelFormat::pf32bit), without(160, 22, TPixelFormat::pf32bit);
        menus.PaintItemOver(item, withText.Canvas(), RECT{0, 0, 160, 22}, 0, *e);
        menus.PaintItemOver(blank, without.Canvas(), RECT{0, 0, 160, 22}, 0, *e);
        return std::make_pair(std::move(copy), DifferingColumns(withText, without));
    };
    auto [ltr, ltrText] = picture(false, TBiDiMode::bdRightToLeft);
    auto [rtl, rtlText] = picture(true, TBiDiMode::bdRightToLeft);
    auto [ltrOnArabic, ltrOnArabicText] = picture(true, TBiDiMode::bdLeftToRight);
    const int w = ltr->Width(), h = ltr->Height();
    ASSERT_EQ(rtl->Width(), w);
    const std::vector<uint32_t> a = PixelsOf(*ltr), b = PixelsOf(*rtl);
    bool symmetric = true, mirrored = true;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            symmetric = symmetric && a[size_t(y * w + x)] == a[size_t(y * w + w - 1 - x)];
            mirrored = mirrored && b[size_t(y * w + x)] == a[size_t(y * w + w - 1 - x)];
        }
    EXPECT_FALSE(symmetric);
    EXPECT_TRUE(mirrored);
    EXPECT_EQ(PixelsOf(*ltrOnArabic), a);
    ASSERT_GE(ltrText.first, 0);
    ASSERT_GE(rtlText.first, 0);
    EXPECT_LT(ltrText.second, 80);
    EXPECT_GT(rtlText.first, 80);
    EXPECT_EQ(ltrOnArabicText, ltrText);
    FreePopupBitmapCache();
}

// An item drawn where no menu window can be found posts one message to the
// application window (the popup's menu in LParam) so the manager borders the
// window later; no second one while it waits.
TEST_F(SystemMenus, ItemDrawnWithoutAWindowAsksForTheBorderOnce)
{
    TsSkinManager* m = SampleManager();
    TsSkinableMenus& menus = m->SkinableMenus();
    TPopupMenu popup(nullptr);
    auto* item = new TMenuItem();
    item->SetCaption(L"Открыть");
    popup.Items()->Add(item);
    menus.AttachMenu(&popup, true);
    HMENU handle = popup.Handle();
    HWND app = Application->Handle();
    MSG msg;
    while (PeekMessageW(&msg, app, MenuItemDrawnMessage, MenuItemDrawnMessage, PM_REMOVE)) {
    }
    TBitmap out(160, 22, TPixelFormat::pf32bit);
    for (int i = 0; i < 3; ++i) menus.PaintMenuItem(item, out.Canvas(), RECT{0, 0, 160, 22}, 0);
    int posted = 0;
    while (PeekMessageW(&msg, app, MenuItemDrawnMessage, MenuItemDrawnMessage, PM_REMOVE)) {
        ++posted;
        EXPECT_EQ(HMENU(msg.lParam), handle);
    }
    EXPECT_EQ(posted, 1);
    FreePopupBitmapCache();
}

// The MDI main form's active child counts as maximised for the menu line
// only while it is zoomed and shows its system icon.
TEST_F(SystemMenus, MDIChildMaximizedForTheMenuLine)
{
    TSkinTestForm* main = NewForm(560, 400);
    main->SetFormStyle(TFormStyle::fsMDIForm);
    main->Show();
    EXPECT_FALSE(IsMDIChildMaximized());
    auto* child = new TForm(Application);
    child->SetFormStyle(TFormStyle::fsMDIChild);
    child->SetBounds(10, 10, 240, 160);
    child->Show();
    Pump(20);
    struct Row {
        const char* name;
        int show;
        TBorderIcons icons;
        bool expected;
    };
    const Row rows[] = {
        {"normal", SW_RESTORE, biSystemMenu | biMinimize | biMaximize, false},
        {"maximised", SW_MAXIMIZE, biSystemMenu | biMinimize | biMaximize, true},
        {"maximised without system icon", SW_MAXIMIZE, biMinimize | biMaximize, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        child->SetBorderIcons(r.icons);
        ShowWindow(child->Handle(), r.show);
        Pump(20);
        ASSERT_EQ(main->ActiveMDIChild(), child);
        EXPECT_EQ(IsMDIChildMaximized(), r.expected);
    }
    Free(child);
}
