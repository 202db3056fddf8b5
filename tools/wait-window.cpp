// wait-window.exe [--no-settle] CLASSNAME SECONDS [DESKTOP]
//
// Waits until a top-level window of class CLASSNAME exists and is visible, then waits
// about one second more so that it has painted (not with --no-settle, which timings use). With DESKTOP the window is looked for on
// that desktop (e.g. the virtual desktop the program runs in), which may not exist yet.
// Exit code: 0 when the window showed, 1 on timeout, 2 on bad arguments.
#include <windows.h>

#include <cwchar>
#include <cstdio>

namespace {

bool ParseSeconds(const wchar_t* text, double& seconds)
{
    wchar_t* end = nullptr;
    seconds = std::wcstod(text, &end);
    return end != text && *end == L'\0' && seconds >= 0;
}

// Moves this thread to the named desktop; false while that desktop does not exist.
bool AttachToDesktop(const wchar_t* name)
{
    HDESK desk = OpenDesktopW(name, 0, FALSE, DESKTOP_READOBJECTS | DESKTOP_ENUMERATE);
    if (!desk)
        return false;
    if (!SetThreadDesktop(desk)) {
        CloseDesktop(desk);
        return false;
    }
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    double seconds = 0;
    bool settle = true;
    if (argc > 1 && std::wcscmp(argv[1], L"--no-settle") == 0) {
        settle = false;
        --argc;
        ++argv;
    }
    if (argc < 3 || argc > 4 || !ParseSeconds(argv[2], seconds)) {
        std::fwprintf(stderr, L"usage: wait-window.exe [--no-settle] CLASSNAME SECONDS [DESKTOP]\n");
        return 2;
    }
    const wchar_t* className = argv[1];
    const wchar_t* desktop = argc == 4 ? argv[3] : nullptr;
    bool attached = desktop == nullptr;

    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000.0);
    for (;;) {
        if (!attached)
            attached = AttachToDesktop(desktop);
        if (attached) {
            HWND wnd = FindWindowW(className, nullptr);
            if (wnd && IsWindowVisible(wnd)) {
                if (settle)
                    Sleep(1000);
                return 0;
            }
        }
        if (GetTickCount64() >= deadline)
            break;
        Sleep(20);
    }
    if (!attached)
        std::fwprintf(stderr, L"wait-window: desktop \"%ls\" did not appear within %g s\n", desktop, seconds);
    else
        std::fwprintf(stderr, L"wait-window: no visible window of class \"%ls\" within %g s\n", className, seconds);
    return 1;
}
