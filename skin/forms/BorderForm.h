// TkvBorderForm: the extended border and shadow of a skinned form. With a skin
// that draws a shadow and a frame wider than the form's own, the form gets a
// second window behind it: borderless, per-pixel alpha, owned by the form. Its
// picture is the form's frame picture, larger than the form by the shadow
// margins; the form's client area is cut out of its region, so the form shows
// through. It takes the frame's mouse input (hit test, sizing, caption drag,
// caption buttons) and hands it to the form.
//
// The arithmetic (offsets, zones, hit codes) is in pure functions over a
// TsBorderLayout, so tests can feed any layout they like.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "classlib/Forms.h"
#include "classlib/PixelView.h"
#include "skin/core/ProviderSeam.h"
#include "skin/forms/FrameGeometry.h"

class PixelBitmap;
class TsSkinProvider;

// The border window's extended style: exactly WS_EX_NOACTIVATE, WS_EX_LAYERED
// and WS_EX_TOOLWINDOW.
constexpr DWORD kBorderWindowExStyle = WS_EX_NOACTIVATE | WS_EX_LAYERED | WS_EX_TOOLWINDOW;
static_assert(kBorderWindowExStyle == 0x08080080);
// Every point of the frame answers HTOBJECT (19): the border window takes all mouse
// input there as non-client messages and tests the point itself.


// Everything the border window's arithmetic needs, in border-window pixels.
struct TsBorderLayout {
    int FrameWidth = 0;      // Fw: the form's own frame width (no extended borders)
    int ExtBorderWidth = 0;  // Bw: the skin's extended border width
    int ExtTitleHeight = 0;  // Th: the skin's title height (0 without caption)
    int CaptionHeight = 0;   // Ch: the form's own caption height
    RECT Shadow{};           // SL, ST, SR, SB
    RECT Align{};            // ALIGNOFFSET, ALIGNOFFSETT, ALIGNOFFSETR, ALIGNOFFSETB
    int MaxTitleDelta = 0;   // > 0: a zoomed form's title is taller than the standard caption + 4 by this
    bool Zoomed = false;
    SIZE Owner{};            // the form's window size
    POINT ClientOrigin{};    // the form's client top-left in its window
    SIZE Client{};           // the form's client size
};

// How far the border window reaches left of and above the form.
POINT BorderFormOffset(const TsBorderLayout& l);
// The border window's rectangle for a form whose window is at formRect.
RECT BorderWindowRect(const TsBorderLayout& l, const RECT& formRect);
// The visible frame inside the border window (its rectangle less the shadow).
RECT BorderVisibleFrame(const TsBorderLayout& l, SIZE window);
// The sizing zone: the visible frame grown by the ALIGNOFFSET values. Points
// outside it are the shadow. A zoomed form has no shadow zone.
RECT BorderSizingZone(const TsBorderLayout& l, SIZE window);
// The window region: the whole window XOR the form's client area (a zoomed
// form: the inner rectangle alone). The caller owns it.
HRGN CreateBorderRegion(const TsBorderLayout& l, SIZE window);

// The region blurred behind the frame under desktop composition: the visible
// frame grown by 1 px, less every pure black pixel of picture in the four
// corner squares of formOffset size (the frame's rounded corners). The caller
// owns it.
HRGN CreateBlurRegion(const TsBorderLayout& l, const PixelView& picture, int formOffset);
// Blur behind wnd on or off (region nil: the whole window); false without the
// desktop window manager's function.
bool EnableBlurBehind(HWND wnd, bool enable, HRGN region);

// What the hit test reads about the form.
struct TsBorderHitInput {
    POINT Point{};           // relative to the border window
    SIZE Window{};
    bool Enabled = true;
    bool Sizeable = false;   // WS_THICKFRAME
    bool Iconic = false;
    int MenuLineHeight = 0;
    RECT Icon{};             // the title icon, border-window pixels
    bool Grip = false;
    RECT GripRect{};
};

// The hit code of a point: -1 (HTTRANSPARENT) in the shadow and for a disabled
// form; the title's elements through the one element enumerator; sizing bands
// half-open with corners combined from the two zones; caption, icon, menu line;
// the size grip; anything else -1.
int BorderHitTest(const TsBorderLayout& l, const TsBorderHitInput& in, const TsTitleLayout& title,
                  const TsCaptionButtons& b, const std::vector<TsUserButton>& user);

// The offsets that make the visible frame, not the form's window, snap to the
// screen's edges: right and bottom by the extended border and ALIGNOFFSETR/B,
// left by ALIGNOFFSET less the border, top by the title and ALIGNOFFSETT.
TsSnapOffsets BorderSnapOffsets(const TsBorderLayout& l);
// A double click on a sizing edge stretches the form so its visible frame
// fills the work area between two edges: vertical (top or bottom edge) the
// height, else the width. form: the form's window rectangle.
RECT StretchedFormRect(const TsBorderLayout& l, const RECT& form, const RECT& work, bool vertical);

// A maximised form drops its border window (and gets none) while this is set;
// set by nothing inside the library.
extern bool MaximizedWithoutBorderWindow;

// Registers the border window's part of the frame painter: the picture the
// border window's size, its shadow margins and the shadow painted into them.
void InitBorderFormUnit();

// Pushes bitmap (nil: a new empty 32-bit picture of the window's size) to
// wnd with a constant alpha, at *position (nil: where the window is). Makes
// the window layered when it is not. False when layered windows are missing.
bool UpdateLayeredFromBitmap(HWND wnd, TBitmap* bitmap, uint8_t alpha, const POINT* position);

// Sets a border object's guard flag for a scope and clears it on every way out.
class TsBorderFlagScope {
public:
    explicit TsBorderFlagScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~TsBorderFlagScope() { flag_ = false; }
    TsBorderFlagScope(const TsBorderFlagScope&) = delete;
    TsBorderFlagScope& operator=(const TsBorderFlagScope&) = delete;

private:
    bool& flag_;
};

// What the border window asks of the object it serves (a form's border or a
// dialog's): every message goes there first; what it leaves, the window
// answers itself (no background, no frame, no painting, never activated).
class TsBorderWindowHandler {
public:
    virtual bool HandleMessage(TMessage& m) = 0;

protected:
    ~TsBorderWindowHandler() = default;
};

// The border window itself: a borderless popup with kBorderWindowExStyle,
// owned by the skinned window, made at bounds (screen) and hidden until its
// handler shows it.
class TkvBorderWindow : public TForm {
    DECLARE_CLASS(TkvBorderWindow, TForm)
public:
    TkvBorderWindow(TsBorderWindowHandler* handler, HWND owner, const RECT& bounds);
    // Makes the window into slot and then its handle.
    static TkvBorderWindow* Make(TkvBorderWindow*& slot, TsBorderWindowHandler* handler, HWND owner,
                                 const RECT& bounds);
    void Dispatch(TMessage& message) override;
    // The handler forgets the window: from now on it answers alone.
    void Detach() { handler_ = nullptr; }
    // Takes the window out of slot, detached and owned by the application
    // window, so it no longer follows its owner (an animation takes it over).
    static TkvBorderWindow* Release(TkvBorderWindow*& slot);

protected:
    void CreateParams(TCreateParams& params) override;

private:
    TsBorderWindowHandler* handler_;
    HWND owner_;
};

// The border picture's shadow: every pixel of v outside frame gets the
// shadow picture stretched over v (its corners 1:1 up to marginX/marginY,
// the middle stretched; nil or too small a shadow: transparent black);
// pixels inside frame are made opaque.
void PaintBorderShadow(const PixelView& v, const PixelBitmap* shadow, int marginX, int marginY, const RECT& frame);

// The masks whose corners shape the frame: the form's (or dialog's) border
// mask, its corners at most FormCornerMost px, and the title's own border mask
// for the two top corners when it has one (-1: none).
struct TsFrameCornerMasks {
    int Form = -1;
    int Top = -1;
    int FormCornerMost = 8;
};
// The frame's rounded corners: inside each corner of frame, as large as its
// mask's corner, every pixel whose mask pixel (first frame) is the key colour
// shows the shadow, as PaintBorderShadow stretches it, instead of the frame.
class TsSkinManager;
void PaintFrameCornersIntoShadow(const PixelView& v, TsSkinManager& m, const TsFrameCornerMasks& masks,
                                 const PixelBitmap* shadow, int marginX, int marginY, const RECT& frame);

class TkvBorderForm : public TsBorderSeam, public TsBorderWindowHandler {
public:
    explicit TkvBorderForm(TsSkinProvider* provider);
    ~TkvBorderForm() override;

    TsSkinProvider* Provider() const { return provider_; }
    HWND OwnerHandle() const;
    // The layout of the form now.
    TsBorderLayout Layout() const;
    // The window, nil while it is not made.
    TkvBorderWindow* WindowIfMade() const { return window_; }
    bool UpdateLocked() const { return updateLock_; }
    void SetUpdateLock(bool on) { updateLock_ = on; }
    // The window's last position the move loop reported ((-1, -1): none).
    POINT LastPos() const { return lastPos_; }
    void SetLastPos(POINT p) { lastPos_ = p; }
    // After a move loop: the system puts a window whose top was dragged above
    // the screen back down; the border window (and with it the form) goes back
    // where the loop last placed it. Nothing for any other last position.
    void ApplyLastPos();
    // Frees the window (made anew on demand).
    void FreeWindow();
    // Hides the window with its form (not while an animation owns it).
    void HideWindow();

    // The title's layout in border-window (= frame picture) pixels.
    TsTitleLayout TitleLayout() const;
    // A double click on a sizing edge: stretches the form between the work
    // area's edges, or gives back what it had before. False for other codes.
    bool StretchEdge(int hitCode);
    // The hit code of a point relative to the border window.
    int HitTest(POINT p);
    // The same for a screen point; -1 where the window is not.
    int HitTestScreen(POINT screen);
    // The window procedure's rows (messages it does not handle go on to the window class).
    bool HandleMessage(TMessage& m) override;
    void ApplyPendingRegion();

    // ---- TsBorderSeam
    TWinControl* Window() override;
    TWinControl* ReleaseWindow() override;
    void PaintOwnerFrame() override;
    HRGN CreateBorderRegion() override;
    void UpdateBorderWindow(bool repaint, uint8_t alpha) override;
    void SetSkipUpdate(bool on) override { updateLock_ = on; }
    bool HasExtendedShadow() override { return true; }
    POINT ShowOffsets() override;

    // The picture the window shows: the form's frame picture when it has the
    // window's size, else one painted here (shadow and plain frame).
    TBitmap* Picture();

private:
    void PaintOwnPicture(TBitmap* bmp);
    void SnapMove(WINDOWPOS& pos);
    TsSkinProvider* provider_;
    TkvBorderWindow* window_ = nullptr;
    int savedTop_ = 0, savedHeight_ = 0, savedLeft_ = 0, savedWidth_ = 0;
    std::unique_ptr<TBitmap> ownPicture_;
    POINT lastPos_{-1, -1};
    bool updateLock_ = false;
    bool mouseTest_ = false;
    bool regionPending_ = false;
};
