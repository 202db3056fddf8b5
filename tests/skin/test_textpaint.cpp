// Text painters on real GDI bitmaps and DCs: text with alpha, contours, glow
// masks (geometry and when they are redrawn), section and control captions
// (disabled, engraved, underlined, glowing), frames, tiling, the DC helpers,
// and a window showing such captions over a gradient (saved as a screenshot).
#include <gtest/gtest.h>

#include <functional>

#include "classlib/ExtCtrls.h"
#include "classlib/StdCtrls.h"
#include "skin/controls/Image.h"
#include "skin/graphics/GradientFill.h"
#include "skin/graphics/PixelOps.h"
#include "skin/graphics/ResampleBitmap.h"
#include "skin/graphics/TextEffects.h"
#include "support/GuiTest.h"

namespace {

// Pixels of TColor c as they sit in a 32-bit bitmap (alpha left out).
uint32_t Rgb(TColor c)
{
    const COLORREF v = ColorToRGB(c);
    return (v & 0xFF) << 16 | (v & 0xFF00) | (v >> 16 & 0xFF);
}

std::unique_ptr<TBitmap> Filled(int w, int h, uint32_t pixel)
{
    auto b = std::make_unique<TBitmap>(w, h, TPixelFormat::pf32bit);
    PixelView v = b->View();
    for (int y = 0; y < h; ++y) std::fill_n(v.Row(y), w, pixel);
    b->Canvas().Font().Set(L"Tahoma", -22, fsBold, clBlack);
    return b;
}

uint32_t Px(TBitmap& b, int x, int y)
{
    GdiFlush();
    return b.View().At(x, y);
}

int Count(TBitmap& b, const std::function<bool(int, int, uint32_t)>& pred)
{
    GdiFlush();
    PixelView v = b.View();
    int n = 0;
    for (int y = 0; y < v.height; ++y)
        for (int x = 0; x < v.width; ++x) n += pred(x, y, v.At(x, y)) ? 1 : 0;
    return n;
}

bool Inside(int x, int y, const RECT& r) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

// Two sections: 0 with contours, glow and a hot state; 1 for web buttons.
class TestTextSkin : public TsTextSkin {
public:
    bool SectionValid(int s) const override { return s == 0 || s == 1; }
    int StateCount(int) const override { return states; }
    TsTextStateColors StateColors(int s, int state) const override
    {
        TsTextStateColors c;
        c.FontColor = state ? clLime : clRed;
        c.Contour[0] = clBlue;
        c.Contour[1] = -1;
        c.Contour[2] = clYellow;
        c.Contour[3] = -1;
        c.GlowColor = clAqua;
        c.GlowSize = glow;
        return c;
    }
    TColor SecondBackColor(int) const override { return clWhite; }
    TColor GlobalColor() const override { return clNavy; }
    int Transparency(int) const override { return 0; }
    int WebButtonSection() const override { return 1; }
    int states = 2;
    int glow = 0;
};

constexpr uint32_t Back = 0x00808080;

}  // namespace

TEST(AlphaText, InkInTheTextColourWithAlphaOnlyInsideTheRect)
{
    auto b = Filled(120, 40, Back);
    const RECT r{10, 5, 110, 35};
    DrawAlphaText(b.get(), L"HWM", clRed, DT_SINGLELINE | DT_LEFT | DT_TOP, r);
    EXPECT_GT(Count(*b, [](int, int, uint32_t p) { return p == 0xFFFF0000u; }), 20);   // solid ink
    EXPECT_EQ(Count(*b, [&](int x, int y, uint32_t p) { return p != Back && !Inside(x, y, r); }), 0);
    // Every changed pixel is opaque and lies between the background and red per channel.
    EXPECT_EQ(Count(*b, [](int, int, uint32_t p) {
                  if (p == Back) return false;
                  const int r = p >> 16 & 0xFF, g = p >> 8 & 0xFF, bl = p & 0xFF;
                  return (p >> 24) != 0xFF || r < 0x80 || g > 0x80 || bl > 0x80;
              }),
              0);
    // Partly outside the bitmap: only the part inside is painted, nothing raises.
    auto c = Filled(30, 20, Back);
    DrawAlphaText(c.get(), L"HHHH", clBlue, DT_SINGLELINE, RECT{-12, -8, 40, 20});
    EXPECT_GT(Count(*c, [](int, int, uint32_t p) { return p == 0xFF0000FFu; }), 0);
    DrawAlphaText(c.get(), L"", clBlue, 0, RECT{0, 0, 30, 20});
    DrawAlphaText(c.get(), L"x", clBlue, 0, RECT{5, 5, 5, 20});
    DrawAlphaText(nullptr, L"x", clBlue, 0, RECT{0, 0, 5, 5});
}

TEST(ContourText, ContoursOnTheirSidesUnderTheFontColour)
{
    TestTextSkin skin;
    auto b = Filled(140, 40, Back);
    const RECT r{10, 5, 130, 35};
    DrawContourText(b.get(), L"HIH", true, &skin, false, 0, DT_SINGLELINE, r);
    const int red = Count(*b, [](int, int, uint32_t p) { return p == 0xFFFF0000u; });
    const int blue = Count(*b, [](int, int, uint32_t p) { return p == 0xFF0000FFu; });
    // The right contour shows right of the strokes, mixed with their smoothed edges.
    const int yellow = Count(*b, [](int, int, uint32_t p) {
        return (p >> 16 & 0xFF) >= 0xC0 && (p >> 8 & 0xFF) >= 0xA0 && (p & 0xFF) < 0x60;
    });
    EXPECT_GT(red, 20);
    EXPECT_GT(blue, 5);     // left contour shows left of vertical strokes
    EXPECT_GT(yellow, 5);   // right contour right of them
    // Left contour pixels have red or yellow to their right, never to their left only.
    GdiFlush();
    PixelView v = b->View();
    for (int y = 0; y < v.height; ++y)
        for (int x = 1; x + 1 < v.width; ++x)
            if (v.At(x, y) == 0xFF0000FFu) {
                EXPECT_NE(v.At(x + 1, y), Back) << x << "," << y;
            }
    // Without the contour flag: the font colour only. Hot uses the hot colours.
    auto c = Filled(140, 40, Back);
    DrawContourText(c.get(), L"HIH", false, &skin, true, 0, DT_SINGLELINE, r);
    EXPECT_EQ(Count(*c, [](int, int, uint32_t p) { return p == 0xFF0000FFu || p == 0xFFFFFF00u; }), 0);
    EXPECT_GT(Count(*c, [](int, int, uint32_t p) { return p == 0xFF00FF00u; }), 20);
    // A section of one state has no hot colours: hot asks get the normal ones.
    EXPECT_EQ(TextStateOf(&skin, 0, true), 1);
    EXPECT_EQ(TextStateOf(&skin, 0, false), 0);
    skin.states = 1;
    EXPECT_EQ(TextStateOf(&skin, 0, true), 0);
    auto d = Filled(140, 40, Back);
    DrawContourText(d.get(), L"HIH", false, &skin, true, 0, DT_SINGLELINE, r);
    EXPECT_GT(Count(*d, [](int, int, uint32_t p) { return p == 0xFFFF0000u; }), 20);
    // No valid section: the canvas font's colour.
    auto e = Filled(140, 40, Back);
    e->Canvas().Font().SetColor(clFuchsia);
    DrawContourText(e.get(), L"HIH", true, &skin, false, 7, DT_SINGLELINE, r);
    EXPECT_GT(Count(*e, [](int, int, uint32_t p) { return p == 0xFFFF00FFu; }), 20);
}

TEST(GlowText, MaskGeometryAndPlacement)
{
    // Glow size 3 around a 50 x 16 text rect: a 64 x 30 mask, 7 pixels up and
    // left of the text rect shifted by (1, 1).
    auto b = Filled(120, 80, 0x00FFFFFF);
    b->Canvas().Font().Set(L"Tahoma", -13, fsBold, clBlack);
    const RECT r{20, 20, 70, 36};
    TkvGlowMask mask;
    DrawTextWithEffect(b.get(), L"Glow", r, mask, clRed, 3, cfAll, DT_SINGLELINE);
    EXPECT_EQ(mask.Width(), 64);
    EXPECT_EQ(mask.Height(), 30);
    const RECT mr{21 - 7, 21 - 7, 71 + 7, 37 + 7};
    EXPECT_EQ(Count(*b, [&](int x, int y, uint32_t p) { return p != 0x00FFFFFFu && !Inside(x, y, mr); }), 0);
    // The blur spreads the glow beyond the ink: changed pixels left of the text.
    EXPECT_GT(Count(*b, [&](int x, int y, uint32_t p) { return p != 0x00FFFFFFu && x < 21; }), 0);
    // Glow pixels move toward red and gain alpha.
    EXPECT_EQ(Count(*b, [&](int, int, uint32_t p) {
                  return p != 0x00FFFFFFu && ((p >> 16 & 0xFF) != 0xFF || (p >> 24) == 0);
              }),
              0);
    // Mask bytes: 255 at the far corners, below 255 near the text.
    BytePixelView mv = mask.View();
    EXPECT_EQ(mv.Row(0)[0], 255);
    EXPECT_LT(*std::min_element(mv.pixels, mv.pixels + 64 * 30), 255);
}

TEST(GlowText, TheMaskIsRedrawnWhenWhatItShowsChanges)
{
    auto b = Filled(120, 60, 0x00FFFFFF);
    b->Canvas().Font().Set(L"Tahoma", -13, 0, clBlack);
    const RECT r{10, 10, 90, 30};
    TkvGlowMask mask;
    DrawTextWithEffect(b.get(), L"Caption", r, mask, clRed, 4, cfAll, DT_SINGLELINE);
    EXPECT_EQ(mask.BuildCount(), 1);
    const std::vector<uint8_t> first(mask.View().pixels, mask.View().pixels + mask.Width() * mask.Height());
    DrawTextWithEffect(b.get(), L"Caption", r, mask, clRed, 4, cfAll, DT_SINGLELINE);
    EXPECT_EQ(mask.BuildCount(), 1);   // same everything: reused
    // Same size, other text: redrawn, and the mask shows the new text.
    DrawTextWithEffect(b.get(), L"Other!!", r, mask, clRed, 4, cfAll, DT_SINGLELINE);
    EXPECT_EQ(mask.BuildCount(), 2);
    const std::vector<uint8_t> second(mask.View().pixels, mask.View().pixels + mask.Width() * mask.Height());
    EXPECT_NE(first, second);
    DrawTextWithEffect(b.get(), L"Other!!", r, mask, clRed, 4, cfLeft, DT_SINGLELINE);
    EXPECT_EQ(mask.BuildCount(), 3);
    DrawTextWithEffect(b.get(), L"Other!!", r, mask, clRed, 4, cfLeft, DT_SINGLELINE | DT_CENTER);
    EXPECT_EQ(mask.BuildCount(), 4);
    b->Canvas().Font().SetStyle(fsBold);
    DrawTextWithEffect(b.get(), L"Other!!", r, mask, clRed, 4, cfLeft, DT_SINGLELINE | DT_CENTER);
    EXPECT_EQ(mask.BuildCount(), 5);
    // Glow size 0: the identity blur, the mask is the plain text.
    DrawTextWithEffect(b.get(), L"Other!!", r, mask, clRed, 0, 0, DT_SINGLELINE);
    EXPECT_EQ(mask.BuildCount(), 6);
    EXPECT_EQ(mask.Width(), 80 + 8);
}

TEST(SectionText, DisabledColourIsMixedWithTheSecondBackground)
{
    TestTextSkin skin;
    auto b = Filled(140, 40, Back);
    DrawSectionTextEx(b->Canvas(), L"HIH", false, &skin, false, 0, DT_SINGLELINE, RECT{5, 5, 135, 35});
    // nearest(0.4 x red + 0.6 x white) per channel.
    const uint32_t mixed = uint32_t(255) << 16 | uint32_t(std::lround(0.6 * 255)) << 8 | uint32_t(std::lround(0.6 * 255));
    EXPECT_GT(Count(*b, [&](int, int, uint32_t p) { return (p & 0xFFFFFF) == mixed; }), 20);
    // Enabled: contours left and right, the font colour on top.
    auto c = Filled(140, 40, Back);
    DrawSectionText(c->Canvas(), L"HIH", true, &skin, false, 0, DT_SINGLELINE, RECT{5, 5, 135, 35});
    EXPECT_GT(Count(*c, [](int, int, uint32_t p) { return (p & 0xFFFFFF) == 0xFF0000u; }), 20);
    EXPECT_GT(Count(*c, [](int, int, uint32_t p) { return (p & 0xFFFFFF) == 0x0000FFu; }), 5);
    // The canvas font keeps its colour.
    EXPECT_EQ(c->Canvas().Font().Color(), clBlack);
}

TEST(ControlText, UnskinnedDisabledCaptionIsEngraved)
{
    auto b = Filled(140, 40, 0);
    TsControlTextData data;
    const RECT r{5, 5, 135, 35};
    DrawControlTextEx(b->Canvas(), L"HIH", false, false, data, DT_SINGLELINE, r);
    const uint32_t hi = Rgb(clBtnHighlight), sh = Rgb(clBtnShadow);
    ASSERT_NE(hi, sh);
    EXPECT_GT(Count(*b, [&](int, int, uint32_t p) { return (p & 0xFFFFFF) == sh; }), 20);
    EXPECT_GT(Count(*b, [&](int, int, uint32_t p) { return (p & 0xFFFFFF) == hi; }), 5);
    // The highlight lies one pixel down and right of the shadow: the pixels
    // lighter than the shadow colour sit, on average, right of and below the
    // shadow-coloured ones (the background is darker than both).
    double hx = 0, hy = 0, sx = 0, sy = 0;
    int hn = 0, sn = 0;
    GdiFlush();
    PixelView v = b->View();
    for (int y = 0; y < v.height; ++y)
        for (int x = 0; x < v.width; ++x) {
            const uint32_t p = v.At(x, y) & 0xFFFFFF;
            if (p == sh) {
                sx += x, sy += y, ++sn;
            } else if ((p & 0xFF) > (sh & 0xFF) + 8 && (p >> 8 & 0xFF) > (sh >> 8 & 0xFF) + 8) {
                hx += x, hy += y, ++hn;
            }
        }
    ASSERT_GT(hn, 0);
    ASSERT_GT(sn, 0);
    EXPECT_GT(hx / hn, sx / sn + 0.3);
    EXPECT_GT(hy / hn, sy / sn + 0.3);
    // Nothing outside the rect (it clips).
    EXPECT_EQ(Count(*b, [&](int x, int y, uint32_t p) { return (p & 0xFFFFFF) != 0 && !Inside(x, y, r); }), 0);
    // Enabled and unskinned: the font colour only.
    auto c = Filled(140, 40, Back);
    c->Canvas().Font().SetColor(clGreen);
    DrawControlTextEx(c->Canvas(), L"HIH", true, false, data, DT_SINGLELINE, r);
    EXPECT_GT(Count(*c, [](int, int, uint32_t p) { return (p & 0xFFFFFF) == 0x008000u; }), 20);
    EXPECT_EQ(Count(*c, [&](int, int, uint32_t p) { return (p & 0xFFFFFF) == hi; }), 0);
}

TEST(ControlText, SkinnedCaptionsDisabledUnderlinedAndGlowing)
{
    TestTextSkin skin;
    TsControlTextData data;
    data.Skin = &skin;
    data.Section = 0;
    const RECT r{5, 5, 135, 35};
    // Disabled: mixed with the manager's global colour.
    auto b = Filled(140, 40, Back);
    DrawControlTextEx(b->Canvas(), L"HIH", false, false, data, DT_SINGLELINE, r);
    const uint32_t mixed = uint32_t(std::lround(0.4 * 255)) << 16 | uint32_t(std::lround(0.6 * 128));
    EXPECT_GT(Count(*b, [&](int, int, uint32_t p) { return (p & 0xFFFFFF) == mixed; }), 20);
    // Hot on the web-button section: underlined, so more ink than not hot.
    data.Section = 1;
    auto plain = Filled(140, 40, Back), hot = Filled(140, 40, Back);
    DrawControlTextEx(plain->Canvas(), L"HIH", true, false, data, DT_SINGLELINE, r);
    DrawControlTextEx(hot->Canvas(), L"HIH", true, true, data, DT_SINGLELINE, r);
    auto ink = [](int, int, uint32_t p) { return (p & 0xFFFFFF) != Back; };
    EXPECT_GT(Count(*hot, ink), Count(*plain, ink) + 20);
    EXPECT_EQ(hot->Canvas().Font().Style() & fsUnderline, 0u);   // the canvas font is put back
    // A glow size in the section: the glow goes into the cache bitmap first.
    skin.glow = 3;
    data.Section = 0;
    auto cache = Filled(140, 40, 0x00FFFFFF);
    TkvGlowMask mask;
    data.Cache = cache.get();
    data.GlowMask = &mask;
    DrawControlTextEx(cache->Canvas(), L"HIH", true, false, data, DT_SINGLELINE, r);
    EXPECT_EQ(mask.BuildCount(), 1);
    EXPECT_GT(Count(*cache, [](int, int, uint32_t p) {
                  return (p >> 24) != 0 && (p & 0xFF) == 0xFF && (p >> 8 & 0xFF) == 0xFF && (p >> 16 & 0xFF) < 0xF0;
              }),
              5);   // aqua glow around the text
    // No kept mask: the glow is drawn all the same.
    auto cache2 = Filled(140, 40, 0x00FFFFFF);
    data.Cache = cache2.get();
    data.GlowMask = nullptr;
    DrawControlTextEx(cache2->Canvas(), L"HIH", true, false, data, DT_SINGLELINE, r);
    EXPECT_GT(Count(*cache2, [](int, int, uint32_t p) {
                  return (p >> 24) != 0 && (p & 0xFF) == 0xFF && (p >> 8 & 0xFF) == 0xFF && (p >> 16 & 0xFF) < 0xF0;
              }),
              5);
    // A check box on a see-through section takes its font section from the parents.
    int asked = 0;
    data.Kind = ControlKindCheckBox;
    data.HasParent = true;
    data.FindFontSection = [&] { ++asked; return 1; };
    struct SeeThrough : TestTextSkin {
        int Transparency(int) const override { return 50; }
    } see;
    data.Skin = &see;
    auto d = Filled(140, 40, Back);
    DrawControlTextEx(d->Canvas(), L"HIH", true, false, data, DT_SINGLELINE, r);
    EXPECT_EQ(asked, 1);
}

TEST(ControlText, RecolouredControlsRecolourTheirCaptions)
{
    // The control's hue offset and saturation change the glow, contour, font and
    // disabled colours: drawn with them, a caption equals one drawn from a skin
    // whose colours were changed beforehand.
    struct PreRecoloured : TestTextSkin {
        int hue = 0, sat = 0;
        TColor Re(TColor c) const
        {
            return TColor(px::ChangeColorSaturation(px::ChangeColorHue(uint32_t(ColorToRGB(c)), hue), sat));
        }
        TsTextStateColors StateColors(int s, int state) const override
        {
            TsTextStateColors c = TestTextSkin::StateColors(s, state);
            c.FontColor = Re(c.FontColor);
            c.GlowColor = Re(c.GlowColor);
            for (TColor& k : c.Contour)
                if (k != -1) k = Re(k);
            return c;
        }
    };
    const RECT r{5, 5, 135, 35};
    const struct {
        int hue, sat;
    } cases[] = {{120, 0}, {0, -60}, {250, 35}};
    for (const auto& k : cases) {
        TestTextSkin skin;
        skin.glow = 3;
        PreRecoloured changed;
        changed.glow = 3;
        changed.hue = k.hue;
        changed.sat = k.sat;
        auto draw = [&](TsTextSkin* s, int hue, int sat, bool enabled) {
            auto b = Filled(140, 40, 0x00FFFFFF);
            TsControlTextData data;
            data.Skin = s;
            data.Section = 0;
            data.Cache = b.get();
            data.HueOffset = hue;
            data.Saturation = sat;
            DrawControlTextEx(b->Canvas(), L"HIH", enabled, false, data, DT_SINGLELINE, r);
            GdiFlush();
            return b;
        };
        auto shifted = draw(&skin, k.hue, k.sat, true), reference = draw(&changed, 0, 0, true),
             plain = draw(&skin, 0, 0, true);
        auto differ = [](TBitmap& a, TBitmap& b) {
            return Count(a, [&](int x, int y, uint32_t p) { return p != b.View().At(x, y); });
        };
        EXPECT_EQ(differ(*shifted, *reference), 0) << k.hue << " " << k.sat;
        EXPECT_GT(differ(*shifted, *plain), 20) << k.hue << " " << k.sat;
        // Disabled: the mixed colour, recoloured.
        auto disabled = draw(&skin, k.hue, k.sat, false);
        const TColor mixed = RGBColor(int(std::lround(0.4 * 255)), 0, int(std::lround(0.6 * 128)));
        const uint32_t want = Rgb(changed.Re(mixed));
        EXPECT_GT(Count(*disabled, [&](int, int, uint32_t p) { return (p & 0xFFFFFF) == want; }), 20)
            << k.hue << " " << k.sat;
    }
}

TEST(Frames, BevelFrameShrinksInward)
{
    auto b = Filled(12, 12, Back);
    int width = 2;
    DrawBevelFrame(b->Canvas().Handle(), RECT{1, 1, 11, 11}, clRed, width, clBlue);
    EXPECT_EQ(width, 0);
    for (int i = 1; i <= 9; ++i) {
        EXPECT_EQ(Px(*b, 1, i) & 0xFFFFFF, i == 10 ? 0x0000FFu : 0xFF0000u) << i;   // left edge
        EXPECT_EQ(Px(*b, i, 1) & 0xFFFFFF, i == 10 ? 0x0000FFu : 0xFF0000u) << i;   // top edge
        if (i >= 2) {
            EXPECT_EQ(Px(*b, 10, i) & 0xFFFFFF, 0x0000FFu) << i;   // right edge
        }
        EXPECT_EQ(Px(*b, i, 10) & 0xFFFFFF, 0x0000FFu) << i;                        // bottom edge
    }
    EXPECT_EQ(Px(*b, 2, 2) & 0xFFFFFF, 0xFF0000u);   // second frame
    EXPECT_EQ(Px(*b, 9, 5) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(Px(*b, 5, 5) & 0xFFFFFF, Back);        // inside untouched
    EXPECT_EQ(Px(*b, 0, 0) & 0xFFFFFF, Back);
    EXPECT_EQ(Px(*b, 11, 11) & 0xFFFFFF, Back);
}

TEST(Frames, DottedFrameAlternatesAndSkipsNone)
{
    auto b = Filled(10, 6, Back);
    DrawDottedFrame(b->Canvas(), RECT{0, 0, 10, 6}, clRed, clBlue);
    for (int x = 0; x < 10; ++x) {
        const uint32_t e = x == 0 ? Back : x % 2 ? 0xFF0000u : 0x0000FFu;
        if (x != 0) {
            EXPECT_EQ(Px(*b, x, 0) & 0xFFFFFF, e) << x;
            EXPECT_EQ(Px(*b, x, 5) & 0xFFFFFF, e) << x;
        }
    }
    for (int y = 1; y < 6; ++y) EXPECT_EQ(Px(*b, 0, y) & 0xFFFFFF, y % 2 ? 0xFF0000u : 0x0000FFu) << y;
    EXPECT_EQ(Px(*b, 5, 3) & 0xFFFFFF, Back);
    auto c = Filled(10, 6, Back);
    DrawDottedFrame(c->Canvas(), RECT{0, 0, 10, 6}, DottedFrameSkip, clBlue);
    EXPECT_EQ(Count(*c, [](int, int, uint32_t p) { return (p & 0xFFFFFF) == 0xFF0000u; }), 0);
    EXPECT_EQ(Px(*c, 1, 0) & 0xFFFFFF, Back);
    EXPECT_EQ(Px(*c, 2, 0) & 0xFFFFFF, 0x0000FFu);
}

TEST(DcHelpers, FillsStripsCopiesCutsAndMeasures)
{
    auto b = Filled(20, 20, Back);
    HDC dc = b->Canvas().Handle();
    FillRectSolid(dc, RECT{2, 2, 4, 4}, clRed);
    EXPECT_EQ(Px(*b, 3, 3) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(Px(*b, 4, 4) & 0xFFFFFF, Back);
    // Strips of 1 (left), 2 (bottom), 3 (right) and 4 (top).
    auto s = Filled(20, 20, Back);
    FillBorderStrips(s->Canvas().Handle(), RECT{0, 0, 20, 20}, 1, clBlue, 2, 3, 4);
    const int painted = Count(*s, [](int, int, uint32_t p) { return (p & 0xFFFFFF) == 0x0000FFu; });
    EXPECT_EQ(painted, 20 * 4 + 1 * 16 + 19 * 2 + 3 * 14);
    EXPECT_EQ(Px(*s, 1, 4) & 0xFFFFFF, Back);
    EXPECT_EQ(Px(*s, 16, 17) & 0xFFFFFF, Back);
    EXPECT_EQ(Px(*s, 17, 17) & 0xFFFFFF, 0x0000FFu);
    // Copying the border strips of width 2 only.
    auto d = Filled(20, 20, 0);
    CopyBorderStrips(d->Canvas().Handle(), 1, 1, 2, s->Canvas().Handle(), 0, 0, 18, 18);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            const bool strip = Inside(x, y, RECT{1, 1, 19, 19}) && !Inside(x, y, RECT{3, 3, 17, 17});
            EXPECT_EQ(Px(*d, x, y) & 0xFFFFFF, strip ? Px(*s, x - 1, y - 1) & 0xFFFFFF : 0u) << x << "," << y;
        }
    // Cutting to a canvas width, and measuring with a font handle.
    String cut;
    TCanvas& cv = b->Canvas();
    cv.Font().Set(L"Tahoma", -13, 0, clBlack);
    CutTextToWidth(cv, L"A rather long caption", cv.TextWidth(L"A rather...") , cut);
    EXPECT_EQ(cut, L"A rather...");
    CutTextToWidth(cv, L"Caption", 0, cut);
    EXPECT_EQ(cut, L"");
    CutTextToWidth(cv, L"Caption", cv.TextWidth(L"..."), cut);
    EXPECT_EQ(cut, L"");
    SIZE one{}, wrapped{};
    MeasureTextWithFont(cv.Font().Handle(), L"word word word word", 0, one, 0, false);
    MeasureTextWithFont(cv.Font().Handle(), L"word word word word", DT_WORDBREAK, wrapped, one.cx / 2, true);
    EXPECT_EQ(one.cx, cv.TextWidth(L"word word word word"));
    EXPECT_GT(wrapped.cy, one.cy);
    EXPECT_LE(wrapped.cx, one.cx / 2);
    EXPECT_EQ(GetTextSizeDC(cv.Handle(), L"Caption").cx, TextWidthOf(cv, L"Caption"));
}

TEST(DcHelpers, ExcludeGraphicControlsClipsOutLabelsOnly)
{
    TForm* form = new TForm(Application);
    form->SetBounds(0, 0, 200, 100);
    TLabel* label = new TLabel(form);
    label->SetParent(form);
    label->SetBounds(10, 10, 20, 20);
    TPanel* panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBounds(50, 10, 20, 20);
    TLabel* hidden = new TLabel(form);
    hidden->SetParent(form);
    hidden->SetBounds(90, 10, 20, 20);
    hidden->SetVisible(false);
    auto b = Filled(200, 60, Back);
    HDC dc = b->Canvas().Handle();
    SaveDC(dc);
    ExcludeGraphicControls(dc, form, 5, 2);
    FillRectSolid(dc, RECT{0, 0, 200, 60}, clRed);
    RestoreDC(dc, -1);
    EXPECT_EQ(Px(*b, 15, 12) & 0xFFFFFF, Back);       // the label, shifted by (5, 2)
    EXPECT_EQ(Px(*b, 34, 31) & 0xFFFFFF, Back);
    EXPECT_EQ(Px(*b, 35, 32) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(Px(*b, 60, 20) & 0xFFFFFF, 0xFF0000u);  // a windowed control is painted over
    EXPECT_EQ(Px(*b, 100, 20) & 0xFFFFFF, 0xFF0000u); // so is a hidden label
    Free(form);
}

TEST(Pictures, TilesCutAtTheRect)
{
    auto pic = Filled(3, 2, 0);
    PixelView pv = pic->View();
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) pv.At(x, y) = 0x00102030u + uint32_t(y * 3 + x) * 0x10;
    auto b = Filled(12, 9, Back);
    const RECT r{1, 1, 9, 6};
    TilePicture(b->Canvas(), r, pic.get());
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 12; ++x)
            EXPECT_EQ(Px(*b, x, y) & 0xFFFFFF, Inside(x, y, r) ? pv.At((x - 1) % 3, (y - 1) % 2) & 0xFFFFFF : Back)
                << x << "," << y;
    // Another kind of picture is drawn tile by tile inside a clip to the rect.
    struct Swatch : TGraphic {
        int Width() const override { return 4; }
        int Height() const override { return 3; }
        void Draw(TCanvas& c, const RECT& at) override
        {
            ++draws;
            FillRectSolid(c.Handle(), RECT{at.left, at.top, at.left + 4, at.top + 3}, clLime);
            FillRectSolid(c.Handle(), RECT{at.left, at.top, at.left + 1, at.top + 1}, clRed);
        }
        void LoadFromStream(TStream&) override {}
        int draws = 0;
    } swatch;
    auto s = Filled(12, 9, Back);
    const RECT sr{1, 1, 10, 8};
    TilePicture(s->Canvas(), sr, &swatch);
    EXPECT_EQ(swatch.draws, (9 / 4 + 1) * (7 / 3 + 1));
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 12; ++x) {
            const uint32_t e = !Inside(x, y, sr) ? Back : ((x - 1) % 4 == 0 && (y - 1) % 3 == 0) ? 0xFF0000u : 0x00FF00u;
            EXPECT_EQ(Px(*s, x, y) & 0xFFFFFF, e) << x << "," << y;
        }
    TBitmap empty;
    TilePicture(b->Canvas(), r, &empty);
    TilePicture(b->Canvas(), r, nullptr);
    TilePicture(b->Canvas(), RECT{5, 5, 5, 9}, pic.get());
}

TEST(Screenshot, CaptionsWithContourAndGlowOverAGradient)
{
    const int W = 320, H = 150;
    auto bmp = Filled(W, H, 0);
    TsGradArray g;
    ParseGradientData(L"$F0D0A0;$C08040;60;0;0;$C08040;$603010;40;0;0", g);
    FillGradient(bmp.get(), RECT{0, 0, W, H}, g, 0);
    TestTextSkin skin;
    skin.glow = 5;
    skin.states = 0;
    TkvGlowMask mask;
    TsControlTextData data;
    data.Skin = &skin;
    data.Section = 0;
    data.Cache = bmp.get();
    data.GlowMask = &mask;
    bmp->Canvas().Font().Set(L"Tahoma", -20, fsBold, clBlack);
    bmp->Canvas().Brush().SetStyle(TBrushStyle::bsClear);
    DrawControlTextEx(bmp->Canvas(), L"Глава 1. Введение", true, false, data, DT_SINGLELINE, RECT{16, 14, 300, 44});
    TkvGlowMask mask2;
    DrawTextWithEffect(bmp.get(), L"Контур и свечение", RECT{16, 60, 300, 90}, mask2, clYellow, 4, cfAll, DT_SINGLELINE);
    DrawContourText(bmp.get(), L"Контур и свечение", true, &skin, false, 0, DT_SINGLELINE, RECT{16, 60, 300, 90});
    TsControlTextData plain;
    bmp->Canvas().Font().Set(L"Tahoma", -16, 0, clBlack);
    DrawControlTextEx(bmp->Canvas(), L"Недоступно", false, false, plain, DT_SINGLELINE, RECT{16, 110, 300, 140});
    GdiFlush();
    // Make the bitmap opaque for the window (its alpha is not shown anyway).
    PixelView v = bmp->View();
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) v.At(x, y) |= 0xFF000000u;
    const uint32_t gradientTop = v.At(W - 2, 1) & 0xFFFFFF;

    TForm* form = new TForm(Application);
    form->SetBorderStyle(TFormBorderStyle::bsSingle);
    form->SetCaption(L"Captions");
    form->SetBounds(40, 40, W + 40, H + 60);
    TsImage* img = new TsImage(form);
    img->SetParent(form);
    img->SetBounds(0, 0, W, H);
    img->Picture().Bitmap().Assign(bmp.get());
    form->Show();
    Pump(200);
    // The image draws with alpha blending: a channel may come out one off.
    const COLORREF shown = WindowPixel(form->Handle(), W - 2, 1);
    EXPECT_NEAR(int(GetRValue(shown)), int(gradientTop >> 16 & 0xFF), 1);
    EXPECT_NEAR(int(GetGValue(shown)), int(gradientTop >> 8 & 0xFF), 1);
    EXPECT_NEAR(int(GetBValue(shown)), int(gradientTop & 0xFF), 1);
    const String path = SaveWindowShot(form->Handle(), L"text_effects");
    EXPECT_FALSE(path.empty());
    Free(form);
}
