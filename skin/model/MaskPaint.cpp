// Nine-part borders, mask frames, region runs, the nine-part copy of a plain
// picture, button glyphs and channel copies (see MaskPaint.h).
#include "skin/model/MaskPaint.h"

#include <algorithm>
#include <cmath>

#include "skin/graphics/Gradients.h"
#include "skin/graphics/Resample.h"

namespace skinpaint {
namespace {

using pixel::A;
using pixel::B;
using pixel::G;
using pixel::Pack;
using pixel::R;

using px::Intersect;
using px::Sized;
using px::WholeOf;

// The picture pixel p blended into d through the grey value set m (per
// channel): d := p + (d - p) * m / 256.
inline uint32_t GreyBlend(uint32_t p, uint32_t d, uint32_t m, int alpha)
{
    int r = R(p) + (((R(d) - R(p)) * R(m)) >> 8);
    int g = G(p) + (((G(d) - G(p)) * G(m)) >> 8);
    int b = B(p) + (((B(d) - B(p)) * B(m)) >> 8);
    return Pack(r, g, b, alpha);
}

// Alpha kept by the alpha-keeping painters for a blended pixel.
inline int KeptAlpha(uint32_t d, uint32_t m) { return std::max(A(d), 255 - R(m)); }

// Margins of a mask as the border painters use them: its own four, or its
// border width when all four are 0. A margin of 0 is a part of no width, which
// the painters skip (a mask with side margins 0 is all top, centre and bottom).
struct Margins {
    int l, t, r, b;
};
Margins MaskMargins(const TsMaskData& m)
{
    if (m.MarginLeft <= 0 && m.MarginTop <= 0 && m.MarginRight <= 0 && m.MarginBottom <= 0 && m.BorderWidth > 0)
        return {m.BorderWidth, m.BorderWidth, m.BorderWidth, m.BorderWidth};
    return {std::max(0, int(m.MarginLeft)), std::max(0, int(m.MarginTop)), std::max(0, int(m.MarginRight)),
            std::max(0, int(m.MarginBottom))};
}

// A rect narrower than the two margins takes the overlap half from each side,
// the odd pixel from the far margin.
void SplitOverlap(int& first, int& second, int size)
{
    int h = first + second - size;
    if (h <= 0) return;
    first = std::max(0, first - h / 2);
    second = std::max(0, second - h / 2 - (h % 2));
}

// Key pixels of the alpha-keeping painters: the background pixel with a ready
// parent bitmap (when see-through is allowed), else the pixel turns transparent.
inline void AlphaKeyPixel(uint32_t& d, int x, int y, bool useParent, const Background& bg)
{
    if (useParent && bg.ready && !bg.bmp.Empty()) {
        Point p = ParentPoint(bg, x, y);
        if (bg.bmp.Contains(p.x, p.y)) {
            d = bg.bmp.At(p.x, p.y);
            return;
        }
    }
    d &= 0x00FFFFFFu;
}

// Picture rect sr (its grey rows maskOffset below) blended into dr, alpha kept.
void BlendGreyAlpha(const PixelView& dst, Rect dr, const PixelView& src, Rect sr, int maskOffset, bool useParent,
                    const Background& bg)
{
    int w = std::min(dr.Width(), sr.Width()), h = std::min(dr.Height(), sr.Height());
    for (int j = 0; j < h; ++j) {
        int dy = dr.top + j, sy = sr.top + j;
        if (dy < 0 || dy >= dst.height || sy < 0 || sy + maskOffset >= src.height) continue;
        for (int i = 0; i < w; ++i) {
            int dx = dr.left + i, sx = sr.left + i;
            if (dx < 0 || dx >= dst.width || sx < 0 || sx >= src.width) continue;
            uint32_t p = src.At(sx, sy), m = src.At(sx, sy + maskOffset);
            uint32_t& d = dst.At(dx, dy);
            if (p == KeyColor)
                AlphaKeyPixel(d, dx, dy, useParent, bg);
            else
                d = GreyBlend(p, d, m, KeptAlpha(d, m));
        }
    }
}

// A corner of a plain mask with alpha kept: key pixels as above, others copied opaque.
void CopyKeyedAlpha(const PixelView& dst, Rect dr, const PixelView& src, Rect sr, bool useParent, const Background& bg)
{
    int w = std::min(dr.Width(), sr.Width()), h = std::min(dr.Height(), sr.Height());
    for (int j = 0; j < h; ++j) {
        int dy = dr.top + j, sy = sr.top + j;
        if (dy < 0 || dy >= dst.height || sy < 0 || sy >= src.height) continue;
        for (int i = 0; i < w; ++i) {
            int dx = dr.left + i, sx = sr.left + i;
            if (dx < 0 || dx >= dst.width || sx < 0 || sx >= src.width) continue;
            uint32_t p = src.At(sx, sy);
            uint32_t& d = dst.At(dx, dy);
            if (p == KeyColor)
                AlphaKeyPixel(d, dx, dy, useParent, bg);
            else
                d = p | 0xFF000000u;
        }
    }
}

PixelView SubView(const PixelView& v, Rect r)
{
    r = Intersect(r, WholeOf(v));
    if (r.Empty()) return {};
    return PixelView{v.Row(r.top) + r.left, v.stride, r.Width(), r.Height()};
}

// Resampling with the library's mask filter; a one-pixel side is doubled first.
void ResampleInto(const PixelView& src, const PixelView& dst)
{
    PixelBitmap doubled = WorkBitmap(std::max(src.width, 2), std::max(src.height, 2));
    PixelView from = src;
    if (src.width < 2 || src.height < 2) {
        StretchNearest(doubled.View(), WholeOf(doubled.View()), src, WholeOf(src));
        from = doubled.View();
    }
    ResamplePixels(from, dst, rfMitchell);
}

// A grey-masked part stretched from sr to dr.
void StretchGrey(const PixelView& dst, Rect dr, const PixelView& src, Rect sr, int maskOffset, bool centre,
                 bool keepAlpha)
{
    if (dr.left < 0 || dr.top < 0 || dr.Empty() || sr.Empty() || dst.width <= 1 || dst.height <= 1) return;
    if (dr.left >= dst.width || dr.top >= dst.height) return;
    // Work bitmaps are as large as the target; a target far beyond any bitmap is not painted.
    if (dr.Width() > ImageLimits::kMaxSide || dr.Height() > ImageLimits::kMaxSide) return;
    Rect mr{sr.left, sr.top + maskOffset, sr.right, sr.bottom + maskOffset};
    if (Intersect(sr, WholeOf(src)).Width() != sr.Width() || Intersect(sr, WholeOf(src)).Height() != sr.Height() ||
        Intersect(mr, WholeOf(src)).Height() != mr.Height())
        return;
    if (centre && sr.Width() == 1 && sr.Height() == 1) {
        uint32_t p = src.At(sr.left, sr.top), m = src.At(sr.left, mr.top);
        int mv = R(m);
        if (mv == 255) return;
        Rect vis = Intersect(dr, WholeOf(dst));
        for (int y = vis.top; y < vis.bottom; ++y)
            for (int x = vis.left; x < vis.right; ++x) {
                uint32_t& d = dst.At(x, y);
                if (mv == 0)
                    d = p | 0xFF000000u;
                else
                    d = GreyBlend(p, d, 0x010101u * uint32_t(mv), keepAlpha ? std::max(A(d), 255 - mv) : 255);
            }
        return;
    }
    int dw = dr.Width(), dh = dr.Height(), sw = sr.Width(), sh = sr.Height();
    PixelBitmap pic = WorkBitmap(dw, dh), mask = WorkBitmap(dw, dh);
    bool filtered = centre || (dw < sw && dh == sh) || (dh < sh && dw == sw);
    if (filtered) {
        ResampleInto(SubView(src, sr), pic.View());
        ResampleInto(SubView(src, mr), mask.View());
    } else {
        StretchNearest(pic.View(), WholeOf(pic.View()), src, sr);
        StretchNearest(mask.View(), WholeOf(mask.View()), src, mr);
    }
    int visH = std::min(dh, dst.height - dr.top), visW = std::min(dw, dst.width - dr.left);
    for (int j = 0; j < visH; ++j) {
        const uint32_t* p = pic.View().Row(j);
        const uint32_t* m = mask.View().Row(j);
        uint32_t* d = dst.Row(dr.top + j) + dr.left;
        for (int i = 0; i < visW; ++i) {
            if ((p[i] & 0xFFFFFFu) == KeyColor) {
                if (keepAlpha) d[i] &= 0x00FFFFFFu;
                continue;
            }
            d[i] = GreyBlend(p[i], d[i], m[i], keepAlpha ? KeptAlpha(d[i], m[i]) : 255);
        }
    }
}

// One part of the nine: where it goes, where it comes from, and what it is.
struct Part {
    Rect dst, src;
    bool corner, centre;
};

void NineParts(const PixelView& dst, Rect r, const TsSkinTables& t, bool useParent, int state, int maskIndex,
               const Background& bg, bool keepAlpha)
{
    if (dst.Empty() || !t.IsMaskIndexValid(maskIndex)) return;
    const TsMaskData& m = t.Masks[size_t(maskIndex)];
    if (state == 0 && (m.PaintFlags & 2)) return;
    if (r.Width() < 2 || r.Height() < 2) return;
    MaskSource ms = MaskSourceOf(t, maskIndex);
    if (ms.view.Empty() || ms.rect.Empty()) return;

    Margins mg = MaskMargins(m);
    SplitOverlap(mg.l, mg.r, r.Width());
    SplitOverlap(mg.t, mg.b, r.Height());
    int fw = FrameWidthOf(m), sh = StateHeightOf(m);
    int fx = ms.rect.left + FrameOfState(m, state) * fw, fy = ms.rect.top;
    int cw = fw - mg.l - mg.r, ch = sh - mg.t - mg.b;
    if (cw < 0 || ch < 0 || fw <= 0 || sh <= 0) return;
    // Every source part stays inside the mask's (clipped) rect and frame.
    Rect frame = Intersect(Sized(fx, fy, fw, sh), ms.rect);

    int il = r.left + mg.l, it = r.top + mg.t, ir = r.right - mg.r, ib = r.bottom - mg.b;
    const Part parts[9] = {
        {Sized(r.left, r.top, mg.l, mg.t), Sized(fx, fy, mg.l, mg.t), true, false},
        {Rect{r.left, it, il, ib}, Sized(fx, fy + mg.t, mg.l, ch), false, false},
        {Rect{il, r.top, ir, it}, Sized(fx + mg.l, fy, cw, mg.t), false, false},
        {Sized(r.left, ib, mg.l, mg.b), Sized(fx, fy + sh - mg.b, mg.l, mg.b), true, false},
        {Rect{il, ib, ir, r.bottom}, Sized(fx + mg.l, fy + sh - mg.b, cw, mg.b), false, false},
        {Sized(ir, ib, mg.r, mg.b), Sized(fx + fw - mg.r, fy + sh - mg.b, mg.r, mg.b), true, false},
        {Sized(ir, r.top, mg.r, mg.t), Sized(fx + fw - mg.r, fy, mg.r, mg.t), true, false},
        {Rect{ir, it, r.right, ib}, Sized(fx + fw - mg.r, fy + mg.t, mg.r, ch), false, false},
        {Rect{il, it, ir, ib}, Sized(fx + mg.l, fy + mg.t, cw, ch), false, true},
    };
    bool stretch = m.PaintFlags & 1;
    bool grey = m.StateLayout > 0;
    int offset = GreyMaskRowOffset(m);
    bool cornerParent = useParent && m.CornerTransparency > 0;
    Background none = EmptyBackground();
    const Background& pxBg = bg;
    const Background& pxNone = none;

    for (const Part& p : parts) {
        if (p.centre && !(m.PaintFlags & 4)) continue;
        Rect sr = Intersect(p.src, frame);
        if (sr.Width() != p.src.Width() || sr.Height() != p.src.Height()) continue;
        if (p.dst.Empty() || sr.Empty()) continue;   // zero-size parts are skipped
        if (p.corner) {
            if (!grey) {
                if (keepAlpha)
                    CopyKeyedAlpha(dst, p.dst, ms.view, sr, cornerParent, bg);
                else
                    px::CopyKeyedToCache(dst, ms.view, p.dst.left, p.dst.top, cornerParent, pxBg, KeyColor, sr);
            } else if (keepAlpha) {
                BlendGreyAlpha(dst, p.dst, ms.view, sr, offset, cornerParent, bg);
            } else {
                px::BlendMaskImage(p.dst, sr, dst, ms.view, 2 * offset, cornerParent, pxBg);
            }
            continue;
        }
        if (stretch) {
            if (grey)
                StretchGrey(dst, p.dst, ms.view, sr, offset, p.centre, keepAlpha);
            else
                StretchNearest(dst, p.dst, ms.view, sr);
            continue;
        }
        if (!grey) {
            TilePixels(dst, p.dst, ms.view, sr);
            continue;
        }
        Rect vis = Intersect(p.dst, WholeOf(dst));
        if (vis.Empty()) continue;
        int tw = sr.Width(), th = sr.Height();
        int x0 = p.dst.left + (vis.left - p.dst.left) / tw * tw, y0 = p.dst.top + (vis.top - p.dst.top) / th * th;
        for (int y = y0; y < vis.bottom; y += th)
            for (int x = x0; x < vis.right; x += tw) {
                Rect tile = Intersect(Sized(x, y, tw, th), p.dst);
                if (keepAlpha)
                    BlendGreyAlpha(dst, tile, ms.view, sr, offset, false, none);
                else
                    px::BlendMaskImage(tile, sr, dst, ms.view, 2 * offset, false, pxNone);
            }
    }
}

}  // namespace

// ---------------------------------------------------------------- rules and records

int EffectiveFrameCount(const TsMaskData& m) { return m.FrameCount <= 0 ? 1 : m.FrameCount; }
int FrameWidthOf(const TsMaskData& m) { return std::max(0, m.SourceRect.Width()) / EffectiveFrameCount(m); }
int GreyMaskRowOffset(const TsMaskData& m)
{
    int h = std::max(0, m.SourceRect.Height());
    return m.StateLayout <= 0 ? h : h / (m.StateLayout + 1);
}
int StateHeightOf(const TsMaskData& m) { return GreyMaskRowOffset(m); }
int FrameOfState(const TsMaskData& m, int state)
{
    return std::clamp(state, 0, EffectiveFrameCount(m) - 1);
}
int PercentToWeight(int percent) { return std::clamp(int(RoundNearest(percent * 2.55)), 0, 255); }
const TsGenState& SecondBackgroundValues(const TsGeneralData& s) { return s.Props[1]; }

PixelView ViewOf(const PixelBitmap* b)
{
    if (!b) return {};
    return b->View();
}

MaskSource MaskSourceOf(const TsSkinTables& t, int maskIndex)
{
    MaskSource s;
    if (!t.IsMaskIndexValid(maskIndex)) return s;
    const TsMaskData& m = t.Masks[size_t(maskIndex)];
    s.view = ViewOf(t.MaskBitmap(maskIndex));
    const Rect full = m.SourceRect;
    s.rect = Intersect(full, WholeOf(s.view));
    if (s.rect.Empty()) s.rect = {};
    s.ownCovers = !m.Bmp || (s.rect.left == full.left && s.rect.top == full.top && s.rect.right == full.right &&
                             s.rect.bottom == full.bottom);
    return s;
}

// ---------------------------------------------------------------- copies

void StretchNearest(const PixelView& dst, Rect dr, const PixelView& src, Rect sr)
{
    if (dst.Empty() || src.Empty() || dr.Empty() || sr.Empty()) return;
    int dw = dr.Width(), dh = dr.Height(), sw = sr.Width(), sh = sr.Height();
    // Only the part of the target inside dst is visited (the mapping uses the whole target).
    int j0 = std::max(0, -dr.top), j1 = std::min(dh, dst.height - dr.top);
    int i0 = std::max(0, -dr.left), i1 = std::min(dw, dst.width - dr.left);
    for (int j = j0; j < j1; ++j) {
        int sy = sr.top + NearestSourceIndex(j, sh, dh);
        if (sy < 0 || sy >= src.height) continue;
        const uint32_t* s = src.Row(sy);
        uint32_t* d = dst.Row(dr.top + j);
        for (int i = i0; i < i1; ++i) {
            int sx = sr.left + NearestSourceIndex(i, sw, dw);
            if (sx >= 0 && sx < src.width) d[dr.left + i] = s[sx];
        }
    }
}

void CopyPixels(const PixelView& dst, Rect dr, const PixelView& src, int sx, int sy)
{
    if (dst.Empty() || src.Empty()) return;
    int w = dr.Width(), h = dr.Height(), dx = dr.left, dy = dr.top;
    if (dx < 0) { sx -= dx; w += dx; dx = 0; }
    if (dy < 0) { sy -= dy; h += dy; dy = 0; }
    if (sx < 0) { dx -= sx; w += sx; sx = 0; }
    if (sy < 0) { dy -= sy; h += sy; sy = 0; }
    w = std::min({w, dst.width - dx, src.width - sx});
    h = std::min({h, dst.height - dy, src.height - sy});
    if (w <= 0 || h <= 0) return;
    for (int j = 0; j < h; ++j) std::copy_n(src.Row(sy + j) + sx, w, dst.Row(dy + j) + dx);
}

void TilePixels(const PixelView& dst, Rect dr, const PixelView& src, Rect sr)
{
    if (dst.Empty() || src.Empty() || dr.Empty() || sr.Empty()) return;
    Rect clipped = Intersect(dr, WholeOf(dst));
    if (clipped.Empty()) return;
    int tw = sr.Width(), th = sr.Height();
    // Start at the first tile that reaches the visible part (no hang on huge rects).
    int x0 = dr.left + std::max(0, (clipped.left - dr.left) / tw) * tw;
    int y0 = dr.top + std::max(0, (clipped.top - dr.top) / th) * th;
    for (int y = y0; y < clipped.bottom; y += th)
        for (int x = x0; x < clipped.right; x += tw) {
            Rect tile = Intersect(Sized(x, y, tw, th), clipped);
            CopyPixels(dst, tile, src, sr.left + tile.left - x, sr.top + tile.top - y);
        }
}

// ---------------------------------------------------------------- nine parts

void PaintMaskNineParts32(const PixelView& dst, Rect r, int, const TsSkinTables& t, bool useParent, int state,
                          int mask, const Background& bg)
{
    NineParts(dst, r, t, useParent, state, mask, bg, false);
}

void PaintMaskNineParts32Alpha(const PixelView& dst, Rect r, int, const TsSkinTables& t, bool useParent, int state,
                               int mask, const Background& bg)
{
    NineParts(dst, r, t, useParent, state, mask, bg, true);
}

// ---------------------------------------------------------------- mask frames

void DrawMaskFrame32(const PixelView& dst, Point p, int state, const Background& bg, const TsSkinTables& t, int mask,
                     int mode)
{
    if (dst.Empty() || !t.IsMaskIndexValid(mask)) return;
    const TsMaskData& m = t.Masks[size_t(mask)];
    MaskSource ms = MaskSourceOf(t, mask);
    if (ms.view.Empty() || ms.rect.Empty()) return;
    int fw = FrameWidthOf(m), sh = StateHeightOf(m);
    if (fw <= 0 || sh <= 0) return;
    Rect src = Intersect(Sized(ms.rect.left + FrameOfState(m, state) * fw, ms.rect.top, fw, sh), ms.rect);
    if (p.x < 0) { src.left -= p.x; p.x = 0; }
    if (p.y < 0) { src.top -= p.y; p.y = 0; }
    if (src.Empty()) return;

    if (m.Bmp || m.StateLayout > 0) {
        if (m.Bmp && !ms.ownCovers) return;
        if (m.StateLayout <= 0) {
            px::CopyRectSkipColor(dst, ms.view, p.x, p.y, KeyColor, src);
            return;
        }
        int offset = GreyMaskRowOffset(m);
        for (int j = 0; j < src.Height(); ++j) {
            int dy = p.y + j, sy = src.top + j;
            if (dy >= dst.height || sy + offset >= ms.view.height) break;
            for (int i = 0; i < src.Width(); ++i) {
                int dx = p.x + i, sx = src.left + i;
                if (dx >= dst.width) break;
                uint32_t pic = ms.view.At(sx, sy), mk = ms.view.At(sx, sy + offset);
                if ((pic & 0xFFFFFFu) == KeyColor || R(mk) == 255) continue;
                uint32_t mm = mk;
                if (mode != 1) {
                    auto faint = [](int v) { return std::min(v + 100, 255); };
                    mm = Pack(faint(R(mk)), faint(G(mk)), faint(B(mk)), 0);
                }
                uint32_t& d = dst.At(dx, dy);
                int a = A(d) + (((255 - A(d)) * (255 - R(mk))) >> 8);
                d = GreyBlend(pic, d, mm, a);
            }
        }
        return;
    }
    if (mode == 1)
        px::CopyKeyedToCache(dst, ms.view, p.x, p.y, true, bg, KeyColor, src);
    else
        px::BlendBitmapByRatio(dst, p.x, p.y, ms.view, src, KeyColor, 0.5);
}

// ---------------------------------------------------------------- region runs

void CollectMaskRegionRects(std::vector<Rect>& out, int windowWidth, const TsSkinTables& t, int mask, bool bottom,
                            int rowOffset)
{
    if (!t.IsMaskIndexValid(mask)) return;
    const TsMaskData& m = t.Masks[size_t(mask)];
    MaskSource ms = MaskSourceOf(t, mask);
    if (ms.view.Empty() || ms.rect.Empty()) return;
    Margins mg = MaskMargins(m);
    int fw = FrameWidthOf(m), sh = StateHeightOf(m);
    // Rows and columns beyond the mask's state and frame hold nothing to scan.
    mg.l = std::min(mg.l, fw);
    mg.r = std::min(mg.r, fw);
    mg.t = std::min(mg.t, sh);
    mg.b = std::min(mg.b, sh);
    int rows = bottom ? mg.b : mg.t;
    int first = bottom ? sh - mg.b : 0;
    auto scan = [&](int srcCol, int count, int placeAt, int row) {
        int sy = ms.rect.top + first + row;
        if (sy < ms.rect.top || sy >= ms.rect.bottom || sy >= ms.rect.top + sh) return;
        int runStart = -1;
        for (int c = 0; c <= count; ++c) {
            int sx = ms.rect.left + srcCol + c;
            bool key = c < count && sx >= ms.rect.left && sx < ms.rect.right && sx < ms.rect.left + fw &&
                       (ms.view.At(sx, sy) & 0xFFFFFFu) == KeyColor;
            if (key && runStart < 0) runStart = c;
            if (!key && runStart >= 0) {
                int top = rowOffset + row;
                out.push_back(Rect{placeAt + runStart, top, placeAt + c, top + 1});
                runStart = -1;
            }
        }
    };
    for (int row = 0; row < rows; ++row) scan(0, std::min(mg.l, fw), 0, row);
    for (int row = 0; row < rows; ++row) scan(fw - mg.r, std::min(mg.r, fw), windowWidth - fw + (fw - mg.r), row);
}

// ---------------------------------------------------------------- corner fill

void FillMaskCorners(const PixelView& cache, const TsSkinTables& t, int mask, int state, int corners,
                     const PixelView& parent, int parentX, int parentY, uint32_t color)
{
    if (cache.Empty() || !t.IsMaskIndexValid(mask)) return;
    bool fromParent = !parent.Empty();
    if (!fromParent && color == KeyColor) return;
    const TsMaskData& m = t.Masks[size_t(mask)];
    MaskSource ms = MaskSourceOf(t, mask);
    if (ms.view.Empty() || ms.rect.Empty()) return;
    Margins mg = MaskMargins(m);
    int fw = FrameWidthOf(m), sh = StateHeightOf(m);
    if (fw <= 0 || sh <= 0) return;
    int fx = ms.rect.left + FrameOfState(m, state) * fw, fy = ms.rect.top;
    Rect frame = Intersect(Sized(fx, fy, fw, sh), ms.rect);
    uint32_t fill = px::ExchangeRedBlue(color) & 0xFFFFFFu;
    // Only the part of a corner that lies both in the cache and in the mask's
    // frame is visited: declared margins may be far larger than either.
    auto corner = [&](int flag, int dx, int dy, int sx, int sy, int w, int h) {
        if (!(corners & flag) || w <= 0 || h <= 0) return;
        int i0 = std::max({0, -dx, frame.left - sx}), i1 = std::min({w, cache.width - dx, frame.right - sx});
        int j0 = std::max({0, -dy, frame.top - sy}), j1 = std::min({h, cache.height - dy, frame.bottom - sy});
        for (int j = j0; j < j1; ++j)
            for (int i = i0; i < i1; ++i) {
                int x = dx + i, y = dy + j;
                if ((ms.view.At(sx + i, sy + j) & 0xFFFFFFu) != KeyColor) continue;
                if (fromParent) {
                    int px = x + parentX, py = y + parentY;
                    if (parent.Contains(px, py)) cache.At(x, y) = parent.At(px, py) & 0xFFFFFFu;
                } else {
                    cache.At(x, y) = fill;
                }
            }
    };
    int w = cache.width, h = cache.height;
    corner(cfTopLeft, 0, 0, fx, fy, mg.l, mg.t);
    corner(cfBottomLeft, 0, h - mg.b, fx, fy + sh - mg.b, mg.l, mg.b);
    corner(cfTopRight, w - mg.r, 0, fx + fw - mg.r, fy, mg.r, mg.t);
    corner(cfBottomRight, w - mg.r, h - mg.b, fx + fw - mg.r, fy + sh - mg.b, mg.r, mg.b);
}

// ---------------------------------------------------------------- nine-part copy

void CopyBitmapNineParts(const PixelView& dst, const PixelView& src, Rect dr, bool centre, int centreMode,
                         Rect edgeModes, Rect inner, Rect outer, Rect sr)
{
    if (dst.Empty() || src.Empty() || dr.Empty()) return;
    sr = Intersect(sr, WholeOf(src));
    if (sr.Empty()) return;
    // inner / outer hold margin widths in left, top, right, bottom.
    int cl = std::min(inner.left, outer.left), ct = std::min(inner.top, outer.top);
    int cr = std::min(inner.right, outer.right), cb = std::min(inner.bottom, outer.bottom);
    int ol = outer.left, ot = outer.top, orr = outer.right, ob = outer.bottom;
    int sw = sr.Width(), sh = sr.Height(), dw = dr.Width(), dh = dr.Height();
    auto copy = [&](Rect d, int sx, int sy) {
        if (d.Empty()) return;
        CopyPixels(dst, d, src, sx, sy);
    };
    // Corners 1:1, each as large as the smaller margin set.
    copy(Sized(dr.left, dr.top, cl, ct), sr.left, sr.top);
    copy(Sized(dr.right - cr, dr.top, cr, ct), sr.right - cr, sr.top);
    copy(Sized(dr.left, dr.bottom - cb, cl, cb), sr.left, sr.bottom - cb);
    copy(Sized(dr.right - cr, dr.bottom - cb, cr, cb), sr.right - cr, sr.bottom - cb);
    // Where the outer margin is larger, the rest of it along the edge 1:1 too.
    if (ot > ct) {
        copy(Sized(dr.left, dr.top + ct, cl, ot - ct), sr.left, sr.top + ct);
        copy(Sized(dr.right - cr, dr.top + ct, cr, ot - ct), sr.right - cr, sr.top + ct);
    }
    if (ob > cb) {
        copy(Sized(dr.left, dr.bottom - ob, cl, ob - cb), sr.left, sr.bottom - ob);
        copy(Sized(dr.right - cr, dr.bottom - ob, cr, ob - cb), sr.right - cr, sr.bottom - ob);
    }
    if (ol > cl) {
        copy(Sized(dr.left + cl, dr.top, ol - cl, ct), sr.left + cl, sr.top);
        copy(Sized(dr.left + cl, dr.bottom - cb, ol - cl, cb), sr.left + cl, sr.bottom - cb);
    }
    if (orr > cr) {
        copy(Sized(dr.right - orr, dr.top, orr - cr, ct), sr.right - orr, sr.top);
        copy(Sized(dr.right - orr, dr.bottom - cb, orr - cr, cb), sr.right - orr, sr.bottom - cb);
    }
    // Edges between the outer margins, tiled (0) or stretched (1) by their own mode.
    int esw = sw - ol - orr, esh = sh - ot - ob;
    auto edge = [&](int mode, Rect d, Rect s) {
        if (d.Empty() || s.Empty()) return;   // an edge of source length 0 is skipped
        if (mode == 1)
            StretchNearest(dst, d, src, s);
        else if (mode == 0)
            TilePixels(dst, d, src, s);
    };
    int il = dr.left + ol, ir = dr.right - orr, it = dr.top + ot, ib = dr.bottom - ob;
    if (esh > 0) {
        edge(edgeModes.left, Rect{dr.left, it, dr.left + cl, ib}, Sized(sr.left, sr.top + ot, cl, esh));
        edge(edgeModes.right, Rect{dr.right - cr, it, dr.right, ib}, Sized(sr.right - cr, sr.top + ot, cr, esh));
    }
    if (esw > 0) {
        edge(edgeModes.top, Rect{il, dr.top, ir, dr.top + ct}, Sized(sr.left + ol, sr.top, esw, ct));
        edge(edgeModes.bottom, Rect{il, dr.bottom - cb, ir, dr.bottom}, Sized(sr.left + ol, sr.bottom - cb, esw, cb));
    }
    // The centre reaches the edges' inner side: the edges are as thick as the
    // smaller margins, so where an outer margin is larger the band between the
    // two margins belongs to the centre (source and destination alike).
    int csw = sw - cl - cr, csh = sh - ct - cb;
    if (centre && csw > 0 && csh > 0 && dw > 0 && dh > 0)
        edge(centreMode, Rect{dr.left + cl, dr.top + ct, dr.right - cr, dr.bottom - cb},
             Sized(sr.left + cl, sr.top + ct, csw, csh));
}

// ---------------------------------------------------------------- glyphs

int GlyphFrameFor(int type, int state, int frames, bool sixteenColours)
{
    switch (type) {
    case gtNormal: return 0;
    case gtDisabled: return sixteenColours ? 0 : std::min(1, frames - 1);
    case gtHot: {
        int f = state + 2;
        if (f >= 0 && f < frames) return f;
        return sixteenColours ? 0 : std::min(1, frames - 1);
    }
    case gtDown: return frames >= 4 ? 3 : 0;
    default: return 0;
    }
}

void DrawButtonGlyph32(const PixelView& glyph, bool sixteen, const PixelView& dst, Rect r, int state,
                       int blendPercent, int type, int effectFlags, bool frameFlag, int frameCount)
{
    if (glyph.Empty() || dst.Empty()) return;
    int frames = std::max(frameCount, 1);
    int fw = glyph.width / frames;
    if (fw <= 0) return;
    // The glyph in an opaque 32-bit work bitmap, so colours compare on all 32 bits.
    PixelBitmap work = WorkBitmap(glyph.width, glyph.height);
    const PixelView& w = work.View();
    for (int y = 0; y < w.height; ++y)
        for (int x = 0; x < w.width; ++x) w.At(x, y) = glyph.At(x, y) | 0xFF000000u;
    const uint32_t key = 0xFF000000u | KeyColor;
    auto colorOf = [](uint32_t pixel) { return px::ExchangeRedBlue(pixel); };   // as a colour value
    auto transparentOf = [&](int frame) { return w.At(frame * fw, w.height - 1); };
    int x = r.left, y = r.top;
    auto frameRect = [&](int f) { return Rect{f * fw, 0, f * fw + fw, w.height}; };
    if (frames == 1) {
        uint32_t tp = transparentOf(0);
        if (frameFlag) {
            if (type == gtNormal && blendPercent > 0)
                px::BlendBitmapByRatio(dst, x, y, w, frameRect(0), key, blendPercent / 100.0);
            else
                px::CopyRectSkipColor(dst, w, x, y, colorOf(tp), frameRect(0));
            return;
        }
        if (effectFlags & 2) {
            // Grey first; the transparent colour stays.
            for (int j = 0; j < w.height; ++j)
                for (int i = 0; i < w.width; ++i) {
                    uint32_t& p = w.At(i, j);
                    if (p == tp) continue;
                    int l = (R(p) + G(p) + B(p)) / 3;
                    p = Pack(l, l, l, 255);
                }
        }
        if (effectFlags & 1)
            px::BlendBitmapByRatio(dst, x, y, w, frameRect(0), tp, 0.5);
        else
            px::CopyRectSkipColor(dst, w, x, y, colorOf(tp), frameRect(0));
        return;
    }
    int frame = 0;
    if (frameFlag) {
        frame = GlyphFrameFor(type, state, frames, sixteen);
    } else if (type == gtNormal && blendPercent > 0) {
        px::BlendBitmapByRatio(dst, x, y, w, frameRect(0), key, blendPercent / 100.0);
        return;
    }
    px::CopyRectSkipColor(dst, w, x, y, colorOf(transparentOf(frameFlag ? frame : 0)), frameRect(frame));
}

// ---------------------------------------------------------------- channels

void CopyChannel8(const PixelView& bmp, const BytePixelView& mask, int channel, bool toMask)
{
    if (bmp.Empty() || mask.Empty() || channel < 0 || channel > 3) return;
    int w = std::min(bmp.width, mask.width), h = std::min(bmp.height, mask.height);
    int shift = channel * 8;
    for (int y = 0; y < h; ++y) {
        uint32_t* p = bmp.Row(y);
        uint8_t* m = mask.Row(y);
        for (int x = 0; x < w; ++x) {
            if (toMask)
                m[x] = uint8_t(p[x] >> shift);
            else
                p[x] = (p[x] & ~(0xFFu << shift)) | (uint32_t(m[x]) << shift);
        }
    }
}

}  // namespace skinpaint
