// Animations of a skinned form on layered windows: the shrink-and-fade toward
// the task-bar button on minimise and back on restore (TkvMinTimer), the fade
// while the form is dragged (its arithmetic), the pictures the desktop window
// manager asks for (thumbnails and live previews), and the snapshot form that
// stands in for a form while it animates.
//
// Arithmetic and lookups are pure or go through replaceable seams, so tests
// reach the branches Wine cannot show (composition, the shell's tool bar).
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>

#include "classlib/Forms.h"
#include "skin/graphics/ThreadedTimer.h"

class TsSkinProvider;

// ---- blend on moving
// The alpha step of the fade: the whole way at once when the time is below
// 13 ms, else the way spread over time / 12 frames; never below 1.
int BlendOnMovingStep(int targetAlpha, int timeMs);
// The next alpha: one step down, never past the target (computed in int: a
// byte would wrap).
int NextBlendAlpha(int alpha, int targetAlpha, int step);

// The fade while a form is dragged: each tick shows the form's picture one
// step more transparent, down to the target alpha.
class TkvMoveTimer : public TkvThreadedTimer {
    DECLARE_CLASS(TkvMoveTimer, TkvThreadedTimer)
public:
    TkvMoveTimer(TsSkinProvider* provider, int alpha, int targetAlpha, int step);
    void Step();
    int Alpha() const { return alpha_; }
    int TargetAlpha() const { return target_; }
    void SetAlpha(int a) { alpha_ = a; }

protected:
    void TimerStep() override { Step(); }

private:
    TsSkinProvider* provider_;
    int alpha_, target_, step_;
};

// ---- thumbnails
// The size a thumbnail of a source gets inside a requested box: the source's
// aspect kept, fitted inside (200 x 100 asked for 400 x 400 gives 100 x 100).
SIZE FitThumbnail(SIZE source, SIZE requested);

// ---- the task bar
enum TkvTaskBarEdge { tbeLeft = 1, tbeTop = 2, tbeRight = 4, tbeBottom = 8 };
// Which screen edge a task bar of this rectangle sits on.
int TaskBarEdge(const RECT& bar);
// Where a form at from shrinks to: the task button when one was found, else
// an empty rectangle on the bar's inner edge in line with the form's centre;
// without a bar the point (0, 0).
RECT MinimizeTarget(const RECT& from, const RECT* bar, const RECT& taskButton);

// How the shell is reached; tests replace these (Wine's task bar has no tool bar).
struct TsShellAccess {
    std::function<HWND()> FindTaskBar;   // FindWindowW("Shell_TrayWnd")
    // The tool bar holding the task buttons under the bar (the chain
    // "ReBarWindow32" -> "MSTaskSwWClass" -> "ToolbarWindow32"), nil: none.
    std::function<HWND(HWND bar)> FindTaskToolBar;
    // Whether this process and the tool bar's have the same pointer size.
    std::function<bool(HWND toolBar)> SameBitness;
};
TsShellAccess& ShellAccess();
// The screen rectangle of appWnd's task-bar button; empty when not found.
// The shell is opened with only what is read (no executable memory), only
// when both processes have the same pointer size, asked with time-outs, and
// its memory and handle are always given back.
RECT GetTaskButtonRect(HWND appWnd);

// ---- snapshots
// A borderless, non-activating tool window at wnd's screen rectangle showing
// a copy of what wnd shows now, topmost and shown without activation.
TForm* CreateSnapshotForm(HWND wnd);

// ---- the minimise timer
// The shrinking (or growing) box, as four doubles.
struct TsMinimizeBox {
    double Left = 0, Top = 0, Right = 0, Bottom = 0;
    double StepX = 0, StepY = 0, ShrinkX = 0, ShrinkY = 0;
    // From start to target in steps.
    void Setup(const RECT& start, const RECT& target, int steps);
    void Shrink();
    void Grow();
    RECT Rect() const;
};

class TkvMinTimer : public TkvThreadedTimer {
    DECLARE_CLASS(TkvMinTimer, TkvThreadedTimer)
public:
    explicit TkvMinTimer(TsSkinProvider* provider);
    ~TkvMinTimer() override;
    // (Re-)reads times and geometry; restoring: the box starts where the last shrink ended.
    void Setup(bool restoring);
    // One frame (tests may call it directly).
    void Step();

    TsSkinProvider* Provider() const { return provider_; }
    HWND Stage() const;
    bool OwnsStage() const { return ownsStage_; }
    int Steps() const { return steps_; }
    int Alpha() const { return alpha_; }
    int AlphaStart() const { return alphaStart_; }
    bool Growing() const { return growing_; }
    RECT StartRect() const { return startRect_; }
    RECT EndRect() const { return endRect_; }
    const TsMinimizeBox& Box() const { return box_; }
    TBitmap* Picture() const { return picture_.get(); }
    void SetPicture(std::unique_ptr<TBitmap> p)
    {
        picture_ = std::move(p);
        premultiplied_.reset();
    }
    bool Finished() const { return finished_; }
    void SetStageWindow(TWinControl* stage, bool owns);

protected:
    void TimerStep() override;

private:
    void DrawFrame();
    void EndShrink();
    void EndGrow();
    void FreeStage();
    TsSkinProvider* provider_;
    HWND window_ = nullptr;
    TWinControl* stage_ = nullptr;
    bool ownsStage_ = false;
    std::unique_ptr<TBitmap> picture_;
    std::unique_ptr<TBitmap> frame_;
    std::unique_ptr<TBitmap> premultiplied_;   // picture_ premultiplied, for the frames
    // Where frame_ holds the last frame's picture (the rest of it is clear);
    // the whole frame until a frame is drawn after Setup.
    RECT drawn_{};
    bool placed_ = false;     // the stage is shown above the form in this run
    HWND taskBar_ = nullptr;
    RECT startRect_{}, endRect_{};
    TsMinimizeBox box_;
    int steps_ = 1;
    int alphaStart_ = 255, alpha_ = 255;
    double alphaStep_ = 255;
    bool growing_ = false;
    bool busy_ = false;
    bool setUp_ = false;
    bool finished_ = false;
};

// The longest a minimise or restore animation may take, whatever the skin
// says (every frame loop and wait is bounded by it).
constexpr unsigned kMaxFormAnimationMs = 2000;
