#include "skin/forms/MDIMerge.h"

#include <algorithm>

#include "classlib/Menus.h"
#include "skin/forms/MDIForm.h"
#include "skin/forms/SkinProvider.h"

namespace {

// One entry of src copied to dst at pos, a sub-menu copied with all it holds.
void CopyEntry(HMENU src, int index, HMENU dst, int pos);

HMENU CopyPopup(HMENU src)
{
    HMENU dst = CreatePopupMenu();
    for (int i = 0; i < GetMenuItemCount(src); ++i)
        CopyEntry(src, i, dst, i);
    return dst;
}

void CopyEntry(HMENU src, int index, HMENU dst, int pos)
{
    wchar_t text[512] = {};
    MENUITEMINFOW mi{};
    mi.cbSize = sizeof mi;
    mi.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_DATA | MIIM_SUBMENU | MIIM_STRING;
    mi.dwTypeData = text;
    mi.cch = UINT(sizeof text / sizeof *text - 1);
    if (!GetMenuItemInfoW(src, UINT(index), TRUE, &mi))
        return;
    if (mi.fType & (MFT_OWNERDRAW | MFT_SEPARATOR | MFT_BITMAP))
        mi.fMask &= ~UINT(MIIM_STRING);
    else
        mi.dwTypeData = text;
    if (mi.hSubMenu)
        mi.hSubMenu = CopyPopup(mi.hSubMenu);
    InsertMenuItemW(dst, UINT(pos), TRUE, &mi);
}

// The group of an entry of the main menu line: the item its command number
// names; -1 for entries no item names (the system's, a menu made by hand).
int GroupOf(HMENU bar, int index)
{
    MENUITEMINFOW mi{};
    mi.cbSize = sizeof mi;
    mi.fMask = MIIM_ID;
    if (!GetMenuItemInfoW(bar, UINT(index), TRUE, &mi))
        return -1;
    TMenuItem* item = TMenuItem::FindByCommand(mi.wID);
    return item ? item->GroupIndex() : -1;
}

// The maximised child's buttons the system appends to the menu line.
bool IsChildButtonEntry(HMENU bar, int index)
{
    const UINT id = GetMenuItemID(bar, index);
    return id == SC_MINIMIZE || id == SC_RESTORE || id == SC_CLOSE || id == SC_MAXIMIZE;
}

HWND ActiveChild(TCustomForm* main, bool* maximized = nullptr)
{
    if (!main || !main->ClientHandle())
        return nullptr;
    BOOL zoomed = FALSE;
    HWND active = HWND(SendMessageW(main->ClientHandle(), WM_MDIGETACTIVE, 0, LPARAM(&zoomed)));
    if (maximized)
        *maximized = zoomed != FALSE;
    return active;
}

}  // namespace

TsMDIMerge::~TsMDIMerge() { Unmerge(); }

bool TsMDIMerge::StillMerged() const
{
    if (ids_.empty())
        return true;
    if (!bar_ || !IsMenu(bar_))
        return false;
    for (int i = 0; i < GetMenuItemCount(bar_); ++i) {
        MENUITEMINFOW mi{};
        mi.cbSize = sizeof mi;
        mi.fMask = MIIM_ID;
        if (GetMenuItemInfoW(bar_, UINT(i), TRUE, &mi) && mi.wID == ids_.front())
            return true;
    }
    return false;
}

void TsMDIMerge::Unmerge()
{
    if (bar_ && IsMenu(bar_) && !ids_.empty()) {
        for (int i = GetMenuItemCount(bar_) - 1; i >= 0; --i) {
            MENUITEMINFOW mi{};
            mi.cbSize = sizeof mi;
            mi.fMask = MIIM_ID | MIIM_SUBMENU;
            if (!GetMenuItemInfoW(bar_, UINT(i), TRUE, &mi) ||
                std::find(ids_.begin(), ids_.end(), mi.wID) == ids_.end())
                continue;
            // Found here, so the copy is ours and alive (a main menu built
            // anew has destroyed its copies already).
            RemoveMenu(bar_, UINT(i), MF_BYPOSITION);
            if (mi.hSubMenu)
                DestroyMenu(mi.hSubMenu);
        }
        if (main_ && IsWindow(main_))
            DrawMenuBar(main_);
    }
    ids_.clear();
    child_ = nullptr;
    menu_ = nullptr;
    menuBuild_ = -1;
}

void TsMDIMerge::Merge(HMENU bar, TMainMenu* menu)
{
    HMENU src = menu->Handle();
    TMenuItem* root = menu->Items();
    // The platform menu holds the visible items in the order of the items.
    std::vector<TMenuItem*> visible;
    for (int i = 0; i < root->Count(); ++i)
        if (root->Items(i)->Visible())
            visible.push_back(root->Items(i));
    const int count = std::min(int(visible.size()), GetMenuItemCount(src));
    for (int k = 0; k < count; ++k) {
        const int group = visible[size_t(k)]->GroupIndex();
        int end = GetMenuItemCount(bar);
        while (end > 0 && IsChildButtonEntry(bar, end - 1))
            --end;
        int pos = end;
        for (int i = 0; i < end; ++i)
            if (GroupOf(bar, i) > group) {
                pos = i;
                break;
            }
        CopyEntry(src, k, bar, pos);
        ids_.push_back(visible[size_t(k)]->Command());
    }
}

bool TsMDIMerge::Follow(TsSkinProvider& p)
{
    TCustomForm* main = p.FormOf();
    if (following_ || !main || !p.FormAlive() || main->FormStyle() != TFormStyle::fsMDIForm)
        return false;
    following_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{following_};

    bool changed = false;
    HWND wnd = p.Window();
    // The caption the system gives the main window (with a maximised child's in brackets).
    if (String now = ReadWindowText(wnd); now != caption_) {
        caption_ = now;
        changed = true;
    }
    HWND active = ActiveChild(main);
    auto* child = active ? dynamic_cast<TCustomForm*>(TWinControl::FindControl(active)) : nullptr;
    TMainMenu* menu = child && !child->Destroying() ? child->Menu() : nullptr;
    HMENU bar = GetMenu(wnd);
    const bool same = bar == bar_ && active == child_ && menu == menu_ &&
                      (!menu || menu->BuildCount() == menuBuild_) && StillMerged();
    if (!same) {
        Unmerge();
        main_ = wnd;
        bar_ = bar;
        if (bar && menu && menu->Items()->Count() > 0) {
            Merge(bar, menu);
            child_ = active;
            menu_ = menu;
            menuBuild_ = menu->BuildCount();
        }
        // The frame is painted anew with the line measured again (also by the
        // paint the menu bar's new size brings).
        p.ResetMenuLineCount();
        if (p.SkinData())
            p.SkinData()->BackgroundChanged = true;
        if (bar)
            DrawMenuBar(wnd);
        changed = true;
    }
    if (changed && p.SkinData())
        p.SkinData()->BackgroundChanged = true;
    return changed;
}

void FollowMDIChildren(TsSkinProvider& p)
{
    TCustomForm* f = p.FormOf();
    if (!f || f->FormStyle() != TFormStyle::fsMDIForm || !p.Skinned())
        return;
    // The companion (and the client's wrapper) when nothing made it yet.
    if (!MDIFormOf(p))
        UpdateMDIFormOf(p);
    if (TsMDIForm* mdi = MDIFormOf(p))
        mdi->Merge().Follow(p);
}
