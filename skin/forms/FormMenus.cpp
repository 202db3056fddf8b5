#include "skin/forms/FormMenus.h"

#include <algorithm>
#include <vector>

#include "classlib/Forms.h"
#include "classlib/Menus.h"
#include "skin/controls/MenuWnd.h"
#include "skin/core/MenuWindows.h"
#include "skin/core/SkinManager.h"
#include "skin/core/SkinMenus.h"
#include "skin/forms/FramePaint.h"
#include "skin/forms/SkinProvider.h"

void UpdateFormMenus(TsSkinProvider& provider, bool attach)
{
    TCustomForm* form = provider.FormOf();
    TsSkinManager* m = provider.Manager();
    if (!form || !m || !form->Menu() || (form->ComponentState() & csLoading)) return;
    TMainMenu* menu = form->Menu();
    TsSkinableMenus& menus = m->SkinableMenus();
    bool on = attach && m->Active() && m->SkinData().Active;
    menus.AttachMainMenu(menu, on);
    for (int i = 0; i < menu->Items()->Count(); ++i)
        menus.AttachSubItems(menu->Items()->Items(i), on && m->SkinnedPopups());
    if (form->HandleAllocated()) DrawMenuBar(form->Handle());
}

void MeasureFormMenuItem(TsSkinProvider& provider, TMessage& message)
{
    TCustomForm* form = provider.FormOf();
    TsSkinManager* m = provider.Manager();
    auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(message.LParam);
    if (!form || !m || !form->Menu() || !mis || mis->CtlType != ODT_MENU) return;
    TMenuItem* item = TMenuItem::FindByCommand(UINT(mis->itemData));
    if (!item || item->GetParentMenu() != form->Menu() || !item->IsMenuLineItem() || !m->SkinableMenus().Active())
        return;
    HDC dc = CreateCompatibleDC(nullptr);
    TCanvas canvas;
    canvas.SetHandle(dc);
    int w = int(mis->itemWidth), h = int(mis->itemHeight);
    m->SkinableMenus().MeasureMenuLineItem(item, canvas, w, h);
    canvas.SetHandle(nullptr);
    DeleteDC(dc);
    mis->itemWidth = UINT(w > 0 ? w : 0);
    mis->itemHeight = UINT(h > 0 ? h : 0);
    message.Result = TRUE;
}

void PrepareFormContextMenu(TsSkinProvider& provider)
{
    TCustomForm* form = provider.FormOf();
    TsSkinManager* m = provider.Manager();
    if (!form || !m || !form->PopupMenu()) return;
    m->SkinableMenus().AttachMenu(form->PopupMenu(), m->SkinnedPopups() && m->Active() && m->SkinData().Active);
}

namespace {

// The item an entry of the menu line shows, found by the entry's command
// number: besides the form's own items the line may hold entries the form's
// menu does not make (a maximised MDI child's system menu first, the child's
// merged items among the form's), so the entry's place is not the item's.
TMenuItem* LineItemOf(HMENU menu, int index)
{
    MENUITEMINFOW mi{};
    mi.cbSize = sizeof mi;
    mi.fMask = MIIM_ID;
    if (!GetMenuItemInfoW(menu, UINT(index), TRUE, &mi))
        return nullptr;
    TMenuItem* item = TMenuItem::FindByCommand(mi.wID);
    return item && item->IsMenuLineItem() ? item : nullptr;
}

// The maximised child of an MDI main form whose system menu the entry opens:
// the system puts that entry first on the main form's menu line while the
// active child is maximised. Nil for any other entry.
HWND MaximisedChildOfEntry(TsSkinProvider& provider, HMENU menu, int index)
{
    TCustomForm* form = provider.FormOf();
    if (index != 0 || !form || form->FormStyle() != TFormStyle::fsMDIForm || !form->ClientHandle())
        return nullptr;
    BOOL maximized = FALSE;
    auto child = HWND(SendMessageW(form->ClientHandle(), WM_MDIGETACTIVE, 0, LPARAM(&maximized)));
    if (!child || !maximized)
        return nullptr;
    MENUITEMINFOW mi{};
    mi.cbSize = sizeof mi;
    mi.fMask = MIIM_SUBMENU | MIIM_FTYPE | MIIM_BITMAP;
    if (!GetMenuItemInfoW(menu, 0, TRUE, &mi) || !mi.hSubMenu)
        return nullptr;
    const bool picture = (mi.fType & MFT_BITMAP) || mi.hbmpItem;
    return mi.hSubMenu == GetSystemMenu(child, FALSE) || picture ? child : nullptr;
}

// The child's small icon, else its big one, else the application's, else the
// system's standard one.
HICON ChildIcon(HWND child)
{
    for (HWND wnd : {child, Application ? Application->Handle() : nullptr}) {
        if (!wnd)
            continue;
        if (auto icon = HICON(SendMessageW(wnd, WM_GETICON, ICON_SMALL, 0)))
            return icon;
        if (auto icon = HICON(GetClassLongPtrW(wnd, GCLP_HICONSM)))
            return icon;
        if (auto icon = HICON(SendMessageW(wnd, WM_GETICON, ICON_BIG, 0)))
            return icon;
        if (auto icon = HICON(GetClassLongPtrW(wnd, GCLP_HICON)))
            return icon;
    }
    return LoadIconW(nullptr, IDI_APPLICATION);
}

// The maximised child's icon in the place of its system-menu entry, 2 px
// smaller than the menu line and centred on the entry; opaque in the picture.
void PaintChildIcon(TsSkinProvider& provider, HWND child, HDC dc, const RECT& r)
{
    const int line = provider.MenuLineHeight() > 0 ? provider.MenuLineHeight() : int(r.bottom - r.top);
    const int size = std::max(1, line - 2);
    const int x = r.left + std::max(0, int(r.right - r.left - size) / 2);
    const int y = r.top + (int(r.bottom - r.top) - size) / 2;
    DrawIconEx(dc, x, y, ChildIcon(child), size, size, 0, nullptr, DI_NORMAL);
    GdiFlush();
    if (TBitmap* picture = FramePainterOf(provider).Cache(); picture && picture->Canvas().Handle() == dc) {
        const PixelView v = picture->View();
        for (int row = std::max(0, y); row < std::min(v.height, y + size); ++row)
            for (int col = std::max(0, x); col < std::min(v.width, x + size); ++col)
                v.Row(row)[col] |= 0xFF000000u;
    }
}

// One entry of the form's menu line in the provider's frame picture: a menu
// item painted by the skinned menus as its own owner-draw handler would, or a
// maximised MDI child's icon.
bool PaintFormMenuLineItem(TsSkinProvider& provider, HMENU menu, int index, HDC dc, const RECT& r)
{
    if (HWND child = MaximisedChildOfEntry(provider, menu, index)) {
        PaintChildIcon(provider, child, dc, r);
        return true;
    }
    TsSkinManager* m = provider.Manager();
    TCustomForm* form = provider.FormOf();
    TMenuItem* item = LineItemOf(menu, index);
    // The form's own items; a merged child's item is drawn as plain text.
    if (!m || !item || !form || item->GetParentMenu() != form->Menu())
        return false;
    TCanvas canvas;
    canvas.SetHandle(dc);
    m->SkinableMenus().PaintMenuLineItem(item, canvas, r, 0);
    canvas.SetHandle(nullptr);
    return true;
}

// The menu windows of the manager's wrappers go back to the system: the
// window's procedure, no region, no transparency, a plain repaint. A wrapper
// whose procedure runs now is unhooked but freed later (by the next release
// or at shut-down), never under its own feet.
void ReleaseManagerMenuWindows(TsSkinManager* manager)
{
    bool released = false;
    for (TkvMnuWnd* w : std::vector<TkvMnuWnd*>(MenuWrappers())) {
        if (manager && w->SkinManager && w->SkinManager != manager) continue;
        HWND wnd = w->Handle;
        if (!w->Unhooked && IsWindow(wnd)) {
            bool region = w->RegionSet || w->RegionApplied;
            TkvMainWnd* self = w;
            UnhookScrollWnd(wnd, false, false, self);
            // Only the skin sets layered attributes on a menu window.
            LONG ex = GetWindowLongW(wnd, GWL_EXSTYLE);
            BYTE alpha = 255;
            DWORD flags = 0;
            if ((ex & WS_EX_LAYERED) && GetLayeredWindowAttributes(wnd, nullptr, &alpha, &flags) && (flags & LWA_ALPHA))
                SetWindowLongW(wnd, GWL_EXSTYLE, ex & ~WS_EX_LAYERED);
            if (region) SetWindowRgn(wnd, nullptr, FALSE);
            RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
            released = true;
        }
        if (!w->Running()) delete w;
    }
    // No wrapper is left to see the open popup's window go.
    if (released) MenuWindowShown = false;
}

}  // namespace

void InitFormMenusUnit()
{
    MenuLineItemPainter = PaintFormMenuLineItem;
    ReleaseMenuWindows = ReleaseManagerMenuWindows;
}
