// Temporary: the few send, query and background routines the animations use,
// until the shared command helpers land. Removed when they do.
#pragma once
#include <windows.h>

#include "classlib/Controls.h"
#include "classlib/Forms.h"
#include "skin/graphics/Bitmap32.h"
#include "skin/graphics/Constants.h"

extern bool AnimationRunning;

class AnimationRunningScope {
public:
    AnimationRunningScope() : saved_(AnimationRunning) { AnimationRunning = true; }
    ~AnimationRunningScope() { AnimationRunning = saved_; }
    AnimationRunningScope(const AnimationRunningScope&) = delete;
    AnimationRunningScope& operator=(const AnimationRunningScope&) = delete;

private:
    bool saved_;
};

LRESULT SendSkinCommand(HWND wnd, unsigned command, LPARAM lParam);
LRESULT PerformSkinCommand(TControl* control, unsigned command, LPARAM lParam);
bool QueryControlSkinFlag(TControl* control, unsigned command);
TColor GetControlBgColor(TControl* control);
RECT GetClientRectInWindow(HWND wnd);

enum TsBgKind : uint8_t { bgNone = 0, bgColor = 1, bgBitmap = 2, bgNotReady = 3 };
struct TsBgRequest {
    TBitmap* Bmp = nullptr;
    TColor Color = 0;
    int32_t OffsetX = 0;
    int32_t OffsetY = 0;
    RECT PaintRect{};
    int32_t FrameWidths[4] = {};
    uint8_t Kind = bgNone;
    uint8_t PaintIt = 0;
    HDC DC = nullptr;
};
int GetParentBgByControl(TsBgRequest& request, TControl* parent, bool paintIt);
