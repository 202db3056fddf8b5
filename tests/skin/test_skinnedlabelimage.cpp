// The skinned label and image with a skin manager and an active skin: section
// backgrounds, skin font colours, the disabled colour, greyed and reflected
// images over the background the parent answers, and a screenshot of both
// with the sample skin.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "skin/controls/AlphaImageList.h"
#include "skin/controls/Image.h"
#include "skin/controls/Label.h"
#include "skin/core/CommonData.h"
#include "skin/graphics/PNG.h"
#include "SkinRuntimeFixture.h"

namespace {

using namespace skintest;

std::string Dec(uint32_t v) { return std::to_string(v); }

// Section LABELBG comes first: green background, red font. Global font: purple.
std::string LabelSkinOptions()
{
    return "[LABELBG]\r\nCOLOR=" + Dec(0x00A000) + "\r\nFONTCOLOR=" + Dec(0x0000C0) + "\r\nSTATES=1\r\n" +
           "[GLOBALINFO]\r\nVERSION=8.50\r\nMASTERBITMAP=MASTER.BMP\r\nCOLOR=" + Dec(0xC0C0C0) + "\r\nFONTCOLOR=" +
           Dec(0x800080) + "\r\n" + "[BLACKTEXT]\r\nCOLOR=" + Dec(0xFFFFFF) + "\r\nFONTCOLOR=0\r\nSTATES=1\r\n" +
           "[PANEL]\r\nCOLOR=" + Dec(0x603020) + "\r\nSTATES=1\r\n" + "[SYSTEXT]\r\nCOLOR=" + Dec(0x000080) +
           "\r\nFONTCOLOR=$FF00000E\r\nSTATES=1\r\n";
}

// Counts pixels of exactly colour c (0x00BBGGRR) in a rect of the window's client area.
int CountColor(HWND w, const RECT& r, COLORREF c)
{
    int cw = r.right - r.left, ch = r.bottom - r.top;
    TBitmap shot(cw, ch, TPixelFormat::pf32bit);
    HDC dc = GetDC(w);
    BitBlt(shot.Canvas().Handle(), 0, 0, cw, ch, dc, r.left, r.top, SRCCOPY);
    ReleaseDC(w, dc);
    GdiFlush();
    int n = 0;
    PixelView v = shot.View();
    uint32_t want = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    for (int y = 0; y < ch; ++y)
        for (int x = 0; x < cw; ++x)
            if ((v.At(x, y) & 0xFFFFFF) == want) ++n;
    return n;
}

class SkinnedLabelImage : public SkinRuntime {
protected:
    TsSkinManager* LabelManager()
    {
        dir.WriteFile(L"Labels\\Options.dat", LabelSkinOptions());
        dir.WriteFile(L"Labels\\MASTER.BMP", Master(32, 16, 0x3060C0));
        auto* m = new TsSkinManager(nullptr);
        managers.push_back(m);
        m->SetSkinDirectory(dir.Path());
        m->SetSkinName(L"Labels");
        return m;
    }
    TsLabel* NewLabel(TWinControl* parent, int x, int y, const String& caption)
    {
        auto* l = new TsLabel(parent);
        l->SetParent(parent);
        l->SetAutoSize(false);
        l->SetBounds(x, y, 200, 40);
        l->Font().Set(L"Tahoma", -24, fsBold, clBlack);
        l->SetCaption(caption);
        return l;
    }
    void Repaint(TCustomForm* f)
    {
        f->Show();
        InvalidateRect(f->Handle(), nullptr, TRUE);
        Pump(60);
    }
    // A w x h picture of a red disc on a clear ground.
    static TPNGGraphic* Disc(int w, int h)
    {
        auto* png = new TPNGGraphic();
        TMemoryStream s(Png(w, h, [w, h](int x, int y) {
            int dx = x - w / 2, dy = y - h / 2, r = std::min(w, h) * 2 / 5;
            return dx * dx + dy * dy < r * r ? 0xFFFF0000u : 0x00000000u;
        }));
        png->LoadFromStream(s);
        return png;
    }
    template <class Image>
    Image* NewImage(TWinControl* parent, const RECT& r, TGraphic* picture)
    {
        auto* img = new Image(parent);
        img->SetParent(parent);
        img->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
        img->Picture().TakeGraphic(std::unique_ptr<TGraphic>(picture));
        return img;
    }
};

// The pixels of a w x h area of a window's client area, 0x00RRGGBB.
std::vector<uint32_t> Block(HWND wnd, int x, int y, int w, int h)
{
    UpdateWindow(wnd);
    TBitmap shot(w, h, TPixelFormat::pf32bit);
    HDC dc = GetDC(wnd);
    BitBlt(shot.Canvas().Handle(), 0, 0, w, h, dc, x, y, SRCCOPY);
    ReleaseDC(wnd, dc);
    GdiFlush();
    std::vector<uint32_t> px;
    for (int row = 0; row < h; ++row)
        for (int col = 0; col < w; ++col)
            px.push_back(shot.View().At(col, row) & 0xFFFFFF);
    return px;
}

TEST_F(SkinnedLabelImage, LabelTakesTheFirstSectionsBackgroundAndFontColour)
{
    TsSkinManager* m = LabelManager();
    ASSERT_TRUE(m->Active());
    ASSERT_EQ(m->FindSectionIndex(L"LABELBG"), 0);
    TSkinTestForm* f = NewForm(420, 200);
    f->SetColor(clWhite);
    TsLabel* l = NewLabel(f, 10, 10, L"ЖЖЖЖ");
    l->SetSkinSection(L"LABELBG");
    EXPECT_EQ(l->SkinSection(), L"LABELBG");
    Repaint(f);
    HWND h = f->Handle();
    EXPECT_EQ(l->Font().Color(), TColor(0x0000C0));   // the section's font colour was taken
    EXPECT_EQ(l->SectionIndex(), -1);                  // outside painting
    RECT area{10, 10, 210, 50};
    int green = CountColor(h, area, RGB(0, 0xA0, 0)), red = CountColor(h, area, RGB(0xC0, 0, 0));
    EXPECT_GT(green, 4000);   // the section's background fills the label
    EXPECT_GT(red, 50);       // the text in the section's font colour
    EXPECT_EQ(WindowPixel(h, 300, 100), RGB(255, 255, 255));   // outside: the form

    // A font colour given as a system colour is that system colour.
    l->SetSkinSection(L"SYSTEXT");
    Repaint(f);
    EXPECT_GT(CountColor(h, area, ColorToRGB(clHighlightText)), 50);

    // Names are matched exactly: "labelbg" finds nothing and the global font colour is used.
    l->SetSkinSection(L"labelbg");
    l->Font().SetColor(clBlack);
    Repaint(f);
    EXPECT_EQ(CountColor(h, area, RGB(0, 0xA0, 0)), 0);
    EXPECT_GT(CountColor(h, area, RGB(0x80, 0, 0x80)), 50);   // purple: palette entry 1
    EXPECT_EQ(CountColor(h, area, RGB(0xC0, 0, 0)), 0);

    // Without UseSkinColor the label keeps its own font colour.
    l->SetUseSkinColor(false);
    l->Font().SetColor(clBlue);
    Repaint(f);
    EXPECT_GT(CountColor(h, area, RGB(0, 0, 255)), 50);
    EXPECT_EQ(CountColor(h, area, RGB(0x80, 0, 0x80)), 0);

    // The skin goes: the base label's drawing again (font colour, no background).
    m->SetActive(false);
    l->SetUseSkinColor(true);
    Repaint(f);
    EXPECT_GT(CountColor(h, area, RGB(0, 0, 255)), 50);
    EXPECT_EQ(CountColor(h, area, RGB(0, 0xA0, 0)), 0);
}

TEST_F(SkinnedLabelImage, DisabledLabelMixesTheSkinColourWithTheParentBackground)
{
    LabelManager();
    TSkinTestForm* f = NewForm(420, 200);
    f->SetColor(clWhite);
    TsLabel* l = NewLabel(f, 10, 10, L"ЖЖЖЖЖ");
    l->SetSkinSection(L"BLACKTEXT");
    l->SetEnabled(false);
    l->SetTransparent(true);
    // The background of BLACKTEXT is white like the form, its font black.
    Repaint(f);
    HWND h = f->Handle();
    RECT area{10, 10, 210, 50};
    EXPECT_GT(CountColor(h, area, RGB(0x99, 0x99, 0x99)), 50);   // 0.4 x 0 + 0.6 x 255 = 153
    EXPECT_EQ(CountColor(h, area, RGB(0, 0, 0)), 0);
    // Drawn once: no embossed highlight copy one pixel down and right.
    EXPECT_EQ(CountColor(h, area, ColorToRGB(clBtnHighlight)) - CountColor(h, area, RGB(255, 255, 255)), 0);
}

TEST_F(SkinnedLabelImage, MouseAndFontNotifications)
{
    LabelManager();
    TSkinTestForm* f = NewForm(420, 200);
    TsLabel* l = NewLabel(f, 10, 10, L"Текст");
    std::vector<String> seen;
    l->OnMouseEnter = [&](TObject*) { seen.push_back(L"enter"); };
    l->OnMouseLeave = [&](TObject*) { seen.push_back(L"leave"); };
    l->Perform(CM_MOUSEENTER, 0, 0);
    l->Perform(CM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(seen, (std::vector<String>{L"enter", L"leave"}));
    // A font change of an auto-sized label fits it to the text once.
    l->SetAutoSize(true);
    l->Font().SetHeight(-40);
    int tall = l->Height();
    l->Font().SetHeight(-12);
    EXPECT_LT(l->Height(), tall);
}

TEST_F(SkinnedLabelImage, ImageOverItsSectionGreyedAndReflected)
{
    LabelManager();
    TSkinTestForm* f = NewForm(420, 300);
    f->SetColor(clWhite);
    auto* img = new TsImage(f);
    img->SetParent(f);
    img->SetBounds(20, 20, 100, 150);
    // A red disc on a clear ground, 60 x 60.
    TPNGGraphic* png = new TPNGGraphic();
    TMemoryStream s(Png(60, 60, [](int x, int y) {
        int dx = x - 30, dy = y - 30;
        return dx * dx + dy * dy < 25 * 25 ? 0xFFFF0000u : 0x00000000u;
    }));
    png->LoadFromStream(s);
    img->Picture().TakeGraphic(std::unique_ptr<TGraphic>(png));
    img->SkinData().SetSkinSection(L"PANEL");
    Repaint(f);
    HWND h = f->Handle();
    ASSERT_TRUE(img->SkinActive());
    EXPECT_EQ(WindowPixel(h, 20 + 30, 20 + 30), RGB(255, 0, 0));       // the disc
    EXPECT_EQ(WindowPixel(h, 20 + 2, 20 + 2), RGB(0x20, 0x30, 0x60));  // the section behind its clear ground
    EXPECT_EQ(WindowPixel(h, 20 + 90, 20 + 140), RGB(0x20, 0x30, 0x60));
    EXPECT_EQ(WindowPixel(h, 200, 200), RGB(255, 255, 255));
    EXPECT_EQ(img->CacheBitmap().Width(), 100);

    img->SetGrayed(true);
    Pump(60);
    COLORREF g = WindowPixel(h, 20 + 30, 20 + 30);
    EXPECT_EQ(GetRValue(g), GetGValue(g));
    EXPECT_EQ(GetGValue(g), GetBValue(g));
    EXPECT_EQ(WindowPixel(h, 20 + 2, 20 + 2), RGB(0x20, 0x30, 0x60));   // the background is not greyed

    img->SetGrayed(false);
    img->SetReflected(true);
    Pump(60);
    // The mirror fades in below the disc: reddish near it, background further down.
    COLORREF mirror = WindowPixel(h, 20 + 30, 20 + 68);   // mirrors row 51 of the disc
    EXPECT_GT(GetRValue(mirror), 0x20 + 20);
    EXPECT_EQ(WindowPixel(h, 20 + 30, 20 + 145), RGB(0x20, 0x30, 0x60));

    // Half blended.
    img->SetReflected(false);
    img->SetBlend(50);
    Pump(60);
    COLORREF half = WindowPixel(h, 20 + 30, 20 + 30);
    EXPECT_NEAR(GetRValue(half), (255 + 0x20) / 2, 3);
    EXPECT_NEAR(GetBValue(half), 0x60 / 2, 3);

    // The skin goes away: the image paints over what the form shows again.
    img->SetBlend(0);
    managers.front()->SetActive(false);
    EXPECT_FALSE(img->SkinActive());
    Repaint(f);
    EXPECT_EQ(WindowPixel(h, 20 + 2, 20 + 2), RGB(255, 255, 255));
    EXPECT_EQ(WindowPixel(h, 20 + 30, 20 + 30), RGB(255, 0, 0));
}

TEST_F(SkinnedLabelImage, SeeThroughLabelAndImageShowTheParentAreaUnderThem)
{
    // A panel with a vertical gradient answers with its cache; an image and a
    // label whose section is see-through in its normal state show the panel's
    // pixels of their own place, not those of the panel's top-left corner.
    SampleManager();
    TSkinTestForm* f = NewForm(420, 320);
    f->SetCaption(L"TsLabel над панелью с градиентом");
    auto* panel = Add<TSkinTestPanel>(f, 10, 10, 360, 260);
    panel->SkinData().SetSkinSection(L"BUTTON");
    auto* img = new TsImage(panel);
    img->SetParent(panel);
    img->SetBounds(40, 120, 80, 100);
    img->SkinData().SetSkinSection(L"SPEEDBUTTON");
    TsLabel* label = NewLabel(panel, 200, 120, L"Надпись");
    label->SetBounds(200, 120, 120, 100);
    label->Font().SetHeight(-16);
    label->SetSkinSection(L"SPEEDBUTTON");
    Repaint(f);
    ASSERT_TRUE(img->SkinActive());
    TBitmap* cache = panel->SkinData().CacheBitmap.get();
    ASSERT_NE(cache, nullptr);
    ASSERT_EQ(cache->Width(), 360);
    HWND h = panel->Handle();
    int checked = 0;
    for (TControl* c : {static_cast<TControl*>(img), static_cast<TControl*>(label)})
        for (int y = 30; y < 100; y += 20)   // below the label's text
            for (int x = 10; x < 80; x += 20) {
                uint32_t want = cache->View().At(c->Left() + x, c->Top() + y) & 0xFFFFFF;
                COLORREF got = WindowPixel(h, c->Left() + x, c->Top() + y);
                EXPECT_EQ((uint32_t(GetRValue(got)) << 16) | (GetGValue(got) << 8) | GetBValue(got), want)
                    << c->ClassName() << " " << x << "," << y;
                ++checked;
            }
    EXPECT_EQ(checked, 32);
    // The gradient does change down the panel, so a wrong offset would show.
    EXPECT_NE(cache->View().At(60, 20) & 0xFFFFFF, cache->View().At(60, 200) & 0xFFFFFF);
    EXPECT_TRUE(FileExists(SaveWindowShot(f->Handle(), L"skinned_label_over_gradient_panel")));
}

TEST_F(SkinnedLabelImage, ScreenshotWithTheSampleSkin)
{
    TsSkinManager* m = SampleManager();
    ASSERT_TRUE(m->Active());
    TSkinTestForm* f = NewForm(560, 330);
    f->SetCaption(L"Slate: TsLabel и TsImage");
    TsLabel* title = NewLabel(f, 10, 10, L"Надпись на секции PANEL");
    title->SetBounds(10, 10, 330, 40);
    title->SetSkinSection(L"PANEL");
    title->SetLayout(TTextLayout::tlCenter);
    title->SetAlignment(TAlignment::taCenter);
    TsLabel* plain = NewLabel(f, 10, 60, L"Цвет шрифта скина");
    plain->SetBounds(10, 60, 330, 30);
    plain->Font().Set(L"Tahoma", -16, 0, clRed);
    TsLabel* off = NewLabel(f, 350, 60, L"Недоступна");
    off->SetBounds(350, 60, 200, 30);
    off->Font().Set(L"Tahoma", -16, 0, clRed);
    off->SetEnabled(false);
    auto image = [&](int x, bool grayed, bool reflected) {
        auto* img = new TsImage(f);
        img->SetParent(f);
        img->SetBounds(x, 110, 170, 200);
        img->SetCenter(true);
        img->SetProportional(true);
        img->SetStretch(true);
        img->Picture().LoadFromFile(EnvPath("TALVERA_TESTDATA") + L"..\\..\\resources\\tests_picture.png");
        img->SkinData().SetSkinSection(L"PANEL_LOW");
        img->SetGrayed(grayed);
        img->SetReflected(reflected);
        img->SetUseFullSize(reflected);
        return img;
    };
    TsImage* normal = image(10, false, false);
    TsImage* grayed = image(190, true, false);
    TsImage* reflected = image(370, false, true);
    auto* glyph = new TsImage(f);
    glyph->SetParent(f);
    glyph->SetBounds(350, 10, 192, 40);
    glyph->SetImages(SharedAlphaImages);
    glyph->SetImageIndex(1);
    glyph->SetStretch(true);
    glyph->SetProportional(true);
    glyph->SetCenter(true);
    Repaint(f);
    HWND h = f->Handle();
    int panel = m->FindSectionIndex(L"PANEL");
    ASSERT_GE(panel, 0);
    // The title's corner shows the PANEL section's colour; its text the section's font colour.
    TColor sectionColor = TColor(m->gd()[size_t(panel)].Props[0].Color & 0xFFFFFF);
    EXPECT_EQ(WindowPixel(h, 12, 12), ColorToRGB(sectionColor));
    EXPECT_EQ(title->Font().Color(), TColor(m->gd()[size_t(panel)].IniFontColor & 0xFFFFFF));
    // The plain label is drawn in the skin's font colour, not its own red.
    RECT plainArea{10, 60, 340, 90};
    EXPECT_EQ(CountColor(h, plainArea, RGB(255, 0, 0)), 0);
    // The greyed picture has equal channels where the normal one is coloured.
    // (The picture is 170 x 145 in the 170 x 200 images, from y = 27; its sky is blue.)
    COLORREF c1 = WindowPixel(h, normal->Left() + 40, normal->Top() + 45);
    COLORREF c2 = WindowPixel(h, grayed->Left() + 40, grayed->Top() + 45);
    EXPECT_NE(GetRValue(c1), GetBValue(c1));
    EXPECT_EQ(GetRValue(c2), GetGValue(c2));
    EXPECT_EQ(GetGValue(c2), GetBValue(c2));
    EXPECT_TRUE(reflected->Reflected());
    String shot = SaveWindowShot(h, L"skinned_label_image");
    EXPECT_TRUE(FileExists(shot));
}

TEST_F(SkinnedLabelImage, WithoutALoadedSkinLabelAndImagePaintAsPlainOnes)
{
    // A manager that is on but holds no skin: none named yet, or the load failed.
    dir.WriteFile(L"Broken\\Options.dat", "[GLOBALINFO]\r\nVERSION=8.50\r\nSHADOW1OFFSET=abc\r\n");
    for (const wchar_t* skinName : {L"", L"Broken"}) {
        SCOPED_TRACE(testing::Message() << "skin name \"" << skinName << "\"");
        TsSkinManager* m = SmallManager(false);
        if (*skinName) m->SetSkinName(skinName);
        ASSERT_TRUE(m->Active());
        ASSERT_FALSE(m->SkinData().Active);
        TSkinTestForm* f = NewForm(420, 240);
        f->SetColor(TColor(0xC0E0F0));
        // Each plain control above its skinned twin.
        for (TCustomLabel* l : {static_cast<TCustomLabel*>(new TLabel(f)), static_cast<TCustomLabel*>(new TsLabel(f))}) {
            l->SetParent(f);
            l->SetAutoSize(false);
            l->SetBounds(10, dynamic_cast<TsLabel*>(l) ? 60 : 10, 200, 40);
            l->SetTransparent(true);
            l->Font().Set(L"Tahoma", -24, fsBold, clBlue);
            l->SetCaption(L"ЖЖЖЖ");
        }
        NewImage<TImage>(f, RECT{240, 10, 300, 70}, Disc(60, 60));
        NewImage<TsImage>(f, RECT{240, 100, 300, 160}, Disc(60, 60))->SkinData().SetSkinSection(L"PANEL");
        Repaint(f);
        HWND h = f->Handle();
        auto plainLabel = Block(h, 10, 10, 200, 40);
        EXPECT_EQ(Block(h, 10, 60, 200, 40), plainLabel);
        EXPECT_GT(std::count(plainLabel.begin(), plainLabel.end(), 0x0000FFu), 50);   // blue text was drawn
        auto plainImage = Block(h, 240, 10, 60, 60);
        EXPECT_EQ(Block(h, 240, 100, 60, 60), plainImage);
        EXPECT_EQ(plainImage.front(), 0xF0E0C0u);   // the form through the clear ground
        if (*skinName) {
            ASSERT_FALSE(notices.empty());   // the failed load said so
            EXPECT_TRUE(FileExists(SaveWindowShot(h, L"label_after_failed_skin_load")));
        }
        Free(forms.back());
        forms.pop_back();
        DestroyManager(m);
    }
}

TEST_F(SkinnedLabelImage, StretchedPictureKeepsItsClearGroundWithoutASkin)
{
    ASSERT_EQ(DefaultManager, nullptr);
    TSkinTestForm* f = NewForm(420, 260);
    f->SetCaption(L"TsImage: PNG с прозрачным фоном, растянутая");
    f->SetColor(TColor(0xC08030));
    for (bool stretch : {false, true}) {
        SCOPED_TRACE(stretch);
        auto* img = NewImage<TsImage>(f, RECT{stretch ? 200 : 20, 20, stretch ? 380 : 180, 200}, Disc(40, 40));
        img->SetStretch(stretch);
        Repaint(f);
        HWND h = f->Handle();
        int x = img->Left(), y = img->Top();
        EXPECT_EQ(WindowPixel(h, x + 2, y + 2), RGB(0x30, 0x80, 0xC0));   // the form through the clear ground
        int size = stretch ? 180 : 40;
        EXPECT_EQ(WindowPixel(h, x + size / 2, y + size / 2), RGB(255, 0, 0));   // the disc, stretched or not
        EXPECT_EQ(WindowPixel(h, x + size - 2, y + size / 2), RGB(0x30, 0x80, 0xC0));
        // Across the edge each pixel lies between the two colours (no dark fringe
        // from the clear ground's colour): its red follows from its blue.
        for (int col = size / 2; col < size; ++col) {
            COLORREF c = WindowPixel(h, x + col, y + size / 2);
            double t = 1.0 - GetBValue(c) / double(0xC0);
            EXPECT_NEAR(GetRValue(c), 0x30 + t * (255 - 0x30), 6) << col;
        }
    }
    EXPECT_TRUE(FileExists(SaveWindowShot(f->Handle(), L"stretched_png_on_coloured_form")));
}

TEST_F(SkinnedLabelImage, SkinChangeAndRemovalRepaintLabelAndImageOnAFormWithoutProvider)
{
    TsSkinManager* m = LabelManager();
    std::string second = LabelSkinOptions();
    for (auto [from, to] : {std::pair{Dec(0x00A000), Dec(0xA00000)}, std::pair{Dec(0x603020), Dec(0x206030)}})
        second.replace(second.find("COLOR=" + from), 6 + from.size(), "COLOR=" + to);
    dir.WriteFile(L"Labels2\\Options.dat", second);
    dir.WriteFile(L"Labels2\\MASTER.BMP", Master(32, 16, 0x3060C0));
    TSkinTestForm* f = NewForm(420, 200);
    f->SetColor(clWhite);
    NewLabel(f, 10, 10, L"")->SetSkinSection(L"LABELBG");
    NewImage<TsImage>(f, RECT{240, 10, 320, 90}, Disc(80, 80))->SkinData().SetSkinSection(L"PANEL");
    Repaint(f);
    HWND h = f->Handle();
    ASSERT_FALSE(f->AnswersSkinned);
    // Only the skin changes; nothing else invalidates the form.
    struct Step {
        const char* what;
        std::function<void()> act;
        COLORREF label, image;
    } steps[] = {
        {"loaded", [] {}, RGB(0, 0xA0, 0), RGB(0x20, 0x30, 0x60)},
        {"switched", [&] { m->SetSkinName(L"Labels2"); }, RGB(0, 0, 0xA0), RGB(0x30, 0x60, 0x20)},
        {"removed", [&] { m->SetActive(false); }, RGB(255, 255, 255), RGB(255, 255, 255)},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        s.act();
        Pump(60);
        EXPECT_EQ(WindowPixel(h, 100, 30), s.label);
        EXPECT_EQ(WindowPixel(h, 242, 12), s.image);
    }
}

// Without any skin manager a TsLabel paints exactly like the base label.
TEST(UnskinnedLabel, PaintsLikeThePlainLabel)
{
    ASSERT_EQ(DefaultManager, nullptr);
    TForm* f = new TForm(Application);
    f->SetBounds(10, 10, 400, 200);
    auto paint = [](TGraphicControl* c) {
        TBitmap b(c->Width(), c->Height(), TPixelFormat::pf32bit);
        b.Canvas().Brush().SetColor(clWhite);
        b.Canvas().FillRect(RECT{0, 0, c->Width(), c->Height()});
        c->PaintTo(b.Canvas().Handle());
        GdiFlush();
        std::vector<uint32_t> px;
        for (int y = 0; y < b.Height(); ++y)
            for (int x = 0; x < b.Width(); ++x) px.push_back(b.View().At(x, y) & 0xFFFFFF);
        return px;
    };
    for (bool enabled : {true, false})
        for (TAlignment a : {TAlignment::taLeftJustify, TAlignment::taCenter}) {
            SCOPED_TRACE(testing::Message() << enabled << int(a));
            auto* plain = new TLabel(f);
            auto* skinned = new TsLabel(f);
            for (TCustomLabel* l : {static_cast<TCustomLabel*>(plain), static_cast<TCustomLabel*>(skinned)}) {
                l->SetParent(f);
                l->SetAutoSize(false);
                l->SetBounds(0, 0, 300, 60);
                l->SetWordWrap(true);
                l->SetTransparent(true);
                l->SetAlignment(a);
                l->SetEnabled(enabled);
                l->Font().Set(L"Times New Roman", -19, fsBold, clGreen);
                l->SetCaption(L"Составитель: &Кервалова Н.Д., к.т.н., доцент");
            }
            skinned->SetSkinSection(L"PANEL");   // no manager: the section changes nothing
            auto a1 = paint(plain), a2 = paint(skinned);
            EXPECT_EQ(a1, a2);
            EXPECT_GT(std::count(a1.begin(), a1.end(), 0xFFFFFFu), 1000);   // something was drawn, not everything
            EXPECT_LT(std::count(a1.begin(), a1.end(), 0xFFFFFFu), 300 * 60);
            Free(plain);
            Free(skinned);
        }
    Free(f);
}

}  // namespace
