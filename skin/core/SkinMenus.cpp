#include "skin/core/SkinMenus.h"

#include <algorithm>

#include "classlib/Forms.h"
#include "classlib/ImgList.h"
#include "classlib/TypInfo.h"
#include "skin/core/ControlPaint.h"
#include "skin/core/MaskPaintBitmap.h"
#include "skin/core/MenuWindows.h"
#include "skin/core/ProviderSeam.h"
#include "skin/core/SkinHooks.h"
#include "skin/core/SkinManager.h"
#include "skin/graphics/Bitmap32.h"
#include "skin/graphics/TextEffects.h"

bool MenuWindowShown = false;
void (*ReleaseMenuWindows)(TsSkinManager* manager) = nullptr;

namespace {

std::vector<std::unique_ptr<TsPopupCacheEntry>>& Cache()
{
    static std::vector<std::unique_ptr<TsPopupCacheEntry>> cache;
    return cache;
}

// A freed item can no longer key an entry (its address may come back for
// another item).
void DropEntriesOfItem(TMenuItem* item)
{
    auto& c = Cache();
    c.erase(std::remove_if(c.begin(), c.end(), [item](const auto& e) { return e->FirstItem == item; }), c.end());
}

void WatchFreedItems()
{
    static bool registered = false;
    if (registered) return;
    registered = true;
    AddMenuItemFreeHandler(TMenuItemFreeHandler([](TMenuItem* item) { DropEntriesOfItem(item); }));
}

TMenuItem* FirstItemOf(const TMenuItem* item)
{
    TMenuItem* parent = item->Parent();
    return parent && parent->Count() > 0 ? parent->Items(0) : const_cast<TMenuItem*>(item);
}

bool IsMenuWindow(HWND wnd)
{
    wchar_t name[16] = {};
    return wnd && GetClassNameW(wnd, name, 16) > 0 && wcscmp(name, L"#32768") == 0;
}

// Where the client area (where the items lie) starts in the window.
POINT ClientOffsetOf(HWND wnd, int fallback)
{
    if (!wnd || !IsWindow(wnd)) return POINT{fallback, fallback};
    RECT wr;
    GetWindowRect(wnd, &wr);
    POINT p{0, 0};
    ClientToScreen(wnd, &p);
    return POINT{p.x - wr.left, p.y - wr.top};
}

// The platform menu the item is shown in (nil: not built).
HMENU PopupHandleOf(const TMenuItem* item)
{
    TMenuItem* parent = item->Parent();
    if (!parent) return nullptr;
    if (parent->Parent()) return parent->Handle();
    TMenu* menu = item->GetParentMenu();
    return menu ? menu->Handle() : nullptr;
}

// The glyph of a standard command of a skinned system menu (its menu's name
// starts with "kvSysMenu"; the item's Tag is the command); nil for others.
const wchar_t* SystemMenuSymbol(const TMenuItem* item)
{
    const TMenu* menu = item->GetParentMenu();
    if (!menu || menu->Name().rfind(L"kvSysMenu", 0) != 0) return nullptr;
    switch (item->Tag()) {
    case SC_MINIMIZE: return L"0";
    case SC_MAXIMIZE: return L"1";
    case SC_CLOSE: return L"r";
    case SC_RESTORE: return L"2";
    default: return nullptr;
    }
}

// Mirrors a 32-bit picture left to right in place.
void MirrorHorizontally(TBitmap* pic)
{
    const int w = pic->Width();
    for (int y = 0; y < pic->Height(); ++y) {
        auto* row = reinterpret_cast<uint32_t*>(pic->ScanLine(y));
        std::reverse(row, row + w);
    }
}

void CopyArea(HDC dst, int x, int y, int w, int h, TBitmap* src, int sx, int sy)
{
    if (w <= 0 || h <= 0 || !src) return;
    BitBlt(dst, x, y, w, h, src->Canvas().Handle(), sx, sy, SRCCOPY);
}

TCustomForm* OwningForm(const TMenuItem* item)
{
    TMenu* menu = item->GetParentMenu();
    for (TComponent* c = menu; c; c = c->Owner())
        if (auto* f = dynamic_cast<TCustomForm*>(c)) return f;
    return nullptr;
}

String WithoutAmpersands(String s)
{
    s.erase(std::remove(s.begin(), s.end(), L'&'), s.end());
    return s;
}

// The sub-items of item, recursively, in order.
template <class F>
void ForEachSubItem(TMenuItem* item, F f)
{
    for (int i = 0; i < item->Count(); ++i) {
        TMenuItem* sub = item->Items(i);
        f(sub);
        ForEachSubItem(sub, f);
    }
}

constexpr UINT CalcFlags = DT_CALCRECT | DT_NOCLIP | DT_EXPANDTABS | DT_WORDBREAK;   // 0x550

}  // namespace

// ---------------------------------------------------------------- cache

void FreePopupBitmapCache() { Cache().clear(); }
int PopupBitmapCacheCount() { return int(Cache().size()); }

int MenusMiddleEast = -1;

bool MiddleEastLocale()
{
    if (MenusMiddleEast < 0) MenusMiddleEast = GetSystemMetrics(SM_MIDEASTENABLED) ? 1 : 0;
    return MenusMiddleEast != 0;
}

bool TsSkinableMenus::RightToLeft(const TMenuItem* item)
{
    const TMenu* menu = item ? item->GetParentMenu() : nullptr;
    return menu && menu->BiDiMode() != TBiDiMode::bdLeftToRight && MiddleEastLocale();
}

bool IsMDIChildMaximized()
{
    if (!Application) return false;
    TCustomForm* frame = Application->MainForm();
    if (!frame || frame->FormStyle() != TFormStyle::fsMDIForm)
        for (TCustomForm* f : Application->Forms())
            if (f->FormStyle() == TFormStyle::fsMDIForm) {
                frame = f;
                break;
            }
    if (!frame || frame->FormStyle() != TFormStyle::fsMDIForm) return false;
    // Every form shows an icon (its own or the system's standard one), so
    // the system icon decides.
    TCustomForm* child = frame->ActiveMDIChild();
    return child && child->HandleAllocated() && IsZoomed(child->Handle()) && (child->BorderIcons() & biSystemMenu);
}

TsPopupCacheEntry* FindPopupCacheEntry(const TMenuItem* firstItem)
{
    for (auto& e : Cache())
        if (e->FirstItem == firstItem) return e.get();
    return nullptr;
}

TBitmap* MenuWindowPicture(HWND menuWindow)
{
    if (!menuWindow) return nullptr;
    for (auto& e : Cache())
        if (e->Window == menuWindow) return e->Picture.get();
    return nullptr;
}

bool SkinnedMenusPaintMenuWindows(TsSkinManager* manager)
{
    TsSkinManager* m = manager ? manager : DefaultManager;
    return m && m->Active() && m->SkinData().Active && m->SkinnedPopups() && m->SkinableMenus().Active();
}

void MenuWindowDestroyed(HWND menuWindow)
{
    auto& c = Cache();
    c.erase(std::remove_if(c.begin(), c.end(), [menuWindow](const auto& e) { return e->Window == menuWindow; }),
            c.end());
    MenuWindowShown = false;
}

// ---------------------------------------------------------------- TsSkinableMenus

TsSkinableMenus::TsSkinableMenus(TsSkinManager* owner) : owner_(owner)
{
    WatchFreedItems();
    if (!SkinHooks.PrepareContextMenu)
        SkinHooks.PrepareContextMenu = [](TControl* control, bool active) {
            TsSkinManager* m = DefaultManager;
            if (!m || !control || !control->PopupMenu()) return;
            m->SkinableMenus().AttachMenu(control->PopupMenu(), active && m->SkinnedPopups());
        };
    if (!SkinHooks.ApplyMenuWindowBorder)
        SkinHooks.ApplyMenuWindowBorder = [](HWND wnd) {
            if (DefaultManager)
                if (TBitmap* picture = MenuWindowPicture(wnd))
                    DefaultManager->SkinableMenus().ApplyMenuWindowBorder(wnd, picture);
        };
    if (!SkinHooks.RehookPopupMenus)
        SkinHooks.RehookPopupMenus = [] {
            if (DefaultManager) DefaultManager->SkinableMenus().SyncActive();
        };
}

TsSkinableMenus::~TsSkinableMenus()
{
    // No item may keep a handler of this object.
    for (TMenu* menu : AllMenus()) {
        if (auto* mm = dynamic_cast<TMainMenu*>(menu)) {
            for (int i = 0; i < mm->Items()->Count(); ++i)
                AttachItem(mm->Items()->Items(i), false);
        }
        ForEachSubItem(menu->Items(), [this](TMenuItem* i) { AttachItem(i, false); });
    }
}

int TsSkinableMenus::SkinBorderWidth()
{
    if (skinBorderWidth_ >= 0)
        return skinBorderWidth_;
    int section = owner_ ? owner_->FindSectionIndex(L"MAINMENU") : -1;
    int mask = section < 0 ? -1 : owner_->FindMaskIndex(section, L"MAINMENU", L"BORDERSMASK");
    if (mask < 0 || !owner_->IsMaskIndexValid(mask)) {
        skinBorderWidth_ = 0;
    } else {
        int margin = owner_->Tables().Masks[size_t(mask)].MarginLeft;
        skinBorderWidth_ = margin > 0 ? margin : 3;
    }
    return skinBorderWidth_;
}

void TsSkinableMenus::SetActive(bool value)
{
    if (active_ == value) return;
    active_ = value;
    AttachAllMenus(value);
}

void TsSkinableMenus::SyncActive()
{
    FreePopupBitmapCache();   // pictures of the old skin
    SetActive(owner_ && owner_->Active() && owner_->SkinData().Active);
    // Menu windows open now (a popup or a system menu whose loop runs) were
    // wrapped while the skin was on; without the skin they are the system's again.
    if (!active_ && ReleaseMenuWindows) ReleaseMenuWindows(owner_);
}

// ---------------------------------------------------------------- attaching

void TsSkinableMenus::AttachAllMenus(bool attach)
{
    active_ = attach;
    if (owner_ && (owner_->ComponentState() & csDesigning)) return;
    bool popups = owner_ && owner_->SkinnedPopups();
    std::vector<TMenu*> menus = AllMenus();
    for (TMenu* menu : menus) {
        if (auto* mm = dynamic_cast<TMainMenu*>(menu)) {
            AttachMainMenu(mm, attach);
            for (int i = 0; i < mm->Items()->Count(); ++i)
                AttachSubItems(mm->Items()->Items(i), attach && popups);
        } else {
            AttachMenu(menu, attach && popups);
        }
    }
}

void TsSkinableMenus::AttachMainMenu(TMainMenu* menu, bool attach)
{
    if (!menu) return;
    TMenuItem* root = menu->Items();
    TMenuMeasureItemEvent measure(this, &TsSkinableMenus::MeasureMenuLineItem);
    TAdvancedMenuDrawItemEvent paint(this, &TsSkinableMenus::PaintMenuLineItem);
    bool managerActive = owner_ && owner_->Active();
    if (attach) {
        if (managerActive && !owner_->SkinnedPopups()) return;
        if (managerActive) {
            for (int i = 0; i < root->Count(); ++i) {
                root->Items(i)->OnAdvancedDrawItem = paint;
                root->Items(i)->OnMeasureItem = measure;
            }
        }
    } else {
        for (int i = 0; i < root->Count(); ++i) {
            TMenuItem* item = root->Items(i);
            if (item->OnAdvancedDrawItem == paint) item->OnAdvancedDrawItem = nullptr;
            if (item->OnMeasureItem == measure) item->OnMeasureItem = nullptr;
        }
    }
    if (!menu->Destroying() && root->Count() > 0) menu->SetOwnerDraw(attach);
}

void TsSkinableMenus::AttachMenu(TMenu* menu, bool attach)
{
    if (!menu) return;
    bool popups = owner_ && owner_->SkinnedPopups();
    if (auto* pm = dynamic_cast<TPopupMenu*>(menu)) {
        if (attach) pm->MenuAnimation |= maNone;
        else pm->MenuAnimation &= ~unsigned(maNone);
    }
    ForEachSubItem(menu->Items(), [this, attach](TMenuItem* i) { AttachItem(i, attach); });
    if (!menu->Destroying()) menu->SetOwnerDraw(attach && popups);
}

void TsSkinableMenus::AttachSubItems(TMenuItem* item, bool attach)
{
    if (!item) return;
    ForEachSubItem(item, [this, attach](TMenuItem* i) {
        if (!i->IsMenuLineItem()) AttachItem(i, attach);
    });
}

void TsSkinableMenus::AttachItem(TMenuItem* item, bool attach)
{
    if (!item) return;
    bool line = item->IsMenuLineItem();
    TMenuMeasureItemEvent measure = line ? TMenuMeasureItemEvent(this, &TsSkinableMenus::MeasureMenuLineItem)
                                         : TMenuMeasureItemEvent(this, &TsSkinableMenus::MeasureMenuItem);
    TAdvancedMenuDrawItemEvent paint = line ? TAdvancedMenuDrawItemEvent(this, &TsSkinableMenus::PaintMenuLineItem)
                                            : TAdvancedMenuDrawItemEvent(this, &TsSkinableMenus::PaintMenuItem);
    if (attach) {
        if (!owner_ || !owner_->SkinnedPopups()) return;
        if (!item->OnAdvancedDrawItem) item->OnAdvancedDrawItem = paint;
        if (!item->OnMeasureItem) item->OnMeasureItem = measure;
    } else {
        if (item->OnAdvancedDrawItem == paint) item->OnAdvancedDrawItem = nullptr;
        if (item->OnMeasureItem == measure) item->OnMeasureItem = nullptr;
    }
}

// ---------------------------------------------------------------- measuring

bool TsSkinableMenus::IsCaptionItem(const String& caption)
{
    return caption.size() > 1 && caption.front() == L'-' && caption.back() == L'-';
}

TsMenuItemType TsSkinableMenus::ItemType(const TMenuItem* item)
{
    if (item->Caption() == L"-") return TsMenuItemType::smDivider;
    if (IsCaptionItem(item->Caption())) return TsMenuItemType::smCaption;
    return TsMenuItemType::smNormal;
}

SIZE TsSkinableMenus::GetItemGlyphSize(const TMenuItem* item)
{
    if (item->HasBitmap()) return SIZE{const_cast<TMenuItem*>(item)->Bitmap().Width(),
                                       const_cast<TMenuItem*>(item)->Bitmap().Height()};
    if (TMenuItem* parent = item->Parent(); parent && parent->SubMenuImages())
        return SIZE{parent->SubMenuImages()->Width(), parent->SubMenuImages()->Height()};
    if (TMenu* menu = item->GetParentMenu(); menu && menu->Images())
        return SIZE{menu->Images()->Width(), menu->Images()->Height()};
    return SIZE{16, 16};
}

TFont& TsSkinableMenus::ItemFont(TMenuItem* item, TCanvas& canvas, TOwnerDrawState state)
{
    // The wanted font is worked out first and set once: a font that ends as it
    // was keeps its handle.
    TFont wanted;
    GetMenuFont(wanted);
    if (TCustomForm* form = OwningForm(item)) wanted.SetCharset(form->Font().Charset());
    if (item->Default()) wanted.SetStyle(wanted.Style() | fsBold);
    TFont& font = canvas.Font();
    font.SetName(wanted.Name());
    font.SetHeight(wanted.Height());
    font.SetStyle(wanted.Style());
    font.SetCharset(wanted.Charset());
    if (owner_ && owner_->OnGetPopupItemData) {
        TkvMenuItemData data;
        data.Font = &font;
        owner_->OnGetPopupItemData(item, state, data);
    }
    return font;
}

bool TsSkinableMenus::InFirstColumn(const TMenuItem* item)
{
    TMenuItem* parent = item->Parent();
    if (!parent) return true;
    for (int i = 0; i < parent->Count(); ++i) {
        if (parent->Items(i)->Break() != TMenuBreak::mbNone) return false;
        if (parent->Items(i) == item) break;
    }
    return true;
}

bool TsSkinableMenus::QueryExtraLine(TMenuItem* firstItem)
{
    if (!firstItem || extraLineQuery_ || (owner_ && (owner_->ComponentState() & csDesigning))) return false;
    // The skin list of a system menu never gets an extra line.
    if (firstItem->Name() == L"SkinSelectItem") return false;
    extraLineQuery_ = true;
    extraSection_ = L"EXTRALINE";
    extraCaption_ = L"Use OnGetExtraLineData event";
    extraGlyph_ = nullptr;
    bool visible = true;
    try {
        if (owner_ && owner_->OnGetMenuExtraLineData)
            owner_->OnGetMenuExtraLineData(firstItem, extraSection_, extraCaption_, extraGlyph_, visible);
    } catch (...) {
        extraLineQuery_ = false;
        throw;
    }
    extraLineQuery_ = false;
    extraCaption_ = WithoutAmpersands(extraCaption_);
    if (!visible) extraGlyph_ = nullptr;
    return visible;
}

int TsSkinableMenus::ExtraLineWidthOf(const TMenuItem* item)
{
    if (!owner_ || !owner_->MenuSupport.UseExtraLine) return 0;
    TMenuItem* first = FirstItemOf(item);
    TsPopupCacheEntry* e = FindPopupCacheEntry(first);
    bool visible = e ? e->ExtraLine : QueryExtraLine(first);
    return visible ? owner_->MenuSupport.ExtraLineWidth : 0;
}

int TsSkinableMenus::ItemHeight(TMenuItem* item, TCanvas& canvas)
{
    TsMenuItemType type = ItemType(item);
    if (type == TsMenuItemType::smDivider) return 2;
    String text = item->Caption();
    if (type == TsMenuItemType::smNormal && item->ShortCut()) text += ShortCutToText(item->ShortCut());
    RECT r{0, 0, 800, 0};
    canvas.DrawText(text, r, CalcFlags);
    int th = r.bottom - r.top;
    if (type == TsMenuItemType::smCaption) return th + 2 * Margin + 3;
    return std::max<int>(th, GetItemGlyphSize(item).cy) + 2 * Margin + 2;
}

int TsSkinableMenus::ItemWidth(TMenuItem* item, TCanvas& canvas)
{
    TsMenuItemType type = ItemType(item);
    String text;
    if (type == TsMenuItemType::smCaption) text = L"-" + item->Caption() + L"-";
    else if (type == TsMenuItemType::smNormal) text = item->Caption() + ShortCutToText(item->ShortCut());
    int glyph = GetItemGlyphSize(item).cx;
    int w = 2 * glyph;
    if (!text.empty()) {
        RECT r{0, 0, type == TsMenuItemType::smNormal ? 800 : 1, 0};
        canvas.DrawText(text, r, CalcFlags);
        w += r.right - r.left;
    }
    w += 3 * Margin + Spacing;
    if (InFirstColumn(item)) w += ExtraLineWidthOf(item);
    return w;
}

void TsSkinableMenus::MeasureMenuItem(TObject* sender, TCanvas& canvas, int& width, int& height)
{
    auto* item = dynamic_cast<TMenuItem*>(sender);
    if (!item || item->Destroying()) return;
    MenuWindowShown = true;   // a popup is about to open
    ItemFont(item, canvas, 0);
    width = ItemWidth(item, canvas);
    height = ItemHeight(item, canvas);
}

bool TsSkinableMenus::EachVisibleItem(TMenuItem* parent, TCanvas& canvas,
                                      const std::function<void(TMenuItem*, bool)>& visit)
{
    bool any = false;
    TFont saved;
    saved.Assign(&canvas.Font());
    for (int i = 0; i < parent->Count(); ++i) {
        TMenuItem* item = parent->Items(i);
        if (!item->Visible()) continue;
        bool newColumn = item->Break() != TMenuBreak::mbNone && any;
        ItemFont(item, canvas, 0);
        visit(item, newColumn);
        any = true;
    }
    canvas.Font().Assign(&saved);
    return any;
}

int TsSkinableMenus::PopupWidth(TMenuItem* parent, TCanvas& canvas)
{
    int total = 0, column = 0, columns = 0;
    bool any = EachVisibleItem(parent, canvas, [&](TMenuItem* item, bool newColumn) {
        if (newColumn) {
            total += column + 12;
            ++columns;
            column = 0;
        }
        column = std::max(column, ItemWidth(item, canvas));
    });
    if (!any) return 0;
    total += column + 12;
    return total + 4 * columns;
}

int TsSkinableMenus::PopupHeight(TMenuItem* parent, TCanvas& canvas)
{
    int best = 0, column = 0;
    EachVisibleItem(parent, canvas, [&](TMenuItem* item, bool newColumn) {
        if (newColumn) {
            best = std::max(best, column);
            column = 0;
        }
        column += ItemHeight(item, canvas);
    });
    return std::max(best, column);
}

// ---------------------------------------------------------------- the popup pictures

TsPopupCacheEntry* TsSkinableMenus::GetPopupBitmap(TMenuItem* item, HWND window, TCanvas* canvas)
{
    TMenuItem* first = FirstItemOf(item);
    TsPopupCacheEntry* e = FindPopupCacheEntry(first);
    if (e && window) {
        RECT wr;
        GetWindowRect(window, &wr);
        bool fits = e->Picture && e->Picture->Width() == wr.right - wr.left && e->Picture->Height() == wr.bottom - wr.top;
        if (!fits || (e->Window && e->Window != window)) {
            // Made for another window or before the window was known.
            DropEntriesOfItem(first);
            e = nullptr;
        }
    }
    if (e || !canvas) return e;
    int w, h;
    if (window) {
        RECT wr;
        GetWindowRect(window, &wr);
        w = wr.right - wr.left;
        h = wr.bottom - wr.top;
    } else {
        TMenuItem* parent = item->Parent() ? item->Parent() : item;
        w = PopupWidth(parent, *canvas) + 2 * BorderWidth;
        h = PopupHeight(parent, *canvas) + 2 * BorderWidth;
    }
    if (w <= 0 || h <= 0) return nullptr;
    BuildPopupBitmap(item, w, window, h);
    return FindPopupCacheEntry(first);
}

void TsSkinableMenus::BuildPopupBitmap(TMenuItem* item, int width, HWND window, int height)
{
    TsSkinManager* m = owner_;
    TMenuItem* first = FirstItemOf(item);
    bool lineVisible = QueryExtraLine(first);
    auto entry = std::make_unique<TsPopupCacheEntry>();
    entry->FirstItem = first;
    entry->Window = window;
    entry->ExtraLine = lineVisible;
    entry->Picture = NewBitmap32(width, height);
    TBitmap* pic = entry->Picture.get();
    int glyphColumn = Margin + GetItemGlyphSize(item).cx + Spacing;
    int extra = m && m->MenuSupport.UseExtraLine && lineVisible ? m->MenuSupport.ExtraLineWidth : 0;
    int sbw = SkinBorderWidth();
    int section = m ? m->FindSectionIndex(L"MAINMENU") : -1;
    regionCuts_.clear();
    if (section >= 0 && m->SkinData().Active) {
        RECT all{0, 0, width, height};
        PaintSkinSectionBackground(section, L"MAINMENU", EmptyBgCacheInfo, SkinKeyColor, -1, -1, m, pic, POINT{}, all, 0);
        // The icon column, unless the menu's window lays out right to left.
        TMenu* menu = item->GetParentMenu();
        HWND owner = menu ? menu->WindowHandle() : nullptr;
        bool leftScroll = owner && (GetWindowLongW(owner, GWL_EXSTYLE) & WS_EX_LEFTSCROLLBAR);
        // The manager names the section when it loads a skin; a manager made at
        // run time has not named it yet.
        String icoName = m->MenuSupport.IcoLineSkin.empty() ? String(L"ICOLINE") : m->MenuSupport.IcoLineSkin;
        int icoSection = m->FindSectionIndex(icoName);
        int stripH = height - 2 * sbw;
        if (!leftScroll && icoSection >= 0 && stripH > 0) {
            auto strip = NewBitmap32(glyphColumn, stripH);
            PaintSkinItem(icoSection, icoName, EmptyBgCacheInfo, -1, -1, m, strip.get(), POINT{},
                          RECT{0, 0, glyphColumn, stripH}, 0, 0);
            CopyArea(pic->Canvas().Handle(), extra + sbw, sbw, glyphColumn, stripH, strip.get(), 0, 0);
        }
        int mask = m->FindMaskIndex(section, L"MAINMENU", L"BORDERSMASK");
        if (m->IsMaskIndexValid(mask)) {
            TsBgCacheInfo self = EmptyBgCacheInfo;
            self.Bmp = pic;
            self.X = self.Y = 0;
            self.Ready = true;
            PaintMaskNineParts32(pic, all, 0, m, false, 0, mask, self);
        }
        // The extra line: its section, glyph and caption, bottom to top.
        int lineSection = extra ? m->FindSectionIndex(extraSection_) : -1;
        if (lineSection >= 0 && stripH > 0) {
            auto strip = NewBitmap32(extra, stripH);
            PaintSkinItem(lineSection, extraSection_, EmptyBgCacheInfo, -1, -1, m, strip.get(), POINT{},
                          RECT{0, 0, extra, stripH}, 0, 0);
            TCanvas& c = strip->Canvas();
            int textBottom = stripH - 12;
            if (extraGlyph_ && !extraGlyph_->Empty()) {
                c.Draw((extra - extraGlyph_->Width()) / 2, stripH - 12 - extraGlyph_->Height(), extraGlyph_);
                textBottom = stripH - extraGlyph_->Height() - 20;
            }
            TFont& ef = m->MenuSupport.ExtraLineFont();
            LOGFONTW lf{};
            lf.lfHeight = ef.Height();
            lf.lfWeight = (ef.Style() & fsBold) ? 700 : 400;
            lf.lfItalic = (ef.Style() & fsItalic) ? 1 : 0;
            lf.lfUnderline = (ef.Style() & fsUnderline) ? 1 : 0;
            lf.lfStrikeOut = (ef.Style() & fsStrikeOut) ? 1 : 0;
            lf.lfCharSet = ef.Charset();
            if (TCustomForm* form = OwningForm(item)) lf.lfCharSet = form->Font().Charset();
            lf.lfEscapement = lf.lfOrientation = 900;   // bottom to top
            wcsncpy(lf.lfFaceName, ef.Name().c_str(), LF_FACESIZE - 1);
            HFONT font = CreateFontIndirectW(&lf);
            HDC dc = c.Handle();
            HGDIOBJ old = SelectObject(dc, font);
            TEXTMETRICW tm{};
            GetTextMetricsW(dc, &tm);
            SetBkMode(dc, TRANSPARENT);
            const TsGeneralData& g = m->gd()[size_t(lineSection)];
            SetTextColor(dc, COLORREF(g.Props[0].FontColor) & 0xFFFFFF);
            TextOutW(dc, (extra - tm.tmHeight) / 2, textBottom, extraCaption_.c_str(), int(extraCaption_.size()));
            SelectObject(dc, old);
            DeleteObject(font);
            CopyArea(pic->Canvas().Handle(), sbw, sbw, extra, stripH, strip.get(), 0, 0);
        }
        if (RightToLeft(item)) MirrorHorizontally(pic);
        if (m->IsMaskIndexValid(mask)) {
            TAOR top, bottom;
            CollectMaskRegionRects(top, width, mask, false, 0, m);
            CollectMaskRegionRects(bottom, width, mask, true, height - m->MaskMarginBottom(mask), m);
            regionCuts_ = top;
            regionCuts_.insert(regionCuts_.end(), bottom.begin(), bottom.end());
        }
        if (window) ApplyMenuWindowBorder(window, pic);
    } else {
        FillRect32(pic, RECT{0, 0, width, height}, clMenu, 255);
    }
    extraGlyph_ = nullptr;   // the handler's; used once
    entry->RegionApplied = window != nullptr;
    Cache().push_back(std::move(entry));
}

void TsSkinableMenus::ApplyMenuWindowBorder(HWND window, TBitmap* picture)
{
    if (borderGuard_ || !picture || !window || !IsWindow(window)) return;
    if (SendMessageW(window, SkinCommandMessage, WPARAM(MakeSkinCmdWParam(SkinCmdSetUpdating)), 0) != 0) return;
    SendMessageW(window, SkinCommandMessage, WPARAM(MakeSkinCmdWParam(SkinCmdMenuRegionSet)), 0);
    borderGuard_ = true;
    int w = picture->Width(), h = picture->Height();
    HRGN region = CreateRectRgn(0, 0, w, h);
    std::vector<RECT> cuts = regionCuts_;
    if (cuts.empty()) cuts.push_back(RECT{0, 0, 1, 1});
    for (const RECT& r : cuts) {
        HRGN cut = CreateRectRgn(r.left, r.top, r.right, r.bottom);
        CombineRgn(region, region, cut, RGN_DIFF);
        DeleteObject(cut);
    }
    SetWindowRgn(window, region, TRUE);   // the region belongs to the window now
    HDC dc = GetWindowDC(window);
    if (dc) {
        const int b = MenuWindowBorder;
        CopyArea(dc, 0, 0, w, b, picture, 0, 0);
        CopyArea(dc, 0, h - b, w, b, picture, 0, h - b);
        CopyArea(dc, 0, 0, b, h, picture, 0, 0);
        CopyArea(dc, w - b, 0, b, h, picture, w - b, 0);
        ReleaseDC(window, dc);
    }
    borderGuard_ = false;
}

// ---------------------------------------------------------------- painting popup items

void TsSkinableMenus::PaintPlainItem(TMenuItem* item, TCanvas& canvas, const RECT& r, TOwnerDrawState state,
                                     bool menuLine)
{
    GetMenuFont(canvas.Font());
    item->DrawPlain(canvas, r, state, menuLine);
    if (item->OnDrawItem) item->OnDrawItem(item, canvas, r, (state & odSelected) != 0);
}

void TsSkinableMenus::PaintMenuItem(TObject* sender, TCanvas& canvas, const RECT& rect, TOwnerDrawState state)
{
    auto* item = dynamic_cast<TMenuItem*>(sender);
    if (!item) return;
    // Attached but without a skin to paint with (a load running or failed):
    // the caption is drawn plainly rather than left out.
    if (!active_ || !owner_ || !owner_->SkinData().Active) {
        PaintPlainItem(item, canvas, rect, state, false);
        return;
    }
    if (TControl* hot = owner_->HotControl()) {
        hot->Perform(SkinCommandMessage, WPARAM(MakeSkinCmdWParam(SkinCmdMenuMouseLeave)), 0);
        owner_->SetHotControl(nullptr);
    }
    HWND wnd = WindowFromDC(canvas.Handle());
    if (!IsMenuWindow(wnd)) wnd = nullptr;
    // Drawn where no menu window can be found: the manager's hook borders the
    // popup's window later, told once (no second message while one waits).
    if (!wnd && Application && Application->Handle())
        if (HMENU popup = PopupHandleOf(item)) {
            MSG queued;
            if (!PeekMessageW(&queued, Application->Handle(), MenuItemDrawnMessage, MenuItemDrawnMessage, PM_NOREMOVE))
                PostMessageW(Application->Handle(), MenuItemDrawnMessage, 0, LPARAM(popup));
        }
    TsPopupCacheEntry* entry = GetPopupBitmap(item, wnd, &canvas);
    if (!entry || !entry->Picture) {
        PaintPlainItem(item, canvas, rect, state, false);
        return;
    }
    if (wnd && !entry->RegionApplied) {
        entry->Window = wnd;
        entry->RegionApplied = true;
        ApplyMenuWindowBorder(wnd, entry->Picture.get());
    }
    PaintItemOver(item, canvas, rect, state, *entry);
    if (item->OnDrawItem) item->OnDrawItem(item, canvas, rect, (state & odSelected) != 0);
    // The system draws a sub-menu's arrow over an owner-drawn item after it
    // was painted, in its own colours: the item's rectangle is closed to it.
    if (item->Count() > 0) ExcludeClipRect(canvas.Handle(), rect.left, rect.top, rect.right, rect.bottom);
}

void TsSkinableMenus::PaintItemOver(TMenuItem* item, TCanvas& canvas, const RECT& R, TOwnerDrawState state,
                                    TsPopupCacheEntry& entry)
{
    TsSkinManager* m = owner_;
    TBitmap* pic = entry.Picture.get();
    POINT off = ClientOffsetOf(entry.Window, BorderWidth);
    bool firstColumn = InFirstColumn(item);
    int extra = (m->MenuSupport.UseExtraLine && entry.ExtraLine ? m->MenuSupport.ExtraLineWidth : 0);
    int ex = firstColumn ? extra : 0;
    TsMenuItemType type = ItemType(item);
    HDC dst = canvas.Handle();
    if (type == TsMenuItemType::smDivider) {
        PaintDivider(item, canvas, R, entry);
        return;
    }
    if (type == TsMenuItemType::smCaption) {
        PaintCaptionItem(item, canvas, R, entry);
        return;
    }
    int w = std::max<int>(0, (R.right - R.left) - ex), h = R.bottom - R.top;
    if (w <= 0 || h <= 0) return;
    // The space below the last item of a column and left of a new column
    // belongs to no item: it shows the popup's picture.
    if (TMenuItem* parent = item->Parent()) {
        int index = parent->IndexOf(item);
        bool lastOfColumn = index == parent->Count() - 1 ||
                            parent->Items(index + 1)->Break() != TMenuBreak::mbNone;
        int bottom = pic->Height() - 2 * off.y;
        if (lastOfColumn && R.bottom < bottom)
            CopyArea(dst, R.left, R.bottom, R.right - R.left, bottom - R.bottom, pic, R.left + off.x, R.bottom + off.y);
    }
    if (item->Break() != TMenuBreak::mbNone && R.left >= 4)
        CopyArea(dst, R.left - 4, R.top, 4, h, pic, R.left - 4 + off.x, R.top + off.y);

    bool enabled = item->Enabled();
    bool selected = (state & odSelected) != 0;
    bool hot = enabled && (selected || (state & odHotLight));
    // One picture serves every item (its canvas keeps the font between items).
    if (!itemScratch_ || itemScratch_->Width() < w || itemScratch_->Height() < h)
        itemScratch_ = NewBitmap32(std::max(w, itemScratch_ ? itemScratch_->Width() : 0),
                                   std::max(h, itemScratch_ ? itemScratch_->Height() : 0));
    TBitmap* itemPic = itemScratch_.get();
    TsBgCacheInfo info = EmptyBgCacheInfo;
    info.Bmp = pic;
    info.X = R.left + ex + off.x;
    info.Y = R.top + off.y;
    info.Ready = true;
    int section = m->FindSectionIndex(L"MENUITEM");
    // What lies under the item first, then the item's section over it.
    CopyArea(itemPic->Canvas().Handle(), 0, 0, w, h, pic, info.X, info.Y);
    if (section >= 0)
        PaintSkinItem(section, L"MENUITEM", info, -1, -1, m, itemPic, POINT{}, RECT{0, 0, w, h}, hot ? 1 : 0, 0);
    SIZE glyph = GetItemGlyphSize(item);
    const bool rtl = RightToLeft(item);
    if (item->Checked() && !item->HasBitmap() && item->ImageIndex() < 0) {
        int global = m->FindSectionIndex(L"GLOBALINFO");
        int mask = -1;
        if (item->RadioItem()) mask = m->FindMaskIndex(global, L"GLOBALINFO", L"RADIOCHECKED");
        if (!m->IsMaskIndexValid(mask)) mask = m->FindMaskIndex(global, L"GLOBALINFO", L"CHECK");
        if (!m->IsMaskIndexValid(mask)) mask = m->FindMaskIndex(global, L"GLOBALINFO", L"BOXCHECKED");
        if (m->IsMaskIndexValid(mask)) {
            const auto& md = m->Tables().Masks[size_t(mask)];
            int mh = MaskStateHeight(md);
            TsBgCacheInfo self = EmptyBgCacheInfo;
            self.Bmp = itemPic;
            self.X = self.Y = 0;
            self.Ready = true;
            const int mx = rtl ? w - 2 - MaskFrameWidth(md) : Margin + 2;
            DrawMaskFrame32(itemPic, POINT{mx, (h - mh) / 2}, hot ? 1 : 0, self, mask, 1, m);
        }
    }
    TCanvas& ic = itemPic->Canvas();
    int top = (h - glyph.cy) / 2;
    const int glyphX = rtl ? w - 3 - glyph.cx : 3;
    if (item->ImageIndex() >= 0) {
        TCustomImageList* images = item->Parent() && item->Parent()->SubMenuImages() ? item->Parent()->SubMenuImages()
                                   : item->GetParentMenu() ? item->GetParentMenu()->Images()
                                                           : nullptr;
        if (images && item->ImageIndex() < images->Count()) {
            if (item->Checked()) {
                int speed = m->FindSectionIndex(L"SPEEDBUTTON_SMALL");
                if (speed >= 0) {
                    TsBgCacheInfo self = EmptyBgCacheInfo;
                    self.Bmp = itemPic;
                    self.Ready = true;
                    PaintSkinItem(speed, L"SPEEDBUTTON_SMALL", self, -1, -1, m, itemPic, POINT{},
                                  RECT{glyphX - 1, top - 1, glyphX + glyph.cx + 1, top + glyph.cy + 1}, 2, 0);
                }
            }
            images->Draw(ic, glyphX, top, item->ImageIndex(), enabled);
        }
    } else if (item->HasBitmap()) {
        ic.Draw(glyphX, top, &item->Bitmap());
    } else if (const wchar_t* symbol = SystemMenuSymbol(item)) {
        // The standard commands of a skinned system menu show the title's
        // glyphs, in the item's text colour.
        const int size = std::min(int(glyph.cx), h);
        const int x = rtl ? w - 4 - size : 4;
        // Marlett: the caption-button font every system has (Wine's Webdings lacks the close glyph).
        ic.Font().Set(L"Marlett", -MulDiv(10, GetDeviceCaps(ic.Handle(), LOGPIXELSY), 72), 0, clWindowText);
        ic.Font().SetCharset(SYMBOL_CHARSET);
        TsManagerTextSkin skin(m);
        ic.Brush().SetStyle(TBrushStyle::bsClear);
        DrawSectionText(ic, symbol, true, &skin, hot, section, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP,
                        RECT{x, (h - size) / 2, x + size, (h - size) / 2 + size});
    }
    ItemFont(item, ic, state);
    const int glyphColumn = Margin * 2 + Spacing + glyph.cx;
    RECT tr = rtl ? RECT{0, 1, w - glyphColumn, h} : RECT{glyphColumn, 1, w, h};
    String caption = item->Caption();
    String tabPart;
    if (size_t tab = caption.find(L'\t'); tab != String::npos) {
        tabPart = caption.substr(tab + 1);
        caption = caption.substr(0, tab);
    }
    UINT flags = DT_EXPANDTABS | DT_VCENTER | DT_NOCLIP;
    if (!caption.empty() && caption[0] == L'\b') {
        caption = caption.substr(1) + L"      ";
        flags |= DT_RIGHT;
    } else {
        flags |= Alignment == TAlignment::taRightJustify ? DT_RIGHT : Alignment == TAlignment::taCenter ? DT_CENTER : DT_LEFT;
    }
    // A caption too long for one line was measured wrapped within 800 px
    // (and so was one with a line break): it is painted wrapped as well,
    // centred as a block.
    bool wrapped = caption.find(L'\r') != String::npos;
    if (!wrapped) {
        RECT one{0, 0, 0, 0}, many{0, 0, 800, 0};
        ic.DrawText(caption, one, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS);
        ic.DrawText(caption, many, CalcFlags);
        wrapped = many.bottom - many.top > one.bottom - one.top;
    }
    flags |= wrapped ? DT_WORDBREAK : DT_SINGLELINE;
    if (rtl) {
        flags = (flags & ~UINT(DT_CENTER | DT_LEFT)) | DT_RIGHT | DT_RTLREADING;
        tr.right -= ex;
    }
    if (state & odNoAccel) flags |= DT_HIDEPREFIX;
    tr.top += Margin;
    tr.bottom -= Margin;
    RECT textRect = tr;
    if (wrapped) {
        RECT block{tr.left, 0, tr.right, 0};
        ic.DrawText(caption, block, DT_CALCRECT | DT_NOCLIP | DT_EXPANDTABS | DT_WORDBREAK);
        textRect.top += std::max(0, int(tr.bottom - tr.top) - int(block.bottom - block.top)) / 2;
    }
    TsManagerTextSkin skin(m);
    ic.Brush().SetStyle(TBrushStyle::bsClear);
    DrawSectionText(ic, caption, enabled, &skin, hot, section, flags, textRect);
    if (item->Count() > 0) {
        // The arrow of a sub-menu, in the item's text colour on its background
        // (the system's own arrow is kept off the item, see PaintMenuItem).
        const int box = std::min(GetSystemMetrics(SM_CXMENUCHECK), h);
        const int ax = rtl ? 2 : w - box - 2;
        TFont captionFont;
        captionFont.Assign(&ic.Font());
        ic.Font().Set(L"Marlett", -box, 0, clWindowText);
        ic.Font().SetCharset(SYMBOL_CHARSET);
        const RECT arrow{ax, (h - box) / 2, ax + box, (h - box) / 2 + box};
        DrawSectionText(ic, rtl ? L"3" : L"4", enabled, &skin, hot, section,
                        DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP, arrow);
        ic.Font().Assign(&captionFont);
    }
    if (item->ShortCut()) {
        String sc = ShortCutToText(item->ShortCut());
        int tw = ic.TextWidth(sc);
        RECT sr = rtl ? RECT{6, tr.top, 6 + tw, tr.bottom} : RECT{w - tw - 8, tr.top, w - 8 + tw, tr.bottom};
        DrawSectionText(ic, sc, enabled, &skin, hot, section, DT_SINGLELINE | DT_VCENTER, sr);
    }
    if (!tabPart.empty()) {
        RECT sr{tr.left, tr.top, w - 8, tr.bottom};
        DrawSectionText(ic, tabPart, enabled, &skin, hot, section, DT_SINGLELINE | DT_VCENTER | DT_RIGHT, sr);
    }
    if (OnDrawItem) OnDrawItem(this, ic, RECT{0, 0, w, h}, state, TsMenuItemType::smNormal);
    if (!enabled)
        BlendBitmapByRatio(itemPic, 0, 0, pic, RECT{info.X, info.Y, info.X + w - 1, info.Y + h - 1}, 0xFF00FF,
                           0.4);
    CopyArea(dst, R.left + ex, R.top, w, h, itemPic, 0, 0);
    if (ex && item->Parent() && item->Parent()->IndexOf(item) == 0)
        CopyArea(dst, R.left, 0, ex, pic->Height() - 2 * off.y, pic, off.x, off.y);
}

std::unique_ptr<TBitmap> TsSkinableMenus::ItemPicture(TMenuItem* item, const RECT& R, const TsPopupCacheEntry& entry,
                                                      int& extraLine)
{
    TsSkinManager* m = owner_;
    int w = R.right - R.left, h = R.bottom - R.top;
    if (w <= 0 || h <= 0) return nullptr;
    extraLine =
        InFirstColumn(item) && m->MenuSupport.UseExtraLine && entry.ExtraLine ? m->MenuSupport.ExtraLineWidth : 0;
    POINT off = ClientOffsetOf(entry.Window, BorderWidth);
    auto tmp = NewBitmap32(w, h);
    CopyArea(tmp->Canvas().Handle(), 0, 0, w, h, entry.Picture.get(), R.left + off.x, R.top + off.y);
    return tmp;
}

void TsSkinableMenus::PaintDivider(TMenuItem* item, TCanvas& canvas, const RECT& R, TsPopupCacheEntry& entry)
{
    TsSkinManager* m = owner_;
    int ex = 0;
    auto tmp = ItemPicture(item, R, entry, ex);
    if (!tmp) return;
    int w = R.right - R.left, h = R.bottom - R.top;
    int glyphColumn = Margin + GetItemGlyphSize(item).cx + Spacing;
    RECT line{std::max(ex + Margin + Spacing, ex + glyphColumn + 2), 0, w - (ex + 2 * Margin + Spacing), h};
    int section = m->FindSectionIndex(L"DIVIDERV");
    int mask = section >= 0 ? m->FindMaskIndex(section, L"DIVIDERV", L"BORDERSMASK") : -1;
    if (line.right > line.left) {
        if (m->IsMaskIndexValid(mask)) {
            TsBgCacheInfo self = EmptyBgCacheInfo;
            self.Bmp = tmp.get();
            self.Ready = true;
            PaintMaskNineParts32(tmp.get(), line, 0, m, false, 0, mask, self);
        } else {
            TColor c = section >= 0 ? TColor(m->gd()[size_t(section)].Props[0].FontColor) : TColor(SkinKeyColor);
            if (section < 0 || (c & 0xFFFFFF) == 0xFF00FF) c = ColorToRGB(clBtnShadow);
            FillRect32(tmp.get(), RECT{line.left, 0, line.right, 1}, c, 255);
        }
    }
    CopyArea(canvas.Handle(), R.left, R.top, w, h, tmp.get(), 0, 0);
    if (item->OnDrawItem) item->OnDrawItem(item, canvas, R, false);
}

void TsSkinableMenus::PaintCaptionItem(TMenuItem* item, TCanvas& canvas, const RECT& R, TsPopupCacheEntry& entry)
{
    TsSkinManager* m = owner_;
    int ex = 0;
    auto tmp = ItemPicture(item, R, entry, ex);
    if (!tmp) return;
    int w = R.right - R.left, h = R.bottom - R.top;
    String name = L"MENUCAPTION";
    int section = m->FindSectionIndex(name);
    if (section < 0) section = m->FindSectionIndex(name = L"TOOLBAR");
    if (section >= 0 && w - 1 > ex + 1 && h > 2) {
        TsBgCacheInfo self = EmptyBgCacheInfo;
        self.Bmp = tmp.get();
        self.Ready = true;
        PaintSkinItem(section, name, self, -1, -1, m, tmp.get(), POINT{}, RECT{ex + 1, 1, w - 1, h - 1}, 0, 0);
    }
    // "-Text-": the first word between the dashes.
    String text = item->Caption();
    size_t a = text.find_first_not_of(L'-');
    size_t b = a == String::npos ? a : text.find(L'-', a);
    text = a == String::npos ? String() : text.substr(a, b == String::npos ? String::npos : b - a);
    TCanvas& c = tmp->Canvas();
    c.Font().Assign(&captionFont_);
    c.Brush().SetStyle(TBrushStyle::bsClear);
    TsManagerTextSkin skin(m);
    RECT tr{ex, Margin + 2, w, h - Margin - 2};
    DrawSectionText(c, text, true, &skin, false, section, DT_CENTER | DT_VCENTER | DT_WORDBREAK | DT_HIDEPREFIX, tr);
    CopyArea(canvas.Handle(), R.left, R.top, w, h, tmp.get(), 0, 0);
    if (item->OnDrawItem) item->OnDrawItem(item, canvas, R, false);
}

// ---------------------------------------------------------------- menu-line items

void TsSkinableMenus::MeasureMenuLineItem(TObject* sender, TCanvas& canvas, int& width, int& height)
{
    auto* item = dynamic_cast<TMenuItem*>(sender);
    if (!item || item->Destroying()) return;
    height = GetSystemMetrics(SM_CYMENU) - 1;
    GetMenuFont(canvas.Font());
    width = canvas.TextWidth(WithoutAmpersands(item->Caption()));
    TMenu* menu = item->GetParentMenu();
    if (menu && menu->Images() && item->ImageIndex() >= 0) width += menu->Images()->Width() + 6;
    else if (item->HasBitmap()) width += item->Bitmap().Width() + 6;
    // The caption is painted Margin inside both edges.
    width += 2 * Margin;
}

void TsSkinableMenus::PaintMenuLineItem(TObject* sender, TCanvas& canvas, const RECT& R, TOwnerDrawState state)
{
    auto* item = dynamic_cast<TMenuItem*>(sender);
    if (!item) return;
    TsSkinManager* m = owner_;
    if (!active_ || !m || !m->SkinData().Active) {
        PaintPlainItem(item, canvas, R, state, true);
        return;
    }
    int w = R.right - R.left, h = R.bottom - R.top;
    if (w <= 0 || h <= 0) return;
    TMenu* menu = item->GetParentMenu();
    HWND wnd = menu ? menu->WindowHandle() : nullptr;
    // The line's background: the provider's picture of the window when it
    // has one (the item rectangle is in window coordinates), else the
    // menu line's own section.
    TBitmap* bg = wnd ? ProviderOf(wnd).CacheBitmap() : nullptr;
    if (bg && (bg->Width() < R.right || bg->Height() < R.bottom || bg->PixelFormat() != TPixelFormat::pf32bit))
        bg = nullptr;
    auto pic = NewBitmap32(w, h);
    int line = m->FindSectionIndex(L"MENULINE");
    if (bg) {
        CopyArea(pic->Canvas().Handle(), 0, 0, w, h, bg, R.left, R.top);
    } else if (line >= 0) {
        PaintSkinSectionBackground(line, L"MENULINE", EmptyBgCacheInfo, SkinKeyColor, -1, -1, m, pic.get(), POINT{},
                                   RECT{0, 0, w, h}, 0);
    }
    std::unique_ptr<TBitmap> under(NewBitmap32(w, h));
    CopyArea(under->Canvas().Handle(), 0, 0, w, h, pic.get(), 0, 0);
    bool enabled = item->Enabled();
    bool hot = enabled && (state & (odSelected | odHotLight));
    int section = m->FindSectionIndex(L"MENUITEM");
    if (section >= 0) {
        TsBgCacheInfo self = EmptyBgCacheInfo;
        self.Bmp = under.get();
        self.Ready = true;
        PaintSkinItem(section, L"MENUITEM", self, -1, -1, m, pic.get(), POINT{}, RECT{0, 0, w, h}, hot ? 1 : 0, 0);
    }
    TCanvas& c = pic->Canvas();
    int x = Margin;
    if (menu && menu->Images() && item->ImageIndex() >= 0) {
        menu->Images()->Draw(c, 3, (h - menu->Images()->Height()) / 2, item->ImageIndex(), enabled);
        x = 3 + menu->Images()->Width() + 3;
    } else if (item->HasBitmap()) {
        c.Draw(3, (h - item->Bitmap().Height()) / 2, &item->Bitmap());
        x = 3 + item->Bitmap().Width() + 3;
    }
    GetMenuFont(c.Font());
    if (TCustomForm* form = OwningForm(item)) c.Font().SetCharset(form->Font().Charset());
    if (state & odDefault) c.Font().SetStyle(c.Font().Style() | fsBold);
    UINT flags = 0x165;   // DT_SINGLELINE, DT_VCENTER, DT_EXPANDTABS, DT_NOCLIP, DT_CENTER
    if (state & odNoAccel) flags |= DT_HIDEPREFIX;
    c.Brush().SetStyle(TBrushStyle::bsClear);
    TsManagerTextSkin skin(m);
    DrawSectionText(c, item->Caption(), enabled, &skin, hot, line >= 0 ? line : section, flags,
                    RECT{x, 0, w - Margin, h});
    if (OnDrawItem) OnDrawItem(this, c, RECT{0, 0, w, h}, state, TsMenuItemType::smTopLine);
    if (!enabled) MixBitmapAt(pic.get(), under.get(), POINT{0, 0}, RECT{0, 0, w, h}, 102);
    CopyArea(canvas.Handle(), R.left, R.top, w, h, pic.get(), 0, 0);
}

std::vector<RECT> TsSkinableMenus::MenuLineItemRects(TMainMenu* menu, const RECT& line)
{
    std::vector<RECT> rects;
    if (!menu) return rects;
    HDC dc = CreateCompatibleDC(nullptr);
    TCanvas canvas;
    canvas.SetHandle(dc);
    int x = line.left;
    for (int i = 0; i < menu->Items()->Count(); ++i) {
        TMenuItem* item = menu->Items()->Items(i);
        if (!item->Visible()) continue;
        int w = 0, h = 0;
        MeasureMenuLineItem(item, canvas, w, h);
        rects.push_back(RECT{x, line.top, std::min<int>(x + w, line.right), line.bottom});
        x += w;
    }
    canvas.SetHandle(nullptr);
    DeleteDC(dc);
    return rects;
}

void TsSkinableMenus::PaintMenuLine(TMainMenu* menu, TCanvas& canvas, const RECT& line, int hotIndex)
{
    if (!menu) return;
    std::vector<RECT> rects = MenuLineItemRects(menu, line);
    size_t k = 0;
    for (int i = 0; i < menu->Items()->Count() && k < rects.size(); ++i) {
        TMenuItem* item = menu->Items()->Items(i);
        if (!item->Visible()) continue;
        TOwnerDrawState state = i == hotIndex ? TOwnerDrawState(odSelected) : 0;
        if (!item->Enabled()) state |= odDisabled | odGrayed;
        if (rects[k].right > rects[k].left) PaintMenuLineItem(item, canvas, rects[k], state);
        ++k;
    }
}

// ---------------------------------------------------------------- properties

void RegisterSkinableMenusProperties()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    const TClassInfo* cls = TsSkinableMenus::StaticClassInfo();
    auto sm = [](TObject* o) { return static_cast<TsSkinableMenus*>(o); };
    auto integer = [&](const wchar_t* name, int TsSkinableMenus::*field) {
        TPropInfo p;
        p.Name = name;
        p.GetOrd = [sm, field](TObject* o) { return int64_t(sm(o)->*field); };
        p.SetOrd = [sm, field](TObject* o, int64_t v) { sm(o)->*field = int(v); };
        RegisterProperty(cls, std::move(p));
    };
    integer(L"BevelWidth", &TsSkinableMenus::BevelWidth);
    integer(L"BorderWidth", &TsSkinableMenus::BorderWidth);
    integer(L"Margin", &TsSkinableMenus::Margin);
    integer(L"Spacing", &TsSkinableMenus::Spacing);

    TPropInfo alignment;
    alignment.Name = L"Alignment";
    alignment.Kind = TTypeKind::tkEnumeration;
    alignment.EnumNames = {L"taLeftJustify", L"taRightJustify", L"taCenter"};
    alignment.GetOrd = [sm](TObject* o) { return int64_t(sm(o)->Alignment); };
    alignment.SetOrd = [sm](TObject* o, int64_t v) {
        if (v >= 0 && v <= 2)
            sm(o)->Alignment = TAlignment(v);
    };
    RegisterProperty(cls, std::move(alignment));

    TPropInfo border;   // read-only: measured from the skin
    border.Name = L"SkinBorderWidth";
    border.GetOrd = [sm](TObject* o) { return int64_t(sm(o)->SkinBorderWidth()); };
    RegisterProperty(cls, std::move(border));

    TPropInfo font;
    font.Name = L"CaptionFont";
    font.Kind = TTypeKind::tkClass;
    font.GetObj = [sm](TObject* o) -> TObject* { return &sm(o)->CaptionFont(); };
    font.SetObj = [sm](TObject* o, TObject* v) {
        if (auto* f = dynamic_cast<TFont*>(v))
            sm(o)->SetCaptionFont(*f);
    };
    RegisterProperty(cls, std::move(font));
}
