#include "skin/core/ControlTreePaint.h"

#include <algorithm>
#include <vector>

#include "classlib/Forms.h"
#include "skin/core/BgRequest.h"
#include "skin/graphics/SkinCommands.h"
#include "skin/core/Animations.h"
#include "skin/graphics/Bitmap32.h"
#include "skin/graphics/Constants.h"

namespace {

bool paintingGraphicChildren = false;

// Moves the DC's origin so that (0, 0) lands on (dx, dy) of the current origin.
void MoveOrigin(HDC dc, int dx, int dy)
{
    POINT org;
    GetViewportOrgEx(dc, &org);
    SetViewportOrgEx(dc, org.x + dx, org.y + dy, nullptr);
}

RECT Intersect(const RECT& a, const RECT& b)
{
    RECT r{};
    IntersectRect(&r, &a, &b);
    return r;
}

bool Empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

// Where the client area of a windowed control lies in its window.
POINT ClientOffsetOf(TWinControl* c, TsProviderSeam* provider)
{
    if (provider) return provider->ClientOffset();
    if (!c->HandleAllocated()) return POINT{0, 0};
    RECT r = GetClientRectInWindow(c->Handle());
    return POINT{r.left, r.top};
}

void FillSolid(HDC dc, const RECT& r, TColor color)
{
    BrushHandle b(CreateSolidBrush(ColorToRGB(color)));
    FillRect(dc, &r, b.get());
}

// Step 1: a hidden control shows what its parent has under it.
void PaintParentBackground(TBitmap* bmp, TControl* control, int x, int y)
{
    TsBgRequest request;
    request.Kind = bgNone;
    request.PaintIt = 0;
    GetParentBgByControl(request, control->Parent(), false);
    HDC dc = bmp->Canvas().Handle();
    const int w = control->Width(), h = control->Height();
    if (request.Kind == bgBitmap && request.Bmp) {
        BitBlt(dc, x, y, w, h, request.Bmp->Canvas().Handle(), request.OffsetX + control->Left(),
               request.OffsetY + control->Top(), SRCCOPY);
    } else {
        FillSolid(dc, RECT{x, y, x + w, y + h}, request.Color);
    }
}

}  // namespace

void PaintWindowedControlTo(TWinControl* control, HDC dc)
{
    if (!control || !control->HandleAllocated()) return;
    HWND wnd = control->Handle();
    RECT client = GetClientRectInWindow(wnd);
    const bool hasFrame = client.left != 0 || client.top != 0 || client.right != control->Width() ||
                          client.bottom != control->Height();
    SavedDC saved(dc);
    if (hasFrame) {
        const LONG_PTR style = GetWindowLongPtrW(wnd, GWL_STYLE), ex = GetWindowLongPtrW(wnd, GWL_EXSTYLE);
        RECT whole{0, 0, control->Width(), control->Height()};
        if (!(style & WS_CHILD))
            SendMessageW(wnd, WM_PRINT, WPARAM(dc), PRF_NONCLIENT);   // caption and frame of a top-level window
        else if (ex & WS_EX_CLIENTEDGE)
            DrawEdge(dc, &whole, EDGE_SUNKEN, BF_RECT);
        else if (style & WS_BORDER)
            DrawEdge(dc, &whole, BDR_SUNKENOUTER, BF_RECT | BF_MONO);
    }
    MoveOrigin(dc, client.left, client.top);
    IntersectClipRect(dc, 0, 0, client.right - client.left, client.bottom - client.top);
    SendMessageW(wnd, WM_PRINTCLIENT, WPARAM(dc), PRF_CLIENT | PRF_ERASEBKGND);
}

void PaintControlTree(TBitmap* bmp, TControl* control, int x, TsProviderSeam* provider, int y)
{
    if (!bmp || !control || bmp->Empty()) return;
    if (!control->Visible() && control->Parent() && !provider) {
        PaintParentBackground(bmp, control, x, y);
        return;
    }
    HDC dc = bmp->Canvas().Handle();
    // The bitmap's DC is left as it was found (clip and origin).
    SavedDC keep(dc);
    const bool borderWindow = provider && provider->Border();
    if (!borderWindow) IntersectClipRect(dc, 0, 0, control->Width(), control->Height());

    // A skinned control paints its own look while it knows it is printed.
    // Printing goes by the class library's messages: WM_PAINT with a DC for a
    // graphic control; for a window its frame, then WM_PRINTCLIENT at the
    // client's place (a bare WM_PRINT paints nothing where the default
    // procedure handles it, and puts a framed window's client at 0, 0 on Wine).
    auto* win = dynamic_cast<TWinControl*>(control);
    if (!win) {
        const bool skinned = QueryControlSkinFlag(control, SkinCmdIsSkinned);
        if (skinned) SendSkinCommand(control, TsSkinCommand::SetPrintTarget, LPARAM(dc));
        control->Perform(WM_PAINT, WPARAM(dc), 0);
        if (skinned) SendSkinCommand(control, TsSkinCommand::SetPrintTarget);
        return;
    }
    if (!win->HandleAllocated()) return;

    const bool skinned = QueryControlSkinFlag(win, SkinCmdIsSkinned);
    if (skinned) SendSkinCommand(win->Handle(), TsSkinCommand::SetPrintTarget, LPARAM(dc));
    {
        // A provider's picture may put the window elsewhere (a border window's
        // shadow around it): the client area goes where the provider says.
        SavedDC saved(dc);
        if (provider) {
            const RECT own = GetClientRectInWindow(win->Handle());
            const POINT to = provider->ClientOffset();
            MoveOrigin(dc, to.x - own.left, to.y - own.top);
        }
        PaintWindowedControlTo(win, dc);
    }
    if (skinned) SendSkinCommand(win->Handle(), TsSkinCommand::SetPrintTarget);

    // Children lie in the client area, which a frame moves inside the window.
    const POINT client = ClientOffsetOf(win, provider);
    for (int i = 0; i < win->ControlCount(); ++i) {
        auto* child = dynamic_cast<TWinControl*>(win->Controls(i));
        if (!child || !child->Visible()) continue;
        SavedDC saved(dc);
        const bool topLevelForm = dynamic_cast<TCustomForm*>(child) && !child->Parent();
        if (!topLevelForm) MoveOrigin(dc, client.x + child->Left(), client.y + child->Top());
        PaintControlTree(bmp, child, child->Left(), nullptr, child->Top());
    }

    if (borderWindow) {
        // Opaque client area; the rectangle is held inside the bitmap on all sides.
        RECT r = win->ClientRect();
        OffsetRect(&r, client.x, client.y);
        r = Intersect(r, RECT{0, 0, bmp->Width(), bmp->Height()});
        if (!Empty(r)) {
            GdiFlush();
            SetAlphaInRect(bmp, r, 255, NoColorValue);
        }
    }
}

void PaintGraphicChildren(HDC dc, TWinControl* control, POINT offset, bool onlyWhenVisible)
{
    if (paintingGraphicChildren || !dc || !control) return;
    struct Guard {
        Guard() { paintingGraphicChildren = true; }
        ~Guard() { paintingGraphicChildren = false; }
    } guard;

    const bool designing = (control->ComponentState() & csDesigning) != 0;
    if (!(control->Visible() || designing || !onlyWhenVisible) || control->ControlCount() == 0) return;

    RECT clip{};
    int kind = GetClipBox(dc, &clip);
    if (kind == NULLREGION || kind == ERROR || clip.right <= clip.left || clip.bottom <= clip.top) {
        if (control->HandleAllocated()) SendSkinCommand(control->Handle(), TsSkinCommand::SetPartlyCovered);
        return;
    }

    TsBgRequest bg;
    bg.Kind = bgNone;
    bg.PaintIt = 0;
    // The children's parent is the control: it answers what lies under them.
    GetParentBgByControl(bg, control, false);

    auto boundsInTarget = [&](TControl* c) {
        RECT r = c->BoundsRect();
        OffsetRect(&r, offset.x, offset.y);
        return r;
    };
    std::vector<TGraphicControl*> children;
    for (int i = 0; i < control->ControlCount(); ++i) {
        auto* g = dynamic_cast<TGraphicControl*>(control->Controls(i));
        if (!g || !(g->Visible() || designing) || g->Width() <= 0 || g->Height() <= 0 || g->Destroying()) continue;
        RECT r = boundsInTarget(g);
        if (!RectVisible(dc, &r)) continue;
        children.push_back(g);
    }
    if (children.empty()) return;

    const int w = control->Width(), h = control->Height();
    MemoryDC memDC;
    BitmapHandle image;
    {
        WindowDC screen(nullptr);
        memDC = CreateMemoryDC(screen.get());
        image.reset(CreateCompatibleBitmap(screen.get(), std::max(1, w), std::max(1, h)));
    }
    HDC mem = memDC.get();
    SelectScope selectImage(mem, image.get());

    // Background under every child first.
    HDC bgDC = bg.Bmp ? bg.Bmp->Canvas().Handle() : nullptr;
    const int bw = bg.Bmp ? bg.Bmp->Width() : 0, bh = bg.Bmp ? bg.Bmp->Height() : 0;
    for (TGraphicControl* g : children) {
        const RECT r = g->BoundsRect();
        if (g->ControlStyle() & csOpaque) {
            FillSolid(mem, r, GetControlBgColor(g));
        } else if (bg.Kind == bgBitmap && bgDC) {
            BitBlt(mem, r.left, r.top, g->Width(), g->Height(), bgDC, r.left + bg.OffsetX, r.top + bg.OffsetY,
                   SRCCOPY);
        } else if (bgDC) {
            FillSolid(mem, r, bg.Color);
            // The parent's frame strips come from its picture.
            const RECT inBmp{r.left + bg.OffsetX, r.top + bg.OffsetY, r.right + bg.OffsetX, r.bottom + bg.OffsetY};
            const RECT strips[4] = {
                RECT{0, 0, bw, bg.FrameWidths[1]},
                RECT{0, 0, bg.FrameWidths[0], bh},
                RECT{0, bh - bg.FrameWidths[3], bw, bh},
                RECT{bw - bg.FrameWidths[2], 0, bw, bh},
            };
            for (const RECT& s : strips) {
                RECT part = Intersect(inBmp, s);
                if (Empty(part)) continue;
                BitBlt(mem, part.left - bg.OffsetX, part.top - bg.OffsetY, part.right - part.left,
                       part.bottom - part.top, bgDC, part.left, part.top, SRCCOPY);
            }
        } else {
            FillSolid(mem, r, bg.Color);
        }
    }

    for (TGraphicControl* g : children) {
        RECT target = boundsInTarget(g);
        RECT seen = Intersect(target, clip);
        if (!EqualRect(&seen, &target)) SendSkinCommand(g, TsSkinCommand::SetPartlyCovered);
        SavedDC saved(mem);
        MoveOrigin(mem, g->Left(), g->Top());
        IntersectClipRect(mem, 0, 0, g->Width(), g->Height());
        g->Perform(WM_PAINT, WPARAM(mem), 0);
    }

    GdiFlush();
    for (TGraphicControl* g : children) {
        // The child was painted at its own place in the off-screen picture.
        if (g->Left() >= 0 && g->Top() >= 0 && g->Left() < w && g->Top() < h) {
            COLORREF c = GetPixel(mem, g->Left(), g->Top());
            if (c == RGB(0xFF, 0x00, 0xFF)) continue;
        }
        BitBlt(dc, g->Left() + offset.x, g->Top() + offset.y, g->Width(), g->Height(), mem, g->Left(), g->Top(),
               SRCCOPY);
    }
}
