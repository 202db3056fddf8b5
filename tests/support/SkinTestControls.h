// Test controls of our own that own a skin data object the way every skinned
// control does: a panel, an edit, a button, a graphic control and a form.
// Their window procedures call the common message handler first, a container
// passes the skin-wide commands on to its children, and each control counts
// the skin commands it received so tests can check who got what.
#pragma once
#include <map>

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"
#include "skin/core/CommonData.h"

class TsSkinManager;

// Skin commands received, by command number.
class SkinCommandCounter {
public:
    int Count(unsigned command) const
    {
        auto it = counts_.find(command);
        return it == counts_.end() ? 0 : it->second;
    }
    void Add(unsigned command) { ++counts_[command]; }
    void Clear() { counts_.clear(); }

private:
    std::map<unsigned, int> counts_;
};

// Paints a skinned control's look: its section (background, corner images,
// border) over the parent's background into the cache bitmap, only when its
// background changed, then the cache to dc. Unskinned: the control's colour.
void PaintTestSkin(TControl* control, TsCommonData& data, HDC dc);

// Control kinds the test controls start with.
constexpr int kTestPanelKind = 51;    // "PANEL"
constexpr int kTestEditKind = 2;      // "EDIT", a colour kind
constexpr int kTestButtonKind = 93;   // "BUTTON"
constexpr int kTestGraphicKind = 92;  // "SPEEDBUTTON"

// What the test controls share: skin data of their own, the skin commands
// and paints counted, and the common message handler first in the window
// procedure. Self: the control class; Base: the class-library control it is.
template <class Self, class Base>
class TSkinTestControl : public Base {
public:
    TsCtrlSkinData& SkinData() { return data_; }
    SkinCommandCounter Commands;
    int Paints = 0;
    void WndProc(TMessage& message) override;

protected:
    // kind: the control kind it starts with; painted: the skin data paints it.
    TSkinTestControl(TComponent* owner, int kind, bool painted);
    // Counts the paint and paints the control's look to dc.
    void PaintSkin(HDC dc);

    TsCtrlSkinData data_;
};

class TSkinTestPanel : public TSkinTestControl<TSkinTestPanel, TCustomPanel> {
    DECLARE_CLASS(TSkinTestPanel, TCustomPanel)
public:
    explicit TSkinTestPanel(TComponent* owner);

protected:
    void Paint() override { PaintSkin(Canvas().Handle()); }
    void HandleCreated() override;
};

class TSkinTestEdit : public TSkinTestControl<TSkinTestEdit, TCustomEdit> {
    DECLARE_CLASS(TSkinTestEdit, TCustomEdit)
public:
    explicit TSkinTestEdit(TComponent* owner) : TSkinTestControl(owner, kTestEditKind, false) {}

protected:
    void HandleCreated() override;
};

class TSkinTestButton : public TSkinTestControl<TSkinTestButton, TCustomControl> {
    DECLARE_CLASS(TSkinTestButton, TCustomControl)
public:
    explicit TSkinTestButton(TComponent* owner) : TSkinTestControl(owner, kTestButtonKind, true) {}

protected:
    void Paint() override { PaintSkin(Canvas().Handle()); }
    void HandleCreated() override;
};

class TSkinTestGraphic : public TSkinTestControl<TSkinTestGraphic, TGraphicControl> {
    DECLARE_CLASS(TSkinTestGraphic, TGraphicControl)
public:
    explicit TSkinTestGraphic(TComponent* owner) : TSkinTestControl(owner, kTestGraphicKind, true) {}

protected:
    void Paint() override { PaintSkin(Canvas().Handle()); }
};

// A form that counts the skin commands that reach its window. With
// AnswersSkinned it says it is skinned (as a form with a provider does); with
// EditorManager set it takes the skin editor's WM_COPYDATA hand-over.
class TSkinTestForm : public TForm {
    DECLARE_CLASS(TSkinTestForm, TForm)
public:
    explicit TSkinTestForm(TComponent* owner) : TForm(owner) {}
    SkinCommandCounter Commands;
    bool AnswersSkinned = false;
    TsSkinManager* EditorManager = nullptr;
    int EditorAnswers = 0;   // WM_COPYDATA messages taken
    void WndProc(TMessage& message) override;
};
