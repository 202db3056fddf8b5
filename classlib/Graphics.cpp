#include "classlib/Graphics.h"

#include "classlib/BmpHeader.h"
#include "classlib/ImageSize.h"

#include <algorithm>
#include <cstring>
#include <map>

COLORREF ColorToRGB(TColor color)
{
    if (color & clSystemColor) return GetSysColor(color & 0xFF);
    return COLORREF(color & 0xFFFFFF);
}

// ---- TFont ----

TFont::TFont() = default;

TFont::~TFont() = default;

void TFont::Assign(const TPersistent* source)
{
    if (auto* f = dynamic_cast<const TFont*>(source)) {
        name_ = f->name_;
        height_ = f->height_;
        style_ = f->style_;
        color_ = f->color_;
        charset_ = f->charset_;
        Changed();
        return;
    }
    TPersistent::Assign(source);
}

void TFont::Changed()
{
    handle_.reset();
    if (OnChange) OnChange(this);
}

void TFont::SetName(const String& n) { if (n != name_) { name_ = n; Changed(); } }
void TFont::SetHeight(int h) { if (h != height_) { height_ = h; Changed(); } }
void TFont::SetStyle(TFontStyles s) { if (s != style_) { style_ = s; Changed(); } }
// The colour is no part of the font's handle: the handle stays.
void TFont::SetColor(TColor c)
{
    if (c == color_) return;
    color_ = c;
    if (OnChange) OnChange(this);
}
void TFont::SetCharset(BYTE c) { if (c != charset_) { charset_ = c; Changed(); } }

static int ScreenDpi()
{
    static int dpi = [] {
        WindowDC screen(nullptr);
        int d = GetDeviceCaps(screen.get(), LOGPIXELSY);
        return d > 0 ? d : 96;
    }();
    return dpi;
}

int TFont::Size() const { return -MulDiv(height_, 72, ScreenDpi()); }
void TFont::SetSize(int points) { SetHeight(-MulDiv(points, ScreenDpi(), 72)); }

void TFont::Set(const String& name, int pixelHeight, TFontStyles style, TColor color)
{
    name_ = name;
    height_ = -pixelHeight;
    style_ = style;
    color_ = color;
    Changed();
}

HFONT TFont::Handle()
{
    if (!handle_) {
        LOGFONTW lf{};
        lf.lfHeight = height_;
        lf.lfWeight = (style_ & fsBold) ? FW_BOLD : FW_NORMAL;
        lf.lfItalic = (style_ & fsItalic) != 0;
        lf.lfUnderline = (style_ & fsUnderline) != 0;
        lf.lfStrikeOut = (style_ & fsStrikeOut) != 0;
        lf.lfCharSet = charset_;
        lf.lfQuality = DEFAULT_QUALITY;
        lstrcpynW(lf.lfFaceName, name_.c_str(), LF_FACESIZE);
        handle_.reset(CreateFontIndirectW(&lf));
    }
    return handle_.get();
}

bool TFont::operator==(const TFont& o) const
{
    return name_ == o.name_ && height_ == o.height_ && style_ == o.style_ && color_ == o.color_ &&
           charset_ == o.charset_;
}

// ---- TBrush, TPen ----

TBrush::~TBrush() = default;

void TBrush::Changed()
{
    handle_.reset();
    if (OnChange) OnChange(this);
}

void TBrush::SetColor(TColor c)
{
    if (c == color_ && style_ == TBrushStyle::bsSolid) return;
    color_ = c;
    style_ = TBrushStyle::bsSolid;
    Changed();
}

void TBrush::SetStyle(TBrushStyle s) { if (s != style_) { style_ = s; Changed(); } }

HBRUSH TBrush::Handle()
{
    if (style_ == TBrushStyle::bsClear) return HBRUSH(GetStockObject(NULL_BRUSH));
    if (!handle_) handle_.reset(CreateSolidBrush(ColorToRGB(color_)));
    return handle_.get();
}

TPen::~TPen() = default;

void TPen::Changed() { handle_.reset(); }

void TPen::SetColor(TColor c) { if (c != color_) { color_ = c; Changed(); } }
void TPen::SetWidth(int w) { if (w != width_) { width_ = w; Changed(); } }

HPEN TPen::Handle()
{
    if (!handle_) handle_.reset(CreatePen(PS_SOLID, width_, ColorToRGB(color_)));
    return handle_.get();
}

// ---- TCanvas ----

TCanvas::TCanvas() = default;

TCanvas::~TCanvas() { SetHandle(nullptr); }

void TCanvas::SetHandle(HDC dc)
{
    if (dc_ && dc_ != dc) {
        if (oldFont_) SelectObject(dc_, oldFont_);
        if (oldBrush_) SelectObject(dc_, oldBrush_);
        if (oldPen_) SelectObject(dc_, oldPen_);
        oldFont_ = oldBrush_ = oldPen_ = nullptr;
    }
    dc_ = dc;
}

TCanvasBinding::TCanvasBinding(TCanvas& canvas, HDC dc, const TFont& font, TColor brushColor)
    : canvas_(canvas), previous_(canvas.Handle()), brushColor_(canvas.Brush().Color()),
      penColor_(canvas.Pen().Color()), brushStyle_(canvas.Brush().Style()), penWidth_(canvas.Pen().Width())
{
    if (previous_) font_.Assign(&canvas.Font());
    // Let go first: no font or brush is changed while selected into a DC.
    canvas_.SetHandle(nullptr);
    if (!(canvas_.Font() == font)) canvas_.Font().Assign(&font);
    canvas_.Brush().SetColor(brushColor);
    canvas_.SetHandle(dc);
}

TCanvasBinding::~TCanvasBinding()
{
    canvas_.SetHandle(nullptr);
    // An unbound canvas keeps what the paint left: the next paint sets it anew.
    if (!previous_) return;
    if (!(canvas_.Font() == font_)) canvas_.Font().Assign(&font_);
    canvas_.Brush().SetColor(brushColor_);
    canvas_.Brush().SetStyle(brushStyle_);
    canvas_.Pen().SetColor(penColor_);
    canvas_.Pen().SetWidth(penWidth_);
    canvas_.SetHandle(previous_);
}

void TCanvas::Select()
{
    HGDIOBJ f = SelectObject(dc_, font_.Handle());
    HGDIOBJ b = SelectObject(dc_, brush_.Handle());
    HGDIOBJ p = SelectObject(dc_, pen_.Handle());
    if (!oldFont_) oldFont_ = f;
    if (!oldBrush_) oldBrush_ = b;
    if (!oldPen_) oldPen_ = p;
    SetTextColor(dc_, ColorToRGB(font_.Color()));
    if (brush_.Style() == TBrushStyle::bsClear) {
        SetBkMode(dc_, TRANSPARENT);
    } else {
        SetBkMode(dc_, OPAQUE);
        SetBkColor(dc_, ColorToRGB(brush_.Color()));
    }
}

void TCanvas::FillRect(const RECT& r)
{
    if (!dc_) return;
    Select();
    ::FillRect(dc_, &r, brush_.Handle());
}

void TCanvas::FrameRect(const RECT& r)
{
    if (!dc_) return;
    Select();
    ::FrameRect(dc_, &r, brush_.Handle());
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2)
{
    if (!dc_) return;
    Select();
    ::Rectangle(dc_, x1, y1, x2, y2);
}

void TCanvas::MoveTo(int x, int y)
{
    if (dc_) MoveToEx(dc_, x, y, nullptr);
}

void TCanvas::LineTo(int x, int y)
{
    if (!dc_) return;
    Select();
    ::LineTo(dc_, x, y);
}

void TCanvas::TextOut(int x, int y, const String& text)
{
    if (!dc_) return;
    Select();
    ExtTextOutW(dc_, x, y, 0, nullptr, text.c_str(), UINT(text.size()), nullptr);
}

void TCanvas::TextRect(const RECT& r, int x, int y, const String& text)
{
    if (!dc_) return;
    Select();
    UINT opts = ETO_CLIPPED | (brush_.Style() == TBrushStyle::bsClear ? 0 : ETO_OPAQUE);
    ExtTextOutW(dc_, x, y, opts, &r, text.c_str(), UINT(text.size()), nullptr);
}

int TCanvas::DrawText(const String& text, RECT& r, UINT flags)
{
    if (!dc_) return 0;
    Select();
    return ::DrawTextW(dc_, text.c_str(), int(text.size()), &r, flags);
}

SIZE TCanvas::TextExtent(const String& text)
{
    SIZE s{0, 0};
    if (!dc_) return s;
    Select();
    GetTextExtentPoint32W(dc_, text.c_str(), int(text.size()), &s);
    return s;
}

void TCanvas::Draw(int x, int y, TGraphic* graphic)
{
    if (!graphic || graphic->Empty() || !dc_) return;
    RECT r{x, y, x + graphic->Width(), y + graphic->Height()};
    graphic->Draw(*this, r);
}

void TCanvas::StretchDraw(const RECT& r, TGraphic* graphic)
{
    if (!graphic || graphic->Empty() || !dc_) return;
    graphic->Draw(*this, r);
}

// ---- TGraphic ----

void TGraphic::SaveToStream(TStream&)
{
    throw EInvalidGraphic(L"Сохранение этого формата изображений не поддерживается");
}

void TGraphic::LoadFromFile(const String& fileName)
{
    TFileStream f(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(f);
}

// ---- TBitmap ----

int BitsPerPixelOf(TPixelFormat pf)
{
    switch (pf) {
    case TPixelFormat::pf1bit: return 1;
    case TPixelFormat::pf4bit: return 4;
    case TPixelFormat::pf8bit: return 8;
    case TPixelFormat::pf15bit:
    case TPixelFormat::pf16bit: return 16;
    case TPixelFormat::pf24bit: return 24;
    case TPixelFormat::pf32bit: return 32;
    default: return 0;
    }
}

namespace {
// Bitmaps without an explicit format are kept at 32 bits.
int StoredBits(TPixelFormat pf)
{
    int b = BitsPerPixelOf(pf);
    return b ? b : 32;
}

std::vector<uint32_t> GreyTable(int bits)
{
    int n = 1 << bits;
    std::vector<uint32_t> t(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        uint32_t g = uint32_t(i * 255 / (n - 1));
        t[size_t(i)] = (g << 16) | (g << 8) | g;
    }
    return t;
}

// Reads the pixel at x of a row as 0xAARRGGBB (alpha 255 below 32 bits).
uint32_t ReadPixel(const uint8_t* row, int x, int bits, const std::vector<uint32_t>& table)
{
    auto entry = [&](unsigned i) { return 0xFF000000u | (i < table.size() ? table[i] : 0u); };
    switch (bits) {
    case 1: return entry((row[x >> 3] >> (7 - (x & 7))) & 1);
    case 4: return entry((row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15);
    case 8: return entry(row[x]);
    case 16: {
        unsigned v = row[x * 2] | (row[x * 2 + 1] << 8);
        unsigned r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
        return 0xFF000000u | (((r << 3) | (r >> 2)) << 16) | (((g << 3) | (g >> 2)) << 8) | ((b << 3) | (b >> 2));
    }
    case 24: return 0xFF000000u | (uint32_t(row[x * 3 + 2]) << 16) | (uint32_t(row[x * 3 + 1]) << 8) | row[x * 3];
    default: {
        uint32_t v;
        std::memcpy(&v, row + x * 4, 4);
        return v;
    }
    }
}

unsigned NearestEntry(uint32_t c, const std::vector<uint32_t>& table)
{
    unsigned best = 0;
    long bestD = -1;
    for (unsigned i = 0; i < table.size(); ++i) {
        long dr = long((c >> 16) & 255) - long((table[i] >> 16) & 255);
        long dg = long((c >> 8) & 255) - long((table[i] >> 8) & 255);
        long db = long(c & 255) - long(table[i] & 255);
        long d = dr * dr + dg * dg + db * db;
        if (bestD < 0 || d < bestD) {
            bestD = d;
            best = i;
        }
    }
    return best;
}

void WritePixel(uint8_t* row, int x, int bits, uint32_t c, const std::vector<uint32_t>& table)
{
    switch (bits) {
    case 1: {
        unsigned i = NearestEntry(c, table) & 1, sh = 7 - (x & 7);
        row[x >> 3] = uint8_t((row[x >> 3] & ~(1u << sh)) | (i << sh));
        break;
    }
    case 4: {
        unsigned i = NearestEntry(c, table) & 15, sh = (x & 1) ? 0 : 4;
        row[x >> 1] = uint8_t((row[x >> 1] & ~(15u << sh)) | (i << sh));
        break;
    }
    case 8: row[x] = uint8_t(NearestEntry(c, table)); break;
    case 16: {
        unsigned v = (((c >> 19) & 31) << 10) | (((c >> 11) & 31) << 5) | ((c >> 3) & 31);
        row[x * 2] = uint8_t(v);
        row[x * 2 + 1] = uint8_t(v >> 8);
        break;
    }
    case 24:
        row[x * 3] = uint8_t(c);
        row[x * 3 + 1] = uint8_t(c >> 8);
        row[x * 3 + 2] = uint8_t(c >> 16);
        break;
    default: std::memcpy(row + x * 4, &c, 4); break;
    }
}
}  // namespace

TBitmap::TBitmap(int width, int height, TPixelFormat pf) { Create(width, height, pf); }

TBitmap::~TBitmap() { Release(); }

void TBitmap::Release()
{
    canvas_.reset();
    if (dc_) {
        SelectObject(dc_.get(), oldBmp_);
        dc_.reset();
    }
    bmp_.reset();
    bits_ = nullptr;
    width_ = height_ = 0;
}

void TBitmap::Clear()
{
    Release();
    Changed();
}

void TBitmap::Create(int width, int height, TPixelFormat pf)
{
    // The new picture is made in full before the old one goes, so a refused
    // size (or a system out of bitmap memory) leaves the bitmap as it was.
    const int bits = StoredBits(pf);
    std::vector<uint32_t> colors;
    if (bits <= 8) colors = colors_.size() == size_t(1) << bits ? colors_ : GreyTable(bits);
    if (width <= 0 || height <= 0) {
        Release();
        pf_ = pf;
        colors_ = std::move(colors);
        return;
    }
    if (CheckedImageBytes(width, height, bits) < 0)
        throw EOutOfResources(L"Недостаточно ресурсов для изображения");
    std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    auto* bi = reinterpret_cast<BITMAPINFO*>(info.data());
    bi->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi->bmiHeader.biWidth = width;
    bi->bmiHeader.biHeight = -height;
    bi->bmiHeader.biPlanes = 1;
    bi->bmiHeader.biBitCount = WORD(bits);
    bi->bmiHeader.biCompression = BI_RGB;
    if (bits <= 8) {
        bi->bmiHeader.biClrUsed = DWORD(colors.size());
        for (size_t i = 0; i < colors.size(); ++i) {
            uint32_t c = colors[i];
            bi->bmiColors[i] = RGBQUAD{BYTE(c), BYTE(c >> 8), BYTE(c >> 16), 0};
        }
    }
    void* newBits = nullptr;
    BitmapHandle made(CreateDIBSection(nullptr, bi, DIB_RGB_COLORS, &newBits, nullptr, 0));
    if (!made || !newBits) throw EOutOfResources(L"Недостаточно ресурсов для изображения");
    Release();
    pf_ = pf;
    colors_ = std::move(colors);
    bmp_ = std::move(made);
    bits_ = newBits;
    width_ = width;
    height_ = height;
    // White; at 32 bits white with alpha 0. At 8 bits or fewer the whitest entry.
    size_t bpl = size_t(BytesPerLine());
    auto* p = static_cast<uint8_t*>(bits_);
    if (bits == 32) {
        for (int y = 0; y < height; ++y) std::fill_n(reinterpret_cast<uint32_t*>(p + bpl * size_t(y)), width, 0x00FFFFFFu);
    } else if (bits <= 8) {
        unsigned white = NearestEntry(0xFFFFFF, colors_);
        uint8_t fill = bits == 8 ? uint8_t(white) : bits == 4 ? uint8_t(white * 0x11) : uint8_t(white ? 0xFF : 0);
        std::memset(p, fill, bpl * size_t(height));
    } else if (bits == 16) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) p[bpl * size_t(y) + size_t(x) * 2] = 0xFF, p[bpl * size_t(y) + size_t(x) * 2 + 1] = 0x7F;
    } else {
        std::memset(p, 0xFF, bpl * size_t(height));
    }
}

void TBitmap::SetSize(int width, int height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == width_ && height == height_ && (bmp_ || width == 0 || height == 0)) return;
    if (!bmp_) {
        Create(width, height, pf_);
        Changed();
        return;
    }
    TBitmap old;
    old.Assign(this);
    Create(width, height, pf_);
    if (bmp_) {
        int bits = StoredBits(pf_);
        int w = std::min(width, old.width_), h = std::min(height, old.height_);
        auto* dst = static_cast<uint8_t*>(bits_);
        auto* src = static_cast<const uint8_t*>(old.bits_);
        size_t bplD = size_t(BytesPerLine()), bplS = size_t(old.BytesPerLine());
        size_t whole = size_t(w) * size_t(bits) / 8;
        for (int y = 0; y < h; ++y) {
            std::memcpy(dst + bplD * size_t(y), src + bplS * size_t(y), whole);
            for (int x = int(whole * 8 / size_t(bits)); x < w; ++x)   // sub-byte tail
                WritePixel(dst + bplD * size_t(y), x, bits,
                           ReadPixel(src + bplS * size_t(y), x, bits, old.colors_), colors_);
        }
    }
    Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat pf)
{
    if (pf == pf_) return;
    if (!bmp_) {
        pf_ = pf;
        colors_.clear();
        int bits = StoredBits(pf);
        if (bits <= 8) colors_ = GreyTable(bits);
        return;
    }
    TBitmap old;
    old.Assign(this);
    Create(old.width_, old.height_, pf);
    int sb = StoredBits(old.pf_), db = StoredBits(pf_);
    GdiFlush();
    auto* dst = static_cast<uint8_t*>(bits_);
    auto* src = static_cast<const uint8_t*>(old.bits_);
    size_t bplD = size_t(BytesPerLine()), bplS = size_t(old.BytesPerLine());
    for (int y = 0; y < height_; ++y) {
        const uint8_t* s = src + bplS * size_t(y);
        uint8_t* d = dst + bplD * size_t(y);
        for (int x = 0; x < width_; ++x) {
            uint32_t c = ReadPixel(s, x, sb, old.colors_);
            if (db == 32 && sb != 32) c &= 0xFFFFFF;   // no alpha channel before: alpha 0
            WritePixel(d, x, db, c, colors_);
        }
    }
    Changed();
}

int TBitmap::BytesPerLine() const
{
    return int(((int64_t(width_) * StoredBits(pf_) + 31) / 32) * 4);
}

uint8_t* TBitmap::ScanLine(int y)
{
    if (!bits_ || y < 0 || y >= height_) throw EInvalidGraphic(L"Номер строки изображения вне границ");
    GdiFlush();
    return static_cast<uint8_t*>(bits_) + size_t(y) * size_t(BytesPerLine());
}

PixelView TBitmap::View()
{
    PixelView v;
    if (!bits_ || pf_ != TPixelFormat::pf32bit) return v;
    GdiFlush();
    v.pixels = static_cast<uint32_t*>(bits_);
    v.stride = BytesPerLine();
    v.width = width_;
    v.height = height_;
    return v;
}

RawPixelView TBitmap::RawView()
{
    RawPixelView v;
    if (!bits_) return v;
    GdiFlush();
    v.bits = static_cast<uint8_t*>(bits_);
    v.stride = BytesPerLine();
    v.width = width_;
    v.height = height_;
    v.bitsPerPixel = StoredBits(pf_);
    return v;
}

void TBitmap::ApplyColorTable()
{
    if (!bmp_ || colors_.empty()) return;
    std::vector<RGBQUAD> q(colors_.size());
    for (size_t i = 0; i < colors_.size(); ++i)
        q[i] = RGBQUAD{BYTE(colors_[i]), BYTE(colors_[i] >> 8), BYTE(colors_[i] >> 16), 0};
    if (dc_) {
        SetDIBColorTable(dc_.get(), 0, UINT(q.size()), q.data());
        return;
    }
    MemoryDC dc = CreateMemoryDC();
    SelectScope select(dc.get(), bmp_.get());
    SetDIBColorTable(dc.get(), 0, UINT(q.size()), q.data());
}

void TBitmap::SetColorTable(const std::vector<uint32_t>& entries)
{
    int bits = StoredBits(pf_);
    if (bits > 8) return;
    colors_.assign(size_t(1) << bits, 0);
    for (size_t i = 0; i < entries.size() && i < colors_.size(); ++i) colors_[i] = entries[i] & 0xFFFFFF;
    ApplyColorTable();
    Changed();
}

HPALETTE TBitmap::Palette() const
{
    if (colors_.empty()) return nullptr;
    std::vector<uint8_t> mem(sizeof(LOGPALETTE) + colors_.size() * sizeof(PALETTEENTRY));
    auto* lp = reinterpret_cast<LOGPALETTE*>(mem.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = WORD(colors_.size());
    for (size_t i = 0; i < colors_.size(); ++i)
        lp->palPalEntry[i] = PALETTEENTRY{BYTE(colors_[i] >> 16), BYTE(colors_[i] >> 8), BYTE(colors_[i]), 0};
    return CreatePalette(lp);
}

void TBitmap::SetPalette(HPALETTE palette)
{
    if (!palette) return;
    PALETTEENTRY e[256];
    UINT n = GetPaletteEntries(palette, 0, 256, e);
    std::vector<uint32_t> t(n);
    for (UINT i = 0; i < n; ++i) t[i] = (uint32_t(e[i].peRed) << 16) | (uint32_t(e[i].peGreen) << 8) | e[i].peBlue;
    SetColorTable(t);
}

TCanvas& TBitmap::Canvas()
{
    if (!canvas_) canvas_ = std::make_unique<TCanvas>();
    if (bmp_ && !dc_) {
        dc_ = CreateMemoryDC();
        oldBmp_ = SelectObject(dc_.get(), bmp_.get());
        canvas_->SetHandle(dc_.get());
    }
    return *canvas_;
}

void TBitmap::Assign(const TPersistent* source)
{
    if (source == this) return;
    if (auto* b = dynamic_cast<const TBitmap*>(source)) {
        colors_ = b->colors_;
        Create(b->width_, b->height_, b->pf_);
        if (bmp_) {
            GdiFlush();
            std::memcpy(bits_, b->bits_, size_t(BytesPerLine()) * size_t(height_));
        }
        transparent_ = b->transparent_;
        transparentColor_ = b->transparentColor_;
        Changed();
        return;
    }
    if (auto* g = dynamic_cast<const TGraphic*>(source)) {
        auto* gg = const_cast<TGraphic*>(g);
        Create(gg->Width(), gg->Height(), TPixelFormat::pf32bit);
        if (bmp_) {
            RECT r{0, 0, width_, height_};
            gg->Draw(Canvas(), r);
        }
        Changed();
        return;
    }
    TGraphic::Assign(source);
}

void TBitmap::Draw(TCanvas& canvas, const RECT& r)
{
    if (!bmp_) return;
    // A bitmap can be selected into one DC only: use our canvas's DC when it has one.
    MemoryDC temp = dc_ ? MemoryDC() : CreateMemoryDC(canvas.Handle());
    HDC src = dc_ ? dc_.get() : temp.get();
    SelectScope select(temp.get(), temp ? bmp_.get() : nullptr);
    GdiFlush();
    int w = r.right - r.left, h = r.bottom - r.top;
    if (transparent_ && transparentColor_ != clNone) {
        TransparentBlt(canvas.Handle(), r.left, r.top, w, h, src, 0, 0, width_, height_,
                       ColorToRGB(transparentColor_));
    } else if (w == width_ && h == height_) {
        BitBlt(canvas.Handle(), r.left, r.top, w, h, src, 0, 0, SRCCOPY);
    } else {
        int oldMode = SetStretchBltMode(canvas.Handle(), HALFTONE);
        SetBrushOrgEx(canvas.Handle(), 0, 0, nullptr);
        StretchBlt(canvas.Handle(), r.left, r.top, w, h, src, 0, 0, width_, height_, SRCCOPY);
        SetStretchBltMode(canvas.Handle(), oldMode);
    }
}

void TBitmap::LoadFromHandle(HBITMAP source)
{
    BITMAP bm{};
    if (!source || !GetObjectW(source, sizeof bm, &bm)) throw EInvalidGraphic(L"Неверное изображение");
    Create(bm.bmWidth, std::abs(bm.bmHeight), TPixelFormat::pf32bit);
    {
        MemoryDC src = CreateMemoryDC();
        SelectScope select(src.get(), source);
        BitBlt(Canvas().Handle(), 0, 0, width_, height_, src.get(), 0, 0, SRCCOPY);
    }
    // Opaque pixels: GDI leaves the alpha byte of a 32-bit target at zero.
    for (int y = 0; y < height_; ++y) {
        uint8_t* p = ScanLine(y);
        for (int x = 0; x < width_; ++x) p[x * 4 + 3] = 255;
    }
    Changed();
}

void TBitmap::LoadFromStream(TStream& stream)
{
    // Every size GDI would take on trust (colour table, masks, rows, runs) is
    // checked first; GDI then gets a header of ours, never the file's. The
    // picture is made aside, so a bad file leaves this bitmap as it was.
    std::string bytes(sizeof(BITMAPFILEHEADER), '\0');
    stream.ReadBuffer(bytes.data(), int64_t(bytes.size()));
    bytes += stream.ReadAll();
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    BmpInfo bmp;
    std::vector<uint8_t> indices;
    if (!ParseBmpHeader(data, bytes.size(), bmp, nullptr) ||
        ((bmp.compression == kBmpRle8 || bmp.compression == kBmpRle4) &&
         !DecodeBmpRle(data, bytes.size(), bmp, indices, nullptr)))
        throw EInvalidGraphic(L"Неверный формат изображения");
    TBitmap loaded(bmp.width, bmp.height, TPixelFormat::pf32bit);
    if (!indices.empty()) {
        for (int y = 0; y < bmp.height; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(loaded.ScanLine(y));
            const uint8_t* src = &indices[size_t(y) * size_t(bmp.width)];
            for (int x = 0; x < bmp.width; ++x) row[x] = bmp.colors[src[x]] | 0xFF000000u;
        }
    } else {
        std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
        auto* bi = reinterpret_cast<BITMAPINFO*>(info.data());
        bi->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bi->bmiHeader.biWidth = bmp.width;
        bi->bmiHeader.biHeight = bmp.topDown ? -bmp.height : bmp.height;
        bi->bmiHeader.biPlanes = 1;
        bi->bmiHeader.biBitCount = WORD(bmp.bitCount);
        if (bmp.compression == kBmpBitFields || bmp.compression == kBmpAlphaBitFields) {
            bi->bmiHeader.biCompression = BI_BITFIELDS;
            std::memcpy(bi->bmiColors, bmp.masks, 3 * sizeof(uint32_t));
        } else {
            bi->bmiHeader.biCompression = BI_RGB;
        }
        bi->bmiHeader.biClrUsed = DWORD(bmp.colors.size());
        for (size_t i = 0; i < bmp.colors.size(); ++i) {
            uint32_t c = bmp.colors[i];
            bi->bmiColors[i] = RGBQUAD{BYTE(c), BYTE(c >> 8), BYTE(c >> 16), 0};
        }
        const uint8_t* bits = data + bmp.bitsOffset;
        HDC dc = loaded.Canvas().Handle();
        if (!SetDIBitsToDevice(dc, 0, 0, DWORD(bmp.width), DWORD(bmp.height), 0, 0, 0, UINT(bmp.height), bits, bi,
                               DIB_RGB_COLORS) &&
            !StretchDIBits(dc, 0, 0, bmp.width, bmp.height, 0, 0, bmp.width, bmp.height, bits, bi, DIB_RGB_COLORS,
                           SRCCOPY))
            throw EInvalidGraphic(L"Неверный формат изображения");
        GdiFlush();
        for (int y = 0; y < bmp.height; ++y) {
            uint8_t* p = loaded.ScanLine(y);
            for (int x = 0; x < bmp.width; ++x) p[x * 4 + 3] = 255;
        }
    }
    TakePixels(loaded);
    Changed();
}

void TBitmap::TakePixels(TBitmap& other)
{
    Release();
    std::swap(width_, other.width_);
    std::swap(height_, other.height_);
    std::swap(pf_, other.pf_);
    std::swap(bmp_, other.bmp_);
    std::swap(bits_, other.bits_);
    std::swap(dc_, other.dc_);
    std::swap(oldBmp_, other.oldBmp_);
    std::swap(canvas_, other.canvas_);
    std::swap(colors_, other.colors_);
}

void TBitmap::SaveToStream(TStream& stream)
{
    BITMAPINFOHEADER ih{};
    ih.biSize = sizeof ih;
    ih.biWidth = width_;
    ih.biHeight = -height_;
    ih.biPlanes = 1;
    ih.biBitCount = WORD(StoredBits(pf_));
    ih.biCompression = BI_RGB;
    ih.biClrUsed = DWORD(colors_.size());
    size_t bytes = size_t(BytesPerLine()) * size_t(height_);
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = DWORD(sizeof fh + sizeof ih + colors_.size() * 4);
    fh.bfSize = DWORD(fh.bfOffBits + bytes);
    stream.WriteBuffer(&fh, sizeof fh);
    stream.WriteBuffer(&ih, sizeof ih);
    for (uint32_t c : colors_) {
        RGBQUAD q{BYTE(c), BYTE(c >> 8), BYTE(c >> 16), 0};
        stream.WriteBuffer(&q, sizeof q);
    }
    if (bytes) {
        GdiFlush();
        stream.WriteBuffer(bits_, int64_t(bytes));
    }
}

void TBitmap::LoadFromResourceName(HINSTANCE instance, const String& name)
{
    BitmapHandle h(HBITMAP(LoadImageW(instance, name.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!h) throw EInvalidGraphic(L"Ресурс изображения не найден: " + name);
    LoadFromHandle(h.get());
}

// ---- TPicture ----

namespace {
struct FormatEntry {
    String description;
    TGraphicFactory factory;
};
std::map<String, FormatEntry>& Formats()
{
    static std::map<String, FormatEntry> formats = [] {
        std::map<String, FormatEntry> m;
        m[L"bmp"] = {L"Bitmaps", [] { return static_cast<TGraphic*>(new TBitmap()); }};
        return m;
    }();
    return formats;
}
String NormalExt(String ext)
{
    if (!ext.empty() && ext[0] == L'.') ext.erase(0, 1);
    for (auto& c : ext) c = wchar_t(towlower(c));
    return ext;
}
}  // namespace

TPicture::~TPicture() = default;

void TPicture::RegisterFileFormat(const String& extension, const String& description, TGraphicFactory factory)
{
    Formats()[NormalExt(extension)] = {description, std::move(factory)};
}

void TPicture::UnregisterFileFormat(const String& extension) { Formats().erase(NormalExt(extension)); }

TGraphicFactory TPicture::FindFormat(const String& extension)
{
    auto it = Formats().find(NormalExt(extension));
    return it == Formats().end() ? TGraphicFactory() : it->second.factory;
}

void TPicture::GraphicChanged(TObject*) { Changed(); }

void TPicture::TakeGraphic(std::unique_ptr<TGraphic> g)
{
    graphic_ = std::move(g);
    if (graphic_) graphic_->OnChange = TNotifyEvent(this, &TPicture::GraphicChanged);
    Changed();
}

TBitmap& TPicture::Bitmap()
{
    if (!dynamic_cast<TBitmap*>(graphic_.get())) TakeGraphic(std::make_unique<TBitmap>());
    return *static_cast<TBitmap*>(graphic_.get());
}

void TPicture::LoadFromFile(const String& fileName)
{
    TGraphicFactory f = FindFormat(ExtractFileExt(fileName));
    if (!f) throw EInvalidGraphic(L"Неизвестный формат изображения \"" + ExtractFileExt(fileName) + L"\"");
    std::unique_ptr<TGraphic> g(f());
    g->LoadFromFile(fileName);
    TakeGraphic(std::move(g));
}

void TPicture::Assign(const TPersistent* source)
{
    if (!source) {
        TakeGraphic(nullptr);
        return;
    }
    if (auto* p = dynamic_cast<const TPicture*>(source)) {
        Assign(p->graphic_.get());
        if (!p->graphic_) TakeGraphic(nullptr);
        return;
    }
    if (auto* g = dynamic_cast<const TGraphic*>(source)) {
        // A copy of the same class when its factory is known, else a bitmap.
        TGraphicFactory f;
        for (auto& [ext, e] : Formats()) {
            std::unique_ptr<TGraphic> probe(e.factory());
            if (probe->ClassInfo() == g->ClassInfo()) {
                f = e.factory;
                break;
            }
        }
        std::unique_ptr<TGraphic> copy(f ? f() : new TBitmap());
        copy->Assign(g);
        TakeGraphic(std::move(copy));
        return;
    }
    TPersistent::Assign(source);
}
