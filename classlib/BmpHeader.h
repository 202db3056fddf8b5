// The BMP file format read without the platform: a check of the headers against
// the bytes of the file, and a decoder of run-length compressed pixels. Every
// reader of .bmp bytes (the bitmap graphic, the skin's image decoder) goes
// through ParseBmpHeader first, so that nothing after it (GDI included) reads a
// colour table, a bit-field mask or a pixel row the file does not hold.
// No <windows.h>.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Compression kinds this reader knows (values as stored in the file).
enum : uint32_t {
    kBmpRgb = 0,
    kBmpRle8 = 1,
    kBmpRle4 = 2,
    kBmpBitFields = 3,
    kBmpAlphaBitFields = 6,
};

struct BmpInfo {
    int width = 0, height = 0;      // both at least 1
    bool topDown = false;           // rows stored from the top (a negative height)
    int bitCount = 0;               // 1, 4, 8, 16, 24 or 32
    uint32_t compression = kBmpRgb;
    // Red, green, blue and alpha masks: those of the file for bit fields, else
    // the uncompressed defaults (5-5-5 at 16 bits, 8-8-8 above, no alpha).
    uint32_t masks[4] = {};
    bool alphaMask = false;         // the file gives a non-zero alpha mask
    // At 8 bits or fewer: all 1 << bitCount entries as 0x00RRGGBB; entries past
    // the ones the file gives are black. Empty above 8 bits.
    std::vector<uint32_t> colors;
    size_t bitsOffset = 0;          // where the pixels start, from the start of the file
    size_t bitsSize = 0;            // pixel bytes that may be read from there
    size_t Stride() const { return (size_t(width) * size_t(bitCount) + 31) / 32 * 4; }
};

// Checks a whole .bmp file (from its "BM") and describes it. Answers false with
// a reason for a header of an unknown size or kind, one plane other than 1, a
// bit count or a compression this reader does not know (or not allowed at that
// bit count), a size that does not fit ImageLimits (classlib/ImageSize.h), a
// colour table larger than the bit count allows or cut short, missing bit-field
// masks, a pixel offset inside the headers or past the end, or uncompressed
// rows that the bytes do not hold.
bool ParseBmpHeader(const uint8_t* data, size_t size, BmpInfo& info, std::string* error);

// Decodes the run-length compressed pixels (RLE8 or RLE4) of a file that
// ParseBmpHeader accepted into one colour index per pixel, width x height,
// rows from the top. Pixels the data skip (a delta, an early end of line or
// of the picture) get index 0; runs past the right edge or rows past the top
// are dropped. Answers false when the data end before the end-of-picture code
// or an absolute run is cut short. Never reads outside data[0, size).
bool DecodeBmpRle(const uint8_t* data, size_t size, const BmpInfo& info, std::vector<uint8_t>& indices,
                  std::string* error);
