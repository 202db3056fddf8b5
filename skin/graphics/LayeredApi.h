// The layered-window entry points of user32, bound in one place for every
// painter, animation and glow that pushes a picture to a layered window.
// They are looked up at run time because a system without layered windows
// has no such exports; a null pointer then means "not available".
#pragma once
#include <windows.h>

using TUpdateLayeredWindowFn = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*, DWORD);
using TSetLayeredWindowAttributesFn = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);

// Filled by BindLayeredApi. Tests may replace them (to record the pushes, or to
// act as a system without layered windows); a later BindLayeredApi keeps that.
extern TUpdateLayeredWindowFn UpdateLayeredWindowFn;
extern TSetLayeredWindowAttributesFn SetLayeredWindowAttributesFn;

// Looks both up in user32 the first time it is called; later calls do nothing.
void BindLayeredApi();
// Binds, then answers whether UpdateLayeredWindowFn is there.
bool LayeredWindowsAvailable();
