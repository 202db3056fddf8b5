// Message-box benchmark: the time from the MessageBox call to the box's first
// complete paint, skinned beside plain, in the same run.
//
// The box has an owner window of our own. The dialog's modal loop sends the
// owner WM_ENTERIDLE each time its queue runs empty, and the queue holds a
// WM_PAINT while any window of the thread still has something to paint; so
// the first WM_ENTERIDLE at which the box is visible and neither it nor any
// of its children has an update region marks its first complete paint. The
// owner notes the time there and cancels the box. (A message box asks for no
// idle messages; a hook of the benchmark lets every box send them, plain and
// skinned alike.)
//
// The plain boxes are timed before the skin manager exists, the skinned ones
// with the sample skin active (default effects: no show animation). Each
// skinned box is checked to be skinned (it answers the is-skinned command
// and carries its wrapper). Prints the median of several runs of 20 boxes.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "classlib/Forms.h"
#include "skin/core/SkinManager.h"
#include "skin/graphics/Constants.h"
#include "skin/forms/Dialogs.h"
#include "skin/forms/Startup.h"
#include "SkinBench.h"

namespace {

using winebench::ExeFolder;
using winebench::Median;
using winebench::Now;
using winebench::Pump;

double shown = 0;      // the time of the first complete paint, 0 before it
bool skinnedBox = false;

BOOL CALLBACK FindUpdate(HWND child, LPARAM found)
{
    if (IsWindowVisible(child) && GetUpdateRect(child, nullptr, FALSE))
        *reinterpret_cast<bool*>(found) = true;
    return TRUE;
}

bool FullyPainted(HWND box)
{
    if (!IsWindowVisible(box) || GetUpdateRect(box, nullptr, FALSE))
        return false;
    bool pending = false;
    EnumChildWindows(box, FindUpdate, LPARAM(&pending));
    return !pending;
}

LRESULT CALLBACK OwnerProc(HWND wnd, UINT msg, WPARAM w, LPARAM l)
{
    if (msg == WM_ENTERIDLE && w == MSGF_DIALOGBOX) {
        HWND box = reinterpret_cast<HWND>(l);
        if (shown == 0 && FullyPainted(box)) {
            shown = Now();
            skinnedBox = SendMessageW(box, SkinCommandMessage, MakeSkinCmdWParam(SkinCmdIsSkinned), 0) == 1 &&
                         FindProviderByHandle(box) != nullptr;
            PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
        }
        return 0;
    }
    return DefWindowProcW(wnd, msg, w, l);
}

// A message box asks for no idle messages: the box is let send them, the
// same for plain and skinned boxes.
LRESULT CALLBACK LetBoxesIdle(int code, WPARAM w, LPARAM l)
{
    if (code == HCBT_CREATEWND || code == HCBT_ACTIVATE) {
        HWND wnd = reinterpret_cast<HWND>(w);
        wchar_t cls[16] = {};
        GetClassNameW(wnd, cls, 16);
        if (wcscmp(cls, L"#32770") == 0) {
            if (code == HCBT_CREATEWND && l)
                reinterpret_cast<CBT_CREATEWNDW*>(l)->lpcs->style &= ~LONG(DS_NOIDLEMSG);
            SetWindowLongPtrW(wnd, GWL_STYLE, GetWindowLongPtrW(wnd, GWL_STYLE) & ~LONG_PTR(DS_NOIDLEMSG));
        }
    }
    return CallNextHookEx(nullptr, code, w, l);
}

// Cancels a box that never gets fully painted, so the run always ends.
void CALLBACK Watchdog(HWND, UINT, UINT_PTR, DWORD)
{
    if (HWND box = FindWindowW(L"#32770", nullptr))
        PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
}

// Milliseconds from the call to the first complete paint of one box; -1 when
// the box never got there.
double TimeOneBox(HWND owner, bool& skinned)
{
    shown = 0;
    skinnedBox = false;
    const UINT_PTR watchdog = SetTimer(nullptr, 0, 5000, Watchdog);
    const double start = Now();
    MessageBoxW(owner, L"Save the changes made to this document before it is closed?", L"A message box",
                MB_YESNOCANCEL | MB_ICONQUESTION);
    KillTimer(nullptr, watchdog);
    skinned = skinnedBox;
    Pump();
    return shown > 0 ? (shown - start) * 1000.0 : -1;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    int runs = 7, boxes = 20;
    for (int i = 1; i + 1 < argc; ++i)
        if (String(argv[i]) == L"--runs") runs = std::max(1, _wtoi(argv[i + 1]));
    winebench::SkinLibrary library;
    int rc = 0;
    WNDCLASSW wc{};
    wc.lpfnWndProc = OwnerProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"BenchBoxOwner";
    RegisterClassW(&wc);
    HWND owner = CreateWindowExW(0, wc.lpszClassName, L"Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200,
                                 nullptr, nullptr, wc.hInstance, nullptr);
    Pump();
    HHOOK idle = SetWindowsHookExW(WH_CBT, LetBoxesIdle, nullptr, GetCurrentThreadId());
    // A box each first: the one-time work of the system (and of the skin) is done then.
    auto batch = [&](std::vector<double>& out, bool wantSkinned) {
        bool skinned = false;
        TimeOneBox(owner, skinned);
        for (int r = 0; r < runs && rc == 0; ++r) {
            std::vector<double> one;
            for (int i = 0; i < boxes; ++i) {
                const double ms = TimeOneBox(owner, skinned);
                if (ms < 0 || skinned != wantSkinned) {
                    std::printf("a %s box %s\n", wantSkinned ? "skinned" : "plain",
                                ms < 0 ? "was never fully painted" : "was not skinned as it should be");
                    rc = 1;
                    return;
                }
                one.push_back(ms);
            }
            out.push_back(Median(one));
        }
    };
    std::vector<double> plain, skinned;
    batch(plain, false);
    auto* m = winebench::NewSampleSkinManager();
    Pump();
    if (!m->SkinData().Active) {
        std::printf("the sample skin did not load\n");
        rc = 1;
    }
    if (rc == 0)
        batch(skinned, true);
    if (rc == 0) {
        const double o = Median(skinned), f = Median(plain);
        bench::Row("MessageBox to its first complete paint", o, f, "the same box unskinned");
    }
    Free(m);
    UnhookWindowsHookEx(idle);
    DestroyWindow(owner);
    return rc;
}
