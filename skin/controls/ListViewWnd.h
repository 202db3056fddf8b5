// ListViewWnd: the wrapper of a list view and of its column header.
//
// In the report view the wrapper takes over the painting of the list view's
// "SysHeader32" child: every column is painted from the skin's "COLHEADER"
// section ("BUTTON" when the skin has none) in its state (pressed while the
// button is down on it, hot under the mouse), with its text, its image from
// the list view's small images and the sort arrow the column asks for (the
// glyphs of the scroll bars' top and bottom buttons). A press on a divider
// presses no column. The header's WM_PAINT is answered between BeginPaint
// and EndPaint, so the header is never asked to paint again and again.
//
// The list view gets the section's colours through its own messages (the
// skin leaves the owner's font colour alone), and thumb tracking of the
// skinned bars scrolls it while the thumb moves.
#pragma once
#include <windows.h>

#include "skin/controls/EditWnd.h"

class TkvListViewWnd : public TkvEditWnd {
    DECLARE_CLASS(TkvListViewWnd, TkvEditWnd)
public:
    // The common data's control kind becomes 10 (list view) first.
    TkvListViewWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
                   bool repaint = false);
    ~TkvListViewWnd() override;

    // The subclassed header window, nil when none.
    HWND HeaderHandle = nullptr;
    // The column under the mouse and the pressed column (-1 none), as header item indexes.
    int HotColumn = -1;
    int PressedHeaderColumn = -1;
    // The header's height at its last paint.
    int HeaderLineHeight = 0;

    // 0 icon, 1 small icon, 2 list, 3 report: the owner's ViewStyle, else
    // what the window says.
    int ViewStyle() const;

    // Paints every column (and the strip right of the last one) into dc,
    // whose origin is the header's top-left.
    void PaintHeader(HDC dc);

    void SaveOwnColors() override;
    void RestoreOwnColors() override;
    void ApplySkinColors() override;
    void WndProc(TMessage& message) override;
    void HookSelf(bool repaint) override;
    void Unhooking() override;

private:
    class HeaderLayer;
    friend class HeaderLayer;
    void SubclassHeader(HWND header);
    void ReleaseHeader();
    void HeaderWndProc(TMessage& m);
    void PaintColumn(HDC dc, int index, const RECT& r);
    void ThumbTrack(TMessage& m);
    HeaderLayer* headerLayer_ = nullptr;
    int lastTrack_[2] = {-1, -1};
};

