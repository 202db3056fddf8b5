// The skin manager: its properties, life and settings.
#include "skin/core/SkinManager.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <cwctype>

#include "skin/core/CommonData.h"
#include "skin/core/SkinHooks.h"
#include "skin/core/SkinManagerDetail.h"
#include "skin/core/SkinMenus.h"
#include "skin/model/MaskPaint.h"
#include "skin/graphics/Utils.h"
#include "classlib/TypInfo.h"

TsSkinManager* DefaultManager = nullptr;
bool SkinLoading = false;
bool SkinEditorLinked = false;
std::unique_ptr<std::string> SkinEditorOptions;

namespace skinmanager_detail {

bool ApplicationMinimized() { return Application && IsIconic(Application->Handle()); }

}  // namespace skinmanager_detail

namespace {

void DefaultNotice(TsNoticeKind kind, const String& text)
{
    if (kind == TsNoticeKind::Error)
        ShowErrorBox(text);
    else
        ShowMessageBox(text, 0, mbOK, 0);   // a warning with an OK button
}

bool DefaultTestSwitch()
{
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    bool found = false;
    for (int i = 1; argv && i < argc; ++i) {
        String a = argv[i];
        for (wchar_t& c : a)
            c = wchar_t(std::towlower(c));
        found = found || a == L"/kvtest";
    }
    LocalFree(argv);
    return found;
}

// The generations of every manager, from one sequence (see Generation());
// managers live on the GUI thread.
uint64_t lastGeneration = 0;

}  // namespace

void TsSkinManager::SkinChanged() { generation_ = ++lastGeneration; }

std::function<void(TsNoticeKind, const String&)> SkinNoticeSink = DefaultNotice;
std::function<bool()> SkinTestSwitch = DefaultTestSwitch;

// ---------------------------------------------------------------- manager

namespace {

// The manager's published properties, registered once, so that they can be
// read and written by name like those of any other component.
void RegisterSkinManagerProperties()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    RegisterSkinEffectsProperties();
    RegisterMenuSupportProperties();
    RegisterSkinableMenusProperties();
    const TClassInfo* cls = TsSkinManager::StaticClassInfo();
    auto m = [](TObject* o) { return static_cast<TsSkinManager*>(o); };
    auto boolean = [&](const wchar_t* name, std::function<bool(TsSkinManager*)> get,
                       std::function<void(TsSkinManager*, bool)> set) {
        TPropInfo p;
        p.Name = name;
        p.Kind = TTypeKind::tkEnumeration;
        p.EnumNames = {L"False", L"True"};
        p.GetOrd = [get, m](TObject* o) { return int64_t(get(m(o))); };
        p.SetOrd = [set, m](TObject* o, int64_t v) { set(m(o), v != 0); };
        RegisterProperty(cls, std::move(p));
    };
    auto integer = [&](const wchar_t* name, std::function<int(TsSkinManager*)> get,
                       std::function<void(TsSkinManager*, int)> set) {
        TPropInfo p;
        p.Name = name;
        p.GetOrd = [get, m](TObject* o) { return int64_t(get(m(o))); };
        p.SetOrd = [set, m](TObject* o, int64_t v) { set(m(o), int(v)); };
        RegisterProperty(cls, std::move(p));
    };
    auto text = [&](const wchar_t* name, std::function<String(TsSkinManager*)> get,
                    std::function<void(TsSkinManager*, const String&)> set) {
        TPropInfo p;
        p.Name = name;
        p.Kind = TTypeKind::tkString;
        p.GetStr = [get, m](TObject* o) { return get(m(o)); };
        p.SetStr = [set, m](TObject* o, const String& v) { set(m(o), v); };
        RegisterProperty(cls, std::move(p));
    };
    auto object = [&](const wchar_t* name, std::function<TObject*(TsSkinManager*)> get) {
        TPropInfo p;
        p.Name = name;
        p.Kind = TTypeKind::tkClass;
        p.GetObj = [get, m](TObject* o) { return get(m(o)); };
        RegisterProperty(cls, std::move(p));
    };
    boolean(L"Active", [](TsSkinManager* x) { return x->Active(); }, [](TsSkinManager* x, bool v) { x->SetActive(v); });
    boolean(L"IsDefault", [](TsSkinManager* x) { return x->IsDefault(); },
            [](TsSkinManager* x, bool v) { x->SetIsDefault(v); });
    boolean(L"ExtendedBorders", [](TsSkinManager* x) { return x->GetExtendedBorders(); },
            [](TsSkinManager* x, bool v) { x->SetExtendedBorders(v); });
    boolean(L"SkinnedPopups", [](TsSkinManager* x) { return x->SkinnedPopups(); },
            [](TsSkinManager* x, bool v) { x->SetSkinnedPopups(v); });
    integer(L"HueOffset", [](TsSkinManager* x) { return x->HueOffset(); },
            [](TsSkinManager* x, int v) { x->SetHueOffset(v); });
    integer(L"Saturation", [](TsSkinManager* x) { return x->Saturation(); },
            [](TsSkinManager* x, int v) { x->SetSaturation(v); });
    text(L"SkinDirectory", [](TsSkinManager* x) { return x->SkinDirectory(); },
         [](TsSkinManager* x, const String& v) { x->SetSkinDirectory(v); });
    text(L"SkinName", [](TsSkinManager* x) { return x->SkinName(); },
         [](TsSkinManager* x, const String& v) { x->SetSkinName(v); });
    text(L"SkinInfo", [](TsSkinManager* x) { return x->SkinInfo(); },
         [](TsSkinManager* x, const String& v) { x->SetSkinInfo(v); });
    TPropInfo rules;
    rules.Name = L"SkinningRules";
    rules.Kind = TTypeKind::tkSet;
    rules.EnumNames = {L"srStdForms", L"srStdDialogs", L"srThirdParty"};
    rules.GetOrd = [m](TObject* o) { return int64_t(m(o)->SkinningRules); };
    rules.SetOrd = [m](TObject* o, int64_t v) { m(o)->SkinningRules = unsigned(v); };
    RegisterProperty(cls, std::move(rules));
    object(L"MenuSupport", [](TsSkinManager* x) -> TObject* { return &x->MenuSupport; });
    object(L"AnimEffects", [](TsSkinManager* x) -> TObject* { return &x->AnimEffects; });
    object(L"Effects", [](TsSkinManager* x) -> TObject* { return &x->Effects; });
    object(L"ThirdParty", [](TsSkinManager* x) -> TObject* { return &x->ThirdParty; });
    object(L"InternalSkins", [](TsSkinManager* x) -> TObject* { return &x->InternalSkins(); });
    object(L"CommonSections", [](TsSkinManager* x) -> TObject* {
        return const_cast<TStringList*>(&x->CommonSections());
    });
}

}  // namespace

// The glow windows' view of a manager: a section's glow mask, its margins,
// and the mask painted in nine parts keeping per-pixel alpha.
TsSkinManager* TsManagerGlowSkin::Manager() const { return manager_ ? manager_ : DefaultManager; }

int TsManagerGlowSkin::FindMaskIndex(const String& section, const String& maskName) const
{
    TsSkinManager* m = Manager();
    int s = m ? m->FindSectionIndex(section) : -1;
    return s < 0 ? -1 : m->FindMaskIndex(s, section, maskName);
}

RECT TsManagerGlowSkin::MaskMargins(int mask) const
{
    TsSkinManager* m = Manager();
    if (!m || !m->IsMaskIndexValid(mask))
        return {0, 0, 0, 0};
    const TsMaskData& k = m->Tables().Masks[size_t(mask)];
    return {k.MarginLeft, k.MarginTop, k.MarginRight, k.MarginBottom};
}

void TsManagerGlowSkin::PaintMask(int mask, TBitmap* bmp) const
{
    TsSkinManager* m = Manager();
    if (!m || !bmp || bmp->Empty() || !m->IsMaskIndexValid(mask))
        return;
    PixelView v = bmp->View();
    skinpaint::PaintMaskNineParts32Alpha(v, {0, 0, bmp->Width(), bmp->Height()}, 0, m->Tables(), false, 0, mask,
                                         skinpaint::EmptyBackground());
}

bool TsManagerGlowSkin::Destroying() const
{
    TsSkinManager* m = Manager();
    return !m || m->Destroying();
}

TsSkinManager::TsSkinManager(TComponent* owner)
    : TComponent(owner), internalSkins_(std::make_unique<TsStoredSkins>(this)),
      tables_(std::make_unique<TsSkinTables>()), skinableMenus_(std::make_unique<TsSkinableMenus>(this)),
      glowSkin_(std::make_unique<TsManagerGlowSkin>(this))
{
    RegisterSkinManagerProperties();
    SkinChanged();   // a new manager shares no generation with one freed before it
    if (!DefaultManager) {
        DefaultManager = this;
        // The first manager watches the application window (every manager
        // removes only the hook it installed itself).
        if (Application && !(ComponentState() & csDesigning)) {
            Application->HookMainWindow(TWindowHook(this, &TsSkinManager::AppWindowHook));
            appHooked_ = true;
        }
    }
    AfterConstruction();
}

TsSkinManager::~TsSkinManager()
{
    SetState(csDestroying);
    if (appHooked_ && Application)
        Application->UnhookMainWindow(TWindowHook(this, &TsSkinManager::AppWindowHook));
    appHooked_ = false;
    SetActive(false);
    RemoveDialogHook();
    // No glow keeps a reference to a manager that is gone.
    for (size_t i = 0; i < TkvGlowEffects().size(); ++i)
        if (TkvGlowEffects()[i] && TkvGlowEffects()[i]->Manager == glowSkin_.get()) {
            int handle = int(i);
            HideGlow(handle);
        }
    // No skin data keeps a reference to a manager that is gone.
    ForgetManagerInAllSkinData(this);
    if (hotControl_)
        RemoveFreeNotification(hotControl_);
    hotControl_ = nullptr;
    for (TCustomForm* f : suspended_)
        RemoveFreeNotification(f);
    for (TCustomForm* f : covered_)
        RemoveFreeNotification(f);
    suspended_.clear();
    covered_.clear();
    for (int i = 0; i < ThirdPartyListCount; ++i)
        ThirdParty.SetList(i, classLists_[size_t(i)].Text());
    internalSkins_.reset();
    if (DefaultManager == this)
        DefaultManager = nullptr;
}

void TsSkinManager::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation != TOperation::opRemove)
        return;
    if (component == hotControl_)
        hotControl_ = nullptr;
    std::erase(suspended_, component);
    std::erase(covered_, component);
}

void TsSkinManager::AfterConstruction()
{
    UpdateThirdPartyLists(false);
    if (skinDirectory_.empty())
        skinDirectory_ = L"c:\\Skins";
    if (!(ComponentState() & csLoading) && SkinHooks.SkinActivated)
        SkinHooks.SkinActivated(active_ && !skinName_.empty());
}

void TsSkinManager::SetSkinnedPopups(bool value)
{
    bool was = skinnedPopups_;
    skinnedPopups_ = value;
    if (value && !was && IsDefault() && !(ComponentState() & csDesigning) && SkinHooks.RehookPopupMenus)
        SkinHooks.RehookPopupMenus();
}

void TsSkinManager::Loaded()
{
    TComponent::Loaded();
    if (skinDirectory_.empty())
        skinDirectory_ = L"c:\\Skins";
    if (MenuSupport.IcoLineSkin.empty())
        MenuSupport.IcoLineSkin = L"ICOLINE";
    UpdateThirdPartyLists(false);
    if (active_ && !skinName_.empty())
        BroadcastNewSkin(false);
    if (SkinHooks.SkinActivated)
        SkinHooks.SkinActivated(active_ && !skinName_.empty());
    if (active_ && OnActivate)
        OnActivate(this);
}

void TsSkinManager::UpdateThirdPartyLists(bool reset)
{
    for (int i = 0; i < ThirdPartyListCount; ++i) {
        if (reset || ThirdParty.GetList(i).empty())
            ThirdParty.SetList(i, DefaultThirdPartyLists[i]);
        classLists_[size_t(i)].SetText(ThirdParty.GetList(i));
    }
}

void TsSkinManager::SetActive(bool value)
{
    if (value == active_)
        return;
    active_ = value;
    SkinChanged();
    if (value) {
        SetSkinName(skinName_);
        return;
    }
    if (!skinName_.empty()) {
        if (!SkinLoading)
            BroadcastSkinRemoved();
        CacheCommonMaskIndexes();
        if (OnDeactivate)
            OnDeactivate(this);
    }
}

void TsSkinManager::SetIsDefault(bool value)
{
    if (value || !DefaultManager) {
        DefaultManager = this;
        if (active_ && !skinName_.empty())
            BroadcastNewSkin(true);
        else
            BroadcastSkinRemoved();
    }
    // False: a manager stays default until another one takes the role.
}

