// TsMDIForm: the companion a skin provider keeps on an MDI main form. It
// wraps the form's client window with TkvMDIWnd (painted from the provider's
// frame picture) and answers the wrapper's questions about the provider.
// Also here: the maximised child's three buttons on the main form's menu
// line (where they are, what a click on them does, how they are painted).
#pragma once
#include "skin/controls/MDIWnd.h"
#include "skin/forms/MDIMerge.h"

class TsSkinProvider;

class TsMDIForm : public TPersistent, public TkvMDIHost {
    DECLARE_CLASS(TsMDIForm, TPersistent)
public:
    explicit TsMDIForm(TsSkinProvider* provider);
    ~TsMDIForm() override;

    // Connects the client when it has no wrapper yet.
    void UpdateMDIClient();
    // Skinned: a fresh wrapper on the client; otherwise none. Asked again
    // while the wrapper attaches, it keeps the one being attached.
    void ConnectMDIClient();
    void UpdateMenuLine() override;
    TkvMDIWnd* Wrapper() const { return wrapper_; }

    TCustomForm* Form = nullptr;
    TsSkinProvider* Provider = nullptr;

    // TkvMDIHost
    TBitmap* FramePicture() override;
    bool UsesFramePicture() override;
    POINT ClientPlace(HWND client) override;
    TColor ClientColor() override;
    bool Animating() override;
    bool HasBorderWindow() override;
    void FrameChanged(bool menuToo) override;
    void RefreshFrame() override;
    // A child the client made: the dialog skinning registers it (it skins a
    // form's child, or a dialog made there).
    void ChildCreated(HWND child) override;
    // The client's children changed: the frame follows the active one.
    void ChildrenChanged() override;
    // The active child's menu and caption in the frame (MDIMerge.h).
    TsMDIMerge& Merge() { return merge_; }

private:
    void FreeWrapper();
    TkvMDIWnd* wrapper_ = nullptr;
    bool connecting_ = false;   // a wrapper is being attached
    TsMDIMerge merge_;
};

// The provider's MDI companion, nil when it has none.
TsMDIForm* MDIFormOf(TsSkinProvider& provider);
// Makes or frees the companion as the provider's form and skin now ask, and
// connects the client window.
void UpdateMDIFormOf(TsSkinProvider& provider);

// The maximised child's buttons in the main form's window coordinates; false
// when the form is no MDI main form, has no menu line or no maximised child.
bool MDIChildButtonsOf(TsSkinProvider& provider, TkvMDIButtonRects& rects);
// Fills the provider's seams for the buttons' hit test and clicks.
void InitMDIFormUnit();
