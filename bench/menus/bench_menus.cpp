// Skinned-menus benchmark. A popup of 30 items (captions, shortcuts, checked
// and disabled items, dividers and a caption item) is measured and painted
// item by item into a memory DC the size of the popup, as the menu window
// asks when it opens: by the skinned menus under the sample skin, cold (the
// popup's picture built first, as on the first opening after a skin change)
// and warm (the picture kept), beside the same items measured and painted in
// the system's plain look (system colours, DrawText, the system's check
// marks), the look the system gives the popup without a skin.
#include <windows.h>

#include <cstdio>
#include <vector>

#include "classlib/Forms.h"
#include "classlib/Menus.h"
#include "skin/core/SkinManager.h"
#include "skin/core/SkinMenus.h"
#include "skin/forms/Startup.h"
#include "SkinBench.h"

namespace {

using winebench::Median;
using winebench::Now;

constexpr int kItems = 30;

void Fill(TPopupMenu& popup)
{
    for (int i = 0; i < kItems; ++i) {
        auto* item = new TMenuItem();
        if (i == 0) item->SetCaption(L"-Документ-");
        else if (i % 7 == 0) item->SetCaption(L"-");
        else item->SetCaption(L"Команда меню номер " + std::to_wstring(i));
        if (i % 5 == 1) item->SetShortCut(ShortCut(WORD('A' + i % 26), ssCtrl));
        if (i % 6 == 2) item->SetChecked(true);
        if (i % 9 == 4) item->SetEnabled(false);
        popup.Items()->Add(item);
    }
}

struct Layout {
    std::vector<RECT> rects;
    int width = 0, height = 0;
};

// Measures every item with measure (w, h), stacks them, paints each with paint.
template <class Measure, class Paint>
Layout MeasureAndPaint(TPopupMenu& popup, TCanvas& canvas, Measure measure, Paint paint)
{
    Layout l;
    int y = 0, w = 0;
    std::vector<int> heights;
    for (int i = 0; i < popup.Items()->Count(); ++i) {
        int iw = 0, ih = 0;
        measure(popup.Items()->Items(i), iw, ih);
        heights.push_back(ih);
        w = std::max(w, iw);
    }
    for (int h : heights) {
        l.rects.push_back(RECT{0, y, w, y + h});
        y += h;
    }
    for (int i = 0; i < popup.Items()->Count(); ++i)
        paint(popup.Items()->Items(i), l.rects[size_t(i)], i == 3 ? TOwnerDrawState(odSelected) : 0);
    l.width = w;
    l.height = y;
    return l;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    const int runs = winebench::NumberArgument(argc, argv, L"--runs", 21);
    winebench::SkinLibrary library;
    int rc = 0;
    {
        auto* m = winebench::NewSampleSkinManager();
        TsSkinableMenus& menus = m->SkinableMenus();
        TPopupMenu skinned(nullptr), plain(nullptr);
        Fill(skinned);
        Fill(plain);
        TBitmap target(400, 800, TPixelFormat::pf32bit);
        TCanvas& canvas = target.Canvas();
        auto skinnedRun = [&] {
            return MeasureAndPaint(
                skinned, canvas, [&](TMenuItem* i, int& w, int& h) { menus.MeasureMenuItem(i, canvas, w, h); },
                [&](TMenuItem* i, const RECT& r, TOwnerDrawState s) { menus.PaintMenuItem(i, canvas, r, s); });
        };
        auto plainRun = [&] {
            return MeasureAndPaint(
                plain, canvas,
                [&](TMenuItem* i, int& w, int& h) {
                    GetMenuFont(canvas.Font());
                    i->MeasureItem(canvas, w, h);
                },
                [&](TMenuItem* i, const RECT& r, TOwnerDrawState s) { i->DrawPlain(canvas, r, s, false); });
        };
        if (!m->Active() || !menus.Active()) {
            std::printf("the sample skin is not active\n");
            rc = 1;
        }
        FreePopupBitmapCache();
        Layout a = skinnedRun();
        Layout b = plainRun();
        if (rc == 0 && (a.rects.size() != size_t(kItems) || b.rects.size() != size_t(kItems) ||
                        PopupBitmapCacheCount() != 1)) {
            std::printf("the popups were not laid out alike (%d pictures)\n", PopupBitmapCacheCount());
            rc = 1;
        }
        std::vector<double> cold, warm, ref;
        for (int r = 0; r < runs && rc == 0; ++r) {
            FreePopupBitmapCache();
            double t0 = Now();
            skinnedRun();
            double t1 = Now();
            skinnedRun();
            double t2 = Now();
            plainRun();
            double t3 = Now();
            cold.push_back((t1 - t0) * 1000.0);
            warm.push_back((t2 - t1) * 1000.0);
            ref.push_back((t3 - t2) * 1000.0);
        }
        if (rc == 0) {
            double c = Median(cold), w = Median(warm), f = Median(ref);
            bench::Row("30-item popup, skinned, cold", c, f, "plain system look");
            bench::Row("30-item popup, skinned, warm", w, f, "plain system look");
        }
        Free(m);
    }
    return rc;
}
