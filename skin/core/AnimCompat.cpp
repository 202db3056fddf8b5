#include "skin/core/AnimCompat.h"

bool AnimationRunning = false;

LRESULT SendSkinCommand(HWND wnd, unsigned command, LPARAM lParam)
{
    return SendMessageW(wnd, SkinCommandMessage, MakeSkinCmdWParam(command), lParam);
}

LRESULT PerformSkinCommand(TControl* control, unsigned command, LPARAM lParam)
{
    if (!control) return 0;
    if (auto* w = dynamic_cast<TWinControl*>(control)) {
        if (w->Destroying() || !w->HandleAllocated()) return 0;
        return SendSkinCommand(w->Handle(), command, lParam);
    }
    return control->Perform(SkinCommandMessage, MakeSkinCmdWParam(command), lParam);
}

bool QueryControlSkinFlag(TControl* control, unsigned command)
{
    return (PerformSkinCommand(control, command, 0) & 0xFF) != 0;
}

TColor GetControlBgColor(TControl* control)
{
    if (!control) return 0xFF00FF;
    if (PerformSkinCommand(control, SkinCmdIsSkinned, 0) == 1)
        return TColor(ColorToRGB(TColor(control->Perform(SkinCommandMessage, MakeSkinCmdWParam(SkinCmdGetBkColor),
                                                         0xFF00FF))));
    return TColor(ColorToRGB(control->Color()));
}

RECT GetClientRectInWindow(HWND wnd)
{
    RECT c{}, w{};
    GetClientRect(wnd, &c);
    GetWindowRect(wnd, &w);
    POINT o{0, 0};
    ClientToScreen(wnd, &o);
    OffsetRect(&c, o.x - w.left, o.y - w.top);
    return c;
}

int GetParentBgByControl(TsBgRequest& request, TControl* parent, bool paintIt)
{
    if (!parent) return 0;
    PerformSkinCommand(parent, SkinCmdGetBackground, LPARAM(&request));
    if (request.Kind == bgNone) {
        request.Kind = bgColor;
        request.Color = GetControlBgColor(parent);
    }
    return 1;
}
