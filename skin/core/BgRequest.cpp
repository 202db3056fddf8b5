#include "skin/core/BgRequest.h"

#include <algorithm>
#include <vector>

#include "classlib/GdiHandle.h"
#include "classlib/Graphics.h"
#include "skin/graphics/SkinCommands.h"
#include "skin/core/SkinManager.h"
#include "skin/graphics/Utils.h"

namespace {

void StartRequest(TsBgRequest& r, bool paintIt)
{
    r.Kind = bgNone;
    r.PaintIt = paintIt ? 1 : 0;
    for (int32_t& w : r.FrameWidths)
        w = 0;
}

// The parent paints itself into the request's DC, clipped to the child's area.
template <class Send>
void PaintParentInto(TsBgRequest& r, Send send)
{
    SavedDC saved(r.DC);
    POINT org{};
    GetViewportOrgEx(r.DC, &org);
    SetViewportOrgEx(r.DC, org.x - r.OffsetX, org.y - r.OffsetY, nullptr);
    RECT clip = r.PaintRect;
    OffsetRect(&clip, r.OffsetX, r.OffsetY);
    IntersectClipRect(r.DC, clip.left, clip.top, clip.right, clip.bottom);
    send(WM_ERASEBKGND);
    send(WM_PAINT);
}

}  // namespace

TsBgRequestScope::TsBgRequestScope(const TsBgRequest& request) : scope_(&request) {}

bool IsBgRequestInFlight(const void* request) { return IsCommandPointerInFlight(request); }

TColor DefaultBackgroundColor()
{
    // A manager without a loaded skin has no palette to speak of.
    if (DefaultManager && DefaultManager->SkinData().Active)
        return TColor(DefaultManager->GetGlobalColor());
    return clBtnFace;
}

int GetParentBgByHandle(TsBgRequest& r, HWND parent, bool paintIt)
{
    StartRequest(r, paintIt);
    if (parent) {
        TsBgRequestScope asking(r);
        SendSkinCommand(parent, TsSkinCommand::GetBackground, LPARAM(&r));
    }
    if (r.Kind != bgNone)
        return 1;
    // Painting needs a context: a request without one is answered with a colour
    // (no SaveDC(0), no WM_PAINT with a null context).
    if (r.PaintIt && r.DC && parent) {
        PaintParentInto(r, [&](UINT msg) { SendMessageW(parent, msg, WPARAM(r.DC), 0); });
        return 0;
    }
    r.Color = DefaultBackgroundColor();
    r.Kind = bgColor;
    return 0;
}

int GetParentBgByControl(TsBgRequest& r, TControl* parent, bool paintIt)
{
    StartRequest(r, paintIt);
    r.Bmp = nullptr;
    if (!parent) {
        r.Color = DefaultBackgroundColor();
        r.Kind = bgColor;
        return 1;
    }
    // Unlike SendSkinCommand to a control, a windowed parent without a window
    // is still asked, straight through its window procedure.
    auto* w = dynamic_cast<TWinControl*>(parent);
    TsBgRequestScope asking(r);
    if (w && w->HandleAllocated() && !w->Destroying())
        SendSkinCommand(w->Handle(), TsSkinCommand::GetBackground, LPARAM(&r));
    else
        CallSkinCommand(parent, TsSkinCommand::GetBackground, LPARAM(&r));
    if (r.Kind != bgNone)
        return 1;
    if (r.PaintIt && r.DC) {
        PaintParentInto(r, [&](UINT msg) { parent->Perform(msg, WPARAM(r.DC), 0); });
        return 1;
    }
    r.Kind = bgColor;
    r.Color = GetControlBgColor(parent);
    return 1;
}

void BgRequestToCacheInfo(const TsBgRequest& r, TsBgCacheInfo& info)
{
    if (r.Kind == bgBitmap) {
        info = InitBgCacheInfo(r.Bmp, r.OffsetX, r.OffsetY);
        return;
    }
    info.Bmp = r.Bmp;
    info.X = r.OffsetX;
    info.Y = r.OffsetY;
    info.FillColor = TColor(ColorToRGB(r.Color));
    for (int i = 0; i < 4; ++i)
        info.FrameWidths[i] = r.FrameWidths[i];
    info.Ready = false;
}

TsBgCacheInfo ParentBackgroundOf(TControl* control, TsBgRequest& answer)
{
    answer = TsBgRequest{};
    TsBgCacheInfo info = EmptyBgCacheInfo;
    if (!control) return info;
    if (TWinControl* parent = control->Parent()) {
        GetParentBgByControl(answer, parent, false);
    } else if (auto* w = dynamic_cast<TWinControl*>(control); w && w->HandleAllocated() && GetParent(w->Handle())) {
        GetParentBgByHandle(answer, GetParent(w->Handle()), false);
    } else {
        return info;
    }
    BgRequestToCacheInfo(answer, info);
    if (answer.Bmp) {
        // The parent answers for its own origin; a colour answer that names the
        // parent's bitmap (its frame strips) is placed the same way.
        info.X += control->Left();
        info.Y += control->Top();
    }
    return info;
}
