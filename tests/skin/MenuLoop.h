// Helpers of the tests that open real menus under the sample skin: a modal
// menu loop driven and always ended by a timer, the visible menu window,
// screen pixels, the colour of a skin section, and menu windows wrapped as
// the dialog skinning wraps them.
#pragma once
#include <windows.h>

#include <functional>

#include "classlib/Classes.h"
#include "classlib/Graphics.h"
#include "skin/controls/MenuWnd.h"
#include "skin/core/SkinManager.h"
#include "support/GuiTest.h"

namespace menuloop {

// The visible "#32768" window (the last one found: the deepest sub-menu).
inline HWND VisibleMenuWindow()
{
    HWND found = nullptr;
    for (HWND w = FindWindowExW(nullptr, nullptr, L"#32768", nullptr); w; w = FindWindowExW(nullptr, w, L"#32768", nullptr))
        if (IsWindowVisible(w)) found = w;
    return found;
}

inline std::function<bool(int tick)> onTick;   // true: the menu is to end now
inline int ticks = 0;
constexpr int kMaxTicks = 100;                 // 30 ms each: the loop ends after 3 s whatever happens

inline void CALLBACK MenuTimer(HWND, UINT, UINT_PTR, DWORD)
{
    ++ticks;
    bool done = ticks >= kMaxTicks;
    if (!done && onTick) done = onTick(ticks);
    if (done) {
        if (HWND menu = VisibleMenuWindow()) PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        EndMenu();
    }
}

// Runs action (which enters a menu loop) with the timer driving it.
inline void RunMenuLoop(const std::function<bool(int)>& tick, const std::function<void()>& action)
{
    onTick = tick;
    ticks = 0;
    UINT_PTR timer = SetTimer(nullptr, 0, 30, MenuTimer);
    action();
    KillTimer(nullptr, timer);
    onTick = nullptr;
    Pump(20);
}

inline uint32_t ScreenPixel(int x, int y)
{
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return uint32_t(c) & 0xFFFFFF;
}

// The colour of a section's state (0x00BBGGRR; all ones when the skin has no such section).
inline uint32_t SectionColor(TsSkinManager* m, const wchar_t* name, int state)
{
    int s = m->FindSectionIndex(name);
    return s < 0 ? 0xFFFFFFFF : uint32_t(m->gd()[size_t(s)].Props[size_t(state)].Color) & 0xFFFFFF;
}

// Menu windows get their wrapper while the object lives.
inline TsSkinManager* wrapManager = nullptr;
inline HHOOK cbtHook = nullptr;
inline LRESULT CALLBACK WrapMenuWindows(int code, WPARAM w, LPARAM l)
{
    if (code == HCBT_CREATEWND) AttachMenuWindow(HWND(w), wrapManager);
    return CallNextHookEx(cbtHook, code, w, l);
}
struct MenuWindowWrapping {
    explicit MenuWindowWrapping(TsSkinManager* m)
    {
        wrapManager = m;
        cbtHook = SetWindowsHookExW(WH_CBT, WrapMenuWindows, nullptr, GetCurrentThreadId());
    }
    ~MenuWindowWrapping()
    {
        UnhookWindowsHookEx(cbtHook);
        cbtHook = nullptr;
        wrapManager = nullptr;
        FreeMenuWrappers();
    }
};

}  // namespace menuloop
