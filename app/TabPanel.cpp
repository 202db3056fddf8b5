#include "app/TabPanel.h"

namespace {
unsigned NextSerial()
{
    static unsigned serial = 0;
    return ++serial;
}
}  // namespace

TmyTabPanel::TmyTabPanel(TComponent* owner) : TPanel(owner), serial_(NextSerial())
{
    icon_ = new TImage(this);
    icon_->SetName(L"Img");
    icon_->SetParent(this);
    icon_->SetBounds(5, 6, 16, 16);
    icon_->SetStretch(true);
}

TmyTabPanel::~TmyTabPanel()
{
    // The page view belongs to the page area, not to the tab; it goes with
    // the tab all the same.
    if (browser_) {
        TWebBrowser* b = browser_;
        browser_ = nullptr;
        b->RemoveFreeNotification(this);
        Free(b);
    }
    if (but_) FreeAndNil(but_);
    if (icon_) FreeAndNil(icon_);
}

void TmyTabPanel::SetBrows(TWebBrowser* browser)
{
    if (browser == browser_) return;
    if (browser_) browser_->RemoveFreeNotification(this);
    browser_ = browser;
    if (browser_) browser_->FreeNotification(this);
}

void TmyTabPanel::Notification(TComponent* component, TOperation operation)
{
    TPanel::Notification(component, operation);
    if (operation != TOperation::opRemove) return;
    if (component == browser_) browser_ = nullptr;
    if (component == but_) but_ = nullptr;
    if (component == icon_) icon_ = nullptr;
}

void TmyTabPanel::SetIcon(const String& fileName) { icon_->Picture().LoadFromFile(fileName); }

void TmyTabPanel::Start()
{
    if (!but_) {
        but_ = new TLabel(this);
        but_->SetName(L"but");
        but_->SetParent(this);
    }
    but_->Font().SetColor(clWhite);
    but_->SetAutoSize(false);
    but_->SetCaption(L"x");
    but_->SetBounds(Width() - 15, 0, 15, 15);
    but_->SetTag(Tag());
    but_->OnMouseUp = TMouseEvent(this, &TmyTabPanel::ClosePage);
    SetAnchors(akTop | akRight);
}

void TmyTabPanel::ClosePage(TObject*, TMouseButton, TShiftState, int, int) {}
