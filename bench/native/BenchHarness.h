// A small timing harness: best-of-N wall-clock times, ours and the reference
// alternating, and one report line per
// measurement, our figure beside the reference's and their ratio.
#pragma once
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace bench {

// Seconds of one run of fn.
template <class F>
double Once(F&& fn)
{
    auto t0 = std::chrono::steady_clock::now();
    fn();
    auto t1 = std::chrono::steady_clock::now();
    return std::chrono::duration<double>(t1 - t0).count();
}

struct Times {
    double ours = 1e300, reference = 1e300;
};

// The fastest of `rounds` runs of ours and of the reference, after one
// warm-up run of each. The runs alternate, so that a change in the load of
// the machine meets both alike; the fastest run is the least disturbed one.
template <class A, class B>
Times Compare(A&& ours, B&& reference, int rounds = 9)
{
    ours();
    reference();
    Times t;
    for (int i = 0; i < rounds; ++i) {
        t.ours = std::min(t.ours, Once(ours));
        t.reference = std::min(t.reference, Once(reference));
    }
    return t;
}

// One row of figures: name, our figure, the reference's figure and name, and
// ours / reference. With TALVERA_BENCH_ROWS set in the environment (tools/bench
// sets it to gather every benchmark into one table) the row is printed as
// "@row<TAB>name<TAB>ours<TAB>reference<TAB>unit<TAB>reference name".
inline void Row(const std::string& name, double ours, double reference, const std::string& referenceName,
                const char* unit = "ms")
{
    if (std::getenv("TALVERA_BENCH_ROWS"))
        std::printf("@row\t%s\t%.4f\t%.4f\t%s\t%s\n", name.c_str(), ours, reference, unit, referenceName.c_str());
    else
        std::printf("%-44s %8.2f %s %9.2f %s %-28s %6.2f\n", name.c_str(), ours, unit, reference, unit,
                    referenceName.c_str(), ours / reference);
    std::fflush(stdout);
}

// One line: name, our time, the reference's time and name, ours / reference.
inline void Report(const std::string& name, const Times& t, const std::string& referenceName)
{
    Row(name, t.ours * 1e3, t.reference * 1e3, referenceName);
}

// Ends the benchmark when ours and the reference disagree.
inline void Check(bool same, const char* what)
{
    if (same) return;
    std::fprintf(stderr, "bench: %s: our result differs from the reference's\n", what);
    std::exit(1);
}

}  // namespace bench
