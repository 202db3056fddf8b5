#include "skin/controls/ButtonWnd.h"

#include <algorithm>

#include "skin/controls/ButtonGeometry.h"
#include "skin/core/Animations.h"
#include "skin/core/ControlPaint.h"
#include "skin/core/MaskPaintBitmap.h"
#include "skin/core/SkinManager.h"
#include "skin/graphics/Bitmap32.h"
#include "skin/graphics/Glow.h"
#include "skin/graphics/PNG.h"
#include "skin/graphics/SkinCommands.h"
#include "skin/graphics/Utils.h"

bool IsNoSection(const String& section) { return section.empty() || section == L"UNKNOWN"; }

namespace {

DWORD StyleOf(HWND wnd) { return DWORD(GetWindowLongPtrW(wnd, GWL_STYLE)); }
DWORD ExStyleOf(HWND wnd) { return DWORD(GetWindowLongPtrW(wnd, GWL_EXSTYLE)); }

unsigned Command(const TMessage& m) { return m.Msg == SkinCommandMessage ? unsigned(HIWORD(m.WParam)) : 0; }

// A section given to the constructor, or the wrapper's default; written into
// the common data only when that has none (an adapter never writes "" there,
// and "UNKNOWN" counts as none).
void ApplyDefaultSection(TsCommonData* data, const String& given, const wchar_t* fallback)
{
    if (data && IsNoSection(data->SkinSection())) data->SetSkinSection(IsNoSection(given) ? String(fallback) : given);
}

bool IsHotWindow(TsSkinManager* m, HWND wnd) { return m && m->HotWindow() == wnd; }

bool CursorInside(HWND wnd)
{
    POINT p;
    RECT r;
    GetCursorPos(&p);
    GetWindowRect(wnd, &r);
    return PtInRect(&r, p) != 0;
}

// Fades the cache 0.4 toward what lies under the control (Part of every
// disabled look here).
void FadeDisabled(TBitmap* cache, const TsBgCacheInfo& bg)
{
    if (!cache || cache->Width() <= 0) return;
    if (bg.Ready && bg.Bmp) {
        BlendBitmapByRatio(cache, 0, 0, bg.Bmp,
                           RECT{bg.X, bg.Y, bg.X + cache->Width() - 1, bg.Y + cache->Height() - 1}, 0xFF00FF, 0.4);
    } else {
        TColor fill = bg.FillColor == SkinKeyColor ? DefaultBackgroundColor() : bg.FillColor;
        MixBitmapWithColor(cache, TColor(ColorToRGB(fill)), 0.4);
    }
}

// The colour of focus frames: the section's font colour of state min(1, STATES).
TColor FocusColor(TsCommonData& data)
{
    TsManagerTextSkin skin(data.SkinManager());
    return skin.StateColors(data.SectionIndex, TextStateOf(&skin, data.SectionIndex, true)).FontColor;
}

void DrawCaption(TsCommonData& data, const String& text, bool enabled, bool hot, UINT flags, const RECT& r)
{
    TBitmap* cache = data.CacheBitmap.get();
    if (!cache || text.empty()) return;
    TsManagerTextSkin skin(data.SkinManager());
    TsControlTextData t = ControlTextDataOf(data, &skin, hot);
    DrawControlText(cache->Canvas(), text, enabled, hot, t, flags, r);
}

// The columns of a button inside its border mask's side margins, over the
// whole height (the whole button without a mask).
RECT FaceColumns(TsCommonData& data, SIZE extent)
{
    RECT face{0, 0, extent.cx, extent.cy};
    TsSkinManager* m = data.SkinManager();
    if (m && m->IsMaskIndexValid(data.BorderMaskIndex)) {
        const TsMaskData& k = m->ma()[size_t(data.BorderMaskIndex)];
        if (k.MarginLeft + k.MarginRight < extent.cx) {
            face.left = k.MarginLeft;
            face.right = extent.cx - k.MarginRight;
        }
    }
    return face;
}

// A glyph: one pf32bit frame blended with its alpha through a PNG picture,
// anything else through the button-glyph painter.
void DrawGlyph(TBitmap* glyph, int numGlyphs, TBitmap* cache, POINT at, int state, bool down, bool enabled)
{
    if (!glyph || glyph->Empty() || !cache || cache->Width() < 1) return;
    numGlyphs = std::max(1, numGlyphs);
    SIZE g{glyph->Width() / numGlyphs, glyph->Height()};
    if (numGlyphs == 1 && glyph->PixelFormat() == TPixelFormat::pf32bit) {
        TPNGGraphic png;
        png.Assign(glyph);
        RECT dr{at.x, at.y, at.x + g.cx, at.y + g.cy}, sr{0, 0, g.cx, g.cy};
        BlendBitmapMasked(dr, sr, cache, &png, EmptyBgCacheInfo, false, NoColorValue, 0, false);
        return;
    }
    TBitmap dib;
    dib.Assign(glyph);   // a device-dependent glyph becomes a DIB
    RECT r{at.x, at.y, at.x + g.cx, at.y + g.cy};
    DrawButtonGlyph32(&dib, cache, r, state, enabled ? 0 : 50, 0, 0, down, numGlyphs);
}

}  // namespace

// ---------------------------------------------------------------- TkvBtnWnd

TkvBtnWnd::TkvBtnWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
                     bool repaint)
    : TkvMainWnd(handle, commonData, skinManager, IsNoSection(skinSection) ? String(L"BUTTON") : skinSection, repaint)
{
    ApplyDefaultSection(CommonData, skinSection, L"BUTTON");
}

void TkvBtnWnd::RestoreOwnColors() { TkvMainWnd::RestoreOwnColors(); }
void TkvBtnWnd::ApplySkinColors() { TkvMainWnd::ApplySkinColors(); }

UINT TkvBtnWnd::ButtonState() const { return UINT(SendMessageW(Handle, BM_GETSTATE, 0, 0)); }

int TkvBtnWnd::GetPaintState()
{
    bool pushed = ButtonState() & BST_PUSHED;
    if (pushed && CommonData) {
        // The glow of a pressed button goes before it paints pressed.
        HideGlow(CommonData->GlowHandle);
        ClearGlows(false);
    }
    bool hot = GetFocus() == Handle || IsHotWindow(SkinManager, Handle);
    return btngeom::PushButtonState(pushed, IsWindowEnabled(Handle), hot, StyleOf(Handle) & BS_DEFPUSHBUTTON);
}

SIZE TkvBtnWnd::CaptionTextExtent()
{
    TBitmap* cache = CommonData->CacheBitmap.get();
    if (!cache || WndText.empty()) return SIZE{0, 0};
    UINT flags = DT_NOPREFIX | DT_CALCRECT | DT_EXPANDTABS | DT_CENTER;
    if (StyleOf(Handle) & BS_MULTILINE) flags |= DT_WORDBREAK;
    RECT r{0, 0, CaptionWidthLimit() + 2, 0};
    DrawTextW(cache->Canvas().Handle(), WndText.c_str(), int(WndText.size()), &r, flags);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

int TkvBtnWnd::CaptionWidthLimit()
{
    return btngeom::PushCaptionWidthLimit(!WndText.empty(), int(WindowExtent.cx), int(GlyphExtent().cx));
}

RECT TkvBtnWnd::CaptionBounds()
{
    return btngeom::PushCaptionBounds(int(WindowExtent.cx), int(WindowExtent.cy), CaptionTextExtent(),
                                      ButtonState() & BST_PUSHED);
}

void TkvBtnWnd::DrawCaptionText(const RECT& rect, UINT flags)
{
    DrawCaption(*CommonData, WndText, IsWindowEnabled(Handle), GetPaintState() != 0, flags, rect);
}

void TkvBtnWnd::PaintCaptionAndFocus()
{
    TBitmap* cache = CommonData->CacheBitmap.get();
    if (!cache) return;
    SelectWndFont(this);
    RECT r = CaptionBounds();
    SetBkMode(cache->Canvas().Handle(), TRANSPARENT);
    UINT flags = DT_CENTER | DT_EXPANDTABS;
    if (StyleOf(Handle) & BS_MULTILINE) flags |= DT_WORDBREAK;
    if (ExStyleOf(Handle) & WS_EX_RTLREADING) flags |= DT_RTLREADING;
    RECT face = FaceColumns(*CommonData, WindowExtent);
    if (r.left < face.left || r.right > face.right) {
        // A caption wider than the button stops at the face (its glow too):
        // the frame columns are put back as they were before it.
        int h = int(WindowExtent.cy), rw = int(WindowExtent.cx - face.right);
        TBitmap left(std::max(1, int(face.left)), std::max(1, h)), right(std::max(1, rw), std::max(1, h));
        HDC dc = cache->Canvas().Handle();
        GdiFlush();
        BitBlt(left.Canvas().Handle(), 0, 0, face.left, h, dc, 0, 0, SRCCOPY);
        BitBlt(right.Canvas().Handle(), 0, 0, rw, h, dc, face.right, 0, SRCCOPY);
        DrawCaptionText(r, flags);
        GdiFlush();
        BitBlt(dc, 0, 0, face.left, h, left.Canvas().Handle(), 0, 0, SRCCOPY);
        BitBlt(dc, face.right, 0, rw, h, right.Canvas().Handle(), 0, 0, SRCCOPY);
        GdiFlush();
    } else {
        DrawCaptionText(r, flags);
    }
    const TsGeneralData* s = CommonData->Section();
    if (IsWindowEnabled(Handle) && (ButtonState() & BST_FOCUS) && !WndText.empty() && s && s->ShowFocus) {
        InflateRect(&r, 2, 1);
        r.top = std::max<LONG>(r.top, 3);
        r.bottom = std::min<LONG>(r.bottom, WindowExtent.cy - 3);
        DrawDottedFrame(cache->Canvas(), r, FocusColor(*CommonData), DottedFrameSkip);
    }
}

void TkvBtnWnd::PaintButton()
{
    GetWndGeometry(Handle, ParentHandle, WindowArea, PosInParent, WindowExtent, ParentRect);
    CommonData->GetWindowParentBackground(Handle, parentBg_);
    CommonData->PrepareCacheBitmap();
    TBitmap* cache = CommonData->CacheBitmap.get();
    if (!cache) return;
    cache->SetSize(int(WindowExtent.cx), int(WindowExtent.cy));
    int state = GetPaintState();
    bool pushed = ButtonState() & BST_PUSHED;
    PaintControlSkin(*CommonData, parentBg_, -1, -1, pushed ? 1 : 0, cache, POINT{0, 0},
                     RECT{0, 0, WindowExtent.cx, WindowExtent.cy}, state);
    PaintCaptionAndFocus();
    PaintGlyph();
    if (!IsWindowEnabled(Handle)) FadeDisabled(cache, parentBg_);
    CommonData->BackgroundChanged = false;
}

void TkvBtnWnd::Paint(TMessage& m)
{
    GetWndGeometry(Handle, ParentHandle, WindowArea, PosInParent, WindowExtent, ParentRect);
    PAINTSTRUCT ps{};
    HDC given = HDC(m.WParam);
    HDC dc = given ? given : BeginPaint(Handle, &ps);
    if (!AnimationRunning || CommonData->PrintTarget) {
        CommonData->Updating = AnimationRunning ? false : CommonData->IsUpdating();
        if (!CommonData->Updating) {
            CommonData->BackgroundChanged = true;
            PaintButton();
            if (TBitmap* cache = CommonData->CacheBitmap.get(); cache && dc) {
                GdiFlush();
                BitBlt(dc, 0, 0, cache->Width(), cache->Height(), cache->Canvas().Handle(), 0, 0, SRCCOPY);
            }
        }
    }
    if (!given) EndPaint(Handle, &ps);
    m.Result = 0;
}

void TkvBtnWnd::QuietBase(TMessage& m)
{
    SendMessageW(Handle, WM_SETREDRAW, FALSE, 0);
    TkvMainWnd::WndProc(m);
    SendMessageW(Handle, WM_SETREDRAW, TRUE, 0);
}

void TkvBtnWnd::WndProc(TMessage& m)
{
    if (!CommonData || !SkinManager || !SkinManager->Active() || Unhooked) {
        TkvMainWnd::WndProc(m);
        return;
    }
    switch (Command(m)) {
    case SkinCmdParentUpdated:
        if (CommonData->Updating) {
            CommonData->Updating = false;
            CommonData->Updating = CommonData->IsUpdating();
            if (!CommonData->Updating)
                RedrawWindow(Handle, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
            return;
        }
        break;
    case SkinCmdMouseEnter:
        if (!CursorInside(Handle)) return;
        if (!CommonData->MouseInside && IsHotWindow(SkinManager, Handle)) {
            CommonData->MouseInside = true;
            CommonData->BackgroundChanged = true;
            CommonData->Updating = false;
            RedrawWindow(Handle, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
            CommonData->UpdateGlow(false, Handle);
        }
        break;
    case SkinCmdMouseLeave:
        if (CommonData->MouseInside) {
            HideGlow(CommonData->GlowHandle);
            ClearGlows(false);
            CommonData->MouseInside = false;
            CommonData->Updating = false;
            CommonData->BackgroundChanged = true;
            RedrawWindow(Handle, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        }
        break;
    default:
        break;
    }
    switch (m.Msg) {
    case WM_MOVE: {
        const TsGeneralData* s = CommonData->Section();
        bool hot = CommonData->IsHot();
        if (s && (s->Props[0].Transparency > 0 || (hot && s->Props[1].Transparency > 0))) {
            CommonData->BackgroundChanged = true;
            InvalidateRect(Handle, nullptr, FALSE);
        }
        break;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        if (IsWindowEnabled(Handle)) {
            QuietBase(m);
            CommonData->Focused = m.Msg == WM_SETFOCUS;
            CommonData->BackgroundChanged = true;
            RedrawWindow(Handle, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
            return;
        }
        break;
    case WM_ENABLE:
    case WM_SETTEXT:
        if (IsWindowVisible(Handle)) {
            QuietBase(m);
            CommonData->BackgroundChanged = true;
            RedrawWindow(Handle, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
            return;
        }
        break;
    case BM_SETSTATE:
        if (IsWindowVisible(Handle)) {
            SendMessageW(Handle, WM_SETREDRAW, FALSE, 0);
            CallPrevWndProc(m);
            SendMessageW(Handle, WM_SETREDRAW, TRUE, 0);
            CommonData->BackgroundChanged = true;
            RedrawWindow(Handle, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
            return;
        }
        break;
    case WM_PAINT:
        if (!IsWindowVisible(Handle) && !CommonData->PrintTarget) break;
        if (!ColorsApplied) ApplySkinColors();
        Paint(m);
        return;
    case WM_PRINT:
        Paint(m);
        return;
    case WM_ERASEBKGND:
    case WM_NCPAINT:
    case WM_UPDATEUISTATE:
        m.Result = 1;
        return;
    case WM_MOUSEHOVER:
        SendMessageW(Handle, SkinCommandMessage, MAKEWPARAM(0, SkinCmdMouseEnter), 0);
        break;
    case WM_MOUSELEAVE:
        if (IsHotWindow(SkinManager, Handle)) SkinManager->SetHotWindow(nullptr);
        break;
    default:
        break;
    }
    TkvMainWnd::WndProc(m);
    if (m.Msg == WM_MOUSEMOVE && DefaultManager && IsWindowEnabled(Handle)) {
        bool inside = CursorInside(Handle);
        if (inside && DefaultManager->HotWindow() != Handle) DefaultManager->SetHotWindow(Handle);
        else if (!inside && DefaultManager->HotWindow() == Handle) DefaultManager->SetHotWindow(nullptr);
    }
}

// ---------------------------------------------------------------- TkvBitBtnWnd

TBitBtn* TkvBitBtnWnd::Owner() const { return dynamic_cast<TBitBtn*>(OwnerControl()); }

SIZE TkvBitBtnWnd::GlyphExtent()
{
    if (TBitBtn* b = Owner()) {
        if (b->Glyph().Empty()) return SIZE{0, 0};
        return SIZE{b->Glyph().Width() / std::max(1, b->NumGlyphs()), b->Glyph().Height()};
    }
    if (OwnerControl()) return SIZE{0, 0};
    // A native bitmap button: the bitmap's pixel size (its "dimension" is only
    // what an application set, normally 0 x 0).
    auto bmp = HBITMAP(SendMessageW(Handle, BM_GETIMAGE, IMAGE_BITMAP, 0));
    BITMAP info{};
    if (!bmp || !GetObjectW(bmp, sizeof info, &info)) return SIZE{0, 0};
    return SIZE{info.bmWidth, info.bmHeight};
}

int TkvBitBtnWnd::CaptionWidthLimit()
{
    TBitBtn* b = Owner();
    if (!b) return TkvBtnWnd::CaptionWidthLimit();
    return btngeom::BitBtnCaptionWidthLimit(!b->Caption().empty(), b->Width(), b->Margin(), int(b->Layout()),
                                            GlyphExtent(), b->Spacing());
}

RECT TkvBitBtnWnd::CaptionBounds()
{
    TBitBtn* b = Owner();
    bool pushed = ButtonState() & BST_PUSHED;
    if (!b) {
        RECT r = TkvBtnWnd::CaptionBounds();
        SIZE g = GlyphExtent();
        if (g.cx > 0) OffsetRect(&r, g.cx / 2 + 1, 0);
        return r;
    }
    RECT text{};
    POINT glyphAt{};
    CalcButtonLayout(RECT{0, 0, WindowExtent.cx, WindowExtent.cy}, GlyphExtent(), CaptionTextExtent(), 0, text,
                     glyphAt, 0, 0, 2, int(b->Layout()));
    if (pushed) OffsetRect(&text, 1, 1);
    return text;
}

void TkvBitBtnWnd::PaintGlyph()
{
    SIZE g = GlyphExtent();
    TBitmap* cache = CommonData->CacheBitmap.get();
    if (g.cx <= 0 || g.cy <= 0 || !cache) return;
    bool pushed = ButtonState() & BST_PUSHED;
    int state = GetPaintState();
    TBitBtn* b = Owner();
    if (!b) {
        POINT at = btngeom::NativeBitmapGlyphPos(CaptionBounds(), int(WindowExtent.cy), g, pushed);
        TBitmap native;
        native.LoadFromHandle(HBITMAP(SendMessageW(Handle, BM_GETIMAGE, IMAGE_BITMAP, 0)));
        DrawGlyph(&native, 1, cache, at, state, pushed, IsWindowEnabled(Handle));
        return;
    }
    POINT at = btngeom::BitBtnGlyphPos(int(b->Layout()), int(WindowExtent.cx), int(WindowExtent.cy), g,
                                       CaptionTextExtent(), b->Spacing(), !b->Caption().empty(), state == 2);
    DrawGlyph(&b->Glyph(), b->NumGlyphs(), cache, at, state, pushed, b->Enabled());
}

// ---------------------------------------------------------------- TkvCheckBoxWnd

TkvCheckBoxWnd::TkvCheckBoxWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager,
                               const String& skinSection, bool repaint)
    : TkvMainWnd(handle, commonData, skinManager, IsNoSection(skinSection) ? String(L"CHECKBOX") : skinSection,
                 repaint),
      OwnerDrawn((StyleOf(handle) & 0xF) == BS_OWNERDRAW)
{
    ApplyDefaultSection(CommonData, skinSection, L"CHECKBOX");
}

int TkvCheckBoxWnd::GlyphMask() const
{
    TsSkinManager* m = SkinManager;
    if (!m) return -1;
    int check = btngeom::CheckStateOf(UINT(SendMessageW(Handle, BM_GETSTATE, 0, 0)));
    DWORD type = paintStyle_ & 0xF;
    bool radio = type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
    static const wchar_t* const box[] = {L"BOXUNCHECKED", L"BOXCHECKED", L"BOXGRAYED"};
    static const wchar_t* const round[] = {L"RADIOUNCHECKED", L"RADIOCHECKED", L"BOXGRAYED"};
    int global = m->FindSectionIndex(L"GLOBALINFO");
    return m->FindMaskIndex(global, L"GLOBALINFO", (radio ? round : box)[check]);
}

bool TkvCheckBoxWnd::RenderCache()
{
    CommonData->PrepareCacheBitmap();
    if (OwnerDrawn) return false;
    TBitmap* cache = CommonData->CacheBitmap.get();
    if (!cache) return false;
    GetWndGeometry(Handle, ParentHandle, WindowArea, PosInParent, WindowExtent, ParentRect);
    int w = int(WindowExtent.cx), h = int(WindowExtent.cy);
    cache->SetSize(w, h);
    CommonData->GetWindowParentBackground(Handle, parentBg_);
    bool hot = CommonData->IsHot();
    PaintControlSkin(*CommonData, parentBg_, -1, -1, 0, cache, POINT{0, 0}, RECT{0, 0, w, h}, hot ? 1 : 0);

    // The glyph's size comes from the checked box (16 x 16 without it).
    TsSkinManager* m = SkinManager;
    int checkedMask = m ? m->FindMaskIndex(m->FindSectionIndex(L"GLOBALINFO"), L"GLOBALINFO", L"BOXCHECKED") : -1;
    SIZE glyph{16, 16};
    if (m && m->IsMaskIndexValid(checkedMask)) {
        TsMaskData& md = m->ma()[size_t(checkedMask)];
        if (md.FrameCount == 0) md.FrameCount = 1;
        SIZE own = md.Bmp ? SIZE{md.Bmp->Width(), md.Bmp->Height()} : SIZE{0, 0};
        RECT mr = ToRECT(md.SourceRect);
        glyph = btngeom::CheckGlyphSize(true, md.Bmp != nullptr, own, mr, md.StateLayout, md.FrameCount);
    }
    bool leftText = paintStyle_ & BS_LEFTTEXT;
    bool multiline = paintStyle_ & BS_MULTILINE;
    glyphRect_ = btngeom::CheckGlyphRect(w, h, glyph, leftText);
    UINT state = UINT(SendMessageW(Handle, BM_GETSTATE, 0, 0));

    if (!WndText.empty()) {
        SelectWndFont(this);
        HDC dc = cache->Canvas().Handle();
        RECT measure{0, 0, std::max(0, w - int(glyph.cx) - 2), 0};
        DrawTextW(dc, WndText.c_str(), int(WndText.size()), &measure,
                  multiline ? DT_CALCRECT | DT_WORDBREAK : DT_CALCRECT | DT_SINGLELINE);
        UINT place = 0;
        RECT r = btngeom::CheckCaptionRect(w, h, glyph, SIZE{measure.right, measure.bottom}, leftText,
                                           ExStyleOf(Handle) & WS_EX_RTLREADING, multiline, place);
        SetBkMode(dc, TRANSPARENT);
        DrawCaption(*CommonData, WndText, IsWindowEnabled(Handle), hot,
                    place | (multiline ? DT_WORDBREAK : DT_SINGLELINE), r);
        cache->Canvas().Brush().SetStyle(TBrushStyle::bsSolid);
        if (state & BST_FOCUS) {
            // Check boxes show focus whatever the section's SHOWFOCUS says.
            InflateRect(&r, 2, 0);
            DrawDottedFrame(cache->Canvas(), r, FocusColor(*CommonData), DottedFrameSkip);
        }
    }
    int mask = GlyphMask();
    if (m && mask >= 0 && cache->Width() >= 1) {
        int frame = btngeom::CheckGlyphFrame(state & BST_PUSHED, (state & BST_FOCUS) || IsHotWindow(m, Handle));
        DrawMaskFrame32(cache, POINT{glyphRect_.left, glyphRect_.top}, frame, InitBgCacheInfo(cache, 0, 0), mask, 1,
                        m);
    }
    if (!IsWindowEnabled(Handle)) FadeDisabled(cache, parentBg_);
    CommonData->BackgroundChanged = false;
    return true;
}

void TkvCheckBoxWnd::Paint(TMessage& m)
{
    PAINTSTRUCT ps{};
    HDC given = HDC(m.WParam);
    HDC dc = given ? given : BeginPaint(Handle, &ps);
    CommonData->Updating = CommonData->IsUpdating();
    if (!CommonData->Updating && !OwnerDrawn) paintStyle_ = StyleOf(Handle);
    if (!CommonData->Updating && (IsWindowVisible(Handle) || given) && RenderCache()) {
        TBitmap* cache = CommonData->CacheBitmap.get();
        GdiFlush();
        BitBlt(dc, 0, 0, cache->Width(), cache->Height(), cache->Canvas().Handle(), 0, 0, SRCCOPY);
    }
    if (!given) EndPaint(Handle, &ps);
    m.Result = 0;
}

void TkvCheckBoxWnd::WndProc(TMessage& m)
{
    if (!CommonData || !SkinManager || !SkinManager->Active() || Unhooked) {
        TkvMainWnd::WndProc(m);
        return;
    }
    if (OwnerDrawn && m.Msg != WM_ERASEBKGND) {
        // An owner-drawn button draws itself: nothing of ours but the erase.
        TkvMainWnd::WndProc(m);
        return;
    }
    unsigned cmd = Command(m);
    if (cmd == SkinCmdMouseEnter || cmd == SkinCmdMouseLeave) {
        CommonData->Updating = false;
        CommonData->MouseInside = cmd == SkinCmdMouseEnter;
        CommonData->BackgroundChanged = true;
        // A WM_PAINT sent without an update region would paint into an empty clip.
        RedrawWindow(Handle, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    }
    switch (m.Msg) {
    case WM_ENABLE:
    case BM_SETCHECK:
    case BM_SETSTATE:
    case CM_TEXTCHANGED:
        if (IsWindowVisible(Handle)) {
            SendMessageW(Handle, WM_SETREDRAW, FALSE, 0);
            TkvMainWnd::WndProc(m);
            SendMessageW(Handle, WM_SETREDRAW, TRUE, 0);
            if (m.Msg == CM_TEXTCHANGED) WndText = ReadWindowText(Handle);
            InvalidateRect(Handle, nullptr, FALSE);
            UpdateWindow(Handle);
            return;
        }
        break;
    case WM_PAINT:
    case WM_PRINT:
        Paint(m);
        return;
    case WM_ERASEBKGND:
        if (OwnerDrawn && m.WParam) {
            // The parent's background under the button.
            GetWndGeometry(Handle, ParentHandle, WindowArea, PosInParent, WindowExtent, ParentRect);
            CommonData->GetWindowParentBackground(Handle, parentBg_);
            HDC dc = HDC(m.WParam);
            if (parentBg_.Ready && parentBg_.Bmp) {
                GdiFlush();
                BitBlt(dc, 0, 0, WindowExtent.cx, WindowExtent.cy, parentBg_.Bmp->Canvas().Handle(), parentBg_.X,
                       parentBg_.Y, SRCCOPY);
            } else {
                TColor fill = parentBg_.FillColor == SkinKeyColor ? DefaultBackgroundColor() : parentBg_.FillColor;
                FillRectSolid(dc, RECT{0, 0, WindowExtent.cx, WindowExtent.cy}, fill);
            }
        }
        m.Result = 1;
        return;
    case WM_NCPAINT:
        return;
    default:
        break;
    }
    TkvMainWnd::WndProc(m);
    switch (m.Msg) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        InvalidateRect(Handle, nullptr, FALSE);
        break;
    case WM_KEYDOWN:
    case WM_KEYUP:
        if (m.WParam == VK_SPACE) InvalidateRect(Handle, nullptr, FALSE);
        break;
    case WM_NCHITTEST:
        if (IsWindowEnabled(Handle) && !IsHotWindow(SkinManager, Handle)) SkinManager->SetHotWindow(Handle);
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------- TkvSpeedButtonHandler

TkvSpeedButtonHandler::TkvSpeedButtonHandler(TGraphicControl* control, TsSkinManager* skinManager,
                                             TsCommonData* commonData, const String& skinSection)
    : Control(control), SkinManager(skinManager), CommonData(commonData)
{
    if (!SkinManager && CommonData) SkinManager = CommonData->SkinManager();
    if (CommonData && IsNoSection(CommonData->SkinSection()) && !IsNoSection(skinSection))
        CommonData->SetSkinSection(skinSection);
    if (Control) hook_.Hook(Control, TWndMethod(this, &TkvSpeedButtonHandler::WndProc));
}

TkvSpeedButtonHandler::~TkvSpeedButtonHandler()
{
    if (!Detached && Control) GiveBack();
    SkinManager = nullptr;
}

void TkvSpeedButtonHandler::ControlGone()
{
    hook_.Forget();
    Control = nullptr;
    Detached = true;
}

void TkvSpeedButtonHandler::GiveBack()
{
    hook_.Unhook();
    Detached = true;
}

void TkvSpeedButtonHandler::CallSaved(TMessage& m)
{
    if (hook_.Hooked()) hook_.CallPrevious(m);
    else if (Control && !Detached) Control->WndProc(m);
}

int TkvSpeedButtonHandler::PaintState() const
{
    auto* b = dynamic_cast<TSpeedButton*>(Control);
    bool down = b && (b->State() == TButtonState::bsDown || b->State() == TButtonState::bsExclusive);
    return btngeom::SpeedButtonState(down, CommonData && CommonData->IsHot());
}

bool TkvSpeedButtonHandler::Render()
{
    if (!Control || !CommonData) return false;
    CommonData->PrepareCacheBitmap();
    TBitmap* cache = CommonData->CacheBitmap.get();
    if (!cache) return false;
    int w = Control->Width(), h = Control->Height();
    cache->Canvas().Font().Assign(&Control->Font());
    TsBgRequest answer;
    TsBgCacheInfo bg = ParentBackgroundOf(Control, answer);
    if (answer.Kind == bgBitmap && answer.Bmp && answer.Bmp->Width() == 0) return false;   // not ready
    cache->SetSize(w, h);
    int state = PaintState();
    PaintControlSkin(*CommonData, bg, -1, -1, state == 2 ? 1 : 0, cache, POINT{0, 0}, RECT{0, 0, w, h}, state);
    FillTransparentCorners(*CommonData, state, 15);
    auto* b = dynamic_cast<TSpeedButton*>(Control);
    if (b) {
        HDC dc = cache->Canvas().Handle();
        String text = b->Caption();
        SIZE ts{0, 0};
        if (!text.empty()) {
            RECT measure{0, 0, 255, 0};
            DrawTextW(dc, text.c_str(), int(text.size()), &measure, DT_CALCRECT | DT_EXPANDTABS | DT_WORDBREAK);
            ts = SIZE{measure.right, measure.bottom};
        }
        SIZE gs = b->Glyph().Empty() ? SIZE{0, 0}
                                     : SIZE{b->Glyph().Width() / std::max(1, b->NumGlyphs()), b->Glyph().Height()};
        int layout = int(b->Layout());
        RECT tr = btngeom::SpeedCaptionRect(layout, w, h, gs, ts, b->Spacing(), b->Margin(), state == 2);
        SetBkMode(dc, TRANSPARENT);
        cache->Canvas().Brush().SetStyle(TBrushStyle::bsClear);
        UINT flags = b->DrawTextBiDiModeFlags(DT_CENTER | DT_WORDBREAK | DT_EXPANDTABS) & ~UINT(DT_SINGLELINE);
        DrawCaption(*CommonData, text, b->Enabled(), state != 0, flags, tr);
        if (gs.cx > 0) {
            POINT at = btngeom::SpeedGlyphPos(layout, w, h, gs, ts, b->Spacing(), b->Margin(), state == 2);
            DrawGlyph(&b->Glyph(), b->NumGlyphs(), cache, at, state, b->Down(), b->Enabled());
        }
    }
    if (!Control->Enabled()) ApplyDisabledEffect(cache, 1, Control, POINT{0, 0}, bg);
    CommonData->BackgroundChanged = false;
    return true;
}

void TkvSpeedButtonHandler::WndProc(TMessage& m)
{
    if (Detached || !CommonData) {
        CallSaved(m);
        return;
    }
    unsigned cmd = Command(m);
    TsSkinManager* mine = SkinManager ? SkinManager : CommonData->SkinManager();
    bool ours = cmd && LPARAM(mine) == m.LParam;
    if ((cmd == SkinCmdNewSkin || cmd == SkinCmdRefresh) && ours) {
        HandleCommonMessage(m, CommonData);
        if (cmd == SkinCmdRefresh && Control && Control->Visible()) Control->Repaint();
        return;
    }
    if (cmd == SkinCmdRemoveSkin && ours && Control && !Control->Destroying()) {
        HandleCommonMessage(m, CommonData);
        if (Control->Visible()) Control->Repaint();
        GiveBack();
        return;
    }
    switch (cmd) {
    case SkinCmdParentUpdated:
        if (CommonData->Updating) {
            CommonData->Updating = false;
            if (Control) Control->Repaint();
        }
        return;
    case SkinCmdIsSkinned: m.Result = 1; return;
    case SkinCmdForceRepaint:
        CommonData->Updating = false;
        CommonData->BackgroundChanged = true;
        if (Control) Control->Repaint();
        CallSaved(m);
        return;
    case SkinCmdGetApplication: m.Result = LRESULT(Application); return;
    default: break;
    }
    if (cmd) {
        CallSaved(m);
        return;
    }
    switch (m.Msg) {
    case WM_DESTROY:
        if (!Detached) {
            // Once: the WindowProc goes back, then the message goes to it.
            TGraphicControl* c = Control;
            GiveBack();
            Control = nullptr;
            if (c) c->WindowProc(m);
        }
        return;
    case WM_PAINT: {
        HDC dc = HDC(m.WParam);
        if (!dc || !Control) return;
        int saved = SaveDC(dc);
        if (Render()) {
            FillTransparentCorners(*CommonData, 0, 15);
            TBitmap* cache = CommonData->CacheBitmap.get();
            GdiFlush();
            BitBlt(dc, 0, 0, Control->Width(), Control->Height(), cache->Canvas().Handle(), 0, 0, SRCCOPY);
        }
        RestoreDC(dc, saved);
        return;
    }
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
        CommonData->MouseInside = m.Msg == CM_MOUSEENTER;
        CommonData->BackgroundChanged = true;
        CallSaved(m);
        if (Control) Control->Repaint();
        return;
    default:
        CallSaved(m);
        return;
    }
}
