// The skin manager component: owns the loaded skin, finds and loads skins
// (folder, packed file or stored skin), answers look-ups by name, recolours by
// hue and saturation, and keeps the default-manager rule. The loading itself
// is the window-free core in SkinLoader.
#pragma once
#include <array>
#include <functional>
#include <memory>

#include "classlib/Classes.h"
#include "classlib/Component.h"
#include "classlib/Forms.h"
#include "skin/model/MaskData.h"
#include "skin/core/MenuSupport.h"
#include "skin/core/SkinEffects.h"
#include "skin/core/StoredSkins.h"
#include "skin/graphics/ClassNameTables.h"
#include "skin/graphics/Constants.h"
#include "skin/graphics/Glow.h"

// ---------------------------------------------------------------- process-wide

class TsSkinManager;
extern TsSkinManager* DefaultManager;
// Set while a skin is being loaded (painting is skipped meanwhile).
extern bool SkinLoading;
// Set after an external editor handed over its options: a folder then wins
// over a packed file; the options text comes from SkinEditorOptions.
extern bool SkinEditorLinked;
extern std::unique_ptr<std::string> SkinEditorOptions;

// Modal boxes go through replaceable sinks so tests can count them.
enum class TsNoticeKind { Error, VersionWarning, OldVersion };
extern std::function<void(TsNoticeKind kind, const String& text)> SkinNoticeSink;
// Whether the command line holds "/kvtest" (any case); replaceable for tests.
extern std::function<bool()> SkinTestSwitch;

// ---------------------------------------------------------------- skinned forms and dialogs

// The list of skinned forms (not owned). Registering twice is harmless;
// unregistering removes every entry; a form leaves the list when it is destroyed.
void RegisterSkinnedForm(TCustomForm* form);
void UnregisterSkinnedForm(TCustomForm* form);
const std::vector<TCustomForm*>& SkinnedForms();

class TsSkinnedDialog;
// What OnSysDlgInit is told about a system dialog about to be skinned; the
// handler clears allowSkinning (preset true) to leave the dialog as it is.
struct TkvSysDlgData {
    HWND WndHandle = nullptr;
};
using TkvSysDlgInit = Delegate<void(const TkvSysDlgData& dlgData, bool& allowSkinning)>;
class TsSkinableMenus;
// The skinned dialog windows; exists while the dialog hook is installed. The
// entries belong to the dialog skinning (SkinHooks.ClearDialogList frees
// them); a slot may be nil.
std::vector<TsSkinnedDialog*>* SkinnedDialogs();
// The thread CBT hook of the dialog skinning, 0 when not installed.
HHOOK DialogHookHandle();

// Sends msg to every form of the application that is not skinned through a
// provider (its window and its control tree), then BroadcastToSkinnedForms.
void BroadcastToAppForms(TMessage& msg);
// Sends msg to every registered form (window and control tree) and to every
// visible skinned dialog.
void BroadcastToSkinnedForms(TMessage& msg);

// The skin editor's WM_COPYDATA hand-over (WParam 7, a SkinTransferRecord of
// at least SkinTransferRecordSize bytes with signature 0xA400): loads the
// skin it names with its options text. True (Result 1) when taken; anything
// else is left unanswered.
bool HandleSkinEditorData(TMessage& message, TsSkinManager* manager);

// ---------------------------------------------------------------- manager

class TsSkinManager : public TComponent {
    DECLARE_CLASS(TsSkinManager, TComponent)
public:
    explicit TsSkinManager(TComponent* owner);
    ~TsSkinManager() override;
    void AfterConstruction();
    void Loaded() override;

    // Published properties.
    bool Active() const { return active_; }
    void SetActive(bool value);
    bool IsDefault() const { return DefaultManager == this; }
    void SetIsDefault(bool value);
    int HueOffset() const { return hueOffset_; }
    void SetHueOffset(int value);
    int Saturation() const { return saturation_; }
    void SetSaturation(int value);
    bool GetExtendedBorders() const;
    void SetExtendedBorders(bool value);
    bool SkinnedPopups() const { return skinnedPopups_; }
    void SetSkinnedPopups(bool value);
    unsigned SkinningRules = srStdForms | srStdDialogs | srThirdParty;
    TsStoredSkins& InternalSkins() { return *internalSkins_; }
    void SetInternalSkins(const TsStoredSkins& skins) { internalSkins_->Assign(&skins); }
    const TStringList& CommonSections() const { return commonSections_; }
    void SetCommonSections(const TStrings& lines);
    const String& SkinDirectory() const { return skinDirectory_; }
    void SetSkinDirectory(const String& dir);
    const String& SkinName() const { return skinName_; }
    void SetSkinName(const String& name);
    String SkinInfo() const;
    void SetSkinInfo(const String&) {}
    TkvSkinEffects Effects;
    TkvAnimEffects AnimEffects;
    ThirdPartyList ThirdParty;
    TkvMenuSupport MenuSupport;
    // The skinned-menus object (not published).
    TsSkinableMenus& SkinableMenus() const { return *skinableMenus_; }

    TNotifyEvent OnActivate, OnAfterChange, OnBeforeChange, OnDeactivate, OnSkinListChanged;
    TkvGetExtraLineData OnGetMenuExtraLineData;
    TkvGetPopupItemData OnGetPopupItemData;
    TkvSysDlgInit OnSysDlgInit;

    // Discovery and loading.
    String ResolveSkinDirectory() const;
    String ListSkins(TStringList& list, uint8_t kind) const;
    void LoadSkinFromFolder();
    void LoadSkinFromPack();
    void CheckSkinVersion(double version);

    // A number that changes every time anything that decides how skinned
    // things paint changes: a skin loaded, loaded again, switched or removed,
    // the manager switched on or off, a recolour (hue, saturation), the
    // extended borders, the common sections, the skin folder, the common
    // indexes cached again. Values come from one sequence for the whole
    // process, so no two states of any managers ever share one: a picture
    // kept with it is never taken for one of a skin loaded later, even when
    // the new skin's tables (or a new manager) land where the old ones were.
    uint64_t Generation() const { return generation_; }
    // For code that edits the loaded skin's tables in place (through
    // Tables(), SkinData(), gd(), ma(), pa()): the generation moves on, so
    // what was painted from the old values is painted again.
    void SkinChanged();

    // The loaded skin.
    const TsSkinTables& Tables() const { return *tables_; }
    TsSkinTables& Tables() { return *tables_; }
    TsSkinData& SkinData() { return tables_->SkinData; }
    const TsSkinData& SkinData() const { return tables_->SkinData; }
    TsGeneralDataArray& gd() { return tables_->Sections; }
    TsMaskArray& ma() { return tables_->Masks; }
    TsPatternArray& pa() { return tables_->Patterns; }
    PixelBitmap* MasterBitmap() const { return tables_->MasterBitmap.get(); }
    const TsPalette& Palette() const { return tables_->Palette; }
    const TsCommonIndexes& CommonIndexes() const { return tables_->Common; }

    // Look-ups (never raise; -1 when absent).
    int FindSectionIndex(const String& name) const;
    int FindMaskIndex(int sectionIndex, const String& sectionName, const String& maskName) const;
    int FindMaskIndexDirect(const String& sectionName, const String& maskName) const;
    int FindPatternIndex(int sectionIndex, const String& sectionName, const String& propertyName) const;
    int FindTextureIndex(int sectionIndex, const String& sectionName, const String& propertyName) const;
    bool IsMaskIndexValid(int index) const { return tables_->IsMaskIndexValid(index); }
    bool IsSectionIndexValid(int index) const { return tables_->IsSectionIndexValid(index); }
    int MaskMarginLeft(int index) { return tables_->MaskMarginLeft(index); }
    int MaskMarginTop(int index) { return tables_->MaskMarginTop(index); }
    int MaskMarginRight(int index) { return tables_->MaskMarginRight(index); }
    int MaskMarginBottom(int index) { return tables_->MaskMarginBottom(index); }
    void CacheCommonMaskIndexes();
    void CacheSectionIndexes() { tables_->CacheSectionIndexes(); }

    // Palette getters.
    TColor32 GetGlobalColor() const { return Palette()[0]; }
    TColor32 GetGlobalFontColor() const { return Palette()[1]; }
    TColor32 GetEditColor() const { return Palette()[5]; }
    TColor32 GetEditFontColor() const { return Palette()[4]; }
    TColor32 GetHighlightColor(bool hot) const { return Palette()[hot ? 8 : 6]; }
    TColor32 GetHighlightFontColor(bool hot) const { return Palette()[hot ? 9 : 7]; }

    // Update state and broadcasting.
    void BeginUpdate() { inUpdate_ = true; }
    bool Removing() const { return removing_; }
    void RepaintForms(bool animate);
    // Skin-change covers of the forms this manager skins (through the provider hooks).
    void CaptureFormCovers();
    void SuspendFormRedraw();
    void ResumeFormRedraw(bool animate);

    // Hot tracking.
    void SetHotWindow(HWND wnd);
    void SetHotControl(TControl* control);
    HWND HotWindow() const { return hotWindow_; }
    TControl* HotControl() const { return hotControl_; }

    // The application window hook (installed by the first manager); true when handled.
    bool AppWindowHook(TMessage& message);
    bool AppHookInstalled() const { return appHooked_; }
    // 0 none, 1 restoring, 2 minimizing (the last system command seen by the hook).
    int SysCommandState() const { return sysCommandState_; }

    // What the glow windows need of this manager: its masks, painted in nine parts.
    TsGlowSkin* GlowSkin() const { return glowSkin_.get(); }

    // The thread hook through which standard dialogs are skinned (default manager, run time).
    void InstallDialogHook();
    void RemoveDialogHook();
    bool DialogHookInstalled() const { return dialogHookInstalled_; }
    void EndUpdate(bool animate, bool allowSkinChanging);
    bool InUpdate() const { return inUpdate_; }
    void UpdateSkin(bool animate);
    void BroadcastNewSkin(bool animate);
    void BroadcastSkinRemoved();

    // Shadow pictures of the extended borders.
    void UpdateShadowImages();
    const PixelBitmap* ShadowActive() const { return shadowActive_.get(); }
    const PixelBitmap* ShadowInactive() const { return shadowInactive_.get(); }
    std::array<int, 4> ShadowMargins{};   // left, top, right, bottom

    // The class-name list of one index (Parts that choose wrappers read them).
    TStringList& ClassNameList(int index) { return classLists_.at(size_t(index)); }
    void UpdateThirdPartyLists(bool reset);

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    void LoadFrom(bool packed);
    void ReloadSkin();   // the current skin again, from its source (recolouring)
    bool PackedSourceChosen() const;
    void RemoveSkinData();
    void BroadcastNewSkinSuspended(bool animate);

public:
    // Resumes every suspended or covered form without animation and without
    // raising (used on failure paths).
    void ResumeQuietly() noexcept;

private:

    String skinName_, skinDirectory_;
    uint64_t generation_ = 0;   // see Generation(); set by SkinChanged()
    bool active_ = true;
    bool skinnedPopups_ = true;
    bool extendedBorders_ = false;
    bool inUpdate_ = false;
    bool removing_ = false;
    int hueOffset_ = 0, saturation_ = 0;
    bool noticeShown_[3] = {};
    std::unique_ptr<TsStoredSkins> internalSkins_;
    TStringList commonSections_;
    std::unique_ptr<TsSkinTables> tables_;
    std::unique_ptr<TsSkinableMenus> skinableMenus_;
    std::unique_ptr<PixelBitmap> shadowActive_, shadowInactive_;
    std::array<TStringList, ThirdPartyListCount> classLists_;
    HWND hotWindow_ = nullptr;
    TControl* hotControl_ = nullptr;
    bool appHooked_ = false;
    bool dialogHookInstalled_ = false;
    int sysCommandState_ = 0;
    std::vector<TCustomForm*> suspended_;   // forms whose redraw is off
    std::vector<TCustomForm*> covered_;     // forms whose provider took a cover
    std::unique_ptr<TsGlowSkin> glowSkin_;
};

// What the glow windows need of a manager: its masks found by section and
// name, their margins, and a mask painted in nine parts keeping per-pixel
// alpha. Without a manager of its own it serves the default manager.
class TsManagerGlowSkin : public TsGlowSkin {
public:
    explicit TsManagerGlowSkin(TsSkinManager* manager) : manager_(manager) {}
    int FindMaskIndex(const String& section, const String& maskName) const override;
    RECT MaskMargins(int mask) const override;
    void PaintMask(int mask, TBitmap* bmp) const override;
    bool Destroying() const override;

private:
    TsSkinManager* Manager() const;
    TsSkinManager* manager_;
};
