// Common controls: the up-down buttons, the track bar and the static text
// (windows of the system's classes).
#pragma once
#include "classlib/Controls.h"

enum class TUDOrientation { udVertical, udHorizontal };
enum class TTrackBarOrientation { trHorizontal, trVertical };
enum class TTickMark { tmBottomRight, tmTopLeft, tmBoth };
enum class TTickStyle { tsNone, tsAuto, tsManual };
enum class TStaticBorderStyle { sbsNone, sbsSingle, sbsSunken };

// Two arrow buttons that step Position between Min and Max.
class TUpDown : public TWinControl {
    DECLARE_CLASS(TUpDown, TWinControl)
public:
    explicit TUpDown(TComponent* owner);
    int Min() const { return min_; }
    int Max() const { return max_; }
    void SetRange(int min, int max);
    int Position() const;
    void SetPosition(int p);
    TUDOrientation Orientation() const { return orientation_; }
    void SetOrientation(TUDOrientation o);
    void Dispatch(TMessage& message) override;
    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& params) override;
    void HandleCreated() override;

private:
    int min_ = 0, max_ = 100, position_ = 0;
    TUDOrientation orientation_ = TUDOrientation::udVertical;
};

class TTrackBar : public TWinControl {
    DECLARE_CLASS(TTrackBar, TWinControl)
public:
    explicit TTrackBar(TComponent* owner);
    int Min() const { return min_; }
    int Max() const { return max_; }
    void SetRange(int min, int max);
    int Position() const;
    void SetPosition(int p);
    int Frequency() const { return frequency_; }
    void SetFrequency(int f);
    TTrackBarOrientation Orientation() const { return orientation_; }
    void SetOrientation(TTrackBarOrientation o);
    TTickMark TickMarks() const { return tickMarks_; }
    void SetTickMarks(TTickMark t);
    TTickStyle TickStyle() const { return tickStyle_; }
    void SetTickStyle(TTickStyle t);
    void Dispatch(TMessage& message) override;
    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& params) override;
    void HandleCreated() override;

private:
    int min_ = 0, max_ = 10, position_ = 0, frequency_ = 1;
    TTrackBarOrientation orientation_ = TTrackBarOrientation::trHorizontal;
    TTickMark tickMarks_ = TTickMark::tmBottomRight;
    TTickStyle tickStyle_ = TTickStyle::tsAuto;
};

// A label with a window of its own. "Alignment" is published.
class TStaticText : public TWinControl {
    DECLARE_CLASS(TStaticText, TWinControl)
public:
    explicit TStaticText(TComponent* owner);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a);
    TStaticBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TStaticBorderStyle b);
    void Dispatch(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;

private:
    TAlignment alignment_ = TAlignment::taLeftJustify;
    TStaticBorderStyle borderStyle_ = TStaticBorderStyle::sbsNone;
};
