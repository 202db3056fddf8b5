// The wrapper of a popup-menu window ("#32768"): the window shows the skin's
// menu frame, is fully transparent while the system shows it (so the plain
// menu never flashes) and then takes the skin's menu alpha.
//
// The wrappers live in one list. A wrapper whose window is destroyed is
// unhooked and marked dead; dead wrappers are freed later, when another menu
// window is wrapped or at shut-down, and never while their own procedure runs.
#pragma once
#include <windows.h>

#include <memory>
#include <vector>

#include "skin/controls/ScrollWnd.h"

class TkvMnuWnd : public TkvScrollWnd {
    DECLARE_CLASS(TkvMnuWnd, TkvScrollWnd)
public:
    // Build with CreateWrapper<TkvMnuWnd>(...), or AttachMenuWindow.
    TkvMnuWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
              bool repaint = false);
    ~TkvMnuWnd() override;

    bool RegionSet = false;      // the skinned menus gave the window its region
    bool WindowShown = false;    // painted once at the skin's alpha
    bool RegionApplied = false;
    // The window's destruction was seen; the wrapper waits to be freed.
    bool Dead() const { return dead_; }
    // True while the wrapper's procedure runs (it is then never freed).
    bool Running() const { return depth_ > 0; }

    void WndProc(TMessage& message) override;
    // Paints the window's picture from the section (background and border)
    // into the cache when the background changed.
    void PaintMenuWindow();
    TBitmap* Cache() const { return cache_.get(); }

private:
    bool Skinned() const;
    // The window at the skin's menu alpha (opaque: not layered any more).
    void ShowAtSkinAlpha();
    // The border strips of the window's picture (or of its own, made anew
    // when the picture is not the window's size) to the window.
    void PaintBorder();
    std::unique_ptr<TBitmap> cache_;
    bool bgChanged_ = true;
    bool transparent_ = false;   // this wrapper made the window layered with alpha 0
    bool inPosChanging_ = false;
    bool dead_ = false;
    int depth_ = 0;
};

// Wraps a menu window with the manager (nil: the default one) and section
// "MAINMENU"; dead wrappers that do not run are freed first. Nil when the
// window is not a menu window or already has a wrapper.
TkvMnuWnd* AttachMenuWindow(HWND menuWindow, TsSkinManager* manager = nullptr);
// The wrappers in the list now (dead ones included until freed).
const std::vector<TkvMnuWnd*>& MenuWrappers();
// Frees every wrapper that does not run now; the rest are freed by a later call.
void FreeMenuWrappers();
// Hands FreeMenuWrappers to the shut-down of the wrappers (once).
void RegisterMenuWrappers();
