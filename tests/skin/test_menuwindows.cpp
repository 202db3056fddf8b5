// Skinned menus on real menu windows under the sample skin: a form's menu
// line and a popup menu drawn from the skin's sections, and the popup-menu
// window wrapper's transparency while the system shows the window.
//
// A menu runs a modal loop; every test here ends it from a timer procedure
// (after a bounded number of ticks at the latest), so no test can hang.
#include "tests/skin/SkinRuntimeFixture.h"
#include "tests/skin/MenuLoop.h"

#include <functional>

#include "classlib/Classes.h"
#include "classlib/Menus.h"
#include "skin/controls/MenuWnd.h"
#include "skin/core/MenuWindows.h"
#include "skin/core/SkinMenus.h"
#include "skin/forms/SkinProvider.h"
#include "skin/graphics/LayeredApi.h"

using namespace skintest;
using namespace menuloop;

namespace {

TMenuItem* NewItem(TMenuItem* parent, const String& caption)
{
    auto* item = new TMenuItem();
    item->SetCaption(caption);
    parent->Add(item);
    return item;
}

// ---- what a menu window looked like the moment the system showed it
struct LayeredState {
    bool seen = false;
    bool layered = false;
    BYTE alpha = 255;
};
LayeredState atShow;
HHOOK retHook = nullptr;

LayeredState ReadLayered(HWND wnd)
{
    LayeredState s;
    s.seen = true;
    s.layered = (GetWindowLongW(wnd, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
    DWORD flags = 0;
    BYTE alpha = 255;
    COLORREF key = 0;
    if (s.layered && GetLayeredWindowAttributes(wnd, &key, &alpha, &flags) && (flags & LWA_ALPHA)) s.alpha = alpha;
    return s;
}

LRESULT CALLBACK WatchShowing(int code, WPARAM w, LPARAM l)
{
    auto* c = reinterpret_cast<CWPRETSTRUCT*>(l);
    if (code == HC_ACTION && c->message == WM_WINDOWPOSCHANGING && !atShow.seen) {
        auto* wp = reinterpret_cast<WINDOWPOS*>(c->lParam);
        wchar_t cls[16] = {};
        GetClassNameW(c->hwnd, cls, 16);
        if (wp && (wp->flags & SWP_SHOWWINDOW) && wcscmp(cls, L"#32768") == 0) atShow = ReadLayered(c->hwnd);
    }
    return CallNextHookEx(retHook, code, w, l);
}

RECT Union(RECT a, RECT b)
{
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

class MenuWindows : public SkinRuntime {
protected:
    void TearDown() override
    {
        atShow = {};
        MenuWindowShown = false;
        SkinRuntime::TearDown();
    }
};

}  // namespace

// The menu window is transparent from the moment the system shows it until
// it is painted, then at the skin's menu alpha; opaque means not layered at
// all. Where the skinned menus do not paint the window, it is never made
// transparent, even when a popup was measured.
TEST_F(MenuWindows, PopupAlphaFollowsTheSkin)
{
    ASSERT_NE(SetLayeredWindowAttributesFn, nullptr);
    struct Row {
        const char* name;
        uint8_t alpha;
        bool skinnedPopups;
        bool measuredElsewhere;   // the skinned menus measured another popup just before
        bool layeredAtShow;
        bool layeredAfter;
        uint8_t alphaAfter;
    };
    const Row rows[] = {
        {"alpha 200", 200, true, false, true, true, 200},
        {"opaque", 255, true, false, true, false, 255},
        {"plain popups", 200, false, false, false, false, 255},
        {"plain popup after a skinned one", 200, false, true, false, false, 255},
    };
    TsSkinManager* m = SampleManager();
    MenuWindowWrapping wrapping(m);
    TSkinTestForm* form = NewForm(300, 200);
    form->SetVisible(true);
    retHook = SetWindowsHookExW(WH_CALLWNDPROCRET, WatchShowing, nullptr, GetCurrentThreadId());
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        m->MenuSupport.AlphaBlend = r.alpha;
        m->SetSkinnedPopups(r.skinnedPopups);
        TPopupMenu popup(nullptr);
        for (const wchar_t* c : {L"Вырезать", L"Копировать", L"Вставить"})
            NewItem(popup.Items(), c);
        m->SkinableMenus().AttachMenu(&popup, r.skinnedPopups);
        MenuWindowShown = r.measuredElsewhere;
        atShow = {};
        LayeredState shown;
        RunMenuLoop(
            [&](int tick) {
                HWND menu = VisibleMenuWindow();
                if (!menu || tick < 5) return false;
                shown = ReadLayered(menu);
                return true;
            },
            [&] { TrackPopupMenu(popup.Handle(), TPM_RETURNCMD, 100, 100, 0, form->Handle(), nullptr); });
        ASSERT_TRUE(atShow.seen);
        ASSERT_TRUE(shown.seen);
        EXPECT_EQ(atShow.layered && atShow.alpha == 0, r.layeredAtShow);
        EXPECT_EQ(shown.layered, r.layeredAfter);
        EXPECT_EQ(shown.alpha, r.alphaAfter);
    }
    UnhookWindowsHookEx(retHook);
    retHook = nullptr;
    // Every menu window was destroyed: its wrapper is dead and freed by the next attach.
    for (TkvMnuWnd* w : MenuWrappers())
        EXPECT_TRUE(w->Dead());
    EXPECT_FALSE(MenuWindowShown);
}

// A popup with checked, radio, disabled and sub-menu items under the sample
// skin: the selected item shows the skin's selected colour, the window the
// skin's border; the picture goes with the window.
TEST_F(MenuWindows, PopupDrawnFromTheSkin)
{
    TsSkinManager* m = SampleManager();
    MenuWindowWrapping wrapping(m);
    TSkinTestForm* form = NewForm(300, 200);
    form->SetVisible(true);
    TPopupMenu popup(form);
    TMenuItem* open = NewItem(popup.Items(), L"Открыть");
    open->SetShortCut(ShortCut('O', ssCtrl));
    NewItem(popup.Items(), L"-");
    NewItem(popup.Items(), L"Панель инструментов")->SetChecked(true);
    TMenuItem* big = NewItem(popup.Items(), L"Крупно");
    TMenuItem* small = NewItem(popup.Items(), L"Мелко");
    for (TMenuItem* r : {big, small})
        r->SetRadioItem(true);
    small->SetChecked(true);
    NewItem(popup.Items(), L"Недоступно")->SetEnabled(false);
    TMenuItem* more = NewItem(popup.Items(), L"Ещё");
    NewItem(more, L"Первое");
    NewItem(more, L"Второе");
    popup.SetWindowHandle(form->Handle());
    m->SkinableMenus().AttachMenu(&popup, true);
    ASSERT_TRUE(popup.OwnerDraw());

    RECT menuRect{};
    uint32_t selected = 0;
    bool hadPicture = false;
    RunMenuLoop(
        [&](int tick) {
            HWND menu = VisibleMenuWindow();
            if (!menu) return false;
            if (tick == 3) PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);   // selects the first item
            if (tick < 12) return false;
            GetWindowRect(menu, &menuRect);
            // Inside the first item, left of its caption, below its frame.
            selected = ScreenPixel(menuRect.left + 10, menuRect.top + 10);
            hadPicture = MenuWindowPicture(menu) != nullptr;
            SaveScreenShot(menuRect, L"menus_popup");
            return true;
        },
        [&] { popup.Popup(120, 90); });
    EXPECT_TRUE(hadPicture);
    EXPECT_EQ(selected, SectionColor(m, L"MENUITEM", 1));
    EXPECT_EQ(MenuWindowPicture(nullptr), nullptr);
    EXPECT_EQ(PopupBitmapCacheCount(), 0);   // the picture went with its window
}

// A form's menu line drawn from the skin, and dropped: the line shows the
// menu-line section, the opened item the selected colour.
TEST_F(MenuWindows, MainMenuDroppedFromTheSkin)
{
    TsSkinManager* m = SampleManager(false);
    TSkinTestForm* form = NewForm(360, 220);
    TMainMenu line(form);
    TMenuItem* file = NewItem(line.Items(), L"Файл");
    for (const wchar_t* c : {L"Создать", L"Открыть…", L"-", L"Выход"})
        NewItem(file, c);
    TMenuItem* edit = NewItem(line.Items(), L"Правка");
    NewItem(edit, L"Копировать");
    NewItem(line.Items(), L"Справка");
    form->SetMenu(&line);
    form->SetVisible(true);
    m->SetSkinName(L"Slate");   // attaches every menu of the application
    ASSERT_TRUE(line.OwnerDraw());
    RedrawWindow(form->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    Pump(50);

    RECT help{};
    ASSERT_TRUE(GetMenuItemRect(form->Handle(), line.Handle(), 2, &help));
    uint32_t lineColor = SectionColor(m, L"MAINMENU", 0);
    EXPECT_EQ(ScreenPixel(help.left + 1, help.top + 1), lineColor);

    RECT fileRect{};
    uint32_t dropped = 0;
    RunMenuLoop(
        [&](int tick) {
            HWND menu = VisibleMenuWindow();
            if (!menu) return false;
            if (tick < 10) return false;
            GetMenuItemRect(form->Handle(), line.Handle(), 0, &fileRect);
            dropped = ScreenPixel(fileRect.left + 5, fileRect.top + 4);
            RECT menuRect, formRect;
            GetWindowRect(menu, &menuRect);
            GetWindowRect(form->Handle(), &formRect);
            SaveScreenShot(Union(menuRect, formRect), L"menus_mainmenu");
            return true;
        },
        [&] {
            // The menu line opens with its first item dropped, as Alt, Down does.
            PostMessageW(form->Handle(), WM_KEYDOWN, VK_DOWN, 0);
            SendMessageW(form->Handle(), WM_SYSCOMMAND, SC_KEYMENU, 0);
        });
    EXPECT_EQ(dropped, SectionColor(m, L"MENUITEM", 1));
}

// The menus a skinned form gets after the skin was loaded: its menu line is
// skinned when the form is activated, its context menu when it is asked for,
// and the line's items take the skinned menus' size.
TEST_F(MenuWindows, ProviderSkinsTheFormsMenus)
{
    TsSkinManager* m = SampleManager();
    TSkinTestForm* form = NewForm(320, 200);
    TsSkinProvider::Create(form);
    TMainMenu line(form);
    TMenuItem* file = NewItem(line.Items(), L"Файл");
    NewItem(file, L"Выход");
    TPopupMenu context(form);
    NewItem(context.Items(), L"Свойства");
    form->SetMenu(&line);
    form->SetPopupMenu(&context);
    ASSERT_FALSE(line.OwnerDraw());
    ASSERT_FALSE(context.OwnerDraw());
    form->SetVisible(true);
    SendMessageW(form->Handle(), WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_TRUE(line.OwnerDraw());
    EXPECT_TRUE(file->OnMeasureItem == TMenuMeasureItemEvent(&m->SkinableMenus(), &TsSkinableMenus::MeasureMenuLineItem));

    MEASUREITEMSTRUCT mis{ODT_MENU, 0, file->Command(), 0, 0, file->Command()};
    file->OnMeasureItem = nullptr;   // the form's answer alone would be the plain size
    SendMessageW(form->Handle(), WM_MEASUREITEM, 0, LPARAM(&mis));
    TBitmap probe(4, 4, TPixelFormat::pf32bit);
    GetMenuFont(probe.Canvas().Font());
    EXPECT_EQ(int(mis.itemWidth), probe.Canvas().TextWidth(L"Файл") + 2 * m->SkinableMenus().Margin);
    EXPECT_EQ(int(mis.itemHeight), GetSystemMetrics(SM_CYMENU) - 1);

    bool ownerDrawnWhenShown = false;
    RunMenuLoop(
        [&](int) {
            if (!VisibleMenuWindow()) return false;
            ownerDrawnWhenShown = context.OwnerDraw();
            return true;
        },
        [&] { SendMessageW(form->Handle(), WM_CONTEXTMENU, WPARAM(form->Handle()), MAKELPARAM(150, 150)); });
    EXPECT_TRUE(ownerDrawnWhenShown);
    form->SetPopupMenu(nullptr);
    form->SetMenu(nullptr);
}
