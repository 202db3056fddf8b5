// The dialog skinning: the hook's decisions, the registration rules, the
// child-class map and the dialog's title arithmetic as tables; then real
// message boxes, popup menus and forms under the sample skin. Every modal loop
// is ended from a timer, and a watchdog timer ends any box left open.
#include "tests/skin/DialogBoxes.h"

#include <commctrl.h>
#include <commdlg.h>

#include <functional>
#include <map>

#include "classlib/ExtCtrls.h"
#include "classlib/GdiHandle.h"
#include "classlib/StdCtrls.h"
#include "skin/controls/MainWnd.h"
#include "skin/controls/MenuWnd.h"
#include "skin/forms/DialogChildMap.h"
#include "skin/forms/DialogWnd.h"
#include "skin/forms/Dialogs.h"
#include "skin/forms/SkinProvider.h"

using namespace skintest;
using namespace dialogboxes;

// ---------------------------------------------------------------- pure decisions

TEST(DialogHook, ClassifiesEachCall)
{
    using A = TkvHookAction;
    const DWORD popup = WS_POPUP | WS_CAPTION;
    struct Case {
        const char* what;
        TkvHookFacts facts;
        A expected;
    };
    auto create = [](WORD atom, const wchar_t* name, DWORD style = WS_POPUP | WS_CAPTION,
                     DWORD ex = WS_EX_DLGMODALFRAME) {
        TkvHookFacts f;
        f.Code = HCBT_CREATEWND;
        f.ClassAtom = atom;
        f.ClassName = name;
        f.Style = style;
        f.ExStyle = ex;
        return f;
    };
    auto with = [](TkvHookFacts f, auto change) {
        change(f);
        return f;
    };
    const Case cases[] = {
        {"dialog atom", create(0x8002, L""), A::RegisterWindow},
        {"dialog name from a template", create(0, L"#32770"), A::RegisterWindow},
        {"menu atom, popups skinned", with(create(0x8000, L""), [](auto& f) { f.ManagerReady = true; }),
         A::AddMenuWrapper},
        {"menu name, popups skinned", with(create(0, L"#32768"), [](auto& f) { f.ManagerReady = true; }),
         A::AddMenuWrapper},
        {"menu without skinned popups", create(0x8000, L""), A::None},
        {"menu already skinned",
         with(create(0x8000, L""), [](auto& f) { f.ManagerReady = f.AlreadySkinned = true; }), A::None},
        {"another atom", create(0xC123, L""), A::None},
        {"a form's class", create(0, L"TForm1", popup), A::RegisterWindow},
        {"utility window", create(0, L"TPUtilWindow", popup), A::None},
        {"no style", create(0, L"TForm1", 0), A::None},
        {"no extended style", create(0, L"TForm1", popup, 0), A::None},
        {"a child", create(0, L"TPanel", WS_CHILD | WS_VISIBLE), A::None},
        {"an MDI child of a frame skinned here",
         with(create(0, L"TForm2", WS_CHILD | WS_CAPTION, WS_EX_MDICHILD), [](auto& f) { f.ChildOfSkinnedMDIFrame = true; }),
         A::RegisterWindow},
        {"an MDI child of another frame", create(0, L"TForm2", WS_CHILD | WS_CAPTION, WS_EX_MDICHILD), A::None},
        {"the main form", with(create(0, L"TForm1", popup), [](auto& f) { f.IsMainForm = true; }), A::None},
        {"destroyed", with(TkvHookFacts{}, [](auto& f) { f.Code = HCBT_DESTROYWND; }), A::FreeDeadProviders},
        {"destroyed while glows go",
         with(TkvHookFacts{}, [](auto& f) { f.Code = HCBT_DESTROYWND; f.GlowsFreeing = true; }), A::None},
        {"activated", with(TkvHookFacts{}, [](auto& f) { f.Code = HCBT_ACTIVATE; }), A::RegisterWindow},
        {"moved", with(TkvHookFacts{}, [](auto& f) { f.Code = HCBT_MOVESIZE; }), A::None},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ClassifyHookCall(c.facts), c.expected) << c.what;
}

TEST(DialogHook, RegistrationRules)
{
    using R = TkvRegistration;
    auto dialog = [] {
        TkvRegisterFacts f;
        f.ManagerExists = true;
        f.Style = WS_POPUP | WS_BORDER | WS_CAPTION;
        f.DialogClass = true;
        f.Rules = srStdForms | srStdDialogs;
        return f;
    };
    auto form = [&](long tag) {
        TkvRegisterFacts f = dialog();
        f.DialogClass = false;
        f.FormFound = true;
        f.Tag = tag;
        return f;
    };
    auto with = [](TkvRegisterFacts f, auto change) {
        change(f);
        return f;
    };
    struct Case {
        const char* what;
        TkvRegisterFacts facts;
        R expected;
    };
    const Case cases[] = {
        {"a dialog", dialog(), R::SkinDialog},
        {"a dialog with an owner (not a child)", dialog(), R::SkinDialog},
        {"a child dialog", with(dialog(), [](auto& f) { f.Style = WS_CHILD; }), R::Skip},
        {"no manager", with(dialog(), [](auto& f) { f.ManagerExists = false; }), R::Skip},
        {"application going", with(dialog(), [](auto& f) { f.AppDestroying = true; }), R::Skip},
        {"already skinned", with(dialog(), [](auto& f) { f.AlreadySkinned = true; }), R::Skip},
        {"already listed", with(dialog(), [](auto& f) { f.InList = true; }), R::Skip},
        {"popup without border", with(dialog(), [](auto& f) { f.Style = WS_POPUP; }), R::Skip},
        {"standard dialogs off", with(dialog(), [](auto& f) { f.Rules = srStdForms; }), R::Skip},
        {"one visible", with(dialog(), [](auto& f) { f.VisibleDialogs = 1; }), R::SkinDialog},
        {"two visible", with(dialog(), [](auto& f) { f.VisibleDialogs = 2; }), R::Skip},
        {"two visible, a tool bar inside",
         with(dialog(), [](auto& f) { f.VisibleDialogs = 2; f.HasToolBar = true; }), R::SkinDialog},
        {"another class without a form", with(dialog(), [](auto& f) { f.DialogClass = false; }), R::Skip},
        {"plain form", form(0), R::SkinForm},
        {"Tag -1", form(-1), R::Skip},
        {"Tag -2", form(-2), R::Skip},
        {"Tag -97", form(-97), R::Skip},
        {"Tag -98", form(-98), R::Skip},
        {"Tag -99", form(-99), R::SkinForm},
        {"Tag 98", form(98), R::SkinForm},
        {"loading form", with(form(0), [](auto& f) { f.Loading = true; }), R::Defer},
        {"loading MDI child", with(form(0), [](auto& f) { f.Loading = f.MDIChild = true; }), R::SkinForm},
        {"unskinned class", with(form(0), [](auto& f) { f.UnskinnedClass = true; }), R::Skip},
        {"standard forms off", with(form(0), [](auto& f) { f.Rules = srStdDialogs; }), R::Skip},
        {"message form, dialogs on",
         with(form(0), [](auto& f) { f.MessageForm = true; f.Rules = srStdDialogs; }), R::SkinForm},
        {"message form, dialogs off",
         with(form(0), [](auto& f) { f.MessageForm = true; f.Rules = srStdForms; }), R::Skip},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecideRegistration(c.facts), c.expected) << c.what;
}

TEST(DialogChildMap, EachClassAndStyleGetsItsWrapper)
{
    using K = TkvChildWrapper;
    struct Case {
        const wchar_t* cls;
        DWORD style, ex;
        int height;
        bool visible;
        K kind;
        const wchar_t* section;
    };
    const Case cases[] = {
        {L"static", SS_LEFT, 0, 20, true, K::Static, L"CHECKBOX"},
        {L"static", SS_ICON, 0, 32, true, K::Icon, L"CHECKBOX"},
        {L"static", SS_BITMAP, 0, 32, true, K::Icon, L"CHECKBOX"},
        {L"static", SS_ENHMETAFILE, WS_EX_STATICEDGE, 32, true, K::Edge, L"EDIT"},
        {L"static", SS_ICON, WS_EX_STATICEDGE, 32, true, K::Edge, L"EDIT"},
        // A simple text static and a black frame are no icons.
        {L"static", SS_SIMPLE, 0, 20, true, K::None, L""},
        {L"static", SS_BLACKFRAME, 0, 20, true, K::Static, L"CHECKBOX"},
        {L"static", SS_GRAYRECT, 0, 20, true, K::None, L""},
        {L"static", SS_WHITERECT, 0, 20, true, K::None, L""},
        {L"static", SS_OWNERDRAW, 0, 20, true, K::None, L""},
        {L"static", SS_ETCHEDHORZ, 0, 2, true, K::Static, L"CHECKBOX"},
        {L"button", BS_PUSHBUTTON, 0, 24, true, K::Button, L"BUTTON"},
        {L"button", BS_DEFPUSHBUTTON, 0, 24, true, K::Button, L"BUTTON"},
        {L"button", BS_GROUPBOX, 0, 80, true, K::GroupBox, L"GROUPBOX"},
        {L"button", BS_AUTOCHECKBOX, 0, 20, true, K::CheckBox, L"CHECKBOX"},
        {L"button", BS_AUTORADIOBUTTON, 0, 20, true, K::CheckBox, L"CHECKBOX"},
        {L"button", BS_3STATE, 0, 20, true, K::CheckBox, L"CHECKBOX"},
        // An owner-drawn button, a split button and a command link are no check boxes.
        {L"button", BS_OWNERDRAW, 0, 24, true, K::None, L""},
        {L"button", 0x0C /* split */, 0, 24, true, K::Button, L"BUTTON"},
        {L"button", 0x0E /* command link */, 0, 40, true, K::Button, L"BUTTON"},
        {L"edit", ES_LEFT, 0, 20, true, K::Edit, L"EDIT"},
        {L"edit", ES_LEFT, 0, 20, false, K::None, L""},
        {L"combobox", CBS_DROPDOWN, 0, 20, true, K::ComboBox, L"COMBOBOX"},
        {L"combolbox", 0, 0, 80, true, K::ComboList, L"COMBOBOX"},
        {L"comboboxex32", 0, 0, 20, true, K::ComboBoxEx, L"COMBOBOX"},
        {L"scrollbar", SBS_SIZEGRIP, 0, 16, true, K::Sizer, L"CHECKBOX"},
        {L"scrollbar", SBS_VERT, 0, 80, true, K::None, L""},
        {L"systabcontrol32", 0, 0, 80, true, K::TabControl, L"PAGECONTROL"},
        {L"systabcontrol32", TCS_OWNERDRAWFIXED, 0, 80, true, K::None, L""},
        {L"syslistview32", 0, 0, 80, true, K::ListView, L"EDIT"},
        {L"msctls_updown32", 0, 0, 20, true, K::Spin, L"SPEEDBUTTON_SMALL"},
        {L"msctls_trackbar32", 0, 0, 20, true, K::Track, L"TRACKBAR"},
        {L"listbox", 0, 0, 80, true, K::ListBox, L"EDIT"},
        {L"syslink", 0, 0, 20, true, K::Link, L"CHECKBOX"},
        {L"link window", 0, 0, 20, true, K::Link, L"CHECKBOX"},
        {L"toolbarwindow32", TBSTYLE_FLAT, 0, 24, true, K::ToolBar, L"BAR"},
        {L"toolbarwindow32", 0, 0, 24, true, K::ToolBar, L"CHECKBOX"},
        {L"systreeview32", 0, 0, 80, true, K::TreeView, L"EDIT"},
        {L"#32770", WS_CHILD, 0, 80, true, K::TransPanel, L"CHECKBOX"},
        {L"shbrowseforfolder", 0, 0, 80, true, K::TransPanel, L"CHECKBOX"},
        {L"tpanel", 0, 0, 80, true, K::Panel, L"CHECKBOX"},
        {L"tsilentpaintpanel", 0, 0, 80, true, K::SilentPanel, L"GROUPBOX"},
        {L"ctrlnotifysink", 0, 0, 0, true, K::None, L""},
        {L"directuihwnd", 0, 0, 23, true, K::None, L""},
        {L"directuihwnd", 0, 0, 24, true, K::Search, L"CHECKBOX"},
        {L"rebarwindow32", 0, 0, 30, true, K::Container, L"CHECKBOX"},
        {L"msctls_progress32", 0, 0, 20, false, K::None, L""},
        {L"breadcrumb parent", 0, 0, 20, true, K::Container, L"CHECKBOX"},
        {L"somethingelse", 0, 0, 20, true, K::None, L""},
    };
    for (const Case& c : cases) {
        TkvChildRow row = MapDialogChild(TkvChildFacts{c.cls, c.style, c.ex, c.visible, c.height});
        EXPECT_EQ(int(row.Kind), int(c.kind)) << c.cls << " style " << c.style;
        EXPECT_STREQ(row.Section, c.section) << c.cls << " style " << c.style;
    }
}

TEST(DialogGeometry, BorderKindsAndCaptionFlags)
{
    struct Case {
        DWORD style;
        int kind;
    };
    const Case kinds[] = {
        {WS_POPUP | WS_CAPTION | DS_MODALFRAME, 0},
        {WS_POPUP | WS_BORDER | DS_MODALFRAME, 2},   // a popup without a full caption
        {WS_POPUP, 2},
        {WS_POPUP | WS_CAPTION | WS_THICKFRAME, 3},
        {WS_OVERLAPPED | WS_CAPTION | WS_THICKFRAME | DS_MODALFRAME, 3},
        {WS_OVERLAPPED | WS_CAPTION | DS_MODALFRAME, 0},
        {WS_OVERLAPPED | WS_CAPTION, 3},
    };
    for (const Case& c : kinds)
        EXPECT_EQ(dialoggeo::DialogBorderKind(c.style), c.kind) << std::hex << c.style;
    EXPECT_EQ(dialoggeo::CaptionTextFlags(0), 0x8824u);
    EXPECT_EQ(dialoggeo::CaptionTextFlags(WS_EX_LAYOUTRTL), 0x28826u);
    EXPECT_EQ(dialoggeo::CaptionTextFlags(WS_EX_RTLREADING), 0x28826u);
}

TEST(DialogGeometry, TitleButtonsAndHitTestReadTheSavedStyle)
{
    dialoggeo::TitleInput in;
    in.CacheWidth = 300;
    in.FrameWidth = 3;
    in.CaptionHeight = 20;
    in.BorderKind = 0;
    in.SavedStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    in.SavedExStyle = WS_EX_CONTEXTHELP;
    in.Close = {true, 15, 13};
    in.Max = {true, 14, 13};
    in.Min = {true, 14, 13};
    in.Help = {true, 12, 11};
    in.BiRight = 4;
    in.BiSpace = 1;
    dialoggeo::TitleLayout l = dialoggeo::LayoutTitleButtons(in);
    // From the right edge: close, maximise, minimise, help, side by side
    // (small buttons: no space between them), centred in frame + caption.
    EXPECT_EQ(l.Close.right, 300 - 4 - 3);
    EXPECT_EQ(l.Close.left, l.Close.right - 15);
    EXPECT_EQ(l.Max.right, l.Close.left);
    EXPECT_EQ(l.Min.right, l.Max.left);
    EXPECT_EQ(l.Help.right, l.Min.left);
    EXPECT_EQ(l.Close.top, (3 + 20 - 13) / 2);
    EXPECT_EQ(l.Help.top, (3 + 20 - 11) / 2);
    EXPECT_EQ(l.TotalWidth, 15 + 14 + 14 + 12);
    // Big buttons keep BISPACE between them.
    dialoggeo::TitleInput big = in;
    big.BorderKind = 3;
    dialoggeo::TitleLayout lb = dialoggeo::LayoutTitleButtons(big);
    EXPECT_EQ(lb.Max.right, lb.Close.left - 1);

    dialoggeo::HitInput h;
    h.Width = 300;
    h.Height = 120;
    h.FrameWidth = 3;
    h.CaptionHeight = 20;
    h.IconWidth = 16;
    h.SavedStyle = in.SavedStyle;   // the live style has no WS_SYSMENU any more
    auto centre = [](const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; };
    struct Case {
        const char* what;
        POINT p;
        DWORD classStyle;
        bool iconic;
        int expected;
    };
    const Case cases[] = {
        {"close", centre(l.Close), 0, false, HTCLOSE},
        {"close of a class without close", centre(l.Close), CS_NOCLOSE, false, 0},
        {"maximise", centre(l.Max), 0, false, HTMAXBUTTON},
        {"minimise", centre(l.Min), 0, false, HTMINBUTTON},
        {"help", centre(l.Help), 0, false, HTHELP},
        {"icon", POINT{3 + 5, 10}, 0, false, HTSYSMENU},
        {"caption", POINT{100, 10}, 0, false, HTCAPTION},
        {"client", POINT{100, 60}, 0, false, 0},
        {"top frame", POINT{100, 1}, 0, false, 0},
    };
    for (const Case& c : cases) {
        h.Point = c.p;
        h.ClassStyle = c.classStyle;
        h.Iconic = c.iconic;
        EXPECT_EQ(dialoggeo::HitTest(h, l), c.expected) << c.what;
    }
    // Without WS_SYSMENU saved there is no close button to hit.
    dialoggeo::TitleInput noMenu = in;
    noMenu.SavedStyle &= ~DWORD(WS_SYSMENU);
    dialoggeo::TitleLayout ln = dialoggeo::LayoutTitleButtons(noMenu);
    EXPECT_EQ(ln.Close.right, ln.Close.left);
    h.SavedStyle = noMenu.SavedStyle;
    h.Point = centre(l.Close);
    EXPECT_NE(dialoggeo::HitTest(h, ln), HTCLOSE);
    // Zoomed: the outer two pixels belong to the border window.
    h.Zoomed = true;
    h.Point = POINT{1, 60};
    EXPECT_EQ(dialoggeo::HitTest(h, l), -1);
}

TEST(DialogGeometry, ClientOrigin)
{
    // 3-pixel frames all round, a 20-pixel caption.
    POINT o = dialoggeo::ClientOrigin(206, 129, 200, 103, 3, true);
    EXPECT_EQ(o.x, 3);
    EXPECT_EQ(o.y, 3 + 20);
    // Without a caption the client starts below the top frame.
    o = dialoggeo::ClientOrigin(206, 109, 200, 103, 3, false);
    EXPECT_EQ(o.y, 3);
}

// ---------------------------------------------------------------- real windows

TEST_F(Dialogs, MessageBoxIsSkinnedAndClosesThroughItsDrawnButton)
{
    bool inspected = false;
    int result = RunBox(L"Сохранить изменения?", MB_OKCANCEL | MB_ICONINFORMATION, [&] {
        std::vector<HWND> boxes = Boxes();
        ASSERT_EQ(boxes.size(), 1u);
        HWND box = boxes[0];
        inspected = true;
        EXPECT_TRUE(AnswersSkinned(box));
        EXPECT_FALSE(GetWindowLongPtrW(box, GWL_STYLE) & WS_SYSMENU);
        HRGN rgn = CreateRectRgn(0, 0, 0, 0);
        EXPECT_NE(GetWindowRgn(box, rgn), ERROR);
        DeleteObject(rgn);
        int children = 0;
        for (HWND c = GetTopWindow(box); c; c = GetWindow(c, GW_HWNDNEXT)) {
            ++children;
            EXPECT_TRUE(HasWrapper(c)) << "child " << children;
        }
        EXPECT_GE(children, 4);   // icon, text, two buttons
        auto* dlg = dynamic_cast<TkvDialogWnd*>(GetWrapper(box));
        ASSERT_NE(dlg, nullptr);
        SaveWindowShot(box, L"dialogs-messagebox");
        // The close button is drawn at the right end of the caption band.
        RECT wr{};
        GetWindowRect(box, &wr);
        dialoggeo::TitleLayout l = dlg->Layout();
        int fw = dlg->FrameWidth();
        EXPECT_EQ(l.Close.right, (wr.right - wr.left) - manager->SkinData().BIRight - fw);
        EXPECT_GT(l.Close.right - l.Close.left, 0);
        EXPECT_LE(l.Close.bottom, dlg->ClientOriginNow().y);
        POINT c = Centre(l.Close);
        POINT screen{wr.left + c.x, wr.top + c.y};
        // The glyph is on the window: pixels of the close button's area differ
        // from the title beside the button block on the same rows.
        HDC wdc = GetWindowDC(box);
        int glyphPixels = 0;
        const int beside = l.Close.right - l.TotalWidth - 3;
        for (int y = l.Close.top; y < l.Close.bottom; ++y)
            for (int x = l.Close.left; x < l.Close.right; ++x)
                glyphPixels += GetPixel(wdc, x, y) != GetPixel(wdc, beside, y) ? 1 : 0;
        ReleaseDC(box, wdc);
        EXPECT_GT(glyphPixels, 10);
        EXPECT_EQ(SendMessageW(box, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y)), HTCLOSE);
        PostMessageW(box, WM_NCLBUTTONDOWN, HTCLOSE, MAKELPARAM(screen.x, screen.y));
        PostMessageW(box, WM_NCLBUTTONUP, HTCLOSE, MAKELPARAM(screen.x, screen.y));
    });
    EXPECT_TRUE(inspected);
    EXPECT_EQ(result, IDCANCEL);
}

// The icon and the text of a message box stand on the skin's client colour
// right up to their left edge: each static takes its background from its
// place in the box's picture, not from the picture's origin.
TEST_F(Dialogs, MessageBoxStaticsStandOnTheClientColourToTheirLeftEdge)
{
    bool inspected = false;
    RunBox(L"Сохранить изменения?", MB_OKCANCEL | MB_ICONINFORMATION, [&] {
        HWND box = Boxes()[0];
        Pump(100);
        auto* dlg = dynamic_cast<TkvDialogWnd*>(GetWrapper(box));
        ASSERT_NE(dlg, nullptr);
        const COLORREF client = ColorToRGB(dlg->CommonData->GetStateColor(0, box));
        RECT wr{};
        GetWindowRect(box, &wr);
        HDC wdc = GetWindowDC(box);
        int statics = 0;
        for (HWND c = GetTopWindow(box); c; c = GetWindow(c, GW_HWNDNEXT)) {
            wchar_t cls[16] = {};
            GetClassNameW(c, cls, 16);
            if (_wcsicmp(cls, L"Static") != 0 || !IsWindowVisible(c))
                continue;
            ++statics;
            RECT cr{};
            GetWindowRect(c, &cr);
            OffsetRect(&cr, -wr.left, -wr.top);
            // The left column: the icon leaves it empty, the text's first
            // letter touches it on a few rows at most.
            int other = 0;
            for (int y = cr.top; y < cr.bottom; ++y)
                other += GetPixel(wdc, cr.left, y) != client ? 1 : 0;
            EXPECT_LT(other, (cr.bottom - cr.top) / 2)
                << "static " << statics << ": " << other << " of " << cr.bottom - cr.top << " rows";
        }
        ReleaseDC(box, wdc);
        EXPECT_EQ(statics, 2);   // the icon and the text
        inspected = true;
        PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_TRUE(inspected);
}

TEST_F(Dialogs, BoxWithAnOwnerIsSkinned)
{
    TSkinTestForm* owner = NewForm();
    owner->Show();
    Pump(20);
    bool skinned = false;
    stepOpen = nullptr;
    bool done = false;
    stepOpen = [&] {
        stepInspect = [&] {
            for (HWND b : Boxes()) {
                skinned = GetWindow(b, GW_OWNER) == owner->Handle() && AnswersSkinned(b);
                PostMessageW(b, WM_COMMAND, IDCANCEL, 0);
            }
        };
        SetTimer(nullptr, 0, 60, InspectTimer);
        MessageBoxW(owner->Handle(), L"С владельцем", L"Проверка", MB_OKCANCEL);
        done = true;
    };
    SetTimer(nullptr, 0, 10, OpenTimer);
    for (DWORD start = GetTickCount(); !done && GetTickCount() - start < 10000;) Pump(5);
    EXPECT_TRUE(done);
    EXPECT_TRUE(skinned);
}

TEST_F(Dialogs, ThirdVisibleBoxStaysPlain)
{
    struct Seen {
        bool firstSkinned = false, secondSkinned = false, thirdSkinned = true, thirdSysMenu = false;
        bool reached = false;
    } seen;
    bool done = false;
    // Box 1 opens box 2 from a timer, box 2 opens box 3, box 3 is inspected.
    stepOpen = [&] {
        stepOpen = [&] {
            stepOpen = [&] {
                stepInspect = [&] {
                    std::vector<HWND> boxes = Boxes();
                    seen.reached = boxes.size() == 3;
                    for (HWND b : boxes) {
                        wchar_t text[32] = {};
                        GetWindowTextW(b, text, 32);
                        bool skinned = AnswersSkinned(b);
                        if (wcscmp(text, L"1") == 0) seen.firstSkinned = skinned;
                        if (wcscmp(text, L"2") == 0) seen.secondSkinned = skinned;
                        if (wcscmp(text, L"3") == 0) {
                            seen.thirdSkinned = skinned;
                            seen.thirdSysMenu = (GetWindowLongPtrW(b, GWL_STYLE) & WS_SYSMENU) != 0;
                        }
                    }
                    for (HWND b : boxes) PostMessageW(b, WM_COMMAND, IDCANCEL, 0);
                };
                SetTimer(nullptr, 0, 60, InspectTimer);
                MessageBoxW(nullptr, L"третий", L"3", MB_OKCANCEL);
            };
            SetTimer(nullptr, 0, 60, OpenTimer);
            MessageBoxW(nullptr, L"второй", L"2", MB_OKCANCEL);
        };
        SetTimer(nullptr, 0, 60, OpenTimer);
        MessageBoxW(nullptr, L"первый", L"1", MB_OKCANCEL);
        done = true;
    };
    SetTimer(nullptr, 0, 10, OpenTimer);
    for (DWORD start = GetTickCount(); !done && GetTickCount() - start < 12000;) Pump(5);
    ASSERT_TRUE(done);
    EXPECT_TRUE(seen.reached);
    EXPECT_TRUE(seen.firstSkinned);
    EXPECT_TRUE(seen.secondSkinned);
    EXPECT_FALSE(seen.thirdSkinned);
    EXPECT_TRUE(seen.thirdSysMenu);
}

TEST_F(Dialogs, FileDialogIsSkinnedBesideTwoBoxesForItsToolBar)
{
    bool fileSkinned = false, sawFileDialog = false;
    bool done = false;
    stepOpen = [&] {
        stepOpen = [&] {
            stepOpen = [&] {
                stepInspect = [&] {
                    for (HWND b : Boxes())
                        if (HasChildOfClass(b, "toolbarwindow32")) {
                            sawFileDialog = true;
                            fileSkinned = AnswersSkinned(b) && HasWrapper(b);
                            SaveWindowShot(b, L"dialogs-openfile");
                        }
                    for (HWND b : Boxes()) PostMessageW(b, WM_COMMAND, IDCANCEL, 0);
                };
                SetTimer(nullptr, 0, 300, InspectTimer);
                wchar_t name[MAX_PATH] = {};
                OPENFILENAMEW ofn{};
                ofn.lStructSize = sizeof ofn;
                ofn.lpstrFile = name;
                ofn.nMaxFile = MAX_PATH;
                ofn.lpstrFilter = L"Тесты (*.txt)\0*.txt\0";
                ofn.Flags = OFN_EXPLORER;
                GetOpenFileNameW(&ofn);
            };
            SetTimer(nullptr, 0, 60, OpenTimer);
            MessageBoxW(nullptr, L"второй", L"2", MB_OKCANCEL);
        };
        SetTimer(nullptr, 0, 60, OpenTimer);
        MessageBoxW(nullptr, L"первый", L"1", MB_OKCANCEL);
        done = true;
    };
    watchdogStart = GetTickCount();
    SetTimer(nullptr, 0, 10, OpenTimer);
    for (DWORD start = GetTickCount(); !done && GetTickCount() - start < 12000;) Pump(5);
    ASSERT_TRUE(done);
    EXPECT_TRUE(sawFileDialog);
    EXPECT_TRUE(fileSkinned);
}

TEST_F(Dialogs, StaticColourAnswersOneBrushPerDialog)
{
    RunBox(L"Кисть", MB_OKCANCEL, [&] {
        std::vector<HWND> boxes = Boxes();
        ASSERT_EQ(boxes.size(), 1u);
        HWND box = boxes[0];
        HWND text = nullptr;
        for (HWND c = GetTopWindow(box); c && !text; c = GetWindow(c, GW_HWNDNEXT)) {
            wchar_t cls[16] = {};
            GetClassNameW(c, cls, 16);
            if (_wcsicmp(cls, L"static") == 0) text = c;
        }
        ASSERT_NE(text, nullptr);
        HDC dc = GetDC(text);
        LRESULT first = SendMessageW(box, WM_CTLCOLORSTATIC, WPARAM(dc), LPARAM(text));
        long live = LiveHandles(THandleKind::hkGdiObject);
        for (int i = 0; i < 50; ++i)
            EXPECT_EQ(SendMessageW(box, WM_CTLCOLORSTATIC, WPARAM(dc), LPARAM(text)), first);
        EXPECT_EQ(LiveHandles(THandleKind::hkGdiObject), live);
        ReleaseDC(text, dc);
        EXPECT_NE(first, 0);
        PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
    });
}

TEST_F(Dialogs, HundredBoxesLeaveNoProvidersAndNoHandles)
{
    // One box first: the one-time objects of the system and the skin exist then.
    auto destroyAWindow = [] {
        // A window destroyed lets the hook free what the last box left.
        DestroyWindow(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
    };
    RunBox(L"0", MB_OKCANCEL, [] {
        for (HWND b : Boxes()) PostMessageW(b, WM_COMMAND, IDCANCEL, 0);
    });
    destroyAWindow();
    long gdi = LiveHandles(THandleKind::hkGdiObject);
    long windows = LiveHandles(THandleKind::hkWindow);
    int skinned = 0;
    for (int i = 0; i < 100; ++i)
        RunBox(L"ещё один", MB_OKCANCEL, [&] {
            for (HWND b : Boxes()) {
                skinned += AnswersSkinned(b) ? 1 : 0;
                PostMessageW(b, WM_COMMAND, IDCANCEL, 0);
            }
        });
    EXPECT_EQ(skinned, 100);
    EXPECT_FALSE(DialogProviders().empty());   // the last box's, until a window goes
    destroyAWindow();
    EXPECT_TRUE(DialogProviders().empty());
    EXPECT_EQ(LiveHandles(THandleKind::hkGdiObject), gdi);
    EXPECT_EQ(LiveHandles(THandleKind::hkWindow), windows);
}

namespace {
void CALLBACK EndMenuTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    if (auto f = std::exchange(stepInspect, nullptr)) f();
    EndMenu();
}
}  // namespace

TEST_F(Dialogs, PopupMenusGetWrappersThatDoNotPileUp)
{
    manager->SetSkinnedPopups(true);
    int made = 0;   // popups seen with a wrapper on their window while shown
    TSkinTestForm* f = NewForm();
    f->Show();
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, 1, L"Открыть");
    AppendMenuW(menu, MF_STRING, 2, L"Закрыть");
    bool wrapped = false;
    long gdi = 0, windows = 0;
    for (int i = 0; i < 101; ++i) {
        if (i == 1) {
            // Counted after the first popup: the one-time objects exist then.
            gdi = LiveHandles(THandleKind::hkGdiObject);
            windows = LiveHandles(THandleKind::hkWindow);
        }
        stepInspect = [&] {
            bool shown = false;
            for (TkvMnuWnd* w : MenuWrappers())
                shown = shown || (IsWindowVisible(w->Handle) && HasWrapper(w->Handle));
            made += shown;
            if (i == 0)
                wrapped = shown;
        };
        SetTimer(nullptr, 0, i == 0 ? 80 : 20, EndMenuTimer);
        TrackPopupMenu(menu, TPM_RETURNCMD, 100, 100, 0, f->Handle(), nullptr);
        Pump(0);
    }
    EXPECT_EQ(LiveHandles(THandleKind::hkGdiObject), gdi);
    EXPECT_EQ(LiveHandles(THandleKind::hkWindow), windows);
    DestroyMenu(menu);
    EXPECT_TRUE(wrapped);
    EXPECT_EQ(made, 101);
    // Dead wrappers are pruned when the next menu comes: at most the last one is kept.
    EXPECT_LE(MenuWrappers().size(), 1u);
}

TEST_F(Dialogs, PlainFormsGetARunTimeProviderUnlessTheirTagSaysNo)
{
    TSkinTestForm* plain = NewForm();
    plain->Show();
    Pump(20);
    TSkinTestForm* excluded = NewForm();
    excluded->SetTag(-1);
    excluded->Show();
    Pump(20);
    auto runTimeProvider = [](TCustomForm* form) {
        return dynamic_cast<TsSkinProvider*>(&ProviderOf(form->Handle()));
    };
    EXPECT_NE(runTimeProvider(plain), nullptr);
    EXPECT_NE(FindProviderByHandle(plain->Handle()), nullptr);
    EXPECT_EQ(runTimeProvider(excluded), nullptr);
    EXPECT_EQ(FindProviderByHandle(excluded->Handle()), nullptr);
}

TEST_F(Dialogs, TurningTheSkinOffFreesTheListOnce)
{
    TSkinTestForm* f = NewForm();
    f->Show();
    Pump(20);
    ASSERT_NE(FindProviderByHandle(f->Handle()), nullptr);
    HWND seenBox = nullptr;
    bool wrappedBefore = false, wrappedAfter = true, sysMenuBack = false;
    int result = RunBox(L"Выключить", MB_OKCANCEL, [&] {
        std::vector<HWND> boxes = Boxes();
        ASSERT_EQ(boxes.size(), 1u);
        seenBox = boxes[0];
        wrappedBefore = HasWrapper(seenBox);
        manager->SetActive(false);
        wrappedAfter = HasWrapper(seenBox);
        sysMenuBack = (GetWindowLongPtrW(seenBox, GWL_STYLE) & WS_SYSMENU) != 0;
        PostMessageW(seenBox, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_TRUE(wrappedBefore);
    EXPECT_FALSE(wrappedAfter);   // the box goes on plain
    EXPECT_TRUE(sysMenuBack);
    EXPECT_EQ(DialogHookHandle(), nullptr);   // the hook is gone with the skin
    EXPECT_EQ(SkinnedDialogs(), nullptr);
    EXPECT_TRUE(DialogProviders().empty());
    // The form's entry went with the list; the form no longer owns one.
    for (int i = 0; i < f->ComponentCount(); ++i)
        EXPECT_EQ(dynamic_cast<TkvProvider*>(f->Components(i)), nullptr);
    // Freeing the form afterwards frees nothing twice.
    Free(f);
    forms.erase(std::find(forms.begin(), forms.end(), static_cast<TComponent*>(f)));
}

TEST_F(Dialogs, AnMDIFrameBringsItsChildrenAndLaterChildrenFollowIt)
{
    auto child = [&](const wchar_t* caption, long tag) {
        auto* c = new TForm(Application);
        forms.push_back(c);
        c->SetTag(tag);
        c->SetFormStyle(TFormStyle::fsMDIChild);
        c->SetBounds(10, 10, 200, 120);
        c->SetCaption(caption);
        c->Show();
        return c;
    };
    auto runTimeProvider = [](TCustomForm* form) {
        return dynamic_cast<TsSkinProvider*>(&ProviderOf(form->Handle())) != nullptr &&
               FindProviderByHandle(form->Handle()) != nullptr;
    };
    // Frame and first children made where the hook does not see them.
    SkinHooks.DialogHookProc = nullptr;
    TSkinTestForm* frame = NewForm(560, 400);
    frame->SetFormStyle(TFormStyle::fsMDIForm);
    frame->Show();
    TForm* first = child(L"Первый", 0);
    TForm* excluded = child(L"Исключённый", -1);
    TSkinTestForm* other = NewForm();
    other->Show();
    Pump(20);
    // The frame is activated with the hook on: its children come along.
    SkinHooks.DialogHookProc = DialogHookProc;
    SetActiveWindow(frame->Handle());
    Pump(20);
    EXPECT_TRUE(runTimeProvider(frame));
    EXPECT_TRUE(runTimeProvider(first));
    EXPECT_FALSE(runTimeProvider(excluded));
    // A child made later in the skinned frame gets its provider when it is made.
    TForm* later = child(L"Поздний", 0);
    Pump(20);
    EXPECT_TRUE(runTimeProvider(later));
    EXPECT_TRUE(AnswersSkinned(later->Handle()));
    // Children before their frame.
    for (TForm* c : {later, excluded, first}) {
        Free(c);
        forms.erase(std::find(forms.begin(), forms.end(), static_cast<TComponent*>(c)));
    }
}

TEST_F(Dialogs, APanelOfOursInADialogTakesTheSkinsColours)
{
    // The host form stays plain (its Tag), so the panel is nobody's yet.
    TSkinTestForm* host = NewForm();
    host->SetTag(-1);
    host->Show();
    auto* panel = Add<TPanel>(host, 0, 0, 160, 60);
    panel->SetColor(clRed);
    auto* label = new TLabel(panel);
    label->SetParent(panel);
    label->SetCaption(L"Метка");
    label->Font().SetColor(clRed);
    label->SetTransparent(false);
    Pump(10);
    bool wrapped = false;
    RunBox(L"С панелью", MB_OKCANCEL, [&] {
        std::vector<HWND> boxes = Boxes();
        ASSERT_EQ(boxes.size(), 1u);
        HWND box = boxes[0];
        // Our panel's window moves into the box: the next wrap of the box's children finds it.
        ASSERT_FALSE(HasWrapper(panel->Handle()));
        ::SetParent(panel->Handle(), box);
        SendMessageW(box, SkinCommandMessage, MakeSkinCmdWParam(28), 0);
        wrapped = HasWrapper(panel->Handle());
        ::SetParent(panel->Handle(), host->Handle());
        PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_TRUE(wrapped);
    EXPECT_EQ(panel->Color(), TColor(manager->GetGlobalColor()));
    EXPECT_EQ(label->Font().Color(), TColor(manager->GetGlobalFontColor()));
    EXPECT_TRUE(label->Transparent());
}

// ---------------------------------------------------------------- the box's system menu and live skin changes

namespace {

// Steps run from timers inside whatever modal loop runs then.
std::map<UINT_PTR, std::function<void()>> laterSteps;
void CALLBACK LaterTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    auto it = laterSteps.find(id);
    if (it == laterSteps.end())
        return;
    auto f = std::move(it->second);
    laterSteps.erase(it);
    f();
}
void After(UINT ms, std::function<void()> f) { laterSteps[SetTimer(nullptr, 0, ms, LaterTimer)] = std::move(f); }

BOOL CALLBACK FindPopupMenu(HWND w, LPARAM l)
{
    wchar_t cls[16] = {};
    GetClassNameW(w, cls, 16);
    if (wcscmp(cls, L"#32768") == 0 && IsWindowVisible(w)) {
        *reinterpret_cast<HWND*>(l) = w;
        return FALSE;
    }
    return TRUE;
}
// The popup menu window showing now, if any.
HWND ShownPopupMenu()
{
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindPopupMenu, LPARAM(&found));
    return found;
}

// The title band of a window (from its top to its client area) as the screen shows it.
std::unique_ptr<TBitmap> TitleShot(HWND wnd)
{
    RECT wr{};
    GetWindowRect(wnd, &wr);
    POINT client{0, 0};
    ClientToScreen(wnd, &client);
    const int w = wr.right - wr.left, h = client.y - wr.top;
    auto bmp = std::make_unique<TBitmap>(w, std::max(h, 1), TPixelFormat::pf32bit);
    HDC dc = GetWindowDC(wnd);
    BitBlt(bmp->Canvas().Handle(), 0, 0, w, h, dc, 0, 0, SRCCOPY);
    ReleaseDC(wnd, dc);
    GdiFlush();
    return bmp;
}

// Share of differing pixels of two pictures (1 when their sizes differ).
double Difference(TBitmap& a, TBitmap& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return 1;
    long differ = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            differ += At(a, x, y) != At(b, x, y) ? 1 : 0;
    return double(differ) / double(a.Width() * a.Height());
}

}  // namespace

TEST_F(Dialogs, SystemMenuClosesWithItsDialog)
{
    manager->SetSkinnedPopups(true);
    bool openBefore = false, openAfter = true, checked = false;
    RunBox(L"Меню", MB_OKCANCEL, [&] {
        HWND box = Boxes()[0];
        After(200, [&, box] {
            openBefore = ShownPopupMenu() != nullptr;
            DestroyWindow(box);
            After(300, [&] {
                openAfter = ShownPopupMenu() != nullptr;
                checked = true;
                EndMenu();
            });
        });
        // Alt+Space: the skinned system menu, whose loop runs until the steps above end it.
        SendMessageW(box, WM_SYSCOMMAND, SC_KEYMENU, ' ');
    });
    for (DWORD start = GetTickCount(); !checked && GetTickCount() - start < 3000;)
        Pump(10);
    EXPECT_TRUE(checked);
    EXPECT_TRUE(openBefore);
    EXPECT_FALSE(openAfter);
}

// A box whose owner took Close away (greyed it in the box's own system menu)
// cannot be closed from its skinned title or system menu either, as a plain
// one cannot; with Close left alone both close it.
TEST_F(Dialogs, CloseFollowsTheBoxsOwnSystemMenu)
{
    manager->SetSkinnedPopups(true);
    struct Row {
        const char* what;
        bool greyed;
    };
    for (const Row& r : {Row{"Close left alone", false}, Row{"Close greyed by the box's owner", true}}) {
        SCOPED_TRACE(r.what);
        const bool closes = !r.greyed;
        bool hitClose = !closes, menuSeen = false, menuClose = !closes, stillOpen = closes, checked = false;
        bool inspected = false;
        int result = RunBox(L"Закрыть?", MB_OKCANCEL, [&] {
            HWND box = Boxes()[0];
            auto* dlg = dynamic_cast<TkvDialogWnd*>(GetWrapper(box));
            ASSERT_NE(dlg, nullptr);
            inspected = true;
            if (r.greyed)
                EnableMenuItem(GetSystemMenu(box, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
            RECT wr{};
            GetWindowRect(box, &wr);
            const POINT c = Centre(dlg->Layout().Close);
            const POINT at{wr.left + c.x, wr.top + c.y};
            hitClose = SendMessageW(box, WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y)) == HTCLOSE;
            After(250, [&] {
                if (HWND popup = ShownPopupMenu()) {
                    menuSeen = true;
                    HMENU menu = HMENU(SendMessageW(popup, MN_GETHMENU, 0, 0));
                    const int n = GetMenuItemCount(menu);
                    menuClose = n > 0 && !(GetMenuState(menu, UINT(n - 1), MF_BYPOSITION) & MF_GRAYED);
                }
                EndMenu();
            });
            SendMessageW(box, WM_SYSCOMMAND, SC_KEYMENU, ' ');
            // A click on the drawn close button.
            PostMessageW(box, WM_NCLBUTTONDOWN, HTCLOSE, MAKELPARAM(at.x, at.y));
            PostMessageW(box, WM_NCLBUTTONUP, HTCLOSE, MAKELPARAM(at.x, at.y));
            After(300, [&, box] {
                stillOpen = IsWindow(box) && IsWindowVisible(box);
                checked = true;
                if (stillOpen)
                    PostMessageW(box, WM_COMMAND, IDOK, 0);
            });
        });
        for (DWORD start = GetTickCount(); !checked && GetTickCount() - start < 3000;)
            Pump(10);
        ASSERT_TRUE(inspected);
        EXPECT_TRUE(menuSeen);
        EXPECT_EQ(hitClose, closes);
        EXPECT_EQ(menuClose, closes);
        EXPECT_EQ(stillOpen, !closes);
        EXPECT_EQ(result, closes ? IDCANCEL : IDOK);
    }
}

// The skin taken away or switched while a box is open: the box then looks as
// one opened after the change (title band compared pixel by pixel).
TEST_F(Dialogs, ABoxOpenDuringASkinChangeLooksLikeOneOpenedAfterIt)
{
    struct Row {
        const char* what;
        std::function<void()> before, change;
        bool skinnedAfter;
    };
    const Row rows[] = {
        {"skin removed", [&] {}, [&] { manager->SetActive(false); }, false},
        {"Slate to Graphite",
         [&] {
             // Both sample skins as folders, where the sources keep them.
             manager->SetSkinDirectory(EnvPath("TALVERA_TESTDATA") + L"\\..\\..\\skins");
             manager->SetActive(true);
             manager->SetSkinName(L"Slate");
         },
         [&] { manager->SetSkinName(L"Graphite"); }, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        r.before();
        ASSERT_TRUE(manager->SkinData().Active);
        std::unique_ptr<TBitmap> during, after;
        bool skinnedDuring = !r.skinnedAfter, closeHit = false;
        RunBox(L"Смена кожи", MB_OKCANCEL, [&] {
            HWND box = Boxes()[0];
            r.change();
            Pump(300);
            during = TitleShot(box);
            SaveWindowShot(box, String(L"dialogs-change-during-") + (r.skinnedAfter ? L"switch" : L"removal"));
            skinnedDuring = AnswersSkinned(box);
            // The close button (the system's or the drawn one) answers where the title shows it.
            RECT wr{};
            GetWindowRect(box, &wr);
            for (int x = wr.right - 4; x > wr.right - 80 && !closeHit; --x)
                for (int y = wr.top + 2; y < wr.top + 30 && !closeHit; ++y)
                    closeHit = SendMessageW(box, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == HTCLOSE;
            PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
        });
        RunBox(L"Смена кожи", MB_OKCANCEL, [&] {
            HWND box = Boxes()[0];
            Pump(300);
            after = TitleShot(box);
            SaveWindowShot(box, String(L"dialogs-change-after-") + (r.skinnedAfter ? L"switch" : L"removal"));
            PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
        });
        ASSERT_TRUE(during && after);
        EXPECT_EQ(skinnedDuring, r.skinnedAfter);
        EXPECT_TRUE(closeHit);
        EXPECT_LT(Difference(*during, *after), 0.01);
    }
}
// The icon place of a box: the icon on the skin's client colour, or, in a box
// without an icon, the client colour alone (no unpainted square).
TEST_F(Dialogs, TheIconPlaceShowsTheIconOrTheClientColour)
{
    struct Row {
        const char* what;
        UINT flags;
        bool icon;
    };
    for (const Row& r : {Row{"no icon", MB_OKCANCEL, false}, Row{"warning", MB_OKCANCEL | MB_ICONWARNING, true}}) {
        SCOPED_TRACE(r.what);
        int other = -1, area = 0;
        RunBox(L"Значок", r.flags, [&] {
            HWND box = Boxes()[0];
            Pump(100);
            auto* dlg = dynamic_cast<TkvDialogWnd*>(GetWrapper(box));
            ASSERT_NE(dlg, nullptr);
            const COLORREF client = ColorToRGB(dlg->CommonData->GetStateColor(0, box));
            // The icon static and the text static of the box.
            HWND icon = nullptr, text = nullptr;
            for (HWND c = GetTopWindow(box); c; c = GetWindow(c, GW_HWNDNEXT)) {
                wchar_t cls[16] = {};
                GetClassNameW(c, cls, 16);
                if (_wcsicmp(cls, L"static") != 0)
                    continue;
                ((GetWindowLongW(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON ? icon : text) = c;
            }
            ASSERT_NE(icon, nullptr);
            ASSERT_NE(text, nullptr);
            auto place = [box](HWND c) {
                RECT rc{};
                GetWindowRect(c, &rc);
                MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&rc), 2);
                return rc;
            };
            const RECT ir = place(icon), tr = place(text);
            HDC dc = GetDC(box);
            other = 0;
            for (int y = ir.top; y < ir.bottom; ++y)
                for (int x = ir.left; x < ir.right; ++x) {
                    const POINT p{x, y};
                    if (PtInRect(&tr, p))
                        continue;   // the text's letters may reach into the icon's place
                    ++area;
                    other += GetPixel(dc, x, y) != client ? 1 : 0;
                }
            ReleaseDC(box, dc);
            PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
        });
        ASSERT_GT(area, 100);
        if (r.icon)
            EXPECT_GT(other, area / 4) << "the icon shows";
        else
            EXPECT_EQ(other, 0);
    }
}
