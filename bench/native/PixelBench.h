// Shared by the pixel benchmarks: the timing harness of bench/native when it
// is there, else the same small harness here (so the files also build alone).
#pragma once
// Keeps the compiler from dropping stores that nothing reads afterwards.
inline void KeepWritten(const void* p) { asm volatile("" : : "r"(p) : "memory"); }

#if __has_include("BenchHarness.h")
#include "BenchHarness.h"
#else
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace bench {

template <class F>
double Time(F&& fn, int rounds = 7)
{
    fn();
    double best = 1e300;
    for (int i = 0; i < rounds; ++i) {
        auto t0 = std::chrono::steady_clock::now();
        fn();
        auto t1 = std::chrono::steady_clock::now();
        best = std::min(best, std::chrono::duration<double>(t1 - t0).count());
    }
    return best;
}

inline void Report(const std::string& name, double ours, double reference, const std::string& referenceName)
{
    std::printf("%-40s %7.3f ms   %7.3f ms %-18s %6.2f\n", name.c_str(), ours * 1e3, reference * 1e3,
                referenceName.c_str(), ours / reference);
    std::fflush(stdout);
}

inline void Check(bool same, const char* what)
{
    if (same) return;
    std::fprintf(stderr, "bench: %s: our result differs from the reference's\n", what);
    std::exit(1);
}

}  // namespace bench
#endif
