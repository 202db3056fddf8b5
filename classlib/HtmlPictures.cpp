// Pictures as rich text: bitmaps encoded for \pict, their display size, and
// the pictures of a page loaded on demand (PagePictures).
#include "classlib/HtmlInternal.h"

namespace html::detail {

namespace {

void Put16(std::vector<uint8_t>& v, uint32_t x) {
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
}
void Put32(std::vector<uint8_t>& v, uint32_t x) {
    Put16(v, x & 0xFFFF);
    Put16(v, x >> 16);
}

void PutInfoHeader(std::vector<uint8_t>& dib, int width, int height, int bits, uint32_t compression,
                   uint32_t imageSize, uint32_t colors) {
    Put32(dib, 40), Put32(dib, uint32_t(width)), Put32(dib, uint32_t(height)), Put32(dib, 1 | uint32_t(bits) << 16);
    Put32(dib, compression), Put32(dib, imageSize);
    Put32(dib, 3780), Put32(dib, 3780), Put32(dib, colors), Put32(dib, 0);   // 96 dpi
}

// One row of palette indexes in run-length form (8 bits per index): runs of
// equal indexes as count and index, other stretches of three or more as
// literal groups padded to an even length.
void EncodeRle8Row(const uint8_t* row, size_t w, std::vector<uint8_t>& out) {
    size_t x = 0;
    while (x < w) {
        size_t run = 1;
        while (x + run < w && run < 255 && row[x + run] == row[x]) ++run;
        if (run >= 2) {
            out.push_back(uint8_t(run));
            out.push_back(row[x]);
            x += run;
            continue;
        }
        size_t lit = 1;
        while (x + lit < w && lit < 255 && !(x + lit + 1 < w && row[x + lit] == row[x + lit + 1])) ++lit;
        if (lit < 3) {
            for (size_t k = 0; k < lit; ++k) {
                out.push_back(1);
                out.push_back(row[x + k]);
            }
        } else {
            out.push_back(0);
            out.push_back(uint8_t(lit));
            out.insert(out.end(), row + x, row + x + lit);
            if (lit & 1) out.push_back(0);
        }
        x += lit;
    }
}

// The leanest bitmap that the rich-edit controls of both Windows and Wine
// draw right. Wine's control reads the pixels of a \dibitmap 4 bytes past
// where they start (it counts one colour-table entry too many), so:
// - a picture of at most 256 colours (diagrams, drawings, text) is stored
//   with a palette and run-length coded; the 4 bytes before the runs are a
//   move by (0, 0), which does nothing where it is read and is skipped where
//   it is not;
// - any other picture is stored with 32 bits per pixel, every row beginning
//   with one white pixel, and 4 white bytes closing the data: Windows shows
//   a white column left of the picture, Wine one right of it, and both show
//   the picture itself unshifted.
// Transparent pixels are composed over white. Time and memory are linear in
// the number of pixels.
EncodedPicture EncodePicture(const html::Picture& pic) {
    const int w = pic.width, h = pic.height;
    const size_t n = size_t(w) * size_t(h);
    std::vector<uint32_t> rgb(n);
    for (size_t k = 0; k < n; ++k) {
        const uint8_t* p = &pic.bgra[k * 4];
        const unsigned a = p[3];
        uint32_t c = 0;
        for (int ch = 0; ch < 3; ++ch) c |= uint32_t((p[ch] * a + 255 * (255 - a) + 127) / 255) << (8 * ch);
        rgb[k] = c;   // 0x00RRGGBB, as the bitmap stores it (blue first)
    }

    std::vector<uint8_t> dib;
    EncodedPicture out;
    out.width = w;
    out.height = h;
    std::unordered_map<uint32_t, uint8_t> index;
    std::vector<uint32_t> palette;
    bool fewColours = true;
    for (size_t k = 0; k < n && fewColours; ++k) {
        if (index.count(rgb[k])) continue;
        if (palette.size() == 256) fewColours = false;
        else index.emplace(rgb[k], uint8_t(palette.size())), palette.push_back(rgb[k]);
    }
    if (fewColours) {
        std::vector<uint8_t> runs{0, 2, 0, 0};   // the move by (0, 0)
        std::vector<uint8_t> row(static_cast<size_t>(w));
        uint32_t lastColour = rgb[0];
        uint8_t lastIndex = index[lastColour];
        for (int y = h; y-- > 0;) {   // bottom-up
            for (int x = 0; x < w; ++x) {
                const uint32_t c = rgb[size_t(y) * size_t(w) + size_t(x)];
                if (c != lastColour) lastColour = c, lastIndex = index[c];   // drawings run in long stretches
                row[size_t(x)] = lastIndex;
            }
            EncodeRle8Row(row.data(), size_t(w), runs);
            runs.push_back(0);
            runs.push_back(y ? 0 : 1);   // end of line; end of bitmap after the last
        }
        PutInfoHeader(dib, w, h, 8, 1 /* BI_RLE8 */, uint32_t(runs.size()), uint32_t(palette.size()));
        for (uint32_t c : palette) Put32(dib, c);
        dib.insert(dib.end(), runs.begin(), runs.end());
        Put32(dib, 0);   // read by Wine in place of the 4 bytes it skipped
        out.storedWidth = w;
    } else {
        const int stored = w + 1;
        PutInfoHeader(dib, stored, h, 32, 0 /* BI_RGB */, uint32_t(stored) * uint32_t(h) * 4, 0);
        dib.reserve(dib.size() + size_t(stored) * size_t(h) * 4 + 4);
        for (int y = h; y-- > 0;) {
            Put32(dib, kWhite);
            for (int x = 0; x < w; ++x) Put32(dib, rgb[size_t(y) * size_t(w) + size_t(x)]);
        }
        Put32(dib, kWhite);
        out.storedWidth = stored;
    }

    static const char digits[] = "0123456789abcdef";
    out.hex.resize(dib.size() * 2 + dib.size() / 64 + 1);
    char* q = out.hex.data();
    for (size_t k = 0; k < dib.size(); ++k) {
        *q++ = digits[dib[k] >> 4];
        *q++ = digits[dib[k] & 15];
        if (k % 64 == 63) *q++ = '\n';
    }
    out.hex.resize(size_t(q - out.hex.data()));
    return out;
}

}  // namespace

std::pair<int, int> GoalSize(int attrW, int attrH, int w, int h, int64_t avail) {
    int gwPx = attrW, ghPx = attrH;
    if (gwPx <= 0 && ghPx <= 0) { gwPx = w; ghPx = h; }
    else if (gwPx <= 0) gwPx = int(int64_t(ghPx) * w / h);
    else if (ghPx <= 0) ghPx = int(int64_t(gwPx) * h / w);
    int64_t gw = int64_t(std::max(1, gwPx)) * kTwipsPerPixel, gh = int64_t(std::max(1, ghPx)) * kTwipsPerPixel;
    if (gw > avail) {
        gh = std::max<int64_t>(1, gh * avail / gw);
        gw = avail;
    }
    gh = std::min<int64_t>(gh, 31680);  // 22 inches
    return {int(gw), int(gh)};
}

std::string PictHead(const EncodedPicture& pic, int goalW, int goalH) {
    // The stored bitmap may be wider than the picture (see EncodePicture);
    // the goal width covers the stored one, so the picture keeps its size.
    const int64_t fullGoalW = int64_t(goalW) * pic.storedWidth / pic.width;
    return "{\\pict\\dibitmap0\\picw" + std::to_string(pic.storedWidth) + "\\pich" + std::to_string(pic.height) +
           "\\picwgoal" + std::to_string(fullGoalW) + "\\pichgoal" + std::to_string(goalH) + "\n";
}

std::unique_ptr<EncodedPicture> LoadAndEncode(const PictureLoader& loader, const std::string& src) {
    Picture pic;
    bool ok = false;
    if (loader) {
        try {
            ok = loader(src, pic);
        } catch (...) {
            ok = false;
        }
    }
    ok = ok && pic.width > 0 && pic.height > 0 && pic.width <= 8192 && pic.height <= 8192 &&
         size_t(pic.width) * size_t(pic.height) <= size_t(16) << 20 &&
         pic.bgra.size() >= size_t(pic.width) * size_t(pic.height) * 4;
    if (!ok) return nullptr;
    return std::make_unique<EncodedPicture>(EncodePicture(pic));
}

std::wstring AltText(const std::wstring* alt, const std::wstring* src) {
    std::wstring t = alt ? *alt : std::wstring();
    if (t.find_first_not_of(L" \t\r\n") == std::wstring::npos && src) {
        size_t slash = src->find_last_of(L"/\\");
        t = slash == std::wstring::npos ? *src : src->substr(slash + 1);
    }
    if (t.find_first_not_of(L" \t\r\n") == std::wstring::npos) return {};
    return L"[" + t + L"]";
}

}  // namespace html::detail

namespace html {

using namespace detail;

struct PagePictures::Impl {
    const DeferredRtf* page;
    PictureLoader loader;
    std::vector<std::unique_ptr<EncodedPicture>> encoded;
    std::vector<bool> tried;
    size_t pictureText = 0;
};

PagePictures::PagePictures(const DeferredRtf& page, PictureLoader loader) : impl_(std::make_unique<Impl>()) {
    impl_->page = &page;
    impl_->loader = std::move(loader);
    impl_->encoded.resize(page.sources.size());
    impl_->tried.resize(page.sources.size());
}

PagePictures::~PagePictures() = default;

std::string PagePictures::PlaceRtf(size_t i, bool* isPicture) {
    if (isPicture) *isPicture = false;
    const auto& places = impl_->page->places;
    if (i >= places.size()) return {};
    const LaterPicture& place = places[i];
    const EncodedPicture* pic = nullptr;
    if (place.source < impl_->encoded.size()) {
        if (!impl_->tried[place.source]) {
            impl_->tried[place.source] = true;
            impl_->encoded[place.source] = LoadAndEncode(impl_->loader, impl_->page->sources[place.source]);
        }
        pic = impl_->encoded[place.source].get();
    }
    if (pic && impl_->pictureText + pic->hex.size() > kMaxPictureText) pic = nullptr;
    if (!pic) {
        // The alt text, in the page's plain text format.
        std::string rtf = "{\\rtf1\\ansi\\uc1\\deff0{\\fonttbl{\\f0\\froman\\fprq2\\fcharset204 Times New Roman;}}\\f0\\fs24 ";
        std::wstring alt = DecodeText(place.alt);
        for (wchar_t c : alt) {
            if (c == L'\\' || c == L'{' || c == L'}') rtf += '\\', rtf += char(c);
            else if (c >= 0x20 && c < 0x7F) rtf += char(c);
            else if (c >= 0x80) {
                uint32_t cp = uint32_t(c);
                auto unit = [&rtf](uint32_t u) { rtf += "\\u" + std::to_string(int16_t(uint16_t(u))) + "?"; };
                if (cp > 0xFFFF) {
                    cp -= 0x10000;
                    unit(0xD800 + (cp >> 10));
                    unit(0xDC00 + (cp & 0x3FF));
                } else {
                    unit(cp);
                }
            }
        }
        return rtf + "}";
    }
    impl_->pictureText += pic->hex.size();
    auto [gw, gh] = GoalSize(place.width, place.height, pic->width, pic->height, place.available);
    if (isPicture) *isPicture = true;
    return "{\\rtf1\\ansi" + PictHead(*pic, gw, gh) + pic->hex + "}}";
}

}  // namespace html
