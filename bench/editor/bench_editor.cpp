// Teacher's editor benchmark. A raw file at the editor's limit (128 KiB of
// bytes like a program file's: every value, NULs and line breaks among them)
// is opened through the editor's "Открыть файл" button, the open dialog
// answered at once; the reference sets the same text, already read and
// converted, into a plain multi-line EDIT of the same size. Each figure
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
#include "WineBench.h"

namespace {

using winebench::Median;
using winebench::Now;

constexpr size_t kLimit = 128 * 1024;

std::string BinaryBytes(size_t n)
{
    std::string s(n, '\0');
    uint32_t x = 12345;
    for (size_t i = 0; i < n; ++i) {
        x = x * 1664525u + 1013904223u;
        s[i] = char(x >> 24);
    }
    return s;
}

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
        SetAppFolder(dir.Path());
        Application->CreateForm(Form1);
        Application->CreateForm(Form4);
        Application->CreateForm(Form5);
        Form5->Show();
        winebench::Pump();
        TOpenDialog::Runner = [file](TOpenDialog& d) {
            d.SetFileName(file);
            return true;
        };

        // The reference: a plain multi-line edit the size of the editor.
        RECT er{};
        GetWindowRect(Form5->mmo1->Handle(), &er);
        HWND plain = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                                     WS_OVERLAPPED | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL, er.left,
                                     er.top, er.right - er.left, er.bottom - er.top, nullptr, nullptr, nullptr, nullptr);
        String text = AnsiToString(bytes);
        for (wchar_t& c : text)
            if (c == L'\0') c = L'\x2400';

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
        TOpenDialog::Runner = nullptr;
        DestroyWindow(plain);
        FreeAndNil(Form5);
        FreeAndNil(Form4);
        FreeAndNil(Form1);
        SetAppFolder(L"");
    }
    DoneApplication();
    return rc;
}
