// MDI main forms and frames, skinned: the class library's MDI forms, the
// client window's wrapper, the maximised child's buttons on the main form's
// menu line, and the frame adapter's colour, nesting and unhooking.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "classlib/Frames.h"
#include "classlib/Menus.h"
#include "skin/controls/MDIWnd.h"
#include "skin/forms/ClientPaint.h"
#include "skin/forms/CtrlAdapter.h"
#include "skin/forms/FrameAdapter.h"
#include "skin/forms/FramePaint.h"
#include "skin/forms/MDIForm.h"
#include "skin/forms/SkinProvider.h"
#include "skin/graphics/TextEffects.h"
#include "tests/skin/PictureCompare.h"
#include "tests/skin/SkinRuntimeFixture.h"

using namespace skintest;

namespace {

class MDITest : public SkinRuntime {
protected:
    // An MDI main form with a menu bar ("Window" lists the children) and two
    // children. Children are made in the application's MDI form.
    TSkinTestForm* MainWithChildren(TForm*& first, TForm*& second)
    {
        TSkinTestForm* main = NewForm(560, 400);
        main->SetFormStyle(TFormStyle::fsMDIForm);
        main->HandleNeeded();
        HMENU bar = CreateMenu();
        HMENU window = CreatePopupMenu();
        AppendMenuW(bar, MF_POPUP, UINT_PTR(window), L"Window");
        SetMenu(main->Handle(), bar);
        main->SetWindowMenu(window);
        main->SetCaption(L"MDI main form");
        main->Show();
        first = NewChild(L"First child", 10, 10);
        second = NewChild(L"Second child", 60, 60);
        Pump(20);
        return main;
    }
    TForm* NewChild(const wchar_t* caption, int x, int y)
    {
        auto* c = new TForm(Application);
        forms.push_back(c);
        c->SetFormStyle(TFormStyle::fsMDIChild);
        c->SetBounds(x, y, 240, 160);
        c->SetCaption(caption);
        c->Show();
        return c;
    }
    void TearDown() override
    {
        // Children before their main form.
        for (auto it = forms.rbegin(); it != forms.rend(); ++it)
            Free(*it);
        forms.clear();
        SkinRuntime::TearDown();
    }
};

TEST_F(MDITest, ClassLibraryMDIFormsKeepTheirChildrenInTheClientWindow)
{
    TForm *first = nullptr, *second = nullptr;
    TSkinTestForm* main = MainWithChildren(first, second);
    ASSERT_NE(main->ClientHandle(), nullptr);
    wchar_t cls[32] = {};
    GetClassNameW(main->ClientHandle(), cls, 32);
    EXPECT_EQ(String(cls), String(L"MDIClient"));
    EXPECT_EQ(GetParent(first->Handle()), main->ClientHandle());
    EXPECT_EQ(main->MDIChildCount(), 2);
    EXPECT_EQ(main->MDIChildren(0), first);
    EXPECT_EQ(main->MDIChildren(1), second);
    EXPECT_EQ(main->MDIChildren(2), nullptr);
    EXPECT_EQ(main->ActiveMDIChild(), second) << "the child shown last is active";
    // The window menu lists the children after its own items.
    EXPECT_GE(GetMenuItemCount(main->WindowMenu()), 2);
    // Default handling reaches the frame procedure: activating the next child.
    SendMessageW(main->ClientHandle(), WM_MDINEXT, 0, 0);
    Pump(10);
    EXPECT_EQ(main->ActiveMDIChild(), first);
    // The client follows the form's size.
    main->SetBounds(main->Left(), main->Top(), 600, 420);
    Pump(10);
    RECT client{}, area{};
    GetClientRect(main->Handle(), &area);
    GetWindowRect(main->ClientHandle(), &client);
    EXPECT_EQ(client.right - client.left, area.right);
    // A maximised child maximises through the client window.
    second->SetWindowState(TWindowState::wsMaximized);
    Pump(10);
    EXPECT_TRUE(IsZoomed(second->Handle()));
    second->SetWindowState(TWindowState::wsNormal);
    Pump(10);
    EXPECT_FALSE(IsZoomed(second->Handle()));
}

TEST_F(MDITest, SkinnedMainFormWrapsItsClientAndItsChildButtonsReachTheChild)
{
    SampleManager();
    TForm *first = nullptr, *second = nullptr;
    TSkinTestForm* main = MainWithChildren(first, second);
    TsSkinProvider* p = TsSkinProvider::Create(main);
    Pump(20);
    AdapterRescan(*p, nullptr);
    TkvMainWnd* w = GetWrapper(main->ClientHandle());
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->ClassName(), String(L"TkvMDIWnd"));
    ASSERT_NE(MDIFormOf(*p), nullptr);
    EXPECT_EQ(MDIFormOf(*p)->Wrapper(), w);

    // No maximised child: no buttons.
    TkvMDIButtonRects r;
    EXPECT_FALSE(MDIChildButtonsOf(*p, r));

    struct Row {
        int hit;
        const char* what;
    };
    bool closeAsked = false;
    second->OnClose = TCloseEvent([&](TObject*, TCloseAction& a) {
        closeAsked = true;
        a = TCloseAction::caNone;
    });
    for (const Row& row : {Row{HTMDIRESTORE, "restore"}, Row{HTMDIMIN, "minimise"}, Row{HTMDICLOSE, "close"}}) {
        SCOPED_TRACE(row.what);
        second->SetWindowState(TWindowState::wsMaximized);
        SendMessageW(main->ClientHandle(), WM_MDIACTIVATE, WPARAM(second->Handle()), 0);
        Pump(20);
        ASSERT_TRUE(IsZoomed(second->Handle()));
        p->ResetMenuLineCount();
        ASSERT_TRUE(MDIChildButtonsOf(*p, r));
        // The three buttons lie side by side at the right end of the menu line.
        EXPECT_LT(r.Min.right, r.Restore.left + 1);
        EXPECT_LT(r.Restore.right, r.Close.left);
        // The frame shows them where they answer: the close button's square is
        // not plain menu line.
        RedrawWindow(main->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
        ASSERT_TRUE(MDIChildButtonsOf(*p, r));
        HDC dc = GetWindowDC(main->Handle());
        const COLORREF line = GetPixel(dc, r.Min.left - 4, (r.Min.top + r.Min.bottom) / 2);
        int drawn = 0;
        for (int y = r.Close.top; y < r.Close.bottom; ++y)
            for (int x = r.Close.left; x < r.Close.right; ++x)
                drawn += GetPixel(dc, x, y) != line;
        ReleaseDC(main->Handle(), dc);
        EXPECT_GT(drawn, 4) << "the close button is drawn on the menu line";
        const RECT& target = row.hit == HTMDICLOSE ? r.Close : row.hit == HTMDIRESTORE ? r.Restore : r.Min;
        RECT wr{};
        GetWindowRect(main->Handle(), &wr);
        const POINT screen{wr.left + (target.left + target.right) / 2, wr.top + (target.top + target.bottom) / 2};
        const LPARAM at = MAKELPARAM(screen.x, screen.y);
        ASSERT_EQ(SendMessageW(main->Handle(), WM_NCHITTEST, 0, at), row.hit);
        SendMessageW(main->Handle(), WM_NCLBUTTONDOWN, row.hit, at);
        SendMessageW(main->Handle(), WM_NCLBUTTONUP, row.hit, at);
        Pump(20);
        switch (row.hit) {
        case HTMDIRESTORE:
            EXPECT_FALSE(IsZoomed(second->Handle()));
            EXPECT_FALSE(IsIconic(second->Handle()));
            break;
        case HTMDIMIN:
            EXPECT_TRUE(IsIconic(second->Handle()));
            ShowWindow(second->Handle(), SW_RESTORE);
            break;
        default:
            EXPECT_TRUE(closeAsked);
            break;
        }
    }
    // Freeing the provider gives the client window back.
    FreeAndNil(p);
    EXPECT_EQ(GetWrapper(main->ClientHandle()), nullptr);
}

// A host with a frame picture of known pixels, or only a client colour.
class EdgeHost : public TkvMDIHost {
public:
    std::unique_ptr<TBitmap> picture;
    TBitmap* FramePicture() override { return picture.get(); }
    bool UsesFramePicture() override { return picture != nullptr; }
    POINT ClientPlace(HWND) override { return POINT{5, 7}; }
    TColor ClientColor() override { return TColor(0x3050A0); }
    bool Animating() override { return false; }
    bool HasBorderWindow() override { return false; }
    void FrameChanged(bool) override {}
    void RefreshFrame() override {}
    void UpdateMenuLine() override {}
    void ChildCreated(HWND) override {}
};

// The client's edge strips come from the frame picture, 2 pixels wide, with
// or without a client edge; without a picture they are filled with the
// client colour only where a client edge is.
TEST_F(MDITest, ClientEdgeStripsFromThePictureWhateverTheEdge)
{
    SampleManager();
    TSkinTestForm* f = NewForm(300, 200);
    f->Show();
    const COLORREF marker = RGB(0, 255, 0), fill = RGB(0xA0, 0x50, 0x30);
    auto pictured = [](int x, int y) { return RGB(x, y, 7); };
    struct Row {
        const char* what;
        bool picture, edge;
        int strip;   // 0 none, 1 from the picture, 2 filled
    } rows[] = {{"picture, client edge", true, true, 1},
                {"picture, no edge", true, false, 1},
                {"colour, client edge", false, true, 2},
                {"colour, no edge", false, false, 0}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        HWND client = CreateWindowExW(r.edge ? WS_EX_CLIENTEDGE : 0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 10, 10, 100,
                                      80, f->Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
        EdgeHost host;
        if (r.picture) {
            host.picture = std::make_unique<TBitmap>(200, 200, TPixelFormat::pf32bit);
            for (int y = 0; y < 200; ++y)
                for (int x = 0; x < 200; ++x) SetPixel(host.picture->Canvas().Handle(), x, y, pictured(x, y));
        }
        TsCommonData formData(nullptr, true);
        auto* w = CreateWrapper<TkvMDIWnd>(client, nullptr, nullptr, L"", false);
        w->Provider = &host;
        w->FormSkinData = &formData;
        TBitmap target(100, 80, TPixelFormat::pf32bit);
        FillRectSolid(target.Canvas().Handle(), RECT{0, 0, 100, 80}, TColor(0x00FF00));
        w->PaintMDIClientEdge(target.Canvas().Handle());
        GdiFlush();
        for (POINT p : {POINT{0, 40}, POINT{1, 40}, POINT{50, 0}, POINT{50, 1}, POINT{98, 40}, POINT{50, 79}}) {
            COLORREF want = r.strip == 1 ? pictured(5 + p.x, 7 + p.y) : r.strip == 2 ? fill : marker;
            EXPECT_EQ(GetPixel(target.Canvas().Handle(), p.x, p.y), want) << p.x << "," << p.y;
        }
        EXPECT_EQ(GetPixel(target.Canvas().Handle(), 50, 40), marker) << "inside untouched";
        TkvMainWnd* wr = w;
        UnhookWindow(client, true, false, wr);
        DestroyWindow(client);
    }
}

TEST_F(MDITest, ClientThumbMovesTheChildrenOnceByThePixelDifference)
{
    SampleManager();
    TForm *first = nullptr, *second = nullptr;
    TSkinTestForm* main = MainWithChildren(first, second);
    // A child far below the client's bottom.
    second->SetBounds(20, 900, 200, 120);
    Pump(20);
    TsSkinProvider* p = TsSkinProvider::Create(main);
    Pump(20);
    AdapterRescan(*p, nullptr);
    HWND client = main->ClientHandle();
    ASSERT_NE(GetWrapper(client), nullptr);
    // The range the client would compute for that child (0..1000, 300 shown).
    SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 1000, 300, 0, 0};
    SetScrollInfo(client, SB_VERT, &si, TRUE);
    si.fMask = SIF_ALL;
    ASSERT_TRUE(GetScrollInfo(client, SB_VERT, &si));
    ASSERT_GT(si.nMax, si.nMin + int(si.nPage)) << "the client can scroll";
    auto childTop = [&] {
        RECT r{};
        GetWindowRect(first->Handle(), &r);
        return int(r.top);
    };
    struct Row {
        int code;
        int pos;
        int moved;   // expected move of the children, computed from the bar's position before
    };
    const int startTop = childTop();
    const int start = GetScrollPos(client, SB_VERT);
    // A drag in progress moves nothing; the release moves by the difference;
    // a release where the thumb already is moves nothing.
    for (const Row& r : {Row{SB_THUMBTRACK, start + 40, 0}, Row{SB_THUMBPOSITION, start + 40, 40},
                         Row{SB_THUMBPOSITION, start + 40, 40}, Row{SB_THUMBPOSITION, start + 10, 10}}) {
        SendMessageW(client, WM_VSCROLL, MAKEWPARAM(r.code, r.pos), 0);
        Pump(10);
        EXPECT_EQ(startTop - childTop(), r.moved) << "code " << r.code << " to " << r.pos;
        if (r.code == SB_THUMBPOSITION) {
            EXPECT_EQ(GetScrollPos(client, SB_VERT), r.pos) << "the bar takes the released position";
        }
    }
}

TEST_F(MDITest, MDIFormWithTwoChildrenOneMaximisedScreenshot)
{
    SampleManager();
    TForm *first = nullptr, *second = nullptr;
    TSkinTestForm* main = MainWithChildren(first, second);
    TsSkinProvider* p = TsSkinProvider::Create(main);
    TsSkinProvider::Create(first);
    TsSkinProvider::Create(second);
    Pump(20);
    AdapterRescan(*p, nullptr);
    second->SetWindowState(TWindowState::wsMaximized);
    Pump(100);
    RedrawWindow(main->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump(100);
    const String path = SaveWindowShot(main->Handle(), L"mdi-main-form");
    EXPECT_FALSE(path.empty());
    // The client shows the skin's client colour where no child covers it
    // (none while the maximised child covers all of it).
    EXPECT_TRUE(IsZoomed(second->Handle()));
}

namespace {

String TextOf(HWND wnd)
{
    wchar_t text[256] = {};
    GetWindowTextW(wnd, text, 256);
    return text;
}

struct MenuEntry {
    String text;
    UINT id = 0;
    bool separator = false, checked = false;
};

std::vector<MenuEntry> EntriesOf(HMENU menu)
{
    std::vector<MenuEntry> out;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[128] = {};
        MENUITEMINFOW mi{};
        mi.cbSize = sizeof mi;
        mi.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_STRING;
        mi.dwTypeData = text;
        mi.cch = 127;
        GetMenuItemInfoW(menu, UINT(i), TRUE, &mi);
        out.push_back(MenuEntry{text, mi.wID, (mi.fType & MFT_SEPARATOR) != 0, (mi.fState & MFS_CHECKED) != 0});
    }
    return out;
}

}  // namespace

TEST_F(MDITest, WindowMenuListsTheChildrenAndActivatesTheOneChosen)
{
    SampleManager();
    TForm *first = nullptr, *second = nullptr;
    TSkinTestForm* main = MainWithChildren(first, second);
    TsSkinProvider* p = TsSkinProvider::Create(main);
    Pump(20);
    HMENU window = main->WindowMenu();
    // One item of the program's own before the list.
    InsertMenuW(window, 0, MF_BYPOSITION | MF_STRING, 101, L"Cascade");
    struct Row {
        TForm* active;
        const char* name;
    };
    for (const Row& r : {Row{second, "second active"}, Row{first, "first active"}, Row{first, "opened again"}}) {
        SCOPED_TRACE(r.name);
        SendMessageW(main->ClientHandle(), WM_MDIACTIVATE, WPARAM(r.active->Handle()), 0);
        Pump(10);
        SendMessageW(main->Handle(), WM_INITMENUPOPUP, WPARAM(window), MAKELPARAM(0, FALSE));
        const std::vector<MenuEntry> e = EntriesOf(window);
        // Cascade, a separator, then the two children in their order; nothing of the system's list.
        ASSERT_EQ(e.size(), 4u);
        EXPECT_EQ(e[0].text, String(L"Cascade"));
        EXPECT_TRUE(e[1].separator);
        EXPECT_EQ(e[2].text, first->Caption());
        EXPECT_EQ(e[3].text, second->Caption());
        EXPECT_EQ(e[2].checked, r.active == first);
        EXPECT_EQ(e[3].checked, r.active == second);
        for (const MenuEntry& x : e)
            EXPECT_LT(x.id, MDIFirstChildCommand) << "the system's list is gone";
    }
    // Choosing the second entry brings the second child to the front.
    const UINT secondCommand = EntriesOf(window)[3].id;
    SendMessageW(main->Handle(), WM_COMMAND, MAKEWPARAM(secondCommand, 0), 0);
    Pump(10);
    EXPECT_EQ(main->ActiveMDIChild(), second);
    EXPECT_EQ(WindowMenuChildOf(*p, secondCommand), second->Handle());
}

TEST_F(MDITest, MaximisedChildShowsItsCaptionAndMenuInTheMainFrame)
{
    SampleManager();
    TForm *first = nullptr, *second = nullptr;
    TSkinTestForm* main = MainWithChildren(first, second);
    // The second child has a menu of its own.
    auto* menu = new TMainMenu(second);
    auto* edit = new TMenuItem();
    edit->SetCaption(L"Edit");
    edit->SetGroupIndex(1);
    auto* undo = new TMenuItem();
    undo->SetCaption(L"Undo");
    int undone = 0;
    undo->OnClick = TNotifyEvent([&](TObject*) { ++undone; });
    edit->Add(undo);
    menu->Items()->Add(edit);
    second->SetMenu(menu);
    TsSkinProvider* p = TsSkinProvider::Create(main);
    Pump(20);
    const String plain = TextOf(main->Handle());
    ASSERT_EQ(plain, String(L"MDI main form"));
    HMENU bar = GetMenu(main->Handle());

    // Maximised: the caption the system gives the main window is the one painted.
    second->SetWindowState(TWindowState::wsMaximized);
    SendMessageW(main->ClientHandle(), WM_MDIACTIVATE, WPARAM(second->Handle()), 0);
    Pump(30);
    RedrawWindow(main->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    Pump(30);
    ASSERT_TRUE(IsZoomed(second->Handle()));
    const String merged = TextOf(main->Handle());
    EXPECT_EQ(merged, plain + L" - [" + second->Caption() + L"]");
    const TsFramePainter& painter = FramePainterOf(*p);
    EXPECT_EQ(painter.CaptionText(), merged);
    // The child's "Edit" is on the main menu line, after "Window" (group 0), and drawn there.
    std::vector<MenuEntry> e = EntriesOf(bar);
    auto editAt = std::find_if(e.begin(), e.end(), [](const MenuEntry& x) { return x.text == L"Edit"; });
    ASSERT_NE(editAt, e.end());
    auto windowAt = std::find_if(e.begin(), e.end(), [](const MenuEntry& x) { return x.text == L"Window"; });
    ASSERT_NE(windowAt, e.end());
    EXPECT_LT(windowAt - e.begin(), editAt - e.begin());
    RECT item{}, wr{};
    ASSERT_TRUE(GetMenuItemRect(main->Handle(), bar, UINT(editAt - e.begin()), &item));
    GetWindowRect(main->Handle(), &wr);
    OffsetRect(&item, -wr.left, -wr.top);
    HDC dc = GetWindowDC(main->Handle());
    const COLORREF back = GetPixel(dc, item.left + 1, item.top + 1);
    int text = 0;
    for (int y = item.top; y < item.bottom; ++y)
        for (int x = item.left; x < item.right; ++x)
            text += GetPixel(dc, x, y) != back;
    ReleaseDC(main->Handle(), dc);
    EXPECT_GT(text, 10) << "the merged item's caption is drawn on the menu line";
    // Its command reaches the child's item.
    SendMessageW(main->Handle(), WM_COMMAND, MAKEWPARAM(undo->Command(), 0), 0);
    EXPECT_EQ(undone, 1);
    const String shot = SaveWindowShot(main->Handle(), L"mdi-maximised-child-caption");
    EXPECT_FALSE(shot.empty());

    // Restored, with the other child active (it has no menu): the line and caption are the main form's again.
    second->SetWindowState(TWindowState::wsNormal);
    SendMessageW(main->ClientHandle(), WM_MDIACTIVATE, WPARAM(first->Handle()), 0);
    Pump(30);
    RedrawWindow(main->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    Pump(30);
    EXPECT_EQ(TextOf(main->Handle()), plain);
    EXPECT_EQ(painter.CaptionText(), plain);
    e = EntriesOf(bar);
    EXPECT_EQ(std::count_if(e.begin(), e.end(), [](const MenuEntry& x) { return x.text == L"Edit"; }), 0);
}

namespace {

// An opaque 16 x 16 icon of four coloured quarters.
const COLORREF kQuarters[4] = {RGB(10, 200, 30), RGB(230, 40, 200), RGB(250, 220, 10), RGB(20, 30, 240)};

HICON QuarterIcon()
{
    HDC screen = GetDC(nullptr);
    HBITMAP colour = CreateCompatibleBitmap(screen, 16, 16);
    HDC mem = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(mem, colour);
    for (int i = 0; i < 4; ++i) {
        const RECT r{(i % 2) * 8, (i / 2) * 8, (i % 2) * 8 + 8, (i / 2) * 8 + 8};
        HBRUSH b = CreateSolidBrush(kQuarters[i]);
        FillRect(mem, &r, b);
        DeleteObject(b);
    }
    SelectObject(mem, old);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    const WORD opaque[16] = {};
    HBITMAP mask = CreateBitmap(16, 16, 1, 1, opaque);
    ICONINFO ii{TRUE, 0, 0, mask, colour};
    HICON icon = CreateIconIndirect(&ii);
    DeleteObject(mask);
    DeleteObject(colour);
    return icon;
}

}  // namespace

TEST_F(MDITest, MaximisedChildsIconIsOnTheMenuLineWhereItsSystemMenuOpens)
{
    SampleManager();
    // A main form with a menu of its own: the system's entry for the child
    // comes before the form's items.
    TSkinTestForm* main = NewForm(560, 400);
    main->SetFormStyle(TFormStyle::fsMDIForm);
    main->HandleNeeded();
    auto* menu = new TMainMenu(main);
    for (const wchar_t* caption : {L"File", L"Window"}) {
        auto* item = new TMenuItem();
        item->SetCaption(caption);
        auto* sub = new TMenuItem();
        sub->SetCaption(L"Item");
        item->Add(sub);
        menu->Items()->Add(item);
    }
    main->SetMenu(menu);
    main->SetCaption(L"MDI main form");
    main->Show();
    TForm* first = NewChild(L"First child", 10, 10);
    TForm* second = NewChild(L"Second child", 60, 60);
    (void)first;
    TsSkinProvider* p = TsSkinProvider::Create(main);
    Pump(20);
    HICON icon = QuarterIcon();
    SendMessageW(second->Handle(), WM_SETICON, ICON_SMALL, LPARAM(icon));

    // The form's "File" entry as the screen shows it (its place on the line changes).
    const UINT file = menu->Items()->Items(0)->Command();
    auto fileEntry = [&] {
        HMENU line = GetMenu(main->Handle());
        RECT wr{}, r{};
        GetWindowRect(main->Handle(), &wr);
        for (int i = 0; i < GetMenuItemCount(line); ++i) {
            MENUITEMINFOW mi{};
            mi.cbSize = sizeof mi;
            mi.fMask = MIIM_ID;
            if (GetMenuItemInfoW(line, UINT(i), TRUE, &mi) && mi.wID == file && GetMenuItemRect(main->Handle(), line, UINT(i), &r))
                break;
        }
        auto shot = CaptureWindow(main->Handle());
        std::unique_ptr<TBitmap> out(NewBitmap32(r.right - r.left, r.bottom - r.top));
        BitBlt(out->Canvas().Handle(), 0, 0, out->Width(), out->Height(), shot->Canvas().Handle(), r.left - wr.left,
               r.top - wr.top, SRCCOPY);
        return out;
    };
    const auto plainFile = fileEntry();
    ASSERT_GT(plainFile->Width(), 4);
    auto show = [&](TWindowState state) {
        second->SetWindowState(state);
        SendMessageW(main->ClientHandle(), WM_MDIACTIVATE, WPARAM(second->Handle()), 0);
        Pump(30);
        RedrawWindow(main->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
        Pump(30);
    };
    show(TWindowState::wsMaximized);
    ASSERT_TRUE(IsZoomed(second->Handle()));
    HMENU bar = GetMenu(main->Handle());
    RECT wr{}, entry{};
    GetWindowRect(main->Handle(), &wr);
    ASSERT_TRUE(GetMenuItemRect(main->Handle(), bar, 0, &entry));
    OffsetRect(&entry, -wr.left, -wr.top);
    ASSERT_EQ(GetSubMenu(bar, 0), GetSystemMenu(second->Handle(), FALSE)) << "the first entry opens the child's system menu";

    // The icon as DrawIconEx draws it, 2 px smaller than the menu line.
    const int size = p->MenuLineHeight() - 2;
    ASSERT_GT(size, 4);
    TBitmap expected(size, size, TPixelFormat::pf32bit);
    DrawIconEx(expected.Canvas().Handle(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    GdiFlush();
    // Found at the left of the menu line, on the entry that opens the child's system menu.
    const RECT band{0, entry.top - 2, entry.right + size, entry.bottom + 2};
    const POINT at = FindPicture(*CaptureWindow(main->Handle()), expected, band);
    ASSERT_GE(at.x, 0) << "the child's icon is on the menu line";
    const POINT centre{wr.left + at.x + size / 2, wr.top + at.y + size / 2};
    EXPECT_EQ(MenuItemFromPoint(main->Handle(), bar, centre), 0);
    EXPECT_EQ(SendMessageW(main->Handle(), WM_NCHITTEST, 0, MAKELPARAM(centre.x, centre.y)), HTMENU);
    // The form's items follow the child's entry: "File" shows as it did before
    // (but for the line's edges its first place touched).
    const RECT inside{1, 0, plainFile->Width() - 1, plainFile->Height() - 2};
    EXPECT_LE(DifferentShare(plainFile.get(), fileEntry().get(), 8, inside), 0.01);

    // Restored: the icon's colours are gone from the menu line.
    show(TWindowState::wsNormal);
    ASSERT_FALSE(IsZoomed(second->Handle()));
    auto shot = CaptureWindow(main->Handle());
    int left = 0;
    for (int y = band.top; y < band.bottom; ++y)
        for (int x = 0; x < shot->Width(); ++x)
            left += std::count(std::begin(kQuarters), std::end(kQuarters), GetPixel(shot->Canvas().Handle(), x, y));
    EXPECT_EQ(left, 0);
    DestroyIcon(icon);
}

// While a menu runs on the main form and a child is maximised, a window
// without border covers the right end of the menu line with the skin's picture
// of it; it goes when the menu loop ends, and none comes without a maximised child.
TEST_F(MDITest, AMenuLoopCoversTheMaximisedChildsButtonsWithTheSkinsStrip)
{
    SampleManager();
    TForm *first = nullptr, *second = nullptr;
    TSkinTestForm* main = MainWithChildren(first, second);
    TsSkinProvider* p = TsSkinProvider::Create(main);
    Pump(20);
    const auto cover = [] { return FindWindowW(L"TkvMDIIconsForm", nullptr); };
    for (const bool maximised : {false, true}) {
        SCOPED_TRACE(maximised);
        second->SetWindowState(maximised ? TWindowState::wsMaximized : TWindowState::wsNormal);
        SendMessageW(main->ClientHandle(), WM_MDIACTIVATE, WPARAM(second->Handle()), 0);
        Pump(30);
        ASSERT_EQ(IsZoomed(second->Handle()) != 0, maximised);
        SendMessageW(main->Handle(), WM_ENTERMENULOOP, FALSE, 0);
        Pump(20);
        const HWND w = cover();
        if (!maximised) {
            EXPECT_EQ(w, nullptr);
            SendMessageW(main->Handle(), WM_EXITMENULOOP, FALSE, 0);
            continue;
        }
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(IsWindowVisible(w));
        EXPECT_NE(GetForegroundWindow(), w) << "shown without activation";
        RECT cr{}, mr{};
        GetWindowRect(w, &cr);
        GetWindowRect(main->Handle(), &mr);
        EXPECT_EQ(cr.right - cr.left, 60);
        EXPECT_EQ(cr.bottom - cr.top, GetSystemMetrics(SM_CYMENU) + 3);
        const int right = (mr.right - mr.left) - p->FormFrameWidth(true);
        EXPECT_EQ(cr.right - mr.left, right);
        EXPECT_EQ(cr.top - mr.top, p->TopFrameWidth() + p->CaptionAreaHeight(true));
        // On screen it shows the frame picture's strip under it.
        TBitmap* picture = p->CacheBitmap();
        ASSERT_NE(picture, nullptr);
        const RECT shadow = FrameShadowMargins ? FrameShadowMargins(*p) : RECT{};
        HDC screen = GetDC(nullptr), mem = picture->Canvas().Handle();
        int differ = 0;
        for (int y = 0; y < cr.bottom - cr.top; y += 3)
            for (int x = 0; x < 60; x += 3)
                differ += GetPixel(screen, cr.left + x, cr.top + y) !=
                          GetPixel(mem, cr.left - mr.left + shadow.left + x, cr.top - mr.top + shadow.top + y);
        ReleaseDC(nullptr, screen);
        EXPECT_EQ(differ, 0);
        SendMessageW(main->Handle(), WM_EXITMENULOOP, FALSE, 0);
        Pump(20);
        EXPECT_EQ(cover(), nullptr) << "freed when the menu loop ends";
    }
}

TEST_F(MDITest, ChildMadeInASkinnedMainFormIsSkinnedToo)
{
    SampleManager();   // its rules skin plain forms
    TForm *first = nullptr, *second = nullptr;
    TSkinTestForm* main = MainWithChildren(first, second);
    TsSkinProvider::Create(main);
    Pump(20);
    EXPECT_FALSE(QueryWindowSkinFlag(first->Handle(), SkinCmdIsSkinned)) << "made before the main form was skinned";
    TForm* later = NewChild(L"Later child", 30, 30);
    Pump(20);
    EXPECT_TRUE(QueryWindowSkinFlag(later->Handle(), SkinCmdIsSkinned));
}

// An MDI child has no menu line of its own: its menu merges into the main
// form's, although the system answers its id to GetMenu.
TEST_F(MDITest, ChildrenHaveNoMenuLineOfTheirOwn)
{
    SampleManager();
    TForm *first = nullptr, *second = nullptr;
    TSkinTestForm* main = MainWithChildren(first, second);
    TsSkinProvider* mainProvider = TsSkinProvider::Create(main);
    TForm* child = NewChild(L"Later child", 30, 30);
    Pump(20);
    auto* p = dynamic_cast<TsSkinProvider*>(&ProviderOf(child->Handle()));
    ASSERT_NE(p, nullptr);
    ASSERT_NE(GetMenu(child->Handle()), nullptr) << "the child's id";
    EXPECT_EQ(p->MenuLineHeight(), 0);
    EXPECT_EQ(p->MenuLineCount(), 0);
    EXPECT_GT(mainProvider->MenuLineHeight(), 0) << "the main form's line stays";
}

// A maximised child whose close frees it leaves through the MDI client: the
// client no longer answers the freed window and the next child is active,
// with a skin or without.
TEST_F(MDITest, ClosingAMaximisedChildThatFreesItselfActivatesTheNext)
{
    for (bool skinned : {false, true}) {
        SCOPED_TRACE(skinned ? "skinned" : "plain");
        TsSkinManager* m = skinned ? SampleManager() : nullptr;
        TForm *first = nullptr, *second = nullptr;
        TSkinTestForm* main = MainWithChildren(first, second);
        if (skinned)
            TsSkinProvider::Create(main);
        auto* closing = new TForm(Application);
        closing->SetFormStyle(TFormStyle::fsMDIChild);
        closing->SetBounds(40, 40, 240, 160);
        closing->SetCaption(L"Closing child");
        closing->OnClose = [](TObject*, TCloseAction& a) { a = TCloseAction::caFree; };
        closing->Show();
        Pump(20);
        HWND gone = closing->Handle();
        closing->SetWindowState(TWindowState::wsMaximized);
        Pump(20);
        ASSERT_TRUE(IsZoomed(gone));
        ASSERT_EQ(HWND(SendMessageW(main->ClientHandle(), WM_MDIGETACTIVE, 0, 0)), gone);
        SendMessageW(gone, WM_CLOSE, 0, 0);
        Pump(50);
        ASSERT_FALSE(IsWindow(gone));
        HWND active = HWND(SendMessageW(main->ClientHandle(), WM_MDIGETACTIVE, 0, 0));
        EXPECT_NE(active, gone);
        EXPECT_TRUE(active == first->Handle() || active == second->Handle());
        EXPECT_NE(main->ActiveMDIChild(), nullptr);
        for (auto it = forms.rbegin(); it != forms.rend(); ++it)
            Free(*it);
        forms.clear();
        if (m)
            DestroyManager(m);
    }
}

// ---------------------------------------------------------------- frames

class FrameTest : public SkinRuntime {};

TEST_F(FrameTest, AdapterOnlyOnAFrameAndItGivesTheFrameBack)
{
    SmallManager();
    TSkinTestForm* f = NewForm();
    f->Show();
    auto* frame = Add<TFrame>(f, 10, 10, 200, 120);
    frame->HandleNeeded();
    const TWndMethod own = frame->WindowProc;
    const int components = f->ComponentCount();
    try {
        TsFrameAdapter::Create(f);
        FAIL() << "a form is no frame";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), String(L"TsFrameAdapter adapter must be placed on the handled frame"));
    }
    EXPECT_EQ(f->ComponentCount(), components) << "nothing half-made is left in the owner";

    TsFrameAdapter* a = TsFrameAdapter::Create(frame);
    EXPECT_FALSE(frame->WindowProc == own);
    EXPECT_EQ(SendMessageW(frame->Handle(), SkinCommandMessage, MakeSkinCmdWParam(SkinCmdIsSkinned), 0), 1);
    EXPECT_EQ(a->SkinData()->SkinSection(), String(L"GROUPBOX"));
    Free(a);
    EXPECT_TRUE(frame->WindowProc == own) << "the frame's own procedure is back";
    EXPECT_EQ(SendMessageW(frame->Handle(), SkinCommandMessage, MakeSkinCmdWParam(SkinCmdIsSkinned), 0), 0);
}

TEST_F(FrameTest, ColourAnswersMixWithTheParentLikeEverySkinnedControl)
{
    TsSkinManager* m = SmallManager();
    TSkinTestForm* f = NewForm();
    f->Show();
    auto* outer = Add<TFrame>(f, 10, 10, 300, 200);
    auto* inner = Add<TFrame>(outer, 10, 10, 200, 120);
    inner->HandleNeeded();
    TsFrameAdapter* oa = TsFrameAdapter::Create(outer);
    TsFrameAdapter* ia = TsFrameAdapter::Create(inner);
    oa->SkinData()->SetSkinSection(L"PANEL");   // opaque 0x203040
    // A skinned control of ours on the outer frame, with the same sections as
    // the inner frame: both must answer alike.
    auto* twin = Add<TSkinTestPanel>(outer, 220, 10, 60, 60);
    twin->HandleNeeded();
    auto ask = [](TWinControl* c) {
        return TColor(SendMessageW(c->Handle(), SkinCommandMessage, MakeSkinCmdWParam(SkinCmdGetBkColor), 0));
    };
    EXPECT_EQ(ask(outer), TColor(0x203040));
    struct Row {
        const wchar_t* section;
        TColor expected;   // per byte s + floor(t * (p - s) / 256), p = 0x203040
    };
    // GLASS: 0x0000FF at 50: R 255 + floor(50 * -191 / 256) = 217, G 0 + floor(50 * 48 / 256) = 9,
    // B 0 + floor(50 * 32 / 256) = 6.
    for (const Row& r : {Row{L"SPEEDBUTTON", TColor(0x203040)}, Row{L"GLASS", TColor(0x0609D9)},
                         Row{L"EDIT", TColor(0xE0F0FF)}}) {
        SCOPED_TRACE(testing::Message() << String(r.section).size());
        ia->SkinData()->SetSkinSection(r.section);
        twin->SkinData().SetSkinSection(r.section);
        EXPECT_EQ(ask(inner), r.expected) << "the inner frame asks the outer one";
        EXPECT_EQ(ask(twin), r.expected) << "a skinned control mixes the same way";
    }
    (void)m;
}

}  // namespace
