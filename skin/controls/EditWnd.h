// EditWnd: the wrappers of controls that scroll and draw their own client
// area, over the skinned scroll bars of TkvScrollWnd.
//
// Classes in this file:
// - TkvBaseWnd: the common base of the scrolling-control wrappers (edits,
//   lists, grids, trees, the MDI client): background bookkeeping, bar refresh
//   after scrolling, and the event handlers a wrapper installs on its control.
// - TkvEditWnd: edits, memos and list boxes (and the base of the list-view,
//   grid and tree wrappers): the control gets the skin's colours, its frame
//   is painted from the wrapper's cache bitmap and its bars are skinned.
// - TkvScrollBoxWnd: a scroll box painted from its section, its children
//   kept in step with it.
//
// The edit family paints in four places (the paint protocol):
// - WM_NCPAINT: the cache bitmap (section background, frame) is repainted when
//   the background changed; the bars and then the cache's border ring (all
//   outside the client rectangle) go to the window. The control's own
//   non-client painting never runs, so no system frame or bar shows through.
// - WM_PAINT: a disabled single-line edit is drawn entirely from the cache,
//   which holds its disabled text; any other control paints its client itself
//   once the skin's colours are applied.
// - WM_ERASEBKGND: answered without erasing where the control or the cache
//   covers everything anyway.
// - WM_PRINT: frame, bars and client, for pictures of the window.
//
// Colours: SaveOwnColors keeps the control's own colours (in OwnColor and
// OwnFontColor of TkvMainWnd, plus OwnFocusColor), ApplySkinColors gives the
// control the section's colours, RestoreOwnColors gives its own ones back when
// the skin or the wrapper goes.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

#include "skin/controls/ScrollWnd.h"

class TComponent;

class TkvBaseWnd : public TkvScrollWnd {
    DECLARE_CLASS(TkvBaseWnd, TkvScrollWnd)
public:
    TkvBaseWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
               bool repaint = false);
    ~TkvBaseWnd() override;

    void WndProc(TMessage& message) override;

    // ---- event handlers installed on a class-library control
    // A wrapper that puts one of its own methods into an event of its control
    // (or of an object the control owns) registers it here. RestoreHandlers
    // (the skin removed, the wrapper unhooked or freed) puts the previous
    // handler back, but only while the event still holds the wrapper's:
    // someone who set the event after the wrapper keeps it. holder is the
    // component whose freeing makes the event unreachable (nothing is written
    // into a freed or dying component).
    template <class E>
    void InstallHandler(TComponent* holder, E& event, E handler)
    {
        E previous = event;
        event = handler;
        E* slot = &event;
        AddHandlerRestore(
            holder, [slot, handler] { return *slot == handler; }, [slot, previous] { *slot = previous; });
    }
    // The general form (events reached by name): stillOurs tells whether the
    // event still holds the wrapper's handler, putBack writes the saved one.
    void AddHandlerRestore(TComponent* holder, std::function<bool()> stillOurs, std::function<void()> putBack);
    // Gives every installed event its previous handler back (only where it is
    // still the wrapper's) and forgets them all.
    void RestoreHandlers();
    // Number of handlers installed and not yet given back.
    int InstalledHandlerCount() const { return int(handlers_.size()); }

    void Unhooking() override;

protected:
    // baseTheme false: the descendant decides about the visual styles.
    TkvBaseWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
               bool repaint, bool baseTheme);
    // Runs after the scroll wrapper handled m: bar refresh, frame repaint.
    void AfterBaseMessage(TMessage& m);

private:
    struct HandlerRecord;
    class HolderWatch;
    std::vector<std::unique_ptr<HandlerRecord>> handlers_;
    std::unique_ptr<HolderWatch> holderWatch_;
};

// How a descendant of TkvEditWnd is built (what its constructor must decide
// before the edit constructor runs).
struct TkvEditOptions {
    // Given to the common data first (10 for the list view); -1 leaves it.
    int ControlKind = -1;
    // False for wrappers that never switch the window's visual styles off
    // (grids, the virtual tree, a combo's list that is not repainted).
    bool ThemeAllowed = true;
};

class TkvEditWnd : public TkvBaseWnd {
    DECLARE_CLASS(TkvEditWnd, TkvBaseWnd)
public:
    // The section is "EDIT" when none is given. Build with CreateWrapper<>.
    TkvEditWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
               bool repaint = false);
    ~TkvEditWnd() override;

    // ---- fields
    // The owner's "FocusColor" when it has that property (HasFocusColor).
    TColor OwnFocusColor = clNone;
    bool HasFocusColor = false;
    // The colour the control was given (a native window's background).
    TColor SkinColor = clWindow;
    // The skin's frame colour for native windows (BORDERCOLOR), 0 without a skin.
    TColor BorderLineColor = 0;
    // The owner is an edit without the multi-line style.
    bool IsSingleLine = false;
    // The client rectangle in window coordinates; left -1 = not read yet.
    RECT CachedClientRect{-1, 0, 0, 0};
    // A child was created or the control list changed: the form is told at
    // the next WM_SETREDRAW on.
    bool ChildrenChanged = false;

    // ---- the colour slots
    void SaveOwnColors() override;
    void RestoreOwnColors() override;
    void ApplySkinColors() override;

    void WndProc(TMessage& message) override;

    // True for a disabled single-line edit of the class library (painted
    // wholly from the cache bitmap).
    bool IsDisabledSingleLine() const;
    // The client rectangle in window coordinates, read once per frame change.
    RECT ClientInWindow();
    // Repaints the cache when the background changed (colours applied first
    // when not yet applied).
    void UpdateCache();
    // Copies the cache's border ring (everything outside the client
    // rectangle) to dc, whose origin is the window's top-left.
    void CopyBorderRing(HDC dc);

protected:
    TkvEditWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
               bool repaint, const TkvEditOptions& options);

    // The paint protocol, one handler per message; descendants call them
    // around their own additions.
    void NCPaintMessage(TMessage& m);
    void PaintMessage(TMessage& m);
    void EraseBkgndMessage(TMessage& m);
    void PrintMessage(TMessage& m);
    // After base handling of a message: bar refresh, LB_GETTOPINDEX, hot
    // window and the rest of the edit family's follow-up.
    void AfterEditMessage(TMessage& m);
    // True when the cache bitmap holds a usable picture of the window.
    bool CacheReady() const;
    // Paints the client of the window into dc (moved by LeftEdge/TopEdge and
    // clipped inside the bars) for WM_PRINT.
    void PrintClient(HDC dc);
};

// The scroll box: its section (PANEL_LOW when none is given) as the
// background, its children refreshed with it.
class TkvScrollBoxWnd : public TkvScrollWnd {
    DECLARE_CLASS(TkvScrollBoxWnd, TkvScrollWnd)
public:
    TkvScrollBoxWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
                    bool repaint = false);
    ~TkvScrollBoxWnd() override;

    // Set when the clip box is smaller than the control at the last paint.
    bool HalfVisible = false;

    void WndProc(TMessage& message) override;
    // Paints the control (cache, graphic children) into dc.
    void PaintControl(HDC dc);

private:
    bool Skinned() const;
};

// Start-up: UpdateEditWnd makes a TkvEditWnd from now on.
void InitEditWndUnit();
