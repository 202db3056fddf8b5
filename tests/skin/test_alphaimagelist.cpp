// The alpha image list on real platform image lists: items kept as bytes, the
// platform list built from them, 32-bit images with alpha, caching, drawing
// with blending, streaming (and damaged streams), the glyph and tool-button
// image routines, and the shared list made at the library's start-up.
#include <gtest/gtest.h>

#include "classlib/Collections.h"
#include "skin/controls/AlphaImageList.h"
#include "skin/graphics/Bitmap32.h"
#include "skin/forms/Startup.h"
#include "support/GuiTest.h"
#include "support/IconBytes.h"
#include "SkinFixtures.h"

namespace {

using skintest::Png;

uint32_t Px(TBitmap& b, int x, int y) { return b.View().At(x, y); }

// A 32-bit BMP file of w x h with the given pixels (0xAARRGGBB).
std::string Bmp32(int w, int h, const std::function<uint32_t(int, int)>& px)
{
    TBitmap b(w, h, TPixelFormat::pf32bit);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) b.View().At(x, y) = px(x, y);
    TMemoryStream m;
    b.SaveToStream(m);
    return m.Data();
}

TsImgListItem* AddItem(TsAlphaImageList& list, TsImageFormat f, const std::string& bytes)
{
    TsImgListItem* item = list.Items().Add();
    item->ImageFormat = f;
    item->SetData(bytes);
    return item;
}

// A canvas-backed 32-bit bitmap filled with one colour (0xRRGGBB as a pixel).
void Fill(TBitmap& b, uint32_t pixel)
{
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) b.View().At(x, y) = pixel;
}

int Channel(uint32_t p, int shift) { return int((p >> shift) & 0xFF); }

TEST(AlphaImageList, BuildsThePlatformListFromTheItemBytes)
{
    TsAlphaImageList list(nullptr);
    EXPECT_TRUE(list.HandleAllocated());
    EXPECT_EQ(list.BkColor(), clNone);
    EXPECT_TRUE(list.UseCache());
    EXPECT_EQ(list.Count(), 0);
    std::string png = Png(16, 16, [](int x, int y) { return 0xFF102030u; });
    std::string bmp = Bmp32(16, 16, [](int, int) { return 0xFF405060u; });
    std::string ico = IconFileBytes(16, 16, [](int, int) { return 0xFF708090u; });
    AddItem(list, TsImageFormat::ifPNG, png);
    AddItem(list, TsImageFormat::ifBMP32, bmp);
    AddItem(list, TsImageFormat::ifICO, ico);
    list.RebuildSystemList();
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Items().Items(0)->ImgWidth, 16);
    EXPECT_EQ(list.Items().Items(2)->ImgHeight, 16);
    // The bytes stay as loaded.
    EXPECT_EQ(list.Items().Items(0)->ImgData.Data(), png);
    EXPECT_EQ(list.Items().Items(2)->ImgData.Data(), ico);
    TBitmap b(16, 16);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(list.GetBitmap32(i, &b));
        EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf32bit);
    }
    list.GetBitmap32(0, &b);
    EXPECT_EQ(Px(b, 5, 5), 0xFF102030u);
    list.GetBitmap32(1, &b);
    EXPECT_EQ(Px(b, 5, 5), 0xFF405060u);
    list.GetBitmap32(2, &b);   // through the platform icon
    EXPECT_EQ(Px(b, 5, 5), 0xFF708090u);
    // Out of range and without a bitmap: nothing.
    EXPECT_FALSE(list.GetBitmap32(3, &b));
    EXPECT_FALSE(list.GetBitmap32(-1, &b));
    EXPECT_FALSE(list.GetBitmap32(0, nullptr));
    EXPECT_EQ(list.CreateBitmap32(3, 16, 16), nullptr);
}

TEST(AlphaImageList, PngWithAlphaIsBlendedOverTheBackground)
{
    TsAlphaImageList list(nullptr);
    // Red whose alpha grows with x: 0, 17, 34 ... 255.
    AddItem(list, TsImageFormat::ifPNG, Png(16, 16, [](int x, int) { return (uint32_t(x * 17) << 24) | 0xFF0000u; }));
    list.RebuildSystemList();
    TBitmap target(40, 20, TPixelFormat::pf32bit);
    Fill(target, 0xFF0000FFu);   // blue
    list.Draw(target.Canvas(), 10, 2, 0);
    GdiFlush();
    for (int x = 0; x < 16; ++x) {
        SCOPED_TRACE(x);
        uint32_t p = Px(target, 10 + x, 8);
        double a = x * 17 / 255.0;
        EXPECT_NEAR(Channel(p, 16), 255 * a, 2.0);         // red from the picture
        EXPECT_NEAR(Channel(p, 0), 255 * (1 - a), 2.0);    // blue from the background
        EXPECT_EQ(Channel(p, 8), 0);
    }
    // Outside the image the background is untouched.
    EXPECT_EQ(Px(target, 9, 8) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(Px(target, 26, 8) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(Px(target, 12, 1) & 0xFFFFFF, 0x0000FFu);

    // Through a real window's device context as well.
    TBitmap onScreen(16, 16, TPixelFormat::pf32bit);
    HWND w = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40, nullptr, nullptr,
                             nullptr, nullptr);
    ASSERT_TRUE(w);
    Pump(20);
    HDC dc = GetDC(w);
    HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
    RECT all{0, 0, 40, 40};
    FillRect(dc, &all, green);
    DeleteObject(green);
    TCanvas c;
    c.SetHandle(dc);
    list.Draw(c, 4, 4, 0);
    COLORREF half = GetPixel(dc, 4 + 8, 10);   // alpha 136
    c.SetHandle(nullptr);
    ReleaseDC(w, dc);
    DestroyWindow(w);
    EXPECT_NEAR(GetRValue(half), 136, 2);
    EXPECT_NEAR(GetGValue(half), 119, 2);
    EXPECT_EQ(GetBValue(half), 0);
}

TEST(AlphaImageList, LargerPngIsResampledAndCachedOnlyAtTheListSize)
{
    TsAlphaImageList list(nullptr);
    TsImgListItem* item =
        AddItem(list, TsImageFormat::ifPNG, Png(32, 32, [](int x, int) { return x < 16 ? 0xFFFF0000u : 0xFF0000FFu; }));
    list.RebuildSystemList();
    EXPECT_EQ(item->ImgWidth, 32);
    EXPECT_EQ(item->ImgHeight, 32);
    EXPECT_EQ(item->CachedBitmap, nullptr);
    TBitmap b(16, 16);
    ASSERT_TRUE(list.GetBitmap32(0, &b));
    EXPECT_EQ(b.Width(), 16);
    EXPECT_EQ(Px(b, 1, 8), 0xFFFF0000u);   // left half red, right half blue
    EXPECT_EQ(Px(b, 14, 8), 0xFF0000FFu);
    ASSERT_NE(item->CachedBitmap, nullptr);
    EXPECT_EQ(item->CachedBitmap->Width(), 16);
    // Another size is made from the bytes and not cached; the cache of the other size goes.
    std::unique_ptr<TBitmap> big(list.CreateBitmap32(0, 32, 32));
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(big->Width(), 32);
    EXPECT_EQ(Px(*big, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(Px(*big, 31, 31), 0xFF0000FFu);
    EXPECT_EQ(item->CachedBitmap, nullptr);
    // The list size again: cached again, and the cache serves the next call.
    std::unique_ptr<TBitmap> small(list.CreateBitmap32(0, 16, 16));
    ASSERT_NE(item->CachedBitmap, nullptr);
    Fill(*item->CachedBitmap, 0xFF00FF00u);   // mark the cache
    std::unique_ptr<TBitmap> again(list.CreateBitmap32(0, 16, 16));
    EXPECT_EQ(Px(*again, 3, 3), 0xFF00FF00u);
    // Freeing what CreateBitmap32 gave does not free the cache.
    again.reset();
    EXPECT_NE(item->CachedBitmap, nullptr);

    // Writing UseCache, even with the same value, frees every cache.
    list.SetUseCache(true);
    EXPECT_EQ(item->CachedBitmap, nullptr);
    list.GetBitmap32(0, &b);
    EXPECT_NE(item->CachedBitmap, nullptr);
    list.SetUseCache(false);
    EXPECT_EQ(item->CachedBitmap, nullptr);
    list.GetBitmap32(0, &b);
    EXPECT_EQ(item->CachedBitmap, nullptr);   // no cache while UseCache is off
}

TEST(AlphaImageList, ImagesAddedThroughThePlatformListGetAlphaFromTheKeyColour)
{
    TsAlphaImageList list(nullptr);
    AddItem(list, TsImageFormat::ifPNG, Png(16, 16, [](int, int) { return 0x80FFFFFFu; }));
    list.RebuildSystemList();
    int changes = 0;
    TChangeLink link;
    link.OnChange = [&](TObject*) { ++changes; };
    list.RegisterChanges(&link);
    // 24-bit picture: the key colour in the left half, grey in the right.
    TBitmap plain(16, 16, TPixelFormat::pf24bit);
    plain.Canvas().Brush().SetColor(clFuchsia);
    plain.Canvas().FillRect(RECT{0, 0, 8, 16});
    plain.Canvas().Brush().SetColor(TColor(0x808080));
    plain.Canvas().FillRect(RECT{8, 0, 16, 16});
    EXPECT_EQ(list.Add(&plain, nullptr), 1);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Items().Count(), 1);   // no item for it: it lives in the platform list only
    TBitmap b(16, 16);
    ASSERT_TRUE(list.GetBitmap32(1, &b));
    EXPECT_EQ(Px(b, 2, 2) >> 24, 0u);           // key colour: transparent
    EXPECT_EQ(Px(b, 12, 2), 0xFF808080u);       // the rest opaque
    // Drawn over green: the key pixels let the green through.
    TBitmap target(16, 16, TPixelFormat::pf32bit);
    Fill(target, 0xFF00FF00u);
    list.Draw(target.Canvas(), 0, 0, 1);
    GdiFlush();
    EXPECT_EQ(Px(target, 2, 2) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(Px(target, 12, 2) & 0xFFFFFF, 0x808080u);

    // More items than images: the platform list is rebuilt.
    AddItem(list, TsImageFormat::ifPNG, Png(16, 16, [](int, int) { return 0xFF000000u; }));
    AddItem(list, TsImageFormat::ifPNG, Png(16, 16, [](int, int) { return 0xFF000000u; }));
    list.Change();
    EXPECT_EQ(list.Count(), 3);
    list.UnRegisterChanges(&link);
    int before = changes;
    list.Change();
    EXPECT_EQ(changes, before);
}

// Whether the colour bitmap of the platform list's image has any alpha byte.
bool PlatformImageHasAlpha(HIMAGELIST h, int index)
{
    HICON icon = ImageList_GetIcon(h, index, ILD_NORMAL);
    ICONINFO ii{};
    bool alpha = false;
    if (icon && GetIconInfo(icon, &ii)) {
        BITMAP bm{};
        GetObjectW(ii.hbmColor, sizeof bm, &bm);
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bi.bmiHeader.biWidth = bm.bmWidth;
        bi.bmiHeader.biHeight = -bm.bmHeight;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        std::vector<uint32_t> px(size_t(bm.bmWidth) * bm.bmHeight);
        HDC dc = GetDC(nullptr);
        GetDIBits(dc, ii.hbmColor, 0, UINT(bm.bmHeight), px.data(), &bi, DIB_RGB_COLORS);
        ReleaseDC(nullptr, dc);
        for (uint32_t p : px) alpha |= p > 0xFFFFFFu;
        DeleteObject(ii.hbmColor);
        DeleteObject(ii.hbmMask);
    }
    if (icon) DestroyIcon(icon);
    return alpha;
}

TEST(AlphaImageList, ListsWithoutItemsOrSharedListsAreNotRewritten)
{
    TBitmap plain(16, 16, TPixelFormat::pf24bit);
    plain.Canvas().Brush().SetColor(TColor(0x808080));
    plain.Canvas().FillRect(RECT{0, 0, 16, 16});
    // No items: nothing was generated; the image stays as added, listeners still hear of it.
    TsAlphaImageList empty(nullptr);
    int changes = 0;
    TChangeLink link;
    link.OnChange = [&](TObject*) { ++changes; };
    empty.RegisterChanges(&link);
    EXPECT_FALSE(empty.Generated());
    ASSERT_EQ(empty.Add(&plain, nullptr), 0);
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(PlatformImageHasAlpha(empty.Handle(), 0));
    // A shared platform list is not changed either.
    TsAlphaImageList shared(nullptr);
    AddItem(shared, TsImageFormat::ifPNG, Png(16, 16, [](int, int) { return 0xFF000000u; }));
    shared.RebuildSystemList();
    shared.SetShareImages(true);
    ASSERT_EQ(shared.Add(&plain, nullptr), 1);
    EXPECT_FALSE(PlatformImageHasAlpha(shared.Handle(), 1));
    // The same with a list of its own gets the alpha.
    shared.SetShareImages(false);
    shared.Change();
    EXPECT_TRUE(PlatformImageHasAlpha(shared.Handle(), 1));
}

TEST(AlphaImageList, UnreadableItemsKeepTheirPlaceAsBlankImages)
{
    TsAlphaImageList list(nullptr);
    AddItem(list, TsImageFormat::ifPNG, "not a picture at all");
    AddItem(list, TsImageFormat::ifICO, std::string("\0\0\1\0\1\0", 6) + std::string(16, '\xFF'));   // entry outside
    AddItem(list, TsImageFormat::ifBMP32, "BM");
    std::string cut = Png(16, 16, [](int, int) { return 0xFF00FF00u; });
    AddItem(list, TsImageFormat::ifPNG, cut.substr(0, cut.size() / 2));
    AddItem(list, TsImageFormat::ifPNG, Png(16, 16, [](int, int) { return 0xFF123456u; }));
    ASSERT_NO_THROW(list.RebuildSystemList());
    EXPECT_EQ(list.Count(), 5);
    TBitmap b(16, 16);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(list.GetBitmap32(i, &b));
        EXPECT_EQ(Px(b, 8, 8) >> 24, 0u);   // blank
    }
    ASSERT_TRUE(list.GetBitmap32(4, &b));
    EXPECT_EQ(Px(b, 8, 8), 0xFF123456u);   // the good one is still at its index
    TBitmap target(16, 16, TPixelFormat::pf32bit);
    Fill(target, 0xFF0000FFu);
    for (int i = 0; i < 4; ++i) list.Draw(target.Canvas(), 0, 0, i);
    GdiFlush();
    EXPECT_EQ(Px(target, 8, 8) & 0xFFFFFF, 0x0000FFu);
}

TEST(AlphaImageList, ItemsRoundTripThroughComponentStreaming)
{
    TsAlphaImageList list(nullptr);
    std::string png = Png(16, 16, [](int x, int y) { return 0xFF000000u | uint32_t(x * 16 + y); });
    std::string bmp = Bmp32(16, 16, [](int x, int) { return x < 8 ? 0xFFFF0000u : 0x00000000u; });
    std::string ico = IconFileBytes(16, 16, [](int, int) { return 0xC0203040u; });
    AddItem(list, TsImageFormat::ifPNG, png);
    AddItem(list, TsImageFormat::ifBMP32, bmp)->PixelFormat = TPixelFormat::pf24bit;
    AddItem(list, TsImageFormat::ifICO, ico);
    AddItem(list, TsImageFormat::ifPNG, "");   // an empty item stays empty
    list.RebuildSystemList();
    TMemoryStream stream;
    list.SaveToStream(stream);
    stream.SetPosition(0);
    TsAlphaImageList back(nullptr);
    back.LoadFromStream(stream);
    ASSERT_EQ(back.Items().Count(), 4);
    EXPECT_EQ(back.Items().Items(0)->ImgData.Data(), png);
    EXPECT_EQ(back.Items().Items(1)->ImgData.Data(), bmp);
    EXPECT_EQ(back.Items().Items(2)->ImgData.Data(), ico);
    EXPECT_EQ(back.Items().Items(3)->ImgData.Size(), 0);
    EXPECT_EQ(back.Items().Items(1)->ImageFormat, TsImageFormat::ifBMP32);
    EXPECT_EQ(back.Items().Items(1)->PixelFormat, TPixelFormat::pf24bit);
    EXPECT_EQ(back.Items().Items(2)->ImageFormat, TsImageFormat::ifICO);
    EXPECT_TRUE(back.Generated());
    EXPECT_EQ(back.Count(), 4);
    TBitmap a(16, 16), b(16, 16);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(list.GetBitmap32(i, &a));
        ASSERT_TRUE(back.GetBitmap32(i, &b));
        EXPECT_EQ(Px(a, 3, 5), Px(b, 3, 5));
        EXPECT_EQ(Px(a, 12, 9), Px(b, 12, 9));
    }
    EXPECT_EQ(Px(b, 3, 5), 0xC0203040u);

    // Only the items are written: the bytes of the stream are the items' records.
    EXPECT_EQ(stream.Data().substr(0, 4), "TCO1");
    EXPECT_NE(stream.Data().find("ImgData"), std::string::npos);

    // Assign copies the items and makes a platform list of its own.
    TsAlphaImageList copy(nullptr);
    copy.SetBkColor(clRed);
    copy.Assign(&back);
    EXPECT_EQ(copy.Items().Count(), 4);
    EXPECT_EQ(copy.Count(), 4);
    EXPECT_NE(copy.Handle(), back.Handle());
    EXPECT_EQ(copy.Items().Items(0)->ImgData.Data(), png);
    EXPECT_EQ(back.BkColor(), clNone);   // the source's platform background is left at CLR_NONE
    copy.Assign(nullptr);
    EXPECT_FALSE(copy.HandleAllocated());
    EXPECT_FALSE(copy.GetBitmap32(0, &a));   // no platform list: nothing
}

TEST(AlphaImageList, DamagedStreamsRaiseAndLeaveTheListAsItWas)
{
    TsAlphaImageList list(nullptr);
    AddItem(list, TsImageFormat::ifPNG, Png(16, 16, [](int, int) { return 0xFFABCDEFu; }));
    AddItem(list, TsImageFormat::ifPNG, Png(16, 16, [](int, int) { return 0xFF010203u; }));
    list.RebuildSystemList();
    TMemoryStream stream;
    list.SaveToStream(stream);
    const std::string good = stream.Data();

    TsAlphaImageList target(nullptr);
    AddItem(target, TsImageFormat::ifPNG, Png(16, 16, [](int, int) { return 0xFF777777u; }));
    target.RebuildSystemList();
    auto unchanged = [&] {
        ASSERT_EQ(target.Items().Count(), 1);
        EXPECT_EQ(target.Count(), 1);
        TBitmap b(16, 16);
        ASSERT_TRUE(target.GetBitmap32(0, &b));
        EXPECT_EQ(Px(b, 1, 1), 0xFF777777u);
    };
    // Cut at every length: a read error, never a crash or a half-loaded list.
    for (size_t n = 0; n < good.size(); n += 7) {
        SCOPED_TRACE(n);
        TMemoryStream cut(good.substr(0, n));
        EXPECT_THROW(target.LoadFromStream(cut), EReadError);
        unchanged();
    }
    // An image format outside the three kinds.
    std::string bad = good;
    size_t at = bad.find("ImageFormat");
    ASSERT_NE(at, std::string::npos);
    bad[at + 11 + 1] = 7;   // after the name comes the value type, then the value
    TMemoryStream badFormat(bad);
    EXPECT_THROW(target.LoadFromStream(badFormat), EReadError);
    unchanged();
    // A byte count larger than what follows.
    bad = good;
    at = bad.find("ImgData");
    ASSERT_NE(at, std::string::npos);
    bad[at + 7 + 1 + 3] = char(0x7F);
    TMemoryStream longCount(bad);
    EXPECT_THROW(target.LoadFromStream(longCount), EReadError);
    unchanged();
    // Not a stream of items at all.
    TMemoryStream junk(std::string(100, 'x'));
    EXPECT_THROW(target.LoadFromStream(junk), EReadError);
    unchanged();
    // The good stream still loads.
    TMemoryStream ok(good);
    target.LoadFromStream(ok);
    EXPECT_EQ(target.Count(), 2);
}

TEST(AlphaImageList, DrawGlyphCutsFramesAcrossTheImage)
{
    TsAlphaImageList list(nullptr);
    list.SetSize(48, 16);
    const uint32_t frames[3] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu};
    AddItem(list, TsImageFormat::ifPNG, Png(48, 16, [&](int x, int) { return frames[x / 16]; }));
    list.RebuildSystemList();
    TBitmap target(40, 40, TPixelFormat::pf32bit);
    for (int frame = 0; frame < 5; ++frame) {
        SCOPED_TRACE(frame);
        Fill(target, 0xFFFFFFFFu);
        SIZE size{};
        DrawGlyph(&list, 0, &target, 4, 6, size, 0, false, 3, frame, NoColorValue);
        EXPECT_EQ(size.cx, 16);
        EXPECT_EQ(size.cy, 16);
        EXPECT_EQ(Px(target, 4, 6), frames[std::min(frame, 2)]);
        EXPECT_EQ(Px(target, 19, 21), frames[std::min(frame, 2)]);
        EXPECT_EQ(Px(target, 20, 6), 0xFFFFFFFFu);   // one frame wide only
    }
    // No frame count: the whole image is one frame.
    Fill(target, 0xFFFFFFFFu);
    SIZE size{};
    DrawGlyph(&list, 0, &target, 0, 0, size, 0, false, 0, 0, NoColorValue);
    EXPECT_EQ(size.cx, 48);
    EXPECT_EQ(Px(target, 39, 3), frames[2]);
    // Half transparent.
    Fill(target, 0xFFFFFFFFu);
    DrawGlyph(&list, 0, &target, 0, 0, size, 50, false, 3, 0, NoColorValue);
    EXPECT_NEAR(Channel(Px(target, 5, 5), 8), 128, 2);
    // Out of range: nothing drawn, size 0.
    Fill(target, 0xFFFFFFFFu);
    DrawGlyph(&list, 1, &target, 0, 0, size, 0, false, 3, 0, NoColorValue);
    EXPECT_EQ(size.cx, 0);
    EXPECT_EQ(Px(target, 5, 5), 0xFFFFFFFFu);

    // A plain image list draws through its own drawing.
    TImageList plain(nullptr);
    plain.SetSize(32, 16);
    TBitmap two(32, 16, TPixelFormat::pf24bit);
    two.Canvas().Brush().SetColor(clRed);
    two.Canvas().FillRect(RECT{0, 0, 16, 16});
    two.Canvas().Brush().SetColor(clBlue);
    two.Canvas().FillRect(RECT{16, 0, 32, 16});
    ASSERT_EQ(plain.Add(&two, nullptr), 0);
    Fill(target, 0xFFFFFFFFu);
    DrawGlyph(&plain, 0, &target, 2, 2, size, 0, false, 2, 1, NoColorValue);
    EXPECT_EQ(size.cx, 16);
    EXPECT_EQ(Px(target, 5, 5) & 0xFFFFFF, 0x0000FFu);   // the second frame: blue
    EXPECT_EQ(Px(target, 18, 5) & 0xFFFFFF, 0xFFFFFFu);
}

TEST(ToolButtonImage, ListAndStateSelection)
{
    TImageList normal(nullptr), hot(nullptr), disabled(nullptr);
    TBitmap b(16, 16, TPixelFormat::pf24bit);
    for (TImageList* l : {&normal, &hot, &disabled})
        for (int i = 0; i < 3; ++i) l->Add(&b, nullptr);
    hot.Delete(2);   // two hot images only
    TsToolButtonImage t;
    t.Images = &normal;
    t.HotImages = &hot;
    t.DisabledImages = &disabled;
    t.ImageIndex = 1;
    EXPECT_EQ(ToolButtonImageList(t), &normal);
    t.Hot = true;
    EXPECT_EQ(ToolButtonImageList(t), &hot);
    EXPECT_EQ(ToolButtonImageState(t), 1);
    t.ImageIndex = 2;   // not among the hot images
    EXPECT_EQ(ToolButtonImageList(t), &normal);
    t.Hot = false;
    t.Pressed = true;
    t.ImageIndex = 0;
    EXPECT_EQ(ToolButtonImageList(t), &hot);
    t.Pressed = false;
    t.Enabled = false;
    EXPECT_EQ(ToolButtonImageList(t), &disabled);
    t.DisabledImages = nullptr;
    EXPECT_EQ(ToolButtonImageList(t), &normal);
    t.Checked = true;
    EXPECT_EQ(ToolButtonImageState(t), 2);
    t.Hot = true;
    EXPECT_EQ(ToolButtonImageState(t), 1);   // hot wins
    EXPECT_EQ(ImageCount(nullptr), 0);
    EXPECT_EQ(ImageCount(&hot), 2);
}

TEST(ToolButtonImage, Rectangles)
{
    struct Case {
        bool list, captions, dropDown, checked;
        RECT expect;
    } cases[] = {
        // Button at (100, 10), 40 x 30; image 16 x 16; text height 13.
        {false, false, false, false, {100 + 13, 10 + 7, 100 + 29, 10 + 23}},
        {false, true, false, false, {113, 10 - 1, 129, 10 + 15}},      // (30 - 16 - 16) div 2 = -1
        {false, false, true, false, {105, 17, 121, 33}},               // 8 to the left for the arrow
        {true, true, true, false, {105, 17, 121, 33}},                 // list style: left 5
        {false, false, false, true, {114, 18, 130, 34}},               // checked: one down and right
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.list << c.captions << c.dropDown << c.checked);
        TsToolButtonImage t;
        t.ButtonRect = RECT{100, 10, 140, 40};
        t.ListStyle = c.list;
        t.ShowCaptions = c.captions;
        t.DropDown = c.dropDown;
        t.Checked = c.checked;
        t.TextHeight = 13;
        RECT r = ToolButtonImageRect(t, 16, 16);
        EXPECT_EQ(r.left, c.expect.left);
        EXPECT_EQ(r.top, c.expect.top);
        EXPECT_EQ(r.right, c.expect.right);
        EXPECT_EQ(r.bottom, c.expect.bottom);
    }
}

TEST(ToolButtonImage, DrawsFromAlphaAndPlainLists)
{
    TBitmap target(40, 30, TPixelFormat::pf32bit);
    TsToolButtonImage t;
    t.ButtonRect = RECT{0, 0, 40, 30};
    t.ImageIndex = 0;
    // Alpha list: blended.
    TsAlphaImageList alpha(nullptr);
    AddItem(alpha, TsImageFormat::ifPNG, Png(16, 16, [](int x, int) { return x < 8 ? 0xFFFF0000u : 0x00000000u; }));
    alpha.RebuildSystemList();
    t.Images = &alpha;
    Fill(target, 0xFFFFFFFFu);
    DrawToolButtonImage(&target, t);
    RECT r = ToolButtonImageRect(t, 16, 16);
    EXPECT_EQ(Px(target, r.left + 2, r.top + 2) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(Px(target, r.left + 12, r.top + 2) & 0xFFFFFF, 0xFFFFFFu);   // transparent half
    // Plain list without background colour: the key colour is left out.
    TImageList plain(nullptr);
    plain.SetMasked(false);
    TBitmap img(16, 16, TPixelFormat::pf24bit);
    img.Canvas().Brush().SetColor(clFuchsia);
    img.Canvas().FillRect(RECT{0, 0, 16, 16});
    img.Canvas().Brush().SetColor(clLime);
    img.Canvas().FillRect(RECT{0, 0, 8, 16});
    ASSERT_EQ(plain.Add(&img, nullptr), 0);
    t.Images = &plain;
    Fill(target, 0xFF000080u);
    DrawToolButtonImage(&target, t);
    EXPECT_EQ(Px(target, r.left + 2, r.top + 2) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(Px(target, r.left + 12, r.top + 2) & 0xFFFFFF, 0x000080u);
    // An index past the list draws nothing.
    Fill(target, 0xFF000080u);
    t.ImageIndex = 1;
    DrawToolButtonImage(&target, t);
    EXPECT_EQ(Px(target, r.left + 2, r.top + 2) & 0xFFFFFF, 0x000080u);
}

TEST(SharedImageList, MadeFromTheFiveResourcesAtStartUpAndFreedAtShutDown)
{
    ASSERT_NE(SharedAlphaImages, nullptr);
    EXPECT_EQ(SharedAlphaImages->Width(), 48);
    EXPECT_EQ(SharedAlphaImages->Height(), 16);
    ASSERT_EQ(SharedAlphaImages->Items().Count(), 5);
    EXPECT_EQ(SharedAlphaImages->Count(), 5);
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        TsImgListItem* item = SharedAlphaImages->Items().Items(i);
        EXPECT_EQ(item->ImageFormat, TsImageFormat::ifPNG);
        EXPECT_EQ(item->PixelFormat, TPixelFormat::pf32bit);
        EXPECT_EQ(item->ImgData.Data().substr(1, 3), "PNG");
        EXPECT_EQ(item->ImgWidth, 48);
        EXPECT_EQ(item->ImgHeight, 16);
        TBitmap b(48, 16);
        ASSERT_TRUE(SharedAlphaImages->GetBitmap32(i, &b));
        int clear = 0, partial = 0, solid = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 48; ++x) {
                uint32_t a = Px(b, x, y) >> 24;
                (a == 0 ? clear : a == 255 ? solid : partial)++;
            }
        EXPECT_GT(clear, 100);     // a glyph on a clear ground
        EXPECT_GT(solid, 20);
        EXPECT_GT(partial, 4);     // with soft edges
    }
    EXPECT_TRUE(IsUnskinnedClass(L"TApplication"));
    EXPECT_TRUE(IsUnskinnedClass(L"TfcPopup"));
    EXPECT_FALSE(IsUnskinnedClass(L"tapplication"));
    ASSERT_NE(UnskinnedClasses(), nullptr);
    EXPECT_EQ(UnskinnedClasses()->Get(0), L"TApplication");
    DoneSkinLibrary();
    EXPECT_EQ(SharedAlphaImages, nullptr);
    EXPECT_EQ(UnskinnedClasses(), nullptr);
    EXPECT_FALSE(IsUnskinnedClass(L"TApplication"));
    InitSkinLibrary();
    ASSERT_NE(SharedAlphaImages, nullptr);
    EXPECT_EQ(SharedAlphaImages->Count(), 5);
}

}  // namespace
