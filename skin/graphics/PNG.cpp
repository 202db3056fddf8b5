#include "skin/graphics/PNG.h"

#include <algorithm>

#include "skin/graphics/Bitmap32.h"

namespace {

// Rows go straight into the picture's own DIB.
class BitmapTarget : public PngTarget {
public:
    explicit BitmapTarget(TPNGGraphic& g) : g_(g) {}
    RawPixelView Allocate(int width, int height, int bitsPerPixel, const std::vector<uint32_t>& palette) override
    {
        TPixelFormat pf = bitsPerPixel == 1    ? TPixelFormat::pf1bit
                          : bitsPerPixel == 4  ? TPixelFormat::pf4bit
                          : bitsPerPixel == 8  ? TPixelFormat::pf8bit
                          : bitsPerPixel == 24 ? TPixelFormat::pf24bit
                                               : TPixelFormat::pf32bit;
        g_.SetPixelFormat(pf);
        if (!palette.empty()) g_.SetColorTable(palette);
        g_.SetSize(width, height);
        return g_.RawView();
    }
    void Progress(Stage stage, int percent, const wchar_t* message) override
    {
        // Only the starting and ending stages: a per-row message would cost more than the row.
        if (stage == Running || !g_.OnProgress) return;
        RECT r{0, 0, 0, 0};
        g_.OnProgress(&g_, stage == Starting ? TProgressStage::psStarting : TProgressStage::psEnding, percent, false,
                      r, message);
    }

private:
    TPNGGraphic& g_;
};

int unitCounter = 0;

}  // namespace

TPNGGraphic::TPNGGraphic() : colorManager_(std::make_unique<TColorManager>()) {}

TPNGGraphic::~TPNGGraphic() = default;

void TPNGGraphic::SetReflected(bool r)
{
    if (r == reflected_) return;
    reflected_ = r;
    Changed();
}

void TPNGGraphic::LoadFromStream(TStream& stream)
{
    int64_t start = stream.Position();
    std::string bytes = stream.ReadAll();
    Clear();
    SetTransparent(false);
    colorManager_ = std::make_unique<TColorManager>();
    try {
        BitmapTarget target(*this);
        PngLoadResult r = LoadPng(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), target,
                                  *colorManager_);
        properties_ = r.properties;
        fillColor_ = TColor(r.fillColor);
        // A transparent colour (tRNS of a grey or RGB image) arrives as alpha 0
        // in a 32-bit picture, decided on the samples as stored. The bitmap gets
        // no colour key: a key would be compared with the colours after gamma,
        // where other samples can meet it.
        stream.SetPosition(start + int64_t(r.consumed));
    } catch (...) {
        Clear();   // no half-loaded picture
        stream.SetPosition(start);
        throw;
    }
    Changed();
}

void TPNGGraphic::Assign(const TPersistent* source)
{
    if (auto* p = dynamic_cast<const TPNGGraphic*>(source)) {
        properties_ = p->properties_;
        fillColor_ = p->fillColor_;
        reflected_ = p->reflected_;
    }
    TBitmap::Assign(source);
}

namespace {
// Copies byte `channel` of every pixel of a 32-bit bitmap into an 8-bit grey
// bitmap (index = level), or back.
void CopyChannel(TBitmap& bmp32, TBitmap& grey, int channel, bool toGrey)
{
    PixelView v = bmp32.View();
    RawPixelView g = grey.RawView();
    int w = std::min(v.width, g.width), h = std::min(v.height, g.height);
    for (int y = 0; y < h; ++y) {
        uint32_t* p = v.Row(y);
        uint8_t* q = g.Row(y);
        for (int x = 0; x < w; ++x) {
            if (toGrey) q[x] = uint8_t(p[x] >> (channel * 8));
            else p[x] = (p[x] & ~(0xFFu << (channel * 8))) | (uint32_t(q[x]) << (channel * 8));
        }
    }
}

// Halftone stretch of src to w x h into a new bitmap of the same depth.
void Stretch(TBitmap& src, TBitmap& out, int w, int h)
{
    out.SetPixelFormat(src.PixelFormat());
    out.SetSize(w, h);
    HDC d = out.Canvas().Handle();
    int old = SetStretchBltMode(d, HALFTONE);
    SetBrushOrgEx(d, 0, 0, nullptr);
    GdiFlush();
    StretchBlt(d, 0, 0, w, h, src.Canvas().Handle(), 0, 0, src.Width(), src.Height(), SRCCOPY);
    SetStretchBltMode(d, old);
    GdiFlush();
}
}  // namespace

void TPNGGraphic::Draw(TCanvas& canvas, const RECT& r)
{
    if (Empty() || !canvas.Handle()) return;
    if (PixelFormat() != TPixelFormat::pf32bit) {
        TBitmap::Draw(canvas, r);
        return;
    }
    int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return;
    bool same = w == Width() && h == Height();
    bool mirror = reflected_ && same;
    int workH = h + (reflected_ ? h / 2 : 0);
    std::unique_ptr<TBitmap> work(NewBitmap32(w, workH));
    GdiFlush();
    BitBlt(work->Canvas().Handle(), 0, 0, w, workH, canvas.Handle(), r.left, r.top, SRCCOPY);
    GdiFlush();
    TsBgCacheInfo none = EmptyBgCacheInfo;
    if (same) {
        BlendBitmapMasked(RECT{0, 0, w, h}, RECT{0, 0, w, h}, work.get(), this, none, false, NoColorValue, 0, mirror);
    } else {
        // Colours and alpha are stretched separately, then blended (never mirrored).
        TBitmap colours, alpha8, alphaStretched;
        Stretch(*this, colours, w, h);
        alpha8.SetPixelFormat(TPixelFormat::pf8bit);
        alpha8.SetSize(Width(), Height());
        CopyChannel(*this, alpha8, 3, true);
        Stretch(alpha8, alphaStretched, w, h);
        colours.SetPixelFormat(TPixelFormat::pf32bit);
        CopyChannel(colours, alphaStretched, 3, false);
        BlendBitmapMasked(RECT{0, 0, w, h}, RECT{0, 0, w, h}, work.get(), &colours, none, false, NoColorValue, 0,
                          false);
    }
    GdiFlush();
    BitBlt(canvas.Handle(), r.left, r.top, w, workH, work->Canvas().Handle(), 0, 0, SRCCOPY);
}

void InitPNGUnit()
{
    if (unitCounter++ > 0) return;
    TPicture::RegisterFileFormat(L"png", L"Portable network graphics (Korvel)",
                                 [] { return static_cast<TGraphic*>(new TPNGGraphic()); });
}

void DonePNGUnit()
{
    if (unitCounter == 0 || --unitCounter > 0) return;
    TPicture::UnregisterFileFormat(L"png");
}

// ---- icons ----

namespace {
HICON IconFrom(TBitmap& colour, const std::vector<uint8_t>& maskBits, int w, int h)
{
    BitmapHandle mask(CreateBitmap(w, h, 1, 1, maskBits.data()));
    ICONINFO ii{};
    ii.fIcon = TRUE;
    ii.hbmMask = mask.get();
    ii.hbmColor = colour.Handle();
    GdiFlush();
    return CreateIconIndirect(&ii);
}

// A 1-bit mask (rows padded to 16 bits, as CreateBitmap wants) set where test(x, y).
template <class Test>
std::vector<uint8_t> MaskBits(int w, int h, Test test)
{
    int stride = ((w + 15) / 16) * 2;
    std::vector<uint8_t> bits(size_t(stride) * size_t(h), 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (test(x, y)) bits[size_t(y) * size_t(stride) + size_t(x >> 3)] |= uint8_t(0x80 >> (x & 7));
    return bits;
}
}  // namespace

HICON MakeIconFromBitmap(TBitmap* bmp)
{
    if (!bmp || bmp->Empty()) return nullptr;
    bmp->SetPixelFormat(TPixelFormat::pf32bit);
    PixelView v = bmp->View();
    uint32_t key = v.At(0, 0) & 0xFFFFFF;
    auto bits = MaskBits(v.width, v.height, [&](int x, int y) { return (v.At(x, y) & 0xFFFFFF) == key; });
    return IconFrom(*bmp, bits, v.width, v.height);
}

HICON MakeIconFromAlphaBitmap(TBitmap* bmp, TColor background)
{
    if (!bmp || bmp->Empty()) return nullptr;
    TBitmap source;
    source.Assign(bmp);
    if (source.PixelFormat() != TPixelFormat::pf32bit) {
        source.SetPixelFormat(TPixelFormat::pf32bit);
        PixelView s = source.View();
        for (int y = 0; y < s.height; ++y)
            for (int x = 0; x < s.width; ++x) {
                uint32_t& p = s.At(x, y);
                p = (p & 0xFFFFFF) | ((p & 0xFFFFFF) == 0xFF00FF ? 0u : 0xFF000000u);
            }
    }
    std::unique_ptr<TBitmap> copy(NewBitmap32(source.Width(), source.Height()));
    FillRect32(copy.get(), RECT{0, 0, copy->Width(), copy->Height()}, TColor(ColorToRGB(background)), 0);
    TsBgCacheInfo none = EmptyBgCacheInfo;
    RECT all{0, 0, copy->Width(), copy->Height()};
    BlendBitmapMasked(all, all, copy.get(), &source, none, false);
    PixelView s = source.View();
    auto bits = MaskBits(s.width, s.height, [&](int x, int y) { return (s.At(x, y) >> 24) == 0; });
    return IconFrom(*copy, bits, s.width, s.height);
}

void ZeroWhitePixels(TBitmap* bmp)
{
    if (bmp && bmp->PixelFormat() == TPixelFormat::pf32bit) px::ZeroWhitePixels(bmp->View());
}
