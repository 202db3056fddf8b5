#include "skin/controls/ContainerWnd.h"

#include <algorithm>

#include <commctrl.h>

#include "skin/controls/AlphaImageList.h"
#include "skin/controls/ContainerGeometry.h"
#include "skin/core/ControlPaint.h"
#include "skin/core/ControlTreePaint.h"
#include "skin/core/MaskPaintBitmap.h"
#include "skin/core/SkinManager.h"
#include "skin/graphics/Bitmap32.h"
#include "skin/graphics/PixelOps.h"
#include "skin/graphics/SkinCommands.h"
#include "skin/graphics/TextEffects.h"

namespace {

unsigned Cmd(const TMessage& m) { return HIWORD(m.WParam); }
bool IsCmd(const TMessage& m) { return m.Msg == SkinCommandMessage; }

bool EmptySection(const String& s) { return s.empty() || s == L"UNKNOWN"; }

// The cache's device context, flushed so that GDI sees the painters' pixels.
HDC CacheDC(TsCommonData* data)
{
    GdiFlush();
    return data->CacheBitmap->Canvas().Handle();
}

// Copies part of a background (a parent's bitmap at the answered offset, or
// its colour) into a bitmap.
void FillFromBackground(TBitmap* dst, const RECT& r, const TsBgCacheInfo& info)
{
    if (IsRectEmpty(&r)) return;
    if (info.Bmp && info.Bmp != dst && info.Ready) {
        GdiFlush();
        BitBlt(dst->Canvas().Handle(), r.left, r.top, r.right - r.left, r.bottom - r.top,
               info.Bmp->Canvas().Handle(), info.X + r.left, info.Y + r.top, SRCCOPY);
        GdiFlush();
    } else {
        FillRectSolid(dst->Canvas().Handle(), r, info.FillColor == SkinKeyColor ? DefaultBackgroundColor()
                                                                                 : info.FillColor);
        GdiFlush();
    }
}

// Every pixel of the bitmap opaque, for copies to a window.
void MakeOpaque(TBitmap* bmp)
{
    GdiFlush();
    PixelView v = bmp->View();
    for (int y = 0; y < v.height; ++y) {
        uint32_t* row = v.Row(y);
        for (int x = 0; x < v.width; ++x) row[x] |= 0xFF000000u;
    }
}

// The skin's divider: the border mask of its "DIVIDER" section; -1 without one.
int DividerMask(TsSkinManager* m)
{
    int div = m->FindSectionIndex(L"DIVIDER");
    int mask = div >= 0 ? m->FindMaskIndex(div, L"DIVIDER", L"BORDERSMASK") : -1;
    return m->IsMaskIndexValid(mask) ? mask : -1;
}

// Paints the skin's divider into r of target, keyed as every skin image is:
// the divider goes onto a copy of target, and only the copy's pixels that are
// not the key colour come back, so target stays where the mask is keyed.
void PaintDividerKeyed(TsSkinManager* m, TBitmap* target, const RECT& r, const TsBgCacheInfo& info)
{
    TBitmap line(target->Width(), target->Height());
    GdiFlush();
    BitBlt(line.Canvas().Handle(), 0, 0, line.Width(), line.Height(), target->Canvas().Handle(), 0, 0, SRCCOPY);
    PaintSkinItem(m->FindSectionIndex(L"DIVIDER"), L"DIVIDER", info, -1, -1, m, &line, POINT{}, r, 0, 0);
    GdiFlush();
    px::CopySkipPixel(target->View(), line.View(), 0, 0, px::KeyColor, true);
}

struct OwnDC {
    HWND wnd;
    HDC dc;
    bool own;
    int saved;
    OwnDC(HWND w, HDC given) : wnd(w), dc(given), own(!given), saved(0)
    {
        if (own) dc = GetDC(wnd);
        saved = SaveDC(dc);
    }
    ~OwnDC()
    {
        RestoreDC(dc, saved);
        if (own) ReleaseDC(wnd, dc);
    }
};

// The cache prepared at the window's size. A wrapper made without skin data of
// its own (a native window) has no control whose size the cache could take.
TBitmap* PrepareWindowCache(TkvMainWnd* w)
{
    w->CommonData->PrepareCacheBitmap();
    TBitmap* cache = w->CommonData->CacheBitmap.get();
    if (cache && (cache->Width() != w->WindowExtent.cx || cache->Height() != w->WindowExtent.cy))
        cache->SetSize(std::max(0, int(w->WindowExtent.cx)), std::max(0, int(w->WindowExtent.cy)));
    return cache;
}
}  // namespace

// ---------------------------------------------------------------- TkvPanelWnd

TkvPanelWnd::TkvPanelWnd(HWND handle, TsCommonData* data, TsSkinManager* manager, const String& section,
                         bool repaint)
    : TkvMainWnd(handle, data, manager, section, repaint)
{
    Panel = dynamic_cast<TCustomPanel*>(OwnerControl());
    if (EmptySection(section) && EmptySection(CommonData->SkinSection())) {
        bool was = CommonData->Updating;
        CommonData->Updating = true;
        // A control of the panel list that is no panel has no bevels to choose by.
        CommonData->SetSkinSection(Panel ? containergeo::PanelSectionFor(int(Panel->BevelOuter()),
                                                                         int(Panel->BevelInner()),
                                                                         Panel->BorderStyle() == TBorderStyle::bsSingle)
                                         : L"PANEL");
        CommonData->Updating = was;
    }
}

bool TkvPanelWnd::Active() const
{
    return Panel && (Panel->ControlStyle() & csAcceptsControls);
}

bool TkvPanelWnd::RenderCache()
{
    CommonData->PrepareCacheBitmap();
    TBitmap* cache = CommonData->CacheBitmap.get();
    if (!cache || cache->Width() <= 0) return false;
    TsBgCacheInfo info;
    CommonData->GetParentBackground(info);
    if (!info.Bmp && info.FillColor == SkinKeyColor) {
        CommonData->Updating = true;
        return false;
    }
    RECT all{0, 0, Panel->Width(), Panel->Height()};
    PaintControlSkin(*CommonData, info, -1, -1, 0, cache, POINT{}, all, 0);
    // The caption inside the bevels and the border width.
    int bevels = (Panel->BevelOuter() != TBevelCut::bvNone) + (Panel->BevelInner() != TBevelCut::bvNone);
    int inset = Panel->BevelWidth() * bevels + Panel->BorderWidth();
    RECT r = Panel->ClientRect();
    InflateRect(&r, -inset, -inset);
    String text = Panel->ShowCaption() ? Panel->Caption() : String();
    if (!text.empty()) {
        TCanvas& c = cache->Canvas();
        c.Font().Assign(&Panel->Font());
        c.Brush().SetStyle(TBrushStyle::bsClear);
        int th = TextExtentOf(c, L"W").cy;
        r.top = (r.top + r.bottom - th) / 2;
        r.bottom = r.top + th;
        UINT flags = AlignDrawTextFlags(Panel, Panel->Alignment()) | DT_VCENTER | DT_WORDBREAK;
        TsManagerTextSkin skin(SkinManager);
        DrawControlText(c, text, Panel->Enabled(), false, ControlTextDataOf(*CommonData, &skin, false), flags, r);
    }
    CommonData->BackgroundChanged = false;
    return true;
}

void TkvPanelWnd::PaintToDC(HDC& given)
{
    if (Panel->Destroying() || (Panel->Parent() && (Panel->Parent()->ComponentState() & csLoading)) ||
        CommonData->IsUpdating())
        return;
    OwnDC d(Handle, given);
    bool halfVisible = false;
    if (CommonData->NeedsRepaintOnMove()) {
        RECT clip{};
        GetClipBox(d.dc, &clip);
        halfVisible = clip.right - clip.left != Panel->Width() || clip.bottom - clip.top != Panel->Height();
    }
    if ((halfVisible || CommonData->BackgroundChanged) && !RenderCache()) return;
    if (!CommonData->CacheBitmap || CommonData->BackgroundChanged) return;
    RECT wr{}, cr{};
    GetWindowRect(Handle, &wr);
    GetClientRect(Handle, &cr);
    int b = ((wr.right - wr.left) - cr.right) / 2;
    RECT src{b, b, Panel->Width() - b, Panel->Height() - b};
    RECT dst{0, 0, Panel->Width() - 2 * b, Panel->Height() - 2 * b};
    CopyCacheExceptChildren(Panel, CommonData, src, 0, 0, false, d.dc, dst);
    PaintGraphicChildren(d.dc, Panel, POINT{0, 0}, true);
    RefreshChildControls(Panel);
}

void TkvPanelWnd::PaintNonClient(HDC given)
{
    if (CommonData->IsUpdating()) return;
    RECT wr{}, cr{};
    GetWindowRect(Handle, &wr);
    GetClientRect(Handle, &cr);
    WindowExtent = SIZE{wr.right - wr.left, wr.bottom - wr.top};
    int b = (WindowExtent.cx - cr.right) / 2;
    if (b <= 0) return;
    HDC dc = given ? given : GetWindowDC(Handle);
    if (RenderCache())
        CopyBorderStrips(dc, 0, 0, b, CacheDC(CommonData), 0, 0, WindowExtent.cx, WindowExtent.cy);
    else
        CommonData->Updating = true;
    if (!given) ReleaseDC(Handle, dc);
}

void TkvPanelWnd::WndProc(TMessage& m)
{
    if (!Active()) {
        TkvMainWnd::WndProc(m);
        return;
    }
    if (IsCmd(m)) {
        if (!CacheWindowCommand(m, Panel, [](TkvMainWnd& w) { return static_cast<TkvPanelWnd&>(w).RenderCache(); }))
            TkvMainWnd::WndProc(m);
        return;
    }
    if (!CommonData->IsSkinned()) {
        TkvMainWnd::WndProc(m);
        return;
    }
    if (CacheWindowPaint(
            m, [](TkvMainWnd& w, HDC dc) { static_cast<TkvPanelWnd&>(w).PaintToDC(dc); },
            [](TkvMainWnd& w, HDC dc) { static_cast<TkvPanelWnd&>(w).PaintNonClient(dc); }))
        return;
    switch (m.Msg) {
    case WM_SETTEXT:
    case CM_TEXTCHANGED:
        CommonData->BackgroundChanged = true;
        TkvMainWnd::WndProc(m);
        if (m.Msg == WM_SETTEXT && IsWindowVisible(Handle)) InvalidateRect(Handle, nullptr, TRUE);
        return;
    case WM_WINDOWPOSCHANGING:
    case WM_WINDOWPOSCHANGED:
        // A panel the parent shows through takes its new place's picture.
        if (const TsGeneralData* s = CommonData->Section(); s && s->Props[0].Transparency != 0)
            CommonData->BackgroundChanged = true;
        TkvMainWnd::WndProc(m);
        if (m.Msg == WM_WINDOWPOSCHANGING) SendMessageW(Handle, WM_NCPAINT, 1, 0);
        return;
    case CM_SHOWINGCHANGED:
        // Shown again: the form hears of it and the children take the skin anew.
        if (IsWindowVisible(Handle)) {
            NotifyFormOfControl(Panel);
            BroadcastSkinCommand(Panel, TsSkinCommand::NewSkin, LPARAM(SkinManager));
            BroadcastSkinCommand(Panel, TsSkinCommand::Refresh, LPARAM(SkinManager));
        }
        break;
    case WM_PARENTNOTIFY:
        TkvMainWnd::WndProc(m);
        if (LOWORD(m.WParam) == WM_CREATE) NotifyFormOfControl(Panel);
        return;
    default: break;
    }
    TkvMainWnd::WndProc(m);
}

// ---------------------------------------------------------------- TkvGroupBoxWnd

TkvGroupBoxWnd::TkvGroupBoxWnd(HWND handle, TsCommonData* data, TsSkinManager* manager, const String& section,
                               bool repaint)
    : TkvMainWnd(handle, data, manager, EmptySection(section) ? String(L"GROUPBOX") : section, repaint)
{
}

RECT TkvGroupBoxWnd::CaptionRect()
{
    SIZE ts{};
    if (!WndText.empty()) {
        HDC dc = GetDC(Handle);
        HFONT font = HFONT(SendMessageW(Handle, WM_GETFONT, 0, 0));
        if (TControl* c = OwnerControl()) font = c->Font().Handle();
        HGDIOBJ old = SelectObject(dc, font ? HGDIOBJ(font) : GetStockObject(DEFAULT_GUI_FONT));
        RECT r{0, 0, 0, 0};
        DrawTextW(dc, WndText.c_str(), int(WndText.size()), &r, DT_CALCRECT | DT_CENTER);
        ts = SIZE{r.right - r.left, r.bottom - r.top};
        SelectObject(dc, old);
        ReleaseDC(Handle, dc);
    }
    bool rtl = GetWindowLongPtrW(Handle, GWL_EXSTYLE) & WS_EX_RTLREADING;
    return containergeo::GroupBoxCaptionRect(WindowExtent.cx, ts, !WndText.empty(), rtl);
}

void TkvGroupBoxWnd::RenderCache()
{
    GetWndGeometry(Handle, ParentHandle, WindowArea, PosInParent, WindowExtent, ParentRect);
    TBitmap* cache = PrepareWindowCache(this);
    if (!cache || cache->Width() <= 0) return;
    SelectWndFont(this);
    TsBgCacheInfo info;
    CommonData->GetWindowParentBackground(Handle, info);
    RECT cap = CaptionRect();
    int capH = cap.bottom - cap.top;
    FillFromBackground(cache, RECT{0, 0, WindowExtent.cx, capH}, info);
    PaintControlSkin(*CommonData, info, -1, -1, 0, cache, POINT{}, RECT{0, capH / 2, WindowExtent.cx, WindowExtent.cy},
                     0);
    if (!WndText.empty()) {
        FillFromBackground(cache, cap, info);
        TCanvas& c = cache->Canvas();
        c.Brush().SetStyle(TBrushStyle::bsClear);
        UINT flags = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
        if (GetWindowLongPtrW(Handle, GWL_EXSTYLE) & WS_EX_RTLREADING) flags |= DT_RTLREADING;
        TsManagerTextSkin skin(SkinManager);
        DrawControlText(c, WndText, IsWindowEnabled(Handle) != FALSE, false,
                        ControlTextDataOf(*CommonData, &skin, false), flags, cap);
    }
    CommonData->BackgroundChanged = false;
}

void TkvGroupBoxWnd::Paint(HDC given)
{
    PAINTSTRUCT ps{};
    bool began = !given;
    if (began) BeginPaint(Handle, &ps);
    if (!CommonData->IsUpdating()) {
        OwnDC d(Handle, given);
        RenderCache();
        RECT all{0, 0, WindowExtent.cx, WindowExtent.cy};
        if (InDialog) {
            // The controls a dialog shows inside a group box are its siblings:
            // only the caption band and the frame are painted over them.
            TsSkinManager* m = ManagerOrDefault(SkinManager);
            int mask = CommonData->BorderMaskIndex;
            if (m && m->IsMaskIndexValid(mask)) {
                const TsMaskData& k = m->ma()[size_t(mask)];
                RECT cap = CaptionRect();
                ExcludeClipRect(d.dc, k.MarginLeft, cap.bottom - cap.top, WindowExtent.cx - k.MarginRight,
                                WindowExtent.cy - k.MarginBottom);
            }
        }
        CopyCacheExceptChildWindows(Handle, CommonData, all, 0, 0, false, d.dc, all);
        if (auto* owner = dynamic_cast<TWinControl*>(OwnerControl())) PaintGraphicChildren(d.dc, owner, POINT{}, true);
        RefreshChildWindows(Handle);
    }
    if (began) EndPaint(Handle, &ps);
}

void TkvGroupBoxWnd::WndProc(TMessage& m)
{
    if (IsCmd(m)) {
        if (Cmd(m) == SkinCmdContainerQuery) {
            RECT cap = CaptionRect();
            m.Result = cap.bottom - cap.top;
            return;
        }
        if (Cmd(m) == SkinCmdRemoveSkin && OwnerControl())
            OwnerControl()->SetControlStyle(OwnerControl()->ControlStyle() & ~csOpaque);
        TkvMainWnd::WndProc(m);
        return;
    }
    if (!CommonData->IsSkinned()) {
        TkvMainWnd::WndProc(m);
        return;
    }
    switch (m.Msg) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        SendMessageW(Handle, WM_SETREDRAW, FALSE, 0);
        TkvMainWnd::WndProc(m);
        SendMessageW(Handle, WM_SETREDRAW, TRUE, 0);
        CommonData->BackgroundChanged = true;
        RedrawWindow(Handle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
        return;
    case WM_SETTEXT:
        TkvMainWnd::WndProc(m);
        CommonData->BackgroundChanged = true;
        RedrawWindow(Handle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
        return;
    case WM_PAINT:
        // In a dialog too: the system's own paint would draw its frame over the skin's.
        Paint(HDC(m.WParam));
        m.Result = 0;
        return;
    case WM_NCPAINT:
        if (!InDialog) break;
        Paint(nullptr);
        m.Result = 1;
        return;
    case WM_PARENTNOTIFY:
        TkvMainWnd::WndProc(m);
        if (LOWORD(m.WParam) == WM_CREATE && OwnerControl()) NotifyFormOfControl(OwnerControl());
        return;
    case WM_ERASEBKGND:
        if (InDialog) break;
        // Only a child's request for the background behind it paints.
        if (m.WParam && m.WParam == WPARAM(m.LParam)) {
            if (CommonData->BackgroundChanged) RenderCache();
            HDC dc = HDC(m.WParam);
            if (CommonData->IsOpaqueNow() && CommonData->CacheBitmap) {
                BitBlt(dc, 0, 0, WindowExtent.cx, WindowExtent.cy, CacheDC(CommonData), 0, 0, SRCCOPY);
            } else {
                FillRectSolid(dc, RECT{0, 0, WindowExtent.cx, WindowExtent.cy}, GetWindowBgColor(Handle));
            }
        }
        m.Result = 1;
        return;
    case WM_PRINT:
        CommonData->BackgroundChanged = true;
        CommonData->Updating = false;
        Paint(HDC(m.WParam));
        return;
    default: break;
    }
    TkvMainWnd::WndProc(m);
}

namespace {

// The drawing steps the bordered native wrappers (container, search box,
// tool bar) share: the cache holds the whole window in the wrapper's section.
bool BorderedUpdating(TkvMainWnd* w)
{
    HWND parent = GetParent(w->Handle);
    if ((parent && QueryWindowSkinFlag(parent, SkinCmdIsUpdating)) || w->CommonData->IsUpdating())
        w->CommonData->Updating = true;
    return w->CommonData->Updating;
}

void BorderedRefresh(TkvMainWnd* w, RECT& clientArea, int& borderWidth)
{
    GetWndGeometry(w->Handle, w->ParentHandle, w->WindowArea, w->PosInParent, w->WindowExtent, w->ParentRect);
    if (!w->CommonData->BackgroundChanged) return;
    GetClientRect(w->Handle, &clientArea);
    // The background clears the flag once it is painted; while the parent has
    // no picture to answer with yet, the flag stays for the next paint.
    PaintWrapperBackground(w->CommonData, w->Handle, false);
    PaintBorderMaskCorners(w->CommonData, 0, w);
    borderWidth = (w->WindowExtent.cy - clientArea.bottom) / 2;
}

// strip 0: the border's own width, (window width - client width) div 2,
// measured after the refresh (the extent kept before it may be stale or
// still empty, which left the system's edge on the screen).
void BorderedNonClient(TkvMainWnd* w, RECT& clientArea, int& borderWidth, int strip)
{
    if (BorderedUpdating(w)) return;
    BorderedRefresh(w, clientArea, borderWidth);
    if (!w->CommonData->CacheBitmap) return;
    if (strip <= 0) {
        RECT cr{};
        GetClientRect(w->Handle, &cr);
        strip = (w->WindowExtent.cx - cr.right) / 2;
        if (strip <= 0) return;
    }
    HDC dc = GetWindowDC(w->Handle);
    int saved = SaveDC(dc);
    CopyBorderStrips(dc, 0, 0, strip, CacheDC(w->CommonData), 0, 0, w->WindowExtent.cx, w->WindowExtent.cy);
    RestoreDC(dc, saved);
    ReleaseDC(w->Handle, dc);
}

// The canvas font made from a window's font (the system's GUI font when the
// window has none).
void SelectFontOf(TCanvas& c, HWND wnd)
{
    auto f = reinterpret_cast<HFONT>(SendMessageW(wnd, WM_GETFONT, 0, 0));
    if (!f) f = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    LOGFONTW lf{};
    if (!GetObjectW(f, sizeof lf, &lf)) return;
    c.Font().Set(lf.lfFaceName, lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight,
                 (lf.lfWeight >= FW_BOLD ? unsigned(fsBold) : 0u) | (lf.lfItalic ? unsigned(fsItalic) : 0u) |
                     (lf.lfUnderline ? unsigned(fsUnderline) : 0u) | (lf.lfStrikeOut ? unsigned(fsStrikeOut) : 0u),
                 c.Font().Color());
    SelectObject(c.Handle(), c.Font().Handle());
}

}  // namespace

// ---------------------------------------------------------------- TkvContainerWnd

TkvContainerWnd::TkvContainerWnd(HWND handle, TsCommonData* data, TsSkinManager* manager, const String& section,
                                 bool repaint)
    : TkvMainWnd(handle, data, manager, EmptySection(section) ? String(L"CHECKBOX") : section, repaint)
{
}

bool TkvContainerWnd::UpdatingNow() { return BorderedUpdating(this); }

void TkvContainerWnd::Refresh() { BorderedRefresh(this, ClientArea, BorderWidth); }

void TkvContainerWnd::PaintNonClient(int strip) { BorderedNonClient(this, ClientArea, BorderWidth, strip); }

void TkvContainerWnd::PaintClient(HDC dc)
{
    if (UpdatingNow()) return;
    Refresh();
    TBitmap* cache = CommonData->CacheBitmap.get();
    if (!cache) return;
    MakeOpaque(cache);
    BitBlt(dc, 0, 0, WindowExtent.cx - 2 * BorderWidth, WindowExtent.cy - 2 * BorderWidth, CacheDC(CommonData),
           BorderWidth, BorderWidth, SRCCOPY);
}

void TkvContainerWnd::WndProc(TMessage& m)
{
    if (IsCmd(m) || !CommonData->IsSkinned()) {
        TkvMainWnd::WndProc(m);
        return;
    }
    switch (m.Msg) {
    case WM_SIZE:
    case WM_WINDOWPOSCHANGED:
        CommonData->BackgroundChanged = true;
        TkvMainWnd::WndProc(m);
        if (m.Msg == WM_SIZE)
            RedrawWindow(Handle, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        else
            SendMessageW(Handle, WM_NCPAINT, 1, 0);
        return;
    case WM_PAINT:
        if (IsWindowVisible(Handle)) {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(Handle, &ps);
            PaintClient(dc);
            EndPaint(Handle, &ps);
            return;
        }
        break;
    case WM_ERASEBKGND:
        m.Result = 1;
        return;
    case WM_NCPAINT:
        if (GetWindowLongPtrW(Handle, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) {
            PaintNonClient(0);
            return;
        }
        break;
    case WM_PRINT:
        CommonData->BackgroundChanged = true;
        PaintClient(HDC(m.WParam));
        return;
    default: break;
    }
    TkvMainWnd::WndProc(m);
}

// ---------------------------------------------------------------- TkvSearchWnd

TkvSearchWnd::TkvSearchWnd(HWND handle, TsCommonData* data, TsSkinManager* manager, const String& section,
                           bool repaint)
    : TkvMainWnd(handle, data, manager, EmptySection(section) ? String(L"CHECKBOX") : section, repaint)
{
}

void TkvSearchWnd::WndProc(TMessage& m)
{
    if (IsCmd(m) || !CommonData->IsSkinned()) {
        TkvMainWnd::WndProc(m);
        return;
    }
    switch (m.Msg) {
    case WM_PAINT:
        // The system paints the box's contents; the border comes from the skin afterwards.
        TkvMainWnd::WndProc(m);
        BorderedNonClient(this, ClientArea, BorderWidth, 3);
        return;
    case WM_ERASEBKGND:
        m.Result = 1;
        return;
    case WM_NCPAINT:
        BorderedNonClient(this, ClientArea, BorderWidth, 3);
        return;
    default: break;
    }
    TkvMainWnd::WndProc(m);
    if (m.Msg == WM_SIZE) {
        CommonData->BackgroundChanged = true;
        RedrawWindow(Handle, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    }
}

// ---------------------------------------------------------------- TkvToolBarWnd

namespace {
String ToolBarSection(HWND handle, const String& given)
{
    if (!EmptySection(given)) return given;
    return (GetWindowLongPtrW(handle, GWL_STYLE) & 0x200) ? String(L"BAR") : String(L"CHECKBOX");
}
}  // namespace

TkvToolBarWnd::TkvToolBarWnd(HWND handle, TsCommonData* data, TsSkinManager* manager, const String& section,
                             bool repaint)
    : TkvMainWnd(handle, data, manager, ToolBarSection(handle, section), repaint)
{
}

void TkvToolBarWnd::PaintButtons(TBitmap* bitmap)
{
    TBitmap* cache = CommonData->CacheBitmap.get();
    if (!bitmap || !cache) return;
    GdiFlush();
    BitBlt(bitmap->Canvas().Handle(), 0, 0, cache->Width(), cache->Height(), CacheDC(CommonData), 0, 0, SRCCOPY);
    GdiFlush();
    int count = int(SendMessageW(Handle, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) PaintButton(bitmap, i);
}

void TkvToolBarWnd::PaintButton(TBitmap* target, int index)
{
    TBBUTTON tb{};
    if (!SendMessageW(Handle, TB_GETBUTTON, WPARAM(index), LPARAM(&tb))) return;   // not described: skipped
    if (tb.fsState & TBSTATE_HIDDEN) return;
    RECT item{};
    if (!SendMessageW(Handle, TB_GETITEMRECT, WPARAM(index), LPARAM(&item))) return;
    int w = item.right - item.left, h = item.bottom - item.top;
    if (w <= 0 || h <= 0) return;
    RECT screen = item;
    MapWindowPoints(Handle, nullptr, reinterpret_cast<POINT*>(&screen), 2);
    OffsetRect(&item, BorderWidth, BorderWidth);   // into cache coordinates
    TsSkinManager* m = ManagerOrDefault(SkinManager);
    if (!m) return;
    TBitmap* cache = CommonData->CacheBitmap.get();
    TBitmap bmp(w, h);
    GdiFlush();
    BitBlt(bmp.Canvas().Handle(), 0, 0, w, h, CacheDC(CommonData), item.left, item.top, SRCCOPY);
    GdiFlush();
    TsBgCacheInfo info = EmptyBgCacheInfo;
    info.Bmp = cache;
    info.X = item.left;
    info.Y = item.top;
    info.Ready = true;
    RECT all{0, 0, w, h};

    if (tb.fsStyle & BTNS_SEP) {
        if (DividerMask(m) < 0) return;   // a separator without a divider mask is left as the bar
        PaintDividerKeyed(m, &bmp, RECT{w / 2 - 1, 2, w / 2 + 3, h - 2}, info);
        BitBlt(target->Canvas().Handle(), item.left, item.top, w, h, bmp.Canvas().Handle(), 0, 0, SRCCOPY);
        return;
    }

    bool enabled = tb.fsState & TBSTATE_ENABLED;
    int state = 0;
    if (!enabled) state = 0;
    else if (tb.fsState & (TBSTATE_PRESSED | TBSTATE_CHECKED)) state = 2;   // a checked button shows down
    else {
        POINT cur{};
        if (GetCursorPos(&cur) && PtInRect(&screen, cur)) state = 1;
    }
    int section = m->FindSectionIndex(L"TOOLBUTTON");
    if (section >= 0) PaintSkinItem(section, L"TOOLBUTTON", info, -1, -1, m, &bmp, POINT{}, all, state, 0);

    String caption;
    int len = int(SendMessageW(Handle, TB_GETBUTTONTEXTW, WPARAM(tb.idCommand), 0));
    if (len > 0) {
        caption.resize(size_t(len) + 1);
        SendMessageW(Handle, TB_GETBUTTONTEXTW, WPARAM(tb.idCommand), LPARAM(caption.data()));
        caption.resize(wcsnlen(caption.c_str(), size_t(len)));
    }
    auto images = reinterpret_cast<HIMAGELIST>(SendMessageW(Handle, TB_GETIMAGELIST, 0, 0));
    int imageIndex = int(tb.iBitmap);
    int iw = 0, ih = 0;
    bool hasImage = images && imageIndex >= 0 && imageIndex < ImageList_GetImageCount(images) &&
                    ImageList_GetIconSize(images, &iw, &ih);
    TCanvas& c = bmp.Canvas();
    SelectFontOf(c, Handle);
    containergeo::NativeToolButtonInput in;
    in.width = w, in.height = h;
    in.hasImage = hasImage, in.imageWidth = iw, in.imageHeight = ih;
    in.hasCaption = !caption.empty();
    if (in.hasCaption) in.textWidth = TextExtentOf(c, caption).cx;
    in.lineHeight = TextExtentOf(c, L"Wg").cy;
    in.pressed = state == 2;
    int glyph = m->CommonIndexes().ScrollGlyph[spBtnBottom];
    bool whole = tb.fsStyle & BTNS_WHOLEDROPDOWN;
    // A split button: the drop-down part the bar draws with its arrow.
    bool split = !whole && (tb.fsStyle & BTNS_DROPDOWN) &&
                 (SendMessageW(Handle, TB_GETEXTENDEDSTYLE, 0, 0) & TBSTYLE_EX_DRAWDDARROWS);
    if (m->IsMaskIndexValid(glyph) && (whole || split)) {
        const TsMaskData& g = m->ma()[size_t(glyph)];
        in.arrow = whole, in.arrowWidth = MaskFrameWidth(g), in.arrowHeight = MaskStateHeight(g);
    }
    if (split) {
        RECT part{};
        if (SendMessageW(Handle, TB_GETITEMDROPDOWNRECT, WPARAM(index), LPARAM(&part)) && part.right > part.left)
            in.dropWidth = std::min<int>(part.right - part.left, w / 2);
        else
            in.dropWidth = std::min(GetSystemMetrics(SM_CXVSCROLL) - 2, w / 2);
    }
    containergeo::NativeToolButtonLayout lay = containergeo::LayoutNativeToolButton(in);
    if (split && section >= 0) {
        // The drop-down part: its own border in the button's state.
        int partMask = m->FindMaskIndex(section, L"TOOLBUTTON", L"BORDERSMASK");
        if (m->IsMaskIndexValid(partMask)) PaintMaskNineParts32(&bmp, lay.drop, 0, m, true, state, partMask, info);
    }
    if (in.arrowWidth > 0) {
        TsBgCacheInfo own = EmptyBgCacheInfo;
        own.Bmp = &bmp;
        own.Ready = true;
        GdiFlush();
        DrawMaskFrame32(&bmp, lay.arrow, state, own, glyph, 0, m);
    }
    if (hasImage) {
        GdiFlush();
        ImageList_SetBkColor(images, CLR_NONE);
        ImageList_Draw(images, imageIndex, bmp.Canvas().Handle(), lay.image.x, lay.image.y, ILD_TRANSPARENT);
        GdiFlush();
    }
    if (!caption.empty()) {
        c.Brush().SetStyle(TBrushStyle::bsClear);
        int own = CommonData->SectionIndex;
        bool ownFont = state == 0 && own >= 0 && size_t(own) < m->gd().size() && m->gd()[size_t(own)].GiveOwnFont;
        int textSection = ownFont ? own : section;
        TsManagerTextSkin skin(m);
        RECT tr = lay.caption;
        int width = tr.right - tr.left;
        containergeo::CaptionLines lines = containergeo::SplitToolCaption(
            caption, [&](const String& s) { return TextExtentOf(c, s).cx <= width; });
        if (lines.second.empty()) {
            DrawSectionText(c, caption, enabled, &skin, state != 0, textSection,
                            DT_CENTER | DT_VCENTER | DT_WORDBREAK | DT_END_ELLIPSIS, tr);
        } else {
            int lineHeight = in.lineHeight;
            RECT first{tr.left, tr.top, tr.right, tr.top + lineHeight};
            RECT second{tr.left, first.bottom, tr.right, tr.bottom};
            DrawSectionText(c, lines.first, enabled, &skin, state != 0, textSection, DT_CENTER, first);
            DrawSectionText(c, lines.second, enabled, &skin, state != 0, textSection,
                            DT_CENTER | DT_END_ELLIPSIS, second);
        }
    }
    if (!enabled) {
        // Dimmed toward the bar behind the button.
        RECT src{item.left, item.top, item.right - 1, item.bottom - 1};
        GdiFlush();
        BlendBitmapByRatio(&bmp, 0, 0, cache, src, SkinKeyColor, 0.4);
    }
    GdiFlush();
    BitBlt(target->Canvas().Handle(), item.left, item.top, w, h, bmp.Canvas().Handle(), 0, 0, SRCCOPY);
    GdiFlush();
}

void TkvToolBarWnd::FullPaint(HDC dc)
{
    BorderedRefresh(this, ClientArea, BorderWidth);
    TBitmap* cache = CommonData->CacheBitmap.get();
    if (!cache || cache->Width() <= 0 || cache->Height() <= 0) return;
    TBitmap full(cache->Width(), cache->Height());
    PaintButtons(&full);
    MakeOpaque(&full);
    GdiFlush();
    BitBlt(dc, 0, 0, WindowExtent.cx - 2 * BorderWidth, WindowExtent.cy - 2 * BorderWidth, full.Canvas().Handle(),
           BorderWidth, BorderWidth, SRCCOPY);
}

void TkvToolBarWnd::WndProc(TMessage& m)
{
    if (IsCmd(m) || !CommonData->IsSkinned()) {
        TkvMainWnd::WndProc(m);
        return;
    }
    switch (m.Msg) {
    case WM_PAINT:
        if (IsWindowVisible(Handle)) {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(Handle, &ps);
            if (!BorderedUpdating(this)) FullPaint(dc);
            EndPaint(Handle, &ps);
            return;
        }
        break;
    case WM_ERASEBKGND:
        m.Result = 1;
        return;
    case WM_NCPAINT:
        if (GetWindowLongPtrW(Handle, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) {
            BorderedNonClient(this, ClientArea, BorderWidth, 0);
            return;
        }
        break;
    case WM_PRINT:
        FullPaint(HDC(m.WParam));
        return;
    default: break;
    }
    TkvMainWnd::WndProc(m);
    if (m.Msg == WM_SIZE || m.Msg == WM_WINDOWPOSCHANGED) {
        CommonData->BackgroundChanged = true;
        RedrawWindow(Handle, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }
}

// ---------------------------------------------------------------- TkvTransPanelWnd

TkvTransPanelWnd::TkvTransPanelWnd(HWND handle, TsCommonData* data, TsSkinManager* manager, const String& section,
                                   bool repaint)
    : TkvMainWnd(handle, data, manager, EmptySection(section) ? String(L"CHECKBOX") : section, repaint)
{
}

void TkvTransPanelWnd::PaintWindow(TMessage& m)
{
    GetWindowRect(Handle, &WindowArea);
    WindowExtent = SIZE{WindowArea.right - WindowArea.left, WindowArea.bottom - WindowArea.top};
    PAINTSTRUCT ps{};
    bool began = !m.WParam;
    HDC dc = began ? BeginPaint(Handle, &ps) : HDC(m.WParam);
    CommonData->BackgroundChanged = true;
    PaintWrapperBackground(CommonData, Handle, false);
    RECT all{0, 0, WindowExtent.cx, WindowExtent.cy};
    if (CommonData->CacheBitmap) CopyCacheExceptChildWindows(Handle, CommonData, all, 0, 0, false, dc, all);
    if (began) EndPaint(Handle, &ps);
}

void TkvTransPanelWnd::WndProc(TMessage& m)
{
    if (!IsCmd(m) && CommonData->IsSkinned()) {
        if (m.Msg == WM_ERASEBKGND) {
            PaintWindow(m);
            m.Result = 1;
            return;
        }
        if (m.Msg == WM_NCPAINT) {
            m.Result = 0;
            return;
        }
    }
    TkvMainWnd::WndProc(m);
}

// ---------------------------------------------------------------- TkvToolBarVCLWnd

TkvToolBarVCLWnd::TkvToolBarVCLWnd(HWND handle, TsCommonData* data, TsSkinManager* manager, const String& section,
                                   bool repaint)
    : TkvMainWnd(handle, data, manager, section, repaint)
{
    HotIndex = -1;
    ToolBar = dynamic_cast<TToolBar*>(OwnerControl());
    if (!ToolBar) return;
    ownDraw_ = TTBAdvancedCustomDrawEvent(this, &TkvToolBarVCLWnd::BarDraw);
    ownDrawButton_ = TTBAdvancedCustomDrawBtnEvent(this, &TkvToolBarVCLWnd::ButtonDraw);
    InstallHandlers();
    if (EmptySection(section) && EmptySection(CommonData->SkinSection())) CommonData->SetSkinSection(L"TOOLBAR");
}

TkvToolBarVCLWnd::~TkvToolBarVCLWnd()
{
    // Handlers left pointing at a freed wrapper would be called on the next paint.
    if (ToolBar && !ToolBar->Destroying()) RestoreHandlers();
}

void TkvToolBarVCLWnd::InstallHandlers()
{
    if (!ToolBar) return;
    // The application's handlers are kept (once) to be given back later.
    if (!installed_) {
        savedDraw_ = ToolBar->OnCustomDraw;
        savedDrawButton_ = ToolBar->OnCustomDrawButton;
    }
    ToolBar->OnCustomDraw = ownDraw_;
    ToolBar->OnCustomDrawButton = ownDrawButton_;
    installed_ = true;
}

void TkvToolBarVCLWnd::RestoreHandlers()
{
    if (!ToolBar || !installed_) return;
    // Only events that still hold the wrapper's methods go back: a handler
    // someone set meanwhile stays.
    if (ToolBar->OnCustomDraw == ownDraw_) ToolBar->OnCustomDraw = savedDraw_;
    if (ToolBar->OnCustomDrawButton == ownDrawButton_) ToolBar->OnCustomDrawButton = savedDrawButton_;
    installed_ = false;
}

bool TkvToolBarVCLWnd::HotTracking() const
{
    // A tool bar that is not flat shows no hot buttons, skinned or not.
    return ToolBar && ToolBar->Flat() && !(ToolBar->ComponentState() & csDesigning);
}

void TkvToolBarVCLWnd::RenderBackground()
{
    CommonData->PrepareCacheBitmap();
    TBitmap* cache = CommonData->CacheBitmap.get();
    if (!cache || cache->Width() <= 0) return;
    TsBgCacheInfo info;
    CommonData->GetParentBackground(info);
    PaintControlSkin(*CommonData, info, -1, -1, 0, cache, POINT{}, RECT{0, 0, cache->Width(), cache->Height()}, 0);
    CommonData->BackgroundChanged = false;
}

void TkvToolBarVCLWnd::BarDraw(TToolBar* bar, const RECT&, TCustomDrawStage stage, bool& defaultDraw)
{
    if (!CommonData->IsSkinned()) {
        defaultDraw = true;
        return;
    }
    if (stage != TCustomDrawStage::cdPrePaint) return;
    defaultDraw = false;
    if (CommonData->IsUpdating()) return;
    if (CommonData->BackgroundChanged || !CommonData->CacheBitmap || CommonData->CacheBitmap->Empty())
        RenderBackground();
    if (!CommonData->CacheBitmap) return;
    CommonData->CacheBitmap->Canvas().Font().Assign(&bar->Font());
    FillTransparentCorners(*CommonData, 0, 15);
    RECT cr = GetClientRectInWindow(Handle);
    HDC dc = bar->Canvas().Handle();
    int saved = SaveDC(dc);
    // Children that paint themselves whole are left out.
    for (int i = 0; i < bar->ControlCount(); ++i) {
        TControl* c = bar->Controls(i);
        if (c->Visible() && (!dynamic_cast<TWinControl*>(c) || (c->ControlStyle() & csOpaque)))
            ExcludeClipRect(dc, c->Left(), c->Top(), c->Left() + c->Width(), c->Top() + c->Height());
    }
    BitBlt(dc, 0, 0, cr.right - cr.left, cr.bottom - cr.top, CacheDC(CommonData), cr.left, cr.top, SRCCOPY);
    RestoreDC(dc, saved);
    PaintGraphicChildren(dc, bar, POINT{}, true);
    RefreshChildControls(bar);
    RECT wr{};
    GetWindowRect(Handle, &wr);
    if (cr.left > 0 || cr.top > 0 || cr.right < wr.right - wr.left || cr.bottom < wr.bottom - wr.top)
        SendMessageW(Handle, WM_NCPAINT, 1, 0);
}

int TkvToolBarVCLWnd::ButtonState(int index, TCustomDrawState s) const
{
    TToolButton* b = ToolBar->Buttons(index);
    if ((s & (cdsSelected | cdsChecked)) || b->Marked() || b->Indeterminate() || b->Down() || b == PressedButton)
        return 2;
    if (index == HotIndex && HotTracking()) s |= cdsHot;
    if (s != 0 && s != cdsDisabled && (s & cdsHot)) return 1;
    return 0;
}

void TkvToolBarVCLWnd::PaintButton(HDC dc, TToolButton* button, int state)
{
    RECT r = button->BoundsRect();
    int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0 || !CommonData->CacheBitmap) return;
    TsSkinManager* m = ManagerOrDefault(SkinManager);
    if (!m) return;
    TBitmap bmp(w, h);
    RECT cr = GetClientRectInWindow(Handle);
    GdiFlush();
    BitBlt(bmp.Canvas().Handle(), 0, 0, w, h, CacheDC(CommonData), cr.left + r.left, cr.top + r.top, SRCCOPY);
    GdiFlush();   // the painters below read the pixels directly
    TsBgCacheInfo info = EmptyBgCacheInfo;
    info.Bmp = &bmp;
    info.X = 0;
    info.Y = 0;
    info.Ready = true;
    int section = m->FindSectionIndex(L"TOOLBUTTON");
    if (section >= 0) {
        RECT all{0, 0, w, h};
        PaintSkinSectionBackground(section, L"TOOLBUTTON", info, SkinKeyColor, -1, -1, m, &bmp, POINT{}, all, state);
        int mask = m->FindMaskIndex(section, L"TOOLBUTTON", L"BORDERSMASK");
        if (m->IsMaskIndexValid(mask)) PaintMaskNineParts32(&bmp, all, 0, m, false, state, mask, info);
    }
    // Image and caption.
    TCustomImageList* images = ToolBar->Images();
    bool dropDown = button->Style() == TToolButtonStyle::tbsDropDown;
    int ddw = dropDown ? GetSystemMetrics(SM_CXVSCROLL) - 2 : 0;
    TCanvas& c = bmp.Canvas();
    c.Font().Assign(&ToolBar->Font());
    if (images && button->ImageIndex() >= 0 && button->ImageIndex() < images->Count()) {
        TsToolButtonImage image;
        image.Images = images;
        image.ImageIndex = button->ImageIndex();
        image.Enabled = button->Enabled();
        image.Hot = state == 1;
        image.Pressed = state == 2;
        image.Checked = button->Down();
        image.ListStyle = ToolBar->List();
        image.ShowCaptions = ToolBar->ShowCaptions();
        image.DropDown = dropDown;
        image.ButtonRect = RECT{0, 0, w, h};
        image.TextHeight = TextExtentOf(c, L"A").cy;
        GdiFlush();
        DrawToolButtonImage(&bmp, image);
    }
    if (ToolBar->ShowCaptions() && !button->Caption().empty()) {
        containergeo::ToolCaptionInput in;
        in.width = w, in.height = h, in.list = ToolBar->List(), in.dropDown = dropDown, in.dropDownWidth = ddw + 2;
        in.hasImages = images != nullptr;
        if (images) in.imagesWidth = images->Width(), in.imagesHeight = images->Height();
        in.imageIndex = button->ImageIndex();
        in.textWidth = TextExtentOf(c, button->Caption()).cx;
        in.textHeight = TextExtentOf(c, L"A").cy;
        in.pressed = state == 2;
        RECT tr = containergeo::ToolButtonCaptionRect(in);
        TsManagerTextSkin skin(m);
        int fontSection = FindFontSectionIndex(ToolBar, section, m, state > 0);
        c.Brush().SetStyle(TBrushStyle::bsClear);
        DrawSectionText(c, button->Caption(), button->Enabled(), &skin, state > 0, fontSection,
                        DT_CENTER | DT_VCENTER | DT_SINGLELINE, tr);
    }
    if (dropDown && section >= 0) {
        // The drop-down part: its own border in its state and the arrow glyph.
        int ds = (button == PressedButton && button->DropdownMenu()) || button->Down() ? 2 : (state == 1 ? 1 : 0);
        RECT dr{w - ddw, 0, w, h};
        int mask = m->FindMaskIndex(section, L"TOOLBUTTON", L"BORDERSMASK");
        if (m->IsMaskIndexValid(mask)) PaintMaskNineParts32(&bmp, dr, 0, m, false, ds, mask, info);
        int glyph = m->CommonIndexes().ScrollGlyph[spBtnBottom];
        if (m->IsMaskIndexValid(glyph)) {
            const TsMaskData& g = m->ma()[size_t(glyph)];
            int gw = MaskFrameWidth(g), gh = MaskStateHeight(g);
            DrawMaskFrame32(&bmp, POINT{dr.left + (ddw - gw) / 2, (h - gh) / 2}, ds, info, glyph, 0, m);
        }
    }
    if (!button->Enabled() || button->Indeterminate()) {
        RECT src{cr.left + r.left, cr.top + r.top, cr.left + r.right - 1, cr.top + r.bottom - 1};
        BlendBitmapByRatio(&bmp, 0, 0, CommonData->CacheBitmap.get(), src, SkinKeyColor, 0.4);
    }
    GdiFlush();
    BitBlt(dc, r.left, r.top, w, h, bmp.Canvas().Handle(), 0, 0, SRCCOPY);
}

void TkvToolBarVCLWnd::ButtonDraw(TToolBar* bar, TToolButton* button, TCustomDrawState state, TCustomDrawStage stage,
                                  TTBCustomDrawFlags& flags, bool& defaultDraw)
{
    if (!CommonData->IsSkinned()) {
        defaultDraw = true;
        return;
    }
    defaultDraw = false;
    if (stage != TCustomDrawStage::cdPrePaint) return;
    flags |= tbNoEdges | tbNoEtchedEffect;
    int index = button->Index();
    if (index < 0) return;
    PaintButton(bar->Canvas().Handle(), button, ButtonState(index, state));
}

void TkvToolBarVCLWnd::RepaintButton(int index)
{
    if (!ToolBar || index < 0 || index >= ToolBar->ButtonCount() || !CommonData->IsSkinned()) return;
    HDC dc = GetDC(Handle);
    TToolButton* b = ToolBar->Buttons(index);
    TCustomDrawState s = 0;
    if (!b->Enabled()) s |= cdsDisabled;
    if (b->Down()) s |= cdsChecked;
    PaintButton(dc, b, ButtonState(index, s));
    ReleaseDC(Handle, dc);
}

void TkvToolBarVCLWnd::WndProc(TMessage& m)
{
    if (!ToolBar) {
        TkvMainWnd::WndProc(m);
        return;
    }
    if (IsCmd(m)) {
        bool ours = reinterpret_cast<TsSkinManager*>(m.LParam) == SkinManager;
        switch (Cmd(m)) {
        case SkinCmdNewSkin:
            InstallHandlers();
            break;
        case SkinCmdRemoveSkin:
            if (ours) RestoreHandlers();
            PressedButton = nullptr;
            break;
        case SkinCmdRefresh:
            PressedButton = nullptr;
            break;
        default: break;
        }
        TkvMainWnd::WndProc(m);
        return;
    }
    if (!CommonData->IsSkinned()) {
        TkvMainWnd::WndProc(m);
        return;
    }
    switch (m.Msg) {
    case WM_ERASEBKGND:
        m.Result = 1;
        return;
    case WM_NCPAINT:
        if (AnimationRunning) break;
        // The border strips around the client area, from the cache.
        if (CommonData->BackgroundChanged || !CommonData->CacheBitmap || CommonData->CacheBitmap->Empty())
            RenderBackground();
        if (TBitmap* cache = CommonData->CacheBitmap.get(); cache && !cache->Empty()) {
            RECT cr = GetClientRectInWindow(Handle);
            HDC dc = GetWindowDC(Handle);
            int saved = SaveDC(dc);
            ExcludeClipRect(dc, cr.left, cr.top, cr.right, cr.bottom);
            BitBlt(dc, 0, 0, cache->Width(), cache->Height(), CacheDC(CommonData), 0, 0, SRCCOPY);
            RestoreDC(dc, saved);
            ReleaseDC(Handle, dc);
        }
        m.Result = 0;
        return;
    case WM_PRINT:
        if (HDC dc = HDC(m.WParam)) {
            // The border strips from the cache, then the client through the bar's own paint.
            if (CommonData->BackgroundChanged || !CommonData->CacheBitmap || CommonData->CacheBitmap->Empty())
                RenderBackground();
            RECT cr = GetClientRectInWindow(Handle);
            if (TBitmap* cache = CommonData->CacheBitmap.get(); cache && !cache->Empty()) {
                int w = cache->Width(), h = cache->Height();
                HDC src = CacheDC(CommonData);
                BitBlt(dc, 0, 0, w, cr.top, src, 0, 0, SRCCOPY);
                BitBlt(dc, 0, cr.bottom, w, h - cr.bottom, src, 0, cr.bottom, SRCCOPY);
                BitBlt(dc, 0, cr.top, cr.left, cr.bottom - cr.top, src, 0, cr.top, SRCCOPY);
                BitBlt(dc, cr.right, cr.top, w - cr.right, cr.bottom - cr.top, src, cr.right, cr.top, SRCCOPY);
            }
            int saved = SaveDC(dc);
            OffsetViewportOrgEx(dc, cr.left, cr.top, nullptr);
            IntersectClipRect(dc, 0, 0, cr.right - cr.left, cr.bottom - cr.top);
            SendMessageW(Handle, WM_PAINT, WPARAM(dc), 0);
            RestoreDC(dc, saved);
        }
        return;
    case CM_MOUSELEAVE: {
        int old = std::exchange(HotIndex, -1);
        RepaintButton(old);
        break;
    }
    case TBM_DROPDOWNCLOSED: {
        TkvMainWnd::WndProc(m);
        HotIndex = -1;
        if (TToolButton* b = std::exchange(PressedButton, nullptr)) RepaintButton(b->Index());
        return;
    }
    case CN_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(m.LParam);
        if (hdr->code == UINT(TBN_DROPDOWN)) {
            PressedButton = ToolBar->ButtonOfCommand(reinterpret_cast<NMTOOLBARW*>(m.LParam)->iItem);
        } else if (hdr->code == UINT(TBN_DELETINGBUTTON) && HotIndex >= ToolBar->ButtonCount()) {
            HotIndex = -1;
        }
        break;
    }
    default: break;
    }
    TkvMainWnd::WndProc(m);
    if (m.Msg == WM_MOUSEMOVE && HotTracking()) {
        POINT p{short(LOWORD(m.LParam)), short(HIWORD(m.LParam))};
        int found = -1;
        for (int i = 0; i < ToolBar->ButtonCount(); ++i) {
            TToolButton* b = ToolBar->Buttons(i);
            TToolButtonStyle st = b->Style();
            if (st == TToolButtonStyle::tbsSeparator || st == TToolButtonStyle::tbsDivider) continue;
            RECT r = b->BoundsRect();
            if (PtInRect(&r, p)) {
                if (b->Enabled()) found = i;
                break;
            }
        }
        if (found != HotIndex) {
            int old = std::exchange(HotIndex, found);
            RepaintButton(old);
            RepaintButton(found);
        }
    } else if (m.Msg == WM_SIZE && !CommonData->IsUpdating()) {
        CommonData->BackgroundChanged = true;
        InvalidateRect(Handle, nullptr, TRUE);
    }
}

// ---------------------------------------------------------------- TkvStatusBarWnd

TkvStatusBarWnd::TkvStatusBarWnd(HWND handle, TsCommonData* data, TsSkinManager* manager, const String& section,
                                 bool repaint)
    : TkvMainWnd(handle, data, manager, EmptySection(section) ? String(L"STATUSBAR") : section, repaint)
{
    StatusBar = dynamic_cast<TStatusBar*>(OwnerControl());
}

void TkvStatusBarWnd::PaintPanel(int index, RECT r, bool simple, const String& text, const TsBgCacheInfo& info)
{
    TBitmap* cache = CommonData->CacheBitmap.get();
    TsSkinManager* m = ManagerOrDefault(SkinManager);
    InflateRect(&r, -1, -1);
    int section = CommonData->SectionIndex;
    int mask = m ? m->FindMaskIndex(section, CommonData->SkinSection(), L"STATUSPANELMASK") : -1;
    int parts = int(SendMessageW(Handle, SB_GETPARTS, 0, 0));
    if (m && m->IsMaskIndexValid(mask)) {
        RECT mr = simple ? RECT{0, 0, cache->Width(), cache->Height()} : r;
        PaintMaskNineParts32(cache, mr, 0, m, false, 0, mask, info);
    } else if (m && !simple && index < parts - 1) {
        int divMask = DividerMask(m);
        if (divMask >= 0) {
            // As wide as the divider's picture, at the panel's right end.
            int w = std::max(2, MaskFrameWidth(m->ma()[size_t(divMask)]));
            PaintDividerKeyed(m, cache, RECT{r.right - w, 1, r.right, cache->Height() - 1}, info);
        }
    }
    TStatusPanel* panel = (StatusBar && index >= 0 && index < StatusBar->PanelCount()) ? &StatusBar->Panels(index)
                                                                                         : nullptr;
    if (panel && panel->Style == TStatusPanelStyle::psOwnerDraw && StatusBar->OnDrawPanel) {
        TCanvas& canvas = StatusBar->Canvas();
        HDC old = canvas.Handle();
        canvas.SetHandle(CacheDC(CommonData));
        StatusBar->OnDrawPanel(StatusBar, panel, r);
        canvas.SetHandle(old);
        return;
    }
    RECT tr = r;
    tr.bottom -= 1;
    tr.left += 2;
    tr.right -= 4;
    TCanvas& c = cache->Canvas();
    if (StatusBar) c.Font().Assign(&StatusBar->Font());
    else SelectWndFont(this);
    c.Brush().SetStyle(TBrushStyle::bsClear);
    String cut;
    CutTextToWidth(c, text, tr.right - tr.left, cut);
    TAlignment align = panel ? panel->Alignment : TAlignment::taLeftJustify;
    UINT flags = AlignDrawTextFlags(StatusBar, align) | DT_VCENTER | DT_SINGLELINE;
    TsManagerTextSkin skin(SkinManager);
    DrawControlText(c, cut, true, false, ControlTextDataOf(*CommonData, &skin, false), flags, tr);
}

void TkvStatusBarWnd::RenderCache()
{
    GetWndGeometry(Handle, ParentHandle, WindowArea, PosInParent, WindowExtent, ParentRect);
    TBitmap* cache = PrepareWindowCache(this);
    if (!cache || cache->Width() <= 0) return;
    TsBgCacheInfo info;
    if (StatusBar) CommonData->GetParentBackground(info);
    else CommonData->GetWindowParentBackground(Handle, info);
    RECT all{0, 0, cache->Width(), cache->Height()};
    PaintControlSkin(*CommonData, info, -1, -1, 0, cache, POINT{}, all, 0);
    TsBgCacheInfo own = EmptyBgCacheInfo;
    own.Bmp = cache;
    own.Ready = true;
    own.X = own.Y = 0;
    if (SendMessageW(Handle, SB_ISSIMPLE, 0, 0)) {
        String text = ReadWindowText(Handle);
        if (StatusBar && !StatusBar->SimpleText().empty()) text = StatusBar->SimpleText();
        PaintPanel(-1, RECT{0, 1, cache->Width() - 1, cache->Height() - 1}, true, text, own);
    } else {
        int n = int(SendMessageW(Handle, SB_GETPARTS, 0, 0));
        for (int i = 0; i < n; ++i) {
            RECT r{};
            SendMessageW(Handle, SB_GETRECT, WPARAM(i), LPARAM(&r));
            InflateRect(&r, -1, -1);
            String text;
            if (StatusBar && i < StatusBar->PanelCount()) {
                text = StatusBar->Panels(i).Text;
            } else {
                wchar_t buf[512] = {};
                if (LOWORD(SendMessageW(Handle, SB_GETTEXTLENGTHW, WPARAM(i), 0)) < 512)
                    SendMessageW(Handle, SB_GETTEXTW, WPARAM(i), LPARAM(buf));
                text = buf;
            }
            PaintPanel(i, r, false, text, own);
        }
    }
    // A bar with a size grip shows the skin's grip at its bottom-right corner.
    TsSkinManager* m = ManagerOrDefault(SkinManager);
    int grip = m ? m->CommonIndexes().Global("GRIPIMAGE") : -1;
    if ((GetWindowLongPtrW(Handle, GWL_STYLE) & SBARS_SIZEGRIP) && m->IsMaskIndexValid(grip)) {
        const TsMaskData& md = m->ma()[size_t(grip)];
        GdiFlush();
        DrawMaskFrame32(cache, POINT{std::max(0, cache->Width() - MaskFrameWidth(md)),
                                     std::max(0, cache->Height() - MaskStateHeight(md))},
                        0, own, grip, 1, m);
    }
    CommonData->BackgroundChanged = false;
}

void TkvStatusBarWnd::WndProc(TMessage& m)
{
    if (IsCmd(m) || !CommonData->IsSkinned()) {
        TkvMainWnd::WndProc(m);
        return;
    }
    switch (m.Msg) {
    case WM_PAINT:
        if (m.WParam) {
            RenderCache();
            if (CommonData->CacheBitmap)
                BitBlt(HDC(m.WParam), 0, 0, WindowExtent.cx, WindowExtent.cy, CacheDC(CommonData), 0, 0, SRCCOPY);
            return;
        }
        PaintThroughErase();
        return;
    case WM_ERASEBKGND:
    case WM_PRINT:
        RenderCache();
        if (CommonData->CacheBitmap)
            BitBlt(HDC(m.WParam), 0, 0, WindowExtent.cx, WindowExtent.cy, CacheDC(CommonData), 0, 0, SRCCOPY);
        m.Result = 1;
        return;
    case WM_NCPAINT:
        if (AnimationRunning) return;
        if (StatusBar && StatusBar->BorderWidth() > 0) {
            if (CommonData->BackgroundChanged) RenderCache();
            HDC dc = GetWindowDC(Handle);
            CopyBorderStrips(dc, 0, 0, StatusBar->BorderWidth(), CacheDC(CommonData), 0, 0, WindowExtent.cx,
                             WindowExtent.cy);
            ReleaseDC(Handle, dc);
        }
        m.Result = 0;
        return;
    default: break;
    }
    TkvMainWnd::WndProc(m);
    if (m.Msg == WM_SIZE) RedrawWindow(Handle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
}
