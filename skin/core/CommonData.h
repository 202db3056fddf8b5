// The per-control skin data every skinned control, window wrapper and form
// provider owns: it binds its owner to a section of the current skin, keeps
// the owner's cache bitmap and painting state, answers the skin command
// message for the owner, and applies the skin's colours to it.
#pragma once
#include <cstdint>
#include <memory>

#include "classlib/Forms.h"
#include "skin/core/BgRequest.h"
#include "skin/model/MaskData.h"

class TsSkinManager;

// What the skin data needs of an owner that is not a control (a window
// wrapper or a form provider). Such owners derive from TPersistent and this.
class TsSkinDataOwner {
public:
    virtual ~TsSkinDataOwner() = default;
    // The window that is skinned (a provider: its form's window).
    virtual HWND SkinOwnerWindow() const = 0;
    virtual bool SkinOwnerIsProvider() const { return false; }
    // A provider's form.
    virtual TCustomForm* SkinOwnerForm() const { return nullptr; }
    // A provider's form colour, a wrapper's window colour.
    virtual TColor SkinOwnerColor() const { return clBtnFace; }
    virtual bool SkinOwnerDestroying() const { return false; }
    // A provider whose form is an MDI parent never becomes parent-dependent.
    virtual bool SkinOwnerIsMDIParent() const { return false; }
};

// SkinState bits.
constexpr uint16_t ssParentDependent = 1;
constexpr uint16_t ssNotComputed = 2;
constexpr uint16_t ssPrinting = 0x200;
constexpr uint16_t ssInUpdate = 0x800;

// Process-wide switches.
// Set while a new skin is being broadcast (cleared by every control that took it).
extern bool SkinChanging;
// The upper-case section name whose change SkinCmdSectionChanged announces.
extern String ChangingSectionName;
// Suppresses hot tracking (and glows) everywhere.
extern bool HotTrackingSuppressed;
// Whether the class library's visibility notification is acted on.
extern bool TrackVisibilityChanges;
// Whether opaque graphic children are cut out of a cached copy.
extern bool ExcludeGraphicChildren;

// Default sections and kind sets.
// The section a control kind stands for ("" when the kind is not in the table).
const wchar_t* DefaultSectionForKind(int kind);
bool IsColorKind(int kind);   // the skin sets the owner's colour and font colour
bool IsNoHotKind(int kind);   // no hot state
bool IsNoGlowKind(int kind);  // no glow

class TsCommonData : public TPersistent {
    DECLARE_CLASS(TsCommonData, TPersistent)
public:
    // owner: a control, or an object that also derives from TsSkinDataOwner.
    // withCache: an (empty) 32-bit cache bitmap is made at once.
    TsCommonData(TPersistent* owner, bool withCache);
    ~TsCommonData() override;

    // ---- published
    const String& SkinSection() const { return skinSection_; }
    // Stores the name upper-cased ("UNKNOWN" for an empty one) and resolves it.
    void SetSkinSection(const String& name);
    bool CustomFont() const { return customFont_; }
    void SetCustomFont(bool v);
    bool CustomColor() const { return customColor_; }
    void SetCustomColor(bool v);
    // The own manager, else the default manager.
    TsSkinManager* SkinManager() const;
    // The own manager only (nil means "the default one"); what is streamed.
    TsSkinManager* StoredSkinManager() const { return manager_; }
    void SetSkinManager(TsSkinManager* manager);
    int HUEOffset() const { return hueOffset_; }
    int Saturation() const { return saturation_; }
    void SetHUEOffset(int v);
    void SetSaturation(int v);

    // ---- state (read and written by the owner and the library's painters)
    int32_t UpdateCount = 0;
    int32_t GlowHandle = -1;
    bool Updating = false;
    int32_t BorderMaskIndex = -1;
    int32_t SectionIndex = -1;
    int32_t TextureIndex = -1;
    int32_t HotTextureIndex = -1;
    bool UrgentPaint = false;
    bool BackgroundChanged = true;
    bool PartlyCovered = true;
    TControl* const OwnerControl;
    TPersistent* const OwnerObject;
    std::unique_ptr<TBitmap> CacheBitmap;
    RegionHandle Region;
    int32_t ControlKind = 0;
    bool Focused = false;
    bool MouseInside = false;
    uint16_t SkinState = ssNotComputed;
    int16_t BackgroundKind = 0;
    HDC PrintTarget = nullptr;

    // ---- operations
    bool IsSkinned(bool checkActive = false) const;
    void UpdateIndexes();
    void ChooseSection();
    void ReapplySkin();
    void ApplySkinColors(bool repaint);
    void BeginUpdate();
    void EndUpdate(bool repaint);
    bool IsUpdating() const;
    bool QueryUpdating(bool reset);
    bool IsOpaqueNow() const;
    bool IsHot() const;
    void Invalidate(bool updateNow = false);
    void PrepareCacheBitmap();
    int GetMaxBorderMargin() const;
    TColor GetStateColor(int state, HWND wnd = nullptr) const;
    void AnswerBgRequest(TsBgRequest& request, int state, HWND wnd = nullptr);
    void GetParentBackground(TsBgCacheInfo& info);
    void GetWindowParentBackground(HWND wnd, TsBgCacheInfo& info);
    void UpdateGlow(bool force, HWND wnd = nullptr);
    void ReleaseGlow();
    void UpdateTransparentState(bool children);
    // The look depends on where the owner stands in its parent.
    bool NeedsRepaintOnMove() const;
    // 0 opaque, 1 parent-dependent, 2 undecided.
    int TransparencyRule() const;

    // ---- helpers
    // The section record, or nil when not resolved.
    const TsGeneralData* Section() const;
    HWND OwnerWindow() const;
    bool OwnerDestroying() const;
    bool OwnerIsProvider() const;
    TsSkinDataOwner* OwnerInterface() const { return ownerIf_; }
    // The owner's colour (a provider's form colour, clBtnFace without one).
    TColor OwnerColor() const;
    // Called by a manager that is being destroyed: every reference to it goes.
    void ForgetManager(TsSkinManager* manager);

private:
    void SetOwnerColor(TColor c);
    void SetOwnerFontColor(TColor c);
    TColor ParentColor(HWND wnd) const;
    bool ResolveNow() const;

    String skinSection_;
    bool customFont_ = false, customColor_ = false;
    int hueOffset_ = 0, saturation_ = 0;
    TsSkinManager* manager_ = nullptr;
    TsSkinDataOwner* ownerIf_ = nullptr;
};

// The same object with the per-control recolouring properties published.
class TsCtrlSkinData : public TsCommonData {
    DECLARE_CLASS(TsCtrlSkinData, TsCommonData)
public:
    TsCtrlSkinData(TPersistent* owner, bool withCache);
};

// The common handler of the skin command message. Returns true when the
// command was handled (Result holds the answer), false for other messages
// and commands.
bool HandleSkinCommand(TMessage& message, TsCommonData* data);
// The common handler of ordinary window messages, called by owners for every
// message before their own handling. True when the message is swallowed
// (its Result is the answer) and must not reach the owner's own handling.
bool HandleCommonMessage(TMessage& message, TsCommonData* data);

// The answer to SkinCmdGetBkColor of a section with transparency percent
// (1..99) over a parent colour: per byte s + percent * (p - s) / 256, rounded
// toward minus infinity. Every control that answers the command mixes with it.
TColor MixBkColor(TColor section, TColor parent, int percent);

// The section whose font colour a control should use (see the .cpp).
int FindFontSectionIndex(TControl* control, int defaultIndex, TsSkinManager* manager, bool hot);

// Copies destRect of the cache bitmap (from srcRect's top-left) to dc, without
// the visible opaque child controls that cover parts of it.
void CopyCacheExceptChildren(TWinControl* control, TsCommonData* data, const RECT& srcRect, int offsetY,
                             int offsetX, bool repaint, HDC dc, const RECT& destRect);
// The same for the child windows of a window in z-order; group boxes exclude
// only their caption band and frame strips.
void CopyCacheExceptChildWindows(HWND wnd, TsCommonData* data, const RECT& srcRect, int offsetY, int offsetX,
                                 bool repaint, HDC dc, const RECT& destRect);

// The record SkinCmdSetSection points to: its second field is the new section name.
struct TsSetSectionRecord {
    intptr_t Reserved = 0;
    const wchar_t* SectionName = nullptr;
};

// Called by a manager that is being destroyed: no skin data keeps a reference to it.
void ForgetManagerInAllSkinData(TsSkinManager* manager);
// Every glow handle forgotten (after the glow list was cleared).
void ForgetGlowsInAllSkinData();
// The number of skin data objects alive (tests).
int LiveSkinDataCount();
