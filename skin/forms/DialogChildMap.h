// The child-class map of the dialog skinning: which wrapper a child window of
// a system dialog gets, from its lower-case class name and its styles, and
// the making of that wrapper.
//
// The decision is a pure function (MapDialogChild) so every row can be
// tested with made-up window facts. Statics and buttons are told apart by the
// type field of their style (S & 0x1F for statics, S & 0x0F for buttons), not
// by single bits: a bit test would take a simple text static (0x0B) or a black
// frame (7) for an icon, and an owner-drawn button (0x0B), a split button or a
// command link for a check box.
//
// Each row's kind makes its wrapper of the controls layer; a program may put
// a maker of its own in place of one kind through RegisterDialogChildFactory.
#pragma once
#include <windows.h>

#include <functional>

#include "classlib/Object.h"

class TkvMainWnd;
class TsSkinManager;

enum class TkvChildWrapper {
    None,
    Edge,          // static picture with a sunken edge
    Icon,          // static icon or picture
    Static,        // static text
    TransPanel,    // nested dialog, folder browser pane
    Panel,         // class-library panel
    SilentPanel,   // class-library panel that paints nothing itself
    Edit,
    GroupBox,
    CheckBox,
    Button,
    ComboBox,
    ComboList,     // the list of a drop-down combo box
    ComboBoxEx,
    Sizer,         // size grip
    TabControl,
    ListView,
    Spin,
    Track,
    ListBox,
    Link,
    ToolBar,
    TreeView,
    Search,
    Container,
};

// What the map says for one child.
struct TkvChildRow {
    TkvChildWrapper Kind = TkvChildWrapper::None;
    const wchar_t* Section = L"";
    bool DialogMode = false;            // the wrapper is made in dialog mode
    bool ClearsPaintForbidden = false;  // the dialog may then paint its client area itself
    bool RepaintFromDialogCache = false;   // repaint only when the dialog's cache has a picture
};

// The facts of a child window the map reads.
struct TkvChildFacts {
    String ClassName;   // lower case
    DWORD Style = 0;
    DWORD ExStyle = 0;
    bool Visible = true;
    int Height = 0;     // window height in pixels
};

// The first row whose class and condition match decides.
TkvChildRow MapDialogChild(const TkvChildFacts& facts);

// A maker for a wrapper kind that another unit provides (nil clears it).
using TkvDialogChildFactory =
    std::function<TkvMainWnd*(HWND handle, TsSkinManager* manager, const String& section, bool repaint)>;
void RegisterDialogChildFactory(TkvChildWrapper kind, TkvDialogChildFactory factory);

// Makes and attaches the wrapper a row names (nil for None or when nothing can
// be made for it). repaint goes to the wrapper.
TkvMainWnd* MakeDialogChildWrapper(const TkvChildRow& row, HWND handle, TsSkinManager* manager, bool repaint);

// The facts of a real window (class name lower-cased, at most 128 characters).
TkvChildFacts ReadChildFacts(HWND handle);
