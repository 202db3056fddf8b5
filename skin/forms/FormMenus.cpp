#include "skin/forms/FormMenus.h"

#include "classlib/Forms.h"
#include "classlib/Menus.h"
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

// The index-th visible item of a menu line: the window's menu holds the
// visible items only, in order.
TMenuItem* VisibleItem(TMenuItem* line, int index)
{
    for (int i = 0; line && i < line->Count(); ++i)
        if (line->Items(i)->Visible() && index-- == 0)
            return line->Items(i);
    return nullptr;
}

// One item of the form's menu line in the provider's frame picture, painted
// by the skinned menus as the item's own owner-draw handler would.
bool PaintFormMenuLineItem(TsSkinProvider& provider, HMENU, int index, HDC dc, const RECT& r)
{
    TCustomForm* form = provider.FormOf();
    TsSkinManager* m = provider.Manager();
    TMenuItem* item = form && form->Menu() ? VisibleItem(form->Menu()->Items(), index) : nullptr;
    if (!m || !item)
        return false;
    TCanvas canvas;
    canvas.SetHandle(dc);
    m->SkinableMenus().PaintMenuLineItem(item, canvas, r, 0);
    canvas.SetHandle(nullptr);
    return true;
}

}  // namespace

void InitFormMenusUnit()
{
    MenuLineItemPainter = PaintFormMenuLineItem;
}
