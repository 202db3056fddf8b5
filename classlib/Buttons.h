// Buttons: push buttons, bitmap buttons, check boxes, radio buttons (windows
// of the system's BUTTON class) and the windowless speed button.
#pragma once
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

// A push button with a picture. Glyph holds NumGlyphs frames side by side
// (up, disabled, down, ...); the button draws itself (owner-drawn).
class TBitBtn : public TButton {
    DECLARE_CLASS(TBitBtn, TButton)
public:
    explicit TBitBtn(TComponent* owner);
    TBitmap& Glyph() { return *glyph_; }
    void SetGlyph(const TBitmap* glyph);
    int NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int n);
    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout l) { layout_ = l; Invalidate(); }
    int Spacing() const { return spacing_; }
    void SetSpacing(int s) { spacing_ = s; Invalidate(); }
    int Margin() const { return margin_; }   // -1: centred
    void SetMargin(int m) { margin_ = m; Invalidate(); }
    void Dispatch(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;

private:
    void DrawItem(const DRAWITEMSTRUCT& item);
    std::unique_ptr<TBitmap> glyph_;
    int numGlyphs_ = 1;
    TButtonLayout layout_ = TButtonLayout::blGlyphLeft;
    int spacing_ = 4, margin_ = -1;
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
class TSpeedButton : public TGraphicControl {
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
    TBitmap& Glyph() { return *glyph_; }
    void SetGlyph(const TBitmap* glyph);
    int NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int n);
    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout l) { layout_ = l; Invalidate(); }
    int Spacing() const { return spacing_; }
    void SetSpacing(int s) { spacing_ = s; Invalidate(); }
    int Margin() const { return margin_; }   // -1: centred
    void SetMargin(int m) { margin_ = m; Invalidate(); }
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
    std::unique_ptr<TBitmap> glyph_;
    int numGlyphs_ = 1;
    TButtonLayout layout_ = TButtonLayout::blGlyphLeft;
    int spacing_ = 4, margin_ = -1;
};

// Draws frame `index` of a glyph strip of `count` frames at (x, y); pixels of
// the bottom-left pixel's colour are left out (the strip's transparent colour).
void DrawGlyphFrame(HDC dc, TBitmap& glyph, int count, int index, int x, int y);
