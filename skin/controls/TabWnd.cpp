#include "skin/controls/TabWnd.h"

#include <commctrl.h>

#include <algorithm>

#include "skin/controls/ContainerGeometry.h"
#include "skin/core/ControlPaint.h"
#include "skin/core/ControlTreePaint.h"
#include "skin/core/MaskPaintBitmap.h"
#include "skin/core/SkinManager.h"
#include "skin/graphics/SkinCommands.h"
#include "skin/graphics/TextEffects.h"

using namespace containergeo;

namespace {
unsigned Cmd(const TMessage& m) { return HIWORD(m.WParam); }
bool IsCmd(const TMessage& m) { return m.Msg == SkinCommandMessage; }
bool EmptySection(const String& s) { return s.empty() || s == L"UNKNOWN"; }

void RemovePageWnd(TkvMainWnd* w)
{
    auto& list = PageWnds();
    list.erase(std::remove(list.begin(), list.end(), w), list.end());
}
}  // namespace

// ---------------------------------------------------------------- TkvTabControlWnd

TkvTabControlWnd::TkvTabControlWnd(HWND handle, TsCommonData* data, TsSkinManager* manager, const String& section,
                                   bool repaint)
    : TkvMainWnd(handle, data, manager, EmptySection(section) ? String(L"PAGECONTROL") : section, repaint)
{
}

TkvTabControlWnd::~TkvTabControlWnd()
{
    FreeOwnPages();
    ::AttachSpinWnd(nullptr, SpinWnd, SkinManager, L"", 0);
}

void TkvTabControlWnd::AttachSpinWnd()
{
    HWND spin = CommonData->IsSkinned() ? FindWindowExW(Handle, nullptr, UPDOWN_CLASSW, nullptr) : nullptr;
    // A spin that another wrapper already skins (a dialog's own) is left to it.
    if (spin && (!SpinWnd || SpinWnd->Handle != spin)) {
        TkvMainWnd* other = GetWrapper(spin);
        if (other && other != SpinWnd) spin = nullptr;
    }
    ::AttachSpinWnd(spin, SpinWnd, SkinManager, L"UPDOWNBTN", 0);
}

void TkvTabControlWnd::FreeOwnPages()
{
    // Page wrappers go with the tab wrapper that made them, so the library's
    // list never holds one for a window nobody watches any more.
    for (TkvMainWnd* w : std::exchange(ownPages_, {})) {
        auto& list = PageWnds();
        if (std::find(list.begin(), list.end(), w) == list.end()) continue;   // already gone with its window
        RemovePageWnd(w);
        TkvMainWnd* p = w;
        if (IsWindow(w->Handle)) UnhookWindow(w->Handle, true, false, p);
        else delete w;
    }
}

int TkvTabControlWnd::TabCount() const { return int(SendMessageW(Handle, TCM_GETITEMCOUNT, 0, 0)); }

int TkvTabControlWnd::Position() const
{
    return TabPositionOfStyle(DWORD(GetWindowLongPtrW(Handle, GWL_STYLE)));
}

void TkvTabControlWnd::PageArea(RECT& r)
{
    r = RECT{0, 0, WindowExtent.cx, WindowExtent.cy};
    SendMessageW(Handle, TCM_ADJUSTRECT, FALSE, LPARAM(&r));
    r.top += 2;
}

void TkvTabControlWnd::FrameArea(RECT& r)
{
    RECT page;
    PageArea(page);
    r = FrameAreaOf(WindowExtent.cx, WindowExtent.cy, page, Position(), TabCount() > 0);
}

RECT TkvTabControlWnd::TabsArea()
{
    RECT page;
    PageArea(page);
    return TabsAreaOf(WindowExtent.cx, WindowExtent.cy, page, Position());
}

RECT TkvTabControlWnd::TabRect(int index, bool active)
{
    if (index < 0 || index >= TabCount()) return RECT{};
    RECT r{};
    SendMessageW(Handle, TCM_GETITEMRECT, WPARAM(index), LPARAM(&r));
    return AdjustTabRect(r, Position(), TabStyleOfStyle(DWORD(GetWindowLongPtrW(Handle, GWL_STYLE))), active);
}

int TkvTabControlWnd::TabRow(int index)
{
    RECT r{};
    SendMessageW(Handle, TCM_GETITEMRECT, WPARAM(index), LPARAM(&r));
    return TabRowOf(r, Position(), int(SendMessageW(Handle, TCM_GETROWCOUNT, 0, 0)), TabsArea());
}

void TkvTabControlWnd::PaintTab(int index, int state, POINT offset, TBitmap* target)
{
    TsSkinManager* m = ManagerOrDefault(SkinManager);
    if (!m || !target) return;
    int selected = int(SendMessageW(Handle, TCM_GETCURSEL, 0, 0));
    RECT r1 = TabRect(index, index == selected);
    if (state == 1 && r1.left < 0) return;
    RECT r2 = TabRect(index, state == 2 && index == selected);
    if (IsRectEmpty(&r2)) return;
    wchar_t caption[4096] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT | TCIF_IMAGE;
    item.pszText = caption;
    item.cchTextMax = 4095;
    SendMessageW(Handle, TCM_GETITEMW, WPARAM(index), LPARAM(&item));

    int position = Position();
    int tabStyle = TabStyleOfStyle(DWORD(GetWindowLongPtrW(Handle, GWL_STYLE)));
    const TsCommonIndexes& ci = m->CommonIndexes();
    static const wchar_t* const tabNames[] = {L"TABTOP", L"TABBOTTOM", L"TABLEFT", L"TABRIGHT"};
    String sectionName;
    int section = -1, mask = -1;
    // Indexes are zero-based: a skin whose first section is TABTOP paints its tabs too.
    if (ci.Tab[tsTop] >= 0) {
        if (tabStyle == 1) {
            sectionName = L"BUTTON";
        } else if (tabStyle == 2) {
            sectionName = L"TOOLBUTTON";
        } else {
            sectionName = tabNames[position];
            section = ci.Tab[size_t(position)];
            mask = ci.TabBorder[size_t(position)];
        }
        if (tabStyle != 0) {
            section = m->FindSectionIndex(sectionName);
            mask = m->FindMaskIndexDirect(sectionName, L"BORDERSMASK");
        }
        if (section >= 0 && m->IsMaskIndexValid(mask)) {
            RECT at = r2;
            OffsetRect(&at, offset.x, offset.y);
            int w = r2.right - r2.left, h = r2.bottom - r2.top;
            TBitmap tab(w, h);
            TBitmap* cache = CommonData->CacheBitmap.get();
            GdiFlush();
            // The selected tab stands over what the cache shows under it;
            // the others over the target as painted so far.
            if (state == 2 && cache)
                BitBlt(tab.Canvas().Handle(), 0, 0, w, h, cache->Canvas().Handle(), r2.left, r2.top, SRCCOPY);
            else
                BitBlt(tab.Canvas().Handle(), 0, 0, w, h, target->Canvas().Handle(), at.left, at.top, SRCCOPY);
            GdiFlush();   // the painters read the pixels directly
            TsBgCacheInfo info = EmptyBgCacheInfo;
            info.Bmp = &tab;
            info.X = info.Y = 0;
            info.Ready = true;
            PaintSkinItem(section, sectionName, info, -1, -1, m, &tab, POINT{}, RECT{0, 0, w, h}, state, 0);
            GdiFlush();
            BitBlt(target->Canvas().Handle(), at.left, at.top, w, h, tab.Canvas().Handle(), 0, 0, SRCCOPY);
        }
    }
    RECT r = r2;
    OffsetRect(&r, offset.x, offset.y);
    TCanvas& c = target->Canvas();
    TControl* owner = OwnerControl();
    auto* pc = dynamic_cast<TPageControl*>(owner);
    if (pc && pc->OwnerDraw() && pc->OnDrawTab) {
        HDC old = pc->Canvas().Handle();
        GdiFlush();
        pc->Canvas().SetHandle(c.Handle());
        pc->OnDrawTab(pc, index, r, state == 2);
        pc->Canvas().SetHandle(old);
        return;
    }
    InflateRect(&r, -3, -3);
    if (owner) c.Font().Assign(&owner->Font());
    else if (HFONT f = HFONT(SendMessageW(Handle, WM_GETFONT, 0, 0))) {
        LOGFONTW lf{};
        GetObjectW(f, sizeof lf, &lf);
        c.Font().SetName(lf.lfFaceName);
        c.Font().SetHeight(lf.lfHeight);
    }
    HIMAGELIST images = HIMAGELIST(SendMessageW(Handle, TCM_GETIMAGELIST, 0, 0));
    int iw = 0, ih = 0;
    if (images && item.iImage >= 0) ImageList_GetIconSize(images, &iw, &ih);
    String text = caption;
    SIZE ts = TextExtentOf(c, text);
    c.Brush().SetStyle(TBrushStyle::bsClear);
    int textSection = section >= 0 ? section : m->FindSectionIndex(L"TABTOP");
    TsManagerTextSkin skin(m);
    GdiFlush();
    if (position == tpTop || position == tpBottom) {
        if (iw > 0) {
            int x = r.left + (r.right - r.left - (ts.cx + iw + 8)) / 2;
            int y = r.top + (r.bottom - r.top - iw) / 2;
            ImageList_Draw(images, item.iImage, c.Handle(), x, y, ILD_TRANSPARENT);
            r.left += iw;
        }
        DrawSectionText(c, text, true, &skin, state != 0, textSection, DT_CENTER | DT_VCENTER | DT_SINGLELINE, r);
        return;
    }
    // Side tabs: the caption runs along the tab in a rotated copy of the font.
    LOGFONTW lf{};
    GetObjectW(c.Font().Handle(), sizeof lf, &lf);
    lf.lfEscapement = lf.lfOrientation = position == tpLeft ? 900 : 2700;
    lf.lfWeight = FW_NORMAL;
    // The raster face cannot be rotated: a rotatable face of the same height stands in.
    if (String(lf.lfFaceName) == L"MS Sans Serif") wcscpy(lf.lfFaceName, L"Arial");
    HFONT rotated = CreateFontIndirectW(&lf);
    HGDIOBJ oldFont = SelectObject(c.Handle(), rotated);
    TColor color = clBlack;
    if (textSection >= 0) {
        const TsGeneralData& g = m->gd()[size_t(textSection)];
        color = TColor((state != 0 && g.States > 1) ? g.Props[1].FontColor : g.Props[0].FontColor);
    }
    SetTextColor(c.Handle(), ColorToRGB(color));
    SetBkMode(c.Handle(), TRANSPARENT);
    int th = ts.cy;
    int along = ts.cx;
    if (iw > 0) {
        // With an icon the selected tab's content stands 2 px further right,
        // and a right tab's content 2 px left and 1 px up.
        if (state == 2) OffsetRect(&r, 2, 0);
        if (position == tpRight) OffsetRect(&r, -2, -1);
    }
    int x = r.left + (r.right - r.left - th) / 2;
    if (iw > 0) {
        int ix = r.left + (r.right - r.left - iw) / 2;
        if (position == tpLeft) {
            int iy = r.bottom - (r.bottom - r.top - (ih + along + 4)) / 2 - ih;
            ImageList_Draw(images, item.iImage, c.Handle(), ix, iy, ILD_TRANSPARENT);
            ExtTextOutW(c.Handle(), x, iy - 4, ETO_CLIPPED, &r, text.c_str(), UINT(text.size()), nullptr);
        } else {
            int iy = r.top + (r.bottom - r.top - (ih + along + 4)) / 2;
            ImageList_Draw(images, item.iImage, c.Handle(), ix, iy, ILD_TRANSPARENT);
            ExtTextOutW(c.Handle(), x + th, iy + ih + 4, ETO_CLIPPED, &r, text.c_str(), UINT(text.size()), nullptr);
        }
    } else if (position == tpLeft) {
        ExtTextOutW(c.Handle(), x, r.bottom - (r.bottom - r.top - along) / 2, ETO_CLIPPED, &r, text.c_str(),
                    UINT(text.size()), nullptr);
    } else {
        ExtTextOutW(c.Handle(), x + th, r.top + (r.bottom - r.top - along) / 2, ETO_CLIPPED, &r, text.c_str(),
                    UINT(text.size()), nullptr);
    }
    SelectObject(c.Handle(), oldFont);
    DeleteObject(rotated);
}

void TkvTabControlWnd::PaintControl(TMessage& msg)
{
    GetWndGeometry(Handle, ParentHandle, WindowArea, PosInParent, WindowExtent, ParentRect);
    CommonData->Updating = CommonData->IsUpdating();
    if (CommonData->Updating) return;
    bool given = msg.LParam == 1 || AnimationRunning || (CommonData->SkinState & ssPrinting);
    HDC dc = given ? HDC(msg.WParam) : GetDC(Handle);
    if (!dc) return;
    int saved = SaveDC(dc);
    TsSkinManager* m = ManagerOrDefault(SkinManager);
    CommonData->BackgroundChanged = true;
    int count = TabCount();
    int position = Position();
    String name = TabFrameSectionFor(count > 0, CommonData->SkinSection(), position);
    if (m) CommonData->SectionIndex = m->FindSectionIndex(name);
    TsBgCacheInfo info;
    CommonData->GetWindowParentBackground(Handle, info);
    CommonData->PrepareCacheBitmap();
    TBitmap* cache = CommonData->CacheBitmap.get();
    // The window's size: a native tab control wrapped without skin data of
    // its own has no control whose size the cache could take.
    if (cache && (cache->Width() != WindowExtent.cx || cache->Height() != WindowExtent.cy))
        cache->SetSize(std::max(0, int(WindowExtent.cx)), std::max(0, int(WindowExtent.cy)));
    if (cache && cache->Width() > 0 && m) {
        int selected = int(SendMessageW(Handle, TCM_GETCURSEL, 0, 0));
        if (count > 0) {
            RECT strip = TabsArea();
            if (info.Bmp && info.Ready) {
                GdiFlush();
                BitBlt(cache->Canvas().Handle(), strip.left, strip.top, strip.right - strip.left,
                       strip.bottom - strip.top, info.Bmp->Canvas().Handle(), info.X + strip.left,
                       info.Y + strip.top, SRCCOPY);
            } else {
                FillRectSolid(cache->Canvas().Handle(), strip,
                              info.FillColor == SkinKeyColor ? DefaultBackgroundColor() : info.FillColor);
            }
            GdiFlush();
            int rows = std::max(1, int(SendMessageW(Handle, TCM_GETROWCOUNT, 0, 0)));
            for (int row = 1; row <= rows; ++row)
                for (int i = 0; i < count; ++i)
                    if (i != selected && TabRow(i) == row) PaintTab(i, 0, POINT{}, cache);
        }
        RECT frame;
        FrameArea(frame);
        PaintSkinItem(CommonData->SectionIndex, name, info, -1, -1, m, cache, POINT{}, frame, 0, 0);
        CommonData->BackgroundChanged = false;
        GdiFlush();
        if (count > 0 && selected >= 0) {
            // The selected tab is painted last, over the frame line.
            RECT active = TabRect(selected, true);
            ExcludeClipRect(dc, active.left, active.top, active.right, active.bottom);
            BitBlt(dc, 0, 0, WindowExtent.cx, WindowExtent.cy, cache->Canvas().Handle(), 0, 0, SRCCOPY);
            SelectClipRgn(dc, nullptr);
            int w = active.right - active.left, h = active.bottom - active.top;
            if (w > 0 && h > 0) {
                TBitmap tab(w, h);
                GdiFlush();
                BitBlt(tab.Canvas().Handle(), 0, 0, w, h, cache->Canvas().Handle(), active.left, active.top, SRCCOPY);
                GdiFlush();
                PaintTab(selected, 2, POINT{-active.left, -active.top}, &tab);
                GdiFlush();
                BitBlt(dc, active.left, active.top, w, h, tab.Canvas().Handle(), 0, 0, SRCCOPY);
                // The cache keeps the whole look, for children that ask for their background.
                BitBlt(cache->Canvas().Handle(), active.left, active.top, w, h, tab.Canvas().Handle(), 0, 0,
                       SRCCOPY);
            }
        } else {
            BitBlt(dc, 0, 0, WindowExtent.cx, WindowExtent.cy, cache->Canvas().Handle(), 0, 0, SRCCOPY);
        }
    }
    if (auto* owner = dynamic_cast<TWinControl*>(OwnerControl())) PaintGraphicChildren(dc, owner, POINT{}, true);
    RestoreDC(dc, saved);
    if (!given) ReleaseDC(Handle, dc);
}

void TkvTabControlWnd::WndProc(TMessage& m)
{
    if (IsCmd(m)) {
        bool ours = reinterpret_cast<TsSkinManager*>(m.LParam) == SkinManager;
        switch (Cmd(m)) {
        case SkinCmdParentUpdated:
            if (CommonData->IsSkinned()) {
                CommonData->Updating = false;
                InvalidateRect(Handle, nullptr, TRUE);
            }
            return;
        case SkinCmdIsSkinned:
            m.Result = 1;
            return;
        case SkinCmdIsUpdating:
            if (CommonData->IsSkinned()) {
                m.Result = CommonData->Updating;
                return;
            }
            break;
        case SkinCmdContainerQuery:
            m.Result = LRESULT(SkinManager);
            return;
        case SkinCmdRemoveSkin:
            if (ours) {
                FreeOwnPages();
                ::AttachSpinWnd(nullptr, SpinWnd, SkinManager, L"", 0);   // the skin goes: so does the spin's
            }
            break;
        default: break;
        }
        TkvMainWnd::WndProc(m);
        if (Cmd(m) == SkinCmdNewSkin || Cmd(m) == SkinCmdRefresh) {
            InvalidateRect(Handle, nullptr, TRUE);
            if (ours) AttachSpinWnd();
        }
        return;
    }
    if (!CommonData->IsSkinned()) {
        TkvMainWnd::WndProc(m);
        return;
    }
    switch (m.Msg) {
    case WM_PAINT:
        PaintThroughErase();
        return;
    case WM_ERASEBKGND:
        if (IsWindowVisible(Handle) && !AnimationRunning) {
            TMessage pm{WM_ERASEBKGND, m.WParam, 1, 0};
            PaintControl(pm);
            AttachSpinWnd();
        }
        m.Result = 1;
        return;
    case WM_NCPAINT:
        return;
    case WM_PRINT: {
        AttachSpinWnd();
        TMessage pm{WM_PRINT, m.WParam, 1, 0};
        PaintControl(pm);
        return;
    }
    case TCM_SETCURSEL:
        SendMessageW(Handle, WM_SETREDRAW, FALSE, 0);
        TkvMainWnd::WndProc(m);
        SendMessageW(Handle, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(Handle, nullptr, TRUE);
        return;
    default: break;
    }
    SIZE before = WindowExtent;
    TkvMainWnd::WndProc(m);
    if (m.Msg == CtlNotifyControlListChange) AttachSpinWnd();
    if (m.Msg == WM_SIZE) {
        AttachSpinWnd();
        RECT r{};
        GetWindowRect(Handle, &r);
        if (r.right - r.left < before.cx || r.bottom - r.top < before.cy)
            RedrawWindow(Handle, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_NOCHILDREN | RDW_NOERASE);
    }
}

// ---------------------------------------------------------------- TkvPageControlWnd

TkvPageControlWnd::TkvPageControlWnd(HWND handle, TsCommonData* data, TsSkinManager* manager, const String& section,
                                     bool repaint)
    : TkvTabControlWnd(handle, data, manager, section, repaint)
{
    WrapPages();
}

void TkvPageControlWnd::WrapPages()
{
    auto wrap = [this](HWND page, TTabSheet* sheet) {
        if (GetWrapper(page)) return;
        TsCommonData* data = nullptr;
        if (sheet) data = new TsCommonData(sheet, true);
        auto* w = CreateWrapper<TkvPageWnd>(page, data, SkinManager, L"CHECKBOX");
        if (data) w->OwnsCommonData = true;
        w->Page = sheet;
        PageWnds().push_back(w);
        ownPages_.push_back(w);
    };
    if (auto* pc = dynamic_cast<TPageControl*>(OwnerControl())) {
        for (int i = 0; i < pc->PageCount(); ++i) {
            TTabSheet* p = pc->Pages(i);
            if (!p->HandleAllocated()) continue;
            if (QueryWindowSkinFlag(p->Handle(), SkinCmdIsSkinned)) continue;
            wrap(p->Handle(), p);
        }
        return;
    }
    // A native tab control: its child windows, only when it answers for a manager.
    if (!SendSkinCommand(Handle, SkinCmdContainerQuery, 0)) return;
    for (HWND c = GetWindow(Handle, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (GetParent(c) == Handle && !QueryWindowSkinFlag(c, SkinCmdIsSkinned)) wrap(c, nullptr);
}

void TkvPageControlWnd::WndProc(TMessage& m)
{
    if (IsCmd(m) || !CommonData->IsSkinned()) {
        TkvTabControlWnd::WndProc(m);
        return;
    }
    switch (m.Msg) {
    case WM_NCPAINT:
        WrapPages();
        return;
    case WM_PARENTNOTIFY:
        if (LOWORD(m.WParam) == WM_CREATE || LOWORD(m.WParam) == WM_DESTROY) WrapPages();
        break;
    case WM_PRINT: {
        AttachSpinWnd();
        WrapPages();
        CommonData->Updating = false;
        TMessage pm{WM_PRINT, m.WParam, 1, 0};
        PaintControl(pm);
        return;
    }
    case TCM_SETCURSEL:
        if (OwnerControl()) {
            WrapPages();
            NotifyFormOfControl(OwnerControl());
        }
        break;
    default: break;
    }
    TkvTabControlWnd::WndProc(m);
}

// ---------------------------------------------------------------- TkvPageWnd

TkvPageWnd::TkvPageWnd(HWND handle, TsCommonData* data, TsSkinManager* manager, const String& section, bool repaint)
    : TkvMainWnd(handle, data, manager, section, repaint)
{
    GetWndGeometry(Handle, ParentHandle, WindowArea, PosInParent, WindowExtent, ParentRect);
}

TkvPageWnd::~TkvPageWnd() { RemovePageWnd(this); }

void TkvPageWnd::PaintPage(TMessage& m)
{
    GetWndGeometry(Handle, ParentHandle, WindowArea, PosInParent, WindowExtent, ParentRect);
    HDC dc = HDC(m.WParam);
    if (!dc) return;
    TsBgRequest r;
    GetParentBgByHandle(r, ParentHandle, false);
    if (r.Kind == bgBitmap && r.Bmp) {
        if (r.Bmp->Empty()) {
            SendMessageW(ParentHandle, WM_PAINT, WPARAM(r.Bmp->Canvas().Handle()), 0);
            if (r.Bmp->Empty()) return;
        }
        GdiFlush();
        BitBlt(dc, 0, 0, WindowExtent.cx, WindowExtent.cy, r.Bmp->Canvas().Handle(), PosInParent.x + r.OffsetX,
               PosInParent.y + r.OffsetY, SRCCOPY);
    } else if (Page && Page->PageControl()) {
        FillRectSolid(dc, RECT{0, 0, WindowExtent.cx, WindowExtent.cy}, r.Color);
        // A colour answer that names the control's picture (its frame): the
        // 3 px of the page next to the tabs come from that picture.
        if (r.Bmp && !r.Bmp->Empty() && SendMessageW(ParentHandle, TCM_GETITEMCOUNT, 0, 0) > 0) {
            int w = WindowExtent.cx, h = WindowExtent.cy;
            RECT strip{0, 0, w, 3};
            switch (TabPositionOfStyle(DWORD(GetWindowLongPtrW(ParentHandle, GWL_STYLE)))) {
            case tpBottom: strip = RECT{0, h - 3, w, h}; break;
            case tpLeft: strip = RECT{0, 0, 3, h}; break;
            case tpRight: strip = RECT{w - 3, 0, w, h}; break;
            default: break;
            }
            GdiFlush();
            BitBlt(dc, strip.left, strip.top, strip.right - strip.left, strip.bottom - strip.top,
                   r.Bmp->Canvas().Handle(), PosInParent.x + r.OffsetX + strip.left,
                   PosInParent.y + r.OffsetY + strip.top, SRCCOPY);
        }
    }
    if (Page) {
        PaintGraphicChildren(dc, Page, POINT{}, true);
        RefreshChildControls(Page);
    }
    m.Result = 1;
}

void TkvPageWnd::WndProc(TMessage& m)
{
    if (m.Msg == WM_DESTROY || m.Msg == WM_NCDESTROY) {
        // The window goes: once the base has let it go, so does the wrapper
        // with its place in the list.
        HWND h = Handle;
        TkvMainWnd::WndProc(m);
        if (m.Msg == WM_NCDESTROY || GetWrapper(h) != this) {
            if (GetWrapper(h) == this) RemovePropW(h, WrapperPropName);
            RemovePageWnd(this);
            delete this;
        }
        return;
    }
    if (IsCmd(m)) {
        bool ours = reinterpret_cast<TsSkinManager*>(m.LParam) == SkinManager;
        switch (Cmd(m)) {
        case SkinCmdParentUpdated:
            if (CommonData->Updating) {
                CommonData->Updating = false;
                InvalidateRect(Handle, nullptr, TRUE);
            }
            return;
        case SkinCmdIsSkinned:
            m.Result = 1;
            return;
        case SkinCmdIsUpdating:
            m.Result = CommonData->Updating;
            return;
        case SkinCmdGetBackground: {
            auto* req = SkinCommandPointer<TsBgRequest>(m);
            if (!req) return;
            GetParentBgByHandle(*req, GetParent(Handle), req->PaintIt != 0);
            POINT pos = Page ? POINT{Page->Left(), Page->Top()} : PosInParent;
            req->OffsetX += pos.x;
            req->OffsetY += pos.y;
            m.Result = 1;
            return;
        }
        case SkinCmdRemoveSkin:
            if (ours) InvalidateRect(Handle, nullptr, TRUE);
            break;
        default: break;
        }
        TkvMainWnd::WndProc(m);
        return;
    }
    if (CommonData->IsSkinned()) {
        switch (m.Msg) {
        case WM_PAINT:
            if (IsWindowVisible(Handle)) {
                PAINTSTRUCT ps;
                HDC dc = BeginPaint(Handle, &ps);
                TMessage pm{WM_PAINT, WPARAM(dc), 0, 0};
                PaintPage(pm);
                EndPaint(Handle, &ps);
                return;
            }
            break;
        case WM_ERASEBKGND:
            if (IsWindowVisible(Handle)) {
                PaintPage(m);
                m.Result = 1;
                return;
            }
            break;
        case WM_NCPAINT:
            return;
        case WM_PRINT:
            PaintPage(m);
            return;
        default: break;
        }
    }
    TkvMainWnd::WndProc(m);
    if (m.Msg == WM_PARENTNOTIFY && LOWORD(m.WParam) == WM_CREATE) SendToTopParent(Handle);
}
