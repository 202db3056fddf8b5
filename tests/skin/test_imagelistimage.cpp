// The skinned image showing an image of an image list: size, emptiness,
// auto-size, painting with alpha, changes of the list and its removal.
#include <gtest/gtest.h>

#include "skin/controls/AlphaImageList.h"
#include "classlib/TypInfo.h"
#include "skin/controls/Image.h"
#include "skin/controls/Label.h"
#include "skin/core/CommonData.h"
#include "support/GuiTest.h"
#include "SkinFixtures.h"

namespace {

class ListImage : public testing::Test {
protected:
    void SetUp() override
    {
        form = new TForm(Application);
        form->SetBounds(20, 20, 300, 300);
        form->SetColor(clWhite);
        img = new TsImage(form);
        img->SetParent(form);
        img->SetBounds(10, 10, 100, 100);
        list = new TsAlphaImageList(form);
        list->SetSize(32, 16);
        // Left half opaque blue, right half clear.
        Add(skintest::Png(32, 16, [](int x, int) { return x < 16 ? 0xFF0000FFu : 0x00000000u; }));
        Add(skintest::Png(32, 16, [](int, int) { return 0xFF00FF00u; }));
        list->RebuildSystemList();
    }
    void TearDown() override { Free(form); }
    void Add(const std::string& png)
    {
        TsImgListItem* item = list->Items().Add();
        item->ImageFormat = TsImageFormat::ifPNG;
        item->SetData(png);
    }
    void Show()
    {
        form->Show();
        InvalidateRect(form->Handle(), nullptr, TRUE);
        Pump(50);
    }
    COLORREF At(int x, int y) { return WindowPixel(form->Handle(), 10 + x, 10 + y); }
    TForm* form = nullptr;
    TsImage* img = nullptr;
    TsAlphaImageList* list = nullptr;
};

TEST_F(ListImage, SizeAndEmptinessComeFromTheList)
{
    EXPECT_TRUE(img->Empty());
    img->SetImages(list);
    EXPECT_TRUE(img->Empty());   // no index yet
    img->SetImageIndex(1);
    EXPECT_FALSE(img->Empty());
    SIZE s = img->CalcDrawSize(false);
    EXPECT_EQ(s.cx, 32);
    EXPECT_EQ(s.cy, 16);
    img->SetStretch(true);
    img->SetProportional(true);
    s = img->CalcDrawSize(true);
    EXPECT_EQ(s.cx, 100);
    EXPECT_EQ(s.cy, 50);
    // An index equal to the count: painting sees nothing, auto-size still takes the list size.
    img->SetImageIndex(2);
    EXPECT_TRUE(img->Empty());
    int w = 0, h = 0;
    EXPECT_TRUE(img->CanAutoSize(w, h));
    EXPECT_EQ(w, 32);
    EXPECT_EQ(h, 16);
    img->SetImageIndex(3);
    w = h = 0;
    img->CanAutoSize(w, h);   // past the count: the (empty) picture
    EXPECT_EQ(w, 0);
    // Reflected and full size: one and a half times the height.
    img->SetImageIndex(0);
    img->SetReflected(true);
    img->SetUseFullSize(true);
    img->CanAutoSize(w, h);
    EXPECT_EQ(w, 32);
    EXPECT_EQ(h, 24);
    // The alignment decides which sides are proposed.
    img->SetAlign(TAlign::alTop);
    w = h = -1;
    img->CanAutoSize(w, h);
    EXPECT_EQ(w, -1);
    EXPECT_EQ(h, 24);
    img->SetAlign(TAlign::alLeft);
    w = h = -1;
    img->CanAutoSize(w, h);
    EXPECT_EQ(w, 32);
    EXPECT_EQ(h, -1);
    img->SetAlign(TAlign::alClient);
    w = h = -1;
    img->CanAutoSize(w, h);
    EXPECT_EQ(w, -1);
    EXPECT_EQ(h, -1);
}

TEST_F(ListImage, PaintsTheListImageWithItsAlpha)
{
    img->SetImages(list);
    img->SetImageIndex(0);
    Show();
    EXPECT_EQ(At(4, 4), COLORREF(0xFF0000));    // blue half (COLORREF is 0x00BBGGRR)
    EXPECT_EQ(At(24, 4), COLORREF(0xFFFFFF));   // clear half: the form shows
    EXPECT_EQ(At(50, 50), COLORREF(0xFFFFFF));
    // Another index repaints.
    img->SetImageIndex(1);
    Pump(50);
    EXPECT_EQ(At(24, 4), COLORREF(0x00FF00));
    // Stretched over the control.
    img->SetStretch(true);
    Pump(50);
    EXPECT_EQ(At(90, 90), COLORREF(0x00FF00));
    // Greyed: equal channels.
    img->SetGrayed(true);
    Pump(50);
    COLORREF g = At(50, 50);
    EXPECT_EQ(GetRValue(g), GetGValue(g));
    EXPECT_EQ(GetGValue(g), GetBValue(g));
}

TEST_F(ListImage, ListChangesRepaintAndAFreedListIsForgotten)
{
    img->SetImages(list);
    img->SetImageIndex(1);
    Show();
    EXPECT_EQ(At(4, 4), COLORREF(0x00FF00));
    // The list's image changes: the link repaints the image.
    list->Items().Items(1)->SetData(skintest::Png(32, 16, [](int, int) { return 0xFFFF0000u; }));
    list->RebuildSystemList();
    list->Change();
    EXPECT_TRUE(img->BackgroundChanged());
    Pump(50);
    EXPECT_EQ(At(4, 4), COLORREF(0x0000FF));   // red now
    // The list goes first: the image forgets it and paints nothing from it.
    delete list;
    list = nullptr;
    EXPECT_EQ(img->Images(), nullptr);
    EXPECT_TRUE(img->Empty());
    InvalidateRect(form->Handle(), nullptr, TRUE);
    Pump(50);
    EXPECT_EQ(At(4, 4), COLORREF(0xFFFFFF));
}

TEST_F(ListImage, PlainListImagesUseTheKeyColourAsClear)
{
    TImageList* plain = new TImageList(form);
    plain->SetSize(20, 20);
    plain->SetMasked(false);
    TBitmap b(20, 20, TPixelFormat::pf24bit);
    b.Canvas().Brush().SetColor(clFuchsia);
    b.Canvas().FillRect(RECT{0, 0, 20, 20});
    b.Canvas().Brush().SetColor(clRed);
    b.Canvas().FillRect(RECT{0, 0, 10, 20});
    ASSERT_EQ(plain->Add(&b, nullptr), 0);
    img->SetImages(plain);
    img->SetImageIndex(0);
    Show();
    EXPECT_EQ(At(3, 3), COLORREF(0x0000FF));
    EXPECT_EQ(At(15, 3), COLORREF(0xFFFFFF));
    // Auto-size takes the list size.
    img->SetAutoSize(true);
    img->SetImageIndex(0);
    img->SetImages(nullptr);
    img->SetImages(plain);
    EXPECT_EQ(img->Width(), 20);
    EXPECT_EQ(img->Height(), 20);
}

TEST_F(ListImage, PublishedPropertiesByName)
{
    SetOrdProp(img, L"Blend", 30);
    EXPECT_EQ(img->Blend(), 30);
    SetEnumProp(img, L"Grayed", L"True");
    EXPECT_TRUE(img->Grayed());
    SetOrdProp(img, L"Reflected", 1);
    EXPECT_TRUE(img->Reflected());
    EXPECT_EQ(GetOrdProp(img, L"UseFullSize"), 0);
    SetOrdProp(img, L"ImageIndex", 1);
    SetObjectProp(img, L"Images", list);
    EXPECT_EQ(img->Images(), list);
    EXPECT_EQ(GetObjectProp(img, L"Images"), list);
    EXPECT_EQ(GetObjectProp(img, L"SkinData"), static_cast<TObject*>(&img->SkinData()));
    EXPECT_FALSE(img->Empty());

    SetOrdProp(list, L"BkColor", clRed);
    EXPECT_EQ(list->BkColor(), clRed);
    SetEnumProp(list, L"UseCache", L"False");
    EXPECT_FALSE(list->UseCache());
    EXPECT_EQ(GetObjectProp(list, L"Items"), static_cast<TObject*>(&list->Items()));

    auto* l = new TsLabel(form);
    SetStrProp(l, L"SkinSection", L"Panel");
    EXPECT_EQ(l->SkinSection(), L"Panel");   // as given, not upper-cased
    SetEnumProp(l, L"UseSkinColor", L"False");
    EXPECT_FALSE(l->UseSkinColor());
    EXPECT_FALSE(IsPublishedProp(l, L"Blend"));
}

}  // namespace
