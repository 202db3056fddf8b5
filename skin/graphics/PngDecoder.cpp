#include "skin/graphics/PngDecoder.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>

// ---- TLZ77Decoder ----

TLZ77Decoder::TLZ77Decoder(int flushMode, bool autoReset)
    : stream_(new z_stream{}), flushMode_(flushMode), autoReset_(autoReset) {}

TLZ77Decoder::~TLZ77Decoder()
{
    if (active_) inflateEnd(stream_);
    delete stream_;
}

void TLZ77Decoder::DecodeInit()
{
    *stream_ = z_stream{};
    result_ = inflateInit(stream_);
    if (result_ < 0) throw EGraphicCompression(L"LZ77 decompression error.");
    active_ = true;
}

void TLZ77Decoder::DecodeEnd()
{
    if (!active_) return;
    active_ = false;
    result_ = inflateEnd(stream_);
    if (result_ < 0) throw EGraphicCompression(L"LZ77 decompression error.");
}

void TLZ77Decoder::Decode(const uint8_t*& source, uint8_t*& dest, int outputSize, int inputSize)
{
    if (autoReset_) inflateReset(stream_);
    stream_->next_in = const_cast<Bytef*>(source);
    stream_->avail_in = uInt(std::max(inputSize, 0));
    stream_->next_out = dest;
    stream_->avail_out = uInt(std::max(outputSize, 0));
    result_ = inflate(stream_, flushMode_);
    source = stream_->next_in;
    dest = stream_->next_out;
}

int TLZ77Decoder::AvailableInput() const { return int(stream_->avail_in); }
int TLZ77Decoder::AvailableOutput() const { return int(stream_->avail_out); }

// ---- CRC ----

uint32_t PngCrc32(uint32_t crc, const uint8_t* data, size_t size)
{
    // zlib's crc32 is the same polynomial, reflected, with both inversions.
    while (size > 0) {
        uInt n = uInt(std::min<size_t>(size, 1u << 30));
        crc = uint32_t(crc32(crc, data, n));
        data += n;
        size -= n;
    }
    return crc;
}

// ---- PngMemoryTarget ----

RawPixelView PngMemoryTarget::Allocate(int w, int h, int bpp, const std::vector<uint32_t>& pal)
{
    width = w;
    height = h;
    bitsPerPixel = bpp;
    palette = pal;
    stride = ptrdiff_t((int64_t(w) * bpp + 31) / 32 * 4);
    pixels.assign(size_t(stride) * size_t(h), 0);
    return RawPixelView{pixels.data(), stride, w, h, bpp};
}

uint32_t PngMemoryTarget::Pixel(int x, int y) const
{
    const uint8_t* row = pixels.data() + size_t(stride) * size_t(y);
    auto entry = [&](unsigned i) { return 0xFF000000u | (i < palette.size() ? palette[i] : 0u); };
    switch (bitsPerPixel) {
    case 1: return entry((row[x >> 3] >> (7 - (x & 7))) & 1);
    case 4: return entry((row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15);
    case 8: return entry(row[x]);
    case 24: return 0xFF000000u | (uint32_t(row[x * 3 + 2]) << 16) | (uint32_t(row[x * 3 + 1]) << 8) | row[x * 3];
    default: {
        uint32_t v;
        std::memcpy(&v, row + x * 4, 4);
        return v;
    }
    }
}

// ---- the reader ----

namespace {

const wchar_t* const kInvalidFormat = L"Cannot load image. Invalid or unexpected PNG image format.";
const wchar_t* const kNoCompression = L"Cannot load image. The compression scheme is not supported for PNG files.";
const wchar_t* const kBadPalette = L"Cannot load image. Palette in PNG file is invalid.";
const wchar_t* const kCrc = L"Cannot load image. CRC error found in PNG file.";
const wchar_t* const kCritical = L"Cannot load PNG image. Unexpected but critical chunk detected.";
const wchar_t* const kBadColor = L"Invalid color format in PNG file.";
const wchar_t* const kCompression = L"Cannot load image. Compression error found in PNG file.";
const wchar_t* const kExtraData = L"Cannot load image. Extra compressed data found in PNG file.";

const uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

inline uint32_t BE32(const uint8_t* p) { return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3]; }
inline uint16_t BE16(const uint8_t* p) { return uint16_t((p[0] << 8) | p[1]); }

// Chunk types are compared exactly: the case of each letter is part of the
// type (its fifth bit marks a chunk ancillary, private or safe to copy), so an
// ancillary chunk spelled "idat" is not image data.
bool TypeIs(const uint8_t* type, const char* name) { return std::memcmp(type, name, 4) == 0; }

// A chunk as it lies in the input: header checked against the bytes that remain.
struct Chunk {
    uint32_t length = 0;
    const uint8_t* type = nullptr;
    const uint8_t* data = nullptr;
    uint32_t crc = 0;
};

class Input {
public:
    Input(const uint8_t* d, size_t n) : data_(d), size_(n) {}
    size_t Pos() const { return pos_; }
    void Seek(size_t p) { pos_ = p; }
    bool AtEnd() const { return pos_ >= size_; }
    // The next chunk; the position moves past it. False when the bytes run out.
    bool Next(Chunk& c)
    {
        if (size_ - pos_ < 12) return false;
        const uint8_t* p = data_ + pos_;
        c.length = BE32(p);
        if (c.length > 0x7FFFFFFFu || c.length > size_ - pos_ - 12) return false;
        c.type = p + 4;
        c.data = p + 8;
        c.crc = BE32(p + 8 + c.length);
        pos_ += 12 + size_t(c.length);
        return true;
    }
    bool Peek(Chunk& c)
    {
        size_t keep = pos_;
        bool ok = Next(c);
        pos_ = keep;
        return ok;
    }
    const uint8_t* At(size_t p) const { return data_ + p; }
    size_t Size() const { return size_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

bool CrcOk(const Chunk& c)
{
    uint32_t crc = PngCrc32(0, c.type, 4);
    crc = PngCrc32(crc, c.data, c.length);
    return crc == c.crc;
}

void CheckCrc(const Chunk& c)
{
    if (!CrcOk(c)) throw EInvalidGraphic(kCrc);
}

void ParseHeader(const Chunk& c, PngImageProperties& p, const PngLimits& limits)
{
    if (c.length != 13) throw EInvalidGraphic(kInvalidFormat);
    const uint8_t* d = c.data;
    p.width = BE32(d);
    p.height = BE32(d + 4);
    p.bitsPerSample = d[8];
    p.colorType = d[9];
    p.compression = d[10] == 0 ? 2 : 0;   // another method is refused by the load, with its own message
    p.filterMethod = d[11];
    p.interlaced = d[12] != 0;
    if (!ImageSizeFits(p.width, p.height, limits.maxPixels, limits.maxSide) || d[11] != 0 || d[12] > 1)
        throw EInvalidGraphic(kInvalidFormat);
    // The depth is checked here, with the header, not first at the image data:
    // bKGD and tRNS before it scale their samples by the depth.
    auto depths = [&p](std::initializer_list<int> allowed) {
        return std::find(allowed.begin(), allowed.end(), p.bitsPerSample) != allowed.end();
    };
    bool depthOk = false;
    switch (p.colorType) {
    case 0: p.colorScheme = csG; p.samplesPerPixel = 1; depthOk = depths({1, 2, 4, 8, 16}); break;
    case 2: p.colorScheme = csRGB; p.samplesPerPixel = 3; depthOk = depths({8, 16}); break;
    case 3: p.colorScheme = csIndexed; p.samplesPerPixel = 1; depthOk = depths({1, 2, 4, 8}); break;
    case 4: p.colorScheme = csGA; p.samplesPerPixel = 2; depthOk = depths({8, 16}); break;
    case 6: p.colorScheme = csRGBA; p.samplesPerPixel = 4; depthOk = depths({8, 16}); break;
    default: break;
    }
    if (!depthOk) throw EInvalidGraphic(kBadColor);
    p.hasAlpha = p.colorType == 4 || p.colorType == 6;
    p.bitsPerPixel = p.samplesPerPixel * p.bitsPerSample;
}

}  // namespace

PngImageProperties ReadPngProperties(const uint8_t* data, size_t size, const PngLimits& limits)
{
    PngImageProperties p;
    if (!data || size < 8 || std::memcmp(data, kSignature, 8) != 0) throw EInvalidGraphic(kInvalidFormat);
    Input in(data, size);
    in.Seek(8);
    Chunk c;
    if (!in.Next(c) || !TypeIs(c.type, "IHDR")) throw EInvalidGraphic(kInvalidFormat);
    if (!CrcOk(c)) throw EInvalidGraphic(kInvalidFormat);
    ParseHeader(c, p, limits);
    for (;;) {
        if (!in.Next(c)) throw EInvalidGraphic(kInvalidFormat);
        if (TypeIs(c.type, "gAMA")) {
            if (c.length == 4 && CrcOk(c)) {
                uint32_t g = BE32(c.data);
                if (g > 0) p.fileGamma = g / 100000.0;
            }
            break;
        }
        if (TypeIs(c.type, "IEND")) break;
    }
    return p;
}

namespace {

class Loader {
public:
    Loader(const uint8_t* data, size_t size, PngTarget& target, TColorManager& colors, const PngLimits& limits)
        : in_(data, size), target_(target), cm_(colors), limits_(limits), decoder_(Z_PARTIAL_FLUSH, false) {}

    PngLoadResult Run();

private:
    void SetupColors();
    void ReadPalette(const Chunk& c);
    void ReadBackground(const Chunk& c);
    void ReadTransparency(const Chunk& c);
    void ReadImageData(const Chunk& first);
    void CheckDataCanFill() const;
    bool InflateRow(uint8_t* row, size_t bytes);
    bool Unfilter(uint8_t* row, const uint8_t* prev, size_t bytes);
    bool NextDataChunk();
    void WriteRow(const uint8_t* row, uint8_t* scan, int passWidth, int startCol, int colStep, uint8_t mask);

    Input in_;
    PngTarget& target_;
    TColorManager& cm_;
    PngLimits limits_;
    TLZ77Decoder decoder_;
    PngLoadResult r_;
    PngImageProperties& p_ = r_.properties;
    bool colorsReady_ = false;
    int targetBits_ = 0;       // bits per pixel of the picture
    int filterUnit_ = 1;
    bool expandToBgra_ = false;   // grey with alpha, transparent palette entries or a transparent colour
    std::vector<uint32_t> palette_;
    bool haveTrns_ = false;
    // The transparent grey level or RGB triple of a grey or RGB image, as the
    // file stores it (before gamma, all 16 bits of 16-bit samples).
    bool keyed_ = false;
    std::array<uint16_t, 3> key_{};
    std::vector<uint8_t> colourRow_;
    // Compressed input of the current image-data chunk.
    const uint8_t* zin_ = nullptr;
    int zinSize_ = 0;
    bool streamEnded_ = false;
    bool dataEnded_ = false;
    std::vector<uint8_t> indexRow_;
};

PngLoadResult Loader::Run()
{
    r_.alphaTable.fill(255);
    const uint8_t* base = in_.At(0);
    p_ = ReadPngProperties(base, in_.Size(), limits_);
    in_.Seek(8);
    target_.Progress(PngTarget::Starting, 0, L"Preparing...");
    cm_.SetSourceOptions(cm_.SourceOptions() | coNeedByteSwap);   // 16-bit samples are big-endian
    Chunk c;
    if (!in_.Next(c)) throw EInvalidGraphic(kInvalidFormat);
    CheckCrc(c);
    if (c.data[10] != 0) throw EInvalidGraphic(kNoCompression);
    decoder_.DecodeInit();
    struct EndDecoder {
        TLZ77Decoder& d;
        PngTarget& t;
        ~EndDecoder()
        {
            try { d.DecodeEnd(); } catch (...) {}
            t.Progress(PngTarget::Ending, 100, L"");
        }
    } endDecoder{decoder_, target_};
    bool imageRead = false;
    for (;;) {
        if (!in_.Next(c)) throw EInvalidGraphic(kInvalidFormat);
        if (TypeIs(c.type, "IDAT")) {
            if (imageRead) {   // a second run of image data: read and checked, not used
                CheckCrc(c);
                continue;
            }
            ReadImageData(c);
            imageRead = true;
        } else if (TypeIs(c.type, "PLTE")) {
            ReadPalette(c);
        } else if (TypeIs(c.type, "gAMA")) {
            CheckCrc(c);
            if (c.length == 4 && BE32(c.data) > 0) {
                p_.fileGamma = BE32(c.data) / 100000.0;
                cm_.SetGamma(2.2, p_.fileGamma);
                cm_.SetTargetOptions(cm_.TargetOptions() | coApplyGamma);
            }
        } else if (TypeIs(c.type, "bKGD")) {
            ReadBackground(c);
        } else if (TypeIs(c.type, "tRNS")) {
            ReadTransparency(c);
        } else if (TypeIs(c.type, "IEND")) {
            break;
        } else if ((c.type[0] & 0x20) == 0) {
            throw EInvalidGraphic(kCritical);
        }
    }
    if (!imageRead) throw EInvalidGraphic(kInvalidFormat);
    r_.consumed = in_.Pos();
    return r_;
}

void Loader::SetupColors()
{
    int d = p_.bitsPerSample;
    auto depthIn = [d](std::initializer_list<int> l) { return std::find(l.begin(), l.end(), d) != l.end(); };
    cm_.SetSourceBitsPerSample(d);
    switch (p_.colorType) {
    case 0:
        if (!depthIn({1, 2, 4, 8, 16})) throw EInvalidGraphic(kBadColor);
        // A transparent grey level becomes alpha: the picture is 32-bit.
        expandToBgra_ = keyed_;
        cm_.SetSourceColorScheme(csG);
        cm_.SetTargetColorScheme(csG);
        cm_.SetSourceSamplesPerPixel(1);
        cm_.SetTargetSamplesPerPixel(1);
        cm_.SetTargetBitsPerSample(d == 2 ? 4 : d == 16 ? 8 : d);
        targetBits_ = keyed_ ? 32 : cm_.GetPixelFormat(true);
        palette_ = cm_.CreateGrayscalePalette(false);
        filterUnit_ = (d + 7) / 8;
        break;
    case 2:
        if (!depthIn({8, 16})) throw EInvalidGraphic(kBadColor);
        cm_.SetSourceColorScheme(csRGB);
        cm_.SetTargetColorScheme(csBGR);
        cm_.SetSourceSamplesPerPixel(3);
        cm_.SetTargetSamplesPerPixel(3);
        cm_.SetTargetBitsPerSample(8);
        // A transparent colour becomes alpha: the picture is 32-bit.
        expandToBgra_ = keyed_;
        targetBits_ = keyed_ ? 32 : 24;
        filterUnit_ = 3 * d / 8;
        break;
    case 3:
        if (!depthIn({1, 2, 4, 8})) throw EInvalidGraphic(kBadColor);
        cm_.SetSourceColorScheme(csIndexed);
        cm_.SetTargetColorScheme(csIndexed);
        cm_.SetSourceSamplesPerPixel(1);
        cm_.SetTargetSamplesPerPixel(1);
        expandToBgra_ = std::any_of(r_.alphaTable.begin(), r_.alphaTable.end(), [](uint8_t a) { return a < 255; });
        // Indices go to 8 bits when they are expanded to colours with alpha.
        cm_.SetTargetBitsPerSample(expandToBgra_ ? 8 : d == 2 ? 4 : d);
        targetBits_ = expandToBgra_ ? 32 : cm_.GetPixelFormat(true);
        filterUnit_ = 1;
        break;
    case 4:
        if (!depthIn({8, 16})) throw EInvalidGraphic(kBadColor);
        // Grey with alpha keeps its alpha: the picture becomes 32-bit.
        expandToBgra_ = true;
        targetBits_ = 32;
        filterUnit_ = 2 * d / 8;
        break;
    case 6:
        if (!depthIn({8, 16})) throw EInvalidGraphic(kBadColor);
        cm_.SetSourceColorScheme(csRGBA);
        cm_.SetTargetColorScheme(csBGRA);
        cm_.SetSourceSamplesPerPixel(4);
        cm_.SetTargetSamplesPerPixel(4);
        cm_.SetTargetBitsPerSample(8);
        targetBits_ = 32;
        filterUnit_ = 4 * d / 8;
        break;
    default: throw EInvalidGraphic(kBadColor);
    }
    colorsReady_ = true;
}

void Loader::ReadPalette(const Chunk& c)
{
    if (c.length % 3 != 0 || c.length == 0 || c.length > 768) throw EInvalidGraphic(kBadPalette);
    CheckCrc(c);
    if (p_.colorType != 3) return;
    if (!colorsReady_) {
        cm_.SetSourceBitsPerSample(p_.bitsPerSample);
        cm_.SetTargetBitsPerSample(8);
    }
    const void* planes[1] = {c.data};
    palette_ = cm_.CreateColorPalette(planes, 0, false, int(c.length / 3), 3);
}

void Loader::ReadBackground(const Chunk& c)
{
    CheckCrc(c);
    int d = p_.bitsPerSample;
    auto scale = [d](unsigned v) { return d == 16 ? v * 255u / 65535u : d < 8 ? v * 255u / ((1u << d) - 1) : v & 255u; };
    switch (p_.colorType) {
    case 0:
    case 4:
        if (c.length == 2) {
            unsigned g = std::min(scale(BE16(c.data)), 255u);
            r_.fillColor = g | (g << 8) | (g << 16);
        }
        break;
    case 2:
    case 6:
        if (c.length == 6)
            r_.fillColor = std::min(scale(BE16(c.data)), 255u) | (std::min(scale(BE16(c.data + 2)), 255u) << 8) |
                           (std::min(scale(BE16(c.data + 4)), 255u) << 16);
        break;
    case 3:
        if (c.length == 1 && c.data[0] < palette_.size()) {
            uint32_t e = palette_[c.data[0]];   // 0x00RRGGBB
            r_.fillColor = ((e >> 16) & 255) | (e & 0xFF00) | ((e & 255) << 16);
        }
        break;
    default: break;
    }
}

void Loader::ReadTransparency(const Chunk& c)
{
    CheckCrc(c);
    int d = p_.bitsPerSample;
    auto scale = [d](unsigned v) {
        return d == 16 ? v * 255u / 65535u : d < 8 ? v * 255u / ((1u << d) - 1) : std::min(v, 255u);
    };
    switch (p_.colorType) {
    case 0:
        if (c.length == 2) {
            // Scaled to 0..255 so that it matches the grey palette's entries at every depth.
            unsigned g = scale(BE16(c.data) & ((d == 16) ? 0xFFFFu : (1u << d) - 1));
            r_.transparentColor = g | (g << 8) | (g << 16);
            key_ = {BE16(c.data), 0, 0};
            keyed_ = true;
        }
        break;
    case 2:
        if (c.length == 6) {
            r_.transparentColor = scale(BE16(c.data)) | (scale(BE16(c.data + 2)) << 8) | (scale(BE16(c.data + 4)) << 16);
            key_ = {BE16(c.data), BE16(c.data + 2), BE16(c.data + 4)};
            keyed_ = true;
        }
        break;
    case 3:
        r_.alphaTable.fill(255);
        std::memcpy(r_.alphaTable.data(), c.data, std::min<size_t>(c.length, 256));
        haveTrns_ = true;
        break;
    default: break;   // images with an alpha channel ignore it
    }
}

// Moves to the next image-data chunk (empty ones are passed over); false
// when the next chunk is something else.
bool Loader::NextDataChunk()
{
    Chunk c;
    for (;;) {
        if (!in_.Peek(c) || !TypeIs(c.type, "IDAT")) return false;
        in_.Next(c);
        CheckCrc(c);
        if (c.length > 0) break;
    }
    zin_ = c.data;
    zinSize_ = int(c.length);
    return true;
}

bool Loader::InflateRow(uint8_t* row, size_t bytes)
{
    uint8_t* out = row;
    size_t left = bytes;
    while (left > 0) {
        if (streamEnded_) throw EInvalidGraphic(kExtraData);
        // Once the image data has run out, inflate is still called without
        // input: it may hold decoded bytes (the rest of a long match) that
        // complete this row. The data has ended when such a call gives nothing.
        bool drained = zinSize_ == 0 && !NextDataChunk();
        static const uint8_t none = 0;
        const uint8_t* src = drained ? &none : zin_;
        decoder_.Decode(src, out, int(left), zinSize_);
        int used = drained ? 0 : int(src - zin_);
        if (!drained) zin_ = src;
        zinSize_ -= used;
        size_t before = left;
        left = size_t(decoder_.AvailableOutput());
        int rc = decoder_.ZLibResult();
        if (rc == Z_STREAM_END) {
            streamEnded_ = true;
            if (left > 0 || zinSize_ > 0) throw EInvalidGraphic(kExtraData);
        } else if (rc == Z_BUF_ERROR || rc == Z_OK) {
            if (zinSize_ > 0 && used == 0 && left == before) throw EInvalidGraphic(kCompression);
        } else {
            throw EInvalidGraphic(kCompression);
        }
        if (drained && left == before) {
            dataEnded_ = true;
            return false;
        }
    }
    return true;
}

// False for a filter type the format does not define (the row is left as it is).
bool Loader::Unfilter(uint8_t* row, const uint8_t* prev, size_t bytes)
{
    uint8_t type = row[0];
    uint8_t* x = row + 1;
    const uint8_t* b = prev + 1;
    size_t u = size_t(filterUnit_);
    switch (type) {
    case 0: break;
    case 1:
        for (size_t i = u; i < bytes; ++i) x[i] = uint8_t(x[i] + x[i - u]);
        break;
    case 2:
        for (size_t i = 0; i < bytes; ++i) x[i] = uint8_t(x[i] + b[i]);
        break;
    case 3:
        for (size_t i = 0; i < bytes; ++i) x[i] = uint8_t(x[i] + ((i >= u ? x[i - u] : 0) + b[i]) / 2);
        break;
    case 4:
        for (size_t i = 0; i < bytes; ++i) {
            int a = i >= u ? x[i - u] : 0, up = b[i], c = i >= u ? b[i - u] : 0;
            int p = a + up - c, pa = std::abs(p - a), pb = std::abs(p - up), pc = std::abs(p - c);
            int pred = (pa <= pb && pa <= pc) ? a : pb <= pc ? up : c;
            x[i] = uint8_t(x[i] + pred);
        }
        break;
    default: return false;
    }
    return true;
}

void Loader::WriteRow(const uint8_t* row, uint8_t* scan, int passWidth, int startCol, int colStep, uint8_t mask)
{
    int d = p_.bitsPerSample;
    if (!expandToBgra_) {
        const void* planes[1] = {row};
        cm_.ConvertRow(planes, 0, scan, int(p_.width), mask);
        return;
    }
    auto* out = reinterpret_cast<uint32_t*>(scan);
    if (p_.colorType == 4) {
        // Grey gets gamma as the grey palette would give it; alpha never does.
        const uint8_t* gamma = (cm_.TargetOptions() & coApplyGamma) ? cm_.FullScaleGammaTable() : nullptr;
        int step = d == 16 ? 4 : 2;
        for (int i = 0; i < passWidth; ++i) {
            const uint8_t* s = row + size_t(i) * size_t(step);
            uint32_t g = d == 16 ? uint32_t(BE16(s)) * 255u / 65535u : s[0];
            uint32_t a = d == 16 ? uint32_t(BE16(s + 2)) * 255u / 65535u : s[1];
            if (gamma) g = gamma[g];
            out[startCol + i * colStep] = (a << 24) | (g << 16) | (g << 8) | g;
        }
        return;
    }
    if (p_.colorType == 0) {
        // Grey with a transparent level: the level is compared with the sample
        // as stored; the grey itself is the grey palette's entry for it.
        const uint8_t* gamma = (cm_.TargetOptions() & coApplyGamma) ? cm_.FullScaleGammaTable() : nullptr;
        unsigned max = d == 16 ? 65535u : (1u << d) - 1;
        for (int i = 0; i < passWidth; ++i) {
            unsigned v;
            if (d == 16) v = BE16(row + size_t(i) * 2);
            else if (d == 8) v = row[i];
            else {
                size_t bit = size_t(i) * size_t(d);
                v = (row[bit >> 3] >> (8 - d - int(bit & 7))) & max;
            }
            uint32_t g = v * 255u / max;
            if (gamma) g = gamma[g];
            uint32_t a = v == key_[0] ? 0u : 255u;
            out[startCol + i * colStep] = (a << 24) | (g << 16) | (g << 8) | g;
        }
        return;
    }
    if (p_.colorType == 2) {
        // RGB with a transparent colour: converted as without it, then alpha
        // from the samples as stored.
        colourRow_.resize(size_t(passWidth) * 3);
        const void* planes[1] = {row};
        cm_.ConvertRow(planes, 0, colourRow_.data(), passWidth, 0xFF);
        const uint8_t* bgr = colourRow_.data();
        for (int i = 0; i < passWidth; ++i, bgr += 3) {
            bool key;
            if (d == 16) {
                const uint8_t* s = row + size_t(i) * 6;
                key = BE16(s) == key_[0] && BE16(s + 2) == key_[1] && BE16(s + 4) == key_[2];
            } else {
                const uint8_t* s = row + size_t(i) * 3;
                key = s[0] == key_[0] && s[1] == key_[1] && s[2] == key_[2];
            }
            out[startCol + i * colStep] = (key ? 0u : 0xFF000000u) | (uint32_t(bgr[2]) << 16) |
                                          (uint32_t(bgr[1]) << 8) | bgr[0];
        }
        return;
    }
    // Palette with transparent entries: indices to 8 bits, then colour and alpha.
    indexRow_.assign(size_t(passWidth), 0);
    const void* planes[1] = {row};
    cm_.ConvertRow(planes, 0, indexRow_.data(), passWidth, 0xFF);
    for (int i = 0; i < passWidth; ++i) {
        unsigned idx = indexRow_[size_t(i)];
        uint32_t c = idx < palette_.size() ? palette_[idx] : 0;
        out[startCol + i * colStep] = (uint32_t(r_.alphaTable[idx]) << 24) | c;
    }
}

// Deflate expands its input at most about 1032 times: a header that asks for
// more rows than the image data could ever hold is refused before the picture
// is allocated (a few bytes must not cost gigabytes). Data cut short within
// that bound still loads, the rows it does not reach keeping the fill colour.
void Loader::CheckDataCanFill() const
{
    uint64_t compressed = uint64_t(zinSize_);
    Input scan = in_;
    Chunk c;
    while (scan.Next(c) && TypeIs(c.type, "IDAT")) compressed += c.length;
    static const int startRow[7] = {0, 0, 4, 0, 2, 0, 1}, startCol[7] = {0, 4, 0, 2, 0, 1, 0};
    static const int rowStep[7] = {8, 8, 8, 4, 4, 2, 2}, colStep[7] = {8, 8, 4, 4, 2, 2, 1};
    uint64_t w = p_.width, h = p_.height, needed = 0;
    for (int pass = 0; pass < (p_.interlaced ? 7 : 1); ++pass) {
        uint64_t sr = p_.interlaced ? uint64_t(startRow[pass]) : 0, sc = p_.interlaced ? uint64_t(startCol[pass]) : 0;
        uint64_t rs = p_.interlaced ? uint64_t(rowStep[pass]) : 1, cs = p_.interlaced ? uint64_t(colStep[pass]) : 1;
        if (sc >= w || sr >= h) continue;
        uint64_t pw = (w - sc + cs - 1) / cs, ph = (h - sr + rs - 1) / rs;
        needed += ph * (1 + (pw * uint64_t(p_.bitsPerPixel) + 7) / 8);
    }
    if (needed > compressed * 1032 + 1024) throw EInvalidGraphic(kInvalidFormat);
}

void Loader::ReadImageData(const Chunk& first)
{
    CheckCrc(first);
    zin_ = first.data;
    zinSize_ = int(first.length);
    target_.Progress(PngTarget::Starting, 0, L"Transfering...");
    if (!colorsReady_) SetupColors();
    if (p_.colorType == 3 && palette_.empty()) throw EInvalidGraphic(kBadPalette);
    int w = int(p_.width), h = int(p_.height);
    CheckDataCanFill();
    RawPixelView view = target_.Allocate(w, h, targetBits_, expandToBgra_ ? std::vector<uint32_t>() : palette_);
    if (!view.bits || view.width != w || view.height != h || view.bitsPerPixel != targetBits_)
        throw EInvalidGraphic(kInvalidFormat);
    // Cleared with the fill colour: rows that the data never reaches keep it.
    // Interlaced pictures are cleared first; plain ones only below the last row decoded.
    uint32_t fill = r_.fillColor;
    uint32_t fillPixel = ((fill & 255) << 16) | (fill & 0xFF00) | ((fill >> 16) & 255);
    auto clearRows = [&](int from) {
        for (int y = from; y < h; ++y) {
            uint8_t* row = view.Row(y);
            if (targetBits_ == 32) {
                for (int x = 0; x < w; ++x) std::memcpy(row + size_t(x) * 4, &fillPixel, 4);   // alpha 0
            } else if (targetBits_ == 24) {
                for (int x = 0; x < w; ++x) {
                    row[x * 3] = uint8_t(fillPixel);
                    row[x * 3 + 1] = uint8_t(fillPixel >> 8);
                    row[x * 3 + 2] = uint8_t(fillPixel >> 16);
                }
            } else {
                // The palette entry nearest the fill colour.
                unsigned best = 0;
                long bestD = -1;
                for (unsigned i = 0; i < palette_.size(); ++i) {
                    long dr = long((palette_[i] >> 16) & 255) - long((fillPixel >> 16) & 255);
                    long dg = long((palette_[i] >> 8) & 255) - long((fillPixel >> 8) & 255);
                    long db = long(palette_[i] & 255) - long(fillPixel & 255);
                    long dd = dr * dr + dg * dg + db * db;
                    if (bestD < 0 || dd < bestD) { bestD = dd; best = i; }
                }
                uint8_t byte = targetBits_ == 8 ? uint8_t(best) : targetBits_ == 4 ? uint8_t(best * 0x11) : uint8_t(best ? 0xFF : 0);
                std::memset(row, byte, size_t(view.stride));
            }
        }
    };
    if (p_.interlaced) clearRows(0);
    static const int startRow[7] = {0, 0, 4, 0, 2, 0, 1}, startCol[7] = {0, 4, 0, 2, 0, 1, 0};
    static const int rowStep[7] = {8, 8, 8, 4, 4, 2, 2}, colStep[7] = {8, 8, 4, 4, 2, 2, 1};
    static const uint8_t masks[7] = {0x80, 0x08, 0x88, 0x22, 0xAA, 0x55, 0xFF};
    size_t fullBytes = size_t((uint64_t(p_.width) * uint64_t(p_.bitsPerPixel) + 7) / 8);
    std::vector<uint8_t> bufA(fullBytes + 1, 0), bufB(fullBytes + 1, 0);
    int passes = p_.interlaced ? 7 : 1;
    for (int pass = 0; pass < passes && !dataEnded_; ++pass) {
        int sr = p_.interlaced ? startRow[pass] : 0, sc = p_.interlaced ? startCol[pass] : 0;
        int rs = p_.interlaced ? rowStep[pass] : 1, cs = p_.interlaced ? colStep[pass] : 1;
        uint8_t mask = p_.interlaced ? masks[pass] : 0xFF;
        if (sc >= w || sr >= h) continue;
        int passWidth = (w - sc + cs - 1) / cs;
        size_t bytes = size_t((uint64_t(passWidth) * uint64_t(p_.bitsPerPixel) + 7) / 8);
        uint8_t* cur = bufA.data();
        uint8_t* prev = bufB.data();
        std::memset(prev, 0, bytes + 1);
        for (int y = sr; y < h; y += rs) {
            // Damaged data ends the picture where it is found: the rows already
            // decoded stay, the rest keep the fill colour. This holds for data
            // that runs out and for a row whose filter type the format does not
            // define (its bytes and every row after it, which is filtered
            // against it, would be guesses).
            bool rowOk = InflateRow(cur, bytes + 1) && Unfilter(cur, prev, bytes);
            if (!rowOk) {
                dataEnded_ = true;
                if (!p_.interlaced) clearRows(y);
                break;
            }
            WriteRow(cur + 1, view.Row(y), passWidth, sc, cs, mask);
            std::swap(cur, prev);
            target_.Progress(PngTarget::Running, int(int64_t(y + 1) * 100 / h), L"");
        }
    }
    // Further image-data chunks are read and checked, not used.
    Chunk c;
    while (in_.Peek(c) && TypeIs(c.type, "IDAT")) {
        in_.Next(c);
        CheckCrc(c);
    }
}

}  // namespace

PngLoadResult LoadPng(const uint8_t* data, size_t size, PngTarget& target, TColorManager& colors,
                      const PngLimits& limits)
{
    Loader loader(data, size, target, colors, limits);
    return loader.Run();
}
