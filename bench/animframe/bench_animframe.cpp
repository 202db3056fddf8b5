// Animation frame benchmark. An 800 x 600 form with a grid of panels, edits
// and labels is painted once into a snapshot (as every show animation does),
// then each frame of a show is drawn and pushed to a real layered window:
//   - zoom frames: the snapshot stretched into the frame's rectangle, pushed;
//   - fade frames: the picture pushed with a new constant alpha;
// beside the reference, a plain BitBlt of the same 800 x 600 picture to a
// window, and the budget of one frame (12 ms). Prints medians and the worst frame.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <vector>

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"
#include "skin/core/AnimFrames.h"
#include "skin/core/Animations.h"
#include "skin/core/ControlTreePaint.h"
#include "skin/core/OutputWindow.h"
#include "skin/graphics/Bitmap32.h"
#include "skin/forms/Startup.h"
#include "WineBench.h"

namespace {

using winebench::Median;
using winebench::Now;
using winebench::Pump;

constexpr int kW = 800, kH = 600;

TForm* MakeForm()
{
    auto* form = new TForm(Application);
    form->SetBorderStyle(TFormBorderStyle::bsNone);
    form->SetBounds(0, 0, kW, kH);
    form->SetColor(clBtnFace);
    const TColor colors[] = {clSilver, clTeal, clOlive, clGray, clWhite, clNavy};
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col) {
            auto* p = new TPanel(form);
            p->SetParent(form);
            p->SetBounds(10 + col * 196, 10 + row * 146, 186, 136);
            p->SetColor(colors[(row * 4 + col) % 6]);
            p->SetCaption(L"Панель");
            auto* e = new TEdit(form);
            e->SetParent(p);
            e->SetBounds(8, 8, 170, 22);
            e->SetText(L"Поле ввода " + std::to_wstring(row * 4 + col));
            auto* l = new TLabel(form);
            l->SetParent(p);
            l->SetBounds(8, 100, 170, 16);
            l->SetCaption(L"Подпись к панели");
        }
    return form;
}

struct FrameTimes {
    std::vector<double> draw, push;
};

FrameTimes PlayTimed(HWND surface, TBitmap* snapshot, TkvAnimType type, int frames)
{
    FrameTimes t;
    std::unique_ptr<TBitmap> destination(NewTransparentBitmap(kW, kH));
    TkvFramePlan plan = TkvFramePlan::Show(kW, kH, unsigned(frames * AnimFrameInterval), 255, type);
    HDC screen = GetDC(nullptr);
    TkvFrame frame;
    while (plan.Next(frame)) {
        double t0 = Now();
        DrawAnimFrame(destination.get(), snapshot, frame);
        GdiFlush();
        double t1 = Now();
        PushAnimFrame(surface, screen, FrameChangesPicture(frame) ? destination.get() : nullptr, frame.Alpha);
        double t2 = Now();
        t.draw.push_back(t1 - t0);
        t.push.push_back(t2 - t1);
    }
    ReleaseDC(nullptr, screen);
    return t;
}

std::vector<double> Sum(const FrameTimes& t)
{
    std::vector<double> s(t.draw.size());
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = t.draw[i] + t.push[i];
    return s;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    const int frames = winebench::NumberArgument(argc, argv, L"--frames", 60, 2);
    InitApplication();
    InitSkinLibrary();
    if (!LayeredWindowsAvailable()) {
        std::printf("layered windows are not available here\n");
        return 1;
    }

    TForm* form = MakeForm();
    form->Show();
    for (int i = 0; i < 10; ++i) {
        Pump();
        Sleep(10);
    }

    // The tree, painted once per animation.
    std::vector<double> paints;
    std::unique_ptr<TBitmap> snapshot;
    for (int i = 0; i < 7; ++i) {
        snapshot = NewBitmap32(kW, kH);
        double t0 = Now();
        PaintControlTree(snapshot.get(), form, 0, nullptr, 0);
        GdiFlush();
        SetAlphaInRect(snapshot.get(), RECT{0, 0, kW, kH}, 255, NoColorValue);
        paints.push_back(Now() - t0);
    }
    // A fast wrong picture is no figure: the form's colour and a panel must be in it.
    const uint32_t face = ColorToRGB(clBtnFace);
    const uint32_t corner = GetPixel32(snapshot.get(), 2, 2);
    const uint32_t expect = 0xFF000000u | (face & 0xFF) << 16 | (face & 0xFF00) | (face >> 16 & 0xFF);
    if (corner != expect || (GetPixel32(snapshot.get(), 12, 60) & 0xFFFFFF) != 0xC0C0C0u) {
        std::printf("the painted tree is wrong (corner %08X, panel %08X)\n", corner,
                    GetPixel32(snapshot.get(), 12, 60));
        return 1;
    }

    RECT at{100, 80, 100 + kW, 80 + kH};
    auto* surface = new TkvAnimSurface(at, false);
    HWND wnd = surface->Handle();
    SetWindowLongPtrW(wnd, GWL_EXSTYLE, GetWindowLongPtrW(wnd, GWL_EXSTYLE) | WS_EX_LAYERED);
    {
        HDC screen = GetDC(nullptr);
        POINT pos{at.left, at.top}, src{0, 0};
        SIZE size{kW, kH};
        BLENDFUNCTION blend{AC_SRC_OVER, 0, 0, AC_SRC_ALPHA};
        UpdateLayeredWindowFn(wnd, screen, &pos, &size, snapshot->Canvas().Handle(), &src, 0, &blend, ULW_ALPHA);
        ReleaseDC(nullptr, screen);
    }
    ShowWindow(wnd, SW_SHOWNOACTIVATE);
    Pump();

    PlayTimed(wnd, snapshot.get(), TkvAnimType::atAero, 4);   // warm-up
    FrameTimes aero = PlayTimed(wnd, snapshot.get(), TkvAnimType::atAero, frames);
    FrameTimes fade = PlayTimed(wnd, snapshot.get(), TkvAnimType::atFading, frames);

    // References: the same picture copied with a plain BitBlt into a 32-bit
    // bitmap, and into a window.
    std::vector<double> blits, windowBlits;
    std::unique_ptr<TBitmap> copy(NewBitmap32(kW, kH));
    HDC formDC = GetDC(form->Handle());
    for (int i = 0; i <= frames; ++i) {
        double t0 = Now();
        BitBlt(copy->Canvas().Handle(), 0, 0, kW, kH, snapshot->Canvas().Handle(), 0, 0, SRCCOPY);
        GdiFlush();
        double t1 = Now();
        BitBlt(formDC, 0, 0, kW, kH, snapshot->Canvas().Handle(), 0, 0, SRCCOPY);
        GdiFlush();
        blits.push_back(t1 - t0);
        windowBlits.push_back(Now() - t1);
    }
    ReleaseDC(form->Handle(), formDC);
    if (GetPixel32(copy.get(), 12, 60) != GetPixel32(snapshot.get(), 12, 60)) {
        std::printf("the reference copy is wrong\n");
        return 1;
    }

    // A frame of the plain cross-fade (no layered windows): old and new picture
    // mixed, then copied to the surface window.
    std::vector<double> mixes;
    {
        std::unique_ptr<TBitmap> old(NewBitmap32(kW, kH)), mix(NewBitmap32(kW, kH));
        FillRect32(old.get(), RECT{0, 0, kW, kH}, clMaroon, 255);
        HDC surfaceDC = GetWindowDC(form->Handle());
        for (int i = 0; i <= frames; ++i) {
            double t0 = Now();
            MixBitmaps(mix.get(), old.get(), snapshot.get(), uint8_t(255 - i * 255 / frames));
            BitBlt(surfaceDC, 0, 0, kW, kH, mix->Canvas().Handle(), 0, 0, SRCCOPY);
            GdiFlush();
            mixes.push_back(Now() - t0);
        }
        ReleaseDC(form->Handle(), surfaceDC);
        if ((GetPixel32(mix.get(), 12, 60) & 0xFFFFFF) != (GetPixel32(snapshot.get(), 12, 60) & 0xFFFFFF)) {
            std::printf("the last cross-fade frame is not the new picture\n");
            return 1;
        }
    }

    const double budget = AnimFrameInterval / 1000.0;
    const auto aeroSum = Sum(aero), fadeSum = Sum(fade);
    const double aeroMed = Median(aeroSum), fadeMed = Median(fadeSum), blit = Median(blits);
    const double aeroMax = *std::max_element(aeroSum.begin(), aeroSum.end());
    std::printf("animation frame of an %d x %d form, %d frames, medians (ms)\n", kW, kH, frames + 1);
    bench::Row("tree painted once", Median(paints) * 1000, blit * 1000, "BitBlt 800x600");
    bench::Row("zoom frame (stretch + push)", aeroMed * 1000, blit * 1000, "BitBlt 800x600");
    bench::Row("zoom frame: of which stretch", Median(aero.draw) * 1000, blit * 1000, "BitBlt 800x600");
    bench::Row("zoom frame: of which push", Median(aero.push) * 1000, blit * 1000, "BitBlt 800x600");
    bench::Row("fade frame (push)", fadeMed * 1000, blit * 1000, "BitBlt 800x600");
    bench::Row("cross-fade frame (mix + BitBlt)", Median(mixes) * 1000, blit * 1000, "BitBlt 800x600");
    bench::Row("zoom frame against the budget", aeroMed * 1000, budget * 1000, "frame budget 12 ms");
    bench::Row("worst zoom frame against the budget", aeroMax * 1000, budget * 1000, "frame budget 12 ms");
    bench::Row("fade frame against the budget", fadeMed * 1000, budget * 1000, "frame budget 12 ms");
    bench::Row("cross-fade frame against the budget", Median(mixes) * 1000, budget * 1000, "frame budget 12 ms");
    std::printf("(BitBlt of the same picture to a window: %.2f ms)\n", Median(windowBlits) * 1000);
    std::printf("aim: a frame under 4 ms (ratio to the budget under 0.33)\n");

    Free(surface);
    Free(form);
    DoneSkinLibrary();
    DoneApplication();
    return 0;
}
