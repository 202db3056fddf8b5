// Real message boxes for the dialog-skinning tests: a box opened from a timer,
// inspected from a second timer inside its modal loop and answered; a watchdog
// that cancels any box left open; the fixture with the sample skin and the
// dialog hook on.
#pragma once
#include "tests/skin/SkinRuntimeFixture.h"

#include <functional>
#include <vector>

#include "skin/controls/MainWnd.h"
#include "skin/forms/Dialogs.h"
#include "skin/graphics/Constants.h"

namespace dialogboxes {

using namespace skintest;


// Timers: each step is one CALLBACK timer procedure that runs inside the modal
// loop of the box open at that moment.
inline std::function<void()> stepOpen, stepInspect;
inline int boxResult = 0;
inline DWORD watchdogStart = 0;

inline void CALLBACK OpenTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    if (auto f = std::exchange(stepOpen, nullptr)) f();
}

inline std::vector<HWND> Boxes();

// Runs the inspection once a box shows (it may take a moment to appear).
inline void CALLBACK InspectTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    if (Boxes().empty()) {
        SetTimer(nullptr, 0, 20, InspectTimer);
        return;
    }
    if (auto f = std::exchange(stepInspect, nullptr)) f();
}

inline BOOL CALLBACK CollectBoxes(HWND w, LPARAM l)
{
    wchar_t cls[16] = {};
    GetClassNameW(w, cls, 16);
    if (wcscmp(cls, L"#32770") == 0 && IsWindowVisible(w))
        reinterpret_cast<std::vector<HWND>*>(l)->push_back(w);
    return TRUE;
}

// The visible dialog boxes of this thread, newest first.
inline std::vector<HWND> Boxes()
{
    std::vector<HWND> out;
    EnumThreadWindows(GetCurrentThreadId(), CollectBoxes, LPARAM(&out));
    return out;
}

// Cancels every box still open a few seconds after the last one was opened,
// so no test can hang.
inline void CALLBACK Watchdog(HWND, UINT, UINT_PTR, DWORD)
{
    if (GetTickCount() - watchdogStart < 8000) return;
    for (HWND b : Boxes()) PostMessageW(b, WM_COMMAND, IDCANCEL, 0);
    HWND menuOwner = GetCapture();
    if (menuOwner) EndMenu();
}

struct WatchdogScope {
    UINT_PTR id;
    WatchdogScope()
    {
        watchdogStart = GetTickCount();
        id = SetTimer(nullptr, 0, 500, Watchdog);
    }
    ~WatchdogScope()
    {
        KillTimer(nullptr, id);
        stepOpen = stepInspect = nullptr;
    }
};

// Opens a message box from a timer, runs inspect from a second timer inside
// its modal loop, and pumps until the box has returned (bounded).
inline int RunBox(const wchar_t* text, UINT flags, std::function<void()> inspect)
{
    boxResult = -1;
    watchdogStart = GetTickCount();
    bool done = false;
    stepOpen = [&] {
        stepInspect = std::move(inspect);
        SetTimer(nullptr, 0, 60, InspectTimer);
        boxResult = MessageBoxW(nullptr, text, L"Проверка", flags);
        done = true;
    };
    SetTimer(nullptr, 0, 10, OpenTimer);
    for (DWORD start = GetTickCount(); !done && GetTickCount() - start < 10000;) Pump(5);
    return boxResult;
}

inline bool HasWrapper(HWND w) { return GetPropW(w, WrapperPropName) != nullptr; }

inline bool AnswersSkinned(HWND w)
{
    return SendMessageW(w, SkinCommandMessage, MakeSkinCmdWParam(SkinCmdIsSkinned), 0) == 1;
}

inline POINT Centre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

class Dialogs : public SkinRuntime {
protected:
    void SetUp() override
    {
        SkinRuntime::SetUp();
        SkinHooks.DialogHookProc = DialogHookProc;
        manager = SampleManager();
        ASSERT_TRUE(manager->SkinData().Active);
        ASSERT_NE(SkinnedDialogs(), nullptr);
    }
    void TearDown() override
    {
        SkinRuntime::TearDown();
    }
    TsSkinManager* manager = nullptr;
    WatchdogScope watchdog;
};


}  // namespace dialogboxes
