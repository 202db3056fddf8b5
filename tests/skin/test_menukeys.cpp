// Menus driven from the keyboard alone, as a user drives them: real key
// presses (SendInput, through the message queue) into a form whose menus are
// plain, then into the same form skinned, must choose the same commands:
// mnemonic letters in a popup, in a sub-menu, on the menu line and in the
// system menu, arrows over dividers and disabled items, shortcuts of the
// menu line's items.
//
// Every menu loop is ended by a timer at the latest (MenuLoop.h).
#include "tests/skin/SkinRuntimeFixture.h"
#include "tests/skin/MenuLoop.h"

#include "classlib/Menus.h"
#include "classlib/Subclass.h"
#include "skin/core/SkinMenus.h"
#include "skin/forms/SkinProvider.h"

using namespace skintest;
using namespace menuloop;

namespace {

// One key press: a virtual key, or a character typed as itself (whatever
// the keyboard layout), with modifiers held around it.
struct Stroke {
    WORD vk = 0;
    wchar_t ch = 0;
    TShiftState mods = 0;
};
Stroke Vk(WORD vk, TShiftState mods = 0) { return Stroke{vk, 0, mods}; }
Stroke Ch(wchar_t ch, TShiftState mods = 0) { return Stroke{0, ch, mods}; }

void Type(const std::vector<Stroke>& strokes)
{
    std::vector<INPUT> in;
    auto key = [&](WORD vk, wchar_t ch, bool up) {
        INPUT i{};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = vk;
        i.ki.wScan = ch;
        i.ki.dwFlags = (ch ? KEYEVENTF_UNICODE : 0) | (up ? KEYEVENTF_KEYUP : 0);
        in.push_back(i);
    };
    const std::pair<TShiftState, WORD> modifiers[] = {{ssAlt, VK_MENU}, {ssCtrl, VK_CONTROL}, {ssShift, VK_SHIFT}};
    for (const Stroke& s : strokes) {
        for (auto [flag, vk] : modifiers)
            if (s.mods & flag) key(vk, 0, false);
        key(s.vk, s.ch, false);
        key(s.vk, s.ch, true);
        for (auto [flag, vk] : modifiers)
            if (s.mods & flag) key(vk, 0, true);
    }
    SendInput(UINT(in.size()), in.data(), sizeof(INPUT));
}

// The system command an extra entry of the window's system menu sends.
constexpr UINT kExtraCommand = 0x0120;
String chosen;   // what the last keys chose
HHOOK postedHook = nullptr;
LRESULT CALLBACK WatchPosted(int code, WPARAM w, LPARAM l)
{
    auto* msg = reinterpret_cast<MSG*>(l);
    if (code == HC_ACTION && w == PM_REMOVE && msg->message == WM_SYSCOMMAND && (msg->wParam & 0xFFF0) == kExtraCommand)
        chosen = L"system menu: &Тест";
    return CallNextHookEx(postedHook, code, w, l);
}

TMenuItem* NewItem(TMenuItem* parent, const String& caption)
{
    auto* item = new TMenuItem();
    item->SetCaption(caption);
    parent->Add(item);
    if (caption != L"-")
        item->OnClick = [item](TObject*) {
            if (item->Count() == 0) chosen = item->Caption();
        };
    return item;
}

class MenuKeys : public SkinRuntime {
protected:
    void TearDown() override
    {
        if (postedHook) UnhookWindowsHookEx(postedHook);
        postedHook = nullptr;
        SkinRuntime::TearDown();
    }
    // The form takes the keys (no control of it has the focus).
    static void FocusForm(TCustomForm* form)
    {
        SetForegroundWindow(form->Handle());
        SetActiveWindow(form->Handle());
        SetFocus(form->Handle());
        Pump(30);
    }
};

}  // namespace

TEST_F(MenuKeys, SkinnedMenusChooseWhatPlainOnesChoose)
{
    TSkinTestForm* form = NewForm(420, 260);
    TMainMenu line(form);
    TMenuItem* file = NewItem(line.Items(), L"&Файл");
    NewItem(file, L"&Открыть")->SetShortCut(ShortCut('O', ssCtrl));
    NewItem(file, L"-");
    NewItem(file, L"&Печать");
    TMenuItem* save = NewItem(file, L"&Сохранить");
    save->SetShortCut(ShortCut('S', ssCtrl));
    save->SetEnabled(false);
    TMenuItem* help = NewItem(line.Items(), L"&Справка");
    NewItem(help, L"&О программе");
    NewItem(line.Items(), L"&Help");
    TPopupMenu popup(form);
    NewItem(popup.Items(), L"&Альфа");
    NewItem(popup.Items(), L"-");
    NewItem(popup.Items(), L"&Гамма");
    NewItem(popup.Items(), L"&Бета")->SetEnabled(false);
    NewItem(popup.Items(), L"&Дельта");
    NewItem(popup.Items(), L"&Дзета");
    TMenuItem* more = NewItem(popup.Items(), L"&Ещё");
    NewItem(more, L"&Первый");
    NewItem(more, L"&Второй");
    form->SetMenu(&line);
    form->SetPopupMenu(&popup);
    form->SetVisible(true);
    AppendMenuW(GetSystemMenu(form->Handle(), FALSE), MF_STRING, kExtraCommand, L"&Тест");
    postedHook = SetWindowsHookExW(WH_GETMESSAGE, WatchPosted, nullptr, GetCurrentThreadId());

    const Stroke menuKey = Vk(VK_F10, ssShift);   // the context menu
    struct Row {
        const char* name;
        std::vector<Stroke> keys;
        const wchar_t* expected;   // nil: whatever the plain menu chooses
    };
    const Row rows[] = {
        {"letter in a popup", {menuKey, Ch(L'г')}, L"&Гамма"},
        {"capital letter", {menuKey, Ch(L'Г')}, L"&Гамма"},
        {"letter opens a sub-menu, then a letter there", {menuKey, Ch(L'е'), Ch(L'в')}, L"&Второй"},
        {"letter two items share", {menuKey, Ch(L'д')}, nullptr},
        {"letter no item has", {menuKey, Ch(L'ж'), Vk(VK_ESCAPE)}, L""},
        {"Down steps over the divider", {menuKey, Vk(VK_DOWN), Vk(VK_DOWN), Vk(VK_RETURN)}, L"&Гамма"},
        {"Up wraps round to the last items", {menuKey, Vk(VK_DOWN), Vk(VK_UP), Vk(VK_UP), Vk(VK_RETURN)}, L"&Дзета"},
        {"Down onto a disabled item", {menuKey, Vk(VK_DOWN), Vk(VK_DOWN), Vk(VK_DOWN), Vk(VK_RETURN)}, nullptr},
        {"Alt+letter on the menu line", {Vk('H', ssAlt)}, L"&Help"},
        // A character typed with Alt held comes with the key's flags in it
        // under the test platform, so letters of the menu line that no
        // key of the layout makes are typed after F10 (as users may too).
        {"F10, a letter on the menu line, a letter", {Vk(VK_F10), Ch(L'с'), Ch(L'о')}, L"&О программе"},
        {"F10, a letter, Down over the divider", {Vk(VK_F10), Ch(L'ф'), Vk(VK_DOWN), Vk(VK_RETURN)}, L"&Печать"},
        {"F10, a letter, Right to the next menu", {Vk(VK_F10), Ch(L'ф'), Vk(VK_RIGHT), Vk(VK_RETURN)},
         L"&О программе"},
        {"shortcut", {Vk('O', ssCtrl)}, L"&Открыть"},
        {"shortcut of a disabled item", {Vk('S', ssCtrl)}, L""},
        {"system menu letter", {Vk(VK_SPACE, ssAlt), Ch(L'т')}, L"system menu: &Тест"},
    };
    std::vector<String> plain, skinned;
    for (std::vector<String>* results : {&plain, &skinned}) {
        if (results == &skinned) {
            TsSkinManager* m = SampleManager();
            TsSkinProvider::Create(form);
            ASSERT_TRUE(m->SkinData().Active);
            FocusForm(form);
            SendMessageW(form->Handle(), WM_ACTIVATE, WA_ACTIVE, 0);
            ASSERT_TRUE(line.OwnerDraw());
        }
        for (const Row& r : rows) {
            FocusForm(form);
            chosen = L"";
            RunMenuLoop([](int tick) { return tick >= 40; },
                        [&] {
                            Type(r.keys);
                            Pump(250);
                        });
            results->push_back(chosen);
        }
    }
    EXPECT_TRUE(popup.OwnerDraw());
    for (size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].name);
        if (rows[i].expected) {
            EXPECT_EQ(StringToUtf8(plain[i]), StringToUtf8(rows[i].expected));
        }
        EXPECT_EQ(StringToUtf8(skinned[i]), StringToUtf8(plain[i]));
    }
    form->SetPopupMenu(nullptr);
    form->SetMenu(nullptr);
}

// The skin switched off while a menu is open (a context popup, the system
// menu): the open menu window is the system's again at once (no layer of
// ours on its procedure, not transparent, not cut to the skin's shape), and
// the key pressed after that chooses what it chooses with the skin on.
TEST_F(MenuKeys, SkinOffWhileAMenuIsOpen)
{
    TSkinTestForm* form = NewForm(420, 260);
    TPopupMenu popup(form);
    NewItem(popup.Items(), L"&Альфа");
    NewItem(popup.Items(), L"&Гамма");
    form->SetPopupMenu(&popup);
    form->SetVisible(true);
    AppendMenuW(GetSystemMenu(form->Handle(), FALSE), MF_STRING, kExtraCommand, L"&Тест");
    postedHook = SetWindowsHookExW(WH_GETMESSAGE, WatchPosted, nullptr, GetCurrentThreadId());
    TsSkinManager* m = SampleManager();
    m->MenuSupport.AlphaBlend = 200;
    TsSkinProvider::Create(form);
    MenuWindowWrapping wrapping(m);

    struct Row {
        const char* name;
        Stroke open;
        Stroke choose;
        bool switchOff;
        const wchar_t* expected;
    };
    const Row rows[] = {
        {"popup, skin on", Vk(VK_F10, ssShift), Ch(L'г'), false, L"&Гамма"},
        {"popup, skin off while open", Vk(VK_F10, ssShift), Ch(L'г'), true, L"&Гамма"},
        {"system menu, skin on", Vk(VK_SPACE, ssAlt), Ch(L'т'), false, L"system menu: &Тест"},
        {"system menu, skin off while open", Vk(VK_SPACE, ssAlt), Ch(L'т'), true, L"system menu: &Тест"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        m->SetActive(true);
        ASSERT_TRUE(m->SkinData().Active);
        FocusForm(form);
        chosen = L"";
        struct Seen {
            int firstTick = 0;
            bool read = false;
            int layers = 0;
            bool classProc = false;
            bool transparent = false;
            bool region = false;
        } seen;
        RunMenuLoop(
            [&](int tick) {
                HWND menu = VisibleMenuWindow();
                if (!menu || seen.read) return false;
                if (!seen.firstTick) seen.firstTick = tick;
                if (tick < seen.firstTick + 6) return false;   // shown and painted
                if (r.switchOff) m->SetActive(false);
                seen.read = true;
                if (TWindowRecord* rec = TWindowRecord::Find(menu))
                    for (const auto& layer : rec->layers)
                        if (layer->installed) ++seen.layers;
                seen.classProc =
                    GetWindowLongPtrW(menu, GWLP_WNDPROC) == LONG_PTR(GetClassLongPtrW(menu, GCLP_WNDPROC));
                BYTE alpha = 255;
                DWORD flags = 0;
                seen.transparent = (GetWindowLongW(menu, GWL_EXSTYLE) & WS_EX_LAYERED) &&
                                   GetLayeredWindowAttributes(menu, nullptr, &alpha, &flags) &&
                                   (flags & LWA_ALPHA) && alpha < 255;
                HRGN rgn = CreateRectRgn(0, 0, 0, 0);
                seen.region = GetWindowRgn(menu, rgn) != ERROR;
                DeleteObject(rgn);
                Type({r.choose});
                return false;
            },
            [&] {
                Type({r.open});
                Pump(250);
            });
        Pump(50);
        ASSERT_TRUE(seen.read);
        EXPECT_EQ(seen.layers > 0, !r.switchOff);   // with the skin on, the wrapper is there
        EXPECT_EQ(seen.classProc, r.switchOff);
        EXPECT_EQ(seen.transparent, !r.switchOff);
        if (r.switchOff) {
            EXPECT_FALSE(seen.region);
        }
        EXPECT_EQ(StringToUtf8(chosen), StringToUtf8(r.expected));
    }
    form->SetPopupMenu(nullptr);
}
