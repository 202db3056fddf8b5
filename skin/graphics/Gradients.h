// Section gradients: the text format of a skin's gradient data, its parser,
// and the band painters on plain pixel views. Free of <windows.h>; the
// triangle-mesh mode and the bitmap-level entry points are in GradientFill.h.
//
// Format: stops separated by ";" (runs of ";" count as one), five fields per
// stop: colour at the start of the band, colour at its end, length in percent
// of the painted height or width, mode (first stop only: 0 vertical bands,
// 1 horizontal bands, 2 triangle mesh), and one field that is not read.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "skin/graphics/EffectsView.h"

#include "skin/graphics/Constants.h"

enum TkvGradientMode { gmVertical = 0, gmHorizontal = 1, gmTriangles = 2 };

// Fills out with the stops of text (empty for an empty text; a trailing
// incomplete stop is ignored). Colours below 0 become 0, percents are limited
// to 0..100. A field that is not a number raises EConvertError.
void ParseGradientData(const std::wstring& text, TsGradArray& out);

// The platform's reading of an integer: optional blanks and sign, decimal
// digits or "$" / "0x" followed by hexadecimal digits, 32 bits. Raises EConvertError.
int32_t GradientStrToInt(const std::wstring& text);

// Where a band that starts at start ends, for percent of length: the one
// rounding rule of the library (halves away from zero).
inline int GradientBandEnd(int start, int percent, int length)
{
    return start + int(RoundNearest(double(percent) * double(length) / 100.0));
}

// A colour of the gradient data (0x00BBGGRR) as an opaque-able pixel 0x00RRGGBB.
inline uint32_t GradientColorPixel(TColor c)
{
    const uint32_t v = uint32_t(c);
    return (v & 0xFF) << 16 | (v & 0xFF00) | (v >> 16 & 0xFF);
}

void FillRow32(uint32_t* first, int count, uint32_t value);

// Modes 0 and 1 into r (clipped to the view) with the given alpha byte.
// Nothing for an empty rect or array or another mode. Bands of length 0 are
// skipped and the bands after them painted; the last band ends at the rect's
// bottom (mode 0) or right edge (mode 1). extraHeight shifts the first band
// down and lengthens the bands (mode 0; callers pass 0). Returns whether it painted.
bool FillGradientBands(const PixelView& v, px::Rect r, const TsGradArray& g, int extraHeight = 0,
                       uint8_t alpha = 255);

// The band gradient of r mixed with a texture tiled from r's top-left corner:
// p := (w * (t - p) + p * 256) shr 8 per channel, alpha := the given byte.
// An empty textureRect means the whole texture; a texture part of width or
// height 0 or less is skipped (the gradient alone is painted).
void FillGradientPartPixels(const PixelView& v, px::Rect r, const TsGradArray& g, uint8_t alpha, int textureWeight,
                            const PixelView& texture, px::Rect textureRect);
