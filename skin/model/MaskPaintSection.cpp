// Section backgrounds: colour, gradient and texture layers, see-through to the
// parent, texture placement modes, the grey-mask tiler, and the skin items
// composed of background, corner images and border (see MaskPaint.h).
#include <algorithm>

#include "skin/graphics/SkinColor.h"
#include "skin/graphics/Gradients.h"
#include "skin/model/MaskPaint.h"

namespace skinpaint {

MeshGradientPainter MeshPainter = nullptr;

namespace {

using pixel::A;
using pixel::B;
using pixel::G;
using pixel::Pack;
using pixel::R;
using px::Intersect;
using px::Sized;
using px::WholeOf;
uint32_t Rgb(TColor32 c) { return uint32_t(skincolor::ColorToRGB(c)) & 0xFFFFFFu; }

void Fill(const PixelView& dst, Rect r, uint32_t color) { px::FillRect32(dst, r, color, 255); }

// The parent's pixels under r: destination (x, y) takes parent (x + bg.x, y + bg.y).
void CopyParent(const PixelView& dst, Rect r, const Background& bg)
{
    if (bg.bmp.Empty() || bg.bmpIsDest) return;
    CopyPixels(dst, r, bg.bmp, r.left + bg.x, r.top + bg.y);
}

// What the layers of one state are made of.
struct Layers {
    uint32_t color = 0;       // RGB
    int transparency = 0;     // T
    int gradientPercent = 0;  // GP
    int imagePercent = 0;     // IP
    const TsGradArray* gradient = nullptr;
    int texture = -1;         // texture mask (StateLayout 0), or -1
    const PixelBitmap* pattern = nullptr;   // pattern picture when there is no texture
};

bool ShortcutGradient(const Layers& l, const TsSkinTables& t)
{
    if (l.gradientPercent + l.imagePercent != 100 || l.gradientPercent < 1 || l.gradientPercent > 99) return false;
    if (!t.IsMaskIndexValid(l.texture) || t.Masks[size_t(l.texture)].PaintFlags != 0) return false;
    if (!l.gradient || l.gradient->empty() || l.gradient->size() >= 3) return false;
    int mode = (*l.gradient)[0].Mode;
    return mode == 0 || mode == 1;
}

// Frame 0 of a texture: its rect and pixels.
bool TexturePart(const TsSkinTables& t, int mask, PixelView& view, Rect& part)
{
    MaskSource ms = MaskSourceOf(t, mask);
    if (ms.view.Empty() || ms.rect.Empty()) return false;
    const TsMaskData& m = t.Masks[size_t(mask)];
    part = Intersect(Sized(ms.rect.left, ms.rect.top, FrameWidthOf(m), StateHeightOf(m)), ms.rect);
    view = ms.view;
    return !part.Empty();
}

// The texture or pattern picture; false when there is none to paint.
bool PaintImageLayer(const PixelView& dst, Rect r, const Layers& l, const TsSkinTables& t, const Background& bg)
{
    if (t.IsMaskIndexValid(l.texture)) {
        std::vector<Rect> uncovered;
        PlaceTexture(dst, r, t, l.texture, bg, uncovered);
        for (const Rect& u : uncovered) Fill(dst, u, l.color);
        return true;
    }
    if (l.pattern) {
        PixelView pv = ViewOf(l.pattern);
        TilePixels(dst, r, pv, WholeOf(pv));
        return true;
    }
    return false;
}

void PaintLayers(const PixelView& dst, Rect r, const Layers& l, const TsSkinTables& t, const Background& bg)
{
    r = Intersect(r, WholeOf(dst));
    if (r.Empty()) return;
    int sum = l.gradientPercent + l.imagePercent;
    if (ShortcutGradient(l, t)) {
        PixelView tv;
        Rect tr;
        if (TexturePart(t, l.texture, tv, tr)) {
            FillGradientPartPixels(dst, r, *l.gradient, 255, l.imagePercent * 255 / 100, tv, tr);
            return;
        }
    }
    bool haveImage = false;
    if (l.imagePercent > 0) haveImage = PaintImageLayer(dst, r, l, t, bg);
    bool haveGradient = l.gradient && !l.gradient->empty();
    if (l.gradientPercent > 0) {
        if (haveImage) {
            PixelBitmap work = WorkBitmap(r.Width(), r.Height());
            Rect wr = WholeOf(work.View());
            if (haveGradient)
                PaintGradient(work.View(), wr, *l.gradient);
            else
                Fill(work.View(), wr, l.color);
            px::MixBitmapAt(dst, work.View(), r.left, r.top, wr,
                            uint8_t(std::clamp(l.imagePercent * 255 / 100, 0, 255)));
        } else if (haveGradient) {
            PaintGradient(dst, r, *l.gradient);
        } else {
            Fill(dst, r, l.color);
        }
    }
    if (sum <= 0 || (!haveImage && l.gradientPercent <= 0))
        Fill(dst, r, l.color);
    else if (sum < 100)
        px::BlendRectColor(dst, r, l.color, sum);
}

// The layer values of a state (custom colour, when given, wins and is plain).
Layers LayersOf(const TsSkinTables& t, int section, const std::string& name, const TsGenState& s, uint32_t custom,
                int textureArg)
{
    Layers l;
    if (custom != KeyColor) {
        l.color = Rgb(TColor32(custom));
        return l;
    }
    l.color = Rgb(s.Color);
    l.transparency = std::clamp(int(s.Transparency), 0, 100);
    if (l.transparency == 100) return l;
    l.imagePercent = std::clamp(int(s.ImagePercent), 0, 100);
    l.gradientPercent = std::clamp(int(s.GradientPercent), 0, 100);
    if (l.imagePercent > 0) {
        int tex = textureArg >= 0 ? textureArg : s.TextureIndex >= 0 ? s.TextureIndex
                                                                       : t.FindMaskIndex(section, name, "PATTERN");
        if (t.IsMaskIndexValid(tex) && t.Masks[size_t(tex)].StateLayout == 0)
            l.texture = tex;
        else {
            int pi = t.FindPatternIndex(section, name, "PATTERN");
            if (pi >= 0 && size_t(pi) < t.Patterns.size()) l.pattern = t.Patterns[size_t(pi)].Image.get();
        }
    }
    if (l.gradientPercent > 0) l.gradient = s.GradientArray.get();
    return l;
}

// A texture drawn over the result in the normal state: the image index's mask
// when it is grey-masked with mode 10 and no texture is given, or the given
// texture when it is grey-masked.
int OverlayTexture(const TsSkinTables& t, int imageIndex, int textureIndex)
{
    auto greyMode10 = [&](int i) {
        return t.IsMaskIndexValid(i) && t.Masks[size_t(i)].StateLayout > 0 && t.Masks[size_t(i)].PaintFlags == 10;
    };
    if (textureIndex == -1 && greyMode10(imageIndex)) return imageIndex;
    if (greyMode10(textureIndex)) return textureIndex;
    return -1;
}

}  // namespace

void PaintGradient(const PixelView& v, Rect r, const TsGradArray& g)
{
    if (g.empty()) return;
    if (g[0].Mode == gmTriangles) {
        if (MeshPainter) MeshPainter(v, r, g);
        return;
    }
    FillGradientBands(v, r, g);
}

// ---------------------------------------------------------------- grey-mask tiler

void TileGreyMask(const PixelView& dst, Rect r, const TsSkinTables& t, int mask, const Background& bg, int mode)
{
    if (dst.Empty() || !t.IsMaskIndexValid(mask)) return;
    const TsMaskData& m = t.Masks[size_t(mask)];
    MaskSource ms = MaskSourceOf(t, mask);
    if (ms.view.Empty() || ms.rect.Empty()) return;
    int tw = FrameWidthOf(m), th = GreyMaskRowOffset(m);
    if (tw <= 0 || th <= 0 || ms.rect.Width() < tw || ms.rect.Height() < 2 * th) return;
    Rect clipped = Intersect(r, WholeOf(dst));
    if (clipped.Empty()) return;
    bool wholeOnly = mode == 10;
    int right = wholeOnly ? r.left + (r.Width() / tw) * tw : r.right;
    int bottom = wholeOnly ? r.top + (r.Height() / th) * th : r.bottom;
    bool parentKey = bg.ready && bg.fillColor == KeyColor && !bg.bmp.Empty();
    uint32_t fill = px::ExchangeRedBlue(bg.fillColor) & 0xFFFFFFu;
    for (int y = std::max(r.top, clipped.top); y < std::min(bottom, clipped.bottom); ++y) {
        int sy = ms.rect.top + (y - r.top) % th;
        const uint32_t* pic = ms.view.Row(sy);
        const uint32_t* grey = ms.view.Row(sy + th);
        uint32_t* d = dst.Row(y);
        for (int x = std::max(r.left, clipped.left); x < std::min(right, clipped.right); ++x) {
            int sx = ms.rect.left + (x - r.left) % tw;
            uint32_t p = pic[sx];
            if (p == KeyColor) {
                if (bg.ready) {
                    if (!parentKey) {
                        d[x] = (d[x] & 0xFF000000u) | fill;
                        continue;
                    }
                    Point pp = ParentPoint(bg, x, y);
                    if (bg.bmp.Contains(pp.x, pp.y)) d[x] = bg.bmp.At(pp.x, pp.y);
                } else if (bg.fillColor != KeyColor) {
                    d[x] = (d[x] & 0xFF000000u) | fill;
                }
                continue;
            }
            uint32_t mk = grey[sx], dp = d[x];
            int nr = R(p) + (((R(dp) - R(p)) * R(mk)) >> 8);
            int ng = G(p) + (((G(dp) - G(p)) * G(mk)) >> 8);
            int nb = B(p) + (((B(dp) - B(p)) * B(mk)) >> 8);
            d[x] = Pack(nr, ng, nb, bg.ready ? 255 : A(dp));
        }
    }
    if (!wholeOnly) return;
    // The strips whole tiles leave at the right and the bottom.
    for (Rect strip : {Rect{right, r.top, r.right, r.bottom}, Rect{r.left, bottom, right, r.bottom}}) {
        strip = Intersect(strip, clipped);
        if (strip.Empty()) continue;
        if (bg.ready && !bg.bmp.Empty())
            CopyParent(dst, strip, bg);
        else
            Fill(dst, strip, bg.fillColor);
    }
}

// ---------------------------------------------------------------- textures

void PlaceTexture(const PixelView& dst, Rect r, const TsSkinTables& t, int mask, const Background& bg,
                  std::vector<Rect>& uncovered)
{
    if (dst.Empty() || r.Empty() || !t.IsMaskIndexValid(mask)) return;
    const TsMaskData& m = t.Masks[size_t(mask)];
    if (m.StateLayout > 0) {
        TileGreyMask(dst, r, t, mask, bg, m.PaintFlags == 10 ? 10 : 0);
        return;
    }
    PixelView tv;
    Rect tr;
    if (!TexturePart(t, mask, tv, tr)) return;
    int w = tr.Width(), h = tr.Height();
    switch (m.PaintFlags) {
    case 0:
    case 10:
        TilePixels(dst, r, tv, tr);
        break;
    case 1:
        StretchNearest(dst, r, tv, tr);
        break;
    case 2:
        TilePixels(dst, Rect{r.left, r.top, r.right, std::min(r.bottom, r.top + h)}, tv, tr);
        uncovered.push_back(Rect{r.left, r.top + h, r.right, r.bottom});
        break;
    case 3:
        TilePixels(dst, Rect{r.left, r.top, std::min(r.right, r.left + w), r.bottom}, tv, tr);
        uncovered.push_back(Rect{r.left + w, r.top, r.right, r.bottom});
        break;
    case 4:
        StretchNearest(dst, Rect{r.left, r.top, r.right, r.top + h}, tv, tr);
        uncovered.push_back(Rect{r.left, r.top + h, r.right, r.bottom});
        break;
    case 5:
        StretchNearest(dst, Rect{r.left, r.top, r.left + w, r.bottom}, tv, tr);
        uncovered.push_back(Rect{r.left + w, r.top, r.right, r.bottom});
        break;
    case 6:
        TilePixels(dst, Rect{r.left, std::max(r.top, r.bottom - h), r.right, r.bottom}, tv, tr);
        uncovered.push_back(Rect{r.left, r.top, r.right, r.bottom - h});
        break;
    case 7:
        TilePixels(dst, Rect{std::max(r.left, r.right - w), r.top, r.right, r.bottom}, tv, tr);
        uncovered.push_back(Rect{r.left, r.top, r.right - w, r.bottom});
        break;
    default:
        TilePixels(dst, Rect{std::max(r.left, r.right - w), r.top, r.right, r.bottom}, tv, tr);
        break;
    }
    // Keep only real areas.
    uncovered.erase(std::remove_if(uncovered.begin(), uncovered.end(), [](const Rect& u) { return u.Empty(); }),
                    uncovered.end());
}

// ---------------------------------------------------------------- section background

void PaintSectionBackgroundFrom(const PixelView& dst, const TsSkinTables& t, int section,
                                const std::string& sectionName, const TsGenState& values, const Background& bg,
                                uint32_t customColor, int imageIndex, int textureIndex, Point offset, Rect r,
                                int state)
{
    if (dst.Empty() || !t.IsSectionIndexValid(section)) return;
    const TsGeneralData& s = t.Sections[size_t(section)];
    const std::string& name = sectionName.empty() ? s.Name : sectionName;
    state = std::max(0, std::min({state, int(s.States) - 1, 1}));
    Layers l = LayersOf(t, section, name, values, customColor, textureIndex);
    Rect area = Intersect(r, WholeOf(dst));
    if (area.Empty()) return;
    Background shifted = bg;
    shifted.x += offset.x;
    shifted.y += offset.y;
    int T = l.transparency;

    if (bg.HasInfo() && T > 0) {
        bool haveBmp = !bg.bmp.Empty();
        if (T == 100) {
            if (bg.ready && haveBmp) {
                CopyParent(dst, area, shifted);
            } else if (haveBmp) {
                // A colour answer that still names the parent's bitmap: its frame
                // strips are copied, the rest is the colour.
                Fill(dst, area, bg.fillColor);
                const PixelView& p = bg.bmp;
                const int* fw = bg.frameWidths;
                Rect strips[4] = {{0, 0, fw[0], p.height},
                                  {0, 0, p.width, fw[1]},
                                  {p.width - fw[2], 0, p.width, p.height},
                                  {0, p.height - fw[3], p.width, p.height}};
                for (Rect st : strips) {
                    if (st.Empty()) continue;
                    // To destination coordinates.
                    Rect d{st.left - shifted.x, st.top - shifted.y, st.right - shifted.x, st.bottom - shifted.y};
                    d = Intersect(d, area);
                    if (!d.Empty()) CopyPixels(dst, d, p, d.left + shifted.x, d.top + shifted.y);
                }
            } else {
                Fill(dst, area, bg.fillColor);
            }
        } else if ((bg.ready && haveBmp) || l.gradientPercent + l.imagePercent > 0) {
            PixelBitmap work = WorkBitmap(area.Width(), area.Height());
            Background workBg = shifted;
            workBg.x += area.left;
            workBg.y += area.top;
            PaintLayers(work.View(), WholeOf(work.View()), l, t, workBg);
            if (bg.ready && haveBmp)
                CopyParent(dst, area, shifted);
            else
                Fill(dst, area, bg.fillColor);
            px::MixBitmapAt(dst, work.View(), area.left, area.top, WholeOf(work.View()),
                            uint8_t(PercentToWeight(T)));
        } else {
            Fill(dst, area, uint32_t(px::MixColors(bg.fillColor, l.color, T / 100.0)) & 0xFFFFFFu);
        }
    } else {
        PaintLayers(dst, area, l, t, shifted);
    }

    if (state == 0) {
        int overlay = OverlayTexture(t, imageIndex, textureIndex);
        if (overlay >= 0) TileGreyMask(dst, area, t, overlay, shifted, 10);
    }
}

void PaintSkinSectionBackground(const PixelView& dst, const TsSkinTables& t, int section,
                                const std::string& sectionName, const Background& bg, uint32_t customColor,
                                int imageIndex, int textureIndex, Point offset, Rect r, int state)
{
    if (!t.IsSectionIndexValid(section)) return;
    const TsGeneralData& s = t.Sections[size_t(section)];
    int st = std::max(0, std::min({state, int(s.States) - 1, 1}));
    PaintSectionBackgroundFrom(dst, t, section, sectionName, s.Props[size_t(st)], bg, customColor, imageIndex,
                               textureIndex, offset, r, state);
}

// ---------------------------------------------------------------- skin items

namespace {

bool ItemRectFits(const PixelView& dst, Rect r)
{
    return !dst.Empty() && !r.Empty() && r.left >= 0 && r.top >= 0 && r.right <= dst.width &&
           r.bottom <= dst.height;
}

}  // namespace

void PaintCornerImages(const PixelView& dst, const TsSkinTables& t, int section, Rect r, int state)
{
    if (dst.Empty() || !t.IsSectionIndexValid(section)) return;
    const TsGeneralData& s = t.Sections[size_t(section)];
    Background self = SelfBackground(dst);
    auto at = [&](int mask, bool right, bool bottom) {
        if (!t.IsMaskIndexValid(mask)) return;
        const TsMaskData& m = t.Masks[size_t(mask)];
        Point p{right ? r.right - FrameWidthOf(m) : r.left, bottom ? r.bottom - StateHeightOf(m) : r.top};
        DrawMaskFrame32(dst, p, state, self, t, mask, 1);
    };
    at(s.ImgTopLeft, false, false);
    at(s.ImgTopRight, true, false);
    at(s.ImgBottomLeft, false, true);
    at(s.ImgBottomRight, true, true);
}

void ApplyHueAndSaturation(const PixelView& dst, Rect r, int hueOffset, int saturation)
{
    if (dst.Empty() || (hueOffset == 0 && saturation == 0)) return;
    r = Intersect(r, WholeOf(dst));
    for (int y = r.top; y < r.bottom; ++y) {
        uint32_t* row = dst.Row(y);
        for (int x = r.left; x < r.right; ++x) {
            if ((row[x] & 0xFFFFFFu) == KeyColor) continue;
            if (hueOffset != 0) row[x] = px::ChangePixelHue(row[x], hueOffset);
            if (saturation != 0) row[x] = px::ChangePixelSaturation(row[x], saturation);
        }
    }
}

void PaintSkinItem(const PixelView& dst, const TsSkinTables& t, int section, const std::string& sectionName,
                   const Background& bg, int imageIndex, int textureIndex, Point offset, Rect r, int state, int flag)
{
    if (!ItemRectFits(dst, r) || !t.IsSectionIndexValid(section)) return;
    const TsGeneralData& s = t.Sections[size_t(section)];
    state = std::max(0, std::min(state, int(s.States) - 1));
    PaintSkinSectionBackground(dst, t, section, sectionName, bg, KeyColor, imageIndex, textureIndex, offset, r, state);
    PaintCornerImages(dst, t, section, r, state);
    Background shifted = bg;
    shifted.x += offset.x;
    shifted.y += offset.y;
    if (t.IsMaskIndexValid(s.BorderMaskIndex))
        PaintMaskNineParts32(dst, r, flag, t, true, state, s.BorderMaskIndex, shifted);
}

void PaintSkinItemWithMask(const PixelView& dst, const TsSkinTables& t, int section, int borderMask, bool secondSet,
                           Point offset, Rect r, int state, int flag, const Background& bg,
                           const std::string& sectionName)
{
    if (!ItemRectFits(dst, r) || !t.IsSectionIndexValid(section)) return;
    const TsGeneralData& s = t.Sections[size_t(section)];
    int st = std::max(0, std::min({state, int(s.States) - 1, 1}));
    const TsGenState& values = secondSet ? SecondBackgroundValues(s) : s.Props[size_t(st)];
    PaintSectionBackgroundFrom(dst, t, section, sectionName, values, bg, KeyColor, -1, -1, offset, r, state);
    Background shifted = bg;
    shifted.x += offset.x;
    shifted.y += offset.y;
    PaintMaskNineParts32(dst, r, flag, t, true, state, borderMask, shifted);
}

void PaintSkinItemAlpha(const PixelView& dst, const TsSkinTables& t, int section, int flag, int state, Point,
                        Rect r)
{
    // The offset point is taken for the callers' signature: the border's
    // background is the area itself, so nothing is looked up elsewhere.
    if (!ItemRectFits(dst, r) || !t.IsSectionIndexValid(section)) return;
    const TsGeneralData& s = t.Sections[size_t(section)];
    state = std::max(0, std::min(state, int(s.States) - 1));
    const TsGenState& v = s.Props[size_t(std::min(state, 1))];
    bool whole = r.left == 0 && r.top == 0 && r.right == dst.width && r.bottom == dst.height;

    // The target area as it was, one pixel wider and higher.
    PixelBitmap before = WorkBitmap(r.Width() + 1, r.Height() + 1, 0);
    CopyPixels(before.View(), WholeOf(before.View()), dst, r.left, r.top);

    Layers l = LayersOf(t, section, s.Name, v, KeyColor, -1);
    int T = l.transparency;
    uint8_t coverAlpha = uint8_t((100 - T) * 255 / 100);
    if (T == 100) {
        if (whole) px::FillRect32(dst, r, 0, 0);
    } else if (ShortcutGradient(l, t)) {
        PixelView tv;
        Rect tr;
        if (TexturePart(t, l.texture, tv, tr))
            FillGradientPartPixels(dst, r, *l.gradient, uint8_t(T < 50 ? 255 : 0), l.imagePercent * 255 / 100, tv,
                                   tr);
    } else if (l.gradientPercent + l.imagePercent > 0) {
        PaintLayers(dst, r, l, t, EmptyBackground());
    } else {
        uint32_t first = dst.At(r.left, r.top);
        if (first == 0) {
            px::FillRect32(dst, r, l.color, coverAlpha);
        } else if (T == 0) {
            px::FillRect32(dst, r, l.color, 255);
        } else {
            uint8_t a = uint8_t(std::max(A(first), int(coverAlpha)));
            px::TintRect32(dst, r, l.color, a, 100 - T);
        }
    }
    // The area as it was is the ready background of the border's key pixels.
    Background workBg = SelfBackground(before.View(), -r.left, -r.top);
    workBg.bmpIsDest = false;
    if (t.IsMaskIndexValid(s.BorderMaskIndex))
        PaintMaskNineParts32Alpha(dst, r, flag, t, true, state, s.BorderMaskIndex, workBg);
    if (whole) px::PremultiplyRect(dst, r);
}

}  // namespace skinpaint
