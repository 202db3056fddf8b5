// Start-up shared by the benchmarks that run the skin library under Wine.
#pragma once
#include "WineBench.h"
#include "classlib/Forms.h"
#include "skin/core/SkinManager.h"
#include "skin/forms/Startup.h"

namespace winebench {

// The class library and the skin library for the life of a benchmark's main:
// started on construction, shut down (in the opposite order) on destruction.
struct SkinLibrary {
    SkinLibrary()
    {
        InitApplication();
        InitSkinLibrary();
    }
    ~SkinLibrary()
    {
        DoneSkinLibrary();
        DoneApplication();
    }
    SkinLibrary(const SkinLibrary&) = delete;
    SkinLibrary& operator=(const SkinLibrary&) = delete;
};

// A manager of its own that loads the sample skin "Slate" from beside the program.
inline TsSkinManager* NewSampleSkinManager()
{
    auto* m = new TsSkinManager(nullptr);
    m->SetSkinDirectory(SampleSkinsFolder());
    m->SetSkinName(L"Slate");
    return m;
}

}  // namespace winebench
