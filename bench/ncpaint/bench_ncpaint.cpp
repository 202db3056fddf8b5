// Non-client repaint benchmark. Two memos of the same size and text with both
// scroll bars stand on a form; the sample skin is loaded and one of them gets
// skinned scroll bars. We time a full non-client repaint (WM_NCPAINT with the
// whole frame) of
//   - the skinned memo: the system's frame, then both bars and the corner
//     painted from the skin, and
//   - the reference: the other memo, painted by the system alone.
// Before timing, the skinned bar is checked to show the skin (its arrow's
// frame line in the skin's border colour) and the plain one not.
// Prints the median of several runs of 200 repaints each and the ratio.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"
#include "skin/controls/ScrollWnd.h"
#include "skin/core/SkinManager.h"
#include "skin/forms/Startup.h"
#include "SkinBench.h"

namespace {

using winebench::Median;
using winebench::Now;
using winebench::Pump;

TMemo* NewMemo(TForm* form, int x)
{
    auto* memo = new TMemo(form);
    memo->SetParent(form);
    memo->SetBounds(x, 10, 300, 400);
    memo->SetWordWrap(false);
    memo->SetScrollBars(TScrollStyle::ssBoth);
    String text;
    for (int i = 0; i < 300; ++i)
        text += L"line " + std::to_wstring(i) + L" of a memo long enough to scroll both ways, both ways\r\n";
    memo->Lines().SetText(text);
    return memo;
}

// The colour at the middle of the top edge of the vertical bar's first arrow.
COLORREF ArrowTop(HWND wnd, const RECT& bar)
{
    RECT w;
    GetWindowRect(wnd, &w);
    HDC dc = GetWindowDC(wnd);
    COLORREF c = GetPixel(dc, (bar.left + bar.right) / 2 - w.left, bar.top - w.top);
    ReleaseDC(wnd, dc);
    return c;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    const int runs = winebench::NumberArgument(argc, argv, L"--runs", 9), repaints = 200;
    winebench::SkinLibrary library;
    int rc = 0;
    {
        auto* form = new TForm(Application);
        form->SetBounds(0, 0, 660, 460);
        TMemo* skinned = NewMemo(form, 10);
        TMemo* plain = NewMemo(form, 330);
        form->Show();
        Pump();
        auto* m = winebench::NewSampleSkinManager();
        Pump();
        TkvScrollWnd* w = CreateWrapper<TkvScrollWnd>(skinned->Handle(), nullptr, m, L"", true);
        Pump();
        COLORREF border = m->Palette()[27];
        RECT bar = w->VertBarRect();
        RECT plainWindow, skinnedWindow;
        GetWindowRect(plain->Handle(), &plainWindow);
        GetWindowRect(skinned->Handle(), &skinnedWindow);
        OffsetRect(&bar, plainWindow.left - skinnedWindow.left, 0);
        if (!m->SkinData().Active || !w->VertBar->Visible || !w->HorzBar->Visible ||
            ArrowTop(skinned->Handle(), w->VertBarRect()) != border || ArrowTop(plain->Handle(), bar) == border) {
            std::printf("the skinned memo does not show the skin's bars\n");
            rc = 1;
        }
        std::vector<double> ours, ref;
        for (int r = 0; r < runs && rc == 0; ++r) {
            double t0 = Now();
            for (int i = 0; i < repaints; ++i) SendMessageW(skinned->Handle(), WM_NCPAINT, 1, 0);
            GdiFlush();
            double t1 = Now();
            for (int i = 0; i < repaints; ++i) SendMessageW(plain->Handle(), WM_NCPAINT, 1, 0);
            GdiFlush();
            double t2 = Now();
            ours.push_back((t1 - t0) * 1000.0 / repaints);
            ref.push_back((t2 - t1) * 1000.0 / repaints);
            Pump();
        }
        if (rc == 0) {
            double o = Median(ours), f = Median(ref);
            bench::Row("memo non-client repaint, both bars skinned", o, f, "the system's repaint");
        }
        delete w;
        Free(m);
        Free(form);
    }
    return rc;
}
