// Skin broadcast benchmark. A form holds 50 skinned panels, each with three
// edits, three buttons and three graphic controls: 500 skinned controls. The
// sample skin is loaded once; then we time
//   - broadcasting the new skin to the form (every control receives the
//     command once and resolves its section, colours and state), and
//   - the reference: the same number of plain messages (WM_NULL) delivered
//     the same ways (SendMessage to a window, Perform to a graphic control).
// The handlers' own work (the command given to each skin data directly) is
// printed beside, to tell message delivery from the work done per control.
// Prints the median of several runs and the ratio.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "classlib/Forms.h"
#include "skin/core/SkinManager.h"
#include "skin/forms/Startup.h"
#include "support/SkinTestControls.h"
#include "SkinBench.h"

namespace {

using winebench::Median;
using winebench::Now;
using winebench::Pump;

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    const int runs = winebench::NumberArgument(argc, argv, L"--runs", 15);
    winebench::SkinLibrary library;
    int rc = 0;
    {
        auto* form = new TForm(Application);
        form->SetBounds(0, 0, 1000, 760);
        std::vector<TControl*> all;
        std::vector<TsCommonData*> data;
        for (int p = 0; p < 50; ++p) {
            auto* panel = new TSkinTestPanel(form);
            panel->SetParent(form);
            panel->SetBounds((p % 10) * 98, (p / 10) * 150, 96, 148);
            all.push_back(panel);
            data.push_back(&panel->SkinData());
            for (int k = 0; k < 9; ++k) {
                int y = 2 + k * 16;
                TControl* c;
                if (k % 3 == 0) {
                    auto* e = new TSkinTestEdit(panel);
                    data.push_back(&e->SkinData());
                    c = e;
                } else if (k % 3 == 1) {
                    auto* b = new TSkinTestButton(panel);
                    data.push_back(&b->SkinData());
                    c = b;
                } else {
                    auto* g = new TSkinTestGraphic(panel);
                    data.push_back(&g->SkinData());
                    c = g;
                }
                c->SetParent(panel);
                c->SetBounds(2, y, 90, 14);
                all.push_back(c);
            }
        }
        form->Show();
        Pump();
        auto* m = winebench::NewSampleSkinManager();
        Pump();
        // The broadcast must have reached every control, resolved.
        int resolved = 0;
        for (TsCommonData* d : data)
            resolved += d->SectionIndex >= 0;
        if (!m->SkinData().Active || resolved != int(all.size())) {
            std::printf("the skin did not reach every control (%d of %zu resolved)\n", resolved, all.size());
            rc = 1;
        }
        std::vector<double> ours, ref, work;
        for (int r = 0; r < runs && rc == 0; ++r) {
            double t0 = Now();
            m->UpdateSkin(false);
            double t1 = Now();
            for (TControl* c : all) {
                if (auto* w = dynamic_cast<TWinControl*>(c))
                    SendMessageW(w->Handle(), WM_NULL, 0, 0);
                else
                    c->Perform(WM_NULL, 0, 0);
            }
            double t2 = Now();
            // The handlers' own share: the same command given to each skin data directly.
            for (TsCommonData* d : data) {
                TMessage msg{SkinCommandMessage, WPARAM(MakeSkinCmdWParam(SkinCmdNewSkin)), LPARAM(m), 0};
                HandleSkinCommand(msg, d);
            }
            double t3 = Now();
            ours.push_back((t1 - t0) * 1000.0);
            ref.push_back((t2 - t1) * 1000.0);
            work.push_back((t3 - t2) * 1000.0);
            Pump();
        }
        if (rc == 0) {
            double o = Median(ours), f = Median(ref);
            bench::Row("new skin to 500 skinned controls", o, f, "500 plain messages");
            std::printf("per control: %.2f us (broadcast) vs %.2f us (plain message); handler work alone %.2f us\n",
                        o * 1000.0 / 500, f * 1000.0 / 500, Median(work) * 1000.0 / 500);
        }
        Free(m);
        Free(form);
    }
    return rc;
}
