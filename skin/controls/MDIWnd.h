// TkvMDIWnd: the wrapper of an MDI main form's client window. The client is
// painted from the form's frame picture (the part of it that lies under the
// client), or filled with the form's client colour when the skin gives no
// picture; its scroll bars are the skinned ones, and the children move once,
// when the thumb is let go. The form's provider is reached through
// TkvMDIHost, which the forms layer fills (this layer is below it).
//
// Also here: where a maximised child's three buttons sit on the main form's
// menu line, so that the painter that draws them and the hit test that
// finds them use one geometry.
#pragma once
#include <functional>

#include "skin/controls/EditWnd.h"

// What the MDI client's wrapper needs of its form's provider.
class TkvMDIHost {
public:
    virtual ~TkvMDIHost() = default;
    // The frame picture, painted when needed; nil when there is none.
    virtual TBitmap* FramePicture() = 0;
    // The picture is to be used (the form counts as opaque or the skin has "MDIAREA").
    virtual bool UsesFramePicture() = 0;
    // The client window's top-left corner inside the frame picture.
    virtual POINT ClientPlace(HWND client) = 0;
    virtual TColor ClientColor() = 0;
    // A minimise or restore animation runs on the form.
    virtual bool Animating() = 0;
    virtual bool HasBorderWindow() = 0;
    // The frame's background changed; menuToo: its menu lines are measured again.
    virtual void FrameChanged(bool menuToo) = 0;
    virtual void RefreshFrame() = 0;
    virtual void UpdateMenuLine() = 0;
    // A child the client made (the dialog skinning skins it).
    virtual void ChildCreated(HWND child) = 0;
    // The system menu's items follow the form's state again.
    virtual void RefreshSystemMenu() {}
    // A child was activated, maximised, restored or destroyed through the client.
    virtual void ChildrenChanged() {}
};

class TkvMDIWnd : public TkvBaseWnd {
    DECLARE_CLASS(TkvMDIWnd, TkvBaseWnd)
public:
    TkvMDIWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
              bool repaint = false);
    void WndProc(TMessage& message) override;

    TCustomForm* Form = nullptr;
    TsCommonData* FormSkinData = nullptr;   // the provider's
    TkvMDIHost* Provider = nullptr;

    // The client as the skin shows it, into dc at (0, 0).
    void PaintMDIClientArea(HDC dc, bool printing);
    void PaintMDIClientEdge(HDC dc);
    // The form's active child is maximised.
    bool ChildMaximized() const;

private:
    void Scroll(TMessage& m);
};

// ---- the maximised child's buttons on the main form's menu line
enum class TkvMDIButton { Close, Restore, Min };
struct TkvMDIButtonRects {
    RECT Close{}, Restore{}, Min{};
};
// The three buttons inside menuLine (any coordinates): squares one pixel
// inside the line's height, close at the right end, restore and minimise to
// its left with two pixels between restore and close.
TkvMDIButtonRects MDIButtonRects(const RECT& menuLine);
// Which button a point hits; -1 none.
int MDIButtonAt(const TkvMDIButtonRects& r, POINT p);

// Paints one button (state 0 normal, 1 hot, 2 pressed) into dc; the frame
// painter registers the skin's look. Without one, the system's caption
// button look is drawn.
using TkvMDIButtonPainter = std::function<void(HDC dc, const RECT& r, TkvMDIButton button, int state)>;
extern TkvMDIButtonPainter MDIButtonPainter;
void PaintMDIButton(HDC dc, const RECT& r, TkvMDIButton button, int state);
