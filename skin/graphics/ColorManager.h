// Row conversion between colour schemes, sample depths and sample counts, with
// gamma correction, 16-bit byte swapping and interlace column masks. The PNG
// reader converts every scan line and its palettes through it. No <windows.h>.
#pragma once
#include <cstdint>
#include <vector>

#include "classlib/SysUtils.h"

TALVERA_EXCEPTION(EColorConversionError, Exception)

enum TColorScheme : int {
    csUnknown = 0, csIndexed = 1, csG = 2, csGA = 3, csRGB = 4, csRGBA = 5, csBGR = 6, csBGRA = 7,
    csCMY = 8, csCMYK = 9, csCIELab = 10, csYCbCr = 11, csPhotoYCC = 12
};

// Option flags of a side.
enum : unsigned {
    coAlpha = 1,             // the scheme carries alpha
    coApplyGamma = 2,        // target: run colour samples through the gamma table
    coNeedByteSwap = 4,      // source: 16-bit samples are stored most significant byte first
    coLabByteRange = 8,      // source: L* stored as 0..255
    coLabChromaOffset = 16,  // source: a* and b* stored with offset 128
};

class TColorManager {
public:
    TColorManager();

    int SourceBitsPerSample() const { return srcBits_; }
    int TargetBitsPerSample() const { return tgtBits_; }
    int SourceSamplesPerPixel() const { return srcSamples_; }
    int TargetSamplesPerPixel() const { return tgtSamples_; }
    TColorScheme SourceColorScheme() const { return srcScheme_; }
    TColorScheme TargetColorScheme() const { return tgtScheme_; }
    unsigned SourceOptions() const { return srcOptions_; }
    unsigned TargetOptions() const { return tgtOptions_; }
    void SetSourceBitsPerSample(int bits);
    void SetTargetBitsPerSample(int bits);
    void SetSourceSamplesPerPixel(int samples);
    void SetTargetSamplesPerPixel(int samples);
    void SetSourceColorScheme(TColorScheme s);
    void SetTargetColorScheme(TColorScheme s);
    void SetSourceOptions(unsigned o) { srcOptions_ = o; changed_ = true; }
    void SetTargetOptions(unsigned o) { tgtOptions_ = o; changed_ = true; }

    double MainGamma() const { return mainGamma_; }
    double DisplayGamma() const { return displayGamma_; }
    void SetGamma(double displayGamma, double mainGamma);
    // Source samples (cut to 8 bits) to target samples; made anew when the
    // gamma is set and when a conversion starts after a change.
    const uint8_t* GammaTable() const { return gamma_; }
    // 8-bit values to 8-bit values at the same gammas (palettes, expanded grey).
    const uint8_t* FullScaleGammaTable() const { return gammaFull_; }
    void SetYCbCrCoefficients(double red, double green, double blue);
    void SetSubsampling(uint8_t h, uint8_t v) { subsampleH_ = h; subsampleV_ = v; }

    // Bits per pixel of the bitmap format that holds that side's pixels:
    // 1, 4, 8, 15, 24 or 32, or 0 when no standard format fits.
    int GetPixelFormat(bool target) const;

    // Converts one row of count pixels. planes[0..planeCountMinus1] are the
    // source planes (one plane: interleaved samples). A target pixel is written
    // only where the column mask has its bit (0x80 = first of every eight).
    void ConvertRow(const void* const* planes, int planeCountMinus1, void* target, int count, uint8_t mask);

    // Palettes, entries 0x00RRGGBB.
    std::vector<uint32_t> CreateGrayscalePalette(bool reverse) const;
    // entryBytes: 3 (RGB, or BGR with bgr) or 4 bytes per entry at 8 bits, 6 for
    // 16-bit RGB entries; with more than one plane each channel has its own plane.
    std::vector<uint32_t> CreateColorPalette(const void* const* planes, int planeCountMinus1, bool bgr, int count,
                                             int entryBytes) const;
    void BuildYCbCrTables(bool photoYcc);

private:
    using Converter = void (TColorManager::*)(const void* const*, int, void*, int, uint8_t);
    void SelectConverter();
    void BuildGammaTable();
    void RowRGB(const void* const* planes, int planeCountMinus1, void* target, int count, uint8_t mask);
    void RowGrey(const void* const* planes, int planeCountMinus1, void* target, int count, uint8_t mask);
    void RowIndexed8(const void* const* planes, int planeCountMinus1, void* target, int count, uint8_t mask);
    void RowIndexed16To16(const void* const* planes, int planeCountMinus1, void* target, int count, uint8_t mask);
    void RowIndexed16To8(const void* const* planes, int planeCountMinus1, void* target, int count, uint8_t mask);
    void RowIndexed8To16(const void* const* planes, int planeCountMinus1, void* target, int count, uint8_t mask);
    void RowCMYK(const void* const* planes, int planeCountMinus1, void* target, int count, uint8_t mask);
    void RowLab(const void* const* planes, int planeCountMinus1, void* target, int count, uint8_t mask);
    void RowYCC(const void* const* planes, int planeCountMinus1, void* target, int count, uint8_t mask);

    int srcBits_ = 8, tgtBits_ = 8, srcSamples_ = 3, tgtSamples_ = 3;
    TColorScheme srcScheme_ = csRGB, tgtScheme_ = csBGR;
    unsigned srcOptions_ = 0, tgtOptions_ = 0;
    double mainGamma_ = 1, displayGamma_ = 2.2;
    uint8_t gamma_[256]{};
    uint8_t gammaFull_[256]{};   // 8-bit values to 8-bit values, for palettes
    bool gammaIdentity_ = true;  // gamma_ maps every value to itself
    double lumaR_ = 0.299, lumaG_ = 0.587, lumaB_ = 0.114;
    uint8_t subsampleH_ = 1, subsampleV_ = 1;
    int yccT1_[256]{}, yccT2_[256]{}, yccT3_[256]{}, yccT4_[256]{};
    bool photo_ = false;
    bool changed_ = true;
    Converter converter_ = nullptr;
};
