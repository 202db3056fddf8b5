// Frame painting benchmark. Two 800 x 600 forms with the same caption stand
// at the same place; the sample skin is loaded and one of them gets a skin
// provider. The form being timed is brought to the top first, so neither
// paints into a covered window. We time
//   - one PaintFrameToCache of the skinned form (the whole frame picture:
//     borders, title, icon, caption text, buttons; our work alone), and
//   - a full WM_NCPAINT of the skinned form (the strips copied from the cache),
// each beside the system's own WM_NCPAINT of the plain form. Before timing,
// the skinned frame is checked to show the skin (the close button's glyph
// in the skin's colours on the screen).
// Prints the median of several runs of 200 paints each and the ratios.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "classlib/Forms.h"
#include "skin/core/SkinManager.h"
#include "skin/forms/FramePaint.h"
#include "skin/forms/SkinProvider.h"
#include "skin/forms/Startup.h"
#include "SkinBench.h"

namespace {

using winebench::Median;
using winebench::Now;
using winebench::Pump;

TForm* NewForm(int x)
{
    auto* form = new TForm(Application);
    form->SetBounds(x, 0, 800, 600);
    SetWindowTextW(form->Handle(), L"A form of 800 x 600 with a caption");
    form->Show();
    return form;
}

// The screen shows the cache's close button.
bool ShowsTheSkin(HWND wnd, TsFramePainter& painter)
{
    TBitmap* cache = painter.Cache();
    const RECT r = painter.ElementBounds(HTCLOSE);
    if (!cache || r.right <= r.left)
        return false;
    HDC dc = GetWindowDC(wnd);
    int same = 0, all = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) {
            const uint32_t c = cache->View().At(x, y);
            const COLORREF s = GetPixel(dc, x, y);
            same += RGB((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF) == s;
            ++all;
        }
    ReleaseDC(wnd, dc);
    return same == all;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    const int runs = winebench::NumberArgument(argc, argv, L"--runs", 9), paints = 200;
    winebench::SkinLibrary library;
    int rc = 0;
    {
        TForm* skinned = NewForm(0);
        TForm* plain = NewForm(0);
        Pump();
        auto* m = winebench::NewSampleSkinManager();
        Pump();
        TsSkinProvider* p = TsSkinProvider::Create(skinned);
        SetForegroundWindow(skinned->Handle());
        RedrawWindow(skinned->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
        Pump();
        TsFramePainter& painter = FramePainterOf(*p);
        if (!m->SkinData().Active || !p->Skinned() || !ShowsTheSkin(skinned->Handle(), painter)) {
            std::printf("the skinned form does not show the skin's frame\n");
            rc = 1;
        }
        std::vector<double> cache, ours, ref;
        for (int r = 0; r < runs && rc == 0; ++r) {
            auto toTop = [](TForm* f) {
                SetWindowPos(f->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
                Pump();
            };
            toTop(skinned);
            double t0 = Now();
            for (int i = 0; i < paints; ++i) {
                p->SkinData()->BackgroundChanged = true;
                painter.PaintFrameToCache();
            }
            double t1 = Now();
            for (int i = 0; i < paints; ++i) SendMessageW(skinned->Handle(), WM_NCPAINT, 1, 0);
            GdiFlush();
            const double ncEnd = Now();
            toTop(plain);
            double t2 = Now();
            for (int i = 0; i < paints; ++i) SendMessageW(plain->Handle(), WM_NCPAINT, 1, 0);
            GdiFlush();
            double t3 = Now();
            cache.push_back((t1 - t0) * 1000.0 / paints);
            ours.push_back((ncEnd - t1) * 1000.0 / paints);
            ref.push_back((t3 - t2) * 1000.0 / paints);
            Pump();
        }
        if (rc == 0) {
            double c = Median(cache), o = Median(ours), f = Median(ref);
            bench::Row("PaintFrameToCache, 800 x 600 form", c, f, "the system's WM_NCPAINT");
            bench::Row("WM_NCPAINT from the cache, 800 x 600 form", o, f, "the system's WM_NCPAINT");
        }
        Free(p);
        Free(m);
        Free(skinned);
        Free(plain);
    }
    return rc;
}
