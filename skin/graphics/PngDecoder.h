// The PNG reader's core: chunk reading with bounds and CRC checks, the
// streaming inflate wrapper, unfiltering, Adam7 and colour set-up, writing the
// rows into a target the caller sizes. No <windows.h>: the same code runs in
// the picture class, in native unit tests, the fuzz harness and benchmarks.
//
// Safety: every chunk length is checked against the bytes that remain; fixed
// chunks must have their exact length; PLTE holds 1 to 256 entries; width and
// height must pass ImageSizeFits with the PngLimits of the load, so no size is
// computed from unchecked numbers. The header is checked whole when it is read
// (depth allowed for the colour type, filter and interlace methods), before
// any chunk that depends on it.
//
// CRC policy: every chunk the reader uses (IHDR, PLTE, IDAT, gAMA, bKGD, tRNS)
// has its CRC checked and a mismatch fails the load; chunks it skips (unknown
// ancillary chunks, and the chunks passed over while the header is first
// examined) are not checked, since a damaged chunk that is never used cannot
// change the picture.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "classlib/ImageSize.h"
#include "classlib/PixelView.h"
#include "classlib/SysUtils.h"
#include "skin/graphics/ColorManager.h"

TALVERA_EXCEPTION(EGraphicCompression, EInvalidGraphic)

struct z_stream_s;

// A thin streaming wrapper over zlib's inflate.
class TLZ77Decoder {
public:
    TLZ77Decoder(int flushMode, bool autoReset);
    ~TLZ77Decoder();
    TLZ77Decoder(const TLZ77Decoder&) = delete;
    TLZ77Decoder& operator=(const TLZ77Decoder&) = delete;

    void DecodeInit();   // EGraphicCompression on failure
    void DecodeEnd();
    // One inflate call: up to outputSize bytes from up to inputSize bytes;
    // both pointers move past what was used.
    void Decode(const uint8_t*& source, uint8_t*& dest, int outputSize, int inputSize);
    int AvailableInput() const;
    int AvailableOutput() const;
    int ZLibResult() const { return result_; }

private:
    z_stream_s* stream_;
    int flushMode_;
    bool autoReset_;
    bool active_ = false;
    int result_ = 0;
};

// CRC-32 of chunk type and data (polynomial 0xEDB88320, reflected, inverted).
uint32_t PngCrc32(uint32_t crc, const uint8_t* data, size_t size);

// Limits one load may tighten (never widen) below ImageLimits.
struct PngLimits {
    int64_t maxSide = ImageLimits::kMaxSide;
    int64_t maxPixels = ImageLimits::kMaxPixels;
};

struct PngImageProperties {
    uint32_t width = 0, height = 0;
    int bitsPerSample = 0;
    int colorType = -1;
    TColorScheme colorScheme = csUnknown;
    int samplesPerPixel = 0;
    int bitsPerPixel = 0;
    int compression = 0;   // 2 = deflate, 0 = not supported
    int filterMethod = 0;
    bool interlaced = false;
    bool hasAlpha = false;
    double fileGamma = 1;
};

// Where the rows go. Allocate is called once, before the first row; the view
// must hold width x height pixels of the given depth (1, 4, 8, 24 or 32 bits).
class PngTarget {
public:
    virtual ~PngTarget() = default;
    virtual RawPixelView Allocate(int width, int height, int bitsPerPixel, const std::vector<uint32_t>& palette) = 0;
    enum Stage { Starting, Running, Ending };
    virtual void Progress(Stage, int /*percent*/, const wchar_t* /*message*/) {}
};

// A target that keeps the pixels in memory (tests, fuzzing, benchmarks).
class PngMemoryTarget : public PngTarget {
public:
    RawPixelView Allocate(int width, int height, int bitsPerPixel, const std::vector<uint32_t>& palette) override;
    int width = 0, height = 0, bitsPerPixel = 0;
    ptrdiff_t stride = 0;
    std::vector<uint8_t> pixels;
    std::vector<uint32_t> palette;
    // The pixel at (x, y) as 0xAARRGGBB (alpha 255 below 32 bits).
    uint32_t Pixel(int x, int y) const;
};

struct PngLoadResult {
    PngImageProperties properties;
    // The transparent colour of a grey or RGB image (TColor, samples scaled to
    // 8 bits, no gamma), or none. The picture itself is then 32-bit, with
    // alpha 0 exactly where the samples as stored equal the file's key.
    uint32_t transparentColor = 0x1FFFFFFF;
    uint32_t fillColor = 0xFFFFFF;            // TColor
    std::array<uint8_t, 256> alphaTable{};    // indexed images: per-entry alpha
    size_t consumed = 0;                       // bytes up to and including IEND
};

// Checks the signature and the header and finds the file gamma (the header
// test of a load); throws EInvalidGraphic.
PngImageProperties ReadPngProperties(const uint8_t* data, size_t size, const PngLimits& limits = {});

// Loads the PNG at data into target. Throws EInvalidGraphic (format, CRC,
// palette, compressed data), EGraphicCompression (inflate set-up) and
// EColorConversionError.
PngLoadResult LoadPng(const uint8_t* data, size_t size, PngTarget& target, TColorManager& colors,
                      const PngLimits& limits = {});
