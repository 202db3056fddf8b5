// The question another process (the soak) asks a running program about the
// handles its owners hold: a registered message sent to the application
// window, answered from the process-wide counts of GdiHandle.h.
//
//   SendMessageTimeout(appWindow, LiveHandlesMessage(), kAskCounted, 0, ...)
//     answers kCountedYes or kCountedNo (0: the program does not know the
//     question);
//   wParam kAskGdiObjects / kAskDCs / kAskWindows answers the live count of
//     that kind (0 in builds that do not count);
//   wParam kAskState answers what the program last gave SetLiveHandlesState
//     (0 by default): a state whose caches differ (a skin on or off), so
//     that the soak compares counts only within one state.
#pragma once
#include <windows.h>

enum : WPARAM { kAskGdiObjects = 0, kAskDCs = 1, kAskWindows = 2, kAskCounted = 3, kAskState = 4 };
enum : LRESULT { kCountedYes = 1, kCountedNo = 2 };

// The registered message (the same number in every process of the session).
UINT LiveHandlesMessage();
// The answer to LiveHandlesMessage() with this wParam.
LRESULT AnswerLiveHandles(WPARAM what);
// The program's state as kAskState answers it.
void SetLiveHandlesState(LRESULT state);
