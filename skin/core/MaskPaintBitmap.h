// The skin item painters on the class library's bitmaps and device contexts,
// with the skin manager (nil: the default manager) as the source of sections
// and masks. The pixel work is skin/model/MaskPaint.h; these wrappers make
// the bitmaps 32-bit, turn background records into pixel views, and draw
// through GDI where a device context is the target. Nothing raises.
#pragma once
#include <vector>

#include "classlib/Graphics.h"
#include "skin/core/SkinManager.h"
#include "skin/model/MaskPaint.h"

// Rects of a window region (runs of key pixels).
using TAOR = std::vector<RECT>;

// nil → the default manager; nullptr when there is none.
TsSkinManager* ManagerOrDefault(TsSkinManager* manager);

void PaintSkinSectionBackground(int section, const String& sectionName, const TsBgCacheInfo& info,
                                TColor customColor, int imageIndex, int textureIndex, TsSkinManager* manager,
                                TBitmap* bmp, POINT offset, const RECT& r, int state);
void PaintSkinItem(int section, const String& sectionName, const TsBgCacheInfo& info, int imageIndex,
                   int textureIndex, TsSkinManager* manager, TBitmap* bmp, POINT offset, const RECT& r, int state,
                   int flag);
// Through a 32-bit bitmap of the rect's size, copied to dc at the rect.
void PaintSkinItemDC(int section, const String& sectionName, const TsBgCacheInfo& info, TsSkinManager* manager,
                     HDC dc, POINT offset, const RECT& r, int state, int flag);
// Section by name (secondName when the first is unknown) over the whole
// bitmap; with srcDC the DC's area at r's left/top is the background. Returns
// the section index, -1 when neither name is known.
int PaintSkinItemByName(TBitmap* bmp, const String& sectionName, const String& secondName, HDC srcDC, int flag,
                        const RECT& r, TsSkinManager* manager, int state);
void PaintSkinItemWithMask(int section, int borderMask, bool secondSet, TsSkinManager* manager, TBitmap* bmp,
                           POINT offset, const RECT& r, int state, int flag, const TsBgCacheInfo& info,
                           const String& sectionName);
void PaintSkinItemAlpha(int section, int flag, int state, TsSkinManager* manager, TBitmap* bmp, POINT offset,
                        const RECT& r);
void PaintMaskNineParts32(TBitmap* bmp, const RECT& r, int flag, TsSkinManager* manager, bool useParent, int state,
                          int mask, const TsBgCacheInfo& info);
void PaintMaskNineParts32Alpha(TBitmap* bmp, const RECT& r, int flag, TsSkinManager* manager, bool useParent,
                               int state, int mask, const TsBgCacheInfo& info);
// The mask's own manager when it has one, else manager (nil: the default).
void DrawMaskFrame32(TBitmap* bmp, POINT p, int state, const TsBgCacheInfo& info, int mask, int mode,
                     TsSkinManager* manager = nullptr);
void CollectMaskRegionRects(TAOR& rects, int windowWidth, int mask, bool bottom, int rowOffset,
                            TsSkinManager* manager = nullptr);
void CopyBitmapNineParts(TBitmap* dst, TBitmap* src, const RECT& dstRect, bool centre, int centreMode,
                         const RECT& edgeModes, const RECT& innerMargins, const RECT& outerMargins,
                         const RECT& srcRect);
void DrawButtonGlyph32(TBitmap* glyph, TBitmap* dst, const RECT& r, int state, int blendPercent, int glyphType,
                       int effectFlags, bool frameFlag, int frameCount);
// bmp8: an 8-bit bitmap (grey palette: index = level).
void CopyChannel8(TBitmap* bmp32, TBitmap* bmp8, int channel, bool toMask);
