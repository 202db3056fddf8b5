// Geometry of a skinned scroll bar along its length: arrows, thumb and the
// two page areas, the part under a point, and the position a dragged thumb
// stands for. One routine (BarLayoutOf) feeds painting and hit testing alike,
// so the thumb that is drawn is the thumb that is hit. Free of window code.
//
// Also the geometry of the stand-alone scroll-bar control (TkvSBWnd), whose
// rules (a thumb of at least 14 pixels, centring by rounding) differ.
#pragma once
#include <cstdint>

namespace scrollgeo {

// Parts of a bar and their hit codes.
enum : int {
    PartNone = -1,
    PartArrow1 = 0,   // left or up
    PartArrow2 = 1,   // right or down
    PartPage1 = 2,    // page area before the thumb
    PartPage2 = 3,    // page area after the thumb
    PartThumb = 5,
};

// The scroll information of a bar (range, page, position).
struct BarInfo {
    int Min = 0;
    int Max = 0;
    unsigned Page = 0;
    int Pos = 0;
};

// Ranges wider than this give no thumb (their arithmetic would overflow).
constexpr int64_t kMaxRange = 0x7FFFFFFE;
// With the arrow-less look a thumb is at least this long.
constexpr int kArrowlessMinThumb = 19;

// MulDiv as the system has it: a * b / c rounded half away from zero; -1 when
// c is 0 or the result does not fit 32 bits.
int MulDiv(int a, int b, int c);

struct BarLayout {
    int Length = 0;       // the bar's length
    int Arrow = 0;        // length of each arrow as laid out (half the bar when two do not fit)
    bool ArrowsFit = false;
    int Track = 0;        // Length - 2 * Arrow
    int ThumbStart = 0;   // from the bar's start
    int ThumbSize = 0;    // 0: no thumb
    bool ThumbFits = false;
    // Where the track is split between the first and the second track section.
    int Split() const { return ThumbFits ? ThumbStart + ThumbSize / 2 : Length / 2; }
    bool operator==(const BarLayout&) const = default;
};

// length: the bar's length; arrow: the length of one arrow button (0 with the
// arrow-less look, arrowless true); minThumb: the bar's minimum thumb length.
BarLayout BarLayoutOf(int length, int arrow, bool arrowless, const BarInfo& info, int minThumb);

// The part at offset `along` from the bar's start (PartNone outside).
int HitTestBar(const BarLayout& layout, int along);

// A thumb drag: where the thumb starts (from the bar's start) when the mouse
// is at `along` and grabbed the thumb grabOffset pixels after its start.
int DraggedThumbStart(const BarLayout& layout, int along, int grabOffset);
// The position a thumb starting at thumbStart stands for, within
// Min .. Max - max(Page - 1, 0). Min when the thumb has no room to move.
int PositionOfThumb(const BarLayout& layout, const BarInfo& info, int thumbStart);

// ---------------------------------------------------------------- stand-alone control

struct ControlLayout {
    int Arrow = 0;                  // each arrow, at most half the control
    int ThumbSize = 0;
    int ThumbStart = 0, ThumbEnd = 0;
    int Centre = 0;                 // page area 1 ends, page area 2 starts here
};

// length: the control's length; arrow: the system arrow size (0 arrow-less).
ControlLayout ControlLayoutOf(int length, int arrow, bool vertical, const BarInfo& info);
// The position at a point `along` the control; 0 when disabled or without room.
int ControlPositionAt(int length, const ControlLayout& layout, const BarInfo& info, int along, bool enabled);

}  // namespace scrollgeo
