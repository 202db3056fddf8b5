// soak_crasher.exe: a window (class SoakCrasher) that crashes on the first key
// or click it gets, after a line on its standard output. The soak's own tests
// run the soak on it to see that a crash is caught with what Wine writes.
#include <windows.h>

#include <cstdio>

namespace {

LRESULT CALLBACK CrasherProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == WM_LBUTTONDOWN || m == WM_RBUTTONDOWN || m == WM_KEYDOWN || m == WM_CHAR || m == WM_SYSKEYDOWN ||
        m == WM_MOUSEWHEEL) {
        std::printf("soak_crasher: input, crashing now\n");
        std::fflush(stdout);
        volatile int* nowhere = nullptr;
        *nowhere = 1;
    }
    if (m == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(w, m, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, LPWSTR, int)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = CrasherProc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = HBRUSH(COLOR_WINDOW + 1);
    wc.lpszClassName = L"SoakCrasher";
    RegisterClassW(&wc);
    HWND w = CreateWindowExW(0, L"SoakCrasher", L"crasher", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 600, 400,
                             nullptr, nullptr, inst, nullptr);
    SetForegroundWindow(w);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
