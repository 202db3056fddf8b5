// Colours, fonts, brushes, pens, canvases and pictures over GDI.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

#include "classlib/Classes.h"
#include "classlib/GdiHandle.h"
#include "classlib/PixelView.h"

// 0x00BBGGRR, or 0x800000nn for system colour nn (GetSysColor index).
using TColor = int32_t;
constexpr TColor clSystemColor = int32_t(0x80000000u);
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;
constexpr TColor clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080,
                 clNavy = 0x800000, clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080,
                 clSilver = 0xC0C0C0, clRed = 0x0000FF, clLime = 0x00FF00, clYellow = 0x00FFFF,
                 clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00, clWhite = 0xFFFFFF;
constexpr TColor clScrollBar = clSystemColor | COLOR_SCROLLBAR;
constexpr TColor clBackground = clSystemColor | COLOR_BACKGROUND;
constexpr TColor clMenu = clSystemColor | COLOR_MENU;
constexpr TColor clWindow = clSystemColor | COLOR_WINDOW;
constexpr TColor clWindowText = clSystemColor | COLOR_WINDOWTEXT;
constexpr TColor clMenuText = clSystemColor | COLOR_MENUTEXT;
constexpr TColor clHighlight = clSystemColor | COLOR_HIGHLIGHT;
constexpr TColor clHighlightText = clSystemColor | COLOR_HIGHLIGHTTEXT;
constexpr TColor clBtnFace = clSystemColor | COLOR_BTNFACE;
constexpr TColor clBtnShadow = clSystemColor | COLOR_BTNSHADOW;
constexpr TColor clGrayText = clSystemColor | COLOR_GRAYTEXT;
constexpr TColor clBtnText = clSystemColor | COLOR_BTNTEXT;
constexpr TColor clBtnHighlight = clSystemColor | COLOR_BTNHIGHLIGHT;
constexpr TColor cl3DDkShadow = clSystemColor | COLOR_3DDKSHADOW;
constexpr TColor cl3DLight = clSystemColor | COLOR_3DLIGHT;
constexpr TColor clInfoBk = clSystemColor | COLOR_INFOBK;
constexpr TColor clMenuHighlight = clSystemColor | COLOR_MENUHILIGHT;

COLORREF ColorToRGB(TColor color);

// Win32's RECT and the pixel code's px::Rect have the same half-open edges;
// these two are the one crossing between them.
inline px::Rect ToPixRect(const RECT& r) { return px::Rect{int(r.left), int(r.top), int(r.right), int(r.bottom)}; }
inline RECT ToRECT(const px::Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }
constexpr TColor RGBColor(int r, int g, int b) { return TColor(r | (g << 8) | (b << 16)); }

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;

class TFont : public TPersistent {
    DECLARE_CLASS(TFont, TPersistent)
public:
    TFont();
    ~TFont() override;
    void Assign(const TPersistent* source) override;

    const String& Name() const { return name_; }
    void SetName(const String& n);
    // Height < 0: character height in pixels; Size: points at the screen's DPI.
    int Height() const { return height_; }
    void SetHeight(int h);
    int Size() const;
    void SetSize(int points);
    TFontStyles Style() const { return style_; }
    void SetStyle(TFontStyles s);
    TColor Color() const { return color_; }
    void SetColor(TColor c);
    BYTE Charset() const { return charset_; }
    void SetCharset(BYTE c);
    // Sets name, pixel height, style and colour in one change.
    void Set(const String& name, int pixelHeight, TFontStyles style, TColor color);
    HFONT Handle();
    bool operator==(const TFont& o) const;

    TNotifyEvent OnChange;

private:
    void Changed();
    String name_ = L"Tahoma";
    int height_ = -11;
    TFontStyles style_ = 0;
    TColor color_ = clWindowText;
    BYTE charset_ = DEFAULT_CHARSET;
    FontHandle handle_;
};

enum class TBrushStyle { bsSolid, bsClear };

class TBrush : public TPersistent {
    DECLARE_CLASS(TBrush, TPersistent)
public:
    ~TBrush() override;
    TColor Color() const { return color_; }
    void SetColor(TColor c);
    TBrushStyle Style() const { return style_; }
    void SetStyle(TBrushStyle s);
    HBRUSH Handle();
    TNotifyEvent OnChange;

private:
    void Changed();
    TColor color_ = clWhite;
    TBrushStyle style_ = TBrushStyle::bsSolid;
    BrushHandle handle_;   // empty for bsClear (the stock null brush)
};

class TPen : public TPersistent {
    DECLARE_CLASS(TPen, TPersistent)
public:
    ~TPen() override;
    TColor Color() const { return color_; }
    void SetColor(TColor c);
    int Width() const { return width_; }
    void SetWidth(int w);
    HPEN Handle();

private:
    void Changed();
    TColor color_ = clBlack;
    int width_ = 1;
    PenHandle handle_;
};

class TGraphic;

// A drawing surface on a device context. The font, brush and pen are selected
// into the DC when a drawing call needs them.
class TCanvas : public TPersistent {
    DECLARE_CLASS(TCanvas, TPersistent)
public:
    TCanvas();
    ~TCanvas() override;
    HDC Handle() const { return dc_; }
    void SetHandle(HDC dc);
    TFont& Font() { return font_; }
    TBrush& Brush() { return brush_; }
    TPen& Pen() { return pen_; }

    void FillRect(const RECT& r);
    void FrameRect(const RECT& r);
    void Rectangle(int x1, int y1, int x2, int y2);
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void TextOut(int x, int y, const String& text);
    void TextRect(const RECT& r, int x, int y, const String& text);
    int DrawText(const String& text, RECT& r, UINT flags);
    SIZE TextExtent(const String& text);
    int TextWidth(const String& text) { return TextExtent(text).cx; }
    int TextHeight(const String& text) { return TextExtent(text).cy; }
    void Draw(int x, int y, TGraphic* graphic);
    void StretchDraw(const RECT& r, TGraphic* graphic);
    COLORREF Pixel(int x, int y) const { return GetPixel(dc_, x, y); }

protected:
    void Select();

private:
    HDC dc_ = nullptr;
    TFont font_;
    TBrush brush_;
    TPen pen_;
    HGDIOBJ oldFont_ = nullptr, oldBrush_ = nullptr, oldPen_ = nullptr;
};

// Binds a canvas to a device context for one paint, with the given font and
// brush colour. On leaving, also on a throw, the canvas lets go of the DC
// (it must not keep a context that is freed when painting ends); a canvas
// that was bound before gets back that handle and the font, brush and pen it
// had: a paint nested in another (a picture of the control taken while it
// paints) leaves the outer paint's canvas as it was.
class TCanvasBinding {
public:
    TCanvasBinding(TCanvas& canvas, HDC dc, const TFont& font, TColor brushColor);
    ~TCanvasBinding();
    TCanvasBinding(const TCanvasBinding&) = delete;
    TCanvasBinding& operator=(const TCanvasBinding&) = delete;

private:
    TCanvas& canvas_;
    HDC previous_;
    TFont font_;
    TColor brushColor_, penColor_;
    TBrushStyle brushStyle_;
    int penWidth_;
};

enum class TProgressStage { psStarting, psRunning, psEnding };
using TProgressEvent = Delegate<void(TObject*, TProgressStage, int, bool, const RECT&, const String&)>;

// A picture format: knows its size, draws itself and reads itself from a stream.
class TGraphic : public TPersistent {
    DECLARE_CLASS(TGraphic, TPersistent)
public:
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual bool Empty() const { return Width() == 0 || Height() == 0; }
    virtual void Draw(TCanvas& canvas, const RECT& r) = 0;
    virtual void LoadFromStream(TStream& stream) = 0;
    virtual void SaveToStream(TStream& stream);
    void LoadFromFile(const String& fileName);
    bool Transparent() const { return transparent_; }
    virtual void SetTransparent(bool t) { transparent_ = t; Changed(); }
    TNotifyEvent OnChange;
    // Reported by readers while they load: stage, percent done, message.
    TProgressEvent OnProgress;

protected:
    void Changed() { if (OnChange) OnChange(this); }
    void Progress(TProgressStage stage, int percent, bool redraw, const RECT& r, const String& msg)
    {
        if (OnProgress) OnProgress(this, stage, percent, redraw, r, msg);
    }
    bool transparent_ = false;
};

enum class TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
int BitsPerPixelOf(TPixelFormat pf);   // 0 for pfDevice and pfCustom

// A device-independent bitmap (top-down DIB section) with its own canvas.
// A new or enlarged bitmap is white; at 32 bits it is white with alpha 0
// (0x00FFFFFF). Resizing keeps the pixels of the overlap. Bitmaps of 8 bits
// or fewer get a grey colour table (index = grey level; black and white at 1 bit)
// until a palette is given.
class TBitmap : public TGraphic {
    DECLARE_CLASS(TBitmap, TGraphic)
public:
    TBitmap() = default;
    TBitmap(int width, int height, TPixelFormat pf = TPixelFormat::pf32bit);
    ~TBitmap() override;
    void Assign(const TPersistent* source) override;

    int Width() const override { return width_; }
    int Height() const override { return height_; }
    void SetSize(int width, int height);
    void SetWidth(int w) { SetSize(w, height_); }
    void SetHeight(int h) { SetSize(width_, h); }
    TPixelFormat PixelFormat() const { return pf_; }
    // Converts the pixels: to 32 bits the alpha becomes 0; from 32 bits it is dropped.
    void SetPixelFormat(TPixelFormat pf);
    HBITMAP Handle() const { return bmp_.get(); }
    TCanvas& Canvas();
    uint8_t* ScanLine(int y);
    int BytesPerLine() const;
    // The pixels as a plain view; the 32-bit view is empty unless the format is pf32bit.
    PixelView View();
    RawPixelView RawView();

    // Colour table of bitmaps of 8 bits or fewer, entries 0x00RRGGBB.
    std::vector<uint32_t> ColorTable() const { return colors_; }
    void SetColorTable(const std::vector<uint32_t>& entries);
    // A logical palette made from the colour table (the caller owns it), or 0.
    HPALETTE Palette() const;
    // Takes the palette's entries as the colour table (at most 256).
    void SetPalette(HPALETTE palette);

    TColor TransparentColor() const { return transparentColor_; }
    void SetTransparentColor(TColor c) { transparentColor_ = c; Changed(); }

    void Draw(TCanvas& canvas, const RECT& r) override;
    void LoadFromStream(TStream& stream) override;   // a .bmp file
    void SaveToStream(TStream& stream) override;
    void LoadFromResourceName(HINSTANCE instance, const String& name);
    // Takes a copy of an existing bitmap handle.
    void LoadFromHandle(HBITMAP source);
    // Drops the pixels; the format stays.
    void Clear();

private:
    void Release();
    void Create(int width, int height, TPixelFormat pf);
    void ApplyColorTable();
    // Takes other's pixels, size and format; other is left empty.
    void TakePixels(TBitmap& other);
    int width_ = 0, height_ = 0;
    TPixelFormat pf_ = TPixelFormat::pf32bit;
    BitmapHandle bmp_;
    void* bits_ = nullptr;
    MemoryDC dc_;   // made for the canvas; holds bmp_ selected while it lives
    HGDIOBJ oldBmp_ = nullptr;
    std::unique_ptr<TCanvas> canvas_;
    std::vector<uint32_t> colors_;
    TColor transparentColor_ = clNone;
};

using TGraphicFactory = std::function<TGraphic*()>;

// Holds one graphic of any registered format.
class TPicture : public TPersistent {
    DECLARE_CLASS(TPicture, TPersistent)
public:
    ~TPicture() override;
    TGraphic* Graphic() const { return graphic_.get(); }
    void TakeGraphic(std::unique_ptr<TGraphic> g);
    TBitmap& Bitmap();              // replaces a non-bitmap graphic with an empty bitmap
    int Width() const { return graphic_ ? graphic_->Width() : 0; }
    int Height() const { return graphic_ ? graphic_->Height() : 0; }
    void LoadFromFile(const String& fileName);
    void Assign(const TPersistent* source) override;

    static void RegisterFileFormat(const String& extension, const String& description, TGraphicFactory factory);
    static void UnregisterFileFormat(const String& extension);
    static TGraphicFactory FindFormat(const String& extension);

    TNotifyEvent OnChange;

private:
    void GraphicChanged(TObject*);
    void Changed() { if (OnChange) OnChange(this); }
    std::unique_ptr<TGraphic> graphic_;
};
