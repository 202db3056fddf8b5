// Section gradients on class-library bitmaps: vertical and horizontal bands
// (pixel work in Gradients.h) and the five-point triangle mesh drawn by the
// system's GradientFill.
#pragma once
#include "classlib/Graphics.h"
#include "skin/graphics/Gradients.h"

// Paints the gradient into r, clipped to the bitmap. Band modes paint 32-bit
// bitmaps only, with alpha 255; the mesh draws through GDI (nothing when the
// system has no GradientFill). Another mode, an empty rect or array paints nothing.
void FillGradient(TBitmap* bmp, const RECT& r, const TsGradArray& g, int extraHeight = 0);

// Band gradient mixed with texture (see FillGradientPartPixels); 32-bit bitmaps.
// textureRect empty: the whole texture.
void FillGradientPart(TBitmap* bmp, const RECT& r, const TsGradArray& g, uint8_t alpha, int textureWeight,
                      const RECT& textureRect, TBitmap* texture);

// Whether msimg32's GradientFill was found.
bool GradientFillAvailable();
// Unit start-up and shut-down (reference counted): msimg32 is loaded and its
// GradientFill bound, then freed. Without the start-up it is bound on first use.
void InitGradientUnit();
void DoneGradientUnit();
