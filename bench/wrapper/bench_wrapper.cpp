// Window-wrapper benchmark. Two native EDIT windows side by side on a form,
// under the sample skin; one is taken over by a window wrapper (its procedure
// subclassed by handle), the other is left alone. We time 100,000 messages
// sent to each (a mix of the ordinary traffic an edit gets: text length,
// selection, a line count and a mouse move), alternating rounds, and print
// the medians and their ratio. Both edits must answer every message alike.
// A third edit under a bare subclass layer that only passes messages on
// tells the share of the subclassing itself from the wrapper's own work.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "classlib/Forms.h"
#include "classlib/Subclass.h"
#include "skin/controls/MainWnd.h"
#include "skin/core/SkinManager.h"
#include "skin/forms/Startup.h"
#include "SkinBench.h"

namespace {

using winebench::Median;
using winebench::Now;
using winebench::Pump;

constexpr int kMessages = 100000;

// A subclass layer that passes every message on.
class TPassLayer : public TSubclass {};

// Sends kMessages messages; returns the sum of the answers (to compare the two edits).
LRESULT SendBatch(HWND edit)
{
    static const UINT msgs[] = {WM_GETTEXTLENGTH, EM_GETSEL, EM_GETLINECOUNT, WM_MOUSEMOVE};
    LRESULT sum = 0;
    for (int i = 0; i < kMessages; ++i) {
        UINT m = msgs[i & 3];
        sum += SendMessageW(edit, m, 0, m == WM_MOUSEMOVE ? MAKELPARAM(5, 5) : 0);
    }
    return sum;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    const int runs = winebench::NumberArgument(argc, argv, L"--runs", 11);
    winebench::SkinLibrary library;
    int rc = 0;
    {
        auto* form = new TForm(Application);
        form->SetBounds(0, 0, 400, 200);
        form->Show();
        HWND plain = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"Текст для замера", WS_CHILD | WS_VISIBLE, 10, 10,
                                     160, 24, form->Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
        HWND wrapped = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"Текст для замера", WS_CHILD | WS_VISIBLE, 200,
                                       10, 160, 24, form->Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
        HWND layered = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"Текст для замера", WS_CHILD | WS_VISIBLE, 10,
                                       50, 160, 24, form->Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
        TPassLayer pass;
        pass.Hook(layered);
        auto* m = winebench::NewSampleSkinManager();
        m->SetActive(true);
        TkvMainWnd* w = CreateWrapper<TkvMainWnd>(wrapped, nullptr, m, L"EDIT");
        Pump();
        if (!m->Active() || GetWrapper(wrapped) != w) {
            std::printf("the edit is not wrapped under an active skin\n");
            rc = 1;
        }
        if (rc == 0 && SendBatch(plain) != SendBatch(wrapped)) {
            std::printf("the wrapped edit answers differently\n");
            rc = 1;
        }
        std::vector<double> ours, ref, bare;
        for (int r = 0; r < runs && rc == 0; ++r) {
            double t0 = Now();
            SendBatch(wrapped);
            double t1 = Now();
            SendBatch(plain);
            double t2 = Now();
            SendBatch(layered);
            double t3 = Now();
            ours.push_back((t1 - t0) * 1000.0);
            ref.push_back((t2 - t1) * 1000.0);
            bare.push_back((t3 - t2) * 1000.0);
            Pump();
        }
        if (rc == 0) {
            double o = Median(ours), f = Median(ref);
            bench::Row("100,000 messages, wrapped native EDIT", o, f, "unwrapped EDIT");
            double b = Median(bare);
            bench::Row("100,000 messages, bare pass-through layer", b, f, "unwrapped EDIT");
        }
        delete w;
        Free(m);
        pass.Unhook();
        DestroyWindow(layered);
        DestroyWindow(plain);
        DestroyWindow(wrapped);
        Free(form);
    }
    return rc;
}
