// Bitmaps (pixels, BMP streams), the picture format registry and fonts: a
// bold font must really be bold, both as a GDI object and on the screen.
#include <gtest/gtest.h>

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
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
