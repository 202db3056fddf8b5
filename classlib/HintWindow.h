// The small window that shows a hint near the mouse: info colours, a text
// wrapped at a width limit, shown topmost without taking the activation.
#pragma once
#include <windows.h>

#include "classlib/Graphics.h"

// Where a hint of size (w, h) goes for the cursor at cursor: 8 px right of
// it and 16 px below, moved back inside work where it would leave it.
RECT PlaceHintAtCursor(POINT cursor, int w, int h, const RECT& work);

class THintWindow : public TObject {
    DECLARE_CLASS(THintWindow, TObject)
public:
    THintWindow();
    ~THintWindow() override;
    THintWindow(const THintWindow&) = delete;
    THintWindow& operator=(const THintWindow&) = delete;

    TColor Color = clInfoBk;
    // The window owning the hint (the application's window by default).
    HWND ParentWindow = nullptr;
    // The size the text needs (wrapped at maxWidth) with the window's margins,
    // as a rectangle at (0, 0).
    RECT CalcHintRect(int maxWidth, const String& text) const;
    // Shows text in rect (screen coordinates), topmost and without activation;
    // fades in (200 ms) when fade is asked for.
    void ActivateHint(const RECT& rect, const String& text, bool fade = false);
    // Shows text as a hint near the mouse: measured with a width limit of 800
    // and made 4 px taller, placed at the cursor + (8, 16) and kept inside the
    // work area of the monitor of monitorWindow (the cursor's monitor when
    // nil); short texts (under 100 characters) fade in when the system fades
    // its tool tips. Nothing for an empty text.
    void ShowAtCursor(const String& text, HWND monitorWindow = nullptr);
    // Hides and destroys the window.
    void ReleaseHandle();
    HWND Handle() const { return wnd_; }
    const String& Caption() const { return text_; }

private:
    static LRESULT CALLBACK HintWndProc(HWND wnd, UINT msg, WPARAM w, LPARAM l);
    HWND wnd_ = nullptr;
    String text_;
};
