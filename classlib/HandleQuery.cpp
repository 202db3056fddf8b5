#include "classlib/HandleQuery.h"

#include "classlib/GdiHandle.h"

UINT LiveHandlesMessage()
{
    static const UINT message = RegisterWindowMessageW(L"TalveraLiveHandles");
    return message;
}

namespace {
LRESULT g_state = 0;
}

void SetLiveHandlesState(LRESULT state) { g_state = state; }

LRESULT AnswerLiveHandles(WPARAM what)
{
    switch (what) {
    case kAskGdiObjects: return LiveHandles(THandleKind::hkGdiObject);
    case kAskDCs: return LiveHandles(THandleKind::hkDC);
    case kAskWindows: return LiveHandles(THandleKind::hkWindow);
    case kAskCounted: return kHandlesCounted ? kCountedYes : kCountedNo;
    case kAskState: return g_state;
    default: return 0;
    }
}
