// The desktop window manager's entry points, bound in one place the first
// time any of them is needed. dwmapi.dll may be missing (systems before it,
// or a stripped one), so each is looked up by name; a null pointer then means
// "not available" and the callers below answer as if composition were off.
// Tests may replace the pointers (to record calls, or to act as a system with
// composition on); a later bind keeps what a test put there.
#pragma once
#include <windows.h>

struct TsDwmBlurBehind {   // DWM_BLURBEHIND
    DWORD dwFlags;
    BOOL fEnable;
    HRGN hRgnBlur;
    BOOL fTransitionOnMaximized;
};

using TDwmSetWindowAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);
using TDwmIsCompositionEnabledFn = HRESULT(WINAPI*)(BOOL*);
using TDwmEnableBlurBehindWindowFn = HRESULT(WINAPI*)(HWND, const TsDwmBlurBehind*);
using TDwmSetIconicThumbnailFn = HRESULT(WINAPI*)(HWND, HBITMAP, DWORD);
using TDwmSetIconicLivePreviewBitmapFn = HRESULT(WINAPI*)(HWND, HBITMAP, POINT*, DWORD);
using TDwmInvalidateIconicBitmapsFn = HRESULT(WINAPI*)(HWND);

extern TDwmSetWindowAttributeFn DwmSetWindowAttributeFn;
extern TDwmIsCompositionEnabledFn DwmIsCompositionEnabledFn;
extern TDwmEnableBlurBehindWindowFn DwmEnableBlurBehindWindowFn;
extern TDwmSetIconicThumbnailFn DwmSetIconicThumbnailFn;
extern TDwmSetIconicLivePreviewBitmapFn DwmSetIconicLivePreviewBitmapFn;
extern TDwmInvalidateIconicBitmapsFn DwmInvalidateIconicBitmapsFn;

// Loads dwmapi.dll and looks up every entry point above that is still null;
// later calls do nothing.
void BindDwmApi();
// Frees the library (the unit's end); the pointers it filled become null.
void UnbindDwmApi();

// Window attributes of DwmSetWindowAttribute.
constexpr DWORD kDwmwaNcRenderingPolicy = 2;       // DWMWA_NCRENDERING_POLICY
constexpr DWORD kDwmwaTransitionsForceDisabled = 3;  // DWMWA_TRANSITIONS_FORCEDISABLED
constexpr DWORD kDwmncrpUseWindowStyle = 0;        // DWMNCRP_USEWINDOWSTYLE
constexpr DWORD kDwmncrpDisabled = 1;              // DWMNCRP_DISABLED

// The composition state; false without dwmapi.
bool DwmCompositionOn();
// DwmSetWindowAttribute through the bound pointer; E_NOTIMPL when it is missing.
HRESULT CallDwmSetWindowAttribute(HWND wnd, DWORD attribute, const void* value, DWORD size);
