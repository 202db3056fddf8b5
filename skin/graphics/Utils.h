// General utilities of the skinning library: message boxes at a chosen
// position, rectangle helpers, the parent-background record, published
// properties by name, and system, path and file queries.
#pragma once
#include <windows.h>

#include <cstdint>

#include "classlib/Messages.h"
#include "classlib/MsgDlgTypes.h"
#include "classlib/Object.h"
#include "skin/graphics/Constants.h"
#include "skin/graphics/TextUtils.h"

// ---------------------------------------------------------------- message boxes
// Screen position of the next message box, -1 when none; the dialog skinning
// reads them to move the new box.
extern int MsgBoxPosX, MsgBoxPosY;
// Default captions by dialog type 0..4 (warning, error, information, confirm, custom).
extern const wchar_t* const MessageBoxCaptions[5];

// Shows the system message box owned by the application window and returns the
// button code. dlgType 0..4 picks the icon (warning, error, information,
// question, none) and the default caption (used when caption is empty); the
// button set picks the system button layout; mbHelp adds the help button. The
// application is told a modal state starts and ends (ModalStarted and
// ModalFinished), its other windows are disabled meanwhile and the active
// window gets the focus back afterwards, also when the box fails.
int ShowMessageBoxEx(const String& caption, const String& text, int dlgType, TMsgDlgButtons buttons, int helpContext,
                     int x, int y);
int ShowMessageBox(const String& text, int dlgType, TMsgDlgButtons buttons, int helpContext);
int ShowErrorBox(const String& text);
// The system style (MB_...) for a dialog type and button set.
UINT MessageBoxStyle(int dlgType, TMsgDlgButtons buttons);
// Called by the system when the help button of a box is pressed: a non-zero
// help context goes to OnMessageBoxHelp, or without it to the application's
// help (Application->HelpContext, which calls its OnHelp).
void CALLBACK MessageBoxHelpCallback(LPHELPINFO info);
// Help for message boxes in place of the application's.
extern Delegate<void(int)> OnMessageBoxHelp;

// ---------------------------------------------------------------- rectangles and records
// Right - Left and Bottom - Top; with clip a negative result becomes 0.
inline int RectWidth(const RECT& r, bool clip = false)
{
    int w = r.right - r.left;
    return clip && w < 0 ? 0 : w;
}
inline int RectHeight(const RECT& r, bool clip = false)
{
    int h = r.bottom - r.top;
    return clip && h < 0 ? 0 : h;
}
// False when rect is empty or lies wholly left, right, above or below bounds
// (touching edges do not overlap).
bool RectsOverlap(const RECT& bounds, const RECT& rect);
TMessage MakeMessageRecord(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT result = 0);
// Bmp and offset given, the key colour as fill colour, no frame widths, ready.
TsBgCacheInfo InitBgCacheInfo(TBitmap* bmp, int x, int y);

// ---------------------------------------------------------------- published properties by name
// All of these tolerate objects that lack the property.
bool HasProperty(const TObject* object, const String& name);
TObject* GetObjectPropByName(TObject* object, const String& name);   // nullptr when absent
int64_t GetOrdPropByName(TObject* object, const String& name);        // -1 when absent
void SetOrdPropByName(TObject* object, const String& name, int64_t value);
// True when the set property contains the element of that exact (case-sensitive) name.
bool SetPropContains(TObject* object, const String& property, const String& element);
// Adds or removes one element of a set property. Elements are compared as
// whole names, so "Left" never matches inside "TopLeft"; adding an element
// that is there, removing one that is not, or naming no element of the set
// changes nothing.
void ChangeSetProp(TObject* object, const String& property, const String& element, bool add);

// ---------------------------------------------------------------- system and files
extern bool Wow64WithoutComposition;   // WOW64 process without desktop composition
int GetCaptionFontHeight();            // lfHeight of the caption font; 0 when the query fails
HFONT CreateCaptionFont();             // caller deletes it; nullptr when the query fails
bool SystemAnimationEnabled();
void SetSystemAnimation(bool on);      // until log-off, not saved
bool IsWinXPOrLater();
bool RunningUnderWow64();
bool DwmCompositionEnabled();          // dwmapi bound on first use; false without it
// True once at least ms milliseconds have passed from start to now on the
// 32-bit tick counter, also across its wrap.
inline bool TicksElapsed(uint32_t start, uint32_t now, uint32_t ms) { return uint32_t(now - start) >= ms; }
// Returns after at least ms milliseconds, handling the application's messages meanwhile.
void WaitProcessingMessages(uint32_t ms);
// The library's AppFolder: the folder of the program file, with trailing backslash
// (named apart from the application's own AppFolder, which tests may redirect).
String LibAppFolder();

struct TSearchRec {
    String Name;
    int64_t Size = 0;
    DWORD Attr = 0;
    FILETIME Time{};
    HANDLE FindHandle = INVALID_HANDLE_VALUE;
    DWORD ExcludeAttr = 0;
};
// Attributes as the system's FILE_ATTRIBUTE_ values; hidden, system and
// directory entries are listed only when their bit is in attributes.
// Returns 0 on success, else the system error code.
int StartFileSearch(const String& pattern, DWORD attributes, TSearchRec& rec);
int ContinueFileSearch(TSearchRec& rec);
void EndFileSearch(TSearchRec& rec);
// The shell's icon of a file (caller destroys it); nullptr when the file does
// not exist or the shell has no icon for it.
HICON GetFileIcon(const String& fileName, UINT shellFlags);

// Start-up and shut-down of the utilities unit (the library's start-up calls them).
void InitSkinUtils();
void DoneSkinUtils();

class TWinControl;
// When the Boolean option differs from value: stores value and recreates the
// control's window (when it has one).
void SetFlagAndRecreateWnd(bool& flag, bool value, TWinControl* control);
