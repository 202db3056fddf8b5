// Painting a control with all its children into a 32-bit bitmap (the picture
// every animation starts from) and painting the graphic children of a skinned
// container into a device context through one off-screen picture.
#pragma once
#include <windows.h>

#include "classlib/Controls.h"

class TsProviderSeam;

// Paints control (and its visible windowed children, each at its place) into
// bmp with the control's top-left at (x, y). provider: the form's skin
// provider when a form is painted for an animation, else nil. A hidden control
// with a parent gets the background its parent answers for it.
void PaintControlTree(TBitmap* bmp, TControl* control, int x, TsProviderSeam* provider, int y);

// Paints the graphic children of control into dc at offset (their bounds
// moved by offset), each over the background its place shows, without
// flicker. onlyWhenVisible: nothing while the control itself is hidden. A
// nested call (from a child's painting) returns at once.
void PaintGraphicChildren(HDC dc, TWinControl* control, POINT offset, bool onlyWhenVisible);

// The class library's picture of a windowed control without its windowed
// children: frame, background, content and graphic children, the window's
// top-left at the DC's origin.
void PaintWindowedControlTo(TWinControl* control, HDC dc);
