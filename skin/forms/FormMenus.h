// The menu rows of the form window procedure: the form's menu line and its
// context menu under the provider's manager.
#pragma once
#include "classlib/Controls.h"

class TsSkinProvider;

// Attaches (or detaches) the skinned menus to the form's menu line and its
// sub-menus, and redraws the line.
void UpdateFormMenus(TsSkinProvider& provider, bool attach);
// WM_MEASUREITEM after the form answered it: a top-level item of the form's
// menu line takes its size from the skinned menus.
void MeasureFormMenuItem(TsSkinProvider& provider, TMessage& message);
// WM_CONTEXTMENU before the form answers it: the form's popup menu is made
// owner-drawn for skinned popups (or plain again).
void PrepareFormContextMenu(TsSkinProvider& provider);
// Hands the frame painter the skinned menus' painter of menu-line items.
void InitFormMenusUnit();
