// Skinned scroll bars: painting a bar into a bitmap, the bars and corner of a window with their kept pictures, and the watch of the bars.
#include "skin/controls/ScrollWnd.h"

#include <algorithm>

#include "classlib/Graphics.h"
#include "skin/controls/ScrollWndDetail.h"
#include "skin/core/BgRequest.h"
#include "skin/core/MaskPaintBitmap.h"
#include "skin/core/SkinManager.h"
#include "skin/graphics/Bitmap32.h"
#include "skin/graphics/Utils.h"

using namespace scrollgeo;
using namespace scrollwnd_detail;

// ---------------------------------------------------------------- painting into a bitmap

bool PaintScrollBarBitmap(TsSkinManager* manager, const TkvBarPaintRequest& q, TBitmap* bmp)
{
    TsSkinManager* m = UsableManager(manager);
    if (!m || !bmp || q.Length <= 1 || q.Thickness <= 0 || q.Kind > 1) return false;
    const TsCommonIndexes& c = m->CommonIndexes();
    bool h = q.Kind == 0;
    int track1 = c.BarSection[h ? sb1H : sb1V], track2 = c.BarSection[h ? sb2H : sb2V];
    if (!m->IsSectionIndexValid(track1)) return false;
    if (!m->IsSectionIndexValid(track2)) track2 = track1;

    bmp->SetPixelFormat(TPixelFormat::pf32bit);
    if (h)
        bmp->SetSize(q.Length, q.Thickness);
    else
        bmp->SetSize(q.Thickness, q.Length);
    TsBgCacheInfo info = EmptyBgCacheInfo;
    info.FillColor = q.BgColor;
    PixelView under;   // the parent's picture behind the bar, when it has one
    if (q.BgBitmap && q.BgBitmap->PixelFormat() == TPixelFormat::pf32bit && q.BgBitmap->Width() > 0) {
        GdiFlush();
        under = q.BgBitmap->View();
        info = InitBgCacheInfo(q.BgBitmap, q.BgX, q.BgY);
    }
    // Glyphs are laid over what is painted already: their key pixels show the bar itself.
    TsBgCacheInfo self = EmptyBgCacheInfo;
    self.Bmp = bmp;
    self.X = self.Y = 0;
    self.Ready = true;
    {
        PixelView v = bmp->View();
        uint32_t fill = 0xFF000000u | ExchangeRedBlue(uint32_t(ColorToRGB(q.BgColor)));
        for (int y = 0; y < v.height; ++y)
            std::fill(v.Row(y), v.Row(y) + v.width, fill);
        if (under.pixels)
            for (int y = 0; y < v.height; ++y) {
                int sy = q.BgY + y;
                if (sy < 0 || sy >= under.height) continue;
                for (int x = 0; x < v.width; ++x)
                    if (int sx = q.BgX + x; sx >= 0 && sx < under.width) v.At(x, y) = under.At(sx, sy) | 0xFF000000u;
            }
    }
    // A part is painted with its border mask; the mask's key pixels show what
    // lies under the part: the parent's picture (or colour) under a track
    // section, the track under an arrow or the thumb.
    auto section = [&](int index, int border, int a, int b, int state, const TsBgCacheInfo& under) {
        if (b <= a || !m->IsSectionIndexValid(index)) return;
        PaintSkinItemWithMask(index, m->IsMaskIndexValid(border) ? border : m->gd()[size_t(index)].BorderMaskIndex,
                              false, m, bmp, POINT{0, 0}, Along(q.Kind, a, b, q.Thickness), state, 0, under,
                              Utf8ToString(m->gd()[size_t(index)].Name));
    };
    // The tracks as painted, for the key pixels of the parts laid over them.
    TBitmap tracks;
    TsBgCacheInfo overTracks = EmptyBgCacheInfo;
    auto keepTracks = [&] {
        tracks.SetPixelFormat(TPixelFormat::pf32bit);
        tracks.SetSize(bmp->Width(), bmp->Height());
        GdiFlush();
        PixelView from = bmp->View(), to = tracks.View();
        for (int y = 0; y < from.height; ++y)
            std::copy(from.Row(y), from.Row(y) + from.width, to.Row(y));
        overTracks = InitBgCacheInfo(&tracks, 0, 0);
        overTracks.FillColor = q.BgColor;
    };
    auto glyph = [&](int mask, int a, int b, int state, int shift) {
        if (!m->IsMaskIndexValid(mask)) return;
        const TsMaskData& md = m->ma()[size_t(mask)];
        int gw = MaskFrameWidth(md), gh = MaskStateHeight(md);
        if (gw <= 0 || gh <= 0) return;
        RECT r = Along(q.Kind, a, b, q.Thickness);
        POINT p{r.left + (Width(r) - gw) / 2 + shift, r.top + (Height(r) - gh) / 2 + shift};
        DrawMaskFrame32(bmp, p, state, self, mask, 1, m);
    };
    auto arrow = [&](int part, int a, int b, int state) {
        section(c.ScrollSection[size_t(part)], c.ScrollBorder[size_t(part)], a, b, state, overTracks);
        glyph(c.ScrollGlyph[size_t(part)], a, b, state, 0);
    };
    const BarLayout& l = q.Layout;
    int first = h ? spBtnLeft : spBtnTop, second = h ? spBtnRight : spBtnBottom;
    int b1 = c.BarBorder[h ? sb1H : sb1V], b2 = c.BarBorder[h ? sb2H : sb2V];
    if (l.ArrowsFit) {
        int split = l.Split();
        section(track1, b1, 0, split, q.States[PartPage1], info);
        section(track2, b2, split, q.Length, q.States[PartPage2], info);
        keepTracks();
        if (l.Arrow > 0) {
            arrow(first, 0, l.Arrow, q.States[PartArrow1]);
            arrow(second, q.Length - l.Arrow, q.Length, q.States[PartArrow2]);
        }
        if (q.Enabled && l.ThumbFits && l.ThumbSize > 0) {
            int slider = h ? spSliderH : spSliderV;
            int a = l.ThumbStart, b = l.ThumbStart + l.ThumbSize;
            section(c.ScrollSection[size_t(slider)], c.ScrollBorder[size_t(slider)], a, b, q.States[PartThumb],
                    overTracks);
            glyph(c.ScrollGlyph[size_t(slider)], a, b, q.States[PartThumb], q.States[PartThumb] == 2 ? 1 : 0);
        }
    } else {
        int half = q.Length / 2;
        section(track1, b1, 0, half, q.States[PartPage1], info);
        section(track2, b2, half, q.Length, q.States[PartPage2], info);
        keepTracks();
        arrow(first, 0, half, q.States[PartArrow1]);
        arrow(second, half, q.Length, q.States[PartArrow2]);
    }
    if (!q.Enabled && !under.pixels) {
        MixBitmapWithColor(bmp, ColorToRGB(q.BgColor), 0.6);   // 0.4 toward the background
    } else if (!q.Enabled) {
        // 0.4 toward what the bar stands on: the parent's picture where it
        // reaches, its colour elsewhere.
        PixelView v = bmp->View();
        const uint32_t plain = uint32_t(ColorToRGB(q.BgColor));
        for (int y = 0; y < v.height; ++y)
            for (int x = 0; x < v.width; ++x) {
                const int sx = q.BgX + x, sy = q.BgY + y;
                const bool inside = sx >= 0 && sy >= 0 && sx < under.width && sy < under.height;
                PixelView one = v;
                one.pixels = &v.At(x, y);
                one.width = one.height = 1;
                px::MixBitmapWithColor(one, inside ? ExchangeRedBlue(under.At(sx, sy) & 0xFFFFFFu) : plain, 0.6);
            }
    }
    return true;
}

// ---------------------------------------------------------------- painting

TkvScrollWnd::SkinStamp TkvScrollWnd::StampOf(TsSkinManager* m)
{
    SkinStamp s;
    if (!m) return s;
    // Generations are never shared between managers, so a manager freed and
    // another made at its address still differ.
    s.Manager = m;
    s.Generation = m->Generation();
    return s;
}

TkvScrollWnd::PictureKey TkvScrollWnd::KeyOf(TsSkinManager* m, const TkvBarPaintRequest& q)
{
    PictureKey k;
    k.Valid = true;
    k.Skin = StampOf(m);
    k.Kind = q.Kind;
    k.Length = q.Length;
    k.Thickness = q.Thickness;
    k.Layout = q.Layout;
    std::copy(std::begin(q.States), std::end(q.States), std::begin(k.States));
    k.Enabled = q.Enabled;
    k.BgColor = q.BgColor;
    // The painter reads the parent's picture only where the bar lies over it.
    if (q.BgBitmap && q.BgBitmap->PixelFormat() == TPixelFormat::pf32bit && q.BgBitmap->Width() > 0) {
        GdiFlush();
        PixelView v = q.BgBitmap->View();
        k.BgWidth = v.width;
        k.BgHeight = v.height;
        k.BgX = q.BgX;
        k.BgY = q.BgY;
        const int w = q.Kind == 0 ? q.Length : q.Thickness, h = q.Kind == 0 ? q.Thickness : q.Length;
        const int x0 = std::clamp(q.BgX, 0, v.width), x1 = std::clamp(q.BgX + w, 0, v.width);
        const int y0 = std::clamp(q.BgY, 0, v.height), y1 = std::clamp(q.BgY + h, 0, v.height);
        if (x1 > x0)
            for (int y = y0; y < y1; ++y) k.Under.insert(k.Under.end(), v.Row(y) + x0, v.Row(y) + x1);
    }
    return k;
}

void TkvScrollWnd::ForgetPictures()
{
    for (int i = 0; i < 3; ++i) {
        barBitmaps_[i].reset();
        painted_[i] = PictureKey{};
    }
}

// The parent's answer to the question for the background, asked once per
// paint of the frame: both bars stand on the same parent.
struct TkvScrollWnd::ParentAnswer {
    bool Asked = false;
    HWND Parent = nullptr;
    TColor Color = 0;
    TBitmap* Bmp = nullptr;     // a picture answer
    int OffsetX = 0, OffsetY = 0;
};

void TkvScrollWnd::PaintBar(int kind, HDC dc, bool enabled, ParentAnswer& answer)
{
    TkvScrollBar& bar = *Bar(kind);
    TsSkinManager* m = ActiveManager();
    if (Unhooked || !bar.Visible || !m) return;
    RECT w{}, r = kind == 0 ? HorzBarRect() : VertBarRect();
    GetWindowRect(Handle, &w);
    int length = kind == 0 ? Width(r) : Height(r);
    int thickness = kind == 0 ? Height(r) : Width(r);
    if (length <= 1 || thickness <= 0) return;

    TkvBarPaintRequest q;
    q.Kind = kind;
    q.Length = length;
    q.Thickness = thickness;
    q.Enabled = enabled;
    bool tracked = g.TrackWindow == Handle;
    bool dragging = tracked && ThumbTracking && g.PressedKind == kind;
    q.Layout = dragging ? g.DragLayout : ScrollBarLayout(bar, length, SkinManager);
    if (dragging) q.Layout.ThumbStart = g.DragThumbPos;
    if (tracked) {
        bool pressedBar = g.PressedKind == kind;
        bool hotBar = g.HotKind == kind && q.Enabled;
        for (int part : {PartArrow1, PartArrow2}) {
            if (pressedBar && g.PressedPart == part && g.PressedShown == part)
                q.States[part] = 2;
            else if (hotBar && g.HotPart == part)
                q.States[part] = 1;
        }
        for (int part : {PartPage1, PartPage2})
            if (pressedBar && g.PressedPart == part && g.PressedShown == part) q.States[part] = 2;
        if (dragging)
            q.States[PartThumb] = 2;
        else if (hotBar && g.HotPart == PartThumb)
            q.States[PartThumb] = 1;
    }
    if (!answer.Asked) {
        answer.Asked = true;
        answer.Parent = GetParent(Handle);
        // One question to the parent: the background behind the bars. A colour
        // answer is the bars' colour; a picture is what the bars stand on, and
        // the colour (where the picture does not reach) is asked for only then,
        // as it is from a parent that does not answer.
        TsBgRequest request;
        const bool answered = answer.Parent && GetParentBgByHandle(request, answer.Parent, false);
        if (!answer.Parent)
            answer.Color = m->GetGlobalColor();
        else if (answered && request.Kind == bgColor)
            answer.Color = TColor(ColorToRGB(request.Color));
        else
            answer.Color = GetWindowBgColor(answer.Parent);
        if (answered && request.Kind == bgBitmap && request.Bmp) {
            answer.Bmp = request.Bmp;
            answer.OffsetX = request.OffsetX;
            answer.OffsetY = request.OffsetY;
        }
    }
    q.BgColor = answer.Color;
    if (answer.Bmp) {
        POINT pos{w.left, w.top};
        ScreenToClient(answer.Parent, &pos);
        q.BgBitmap = answer.Bmp;
        q.BgX = answer.OffsetX + pos.x + (r.left - w.left);
        q.BgY = answer.OffsetY + pos.y + (r.top - w.top);
    }
    // Kept between paints: painted again only when what it shows changed.
    PictureKey key = KeyOf(m, q);
    if (!barBitmaps_[kind]) barBitmaps_[kind] = std::make_unique<TBitmap>();
    TBitmap& bmp = *barBitmaps_[kind];
    if (!(painted_[kind] == key)) {
        painted_[kind] = PictureKey{};
        if (!PaintScrollBarBitmap(m, q, &bmp)) return;
        painted_[kind] = std::move(key);
    }
    BitBlt(dc, r.left - w.left, r.top - w.top, bmp.Width(), bmp.Height(), bmp.Canvas().Handle(), 0, 0, SRCCOPY);
}

void TkvScrollWnd::PaintCorner(HDC dc)
{
    TsSkinManager* m = ActiveManager();
    if (!m) return;
    RECT w{};
    GetWindowRect(Handle, &w);
    RECT r = CornerRect(HorzBarRect(), VertBarRect());
    if (Width(r) <= 0 || Height(r) <= 0) return;
    const TsCommonIndexes& c = m->CommonIndexes();
    TColor fill = m->GetGlobalColor();
    int track = c.BarSection[sb1H];
    HWND parent = GetParent(Handle);
    if (parent && m->IsSectionIndexValid(track) && m->gd()[size_t(track)].Props[0].Transparency == 100)
        fill = GetWindowBgColor(parent);
    int grip = c.Global("GRIPIMAGE");
    PictureKey key;
    key.Valid = true;
    key.Skin = StampOf(m);
    key.Length = Width(r);
    key.Thickness = Height(r);
    key.BgColor = fill;
    key.Grip = SizeGripAllowed() && m->IsMaskIndexValid(grip);
    key.GripLeft = LeftScrollBar;
    if (!barBitmaps_[2]) barBitmaps_[2] = std::make_unique<TBitmap>();
    TBitmap& bmp = *barBitmaps_[2];
    if (painted_[2] == key) {
        BitBlt(dc, r.left - w.left, r.top - w.top, bmp.Width(), bmp.Height(), bmp.Canvas().Handle(), 0, 0, SRCCOPY);
        return;
    }
    bmp.SetSize(Width(r), Height(r));
    PixelView v = bmp.View();
    uint32_t px = 0xFF000000u | ExchangeRedBlue(uint32_t(ColorToRGB(fill)));
    for (int y = 0; y < v.height; ++y)
        std::fill(v.Row(y), v.Row(y) + v.width, px);
    if (key.Grip) {
        const TsMaskData& md = m->ma()[size_t(grip)];
        TsBgCacheInfo info = EmptyBgCacheInfo;
        info.FillColor = fill;
        DrawMaskFrame32(&bmp, POINT{v.width - MaskFrameWidth(md), v.height - MaskStateHeight(md)}, 0, info, grip, 1,
                        m);
        // A bar on the left has its corner at the bottom-left: the grip faces that way.
        if (LeftScrollBar)
            for (int y = 0; y < v.height; ++y) std::reverse(v.Row(y), v.Row(y) + v.width);
    }
    painted_[2] = std::move(key);
    BitBlt(dc, r.left - w.left, r.top - w.top, v.width, v.height, bmp.Canvas().Handle(), 0, 0, SRCCOPY);
}

void TkvScrollWnd::NCPaint(HDC dc)
{
    if (Unhooked || !IsWindowVisible(Handle) || !ActiveManager()) return;
    HDC own = dc ? nullptr : GetWindowDC(Handle);
    HDC target = dc ? dc : own;
    if (!target) return;
    // The bars are read once: what is painted is what the watch compares with.
    const BarsLook look = Look();
    ParentAnswer answer;
    PaintBar(0, target, (look.Info[0].State & 2) != 0, answer);
    PaintBar(1, target, (look.Info[1].State & 2) != 0, answer);
    if (HorzBar->Visible && VertBar->Visible) PaintCorner(target);
    if (own) ReleaseDC(Handle, own);
    shown_ = look;
}

TkvScrollWnd::BarsLook TkvScrollWnd::Look()
{
    BarsLook look;
    for (int kind : {0, 1}) {
        TkvScrollBar& bar = *Bar(kind);
        ReadInfo(bar);
        const BarState s = StateOf(bar);
        look.Info[kind] = {bar.Info.nMin, bar.Info.nMax, int(bar.Info.nPage), bar.Info.nPos,
                           int(bar.Visible) | (s.Enabled ? 2 : 0) | (s.DisabledArrows << 2)};
    }
    return look;
}

void TkvScrollWnd::WatchBars()
{
    if (Unhooked || !IsWindow(Handle)) return;
    // A skin that came or went without telling this window (a native window
    // hears of no skin change): its frame is computed again, once.
    const bool skinned = ActiveManager() != nullptr;
    if (skinned != framedBySkin_) {
        if (frameAsked_ != int(skinned)) {
            frameAsked_ = int(skinned);
            RefreshFrame(Handle, true);
        }
        return;
    }
    frameAsked_ = -1;
    // A change made to a bar from outside the window's own messages
    // (SetScrollInfo, EnableScrollBar) has the system draw its own bar at once.
    if (skinned && IsWindowVisible(Handle) && !AnimationRunning && !ThumbTracking && Look() != shown_) NCPaint();
}

void TkvScrollWnd::StartWatch()
{
    if (!watching_ && !Unhooked && IsWindow(Handle))
        watching_ = SetTimer(Handle, kWatchTimer, kWatchEvery, nullptr) != 0;
}
