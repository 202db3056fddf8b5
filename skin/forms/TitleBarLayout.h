// The rules of the title-bar component that need no window: where the items
// of the four align groups go, how big an item is, which skin section it
// paints with, which state it shows, how the default menu-button picture is
// converted and painted, and the steps of an item's fade.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "classlib/PixelView.h"

enum class TkvItemAlign { tbaLeft, tbaRight, tbaCenter, tbaCenterInSpace };
enum class TkvBtnStyle { bsButton, bsMenu, bsTab, bsSpacing, bsInfo };

// Item defaults.
constexpr int kTitleItemsMargin = 3;
constexpr int kTitleItemHeight = 18;
constexpr int kTitleItemWidth = 22;
constexpr int kTitleItemSpacing = 4;
constexpr int kTitleItemMinSize = 16;

// ---------------------------------------------------------------- layout

// The area the provider gives the items (frame coordinates). TitleRight is
// the title's right edge before the caption buttons; Center the vertical
// centre of the title's buttons.
struct TkvItemArea {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int Center = 0;
    int TitleRight = 0;
};

struct TkvItemBox {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
};

struct TkvLayoutEntry {
    TkvItemAlign Align = TkvItemAlign::tbaLeft;
    TkvBtnStyle Style = TkvBtnStyle::bsButton;
    bool Visible = true;
    int Width = kTitleItemWidth, Height = kTitleItemHeight;
};

// The widths of the visible items of each group.
struct TkvGroupSums {
    int Left = 0, Right = 0, Center = 0, CenterInSpace = 0;
};

struct TkvTitleItemsLayout {
    std::vector<TkvItemBox> Boxes;   // one per entry; a hidden entry keeps an empty box
    TkvGroupSums Sums;
};

// Left items from the area's left, right items ending at its right, centre
// items centred over the whole title (left .. TitleRight), centre-in-space
// items centred between the left and right groups; items of a group touch in
// collection order. Buttons, spacers and info items are centred on the
// area's centre, menu buttons start at its top, tabs end at its bottom.
TkvTitleItemsLayout LayoutTitleItems(const TkvItemArea& area, const std::vector<TkvLayoutEntry>& entries);

// Where the form's own caption goes when the title bar shows it: between the
// left and right groups, 8 px from each.
struct TkvCaptionSpan {
    int Left = 0, Right = 0;
};
TkvCaptionSpan TitleCaptionSpan(const TkvItemArea& area, const TkvGroupSums& sums);

// ---------------------------------------------------------------- measuring

struct TkvExtent {
    int Width = 0, Height = 0;
};
// Measures a text in the item's font (a screen DC in the program, anything in tests).
using TkvTextExtentFn = std::function<TkvExtent(const std::wstring& text)>;

struct TkvMeasureInput {
    TkvBtnStyle Style = TkvBtnStyle::bsButton;
    TkvExtent Image;            // the image's (or glyph frame's) size; 0 x 0 without one
    std::wstring Caption;
    bool HasDropdown = false;   // a drop-down menu is assigned
    int Spacing = kTitleItemSpacing;
    int ItemsMargin = kTitleItemsMargin;
};

struct TkvMeasured {
    TkvExtent Content;   // image, caption and arrow
    TkvExtent Item;      // the auto size of the whole item
};

// Content offset of a style: 4 for menu buttons, else 0.
int TitleItemContentOffset(TkvBtnStyle style);
// text measures the caption; arrow the width of the drop-down arrow.
TkvMeasured MeasureTitleItem(const TkvMeasureInput& in, const TkvTextExtentFn& text, int arrowWidth);

// ---------------------------------------------------------------- state and skin

enum TkvItemState : int { isNormal = 0, isHot = 1, isPressed = 2 };
// Pressed while the item is Down or its drop-down shows, else the state.
int EffectiveItemState(int state, bool down, bool dropdownShown);

// The section an item paints with: its own SkinSection when the skin has it,
// else TB_BTN / TB_MENUBTN / TB_TAB by style, else TOOLBUTTON for buttons and
// TABTOP for tabs; empty when nothing fits.
std::wstring TitleItemSectionName(TkvBtnStyle style, const std::wstring& own,
                                  const std::function<bool(const std::wstring&)>& skinHas);

// ---------------------------------------------------------------- the default menu-button picture

constexpr uint32_t kMenuButtonKey = 0xFF00FF;   // colour part of a key pixel
constexpr int kMenuButtonFrames = 3;            // normal, hot, pressed side by side
// Nine-part margins of a frame.
constexpr int kMenuButtonMarginLeft = 8, kMenuButtonMarginTop = 2, kMenuButtonMarginRight = 8,
              kMenuButtonMarginBottom = 4;

// In place: every pixel whose colour is not the key gets its alpha byte
// inverted and its colour channels multiplied by the new alpha / 256.
void ConvertMenuButtonPixels(const PixelView& v);

// Paints the frame 'frame' of the converted picture src over dst at the
// rectangle (x, y, w, h): corners copied without key pixels, edges and
// centre stretched; each pixel laid over dst by its alpha.
void PaintMenuButtonFrame(const PixelView& dst, int x, int y, int w, int h, const PixelView& src, int frame);

// ---------------------------------------------------------------- the fade

// The steps of an item's fade between two states: the alpha of the next
// picture each tick, up to full at the end of a fade-in and down to nothing
// at the end of a fade-out.
class TkvFadeSteps {
public:
    explicit TkvFadeSteps(int steps = 10) { SetSteps(steps); }
    void SetSteps(int steps) { steps_ = steps < 1 ? 1 : steps; }
    int Steps() const { return steps_; }
    int Step() const { return step_; }
    int AlphaStep() const { return 255 / steps_; }
    bool FadeIn() const { return fadeIn_; }
    int TargetState() const { return target_; }   // -1 when finished
    bool Running() const { return running_; }

    // What a tick (or a start) asks for.
    struct Frame {
        int Alpha = -1;          // the alpha to show; -1: nothing to show
        bool Finished = false;   // the fade is over (the timer stops)
        bool FadedIn = false;    // a fade-in ended: check whether the mouse left
        bool Drop = false;       // a fade-out ended: free the picture and the window
    };
    // Towards state (non-zero: fade in, 0: fade out). The same target again does nothing.
    Frame Start(int state);
    Frame Tick();

private:
    int steps_ = 10;
    int step_ = 0;
    int target_ = -1;
    bool fadeIn_ = false;
    bool running_ = false;
};
