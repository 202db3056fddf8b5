// The non-client painter of a skinned form. The whole frame (borders, title
// strip, icon, caption text with the added title, caption buttons, the user's
// title buttons, the menu line and the buttons of a maximised MDI child) is
// painted once into the 32-bit cache bitmap of the provider's skin data;
// WM_NCPAINT then only copies the four frame strips of that bitmap to the
// window. A hot or pressed button repaints alone, from the cache to the screen.
//
// The arithmetic (strips, caption text placement, MDI button places, which
// glyph frame and row a button shows, the WOW64 alpha correction) is in pure
// functions at the top; TsFramePainter does the painting for one provider.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>

#include "classlib/PixelView.h"
#include "skin/forms/FrameGeometry.h"
#include "skin/forms/SkinProvider.h"
#include "skin/graphics/TextEffects.h"

// ---------------------------------------------------------------- element states

// The state of a caption button, a user title button or an MDI-child button.
enum TsTitleButtonState : int { tbsNormal = 0, tbsHot = 1, tbsPressed = 2 };

// Which frame (column) and row of a caption-button mask a button shows:
// frame = the state (0 while a glow animation runs); row 2 (the mask's
// inactive row) when normal or animating and the form is inactive or the
// button disabled, else row 1.
struct TsGlyphCell {
    int Frame = 0;
    int Row = 1;
};
TsGlyphCell CaptionGlyphCell(int state, bool animating, bool formActive, bool enabled);

// ---------------------------------------------------------------- strips

// The four parts of the frame picture WM_NCPAINT copies, in window
// coordinates (= cache coordinates): the top (frame, caption and menu lines),
// the left and right strips between top and bottom, and the bottom strip.
struct TsFrameStrips {
    RECT Top{}, Left{}, Right{}, Bottom{};
};
// width x height: the window; side: the left/right/bottom frame width; top:
// everything above the client area.
TsFrameStrips FrameStrips(int width, int height, int side, int top);
// The strips of the window's own client offset: everything outside client.
// client: the client rectangle in window coordinates.
TsFrameStrips FrameStripsAround(int width, int height, const RECT& client);

// ---------------------------------------------------------------- caption text

// Mirrors left and right justification for a right-to-left form.
TAlignment EffectiveCaptionAlignment(TAlignment a, bool rightToLeft);

struct TsCaptionTextInput {
    int PictureWidth = 0;       // the frame picture's width
    int FrameWidth = 0;         // FormFrameWidth (extended)
    int IconWidth = 0;          // 0 when no icon shows
    int BILeft = 0;
    RECT Shadow{};
    bool CaptionSection = false;   // a CAPTION section exists: 2 px more on the left
    int ButtonBlockWidth = 0;   // from the first caption/user button's left to the cursor start
    int ButtonsCenter = 0;      // vertical centre of the text
    int TextHeight = 0;         // the caption font's line height
    int CaptionWidth = 0;       // measured width of the caption (0 when it does not show)
    int AddedWidth = 0;         // measured width of the added title (0: none)
    TAlignment Alignment = TAlignment::taLeftJustify;
    bool RightToLeft = false;
    int VerticalShift = 0;      // border window: CENTEROFFSET and the maximised title difference
};
struct TsCaptionTextPlace {
    RECT Caption{};   // where the caption is drawn (DT_END_ELLIPSIS cuts it)
    RECT Added{};     // where the added title is drawn; empty when 4 px or less remain
};
TsCaptionTextPlace PlaceCaptionText(const TsCaptionTextInput& in);

// DrawText flags of the caption.
UINT CaptionTextFlags(bool rightToLeft);

// ---------------------------------------------------------------- MDI-child buttons

// The three buttons of a maximised MDI child on the last menu line of its
// main form, W x H each.
struct TsMDIButtonPlaces {
    RECT Min{}, Restore{}, Close{};
};
struct TsMDIButtonInput {
    int PictureWidth = 0, FrameWidth = 0, TopFrame = 0, CaptionHeight = 0;
    RECT Shadow{};
    int MenuLineHeight = 0, MenuLines = 1;
    int Width = 0, Height = 0;
};
TsMDIButtonPlaces PlaceMDIButtons(const TsMDIButtonInput& in);

// ---------------------------------------------------------------- WOW64 correction

// One pixel (0xAARRGGBB) of a border-window picture corrected for a 32-bit
// process without composition: with d the largest difference between two
// colour channels, a pixel with alpha below 255 and d > 0 loses a sixteenth
// of each colour channel, and its alpha grows to
// min(255, round((510 - 2 alpha) / sqrt(255 / d) + alpha)).
uint32_t Wow64CorrectPixel(uint32_t pixel);
void Wow64CorrectPixels(const PixelView& v);
// Whether the correction runs: the library's WOW64 flag and a skin older than 7.51.
bool Wow64CorrectionApplies(bool wow64Flag, double skinVersion);
// Whether the caption glow is dropped: the WOW64 flag and a skin of 7.5 or older.
bool Wow64DropsCaptionGlow(bool wow64Flag, double skinVersion);

// ---------------------------------------------------------------- maximised size

struct TsMaxInfoInput {
    RECT Work{}, Monitor{};   // the monitor's work area and its whole rectangle
    int FrameWidth = 0;
    int ExtraTitle = 0;       // MaximizedTitleHeight - standard caption - 4 (0 when not positive or no border window)
};
// The maximised position (relative to the monitor) and size.
void MaximizedBounds(const TsMaxInfoInput& in, POINT& position, POINT& size);

// ---------------------------------------------------------------- seams

// The shadow margins of the form's border window (all 0 without one); the
// border window registers its own answer.
extern std::function<RECT(TsSkinProvider&)> FrameShadowMargins;
// Paints the border window's part of the frame picture (the shadow, the
// border mask's corners) after the frame; called only while a border window exists.
extern std::function<void(TsSkinProvider&, TBitmap& cache)> FrameBorderPicture;
// With a border window the frame picture is the border window's size and the
// form's window lies in it at formOrigin; false without one (the picture is
// then the window's size plus the shadow margins). The border window registers it.
extern std::function<bool(TsSkinProvider&, SIZE& picture, POINT& formOrigin)> FrameBorderGeometry;

// Paints one top-level item of the form's menu on the menu line of the frame
// picture (dc: the cache's; r: the item in frame coordinates). The skinned
// menus register their owner-draw painter (false: it painted nothing); without
// one the item's text is drawn in the menu line's font colour.
extern std::function<bool(TsSkinProvider&, HMENU menu, int index, HDC dc, const RECT& r)> MenuLineItemPainter;

// ---------------------------------------------------------------- the painter

class TsFramePainter {
public:
    explicit TsFramePainter(TsSkinProvider& provider);
    ~TsFramePainter();
    TsFramePainter(const TsFramePainter&) = delete;
    TsFramePainter& operator=(const TsFramePainter&) = delete;

    // Builds or refreshes the cache bitmap (the provider's skin data's).
    // False when painting must wait (the parent's background is not ready)
    // or there is nothing to paint.
    bool PaintFrameToCache();
    // The cache bitmap; nil before the first paint.
    TBitmap* Cache() const;
    // The four frame strips of the cache copied to dc (a window DC).
    void CopyFrameToDC(HDC dc);
    // The WM_NCPAINT body: the cache refreshed when needed, the strips copied.
    void PaintNonClient();
    // The frame painted into dc (WM_PRINT with PRF_NONCLIENT).
    void PrintFrame(HDC dc);

    // ---- what the cache shows
    // The title's layout of the last full paint.
    const TsTitleLayout& Layout() const { return layout_; }
    // The caption text rectangle and the added title's of the last paint.
    const TsCaptionTextPlace& CaptionPlace() const { return captionPlace_; }
    // The caption text of the last paint (the window's text when it showed).
    const String& CaptionText() const { return captionText_; }
    // The MDI-child buttons of the last paint (empty when they do not show).
    const TsMDIButtonPlaces& MDIButtons() const { return mdiButtons_; }
    bool MDIButtonsShown() const { return mdiShown_; }
    // The bounds of an element by hit code (frame = cache coordinates; empty: none).
    RECT ElementBounds(int hitCode) const;
    // 0 normal, 1 hot, 2 pressed.
    int ElementState(int hitCode) const;

    // ---- hover and press
    // Makes code hot (kNoElement: none): the old element back to normal, the
    // new one hot, each repainted when repaint. Nothing changes while a press
    // is tracked.
    void SetHotElement(int code, bool repaint);
    // Presses code (when the element allows it); kNoElement releases.
    void PressElement(int code);
    // Repaints one element in its state now, from the cache to the screen.
    void PaintTitleButton(int hitCode);
    // ---- what the title glows read
    // The screen position of the frame picture's top-left pixel.
    POINT PictureScreenOrigin() const;
    // The glyph mask an element shows now (-1: none).
    int ElementMask(int hitCode) const { return MaskOf(hitCode); }
    // Paints an element in state into out at at: over the clean title under
    // it (made opaque) when background, else over what out holds.
    void PaintElementPicture(int hitCode, int state, TBitmap& out, POINT at, bool background);

    // Whether an MDI main form shows the buttons of its maximised child
    // (the MDI form registers its answer).
    static std::function<bool(TsSkinProvider&)> MDIButtonsVisible;

private:
    // The title strip's rectangle in the frame picture.
    RECT TitleStripRect(const TBitmap& bmp) const;
    void PaintTitleStrip(TBitmap& bmp);
    // The CAPTION section behind the caption text (back: the text's rectangle, grown).
    void PaintCaptionPlate(TBitmap& bmp, const RECT& back);
    // The title strip's rows of the picture made opaque (GDI leaves alpha 0).
    void MakeTitleOpaque(TBitmap& bmp);
    // Border mode 1: the form's border mask copied nine-part around the whole picture.
    void PaintBorderMaskAround(TBitmap& bmp, int state);
    void PaintCaptionText(TBitmap& bmp);
    void PaintCaptionButtons(TBitmap& bmp);
    void PaintMenuLine(TBitmap& bmp, int top, int lines, int lineHeight);
    void PaintOneButton(TBitmap& bmp, int hitCode);
    void PaintButtonAt(TBitmap& bmp, int hitCode, int state, POINT at);
    // The picture's size and the form window's place in it.
    void PictureGeometry(SIZE& size, POINT& formOrigin) const;
    void SaveButtonStrip(TBitmap& bmp);
    int MaskOf(int hitCode) const;
    bool ElementEnabled(int hitCode) const;
    void CopyRectToScreen(const RECT& r);
    // The cache has the size of the window (and its shadow) now.
    bool CacheFits() const;

    TsSkinProvider& p_;
    TsTitleLayout layout_;
    TsCaptionTextPlace captionPlace_;
    String captionText_;
    TsMDIButtonPlaces mdiButtons_;
    bool mdiShown_ = false;
    TBitmap strip_;            // the clean title strip (the background of a repainted button)
    int stripHeight_ = 0;
    TkvGlowMask glowActive_, glowInactive_;
};

// The painter of a provider (made on first use, freed with the provider).
TsFramePainter& FramePainterOf(TsSkinProvider& provider);

// ---------------------------------------------------------------- rows of the form window procedure

// WM_NCPAINT: the frame strips from the cache; the system's own paint when
// the provider does not draw the non-client area.
void FrameNcPaint(TsSkinProvider& p, TMessage& m);
// WM_NCACTIVATE: the form's activity follows; the system is asked not to
// repaint its frame (LParam -1) and the frame is painted in its new row.
void FrameNcActivate(TsSkinProvider& p, TMessage& m);
// WM_PRINT: with PRF_NONCLIENT the frame comes from the cache; the rest is passed on.
void FramePrint(TsSkinProvider& p, TMessage& m);
