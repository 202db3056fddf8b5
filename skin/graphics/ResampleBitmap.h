// Filtered resampling of class-library bitmaps (the pixel work is Resample.h).
#pragma once
#include "classlib/Graphics.h"
#include "skin/graphics/Resample.h"

// Resamples source into dest at newWidth x newHeight with a filter of
// TkvResampleFilter. A 32-bit source keeps its alpha (dest becomes pf32bit),
// any other is resampled in three channels into pf24bit. A new width or height
// of 0 or less does nothing; a source narrower or lower than 2 pixels raises
// Exception "Source bitmap is too small"; the same size copies the source.
// source and dest may be the same bitmap.
void ResampleBitmap(TBitmap* source, TBitmap* dest, int newWidth, int filter, int newHeight);

// The 32-bit pixels of a bitmap (empty unless it is pf32bit).
PixelView BitmapPixels(TBitmap& bmp);
