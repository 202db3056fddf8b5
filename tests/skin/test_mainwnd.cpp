// The window-wrapper root on real windows: the three ways of taking a window
// over and giving it back, a foreign subclass on top of a wrapper, the
// messages the wrapper keeps from the window, the skin commands it answers,
// and the lookups by window.
#include "tests/skin/SkinRuntimeFixture.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <functional>
#include <thread>
#include <vector>

#include "classlib/StdCtrls.h"
#include "classlib/Subclass.h"
#include "skin/controls/EditWnd.h"
#include "skin/controls/MainWnd.h"
#include "skin/controls/ScrollWnd.h"
#include "skin/controls/TabWnd.h"
#include "skin/core/BgRequest.h"
#include "skin/forms/DialogWnd.h"

using namespace skintest;

namespace {

// The native window under test: every message it receives is counted by number.
std::map<UINT, int> baseSeen;
std::map<UINT, LPARAM> baseLParam;   // the last LParam of each message

LRESULT CALLBACK LoggingProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    ++baseSeen[msg];
    baseLParam[msg] = lParam;
    return DefWindowProcW(wnd, msg, wParam, lParam);
}

const wchar_t* LoggingClass()
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = LoggingProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"MainWndTestLogger";
        RegisterClassW(&wc);
        registered = true;
    }
    return L"MainWndTestLogger";
}

// A foreign subclass, installed by handle after the wrapper.
WNDPROC foreignPrevious = nullptr;
int foreignSeen = 0;

LRESULT CALLBACK ForeignProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    ++foreignSeen;
    return CallWindowProcW(foreignPrevious, wnd, msg, wParam, lParam);
}

// The owner of a provider's skin data: says it is a provider and names its form.
class TTestProviderOwner : public TPersistent, public TsSkinDataOwner {
    DECLARE_CLASS(TTestProviderOwner, TPersistent)
public:
    explicit TTestProviderOwner(TCustomForm* f) : form(f) {}
    HWND SkinOwnerWindow() const override { return form->Handle(); }
    bool SkinOwnerIsProvider() const override { return true; }
    TCustomForm* SkinOwnerForm() const override { return form; }
    TCustomForm* form;
};

// What a hook mode installs in front of the window: the window procedure
// (native window) or the WindowProc method (control, provider form).
struct Installed {
    LONG_PTR proc = 0;
    TWndMethod method;
    bool operator==(const Installed& o) const { return proc == o.proc && method == o.method; }
};

enum class Mode { Native, Control, ProviderForm };

class MainWndTest : public SkinRuntime, public testing::WithParamInterface<Mode> {
protected:
    void SetUp() override
    {
        SkinRuntime::SetUp();
        baseSeen.clear();
        foreignSeen = 0;
        manager = SmallManager();
        manager->SetActive(true);
    }
    void TearDown() override
    {
        if (native) DestroyWindow(native);
        delete providerData;
        delete providerOwner;
        SkinRuntime::TearDown();
    }
    // Makes the window of the mode; returns its handle and the common data to give the wrapper.
    HWND Make(Mode mode, TsCommonData*& data)
    {
        form = NewForm();
        switch (mode) {
        case Mode::Native:
            native = CreateWindowExW(0, LoggingClass(), L"native", WS_CHILD | WS_VISIBLE, 10, 10, 120, 40,
                                     form->Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
            data = nullptr;
            return native;
        case Mode::Control:
            edit = Add<TSkinTestEdit>(form, 10, 10, 120, 24);
            data = &edit->SkinData();
            control = edit;
            return edit->Handle();
        case Mode::ProviderForm:
            providerOwner = new TTestProviderOwner(form);
            providerData = new TsCommonData(providerOwner, true);
            data = providerData;
            control = form;
            return form->Handle();
        }
        return nullptr;
    }
    Installed Now(HWND wnd) const
    {
        Installed i;
        i.proc = GetWindowLongPtrW(wnd, GWLP_WNDPROC);
        if (control) i.method = control->WindowProc;
        return i;
    }

    TsSkinManager* manager = nullptr;
    TSkinTestForm* form = nullptr;
    HWND native = nullptr;
    TSkinTestEdit* edit = nullptr;
    TControl* control = nullptr;
    TTestProviderOwner* providerOwner = nullptr;
    TsCommonData* providerData = nullptr;
};

// Attached, the wrapper sits in front of the window and is its property;
// unhooked (the plain way or the scrolling wrappers' way, native windows
// included), the window has its own procedure back and no property.
TEST_P(MainWndTest, AttachesAndDetaches)
{
    TsCommonData* data = nullptr;
    HWND wnd = Make(GetParam(), data);
    Installed before = Now(wnd);
    for (auto unhook : {&UnhookWindow, &UnhookScrollWnd}) {
        TkvMainWnd* w = CreateWrapper<TkvMainWnd>(wnd, data, manager, L"PANEL");
        EXPECT_EQ(GetWrapper(wnd), w);
        EXPECT_EQ(GetPropW(wnd, L"KVSBSC"), HANDLE(w));
        EXPECT_FALSE(Now(wnd) == before) << "nothing installed in front of the window";
        // Exactly one kind of previous procedure is held.
        EXPECT_NE(w->PrevWndProcPtr != nullptr, bool(w->PrevWindowProc));
        EXPECT_EQ(w->PrevWndProcPtr != nullptr, GetParam() == Mode::Native);

        // Messages flow through the wrapper to the window: the text it keeps follows.
        SetWindowTextW(wnd, L"Привет");
        EXPECT_EQ(w->WndText, L"Привет");

        EXPECT_TRUE(unhook(wnd, true, false, w));
        EXPECT_EQ(w, nullptr);
        EXPECT_TRUE(Now(wnd) == before);
        EXPECT_EQ(GetWrapper(wnd), nullptr);
        EXPECT_EQ(GetPropW(wnd, L"KVSBSC"), nullptr);
    }
}

// Freeing a wrapper gives the window back, also while the control adapter
// frees all its items (a form going away), so a control that outlives its
// wrapper never calls into a freed one. A private skin data object goes with
// the wrapper; a shared one stays with its owner.
TEST_P(MainWndTest, FreeingTheWrapperGivesTheWindowBack)
{
    TsCommonData* data = nullptr;
    HWND wnd = Make(GetParam(), data);
    Installed before = Now(wnd);
    for (bool adapterFreeing : {false, true}) {
        SCOPED_TRACE(adapterFreeing ? "adapter freeing all" : "alone");
        int liveBefore = LiveSkinDataCount();
        TkvMainWnd* w = CreateWrapper<TkvMainWnd>(wnd, data, manager, L"PANEL");
        EXPECT_EQ(LiveSkinDataCount(), liveBefore + (data ? 0 : 1));
        AdapterFreeingAll = adapterFreeing;
        delete w;
        AdapterFreeingAll = false;
        EXPECT_TRUE(Now(wnd) == before);
        EXPECT_EQ(GetWrapper(wnd), nullptr);
        EXPECT_EQ(LiveSkinDataCount(), liveBefore);
        SetWindowTextW(wnd, L"живой");   // messages still reach the window
        wchar_t text[16] = {};
        GetWindowTextW(wnd, text, 16);
        EXPECT_STREQ(text, L"живой");
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, MainWndTest, testing::Values(Mode::Native, Mode::Control, Mode::ProviderForm));

using MainWnd = MainWndTest;

// A foreign subclass put on top after the wrapper keeps its place when the
// wrapper goes, and messages still reach the window through the wrapper's
// left-over layer: by handle for a native window, by WindowProc for a control
// or a provider's form.
TEST_F(MainWnd, ForeignSubclassOnTopSurvivesTheWrapper)
{
    for (Mode mode : {Mode::Native, Mode::Control, Mode::ProviderForm}) {
        SCOPED_TRACE(int(mode));
        TsCommonData* data = nullptr;
        HWND wnd = Make(mode, data);
        TkvMainWnd* w = CreateWrapper<TkvMainWnd>(wnd, data, manager, L"PANEL");

        int foreignMethodSeen = 0;
        TWndMethod below;
        TWndMethod foreign;
        if (mode == Mode::Native) {
            foreignPrevious = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ForeignProc)));
        } else {
            below = control->WindowProc;
            foreign = TWndMethod([&foreignMethodSeen, &below](TMessage& m) {
                ++foreignMethodSeen;
                below(m);
            });
            control->WindowProc = foreign;
        }

        EXPECT_FALSE(UnhookWindow(wnd, true, false, w)) << "reported as given back";
        EXPECT_EQ(GetPropW(wnd, L"KVSBSC"), nullptr);
        if (mode == Mode::Native)
            EXPECT_EQ(GetWindowLongPtrW(wnd, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&ForeignProc));
        else
            EXPECT_TRUE(control->WindowProc == foreign);

        baseSeen.clear();
        SetWindowTextW(wnd, L"после");
        wchar_t text[32] = {};
        GetWindowTextW(wnd, text, 32);
        EXPECT_STREQ(text, L"после");
        if (mode == Mode::Native) {
            EXPECT_GT(foreignSeen, 0);
            EXPECT_EQ(baseSeen[WM_SETTEXT], 1);
            DestroyWindow(std::exchange(native, nullptr));   // the left-over layer goes with the window
        } else {
            EXPECT_GT(foreignMethodSeen, 0);
            control->WindowProc = below;   // the foreign hook leaves; the pass-through layer under it stays harmless
            SetWindowTextW(wnd, L"ещё");
            GetWindowTextW(wnd, text, 32);
            EXPECT_STREQ(text, L"ещё");
        }
        control = nullptr;
    }
}

// What reaches the window below the wrapper, with the manager active and not.
TEST_F(MainWnd, MessagesKeptAndPassed)
{
    struct Row {
        const char* what;
        bool active;
        UINT msg;
        WPARAM wParam;
        bool reachesWindow;
        LRESULT result;   // checked when not reaching the window
    };
    const Row rows[] = {
        {"ui state is swallowed", true, WM_UPDATEUISTATE, 0, false, 0},
        {"ui state is swallowed, inactive too", false, WM_UPDATEUISTATE, 0, false, 0},
        {"is skinned answered", true, SkinCommandMessage, MAKEWPARAM(0, SkinCmdIsSkinned), false, 1},
        {"skin data answered", true, SkinCommandMessage, MAKEWPARAM(0, SkinCmdGetSkinData), false, -1},
        {"inactive: commands pass", false, SkinCommandMessage, MAKEWPARAM(0, SkinCmdIsSkinned), true, 0},
        {"unknown command passes", true, SkinCommandMessage, MAKEWPARAM(0, 200), true, 0},
        {"plain message passes", true, WM_USER + 7, 0, true, 0},
    };
    TsCommonData* data = nullptr;
    HWND wnd = Make(Mode::Native, data);
    TkvMainWnd* w = CreateWrapper<TkvMainWnd>(wnd, data, manager, L"PANEL");
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        manager->SetActive(r.active);
        baseSeen.clear();
        LRESULT res = SendMessageW(wnd, r.msg, r.wParam, 0);
        EXPECT_EQ(baseSeen[r.msg], r.reachesWindow ? 1 : 0);
        if (r.result == -1) {
            EXPECT_EQ(res, reinterpret_cast<LRESULT>(w->CommonData));
        } else if (!r.reachesWindow) {
            EXPECT_EQ(res, r.result);
        }
    }
    delete w;
}

// The bar lookups answer only for wrappers that have bars.
TEST_F(MainWnd, ScrollBarLookupsOnAWrapperWithoutBars)
{
    form = NewForm();
    native = CreateWindowExW(0, L"BUTTON", L"OK", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10, 80, 24,
                             form->Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
    HWND h = native;
    EXPECT_EQ(GetScrollBarOf(h, 1), nullptr);
    EXPECT_FALSE(SetMinThumbSize(h, 3, 20));   // no wrapper
    TkvMainWnd* w = CreateWrapper<TkvMainWnd>(h, nullptr, manager, L"BUTTON");
    ASSERT_EQ(GetWrapper(h), w);
    for (int kind : {0, 1, 2})
        EXPECT_EQ(GetScrollBarOf(h, kind), nullptr) << kind;
    EXPECT_FALSE(SetMinThumbSize(h, 3, 20));
    delete w;
}

// Destroying a wrapped window: the wrapper lets go in WM_DESTROY, the window
// gets each destruction message once, and the wrapper is then freed safely.
TEST_F(MainWnd, WindowDestroyedUnderTheWrapper)
{
    TsCommonData* data = nullptr;
    HWND wnd = Make(Mode::Native, data);
    TkvMainWnd* w = CreateWrapper<TkvMainWnd>(wnd, data, manager, L"PANEL");
    DestroyWindow(std::exchange(native, nullptr));
    EXPECT_EQ(baseSeen[WM_DESTROY], 1);
    EXPECT_EQ(baseSeen[WM_NCDESTROY], 1);
    EXPECT_TRUE(w->Unhooked);
    EXPECT_EQ(GetWrapper(wnd), nullptr);
    delete w;
}

// The test program asks for the common controls of version 6 (its manifest):
// the library it gets is the side-by-side assembly's, not the system folder's.
TEST(MainWndManifest, CommonControlsSixAreLoaded)
{
    HMODULE cc = LoadLibraryW(L"comctl32.dll");
    ASSERT_NE(cc, nullptr);
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(cc, path, MAX_PATH);
    String p = path;
    for (wchar_t& c : p)
        c = wchar_t(towlower(c));
    EXPECT_NE(p.find(L"common-controls"), String::npos) << testing::PrintToString(p);
    FreeLibrary(cc);
}

// A scroll message carrying a thumb position in LParam reaches a native
// window with LParam 0; one from a real scroll-bar child keeps its handle.
TEST_F(MainWnd, ScrollMessagesReachANativeWindowWithoutAPosition)
{
    TsCommonData* data = nullptr;
    HWND wnd = Make(Mode::Native, data);
    HWND bar = CreateWindowExW(0, L"SCROLLBAR", L"", WS_CHILD | SBS_VERT, 0, 0, 16, 40, wnd, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    TkvMainWnd* w = CreateWrapper<TkvMainWnd>(wnd, data, manager, L"PANEL");
    struct Row {
        UINT msg;
        LPARAM sent, arrives;
    };
    const Row rows[] = {
        {WM_VSCROLL, 57, 0},
        {WM_HSCROLL, 1234, 0},
        {WM_VSCROLL, LPARAM(bar), LPARAM(bar)},
        {WM_VSCROLL, 0, 0},
    };
    for (const Row& r : rows) {
        baseLParam.erase(r.msg);
        SendMessageW(wnd, r.msg, MAKEWPARAM(SB_THUMBTRACK, 3), r.sent);
        ASSERT_TRUE(baseLParam.count(r.msg)) << r.sent;
        EXPECT_EQ(baseLParam[r.msg], r.arrives) << r.sent;
    }
    delete w;
}

// The skin commands that change or read the wrapper's skin data.
TEST_F(MainWnd, SkinCommandsOnTheSkinData)
{
    TsCommonData* data = nullptr;
    HWND wnd = Make(Mode::Native, data);
    TkvMainWnd* w = CreateWrapper<TkvMainWnd>(wnd, data, manager, L"PANEL");
    TsCommonData* d = w->CommonData;
    auto send = [&](unsigned cmd, LPARAM l) {
        return SendMessageW(wnd, SkinCommandMessage, MakeSkinCmdWParam(cmd), l);
    };

    TsSetSectionRecord section{0, L"EDIT"};
    {
        TsCommandPointerScope asking(&section);
        send(SkinCmdSetSection, LPARAM(&section));
    }
    EXPECT_EQ(d->SkinSection(), L"EDIT");

    HDC dc = CreateCompatibleDC(nullptr);
    send(SkinCmdSetPrintTarget, LPARAM(dc));
    EXPECT_EQ(d->PrintTarget, dc);
    EXPECT_TRUE(d->SkinState & ssPrinting);
    send(SkinCmdSetPrintTarget, 0);
    EXPECT_EQ(d->PrintTarget, nullptr);
    EXPECT_FALSE(d->SkinState & ssPrinting);
    DeleteDC(dc);

    // The window below answers 0, so the wrapper answers with its section's colour.
    EXPECT_EQ(TColor(send(SkinCmdGetBkColor, 0)), d->GetStateColor(0, wnd));
    EXPECT_EQ(TColor(send(SkinCmdGetBkColor, 0)), TColor(0xE0F0FF));
    EXPECT_EQ(send(SkinCmdIsUpdating, 0), d->IsUpdating() ? 1 : 0);
    EXPECT_EQ(send(SkinCmdGetApplication, 0), reinterpret_cast<LRESULT>(Application));
    delete w;
}

// The wrapper's background: the section over the parent's background, or in
// the plain look the window colour framed with the skin's border colour.
TEST_F(MainWnd, WrapperBackgroundFromTheSkin)
{
    // The small skin with a border colour.
    std::string options = SmallRuntimeOptions();
    options.insert(options.find("\r\n") + 2, "BORDERCOLOR=" + std::to_string(0x2040C0) + "\r\n");
    dir.WriteFile(L"Bordered\\Options.dat", options);
    dir.WriteFile(L"Bordered\\MASTER.BMP", Master(32, 16, 0x3060C0));
    manager->SetSkinName(L"Bordered");
    ASSERT_EQ(DefaultManager, manager);
    ASSERT_EQ(manager->Palette()[27], TColor32(0x2040C0));

    TsCommonData* data = nullptr;
    HWND wnd = Make(Mode::Native, data);
    TkvMainWnd* w = CreateWrapper<TkvMainWnd>(wnd, data, manager, L"EDIT");
    TsCommonData* d = w->CommonData;
    d->UpdateIndexes();
    struct Row {
        bool plain;
        COLORREF corner, centre;
    };
    const Row rows[] = {
        {true, 0x2040C0, GetSysColor(COLOR_WINDOW)},
        {false, 0xE0F0FF, 0xE0F0FF},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.plain ? "plain" : "section");
        d->BackgroundChanged = true;
        PaintWrapperBackground(d, wnd, r.plain);
        EXPECT_FALSE(d->BackgroundChanged);
        TBitmap* cache = d->CacheBitmap.get();
        ASSERT_EQ(cache->Width(), 120);
        ASSERT_EQ(cache->Height(), 40);
        HDC dc = cache->Canvas().Handle();
        EXPECT_EQ(GetPixel(dc, 60, 20) & 0xFFFFFF, r.centre);
        if (r.plain) {
            EXPECT_EQ(GetPixel(dc, 0, 0) & 0xFFFFFF, r.corner);
        }
    }
    delete w;
}

// The class library's mouse enter and leave pass through a control's wrapper.
TEST_F(MainWnd, MouseEnterAndLeaveReachTheWrapper)
{
    struct TLoggingWrapper : TkvMainWnd {
        using TkvMainWnd::TkvMainWnd;
        std::vector<UINT> seen;
        void WndProc(TMessage& m) override
        {
            seen.push_back(m.Msg);
            TkvMainWnd::WndProc(m);
        }
        int Count(UINT msg) const { return int(std::count(seen.begin(), seen.end(), msg)); }
    };
    TsCommonData* data = nullptr;
    HWND wnd = Make(Mode::Control, data);
    form->Show();
    SetForegroundWindow(form->Handle());
    auto* w = CreateWrapper<TLoggingWrapper>(wnd, data, manager, L"EDIT");
    POINT outside = form->ClientToScreen(POINT{300, 250});
    POINT inside = edit->ClientToScreen(POINT{20, 10});
    SetCursorPos(outside.x, outside.y);
    Pump(50);
    SetCursorPos(inside.x, inside.y);
    Pump(100);
    EXPECT_EQ(w->Count(CM_MOUSEENTER), 1);
    EXPECT_EQ(manager->HotWindow(), wnd);   // the mouse move made it the manager's hot window
    SetCursorPos(outside.x, outside.y);
    Pump(150);
    EXPECT_EQ(w->Count(CM_MOUSELEAVE), 1);
    delete w;
}

// What UpdateScrollWnd and UpdateEditWnd make comes from the registered
// factories: a wrapper while the control is skinned, none once it is not.
TEST_F(MainWnd, UpdateScrollWndFollowsTheSkin)
{
    static int made = 0;
    made = 0;
    auto factory = [](HWND h, TsCommonData* d, TsSkinManager* m, const String& section, bool) -> TkvMainWnd* {
        ++made;
        return CreateWrapper<TkvMainWnd>(h, d, m, section);
    };
    RegisterScrollWndFactory(factory);
    RegisterEditWndFactory(factory);
    TsCommonData* data = nullptr;
    HWND wnd = Make(Mode::Control, data);
    data->SetSkinSection(L"EDIT");
    data->UpdateIndexes();
    ASSERT_TRUE(data->IsSkinned());
    for (auto update : {&UpdateScrollWnd, &UpdateEditWnd}) {
        made = 0;
        TkvMainWnd* w = nullptr;
        update(data, w);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(GetWrapper(wnd), w);
        update(data, w);   // kept while hooked
        EXPECT_EQ(made, 1);
        TkvMainWnd* unhooked = w;
        UnhookWindow(wnd, false, false, unhooked);
        update(data, w);   // an unhooked one is replaced
        EXPECT_EQ(made, 2);
        EXPECT_EQ(GetWrapper(wnd), w);
        DestroyManager(manager);   // not skinned any more: the wrapper goes
        manager = nullptr;
        EXPECT_EQ(w->SkinManager, nullptr) << "the wrapper still names the freed manager";
        update(data, w);
        EXPECT_EQ(w, nullptr);
        EXPECT_EQ(GetWrapper(wnd), nullptr);
        manager = SmallManager();
        manager->SetActive(true);
        data->UpdateIndexes();
    }
    RegisterScrollWndFactory(nullptr);
    RegisterEditWndFactory(nullptr);
}

// The unit's shut-down frees the page wrappers (the windows get their
// procedures back) and the popup-menu wrappers through their owner.
TEST_F(MainWnd, ShutDownFreesTheLibraryWideLists)
{
    static int menuFrees = 0;
    menuFrees = 0;
    RegisterMenuWrappersFreer([] { ++menuFrees; });
    TsCommonData* data = nullptr;
    HWND wnd = Make(Mode::Native, data);
    LONG_PTR before = GetWindowLongPtrW(wnd, GWLP_WNDPROC);
    PageWnds().push_back(CreateWrapper<TkvMainWnd>(wnd, data, manager, L"PANEL"));
    DoneMainWndUnit();
    EXPECT_EQ(menuFrees, 1);
    EXPECT_TRUE(PageWnds().empty());
    EXPECT_EQ(GetWindowLongPtrW(wnd, GWLP_WNDPROC), before);
    EXPECT_EQ(GetWrapper(wnd), nullptr);
    RegisterMenuWrappersFreer(nullptr);
    InitMainWndUnit();
}

// WM_PRINT is answered by the window's painting into the given DC.
TEST_F(MainWnd, PrintPaintsIntoTheGivenDC)
{
    TsCommonData* data = nullptr;
    HWND wnd = Make(Mode::Native, data);
    TkvMainWnd* w = CreateWrapper<TkvMainWnd>(wnd, data, manager, L"PANEL");
    HDC dc = CreateCompatibleDC(nullptr);
    baseSeen.clear();
    SendMessageW(wnd, WM_PRINT, WPARAM(dc), PRF_CLIENT);
    EXPECT_EQ(baseSeen[WM_PRINT], 0);
    EXPECT_EQ(baseSeen[WM_PAINT], 1);
    EXPECT_EQ(baseLParam[WM_PAINT], PRF_CLIENT);
    DeleteDC(dc);
    delete w;
}

// Properties of controls the wrappers do not know, by name: a missing
// property or a nil control does nothing and reads 0.
TEST_F(MainWnd, PropertiesByName)
{
    form = NewForm();
    auto* panel = Add<TSkinTestPanel>(form, 10, 10, 50, 30);
    SetPropColor(panel, L"Color", clWindow);
    EXPECT_EQ(panel->Color(), clWindow);
    EXPECT_EQ(GetPropColor(panel, L"Color"), TColor(GetSysColor(COLOR_WINDOW)));   // as RGB
    EXPECT_EQ(GetPropInt(panel, L"Width"), 50);
    SetPropColor(panel, L"NoSuchColor", clRed);
    EXPECT_EQ(GetPropColor(panel, L"NoSuchColor"), 0);
    EXPECT_EQ(GetPropInt(panel, L"NoSuchNumber"), 0);
    EXPECT_EQ(GetPropInt(nullptr, L"Width"), 0);
    SetPropColor(nullptr, L"Color", clRed);   // nothing to do, nothing raised
}

// The non-client fonts by kind are the system's; other kinds give none.
TEST(MainWndFonts, NonClientFontsByKind)
{
    NONCLIENTMETRICSW m{};
    m.cbSize = offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth);
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, m.cbSize, &m, 0));
    const LOGFONTW* expected[] = {nullptr, &m.lfCaptionFont, &m.lfSmCaptionFont, &m.lfMenuFont, &m.lfStatusFont,
                                  &m.lfMessageFont, nullptr};
    for (int kind = 0; kind <= 6; ++kind) {
        SCOPED_TRACE(kind);
        HFONT f = CreateNCFont(kind);
        if (!expected[kind]) {
            EXPECT_EQ(f, nullptr);
            continue;
        }
        ASSERT_NE(f, nullptr);
        LOGFONTW lf{};
        GetObjectW(f, sizeof lf, &lf);
        EXPECT_STREQ(lf.lfFaceName, expected[kind]->lfFaceName);
        EXPECT_EQ(lf.lfHeight, expected[kind]->lfHeight);
        DeleteObject(f);
    }
}

// The key-coloured corner pixels of the border mask take the parent's
// background: here a native parent nobody answers for, so the skin's global
// colour; the other pixels of the cache keep what was painted.
TEST_F(MainWnd, BorderMaskCornersTakeTheParentsBackground)
{
    const uint32_t global = 0x808080, painted = 0x00FF00;
    std::string options = "[GLOBALINFO]\r\nVERSION=8.50\r\nMASTERBITMAP=MASTER.BMP\r\nCOLOR=" +
                          std::to_string(global) +
                          "\r\n[EDIT]\r\nCOLOR=" + std::to_string(0xE0F0FF) +
                          "\r\nSTATES=1\r\nBORDERSMASK=^0000,0000,0016,0016,0002,0002,0002,0002,1,0,0,0\r\n";
    dir.WriteFile(L"Cornered\\Options.dat", options);
    // Key colour in the top-left and top-right corner pixel of the mask only.
    dir.WriteFile(L"Cornered\\MASTER.BMP",
                  Master(32, 16, 0x3060C0, [](int x, int y) { return y == 0 && (x == 0 || x == 15); }));
    manager->SetSkinName(L"Cornered");

    form = NewForm();
    HWND parent = CreateWindowExW(0, LoggingClass(), L"", WS_CHILD | WS_VISIBLE, 0, 0, 300, 200, form->Handle(),
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    native = CreateWindowExW(0, LoggingClass(), L"", WS_CHILD | WS_VISIBLE, 20, 30, 60, 40, parent, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    TkvMainWnd* w = CreateWrapper<TkvMainWnd>(native, nullptr, manager, L"EDIT");
    TsCommonData* d = w->CommonData;
    d->UpdateIndexes();
    ASSERT_TRUE(manager->IsMaskIndexValid(d->BorderMaskIndex));
    GetWndGeometry(native, w->ParentHandle, w->WindowArea, w->PosInParent, w->WindowExtent, w->ParentRect);
    EXPECT_EQ(w->PosInParent.x, 20);
    EXPECT_EQ(w->PosInParent.y, 30);
    d->CacheBitmap->SetSize(60, 40);
    HDC dc = d->CacheBitmap->Canvas().Handle();
    RECT all{0, 0, 60, 40};
    HBRUSH b = CreateSolidBrush(painted);
    FillRect(dc, &all, b);
    DeleteObject(b);

    for (bool inDialog : {true, false}) {
        SCOPED_TRACE(inDialog ? "in a dialog: left alone" : "corners filled");
        w->InDialog = inDialog;
        PaintBorderMaskCorners(d, 0, w);
        GdiFlush();
        COLORREF corner = inDialog ? painted : global;
        EXPECT_EQ(GetPixel(dc, 0, 0) & 0xFFFFFF, corner);
        EXPECT_EQ(GetPixel(dc, 59, 0) & 0xFFFFFF, corner);
        EXPECT_EQ(GetPixel(dc, 1, 0) & 0xFFFFFF, painted);
        EXPECT_EQ(GetPixel(dc, 0, 39) & 0xFFFFFF, painted);
    }
    delete w;
    DestroyWindow(parent);   // and native with it
    native = nullptr;
}

// A disabled edit's text is drawn into the wrapper's background (it cannot
// draw it itself in the skin's colours): the picture with the text differs
// from the same edit's picture without it, and only inside the text area.
TEST_F(MainWnd, DisabledEditTextInTheBackground)
{
    TsCommonData* data = nullptr;
    HWND wnd = Make(Mode::Control, data);
    edit->SetText(L"ЖЖЖЖ");
    edit->SetEnabled(false);
    TkvMainWnd* w = CreateWrapper<TkvMainWnd>(wnd, data, manager, L"EDIT");
    data->SetSkinSection(L"EDIT");
    data->UpdateIndexes();
    auto paint = [&] {
        data->BackgroundChanged = true;
        PaintWrapperBackground(data, wnd, false);
        GdiFlush();
        TBitmap* cache = data->CacheBitmap.get();
        std::vector<COLORREF> px;
        for (int y = 0; y < cache->Height(); ++y)
            for (int x = 0; x < cache->Width(); ++x)
                px.push_back(GetPixel(cache->Canvas().Handle(), x, y));
        return px;
    };
    std::vector<COLORREF> withText = paint();
    edit->SetText(L"");
    std::vector<COLORREF> without = paint();
    ASSERT_EQ(withText.size(), without.size());
    ASSERT_EQ(withText.size(), size_t(120 * 24));
    int inside = 0, outside = 0;
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 120; ++x) {
            size_t i = size_t(y * 120 + x);
            if (withText[i] == without[i]) continue;
            bool inText = x >= 1 && x < 119 && y >= 1 && y < 23;
            (inText ? inside : outside)++;
        }
    EXPECT_GT(inside, 20);
    EXPECT_EQ(outside, 0);
    delete w;
}

}  // namespace

// A window with no room for another subclass layer gets no wrapper: its
// property names none, the wrapper counts as unhooked and the window works on.
TEST_F(MainWnd, WrapperThatCannotHookIsNoWindowsWrapper)
{
    struct Row {
        const char* what;
        std::function<TkvMainWnd*(HWND)> make;
    } rows[] = {
        {"wrapper root", [&](HWND h) { return CreateWrapper<TkvMainWnd>(h, nullptr, manager, L"PANEL"); }},
        {"scroll bars", [&](HWND h) { return CreateWrapper<TkvScrollWnd>(h, nullptr, manager, L"", true); }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        TsCommonData* data = nullptr;
        HWND wnd = Make(Mode::Native, data);
        std::vector<std::unique_ptr<TSubclass>> layers;
        for (int i = 0; i < TSubclass::kMaxLayers; ++i) {
            layers.push_back(std::make_unique<TSubclass>());
            ASSERT_TRUE(layers.back()->Hook(wnd)) << i;
        }
        std::unique_ptr<TkvMainWnd> w(r.make(wnd));
        EXPECT_EQ(GetWrapper(wnd), nullptr);
        EXPECT_EQ(GetPropW(wnd, WrapperPropName), nullptr);
        EXPECT_TRUE(w->Unhooked);
        baseSeen.clear();
        SetWindowTextW(wnd, L"дальше");
        EXPECT_EQ(baseSeen[WM_SETTEXT], 1);
        w.reset();
        layers.clear();
        DestroyWindow(std::exchange(native, nullptr));
    }
}

// A foreign subclass installed before the wrapper that leaves by putting back
// the procedure it found cuts the wrapper's layer out of the chain: the window's
// call record still goes with the window (once the thread's messages have been
// dispatched), and the wrapper learns the window is gone.
TEST_F(MainWnd, CarelessForeignUnhookStillFreesTheCallRecord)
{
    TsCommonData* data = nullptr;
    HWND wnd = Make(Mode::Native, data);
    foreignPrevious = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ForeignProc)));
    std::unique_ptr<TkvMainWnd> w(CreateWrapper<TkvMainWnd>(wnd, data, manager, L"PANEL"));
    ASSERT_NE(TWindowRecord::Find(wnd), nullptr);
    SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(foreignPrevious));   // careless
    DestroyWindow(std::exchange(native, nullptr));
    EXPECT_EQ(baseSeen[WM_NCDESTROY], 1);
    Pump(50);
    EXPECT_EQ(TWindowRecord::Find(wnd), nullptr);
    EXPECT_TRUE(w->Unhooked);
    w.reset();
}

// The skin command message is open to every thread and process: a command
// carrying a pointer, sent or posted from another thread, is answered 0 and
// its pointer neither read nor written, by every wrapper that reads one.
TEST_F(MainWnd, PointerCommandsFromAnotherThreadAreNotRead)
{
    form = NewForm(400, 300);
    form->Show();
    auto child = [&](const wchar_t* cls, DWORD style) {
        return CreateWindowExW(0, cls, L"", WS_CHILD | WS_VISIBLE | style, 10, 10, 120, 60, form->Handle(), nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    };
    auto* edit = Add<TSkinTestEdit>(form, 10, 100, 120, 24);
    struct Row {
        const char* what;
        HWND wnd;
        std::function<TkvMainWnd*(HWND)> make;
        bool ownWindow;
        bool answersBackground;   // from this thread
    };
    std::vector<Row> rows = {
        {"native window", child(LoggingClass(), 0),
         [&](HWND h) { return CreateWrapper<TkvMainWnd>(h, nullptr, manager, L"PANEL"); }, true, true},
        {"control", edit->Handle(),
         [&](HWND h) { return CreateWrapper<TkvMainWnd>(h, &edit->SkinData(), manager, L"EDIT"); }, false, true},
        {"scroll bars", child(L"EDIT", WS_VSCROLL | ES_MULTILINE),
         [&](HWND h) { return CreateWrapper<TkvScrollWnd>(h, nullptr, manager, L"", true); }, true, false},
        {"edit", child(L"EDIT", WS_VSCROLL | ES_MULTILINE),
         [&](HWND h) { return CreateWrapper<TkvEditWnd>(h, nullptr, manager, L"EDIT", true); }, true, true},
        {"tab page", child(LoggingClass(), 0),
         [&](HWND h) { return CreateWrapper<TkvPageWnd>(h, nullptr, manager, L"TABSHEET", true); }, true, true},
        {"dialog", CreateWindowExW(0, LoggingClass(), L"box", WS_POPUP | WS_CAPTION | WS_VISIBLE, 50, 50, 200, 150,
                                   form->Handle(), nullptr, GetModuleHandleW(nullptr), nullptr),
         [&](HWND h) { return CreateWrapper<TkvDialogWnd>(h, nullptr, manager, L"DIALOG", true); }, true, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        std::unique_ptr<TkvMainWnd> w(r.make(r.wnd));
        ASSERT_EQ(GetWrapper(r.wnd), w.get());
        const String section = w->CommonData->SkinSection();
        // Valid pointers of another thread: a handler that trusted them would change them.
        TsSetSectionRecord record{0, L"GLASS"};
        int index = 77;
        TsBgRequest request;
        request.Kind = bgNotReady;
        uint8_t look = 9;
        struct Command {
            unsigned cmd;
            void* pointer;
        } commands[] = {{SkinCmdSetSection, &record},
                        {SkinCmdGetSectionIndex, &index},
                        {SkinCmdGetBackground, &request},
                        {SkinCmdQueryDisabledLook, &look}};
        std::vector<LRESULT> answers;
        std::atomic<bool> done{false};
        std::thread other([&] {
            for (const Command& c : commands) {
                // A pointer that any read or write would fault on, posted...
                PostMessageW(r.wnd, SkinCommandMessage, MakeSkinCmdWParam(c.cmd), LPARAM(0x10));
                // ... and a valid one of this thread, sent.
                answers.push_back(SendMessageW(r.wnd, SkinCommandMessage, MakeSkinCmdWParam(c.cmd), LPARAM(c.pointer)));
            }
            done = true;
        });
        for (int i = 0; i < 400 && !done; ++i)
            Pump(5);
        other.join();
        Pump(20);   // the posted ones
        ASSERT_EQ(answers.size(), std::size(commands));
        for (size_t i = 0; i < answers.size(); ++i)
            EXPECT_EQ(answers[i], 0) << "command " << commands[i].cmd;
        EXPECT_EQ(index, 77);
        EXPECT_EQ(request.Kind, bgNotReady);
        EXPECT_EQ(look, 9);
        EXPECT_EQ(w->CommonData->SkinSection(), section);
        // From this thread, with the library's own send routines, the background is answered.
        TsBgRequest asked;
        if (r.answersBackground) {
            EXPECT_EQ(GetParentBgByHandle(asked, r.wnd, false), 1);
        }
        w.reset();
        if (r.ownWindow) DestroyWindow(r.wnd);
    }
}
