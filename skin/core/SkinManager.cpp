#include "skin/core/SkinManager.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <cwctype>

#include "skin/core/CommonData.h"
#include "skin/core/ProgramPictures.h"
#include "skin/graphics/SkinCommands.h"
#include "skin/graphics/SkinError.h"
#include "skin/core/SkinHooks.h"
#include "skin/model/SkinFiles.h"
#include "skin/model/SkinLoader.h"
#include "skin/core/SkinMenus.h"
#include "skin/model/SkinPack.h"
#include "skin/model/SkinTransfer.h"
#include "skin/graphics/Glow.h"
#include "skin/graphics/LayeredApi.h"
#include "skin/model/MaskPaint.h"
#include "skin/graphics/Utils.h"
#include "classlib/TypInfo.h"

TsSkinManager* DefaultManager = nullptr;
bool SkinLoading = false;
bool SkinEditorLinked = false;
std::unique_ptr<std::string> SkinEditorOptions;

namespace {

const wchar_t* const kVersionWarning =
    L"This version of the skin have not complete support by used Korvel package release.\r\n"
    L"Components must be updated up to latest version for using this skin.";

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

// Sets the process-wide loading flag for a scope and restores it on every path.
class LoadingScope {
public:
    LoadingScope() : saved_(SkinLoading) { SkinLoading = true; }
    ~LoadingScope() { SkinLoading = saved_; }

private:
    bool saved_;
};

std::string Ansi(const String& s) { return StringToAnsi(s); }
std::string Utf8(const String& s) { return StringToUtf8(s); }

}  // namespace

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
                                         skinpaint::EmptyPaintBg());
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

void TsSkinManager::LoadFrom(bool packed)
{
    LoadingScope loading;
    noticeShown_[0] = noticeShown_[1] = false;   // each notice at most once per load
    if (packed)
        LoadSkinFromPack();
    else
        LoadSkinFromFolder();
}

void TsSkinManager::ReloadSkin()
{
    if (!active_ || SkinLoading || skinName_.empty())
        return;
    bool loaded = false;
    {
        LoadingScope loading;
        bool hadSkin = SkinData().Active;
        try {
            LoadFrom(PackedSourceChosen());
            loaded = true;
        } catch (const std::exception& e) {
            SkinData().Active = hadSkin;   // the skin in use stays
            if (SkinNoticeSink)
                SkinNoticeSink(TsNoticeKind::Error, ExceptionMessage(e));
        }
        if (loaded)
            SkinData().Active = active_ && !tables_->Sections.empty();
    }
    if (loaded && !active_)
        BroadcastSkinRemoved();   // the skin is gone from its source
    if (OnAfterChange)
        OnAfterChange(this);
    if (loaded && active_ && !inUpdate_)
        RepaintForms(true);
}

void TsSkinManager::SetHueOffset(int value)
{
    if (value == hueOffset_)
        return;
    hueOffset_ = value;
    ReloadSkin();
}

void TsSkinManager::SetSaturation(int value)
{
    if (value == saturation_)
        return;
    saturation_ = value;
    ReloadSkin();
}

bool TsSkinManager::GetExtendedBorders() const { return extendedBorders_ && LayeredWindowsAvailable(); }

void TsSkinManager::SetExtendedBorders(bool value)
{
    if (value == extendedBorders_)
        return;
    extendedBorders_ = value;
    if (!active_ || !SkinData().Active)
        return;
    UpdateShadowImages();
    ReloadSkin();   // repaints the forms
}

void TsSkinManager::SetCommonSections(const TStrings& lines)
{
    TStringList cleaned;
    for (int i = 0; i < lines.Count(); ++i) {
        String s = lines.Get(i);
        if (s.empty() || s[0] != L';')
            s.erase(std::remove(s.begin(), s.end(), L' '), s.end());
        cleaned.Add(s);
    }
    commonSections_.Assign(&cleaned);
    if (active_ && !skinName_.empty())
        SetSkinName(skinName_);
}

void TsSkinManager::SetSkinDirectory(const String& dir)
{
    if (dir == skinDirectory_)
        return;
    skinDirectory_ = dir;
    SkinData().SkinFolder = Utf8(ResolveSkinDirectory());
    if (OnSkinListChanged)
        OnSkinListChanged(this);
}

String TsSkinManager::SkinInfo() const
{
    return SkinData().Active ? FloatToStr(SkinData().Version, L'.') : String(L"N/A");
}

String TsSkinManager::ResolveSkinDirectory() const
{
    String d = skinDirectory_.empty() ? String(L"c:\\Skins") : skinDirectory_;
    String a = LibAppFolder();
    if (d.rfind(L"..", 0) == 0) {
        if (!a.empty())
            a.pop_back();
        while (!a.empty() && a.back() != L'\\' && a.back() != L'/')
            a.pop_back();
        return a + d.substr(std::min<size_t>(3, d.size()));
    }
    if (d.rfind(L".\\", 0) == 0 || d.rfind(L"./", 0) == 0)
        return a + d.substr(2);
    if (d.find(L':') == String::npos && d.find(L"\\\\") == String::npos)
        return a + d;
    return d;
}

String TsSkinManager::ListSkins(TStringList& list, uint8_t kind) const
{
    String result;
    TStringList work;
    for (int i = 0; i < internalSkins_->Count(); ++i) {
        work.Add(internalSkins_->Items(i)->Name);
        if (result.empty())
            result = internalSkins_->Items(i)->Name;
    }
    std::string dir = Utf8(ResolveSkinDirectory());
    if (SkinFiles::DirectoryExists(dir)) {
        SkinFiles::ListFolder(dir, [&](const std::string& name, bool isFolder) {
            if (name.empty() || name[0] == '.')
                return;
            String found;
            if (isFolder && kind != 1 && SkinFiles::FileExists(dir + "\\" + name + "\\Options.dat"))
                found = Utf8ToString(name);
            // Only a trailing ".vmz" (any case) is dropped: "My.Skin.vmz" is "My.Skin".
            if (!isFolder && kind != 0 && name.size() > 4 && EqualNoCase(name.substr(name.size() - 4), ".vmz"))
                found = Utf8ToString(name.substr(0, name.size() - 4));
            if (!found.empty()) {
                work.Add(found);
                if (result.empty())
                    result = found;
            }
        });
    }
    work.Sort();
    list.Assign(&work);
    return result;
}

bool TsSkinManager::PackedSourceChosen() const
{
    String dir = ResolveSkinDirectory();
    bool packExists = SkinFiles::FileExists(Utf8(dir + L"\\" + skinName_ + L".vmz"));
    if (!packExists)
        return false;
    if (SkinEditorLinked && SkinFiles::DirectoryExists(Utf8(dir + L"\\" + skinName_)))
        return false;   // after an editor hand-over a folder wins
    return true;
}

void TsSkinManager::CheckSkinVersion(double version)
{
    if (version > 8.99) {
        if (noticeShown_[0])
            return;
        noticeShown_[0] = true;
        bool hadDialogs = (SkinningRules & srStdDialogs) != 0;
        SkinningRules &= ~unsigned(srStdDialogs);
        struct Restore {
            TsSkinManager* m;
            bool had;
            ~Restore() { if (had) m->SkinningRules |= srStdDialogs; }
        } restore{this, hadDialogs};
        if (SkinNoticeSink)
            SkinNoticeSink(TsNoticeKind::VersionWarning, kVersionWarning);
    } else if (version < 7 && SkinTestSwitch && SkinTestSwitch()) {
        if (noticeShown_[1])
            return;
        noticeShown_[1] = true;
        String text = L"You are using an old version of the \"" + skinName_ + L"\" skin. " +
                      L"Please, update a skins to latest or link with the Korvel support for upgrading of existing skin." +
                      L"\r\n\r\n" +
                      L"This notification occurs in design-time only for your information and will not occur in real-time.";
        if (SkinNoticeSink)
            SkinNoticeSink(TsNoticeKind::OldVersion, text);
    }
}

namespace {

SkinLoadSettings MakeSettings(TsSkinManager* m, const SkinIni* common)
{
    SkinLoadSettings s;
    s.HueOffset = m->HueOffset();
    s.Saturation = m->Saturation();
    s.CommonSections = common;
    s.SystemFrameWidth = GetSystemMetrics(SM_CXFRAME);
    s.Manager = m;
    s.OnVersion = [m](double v) { m->CheckSkinVersion(v); };
    return s;
}

}  // namespace

void TsSkinManager::LoadSkinFromFolder()
{
    if (!active_)
        return;
    LoadingScope loading;
    String dir = ResolveSkinDirectory();
    std::string folder = Utf8(dir + L"\\" + skinName_ + L"\\");
    std::string optionsFile = folder + "Options.dat";
    auto fresh = std::make_unique<TsSkinTables>();
    SkinIni common(Ansi(commonSections_.Text()));
    SkinLoadSettings settings = MakeSettings(this, commonSections_.Count() ? &common : nullptr);
    if (SkinEditorLinked && SkinEditorOptions) {
        SkinIni ini(*SkinEditorOptions);
        fresh->SkinData.SkinFolder = folder;
        SkinLoader(*fresh, ini, nullptr, folder, settings).Load();
    } else if (SkinFiles::FileExists(optionsFile)) {
        SkinIni ini(SkinFiles::ReadFile(optionsFile));
        fresh->SkinData.SkinFolder = folder;
        SkinLoader(*fresh, ini, nullptr, folder, settings).Load();
    } else {
        int index = internalSkins_->IndexOf(skinName_);
        if (index < 0 && internalSkins_->Count() > 0) {
            index = 0;
            skinName_ = internalSkins_->Items(0)->Name;
        }
        if (index < 0) {
            active_ = false;
            return;
        }
        TsStoredSkin* stored = internalSkins_->Items(index);
        if (stored->PackedBytes.empty())
            throw SkinError(SkinErrorKind::Format, "The stored skin \"" + Ansi(stored->Name) + "\" holds no data");
        // The convertor only borrows the stored bytes: they survive any error.
        TkvSkinConvertor pack;
        pack.SetBorrowedSource(&stored->PackedBytes);
        ReadPackedSkin(pack);
        pack.DetachSource();
        if (!pack.Options)
            throw SkinError(SkinErrorKind::Format, "The packed skin holds no options (Options.dat)");
        SkinIni ini(*pack.Options);
        fresh->SkinData.SkinFolder.clear();
        SkinLoader(*fresh, ini, &pack, "", settings).Load();
    }
    tables_ = std::move(fresh);
    UpdateShadowImages();
}

void TsSkinManager::LoadSkinFromPack()
{
    if (!active_)
        return;
    LoadingScope loading;
    String dir = ResolveSkinDirectory();
    std::string file = Utf8(dir + L"\\" + skinName_ + L".vmz");
    auto fresh = std::make_unique<TsSkinTables>();
    SkinIni common(Ansi(commonSections_.Text()));
    SkinLoadSettings settings = MakeSettings(this, commonSections_.Count() ? &common : nullptr);
    TkvSkinConvertor pack;
    if (!LoadPackedSkin(file, pack, true))
        throw SkinError(SkinErrorKind::File, "Cannot open file \"" + file + "\"");
    if (!pack.Options)
        throw SkinError(SkinErrorKind::Format, "The packed skin holds no options (Options.dat)");
    SkinIni ini(*pack.Options);
    fresh->SkinData.SkinFolder = Utf8(dir + L"\\");
    SkinLoader(*fresh, ini, &pack, fresh->SkinData.SkinFolder, settings).Load();
    tables_ = std::move(fresh);
    UpdateShadowImages();
}

void TsSkinManager::SetSkinName(const String& name)
{
    String old = skinName_;
    String n = name;
    if (n.size() > 4) {
        String tail = n.substr(n.size() - 4);
        for (wchar_t& c : tail)
            c = wchar_t(std::towlower(c));
        if (tail == L".vmz")
            n.resize(n.size() - 4);
    }
    skinName_ = n;
    if (!active_)
        return;
    if (OnBeforeChange)
        OnBeforeChange(this);
    // Covers of the forms for the skin-change fade; whatever happens below,
    // they and the animation flag are released before this returns.
    bool covers = false;
    if (GetExtendedBorders() && !inUpdate_ && AnimEffects.SkinChanging.Active && SkinData().Active) {
        CaptureFormCovers();
        covers = true;
    }
    struct CoverGuard {
        TsSkinManager* m;
        bool on;
        ~CoverGuard()
        {
            if (on)
                m->ResumeQuietly();
        }
    } coverGuard{this, covers};
    bool loaded = false;
    {
        LoadingScope loading;
        bool hadSkin = SkinData().Active;
        SkinData().Active = false;
        try {
            LoadFrom(PackedSourceChosen());
            loaded = true;
        } catch (const std::exception& e) {
            // The previous skin stays as it was; the name goes back.
            skinName_ = old;
            SkinData().Active = hadSkin;
            if (SkinNoticeSink)
                SkinNoticeSink(TsNoticeKind::Error, ExceptionMessage(e));
        }
    }
    if (loaded) {
        if (active_) {
            if (!inUpdate_) {
                coverGuard.on = false;   // the broadcast resumes (and fades) the covered forms
                BroadcastNewSkin(covers);
            }
            if (OnActivate)
                OnActivate(this);
        } else {
            BroadcastSkinRemoved();
            if (OnActivate)
                OnActivate(this);
        }
    }
    if (OnAfterChange)
        OnAfterChange(this);
}

int TsSkinManager::FindSectionIndex(const String& name) const { return tables_->FindSectionIndex(Ansi(name)); }

int TsSkinManager::FindMaskIndex(int sectionIndex, const String& sectionName, const String& maskName) const
{
    return tables_->FindMaskIndex(sectionIndex, Ansi(sectionName), Ansi(maskName));
}

int TsSkinManager::FindMaskIndexDirect(const String& sectionName, const String& maskName) const
{
    return tables_->FindMaskIndexDirect(Ansi(sectionName), Ansi(maskName));
}

int TsSkinManager::FindPatternIndex(int sectionIndex, const String& sectionName, const String& propertyName) const
{
    return tables_->FindPatternIndex(sectionIndex, Ansi(sectionName), Ansi(propertyName));
}

int TsSkinManager::FindTextureIndex(int sectionIndex, const String& sectionName, const String& propertyName) const
{
    return tables_->FindTextureIndex(sectionIndex, Ansi(sectionName), Ansi(propertyName));
}

void TsSkinManager::CacheCommonMaskIndexes()
{
    tables_->CacheCommonMaskIndexes();
    UpdateShadowImages();
}

void TsSkinManager::EndUpdate(bool animate, bool allowSkinChanging)
{
    inUpdate_ = false;
    bool saved = AnimEffects.SkinChanging.Active;
    if (!allowSkinChanging)
        AnimEffects.SkinChanging.Active = false;
    try {
        UpdateSkin(animate);
    } catch (...) {
        AnimEffects.SkinChanging.Active = saved;
        throw;
    }
    AnimEffects.SkinChanging.Active = saved;
}

void TsSkinManager::UpdateSkin(bool animate)
{
    if (active_)
        BroadcastNewSkin(animate);
}

void TsSkinManager::BroadcastNewSkin(bool animate)
{
    if (ComponentState() & csLoading)
        return;
    bool runTime = !(ComponentState() & csDesigning);
    ClearGlows(false);
    ForgetGlowsInAllSkinData();
    // Every suspended redraw is resumed, on every way out.
    bool suspended = runTime && animate;
    if (suspended)
        SuspendFormRedraw();
    try {
        BroadcastNewSkinSuspended(animate);
    } catch (...) {
        if (suspended)
            ResumeQuietly();
        throw;
    }
    if (suspended)
        ResumeFormRedraw(animate);
}

void TsSkinManager::ResumeQuietly() noexcept
{
    try {
        ResumeFormRedraw(false);
    } catch (...) {
        // Already unwinding from the first failure; every form got its redraw back.
    }
}

void TsSkinManager::BroadcastNewSkinSuspended(bool animate)
{
    bool runTime = !(ComponentState() & csDesigning);
    skinableMenus_->ResetSkinBorderWidth();   // measured again in the new skin
    if (SkinHooks.FreePopupBitmapCache)
        SkinHooks.FreePopupBitmapCache();
    SkinData().Active = false;
    {
        struct Changing {
            Changing() { SkinChanging = true; }
            ~Changing() { SkinChanging = false; }
        } changing;
        CacheCommonMaskIndexes();
        TMessage msg{SkinCommandMessage, WPARAM(MakeSkinCmdWParam(SkinCmdNewSkin)), LPARAM(this), 0};
        BroadcastToAppForms(msg);
    }
    SkinData().Active = !tables_->Sections.empty();
    if (IsDefault() && runTime && !dialogHookInstalled_ && !DialogHookHandle())
        InstallDialogHook();
    if (SkinHooks.SkinActivated)
        SkinHooks.SkinActivated(true);
    if (SkinHooks.SkinActivatedSecond)
        SkinHooks.SkinActivatedSecond();
    if (animate)
        RepaintForms(false);
}

void TsSkinManager::BroadcastSkinRemoved()
{
    if (IsDefault() && SkinHooks.SkinActivated)
        SkinHooks.SkinActivated(false);
    struct Removing {
        bool& flag;
        explicit Removing(bool& f) : flag(f) { flag = true; }
        ~Removing() { flag = false; }
    } removing(removing_);
    ClearGlows(false);
    ForgetGlowsInAllSkinData();
    RemoveDialogHook();
    if (SkinHooks.FreePopupBitmapCache)
        SkinHooks.FreePopupBitmapCache();
    SkinData().Active = false;
    TMessage msg{SkinCommandMessage, WPARAM(MakeSkinCmdWParam(SkinCmdRemoveSkin)), LPARAM(this), 0};
    BroadcastToAppForms(msg);
    RemoveSkinData();
}

void TsSkinManager::RemoveSkinData()
{
    tables_->Clear();
    shadowActive_.reset();
    shadowInactive_.reset();
    ShadowMargins = {0, 0, 0, 0};
}

void TsSkinManager::UpdateShadowImages()
{
    shadowActive_.reset();
    shadowInactive_.reset();
    if (!active_ || tables_->Sections.empty() || !GetExtendedBorders()) {
        ShadowMargins = {0, 0, 0, 0};
        return;
    }
    int ex = tables_->Common.Global("EXBORDER");
    if (ex < 0 || !tables_->MaskBitmap(ex)) {
        // The default shadow pictures (copies), with margins of 9 on every side.
        ShadowMargins = {9, 9, 9, 9};
        if (const SkinBitmap* a = DefaultShadow(true))
            shadowActive_ = a->Clone();
        if (const SkinBitmap* i = DefaultShadow(false))
            shadowInactive_ = i->Clone();
        return;
    }
    const TsMaskData& m = tables_->Masks[size_t(ex)];
    const SkinBitmap* src = tables_->MaskBitmap(ex);
    int fo = SkinData().FormOffset;
    if (SkinData().BorderMode != 0)
        ShadowMargins = {fo, fo, fo, fo};
    else
        ShadowMargins = {m.MarginLeft - fo, m.MarginTop - fo, m.MarginRight - fo, m.MarginBottom - fo};
    int fw = MaskFrameWidth(m), sh = MaskStateHeight(m);
    if (fw < 1 || sh < 1)
        return;
    auto cut = [&](int frame) {
        auto b = std::make_unique<SkinBitmap>(fw, sh);
        for (int y = 0; y < sh; ++y)
            for (int x = 0; x < fw; ++x) {
                int sx = m.SourceRect.Left + frame * fw + x, sy = m.SourceRect.Top + y;
                if (sx < src->Width() && sy < src->Height())
                    b->Row(y)[x] = src->Pixel(sx, sy);
            }
        if (SkinData().Version < 7.6)
            ZeroWhitePixels(*b);
        return b;
    };
    shadowInactive_ = cut(0);
    shadowActive_ = cut(m.FrameCount > 1 ? 1 : 0);
}

// ---------------------------------------------------------------- skinned forms and dialogs

namespace {

// Takes a form out of the list when it is destroyed.
class FormWatcher : public TComponent {
public:
    FormWatcher() : TComponent(nullptr) {}
    std::vector<TCustomForm*> forms;

protected:
    void Notification(TComponent* c, TOperation op) override
    {
        TComponent::Notification(c, op);
        if (op == TOperation::opRemove)
            std::erase(forms, c);
    }
};

FormWatcher& Watcher()
{
    static FormWatcher* w = new FormWatcher;   // lives as long as the process
    return *w;
}

std::unique_ptr<std::vector<std::unique_ptr<TsSkinnedDialog>>> dialogList;
HHOOK dialogHook = nullptr;
TsSkinManager* dialogHookOwner = nullptr;

LRESULT CALLBACK DialogHookTrampoline(int code, WPARAM w, LPARAM l)
{
    if (SkinHooks.DialogHookProc)
        return SkinHooks.DialogHookProc(code, w, l);
    return CallNextHookEx(dialogHook, code, w, l);
}

void RedrawDialogs()
{
    if (!dialogList)
        return;
    for (auto& d : *dialogList)
        if (d && IsWindowVisible(d->DialogWindow()))
            RedrawWindow(d->DialogWindow(), nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void SendToForm(TCustomForm* f, TMessage& msg)
{
    if (f->HandleAllocated())
        SendMessageW(f->Handle(), msg.Msg, msg.WParam, msg.LParam);
    ForwardToControls(f, msg);
}

}  // namespace

void RegisterSkinnedForm(TCustomForm* form)
{
    if (!form)
        return;
    auto& list = Watcher().forms;
    if (std::find(list.begin(), list.end(), form) != list.end())
        return;
    list.push_back(form);
    Watcher().FreeNotification(form);
}

void UnregisterSkinnedForm(TCustomForm* form)
{
    auto& list = Watcher().forms;
    std::erase(list, form);
    if (form)
        Watcher().RemoveFreeNotification(form);
}

const std::vector<TCustomForm*>& SkinnedForms() { return Watcher().forms; }

std::vector<std::unique_ptr<TsSkinnedDialog>>* SkinnedDialogs() { return dialogList.get(); }

HHOOK DialogHookHandle() { return dialogHook; }

void BroadcastToSkinnedForms(TMessage& msg)
{
    auto forms = Watcher().forms;   // receivers may register or unregister forms
    for (TCustomForm* f : forms) {
        auto& live = Watcher().forms;
        if (std::find(live.begin(), live.end(), f) == live.end() || f->Destroying())
            continue;
        SendToForm(f, msg);
    }
    if (dialogList)
        for (auto& d : *dialogList)
            if (d && IsWindowVisible(d->DialogWindow()))
                SendMessageW(d->DialogWindow(), msg.Msg, msg.WParam, msg.LParam);
}

void BroadcastToAppForms(TMessage& msg)
{
    if (Application) {
        for (int i = Application->ComponentCount() - 1; i >= 0; --i) {
            if (i >= Application->ComponentCount())
                continue;   // the list shrank meanwhile
            auto* f = dynamic_cast<TCustomForm*>(Application->Components(i));
            if (!f || (f->ComponentState() & (csDestroying | csLoading)))
                continue;
            // A form skinned through a provider gets it as a registered form.
            if (f->HandleAllocated() && QueryWindowSkinFlag(f->Handle(), SkinCmdIsSkinned))
                continue;
            SendToForm(f, msg);
        }
    }
    BroadcastToSkinnedForms(msg);
}

// ---------------------------------------------------------------- repainting and covers

void TsSkinManager::RepaintForms(bool animate)
{
    bool runTime = !(ComponentState() & csDesigning);
    if (runTime) {
        TMessage before{SkinCommandMessage, WPARAM(MakeSkinCmdWParam(SkinCmdBeforeRefresh)), LPARAM(this), 0};
        BroadcastToAppForms(before);
    }
    TMessage msg{SkinCommandMessage, WPARAM(MakeSkinCmdWParam(SkinCmdRefresh)), LPARAM(this), 0};
    if (SkinLoading || !animate) {
        BroadcastToAppForms(msg);
    } else {
        SuspendFormRedraw();
        try {
            BroadcastToAppForms(msg);
        } catch (...) {
            ResumeQuietly();
            throw;
        }
        ResumeFormRedraw(true);
    }
    if (SkinHooks.AuxiliaryWindow && IsWindow(SkinHooks.AuxiliaryWindow))
        SendMessageW(SkinHooks.AuxiliaryWindow, msg.Msg, msg.WParam, msg.LParam);
    RedrawDialogs();
}

namespace {

bool ApplicationMinimized() { return Application && IsIconic(Application->Handle()); }

// Visible forms with a window that a provider skins for manager m.
std::vector<TCustomForm*> ProviderForms(TsSkinManager* m)
{
    std::vector<TCustomForm*> out;
    if (!Application || !SkinHooks.ProviderOf)
        return out;
    for (TCustomForm* f : Application->Forms())
        if (f && !f->Destroying() && f->HandleAllocated() && IsWindowVisible(f->Handle()) &&
            SkinHooks.ProviderOf(f, m))
            out.push_back(f);
    return out;
}

}  // namespace

void TsSkinManager::CaptureFormCovers()
{
    if (ApplicationMinimized() || (ComponentState() & (csDesigning | csLoading)) || SkinLoading)
        return;
    if (IsDefault() && AnimEffects.SkinChanging.Active)
        AnimationRunning = true;   // cleared by ResumeFormRedraw (or the caller's guard)
    if (!SkinHooks.CaptureCover)
        return;
    for (TCustomForm* f : ProviderForms(this))
        if (!f->Parent() && std::find(covered_.begin(), covered_.end(), f) == covered_.end() &&
            SkinHooks.CaptureCover(f)) {
            covered_.push_back(f);
            FreeNotification(f);
        }
}

void TsSkinManager::SuspendFormRedraw()
{
    if (ApplicationMinimized() || (ComponentState() & (csDesigning | csLoading)) || !SkinHooks.SuspendRedraw)
        return;
    for (TCustomForm* f : ProviderForms(this)) {
        if (std::find(suspended_.begin(), suspended_.end(), f) != suspended_.end())
            continue;
        if (!SkinHooks.SuspendRedraw(f))
            continue;
        suspended_.push_back(f);
        FreeNotification(f);
        SendMessageW(f->Handle(), WM_SETREDRAW, FALSE, 0);
    }
}

void TsSkinManager::ResumeFormRedraw(bool animate)
{
    if (IsDefault())
        AnimationRunning = false;
    std::vector<TCustomForm*> forms;
    forms.swap(suspended_);
    for (TCustomForm* f : forms)
        if (f->HandleAllocated())
            SendMessageW(f->Handle(), WM_SETREDRAW, TRUE, 0);
    // Covered forms whose redraw was never stopped get their covers released too.
    for (TCustomForm* f : covered_)
        if (std::find(forms.begin(), forms.end(), f) == forms.end())
            forms.push_back(f);
    covered_.clear();
    // Every form is released even when an animation of one of them fails.
    std::exception_ptr failure;
    for (TCustomForm* f : forms) {
        RemoveFreeNotification(f);
        try {
            if (animate && AnimEffects.SkinChanging.Active && SkinHooks.AnimShowFormLayered) {
                bool nonClient = SkinHooks.PaintsNonClient && SkinHooks.PaintsNonClient(f);
                SkinHooks.AnimShowFormLayered(f, nonClient ? AnimEffects.SkinChanging.Time : 0, 255,
                                              AnimEffects.SkinChanging.Mode);
            }
            bool repainted = SkinHooks.ResumeRedraw && SkinHooks.ResumeRedraw(f, animate);
            if (!repainted && f->HandleAllocated())
                RedrawWindow(f->Handle(), nullptr, nullptr,
                             RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
            if (f->HandleAllocated())
                RedrawWindow(f->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
        }
    }
    if (IsDefault())
        AnimationRunning = false;
    if (failure)
        std::rethrow_exception(failure);
}

// ---------------------------------------------------------------- hot tracking

void TsSkinManager::SetHotWindow(HWND wnd)
{
    if (wnd == hotWindow_)
        return;
    if (hotWindow_ && hotControl_) {
        SetHotControl(nullptr);
        if (hotControl_)
            return;   // the control still has the mouse
    }
    HWND previous = hotWindow_;
    hotWindow_ = wnd;
    if (previous && IsWindow(previous))
        SendSkinCommand(previous, SkinCmdMouseLeave, LPARAM(this));
    if (wnd && IsWindow(wnd))
        SendSkinCommand(wnd, SkinCmdMouseEnter, LPARAM(this));
}

void TsSkinManager::SetHotControl(TControl* control)
{
    if (control == hotControl_)
        return;
    if (!control && hotControl_) {
        auto* data = reinterpret_cast<TsCommonData*>(PerformSkinCommand(hotControl_, SkinCmdGetSkinData, 0));
        if (data && data->MouseInside)
            return;   // refused while the mouse is still inside
    }
    TControl* previous = hotControl_;
    if (previous)
        RemoveFreeNotification(previous);
    hotControl_ = control;
    if (control) {
        FreeNotification(control);
        hotWindow_ = nullptr;
    }
    if (previous && !previous->Destroying())
        PerformSkinCommand(previous, SkinCmdMouseLeave, LPARAM(this));
}

// ---------------------------------------------------------------- the application window hook

namespace {

constexpr UINT kDwmSendIconicThumbnail = 0x0323;
constexpr UINT kDwmSendIconicLivePreview = 0x0326;

bool DwmFunctionsPresent()
{
    static const bool present = [] {
        HMODULE dwm = LoadLibraryW(L"dwmapi.dll");   // kept loaded for the process
        return dwm && GetProcAddress(dwm, "DwmSetIconicThumbnail");
    }();
    return present;
}

bool IsMenuWindow(HWND w)
{
    wchar_t cls[16] = {};
    return w && GetClassNameW(w, cls, 16) && wcscmp(cls, L"#32768") == 0;
}

}  // namespace

bool TsSkinManager::AppWindowHook(TMessage& m)
{
    TCustomForm* mainForm = Application ? Application->MainForm() : nullptr;
    switch (m.Msg) {
    case WM_WINDOWPOSCHANGED: {
        auto* pos = reinterpret_cast<WINDOWPOS*>(m.LParam);
        if (!pos || !(pos->flags & SWP_HIDEWINDOW))
            return false;
        if (!LayeredWindowsAvailable() || !AnimEffects.FormHide.Active || !AnimEffects.FormHide.Time ||
            ApplicationMinimized() || !mainForm || !mainForm->Visible())
            return false;
        if (!SkinHooks.PrepareHideAnimation || !SkinHooks.AnimHideForm || !SkinHooks.PrepareHideAnimation(mainForm))
            return false;
        {
            AnimationRunningScope running;   // cleared on every way out
            SkinHooks.AnimHideForm(mainForm);
            // Bounded: the animation clears the flag when it ends; messages go on meanwhile.
            WaitWhileAnimationRunning(AnimEffects.FormHide.Time + 500u);
        }
        return false;
    }
    case WM_SYSCOMMAND: {
        if (!SkinData().Active)
            return false;
        unsigned cmd = unsigned(m.WParam & 0xFFF0);
        if (cmd == SC_MINIMIZE) {
            sysCommandState_ = 2;
            if (!mainForm)
                return false;
            if (!AnimEffects.Minimizing.Active) {
                if (SkinHooks.ReleaseBorderWindow)
                    SkinHooks.ReleaseBorderWindow(mainForm);
                return false;
            }
            if (SkinHooks.PaintsNonClient && SkinHooks.PaintsNonClient(mainForm) && SkinHooks.MinimizeAnimated &&
                SkinHooks.MinimizeAnimated(mainForm)) {
                m.Result = 0;
                return true;
            }
            return false;
        }
        if (cmd == SC_RESTORE) {
            sysCommandState_ = 1;
            if (mainForm && SkinHooks.RestoreAnimated && SkinHooks.RestoreAnimated(mainForm)) {
                m.Result = 0;
                return true;
            }
            return false;
        }
        sysCommandState_ = 0;
        return false;
    }
    case WM_THEMECHANGED:
        m.Result = 0;
        return true;
    case kDwmSendIconicThumbnail:
        if (HIWORD(m.LParam) && LOWORD(m.LParam) && mainForm && SkinHooks.SendIconicThumbnail &&
            DwmFunctionsPresent()) {
            SkinHooks.SendIconicThumbnail(mainForm, HIWORD(m.LParam), LOWORD(m.LParam));
            m.Result = 0;
            return true;
        }
        return false;
    case kDwmSendIconicLivePreview:
        if (mainForm && SkinHooks.SendIconicLivePreview && DwmFunctionsPresent()) {
            SkinHooks.SendIconicLivePreview(mainForm);
            m.Result = 0;
            return true;
        }
        return false;
    default:
        break;
    }
    if (m.Msg == CtlNotifyAppActivate) {
        if (Application)
            for (TCustomForm* f : std::vector<TCustomForm*>(Application->Forms()))
                if (f->HandleAllocated())
                    SendSkinCommand(f->Handle(), SkinCmdForceRepaint, 0);
        return false;
    }
    if (m.Msg == MenuItemDrawnMessage && skinnedPopups_) {
        // LParam: the popup menu whose first item was drawn.
        RECT r{};
        if (GetMenuItemRect(nullptr, HMENU(m.LParam), 0, &r)) {
            POINT c{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
            HWND w = WindowFromPoint(c);
            if (IsMenuWindow(w) && SkinHooks.ApplyMenuWindowBorder)
                SkinHooks.ApplyMenuWindowBorder(w);
        }
        m.Result = 0;
        return true;
    }
    if (m.Msg == MenuWindowBorderMessage && skinnedPopups_) {
        HWND w = HWND(m.LParam);
        if (IsMenuWindow(w) && SkinHooks.ApplyMenuWindowBorder)
            SkinHooks.ApplyMenuWindowBorder(w);
        m.Result = 0;
        return true;
    }
    return false;
}

// ---------------------------------------------------------------- the dialog hook

void TsSkinManager::InstallDialogHook()
{
    if (dialogHook || (ComponentState() & csDesigning) || !IsDefault())
        return;
    dialogList = std::make_unique<std::vector<std::unique_ptr<TsSkinnedDialog>>>();
    dialogHook = SetWindowsHookExW(WH_CBT, DialogHookTrampoline, nullptr, GetCurrentThreadId());
    if (!dialogHook) {
        dialogList.reset();
        return;
    }
    dialogHookOwner = this;
    dialogHookInstalled_ = true;
}

void TsSkinManager::RemoveDialogHook()
{
    // The hook belongs to the manager that installed it.
    if (dialogHookOwner != this)
        return;
    if (SkinHooks.FreeMenuWrappers)
        SkinHooks.FreeMenuWrappers();
    if (dialogHook)
        UnhookWindowsHookEx(dialogHook);
    dialogHook = nullptr;
    dialogHookOwner = nullptr;
    dialogHookInstalled_ = false;
    dialogList.reset();
}

// ---------------------------------------------------------------- the skin editor hand-over

bool HandleSkinEditorData(TMessage& m, TsSkinManager* manager)
{
    if (m.Msg != WM_COPYDATA || m.WParam != SkinTransferWParam || !manager)
        return false;
    // Any process can send this message: only a complete record is read.
    auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(m.LParam);
    SkinTransferData rec;
    if (!cds || !ReadSkinTransferRecord(cds->lpData, cds->cbData, rec))
        return false;
    SkinEditorLinked = true;
    manager->BeginUpdate();
    SkinEditorOptions = std::make_unique<std::string>(std::move(rec.Options));
    struct Done {
        TsSkinManager* m;
        bool ended = false;
        ~Done()
        {
            SkinEditorOptions.reset();
            if (!ended)
                m->EndUpdate(false, false);   // never left in the update state
        }
    } done{manager};
    manager->SetSkinDirectory(AnsiToString(rec.Directory));
    manager->SetSkinName(AnsiToString(rec.Name));
    done.ended = true;
    manager->EndUpdate(true, false);
    m.Result = 1;
    return true;
}
