// The skin manager at work on real windows: broadcasting a skin through a
// form's control tree, removing it, the list of skinned forms, repainting
// with suspended redraw, hot tracking by mouse messages, the skin editor's
// hand-over, the application window hook, and managers, forms and controls
// destroyed in every order.
#include "tests/skin/SkinRuntimeFixture.h"
#include "tests/skin/FakeProvider.h"

#include "skin/model/SkinFiles.h"

using namespace skintest;

namespace {

class Broadcast : public SkinRuntime {
protected:
    void TearDown() override
    {
        SkinEditorLinked = false;
        SkinRuntime::TearDown();
    }
    // A form with a panel holding an edit, a button and a graphic control.
    struct Tree {
        TSkinTestForm* form;
        TSkinTestPanel* panel;
        TSkinTestEdit* edit;
        TSkinTestButton* button;
        TSkinTestGraphic* graphic;
    };
    Tree MakeTree()
    {
        Tree t{};
        t.form = NewForm(420, 320);
        t.panel = Add<TSkinTestPanel>(t.form, 10, 10, 380, 250);
        t.edit = Add<TSkinTestEdit>(t.panel, 10, 10, 150, 24);
        t.button = Add<TSkinTestButton>(t.panel, 10, 50, 100, 30);
        t.graphic = Add<TSkinTestGraphic>(t.panel, 200, 50, 40, 40);
        t.form->Show();
        Pump(20);
        return t;
    }
    static int Sum(const Tree& t, unsigned cmd)
    {
        return t.panel->Commands.Count(cmd) + t.edit->Commands.Count(cmd) + t.button->Commands.Count(cmd) +
               t.graphic->Commands.Count(cmd);
    }
    // The skin editor's record.
    static std::string Record(const std::string& name, const std::string& folder, const std::string& options,
                              int32_t signature = 0xA400)
    {
        std::string r(SkinTransferRecordSize, '\0');
        std::memcpy(r.data(), &signature, 4);
        std::memcpy(r.data() + 4, name.data(), std::min<size_t>(name.size(), 128));
        std::memcpy(r.data() + 132, folder.data(), std::min<size_t>(folder.size(), 513));
        std::memcpy(r.data() + 645, options.data(), std::min<size_t>(options.size(), 30001));
        return r;
    }
    static LRESULT SendRecord(HWND to, const std::string& bytes, WPARAM w = SkinTransferWParam, size_t size = 0)
    {
        COPYDATASTRUCT cds{};
        cds.cbData = DWORD(size ? size : bytes.size());
        cds.lpData = const_cast<char*>(bytes.data());
        return SendMessageW(to, WM_COPYDATA, w, LPARAM(&cds));
    }
};

}  // namespace

TEST_F(Broadcast, ActivatingTheSampleSkinReachesEveryControlOnce)
{
    Tree t = MakeTree();
    EXPECT_EQ(t.panel->SkinData().SectionIndex, -1);   // no manager yet
    TsSkinManager* m = SampleManager(false);
    m->SetSkinName(L"Slate");
    ASSERT_TRUE(m->SkinData().Active);
    EXPECT_EQ(t.panel->Commands.Count(SkinCmdNewSkin), 1);
    EXPECT_EQ(t.edit->Commands.Count(SkinCmdNewSkin), 1);
    EXPECT_EQ(t.button->Commands.Count(SkinCmdNewSkin), 1);
    EXPECT_EQ(t.graphic->Commands.Count(SkinCmdNewSkin), 1);
    EXPECT_EQ(t.form->Commands.Count(SkinCmdNewSkin), 1);
    EXPECT_FALSE(SkinChanging);
    // Each resolved its section.
    EXPECT_EQ(t.panel->SkinData().SectionIndex, m->FindSectionIndex(L"PANEL"));
    EXPECT_EQ(t.edit->SkinData().SectionIndex, m->FindSectionIndex(L"EDIT"));
    EXPECT_EQ(t.button->SkinData().SectionIndex, m->FindSectionIndex(L"BUTTON"));
    EXPECT_EQ(t.graphic->SkinData().SectionIndex, m->FindSectionIndex(L"SPEEDBUTTON"));
    EXPECT_GE(t.graphic->SkinData().SectionIndex, 0);
    EXPECT_EQ(t.panel->SkinData().BorderMaskIndex, m->gd()[size_t(t.panel->SkinData().SectionIndex)].BorderMaskIndex);
    // The edit (a colour kind) took the section's colours; the panel kept its own.
    EXPECT_EQ(t.edit->Color(), 16776700);
    EXPECT_EQ(t.edit->Font().Color(), 3352094);
    EXPECT_EQ(t.panel->Color(), clBtnFace);
    // ... and they show.
    t.form->Invalidate();
    RedrawWindow(t.form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump(50);
    EXPECT_EQ(WindowPixel(t.panel->Handle(), 300, 200), COLORREF(15920360));
    EXPECT_EQ(WindowPixel(t.edit->Handle(), 140, 12), COLORREF(16776700));
    // The see-through graphic shows the panel's plain inside under it, not the
    // panel's own frame strips from its top-left corner.
    EXPECT_EQ(WindowPixel(t.panel->Handle(), 200, 50), COLORREF(15920360));
    EXPECT_EQ(WindowPixel(t.panel->Handle(), 201, 70), COLORREF(15920360));
    SaveWindowShot(t.form->Handle(), L"skin_tree_slate");

    // Switched off: every index back to -1, caches emptied, plain colours back.
    ASSERT_FALSE(t.panel->SkinData().CacheBitmap->Empty());
    m->SetActive(false);
    EXPECT_EQ(Sum(t, SkinCmdRemoveSkin), 4);
    for (TsCommonData* d : {static_cast<TsCommonData*>(&t.panel->SkinData()),
                            static_cast<TsCommonData*>(&t.edit->SkinData()),
                            static_cast<TsCommonData*>(&t.button->SkinData()),
                            static_cast<TsCommonData*>(&t.graphic->SkinData())}) {
        EXPECT_EQ(d->SectionIndex, -1);
        EXPECT_EQ(d->BorderMaskIndex, -1);
        EXPECT_EQ(d->TextureIndex, -1);
        EXPECT_FALSE(d->IsSkinned());
        if (d->CacheBitmap) {
            EXPECT_TRUE(d->CacheBitmap->Empty());
        }
    }
    EXPECT_EQ(t.edit->Color(), clWindow);
    EXPECT_EQ(t.edit->Font().Color(), clWindowText);
    RedrawWindow(t.form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump(50);
    EXPECT_EQ(WindowPixel(t.panel->Handle(), 300, 200), COLORREF(GetSysColor(COLOR_BTNFACE)));
    EXPECT_EQ(WindowPixel(t.edit->Handle(), 140, 12), COLORREF(GetSysColor(COLOR_WINDOW)));
    // And on again: once more each.
    m->SetActive(true);
    EXPECT_EQ(Sum(t, SkinCmdNewSkin), 8);
    EXPECT_EQ(t.edit->Color(), 16776700);
}

TEST_F(Broadcast, SkinnedFormsListAndDelivery)
{
    TsSkinManager* m = SmallManager();
    TSkinTestForm* plain = NewForm();
    // A form skinned through a provider answers "skinned": it gets the
    // commands as a registered form only.
    TSkinTestForm* skinned = NewForm();
    skinned->AnswersSkinned = true;
    auto* p = Add<TSkinTestPanel>(skinned, 0, 0, 50, 50);
    plain->Show();
    skinned->Show();
    RegisterSkinnedForm(skinned);
    RegisterSkinnedForm(skinned);   // twice is harmless
    EXPECT_EQ(std::count(SkinnedForms().begin(), SkinnedForms().end(), skinned), 1);
    m->UpdateSkin(false);
    EXPECT_EQ(plain->Commands.Count(SkinCmdNewSkin), 1);
    EXPECT_EQ(skinned->Commands.Count(SkinCmdNewSkin), 1);
    EXPECT_EQ(p->Commands.Count(SkinCmdNewSkin), 1);
    UnregisterSkinnedForm(skinned);
    EXPECT_EQ(std::count(SkinnedForms().begin(), SkinnedForms().end(), skinned), 0);
    m->UpdateSkin(false);
    EXPECT_EQ(skinned->Commands.Count(SkinCmdNewSkin), 1);   // skinned and not registered: not reached
    EXPECT_EQ(plain->Commands.Count(SkinCmdNewSkin), 2);
    // A destroyed form leaves the list.
    auto* gone = new TSkinTestForm(nullptr);
    RegisterSkinnedForm(gone);
    size_t before = SkinnedForms().size();
    Free(gone);
    EXPECT_EQ(SkinnedForms().size(), before - 1);
    m->UpdateSkin(false);   // nothing dangling to send to
    EXPECT_EQ(plain->Commands.Count(SkinCmdNewSkin), 3);
}

TEST_F(Broadcast, RepaintSendsBeforeRefreshAndRefresh)
{
    TsSkinManager* m = SmallManager();
    Tree t = MakeTree();
    t.panel->Commands.Clear();
    m->RepaintForms(false);
    EXPECT_EQ(t.panel->Commands.Count(SkinCmdBeforeRefresh), 1);
    EXPECT_EQ(t.panel->Commands.Count(SkinCmdRefresh), 1);
    EXPECT_EQ(Sum(t, SkinCmdRefresh), 4);
    // Refresh clears Updating and marks the background.
    t.button->SkinData().Updating = true;
    t.button->SkinData().BackgroundChanged = false;
    m->RepaintForms(true);
    EXPECT_FALSE(t.button->SkinData().Updating);
    EXPECT_TRUE(t.button->SkinData().BackgroundChanged);   // repainted when its turn comes
    // The auxiliary window hears the refresh too.
    auto* aux = Add<TSkinTestPanel>(t.form, 0, 280, 10, 10);
    t.form->Show();
    aux->HandleNeeded();
    SkinHooks.AuxiliaryWindow = aux->Handle();
    int refreshes = aux->Commands.Count(SkinCmdRefresh);
    m->RepaintForms(false);
    EXPECT_EQ(aux->Commands.Count(SkinCmdRefresh), refreshes + 2);   // through the tree and directly
}

TEST_F(Broadcast, SuspendedRedrawIsResumedOnEveryPath)
{
    TsSkinManager* m = SmallManager();
    Tree t = MakeTree();
    HWND h = t.form->Handle();
    // Without a form provider nothing is suspended (that part is not built in yet).
    m->SuspendFormRedraw();
    EXPECT_TRUE(GetWindowLongPtrW(h, GWL_STYLE) & WS_VISIBLE);
    m->ResumeFormRedraw(true);
    // A provider of our own on the form's window.
    int suspends = 0, resumes = 0, fades = 0, covers = 0;
    bool visibleDuringFade = true;
    FakeProvider provider(t.form, m);
    provider.suspend = [&] { ++suspends; return true; };
    provider.resume = [&](bool) { ++resumes; return false; };
    provider.cover = [&] { ++covers; return true; };
    provider.paintsNonClient = true;
    provider.fade = [&](unsigned time, uint8_t alpha, TkvAnimType type) {
        ++fades;
        EXPECT_EQ(time, 100u);
        EXPECT_EQ(alpha, 255);
        EXPECT_EQ(type, TkvAnimType::atFading);
        visibleDuringFade = (GetWindowLongPtrW(h, GWL_STYLE) & WS_VISIBLE) != 0;   // redraw is on again
    };
    m->RepaintForms(true);
    EXPECT_EQ(suspends, 1);
    EXPECT_EQ(resumes, 1);
    EXPECT_EQ(fades, 1);
    EXPECT_TRUE(visibleDuringFade);
    EXPECT_TRUE(GetWindowLongPtrW(h, GWL_STYLE) & WS_VISIBLE);
    // A broadcast with animation suspends once and resumes once.
    m->UpdateSkin(true);
    EXPECT_EQ(suspends, 2);
    EXPECT_EQ(resumes, 2);
    // A failing fade still resumes the form and clears the animation flag.
    provider.fade = [&](unsigned, uint8_t, TkvAnimType) {
        AnimationRunning = true;
        throw std::runtime_error("fade failed");
    };
    EXPECT_THROW(m->RepaintForms(true), std::runtime_error);
    EXPECT_EQ(resumes, 2);   // the provider's own resume was cut short by the failure...
    EXPECT_TRUE(GetWindowLongPtrW(h, GWL_STYLE) & WS_VISIBLE);   // ...but redraw is on
    EXPECT_FALSE(AnimationRunning);
    // Covers: taken for the provider's forms, and the animation flag goes with the resume.
    m->CaptureFormCovers();
    EXPECT_EQ(covers, 1);
    EXPECT_TRUE(AnimationRunning);
    m->ResumeFormRedraw(false);
    EXPECT_FALSE(AnimationRunning);
    // The skin-changing animation switched off for one EndUpdate: time 0, setting kept.
    provider.fade = [&](unsigned, uint8_t, TkvAnimType) { ++fades; };
    int fadesBefore = fades;
    m->BeginUpdate();
    m->EndUpdate(true, false);
    EXPECT_EQ(fades, fadesBefore);
    EXPECT_TRUE(m->AnimEffects.SkinChanging.Active);
}

TEST_F(Broadcast, HotTrackingByMouseMessages)
{
    TsSkinManager* m = SmallManager();
    Tree t = MakeTree();
    // Into the button: it becomes the hot window and hears the manager.
    SendMessageW(t.button->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(t.button->SkinData().MouseInside);
    EXPECT_EQ(m->HotWindow(), t.button->Handle());
    EXPECT_EQ(t.button->Commands.Count(SkinCmdMouseEnter), 1);
    EXPECT_TRUE(t.button->SkinData().IsHot());
    // Into the edit: the button is left, the edit takes its hot colours.
    SendMessageW(t.edit->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(m->HotWindow(), t.edit->Handle());
    EXPECT_EQ(t.button->Commands.Count(SkinCmdMouseLeave), 1);
    EXPECT_FALSE(t.button->SkinData().MouseInside);
    EXPECT_TRUE(t.edit->SkinData().MouseInside);
    EXPECT_EQ(t.edit->Color(), 0xC0D0E0);
    EXPECT_EQ(t.edit->Font().Color(), 0x0000FF);
    // Onto the graphic control through its parent's window: the hot control.
    SendMessageW(t.panel->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(210, 60));
    EXPECT_EQ(m->HotControl(), t.graphic);
    EXPECT_EQ(m->HotWindow(), nullptr);
    EXPECT_TRUE(t.graphic->SkinData().MouseInside);
    EXPECT_FALSE(t.edit->SkinData().MouseInside);
    EXPECT_EQ(t.edit->Color(), 0xE0F0FF);   // normal colours back
    // Off it onto the panel: the control is released and told.
    SendMessageW(t.panel->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(300, 200));
    EXPECT_FALSE(t.graphic->SkinData().MouseInside);
    EXPECT_EQ(m->HotControl(), nullptr);
    EXPECT_EQ(t.graphic->Commands.Count(SkinCmdMouseLeave), 1);
    EXPECT_EQ(m->HotWindow(), t.panel->Handle());
    EXPECT_FALSE(t.panel->SkinData().MouseInside);   // panels have no hot state
    // Releasing is refused while the control still has the mouse.
    m->SetHotControl(t.graphic);
    t.graphic->SkinData().MouseInside = true;
    m->SetHotControl(nullptr);
    EXPECT_EQ(m->HotControl(), t.graphic);
    // A hot control that is destroyed is forgotten.
    Free(t.graphic);
    EXPECT_EQ(m->HotControl(), nullptr);
    // Suppressed hot tracking: not hot even with the mouse inside.
    HotTrackingSuppressed = true;
    t.button->SkinData().MouseInside = true;
    EXPECT_FALSE(t.button->SkinData().IsHot());
    HotTrackingSuppressed = false;
    EXPECT_TRUE(t.button->SkinData().IsHot());
}

TEST_F(Broadcast, FocusGivesTheHotColours)
{
    SmallManager();
    Tree t = MakeTree();
    SetForegroundWindow(t.form->Handle());
    t.edit->SetFocus();
    Pump(20);
    EXPECT_TRUE(t.edit->SkinData().Focused);
    EXPECT_EQ(t.edit->Color(), 0xC0D0E0);
    t.button->SetFocus();
    Pump(20);
    EXPECT_FALSE(t.edit->SkinData().Focused);
    EXPECT_EQ(t.edit->Color(), 0xE0F0FF);
}

TEST_F(Broadcast, EditorHandOverLoadsTheSampleSkinFromItsFolder)
{
    TsSkinManager* m = SmallManager();
    TSkinTestForm* f = NewForm();
    f->EditorManager = m;
    f->Show();
    String skins = EnvPath("TALVERA_CONTENT") + L"\\Skins";
    std::string options = ReadBytes(skins + L"\\Slate\\Options.dat");
    ASSERT_FALSE(options.empty());
    // The options come from the record, not from the file: one colour differs.
    std::string marked = options;
    size_t at = marked.find("[PANEL]\r\nCOLOR=15920360");
    ASSERT_NE(at, std::string::npos);
    marked.replace(at, 23, "[PANEL]\r\nCOLOR=1193046");   // 0x123456
    std::string folder = StringToAnsi(skins);
    // A short record, a wrong signature, no data and another WParam are ignored.
    std::string rec = Record("Slate", folder, marked);
    EXPECT_EQ(SendRecord(f->Handle(), rec, SkinTransferWParam, SkinTransferRecordSize - 1), 0);
    EXPECT_EQ(SendRecord(f->Handle(), Record("Slate", folder, marked, 0xA401)), 0);
    EXPECT_EQ(SendRecord(f->Handle(), rec, 6), 0);
    COPYDATASTRUCT empty{7, DWORD(SkinTransferRecordSize), nullptr};
    EXPECT_EQ(SendMessageW(f->Handle(), WM_COPYDATA, SkinTransferWParam, LPARAM(&empty)), 0);
    EXPECT_EQ(m->SkinName(), L"Small");
    EXPECT_FALSE(SkinEditorLinked);
    EXPECT_EQ(f->EditorAnswers, 0);
    // The real one.
    int before = f->Commands.Count(SkinCmdNewSkin);
    EXPECT_EQ(SendRecord(f->Handle(), rec), 1);
    EXPECT_EQ(f->EditorAnswers, 1);
    EXPECT_TRUE(SkinEditorLinked);
    EXPECT_EQ(m->SkinName(), L"Slate");
    EXPECT_EQ(m->SkinDirectory(), skins);
    EXPECT_TRUE(m->SkinData().Active);
    EXPECT_EQ(m->SkinData().SkinFolder, StringToUtf8(skins + L"\\Slate\\"));   // the folder, not the packed file
    EXPECT_EQ(m->gd()[size_t(m->FindSectionIndex(L"PANEL"))].IniColor, 0x123456);
    EXPECT_FALSE(m->InUpdate());
    EXPECT_EQ(SkinEditorOptions, nullptr);
    EXPECT_EQ(f->Commands.Count(SkinCmdNewSkin), before + 1);
    // Strings are bounded by their fields: a name that fills its field is not run on into the folder.
    std::string longName(128, 'N');
    EXPECT_EQ(SendRecord(f->Handle(), Record(longName, folder, options)), 1);
    EXPECT_EQ(m->SkinName(), String(128, L'N'));   // the folder field right after it is not part of it
    EXPECT_EQ(m->SkinDirectory(), skins);
}

TEST_F(Broadcast, ApplicationWindowHook)
{
    HWND app = Application->Handle();
    int hooks = Application->MainWindowHookCount();
    TsSkinManager* m = SmallManager();
    EXPECT_TRUE(m->AppHookInstalled());
    EXPECT_EQ(Application->MainWindowHookCount(), hooks + 1);
    TSkinTestForm* f = NewForm();
    f->Show();
    // Becoming the active application repaints every form.
    int repaints = f->Commands.Count(SkinCmdForceRepaint);
    SendMessageW(app, WM_ACTIVATEAPP, TRUE, 0);
    EXPECT_EQ(f->Commands.Count(SkinCmdForceRepaint), repaints + 1);
    SendMessageW(app, WM_ACTIVATEAPP, FALSE, 0);   // deactivation is not told
    EXPECT_EQ(f->Commands.Count(SkinCmdForceRepaint), repaints + 1);
    // System commands: the state is kept; a provider may take over minimising and restoring.
    TSkinTestForm* mainForm = nullptr;
    Application->CreateForm(mainForm);
    forms.push_back(mainForm);
    ASSERT_EQ(Application->MainForm(), mainForm);
    mainForm->Show();
    int minimized = 0, restored = 0;
    FakeProvider provider(mainForm);
    provider.paintsNonClient = true;
    provider.minimize = [&] { return ++minimized > 0; };
    provider.restore = [&] { return ++restored > 0; };
    SendMessageW(app, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_EQ(m->SysCommandState(), 2);
    EXPECT_EQ(minimized, 1);
    EXPECT_FALSE(IsIconic(app));   // handled by the provider
    SendMessageW(app, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_EQ(m->SysCommandState(), 1);
    EXPECT_EQ(restored, 1);
    SendMessageW(app, WM_SYSCOMMAND, 0xF1F0, 0);
    EXPECT_EQ(m->SysCommandState(), 0);
    // Without a skin the commands are not looked at.
    m->SetActive(false);
    m->AppWindowHook(*std::make_unique<TMessage>(TMessage{WM_SYSCOMMAND, SC_RESTORE, 0, 0}));
    EXPECT_EQ(restored, 1);
    EXPECT_EQ(m->SysCommandState(), 0);
    m->SetActive(true);
    // The hide animation: bounded wait, flag cleared afterwards.
    m->AnimEffects.FormHide.Time = 60;
    int hides = 0;
    provider.prepareHide = [] { return true; };
    provider.hide = [&] { ++hides; };   // never clears the flag
    WINDOWPOS wp{};
    wp.hwnd = app;
    wp.flags = SWP_HIDEWINDOW;
    DWORD t0 = GetTickCount();
    SendMessageW(app, WM_WINDOWPOSCHANGED, 0, LPARAM(&wp));
    EXPECT_EQ(hides, 1);
    EXPECT_GE(GetTickCount() - t0, 500u);   // it waited, and it came back though the flag stayed set
    EXPECT_FALSE(AnimationRunning);
    // Menu borders only for menu windows.
    int borders = 0;
    SkinHooks.ApplyMenuWindowBorder = [&](HWND) { ++borders; };
    SendMessageW(app, MenuWindowBorderMessage, 0, LPARAM(f->Handle()));
    EXPECT_EQ(borders, 0);
    // Each manager removes only its own hook.
    TsSkinManager* second = SmallManager(false);
    EXPECT_FALSE(second->AppHookInstalled());
    DestroyManager(second);
    EXPECT_EQ(Application->MainWindowHookCount(), hooks + 1);
    DestroyManager(m);
    EXPECT_EQ(Application->MainWindowHookCount(), hooks);
}

TEST_F(Broadcast, DestroyingInEveryOrderLeavesNothingDangling)
{
    // The first manager hooked the application and the dialogs; the default moves on.
    int hooks = Application->MainWindowHookCount();
    TsSkinManager* first = SmallManager();
    EXPECT_NE(DialogHookHandle(), nullptr);
    TsSkinManager* second = SmallManager();
    EXPECT_EQ(DefaultManager, first);
    second->SetIsDefault(true);
    EXPECT_EQ(DefaultManager, second);
    Tree t = MakeTree();
    t.button->SkinData().SetSkinManager(first);   // no longer the default: kept
    EXPECT_EQ(t.button->SkinData().StoredSkinManager(), first);
    RegisterSkinnedForm(t.form);
    first->SetHotControl(t.graphic);
    DestroyManager(first);
    EXPECT_EQ(Application->MainWindowHookCount(), hooks);   // its hook went with it
    EXPECT_EQ(DialogHookHandle(), nullptr);                 // and its dialog hook
    EXPECT_EQ(t.button->SkinData().StoredSkinManager(), nullptr);
    EXPECT_EQ(t.button->SkinData().SkinManager(), second);
    // Messages to the application window and to the controls go on without it.
    SendMessageW(Application->Handle(), WM_ACTIVATEAPP, TRUE, 0);
    SendMessageW(Application->Handle(), WM_SYSCOMMAND, 0xF1F0, 0);
    SendMessageW(t.button->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    Pump(50);
    second->UpdateSkin(false);
    EXPECT_EQ(t.button->SkinData().SectionIndex, second->FindSectionIndex(L"BUTTON"));
    // Controls go before their manager.
    int live = LiveSkinDataCount();
    Free(t.graphic);
    EXPECT_EQ(LiveSkinDataCount(), live - 1);
    second->UpdateSkin(false);
    // The manager goes before the form: the controls forget it.
    DestroyManager(second);
    EXPECT_EQ(DefaultManager, nullptr);
    EXPECT_EQ(t.panel->SkinData().SectionIndex, -1);
    EXPECT_FALSE(t.panel->SkinData().IsSkinned());
    SendMessageW(t.edit->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    RedrawWindow(t.form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump(50);
    // A new manager over a registered form that is destroyed meanwhile.
    TsSkinManager* third = SmallManager();
    forms.erase(std::find(forms.begin(), forms.end(), t.form));
    int alive = LiveSkinDataCount();
    Free(t.form);
    EXPECT_EQ(LiveSkinDataCount(), alive - 3);   // panel, edit and button went with their form
    EXPECT_TRUE(std::find(SkinnedForms().begin(), SkinnedForms().end(), t.form) == SkinnedForms().end());
    third->UpdateSkin(true);
    third->SetActive(false);
    Pump(50);
    EXPECT_EQ(DefaultManager, third);
}

TEST_F(Broadcast, CoversTakenForASkinChangeAreAlwaysReleased)
{
    TsSkinManager* m = SmallManager();
    m->SetExtendedBorders(true);
    ASSERT_TRUE(m->GetExtendedBorders());
    Tree t = MakeTree();
    int covers = 0, suspends = 0, resumes = 0;
    bool runningWhileCovered = false;
    FakeProvider provider(t.form);
    provider.cover = [&] {
        runningWhileCovered = AnimationRunning;   // the fade is under way from the cover on
        return ++covers > 0;
    };
    provider.suspend = [&] { return ++suspends > 0; };
    provider.resume = [&](bool) {
        ++resumes;
        return false;
    };
    // The fade itself is not what is tested here: the provider leaves it out.
    // A skin that loads: covered, suspended once, resumed once.
    m->SetSkinName(L"Small");
    EXPECT_EQ(covers, 1);
    EXPECT_EQ(suspends, 1);
    EXPECT_EQ(resumes, 1);
    EXPECT_TRUE(runningWhileCovered);
    EXPECT_FALSE(AnimationRunning);
    // A skin that fails to load: the cover is released all the same.
    dir.WriteFile(L"Broken\\Options.dat", "[GLOBALINFO]\r\nSHADOW1BLUR=x\r\n");
    m->SetSkinName(L"Broken");
    EXPECT_EQ(m->SkinName(), L"Small");
    EXPECT_EQ(covers, 2);
    EXPECT_EQ(resumes, 2);
    EXPECT_FALSE(AnimationRunning);
    // In the update state no cover is taken.
    m->BeginUpdate();
    m->SetSkinName(L"Small");
    EXPECT_EQ(covers, 2);
    m->EndUpdate(false, true);
    EXPECT_EQ(resumes, 2);
    EXPECT_FALSE(notices.empty());   // the broken skin was reported
}

TEST_F(Broadcast, SkinnedPopupsAndNotificationHooks)
{
    int rehooks = 0;
    std::vector<bool> activations;
    SkinHooks.RehookPopupMenus = [&] { ++rehooks; };
    SkinHooks.SkinActivated = [&](bool on) { activations.push_back(on); };
    TsSkinManager* m = SmallManager(false);
    ASSERT_EQ(activations.size(), 1u);
    EXPECT_FALSE(activations.back());   // no skin yet
    m->SetSkinName(L"Small");
    EXPECT_TRUE(activations.back());
    m->SetSkinnedPopups(false);
    m->SetSkinnedPopups(true);
    EXPECT_EQ(rehooks, 1);
    m->SetSkinnedPopups(true);   // no change: nothing
    EXPECT_EQ(rehooks, 1);
    m->SetActive(false);
    EXPECT_FALSE(activations.back());
}

static int dialogHookCalls = 0;
static LRESULT CALLBACK CountingDialogHook(int code, WPARAM w, LPARAM l)
{
    if (code == HCBT_CREATEWND)
        ++dialogHookCalls;
    return CallNextHookEx(nullptr, code, w, l);
}

TEST_F(Broadcast, DialogHookCallsThroughTheSeam)
{
    int& calls = dialogHookCalls;
    calls = 0;
    SkinHooks.DialogHookProc = CountingDialogHook;
    EXPECT_EQ(DialogHookHandle(), nullptr);
    TsSkinManager* m = SmallManager();
    ASSERT_TRUE(m->DialogHookInstalled());
    ASSERT_NE(SkinnedDialogs(), nullptr);
    TSkinTestForm* f = NewForm();
    f->Show();
    EXPECT_GT(calls, 0);   // the form's window went through the hook
    m->SetActive(false);
    EXPECT_EQ(DialogHookHandle(), nullptr);
    EXPECT_EQ(SkinnedDialogs(), nullptr);
    int before = calls;
    TSkinTestForm* g = NewForm();
    g->Show();
    EXPECT_EQ(calls, before);
}
