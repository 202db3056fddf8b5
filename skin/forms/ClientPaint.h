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

#include "skin/core/BgRequest.h"
#include "skin/forms/SkinProvider.h"

// The background a child form's frame picture starts from: its parent's answer
// to the background request, moved to the form's place. Forms without a parent
// control stand on nothing (the empty background). False when the parent's
// own picture is not ready yet: the form's skin data is then marked updating
// and the frame waits for the parent's notice (skin command 6).
bool FormParentBackground(TsSkinProvider& p, TsBgCacheInfo& info);

// The client rectangle's top-left corner inside the frame picture.
POINT ClientOriginInFrame(TsSkinProvider& p);

// ---- the size grip
// Where the size grip shows in the client area (GripMode gmRightBottom on a
// sizeable form that is not zoomed): the skin's grip mask (GRIPIMAGE, else a
// scroll-bar square) 1 px inside the client's bottom-right corner, where the
// hit test answers HTBOTTOMRIGHT. Empty when no grip shows.
RECT SizeGripClientRect(TsSkinProvider& p);
// The skin's grip mask painted over what dc shows at the grip's place.
void PaintSizeGrip(TsSkinProvider& p, HDC dc);

// ---- the form's own drawing
// True when the form draws on its client itself (it has an OnPaint handler).
bool FormDrawsItself(const TsSkinProvider& p);
// The form's own drawing into the frame picture: its OnPaint runs on the
// form's canvas bound to the picture, with the origin at the client's place
// and clipped to the client, so that the client shows the drawing over the
// skin's background and whatever copies the picture (the border window, the
// background answered to children, printing, snapshots) has it too. Called
// at the end of every frame paint.
void PaintFormDrawing(TsSkinProvider& p, TBitmap& picture);
// The background a child of a form that draws itself stands on: the frame
// picture itself (with the drawing), placed at the client's origin. False
// (nothing answered) for other forms or while the picture cannot be had.
bool AnswerBackgroundWithDrawing(TsSkinProvider& p, TsBgRequest& request);
// WM_PRINT with PRF_CLIENT: the client as the screen shows it (the skin's
// picture with the form's drawing) into dc, whose origin is the window's
// top-left corner. False when the provider does not paint this client.
bool PrintClientArea(TsSkinProvider& p, HDC dc);

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
