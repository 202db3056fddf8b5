// Panels and images.
#pragma once
#include "classlib/Controls.h"
#include "classlib/StdCtrls.h"

enum class TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

class TCustomPanel : public TCustomControl {
    DECLARE_CLASS(TCustomPanel, TCustomControl)
public:
    explicit TCustomPanel(TComponent* owner);
    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut b) { bevelOuter_ = b; Invalidate(); }
    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut b) { bevelInner_ = b; Invalidate(); }
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int w) { bevelWidth_ = w; Invalidate(); }
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a) { alignment_ = a; Invalidate(); }
    // A single line around the panel, and empty space inside the bevels.
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle b);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int w) { borderWidth_ = w; Invalidate(); }
    bool ShowCaption() const { return showCaption_; }
    void SetShowCaption(bool s) { showCaption_ = s; Invalidate(); }
    void Dispatch(TMessage& message) override;

protected:
    void Paint() override;
    void CreateParams(TCreateParams& params) override;

private:
    TBorderStyle borderStyle_ = TBorderStyle::bsNone;
    int borderWidth_ = 0;
    TBevelCut bevelOuter_ = TBevelCut::bvRaised, bevelInner_ = TBevelCut::bvNone;
    int bevelWidth_ = 1;
    TAlignment alignment_ = TAlignment::taCenter;
    bool showCaption_ = true;
};

class TPanel : public TCustomPanel {
    DECLARE_CLASS(TPanel, TCustomPanel)
public:
    explicit TPanel(TComponent* owner) : TCustomPanel(owner) {}
};

class TImage : public TGraphicControl {
    DECLARE_CLASS(TImage, TGraphicControl)
public:
    explicit TImage(TComponent* owner);
    TPicture& Picture() { return picture_; }
    bool Stretch() const { return stretch_; }
    void SetStretch(bool s) { stretch_ = s; Invalidate(); }
    bool Center() const { return center_; }
    void SetCenter(bool c) { center_ = c; Invalidate(); }
    bool Proportional() const { return proportional_; }
    void SetProportional(bool p) { proportional_ = p; Invalidate(); }
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool t) { transparent_ = t; Invalidate(); }
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool a);
    // Where the picture is drawn in the control.
    RECT DestRect() const;

protected:
    void Paint() override;
    virtual void PictureChanged(TObject*);

private:
    TPicture picture_;
    bool stretch_ = false, center_ = false, proportional_ = false, transparent_ = false, autoSize_ = false;
};
