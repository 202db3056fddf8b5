#include "classlib/Frames.h"

TCustomFrame::TCustomFrame(TComponent* owner) : TWinControl(owner)
{
    SetControlStyle(ControlStyle() | csAcceptsControls);
    SetBounds(0, 0, 320, 240);
}
