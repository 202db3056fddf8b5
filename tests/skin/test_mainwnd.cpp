// The window-wrapper root on real windows: the three ways of taking a window
// over and giving it back, a foreign subclass on top of a wrapper, the
// messages the wrapper keeps from the window, the skin commands it answers,
// and the lookups by window.
#include "tests/skin/SkinRuntimeFixture.h"

#include <algorithm>

#include "classlib/StdCtrls.h"
#include "skin/controls/MainWnd.h"

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

TEST_P(MainWndTest, AttachesAndDetaches)
{
    TsCommonData* data = nullptr;
    HWND wnd = Make(GetParam(), data);
    Installed before = Now(wnd);

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

    EXPECT_TRUE(UnhookWindow(wnd, true, false, w));
    EXPECT_EQ(w, nullptr);
    EXPECT_TRUE(Now(wnd) == before);
    EXPECT_EQ(GetWrapper(wnd), nullptr);
    EXPECT_EQ(GetPropW(wnd, L"KVSBSC"), nullptr);
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
// left-over layer: by handle for a native window, by WindowProc for a control.
TEST_F(MainWnd, ForeignSubclassOnTopSurvivesTheWrapper)
{
    for (Mode mode : {Mode::Native, Mode::Control}) {
        SCOPED_TRACE(mode == Mode::Native ? "native" : "control");
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
    send(SkinCmdSetSection, LPARAM(&section));
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

}  // namespace
