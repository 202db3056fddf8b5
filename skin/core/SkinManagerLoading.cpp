// The skin manager: loading a skin, broadcasting it to the forms, shadows.
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
#include "skin/graphics/LayeredApi.h"
#include "skin/core/SkinManagerDetail.h"
#include "skin/model/SkinFiles.h"
#include "skin/model/SkinLoader.h"
#include "skin/core/SkinMenus.h"
#include "skin/graphics/Utils.h"

namespace {

const wchar_t* const kVersionWarning =
    L"This version of the skin have not complete support by used Korvel package release.\r\n"
    L"Components must be updated up to latest version for using this skin.";

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
    SkinChanged();
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
    SkinChanged();
    ReloadSkin();
}

void TsSkinManager::SetSaturation(int value)
{
    if (value == saturation_)
        return;
    saturation_ = value;
    SkinChanged();
    ReloadSkin();
}

bool TsSkinManager::GetExtendedBorders() const
{
    return extendedBorders_ && LayeredWindowsAvailable();
}

void TsSkinManager::SetExtendedBorders(bool value)
{
    if (value == extendedBorders_)
        return;
    extendedBorders_ = value;
    SkinChanged();
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
    SkinChanged();
    if (active_ && !skinName_.empty())
        SetSkinName(skinName_);
}

void TsSkinManager::SetSkinDirectory(const String& dir)
{
    if (dir == skinDirectory_)
        return;
    skinDirectory_ = dir;
    SkinData().SkinFolder = Utf8(ResolveSkinDirectory());
    SkinChanged();
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
        // No skin of that name anywhere: a failed load like any other (the
        // skin in use stays, the caller hears of it).
        if (index < 0)
            throw SkinError(SkinErrorKind::File, "No skin named \"" + StringToUtf8(skinName_) + "\" in \"" +
                                                     StringToUtf8(dir) + "\"");
        TsStoredSkin* stored = internalSkins_->Items(index);
        if (stored->PackedBytes.empty())
            throw SkinError(SkinErrorKind::Format, "The stored skin \"" + StringToUtf8(stored->Name) + "\" holds no data");
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
    SkinChanged();
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
    SkinChanged();
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
    SkinChanged();
    if (!active_)
        return;
    if (OnBeforeChange)
        OnBeforeChange(this);
    if (n.empty()) {
        // No name: no skin; the manager stays on, so the next name loads.
        if (SkinData().Active || !tables_->Sections.empty())
            BroadcastSkinRemoved();
        if (OnAfterChange)
            OnAfterChange(this);
        return;
    }
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
            SkinChanged();
            if (SkinNoticeSink)
                SkinNoticeSink(TsNoticeKind::Error, ExceptionMessage(e));
        }
    }
    if (loaded) {
        if (active_) {
            if (!inUpdate_) {
                coverGuard.on = false;   // the broadcast resumes (and fades) the covered forms
                BroadcastNewSkin(covers);
                // Without the fade the broadcast repaints nothing: the forms and
                // their controls still take the new skin's colours, menus and pictures.
                if (!covers)
                    RepaintForms(false);
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
    SkinChanged();
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
    FreePopupBitmapCache();                   // pictures of the old skin
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
    SkinChanged();
    if (runTime)
        skinableMenus_->SyncActive();
    if (IsDefault() && runTime && !dialogHookInstalled_ && !DialogHookHandle())
        InstallDialogHook();
    if (SkinHooks.SkinActivated)
        SkinHooks.SkinActivated(true);
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
    SkinData().Active = false;
    FreePopupBitmapCache();
    skinableMenus_->SyncActive();
    TMessage msg{SkinCommandMessage, WPARAM(MakeSkinCmdWParam(SkinCmdRemoveSkin)), LPARAM(this), 0};
    BroadcastToAppForms(msg);
    RemoveSkinData();
}

void TsSkinManager::RemoveSkinData()
{
    tables_->Clear();
    SkinChanged();
    shadowActive_.reset();
    shadowInactive_.reset();
    ShadowMargins = {0, 0, 0, 0};
}

void TsSkinManager::UpdateShadowImages()
{
    SkinChanged();
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
        if (const PixelBitmap* a = DefaultShadow(true))
            shadowActive_ = a->Clone();
        if (const PixelBitmap* i = DefaultShadow(false))
            shadowInactive_ = i->Clone();
        return;
    }
    const TsMaskData& m = tables_->Masks[size_t(ex)];
    const PixelBitmap* src = tables_->MaskBitmap(ex);
    int fo = SkinData().FormOffset;
    if (SkinData().BorderMode != 0)
        ShadowMargins = {fo, fo, fo, fo};
    else
        ShadowMargins = {m.MarginLeft - fo, m.MarginTop - fo, m.MarginRight - fo, m.MarginBottom - fo};
    int fw = MaskFrameWidth(m), sh = MaskStateHeight(m);
    if (fw < 1 || sh < 1)
        return;
    auto cut = [&](int frame) {
        auto b = std::make_unique<PixelBitmap>(fw, sh);
        for (int y = 0; y < sh; ++y)
            for (int x = 0; x < fw; ++x) {
                int sx = m.SourceRect.left + frame * fw + x, sy = m.SourceRect.top + y;
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

