#include "skin/core/OutputWindow.h"

#include "skin/graphics/Constants.h"


bool IsTopmostWindow(HWND wnd)
{
    return wnd && (GetWindowLongPtrW(wnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

TOutputWindow::TOutputWindow(TComponent* owner) : TCustomControl(owner)
{
    SetCaption(L"kvOutputWindow");
    SetVisible(false);
    SetColor(TColor(0xFF00FF));
    SetTag(NoSkinTag);
}

void TOutputWindow::CreateParams(TCreateParams& params)
{
    TCustomControl::CreateParams(params);
    if (!Parent()) {
        params.Style = WS_POPUP;
        params.ExStyle = 0;
        auto* ownerControl = dynamic_cast<TWinControl*>(Owner());
        if (ownerControl && ownerControl->HandleAllocated() && IsTopmostWindow(ownerControl->Handle()))
            params.ExStyle |= WS_EX_TOPMOST;
        params.WndParent = Application ? Application->Handle() : nullptr;
    }
}

bool AnswerSurfaceMessage(TWinControl& window, TMessage& message, bool noActivate)
{
    switch (message.Msg) {
    case WM_ERASEBKGND:
        message.Result = 1;
        return true;
    case WM_NCPAINT:
        message.Result = 0;
        return true;
    case WM_PAINT:
        // Nothing of its own: whoever uses the window draws on it.
        if (message.WParam == 0) PaintScope validate(window.Handle());
        message.Result = 0;
        return true;
    case WM_MOUSEACTIVATE:
        if (!noActivate)
            return false;
        message.Result = MA_NOACTIVATE;
        return true;
    default:
        return false;
    }
}

void TOutputWindow::Dispatch(TMessage& message)
{
    if (!AnswerSurfaceMessage(*this, message, false))
        TCustomControl::Dispatch(message);
}

TkvAnimSurface::TkvAnimSurface(const RECT& bounds, bool topmost) : TForm(Application), topmost_(topmost)
{
    SetTag(NoSkinTag);
    SetVisible(false);
    SetBorderStyle(TFormBorderStyle::bsNone);
    SetBounds(bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
}

void TkvAnimSurface::CreateParams(TCreateParams& params)
{
    TForm::CreateParams(params);
    params.ExStyle |= WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW;
    if (topmost_) params.ExStyle |= WS_EX_TOPMOST;
}

void TkvAnimSurface::Dispatch(TMessage& message)
{
    switch (message.Msg) {
    case WM_ERASEBKGND:
        message.Result = 1;
        return;
    case WM_MOUSEACTIVATE:
        message.Result = MA_NOACTIVATE;
        return;
    default:
        TForm::Dispatch(message);
    }
}
