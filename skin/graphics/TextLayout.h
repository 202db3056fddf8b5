// Layout of a button's glyph and caption, and cutting a caption to a width
// with "...". Free of <windows.h>: the text measure is a function given by the
// caller (a canvas's TextWidth in the library).
#pragma once
#include <functional>
#include <string>

#include "skin/graphics/EffectsView.h"

enum TkvButtonLayoutKind { blGlyphLeft = 0, blGlyphRight = 1, blGlyphTop = 2, blGlyphBottom = 3 };
enum TkvButtonAlignment { baLeft = 0, baRight = 1, baCenter = 2 };
constexpr int ButtonLayoutRightToLeft = 2;   // flag: glyph left and right exchange

struct TkvButtonPlacement {
    px::Rect TextRect;
    int GlyphX = 0, GlyphY = 0;
};

// client: the button's client rect; glyph and text sizes; flags (RightToLeft);
// spacing and margin (-1 = computed); alignment along the layout axis.
TkvButtonPlacement CalcButtonPlacement(const px::Rect& client, int glyphW, int glyphH, int textW, int textH,
                                       int flags, int spacing, int margin, int alignment, int layout);

using TextMeasure = std::function<int(const std::wstring&)>;

// Width <= 0: empty. A text that fits is returned unchanged; otherwise its last
// characters are dropped until the rest followed by "..." fits, and "..." is
// appended; a text of which nothing fits becomes empty.
std::wstring CutTextToWidth(const TextMeasure& measure, const std::wstring& text, int width);
