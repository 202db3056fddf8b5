#include "tests/skinapp/Faults.h"

#include <cwchar>

namespace {

PlantedFault g_fault;
int g_clicks = 0;

// Every paint makes a brush it never frees.
void Painted() { CreateSolidBrush(RGB(200, 10, 10)); }

// Paint messages the thread takes from its queue, in every loop, and clicks.
LRESULT CALLBACK QueuedHook(int code, WPARAM wParam, LPARAM lParam)
{
    const MSG* m = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && m) {
        if (g_fault.Kind == PlantedFault::Leak && m->message == WM_PAINT) Painted();
        if (g_fault.Kind == PlantedFault::Hang && m->message == WM_LBUTTONDOWN && ++g_clicks >= g_fault.Clicks)
            for (;;) Sleep(1000);   // the planted hang
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Paint messages sent to the window (an update asked for at once).
LRESULT CALLBACK SentHook(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && m && m->message == WM_PAINT) Painted();
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

bool ParsePlantedFault(const String& text, PlantedFault& out)
{
    if (text == L"leak") {
        out = PlantedFault{PlantedFault::Leak, 0};
        return true;
    }
    if (text.rfind(L"hang:", 0) != 0 || text.size() == 5) return false;
    wchar_t* end = nullptr;
    const long n = std::wcstol(text.c_str() + 5, &end, 10);
    if (*end != 0 || n < 1 || n > 1000000) return false;
    out = PlantedFault{PlantedFault::Hang, int(n)};
    return true;
}

void PlantFault(const PlantedFault& fault)
{
    if (fault.Kind == PlantedFault::None) return;
    g_fault = fault;
    SetWindowsHookExW(WH_GETMESSAGE, QueuedHook, nullptr, GetCurrentThreadId());
    if (fault.Kind == PlantedFault::Leak) SetWindowsHookExW(WH_CALLWNDPROC, SentHook, nullptr, GetCurrentThreadId());
}
