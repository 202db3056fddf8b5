// Where the skinned menus (SkinMenus.h) and the popup-menu window wrapper
// (skin/controls/MenuWnd.h) meet: what one side makes and the other uses for a
// popup-menu window ("#32768").
//
// The sizes both sides agree on:
// - the picture of a popup-menu window is exactly as large as the window
//   (its window rectangle, border included); a picture of another size is
//   stale and the wrapper paints the window from the section instead;
// - the window's client area, where the items lie, starts MenuWindowBorder
//   (3) pixels in from each side: an item at (x, y) of the client lies at
//   (x + 3, y + 3) of the picture;
// - the border the wrapper copies to the window is the outer ring of the
//   picture, MenuWindowBorder pixels wide.
#pragma once
#include <windows.h>

#include "classlib/Graphics.h"

class TsSkinManager;

constexpr int MenuWindowBorder = 3;

// On from the moment the skinned menus measure the items of a popup that is
// about to open until the wrapper of that popup's window sees it destroyed.
extern bool MenuWindowShown;

// The picture the skinned menus keep for the menu window (nil: none). Not owned.
TBitmap* MenuWindowPicture(HWND menuWindow);
// Whether the skinned menus of the manager (nil: the default one) paint menu
// windows now: the skin is active, the manager skins popups and its skinned
// menus are active.
bool SkinnedMenusPaintMenuWindows(TsSkinManager* manager);
// Lets go of every menu window the manager's (nil: the default one's) wrappers
// hold: each window gets its own procedure back, loses the skin's region and
// transparency and paints plainly; an open menu keeps working. Filled in by
// the form menus unit (the wrappers live above this layer); the skinned menus
// call it when they go inactive. Nil: nothing to let go.
extern void (*ReleaseMenuWindows)(TsSkinManager* manager);
// Told by the wrapper when a menu window is destroyed: the popup picture made
// for that window is dropped and MenuWindowShown cleared.
void MenuWindowDestroyed(HWND menuWindow);
