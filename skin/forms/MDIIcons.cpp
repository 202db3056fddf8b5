#include "skin/forms/MDIIcons.h"

#include "skin/forms/FramePaint.h"
#include "skin/forms/SkinProvider.h"
#include "skin/graphics/Constants.h"

namespace {
constexpr int kStripWidth = 60;
}

TkvMDIIconsForm::TkvMDIIconsForm(TsSkinProvider& provider) : TForm(Application), p_(provider)
{
    SetName(L"kvMDIIcons");
    SetTag(NoSkinTag);
    SetVisible(false);
    SetBorderStyle(TFormBorderStyle::bsNone);
}

void TkvMDIIconsForm::CreateParams(TCreateParams& params)
{
    TForm::CreateParams(params);
    params.Style = WS_POPUP;
    params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
    params.WndParent = p_.wnd_;
}

RECT TkvMDIIconsForm::Strip() const
{
    RECT w{};
    GetWindowRect(p_.wnd_, &w);
    const int right = (w.right - w.left) - p_.FormFrameWidth(true);
    const int top = p_.TopFrameWidth() + p_.CaptionAreaHeight(true);
    return RECT{right - kStripWidth, top, right, top + GetSystemMetrics(SM_CYMENU) + 3};
}

void TkvMDIIconsForm::PaintWindow(HDC dc)
{
    TBitmap* picture = p_.CacheBitmap();
    if (!picture || picture->Empty())
        return;
    const RECT s = Strip();
    const RECT shadow = FrameShadowMargins ? FrameShadowMargins(p_) : RECT{};
    BitBlt(dc, 0, 0, s.right - s.left, s.bottom - s.top, picture->Canvas().Handle(), s.left + shadow.left,
           s.top + shadow.top, SRCCOPY);
}

void ShowMDIIconsCover(TsSkinProvider& p)
{
    TCustomForm* form = p.form_;
    if (!p.FormAlive() || !p.Skinned() || form->FormStyle() != TFormStyle::fsMDIForm || !GetMenu(p.wnd_) ||
        !form->ClientHandle())
        return;
    BOOL maximised = FALSE;
    if (!SendMessageW(form->ClientHandle(), WM_MDIGETACTIVE, 0, LPARAM(&maximised)) || !maximised)
        return;
    if (!p.mdiIcons_)
        p.mdiIcons_ = std::make_unique<TkvMDIIconsForm>(p);
    auto* cover = static_cast<TkvMDIIconsForm*>(p.mdiIcons_.get());
    RECT w{};
    GetWindowRect(p.wnd_, &w);
    const RECT s = cover->Strip();
    cover->HandleNeeded();
    SetWindowPos(cover->Handle(), HWND_TOP, w.left + s.left, w.top + s.top, s.right - s.left, s.bottom - s.top,
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
    RedrawWindow(cover->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void FreeMDIIconsCover(TsSkinProvider& p) { p.mdiIcons_.reset(); }
