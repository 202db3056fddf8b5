// While a menu runs on an MDI main form whose active child is maximised, the
// system draws the child's buttons on the menu line in its own look. A small
// window without border, made once and shown without activation over the
// right end of the menu line, shows the skin's picture of that strip until the
// menu loop ends.
#pragma once

#include "classlib/Forms.h"

class TsSkinProvider;

// The cover's window.
class TkvMDIIconsForm : public TForm {
    DECLARE_CLASS(TkvMDIIconsForm, TForm)
public:
    explicit TkvMDIIconsForm(TsSkinProvider& provider);
    // The strip in the form's window coordinates.
    RECT Strip() const;

protected:
    void CreateParams(TCreateParams& params) override;
    void PaintWindow(HDC dc) override;

private:
    TsSkinProvider& p_;
};

// The menu loop starts: on an MDI main form with a maximised active child the
// cover is made (once) and shown over the strip.
void ShowMDIIconsCover(TsSkinProvider& provider);
// The menu loop ends: the cover is freed.
void FreeMDIIconsCover(TsSkinProvider& provider);
