// A spin edit: an edit field for a whole number with an up-down control at its
// right edge. The value is kept between MinValue and MaxValue.
#pragma once
#include "classlib/StdCtrls.h"

class TSpinEdit : public TCustomEdit {
    DECLARE_CLASS(TSpinEdit, TCustomEdit)
public:
    explicit TSpinEdit(TComponent* owner);

    int MinValue() const { return minValue_; }
    void SetMinValue(int v);
    int MaxValue() const { return maxValue_; }
    void SetMaxValue(int v);
    int Increment() const { return increment_; }
    void SetIncrement(int v) { increment_ = v; }
    // The number in the field, brought into [MinValue, MaxValue]; a field that
    // holds no number gives MinValue. (MinValue = MaxValue = 0 means no limits.)
    int Value() const;
    void SetValue(int v);
    HWND UpDownHandle() const { return upDown_; }
    void Dispatch(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void HandleCreated() override;
    void BoundsChanged() override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyPress(wchar_t& key) override;

private:
    int CheckValue(int v) const;
    void PlaceUpDown();
    void Step(int delta);
    int minValue_ = 0, maxValue_ = 0, increment_ = 1;
    HWND upDown_ = nullptr;
};
