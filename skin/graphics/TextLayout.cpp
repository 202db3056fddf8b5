#include "skin/graphics/TextLayout.h"

#include <algorithm>

TkvButtonPlacement CalcButtonPlacement(const px::Rect& client, int gw, int gh, int tw, int th, int flags,
                                       int spacing, int margin, int alignment, int layout)
{
    const int W = client.Width(), H = client.Height();
    if (flags & ButtonLayoutRightToLeft) {
        if (layout == blGlyphLeft)
            layout = blGlyphRight;
        else if (layout == blGlyphRight)
            layout = blGlyphLeft;
    }
    const bool horizontal = layout == blGlyphLeft || layout == blGlyphRight;
    TkvButtonPlacement p;
    p.TextRect = px::Rect{0, 0, tw, th};
    int textX = 0, textY = 0;
    if (horizontal) {
        p.GlyphY = (H - gh + 1) / 2;
        textY = (H + 1 - th) / 2;
    } else {
        p.GlyphX = (W - gw + 1) / 2;
        textX = (W + 1 - tw) / 2;
    }
    if (tw == 0 || gw == 0) spacing = 0;
    const int length = horizontal ? W : H;
    const int g = horizontal ? gw : gh, t = horizontal ? tw : th;
    if (margin == -1 && spacing == -1) {
        margin = spacing = (length - g - t) / 3;
    } else if (margin == -1) {
        margin = alignment == baCenter ? (length - (g + spacing + t) + 1) / 2 : 2;
    } else if (spacing == -1) {
        spacing = (length - margin - g - t) / 2;
    }
    switch (layout) {
    case blGlyphLeft:
        if (alignment == baLeft) {
            p.GlyphX = margin;
            textX = margin + gw + spacing;
            p.TextRect.right = std::min(p.TextRect.right, W - margin - textX);
        } else if (alignment == baRight) {
            textX = W - margin - tw;
            p.GlyphX = textX - spacing - gw;
        } else {
            p.GlyphX = std::max((W - tw - spacing - gw) / 2, margin);
            textX = p.GlyphX + gw + spacing;
        }
        break;
    case blGlyphRight:
        if (alignment == baLeft) {
            textX = margin;
            p.GlyphX = margin + tw + spacing;
        } else if (alignment == baRight) {
            p.GlyphX = W - margin - gw;
            textX = p.GlyphX - spacing - tw;
        } else {
            textX = (W - tw - spacing - gw) / 2;
            p.GlyphX = textX + tw + spacing;
        }
        break;
    case blGlyphTop:
        p.GlyphY = (H - gh - spacing - th) / 2;
        textY = p.GlyphY + gh + spacing;
        break;
    default:
        p.GlyphY = H - gh - (H - gh - spacing - th) / 2;
        textY = p.GlyphY - spacing - th;
        break;
    }
    p.TextRect.left += textX + client.left;
    p.TextRect.right += textX + client.left;
    p.TextRect.top += textY + client.top;
    p.TextRect.bottom += textY + client.top;
    p.GlyphX += client.left;
    p.GlyphY += client.top;
    return p;
}

std::wstring CutTextToWidth(const TextMeasure& measure, const std::wstring& text, int width)
{
    if (width <= 0) return std::wstring();
    if (measure(text) <= width) return text;
    std::wstring rest = text;
    while (!rest.empty()) {
        rest.pop_back();
        if (!rest.empty() && measure(rest + L"...") <= width) return rest + L"...";
    }
    return std::wstring();
}
