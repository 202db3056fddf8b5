// soak.exe: drives a program with random but repeatable input and watches it.
//
//   soak.exe --exe PATH [--seed N] [--events N] [--class WNDCLASS] [--desktop NAME]
//            [--copy DIR] [--watch DIR]... [--skip NAME]... [--account USER:PASSWORD]...
//            [--paths textbook|skinapp] [--path-percent N] [--keep-open TEXT]...
//            [--log FILE] [--samples FILE] [--output FILE] [--settle MS] [--probe-timeout MS]
//            [--bound GDI,WINDOWS] [--unskin-check] [--args TEXT]
//
// --settle is the longest wait for the program to settle after an event;
// --bound how far each kind of GDI object and the windows may climb at rest
// within a session (-1: not checked); --unskin-check asks the program at the end to switch its skin off
// and check every control's window procedure.
//
// The runner moves itself into the desktop NAME (a Wine virtual desktop when
// the registry gives that name a size) and starts the program there, so that
// its input reaches nothing else. Exit code: 0 passed, 1 failed, 2 usage or
// start-up error.
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "tools/soakrunner/SoakRunner.h"

namespace {

void Usage()
{
    std::fprintf(stderr,
                 "usage: soak.exe --exe PATH [--seed N] [--events N] [--class WNDCLASS] [--desktop NAME]\n"
                 "                [--copy DIR] [--watch DIR]... [--skip NAME]... [--account USER:PASSWORD]...\n"
                 "                [--paths textbook|skinapp] [--path-percent N] [--keep-open TEXT]...\n"
                 "                [--log FILE] [--samples FILE] [--output FILE] [--settle MS] [--probe-timeout MS]\n"
                 "                [--bound GDI,WINDOWS] [--unskin-check] [--args TEXT]\n");
}

bool ParseNumber(const wchar_t* text, uint64_t& out)
{
    wchar_t* end = nullptr;
    out = std::wcstoull(text, &end, 10);
    return end != text && *end == 0;
}

String DesktopName()
{
    wchar_t name[256] = {};
    DWORD need = 0;
    GetUserObjectInformationW(GetThreadDesktop(GetCurrentThreadId()), UOI_NAME, name, sizeof name, &need);
    return name;
}

// Starts this program again inside the desktop and passes its exit code on.
int RunInDesktop(const String& desktop)
{
    String cmd = String(GetCommandLineW()) + L" --inner";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.lpDesktop = const_cast<wchar_t*>(desktop.c_str());
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        std::fprintf(stderr, "soak: cannot start the runner in desktop %ls (error %lu)\n", desktop.c_str(),
                     GetLastError());
        return 2;
    }
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 2;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return int(code);
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    SoakOptions o;
    String desktop = L"Talvera";
    bool inner = false;
    for (int i = 1; i < argc; ++i) {
        String a = argv[i];
        auto value = [&]() -> const wchar_t* { return i + 1 < argc ? argv[++i] : nullptr; };
        uint64_t n = 0;
        const wchar_t* v = nullptr;
        if (a == L"--inner") {
            inner = true;
            continue;
        }
        if (a == L"--unskin-check") {
            o.unskinCheck = true;
            continue;
        }
        if (!(v = value())) {
            Usage();
            return 2;
        }
        if (a == L"--seed" && ParseNumber(v, n)) o.seed = n;
        else if (a == L"--events" && ParseNumber(v, n)) o.events = n;
        else if (a == L"--settle" && ParseNumber(v, n)) o.settleMs = UINT(n);
        else if (a == L"--probe-timeout" && ParseNumber(v, n)) o.probeMs = UINT(n);
        else if (a == L"--exe") o.exe = v;
        else if (a == L"--args") o.args = v;
        else if (a == L"--class") o.mainClass = v;
        else if (a == L"--desktop") desktop = v;
        else if (a == L"--copy") o.copy = v;
        else if (a == L"--watch") o.watch.push_back(v);
        else if (a == L"--skip") o.skip.push_back(v);
        else if (a == L"--paths") o.paths = BuiltInPaths(v);
        else if (a == L"--path-percent" && ParseNumber(v, n) && n <= 100) o.pathPercent = int(n);
        else if (a == L"--keep-open") o.keepOpen.push_back(v);
        else if (a == L"--samples") o.samples = v;
        else if (a == L"--bound" && ParseBound(StringToUtf8(v), o.bound)) {
        } else if (a == L"--log") o.log = v;
        else if (a == L"--output") o.output = v;
        else if (a == L"--account") {
            String s = v;
            size_t colon = s.find(L':');
            if (colon == String::npos) {
                Usage();
                return 2;
            }
            o.accounts.emplace_back(s.substr(0, colon), s.substr(colon + 1));
        } else {
            Usage();
            return 2;
        }
    }
    if (o.exe.empty()) {
        Usage();
        return 2;
    }
    if (!inner && !desktop.empty() && lstrcmpiW(DesktopName().c_str(), desktop.c_str()) != 0)
        return RunInDesktop(desktop);

    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    GetDesktopWindow();   // brings the desktop (and its size) up before the first click
    std::printf("soak: seed %llu, %llu events, %ls on desktop %ls (%dx%d)\n", static_cast<unsigned long long>(o.seed),
                static_cast<unsigned long long>(o.events), o.exe.c_str(), DesktopName().c_str(),
                GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    std::fflush(stdout);
    int rc = 0;
    {
        SoakRunner runner(o);
        rc = runner.Run();
    }
    // The desktop was made for this run: its window (and the X window of a
    // virtual desktop) goes with it, instead of staying over the display.
    if (inner) PostMessageW(GetDesktopWindow(), WM_CLOSE, 0, 0);
    return rc;
}
