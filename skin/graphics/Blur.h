// The Gauss kernel and the blur of 8-bit masks behind glowing captions, and
// the pixel mixes of the text painters (ink through a work bitmap, glow
// through a mask). Free of <windows.h>.
#pragma once
#include <cstdint>

#include "skin/graphics/EffectsView.h"

struct TkvGaussKernel {
    float Weights[201] = {};   // offsets -100 .. 100 at index offset + 100
    uint8_t Half = 0;          // taps -Half .. Half are kept
    float Weight(int offset) const { return Weights[offset + 100]; }
};

// w(k) = exp(-(k / r)^2 / 2), normalised; the tails are cut where together they
// weigh at least 1/510, and the kept taps normalised again. A radius of 0 or
// less (or not a number) gives the identity: Half 0, weight 1.
void MakeGaussKernel(TkvGaussKernel& kernel, double radius);

// Convolves every row, then every column with the kernel; positions outside
// the line repeat its first or last value; each result is truncated toward
// zero into 0..255. The weights are used as 16.16 integers that add up to
// exactly 1, so a flat area keeps its value (255 stays 255).
void BlurMask8(const BytePixelView& mask, const TkvGaussKernel& kernel);
void BlurMask8(const BytePixelView& mask, double radius);

// Text ink from a work bitmap (black text drawn on white) onto target at
// (x, y): for each work pixel m other than 0x00FFFFFF and 0xFFFFFFFF the
// target pixel becomes per channel ((d - k) * m + k * 256) shr 8, k being the
// text colour's channel (color as 0x00RRGGBB), and its alpha 255. Clipped.
void MixTextInk(const PixelView& target, int x, int y, const PixelView& work, uint32_t color);

// Glow through a mask (255 = none) placed on target at (x, y): for each mask
// byte m other than 255 the target pixel becomes per channel
// colour + (d - colour) * m / 255, and alpha + (255 - m) * (255 - alpha) / 255
// (integer division). color as 0x00RRGGBB. Clipped.
void ApplyGlowMask(const PixelView& target, int x, int y, const BytePixelView& mask, uint32_t color);
