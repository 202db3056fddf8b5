// A page view for local HTML pages: the page is converted to rich text and
// shown in a read-only rich-edit control that scrolls and lets the reader
// select and copy text.
#pragma once
#include <functional>

#include "classlib/Controls.h"

class TWebBrowser : public TWinControl {
    DECLARE_CLASS(TWebBrowser, TWinControl)
public:
    explicit TWebBrowser(TComponent* owner);
    // Shows the page at a full file path (or a file: URL). A page that cannot
    // be read is shown as a short error page; nothing is thrown.
    void Navigate(const String& url);
    const String& LocationURL() const { return location_; }
    // The page's text as shown (for tests and copy).
    String PlainText();
    // Puts the selected text on the clipboard as plain text (Ctrl+C,
    // Ctrl+Insert and WM_COPY come here); false when nothing is selected.
    bool CopySelection();

    void Dispatch(TMessage& message) override;

    // Turns the bytes of a file into page bytes before they are shown; the
    // application uses it to unpack documents stored in its container format.
    static std::function<bool(std::string& bytes)> PageFilter;

protected:
    void CreateParams(TCreateParams& params) override;
    void HandleCreated() override;
    void ColorChanged() override;

private:
    void ShowRtf(const std::string& rtf);
    String location_;
};
