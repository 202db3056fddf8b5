#include "skin/controls/StaticWnd.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>

#include "classlib/Forms.h"
#include "classlib/TypInfo.h"
#include "skin/controls/ButtonGeometry.h"
#include "skin/controls/ButtonWnd.h"
#include "skin/core/BgRequest.h"
#include "skin/core/ControlPaint.h"
#include "skin/core/MaskPaintBitmap.h"
#include "skin/core/SkinManager.h"
#include "skin/graphics/Bitmap32.h"
#include "skin/graphics/ResampleBitmap.h"
#include "skin/graphics/SkinCommands.h"
#include "skin/graphics/TextEffects.h"
#include "skin/graphics/TextUtils.h"
#include "skin/graphics/Utils.h"

namespace {

DWORD StyleOf(HWND wnd) { return DWORD(GetWindowLongPtrW(wnd, GWL_STYLE)); }
DWORD ExStyleOf(HWND wnd) { return DWORD(GetWindowLongPtrW(wnd, GWL_EXSTYLE)); }
unsigned Command(const TMessage& m) { return m.Msg == SkinCommandMessage ? unsigned(HIWORD(m.WParam)) : 0; }

bool CursorIn(const RECT& screenRect)
{
    POINT p;
    GetCursorPos(&p);
    return PtInRect(&screenRect, p) != 0;
}

void DrawText(TsCommonData& data, const String& text, bool enabled, UINT flags, const RECT& r)
{
    TBitmap* cache = data.CacheBitmap.get();
    if (!cache || text.empty()) return;
    TsManagerTextSkin skin(data.SkinManager());
    DrawControlText(cache->Canvas(), text, enabled, false, ControlTextDataOf(data, &skin, false), flags, r);
}

void CopyCache(TBitmap* cache, HDC dc)
{
    if (!cache || !dc || cache->Width() <= 0) return;
    GdiFlush();
    BitBlt(dc, 0, 0, cache->Width(), cache->Height(), cache->Canvas().Handle(), 0, 0, SRCCOPY);
}

}  // namespace

void ResampleInPaint(TBitmap* src, TBitmap* dst, int w, int h)
{
    if (w <= 0 || h <= 0) return;
    if (src->Width() < 2 || src->Height() < 2) {
        dst->SetPixelFormat(TPixelFormat::pf32bit);
        dst->SetSize(w, h);
        SetStretchBltMode(dst->Canvas().Handle(), COLORONCOLOR);
        StretchBlt(dst->Canvas().Handle(), 0, 0, w, h, src->Canvas().Handle(), 0, 0, src->Width(), src->Height(),
                   SRCCOPY);
        return;
    }
    ResampleBitmap(src, dst, w, int(rfMitchell), h);
}

namespace {

// Rows swapped top to bottom (horizontal) or columns left to right.
void Mirror(TBitmap* bmp, bool rows)
{
    GdiFlush();
    PixelView v = bmp->View();
    if (v.Empty()) return;
    if (rows) {
        for (int y = 0; y < v.height / 2; ++y)
            std::swap_ranges(v.Row(y), v.Row(y) + v.width, v.Row(v.height - 1 - y));
    } else {
        for (int y = 0; y < v.height; ++y) std::reverse(v.Row(y), v.Row(y) + v.width);
    }
}

}  // namespace

// ---------------------------------------------------------------- TkvStaticWnd

void TkvStaticWnd::RedrawNow() { RedrawWindow(Handle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW); }

namespace {
// Takes the window's place anew and paints the background under the whole
// window into its cache, made the window's size; nil without a cache.
TBitmap* PaintCacheBackground(TkvMainWnd& w)
{
    GetWndGeometry(w.Handle, w.ParentHandle, w.WindowArea, w.PosInParent, w.WindowExtent, w.ParentRect);
    w.CommonData->BackgroundChanged = true;
    w.CommonData->PrepareCacheBitmap();
    TBitmap* cache = w.CommonData->CacheBitmap.get();
    if (!cache) return nullptr;
    cache->SetSize(int(w.WindowExtent.cx), int(w.WindowExtent.cy));
    PaintWrapperBackground(w.CommonData, w.Handle, false);
    return cache;
}
}  // namespace

bool TkvStaticWnd::PrepareBackground()
{
    TBitmap* cache = PaintCacheBackground(*this);
    return cache && cache->Width() > 0;
}

void TkvStaticWnd::PaintToDC(TMessage& m)
{
    HDC given = HDC(m.WParam);
    HDC dc = given ? given : GetWindowDC(Handle);
    int saved = SaveDC(dc);
    if (PrepareBackground() && PaintContent()) CopyCache(CommonData->CacheBitmap.get(), dc);
    RestoreDC(dc, saved);
    if (!given) ReleaseDC(Handle, dc);
}

bool TkvStaticWnd::PaintContent()
{
    if (WndText.empty()) return true;
    TBitmap* cache = CommonData->CacheBitmap.get();
    cache->Canvas().Brush().SetStyle(TBrushStyle::bsClear);
    SelectWndFont(this);
    SetBkMode(cache->Canvas().Handle(), TRANSPARENT);
    // Tabs at the system's 8 characters; an "&" underlines the next letter
    // unless the static asks for its text as it is.
    UINT flags = DT_WORDBREAK | DT_EXPANDTABS | DT_NOCLIP;
    if (StyleOf(Handle) & SS_NOPREFIX) flags |= DT_NOPREFIX;
    if (ExStyleOf(Handle) & WS_EX_RIGHT) flags |= DT_RIGHT;
    // The reading order is the program's, not the window's.
    if (Application && Application->BiDiMode() == TBiDiMode::bdRightToLeft) flags |= DT_RTLREADING;
    DrawText(*CommonData, WndText, IsWindowEnabled(Handle), flags, RECT{0, 0, WindowExtent.cx, WindowExtent.cy});
    return true;
}

void TkvStaticWnd::WndProc(TMessage& m)
{
    bool skinned = CommonData && SkinManager && SkinManager->Active() && !Unhooked;
    if (!skinned || (StyleOf(Handle) & WS_TABSTOP) || (ExStyleOf(Handle) & WS_EX_STATICEDGE && !Is<TkvEdgeWnd>())) {
        TkvMainWnd::WndProc(m);
        return;
    }
    bool visible = IsWindowVisible(Handle);
    switch (m.Msg) {
    case WM_MOVE:
    case WM_ENABLE:
        if (!visible) break;
        CommonData->BackgroundChanged = true;
        CallPrevWndProc(m);
        RedrawNow();
        return;
    case WM_SETTEXT:
        if (!visible) break;
        SendMessageW(Handle, WM_SETREDRAW, FALSE, 0);
        CallPrevWndProc(m);
        WndText = ReadWindowText(Handle);
        CommonData->BackgroundChanged = true;
        SendMessageW(Handle, WM_SETREDRAW, TRUE, 0);
        RedrawNow();
        return;
    case WM_PAINT: {
        PAINTSTRUCT ps{};
        BeginPaint(Handle, &ps);
        if (visible) {
            TMessage p{WM_PAINT, 0, 0, 0};
            PaintToDC(p);
        }
        EndPaint(Handle, &ps);
        return;
    }
    case WM_ERASEBKGND:
        if (!visible) break;
        m.Result = 1;
        return;
    case WM_NCPAINT: return;
    case WM_PRINT: PaintToDC(m); return;
    default: break;
    }
    TkvMainWnd::WndProc(m);
}

// ---------------------------------------------------------------- TkvEdgeWnd

void TkvEdgeWnd::WndProc(TMessage& m)
{
    bool skinned = CommonData && SkinManager && SkinManager->Active() && !Unhooked;
    if (skinned) {
        switch (m.Msg) {
        case WM_PAINT: {
            CallPrevWndProc(m);
            TMessage p{WM_PAINT, 0, 0, 0};
            PaintToDC(p);
            return;
        }
        case WM_ERASEBKGND:
        case WM_NCPAINT:
            m.Result = 1;
            return;
        default: break;
        }
    }
    TkvStaticWnd::WndProc(m);
}

void TkvEdgeWnd::PaintToDC(TMessage& m)
{
    HDC given = HDC(m.WParam);
    HDC dc = given ? given : GetWindowDC(Handle);
    int saved = SaveDC(dc);
    if (PrepareBackground()) {
        TBitmap* cache = CommonData->CacheBitmap.get();
        GdiFlush();
        CopyBorderStrips(dc, 0, 0, 2, cache->Canvas().Handle(), 0, 0, cache->Width(), cache->Height());
    }
    RestoreDC(dc, saved);
    if (!given) ReleaseDC(Handle, dc);
}

// ---------------------------------------------------------------- TkvIconWnd

TkvIconWnd::TkvIconWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
                       bool repaint)
    : TkvStaticWnd(handle, commonData, skinManager, skinSection, repaint),
      ShowsBitmap((StyleOf(handle) & SS_TYPEMASK) != SS_ICON)
{
}

bool TkvIconWnd::PaintContent()
{
    TBitmap* cache = CommonData->CacheBitmap.get();
    if (!ShowsBitmap) {
        auto icon = HICON(SendMessageW(Handle, STM_GETICON, 0, 0));
        if (!icon) return false;
        DrawIconEx(cache->Canvas().Handle(), 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
        return true;
    }
    if (!picture_) {
        picture_ = std::make_unique<TBitmap>();
        if (auto bmp = HBITMAP(SendMessageW(Handle, STM_GETIMAGE, IMAGE_BITMAP, 0))) picture_->LoadFromHandle(bmp);
    }
    if (picture_->Empty()) return false;
    if (picture_->PixelFormat() == TPixelFormat::pf32bit) {
        BlendBitmapMasked(RECT{0, 0, cache->Width(), cache->Height()},
                          RECT{0, 0, picture_->Width(), picture_->Height()}, cache, picture_.get(), EmptyBgCacheInfo,
                          false, NoColorValue);
    } else {
        BitBlt(cache->Canvas().Handle(), 0, 0, std::min(cache->Width(), picture_->Width()),
               std::min(cache->Height(), picture_->Height()), picture_->Canvas().Handle(), 0, 0, SRCCOPY);
    }
    return true;
}

// ---------------------------------------------------------------- TkvLinkWnd

void TkvLinkWnd::WndProc(TMessage& m)
{
    bool skinned = CommonData && SkinManager && SkinManager->Active() && !Unhooked;
    if (!skinned || (ExStyleOf(Handle) & WS_EX_STATICEDGE)) {
        TkvStaticWnd::WndProc(m);
        return;
    }
    switch (m.Msg) {
    case WM_MOVE:
        CommonData->BackgroundChanged = true;
        CallPrevWndProc(m);
        RedrawNow();
        return;
    case WM_SETTEXT:
        CallPrevWndProc(m);
        WndText = ReadWindowText(Handle);
        CommonData->BackgroundChanged = true;
        RedrawNow();
        return;
    case WM_PAINT:
        ValidateByPainting();
        return;
    case WM_ERASEBKGND:
        if (!IsWindowVisible(Handle)) break;
        PaintToDC(m);
        m.Result = 1;
        return;
    case WM_NCPAINT: return;
    default: break;
    }
    TkvStaticWnd::WndProc(m);
}

bool TkvLinkWnd::PaintContent()
{
    TBitmap* cache = CommonData->CacheBitmap.get();
    cache->Canvas().Brush().SetStyle(TBrushStyle::bsClear);
    SelectWndFont(this);
    cache->Canvas().Font().SetStyle(cache->Canvas().Font().Style() | fsUnderline);
    SetBkMode(cache->Canvas().Handle(), TRANSPARENT);
    String text = ReplaceAll(ReplaceAll(WndText, L"<A>", L""), L"</A>", L"");
    DrawText(*CommonData, text, IsWindowEnabled(Handle), DT_NOCLIP | DT_EXPANDTABS | DT_WORDBREAK,
             RECT{0, 0, WindowExtent.cx + 4, WindowExtent.cy});
    return true;
}

// ---------------------------------------------------------------- TkvSizerWnd

void TkvSizerWnd::Paint(TMessage&)
{
    GetWndGeometry(Handle, ParentHandle, WindowArea, PosInParent, WindowExtent, ParentRect);
    PAINTSTRUCT ps{};
    BeginPaint(Handle, &ps);
    HDC dc = GetWindowDC(Handle);
    int w = int(WindowExtent.cx), h = int(WindowExtent.cy);
    std::unique_ptr<TBitmap> bmp = NewBitmap32(std::max(1, w), std::max(1, h));
    int mask = SkinManager->CommonIndexes().Global("GRIPIMAGE");
    if (SkinManager->IsMaskIndexValid(mask) && w > 0 && h > 0) {
        // The parent paints its background into the bitmap.
        TsBgRequest r;
        r.DC = bmp->Canvas().Handle();
        r.PaintRect = RECT{0, 0, w, h};
        r.OffsetX = PosInParent.x;
        r.OffsetY = PosInParent.y;
        r.PaintIt = 1;
        {
            TsBgRequestScope asking(r);   // a skinned form answers only a request asked now
            SendSkinCommand(ParentHandle, TsSkinCommand::GetBackground, LPARAM(&r));
        }
        if (r.Kind == bgColor) FillRect32(bmp.get(), RECT{0, 0, w, h}, TColor(ColorToRGB(r.Color)), 255);
        const TsMaskData& md = SkinManager->ma()[size_t(mask)];
        int fw = MaskFrameWidth(md), sh = MaskStateHeight(md);
        GdiFlush();
        DrawMaskFrame32(bmp.get(), POINT{std::max(0, w - fw), std::max(0, h - sh)}, 0, InitBgCacheInfo(bmp.get(), 0, 0),
                        mask, 1, SkinManager);
        CopyCache(bmp.get(), dc);
    }
    ReleaseDC(Handle, dc);
    EndPaint(Handle, &ps);
}

void TkvSizerWnd::WndProc(TMessage& m)
{
    bool skinned = CommonData && SkinManager && SkinManager->Active() && !Unhooked;
    if (skinned) {
        switch (m.Msg) {
        case WM_PAINT: Paint(m); return;
        case WM_ERASEBKGND:
        case WM_NCPAINT: m.Result = 1; return;
        default: break;
        }
    }
    TkvMainWnd::WndProc(m);
    if (m.Msg == WM_NCHITTEST) {
        if (DefaultManager && IsWindowEnabled(Handle)) DefaultManager->SetHotWindow(nullptr);
        m.Result = HTBOTTOMRIGHT;
    }
}

// ---------------------------------------------------------------- TkvSpinWnd

TkvSpinWnd::TkvSpinWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
                       bool repaint)
    : TkvMainWnd(handle, commonData, skinManager, skinSection, repaint)
{
}

bool TkvSpinWnd::IsVertical() { return !(StyleOf(Handle) & UDS_HORZ); }

void TkvSpinWnd::UpdateStates()
{
    FirstState = SecondState = 0;
    GetWndGeometry(Handle, ParentHandle, WindowArea, PosInParent, WindowExtent, ParentRect);
    POINT p;
    GetCursorPos(&p);
    int half = btngeom::SpinHalfAt(int(WindowExtent.cx), int(WindowExtent.cy), IsVertical(),
                                   POINT{p.x - WindowArea.left, p.y - WindowArea.top});
    if (half == 0) FirstState = MouseDown ? 2 : 1;
    else if (half == 1) SecondState = MouseDown ? 2 : 1;
}

bool TkvSpinWnd::Render()
{
    if (!CommonData || CommonData->IsUpdating()) return false;
    TsSkinManager* m = SkinManager;
    if (m && m->FindSectionIndex(CommonData->SkinSection()) < 0) CommonData->SetSkinSection(L"BUTTON");
    GetWndGeometry(Handle, ParentHandle, WindowArea, PosInParent, WindowExtent, ParentRect);
    TsBgCacheInfo bg;
    CommonData->GetWindowParentBackground(Handle, bg);
    CommonData->PrepareCacheBitmap();
    TBitmap* cache = CommonData->CacheBitmap.get();
    int w = int(WindowExtent.cx), h = int(WindowExtent.cy);
    if (!cache || w <= 0 || h <= 0) return false;
    cache->SetSize(w, h);
    bool vertical = IsVertical();
    RECT first{}, second{};
    btngeom::SpinButtonRects(w, h, vertical, first, second);
    const TsCommonIndexes& ci = m->CommonIndexes();
    int glyphs[2] = {vertical ? ci.ScrollGlyph[spBtnTop] : ci.ScrollGlyph[spBtnLeft],
                     vertical ? ci.ScrollGlyph[spBtnBottom] : ci.ScrollGlyph[spBtnRight]};
    const RECT* rects[2] = {&first, &second};
    int states[2] = {FirstState, SecondState};
    for (int i = 0; i < 2; ++i) {
        const RECT& r = *rects[i];
        PaintControlSkin(*CommonData, bg, -1, -1, states[i] == 2 ? 1 : 0, cache, POINT{0, 0}, r, states[i]);
        if (glyphs[i] < 0 || !m->IsMaskIndexValid(glyphs[i])) continue;
        const TsMaskData& md = m->ma()[size_t(glyphs[i])];
        int fw = MaskFrameWidth(md), sh = MaskStateHeight(md);
        POINT at{r.left + (r.right - r.left - fw) / 2, r.top + (r.bottom - r.top - sh) / 2};
        DrawMaskFrame32(cache, at, states[i], InitBgCacheInfo(cache, 0, 0), glyphs[i], 1, m);
    }
    CommonData->BackgroundChanged = false;
    return true;
}

void TkvSpinWnd::Paint(TMessage& m)
{
    // The update region is validated whatever happens, or the system would
    // send WM_PAINT again at once, for ever.
    PAINTSTRUCT ps{};
    HDC given = HDC(m.WParam);
    HDC dc = given ? given : BeginPaint(Handle, &ps);
    UpdateStates();
    if (Render()) CopyCache(CommonData->CacheBitmap.get(), dc);
    if (!given) EndPaint(Handle, &ps);
    m.Result = 0;
}

void TkvSpinWnd::WndProc(TMessage& m)
{
    bool skinned = CommonData && SkinManager && SkinManager->Active() && !Unhooked;
    if (!skinned) {
        TkvMainWnd::WndProc(m);
        return;
    }
    if (Command(m) == SkinCmdMouseLeave) RedrawWindow(Handle, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
    switch (m.Msg) {
    case WM_PAINT:
    case WM_PRINT:
        Paint(m);
        return;
    case WM_ERASEBKGND:
    case WM_NCPAINT: m.Result = 1; return;
    case WM_LBUTTONDOWN: MouseDown = true; break;
    case WM_LBUTTONUP: MouseDown = false; break;
    case WM_MOUSELEAVE: InvalidateRect(Handle, nullptr, FALSE); break;
    default: break;
    }
    TkvMainWnd::WndProc(m);
    switch (m.Msg) {
    case WM_MOUSEMOVE:
        if (DefaultManager && IsWindowEnabled(Handle)) {
            if (CursorIn(WindowArea)) {
                if (DefaultManager->HotWindow() == Handle) InvalidateRect(Handle, nullptr, FALSE);
                else DefaultManager->SetHotWindow(Handle);
            } else if (DefaultManager->HotWindow() == Handle) {
                DefaultManager->SetHotWindow(nullptr);
            }
        }
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP: InvalidateRect(Handle, nullptr, FALSE); break;
    case WM_LBUTTONDBLCLK:
        MouseDown = true;
        RedrawWindow(Handle, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        MouseDown = false;
        break;
    default: break;
    }
}

void AttachSpinWnd(HWND upDown, TkvSpinWnd*& wrapper, TsSkinManager* manager, const String& section, int kind)
{
    if (wrapper && wrapper->Handle == upDown && !wrapper->Unhooked) return;   // the same window: keep it
    if (wrapper) {
        TkvMainWnd* old = wrapper;
        UnhookWindow(old->Handle, true, false, old);
        wrapper = nullptr;
    }
    if (!upDown) return;
    wrapper = CreateWrapper<TkvSpinWnd>(upDown, nullptr, manager, section, false);
    wrapper->CommonData->ControlKind = kind;
}

// ---------------------------------------------------------------- TkvTrackWnd

TkvTrackWnd::TkvTrackWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
                         bool repaint)
    : TkvMainWnd(handle, commonData, skinManager, skinSection, repaint)
{
}

bool TkvTrackWnd::IsVertical() { return StyleOf(Handle) & TBS_VERT; }

int TkvTrackWnd::TickSide() const
{
    DWORD s = StyleOf(Handle);
    if (s & TBS_BOTH) return 2;
    return (s & TBS_TOP) ? 1 : 0;
}

void TkvTrackWnd::PaintChannel(RECT& ch)
{
    SendMessageW(Handle, TBM_GETCHANNELRECT, 0, LPARAM(&ch));
    bool vertical = IsVertical();
    // Some systems answer a vertical bar's channel as if it lay horizontally;
    // one that is already upright is taken as it is.
    if (vertical && ch.right - ch.left > ch.bottom - ch.top) ch = RECT{ch.top, ch.left, ch.bottom, ch.right};
    TsSkinManager* m = SkinManager;
    int mask = m->FindMaskIndex(TrackSection, L"TRACKBAR", L"SLIDERCHANNEL");
    if (!m->IsMaskIndexValid(mask)) return;
    const TsMaskData& md = m->ma()[size_t(mask)];
    TBitmap* cache = CommonData->CacheBitmap.get();
    if (vertical) {
        int size = ch.right - ch.left, ms = MaskFrameWidth(md);
        ch.left += (size - ms + 1) / 2;
        ch.right = ch.left + ms;
    } else {
        int size = ch.bottom - ch.top, ms = MaskStateHeight(md);
        ch.top += (size - ms + 1) / 2;
        ch.bottom = ch.top + ms;
    }
    PaintMaskNineParts32(cache, ch, 0, m, true, CommonData->IsHot() ? 1 : 0, mask, InitBgCacheInfo(cache, 0, 0));
}

void TkvTrackWnd::PaintTicks(const RECT& ch)
{
    ticks_.clear();
    if (StyleOf(Handle) & TBS_NOTICKS) return;
    int count = int(SendMessageW(Handle, TBM_GETNUMTICS, 0, 0));
    RECT thumb{};
    SendMessageW(Handle, TBM_GETTHUMBRECT, 0, LPARAM(&thumb));
    bool vertical = IsVertical();
    int start = vertical ? ch.top : ch.left, length = vertical ? ch.bottom - ch.top : ch.right - ch.left;
    int thumbLength = vertical ? thumb.bottom - thumb.top : thumb.right - thumb.left;
    TickStep = count > 1 ? (long double)(length - thumbLength) / (count - 1) : 0;
    ticks_ = btngeom::TrackTickPositions(count, start, length, thumbLength);
    int thumbThick = vertical ? thumb.right - thumb.left : thumb.bottom - thumb.top;
    int chThick = vertical ? ch.right - ch.left : ch.bottom - ch.top;
    int g = (thumbThick - chThick) / 2 + 2;
    TsSkinManager* m = SkinManager;
    TBitmap* cache = CommonData->CacheBitmap.get();
    int mask = m->FindMaskIndex(TrackSection, L"TRACKBAR", vertical ? L"TICKVERT" : L"TICKHORZ");
    int side = TickSide();
    std::vector<int> across;
    if (side != 0) across.push_back(vertical ? ch.left - g - TickLength : ch.top - g - TickLength);
    if (side != 1) across.push_back(vertical ? ch.right + g : ch.bottom + g);
    for (int pos : ticks_)
        for (int a : across) {
            if (m->IsMaskIndexValid(mask)) {
                const TsMaskData& md = m->ma()[size_t(mask)];
                POINT p = vertical ? POINT{a, pos - MaskStateHeight(md)} : POINT{pos - MaskFrameWidth(md), a};
                DrawMaskFrame32(cache, p, MouseDown ? 1 : 0, InitBgCacheInfo(cache, 0, 0), mask, 1, m);
            } else {
                int width = 1;
                RECT r = vertical ? RECT{a, pos, a + TickLength, pos + 2} : RECT{pos, a, pos + 2, a + TickLength};
                DrawBevelFrame(cache->Canvas().Handle(), r, clWhite, width, clBtnShadow);
            }
        }
}

void TkvTrackWnd::PaintThumb()
{
    TsSkinManager* m = SkinManager;
    TBitmap* cache = CommonData->CacheBitmap.get();
    bool vertical = IsVertical();
    int mask = vertical ? m->FindMaskIndex(TrackSection, L"TRACKBAR", L"SLIDERVMASK") : -1;
    if (!m->IsMaskIndexValid(mask)) mask = m->FindMaskIndex(TrackSection, L"TRACKBAR", L"SLIDERMASK");
    if (!m->IsMaskIndexValid(mask)) return;
    const TsMaskData& md = m->ma()[size_t(mask)];
    int w = MaskFrameWidth(md), h = MaskStateHeight(md);
    RECT t{};
    SendMessageW(Handle, TBM_GETTHUMBRECT, 0, LPARAM(&t));
    int tw = t.right - t.left, th = t.bottom - t.top;
    if (tw <= 0 || th <= 0 || w <= 0 || h <= 0) return;
    bool flipped = TickSide() == 1;
    int state = MouseDown ? 1 : 0;
    bool exact = (tw == w && th == h) || (vertical ? tw == 23 : th == 23);
    if (exact && !flipped) {
        DrawMaskFrame32(cache, POINT{t.left + (tw - w) / 2, t.top + (th - h) / 2}, state, InitBgCacheInfo(cache, 0, 0),
                        mask, 1, m);
        return;
    }
    // The area under the thumb at the mask's size, mirrored for ticks on the
    // top or left, the thumb over it, mirrored back and fitted to the thumb.
    TBitmap under(tw, th, TPixelFormat::pf32bit);
    GdiFlush();
    BitBlt(under.Canvas().Handle(), 0, 0, tw, th, cache->Canvas().Handle(), t.left, t.top, SRCCOPY);
    TBitmap work;
    ResampleInPaint(&under, &work, w, h);
    if (flipped) Mirror(&work, !vertical);
    DrawMaskFrame32(&work, POINT{0, 0}, state, InitBgCacheInfo(&work, 0, 0), mask, 1, m);
    if (flipped) Mirror(&work, !vertical);
    TBitmap fitted;
    ResampleInPaint(&work, &fitted, tw, th);
    GdiFlush();
    BitBlt(cache->Canvas().Handle(), t.left, t.top, tw, th, fitted.Canvas().Handle(), 0, 0, SRCCOPY);
}

bool TkvTrackWnd::Render()
{
    GetWndGeometry(Handle, ParentHandle, WindowArea, PosInParent, WindowExtent, ParentRect);
    CommonData->PrepareCacheBitmap();
    TBitmap* cache = CommonData->CacheBitmap.get();
    int w = int(WindowExtent.cx), h = int(WindowExtent.cy);
    if (!cache || w <= 0 || h <= 0) return false;
    cache->SetSize(w, h);
    CommonData->GetWindowParentBackground(Handle, parentBg_);
    PaintControlSkin(*CommonData, parentBg_, -1, -1, 0, cache, POINT{0, 0}, RECT{0, 0, w, h}, MouseDown ? 1 : 0);
    TrackSection = SkinManager->FindSectionIndex(L"TRACKBAR");
    if (TrackSection >= 0) {
        RECT channel{};
        PaintChannel(channel);
        PaintTicks(channel);
        PaintThumb();
    }
    if (!IsWindowEnabled(Handle)) ApplyDisabledEffect(cache, 1, nullptr, POINT{0, 0}, parentBg_);
    CommonData->BackgroundChanged = false;
    return true;
}

void TkvTrackWnd::Paint(TMessage& m)
{
    GetWndGeometry(Handle, ParentHandle, WindowArea, PosInParent, WindowExtent, ParentRect);
    PAINTSTRUCT ps{};
    HDC given = HDC(m.WParam);
    HDC dc = given ? given : BeginPaint(Handle, &ps);
    CommonData->Updating = CommonData->IsUpdating();
    if (!CommonData->Updating) {
        SendMessageW(ParentHandle, SkinCommandMessage, MAKEWPARAM(0, SkinCmdNotifyPainted), 0);
        if ((IsWindowVisible(Handle) || given) && Render()) CopyCache(CommonData->CacheBitmap.get(), dc);
    }
    if (!given) EndPaint(Handle, &ps);
    m.Result = 0;
}

void TkvTrackWnd::WndProc(TMessage& m)
{
    bool skinned = CommonData && SkinManager && SkinManager->Active() && !Unhooked;
    if (skinned) {
        switch (m.Msg) {
        case WM_PAINT:
        case WM_PRINT: Paint(m); return;
        case WM_ERASEBKGND:
        case WM_NCPAINT: m.Result = 1; return;
        case WM_LBUTTONDOWN: MouseDown = true; break;
        case WM_LBUTTONUP: MouseDown = false; break;
        default: break;
        }
    }
    TkvMainWnd::WndProc(m);
}

// ---------------------------------------------------------------- TkvStaticTextWnd

TkvStaticTextWnd::TkvStaticTextWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager,
                                   const String& skinSection, bool repaint)
    : TkvMainWnd(handle, commonData, skinManager, L"CHECKBOX", repaint)
{
    Control = OwnerControl();
    // The section given wins over the default; it is applied after the base,
    // which only fills in a missing one.
    if (!IsNoSection(skinSection)) CommonData->SetSkinSection(skinSection);
    else if (IsNoSection(CommonData->SkinSection())) CommonData->SetSkinSection(L"CHECKBOX");
}

int TkvStaticTextWnd::BorderWidth() const
{
    RECT wr{}, cr{};
    GetWindowRect(Handle, &wr);
    GetClientRect(Handle, &cr);
    return std::max(0, int((wr.right - wr.left) - cr.right) / 2);
}

bool TkvStaticTextWnd::RenderCache()
{
    if (!Control) return false;
    TBitmap* cache = PaintCacheBackground(*this);
    if (!cache) return false;
    SelectWndFont(this);
    SetBkMode(cache->Canvas().Handle(), TRANSPARENT);
    TAlignment a = TAlignment(std::clamp(GetPropInt(Control, L"Alignment"), 0, 2));
    UINT flags = AlignDrawTextFlags(Control, a) | DT_WORDBREAK;
    // The caption goes into the client rectangle as it is, inside the border.
    RECT r = Control->ClientRect();
    int b = BorderWidth();
    OffsetRect(&r, b, b);
    DrawText(*CommonData, ReadWindowText(Handle), Control->Enabled(), flags, r);
    CommonData->BackgroundChanged = false;
    return true;
}

void TkvStaticTextWnd::PaintToDC(HDC& dc)
{
    if (CommonData->IsUpdating()) return;
    HDC given = dc;
    if (!given) dc = GetDC(Handle);
    int saved = SaveDC(dc);
    RECT wr{}, cr{};
    GetWindowRect(Handle, &wr);
    GetClientRect(Handle, &cr);
    TBitmap* cache = CommonData->CacheBitmap.get();
    // The cache is kept between paints; it is made again when the background
    // changed, when it does not fit the window, or when a see-through section
    // is only partly painted (the parent shows through at another place).
    bool stale = CommonData->BackgroundChanged || !cache || cache->Width() != wr.right - wr.left ||
                 cache->Height() != wr.bottom - wr.top;
    if (!stale && CommonData->NeedsRepaintOnMove()) {
        RECT clip{};
        GetClipBox(dc, &clip);
        stale = clip.right - clip.left != cr.right || clip.bottom - clip.top != cr.bottom;
    }
    if (!stale || RenderCache()) {
        // The client DC starts inside the border: the cache starts at the window's corner.
        cache = CommonData->CacheBitmap.get();
        int b = BorderWidth();
        GdiFlush();
        BitBlt(dc, 0, 0, cr.right, cr.bottom, cache->Canvas().Handle(), b, b, SRCCOPY);
    }
    RestoreDC(dc, saved);
    if (!given) {
        ReleaseDC(Handle, dc);
        dc = nullptr;
    }
}

void TkvStaticTextWnd::PaintNonClient(HDC given)
{
    if (CommonData->IsUpdating()) return;
    int b = BorderWidth();
    if (b <= 0) return;
    HDC dc = given ? given : GetWindowDC(Handle);
    int saved = SaveDC(dc);
    if (RenderCache()) {
        GdiFlush();
        CopyBorderStrips(dc, 0, 0, b, CommonData->CacheBitmap->Canvas().Handle(), 0, 0, int(WindowExtent.cx),
                         int(WindowExtent.cy));
    }
    RestoreDC(dc, saved);
    if (!given) ReleaseDC(Handle, dc);
}

void TkvStaticTextWnd::WndProc(TMessage& m)
{
    if (!Control || !CommonData || !SkinManager || Unhooked) {
        TkvMainWnd::WndProc(m);
        return;
    }
    if (m.Msg == SkinCommandMessage) {
        if (Command(m) == SkinCmdRemoveSkin)
            Control->SetControlStyle(Control->ControlStyle() & ~unsigned(csOpaque));
        if (!CacheWindowCommand(m, dynamic_cast<TWinControl*>(Control),
                                [](TkvMainWnd& w) { return static_cast<TkvStaticTextWnd&>(w).RenderCache(); }))
            TkvMainWnd::WndProc(m);
        return;
    }
    if (!SkinManager->Active() || !CommonData->IsSkinned()) {
        TkvMainWnd::WndProc(m);
        return;
    }
    if (CacheWindowPaint(
            m, [](TkvMainWnd& w, HDC dc) { static_cast<TkvStaticTextWnd&>(w).PaintToDC(dc); },
            [](TkvMainWnd& w, HDC dc) { static_cast<TkvStaticTextWnd&>(w).PaintNonClient(dc); }))
        return;
    switch (m.Msg) {
    case WM_SETTEXT:
        if (IsWindowVisible(Handle)) {
            SendMessageW(Handle, WM_SETREDRAW, FALSE, 0);
            TkvMainWnd::WndProc(m);
            SendMessageW(Handle, WM_SETREDRAW, TRUE, 0);
            CommonData->BackgroundChanged = true;
            SendMessageW(Handle, WM_PAINT, 0, 0);
            return;
        }
        break;
    case WM_WINDOWPOSCHANGING:
    case WM_WINDOWPOSCHANGED: {
        // A see-through section shows the parent, which differs at the new place.
        const TsGeneralData* s = CommonData->Section();
        if (s && s->IniTransparency != 0) CommonData->BackgroundChanged = true;
        TkvMainWnd::WndProc(m);
        if (m.Msg == WM_WINDOWPOSCHANGING) SendMessageW(Handle, WM_NCPAINT, 1, 0);
        return;
    }
    case WM_UPDATEUISTATE:
        m.Result = 1;
        return;
    case WM_PARENTNOTIFY:
        TkvMainWnd::WndProc(m);
        if (LOWORD(m.WParam) == WM_CREATE) NotifyFormOfControl(Control);
        return;
    case CM_TEXTCHANGED:
        CommonData->BackgroundChanged = true;
        break;
    case CM_SHOWINGCHANGED:
        if (IsWindowVisible(Handle)) {
            NotifyFormOfControl(Control);
            if (auto* w = dynamic_cast<TWinControl*>(Control)) {
                BroadcastSkinCommand(w, TsSkinCommand::NewSkin, LPARAM(SkinManager));
                BroadcastSkinCommand(w, TsSkinCommand::Refresh, LPARAM(SkinManager));
            }
        }
        break;
    default: break;
    }
    TkvMainWnd::WndProc(m);
}
