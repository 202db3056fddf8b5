#include "skin/graphics/DwmApi.h"

TDwmSetWindowAttributeFn DwmSetWindowAttributeFn = nullptr;
TDwmIsCompositionEnabledFn DwmIsCompositionEnabledFn = nullptr;
TDwmEnableBlurBehindWindowFn DwmEnableBlurBehindWindowFn = nullptr;
TDwmSetIconicThumbnailFn DwmSetIconicThumbnailFn = nullptr;
TDwmSetIconicLivePreviewBitmapFn DwmSetIconicLivePreviewBitmapFn = nullptr;
TDwmInvalidateIconicBitmapsFn DwmInvalidateIconicBitmapsFn = nullptr;

namespace {

bool bound = false;
HMODULE dwm = nullptr;

template <class Fn>
void Bind(Fn& fn, const char* name)
{
    if (!fn && dwm)
        fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(dwm, name)));
}

}  // namespace

void BindDwmApi()
{
    if (bound)
        return;
    bound = true;
    dwm = LoadLibraryW(L"dwmapi.dll");
    Bind(DwmSetWindowAttributeFn, "DwmSetWindowAttribute");
    Bind(DwmIsCompositionEnabledFn, "DwmIsCompositionEnabled");
    Bind(DwmEnableBlurBehindWindowFn, "DwmEnableBlurBehindWindow");
    Bind(DwmSetIconicThumbnailFn, "DwmSetIconicThumbnail");
    Bind(DwmSetIconicLivePreviewBitmapFn, "DwmSetIconicLivePreviewBitmap");
    Bind(DwmInvalidateIconicBitmapsFn, "DwmInvalidateIconicBitmaps");
}

void UnbindDwmApi()
{
    if (!dwm)
        return;
    DwmSetWindowAttributeFn = nullptr;
    DwmIsCompositionEnabledFn = nullptr;
    DwmEnableBlurBehindWindowFn = nullptr;
    DwmSetIconicThumbnailFn = nullptr;
    DwmSetIconicLivePreviewBitmapFn = nullptr;
    DwmInvalidateIconicBitmapsFn = nullptr;
    FreeLibrary(dwm);
    dwm = nullptr;
    bound = false;
}

bool DwmCompositionOn()
{
    BindDwmApi();
    BOOL on = FALSE;
    return DwmIsCompositionEnabledFn && SUCCEEDED(DwmIsCompositionEnabledFn(&on)) && on;
}

HRESULT CallDwmSetWindowAttribute(HWND wnd, DWORD attribute, const void* value, DWORD size)
{
    BindDwmApi();
    return DwmSetWindowAttributeFn ? DwmSetWindowAttributeFn(wnd, attribute, value, size) : E_NOTIMPL;
}
