// The arithmetic of a skinned form's frame, as pure functions: frame widths
// and caption heights, where the title buttons go, which non-client part a
// point lies in, screen snapping, the drag frame of the border-drag mode, the
// window region and the number of menu lines. The provider feeds them the
// form's facts; tests feed them any facts they like. Nothing here touches a
// window.
#pragma once
#include <windows.h>

#include <functional>
#include <vector>

#include "classlib/Forms.h"
#include "skin/model/MaskData.h"

// The system metrics the frame arithmetic reads, in one record.
struct TsFrameMetrics {
    int CyCaption = 0;     // SM_CYCAPTION
    int CySmCaption = 0;   // SM_CYSMCAPTION
    int CxFrame = 0;       // SM_CXFRAME
    int CxDlgFrame = 0;    // SM_CXDLGFRAME
    int CyMenu = 0;        // SM_CYMENU
    int CyHScroll = 0;     // SM_CYHSCROLL
    // Read from the system once per process, then cached.
    static const TsFrameMetrics& System();
};

// What the arithmetic needs to know about the form.
struct TsFrameFacts {
    DWORD Style = 0;   // GWL_STYLE
    TFormBorderStyle BorderStyle = TFormBorderStyle::bsSizeable;
    bool Iconic = false;
    bool Zoomed = false;
    bool ChildWindow = false;     // WS_CHILD (a form embedded in another control)
    bool MDIChild = false;
    bool BorderWindow = false;    // extended borders are drawn by a border window
    bool ExtraHighTitle = false;  // zoomed with a skin title higher than the system's
    const TsSkinData* Skin = nullptr;   // nil: no skin loaded
};

// Frame width: the skin's extended border width when asked and a border window
// exists; else SM_CXFRAME with WS_THICKFRAME, SM_CXDLGFRAME with WS_BORDER, else 0.
int FormFrameWidth(const TsFrameMetrics& m, const TsFrameFacts& f, bool extended);
// The frame width above the caption: 0 with a border window.
int TopFrameWidth(const TsFrameMetrics& m, const TsFrameFacts& f);
// SM_CYSMCAPTION for tool windows that are not iconic, else SM_CYCAPTION.
int StdCaptionHeight(const TsFrameMetrics& m, const TsFrameFacts& f);
// The skin's TITLEHEIGHT with a border window, else 0.
int ExtFrameTitleHeight(const TsFrameFacts& f);
// MAXHEIGHT, or TITLEHEIGHT when MAXHEIGHT is 0.
int MaximizedTitleHeight(const TsSkinData& skin);
// Whether the form has a caption: both WS_CAPTION bits, and a frame at all.
bool HasCaptionFrame(const TsFrameFacts& f);
// The height of the caption band (0 for a form without caption that is not iconic).
int CaptionAreaHeight(const TsFrameMetrics& m, const TsFrameFacts& f, bool extended);
// Title icon size for a caption height h: 1 up to 8, 8 up to 16, else 16.
int TitleIconSize(int captionHeight);
// MenuLineCount from the first menu item's bottom and the client top (both in
// screen coordinates): 1, or more when the item ends above the client top.
int MenuLineCountFor(int firstItemBottom, int clientTop, int cyMenu);

// ---- title elements and their hit codes
// Hit codes of user title buttons and title-bar items: one group of kTitleElementRange
// codes each, 1000.. and 2000.. .
constexpr int kTitleElementRange = 256;
constexpr int kUserButtonBase = 1000;
constexpr int kTitleBarItemBase = 2000;
// The MDI child's buttons on the menu line of an MDI main form.
constexpr int HTMDICLOSE = 101, HTMDIRESTORE = 102, HTMDIMIN = 103;
// "No hot element".
constexpr int kNoElement = -1;
// True for 1000..1255 and 2000..2255.
constexpr bool IsTitleElement(int code)
{
    return (code >= kUserButtonBase && code < kUserButtonBase + kTitleElementRange) ||
           (code >= kTitleBarItemBase && code < kTitleBarItemBase + kTitleElementRange);
}

// The size and kind of one caption button's glyph.
struct TsButtonGlyph {
    int Width = 21;     // 21 when the skin has no mask for it
    int Height = 21;
    bool Big = true;    // from the big set (BICON*)
};

// The caption buttons the form shows, and what they may do (the system menu's rules).
struct TsCaptionButtons {
    bool SystemMenu = true;   // a system menu object and biSystemMenu
    bool VisibleMax = false, VisibleMin = false, Help = false;
    bool EnabledClose = true, EnabledMax = true, EnabledMin = true, EnabledRestore = true;
    TsButtonGlyph Close, Max, Min, HelpGlyph;
    bool BigButtons = true;   // bsSingle or bsSizeable
};

struct TsUserButton {
    bool Visible = true;
    bool Enabled = true;
    int Width = 21, Height = 21;
};

// Where the layout is made: the frame picture and its margins.
struct TsTitleLayoutInput {
    int PictureWidth = 0;     // the frame picture's width
    int FrameWidth = 0;       // FormFrameWidth (extended)
    int TopFrame = 0;         // TopFrameWidth
    int CaptionHeight = 0;    // CaptionAreaHeight (extended)
    RECT Shadow{};            // shadow margins of the border window (0 without one)
    bool BorderWindow = false;
    bool Zoomed = false;
    int CxFrame = 0;          // SM_CXFRAME
    bool ShowIcon = false;
    int IconWidth = 0, IconHeight = 0;
    bool TitleBar = false;    // a title-bar component takes the space left of the buttons
    const TsSkinData* Skin = nullptr;
};

// Where everything in the title went.
struct TsTitleLayout {
    int ButtonsCenter = 0, ButtonsTop = 0, TitleBottom = 0;
    RECT Icon{};
    RECT Close{}, Max{}, Min{}, Help{};   // empty (right = left) when not placed
    std::vector<RECT> User;               // one per user button; empty when hidden
    RECT TitleBarArea{};
    int ButtonBlockLeft = 0;              // the cursor after the last placed button
};

TsTitleLayout LayoutTitleButtons(const TsTitleLayoutInput& in, const TsCaptionButtons& b,
                                 const std::vector<TsUserButton>& user);

// The one enumeration of the title's elements, in hit-test order: close,
// maximise, minimise, help, then each visible user button. Every hit test and
// painter that walks the elements goes through it.
enum class TsTitleElementKind { Close, Max, Min, Help, User };
struct TsTitleElement {
    TsTitleElementKind Kind;
    int Index;   // user button index
    RECT Bounds;
};
void ForEachTitleElement(const TsTitleLayout& l, const TsCaptionButtons& b, const std::vector<TsUserButton>& user,
                         const std::function<bool(const TsTitleElement&)>& visit);

// What a non-client hit test needs besides the layout.
struct TsHitInput {
    POINT Point{};            // relative to the window's top-left corner
    int Width = 0, Height = 0;   // of the window
    int FrameWidth = 0;       // sizing band width
    int TopFrame = 0;
    int CaptionHeight = 0;    // 0: no caption band
    int MenuLineHeight = 0;
    int MenuLines = 0;
    bool Sizeable = false;    // WS_THICKFRAME, not zoomed, no border window
    bool Iconic = false;
    bool BorderWindow = false;   // the border window tests the title itself
    bool Grip = false;        // a size grip shows
    RECT GripRect{};          // window coordinates
    bool MDIButtons = false;  // the MDI child's buttons show on the menu line
    RECT MDIClose{}, MDIRestore{}, MDIMin{};
};

// The hit code of a point. Every band is half-open (a point on the far edge
// belongs to the next band); corners come from the vertical and the
// horizontal zone together.
int HitTestFrame(const TsHitInput& in, const TsTitleLayout& l, const TsCaptionButtons& b,
                 const std::vector<TsUserButton>& user);

// ---- screen snapping
// Offsets that move the visible frame onto the snap edges (all 0 without a border window).
struct TsSnapOffsets {
    int Right = 0, Bottom = 0, Left = 0, Top = 0;
};
// Snaps a window at (x, y) sized (w, h) to the edges of area when an edge lies
// closer than buffer; right, bottom, left, top in that order.
void SnapToArea(int& x, int& y, int w, int h, const RECT& area, int buffer, const TsSnapOffsets& extra);

// ---- the border-drag mode: the drag frame's arithmetic
// Every edge the hit code names moves by as much as the mouse moved since the
// drag began, so the pixel grabbed stays under the mouse.
struct TsBorderDrag {
    bool Active = false;
    bool Move = false;     // a move keeps the size
    int HitCode = 0;
    RECT Frame{};          // screen coordinates
    RECT StartFrame{};
    int MinWidth = 0, MinHeight = 0;
    POINT StartPoint{};    // mouse point where the drag began

    void Start(int hitCode, const RECT& window, POINT mouse, int minWidth, int minHeight);
    // Follows the mouse to p (screen coordinates).
    void Follow(POINT p);
    void Clear() { *this = TsBorderDrag{}; }
};

// ---- region
// The window region of a frame picture width x height at (x, y) without every cut; the caller owns it.
HRGN CreateRegionWithCuts(int x, int y, int width, int height, const std::vector<RECT>& cuts);
