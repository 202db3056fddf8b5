#include "skin/controls/ComboWnd.h"

#include <windowsx.h>

#include <algorithm>
#include <optional>

#include "classlib/ListControls.h"
#include "skin/core/BgRequest.h"
#include "skin/core/ControlPaint.h"
#include "skin/core/MaskPaintBitmap.h"
#include "skin/core/SkinManager.h"
#include "skin/graphics/SkinCommands.h"
#include "skin/graphics/Utils.h"

bool DropDownOpen = false;

namespace {
// The list's internal messages around a drag inside it.
constexpr UINT LbStartTrack = 0x1AE;
constexpr UINT LbEndTrack = 0x1AF;
// The longest item text the selected-text painter draws (longer ones are cut).
constexpr size_t MaxComboText = 4095;
// The frame strips of the box copied from the cache after the control painted.
constexpr int BoxFrameWidth = 2;

unsigned Command(const TMessage& m) { return SkinCommandOf(uintptr_t(m.WParam)); }

SIZE WindowSize(HWND wnd)
{
    RECT r{};
    GetWindowRect(wnd, &r);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

HDC CacheDC(TsCommonData* data) { return data->CacheBitmap->Canvas().Handle(); }

// The background the parent of wnd shows under it (no bitmap when nobody answers).
TsBgCacheInfo ParentBackground(HWND wnd)
{
    TsBgCacheInfo info = EmptyBgCacheInfo;
    HWND parent = GetParent(wnd);
    if (!parent) return info;
    RECT wr{};
    GetWindowRect(wnd, &wr);
    POINT pos{wr.left, wr.top};
    ScreenToClient(parent, &pos);
    TsBgRequest request;
    request.OffsetX = pos.x;
    request.OffsetY = pos.y;
    GetParentBgByHandle(request, parent, false);
    if (request.Kind != bgNotReady) BgRequestToCacheInfo(request, info);
    return info;
}

// Copies the strips of width w round the edge of src (size cx x cy) to dc at
// the same places.
void CopyRing(HDC dc, HDC src, int cx, int cy, int w)
{
    if (cx <= 0 || cy <= 0 || w <= 0) return;
    w = std::min({w, cx, cy});
    BitBlt(dc, 0, 0, cx, w, src, 0, 0, SRCCOPY);
    BitBlt(dc, 0, cy - w, cx, w, src, 0, cy - w, SRCCOPY);
    BitBlt(dc, 0, w, w, cy - 2 * w, src, 0, w, SRCCOPY);
    BitBlt(dc, cx - w, w, w, cy - 2 * w, src, cx - w, w, SRCCOPY);
}

void FillSolid(HDC dc, const RECT& r, TColor color)
{
    BrushHandle b(CreateSolidBrush(ColorToRGB(color)));
    FillRect(dc, &r, b.get());
}
}  // namespace

// ---------------------------------------------------------------- geometry

RECT combogeo::DropButtonRect(int width, int height, int buttonWidth, bool rightToLeft)
{
    RECT r{};
    r.left = rightToLeft ? 2 : width - buttonWidth - 2;
    r.right = r.left + buttonWidth;
    r.top = 2;
    r.bottom = height - 2;
    return r;
}

RECT combogeo::TextRect(int width, int height, const RECT& button, bool)
{
    // The text stands on the side of the box the button leaves free.
    const bool buttonAtLeft = button.right > button.left && button.left + button.right < width;
    if (buttonAtLeft) return RECT{button.right, 3, width - 3, height - 3};
    return RECT{3, 3, button.left, height - 3};
}

RECT combogeo::ButtonInWindow(HWND combo, int buttonWidth)
{
    RECT wr{};
    GetWindowRect(combo, &wr);
    const int width = wr.right - wr.left, height = wr.bottom - wr.top;
    if (buttonWidth <= 0) return DropButtonRect(width, height, 0, false);
    COMBOBOXINFO info{sizeof info};
    if (!GetComboBoxInfo(combo, &info) || IsRectEmpty(&info.rcButton)) {
        bool rtl = (GetWindowLongPtrW(combo, GWL_EXSTYLE) & WS_EX_RTLREADING) != 0;
        return DropButtonRect(width, height, buttonWidth, rtl);
    }
    // The control's own button, from client to window coordinates.
    POINT origin{0, 0};
    ClientToScreen(combo, &origin);
    RECT r = info.rcButton;
    OffsetRect(&r, origin.x - wr.left, origin.y - wr.top);
    return r;
}

// ---------------------------------------------------------------- TkvComboBoxWnd

TkvComboBoxWnd::TkvComboBoxWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager,
                               const String& skinSection, bool repaint)
    : TkvEditWnd(handle, commonData, skinManager, skinSection, repaint)
{
    ListOpening = false;
    ListSkinData = std::make_unique<TsCommonData>(nullptr, true);
}

TkvComboBoxWnd::~TkvComboBoxWnd()
{
    ListGone();
    DropListWrapper(false);
}

void TkvComboBoxWnd::ListGone()
{
    // A box that goes while its list is open sends no closing notice.
    if (dropped_ || (DropListHandle && IsWindowVisible(DropListHandle))) DropDownOpen = false;
    dropped_ = false;
}

bool TkvComboBoxWnd::IsSimple() const
{
    return (GetWindowLongPtrW(Handle, GWL_STYLE) & CBS_DROPDOWNLIST) == CBS_SIMPLE;
}

bool TkvComboBoxWnd::HasDropList() const { return (GetWindowLongPtrW(Handle, GWL_STYLE) & CBS_DROPDOWN) != 0; }

RECT TkvComboBoxWnd::DropButtonRect()
{
    return combogeo::ButtonInWindow(Handle, HasDropList() ? GetSystemMetrics(SM_CXVSCROLL) : 0);
}

bool TkvComboBoxWnd::CursorOverBox() const
{
    POINT p{};
    if (!GetCursorPos(&p)) return false;
    HWND under = WindowFromPoint(p);
    return under && (under == Handle || IsChild(Handle, under));
}

void TkvComboBoxWnd::DropListWrapper(bool systemFrame)
{
    if (ListWrapper) {
        HWND list = DropListHandle;
        if (systemFrame && IsWindow(list)) {
            LONG_PTR style = GetWindowLongPtrW(list, GWL_STYLE);
            SetWindowLongPtrW(list, GWL_STYLE, (style & ~LONG_PTR(WS_THICKFRAME)) | WS_BORDER);
        }
        TkvMainWnd* w = std::exchange(ListWrapper, nullptr);
        UnhookScrollWnd(list, true, false, w);
        if (systemFrame && IsWindow(list))
            SetWindowPos(list, nullptr, 0, 0, 0, 0,
                         SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER |
                             SWP_NOACTIVATE);
    }
    DropListHandle = nullptr;
}

int TkvComboBoxWnd::DropButtonState() const
{
    if (DropListHandle && IsWindowVisible(DropListHandle)) return 2;
    // The manager keeps its hot window when the mouse leaves the form
    // altogether: the button is hot only while the mouse is over the box.
    if (!CursorOverBox()) return 0;
    if (CommonData && CommonData->MouseInside) return 1;
    if (DefaultManager && DefaultManager->HotWindow() == Handle) return 1;
    return 0;
}

void TkvComboBoxWnd::RepaintBackground()
{
    GetWndGeometry(Handle, ParentHandle, WindowArea, PosInParent, WindowExtent, ParentRect);
    bool changed = CommonData->BackgroundChanged;
    PaintWrapperBackground(CommonData, Handle, InDialog);
    if (changed && !CommonData->BackgroundChanged) PaintBorderMaskCorners(CommonData, 0, this);
}

void TkvComboBoxWnd::CopyFrameRing(HDC dc, int width)
{
    TBitmap* cache = CommonData->CacheBitmap.get();
    if (!dc || !cache) return;
    GdiFlush();
    CopyRing(dc, cache->Canvas().Handle(), cache->Width(), cache->Height(), width);
}

void TkvComboBoxWnd::CopyAroundEdit(HDC dc)
{
    TBitmap* cache = CommonData->CacheBitmap.get();
    HWND edit = FindWindowExW(Handle, nullptr, L"Edit", nullptr);
    if (!dc || !cache || !edit || !IsWindowVisible(edit)) return;
    RECT box{}, field{};
    GetWindowRect(Handle, &box);
    GetWindowRect(edit, &field);
    OffsetRect(&field, -box.left, -box.top);
    const RECT button = DropButtonRect();
    const int saved = SaveDC(dc);
    ExcludeClipRect(dc, field.left, field.top, field.right, field.bottom);
    if (!IsRectEmpty(&button)) ExcludeClipRect(dc, button.left, button.top, button.right, button.bottom);
    GdiFlush();
    BitBlt(dc, 0, 0, cache->Width(), cache->Height(), cache->Canvas().Handle(), 0, 0, SRCCOPY);
    RestoreDC(dc, saved);
}

void TkvComboBoxWnd::PaintDropButton(HDC dc)
{
    TsSkinManager* m = ActiveManager();
    TBitmap* cache = CommonData ? CommonData->CacheBitmap.get() : nullptr;
    if (!m || !cache || !HasDropList()) return;
    RECT br = DropButtonRect();
    int w = br.right - br.left, h = br.bottom - br.top;
    if (w <= 0 || h <= 0 || cache->Width() < br.right || cache->Height() < br.bottom) return;

    // The button over the box's own background as the cache holds it.
    TBitmap bmp(w, h, TPixelFormat::pf32bit);
    GdiFlush();
    BitBlt(bmp.Canvas().Handle(), 0, 0, w, h, CacheDC(CommonData), br.left, br.top, SRCCOPY);
    GdiFlush();
    TsBgCacheInfo info = EmptyBgCacheInfo;
    info.Bmp = cache;
    info.X = br.left;
    info.Y = br.top;
    info.Ready = true;
    int state = DropButtonState();
    int button = m->FindSectionIndex(L"COMBOBTN");
    if (button >= 0) PaintSkinItem(button, L"COMBOBTN", info, -1, -1, m, &bmp, POINT{}, RECT{0, 0, w, h}, state, 0);

    int combo = m->FindSectionIndex(L"COMBOBOX");
    int glyph = combo >= 0 ? m->FindMaskIndex(combo, L"COMBOBOX", L"GLYPHMASK") : -1;
    int windowHeight = WindowSize(Handle).cy;
    if (m->IsMaskIndexValid(glyph)) {
        const TsMaskData& g = m->ma()[size_t(glyph)];
        int gw = MaskFrameWidth(g), gh = MaskStateHeight(g);
        TsBgCacheInfo own = EmptyBgCacheInfo;
        own.Bmp = &bmp;
        own.Ready = true;
        DrawMaskFrame32(&bmp, POINT{(w - gw) / 2, (windowHeight - gh) / 2 - br.top}, state, own, glyph, 1, m);
    }
    GdiFlush();
    if (dc) {
        BitBlt(dc, br.left, br.top, w, h, bmp.Canvas().Handle(), 0, 0, SRCCOPY);
    } else {
        WindowDC own(Handle, WindowDC::waWhole);
        BitBlt(own.get(), br.left, br.top, w, h, bmp.Canvas().Handle(), 0, 0, SRCCOPY);
    }
}

void TkvComboBoxWnd::PaintComboText()
{
    TBitmap* cache = CommonData->CacheBitmap.get();
    if (!cache) return;
    SIZE s = WindowSize(Handle);
    bool rtl = (GetWindowLongPtrW(Handle, GWL_EXSTYLE) & WS_EX_RTLREADING) != 0;
    RECT r = combogeo::TextRect(s.cx, s.cy, DropButtonRect(), rtl);
    if (r.right <= r.left || r.bottom <= r.top) return;

    String text;
    LRESULT selected = SendMessageW(Handle, CB_GETCURSEL, 0, 0);
    if (selected >= 0) {
        LRESULT len = SendMessageW(Handle, CB_GETLBTEXTLEN, WPARAM(selected), 0);
        if (len > 0) {
            // The item is read whole (the box copies it without a limit) and cut after.
            text.assign(size_t(len) + 1, L'\0');
            LRESULT got = SendMessageW(Handle, CB_GETLBTEXT, WPARAM(selected), LPARAM(text.data()));
            text.resize(got < 0 ? 0 : std::min({size_t(got), size_t(len), MaxComboText}));
        }
    } else {
        text = ReadWindowText(Handle);
        if (text.size() > MaxComboText) text.resize(MaxComboText);
    }

    SelectWndFont(this);
    HDC dc = cache->Canvas().Handle();
    DWORD style = DWORD(GetWindowLongPtrW(Handle, GWL_STYLE));
    bool dropList = (style & CBS_DROPDOWNLIST) == CBS_DROPDOWNLIST;
    bool focused = dropList && GetFocus() == Handle;
    COLORREF color;
    if (focused) {
        FillRect(dc, &r, GetSysColorBrush(COLOR_HIGHLIGHT));
        color = GetSysColor(COLOR_HIGHLIGHTTEXT);
    } else if (TControl* c = OwnerControl()) {
        color = ColorToRGB(c->Font().Color());
    } else {
        TsSkinManager* m = ActiveManager();
        color = m && m->IsSectionIndexValid(CommonData->SectionIndex)
                    ? COLORREF(m->gd()[size_t(CommonData->SectionIndex)].Props[0].FontColor)
                    : GetSysColor(COLOR_WINDOWTEXT);
    }
    RECT tr = r;
    if (dropList) OffsetRect(&tr, 1, 1);
    int mode = SetBkMode(dc, TRANSPARENT);
    COLORREF old = SetTextColor(dc, color);
    SavedDC saved(dc);
    IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
    DrawTextW(dc, text.c_str(), int(text.size()), &tr,
              DT_SINGLELINE | DT_NOPREFIX | DT_LEFT | DT_TOP | (rtl ? DT_RTLREADING : 0));
    SetTextColor(dc, old);
    SetBkMode(dc, mode);
    if (focused) DrawFocusRect(dc, &r);
}

void TkvComboBoxWnd::PaintSimpleFrame()
{
    TsSkinManager* m = ActiveManager();
    if (!m) return;
    SIZE s = WindowSize(Handle);
    LRESULT item = SendMessageW(Handle, CB_GETITEMHEIGHT, WPARAM(-1), 0);
    int h = std::min(int(item < 0 ? 0 : item) + 8, int(s.cy));
    if (s.cx <= 0 || h <= 0) return;
    CommonData->PrepareCacheBitmap();
    TBitmap* cache = CommonData->CacheBitmap.get();
    if (!cache) return;
    cache->SetSize(s.cx, h);
    RECT all{0, 0, s.cx, h};
    TColor border = TColor(m->Palette()[27]);
    if (InDialog && border != TColor(SkinKeyColor)) {
        HDC dc = CacheDC(CommonData);
        FillRect(dc, &all, GetSysColorBrush(COLOR_WINDOW));
        BrushHandle frame(CreateSolidBrush(ColorToRGB(border)));
        FrameRect(dc, &all, frame.get());
    } else {
        bool hot = CommonData->MouseInside || CommonData->Focused;
        PaintControlSkin(*CommonData, ParentBackground(Handle), -1, -1, 0, cache, POINT{0, 0}, all, hot ? 1 : 0);
    }
    CommonData->BackgroundChanged = false;
}

void TkvComboBoxWnd::RedrawBox()
{
    InvalidateRect(Handle, nullptr, FALSE);
    UpdateWindow(Handle);
}

void TkvComboBoxWnd::ListColors(TMessage& m)
{
    TkvEditWnd::WndProc(m);
    auto list = reinterpret_cast<HWND>(m.LParam);
    if (list && list != DropListHandle && IsWindow(list)) {
        // A new list (the first drop, or the box made its window again).
        DropListWrapper(false);
        DropListHandle = list;
        ListOpening = true;
        bool native = OwnerControl() == nullptr;
        bool savedMode = DialogMode;
        if (native) DialogMode = true;
        bool hasItems = SendMessageW(Handle, CB_GETCOUNT, 0, 0) > 0;
        try {
            ListWrapper =
                TkvComboListWnd::CreateForList(list, IsSimple(), hasItems, L"EDIT", SkinManager, nullptr);
            ListWrapper->ComboHandle = Handle;
        } catch (...) {
            ListWrapper = nullptr;
        }
        DialogMode = savedMode;
        ListOpening = false;
        // The list asks for its colours once it shows: the button follows it now.
        if (IsWindowVisible(list)) PaintDropButton();
    }
    int section = -1;
    if (DropListHandle)
        SendSkinCommand(DropListHandle, TsSkinCommand::GetSectionIndex, LPARAM(&section));
    TsSkinManager* mgr = ActiveManager();
    if (section < 0 || InDialog || !mgr || !mgr->IsSectionIndexValid(section)) return;
    const TsGenState& normal = mgr->gd()[size_t(section)].Props[0];
    auto dc = reinterpret_cast<HDC>(m.WParam);
    if (TColor(normal.FontColor) >= 0) SetTextColor(dc, COLORREF(normal.FontColor));
    SetBkColor(dc, COLORREF(normal.Color));
    // One brush per wrapper, made again only when the colour changes.
    if (!listBrush_ || listBrushColor_ != TColor(normal.Color)) {
        listBrush_.reset(CreateSolidBrush(COLORREF(normal.Color)));
        listBrushColor_ = TColor(normal.Color);
    }
    m.Result = LRESULT(listBrush_.get());
}

void TkvComboBoxWnd::MouseEnter(TMessage& m)
{
    bool entering = !CommonData->MouseInside;
    if (entering) {
        CommonData->MouseInside = true;
        CommonData->BackgroundChanged = true;
    }
    TkvEditWnd::WndProc(m);
    if (entering && !Unhooked) RedrawBox();
}

void TkvComboBoxWnd::MouseLeave(TMessage& m)
{
    if (!CommonData->MouseInside) {
        TkvEditWnd::WndProc(m);
        return;
    }
    CommonData->Focused = GetFocus() == Handle;
    POINT p{};
    RECT wr{};
    GetCursorPos(&p);
    GetWindowRect(Handle, &wr);
    if (PtInRect(&wr, p)) return;   // over the box's own edit: still inside
    CommonData->MouseInside = false;
    CommonData->BackgroundChanged = true;
    TkvEditWnd::WndProc(m);
    if (!Unhooked) RedrawBox();
}

void TkvComboBoxWnd::FocusLeft(TMessage& m)
{
    auto* owner = dynamic_cast<TWinControl*>(OwnerControl());
    CommonData->Focused = owner && owner->HandleAllocated() && GetFocus() == owner->Handle();
    CommonData->BackgroundChanged = true;
    CallPrevWndProc(m);
    if (Unhooked) return;
    if (IsBorderStateful(CommonData) && owner && owner->CanFocus()) SendMessageW(Handle, WM_NCPAINT, 1, 0);
    PaintDropButton();
}

void TkvComboBoxWnd::Paint(TMessage& m)
{
    if (!ColorsApplied) ApplySkinColors();
    GetWndGeometry(Handle, ParentHandle, WindowArea, PosInParent, WindowExtent, ParentRect);
    CallPrevWndProc(m);
    if (Unhooked || !IsWindowVisible(Handle)) return;
    auto given = reinterpret_cast<HDC>(m.WParam);
    std::optional<WindowDC> own;
    if (!given) own.emplace(Handle, WindowDC::waWhole);
    HDC dc = given ? given : own->get();
    if (!dc) return;
    if (IsSimple()) {
        PaintSimpleFrame();
        CopyFrameRing(dc, BoxFrameWidth);
    } else {
        RepaintBackground();
        CopyFrameRing(dc, BoxFrameWidth);
        CopyAroundEdit(dc);
        PaintDropButton(dc);
    }
}

void TkvComboBoxWnd::Print(TMessage& m)
{
    GetWndGeometry(Handle, ParentHandle, WindowArea, PosInParent, WindowExtent, ParentRect);
    bool updating = CommonData->Updating;
    CommonData->Updating = true;
    ApplySkinColors();
    if (Unhooked) return;
    CommonData->Updating = updating;
    CommonData->BackgroundChanged = true;
    if (IsSimple()) {
        PaintSimpleFrame();
    } else {
        RepaintBackground();
        PaintComboText();
    }
    PaintBorderMaskCorners(CommonData, 0, this);
    auto dc = reinterpret_cast<HDC>(m.WParam);
    TBitmap* cache = CommonData->CacheBitmap.get();
    if (!dc || !cache) return;
    GdiFlush();
    BitBlt(dc, 0, 0, cache->Width(), cache->Height(), CacheDC(CommonData), 0, 0, SRCCOPY);
    PaintDropButton(dc);
}

void TkvComboBoxWnd::WndProc(TMessage& m)
{
    // The manager announces the removal when its skin is already gone.
    if (m.Msg == SkinCommandMessage && Command(m) == SkinCmdRemoveSkin) {
        TkvEditWnd::WndProc(m);
        if (reinterpret_cast<TsSkinManager*>(m.LParam) == SkinManager) DropListWrapper(true);
        return;
    }
    if ((m.Msg == WM_COMMAND || m.Msg == CN_COMMAND) && HIWORD(m.WParam) == CBN_CLOSEUP) {
        DropDownOpen = false;
        dropped_ = false;
    }
    if (m.Msg == WM_DESTROY) ListGone();
    if (Unhooked || !CommonData || !ActiveManager()) {
        TkvEditWnd::WndProc(m);
        return;
    }
    if (m.Msg == SkinCommandMessage) {
        switch (Command(m)) {
        case SkinCmdMouseEnter:
        case SkinCmdMouseLeave:
            TkvEditWnd::WndProc(m);
            if (!Unhooked) PaintDropButton();
            return;
        default:
            TkvEditWnd::WndProc(m);
            return;
        }
    }
    switch (m.Msg) {
    case WM_SETFOCUS:
    case WM_LBUTTONUP:
        TkvEditWnd::WndProc(m);
        if (!Unhooked) PaintDropButton();
        return;
    case WM_KILLFOCUS:
    case CM_EXIT:
        FocusLeft(m);
        return;
    case WM_PAINT:
        Paint(m);
        return;
    case WM_ERASEBKGND:
        m.Result = 1;
        return;
    case WM_DRAWITEM:
        // An open list draws its items through the box: the box is painted
        // again once, when the painting is done, not once per item.
        CallPrevWndProc(m);
        if (OwnerControl()) InvalidateRect(Handle, nullptr, FALSE);
        return;
    case WM_NCCALCSIZE:
        TkvEditWnd::WndProc(m);
        LeftEdge = 3;
        return;
    case WM_COMMAND:
    case CN_COMMAND:
        // Every box that drops a list keeps the library-wide flag.
        if (HIWORD(m.WParam) == CBN_DROPDOWN) {
            DropDownOpen = true;
            dropped_ = true;
        } else if (HIWORD(m.WParam) == CBN_CLOSEUP) {
            DropDownOpen = false;
            CommonData->BackgroundChanged = true;
            PaintDropButton();
        }
        TkvEditWnd::WndProc(m);
        return;
    case WM_CTLCOLORLISTBOX:
        if (ListOpening) break;
        ListColors(m);
        return;
    case WM_PRINT:
        Print(m);
        return;
    case CM_MOUSEENTER:
        MouseEnter(m);
        return;
    case CM_MOUSELEAVE:
        MouseLeave(m);
        return;
    default:
        break;
    }
    TkvEditWnd::WndProc(m);
}

// ---------------------------------------------------------------- TkvComboListWnd

TkvComboListWnd::TkvComboListWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager,
                                 const String& skinSection, bool repaint, bool simpleList)
    // A list that is not repainted at once keeps its visual styles.
    : TkvEditWnd(handle, commonData, skinManager, skinSection, repaint, TkvEditOptions{-1, repaint}),
      SimpleList(simpleList)
{
    Tracking = false;
    Reserved = -1;   // no list item tracked
    GetWindowRect(handle, &WindowArea);
}

TkvComboListWnd::~TkvComboListWnd() = default;

TkvComboListWnd* TkvComboListWnd::CreateForList(HWND dropList, bool simpleList, bool hasItems,
                                                const String& skinSection, TsSkinManager* skinManager,
                                                TsCommonData* commonData)
{
    auto* w = new TkvComboListWnd(dropList, commonData, skinManager, skinSection, hasItems, simpleList);
    w->Attach();
    if (!simpleList) {
        SIZE s = WindowSize(dropList);
        SetWindowPos(dropList, nullptr, 0, 0, s.cx + 1, s.cy,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_NOCOPYBITS |
                         SWP_NOSENDCHANGING);
    }
    return w;
}

void TkvComboListWnd::PaintFrame(HDC dc)
{
    GetWndGeometry(Handle, ParentHandle, WindowArea, PosInParent, WindowExtent, ParentRect);
    if (SimpleList) {
        SendMessageW(Handle, SkinCommandMessage, MakeSkinCmdWParam(SkinCmdClearBackgroundChanged), 0);
    } else {
        CommonData->UpdateIndexes();
        ApplySkinColors();
        CommonData->PrepareCacheBitmap();
        TBitmap* cache = CommonData->CacheBitmap.get();
        SIZE s = WindowSize(Handle);
        if (!cache || s.cx <= 0 || s.cy <= 0) return;
        cache->SetSize(s.cx, s.cy);
        HDC c = CacheDC(CommonData);
        RECT all{0, 0, s.cx, s.cy};
        FillSolid(c, all, SkinColor);
        BrushHandle frame(CreateSolidBrush(ColorToRGB(BorderLineColor)));
        FrameRect(c, &all, frame.get());
        if (!InDialog) PaintBorderMaskCorners(CommonData, 0, this);
        CommonData->BackgroundChanged = false;
    }
    if (!dc) return;
    TBitmap* cache = CommonData->CacheBitmap.get();
    if (cache) {
        GdiFlush();
        CopyRing(dc, cache->Canvas().Handle(), cache->Width(), cache->Height(), 2);
    }
    NCPaint(dc);
}

void TkvComboListWnd::FillBelowSimpleList(HDC)
{
    HWND combo = GetParent(Handle);
    if (!combo) return;
    RECT cr{}, lr{};
    GetClientRect(combo, &cr);
    GetWindowRect(Handle, &lr);
    MapWindowPoints(nullptr, combo, reinterpret_cast<POINT*>(&lr), 2);
    if (lr.bottom >= cr.bottom) return;
    RECT strip{0, lr.bottom, cr.right, cr.bottom};
    TsBgCacheInfo info = ParentBackground(combo);
    WindowDC dc(combo);
    if (!dc) return;
    if (info.Bmp && info.Ready) {
        GdiFlush();
        BitBlt(dc.get(), strip.left, strip.top, strip.right - strip.left, strip.bottom - strip.top,
               info.Bmp->Canvas().Handle(), info.X + strip.left, info.Y + strip.top, SRCCOPY);
    } else if (info.FillColor != TColor(SkinKeyColor)) {
        FillSolid(dc.get(), strip, info.FillColor);
    }
}

bool TkvComboListWnd::ButtonUpOnBar(TMessage& m)
{
    POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
    ClientToScreen(Handle, &p);
    RECT hr = HorzBarRect(), vr = VertBarRect();
    const bool onBar = (HorzBar->Visible && PtInRect(&hr, p)) || (VertBar->Visible && PtInRect(&vr, p));
    // The list never sees the end of a press on its bar: it would take the
    // button-up for a click beside its items and scroll back to the item it
    // opened with. A drop-down list keeps the capture it had before the press,
    // so that a click elsewhere still closes it.
    if (!EndBarPress() && !onBar) return false;
    if (SimpleList && GetCapture() == Handle) ReleaseCapture();
    m.Result = 0;
    return true;
}

void TkvComboListWnd::WndProc(TMessage& m)
{
    if (Unhooked || !CommonData || !ActiveManager()) {
        TkvEditWnd::WndProc(m);
        return;
    }
    switch (m.Msg) {
    case WM_ERASEBKGND:
        if (auto dc = reinterpret_cast<HDC>(m.WParam)) {
            RECT r{};
            GetClientRect(Handle, &r);
            FillSolid(dc, r, SkinColor);
            m.Result = 1;
            return;
        }
        CallPrevWndProc(m);
        return;
    case WM_NCCALCSIZE:
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
        // The scrolling wrapper's own handling: room for the bars, presses on them.
        TkvScrollWnd::WndProc(m);
        return;
    case WM_NCPAINT: {
        if (Scrolling) break;
        WindowDC dc(Handle, WindowDC::waWhole);
        PaintFrame(dc.get());
        if (SimpleList) FillBelowSimpleList(nullptr);
        m.Result = 0;
        return;
    }
    case WM_HSCROLL:
    case WM_VSCROLL:
        CallPrevWndProc(m);
        return;
    case WM_LBUTTONUP:
        if (ButtonUpOnBar(m)) return;
        break;
    case LbStartTrack:
        Tracking = true;
        Reserved = 0;
        break;
    case LbEndTrack:
        Tracking = false;
        Reserved = -1;
        CommonData->BackgroundChanged = true;
        break;
    case WM_PRINT:
    case WM_PRINTCLIENT: {
        auto dc = reinterpret_cast<HDC>(m.WParam);
        if (!dc || !IsWindowVisible(Handle)) break;
        PaintFrame(nullptr);
        CallPrevWndProc(m);
        if (m.Msg == WM_PRINT && SendMessageW(Handle, LB_GETCOUNT, 0, 0) > 0) {
            TBitmap* cache = CommonData->CacheBitmap.get();
            bool pressed = ThumbTracking;
            if (cache && !pressed && !Tracking) {
                GdiFlush();
                CopyRing(dc, cache->Canvas().Handle(), cache->Width(), cache->Height(), 1);
            }
            NCPaint(dc);
        }
        return;
    }
    default:
        break;
    }
    TkvEditWnd::WndProc(m);
    if (m.Msg != WM_WINDOWPOSCHANGED || Unhooked) return;
    RefreshScrollBars(true);
    // The drop button shows pressed exactly while the list is shown, however
    // it was opened (a click, a key, or the program).
    auto* pos = reinterpret_cast<const WINDOWPOS*>(m.LParam);
    if (!SimpleList && pos && (pos->flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW)))
        if (auto* combo = dynamic_cast<TkvComboBoxWnd*>(GetWrapper(ComboHandle)))
            combo->PaintDropButton();
}

// ---------------------------------------------------------------- TkvWWComboBoxWnd

TkvWWComboBoxWnd* TkvWWComboBoxWnd::CreateForControl(TWinControl* control, TsCommonData* commonData,
                                                     TsSkinManager* skinManager, const String& skinSection,
                                                     bool repaint)
{
    auto* w = new TkvWWComboBoxWnd(control->Handle(), commonData, skinManager, skinSection, repaint);
    if (auto* combo = dynamic_cast<TComboBox*>(control)) {
        TComboBoxStyle s = combo->Style();
        w->ShowButton = s == TComboBoxStyle::csDropDown || s == TComboBoxStyle::csDropDownList;
    }
    w->Attach();
    return w;
}

TkvWWComboBoxWnd::~TkvWWComboBoxWnd()
{
    if (TkvMainWnd* w = std::exchange(ListBoxWrapper, nullptr)) UnhookScrollWnd(w->Handle, true, false, w);
    DropListSkinData.reset();
}

RECT TkvWWComboBoxWnd::DropButtonRect()
{
    return combogeo::ButtonInWindow(Handle, ShowButton ? GetSystemMetrics(SM_CXVSCROLL) : 0);
}

void TkvWWComboBoxWnd::WrapListBoxes()
{
    auto* owner = dynamic_cast<TWinControl*>(OwnerControl());
    if (!owner) return;
    for (int i = 0; i < owner->ControlCount(); ++i) {
        auto* list = dynamic_cast<TWinControl*>(owner->Controls(i));
        if (!list || !list->InheritsFrom(L"TCustomListBox") || !list->HandleAllocated()) continue;
        bool same = list == ListBox && ListBoxWrapper && !ListBoxWrapper->Unhooked;
        if (same) continue;
        if (TkvMainWnd* w = std::exchange(ListBoxWrapper, nullptr)) UnhookScrollWnd(w->Handle, true, false, w);
        ListBox = list;
        DropListSkinData = std::make_unique<TsCommonData>(list, true);
        DropListSkinData->SetSkinManager(SkinManager);
        DropListSkinData->SetSkinSection(L"EDIT");
        UpdateEditWnd(DropListSkinData.get(), ListBoxWrapper);
    }
}

void TkvWWComboBoxWnd::WndProc(TMessage& m)
{
    if (m.Msg == WM_CTLCOLORLISTBOX) {
        CallPrevWndProc(m);
        return;
    }
    TkvComboBoxWnd::WndProc(m);
    if (m.Msg == WM_PARENTNOTIFY && LOWORD(m.WParam) == WM_CREATE && !Unhooked) WrapListBoxes();
}
