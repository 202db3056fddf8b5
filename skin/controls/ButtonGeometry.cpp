#include "skin/controls/ButtonGeometry.h"

#include <algorithm>
#include <cmath>

namespace btngeom {

int PushButtonState(bool pushed, bool enabled, bool focusedOrHot, bool defaultButton)
{
    if (pushed) return 2;
    if (!enabled) return 0;
    if (focusedOrHot) return 1;
    return defaultButton ? 1 : 0;
}

int SpeedButtonState(bool down, bool hot) { return down ? 2 : hot ? 1 : 0; }

RECT PushCaptionBounds(int width, int height, SIZE text, bool pushed)
{
    int x = (width - int(text.cx)) / 2, y = (height - int(text.cy)) / 2;
    RECT r{x - 1, y, width - x + 2, height - y};
    if (pushed) OffsetRect(&r, 1, 1);
    return r;
}

int PushCaptionWidthLimit(bool hasCaption, int width, int glyphWidth)
{
    if (!hasCaption) return 0;
    if (glyphWidth <= 0) return width + 1;
    return std::max(0, width - glyphWidth);
}

int BitBtnCaptionWidthLimit(bool hasCaption, int width, int margin, int layout, SIZE glyph, int spacing)
{
    if (!hasCaption) return 0;
    int limit = width - 2 * margin;
    if ((layout == kLayoutLeft || layout == kLayoutRight) && glyph.cy != 0) limit -= int(glyph.cx) + spacing;
    return limit;
}

POINT BitBtnGlyphPos(int layout, int width, int height, SIZE glyph, SIZE text, int spacing, bool hasCaption,
                     bool pressed)
{
    int gw = int(glyph.cx), gh = int(glyph.cy), tw = int(text.cx), th = int(text.cy);
    int s = gw > 0 && hasCaption ? spacing : 0;
    POINT p{};
    switch (layout) {
    case kLayoutRight: p = {(width + s + tw - gw) / 2, (height - gh) / 2}; break;
    case kLayoutTop: p = {(width - gw) / 2 + 1, (height - gh - th - s) / 2}; break;
    case kLayoutBottom: p = {(width - gw) / 2 + 1, height - (height - gh - th - s) / 2 - gh}; break;
    default: p = {(width - gw - tw - s) / 2, (height - gh) / 2}; break;
    }
    if (pressed) {
        ++p.x;
        ++p.y;
    }
    return p;
}

POINT NativeBitmapGlyphPos(const RECT& caption, int height, SIZE glyph, bool pressed)
{
    POINT p{caption.left - 2 - int(glyph.cx), (height - int(glyph.cy)) / 2};
    if (pressed) ++p.y;
    return p;
}

POINT SpeedGlyphPos(int layout, int width, int height, SIZE glyph, SIZE text, int spacing, int margin, bool pressed)
{
    int gw = int(glyph.cx), gh = int(glyph.cy), tw = int(text.cx), th = int(text.cy);
    int d = pressed ? 1 : 0;
    bool hasText = tw != 0 && th != 0;
    POINT p{};
    switch (layout) {
    case kLayoutRight: {
        int s = gw != 0 && hasText ? spacing : 0;
        int m = margin == -1 ? (width - gw - s - tw) / 2 : margin;
        p = {width - m - gw, (height - gh) / 2};
        break;
    }
    case kLayoutTop: {
        int s = gh != 0 && hasText ? spacing : 0;
        p = {(width - gw) / 2, margin == -1 ? (height - gh - s - th) / 2 : margin};
        break;
    }
    case kLayoutBottom: {
        int s = gh != 0 && hasText ? spacing : 0;
        int m = margin == -1 ? (height - gh - s - th) / 2 : margin;
        p = {(width - gw) / 2, height - m - gh};
        break;
    }
    default: {
        int s = gw != 0 && hasText ? spacing : 0;
        p = {margin == -1 ? (width - gw - s - tw) / 2 : margin, (height - gh) / 2};
        break;
    }
    }
    p.x += d;
    p.y += d;
    return p;
}

RECT SpeedCaptionRect(int layout, int width, int height, SIZE glyph, SIZE text, int spacing, int margin,
                      bool pressed)
{
    int gw = int(glyph.cx), gh = int(glyph.cy), tw = int(text.cx), th = int(text.cy);
    int d = pressed ? 1 : 0;
    int left = 0, top = 0;
    if (gw > 0 && gh > 0) {
        POINT g = SpeedGlyphPos(layout, width, height, glyph, text, spacing, margin, pressed);
        switch (layout) {
        case kLayoutRight: left = g.x - spacing - tw; top = d + (height - th) / 2; break;
        case kLayoutTop: left = d + (width - tw) / 2; top = g.y + gh + spacing; break;
        case kLayoutBottom: left = d + (width - tw) / 2; top = g.y - spacing - th; break;
        default: left = g.x + gw + spacing; top = d + (height - th) / 2; break;
        }
    } else if (margin == -1) {
        left = d + (width - tw) / 2;
        top = d + (height - th) / 2;
    } else {
        switch (layout) {
        case kLayoutRight: left = width - margin - tw; top = d + (height - th) / 2; break;
        case kLayoutTop: left = d + (width - tw) / 2; top = margin; break;
        case kLayoutBottom: left = d + (width - tw) / 2; top = height - margin - th; break;
        default: left = margin; top = d + (height - th) / 2; break;
        }
    }
    return RECT{left, top, left + tw, top + th};
}

SIZE CheckGlyphSize(bool maskValid, bool ownBitmap, SIZE bitmap, const RECT& maskRect, int stateLayout,
                    int frameCount)
{
    if (!maskValid) return SIZE{16, 16};
    if (ownBitmap) return SIZE{bitmap.cx / 3, bitmap.cy / 2};
    int frames = frameCount <= 0 ? 1 : frameCount;
    return SIZE{(maskRect.right - maskRect.left) / frames, (maskRect.bottom - maskRect.top) / (stateLayout + 1)};
}

RECT CheckGlyphRect(int width, int height, SIZE glyph, bool leftText)
{
    int top = (height - int(glyph.cy)) / 2;
    int left = leftText ? width - int(glyph.cx) : 0;
    return RECT{left, top, left + int(glyph.cx), top + int(glyph.cy)};
}

RECT CheckCaptionRect(int width, int height, SIZE glyph, SIZE text, bool leftText, bool rtlReading, bool multiline,
                      UINT& flags)
{
    int tw = int(text.cx), th = int(text.cy), gw = int(glyph.cx);
    int top = std::max(0, (height - th) / 2);
    RECT r{0, top, 0, height - top};
    flags = 0;
    if (!leftText) {
        r.left = gw + 4;
        r.right = r.left + tw;
        OffsetRect(&r, multiline ? -1 : 0, -1);
    } else if (rtlReading) {
        r.right = width - gw - 6;
        r.left = r.right - tw;
        flags = multiline ? DT_RTLREADING : DT_RTLREADING | DT_RIGHT;
    } else {
        r.left = 2;
        r.right = tw + 2;
    }
    return r;
}

int CheckGlyphFrame(bool pushed, bool focusedOrHot) { return pushed ? 2 : focusedOrHot ? 1 : 0; }

int CheckStateOf(UINT buttonState)
{
    if (buttonState & BST_INDETERMINATE) return 2;
    return buttonState & BST_CHECKED ? 1 : 0;
}

void SpinButtonRects(int width, int height, bool vertical, RECT& first, RECT& second)
{
    if (vertical) {
        first = RECT{0, 0, width, height - height / 2};
        second = RECT{0, first.bottom, width, height};
    } else {
        first = RECT{0, 0, width - width / 2, height};
        second = RECT{first.right, 0, width, height};
    }
}

int SpinHalfAt(int width, int height, bool vertical, POINT p)
{
    if (p.x < 0 || p.y < 0 || p.x >= width || p.y >= height) return -1;
    RECT first{}, second{};
    SpinButtonRects(width, height, vertical, first, second);
    return PtInRect(&first, p) ? 0 : 1;
}

std::vector<int> TrackTickPositions(int count, int channelStart, int channelLength, int thumbLength)
{
    std::vector<int> ticks;
    if (count <= 0) return ticks;
    int first = channelStart + thumbLength / 2;
    if (count < 2) {
        ticks.push_back(first);
        return ticks;
    }
    double step = double(channelLength - thumbLength) / double(count - 1);
    for (int i = 0; i < count; ++i) ticks.push_back(int(std::lround(i * step + first)));
    return ticks;
}

}  // namespace btngeom
