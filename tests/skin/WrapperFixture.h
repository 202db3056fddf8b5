// Fixtures of the window-wrapper tests: the sample skin active, the mouse out
// of the way (no control is hot) and a shown form to put controls on; and
// class-library controls wrapped the way the control adapter wraps them.
#pragma once
#include <memory>
#include <vector>

#include "classlib/Subclass.h"
#include "skin/controls/MainWnd.h"
#include "tests/skin/SkinRuntimeFixture.h"

namespace skintest {

// Counts the WM_PAINT messages a window gets (a layer above the wrapper's).
class PaintCounter : public TSubclass {
public:
    int paints = 0;

protected:
    void WndProc(TMessage& m) override
    {
        if (m.Msg == WM_PAINT) ++paints;
        CallPrevious(m);
    }
};

class SampleSkinForm : public SkinRuntime {
protected:
    SampleSkinForm(int formWidth, int formHeight) : formWidth_(formWidth), formHeight_(formHeight) {}
    void SetUp() override
    {
        SkinRuntime::SetUp();
        SetCursorPos(0, 0);
        manager = SampleManager();
        ASSERT_TRUE(manager->Active());
        form = NewForm(formWidth_, formHeight_);
        form->Show();
        Pump(20);
    }

    TsSkinManager* manager = nullptr;
    TSkinTestForm* form = nullptr;

private:
    int formWidth_, formHeight_;
};

// Each control wrapped with skin data of its own; wrappers and data are freed
// before the fixture's teardown.
class OwnDataWrappers : public SampleSkinForm {
protected:
    using SampleSkinForm::SampleSkinForm;
    void TearDown() override
    {
        wrappers.clear();
        datas.clear();
        SampleSkinForm::TearDown();
    }
    // Wraps c (repainting it), then lets the window settle for pumpMs.
    template <class W>
    W* WrapWithOwnData(TWinControl* c, const String& section, int pumpMs)
    {
        datas.push_back(std::make_unique<TsCommonData>(c, true));
        W* w = CreateWrapper<W>(c->Handle(), datas.back().get(), manager, section, true);
        wrappers.emplace_back(w);
        Pump(pumpMs);
        return w;
    }

    std::vector<std::unique_ptr<TsCommonData>> datas;
    std::vector<std::unique_ptr<TkvMainWnd>> wrappers;
};

}  // namespace skintest
