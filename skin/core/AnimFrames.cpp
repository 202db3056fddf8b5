#include "skin/core/AnimFrames.h"

#include <algorithm>
#include <cmath>
#include <vector>

int RoundHalfEven(double v)
{
    double f = std::floor(v);
    double d = v - f;
    if (d > 0.5) return int(f) + 1;
    if (d < 0.5) return int(f);
    long long i = (long long)f;
    return int(i % 2 == 0 ? i : i + 1);
}

TkvFramePlan TkvFramePlan::Show(int width, int height, unsigned timeMs, uint8_t target, TkvAnimType type,
                                bool dialogStep)
{
    TkvFramePlan p;
    p.width_ = std::max(0, width);
    p.height_ = std::max(0, height);
    p.frames_ = AnimFrameCount(timeMs);
    p.type_ = type;
    p.final_ = target;
    if (p.frames_ <= 0) return p;   // no frame runs: nothing below would be set
    const double f = p.frames_;
    p.alpha_ = 0;
    p.step_ = dialogStep ? target / (f + 1) : target / f;
    if (type == TkvAnimType::atAero) {
        const double w = p.width_, h = p.height_;
        p.dx_ = w / (8 * f);
        p.dy_ = h / (8 * f);
        p.l_ = w / 8;
        p.t_ = h / 8;
        p.r_ = w - w / 8;
        p.b_ = h - h / 8;
    }
    return p;
}

TkvFramePlan TkvFramePlan::Hide(int width, int height, unsigned timeMs, uint8_t start, TkvAnimType type)
{
    TkvFramePlan p;
    p.hiding_ = true;
    p.width_ = std::max(0, width);
    p.height_ = std::max(0, height);
    p.frames_ = AnimFrameCount(timeMs);
    p.type_ = type;
    p.final_ = 0;
    if (p.frames_ <= 0) return p;
    const double f = p.frames_;
    p.alpha_ = start;
    p.step_ = start / f;
    if (type == TkvAnimType::atAero) {
        p.dx_ = -double(p.width_) / (8 * f);
        p.dy_ = -double(p.height_) / (8 * f);
        p.r_ = p.width_;
        p.b_ = p.height_;
    }
    return p;
}

bool TkvFramePlan::Next(TkvFrame& frame)
{
    if (frames_ <= 0 || index_ > frames_) return false;
    frame = TkvFrame{};
    frame.Index = index_;
    if (hiding_)
        alpha_ = std::max(0.0, alpha_ - step_);
    else
        alpha_ = std::min(double(final_), alpha_ + step_);
    frame.Alpha = uint8_t(std::clamp(RoundHalfEven(alpha_), 0, 255));
    if (type_ == TkvAnimType::atFading) {
        frame.Draw = copied_ ? TkvFrameDraw::Keep : TkvFrameDraw::CopyWhole;
        copied_ = true;
    } else {
        // A rectangle that has crossed the picture's edge (rounding on the last
        // frame) means full size.
        if (l_ >= 0 && t_ >= 0) {
            frame.Draw = TkvFrameDraw::Stretch;
            frame.Left = RoundHalfEven(l_);
            frame.Top = RoundHalfEven(t_);
            frame.Width = RoundHalfEven(r_ - l_);
            frame.Height = RoundHalfEven(b_ - t_);
        } else {
            frame.Draw = TkvFrameDraw::CopyWhole;
        }
        frame.ClearFirst = hiding_;
        // Show: dx > 0, the picture grows; hide: dx < 0, it shrinks.
        l_ -= dx_;
        t_ -= dy_;
        r_ += dx_;
        b_ += dy_;
    }
    ++index_;
    return true;
}

namespace {

// 16.16 source positions and weights of every destination column or row.
struct Taps {
    std::vector<int> first;     // index of the left (upper) source pixel
    std::vector<uint32_t> frac; // weight of the next pixel, 0 .. 256
};

Taps MakeTaps(int dstLen, int srcLen)
{
    Taps t;
    t.first.resize(size_t(dstLen));
    t.frac.resize(size_t(dstLen));
    const double scale = double(srcLen) / dstLen;
    for (int i = 0; i < dstLen; ++i) {
        double s = (i + 0.5) * scale - 0.5;
        if (s < 0) s = 0;
        int i0 = int(s);
        if (i0 >= srcLen - 1) {
            t.first[size_t(i)] = srcLen - 1;
            t.frac[size_t(i)] = 0;
            continue;
        }
        t.first[size_t(i)] = i0;
        t.frac[size_t(i)] = uint32_t((s - i0) * 256 + 0.5);
    }
    return t;
}

inline uint32_t Lerp(uint32_t a, uint32_t b, uint32_t f)
{
    // Two channels at a time (0x00FF00FF lanes).
    const uint32_t inv = 256 - f;
    uint32_t rb = (((a & 0x00FF00FFu) * inv + (b & 0x00FF00FFu) * f) >> 8) & 0x00FF00FFu;
    uint32_t ag = ((((a >> 8) & 0x00FF00FFu) * inv + ((b >> 8) & 0x00FF00FFu) * f)) & 0xFF00FF00u;
    return rb | ag;
}

}  // namespace

void StretchFramePixels(const PixelView& dst, int left, int top, int width, int height, const PixelView& src)
{
    if (dst.Empty() || src.Empty() || width <= 0 || height <= 0) return;
    const int x0 = std::max(0, left), y0 = std::max(0, top);
    const int x1 = std::min(dst.width, left + width), y1 = std::min(dst.height, top + height);
    if (x0 >= x1 || y0 >= y1) return;
    const Taps cols = MakeTaps(width, src.width);
    const Taps rows = MakeTaps(height, src.height);
    for (int y = y0; y < y1; ++y) {
        const size_t ry = size_t(y - top);
        const int sy = rows.first[ry];
        const uint32_t fy = rows.frac[ry];
        const uint32_t* r0 = src.Row(sy);
        const uint32_t* r1 = src.Row(std::min(sy + 1, src.height - 1));
        uint32_t* out = dst.Row(y);
        for (int x = x0; x < x1; ++x) {
            const size_t cx = size_t(x - left);
            const int sx = cols.first[cx];
            const int sx1 = std::min(sx + 1, src.width - 1);
            const uint32_t fx = cols.frac[cx];
            const uint32_t top2 = Lerp(r0[sx], r0[sx1], fx);
            const uint32_t bottom2 = Lerp(r1[sx], r1[sx1], fx);
            out[x] = Lerp(top2, bottom2, fy);
        }
    }
}
