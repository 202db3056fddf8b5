// Taking over window procedures on real windows: layers over a raw window and
// hooks on a control's WindowProc, stacked and taken off in either order,
// windows destroyed in the middle of a nested message, and a layer freed
// while someone else's subclass sits above it.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "classlib/Subclass.h"
#include "support/GuiTest.h"

namespace {

constexpr UINT kProbe = WM_APP + 40;
constexpr UINT kOuter = WM_APP + 41;
constexpr UINT kInner = WM_APP + 42;

std::vector<std::string> journal;
std::function<void()> onDestroy;   // runs inside a base window's WM_DESTROY

LRESULT CALLBACK BaseProc(HWND wnd, UINT msg, WPARAM w, LPARAM l)
{
    if (msg == kProbe) {
        journal.push_back("base");
        return 7;
    }
    if (msg == WM_DESTROY && onDestroy) onDestroy();
    return DefWindowProcW(wnd, msg, w, l);
}

HWND MakeBaseWindow(HWND parent = nullptr)
{
    static bool registered = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = BaseProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"SubclassTestBase";
        return RegisterClassW(&wc) != 0;
    }();
    EXPECT_TRUE(registered);
    return CreateWindowExW(0, L"SubclassTestBase", L"", parent ? WS_CHILD : WS_OVERLAPPED, 0, 0, 50, 50, parent,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
}

// A foreign subclass, installed the plain way.
WNDPROC foreignPrevious = nullptr;
LRESULT CALLBACK ForeignProc(HWND wnd, UINT msg, WPARAM w, LPARAM l)
{
    if (msg == kProbe) journal.push_back("foreign");
    return CallWindowProcW(foreignPrevious, wnd, msg, w, l);
}

class Tagger : public TSubclass {
public:
    explicit Tagger(std::string tag) : tag_(std::move(tag)) {}

protected:
    void WndProc(TMessage& m) override
    {
        if (m.Msg == kProbe) journal.push_back(tag_);
        CallPrevious(m);
    }

private:
    std::string tag_;
};

std::vector<std::string> Probe(HWND wnd, LRESULT* result = nullptr)
{
    journal.clear();
    LRESULT r = SendMessageW(wnd, kProbe, 0, 0);
    if (result) *result = r;
    return journal;
}

using Log = std::vector<std::string>;

// Two hooks A (first) and B (on top of it), of either kind, through one face.
struct Chain {
    virtual ~Chain() = default;
    virtual void Hook() = 0;          // A, then B
    virtual bool Unhook(bool b) = 0;  // B when b, else A
    virtual Log Probe() = 0;
    virtual bool Clean() = 0;         // the window's own procedure is installed again
};

struct RawChain : Chain {
    HWND wnd = MakeBaseWindow();
    Tagger a{"A"}, b{"B"};
    ~RawChain() override { DestroyWindow(wnd); }
    void Hook() override
    {
        ASSERT_TRUE(a.Hook(wnd));
        ASSERT_TRUE(b.Hook(wnd));
    }
    bool Unhook(bool top) override { return top ? b.Unhook() : a.Unhook(); }
    Log Probe() override
    {
        LRESULT r = 0;
        Log log = ::Probe(wnd, &r);
        EXPECT_EQ(r, 7);   // the window's own answer comes back through every layer
        return log;
    }
    bool Clean() override { return WNDPROC(GetWindowLongPtrW(wnd, GWLP_WNDPROC)) == BaseProc; }
};

struct DelegateChain : Chain {
    TWinControl* control = new TWinControl(nullptr);
    TWindowProcHook a, b;
    ~DelegateChain() override
    {
        b.Unhook();
        a.Unhook();
        Free(control);
    }
    TWndMethod Tag(const char* tag)
    {
        return [this, tag](TMessage& m) {
            if (m.Msg == kProbe) journal.push_back(tag);
            (tag[0] == 'A' ? a : b).CallPrevious(m);
        };
    }
    void Hook() override
    {
        ASSERT_TRUE(a.Hook(control, Tag("A")));
        ASSERT_TRUE(b.Hook(control, Tag("B")));
    }
    bool Unhook(bool top) override { return top ? b.Unhook() : a.Unhook(); }
    Log Probe() override
    {
        journal.clear();
        control->Perform(kProbe);
        return journal;
    }
    bool Clean() override { return control->WindowProc == TWndMethod(control, &TControl::WndProc); }
};

struct StackCase {
    const char* name;
    bool raw;
    bool topFirst;
};

class StackedHooks : public testing::TestWithParam<StackCase> {};

TEST_P(StackedHooks, ComeOffInEitherOrderAndLeaveTheChainClean)
{
    const StackCase& c = GetParam();
    std::unique_ptr<Chain> chain;
    if (c.raw)
        chain = std::make_unique<RawChain>();
    else
        chain = std::make_unique<DelegateChain>();
    const Log base = c.raw ? Log{"base"} : Log{};
    auto with = [&](Log head) {
        head.insert(head.end(), base.begin(), base.end());
        return head;
    };
    chain->Hook();
    EXPECT_EQ(chain->Probe(), with({"B", "A"}));
    if (c.topFirst) {
        EXPECT_TRUE(chain->Unhook(true));
        EXPECT_EQ(chain->Probe(), with({"A"}));
        EXPECT_TRUE(chain->Unhook(false));
    } else {
        // A is under B: it stays in the chain and passes everything on.
        EXPECT_FALSE(chain->Unhook(false));
        EXPECT_EQ(chain->Probe(), with({"B"}));
        EXPECT_FALSE(chain->Clean());
        // B comes off, and the pass-through A under it goes too.
        EXPECT_TRUE(chain->Unhook(true));
    }
    EXPECT_EQ(chain->Probe(), with({}));
    EXPECT_TRUE(chain->Clean());
    // Both can hook again.
    chain->Hook();
    EXPECT_EQ(chain->Probe(), with({"B", "A"}));
}

INSTANTIATE_TEST_SUITE_P(Subclass, StackedHooks,
                         testing::Values(StackCase{"RawTopFirst", true, true}, StackCase{"RawBottomFirst", true, false},
                                         StackCase{"DelegateTopFirst", false, true},
                                         StackCase{"DelegateBottomFirst", false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// Destroys its window inside a nested message and releases itself when told
// the window is gone.
class Destroyer : public TSubclass {
public:
    bool* freed;
    int destroyedCalls = 0;
    bool freedDuringOuter = true, hookedAfterInner = true;
    explicit Destroyer(bool* f) : freed(f) {}
    ~Destroyer() override { *freed = true; }

protected:
    void WndProc(TMessage& m) override
    {
        if (m.Msg == kOuter) {
            HWND wnd = Window();
            SendMessageW(wnd, kInner, 0, 0);
            // The window is gone, this object is not: it goes once this returns.
            freedDuringOuter = *freed;
            hookedAfterInner = Hooked();
            m.Result = 5;
            return;
        }
        if (m.Msg == kInner) {
            DestroyWindow(Window());
            return;
        }
        CallPrevious(m);
    }
    void WindowDestroyed() override
    {
        ++destroyedCalls;
        Release();
    }
};

TEST(Subclass, WindowDestroyedInsideANestedMessage)
{
    HWND wnd = MakeBaseWindow();
    bool freed = false;
    auto* d = new Destroyer(&freed);
    ASSERT_TRUE(d->Hook(wnd));
    int calls = 0;
    bool freedDuringOuter = true, hookedAfterInner = true;
    // The object is read back through the counters it leaves before it goes.
    struct Watch : TSubclass {
        Destroyer* d;
        int* calls;
        bool *outer, *hooked;
        void WndProc(TMessage& m) override
        {
            CallPrevious(m);
            if (m.Msg == kOuter) {
                *calls = d->destroyedCalls;
                *outer = d->freedDuringOuter;
                *hooked = d->hookedAfterInner;
            }
        }
    };
    // Watch sits on top, so its frame is the outermost one: d must still be
    // alive when the message comes back to it.
    Watch w;
    w.d = d;
    w.calls = &calls;
    w.outer = &freedDuringOuter;
    w.hooked = &hookedAfterInner;
    ASSERT_TRUE(w.Hook(wnd));
    EXPECT_EQ(SendMessageW(wnd, kOuter, 0, 0), 5);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(freedDuringOuter);
    EXPECT_FALSE(hookedAfterInner);
    EXPECT_TRUE(freed);   // released when the last of our frames returned
    EXPECT_FALSE(IsWindow(wnd));
    EXPECT_FALSE(w.Hooked());
}

TEST(Subclass, FreedLayerUnderAForeignSubclassPassesMessagesOn)
{
    HWND wnd = MakeBaseWindow();
    auto* layer = new Tagger("ours");
    ASSERT_TRUE(layer->Hook(wnd));
    foreignPrevious = WNDPROC(SetWindowLongPtrW(wnd, GWLP_WNDPROC, LONG_PTR(ForeignProc)));
    EXPECT_EQ(Probe(wnd), (Log{"foreign", "ours", "base"}));
    layer->Release();   // freed now: none of our procedures is running
    LRESULT r = 0;
    EXPECT_EQ(Probe(wnd, &r), (Log{"foreign", "base"}));
    EXPECT_EQ(r, 7);
    EXPECT_EQ(WNDPROC(GetWindowLongPtrW(wnd, GWLP_WNDPROC)), ForeignProc);
    // A new layer of ours goes on top of the foreign one.
    Tagger again("again");
    ASSERT_TRUE(again.Hook(wnd));
    EXPECT_EQ(Probe(wnd), (Log{"again", "foreign", "base"}));
    EXPECT_TRUE(again.Unhook());
    // The foreign subclass leaves the plain way; messages still arrive.
    SetWindowLongPtrW(wnd, GWLP_WNDPROC, LONG_PTR(foreignPrevious));
    EXPECT_EQ(Probe(wnd, &r), Log{"base"});
    EXPECT_EQ(r, 7);
    EXPECT_TRUE(DestroyWindow(wnd));
}

// Counts how often it is told its window is gone.
class DestroyCounter : public TSubclass {
public:
    int destroyed = 0;

protected:
    void WindowDestroyed() override { ++destroyed; }
};

struct CutCase {
    const char* what;
    bool cutOut;          // a foreign subclass under ours leaves carelessly, taking ours out of the chain
    bool underParent;     // the window is a child, and its parent is the one destroyed
    bool parentHooked;    // that parent has a layer of ours too
    bool nestedLoop;      // the window's WM_DESTROY runs a message loop of its own
};

// Whether or not our procedure still sees WM_NCDESTROY, the window's call
// record goes with the window and its layer is told once, after the window is
// gone: destroyed itself or with its parent, and also when its destruction
// runs a message loop (the window is still there meanwhile).
TEST(Subclass, RecordGoesWithTheWindowEvenWhenCutOutOfTheChain)
{
    const CutCase cases[] = {
        {"in the chain", false, false, false, false},
        {"cut out", true, false, false, false},
        {"cut out, parent without a record destroyed", true, true, false, false},
        {"cut out, parent with a record destroyed", true, true, true, false},
        {"cut out, message loop in WM_DESTROY", true, false, false, true},
        {"cut out, parent destroyed, message loop in WM_DESTROY", true, true, false, true},
    };
    for (const CutCase& c : cases) {
        SCOPED_TRACE(c.what);
        HWND parent = c.underParent ? MakeBaseWindow() : nullptr;
        HWND wnd = MakeBaseWindow(parent);
        ASSERT_TRUE(wnd);
        DestroyCounter parentLayer, layer;
        if (c.parentHooked) {
            ASSERT_TRUE(parentLayer.Hook(parent));
        }
        if (c.cutOut) foreignPrevious = WNDPROC(SetWindowLongPtrW(wnd, GWLP_WNDPROC, LONG_PTR(ForeignProc)));
        ASSERT_TRUE(layer.Hook(wnd));
        if (c.cutOut) SetWindowLongPtrW(wnd, GWLP_WNDPROC, LONG_PTR(foreignPrevious));
        ASSERT_NE(TWindowRecord::Find(wnd), nullptr);
        int toldDuringDestroy = -1;
        if (c.nestedLoop)
            onDestroy = [&] {
                if (!IsWindow(wnd) || toldDuringDestroy >= 0) return;
                Pump(60);   // long enough for a sweep to run in here
                toldDuringDestroy = layer.destroyed;
            };
        EXPECT_TRUE(DestroyWindow(parent ? parent : wnd));
        onDestroy = nullptr;
        EXPECT_FALSE(IsWindow(wnd));
        Pump(20);
        for (int waited = 0; TWindowRecord::Find(wnd) && waited < 1000; waited += 10) Pump(10);
        EXPECT_EQ(TWindowRecord::Find(wnd), nullptr);
        EXPECT_EQ(layer.destroyed, 1);
        EXPECT_FALSE(layer.Hooked());
        if (c.nestedLoop) {
            EXPECT_EQ(toldDuringDestroy, 0);
        }
        if (c.parentHooked) {
            EXPECT_EQ(parentLayer.destroyed, 1);
            EXPECT_EQ(TWindowRecord::Find(parent), nullptr);
        }
    }
}

TEST(Subclass, RefusesWhatItCannotHook)
{
    Tagger t("t");
    EXPECT_FALSE(t.Hook(nullptr));
    EXPECT_FALSE(t.Unhook());
    HWND wnd = MakeBaseWindow();
    std::vector<std::unique_ptr<Tagger>> layers;
    for (int i = 0; i < TSubclass::kMaxLayers; ++i) {
        layers.push_back(std::make_unique<Tagger>("x"));
        ASSERT_TRUE(layers.back()->Hook(wnd));
    }
    EXPECT_FALSE(layers.back()->Hook(wnd));   // hooked already
    EXPECT_FALSE(t.Hook(wnd));                // no procedure left for this window
    layers.clear();                           // they come off from the first: LIFO peeling cleans up
    EXPECT_EQ(WNDPROC(GetWindowLongPtrW(wnd, GWLP_WNDPROC)), BaseProc);
    EXPECT_TRUE(t.Hook(wnd));
    DestroyWindow(wnd);
    EXPECT_FALSE(t.Hooked());
}

}  // namespace
