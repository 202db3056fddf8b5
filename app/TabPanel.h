// One tab of the textbook window's tab strip: a panel with an icon, a close
// label "x" and the page view that belongs to it.
#pragma once
#include "classlib/ExtCtrls.h"
#include "classlib/StdCtrls.h"
#include "classlib/WebBrowser.h"

class TmyTabPanel : public TPanel {
    DECLARE_CLASS(TmyTabPanel, TPanel)
public:
    explicit TmyTabPanel(TComponent* owner);
    // Frees the page view, the close label and the icon, then the panel.
    ~TmyTabPanel() override;

    TWebBrowser* GetBros() const { return browser_; }
    void SetBrows(TWebBrowser* browser);
    // Loads a picture file into the 16 x 16 icon.
    void SetIcon(const String& fileName);
    TImage* Icon() const { return icon_; }
    TLabel* CloseLabel() const { return but_; }

    // Creates the close label "x" at the top right corner (its Tag is the
    // tab's Tag) and anchors the tab to the top and right of its parent.
    void Start();
    // The close label's default mouse handler: does nothing.
    void ClosePage(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);

    // A number no other tab of this process has; a posted close names the tab
    // by it, so a close that arrives late never hits a tab that has moved
    // into the closed tab's slot.
    unsigned Serial() const { return serial_; }
    // Set once a close of this tab has been asked for.
    bool Closing() const { return closing_; }
    void SetClosing() { closing_ = true; }

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    TWebBrowser* browser_ = nullptr;
    TImage* icon_ = nullptr;
    TLabel* but_ = nullptr;
    unsigned serial_;
    bool closing_ = false;
};
