// Skinned scroll bars of a window. TkvScrollWnd reserves the room for the
// window's bars itself in WM_NCCALCSIZE, paints both bars and the corner
// between them from the skin, hit-tests them and runs the mouse interaction
// (arrow and page repeat, thumb drag, hot tracking), still sending the window
// the standard WM_HSCROLL / WM_VSCROLL so it scrolls as before.
//
// Classes in this file:
// - TkvScrollBar: the state of one bar of one window.
// - TkvScrollWnd: the wrapper of a window with skinned bars.
//
// The system draws its own bar at once when a bar is changed by a call from
// outside the window's messages (SetScrollInfo, EnableScrollBar) and tells
// nobody; a watch of 100 ms paints the skinned bars again after such a change
// and computes the frame again when the skin came or went unannounced.
//
// One tracking record serves the whole process: only one bar is pressed or
// hot at a time. A press ends on the button-up, and also when the capture is
// taken away or the tracked window goes (otherwise the repeat would go on
// sending line steps for ever and a later button-up elsewhere would end a
// scroll in the wrong window).
#pragma once
#include <windows.h>

#include <memory>
#include <vector>

#include "classlib/Graphics.h"

#include "classlib/Object.h"
#include "skin/controls/MainWnd.h"
#include "skin/controls/ScrollGeometry.h"

class TsSkinManager;
class TkvScrollWnd;

class TkvScrollBar : public TObject {
    DECLARE_CLASS(TkvScrollBar, TObject)
public:
    TkvScrollBar() = default;
    // 8: the window's style has this bar; 1 / 2: the first / second arrow is
    // disabled; 4: the bar counts as disabled while its range is empty.
    uint16_t Flags = 0;
    bool Visible = false;
    SCROLLINFO Info{sizeof(SCROLLINFO), SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS, 0, 0, 0, 0, 0};
    int32_t ArrowLength = -1;   // >= 0 pixels; -n: n times the default arrow length
    int32_t Thickness = -1;     // >= 0 pixels; -n: n times the system metric
    int32_t LeadInset = 0, TrailInset = 0;
    bool LeadInsetOn = false, TrailInsetOn = false;
    uint16_t Kind = 0;          // 0 horizontal, 1 vertical, 2 a scroll-bar control
    uint16_t MinThumbSize = DefaultMinThumbSize;
    TkvScrollWnd* Owner = nullptr;

    scrollgeo::BarInfo Geometry() const { return {Info.nMin, Info.nMax, Info.nPage, Info.nPos}; }
};

// Thickness (wantThickness) or arrow length of a bar; 0 for a nil bar or a
// bar of another kind. fromSkin: the arrow length may come from the skin's
// arrow mask (when its section has ReservedBoolean).
int ScrollBarSize(const TkvScrollBar* bar, bool wantThickness, bool fromSkin, TsSkinManager* manager = nullptr);

// Paints a bar of kind 0 or 1, length x thickness, into bmp (made 32-bit and
// sized by the call): the two track sections split at the thumb's centre, the
// arrows with their glyphs and the thumb. states: the paint states (0 normal,
// 1 hot, 2 pressed) of the parts by hit code (0, 1, 2, 3, 5). bgColor: the
// colour a disabled bar fades toward. False (nothing painted) without a
// usable skin.
struct TkvBarPaintRequest {
    int Kind = 1;
    int Length = 0, Thickness = 0;
    scrollgeo::BarLayout Layout;
    int States[6] = {};
    bool Enabled = true;
    TColor BgColor = 0;
    // The parent's picture behind the bar (32-bit; the bar's top-left pixel at
    // BgX, BgY), or nil: the bar stands on BgColor. A disabled bar is mixed
    // 0.4 toward what it stands on.
    TBitmap* BgBitmap = nullptr;
    int BgX = 0, BgY = 0;
};
bool PaintScrollBarBitmap(TsSkinManager* manager, const TkvBarPaintRequest& request, TBitmap* bmp);
// The layout of a bar as both painting and hit testing use it.
scrollgeo::BarLayout ScrollBarLayout(const TkvScrollBar& bar, int length, TsSkinManager* manager);

class TkvScrollWnd : public TkvMainWnd {
    DECLARE_CLASS(TkvScrollWnd, TkvMainWnd)
public:
    // Build with CreateWrapper<TkvScrollWnd>(...): attaching reads both bars,
    // hooks the window and, when repaint, recomputes and repaints its frame.
    TkvScrollWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
                 bool repaint = false);
    ~TkvScrollWnd() override;

protected:
    // baseTheme false: the descendant decides about the visual styles (see TkvMainWnd).
    TkvScrollWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
                 bool repaint, bool baseTheme);

public:

    std::unique_ptr<TkvScrollBar> HorzBar, VertBar;
    bool ThumbTracking = false;
    bool LeftScrollBar = false;
    int32_t LeftEdge = 0, RightEdge = 0, TopEdge = 0, BottomEdge = 0;
    bool StyleChanging = false;

    // The manager the bars are painted with, nil while it has no active skin.
    TsSkinManager* ActiveManager() const;
    // Re-reads both bars; with repaint, paints them again.
    void RefreshScrollBars(bool repaint);
    // Screen rectangles of the bars (empty height / width when not visible).
    RECT HorzBarRect() const;
    RECT VertBarRect() const;
    bool SizeGripAllowed() const;
    // Paints the bars and the corner into dc (the window DC when null).
    void NCPaint(HDC dc = nullptr);
    // The bar of a kind (0 horizontal, 1 vertical).
    TkvScrollBar* Bar(int kind) const { return kind == 0 ? HorzBar.get() : VertBar.get(); }
    bool BarEnabled(const TkvScrollBar& bar) const;
    // Flags 1 and 2 (first, second arrow disabled) of a bar: its own and the system's.
    uint16_t DisabledArrows(const TkvScrollBar& bar) const;
    // Both at once.
    struct BarState {
        uint16_t DisabledArrows = 0;
        bool Enabled = false;
    };
    BarState StateOf(const TkvScrollBar& bar) const;

    // The scrolling wrapper of a window, or null (also for wrappers of other kinds).
    static TkvScrollWnd* Of(HWND wnd);

    void WndProc(TMessage& m) override;
    void HookSelf(bool repaint) override;
    void Unhooking() override;
    TkvScrollBar* ScrollBar(int kind) override { return kind == 0 || kind == 1 ? Bar(kind) : nullptr; }
    bool SetMinThumb(int which, int size) override;

protected:
    // Ends a press on one of this window's bars as a button-up does (the
    // closing scroll messages, the bar repainted), leaving the capture alone;
    // false when none is running.
    bool EndBarPress();

private:
    void DispatchBars(TMessage& m);
    // What the bars show: range, page, position, visible, enabled and arrows of each.
    struct BarsLook {
        struct Bar {
            int Min = 0, Max = 0, Page = 0, Pos = 0, State = 0;
            bool operator==(const Bar&) const = default;
        } Info[2];
        bool operator==(const BarsLook&) const = default;
    };
    BarsLook Look();
    // Every 100 ms: paints the bars again when they changed without a message
    // of the window's own, and computes the frame again when the skin came or
    // went unannounced.
    void WatchBars();
    void StartWatch();
    void ReadInfo(TkvScrollBar& bar);
    void NCCalcSize(TMessage& m);
    void NCHitTest(TMessage& m);
    void NCMouseMove(TMessage& m);
    void NCLButtonDown(TMessage& m);
    void MouseMove(TMessage& m);
    void LButtonUp(TMessage& m);
    void Timer(TMessage& m);
    void CaptureLost();
    void ForgetTracking();
    int HitTest(int kind, POINT screen) const;
    struct ParentAnswer;
    // enabled: as the bar was read for this paint; answer: the parent's, asked by the first bar painted.
    void PaintBar(int kind, HDC dc, bool enabled, ParentAnswer& answer);
    void PaintCorner(HDC dc);
    void SendScroll(int code, int pos);
    void StartButtonRepeat();
    void DragStep(POINT screen);
    void EndPress(bool sendEnd);

    // What a kept picture was painted from: the skin (its manager and the
    // manager's generation, which moves on with every load, switch, recolour
    // or removal, even of a skin loaded again under the same name whose
    // tables land where the old ones were), the request (size, layout, part
    // states, enabled, colour) and the parent's pixels under the bar. A paint
    // from the same again copies the kept picture instead of blending every
    // part through its mask.
    struct SkinStamp {
        const void* Manager = nullptr;
        uint64_t Generation = 0;
        bool operator==(const SkinStamp&) const = default;
    };
    struct PictureKey {
        bool Valid = false;
        SkinStamp Skin;
        int Kind = 0, Length = 0, Thickness = 0;
        scrollgeo::BarLayout Layout;
        int States[6] = {};
        bool Enabled = true;
        TColor BgColor = 0;
        // The parent's picture: its size, where the bar stands in it, and its
        // pixels under the bar (none without a picture).
        int BgWidth = 0, BgHeight = 0, BgX = 0, BgY = 0;
        std::vector<uint32_t> Under;
        // The corner: the grip is drawn, facing left.
        bool Grip = false, GripLeft = false;
        bool operator==(const PictureKey&) const = default;
    };
    static SkinStamp StampOf(TsSkinManager* m);
    static PictureKey KeyOf(TsSkinManager* m, const TkvBarPaintRequest& q);
    // Frees the kept pictures (a skin command came, the skin went, the wrapper unhooks).
    void ForgetPictures();

    // The last painted horizontal bar, vertical bar and corner, and what each was painted from.
    std::unique_ptr<TBitmap> barBitmaps_[3];
    PictureKey painted_[3];
    // The last frame computation reserved the bars' room for the skin (not the system).
    bool framedBySkin_ = false;
    BarsLook shown_;            // what the last NCPaint showed
    bool watching_ = false;     // the watch timer runs
    int frameAsked_ = -1;       // the skin state a frame computation was last asked for; -1 none
};

// The scroll message sent for a part or a drag (skin command 51 before it and
// 52 after it, so that a wrapper above may lock its redrawing). A window that
// answers 51 with 1 gets the position in the LParam; for any other the
// thumb-track position is set into the bar first and the LParam is 0.
void SendScrollMessage(HWND wnd, UINT msg, int code, int pos);

// The stand-alone scroll-bar control (the system's SCROLLBAR window, also
// under the class library's TScrollBar), painted from the skin in its client
// area with the control's own geometry (ControlLayoutOf). The wrapper keeps
// the state of each part (hot under the mouse, pressed while the button is
// held); the control keeps doing its own tracking, with its redrawing off so
// that only the skin is seen, and every change of its range or position is
// passed on with its redrawing off and then painted from the skin.
class TkvSBWnd : public TkvMainWnd {
    DECLARE_CLASS(TkvSBWnd, TkvMainWnd)
public:
    TkvSBWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
             bool repaint = false);
    ~TkvSBWnd() override;

    // Part states: 0 normal, 1 hot, 2 pressed.
    int Page1State = 0, Page2State = 0, Arrow1State = 0, Arrow2State = 0, ThumbState = 0;
    int SBMin = 0, SBMax = 0, SBPage = 0, SBPos = 0, SBTrackPos = 0, SBLastPos = 0;
    bool StateChanged = false;
    bool RedrawLocked = false;
    int RedrawOffCount = 0;     // nesting of the control's redrawing turned off
    int DragOffset = 0;         // position under the mouse minus Position when the thumb was pressed
    int ActivePart = -1;        // hit code of the last press (5 thumb); 4 after a thumb release, 8 after a release
    bool DragActive = false;

    // Parts of the control as its part states count them.
    enum : int { sbArrow1 = 0, sbArrow2 = 1, sbPage1 = 2, sbPage2 = 3, sbThumb = 4 };
    // Sets the state of a part; a hot or pressed part makes the other arrows
    // and the thumb normal and the other page areas hot.
    void SetPartState(int part, int state);
    // The part (sbArrow1 .. sbThumb) at a point in client coordinates, -1 outside.
    int PartAt(POINT client);
    // The position the control stands for at a point in client coordinates.
    int PositionAt(POINT client);

    // The range, page and positions as the control has them now.
    void ReadScrollBarProps();
    bool Vertical() const;
    // The layout the control is painted with (control coordinates along its length).
    scrollgeo::BarLayout Layout();
    // Paints the control's client area into dc.
    void PaintTo(HDC dc);

    void WndProc(TMessage& m) override;

private:
    // The control's geometry from its range and position read now: its
    // length, what it stands for, and where its arrows and thumb lie.
    scrollgeo::ControlLayout Geometry(int& length, scrollgeo::BarInfo& info);
    void LockRedraw();
    void UnlockRedraw();
    void Repaint();
    void Press(TMessage& m, POINT client);
    void Release();
    void TrackHot(POINT client);
    int& StateOf(int part);
    std::unique_ptr<TBitmap> cache_;
};

// Start-up: UpdateScrollWnd makes a TkvScrollWnd from now on.
void InitScrollWndUnit();
