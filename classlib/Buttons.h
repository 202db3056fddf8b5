// Buttons: push buttons, bitmap buttons, check boxes, radio buttons (windows
// of the system's BUTTON class) and the windowless speed button.
#pragma once
#include <algorithm>
#include <memory>

#include "classlib/Controls.h"

enum class TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
// The speed button's own state: bsDown while the mouse holds it, bsExclusive
// while it stays down in a group.
enum class TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };
enum class TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

// What the three button windows share: a copy of the system's BUTTON class,
// and OnClick raised from the reflected BN_CLICKED.
class TButtonControl : public TWinControl {
    DECLARE_CLASS(TButtonControl, TWinControl)
public:
    explicit TButtonControl(TComponent* owner);
    void Dispatch(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    // BN_CLICKED arrived: a check box reads its new state here.
    virtual void Clicked();
};

class TButton : public TButtonControl {
    DECLARE_CLASS(TButton, TButtonControl)
public:
    explicit TButton(TComponent* owner);
    bool Default() const { return default_; }
    void SetDefault(bool d);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool c) { cancel_ = c; }

protected:
    void CreateParams(TCreateParams& params) override;

private:
    bool default_ = false, cancel_ = false;
};

// Makes a new, empty glyph bitmap.
std::unique_ptr<TBitmap> NewEmptyGlyph();
// The face of a glyph button on dc within r: Glyph frame (up, disabled or down,
// as far as there are frames) and caption laid out by Layout, Margin (-1:
// centred) and Spacing; a pressed face moves one pixel down and right.
void DrawGlyphButtonFace(HDC dc, const RECT& r, const String& caption, TBitmap& glyph, int numGlyphs,
                         TButtonLayout layout, int margin, int spacing, bool pressed, bool disabled);

// The picture of a button: Glyph holds NumGlyphs frames side by side (up,
// disabled, down, ...), placed beside the caption. Base: the control it is made from.
template <class Base>
class TGlyphButton : public Base {
public:
    explicit TGlyphButton(TComponent* owner) : Base(owner), glyph_(NewEmptyGlyph()) {}
    TBitmap& Glyph() { return *glyph_; }
    void SetGlyph(const TBitmap* glyph)
    {
        if (glyph) glyph_->Assign(glyph);
        else glyph_ = NewEmptyGlyph();
        this->Invalidate();
    }
    int NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int n) { numGlyphs_ = std::clamp(n, 1, 4); this->Invalidate(); }
    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout l) { layout_ = l; this->Invalidate(); }
    int Spacing() const { return spacing_; }
    void SetSpacing(int s) { spacing_ = s; this->Invalidate(); }
    int Margin() const { return margin_; }   // -1: centred
    void SetMargin(int m) { margin_ = m; this->Invalidate(); }

protected:
    void DrawFace(HDC dc, const RECT& r, bool pressed, bool disabled)
    {
        DrawGlyphButtonFace(dc, r, this->Caption(), *glyph_, numGlyphs_, layout_, margin_, spacing_, pressed,
                            disabled);
    }

private:
    std::unique_ptr<TBitmap> glyph_;
    int numGlyphs_ = 1;
    TButtonLayout layout_ = TButtonLayout::blGlyphLeft;
    int spacing_ = 4, margin_ = -1;
};

// A push button with a picture; it draws itself (owner-drawn).
class TBitBtn : public TGlyphButton<TButton> {
    DECLARE_CLASS(TBitBtn, TButton)
public:
    explicit TBitBtn(TComponent* owner) : TGlyphButton(owner) {}
    void Dispatch(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;

private:
    void DrawItem(const DRAWITEMSTRUCT& item);
};

class TCustomCheckBox : public TButtonControl {
    DECLARE_CLASS(TCustomCheckBox, TButtonControl)
public:
    explicit TCustomCheckBox(TComponent* owner);
    TCheckBoxState State() const { return state_; }
    void SetState(TCheckBoxState s);
    bool Checked() const { return state_ == TCheckBoxState::cbChecked; }
    void SetChecked(bool c) { SetState(c ? TCheckBoxState::cbChecked : TCheckBoxState::cbUnchecked); }
    bool AllowGrayed() const { return allowGrayed_; }
    void SetAllowGrayed(bool a);
    // taRightJustify (the default): caption right of the box; taLeftJustify: left of it.
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a);

protected:
    void CreateParams(TCreateParams& params) override;
    void HandleCreated() override;
    void Clicked() override;

private:
    TCheckBoxState state_ = TCheckBoxState::cbUnchecked;
    bool allowGrayed_ = false;
    TAlignment alignment_ = TAlignment::taRightJustify;
};

class TCheckBox : public TCustomCheckBox {
    DECLARE_CLASS(TCheckBox, TCustomCheckBox)
public:
    explicit TCheckBox(TComponent* owner) : TCustomCheckBox(owner) {}
};

class TRadioButton : public TButtonControl {
    DECLARE_CLASS(TRadioButton, TButtonControl)
public:
    explicit TRadioButton(TComponent* owner);
    bool Checked() const { return checked_; }
    void SetChecked(bool c);

protected:
    void CreateParams(TCreateParams& params) override;
    void HandleCreated() override;
    void Clicked() override;

private:
    bool checked_ = false;
};

// A windowless button drawn by its parent. With a GroupIndex it stays down
// after a click (one button of the group at a time; AllowAllUp lets the last
// one come up again).
class TSpeedButton : public TGlyphButton<TGraphicControl> {
    DECLARE_CLASS(TSpeedButton, TGraphicControl)
public:
    explicit TSpeedButton(TComponent* owner);
    TButtonState State() const { return state_; }
    bool Down() const { return down_; }
    void SetDown(bool d);
    bool Flat() const { return flat_; }
    void SetFlat(bool f) { flat_ = f; Invalidate(); }
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int g) { groupIndex_ = g; }
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool a) { allowAllUp_ = a; }
    // Reading-order flags for DrawText (left to right: none).
    UINT DrawTextBiDiModeFlags(UINT flags) const { return flags; }
    void Click() override;
    void Dispatch(TMessage& message) override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
    void MouseUp(TMouseButton b, TShiftState s, int x, int y) override;

private:
    void UpdateExclusive();
    TButtonState state_ = TButtonState::bsUp;
    bool down_ = false, flat_ = false, allowAllUp_ = false, dragging_ = false;
    int groupIndex_ = 0;
};

// Draws frame `index` of a glyph strip of `count` frames at (x, y); pixels of
// the bottom-left pixel's colour are left out (the strip's transparent colour).
void DrawGlyphFrame(HDC dc, TBitmap& glyph, int count, int index, int x, int y);
