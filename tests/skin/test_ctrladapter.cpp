// The control adapter on real windows with the sample skin: which controls of
// a skinned form get which wrapper and section, what a second scan, a later
// control and the rules change, and that taking the skin away, or freeing
// things in any order, leaves every control as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <ostream>

#include "classlib/Buttons.h"
#include "classlib/ComBars.h"
#include "classlib/ComCtrls.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Grids.h"
#include "classlib/ListControls.h"
#include "classlib/ListView.h"
#include "classlib/PageControl.h"
#include "classlib/ScrollBox.h"
#include "classlib/StdCtrls.h"
#include "classlib/TreeView.h"
#include "skin/controls/AdapterWrappers.h"
#include "skin/controls/ButtonWnd.h"
#include "skin/controls/MainWnd.h"
#include "skin/forms/CtrlAdapter.h"
#include "skin/forms/SkinProvider.h"
#include "skin/graphics/ClassNameTables.h"
#include "tests/skin/PictureCompare.h"
#include "tests/skin/SkinRuntimeFixture.h"

using namespace skintest;

namespace {

// A layer in a control's WindowProc chain (the program's or another
// library's): counts the probe messages that pass through it.
struct ProbeHook {
    explicit ProbeHook(TControl* c) { hook.Hook(c, TWndMethod(this, &ProbeHook::Proc)); }
    void Proc(TMessage& m)
    {
        if (m.Msg == kProbe)
            ++probes;
        hook.CallPrevious(m);
    }
    static constexpr UINT kProbe = WM_APP + 91;
    TWindowProcHook hook;
    int probes = 0;
};

// What a control looks like to the program: its procedures, colours, style.
struct ControlState {
    LONG_PTR proc = 0;
    TWndMethod method;   // the WindowProc delegate
    bool hasWrapper = false;
    TColor color = 0, fontColor = 0;
    unsigned style = 0;
    bool operator==(const ControlState&) const = default;
};

void PrintTo(const ControlState& s, std::ostream* os)
{
    *os << "proc " << s.proc << " method " << s.method.Data() << " wrapper " << s.hasWrapper << " colour " << std::hex
        << s.color << " font " << s.fontColor << " style " << s.style << std::dec;
}

ControlState StateOf(TControl* c)
{
    ControlState s;
    s.method = c->WindowProc;
    if (auto* w = dynamic_cast<TWinControl*>(c); w && w->HandleAllocated()) {
        s.proc = GetWindowLongPtrW(w->Handle(), GWLP_WNDPROC);
        s.hasWrapper = GetPropW(w->Handle(), WrapperPropName) != nullptr;
    }
    // A colour taken from the parent follows the form's (the provider's business).
    s.color = c->ParentColor() ? clNone : c->Color();
    s.fontColor = c->Font().Color();
    s.style = c->ControlStyle();
    return s;
}

class AdapterTest : public SkinRuntime {
protected:
    struct Placed {
        const char* name;
        TControl* control;
    };
    // A shown form with one control of each kind the lists name (and two that
    // no list or a Tag keeps plain), made before the form is skinned.
    TSkinTestForm* FormWithControls(std::vector<Placed>& out)
    {
        TSkinTestForm* f = NewForm(640, 420);
        f->Show();
        int x = 8, y = 8;
        auto place = [&](const char* name, TControl* c, int w = 90, int h = 24) {
            c->SetParent(f);
            c->SetBounds(x, y, w, h);
            x += w + 8;
            if (x > 520) {
                x = 8;
                y += 70;
            }
            out.push_back({name, c});
            return c;
        };
        place("TEdit", new TEdit(f));
        place("TMemo", new TMemo(f), 90, 60);
        place("TButton", new TButton(f));
        place("TCheckBox", new TCheckBox(f));
        place("TListBox", new TListBox(f), 90, 60);
        place("TPanel", new TPanel(f), 90, 60);
        place("TGroupBox", new TGroupBox(f), 90, 60);
        place("TToolBar", new TToolBar(f), 120, 28);
        place("TStatusBar", new TStatusBar(f), 120, 22);
        place("TPageControl", new TPageControl(f), 120, 60);
        place("TUpDown", new TUpDown(f), 18, 24);
        place("TTrackBar", new TTrackBar(f), 120, 30);
        place("TComboBox", new TComboBox(f), 100, 24);
        place("TListView", new TListView(f), 100, 60);
        place("TTreeView", new TTreeView(f), 100, 60);
        place("TScrollBox", new TScrollBox(f), 100, 60);
        place("TStringGrid", new TStringGrid(f), 120, 60);
        auto* sb = new TSpeedButton(f);
        sb->SetFlat(true);
        place("TSpeedButton", sb, 40, 24);
        auto* label = new TLabel(f);
        label->SetTag(98);
        label->SetCaption(L"label");
        place("TLabel", label);
        auto* plain = new TButton(f);
        plain->SetTag(NoSkinTag);
        place("Tag-98", plain);
        for (const Placed& p : out)
            if (auto* w = dynamic_cast<TWinControl*>(p.control))
                w->HandleNeeded();
        Pump(20);
        return f;
    }
    TsSkinProvider* Skin(TSkinTestForm* f)
    {
        TsSkinProvider* p = TsSkinProvider::Create(f);
        Pump(20);
        return p;
    }
    static TkvMainWnd* WrapperOf(TControl* c)
    {
        auto* w = dynamic_cast<TWinControl*>(c);
        return w && w->HandleAllocated() ? GetWrapper(w->Handle()) : nullptr;
    }
};

TEST_F(AdapterTest, OneScanGivesEachListItsWrapperAndSection)
{
    TsSkinManager* m = SampleManager();
    std::vector<Placed> placed;
    TSkinTestForm* f = FormWithControls(placed);
    TsSkinProvider* p = Skin(f);
    TkvCtrlAdapter* a = ControlAdapterOf(*p);
    ASSERT_NE(a, nullptr);
    // The event may name another section: a flat speed button keeps its own.
    p->OnSkinItem = [](TControl* c, bool&, String& section) {
        if (dynamic_cast<TSpeedButton*>(c))
            section = L"BUTTON";
    };
    a->ScanControls();

    struct Row {
        const char* name;
        int list;              // -1: no list names it
        const wchar_t* wrapper;   // nullptr: stays plain
        const wchar_t* section;   // nullptr: the wrapper's own default, any the skin has
    };
    const Row rows[] = {
        {"TEdit", tpEdit, L"TkvEditWnd", L"EDIT"},
        {"TMemo", tpEdit, L"TkvEditWnd", L"EDIT"},
        {"TButton", tpButton, L"TkvBtnWnd", L"BUTTON"},
        {"TCheckBox", tpCheckBox, L"TkvCheckBoxWnd", L"CHECKBOX"},
        {"TListBox", tpEdit, L"TkvEditWnd", L"EDIT"},
        {"TPanel", tpPanel, L"TkvPanelWnd", L"PANEL"},
        {"TGroupBox", tpGroupBox, L"TkvGroupBoxWnd", L"GROUPBOX"},
        {"TToolBar", tpToolBar, L"TkvToolBarVCLWnd", L"TOOLBAR"},
        {"TStatusBar", tpStatusBar, L"TkvStatusBarWnd", L"STATUSBAR"},
        {"TPageControl", tpPageControl, L"TkvPageControlWnd", L"PAGECONTROL"},
        {"TUpDown", tpUpDown, L"TkvSpinWnd", L"UPDOWNBTN"},
        {"TTrackBar", -1, nullptr, nullptr},
        {"TComboBox", tpComboBox, L"TkvComboBoxWnd", nullptr},
        {"TListView", tpListView, L"TkvListViewWnd", nullptr},
        {"TTreeView", tpTreeView, L"TkvTreeViewWnd", nullptr},
        {"TScrollBox", tpScrollControl, L"TkvScrollBoxWnd", L"PANEL_LOW"},
        {"TStringGrid", tpGrid, L"TkvGridWnd", nullptr},
        {"Tag-98", tpButton, nullptr, nullptr},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        auto it = std::find_if(placed.begin(), placed.end(), [&](const Placed& p) { return std::string(p.name) == r.name; });
        ASSERT_NE(it, placed.end());
        TkvMainWnd* w = WrapperOf(it->control);
        // A list whose wrapper unit is not linked into this build attaches nothing.
        const bool expected = r.wrapper && AdapterWrapperFactory(r.list) != nullptr;
        if (!expected) {
            EXPECT_EQ(w, nullptr);
            EXPECT_EQ(a->ItemOf(it->control), nullptr);
            continue;
        }
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->ClassName(), String(r.wrapper));
        TkvAdapterItem* item = a->ItemOf(it->control);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(w->CommonData, item->SkinData.get()) << "wrapper and item share one skin data";
        if (r.section) {
            EXPECT_EQ(w->CommonData->SkinSection(), String(r.section));
        }
        EXPECT_GE(w->CommonData->SectionIndex, 0) << "the sample skin has the section";
        EXPECT_TRUE(QueryWindowSkinFlag(static_cast<TWinControl*>(it->control)->Handle(), SkinCmdIsSkinned));
    }
    // The flat speed button: a handler with the small section whatever the event said.
    TControl* speed = std::find_if(placed.begin(), placed.end(), [](const Placed& p) {
                          return std::string(p.name) == "TSpeedButton";
                      })->control;
    TkvGraphItem* g = a->GraphItemOf(speed);
    ASSERT_NE(g, nullptr);
    ASSERT_NE(g->Handler, nullptr);
    EXPECT_EQ(g->Handler->CommonData->SkinSection(), String(L"SPEEDBUTTON_SMALL"));
    // The label with Tag 98 is a child of the scanned form: recoloured, no longer opaque.
    TControl* label = std::find_if(placed.begin(), placed.end(), [](const Placed& p) {
                          return std::string(p.name) == "TLabel";
                      })->control;
    EXPECT_EQ(label->Font().Color(), TColor(ColorToRGB(TColor(m->GetGlobalFontColor()))));
    EXPECT_EQ(label->ControlStyle() & csOpaque, 0u);

    // A second scan attaches nothing new.
    std::vector<TkvMainWnd*> before;
    for (const Placed& pl : placed)
        before.push_back(WrapperOf(pl.control));
    const int items = a->Count(), graphs = a->GraphCount();
    a->ScanControls();
    EXPECT_EQ(a->Count(), items);
    EXPECT_EQ(a->GraphCount(), graphs);
    for (size_t i = 0; i < placed.size(); ++i)
        EXPECT_EQ(WrapperOf(placed[i].control), before[i]) << placed[i].name;
    EXPECT_EQ(a->GetItem(-1), nullptr);
    EXPECT_EQ(a->GetItem(a->Count()), nullptr);
    a->RemoveItem(a->Count());   // out of range: nothing
    EXPECT_EQ(a->Count(), items);
}

TEST_F(AdapterTest, TheLowerListWinsForAClassNamedInTwo)
{
    TsSkinManager* m = SampleManager();
    // TPanel also in the group-box list (index 6, below the panel list's 8).
    m->ThirdParty.SetList(tpGroupBox, L"TGroupBox\r\nTRadioGroup\r\nTPanel");
    m->UpdateThirdPartyLists(false);
    TSkinTestForm* f = NewForm();
    f->Show();
    auto* panel = Add<TPanel>(f, 10, 10, 100, 60);
    panel->HandleNeeded();
    TsSkinProvider* p = Skin(f);
    ControlAdapterOf(*p)->ScanControls();
    ASSERT_NE(WrapperOf(panel), nullptr);
    EXPECT_EQ(WrapperOf(panel)->ClassName(), String(L"TkvGroupBoxWnd"));
    EXPECT_EQ(ControlAdapterOf(*p)->ItemOf(panel)->ListIndex, int(tpGroupBox));
}

TEST_F(AdapterTest, LaterControlsAndTheThirdPartyRule)
{
    struct Row {
        const char* name;
        bool thirdParty;
        bool scanWraps;    // a control present before skinning is wrapped by the scan
    };
    for (const Row& r : {Row{"rules with third party", true, true}, Row{"rules without third party", false, false}}) {
        SCOPED_TRACE(r.name);
        TsSkinManager* m = SampleManager();
        if (!r.thirdParty)
            m->SkinningRules &= ~unsigned(srThirdParty);
        TSkinTestForm* f = NewForm();
        f->Show();
        auto* early = Add<TButton>(f, 10, 10, 80, 24);
        early->HandleNeeded();
        auto* removed = new TButton(f);   // owned by the form, taken off before the scan
        removed->SetParent(f);
        removed->HandleNeeded();
        removed->SetParent(nullptr);
        TsSkinProvider* p = Skin(f);
        ControlAdapterOf(*p)->ScanControls();
        EXPECT_EQ(WrapperOf(early) != nullptr, r.scanWraps);
        EXPECT_EQ(ControlAdapterOf(*p)->ItemOf(removed), nullptr) << "a control without parent is not adapted";
        // A control the form announces later is wrapped whatever the rules say.
        auto* later = Add<TButton>(f, 10, 50, 80, 24);
        later->HandleNeeded();
        Pump(10);
        ASSERT_NE(WrapperOf(later), nullptr);
        EXPECT_EQ(WrapperOf(later)->ClassName(), String(L"TkvBtnWnd"));
        Free(removed);
        Free(forms.back());
        forms.pop_back();
        DestroyManager(m);
    }
}

TEST_F(AdapterTest, TheProvidersOnSkinItemDecidesForEachControl)
{
    SampleManager();
    TSkinTestForm* f = NewForm();   // shown once its provider hears the event
    auto* edit = Add<TEdit>(f, 10, 10, 100, 24);
    auto* button = Add<TButton>(f, 10, 40, 80, 24);
    auto* panel = Add<TPanel>(f, 10, 70, 120, 60);
    for (TWinControl* c : {static_cast<TWinControl*>(edit), static_cast<TWinControl*>(button),
                           static_cast<TWinControl*>(panel)})
        c->HandleNeeded();
    Pump(10);
    struct Row {
        TWinControl* control;
        bool veto;
        const wchar_t* section;    // what the event names (nullptr: nothing)
        const wchar_t* expected;   // the wrapper's section (nullptr: left plain)
    };
    const Row rows[] = {
        {edit, false, nullptr, L"EDIT"},
        {button, true, nullptr, nullptr},
        {panel, false, L"GROUPBOX", L"GROUPBOX"},
    };
    TsSkinProvider* p = TsSkinProvider::Create(f);
    std::vector<TControl*> asked;
    p->OnSkinItem = [&](TControl* c, bool& can, String& section) {
        asked.push_back(c);
        for (const Row& r : rows)
            if (r.control == c) {
                can = !r.veto;
                if (r.section)
                    section = r.section;
            }
    };
    f->Show();
    Pump(10);
    ControlAdapterOf(*p)->ScanControls();
    for (const Row& r : rows) {
        SCOPED_TRACE(r.control->ClassName().c_str());
        EXPECT_NE(std::find(asked.begin(), asked.end(), r.control), asked.end()) << "the event was asked";
        TkvMainWnd* w = WrapperOf(r.control);
        if (!r.expected) {
            EXPECT_EQ(w, nullptr);
            EXPECT_FALSE(QueryWindowSkinFlag(r.control->Handle(), SkinCmdIsSkinned));
            continue;
        }
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->CommonData->SkinSection(), String(r.expected));
    }
}

TEST_F(AdapterTest, AWrapperWhoseControlWasMadeAnewIsReplaced)
{
    SampleManager();
    struct Row {
        const char* name;
        bool byScan;   // the next scan, else the form announcing the control again
    };
    for (const Row& r : {Row{"the next scan", true}, Row{"the control announced again", false}}) {
        SCOPED_TRACE(r.name);
        TSkinTestForm* f = NewForm();
        f->Show();
        auto* button = Add<TButton>(f, 10, 10, 80, 24);
        button->HandleNeeded();
        TsSkinProvider* p = Skin(f);
        TkvCtrlAdapter* a = ControlAdapterOf(*p);
        a->ScanControls();
        ASSERT_NE(WrapperOf(button), nullptr);
        const int items = a->Count();
        // The window goes and a new one comes: the old wrapper went with the old window.
        button->RecreateWnd();
        Pump(10);
        if (r.byScan)
            a->ScanControls();
        else
            a->AddNewItem(button);
        TkvAdapterItem* item = a->ItemOf(button);
        ASSERT_NE(item, nullptr);
        EXPECT_FALSE(item->Dead());
        ASSERT_NE(item->Wrapper, nullptr);
        EXPECT_EQ(item->Wrapper->Handle, button->Handle()) << "the wrapper is on the new window";
        EXPECT_EQ(WrapperOf(button), item->Wrapper);
        EXPECT_TRUE(QueryWindowSkinFlag(button->Handle(), SkinCmdIsSkinned));
        EXPECT_EQ(a->Count(), items) << "one item for the control, as before";
        Free(forms.back());
        forms.pop_back();
    }
}

TEST_F(AdapterTest, RemovingTheSkinGivesEveryControlItsProcedureAndColoursBack)
{
    struct Row {
        const char* how;
        void (*remove)(TsSkinManager*, TsSkinProvider*&);
    };
    const Row rows[] = {
        {"manager switched off", [](TsSkinManager* m, TsSkinProvider*&) { m->SetActive(false); }},
        {"provider freed", [](TsSkinManager*, TsSkinProvider*& p) { FreeAndNil(p); }},
        {"adapter freed", [](TsSkinManager*, TsSkinProvider*& p) { FreeControlAdapter(*p); }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.how);
        TsSkinManager* m = SampleManager();
        std::vector<Placed> placed;
        TSkinTestForm* f = FormWithControls(placed);
        std::vector<ControlState> before;
        for (const Placed& pl : placed)
            before.push_back(StateOf(pl.control));
        TsSkinProvider* p = Skin(f);
        ControlAdapterOf(*p)->ScanControls();
        int changed = 0;
        for (size_t i = 0; i < placed.size(); ++i)
            changed += !(StateOf(placed[i].control) == before[i]);
        EXPECT_GE(changed, 8) << "skinning changed the controls";
        r.remove(m, p);
        Pump(20);
        for (size_t i = 0; i < placed.size(); ++i)
            EXPECT_EQ(StateOf(placed[i].control), before[i]) << placed[i].name;
        Free(forms.back());
        forms.pop_back();
        DestroyManager(m);
    }
}

TEST_F(AdapterTest, FreedInAnyOrderWithHooksAboveAndBelow)
{
    enum Step { FreeButton, FreeSpeed, FreeProvider, FreeManager, FreeForm, UnhookBelow, UnhookAbove };
    struct Row {
        const char* name;
        std::vector<Step> steps;
    };
    const Row rows[] = {
        {"controls, provider, form", {FreeButton, FreeSpeed, FreeProvider, UnhookBelow, UnhookAbove, FreeForm}},
        {"provider, controls, form", {FreeProvider, UnhookAbove, FreeButton, FreeSpeed, FreeForm}},
        {"manager first", {FreeManager, UnhookBelow, FreeButton, FreeProvider, FreeForm}},
        {"form with everything on it", {UnhookAbove, FreeForm}},
        {"hooks off first", {UnhookBelow, UnhookAbove, FreeSpeed, FreeForm}},
        {"provider after its form's controls", {FreeSpeed, FreeButton, FreeManager, FreeProvider, FreeForm}},
    };
    const int liveBefore = LiveSkinDataCount();
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        TsSkinManager* m = SampleManager();
        TSkinTestForm* f = NewForm();
        f->Show();
        auto* button = Add<TButton>(f, 10, 10, 80, 24);
        button->HandleNeeded();
        auto* speed = Add<TSpeedButton>(f, 100, 10, 40, 24);
        auto below = std::make_unique<ProbeHook>(button);
        TsSkinProvider* p = Skin(f);
        ControlAdapterOf(*p)->ScanControls();
        ASSERT_NE(WrapperOf(button), nullptr);
        ASSERT_NE(ControlAdapterOf(*p)->GraphItemOf(speed), nullptr);
        auto above = std::make_unique<ProbeHook>(button);
        TControl* buttonLive = button;
        for (Step s : r.steps) {
            switch (s) {
            case FreeButton:
                // The program's hooks let go of a control it frees.
                for (auto* h : {above.get(), below.get()})
                    if (h)
                        h->hook.Forget();
                Free(std::exchange(button, nullptr));
                buttonLive = nullptr;
                break;
            case FreeSpeed:
                Free(std::exchange(speed, nullptr));
                break;
            case FreeProvider:
                FreeAndNil(p);
                break;
            case FreeManager:
                DestroyManager(std::exchange(m, nullptr));
                break;
            case FreeForm:
                for (auto* h : {above.get(), below.get()})
                    if (h && buttonLive)
                        h->hook.Forget();
                Free(forms.back());
                forms.pop_back();
                buttonLive = nullptr;
                break;
            case UnhookBelow:
                if (buttonLive)
                    below->hook.Unhook();
                below.reset();
                break;
            case UnhookAbove:
                if (buttonLive)
                    above->hook.Unhook();
                above.reset();
                break;
            }
            Pump(5);
            // The hooks still in place keep seeing the button's messages.
            if (buttonLive) {
                const int seenAbove = above ? above->probes : 0, seenBelow = below ? below->probes : 0;
                SendMessageW(button->Handle(), ProbeHook::kProbe, 0, 0);
                if (above) {
                    EXPECT_EQ(above->probes, seenAbove + 1);
                }
                if (below) {
                    EXPECT_EQ(below->probes, seenBelow + 1);
                }
            }
        }
        if (m)
            DestroyManager(m);
        Pump(5);
        EXPECT_EQ(LiveSkinDataCount(), liveBefore) << "every skin data went";
    }
}

// A new hue reaches the screen within the change: every control and the frame
// show what a full repaint afterwards shows, though nothing was pumped between.
TEST_F(AdapterTest, AHueChangeIsOnTheScreenWhenItReturns)
{
    TsSkinManager* m = SampleManager();
    std::vector<Placed> placed;
    TSkinTestForm* f = FormWithControls(placed);
    // A speed button repaints its whole form on a refresh: without it, only the
    // change itself can have painted the other controls.
    for (Placed& p : placed)
        if (std::string(p.name) == "TSpeedButton")
            Free(p.control);
    Skin(f);
    auto repaintAll = [f] {
        RedrawWindow(f->Handle(), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    };
    repaintAll();
    auto before = CaptureWindow(f->Handle());
    m->SetHueOffset(150);
    auto shown = CaptureWindow(f->Handle());
    repaintAll();
    auto fresh = CaptureWindow(f->Handle());
    EXPECT_GT(DifferentShare(before.get(), shown.get(), 8), 0.1) << "the new hue is shown";
    EXPECT_LT(DifferentShare(shown.get(), fresh.get(), 8), 0.002) << "as a full repaint shows it";
}

}  // namespace

// A provider given to a form that already shows (made at run time, or placed
// on it later) wraps the form's controls by itself: at its first non-client
// message, not at some later rescan.
TEST_F(AdapterTest, AProviderAddedToAShownFormWrapsItsControls)
{
    struct Row {
        const char* what;
        bool runTime;
        UINT message;
    };
    const Row rows[] = {
        {"made at run time, first hit test", true, WM_NCHITTEST},
        {"made at run time, first frame paint", true, WM_NCPAINT},
        {"made at run time, activation", true, WM_NCACTIVATE},
        {"placed later, frame paint", false, WM_NCPAINT},
        {"placed later, activation", false, WM_NCACTIVATE},
    };
    const std::pair<const char*, int> listed[] = {
        {"TEdit", tpEdit},         {"TButton", tpButton},     {"TCheckBox", tpCheckBox},
        {"TListBox", tpEdit},      {"TPanel", tpPanel},       {"TGroupBox", tpGroupBox},
        {"TComboBox", tpComboBox}, {"TTreeView", tpTreeView}, {"TScrollBox", tpScrollControl},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        TsSkinManager* m = SampleManager();
        std::vector<Placed> placed;
        TSkinTestForm* f = FormWithControls(placed);
        ASSERT_TRUE(IsWindowVisible(f->Handle()));
        TsSkinProvider* p = r.runTime ? TsSkinProvider::CreateAtRunTime(f) : TsSkinProvider::Create(f);
        SendMessageW(f->Handle(), r.message, r.message == WM_NCACTIVATE ? TRUE : 1, 0);
        ASSERT_NE(ExistingControlAdapter(*p), nullptr);
        for (const auto& [name, list] : listed) {
            auto it = std::find_if(placed.begin(), placed.end(),
                                   [&](const Placed& pl) { return std::string(pl.name) == name; });
            ASSERT_NE(it, placed.end());
            EXPECT_EQ(WrapperOf(it->control) != nullptr, AdapterWrapperFactory(list) != nullptr) << name;
        }
        Free(forms.back());
        forms.pop_back();
        DestroyManager(m);
    }
}
