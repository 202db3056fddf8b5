// The client side of a skinned form: its client area painted from the skin
// (the part of the frame picture that lies under the client, or the form's own
// colour when it sets one), the background a form placed inside another
// control stands on, and the window menu of an MDI main form, which lists the
// children the way the skin's menus show them.
//
// The provider's members PaintClientBackground, PaintClient, FormClientColor
// and BuildWindowMenu are defined here; the rows of the form window procedure
// that call them (WM_PAINT, WM_ERASEBKGND, WM_INITMENUPOPUP, WM_COMMAND) too.
#pragma once
#include <windows.h>

#include <vector>

#include "skin/forms/SkinProvider.h"

// The background a child form's frame picture starts from: its parent's answer
// to the background request, moved to the form's place. Forms without a parent
// control stand on nothing (the empty background). False when the parent's
// own picture is not ready yet: the form's skin data is then marked updating
// and the frame waits for the parent's notice (skin command 6).
bool FormParentBackground(TsSkinProvider& p, TsBgCacheInfo& info);

// The client rectangle's top-left corner inside the frame picture.
POINT ClientOriginInFrame(TsSkinProvider& p);

// ---- the window menu
// Item data that marks the entries BuildWindowMenu added to a window menu.
constexpr ULONG_PTR WindowMenuItemTag = 0x4B570200;
// The first command number of those entries (one per listed child): above
// the numbers of the class library's menu items, below the client's own list.
constexpr UINT WindowMenuFirstCommand = 0xFE00;
// The children BuildWindowMenu listed last, by command number; nil for a
// command that is not one of them.
HWND WindowMenuChildOf(TsSkinProvider& p, UINT command);

// ---- rows of the form window procedure
// WM_PAINT: the provider paints the client (MDI main forms and forms without
// DrawClientArea pass it on).
void ClientPaintRow(TsSkinProvider& p, TMessage& m);
// WM_ERASEBKGND: the client's background from the skin, answered 1.
void ClientEraseRow(TsSkinProvider& p, TMessage& m);
// WM_INITMENUPOPUP after it was passed on: an MDI main form's window menu
// lists its children.
void WindowMenuPopupRow(TsSkinProvider& p, TMessage& m);
// WM_COMMAND: an entry of the window menu brings its child to the front;
// true when the command was one (the message is then answered).
bool WindowMenuCommandRow(TsSkinProvider& p, TMessage& m);
