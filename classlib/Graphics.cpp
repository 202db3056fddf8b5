#include "classlib/Graphics.h"

#include <algorithm>
#include <map>

COLORREF ColorToRGB(TColor color)
{
    if (color & clSystemColor) return GetSysColor(color & 0xFF);
    return COLORREF(color & 0xFFFFFF);
}

// ---- TFont ----

TFont::TFont() = default;

TFont::~TFont()
{
    if (handle_) DeleteObject(handle_);
}

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
    if (handle_) {
        DeleteObject(handle_);
        handle_ = nullptr;
    }
    if (OnChange) OnChange(this);
}

void TFont::SetName(const String& n) { if (n != name_) { name_ = n; Changed(); } }
void TFont::SetHeight(int h) { if (h != height_) { height_ = h; Changed(); } }
void TFont::SetStyle(TFontStyles s) { if (s != style_) { style_ = s; Changed(); } }
void TFont::SetColor(TColor c) { if (c != color_) { color_ = c; Changed(); } }
void TFont::SetCharset(BYTE c) { if (c != charset_) { charset_ = c; Changed(); } }

static int ScreenDpi()
{
    static int dpi = [] {
        HDC dc = GetDC(nullptr);
        int d = GetDeviceCaps(dc, LOGPIXELSY);
        ReleaseDC(nullptr, dc);
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
        handle_ = CreateFontIndirectW(&lf);
    }
    return handle_;
}

bool TFont::operator==(const TFont& o) const
{
    return name_ == o.name_ && height_ == o.height_ && style_ == o.style_ && color_ == o.color_ &&
           charset_ == o.charset_;
}

// ---- TBrush, TPen ----

TBrush::~TBrush()
{
    if (handle_) DeleteObject(handle_);
}

void TBrush::Changed()
{
    if (handle_) {
        DeleteObject(handle_);
        handle_ = nullptr;
    }
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
    if (!handle_) {
        handle_ = style_ == TBrushStyle::bsClear ? HBRUSH(GetStockObject(NULL_BRUSH))
                                                 : CreateSolidBrush(ColorToRGB(color_));
    }
    return handle_;
}

TPen::~TPen()
{
    if (handle_) DeleteObject(handle_);
}

void TPen::Changed()
{
    if (handle_) {
        DeleteObject(handle_);
        handle_ = nullptr;
    }
}

void TPen::SetColor(TColor c) { if (c != color_) { color_ = c; Changed(); } }
void TPen::SetWidth(int w) { if (w != width_) { width_ = w; Changed(); } }

HPEN TPen::Handle()
{
    if (!handle_) handle_ = CreatePen(PS_SOLID, width_, ColorToRGB(color_));
    return handle_;
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

TBitmap::TBitmap(int width, int height, TPixelFormat pf) { Create(width, height, pf); }

TBitmap::~TBitmap() { Release(); }

void TBitmap::Release()
{
    canvas_.reset();
    if (dc_) {
        SelectObject(dc_, oldBmp_);
        DeleteDC(dc_);
        dc_ = nullptr;
    }
    if (bmp_) DeleteObject(bmp_);
    bmp_ = nullptr;
    bits_ = nullptr;
    width_ = height_ = 0;
}

void TBitmap::Create(int width, int height, TPixelFormat pf)
{
    Release();
    pf_ = pf;
    if (width <= 0 || height <= 0) return;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = pf == TPixelFormat::pf32bit ? 32 : 24;
    bi.bmiHeader.biCompression = BI_RGB;
    bmp_ = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits_, nullptr, 0);
    if (!bmp_) throw EOutOfResources(L"Недостаточно ресурсов для изображения");
    width_ = width;
    height_ = height;
    std::memset(bits_, 0, size_t(BytesPerLine()) * size_t(height));
}

void TBitmap::SetSize(int width, int height)
{
    if (width == width_ && height == height_ && bmp_) return;
    TBitmap old;
    bool keep = bmp_ != nullptr;
    if (keep) old.Assign(this);
    Create(width, height, pf_);
    if (keep && bmp_) {
        HDC src = CreateCompatibleDC(nullptr);
        HGDIOBJ o = SelectObject(src, old.bmp_);
        BitBlt(Canvas().Handle(), 0, 0, std::min(width, old.width_), std::min(height, old.height_), src, 0, 0, SRCCOPY);
        SelectObject(src, o);
        DeleteDC(src);
    }
    Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat pf)
{
    if (pf == pf_) return;
    if (!bmp_) {
        pf_ = pf;
        return;
    }
    TBitmap old;
    old.Assign(this);
    Create(old.width_, old.height_, pf);
    HDC src = CreateCompatibleDC(nullptr);
    HGDIOBJ o = SelectObject(src, old.bmp_);
    BitBlt(Canvas().Handle(), 0, 0, width_, height_, src, 0, 0, SRCCOPY);
    SelectObject(src, o);
    DeleteDC(src);
    Changed();
}

int TBitmap::BytesPerLine() const
{
    int bpp = pf_ == TPixelFormat::pf32bit ? 32 : 24;
    return ((width_ * bpp + 31) / 32) * 4;
}

uint8_t* TBitmap::ScanLine(int y)
{
    if (!bits_ || y < 0 || y >= height_) throw EInvalidGraphic(L"Номер строки изображения вне границ");
    GdiFlush();
    return static_cast<uint8_t*>(bits_) + size_t(y) * size_t(BytesPerLine());
}

TCanvas& TBitmap::Canvas()
{
    if (!canvas_) {
        canvas_ = std::make_unique<TCanvas>();
        if (bmp_) {
            dc_ = CreateCompatibleDC(nullptr);
            oldBmp_ = SelectObject(dc_, bmp_);
            canvas_->SetHandle(dc_);
        }
    }
    return *canvas_;
}

void TBitmap::Assign(const TPersistent* source)
{
    if (source == this) return;
    if (auto* b = dynamic_cast<const TBitmap*>(source)) {
        Create(b->width_, b->height_, b->pf_);
        if (bmp_) {
            GdiFlush();
            std::memcpy(bits_, b->bits_, size_t(BytesPerLine()) * size_t(height_));
        }
        transparent_ = b->transparent_;
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
    HDC own = dc_;
    HDC src = own ? own : CreateCompatibleDC(canvas.Handle());
    HGDIOBJ o = own ? nullptr : SelectObject(src, bmp_);
    GdiFlush();
    int w = r.right - r.left, h = r.bottom - r.top;
    if (w == width_ && h == height_) {
        BitBlt(canvas.Handle(), r.left, r.top, w, h, src, 0, 0, SRCCOPY);
    } else {
        int oldMode = SetStretchBltMode(canvas.Handle(), HALFTONE);
        SetBrushOrgEx(canvas.Handle(), 0, 0, nullptr);
        StretchBlt(canvas.Handle(), r.left, r.top, w, h, src, 0, 0, width_, height_, SRCCOPY);
        SetStretchBltMode(canvas.Handle(), oldMode);
    }
    if (!own) {
        SelectObject(src, o);
        DeleteDC(src);
    }
}

void TBitmap::LoadFromHandle(HBITMAP source)
{
    BITMAP bm{};
    if (!source || !GetObjectW(source, sizeof bm, &bm)) throw EInvalidGraphic(L"Неверное изображение");
    Create(bm.bmWidth, std::abs(bm.bmHeight), TPixelFormat::pf32bit);
    HDC src = CreateCompatibleDC(nullptr);
    HGDIOBJ o = SelectObject(src, source);
    BitBlt(Canvas().Handle(), 0, 0, width_, height_, src, 0, 0, SRCCOPY);
    SelectObject(src, o);
    DeleteDC(src);
    // Opaque pixels: GDI leaves the alpha byte of a 32-bit target at zero.
    for (int y = 0; y < height_; ++y) {
        uint8_t* p = ScanLine(y);
        for (int x = 0; x < width_; ++x) p[x * 4 + 3] = 255;
    }
    Changed();
}

void TBitmap::LoadFromStream(TStream& stream)
{
    BITMAPFILEHEADER fh{};
    stream.ReadBuffer(&fh, sizeof fh);
    if (fh.bfType != 0x4D42) throw EInvalidGraphic(L"Неверный формат изображения");
    std::string rest = stream.ReadAll();
    if (rest.size() < sizeof(BITMAPINFOHEADER)) throw EInvalidGraphic(L"Неверный формат изображения");
    auto* bi = reinterpret_cast<const BITMAPINFO*>(rest.data());
    size_t bitsOffset = fh.bfOffBits >= sizeof fh ? fh.bfOffBits - sizeof fh : 0;
    const auto& h = bi->bmiHeader;
    if (h.biWidth <= 0 || h.biWidth > 32768 || h.biHeight == 0 || std::abs(h.biHeight) > 32768 ||
        bitsOffset >= rest.size())
        throw EInvalidGraphic(L"Неверный формат изображения");
    size_t stride = ((size_t(h.biWidth) * h.biBitCount + 31) / 32) * 4;
    if (h.biCompression == BI_RGB && rest.size() - bitsOffset < stride * size_t(std::abs(h.biHeight)))
        throw EInvalidGraphic(L"Неверный формат изображения");
    Create(h.biWidth, std::abs(h.biHeight), TPixelFormat::pf32bit);
    HDC dc = Canvas().Handle();
    if (!SetDIBitsToDevice(dc, 0, 0, DWORD(width_), DWORD(height_), 0, 0, 0, UINT(height_),
                           rest.data() + bitsOffset, bi, DIB_RGB_COLORS) &&
        !StretchDIBits(dc, 0, 0, width_, height_, 0, 0, width_, height_, rest.data() + bitsOffset, bi,
                       DIB_RGB_COLORS, SRCCOPY))
        throw EInvalidGraphic(L"Неверный формат изображения");
    GdiFlush();
    for (int y = 0; y < height_; ++y) {
        uint8_t* p = ScanLine(y);
        for (int x = 0; x < width_; ++x) p[x * 4 + 3] = 255;
    }
    Changed();
}

void TBitmap::SaveToStream(TStream& stream)
{
    BITMAPINFOHEADER ih{};
    ih.biSize = sizeof ih;
    ih.biWidth = width_;
    ih.biHeight = -height_;
    ih.biPlanes = 1;
    ih.biBitCount = pf_ == TPixelFormat::pf32bit ? 32 : 24;
    ih.biCompression = BI_RGB;
    size_t bytes = size_t(BytesPerLine()) * size_t(height_);
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof ih;
    fh.bfSize = DWORD(fh.bfOffBits + bytes);
    stream.WriteBuffer(&fh, sizeof fh);
    stream.WriteBuffer(&ih, sizeof ih);
    if (bytes) {
        GdiFlush();
        stream.WriteBuffer(bits_, int64_t(bytes));
    }
}

void TBitmap::LoadFromResourceName(HINSTANCE instance, const String& name)
{
    HBITMAP h = HBITMAP(LoadImageW(instance, name.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!h) throw EInvalidGraphic(L"Ресурс изображения не найден: " + name);
    try {
        LoadFromHandle(h);
    } catch (...) {
        DeleteObject(h);
        throw;
    }
    DeleteObject(h);
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
