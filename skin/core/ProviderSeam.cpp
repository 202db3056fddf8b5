#include "skin/core/ProviderSeam.h"

#include <unordered_map>

#include "skin/core/Animations.h"

namespace {

TsProviderSeam nullProvider;

// Windows live on the GUI thread, and so does the registry.
std::unordered_map<HWND, TsProviderSeam*>& Registry()
{
    static std::unordered_map<HWND, TsProviderSeam*> providers;
    return providers;
}

}  // namespace

bool TsProviderSeam::IsNull() const { return this == &nullProvider; }

void TsProviderSeam::FadeAfterSkinChange(unsigned timeMs, uint8_t alpha, TkvAnimType type)
{
    if (TCustomForm* form = Form())
        AnimShowFormLayered(form, timeMs, alpha, type);
}

void TsProviderSeam::PlayHideAnimation()
{
    if (!IsNull())
        AnimHideForm(this);
}

TsProviderSeam& ProviderOf(HWND wnd)
{
    if (!wnd)
        return nullProvider;
    auto& providers = Registry();
    auto it = providers.find(wnd);
    return it == providers.end() ? nullProvider : *it->second;
}

TsProviderSeam& ProviderOf(TWinControl* control)
{
    return control && control->HandleAllocated() ? ProviderOf(control->Handle()) : nullProvider;
}

void RegisterProvider(HWND wnd, TsProviderSeam* provider)
{
    if (!wnd)
        return;
    if (!provider || provider == &nullProvider)
        Registry().erase(wnd);
    else
        Registry()[wnd] = provider;
}

void UnregisterProvider(HWND wnd, TsProviderSeam* provider)
{
    auto& providers = Registry();
    auto it = providers.find(wnd);
    if (it != providers.end() && (!provider || it->second == provider))
        providers.erase(it);
}
