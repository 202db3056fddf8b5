#include "skin/graphics/PixelOps.h"

#include <algorithm>
#include <cmath>

namespace px {

Background EmptyBackground()
{
    Background b;
    b.x = b.y = -99;
    return b;
}

Background SelfBackground(const PixelView& dst, int x, int y)
{
    Background b;
    b.bmp = dst;
    b.bmpIsDest = true;
    b.x = x;
    b.y = y;
    b.ready = true;
    return b;
}

namespace {

using pixel::A;
using pixel::B;
using pixel::G;
using pixel::Pack;
using pixel::R;
inline int Clamp255(long v) { return int(std::clamp<long>(v, 0, 255)); }
inline int Nearest(double v) { return int(std::lround(v)); }

Rect Clip(Rect r, const PixelView& v)
{
    r.left = std::max(r.left, 0);
    r.top = std::max(r.top, 0);
    r.right = std::min(r.right, v.width);
    r.bottom = std::min(r.bottom, v.height);
    return r;
}

// Calls f(pixel) for every pixel of r that lies in the view.
template <class F>
void EachPixelIn(const PixelView& v, Rect r, F f)
{
    if (v.Empty()) return;
    r = Clip(r, v);
    for (int y = r.top; y < r.bottom; ++y) {
        uint32_t* row = v.Row(y);
        for (int x = r.left; x < r.right; ++x) f(row[x]);
    }
}


// The common run of two rects: both starts move together, the run is limited
// to what remains of each view.
struct Run {
    int dx, dy, sx, sy, w, h;
};
bool CommonRun(Rect dr, Rect sr, const PixelView& dst, const PixelView& src, Run& run)
{
    if (dst.Empty() || src.Empty()) return false;
    int w = std::min(dr.Width(), sr.Width()), h = std::min(dr.Height(), sr.Height());
    int dx = dr.left, dy = dr.top, sx = sr.left, sy = sr.top;
    if (dx < 0) { sx -= dx; w += dx; dx = 0; }
    if (sx < 0) { dx -= sx; w += sx; sx = 0; }
    if (dy < 0) { sy -= dy; h += dy; dy = 0; }
    if (sy < 0) { dy -= sy; h += sy; sy = 0; }
    w = std::min({w, dst.width - dx, src.width - sx});
    h = std::min({h, dst.height - dy, src.height - sy});
    if (w <= 0 || h <= 0) return false;
    run = {dx, dy, sx, sy, w, h};
    return true;
}

enum class SeeThrough { Done, Skip, EndRow };
// Parent see-through for the key pixel at destination (x, y): returns the parent
// pixel through out, or says to leave the pixel (Skip) or the rest of the row (EndRow).
SeeThrough ParentPixel(const Background& bg, int x, int y, uint32_t& out)
{
    const PixelView& p = bg.bmp;
    int px = x + bg.x, py = y + bg.y;
    if (py >= p.height || px < 0) return SeeThrough::Skip;
    if (px >= p.width || py < 0) return SeeThrough::EndRow;
    out = p.At(px, py);
    return SeeThrough::Done;
}

// Weight 255 (an opaque pixel) counts as the whole 256: otherwise an opaque
// source would come out one step darker (255 x 255 shr 8 = 254).
inline int FullWeight(int w) { return w == 255 ? 256 : w; }

inline uint32_t BlendStep(uint32_t s, uint32_t d, int w, int alpha)
{
    w = FullWeight(w);
    int r = (R(s) * w + R(d) * (256 - w)) >> 8;
    int g = (G(s) * w + G(d) * (256 - w)) >> 8;
    int b = (B(s) * w + B(d) * (256 - w)) >> 8;
    return Pack(r, g, b, alpha);
}

struct Colorizer {
    double r, g, b;
    explicit Colorizer(uint32_t color)
        : r((color & 255) / 255.0), g(((color >> 8) & 255) / 255.0), b(((color >> 16) & 255) / 255.0) {}
    uint32_t Apply(uint32_t s, uint32_t d, int w, int alpha) const
    {
        w = FullWeight(w);
        int l = (R(s) + G(s) + B(s)) / 3;
        int tr = Clamp255(Nearest(l * r)), tg = Clamp255(Nearest(l * g)), tb = Clamp255(Nearest(l * b));
        int nr = R(d) + (((tr - R(d)) * w) >> 8);
        int ng = G(d) + (((tg - G(d)) * w) >> 8);
        int nb = B(d) + (((tb - B(d)) * w) >> 8);
        return Pack(nr, ng, nb, alpha);
    }
};

bool SameSize(const PixelView& a, const PixelView& b)
{
    return a.width == b.width && a.height == b.height;
}

}  // namespace

uint32_t ExchangeRedBlue(uint32_t c) { return (c & 0xFF00FF00u) | ((c & 255) << 16) | ((c >> 16) & 255); }

uint32_t ByteSwap32(uint32_t v)
{
    return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}

void PremultiplyRect(const PixelView& v, Rect r)
{
    EachPixelIn(v, r, [](uint32_t& p) {
        if (p == 0x00FFFFFFu) {
            p = 0;
            return;
        }
        int a = A(p);
        if (a == 255) return;   // opaque pixels stay as they are (255 x c shr 8 would darken them)
        p = Pack((R(p) * a) >> 8, (G(p) * a) >> 8, (B(p) * a) >> 8, a);
    });
}

void ForEachPixel32(const PixelView& v, PixelProc proc, intptr_t user, uint32_t key)
{
    if (v.Empty() || !proc) return;
    bool keyed = key != NoColor;
    for (int y = 0; y < v.height; ++y) {
        uint32_t* row = v.Row(y);
        for (int x = 0; x < v.width; ++x)
            if (!keyed || row[x] != key) proc(&row[x], user);
    }
}

void FillRect32(const PixelView& v, Rect r, uint32_t color, uint8_t alpha)
{
    if (v.Empty()) return;
    r = Clip(r, v);
    uint32_t p = (uint32_t(alpha) << 24) | (ExchangeRedBlue(color) & 0xFFFFFF);
    for (int y = r.top; y < r.bottom; ++y) std::fill(v.Row(y) + r.left, v.Row(y) + std::max(r.left, r.right), p);
}

void FillFrame32(const PixelView& v, Rect r, int left, int top, int right, int bottom, uint32_t color)
{
    FillRect32(v, {r.left, r.top, r.right, r.top + top}, color, 255);
    FillRect32(v, {r.left, r.top + top, r.left + left, r.bottom}, color, 255);
    FillRect32(v, {r.left + left, r.bottom - bottom, r.right, r.bottom}, color, 255);
    FillRect32(v, {r.right - right, r.top + top, r.right, r.bottom - bottom}, color, 255);
}

void TintRect32(const PixelView& v, Rect r, uint32_t color, uint8_t alpha, int percent)
{
    uint32_t c = ExchangeRedBlue(color);
    auto ch = [&](int val, int cc) { return Clamp255(Nearest(val - percent * (val - cc) / 100.0)); };
    EachPixelIn(v, r, [&](uint32_t& p) { p = Pack(ch(R(p), R(c)), ch(G(p), G(c)), ch(B(p), B(c)), alpha); });
}

void BlendRectColor(const PixelView& v, Rect r, uint32_t color, int percent)
{
    uint32_t c = ExchangeRedBlue(color);
    double p = percent / 100.0;
    auto ch = [&](int val, int cc) { return Clamp255(Nearest(p * val + (1 - p) * cc)); };
    EachPixelIn(v, r, [&](uint32_t& px) { px = Pack(ch(R(px), R(c)), ch(G(px), G(c)), ch(B(px), B(c)), A(px)); });
}

void SetAlphaInRect(const PixelView& v, Rect r, uint8_t alpha, uint32_t key)
{
    EachPixelIn(v, r, [&](uint32_t& p) {
        if (key == NoColor || p != key) p = (p & 0xFFFFFF) | (uint32_t(alpha) << 24);
    });
}

void GrayscaleRect(const PixelView& v, Rect r)
{
    EachPixelIn(v, r, [](uint32_t& p) {
        int l = (R(p) + G(p) + B(p)) / 3;
        p = Pack(l, l, l, A(p));
    });
}

void CopySkipPixel(const PixelView& dst, const PixelView& src, int x, int y, uint32_t keyPixel, bool compare24)
{
    Run run;
    if (!CommonRun({x, y, x + src.width, y + src.height}, {0, 0, src.width, src.height}, dst, src, run)) return;
    uint32_t mask = compare24 ? 0xFFFFFFu : 0xFFFFFFFFu;
    keyPixel &= mask;
    for (int j = 0; j < run.h; ++j) {
        const uint32_t* s = src.Row(run.sy + j) + run.sx;
        uint32_t* d = dst.Row(run.dy + j) + run.dx;
        for (int i = 0; i < run.w; ++i)
            if ((s[i] & mask) != keyPixel) d[i] = s[i] | 0xFF000000u;
    }
}

void CopyRectSkipColor(const PixelView& dst, const PixelView& src, int x, int y, uint32_t color, Rect sr)
{
    if (dst.Empty() || src.Empty()) return;
    sr = Clip(sr, src);
    uint32_t key = ExchangeRedBlue(color);
    for (int sy = sr.top; sy < sr.bottom; ++sy) {
        int dy = y + sy - sr.top;
        if (dy < 0 || dy >= dst.height) continue;
        const uint32_t* s = src.Row(sy);
        uint32_t* d = dst.Row(dy);
        for (int sx = sr.left; sx < sr.right; ++sx) {
            int dx = x + sx - sr.left;
            if (dx < 0 || dx >= dst.width || s[sx] == key) continue;
            d[dx] = s[sx];
        }
    }
}

void CopyKeyedToCache(const PixelView& dst, const PixelView& src, int x, int y, bool useParent,
                      const Background& bg, uint32_t key, Rect sr)
{
    if (dst.Empty() || src.Empty()) return;
    sr = Clip(sr, src);
    bool withParent = useParent && bg.ready && !bg.bmp.Empty();
    uint32_t fill = ExchangeRedBlue(bg.fillColor) & 0xFFFFFF;
    for (int sy = sr.top; sy < sr.bottom; ++sy) {
        int dy = y + sy - sr.top;
        if (dy < 0 || dy >= dst.height) continue;
        const uint32_t* s = src.Row(sy);
        uint32_t* d = dst.Row(dy);
        for (int sx = sr.left; sx < sr.right; ++sx) {
            int dx = x + sx - sr.left;
            if (dx < 0 || dx >= dst.width) continue;
            uint32_t p = s[sx];
            bool isKey = p == key;
            if (withParent) {
                if (bg.bmpIsDest) {
                    if (!isKey) d[dx] = p | 0xFF000000u;
                } else if (!isKey) {
                    d[dx] = p;
                } else {
                    uint32_t parent;
                    SeeThrough st = ParentPixel(bg, dx, dy, parent);
                    if (st == SeeThrough::EndRow) break;
                    if (st == SeeThrough::Done) d[dx] = parent;
                }
            } else if (bg.ready) {
                if (!isKey) d[dx] = p;
            } else {
                d[dx] = isKey ? fill : p;
            }
        }
    }
}

void CopyByKeyColor(const PixelView& dst, const PixelView& src, Rect dr, int srcX, int srcY, const PixelView* mask,
                    int maskRefX, int maskRefY)
{
    if (dst.Empty() || src.Empty() || srcX < 0 || srcY < 0) return;
    int w = std::min(dr.Width(), src.width - srcX), h = std::min(dr.Height(), src.height - srcY);
    for (int j = 0; j < h; ++j) {
        int dy = dr.top + j;
        if (dy < 0 || dy >= dst.height) continue;
        uint32_t* d = dst.Row(dy);
        const uint32_t* s = src.Row(srcY + j);
        for (int i = 0; i < w; ++i) {
            int dx = dr.left + i;
            if (dx < 0 || dx >= dst.width) continue;
            uint32_t test;
            if (mask) {
                int mx = maskRefX + i, my = maskRefY + j;
                if (!mask->Contains(mx, my)) continue;
                test = mask->At(mx, my);
            } else {
                test = d[dx];
            }
            if ((test & 0xFFFFFF) == KeyColor) d[dx] = s[srcX + i];
        }
    }
}

void BlendBitmapMasked(Rect dr, Rect sr, const PixelView& dst, const PixelView& src, const Background& bg,
                       bool useParent, uint32_t color, int transparency, bool reflected)
{
    Run run;
    if (!CommonRun(dr, sr, dst, src, run)) return;
    int t = std::clamp(transparency, 0, 100);
    bool colored = color != NoColor;
    Colorizer colorizer(colored ? color : 0);
    bool keyTest = bg.ready;
    bool seeThrough = useParent && bg.ready && !bg.bmp.Empty();
    bool raiseAlpha = !colored && t == 0;
    for (int j = 0; j < run.h; ++j) {
        const uint32_t* s = src.Row(run.sy + j) + run.sx;
        int dy = run.dy + j;
        uint32_t* d = dst.Row(dy) + run.dx;
        for (int i = 0; i < run.w; ++i) {
            uint32_t sp = s[i], dp = d[i];
            if (keyTest && sp == KeyColor) {
                if (!seeThrough) continue;
                uint32_t parent;
                SeeThrough st = ParentPixel(bg, run.dx + i, dy, parent);
                if (st == SeeThrough::EndRow) break;
                if (st == SeeThrough::Done) d[i] = (parent & 0xFFFFFF) | (dp & 0xFF000000u);
                continue;
            }
            int sa = A(sp);
            int w = t > 0 ? (100 - t) * sa / 100 : sa;
            int alpha = raiseAlpha ? std::max(A(dp), sa) : A(dp);
            d[i] = colored ? colorizer.Apply(sp, dp, w, alpha) : BlendStep(sp, dp, w, alpha);
        }
    }
    if (!reflected) return;
    // A mirrored, fading copy below the drawn rows.
    int srcH = sr.Height();
    int bottom = run.dy + run.h, srcBottom = run.sy + run.h;
    int q = std::min(srcH / 2 - 1, dst.height - bottom - 1);
    if (q < 1) return;
    int drop = colored ? 255 / std::max(1, srcH / 2) : 255 / std::max(1, srcH);
    int f = 255;
    for (int n = 1; n <= q; ++n, f -= drop) {
        int srow = srcBottom - n - 1;
        if (srow < std::max(run.sy, 0)) break;   // reads stay inside the source rect
        const uint32_t* s = src.Row(srow) + run.sx;
        uint32_t* d = dst.Row(bottom + n) + run.dx;
        for (int i = 0; i < run.w; ++i) {
            uint32_t sp = s[i];
            if (sp == KeyColor) continue;
            int w0 = ((A(sp) * (q - n) / q) * std::max(f, 0)) >> 10;
            if (t > 0) w0 = (100 - t) * w0 / 100;
            d[i] = colored ? colorizer.Apply(sp, d[i], w0, A(d[i])) : BlendStep(sp, d[i], w0, A(d[i]));
        }
    }
}

void BlendMaskImage(Rect dr, Rect sr, const PixelView& dst, const PixelView& src, int maskRectHeight, bool useParent,
                    const Background& bg)
{
    Run run;
    if (!CommonRun(dr, sr, dst, src, run)) return;
    int offset = std::max(maskRectHeight, 0) / 2;
    run.h = std::min(run.h, src.height - offset - run.sy);   // mask rows stay inside the source
    if (run.h <= 0) return;
    bool seeThrough = useParent && bg.ready && !bg.bmp.Empty();
    uint32_t fill = ExchangeRedBlue(bg.fillColor);
    for (int j = 0; j < run.h; ++j) {
        const uint32_t* s = src.Row(run.sy + j) + run.sx;
        const uint32_t* m = src.Row(run.sy + j + offset) + run.sx;
        int dy = run.dy + j;
        uint32_t* d = dst.Row(dy) + run.dx;
        for (int i = 0; i < run.w; ++i) {
            uint32_t p = s[i], mp = m[i], dp = d[i];
            bool isKey = p == KeyColor;
            if (isKey && useParent) {
                if (bg.ready) {
                    if (seeThrough) {
                        uint32_t parent;
                        SeeThrough st = ParentPixel(bg, run.dx + i, dy, parent);
                        if (st == SeeThrough::EndRow) break;
                        if (st == SeeThrough::Done) d[i] = parent | 0xFF000000u;
                        continue;
                    }
                } else {
                    d[i] = fill;
                    continue;
                }
            } else if (isKey && !bg.ready) {
                continue;
            }
            int r = R(p) + (((R(dp) - R(p)) * R(mp)) >> 8);
            int g = G(p) + (((G(dp) - G(p)) * G(mp)) >> 8);
            int b = B(p) + (((B(dp) - B(p)) * B(mp)) >> 8);
            d[i] = Pack(r, g, b, bg.ready ? 255 : A(dp));
        }
    }
}

void BlendAlphaRect(Rect dr, Rect sr, const PixelView& dst, const PixelView& src, bool useParent,
                    const Background& bg)
{
    Run run;
    if (!CommonRun(dr, sr, dst, src, run)) return;
    bool seeThrough = useParent && bg.ready && !bg.bmp.Empty();
    for (int j = 0; j < run.h; ++j) {
        const uint32_t* s = src.Row(run.sy + j) + run.sx;
        int dy = run.dy + j;
        uint32_t* d = dst.Row(dy) + run.dx;
        for (int i = 0; i < run.w; ++i) {
            uint32_t sp = s[i], dp = d[i];
            if (bg.ready && sp == KeyColor) {
                if (!seeThrough) continue;
                uint32_t parent;
                SeeThrough st = ParentPixel(bg, run.dx + i, dy, parent);
                if (st == SeeThrough::EndRow) break;
                if (st == SeeThrough::Done) d[i] = parent | 0xFF000000u;
                continue;
            }
            int sa = A(sp), da = A(dp);
            if (sa > 0) da = da + sa * (255 - da) / 255;
            d[i] = BlendStep(sp, dp, sa, da);
        }
    }
}

void BlendBitmapByRatio(const PixelView& dst, int x, int y, const PixelView& src, Rect sr, uint32_t key, double ratio)
{
    if (dst.Empty() || src.Empty()) return;
    sr = Clip(sr, src);
    auto ch = [&](int s, int d) { return Clamp255(Nearest(s - (s - d) * ratio)); };
    for (int sy = sr.top; sy < sr.bottom; ++sy) {
        int dy = y + sy - sr.top;
        if (dy >= dst.height) return;
        if (dy < 0) continue;
        const uint32_t* s = src.Row(sy);
        uint32_t* d = dst.Row(dy);
        for (int sx = sr.left; sx < sr.right; ++sx) {
            int dx = x + sx - sr.left;
            if (dx < 0 || dx >= dst.width || s[sx] == key) continue;
            uint32_t sp = s[sx], dp = d[dx];
            d[dx] = Pack(ch(R(sp), R(dp)), ch(G(sp), G(dp)), ch(B(sp), B(dp)), A(dp));
        }
    }
}

void MixBitmapAt(const PixelView& dst, const PixelView& src, int x, int y, Rect sr, uint8_t weight)
{
    Run run;
    if (!CommonRun({x, y, x + sr.Width(), y + sr.Height()}, sr, dst, src, run)) return;
    int w = weight;
    for (int j = 0; j < run.h; ++j) {
        const uint32_t* s = src.Row(run.sy + j) + run.sx;
        uint32_t* d = dst.Row(run.dy + j) + run.dx;
        for (int i = 0; i < run.w; ++i) {
            uint32_t sp = s[i], dp = d[i];
            int r = (w * (R(dp) - R(sp)) + R(sp) * 256) >> 8;
            int g = (w * (G(dp) - G(sp)) + G(sp) * 256) >> 8;
            int b = (w * (B(dp) - B(sp)) + B(sp) * 256) >> 8;
            d[i] = Pack(r, g, b, A(dp));
        }
    }
}

void MixBitmapWithColor(const PixelView& v, uint32_t color, double ratio)
{
    if (v.Empty()) return;
    uint32_t c = ExchangeRedBlue(color);
    auto ch = [&](int val, int cc) { return Clamp255(Nearest(ratio * (val - cc) + cc)); };
    for (int y = 0; y < v.height; ++y) {
        uint32_t* row = v.Row(y);
        for (int x = 0; x < v.width; ++x) {
            uint32_t p = row[x];
            if (p == KeyColor) continue;
            row[x] = Pack(ch(R(p), R(c)), ch(G(p), G(c)), ch(B(p), B(c)), A(p));
        }
    }
}

void MultiplyByMask(const PixelView& v, const PixelView& mask, uint32_t color)
{
    if (v.Empty() || !SameSize(v, mask)) return;
    uint32_t c = ExchangeRedBlue(color);
    auto ch = [](int val, int cc, int m) { return cc + (val - cc) * m / 256; };
    for (int y = 0; y < v.height; ++y) {
        uint32_t* row = v.Row(y);
        const uint32_t* m = mask.Row(y);
        for (int x = 0; x < v.width; ++x) {
            uint32_t p = row[x], mp = m[x];
            row[x] = Pack(ch(R(p), R(c), R(mp)), ch(G(p), G(c), G(mp)), ch(B(p), B(c), B(mp)), A(p));
        }
    }
}

namespace {
template <class Weight>
void MixRows(const PixelView& res, const PixelView& a, const PixelView& b, Weight weight)
{
    if (res.Empty() || !SameSize(res, a) || !SameSize(res, b)) return;
    for (int y = 0; y < res.height; ++y) {
        uint32_t* r = res.Row(y);
        const uint32_t* p = a.Row(y);
        const uint32_t* q = b.Row(y);
        for (int x = 0; x < res.width; ++x) {
            uint32_t f = p[x], s = q[x], w = weight(x, y);
            int wr = int(R(w)), wg = int(G(w)), wb = int(B(w));
            int nr = ((R(f) - R(s)) * wr + R(s) * 256) >> 8;
            int ng = ((G(f) - G(s)) * wg + G(s) * 256) >> 8;
            int nb = ((B(f) - B(s)) * wb + B(s) * 256) >> 8;
            r[x] = (r[x] & 0xFF000000u) | (Pack(nr, ng, nb, 0) & 0xFFFFFF);
        }
    }
}
}  // namespace

void MixBitmaps(const PixelView& result, const PixelView& first, const PixelView& second, uint8_t weight)
{
    uint32_t w = 0x010101u * weight;
    MixRows(result, first, second, [w](int, int) { return w; });
}

void MixBitmaps(const PixelView& result, const PixelView& first, const PixelView& second, const PixelView& weights)
{
    if (!SameSize(result, weights)) return;
    MixRows(result, first, second, [&weights](int x, int y) { return weights.At(x, y); });
}

void ZeroWhitePixels(const PixelView& v)
{
    if (v.Empty()) return;
    for (int y = 0; y < v.height; ++y) {
        uint32_t* row = v.Row(y);
        for (int x = 0; x < v.width; ++x)
            if (row[x] == 0x00FFFFFFu) row[x] = 0;
    }
}

uint32_t MixColors(uint32_t c1, uint32_t c2, double r)
{
    auto ch = [&](int sh) {
        return uint32_t(Clamp255(Nearest(r * ((c1 >> sh) & 255) + (1 - r) * ((c2 >> sh) & 255)))) << sh;
    };
    return (c1 & 0xFF000000u) | ch(0) | ch(8) | ch(16);
}

uint32_t ChangePixelSaturation(uint32_t p, int s)
{
    if (s == 0) return p;
    double l = (R(p) + G(p) + B(p)) / 3.0;
    auto ch = [&](int v) { return Clamp255(Nearest(v - (l - v) * s / 100.0)); };
    return Pack(ch(R(p)), ch(G(p)), ch(B(p)), A(p));
}

uint32_t ChangePixelHue(uint32_t p, int h)
{
    if (h == 0) return p;
    int r = R(p), g = G(p), b = B(p);
    int mx = std::max({r, g, b}), mn = std::min({r, g, b});
    double v = mx, s = mx == 0 ? 0.0 : double(mx - mn) / mx;
    if (s == 0) return (p & 0xFF00FFFFu) | (uint32_t(mx) << 16);
    double delta = mx - mn, hue;
    if (r == mx) hue = (g - b) / delta;
    else if (g == mx) hue = 2 + (b - r) / delta;
    else hue = 4 + (r - g) / delta;
    hue *= 60;
    if (hue < 0) hue += 360;
    long nh = std::lround(h + hue) % 360;
    if (nh < 0) nh += 360;
    double sector = nh / 60.0;
    int i = int(sector);
    double f = sector - i;
    auto c = [](double x) { return Clamp255(Nearest(x)); };
    int pp = c(v * (1 - s)), qq = c(v * (1 - s * f)), tt = c(v * (1 - s * (1 - f))), vv = c(v);
    int nr, ng, nb;
    switch (i) {
    case 0: nr = vv; ng = tt; nb = pp; break;
    case 1: nr = qq; ng = vv; nb = pp; break;
    case 2: nr = pp; ng = vv; nb = tt; break;
    case 3: nr = pp; ng = qq; nb = vv; break;
    case 4: nr = tt; ng = pp; nb = vv; break;
    default: nr = vv; ng = pp; nb = qq; break;
    }
    return Pack(nr, ng, nb, A(p));
}

uint32_t ChangeColorHue(uint32_t color, int degrees)
{
    if (degrees == 0) return color;
    return ExchangeRedBlue(ChangePixelHue(ExchangeRedBlue(color), degrees));
}

uint32_t ChangeColorSaturation(uint32_t color, int change) { return ChangePixelSaturation(color, change); }

void HuePixelProc(uint32_t* pixel, intptr_t degrees) { *pixel = ChangePixelHue(*pixel, int(degrees)); }
void SaturationPixelProc(uint32_t* pixel, intptr_t change) { *pixel = ChangePixelSaturation(*pixel, int(change)); }

}  // namespace px
