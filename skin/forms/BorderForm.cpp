#include "skin/forms/BorderForm.h"
#include "skin/forms/TitleBar.h"

#include <windowsx.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "skin/core/OutputWindow.h"
#include "skin/core/SkinManager.h"
#include "skin/graphics/Bitmap32.h"
#include "skin/graphics/DwmApi.h"
#include "skin/graphics/LayeredApi.h"
#include "skin/forms/FramePaint.h"
#include "skin/forms/SkinProvider.h"

// ---------------------------------------------------------------- arithmetic

namespace {

bool Inside(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

int RightOffset(const TsBorderLayout& l) { return l.ExtBorderWidth + l.Shadow.right - l.FrameWidth; }
int BottomOffset(const TsBorderLayout& l) { return l.ExtBorderWidth + l.Shadow.bottom - l.FrameWidth; }

uint32_t Opaque(TColor32 c)
{
    const uint32_t v = uint32_t(c);
    return 0xFF000000u | ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
}

}  // namespace

POINT BorderFormOffset(const TsBorderLayout& l)
{
    POINT o{l.ExtBorderWidth + l.Shadow.left - l.FrameWidth,
            l.Shadow.top + l.ExtTitleHeight - l.FrameWidth - l.CaptionHeight};
    if (l.Zoomed && l.MaxTitleDelta > 0)
        o.y = l.Shadow.top + l.MaxTitleDelta + 4;
    return o;
}

RECT BorderWindowRect(const TsBorderLayout& l, const RECT& formRect)
{
    const POINT o = BorderFormOffset(l);
    return RECT{formRect.left - o.x, formRect.top - o.y, formRect.right + RightOffset(l),
                formRect.bottom + BottomOffset(l)};
}

RECT BorderVisibleFrame(const TsBorderLayout& l, SIZE window)
{
    return RECT{l.Shadow.left, l.Shadow.top, window.cx - l.Shadow.right, window.cy - l.Shadow.bottom};
}

RECT BorderSizingZone(const TsBorderLayout& l, SIZE window)
{
    if (l.Zoomed)
        return RECT{0, 0, window.cx, window.cy};
    const RECT v = BorderVisibleFrame(l, window);
    return RECT{v.left - l.Align.left, v.top - l.Align.top, v.right + l.Align.right, v.bottom + l.Align.bottom};
}

HRGN CreateBorderRegion(const TsBorderLayout& l, SIZE window)
{
    if (l.Zoomed) {
        const int side = l.FrameWidth + l.ExtBorderWidth;
        return CreateRectRgn(side + l.Shadow.left, l.Shadow.top + 4, window.cx - side - l.Shadow.right,
                             window.cy - side - l.Shadow.bottom);
    }
    HRGN whole = CreateRectRgn(0, 0, window.cx, window.cy);
    const POINT o = BorderFormOffset(l);
    const int x = o.x + l.ClientOrigin.x, y = o.y + l.ClientOrigin.y;
    HRGN client = CreateRectRgn(x, y, x + l.Client.cx, y + l.Client.cy);
    CombineRgn(whole, whole, client, RGN_XOR);
    DeleteObject(client);
    return whole;
}

HRGN CreateBlurRegion(const TsBorderLayout& l, const PixelView& picture, int formOffset)
{
    const RECT v = BorderVisibleFrame(l, SIZE{picture.width, picture.height});
    HRGN rgn = CreateRectRgn(v.left - 1, v.top - 1, v.right + 1, v.bottom + 1);
    const int n = std::max(0, formOffset);
    const POINT corners[4] = {{v.left, v.top}, {v.right - n, v.top}, {v.left, v.bottom - n}, {v.right - n, v.bottom - n}};
    for (const POINT& c : corners)
        for (int y = c.y; y < c.y + n; ++y)
            for (int x = c.x; x < c.x + n; ++x)
                if (picture.Contains(x, y) && (picture.At(x, y) & 0xFFFFFFu) == 0) {
                    HRGN dot = CreateRectRgn(x, y, x + 1, y + 1);
                    CombineRgn(rgn, rgn, dot, RGN_DIFF);
                    DeleteObject(dot);
                }
    return rgn;
}

bool EnableBlurBehind(HWND wnd, bool enable, HRGN region)
{
    BindDwmApi();
    if (!wnd || !DwmEnableBlurBehindWindowFn)
        return false;
    TsDwmBlurBehind bb{};
    bb.dwFlags = 1 | (region ? 2u : 0u);   // DWM_BB_ENABLE, DWM_BB_BLURREGION
    bb.fEnable = enable;
    bb.hRgnBlur = region;
    bb.fTransitionOnMaximized = FALSE;
    return SUCCEEDED(DwmEnableBlurBehindWindowFn(wnd, &bb));
}

int BorderHitTest(const TsBorderLayout& l, const TsBorderHitInput& in, const TsTitleLayout& title,
                  const TsCaptionButtons& b, const std::vector<TsUserButton>& user)
{
    const POINT p = in.Point;
    const RECT zone = BorderSizingZone(l, in.Window);
    if (!in.Enabled || !Inside(zone, p))
        return HTTRANSPARENT;

    // The title's elements, in the one order every hit test and painter walks them.
    int code = 0;
    if (l.ExtTitleHeight > 0)
        ForEachTitleElement(title, b, user, [&](const TsTitleElement& e) {
            if (!Inside(e.Bounds, p))
                return true;
            switch (e.Kind) {
            case TsTitleElementKind::Close:
                code = b.EnabledClose ? HTCLOSE : (b.SystemMenu ? HTCAPTION : HTNOWHERE);
                break;
            case TsTitleElementKind::Max:
                code = b.EnabledMax || (b.EnabledRestore && !in.Iconic) ? HTMAXBUTTON : HTCAPTION;
                break;
            case TsTitleElementKind::Min:
                code = in.Iconic || b.EnabledMin ? HTMINBUTTON : HTCAPTION;
                break;
            case TsTitleElementKind::Help:
                code = HTHELP;
                break;
            case TsTitleElementKind::User:
                if (!user[size_t(e.Index)].Enabled)
                    return true;   // a disabled button is part of the caption
                code = kUserButtonBase + e.Index;
                break;
            }
            return false;
        });
    if (code)
        return code;

    if (in.Sizeable && !l.Zoomed) {
        // Half-open bands: 4 px at the top, the frame width elsewhere;
        // corners from the vertical and the horizontal zone together.
        const int fw = std::max(1, l.FrameWidth);
        const int vertical = p.y < zone.top + 4 ? -1 : (p.y >= zone.bottom - fw ? 1 : 0);
        const int horizontal = p.x < zone.left + fw ? -1 : (p.x >= zone.right - fw ? 1 : 0);
        static const int codes[3][3] = {
            {HTTOPLEFT, HTTOP, HTTOPRIGHT},
            {HTLEFT, 0, HTRIGHT},
            {HTBOTTOMLEFT, HTBOTTOM, HTBOTTOMRIGHT},
        };
        if (int sizing = codes[vertical + 1][horizontal + 1])
            return sizing;
    }

    const int captionBottom = l.Shadow.top + l.ExtTitleHeight;
    if (l.ExtTitleHeight > 0 && p.y < captionBottom)
        return Inside(in.Icon, p) ? HTSYSMENU : HTCAPTION;
    if (p.y >= captionBottom && p.y < captionBottom + in.MenuLineHeight)
        return HTMENU;
    if (in.Grip && Inside(BorderVisibleFrame(l, in.Window), p) && p.x >= in.GripRect.left && p.y >= in.GripRect.top)
        return HTBOTTOMRIGHT;
    return HTTRANSPARENT;
}

TsSnapOffsets BorderSnapOffsets(const TsBorderLayout& l)
{
    const int borderDelta = l.ExtBorderWidth - l.FrameWidth;
    const int titleDelta = l.ExtTitleHeight - l.FrameWidth - l.CaptionHeight;
    TsSnapOffsets o;
    o.Right = borderDelta + l.Align.right;
    o.Bottom = borderDelta + l.Align.bottom;
    o.Left = l.Align.left - borderDelta;
    o.Top = -(titleDelta + l.Align.top);
    return o;
}

RECT StretchedFormRect(const TsBorderLayout& l, const RECT& form, const RECT& work, bool vertical)
{
    const int borderDelta = l.ExtBorderWidth - l.FrameWidth;
    const int titleDelta = l.ExtTitleHeight - l.FrameWidth - l.CaptionHeight;
    RECT r = form;
    if (vertical) {
        r.top = work.top + titleDelta;
        r.bottom = work.bottom - borderDelta;
    } else {
        r.left = work.left + borderDelta;
        r.right = work.right - borderDelta;
    }
    return r;
}

bool MaximizedWithoutBorderWindow = false;

bool UpdateLayeredFromBitmap(HWND wnd, TBitmap* bitmap, uint8_t alpha, const POINT* position)
{
    if (!wnd || !LayeredWindowsAvailable())
        return false;
    const LONG_PTR ex = GetWindowLongPtrW(wnd, GWL_EXSTYLE);
    if (!(ex & WS_EX_LAYERED))
        SetWindowLongPtrW(wnd, GWL_EXSTYLE, ex | WS_EX_LAYERED);
    std::unique_ptr<TBitmap> empty;
    if (!bitmap) {
        RECT r{};
        GetWindowRect(wnd, &r);
        empty = NewBitmap32(std::max(1, int(r.right - r.left)), std::max(1, int(r.bottom - r.top)));
        const PixelView v = empty->View();
        for (int y = 0; y < v.height; ++y)
            std::memset(v.Row(y), 0, size_t(v.width) * 4);
        bitmap = empty.get();
    }
    POINT at{};
    if (position) {
        at = *position;
    } else {
        RECT r{};
        GetWindowRect(wnd, &r);
        at = POINT{r.left, r.top};
    }
    return PushLayeredBitmap(wnd, bitmap, at.x, at.y, alpha);
}

// ---------------------------------------------------------------- the window

TkvBorderWindow::TkvBorderWindow(TsBorderWindowHandler* handler, HWND owner, const RECT& bounds)
    : TForm(Application), handler_(handler), owner_(owner)
{
    SetTag(NoSkinTag);
    SetVisible(false);
    SetBorderStyle(TFormBorderStyle::bsNone);
    SetBounds(bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
}

TkvBorderWindow* TkvBorderWindow::Make(TkvBorderWindow*& slot, TsBorderWindowHandler* handler, HWND owner,
                                       const RECT& bounds)
{
    // The handler knows its window before the first message of its making.
    slot = new TkvBorderWindow(handler, owner, bounds);
    slot->HandleNeeded();
    return slot;
}

void TkvBorderWindow::CreateParams(TCreateParams& params)
{
    TForm::CreateParams(params);
    params.Style = WS_POPUP;
    params.ExStyle = kBorderWindowExStyle;
    params.WndParent = owner_;
}

TkvBorderWindow* TkvBorderWindow::Release(TkvBorderWindow*& slot)
{
    TkvBorderWindow* w = std::exchange(slot, nullptr);
    if (!w)
        return nullptr;
    w->Detach();
    if (w->HandleAllocated())
        SetWindowLongPtrW(w->Handle(), GWLP_HWNDPARENT, LONG_PTR(Application ? Application->Handle() : nullptr));
    return w;
}

void TkvBorderWindow::Dispatch(TMessage& message)
{
    if (handler_ && handler_->HandleMessage(message))
        return;
    // The picture is pushed whole (a layered window): nothing to paint.
    if (!AnswerSurfaceMessage(*this, message, true))
        TForm::Dispatch(message);
}

// ---------------------------------------------------------------- the border object

TkvBorderForm::TkvBorderForm(TsSkinProvider* provider) : provider_(provider) {}

TkvBorderForm::~TkvBorderForm() { FreeWindow(); }

void TkvBorderForm::FreeWindow()
{
    // The caption buttons' glow windows are owned by this window.
    if (provider_ && window_)
        provider_->StopButtonAnimations();
    TkvBorderWindow* w = std::exchange(window_, nullptr);
    if (!w)
        return;
    w->Detach();
    delete w;
}

HWND TkvBorderForm::OwnerHandle() const { return provider_ ? provider_->Window() : nullptr; }

TsBorderLayout TkvBorderForm::Layout() const
{
    TsBorderLayout l;
    HWND owner = OwnerHandle();
    if (!owner || !IsWindow(owner))
        return l;
    TsSkinManager* m = provider_->Manager();
    const TsFrameFacts f = provider_->Facts();
    const TsFrameMetrics& sm = TsFrameMetrics::System();
    l.FrameWidth = ::FormFrameWidth(sm, f, false);
    l.ExtBorderWidth = f.Skin ? f.Skin->BorderWidth : 0;
    if (HasCaptionFrame(f)) {
        l.ExtTitleHeight = ::ExtFrameTitleHeight(f);
        l.CaptionHeight = StdCaptionHeight(sm, f);
    }
    if (m)
        l.Shadow = RECT{m->ShadowMargins[0], m->ShadowMargins[1], m->ShadowMargins[2], m->ShadowMargins[3]};
    if (f.Skin)
        l.Align = RECT{f.Skin->AlignOffset, f.Skin->AlignOffsetTop, f.Skin->AlignOffsetRight, f.Skin->AlignOffsetBottom};
    l.Zoomed = f.Zoomed;
    if (f.Zoomed && f.Skin)
        l.MaxTitleDelta = std::max(0, MaximizedTitleHeight(*f.Skin) - StdCaptionHeight(sm, f) - 4);
    RECT wr{}, cr{};
    GetWindowRect(owner, &wr);
    GetClientRect(owner, &cr);
    POINT origin{0, 0};
    ClientToScreen(owner, &origin);
    l.Owner = SIZE{wr.right - wr.left, wr.bottom - wr.top};
    l.ClientOrigin = POINT{origin.x - wr.left, origin.y - wr.top};
    l.Client = SIZE{cr.right, cr.bottom};
    if (f.Iconic) {
        // A minimised form keeps the client of its normal size.
        WINDOWPLACEMENT wp{sizeof wp};
        if (GetWindowPlacement(owner, &wp)) {
            const RECT& n = wp.rcNormalPosition;
            l.Owner = SIZE{n.right - n.left, n.bottom - n.top};
            l.Client = SIZE{std::max<LONG>(0, l.Owner.cx - 2 * l.ClientOrigin.x),
                            std::max<LONG>(0, l.Owner.cy - l.ClientOrigin.y - l.FrameWidth)};
        }
    }
    return l;
}

namespace {

// The title's layout in border-window pixels: the frame picture is the border
// window's, and the shadow lies around it.
TsTitleLayout BorderTitleLayout(TsSkinProvider& p, const TsBorderLayout& l, SIZE window)
{
    const TsFrameFacts f = p.Facts();
    const TsFrameMetrics& sm = TsFrameMetrics::System();
    TsTitleLayoutInput in;
    in.PictureWidth = window.cx;
    in.FrameWidth = l.ExtBorderWidth;
    in.TopFrame = 0;
    in.CaptionHeight = l.ExtTitleHeight;
    in.Shadow = l.Shadow;
    in.BorderWindow = true;
    in.Zoomed = f.Zoomed;
    in.CxFrame = sm.CxFrame;
    in.ShowIcon = p.ShowsTitleIcon();
    in.IconWidth = in.IconHeight = TitleIconSize(in.CaptionHeight);
    in.Skin = f.Skin;
    in.TitleBar = FindTitleBar(p.FormOf()) != nullptr;
    return ::LayoutTitleButtons(in, p.CaptionButtons(), p.UserButtons());
}

}  // namespace

TsTitleLayout TkvBorderForm::TitleLayout() const
{
    HWND owner = OwnerHandle();
    if (!owner || !IsWindow(owner))
        return TsTitleLayout{};
    const TsBorderLayout l = Layout();
    RECT wr{};
    GetWindowRect(owner, &wr);
    const RECT br = BorderWindowRect(l, wr);
    return BorderTitleLayout(*provider_, l, SIZE{br.right - br.left, br.bottom - br.top});
}

int TkvBorderForm::HitTest(POINT pt)
{
    HWND owner = OwnerHandle();
    if (!owner || !IsWindow(owner))
        return HTTRANSPARENT;
    const TsBorderLayout l = Layout();
    RECT wr{};
    GetWindowRect(owner, &wr);
    const RECT br = BorderWindowRect(l, wr);
    // The program's own answer first (a WM_NCHITTEST record with the screen point).
    if (provider_->OnExtHitTest) {
        TMessage ask{WM_NCHITTEST, 0, MAKELPARAM(short(br.left + pt.x), short(br.top + pt.y)), 0};
        provider_->OnExtHitTest(ask);
        if (ask.Result != 0)
            return int(ask.Result);
    }
    TsBorderHitInput in;
    in.Point = pt;
    in.Window = SIZE{br.right - br.left, br.bottom - br.top};
    in.Enabled = IsWindowEnabled(owner) != FALSE;
    in.Sizeable = (GetWindowLongW(owner, GWL_STYLE) & WS_THICKFRAME) != 0;
    in.Iconic = IsIconic(owner) != FALSE;
    in.MenuLineHeight = provider_->MenuLineHeight() * std::max(1, provider_->MenuLineCount());
    if (!GetMenu(owner))
        in.MenuLineHeight = 0;
    const TsTitleLayout title = BorderTitleLayout(*provider_, l, in.Window);
    in.Icon = title.Icon;
    // The title bar's items lie in this window's picture too: the form's point of pt.
    if (in.Enabled && l.ExtTitleHeight > 0)
        if (const int item = TitleItemHitCode(*provider_, POINT{pt.x + br.left - wr.left, pt.y + br.top - wr.top}))
            return item;
    return BorderHitTest(l, in, title, provider_->CaptionButtons(), provider_->UserButtons());
}

int TkvBorderForm::HitTestScreen(POINT screen)
{
    HWND owner = OwnerHandle();
    if (!owner || !IsWindow(owner))
        return HTTRANSPARENT;
    RECT wr{};
    GetWindowRect(owner, &wr);
    const RECT br = BorderWindowRect(Layout(), wr);
    if (!Inside(br, screen))
        return HTTRANSPARENT;
    return HitTest(POINT{screen.x - br.left, screen.y - br.top});
}

TWinControl* TkvBorderForm::Window()
{
    HWND owner = OwnerHandle();
    if (!window_ && owner && IsWindow(owner)) {
        RECT wr{};
        GetWindowRect(owner, &wr);
        TkvBorderWindow::Make(window_, this, owner, BorderWindowRect(Layout(), wr));
    }
    return window_;
}

TWinControl* TkvBorderForm::ReleaseWindow()
{
    Window();
    return TkvBorderWindow::Release(window_);   // the caller owns it now: it no longer follows the form
}

TBitmap* TkvBorderForm::Picture()
{
    HWND owner = OwnerHandle();
    if (!owner)
        return nullptr;
    RECT wr{};
    GetWindowRect(owner, &wr);
    const TsBorderLayout l = Layout();
    const RECT br = BorderWindowRect(l, wr);
    const int w = br.right - br.left, h = br.bottom - br.top;
    if (w <= 0 || h <= 0)
        return nullptr;
    if (TBitmap* cache = provider_->CacheBitmap(); cache && cache->Width() == w && cache->Height() == h)
        return cache;
    // The frame picture is made the window's size when it is painted next.
    PaintOwnerFrame();
    if (TBitmap* cache = provider_->CacheBitmap(); cache && cache->Width() == w && cache->Height() == h)
        return cache;
    if (!ownPicture_ || ownPicture_->Width() != w || ownPicture_->Height() != h)
        ownPicture_ = NewBitmap32(w, h);
    PaintOwnPicture(ownPicture_.get());
    return ownPicture_.get();
}

void TkvBorderForm::PaintOwnerFrame()
{
    if (provider_)
        provider_->PaintFrameToCache();
}

void PaintFormBorderPicture(TsSkinProvider& p, TBitmap& cache);

// The picture without the frame painter's: the frame in the form's colours,
// the skin's shadow around it.
void TkvBorderForm::PaintOwnPicture(TBitmap* bmp)
{
    const PixelView v = bmp->View();
    for (int y = 0; y < v.height; ++y)
        std::memset(v.Row(y), 0, size_t(v.width) * 4);
    TsSkinManager* m = provider_->Manager();
    if (!m)
        return;
    const TsBorderLayout l = Layout();
    const RECT frame = BorderVisibleFrame(l, SIZE{v.width, v.height});
    const int form = m->FindSectionIndex(L"FORM");
    const int titleSection = m->FindSectionIndex(L"FORMTITLE");
    const auto& gd = m->gd();
    const uint32_t face = form >= 0 ? Opaque(gd[size_t(form)].Props[0].Color) : 0xFFF0F0F0u;
    const int state = provider_->formActive_ ? 1 : 0;
    uint32_t title = face;
    if (titleSection >= 0) {
        const auto& s = gd[size_t(titleSection)];
        title = Opaque(s.Props[s.States > 1 ? size_t(state) : 0].Color);
    }
    for (int y = std::max(0, int(frame.top)); y < std::min(v.height, int(frame.bottom)); ++y) {
        uint32_t* row = v.Row(y);
        const uint32_t c = y < frame.top + l.ExtTitleHeight ? title : face;
        for (int x = std::max(0, int(frame.left)); x < std::min(v.width, int(frame.right)); ++x)
            row[x] = c;
    }
    PaintFormBorderPicture(*provider_, *bmp);
}

HRGN TkvBorderForm::CreateBorderRegion()
{
    HWND owner = OwnerHandle();
    if (!window_ || !owner)
        return nullptr;
    const TsBorderLayout l = Layout();
    RECT wr{};
    GetWindowRect(owner, &wr);
    const RECT br = BorderWindowRect(l, wr);
    const SIZE size{br.right - br.left, br.bottom - br.top};
    // While the form's picture is animated the border window shows it whole.
    if (provider_->State().Has(TsProviderBit::MinimizeRunning) || provider_->State().Has(TsProviderBit::AnimationRunning))
        return l.Zoomed ? ::CreateBorderRegion(l, size) : nullptr;
    return ::CreateBorderRegion(l, size);
}

POINT TkvBorderForm::ShowOffsets() { return BorderFormOffset(Layout()); }

void TkvBorderForm::UpdateBorderWindow(bool repaint, uint8_t alpha)
{
    HWND owner = OwnerHandle();
    if (updateLock_ || !owner || !IsWindow(owner) || (Application && Application->Terminated()))
        return;
    // An invisible form may be one whose WS_VISIBLE is off for a moment (its
    // style being changed quietly): nothing is hidden here (HideWindow is).
    if (!IsWindowVisible(owner) || IsIconic(owner))
        return;
    const TsBorderFlagScope lock(updateLock_);

    const TsBorderLayout l = Layout();
    RECT wr{};
    GetWindowRect(owner, &wr);
    const RECT br = BorderWindowRect(l, wr);
    const bool made = window_ != nullptr;
    TWinControl* w = Window();
    if (!w)
        return;
    HWND wnd = w->Handle();
    RECT now{};
    GetWindowRect(wnd, &now);
    const bool resized = !made || (now.right - now.left) != (br.right - br.left) || (now.bottom - now.top) != (br.bottom - br.top);
    if (resized || repaint)
        PaintOwnerFrame();
    const HWND target = IsTopmostWindow(owner) ? HWND_TOPMOST : owner;
    UINT flags = SWP_NOSENDCHANGING | SWP_NOOWNERZORDER | SWP_NOACTIVATE | SWP_NOSIZE | SWP_SHOWWINDOW;
    if (provider_->State().Has(TsProviderBit::Animating))
        flags |= SWP_NOZORDER;
    if (LayeredWindowsAvailable() && !mouseTest_) {
        const uint8_t a = provider_->FormOf() && provider_->FormOf()->AlphaBlend() ? provider_->FormOf()->AlphaBlendValue()
                                                                                   : alpha;
        const POINT at{br.left, br.top};
        TBitmap* picture = Picture();
        if (DwmCompositionOn()) {
            // Blurred glass behind the frame where the skin asks for it.
            TsSkinManager* m = provider_->Manager();
            if (picture && m && m->Effects.AllowAeroBluring && m->SkinData().AeroBlur) {
                HRGN blur = CreateBlurRegion(l, picture->View(), m->SkinData().FormOffset);
                EnableBlurBehind(wnd, true, blur);
                DeleteObject(blur);
            } else {
                EnableBlurBehind(wnd, false, nullptr);
            }
        }
        if (picture)
            UpdateLayeredFromBitmap(wnd, picture, a, &at);
        SetWindowRgn(wnd, CreateBorderRegion(), FALSE);   // the window owns the region
        SetWindowPos(wnd, target, br.left, br.top, 0, 0, flags);
    } else {
        SetWindowPos(wnd, target, br.left, br.top, br.right - br.left, br.bottom - br.top,
                     flags & ~UINT(SWP_NOSIZE));
    }
}

void TkvBorderForm::ApplyLastPos()
{
    const POINT p = lastPos_;
    if (p.y >= 0 || (p.x == -1 && p.y == -1) || !window_ || !window_->HandleAllocated())
        return;
    RECT now{};
    GetWindowRect(window_->Handle(), &now);
    if (now.left != p.x || now.top != p.y)
        SetWindowPos(window_->Handle(), nullptr, p.x, p.y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING);
}

void TkvBorderForm::HideWindow()
{
    if (window_ && window_->HandleAllocated() && !updateLock_)
        ShowWindow(window_->Handle(), SW_HIDE);
}

void TkvBorderForm::ApplyPendingRegion()
{
    if (!regionPending_ || !window_ || !window_->HandleAllocated())
        return;
    regionPending_ = false;
    mouseTest_ = false;
    SetWindowRgn(window_->Handle(), CreateBorderRegion(), FALSE);
}

// ---------------------------------------------------------------- the window procedure

namespace {

LPCWSTR CursorFor(int code)
{
    switch (code) {
    case HTCAPTION:
    case HTMENU:
        return IDC_ARROW;
    case HTLEFT:
    case HTRIGHT:
        return IDC_SIZEWE;
    case HTTOP:
    case HTBOTTOM:
        return IDC_SIZENS;
    case HTTOPLEFT:
    case HTBOTTOMRIGHT:
        return IDC_SIZENWSE;
    case HTTOPRIGHT:
    case HTBOTTOMLEFT:
        return IDC_SIZENESW;
    default:
        return nullptr;
    }
}

bool IsHotCode(int code)
{
    return code == HTMINBUTTON || code == HTMAXBUTTON || code == HTCLOSE || code == HTHELP || IsTitleElement(code);
}

}  // namespace

bool TkvBorderForm::HandleMessage(TMessage& m)
{
    HWND owner = OwnerHandle();
    if (!owner || !IsWindow(owner) || !window_ || !window_->HandleAllocated())
        return false;
    HWND wnd = window_->Handle();
    const bool mouse = (m.Msg >= WM_MOUSEFIRST && m.Msg <= WM_MOUSELAST) ||
                       (m.Msg >= WM_NCMOUSEMOVE && m.Msg <= WM_NCXBUTTONDBLCLK);
    if (mouse)
        ApplyPendingRegion();
    // Every handler asks its own hit test: the system only ever saw HTOBJECT.
    auto codeAt = [&](POINT screen) {
        RECT r{};
        GetWindowRect(wnd, &r);
        return HitTest(POINT{screen.x - r.left, screen.y - r.top});
    };
    const POINT screen{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
    switch (m.Msg) {
    case WM_SETCURSOR: {
        POINT pt{};
        GetCursorPos(&pt);
        if (LPCWSTR c = CursorFor(codeAt(pt))) {
            SetCursor(LoadCursorW(nullptr, c));
            m.Result = 1;
            return true;
        }
        return false;
    }
    case WM_SHOWWINDOW:
        // The system hides owned windows with their minimised owner: the
        // border window is the minimise animation's stage then.
        if (!m.WParam && provider_->State().Has(TsProviderBit::MinimizeRunning)) {
            m.Result = 0;
            return true;
        }
        return false;
    case WM_MOUSEACTIVATE:
        m.Result = MA_NOACTIVATE;
        if (IsWindowEnabled(owner))
            SetForegroundWindow(owner);
        return true;
    case WM_WINDOWPOSCHANGING:
        if (auto* pos = reinterpret_cast<WINDOWPOS*>(m.LParam); pos && !(pos->flags & SWP_NOMOVE)) {
            SnapMove(*pos);
            lastPos_ = POINT{pos->x, pos->y};
        }
        return false;
    case WM_NCHITTEST: {
        RECT r{};
        GetWindowRect(wnd, &r);
        const RECT zone = BorderSizingZone(Layout(), SIZE{r.right - r.left, r.bottom - r.top});
        if (!Inside(zone, POINT{screen.x - r.left, screen.y - r.top})) {
            // The shadow: the mouse belongs to whatever lies behind.
            provider_->SetHotElement(kNoElement);
            m.Result = HTTRANSPARENT;
        } else {
            m.Result = HTOBJECT;
        }
        return true;
    }
    case WM_NCMOUSEMOVE: {
        if (TsSkinManager* mgr = provider_->Manager())
            mgr->SetHotControl(nullptr);
        const int code = codeAt(screen);
        provider_->SetHotElement(IsHotCode(code) ? code : kNoElement);
        m.Result = 0;
        return true;
    }
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONUP:
    case WM_NCRBUTTONDOWN:
    case WM_NCRBUTTONUP:
    case WM_NCLBUTTONDBLCLK: {
        const int code = codeAt(screen);
        m.Result = 0;
        if (m.Msg == WM_NCLBUTTONDBLCLK && StretchEdge(code))
            return true;
        if (code == HTTRANSPARENT && m.Msg == WM_NCLBUTTONDOWN)
            return true;   // outside the frame: ignored
        // The form acts on the code found here (the point may lie outside the
        // form's own window, where its own hit test sees nothing).
        SendMessageW(owner, m.Msg, WPARAM(code), m.LParam);
        return true;
    }
    default:
        break;
    }
    if (m.Msg >= WM_MOUSEFIRST && m.Msg <= WM_MOUSELAST) {
        POINT pt{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
        RECT r{};
        GetWindowRect(wnd, &r);
        const RECT zone = BorderSizingZone(Layout(), SIZE{r.right - r.left, r.bottom - r.top});
        if (!Inside(zone, pt)) {
            // A pixel of shadow under the mouse leaves the region, so the next
            // mouse message goes to the window behind; put back at the next one.
            if (TsSkinManager* mgr = provider_->Manager())
                mgr->SetHotControl(nullptr);
            mouseTest_ = true;
            HRGN current = CreateRectRgn(0, 0, 0, 0);
            if (GetWindowRgn(wnd, current) == ERROR) {
                DeleteObject(current);
                current = CreateRectRgn(0, 0, r.right - r.left, r.bottom - r.top);
            }
            HRGN pixel = CreateRectRgn(pt.x, pt.y, pt.x + 1, pt.y + 1);
            CombineRgn(current, current, pixel, RGN_XOR);
            DeleteObject(pixel);
            SetWindowRgn(wnd, current, FALSE);
            regionPending_ = true;
            m.Result = 0;
            return true;
        }
    }
    return false;
}

// ---------------------------------------------------------------- the provider's side

bool TsSkinProvider::WantsBorderForm() const
{
    TsSkinManager* m = Manager();
    if (!m || !m->Active() || !m->GetExtendedBorders() || !AllowExtBorders || !drawNonClientArea_ || !Skinned() ||
        !form_ || form_->Parent() || !wnd_ || !IsWindow(wnd_) || !LayeredWindowsAvailable())
        return false;
    if (form_->FormStyle() == TFormStyle::fsMDIChild || form_->BorderStyle() == TFormBorderStyle::bsNone)
        return false;
    if (MaximizedWithoutBorderWindow && IsZoomed(wnd_))
        return false;
    TsFrameFacts f = Facts();
    return !f.ChildWindow && HasCaptionFrame(f);
}

void TsSkinProvider::UpdateBorderForm()
{
    const bool want = WantsBorderForm();
    if (want && !borderForm_) {
        borderForm_ = std::make_unique<TkvBorderForm>(this);
        regionChanged_ = true;
        UpdateRegion(true);
        if (IsWindowVisible(wnd_) && !IsIconic(wnd_))
            borderForm_->UpdateBorderWindow(true, 255);
    } else if (!want && borderForm_) {
        borderForm_.reset();
        regionChanged_ = true;
        UpdateRegion(true);
    }
}

TsBorderSeam* TsSkinProvider::Border() { return borderForm_.get(); }

void TsSkinProvider::FreeBorder() { borderForm_.reset(); }

// ---------------------------------------------------------------- stretching and snapping

bool TkvBorderForm::StretchEdge(int hitCode)
{
    const bool vertical = hitCode == HTTOP || hitCode == HTBOTTOM;
    if (!vertical && hitCode != HTLEFT && hitCode != HTRIGHT)
        return false;
    HWND owner = OwnerHandle();
    TCustomForm* form = provider_ ? provider_->FormOf() : nullptr;
    if (!owner || !form || form->BorderStyle() != TFormBorderStyle::bsSizeable || IsZoomed(owner) || IsIconic(owner))
        return false;
    if (TsSkinProvider::BorderDragActive())
        provider_->EndBorderDrag(false);
    const TsProviderBit bit = vertical ? TsProviderBit::StretchedHeight : TsProviderBit::StretchedWidth;
    RECT wr{};
    GetWindowRect(owner, &wr);
    RECT target = wr;
    if (provider_->State().Has(bit)) {
        // Again: what it had before.
        if (vertical) {
            target.top = savedTop_;
            target.bottom = savedTop_ + savedHeight_;
        } else {
            target.left = savedLeft_;
            target.right = savedLeft_ + savedWidth_;
        }
        provider_->State().Clear(bit);
    } else {
        MONITORINFO info{sizeof info};
        if (!GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &info))
            return true;
        if (vertical) {
            savedTop_ = wr.top;
            savedHeight_ = wr.bottom - wr.top;
        } else {
            savedLeft_ = wr.left;
            savedWidth_ = wr.right - wr.left;
        }
        target = StretchedFormRect(Layout(), wr, info.rcWork, vertical);
        provider_->State().Set(bit);
    }
    // The form's parent-relative bounds (a top-level form: the screen).
    form->SetBounds(target.left, target.top, target.right - target.left, target.bottom - target.top);
    return true;
}

void TkvBorderForm::SnapMove(WINDOWPOS& pos)
{
    HWND owner = OwnerHandle();
    if (!provider_ || !provider_->ScreenSnap || !owner || IsZoomed(owner) || (pos.flags & SWP_NOMOVE))
        return;
    MONITORINFO info{sizeof info};
    if (!GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &info))
        return;
    // The border window's own edges: its visible frame lies inside it by the shadow.
    const TsBorderLayout l = Layout();
    RECT now{};
    GetWindowRect(window_->Handle(), &now);
    const int w = (pos.flags & SWP_NOSIZE) ? now.right - now.left : pos.cx;
    const int h = (pos.flags & SWP_NOSIZE) ? now.bottom - now.top : pos.cy;
    // The visible frame lands where the form's snapping puts it (BorderSnapOffsets).
    TsSnapOffsets o;
    o.Right = l.Align.right - l.Shadow.right;
    o.Bottom = l.Align.bottom - l.Shadow.bottom;
    o.Left = l.Shadow.left + l.Align.left;
    o.Top = l.Shadow.top - l.Align.top;
    SnapToArea(pos.x, pos.y, w, h, info.rcWork, provider_->SnapBuffer, o);
}

// ---------------------------------------------------------------- the frame painter's border part

namespace {

// The shadow's source pixel for a picture pixel: corners 1:1, the middle stretched.
int ShadowSource(int d, int dsize, int ssize, int margin)
{
    if (d < margin)
        return d;
    if (d >= dsize - margin)
        return ssize - (dsize - d);
    const int inner = std::max(1, dsize - 2 * margin), sinner = std::max(1, ssize - 2 * margin);
    return margin + (d - margin) * sinner / inner;
}

// The shadow picture as it stretches over a border picture of size w x h.
struct TsShadowStretch {
    const PixelBitmap* shadow = nullptr;
    int mx = 1, my = 1, w = 0, h = 0;

    TsShadowStretch(const PixelBitmap* s, int marginX, int marginY, int width, int height) : w(width), h(height)
    {
        if (s && s->Width() > 2 && s->Height() > 2)
            shadow = s;
        const int sw = shadow ? shadow->Width() : 1, sh = shadow ? shadow->Height() : 1;
        mx = std::clamp(marginX, 1, std::max(1, sw / 2 - 1));
        my = std::clamp(marginY, 1, std::max(1, sh / 2 - 1));
    }
    int Row(int y) const { return shadow ? std::clamp(ShadowSource(y, h, shadow->Height(), my), 0, shadow->Height() - 1) : 0; }
    uint32_t At(int x, int sourceRow) const
    {
        return shadow ? shadow->Pixel(std::clamp(ShadowSource(x, w, shadow->Width(), mx), 0, shadow->Width() - 1), sourceRow)
                      : 0;
    }
};

}  // namespace

void PaintBorderShadow(const PixelView& v, const PixelBitmap* shadow, int marginX, int marginY, const RECT& frame)
{
    const TsShadowStretch s(shadow, marginX, marginY, v.width, v.height);
    for (int y = 0; y < v.height; ++y) {
        uint32_t* row = v.Row(y);
        const bool inRows = y >= frame.top && y < frame.bottom;
        const int sy = s.Row(y);
        for (int x = 0; x < v.width; ++x) {
            if (inRows && x >= frame.left && x < frame.right)
                row[x] |= 0xFF000000u;
            else
                row[x] = s.At(x, sy);
        }
    }
}

void PaintFrameCornersIntoShadow(const PixelView& v, TsSkinManager& m, const TsFrameCornerMasks& masks,
                                 const PixelBitmap* shadow, int marginX, int marginY, const RECT& frame)
{
    const TsShadowStretch s(shadow, marginX, marginY, v.width, v.height);
    struct Corner {
        bool right, bottom;
    };
    for (const Corner c : {Corner{false, false}, Corner{true, false}, Corner{false, true}, Corner{true, true}}) {
        const int mask = c.bottom || !m.IsMaskIndexValid(masks.Top) ? masks.Form : masks.Top;
        const int most = mask == masks.Form ? masks.FormCornerMost : INT_MAX;
        const PixelBitmap* bitmap = m.IsMaskIndexValid(mask) ? m.Tables().MaskBitmap(mask) : nullptr;
        if (!bitmap)
            continue;
        const TsMaskData& md = m.ma()[size_t(mask)];
        const int frameWidth = MaskFrameWidth(md), stateHeight = MaskStateHeight(md);
        const int w = std::min({c.right ? m.MaskMarginRight(mask) : m.MaskMarginLeft(mask), most, frameWidth});
        const int h = std::min({c.bottom ? m.MaskMarginBottom(mask) : m.MaskMarginTop(mask), most, stateHeight});
        // The corner's pixels in the mask (its first frame) and in the picture.
        const int mx = md.SourceRect.left + (c.right ? frameWidth - w : 0);
        const int my = md.SourceRect.top + (c.bottom ? stateHeight - h : 0);
        const int dx = c.right ? frame.right - w : frame.left, dy = c.bottom ? frame.bottom - h : frame.top;
        const PixelView mv = bitmap->View();
        for (int j = 0; j < h; ++j) {
            const int y = dy + j;
            if (y < 0 || y >= v.height || !mv.Contains(mx, my + j))
                continue;
            const int sy = s.Row(y);
            for (int i = 0; i < w; ++i) {
                const int x = dx + i;
                if (x >= 0 && x < v.width && mv.Contains(mx + i, my + j) && IsKeyPixel(mv.At(mx + i, my + j)))
                    v.Row(y)[x] = s.At(x, sy);
            }
        }
    }
}

namespace {

RECT ShadowMarginsOf(TsSkinProvider& p)
{
    TsSkinManager* m = p.Manager();
    if (!p.BorderForm() || !m)
        return RECT{};
    return RECT{m->ShadowMargins[0], m->ShadowMargins[1], m->ShadowMargins[2], m->ShadowMargins[3]};
}

bool BorderPictureGeometry(TsSkinProvider& p, SIZE& picture, POINT& formOrigin)
{
    TkvBorderForm* b = p.BorderForm();
    HWND owner = b ? b->OwnerHandle() : nullptr;
    if (!owner || !IsWindow(owner))
        return false;
    const TsBorderLayout l = b->Layout();
    RECT wr{};
    GetWindowRect(owner, &wr);
    if (IsIconic(owner))
        wr = RECT{0, 0, l.Owner.cx, l.Owner.cy};
    const RECT br = BorderWindowRect(l, wr);
    picture = SIZE{br.right - br.left, br.bottom - br.top};
    formOrigin = BorderFormOffset(l);
    return true;
}

}  // namespace

// The border window's picture: the shadow around the visible frame, the frame
// made opaque, the frame's rounded corners showing the shadow.
void PaintFormBorderPicture(TsSkinProvider& p, TBitmap& cache)
{
    TkvBorderForm* b = p.BorderForm();
    TsSkinManager* m = p.Manager();
    if (!b || !m)
        return;
    const PixelView v = cache.View();
    const TsBorderLayout l = b->Layout();
    const RECT frame = BorderVisibleFrame(l, SIZE{v.width, v.height});
    const PixelBitmap* shadow = p.formActive_ ? m->ShadowActive() : m->ShadowInactive();
    const int mx = int(l.Shadow.left) + m->SkinData().FormOffset, my = int(l.Shadow.top) + m->SkinData().FormOffset;
    PaintBorderShadow(v, shadow, mx, my, frame);
    TsFrameCornerMasks masks;
    if (TsCommonData* d = p.SkinData())
        masks.Form = d->BorderMaskIndex;
    masks.Top = p.TitleBorderMask();
    PaintFrameCornersIntoShadow(v, *m, masks, shadow, mx, my, frame);
}

void InitBorderFormUnit()
{
    FrameShadowMargins = ShadowMarginsOf;
    FrameBorderGeometry = BorderPictureGeometry;
    FrameBorderPicture = PaintFormBorderPicture;
}
