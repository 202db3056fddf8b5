#include "skin/forms/FormMenus.h"

#include "classlib/Forms.h"
#include "classlib/Menus.h"
#include "skin/core/SkinManager.h"
#include "skin/core/SkinMenus.h"
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
