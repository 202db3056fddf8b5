#include "skin/controls/ListViewWnd.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <vector>

#include "classlib/Forms.h"
#include "classlib/ImgList.h"
#include "classlib/TypInfo.h"
#include "skin/core/ControlPaint.h"
#include "skin/core/MaskPaintBitmap.h"
#include "skin/core/SkinManager.h"
#include "skin/graphics/Constants.h"
#include "skin/graphics/SkinCommands.h"
#include "skin/graphics/TextEffects.h"

namespace {
unsigned Command(const TMessage& m) { return HIWORD(m.WParam); }
bool IsHeaderClass(HWND wnd)
{
    wchar_t name[32] = {};
    GetClassNameW(wnd, name, 32);
    return lstrcmpiW(name, WC_HEADERW) == 0;
}
// Text of a header item: at most this many characters.
constexpr int kHeaderTextMax = 128;
// Single line, vertically centred, tabs expanded, end ellipsis.
constexpr UINT kHeaderTextFlags = DT_END_ELLIPSIS | DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS;
}  // namespace

// The subclass layer of the header window: the wrapper's header handler while
// the wrapper lives, a pass-through once it let go.
class TkvListViewWnd::HeaderLayer : public TSubclass {
public:
    explicit HeaderLayer(TkvListViewWnd* w) : wrapper_(w) {}
    void Forget() { wrapper_ = nullptr; }
    void Pass(TMessage& m) { CallPrevious(m); }

protected:
    void WndProc(TMessage& m) override
    {
        if (wrapper_)
            wrapper_->HeaderWndProc(m);
        else
            CallPrevious(m);
    }
    void WindowDestroyed() override
    {
        if (TkvListViewWnd* w = std::exchange(wrapper_, nullptr)) {
            w->headerLayer_ = nullptr;
            w->HeaderHandle = nullptr;
            w->HotColumn = w->PressedHeaderColumn = -1;
        }
        Release();
    }

private:
    TkvListViewWnd* wrapper_;
};

TkvListViewWnd::TkvListViewWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager,
                               const String& skinSection, bool repaint)
    : TkvEditWnd(handle, commonData, skinManager, skinSection, repaint,
                 TkvEditOptions{int(TsControlKind::ListView), true})
{
}

TkvListViewWnd::~TkvListViewWnd()
{
    if (!Unhooked && CommonData && SkinManager) RestoreOwnColors();
    ReleaseHeader();
}

void TkvListViewWnd::HookSelf(bool repaint)
{
    TkvEditWnd::HookSelf(repaint);
    if (HWND header = FindWindowExW(Handle, nullptr, WC_HEADERW, nullptr)) SubclassHeader(header);
}

void TkvListViewWnd::Unhooking()
{
    ReleaseHeader();
    TkvEditWnd::Unhooking();
}

void TkvListViewWnd::SubclassHeader(HWND header)
{
    if (headerLayer_ || !header) return;
    auto* layer = new HeaderLayer(this);
    if (!layer->Hook(header)) {
        delete layer;
        return;
    }
    headerLayer_ = layer;
    HeaderHandle = header;
    HotColumn = PressedHeaderColumn = -1;
}

void TkvListViewWnd::ReleaseHeader()
{
    HWND header = HeaderHandle;
    if (HeaderLayer* layer = std::exchange(headerLayer_, nullptr)) {
        layer->Forget();
        layer->Unhook();
        layer->Release();
    }
    HeaderHandle = nullptr;
    HotColumn = PressedHeaderColumn = -1;
    if (header && IsWindow(header)) InvalidateRect(header, nullptr, TRUE);
}

int TkvListViewWnd::ViewStyle() const
{
    if (TControl* c = OwnerControl()) {
        const TPropInfo* p = GetPropInfo(c, L"ViewStyle");
        if (p && p->IsOrdinal() && p->GetOrd) return int(p->GetOrd(c));
    }
    LRESULT v = SendMessageW(Handle, LVM_GETVIEW, 0, 0);
    LONG_PTR type = GetWindowLongPtrW(Handle, GWL_STYLE) & LVS_TYPEMASK;
    // A control without the view message answers 0: its style says.
    if (v == LV_VIEW_ICON && type != LVS_ICON)
        return type == LVS_REPORT ? 3 : type == LVS_SMALLICON ? 1 : 2;
    switch (v) {
    case LV_VIEW_ICON: return 0;
    case LV_VIEW_DETAILS: return 3;
    case LV_VIEW_SMALLICON: return 1;
    default: return 2;
    }
}

// ---------------------------------------------------------------- colours

void TkvListViewWnd::SaveOwnColors()
{
    TkvEditWnd::SaveOwnColors();
    // A class-library list view keeps its own Color and Font.Color (system
    // colours stay system colours); only a native one is read from the window.
    if (OwnerControl()) return;
    OwnColor = TColor(SendMessageW(Handle, LVM_GETBKCOLOR, 0, 0));
    OwnFontColor = TColor(SendMessageW(Handle, LVM_GETTEXTCOLOR, 0, 0));
}

void TkvListViewWnd::RestoreOwnColors()
{
    if (Handle && IsWindow(Handle)) {
        SendMessageW(Handle, LVM_SETTEXTCOLOR, 0, LPARAM(GetSysColor(COLOR_WINDOWTEXT)));
        if (!OwnerControl() && OwnColor != clNone) {
            // A native list view gets its own background back (a class-library
            // one through its Color below).
            SendMessageW(Handle, LVM_SETBKCOLOR, 0, LPARAM(ColorToRGB(OwnColor)));
            SendMessageW(Handle, LVM_SETTEXTBKCOLOR, 0, LPARAM(ColorToRGB(OwnColor)));
            SendMessageW(Handle, LVM_SETTEXTCOLOR, 0, LPARAM(ColorToRGB(OwnFontColor)));
        }
    }
    ReleaseHeader();
    TkvEditWnd::RestoreOwnColors();
    if (TControl* c = OwnerControl(); c && !c->Destroying() && Handle && IsWindow(Handle))
        SendMessageW(Handle, LVM_SETTEXTCOLOR, 0, LPARAM(ColorToRGB(c->Font().Color())));
}

void TkvListViewWnd::ApplySkinColors()
{
    TkvEditWnd::ApplySkinColors();
    if (Unhooked || !CommonData) return;
    if (!headerLayer_)
        if (HWND header = FindWindowExW(Handle, nullptr, WC_HEADERW, nullptr)) SubclassHeader(header);
    COLORREF bk, text;
    if (InDialog) {
        bk = GetSysColor(COLOR_WINDOW);
        text = GetSysColor(COLOR_WINDOWTEXT);
    } else {
        TsSkinManager* m = ActiveManager();
        const TsGeneralData* s = CommonData->Section();
        if (!m || !s) return;
        bk = ColorToRGB(s->Props[0].Color);
        text = ColorToRGB(s->Props[0].FontColor);
    }
    SendMessageW(Handle, LVM_SETBKCOLOR, 0, LPARAM(bk));
    SendMessageW(Handle, LVM_SETTEXTBKCOLOR, 0, LPARAM(bk));
    SendMessageW(Handle, LVM_SETTEXTCOLOR, 0, LPARAM(text));
}

// ---------------------------------------------------------------- header

void TkvListViewWnd::PaintColumn(HDC dc, int index, const RECT& r)
{
    int w = r.right - r.left, h = r.bottom - r.top;
    TsSkinManager* m = ActiveManager();
    if (w <= 0 || h <= 0 || !m) return;
    int section = m->FindSectionIndex(L"COLHEADER");
    String name = L"COLHEADER";
    if (!m->IsSectionIndexValid(section)) {
        section = m->FindSectionIndex(L"BUTTON");
        name = L"BUTTON";
    }
    int state = 0;
    if (index >= 0 && index == PressedHeaderColumn)
        state = 2;
    else if (index >= 0 && index == HotColumn && PressedHeaderColumn < 0)
        state = 1;

    TBitmap bmp(w, h, TPixelFormat::pf32bit);
    TControl* owner = OwnerControl();
    TColor under = owner ? owner->Color() : TColor(clWindow);
    {
        HBRUSH b = CreateSolidBrush(ColorToRGB(under));
        RECT all{0, 0, w, h};
        FillRect(bmp.Canvas().Handle(), &all, b);
        DeleteObject(b);
    }
    TsBgCacheInfo info = EmptyBgCacheInfo;
    info.FillColor = TColor(ColorToRGB(under));
    if (m->IsSectionIndexValid(section))
        PaintSkinItem(section, name, info, -1, -1, m, &bmp, POINT{0, 0}, RECT{0, 0, w, h}, state, 0);

    if (index >= 0) {
        wchar_t text[kHeaderTextMax + 1] = {};
        HDITEMW item{};
        item.mask = HDI_TEXT | HDI_FORMAT | HDI_IMAGE | HDI_ORDER;
        item.pszText = text;
        item.cchTextMax = kHeaderTextMax;
        SendMessageW(HeaderHandle, HDM_GETITEMW, WPARAM(index), LPARAM(&item));
        String caption = text;

        TCanvas& canvas = bmp.Canvas();
        if (owner) {
            canvas.Font().Assign(&owner->Font());
        } else if (auto f = reinterpret_cast<HFONT>(SendMessageW(Handle, WM_GETFONT, 0, 0))) {
            LOGFONTW lf{};
            if (GetObjectW(f, sizeof lf, &lf))
                canvas.Font().Set(lf.lfFaceName, lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight, 0,
                                  canvas.Font().Color());
        }
        SelectObject(canvas.Handle(), canvas.Font().Handle());

        // The sort arrow: the glyph of the bars' bottom (down) or top (up) button.
        int glyph = -1, gw = 0, gh = 0;
        if (item.fmt & (HDF_SORTDOWN | HDF_SORTUP)) {
            glyph = m->CommonIndexes().ScrollGlyph[(item.fmt & HDF_SORTDOWN) ? spBtnBottom : spBtnTop];
            if (m->IsMaskIndexValid(glyph)) {
                gw = MaskFrameWidth(m->ma()[size_t(glyph)]);
                gh = MaskStateHeight(m->ma()[size_t(glyph)]);
            } else {
                glyph = -1;
            }
        }
        int reserve = glyph >= 0 ? gw + 6 : 0;
        RECT measure{0, 0, w, h};
        DrawTextW(canvas.Handle(), caption.c_str(), int(caption.size()), &measure, DT_CALCRECT | kHeaderTextFlags);
        int textW = caption.empty() ? 0 : int(measure.right - measure.left) + 5;

        HIMAGELIST images = nullptr;
        if (owner) {
            const TPropInfo* p = GetPropInfo(owner, L"SmallImages");
            if (auto* il = p && p->GetObj ? dynamic_cast<TCustomImageList*>(p->GetObj(owner)) : nullptr)
                images = il->Handle();
        } else {
            images = HIMAGELIST(SendMessageW(HeaderHandle, HDM_GETIMAGELIST, 0, 0));
        }
        int iw = 0, ih = 0;
        bool withImage = images && (item.fmt & HDF_IMAGE) && item.iImage >= 0 &&
                         ImageList_GetIconSize(images, &iw, &ih);
        int imageW = withImage ? iw + 4 : 0;

        int pad = 4;
        int x;   // where the image (or the text) starts
        if ((item.fmt & HDF_JUSTIFYMASK) == HDF_RIGHT)
            x = w - pad - reserve - textW - imageW;
        else if ((item.fmt & HDF_JUSTIFYMASK) == HDF_CENTER)
            x = (w - imageW - textW - reserve) / 2;
        else
            x = pad;
        x = std::max(x, pad);
        int shift = state == 2 ? 1 : 0;
        if (withImage) ImageList_Draw(images, item.iImage, canvas.Handle(), x + shift, (h - ih) / 2 + shift, ILD_TRANSPARENT);
        RECT tr{x + imageW + shift, shift, std::min(w - pad - reserve, x + imageW + textW) + shift, h + shift};
        if (!caption.empty() && tr.right > tr.left) {
            TsManagerTextSkin skin(m);
            DrawSectionText(canvas, caption, IsWindowEnabled(Handle) != FALSE, &skin, state != 0, section,
                            kHeaderTextFlags, tr);
        }
        if (glyph >= 0) {
            int textEnd = std::min(int(tr.right) - shift, x + imageW + std::max(0, textW - 5));
            POINT gp{std::min(textEnd + 6, w - gw - 2), (h - gh) / 2};
            TsBgCacheInfo self = EmptyBgCacheInfo;
            self.Bmp = &bmp;
            self.X = self.Y = 0;
            self.Ready = true;
            DrawMaskFrame32(&bmp, gp, state, self, glyph, 1, m);
        }
    }
    BitBlt(dc, r.left, r.top, w, h, bmp.Canvas().Handle(), 0, 0, SRCCOPY);
}

void TkvListViewWnd::PaintHeader(HDC dc)
{
    if (!HeaderHandle || !dc) return;
    RECT client{};
    GetClientRect(HeaderHandle, &client);
    HeaderLineHeight = client.bottom;
    int count = int(SendMessageW(HeaderHandle, HDM_GETITEMCOUNT, 0, 0));
    std::vector<int> order(size_t(std::max(0, count)));
    if (count > 0 && !SendMessageW(HeaderHandle, HDM_GETORDERARRAY, WPARAM(count), LPARAM(order.data())))
        for (int i = 0; i < count; ++i) order[size_t(i)] = i;
    int right = 0;
    for (int index : order) {
        RECT r{};
        if (!SendMessageW(HeaderHandle, HDM_GETITEMRECT, WPARAM(index), LPARAM(&r)) || r.right <= r.left) continue;
        r.top = 0;
        r.bottom = client.bottom;
        PaintColumn(dc, index, r);
        right = std::max(right, int(r.right));
    }
    if (right < client.right) PaintColumn(dc, -2, RECT{right, 0, client.right, client.bottom});
}

void TkvListViewWnd::HeaderWndProc(TMessage& m)
{
    HeaderLayer* layer = headerLayer_;
    if (!layer) return;
    if (Unhooked || !CommonData || !ActiveManager() || !CommonData->IsSkinned() || ViewStyle() != 3) {
        layer->Pass(m);
        return;
    }
    try {
        switch (m.Msg) {
        case WM_PAINT: {
            // Painted wholly here; BeginPaint validates the region.
            PAINTSTRUCT ps{};
            HDC dc = m.WParam ? HDC(m.WParam) : BeginPaint(HeaderHandle, &ps);
            PaintHeader(dc);
            if (!m.WParam) EndPaint(HeaderHandle, &ps);
            m.Result = 0;
            return;
        }
        case WM_ERASEBKGND:
            m.Result = 1;
            return;
        case WM_WINDOWPOSCHANGED:
            layer->Pass(m);
            SendMessageW(Handle, WM_NCPAINT, 1, 0);
            return;
        case WM_NCDESTROY:
            layer->Pass(m);
            return;
        case WM_NCHITTEST: {
            HWND header = HeaderHandle;
            layer->Pass(m);
            if (headerLayer_ != layer) return;
            POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
            ScreenToClient(header, &p);
            HDHITTESTINFO hit{};
            hit.pt = p;
            SendMessageW(header, HDM_HITTEST, 0, LPARAM(&hit));
            int column = (hit.flags & (HHT_ONHEADER | HHT_ONDIVIDER | HHT_ONDIVOPEN)) ? hit.iItem : -1;
            if (column != HotColumn) {
                HotColumn = column;
                InvalidateRect(header, nullptr, FALSE);
            }
            return;
        }
        case WM_LBUTTONUP:
            PressedHeaderColumn = -1;
            layer->Pass(m);
            if (HeaderHandle) InvalidateRect(HeaderHandle, nullptr, FALSE);
            return;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            HWND header = HeaderHandle;
            layer->Pass(m);
            if (headerLayer_ != layer) return;
            HDHITTESTINFO hit{};
            hit.pt = POINT{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
            SendMessageW(header, HDM_HITTEST, 0, LPARAM(&hit));
            // A press on a divider sizes the column and presses none.
            bool onColumn = (hit.flags & HHT_ONHEADER) && !(hit.flags & (HHT_ONDIVIDER | HHT_ONDIVOPEN));
            PressedHeaderColumn = onColumn ? hit.iItem : -1;
            InvalidateRect(header, nullptr, FALSE);
            return;
        }
        case WM_CAPTURECHANGED:
            layer->Pass(m);
            if (PressedHeaderColumn >= 0 && HeaderHandle && HWND(m.LParam) != HeaderHandle) {
                PressedHeaderColumn = -1;
                InvalidateRect(HeaderHandle, nullptr, FALSE);
            }
            return;
        default:
            break;
        }
        layer->Pass(m);
    } catch (const std::exception& e) {
        if (Application) Application->HandleException(e);
    } catch (...) {
    }
}

// ---------------------------------------------------------------- the list view

void TkvListViewWnd::ThumbTrack(TMessage& m)
{
    int bar = m.Msg == WM_HSCROLL ? 0 : 1;
    int pos = m.LParam ? int(m.LParam) : int(HIWORD(m.WParam));
    if (lastTrack_[bar] < 0) lastTrack_[bar] = GetScrollPos(Handle, bar == 0 ? SB_HORZ : SB_VERT);
    int delta = pos - lastTrack_[bar];
    m.Result = 0;
    if (delta == 0) return;
    lastTrack_[bar] = pos;
    int view = ViewStyle();
    RECT first{};
    first.left = LVIR_BOUNDS;
    bool haveFirst = SendMessageW(Handle, LVM_GETITEMRECT, 0, LPARAM(&first)) != 0;
    if (bar == 0) {
        // The list view scrolls whole columns: the bar counts them.
        if (view == 2 && haveFirst) delta *= first.right - first.left;
        SendMessageW(Handle, LVM_SCROLL, WPARAM(delta), 0);
    } else {
        // The report view scrolls whole lines: the bar counts them.
        if (view == 3 && haveFirst) delta *= first.bottom - first.top;
        SendMessageW(Handle, LVM_SCROLL, 0, LPARAM(delta));
    }
}

void TkvListViewWnd::WndProc(TMessage& m)
{
    if (Unhooked || !CommonData || !ActiveManager() || !CommonData->IsSkinned()) {
        TkvEditWnd::WndProc(m);
        return;
    }
    if (m.Msg == SkinCommandMessage && Command(m) == SkinCmdLockRedraw) {
        // Thumb messages then carry the full position in the LParam.
        m.Result = 1;
        return;
    }
    if (m.Msg == SkinCommandMessage && Command(m) == SkinCmdUnlockRedraw) {
        m.Result = 0;
        return;
    }
    switch (m.Msg) {
    case WM_HSCROLL:
    case WM_VSCROLL:
        if (LOWORD(m.WParam) == SB_THUMBTRACK) {
            ThumbTrack(m);
            RefreshScrollBars(true);
            return;
        }
        if (LOWORD(m.WParam) == SB_ENDSCROLL) lastTrack_[m.Msg == WM_HSCROLL ? 0 : 1] = -1;
        // The native control reads a non-zero LParam as a scroll-bar control.
        m.LParam = 0;
        CallPrevWndProc(m);
        RefreshScrollBars(true);
        return;
    case WM_PAINT:
        if (!ColorsApplied) ApplySkinColors();
        TkvEditWnd::WndProc(m);
        return;
    case WM_NCHITTEST:
        if (HotColumn >= 0 || PressedHeaderColumn >= 0) {
            HotColumn = PressedHeaderColumn = -1;
            if (HeaderHandle) InvalidateRect(HeaderHandle, nullptr, FALSE);
        }
        TkvEditWnd::WndProc(m);
        return;
    case WM_NCPAINT:
        m.Result = 0;
        TkvEditWnd::WndProc(m);
        return;
    case WM_PRINT: {
        HDC dc = HDC(m.WParam);
        if (dc) {
            RECT w{};
            GetWindowRect(Handle, &w);
            RECT all{0, 0, w.right - w.left, w.bottom - w.top};
            HBRUSH b = CreateSolidBrush(ColorToRGB(SkinColor));
            FillRect(dc, &all, b);
            DeleteObject(b);
        }
        TkvEditWnd::WndProc(m);
        if (dc && HeaderHandle && ViewStyle() == 3 && IsWindowVisible(HeaderHandle) && (m.LParam & PRF_CLIENT)) {
            RECT client = GetClientRectInWindow(Handle);
            RECT hr{};
            GetWindowRect(HeaderHandle, &hr);
            POINT at{hr.left, hr.top};
            ScreenToClient(Handle, &at);
            int saved = SaveDC(dc);
            IntersectClipRect(dc, client.left, client.top, client.right, client.bottom);
            OffsetViewportOrgEx(dc, client.left + at.x, client.top + at.y, nullptr);
            PaintHeader(dc);
            RestoreDC(dc, saved);
        }
        return;
    }
    case WM_PARENTNOTIFY:
        if (LOWORD(m.WParam) == WM_CREATE && IsHeaderClass(HWND(m.LParam))) {
            TkvEditWnd::WndProc(m);
            // A header is kept while one is subclassed.
            if (!headerLayer_) SubclassHeader(HWND(m.LParam));
            return;
        }
        break;
    case WM_LBUTTONUP:
        TkvEditWnd::WndProc(m);
        if (GetCapture() == Handle) ReleaseCapture();
        return;
    case WM_STYLECHANGED:
    case LVM_ARRANGE:
    case LVM_INSERTITEMA:
    case LVM_INSERTITEMW:
        TkvEditWnd::WndProc(m);
        if (!Unhooked && !CommonData->Updating) RefreshScrollBars(true);
        return;
    default:
        break;
    }
    TkvEditWnd::WndProc(m);
}
