// Wrappers of windows that hold other windows or a row of items: panels,
// group boxes, transparent dialog panes, plain bordered containers, the
// class library's tool bar and status bars. Each paints its window into its
// common data's cache from the active skin and copies the cache to the
// window in one transfer.
#pragma once
#include "classlib/ComBars.h"
#include "classlib/ExtCtrls.h"
#include "skin/controls/MainWnd.h"

// A panel: its section follows its bevels when nobody names one; it paints
// on erase and defers while its parent's background is not ready.
class TkvPanelWnd : public TkvMainWnd {
    DECLARE_CLASS(TkvPanelWnd, TkvMainWnd)
public:
    TCustomPanel* Panel = nullptr;   // the owner control when it is a panel

    TkvPanelWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
                bool repaint = false);
    void WndProc(TMessage& message) override;
    // Paints the cache; false (and in-update set) while the parent is not ready.
    virtual bool RenderCache();
    // Copies the cache to dc (nil: the window's DC).
    virtual void PaintToDC(HDC& dc);

private:
    void PaintNonClient(HDC dc);
    bool Active() const;
};

// A group box: a band of the caption's height shows the parent, the frame
// starts at the caption's middle; command 27 answers the caption height.
class TkvGroupBoxWnd : public TkvMainWnd {
    DECLARE_CLASS(TkvGroupBoxWnd, TkvMainWnd)
public:
    TkvGroupBoxWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
                   bool repaint = false);
    void WndProc(TMessage& message) override;
    RECT CaptionRect();
    void RenderCache();

private:
    void Paint(HDC given);
};

// A plain bordered container of a system dialog: its border strips and
// client area come from the cache.
class TkvContainerWnd : public TkvMainWnd {
    DECLARE_CLASS(TkvContainerWnd, TkvMainWnd)
public:
    RECT ClientArea{};
    int BorderWidth = 0;

    TkvContainerWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
                    bool repaint = false);
    void WndProc(TMessage& message) override;

protected:
    bool UpdatingNow();
    void Refresh();
    void PaintNonClient(int stripWidth);
    void PaintClient(HDC dc);
};

// The search box of a system dialog: painted by the system, then its
// border strips (3 px) come from the cache.
class TkvSearchWnd : public TkvMainWnd {
    DECLARE_CLASS(TkvSearchWnd, TkvMainWnd)
public:
    RECT ClientArea{};
    int BorderWidth = 0;

    TkvSearchWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
                 bool repaint = false);
    void WndProc(TMessage& message) override;
};

// A native tool bar: the wrapper paints the bar from the cache and every
// button itself (skin state, image, caption in up to two lines, the arrow of
// whole-drop-down buttons, disabled buttons dimmed toward the bar).
class TkvToolBarWnd : public TkvMainWnd {
    DECLARE_CLASS(TkvToolBarWnd, TkvMainWnd)
public:
    RECT ClientArea{};
    int BorderWidth = 0;

    // No section given: "BAR" for tool bars with style bit 0x200, else "CHECKBOX".
    TkvToolBarWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
                  bool repaint = false);
    void WndProc(TMessage& message) override;
    // The cache and every button over it, into bitmap (of the cache's size).
    virtual void PaintButtons(TBitmap* bitmap);

private:
    void PaintButton(TBitmap* target, int index);
    void FullPaint(HDC dc);
};

// A transparent pane of a system dialog: shows what its parent shows.
class TkvTransPanelWnd : public TkvMainWnd {
    DECLARE_CLASS(TkvTransPanelWnd, TkvMainWnd)
public:
    TkvTransPanelWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
                     bool repaint = false);
    void WndProc(TMessage& message) override;
    virtual void PaintWindow(TMessage& message);
};

// The class library's tool bar: the wrapper draws the bar and its buttons
// through the tool bar's custom-draw events and tracks the hot button. The
// application's own handlers of those events are kept and given back when
// the skin goes or the wrapper is freed.
class TkvToolBarVCLWnd : public TkvMainWnd {
    DECLARE_CLASS(TkvToolBarVCLWnd, TkvMainWnd)
public:
    TToolBar* ToolBar = nullptr;
    TToolButton* PressedButton = nullptr;
    int HotIndex = -1;

    TkvToolBarVCLWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
                     bool repaint = false);
    ~TkvToolBarVCLWnd() override;
    void WndProc(TMessage& message) override;
    // The state a button is painted in: 0 normal, 1 hot, 2 pressed or down.
    int ButtonState(int index, TCustomDrawState itemState) const;

private:
    void InstallHandlers();
    void RestoreHandlers();
    void RenderBackground();
    void BarDraw(TToolBar* bar, const RECT& r, TCustomDrawStage stage, bool& defaultDraw);
    void ButtonDraw(TToolBar* bar, TToolButton* button, TCustomDrawState state, TCustomDrawStage stage,
                    TTBCustomDrawFlags& flags, bool& defaultDraw);
    void PaintButton(HDC dc, TToolButton* button, int state);
    void RepaintButton(int index);
    bool HotTracking() const;
    TTBAdvancedCustomDrawEvent savedDraw_, ownDraw_;
    TTBAdvancedCustomDrawBtnEvent savedDrawButton_, ownDrawButton_;
    bool installed_ = false;
};

// A status bar: the bar's section, its panels (simple mode: one over the whole
// bar) with the section's panel mask or dividers, and their texts cut to fit.
class TkvStatusBarWnd : public TkvMainWnd {
    DECLARE_CLASS(TkvStatusBarWnd, TkvMainWnd)
public:
    TStatusBar* StatusBar = nullptr;

    TkvStatusBarWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
                    bool repaint = false);
    void WndProc(TMessage& message) override;
    void RenderCache();

private:
    void PaintPanel(int index, RECT r, bool simple, const String& text, const TsBgCacheInfo& info);
};
