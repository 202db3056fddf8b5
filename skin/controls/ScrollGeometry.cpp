#include "skin/controls/ScrollGeometry.h"

#include <algorithm>
#include <cmath>

namespace scrollgeo {

int MulDiv(int a, int b, int c)
{
    if (c == 0) return -1;
    int64_t p = int64_t(a) * int64_t(b);
    int64_t q = p / c, r = p % c;
    // Half away from zero, as the system's MulDiv rounds.
    if (2 * (r < 0 ? -r : r) >= (c < 0 ? -int64_t(c) : int64_t(c))) q += ((p < 0) != (c < 0)) ? -1 : 1;
    if (q > INT32_MAX || q < INT32_MIN) return -1;
    return int(q);
}

namespace {
int64_t RangeOf(const BarInfo& info) { return int64_t(uint32_t(info.Max - info.Min)); }
int PageMinusOne(const BarInfo& info) { return info.Page > 0 ? int(std::min<unsigned>(info.Page, INT32_MAX) - 1) : 0; }
}  // namespace

BarLayout BarLayoutOf(int length, int arrow, bool arrowless, const BarInfo& info, int minThumb)
{
    BarLayout l;
    l.Length = std::max(0, length);
    int a = arrowless ? 0 : std::max(0, arrow);
    l.ArrowsFit = 2 * a <= l.Length;
    l.Arrow = l.ArrowsFit ? a : l.Length / 2;
    l.Track = l.Length - 2 * l.Arrow;
    int64_t range = RangeOf(info);
    if (!l.ArrowsFit || range > kMaxRange) return l;   // no thumb, no offset

    int thumb;
    if (info.Page == 0) {
        thumb = a > 0 ? a : kArrowlessMinThumb;
    } else {
        unsigned page = std::min<unsigned>(info.Page, INT32_MAX);
        thumb = MulDiv(int(page), l.Track, int(range + 1));
        if (thumb < 0) thumb = l.Track;
        if (a > 0 || thumb > kArrowlessMinThumb - 1)
            thumb = std::max(thumb, minThumb);
        else
            thumb = kArrowlessMinThumb;
    }
    l.ThumbSize = thumb;
    l.ThumbFits = thumb > 0 && thumb < l.Track;
    if (!l.ThumbFits) return l;
    int free = l.Track - thumb;
    int divisor = int(range - std::max<int64_t>(1, std::min<unsigned>(info.Page, INT32_MAX)) + 1);
    int offset = divisor > 0 ? MulDiv(int(std::clamp<int64_t>(int64_t(info.Pos) - info.Min, INT32_MIN, INT32_MAX)),
                                      free, divisor)
                             : 0;
    l.ThumbStart = l.Arrow + std::clamp(offset, 0, free);
    return l;
}

int HitTestBar(const BarLayout& l, int along)
{
    if (along < 0 || along >= l.Length) return PartNone;
    if (along < l.Arrow) return PartArrow1;
    if (along >= l.Length - l.Arrow) return PartArrow2;
    if (!l.ThumbFits) return PartNone;
    if (along >= l.ThumbStart && along < l.ThumbStart + l.ThumbSize) return PartThumb;
    if (along < l.ThumbStart) return PartPage1;
    return PartPage2;
}

int DraggedThumbStart(const BarLayout& l, int along, int grabOffset)
{
    int lo = l.Arrow, hi = l.Length - l.Arrow - l.ThumbSize;
    if (hi < lo) return lo;
    return std::clamp(along - grabOffset, lo, hi);
}

int PositionOfThumb(const BarLayout& l, const BarInfo& info, int thumbStart)
{
    int free = l.Track - l.ThumbSize;
    int64_t range = RangeOf(info);
    int64_t top = int64_t(info.Max) - PageMinusOne(info);
    if (top < info.Min) top = info.Min;
    // No room to move (a zero divisor would make MulDiv answer -1): the start.
    if (free <= 0 || !l.ThumbFits) return info.Min;
    int64_t pos;
    if (range >= 1) {
        int64_t span = range - int64_t(std::min<unsigned>(info.Page, INT32_MAX)) + 1;
        if (span > INT32_MAX) span = INT32_MAX;
        if (span < 0) span = 0;
        int m = MulDiv(thumbStart - l.Arrow, int(span), free);
        pos = int64_t(info.Min) + std::max(0, m);
    } else {
        pos = int64_t(info.Min) + (thumbStart - l.Arrow);
    }
    return int(std::clamp<int64_t>(pos, info.Min, top));
}

// ---------------------------------------------------------------- stand-alone control

ControlLayout ControlLayoutOf(int length, int arrow, bool vertical, const BarInfo& info)
{
    ControlLayout c;
    length = std::max(0, length);
    c.Arrow = std::min(std::max(0, arrow), length / 2);
    int track = length - 2 * c.Arrow;
    double span = double(info.Max) - double(info.Min) + 1;
    if (info.Page == 0 || span <= 0)
        c.ThumbSize = 14;
    else
        c.ThumbSize = std::max(14, int(std::lround(double(track) * double(info.Page) / span)));
    double moves = double(info.Max) - double(info.Min) - double(PageMinusOne(info));
    if (moves <= 0)
        c.Centre = length / 2;
    else
        c.Centre = c.Arrow + c.ThumbSize / 2 +
                   int(std::lround(double(track - c.ThumbSize) / moves * (double(info.Pos) - double(info.Min))));
    if (info.Min == info.Max) {
        c.ThumbStart = c.Arrow;
    } else if (vertical && int64_t(info.Max) - int64_t(info.Page) == info.Pos) {
        c.ThumbStart = length - c.Arrow - c.ThumbSize;
    } else {
        c.ThumbStart = int(std::lround(c.Centre - c.ThumbSize / 2.0));
    }
    c.ThumbEnd = c.ThumbStart + c.ThumbSize;
    return c;
}

int ControlPositionAt(int length, const ControlLayout& c, const BarInfo& info, int along, bool enabled)
{
    int track = std::max(0, length) - 2 * c.Arrow;
    int free = track - c.ThumbSize;
    if (!enabled || free <= 0) return 0;
    double moves = double(info.Max) - double(info.Min) - double(PageMinusOne(info));
    if (moves < 0) moves = 0;
    double p = moves * (double(along) - c.Arrow - c.ThumbSize / 2.0) / double(free);
    int64_t pos = int64_t(info.Min) + std::lround(p);
    return int(std::clamp<int64_t>(pos, info.Min, int64_t(info.Min) + int64_t(moves)));
}

}  // namespace scrollgeo
