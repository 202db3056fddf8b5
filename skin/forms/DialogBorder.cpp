#include "skin/forms/DialogBorder.h"

#include <windowsx.h>

#include <algorithm>

#include "skin/core/SkinManager.h"
#include "skin/graphics/Bitmap32.h"
#include "skin/graphics/LayeredApi.h"
#include "skin/forms/DialogWnd.h"

bool DialogWantsBorderWindow(TsSkinManager* m)
{
    if (!m || !m->SkinData().Active || !m->GetExtendedBorders() || !LayeredWindowsAvailable())
        return false;
    const auto& s = m->ShadowMargins;
    return s[0] > 0 || s[1] > 0 || s[2] > 0 || s[3] > 0;
}

// ---------------------------------------------------------------- the border object

TkvDialogBorder::TkvDialogBorder(TkvDialogWnd* dialog) : dialog_(dialog) {}

TkvDialogBorder::~TkvDialogBorder() { FreeWindow(); }

void TkvDialogBorder::FreeWindow()
{
    TkvBorderWindow* w = std::exchange(window_, nullptr);
    if (!w)
        return;
    w->Detach();
    Free(w);
}

TsBorderLayout TkvDialogBorder::Layout() const
{
    TsBorderLayout l;
    HWND owner = dialog_ ? dialog_->Handle : nullptr;
    if (!owner || !IsWindow(owner))
        return l;
    l.FrameWidth = dialog_->FrameWidth();
    l.ExtBorderWidth = l.FrameWidth;
    const POINT origin = dialog_->ClientOriginNow();
    const int caption = dialog_->CaptionHeight() > 0 ? std::max(0, int(origin.y) - l.FrameWidth) : 0;
    // The extended title reaches from the top edge of the frame to the client
    // area: the border window then lies exactly the shadow beyond the dialog.
    l.CaptionHeight = caption;
    l.ExtTitleHeight = caption + l.FrameWidth;
    if (TsSkinManager* m = dialog_->SkinManager) {
        const auto& s = m->ShadowMargins;
        l.Shadow = RECT{s[0], s[1], s[2], s[3]};
    }
    RECT wr{}, cr{};
    GetWindowRect(owner, &wr);
    GetClientRect(owner, &cr);
    l.Owner = SIZE{wr.right - wr.left, wr.bottom - wr.top};
    l.ClientOrigin = origin;
    l.Client = SIZE{cr.right, cr.bottom};
    l.Zoomed = IsZoomed(owner) != FALSE;
    return l;
}

RECT TkvDialogBorder::WindowRect() const
{
    RECT wr{};
    if (dialog_)
        GetWindowRect(dialog_->Handle, &wr);
    return BorderWindowRect(Layout(), wr);
}

POINT TkvDialogBorder::ShowOffsets() { return BorderFormOffset(Layout()); }

void TkvDialogBorder::PaintOwnerFrame()
{
    if (dialog_)
        dialog_->PaintFrameToCache();
}

void TkvDialogBorder::ComposePicture()
{
    if (!dialog_ || !dialog_->CommonData)
        return;
    TBitmap* frame = dialog_->CommonData->CacheBitmap.get();
    const RECT br = WindowRect();
    const int w = br.right - br.left, h = br.bottom - br.top;
    if (!frame || frame->Empty() || w <= 0 || h <= 0)
        return;
    if (!picture_ || picture_->Width() != w || picture_->Height() != h)
        picture_ = NewBitmap32(w, h);
    TsSkinManager* m = dialog_->SkinManager;
    const TsBorderLayout l = Layout();
    const PixelBitmap* shadow = m ? (dialog_->FormActive ? m->ShadowActive() : m->ShadowInactive()) : nullptr;
    const int formOffset = m ? m->SkinData().FormOffset : 0;
    const int mx = int(l.Shadow.left) + formOffset, my = int(l.Shadow.top) + formOffset;
    const POINT o = BorderFormOffset(l);
    const RECT inner{o.x, o.y, o.x + frame->Width(), o.y + frame->Height()};
    GdiFlush();
    PaintBorderShadow(picture_->View(), shadow, mx, my, inner);
    BitBlt(picture_->Canvas().Handle(), o.x, o.y, frame->Width(), frame->Height(), frame->Canvas().Handle(), 0, 0,
           SRCCOPY);
    GdiFlush();
    SetAlphaInRect(picture_.get(), inner, 255, NoColorValue);
    if (m) {
        TsFrameCornerMasks masks;
        masks.Form = dialog_->CommonData->BorderMaskIndex;
        PaintFrameCornersIntoShadow(picture_->View(), *m, masks, shadow, mx, my, inner);
    }
}

int TkvDialogBorder::HitTestScreen(POINT screen) const
{
    if (!dialog_ || !IsWindow(dialog_->Handle))
        return HTTRANSPARENT;
    const TsBorderLayout l = Layout();
    const RECT br = WindowRect();
    const POINT p{screen.x - br.left, screen.y - br.top};
    const RECT zone = BorderSizingZone(l, SIZE{br.right - br.left, br.bottom - br.top});
    if (!PtInRect(&zone, p) ||
        !IsWindowEnabled(dialog_->Handle))
        return HTTRANSPARENT;
    const int code = dialog_->HitTestScreen(screen);
    return code <= 0 ? HTBORDER : code;
}

TWinControl* TkvDialogBorder::Window()
{
    HWND owner = dialog_ ? dialog_->Handle : nullptr;
    if (!window_ && owner && IsWindow(owner))
        TkvBorderWindow::Make(window_, this, owner, WindowRect());
    return window_;
}

TWinControl* TkvDialogBorder::ReleaseWindow()
{
    Window();
    return TkvBorderWindow::Release(window_);   // the caller owns it now: it no longer follows the dialog
}

HRGN TkvDialogBorder::CreateBorderRegion()
{
    if (!window_ || !dialog_)
        return nullptr;
    const RECT br = WindowRect();
    return ::CreateBorderRegion(Layout(), SIZE{br.right - br.left, br.bottom - br.top});
}

void TkvDialogBorder::PushPicture(uint8_t alpha)
{
    if (!window_ || !window_->HandleAllocated() || !picture_)
        return;
    const RECT br = WindowRect();
    const POINT at{br.left, br.top};
    UpdateLayeredFromBitmap(window_->Handle(), picture_.get(), alpha, &at);
}

void TkvDialogBorder::UpdateBorderWindow(bool repaint, uint8_t alpha)
{
    HWND owner = dialog_ ? dialog_->Handle : nullptr;
    if (skipUpdate_ || updating_ || !owner || !IsWindow(owner) || (Application && Application->Terminated()))
        return;
    if (!IsWindowVisible(owner) || IsIconic(owner))
        return;
    const TsBorderFlagScope lock(updating_);
    const RECT br = WindowRect();
    TWinControl* w = Window();
    if (!w)
        return;
    HWND wnd = w->Handle();
    const bool resized = !picture_ || picture_->Width() != br.right - br.left || picture_->Height() != br.bottom - br.top;
    if (resized || repaint) {
        dialog_->PaintFrameToCache();   // composes the picture when the frame changed
        ComposePicture();
    }
    PushPicture(alpha);
    SetWindowRgn(wnd, CreateBorderRegion(), FALSE);   // the window owns the region
    SetWindowPos(wnd, nullptr, br.left, br.top, 0, 0,
                 SWP_NOSENDCHANGING | SWP_NOOWNERZORDER | SWP_NOACTIVATE | SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
}

bool TkvDialogBorder::HandleMessage(TMessage& m)
{
    HWND owner = dialog_ ? dialog_->Handle : nullptr;
    if (!owner || !IsWindow(owner) || !window_ || !window_->HandleAllocated())
        return false;
    HWND wnd = window_->Handle();
    const POINT screen{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
    switch (m.Msg) {
    case WM_NCHITTEST:
        // The frame takes the mouse as non-client messages and asks the
        // dialog's hit test itself; the shadow lets it through.
        m.Result = HitTestScreen(screen) == HTTRANSPARENT ? HTTRANSPARENT : HTOBJECT;
        return true;
    case WM_NCMOUSEMOVE: {
        const int code = HitTestScreen(screen);
        const bool button = code == HTCLOSE || code == HTMAXBUTTON || code == HTMINBUTTON || code == HTHELP;
        dialog_->SetHotCode(button ? code : 0);
        TRACKMOUSEEVENT t{sizeof t, TME_LEAVE | TME_NONCLIENT, wnd, 0};
        TrackMouseEvent(&t);
        m.Result = 0;
        return true;
    }
    case WM_NCMOUSELEAVE:
        dialog_->SetHotCode(0);
        m.Result = 0;
        return true;
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONUP:
    case WM_NCRBUTTONDOWN:
    case WM_NCRBUTTONUP:
    case WM_NCLBUTTONDBLCLK: {
        const int code = HitTestScreen(screen);
        m.Result = 0;
        if (code == HTTRANSPARENT || code == HTBORDER)
            return true;
        // The dialog acts on its own code for the point.
        SendMessageW(owner, m.Msg, WPARAM(code), m.LParam);
        return true;
    }
    default:
        return false;
    }
}
