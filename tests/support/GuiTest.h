// Helpers shared by the test suites: temporary folders, real mouse and key
// messages, message pumping, capture of message boxes, pixels and screenshots.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "classlib/Forms.h"

// A fresh folder under the system's temporary folder (with trailing '\'),
// removed with everything in it when the object goes away.
class TempDir {
public:
    explicit TempDir(const String& prefix = L"talvera");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const String& Path() const { return path_; }
    // Creates a folder (and its parents) below the temp folder; returns its path with '\'.
    String MakeDir(const String& relative) const;
    // Writes bytes to a file below the temp folder, creating folders on the way.
    String WriteFile(const String& relative, const std::string& bytes) const;

private:
    String path_;
};

void RemoveTree(const String& path);
std::string ReadBytes(const String& fileName);
// n bytes like a program file's: every value, NULs and line breaks among them;
// the same bytes every time.
std::string BinaryBytes(size_t n);
// Converts a Unix path from the environment (TALVERA_TESTDATA, ...) to a Wine path.
String EnvPath(const char* variable);

// Handles the messages that are waiting, then keeps pumping for ms milliseconds.
void Pump(int ms = 0);

// Mouse and keys as real window messages. A graphic control receives them
// through its parent window, at the control's centre unless a point is given.
void Click(TControl* c, TMouseButton button = TMouseButton::mbLeft);
void ClickAt(TControl* c, int x, int y, TMouseButton button = TMouseButton::mbLeft);
void MouseDownUp(HWND wnd, int x, int y, TMouseButton button);
void KeyUp(TWinControl* c, WORD vk);
void KeyDownUp(TWinControl* c, WORD vk);
void TypeText(TWinControl* c, const String& text);

// Runs action; every message box (class #32770) that appears meanwhile on this
// thread is read and answered with the given button. Returns the texts seen.
std::vector<String> RunAnsweringBoxes(const std::function<void()>& action, int button = IDOK);

// Reads a pixel of a window's client area as it is on the screen.
COLORREF WindowPixel(HWND wnd, int x, int y);
// Saves the window (with its frame) as it is on the screen to
// build/screenshots/<name>.bmp (TALVERA_SCREENSHOTS); returns the path.
String SaveWindowShot(HWND wnd, const String& name);
// The same for a rectangle of the screen.
String SaveScreenShot(const RECT& screen, const String& name);

// What a system file dialog showed, and the name typed into it.
struct FileDialogAnswer {
    String typedName;   // typed into the name field; empty: press Cancel
    bool seen = false;
    String title, folder, filterText;
    int filterCount = -1, filterSelected = -1;
};

// Runs action; the first file dialog that opens meanwhile is read (title,
// folder, file types) and answered by typing typedName and pressing OK, or
// Cancel when typedName is empty.
FileDialogAnswer AnswerFileDialog(const String& typedName, const std::function<void()>& action);
