// Wrappers of tab controls, page controls and their pages: the tab strip and
// page frame are painted into the cache, the selected tab last and on top;
// pages show the tab control's skinned background.
#pragma once
#include "classlib/ComBars.h"
#include "classlib/PageControl.h"
#include "skin/controls/MainWnd.h"
#include "skin/controls/StaticWnd.h"

class TkvTabControlWnd : public TkvMainWnd {
    DECLARE_CLASS(TkvTabControlWnd, TkvMainWnd)
public:
    TkvTabControlWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
                     bool repaint = false);
    ~TkvTabControlWnd() override;
    void WndProc(TMessage& message) override;
    virtual void PageArea(RECT& r);
    virtual void FrameArea(RECT& r);
    RECT TabsArea();
    // The painted rectangle of tab index; empty outside the tabs.
    RECT TabRect(int index, bool active);
    int TabRow(int index);
    int TabCount() const;
    int Position() const;
    void PaintControl(TMessage& message);
    void PaintTab(int index, int state, POINT offset, TBitmap* target);
    // The up-down child a crowded single-line control shows gets a spin
    // wrapper in "UPDOWNBTN" while the control is skinned; without such a
    // child (or unskinned) the wrapper is freed.
    void AttachSpinWnd();
    TkvSpinWnd* SpinWnd = nullptr;   // owned

protected:
    // The page wrappers this wrapper made; they go with it.
    std::vector<TkvMainWnd*> ownPages_;
    void FreeOwnPages();
};

class TkvPageControlWnd : public TkvTabControlWnd {
    DECLARE_CLASS(TkvPageControlWnd, TkvTabControlWnd)
public:
    TkvPageControlWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
                      bool repaint = false);
    void WndProc(TMessage& message) override;
    // Gives every page that is not skinned yet a page wrapper.
    void WrapPages();
};

class TkvPageWnd : public TkvMainWnd {
    DECLARE_CLASS(TkvPageWnd, TkvMainWnd)
public:
    TTabSheet* Page = nullptr;

    TkvPageWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
               bool repaint = false);
    ~TkvPageWnd() override;
    void WndProc(TMessage& message) override;
    void PaintPage(TMessage& message);
};
