// Fuzz harness for the skin item painters with skin records as a damaged skin
// file could give them: mask rects, frame counts, layouts, paint flags and
// margins taken from the input (rects may leave their bitmap or be inverted),
// sections with any transparency, percents and textures, and target rects
// anywhere. Checks: no read or write outside the bitmaps (the sanitizers) and
// nothing written outside the destination view (its guard border).
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "skin/model/MaskPaint.h"

namespace {

struct Reader {
    const uint8_t* p;
    size_t n;
    uint8_t U8() { return n ? (--n, *p++) : 0; }
    int S8() { return int(int8_t(U8())); }
    int S16() { return int(int16_t(uint16_t(U8()) | uint16_t(U8()) << 8)); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Reader in{data, size};
    using namespace skinpaint;

    // Master bitmap 1..32 x 1..32 with pixels from the input (key pixels common).
    TsSkinTables t;
    int mw = 1 + in.U8() % 32, mh = 1 + in.U8() % 32;
    t.MasterBitmap = std::make_unique<PixelBitmap>(mw, mh);
    for (int y = 0; y < mh; ++y)
        for (int x = 0; x < mw; ++x) {
            uint8_t v = in.U8();
            t.MasterBitmap->Row(y)[x] = v < 40 ? 0x00FF00FFu : 0xFF000000u | uint32_t(v) * 0x010307u;
        }
    int masks = 1 + in.U8() % 6;
    for (int i = 0; i < masks; ++i) {
        TsMaskData m;
        m.SourceRect = {in.S8(), in.S8(), in.S8(), in.S8()};
        if (in.U8() & 1) {   // own bitmap
            int w = 1 + in.U8() % 16, h = 1 + in.U8() % 16;
            m.Bmp = std::make_unique<PixelBitmap>(w, h);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) m.Bmp->Row(y)[x] = (x + y) % 5 ? 0xFF406080u : 0x00FF00FFu;
        }
        m.FrameCount = int16_t(in.S8() % 8);
        m.StateLayout = int16_t(in.S8() % 4);
        m.PaintFlags = int16_t(in.U8() % 16);
        // Margins and border widths anywhere in the loader's range and beyond
        // (a skin file may declare 32767): a paint's cost is its pixels'.
        m.BorderWidth = int16_t(in.S16());
        m.MarginLeft = int16_t(in.S16());
        m.MarginTop = int16_t(in.S16());
        m.MarginRight = int16_t(in.S16());
        m.MarginBottom = int16_t(in.S16());
        m.CornerTransparency = int16_t(in.U8() % 2);
        t.Masks.push_back(std::move(m));
    }
    TsGeneralData s;
    s.Name = "S";
    s.States = in.S8() % 5;
    for (TsGenState& st : s.Props) {
        st.Color = int32_t(in.U8()) * 0x010101;
        st.Transparency = in.S8() % 120;
        st.GradientPercent = in.S8() % 120;
        st.ImagePercent = in.S8() % 120;
        st.TextureIndex = in.S8() % 8;
        if (in.U8() & 1)
            st.GradientArray = std::make_shared<TsGradArray>(
                TsGradArray{TsGradStop{0x102030, 0xF0E0D0, uint8_t(in.U8() % 101), in.U8() % 3},
                            TsGradStop{0x405060, 0x000000, uint8_t(in.U8() % 101), 0}});
    }
    s.BorderMaskIndex = in.S8() % 8;
    s.ImgTopLeft = in.S8() % 8;
    s.ImgBottomRight = in.S8() % 8;
    t.Sections.push_back(std::move(s));

    // Destination 1..40 x 1..40 inside a guard border; a parent bitmap.
    const int w = 1 + in.U8() % 40, h = 1 + in.U8() % 40, pad = 2, bw = w + 2 * pad;
    constexpr uint32_t guard = 0x5A5A5A5Au;
    std::vector<uint32_t> buf(size_t(bw) * (h + 2 * pad), guard);
    PixelView dst{buf.data() + pad * bw + pad, ptrdiff_t(bw) * 4, w, h};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) dst.At(x, y) = 0xFF000000u;
    std::vector<uint32_t> parentPixels(30 * 30, 0xFF808080u);
    Background bg;
    if (in.U8() & 1) bg.bmp = PixelView{parentPixels.data(), 30 * 4, 30, 30};
    bg.x = in.S8();
    bg.y = in.S8();
    bg.ready = in.U8() & 1;
    bg.fillColor = in.U8() & 1 ? KeyColor : 0x00C0FF;
    for (int& f : bg.frameWidths) f = in.S8();

    Rect r{in.S8(), in.S8(), in.S8(), in.S8()};
    int state = in.S8() % 6;
    int mask = in.S8() % 8;
    Point offset{in.S8(), in.S8()};
    switch (in.U8() % 10) {
    case 0: PaintMaskNineParts32(dst, r, 0, t, true, state, mask, bg); break;
    case 1: PaintMaskNineParts32Alpha(dst, r, 0, t, true, state, mask, bg); break;
    case 2: DrawMaskFrame32(dst, {r.left, r.top}, state, bg, t, mask, in.U8() % 3); break;
    case 3: PaintSkinSectionBackground(dst, t, 0, "S", bg, KeyColor, in.S8() % 8, mask, offset, r, state); break;
    case 4: PaintSkinItem(dst, t, 0, "S", bg, in.S8() % 8, mask, offset, r, state, 0); break;
    case 5: PaintSkinItemAlpha(dst, t, 0, 0, state, offset, r); break;
    case 6: TileGreyMask(dst, r, t, mask, bg, in.U8() & 1 ? 10 : 0); break;
    case 7: {
        std::vector<Rect> runs;
        CollectMaskRegionRects(runs, in.S16(), t, mask, in.U8() & 1, in.S8());
        for (const Rect& run : runs)
            if (run.Height() != 1 || run.Width() <= 0) std::abort();
        break;
    }
    case 8:
        FillMaskCorners(dst, t, mask, state, in.U8() % 16, in.U8() & 1 ? PixelView{} : bg.bmp, in.S8(), in.S8(),
                        in.U8() & 1 ? KeyColor : 0x0000FFu);
        break;
    default: {
        PixelView src = ViewOf(t.MasterBitmap.get());
        CopyBitmapNineParts(dst, src, r, true, in.U8() % 3, Rect{in.U8() % 3, in.U8() % 3, in.U8() % 3, in.U8() % 3},
                            Rect{in.S8(), in.S8(), in.S8(), in.S8()}, Rect{in.S8(), in.S8(), in.S8(), in.S8()},
                            Rect{in.S8(), in.S8(), in.S8(), in.S8()});
        break;
    }
    }
    for (int y = -pad; y < h + pad; ++y)
        for (int x = -pad; x < w + pad; ++x)
            if ((x < 0 || y < 0 || x >= w || y >= h) && buf[size_t(y + pad) * bw + x + pad] != guard) std::abort();
    return 0;
}
