// Container, bar, tab and page wrappers on real windows under the sample
// skin (and a small skin written here): what reaches the screen, compared
// with colours taken from the loaded skin or from the same window in another
// state, and the state the wrappers keep.
#include "tests/skin/SkinRuntimeFixture.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <iterator>

#include "classlib/ComBars.h"
#include "classlib/ExtCtrls.h"
#include "classlib/ImgList.h"
#include "classlib/PageControl.h"
#include "skin/controls/AlphaImageList.h"
#include "skin/controls/ContainerWnd.h"
#include "skin/controls/TabWnd.h"
#include "skin/forms/CtrlAdapter.h"
#include "skin/forms/SkinProvider.h"
#include "skin/core/MaskPaintBitmap.h"
#include "skin/core/SkinManager.h"
#include "skin/graphics/Bitmap32.h"
#include "skin/graphics/PixelOps.h"
#include "skin/graphics/SkinCommands.h"
#include "skin/graphics/TextEffects.h"
#include "tests/skin/PictureCompare.h"

#include <commctrl.h>

using namespace skintest;

namespace {

class Containers : public SkinRuntime {
protected:
    void SetUp() override
    {
        SkinRuntime::SetUp();
        manager = SampleManager();
        manager->SetActive(true);
        form = NewForm(520, 380);
        form->Show();
        Pump(20);
    }
    void TearDown() override
    {
        for (auto it = wrappers.rbegin(); it != wrappers.rend(); ++it) {
            TkvMainWnd* w = GetWrapper(it->first);
            if (w) UnhookWindow(it->first, true, false, w);
        }
        for (TsCommonData* d : datas) delete d;
        SkinRuntime::TearDown();
    }
    // Wraps a control the way the control adapter does: its own skin data, no section named.
    template <class W>
    W* Wrap(TWinControl* c, const String& section = L"")
    {
        auto* data = new TsCommonData(c, true);
        datas.push_back(data);
        W* w = CreateWrapper<W>(c->Handle(), data, manager, section);
        wrappers.push_back({c->Handle(), w});
        return w;
    }
    void Repaint(TWinControl* c)
    {
        RedrawWindow(c->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
        Pump(20);
    }
    COLORREF SectionColor(const wchar_t* section, int state = 0)
    {
        int i = Section(manager, section);
        EXPECT_GE(i, 0) << "no section";
        return i < 0 ? 0 : COLORREF(manager->gd()[size_t(i)].Props[size_t(state)].Color) & 0xFFFFFF;
    }
    LRESULT Command(HWND h, unsigned cmd, LPARAM l = 0) { return SendSkinCommand(h, TsSkinCommand(cmd), l); }
    // One of the two sample skins, "Slate" (light) or "Graphite" (dark), from the sources.
    void UseSampleSkin(const wchar_t* name)
    {
        manager->SetSkinDirectory(EnvPath("TALVERA_TESTDATA") + L"..\\..\\skins");
        manager->SetSkinName(name);
        ASSERT_TRUE(manager->SkinData().Active) << "no sample skin " << (name[0] == L'S' ? "Slate" : "Graphite");
    }

    // What the form shows where no control stands.
    COLORREF FormBackground() { return WindowPixel(form->Handle(), form->ClientWidth() - 4, form->ClientHeight() - 4); }

    TsSkinManager* manager = nullptr;
    TSkinTestForm* form = nullptr;
    std::vector<std::pair<HWND, TkvMainWnd*>> wrappers;
    std::vector<TsCommonData*> datas;
};

// A panel's bevels and border, and the section they choose.
struct BevelRow {
    TBevelCut outer, inner;
    TBorderStyle border;
    const wchar_t* section;
};
const BevelRow kBevelRows[] = {
    {TBevelCut::bvRaised, TBevelCut::bvNone, TBorderStyle::bsNone, L"PANEL"},
    {TBevelCut::bvLowered, TBevelCut::bvNone, TBorderStyle::bsNone, L"PANEL_LOW"},
    {TBevelCut::bvLowered, TBevelCut::bvRaised, TBorderStyle::bsNone, L"GROUPBOX"},
    {TBevelCut::bvNone, TBevelCut::bvNone, TBorderStyle::bsNone, L"CHECKBOX"},
    {TBevelCut::bvNone, TBevelCut::bvNone, TBorderStyle::bsSingle, L"PANEL_LOW"},
};

}  // namespace

TEST_F(Containers, PanelSectionFollowsItsBevels)
{
    for (const BevelRow& r : kBevelRows) {
        auto* p = Add<TPanel>(form, 10, 10, 100, 60);
        p->SetBevelOuter(r.outer);
        p->SetBevelInner(r.inner);
        p->SetBorderStyle(r.border);
        auto* w = Wrap<TkvPanelWnd>(p);
        EXPECT_EQ(w->CommonData->SkinSection(), String(r.section));
        EXPECT_EQ(w->Panel, p);
    }
}

TEST_F(Containers, PanelWaitsForItsParentAndPaintsAfterTheParentIsReady)
{
    auto* outer = Add<TPanel>(form, 10, 10, 300, 200);
    outer->SetBevelOuter(TBevelCut::bvRaised);
    auto* inner = Add<TPanel>(outer, 40, 40, 120, 80);
    inner->SetBevelOuter(TBevelCut::bvLowered);
    inner->SetCaption(L"");
    // The outer panel wears a textured section: children wait for its picture.
    auto* wo = Wrap<TkvPanelWnd>(outer, L"TOOLBAR");
    auto* wi = Wrap<TkvPanelWnd>(inner);
    // The outer panel has painted nothing yet: its cache is empty.
    wo->CommonData->CacheBitmap->SetSize(0, 0);
    wo->CommonData->BackgroundChanged = true;
    EXPECT_FALSE(wi->RenderCache());
    EXPECT_TRUE(wi->CommonData->Updating);
    HDC none = nullptr;
    wi->PaintToDC(none);   // left for later: nothing is painted meanwhile
    EXPECT_TRUE(wi->CommonData->Updating);

    ASSERT_TRUE(wo->RenderCache());
    Command(inner->Handle(), SkinCmdParentUpdated);
    Pump(20);
    EXPECT_FALSE(wi->CommonData->Updating);
    EXPECT_FALSE(wi->CommonData->BackgroundChanged);
    EXPECT_EQ(WindowPixel(inner->Handle(), 60, 40), SectionColor(L"PANEL_LOW"));
}

TEST_F(Containers, GroupBoxCaptionBandShowsTheParent)
{
    // An unskinned form answers for no background: the skin's global colour stands in.
    TsBgRequest asked;
    GetParentBgByHandle(asked, form->Handle(), false);
    COLORREF formBg = ColorToRGB(asked.Color);
    struct Row {
        const wchar_t* caption;
        bool band;
    } rows[] = {{L"Options", true}, {L"", false}};
    int x = 10;
    for (const Row& r : rows) {
        auto* gb = Add<TGroupBox>(form, x, 10, 200, 120);
        x += 220;
        gb->SetCaption(r.caption);
        Wrap<TkvGroupBoxWnd>(gb);
        Repaint(gb);
        LRESULT band = Command(gb->Handle(), SkinCmdContainerQuery);
        // The first row of a column that is not the parent: where the frame starts.
        auto frameRow = [&](int col) {
            for (int y = 0; y < 60; ++y)
                if (WindowPixel(gb->Handle(), col, y) != formBg) return y;
            return -1;
        };
        if (r.band) {
            EXPECT_GT(band, 4);
            // Beside the caption, above the frame, the parent shows through.
            EXPECT_EQ(WindowPixel(gb->Handle(), 2, 1), formBg);
            EXPECT_GE(frameRow(195), int(band) / 2);
        } else {
            EXPECT_EQ(band, 0);
            // No caption: the frame starts at the top.
            EXPECT_GE(frameRow(100), 0);
            EXPECT_LT(frameRow(100), 3);
        }
    }
}

TEST_F(Containers, StatusBarSimpleModeAndOwnerDrawnPanel)
{
    auto* sb = Add<TStatusBar>(form, 0, 340, 400, 22);
    sb->AddPanel(L"Ready", 100);
    TStatusPanel& drawn = sb->AddPanel(L"", 120);
    drawn.Style = TStatusPanelStyle::psOwnerDraw;
    sb->AddPanel(L"Last", 50);
    const COLORREF ink = RGB(0, 0, 220);
    HDC seenDC = nullptr;
    sb->OnDrawPanel = [&](TStatusBar* s, TStatusPanel*, const RECT& rc) {
        seenDC = s->Canvas().Handle();
        FillRectSolid(s->Canvas().Handle(), rc, TColor(ink));
    };
    sb->PanelsChanged();
    auto* w = Wrap<TkvStatusBarWnd>(sb);
    EXPECT_EQ(w->CommonData->SkinSection(), String(L"STATUSBAR"));
    EXPECT_EQ(w->StatusBar, sb);
    Repaint(sb);
    // The owner-drawn panel draws into the cache, which reaches the window.
    EXPECT_EQ(seenDC, w->CommonData->CacheBitmap->Canvas().Handle());
    EXPECT_EQ(WindowPixel(sb->Handle(), 160, 11), ink);
    COLORREF panelEdge = WindowPixel(sb->Handle(), 2, 11);   // the mask line of the first panel

    // Simple mode: one panel over the whole bar, drawn with the panel mask.
    sb->SetSimpleText(L"Saving");
    sb->SetSimplePanel(true);
    Repaint(sb);
    EXPECT_NE(WindowPixel(sb->Handle(), 160, 11), ink);
    // The mask's line runs down both ends of the bar, and no longer between the panels.
    COLORREF line = WindowPixel(sb->Handle(), 0, 11);
    EXPECT_EQ(WindowPixel(sb->Handle(), 399, 11), line);
    EXPECT_NE(WindowPixel(sb->Handle(), 200, 11), line);
    EXPECT_EQ(panelEdge, line);
}

// A skin without a status panel mask divides the panels with its divider,
// keyed like every skin image: no key colour reaches the screen, and the bar
// shows where the divider's mask is keyed.
TEST_F(Containers, StatusBarDividerIsKeyedWithoutAPanelMask)
{
    // The sample skin, less its status panel mask.
    const String from = EnvPath("TALVERA_CONTENT") + L"\\Skins\\Slate\\";
    WIN32_FIND_DATAW found{};
    HANDLE find = FindFirstFileW((from + L"*").c_str(), &found);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        std::string bytes = ReadBytes(from + found.cFileName);
        if (String(found.cFileName) == L"Options.dat") {
            const size_t at = bytes.find("STATUSPANELMASK=");
            ASSERT_NE(at, std::string::npos);
            bytes.erase(at, bytes.find('\n', at) + 1 - at);
        }
        dir.WriteFile(String(L"NoPanelMask\\") + found.cFileName, bytes);
    } while (FindNextFileW(find, &found));
    FindClose(find);
    manager->SetSkinDirectory(dir.Path());
    manager->SetSkinName(L"NoPanelMask");
    ASSERT_TRUE(manager->SkinData().Active);
    const int section = Section(manager, L"STATUSBAR");
    ASSERT_FALSE(manager->IsMaskIndexValid(manager->FindMaskIndex(section, L"STATUSBAR", L"STATUSPANELMASK")));
    const int div = Section(manager, L"DIVIDER");
    const int divMask = manager->FindMaskIndex(div, L"DIVIDER", L"BORDERSMASK");
    ASSERT_TRUE(manager->IsMaskIndexValid(divMask));

    auto* sb = Add<TStatusBar>(form, 0, 300, 400, 22);
    sb->AddPanel(L"", 100);
    sb->AddPanel(L"", 120);
    sb->AddPanel(L"", 50);
    sb->PanelsChanged();
    auto* w = Wrap<TkvStatusBarWnd>(sb);
    Repaint(sb);
    ASSERT_NE(w->CommonData->CacheBitmap, nullptr);
    const int dw = MaskFrameWidth(manager->ma()[size_t(divMask)]);
    const COLORREF key = COLORREF(px::KeyColor);
    int keyed = 0, drawn = 0;
    for (int part = 0; part < 2; ++part) {
        RECT r{};
        SendMessageW(sb->Handle(), SB_GETRECT, WPARAM(part), LPARAM(&r));
        InflateRect(&r, -2, -2);
        // Each divider pixel beside the bar 4 px to its left, in the same row.
        for (int y = 2; y < 20; ++y)
            for (int x = r.right - dw; x < r.right; ++x) {
                const COLORREF shown = WindowPixel(sb->Handle(), x, y);
                keyed += shown == key;
                drawn += shown != WindowPixel(sb->Handle(), r.right - dw - 4, y);
            }
    }
    EXPECT_EQ(keyed, 0);
    EXPECT_GT(drawn, 0) << "the dividers are drawn";
}

TEST_F(Containers, ToolBarHotTrackingRepaintsTheOldAndTheNewButton)
{
    auto* tb = Add<TToolBar>(form, 0, 0, 300, 30);
    tb->SetButtonSize(50, 24);
    tb->AddButton(L"A");
    tb->AddButton(L"B");
    tb->AddButton(L"C");
    auto* w = Wrap<TkvToolBarVCLWnd>(tb);
    EXPECT_EQ(w->CommonData->SkinSection(), String(L"TOOLBAR"));
    Repaint(tb);
    // A point on the button's edge, where the hot frame shows.
    auto centre = [&](int i) {
        RECT r = tb->Buttons(i)->BoundsRect();
        return POINT{r.left + 1, (r.top + r.bottom) / 2};
    };
    auto pixel = [&](int i) {
        POINT p = centre(i);
        return WindowPixel(tb->Handle(), p.x, p.y);
    };
    COLORREF normal0 = pixel(0), normal1 = pixel(1);
    auto move = [&](int i) {
        POINT p = centre(i);
        SendMessageW(tb->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(p.x, p.y));
        Pump(10);
    };
    move(0);
    EXPECT_EQ(w->HotIndex, 0);
    COLORREF hot0 = pixel(0);
    EXPECT_NE(hot0, normal0);
    move(1);
    EXPECT_EQ(w->HotIndex, 1);
    EXPECT_EQ(pixel(0), normal0);   // the old hot button is back to normal
    EXPECT_EQ(pixel(1), hot0);      // the new one is hot
    EXPECT_NE(pixel(1), normal1);
    SendMessageW(tb->Handle(), CM_MOUSELEAVE, 0, 0);
    Pump(10);
    EXPECT_EQ(w->HotIndex, -1);
    EXPECT_EQ(pixel(1), normal1);
}

TEST_F(Containers, ToolBarGivesTheApplicationsHandlersBack)
{
    for (bool byRemoval : {true, false}) {
        auto* tb = Add<TToolBar>(form, 0, 0, 300, 30);
        tb->AddButton(L"A");
        int userCalls = 0;
        TTBAdvancedCustomDrawEvent user = [&](TToolBar*, const RECT&, TCustomDrawStage, bool&) { ++userCalls; };
        tb->OnCustomDraw = user;
        auto* w = Wrap<TkvToolBarVCLWnd>(tb);
        EXPECT_FALSE(tb->OnCustomDraw == user);
        EXPECT_TRUE(tb->OnCustomDrawButton);
        if (byRemoval) {
            SendSkinCommand(tb->Handle(), TsSkinCommand(SkinCmdRemoveSkin), LPARAM(manager));
        } else {
            TkvMainWnd* base = w;
            UnhookWindow(tb->Handle(), true, false, base);
        }
        EXPECT_TRUE(tb->OnCustomDraw == user) << byRemoval;
        EXPECT_FALSE(tb->OnCustomDrawButton) << byRemoval;
        Repaint(tb);
        EXPECT_GT(userCalls, 0) << byRemoval;
        Free(tb);
    }
}

TEST_F(Containers, TabControlWithoutTabsPaintsOnlyItsFrame)
{
    auto* empty = Add<TTabControl>(form, 10, 10, 200, 150);
    auto* full = Add<TTabControl>(form, 260, 10, 200, 150);
    full->SetTabs({L"One", L"Two"});
    auto* we = Wrap<TkvTabControlWnd>(empty);
    Wrap<TkvTabControlWnd>(full);
    Repaint(empty);
    Repaint(full);
    // The whole window is "CHECKBOX" over the parent's background, drawn here
    // the same way: no tab strip, no page frame.
    TsBgCacheInfo info;
    we->CommonData->GetWindowParentBackground(empty->Handle(), info);
    TBitmap ref(200, 150);
    int checkbox = Section(manager, L"CHECKBOX");
    PaintSkinItem(checkbox, L"CHECKBOX", info, -1, -1, manager, &ref, we->PosInParent, RECT{0, 0, 200, 150}, 0, 0);
    GdiFlush();
    int differ = 0;
    for (int y = 0; y < 150; y += 7)
        for (int x = 0; x < 200; x += 7)
            if (WindowPixel(empty->Handle(), x, y) != (GetPixel(ref.Canvas().Handle(), x, y) & 0xFFFFFF)) ++differ;
    EXPECT_EQ(differ, 0);
    // With tabs the page shows the page-control section.
    RECT page = full->DisplayRect();
    EXPECT_EQ(WindowPixel(full->Handle(), (page.left + page.right) / 2, (page.top + page.bottom) / 2),
              SectionColor(L"PAGECONTROL"));
}

TEST_F(Containers, SelectedTabIsPaintedLastAndLooksSelected)
{
    auto* tc = Add<TTabControl>(form, 10, 10, 300, 150);
    tc->SetTabs({L"One", L"Two", L"Three"});
    auto* w = Wrap<TkvTabControlWnd>(tc);
    Repaint(tc);
    RECT a = w->TabRect(0, true), b = w->TabRect(1, false);
    // The active tab reaches over the frame line; an inactive one stops above it.
    EXPECT_GT(a.bottom, b.bottom - 3);
    COLORREF active = WindowPixel(tc->Handle(), a.left + 4, a.top + 4);
    COLORREF inactive = WindowPixel(tc->Handle(), b.left + 4, b.top + 6);
    EXPECT_NE(active, inactive);
    tc->SetTabIndex(1);
    Repaint(tc);
    b = w->TabRect(1, true);
    EXPECT_EQ(WindowPixel(tc->Handle(), b.left + 4, b.top + 4), active);
}

TEST_F(Containers, FirstSectionTabTopPaintsItsTabs)
{
    // A skin whose first section is TABTOP (index 0), in a master colour of its own.
    const uint32_t tabColor = 0x2080E0;
    std::string options =
        "[TABTOP]\r\nCOLOR=" + std::to_string(tabColor) +
        "\r\nSTATES=3\r\nBORDERSMASK=^0000,0000,0016,0016,0004,0004,0004,0004,1,0,0,0\r\n"
        "[GLOBALINFO]\r\nVERSION=8.50\r\nMASTERBITMAP=MASTER.BMP\r\nCOLOR=" +
        std::to_string(0x808080) + "\r\n[PAGECONTROL]\r\nCOLOR=16777215\r\nSTATES=1\r\n";
    dir.WriteFile(L"TabFirst\\Options.dat", options);
    dir.WriteFile(L"TabFirst\\MASTER.BMP", Master(16, 16, tabColor));
    manager->SetSkinDirectory(dir.Path());
    manager->SetSkinName(L"TabFirst");
    ASSERT_EQ(Section(manager, L"TABTOP"), 0);
    auto* tc = Add<TTabControl>(form, 10, 10, 300, 150);
    tc->SetTabs({L"One", L"Two"});
    auto* w = Wrap<TkvTabControlWnd>(tc);
    Repaint(tc);
    RECT r = w->TabRect(1, false);
    COLORREF want = RGB((tabColor >> 16) & 0xFF, (tabColor >> 8) & 0xFF, tabColor & 0xFF);   // master pixels are 0xRRGGBB
    EXPECT_EQ(WindowPixel(tc->Handle(), r.left + 1, r.top + 1), want);
}

TEST_F(Containers, PageWrappersGoWithTheirPages)
{
    auto* pc = Add<TPageControl>(form, 10, 10, 300, 200);
    std::vector<TTabSheet*> pages;
    for (const wchar_t* c : {L"First", L"Second", L"Third"}) {
        auto* p = new TTabSheet(form);
        p->SetCaption(c);
        p->SetPageControl(pc);
        p->HandleNeeded();
        pages.push_back(p);
    }
    size_t before = PageWnds().size();
    auto* w = Wrap<TkvPageControlWnd>(pc);
    ASSERT_EQ(PageWnds().size(), before + 3);
    for (TTabSheet* p : pages) EXPECT_NE(dynamic_cast<TkvPageWnd*>(GetWrapper(p->Handle())), nullptr);
    // A page whose window goes takes its wrapper out of the list.
    Free(pages[1]);
    Pump(10);
    EXPECT_EQ(PageWnds().size(), before + 2);
    // The page control's wrapper takes the rest with it.
    TkvMainWnd* base = w;
    UnhookWindow(pc->Handle(), true, false, base);
    EXPECT_EQ(PageWnds().size(), before);
    EXPECT_EQ(GetWrapper(pages[0]->Handle()), nullptr);
}

TEST_F(Containers, FormWithEveryContainerScreenshot)
{
    form->SetBounds(40, 40, 640, 480);
    int x = 8;
    for (auto [outer, inner] : {std::pair{TBevelCut::bvRaised, TBevelCut::bvNone},
                                std::pair{TBevelCut::bvLowered, TBevelCut::bvNone},
                                std::pair{TBevelCut::bvLowered, TBevelCut::bvRaised},
                                std::pair{TBevelCut::bvNone, TBevelCut::bvNone}}) {
        auto* p = Add<TPanel>(form, x, 40, 90, 50);
        p->SetBevelOuter(outer);
        p->SetBevelInner(inner);
        p->SetCaption(L"Panel");
        Wrap<TkvPanelWnd>(p);
        x += 98;
    }
    auto* gb = Add<TGroupBox>(form, 400, 36, 220, 60);
    gb->SetCaption(L"Group");
    Wrap<TkvGroupBoxWnd>(gb);
    auto* tb = Add<TToolBar>(form, 0, 0, 640, 30);
    tb->SetShowCaptions(true);
    tb->SetButtonSize(60, 26);
    tb->AddButton(L"Hot");
    TToolButton* down = tb->AddButton(L"Down", TToolButtonStyle::tbsCheck);
    tb->AddButton(L"Off")->SetEnabled(false);
    down->SetDown(true);
    auto* tw = Wrap<TkvToolBarVCLWnd>(tb);
    const TTabPosition sides[] = {TTabPosition::tpTop, TTabPosition::tpBottom, TTabPosition::tpLeft,
                                  TTabPosition::tpRight};
    for (int i = 0; i < 4; ++i) {
        auto* tc = Add<TTabControl>(form, 8 + i * 155, 104, 148, 120);
        tc->SetTabs({L"One", L"Two"});
        tc->SetTabPosition(sides[i]);
        Wrap<TkvTabControlWnd>(tc);
    }
    auto* pc = Add<TPageControl>(form, 8, 232, 400, 190);
    for (const wchar_t* c : {L"Page one", L"Page two"}) {
        auto* p = new TTabSheet(form);
        p->SetCaption(c);
        p->SetPageControl(pc);
    }
    pc->HandleNeeded();
    for (int i = 0; i < pc->PageCount(); ++i) pc->Pages(i)->HandleNeeded();
    Wrap<TkvPageControlWnd>(pc);
    auto* sb = Add<TStatusBar>(form, 0, 430, 624, 22);
    sb->AddPanel(L"Ready", 120);
    sb->AddPanel(L"A long text that does not fit into its panel", 150);
    sb->AddPanel(L"Last", 100);
    Wrap<TkvStatusBarWnd>(sb);
    RedrawWindow(form->Handle(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    RECT r = tb->Buttons(0)->BoundsRect();
    POINT at{r.left + 5, r.top + 5};
    ClientToScreen(tb->Handle(), &at);
    SetCursorPos(at.x, at.y);
    SendMessageW(tb->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(r.left + 5, r.top + 5));
    Pump(50);
    EXPECT_EQ(tw->HotIndex, 0);
    String path = SaveWindowShot(form->Handle(), L"containers");
    EXPECT_FALSE(path.empty());
}

namespace {
// A solid 16 x 16 image in colour c (COLORREF), added to list.
void AddSolidImage(HIMAGELIST list, COLORREF c)
{
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bm = CreateCompatibleBitmap(screen, 16, 16);
    HGDIOBJ old = SelectObject(dc, bm);
    HBRUSH br = CreateSolidBrush(c);
    RECT r{0, 0, 16, 16};
    FillRect(dc, &r, br);
    DeleteObject(br);
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    ImageList_Add(list, bm, nullptr);
    DeleteObject(bm);
}
COLORREF BitmapPixel(TBitmap& b, int x, int y) { return COLORREF(GetPixel(b.Canvas().Handle(), x, y)) & 0xFFFFFF; }
}  // namespace

TEST_F(Containers, NativeToolBarDimsDisabledButtonsAndPlacesItsImagesAndArrow)
{
    SetCursorPos(0, 0);   // no button under the mouse: every enabled button paints normal
    HWND tb = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                              WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | CCS_NORESIZE | CCS_NODIVIDER | CCS_NOPARENTALIGN,
                              10, 10, 400, 44, form->Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(tb);
    SendMessageW(tb, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR24, 1, 0);
    const COLORREF red = RGB(255, 0, 0);
    AddSolidImage(images, red);
    SendMessageW(tb, TB_SETIMAGELIST, 0, LPARAM(images));
    enum { plain, disabled, dropImage, separator, dropBare };
    TBBUTTON buttons[] = {
        {0, 100, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
        {0, 101, 0, BTNS_BUTTON, {}, 0, 0},
        {0, 102, TBSTATE_ENABLED, BTNS_WHOLEDROPDOWN, {}, 0, 0},
        {8, 103, 0, BTNS_SEP, {}, 0, 0},
        {I_IMAGENONE, 104, TBSTATE_ENABLED, BTNS_WHOLEDROPDOWN, {}, 0, 0},
    };
    SendMessageW(tb, TB_ADDBUTTONSW, std::size(buttons), LPARAM(buttons));
    for (int id : {100, 101, 102, 104}) {
        TBBUTTONINFOW bi{sizeof bi, TBIF_SIZE};
        bi.cx = 40;
        SendMessageW(tb, TB_SETBUTTONINFOW, WPARAM(id), LPARAM(&bi));
    }
    auto* w = CreateWrapper<TkvToolBarWnd>(tb, nullptr, manager, L"");
    wrappers.push_back({tb, w});
    EXPECT_EQ(w->CommonData->SkinSection(), String(L"CHECKBOX"));   // no style bit 0x200
    RedrawWindow(tb, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    Pump(20);
    ASSERT_TRUE(w->CommonData->CacheBitmap);
    auto item = [&](int i) {
        RECT r{};
        SendMessageW(tb, TB_GETITEMRECT, WPARAM(i), LPARAM(&r));
        return r;
    };

    // Disabled: the button as the enabled one looks, 60 % toward the bar behind it.
    RECT on = item(plain), off = item(disabled);
    ASSERT_EQ(on.right - on.left, off.right - off.left);
    int cx = (on.right - on.left) / 2, cy = (on.bottom - on.top) / 2;
    COLORREF shown = WindowPixel(tb, on.left + cx, on.top + cy);
    EXPECT_EQ(shown, red);
    TBitmap& cache = *w->CommonData->CacheBitmap;
    GdiFlush();
    COLORREF behind = BitmapPixel(cache, off.left + cx + w->BorderWidth, off.top + cy + w->BorderWidth);
    auto mix = [](int s, int d) { return int(std::lround(s - (s - d) * 0.4)); };
    COLORREF want = RGB(mix(GetRValue(behind), GetRValue(shown)), mix(GetGValue(behind), GetGValue(shown)),
                        mix(GetBValue(behind), GetBValue(shown)));
    COLORREF dim = WindowPixel(tb, off.left + cx, off.top + cy);
    EXPECT_NEAR(GetRValue(dim), GetRValue(want), 1);
    EXPECT_NEAR(GetGValue(dim), GetGValue(want), 1);
    EXPECT_NEAR(GetBValue(dim), GetBValue(want), 1);

    // The separator shows the divider line over the bar, and none of the
    // divider mask's key colour.
    RECT sep = item(separator);
    int keyed = 0, line = 0;
    for (int y = sep.top; y < sep.bottom; ++y)
        for (int x = sep.left; x < sep.right; ++x) {
            COLORREF p = WindowPixel(tb, x, y);
            keyed += p == RGB(255, 0, 255);
            line += p != BitmapPixel(cache, x + w->BorderWidth, y + w->BorderWidth);
        }
    EXPECT_EQ(keyed, 0);
    EXPECT_GT(line, 0);

    // The arrow glyph of whole-drop-down buttons.
    int glyph = manager->CommonIndexes().ScrollGlyph[spBtnBottom];
    ASSERT_TRUE(manager->IsMaskIndexValid(glyph));
    int aw = MaskFrameWidth(manager->ma()[size_t(glyph)]), ah = MaskStateHeight(manager->ma()[size_t(glyph)]);

    // Images: centred in a plain button, beside the arrow near the top in a whole-drop-down one.
    TBitmap painted(cache.Width(), cache.Height());
    w->PaintButtons(&painted);
    GdiFlush();
    struct Row {
        int index;
        bool arrow;
    } rows[] = {{plain, false}, {dropImage, true}};
    for (const Row& r : rows) {
        RECT ir = item(r.index);
        int bw = ir.right - ir.left, bh = ir.bottom - ir.top;
        RECT found{bw, bh, -1, -1};
        for (int y = 0; y < bh; ++y)
            for (int x = 0; x < bw; ++x)
                if (BitmapPixel(painted, ir.left + w->BorderWidth + x, ir.top + w->BorderWidth + y) == red) {
                    found.left = std::min<int>(found.left, x), found.top = std::min<int>(found.top, y);
                    found.right = std::max<int>(found.right, x + 1), found.bottom = std::max<int>(found.bottom, y + 1);
                }
        POINT at = r.arrow ? POINT{(bw - 16 - aw) / 2, 4} : POINT{(bw - 16) / 2, (bh - 16) / 2};
        EXPECT_EQ(found.left, at.x) << "button " << r.index;
        EXPECT_EQ(found.top, at.y) << "button " << r.index;
        EXPECT_EQ(found.right - found.left, 16) << "button " << r.index;
        EXPECT_EQ(found.bottom - found.top, 16) << "button " << r.index;
    }

    // The arrow alone: the same button painted with and without the whole-drop-down style
    // differs only inside the glyph's rectangle at the right.
    RECT br = item(dropBare);
    TBitmap withArrow(cache.Width(), cache.Height());
    w->PaintButtons(&withArrow);
    TBBUTTONINFOW bi{sizeof bi, TBIF_STYLE};
    bi.fsStyle = BTNS_BUTTON;
    SendMessageW(tb, TB_SETBUTTONINFOW, 104, LPARAM(&bi));
    RECT br2 = item(dropBare);
    ASSERT_TRUE(EqualRect(&br, &br2));
    TBitmap without(cache.Width(), cache.Height());
    w->PaintButtons(&without);
    GdiFlush();
    int bw = br.right - br.left, bh = br.bottom - br.top;
    RECT arrow{bw - aw - 1, (bh - ah) / 2, bw - 1, (bh - ah) / 2 + ah};
    int inside = 0, outside = 0;
    for (int y = 0; y < bh; ++y)
        for (int x = 0; x < bw; ++x) {
            int px = br.left + w->BorderWidth + x, py = br.top + w->BorderWidth + y;
            if (BitmapPixel(withArrow, px, py) == BitmapPixel(without, px, py)) continue;
            POINT p{x, y};
            ++(PtInRect(&arrow, p) ? inside : outside);
        }
    EXPECT_GT(inside, 0);
    EXPECT_EQ(outside, 0);
    ImageList_Destroy(images);
}

TEST_F(Containers, TabControlKeepsASpinWrapperForItsScrollArrows)
{
    auto* tc = Add<TTabControl>(form, 10, 10, 120, 100);
    tc->SetTabs({L"First tab", L"Second tab", L"Third tab", L"Fourth tab", L"Fifth tab"});
    auto* w = Wrap<TkvTabControlWnd>(tc);
    Repaint(tc);
    HWND spin = FindWindowExW(tc->Handle(), nullptr, UPDOWN_CLASSW, nullptr);
    ASSERT_TRUE(spin) << "the crowded tab control shows no scroll arrows";
    ASSERT_TRUE(w->SpinWnd);
    EXPECT_EQ(w->SpinWnd->Handle, spin);
    EXPECT_EQ(GetWrapper(spin), w->SpinWnd);
    EXPECT_EQ(w->SpinWnd->CommonData->SkinSection(), String(L"UPDOWNBTN"));
    // Later paints and size changes keep the same wrapper.
    TkvSpinWnd* first = w->SpinWnd;
    SetWindowPos(tc->Handle(), nullptr, 0, 0, 130, 100, SWP_NOMOVE | SWP_NOZORDER);
    Repaint(tc);
    EXPECT_EQ(w->SpinWnd, first);
    // The skin goes: the arrows are given back to the system, and later paints leave them so.
    manager->SetActive(false);
    Command(tc->Handle(), SkinCmdRemoveSkin, LPARAM(manager));
    Repaint(tc);
    Pump(10);
    EXPECT_EQ(w->SpinWnd, nullptr);
    EXPECT_EQ(GetWrapper(spin), nullptr);
}

TEST_F(Containers, SideTabCaptionsRunAlongTheTabInARotatedFont)
{
    struct Row {
        TTabPosition position;
        const wchar_t* section;
        bool upright;   // the caption's ink is taller than wide
    } rows[] = {
        {TTabPosition::tpTop, L"TABTOP", false},
        {TTabPosition::tpLeft, L"TABLEFT", true},
        {TTabPosition::tpRight, L"TABRIGHT", true},
    };
    int left = 10;
    for (const Row& row : rows) {
        auto* tc = Add<TTabControl>(form, left, 10, 160, 250);
        left += 170;
        tc->Font().SetName(L"MS Sans Serif");   // a raster face: drawn rotated in a face that turns
        tc->SetTabPosition(row.position);
        tc->SetTabs({L"One", L"Wide caption"});
        auto* w = Wrap<TkvTabControlWnd>(tc);
        Repaint(tc);
        RECT r = w->TabRect(1, false);
        ASSERT_FALSE(IsRectEmpty(&r));
        int section = Section(manager, row.section);
        ASSERT_GE(section, 0);
        COLORREF ink = ColorToRGB(TColor(manager->gd()[size_t(section)].Props[0].FontColor));
        RECT box{r.right, r.bottom, r.left - 1, r.top - 1};
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) {
                COLORREF c = WindowPixel(tc->Handle(), x, y);
                int d = std::abs(GetRValue(c) - GetRValue(ink)) + std::abs(GetGValue(c) - GetGValue(ink)) +
                        std::abs(GetBValue(c) - GetBValue(ink));
                if (d > 60) continue;
                box.left = std::min<int>(box.left, x), box.top = std::min<int>(box.top, y);
                box.right = std::max<int>(box.right, x + 1), box.bottom = std::max<int>(box.bottom, y + 1);
            }
        ASSERT_LT(box.left, box.right) << "no caption drawn on side " << int(row.position);
        bool upright = box.bottom - box.top > box.right - box.left;
        EXPECT_EQ(upright, row.upright) << "side " << int(row.position);
    }
}

TEST_F(Containers, StatusTextTooWideForItsPanelEndsInDots)
{
    auto* sb = Add<TStatusBar>(form, 0, 300, 400, 22);
    sb->AddPanel(L"", 80);
    sb->AddPanel(L"", 300);
    sb->PanelsChanged();
    Wrap<TkvStatusBarWnd>(sb);
    Repaint(sb);
    RECT part{};
    SendMessageW(sb->Handle(), SB_GETRECT, 0, LPARAM(&part));
    auto grab = [&] {
        std::vector<COLORREF> px;
        for (int y = part.top; y < part.bottom; ++y)
            for (int x = part.left; x < part.right; ++x) px.push_back(WindowPixel(sb->Handle(), x, y));
        return px;
    };
    std::vector<COLORREF> blank = grab();
    sb->Panels(0).Text = L"Wide status meter reads twenty";   // no descenders: dots are the lowest ink
    sb->PanelsChanged();
    Repaint(sb);
    std::vector<COLORREF> shown = grab();
    int pw = part.right - part.left, ph = part.bottom - part.top;
    int right = -1, top = ph, bottom = -1;
    for (int y = 0; y < ph; ++y)
        for (int x = 0; x < pw; ++x)
            if (shown[size_t(y * pw + x)] != blank[size_t(y * pw + x)]) {
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    ASSERT_GE(right, 0) << "no text drawn";
    EXPECT_LE(right, pw - 2 - 4);   // inside the text rectangle
    // The last ink columns hold only the dots, low in the line.
    int lastTop = ph;
    for (int y = 0; y < ph; ++y)
        for (int x = right - 1; x <= right; ++x)
            if (shown[size_t(y * pw + x)] != blank[size_t(y * pw + x)]) lastTop = std::min(lastTop, y);
    EXPECT_GT(lastTop, top + (bottom - top) * 6 / 10);
}

namespace {
// Stands on top of a wrapped window and answers no skin command 27, as an
// application's own subclass that swallows it would.
LRESULT CALLBACK SwallowContainerQuery(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto prev = reinterpret_cast<WNDPROC>(GetPropW(wnd, L"TestPrevProc"));
    if (msg == SkinCommandMessage && HIWORD(wParam) == SkinCmdContainerQuery) return 0;
    return CallWindowProcW(prev, wnd, msg, wParam, lParam);
}
}  // namespace

TEST_F(Containers, NativeTabChildrenAreWrappedOnlyWhenTheControlAnswersForAManager)
{
    for (bool answers : {true, false}) {
        HWND tab = CreateWindowExW(0, WC_TABCONTROLW, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 10, 10, 200,
                                   150, form->Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_TRUE(tab);
        TCITEMW item{TCIF_TEXT};
        item.pszText = const_cast<wchar_t*>(L"Page");
        SendMessageW(tab, TCM_INSERTITEMW, 0, LPARAM(&item));
        auto* w = CreateWrapper<TkvPageControlWnd>(tab, nullptr, manager, L"");
        wrappers.push_back({tab, w});
        WNDPROC prev = nullptr;
        if (!answers) {
            prev = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrW(tab, GWLP_WNDPROC, LONG_PTR(&SwallowContainerQuery)));
            SetPropW(tab, L"TestPrevProc", HANDLE(prev));
        }
        HWND child = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 10, 30, 100, 60, tab, nullptr,
                                     GetModuleHandleW(nullptr), nullptr);
        w->WrapPages();
        Pump(10);
        TkvMainWnd* got = GetWrapper(child);
        EXPECT_EQ(got != nullptr, answers);
        if (got) {
            EXPECT_TRUE(got->InheritsFrom(L"TkvPageWnd"));
            auto& list = PageWnds();
            EXPECT_NE(std::find(list.begin(), list.end(), got), list.end());
        }
        if (prev) {
            SetWindowLongPtrW(tab, GWLP_WNDPROC, LONG_PTR(prev));
            RemovePropW(tab, L"TestPrevProc");
        }
        DestroyWindow(tab);
        Pump(10);
        // The page wrapper went with its window.
        if (got) {
            auto& list = PageWnds();
            EXPECT_EQ(std::find(list.begin(), list.end(), got), list.end());
        }
        wrappers.pop_back();
        TkvMainWnd* gone = w;
        UnhookWindow(tab, true, false, gone);
    }
}

TEST_F(Containers, BorderedNativeWrappersShowTheirCache)
{
    // The container paints border and client from its cache; the search box
    // leaves its client to the system and paints its 3-px border after it.
    struct Row {
        const wchar_t* cls;
        bool search;
    } rows[] = {{L"STATIC", false}, {L"EDIT", true}};
    int left = 20;
    for (const Row& r : rows) {
        HWND box = CreateWindowExW(WS_EX_CLIENTEDGE, r.cls, L"text the system draws", WS_CHILD | WS_VISIBLE, left,
                                   20, 160, 100, form->Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_TRUE(box);
        left += 200;
        TkvMainWnd* w = r.search ? static_cast<TkvMainWnd*>(CreateWrapper<TkvSearchWnd>(box, nullptr, manager, L"PANEL_LOW"))
                                 : CreateWrapper<TkvContainerWnd>(box, nullptr, manager, L"PANEL_LOW");
        wrappers.push_back({box, w});
        RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
        Pump(20);
        ASSERT_TRUE(w->CommonData->CacheBitmap);
        TBitmap& cache = *w->CommonData->CacheBitmap;
        GdiFlush();
        HDC wdc = GetWindowDC(box);
        int mismatches = 0;
        // Border strips, in window coordinates.
        for (POINT p : {POINT{0, 0}, POINT{1, 50}, POINT{80, 0}, POINT{159, 99}, POINT{158, 40}})
            if ((GetPixel(wdc, p.x, p.y) & 0xFFFFFF) != BitmapPixel(cache, p.x, p.y)) ++mismatches;
        ReleaseDC(box, wdc);
        if (!r.search) {
            auto* c = static_cast<TkvContainerWnd*>(w);
            EXPECT_EQ(c->BorderWidth, 2);
            for (POINT p : {POINT{5, 5}, POINT{78, 48}, POINT{150, 90}})
                if (WindowPixel(box, p.x, p.y) != BitmapPixel(cache, p.x + c->BorderWidth, p.y + c->BorderWidth))
                    ++mismatches;
        }
        EXPECT_EQ(mismatches, 0) << (r.search ? "search box" : "container");
    }
}

namespace {
// A place a wrapped window shows its parent through: the window, and the
// margins of its see-through area (from the window's edges).
struct SeeThrough {
    const char* name;
    HWND wnd;
    RECT inset;
};

// Where a child window lies in its parent's client area.
POINT PlaceInParent(HWND child)
{
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return POINT{r.left, r.top};
}

HWND NativeChild(HWND parent, const wchar_t* cls, DWORD style, int x, int y, int w, int h)
{
    return CreateWindowExW(0, cls, L"", WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}
}  // namespace

// A see-through container shows each part of its parent's picture exactly
// where that part lies behind it, for controls and native windows alike.
TEST_F(Containers, SeeThroughContainersShowTheParentWhereTheyLie)
{
    form->SetBounds(20, 20, 560, 480);
    Pump(20);
    int top = 4;
    for (const wchar_t* skin : {L"Slate", L"Graphite"}) {
        SCOPED_TRACE(skin[0] == L'S' ? "Slate" : "Graphite");
        ASSERT_NO_FATAL_FAILURE(UseSampleSkin(skin));
        auto* outer = Add<TPanel>(form, 4, top, 530, 210);
        top += 220;
        outer->SetCaption(L"");
        auto* wo = Wrap<TkvPanelWnd>(outer, L"TOOLBAR");   // a picture, not one colour
        std::vector<SeeThrough> rows;
        auto* panel = Add<TPanel>(outer, 10, 10, 90, 60);
        panel->SetBevelOuter(TBevelCut::bvNone);
        panel->SetCaption(L"");
        Wrap<TkvPanelWnd>(panel);   // "CHECKBOX": wholly see-through
        rows.push_back({"panel", panel->Handle(), RECT{3, 3, 3, 3}});
        auto* group = Add<TGroupBox>(outer, 110, 10, 110, 90);
        group->SetCaption(L"");
        Wrap<TkvGroupBoxWnd>(group);
        rows.push_back({"group box", group->Handle(), RECT{12, 14, 12, 12}});
        HWND nativeGroup = NativeChild(outer->Handle(), L"BUTTON", BS_GROUPBOX, 230, 10, 110, 90);
        wrappers.push_back({nativeGroup, CreateWrapper<TkvGroupBoxWnd>(nativeGroup, nullptr, manager, L"")});
        rows.push_back({"native group box", nativeGroup, RECT{12, 14, 12, 12}});
        auto* tabs = Add<TTabControl>(outer, 350, 10, 170, 120);
        tabs->SetTabs({L"One"});
        Wrap<TkvTabControlWnd>(tabs, L"CHECKBOX");
        RECT page = tabs->DisplayRect();
        rows.push_back({"tab frame", tabs->Handle(), RECT{page.left + 6, page.top + 6, 170 - page.right + 6, 120 - page.bottom + 6}});
        auto* status = Add<TStatusBar>(outer, 10, 140, 200, 24);
        Wrap<TkvStatusBarWnd>(status, L"CHECKBOX");
        rows.push_back({"status bar", status->Handle(), RECT{6, 6, 6, 6}});
        auto* bar = Add<TToolBar>(outer, 220, 140, 200, 30);
        Wrap<TkvToolBarVCLWnd>(bar, L"CHECKBOX");
        rows.push_back({"tool bar", bar->Handle(), RECT{6, 6, 6, 6}});
        RedrawWindow(outer->Handle(), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Pump(30);
        ASSERT_TRUE(wo->CommonData->CacheBitmap);
        TBitmap& parent = *wo->CommonData->CacheBitmap;
        ASSERT_EQ(parent.Width(), outer->Width());
        for (const SeeThrough& r : rows) {
            POINT at = PlaceInParent(r.wnd);
            RECT wr{};
            GetWindowRect(r.wnd, &wr);
            int w = wr.right - wr.left, h = wr.bottom - wr.top;
            auto shot = ClientShot(r.wnd);
            int checked = 0, wrong = 0;
            for (int y = r.inset.top; y < h - r.inset.bottom; y += 3)
                for (int x = r.inset.left; x < w - r.inset.right; x += 3) {
                    ++checked;
                    wrong += (At(*shot, x, y) & 0xFFFFFF) != BitmapPixel(parent, at.x + x, at.y + y);
                }
            EXPECT_GT(checked, 20) << r.name;
            EXPECT_EQ(wrong, 0) << r.name << " of " << checked;
        }
    }
}

// Native tab controls, group boxes and status bars wrapped without skin data
// of their own paint their window from a cache of the window's size.
TEST_F(Containers, NativeContainersWithoutSkinDataOfTheirOwnPaint)
{
    enum Kind { tab, group, status };
    struct Row {
        Kind kind;
        const wchar_t* cls;
        DWORD style;
        int w, h;
    } rows[] = {
        {tab, WC_TABCONTROLW, 0, 180, 120},
        {group, L"BUTTON", BS_GROUPBOX, 150, 100},
        {status, STATUSCLASSNAMEW, CCS_NOPARENTALIGN | CCS_NORESIZE, 260, 24},
    };
    form->SetBounds(20, 20, 680, 330);
    Pump(20);
    int y = 10;
    for (const wchar_t* skin : {L"Slate", L"Graphite"}) {
        ASSERT_NO_FATAL_FAILURE(UseSampleSkin(skin));
        int x = 10;
        for (const Row& r : rows) {
            HWND h = NativeChild(form->Handle(), r.cls, r.style, x, y, r.w, r.h);
            ASSERT_TRUE(h);
            x += r.w + 10;
            TkvMainWnd* w = nullptr;
            if (r.kind == tab) {
                TCITEMW item{TCIF_TEXT};
                item.pszText = const_cast<wchar_t*>(L"Tab");
                SendMessageW(h, TCM_INSERTITEMW, 0, LPARAM(&item));
                w = CreateWrapper<TkvTabControlWnd>(h, nullptr, manager, L"");
            } else if (r.kind == status) {
                w = CreateWrapper<TkvStatusBarWnd>(h, nullptr, manager, L"");
            } else {
                w = CreateWrapper<TkvGroupBoxWnd>(h, nullptr, manager, L"");
            }
            wrappers.push_back({h, w});
            RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
            Pump(20);
            ASSERT_TRUE(w->CommonData->CacheBitmap);
            TBitmap& cache = *w->CommonData->CacheBitmap;
            EXPECT_EQ(cache.Width(), r.w);
            EXPECT_EQ(cache.Height(), r.h);
            if (cache.Width() != r.w || cache.Height() != r.h) continue;
            auto shot = ClientShot(h);
            int wrong = 0;
            for (int py = 1; py < r.h - 1; py += 2)
                for (int px = 1; px < r.w - 1; px += 2)
                    wrong += (At(*shot, px, py) & 0xFFFFFF) != BitmapPixel(cache, px, py);
            EXPECT_EQ(wrong, 0) << r.w;
        }
        y += 130;
    }
}

// A skinned form's panels take the section of their bevels: none shows the
// form through, a lowered one is darker than a raised one.
TEST_F(Containers, AdaptedPanelsTakeTheSectionOfTheirBevels)
{
    for (const wchar_t* skin : {L"Slate", L"Graphite"}) {
        SCOPED_TRACE(skin[0] == L'S' ? "Slate" : "Graphite");
        ASSERT_NO_FATAL_FAILURE(UseSampleSkin(skin));
        TSkinTestForm* f = NewForm(560, 160);
        std::vector<TPanel*> panels;
        int x = 8;
        for (const BevelRow& r : kBevelRows) {
            auto* p = Add<TPanel>(f, x, 20, 100, 80);
            x += 108;
            p->SetBevelOuter(r.outer);
            p->SetBevelInner(r.inner);
            p->SetBorderStyle(r.border);
            p->SetCaption(L"");
            panels.push_back(p);
        }
        f->Show();
        Pump(20);
        TsSkinProvider* provider = TsSkinProvider::Create(f);
        Pump(20);
        ASSERT_NE(ControlAdapterOf(*provider), nullptr);
        ControlAdapterOf(*provider)->ScanControls();
        RedrawWindow(f->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN |
                                                        RDW_UPDATENOW);
        Pump(30);
        for (size_t i = 0; i < std::size(kBevelRows); ++i) {
            TkvMainWnd* w = GetWrapper(panels[i]->Handle());
            ASSERT_NE(w, nullptr);
            EXPECT_EQ(w->CommonData->SkinSection(), String(kBevelRows[i].section)) << i;
        }
        COLORREF raised = WindowPixel(panels[0]->Handle(), 50, 40);
        COLORREF lowered = WindowPixel(panels[1]->Handle(), 50, 40);
        EXPECT_EQ(raised, SectionColor(L"PANEL"));
        EXPECT_EQ(lowered, SectionColor(L"PANEL_LOW"));
        auto sum = [](COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c); };
        EXPECT_LT(sum(lowered), sum(raised));
        // Without bevels: neither face nor frame of a panel, the form shows through.
        for (POINT p : {POINT{50, 40}, POINT{0, 0}, POINT{99, 79}})
            EXPECT_NE(WindowPixel(panels[3]->Handle(), p.x, p.y), WindowPixel(panels[0]->Handle(), p.x, p.y))
                << p.x << "," << p.y;
    }
}

// In a skinned dialog a group box shows the skin's caption band and frame,
// not the system's, through every kind of repaint.
TEST_F(Containers, GroupBoxInADialogShowsTheSkinsFrame)
{
    int x = 10;
    for (const wchar_t* skin : {L"Slate", L"Graphite"}) {
        SCOPED_TRACE(skin[0] == L'S' ? "Slate" : "Graphite");
        ASSERT_NO_FATAL_FAILURE(UseSampleSkin(skin));
        HWND gb = NativeChild(form->Handle(), L"BUTTON", BS_GROUPBOX, x, 10, 180, 110);
        x += 200;
        SetWindowTextW(gb, L"Group");
        const bool saved = std::exchange(DialogMode, true);
        auto* w = CreateWrapper<TkvGroupBoxWnd>(gb, nullptr, manager, L"GROUPBOX");
        DialogMode = saved;
        wrappers.push_back({gb, w});
        ASSERT_TRUE(w->InDialog);
        int mask = w->CommonData->BorderMaskIndex;
        ASSERT_TRUE(manager->IsMaskIndexValid(mask));
        const TsMaskData& k = manager->ma()[size_t(mask)];
        for (int pass = 0; pass < 2; ++pass) {
            if (pass == 0) {
                RedrawWindow(gb, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
            } else {
                InvalidateRect(gb, nullptr, TRUE);   // no frame: the system's own paint comes first
                UpdateWindow(gb);
            }
            Pump(20);
            ASSERT_TRUE(w->CommonData->CacheBitmap);
            TBitmap& cache = *w->CommonData->CacheBitmap;
            ASSERT_EQ(cache.Width(), 180);
            RECT cap = w->CaptionRect();
            int band = cap.bottom - cap.top;
            ASSERT_GT(band, 4);
            auto shot = ClientShot(gb);
            int checked = 0, wrong = 0;
            for (int y = 0; y < 110; ++y)
                for (int px = 0; px < 180; ++px) {
                    bool frame = y < band || px < k.MarginLeft || px >= 180 - k.MarginRight || y >= 110 - k.MarginBottom;
                    if (!frame) continue;
                    ++checked;
                    wrong += (At(*shot, px, y) & 0xFFFFFF) != BitmapPixel(cache, px, y);
                }
            EXPECT_GT(checked, 400);
            EXPECT_EQ(wrong, 0) << "pass " << pass;
        }
    }
}

// After a switch of skins a wrapped container looks as its twin wrapped
// afresh under the new skin, also when its parent's new picture is not
// ready at its first paint: it waits for the parent and paints then.
TEST_F(Containers, ContainersShowTheNewSkinAfterASwitch)
{
    SetCursorPos(0, 0);
    form->SetBounds(10, 10, 600, 400);
    Pump(20);
    auto* parent = Add<TPanel>(form, 4, 4, 560, 340);
    parent->SetCaption(L"");
    auto* wp = Wrap<TkvPanelWnd>(parent, L"TOOLBAR");   // a picture of its own that children show
    struct Kind {
        const char* name;
        bool native;
        std::function<HWND(int x, int y)> make;
    };
    auto native = [&](const wchar_t* cls, DWORD style, DWORD exStyle, int x, int y, int w, int h) {
        return CreateWindowExW(exStyle, cls, L"", WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent->Handle(),
                               nullptr, GetModuleHandleW(nullptr), nullptr);
    };
    const Kind kinds[] = {
        {"native tool bar", true,
         [&](int x, int y) {
             HWND h = native(TOOLBARCLASSNAMEW,
                             TBSTYLE_FLAT | TBSTYLE_LIST | CCS_NORESIZE | CCS_NODIVIDER | CCS_NOPARENTALIGN, 0, x, y,
                             160, 40);
             SendMessageW(h, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
             TBBUTTON b[] = {{I_IMAGENONE, 1, TBSTATE_ENABLED, BTNS_BUTTON | BTNS_SHOWTEXT, {}, 0, INT_PTR(L"Open")},
                             {I_IMAGENONE, 2, TBSTATE_ENABLED, BTNS_BUTTON | BTNS_SHOWTEXT, {}, 0, INT_PTR(L"Save")}};
             SendMessageW(h, TB_ADDBUTTONSW, 2, LPARAM(b));
             wrappers.push_back({h, CreateWrapper<TkvToolBarWnd>(h, nullptr, manager, L"BAR")});
             return h;
         }},
        {"native container", true,
         [&](int x, int y) {
             HWND h = native(L"STATIC", 0, WS_EX_CLIENTEDGE, x, y, 160, 60);
             wrappers.push_back({h, CreateWrapper<TkvContainerWnd>(h, nullptr, manager, L"PANEL_LOW")});
             return h;
         }},
        {"tool bar", false,
         [&](int x, int y) {
             auto* t = Add<TToolBar>(parent, x, y, 160, 30);
             t->SetShowCaptions(true);
             t->AddButton(L"Go");
             Wrap<TkvToolBarVCLWnd>(t);
             return t->Handle();
         }},
    };
    auto repaint = [&] {
        RedrawWindow(form->Handle(), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Pump(30);
    };
    std::vector<HWND> before;
    for (size_t i = 0; i < std::size(kinds); ++i) before.push_back(kinds[i].make(10 + int(i) * 180, 10));
    repaint();
    ASSERT_NO_FATAL_FAILURE(UseSampleSkin(L"Graphite"));
    // The parent's picture for the new skin is still being made while the
    // children hear of the skin (a dialog relays it to its native children).
    wp->CommonData->CacheBitmap->SetSize(0, 0);
    for (size_t i = 0; i < std::size(kinds); ++i) {
        if (kinds[i].native) Command(before[i], SkinCmdNewSkin, LPARAM(manager));
        RedrawWindow(before[i], nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    }
    Pump(20);
    // The parent's picture is ready: its children are told.
    ASSERT_TRUE(wp->RenderCache());
    for (HWND h : before) Command(h, SkinCmdParentUpdated, LPARAM(manager));
    Pump(20);
    std::vector<HWND> after;
    for (size_t i = 0; i < std::size(kinds); ++i) after.push_back(kinds[i].make(10 + int(i) * 180, 180));
    repaint();
    for (size_t i = 0; i < std::size(kinds); ++i) {
        auto old = ClientShot(before[i]), fresh = ClientShot(after[i]);
        EXPECT_LT(DifferentShare(old.get(), fresh.get(), 8), 0.01) << kinds[i].name;
    }
}

namespace {
// The part of `a` that differs from `b` inside `area` (a rectangle of both),
// as a picture of its own; empty when they are the same there.
std::unique_ptr<TBitmap> DifferingPart(TBitmap& a, TBitmap& b, const RECT& area)
{
    GdiFlush();
    RECT box{area.right, area.bottom, area.left, area.top};
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (BitmapPixel(a, x, y) != BitmapPixel(b, x, y)) {
                box.left = std::min<LONG>(box.left, x), box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1), box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
    if (box.left >= box.right) return nullptr;
    std::unique_ptr<TBitmap> part = NewBitmap32(box.right - box.left, box.bottom - box.top);
    BitBlt(part->Canvas().Handle(), 0, 0, part->Width(), part->Height(), a.Canvas().Handle(), box.left, box.top,
           SRCCOPY);
    GdiFlush();
    return part;
}
}  // namespace

// The arrow of a drop-down tool button shows whole: beside the caption of a
// whole-drop-down button, in the drop-down part of a split button.
TEST_F(Containers, NativeToolBarDropDownArrowsShowWhole)
{
    SetCursorPos(0, 0);
    for (const wchar_t* skin : {L"Slate", L"Graphite"}) {
        SCOPED_TRACE(skin[0] == L'S' ? "Slate" : "Graphite");
        ASSERT_NO_FATAL_FAILURE(UseSampleSkin(skin));
        HWND tb = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                                  WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_LIST | CCS_NORESIZE | CCS_NODIVIDER |
                                      CCS_NOPARENTALIGN,
                                  10, 10, 400, 30, form->Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_TRUE(tb);
        SendMessageW(tb, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
        SendMessageW(tb, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
        enum { wholeCaption, wholeBare, plainBare, split, plainCaption };
        TBBUTTON buttons[] = {
            {I_IMAGENONE, 100, TBSTATE_ENABLED, BTNS_WHOLEDROPDOWN | BTNS_SHOWTEXT, {}, 0, INT_PTR(L"Menu")},
            {I_IMAGENONE, 101, TBSTATE_ENABLED, BTNS_WHOLEDROPDOWN, {}, 0, -1},
            {I_IMAGENONE, 102, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, -1},
            {I_IMAGENONE, 103, TBSTATE_ENABLED, BTNS_DROPDOWN | BTNS_SHOWTEXT, {}, 0, INT_PTR(L"Split")},
            {I_IMAGENONE, 104, TBSTATE_ENABLED, BTNS_BUTTON | BTNS_SHOWTEXT, {}, 0, INT_PTR(L"Split")},
        };
        SendMessageW(tb, TB_ADDBUTTONSW, std::size(buttons), LPARAM(buttons));
        for (int id = 100; id <= 104; ++id) {
            TBBUTTONINFOW bi{sizeof bi, TBIF_SIZE};
            bi.cx = 64;
            SendMessageW(tb, TB_SETBUTTONINFOW, WPARAM(id), LPARAM(&bi));
        }
        auto* w = CreateWrapper<TkvToolBarWnd>(tb, nullptr, manager, L"");
        wrappers.push_back({tb, w});
        RedrawWindow(tb, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
        Pump(20);
        ASSERT_TRUE(w->CommonData->CacheBitmap);
        TBitmap& cache = *w->CommonData->CacheBitmap;
        TBitmap painted(cache.Width(), cache.Height());
        w->PaintButtons(&painted);
        GdiFlush();
        auto item = [&](int i) {
            RECT r{};
            SendMessageW(tb, TB_GETITEMRECT, WPARAM(i), LPARAM(&r));
            OffsetRect(&r, w->BorderWidth, w->BorderWidth);
            return r;
        };
        // The arrow as a bare whole-drop-down button shows it: what differs
        // from a bare plain button of the same size.
        RECT bare = item(wholeBare), plain = item(plainBare);
        ASSERT_EQ(bare.right - bare.left, plain.right - plain.left);
        TBitmap shifted(cache.Width(), cache.Height());
        BitBlt(shifted.Canvas().Handle(), bare.left, bare.top, plain.right - plain.left, plain.bottom - plain.top,
               painted.Canvas().Handle(), plain.left, plain.top, SRCCOPY);
        std::unique_ptr<TBitmap> arrow = DifferingPart(painted, shifted, bare);
        ASSERT_TRUE(arrow) << "no arrow on the bare whole-drop-down button";
        // Whole beside the caption, and in the split button's drop-down part.
        EXPECT_GE(FindPicture(painted, *arrow, item(wholeCaption)).x, 0) << "whole-drop-down with a caption";
        RECT splitItem = item(split);
        EXPECT_GE(FindPicture(painted, *arrow, splitItem).x, 0) << "split button";
        EXPECT_LT(FindPicture(painted, *arrow, item(plainCaption)).x, 0) << "a plain button shows none";
    }
}

// A native status bar with a size grip shows the skin's grip in its corner.
TEST_F(Containers, NativeStatusBarShowsTheSkinsSizeGrip)
{
    int top = 200;
    for (const wchar_t* skin : {L"Slate", L"Graphite"}) {
        SCOPED_TRACE(skin[0] == L'S' ? "Slate" : "Graphite");
        ASSERT_NO_FATAL_FAILURE(UseSampleSkin(skin));
        int grip = manager->CommonIndexes().Global("GRIPIMAGE");
        ASSERT_TRUE(manager->IsMaskIndexValid(grip));
        const TsMaskData& md = manager->ma()[size_t(grip)];
        const int gw = MaskFrameWidth(md), gh = MaskStateHeight(md);
        HWND sb = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP | CCS_NOPARENTALIGN |
                                                           CCS_NORESIZE,
                                  10, top, 300, 24, form->Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_TRUE(sb);
        auto* w = CreateWrapper<TkvStatusBarWnd>(sb, nullptr, manager, L"");
        wrappers.push_back({sb, w});
        RedrawWindow(sb, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
        Pump(20);
        auto shot = ClientShot(sb);
        const PixelBitmap* master = manager->MasterBitmap();
        int drawn = 0, wrong = 0;
        for (int y = 0; y < gh; ++y)
            for (int x = 0; x < gw; ++x) {
                uint32_t p = master->Row(md.SourceRect.top + y)[md.SourceRect.left + x] & 0xFFFFFF;
                if (p == 0xFF00FF) continue;
                ++drawn;
                COLORREF want = RGB(p >> 16, (p >> 8) & 0xFF, p & 0xFF);
                wrong += (At(*shot, 300 - gw + x, 24 - gh + y) & 0xFFFFFF) != want;
            }
        EXPECT_GT(drawn, 4);
        EXPECT_EQ(wrong, 0);
        top += 40;
    }
}

// The rows of a page next to the tabs show the page control's own picture
// there (its frame, here wider than the sample skins' frames), not just its colour.
TEST_F(Containers, PageRowsNextToTheTabsShowThePageControlsFrame)
{
    const uint32_t frame = 0x2060C0;   // the master's colour (0xRRGGBB): the frame
    std::string options = "[GLOBALINFO]\r\nVERSION=8.50\r\nMASTERBITMAP=MASTER.BMP\r\nCOLOR=" +
                          std::to_string(0x808080) + "\r\n[PAGECONTROL]\r\nCOLOR=16777215\r\nSTATES=1\r\n"
                          "BORDERSMASK=^0000,0000,0016,0016,0006,0006,0006,0006,1,0,0,0\r\n"
                          "[PAGECONTROLBOTTOM]\r\nPARENTCLASS=PAGECONTROL\r\n"
                          "[CHECKBOX]\r\nCOLOR=16777215\r\nSTATES=1\r\nTRANSPARENCY=100\r\n";
    dir.WriteFile(L"WideFrame\\Options.dat", options);
    dir.WriteFile(L"WideFrame\\MASTER.BMP", Master(16, 16, frame));
    manager->SetSkinDirectory(dir.Path());
    manager->SetSkinName(L"WideFrame");
    ASSERT_TRUE(manager->SkinData().Active);
    for (TTabPosition side : {TTabPosition::tpTop, TTabPosition::tpBottom}) {
        auto* pc = Add<TPageControl>(form, side == TTabPosition::tpTop ? 10 : 260, 10, 230, 160);
        pc->SetTabPosition(side);
        auto* page = new TTabSheet(form);
        page->SetCaption(L"Page");
        page->SetPageControl(pc);
        pc->HandleNeeded();
        page->HandleNeeded();
        auto* w = Wrap<TkvPageControlWnd>(pc);
        RedrawWindow(pc->Handle(), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Pump(30);
        ASSERT_TRUE(w->CommonData->CacheBitmap);
        TBitmap& cache = *w->CommonData->CacheBitmap;
        POINT at = PlaceInParent(page->Handle());
        auto shot = ClientShot(page->Handle());
        const int h = page->Height();
        int wrong = 0, frameShown = 0;
        for (int i = 0; i < 3; ++i)
            for (int x = 0; x < page->Width(); ++x) {
                int y = side == TTabPosition::tpTop ? i : h - 1 - i;
                COLORREF shown = At(*shot, x, y) & 0xFFFFFF;
                wrong += shown != BitmapPixel(cache, at.x + x, at.y + y);
                frameShown += shown == RGB(frame >> 16, (frame >> 8) & 0xFF, frame & 0xFF);
            }
        EXPECT_EQ(wrong, 0) << int(side);
        EXPECT_GT(frameShown, 0) << int(side);
    }
}

// On side tabs with an icon the selected tab's content stands 2 px further
// out, and a right tab's content 2 px toward the page.
TEST_F(Containers, SideTabIconsShiftWithTheSelection)
{
    HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR24, 1, 0);
    AddSolidImage(images, RGB(255, 0, 0));
    struct Row {
        DWORD style;
        double selected, other;   // the icon's centre right of the tab's centre
    } rows[] = {{TCS_VERTICAL | TCS_MULTILINE | TCS_FIXEDWIDTH, 2, 0},
                {TCS_VERTICAL | TCS_MULTILINE | TCS_FIXEDWIDTH | TCS_RIGHT, 0, -2}};
    int left = 10;
    for (const Row& r : rows) {
        HWND tab = CreateWindowExW(0, WC_TABCONTROLW, nullptr, WS_CHILD | WS_VISIBLE | r.style, left, 10, 200, 200,
                                   form->Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_TRUE(tab);
        left += 220;
        SendMessageW(tab, TCM_SETIMAGELIST, 0, LPARAM(images));
        SendMessageW(tab, TCM_SETITEMSIZE, 0, MAKELPARAM(70, 30));   // thick enough for the icon
        for (int i = 0; i < 2; ++i) {
            TCITEMW item{TCIF_TEXT | TCIF_IMAGE};
            item.pszText = const_cast<wchar_t*>(L"Ab");
            item.iImage = 0;
            SendMessageW(tab, TCM_INSERTITEMW, WPARAM(i), LPARAM(&item));
        }
        SendMessageW(tab, TCM_SETCURSEL, 0, 0);
        auto* w = CreateWrapper<TkvTabControlWnd>(tab, nullptr, manager, L"");
        wrappers.push_back({tab, w});
        RedrawWindow(tab, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
        Pump(20);
        auto shot = ClientShot(tab);
        for (int i = 0; i < 2; ++i) {
            RECT t = w->TabRect(i, i == 0);
            RECT box{t.right, t.bottom, t.left - 1, t.top - 1};
            for (int y = std::max<LONG>(0, t.top); y < t.bottom; ++y)
                for (int x = std::max<LONG>(0, t.left); x < t.right; ++x)
                    if ((At(*shot, x, y) & 0xFFFFFF) == RGB(255, 0, 0)) {
                        box.left = std::min<LONG>(box.left, x), box.top = std::min<LONG>(box.top, y);
                        box.right = std::max<LONG>(box.right, x + 1), box.bottom = std::max<LONG>(box.bottom, y + 1);
                    }
            ASSERT_EQ(box.right - box.left, 16) << "tab " << i;
            double off = (box.left + box.right) / 2.0 - (t.left + t.right) / 2.0;
            EXPECT_NEAR(off, i == 0 ? r.selected : r.other, 0.6) << "tab " << i << " style " << r.style;
        }
    }
    ImageList_Destroy(images);
}

// A panel shown again tells its form, and its children take the skin anew.
TEST_F(Containers, PanelShownAgainTellsItsFormAndChildren)
{
    auto* p = Add<TPanel>(form, 20, 20, 160, 80);
    auto* child = Add<TSkinTestPanel>(p, 4, 4, 40, 20);
    Wrap<TkvPanelWnd>(p);
    p->SetVisible(false);
    Pump(10);
    form->Commands.Clear();
    child->Commands.Clear();
    p->SetVisible(true);
    EXPECT_GE(form->Commands.Count(SkinCmdControlChanged), 1);
    EXPECT_EQ(child->Commands.Count(SkinCmdNewSkin), 1);
    EXPECT_EQ(child->Commands.Count(SkinCmdRefresh), 1);
    // Hiding tells nobody.
    form->Commands.Clear();
    child->Commands.Clear();
    p->SetVisible(false);
    EXPECT_EQ(form->Commands.Count(SkinCmdControlChanged), 0);
    EXPECT_EQ(child->Commands.Count(SkinCmdNewSkin), 0);
}

// A class-library tool button's image stands where the tool-button image
// routine puts it, in every state the button shows.
TEST_F(Containers, ToolBarImagesStandWhereTheToolButtonRoutinePutsThem)
{
    SetCursorPos(0, 0);
    TImageList images(nullptr);
    images.SetSize(16, 16);
    TBitmap red(16, 16, TPixelFormat::pf24bit);
    red.Canvas().Brush().SetColor(clRed);
    red.Canvas().FillRect(RECT{0, 0, 16, 16});
    ASSERT_EQ(images.Add(&red, nullptr), 0);
    auto* tb = Add<TToolBar>(form, 0, 0, 300, 40);
    tb->SetImages(&images);
    tb->SetButtonSize(50, 36);
    tb->AddButton(L"", TToolButtonStyle::tbsButton, 0);
    TToolButton* down = tb->AddButton(L"", TToolButtonStyle::tbsCheck, 0);
    down->SetDown(true);
    Wrap<TkvToolBarVCLWnd>(tb);
    Repaint(tb);
    auto shot = ClientShot(tb->Handle());
    for (int i = 0; i < 2; ++i) {
        TToolButton* b = tb->Buttons(i);
        RECT br = b->BoundsRect();
        TsToolButtonImage want;
        want.Images = &images;
        want.ImageIndex = 0;
        want.Checked = b->Down();
        want.ButtonRect = br;
        RECT r = ToolButtonImageRect(want, 16, 16);
        RECT box{br.right, br.bottom, br.left - 1, br.top - 1};
        for (int y = br.top; y < br.bottom; ++y)
            for (int x = br.left; x < br.right; ++x)
                if ((At(*shot, x, y) & 0xFFFFFF) == RGB(255, 0, 0)) {
                    box.left = std::min<LONG>(box.left, x), box.top = std::min<LONG>(box.top, y);
                    box.right = std::max<LONG>(box.right, x + 1), box.bottom = std::max<LONG>(box.bottom, y + 1);
                }
        EXPECT_TRUE(EqualRect(&box, &r)) << "button " << i << ": " << box.left << "," << box.top << " want " << r.left
                                         << "," << r.top;
    }
}

// A tool bar printed into a picture looks as it does on the screen.
TEST_F(Containers, ToolBarPrintsAsItShows)
{
    SetCursorPos(0, 0);
    for (const wchar_t* skin : {L"Slate", L"Graphite"}) {
        SCOPED_TRACE(skin[0] == L'S' ? "Slate" : "Graphite");
        ASSERT_NO_FATAL_FAILURE(UseSampleSkin(skin));
        auto* tb = Add<TToolBar>(form, 10, skin[0] == L'S' ? 10 : 60, 300, 36);
        tb->SetShowCaptions(true);
        tb->SetButtonSize(60, 30);
        tb->AddButton(L"Open");
        tb->AddButton(L"Off")->SetEnabled(false);
        // A sunken edge around the bar: a frame outside the client area.
        SetWindowLongPtrW(tb->Handle(), GWL_EXSTYLE, GetWindowLongPtrW(tb->Handle(), GWL_EXSTYLE) | WS_EX_CLIENTEDGE);
        SetWindowPos(tb->Handle(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
        Wrap<TkvToolBarVCLWnd>(tb);
        Repaint(tb);
        ASSERT_GT(GetClientRectInWindow(tb->Handle()).left, 0);
        auto shown = CaptureWindow(tb->Handle());
        std::unique_ptr<TBitmap> printed = NewBitmap32(tb->Width(), tb->Height());
        SendMessageW(tb->Handle(), WM_PRINT, WPARAM(printed->Canvas().Handle()), PRF_CLIENT | PRF_NONCLIENT);
        EXPECT_LT(DifferentShare(shown.get(), printed.get(), 0), 0.001);
    }
}
