#include "skin/controls/ContainerGeometry.h"

#include <commctrl.h>

#include <algorithm>

namespace containergeo {

const wchar_t* PanelSectionFor(int outer, int inner, bool singleBorder)
{
    if (outer == bvLowered) return inner == bvRaised ? L"GROUPBOX" : L"PANEL_LOW";
    if (outer == bvRaised) return inner == bvLowered ? L"GROUPBOX" : L"PANEL";
    return singleBorder ? L"PANEL_LOW" : L"CHECKBOX";
}

RECT GroupBoxCaptionRect(int width, SIZE text, bool hasText, bool rightToLeft)
{
    if (!hasText) return RECT{};
    RECT r{};
    r.left = rightToLeft ? width - int(text.cx) - 14 : 6;
    r.top = 0;
    r.bottom = std::max(4, int(text.cy)) + 2;
    r.right = std::min(int(r.left) + int(text.cx) + 8, width - 1);
    return r;
}

RECT ToolButtonCaptionRect(const ToolCaptionInput& in)
{
    int w = in.width - (in.dropDown ? in.dropDownWidth : 0);
    RECT r{};
    if (in.list) {
        r.left = (in.hasImages && in.imageIndex >= 0) ? in.imagesWidth + 6 : 1;
        r.right = w - 2;
        r.top = 2;
        r.bottom = in.height - 2;
    } else {
        int b;
        if (in.hasImages) {
            b = (in.height - in.imagesHeight - in.textHeight - 3) / 2;
            r.top = b + in.imagesHeight + 3;
        } else {
            b = (in.height - in.textHeight) / 2;
            r.top = b;
        }
        r.bottom = in.height - b;
        r.left = (w - in.textWidth) / 2 - 1;
        r.right = w - (w - in.textWidth) / 2 + 2;
    }
    if (in.pressed) OffsetRect(&r, 1, 1);
    return r;
}

CaptionLines SplitToolCaption(const String& caption, const std::function<bool(const String&)>& fits)
{
    if (fits(caption) || caption.find(L' ') == String::npos) return {caption, L""};
    // The longest run of leading words that fits; at least the first word.
    size_t cut = caption.find(L' ');
    for (size_t next = caption.find(L' ', cut + 1); next != String::npos; next = caption.find(L' ', next + 1)) {
        if (!fits(caption.substr(0, next))) break;
        cut = next;
    }
    size_t rest = caption.find_first_not_of(L' ', cut);
    return {caption.substr(0, cut), rest == String::npos ? L"" : caption.substr(rest)};
}

NativeToolButtonLayout LayoutNativeToolButton(const NativeToolButtonInput& in)
{
    NativeToolButtonLayout out;
    int p = in.pressed ? 1 : 0;
    int h = in.height;
    int w = in.width - std::max(0, in.dropWidth);   // what image and caption share
    // The image sits near the top when a caption or an arrow shares the button.
    bool shared = in.hasCaption || in.arrow;
    int y = shared ? 4 + p : (h - in.imageHeight) / 2 + p;
    out.image = POINT{(w - in.imageWidth) / 2 + p, y};
    out.caption = RECT{2, 2, w - 2, h - 2};
    if (in.hasImage) out.caption.top += in.imageHeight + 2;
    if (in.arrow && in.hasCaption) {
        // Caption and arrow side by side, centred together.
        int room = std::max(0, w - 4 - (in.arrowWidth + 2));
        int tw = std::clamp(in.textWidth, 0, room);
        int left = (w - (tw + 2 + in.arrowWidth)) / 2;
        out.caption.left = left;
        out.caption.right = left + tw;
        out.arrow = POINT{left + tw + 2, int(out.caption.top) + (in.lineHeight - in.arrowHeight) / 2};
    } else if (in.arrow) {
        out.arrow = POINT{w - in.arrowWidth - 1, (h - in.arrowHeight) / 2};
        out.image.x = (w - in.imageWidth - in.arrowWidth) / 2 + p;
    } else if (in.dropWidth > 0) {
        out.drop = RECT{w, 0, in.width, h};
        out.arrow = POINT{w + (in.dropWidth - in.arrowWidth) / 2, (h - in.arrowHeight) / 2};
    }
    if (in.arrow || in.dropWidth > 0) {
        out.arrow.x += p;
        out.arrow.y += p;
    }
    OffsetRect(&out.caption, p, p);
    return out;
}

int TabPositionOfStyle(DWORD style)
{
    if (style & TCS_VERTICAL) return (style & TCS_RIGHT) ? tpRight : tpLeft;
    return (style & TCS_BOTTOM) ? tpBottom : tpTop;
}

int TabStyleOfStyle(DWORD style)
{
    if (style & TCS_FLATBUTTONS) return 2;
    if (style & TCS_BUTTONS) return 1;
    return 0;
}

RECT AdjustTabRect(RECT r, int position, int tabStyle, bool active)
{
    if (tabStyle != 0 || IsRectEmpty(&r)) return r;
    int a = active ? 1 : 0;
    if (active) {
        r.bottom -= 1;
    } else {
        r.bottom += 3;
        r.right -= 1;
    }
    switch (position) {
    case tpTop:
        InflateRect(&r, 2 * a, 2 * a);
        r.bottom += 1;
        break;
    case tpBottom:
        InflateRect(&r, 2 * a, a);
        r.top -= 2;
        r.bottom += active ? 1 : -3;
        break;
    case tpLeft:
        InflateRect(&r, 0, 1);
        if (active) {
            r.right += 2;
            InflateRect(&r, 1, 1);
        } else {
            r.bottom -= 4;
            r.right += 4;
        }
        break;
    case tpRight:
        InflateRect(&r, 1, 0);
        OffsetRect(&r, -1, -1);
        if (active) {
            InflateRect(&r, 1, 1);
            r.bottom += 3;
        } else {
            r.bottom -= 2;
        }
        break;
    default:
        break;
    }
    return r;
}

int TabRowOf(const RECT& tab, int position, int rows, const RECT& s)
{
    if (rows < 2) return 1;
    int w = tab.right - tab.left, h = tab.bottom - tab.top;
    // An empty item rectangle (a tab the control has not laid out) has no row
    // of its own: dividing by its size would fault.
    if (w <= 0 || h <= 0) return 1;
    int row;
    switch (position) {
    case tpLeft: row = (tab.right + w / 2) / w; break;
    case tpRight: row = rows - (tab.right + w / 2 - s.left) / w + 1; break;
    case tpBottom: row = rows - (tab.bottom + h / 2 - s.top) / h + 1; break;
    default: row = (tab.bottom + h / 2) / h; break;
    }
    return std::clamp(row, 1, rows);
}

RECT FrameAreaOf(int width, int height, const RECT& page, int position, bool hasTabs)
{
    RECT r{0, 0, width, height};
    if (!hasTabs) return r;
    switch (position) {
    case tpBottom: r.bottom = page.bottom + 2; break;
    case tpLeft: r.left = page.left - 1; break;
    case tpRight: r.right = page.right + 1; break;
    default: r.top = page.top - 4; break;
    }
    return r;
}

RECT TabsAreaOf(int width, int height, const RECT& page, int position)
{
    RECT r{0, 0, width, height};
    switch (position) {
    case tpBottom: r.top = page.bottom + 2; break;
    case tpLeft: r.right = page.left - 1; break;
    case tpRight: r.left = page.right + 1; break;
    default: r.bottom = page.top - 4; break;
    }
    return r;
}

String TabFrameSectionFor(bool hasTabs, const String& own, int position)
{
    if (!hasTabs) return L"CHECKBOX";
    if (!own.empty() && own != L"PAGECONTROL" && own != L"UNKNOWN") return own;
    switch (position) {
    case tpBottom: return L"PAGECONTROLBOTTOM";
    case tpLeft: return L"PAGECONTROLLEFT";
    case tpRight: return L"PAGECONTROLRIGHT";
    default: return L"PAGECONTROL";
    }
}

}  // namespace containergeo
