// The frame plan of the form show and hide animations: how many frames a time
// gives, the constant alpha of each frame and the rectangle the picture is
// stretched into. Free of <windows.h>; the animation routines play the plan on
// layered windows.
#pragma once
#include <cstdint>

#include "classlib/PixelView.h"
#include "skin/graphics/Constants.h"

// One frame every 12 ms.
constexpr int AnimFrameInterval = 12;

// Frames a time gives: time div 12 (0 for times under 12 ms).
constexpr int AnimFrameCount(unsigned timeMs) { return int(timeMs / unsigned(AnimFrameInterval)); }

// What a frame does with the destination picture before it is pushed.
enum class TkvFrameDraw {
    Keep,        // the destination already holds the picture
    CopyWhole,   // copy the whole snapshot
    Stretch,     // stretch the whole snapshot into Left, Top, Width x Height
};

struct TkvFrame {
    int Index = 0;
    uint8_t Alpha = 0;            // the constant alpha pushed with this frame
    TkvFrameDraw Draw = TkvFrameDraw::Keep;
    bool ClearFirst = false;      // clear the destination to transparent before drawing
    int Left = 0, Top = 0, Width = 0, Height = 0;   // Stretch only
};

// The state of one show or hide animation. A plan with no frames (time under
// 12 ms) plays nothing: the caller shows the final picture (show) or drops the
// surface (hide) at once.
class TkvFramePlan {
public:
    TkvFramePlan() = default;
    // Show: the alpha rises from 0 to target; atAero grows the picture from the
    // centred three quarters to full size. dialogStep: step target / (F + 1)
    // instead of target / F.
    static TkvFramePlan Show(int width, int height, unsigned timeMs, uint8_t target, TkvAnimType type,
                             bool dialogStep = false);
    // Hide: the alpha falls from start to 0; atAero shrinks the picture from
    // full size to the centred three quarters.
    static TkvFramePlan Hide(int width, int height, unsigned timeMs, uint8_t start, TkvAnimType type);

    int FrameCount() const { return frames_; }
    bool HasFrames() const { return frames_ > 0; }
    // Frames played so far.
    int Played() const { return index_; }
    bool Done() const { return index_ > frames_; }
    // The next frame (frames 0 .. F, F + 1 in all); false when all are played
    // or the plan has none.
    bool Next(TkvFrame& frame);
    // The alpha of the finished animation: the target (show) or 0 (hide).
    uint8_t FinalAlpha() const { return final_; }
    TkvAnimType Type() const { return type_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    int width_ = 0, height_ = 0;
    int frames_ = 0;
    int index_ = 0;
    bool hiding_ = false;
    TkvAnimType type_ = TkvAnimType::atFading;
    double alpha_ = 0, step_ = 0;
    double l_ = 0, t_ = 0, r_ = 0, b_ = 0, dx_ = 0, dy_ = 0;
    bool copied_ = false;   // atFading: the snapshot is in the destination
    uint8_t final_ = 0;
};

// Rounds to the nearest integer, halves to even (the platform's rounding).
int RoundHalfEven(double v);

// Stretches the whole of src into the rectangle (left, top, width x height) of
// dst with bilinear filtering of all four channels (alpha included); the part
// of the rectangle outside dst is cut off. An empty source or rectangle draws nothing.
void StretchFramePixels(const PixelView& dst, int left, int top, int width, int height, const PixelView& src);
