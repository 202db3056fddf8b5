// Layout rules of the container, bar and tab wrappers that need no window:
// the section a panel's bevels choose, the group box's caption band, the
// caption of a class-library tool button, and the tab strip's rectangles
// and rows. The wrappers feed them what they read from their windows.
#pragma once
#include <windows.h>

#include <functional>

#include "classlib/SysUtils.h"

namespace containergeo {

// ---- panels and group boxes

// Bevel values as a panel stores them: none, lowered, raised, space.
enum Bevel { bvNone = 0, bvLowered = 1, bvRaised = 2, bvSpace = 3 };

// The section a panel is skinned with when nobody names one.
const wchar_t* PanelSectionFor(int bevelOuter, int bevelInner, bool singleBorder);

// The caption band of a group box window of the given width whose caption
// measures textSize (DT_CALCRECT); an empty caption gives an empty band
// whose frame starts at the top.
RECT GroupBoxCaptionRect(int width, SIZE textSize, bool hasText, bool rightToLeft);

// ---- class-library tool buttons

struct ToolCaptionInput {
    int width = 0, height = 0;   // the button
    bool list = false;            // the tool bar shows captions beside images
    bool dropDown = false;        // the button has a drop-down part
    int dropDownWidth = 0;        // its width (the system's vertical scroll-bar width - 2)
    bool hasImages = false;       // the tool bar has an image list
    int imagesWidth = 0, imagesHeight = 0;
    int imageIndex = -1;
    int textWidth = 0;            // caption width in the tool bar's font
    int textHeight = 0;           // height of "A" in that font
    bool pressed = false;         // state 2: content moves 1 px right and down
};
RECT ToolButtonCaptionRect(const ToolCaptionInput& in);

// A native tool button's caption in at most two lines: the leading words
// that fit the width (measured by fits) make the first line, the rest the
// second. A caption that fits, or has no space, stays one line (second empty).
struct CaptionLines {
    String first, second;
};
CaptionLines SplitToolCaption(const String& caption, const std::function<bool(const String&)>& fits);

// ---- native tool-bar buttons

// Where a native tool button's parts go inside the button (0, 0, width, height).
// A whole-drop-down button shows its arrow right beside its caption (at the
// right edge without one); a split button shows it in its drop-down part,
// and its image and caption share the rest.
struct NativeToolButtonInput {
    int width = 0, height = 0;
    bool hasImage = false;             // an image list and an image index >= 0
    int imageWidth = 0, imageHeight = 0;
    bool hasCaption = false;
    int textWidth = 0;                 // the caption's width in one line
    int lineHeight = 0;                // the height of one caption line
    bool arrow = false;                // a whole-drop-down button whose skin has the arrow glyph
    int arrowWidth = 0, arrowHeight = 0;
    int dropWidth = 0;                 // a split button's drop-down part at the right, 0 without
    bool pressed = false;              // state 2: everything moves 1 px right and down
};
struct NativeToolButtonLayout {
    POINT image{};                     // top-left of the image (when there is one)
    POINT arrow{};                     // top-left of the arrow glyph (when there is one)
    RECT caption{};                    // the caption's rectangle
    RECT drop{};                       // a split button's drop-down part (empty without)
};
NativeToolButtonLayout LayoutNativeToolButton(const NativeToolButtonInput& in);

// ---- tab strips

enum TabPosition { tpTop = 0, tpBottom = 1, tpLeft = 2, tpRight = 3 };
// Position and style (0 tabs, 1 buttons, 2 flat buttons) of a tab window style.
int TabPositionOfStyle(DWORD style);
int TabStyleOfStyle(DWORD style);

// The painted rectangle of a tab from the item rectangle the control reports:
// the active tab grows over the frame, inactive ones step back from it.
// Button styles and empty rectangles are returned as they are.
RECT AdjustTabRect(RECT item, int position, int tabStyle, bool active);

// The row (1 = next to the page) of a tab in a multi-line control; rows is
// the control's row count, tabsArea the strip. A tab without size is row 1.
int TabRowOf(const RECT& tab, int position, int rows, const RECT& tabsArea);

// page: the display area (TCM_ADJUSTRECT) of the window (0, 0, width, height).
// The frame is the window cut back to the page on the tab side when there
// are tabs; the strip is the rest on that side.
RECT FrameAreaOf(int width, int height, const RECT& page, int position, bool hasTabs);
RECT TabsAreaOf(int width, int height, const RECT& page, int position);

// The section a tab or page control paints its frame with: "CHECKBOX"
// without tabs, a section of its own when it has one, else the one for the
// tab position.
String TabFrameSectionFor(bool hasTabs, const String& ownSection, int position);

}  // namespace containergeo
