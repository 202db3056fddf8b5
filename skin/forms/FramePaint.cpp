#include "skin/forms/FramePaint.h"
#include "skin/forms/TitleBar.h"

#include "skin/forms/ClientPaint.h"

#include <algorithm>
#include <cmath>

#include "skin/core/ControlPaint.h"
#include "skin/core/MaskPaintBitmap.h"
#include "skin/model/MaskPaint.h"
#include "skin/core/SkinManager.h"
#include "skin/forms/TitleGlow.h"
#include "skin/graphics/Bitmap32.h"
#include "skin/graphics/Utils.h"

// ---------------------------------------------------------------- pure parts

TsGlyphCell CaptionGlyphCell(int state, bool animating, bool formActive, bool enabled)
{
    TsGlyphCell c;
    c.Frame = animating ? 0 : std::clamp(state, 0, 2);
    const bool normalLook = animating || state == tbsNormal;
    c.Row = (normalLook && !formActive) || !enabled ? 2 : 1;
    return c;
}

TsFrameStrips FrameStrips(int width, int height, int side, int top)
{
    TsFrameStrips s;
    top = std::clamp(top, 0, std::max(0, height));
    side = std::max(0, side);
    const int bottomTop = std::max(top, height - side);
    s.Top = RECT{0, 0, width, top};
    s.Left = RECT{0, top, std::min(side, width), bottomTop};
    s.Right = RECT{std::max(0, width - side), top, width, bottomTop};
    s.Bottom = RECT{0, bottomTop, width, height};
    return s;
}

TsFrameStrips FrameStripsAround(int width, int height, const RECT& client)
{
    TsFrameStrips s;
    const int top = std::clamp(int(client.top), 0, height);
    const int bottom = std::clamp(int(client.bottom), top, height);
    s.Top = RECT{0, 0, width, top};
    s.Left = RECT{0, top, std::clamp(int(client.left), 0, width), bottom};
    s.Right = RECT{std::clamp(int(client.right), 0, width), top, width, bottom};
    s.Bottom = RECT{0, bottom, width, height};
    return s;
}

TAlignment EffectiveCaptionAlignment(TAlignment a, bool rightToLeft)
{
    if (!rightToLeft)
        return a;
    if (a == TAlignment::taLeftJustify)
        return TAlignment::taRightJustify;
    if (a == TAlignment::taRightJustify)
        return TAlignment::taLeftJustify;
    return a;
}

TsCaptionTextPlace PlaceCaptionText(const TsCaptionTextInput& in)
{
    TsCaptionTextPlace out;
    int left = in.FrameWidth + in.IconWidth + in.BILeft + in.Shadow.left + 4 + (in.CaptionSection ? 2 : 0);
    int right = in.PictureWidth - in.ButtonBlockWidth - in.Shadow.right - 12;
    right = std::max(left, right);
    const int total = in.CaptionWidth + in.AddedWidth + 4;
    switch (EffectiveCaptionAlignment(in.Alignment, in.RightToLeft)) {
    case TAlignment::taRightJustify:
        if (right - total > left)
            left = right - total;
        break;
    case TAlignment::taCenter: {
        const int width = right - left;
        left = std::max(left, left + (width - total) / 2);
        break;
    }
    default:
        break;
    }
    const int top = in.ButtonsCenter - in.TextHeight / 2 + in.VerticalShift;
    const int bottom = top + in.TextHeight;
    const int captionRight = std::min(left + in.CaptionWidth, right);
    out.Caption = RECT{left, top, captionRight, bottom};
    // The added title: 4 px right of the caption, only when more than 4 px remain.
    const int addedLeft = captionRight + (in.CaptionWidth > 0 ? 4 : 0);
    if (in.AddedWidth > 0 && right - addedLeft > 4)
        out.Added = RECT{addedLeft, top, std::min(addedLeft + in.AddedWidth, right), bottom};
    else
        out.Added = RECT{addedLeft, top, addedLeft, bottom};
    return out;
}

UINT CaptionTextFlags(bool rightToLeft)
{
    return DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS | (rightToLeft ? DT_RTLREADING : 0);
}

TsMDIButtonPlaces PlaceMDIButtons(const TsMDIButtonInput& in)
{
    TsMDIButtonPlaces out;
    const int y = in.TopFrame + in.CaptionHeight + in.Shadow.top + (in.MenuLineHeight - in.Height) / 2 +
                  (std::max(1, in.MenuLines) - 1) * in.MenuLineHeight;
    const int base = in.PictureWidth - in.FrameWidth - in.Shadow.right;
    auto at = [&](int x) { return RECT{x, y, x + in.Width, y + in.Height}; };
    out.Min = at(base - 3 * in.Width - 3);
    out.Restore = at(base - 2 * in.Width - 2);
    out.Close = at(base - in.Width - 1);
    return out;
}

uint32_t Wow64CorrectPixel(uint32_t pixel)
{
    const int a = int(pixel >> 24);
    if (a >= 255)
        return pixel;
    int r = int((pixel >> 16) & 0xFF), g = int((pixel >> 8) & 0xFF), b = int(pixel & 0xFF);
    const int d = std::max({r, g, b}) - std::min({r, g, b});
    if (d <= 0 || 255 / d < 1)
        return pixel;
    r -= r >> 4;
    g -= g >> 4;
    b -= b >> 4;
    const double grown = double(510 - 2 * a) / std::sqrt(255.0 / double(d)) + double(a);
    const int na = std::min(255, int(std::lround(grown)));
    return (uint32_t(na) << 24) | (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b);
}

void Wow64CorrectPixels(const PixelView& v)
{
    if (v.Empty())
        return;
    for (int y = 0; y < v.height; ++y) {
        uint32_t* row = v.Row(y);
        for (int x = 0; x < v.width; ++x)
            row[x] = Wow64CorrectPixel(row[x]);
    }
}

bool Wow64CorrectionApplies(bool wow64Flag, double skinVersion) { return wow64Flag && skinVersion < 7.51; }
bool Wow64DropsCaptionGlow(bool wow64Flag, double skinVersion) { return wow64Flag && skinVersion <= 7.5; }

void MaximizedBounds(const TsMaxInfoInput& in, POINT& position, POINT& size)
{
    const int extra = std::max(0, in.ExtraTitle);
    position = POINT{in.Work.left - in.Monitor.left - in.FrameWidth, in.Work.top - in.Monitor.top + extra - in.FrameWidth};
    size = POINT{in.Work.right - in.Work.left + 2 * in.FrameWidth,
                 in.Work.bottom - in.Work.top + 2 * in.FrameWidth - extra};
}

std::function<RECT(TsSkinProvider&)> FrameShadowMargins;
std::function<void(TsSkinProvider&, TBitmap&)> FrameBorderPicture;
std::function<bool(TsSkinProvider&, SIZE&, POINT&)> FrameBorderGeometry;
std::function<bool(TsSkinProvider&, HMENU, int, HDC, const RECT&)> MenuLineItemPainter;
std::function<bool(TsSkinProvider&)> TsFramePainter::MDIButtonsVisible;

// ---------------------------------------------------------------- the painter

void TsFramePainterDelete::operator()(TsFramePainter* p) const { delete p; }

TsFramePainter& FramePainterOf(TsSkinProvider& provider)
{
    if (!provider.painter_)
        provider.painter_.reset(new TsFramePainter(provider));
    return *provider.painter_;
}

void TsSkinProvider::PaintFrameToCache() { FramePainterOf(*this).PaintFrameToCache(); }

TsFramePainter::TsFramePainter(TsSkinProvider& provider) : p_(provider) {}

TsFramePainter::~TsFramePainter() = default;

TBitmap* TsFramePainter::Cache() const
{
    TsCommonData* d = p_.skinData_.get();
    return d && d->CacheBitmap && !d->CacheBitmap->Empty() ? d->CacheBitmap.get() : nullptr;
}

namespace {

RECT ShadowOf(TsSkinProvider& p) { return FrameShadowMargins ? FrameShadowMargins(p) : RECT{}; }

bool Empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

int StateRow(TsSkinManager& m, int section, bool active)
{
    if (!m.IsSectionIndexValid(section))
        return 0;
    return std::max(0, std::min(active ? 1 : 0, int(m.gd()[size_t(section)].States) - 1));
}

// The small icon of wnd's window class, else its large one.
HICON ClassIcon(HWND wnd)
{
    auto icon = HICON(GetClassLongPtrW(wnd, GCLP_HICONSM));
    return icon ? icon : HICON(GetClassLongPtrW(wnd, GCLP_HICON));
}

// The form's icon: its own, else its class's, else the application's, else
// the system's standard one.
HICON FormIcon(HWND wnd)
{
    auto icon = HICON(SendMessageW(wnd, WM_GETICON, ICON_SMALL, 0));
    if (!icon)
        icon = HICON(SendMessageW(wnd, WM_GETICON, ICON_BIG, 0));
    if (!icon)
        icon = ClassIcon(wnd);
    // The application's icon: the program's own ("MAINICON"), which its
    // window class carries.
    if (!icon && Application && Application->Handle())
        icon = ClassIcon(Application->Handle());
    if (!icon)
        icon = LoadIconW(nullptr, IDI_APPLICATION);
    return icon;
}

// The system's caption font (made once per call; the caller deletes it).
HFONT CaptionFont(bool small)
{
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof ncm;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0))
        return HFONT(GetStockObject(DEFAULT_GUI_FONT)) ? CreateFontW(-12, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0,
                                                                      0, 0, 0, L"Tahoma")
                                                        : nullptr;
    return CreateFontIndirectW(small ? &ncm.lfSmCaptionFont : &ncm.lfCaptionFont);
}

SIZE MeasureText(HDC dc, const String& text, UINT flags)
{
    RECT r{0, 0, 0, 0};
    if (text.empty()) {
        TEXTMETRICW tm{};
        GetTextMetricsW(dc, &tm);
        return SIZE{0, tm.tmHeight};
    }
    DrawTextW(dc, text.c_str(), int(text.size()), &r, (flags & ~DT_END_ELLIPSIS & ~DT_VCENTER) | DT_CALCRECT);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

}  // namespace

int TsFramePainter::MaskOf(int hitCode) const
{
    TsSkinManager* m = p_.Manager();
    if (!m)
        return -1;
    auto global = [m](const wchar_t* name) { return m->FindMaskIndexDirect(L"GLOBALINFO", name); };
    const bool zoomed = IsZoomed(p_.wnd_) != 0, iconic = IsIconic(p_.wnd_) != 0;
    switch (hitCode) {
    case HTCLOSE:
        return p_.close_.MaskIndex;
    case HTMAXBUTTON:
        if (zoomed) {
            const int norm = p_.max_.Big ? global(L"BICONNORM") : global(L"SICONNORM");
            return m->IsMaskIndexValid(norm) ? norm : global(L"BICONNORM");
        }
        return p_.max_.MaskIndex;
    case HTMINBUTTON:
        if (iconic && !(Application && Application->MainForm() == p_.form_)) {
            const int norm = global(L"BICONNORM");
            return m->IsMaskIndexValid(norm) ? norm : p_.min_.MaskIndex;
        }
        return p_.min_.MaskIndex;
    case HTHELP:
        return p_.help_.MaskIndex;
    case HTMDICLOSE: {
        const int s = global(L"SICONCLOSE");
        return m->IsMaskIndexValid(s) ? s : global(L"BICONCLOSE");
    }
    case HTMDIRESTORE: {
        const int s = global(L"SICONNORM");
        return m->IsMaskIndexValid(s) ? s : global(L"BICONNORM");
    }
    case HTMDIMIN: {
        const int s = global(L"SICONMIN");
        return m->IsMaskIndexValid(s) ? s : global(L"BICONMIN");
    }
    default:
        if (hitCode >= kUserButtonBase && hitCode < kUserButtonBase + p_.TitleButtonCount())
            return p_.TitleButton(hitCode - kUserButtonBase).MaskIndex;
        return -1;
    }
}

bool TsFramePainter::ElementEnabled(int hitCode) const
{
    const TsCaptionButtons b = p_.CaptionButtons();
    const bool zoomed = IsZoomed(p_.wnd_) != 0;
    switch (hitCode) {
    case HTCLOSE:
    case HTMDICLOSE:
        return b.EnabledClose;
    case HTMAXBUTTON:
        return zoomed ? b.EnabledRestore : b.EnabledMax;
    case HTMINBUTTON:
    case HTMDIMIN:
        return b.EnabledMin;
    case HTMDIRESTORE:
        return b.EnabledRestore;
    case HTHELP:
        return true;
    default:
        if (hitCode >= kUserButtonBase && hitCode < kUserButtonBase + p_.TitleButtonCount())
            return p_.TitleButton(hitCode - kUserButtonBase).Enabled();
        return false;
    }
}

RECT TsFramePainter::ElementBounds(int hitCode) const
{
    switch (hitCode) {
    case HTCLOSE:
        return layout_.Close;
    case HTMAXBUTTON:
        return layout_.Max;
    case HTMINBUTTON:
        return layout_.Min;
    case HTHELP:
        return layout_.Help;
    case HTMDICLOSE:
        return mdiShown_ ? mdiButtons_.Close : RECT{};
    case HTMDIRESTORE:
        return mdiShown_ ? mdiButtons_.Restore : RECT{};
    case HTMDIMIN:
        return mdiShown_ ? mdiButtons_.Min : RECT{};
    default:
        if (hitCode >= kUserButtonBase && hitCode - kUserButtonBase < int(layout_.User.size()))
            return layout_.User[size_t(hitCode - kUserButtonBase)];
        if (TkvTitleBarItem* item = TitleItemOfCode(p_, hitCode))
            return item->Rect;
        return RECT{};
    }
}

int TsFramePainter::ElementState(int hitCode) const
{
    if (hitCode == kNoElement)
        return tbsNormal;
    if (p_.pressedElement_ == hitCode)
        return tbsPressed;
    if (p_.hotElement_ == hitCode)
        return tbsHot;
    return tbsNormal;
}

bool TsFramePainter::PaintFrameToCache()
{
    TsSkinManager* m = p_.Manager();
    if (!m || !m->Active() || !p_.FormAlive() || !p_.skinData_ || p_.inactive_)
        return false;
    TsCommonData& d = *p_.skinData_;
    if (!m->IsSectionIndexValid(d.SectionIndex))
        d.UpdateIndexes();
    if (!m->IsSectionIndexValid(d.SectionIndex))
        return false;
    HWND wnd = p_.wnd_;
    RECT wr{};
    GetWindowRect(wnd, &wr);
    const RECT shadow = ShadowOf(p_);
    if (wr.right <= wr.left || wr.bottom <= wr.top)
        return false;
    // With a border window the picture is the border window's: the shadow around the frame.
    SIZE size{};
    POINT formOrigin{};
    PictureGeometry(size, formOrigin);
    const int width = size.cx, height = size.cy;
    if (width <= 0 || height <= 0)
        return false;
    if (!d.CacheBitmap)
        d.CacheBitmap = std::make_unique<TBitmap>(width, height);
    TBitmap& bmp = *d.CacheBitmap;
    if (bmp.Width() != width || bmp.Height() != height || bmp.PixelFormat() != TPixelFormat::pf32bit) {
        bmp.SetPixelFormat(TPixelFormat::pf32bit);
        bmp.SetSize(width, height);
    }
    layout_ = p_.LayoutTitleButtons();
    PlaceTitleItems(p_, layout_);

    const bool active = p_.formActive_;
    const int state = StateRow(*m, d.SectionIndex, active);
    // A form inside a control stands on its parent's picture (ClientPaint.h).
    TsBgCacheInfo info = EmptyBgCacheInfo;
    if (!FormParentBackground(p_, info))
        return false;
    const RECT all{shadow.left, shadow.top, width - shadow.right, height - shadow.bottom};
    // The frame background with the form's border mask.
    PaintControlSkin(d, info, -1, -1, 0, &bmp, POINT{0, 0}, all, state);

    const bool caption = p_.CaptionAreaHeight(true) > 0 && p_.DrawNonClientArea();
    // A skin of border mode 1 draws the border window's picture from the form's
    // border mask, around the whole picture; the title comes over it afterwards.
    const bool maskAround = p_.Border() && m->SkinData().BorderMode == 1;
    if (caption && !maskAround)
        PaintTitleStrip(bmp);

    // The menu line under the title.
    const int lineHeight = p_.MenuLineHeight();
    if (lineHeight > 0 && p_.DrawNonClientArea()) {
        const int lines = std::max(1, p_.MenuLineCount());
        const int side = p_.FormFrameWidth(true);
        const String name = p_.MenuLineSkin.empty() ? String(L"MENULINE") : p_.MenuLineSkin;
        const int section = m->FindSectionIndex(name);
        const int top = p_.TopFrameWidth() + p_.CaptionAreaHeight(true) + shadow.top;
        const RECT line{side + shadow.left, top, width - side - shadow.right, top + lines * lineHeight};
        if (m->IsSectionIndexValid(section) && !Empty(line))
            PaintSkinItem(section, name, info, -1, -1, m, &bmp, POINT{0, 0}, line, 0, 0);
        PaintMenuLine(bmp, top, lines, lineHeight);
    }

    // The MDI child's buttons, when its main form shows them.
    mdiShown_ = lineHeight > 0 && MDIButtonsVisible && MDIButtonsVisible(p_);
    if (mdiShown_) {
        TsMDIButtonInput in;
        in.PictureWidth = width;
        in.FrameWidth = p_.FormFrameWidth(true);
        in.TopFrame = p_.TopFrameWidth();
        in.CaptionHeight = p_.CaptionAreaHeight(true);
        in.Shadow = shadow;
        in.MenuLineHeight = lineHeight;
        in.MenuLines = std::max(1, p_.MenuLineCount());
        const int mask = MaskOf(HTMDICLOSE);
        in.Width = in.Height = 16;
        if (m->IsMaskIndexValid(mask)) {
            in.Width = MaskFrameWidth(m->ma()[size_t(mask)]);
            in.Height = MaskStateHeight(m->ma()[size_t(mask)]);
        }
        mdiButtons_ = PlaceMDIButtons(in);
    } else {
        mdiButtons_ = TsMDIButtonPlaces{};
    }

    if (maskAround) {
        PaintBorderMaskAround(bmp, state);
        if (caption) {
            PaintTitleStrip(bmp);
            PaintCaptionText(bmp);
        }
    }
    if (caption) {
        if (!maskAround)
            PaintCaptionText(bmp);
        SaveButtonStrip(bmp);
        PaintCaptionButtons(bmp);
        PaintTitleItems(p_, bmp);
        if (maskAround)
            MakeTitleOpaque(bmp);
    }
    // The border window's shadow and corners, then the correction its alpha needs in a WOW64 process.
    if (p_.Border()) {
        if (FrameBorderPicture && !maskAround)
            FrameBorderPicture(p_, bmp);
        if (Wow64CorrectionApplies(Wow64WithoutComposition, m->SkinData().Version))
            Wow64CorrectPixels(bmp.View());
    }
    PaintFormDrawing(p_, bmp);
    d.BackgroundChanged = false;
    return true;
}

void TsFramePainter::PaintMenuLine(TBitmap& bmp, int top, int lines, int lineHeight)
{
    HMENU menu = GetMenu(p_.wnd_);
    if (!menu)
        return;
    TsSkinManager* m = p_.Manager();
    RECT wr{};
    GetWindowRect(p_.wnd_, &wr);
    HDC dc = bmp.Canvas().Handle();
    const int saved = SaveDC(dc);
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof ncm;
    HFONT font = SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0) ? CreateFontIndirectW(&ncm.lfMenuFont)
                                                                                     : nullptr;
    if (font)
        SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    const String name = p_.MenuLineSkin.empty() ? String(L"MENULINE") : p_.MenuLineSkin;
    TsManagerTextSkin skin(m);
    SetTextColor(dc, ColorToRGB(skin.StateColors(m->FindSectionIndex(name), 0).FontColor));
    const RECT area{0, top, bmp.Width(), top + lines * lineHeight};
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        RECT r{};
        if (!GetMenuItemRect(p_.wnd_, menu, UINT(i), &r))
            continue;
        OffsetRect(&r, -wr.left, -wr.top);
        RECT in{};
        if (!IntersectRect(&in, &r, &area))
            continue;
        if (MenuLineItemPainter && MenuLineItemPainter(p_, menu, i, dc, r))
            continue;
        wchar_t text[256];
        const int n = GetMenuStringW(menu, UINT(i), text, 256, MF_BYPOSITION);
        if (n > 0)
            DrawTextW(dc, text, n, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    RestoreDC(dc, saved);
    if (font)
        DeleteObject(font);
}

RECT TsFramePainter::TitleStripRect(const TBitmap& bmp) const
{
    const RECT shadow = ShadowOf(p_);
    const bool iconicSmall = IsIconic(p_.wnd_) && !(Application && Application->MainForm() == p_.form_);
    const int bottom = iconicSmall ? bmp.Height() - shadow.bottom : layout_.TitleBottom;
    return RECT{shadow.left, shadow.top, bmp.Width() - shadow.right, bottom};
}

void TsFramePainter::PaintCaptionPlate(TBitmap& bmp, const RECT& back)
{
    TsSkinManager* m = p_.Manager();
    const RECT strip = TitleStripRect(bmp);
    RECT part{};
    if (!m || Empty(strip) || !IntersectRect(&part, &back, &strip))
        return;
    // Painted over the whole strip, as the title is, and only the part
    // behind the text kept: a CAPTION that inherits the title's look lines
    // up with it and does not show.
    TBitmap plate(strip.right - strip.left, strip.bottom - strip.top, TPixelFormat::pf32bit);
    PaintSkinItem(p_.captionSection_, L"CAPTION", EmptyBgCacheInfo, -1, -1, m, &plate, POINT{0, 0},
                  RECT{0, 0, plate.Width(), plate.Height()}, StateRow(*m, p_.captionSection_, p_.formActive_), 0);
    BitBlt(bmp.Canvas().Handle(), part.left, part.top, part.right - part.left, part.bottom - part.top,
           plate.Canvas().Handle(), part.left - strip.left, part.top - strip.top, SRCCOPY);
}

void TsFramePainter::PaintTitleStrip(TBitmap& bmp)
{
    TsSkinManager* m = p_.Manager();
    TsCommonData& d = *p_.skinData_;
    const int width = bmp.Width();
    int section = p_.titleSection_;
    String name = p_.TitleSkin().empty() ? String(L"FORMTITLE") : p_.TitleSkin();
    if (!m->IsSectionIndexValid(section))
        section = p_.titleSection_ = m->FindSectionIndex(name);
    const RECT strip = TitleStripRect(bmp);
    if (m->IsSectionIndexValid(section) && !Empty(strip))
        PaintSkinItem(section, name, EmptyBgCacheInfo, -1, -1, m, &bmp, POINT{0, 0}, strip,
                      StateRow(*m, section, p_.formActive_), 0);

    // The title icon.
    if (!Empty(layout_.Icon)) {
        HDC dc = bmp.Canvas().Handle();
        const RECT& r = layout_.Icon;
        if (p_.TitleIcon.Visible() && !p_.TitleIcon.Glyph.Empty()) {
            TBitmap& g = p_.TitleIcon.Glyph;
            const int x = r.left + (r.right - r.left - g.Width()) / 2, y = r.top + (r.bottom - r.top - g.Height()) / 2;
            if (g.PixelFormat() == TPixelFormat::pf32bit)
                BlendAlphaRect(RECT{x, y, x + g.Width(), y + g.Height()}, RECT{0, 0, g.Width(), g.Height()}, &bmp,
                               &g, false, EmptyBgCacheInfo);
            else
                CopyBitmapSkipColor(&bmp, &g, x, y, TColor(GetPixel(g.Canvas().Handle(), 0, g.Height() - 1)));
        } else if (p_.TitleIcon.Visible()) {
            DrawIconEx(dc, r.left, r.top, FormIcon(p_.wnd_), r.right - r.left, r.bottom - r.top, 0, nullptr, DI_NORMAL);
        }
    }

    // The TITLEBAR mask behind the caption-button block.
    const int titleBar = m->FindMaskIndex(d.SectionIndex, d.SkinSection(), L"TITLEBAR");
    if (m->IsMaskIndexValid(titleBar)) {
        const int block = layout_.Close.right > layout_.ButtonBlockLeft ? layout_.Close.right - layout_.ButtonBlockLeft : 0;
        if (block > 0) {
            const TsMaskData& mask = m->ma()[size_t(titleBar)];
            const RECT r{width - (2 * mask.MarginLeft + block), 0, width, p_.TopFrameWidth() + p_.CaptionAreaHeight(true)};
            PaintMaskNineParts32(&bmp, r, 0, m, false, StateRow(*m, d.SectionIndex, p_.formActive_), titleBar,
                                 EmptyBgCacheInfo);
        }
    }
}

void TsFramePainter::PaintCaptionText(TBitmap& bmp)
{
    TsSkinManager* m = p_.Manager();
    const RECT shadow = ShadowOf(p_);
    const bool rtl = (GetWindowLongW(p_.wnd_, GWL_EXSTYLE) & (WS_EX_RTLREADING | WS_EX_LAYOUTRTL)) != 0;
    const UINT flags = CaptionTextFlags(rtl);
    const TFormBorderStyle bs = p_.form_->BorderStyle();
    const bool small = bs == TFormBorderStyle::bsToolWindow || bs == TFormBorderStyle::bsSizeToolWin;
    const String caption = TitleBarShowsCaption(p_, p_.AddedTitle.ShowMainCaption()) ? ReadWindowText(p_.wnd_) : String();
    captionText_ = caption;
    const String& added = p_.AddedTitle.Text();

    TCanvas& canvas = bmp.Canvas();
    HDC dc = canvas.Handle();
    const int saved = SaveDC(dc);
    HFONT font = CaptionFont(small);
    if (font)
        SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    const SIZE cs = MeasureText(dc, caption, flags);
    SIZE as{0, 0};
    HFONT addedFont = added.empty() ? nullptr : p_.AddedTitle.Font().Handle();
    if (addedFont) {
        HGDIOBJ old = SelectObject(dc, addedFont);
        as = MeasureText(dc, added, flags);
        SelectObject(dc, old);
    }

    TsCaptionTextInput in;
    in.PictureWidth = bmp.Width();
    in.FrameWidth = p_.FormFrameWidth(true);
    in.IconWidth = layout_.Icon.right - layout_.Icon.left;
    in.BILeft = m->SkinData().BILeft;
    in.Shadow = shadow;
    in.CaptionSection = m->IsSectionIndexValid(p_.captionSection_);
    const int cursorStart = bmp.Width() - m->SkinData().BIRight - shadow.right - in.FrameWidth;
    in.ButtonBlockWidth = std::max(0, cursorStart - layout_.ButtonBlockLeft) + m->SkinData().BIRight + in.FrameWidth;
    in.ButtonsCenter = layout_.ButtonsCenter;
    in.TextHeight = std::max(cs.cy, as.cy);
    in.CaptionWidth = cs.cx;
    in.AddedWidth = as.cx;
    in.Alignment = p_.CaptionAlignment();
    in.RightToLeft = rtl;
    captionPlace_ = PlaceCaptionText(in);
    FitCaptionToTitleBar(p_, captionPlace_);

    int section = p_.titleSection_;
    if (!m->IsSectionIndexValid(section))
        section = m->FindSectionIndex(L"FORMTITLE");
    const int state = StateRow(*m, section, p_.formActive_);
    TsManagerTextSkin skin(m);
    const TsTextStateColors colors = skin.StateColors(section, state);

    if (!caption.empty() && !Empty(captionPlace_.Caption)) {
        if (in.CaptionSection) {
            RECT back = captionPlace_.Caption;
            InflateRect(&back, 4, 2);
            PaintCaptionPlate(bmp, back);
        }
        if (colors.GlowSize > 0 && !Wow64DropsCaptionGlow(Wow64WithoutComposition, m->SkinData().Version)) {
            LOGFONTW lf{};
            if (font && GetObjectW(font, sizeof lf, &lf))
                canvas.Font().Set(lf.lfFaceName, lf.lfHeight, lf.lfWeight >= FW_BOLD ? TFontStyles(fsBold) : TFontStyles(),
                                  colors.FontColor);
            DrawTextWithEffect(&bmp, caption, captionPlace_.Caption, p_.formActive_ ? glowActive_ : glowInactive_,
                               colors.GlowColor, colors.GlowSize, 0, flags);
            if (font)
                SelectObject(dc, font);
            SetBkMode(dc, TRANSPARENT);
        }
        SetTextColor(dc, ColorToRGB(colors.FontColor));
        RECT r = captionPlace_.Caption;
        DrawTextW(dc, caption.c_str(), int(caption.size()), &r, flags);
    }
    if (addedFont && !Empty(captionPlace_.Added)) {
        TColor c = p_.AddedTitle.Font().Color();
        if (c == clNone || c == clWindowText)
            c = colors.FontColor;
        else if (!p_.formActive_) {
            const COLORREF u = ColorToRGB(c), s = ColorToRGB(colors.FontColor);
            c = TColor(RGB((GetRValue(u) + GetRValue(s)) / 2, (GetGValue(u) + GetGValue(s)) / 2,
                           (GetBValue(u) + GetBValue(s)) / 2));
        }
        SelectObject(dc, addedFont);
        SetTextColor(dc, ColorToRGB(c));
        RECT r = captionPlace_.Added;
        DrawTextW(dc, added.c_str(), int(added.size()), &r, flags);
    }
    RestoreDC(dc, saved);
    if (font)
        DeleteObject(font);
    // GDI text leaves alpha 0: the title strip stays opaque.
    MakeTitleOpaque(bmp);
}

void TsFramePainter::MakeTitleOpaque(TBitmap& bmp)
{
    const RECT strip = TitleStripRect(bmp);
    PixelView v = bmp.View();
    for (int y = std::max(0, int(layout_.ButtonsTop)); y < std::min(v.height, layout_.TitleBottom); ++y)
        for (int x = std::max(0, int(strip.left)); x < std::min(v.width, int(strip.right)); ++x)
            v.At(x, y) |= 0xFF000000u;
}

void TsFramePainter::PaintBorderMaskAround(TBitmap& bmp, int state)
{
    TsSkinManager* m = p_.Manager();
    const int mask = p_.skinData_->BorderMaskIndex;
    const PixelBitmap* source = m && m->IsMaskIndexValid(mask) ? m->Tables().MaskBitmap(mask) : nullptr;
    if (!source)
        return;
    const TsMaskData& md = m->ma()[size_t(mask)];
    const int frameWidth = MaskFrameWidth(md), stateHeight = MaskStateHeight(md);
    if (frameWidth <= 0 || stateHeight <= 0)
        return;
    const int frame = std::clamp(state, 0, std::max(0, int(md.FrameCount) - 1));
    const px::Rect src = px::Sized(md.SourceRect.left + frame * frameWidth, md.SourceRect.top, frameWidth, stateHeight);
    // The corners as large as the mask's margins; the top ones no higher than the title.
    const int title = ShadowOf(p_).top + p_.CaptionAreaHeight(true);
    const px::Rect margins{m->MaskMarginLeft(mask), std::min(m->MaskMarginTop(mask), std::max(0, title)),
                           m->MaskMarginRight(mask), m->MaskMarginBottom(mask)};
    const int edgeMode = (md.PaintFlags & 1) ? 1 : 0;
    skinpaint::CopyBitmapNineParts(bmp.View(), source->View(), px::Rect{0, 0, bmp.Width(), bmp.Height()}, false, 0,
                                   px::Rect{edgeMode, edgeMode, edgeMode, edgeMode}, margins, margins, src);
}

void TsFramePainter::SaveButtonStrip(TBitmap& bmp)
{
    stripHeight_ = std::min(bmp.Height(), layout_.TitleBottom + (mdiShown_ ? bmp.Height() : 0));
    stripHeight_ = std::min(bmp.Height(), std::max(stripHeight_, mdiShown_ ? int(mdiButtons_.Close.bottom) : 0));
    strip_.SetPixelFormat(TPixelFormat::pf32bit);
    strip_.SetSize(bmp.Width(), stripHeight_);
    if (stripHeight_ > 0)
        BitBlt(strip_.Canvas().Handle(), 0, 0, bmp.Width(), stripHeight_, bmp.Canvas().Handle(), 0, 0, SRCCOPY);
}

void TsFramePainter::PaintOneButton(TBitmap& bmp, int hitCode)
{
    if (TkvTitleBarItem* item = TitleItemOfCode(p_, hitCode)) {
        PaintTitleItem(p_, *item, item->Rect, bmp);
        return;
    }
    const RECT r = ElementBounds(hitCode);
    // While its glow fades, the picture keeps the button normal: the glow window shows the state.
    const int state = ButtonAnimation(p_, hitCode) ? tbsNormal : ElementState(hitCode);
    PaintButtonAt(bmp, hitCode, state, POINT{r.left, r.top});
}

void TsFramePainter::PaintElementPicture(int hitCode, int state, TBitmap& out, POINT at, bool background)
{
    TBitmap* bmp = Cache();
    const RECT r = ElementBounds(hitCode);
    if (!bmp || Empty(r))
        return;
    if (background) {
        const bool clean = r.bottom <= stripHeight_ && strip_.Width() == bmp->Width();
        BitBlt(out.Canvas().Handle(), at.x, at.y, r.right - r.left, r.bottom - r.top,
               clean ? strip_.Canvas().Handle() : bmp->Canvas().Handle(), r.left, r.top, SRCCOPY);
        PixelView v = out.View();
        for (int y = std::max(0, int(at.y)); y < std::min(v.height, int(at.y + r.bottom - r.top)); ++y)
            for (int x = std::max(0, int(at.x)); x < std::min(v.width, int(at.x + r.right - r.left)); ++x)
                v.At(x, y) |= 0xFF000000u;
    }
    PaintButtonAt(out, hitCode, state, at);
}

void TsFramePainter::PaintButtonAt(TBitmap& bmp, int hitCode, int state, POINT at)
{
    TsSkinManager* m = p_.Manager();
    RECT r = ElementBounds(hitCode);
    if (!m || Empty(r))
        return;
    OffsetRect(&r, at.x - r.left, at.y - r.top);
    const bool enabled = ElementEnabled(hitCode);
    const TsGlyphCell cell = CaptionGlyphCell(enabled ? state : tbsNormal, false, p_.formActive_, enabled);
    const int mask = MaskOf(hitCode);
    // The glyph's key pixels keep what the title shows under them.
    TsBgCacheInfo under;
    under.Bmp = &bmp;
    under.Ready = true;
    if (m->IsMaskIndexValid(mask))
        DrawMaskFrame32(&bmp, POINT{r.left, r.top}, cell.Frame, under, mask, cell.Row, m);
    if (hitCode >= kUserButtonBase && hitCode < kUserButtonBase + p_.TitleButtonCount()) {
        // Read only: a canvas is needed to read its pixels.
        TBitmap& g = const_cast<TBitmap&>(p_.TitleButton(hitCode - kUserButtonBase).Glyph());
        if (!g.Empty()) {
            const int shift = state == tbsPressed ? 1 : 0;
            const int x = r.left + (r.right - r.left - g.Width()) / 2 + shift;
            const int y = r.top + (r.bottom - r.top - g.Height()) / 2 + shift;
            if (g.PixelFormat() == TPixelFormat::pf32bit)
                BlendAlphaRect(RECT{x, y, x + g.Width(), y + g.Height()}, RECT{0, 0, g.Width(), g.Height()}, &bmp, &g,
                               false, EmptyBgCacheInfo);
            else
                CopyBitmapSkipColor(&bmp, &g, x, y, TColor(GetPixel(g.Canvas().Handle(), 0, g.Height() - 1)));
        }
    }
}

void TsFramePainter::PaintCaptionButtons(TBitmap& bmp)
{
    const TsCaptionButtons b = p_.CaptionButtons();
    if (b.SystemMenu) {
        PaintOneButton(bmp, HTCLOSE);
        if (b.VisibleMax)
            PaintOneButton(bmp, HTMAXBUTTON);
        if (b.VisibleMin)
            PaintOneButton(bmp, HTMINBUTTON);
        if (b.Help)
            PaintOneButton(bmp, HTHELP);
    }
    for (int i = 0; i < p_.TitleButtonCount(); ++i)
        if (p_.TitleButton(i).Visible())
            PaintOneButton(bmp, kUserButtonBase + i);
    if (mdiShown_) {
        PaintOneButton(bmp, HTMDIMIN);
        PaintOneButton(bmp, HTMDIRESTORE);
        PaintOneButton(bmp, HTMDICLOSE);
    }
}

void TsFramePainter::CopyFrameToDC(HDC dc)
{
    TBitmap* bmp = Cache();
    if (!bmp || !dc)
        return;
    RECT wr{}, cr{};
    GetWindowRect(p_.wnd_, &wr);
    GetClientRect(p_.wnd_, &cr);
    MapWindowPoints(p_.wnd_, nullptr, reinterpret_cast<POINT*>(&cr), 2);
    OffsetRect(&cr, -wr.left, -wr.top);
    SIZE size{};
    POINT o{};
    PictureGeometry(size, o);
    const TsFrameStrips s = FrameStripsAround(wr.right - wr.left, wr.bottom - wr.top, cr);
    HDC src = bmp->Canvas().Handle();
    for (const RECT& r : {s.Top, s.Left, s.Right, s.Bottom})
        if (!Empty(r))
            BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, src, r.left + o.x, r.top + o.y, SRCCOPY);
}

void TsFramePainter::PictureGeometry(SIZE& size, POINT& formOrigin) const
{
    if (FrameBorderGeometry && FrameBorderGeometry(p_, size, formOrigin))
        return;
    RECT wr{};
    GetWindowRect(p_.wnd_, &wr);
    const RECT shadow = ShadowOf(p_);
    size = SIZE{wr.right - wr.left + shadow.left + shadow.right, wr.bottom - wr.top + shadow.top + shadow.bottom};
    formOrigin = POINT{shadow.left, shadow.top};
}

POINT TsFramePainter::PictureScreenOrigin() const
{
    RECT wr{};
    GetWindowRect(p_.wnd_, &wr);
    SIZE size{};
    POINT o{};
    PictureGeometry(size, o);
    return POINT{wr.left - o.x, wr.top - o.y};
}

bool TsFramePainter::CacheFits() const
{
    TBitmap* bmp = Cache();
    SIZE size{};
    POINT o{};
    PictureGeometry(size, o);
    return bmp && bmp->Width() == size.cx && bmp->Height() == size.cy;
}

void TsFramePainter::PaintNonClient()
{
    if (!p_.FormAlive())
        return;
    TsCommonData& d = *p_.skinData_;
    RECT wr{};
    GetWindowRect(p_.wnd_, &wr);
    TBitmap* bmp = Cache();
    if (!bmp || d.BackgroundChanged || !CacheFits()) {
        if (!PaintFrameToCache())
            return;
        // The border window shows the new picture.
        if (TsBorderSeam* border = p_.Border())
            border->UpdateBorderWindow(false, 255);
    }
    if (p_.regionChanged_ && !p_.regionChanging_)
        p_.UpdateRegion(false);
    HDC dc = GetWindowDC(p_.wnd_);
    if (!dc)
        return;
    const int saved = SaveDC(dc);
    CopyFrameToDC(dc);
    RestoreDC(dc, saved);
    ReleaseDC(p_.wnd_, dc);
}

void TsFramePainter::PrintFrame(HDC dc)
{
    if (!p_.FormAlive() || !dc)
        return;
    TBitmap* bmp = Cache();
    RECT wr{};
    GetWindowRect(p_.wnd_, &wr);
    if (!bmp || p_.skinData_->BackgroundChanged || !CacheFits())
        if (!PaintFrameToCache())
            return;
    CopyFrameToDC(dc);
}

void TsFramePainter::CopyRectToScreen(const RECT& r)
{
    TBitmap* bmp = Cache();
    if (!bmp || Empty(r) || !IsWindowVisible(p_.wnd_))
        return;
    if (TsBorderSeam* border = p_.Border()) {
        // The frame is the border window's picture: pushed whole, not repainted.
        border->UpdateBorderWindow(false, 255);
        return;
    }
    HDC dc = GetWindowDC(p_.wnd_);
    if (!dc)
        return;
    SIZE size{};
    POINT o{};
    PictureGeometry(size, o);
    BitBlt(dc, r.left - o.x, r.top - o.y, r.right - r.left, r.bottom - r.top, bmp->Canvas().Handle(), r.left, r.top,
           SRCCOPY);
    ReleaseDC(p_.wnd_, dc);
}

void TsFramePainter::PaintTitleButton(int hitCode)
{
    TBitmap* bmp = Cache();
    if (!bmp || hitCode == kNoElement)
        return;
    if ((hitCode == HTMDICLOSE || hitCode == HTMDIRESTORE || hitCode == HTMDIMIN) && !mdiShown_)
        return;
    const RECT r = ElementBounds(hitCode);
    if (Empty(r))
        return;
    // Title-bar items fade on their own windows (TkvItemAnimation); their picture is painted here.
    if (TitleButtonFades(p_, hitCode) && !TitleItemOfCode(p_, hitCode)) {
        StartButtonAnimation(p_, hitCode, ElementState(hitCode));
        return;
    }
    // The clean title under the button first, then the button in its state now.
    if (r.bottom <= stripHeight_ && strip_.Width() == bmp->Width())
        BitBlt(bmp->Canvas().Handle(), r.left, r.top, r.right - r.left, r.bottom - r.top, strip_.Canvas().Handle(),
               r.left, r.top, SRCCOPY);
    PaintOneButton(*bmp, hitCode);
    CopyRectToScreen(r);
    // A hot close, maximise or minimise button of a skin with a glow gets its halo.
    RECT screen = r;
    const POINT o = PictureScreenOrigin();
    OffsetRect(&screen, o.x, o.y);
    UpdateTitleHalo(p_, hitCode, ElementState(hitCode), screen);
}

void TsFramePainter::SetHotElement(int code, bool repaint)
{
    if (code == p_.hotElement_)
        return;
    if (p_.pressedElement_ != kNoElement && code != kNoElement)
        return;   // nothing becomes hot while a press is tracked
    const int old = p_.hotElement_;
    p_.hotElement_ = code;
    if (old >= kUserButtonBase && old < kUserButtonBase + p_.TitleButtonCount())
        p_.TitleButton(old - kUserButtonBase).HideHintWindow();
    TitleItemHover(p_, old, false);
    if (repaint && old != kNoElement)
        PaintTitleButton(old);
    if (code >= kUserButtonBase && code < kUserButtonBase + p_.TitleButtonCount())
        p_.TitleButton(code - kUserButtonBase).ShowHintWindow(p_.wnd_);
    TitleItemHover(p_, code, true);
    if (repaint && code != kNoElement)
        PaintTitleButton(code);
}

void TsFramePainter::PressElement(int code)
{
    const int old = p_.pressedElement_;
    if (code == old)
        return;
    if (code != kNoElement) {
        const TsCaptionButtons b = p_.CaptionButtons();
        if (code == HTMAXBUTTON && !(b.EnabledMax || (IsZoomed(p_.wnd_) && b.EnabledRestore)))
            return;
        if (code == HTCLOSE && !b.EnabledClose)
            return;
    }
    p_.pressedElement_ = code;
    TitleItemPressCancelled(p_, old);
    if (old != kNoElement)
        PaintTitleButton(old);
    if (code != kNoElement)
        PaintTitleButton(code);
}

// ---------------------------------------------------------------- rows of the form window procedure

void FrameNcPaint(TsSkinProvider& p, TMessage& m)
{
    if (!p.PaintsNonClient() || !p.FormAlive()) {
        p.CallPrevious(m);
        return;
    }
    FramePainterOf(p).PaintNonClient();
    m.Result = 0;
}

void FrameNcActivate(TsSkinProvider& p, TMessage& m)
{
    if (!p.state_.Has(TsProviderBit::AnimationRunning))
        p.formActive_ = m.WParam != 0;
    p.state_.Set(TsProviderBit::InNcActivate);
    const bool ours = p.PaintsNonClient();
    if (ours) {
        // The system changes the window's state but does not paint its frame.
        TMessage pass = m;
        pass.LParam = -1;
        p.CallPrevious(pass);
        m.Result = pass.Result;
    } else {
        p.CallPrevious(m);
    }
    p.state_.Clear(TsProviderBit::InNcActivate);
    if (!ours || !p.FormAlive())
        return;
    p.skinData_->BackgroundChanged = true;
    if (IsWindowVisible(p.wnd_))
        FramePainterOf(p).PaintNonClient();
    m.Result = TRUE;
}

void FramePrint(TsSkinProvider& p, TMessage& m)
{
    auto dc = reinterpret_cast<HDC>(m.WParam);
    if (!p.PaintsNonClient() || !p.FormAlive() || !dc || !(m.LParam & PRF_NONCLIENT)) {
        p.CallPrevious(m);
        return;
    }
    FramePainterOf(p).PrintFrame(dc);
    // The client from the skin's picture, with the form's own drawing.
    LPARAM rest = m.LParam;
    if ((rest & PRF_CLIENT) && PrintClientArea(p, dc))
        rest &= ~LPARAM(PRF_CLIENT | PRF_ERASEBKGND);
    if (!(rest & ~LPARAM(PRF_NONCLIENT | PRF_CHECKVISIBLE))) {
        m.Result = 0;
        return;
    }
    // The client part and the children as the system prints them, at the client's place.
    RECT wr{};
    GetWindowRect(p.wnd_, &wr);
    POINT origin{0, 0};
    ClientToScreen(p.wnd_, &origin);
    const int saved = SaveDC(dc);
    OffsetViewportOrgEx(dc, origin.x - wr.left, origin.y - wr.top, nullptr);
    TMessage pass = m;
    pass.LParam = rest & ~LPARAM(PRF_NONCLIENT);
    p.CallPrevious(pass);
    RestoreDC(dc, saved);
    m.Result = pass.Result;
}
