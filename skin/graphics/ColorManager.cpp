#include "skin/graphics/ColorManager.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

const wchar_t* const kBadDepth = L"Color depth is invalid. Bits per sample must be 1, 2, 4, 8 or 16.";
const wchar_t* const kBadSamples = L"Sample count per pixel does not correspond to the given color scheme.";
const wchar_t* const kNoMethod = L"Color conversion failed. Could not find a proper method.";
const wchar_t* const kIndexedMix = L"Conversion between indexed and non-indexed pixel formats is not supported.";

inline uint16_t Swap16(uint16_t v) { return uint16_t((v >> 8) | (v << 8)); }
inline uint16_t Read16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline void Write16(uint8_t* p, uint16_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline uint8_t To8(uint16_t v) { return uint8_t(uint32_t(v) * 255u / 65535u); }
inline uint16_t To16(uint8_t v) { return uint16_t(uint32_t(v) * 65535u / 255u); }
inline int Clamp(long v, long lo, long hi) { return int(std::clamp(v, lo, hi)); }

// Reads `bits` bits, most significant first, from bit position pos of in (which moves on).
inline unsigned ReadBits(const uint8_t* in, size_t& pos, int bits)
{
    unsigned v = 0;
    for (int k = 0; k < bits; ++k, ++pos) v = (v << 1) | ((in[pos >> 3] >> (7 - (pos & 7))) & 1u);
    return v;
}
// Writes the low `bits` bits of v, most significant first, at bit position pos of out.
inline void WriteBits(uint8_t* out, size_t pos, int bits, unsigned v)
{
    for (int k = 0; k < bits; ++k) {
        size_t b = pos + size_t(k);
        unsigned bit = (v >> (bits - 1 - k)) & 1u;
        out[b >> 3] = uint8_t((out[b >> 3] & ~(0x80u >> (b & 7))) | (bit << (7 - (b & 7))));
    }
}

// The running column-mask bit: 0x80 first, rotating right once per target pixel.
struct MaskBit {
    uint8_t mask, bit = 0x80;
    bool Take()
    {
        bool on = (mask & bit) != 0;
        bit = uint8_t(bit == 1 ? 0x80 : bit >> 1);
        return on;
    }
};

bool IsIndexedLike(TColorScheme s) { return s == csIndexed || s == csG || s == csGA; }
bool HasAlpha(TColorScheme s) { return s == csGA || s == csRGBA || s == csBGRA; }
bool IsBGR(TColorScheme s) { return s == csBGR || s == csBGRA; }
bool IsRGBFamily(TColorScheme s) { return s >= csRGB && s <= csBGRA; }

// Reads the interleaved or planar samples of colour members: channel c of pixel i.
struct SampleReader {
    const uint8_t* planes[4]{};
    bool planar;
    int stride;   // bytes per interleaved pixel
    int bytes;    // bytes per sample
    SampleReader(const void* const* p, int planeCount, int channels, int sampleBytes, bool usePlanes)
        : planar(usePlanes), stride(channels * sampleBytes), bytes(sampleBytes)
    {
        for (int i = 0; i < 4; ++i) planes[i] = static_cast<const uint8_t*>(p[std::min(i, planeCount - 1)]);
    }
    const uint8_t* At(int pixel, int channel) const
    {
        if (planar) return planes[channel] + size_t(pixel) * size_t(bytes);
        return planes[0] + size_t(pixel) * size_t(stride) + size_t(channel) * size_t(bytes);
    }
};

}  // namespace

TColorManager::TColorManager() { BuildGammaTable(); }

namespace {
// Stores a new value of a conversion setting; says whether it differs from the old.
template <class T>
bool Store(T& field, T value)
{
    if (field == value) return false;
    field = value;
    return true;
}
int CheckedBits(int bits)
{
    if (bits <= 0 || bits > 16) throw EColorConversionError(kBadDepth);
    return bits;
}
int CheckedSamples(int samples)
{
    if (samples <= 0 || samples > 4) throw EColorConversionError(kBadSamples);
    return samples;
}
}  // namespace

void TColorManager::SetSourceBitsPerSample(int bits) { changed_ |= Store(srcBits_, CheckedBits(bits)); }
void TColorManager::SetTargetBitsPerSample(int bits) { changed_ |= Store(tgtBits_, CheckedBits(bits)); }
void TColorManager::SetSourceSamplesPerPixel(int samples) { changed_ |= Store(srcSamples_, CheckedSamples(samples)); }
void TColorManager::SetTargetSamplesPerPixel(int samples) { changed_ |= Store(tgtSamples_, CheckedSamples(samples)); }
void TColorManager::SetSourceColorScheme(TColorScheme s) { changed_ |= Store(srcScheme_, s); }
void TColorManager::SetTargetColorScheme(TColorScheme s) { changed_ |= Store(tgtScheme_, s); }

void TColorManager::SetGamma(double displayGamma, double mainGamma)
{
    displayGamma_ = displayGamma > 0 ? displayGamma : 2.2;
    mainGamma_ = mainGamma > 0 ? mainGamma : 1;
    BuildGammaTable();
}

void TColorManager::SetYCbCrCoefficients(double red, double green, double blue)
{
    lumaR_ = red;
    lumaG_ = green;
    lumaB_ = blue;
    changed_ = true;
}

void TColorManager::BuildGammaTable()
{
    // Indexed by source samples (cut to 8 bits), giving target samples: the
    // brightest source sample gives the brightest target sample.
    int b = srcBits_ >= 8 ? 255 : (1 << srcBits_) - 1;
    int m = tgtBits_ >= 8 ? 255 : (1 << tgtBits_) - 1;
    double e = 1 / (mainGamma_ * displayGamma_);
    std::memset(gamma_, 0, sizeof gamma_);
    for (int i = 0; i <= b && i < 256; ++i) gamma_[i] = uint8_t(std::clamp<long>(std::lround(std::pow(double(i) / b, e) * m), 0, 255));
    for (int i = 0; i < 256; ++i) gammaFull_[i] = uint8_t(std::clamp<long>(std::lround(std::pow(i / 255.0, e) * 255), 0, 255));
    // A file gamma that matches the display (1/2.2 against 2.2, as many
    // writers store) gives a table that changes nothing: rows then take the
    // plain copy, as without gamma.
    gammaIdentity_ = true;
    for (int i = 0; i < 256 && gammaIdentity_; ++i) gammaIdentity_ = gamma_[i] == i;
}

void TColorManager::BuildYCbCrTables(bool photoYcc)
{
    photo_ = photoYcc;
    double k1 = 2 - 2 * lumaR_, k2 = 2 - 2 * lumaB_;
    int o1 = photoYcc ? 137 : 128, o2 = photoYcc ? 156 : 128;
    for (int i = 0; i < 256; ++i) {
        yccT1_[i] = int(std::lround(k1 * (i - o1)));
        yccT2_[i] = int(std::lround(k2 * (i - o2)));
        yccT3_[i] = -int(std::lround(lumaR_ * k1 / lumaG_ * (i - o1)));
        yccT4_[i] = -int(std::lround(lumaB_ * k2 / lumaG_ * (i - o2)));
    }
}

int TColorManager::GetPixelFormat(bool target) const
{
    int samples = target ? tgtSamples_ : srcSamples_, bits = target ? tgtBits_ : srcBits_;
    switch (samples) {
    case 1:
        if (bits == 1) return 1;
        if (bits >= 2 && bits <= 4) return 4;
        if (bits >= 8) return 8;
        return 0;
    case 3: return bits <= 5 ? 15 : 24;
    case 4: return bits >= 8 ? 32 : 0;
    default: return 0;
    }
}

void TColorManager::SelectConverter()
{
    if (IsIndexedLike(srcScheme_) != IsIndexedLike(tgtScheme_))
        throw EColorConversionError(kIndexedMix);
    srcOptions_ = HasAlpha(srcScheme_) ? srcOptions_ | coAlpha : srcOptions_ & ~unsigned(coAlpha);
    tgtOptions_ = HasAlpha(tgtScheme_) ? tgtOptions_ | coAlpha : tgtOptions_ & ~unsigned(coAlpha);
    BuildGammaTable();
    converter_ = nullptr;
    bool rgbTarget = IsRGBFamily(tgtScheme_);
    switch (srcScheme_) {
    case csIndexed:
        if (srcBits_ == 16 && tgtBits_ == 16) converter_ = &TColorManager::RowIndexed16To16;
        else if (srcBits_ == 16) converter_ = &TColorManager::RowIndexed16To8;
        else if (tgtBits_ == 16) converter_ = &TColorManager::RowIndexed8To16;
        else converter_ = &TColorManager::RowIndexed8;
        break;
    case csG:
        if (srcBits_ < 16 && tgtBits_ < 16) converter_ = &TColorManager::RowIndexed8;
        else if (srcBits_ >= 8 && tgtBits_ >= 8) converter_ = &TColorManager::RowGrey;
        break;
    case csGA:
        if ((srcBits_ == 8 || srcBits_ == 16) && (tgtBits_ == 8 || tgtBits_ == 16)) converter_ = &TColorManager::RowGrey;
        break;
    case csRGB: case csRGBA: case csBGR: case csBGRA:
        if (rgbTarget) converter_ = &TColorManager::RowRGB;
        break;
    case csCMYK:
        if (rgbTarget) converter_ = &TColorManager::RowCMYK;
        break;
    case csCIELab:
        if (rgbTarget) converter_ = &TColorManager::RowLab;
        break;
    case csYCbCr:
    case csPhotoYCC:
        if (rgbTarget) {
            BuildYCbCrTables(srcScheme_ == csPhotoYCC);
            converter_ = &TColorManager::RowYCC;
        }
        break;
    default: break;
    }
    changed_ = false;
}

void TColorManager::ConvertRow(const void* const* planes, int planeCountMinus1, void* target, int count, uint8_t mask)
{
    if (changed_) SelectConverter();
    if (!converter_) throw EColorConversionError(kNoMethod);
    if (!planes || !planes[0] || !target || count <= 0) return;
    (this->*converter_)(planes, planeCountMinus1, target, count, mask);
}

// ---- RGB family ----

void TColorManager::RowRGB(const void* const* planes, int planeCountMinus1, void* target, int count, uint8_t mask)
{
    if ((srcBits_ != 8 && srcBits_ != 16) || (tgtBits_ != 8 && tgtBits_ != 16)) return;
    bool sAlpha = srcOptions_ & coAlpha, tAlpha = tgtOptions_ & coAlpha;
    bool swapIn = srcOptions_ & coNeedByteSwap, gamma = (tgtOptions_ & coApplyGamma) && !gammaIdentity_;
    bool exchange = IsBGR(srcScheme_) != IsBGR(tgtScheme_);
    int sb = srcBits_ / 8, tb = tgtBits_ / 8;
    int sChannels = sAlpha ? 4 : 3, tChannels = tAlpha ? 4 : 3;
    SampleReader in(planes, planeCountMinus1 + 1, sChannels, sb, planeCountMinus1 > 0);
    auto* out = static_cast<uint8_t*>(target);
    const uint8_t* g = gamma_;
    // One per-sample function per row, chosen from the two depths.
    auto colour = [&](const uint8_t* p, uint8_t* q) {
        if (sb == 1) {
            uint8_t v = gamma ? g[*p] : *p;
            if (tb == 1) *q = v;
            else Write16(q, swapIn ? Swap16(To16(v)) : To16(v));
        } else {
            uint16_t v = Read16(p);
            if (swapIn) v = Swap16(v);
            if (tb == 1) {
                uint8_t e = To8(v);
                *q = gamma ? g[e] : e;
            } else {
                Write16(q, swapIn ? Swap16(v) : v);
            }
        }
    };
    auto alpha = [&](const uint8_t* p, uint8_t* q) {
        if (sb == 1 && tb == 1) *q = *p;
        else if (sb == 2 && tb == 2) Write16(q, Read16(p));
        else if (sb == 1) Write16(q, swapIn ? Swap16(To16(*p)) : To16(*p));
        else *q = To8(swapIn ? Swap16(Read16(p)) : Read16(p));
    };
    if (sb == 1 && tb == 1 && !gamma && mask == 0xFF && planeCountMinus1 == 0) {
        // The common row: 8-bit interleaved samples, every pixel, no gamma (or one that changes nothing).
        const uint8_t* s = in.planes[0];
        int r = exchange ? 2 : 0, b = exchange ? 0 : 2;
        bool carryAlpha = sAlpha && tAlpha;
        for (int i = 0; i < count; ++i, s += sChannels, out += tChannels) {
            out[0] = s[r];
            out[1] = s[1];
            out[2] = s[b];
            if (carryAlpha) out[3] = s[3];
        }
        return;
    }
    MaskBit m{mask};
    int sp = 0;
    for (int i = 0; i < count; ++i, out += tChannels * tb) {
        if (!m.Take()) continue;
        for (int c = 0; c < 3; ++c) colour(in.At(sp, exchange ? 2 - c : c), out + c * tb);
        if (sAlpha && tAlpha) alpha(in.At(sp, 3), out + 3 * tb);
        ++sp;
    }
}

// ---- grey ----

void TColorManager::RowGrey(const void* const* planes, int, void* target, int count, uint8_t mask)
{
    bool swap = srcOptions_ & coNeedByteSwap;
    int sb = srcBits_ >= 16 ? 2 : 1, tb = tgtBits_ >= 16 ? 2 : 1;
    int step = (srcScheme_ == csGA ? 2 : 1) * sb;
    const auto* in = static_cast<const uint8_t*>(planes[0]);
    auto* out = static_cast<uint8_t*>(target);
    MaskBit m{mask};
    for (int i = 0; i < count; ++i, out += tb) {
        if (!m.Take()) continue;
        if (sb == 1) {
            if (tb == 1) *out = *in;
            else Write16(out, swap ? Swap16(To16(*in)) : To16(*in));
        } else {
            uint16_t v = Read16(in);
            if (tb == 1) *out = To8(swap ? Swap16(v) : v);
            else Write16(out, v);   // copied as stored: the target keeps the source's byte order
        }
        in += step;
    }
}

// ---- indexed family ----

void TColorManager::RowIndexed8(const void* const* planes, int, void* target, int count, uint8_t mask)
{
    const auto* in = static_cast<const uint8_t*>(planes[0]);
    auto* out = static_cast<uint8_t*>(target);
    int s = srcBits_, t = tgtBits_;
    if (s == t && mask == 0xFF && (s == 1 || s == 2 || s == 4 || s == 8)) {
        std::memcpy(out, in, (size_t(count) * size_t(s) + 7) / 8);
        return;
    }
    // Palette indices are widened as they are; grey levels are rescaled to the target depth.
    bool rescale = srcScheme_ != csIndexed;
    unsigned sMax = (1u << s) - 1, tMax = (1u << t) - 1;
    MaskBit m{mask};
    size_t sBit = 0, tBit = 0;
    for (int i = 0; i < count; ++i, tBit += size_t(t)) {
        if (!m.Take()) continue;
        unsigned v = ReadBits(in, sBit, s);
        WriteBits(out, tBit, t, rescale ? v * tMax / sMax : std::min(v, tMax));
    }
}

void TColorManager::RowIndexed16To16(const void* const* planes, int, void* target, int count, uint8_t mask)
{
    bool swap = srcOptions_ & coNeedByteSwap;
    const auto* in = static_cast<const uint8_t*>(planes[0]);
    auto* out = static_cast<uint8_t*>(target);
    if (mask == 0xFF && !swap) {
        std::memcpy(out, in, size_t(count) * 2);
        return;
    }
    MaskBit m{mask};
    for (int i = 0; i < count; ++i, out += 2) {
        if (!m.Take()) continue;
        uint16_t v = Read16(in);
        Write16(out, swap ? Swap16(v) : v);
        in += 2;
    }
}

void TColorManager::RowIndexed16To8(const void* const* planes, int, void* target, int count, uint8_t mask)
{
    bool swap = srcOptions_ & coNeedByteSwap;
    const auto* in = static_cast<const uint8_t*>(planes[0]);
    auto* out = static_cast<uint8_t*>(target);
    int t = std::min(tgtBits_, 8);
    unsigned tMax = (1u << t) - 1;
    MaskBit m{mask};
    size_t tBit = 0;
    for (int i = 0; i < count; ++i, tBit += size_t(t)) {
        if (!m.Take()) continue;
        uint16_t v = Read16(in);
        if (swap) v = Swap16(v);
        in += 2;
        WriteBits(out, tBit, t, unsigned(v) * tMax / 65535u);
    }
}

void TColorManager::RowIndexed8To16(const void* const* planes, int, void* target, int count, uint8_t mask)
{
    bool swap = srcOptions_ & coNeedByteSwap;
    const auto* in = static_cast<const uint8_t*>(planes[0]);
    auto* out = static_cast<uint8_t*>(target);
    int s = std::min(srcBits_, 8);
    unsigned sMax = (1u << s) - 1;
    MaskBit m{mask};
    size_t sBit = 0;
    for (int i = 0; i < count; ++i, out += 2) {
        if (!m.Take()) continue;
        uint16_t w = uint16_t(ReadBits(in, sBit, s) * 65535u / sMax);
        Write16(out, swap ? Swap16(w) : w);
    }
}

// ---- CMYK, L*a*b*, YCbCr, Photo YCC ----

namespace {
// Writes three 0..255 or 0..65535 colour values in RGB or BGR order.
inline void Put3(uint8_t* q, int tb, bool bgr, int r, int g, int b)
{
    int v[3] = {bgr ? b : r, g, bgr ? r : b};
    for (int c = 0; c < 3; ++c) {
        if (tb == 1) q[c] = uint8_t(v[c]);
        else Write16(q + c * 2, uint16_t(v[c]));
    }
}

// The frame of the colour-space rows: both sides 8 or 16 bits a sample (else
// nothing is written), source pixels of `channels` samples, target pixels of
// three samples (four with alpha). pixel(in, sp, out) writes the target pixel
// out of source pixel sp, for each column the mask keeps.
template <class Pixel>
void EachColourPixel(int srcBits, int tgtBits, bool tgtAlpha, const void* const* planes, int planeCount,
                     int channels, bool planar, void* target, int count, uint8_t mask, Pixel pixel)
{
    if ((srcBits != 8 && srcBits != 16) || (tgtBits != 8 && tgtBits != 16)) return;
    const SampleReader in(planes, planeCount, channels, srcBits / 8, planar);
    const int tStep = (tgtAlpha ? 4 : 3) * (tgtBits / 8);
    auto* out = static_cast<uint8_t*>(target);
    MaskBit m{mask};
    int sp = 0;
    for (int i = 0; i < count; ++i, out += tStep) {
        if (m.Take()) pixel(in, sp++, out);
    }
}
}  // namespace

void TColorManager::RowCMYK(const void* const* planes, int planeCountMinus1, void* target, int count, uint8_t mask)
{
    const int sb = srcBits_ / 8, tb = tgtBits_ / 8;
    const bool bgr = IsBGR(tgtScheme_);
    EachColourPixel(srcBits_, tgtBits_, tgtOptions_ & coAlpha, planes, planeCountMinus1 + 1, 4, planeCountMinus1 == 3,
                    target, count, mask, [&](const SampleReader& in, int sp, uint8_t* out) {
        int v[3];
        if (sb == 1) {
            unsigned k = *in.At(sp, 3);
            for (int c = 0; c < 3; ++c) {
                unsigned s = *in.At(sp, c);
                int x = Clamp(long(s * k / 255u) - long(s) - long(k) + 255, 0, 255);
                v[c] = tb == 1 ? x : To16(uint8_t(x));
            }
        } else {
            unsigned k = Read16(in.At(sp, 3));
            for (int c = 0; c < 3; ++c) {
                unsigned s = Read16(in.At(sp, c));
                unsigned t = s - s * k / 65535u + k;
                v[c] = tb == 1 ? Clamp(255 - long(t * 255u / 65535u), 0, 255) : Clamp(65535 - long(t), 0, 65535);
            }
        }
        Put3(out, tb, bgr, v[0], v[1], v[2]);
    });
}

void TColorManager::RowLab(const void* const* planes, int planeCountMinus1, void* target, int count, uint8_t mask)
{
    const int sb = srcBits_ / 8, tb = tgtBits_ / 8;
    const bool bgr = IsBGR(tgtScheme_);
    const bool lByte = srcOptions_ & coLabByteRange, offset = srcOptions_ & coLabChromaOffset;
    EachColourPixel(srcBits_, tgtBits_, tgtOptions_ & coAlpha, planes, planeCountMinus1 + 1, 3, planeCountMinus1 > 0,
                    target, count, mask, [&](const SampleReader& in, int sp, uint8_t* out) {
        double l;
        double ab[2];
        if (sb == 1) {
            l = *in.At(sp, 0);
            for (int c = 0; c < 2; ++c) {
                uint8_t raw = *in.At(sp, 1 + c);
                ab[c] = offset ? double(raw) - 128 : double(int8_t(raw));
            }
        } else {
            l = Read16(in.At(sp, 0));
            for (int c = 0; c < 2; ++c) {
                const uint8_t* p = in.At(sp, 1 + c);
                ab[c] = offset ? double(Read16(p)) - 128 : double(int8_t(p[0]));
            }
        }
        if (lByte) l /= 2.55;
        double x, y, z;
        if (l < 7.9996) {
            y = l / 903.3;
            x = y + ab[0] / 3893.5;
            z = y - ab[1] / 1557.4;
        } else {
            double f = (l + 16) / 116;
            x = std::pow(f + ab[0] / 500, 3);
            y = f * f * f;
            z = std::pow(f - ab[1] / 200, 3);
        }
        auto ch = [&](double v) {
            int e = Clamp(std::lround(v * 255), 0, 255);
            return (tb == 2 && sb == 1) ? int(To16(uint8_t(e))) : e;
        };
        int r = ch(2.998 * x - 1.458 * y - 0.541 * z);
        int g = ch(-0.952 * x + 1.893 * y + 0.059 * z);
        int b = ch(0.099 * x - 0.198 * y + 1.099 * z);
        Put3(out, tb, bgr, r, g, b);
    });
}

void TColorManager::RowYCC(const void* const* planes, int planeCountMinus1, void* target, int count, uint8_t mask)
{
    const int sb = srcBits_ / 8, tb = tgtBits_ / 8;
    const bool bgr = IsBGR(tgtScheme_);
    EachColourPixel(srcBits_, tgtBits_, tgtOptions_ & coAlpha, planes, planeCountMinus1 + 1, 3, planeCountMinus1 > 0,
                    target, count, mask, [&](const SampleReader& in, int sp, uint8_t* out) {
        if (sb == 2 && tb == 2) {
            // 16-bit samples to a 16-bit target: the Photo YCC formula (used for YCbCr too).
            float y = 1.3584f * float(Read16(in.At(sp, 0)));
            double c1 = double(Read16(in.At(sp, 1))) - 40092, c2 = double(Read16(in.At(sp, 2))) - 35209;
            int r = Clamp(std::lround(y + 1.8215 * c2), 0, 65535);
            int g = Clamp(std::lround(y - 0.9271435 * c2 - 0.4302726 * c1), 0, 65535);
            int b = Clamp(std::lround(y + 2.2179 * c1), 0, 65535);
            Put3(out, tb, bgr, r, g, b);
        } else {
            int yv, cb, cr;
            if (sb == 1) {
                yv = *in.At(sp, 0);
                cb = *in.At(sp, 1);
                cr = *in.At(sp, 2);
            } else {
                yv = To8(Read16(in.At(sp, 0)));
                cb = To8(Read16(in.At(sp, 1)));
                cr = To8(Read16(in.At(sp, 2)));
            }
            int r = Clamp(yv + yccT1_[cr], 0, 255);
            int g = Clamp(yv + yccT3_[cr] + yccT4_[cb], 0, 255);
            int b = Clamp(yv + yccT2_[cb], 0, 255);
            if (tb == 2) Put3(out, tb, bgr, To16(uint8_t(r)), To16(uint8_t(g)), To16(uint8_t(b)));
            else Put3(out, tb, bgr, r, g, b);
        }
    });
}

// ---- palettes ----

std::vector<uint32_t> TColorManager::CreateGrayscalePalette(bool reverse) const
{
    int bits = std::min(tgtBits_ * tgtSamples_, 8);
    int n = 1 << bits;
    int step = 255 / (n - 1);
    bool gamma = tgtOptions_ & coApplyGamma;
    std::vector<uint32_t> entries(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        int level = i * step;
        // Gamma at the full 8-bit scale: the table of a low-depth source only
        // covers 0 .. 2^bits - 1, which would turn the upper levels black.
        uint32_t g = gamma ? gammaFull_[level] : uint32_t(level);
        entries[size_t(reverse ? n - 1 - i : i)] = (g << 16) | (g << 8) | g;
    }
    return entries;
}

std::vector<uint32_t> TColorManager::CreateColorPalette(const void* const* planes, int planeCountMinus1, bool bgr,
                                                        int count, int entryBytes) const
{
    std::vector<uint32_t> entries;
    if (!planes || !planes[0] || count <= 0) return entries;
    count = std::min(count, 256);
    bool gamma = tgtOptions_ & coApplyGamma;
    entries.resize(size_t(count));
    for (int i = 0; i < count; ++i) {
        uint8_t c[3];
        for (int k = 0; k < 3; ++k) {
            const uint8_t* p;
            if (planeCountMinus1 >= 2) p = static_cast<const uint8_t*>(planes[k]) + i * (entryBytes == 6 ? 2 : 1);
            else p = static_cast<const uint8_t*>(planes[0]) + i * entryBytes + k * (entryBytes == 6 ? 2 : 1);
            c[k] = p[0];   // 16-bit entries are stored most significant byte first
        }
        uint8_t r = bgr ? c[2] : c[0], g = c[1], b = bgr ? c[0] : c[2];
        if (gamma) {   // entries are 8-bit values whatever the index depth: full-scale gamma
            r = gammaFull_[r];
            g = gammaFull_[g];
            b = gammaFull_[b];
        }
        entries[size_t(i)] = (uint32_t(r) << 16) | (uint32_t(g) << 8) | b;
    }
    return entries;
}
