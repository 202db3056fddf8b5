// The small window that shows a hint near the mouse: info colours, a text
// wrapped at a width limit, shown topmost without taking the activation.
#pragma once
#include <windows.h>

#include "classlib/Graphics.h"

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
    // Hides and destroys the window.
    void ReleaseHandle();
    HWND Handle() const { return wnd_; }
    const String& Caption() const { return text_; }

private:
    static LRESULT CALLBACK HintWndProc(HWND wnd, UINT msg, WPARAM w, LPARAM l);
    HWND wnd_ = nullptr;
    String text_;
};
