// Form provider benchmark, two figures each beside its reference measured in
// the same run:
//   - WM_NCHITTEST over a grid of 400 points of an 800 x 600 form, answered
//     by the skin provider (skin frame, title buttons) beside the same points
//     answered by DefWindowProc on an unskinned form of the same size;
//   - 100 resize steps (SetWindowPos, 800 x 600 growing by 2 px a step and
//     back, each step painted) of the skinned form beside the unskinned one.
// Prints the median of several runs and the ratios (aim: resize at most 2x).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "classlib/Forms.h"
#include "skin/core/SkinManager.h"
#include "skin/forms/SkinProvider.h"
#include "skin/forms/Startup.h"
#include "SkinBench.h"

namespace {

using winebench::Median;
using winebench::Now;
using winebench::Pump;

volatile LRESULT answers = 0;

TForm* NewForm(int x)
{
    auto* f = new TForm(Application);
    f->SetBounds(x, 20, 800, 600);
    f->Show();
    Pump();
    return f;
}

// The time of 400 hit tests over a 20 x 20 grid of the window.
double HitTests(HWND wnd)
{
    RECT r{};
    GetWindowRect(wnd, &r);
    const double t0 = Now();
    LRESULT sum = 0;
    for (int i = 0; i < 20; ++i)
        for (int j = 0; j < 20; ++j) {
            const int x = r.left + (r.right - r.left) * i / 19 - (i == 19);
            const int y = r.top + (r.bottom - r.top) * j / 19 - (j == 19);
            sum += SendMessageW(wnd, WM_NCHITTEST, 0, MAKELPARAM(x, y));
        }
    const double t = Now() - t0;
    answers = answers + sum;   // the answers are used, so no call is left out
    return t;
}

// The time of 100 resize steps, each painted before the next.
double Resizes(HWND wnd)
{
    RECT r{};
    GetWindowRect(wnd, &r);
    const double t0 = Now();
    for (int s = 0; s < 100; ++s) {
        const int d = s < 50 ? 2 * s : 2 * (100 - s);
        SetWindowPos(wnd, nullptr, 0, 0, 800 + d, 600 + d, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        UpdateWindow(wnd);
    }
    const double t = Now() - t0;
    SetWindowPos(wnd, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
    Pump();
    return t;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    const int runs = winebench::NumberArgument(argc, argv, L"--runs", 15);
    winebench::SkinLibrary library;
    int rc = 0;
    {
        auto* m = winebench::NewSampleSkinManager();
        TForm* plain = NewForm(10);
        TForm* skinned = NewForm(60);
        TsSkinProvider* p = TsSkinProvider::Create(skinned);
        Pump();
        if (!m->SkinData().Active || !p->Skinned()) {
            std::printf("the sample skin did not load or the form is not skinned\n");
            rc = 1;
        }
        std::vector<double> hitOurs, hitRef, sizeOurs, sizeRef;
        for (int r = 0; r < runs && rc == 0; ++r) {
            hitOurs.push_back(HitTests(skinned->Handle()) * 1e6 / 400);
            hitRef.push_back(HitTests(plain->Handle()) * 1e6 / 400);
            sizeOurs.push_back(Resizes(skinned->Handle()) * 1000.0);
            sizeRef.push_back(Resizes(plain->Handle()) * 1000.0);
        }
        if (rc == 0) {
            const double ho = Median(hitOurs), hr = Median(hitRef), so = Median(sizeOurs), sr = Median(sizeRef);
            bench::Row("WM_NCHITTEST, skinned 800x600", ho, hr, "DefWindowProc, unskinned", "us");
            bench::Row("100 resize steps, skinned 800x600", so, sr, "the same form unskinned");
        }
        Free(skinned);
        Free(plain);
        Free(m);
    }
    return rc;
}
