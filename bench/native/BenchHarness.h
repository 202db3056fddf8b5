// A small timing harness: best-of-N wall-clock times and one report line per
// measurement, our figure beside the reference's and their ratio.
#pragma once
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace bench {

// Seconds of the fastest of `rounds` runs of fn, after one warm-up run. The
// fastest run is the one least disturbed by the rest of the machine.
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

// One line: name, our time, the reference's time and name, ours / reference.
inline void Report(const std::string& name, double ours, double reference, const std::string& referenceName)
{
    std::printf("%-40s %7.2f ms   %7.2f ms %-18s %6.2f\n", name.c_str(), ours * 1e3, reference * 1e3,
                referenceName.c_str(), ours / reference);
    std::fflush(stdout);
}

// Ends the benchmark when ours and the reference disagree.
inline void Check(bool same, const char* what)
{
    if (same) return;
    std::fprintf(stderr, "bench: %s: our result differs from the reference's\n", what);
    std::exit(1);
}

}  // namespace bench
