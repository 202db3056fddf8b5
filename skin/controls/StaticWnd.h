// StaticWnd: small wrappers for controls that show rather than hold things.
//
// Classes in this file:
// - TkvStaticWnd: static texts of system dialogs; TkvEdgeWnd (statics with a
//   static edge), TkvIconWnd (icon and picture statics) and TkvLinkWnd (link
//   windows: the text without its "<A>" tags, underlined) derive from it.
// - TkvSizerWnd: the size grip; it answers every hit test with HTBOTTOMRIGHT.
// - TkvSpinWnd: up-down buttons.
// - TkvTrackWnd: track bars (channel, ticks, thumb).
// - TkvStaticTextWnd: the class library's TStaticText.
//
// Which cached glyphs these use (the skin has no masks of their own for them):
// the up-down arrows are the GLYPHMASKs of SCROLLBTNTOP, SCROLLBTNBOTTOM,
// SCROLLBTNLEFT and SCROLLBTNRIGHT (the manager's ScrollGlyph indexes), the
// size grip is GLOBALINFO's GRIPIMAGE, and the tool bar's drop arrow is the
// GLYPHMASK of SCROLLBTNBOTTOM.
#pragma once
#include <memory>

#include "skin/controls/MainWnd.h"

// Resamples src into dst at w x h for a painter: a source side under 2 px
// cannot be filtered (the resampler raises for it) and is stretched instead.
void ResampleInPaint(TBitmap* src, TBitmap* dst, int w, int h);

class TkvStaticWnd : public TkvMainWnd {
    DECLARE_CLASS(TkvStaticWnd, TkvMainWnd)
public:
    using TkvMainWnd::TkvMainWnd;
    void WndProc(TMessage& message) override;
    // Paints the cache and copies it to the DC in WParam (or the window's DC).
    virtual void PaintToDC(TMessage& message);
    // Draws the content over the background; false when there is nothing to
    // show (the plain static then copies nothing).
    virtual bool PaintContent();

protected:
    void RedrawNow();
    // The cache with the parent's background and the section: true when ready.
    bool PrepareBackground();
};

class TkvEdgeWnd : public TkvStaticWnd {
    DECLARE_CLASS(TkvEdgeWnd, TkvStaticWnd)
public:
    using TkvStaticWnd::TkvStaticWnd;
    void WndProc(TMessage& message) override;
    // After the control painted itself: only the 2-px border strips come from
    // the cache, so an icon or picture inside keeps its own painting.
    void PaintToDC(TMessage& message) override;
};

class TkvIconWnd : public TkvStaticWnd {
    DECLARE_CLASS(TkvIconWnd, TkvStaticWnd)
public:
    TkvIconWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
               bool repaint = false);
    bool PaintContent() override;
    const bool ShowsBitmap;

private:
    std::unique_ptr<TBitmap> picture_;
};

class TkvLinkWnd : public TkvStaticWnd {
    DECLARE_CLASS(TkvLinkWnd, TkvStaticWnd)
public:
    using TkvStaticWnd::TkvStaticWnd;
    void WndProc(TMessage& message) override;
    bool PaintContent() override;
};

class TkvSizerWnd : public TkvMainWnd {
    DECLARE_CLASS(TkvSizerWnd, TkvMainWnd)
public:
    using TkvMainWnd::TkvMainWnd;
    void WndProc(TMessage& message) override;

private:
    void Paint(TMessage& message);
};

class TkvSpinWnd : public TkvMainWnd {
    DECLARE_CLASS(TkvSpinWnd, TkvMainWnd)
public:
    TkvSpinWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
               bool repaint = false);
    void WndProc(TMessage& message) override;
    virtual bool IsVertical();

    bool MouseDown = false;
    int FirstState = 0, SecondState = 0;

    // Paints both buttons into the cache (nothing while updating).
    bool Render();

private:
    void Paint(TMessage& message);
    void UpdateStates();
};

// Keeps one spin wrapper for a window: a new one only when the window is
// another (the look is the same, so re-hooking the same window is waste).
// kind goes to the common data's control kind.
void AttachSpinWnd(HWND upDown, TkvSpinWnd*& wrapper, TsSkinManager* manager, const String& section, int kind);

class TkvTrackWnd : public TkvMainWnd {
    DECLARE_CLASS(TkvTrackWnd, TkvMainWnd)
public:
    TkvTrackWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
                bool repaint = false);
    void WndProc(TMessage& message) override;
    virtual bool IsVertical();

    int TickLength = 4;
    int TrackSection = -1;
    bool MouseDown = false;
    long double TickStep = 0;

    bool Render();
    // Where the last render put its ticks (along the bar).
    const std::vector<int>& TickPositions() const { return ticks_; }

private:
    void Paint(TMessage& message);
    void PaintChannel(RECT& channel);
    void PaintTicks(const RECT& channel);
    void PaintThumb();
    int TickSide() const;   // 0 bottom/right, 1 top/left, 2 both
    std::vector<int> ticks_;
    TsBgCacheInfo parentBg_{};
};

class TkvStaticTextWnd : public TkvMainWnd {
    DECLARE_CLASS(TkvStaticTextWnd, TkvMainWnd)
public:
    TkvStaticTextWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
                     bool repaint = false);
    void WndProc(TMessage& message) override;
    // Background, section and caption into the cache (the whole window).
    virtual bool RenderCache();
    // The cache's client part to dc (or the window's DC when dc is null).
    virtual void PaintToDC(HDC& dc);

    TControl* Control = nullptr;

private:
    // The border strips from the cache to the window DC (or the one given).
    void PaintNonClient(HDC given);
    int BorderWidth() const;
};
