// Hooks on the application window: they see its messages first, newest first,
// a hook that handles a message stops it, hooks can be removed (also while
// they run), and becoming the active application reaches them as CM_ACTIVATE.
#include <gtest/gtest.h>

#include <vector>

#include "classlib/Forms.h"

namespace {

struct Recorder {
    std::vector<UINT> seen;
    bool handle = false;
    LRESULT answer = 0;
    bool Hook(TMessage& m)
    {
        seen.push_back(m.Msg);
        if (handle)
            m.Result = answer;
        return handle;
    }
};

constexpr UINT kProbe = WM_APP + 77;

}  // namespace

TEST(ApplicationHooks, SeenNewestFirstAndStoppedWhenHandled)
{
    HWND app = Application->Handle();
    int base = Application->MainWindowHookCount();
    Recorder first, second;
    TWindowHook h1(&first, &Recorder::Hook), h2(&second, &Recorder::Hook);
    Application->HookMainWindow(h1);
    Application->HookMainWindow(h2);
    Application->HookMainWindow(h2);   // once only
    EXPECT_EQ(Application->MainWindowHookCount(), base + 2);
    SendMessageW(app, kProbe, 0, 0);
    EXPECT_EQ(first.seen, std::vector<UINT>{kProbe});
    EXPECT_EQ(second.seen, std::vector<UINT>{kProbe});
    second.handle = true;
    second.answer = 1234;
    EXPECT_EQ(SendMessageW(app, kProbe, 0, 0), 1234);
    EXPECT_EQ(first.seen.size(), 1u);   // the newer hook handled it
    Application->UnhookMainWindow(h2);
    EXPECT_EQ(SendMessageW(app, kProbe, 0, 0), 0);
    EXPECT_EQ(first.seen.size(), 2u);
    EXPECT_EQ(second.seen.size(), 2u);
    Application->UnhookMainWindow(h1);
    EXPECT_EQ(Application->MainWindowHookCount(), base);
    SendMessageW(app, kProbe, 0, 0);
    EXPECT_EQ(first.seen.size(), 2u);
}

TEST(ApplicationHooks, RemovedWhileRunningAndActivation)
{
    HWND app = Application->Handle();
    Recorder older;
    TWindowHook hOlder(&older, &Recorder::Hook);
    Application->HookMainWindow(hOlder);
    int calls = 0;
    TWindowHook remover = [&](TMessage& m) {
        ++calls;
        if (m.Msg == kProbe)
            Application->UnhookMainWindow(hOlder);   // the older one must not be called now
        return false;
    };
    Application->HookMainWindow(remover);
    SendMessageW(app, kProbe, 0, 0);
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(older.seen.empty());
    // Activation of the application reaches the hooks as CM_ACTIVATE; deactivation as itself.
    std::vector<UINT> seen;
    TWindowHook watcher = [&](TMessage& m) {
        seen.push_back(m.Msg);
        return false;
    };
    Application->HookMainWindow(watcher);
    SendMessageW(app, WM_ACTIVATEAPP, TRUE, 0);
    SendMessageW(app, WM_ACTIVATEAPP, FALSE, 0);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], CM_ACTIVATE);
    EXPECT_EQ(seen[1], UINT(WM_ACTIVATEAPP));
    Application->UnhookMainWindow(watcher);
    Application->UnhookMainWindow(remover);
}
