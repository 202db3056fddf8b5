// Teacher's editor benchmark. A raw file at the editor's limit (128 KiB of
// bytes like a program file's: every value, NULs and line breaks among them)
// is opened through the editor's "Открыть файл" button, the open dialog
// answered at once; the reference sets the text the editor then shows,
// already read and converted, into a plain EDIT with the editor's styles,
// font and size. Each figure
// includes painting the window once. The aim: a file at the limit opens well
// within the 5 s in which the window must answer (the soak's limit).
// Prints the median of several runs.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/AppForms.h"
#include "app/ContentStore.h"
#include "app/LoginForm.h"
#include "app/StartForm.h"
#include "app/TeacherForm.h"
#include "classlib/Dialogs.h"
#include "classlib/StdCtrls.h"
#include "support/GuiTest.h"
#include "support/TeacherWindow.h"
#include "WineBench.h"

namespace {

using winebench::Median;
using winebench::Now;

constexpr size_t kLimit = 128 * 1024;

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    const int runs = winebench::NumberArgument(argc, argv, L"--runs", 7);
    InitApplication();
    int rc = 0;
    {
        TempDir dir(L"bench-editor");
        dir.WriteFile(L"Source\\start.txt", "start");
        dir.WriteFile(L"Source\\help.html", "<p>help</p>");
        dir.MakeDir(L"Content");
        const std::string bytes = BinaryBytes(kLimit);
        const String file = dir.WriteFile(L"Content\\at-limit.bin", bytes);
        ShowTeacherWindow(dir.Path());
        TOpenDialog::Runner = [file](TOpenDialog& d) {
            d.SetFileName(file);
            return true;
        };

        // The reference: a plain EDIT with the editor's styles, font and size,
        // in a window of its own (the system's procedure, no wrapper, no form).
        const HWND memo = Form5->mmo1->Handle();
        RECT er{};
        GetWindowRect(memo, &er);
        const DWORD style = (DWORD(GetWindowLongPtrW(memo, GWL_STYLE)) & ~DWORD(WS_CHILD)) | WS_POPUP | WS_VISIBLE;
        HWND plain = CreateWindowExW(DWORD(GetWindowLongPtrW(memo, GWL_EXSTYLE)), L"EDIT", L"", style, er.left, er.top,
                                     er.right - er.left, er.bottom - er.top, nullptr, nullptr, nullptr, nullptr);
        SendMessageW(plain, WM_SETFONT, WPARAM(SendMessageW(memo, WM_GETFONT, 0, 0)), FALSE);
        SendMessageW(plain, EM_SETLIMITTEXT, WPARAM(SendMessageW(memo, EM_GETLIMITTEXT, 0, 0)), 0);
        // The reference is given the text exactly as the editor shows it.
        Form5->openfile->OnClick(Form5->openfile);
        const String text = Form5->mmo1->Text();

        std::vector<double> ours, ref;
        for (int r = 0; r < runs; ++r) {
            Form5->mmo1->SetText(L"");
            SetWindowTextW(plain, L"");
            winebench::Pump();
            double t0 = Now();
            Form5->openfile->OnClick(Form5->openfile);
            UpdateWindow(Form5->mmo1->Handle());
            double t1 = Now();
            SetWindowTextW(plain, text.c_str());
            UpdateWindow(plain);
            double t2 = Now();
            ours.push_back((t1 - t0) * 1000.0);
            ref.push_back((t2 - t1) * 1000.0);
            if (GetWindowTextLengthW(Form5->mmo1->Handle()) != GetWindowTextLengthW(plain)) {
                std::fprintf(stderr, "bench: the editor shows %d characters, the plain edit %d\n",
                             GetWindowTextLengthW(Form5->mmo1->Handle()), GetWindowTextLengthW(plain));
                rc = 1;
                break;
            }
            winebench::Pump();
        }
        if (rc == 0) {
            const double o = Median(ours);
            bench::Row("open a 128 KiB raw file (aim: under 5000 ms)", o, Median(ref), "the text set into an EDIT");
        }
        DestroyWindow(plain);
        FreeTeacherWindow();
    }
    DoneApplication();
    return rc;
}
