// The per-control skin data object: the kind tables, its published
// properties, section resolution, colours, updating and repainting. Its
// background answers and glow are in CommonDataBackground.cpp, the handlers of
// the skin command and window messages in CommonHandlers.cpp.
#include "skin/core/CommonData.h"

#include <algorithm>

#include "classlib/ExtCtrls.h"
#include "classlib/StdCtrls.h"
#include "classlib/TypInfo.h"
#include "skin/core/CommonDataShared.h"
#include "skin/graphics/SkinCommands.h"
#include "skin/core/SkinHooks.h"
#include "skin/core/SkinManager.h"
#include "skin/graphics/Bitmap32.h"
#include "skin/graphics/Utils.h"

bool SkinChanging = false;
String ChangingSectionName;
bool HotTrackingSuppressed = false;
bool TrackVisibilityChanges = true;
bool ExcludeGraphicChildren = true;

namespace {

std::vector<TsCommonData*>& Live()
{
    static std::vector<TsCommonData*> list;
    return list;
}

bool InRange(int k, int lo, int hi) { return k >= lo && k <= hi; }

}  // namespace

// ---------------------------------------------------------------- tables

const wchar_t* DefaultSectionForKind(int k)
{
    if (InRange(k, 2, 8) || k == 10 || k == 41 || k == 76 || k == 78 || InRange(k, 83, 85) || k == 96 ||
        k == 131 || k == 140 || k == 230)
        return L"EDIT";
    if (InRange(k, 11, 18) || k == 81 || k == 82)
        return L"COMBOBOX";
    switch (k) {
    case 19: return L"BAR";
    case 20: return L"BARTITLE";
    case 32: case 33: case 50: case 152: return L"CHECKBOX";
    case 51: case 59: case 68: case 73: return L"PANEL";
    case 52: case 58: return L"PANEL_LOW";
    case 53: case 54: case 60: return L"TOOLBAR";
    case 56: return L"DRAGBAR";
    case 57: return L"TABSHEET";
    case 74: case 226: return L"GROUPBOX";
    case 75: return L"SPLITTER";
    case 92: case 95: return L"SPEEDBUTTON";
    case 93: case 94: return L"BUTTON";
    case 98: return L"TOOLBUTTON";
    case 141: case 143: return L"PAGECONTROL";
    case 151: return L"STATUSBAR";
    case 161: return L"GAUGE";
    case 165: return L"TRACKBAR";
    default: return L"";
    }
}

bool IsColorKind(int k)
{
    return InRange(k, 2, 18) || k == 41 || InRange(k, 76, 84) || k == 96 || InRange(k, 131, 140) || k == 231;
}

bool IsNoHotKind(int k) { return k == 19 || InRange(k, 51, 74) || k == 110 || InRange(k, 141, 161); }

bool IsNoGlowKind(int k)
{
    switch (k) {
    case 51: case 52: case 54: case 56: case 57: case 58: case 59: case 60: case 68: case 73: case 74:
    case 110: case 141: case 143: case 151: case 161: case 226: case 92: case 93: case 94:
        return true;
    default:
        return false;
    }
}

void ForgetManagerInAllSkinData(TsSkinManager* manager)
{
    auto copy = Live();
    for (TsCommonData* d : copy)
        d->ForgetManager(manager);
}

int LiveSkinDataCount() { return int(Live().size()); }

void ForgetGlowsInAllSkinData()
{
    for (TsCommonData* d : Live())
        d->GlowHandle = -1;
}

// ---------------------------------------------------------------- TsCommonData

namespace {

// The published properties, readable and writable by name like those of any
// component. SkinManager is streamed only when set (nil means the default one).
void RegisterSkinDataProperties()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    const TClassInfo* base = TsCommonData::StaticClassInfo();
    RegisterProperty(base, StrProperty<TsCommonData, const String&>(L"SkinSection", &TsCommonData::SkinSection,
                                                                     &TsCommonData::SetSkinSection));
    RegisterProperty(base, BoolProperty<TsCommonData>(L"CustomColor", &TsCommonData::CustomColor,
                                                      &TsCommonData::SetCustomColor));
    RegisterProperty(base, BoolProperty<TsCommonData>(L"CustomFont", &TsCommonData::CustomFont,
                                                      &TsCommonData::SetCustomFont));
    TPropInfo m;
    m.Name = L"SkinManager";
    m.Kind = TTypeKind::tkClass;
    m.GetObj = [](TObject* o) -> TObject* { return static_cast<TsCommonData*>(o)->StoredSkinManager(); };
    m.SetObj = [](TObject* o, TObject* v) {
        static_cast<TsCommonData*>(o)->SetSkinManager(dynamic_cast<TsSkinManager*>(v));
    };
    RegisterProperty(base, std::move(m));
    const TClassInfo* ctrl = TsCtrlSkinData::StaticClassInfo();
    RegisterProperty(ctrl, OrdProperty<TsCommonData, int>(L"HUEOffset", &TsCommonData::HUEOffset,
                                                          &TsCommonData::SetHUEOffset));
    RegisterProperty(ctrl, OrdProperty<TsCommonData, int>(L"Saturation", &TsCommonData::Saturation,
                                                          &TsCommonData::SetSaturation));
}

}  // namespace

TsCommonData::TsCommonData(TPersistent* owner, bool withCache)
    : OwnerControl(dynamic_cast<TControl*>(owner)), OwnerObject(owner),
      ownerIf_(dynamic_cast<TsSkinDataOwner*>(owner))
{
    RegisterSkinDataProperties();
    if (withCache)
        CacheBitmap = std::make_unique<TBitmap>();   // empty, 32 bits
    Live().push_back(this);
}

TsCommonData::~TsCommonData()
{
    std::erase(Live(), this);
    SectionIndex = BorderMaskIndex = TextureIndex = HotTextureIndex = -1;
    manager_ = nullptr;
    ReleaseGlow();
}

TsCtrlSkinData::TsCtrlSkinData(TPersistent* owner, bool withCache) : TsCommonData(owner, withCache) {}

TsSkinManager* TsCommonData::SkinManager() const { return manager_ ? manager_ : DefaultManager; }

void TsCommonData::ForgetManager(TsSkinManager* manager)
{
    bool inUse = SkinManager() == manager;
    if (manager_ == manager)
        manager_ = nullptr;
    if (inUse) {
        SectionIndex = BorderMaskIndex = TextureIndex = HotTextureIndex = -1;
        ReleaseGlow();
    }
}

bool TsCommonData::OwnerDestroying() const
{
    if (OwnerControl)
        return OwnerControl->Destroying();
    return ownerIf_ && ownerIf_->SkinOwnerDestroying();
}

bool TsCommonData::OwnerIsProvider() const { return ownerIf_ && ownerIf_->SkinOwnerIsProvider(); }

HWND TsCommonData::OwnerWindow() const
{
    if (auto* w = dynamic_cast<TWinControl*>(OwnerControl))
        return w->HandleAllocated() ? w->Handle() : nullptr;
    return ownerIf_ ? ownerIf_->SkinOwnerWindow() : nullptr;
}

TColor TsCommonData::OwnerColor() const
{
    if (OwnerControl)
        return OwnerControl->Color();
    if (ownerIf_)
        return ownerIf_->SkinOwnerColor();
    return clBtnFace;
}

void TsCommonData::SetOwnerColor(TColor c)
{
    if (OwnerControl && OwnerControl->Color() != c)
        OwnerControl->SetColor(c);
}

void TsCommonData::SetOwnerFontColor(TColor c)
{
    if (OwnerControl && OwnerControl->Font().Color() != c)
        OwnerControl->Font().SetColor(c);
}

const TsGeneralData* TsCommonData::Section() const
{
    TsSkinManager* m = SkinManager();
    if (!m || !m->IsSectionIndexValid(SectionIndex))
        return nullptr;
    return &m->Tables().Sections[size_t(SectionIndex)];
}

bool TsCommonData::ResolveNow() const
{
    TsSkinManager* m = SkinManager();
    return m && !m->Tables().Sections.empty();
}

bool TsCommonData::IsSkinned(bool checkActive) const
{
    TsSkinManager* m = SkinManager();
    if (skinSection_.empty() || !m || m->Destroying() || OwnerDestroying())
        return false;
    if (!m->IsSectionIndexValid(SectionIndex))
        return false;
    return !checkActive || m->SkinData().Active;
}

void TsCommonData::SetSkinSection(const String& name)
{
    if (name == skinSection_)
        return;
    skinSection_ = name.empty() ? String(L"UNKNOWN") : skindata::Upper(name);
    if (ResolveNow())
        UpdateIndexes();
    else
        SectionIndex = -1;
    if (OwnerControl && OwnerControl->Parent() &&
        !(OwnerControl->ComponentState() & (csLoading | csDestroying))) {
        if (!Updating) {
            TsSkinManager* m = SkinManager();
            auto cmd = m && m->IsSectionIndexValid(SectionIndex) ? TsSkinCommand::Refresh : TsSkinCommand::RemoveSkin;
            CallSkinCommand(OwnerControl, cmd, LPARAM(m));
        }
        ReleaseGlow();
    } else if (OwnerIsProvider()) {
        BackgroundChanged = true;
    }
}

void TsCommonData::SetSkinManager(TsSkinManager* manager)
{
    if (manager == DefaultManager)
        manager = nullptr;   // the default one is never stored
    if (manager == manager_)
        return;
    manager_ = manager;
    if (OwnerControl && (OwnerControl->ComponentState() & csLoading))
        return;
    if (ResolveNow())
        UpdateIndexes();
    else
        SectionIndex = -1;
    if (OwnerIsProvider() || !OwnerControl || !OwnerControl->Parent() || OwnerControl->Parent()->Destroying())
        return;
    TsSkinManager* m = SkinManager();
    auto cmd = m && m->IsSectionIndexValid(SectionIndex) ? TsSkinCommand::Refresh : TsSkinCommand::RemoveSkin;
    CallSkinCommand(OwnerControl, cmd, LPARAM(m));
}

void TsCommonData::SetCustomColor(bool v)
{
    customColor_ = v;
    if (!OwnerControl || !(OwnerControl->ComponentState() & csLoading))
        ApplySkinColors(true);
}

void TsCommonData::SetCustomFont(bool v)
{
    customFont_ = v;
    if (!OwnerControl || !(OwnerControl->ComponentState() & csLoading))
        ApplySkinColors(true);
}

void TsCommonData::SetHUEOffset(int v)
{
    hueOffset_ = v;
    ReapplySkin();
    Invalidate();
}

void TsCommonData::SetSaturation(int v)
{
    saturation_ = v;
    ReapplySkin();
    Invalidate();
}

void TsCommonData::UpdateIndexes()
{
    BackgroundChanged = true;
    TsSkinManager* m = SkinManager();
    SectionIndex = m && m->Active() ? m->FindSectionIndex(skinSection_) : -1;
    SkinState = ssNotComputed;
    BackgroundKind = 0;
    const TsGeneralData* s = Section();
    if (!s) {
        BorderMaskIndex = TextureIndex = HotTextureIndex = -1;
        return;
    }
    const TsGenState& st = s->Props[0];
    if (st.ImagePercent > 0)
        BackgroundKind |= 4;
    if (st.GradientPercent > 0 && st.GradientArray && !st.GradientArray->empty()) {
        switch ((*st.GradientArray)[0].Mode) {
        case 0: BackgroundKind += 2; break;
        case 1: BackgroundKind += 1; break;
        case 2: BackgroundKind += 3; break;
        default: break;
        }
    }
    BorderMaskIndex = s->BorderMaskIndex;
    TextureIndex = m->FindTextureIndex(SectionIndex, skinSection_, L"PATTERN");
    HotTextureIndex = m->FindTextureIndex(SectionIndex, skinSection_, L"HOTPATTERN");
    UpdateTransparentState(false);
}

void TsCommonData::ChooseSection()
{
    if (!skinSection_.empty()) {
        UpdateIndexes();
        return;
    }
    String name = DefaultSectionForKind(ControlKind);
    if (name.empty())
        name = OwnerObject ? OwnerObject->ClassName() : String(L"UNKNOWN");
    SetSkinSection(name);
}

void TsCommonData::ReapplySkin()
{
    ChooseSection();
    if (IsSkinned() && OwnerControl && OwnerControl->Parent() &&
        !(OwnerControl->ComponentState() & csLoading)) {
        if (dynamic_cast<TWinControl*>(OwnerControl))
            NotifyFormOfControl(OwnerControl);
        ApplySkinColors(false);
    }
}

void TsCommonData::ApplySkinColors(bool repaint)
{
    const TsGeneralData* s = Section();
    auto* w = dynamic_cast<TWinControl*>(OwnerControl);
    if (!s || !IsSkinned() || !IsColorKind(ControlKind) || !w || !w->HandleAllocated())
        return;
    auto recolour = [&](TColor c) {
        c = TColor(ColorToRGB(c));
        if (hueOffset_)
            c = ChangeColorHue(c, hueOffset_);
        if (saturation_)
            c = ChangeColorSaturation(c, saturation_);
        return c;
    };
    if (!customColor_)
        SetOwnerColor(recolour(s->IniColor));
    if (!customFont_ && !IsKind(ControlKind, TsControlKind::ListView))
        SetOwnerFontColor(recolour(s->Props[0].FontColor));
    if (repaint)
        Invalidate(false);
}

void TsCommonData::BeginUpdate()
{
    ++UpdateCount;
    Updating = true;
    SkinState |= ssInUpdate;
    if (OwnerControl)
        CallSkinCommand(OwnerControl, TsSkinCommand::BeginUpdate);
    else if (OwnerIsProvider() && ownerIf_->SkinOwnerForm() && ownerIf_->SkinOwnerForm()->HandleAllocated())
        SendSkinCommand(ownerIf_->SkinOwnerForm()->Handle(), TsSkinCommand::BeginUpdate);
}

void TsCommonData::EndUpdate(bool repaint)
{
    --UpdateCount;
    Updating = false;
    SkinState &= uint16_t(~ssInUpdate);
    if (UpdateCount <= 0) {
        if (OwnerControl)
            CallSkinCommand(OwnerControl, TsSkinCommand::EndUpdate);
        else if (OwnerIsProvider() && ownerIf_->SkinOwnerForm() && ownerIf_->SkinOwnerForm()->HandleAllocated())
            SendSkinCommand(ownerIf_->SkinOwnerForm()->Handle(), TsSkinCommand::EndUpdate);
    }
    if (repaint)
        Invalidate(false);
}

bool TsCommonData::IsOpaqueNow() const { return !((SkinState & ssParentDependent) && !IsHot()); }

bool TsCommonData::IsUpdating() const
{
    if (!SkinManager())
        return false;
    if (IsOpaqueNow())
        return Updating;
    // A parent-dependent look waits for the parent.
    if (OwnerControl && OwnerControl->Destroying())
        return Updating;
    if (Updating)
        return true;
    if (OwnerControl && OwnerControl->Parent())
        return QueryControlSkinFlag(OwnerControl->Parent(), SkinCmdIsUpdating);
    if (OwnerIsProvider()) {
        TCustomForm* f = ownerIf_->SkinOwnerForm();
        if (f && f->Parent())
            return QueryControlSkinFlag(f->Parent(), SkinCmdIsUpdating);
    }
    return false;
}

bool TsCommonData::QueryUpdating(bool reset)
{
    if (reset)
        Updating = false;
    if (IsUpdating()) {
        Updating = true;
        return true;
    }
    return false;
}

bool TsCommonData::IsHot() const
{
    if (OwnerControl) {
        if (!OwnerControl->Enabled() || OwnerControl->Destroying())
            return false;
    } else if (!ownerIf_ || ownerIf_->SkinOwnerDestroying()) {
        return false;
    }
    if (Focused)
        return true;
    HWND w = OwnerWindow();
    bool panel = skindata::IsPanelKind(ControlKind) || dynamic_cast<TCustomPanel*>(OwnerControl) != nullptr;
    if (w && GetFocus() == w && !panel)
        return true;
    return MouseInside && !HotTrackingSuppressed && !IsNoHotKind(ControlKind);
}

void TsCommonData::Invalidate(bool updateNow)
{
    if (OwnerControl) {
        if (OwnerControl->ComponentState() & (csDestroying | csLoading))
            return;
        BackgroundChanged = true;
        if (!OwnerControl->Showing())
            return;
        if (auto* w = dynamic_cast<TWinControl*>(OwnerControl)) {
            if (w->HandleAllocated())
                RedrawWindow(w->Handle(), nullptr, nullptr, skindata::kRedrawAll | (updateNow ? RDW_UPDATENOW : 0));
        } else {
            OwnerControl->Repaint();
        }
        return;
    }
    BackgroundChanged = true;
    if (HWND w = OwnerWindow())
        RedrawWindow(w, nullptr, nullptr, skindata::kRedrawAll);
}

void TsCommonData::PrepareCacheBitmap()
{
    if (!CacheBitmap)
        CacheBitmap = std::make_unique<TBitmap>();
    if (CacheBitmap->PixelFormat() != TPixelFormat::pf32bit)
        CacheBitmap->SetPixelFormat(TPixelFormat::pf32bit);
    int w = 0, h = 0;
    if (OwnerControl) {
        w = OwnerControl->Width();
        h = OwnerControl->Height();
    } else if (HWND wnd = OwnerWindow()) {
        RECT r;
        GetWindowRect(wnd, &r);
        w = r.right - r.left;
        h = r.bottom - r.top;
    }
    w = std::max(w, 0);
    h = std::max(h, 0);
    if (CacheBitmap->Width() != w || CacheBitmap->Height() != h)
        CacheBitmap->SetSize(w, h);
}

int TsCommonData::GetMaxBorderMargin() const
{
    TsSkinManager* m = SkinManager();
    if (!m || !m->IsMaskIndexValid(BorderMaskIndex))
        return 0;
    const TsMaskData& k = m->Tables().Masks[size_t(BorderMaskIndex)];
    if (k.PaintFlags & 2)
        return 0;
    return std::max({int(k.MarginLeft), int(k.MarginTop), int(k.MarginRight), int(k.MarginBottom)});
}

TColor TsCommonData::ParentColor(HWND wnd) const
{
    if (OwnerControl && OwnerControl->Parent())
        return GetControlBgColor(OwnerControl->Parent());
    if (OwnerIsProvider()) {
        TCustomForm* f = ownerIf_->SkinOwnerForm();
        if (f && f->Parent())
            return GetControlBgColor(f->Parent());
    }
    HWND w = wnd ? wnd : OwnerWindow();
    return GetWindowBgColor(w ? GetParent(w) : nullptr);
}

TColor TsCommonData::GetStateColor(int state, HWND wnd) const
{
    const TsGeneralData* s = Section();
    if (s && IsSkinned() && !customColor_) {
        int st = state >= 1 && s->States > 1 ? 1 : 0;
        TColor col = TColor(ColorToRGB(s->Props[size_t(st)].Color));
        int t = s->Props[size_t(st)].Transparency;
        if (t <= 0)
            return col;
        TColor parent = ParentColor(wnd);
        if (t >= 100)
            return parent;
        // t percent of the result is the parent's colour.
        return MixColors(parent, col, t / 100.0);
    }
    if (OwnerControl || ownerIf_)
        return OwnerColor();
    return clBtnFace;
}

// ---------------------------------------------------------------- font section

int FindFontSectionIndex(TControl* control, int defaultIndex, TsSkinManager* manager, bool hot)
{
    if (!manager)
        manager = DefaultManager;
    if (!control || !manager)
        return defaultIndex;
    // Depth is bounded by the tree; each step goes one parent up.
    for (TControl* c = control; c && c->Parent(); c = c->Parent()) {
        TWinControl* p = c->Parent();
        int index = -1;
        if (auto* data = dynamic_cast<TsCommonData*>(GetObjectPropByName(p, L"SkinData")))
            index = data->SectionIndex;
        else if (p->HandleAllocated())
            SendSkinCommand(p->Handle(), SkinCmdGetSectionIndex, LPARAM(&index));
        if (!manager->IsSectionIndexValid(index)) {
            if (!p->Parent())
                return defaultIndex;
            continue;
        }
        const TsGeneralData& s = manager->Tables().Sections[size_t(index)];
        int st = hot && s.States > 1 ? 1 : 0;
        bool fill = manager->IsMaskIndexValid(s.BorderMaskIndex) &&
                    (manager->Tables().Masks[size_t(s.BorderMaskIndex)].PaintFlags & 4);
        if (s.Props[size_t(st)].Transparency <= 50 || fill || !p->Parent())
            return s.GiveOwnFont ? index : defaultIndex;
    }
    return defaultIndex;
}
