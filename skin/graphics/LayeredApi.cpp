#include "skin/graphics/LayeredApi.h"

TUpdateLayeredWindowFn UpdateLayeredWindowFn = nullptr;
TSetLayeredWindowAttributesFn SetLayeredWindowAttributesFn = nullptr;

void BindLayeredApi()
{
    static bool bound = false;
    if (bound) return;
    bound = true;
    // user32 is loaded for as long as any window exists, so no reference is taken.
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    if (!user32) return;
    UpdateLayeredWindowFn = reinterpret_cast<TUpdateLayeredWindowFn>(GetProcAddress(user32, "UpdateLayeredWindow"));
    SetLayeredWindowAttributesFn =
        reinterpret_cast<TSetLayeredWindowAttributesFn>(GetProcAddress(user32, "SetLayeredWindowAttributes"));
}

bool LayeredWindowsAvailable()
{
    BindLayeredApi();
    return UpdateLayeredWindowFn != nullptr;
}
