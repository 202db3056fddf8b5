// TkvDialogWnd: the wrapper that skins a system dialog's window (message
// boxes, common dialogs; class "#32770"). It paints the dialog's frame, title,
// caption text and title buttons from the skin section "DIALOG" into its cache
// bitmap and copies the frame strips to the window; it answers the
// non-client hit tests from the drawn buttons, cuts the window region from
// the skin's border masks and paints the client background from the cache
// with the children's rectangles left out.
//
// The arithmetic (border kind, title-button layout, hit test, client origin,
// caption text flags) is pure and lives in the dialoggeo namespace, so it is
// tested with made-up facts. The dialog's style is saved when it is read
// (WS_SYSMENU is removed from the live style so the system draws no caption
// buttons of its own); the title buttons and the hit test read the saved
// style, never the live one.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>

#include "classlib/GdiHandle.h"
#include "skin/controls/ScrollWnd.h"
#include "skin/core/ProviderSeam.h"

class TkvProvider;
class TkvDialogBorder;

namespace dialoggeo {

// Border kinds: 0 modal-frame dialog, 1 single (before the styles are read),
// 2 none, 3 sizeable; 4 and 5 are tool windows (tested, never assigned).
int DialogBorderKind(DWORD style);
// Big title buttons (the BICON* set) for kinds 1 and 3.
inline bool BigButtonsFor(int borderKind) { return borderKind == 1 || borderKind == 3; }
// DrawText flags of the caption text.
UINT CaptionTextFlags(DWORD exStyle);

// One title button's glyph size: 21 x 21 without a mask.
struct Glyph {
    bool Valid = false;
    int Width = 21, Height = 21;
};

struct TitleInput {
    int CacheWidth = 0;
    int FrameWidth = 0;        // the side frame (also the frame above the caption)
    int CaptionHeight = 0;     // 0: no caption shown
    RECT Shadow{};             // shadow margins of a border window (0 without one)
    int BorderKind = 1;
    DWORD SavedStyle = 0, SavedExStyle = 0;
    bool Zoomed = false, Iconic = false, BorderWindow = false;
    Glyph Close, Max, Min, Help;
    bool BigClose = false;     // the close glyph comes from the big set
    int BiRight = 0, BiSpace = 0, BiTop = 0, BiVAlign = 0;
};

// Where the buttons are, in cache coordinates (empty when not shown).
struct TitleLayout {
    RECT Close{}, Max{}, Min{}, Help{};
    int TotalWidth = 0;   // from the leftmost button's left edge to the right end of the first
};

TitleLayout LayoutTitleButtons(const TitleInput& in);

// Whether the close button may act: WS_SYSMENU in the saved style, no
// CS_NOCLOSE, and Close not greyed in the dialog's own system menu.
inline bool CloseEnabled(DWORD savedStyle, DWORD classStyle, bool menuCloseGreyed = false)
{
    return (savedStyle & WS_SYSMENU) && !(classStyle & CS_NOCLOSE) && !menuCloseGreyed;
}

struct HitInput {
    POINT Point{};             // relative to the window's top-left corner
    int Width = 0, Height = 0;
    int FrameWidth = 0;
    int CaptionHeight = 0;
    int IconWidth = 0;         // SM_CXSMICON
    DWORD SavedStyle = 0, ClassStyle = 0;
    bool CloseGreyed = false;  // Close greyed in the dialog's own system menu
    bool Zoomed = false, Iconic = false;
};

// HTSYSMENU, HTCLOSE, HTMAXBUTTON, HTMINBUTTON, HTHELP, HTCAPTION, 0 (nothing
// drawn there) or -1 (zoomed, outside the rectangle inset by 2: the border
// window answers).
int HitTest(const HitInput& in, const TitleLayout& layout);

// The client area's origin inside the window (and the cache without a border window).
POINT ClientOrigin(int windowWidth, int windowHeight, int clientWidth, int clientHeight, int frameWidth,
                   bool captionShown);

}  // namespace dialoggeo

// The wrapper is also the dialog's provider for the animations (ProviderOf
// finds it for the dialog's window): its cache, client origin, children and
// border window are what the show and hide animations of a dialog use.
class TkvDialogWnd : public TkvScrollWnd, public TsProviderSeam {
    DECLARE_CLASS(TkvDialogWnd, TkvScrollWnd)
public:
    TkvDialogWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
                 bool repaint = false);
    ~TkvDialogWnd() override;

    TkvProvider* Provider = nullptr;
    DWORD SavedStyle = 0, SavedExStyle = 0;
    int BorderKind = 1;
    bool Destroyed = false;
    bool PaintForbidden = false;   // WM_PAINT answered with an empty paint
    bool FormActive = true;
    int HotCode = 0;               // 0 none, else the button's hit code
    int PressedCode = 0;
    // Close greyed in the dialog's own system menu (its owner took it away):
    // the drawn close button and the skinned menu's Close are greyed too.
    bool CloseGreyed() const;
    bool CloseEnabledNow() const;
    // The skinned system menu is open (its modal loop runs); the wrapper is
    // not freed meanwhile, and the menu closes when the dialog goes.
    bool MenuOpen() const { return menuOpen_; }

    // Saves the styles, reads the border kind, the icon and the title font,
    // looks up the button masks and takes WS_SYSMENU off the live style.
    void ReadStyles();
    void LookupButtonMasks();
    int FrameWidth() const;
    int CaptionHeight() const;
    POINT ClientOriginNow() const;
    dialoggeo::TitleLayout Layout() const;
    int HitTestScreen(POINT screen) const;
    // The frame, title and buttons into the cache (when the background changed).
    void PaintFrameToCache() override;
    // The frame strips from the cache to the window.
    void PaintNonClient();
    void UpdateRegion(bool redraw);
    // One button repainted in the cache and on the window.
    void RepaintTitleButton(int code);
    void SetHotCode(int code);
    // The glow round a hot title button (the skin's BICON*GLOW size above 0
    // and glowing allowed); -1 while none shows.
    int ButtonGlow() const { return glowHandle_; }
    // The cached brush of the client colour (one per wrapper, made again on a skin change).
    HBRUSH StaticBrush();

    void WndProc(TMessage& m) override;

    // ---- the border window (extended borders with a shadow)
    // Made or freed as the manager's extended borders and the dialog's frame ask.
    void UpdateBorder();
    TkvDialogBorder* BorderWindow() const { return border_.get(); }
    // The cover taken when the dialog is answered (WM_COMMAND 2 or 6) while a
    // hide animation is set: its picture from the screen, shown over it.
    TWinControl* CoverWindow() const { return cover_; }
    // Blend on moving: the dialog fades to the manager's blend value while the
    // caption drag runs (started by a click on the caption).
    bool BlendingOnMove() const { return blending_; }
    int BlendAlpha() const { return blendAlpha_; }
    void BlendStep();

    // ---- TsProviderSeam
    HWND Window() override { return Handle; }
    bool HasSkinData() override { return CommonData != nullptr; }
    TBitmap* CacheBitmap() override;
    POINT ClientOffset() override;
    bool PaintsNonClient() override { return true; }
    void PrintChildren(HDC dc) override;
    void UpdateRegion() override { UpdateRegion(true); }
    TsBorderSeam* Border() override;
    void FreeBorder() override;
    TWinControl* TakeCoverWindow() override;

private:
    struct Button {
        int Mask = -1;
        int State = 0;
        int Code = 0;
    };
    Button close_, max_, min_, help_;
    int titleSection_ = -1;
    String titleSectionName_;
    int captionSection_ = -1;
    HICON icon_ = nullptr;
    FontHandle titleFont_;
    BrushHandle brush_;
    TColor brushColor_ = clNone;
    bool initialised_ = false;
    bool regionGuard_ = false;
    bool menuOpen_ = false;
    HMENU realSysMenu_ = nullptr;   // the dialog's own system menu, taken while WS_SYSMENU is on
    Button* ButtonOf(int code);
    dialoggeo::Glyph GlyphOf(const Button& b) const;
    void PaintTitle(TBitmap* bmp, const dialoggeo::TitleLayout& l);
    void PaintButton(TBitmap* bmp, const Button& b, const RECT& r);
    void EraseBackground(TMessage& m);
    void NCLButtonDown(TMessage& m);
    bool NCLButtonUp(TMessage& m);
    void ShowSystemMenu(POINT screen);
    void FreeBrush();
    bool StartBlendOnMoving();
    void EndBlendOnMoving();
    void CoverBeforeClosing();
    void FreeCover();
    void AfterHidden();
    std::unique_ptr<TkvDialogBorder> border_;
    TWinControl* cover_ = nullptr;
    bool blending_ = false;
    bool showPending_ = false;
    int glowHandle_ = -1;
    SIZE regionSize_{};   // the window size the region was made for
    bool regionChanged_ = true;   // the skin or the styles changed: a new region
    void UpdateButtonGlow(int code);
    UINT_PTR moveTimer_ = 0;
    int blendAlpha_ = 255, blendTarget_ = 255, blendStep_ = 1;
    std::unique_ptr<TBitmap> movePicture_;
};

// The system menu a dialog opens (HTSYSMENU, Alt+Space, right click on the caption): a
// registration of the skinned system menu; empty: the window's own menu is
// tracked. Returns whether it showed a menu.
extern std::function<bool(HWND dialog, POINT screen)> DialogSystemMenu;
