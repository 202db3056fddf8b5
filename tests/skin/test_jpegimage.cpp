// JPEG pictures: pictures made here with libjpeg's encoder decode to their
// colours (baseline, progressive, grey), load through the picture class by
// extension, draw on a real window, and bad data fail cleanly.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <jpeglib.h>

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "skin/graphics/JpegDecode.h"
#include "skin/graphics/JpegImage.h"
#include "support/GuiTest.h"

namespace {
// Quadrants: red top-left, green top-right, blue bottom-left, white bottom-right.
void QuadrantColour(int x, int y, int w, int h, uint8_t rgb[3])
{
    static const uint8_t colours[4][3] = {{220, 20, 20}, {20, 200, 40}, {30, 40, 210}, {250, 250, 250}};
    const uint8_t* c = colours[(y >= h / 2 ? 2 : 0) + (x >= w / 2 ? 1 : 0)];
    rgb[0] = c[0];
    rgb[1] = c[1];
    rgb[2] = c[2];
}

std::string Encode(int w, int h, bool progressive, bool grey)
{
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* mem = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &mem, &size);
    c.image_width = JDIMENSION(w);
    c.image_height = JDIMENSION(h);
    c.input_components = grey ? 1 : 3;
    c.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 95, TRUE);
    if (progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(size_t(w) * 3);
    while (c.next_scanline < c.image_height) {
        int y = int(c.next_scanline);
        for (int x = 0; x < w; ++x) {
            if (grey)
                row[size_t(x)] = uint8_t(x * 255 / (w - 1));
            else
                QuadrantColour(x, y, w, h, &row[size_t(x) * 3]);
        }
        JSAMPROW p = row.data();
        jpeg_write_scanlines(&c, &p, 1);
    }
    jpeg_finish_compress(&c);
    std::string out(reinterpret_cast<char*>(mem), size);
    std::free(mem);
    jpeg_destroy_compress(&c);
    return out;
}

// The pixel of a 32-bit bitmap as 0x00RRGGBB.
void ExpectNear(const uint8_t* bgra, const uint8_t rgb[3], int tolerance, const char* where)
{
    EXPECT_NEAR(bgra[2], rgb[0], tolerance) << where;
    EXPECT_NEAR(bgra[1], rgb[1], tolerance) << where;
    EXPECT_NEAR(bgra[0], rgb[2], tolerance) << where;
    EXPECT_EQ(bgra[3], 255) << where;
}

void ExpectQuadrants(TBitmap* bmp, int w, int h)
{
    ASSERT_NE(bmp, nullptr);
    ASSERT_EQ(bmp->Width(), w);
    ASSERT_EQ(bmp->Height(), h);
    const int xs[2] = {w / 4, 3 * w / 4}, ys[2] = {h / 4, 3 * h / 4};
    for (int y : ys)
        for (int x : xs) {
            uint8_t rgb[3];
            QuadrantColour(x, y, w, h, rgb);
            ExpectNear(bmp->ScanLine(y) + x * 4, rgb, 10, "quadrant");
        }
}
}  // namespace

TEST(JpegImage, BaselineAndProgressiveFromAStreamNotAtItsStart)
{
    for (bool progressive : {false, true}) {
        const std::string jpeg = Encode(64, 48, progressive, false);
        TMemoryStream stream(jpeg);
        stream.Seek(0, TSeekOrigin::soEnd);   // wherever the position stands
        TkvTinyJPGImage image;
        int changes = 0;
        image.OnChange = [&](TObject*) { ++changes; };
        image.LoadFromStream(stream);
        EXPECT_EQ(changes, 1);
        EXPECT_EQ(image.Width(), 64);
        EXPECT_EQ(image.Height(), 48);
        ExpectQuadrants(image.Bitmap(), 64, 48);

        // It saves exactly the bytes it loaded.
        TMemoryStream saved;
        image.SaveToStream(saved);
        EXPECT_EQ(saved.Data(), jpeg);
    }
}

TEST(JpegImage, GreyPictureAndOddSizes)
{
    JpegPixels px;
    const std::string jpeg = Encode(37, 5, false, true);
    DecodeJpeg(reinterpret_cast<const uint8_t*>(jpeg.data()), jpeg.size(), px);
    ASSERT_EQ(px.Width, 37);
    ASSERT_EQ(px.Height, 5);
    ASSERT_EQ(px.Bgra.size(), size_t(37 * 5 * 4));
    for (int x : {0, 18, 36}) {
        const uint8_t* p = &px.Bgra[size_t(2 * 37 + x) * 4];
        int expected = x * 255 / 36;
        EXPECT_NEAR(p[0], expected, 8);
        EXPECT_EQ(p[0], p[1]);
        EXPECT_EQ(p[1], p[2]);
        EXPECT_EQ(p[3], 255);
    }

    const std::string one = Encode(1, 1, true, false);
    DecodeJpeg(reinterpret_cast<const uint8_t*>(one.data()), one.size(), px);
    EXPECT_EQ(px.Width, 1);
    EXPECT_EQ(px.Height, 1);
}

TEST(JpegImage, DecodingIntoTheCallersRows)
{
    const std::string jpeg = Encode(37, 5, false, true);
    const auto* data = reinterpret_cast<const uint8_t*>(jpeg.data());
    JpegPixels plain;
    DecodeJpeg(data, jpeg.size(), plain);
    // Rows with padding between them: the same pixels, the padding untouched.
    const ptrdiff_t padded = 37 * 4 + 12;
    std::vector<uint8_t> rows(size_t(padded) * 5, 0xAB);
    int askedW = 0, askedH = 0;
    DecodeJpeg(data, jpeg.size(), [&](int w, int h, ptrdiff_t& stride) -> uint8_t* {
        askedW = w;
        askedH = h;
        stride = padded;
        return rows.data();
    });
    EXPECT_EQ(askedW, 37);
    EXPECT_EQ(askedH, 5);
    for (int y = 0; y < 5; ++y) {
        EXPECT_EQ(0, std::memcmp(&rows[size_t(padded * y)], &plain.Bgra[size_t(37 * 4 * y)], 37 * 4)) << y;
        for (ptrdiff_t i = 37 * 4; i < padded; ++i) ASSERT_EQ(rows[size_t(padded * y + i)], 0xAB) << y;
    }
    // A caller that cannot give the memory makes the load fail.
    EXPECT_THROW(DecodeJpeg(data, jpeg.size(), [](int, int, ptrdiff_t&) -> uint8_t* { return nullptr; }),
                 EInvalidGraphic);
}

TEST(JpegImage, BadDataFailCleanlyAndKeepThePicture)
{
    const std::string good = Encode(16, 16, false, false);
    TkvTinyJPGImage image;
    TMemoryStream g(good);
    image.LoadFromStream(g);

    TMemoryStream notJpeg(std::string("GIF89a not a jpeg at all"));
    EXPECT_THROW(image.LoadFromStream(notJpeg), EInvalidGraphic);
    TMemoryStream empty;
    EXPECT_THROW(image.LoadFromStream(empty), EInvalidGraphic);
    // The picture that was there stays.
    EXPECT_EQ(image.Width(), 16);
    ExpectQuadrants(image.Bitmap(), 16, 16);

    // A header that claims a huge picture is refused before anything is allocated.
    std::string huge = good;
    size_t sof = huge.find("\xFF\xC0", 2);
    ASSERT_NE(sof, std::string::npos);
    huge[sof + 5] = char(0xFF);   // height 0xFF10
    huge[sof + 6] = char(0x10);
    huge[sof + 7] = char(0xFF);   // width 0xFF10
    huge[sof + 8] = char(0x10);
    JpegPixels px;
    EXPECT_THROW(DecodeJpeg(reinterpret_cast<const uint8_t*>(huge.data()), huge.size(), px), EInvalidGraphic);
    EXPECT_TRUE(px.Bgra.empty());

    // Cut short: the part that is there decodes, the rest is filled; no crash.
    const std::string big = Encode(64, 64, false, false);
    size_t sos = big.find("\xFF\xDA");
    ASSERT_NE(sos, std::string::npos);
    std::string cut = big.substr(0, sos + (big.size() - sos) / 2);
    DecodeJpeg(reinterpret_cast<const uint8_t*>(cut.data()), cut.size(), px);
    EXPECT_EQ(px.Width, 64);
    uint8_t red[3];
    QuadrantColour(4, 4, 64, 64, red);
    ExpectNear(&px.Bgra[(4 * 64 + 4) * 4], red, 10, "top row of a cut picture");

    // Every truncation of a progressive picture either decodes or raises.
    const std::string prog = Encode(24, 24, true, false);
    for (size_t n = 0; n < prog.size(); n += 7) {
        try {
            DecodeJpeg(reinterpret_cast<const uint8_t*>(prog.data()), n, px);
            EXPECT_EQ(px.Bgra.size(), size_t(24 * 24 * 4));
        } catch (const EInvalidGraphic&) {
            EXPECT_TRUE(px.Bgra.empty());
        }
    }
}

TEST(JpegImage, RegisteredByExtensionAndDrawnOnAWindow)
{
    TempDir dir(L"jpeg");
    String jpg = dir.WriteFile(L"картинка.jpg", Encode(64, 48, false, false));
    String jpeg = dir.WriteFile(L"PICTURE.JPEG", Encode(64, 48, true, false));

    TPicture picture;
    picture.LoadFromFile(jpeg);
    ASSERT_NE(picture.Graphic(), nullptr);
    EXPECT_EQ(picture.Graphic()->ClassName(), L"TkvTinyJPGImage");

    // The file may be open for writing elsewhere meanwhile.
    HANDLE writer = CreateFileW(jpg.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    TkvTinyJPGImage direct;
    direct.LoadFromFile(jpg);
    CloseHandle(writer);
    EXPECT_EQ(direct.Width(), 64);

    TForm* form = new TForm(Application);
    form->SetBounds(100, 100, 200, 150);
    TImage* image = new TImage(form);
    image->SetParent(form);
    image->SetBounds(0, 0, 64, 48);
    image->Picture().LoadFromFile(jpg);
    form->Show();
    Pump(50);
    HWND wnd = form->Handle();
    const int xs[2] = {16, 48}, ys[2] = {12, 36};
    for (int y : ys)
        for (int x : xs) {
            uint8_t rgb[3];
            QuadrantColour(x, y, 64, 48, rgb);
            COLORREF c = WindowPixel(wnd, x, y);
            EXPECT_NEAR(GetRValue(c), rgb[0], 12) << x << "," << y;
            EXPECT_NEAR(GetGValue(c), rgb[1], 12) << x << "," << y;
            EXPECT_NEAR(GetBValue(c), rgb[2], 12) << x << "," << y;
        }
    Free(form);

    TkvTinyJPGImage copy;
    copy.Assign(&direct);
    ExpectQuadrants(copy.Bitmap(), 64, 48);
}
