#include "skin/forms/DialogWnd.h"

#include <algorithm>

#include "skin/core/Animations.h"
#include "skin/core/BgRequest.h"
#include "skin/core/ControlPaint.h"
#include "skin/core/MaskPaintBitmap.h"
#include "skin/core/OutputWindow.h"
#include "skin/core/SkinHooks.h"
#include "skin/core/SkinManager.h"
#include "skin/graphics/Bitmap32.h"
#include "skin/graphics/DwmApi.h"
#include "skin/graphics/Glow.h"
#include "skin/graphics/LayeredApi.h"
#include "skin/graphics/SkinCommands.h"
#include "skin/graphics/Utils.h"
#include "skin/forms/DialogBorder.h"
#include "skin/forms/Dialogs.h"
#include "skin/forms/FormAnimations.h"
#include "skin/forms/FrameGeometry.h"

std::function<bool(HWND dialog, POINT screen)> DialogSystemMenu;

// ---------------------------------------------------------------- pure arithmetic

namespace dialoggeo {

int DialogBorderKind(DWORD style)
{
    if ((style & WS_POPUP) && (style & WS_CAPTION) != WS_CAPTION)
        return 2;
    if (style & WS_THICKFRAME)
        return 3;
    if (style & DS_MODALFRAME)
        return 0;
    return 3;
}

UINT CaptionTextFlags(DWORD exStyle)
{
    UINT flags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
    if (exStyle & (WS_EX_RTLREADING | WS_EX_LAYOUTRTL))
        flags |= DT_RIGHT | DT_RTLREADING;
    return flags;
}

TitleLayout LayoutTitleButtons(const TitleInput& in)
{
    TitleLayout l;
    if (in.CaptionHeight <= 0)
        return l;
    const bool big = BigButtonsFor(in.BorderKind) || in.BigClose;
    const int space = big ? in.BiSpace : 0;
    const int firstRight = in.CacheWidth - in.BiRight - in.Shadow.right - in.FrameWidth;
    int right = firstRight;
    int leftmost = firstRight;
    auto place = [&](RECT& r, const Glyph& g, bool isHelp) {
        int top;
        if (big && !isHelp && in.BiVAlign == 1) {
            top = in.Shadow.top + (in.BorderWindow ? in.BiTop : 0) + (in.Zoomed && in.BorderWindow ? 3 : 0);
        } else {
            top = (in.FrameWidth + in.CaptionHeight - g.Height) / 2 + in.Shadow.top;
            if (in.Zoomed && in.BorderWindow)
                top += in.FrameWidth / 2;
        }
        r = RECT{right - g.Width, top, right, top + g.Height};
        leftmost = r.left;
        right = r.left - space;
    };
    if (in.SavedStyle & WS_SYSMENU)
        place(l.Close, in.Close, false);
    if (in.SavedStyle & WS_MAXIMIZEBOX)
        place(l.Max, in.Max, false);
    if (in.SavedStyle & WS_MINIMIZEBOX)
        place(l.Min, in.Min, false);
    if (in.SavedExStyle & WS_EX_CONTEXTHELP)
        place(l.Help, in.Help, true);
    l.TotalWidth = firstRight - leftmost;
    return l;
}

namespace {
bool Inside(const RECT& r, POINT p) { return r.right > r.left && PtInRect(&r, p); }
}  // namespace

int HitTest(const HitInput& in, const TitleLayout& l)
{
    const POINT p = in.Point;
    if (in.Zoomed && (p.x < 2 || p.y < 2 || p.x >= in.Width - 2 || p.y >= in.Height - 2))
        return -1;
    if (in.CaptionHeight <= 0)
        return 0;
    if (Inside(l.Close, p))
        return CloseEnabled(in.SavedStyle, in.ClassStyle, in.CloseGreyed) ? HTCLOSE : 0;
    if (Inside(l.Max, p))
        return (in.SavedStyle & WS_MAXIMIZEBOX) ? HTMAXBUTTON : HTCAPTION;
    if (Inside(l.Min, p))
        return ((in.SavedStyle & WS_MINIMIZEBOX) || in.Iconic) ? HTMINBUTTON : HTCAPTION;
    if (Inside(l.Help, p))
        return HTHELP;
    const bool captionRow = p.y >= in.FrameWidth && p.y < in.FrameWidth + in.CaptionHeight &&
                            p.x >= in.FrameWidth && p.x < in.Width - in.FrameWidth;
    if (!captionRow)
        return 0;
    if (p.x < in.FrameWidth + in.IconWidth && (in.SavedStyle & WS_SYSMENU))
        return HTSYSMENU;
    return HTCAPTION;
}

POINT ClientOrigin(int ww, int wh, int cw, int ch, int frameWidth, bool captionShown)
{
    // The frame below the client area is as wide as the side frames, with or
    // without a caption above it.
    (void)captionShown;
    return POINT{(ww - cw) / 2, wh - ch - frameWidth};
}

}  // namespace dialoggeo

// ---------------------------------------------------------------- the wrapper

namespace {

int ManagerInt(TsSkinManager* m, int16_t TsSkinData::*field)
{
    return m && m->Tables().InheritanceResolved() ? m->SkinData().*field : 0;
}

bool WindowsAboveFive() { return LOBYTE(LOWORD(GetVersion())) > 5; }

// The one dialog dragged with blend on moving (the move loop is modal).
TkvDialogWnd* blendingDialog = nullptr;

void CALLBACK BlendTimerProc(HWND, UINT, UINT_PTR, DWORD)
{
    if (blendingDialog)
        blendingDialog->BlendStep();
}

void SetLayered(HWND wnd, bool on, uint8_t alpha)
{
    const LONG_PTR ex = GetWindowLongPtrW(wnd, GWL_EXSTYLE);
    if (!on) {
        if (ex & WS_EX_LAYERED)
            SetWindowLongPtrW(wnd, GWL_EXSTYLE, ex & ~LONG_PTR(WS_EX_LAYERED));
        return;
    }
    if (!(ex & WS_EX_LAYERED))
        SetWindowLongPtrW(wnd, GWL_EXSTYLE, ex | WS_EX_LAYERED);
    if (SetLayeredWindowAttributesFn)
        SetLayeredWindowAttributesFn(wnd, 0, alpha, LWA_ALPHA);
}

constexpr UINT kRedrawAll = RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME;

}  // namespace

TkvDialogWnd::TkvDialogWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager,
                           const String& skinSection, bool repaint)
    : TkvScrollWnd(handle, commonData, skinManager, skinSection, repaint)
{
    BorderKind = 1;
    PaintForbidden = WindowsAboveFive();
    FormActive = true;
    if (CommonData)
        CommonData->Updating = true;   // until the dialog is shown
    if (DwmCompositionOn()) {
        BOOL on = TRUE;
        CallDwmSetWindowAttribute(handle, 3 /* transitions off */, &on, sizeof on);
    }
    LookupButtonMasks();
    RegisterProvider(handle, this);
}

TkvDialogWnd::~TkvDialogWnd()
{
    if (moveTimer_)
        KillTimer(nullptr, moveTimer_);
    HideGlow(glowHandle_);
    border_.reset();
    FreeCover();
    UnregisterProvider(Handle, this);
    // A dialog that lives on is left plain, as if it had been opened without
    // a skin: its own procedure first (so no paint below reaches this
    // wrapper's picture), then its buttons, region and opaque window back,
    // and its whole frame drawn by the system.
    if (Handle && IsWindow(Handle) && !Destroyed) {
        TkvMainWnd* self = this;
        UnhookWindow(Handle, false, false, self);
        if (SavedStyle & WS_SYSMENU)
            SetWindowLongPtrW(Handle, GWL_STYLE, GetWindowLongPtrW(Handle, GWL_STYLE) | WS_SYSMENU);
        SetLayered(Handle, false, 255);
        SetWindowRgn(Handle, nullptr, FALSE);
        SetWindowPos(Handle, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        // The caption shows the dialog's real activity.
        SendMessageW(Handle, WM_NCACTIVATE, GetActiveWindow() == Handle, 0);
        RedrawWindow(Handle, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
    FreeBrush();
}

// ---------------------------------------------------------------- the provider side

TBitmap* TkvDialogWnd::CacheBitmap()
{
    if (border_) {
        if (!border_->Picture())
            border_->ComposePicture();
        return border_->Picture();
    }
    return CommonData ? CommonData->CacheBitmap.get() : nullptr;
}

POINT TkvDialogWnd::ClientOffset()
{
    POINT o = ClientOriginNow();
    if (border_) {
        const POINT b = BorderFormOffset(border_->Layout());
        o.x += b.x;
        o.y += b.y;
    }
    return o;
}

void TkvDialogWnd::PrintChildren(HDC dc)
{
    if (Provider)
        Provider->PrintChildren(Handle, dc);
}

TsBorderSeam* TkvDialogWnd::Border() { return border_.get(); }

void TkvDialogWnd::FreeBorder() { border_.reset(); }

TWinControl* TkvDialogWnd::TakeCoverWindow() { return std::exchange(cover_, nullptr); }

void TkvDialogWnd::FreeCover()
{
    if (TWinControl* c = std::exchange(cover_, nullptr))
        Free(c);
}

void TkvDialogWnd::UpdateBorder()
{
    const bool want = DialogWantsBorderWindow(SkinManager) && Handle && IsWindow(Handle) && CaptionHeight() > 0 &&
                      BorderKind != 2 && !(GetWindowLongPtrW(Handle, GWL_STYLE) & WS_CHILD);
    if (want == (border_ != nullptr))
        return;
    if (want)
        border_ = std::make_unique<TkvDialogBorder>(this);
    else
        border_.reset();
    if (CommonData)
        CommonData->BackgroundChanged = true;
    if (!want)
        SetWindowRgn(Handle, nullptr, FALSE);
    UpdateRegion(IsWindowVisible(Handle) != FALSE);
    if (border_ && IsWindowVisible(Handle))
        border_->UpdateBorderWindow(true, 255);
}

// The dialog is answered while a hide animation is set: its picture as the
// screen shows it now (children included) goes into the cache, and a cover
// (the border window, else a snapshot window) keeps showing it while the
// dialog goes.
void TkvDialogWnd::CoverBeforeClosing()
{
    if (!SkinManager || !CommonData || cover_ || !IsWindowVisible(Handle))
        return;
    const TkvFormHide& e = SkinManager->AnimEffects.DialogHide;
    if (!e.Active || !e.Time || !LayeredWindowsAvailable())
        return;
    PaintFrameToCache();
    TBitmap* cache = CacheBitmap();
    if (!cache || cache->Empty())
        return;
    if (!border_)
        SetAlphaInRect(cache, RECT{0, 0, cache->Width(), cache->Height()}, 255, NoColorValue);
    PaintDialogToBitmap(this, cache, true);
    if (border_) {
        if (TkvBorderWindow* w = border_->WindowIfMade(); w && w->HandleAllocated())
            SetWindowRgn(w->Handle(), nullptr, FALSE);
        border_->PushPicture(255);
        border_->SetSkipUpdate(true);
        return;
    }
    RECT wr{};
    GetWindowRect(Handle, &wr);
    auto* cover = new TkvAnimSurface(wr, IsTopmostWindow(Handle));
    cover->HandleNeeded();
    const POINT at{wr.left, wr.top};
    UpdateLayeredFromBitmap(cover->Handle(), cache, 255, &at);
    SetWindowPos(cover->Handle(), HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER | SWP_SHOWWINDOW);
    cover_ = cover;
}

// The dialog was hidden: its hide animation when one is set, then the cover
// and the border window go.
void TkvDialogWnd::AfterHidden()
{
    HideGlow(glowHandle_);
    if (CommonData)
        CommonData->BackgroundChanged = true;
    if (SkinManager && SkinManager->SkinData().Active && !AnimationRunning) {
        const TkvFormHide& e = SkinManager->AnimEffects.DialogHide;
        if (e.Active && e.Time) {
            if (!cover_ && !border_ && CommonData && CommonData->CacheBitmap) {
                TBitmap* cache = CommonData->CacheBitmap.get();
                SetAlphaInRect(cache, RECT{0, 0, cache->Width(), cache->Height()}, 255, NoColorValue);
            }
            AnimHideDialog(this, e.Time, e.Mode);
        }
    }
    FreeCover();
    border_.reset();
}

// ---------------------------------------------------------------- blend on moving

bool TkvDialogWnd::StartBlendOnMoving()
{
    TsSkinManager* m = SkinManager;
    if (!m || !m->AnimEffects.BlendOnMoving.Active || m->AnimEffects.BlendOnMoving.BlendValue == 255 || blending_ ||
        blendingDialog || AnimationRunning || IsIconic(Handle) || IsZoomed(Handle) || !LayeredWindowsAvailable() ||
        !CommonData)
        return false;
    blendTarget_ = m->AnimEffects.BlendOnMoving.BlendValue;
    blendStep_ = BlendOnMovingStep(blendTarget_, m->AnimEffects.BlendOnMoving.Time);
    blendAlpha_ = 255;
    FormActive = true;
    CommonData->BackgroundChanged = true;
    PaintFrameToCache();
    HWND mover = Handle;
    if (border_) {
        // The border window carries the whole picture (the client as the
        // screen shows it) while the dialog is invisible behind it.
        border_->UpdateBorderWindow(true, 255);
        TkvBorderWindow* w = border_->WindowIfMade();
        TBitmap* picture = border_->Picture();
        if (!w || !w->HandleAllocated() || !picture)
            return false;
        movePicture_ = NewBitmap32(picture->Width(), picture->Height());
        BitBlt(movePicture_->Canvas().Handle(), 0, 0, picture->Width(), picture->Height(), picture->Canvas().Handle(),
               0, 0, SRCCOPY);
        PaintDialogToBitmap(this, movePicture_.get(), true);
        border_->SetSkipUpdate(true);
        mover = w->Handle();
        SetWindowRgn(mover, nullptr, FALSE);
        UpdateLayeredFromBitmap(mover, movePicture_.get(), 255, nullptr);
        SetLayered(Handle, true, 0);
    } else {
        SetLayered(Handle, true, 255);
    }
    blending_ = true;
    blendingDialog = this;
    BlendStep();
    moveTimer_ = SetTimer(nullptr, 0, 12, BlendTimerProc);
    struct End {
        TkvDialogWnd& d;
        ~End() { d.EndBlendOnMoving(); }
    } end{*this};
    SendMessageW(mover, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
    return true;
}

void TkvDialogWnd::BlendStep()
{
    if (!blending_)
        return;
    blendAlpha_ = NextBlendAlpha(blendAlpha_, blendTarget_, blendStep_);
    if (border_) {
        if (TkvBorderWindow* w = border_->WindowIfMade(); w && w->HandleAllocated() && movePicture_)
            UpdateLayeredFromBitmap(w->Handle(), movePicture_.get(), uint8_t(blendAlpha_), nullptr);
    } else {
        SetLayered(Handle, true, uint8_t(blendAlpha_));
    }
    if (blendAlpha_ <= blendTarget_ && moveTimer_) {
        KillTimer(nullptr, moveTimer_);
        moveTimer_ = 0;
    }
}

void TkvDialogWnd::EndBlendOnMoving()
{
    if (moveTimer_)
        KillTimer(nullptr, moveTimer_);
    moveTimer_ = 0;
    blendingDialog = nullptr;
    blending_ = false;
    movePicture_.reset();
    if (!IsWindow(Handle) || Destroyed)
        return;
    if (border_) {
        if (TkvBorderWindow* w = border_->WindowIfMade(); w && w->HandleAllocated()) {
            RECT br{};
            GetWindowRect(w->Handle(), &br);
            const POINT o = BorderFormOffset(border_->Layout());
            SetWindowPos(Handle, nullptr, br.left + o.x, br.top + o.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        border_->SetSkipUpdate(false);
    }
    SetLayered(Handle, false, 255);
    if (CommonData)
        CommonData->BackgroundChanged = true;
    RedrawWindow(Handle, nullptr, nullptr, kRedrawAll);
    if (border_)
        border_->UpdateBorderWindow(true, 255);
}

void TkvDialogWnd::FreeBrush()
{
    brush_.reset();
    brushColor_ = clNone;
}

HBRUSH TkvDialogWnd::StaticBrush()
{
    TColor c = CommonData ? CommonData->GetStateColor(0, Handle) : clBtnFace;
    if (!brush_ || c != brushColor_) {
        FreeBrush();
        brush_.reset(CreateSolidBrush(ColorToRGB(c)));
        brushColor_ = c;
    }
    return brush_.get();
}

void TkvDialogWnd::LookupButtonMasks()
{
    TsSkinManager* m = SkinManager;
    close_ = Button{-1, 0, HTCLOSE};
    max_ = Button{-1, 0, HTMAXBUTTON};
    min_ = Button{-1, 0, HTMINBUTTON};
    help_ = Button{-1, 0, HTHELP};
    titleSection_ = captionSection_ = -1;
    // The loaded tables count, not the skin's active flag: a new skin is
    // announced while that flag is still down.
    if (!m || !m->Active() || m->gd().empty())
        return;
    auto mask = [m](const wchar_t* name) { return m->FindMaskIndexDirect(L"GLOBALINFO", name); };
    const bool big = dialoggeo::BigButtonsFor(BorderKind) || !m->IsMaskIndexValid(mask(L"SICONCLOSE"));
    if (big) {
        int alone = mask(L"BICLOSEALONE");
        bool noBoxes = !(SavedStyle & (WS_MAXIMIZEBOX | WS_MINIMIZEBOX));
        close_.Mask = noBoxes && m->IsMaskIndexValid(alone) ? alone : mask(L"BICONCLOSE");
        min_.Mask = mask(L"BICONMIN");
        max_.Mask = mask(L"BICONMAX");
        help_.Mask = mask(L"BICONHELP");
    } else {
        close_.Mask = mask(L"SICONCLOSE");
        min_.Mask = mask(L"SICONMIN");
        max_.Mask = mask(L"SICONMAX");
        help_.Mask = mask(L"SICONHELP");
        if (!m->IsMaskIndexValid(help_.Mask))
            help_.Mask = mask(L"BICONHELP");
    }
    bool ownTitle = !dialoggeo::BigButtonsFor(BorderKind) && m->FindSectionIndex(L"DIALOGTITLE") >= 0;
    titleSectionName_ = ownTitle ? L"DIALOGTITLE" : L"FORMTITLE";
    titleSection_ = m->FindSectionIndex(titleSectionName_);
    captionSection_ = m->FindSectionIndex(L"CAPTION");
}

void TkvDialogWnd::ReadStyles()
{
    SavedStyle = DWORD(GetWindowLongPtrW(Handle, GWL_STYLE));
    SavedExStyle = DWORD(GetWindowLongPtrW(Handle, GWL_EXSTYLE));
    BorderKind = dialoggeo::DialogBorderKind(SavedStyle);
    if (SavedStyle & WS_SYSMENU)
        realSysMenu_ = GetSystemMenu(Handle, FALSE);
    icon_ = HICON(SendMessageW(Handle, WM_GETICON, ICON_SMALL, 0));
    if (!icon_)
        icon_ = HICON(SendMessageW(Handle, WM_GETICON, ICON_BIG, 0));
    LookupButtonMasks();
    titleFont_.reset();
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof ncm;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0)) {
        if (int h = GetCaptionFontHeight())
            ncm.lfCaptionFont.lfHeight = h;
        ncm.lfCaptionFont.lfCharSet = DEFAULT_CHARSET;
        titleFont_.reset(CreateFontIndirectW(&ncm.lfCaptionFont));
    }
    // The system then draws no caption buttons of its own.
    if (SavedStyle & WS_SYSMENU)
        SetWindowLongPtrW(Handle, GWL_STYLE, LONG_PTR(SavedStyle & ~DWORD(WS_SYSMENU)));
    if (CommonData)
        CommonData->BackgroundChanged = true;
    regionChanged_ = true;
    UpdateBorder();
}

bool TkvDialogWnd::CloseGreyed() const
{
    if (!realSysMenu_ || !IsMenu(realSysMenu_))
        return false;
    const UINT state = GetMenuState(realSysMenu_, SC_CLOSE, MF_BYCOMMAND);
    return state != UINT(-1) && (state & (MF_GRAYED | MF_DISABLED)) != 0;
}

bool TkvDialogWnd::CloseEnabledNow() const
{
    return dialoggeo::CloseEnabled(SavedStyle, DWORD(GetClassLongPtrW(Handle, GCL_STYLE)), CloseGreyed());
}

int TkvDialogWnd::FrameWidth() const
{
    RECT w{}, c{};
    GetWindowRect(Handle, &w);
    GetClientRect(Handle, &c);
    return std::max(0, int((w.right - w.left) - c.right) / 2);
}

int TkvDialogWnd::CaptionHeight() const
{
    if ((SavedStyle & WS_CAPTION) != WS_CAPTION && !IsIconic(Handle))
        return 0;
    return GetSystemMetrics(BorderKind == 4 || BorderKind == 5 ? SM_CYSMCAPTION : SM_CYCAPTION);
}

POINT TkvDialogWnd::ClientOriginNow() const
{
    RECT w{}, c{};
    GetWindowRect(Handle, &w);
    GetClientRect(Handle, &c);
    return dialoggeo::ClientOrigin(w.right - w.left, w.bottom - w.top, c.right, c.bottom, FrameWidth(),
                                   CaptionHeight() > 0);
}

dialoggeo::Glyph TkvDialogWnd::GlyphOf(const Button& b) const
{
    dialoggeo::Glyph g;
    if (SkinManager && SkinManager->IsMaskIndexValid(b.Mask)) {
        const TsMaskData& mask = SkinManager->ma()[size_t(b.Mask)];
        g.Valid = true;
        g.Width = MaskFrameWidth(mask);
        g.Height = MaskStateHeight(mask);
    }
    return g;
}

dialoggeo::TitleLayout TkvDialogWnd::Layout() const
{
    dialoggeo::TitleInput in;
    RECT w{};
    GetWindowRect(Handle, &w);
    in.CacheWidth = w.right - w.left;
    in.FrameWidth = FrameWidth();
    // The caption band is what lies between the top frame and the client area.
    in.CaptionHeight = CaptionHeight() > 0 ? std::max(0, int(ClientOriginNow().y) - in.FrameWidth) : 0;
    in.BorderKind = BorderKind;
    in.SavedStyle = SavedStyle;
    in.SavedExStyle = SavedExStyle;
    in.Zoomed = IsZoomed(Handle) != FALSE;
    in.Iconic = IsIconic(Handle) != FALSE;
    in.Close = GlyphOf(close_);
    in.Max = GlyphOf(max_);
    in.Min = GlyphOf(min_);
    in.Help = GlyphOf(help_);
    TsSkinManager* m = SkinManager;
    in.BigClose = m && m->IsMaskIndexValid(close_.Mask) &&
                  m->ma()[size_t(close_.Mask)].PropertyName.rfind("BI", 0) == 0;
    in.BiRight = ManagerInt(m, &TsSkinData::BIRight);
    in.BiSpace = ManagerInt(m, &TsSkinData::BISpace);
    in.BiTop = ManagerInt(m, &TsSkinData::BITop);
    in.BiVAlign = ManagerInt(m, &TsSkinData::BIVAlign);
    return dialoggeo::LayoutTitleButtons(in);
}

int TkvDialogWnd::HitTestScreen(POINT screen) const
{
    RECT w{};
    GetWindowRect(Handle, &w);
    dialoggeo::HitInput in;
    in.Point = POINT{screen.x - w.left, screen.y - w.top};
    in.Width = w.right - w.left;
    in.Height = w.bottom - w.top;
    in.FrameWidth = FrameWidth();
    in.CaptionHeight = CaptionHeight() > 0 ? std::max(0, int(ClientOriginNow().y) - in.FrameWidth) : 0;
    in.IconWidth = GetSystemMetrics(SM_CXSMICON);
    in.SavedStyle = SavedStyle;
    in.ClassStyle = DWORD(GetClassLongPtrW(Handle, GCL_STYLE));
    in.CloseGreyed = CloseGreyed();
    in.Zoomed = IsZoomed(Handle) != FALSE;
    in.Iconic = IsIconic(Handle) != FALSE;
    return dialoggeo::HitTest(in, Layout());
}

TkvDialogWnd::Button* TkvDialogWnd::ButtonOf(int code)
{
    switch (code) {
    case HTCLOSE: return &close_;
    case HTMAXBUTTON: return &max_;
    case HTMINBUTTON: return &min_;
    case HTHELP: return &help_;
    default: return nullptr;
    }
}

void TkvDialogWnd::PaintButton(TBitmap* bmp, const Button& b, const RECT& r)
{
    if (r.right <= r.left || !SkinManager || !SkinManager->IsMaskIndexValid(b.Mask))
        return;   // a missing mask keeps its place and is not drawn
    int mask = b.Mask;
    if ((b.Code == HTMAXBUTTON && IsZoomed(Handle)) || (b.Code == HTMINBUTTON && IsIconic(Handle))) {
        int norm = SkinManager->FindMaskIndexDirect(L"GLOBALINFO", dialoggeo::BigButtonsFor(BorderKind) ? L"BICONNORM" : L"SICONNORM");
        if (SkinManager->IsMaskIndexValid(norm))
            mask = norm;
    }
    // A close button that may not act shows its disabled row, in its normal frame.
    const bool enabled = b.Code != HTCLOSE || CloseEnabledNow();
    DrawMaskFrame32(bmp, POINT{r.left, r.top}, enabled ? b.State : 0, InitBgCacheInfo(bmp, 0, 0), mask,
                    enabled ? 1 : 2, SkinManager);
}

void TkvDialogWnd::PaintTitle(TBitmap* bmp, const dialoggeo::TitleLayout& l)
{
    const int fw = FrameWidth();
    const int top = ClientOriginNow().y;
    RECT title{0, 0, bmp->Width(), top};
    TsBgCacheInfo own = InitBgCacheInfo(bmp, 0, 0);
    if (titleSection_ >= 0)
        PaintSkinItem(titleSection_, titleSectionName_, own, -1, -1, SkinManager, bmp, POINT{0, 0}, title,
                      FormActive ? 1 : 0, 0);
    // The title icon: the dialog's own, else the application icon.
    const int icon = GetSystemMetrics(SM_CXSMICON);
    const bool showIcon = (SavedStyle & WS_SYSMENU) != 0;
    HDC dc = bmp->Canvas().Handle();
    if (showIcon) {
        HICON ic = icon_ ? icon_ : LoadIconW(nullptr, IDI_APPLICATION);
        int x = fw + ManagerInt(SkinManager, &TsSkinData::BILeft);
        DrawIconEx(dc, x, (top - icon) / 2, ic, icon, icon, 0, nullptr, DI_NORMAL);
    }
    // The caption text.
    RECT tr{fw + (showIcon ? icon : 0) + ManagerInt(SkinManager, &TsSkinData::BILeft) + 4, 2,
            bmp->Width() - l.TotalWidth - fw - 6, top};
    if (captionSection_ >= 0 && !WndText.empty()) {
        RECT cr = tr;
        InflateRect(&cr, 4, 2);
        PaintSkinItem(captionSection_, L"CAPTION", own, -1, -1, SkinManager, bmp, POINT{0, 0}, cr,
                      FormActive ? 1 : 0, 0);
    }
    if (!WndText.empty() && tr.right > tr.left) {
        HGDIOBJ old = titleFont_ ? SelectObject(dc, titleFont_.get()) : nullptr;
        TColor color = clWhite;
        if (SkinManager && SkinManager->Tables().IsSectionIndexValid(titleSection_)) {
            const TsGeneralData& s = SkinManager->Tables().Sections[size_t(titleSection_)];
            int st = std::clamp(FormActive ? 1 : 0, 0, std::max(0, s.States - 1));
            color = TColor(s.Props[size_t(std::min(st, 1))].FontColor);
        }
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, ColorToRGB(color));
        DrawTextW(dc, WndText.c_str(), int(WndText.size()), &tr, dialoggeo::CaptionTextFlags(SavedExStyle));
        if (old)
            SelectObject(dc, old);
    }
}

void TkvDialogWnd::PaintFrameToCache()
{
    // The picture stays as it is while the dialog is dragged half transparent.
    if (!CommonData || !SkinManager || !SkinManager->SkinData().Active || blending_)
        return;
    RECT wr{};
    GetWindowRect(Handle, &wr);
    const int w = wr.right - wr.left, h = wr.bottom - wr.top;
    if (w <= 0 || h <= 0)
        return;
    if (!CommonData->CacheBitmap)
        CommonData->CacheBitmap = std::make_unique<TBitmap>();
    TBitmap* bmp = CommonData->CacheBitmap.get();
    if (bmp->Width() != w || bmp->Height() != h) {
        bmp->SetPixelFormat(TPixelFormat::pf32bit);
        bmp->SetSize(w, h);
        CommonData->BackgroundChanged = true;
    }
    if (!CommonData->BackgroundChanged) {
        if (border_ && !border_->Picture())
            border_->ComposePicture();
        return;
    }
    PaintControlSkin(*CommonData, EmptyBgCacheInfo, -1, -1, 0, bmp, POINT{0, 0}, RECT{0, 0, w, h}, 0);
    dialoggeo::TitleLayout l = Layout();
    if (CaptionHeight() > 0) {
        PaintTitle(bmp, l);
        PaintButton(bmp, close_, l.Close);
        PaintButton(bmp, max_, l.Max);
        PaintButton(bmp, min_, l.Min);
        PaintButton(bmp, help_, l.Help);
    }
    CommonData->BackgroundChanged = false;
    if (border_)
        border_->ComposePicture();
}

void TkvDialogWnd::UpdateRegion(bool redraw)
{
    if ((!IsIconic(Handle) && BorderKind == 2) ||
        SendMessageW(Handle, 0xBC4D, 0x41A2, 0) == 0x41A2 || !SkinManager)
        return;
    struct Guard {
        bool& flag;
        explicit Guard(bool& f) : flag(f) { flag = true; }
        ~Guard() { flag = false; }
    } guard(regionGuard_);
    regionChanged_ = false;
    {
        RECT now{};
        GetWindowRect(Handle, &now);
        regionSize_ = SIZE{now.right - now.left, now.bottom - now.top};
    }
    if (border_) {
        // The border window shows the frame: the dialog keeps its client area.
        const POINT o = ClientOriginNow();
        RECT c{};
        GetClientRect(Handle, &c);
        SetWindowRgn(Handle, CreateRectRgn(o.x, o.y, o.x + c.right, o.y + c.bottom), redraw);
        return;
    }
    RECT wr{};
    GetWindowRect(Handle, &wr);
    const int w = wr.right - wr.left, h = wr.bottom - wr.top;
    TAOR cuts;
    if (CommonData && SkinManager->IsMaskIndexValid(CommonData->BorderMaskIndex)) {
        CollectMaskRegionRects(cuts, w, CommonData->BorderMaskIndex, false, 0, SkinManager);
        TAOR bottom;
        CollectMaskRegionRects(bottom, w, CommonData->BorderMaskIndex, true, 0, SkinManager);
        for (RECT r : bottom) {
            OffsetRect(&r, 0, h);   // bottom rows are counted from the window's bottom edge
            cuts.push_back(r);
        }
    }
    if (titleSection_ >= 0) {
        int m = SkinManager->FindMaskIndex(titleSection_, titleSectionName_, L"BORDERSMASK");
        if (SkinManager->IsMaskIndexValid(m))
            CollectMaskRegionRects(cuts, w, m, false, 0, SkinManager);
    }
    // The system owns a region once it is set: never deleted here.
    SetWindowRgn(Handle, CreateRegionWithCuts(0, 0, w, h, cuts), redraw);
}

void TkvDialogWnd::PaintNonClient()
{
    if (Provider)
        Provider->WrapChildren(Handle);
    // The region follows a new size too (the cache may have been repainted
    // at the new size before WM_SIZE came).
    bool resized = false;
    if (CommonData) {
        RECT now{};
        GetWindowRect(Handle, &now);
        const TBitmap* cache = CommonData->CacheBitmap.get();
        resized = !cache || cache->Width() != now.right - now.left || cache->Height() != now.bottom - now.top ||
                  regionSize_.cx != now.right - now.left || regionSize_.cy != now.bottom - now.top;
    }
    if (!regionGuard_ && CommonData && (regionChanged_ || !initialised_ || resized) &&
        (BorderKind != 2 || (SavedStyle & WS_THICKFRAME)))
        UpdateRegion(false);
    PaintFrameToCache();
    if (border_) {
        // The border window shows the frame; nothing is drawn on the dialog.
        border_->UpdateBorderWindow(false, 255);
        return;
    }
    if (!CommonData || !CommonData->CacheBitmap || CommonData->CacheBitmap->Empty())
        return;
    TBitmap* bmp = CommonData->CacheBitmap.get();
    RECT wr{}, cr{};
    GetWindowRect(Handle, &wr);
    GetClientRect(Handle, &cr);
    POINT o = ClientOriginNow();
    const int w = wr.right - wr.left, h = wr.bottom - wr.top;
    HDC dc = GetWindowDC(Handle);
    if (!dc)
        return;
    HDC src = bmp->Canvas().Handle();
    BitBlt(dc, 0, 0, w, o.y, src, 0, 0, SRCCOPY);                                   // top and caption
    BitBlt(dc, 0, o.y, o.x, h - o.y, src, 0, o.y, SRCCOPY);                         // left
    BitBlt(dc, o.x + cr.right, o.y, w - o.x - cr.right, h - o.y, src, o.x + cr.right, o.y, SRCCOPY);   // right
    BitBlt(dc, o.x, o.y + cr.bottom, cr.right, h - o.y - cr.bottom, src, o.x, o.y + cr.bottom, SRCCOPY);  // bottom
    ReleaseDC(Handle, dc);
}

void TkvDialogWnd::RepaintTitleButton(int code)
{
    Button* b = ButtonOf(code);
    if (!b || !CommonData || !CommonData->CacheBitmap)
        return;
    dialoggeo::TitleLayout l = Layout();
    const RECT* r = code == HTCLOSE ? &l.Close : code == HTMAXBUTTON ? &l.Max : code == HTMINBUTTON ? &l.Min : &l.Help;
    if (r->right <= r->left)
        return;
    // The whole title again under the button (its background is the title's).
    CommonData->BackgroundChanged = true;
    PaintFrameToCache();
    if (border_) {
        if (!border_->SkipUpdate())
            border_->PushPicture(255);
        return;
    }
    HDC dc = GetWindowDC(Handle);
    if (!dc)
        return;
    BitBlt(dc, r->left, r->top, r->right - r->left, r->bottom - r->top, CommonData->CacheBitmap->Canvas().Handle(),
           r->left, r->top, SRCCOPY);
    ReleaseDC(Handle, dc);
}

void TkvDialogWnd::SetHotCode(int code)
{
    if (code == HotCode)
        return;
    int old = HotCode;
    HotCode = code;
    PressedCode = 0;   // a new hot button ends a press
    if (Button* b = ButtonOf(old)) {
        b->State = 0;
        RepaintTitleButton(old);
    }
    if (Button* b = ButtonOf(code)) {
        b->State = 1;
        RepaintTitleButton(code);
    }
    UpdateButtonGlow(code);
}

void TkvDialogWnd::UpdateButtonGlow(int code)
{
    HideGlow(glowHandle_);
    TsSkinManager* m = SkinManager;
    if (!m || !m->SkinData().Active || !m->Effects.GetAllowGlowing() || !IsWindowVisible(Handle))
        return;
    TsGlowSkin* skin = SkinHooks.GlowSkinOf ? SkinHooks.GlowSkinOf(m) : m->GlowSkin();
    const TsSkinData& d = m->SkinData();
    int size = 0, margin = 0;
    const wchar_t* mask = nullptr;
    switch (code) {
    case HTCLOSE:
        size = d.BIConCloseGlow, margin = d.BIConCloseGlowMargin, mask = L"BICONCLOSEGLOW";
        break;
    case HTMAXBUTTON:
        size = d.BIConMaxGlow, margin = d.BIConMaxGlowMargin, mask = L"BICONMAXGLOW";
        break;
    case HTMINBUTTON:
        size = d.BIConMinGlow, margin = d.BIConMinGlowMargin, mask = L"BICONMINGLOW";
        break;
    default:
        return;
    }
    if (!skin || size <= 0)
        return;
    const dialoggeo::TitleLayout l = Layout();
    RECT r = code == HTCLOSE ? l.Close : code == HTMAXBUTTON ? l.Max : l.Min;
    if (r.right <= r.left)
        return;
    RECT wr{};
    GetWindowRect(Handle, &wr);
    OffsetRect(&r, wr.left, wr.top);
    const RECT visible{0, 0, r.right - r.left, r.bottom - r.top};
    glowHandle_ = ShowGlow(r, visible, L"GLOBALINFO", skin, Handle, margin, mask);
}

void TkvDialogWnd::ShowSystemMenu(POINT screen)
{
    if (menuOpen_)
        return;
    // The wrapper stays while the menu's loop runs (FreeDeadProviders waits),
    // so nothing chosen reaches a freed wrapper.
    struct Open {
        bool& flag;
        explicit Open(bool& f) : flag(f) { flag = true; }
        ~Open() { flag = false; }
    } open(menuOpen_);
    if (DialogSystemMenu && DialogSystemMenu(Handle, screen))
        return;
    HMENU menu = GetSystemMenu(Handle, FALSE);
    if (!menu)
        return;
    UINT cmd = UINT(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y, 0, Handle, nullptr));
    if (cmd)
        PostMessageW(Handle, WM_SYSCOMMAND, cmd, 0);
}

void TkvDialogWnd::NCLButtonDown(TMessage& m)
{
    switch (int(m.WParam)) {
    case HTSYSMENU: {
        RECT wr{};
        GetWindowRect(Handle, &wr);
        ShowSystemMenu(POINT{wr.left + FrameWidth(), wr.top + FrameWidth() + GetSystemMetrics(SM_CYSMICON)});
        return;
    }
    case HTMINBUTTON:
    case HTMAXBUTTON:
    case HTCLOSE:
    case HTHELP:
        if (Button* b = ButtonOf(int(m.WParam))) {
            HotCode = int(m.WParam);
            PressedCode = HotCode;
            b->State = 2;
            RepaintTitleButton(PressedCode);
        }
        m.Result = 0;
        return;
    default:
        break;
    }
    if (IsIconic(Handle)) {
        SendMessageW(Handle, WM_SYSCOMMAND, 0xF012, 0);
        return;
    }
    if (IsZoomed(Handle) && m.WParam == HTCAPTION) {
        SetFocus(Handle);
        return;
    }
    if (m.WParam == HTCAPTION && StartBlendOnMoving()) {
        m.Result = 0;
        return;
    }
    TkvScrollWnd::WndProc(m);
}

bool TkvDialogWnd::NCLButtonUp(TMessage& m)
{
    if (!PressedCode)
        return false;
    int code = PressedCode;
    PressedCode = 0;
    POINT p{};
    GetCursorPos(&p);
    if (m.Msg == WM_NCLBUTTONUP)
        p = POINT{short(LOWORD(m.LParam)), short(HIWORD(m.LParam))};
    else
    {
        p = POINT{short(LOWORD(m.LParam)), short(HIWORD(m.LParam))};
        ClientToScreen(Handle, &p);
    }
    int now = HitTestScreen(p);
    if (Button* b = ButtonOf(code)) {
        b->State = now == code ? 1 : 0;
        RepaintTitleButton(code);
    }
    if (now != code)
        return false;
    switch (code) {
    case HTMINBUTTON:
        SendMessageW(Handle, WM_SYSCOMMAND, IsIconic(Handle) ? SC_RESTORE : SC_MINIMIZE, 0);
        break;
    case HTMAXBUTTON:
        SendMessageW(Handle, WM_SYSCOMMAND, IsZoomed(Handle) ? SC_RESTORE : SC_MAXIMIZE, 0);
        break;
    case HTCLOSE:
        HotCode = 0;
        close_.State = 0;
        SendMessageW(Handle, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    case HTHELP:
        SendMessageW(Handle, WM_SYSCOMMAND, SC_CONTEXTHELP, 0);
        SendMessageW(Handle, WM_NCPAINT, 0, 0);
        break;
    default:
        break;
    }
    m.Result = 0;
    return true;
}

void TkvDialogWnd::EraseBackground(TMessage& m)
{
    if (!initialised_) {
        initialised_ = true;
        if (Provider)
            Provider->WrapChildren(Handle);
    }
    HDC dc = reinterpret_cast<HDC>(m.WParam);
    PaintFrameToCache();
    if (!dc || !CommonData || !CommonData->CacheBitmap || CommonData->CacheBitmap->Empty()) {
        TkvScrollWnd::WndProc(m);
        return;
    }
    RECT cr{};
    GetClientRect(Handle, &cr);
    POINT o = ClientOriginNow();
    int saved = SaveDC(dc);
    ExcludeChildRects(dc, Handle, 0, 0);
    BitBlt(dc, 0, 0, cr.right, cr.bottom, CommonData->CacheBitmap->Canvas().Handle(), o.x, o.y, SRCCOPY);
    RestoreDC(dc, saved);
    m.Result = 1;
}

void TkvDialogWnd::WndProc(TMessage& m)
{
    if (m.Msg == SkinCommandMessage) {
        unsigned cmd = unsigned(HIWORD(m.WParam));
        switch (cmd) {
        case SkinCmdNewSkin:
            if (reinterpret_cast<TsSkinManager*>(m.LParam) == SkinManager) {
                if (CommonData)
                    CommonData->UpdateIndexes();
                LookupButtonMasks();
                FreeBrush();
                if (CommonData)
                    CommonData->BackgroundChanged = true;
                regionChanged_ = true;
                UpdateBorder();
                RelayToChildWindows(Handle, m.Msg, m.WParam, m.LParam);
            }
            m.Result = 0;
            return;
        case SkinCmdRefresh:
            if (CommonData) {
                CommonData->UpdateIndexes();
                CommonData->BackgroundChanged = true;
            }
            regionChanged_ = true;
            UpdateBorder();
            if (IsWindowVisible(Handle))
                RedrawWindow(Handle, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_ALLCHILDREN);
            return;
        case SkinCmdIsUpdating:
            m.Result = CommonData && CommonData->Updating ? 1 : 0;
            return;
        case SkinCmdGetBackground:
            if (auto* r = SkinCommandPointer<TsBgRequest>(m); r && CommonData) {
                POINT o = ClientOriginNow();
                bool painting = r->PaintIt && r->DC;
                if (painting) {
                    r->OffsetX += o.x;
                    r->OffsetY += o.y;
                }
                PaintFrameToCache();
                CommonData->AnswerBgRequest(*r, 0, Handle);
                if (!painting && r->Bmp) {
                    r->OffsetX = o.x;
                    r->OffsetY = o.y;
                }
            }
            return;
        case 61:
            m.Result = MAKELONG(ClientOriginNow().x, ClientOriginNow().y);
            return;
        case 28:
            if (Provider)
                Provider->WrapChildren(Handle);
            break;
        default:
            break;
        }
        TkvScrollWnd::WndProc(m);
        return;
    }
    switch (m.Msg) {
    case WM_DESTROY:
    case WM_NCDESTROY:
        // The system menu goes with its dialog.
        if (menuOpen_)
            EndMenu();
        TkvScrollWnd::WndProc(m);
        Destroyed = true;
        return;
    case WM_NCHITTEST: {
        int code = HitTestScreen(POINT{short(LOWORD(m.LParam)), short(HIWORD(m.LParam))});
        if (code == 0 || code == HTCAPTION) {
            // The system answers the rest of the window; no button is hot there.
            TkvScrollWnd::WndProc(m);
            SetHotCode(0);
            return;
        }
        SetHotCode(ButtonOf(code) ? code : 0);
        m.Result = code;
        return;
    }
    case WM_NCLBUTTONDOWN:
        NCLButtonDown(m);
        return;
    case WM_NCLBUTTONUP:
    case WM_LBUTTONUP:
        if (NCLButtonUp(m)) {
            m.WParam = 0;
            return;
        }
        TkvScrollWnd::WndProc(m);
        return;
    case WM_NCLBUTTONDBLCLK:
        if (m.WParam == HTSYSMENU) {
            if (CloseEnabledNow())
                SendMessageW(Handle, WM_SYSCOMMAND, SC_CLOSE, 0);
            return;
        }
        if (m.WParam == HTCAPTION && (SavedStyle & WS_MAXIMIZEBOX)) {
            SendMessageW(Handle, WM_SYSCOMMAND, IsZoomed(Handle) || IsIconic(Handle) ? SC_RESTORE : SC_MAXIMIZE, 0);
            return;
        }
        TkvScrollWnd::WndProc(m);
        return;
    case WM_NCRBUTTONUP:
        if (m.WParam == HTCAPTION || m.WParam == HTSYSMENU) {
            ShowSystemMenu(POINT{short(LOWORD(m.LParam)), short(HIWORD(m.LParam))});
            return;
        }
        TkvScrollWnd::WndProc(m);
        return;
    case WM_NCRBUTTONDOWN:
        if (m.WParam == HTCAPTION || m.WParam == HTSYSMENU)
            return;
        TkvScrollWnd::WndProc(m);
        return;
    case WM_NCPAINT:
        if (IsWindowVisible(Handle)) {
            WndText = ReadWindowText(Handle);
            PaintNonClient();
            initialised_ = true;
            m.Result = 1;
            return;
        }
        TkvScrollWnd::WndProc(m);
        return;
    case WM_NCACTIVATE:
        if (IsWindowVisible(Handle)) {
            SendMessageW(Handle, WM_SETREDRAW, FALSE, 0);
            CallPrevWndProc(m);
            SendMessageW(Handle, WM_SETREDRAW, TRUE, 0);
            // The title is painted again only when the active state changed.
            if (FormActive != (m.WParam != 0) && CommonData)
                CommonData->BackgroundChanged = true;
            FormActive = m.WParam != 0;
            PaintNonClient();
            m.Result = 1;
            return;
        }
        TkvScrollWnd::WndProc(m);
        return;
    case WM_SETTEXT:
    case WM_ENABLE:
        if (IsWindowVisible(Handle)) {
            CallPrevWndProc(m);
            WndText = ReadWindowText(Handle);
            if (CommonData)
                CommonData->BackgroundChanged = true;
            SendMessageW(Handle, WM_NCPAINT, 1, 0);
            return;
        }
        TkvScrollWnd::WndProc(m);
        return;
    case WM_SIZE:
        if (border_) {
            if (CommonData && CommonData->Updating) {
                CallPrevWndProc(m);
                return;
            }
            CallPrevWndProc(m);
            if (IsWindowVisible(Handle) && CommonData) {
                // A new size: a new frame picture, region and border window.
                CommonData->BackgroundChanged = true;
                UpdateRegion(false);
                border_->UpdateBorderWindow(true, 255);
                RelayToChildWindows(Handle, SkinCommandMessage, MakeSkinCmdWParam(SkinCmdParentMoved, 1), 0);
                RedrawWindow(Handle, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
            }
            return;
        }
        if (CommonData)
            CommonData->BackgroundChanged = true;
        CallPrevWndProc(m);
        UpdateRegion(false);
        RedrawWindow(Handle, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        return;
    case WM_WINDOWPOSCHANGED: {
        const auto* pos = reinterpret_cast<const WINDOWPOS*>(m.LParam);
        TkvScrollWnd::WndProc(m);
        if (pos && (pos->flags & SWP_HIDEWINDOW)) {
            AfterHidden();
            return;
        }
        if (pos && (pos->flags & SWP_SHOWWINDOW) && showPending_) {
            showPending_ = false;
            const TkvDialogShow& e = SkinManager->AnimEffects.DialogShow;
            AnimShowDialog(this, e.Time, 255, e.Mode);
            SetLayered(Handle, false, 255);
            RedrawWindow(Handle, nullptr, nullptr, kRedrawAll);
        }
        if (border_ && IsWindowVisible(Handle) && !blending_)
            border_->UpdateBorderWindow(false, 255);
        return;
    }
    case WM_COMMAND:
        if (LOWORD(m.WParam) == IDCANCEL || LOWORD(m.WParam) == IDYES)
            CoverBeforeClosing();
        TkvScrollWnd::WndProc(m);
        return;
    case WM_SYSCOMMAND:
        // Alt+Space: the system menu under the title icon.
        if ((m.WParam & 0xFFF0) == SC_KEYMENU && m.LParam == ' ' && (SavedStyle & WS_SYSMENU)) {
            RECT wr{};
            GetWindowRect(Handle, &wr);
            POINT at{wr.left + FrameWidth(), wr.top + FrameWidth() + GetSystemMetrics(SM_CYSMICON)};
            ShowSystemMenu(at);
            m.Result = 0;
            return;
        }
        TkvScrollWnd::WndProc(m);
        if ((m.WParam & 0xFFF0) == SC_MOVE && border_ && IsWindowVisible(Handle) && !blending_)
            border_->UpdateBorderWindow(false, 255);
        return;
    case WM_SHOWWINDOW:
        CallPrevWndProc(m);
        if (m.WParam) {
            WndText = ReadWindowText(Handle);
            if (Provider)
                Provider->WrapChildren(Handle);
            if (CommonData)
                CommonData->Updating = false;
            // The show animation plays once the window is shown; it stays
            // invisible (layered, alpha 0) until then.
            if (SkinManager && SkinManager->SkinData().Active && SkinManager->AnimEffects.DialogShow.Active &&
                SkinManager->AnimEffects.DialogShow.Time && LayeredWindowsAvailable() && !AnimationRunning &&
                !IsIconic(Handle)) {
                showPending_ = true;
                SetLayered(Handle, true, 0);
            }
        }
        return;
    case WM_ERASEBKGND:
        EraseBackground(m);
        return;
    case WM_PAINT:
        if (PaintForbidden) {
            ValidateByPainting();
            m.Result = 0;
            return;
        }
        CallPrevWndProc(m);
        return;
    case WM_CTLCOLORSTATIC:
        if (SkinManager && SkinManager->SkinData().Active) {
            SetBkMode(reinterpret_cast<HDC>(m.WParam), TRANSPARENT);
            m.Result = reinterpret_cast<LRESULT>(StaticBrush());
            return;
        }
        CallPrevWndProc(m);
        return;
    case WM_DRAWITEM:
        if (auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam); d && d->CtlType == ODT_STATIC)
            SetBkMode(d->hDC, TRANSPARENT);
        TkvScrollWnd::WndProc(m);
        return;
    case WM_GETDLGCODE:
        m.Result = 0;
        return;
    case WM_MOUSELEAVE:
        SetHotCode(0);
        TkvScrollWnd::WndProc(m);
        return;
    case WM_USER + 1:
    case 0x52E:
        TkvScrollWnd::WndProc(m);
        if (Provider)
            Provider->WrapChildren(Handle);
        if (m.Msg == 0x52E)
            RedrawWindow(Handle, nullptr, nullptr, RDW_FRAME | RDW_UPDATENOW | RDW_INVALIDATE);
        return;
    default:
        break;
    }
    TkvScrollWnd::WndProc(m);
}
