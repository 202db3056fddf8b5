// The system clipboard, as text.
#pragma once
#include <windows.h>

#include "classlib/GdiHandle.h"
#include "classlib/Object.h"
#include "classlib/SysUtils.h"

class TClipboard : public TPersistent {
    DECLARE_CLASS(TClipboard, TPersistent)
public:
    TClipboard();
    ~TClipboard() override;
    TClipboard(const TClipboard&) = delete;
    TClipboard& operator=(const TClipboard&) = delete;

    // Open/Close nest; while open, the calls below use the same opening.
    // Open throws Exception when another program keeps the clipboard open.
    void Open();
    void Close();
    // Empties the clipboard: no format remains.
    void Clear();
    // Replaces the clipboard's content with the text.
    void SetTextBuf(const wchar_t* text);
    void SetAsText(const String& text) { SetTextBuf(text.c_str()); }
    // The clipboard's text; empty when it holds none.
    String AsText();
    bool HasFormat(UINT format) const { return IsClipboardFormatAvailable(format) != 0; }

private:
    WindowHandle window_;   // owns what we put on the clipboard
    int openCount_ = 0;
};
