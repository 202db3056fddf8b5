// Window messages as the class library passes them around, and the library's
// own notification numbers (control notifications from 0xB000, reflected
// notifications from 0xBC00).
#pragma once
#include <windows.h>
#include <dlgs.h>

// The system's dialog headers define control identifiers such as edt1 and
// lst1 as macros; the windows of this program use those words as names.
#undef lst1
#undef lst2
#undef lst3
#undef lst4
#undef lst5
#undef lst6
#undef lst7
#undef lst8
#undef lst9
#undef lst10
#undef lst11
#undef lst12
#undef lst13
#undef lst14
#undef lst15
#undef lst16
#undef edt1
#undef edt2
#undef edt3
#undef edt4
#undef edt5
#undef edt6
#undef edt7
#undef edt8
#undef edt9
#undef edt10
#undef edt11
#undef edt12
#undef edt13
#undef edt14
#undef edt15
#undef edt16
#undef cmb1
#undef cmb2
#undef cmb3
#undef cmb4
#undef cmb5
#undef cmb6
#undef cmb7
#undef cmb8
#undef cmb9
#undef cmb10
#undef cmb11
#undef cmb12
#undef cmb13
#undef cmb14
#undef cmb15
#undef cmb16
#undef stc1
#undef stc2
#undef stc3
#undef stc4
#undef stc5
#undef stc6
#undef stc7
#undef stc8
#undef stc9
#undef stc10
#undef stc11
#undef stc12
#undef stc13
#undef stc14
#undef stc15
#undef stc16
#undef stc17
#undef stc18
#undef stc19
#undef stc20
#undef stc21
#undef stc22
#undef stc23
#undef stc24
#undef stc25
#undef stc26
#undef stc27
#undef stc28
#undef stc29
#undef stc30
#undef stc31
#undef stc32
#undef psh1
#undef psh2
#undef psh3
#undef psh4
#undef psh5
#undef psh6
#undef psh7
#undef psh8
#undef psh9
#undef psh10
#undef psh11
#undef psh12
#undef psh13
#undef psh14
#undef psh15
#undef psh16
#undef chx1
#undef chx2
#undef chx3
#undef chx4
#undef chx5
#undef chx6
#undef chx7
#undef chx8
#undef chx9
#undef chx10
#undef chx11
#undef chx12
#undef chx13
#undef chx14
#undef chx15
#undef chx16
#undef rad1
#undef rad2
#undef rad3
#undef rad4
#undef rad5
#undef rad6
#undef rad7
#undef rad8
#undef rad9
#undef rad10
#undef rad11
#undef rad12
#undef rad13
#undef rad14
#undef rad15
#undef rad16
#undef grp1
#undef grp2
#undef grp3
#undef grp4
#undef frm1
#undef frm2
#undef frm3
#undef frm4
#undef rct1
#undef rct2
#undef rct3
#undef rct4
#undef ico1
#undef ico2
#undef ico3
#undef ico4
#undef scr1
#undef scr2
#undef scr3
#undef scr4
#undef scr5
#undef scr6
#undef scr7
#undef scr8
#undef ctl1

struct TMessage {
    UINT Msg = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    LRESULT Result = 0;
};

// The class library's notifications. Each is sent through the receiver's
// WindowProc (Perform), so a wrapper that replaced WindowProc sees it; the
// comment says who receives it, when, and what WParam and LParam carry
// (0 where nothing is said). Their default handling ends in the control:
// they never reach the system's window procedure.
constexpr UINT CM_BASE = 0xB000;
constexpr UINT CM_ACTIVATE = CM_BASE + 0x00;           // application activated
// Every control of the focused control's top-level window, the top one first,
// when a windowed control gets the focus; LParam = the focused control.
constexpr UINT CM_FOCUSCHANGED = CM_BASE + 0x07;
constexpr UINT CM_VISIBLECHANGED = CM_BASE + 0x0B;     // WParam = new Visible
constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 0x0C;     // after Enabled changed
constexpr UINT CM_FONTCHANGED = CM_BASE + 0x0E;        // after Font changed
constexpr UINT CM_TEXTCHANGED = CM_BASE + 0x12;        // after the text changed
// The mouse came over a control (windowed: tracked with TrackMouseEvent;
// graphic: hit-tracked by its parent) and left it. The control gets LParam 0,
// then each of its parents LParam = the control.
constexpr UINT CM_MOUSEENTER = CM_BASE + 0x13;
constexpr UINT CM_MOUSELEAVE = CM_BASE + 0x14;
constexpr UINT CM_MENUCHANGED = CM_BASE + 0x15;
constexpr UINT CM_SHOWINGCHANGED = CM_BASE + 0x19;     // after the window was shown or hidden
constexpr UINT CM_EXIT = CM_BASE + 0x1B;               // the control lost the focus (WM_KILLFOCUS)
constexpr UINT CM_CONTROLLISTCHANGE = CM_BASE + 0x2C;  // WParam = control, LParam = inserting
constexpr UINT CM_RECREATEWND = CM_BASE + 0x33;        // after the window was destroyed and made again
constexpr UINT CM_MOUSEWHEEL = CM_BASE + 0x43;         // WParam/LParam as WM_MOUSEWHEEL
// A control's own state that its window shows changed (a scroll bar's range,
// page or position set through the control); sent after the change.
constexpr UINT CM_CONTROLCHANGE = CM_BASE + 0x37;

constexpr UINT CN_BASE = 0xBC00;                       // reflected: CN_BASE + original message
constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;        // 0xBC4E
constexpr UINT CN_KEYDOWN = CN_BASE + WM_KEYDOWN;     // before the control's key handling; Result 1 swallows the key
constexpr UINT CN_KEYUP = CN_BASE + WM_KEYUP;         // the same for a released key
constexpr UINT CN_CTLCOLOREDIT = CN_BASE + WM_CTLCOLOREDIT;
constexpr UINT CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;
constexpr UINT CN_CTLCOLORLISTBOX = CN_BASE + WM_CTLCOLORLISTBOX;
constexpr UINT CN_DRAWITEM = CN_BASE + WM_DRAWITEM;
constexpr UINT CN_MEASUREITEM = CN_BASE + WM_MEASUREITEM;

// Posted to a control to run work after the current message has returned.
constexpr UINT CM_RELEASE = WM_APP + 0x100;
