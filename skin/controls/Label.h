// The skinned label. With no active skin it draws exactly like the base label:
// transparent, in its own font colour. With the default manager's skin active
// it draws its text in the skin's font colour and, when its SkinSection names
// a section of the skin (exact name), over that section's background.
#pragma once
#include "classlib/StdCtrls.h"
#include "skin/controls/SkinnedControl.h"

class TsCustomLabel : public TsSkinnedControl<TCustomLabel> {
    DECLARE_CLASS(TsCustomLabel, TCustomLabel)
public:
    explicit TsCustomLabel(TComponent* owner);
    const String& SkinSection() const { return skinSection_; }
    // Stored as given (not upper-cased); a different value repaints.
    void SetSkinSection(const String& s);
    // The section found while painting; -1 outside painting.
    int SectionIndex() const { return sectionIndex_; }
    TNotifyEvent OnMouseEnter, OnMouseLeave;

protected:
    bool SkinMessage(TMessage& message) override;
    void AfterSkinMessage(TMessage& message) override;
    void Paint() override;
    void DoDrawText(RECT& rect, UINT flags) override;
    // The font the text is drawn with.
    virtual TFont& GetDrawFont() { return Font(); }
    // The text colour while a skin is active.
    virtual TColor GetTextColor();
    // The skin's colour for a disabled label: the colour mixed with the parent's background.
    TColor DisabledColor(TColor color);
    int sectionIndex_ = -1;

private:
    String skinSection_;
};

class TsLabel : public TsCustomLabel {
    DECLARE_CLASS(TsLabel, TsCustomLabel)
public:
    explicit TsLabel(TComponent* owner) : TsCustomLabel(owner) {}
    bool UseSkinColor() const { return useSkinColor_; }
    void SetUseSkinColor(bool u)
    {
        if (u == useSkinColor_) return;
        useSkinColor_ = u;
        Invalidate();
    }

protected:
    TColor GetTextColor() override;

private:
    bool useSkinColor_ = true;
};
