// The background behind a control as its painters receive it.
#pragma once
#include "classlib/Graphics.h"

struct TsBgCacheInfo {
    TBitmap* Bmp = nullptr;      // not owned: usually the parent's cache bitmap
    int X = 0;                   // the control's origin inside Bmp
    int Y = 0;
    TColor FillColor = 0xFF00FF; // plain background colour when there is no bitmap; 0xFF00FF = none
    int FrameWidths[4] = {0, 0, 0, 0};   // left, top, right, bottom
    bool Ready = false;          // Bmp holds a usable background
};

// No background at all: no bitmap, no colour, not ready.
inline TsBgCacheInfo EmptyBgCacheInfo() { return TsBgCacheInfo{}; }
