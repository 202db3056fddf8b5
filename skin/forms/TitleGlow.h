// The glow of a skinned form's caption buttons. A hot, pressed or released
// button is not repainted in the frame picture: a small layered window over
// it shows the button in its new state and fades in (10 steps of 12 ms) or
// out, or shows the press at once (TkvSBAnimation). A hot close, maximise or
// minimise button whose skin has a glow mask shows that halo instead, wider
// than the button by the skin's glow margin. Where no fade runs, the frame
// painter repaints the button directly and the halo comes from ShowGlow.
#pragma once
#include <windows.h>

#include <memory>

#include "classlib/Graphics.h"
#include "skin/graphics/ThreadedTimer.h"

class TsSkinProvider;

// ---- the arithmetic
// Alpha of fade step step of steps: (255 div steps) * step, at most 255.
int GlowFadeAlpha(int steps, int step);
// Whether caption buttons glow at all: layered windows, the manager allows
// glowing, and not a WOW64 process without composition.
bool CaptionGlowAllowed(bool layered, bool managerAllows, bool wow64WithoutComposition);
// The screen rectangle of the glow window: the button (frame-picture
// coordinates) moved by the frame picture's screen position, widened left and
// up by the glow margin to the glow mask's size when a halo shows.
RECT GlowWindowRect(const RECT& button, POINT pictureOnScreen, int margin, SIZE halo);

// ---- the fade of one element
class TkvSBAnimation : public TkvThreadedTimer {
    DECLARE_CLASS(TkvSBAnimation, TkvThreadedTimer)
public:
    TkvSBAnimation(TsSkinProvider* provider, int hitCode);
    ~TkvSBAnimation() override;
    // Steers toward state (0 normal, 1 hot, 2 pressed) in steps.
    void Start(int state, int steps, bool fadeIn);
    // One tick (tests may call it directly).
    void Step();

    int HitCode() const { return hitCode_; }
    int TargetState() const { return targetState_; }
    bool FadeIn() const { return fadeIn_; }
    // The glow window, nil while none shows.
    HWND GlowWindow() const { return wnd_; }
    // The alpha last shown.
    int ShownAlpha() const { return shownAlpha_; }
    bool Finished() const { return targetState_ < 0; }

protected:
    void TimerStep() override { Step(); }

private:
    void SetState(int state, bool fadeIn);
    void BuildPicture();
    void Show(int alpha);
    void FreeWindow();
    void Finish();
    TsSkinProvider* provider_;
    int hitCode_;
    int steps_ = 10, step_ = 0, targetState_ = -1;
    bool fadeIn_ = true;
    HWND wnd_ = nullptr;
    std::unique_ptr<TBitmap> picture_;
    RECT screen_{};
    int shownAlpha_ = 0;
};

// ---- the provider's side
// Starts or steers the fade of a title element toward state: hot fades in
// over 10 steps, pressed shows at once, normal fades out over 10 steps.
void StartButtonAnimation(TsSkinProvider& p, int hitCode, int state);
// Whether a title element is repainted through a fade (the manager allows
// glowing or a border window exists, no form animation runs, a top-level form).
bool TitleButtonFades(TsSkinProvider& p, int hitCode);
// The running fade of an element, nil when none.
TkvSBAnimation* ButtonAnimation(TsSkinProvider& p, int hitCode);
// The direct repaint's halo: shown over a hot close, maximise or minimise
// button when the skin gives it a glow, hidden in any other state.
void UpdateTitleHalo(TsSkinProvider& p, int hitCode, int state, const RECT& screen);
// The halo of an element (a ShowGlow handle), -1 when none.
int TitleHalo(TsSkinProvider& p, int hitCode);
