#include "skin/core/MaskPaintBitmap.h"

#include <algorithm>
#include <memory>

#include "classlib/GdiHandle.h"
#include "classlib/SysUtils.h"
#include "skin/graphics/Bitmap32.h"
#include "skin/graphics/GradientFill.h"
#include "skin/graphics/Utils.h"

using namespace skinpaint;

namespace {

Point P(POINT p) { return Point{int(p.x), int(p.y)}; }

// The pixels of a bitmap painted into: made 32-bit, pending GDI drawing done.
PixelView Target(TBitmap* b)
{
    if (!b || b->Width() <= 0 || b->Height() <= 0) return {};
    if (b->PixelFormat() != TPixelFormat::pf32bit) b->SetPixelFormat(TPixelFormat::pf32bit);
    GdiFlush();
    return b->View();
}

const TsSkinTables* TablesOf(TsSkinManager* manager)
{
    TsSkinManager* m = ManagerOrDefault(manager);
    return m ? &m->Tables() : nullptr;
}

// The triangle mesh drawn by the system into a work bitmap and copied back.
void MeshThroughGdi(const PixelView& v, Rect r, const TsGradArray& g)
{
    Rect c{std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, v.width), std::min(r.bottom, v.height)};
    if (c.Empty()) return;
    TBitmap work(r.Width(), r.Height(), TPixelFormat::pf32bit);
    FillGradient(&work, RECT{0, 0, r.Width(), r.Height()}, g);
    GdiFlush();
    CopyPixels(v, c, work.View(), c.left - r.left, c.top - r.top);
}
[[maybe_unused]] const bool meshBound = (MeshPainter = &MeshThroughGdi, true);

// A 32-bit copy of any bitmap (or the bitmap itself when it is 32-bit).
struct Pixels32 {
    std::unique_ptr<TBitmap> copy;
    PixelView view;
    explicit Pixels32(TBitmap* b)
    {
        if (!b || b->Width() <= 0 || b->Height() <= 0) return;
        if (b->PixelFormat() == TPixelFormat::pf32bit) {
            GdiFlush();
            view = b->View();
            return;
        }
        copy = std::make_unique<TBitmap>();
        copy->Assign(b);
        copy->SetPixelFormat(TPixelFormat::pf32bit);
        GdiFlush();
        view = copy->View();
    }
};

}  // namespace

TsSkinManager* ManagerOrDefault(TsSkinManager* manager) { return manager ? manager : DefaultManager; }

void PaintSkinSectionBackground(int section, const String& sectionName, const TsBgCacheInfo& info,
                                TColor customColor, int imageIndex, int textureIndex, TsSkinManager* manager,
                                TBitmap* bmp, POINT offset, const RECT& r, int state)
{
    const TsSkinTables* t = TablesOf(manager);
    if (!t) return;
    PixelView v = Target(bmp);
    uint32_t custom = customColor == SkinKeyColor ? KeyColor : uint32_t(ColorToRGB(customColor)) & 0xFFFFFFu;
    skinpaint::PaintSkinSectionBackground(v, *t, section, StringToUtf8(sectionName), BackgroundOf(info, bmp), custom,
                                          imageIndex, textureIndex, P(offset), ToPixRect(r), state);
}

void PaintSkinItem(int section, const String& sectionName, const TsBgCacheInfo& info, int imageIndex,
                   int textureIndex, TsSkinManager* manager, TBitmap* bmp, POINT offset, const RECT& r, int state,
                   int flag)
{
    const TsSkinTables* t = TablesOf(manager);
    if (!t) return;
    PixelView v = Target(bmp);
    skinpaint::PaintSkinItem(v, *t, section, StringToUtf8(sectionName), BackgroundOf(info, bmp), imageIndex,
                             textureIndex, P(offset), ToPixRect(r), state, flag);
}

void PaintSkinItemDC(int section, const String& sectionName, const TsBgCacheInfo& info, TsSkinManager* manager,
                     HDC dc, POINT offset, const RECT& r, int state, int flag)
{
    const TsSkinTables* t = TablesOf(manager);
    if (!t || !dc || !t->IsSectionIndexValid(section) || r.left < 0 || r.top < 0 || r.right <= r.left ||
        r.bottom <= r.top)
        return;
    int w = r.right - r.left, h = r.bottom - r.top;
    std::unique_ptr<TBitmap> work(NewBitmap32(w, h));
    PaintSkinItem(section, sectionName, info, -1, -1, manager, work.get(), offset, RECT{0, 0, w, h}, state, flag);
    SavedDC saved(dc);
    BitBlt(dc, r.left, r.top, w, h, work->Canvas().Handle(), 0, 0, SRCCOPY);
}

int PaintSkinItemByName(TBitmap* bmp, const String& sectionName, const String& secondName, HDC srcDC, int flag,
                        const RECT& r, TsSkinManager* manager, int state)
{
    TsSkinManager* m = ManagerOrDefault(manager);
    if (!m) return -1;
    int section = m->FindSectionIndex(sectionName);
    String name = sectionName;
    if (section < 0) {
        section = m->FindSectionIndex(secondName);
        name = secondName;
    }
    if (section < 0 || !bmp) return section;
    TsBgCacheInfo info = EmptyBgCacheInfo;
    if (srcDC) {
        Target(bmp);
        BitBlt(bmp->Canvas().Handle(), 0, 0, bmp->Width(), bmp->Height(), srcDC, r.left, r.top, SRCCOPY);
        info = InitBgCacheInfo(bmp, 0, 0);
    }
    PaintSkinItem(section, name, info, -1, -1, m, bmp, POINT{0, 0}, RECT{0, 0, bmp->Width(), bmp->Height()}, state,
                  flag);
    return section;
}

void PaintSkinItemWithMask(int section, int borderMask, bool secondSet, TsSkinManager* manager, TBitmap* bmp,
                           POINT offset, const RECT& r, int state, int flag, const TsBgCacheInfo& info,
                           const String& sectionName)
{
    const TsSkinTables* t = TablesOf(manager);
    if (!t) return;
    PixelView v = Target(bmp);
    skinpaint::PaintSkinItemWithMask(v, *t, section, borderMask, secondSet, P(offset), ToPixRect(r), state, flag,
                                     BackgroundOf(info, bmp), StringToUtf8(sectionName));
}

void PaintSkinItemAlpha(int section, int flag, int state, TsSkinManager* manager, TBitmap* bmp, POINT offset,
                        const RECT& r)
{
    const TsSkinTables* t = TablesOf(manager);
    if (!t) return;
    skinpaint::PaintSkinItemAlpha(Target(bmp), *t, section, flag, state, P(offset), ToPixRect(r));
}

void PaintMaskNineParts32(TBitmap* bmp, const RECT& r, int flag, TsSkinManager* manager, bool useParent, int state,
                          int mask, const TsBgCacheInfo& info)
{
    const TsSkinTables* t = TablesOf(manager);
    if (!t) return;
    PixelView v = Target(bmp);
    skinpaint::PaintMaskNineParts32(v, ToPixRect(r), flag, *t, useParent, state, mask, BackgroundOf(info, bmp));
}

void PaintMaskNineParts32Alpha(TBitmap* bmp, const RECT& r, int flag, TsSkinManager* manager, bool useParent,
                               int state, int mask, const TsBgCacheInfo& info)
{
    const TsSkinTables* t = TablesOf(manager);
    if (!t) return;
    PixelView v = Target(bmp);
    skinpaint::PaintMaskNineParts32Alpha(v, ToPixRect(r), flag, *t, useParent, state, mask, BackgroundOf(info, bmp));
}

namespace {
TsSkinManager* MaskManager(int mask, TsSkinManager* manager)
{
    TsSkinManager* m = ManagerOrDefault(manager);
    if (m && m->IsMaskIndexValid(mask) && m->ma()[size_t(mask)].Manager) return m->ma()[size_t(mask)].Manager;
    return m;
}
}  // namespace

void DrawMaskFrame32(TBitmap* bmp, POINT p, int state, const TsBgCacheInfo& info, int mask, int mode,
                     TsSkinManager* manager)
{
    TsSkinManager* m = MaskManager(mask, manager);
    if (!m) return;
    PixelView v = Target(bmp);
    skinpaint::DrawMaskFrame32(v, P(p), state, BackgroundOf(info, bmp), m->Tables(), mask, mode);
}

void CollectMaskRegionRects(TAOR& rects, int windowWidth, int mask, bool bottom, int rowOffset,
                            TsSkinManager* manager)
{
    TsSkinManager* m = MaskManager(mask, manager);
    if (!m) return;
    std::vector<Rect> runs;
    skinpaint::CollectMaskRegionRects(runs, windowWidth, m->Tables(), mask, bottom, rowOffset);
    for (const Rect& r : runs) rects.push_back(ToRECT(r));
}

void CopyBitmapNineParts(TBitmap* dst, TBitmap* src, const RECT& dstRect, bool centre, int centreMode,
                         const RECT& edgeModes, const RECT& innerMargins, const RECT& outerMargins,
                         const RECT& srcRect)
{
    Pixels32 s(src);
    PixelView d = Target(dst);
    skinpaint::CopyBitmapNineParts(d, s.view, ToPixRect(dstRect), centre, centreMode, ToPixRect(edgeModes), ToPixRect(innerMargins),
                                   ToPixRect(outerMargins), ToPixRect(srcRect));
}

void DrawButtonGlyph32(TBitmap* glyph, TBitmap* dst, const RECT& r, int state, int blendPercent, int glyphType,
                       int effectFlags, bool frameFlag, int frameCount)
{
    if (!glyph || !dst) return;
    bool sixteen = glyph->PixelFormat() == TPixelFormat::pf4bit;
    Pixels32 g(glyph);
    PixelView d = Target(dst);
    skinpaint::DrawButtonGlyph32(g.view, sixteen, d, ToPixRect(r), state, blendPercent, glyphType, effectFlags, frameFlag,
                                 frameCount);
}

void CopyChannel8(TBitmap* bmp32, TBitmap* bmp8, int channel, bool toMask)
{
    if (!bmp8 || bmp8->PixelFormat() != TPixelFormat::pf8bit || bmp8->Width() <= 0 || bmp8->Height() <= 0) return;
    PixelView v = Target(bmp32);
    RawPixelView raw = bmp8->RawView();
    skinpaint::CopyChannel8(v, BytePixelView{raw.bits, raw.stride, raw.width, raw.height}, channel, toMask);
}
