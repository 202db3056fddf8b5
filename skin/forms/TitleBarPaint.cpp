// The provider's side of the title-bar component: the items' skins, their
// painting into the frame picture, and the hooks the frame painter, the hit
// test and the form's window procedure call.
#include <algorithm>

#include "classlib/Forms.h"
#include "skin/core/ControlPaint.h"
#include "skin/core/MaskPaintBitmap.h"
#include "skin/core/SkinManager.h"
#include "skin/forms/FramePaint.h"
#include "skin/forms/TitleBar.h"
#include "skin/graphics/Bitmap32.h"

namespace {

constexpr UINT kItemTextFlags = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX | DT_LEFT;

RECT ShadowMargins(TsSkinProvider& p) { return FrameShadowMargins && p.Border() ? FrameShadowMargins(p) : RECT{}; }

// The provider of a form (nil: none).
TsSkinProvider* ProviderOfForm(TCustomForm* form)
{
    if (!form)
        return nullptr;
    for (int i = 0; i < form->ComponentCount(); ++i)
        if (auto* p = dynamic_cast<TsSkinProvider*>(form->Components(i)); p && !p->Destroying() && !p->Inactive())
            return p;
    return nullptr;
}

void ForceOpaque(TBitmap& bmp, const RECT& r)
{
    PixelView v = bmp.View();
    for (int y = std::max(0, int(r.top)); y < std::min(v.height, int(r.bottom)); ++y)
        for (int x = std::max(0, int(r.left)); x < std::min(v.width, int(r.right)); ++x)
            v.At(x, y) |= 0xFF000000u;
}

// The image index an item shows in a state.
int ImageIndexFor(const TkvTitleBarItem& item, int state)
{
    int i = item.ImageIndex();
    if (!item.Enabled)
        i = item.DisabledImageIndex();
    else if (state == isHot)
        i = item.HotImageIndex();
    else if (state == isPressed)
        i = item.PressedImageIndex();
    return i < 0 ? item.ImageIndex() : i;
}

struct ItemLook {
    TColor FontColor = clBlack;
    TColor Contour[4] = {-1, -1, -1, -1};   // left, top, right, bottom; -1: none on that side
    TColor GlowColor = clBlack;
    int GlowSize = 0;
};

// Where each contour is drawn: the text moved one pixel left, up, right, down.
constexpr POINT kContourShift[4] = {{-1, 0}, {0, -1}, {1, 0}, {0, 1}};

// A tab that is Down stands over its neighbours by this much on each side.
constexpr int kSelectedTabSpread = 2;

bool SelectedTab(const TkvTitleBarItem& item) { return item.Style() == TkvBtnStyle::bsTab && item.Down(); }

// What an item paints when its slot in the target is r: the slot, and for a
// selected tab kSelectedTabSpread more on each side, kept inside the item area.
RECT ItemPaintRect(const TkvTitleBarItem& item, const RECT& r)
{
    RECT out = r;
    TsTitleBar* bar = item.TitleBar();
    if (!bar || !SelectedTab(item))
        return out;
    const int dx = r.left - item.Rect.left;
    out.left = std::min<int>(r.left, std::max<int>(r.left - kSelectedTabSpread, bar->Area.Left + dx));
    out.right = std::max<int>(r.right, std::min<int>(r.right + kSelectedTabSpread, bar->Area.Right + dx));
    return out;
}

// Image, caption and arrow of an item inside box (work-bitmap coordinates).
void PaintItemContent(TsSkinProvider& p, TkvTitleBarItem& item, TBitmap& work, const RECT& box, int state,
                      const ItemLook& look)
{
    TsTitleBar* bar = item.TitleBar();
    const int w = box.right - box.left;
    int x = box.left + TitleItemContentOffset(item.Style()) + bar->ItemsMargin;
    if (item.Style() == TkvBtnStyle::bsTab)
        x = box.left + (w - item.Content.Width - 1) / 2;
    const bool caption = !item.Caption().empty();

    TCustomImageList* images = bar->Images();
    const int index = ImageIndexFor(item, state);
    if (images && index >= 0 && index < images->Count()) {
        const int y = box.top + (box.bottom - box.top - images->Height()) / 2;
        images->Draw(work.Canvas(), x, y, index, item.Enabled);
        ForceOpaque(work, RECT{x, y, x + images->Width(), y + images->Height()});
        x += images->Width() + (caption ? item.Spacing() : 0);
    } else if (!item.Glyph().Empty()) {
        TBitmap& g = item.Glyph();
        const int y = box.top + (box.bottom - box.top - g.Height()) / 2;
        if (g.PixelFormat() == TPixelFormat::pf32bit)
            BlendAlphaRect(RECT{x, y, x + g.Width(), y + g.Height()}, RECT{0, 0, g.Width(), g.Height()}, &work, &g,
                           false, EmptyBgCacheInfo);
        else
            CopyBitmapSkipColor(&work, &g, x, y, TColor(GetPixel(g.Canvas().Handle(), 0, 0)));
        x += g.Width() / std::max(1, item.NumGlyphs()) + (caption ? item.Spacing() : 0);
    }

    const TFont& used = item.FontData().UsedFont;
    TFont& cf = work.Canvas().Font();
    const bool dropArrow = item.DropdownMenu &&
                           (item.Style() == TkvBtnStyle::bsButton || item.Style() == TkvBtnStyle::bsMenu);
    int textWidth = 0;
    // The contours show while the form is enabled (its look of an enabled caption).
    const bool contour = !p.FormOf() || p.FormOf()->Enabled();
    auto draw = [&](const String& text, const RECT& r) {
        if (look.GlowSize > 0)
            DrawTextWithEffect(&work, text, r, item.FontData().GlowMask, look.GlowColor, look.GlowSize, 0,
                               kItemTextFlags);
        for (int side = 0; contour && side < 4; ++side)
            if (look.Contour[side] != TColor(-1)) {
                RECT c = r;
                OffsetRect(&c, kContourShift[side].x, kContourShift[side].y);
                DrawAlphaText(&work, text, look.Contour[side], kItemTextFlags, c);
            }
        DrawAlphaText(&work, text, look.FontColor, kItemTextFlags, r);
    };
    if (caption) {
        cf.Assign(&used);
        if (TCustomForm* form = p.FormOf())
            cf.SetCharset(form->Font().Charset());
        cf.SetColor(look.FontColor);
        SIZE s{};
        GetTextExtentPoint32W(work.Canvas().Handle(), item.Caption().c_str(), int(item.Caption().size()), &s);
        textWidth = int(s.cx);
        draw(item.Caption(), RECT{x, box.top, box.right, box.bottom});
    }
    if (dropArrow) {
        const int ax = x + textWidth + 1 + (item.Style() == TkvBtnStyle::bsMenu ? 3 : 0);
        cf.Set(L"Marlett", used.Height() ? used.Height() : -11, 0, look.FontColor);
        cf.SetCharset(SYMBOL_CHARSET);
        draw(L"u", RECT{ax, box.top, box.right, box.bottom});
    }
}

// The section background of an item (the title under it shows through transparent states).
void PaintItemBackground(TsSkinManager* m, const TkvTitleItemSkin& skin, TBitmap& work, TBitmap& under,
                         const RECT& box, int state)
{
    TsBgCacheInfo info;
    info.Bmp = &under;
    info.X = 0;
    info.Y = 0;
    info.Ready = true;
    PaintSkinItem(skin.SectionIndex, skin.SectionName, info, -1, -1, m, &work, POINT{0, 0}, box, state, 0);
}

}  // namespace

// ---------------------------------------------------------------- skins

void InitTitleItemSkin(TsSkinProvider& p, TkvTitleBarItem& item)
{
    if (!item.SkinData)
        item.SkinData = std::make_unique<TkvTitleItemSkin>();
    TkvTitleItemSkin& s = *item.SkinData;
    s = TkvTitleItemSkin{};
    TsSkinManager* m = p.Manager();
    if (!m || !m->Active())
        return;
    s.SectionName = TitleItemSectionName(item.Style(), item.SkinSection(),
                                         [m](const std::wstring& n) { return m->FindSectionIndex(n) >= 0; });
    if (s.SectionName.empty())
        return;
    s.SectionIndex = m->FindSectionIndex(s.SectionName);
    s.BorderMask = m->FindMaskIndex(s.SectionIndex, s.SectionName, L"BORDERSMASK");
}

void InitTitleItems(TsSkinProvider& p)
{
    TsTitleBar* bar = FindTitleBar(p.FormOf());
    if (!bar)
        return;
    TCustomForm* form = p.FormOf();
    for (int i = 0; i < bar->Items().Count(); ++i) {
        TkvTitleBarItem& item = *bar->Items().Items(i);
        InitTitleItemSkin(p, item);
        // Found again on every paint: the item may outlive the provider.
        item.PaintProc = [form](TkvTitleBarItem& it, const RECT& r, TBitmap& bmp) {
            if (TsSkinProvider* prov = ProviderOfForm(form))
                PaintTitleItem(*prov, it, r, bmp);
        };
        item.OnSkinChange = [form](TkvTitleBarItem& it) {
            if (TsSkinProvider* prov = ProviderOfForm(form))
                InitTitleItemSkin(*prov, it);
        };
    }
}

// ---------------------------------------------------------------- painting

namespace {

// One item in its effective state over what bmp holds under it; r is the
// item's slot in bmp (a selected tab paints a little wider, see ItemPaintRect).
void PaintItemOnly(TsSkinProvider& p, TkvTitleBarItem& item, const RECT& r, TBitmap& bmp)
{
    TsSkinManager* m = p.Manager();
    TsTitleBar* bar = item.TitleBar();
    if (!m || !bar || r.right <= r.left || r.bottom <= r.top || item.Style() == TkvBtnStyle::bsSpacing)
        return;
    if (!item.SkinData)
        InitTitleItemSkin(p, item);
    if (item.Content.Width == 0)
        item.Measure(!item.AutoSize());
    bmp.SetPixelFormat(TPixelFormat::pf32bit);
    const RECT paint = ItemPaintRect(item, r);
    RECT clip{};
    const RECT whole{0, 0, bmp.Width(), bmp.Height()};
    if (!IntersectRect(&clip, &paint, &whole))
        return;
    const int w = paint.right - paint.left, h = paint.bottom - paint.top;
    const POINT inWork{clip.left - paint.left, clip.top - paint.top};
    const int cw = clip.right - clip.left, ch = clip.bottom - clip.top;
    // The item is painted on a copy of what lies under it.
    TBitmap under(w, h, TPixelFormat::pf32bit);
    BitBlt(under.Canvas().Handle(), inWork.x, inWork.y, cw, ch, bmp.Canvas().Handle(), clip.left, clip.top, SRCCOPY);
    TBitmap work(w, h, TPixelFormat::pf32bit);
    BitBlt(work.Canvas().Handle(), 0, 0, w, h, under.Canvas().Handle(), 0, 0, SRCCOPY);
    GdiFlush();

    const TkvTitleItemSkin& skin = *item.SkinData;
    const bool hasSection = m->IsSectionIndexValid(skin.SectionIndex);
    // While the item's fade window shows its hover or press over the title,
    // the frame picture keeps it normal (Down and dropped down stay pressed).
    const bool fading = &bmp == p.CacheBitmap() && item.Animation() && item.Animation()->GlowWindow();
    const int state =
        item.Enabled ? EffectiveItemState(fading ? isNormal : item.State(), item.Down(), item.DropdownShown()) : isNormal;
    TsManagerTextSkin texts(m);
    TkvFontData& fd = item.FontData();
    auto lookOf = [&](int section, int row) {
        ItemLook l;
        const TsTextStateColors c = texts.StateColors(section, row);
        l.FontColor = fd.UseSysColor() ? c.FontColor : fd.Font().Color();
        std::copy(std::begin(c.Contour), std::end(c.Contour), std::begin(l.Contour));
        l.GlowColor = fd.UseSysGlowing() ? c.GlowColor : fd.GlowColor();
        l.GlowSize = fd.UseSysGlowing() ? c.GlowSize : fd.GlowSize();
        return l;
    };
    const int states = hasSection ? int(m->gd()[size_t(skin.SectionIndex)].States) : 1;
    ItemLook look = lookOf(skin.SectionIndex, std::max(0, std::min({state, states - 1, 1})));
    // The item's own slot in the work bitmap; the content goes there.
    RECT box{r.left - paint.left, 0, r.right - paint.left, h};
    const int slotWidth = r.right - r.left;
    const int areaHeight = bar->Area.Bottom - bar->Area.Top;

    switch (item.Style()) {
    case TkvBtnStyle::bsButton:
    case TkvBtnStyle::bsInfo:
        if (hasSection)
            PaintItemBackground(m, skin, work, under, box, state);
        if (item.SkinSection().empty() && state == isNormal) {
            // Idle buttons look like the caption text.
            int title = p.titleSection_;
            if (!m->IsSectionIndexValid(title))
                title = m->FindSectionIndex(L"FORMTITLE");
            look = lookOf(title, p.formActive_ ? 1 : 0);
        }
        break;
    case TkvBtnStyle::bsMenu:
        if (hasSection) {
            PaintItemBackground(m, skin, work, under, box, state);
        } else {
            box.bottom = std::min(h, std::max(1, areaHeight - 2));
            PaintMenuButtonFrame(work.View(), box.left, 0, slotWidth, box.bottom, bar->MenuButtonPicture().View(),
                                 std::clamp(state, 0, 2));
            if (fd.UseSysColor())
                look.FontColor = clWhite;
            if (fd.UseSysGlowing()) {
                look.GlowSize = 2;
                look.GlowColor = TColor(0x0E5A8D);
            }
        }
        break;
    case TkvBtnStyle::bsTab: {
        // Tab mode: the tabs stand on the title's bottom edge; the selected
        // one (Down) full height in the section's selected state and wider
        // than its slot, so that it stands over its neighbours (it is painted
        // after them); the others 2 px lower, normal or hot.
        const int row = std::min(state, 1);
        const int th = std::min(h, std::max(1, areaHeight - 2));
        box.top = h - th + (item.Down() ? 0 : 2);
        if (hasSection) {
            RECT tab = box;
            if (item.Down()) {
                tab.left = 0;
                tab.right = w;
            }
            PaintItemBackground(m, skin, work, under, tab, item.Down() ? isPressed : row);
        }
        look = lookOf(skin.SectionIndex, std::max(0, std::min({row, states - 1})));
        break;
    }
    default:
        break;
    }
    PaintItemContent(p, item, work, box, state, look);
    GdiFlush();

    if (!item.Enabled) {
        MixBitmapAt(&bmp, &work, POINT{clip.left, clip.top}, RECT{inWork.x, inWork.y, inWork.x + cw, inWork.y + ch},
                    128);
    } else {
        BitBlt(bmp.Canvas().Handle(), clip.left, clip.top, cw, ch, work.Canvas().Handle(), inWork.x, inWork.y,
               SRCCOPY);
        GdiFlush();
    }
    ForceOpaque(bmp, clip);
}

}  // namespace

void PaintTitleItem(TsSkinProvider& p, TkvTitleBarItem& item, const RECT& r, TBitmap& bmp)
{
    TsTitleBar* bar = item.TitleBar();
    if (!p.Manager() || !bar || r.right <= r.left || r.bottom <= r.top || item.Style() == TkvBtnStyle::bsSpacing)
        return;
    bmp.SetPixelFormat(TPixelFormat::pf32bit);
    if (&bmp != p.CacheBitmap()) {
        // A picture of the item alone (the fade window's) starts from the
        // clean title under the item: opaque, it looks the same whether or
        // not the layered window's per-pixel alpha is composed.
        FramePainterOf(p).PaintElementPicture(kTitleBarItemBase + item.Index(), isNormal, bmp, POINT{r.left, r.top},
                                              true);
    }
    PaintItemOnly(p, item, r, bmp);
    if (SelectedTab(item))
        return;
    // A selected tab that stands over this item stays over it.
    const int dx = r.left - item.Rect.left, dy = r.top - item.Rect.top;
    for (int i = 0; i < bar->Items().Count(); ++i) {
        TkvTitleBarItem& tab = *bar->Items().Items(i);
        if (&tab == &item || !tab.Visible() || !SelectedTab(tab))
            continue;
        RECT slot = tab.Rect;
        OffsetRect(&slot, dx, dy);
        RECT over{};
        const RECT spread = ItemPaintRect(tab, slot);
        if (IntersectRect(&over, &spread, &r))
            PaintItemOnly(p, tab, slot, bmp);
    }
}

void PaintTitleItems(TsSkinProvider& p, TBitmap& bmp)
{
    TsTitleBar* bar = FindTitleBar(p.FormOf());
    if (!bar)
        return;
    TkvTitleItems& items = bar->Items();
    for (int pass = 0; pass < 2; ++pass)
        for (int i = 0; i < items.Count(); ++i) {
            TkvTitleBarItem& it = *items.Items(i);
            if (it.Visible() && SelectedTab(it) == (pass == 1))
                PaintItemOnly(p, it, it.Rect, bmp);
        }
}

// ---------------------------------------------------------------- hooks

void PlaceTitleItems(TsSkinProvider& p, const TsTitleLayout& layout)
{
    TsTitleBar* bar = FindTitleBar(p.FormOf());
    if (!bar)
        return;
    InitTitleItems(p);
    RECT wr{};
    GetWindowRect(p.Window(), &wr);
    const RECT shadow = ShadowMargins(p);
    TsSkinManager* m = p.Manager();
    const int biRight = m ? m->SkinData().BIRight : 0;
    TkvItemArea& a = bar->Area;
    a.Left = layout.TitleBarArea.left;
    a.Top = layout.TitleBarArea.top;
    a.Right = layout.TitleBarArea.right;
    a.Bottom = layout.TitleBarArea.bottom;
    a.Center = layout.ButtonsCenter;
    a.TitleRight = (wr.right - wr.left + shadow.left + shadow.right) - biRight - shadow.right - p.FormFrameWidth(true);
    HWND border = nullptr;
    if (p.BorderForm() && p.Border())
        if (TWinControl* w = p.Border()->Window())
            border = w->Handle();
    for (int i = 0; i < bar->Items().Count(); ++i)
        bar->Items().Items(i)->BorderWindow = border;
    bar->Layout();
}

bool TitleBarShowsCaption(TsSkinProvider& p, bool showMainCaption)
{
    TsTitleBar* bar = FindTitleBar(p.FormOf());
    return bar ? bar->ShowCaption() : showMainCaption;
}

void FitCaptionToTitleBar(TsSkinProvider& p, TsCaptionTextPlace& place)
{
    TsTitleBar* bar = FindTitleBar(p.FormOf());
    if (!bar)
        return;
    const TkvCaptionSpan span = TitleCaptionSpan(bar->Area, bar->Sums);
    place.Caption.left = span.Left;
    place.Caption.right = std::max(span.Left, span.Right);
    place.Added = RECT{place.Caption.right, place.Caption.top, place.Caption.right, place.Caption.bottom};
}

int TitleItemHitCode(TsSkinProvider& p, POINT framePoint)
{
    TsTitleBar* bar = FindTitleBar(p.FormOf());
    if (!bar)
        return 0;
    const RECT shadow = ShadowMargins(p);
    framePoint.x += shadow.left;
    framePoint.y += shadow.top;
    TkvTitleBarItem* it = bar->ItemAt(framePoint);
    return it ? kTitleBarItemBase + it->Index() : 0;
}

TkvTitleBarItem* TitleItemOfCode(TsSkinProvider& p, int hitCode)
{
    if (hitCode < kTitleBarItemBase || hitCode >= kTitleBarItemBase + kTitleElementRange)
        return nullptr;
    TsTitleBar* bar = FindTitleBar(p.FormOf());
    const int i = hitCode - kTitleBarItemBase;
    return bar && i < bar->Items().Count() ? bar->Items().Items(i) : nullptr;
}

namespace {

void Fade(TsSkinProvider& p, TkvTitleBarItem& item, int state)
{
    if (!p.AllowAnimation || !p.FormAlive() || !IsWindowVisible(p.Window()))
        return;
    item.StartAnimation(p.Window()).SetState(state, 10);
}

}  // namespace

void TitleItemHover(TsSkinProvider& p, int hitCode, bool enter)
{
    TkvTitleBarItem* item = TitleItemOfCode(p, hitCode);
    if (!item)
        return;
    if (enter)
        item->MouseEnter();
    else
        item->MouseLeave();
    Fade(p, *item, item->State());
}

void TitleItemMouseDown(TsSkinProvider& p, int hitCode, POINT screen)
{
    TkvTitleBarItem* item = TitleItemOfCode(p, hitCode);
    if (!item || !item->Enabled)
        return;
    TsFramePainter& painter = FramePainterOf(p);
    if (item->Style() != TkvBtnStyle::bsTab) {
        item->SetState(isPressed);
        p.SetPressedElement(hitCode);
        painter.PaintTitleButton(hitCode);
        Fade(p, *item, isPressed);
    }
    // The handlers (a drop-down's command among them) may free the item, the
    // title bar, the provider or the form.
    const TsLiveWatch itemLife = item->Life();
    TsFreeWatch alive{&p};
    item->MouseDown(TMouseButton::mbLeft, TShiftState{}, screen.x, screen.y);
    if (!alive.AllAlive())
        return;
    if (!itemLife.Alive() || !item->PressTracked()) {
        // A tab selected or a drop-down closed: nothing stays pressed or hot.
        p.SetPressedElement(kNoElement);
        if (p.HotElement() == hitCode)
            painter.SetHotElement(kNoElement, false);
        if (p.FormAlive()) {
            p.skinData_->BackgroundChanged = true;
            RedrawWindow(p.Window(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
        }
    }
}

void TitleItemMouseUp(TsSkinProvider& p, int hitCode, POINT screen)
{
    TkvTitleBarItem* item = TitleItemOfCode(p, hitCode);
    if (!item)
        return;
    const TsLiveWatch itemLife = item->Life();
    TsFreeWatch alive{&p};
    item->MouseUp(TMouseButton::mbLeft, TShiftState{}, screen.x, screen.y);
    if (alive.AllAlive() && itemLife.Alive() && p.FormAlive()) {
        FramePainterOf(p).PaintTitleButton(hitCode);
        Fade(p, *item, item->State());
    }
}

void TitleItemPressCancelled(TsSkinProvider& p, int hitCode)
{
    if (TkvTitleBarItem* item = TitleItemOfCode(p, hitCode))
        item->CancelPress();
}
