// The records of a loaded skin: sections, masks (image elements), patterns
// (large pictures), the skin header, the palette and the cache of common
// indexes, with the geometry rules of a mask, the ranges of the numbers an
// options file gives them, and the look-ups by name through PARENTCLASS
// (resolved once per load). Free of window code.
#pragma once
#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "classlib/PixelBitmap.h"
#include "classlib/PixelView.h"
#include "skin/graphics/SkinColor.h"
#include "skin/graphics/Constants.h"   // TsGradStop, TsGradArray

using TColor32 = skincolor::Color;
class TsSkinManager;


// The range each kind of number an options file gives is held to. The loader
// bounds every number once, where it reads it, so that what comes after (frame
// widths, state heights, rectangle sizes, state indexes, sums of percents)
// can neither overflow nor divide by zero or -1. Rectangle edges and sizes stop
// at the largest bitmap side; they are clipped to the image they index later.
struct TsNumberRange {
    int32_t Min, Max;
};
namespace SkinRange {
inline constexpr TsNumberRange Coordinate{0, ImageLimits::kMaxSide};                    // mask rectangle edges
inline constexpr TsNumberRange Margin{0, ImageLimits::kMaxSide};                        // mask margins, border widths
inline constexpr TsNumberRange Frames{0, ImageLimits::kMaxSide};                        // frames side by side
inline constexpr TsNumberRange StateLayout{-1, ImageLimits::kMaxSide};                  // -1 no states, n: n + 1 rows
inline constexpr TsNumberRange PaintFlags{0, INT16_MAX};
inline constexpr TsNumberRange Offset{-ImageLimits::kMaxSide, ImageLimits::kMaxSide};   // header sizes and offsets
inline constexpr TsNumberRange States{0, 255};                                          // section states
inline constexpr TsNumberRange Percent{0, 100};                                         // transparency, image, gradient
inline constexpr TsNumberRange Byte{0, 255};                                            // glow sizes and strengths
inline constexpr TsNumberRange Iterations{-1, 255};                                     // fading steps (-1: not given)
}  // namespace SkinRange
inline int32_t Bounded(int64_t v, TsNumberRange r) { return int32_t(std::clamp<int64_t>(v, r.Min, r.Max)); }

// A gradient array shared between an Ini... field and the Props field
// assigned from it, so that changing the colours of one changes both.
using TsGradArrayRef = std::shared_ptr<TsGradArray>;

// ";"-separated words (empty words skipped), five per stop: Color1, Color2,
// Percent, Mode, unused. A field that is not a number throws SkinError (Convert).
TsGradArrayRef ParseGradientData(const std::string& data);

// Decoded images are shared: masks that name the same file hold one bitmap.
using TsBitmapRef = std::shared_ptr<PixelBitmap>;

// One image element.
struct TsMaskData {
    TsBitmapRef Bmp;   // own bitmap (maybe shared with other masks), or null: cut from the master bitmap
    std::string SectionName;
    std::string PropertyName;
    px::Rect SourceRect;
    int16_t FrameCount = 0;
    int16_t StateLayout = 0;
    int16_t BorderWidth = 0;
    int16_t PaintFlags = 0;
    uint8_t Kind = 0;   // 0 border, 1 texture, 2 glyph, 3 and 4 stored only
    TsSkinManager* Manager = nullptr;
    int16_t MarginLeft = 0, MarginTop = 0, MarginRight = 0, MarginBottom = 0;
    int16_t CornerTransparency = 0;
};
using TsMaskArray = std::vector<TsMaskData>;

int MaskFrameWidth(const TsMaskData& m);
int MaskStateHeight(const TsMaskData& m);
// Clips SourceRect to the bitmap it lies in (an empty rect stays empty).
void ClipMaskRect(TsMaskData& m, int bitmapWidth, int bitmapHeight);
// 0 no key pixel in the corners of the first frame and state, 1 at least one,
// 2 for BUTTON_HUGE's BORDERSMASK (not examined).
int16_t ComputeCornerTransparency(const TsMaskData& m, const PixelBitmap* bitmap);

// Cuts the cycles of a parent relation given as indexes (-1: none), as
// TsSkinTables::ResolveInheritance describes; linear in the entries.
void CutParentCycles(std::vector<int>& parents);

// One large picture.
struct TsPatternData {
    TsBitmapRef Image;
    std::string SectionName;
    std::string PropertyName;
};
using TsPatternArray = std::vector<TsPatternData>;

struct TsGenState {
    TColor32 Color = 0xFFFFFF;
    TColor32 FontColor = 0;
    TColor32 TCLeft = -1, TCTop = -1, TCRight = -1, TCBottom = -1;
    int32_t GradientPercent = 0;
    std::string GradientData;
    TsGradArrayRef GradientArray;
    int32_t ImagePercent = 0;
    int32_t TextureIndex = -1;
    TColor32 GlowColor = 0xFFFFFF;
    uint8_t GlowSize = 0;
    int32_t Transparency = 0;
};
using TsProps = std::array<TsGenState, 2>;

struct TsGeneralData {
    std::string ParentClass;
    std::string Name;
    int32_t ParentIndex = -1;   // the section ParentClass names (cycles cut), set by ResolveInheritance
    int32_t States = 3;
    TsProps Props;
    bool GiveOwnFont = false;
    bool ReservedBoolean = false;
    bool ShowFocus = false;
    int32_t Glow = 0;
    int32_t GlowMargin = 0;
    int32_t BorderMaskIndex = -1;
    int32_t ImgTopLeft = -1, ImgTopRight = -1, ImgBottomLeft = -1, ImgBottomRight = -1;
    int32_t PatternIndex = -1;
    TColor32 IniColor = 0xFFFFFF;
    int32_t IniTransparency = 0;
    int32_t IniGradientPercent = 0;
    std::string IniGradientData;
    TsGradArrayRef IniGradientArray;
    int32_t IniImagePercent = 0;
    TColor32 IniFontColor = 0;
    TColor32 IniTCLeft = -1, IniTCTop = -1, IniTCRight = -1, IniTCBottom = -1;
    TColor32 IniHotColor = 0xFFFFFF;
    int32_t IniHotTransparency = 0;
    int32_t IniHotGradientPercent = 0;
    std::string IniHotGradientData;
    TsGradArrayRef IniHotGradientArray;
    int32_t IniHotImagePercent = 0;
    TColor32 IniHotFontColor = 0;
    TColor32 IniHotTCLeft = -1, IniHotTCTop = -1, IniHotTCRight = -1, IniHotTCBottom = -1;
    bool FadingEnabled = false;
    int32_t FadingIterations = 5;
    TColor32 IniHotGlowColor = 0xFFFFFF;
    TColor32 IniGlowColor = 0xFFFFFF;
    uint8_t IniHotGlowSize = 0;
    uint8_t IniGlowSize = 0;
};
using TsGeneralDataArray = std::vector<TsGeneralData>;

// The header of the loaded skin (GLOBALINFO).
struct TsSkinData {
    std::string SkinFolder;   // with a trailing "\"; empty for an internal skin
    bool Active = false;
    double Version = 0;
    std::string Author;
    std::string Description;
    TColor32 Shadow1Color = 0;
    int16_t Shadow1Offset = 0;
    int16_t Shadow1Blur = -1;
    int16_t Shadow1Transparency = 0;
    int16_t BorderWidth = 4;
    int16_t TitleHeight = 30;
    int16_t MaxTitleHeight = 30;
    int16_t FormOffset = 0;
    int16_t CenterOffset = 0;
    int16_t BorderMode = 0;
    int16_t AlignOffset = 0;
    int16_t AlignOffsetRight = 0;
    int16_t AlignOffsetTop = 0;
    int16_t AlignOffsetBottom = 0;
    int16_t BISpace = 0, BIVAlign = 0, BIRight = 0, BILeft = 0, BITop = 0;
    int16_t BIKeepHue = 0;
    int16_t BIConCloseGlow = 0, BIConCloseGlowMargin = 0;
    int16_t BIConMaxGlow = 0, BIConMaxGlowMargin = 0;
    int16_t BIConMinGlow = 0, BIConMinGlowMargin = 0;
    bool AeroBlur = false;
};

constexpr int kPaletteSize = 28;
using TsPalette = std::array<TColor32, kPaletteSize>;

// Indexes of frequently used elements; -1 when absent.
enum TsScrollPart { spBtnTop, spBtnBottom, spBtnLeft, spBtnRight, spSliderV, spSliderH, spCount };
enum TsTabSide { tsTop, tsBottom, tsLeft, tsRight, tsCount };
enum TsScrollBarPart { sb1H, sb1V, sb2H, sb2V, sbCount };
// GLOBALINFO masks in this order (GlobalMasks).
extern const char* const kCommonGlobalMasks[24];
struct TsCommonIndexes {
    int16_t GlobalInfo = -1;
    std::array<int16_t, 24> GlobalMasks;   // see kCommonGlobalMasks
    int16_t ComboBtn = -1, ComboBtnBorder = -1, ComboBtnPattern = -1, ComboBtnHotPattern = -1;
    int16_t ComboBoxGlyph = -1;
    std::array<int16_t, tsCount> Tab, TabBorder;
    std::array<int16_t, spCount> ScrollSection, ScrollBorder, ScrollGlyph, ScrollPattern, ScrollHotPattern;
    std::array<int16_t, sbCount> BarSection, BarBorder, BarPattern, BarHotPattern;
    int16_t WebButton = -1;
    TsCommonIndexes() { Reset(); }
    void Reset();
    int16_t Global(const char* name) const;   // by GLOBALINFO mask name
};

// Everything a load produces. The manager loads into a fresh instance and
// swaps it in only when the load succeeded.
struct TsSkinTables {
    TsSkinData SkinData;
    TsGeneralDataArray Sections;
    TsMaskArray Masks;
    TsPatternArray Patterns;
    TsBitmapRef MasterBitmap;
    TsPalette Palette{};
    TsCommonIndexes Common;
    // Name to index of Sections, built by ResolveInheritance; look-ups fall
    // back to a scan while it does not cover every section.
    std::unordered_map<std::string, int> SectionIndexByName;

    // Builds SectionIndexByName and every section's ParentIndex, in time
    // linear in the sections. A PARENTCLASS cycle is cut where a walk from the
    // first of its sections in file order comes back into it: the section that
    // closes the circle gets no parent. Call it whenever Sections change.
    void ResolveInheritance();
    bool InheritanceResolved() const { return SectionIndexByName.size() == Sections.size(); }
    int FindSectionIndex(const std::string& name) const;
    int FindMaskIndex(int sectionIndex, const std::string& sectionName, const std::string& maskName) const;
    int FindMaskIndexDirect(const std::string& sectionName, const std::string& maskName) const;
    int FindPatternIndex(int sectionIndex, const std::string& sectionName, const std::string& propertyName) const;
    int FindTextureIndex(int sectionIndex, const std::string& sectionName, const std::string& propertyName) const;
    bool IsMaskIndexValid(int index) const { return index >= 0 && size_t(index) < Masks.size(); }
    bool IsSectionIndexValid(int index) const { return index >= 0 && size_t(index) < Sections.size(); }
    int MaskMarginLeft(int index);
    int MaskMarginTop(int index);
    int MaskMarginRight(int index);
    int MaskMarginBottom(int index);
    // The bitmap a mask is cut from: its own, else the master bitmap.
    const PixelBitmap* MaskBitmap(int index) const;

    // Resolves inheritance, then gives every section the indexes of its
    // border, corner and texture masks (own or inherited), in one pass.
    void CacheSectionIndexes();
    void CacheCommonMaskIndexes();
    void Clear();
};
