#include "skin/forms/TitleBarLayout.h"

#include <algorithm>
#include <span>

// ---------------------------------------------------------------- layout

TkvTitleItemsLayout LayoutTitleItems(const TkvItemArea& area, const std::vector<TkvLayoutEntry>& entries)
{
    TkvTitleItemsLayout out;
    out.Boxes.resize(entries.size());
    TkvGroupSums& s = out.Sums;
    for (const TkvLayoutEntry& e : entries) {
        if (!e.Visible)
            continue;
        switch (e.Align) {
        case TkvItemAlign::tbaLeft: s.Left += e.Width; break;
        case TkvItemAlign::tbaRight: s.Right += e.Width; break;
        case TkvItemAlign::tbaCenter: s.Center += e.Width; break;
        case TkvItemAlign::tbaCenterInSpace: s.CenterInSpace += e.Width; break;
        }
    }
    int cursor[4] = {
        area.Left,
        area.Right - s.Right,
        area.Left + (area.TitleRight - area.Left - s.Center) / 2,
        area.Left + s.Left + (area.Right - area.Left - s.Right - s.Left - s.CenterInSpace) / 2,
    };
    for (size_t i = 0; i < entries.size(); ++i) {
        const TkvLayoutEntry& e = entries[i];
        TkvItemBox& b = out.Boxes[i];
        if (!e.Visible) {
            b = TkvItemBox{area.Left, area.Center, area.Left, area.Center};
            continue;
        }
        int& c = cursor[int(e.Align)];
        b.Left = c;
        b.Right = c + e.Width;
        c += e.Width;
        switch (e.Style) {
        case TkvBtnStyle::bsMenu: b.Top = area.Top; break;
        case TkvBtnStyle::bsTab: b.Top = area.Bottom - e.Height; break;
        default: b.Top = area.Center - e.Height / 2; break;
        }
        b.Bottom = b.Top + e.Height;
    }
    return out;
}

TkvCaptionSpan TitleCaptionSpan(const TkvItemArea& area, const TkvGroupSums& sums)
{
    return TkvCaptionSpan{area.Left + sums.Left + 8, area.Right - sums.Right - 8};
}

// ---------------------------------------------------------------- measuring

int TitleItemContentOffset(TkvBtnStyle style) { return style == TkvBtnStyle::bsMenu ? 4 : 0; }

TkvMeasured MeasureTitleItem(const TkvMeasureInput& in, const TkvTextExtentFn& text, int arrowWidth)
{
    TkvMeasured m;
    TkvExtent& c = m.Content;
    c = in.Image;
    const bool image = c.Width > 0;
    if (!in.Caption.empty()) {
        const TkvExtent t = text ? text(in.Caption) : TkvExtent{};
        if (image)
            c.Width += in.Spacing;
        if (in.Style == TkvBtnStyle::bsTab)
            c.Width += 4;
        c.Width += t.Width;
        c.Height = std::max(c.Height, t.Height);
    }
    if (in.HasDropdown && (in.Style == TkvBtnStyle::bsButton || in.Style == TkvBtnStyle::bsMenu))
        c.Width += (in.Style == TkvBtnStyle::bsMenu ? 4 : 1) + arrowWidth;
    if (in.Style == TkvBtnStyle::bsMenu || in.Style == TkvBtnStyle::bsTab)
        c.Height += 1;
    m.Item.Width = std::max(kTitleItemMinSize, 2 * (TitleItemContentOffset(in.Style) + in.ItemsMargin) + c.Width);
    m.Item.Height = std::max(kTitleItemMinSize, 2 * in.ItemsMargin + c.Height);
    return m;
}

// ---------------------------------------------------------------- state and skin

int EffectiveItemState(int state, bool down, bool dropdownShown)
{
    return down || dropdownShown ? isPressed : state;
}

std::wstring TitleItemSectionName(TkvBtnStyle style, const std::wstring& own,
                                  const std::function<bool(const std::wstring&)>& skinHas)
{
    auto has = [&](const std::wstring& name) { return !name.empty() && skinHas && skinHas(name); };
    if (has(own))
        return own;
    const wchar_t* first = nullptr;
    const wchar_t* second = nullptr;
    switch (style) {
    case TkvBtnStyle::bsButton: first = L"TB_BTN"; second = L"TOOLBUTTON"; break;
    case TkvBtnStyle::bsMenu: first = L"TB_MENUBTN"; break;
    case TkvBtnStyle::bsTab: first = L"TB_TAB"; second = L"TABTOP"; break;
    default: break;
    }
    if (first && has(first))
        return first;
    if (second && has(second))
        return second;
    return {};
}

// ---------------------------------------------------------------- the default menu-button picture

void ConvertMenuButtonPixels(const PixelView& v)
{
    if (v.Empty())
        return;
    for (int y = 0; y < v.height; ++y)
        for (uint32_t& p : std::span<uint32_t>(v.Row(y), size_t(v.width))) {
            if ((p & 0xFFFFFFu) == kMenuButtonKey)
                continue;
            const uint32_t a = 255 - (p >> 24);
            const uint32_t r = ((p >> 16) & 0xFF) * a / 256, g = ((p >> 8) & 0xFF) * a / 256, b = (p & 0xFF) * a / 256;
            p = (a << 24) | (r << 16) | (g << 8) | b;
        }
}

namespace {

// Lays a premultiplied pixel over an opaque or premultiplied one.
inline uint32_t Over(uint32_t dst, uint32_t src)
{
    const uint32_t a = src >> 24;
    if (a == 255)
        return src;
    if (a == 0 && (src & 0xFFFFFFu) == 0)
        return dst;
    const uint32_t k = 255 - a;
    auto ch = [&](int shift) {
        const uint32_t v = ((src >> shift) & 0xFF) + ((dst >> shift) & 0xFF) * k / 255;
        return std::min<uint32_t>(v, 255) << shift;
    };
    return ch(24) | ch(16) | ch(8) | ch(0);
}

}  // namespace

void PaintMenuButtonFrame(const PixelView& dst, int x, int y, int w, int h, const PixelView& src, int frame)
{
    if (dst.Empty() || src.Empty() || w <= 0 || h <= 0)
        return;
    const int fw = src.width / kMenuButtonFrames;
    const int fh = src.height;
    if (fw <= 0 || frame < 0 || frame >= kMenuButtonFrames)
        return;
    const int sx0 = frame * fw;
    // Source and destination bands: [0, margin), [margin, size - margin), [size - margin, size).
    const int sl = std::min(kMenuButtonMarginLeft, fw / 2), sr = std::min(kMenuButtonMarginRight, fw - sl);
    const int st = std::min(kMenuButtonMarginTop, fh / 2), sb = std::min(kMenuButtonMarginBottom, fh - st);
    const int dl = std::min(sl, w / 2), dr = std::min(sr, w - dl);
    const int dt = std::min(st, h / 2), db = std::min(sb, h - dt);
    auto mapAxis = [](int d, int size, int lo, int hi, int srcSize, int srcLo, int srcHi, bool& corner) {
        if (d < lo) {
            corner = true;
            return d;
        }
        if (d >= size - hi) {
            corner = true;
            return srcSize - (size - d);
        }
        corner = false;
        const int mid = size - lo - hi, srcMid = srcSize - srcLo - srcHi;
        if (srcMid <= 0)
            return std::min(srcLo, srcSize - 1);
        return srcLo + int((long long)(d - lo) * srcMid / std::max(1, mid));
    };
    for (int dy = 0; dy < h; ++dy) {
        const int ty = y + dy;
        if (ty < 0 || ty >= dst.height)
            continue;
        bool cornerY = false;
        const int sy = mapAxis(dy, h, dt, db, fh, st, sb, cornerY);
        for (int dx = 0; dx < w; ++dx) {
            const int tx = x + dx;
            if (tx < 0 || tx >= dst.width)
                continue;
            bool cornerX = false;
            const int sx = mapAxis(dx, w, dl, dr, fw, sl, sr, cornerX);
            const uint32_t p = src.At(sx0 + std::clamp(sx, 0, fw - 1), std::clamp(sy, 0, fh - 1));
            if ((p & 0xFFFFFFu) == kMenuButtonKey)
                continue;   // key pixels keep what lies under them (corners)
            uint32_t& d = dst.At(tx, ty);
            d = Over(d, p);
        }
    }
}

// ---------------------------------------------------------------- the fade

TkvFadeSteps::Frame TkvFadeSteps::Start(int state)
{
    Frame f;
    if (state == target_)
        return f;
    target_ = state;
    if (state != 0) {
        fadeIn_ = true;
        step_ = 1;
        f.Alpha = std::min(AlphaStep() * step_, 255);
        running_ = steps_ > 1;
        if (!running_) {
            f.Alpha = 255;
            f.Finished = true;
        }
        return f;
    }
    fadeIn_ = false;
    step_ = std::min(step_, steps_);
    if (step_ > 0)
        --step_;
    if (step_ == 0 || steps_ <= 1) {
        step_ = 0;
        target_ = -1;
        running_ = false;
        f.Finished = f.Drop = true;
        return f;
    }
    running_ = true;
    f.Alpha = AlphaStep() * step_;
    return f;
}

TkvFadeSteps::Frame TkvFadeSteps::Tick()
{
    Frame f;
    if (!running_)
        return f;
    if (fadeIn_) {
        if (step_ < steps_) {
            ++step_;
            f.Alpha = std::min(AlphaStep() * step_, 255);
            return f;
        }
        running_ = false;
        f.Alpha = 255;
        f.Finished = f.FadedIn = true;
        return f;
    }
    if (step_ > 0)
        --step_;
    if (step_ == 0) {
        running_ = false;
        target_ = -1;
        f.Finished = f.Drop = true;
        return f;
    }
    f.Alpha = AlphaStep() * step_;
    return f;
}
