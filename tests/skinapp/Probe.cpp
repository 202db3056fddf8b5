#include "tests/skinapp/Probe.h"

#include <windows.h>

#include <cstdio>
#include <vector>

#include "classlib/Forms.h"
#include "classlib/Subclass.h"
#include "skin/core/SkinManager.h"

namespace {

String ClassOf(HWND wnd)
{
    wchar_t cls[256] = {};
    GetClassNameW(wnd, cls, 256);
    return cls;
}

void Report(HWND wnd, const char* what)
{
    std::fprintf(stderr, "probe: %ls %p: %s\n", ClassOf(wnd).c_str(), static_cast<void*>(wnd), what);
}

bool OwnWindowProc(TControl* c) { return c->WindowProc == TWndMethod(c, &TControl::WndProc); }

// A form's provider (a frame's adapter) is a component the program put there:
// it stays in front of its form's WindowProc for as long as it lives, skinned
// or not, to see the skin come back. That hook is the provider's, not a
// wrapper's left behind.
bool HookedByItsProvider(TControl* c)
{
    for (int i = 0; i < c->ComponentCount(); ++i) {
        String cls = c->Components(i)->ClassName();
        if (cls == L"TsSkinProvider" || cls == L"TsFrameAdapter") return true;
    }
    return false;
}

// Controls without a window of their own (labels, images) under a windowed one.
int ForeignGraphicControls(TWinControl* parent)
{
    int bad = 0;
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* c = parent->Controls(i);
        if (!dynamic_cast<TWinControl*>(c) && !OwnWindowProc(c)) {
            std::fprintf(stderr, "probe: %ls '%ls': WindowProc is not its own\n", c->ClassName().c_str(), c->Name().c_str());
            ++bad;
        }
    }
    return bad;
}

int ForeignProcedures(HWND wnd)
{
    int bad = 0;
    const WNDPROC now = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(wnd, GWLP_WNDPROC));
    if (TWindowRecord* r = TWindowRecord::Find(wnd)) {
        for (const auto& layer : r->layers)
            if (layer->installed) {
                Report(wnd, layer->owner ? "a subclass layer is still installed" : "a pass-through layer is left");
                ++bad;
            }
        if (r->control && r->controlInstalled) {
            if (now != ControlWndProc) {
                Report(wnd, "the window procedure is not the control's");
                ++bad;
            }
            if (!OwnWindowProc(r->control)) {
                if (HookedByItsProvider(r->control)) {
                    Report(wnd, "WindowProc held by the form's own provider (kept while it lives)");
                } else {
                    Report(wnd, "the control's WindowProc is not its own");
                    ++bad;
                }
            }
            bad += ForeignGraphicControls(r->control);
        }
        return bad;
    }
    if (now != reinterpret_cast<WNDPROC>(GetClassLongPtrW(wnd, GCLP_WNDPROC))) {
        Report(wnd, "the window procedure is not its class's");
        ++bad;
    }
    return bad;
}

BOOL CALLBACK CollectWindow(HWND wnd, LPARAM param)
{
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(wnd);
    return TRUE;
}

BOOL CALLBACK CollectTop(HWND wnd, LPARAM param)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    if (pid == GetCurrentProcessId()) {
        CollectWindow(wnd, param);
        EnumChildWindows(wnd, CollectWindow, param);
    }
    return TRUE;
}

struct SoakProbe {
    bool OnMessage(TMessage& m)
    {
        static const UINT check = RegisterWindowMessageW(L"TalveraSkinOffCheck");
        if (m.Msg != check) return false;
        if (DefaultManager) DefaultManager->SetActive(false);
        // What the switch posted (repaints, wrappers let go) runs first.
        for (ULONGLONG end = GetTickCount64() + 300; GetTickCount64() < end;) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            Sleep(10);
        }
        std::vector<HWND> windows;
        EnumWindows(CollectTop, LPARAM(&windows));
        int bad = 0;
        for (HWND w : windows)
            if (IsWindow(w)) bad += ForeignProcedures(w);
        std::fprintf(stderr, "probe: skin off; %zu windows, %d without their own procedure\n", windows.size(), bad);
        std::fflush(stderr);
        m.Result = 1 + bad;
        return true;
    }
};

}  // namespace

void InstallSoakProbe()
{
    static SoakProbe probe;
    if (Application) Application->HookMainWindow(TWindowHook(&probe, &SoakProbe::OnMessage));
}
