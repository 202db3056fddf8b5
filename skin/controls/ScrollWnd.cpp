#include "skin/controls/ScrollWnd.h"

#include "skin/core/SkinMenus.h"

#include <windowsx.h>

#include <algorithm>

#include "classlib/Graphics.h"
#include "classlib/StdCtrls.h"
#include "skin/core/BgRequest.h"
#include "skin/core/MaskPaintBitmap.h"
#include "skin/core/SkinManager.h"
#include "skin/graphics/Bitmap32.h"
#include "skin/graphics/SkinCommands.h"
#include "skin/graphics/Utils.h"


using namespace scrollgeo;

namespace {

// Timers of the tracked window.
constexpr UINT_PTR kRepeatDelayTimer = 0xFFFD;   // first repeat after 300 ms
constexpr UINT_PTR kRepeatTimer = 0xFFFE;        // then every 55 ms
constexpr UINT_PTR kHotTimer = 0xFFF2;           // hot tracking, every 20 ms
constexpr UINT_PTR kWatchTimer = 0xFFF3;         // the bars' watch, every 100 ms
constexpr UINT kRepeatDelay = 300, kRepeatEvery = 55, kHotEvery = 20, kWatchEvery = 100;

// The one tracking record of the process.
struct TrackingRecord {
    int LastTrackPos = -1;
    int PressedKind = -1;
    int PressedShown = -1;
    int HotShown = -1;
    HWND TrackWindow = nullptr;
    UINT ScrollMsg = 0;
    UINT_PTR HotTimer = 0;
    int HotKind = -1;
    int HotPart = -1;
    int PressedPart = -1;
    UINT_PTR ScrollRepeatTimer = 0;
    RECT HotBarRect{};
    BarLayout DragLayout;   // thumb length and track at the press
    int DragThumbPos = 0;   // thumb start from the bar's start
    int DragGrabOffset = 0;
    int DragStartPos = 0;
};
TrackingRecord g;

void ResetPress()
{
    g.PressedPart = g.PressedShown = g.PressedKind = -1;
    g.ScrollRepeatTimer = 0;
    g.ScrollMsg = 0;
    g.LastTrackPos = -1;
}
void ResetHot()
{
    g.HotTimer = 0;
    g.HotKind = g.HotShown = g.HotPart = -1;
}

TsSkinManager* UsableManager(TsSkinManager* m)
{
    m = ManagerOrDefault(m);
    return m && m->SkinData().Active ? m : nullptr;
}

bool SectionReserved(TsSkinManager* m, int section)
{
    return m && m->IsSectionIndexValid(section) && m->gd()[size_t(section)].ReservedBoolean;
}

// The arrow-less look of a bar kind: its first track section says so.
bool Arrowless(TsSkinManager* m, int kind)
{
    return m && SectionReserved(m, m->CommonIndexes().BarSection[kind == 0 ? sb1H : sb1V]);
}

// A span along a bar as a rectangle of a bar bitmap.
RECT Along(int kind, int a, int b, int thickness)
{
    return kind == 0 ? RECT{a, 0, b, thickness} : RECT{0, a, thickness, b};
}

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

const int kPartCode[] = {SB_LINEUP, SB_LINEDOWN, SB_PAGEUP, SB_PAGEDOWN};

}  // namespace

// ---------------------------------------------------------------- sizes and layout

int ScrollBarSize(const TkvScrollBar* bar, bool wantThickness, bool fromSkin, TsSkinManager* manager)
{
    if (!bar || bar->Kind > 1) return 0;
    if (wantThickness) {
        if (bar->Thickness >= 0) return bar->Thickness;
        return -bar->Thickness * GetSystemMetrics(bar->Kind == 0 ? SM_CYHSCROLL : SM_CXVSCROLL);
    }
    if (bar->ArrowLength >= 0) return bar->ArrowLength;
    TsSkinManager* m = fromSkin ? UsableManager(manager) : nullptr;
    if (m) {
        // The arrow of the bar's own kind decides (left arrow: its frame
        // width; top arrow: its state height).
        const TsCommonIndexes& c = m->CommonIndexes();
        int part = bar->Kind == 0 ? spBtnLeft : spBtnTop;
        int mask = c.ScrollBorder[size_t(part)];
        if (SectionReserved(m, c.ScrollSection[size_t(part)]) && m->IsMaskIndexValid(mask)) {
            const TsMaskData& md = m->ma()[size_t(mask)];
            int dim = bar->Kind == 0 ? MaskFrameWidth(md) : MaskStateHeight(md);
            return -bar->ArrowLength * std::max(0, dim + ScrollButtonSize - 17);
        }
    }
    return -bar->ArrowLength * ScrollButtonSize;
}

BarLayout ScrollBarLayout(const TkvScrollBar& bar, int length, TsSkinManager* manager)
{
    TsSkinManager* m = UsableManager(manager);
    return BarLayoutOf(length, ScrollBarSize(&bar, false, true, m), Arrowless(m, bar.Kind), bar.Geometry(),
                       bar.MinThumbSize);
}

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

// ---------------------------------------------------------------- the wrapper

TkvScrollWnd::TkvScrollWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager,
                           const String& skinSection, bool repaint)
    : TkvScrollWnd(handle, commonData, skinManager, skinSection, repaint, true)
{
}

TkvScrollWnd::TkvScrollWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager,
                           const String& skinSection, bool repaint, bool baseTheme)
    : TkvMainWnd(handle, commonData, skinManager, skinSection, repaint, baseTheme)
{
    HorzBar = std::make_unique<TkvScrollBar>();
    VertBar = std::make_unique<TkvScrollBar>();
    HorzBar->Kind = 0;
    VertBar->Kind = 1;
    HorzBar->Owner = VertBar->Owner = this;
}

void TkvScrollWnd::HookSelf(bool repaint)
{
    Scrolling = false;
    if (!IsWindow(Handle)) return;
    ReadInfo(*HorzBar);
    ReadInfo(*VertBar);
    LeftScrollBar = (GetWindowLongPtrW(Handle, GWL_EXSTYLE) & WS_EX_LEFTSCROLLBAR) != 0;
    LONG_PTR style = GetWindowLongPtrW(Handle, GWL_STYLE);
    HorzBar->Flags = (style & WS_HSCROLL) ? 8 : 0;
    VertBar->Flags = (style & WS_VSCROLL) ? 8 : 0;
    HorzBar->ArrowLength = VertBar->ArrowLength = -1;
    HorzBar->Thickness = VertBar->Thickness = -1;
    StyleChanging = false;
    TkvMainWnd::HookSelf(false);
    if (style & (WS_HSCROLL | WS_VSCROLL)) StartWatch();
    SetMinThumb(3, DefaultMinThumbSize);
    if (GetWrapper(Handle) == this && repaint) RefreshFrame(Handle, true);
}

bool TkvScrollWnd::SetMinThumb(int which, int size)
{
    if (which & 1) HorzBar->MinThumbSize = uint16_t(std::clamp(size, 0, 0xFFFF));
    if (which & 2) VertBar->MinThumbSize = uint16_t(std::clamp(size, 0, 0xFFFF));
    return true;
}

void TkvScrollWnd::ForgetTracking()
{
    if (g.TrackWindow != Handle || !Handle) return;
    KillTimer(Handle, kRepeatDelayTimer);
    KillTimer(Handle, kRepeatTimer);
    KillTimer(Handle, kHotTimer);
    ResetPress();
    ResetHot();
    ThumbTracking = false;
    g.TrackWindow = nullptr;
}

void TkvScrollWnd::Unhooking()
{
    ForgetPictures();
    if (std::exchange(watching_, false) && IsWindow(Handle)) KillTimer(Handle, kWatchTimer);
    // Nothing of this window may stay in the tracking record.
    if (g.TrackWindow == Handle && GetCapture() == Handle && g.PressedPart >= 0) {
        ForgetTracking();
        ReleaseCapture();
    }
    ForgetTracking();
}

TkvScrollWnd::~TkvScrollWnd()
{
    // The window gets its own bars back: the procedure goes back first, then
    // the frame is computed and painted again by the system.
    TControl* owner = OwnerControl();
    if (!Unhooked && Handle && IsWindow(Handle) && !(owner && owner->Destroying())) {
        TkvMainWnd* self = this;
        UnhookWindow(Handle, false, true, self);
    }
    Unhooking();
    HorzBar->Owner = VertBar->Owner = nullptr;
}

TkvScrollWnd* TkvScrollWnd::Of(HWND wnd) { return dynamic_cast<TkvScrollWnd*>(GetWrapper(wnd)); }

TsSkinManager* TkvScrollWnd::ActiveManager() const { return UsableManager(SkinManager); }

void TkvScrollWnd::ReadInfo(TkvScrollBar& bar)
{
    bar.Info.cbSize = sizeof(SCROLLINFO);
    bar.Info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;
    if (!GetScrollInfo(Handle, bar.Kind == 0 ? SB_HORZ : SB_VERT, &bar.Info)) {
        bar.Info.nMin = bar.Info.nMax = bar.Info.nPos = bar.Info.nTrackPos = 0;
        bar.Info.nPage = 0;
    }
}

void TkvScrollWnd::RefreshScrollBars(bool repaint)
{
    if (Unhooked || !IsWindowVisible(Handle)) return;
    ReadInfo(*HorzBar);
    ReadInfo(*VertBar);
    if (repaint && !AnimationRunning) NCPaint();
}

TkvScrollWnd::BarState TkvScrollWnd::StateOf(const TkvScrollBar& bar) const
{
    // One question to the system serves both answers (each costs a trip to it).
    BarState s;
    s.DisabledArrows = bar.Flags & 3;
    SCROLLBARINFO sbi{};
    sbi.cbSize = sizeof(sbi);
    LONG object = bar.Kind == 0 ? OBJID_HSCROLL : bar.Kind == 1 ? OBJID_VSCROLL : OBJID_CLIENT;
    const bool known = GetScrollBarInfo(Handle, object, &sbi) != FALSE;
    if (known) {
        // The state words of the first and the last arrow (EnableScrollBar).
        if (sbi.rgstate[1] & STATE_SYSTEM_UNAVAILABLE) s.DisabledArrows |= 1;
        if (sbi.rgstate[5] & STATE_SYSTEM_UNAVAILABLE) s.DisabledArrows |= 2;
    }
    // Both arrows disabled is the whole bar disabled (EnableScrollBar with
    // ESB_DISABLE_BOTH marks the arrows, and not always the bar's own word).
    if ((s.DisabledArrows & 3) == 3) return s;
    if ((bar.Flags & 4) && !(bar.Info.nMax >= int(bar.Info.nPage) && bar.Info.nMin < bar.Info.nMax && bar.Info.nMax != 0))
        return s;
    if (known) {
        if (sbi.rgstate[0] & STATE_SYSTEM_UNAVAILABLE) return s;
    } else {
        LONG_PTR style = GetWindowLongPtrW(Handle, GWL_STYLE);
        if (!(style & (bar.Kind == 0 ? WS_HSCROLL : WS_VSCROLL))) return s;
    }
    s.Enabled = IsWindowEnabled(Handle) != FALSE;
    return s;
}

uint16_t TkvScrollWnd::DisabledArrows(const TkvScrollBar& bar) const { return StateOf(bar).DisabledArrows; }

bool TkvScrollWnd::BarEnabled(const TkvScrollBar& bar) const { return StateOf(bar).Enabled; }

RECT TkvScrollWnd::HorzBarRect() const
{
    RECT w{};
    GetWindowRect(Handle, &w);
    int ht = HorzBar->Visible ? ScrollBarSize(HorzBar.get(), true, false) : 0;
    int vt = VertBar->Visible ? ScrollBarSize(VertBar.get(), true, false) : 0;
    RECT r;
    r.left = w.left + LeftEdge + (LeftScrollBar ? vt : 0);
    r.right = w.right - RightEdge - (LeftScrollBar ? 0 : vt);
    r.bottom = w.bottom - BottomEdge;
    r.top = r.bottom - ht;
    if (HorzBar->LeadInsetOn) r.left += HorzBar->LeadInset;
    if (HorzBar->TrailInsetOn) r.right -= HorzBar->TrailInset;
    return r;
}

RECT TkvScrollWnd::VertBarRect() const
{
    RECT w{};
    GetWindowRect(Handle, &w);
    int ht = HorzBar->Visible ? ScrollBarSize(HorzBar.get(), true, false) : 0;
    int vt = VertBar->Visible ? ScrollBarSize(VertBar.get(), true, false) : 0;
    RECT r;
    r.top = w.top + TopEdge;
    r.bottom = w.bottom - BottomEdge - ht;
    if (LeftScrollBar) {
        r.left = w.left + LeftEdge;
        r.right = r.left + vt;
    } else {
        r.right = w.right - RightEdge;
        r.left = r.right - vt;
    }
    if (VertBar->LeadInsetOn) r.top += VertBar->LeadInset;
    if (VertBar->TrailInsetOn) r.bottom -= VertBar->TrailInset;
    return r;
}

namespace {
RECT CornerRect(const RECT& hr, const RECT& vr) { return RECT{vr.left, hr.top, vr.right, hr.bottom}; }
}  // namespace

bool TkvScrollWnd::SizeGripAllowed() const
{
    HWND parent = (GetWindowLongPtrW(Handle, GWL_STYLE) & WS_CHILD) ? GetParent(Handle) : nullptr;
    if (!parent) return true;
    if (GetWindowLongPtrW(parent, GWL_STYLE) & WS_CHILD) return false;   // the parent is not top-level
    RECT corner = CornerRect(HorzBarRect(), VertBarRect());
    RECT client{};
    GetClientRect(parent, &client);
    POINT br{LeftScrollBar ? client.left : client.right, client.bottom};
    ClientToScreen(parent, &br);
    return corner.bottom == br.y && (LeftScrollBar ? corner.left == br.x : corner.right == br.x);
}

int TkvScrollWnd::HitTest(int kind, POINT p) const
{
    const TkvScrollBar& bar = *Bar(kind);
    if (!bar.Visible) return PartNone;
    RECT r = kind == 0 ? HorzBarRect() : VertBarRect();
    // Outside the bar across its length: none.
    if (kind == 0 ? (p.y < r.top || p.y >= r.bottom) : (p.x < r.left || p.x >= r.right)) return PartNone;
    int length = kind == 0 ? Width(r) : Height(r);
    BarLayout l = ScrollBarLayout(bar, length, SkinManager);
    return HitTestBar(l, kind == 0 ? p.x - r.left : p.y - r.top);
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

// ---------------------------------------------------------------- messages

void TkvScrollWnd::NCCalcSize(TMessage& m)
{
    LONG_PTR style = GetWindowLongPtrW(Handle, GWL_STYLE);
    RECT* rects = reinterpret_cast<RECT*>(m.LParam);
    RECT window = rects ? rects[0] : RECT{};
    if (style & (WS_HSCROLL | WS_VSCROLL)) {
        // The system reserves no room of its own: the bits are off while it computes.
        StyleChanging = true;
        SetWindowLongPtrW(Handle, GWL_STYLE, style & ~LONG_PTR(WS_HSCROLL | WS_VSCROLL));
        CallPrevWndProc(m);
        SetWindowLongPtrW(Handle, GWL_STYLE, style);
        StyleChanging = false;
    } else {
        CallPrevWndProc(m);
    }
    if (!rects) return;
    framedBySkin_ = true;
    RECT& client = rects[0];
    LeftEdge = client.left - window.left;
    TopEdge = client.top - window.top;
    RightEdge = window.right - client.right;
    BottomEdge = window.bottom - client.bottom;

    HorzBar->Flags = (style & WS_HSCROLL) ? 8 : 0;
    int ht = ScrollBarSize(HorzBar.get(), true, false);
    HorzBar->Visible = HorzBar->Flags == 8 && client.bottom - client.top >= ht;
    if (HorzBar->Visible) client.bottom -= ht;
    VertBar->Flags = (style & WS_VSCROLL) ? 8 : 0;
    int vt = ScrollBarSize(VertBar.get(), true, false);
    VertBar->Visible = VertBar->Flags == 8 && client.right - client.left >= vt;
    if (VertBar->Visible) {
        if (LeftScrollBar)
            client.left += vt;
        else
            client.right -= vt;
    }
    if (HorzBar->Visible || VertBar->Visible) StartWatch();
}

void TkvScrollWnd::NCHitTest(TMessage& m)
{
    POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
    RECT hr = HorzBarRect(), vr = VertBarRect();
    if (HorzBar->Visible && PtInRect(&hr, p)) {
        m.Result = BarEnabled(*HorzBar) ? HTHSCROLL : HTNOWHERE;
        return;
    }
    if (VertBar->Visible && PtInRect(&vr, p)) {
        m.Result = BarEnabled(*VertBar) ? HTVSCROLL : HTNOWHERE;
        return;
    }
    if (HorzBar->Visible && VertBar->Visible) {
        RECT corner = CornerRect(hr, vr);
        if (PtInRect(&corner, p) && SizeGripAllowed()) {
            m.Result = LeftScrollBar ? HTBOTTOMLEFT : HTBOTTOMRIGHT;
            return;
        }
    }
    CallPrevWndProc(m);
}

void TkvScrollWnd::NCMouseMove(TMessage& m)
{
    int kind = m.WParam == HTHSCROLL ? 0 : m.WParam == HTVSCROLL ? 1 : -1;
    if (kind >= 0 && (g.TrackWindow != Handle || kind != g.HotKind)) {
        const HWND before = g.TrackWindow;
        if (before && before != Handle && g.HotTimer) KillTimer(before, kHotTimer);
        if (g.PressedPart < 0 || g.TrackWindow == Handle) {
            g.TrackWindow = Handle;
            g.HotPart = g.HotShown = -1;
            g.HotBarRect = kind == 0 ? HorzBarRect() : VertBarRect();
            g.HotKind = kind;
            g.HotTimer = SetTimer(Handle, kHotTimer, kHotEvery, nullptr) ? kHotTimer : 0;
            NCPaint();
            // The window whose bar was hot shows it at rest now.
            if (before && before != Handle)
                if (TkvScrollWnd* other = Of(before)) other->NCPaint();
        }
    }
    CallPrevWndProc(m);
}

void TkvScrollWnd::SendScroll(int code, int pos)
{
    Scrolling = true;
    SendScrollMessage(Handle, g.ScrollMsg, code, pos);
    Scrolling = false;
}

void TkvScrollWnd::StartButtonRepeat()
{
    TkvScrollBar& bar = *Bar(g.PressedKind);
    if (!BarEnabled(bar)) return;
    g.PressedShown = g.PressedPart;
    NCPaint();
    SendScroll(kPartCode[g.PressedPart], 0);
    if (SetTimer(Handle, kRepeatDelayTimer, kRepeatDelay, nullptr)) g.ScrollRepeatTimer = kRepeatDelayTimer;
}

void TkvScrollWnd::NCLButtonDown(TMessage& m)
{
    if (m.WParam != HTHSCROLL && m.WParam != HTVSCROLL) {
        CallPrevWndProc(m);
        return;
    }
    // A press still recorded for another window is over.
    if (g.TrackWindow && g.TrackWindow != Handle) {
        KillTimer(g.TrackWindow, kRepeatDelayTimer);
        KillTimer(g.TrackWindow, kRepeatTimer);
        KillTimer(g.TrackWindow, kHotTimer);
        ResetPress();
        ResetHot();
    }
    POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
    int kind = m.WParam == HTHSCROLL ? 0 : 1;
    g.TrackWindow = Handle;
    g.ScrollMsg = kind == 0 ? WM_HSCROLL : WM_VSCROLL;
    g.PressedKind = kind;
    g.PressedPart = HitTest(kind, p);
    TkvScrollBar& bar = *Bar(kind);
    int part = g.PressedPart;
    const uint16_t disabled = DisabledArrows(bar);
    if ((part == PartArrow1 && !(disabled & 1)) || (part == PartArrow2 && !(disabled & 2)) || part == PartPage1 ||
        part == PartPage2) {
        StartButtonRepeat();
    } else if (part == PartThumb && BarEnabled(bar)) {
        RECT r = kind == 0 ? HorzBarRect() : VertBarRect();
        int length = kind == 0 ? Width(r) : Height(r);
        ReadInfo(bar);
        g.DragLayout = ScrollBarLayout(bar, length, SkinManager);
        g.DragThumbPos = g.DragLayout.ThumbStart;
        ThumbTracking = true;
        bar.Info.nTrackPos = bar.Info.nPos;
        g.DragGrabOffset = (kind == 0 ? p.x - r.left : p.y - r.top) - g.DragThumbPos;
        g.DragStartPos = bar.Info.nPos;
        g.LastTrackPos = bar.Info.nPos;
        g.PressedShown = PartThumb;
        NCPaint();
    }
    if (part == PartNone) {
        CallPrevWndProc(m);
        return;
    }
    SetCapture(Handle);
    m.Result = 0;
}

void TkvScrollWnd::DragStep(POINT p)
{
    int kind = g.PressedKind;
    TkvScrollBar& bar = *Bar(kind);
    RECT r = kind == 0 ? HorzBarRect() : VertBarRect();
    int along = kind == 0 ? p.x - r.left : p.y - r.top;
    int start = DraggedThumbStart(g.DragLayout, along, g.DragGrabOffset);
    g.DragThumbPos = start;
    NCPaint();
    int pos = PositionOfThumb(g.DragLayout, bar.Geometry(), start);
    if (pos != g.LastTrackPos) {
        bar.Info.nTrackPos = pos;
        SendScroll(SB_THUMBTRACK, pos);
    }
    g.LastTrackPos = pos;
}

void TkvScrollWnd::MouseMove(TMessage& m)
{
    if (g.TrackWindow != Handle || g.PressedPart < 0) {
        TkvMainWnd::WndProc(m);
        return;
    }
    POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
    ClientToScreen(Handle, &p);
    if (ThumbTracking) {
        DragStep(p);
    } else {
        int shown = HitTest(g.PressedKind, p) == g.PressedPart ? g.PressedPart : -1;
        if (shown != g.PressedShown) {
            g.PressedShown = shown;
            NCPaint();
        }
    }
    m.Result = 0;
}

void TkvScrollWnd::EndPress(bool sendEnd)
{
    KillTimer(Handle, kRepeatDelayTimer);
    KillTimer(Handle, kRepeatTimer);
    int part = g.PressedPart;
    if (sendEnd && g.ScrollMsg) {
        if (ThumbTracking) SendScroll(SB_THUMBPOSITION, g.LastTrackPos);
        ThumbTracking = false;
        SendScroll(SB_ENDSCROLL, part == PartThumb ? std::max(0, g.LastTrackPos) : 0);
    }
    ThumbTracking = false;
    ResetPress();
    NCPaint();
}

bool TkvScrollWnd::EndBarPress()
{
    if (g.TrackWindow != Handle || g.PressedPart < 0) return false;
    EndPress(true);
    return true;
}

void TkvScrollWnd::LButtonUp(TMessage& m)
{
    if (g.TrackWindow == Handle && g.PressedPart >= 0) {
        EndPress(true);
        if (GetCapture() == Handle) ReleaseCapture();
    }
    CallPrevWndProc(m);
}

void TkvScrollWnd::CaptureLost()
{
    // The capture went elsewhere mid-press (a dialog, a task switch, another
    // window's SetCapture): the press is over as on a button-up.
    if (g.TrackWindow == Handle && g.PressedPart >= 0) EndPress(true);
}

void TkvScrollWnd::Timer(TMessage& m)
{
    if (m.WParam == kRepeatDelayTimer || m.WParam == kRepeatTimer) {
        // The first repeat comes when the delay ends, the next ones every 55 ms.
        if (m.WParam == kRepeatDelayTimer) {
            KillTimer(Handle, kRepeatDelayTimer);
            g.ScrollRepeatTimer = SetTimer(Handle, kRepeatTimer, kRepeatEvery, nullptr) ? kRepeatTimer : 0;
        }
        if (g.PressedPart < 0 || ThumbTracking) {
            KillTimer(Handle, kRepeatTimer);
        } else {
            POINT p{};
            GetCursorPos(&p);
            int shown = HitTest(g.PressedKind, p) == g.PressedPart ? g.PressedPart : -1;
            if (shown != g.PressedShown) {
                g.PressedShown = shown;
                NCPaint();
            }
            if (g.PressedShown != -1) SendScroll(kPartCode[g.PressedPart], 0);
        }
    } else if (!ThumbTracking) {
        POINT p{};
        GetCursorPos(&p);
        if (PtInRect(&g.HotBarRect, p) && g.HotKind >= 0) {
            int part = HitTest(g.HotKind, p);
            if (part != g.HotShown) {
                g.HotShown = g.HotPart = part;
                NCPaint();
            }
        } else {
            KillTimer(Handle, kHotTimer);
            ResetHot();
            NCPaint();
        }
    }
    m.Result = 0;
}

namespace {
// Messages after which a window may have changed its scroll information (and
// the system then draws its own bar over the skinned one).
bool MayScroll(UINT msg)
{
    switch (msg) {
    case WM_SETTEXT: case WM_CHAR: case WM_KEYDOWN: case WM_SIZE: case WM_HSCROLL: case WM_VSCROLL:
    case WM_MOUSEWHEEL: case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_SETFONT: case WM_TIMER:
    case WM_CUT: case WM_PASTE: case WM_CLEAR: case WM_UNDO: case WM_ENABLE:
        return true;
    default:
        return (msg >= EM_GETSEL && msg <= 0x00FF) || (msg >= LB_ADDSTRING && msg <= 0x01B0) ||
               msg == SBM_SETSCROLLINFO || msg == SBM_SETPOS || msg == SBM_SETRANGE || msg == 0xB043;
    }
}
bool SameInfo(const SCROLLINFO& a, const SCROLLINFO& b)
{
    return a.nMin == b.nMin && a.nMax == b.nMax && a.nPage == b.nPage && a.nPos == b.nPos;
}
}  // namespace

void TkvScrollWnd::WndProc(TMessage& m)
{
    const bool command = m.Msg == SkinCommandMessage && !Unhooked;
    // A skin that comes, goes or is painted anew: the kept pictures go with
    // the old one (the stamp of each picture would also tell them apart).
    if (command) {
        const unsigned cmd = HIWORD(m.WParam);
        if (cmd == SkinCmdNewSkin || cmd == SkinCmdRemoveSkin || cmd == SkinCmdRefresh || cmd == SkinCmdDropCache)
            ForgetPictures();
    }
    DispatchBars(m);
    // Who reserves the room of the bars follows the skin. A wrapper made while
    // its manager had no skin yet (or whose skin has just gone) has its frame
    // computed by the system: once a skin comes (or goes) the frame is
    // computed again, or the skin would paint no bars and the system's room
    // for them would stay empty.
    if (command && !Unhooked && IsWindow(Handle) && (ActiveManager() != nullptr) != framedBySkin_)
        RefreshFrame(Handle, true);
}

void TkvScrollWnd::DispatchBars(TMessage& m)
{
    if (m.Msg == WM_TIMER && m.WParam == kWatchTimer) {
        WatchBars();
        m.Result = 0;
        return;
    }
    if (Unhooked) {
        CallPrevWndProc(m);
        return;
    }
    if (!ActiveManager()) {
        // No skin: the window keeps its own bars, and nothing of the last skin is kept.
        if (barBitmaps_[0] || barBitmaps_[1] || barBitmaps_[2]) ForgetPictures();
        if (m.Msg == WM_NCCALCSIZE) framedBySkin_ = false;
        TkvMainWnd::WndProc(m);
        return;
    }
    switch (m.Msg) {
    case WM_DESTROY:
    case WM_NCDESTROY:
        Unhooking();
        TkvMainWnd::WndProc(m);
        return;
    case WM_UPDATEUISTATE:
        m.Result = 0;
        return;
    case WM_NCCALCSIZE:
        NCCalcSize(m);
        return;
    case WM_NCHITTEST:
        NCHitTest(m);
        return;
    case WM_NCMOUSEMOVE:
        NCMouseMove(m);
        return;
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
        NCLButtonDown(m);
        return;
    case WM_MOUSEMOVE:
        MouseMove(m);
        return;
    case WM_LBUTTONUP:
        LButtonUp(m);
        return;
    case WM_CAPTURECHANGED:
        if (HWND(m.LParam) != Handle) CaptureLost();
        CallPrevWndProc(m);
        return;
    case WM_TIMER:
        if ((m.WParam == kRepeatDelayTimer || m.WParam == kRepeatTimer || m.WParam == kHotTimer) &&
            g.TrackWindow == Handle) {
            Timer(m);
            // After ours the bars are read again, unless a scroll is running.
            if (!Scrolling && !ThumbTracking && !Unhooked) RefreshScrollBars(true);
            return;
        }
        break;
    case WM_NCPAINT:
    case WM_NCMOUSELEAVE:
        // The window's own frame first, then the bars over it: painting
        // first would leave the system's bars on top. The mouse leaving the
        // frame has the system draw its bars too (their hot look ends).
        CallPrevWndProc(m);
        if (IsWindowVisible(Handle) && !Scrolling) NCPaint();
        return;
    case WM_PRINT: {
        // The window's own printing may leave the DC clipped or moved to its client area.
        int saved = m.WParam ? SaveDC(HDC(m.WParam)) : 0;
        CallPrevWndProc(m);
        if (saved) RestoreDC(HDC(m.WParam), saved);
        if ((m.LParam & PRF_NONCLIENT) && m.WParam) NCPaint(HDC(m.WParam));
        return;
    }
    case WM_STYLECHANGED:
        if (StyleChanging) return;
        if (m.WParam == WPARAM(GWL_EXSTYLE))
            LeftScrollBar = (GetWindowLongPtrW(Handle, GWL_EXSTYLE) & WS_EX_LEFTSCROLLBAR) != 0;
        CallPrevWndProc(m);
        return;
    case WM_NCRBUTTONDOWN:
    case WM_NCRBUTTONUP:
    case WM_NCMBUTTONDOWN:
    case WM_NCMBUTTONUP:
        if (m.WParam == HTHSCROLL || m.WParam == HTVSCROLL) {
            m.Result = 0;
            return;
        }
        CallPrevWndProc(m);
        return;
    case WM_SYSCOMMAND:
        if ((m.WParam & 0xFFF0) == 0xF070) {   // the system's own scroll loop
            m.Result = 0;
            return;
        }
        CallPrevWndProc(m);
        return;
    case CM_RECREATEWND:
        // The hidden list of a combo box of no name is made again with it: the combo's own wrapper answers.
        if (!IsWindowVisible(Handle)) {
            TControl* owner = OwnerControl();
            if (owner && owner->InheritsFrom(L"TCustomComboBox") && owner->Name().empty()) {
                m.Result = 0;
                return;
            }
        }
        CallPrevWndProc(m);
        return;
    case CM_FOCUSCHANGED:
        // The focus moved: a control may have drawn its own bars meanwhile.
        TkvMainWnd::WndProc(m);
        if (!Unhooked && IsWindow(Handle)) RefreshScrollBars(true);
        return;
    case WM_CONTEXTMENU:
        // The owner's popup menu shows skinned while the manager is active.
        if (TControl* owner = OwnerControl(); owner && owner->PopupMenu() && SkinManager)
            SkinManager->SkinableMenus().AttachMenu(owner->PopupMenu(), SkinManager->Active());
        CallPrevWndProc(m);
        return;
    case WM_HSCROLL:
    case WM_VSCROLL:
        // A scroll message of ours carries no window in its LParam when it
        // reaches the window's own procedure (it would be taken for a
        // scroll-bar control's handle).
        if (Scrolling && m.LParam && !IsWindow(HWND(m.LParam))) m.LParam = 0;
        break;
    default:
        break;
    }
    if (MayScroll(m.Msg) && !Unhooked) {
        SCROLLINFO h = HorzBar->Info, v = VertBar->Info;
        TkvMainWnd::WndProc(m);
        if (Unhooked || !IsWindow(Handle)) return;
        ReadInfo(*HorzBar);
        ReadInfo(*VertBar);
        bool changed = !SameInfo(h, HorzBar->Info) || !SameInfo(v, VertBar->Info) || m.Msg == WM_ENABLE ||
                       m.Msg == WM_HSCROLL || m.Msg == WM_VSCROLL ||
                       ((m.Msg == WM_MOUSEWHEEL || m.Msg == CM_MOUSEWHEEL) && !Scrolling);
        if (changed && IsWindowVisible(Handle) && !AnimationRunning) NCPaint();
        return;
    }
    TkvMainWnd::WndProc(m);
}

// ---------------------------------------------------------------- sending

void SendScrollMessage(HWND wnd, UINT msg, int code, int pos)
{
    LPARAM bracket = MAKELPARAM(code, msg);
    LRESULT answer = SendSkinCommand(wnd, TsSkinCommand::LockRedraw, bracket);
    LPARAM lParam = pos;
    if (answer != 1) {
        if (code == SB_THUMBTRACK) {
            SCROLLINFO si{sizeof(si), SIF_POS, 0, 0, 0, pos, 0};
            SetScrollInfo(wnd, msg == WM_HSCROLL ? SB_HORZ : SB_VERT, &si, FALSE);
        }
        lParam = 0;
    }
    SendMessageW(wnd, msg, MAKEWPARAM(code, std::min(pos, 0xFFFF)), lParam);
    SendSkinCommand(wnd, TsSkinCommand::UnlockRedraw, bracket);
}

// ---------------------------------------------------------------- stand-alone control

TkvSBWnd::TkvSBWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
                   bool repaint)
    : TkvMainWnd(handle, commonData, skinManager, skinSection, repaint)
{
}

TkvSBWnd::~TkvSBWnd()
{
    if (!Unhooked && Handle && IsWindow(Handle)) {
        if (RedrawLocked) {
            LPARAM none = 0;
            CallPrevWndProc(Handle, WM_SETREDRAW, TRUE, none);
        }
        InvalidateRect(Handle, nullptr, TRUE);
    }
}

bool TkvSBWnd::Vertical() const { return (GetWindowLongPtrW(Handle, GWL_STYLE) & SBS_VERT) != 0; }

void TkvSBWnd::ReadScrollBarProps()
{
    SCROLLINFO si{sizeof(si), SIF_ALL, 0, 0, 0, 0, 0};
    if (!GetScrollInfo(Handle, SB_CTL, &si)) si = SCROLLINFO{sizeof(si), 0, 0, 0, 0, 0, 0};
    SBMin = si.nMin;
    SBMax = si.nMax;
    SBPage = int(std::min<UINT>(si.nPage, INT32_MAX));
    SBPos = si.nPos;
    SBTrackPos = si.nTrackPos;
}

BarLayout TkvSBWnd::Layout()
{
    ReadScrollBarProps();
    RECT c{};
    GetClientRect(Handle, &c);
    bool v = Vertical();
    int length = v ? c.bottom : c.right;
    TsSkinManager* m = UsableManager(SkinManager);
    int arrow = Arrowless(m, v ? 1 : 0) ? 0 : GetSystemMetrics(v ? SM_CYVSCROLL : SM_CXHSCROLL);
    BarInfo info{SBMin, SBMax, unsigned(SBPage), SBPos};
    ControlLayout cl = ControlLayoutOf(length, arrow, v, info);
    BarLayout l;
    l.Length = length;
    l.Arrow = cl.Arrow;
    l.ArrowsFit = true;
    l.Track = length - 2 * cl.Arrow;
    l.ThumbStart = cl.ThumbStart;
    l.ThumbSize = cl.ThumbSize;
    l.ThumbFits = cl.ThumbSize > 0 && cl.ThumbSize < l.Track && SBMax > SBMin;
    return l;
}

int& TkvSBWnd::StateOf(int part)
{
    switch (part) {
    case sbArrow1: return Arrow1State;
    case sbArrow2: return Arrow2State;
    case sbPage1: return Page1State;
    case sbPage2: return Page2State;
    default: return ThumbState;
    }
}

void TkvSBWnd::SetPartState(int part, int state)
{
    if (part < sbArrow1 || part > sbThumb) return;
    if (StateOf(part) != state) {
        StateOf(part) = state;
        StateChanged = true;
    }
    if (state != 1 && state != 2) return;
    for (int other = sbArrow1; other <= sbThumb; ++other) {
        if (other == part) continue;
        int want = other == sbPage1 || other == sbPage2 ? 1 : 0;
        if (StateOf(other) != want) {
            StateOf(other) = want;
            StateChanged = true;
        }
    }
}

int TkvSBWnd::PartAt(POINT p)
{
    RECT c{};
    GetClientRect(Handle, &c);
    if (!PtInRect(&c, p)) return -1;
    BarLayout l = Layout();
    int along = Vertical() ? p.y : p.x;
    if (along < l.Arrow) return sbArrow1;
    if (along >= l.Length - l.Arrow) return sbArrow2;
    if (l.ThumbFits && along >= l.ThumbStart && along < l.ThumbStart + l.ThumbSize) return sbThumb;
    return along < l.Split() ? sbPage1 : sbPage2;
}

int TkvSBWnd::PositionAt(POINT p)
{
    RECT c{};
    GetClientRect(Handle, &c);
    bool v = Vertical();
    int length = v ? c.bottom : c.right;
    TsSkinManager* m = UsableManager(SkinManager);
    int arrow = Arrowless(m, v ? 1 : 0) ? 0 : GetSystemMetrics(v ? SM_CYVSCROLL : SM_CXHSCROLL);
    ReadScrollBarProps();
    BarInfo info{SBMin, SBMax, unsigned(SBPage), SBPos};
    ControlLayout cl = ControlLayoutOf(length, arrow, v, info);
    return ControlPositionAt(length, cl, info, v ? p.y : p.x, IsWindowEnabled(Handle) != FALSE);
}

void TkvSBWnd::PaintTo(HDC dc)
{
    TsSkinManager* m = UsableManager(SkinManager);
    if (!m || !dc) return;
    RECT c{};
    GetClientRect(Handle, &c);
    bool v = Vertical();
    TkvBarPaintRequest q;
    q.Kind = v ? 1 : 0;
    q.Layout = Layout();
    q.Length = q.Layout.Length;
    q.Thickness = v ? c.right : c.bottom;
    q.Enabled = IsWindowEnabled(Handle) != FALSE;
    if (q.Enabled) {
        q.States[PartArrow1] = Arrow1State;
        q.States[PartArrow2] = Arrow2State;
        q.States[PartPage1] = Page1State;
        q.States[PartPage2] = Page2State;
        q.States[PartThumb] = ThumbState;
    }
    HWND parent = GetParent(Handle);
    q.BgColor = parent ? GetWindowBgColor(parent) : m->GetGlobalColor();
    if (!cache_) cache_ = std::make_unique<TBitmap>();
    if (PaintScrollBarBitmap(m, q, cache_.get()))
        BitBlt(dc, 0, 0, cache_->Width(), cache_->Height(), cache_->Canvas().Handle(), 0, 0, SRCCOPY);
}

void TkvSBWnd::LockRedraw()
{
    // Only a shown control is locked: turning the redrawing on again shows a window.
    if (RedrawOffCount++ == 0 && IsWindowVisible(Handle)) {
        LPARAM none = 0;
        CallPrevWndProc(Handle, WM_SETREDRAW, FALSE, none);
        RedrawLocked = true;
    }
}

void TkvSBWnd::UnlockRedraw()
{
    if (RedrawOffCount > 0 && --RedrawOffCount == 0 && RedrawLocked) {
        RedrawLocked = false;
        if (Unhooked || !IsWindow(Handle)) return;
        LPARAM none = 0;
        CallPrevWndProc(Handle, WM_SETREDRAW, TRUE, none);
    }
}

void TkvSBWnd::Repaint()
{
    StateChanged = false;
    if (Unhooked || RedrawOffCount > 0 || !IsWindowVisible(Handle)) return;
    if (HDC dc = GetDC(Handle)) {
        PaintTo(dc);
        ReleaseDC(Handle, dc);
    }
}

void TkvSBWnd::TrackHot(POINT p)
{
    if (!IsWindowEnabled(Handle)) return;
    if (Arrow1State == 2 || Arrow2State == 2 || Page1State == 2 || Page2State == 2 || ThumbState == 2) {
        // While the thumb is held the control follows the mouse.
        if (DragActive && ThumbState == 2) {
            ReadScrollBarProps();
            int last = std::max(SBMin, SBMax - std::max(SBPage - 1, 0));
            int pos = std::clamp(PositionAt(p) - DragOffset, SBMin, last);
            if (pos != SBPos) {
                SBLastPos = SBPos;
                // Through the class library's control when there is one, so that it hears of the change.
                auto* sb = dynamic_cast<TScrollBar*>(OwnerControl());
                if (!sb) sb = dynamic_cast<TScrollBar*>(TWinControl::FindControl(Handle));
                if (sb)
                    sb->SetPosition(pos);
                else
                    SendMessageW(Handle, SBM_SETPOS, WPARAM(pos), TRUE);
            }
        }
        return;
    }
    int part = PartAt(p);
    if (part >= 0) {
        SetPartState(part, 1);
    } else {
        for (int other = sbArrow1; other <= sbThumb; ++other) StateOf(other) = 0;
        StateChanged = true;
    }
    if (StateChanged) Repaint();
}

void TkvSBWnd::Press(TMessage& m, POINT p)
{
    int part = PartAt(p);
    if (part < 0 || !IsWindowEnabled(Handle)) {
        TkvMainWnd::WndProc(m);
        return;
    }
    bool v = Vertical();
    if (m.Msg != WM_NCLBUTTONDOWN && Arrowless(UsableManager(SkinManager), v ? 1 : 0)) {
        // The skin shows no arrows, the control still has them: a press on
        // the control's arrow band goes to the track just past it.
        RECT c{};
        GetClientRect(Handle, &c);
        int length = v ? c.bottom : c.right;
        int band = GetSystemMetrics(v ? SM_CYVSCROLL : SM_CXHSCROLL);
        int along = v ? p.y : p.x;
        if (length > 2 * band) {
            if (along < band)
                along = band;
            else if (along >= length - band)
                along = length - band - 1;
        }
        (v ? p.y : p.x) = along;
        m.LParam = MAKELPARAM(p.x, p.y);
    }
    SetPartState(part, 2);
    ActivePart = part == sbThumb ? PartThumb : part;
    if (part == sbThumb) {
        ReadScrollBarProps();
        DragOffset = PositionAt(p) - SBPos;
        DragActive = true;
    }
    Repaint();   // the pressed look stays on the screen while the control tracks unseen
    LockRedraw();
    TkvMainWnd::WndProc(m);
    UnlockRedraw();
    if (Unhooked || !IsWindow(Handle)) return;
    // The control's own tracking is over once it holds the mouse no more;
    // its last scroll message may have moved the thumb after the release, so
    // the part under the mouse is looked up again.
    if (GetCapture() != Handle) {
        int active = ActivePart;
        Release();
        if (active == PartThumb) ActivePart = 4;
        return;
    }
    Repaint();
}

void TkvSBWnd::Release()
{
    bool thumb = ThumbState == 2;
    DragActive = false;
    for (int part = sbArrow1; part <= sbThumb; ++part) StateOf(part) = 0;
    StateChanged = true;
    POINT p{};
    GetCursorPos(&p);
    ScreenToClient(Handle, &p);
    int part = IsWindowEnabled(Handle) ? PartAt(p) : -1;
    if (part >= 0) SetPartState(part, 1);
    ActivePart = thumb ? 4 : 8;
    Repaint();
}

void TkvSBWnd::WndProc(TMessage& m)
{
    if (Unhooked || !UsableManager(SkinManager)) {
        TkvMainWnd::WndProc(m);
        return;
    }
    if (m.Msg == SkinCommandMessage && reinterpret_cast<TsSkinManager*>(m.LParam) == SkinManager) {
        switch (HIWORD(m.WParam)) {
        case SkinCmdRefresh:
            if (CommonData) CommonData->BackgroundChanged = true;
            break;
        case SkinCmdParentUpdated:
            if (CommonData) CommonData->Updating = false;
            RedrawWindow(Handle, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
            m.Result = 0;
            return;
        case SkinCmdForceRepaint:
            RedrawWindow(Handle, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
            m.Result = 0;
            return;
        default:
            break;
        }
        TkvMainWnd::WndProc(m);
        return;
    }
    switch (m.Msg) {
    case WM_PAINT:
        if (m.WParam) {
            PaintTo(HDC(m.WParam));
        } else {
            // Painted between BeginPaint and EndPaint: the update region is
            // validated, or WM_PAINT would come again for ever.
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(Handle, &ps);
            PaintTo(dc);
            EndPaint(Handle, &ps);
        }
        m.Result = 0;
        return;
    case WM_ERASEBKGND:
        m.Result = 1;
        return;
    case WM_NCPAINT:
        m.Result = 0;
        return;
    case WM_PRINT:
        if ((m.LParam & PRF_CLIENT) && m.WParam) PaintTo(HDC(m.WParam));
        m.Result = 0;
        return;
    case SBM_SETSCROLLINFO:
    case SBM_SETPOS:
    case SBM_SETRANGE:
    case SBM_SETRANGEREDRAW:
    case SBM_ENABLE_ARROWS:
    case WM_ENABLE:
    case CM_ENABLEDCHANGED:
    case CM_CONTROLCHANGE: {
        // The control changes itself without drawing; the skin draws after.
        LockRedraw();
        TkvMainWnd::WndProc(m);
        UnlockRedraw();
        if (Unhooked || !IsWindow(Handle)) return;
        if (m.Msg == WM_ENABLE || m.Msg == CM_ENABLEDCHANGED) {
            if (!IsWindowEnabled(Handle)) {
                for (int part = sbArrow1; part <= sbThumb; ++part) StateOf(part) = 0;
                DragActive = false;
            }
        }
        if (RedrawOffCount == 0) RedrawWindow(Handle, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        return;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        Press(m, POINT{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)});
        return;
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK: {
        POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
        ScreenToClient(Handle, &p);
        Press(m, p);
        return;
    }
    case WM_LBUTTONUP:
    case WM_NCLBUTTONUP:
        TkvMainWnd::WndProc(m);
        if (!Unhooked && IsWindow(Handle)) Release();
        return;
    case WM_CAPTURECHANGED:
        TkvMainWnd::WndProc(m);
        if (!Unhooked && IsWindow(Handle) && HWND(m.LParam) != Handle) Release();
        return;
    case WM_NCHITTEST: {
        TkvMainWnd::WndProc(m);
        POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
        ScreenToClient(Handle, &p);
        if (!Unhooked) TrackHot(p);
        return;
    }
    case WM_MOUSEMOVE:
        TkvMainWnd::WndProc(m);
        if (!Unhooked) TrackHot(POINT{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)});
        return;
    case CM_MOUSEENTER: {
        TkvMainWnd::WndProc(m);
        POINT p{};
        GetCursorPos(&p);
        ScreenToClient(Handle, &p);
        if (!Unhooked) TrackHot(p);
        return;
    }
    case CM_MOUSELEAVE:
        TkvMainWnd::WndProc(m);
        if (Unhooked || ThumbState == 2 || Arrow1State == 2 || Arrow2State == 2 || Page1State == 2 ||
            Page2State == 2)
            return;
        for (int part = sbArrow1; part <= sbThumb; ++part) StateOf(part) = 0;
        Repaint();
        return;
    case WM_KEYDOWN:
        TkvMainWnd::WndProc(m);
        if (!Unhooked && IsWindow(Handle)) RedrawWindow(Handle, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        return;
    default:
        TkvMainWnd::WndProc(m);
        return;
    }
}

// ---------------------------------------------------------------- start-up

namespace {
TkvMainWnd* MakeScrollWnd(HWND handle, TsCommonData* data, TsSkinManager* manager, const String& section,
                          bool repaint)
{
    return CreateWrapper<TkvScrollWnd>(handle, data, manager, section, repaint);
}
}  // namespace

void InitScrollWndUnit() { RegisterScrollWndFactory(MakeScrollWnd); }
