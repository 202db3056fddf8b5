// The windows the animations show their pictures on: TOutputWindow, a plain
// window with no content of its own (the surface of the skin-change
// cross-fade), and TkvAnimSurface, the borderless no-activate form that
// carries a layered picture while a form is shown or hidden.
#pragma once
#include <windows.h>

#include "classlib/Controls.h"
#include "classlib/Forms.h"

class TOutputWindow : public TCustomControl {
    DECLARE_CLASS(TOutputWindow, TCustomControl)
public:
    // Caption "kvOutputWindow", hidden, colour 0xFF00FF, tag -98.
    explicit TOutputWindow(TComponent* owner);
    void Dispatch(TMessage& message) override;

protected:
    // Without a parent the window is exactly a popup owned by the application
    // window, topmost when its owner is a windowed control whose window is.
    void CreateParams(TCreateParams& params) override;
    void PaintWindow(HDC dc) override {}
};

class TkvAnimSurface : public TForm {
    DECLARE_CLASS(TkvAnimSurface, TForm)
public:
    // Owned by the application, tag -98, no border, a tool window that never
    // activates, placed at bounds (screen coordinates) and not shown yet.
    TkvAnimSurface(const RECT& bounds, bool topmost);
    void Dispatch(TMessage& message) override;
    bool Topmost() const { return topmost_; }

protected:
    void CreateParams(TCreateParams& params) override;

private:
    bool topmost_;
};

// The messages of a window that shows only what is pushed to it or drawn on
// it from outside: no background (WM_ERASEBKGND answers 1), no frame, nothing
// painted of its own (the update region is validated); with noActivate a
// click never activates it. False for every other message.
bool AnswerSurfaceMessage(TWinControl& window, TMessage& message, bool noActivate);

// Whether a window is topmost.
bool IsTopmostWindow(HWND wnd);
