// Reading a skin's options text and images into TsSkinTables: the image
// values, the JPEG patterns, the sections with PARENTCLASS inheritance, the
// header and palette, the CommonSections overlay, and recolouring by hue and
// saturation. Free of window code: the skin manager drives it, and the native
// benchmark and fuzz harnesses call it directly.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>

#include "skin/model/MaskData.h"
#include "skin/model/SkinIni.h"
#include "skin/model/SkinPack.h"

// The decoded pixels one skin load may hold, all its images together, each
// file counted once however many values name it: 32 Mpx, 128 MB of 32-bit
// pixels. The sample skin needs well under 1 Mpx, and the largest pictures a
// skin holds, form backgrounds, are about a screen (8.3 Mpx at 3840 x 2160), so
// this leaves room for several of them beside the master bitmap. It stops
// there because the shipped program is a 32-bit process, whose 2 GB of
// address space also holds the previous skin while the next one loads, and
// because a packed skin of a few hundred bytes can declare pictures of
// gigabytes (a 1-bit PNG or a JPEG header says any size).
constexpr int64_t kSkinPixelBudget = int64_t(32) << 20;

struct SkinLoadSettings {
    int HueOffset = 0;
    int Saturation = 0;
    const SkinIni* CommonSections = nullptr;   // overlay applied after the skin's own data
    int SystemFrameWidth = 4;                  // FORMOFFSET default
    TsSkinManager* Manager = nullptr;          // stored in every mask
    // Called with the VERSION read before the images and again after the
    // header; the manager shows its notices from it.
    std::function<void(double version)> OnVersion;
    // Pixels the images of the load may take in all (see kSkinPixelBudget).
    // A skin that needs more is refused with SkinError (TooLarge).
    int64_t PixelBudget = kSkinPixelBudget;
};

class SkinLoader {
public:
    // images come from pack when given, else from files below folder ("\" at its end).
    SkinLoader(TsSkinTables& tables, const SkinIni& ini, const TkvSkinConvertor* pack, std::string folder,
               const SkinLoadSettings& settings);

    // The whole load in its order: VERSION, images, patterns, sections (with
    // the header, section index cache, palette and recolouring), then the
    // common index cache. Throws SkinError; the tables are then half-built and
    // must be dropped by the caller.
    void Load();

    void ReadVersion();
    void LoadSkinImages();
    void LoadSkinPatterns();
    void LoadSkinSections();

    // Keys never read as image or pattern values: free text and gradients.
    static bool IsTextKey(const std::string& key);

private:
    enum class ImageKind { Master, Bmp, Png, Jpeg };
    // The decoded image a value names, or null when there is no such file.
    // Each file is read and decoded once per load (by its upper-cased name) and
    // shared by every value naming it; its declared size is checked against
    // what is left of the pixel budget before anything is allocated.
    TsBitmapRef Image(const std::string& name, ImageKind kind, bool filesOnly = false);
    // Clips a mask's rectangle to the image it is cut from; without one it is empty.
    void ClipToImage(TsMaskData& m) const;
    bool ReadImageBytes(const std::string& name, std::string& out, bool filesOnly = false) const;
    std::string FilePath(const std::string& name) const;
    void AddMask(TsMaskData m);
    void ReadImageValue(const std::string& section, const std::string& key, const std::string& value);
    void ReadHashValue(const std::string& section, const std::string& key, const std::string& value, bool thirds);
    void ReadHeader();
    void ReadPalette();
    void ApplyCommonImages();
    void ApplyCommonPatterns();
    void ApplyCommonSections();

    TsSkinTables& t_;
    const SkinIni& ini_;
    const TkvSkinConvertor* pack_;
    std::string folder_;
    const SkinLoadSettings& settings_;
    std::unordered_map<std::string, TsBitmapRef> images_;
    int64_t pixelsLeft_;
};

// Recolouring of freshly loaded tables (hue first, then saturation).
void ApplyHueOffset(TsSkinTables& t, int degrees);
void ApplySaturation(TsSkinTables& t, int change);

// Pixel helpers of the loader.
void FillOpaqueAlpha(PixelBitmap& b);   // alpha 255 on every non-key pixel
void ZeroWhitePixels(PixelBitmap& b);   // pixels exactly 0x00FFFFFF become 0
void PremultiplyAlpha(PixelBitmap& b);

// A readable dump of the tables (sections, masks, patterns, palette, common
// indexes) used to compare loads from different sources.
std::string DumpSkinTables(const TsSkinTables& t);

// Whole loads used by the manager, the tools and the benchmarks. Both set
// SkinData.SkinFolder (folder + "\" for a folder skin, dir for a pack).
// A folder without "Options.dat" or a pack without an options entry throws
// SkinError (Format).
void LoadFolderSkin(TsSkinTables& tables, const std::string& folder, const SkinLoadSettings& settings);
void LoadPackedSkinBytes(TsSkinTables& tables, const std::string& bytes, const std::string& folder,
                         const SkinLoadSettings& settings);
