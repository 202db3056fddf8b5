// 32-bit bitmap operations and blending over the class library's TBitmap: the
// bitmap-level entry points of the pixel layer (skin/graphics/PixelOps.h), plus
// the layered-window bindings. Painters never raise: empty or clipped-away
// rectangles and missing bitmaps draw nothing.
#pragma once
#include <memory>

#include "classlib/Controls.h"
#include "classlib/Graphics.h"
#include "skin/graphics/Constants.h"
#include "skin/graphics/LayeredApi.h"
#include "skin/graphics/PixelOps.h"

constexpr uint32_t NoColorValue = 0x1FFFFFFF;

// A parent's background as the painters take it: the one conversion of a
// TsBgCacheInfo. dst is the bitmap painted into (a background that is dst itself
// keeps what is painted); a bitmap that is not 32-bit gives no pixels; a system
// fill colour is resolved, any other colour value is kept as it is.
px::Background BackgroundOf(const TsBgCacheInfo& info, TBitmap* dst);

// ---- creation and pixel access ----
std::unique_ptr<TBitmap> NewBitmap32(int width, int height);   // white with alpha 0
TBitmap* NewBitmapLike(TBitmap* bmp);          // same size and format; caller owns
uint32_t GetPixel32(TBitmap* bmp, int x, int y);            // unchecked
void SetPixel32(TBitmap* bmp, int x, int y, uint32_t value); // unchecked
using px::ByteSwap32;
using px::ExchangeRedBlue;

void PremultiplyRect(TBitmap* bmp, const RECT& r);
void PremultiplyBitmap(TBitmap* bmp);
void ForEachPixel32(TBitmap* bmp, px::PixelProc proc, intptr_t user, uint32_t key);

// ---- fills and tints ----
void FillRect32(TBitmap* bmp, const RECT& r, TColor color, uint8_t alpha);
void FillFrame32(TBitmap* bmp, const RECT& r, int left, int top, int right, int bottom, TColor color);
void TintRect32(TBitmap* bmp, const RECT& r, TColor color, uint8_t alpha, int percent);
void BlendRectColor(TBitmap* bmp, const RECT& inclusiveRect, TColor color, int percent);
void SetAlphaInRect(TBitmap* bmp, const RECT& r, uint8_t alpha, uint32_t key);

// ---- keyed copies ----
// The mask that decides which corner pixels of a window are replaced: its
// bitmap, its rect in that bitmap and the geometry the corner types use.
struct TsCornerMask {
    TBitmap* Bmp = nullptr;
    RECT Rect{};
    int FrameWidth = 0;    // width of one frame of the mask
    int StateHeight = 0;   // height of one state of the mask
    int RightMargin = 0;
    int BottomMargin = 0;
};
// cornerType 13 top-left, 14 top-right, 16 bottom-left, 17 bottom-right; mask null: no mask.
void CopyByKeyColor(TBitmap* dst, TBitmap* src, const RECT& dstRect, int cornerType, const TsCornerMask* mask,
                    POINT srcPoint);
void CopyBitmapSkipColor(TBitmap* dst, TBitmap* src, int x, int y, TColor color);
void CopyRectSkipColor(TBitmap* dst, TBitmap* src, int x, int y, TColor color, const RECT& inclusiveSrcRect);
void CopyKeyedToCache(TBitmap* dst, TBitmap* src, int x, int y, bool useParent, const TsBgCacheInfo& info,
                      uint32_t key, const RECT& inclusiveSrcRect);

// ---- blends ----
void BlendBitmapMasked(const RECT& dstRect, const RECT& srcRect, TBitmap* dst, TBitmap* src,
                       const TsBgCacheInfo& info, bool useParent, uint32_t color = NoColorValue,
                       int transparency = 0, bool reflected = false);
// maskRectHeight: height of the mask's rect in its bitmap (picture over grey mask).
void BlendMaskImage(const RECT& dstRect, const RECT& srcRect, TBitmap* dst, TBitmap* src, int maskRectHeight,
                    bool useParent, const TsBgCacheInfo& info);
void BlendAlphaRect(const RECT& dstRect, const RECT& srcRect, TBitmap* dst, TBitmap* src, bool useParent,
                    const TsBgCacheInfo& info);
void BlendBitmapByRatio(TBitmap* dst, int x, int y, TBitmap* src, const RECT& inclusiveSrcRect, uint32_t key,
                        double ratio);
void MixBitmapAt(TBitmap* dst, TBitmap* src, POINT p, const RECT& srcRect, uint8_t weight);
void MixBitmapWithColor(TBitmap* bmp, TColor color, double ratio);
void MultiplyByMask(TBitmap* bmp, TBitmap* mask, TColor color);
void MixBitmaps(TBitmap* result, TBitmap* first, TBitmap* second, uint8_t weight);
void MixBitmaps(TBitmap* result, TBitmap* first, TBitmap* second, TBitmap* weights);
void PaintRoundShadow(TBitmap* bmp, const RECT& r, int percent, int radius, int depth, TColor color);
TColor MixColors(TColor c1, TColor c2, double ratio);
// flags: 1 blend toward the background (ratio 0.4), 2 grey first.
void ApplyDisabledEffect(TBitmap* bmp, int flags, TControl* control, POINT offset, const TsBgCacheInfo& info);
void GrayscaleBitmap32(TBitmap* bmp);

// ---- colours ----
using px::ChangeColorHue;
using px::ChangeColorSaturation;
using px::ChangePixelHue;
using px::ChangePixelSaturation;
using px::HuePixelProc;
using px::SaturationPixelProc;

// ---- layered windows ----
// (the entry points themselves: skin/graphics/LayeredApi.h)
extern int CheckBoxWidth, CheckBoxHeight;
void InitBitmap32Unit();   // binds the layered-window functions and measures the check-box glyph; counted
void DoneBitmap32Unit();
// Shows bmp (32 bits, straight alpha) as the content of a layered window at
// (left, top) with a constant alpha on top of the per-pixel alpha. False when
// the functions are missing or the call fails.
bool PushLayeredBitmap(HWND wnd, TBitmap* bmp, int left, int top, uint8_t alpha);
