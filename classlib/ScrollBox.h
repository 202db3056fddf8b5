// A scroll box: a container whose children may reach past its client area;
// its scroll bars move them into view.
#pragma once
#include "classlib/Controls.h"
#include "classlib/StdCtrls.h"

class TScrollBox : public TWinControl {
    DECLARE_CLASS(TScrollBox, TWinControl)
public:
    explicit TScrollBox(TComponent* owner);
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle b);
    // The scroll positions in pixels (how far the children are moved up and left).
    int HorzPosition() const { return pos_[0]; }
    int VertPosition() const { return pos_[1]; }
    // Scrolls to a position (clamped to the range the children need).
    void ScrollTo(int horz, int vert);
    // Re-reads the room the children need and sets both bars.
    void UpdateScrollBars();
    void Dispatch(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void HandleCreated() override;

private:
    void Scroll(int bar, int code, int track);
    // The children's extent right and down at scroll position 0.
    SIZE ContentExtent() const;
    TBorderStyle borderStyle_ = TBorderStyle::bsSingle;
    int pos_[2] = {0, 0};
    bool updating_ = false;
};
