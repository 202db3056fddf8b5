// The soak runner's hands and eyes on the desktop: the windows of a process,
// the "does it still answer" probe, real input through SendInput, and the
// answers to message boxes and file dialogs.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "classlib/SysUtils.h"
#include "tools/soakrunner/SoakCore.h"

String WindowClass(HWND wnd);
String WindowText(HWND wnd);
// "TPanel 'Выход'" style description for the event log.
std::string Describe(HWND wnd);

// Top-level windows of process pid on this thread's desktop, in z-order
// (topmost first). visibleOnly drops hidden and empty windows.
std::vector<HWND> ProcessWindows(DWORD pid, bool visibleOnly);
// Visible top-level windows of other processes (not the desktop's own shell
// windows, not this process).
std::vector<HWND> ForeignWindows(DWORD pid);

// Sends WM_NULL to a top-level window of each thread of pid; returns the
// first window that does not answer within timeoutMs (nullptr: all
// answered). windows, when given, are the process's top-level windows as
// ProcessWindows(pid, false) found them.
HWND FirstUnanswering(DWORD pid, UINT timeoutMs, const std::vector<HWND>* windows = nullptr);

// Visible, enabled descendants of a window, each with its screen rectangle
// clipped to its ancestors.
struct ChildInfo {
    HWND wnd;
    RECT rect;
    String cls;
};
std::vector<ChildInfo> VisibleChildren(HWND top);

// A point inside rect chosen by rng (rect must not be empty).
POINT RandomPointIn(SoakRng& rng, const RECT& rect);
// The desktop's rectangle in screen coordinates.
RECT ScreenRect();
// A window dragged until most of it lies beyond the screen's edge keeps its
// controls out of reach. When less than half of window is on screen, the drag
// of its caption (from a point 10 px below its top edge, on screen) that
// brings it back whole, or as near as the screen's size allows; false when
// the window is on screen enough or its caption is out of reach too.
bool DragBackOntoScreen(const RECT& window, const RECT& screen, POINT& from, POINT& to);

// Real input. Mouse points are in screen coordinates. A press that would
// pair with the last release into a double click (the same button, near it,
// within the double-click time) waits the double-click time out first.
void MoveMouse(POINT p);
void MouseClick(POINT p, int button = 0, int clicks = 1);   // 0 left, 1 right, 2 middle
void MouseWheel(POINT p, int notches);
// Left button down at from, moved in four steps to to, and up there. With
// between, it is called after the press and after each step (to let the
// program take one before the next: a move loop that reads where the cursor
// is now); without, the drag goes in one batch, which the program takes
// without a pause in which a timer (an auto-repeat, an auto-scroll) could
// fire for as long as the button happened to be held.
void MouseDrag(POINT from, POINT to, const std::function<void()>& between = {});
// How long presses waited out the double-click time so far (ms).
ULONGLONG ClicksKeptApartMs();
void KeyPress(WORD vk, bool ctrl = false, bool shift = false, bool alt = false);
void TypeChar(wchar_t c);   // as a Unicode key; CR and LF become Enter
void TypeText(const String& text);

// Dialogs of the process. A message box is any visible, enabled #32770
// window without a file-name field; a file dialog has one.
enum class DialogKind { MessageBox, FileDialog };
struct DialogInfo {
    HWND wnd = nullptr;
    DialogKind kind = DialogKind::MessageBox;
    String title, text;
    std::vector<HWND> buttons;   // visible, enabled push buttons
};
// The dialog the user has to answer first (topmost enabled one), if any.
bool FindDialog(DWORD pid, DialogInfo& out);
// Presses one of the dialog's buttons: a real click when the dialog is in
// front, else its command. Returns the button's text.
String PressButton(const DialogInfo& d, size_t index, bool realClick);
// Types name into a file dialog's name field and presses OK (or Cancel when
// name is empty).
void AnswerFileDialog(const DialogInfo& d, const String& name);
// Whether d looks like a dialog that writes (by its title).
bool IsSaveDialog(const DialogInfo& d);

// What a user sees of a process, as one text that compares equal while
// nothing changes: its visible top-level windows (class, place, enabled, how
// many visible controls), the foreground window, the focus and whether a menu,
// a capture or a move is running. Passing windows (hints, tool tips, shadows)
// are left out. The detailed text names windows by handle (it compares within
// one run only); without detail it is the classes of the visible windows,
// topmost first, dialog boxes with their title ("#32770 'Open'"), each MDI
// form followed by how many children it shows ("MDI children 2") (the same in
// every replay).
// children: with detail, how many visible controls each window shows (the
// dearest part: a look at another process's window each).
// windows as for FirstUnanswering.
std::string ProcessShape(DWORD pid, bool detail = true, bool children = true,
                         const std::vector<HWND>* windows = nullptr);

// Waits until the process has taken the input sent so far and what it shows
// has stopped changing: every thread answers, and the shape stays the same
// for `rounds` looks in a row. A process that shows nothing is given up to
// maxMs to end. Returns false when maxMs passed first (or a thread did not
// answer): the caller's probe tells a hang from a slow program.
// why, when given, tells what kept it from settling.
// looks, when given, is increased by the looks it took.
bool WaitSettled(HANDLE process, DWORD pid, UINT maxMs, int rounds = 3, std::string* why = nullptr,
                 int* looks = nullptr);

// The program's own application window (class TApplication), if any.
HWND ApplicationWindow(DWORD pid, const std::vector<HWND>* windows = nullptr);
// Asks the program through a registered message sent to its application
// window; false when it did not answer within timeoutMs (or has no such
// window). A program that does not know the message answers 0.
// (windows as for FirstUnanswering.)
bool AskProgram(DWORD pid, UINT message, WPARAM wParam, UINT timeoutMs, LRESULT& answer,
                const std::vector<HWND>* windows = nullptr);
// Where the counts of GDI objects come from, tried in this order: the
// process's GDI handle table (by type), GetGuiResources (a total), the counts
// the program's own handle owners keep (a total; see classlib/HandleQuery.h).
enum class GdiSource { None, HandleTable, GuiResources, ProgramCounts };
const char* SourceName(GdiSource source);
// Adds the GDI objects of the process to out from that source; false when it
// could not be read (or the program did not answer).
bool CountGdiObjects(GdiSource source, HANDLE process, DWORD pid, UINT timeoutMs, HandleCounts& out);
// The first system source that is live here: it sees an object this process
// makes and frees; else the program's own counts.
GdiSource ProveGdiSource();
// Every window of the process, top-level and child, hidden ones included
// (windows as for FirstUnanswering).
long CountProcessWindows(DWORD pid, const std::vector<HWND>* windows = nullptr);
