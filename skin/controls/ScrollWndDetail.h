// Helpers shared by the files of the skinned scroll bars (ScrollWnd*.cpp) only:
// the timers and the one tracking record of the process, and small helpers of
// the skin and of rectangles.
#pragma once
#include <windows.h>

#include "skin/controls/ScrollGeometry.h"
#include "skin/core/MaskPaintBitmap.h"
#include "skin/core/SkinManager.h"

namespace scrollwnd_detail {

// Timers of the tracked window.
constexpr UINT_PTR kRepeatDelayTimer = 0xFFFD;   // first repeat after 300 ms
constexpr UINT_PTR kRepeatTimer = 0xFFFE;        // then every 55 ms
constexpr UINT_PTR kHotTimer = 0xFFF2;           // hot tracking, every 20 ms
constexpr UINT_PTR kWatchTimer = 0xFFF3;         // the bars' watch, every 100 ms
constexpr UINT kRepeatDelay = 300, kRepeatEvery = 55, kHotEvery = 20, kWatchEvery = 100;

// The one tracking record of the process.
struct TrackingRecord {
    int LastTrackPos = -1;
    int PressedKind = -1;
    int PressedShown = -1;
    int HotShown = -1;
    HWND TrackWindow = nullptr;
    UINT ScrollMsg = 0;
    UINT_PTR HotTimer = 0;
    int HotKind = -1;
    int HotPart = -1;
    int PressedPart = -1;
    UINT_PTR ScrollRepeatTimer = 0;
    RECT HotBarRect{};
    scrollgeo::BarLayout DragLayout;   // thumb length and track at the press
    int DragThumbPos = 0;   // thumb start from the bar's start
    int DragGrabOffset = 0;
    int DragStartPos = 0;
};
inline TrackingRecord g;

inline void ResetPress()
{
    g.PressedPart = g.PressedShown = g.PressedKind = -1;
    g.ScrollRepeatTimer = 0;
    g.ScrollMsg = 0;
    g.LastTrackPos = -1;
}
inline void ResetHot()
{
    g.HotTimer = 0;
    g.HotKind = g.HotShown = g.HotPart = -1;
}

inline TsSkinManager* UsableManager(TsSkinManager* m)
{
    m = ManagerOrDefault(m);
    return m && m->SkinData().Active ? m : nullptr;
}

inline bool SectionReserved(TsSkinManager* m, int section)
{
    return m && m->IsSectionIndexValid(section) && m->gd()[size_t(section)].ReservedBoolean;
}

// The arrow-less look of a bar kind: its first track section says so.
inline bool Arrowless(TsSkinManager* m, int kind)
{
    return m && SectionReserved(m, m->CommonIndexes().BarSection[kind == 0 ? sb1H : sb1V]);
}

// A span along a bar as a rectangle of a bar bitmap.
inline RECT Along(int kind, int a, int b, int thickness)
{
    return kind == 0 ? RECT{a, 0, b, thickness} : RECT{0, a, thickness, b};
}

inline int Width(const RECT& r) { return r.right - r.left; }
inline int Height(const RECT& r) { return r.bottom - r.top; }

inline constexpr int kPartCode[] = {SB_LINEUP, SB_LINEDOWN, SB_PAGEUP, SB_PAGEDOWN};

inline RECT CornerRect(const RECT& hr, const RECT& vr) { return RECT{vr.left, hr.top, vr.right, hr.bottom}; }

}  // namespace scrollwnd_detail
