// The window-wrapper root on real windows: the three ways of taking a window
// over and giving it back, a foreign subclass on top of a wrapper, the
// messages the wrapper keeps from the window, the skin commands it answers,
// and the lookups by window.
#include "tests/skin/SkinRuntimeFixture.h"

#include "classlib/StdCtrls.h"
#include "skin/controls/MainWnd.h"

using namespace skintest;

namespace {

// The native window under test: every message it receives is counted by number.
std::map<UINT, int> baseSeen;

LRESULT CALLBACK LoggingProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    ++baseSeen[msg];
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

TEST_P(MainWndTest, FreeingTheWrapperGivesTheWindowBack)
{
    TsCommonData* data = nullptr;
    HWND wnd = Make(GetParam(), data);
    Installed before = Now(wnd);
    delete CreateWrapper<TkvMainWnd>(wnd, data, manager, L"PANEL");
    EXPECT_TRUE(Now(wnd) == before);
    EXPECT_EQ(GetWrapper(wnd), nullptr);
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

}  // namespace
