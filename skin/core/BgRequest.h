// The request with which a child asks its parent for the background behind it
// (skin command SkinCmdGetBackground, LParam = the request), and the routines
// that ask a parent window or a parent control.
#pragma once
#include <cstdint>

#include "classlib/Controls.h"
#include "skin/graphics/Constants.h"
#include "skin/graphics/SkinCommands.h"

// Kinds of answer.
enum TsBgKind : uint8_t { bgNone = 0, bgColor = 1, bgBitmap = 2, bgNotReady = 3 };

struct TsBgRequest {
    TBitmap* Bmp = nullptr;       // answer: the parent's cache bitmap (kind 2)
    TColor Color = 0;             // answer: background colour (kind 1)
    // Asked to paint: the child's place in the parent. Answered (not painting):
    // the answering parent's own origin inside Bmp; ParentBackgroundOf moves it
    // to the asking control's place, so a control asks through it.
    int32_t OffsetX = 0;
    int32_t OffsetY = 0;
    RECT PaintRect{};             // area to paint when the parent paints into DC
    int32_t FrameWidths[4] = {};  // answer: left, top, right, bottom frame strips
    uint8_t Kind = bgNone;        // TsBgKind
    uint8_t PaintIt = 0;          // paint the background into DC when nobody answers
    HDC DC = nullptr;             // device context for that painting
};

// The requests being asked on this thread right now (the skin commands'
// pointer check, SkinCommands.h): a receiver answers only one of these. The
// asking routines below register theirs; code that sends the command itself
// holds a scope around the send.
class TsBgRequestScope {
public:
    explicit TsBgRequestScope(const TsBgRequest& request);

private:
    TsCommandPointerScope scope_;
};
bool IsBgRequestInFlight(const void* request);

// Asks a parent window. Returns 1 when a receiver answered (Kind != 0), else 0.
// Unanswered, with PaintIt and a DC, the parent paints itself into DC clipped
// to PaintRect; unanswered otherwise (PaintIt without a DC counts as not
// painting), Kind 1 with the default manager's global colour, or clBtnFace
// without a manager.
int GetParentBgByHandle(TsBgRequest& request, HWND parent, bool paintIt);
// Asks a parent control (windowed with a window: SendMessage; else Perform).
// Unanswered, with PaintIt and a DC, the control paints itself into DC;
// otherwise Kind 1 with its background colour (GetControlBgColor). Always 1.
int GetParentBgByControl(TsBgRequest& request, TControl* parent, bool paintIt);
// The colour behind a window nobody answers for: the default manager's global
// colour while it has a skin, else clBtnFace.
TColor DefaultBackgroundColor();
// Kind 2: a ready background at the answer's offsets; otherwise the bitmap
// and offsets, the answered colour as fill colour and the frame widths, not ready.
void BgRequestToCacheInfo(const TsBgRequest& request, TsBgCacheInfo& info);
// The background request of a control to its parent as background information:
// the parent control asked (or the parent window of a windowed control without
// one); when the answer names the parent's bitmap (a bitmap answer, or a colour
// answer with the parent's frame strips) its offsets are moved by the control's
// position. The answer itself is left in answer (Kind 0 when there was nobody
// to ask).
TsBgCacheInfo ParentBackgroundOf(TControl* control, TsBgRequest& answer);
