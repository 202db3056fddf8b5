// The skinned test program's main form, in-process with the program's own
// skins: it starts skinned, each control the class-name lists name carries the
// wrapper of its list (and every list is on the form), its buttons open what
// they name, and the skin choosers and the hue slider change what the form
// shows, and back again.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <functional>
#include <set>

#include "classlib/Subclass.h"
#include "skin/controls/ButtonWnd.h"
#include "skin/controls/MainWnd.h"
#include "skin/controls/ScrollWnd.h"
#include "skin/core/SkinManager.h"
#include "skin/forms/CtrlAdapter.h"
#include "skin/forms/Dialogs.h"
#include "skin/forms/FrameAdapter.h"
#include "skin/forms/SkinProvider.h"
#include "skin/forms/SystemMenu.h"
#include "skin/graphics/ClassNameTables.h"
#include "skin/graphics/SkinCommands.h"
#include "tests/skin/MenuLoop.h"
#include "tests/skin/PictureCompare.h"
#include "tests/skin/SkinRuntimeFixture.h"
#include "tests/skinapp/SkinAppForms.h"

using namespace skintest;
using namespace menuloop;

namespace {

class SkinAppTest : public SkinRuntime {
protected:
    TSkinAppMain* StartMain(const String& skin = L"Slate")
    {
        auto* main = new TSkinAppMain(Application);
        forms.push_back(main);
        SkinAppOptions o;
        o.SkinsDir = EnvPath("TALVERA_SKINAPP") + L"\\Skins";
        o.Skin = skin;
        main->Start(o);
        main->Show();
        Settle();
        return main;
    }
    // Until the skin-change animation and the repaints it starts are over
    // (bounded generously: a loaded machine slows the animation's frames).
    static void Settle()
    {
        const DWORD until = GetTickCount() + 10000;
        do
            Pump(50);
        while ((AnimationRunning || SkinChanging) && GetTickCount() < until);
        Pump(100);
    }
    static void AllControls(TWinControl* parent, std::vector<TControl*>& out)
    {
        for (int i = 0; i < parent->ControlCount(); ++i) {
            TControl* c = parent->Controls(i);
            out.push_back(c);
            if (auto* w = dynamic_cast<TWinControl*>(c))
                AllControls(w, out);
        }
    }
    // Where a control lies in its form's window picture.
    static RECT WindowArea(HWND form, TWinControl* c)
    {
        RECT f{}, r{};
        GetWindowRect(form, &f);
        GetWindowRect(c->Handle(), &r);
        OffsetRect(&r, -f.left, -f.top);
        return r;
    }
    // Mean brightness (0..255) of a picture.
    static double Brightness(TBitmap* b)
    {
        GdiFlush();
        double sum = 0;
        for (int y = 0; y < b->Height(); y += 2)
            for (int x = 0; x < b->Width(); x += 2) {
                uint32_t p = GetPixel32(b, x, y);
                sum += ((p >> 16) & 0xFF) * 0.3 + ((p >> 8) & 0xFF) * 0.59 + (p & 0xFF) * 0.11;
            }
        return sum / (((b->Height() + 1) / 2) * ((b->Width() + 1) / 2));
    }
};

TEST_F(SkinAppTest, StartsSkinnedWithEveryListsWrapperAndItsButtonsOpenWhatTheySay)
{
    TSkinAppMain* main = StartMain();
    ASSERT_TRUE(main->Skins->SkinData().Active);
    EXPECT_EQ(main->ChosenSkin(), String(L"Slate"));
    EXPECT_TRUE(main->Provider->Skinned());
    // The chooser offers no skin, the folder, its packed twin and the dark skin.
    const std::vector<String> names = main->SkinNames();
    for (const wchar_t* n : {kNoSkin, L"Slate", L"SlatePacked", L"Graphite"})
        EXPECT_NE(std::find(names.begin(), names.end(), String(n)), names.end()) << StringToUtf8(n);
    EXPECT_EQ(main->SkinCombo->Items()[main->SkinCombo->ItemIndex()], String(L"Slate"));

    TkvCtrlAdapter* adapter = ControlAdapterOf(*main->Provider);
    ASSERT_NE(adapter, nullptr);
    std::vector<TControl*> controls;
    AllControls(main, controls);
    std::set<int> listsSeen;
    for (TControl* c : controls) {
        const int list = main->Skins->ThirdParty.IndexOfClass(c->ClassName());
        if (list < 0)
            continue;
        SCOPED_TRACE(StringToUtf8(c->ClassName()));
        listsSeen.insert(list);
        const String expected = ThirdPartyWrapperNames[list];
        if (list == tpSpeedButton) {
            TkvGraphItem* g = adapter->GraphItemOf(c);
            ASSERT_NE(g, nullptr);
            ASSERT_NE(g->Handler, nullptr);
            EXPECT_EQ(g->Handler->ClassName(), expected);
            continue;
        }
        auto* w = static_cast<TWinControl*>(c);
        ASSERT_TRUE(w->HandleAllocated());
        TkvMainWnd* wrapper = GetWrapper(w->Handle());
        ASSERT_NE(wrapper, nullptr);
        EXPECT_EQ(wrapper->ClassName(), expected);
    }
    // Every list, so every kind of wrapper, is on the form.
    for (int list = 0; list < ThirdPartyListCount; ++list)
        EXPECT_TRUE(listsSeen.count(list)) << StringToUtf8(ThirdPartyNames[list]);
    // What the program itself records agrees with the lists.
    for (const TSkinAppMain::Listed& l : main->ListedControls())
        EXPECT_EQ(main->Skins->ThirdParty.IndexOfClass(l.Control->ClassName()), l.List)
            << StringToUtf8(l.Control->ClassName());

    // The buttons open a message box, the open-file dialog and the other forms.
    const std::vector<String> boxes = RunAnsweringBoxes([&] { Click(main->MessageButton); });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find(L"A message box"), String::npos);
    const FileDialogAnswer file = AnswerFileDialog(L"", [&] { Click(main->OpenFileButton); });
    EXPECT_TRUE(file.seen);
    EXPECT_EQ(file.title, String(L"Open a file"));

    // The MDI form: its own provider, its client window wrapped, two skinned children.
    Click(main->MDIButton);
    Settle();
    TSkinAppMDI* mdi = main->ShowMDIForm();
    ASSERT_TRUE(IsWindowVisible(mdi->Handle()));
    EXPECT_TRUE(mdi->Provider->Skinned());
    TkvMainWnd* client = GetWrapper(mdi->ClientHandle());
    ASSERT_NE(client, nullptr);
    EXPECT_EQ(client->ClassName(), String(L"TkvMDIWnd"));
    ASSERT_EQ(mdi->MDIChildCount(), 2);
    // Each child's memo is wrapped as the main form's memo is, in its colours.
    TControl* mainMemo = nullptr;
    for (TControl* c : controls)
        if (c->ClassName() == String(L"TMemo"))
            mainMemo = c;
    ASSERT_NE(mainMemo, nullptr);
    for (int i = 0; i < 2; ++i) {
        TCustomForm* child = mdi->MDIChildren(i);
        EXPECT_TRUE(QueryWindowSkinFlag(child->Handle(), SkinCmdIsSkinned)) << i;
        ASSERT_EQ(child->ControlCount(), 1);
        auto* memo = dynamic_cast<TWinControl*>(child->Controls(0));
        ASSERT_NE(memo, nullptr);
        TkvMainWnd* wrapper = GetWrapper(memo->Handle());
        ASSERT_NE(wrapper, nullptr) << i;
        EXPECT_EQ(wrapper->ClassName(), String(L"TkvEditWnd"));
        EXPECT_EQ(ColorToRGB(memo->Color()), ColorToRGB(mainMemo->Color())) << i;
    }
    // A child closed is gone with its window, as a child made anew is new.
    HWND closing = mdi->MDIChildren(1)->Handle();
    SendMessageW(closing, WM_CLOSE, 0, 0);
    Settle();
    EXPECT_FALSE(IsWindow(closing));
    EXPECT_EQ(mdi->MDIChildCount(), 1);

    // The example form: skinned by its provider with the program's manager.
    Click(main->ExampleButton);
    Settle();
    TForm* example = main->ExampleForm();
    ASSERT_NE(example, nullptr);
    EXPECT_TRUE(IsWindowVisible(example->Handle()));
    EXPECT_TRUE(QueryWindowSkinFlag(example->Handle(), SkinCmdIsSkinned));
    EXPECT_EQ(DefaultManager, main->Skins) << "the example made no second manager";
}

TEST_F(SkinAppTest, SkinChoicesAndHueChangeTheFormAndComeBack)
{
    TSkinAppMain* main = StartMain();
    const HWND wnd = main->Handle();
    // The edit with the focus would blink its caret into the pictures, and
    // an inactive form draws its menu line paler.
    main->SetActiveControl(main->MessageButton);
    SetForegroundWindow(wnd);
    Settle();
    const std::unique_ptr<TBitmap> slate = CaptureWindow(wnd);
    const double slateLight = Brightness(slate.get());
    RECT client{};
    GetClientRect(wnd, &client);
    MapWindowPoints(wnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
    RECT frame{};
    GetWindowRect(wnd, &frame);
    OffsetRect(&client, -frame.left, -frame.top);

    // Each row chooses its skin the way a user would: the main menu's "Skin"
    // items, the system menu's skin list, the combo box, the hue slider.
    enum How { MainMenu, SystemMenu, Combo, Slider };
    auto choose = [&](How how, const String& skin, int hue) {
        if (how == MainMenu) {
            TMenuItem* menu = main->MainMenu->Items()->Items(1);
            for (int i = 0; i < menu->Count(); ++i)
                if (SkinOfItem(menu->Items(i)) == skin)
                    menu->Items(i)->Click();
        } else if (how == SystemMenu) {
            TsSystemMenu* sys = main->Provider->SystemMenu();
            sys->AddSkinList();
            TMenuItem* list = FindMenuItem(sys, SkinSelectItemName);
            ASSERT_NE(list, nullptr);
            for (int i = 0; i < list->Count(); ++i)
                if (list->Items(i)->Caption() == skin)
                    list->Items(i)->Click();
        } else if (how == Combo) {
            const auto& items = main->SkinCombo->Items();
            for (int i = 0; i < items.Count(); ++i)
                if (items[i] == skin)
                    main->SkinCombo->SetItemIndex(i);
            main->SkinCombo->OnChange(main->SkinCombo);
        } else {
            main->HueBar->SetPosition(hue);
            main->HueBar->OnChange(main->HueBar);
            Pump(400);   // the slider recolours once it has rested
        }
    };
    enum Expect { Same, Differs, Darker };
    struct Row {
        How how;
        const wchar_t* skin;
        int hue;
        Expect expect;
    };
    const Row rows[] = {
        {MainMenu, L"SlatePacked", 0, Same},   // the packed twin looks as the folder does
        {SystemMenu, L"Graphite", 0, Darker},
        {Combo, L"Slate", 0, Same},
        {Slider, L"Slate", 140, Differs},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(StringToUtf8(r.skin) + " hue " + std::to_string(r.hue));
        choose(r.how, r.skin, r.hue);
        Settle();
        EXPECT_EQ(main->Skins->HueOffset(), r.hue);
        EXPECT_EQ(main->SkinCombo->Items()[main->SkinCombo->ItemIndex()], String(r.skin)) << "the combo follows";
        EXPECT_EQ(main->ChosenSkin(), String(r.skin));
        const std::unique_ptr<TBitmap> now = CaptureWindow(wnd);
        ASSERT_EQ(now->Width(), slate->Width());
        ASSERT_EQ(now->Height(), slate->Height());
        // The chooser and the status bar name the skin: they may differ.
        for (TWinControl* named : {static_cast<TWinControl*>(main->SkinCombo), static_cast<TWinControl*>(main->Status)}) {
            RECT r = WindowArea(wnd, named);
            for (TBitmap* b : {now.get(), slate.get()}) {
                b->Canvas().Brush().SetColor(clBlack);
                b->Canvas().FillRect(r);
            }
        }
        // The client area: the frame's menu line is drawn plainly after a
        // skin change (a fault of the menu line, not of the controls).
        const double differ = DifferentShare(now.get(), slate.get(), 8, client);

        if (r.expect == Same) {
            EXPECT_LT(differ, 0.002);
        } else {
            EXPECT_GT(differ, 0.15);
        }
        if (r.expect == Darker) {
            EXPECT_LT(Brightness(now.get()), slateLight * 0.5);
        }
    }
}

// A skin chosen while the program runs looks as the same skin chosen at the
// start: every control, the client background and the menu line. The
// reference is a form started with the skin, in the same run.
TEST_F(SkinAppTest, SkinChosenAtRunTimeLooksAsAtStart)
{
    struct Row {
        const wchar_t* start;
        const wchar_t* via;    // chosen on the way, when not nil
        const wchar_t* skin;   // chosen last
        int hueOnTheWay;       // a hue shift there and back instead, when not 0
    };
    const Row rows[] = {
        {L"Slate", nullptr, L"Graphite", 0},
        {kNoSkin, nullptr, L"Slate", 0},
        {L"Slate", kNoSkin, L"Slate", 0},
        {L"Slate", nullptr, L"Slate", 140},
        {L"Slate", L"Graphite", L"Slate", 140},
    };
    // The form a user sees: the foreground form, the focus on a button.
    auto capture = [&](TSkinAppMain* main) {
        main->SetActiveControl(main->MessageButton);
        SetForegroundWindow(main->Handle());
        Settle();
        return CaptureWindow(main->Handle());
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(StringToUtf8(r.start) + " -> " + (r.via ? StringToUtf8(r.via) + " -> " : std::string()) +
                     StringToUtf8(r.skin) + " hue " + std::to_string(r.hueOnTheWay));
        TSkinAppMain* fresh = StartMain(r.skin);
        const std::unique_ptr<TBitmap> expected = capture(fresh);
        Free(forms.back());
        forms.pop_back();
        Settle();

        TSkinAppMain* main = StartMain(r.start);
        if (r.via) {
            main->ChooseSkin(r.via);
            Settle();
        }
        if (r.via || String(r.start) != r.skin) {
            main->ChooseSkin(r.skin);
            Settle();
        }
        if (r.hueOnTheWay) {
            main->SetHue(r.hueOnTheWay);
            Settle();
            main->SetHue(0);
            Settle();
        }
        const std::unique_ptr<TBitmap> now = capture(main);
        ASSERT_EQ(now->Width(), expected->Width());
        ASSERT_EQ(now->Height(), expected->Height());
        const HWND wnd = main->Handle();
        RECT frame{}, client{};
        GetWindowRect(wnd, &frame);
        GetClientRect(wnd, &client);
        MapWindowPoints(wnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
        OffsetRect(&client, -frame.left, -frame.top);

        // Each visible control where it lies.
        std::vector<TControl*> controls;
        AllControls(main, controls);
        for (TControl* c : controls) {
            auto* w = dynamic_cast<TWinControl*>(c);
            if (!w || !w->HandleAllocated() || !IsWindowVisible(w->Handle()))
                continue;
            EXPECT_LT(DifferentShare(now.get(), expected.get(), 8, WindowArea(wnd, w)), 0.01)
                << StringToUtf8(c->ClassName()) << " " << StringToUtf8(c->Name());
        }
        // The client area as a whole, and the frame above it (title and menu line).
        EXPECT_LT(DifferentShare(now.get(), expected.get(), 8, client), 0.005) << "client";
        const RECT menuLine{client.left, client.top - GetSystemMetrics(SM_CYMENU), client.right, client.top};
        EXPECT_LT(DifferentShare(now.get(), expected.get(), 8, menuLine), 0.01) << "menu line";
        EXPECT_LT(DifferentShare(now.get(), expected.get(), 8, RECT{0, 0, now->Width(), client.top}), 0.01) << "title";
        Free(forms.back());
        forms.pop_back();
        Settle();
    }
}

TEST(SkinAppOptions, CommandLine)
{
    struct Row {
        std::vector<String> args;
        bool ok;
        const wchar_t* skin;
        int hue, sat;
        const wchar_t* show;
        PlantedFault fault;
    };
    const Row rows[] = {
        {{}, true, L"Slate", 0, 0, L"main"},
        {{L"--skin", L"Graphite", L"--hue", L"120", L"--sat", L"-40", L"--show", L"mdi"}, true, L"Graphite", 120, -40, L"mdi"},
        {{L"--fault", L"leak"}, true, L"Slate", 0, 0, L"main", {PlantedFault::Leak, 0}},
        {{L"--fault", L"hang:12"}, true, L"Slate", 0, 0, L"main", {PlantedFault::Hang, 12}},
        {{L"--fault", L"hang:0"}, false, nullptr, 0, 0, nullptr},
        {{L"--fault", L"hang:"}, false, nullptr, 0, 0, nullptr},
        {{L"--fault", L"hang:3x"}, false, nullptr, 0, 0, nullptr},
        {{L"--fault", L"crash"}, false, nullptr, 0, 0, nullptr},
        {{L"--hue", L"360"}, false, nullptr, 0, 0, nullptr},
        {{L"--hue", L"1x"}, false, nullptr, 0, 0, nullptr},
        {{L"--sat", L"-101"}, false, nullptr, 0, 0, nullptr},
        {{L"--show", L"everything"}, false, nullptr, 0, 0, nullptr},
        {{L"--skin"}, false, nullptr, 0, 0, nullptr},
        {{L"--colour", L"red"}, false, nullptr, 0, 0, nullptr},
    };
    for (const Row& r : rows) {
        SkinAppOptions o;
        String error;
        const bool ok = ParseSkinAppOptions(r.args, o, error);
        EXPECT_EQ(ok, r.ok) << StringToUtf8(error);
        if (!r.ok) {
            EXPECT_FALSE(error.empty());
            continue;
        }
        EXPECT_EQ(o.Skin, String(r.skin));
        EXPECT_EQ(o.Hue, r.hue);
        EXPECT_EQ(o.Saturation, r.sat);
        EXPECT_EQ(o.Show, String(r.show));
        EXPECT_TRUE(o.Fault == r.fault);
    }
}

// Every scrolling control with more to show than it has room for shows its
// bars: skinned, the form's picture holds the skin's bars where the wrapper
// puts them (the program starts its manager without a skin and gives it one
// afterwards); unskinned again, the system's bars are back.
TEST_F(SkinAppTest, ScrollingControlsShowTheirBarsWithAndWithoutTheSkin)
{
    TSkinAppMain* main = StartMain();
    struct Row {
        TWinControl* control;
        int kind;   // SB_HORZ or SB_VERT
    };
    std::vector<Row> rows;
    for (const TSkinAppMain::Listed& l : main->ListedControls()) {
        auto* w = dynamic_cast<TWinControl*>(l.Control);
        if (!w || !TkvScrollWnd::Of(w->Handle()))
            continue;
        for (int kind : {SB_HORZ, SB_VERT}) {
            SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE};
            if (GetScrollInfo(w->Handle(), kind, &si) && si.nMax - si.nMin + 1 > int(si.nPage) && si.nPage > 0)
                rows.push_back({w, kind});
        }
    }
    std::set<int> lists;
    for (const Row& r : rows)
        lists.insert(main->Skins->ThirdParty.IndexOfClass(r.control->ClassName()));
    for (int list : {tpEdit, tpListView, tpGrid, tpGridEh, tpScrollControl, tpVirtualTree})
        EXPECT_TRUE(lists.count(list)) << "no control of list " << StringToUtf8(ThirdPartyNames[list]) << " scrolls";

    for (const Row& r : rows) {
        SCOPED_TRACE(StringToUtf8(r.control->ClassName()) + (r.kind == SB_VERT ? " vertical" : " horizontal"));
        const HWND h = r.control->Handle();
        TkvScrollWnd* wrapper = TkvScrollWnd::Of(h);
        ASSERT_NE(wrapper, nullptr);
        const TkvScrollBar* bar = wrapper->Bar(r.kind == SB_VERT ? 1 : 0);
        ASSERT_TRUE(bar->Visible);
        RECT w{}, b = r.kind == SB_VERT ? wrapper->VertBarRect() : wrapper->HorzBarRect();
        GetWindowRect(h, &w);
        OffsetRect(&b, -w.left, -w.top);
        ASSERT_GT(b.right - b.left, 0);
        ASSERT_GT(b.bottom - b.top, 0);
        // The client leaves the bar's room free.
        RECT client{};
        GetClientRect(h, &client);
        MapWindowPoints(h, nullptr, reinterpret_cast<POINT*>(&client), 2);
        OffsetRect(&client, -w.left, -w.top);
        RECT overlap{};
        EXPECT_FALSE(IntersectRect(&overlap, &client, &b));
        // The screen shows the bar the wrapper paints.
        const std::unique_ptr<TBitmap> shown = CaptureWindow(h);
        std::unique_ptr<TBitmap> painted(NewBitmap32(shown->Width(), shown->Height()));
        painted->Canvas().Brush().SetColor(TColor(0xFF00FF));
        painted->Canvas().FillRect(RECT{0, 0, painted->Width(), painted->Height()});
        wrapper->NCPaint(painted->Canvas().Handle());
        EXPECT_LT(DifferentShare(shown.get(), painted.get(), 8, b), 0.02);
    }

    main->ChooseSkin(kNoSkin);
    Settle();
    for (const Row& r : rows) {
        SCOPED_TRACE(StringToUtf8(r.control->ClassName()) + (r.kind == SB_VERT ? " vertical, no skin" : " horizontal, no skin"));
        SCROLLBARINFO sbi{sizeof sbi};
        ASSERT_TRUE(GetScrollBarInfo(r.control->Handle(), r.kind == SB_VERT ? OBJID_VSCROLL : OBJID_HSCROLL, &sbi));
        EXPECT_FALSE(sbi.rgstate[0] & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN));
        EXPECT_GT(sbi.rcScrollBar.right - sbi.rcScrollBar.left, 0);
        EXPECT_GT(sbi.rcScrollBar.bottom - sbi.rcScrollBar.top, 0);
        RECT client{}, overlap{};
        GetClientRect(r.control->Handle(), &client);
        MapWindowPoints(r.control->Handle(), nullptr, reinterpret_cast<POINT*>(&client), 2);
        EXPECT_FALSE(IntersectRect(&overlap, &client, &sbi.rcScrollBar));
    }
}

// Without a skin the tool bar shows the form's colour behind its buttons
// (it asks the form to erase into its own picture).
TEST_F(SkinAppTest, UnskinnedToolBarStandsOnTheFormsColour)
{
    TSkinAppMain* main = StartMain(kNoSkin);
    ASSERT_FALSE(main->Skins->Active());
    TToolBar* bar = nullptr;
    for (const TSkinAppMain::Listed& l : main->ListedControls())
        if (auto* t = dynamic_cast<TToolBar*>(l.Control))
            bar = t;
    ASSERT_NE(bar, nullptr);
    ASSERT_GT(bar->ButtonCount(), 0);
    RedrawWindow(bar->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    Pump(100);
    const std::unique_ptr<TBitmap> shown = CaptureWindow(bar->Handle());
    const RECT last = bar->Buttons(bar->ButtonCount() - 1)->BoundsRect();
    RECT rest{last.right + 4, 2, shown->Width() - 2, shown->Height() - 2};
    ASSERT_GT(rest.right - rest.left, 100);
    std::unique_ptr<TBitmap> colour(NewBitmap32(shown->Width(), shown->Height()));
    colour->Canvas().Brush().SetColor(main->Color());
    colour->Canvas().FillRect(RECT{0, 0, colour->Width(), colour->Height()});
    EXPECT_LT(DifferentShare(shown.get(), colour.get(), 8, rest), 0.02);
}

// Skinned, a tool button at rest shows the bar's own picture behind its
// caption (its section is transparent then), under the light and the dark skin.
TEST_F(SkinAppTest, ToolButtonsAtRestShowTheBarsPicture)
{
    TSkinAppMain* main = StartMain();
    TToolBar* bar = nullptr;
    for (const TSkinAppMain::Listed& l : main->ListedControls())
        if (auto* t = dynamic_cast<TToolBar*>(l.Control))
            bar = t;
    ASSERT_NE(bar, nullptr);
    for (const wchar_t* skin : {L"Slate", L"Graphite"}) {
        SCOPED_TRACE(StringToUtf8(skin));
        main->ChooseSkin(skin);
        SetCursorPos(0, 0);
        Settle();
        RedrawWindow(bar->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        Pump(100);
        TkvMainWnd* wrapper = GetWrapper(bar->Handle());
        ASSERT_NE(wrapper, nullptr);
        ASSERT_NE(wrapper->CommonData->CacheBitmap, nullptr);
        const std::unique_ptr<TBitmap> shown = CaptureWindow(bar->Handle());
        // The bar's picture (window coordinates) in the same form as the screen's.
        std::unique_ptr<TBitmap> picture(NewBitmap32(shown->Width(), shown->Height()));
        BitBlt(picture->Canvas().Handle(), 0, 0, shown->Width(), shown->Height(),
               wrapper->CommonData->CacheBitmap->Canvas().Handle(), 0, 0, SRCCOPY);
        const RECT inWindow = GetClientRectInWindow(bar->Handle());
        for (int i = 0; i < bar->ButtonCount(); ++i) {
            TToolButton* b = bar->Buttons(i);
            if (b->Style() == TToolButtonStyle::tbsSeparator || b->Down())
                continue;
            SCOPED_TRACE(StringToUtf8(b->Caption()));
            RECT r = b->BoundsRect();
            OffsetRect(&r, inWindow.left, inWindow.top);
            const RECT whole{0, 0, shown->Width(), shown->Height()};
            ASSERT_TRUE(IntersectRect(&r, &r, &whole));
            ASSERT_GT(r.right - r.left, 8);
            // The caption covers a part of the button; the rest is the bar's.
            EXPECT_LT(DifferentShare(shown.get(), picture.get(), 12, r), 0.4);
        }
    }
}

// Skinned, the label on the frame stands on the frame's skinned picture: only
// its caption differs from it, under the light and the dark skin.
TEST_F(SkinAppTest, FramesLabelStandsOnTheFramesPicture)
{
    TSkinAppMain* main = StartMain();
    TLabel* label = nullptr;
    for (int i = 0; i < main->Frame->ControlCount(); ++i)
        if (auto* l = dynamic_cast<TLabel*>(main->Frame->Controls(i)))
            label = l;
    ASSERT_NE(label, nullptr);
    for (const wchar_t* skin : {L"Slate", L"Graphite"}) {
        SCOPED_TRACE(StringToUtf8(skin));
        main->ChooseSkin(skin);
        Settle();
        RedrawWindow(main->Frame->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        Pump(100);
        TBitmap* cache = main->FrameAdapter->SkinData()->CacheBitmap.get();
        ASSERT_NE(cache, nullptr);
        const std::unique_ptr<TBitmap> shown = CaptureWindow(main->Frame->Handle());
        std::unique_ptr<TBitmap> picture(NewBitmap32(shown->Width(), shown->Height()));
        BitBlt(picture->Canvas().Handle(), 0, 0, shown->Width(), shown->Height(), cache->Canvas().Handle(), 0, 0,
               SRCCOPY);
        RECT r = label->BoundsRect();
        const RECT whole{0, 0, shown->Width(), shown->Height()};
        ASSERT_TRUE(IntersectRect(&r, &r, &whole));
        EXPECT_LT(DifferentShare(shown.get(), picture.get(), 12, r), 0.4);
    }
    // Without the skin the label is opaque again, in the frame's colour.
    main->ChooseSkin(kNoSkin);
    Settle();
    EXPECT_FALSE(label->Transparent());
}

// The program's forms carry its own icon, and their skinned titles show it
// pixel for pixel (the icon is opaque) under the light and the dark skin.
TEST_F(SkinAppTest, TitlesShowTheProgramsOwnIcon)
{
    TSkinAppMain* main = StartMain();
    const int size = GetSystemMetrics(SM_CXSMICON);
    for (const wchar_t* skin : {L"Slate", L"Graphite"}) {
        main->ChooseSkin(skin);
        Settle();
        // The example form is given no icon: the frame shows the application's.
        TCustomForm* forms[] = {main, main->ShowMDIForm(), main->ShowExampleForm()};
        Settle();
        for (TCustomForm* form : forms) {
            SCOPED_TRACE(StringToUtf8(String(skin) + L" " + form->Caption()));
            auto icon = HICON(SendMessageW(form->Handle(), WM_GETICON, ICON_SMALL, 0));
            if (form == forms[2]) {
                EXPECT_EQ(icon, nullptr);
                icon = HICON(LoadImageW(GetModuleHandleW(nullptr), L"MAINICON", IMAGE_ICON, size, size, LR_SHARED));
            }
            ASSERT_NE(icon, nullptr);
            std::unique_ptr<TBitmap> drawn(NewBitmap32(size, size));
            DrawIconEx(drawn->Canvas().Handle(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
            BringWindowToTop(form->Handle());
            RedrawWindow(form->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
            Pump(100);
            const std::unique_ptr<TBitmap> shot = CaptureWindow(form->Handle());
            // The title: above the client, the left quarter of the window.
            const RECT client = GetClientRectInWindow(form->Handle());
            const POINT at = FindPicture(*shot, *drawn, RECT{0, 0, shot->Width() / 4, client.top});
            EXPECT_GE(at.x, 0) << "the icon is not in the title";
        }
    }
}

// A combo box's edit field shows the colours its skin section gives the box:
// its background where no text is, and text nearer the section's font colour
// than the background, under the light and the dark skin.
TEST_F(SkinAppTest, ComboEditFieldsTakeTheSkinsColours)
{
    TSkinAppMain* main = StartMain();
    main->SetActiveControl(main->MessageButton);   // no caret, no selection in the fields
    std::vector<TComboBox*> combos;
    for (const TSkinAppMain::Listed& l : main->ListedControls())
        if (auto* c = dynamic_cast<TComboBox*>(l.Control); c && c->Style() == TComboBoxStyle::csDropDown)
            combos.push_back(c);
    ASSERT_GE(combos.size(), 2u);
    auto distance = [](COLORREF a, COLORREF b) {
        return std::abs(int(GetRValue(a)) - int(GetRValue(b))) + std::abs(int(GetGValue(a)) - int(GetGValue(b))) +
               std::abs(int(GetBValue(a)) - int(GetBValue(b)));
    };
    for (const wchar_t* skin : {L"Slate", L"Graphite"}) {
        main->ChooseSkin(skin);
        SetCursorPos(0, 0);
        Settle();
        for (TComboBox* combo : combos) {
            SCOPED_TRACE(StringToUtf8(String(skin) + L" " + combo->ClassName()));
            TkvMainWnd* wrapper = GetWrapper(combo->Handle());
            ASSERT_NE(wrapper, nullptr);
            const TsGeneralData* section = wrapper->CommonData->Section();
            ASSERT_NE(section, nullptr);
            const COLORREF back = ColorToRGB(wrapper->CommonData->GetStateColor(0, combo->Handle()));
            const COLORREF ink = ColorToRGB(TColor(section->Props[0].FontColor));
            ASSERT_GT(distance(back, ink), 100) << "the section's text must stand out";
            const HWND field = FindWindowExW(combo->Handle(), nullptr, L"Edit", nullptr);
            ASSERT_NE(field, nullptr);
            RedrawWindow(field, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
            Pump(50);
            const std::unique_ptr<TBitmap> shown = CaptureWindow(field);
            auto pixel = [&](int x, int y) {
                const uint32_t p = GetPixel32(shown.get(), x, y);
                return COLORREF(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
            };
            // Right of the text: the field's background.
            EXPECT_EQ(pixel(shown->Width() - 3, shown->Height() / 2), back);
            // The room the box leaves round its field: the same colour.
            RECT box{}, inBox{};
            GetWindowRect(combo->Handle(), &box);
            GetWindowRect(field, &inBox);
            OffsetRect(&inBox, -box.left, -box.top);
            const std::unique_ptr<TBitmap> whole = CaptureWindow(combo->Handle());
            auto boxPixel = [&](int x, int y) {
                const uint32_t p = GetPixel32(whole.get(), x, y);
                return COLORREF(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
            };
            ASSERT_GE(inBox.left, 3);
            EXPECT_EQ(boxPixel(inBox.left - 1, (inBox.top + inBox.bottom) / 2), back);
            EXPECT_EQ(boxPixel((inBox.left + inBox.right) / 2, inBox.top - 1), back);
            // The text's ink: the pixel farthest from the background.
            COLORREF farthest = back;
            for (int y = 0; y < shown->Height(); ++y)
                for (int x = 0; x < shown->Width() / 2; ++x)
                    if (distance(pixel(x, y), back) > distance(farthest, back))
                        farthest = pixel(x, y);
            EXPECT_LT(distance(farthest, ink), distance(farthest, back));
        }
    }
}

}  // namespace

// The buttons that show the MDI form and the example form bring them back
// however they went away: closed (hidden, with the hide animation still
// playing or over) or minimised.
TEST_F(SkinAppTest, FormButtonsBringTheirFormBackHoweverItWentAway)
{
    TSkinAppMain* main = StartMain();
    enum Away { Closed, Minimised };
    struct Row {
        const char* name;
        TButton* TSkinAppMain::*button;
        Away away;
        bool settled;   // the animation of going away is over before the click
    };
    const Row rows[] = {
        {"MDI form closed", &TSkinAppMain::MDIButton, Closed, true},
        {"MDI form closed, clicked at once", &TSkinAppMain::MDIButton, Closed, false},
        {"MDI form minimised", &TSkinAppMain::MDIButton, Minimised, true},
        {"MDI form minimised, clicked at once", &TSkinAppMain::MDIButton, Minimised, false},
        {"example form minimised", &TSkinAppMain::ExampleButton, Minimised, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        TButton* button = main->*r.button;
        Click(button);
        Settle();
        TCustomForm* form = button == main->MDIButton ? static_cast<TCustomForm*>(main->ShowMDIForm())
                                                      : main->ExampleForm();
        ASSERT_NE(form, nullptr);
        const HWND h = form->Handle();
        ASSERT_TRUE(IsWindowVisible(h));
        SendMessageW(h, r.away == Closed ? WM_CLOSE : WM_SYSCOMMAND, r.away == Closed ? 0 : SC_MINIMIZE, 0);
        if (r.settled)
            Settle();
        ASSERT_TRUE(r.away == Closed ? !IsWindowVisible(h) : IsIconic(h) != 0);
        SetForegroundWindow(main->Handle());
        Click(button);
        Settle();
        // The restore animation plays out (bounded).
        TsSkinProvider* provider = nullptr;
        for (int i = 0; i < form->ComponentCount(); ++i)
            if (auto* p = dynamic_cast<TsSkinProvider*>(form->Components(i)))
                provider = p;
        ASSERT_NE(provider, nullptr);
        for (const DWORD until = GetTickCount() + 3000; provider->MinimizeAnimating() && GetTickCount() < until;)
            Pump(20);
        EXPECT_TRUE(IsWindowVisible(h));
        EXPECT_FALSE(IsIconic(h));
        EXPECT_TRUE(form->Visible());
        EXPECT_EQ(GetForegroundWindow(), h);
        BYTE alpha = 255;
        if (GetWindowLongPtrW(h, GWL_EXSTYLE) & WS_EX_LAYERED)
            GetLayeredWindowAttributes(h, nullptr, &alpha, nullptr);
        EXPECT_EQ(alpha, 255) << "not left see-through";
        RECT wr{};
        GetWindowRect(h, &wr);
        EXPECT_GT(wr.right - wr.left, 200);
        EXPECT_GT(wr.bottom - wr.top, 150);
    }
}

// The program's menus are usable from the keyboard alone: every item of the
// menus of its forms has a mnemonic letter no item beside it shares, and the
// shortcuts run their items, on the main form and on the MDI form.
TEST_F(SkinAppTest, MenusAreUsableFromTheKeyboard)
{
    TSkinAppMain* main = StartMain();
    TSkinAppMDI* mdi = main->ShowMDIForm();
    Settle();
    int items = 0;
    std::function<void(TMenuItem*)> walk = [&](TMenuItem* parent) {
        std::set<wchar_t> letters;
        for (int i = 0; i < parent->Count(); ++i) {
            TMenuItem* item = parent->Items(i);
            if (!item->Visible() || item->IsDivider())
                continue;
            SCOPED_TRACE(StringToUtf8(item->Caption()));
            const wchar_t letter = MnemonicOf(item->Caption());
            EXPECT_NE(letter, 0);
            EXPECT_TRUE(letters.insert(wchar_t(towupper(letter))).second) << "shared letter";
            ++items;
            walk(item);
        }
    };
    for (TMenu* menu : AllMenus())
        if (menu->Owner() == main || menu->Owner() == mdi)
            walk(menu->Items());
    EXPECT_GT(items, 20);

    auto press = [](WORD vk) {
        INPUT in[4]{};
        for (INPUT& i : in)
            i.type = INPUT_KEYBOARD;
        in[0].ki.wVk = in[3].ki.wVk = VK_CONTROL;
        in[1].ki.wVk = in[2].ki.wVk = vk;
        in[2].ki.dwFlags = in[3].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(4, in, sizeof(INPUT));
        Pump(200);
    };
    auto focus = [](TCustomForm* form) {
        SetForegroundWindow(form->Handle());
        SetFocus(form->Handle());
        Pump(50);
    };
    focus(main);
    const std::vector<String> boxes = RunAnsweringBoxes([&] { press('B'); });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find(L"A message box"), String::npos);
    focus(mdi);
    const int children = mdi->MDIChildCount();
    press('N');
    Settle();
    EXPECT_EQ(mdi->MDIChildCount(), children + 1);
}

// A sub-menu's arrow under the dark sample skin: drawn in the item's text
// colour on the item's background (every pixel beside the item's right edge
// lies between the two), not by the system in its own colours on a box.
TEST_F(SkinAppTest, SubMenuArrowTakesTheSkinsColours)
{
    TSkinAppMain* main = StartMain(L"Graphite");
    TsSkinManager* m = main->Skins;
    ASSERT_TRUE(m->SkinData().Active);
    TPopupMenu& popup = *main->Popup;
    int more = -1;
    for (int i = 0; i < popup.Items()->Count(); ++i)
        if (popup.Items()->Items(i)->Count() > 0)
            more = i;
    ASSERT_GE(more, 0);
    ASSERT_TRUE(popup.OwnerDraw());
    const int s = m->FindSectionIndex(L"MENUITEM");
    ASSERT_GE(s, 0);
    const uint32_t text = uint32_t(m->gd()[size_t(s)].Props[0].FontColor) & 0xFFFFFF;

    RECT item{};
    uint32_t background = 0;
    std::vector<uint32_t> strip;
    RunMenuLoop(
        [&](int tick) {
            HWND menu = VisibleMenuWindow();
            if (!menu || tick < 10) return false;
            if (!GetMenuItemRect(nullptr, popup.Handle(), UINT(more), &item)) return true;
            background = ScreenPixel(item.right - 40, (item.top + item.bottom) / 2);
            for (int y = item.top + 3; y < item.bottom - 3; ++y)
                for (int x = item.right - 22; x < item.right - 4; ++x)
                    strip.push_back(ScreenPixel(x, y));
            SaveScreenShot(item, L"menus_submenu_arrow");
            return true;
        },
        [&] { popup.Popup(200, 150); });
    ASSERT_FALSE(strip.empty());
    // Where a pixel lies on the way from the background to the text colour
    // (0..1), and how far off that way it is.
    auto channel = [](uint32_t c, int i) { return double((c >> (8 * i)) & 0xFF); };
    int off = 0, ink = 0;
    for (uint32_t p : strip) {
        double dot = 0, len = 0;
        for (int i = 0; i < 3; ++i) {
            dot += (channel(p, i) - channel(background, i)) * (channel(text, i) - channel(background, i));
            len += (channel(text, i) - channel(background, i)) * (channel(text, i) - channel(background, i));
        }
        const double t = std::clamp(dot / len, 0.0, 1.0);
        double d = 0;
        for (int i = 0; i < 3; ++i) {
            const double on = channel(background, i) + t * (channel(text, i) - channel(background, i));
            d += (channel(p, i) - on) * (channel(p, i) - on);
        }
        off += d > 20 * 20;
        ink += t > 0.6;
    }
    EXPECT_EQ(off, 0) << std::hex << "background " << background << " text " << text;
    EXPECT_GE(ink, 3);   // the arrow is there
}

// The MDI form's client window carries one skin layer while the skin is on
// and none once it is off, however the form came to be skinned: opened with
// the skin on or off, skins and hue changed while it shows, children made
// and closed, the skin switched off and on again. What is counted is what
// the program's skin-off check looks at: the layers of ours in the client's
// chain of procedures and the procedure the window ends up with.
TEST_F(SkinAppTest, MDIClientCarriesOneSkinLayerWhileSkinnedAndNoneWithout)
{
    SkinHooks.DialogHookProc = DialogHookProc;   // as the program runs
    struct Row {
        const wchar_t* start;
        std::vector<const wchar_t*> steps;   // a skin (kNoSkin: off), "hue", "new child", "close child"
    };
    const Row rows[] = {
        {L"Slate", {kNoSkin, L"Slate", kNoSkin}},
        {L"Graphite", {L"SlatePacked", L"hue", L"new child", L"close child", kNoSkin, L"Slate", L"new child", kNoSkin}},
        {kNoSkin, {L"Slate", L"Graphite", L"hue", kNoSkin, L"SlatePacked", L"close child", kNoSkin}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE("started with " + StringToUtf8(r.start));
        TSkinAppMain* main = StartMain(r.start);
        TSkinAppMDI* mdi = main->ShowMDIForm();
        Settle();
        ASSERT_EQ(mdi->MDIChildCount(), 2);
        const HWND client = mdi->ClientHandle();
        const WNDPROC own = reinterpret_cast<WNDPROC>(GetClassLongPtrW(client, GCLP_WNDPROC));
        auto check = [&](const std::string& after) {
            SCOPED_TRACE("after " + after);
            int owned = 0, passing = 0;
            if (TWindowRecord* record = TWindowRecord::Find(client))
                for (const auto& layer : record->layers)
                    if (layer->installed)
                        ++(layer->owner ? owned : passing);
            EXPECT_EQ(passing, 0) << "a pass-through layer is left";
            const WNDPROC now = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(client, GWLP_WNDPROC));
            TkvMainWnd* wrapper = GetWrapper(client);
            if (main->ChosenSkin() == kNoSkin) {
                EXPECT_EQ(owned, 0) << "a subclass layer is still installed";
                EXPECT_EQ(wrapper, nullptr);
                EXPECT_EQ(now, own) << "the client's procedure is not its class's";
            } else {
                EXPECT_EQ(owned, 1);
                ASSERT_NE(wrapper, nullptr);
                EXPECT_EQ(wrapper->ClassName(), String(L"TkvMDIWnd"));
            }
        };
        check("showing");
        for (const wchar_t* step : r.steps) {
            const String s = step;
            if (s == L"hue")
                main->SetHue(main->Skins->HueOffset() ? 0 : 120);
            else if (s == L"new child")
                mdi->NewChild();
            else if (s == L"close child")
                SendMessageW(mdi->MDIChildren(0)->Handle(), WM_CLOSE, 0, 0);
            else
                main->ChooseSkin(s);
            Settle();
            check(StringToUtf8(s));
        }
        Free(forms.back());
        forms.pop_back();
        Settle();
    }
}
