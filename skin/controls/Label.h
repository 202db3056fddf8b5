// The skinned label. With no active skin it draws exactly like the base label:
// transparent, in its own font colour.
#pragma once
#include "classlib/StdCtrls.h"

class TsCustomLabel : public TCustomLabel {
    DECLARE_CLASS(TsCustomLabel, TCustomLabel)
public:
    explicit TsCustomLabel(TComponent* owner);
    const String& SkinSection() const { return skinSection_; }
    void SetSkinSection(const String& s);

protected:
    virtual TFont& GetDrawFont() { return Font(); }
    virtual TColor GetTextColor() { return Font().Color(); }
    void DoDrawText(RECT& rect, UINT flags) override;

private:
    String skinSection_;
};

class TsLabel : public TsCustomLabel {
    DECLARE_CLASS(TsLabel, TsCustomLabel)
public:
    explicit TsLabel(TComponent* owner) : TsCustomLabel(owner) {}
    bool UseSkinColor() const { return useSkinColor_; }
    void SetUseSkinColor(bool u) { useSkinColor_ = u; Invalidate(); }

private:
    bool useSkinColor_ = true;
};
