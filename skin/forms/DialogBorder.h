// TkvDialogBorder: the border and shadow window of a skinned system dialog
// while the manager's extended borders are on and the skin draws a shadow.
//
// The dialog keeps only its client area (its window region); a second,
// borderless, per-pixel alpha window owned by the dialog shows the dialog's
// frame picture (title, caption text, title buttons) with the skin's shadow
// around it. The border window is larger than the dialog by the shadow
// margins, its region leaves the dialog's client area out, and it hands the
// mouse input of the frame to the dialog with the dialog's own hit codes.
//
// The geometry is the border window's of a form (BorderForm.h) with the
// dialog's frame as the extended frame: the border reaches exactly the shadow
// margins beyond the dialog.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>

#include "classlib/Forms.h"
#include "skin/core/ProviderSeam.h"
#include "skin/forms/BorderForm.h"

class TkvDialogWnd;
class TkvDialogBorder;

class TkvDialogBorder : public TsBorderSeam, public TsBorderWindowHandler {
public:
    explicit TkvDialogBorder(TkvDialogWnd* dialog);
    ~TkvDialogBorder() override;

    // The layout: the dialog's frame and caption as the extended frame, the
    // manager's shadow margins around it.
    TsBorderLayout Layout() const;
    // The border window's screen rectangle for the dialog where it is now.
    RECT WindowRect() const;
    // The picture the border window shows: the shadow, the dialog's frame
    // picture over it (opaque), made again from the dialog's cache.
    TBitmap* Picture() { return picture_.get(); }
    void ComposePicture();
    // The dialog's hit code of a screen point, HTTRANSPARENT in the shadow.
    int HitTestScreen(POINT screen) const;
    // The window made, nil while not.
    TkvBorderWindow* WindowIfMade() const { return window_; }
    bool SkipUpdate() const { return skipUpdate_; }
    // Pushes the picture as it is (no new frame) at the given alpha.
    void PushPicture(uint8_t alpha);
    void FreeWindow();
    bool HandleMessage(TMessage& m) override;

    // ---- TsBorderSeam
    TWinControl* Window() override;
    TWinControl* ReleaseWindow() override;
    void PaintOwnerFrame() override;
    HRGN CreateBorderRegion() override;
    void UpdateBorderWindow(bool repaint, uint8_t alpha) override;
    void SetSkipUpdate(bool on) override { skipUpdate_ = on; }
    bool HasExtendedShadow() override { return true; }
    POINT ShowOffsets() override;

private:
    TkvDialogWnd* dialog_;
    TkvBorderWindow* window_ = nullptr;
    std::unique_ptr<TBitmap> picture_;
    bool skipUpdate_ = false;
    bool updating_ = false;
};

// Whether a dialog of this manager gets a border window: extended borders on,
// a skin with shadow margins and layered windows.
bool DialogWantsBorderWindow(class TsSkinManager* manager);
