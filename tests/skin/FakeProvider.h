// A provider of the tests' own, registered on a real form's window for its
// lifetime; each answer comes from a function the test sets (unset: the null
// provider's answer).
#pragma once
#include <functional>

#include "skin/core/ProviderSeam.h"

struct FakeProvider : TsProviderSeam {
    // manager nil: the provider works with every manager.
    explicit FakeProvider(TCustomForm* f, TsSkinManager* m = nullptr) : form(f), manager(m), wnd(f->Handle())
    {
        RegisterProvider(wnd, this);
    }
    ~FakeProvider() override { UnregisterProvider(wnd, this); }
    FakeProvider(const FakeProvider&) = delete;
    FakeProvider& operator=(const FakeProvider&) = delete;

    TCustomForm* Form() override { return form; }
    HWND Window() override { return wnd; }
    bool WorksWith(TsSkinManager* m) override { return !manager || m == manager; }
    bool PaintsNonClient() override { return paintsNonClient; }
    bool CaptureCover() override { return cover && cover(); }
    bool SuspendRedraw() override { return suspend && suspend(); }
    bool ResumeRedraw(bool animate) override { return resume && resume(animate); }
    void FadeAfterSkinChange(unsigned timeMs, uint8_t alpha, TkvAnimType type) override
    {
        if (fade) fade(timeMs, alpha, type);
    }
    bool PrepareHideAnimation() override { return prepareHide && prepareHide(); }
    void PlayHideAnimation() override
    {
        if (hide) hide();
    }
    bool MinimizeAnimated() override { return minimize && minimize(); }
    bool RestoreAnimated() override { return restore && restore(); }

    TCustomForm* form;
    TsSkinManager* manager;
    HWND wnd;
    bool paintsNonClient = false;
    std::function<bool()> cover, suspend, prepareHide, minimize, restore;
    std::function<bool(bool animate)> resume;
    std::function<void(unsigned timeMs, uint8_t alpha, TkvAnimType type)> fade;
    std::function<void()> hide;
};
