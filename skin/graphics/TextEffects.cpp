#include "skin/graphics/TextEffects.h"

#include <algorithm>
#include <cstring>

#include "skin/graphics/PixelOps.h"
#include "skin/graphics/ResampleBitmap.h"

namespace {

TsTextSkin* defaultSkin = nullptr;

// Per channel nearest(r x a + (1 - r) x b); the high byte is a's.
TColor MixColor(TColor a, TColor b, double ratio)
{
    const uint32_t ua = uint32_t(a), ub = uint32_t(b);
    uint32_t out = ua & 0xFF000000u;
    for (int shift = 0; shift <= 16; shift += 8) {
        const double ca = double(ua >> shift & 0xFF), cb = double(ub >> shift & 0xFF);
        out |= uint32_t(std::clamp<long>(RoundNearest(ratio * ca + (1 - ratio) * cb), 0, 255)) << shift;
    }
    return TColor(out);
}

// A TColor as a pixel 0x00RRGGBB.
uint32_t PixelOf(TColor c)
{
    const COLORREF v = ColorToRGB(c);
    return (v & 0xFF) << 16 | (v & 0xFF00) | (v >> 16 & 0xFF);
}

RECT Shifted(const RECT& r, int dx, int dy) { return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }

bool ValidSection(const TsTextSkin* skin, int section) { return skin && section >= 0 && skin->SectionValid(section); }

}  // namespace

int TextStateOf(const TsTextSkin* skin, int section, bool hot)
{
    // A section with fewer than two states has no hot colours of its own.
    return hot && skin && skin->StateCount(section) > 1 ? 1 : 0;
}

namespace {

// Draws text on a DC in one colour, the DC's font and background mode as they are.
void DrawTextColored(HDC dc, const String& text, RECT r, UINT format, TColor color)
{
    SetTextColor(dc, ColorToRGB(color));
    DrawTextW(dc, text.c_str(), int(text.size()), &r, format);
}

// Keeps a canvas font's colour and style over a painter and puts them back.
class FontStateGuard {
public:
    explicit FontStateGuard(TFont& f) : font_(f), color_(f.Color()), style_(f.Style()) {}
    ~FontStateGuard()
    {
        if (font_.Style() != style_) font_.SetStyle(style_);
        if (font_.Color() != color_) font_.SetColor(color_);
    }

private:
    TFont& font_;
    TColor color_;
    TFontStyles style_;
};

const int ContourDx[4] = {-1, 0, 1, 0};
const int ContourDy[4] = {0, -1, 0, 1};

}  // namespace

TsTextSkin* DefaultTextSkin() { return defaultSkin; }
void SetDefaultTextSkin(TsTextSkin* skin) { defaultSkin = skin; }

// ---------------------------------------------------------------- device-context helpers

void FillRectSolid(HDC dc, const RECT& r, TColor color)
{
    SavedDC saved(dc);
    BrushHandle b(CreateSolidBrush(ColorToRGB(color)));
    FillRect(dc, &r, b.get());
}

void FillBorderStrips(HDC dc, const RECT& r, int left, TColor color, int bottom, int right, int top)
{
    BrushHandle b(CreateSolidBrush(ColorToRGB(color)));
    RECT s{r.left, r.top, r.right, r.top + top};
    FillRect(dc, &s, b.get());
    s = RECT{r.left, r.top + top, r.left + left, r.bottom};
    FillRect(dc, &s, b.get());
    s = RECT{r.left + left, r.bottom - bottom, r.right, r.bottom};
    FillRect(dc, &s, b.get());
    s = RECT{r.right - right, r.top + top, r.right, r.bottom - bottom};
    FillRect(dc, &s, b.get());
}

void CopyBorderStrips(HDC dst, int x, int y, int w, HDC src, int srcX, int srcY, int areaWidth, int areaHeight)
{
    BitBlt(dst, x, y, w, areaHeight, src, srcX, srcY, SRCCOPY);
    BitBlt(dst, x, y, areaWidth, w, src, srcX, srcY, SRCCOPY);
    BitBlt(dst, x + areaWidth - w, y, w, areaHeight, src, srcX + areaWidth - w, srcY, SRCCOPY);
    BitBlt(dst, x, y + areaHeight - w, areaWidth, w, src, srcX, srcY + areaHeight - w, SRCCOPY);
}

void ExcludeGraphicControls(HDC dc, TWinControl* parent, int offsetX, int offsetY)
{
    if (!parent) return;
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* c = parent->Controls(i);
        if (!c->Visible() || dynamic_cast<TWinControl*>(c)) continue;
        RECT b = c->BoundsRect();
        ExcludeClipRect(dc, b.left + offsetX, b.top + offsetY, b.right + offsetX, b.bottom + offsetY);
    }
}

void CutTextToWidth(TCanvas& canvas, const String& text, int width, String& out)
{
    out = ::CutTextToWidth([&](const std::wstring& s) { return canvas.TextWidth(s); }, text, width);
}

void DrawTextDC(HDC dc, const String& text, RECT r, UINT format)
{
    DrawTextW(dc, text.c_str(), int(text.size()), &r, format);
}

int TextWidthOf(TCanvas& canvas, const String& text) { return canvas.TextExtent(text).cx; }
SIZE TextExtentOf(TCanvas& canvas, const String& text) { return canvas.TextExtent(text); }
void CanvasTextRect(TCanvas& canvas, const RECT& r, int x, int y, const String& text) { canvas.TextRect(r, x, y, text); }

SIZE GetTextSizeDC(HDC dc, const String& text)
{
    SIZE s{0, 0};
    if (!GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &s)) s = SIZE{0, 0};
    return s;
}

void MeasureTextWithFont(HFONT font, const String& text, UINT format, SIZE& size, int width, bool wrap)
{
    size = SIZE{0, 0};
    WindowDC screen(nullptr);
    HDC dc = screen.get();
    if (!dc) return;
    SelectScope select(dc, font);
    if (wrap) {
        RECT r{0, 0, width, 0};
        if (DrawTextW(dc, text.c_str(), int(text.size()), &r, format | DT_CALCRECT))
            size = SIZE{r.right - r.left, r.bottom - r.top};
    } else if (!GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &size)) {
        size = SIZE{0, 0};
    }
}

// ---------------------------------------------------------------- text painters

void TkvGlowMask::Clear()
{
    bits_.clear();
    width_ = height_ = 0;
    text_.clear();
    glowSize_ = contour_ = -1;
}

void DrawAlphaText(TBitmap* bmp, const String& text, TColor color, UINT format, const RECT& r)
{
    if (!bmp || text.empty()) return;
    const int w = r.right - r.left, h = r.bottom - r.top;
    PixelView target = bmp->View();
    if (w <= 0 || h <= 0 || target.Empty()) return;
    TBitmap work(w, h, TPixelFormat::pf32bit);
    PixelView wv = work.View();
    for (int y = 0; y < h; ++y) std::fill_n(wv.Row(y), w, 0x00FFFFFFu);
    TCanvas& c = work.Canvas();
    c.Font().Assign(&bmp->Canvas().Font());
    c.Font().SetColor(clBlack);
    c.Brush().SetStyle(TBrushStyle::bsSolid);
    c.Brush().SetColor(clWhite);
    RECT wr{0, 0, w, h};
    c.DrawText(text, wr, format);
    GdiFlush();
    MixTextInk(target, r.left, r.top, wv, PixelOf(color));
}

void DrawContourText(TBitmap* bmp, const String& text, bool contour, TsTextSkin* skin, bool hot, int section,
                     UINT format, const RECT& r)
{
    if (!bmp || text.empty() || r.right <= r.left || r.bottom <= r.top) return;
    if (!skin) skin = DefaultTextSkin();
    if (!ValidSection(skin, section)) {
        DrawAlphaText(bmp, text, bmp->Canvas().Font().Color(), format, r);
        return;
    }
    const TsTextStateColors st = skin->StateColors(section, TextStateOf(skin, section, hot));
    if (contour)
        for (int k = 0; k < 4; ++k)
            if (st.Contour[k] != -1) DrawAlphaText(bmp, text, st.Contour[k], format, Shifted(r, ContourDx[k], ContourDy[k]));
    DrawAlphaText(bmp, text, st.FontColor, format, r);
}

void DrawTextWithEffect(TBitmap* bmp, const String& text, const RECT& r, TkvGlowMask& mask, TColor glowColor,
                        int glowSize, int contourFlags, UINT format)
{
    if (!bmp || text.empty() || glowSize < 0) return;
    PixelView target = bmp->View();
    if (target.Empty()) return;
    const RECT tr = Shifted(r, 1, 1);
    const int border = glowSize + 4;
    const RECT mr{tr.left - border, tr.top - border, tr.right + border, tr.bottom + border};
    const int mw = mr.right - mr.left, mh = mr.bottom - mr.top;
    if (mw <= 0 || mh <= 0) return;

    LOGFONTW lf{};
    GetObjectW(bmp->Canvas().Font().Handle(), sizeof lf, &lf);
    const bool same = mask.width_ == mw && mask.height_ == mh && mask.text_ == text &&
                      std::memcmp(&mask.font_, &lf, sizeof lf) == 0 && mask.glowSize_ == glowSize &&
                      mask.contour_ == contourFlags && mask.format_ == format;
    if (!same) {
        TBitmap work(mw, mh, TPixelFormat::pf32bit);
        TCanvas& c = work.Canvas();
        c.Brush().SetColor(clWhite);
        c.FillRect(RECT{0, 0, mw, mh});
        c.Font().Assign(&bmp->Canvas().Font());
        c.Font().SetColor(clBlack);
        c.Brush().SetStyle(TBrushStyle::bsClear);
        const RECT at{border, border, border + (tr.right - tr.left), border + (tr.bottom - tr.top)};
        for (int k = 0; k < 4; ++k)
            if (contourFlags & (1 << k)) {
                RECT s = Shifted(at, ContourDx[k], ContourDy[k]);
                c.DrawText(text, s, format);
            }
        RECT centre = at;
        c.DrawText(text, centre, format);
        GdiFlush();
        PixelView wv = work.View();
        mask.bits_.assign(size_t(mw) * size_t(mh), 255);
        for (int y = 0; y < mh; ++y) {
            const uint32_t* s = wv.Row(y);
            uint8_t* d = mask.bits_.data() + size_t(y) * size_t(mw);
            for (int x = 0; x < mw; ++x) {
                const uint32_t p = s[x];
                d[x] = uint8_t(((p & 0xFF) + (p >> 8 & 0xFF) + (p >> 16 & 0xFF)) / 3);
            }
        }
        mask.width_ = mw;
        mask.height_ = mh;
        mask.text_ = text;
        mask.font_ = lf;
        mask.glowSize_ = glowSize;
        mask.contour_ = contourFlags;
        mask.format_ = format;
        ++mask.builds_;
        BlurMask8(mask.View(), double(glowSize));
    }
    ApplyGlowMask(target, mr.left, mr.top, mask.View(), PixelOf(glowColor));
}

void DrawSectionTextEx(TCanvas& canvas, const String& text, bool enabled, TsTextSkin* skin, bool hot, int section,
                       UINT format, RECT r)
{
    if (text.empty() || !canvas.Handle()) return;
    if (!skin) skin = DefaultTextSkin();
    FontStateGuard fontGuard(canvas.Font());
    RECT probe{};
    canvas.DrawText(L"", probe, DT_CALCRECT);   // selects the canvas's font
    HDC dc = canvas.Handle();
    SavedDC saved(dc);
    SetBkMode(dc, TRANSPARENT);
    TColor color = canvas.Font().Color();
    if (ValidSection(skin, section)) {
        if (enabled) {
            const TsTextStateColors st = skin->StateColors(section, TextStateOf(skin, section, hot));
            for (int k = 0; k < 4; ++k)
                if (st.Contour[k] != -1) DrawTextColored(dc, text, Shifted(r, ContourDx[k], ContourDy[k]), format, st.Contour[k]);
            color = st.FontColor;
        } else {
            color = MixColor(ColorToRGB(skin->StateColors(section, 0).FontColor), ColorToRGB(skin->SecondBackColor(section)),
                             0.4);
        }
    }
    DrawTextColored(dc, text, r, format, color);
}

void DrawSectionText(TCanvas& canvas, const String& text, bool enabled, TsTextSkin* skin, bool hot, int section,
                     UINT format, RECT r)
{
    DrawSectionTextEx(canvas, text, enabled, skin, hot, section, format, r);
}

void DrawControlTextEx(TCanvas& canvas, const String& text, bool enabled, bool hot, const TsControlTextData& data,
                       UINT format, RECT r)
{
    if (text.empty() || !canvas.Handle()) return;
    TsTextSkin* skin = data.Skin;
    FontStateGuard fontGuard(canvas.Font());
    int section = data.Section;
    if (hot && ValidSection(skin, section) && section == skin->WebButtonSection())
        canvas.Font().SetStyle(canvas.Font().Style() | fsUnderline);
    RECT probe{};
    canvas.DrawText(L"", probe, DT_CALCRECT);   // selects the font as it is now
    HDC dc = canvas.Handle();
    SavedDC saved(dc);
    IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
    SetBkMode(dc, TRANSPARENT);

    if (!skin) {
        if (enabled) {
            DrawTextColored(dc, text, r, format, canvas.Font().Color());
        } else {
            // Engraved: a highlight one pixel down and right under the shadow colour.
            DrawTextColored(dc, text, Shifted(r, 1, 1), format, clBtnHighlight);
            DrawTextColored(dc, text, r, format, clBtnShadow);
        }
        return;
    }
    if (!data.CustomFont && section >= 0) {
        const bool transparentKind = data.Kind == ControlKindCheckBox || data.Kind == ControlKindRadioButton ||
                                     data.Kind == ControlKindGroupBox || !data.Windowed;
        if (transparentKind && data.HasParent && ValidSection(skin, section) && skin->Transparency(section) > 0 &&
            data.FindFontSection)
            section = data.FindFontSection();
    }
    if (!ValidSection(skin, section)) {
        DrawTextColored(dc, text, r, format, canvas.Font().Color());
        return;
    }
    const TsTextStateColors st = skin->StateColors(section, TextStateOf(skin, section, hot));
    auto recolour = [&](TColor c) {
        uint32_t v = uint32_t(ColorToRGB(c));
        if (data.HueOffset != 0) v = px::ChangeColorHue(v, data.HueOffset);
        if (data.Saturation != 0) v = px::ChangeColorSaturation(v, data.Saturation);
        return TColor(v & 0xFFFFFFu);
    };
    if (data.Cache && st.GlowSize > 0) {
        // Without a kept mask the glow is drawn from a mask made for this paint only.
        TkvGlowMask once;
        GdiFlush();
        DrawTextWithEffect(data.Cache, text, r, data.GlowMask ? *data.GlowMask : once, recolour(st.GlowColor),
                           st.GlowSize, cfAll, format);
    }
    if (!enabled) {
        const TColor c = recolour(MixColor(ColorToRGB(st.FontColor), ColorToRGB(skin->GlobalColor()), 0.4));
        DrawTextColored(dc, text, r, format, c);
        return;
    }
    if (data.CustomFont) {
        DrawTextColored(dc, text, r, format | DT_NOCLIP, canvas.Font().Color());
        return;
    }
    for (int k = 0; k < 4; ++k)
        if (st.Contour[k] != -1)
            DrawTextColored(dc, text, Shifted(r, ContourDx[k], ContourDy[k]), format | DT_NOCLIP,
                            recolour(st.Contour[k]));
    DrawTextColored(dc, text, r, format | DT_NOCLIP, recolour(st.FontColor));
}

void DrawControlText(TCanvas& canvas, const String& text, bool enabled, bool hot, const TsControlTextData& data,
                     UINT format, RECT r)
{
    DrawControlTextEx(canvas, text, enabled, hot, data, format, r);
}

// ---------------------------------------------------------------- frames, layout, pictures

void DrawBevelFrame(HDC dc, RECT r, TColor topLeft, int& width, TColor bottomRight)
{
    PenHandle p1(CreatePen(PS_SOLID, 1, ColorToRGB(topLeft)));
    PenHandle p2(CreatePen(PS_SOLID, 1, ColorToRGB(bottomRight)));
    SelectScope pen(dc, p1.get()), brush(dc, GetStockObject(NULL_BRUSH));
    --r.right;
    --r.bottom;
    while (width > 0) {
        --width;
        SelectObject(dc, p1.get());
        POINT a[3] = {{r.left, r.bottom}, {r.left, r.top}, {r.right, r.top}};
        Polyline(dc, a, 3);
        SelectObject(dc, p2.get());
        POINT b[3] = {{r.right, r.top}, {r.right, r.bottom}, {r.left - 1, r.bottom}};
        Polyline(dc, b, 3);
        InflateRect(&r, -1, -1);
    }
}

void DrawDottedFrame(TCanvas& canvas, const RECT& r, TColor colorA, TColor colorB)
{
    HDC dc = canvas.Handle();
    if (!dc) return;
    // Dots that would fall outside r (at its right or bottom edge) are not drawn.
    auto dot = [&](int x, int y, TColor c) {
        if (c != DottedFrameSkip && x >= r.left && x < r.right && y >= r.top && y < r.bottom)
            SetPixel(dc, x, y, ColorToRGB(c));
    };
    const int w = r.right - r.left, h = r.bottom - r.top;
    for (int i = 0; i < w / 2; ++i) {
        const int x = r.left + 2 * i + 2;
        dot(x, r.top, colorB);
        dot(x, r.bottom - 1, colorB);
        dot(x - 1, r.top, colorA);
        dot(x - 1, r.bottom - 1, colorA);
    }
    for (int i = 0; i < h / 2; ++i) {
        const int y = r.top + 2 * i + 2;
        dot(r.left, y, colorB);
        dot(r.right - 1, y, colorB);
        dot(r.left, y - 1, colorA);
        dot(r.right - 1, y - 1, colorA);
    }
}

void CalcButtonLayout(const RECT& client, SIZE glyph, SIZE text, int flags, RECT& textRect, POINT& glyphPos,
                      int spacing, int margin, int alignment, int layout)
{
    const TkvButtonPlacement p =
        CalcButtonPlacement(ToPixRect(client),
                            glyph.cx, glyph.cy, text.cx, text.cy, flags, spacing, margin, alignment, layout);
    textRect = RECT{p.TextRect.left, p.TextRect.top, p.TextRect.right, p.TextRect.bottom};
    glyphPos = POINT{p.GlyphX, p.GlyphY};
}

void TilePicture(TCanvas& canvas, const RECT& r, TGraphic* picture)
{
    if (!picture || picture->Empty() || !canvas.Handle() || r.right <= r.left || r.bottom <= r.top) return;
    const int pw = picture->Width(), ph = picture->Height();
    if (pw <= 0 || ph <= 0) return;
    if (auto* bmp = dynamic_cast<TBitmap*>(picture)) {
        HDC src = bmp->Canvas().Handle();
        for (int y = r.top; y < r.bottom; y += ph)
            for (int x = r.left; x < r.right; x += pw)
                BitBlt(canvas.Handle(), x, y, std::min<int>(pw, r.right - x), std::min<int>(ph, r.bottom - y), src, 0, 0,
                       SRCCOPY);
        return;
    }
    HDC dc = canvas.Handle();
    SavedDC saved(dc);
    IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
    const int cols = (r.right - r.left) / pw + 1, rows = (r.bottom - r.top) / ph + 1;
    for (int j = 0; j < rows; ++j)
        for (int i = 0; i < cols; ++i) canvas.Draw(r.left + i * pw, r.top + j * ph, picture);
}
