// Loading options whose sections inherit in one long PARENTCLASS chain, beside
// loading the same number of sections that inherit nothing: with inheritance
// resolved once per load, the chain grows linearly with the sections, as the
// plain ones do.
#include <string>

#include "BenchHarness.h"
#include "skin/model/SkinIni.h"
#include "skin/model/SkinLoader.h"

namespace {

// n sections with a few keys each; chained: each names the one before as its parent.
std::string Options(int n, bool chained)
{
    std::string s = "[GLOBALINFO]\r\nVERSION=8.5\r\n";
    for (int i = 0; i < n; ++i) {
        s += "[S" + std::to_string(i) + "]\r\n";
        if (chained && i > 0)
            s += "PARENTCLASS=S" + std::to_string(i - 1) + "\r\n";
        if (!chained || i == 0)
            s += "COLOR=255\r\nGLOW=3\r\nSTATES=2\r\nHOTCOLOR=65280\r\n";
    }
    return s;
}

size_t Load(const SkinIni& ini, int& glow)
{
    TsSkinTables t;
    SkinLoader(t, ini, nullptr, "/nonexistent/", SkinLoadSettings()).Load();
    glow = t.Sections.back().Glow;
    return t.Sections.size();
}

}  // namespace

int main()
{
    for (int n : {1000, 2000, 5000}) {
        SkinIni chain(Options(n, true)), plain(Options(n, false));
        int glowChain = 0, glowPlain = 0;
        bench::Check(Load(chain, glowChain) == Load(plain, glowPlain) && glowChain == 3 && glowPlain == 3,
                     "section count and inherited GLOW");
        auto t = bench::Compare([&] { Load(chain, glowChain); }, [&] { Load(plain, glowPlain); }, 5);
        bench::Report("skin load, " + std::to_string(n) + " chained sections", t,
                      std::to_string(n) + " plain sections");
    }
    return 0;
}
