// Timing helpers shared by the benchmarks that run under Wine.
#pragma once
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "native/BenchHarness.h"   // bench::Row: the one row format of every benchmark

namespace winebench {

// Seconds from the performance counter.
inline double Now()
{
    LARGE_INTEGER c, f;
    QueryPerformanceCounter(&c);
    QueryPerformanceFrequency(&f);
    return double(c.QuadPart) / double(f.QuadPart);
}

// Delivers every message waiting for this thread.
inline void Pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// The folder of the running program, with its trailing separator.
inline std::wstring ExeFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p = path;
    return p.substr(0, p.find_last_of(L"\\/") + 1);
}

// The folder of the sample skins beside the program the tests run.
inline std::wstring SampleSkinsFolder() { return ExeFolder() + L"..\\..\\program\\Skins"; }

// The number after `flag` on the command line (at least `least`), or `fallback`.
inline int NumberArgument(int argc, wchar_t** argv, const wchar_t* flag, int fallback, int least = 1)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (std::wcscmp(argv[i], flag) == 0)
            return std::max(least, _wtoi(argv[i + 1]));
    return fallback;
}

inline double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace winebench
