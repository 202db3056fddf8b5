// Control adapter benchmark, figures beside their reference measured in the
// same run:
//   - one adapter scan of a shown form of 500 mixed class-library controls
//     (buttons, check boxes, panels, group boxes, edits, memos, list boxes,
//     status bars, up-down buttons, track bars), attaching every wrapper,
//     beside creating the same 500 controls with their windows on a plain form;
//   - a skin change (the hue of the loaded skin) broadcast to the skinned form
//     and painted, beside the same creation and beside the system repainting
//     the 500 unskinned controls (the floor of painting that many windows).
// Prints the median of several runs and the ratios (aim: the scan at most
// 0.5 times the creation; a skin change under 150 ms).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "classlib/ComBars.h"
#include "classlib/ComCtrls.h"
#include "classlib/ExtCtrls.h"
#include "classlib/ListControls.h"
#include "classlib/StdCtrls.h"
#include "skin/controls/AdapterWrappers.h"
#include "skin/core/SkinManager.h"
#include "skin/forms/CtrlAdapter.h"
#include "skin/forms/SkinProvider.h"
#include "skin/forms/Startup.h"
#include "SkinBench.h"

namespace {

using winebench::Median;
using winebench::Now;
using winebench::Pump;

constexpr int kControls = 500;

TForm* NewForm()
{
    auto* f = new TForm(Application);
    f->SetBounds(10, 10, 1000, 760);
    f->Show();
    Pump();
    return f;
}

// 500 controls of ten kinds in a grid, each with its window.
void AddControls(TForm* f)
{
    for (int i = 0; i < kControls; ++i) {
        TWinControl* c = nullptr;
        switch (i % 10) {
        case 0: c = new TButton(f); break;
        case 1: c = new TCheckBox(f); break;
        case 2: c = new TPanel(f); break;
        case 3: c = new TGroupBox(f); break;
        case 4: c = new TEdit(f); break;
        case 5: c = new TMemo(f); break;
        case 6: c = new TListBox(f); break;
        case 7: c = new TStatusBar(f); break;
        case 8: c = new TUpDown(f); break;
        default: c = new TTrackBar(f); break;
        }
        c->SetParent(f);
        if (i % 10 == 7)
            c->SetAlign(TAlign::alNone);
        c->SetBounds(4 + (i % 20) * 49, 4 + (i / 20) * 29, 46, 26);
        c->HandleNeeded();
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    const int runs = winebench::NumberArgument(argc, argv, L"--runs", 7);
    winebench::SkinLibrary library;
    int rc = 0;
    {
        auto* m = winebench::NewSampleSkinManager();
        // The skinned form: its controls first, then the provider (the
        // adapter's rescans are held back until the timed scan).
        auto rescan = std::exchange(AdapterRescan, nullptr);
        auto addItem = std::exchange(AdapterAddItem, nullptr);
        TForm* skinned = NewForm();
        AddControls(skinned);
        TsSkinProvider* p = TsSkinProvider::Create(skinned);
        Pump();
        AdapterRescan = rescan;
        AdapterAddItem = addItem;
        if (!m->SkinData().Active || !p->Skinned()) {
            std::printf("the sample skin did not load or the form is not skinned\n");
            rc = 1;
        }
        std::vector<double> create, repaint, scan, change;
        int wrapped = 0;
        for (int r = 0; r < runs && rc == 0; ++r) {
            TForm* plain = NewForm();
            double t0 = Now();
            AddControls(plain);
            Pump();
            create.push_back((Now() - t0) * 1000.0);
            t0 = Now();
            RedrawWindow(plain->Handle(), nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
            repaint.push_back((Now() - t0) * 1000.0);
            Free(plain);
            Pump();

            FreeControlAdapter(*p);
            Pump();
            t0 = Now();
            ControlAdapterOf(*p)->ScanControls();
            scan.push_back((Now() - t0) * 1000.0);
            wrapped = ControlAdapterOf(*p)->Count();

            t0 = Now();
            m->SetHueOffset(r % 2 ? 0 : 40);
            UpdateWindow(skinned->Handle());
            Pump();
            change.push_back((Now() - t0) * 1000.0);
        }
        // Every control whose class-name list has a wrapper in this build must have one.
        int wrappable = 0;
        for (int i = 0; i < skinned->ControlCount(); ++i)
            wrappable += AdapterWrapperFactory(m->ThirdParty.IndexOfClass(skinned->Controls(i)->ClassName())) != nullptr;
        if (rc == 0 && wrapped != wrappable) {
            std::printf("%d of %d wrappable controls were wrapped\n", wrapped, wrappable);
            rc = 1;
        }
        if (rc == 0) {
            const double c = Median(create), s = Median(scan), k = Median(change), p = Median(repaint);
            bench::Row("adapter scan, 500 controls (aim: ratio 0.5)", s, c, "creating the 500 unskinned");
            bench::Row("skin change (hue), 500 controls (aim: 150 ms)", k, c, "creating the 500 unskinned");
            bench::Row("skin change (hue), 500 controls", k, p, "repainting the 500 unskinned");
            std::printf("wrappers attached by one scan: %d\n", wrapped);
        }
        Free(skinned);
        Free(m);
    }
    return rc;
}
