// Bitmaps (pixels, BMP streams), the picture format registry and fonts: a
// bold font must really be bold, both as a GDI object and on the screen.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/ImageSize.h"
#include "support/GuiTest.h"

namespace {

uint32_t PixelAt(TBitmap& b, int x, int y)
{
    const uint8_t* p = b.ScanLine(y) + x * 4;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;   // B G R as 0xRRGGBB
}

TEST(BitmapTest, FillRectShowsInScanLine)
{
    TBitmap b(20, 10);
    b.Canvas().Brush().SetColor(RGBColor(0x12, 0x34, 0x56));
    b.Canvas().FillRect(RECT{5, 2, 10, 6});
    EXPECT_EQ(PixelAt(b, 5, 2), 0x123456u);
    EXPECT_EQ(PixelAt(b, 9, 5), 0x123456u);
    EXPECT_EQ(PixelAt(b, 10, 5), 0xFFFFFFu);   // a new bitmap is white
    EXPECT_EQ(PixelAt(b, 5, 6), 0xFFFFFFu);
    EXPECT_THROW(b.ScanLine(10), EInvalidGraphic);
    EXPECT_EQ(b.BytesPerLine(), 80);
    TBitmap b24(5, 1, TPixelFormat::pf24bit);
    EXPECT_EQ(b24.BytesPerLine(), 16);
}

TEST(BitmapTest, SaveAndLoadStreamRoundTrip)
{
    TBitmap b(7, 5);
    for (int y = 0; y < 5; ++y) {
        uint8_t* p = b.ScanLine(y);
        for (int x = 0; x < 7; ++x) {
            p[x * 4] = uint8_t(x * 30);
            p[x * 4 + 1] = uint8_t(y * 50);
            p[x * 4 + 2] = uint8_t(x + y);
        }
    }
    TMemoryStream s;
    b.SaveToStream(s);
    EXPECT_EQ(s.Data().substr(0, 2), "BM");
    s.SetPosition(0);
    TBitmap back;
    back.LoadFromStream(s);
    ASSERT_EQ(back.Width(), 7);
    ASSERT_EQ(back.Height(), 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) EXPECT_EQ(PixelAt(back, x, y), PixelAt(b, x, y)) << x << "," << y;

    // A 24-bit, bottom-up file as other programs write it.
    TBitmap b24(3, 2, TPixelFormat::pf24bit);
    b24.Canvas().Brush().SetColor(clRed);
    b24.Canvas().FillRect(RECT{0, 0, 3, 1});
    TMemoryStream s24;
    b24.SaveToStream(s24);
    s24.SetPosition(0);
    TBitmap back24;
    back24.LoadFromStream(s24);
    EXPECT_EQ(PixelAt(back24, 2, 0), 0xFF0000u);
    EXPECT_EQ(PixelAt(back24, 2, 1), 0xFFFFFFu);
}

TEST(BitmapTest, BrokenStreamsAreInvalidGraphics)
{
    TBitmap b;
    TMemoryStream notBmp(std::string(100, 'x'));
    EXPECT_THROW(b.LoadFromStream(notBmp), EInvalidGraphic);
    TBitmap good(4, 4);
    TMemoryStream s;
    good.SaveToStream(s);
    TMemoryStream cut(s.Data().substr(0, s.Data().size() - 20));
    EXPECT_THROW(b.LoadFromStream(cut), EInvalidGraphic);
    TMemoryStream tiny(std::string("BM"));
    EXPECT_THROW(b.LoadFromStream(tiny), EStreamError);
}

// Little-endian bytes of hand-made .bmp files.
struct Bytes {
    std::string s;
    Bytes& u8(unsigned v) { s += char(v & 0xFF); return *this; }
    Bytes& u16(unsigned v) { return u8(v).u8(v >> 8); }
    Bytes& u32(uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
    Bytes& raw(std::initializer_list<unsigned> bytes) { for (unsigned v : bytes) u8(v); return *this; }
    Bytes& table(const std::vector<uint32_t>& colours) { for (uint32_t c : colours) u32(c & 0xFFFFFF); return *this; }
};

// An info header (40 bytes, or a version 5 header of 124 with its masks).
Bytes Info(int32_t w, int32_t h, unsigned bits, uint32_t compression = 0, uint32_t clrUsed = 0,
           const std::vector<uint32_t>& v5masks = {})
{
    Bytes b;
    b.u32(v5masks.empty() ? 40 : 124).u32(uint32_t(w)).u32(uint32_t(h)).u16(1).u16(bits).u32(compression);
    b.u32(0).u32(0).u32(0).u32(clrUsed).u32(0);
    for (uint32_t m : v5masks) b.u32(m);
    if (!v5masks.empty()) b.s.resize(124, '\0');
    return b;
}

// A whole file: the file header, head (header, masks, table), then the pixels.
std::string BmpFile(const Bytes& head, const std::string& pixels)
{
    Bytes f;
    f.raw({'B', 'M'}).u32(uint32_t(14 + head.s.size() + pixels.size())).u32(0).u32(uint32_t(14 + head.s.size()));
    return f.s + head.s + pixels;
}

// Rows of an uncompressed picture, bottom-up unless topDown, each padded to 4 bytes.
std::string Rows(int w, int h, int bits, bool topDown, const std::function<uint32_t(int, int)>& value)
{
    std::string out;
    for (int r = 0; r < h; ++r) {
        int y = topDown ? r : h - 1 - r;
        std::string row(size_t((w * bits + 31) / 32 * 4), '\0');
        for (int x = 0; x < w; ++x) {
            uint32_t v = value(x, y);
            if (bits < 8)
                row[size_t(x * bits / 8)] |= char(v << (8 - bits - x * bits % 8));
            else
                for (int i = 0; i < bits / 8; ++i) row[size_t(x * bits / 8 + i)] = char(v >> (8 * i));
        }
        out += row;
    }
    return out;
}

TEST(BitmapTest, BmpFilesOfEveryKindLoadToTheirPixels)
{
    const std::vector<uint32_t> pal = {0x102030, 0xFF0000, 0x00FF00, 0x0000FF};
    auto index = [](int x, int y) { return uint32_t(x + 2 * y) % 4; };
    auto colour = [](int x, int y) { return uint32_t(x * 40) << 16 | uint32_t(y * 80) << 8 | uint32_t(x + y) * 20; };
    // Full-scale values only, so 5-6-5 fields widen to them however the bits are filled.
    const uint32_t primaries[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    auto primary = [&](int x, int y) { return primaries[index(x, y)]; };
    auto to565 = [&](int x, int y) {
        uint32_t c = primary(x, y);
        return (c >> 16 ? 0xF800u : 0) | (c >> 8 & 0xFF ? 0x07E0u : 0) | (c & 0xFF ? 0x001Fu : 0);
    };
    // Compressed pictures, written by hand, with the indices they stand for (rows from the top).
    const std::string rle8 = Bytes().raw({2, 1, 0, 3, 1, 2, 3, 0,   // two 1s, then 1 2 3 as they are
                                          0, 0,                     // end of line
                                          0, 2, 2, 0, 5, 3,         // two right, five 3s past the edge
                                          0, 1}).s;                 // end: the top row is skipped
    const std::vector<std::vector<uint8_t>> rle8Indices = {{0, 0, 0, 0, 0}, {0, 0, 3, 3, 3}, {1, 1, 1, 2, 3}};
    const std::string rle4 = Bytes().raw({5, 0x12, 0, 0, 0, 3, 0x31, 0x00, 2, 0x22, 0, 1}).s;
    const std::vector<std::vector<uint8_t>> rle4Indices = {{3, 1, 0, 2, 2}, {1, 2, 1, 2, 1}};
    auto fromIndices = [&](const std::vector<std::vector<uint8_t>>& grid) {
        return [&pal, &grid](int x, int y) { return pal[grid[size_t(y)][size_t(x)]]; };
    };
    struct Case {
        const char* kind;
        std::string file;
        int w, h;
        std::function<uint32_t(int, int)> expect;
    };
    const Case cases[] = {
        {"8-bit with 4 colours", BmpFile(Info(5, 3, 8, 0, 4).table(pal), Rows(5, 3, 8, false, index)), 5, 3,
         [&](int x, int y) { return pal[index(x, y)]; }},
        {"4-bit from the top", BmpFile(Info(5, -3, 4, 0, 4).table(pal), Rows(5, 3, 4, true, index)), 5, 3,
         [&](int x, int y) { return pal[index(x, y)]; }},
        {"1-bit", BmpFile(Info(9, 2, 1).table({pal[0], pal[1]}), Rows(9, 2, 1, false, [&](int x, int y) { return index(x, y) & 1; })),
         9, 2, [&](int x, int y) { return pal[index(x, y) & 1]; }},
        {"24-bit with a core header", BmpFile(Bytes().u32(12).u16(5).u16(3).u16(1).u16(24), Rows(5, 3, 24, false, colour)), 5, 3,
         colour},
        {"16-bit 5-6-5 bit fields", BmpFile(Info(5, 3, 16, 3).u32(0xF800).u32(0x07E0).u32(0x001F), Rows(5, 3, 16, false, to565)),
         5, 3, primary},
        {"32-bit bit fields in a version 5 header",
         BmpFile(Info(5, -3, 32, 3, 0, {0x0000FF00, 0x00FF0000, 0xFF000000, 0}),
                 Rows(5, 3, 32, true, [&](int x, int y) {
                     uint32_t c = colour(x, y);
                     return (c >> 16 & 0xFF) << 8 | (c >> 8 & 0xFF) << 16 | (c & 0xFF) << 24;
                 })),
         5, 3, colour},
        {"RLE8", BmpFile(Info(5, 3, 8, 1, 4).table(pal), rle8), 5, 3, fromIndices(rle8Indices)},
        {"RLE4", BmpFile(Info(5, 2, 4, 2, 4).table(pal), rle4), 5, 2, fromIndices(rle4Indices)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        TMemoryStream s(c.file);
        TBitmap b;
        ASSERT_NO_THROW(b.LoadFromStream(s));
        ASSERT_EQ(b.Width(), c.w);
        ASSERT_EQ(b.Height(), c.h);
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x) {
                EXPECT_EQ(PixelAt(b, x, y), c.expect(x, y)) << x << "," << y;
                EXPECT_EQ(b.ScanLine(y)[x * 4 + 3], 255);
            }
    }
}

TEST(BitmapTest, BmpFilesThatPromiseMoreThanTheyHoldAreRefusedAndChangeNothing)
{
    const std::pair<const char*, std::string> cases[] = {
        {"8-bit without its colour table", BmpFile(Info(2, 1, 8), std::string(4, '\1'))},
        {"32-bit bit fields without masks", BmpFile(Info(1, 1, 32, 3), std::string(4, '\x11'))},
        {"RLE8 without an end code", BmpFile(Bytes(Info(4, 2, 8, 1, 1)).table({0xFFFFFF}), std::string("\x04\x00", 2))},
        {"more colours than 8 bits hold", BmpFile(Info(1, 1, 8, 0, 257).table(std::vector<uint32_t>(257)), std::string(4, '\0'))},
        {"RLE4 run of pixels cut short", BmpFile(Bytes(Info(8, 1, 4, 2, 1)).table({0}), std::string("\x00\x08\x12", 3))},
        {"RLE8 at 24 bits", BmpFile(Info(1, 1, 24, 1), std::string("\x00\x01\x00\x00", 4))},
        {"RLE8 from the top", BmpFile(Bytes(Info(1, -1, 8, 1, 1)).table({0}), std::string("\x00\x01", 2))},
    };
    for (const auto& [what, file] : cases) {
        SCOPED_TRACE(what);
        TBitmap b(3, 2);
        b.Canvas().Brush().SetColor(RGBColor(0x12, 0x34, 0x56));
        b.Canvas().FillRect(RECT{0, 0, 3, 2});
        TMemoryStream s(file);
        EXPECT_THROW(b.LoadFromStream(s), EInvalidGraphic);
        EXPECT_EQ(b.Width(), 3);
        EXPECT_EQ(b.Height(), 2);
        EXPECT_EQ(PixelAt(b, 2, 1), 0x123456u);
    }
}

TEST(BitmapTest, NewAndEnlargedBitmapsAreWhiteWithAlphaZeroAndResizingKeepsTheOverlap)
{
    TBitmap b;
    b.SetPixelFormat(TPixelFormat::pf32bit);
    b.SetSize(3, 2);
    PixelView v = b.View();
    ASSERT_FALSE(v.Empty());
    EXPECT_EQ(v.At(2, 1), 0x00FFFFFFu);
    v.At(1, 1) = 0x80123456;
    b.SetSize(5, 4);
    v = b.View();
    EXPECT_EQ(v.At(1, 1), 0x80123456u);   // the overlap is kept, alpha included
    EXPECT_EQ(v.At(4, 3), 0x00FFFFFFu);   // the new part is white with alpha 0
    b.SetSize(1, 1);
    b.SetSize(2, 2);
    EXPECT_EQ(b.View().At(1, 1), 0x00FFFFFFu);
    // The view's stride is the DIB's and rows are top-down.
    EXPECT_EQ(b.View().stride, b.BytesPerLine());
    EXPECT_EQ(reinterpret_cast<uint8_t*>(b.View().Row(1)), b.ScanLine(1));
}

TEST(BitmapTest, SizesPastTheImageLimitsAreRefusedAsOutOfResourcesAndKeepThePicture)
{
    const int side = ImageLimits::kMaxSide;
    struct Row {
        TPixelFormat pf;
        int w, h;
        bool accepted;
    } rows[] = {
        {TPixelFormat::pf32bit, side, 1, true},
        {TPixelFormat::pf32bit, 1, side, true},
        {TPixelFormat::pf32bit, side + 1, 1, false},
        {TPixelFormat::pf8bit, 1, side + 1, false},
        {TPixelFormat::pf32bit, 8193, 8192, false},   // one row past ImageLimits::kMaxBytes
    };
    const TColor grey = RGBColor(0x80, 0x80, 0x80);   // exact in the grey table of 8 bits too
    for (const Row& r : rows) {
        SCOPED_TRACE(std::to_string(r.w) + "x" + std::to_string(r.h));
        // A bitmap with a picture: a refused size keeps that picture as it was.
        TBitmap b(3, 2, r.pf);
        b.Canvas().Brush().SetColor(grey);
        b.Canvas().FillRect(RECT{0, 0, 3, 2});
        bool accepted = true;
        try {
            b.SetSize(r.w, r.h);
        } catch (const EOutOfResources&) {
            accepted = false;
        }
        EXPECT_EQ(accepted, r.accepted);
        EXPECT_EQ(b.Width(), accepted ? r.w : 3);
        EXPECT_EQ(b.Height(), accepted ? r.h : 2);
        EXPECT_EQ(b.PixelFormat(), r.pf);
        if (!accepted) {
            ASSERT_NE(b.Handle(), nullptr);
            EXPECT_EQ(b.Canvas().Pixel(2, 1), COLORREF(grey));
        }
    }
    // A new pixel format whose picture would be too large is refused the same way.
    TBitmap wide(side, 4096, TPixelFormat::pf1bit);   // 16 MB; at 32 bits twice the limit
    EXPECT_THROW(wide.SetPixelFormat(TPixelFormat::pf32bit), EOutOfResources);
    EXPECT_EQ(wide.PixelFormat(), TPixelFormat::pf1bit);
    EXPECT_EQ(wide.Width(), side);
    EXPECT_NE(wide.Handle(), nullptr);
}

TEST(BitmapTest, PixelFormatsConvertAndSmallDepthsHaveGreyTables)
{
    TBitmap b(4, 1, TPixelFormat::pf8bit);
    std::vector<uint32_t> table = b.ColorTable();
    ASSERT_EQ(table.size(), 256u);
    EXPECT_EQ(table[0x42], 0x424242u);   // index = grey level
    EXPECT_EQ(b.ScanLine(0)[0], 255);    // white
    b.ScanLine(0)[1] = 0x30;
    // GDI sees the grey level of the index.
    EXPECT_EQ(GetPixel(b.Canvas().Handle(), 1, 0), RGB(0x30, 0x30, 0x30));
    // To 32 bits: colours kept, alpha 0 (there was no alpha channel).
    b.SetPixelFormat(TPixelFormat::pf32bit);
    EXPECT_EQ(b.View().At(1, 0), 0x00303030u);
    // To 24 bits and back: alpha dropped, then 0.
    b.View().At(0, 0) = 0xFF102030;
    b.SetPixelFormat(TPixelFormat::pf24bit);
    EXPECT_TRUE(b.View().Empty());
    EXPECT_EQ(b.ScanLine(0)[0], 0x30);
    b.SetPixelFormat(TPixelFormat::pf32bit);
    EXPECT_EQ(b.View().At(0, 0), 0x00102030u);
    // 1-bit: black and white; a colour table of our own is shown by GDI.
    TBitmap mono(9, 1, TPixelFormat::pf1bit);
    EXPECT_EQ(mono.ColorTable(), (std::vector<uint32_t>{0x000000, 0xFFFFFF}));
    TBitmap pal(2, 1, TPixelFormat::pf4bit);
    std::vector<uint32_t> colours(16, 0);
    colours[3] = 0xFF8000;
    pal.SetColorTable(colours);
    pal.ScanLine(0)[0] = 0x30;
    EXPECT_EQ(GetPixel(pal.Canvas().Handle(), 0, 0), RGB(0xFF, 0x80, 0x00));
    HPALETTE hp = pal.Palette();
    ASSERT_NE(hp, nullptr);
    TBitmap other(1, 1, TPixelFormat::pf4bit);
    other.SetPalette(hp);
    DeleteObject(hp);
    EXPECT_EQ(other.ColorTable()[3], 0xFF8000u);
    // Saved and loaded back at its own depth.
    TMemoryStream s;
    pal.SaveToStream(s);
    s.SetPosition(0);
    TBitmap back;
    back.LoadFromStream(s);
    EXPECT_EQ(back.View().At(0, 0) & 0xFFFFFF, 0xFF8000u);
}

TEST(PictureTest, RegistryByExtension)
{
    TempDir dir;
    TBitmap b(3, 3);
    TMemoryStream s;
    b.SaveToStream(s);
    s.SaveToFile(dir.Path() + L"p.BMP");
    TPicture pic;
    int changes = 0;
    pic.OnChange = [&](TObject*) { ++changes; };
    pic.LoadFromFile(dir.Path() + L"p.BMP");
    ASSERT_NE(pic.Graphic(), nullptr);
    EXPECT_EQ(pic.Graphic()->ClassName(), L"TBitmap");
    EXPECT_EQ(pic.Width(), 3);
    EXPECT_GE(changes, 1);

    s.SaveToFile(dir.Path() + L"p.xyz");
    EXPECT_THROW(pic.LoadFromFile(dir.Path() + L"p.xyz"), EInvalidGraphic);
    EXPECT_EQ(pic.Width(), 3);   // the old picture stays
    int made = 0;
    TPicture::RegisterFileFormat(L".XYZ", L"test", [&made] {
        ++made;
        return static_cast<TGraphic*>(new TBitmap());
    });
    pic.LoadFromFile(dir.Path() + L"p.xyz");
    EXPECT_EQ(made, 1);
    TPicture::UnregisterFileFormat(L"xyz");
    EXPECT_FALSE(bool(TPicture::FindFormat(L"xyz")));
    EXPECT_TRUE(bool(TPicture::FindFormat(L".bmp")));
}

LONG FontWeight(TFont& f)
{
    LOGFONTW lf{};
    EXPECT_EQ(GetObjectW(f.Handle(), sizeof lf, &lf), int(sizeof lf));
    return lf.lfWeight;
}

// Number of dark pixels and the width of text drawn black on white.
struct Ink {
    int pixels = 0, width = 0;
};
Ink DrawInk(TFont& font, const String& text)
{
    TBitmap b(300, 40);
    TCanvas& c = b.Canvas();
    c.Brush().SetColor(clWhite);
    c.FillRect(RECT{0, 0, 300, 40});
    c.Font().Assign(&font);
    c.Font().SetColor(clBlack);
    c.Brush().SetStyle(TBrushStyle::bsClear);
    c.TextOut(2, 2, text);
    Ink ink;
    ink.width = c.TextWidth(text);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 300; ++x)
            if ((PixelAt(b, x, y) & 0xFF) < 0x80) ++ink.pixels;
    return ink;
}

TEST(FontTest, BoldHandleHasWeight700AndDrawsHeavier)
{
    TFont regular, bold;
    regular.Set(L"Tahoma", 16, 0, clWhite);
    bold.Set(L"Tahoma", 16, fsBold, clWhite);
    EXPECT_EQ(FontWeight(regular), FW_NORMAL);
    EXPECT_EQ(FontWeight(bold), FW_BOLD);
    LOGFONTW lf{};
    GetObjectW(bold.Handle(), sizeof lf, &lf);
    EXPECT_EQ(lf.lfHeight, -16);
    EXPECT_STREQ(lf.lfFaceName, L"Tahoma");

    // The face chosen when the font is selected is really bold.
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bold.Handle());
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, face);
    SelectObject(dc, old);
    DeleteDC(dc);
    EXPECT_GE(tm.tmWeight, FW_BOLD);
    EXPECT_STREQ(face, L"Tahoma");

    Ink r = DrawInk(regular, L"Преподаватель");
    Ink b = DrawInk(bold, L"Преподаватель");
    EXPECT_GT(b.width, r.width);
    EXPECT_GT(b.pixels, r.pixels * 5 / 4) << "regular " << r.pixels << ", bold " << b.pixels;
}

TEST(FontTest, ChangesRebuildTheHandleAndTellTheOwner)
{
    TFont f;
    int changes = 0;
    f.OnChange = [&](TObject*) { ++changes; };
    f.SetStyle(fsBold | fsItalic);
    EXPECT_EQ(FontWeight(f), FW_BOLD);
    f.SetStyle(0);
    EXPECT_EQ(FontWeight(f), FW_NORMAL);
    f.SetSize(12);
    EXPECT_EQ(f.Height(), -16);   // 96 dpi
    EXPECT_EQ(f.Size(), 12);
    f.SetSize(12);
    EXPECT_EQ(changes, 3);
    TFont g;
    g.Assign(&f);
    EXPECT_TRUE(g == f);
}

// A panel's caption in Tahoma bold must come out bold on the screen too.
TEST(FontTest, PanelCaptionInBoldRendersBold)
{
    TForm* form = new TForm(nullptr);
    form->SetBounds(0, 0, 420, 200);
    auto make = [&](int top, TFontStyles style) {
        auto* p = new TPanel(form);
        p->SetParent(form);
        p->SetBounds(10, top, 300, 30);
        p->SetBevelOuter(TBevelCut::bvNone);
        p->SetColor(clBlack);
        p->Font().Set(L"Tahoma", 16, style, clWhite);
        p->SetCaption(L"Преподаватель");
        return p;
    };
    TPanel* regular = make(10, 0);
    TPanel* bold = make(60, fsBold);
    form->Show();
    Pump(50);
    auto count = [](TPanel* p) {
        int n = 0;
        for (int y = 0; y < p->Height(); ++y)
            for (int x = 0; x < p->Width(); ++x)
                if ((WindowPixel(p->Handle(), x, y) & 0xFF) > 0x80) ++n;
        return n;
    };
    int r = count(regular), b = count(bold);
    SaveWindowShot(form->Handle(), L"panel_bold");
    EXPECT_GT(r, 50);
    EXPECT_GT(b, r * 5 / 4) << "regular " << r << ", bold " << b;
    Free(form);
}

}  // namespace
