// Minimise animation frame benchmark. A form of 800 x 600 is skinned with the
// sample skin and extended borders; its minimise animation is set up as a
// minimise would (picture taken, the border window as the stage) and its
// frames are then stepped by hand. We time
//   - one frame: the stage's picture cleared, the form's picture stretched to
//     the shrinking box and pushed to the layered stage window, and
//   - the reference: one BitBlt of a picture of the same size into another,
//   - and the system's own part of such a frame: one UpdateLayeredWindow of
//     a premultiplied picture of the stage's size with a constant alpha below
//     255, on a layered window of that size (what a frame that pushes the
//     whole stage costs before any work of ours).
// The figure is checked against the frame budget of 12 ms. Before timing, a
// frame is checked to change the stage's alpha downward (it animates).
// Prints the median of several runs of 40 frames each and the ratio.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "classlib/Forms.h"
#include "skin/core/SkinManager.h"
#include "skin/forms/FormAnimations.h"
#include "skin/forms/SkinProvider.h"
#include "skin/forms/Startup.h"
#include "skin/core/OutputWindow.h"
#include "skin/graphics/Bitmap32.h"
#include "skin/graphics/LayeredApi.h"
#include "WineBench.h"

namespace {

using winebench::Median;
using winebench::Now;
using winebench::Pump;

constexpr double kFrameBudgetMs = 12.0;

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    const int runs = winebench::NumberArgument(argc, argv, L"--runs", 9);
    const int frames = 40;
    setvbuf(stdout, nullptr, _IONBF, 0);
    InitApplication();
    InitSkinLibrary();
    int rc = 0;
    {
        auto* m = new TsSkinManager(nullptr);
        m->SetSkinDirectory(winebench::SampleSkinsFolder());
        m->SetSkinName(L"Slate");
        m->SetExtendedBorders(true);
        m->AnimEffects.Minimizing.Active = true;
        m->AnimEffects.Minimizing.Time = 2000;   // 133 frames: a run never reaches the end
        auto* form = new TForm(Application);
        form->SetBounds(40, 40, 800, 600);
        TsSkinProvider* p = TsSkinProvider::Create(form);
        form->Show();
        Pump();
        if (!m->SkinData().Active || !p->BorderForm()) {
            std::printf("the form has no border window\n");
            rc = 1;
        }
        std::vector<double> ours, ref, push;
        for (int r = 0; r < runs && rc == 0; ++r) {
            if (!p->StartMinimizeAnimation()) {
                std::printf("the minimise animation did not start\n");
                rc = 1;
                break;
            }
            auto* t = dynamic_cast<TkvMinTimer*>(p->formTimer_);
            t->SetEnabled(false);   // frames are stepped here, not by the timer
            const int before = t->Alpha();
            t->Step();
            if (!t->Stage() || t->Alpha() >= before || !t->Picture()) {
                std::printf("a frame does not animate the stage\n");
                rc = 1;
                break;
            }
            const int w = t->Picture()->Width(), h = t->Picture()->Height();
            std::unique_ptr<TBitmap> target = NewBitmap32(w, h);
            double t0 = Now();
            for (int i = 0; i < frames; ++i)
                t->Step();
            GdiFlush();
            double t1 = Now();
            for (int i = 0; i < frames; ++i)
                BitBlt(target->Canvas().Handle(), 0, 0, w, h, t->Picture()->Canvas().Handle(), 0, 0, SRCCOPY);
            GdiFlush();
            double t2 = Now();
            // The same size pushed whole to a layered window of its own, alpha falling.
            RECT sr{};
            GetWindowRect(t->Stage(), &sr);
            auto* surface = new TkvAnimSurface(RECT{sr.left, sr.top, sr.left + w, sr.top + h}, true);
            surface->HandleNeeded();
            PremultiplyBitmap(target.get());
            HDC screen = GetDC(nullptr);
            POINT at{sr.left, sr.top}, origin{0, 0};
            SIZE size{w, h};
            BLENDFUNCTION blend{AC_SRC_OVER, 0, 254, AC_SRC_ALPHA};
            SetWindowLongPtrW(surface->Handle(), GWL_EXSTYLE,
                              GetWindowLongPtrW(surface->Handle(), GWL_EXSTYLE) | WS_EX_LAYERED);
            UpdateLayeredWindowFn(surface->Handle(), screen, &at, &size, target->Canvas().Handle(), &origin, 0, &blend,
                                  ULW_ALPHA);
            ShowWindow(surface->Handle(), SW_SHOWNOACTIVATE);
            Pump();
            double t3 = Now();
            for (int i = 0; i < frames; ++i) {
                blend.SourceConstantAlpha = BYTE(250 - i);
                UpdateLayeredWindowFn(surface->Handle(), screen, &at, &size, target->Canvas().Handle(), &origin, 0,
                                      &blend, ULW_ALPHA);
            }
            GdiFlush();
            double t4 = Now();
            ReleaseDC(nullptr, screen);
            Free(surface);
            ours.push_back((t1 - t0) * 1000.0 / frames);
            ref.push_back((t2 - t1) * 1000.0 / frames);
            push.push_back((t4 - t3) * 1000.0 / frames);
            p->StopFormTimer();
            TsSkinProvider::SetLayeredAlpha(form->Handle(), false, 255);
            p->RefreshBorderWindow();
            Pump();
        }
        if (rc == 0) {
            const double o = Median(ours), f = Median(ref);
            bench::Row("minimise animation frame, 800 x 600 form", o, f, "BitBlt of the same size");
            bench::Row("the same frame against one whole-size push", o, Median(push),
                       "UpdateLayeredWindow of the same size");
            bench::Row("the same frame against the frame budget", o, kFrameBudgetMs, "12 ms budget");
            if (o > kFrameBudgetMs)
                std::printf("a frame takes longer than the frame budget\n");
        }
        Free(form);
        Free(m);
    }
    DoneSkinLibrary();
    DoneApplication();
    return rc;
}
