// A page view for local HTML pages: the page is converted to rich text and
// shown in a read-only rich-edit control that scrolls and lets the reader
// select and copy text.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "classlib/Controls.h"
#include "classlib/HtmlDocument.h"

class TWebBrowser : public TWinControl {
    DECLARE_CLASS(TWebBrowser, TWinControl)
public:
    explicit TWebBrowser(TComponent* owner);
    ~TWebBrowser() override;
    // Shows the page at a full file path (or a file: URL). A page that cannot
    // be read is shown as a short error page; nothing is thrown. The wait
    // cursor shows while the page is prepared. Each page goes into a new
    // rich-edit window, so a new page costs what it costs in a new view
    // whatever the page before it was (the system control takes long to
    // replace a large text); the old window is hidden at once and destroyed
    // when the message queue is next served.
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
    // An Exception from the filter is shown as an error page.
    static std::function<bool(std::string& bytes)> PageFilter;

    // Posted to the view to destroy the windows of earlier pages.
    static constexpr UINT CM_FREEPAGES = WM_APP + 0x120;
    // Posted to the view to put in the next pictures of the page.
    static constexpr UINT CM_PICTURES = WM_APP + 0x121;
    // Windows of earlier pages not yet destroyed (for tests).
    size_t RetiredWindows() const { return retired_.size(); }
    // The page's text shows first; its pictures are loaded, encoded and put
    // in their places in short steps while the message queue is served, so a
    // page of many pictures can be read and scrolled at once. Pictures not
    // yet in their places:
    size_t PendingPictures() const { return picturePlaces_.size() - nextPicture_; }
    // Pictures of the current page put in their places so far (for tests).
    size_t PicturesPlaced() const { return picturesPlaced_; }
    // Puts every remaining picture in its place now.
    void FinishPictures();

protected:
    void CreateParams(TCreateParams& params) override;
    void HandleCreated() override;
    void ColorChanged() override;
    void DestroyWnd() override;
    void WndProc(TMessage& message) override;

private:
    void ShowRtf(const std::string& rtf);
    // The text as the control counts its characters.
    String RawText();
    void FreshWindow();
    void FreeRetired();
    // Inserts pictures until the time budget (seconds) is spent; 0: all.
    void InsertPictures(double budget);
    String location_;
    bool shown_ = false;            // the window holds a page
    std::vector<HWND> retired_;     // windows of earlier pages
    void DropPictures();
    std::unique_ptr<html::DeferredRtf> page_;       // the page's pictures still to come
    std::unique_ptr<html::PagePictures> loader_;    // loads and encodes them
    std::vector<LONG> picturePlaces_;     // where each one goes (its stand-in character)
    size_t picturesPlaced_ = 0;
    size_t nextPicture_ = 0;
    bool rewrapTables_ = false;           // lay the page out again after the last picture
};
