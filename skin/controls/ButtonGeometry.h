// Geometry of the skinned buttons and small controls as plain functions: the
// paint state of a push button, caption and glyph rectangles of push, bitmap
// and speed buttons, the check box's glyph and caption, the halves of an
// up-down control and the ticks of a track bar. The wrappers (ButtonWnd,
// StaticWnd) feed them what they read from windows and controls.
//
// Paint states: 0 normal, 1 hot, 2 pressed. Integer divisions round toward
// zero. Layouts are the values of TButtonLayout (left 0, right 1, top 2, bottom 3).
#pragma once
#include <windows.h>

#include <vector>

namespace btngeom {

constexpr int kLayoutLeft = 0, kLayoutRight = 1, kLayoutTop = 2, kLayoutBottom = 3;

// Pressed comes first, then disabled, then focus or the mouse; a default
// button that has neither still shows the hot look.
int PushButtonState(bool pushed, bool enabled, bool focusedOrHot, bool defaultButton);
// A speed button: down (or held down) 2, else hot 1, else 0.
int SpeedButtonState(bool down, bool hot);

// The caption rectangle of a push button for a caption of text's size.
RECT PushCaptionBounds(int width, int height, SIZE text, bool pushed);
// The width the caption may take: 0 without caption, width + 1 without
// glyph, else what the glyph leaves.
int PushCaptionWidthLimit(bool hasCaption, int width, int glyphWidth);
// The same for a bitmap button with its Margin, Layout and Spacing.
int BitBtnCaptionWidthLimit(bool hasCaption, int width, int margin, int layout, SIZE glyph, int spacing);
// Top-left of a bitmap button's glyph.
POINT BitBtnGlyphPos(int layout, int width, int height, SIZE glyph, SIZE text, int spacing, bool hasCaption,
                     bool pressed);
// Top-left of the bitmap of a native bitmap button: its right edge 2 px left
// of the caption rectangle, centred vertically.
POINT NativeBitmapGlyphPos(const RECT& caption, int height, SIZE glyph, bool pressed);

// A speed button's glyph top-left and caption rectangle (margin -1 centres).
POINT SpeedGlyphPos(int layout, int width, int height, SIZE glyph, SIZE text, int spacing, int margin,
                    bool pressed);
RECT SpeedCaptionRect(int layout, int width, int height, SIZE glyph, SIZE text, int spacing, int margin,
                      bool pressed);

// The size of one frame of a check-box mask: from the mask's own bitmap
// (three frames, two rows) or from its rectangle in the master bitmap; 16 x 16
// without a valid mask.
SIZE CheckGlyphSize(bool maskValid, bool ownBitmap, SIZE bitmap, const RECT& maskRect, int stateLayout,
                    int frameCount);
// The glyph's rectangle: vertically centred, at the left edge, at the right with BS_LEFTTEXT.
RECT CheckGlyphRect(int width, int height, SIZE glyph, bool leftText);
// The caption's rectangle for a caption of text's size, and the DrawText
// placement flags it needs (DT_RIGHT, DT_RTLREADING).
RECT CheckCaptionRect(int width, int height, SIZE glyph, SIZE text, bool leftText, bool rtlReading, bool multiline,
                      UINT& flags);
// The mask frame: 2 pushed, 1 focused or hot, else 0.
int CheckGlyphFrame(bool pushed, bool focusedOrHot);
// 2 indeterminate, 1 checked, 0 unchecked, from BM_GETSTATE's bits.
int CheckStateOf(UINT buttonState);

// The up/left (first) and down/right (second) buttons of an up-down control;
// the first takes the odd pixel.
void SpinButtonRects(int width, int height, bool vertical, RECT& first, RECT& second);
// Which half a point is over: 0 the first, 1 the second, -1 outside.
int SpinHalfAt(int width, int height, bool vertical, POINT p);

// Positions of count ticks along a channel: from half a thumb inside its
// start to half a thumb inside its end. With fewer than two ticks there is no
// step: the one tick stands at the minimum position.
std::vector<int> TrackTickPositions(int count, int channelStart, int channelLength, int thumbLength);

}  // namespace btngeom
