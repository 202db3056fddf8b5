// The skin data core: options text, mask geometry, the options readers with
// inheritance, image values, patterns, palette and recolouring, on skins the
// tests build in memory.
#include <gtest/gtest.h>

#include "skin/graphics/SkinError.h"
#include "skin/model/SkinIni.h"
#include "support/GuiTest.h"
#include "tests/skin/SkinFixtures.h"

using namespace skintest;

namespace {

const char* kHead = "[GLOBALINFO]\r\nVERSION=8.5\r\nMASTERBITMAP=MASTER.BMP\r\n";

TsMaskData Mask(int l, int t, int r, int b, int frames, int layout)
{
    TsMaskData m;
    m.SourceRect = px::Rect{l, t, r, b};
    m.FrameCount = int16_t(frames);
    m.StateLayout = int16_t(layout);
    return m;
}

int MaskOf(const TsSkinTables& t, const std::string& section, const std::string& key)
{
    return t.FindMaskIndexDirect(section, key);
}

}  // namespace

TEST(SkinIniText, SectionsKeysNumbersAndCase)
{
    SkinIni ini("; comment\r\n[B]\r\nK2=x\r\nK1= y \r\nK1=second\r\n[a]\r\nN=$FF00000F\r\nM=-12\r\nBAD=12x\r\n"
                "H=$1F\r\n[B]\r\nK3=z\r\n");
    EXPECT_EQ(ini.Sections(), (std::vector<std::string>{"B", "a"}));
    EXPECT_EQ(ini.Keys("B"), (std::vector<std::string>{"K2", "K1", "K3"}));
    EXPECT_EQ(ini.ReadString("B", "K1", "?"), " y");          // the first of two equal keys
    EXPECT_EQ(ini.ReadString("b", "K2", "?"), "?");            // section names are case-sensitive
    EXPECT_EQ(ini.ReadString("B", "k2", "?"), "?");            // and so are keys
    EXPECT_EQ(ini.ReadInteger("a", "N", 0), int(0xFF00000Fu));
    EXPECT_EQ(ini.ReadInteger("a", "M", 0), -12);
    EXPECT_EQ(ini.ReadInteger("a", "H", 0), 31);
    EXPECT_EQ(ini.ReadInteger("a", "BAD", 7), 7);              // not a number: the default
    EXPECT_EQ(ini.ReadInteger("a", "NONE", 5), 5);
    EXPECT_TRUE(ini.SectionExists("a"));
    EXPECT_FALSE(ini.SectionExists("A"));
}

TEST(SkinGeometry, FrameWidthStateHeightAndMargins)
{
    EXPECT_EQ(MaskFrameWidth(Mask(0, 0, 60, 44, 0, 0)), 0);
    EXPECT_EQ(MaskFrameWidth(Mask(10, 0, 70, 44, 1, 0)), 60);
    EXPECT_EQ(MaskFrameWidth(Mask(0, 0, 61, 44, 3, 0)), 20);
    EXPECT_EQ(MaskStateHeight(Mask(0, 0, 10, 7, 1, 1)), 3);   // odd height, layout 1
    EXPECT_EQ(MaskStateHeight(Mask(0, 0, 10, 7, 1, -1)), 0);
    EXPECT_EQ(MaskStateHeight(Mask(0, 0, 10, 7, 1, 0)), 7);
    EXPECT_EQ(MaskStateHeight(Mask(0, 0, 10, 30, 1, 2)), 10);

    TsSkinTables t;
    t.Masks.push_back(Mask(0, 0, 30, 20, 0, 0));               // FrameCount 0: width 0, fallback as 1
    t.Masks.push_back(Mask(0, 0, 30, 20, 3, 1));
    t.Masks[1].BorderWidth = 2;
    t.Masks[1].MarginTop = 5;
    EXPECT_EQ(t.MaskMarginLeft(0), 30);
    EXPECT_EQ(t.Masks[0].FrameCount, 1);
    EXPECT_EQ(t.MaskMarginTop(0), 20);
    EXPECT_EQ(t.MaskMarginTop(1), 5);
    EXPECT_EQ(t.MaskMarginLeft(1), 2);
    EXPECT_EQ(t.MaskMarginLeft(7), 0);                         // invalid index

    TsMaskData m = Mask(-5, 10, 9000, 9000, 1, 0);
    ClipMaskRect(m, 100, 50);
    EXPECT_EQ(m.SourceRect, (px::Rect{0, 10, 100, 50}));
    m = Mask(200, 60, 300, 80, 1, 0);
    ClipMaskRect(m, 100, 50);
    EXPECT_EQ(m.SourceRect.Width(), 0);
    EXPECT_EQ(m.SourceRect.Height(), 0);
}

TEST(SkinGeometry, CornerTransparencyAreasAndKeyAlpha)
{
    PixelBitmap b(40, 20);
    auto fill = [&](uint32_t v) {
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 40; ++x)
                b.Row(y)[x] = v;
    };
    TsMaskData m = Mask(0, 0, 40, 20, 2, 0);   // frame 20 x 20
    m.MarginLeft = m.MarginTop = m.MarginRight = m.MarginBottom = 3;
    fill(0xFF808080u);
    EXPECT_EQ(ComputeCornerTransparency(m, &b), 0);
    // Each corner area of the first frame, found whatever the alpha byte holds.
    for (auto [x, y] : std::vector<std::pair<int, int>>{{1, 1}, {18, 2}, {0, 17}, {19, 18}}) {
        fill(0xFF808080u);
        b.Row(y)[x] = 0xFFFF00FFu;
        EXPECT_EQ(ComputeCornerTransparency(m, &b), 1) << x << "," << y;
    }
    // The second frame's corners are not examined.
    fill(0xFF808080u);
    b.Row(1)[21] = 0x00FF00FF;
    EXPECT_EQ(ComputeCornerTransparency(m, &b), 0);
    // Special case and empty rects.
    m.SectionName = "BUTTON_HUGE";
    m.PropertyName = "BORDERSMASK";
    EXPECT_EQ(ComputeCornerTransparency(m, &b), 2);
    TsMaskData e = Mask(5, 5, 5, 5, 1, 0);
    EXPECT_EQ(ComputeCornerTransparency(e, &b), 0);
    // Margins wider than the bitmap stay inside it (and one pixel short of the edges).
    TsMaskData wide = Mask(0, 0, 40, 20, 1, 0);
    wide.MarginLeft = wide.MarginTop = wide.MarginRight = wide.MarginBottom = 500;
    fill(0xFF808080u);
    b.Row(19)[39] = 0xFF00FF;
    EXPECT_EQ(ComputeCornerTransparency(wide, &b), 0);
    b.Row(18)[38] = 0xFF00FF;
    EXPECT_EQ(ComputeCornerTransparency(wide, &b), 1);
}

TEST(SkinGradient, StopsAndBadFields)
{
    TsGradArrayRef a = ParseGradientData("255;65280;40;0;0;16711680;0;60;1;0");
    ASSERT_EQ(a->size(), 2u);
    EXPECT_EQ((*a)[0].Color1, 255);
    EXPECT_EQ((*a)[0].Color2, 65280);
    EXPECT_EQ((*a)[0].Percent, 40);
    EXPECT_EQ((*a)[1].Mode, 1);
    EXPECT_TRUE(ParseGradientData("12")->empty());
    EXPECT_TRUE(ParseGradientData("1;2;3;4")->empty());
    EXPECT_THROW(ParseGradientData("1;x;3;4;5"), SkinError);
}

TEST(SkinColors, HueSaturationAndMix)
{
    using namespace skincolor;
    EXPECT_EQ(ChangeColorHue(0x123456, 0), 0x123456);
    EXPECT_EQ(ChangeColorHue(0x0000FF, 360), 0x0000FF);                 // red stays red
    EXPECT_EQ(ChangeColorHue(0x0000FF, 120), 0x00FF00);                 // red to green
    EXPECT_EQ(ChangePixelHue(0xFF404040u, 90), 0xFF404040u);            // grey
    EXPECT_EQ(ChangeColorSaturation(0x808080, 50), 0x808080);
    EXPECT_EQ(ChangePixelSaturation(0x80FF0000u, -100), 0x80555555u);   // alpha kept
    EXPECT_EQ(MixColors(0x000000, 0x0000FF, 0.5), 0x000080);
    EXPECT_EQ(skincolor::ColorToRGB(0x123456), 0x123456);
    EXPECT_TRUE(IsSystemColor(kBtnFace));
    EXPECT_FALSE(IsSystemColor(-2));
}

TEST(SkinOptions, InheritanceCyclesAndStates)
{
    TsSkinTables t;
    LoadFromMemory(t,
                   std::string(kHead) +
                       "[BASE]\r\nCOLOR=255\r\nGLOW=4\r\nFONTCOLOR=$8000000F\r\nGRADIENTDATA=1;2;100;0;0\r\n"
                       "GRADIENTPERCENT=50\r\n"
                       "[KID]\r\nPARENTCLASS=BASE\r\nCOLOR=-1\r\nSTATES=1\r\nHOTCOLOR=65280\r\n"
                       "[SELF]\r\nPARENTCLASS=SELF\r\nCOLOR=-1\r\n"
                       "[A]\r\nPARENTCLASS=B\r\n[B]\r\nPARENTCLASS=A\r\n"
                       "[BAD]\r\nGRADIENTDATA=12\r\nGRADIENTPERCENT=50\r\nHOTGRADIENTDATA=1;2;3\r\n"
                       "HOTGRADIENTPERCENT=70\r\n",
                   {{"MASTER.BMP", Master(8, 8, 0x808080)}});
    const TsGeneralData& kid = t.Sections[size_t(t.FindSectionIndex("KID"))];
    EXPECT_EQ(kid.IniColor, 255);                                         // -1 counts as absent
    EXPECT_EQ(kid.Glow, 4);
    EXPECT_EQ(kid.IniFontColor, skincolor::ColorToRGB(skincolor::kBtnFace));   // ancestor value through ColorToRGB
    EXPECT_EQ(kid.Props[1].Color, kid.Props[0].Color);                    // STATES=1: HOTCOLOR ignored
    EXPECT_EQ(kid.Props[1].GradientArray, kid.Props[0].GradientArray);
    EXPECT_EQ(kid.ParentClass, "BASE");
    const TsGeneralData& self = t.Sections[size_t(t.FindSectionIndex("SELF"))];
    EXPECT_EQ(self.IniColor, 0xFFFFFF);                                   // own name: the default
    EXPECT_EQ(t.Sections[size_t(t.FindSectionIndex("A"))].States, 3);    // a cycle ends with the default
    int a = t.FindSectionIndex("A");
    EXPECT_EQ(t.FindMaskIndex(a, "A", "BORDERSMASK"), -1);
    EXPECT_EQ(t.FindTextureIndex(a, "A", "PATTERN"), -1);
    EXPECT_EQ(t.FindPatternIndex(a, "A", "PATTERN"), -1);
    const TsGeneralData& bad = t.Sections[size_t(t.FindSectionIndex("BAD"))];
    EXPECT_EQ(bad.Props[0].GradientPercent, 0);                           // no stop: no gradient share
    EXPECT_EQ(bad.Props[1].GradientPercent, 0);
    EXPECT_TRUE(bad.ShowFocus);                                  // skin sections always show focus
    // Fresh sections have no indexes until the cache is built.
    TsGeneralData fresh;
    EXPECT_EQ(fresh.BorderMaskIndex, -1);
    EXPECT_EQ(fresh.PatternIndex, -1);
    EXPECT_EQ(fresh.Props[0].TextureIndex, -1);
}

TEST(SkinOptions, FixedColumnImageValues)
{
    // Key pixels in the top-left corner of the edit border only.
    std::string master = Master(128, 64, 0x808080, [](int x, int y) { return x < 2 && y < 2; });
    TsSkinTables t;
    LoadFromMemory(t,
                   "[GLOBALINFO]\r\nVERSION=7.3\r\nMASTERBITMAP=MASTER.BMP\r\n"
                   "[EDIT]\r\nBORDERSMASK=^0000,0000,0060,0044,0000,0000,0000,0000,3,1,0,0\r\n"
                   "[MENU]\r\nBORDERSMASK=^0060,0000,0120,0040,0000,0000,0000,0000,2,0,1,3\r\n"
                   "[OLD]\r\nBORDERSMASK=^0000,0000,0006,0006,0001,0001,0001,0001,2,1,0,0\r\n"
                   "[GLYPHS]\r\nGLYPHMASK=@0010,0010,0040,0020,3,1\r\n"
                   "T24=~0000,0000,0016,0016,07,\r\nT25=~0000,0000,0016,0016,07,2\r\n"
                   "[FAR]\r\nBORDERSMASK=^0100,0050,0900,0900,0002,0002,0002,0002,1,0,0,0\r\n",
                   {{"MASTER.BMP", master}});
    const TsMaskData& edit = t.Masks[size_t(MaskOf(t, "EDIT", "BORDERSMASK"))];
    EXPECT_EQ(edit.Kind, 0);
    EXPECT_EQ(edit.MarginLeft, 20 / 3);                  // all 0: a third of frame width
    EXPECT_EQ(edit.MarginTop, 22 / 3);                   // and of state height
    EXPECT_EQ(edit.CornerTransparency, 1);
    EXPECT_EQ(edit.PaintFlags, 0);                       // old skin, no one-pixel centre: bit cleared
    const TsMaskData& menu = t.Masks[size_t(MaskOf(t, "MENU", "BORDERSMASK"))];
    EXPECT_EQ(menu.BorderWidth, 3);
    EXPECT_EQ(menu.MarginRight, 3);                      // all 0: the border width
    EXPECT_EQ(menu.CornerTransparency, 0);
    const TsMaskData& old = t.Masks[size_t(MaskOf(t, "OLD", "BORDERSMASK"))];
    EXPECT_EQ(old.PaintFlags & 1, 1);                    // frame 3 - 1 - 1 = 1 and state 3 - 1 - 1 = 1
    const TsMaskData& glyph = t.Masks[size_t(MaskOf(t, "GLYPHS", "GLYPHMASK"))];
    EXPECT_EQ(glyph.Kind, 2);
    EXPECT_EQ(glyph.FrameCount, 3);
    EXPECT_EQ(glyph.StateLayout, 1);
    EXPECT_EQ(glyph.SourceRect, (px::Rect{10, 10, 40, 20}));
    const TsMaskData& t24 = t.Masks[size_t(MaskOf(t, "GLYPHS", "T24"))];
    EXPECT_EQ(t24.Kind, 1);
    EXPECT_EQ(t24.StateLayout, 0);                       // 24 characters: layout 0
    EXPECT_EQ(t24.PaintFlags, 7);
    EXPECT_EQ(t.Masks[size_t(MaskOf(t, "GLYPHS", "T25"))].StateLayout, 2);
    // A rectangle beyond the bitmap is clipped to it when loaded.
    EXPECT_EQ(t.Masks[size_t(MaskOf(t, "FAR", "BORDERSMASK"))].SourceRect, (px::Rect{100, 50, 128, 64}));

    // A column that is not a number fails the load.
    TsSkinTables bad;
    EXPECT_THROW(LoadFromMemory(bad, std::string(kHead) + "[X]\r\nM=@00x0,0000,0010,0010,1,0\r\n",
                                {{"MASTER.BMP", master}}),
                 SkinError);
    EXPECT_THROW(LoadFromMemory(bad, std::string(kHead) + "[X]\r\nM=^0000,0000,0010,0010\r\n", {{"MASTER.BMP", master}}),
                 SkinError);
}

TEST(SkinOptions, ExternalHashAndOldFormImages)
{
    std::string master = Master(200, 120, 0x808080, [](int x, int y) { return x == 0 && y == 0; });
    // 2 frames of 10 x 8 with a white transparent pixel and a half-transparent one.
    std::string png = Png(20, 8, [](int x, int y) {
        if (x == 0 && y == 0) return 0x00FFFFFFu;
        if (x == 1 && y == 0) return 0x80FF0000u;
        return 0xFF202020u;
    });
    std::string own = Bmp(30, 20, [](int x, int y) { return x == 0 && y == 0 ? 0xFF00FFu : 0x404040u; });
    std::string options = std::string(kHead) +
                          "AUTHOR=@me\r\nDESCRIPTION=^not an image # at all.BMP\r\n"
                          "[B]\r\nBORDERSMASK=!BTN.PNG!2!0!9!1!2!3!4!0\r\nZERO=!BTN.PNG!0!-1\r\n"
                          "LOWER=!btn.png!2!0!0\r\nOWN=!OWN.BMP!3!1!1\r\n"
                          "[H]\r\nBORDERSMASK=#(0,60,90,104)(3,1,0,1)\r\nBW=# ( 0 , 0 , 30 , 20 ) (1,0,2)\r\nONLY=#\r\n"
                          "[G]\r\nBORDERSMASK=own.bmp\r\nMISSING=NOFILE.BMP\r\n";
    TsSkinTables t;
    LoadFromMemory(t, options, {{"MASTER.BMP", master}, {"btn.PNG", png}, {"Own.bmp", own}});
    EXPECT_EQ(t.SkinData.Author, "@me");                 // free text is not an image value
    const TsMaskData& b = t.Masks[size_t(MaskOf(t, "B", "BORDERSMASK"))];
    EXPECT_EQ(b.Kind, 4);                                // limited to 0..4
    EXPECT_EQ(b.MarginLeft, 1);
    EXPECT_EQ(b.MarginBottom, 4);
    EXPECT_EQ(b.PaintFlags, 0);
    EXPECT_EQ(b.Bmp->Pixel(1, 0), 0x80800000u);          // above 7.45: premultiplied
    const TsMaskData& z = t.Masks[size_t(MaskOf(t, "B", "ZERO"))];
    EXPECT_EQ(z.MarginLeft, 20 / 1);                     // 0 frames: the divisor counts as 1
    EXPECT_EQ(z.MarginTop, 8 / 1);                       // layout -1: the divisor counts as 1
    EXPECT_EQ(z.PaintFlags, 1);                          // fewer than 9 fields
    EXPECT_EQ(MaskOf(t, "B", "LOWER"), -1);              // ".png" as written is not a picture name
    const TsMaskData& o = t.Masks[size_t(MaskOf(t, "B", "OWN"))];
    EXPECT_EQ(o.Bmp->Pixel(1, 1), 0xFF404040u);          // own bitmap made opaque
    EXPECT_EQ(o.Bmp->Pixel(0, 0) & 0xFFFFFF, 0xFF00FFu);
    EXPECT_EQ(o.Kind, 1);
    EXPECT_EQ(o.CornerTransparency, 1);                  // a texture too: key pixel in its top-left corner
    const TsMaskData& h = t.Masks[size_t(MaskOf(t, "H", "BORDERSMASK"))];
    EXPECT_EQ(h.SourceRect, (px::Rect{0, 60, 90, 104}));
    EXPECT_EQ(h.FrameCount, 3);
    EXPECT_EQ(h.MarginLeft, 30);                         // whole frame width
    EXPECT_EQ(h.MarginTop, 22);                          // whole state height
    const TsMaskData& bw = t.Masks[size_t(MaskOf(t, "H", "BW"))];
    EXPECT_EQ(bw.MarginRight, 2);
    EXPECT_EQ(bw.PaintFlags, 1);
    EXPECT_EQ(MaskOf(t, "H", "ONLY"), -1);
    const TsMaskData& g = t.Masks[size_t(MaskOf(t, "G", "BORDERSMASK"))];
    EXPECT_EQ(g.FrameCount, 3);
    EXPECT_EQ(g.StateLayout, 1);
    EXPECT_EQ(g.MarginLeft, 10 / 3);
    EXPECT_EQ(g.MarginTop, 10 / 3);
    EXPECT_EQ(g.CornerTransparency, 1);
    EXPECT_EQ(MaskOf(t, "G", "MISSING"), -1);            // missing files are skipped

    // Up to 7.45 a PNG keeps straight alpha and loses its white transparent pixels.
    std::string oldOptions = options;
    oldOptions.replace(oldOptions.find("8.5"), 3, "7.3");
    TsSkinTables o2;
    LoadFromMemory(o2, oldOptions, {{"MASTER.BMP", master}, {"btn.PNG", png}, {"Own.bmp", own}});
    const TsMaskData& b2 = o2.Masks[size_t(MaskOf(o2, "B", "BORDERSMASK"))];
    EXPECT_EQ(b2.Bmp->Pixel(0, 0), 0u);
    EXPECT_EQ(b2.Bmp->Pixel(1, 0), 0x80FF0000u);
}

TEST(SkinOptions, JpegPatternsAtTheSizeBoundary)
{
    TsSkinTables t;
    LoadFromMemory(t, std::string(kHead) + "[FORM]\r\nPATTERN=big.jpg\r\n[PANEL]\r\nPATTERN=Small.JPEG\r\n",
                   {{"MASTER.BMP", Master(8, 8, 0)}, {"BIG.JPG", Jpeg(1000, 900, 200, 100, 50)},
                    {"SMALL.JPEG", Jpeg(1000, 899, 10, 20, 30)}});
    ASSERT_EQ(t.Patterns.size(), 1u);                    // 900,000 pixels stay a pattern
    EXPECT_EQ(t.Patterns[0].SectionName, "FORM");
    EXPECT_EQ(t.FindPatternIndex(t.FindSectionIndex("FORM"), "FORM", "PATTERN"), 0);
    int small = MaskOf(t, "PANEL", "PATTERN");           // 899,000 become a texture mask
    ASSERT_GE(small, 0);
    EXPECT_EQ(t.Masks[size_t(small)].Kind, 1);
    EXPECT_EQ(t.Masks[size_t(small)].SourceRect, (px::Rect{0, 0, 1000, 899}));
    EXPECT_EQ(t.Sections[size_t(t.FindSectionIndex("PANEL"))].PatternIndex, small);
}

TEST(SkinOptions, HeaderPaletteAndSelection)
{
    TsSkinTables t;
    LoadFromMemory(t,
                   std::string(kHead) + "TITLEHEIGHT=0\r\nALIGNOFFSET=5\r\nALIGNOFFSETT=2\r\nEDITTEXT_ALERT=255\r\n"
                                        "SHADOW1BLUR=3\r\n[EDIT]\r\nCOLOR=16777215\r\nFONTCOLOR=0\r\n"
                                        "[MENUITEM]\r\nSTATES=2\r\nHOTCOLOR=255\r\nHOTFONTCOLOR=16711935\r\n",
                   {{"MASTER.BMP", Master(8, 8, 0)}});
    EXPECT_EQ(t.SkinData.TitleHeight, 30);
    EXPECT_EQ(t.SkinData.MaxTitleHeight, 30);
    EXPECT_EQ(t.SkinData.AlignOffsetRight, 5);
    EXPECT_EQ(t.SkinData.AlignOffsetTop, 2);
    EXPECT_EQ(t.SkinData.Shadow1Blur, 3);
    EXPECT_EQ(t.Palette[16], 255);                       // one key sets three entries
    EXPECT_EQ(t.Palette[17], 255);
    EXPECT_EQ(t.Palette[18], 255);
    EXPECT_EQ(t.Palette[21], 0x95A7E9);                  // defaults of an absent key differ
    EXPECT_EQ(t.Palette[22], 0x8597D9);
    EXPECT_EQ(t.Palette[23], 0x4AB28F);
    EXPECT_EQ(t.Palette[0], skincolor::ColorToRGB(skincolor::kBtnFace));   // kept in RGB
    EXPECT_EQ(t.Palette[13], skincolor::MixColors(0, 0xFFFFFF, 0.05));
    // No SELECTION: the menu item's hot colours, its key-coloured font colour gives clHighlightText.
    EXPECT_EQ(t.Palette[6], 255);
    EXPECT_EQ(t.Palette[8], 255);
    EXPECT_EQ(t.Palette[7], skincolor::ColorToRGB(skincolor::kHighlightText));
    EXPECT_EQ(t.Palette[9], t.Palette[7]);

    TsSkinTables s;
    LoadFromMemory(s, std::string(kHead) + "[SELECTION]\r\nCOLOR=1\r\nFONTCOLOR=2\r\nSTATES=1\r\nHOTCOLOR=9\r\n",
                   {{"MASTER.BMP", Master(8, 8, 0)}});
    EXPECT_EQ(s.Palette[6], 1);
    EXPECT_EQ(s.Palette[7], 2);
    EXPECT_EQ(s.Palette[8], 1);                          // one state: the normal colours
    EXPECT_EQ(s.Palette[9], 2);

    TsSkinTables bad;
    EXPECT_THROW(LoadFromMemory(bad, std::string(kHead) + "SHADOW1OFFSET=abc\r\n", {{"MASTER.BMP", Master(8, 8, 0)}}),
                 SkinError);
}

TEST(SkinOptions, CommonSectionsOverlay)
{
    SkinIni common("[EDIT]\r\nCOLOR=255\r\n[NEWSEC]\r\nPARENTCLASS=edit\r\nSHOWFOCUS=0\r\nFONTCOLOR=7\r\n"
                   "BORDERSMASK=#(0,0,30,30)(3,0,0,1)\r\n[LONE]\r\nCOLOR=1\r\n");
    SkinLoadSettings s;
    s.CommonSections = &common;
    TsSkinTables t;
    LoadFromMemory(t, std::string(kHead) + "[EDIT]\r\nCOLOR=100\r\nGLOW=6\r\nSTATES=2\r\n",
                   {{"MASTER.BMP", Master(64, 64, 0x808080)}}, s);
    const TsGeneralData& edit = t.Sections[size_t(t.FindSectionIndex("EDIT"))];
    EXPECT_EQ(edit.IniColor, 255);
    EXPECT_EQ(edit.Glow, 6);                             // the skin's value stays the default
    int n = t.FindSectionIndex("NEWSEC");
    ASSERT_EQ(n, int(t.Sections.size()) - 2);
    EXPECT_EQ(t.Sections[size_t(n)].ParentClass, "EDIT");
    EXPECT_EQ(t.Sections[size_t(n)].Glow, 6);            // defaults from the parent section
    EXPECT_EQ(t.Sections[size_t(n)].IniFontColor, 7);
    EXPECT_FALSE(t.Sections[size_t(n)].ShowFocus);       // taken from the entry
    EXPECT_EQ(t.Sections[size_t(t.FindSectionIndex("LONE"))].FadingIterations, -1);
    int m = t.FindMaskIndexDirect("NEWSEC", "BORDERSMASK");
    ASSERT_GE(m, 0);
    EXPECT_EQ(t.Masks[size_t(m)].MarginLeft, 10 / 3);    // a third of the frame width
    EXPECT_EQ(t.Sections[size_t(n)].BorderMaskIndex, m);
}

TEST(SkinRecolor, HueSkipsKeysKeepsTitleGlyphsAndChangesSharedArraysOnce)
{
    // Master: key pixels (one with a full alpha byte), a close glyph and a max glyph.
    auto px = [](int x, int y) -> uint32_t {
        if (y == 0) return 0xFF00FFu;
        return x < 8 ? 0x0000FFu : (x < 16 ? 0x00FF00u : 0xFF0000u);
    };
    std::string master = Bmp(24, 8, px);
    std::string options = "[GLOBALINFO]\r\nVERSION=8.5\r\nMASTERBITMAP=MASTER.BMP\r\nBIKEEPHUE=2\r\n"
                          "BICONCLOSE=@0000,0001,0008,0008,1,0\r\nBICONMAX=@0008,0001,0016,0008,1,0\r\n"
                          "[S]\r\nSTATES=1\r\nCOLOR=255\r\nGRADIENTDATA=255;255;100;0;0\r\nFONTCOLOR=$80000008\r\n";
    SkinLoadSettings hue;
    hue.HueOffset = 120;
    TsSkinTables t;
    LoadFromMemory(t, options, {{"MASTER.BMP", master}}, hue);
    const PixelBitmap& m = *t.MasterBitmap;
    EXPECT_EQ(m.Pixel(3, 0) & 0xFFFFFF, 0xFF00FFu);      // key pixels untouched
    EXPECT_EQ(m.Pixel(3, 3), 0xFF0000FFu);               // close glyph keeps its colour
    EXPECT_EQ(m.Pixel(10, 3), 0xFF0000FFu);              // keep 2: the max glyph turns (green -> blue)
    EXPECT_EQ(m.Pixel(20, 3), 0xFF00FF00u);              // red -> green
    const TsGeneralData& s = t.Sections[size_t(t.FindSectionIndex("S"))];
    EXPECT_EQ(s.IniColor, 0x00FF00);
    ASSERT_EQ(s.IniGradientArray->size(), 1u);
    EXPECT_EQ((*s.IniGradientArray)[0].Color1, 0x00FF00);   // shared by four fields, shifted once
    EXPECT_EQ(s.IniFontColor, skincolor::ChangeColorHue(skincolor::ColorToRGB(skincolor::kWindowText), 120));

    options.replace(options.find("BIKEEPHUE=2"), 11, "BIKEEPHUE=1");
    TsSkinTables k1;
    LoadFromMemory(k1, options, {{"MASTER.BMP", master}}, hue);
    EXPECT_EQ(k1.MasterBitmap->Pixel(10, 3), 0xFF00FF00u);   // keep 1: every title glyph keeps
}

TEST(SkinRecolor, SaturationWrapsAt101AndSkipsKeys)
{
    std::string master = Bmp(4, 1, [](int x, int) { return x == 0 ? 0xFF00FFu : 0x3060C0u; });
    std::string options = std::string(kHead) + "[S]\r\nCOLOR=12632112\r\n";
    SkinLoadSettings s150, s49;
    s150.Saturation = 150;
    s49.Saturation = 49;
    TsSkinTables a, b, plain;
    LoadFromMemory(a, options, {{"MASTER.BMP", master}}, s150);
    LoadFromMemory(b, options, {{"MASTER.BMP", master}}, s49);
    LoadFromMemory(plain, options, {{"MASTER.BMP", master}});
    EXPECT_EQ(DumpSkinTables(a), DumpSkinTables(b));
    EXPECT_NE(DumpSkinTables(a), DumpSkinTables(plain));
    EXPECT_EQ(a.MasterBitmap->Pixel(0, 0) & 0xFFFFFF, 0xFF00FFu);
}

TEST(SkinRecolor, KeyPixelsWithAnAlphaByteStayKeys)
{
    // The load-time alpha fill leaves key pixels alone whatever their alpha.
    PixelBitmap b(3, 1);
    b.Row(0)[0] = 0x80FF00FFu;
    b.Row(0)[1] = 0x00123456u;
    b.Row(0)[2] = 0x00FF00FFu;
    FillOpaqueAlpha(b);
    EXPECT_EQ(b.Pixel(0, 0), 0x80FF00FFu);
    EXPECT_EQ(b.Pixel(1, 0), 0xFF123456u);
    EXPECT_EQ(b.Pixel(2, 0), 0x00FF00FFu);
    // An opaque magenta pixel of a PNG is a key pixel for the hue shift too.
    std::string png = Png(2, 1, [](int x, int) { return x == 0 ? 0xFFFF00FFu : 0xFFFF0000u; });
    SkinLoadSettings hue;
    hue.HueOffset = 120;
    TsSkinTables t;
    LoadFromMemory(t, std::string(kHead) + "[S]\r\nBORDERSMASK=!P.PNG!1!0!0\r\n",
                   {{"MASTER.BMP", Master(4, 4, 0)}, {"P.PNG", png}}, hue);
    const TsMaskData& m = t.Masks[size_t(MaskOf(t, "S", "BORDERSMASK"))];
    EXPECT_EQ(m.Bmp->Pixel(0, 0), 0xFFFF00FFu);
    EXPECT_EQ(m.Bmp->Pixel(1, 0), 0xFF00FF00u);
}

TEST(SkinImages, DecodersReadEveryLayoutAndRefuseDamage)
{
    String data = EnvPath("TALVERA_TESTDATA") + L"\\skin\\";
    auto load = [&](const wchar_t* name) { return ReadBytes(data + name); };
    // Each picture: red, blue at (1, 1), lime at (4, 2).
    for (const wchar_t* png : {L"pal.png", L"paltrns.png", L"rgb16.png", L"interlaced.png"}) {
        auto b = DecodePng(load(png));
        ASSERT_EQ(b->Width(), 5);
        ASSERT_EQ(b->Height(), 3);
        EXPECT_EQ(b->Pixel(1, 1), 0xFF0000FFu) << StringToUtf8(png);
        EXPECT_EQ(b->Pixel(4, 2), 0xFF00FF00u) << StringToUtf8(png);
        EXPECT_EQ(b->Pixel(3, 0), 0xFFFF0000u) << StringToUtf8(png);
    }
    EXPECT_EQ(DecodePng(load(L"paltrns.png"))->Pixel(0, 2) >> 24, 0u);   // tRNS of a palette
    for (const wchar_t* bmp : {L"pal8.bmp", L"argb32.bmp"}) {
        auto b = DecodeBmp(load(bmp));
        EXPECT_EQ(b->Pixel(1, 1) & 0xFFFFFF, 0x0000FFu) << StringToUtf8(bmp);
        EXPECT_EQ(b->Pixel(4, 2) & 0xFFFFFF, 0x00FF00u) << StringToUtf8(bmp);
        EXPECT_EQ(b->Pixel(0, 0) & 0xFFFFFF, 0xFF0000u) << StringToUtf8(bmp);
    }
    EXPECT_EQ(DecodeBmp(load(L"argb32.bmp"))->Pixel(0, 0) >> 24, 0xFFu);  // alpha channel kept
    // A 24-bit file written by us, read back.
    std::string ours = Bmp(3, 2, [](int x, int y) { return uint32_t(x * 16 + y); });
    EXPECT_EQ(DecodeBmp(ours)->Pixel(2, 1), 33u);
    std::string jpeg = Jpeg(16, 8, 250, 10, 10);
    auto j = DecodeJpeg(jpeg);
    EXPECT_EQ(j->Width(), 16);
    EXPECT_GT((j->Pixel(5, 5) >> 16) & 0xFF, 200u);
    // Damaged files: cut short, wrong sizes, wrong signatures.
    std::string png = load(L"pal.png");
    EXPECT_THROW(DecodePng(png.substr(0, png.size() - 20)), SkinError);
    std::string huge = png;
    huge[16] = '\x7F';                                   // width far beyond the data
    EXPECT_THROW(DecodePng(huge), SkinError);
    EXPECT_THROW(DecodePng("\x89PNG"), SkinError);
    // A header asking for far more pixels than its data could hold.
    std::string tall = Png(1, 1, [](int, int) { return 0xFF000000u; });
    auto put = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            tall[at + size_t(i)] = char(v >> (24 - 8 * i));
    };
    put(16, 4000);
    put(20, 12000);                                      // 4000 x 12000 from a dozen bytes
    put(29, uint32_t(crc32(0, reinterpret_cast<const Bytef*>(tall.data() + 12), 17)));
    EXPECT_THROW(DecodePng(tall), SkinError);
    EXPECT_THROW(DecodeBmp(ours.substr(0, ours.size() - 4)), SkinError);
    std::string wide = ours;
    wide[18] = '\xFF';
    wide[19] = '\xFF';                                   // 65535 pixels wide in a tiny file
    EXPECT_THROW(DecodeBmp(wide), SkinError);
    EXPECT_THROW(DecodeJpeg(jpeg.substr(0, 40)), SkinError);
    EXPECT_THROW(DecodeJpeg("not a jpeg"), SkinError);
}

TEST(SkinOptions, NumbersAreBoundedWhereTheyAreRead)
{
    std::string master = Master(64, 48, 0x808080);
    std::string png = Png(20, 8, [](int, int) { return 0xFF202020u; });
    struct Case {
        const char* name;
        std::string options;   // after a header with or without a master bitmap
        bool withMaster;
        std::function<void(const TsSkinTables&)> check;
    };
    auto mask = [](const TsSkinTables& t, const char* section, const char* key) -> const TsMaskData& {
        int i = t.FindMaskIndexDirect(section, key);
        EXPECT_GE(i, 0);
        static const TsMaskData none;
        return i >= 0 ? t.Masks[size_t(i)] : none;
    };
    auto section = [](const TsSkinTables& t, const char* name) -> const TsGeneralData& {
        return t.Sections[size_t(t.FindSectionIndex(name))];
    };
    const Case cases[] = {
        {"a frame count of 65535 and a huge rectangle without a master bitmap",
         "[S]\r\nA=#(0,0,-2147483648,0)(65535)\r\nW=#(16711935,0,-2147483648,0)\r\n", false,
         [&](const TsSkinTables& t) {
             const TsMaskData& m = mask(t, "S", "A");
             EXPECT_EQ(m.SourceRect, px::Rect{});                 // indexes no image: empty
             EXPECT_GE(m.FrameCount, 1);
             EXPECT_EQ(MaskFrameWidth(m), 0);
             EXPECT_EQ(m.MarginLeft, 0);
             EXPECT_EQ(mask(t, "S", "W").SourceRect.Width(), 0);
         }},
        {"edges far outside the master bitmap",
         "[S]\r\nB=#(-5,-2147483648,2147483647,99999)(1,70000,-3,-9)\r\n", true,
         [&](const TsSkinTables& t) {
             const TsMaskData& b = mask(t, "S", "B");
             EXPECT_EQ(b.SourceRect, (px::Rect{0, 0, 64, 48}));
             EXPECT_EQ(b.StateLayout, SkinRange::StateLayout.Max);
             EXPECT_EQ(b.BorderWidth, 0);
             EXPECT_EQ(MaskStateHeight(b), 0);
         }},
        {"states, percents and glow beyond their ranges",
         "[S]\r\nSTATES=-2147483648\r\nGRADIENTDATA=1;2;100;0;0\r\nGRADIENTPERCENT=2147483647\r\nIMAGEPERCENT=2147483647\r\n"
         "TRANSPARENCY=-7\r\nGLOW=99999\r\nGSIZE=300\r\n[T]\r\nSTATES=2147483647\r\nHOTIMAGEPERCENT=-2147483648\r\n",
         true,
         [&](const TsSkinTables& t) {
             const TsGeneralData& s = section(t, "S");
             EXPECT_EQ(s.States, 0);
             EXPECT_EQ(s.Props[0].GradientPercent + s.Props[0].ImagePercent, 200);
             EXPECT_EQ(s.Props[0].Transparency, 0);
             EXPECT_EQ(s.Glow, 255);
             EXPECT_EQ(s.Props[0].GlowSize, 255);
             const TsGeneralData& u = section(t, "T");
             EXPECT_EQ(u.States, SkinRange::States.Max);
             EXPECT_EQ(u.Props[1].ImagePercent, 0);
         }},
        {"fields of a file image",
         "[S]\r\nP=!BTN.PNG!65535!-70000!7!-1!99999!0!0!-40000\r\nQ=!BTN.PNG!-4\r\n", true,
         [&](const TsSkinTables& t) {
             const TsMaskData& p = mask(t, "S", "P");
             EXPECT_EQ(p.Kind, 4);
             EXPECT_EQ(p.FrameCount, SkinRange::Frames.Max);
             EXPECT_EQ(p.StateLayout, -1);
             EXPECT_EQ(p.MarginLeft, 0);
             EXPECT_EQ(p.MarginTop, SkinRange::Margin.Max);
             EXPECT_EQ(p.PaintFlags, 0);
             EXPECT_EQ(MaskFrameWidth(p), 20 / SkinRange::Frames.Max);
             EXPECT_EQ(mask(t, "S", "Q").MarginLeft, 20);        // -4 frames count as none
         }},
        {"header sizes", "[GLOBALINFO]\r\nTITLEHEIGHT=70000\r\nBORDERWIDTH=-2147483648\r\nSHADOW1OFFSET=40000\r\n", true,
         [&](const TsSkinTables& t) {
             EXPECT_EQ(t.SkinData.TitleHeight, SkinRange::Offset.Max);
             EXPECT_EQ(t.SkinData.BorderWidth, SkinRange::Offset.Min);
             EXPECT_EQ(t.SkinData.Shadow1Offset, SkinRange::Offset.Max);
         }},
        {"gradient stop percents", "[S]\r\nGRADIENTDATA=1;2;300;0;0;3;4;-5;1;0\r\nGRADIENTPERCENT=50\r\n", true,
         [&](const TsSkinTables& t) {
             const TsGradArray& g = *section(t, "S").Props[0].GradientArray;
             ASSERT_EQ(g.size(), 2u);
             EXPECT_EQ(g[0].Percent, 100);
             EXPECT_EQ(g[1].Percent, 0);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string head = c.withMaster ? kHead : "[GLOBALINFO]\r\nVERSION=8.5\r\n";
        TsSkinTables t;
        ASSERT_NO_THROW(LoadFromMemory(t, head + c.options, {{"MASTER.BMP", master}, {"BTN.PNG", png}}));
        c.check(t);
    }
}

TEST(SkinOptions, EachImageFileIsDecodedOnceAndALoadStaysWithinItsPixelBudget)
{
    auto flat = [](uint32_t c) { return Png(64, 64, [c](int, int) { return c; }); };
    // PNG headers claiming 4000 x 12000 and 4294967295 x 4294967295 pixels in a few bytes.
    auto claiming = [](uint32_t w, uint32_t h) {
        std::string png = Png(1, 1, [](int, int) { return 0xFF000000u; });
        auto put = [&](size_t at, uint32_t v) {
            for (int i = 0; i < 4; ++i)
                png[at + size_t(i)] = char(v >> (24 - 8 * i));
        };
        put(16, w);
        put(20, h);
        put(29, uint32_t(crc32(0, reinterpret_cast<const Bytef*>(png.data() + 12), 17)));
        return png;
    };
    std::string tall = claiming(4000, 12000), huge = claiming(0xFFFFFFFFu, 0xFFFFFFFFu);
    std::vector<std::pair<std::string, std::string>> images = {
        {"MASTER.BMP", Master(8, 8, 0x808080)}, {"A.PNG", flat(0xFF204080)}, {"B.PNG", flat(0xFF102030)},
        {"C.PNG", flat(0xFF405060)}, {"D.PNG", flat(0xFF708090)}, {"E.PNG", flat(0xFFA0B0C0)},
        {"J.JPG", Jpeg(64, 64, 10, 20, 30)}, {"TALL.PNG", tall}, {"HUGE.PNG", huge}};
    auto values = [](std::initializer_list<const char*> files) {
        std::string s = std::string(kHead) + "[S]\r\n";
        int k = 0;
        for (const char* f : files)
            s.append("K").append(std::to_string(k++)).append("=").append(f).append("\r\n");
        return s;
    };
    SkinLoadSettings settings;
    settings.PixelBudget = 4 * 64 * 64 + 8 * 8;   // four of the pictures beside the master bitmap
    struct Case {
        const char* name;
        std::string options;
        bool loads;
    };
    const Case cases[] = {
        {"one file named eight times, in any case",
         values({"!A.PNG!1!0", "!a.PNG!2!0", "!A.PNG!1!1", "!a.PNG!1!0", "!A.PNG!4!0", "!A.PNG!1!0", "!a.PNG!1!0",
                 "!A.PNG!1!0"}),
         true},
        {"four files fill the budget", values({"!A.PNG!1!0", "!B.PNG!1!0", "!C.PNG!1!0", "!D.PNG!1!0"}), true},
        {"a fifth file goes beyond it",
         values({"!A.PNG!1!0", "!B.PNG!1!0", "!C.PNG!1!0", "!D.PNG!1!0", "!E.PNG!1!0"}), false},
        {"a JPEG pattern counts too", values({"!A.PNG!1!0", "!B.PNG!1!0", "!C.PNG!1!0", "!D.PNG!1!0", "J.JPG"}),
         false},
        {"a header declaring more than is left", values({"!TALL.PNG!1!0"}), false},
        {"a header whose area overflows 64 bits", values({"!HUGE.PNG!1!0"}), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TsSkinTables t;
        try {
            LoadFromMemory(t, c.options, images, settings);
            EXPECT_TRUE(c.loads);
        } catch (const SkinError& e) {
            EXPECT_FALSE(c.loads) << e.what();
            EXPECT_EQ(e.Kind(), SkinErrorKind::TooLarge);
            EXPECT_NE(std::string(e.what()).find("too large"), std::string::npos) << e.what();
        }
    }

    // The masks of one file share its pixels, and recolouring changes them once.
    settings.HueOffset = 180;
    TsSkinTables t;
    LoadFromMemory(t, cases[0].options, images, settings);
    ASSERT_EQ(t.Masks.size(), 8u);
    for (const TsMaskData& m : t.Masks) {
        EXPECT_EQ(m.Bmp, t.Masks[0].Bmp);
        EXPECT_EQ(m.Bmp->Pixel(5, 5), skincolor::ChangePixelHue(0xFF204080u, 180));
    }
}

TEST(SkinOptions, LongParentChainsAndCyclesLoadWithTheirInheritedValues)
{
    constexpr int n = 5000;
    std::string options = std::string(kHead) + "[C0]\r\nGLOW=7\r\nCOLOR=255\r\nBORDERSMASK=^0000,0000,0008,0008,0002,0002,0002,0002,1,0,0,0\r\n";
    for (int i = 1; i < n; ++i) {
        options += "[C" + std::to_string(i) + "]\r\nPARENTCLASS=C" + std::to_string(i - 1) + "\r\n";
        if (i == n / 2)
            options += "GLOW=9\r\n";
    }
    // A ring: R0 names the last as its parent. The walk from R0 comes back to
    // R0 from R1, so R1 loses its parent and every ring section inherits R1's.
    options += "[R0]\r\nPARENTCLASS=R" + std::to_string(n - 1) + "\r\n";
    for (int i = 1; i < n; ++i)
        options += "[R" + std::to_string(i) + "]\r\nPARENTCLASS=R" + std::to_string(i - 1) + "\r\n" +
                   (i == 1 ? "GLOW=5\r\nSTATES=2\r\n" : "");
    TsSkinTables t;
    LoadFromMemory(t, options, {{"MASTER.BMP", Master(8, 8, 0x808080)}});
    auto at = [&](const std::string& name) -> const TsGeneralData& {
        int i = t.FindSectionIndex(name);
        EXPECT_GE(i, 0) << name;
        return t.Sections[size_t(std::max(i, 0))];
    };
    int border = t.FindMaskIndexDirect("C0", "BORDERSMASK");
    ASSERT_GE(border, 0);
    const std::string last = "C" + std::to_string(n - 1);
    EXPECT_EQ(at(last).Glow, 9);
    EXPECT_EQ(at("C" + std::to_string(n / 2 - 1)).Glow, 7);
    EXPECT_EQ(at(last).IniColor, 255);
    EXPECT_EQ(at(last).BorderMaskIndex, border);
    EXPECT_EQ(t.FindMaskIndex(t.FindSectionIndex(last), last, "BORDERSMASK"), border);
    for (const char* ring : {"R0", "R1", "R2", "R4999"}) {
        EXPECT_EQ(at(ring).Glow, 5) << ring;
        EXPECT_EQ(at(ring).States, 2) << ring;
    }
    EXPECT_EQ(at("R1").ParentIndex, -1);
    EXPECT_EQ(at("R0").ParentIndex, t.FindSectionIndex("R4999"));
}
