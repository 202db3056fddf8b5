// The 32-bit pixel layer: fills, tints, keyed copies, blends, mixes and colour
// changes over plain pixel views. No <windows.h>: the routines build natively
// for unit tests under sanitizers, fuzzing and benchmarks. The bitmap-level
// functions of skin/graphics/Bitmap32.h wrap them.
//
// Pixels are 0xAARRGGBB (bytes blue, green, red, alpha). Colours (TColor style,
// 0x00BBGGRR) are swapped with ExchangeRedBlue before they meet pixels.
// "nearest" rounds half away from zero (std::lround) everywhere.
#pragma once
#include <algorithm>
#include <cstdint>

#include "classlib/PixelView.h"

namespace px {

constexpr uint32_t KeyColor = 0xFF00FF;     // transparent pixels of skin images
constexpr uint32_t NoColor = 0x1FFFFFFF;    // "no colour" / "no key"

// Rect (right and bottom exclusive unless a function says otherwise), Intersect,
// Sized and WholeOf live beside the view in classlib/PixelView.h.

// The background behind what is painted, as every painter receives it: the
// painters' one form of a parent's background. A TsBgCacheInfo (made from the
// answer to a TsBgRequest by BgRequestToCacheInfo) becomes one through
// BackgroundOf (skin/graphics/Bitmap32.h).
struct Background {
    PixelView bmp;                   // the parent's pixels (not owned), may be empty
    bool bmpIsDest = false;          // bmp is the destination bitmap itself
    int x = 0, y = 0;                // origin of the painted bitmap inside bmp
    uint32_t fillColor = KeyColor;   // colour value 0x00BBGGRR (a high byte is kept); the key colour: none
    int frameWidths[4] = {};         // left, top, right, bottom strips of the parent's frame
    bool ready = false;              // bmp holds a usable background

    bool HasInfo() const { return ready || fillColor != KeyColor; }
};
// No parent: no bitmap, x = y = -99, the key colour, not ready.
Background EmptyBackground();
// The destination itself as a ready background (key pixels keep what is painted).
Background SelfBackground(const PixelView& dst, int x = 0, int y = 0);

uint32_t ExchangeRedBlue(uint32_t c);
uint32_t ByteSwap32(uint32_t v);

void PremultiplyRect(const PixelView& v, Rect r);
using PixelProc = void (*)(uint32_t* pixel, intptr_t user);
void ForEachPixel32(const PixelView& v, PixelProc proc, intptr_t user, uint32_t key);

// Fills and tints; rectangles are clipped to the view.
void FillRect32(const PixelView& v, Rect r, uint32_t color, uint8_t alpha);
void FillFrame32(const PixelView& v, Rect r, int left, int top, int right, int bottom, uint32_t color);
void TintRect32(const PixelView& v, Rect r, uint32_t color, uint8_t alpha, int percent);
void BlendRectColor(const PixelView& v, Rect r, uint32_t color, int percent);
void SetAlphaInRect(const PixelView& v, Rect r, uint8_t alpha, uint32_t key);
void GrayscaleRect(const PixelView& v, Rect r);   // each channel := (R + G + B) div 3

// Keyed copies. compare24: compare only the low 24 bits with the key pixel.
void CopySkipPixel(const PixelView& dst, const PixelView& src, int x, int y, uint32_t keyPixel, bool compare24);
void CopyRectSkipColor(const PixelView& dst, const PixelView& src, int x, int y, uint32_t color, Rect srcRect);
void CopyKeyedToCache(const PixelView& dst, const PixelView& src, int x, int y, bool useParent,
                      const Background& bg, uint32_t key, Rect srcRect);
// Window corners: copies src from srcPt into dstRect where the low 24 bits of
// the test pixel are the key colour; the test pixel is the destination's own,
// or with a mask the mask's pixel at the same offset from maskRef.
void CopyByKeyColor(const PixelView& dst, const PixelView& src, Rect dstRect, int srcX, int srcY,
                    const PixelView* mask, int maskRefX, int maskRefY);

// Blends.
void BlendBitmapMasked(Rect dstRect, Rect srcRect, const PixelView& dst, const PixelView& src,
                       const Background& bg, bool useParent, uint32_t color, int transparency, bool reflected);
void BlendMaskImage(Rect dstRect, Rect srcRect, const PixelView& dst, const PixelView& src, int maskRectHeight,
                    bool useParent, const Background& bg);
void BlendAlphaRect(Rect dstRect, Rect srcRect, const PixelView& dst, const PixelView& src, bool useParent,
                    const Background& bg);
void BlendBitmapByRatio(const PixelView& dst, int x, int y, const PixelView& src, Rect srcRect, uint32_t key,
                        double ratio);
void MixBitmapAt(const PixelView& dst, const PixelView& src, int x, int y, Rect srcRect, uint8_t weight);
void MixBitmapWithColor(const PixelView& v, uint32_t color, double ratio);
void MultiplyByMask(const PixelView& v, const PixelView& mask, uint32_t color);
void MixBitmaps(const PixelView& result, const PixelView& first, const PixelView& second, uint8_t weight);
void MixBitmaps(const PixelView& result, const PixelView& first, const PixelView& second, const PixelView& weights);

// Every pixel that is exactly 0x00FFFFFF becomes 0.
void ZeroWhitePixels(const PixelView& v);

// Colours.
uint32_t MixColors(uint32_t c1, uint32_t c2, double ratio);
uint32_t ChangePixelHue(uint32_t pixel, int degrees);
uint32_t ChangePixelSaturation(uint32_t pixel, int change);
uint32_t ChangeColorHue(uint32_t color, int degrees);
uint32_t ChangeColorSaturation(uint32_t color, int change);
void HuePixelProc(uint32_t* pixel, intptr_t degrees);
void SaturationPixelProc(uint32_t* pixel, intptr_t change);

}  // namespace px
