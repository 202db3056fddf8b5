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

class TSkinTestPanel : public TCustomPanel {
    DECLARE_CLASS(TSkinTestPanel, TCustomPanel)
public:
    explicit TSkinTestPanel(TComponent* owner);
    TsCtrlSkinData& SkinData() { return data_; }
    SkinCommandCounter Commands;
    int Paints = 0;
    void WndProc(TMessage& message) override;

protected:
    void Paint() override;
    void HandleCreated() override;

private:
    TsCtrlSkinData data_{this, true};
};

class TSkinTestEdit : public TCustomEdit {
    DECLARE_CLASS(TSkinTestEdit, TCustomEdit)
public:
    explicit TSkinTestEdit(TComponent* owner);
    TsCtrlSkinData& SkinData() { return data_; }
    SkinCommandCounter Commands;
    void WndProc(TMessage& message) override;

protected:
    void HandleCreated() override;

private:
    TsCtrlSkinData data_{this, false};
};

class TSkinTestButton : public TCustomControl {
    DECLARE_CLASS(TSkinTestButton, TCustomControl)
public:
    explicit TSkinTestButton(TComponent* owner);
    TsCtrlSkinData& SkinData() { return data_; }
    SkinCommandCounter Commands;
    int Paints = 0;
    void WndProc(TMessage& message) override;

protected:
    void Paint() override;
    void HandleCreated() override;

private:
    TsCtrlSkinData data_{this, true};
};

class TSkinTestGraphic : public TGraphicControl {
    DECLARE_CLASS(TSkinTestGraphic, TGraphicControl)
public:
    explicit TSkinTestGraphic(TComponent* owner);
    TsCtrlSkinData& SkinData() { return data_; }
    SkinCommandCounter Commands;
    int Paints = 0;
    void WndProc(TMessage& message) override;

protected:
    void Paint() override;

private:
    TsCtrlSkinData data_{this, true};
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
