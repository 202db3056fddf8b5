// A skinned form's frame as a user meets it: commands chosen from a title
// bar's drop-down or the system menu that free the bar, the menu or the form;
// a Close greyed in the system menu; the user's title buttons, the title icon,
// the caption's plate, the caption alignment, a live border-style change, the
// size grip, the transparency answer, border mode 1 with the program's own hit
// test, and the title-bar sections of the sample skins. Real windows under
// Wine, driven by real mouse and keyboard input where a user's hands reach.
//
// This program fills every block it frees with 0xFE before giving it back, so
// code that goes on with an object a command freed faults at once; the
// fixture counts every access fault, also those a window procedure's caller
// swallows (as the system does around window procedures of 64-bit programs).
#include <gtest/gtest.h>
#include <malloc.h>
#include <windows.h>

#include <atomic>
#include <cstring>

#include "classlib/Menus.h"
#include "skin/core/ControlPaint.h"
#include "skin/forms/BorderForm.h"
#include "skin/forms/ClientPaint.h"
#include "skin/forms/FramePaint.h"
#include "skin/forms/SkinProvider.h"
#include "skin/forms/SystemMenu.h"
#include "skin/forms/TitleBar.h"
#include "skin/forms/TitleGlow.h"
#include "skin/graphics/SkinCommands.h"
#include "tests/skin/SkinRuntimeFixture.h"

// Freed blocks wait in a ring of the last 64 Ki frees before they go back to
// the heap, so that a new allocation does not cover the poison at once.
namespace {
void* g_freed[1 << 16];
size_t g_freedNext = 0;
std::atomic_flag g_freeing = ATOMIC_FLAG_INIT;
}  // namespace

void operator delete(void* p) noexcept
{
    if (!p)
        return;
    std::memset(p, 0xFE, _msize(p));
    while (g_freeing.test_and_set(std::memory_order_acquire)) {
    }
    void*& slot = g_freed[g_freedNext++ % (sizeof g_freed / sizeof g_freed[0])];
    void* old = slot;
    slot = p;
    g_freeing.clear(std::memory_order_release);
    free(old);
}
void operator delete(void* p, size_t) noexcept { operator delete(p); }

using namespace skintest;

namespace {

void SendMouse(DWORD flags)
{
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    SendInput(1, &in, sizeof in);
}

// settle: let the mouse's move arrive first (not from inside a menu's loop).
void Click(POINT at, bool right = false, bool settle = true)
{
    SetCursorPos(at.x, at.y);
    if (settle)
        Pump(20);
    SendMouse(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN);
    SendMouse(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP);
}

void SendKey(WORD vk)
{
    INPUT in[2]{};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = vk;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof(INPUT));
}

HWND VisibleMenu()
{
    HWND found = nullptr;
    for (HWND w = FindWindowExW(nullptr, nullptr, L"#32768", nullptr); w;
         w = FindWindowExW(nullptr, w, L"#32768", nullptr))
        if (IsWindowVisible(w))
            found = w;
    return found;
}

// The visible menu window that shows menu (nil: none).
HWND MenuWindowOf(HMENU menu)
{
    for (HWND w = FindWindowExW(nullptr, nullptr, L"#32768", nullptr); w;
         w = FindWindowExW(nullptr, w, L"#32768", nullptr))
        if (IsWindowVisible(w) && HMENU(SendMessageW(w, MN_GETHMENU, 0, 0)) == menu)
            return w;
    return nullptr;
}

// One step into the next menu that opens, per tick once it shows: a key typed,
// or (with clicks) a click on the item of that index, the first in the menu
// shown first, each later one in the sub-menu the previous click opened. A
// menu still open after 3 s is ended.
std::vector<int> g_steps;
bool g_clicks = false;
size_t g_next = 0;
int g_ticks = 0;
HMENU g_menu = nullptr;
void CALLBACK StepIntoMenu(HWND, UINT, UINT_PTR, DWORD)
{
    ++g_ticks;
    HWND shown = VisibleMenu();
    if (shown && g_next < g_steps.size()) {
        if (!g_clicks) {
            SendKey(WORD(g_steps[g_next++]));
            return;
        }
        if (!g_menu)
            g_menu = HMENU(SendMessageW(shown, MN_GETHMENU, 0, 0));
        else if (g_next > 0 && !MenuWindowOf(g_menu))
            return;   // the sub-menu is not open yet
        RECT r{};
        if (g_menu && GetMenuItemRect(nullptr, g_menu, UINT(g_steps[g_next]), &r)) {
            Click(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}, false, false);
            g_menu = GetSubMenu(g_menu, g_steps[g_next]);
            ++g_next;
        }
    } else if (g_ticks > 100 && shown) {
        EndMenu();
    }
}

// Runs act (a click or a key that opens a menu) and steps into that menu.
void ChooseFromMenu(const std::vector<int>& steps, const std::function<void()>& act, bool clicks = false)
{
    g_steps = steps;
    g_clicks = clicks;
    g_next = 0;
    g_ticks = 0;
    g_menu = nullptr;
    const UINT_PTR timer = SetTimer(nullptr, 0, 60, StepIntoMenu);
    act();
    const DWORD until = GetTickCount() + 4000;
    while (GetTickCount() < until && (g_next < g_steps.size() || VisibleMenu()))
        Pump(20);
    KillTimer(nullptr, timer);
    Pump(100);
}

TMenuItem* AddItem(TPopupMenu* menu, const wchar_t* caption, std::function<void()> click)
{
    auto* mi = new TMenuItem();
    mi->SetCaption(caption);
    mi->OnClick = [click](TObject*) { click(); };
    menu->Items()->Add(mi);
    return mi;
}

uint32_t Rgb(uint32_t argb) { return argb & 0xFFFFFFu; }
// A section's state colour as a pixel of a 32-bit view (0x00RRGGBB).
uint32_t PixelColor(TsSkinManager* m, const wchar_t* section, int state)
{
    const int s = m->FindSectionIndex(section);
    const COLORREF c = COLORREF(m->gd()[size_t(s)].Props[size_t(state)].Color) & 0xFFFFFF;
    return (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | GetBValue(c);
}

LONG g_faults = 0;
LONG CALLBACK CountFault(EXCEPTION_POINTERS* e)
{
    if (e->ExceptionRecord->ExceptionCode == EXCEPTION_ACCESS_VIOLATION)
        ++g_faults;
    return EXCEPTION_CONTINUE_SEARCH;
}

class FormFrames : public SkinRuntime {
protected:
    void SetUp() override
    {
        SkinRuntime::SetUp();
        g_faults = 0;
        faultWatch = AddVectoredExceptionHandler(1, CountFault);
    }
    void TearDown() override
    {
        SkinRuntime::TearDown();
        RemoveVectoredExceptionHandler(faultWatch);
        EXPECT_EQ(g_faults, 0) << "no object was used after it was freed";
    }
    void* faultWatch = nullptr;

    // A visible skinned form of the sample skin (or the manager given).
    void Make(TsSkinManager* manager = nullptr, int w = 460, int h = 300)
    {
        m = manager ? manager : SampleManager();
        f = NewForm(w, h);
        SetWindowTextW(f->Handle(), L"Frames");
        f->Show();
        Pump(30);
        p = TsSkinProvider::Create(f);
        p->AllowAnimation = false;
        wnd = f->Handle();
        ASSERT_TRUE(p->Skinned());
        p->RefreshFormFrame();
        Pump(30);
    }
    TsFramePainter& Painter() { return FramePainterOf(*p); }
    // A frame-picture rectangle on the screen (the border window's picture when there is one).
    POINT ScreenOf(const RECT& r)
    {
        RECT wr{};
        TkvBorderWindow* border = p->BorderForm() ? p->BorderForm()->WindowIfMade() : nullptr;
        GetWindowRect(border ? border->Handle() : wnd, &wr);
        return POINT{wr.left + (r.left + r.right) / 2, wr.top + (r.top + r.bottom) / 2};
    }
    int HitAt(POINT s) { return int(SendMessageW(wnd, WM_NCHITTEST, 0, MAKELPARAM(s.x, s.y))); }
    std::vector<uint32_t> CachePixels(const RECT& r)
    {
        EXPECT_TRUE(Painter().PaintFrameToCache());
        PixelView v = Painter().Cache()->View();
        std::vector<uint32_t> out;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                out.push_back(Rgb(v.At(x, y)));
        return out;
    }
    // Ends one case of a table: its forms and its manager go (the next manager is the default one).
    void EndCase()
    {
        for (TComponent*& form : forms)
            Free(form);
        forms.clear();
        if (m)
            DestroyManager(m);
        m = nullptr;
    }
    // The form is freed by the code under test: the fixture must not free it again.
    void Forget(TComponent* form) { forms.erase(std::find(forms.begin(), forms.end(), form)); }

    TsSkinManager* m = nullptr;
    TSkinTestForm* f = nullptr;
    TsSkinProvider* p = nullptr;
    HWND wnd = nullptr;
};

}  // namespace

// ---------------------------------------------------------------- commands that free what opened them

TEST_F(FormFrames, ADropDownCommandMayFreeTheBarItsMenuOrTheForm)
{
    enum class Frees { Bar, Menu, Form };
    for (Frees frees : {Frees::Bar, Frees::Menu, Frees::Form}) {
        SCOPED_TRACE(int(frees));
        ASSERT_NO_FATAL_FAILURE(Make());
        auto* bar = new TsTitleBar(f);
        TkvTitleBarItem* item = bar->Items().Add();
        item->SetStyle(TkvBtnStyle::bsMenu);
        item->SetCaption(L"File");
        auto* menu = new TPopupMenu(f);
        int clicks = 0, commands = 0;
        item->OnClick = [&](TObject*) { ++clicks; };
        TsSkinProvider* provider = p;
        AddItem(menu, L"Go", [&] {
            ++commands;
            if (frees == Frees::Bar)
                Free(bar);
            else if (frees == Frees::Menu)
                Free(menu);
            else {
                f->OnClose = [](TObject*, TCloseAction& a) { a = TCloseAction::caFree; };
                f->Close();
                Application->ProcessMessages();   // the release runs now
            }
        });
        item->DropdownMenu = menu;
        p->RefreshFormFrame();
        Pump(30);
        ASSERT_EQ(HitAt(ScreenOf(item->Rect)), kTitleBarItemBase);
        const POINT at = ScreenOf(item->Rect);
        ChooseFromMenu({VK_DOWN, VK_RETURN}, [&] { Click(at); });
        EXPECT_EQ(commands, 1);
        switch (frees) {
        case Frees::Bar:
            EXPECT_EQ(FindTitleBar(f), nullptr);
            EXPECT_EQ(HitAt(at), HTCAPTION);   // the title is the form's own again
            break;
        case Frees::Menu:
            EXPECT_EQ(item->DropdownMenu, nullptr);
            EXPECT_EQ(clicks, 1);
            EXPECT_FALSE(item->DropdownShown());
            EXPECT_EQ(provider->PressedElement(), kNoElement);
            break;
        case Frees::Form:
            EXPECT_FALSE(IsWindow(wnd));
            Forget(f);
            break;
        }
        EndCase();
    }
}

TEST_F(FormFrames, ACommandOfTheSystemMenuOrOfATitleButtonsPopupMayFreeTheForm)
{
    enum class Opener { SystemMenu, TitleButton };
    for (Opener opener : {Opener::SystemMenu, Opener::TitleButton}) {
        SCOPED_TRACE(int(opener));
        ASSERT_NO_FATAL_FAILURE(Make());
        m->SetSkinnedPopups(true);
        auto* extra = new TPopupMenu(f);
        int commands = 0;
        AddItem(extra, L"Leave", [&] {
            ++commands;
            f->OnClose = [](TObject*, TCloseAction& a) { a = TCloseAction::caFree; };
            f->Close();
            Application->ProcessMessages();
        });
        if (opener == Opener::SystemMenu) {
            p->SysSubMenu().Caption = L"More";
            p->SysSubMenu().Position = TkvMenuItemPos::ipTop;
            p->SysSubMenu().SetPopupMenu(extra);
            // A right click on the caption opens the system menu; the merged sub-menu is its first item.
            RECT wr{};
            GetWindowRect(wnd, &wr);
            const POINT caption{wr.left + 120, wr.top + GetSystemMetrics(SM_CYFRAME) + 8};
            ASSERT_EQ(HitAt(caption), HTCAPTION);
            ChooseFromMenu({0, 0}, [&] { Click(caption, true); }, true);
        } else {
            // The program's title button pops its menu up when it is pressed.
            TsTitleButton& b = p->AddTitleButton();
            b.OnMouseDown = [extra](TObject*, TMouseButton, TShiftState, int x, int y) { extra->Popup(x, y); };
            p->InitTitleButtons();
            p->RefreshFormFrame();
            Pump(30);
            const POINT at = ScreenOf(Painter().ElementBounds(kUserButtonBase));
            ASSERT_EQ(HitAt(at), kUserButtonBase);
            ChooseFromMenu({0}, [&] { Click(at); }, true);
        }
        EXPECT_EQ(commands, 1);
        EXPECT_FALSE(IsWindow(wnd));
        if (!IsWindow(wnd))
            Forget(f);
        EndCase();
    }
}

// ---------------------------------------------------------------- the close button follows the system menu

TEST_F(FormFrames, AGreyedCloseInTheSystemMenuDisablesTheCloseButton)
{
    ASSERT_NO_FATAL_FAILURE(Make());
    // The plain twin: the same form without a skin.
    auto* twin = NewForm(300, 200);
    twin->SetBounds(520, 40, 300, 200);
    twin->Show();
    Pump(30);
    HWND plain = twin->Handle();
    RECT tr{};
    GetWindowRect(plain, &tr);
    POINT twinClose{};
    for (int x = tr.right - 2; x > tr.left && !twinClose.x; --x)
        for (int y = tr.top + 2; y < tr.top + 40 && !twinClose.x; ++y)
            if (SendMessageW(plain, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == HTCLOSE)
                twinClose = POINT{x - 3, y + 3};
    ASSERT_NE(twinClose.x, 0);

    // The skinned form active (an inactive form greys its buttons anyway).
    auto activate = [&] {
        SetForegroundWindow(wnd);
        SetActiveWindow(wnd);
        Pump(30);
    };
    activate();
    const RECT close = Painter().Layout().Close;
    const POINT at = ScreenOf(close);
    const std::vector<uint32_t> enabled = CachePixels(close);
    ASSERT_EQ(HitAt(at), HTCLOSE);

    for (HWND w : {wnd, plain})
        EnableMenuItem(GetSystemMenu(w, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
    activate();
    EXPECT_NE(CachePixels(close), enabled) << "the close button shows its disabled row";
    EXPECT_EQ(HitAt(at), HTCAPTION);
    // A click on either close button closes neither form.
    Click(at);
    Pump(150);
    Click(twinClose);
    Pump(150);
    EXPECT_TRUE(IsWindowVisible(wnd));
    EXPECT_EQ(IsWindowVisible(plain), IsWindowVisible(wnd));

    EnableMenuItem(GetSystemMenu(wnd, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_ENABLED);
    activate();
    EXPECT_EQ(CachePixels(close), enabled);
    EXPECT_EQ(HitAt(at), HTCLOSE);
}

// ---------------------------------------------------------------- the user's title buttons

TEST_F(FormFrames, TitleButtonSettersRepaintTheFrameAtOnce)
{
    ASSERT_NO_FATAL_FAILURE(Make());
    TsTitleButton& b = p->AddTitleButton();
    EXPECT_EQ(b.GetDisplayName(), L"TsTitleButton");
    p->InitTitleButtons();
    p->RefreshFormFrame();
    Pump(30);
    const RECT r = Painter().ElementBounds(kUserButtonBase);
    ASSERT_GT(r.right, r.left);
    const std::vector<uint32_t> plainLook = CachePixels(r);

    // No pumping between a change and its check: the frame is painted by the setter.
    b.SetVisible(false);
    EXPECT_EQ(Painter().Layout().User[0].right, Painter().Layout().User[0].left);
    EXPECT_EQ(HitAt(ScreenOf(r)), HTCAPTION);
    b.SetVisible(true);
    EXPECT_EQ(Painter().Layout().User[0].left, r.left);
    EXPECT_EQ(HitAt(ScreenOf(r)), kUserButtonBase);

    b.SetEnabled(false);
    PixelView v = Painter().Cache()->View();
    std::vector<uint32_t> disabled;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            disabled.push_back(Rgb(v.At(x, y)));
    EXPECT_NE(disabled, plainLook);
    EXPECT_NE(HitAt(ScreenOf(r)), kUserButtonBase);
    b.SetEnabled(true);

    // A glyph change shows at once and ends the button's fade.
    StartButtonAnimation(*p, kUserButtonBase, tbsHot);
    ASSERT_NE(ButtonAnimation(*p, kUserButtonBase), nullptr);
    TBitmap glyph(8, 8, TPixelFormat::pf24bit);   // its bottom-left colour (magenta) is see-through
    glyph.Canvas().Brush().SetColor(clFuchsia);
    glyph.Canvas().FillRect(RECT{0, 0, 8, 8});
    glyph.Canvas().Brush().SetColor(TColor(0x00C800));
    glyph.Canvas().FillRect(RECT{2, 2, 6, 6});
    b.SetGlyph(&glyph);
    EXPECT_EQ(ButtonAnimation(*p, kUserButtonBase), nullptr);
    v = Painter().Cache()->View();
    EXPECT_EQ(Rgb(v.At((r.left + r.right) / 2, (r.top + r.bottom) / 2)), 0x00C800u);

    // Assign copies a button's settings; the collection's batch repaints once at its end.
    TsTitleButtons& all = p->TitleButtons();
    all.BeginUpdate();
    TsTitleButton* copy = all.Add();
    copy->Assign(&b);
    copy->Name = L"Copy";
    EXPECT_EQ(Painter().Layout().User.size(), 1u) << "nothing repainted inside the batch";
    all.EndUpdate();
    EXPECT_EQ(Painter().Layout().User.size(), 2u);
    EXPECT_EQ(copy->GetDisplayName(), L"Copy");
    EXPECT_EQ(copy->Glyph().Width(), 8);
    EXPECT_EQ(copy->Enabled(), b.Enabled());
    EXPECT_EQ(all.GetOwner(), p);
}

// ---------------------------------------------------------------- the title icon

TEST_F(FormFrames, AHiddenTitleIconLeavesNeitherRoomNorMenuZone)
{
    ASSERT_NO_FATAL_FAILURE(Make());
    const RECT icon = Painter().Layout().Icon;
    ASSERT_GT(icon.right, icon.left);
    const POINT at = ScreenOf(icon);
    ASSERT_EQ(HitAt(at), HTSYSMENU);
    const int textLeft = Painter().CaptionPlace().Caption.left;
    p->TitleIcon.SetVisible(false);
    Pump(30);
    EXPECT_EQ(Painter().Layout().Icon.right, Painter().Layout().Icon.left);
    EXPECT_EQ(HitAt(at), HTCAPTION);
    EXPECT_EQ(Painter().CaptionPlace().Caption.left, textLeft - (icon.right - icon.left));
    p->TitleIcon.SetVisible(true);
    Pump(30);
    EXPECT_EQ(HitAt(at), HTSYSMENU);
}

// ---------------------------------------------------------------- the caption's plate

TEST_F(FormFrames, TheCaptionPlateLinesUpWithTheTitleOnAnInactiveForm)
{
    auto dec = [](uint32_t v) { return std::to_string(v); };
    const std::string title = "[FORMTITLE]\r\nCOLOR=" + dec(0x804020) + "\r\nFONTCOLOR=" + dec(0xFFFFFF) +
                              "\r\nSTATES=2\r\nHOTCOLOR=" + dec(0x804020) + "\r\nHOTFONTCOLOR=" + dec(0xFFFFFF) +
                              "\r\nGRADIENTPERCENT=100\r\nGRADIENTDATA=" + dec(0xF0C0A0) + ";" + dec(0x200804) +
                              ";100;0;0\r\nHOTGRADIENTPERCENT=100\r\nHOTGRADIENTDATA=" + dec(0xF0C0A0) + ";" +
                              dec(0x200804) + ";100;0;0\r\n";
    struct Case {
        const wchar_t* skin;
        std::string caption;
        bool plateShows;
    } cases[] = {
        {L"Inherits", "[CAPTION]\r\nPARENTCLASS=FORMTITLE\r\n", false},
        {L"OwnPlate",
         "[CAPTION]\r\nCOLOR=" + dec(0x00FF00) + "\r\nSTATES=2\r\nHOTCOLOR=" + dec(0x00FF00) + "\r\n", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(StringToUtf8(c.skin));
        dir.WriteFile(String(c.skin) + L"\\Options.dat",
                      "[GLOBALINFO]\r\nVERSION=8.50\r\nMASTERBITMAP=MASTER.BMP\r\nTITLEHEIGHT=26\r\n[FORM]\r\nCOLOR=" +
                          dec(0xE0E0E0) + "\r\nSTATES=1\r\n" + title + c.caption);
        dir.WriteFile(String(c.skin) + L"\\MASTER.BMP", Master(32, 16, 0x3060C0));
        TsSkinManager* manager = SmallManager(false);
        manager->SetSkinName(c.skin);
        ASSERT_NO_FATAL_FAILURE(Make(manager));
        SetWindowTextW(wnd, L"Ab");
        SendMessageW(wnd, WM_NCACTIVATE, FALSE, 0);
        Pump(30);
        ASSERT_TRUE(Painter().PaintFrameToCache());
        RECT back = Painter().CaptionPlace().Caption;
        InflateRect(&back, 4, 2);
        PixelView v = Painter().Cache()->View();
        int differ = 0, plate = 0;
        for (int y = back.top; y < back.bottom; ++y) {
            const uint32_t beside = Rgb(v.At(back.right + 3, y)), under = Rgb(v.At(back.left + 1, y));
            differ += under != beside;
            plate += under == 0x00FF00u;
        }
        const int rows = back.bottom - back.top;
        if (c.plateShows) {
            EXPECT_EQ(plate, rows);
        } else {
            EXPECT_EQ(differ, 0) << "a plate that inherits the title shows no box";
        }
        EndCase();
    }
}

// ---------------------------------------------------------------- setters that repaint

TEST_F(FormFrames, CaptionAlignmentRepaintsTheTitleAtOnce)
{
    ASSERT_NO_FATAL_FAILURE(Make());
    SetWindowTextW(wnd, L"Left");
    Pump(30);
    const int left = Painter().CaptionPlace().Caption.left;
    p->SetCaptionAlignment(TAlignment::taRightJustify);
    EXPECT_GT(Painter().CaptionPlace().Caption.left, left + 100);   // no pumping: painted by the setter
}

TEST_F(FormFrames, ALiveBorderStyleChangeChoosesTheTitleButtonsAgain)
{
    ASSERT_NO_FATAL_FAILURE(Make());
    auto width = [&](const wchar_t* mask) {
        const int i = m->FindMaskIndexDirect(L"GLOBALINFO", mask);
        return MaskFrameWidth(m->ma()[size_t(i)]);
    };
    struct Step {
        TFormBorderStyle style;
        const wchar_t* mask;
    } steps[] = {{TFormBorderStyle::bsToolWindow, L"SICONCLOSE"}, {TFormBorderStyle::bsSizeable, L"BICONCLOSE"}};
    ASSERT_NE(width(L"SICONCLOSE"), width(L"BICONCLOSE"));
    for (const Step& s : steps) {
        f->SetBorderStyle(s.style);
        Pump(30);
        const RECT close = Painter().Layout().Close;
        EXPECT_EQ(close.right - close.left, width(s.mask)) << StringToUtf8(s.mask);
        EXPECT_EQ(HitAt(ScreenOf(close)), HTCLOSE);
    }
}

// ---------------------------------------------------------------- the size grip

TEST_F(FormFrames, TheSizeGripShowsWhereItSizesTheForm)
{
    ASSERT_NO_FATAL_FAILURE(Make());
    const int grip = m->CommonIndexes().Global("GRIPIMAGE");
    ASSERT_TRUE(m->IsMaskIndexValid(grip));
    p->GripMode = TsGripMode::gmRightBottom;
    RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    Pump(30);
    const RECT r = SizeGripClientRect(*p);
    ASSERT_GT(r.right, r.left);
    POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(wnd, &centre);
    EXPECT_EQ(HitAt(centre), HTBOTTOMRIGHT);
    // Every pixel of the mask that is not the key colour is on the screen.
    auto shot = ClientShot(wnd);
    const TsMaskData& md = m->ma()[size_t(grip)];
    const PixelView mv = m->Tables().MaskBitmap(grip)->View();
    int checked = 0, equal = 0;
    for (int y = 0; y < r.bottom - r.top; ++y)
        for (int x = 0; x < r.right - r.left; ++x) {
            const uint32_t mp = Rgb(mv.At(md.SourceRect.left + x, md.SourceRect.top + y));
            if (mp == 0xFF00FFu)
                continue;
            const COLORREF s = At(*shot, r.left + x, r.top + y);
            ++checked;
            equal += ((uint32_t(GetRValue(s)) << 16) | (uint32_t(GetGValue(s)) << 8) | GetBValue(s)) == mp;
        }
    ASSERT_GT(checked, 4);
    EXPECT_EQ(equal, checked);
}

// ---------------------------------------------------------------- the transparency answer

TEST_F(FormFrames, ATransparentOrTexturedFormSaysSo)
{
    auto dec = [](uint32_t v) { return std::to_string(v); };
    struct Case {
        const wchar_t* skin;
        std::string form;   // empty: the sample skin (its form section lays a picture)
        LRESULT answer;
    } cases[] = {
        {L"Slate", "", 1},
        {L"Plain", "COLOR=" + dec(0xE0E0E0) + "\r\nSTATES=1\r\n", 0},
        {L"Glassy", "COLOR=" + dec(0xE0E0E0) + "\r\nSTATES=1\r\nTRANSPARENCY=40\r\n", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(StringToUtf8(c.skin));
        TsSkinManager* manager = nullptr;
        if (!c.form.empty()) {
            dir.WriteFile(String(c.skin) + L"\\Options.dat",
                          "[GLOBALINFO]\r\nVERSION=8.50\r\nMASTERBITMAP=MASTER.BMP\r\n[FORM]\r\n" + c.form);
            dir.WriteFile(String(c.skin) + L"\\MASTER.BMP", Master(32, 16, 0x3060C0));
            manager = SmallManager(false);
            manager->SetSkinName(c.skin);
        }
        ASSERT_NO_FATAL_FAILURE(Make(manager));
        EXPECT_EQ(SendMessageW(wnd, SkinCommandMessage, WPARAM(SkinCmdIsTransparent) << 16, 0), c.answer);
        EndCase();
    }
}

// ---------------------------------------------------------------- border mode 1

TEST_F(FormFrames, BorderModeOneDrawsTheFrameFromItsMaskAndAsksTheProgramFirst)
{
    auto* manager = new TsSkinManager(nullptr);
    managers.push_back(manager);
    manager->SetSkinDirectory(EnvPath("TALVERA_TESTDATA") + L"\\skin");
    manager->SetExtendedBorders(true);
    manager->SetSkinName(L"Bordered");
    ASSERT_TRUE(manager->SkinData().Active);
    ASSERT_EQ(manager->SkinData().BorderMode, 1);
    ASSERT_NO_FATAL_FAILURE(Make(manager));
    ASSERT_NE(p->BorderForm(), nullptr);
    TBitmap* picture = p->CacheBitmap();
    ASSERT_NE(picture, nullptr);
    const PixelView v = picture->View();
    const int mask = p->SkinData()->BorderMaskIndex;
    ASSERT_TRUE(m->IsMaskIndexValid(mask));
    const PixelView mv = m->Tables().MaskBitmap(mask)->View();
    // The active frame (the mask's second frame) around the whole picture: its
    // see-through outer edge where the shadow would be, then its line.
    const int mid = v.height / 2, frame = 32;
    struct Probe {
        int x, y, mx, my;
    } probes[] = {
        {2, mid, frame + 2, 16},                         // left edge, outer part
        {7, mid, frame + 7, 16},                         // left edge, the line
        {v.width - 3, mid, frame + 29, 16},              // right edge
        {v.width / 2, v.height - 2, frame + 16, 29},     // bottom edge
        {1, v.height - 2, frame + 1, 30},                // bottom-left corner
    };
    for (const Probe& pr : probes)
        EXPECT_EQ(v.At(pr.x, pr.y), mv.At(pr.mx, pr.my)) << pr.x << "," << pr.y;
    // The title over it, opaque, in the title's active colour.
    const TsTitleLayout& l = Painter().Layout();
    const int titleY = l.ButtonsCenter;
    EXPECT_EQ(v.At(v.width / 2 - 40, titleY) >> 24, 0xFFu);

    // The program's own hit test is asked first; 0 leaves the frame's.
    RECT br{};
    GetWindowRect(p->BorderForm()->WindowIfMade()->Handle(), &br);
    const POINT title{br.left + v.width / 2 - 40, br.top + titleY};
    EXPECT_EQ(p->BorderForm()->HitTestScreen(title), HTCAPTION);
    POINT asked{};
    p->OnExtHitTest = [&](TMessage& msg) {
        asked = POINT{short(LOWORD(msg.LParam)), short(HIWORD(msg.LParam))};
        if (asked.x < br.left + v.width / 2)
            msg.Result = HTCLIENT;
    };
    EXPECT_EQ(p->BorderForm()->HitTestScreen(title), HTCLIENT);
    EXPECT_EQ(asked.x, title.x);
    EXPECT_EQ(asked.y, title.y);
    EXPECT_EQ(p->BorderForm()->HitTestScreen(POINT{title.x + 80, title.y}), HTCAPTION);
}

// ---------------------------------------------------------------- the sample skins' title-bar sections

TEST_F(FormFrames, TheSampleSkinsGiveTitleBarItemsTheirOwnSections)
{
    for (const wchar_t* skin : {L"Slate", L"Graphite"}) {
        SCOPED_TRACE(StringToUtf8(skin));
        // The skins as the repository holds them (the build copies only Slate beside the program).
        auto* manager = new TsSkinManager(nullptr);
        managers.push_back(manager);
        manager->SetSkinDirectory(EnvPath("TALVERA_TESTDATA") + L"\\..\\..\\skins");
        manager->SetSkinName(skin);
        ASSERT_TRUE(manager->SkinData().Active);
        f = NewForm(520, 240);
        auto* bar = new TsTitleBar(f);
        struct Item {
            TkvBtnStyle style;
            const wchar_t* section;
        } items[] = {{TkvBtnStyle::bsMenu, L"TB_MENUBTN"},
                     {TkvBtnStyle::bsButton, L"TB_BTN"},
                     {TkvBtnStyle::bsTab, L"TB_TAB"}};
        for (const Item& it : items) {
            TkvTitleBarItem* t = bar->Items().Add();
            t->SetStyle(it.style);
            t->SetCaption(L"Skins");
        }
        f->Show();
        Pump(30);
        p = TsSkinProvider::Create(f);
        p->AllowAnimation = false;
        wnd = f->Handle();
        m = manager;
        p->RefreshFormFrame();
        Pump(30);
        for (int i = 0; i < 3; ++i) {
            TkvTitleBarItem* t = bar->Items().Items(i);
            ASSERT_NE(t->SkinData, nullptr);
            EXPECT_EQ(t->SkinData->SectionName, items[i].section);
        }
        // The menu button is the skin's plate, not the library's built-in picture.
        TkvTitleBarItem* menuButton = bar->Items().Items(0);
        PixelView v = Painter().Cache()->View();
        const RECT r = menuButton->Rect;
        EXPECT_EQ(Rgb(v.At(r.left + 2, (r.top + r.bottom) / 2)), PixelColor(manager, L"TB_MENUBTN", 0));
        EndCase();
    }
}
