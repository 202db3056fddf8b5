#include "skin/controls/MenuWnd.h"

#include <algorithm>

#include "classlib/Forms.h"
#include "skin/core/MaskPaintBitmap.h"
#include "skin/core/MenuWindows.h"
#include "skin/core/SkinManager.h"
#include "skin/graphics/Bitmap32.h"
#include "skin/graphics/LayeredApi.h"

namespace {

std::vector<TkvMnuWnd*>& List()
{
    static std::vector<TkvMnuWnd*> list;
    return list;
}

bool IsMenuWindowClass(HWND wnd)
{
    wchar_t name[16] = {};
    return wnd && GetClassNameW(wnd, name, 16) > 0 && wcscmp(name, L"#32768") == 0;
}

// Where the items' area starts in the window.
POINT ClientOffset(HWND wnd)
{
    RECT wr;
    GetWindowRect(wnd, &wr);
    POINT p{0, 0};
    ClientToScreen(wnd, &p);
    return POINT{p.x - wr.left, p.y - wr.top};
}

void SetLayered(HWND wnd, bool on)
{
    LONG ex = GetWindowLongW(wnd, GWL_EXSTYLE);
    LONG want = on ? (ex | WS_EX_LAYERED) : (ex & ~WS_EX_LAYERED);
    if (want != ex) SetWindowLongW(wnd, GWL_EXSTYLE, want);
}

struct Depth {
    int& d;
    explicit Depth(int& v) : d(v) { ++d; }
    ~Depth() { --d; }
};

}  // namespace

TkvMnuWnd::TkvMnuWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
                     bool repaint)
    : TkvScrollWnd(handle, commonData, skinManager, skinSection, repaint)
{
}

TkvMnuWnd::~TkvMnuWnd()
{
    auto& l = List();
    l.erase(std::remove(l.begin(), l.end(), this), l.end());
}

bool TkvMnuWnd::Skinned() const { return MenuWindowShown && SkinnedMenusPaintMenuWindows(SkinManager); }

void TkvMnuWnd::ShowAtSkinAlpha()
{
    TsSkinManager* m = SkinManager ? SkinManager : DefaultManager;
    uint8_t alpha = m ? m->MenuSupport.AlphaBlend : 255;
    if (alpha == 255 || !SetLayeredWindowAttributesFn) {
        SetLayered(Handle, false);
    } else {
        SetLayered(Handle, true);
        SetLayeredWindowAttributesFn(Handle, 0, alpha, LWA_ALPHA);
    }
    transparent_ = false;
    WindowShown = true;
}

void TkvMnuWnd::PaintMenuWindow()
{
    RECT wr;
    GetWindowRect(Handle, &wr);
    int w = wr.right - wr.left, h = wr.bottom - wr.top;
    if (cache_ && (cache_->Width() != w || cache_->Height() != h)) bgChanged_ = true;
    if (!bgChanged_ && cache_) return;
    TsSkinManager* m = SkinManager ? SkinManager : DefaultManager;
    cache_ = NewBitmap32(std::max(w, 1), std::max(h, 1));
    int section = m ? m->FindSectionIndex(L"MAINMENU") : -1;
    if (section >= 0)
        PaintSkinItem(section, L"MAINMENU", EmptyBgCacheInfo, -1, -1, m, cache_.get(), POINT{}, RECT{0, 0, w, h}, 0, 0);
    else
        FillRect32(cache_.get(), RECT{0, 0, w, h}, clMenu, 255);
    bgChanged_ = false;
}

void TkvMnuWnd::PaintBorder()
{
    RECT wr;
    GetWindowRect(Handle, &wr);
    TBitmap* picture = MenuWindowPicture(Handle);
    if (!picture || picture->Width() != wr.right - wr.left || picture->Height() != wr.bottom - wr.top) {
        PaintMenuWindow();
        picture = cache_.get();
    }
    HDC dc = GetWindowDC(Handle);
    if (!dc) return;
    const int b = MenuWindowBorder;
    int w = picture->Width(), h = picture->Height();
    HDC src = picture->Canvas().Handle();
    BitBlt(dc, 0, 0, w, b, src, 0, 0, SRCCOPY);
    BitBlt(dc, 0, h - b, w, b, src, 0, h - b, SRCCOPY);
    BitBlt(dc, 0, 0, b, h, src, 0, 0, SRCCOPY);
    BitBlt(dc, w - b, 0, b, h, src, w - b, 0, SRCCOPY);
    ReleaseDC(Handle, dc);
}

void TkvMnuWnd::WndProc(TMessage& m)
{
    Depth running(depth_);
    switch (m.Msg) {
    case WM_DESTROY:
    case WM_NCDESTROY: {
        if (Unhooked) {
            if (HasPrevious()) CallPrevWndProc(m);
            else m.Result = DefWindowProcW(Handle, m.Msg, m.WParam, m.LParam);
            return;
        }
        HWND wnd = Handle;
        CallPrevWndProc(m);
        TkvMainWnd* self = this;
        UnhookWindow(wnd, false, false, self);
        Unhooked = true;
        RegionSet = false;
        dead_ = true;
        MenuWindowDestroyed(wnd);
        for (TkvMnuWnd* other : List())
            if (other != this && !other->Unhooked && IsWindow(other->Handle))
                RedrawWindow(other->Handle, nullptr, nullptr, RDW_FRAME | RDW_UPDATENOW | RDW_INVALIDATE);
        MenuWindowShown = false;
        return;
    }
    case WM_TIMER:
        CallPrevWndProc(m);
        return;
    default:
        break;
    }
    if (Unhooked) {
        CallPrevWndProc(m);
        return;
    }
    if (m.Msg == SkinCommandMessage) {
        switch (HIWORD(m.WParam)) {
        case SkinCmdIsSkinned:
            m.Result = 1;
            return;
        case SkinCmdSetUpdating:
            m.Result = RegionSet ? 1 : 0;
            return;
        case SkinCmdMenuRegionSet:
            // Once the region is in, the skinned menus do not set it again
            // (setting it repaints the window, which would set it again).
            RegionSet = true;
            if (IsWindowVisible(Handle)) RegionApplied = true;
            m.Result = 0;
            return;
        case unsigned(TsSkinCommand::GetApplication):
            m.Result = LRESULT(Application);
            return;
        default:
            break;
        }
    }
    if (!MenuWindowShown) {
        if (transparent_) ShowAtSkinAlpha();   // never left invisible
        TkvScrollWnd::WndProc(m);
        return;
    }
    switch (m.Msg) {
    case WM_ERASEBKGND: {
        if (transparent_ && !Skinned()) ShowAtSkinAlpha();
        PaintMenuWindow();
        POINT off = ClientOffset(Handle);
        RECT cr;
        GetClientRect(Handle, &cr);
        if (m.WParam)
            BitBlt(HDC(m.WParam), 0, 0, cr.right, cr.bottom, cache_->Canvas().Handle(), off.x, off.y, SRCCOPY);
        RegionApplied = false;
        m.Result = 1;
        return;
    }
    case WM_WINDOWPOSCHANGING: {
        TkvScrollWnd::WndProc(m);
        if (inPosChanging_ || Unhooked) return;
        inPosChanging_ = true;
        auto* wp = reinterpret_cast<WINDOWPOS*>(m.LParam);
        // Transparent only where the painting below makes the window visible again.
        if (wp && !(wp->flags & SWP_NOREDRAW) && (wp->flags & SWP_SHOWWINDOW) && !IsWindowVisible(Handle) &&
            Skinned() && SetLayeredWindowAttributesFn) {
            SetLayered(Handle, true);
            SetLayeredWindowAttributesFn(Handle, 0, 0, LWA_ALPHA);
            transparent_ = true;
        }
        inPosChanging_ = false;
        return;
    }
    case WM_NCPAINT: {
        if (!Skinned()) {
            if (transparent_) ShowAtSkinAlpha();
            TkvScrollWnd::WndProc(m);
            return;
        }
        PaintBorder();
        ShowAtSkinAlpha();
        m.Result = 0;
        return;
    }
    case WM_PAINT: {
        // A window that got no frame painting is shown before it paints.
        if (transparent_) ShowAtSkinAlpha();
        TkvScrollWnd::WndProc(m);
        // A menu window without a frame of its own (its client area is the
        // whole window) draws its own edge while painting: the skin's border
        // goes over it afterwards.
        POINT off = ClientOffset(Handle);
        if (off.x == 0 && off.y == 0 && Skinned() && !Unhooked) PaintBorder();
        return;
    }
    default:
        TkvScrollWnd::WndProc(m);
        return;
    }
}

// ---------------------------------------------------------------- the list

const std::vector<TkvMnuWnd*>& MenuWrappers() { return List(); }

void FreeMenuWrappers()
{
    std::vector<TkvMnuWnd*> all = List();
    for (TkvMnuWnd* w : all) {
        if (w->Running()) continue;
        if (!w->Unhooked && IsWindow(w->Handle)) {
            TkvMainWnd* self = w;
            UnhookScrollWnd(w->Handle, false, false, self);
        }
        delete w;
    }
}

namespace {
void PruneDead()
{
    std::vector<TkvMnuWnd*> all = List();
    for (TkvMnuWnd* w : all)
        if (w->Dead() && !w->Running()) delete w;
}
}  // namespace

TkvMnuWnd* AttachMenuWindow(HWND menuWindow, TsSkinManager* manager)
{
    PruneDead();
    if (!IsMenuWindowClass(menuWindow) || GetWrapper(menuWindow)) return nullptr;
    RegisterMenuWrappers();
    TsSkinManager* m = manager ? manager : DefaultManager;
    auto* w = CreateWrapper<TkvMnuWnd>(menuWindow, nullptr, m, String(L"MAINMENU"), false);
    List().push_back(w);
    return w;
}

void RegisterMenuWrappers()
{
    static bool done = false;
    if (done) return;
    done = true;
    RegisterMenuWrappersFreer(&FreeMenuWrappers);
}
