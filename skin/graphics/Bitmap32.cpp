#include "skin/graphics/Bitmap32.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "skin/graphics/SkinCommands.h"

int CheckBoxWidth = 13, CheckBoxHeight = 13;

namespace {

PixelView View32(TBitmap* b) { return b ? b->View() : PixelView{}; }

// The routines whose rectangles the library gives with right and bottom
// inclusive take them so; the pixel layer's rects are half-open.
px::Rect FromInclusive(const RECT& r)
{
    auto next = [](LONG v) { return v == LONG(INT32_MAX) ? INT32_MAX : int(v) + 1; };
    return px::Rect{int(r.left), int(r.top), next(r.right), next(r.bottom)};
}

void Ensure32(TBitmap* b)
{
    if (b && b->PixelFormat() != TPixelFormat::pf32bit) b->SetPixelFormat(TPixelFormat::pf32bit);
}

int unitCounter = 0;

}  // namespace

px::Background BackgroundOf(const TsBgCacheInfo& info, TBitmap* dst)
{
    px::Background bg;
    if (info.Bmp && info.Bmp->PixelFormat() == TPixelFormat::pf32bit && info.Bmp->Width() > 0 &&
        info.Bmp->Height() > 0)
        bg.bmp = info.Bmp->View();   // flushes pending GDI drawing
    bg.bmpIsDest = info.Bmp && info.Bmp == dst;
    bg.x = info.X;
    bg.y = info.Y;
    bg.fillColor = (info.FillColor & clSystemColor) ? uint32_t(ColorToRGB(info.FillColor)) : uint32_t(info.FillColor);
    std::copy(std::begin(info.FrameWidths), std::end(info.FrameWidths), bg.frameWidths);
    bg.ready = info.Ready;
    return bg;
}

std::unique_ptr<TBitmap> NewBitmap32(int width, int height)
{
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(TPixelFormat::pf32bit);
    b->SetSize(width, height);
    return b;
}

TBitmap* NewBitmapLike(TBitmap* bmp)
{
    auto* b = new TBitmap();
    if (bmp) {
        b->SetPixelFormat(bmp->PixelFormat());
        b->SetSize(bmp->Width(), bmp->Height());
    }
    return b;
}

uint32_t GetPixel32(TBitmap* bmp, int x, int y) { return bmp->View().At(x, y); }
void SetPixel32(TBitmap* bmp, int x, int y, uint32_t value) { bmp->View().At(x, y) = value; }

void PremultiplyRect(TBitmap* bmp, const RECT& r) { px::PremultiplyRect(View32(bmp), ToPixRect(r)); }

void PremultiplyBitmap(TBitmap* bmp)
{
    if (bmp) px::PremultiplyRect(View32(bmp), {0, 0, bmp->Width(), bmp->Height()});
}

void ForEachPixel32(TBitmap* bmp, px::PixelProc proc, intptr_t user, uint32_t key)
{
    px::ForEachPixel32(View32(bmp), proc, user, key);
}

void FillRect32(TBitmap* bmp, const RECT& r, TColor color, uint8_t alpha)
{
    px::FillRect32(View32(bmp), ToPixRect(r), uint32_t(color), alpha);
}

void FillFrame32(TBitmap* bmp, const RECT& r, int left, int top, int right, int bottom, TColor color)
{
    px::FillFrame32(View32(bmp), ToPixRect(r), left, top, right, bottom, uint32_t(color));
}

void TintRect32(TBitmap* bmp, const RECT& r, TColor color, uint8_t alpha, int percent)
{
    px::TintRect32(View32(bmp), ToPixRect(r), uint32_t(color), alpha, percent);
}

void BlendRectColor(TBitmap* bmp, const RECT& r, TColor color, int percent)
{
    px::BlendRectColor(View32(bmp), FromInclusive(r), uint32_t(color), percent);
}

void SetAlphaInRect(TBitmap* bmp, const RECT& r, uint8_t alpha, uint32_t key)
{
    px::SetAlphaInRect(View32(bmp), ToPixRect(r), alpha, key);
}

void CopyByKeyColor(TBitmap* dst, TBitmap* src, const RECT& dstRect, int cornerType, const TsCornerMask* mask,
                    POINT srcPoint)
{
    if (!dst || !src) return;
    if (!mask || !mask->Bmp) {
        px::CopyByKeyColor(View32(dst), View32(src), ToPixRect(dstRect), srcPoint.x, srcPoint.y, nullptr, 0, 0);
        return;
    }
    int x = mask->Rect.left, y = mask->Rect.top;
    if (cornerType == 14 || cornerType == 17) x += mask->FrameWidth - mask->RightMargin;
    if (cornerType == 16 || cornerType == 17) y += mask->StateHeight - mask->BottomMargin;
    PixelView m = View32(mask->Bmp);
    px::CopyByKeyColor(View32(dst), View32(src), ToPixRect(dstRect), srcPoint.x, srcPoint.y, &m, x, y);
}

void CopyBitmapSkipColor(TBitmap* dst, TBitmap* src, int x, int y, TColor color)
{
    if (!dst || !src) return;
    uint32_t key = ExchangeRedBlue(uint32_t(color)) & 0xFFFFFF;
    if (src->PixelFormat() == TPixelFormat::pf32bit) {
        px::CopySkipPixel(View32(dst), View32(src), x, y, key, false);
        return;
    }
    // Other depths compare on their 24 bits.
    TBitmap copy;
    copy.Assign(src);
    copy.SetPixelFormat(TPixelFormat::pf24bit);
    copy.SetPixelFormat(TPixelFormat::pf32bit);
    px::CopySkipPixel(View32(dst), View32(&copy), x, y, key, true);
}

void CopyRectSkipColor(TBitmap* dst, TBitmap* src, int x, int y, TColor color, const RECT& srcRect)
{
    px::CopyRectSkipColor(View32(dst), View32(src), x, y, uint32_t(color), FromInclusive(srcRect));
}

void CopyKeyedToCache(TBitmap* dst, TBitmap* src, int x, int y, bool useParent, const TsBgCacheInfo& info,
                      uint32_t key, const RECT& srcRect)
{
    const px::Background bg = BackgroundOf(info, dst);
    px::CopyKeyedToCache(View32(dst), View32(src), x, y, useParent, bg, key, FromInclusive(srcRect));
}

void BlendBitmapMasked(const RECT& dstRect, const RECT& srcRect, TBitmap* dst, TBitmap* src,
                       const TsBgCacheInfo& info, bool useParent, uint32_t color, int transparency, bool reflected)
{
    if (!dst || !src) return;
    Ensure32(src);
    const px::Background bg = BackgroundOf(info, dst);
    px::BlendBitmapMasked(ToPixRect(dstRect), ToPixRect(srcRect), View32(dst), View32(src), bg, useParent, color, transparency,
                          reflected);
}

void BlendMaskImage(const RECT& dstRect, const RECT& srcRect, TBitmap* dst, TBitmap* src, int maskRectHeight,
                    bool useParent, const TsBgCacheInfo& info)
{
    if (!dst || !src) return;
    const px::Background bg = BackgroundOf(info, dst);
    px::BlendMaskImage(ToPixRect(dstRect), ToPixRect(srcRect), View32(dst), View32(src), maskRectHeight, useParent, bg);
}

void BlendAlphaRect(const RECT& dstRect, const RECT& srcRect, TBitmap* dst, TBitmap* src, bool useParent,
                    const TsBgCacheInfo& info)
{
    if (!dst || !src) return;
    Ensure32(src);
    const px::Background bg = BackgroundOf(info, dst);
    px::BlendAlphaRect(ToPixRect(dstRect), ToPixRect(srcRect), View32(dst), View32(src), useParent, bg);
}

void BlendBitmapByRatio(TBitmap* dst, int x, int y, TBitmap* src, const RECT& srcRect, uint32_t key, double ratio)
{
    px::BlendBitmapByRatio(View32(dst), x, y, View32(src), FromInclusive(srcRect), key, ratio);
}

void MixBitmapAt(TBitmap* dst, TBitmap* src, POINT p, const RECT& srcRect, uint8_t weight)
{
    px::MixBitmapAt(View32(dst), View32(src), p.x, p.y, ToPixRect(srcRect), weight);
}

void MixBitmapWithColor(TBitmap* bmp, TColor color, double ratio)
{
    px::MixBitmapWithColor(View32(bmp), uint32_t(color), ratio);
}

void MultiplyByMask(TBitmap* bmp, TBitmap* mask, TColor color)
{
    px::MultiplyByMask(View32(bmp), View32(mask), uint32_t(color));
}

void MixBitmaps(TBitmap* result, TBitmap* first, TBitmap* second, uint8_t weight)
{
    px::MixBitmaps(View32(result), View32(first), View32(second), weight);
}

void MixBitmaps(TBitmap* result, TBitmap* first, TBitmap* second, TBitmap* weights)
{
    px::MixBitmaps(View32(result), View32(first), View32(second), View32(weights));
}

void PaintRoundShadow(TBitmap* bmp, const RECT& r, int percent, int radius, int depth, TColor color)
{
    if (!bmp || bmp->PixelFormat() != TPixelFormat::pf32bit) return;
    RECT c{std::max<LONG>(r.left, 0), std::max<LONG>(r.top, 0), std::min<LONG>(r.right, bmp->Width()),
           std::min<LONG>(r.bottom, bmp->Height())};
    int w = c.right - c.left, h = c.bottom - c.top;
    if (w <= 0 || h <= 0) return;
    std::unique_ptr<TBitmap> work(NewBitmap32(w, h)), mask(NewBitmap32(w, h));
    PixelView src = bmp->View(), wv = work->View();
    for (int y = 0; y < h; ++y) std::copy_n(src.Row(c.top + y) + c.left, w, wv.Row(y));
    int d = std::min({w / 2, h / 2, depth});
    int f = percent * 255 / 100;
    HDC dc = mask->Canvas().Handle();
    auto ring = [&](int inset, int grey, int corner) {
        BrushHandle brush(CreateSolidBrush(RGB(grey, grey, grey)));
        PenHandle pen(CreatePen(PS_SOLID, 1, RGB(grey, grey, grey)));
        SelectScope sb(dc, brush.get()), sp(dc, pen.get());
        RoundRect(dc, inset, inset, w - inset, h - inset, corner, corner);
    };
    for (int u = 0; u <= d; ++u) {
        int g = u == 0 ? 255 : f + int(std::lround((255.0 - f) / (d + 1) * (d - u + 1)));
        ring(u, std::clamp(g, 0, 255), radius);
    }
    ring(d, f, d);
    GdiFlush();
    MultiplyByMask(work.get(), mask.get(), color);
    wv = work->View();
    for (int y = 0; y < h; ++y) std::copy_n(wv.Row(y), w, src.Row(c.top + y) + c.left);
}

TColor MixColors(TColor c1, TColor c2, double ratio)
{
    return TColor(px::MixColors(uint32_t(c1), uint32_t(c2), ratio));
}

void GrayscaleBitmap32(TBitmap* bmp)
{
    if (bmp) px::GrayscaleRect(View32(bmp), {0, 0, bmp->Width(), bmp->Height()});
}

void ApplyDisabledEffect(TBitmap* bmp, int flags, TControl* control, POINT offset, const TsBgCacheInfo& info)
{
    if (!bmp || bmp->PixelFormat() != TPixelFormat::pf32bit) return;
    if (flags & 2) GrayscaleBitmap32(bmp);
    if (!(flags & 1)) return;
    if (info.Ready && info.Bmp) {
        int x = offset.x + info.X, y = offset.y + info.Y;
        BlendBitmapByRatio(bmp, 0, 0, info.Bmp, RECT{x, y, x + bmp->Width() - 1, y + bmp->Height() - 1}, 0xFF00FF,
                           0.4);
        return;
    }
    TColor fill = info.FillColor;
    if (fill == SkinKeyColor) {
        // No colour given: the parent's background colour, as a skinned parent
        // answers it (its skin colour), else its own Color.
        TWinControl* parent = control ? control->Parent() : nullptr;
        fill = parent ? GetControlBgColor(parent) : SkinKeyColor;
        if (fill == SkinKeyColor)
            fill = parent ? TColor(ColorToRGB(parent->Color())) : TColor(ColorToRGB(clBtnFace));
    }
    BlendRectColor(bmp, RECT{0, 0, bmp->Width() - 1, bmp->Height() - 1}, fill, 50);
}

// ---- layered windows and start-up ----

void InitBitmap32Unit()
{
    if (unitCounter++ > 0) return;
    BindLayeredApi();
    BitmapHandle boxes(LoadBitmapA(nullptr, MAKEINTRESOURCEA(32759)));   // OBM_CHECKBOXES
    if (boxes) {
        BITMAP bm{};
        if (GetObjectA(boxes.get(), sizeof bm, &bm)) {
            CheckBoxWidth = bm.bmWidth / 4;
            CheckBoxHeight = bm.bmHeight / 3;
        }
    }
}

void DoneBitmap32Unit()
{
    if (unitCounter > 0) --unitCounter;
}

bool PushLayeredBitmap(HWND wnd, TBitmap* bmp, int left, int top, uint8_t alpha)
{
    if (!UpdateLayeredWindowFn || !wnd || !bmp || bmp->Empty()) return false;
    TBitmap copy;
    copy.Assign(bmp);
    copy.SetPixelFormat(TPixelFormat::pf32bit);
    PremultiplyBitmap(&copy);
    WindowDC screen(nullptr);
    POINT pos{left, top}, origin{0, 0};
    SIZE size{copy.Width(), copy.Height()};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
    GdiFlush();
    BOOL ok = UpdateLayeredWindowFn(wnd, screen.get(), &pos, &size, copy.Canvas().Handle(), &origin, 0, &blend, ULW_ALPHA);
    return ok != FALSE;
}
