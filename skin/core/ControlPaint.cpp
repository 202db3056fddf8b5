#include "skin/core/ControlPaint.h"

#include <algorithm>

#include "classlib/SysUtils.h"
#include "skin/core/SkinHooks.h"
#include "skin/core/SkinManager.h"
#include "skin/graphics/Bitmap32.h"
#include "skin/graphics/Utils.h"

using namespace skinpaint;

namespace {


PixelView Target(TBitmap* b)
{
    if (!b || b->Width() <= 0 || b->Height() <= 0) return {};
    if (b->PixelFormat() != TPixelFormat::pf32bit) b->SetPixelFormat(TPixelFormat::pf32bit);
    GdiFlush();
    return b->View();
}

bool FitsIn(TBitmap* b, const RECT& r)
{
    return b && r.left >= 0 && r.top >= 0 && r.right > r.left && r.bottom > r.top && r.right <= b->Width() &&
           r.bottom <= b->Height();
}

// The texture of a state: the hot one above state 0 when it exists.
int StateTexture(const TsCommonData& data, const TsSkinManager& m, int state, int hot, int normal)
{
    if (state > 0 && m.IsMaskIndexValid(hot)) return hot;
    return normal;
}

}  // namespace

void PaintSkinDataBackground(TsCommonData& data, const TsBgCacheInfo& info, int state, TBitmap* bmp, POINT offset,
                             const RECT& r)
{
    TsSkinManager* m = data.SkinManager();
    if (!m || !m->IsSectionIndexValid(data.SectionIndex)) return;
    TColor custom = data.CustomColor() ? data.OwnerColor() : SkinKeyColor;
    int texture = StateTexture(data, *m, state, data.HotTextureIndex, data.TextureIndex);
    PaintSkinSectionBackground(data.SectionIndex, data.SkinSection(), info, custom, data.TextureIndex,
                               state > 0 ? texture : -1, m, bmp, offset, r, state);
}

void PaintControlSkin(TsCommonData& data, const TsBgCacheInfo& info, int hotTexture, int texture, int flag,
                      TBitmap* bmp, POINT offset, const RECT& r, int state)
{
    TsSkinManager* m = data.SkinManager();
    if (!m || !m->IsSectionIndexValid(data.SectionIndex) || !FitsIn(bmp, r)) return;
    const TsSkinTables& t = m->Tables();
    const TsGeneralData& s = t.Sections[size_t(data.SectionIndex)];
    state = std::max(0, std::min(state, s.States - 1));
    int hot = hotTexture >= 0 ? hotTexture : data.HotTextureIndex;
    int normal = texture >= 0 ? texture : data.TextureIndex;
    TColor custom = data.CustomColor() ? data.OwnerColor() : SkinKeyColor;
    PaintSkinSectionBackground(data.SectionIndex, data.SkinSection(), info, custom, normal,
                               state > 0 ? StateTexture(data, *m, state, hot, normal) : -1, m, bmp, offset, r,
                               state);
    PixelView v = Target(bmp);
    PaintCornerImages(v, t, data.SectionIndex, ToPixRect(r), state);
    int mask = data.BorderMaskIndex;
    if (t.IsMaskIndexValid(mask) && !(state == 0 && (t.Masks[size_t(mask)].PaintFlags & 2))) {
        px::Background bg = BackgroundOf(info, bmp);
        bg.x += offset.x;
        bg.y += offset.y;
        skinpaint::PaintMaskNineParts32(v, ToPixRect(r), flag, t, true, state, mask, bg);
    } else if (s.Props[size_t(std::min(state, 1))].Transparency != 0) {
        return;
    }
    ApplyHueAndSaturation(v, ToPixRect(r), data.HUEOffset(), data.Saturation());
}

void FillTransparentCorners(TsCommonData& data, int state, int corners)
{
    TsSkinManager* m = data.SkinManager();
    if (!m || !m->IsMaskIndexValid(data.BorderMaskIndex) || !data.CacheBitmap || !data.OwnerControl) return;
    TsBgRequest answer;
    TsBgCacheInfo info = ParentBackgroundOf(data.OwnerControl, answer);
    if (answer.Kind == bgNone) return;
    PixelView cache = Target(data.CacheBitmap.get());
    PixelView parent;
    int parentX = info.X, parentY = info.Y;
    uint32_t color = KeyColor;
    std::unique_ptr<TBitmap> copy;
    if (answer.Kind == bgBitmap) {
        // A bitmap answer gives pixels, never its colour field (which is not set).
        TBitmap* b = info.Bmp;
        if (!b || b->Width() <= 0 || b->Height() <= 0) return;   // not ready
        if (b->PixelFormat() == TPixelFormat::pf32bit) {
            GdiFlush();
            parent = b->View();
        } else {
            // Other depths: the part behind the cache bitmap, read through GDI.
            RECT behind{info.X, info.Y, info.X + cache.width, info.Y + cache.height};
            RECT whole{0, 0, b->Width(), b->Height()};
            RECT part{};
            if (!IntersectRect(&part, &behind, &whole)) return;
            copy = std::make_unique<TBitmap>(part.right - part.left, part.bottom - part.top, TPixelFormat::pf32bit);
            BitBlt(copy->Canvas().Handle(), 0, 0, copy->Width(), copy->Height(), b->Canvas().Handle(), part.left,
                   part.top, SRCCOPY);
            GdiFlush();
            parent = copy->View();
            parentX -= part.left;
            parentY -= part.top;
        }
    } else if (answer.Color != SkinKeyColor) {
        color = uint32_t(ColorToRGB(answer.Color)) & 0xFFFFFFu;
    }
    FillMaskCorners(cache, m->Tables(), data.BorderMaskIndex, state, corners, parent, parentX, parentY, color);
}

void PaintControlBorder(HDC dc, const RECT& r, int extraWidth, RECT& inner, int state, TsCommonData& data)
{
    inner = r;
    TColor color = data.GetStateColor(state);
    TsSkinManager* m = data.SkinManager();
    TBitmap* cache = data.CacheBitmap.get();
    const int W = std::max(extraWidth, 0);
    auto inset = [](RECT a, int l, int t, int rt, int b) {
        a.left += l;
        a.top += t;
        a.right = std::max(a.left, a.right - rt);
        a.bottom = std::max(a.top, a.bottom - b);
        return a;
    };
    if (m && cache && m->IsMaskIndexValid(data.BorderMaskIndex) && m->IsSectionIndexValid(data.SectionIndex)) {
        TsBgRequest answer;
        TsBgCacheInfo info = ParentBackgroundOf(data.OwnerControl, answer);
        int mask = data.BorderMaskIndex;
        const TsMaskData& md = m->ma()[size_t(mask)];
        const TsGeneralData& s = m->gd()[size_t(data.SectionIndex)];
        int st = std::max(0, std::min(state, s.States - 1));
        int ml = m->MaskMarginLeft(mask), mt = m->MaskMarginTop(mask), mr = m->MaskMarginRight(mask),
            mb = m->MaskMarginBottom(mask);
        PixelView v = Target(cache);
        if (md.StateLayout == 1) {
            // The strips the grey mask blends over: the parent's pixels or the state colour.
            if (answer.Kind == bgBitmap && info.Bmp && info.Bmp->PixelFormat() == TPixelFormat::pf32bit) {
                int w = std::max({ml, mt, mr, mb});
                PixelView p = info.Bmp->View();
                Rect rr = ToPixRect(r);
                for (Rect strip : {Rect{rr.left, rr.top, rr.right, rr.top + w}, Rect{rr.left, rr.bottom - w, rr.right, rr.bottom},
                                   Rect{rr.left, rr.top, rr.left + w, rr.bottom}, Rect{rr.right - w, rr.top, rr.right, rr.bottom}})
                    CopyPixels(v, strip, p, strip.left + info.X, strip.top + info.Y);
            } else {
                FillFrame32(cache, r, ml, mt, mr, mb, color);
                v = Target(cache);
            }
        }
        PaintMaskNineParts32(cache, r, 0, m, true, st, mask, info);
        inner = inset(r, ml, mt, mr, mb);
        if (W > 0) {
            // The zone between the margins and the extra width in the state colour.
            RECT zone = inner;
            RECT wide = inset(r, W, W, W, W);
            FillFrame32(cache, zone, std::max(0, int(wide.left - zone.left)), std::max(0, int(wide.top - zone.top)),
                        std::max(0, int(zone.right - wide.right)), std::max(0, int(zone.bottom - wide.bottom)), color);
            inner = wide;
        }
        if (dc && dc != cache->Canvas().Handle()) {
            GdiFlush();
            int w = std::max({W, ml, mt, mr, mb});
            int areaW = r.right - r.left, areaH = r.bottom - r.top;
            HDC src = cache->Canvas().Handle();
            CopyBorderStrips(dc, r.left, r.top, w, src, r.left, r.top, areaW, areaH);
            BitBlt(dc, r.right - w, r.top, w, areaH, src, r.right - w, r.top, SRCCOPY);
            BitBlt(dc, r.left, r.bottom - w, areaW, w, src, r.left, r.bottom - w, SRCCOPY);
        }
        return;
    }
    if (W > 0 && dc) {
        FillBorderStrips(dc, r, W, color, W, W, W);
        inner = inset(r, W, W, W, W);
    }
}

TsControlTextData ControlTextDataOf(TsCommonData& data, TsTextSkin* skin, bool hot)
{
    TsControlTextData t;
    t.Skin = data.IsSkinned() ? skin : nullptr;
    t.Section = data.SectionIndex;
    t.CustomFont = data.CustomFont();
    t.Kind = data.ControlKind;
    TControl* owner = data.OwnerControl;
    t.Windowed = !owner || dynamic_cast<TWinControl*>(owner) != nullptr;
    t.HasParent = owner && owner->Parent();
    TsSkinManager* m = data.SkinManager();
    const int section = data.SectionIndex;
    t.FindFontSection = [owner, section, m, hot] { return FindFontSectionIndex(owner, section, m, hot); };
    t.Cache = data.CacheBitmap.get();
    t.HueOffset = data.HUEOffset();
    t.Saturation = data.Saturation();
    return t;
}

// ---------------------------------------------------------------- the manager for text and glows

TsSkinManager* TsManagerTextSkin::Manager() const { return manager_ ? manager_ : DefaultManager; }

bool TsManagerTextSkin::SectionValid(int section) const
{
    TsSkinManager* m = Manager();
    return m && m->IsSectionIndexValid(section);
}

int TsManagerTextSkin::StateCount(int section) const
{
    return SectionValid(section) ? Manager()->gd()[size_t(section)].States : 0;
}

TsTextStateColors TsManagerTextSkin::StateColors(int section, int state) const
{
    TsTextStateColors c;
    if (!SectionValid(section)) return c;
    const TsGenState& g = Manager()->gd()[size_t(section)].Props[size_t(std::clamp(state, 0, 1))];
    c.FontColor = g.FontColor;
    c.Contour[0] = g.TCLeft;
    c.Contour[1] = g.TCTop;
    c.Contour[2] = g.TCRight;
    c.Contour[3] = g.TCBottom;
    c.GlowColor = g.GlowColor;
    c.GlowSize = g.GlowSize;
    return c;
}

TColor TsManagerTextSkin::SecondBackColor(int section) const
{
    if (!SectionValid(section)) return clBtnFace;
    return SecondBackgroundValues(Manager()->gd()[size_t(section)]).Color;
}

TColor TsManagerTextSkin::GlobalColor() const
{
    TsSkinManager* m = Manager();
    return m ? m->GetGlobalColor() : clBtnFace;
}

int TsManagerTextSkin::Transparency(int section) const
{
    return SectionValid(section) ? Manager()->gd()[size_t(section)].Props[0].Transparency : 0;
}

int TsManagerTextSkin::WebButtonSection() const
{
    TsSkinManager* m = Manager();
    return m ? m->CommonIndexes().WebButton : -1;
}

void InstallControlPaintHooks()
{
    static TsManagerTextSkin defaultText(nullptr);
    static TsManagerGlowSkin defaultGlow(nullptr);
    SkinHooks.FillTransparentCorners = [](TsCommonData* data, int state, int corners) {
        if (data) FillTransparentCorners(*data, state, corners);
    };
    SetDefaultTextSkin(&defaultText);
    SetDefaultGlowSkin(&defaultGlow);
}
