// Frames: a container control that a program builds once and places on
// forms like any control. It owns the components put on it, so a frame
// with its children can be created and freed as one piece.
#pragma once
#include "classlib/Controls.h"

class TCustomFrame : public TWinControl {
    DECLARE_CLASS(TCustomFrame, TWinControl)
public:
    explicit TCustomFrame(TComponent* owner);
};

class TFrame : public TCustomFrame {
    DECLARE_CLASS(TFrame, TCustomFrame)
public:
    explicit TFrame(TComponent* owner) : TCustomFrame(owner) {}
};
