// ButtonWnd: the wrappers that paint push buttons, bitmap buttons, check boxes
// and radio buttons from the active skin, and the handler that does the same
// for the windowless speed button by taking over its WindowProc.
//
// Classes in this file:
// - TkvBtnWnd: push buttons (native "button" windows, TButton); section "BUTTON".
// - TkvBitBtnWnd: bitmap buttons (TBitBtn, native BS_BITMAP buttons).
// - TkvCheckBoxWnd: check boxes and radio buttons; section "CHECKBOX". The
//   glyphs are GLOBALINFO's masks BOXUNCHECKED, BOXCHECKED, BOXGRAYED,
//   RADIOUNCHECKED and RADIOCHECKED (an indeterminate radio button shows
//   BOXGRAYED); a mask's frames are the glyph states 0 normal, 1 hot or
//   focused, 2 pressed.
// - TkvSpeedButtonHandler: TSpeedButton.
//
// Paint states: 0 normal, 1 hot, 2 pressed. Disabled is no state: a disabled
// control is painted in its state and then faded 0.4 toward what lies under it.
// Everything is painted into the common data's cache bitmap and copied to the
// window in one BitBlt.
#pragma once
#include <memory>

#include "classlib/Buttons.h"
#include "classlib/Subclass.h"
#include "skin/controls/MainWnd.h"

// An empty section name, or the "UNKNOWN" the common data stores for one, is no section.
bool IsNoSection(const String& section);

class TkvBtnWnd : public TkvMainWnd {
    DECLARE_CLASS(TkvBtnWnd, TkvMainWnd)
public:
    TkvBtnWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
              bool repaint = false);
    void RestoreOwnColors() override;
    void ApplySkinColors() override;
    void WndProc(TMessage& message) override;

    // Slots after WndProc, in this order.
    virtual void PaintCaptionAndFocus();
    virtual void PaintGlyph() {}
    virtual SIZE GlyphExtent() { return SIZE{0, 0}; }
    virtual void DrawCaptionText(const RECT& rect, UINT flags);
    virtual RECT CaptionBounds();
    virtual int CaptionWidthLimit();
    virtual SIZE CaptionTextExtent();
    virtual void PaintButton();

    // 2 pressed, 0 disabled, 1 focused, hot or default, else 0; hides the
    // glow of a pressed button.
    int GetPaintState();
    UINT ButtonState() const;   // BM_GETSTATE
    // The background the parent answered for the last paint.
    const TsBgCacheInfo& ParentBackground() const { return parentBg_; }

protected:
    void Paint(TMessage& message);
    // Redraws with WM_SETREDRAW off around the base's handling.
    void QuietBase(TMessage& message);
    TsBgCacheInfo parentBg_{};
};

class TkvBitBtnWnd : public TkvBtnWnd {
    DECLARE_CLASS(TkvBitBtnWnd, TkvBtnWnd)
public:
    using TkvBtnWnd::TkvBtnWnd;
    void PaintGlyph() override;
    SIZE GlyphExtent() override;
    RECT CaptionBounds() override;
    int CaptionWidthLimit() override;

private:
    TBitBtn* Owner() const;
};

class TkvCheckBoxWnd : public TkvMainWnd {
    DECLARE_CLASS(TkvCheckBoxWnd, TkvMainWnd)
public:
    TkvCheckBoxWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
                   bool repaint = false);
    void WndProc(TMessage& message) override;
    // Paints the whole cache; false for an owner-drawn button (nothing painted).
    bool RenderCache();
    // The rectangle the glyph took in the last RenderCache.
    RECT GlyphRect() const { return glyphRect_; }
    // The mask of the glyph for the current check state and style (-1 none).
    int GlyphMask() const;

    const bool OwnerDrawn;

private:
    void Paint(TMessage& message);
    // The style, read once per paint; the mask choice of that paint reads it.
    DWORD paintStyle_ = 0;
    RECT glyphRect_{};
    TsBgCacheInfo parentBg_{};
};

// Takes over a speed button's WindowProc and paints it from the skin.
class TkvSpeedButtonHandler : public TObject {
    DECLARE_CLASS(TkvSpeedButtonHandler, TObject)
public:
    TkvSpeedButtonHandler(TGraphicControl* control, TsSkinManager* skinManager, TsCommonData* commonData,
                          const String& skinSection);
    ~TkvSpeedButtonHandler() override;
    virtual void WndProc(TMessage& message);

    TGraphicControl* Control = nullptr;   // nil after WM_DESTROY
    TsSkinManager* SkinManager = nullptr;
    TsCommonData* CommonData = nullptr;   // not owned
    bool Detached = false;

    int PaintState() const;
    // The button is being freed (past its own destructor): the handler lets
    // go of it without touching it again.
    void ControlGone();
    // Paints the cache; false when the parent's background is not ready.
    bool Render();

private:
    void CallSaved(TMessage& message);
    void GiveBack();
    TWindowProcHook hook_;
};
