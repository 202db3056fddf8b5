// The wrapper each class-name list selects when the control adapter skins a
// form's controls. The adapter lives with the forms, the wrappers here: each
// wrapper unit registers a factory for its list index, so a list whose
// wrapper is not built (or not linked) simply gets no wrapper.
#pragma once
#include "skin/controls/MainWnd.h"

// Makes and attaches the wrapper of one control's window. The control is
// given for the wrappers that keep it (the scroll-bar control); nil result:
// nothing attached.
using TkvAdapterWrapperFactory = TkvMainWnd* (*)(TControl* control, HWND handle, TsCommonData* data,
                                                 TsSkinManager* manager, const String& section, bool repaint);

// Replaces the factory of one list (0..21); nil removes it. Out-of-range indexes do nothing.
void RegisterAdapterWrapper(int listIndex, TkvAdapterWrapperFactory factory);
// The factory of a list, nil when none is registered.
TkvAdapterWrapperFactory AdapterWrapperFactory(int listIndex);

// Registers the wrapper of every list: edits (memos and list boxes with
// them), combo boxes and the other package's combo, grids and the extended
// grid, list views, tree views and the virtual tree, buttons, bitmap buttons,
// check boxes, group boxes, panels, page and tab controls, tool and status
// bars, scroll boxes, up-down buttons, scroll bars and static texts (speed
// buttons are graphic controls: the adapter gives them their handler). Idempotent.
void RegisterStandardAdapterWrappers();
