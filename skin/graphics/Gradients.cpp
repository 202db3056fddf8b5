#include "skin/graphics/Gradients.h"

#include <algorithm>
#include <cstring>
#include <cwctype>

#include "classlib/SysUtils.h"

int32_t GradientStrToInt(const std::wstring& text)
{
    size_t i = 0, n = text.size();
    while (i < n && (text[i] == L' ' || text[i] == L'\t')) ++i;
    bool negative = false;
    if (i < n && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
    int base = 10;
    if (i < n && text[i] == L'$') {
        base = 16;
        ++i;
    } else if (i + 1 < n && text[i] == L'0' && (text[i + 1] == L'x' || text[i + 1] == L'X')) {
        base = 16;
        i += 2;
    }
    size_t end = n;
    while (end > i && (text[end - 1] == L' ' || text[end - 1] == L'\t')) --end;
    if (i >= end) throw EConvertError(L"Invalid number in gradient data");
    uint64_t v = 0;
    for (; i < end; ++i) {
        const wchar_t c = text[i];
        int d;
        if (c >= L'0' && c <= L'9')
            d = c - L'0';
        else if (base == 16 && c >= L'a' && c <= L'f')
            d = c - L'a' + 10;
        else if (base == 16 && c >= L'A' && c <= L'F')
            d = c - L'A' + 10;
        else
            throw EConvertError(L"Invalid number in gradient data");
        v = v * uint64_t(base) + uint64_t(d);
        // Hexadecimal may use all 32 bits; decimal must fit a signed 32-bit value.
        const uint64_t limit = base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
        if (v > limit) throw EConvertError(L"Number out of range in gradient data");
    }
    const int64_t s = negative ? -int64_t(v) : int64_t(v);
    return int32_t(uint32_t(uint64_t(s)));
}

void ParseGradientData(const std::wstring& text, TsGradArray& out)
{
    out.clear();
    // Words by the rule of the library's word extractor (maximal runs of
    // characters other than ";"), found in one pass: extracting word k from
    // the start each time would take quadratic time on a long untrusted text.
    std::vector<std::wstring> words;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t semi = text.find(L';', pos);
        if (semi == std::wstring::npos) semi = text.size();
        if (semi > pos) words.push_back(text.substr(pos, semi - pos));
        pos = semi + 1;
    }
    const size_t stops = words.size() / 5;
    out.reserve(stops);
    for (size_t k = 0; k < stops; ++k) {
        const std::wstring* f = &words[k * 5];
        TsGradStop s;
        s.Color1 = std::max<int32_t>(0, GradientStrToInt(f[0]));
        s.Color2 = std::max<int32_t>(0, GradientStrToInt(f[1]));
        s.Percent = uint8_t(std::clamp<int32_t>(GradientStrToInt(f[2]), 0, 100));
        s.Mode = GradientStrToInt(f[3]);
        out.push_back(s);
    }
}

void FillRow32(uint32_t* first, int count, uint32_t value)
{
    if (count > 0) std::fill_n(first, count, value);
}

namespace {

// The colours of a band of n steps from c1 to c2 (pixels 0x00RRGGBB), one
// step after the other: channel a + nearest((b - a) * i / n), in exact
// integer arithmetic (halves away from zero) with no division per pixel.
class BandStepper {
public:
    BandStepper(uint32_t c1, uint32_t c2, int n, uint32_t alpha) : alpha_(alpha << 24)
    {
        for (int k = 0; k < 3; ++k) {
            const int a = int(c1 >> (8 * k) & 0xFF), b = int(c2 >> (8 * k) & 0xFF);
            Channel& c = ch_[k];
            c.base = a;
            c.sign = b < a ? -1 : 1;
            const int inc = 2 * std::abs(b - a);
            c.twoN = 2 * n;
            c.qStep = inc / c.twoN;
            c.rStep = inc % c.twoN;
            c.r = n;   // numerator 2|d|i + n at i = 0, less q * 2n
            c.q = 0;
        }
    }
    uint32_t Current() const
    {
        uint32_t out = alpha_;
        for (int k = 0; k < 3; ++k) out |= uint32_t(ch_[k].base + ch_[k].sign * ch_[k].q) << (8 * k);
        return out;
    }
    void Next()
    {
        for (Channel& c : ch_) {
            c.r += c.rStep;
            c.q += c.qStep;
            const int carry = c.r >= c.twoN;
            c.r -= carry * c.twoN;
            c.q += carry;
        }
    }

private:
    struct Channel {
        int base, sign, qStep, rStep, twoN, r, q;
    };
    Channel ch_[3];
    uint32_t alpha_;
};

// One row of a horizontal gradient and what it was made from.
struct KeptRow {
    TsGradArray stops;
    int width = -1;
    uint8_t alpha = 0;
    std::vector<uint32_t> row;
    uint32_t* second = nullptr;   // inside row, see below
};

// The pixels of one row of a horizontal gradient of the given width. The row
// painted last is kept (per thread) with what it was made from: repainting the
// same control, the common case, then costs only the stores.
const KeptRow& HorizontalRow(const TsGradArray& g, int width, uint8_t alpha)
{
    thread_local KeptRow kept;
    auto same = [&](const TsGradStop& a, const TsGradStop& b) {
        return a.Color1 == b.Color1 && a.Color2 == b.Color2 && a.Percent == b.Percent && a.Mode == b.Mode;
    };
    if (kept.width == width && kept.alpha == alpha && kept.stops.size() == g.size() &&
        std::equal(g.begin(), g.end(), kept.stops.begin(), same))
        return kept;
    kept.stops = g;
    kept.width = width;
    kept.alpha = alpha;
    kept.row.assign(size_t(width), 0);
    uint32_t* top = kept.row.data();
    const uint32_t a = alpha;
    const size_t n = g.size();
    int start = 0;
    for (size_t k = 0; k < n; ++k) {
        int end = k + 1 == n ? width : std::min(GradientBandEnd(start, g[k].Percent, width), width);
        const int cols = end - start;
        if (cols <= 0) continue;   // an empty band: the next one starts here
        const uint32_t c1 = GradientColorPixel(g[k].Color1), c2 = GradientColorPixel(g[k].Color2);
        if (c1 == c2) {
            FillRow32(top + start, cols, a << 24 | c1);
        } else {
            BandStepper step(c1, c2, cols, a);
            for (int i = 0; i < cols; ++i, step.Next()) top[start + i] = step.Current();
        }
        start = end;
    }
    // A second copy whose address differs from the first by 2 KiB modulo
    // 4 KiB: each row is copied from the copy whose address is farther from
    // the destination's modulo 4 KiB, so loads never wait on the stores just
    // made to an address of the same low bits (which slows wide frames).
    kept.row.resize(size_t(width) * 2 + 1024);
    const uintptr_t base = reinterpret_cast<uintptr_t>(kept.row.data());
    const uintptr_t want = (base + 2048) & 4095;
    uintptr_t b = base + size_t(width) * 4;
    b += (want - (b & 4095)) & 4095;
    kept.second = reinterpret_cast<uint32_t*>(b);
    std::copy(kept.row.data(), kept.row.data() + width, kept.second);
    return kept;
}

// The row copied into every row of r.
void CopyRowDown(const PixelView& v, px::Rect r, const uint32_t* first, const uint32_t* second)
{
    const size_t bytes = size_t(r.Width()) * sizeof(uint32_t);
    if (bytes < 4096) {   // short rows: one source serves (and measures faster)
        for (int y = r.top; y < r.bottom; ++y) std::memcpy(v.Row(y) + r.left, first, bytes);
        return;
    }
    for (int y = r.top; y < r.bottom; ++y) {
        uint32_t* d = v.Row(y) + r.left;
        const uintptr_t gap = (reinterpret_cast<uintptr_t>(d) - reinterpret_cast<uintptr_t>(first)) & 4095;
        std::memcpy(d, gap >= 1024 && gap < 3072 ? first : second, bytes);
    }
}

}  // namespace

bool FillGradientBands(const PixelView& v, px::Rect r, const TsGradArray& g, int extraHeight, uint8_t alpha)
{
    if (v.Empty() || g.empty()) return false;
    r = ClipRect(r, v.width, v.height);
    if (r.Empty()) return false;
    const uint32_t a = alpha;
    const size_t n = g.size();
    if (g[0].Mode == gmVertical) {
        const int length = r.Height() + extraHeight;
        int start = r.top + extraHeight;
        for (size_t k = 0; k < n; ++k) {
            int end = k + 1 == n ? r.bottom : std::min(GradientBandEnd(start, g[k].Percent, length), r.bottom);
            const int rows = end - start;
            if (rows <= 0) continue;   // an empty band: the next one starts here
            const uint32_t c1 = GradientColorPixel(g[k].Color1), c2 = GradientColorPixel(g[k].Color2);
            BandStepper step(c1, c2, rows, a);
            for (int i = 0; i < rows; ++i, step.Next()) FillRow32(v.Row(start + i) + r.left, r.Width(), step.Current());
            start = end;
        }
        return true;
    }
    if (g[0].Mode == gmHorizontal) {
        const int width = r.Width();
        const KeptRow& kept = HorizontalRow(g, width, alpha);
        CopyRowDown(v, r, kept.row.data(), kept.second);
        return true;
    }
    return false;
}

void FillGradientPartPixels(const PixelView& v, px::Rect r, const TsGradArray& g, uint8_t alpha, int textureWeight,
                            const PixelView& texture, px::Rect textureRect)
{
    if (v.Empty() || g.empty() || (g[0].Mode != gmVertical && g[0].Mode != gmHorizontal)) return;
    const px::Rect whole = r;
    r = ClipRect(r, v.width, v.height);
    if (r.Empty() || !FillGradientBands(v, r, g, 0, alpha)) return;
    if (texture.Empty()) return;
    if (textureRect.Empty()) textureRect = px::Rect{0, 0, texture.width, texture.height};
    textureRect = ClipRect(textureRect, texture.width, texture.height);
    const int tw = textureRect.Width(), th = textureRect.Height();
    if (tw <= 0 || th <= 0) return;
    const int w = std::clamp(textureWeight, 0, 255);
    const uint32_t a = uint32_t(alpha) << 24;
    for (int y = r.top; y < r.bottom; ++y) {
        const int ty = textureRect.top + ((y - whole.top) % th + th) % th;
        const uint32_t* t = texture.Row(ty) + textureRect.left;
        uint32_t* p = v.Row(y);
        int tx = ((r.left - whole.left) % tw + tw) % tw;
        for (int x = r.left; x < r.right; ++x) {
            const uint32_t pv = p[x], tv = t[tx];
            uint32_t out = a;
            for (int shift = 0; shift <= 16; shift += 8) {
                const int pc = int(pv >> shift & 0xFF), tc = int(tv >> shift & 0xFF);
                out |= uint32_t((w * (tc - pc) + pc * 256) >> 8) << shift;
            }
            p[x] = out;
            if (++tx == tw) tx = 0;
        }
    }
}
