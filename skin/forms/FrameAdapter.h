// TsFrameAdapter: the component that skins a frame. Placed on the frame (it
// must be owned by it), it takes over the frame's WindowProc, paints the
// frame's background from its section ("GROUPBOX" unless told otherwise)
// over the parent's background, answers the skin commands for the frame and
// has the parent form's provider adapt the frame's controls. Freeing it puts
// the frame's WindowProc back (only when it took it).
#pragma once
#include <memory>

#include "classlib/Frames.h"
#include "classlib/Subclass.h"
#include "skin/core/CommonData.h"

class TkvMainWnd;

// The text of the failure when the owner is not a frame.
String FrameAdapterMisplacedText();

class TsFrameAdapter : public TComponent {
    DECLARE_CLASS(TsFrameAdapter, TComponent)
public:
    // The one way to make an adapter: the owner must be a frame, else an
    // Exception with FrameAdapterMisplacedText() is raised before anything
    // exists (nothing is left in the owner).
    static TsFrameAdapter* Create(TComponent* owner);
    ~TsFrameAdapter() override;
    void Loaded() override;

    TsCommonData* SkinData() const { return skinData_.get(); }
    TCustomFrame* Frame() const { return frame_; }
    bool Hooked() const { return hook_.Hooked(); }

    // Paints the frame's background into dc (the frame's own DC when nil).
    void PaintBackground(HDC dc);
    // The cache: the section over the parent's background. False when the
    // parent is not ready (the frame stays in the updating state).
    bool PrepareCache();
    // The colour the frame answers to SkinCmdGetBkColor.
    TColor BackgroundColor();

private:
    explicit TsFrameAdapter(TCustomFrame* frame);
    void WindowProc(TMessage& m);
    bool SkinCommand(TMessage& m);
    void PaintFrame(TMessage& m);
    void Redraw();
    bool Live() const;

    TCustomFrame* frame_ = nullptr;
    std::unique_ptr<TsCommonData> skinData_;
    TWindowProcHook hook_;
};
