// Text drawing and effects of skinned controls: small device-context helpers,
// text with alpha into 32-bit bitmaps, contour, glow and disabled captions,
// bevelled and dotted frames, button glyph-and-text layout and picture tiling.
// The pixel work is in Blur.h and TextLayout.h; what the painters need from a
// skin (section colours) comes through TsTextSkin.
#pragma once
#include <windows.h>

#include <functional>
#include <vector>

#include "classlib/Controls.h"
#include "classlib/Graphics.h"
#include "skin/graphics/Blur.h"
#include "skin/graphics/Constants.h"
#include "skin/graphics/TextLayout.h"

// ---------------------------------------------------------------- what the painters ask of a skin
struct TsTextStateColors {
    TColor FontColor = clBlack;
    TColor Contour[4] = {-1, -1, -1, -1};   // left, top, right, bottom; -1: no contour on that side
    TColor GlowColor = clBlack;
    int GlowSize = 0;                       // 0: no glow
};

// The skin manager answers these for its sections (an index of -1 or out of
// range is not valid).
class TsTextSkin {
public:
    virtual ~TsTextSkin() = default;
    virtual bool SectionValid(int section) const = 0;
    virtual int StateCount(int section) const = 0;
    // state 0 normal, 1 hot.
    virtual TsTextStateColors StateColors(int section, int state) const = 0;
    // The colour of the section's second background value set (disabled captions on a canvas).
    virtual TColor SecondBackColor(int section) const = 0;
    virtual TColor GlobalColor() const = 0;
    virtual int Transparency(int section) const = 0;   // normal state, percent
    virtual int WebButtonSection() const = 0;
};

// The state whose colours a caption takes: 1 (hot) only when asked and the
// section has a hot state (two states or more), else 0.
int TextStateOf(const TsTextSkin* skin, int section, bool hot);

// The skin used when a painter is given none (the default manager; none in the program).
TsTextSkin* DefaultTextSkin();
void SetDefaultTextSkin(TsTextSkin* skin);

// ---------------------------------------------------------------- device-context helpers
void FillRectSolid(HDC dc, const RECT& r, TColor color);
void FillBorderStrips(HDC dc, const RECT& r, int left, TColor color, int bottom, int right, int top);
void CopyBorderStrips(HDC dst, int x, int y, int w, HDC src, int srcX, int srcY, int areaWidth, int areaHeight);
void ExcludeGraphicControls(HDC dc, TWinControl* parent, int offsetX, int offsetY);
void CutTextToWidth(TCanvas& canvas, const String& text, int width, String& out);
void DrawTextDC(HDC dc, const String& text, RECT r, UINT format);
int TextWidthOf(TCanvas& canvas, const String& text);
SIZE TextExtentOf(TCanvas& canvas, const String& text);
void CanvasTextRect(TCanvas& canvas, const RECT& r, int x, int y, const String& text);
SIZE GetTextSizeDC(HDC dc, const String& text);
// Wrap: DrawText with DT_CALCRECT in (0, 0, width, 0); else the text extent.
// (0, 0) when the measure fails.
void MeasureTextWithFont(HFONT font, const String& text, UINT format, SIZE& size, int width, bool wrap);

// ---------------------------------------------------------------- text painters
// A glow mask (one byte per pixel, 255 = no glow) kept by the caller between
// paints, and what it was drawn for: it is redrawn whenever the text, font,
// glow size, contour flags, format or size differ.
class TkvGlowMask {
public:
    BytePixelView View() { return BytePixelView{bits_.data(), width_, width_, height_}; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    int BuildCount() const { return builds_; }   // how often it was drawn
    void Clear();

private:
    friend void DrawTextWithEffect(TBitmap*, const String&, const RECT&, TkvGlowMask&, TColor, int, int, UINT);
    std::vector<uint8_t> bits_;
    int width_ = 0, height_ = 0, builds_ = 0;
    String text_;
    LOGFONTW font_{};
    int glowSize_ = -1, contour_ = -1;
    UINT format_ = 0;
};

enum TkvContourFlag { cfLeft = 1, cfTop = 2, cfRight = 4, cfBottom = 8, cfAll = 15 };

// Text in colour into a 32-bit bitmap with alpha 255 under the ink, in the
// bitmap canvas's font (anti-aliased edges mixed per channel).
void DrawAlphaText(TBitmap* bmp, const String& text, TColor color, UINT format, const RECT& r);
// Text in a section's colours into a 32-bit bitmap: contours (when asked) and font colour.
void DrawContourText(TBitmap* bmp, const String& text, bool contour, TsTextSkin* skin, bool hot, int section,
                     UINT format, const RECT& r);
// The glow behind a text drawn afterwards by the caller.
void DrawTextWithEffect(TBitmap* bmp, const String& text, const RECT& r, TkvGlowMask& mask, TColor glowColor,
                        int glowSize, int contourFlags, UINT format);
void DrawSectionTextEx(TCanvas& canvas, const String& text, bool enabled, TsTextSkin* skin, bool hot, int section,
                       UINT format, RECT r);
void DrawSectionText(TCanvas& canvas, const String& text, bool enabled, TsTextSkin* skin, bool hot, int section,
                     UINT format, RECT r);

// What the caption painter needs of a control's skin data.
struct TsControlTextData {
    TsTextSkin* Skin = nullptr;   // null: the control is not skinned
    int Section = -1;
    bool CustomFont = false;
    int Kind = 0;                 // control kind: 32 and 33 check boxes, 74 group box
    bool Windowed = true;
    bool HasParent = false;
    std::function<int()> FindFontSection;   // the font section found among the parents
    TBitmap* Cache = nullptr;
    TkvGlowMask* GlowMask = nullptr;   // kept between paints; null: made for each paint
    // The control's recolouring (its skin data's hue offset in degrees and
    // saturation change), applied to the section's caption colours as to its
    // background: glow, contours, font colour and the disabled colour.
    int HueOffset = 0;
    int Saturation = 0;
};
constexpr int ControlKindCheckBox = int(TsControlKind::CheckBox), ControlKindRadioButton = int(TsControlKind::RadioButton),
              ControlKindGroupBox = int(TsControlKind::GroupBox);

void DrawControlTextEx(TCanvas& canvas, const String& text, bool enabled, bool hot, const TsControlTextData& data,
                       UINT format, RECT r);
void DrawControlText(TCanvas& canvas, const String& text, bool enabled, bool hot, const TsControlTextData& data,
                     UINT format, RECT r);

// ---------------------------------------------------------------- frames, layout, pictures
// width frames of one pixel, shrinking inward; width ends at 0.
void DrawBevelFrame(HDC dc, RECT r, TColor topLeft, int& width, TColor bottomRight);
constexpr TColor DottedFrameSkip = clNone;   // 0x1FFFFFFF: this colour is not drawn
void DrawDottedFrame(TCanvas& canvas, const RECT& r, TColor colorA, TColor colorB);
void CalcButtonLayout(const RECT& client, SIZE glyph, SIZE text, int flags, RECT& textRect, POINT& glyphPos,
                      int spacing, int margin, int alignment, int layout);
// Tiles picture from r's top-left; the last column and row are cut to r.
void TilePicture(TCanvas& canvas, const RECT& r, TGraphic* picture);
