// Skin item painters on plain pixel views: the section background (colour,
// gradient, texture, see-through to the parent), the nine-part border masks,
// corner images and glyphs, the grey-mask tiler, window-region runs of a
// mask's key-colour corners, the nine-part copy of a plain picture, button
// glyphs and channel copies. Free of <windows.h>: the skin comes as the
// loaded tables, bitmaps as views; skin/core/MaskPaintBitmap.h wraps these
// for the class library's bitmaps and the skin manager.
//
// Painters never raise and never hang: invalid indexes, empty views, empty
// rects, and parts, tiles or textures of width or height 0 or less draw
// nothing; a frame count of 0 or less counts as 1; every read of a mask is
// limited to its rect clipped to its bitmap.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "classlib/PixelView.h"
#include "skin/model/MaskData.h"
#include "skin/graphics/EffectsView.h"
#include "skin/graphics/PixelOps.h"

namespace skinpaint {

using px::KeyColor;
using px::Rect;

struct Point {
    int x = 0, y = 0;
};

// The background behind the painted item: px::Background (skin/graphics/PixelOps.h).
using px::Background;
using px::EmptyBackground;
using px::SelfBackground;

// ---------------------------------------------------------------- the library's rules

// A frame count of 0 or less counts as 1.
int EffectiveFrameCount(const TsMaskData& m);
// Width of one frame: the mask rect's width div the effective frame count.
int FrameWidthOf(const TsMaskData& m);
// Distance from a picture row to its grey-mask row, and the height of one
// state: mask rect height div (StateLayout + 1), for every painter of the
// library (the nine parts, the glyph rule, the tiler and the texture paths).
// StateLayout 0 or less: the whole height (there is no grey mask).
int GreyMaskRowOffset(const TsMaskData& m);
int StateHeightOf(const TsMaskData& m);
// Frame := min(state, frame count - 1), never below 0.
int FrameOfState(const TsMaskData& m, int state);
// Source index of destination pixel i when n pixels are stretched to d by
// nearest neighbour (pixel centres): (2i + 1) * n div 2d.
inline int NearestSourceIndex(int i, int n, int d) { return int((int64_t(2 * i + 1) * n) / (int64_t(2) * d)); }
// "Nearest" weight of a percent on the 0..255 scale: nearest(percent * 2.55).
int PercentToWeight(int percent);
// The set of background values the extended painter uses when its selector is
// set: the section's second (hot) state values.
const TsGenState& SecondBackgroundValues(const TsGeneralData& section);
// Where the parent pixel for destination (x, y) lies: (x + bg.x, y + bg.y),
// with the offset point already added to bg.x / bg.y by the caller.
inline Point ParentPoint(const Background& bg, int x, int y) { return {x + bg.x, y + bg.y}; }

// A mask's pixels and its rect clipped to them (empty view: nothing to read).
struct MaskSource {
    PixelView view;
    Rect rect;              // the mask rect, clipped to view
    bool ownCovers = true;  // own bitmap: the unclipped rect lies inside it
};
MaskSource MaskSourceOf(const TsSkinTables& t, int maskIndex);
PixelView ViewOf(const PixelBitmap* b);

// The fill of a new work bitmap: white with alpha 0, like a new 32-bit TBitmap.
constexpr uint32_t kNewBitmapFill = 0x00FFFFFFu;
// A painter's short-lived 32-bit work bitmap (plain memory), filled with fill.
inline PixelBitmap WorkBitmap(int width, int height, uint32_t fill = kNewBitmapFill)
{
    return PixelBitmap(width, height, fill, PixelBitmap::stMemory);
}

// Nearest-neighbour copy of src rect sr into dst rect dr (both clipped).
void StretchNearest(const PixelView& dst, Rect dr, const PixelView& src, Rect sr);
// Plain copy (sizes from dr, source from (sx, sy)); clipped on both sides.
void CopyPixels(const PixelView& dst, Rect dr, const PixelView& src, int sx, int sy);
// Tiles src rect sr over dr from dr's top-left; the last tiles are cut.
void TilePixels(const PixelView& dst, Rect dr, const PixelView& src, Rect sr);

// The band and texture gradients of the layers; mode 2 (the triangle mesh)
// needs the system's GradientFill and is drawn through this hook when it is
// set (by the bitmap-level unit), else not at all.
using MeshGradientPainter = void (*)(const PixelView& v, Rect r, const TsGradArray& g);
extern MeshGradientPainter MeshPainter;
void PaintGradient(const PixelView& v, Rect r, const TsGradArray& g);

// ---------------------------------------------------------------- painters

// Nine-part border. flag is kept for the callers' signature and has no effect.
void PaintMaskNineParts32(const PixelView& dst, Rect r, int flag, const TsSkinTables& t, bool useParent, int state,
                          int mask, const Background& bg);
// The same keeping per-pixel alpha (layered windows and alpha images).
void PaintMaskNineParts32Alpha(const PixelView& dst, Rect r, int flag, const TsSkinTables& t, bool useParent,
                               int state, int mask, const Background& bg);

// One state frame of a mask at p; mode 1 normal, other modes fainter.
void DrawMaskFrame32(const PixelView& dst, Point p, int state, const Background& bg, const TsSkinTables& t, int mask,
                     int mode);

// Tiles a grey-masked picture (frame 0) over r; mode 0 cuts the last tiles,
// mode 10 lays whole tiles and fills the strips left over.
void TileGreyMask(const PixelView& dst, Rect r, const TsSkinTables& t, int mask, const Background& bg, int mode);

// Places a texture mask (frame 0) over r by its placement mode; returns the
// parts of r it left uncovered that are to be filled with the colour.
void PlaceTexture(const PixelView& dst, Rect r, const TsSkinTables& t, int mask, const Background& bg,
                  std::vector<Rect>& uncovered);

// Background of one state of a section. sectionName: as looked up (empty: the section's own).
void PaintSkinSectionBackground(const PixelView& dst, const TsSkinTables& t, int section,
                                const std::string& sectionName, const Background& bg, uint32_t customColor,
                                int imageIndex, int textureIndex, Point offset, Rect r, int state);
// The same from a chosen set of state values (the extended painter).
void PaintSectionBackgroundFrom(const PixelView& dst, const TsSkinTables& t, int section,
                                const std::string& sectionName, const TsGenState& values, const Background& bg,
                                uint32_t customColor, int imageIndex, int textureIndex, Point offset, Rect r,
                                int state);

// Background, corner images and border mask of a section.
void PaintSkinItem(const PixelView& dst, const TsSkinTables& t, int section, const std::string& sectionName,
                   const Background& bg, int imageIndex, int textureIndex, Point offset, Rect r, int state, int flag);
// The section's four corner images that exist, drawn over what is painted
// (their key pixels keep it): top-left at r's top-left, top-right at (right -
// frame width, top), bottom-left at (left, bottom - state height), bottom-right
// at (right - frame width, bottom - state height).
void PaintCornerImages(const PixelView& dst, const TsSkinTables& t, int section, Rect r, int state);
// Hue (degrees) and saturation changes over every pixel of r but the key colour's.
void ApplyHueAndSaturation(const PixelView& dst, Rect r, int hueOffset, int saturation);
// Extended background (second value set when secondSet) and the given mask nine-part.
void PaintSkinItemWithMask(const PixelView& dst, const TsSkinTables& t, int section, int borderMask,
                           bool secondSet, Point offset, Rect r, int state, int flag, const Background& bg,
                           const std::string& sectionName);
// Like PaintSkinItem, keeping per-pixel alpha; the rect is premultiplied when
// it covers the whole bitmap.
void PaintSkinItemAlpha(const PixelView& dst, const TsSkinTables& t, int section, int flag, int state, Point offset,
                        Rect r);

// Appends the key-colour runs of the top (bottom false) or bottom rows of the
// mask's state 0 / frame 0, left-margin columns then right-margin columns
// (placed at windowWidth - frame width + column), as one-row rects.
void CollectMaskRegionRects(std::vector<Rect>& out, int windowWidth, const TsSkinTables& t, int mask, bool bottom,
                            int rowOffset);

// Corner flags of FillMaskCorners.
enum CornerFlag { cfTopLeft = 1, cfBottomLeft = 2, cfTopRight = 4, cfBottomRight = 8, cfAllCorners = 15 };
// The corner areas of a control's cache bitmap (the mask's corner parts of the
// state's frame, margins as sizes) take, where the mask pixel is the key
// colour, the parent's pixel at (x + parentX, y + parentY) when parent is not
// empty, else color (RGB; nothing when it is the key colour); written with alpha 0.
void FillMaskCorners(const PixelView& cache, const TsSkinTables& t, int mask, int state, int corners,
                     const PixelView& parent, int parentX, int parentY, uint32_t color);

// Nine-part copy of a plain picture. edgeModes: left, top, right, bottom edge
// modes in a rect (0 tile, 1 stretch); inner and outer margins as rects of
// widths; srcRect the part of src used.
void CopyBitmapNineParts(const PixelView& dst, const PixelView& src, Rect dstRect, bool centre, int centreMode,
                         Rect edgeModes, Rect innerMargins, Rect outerMargins, Rect srcRect);

// Glyph types.
enum GlyphType { gtNormal = 0, gtDisabled = 1, gtHot = 2, gtDown = 3 };
// glyph: the glyph as 32-bit pixels; sixteenColours: it came from a 4-bit bitmap.
void DrawButtonGlyph32(const PixelView& glyph, bool sixteenColours, const PixelView& dst, Rect r, int state,
                       int blendPercent, int glyphType, int effectFlags, bool frameFlag, int frameCount);
// The frame DrawButtonGlyph32 takes for a multi-frame glyph with the frame flag set.
int GlyphFrameFor(int glyphType, int state, int frames, bool sixteenColours);

// One byte (channel 0 blue .. 3 alpha) of every pixel into the 8-bit mask
// (toMask) or back; the common part of the two sizes.
void CopyChannel8(const PixelView& bmp, const BytePixelView& mask, int channel, bool toMask);

}  // namespace skinpaint
