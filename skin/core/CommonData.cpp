#include "skin/core/CommonData.h"

#include <algorithm>
#include <cwctype>

#include "classlib/ExtCtrls.h"
#include "classlib/PageControl.h"
#include "classlib/StdCtrls.h"
#include "skin/graphics/SkinCommands.h"
#include "skin/core/SkinHooks.h"
#include "skin/core/SkinManager.h"
#include "skin/graphics/Bitmap32.h"
#include "skin/graphics/Glow.h"
#include "skin/graphics/Utils.h"
#include "classlib/TypInfo.h"

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

String Upper(const String& s)
{
    String u = s;
    for (wchar_t& c : u)
        c = wchar_t(std::towupper(c));
    return u;
}

// Integer division rounding toward minus infinity.
int FloorDiv(int a, int b)
{
    int q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

bool IsPanelKind(int k) { return k == 51 || k == 52 || k == 59 || k == 68 || k == 73; }

WPARAM CmdWParam(unsigned command, unsigned sub = 0) { return WPARAM(MakeSkinCmdWParam(command, sub)); }

constexpr UINT kRedrawAll = RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME;

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
    skinSection_ = name.empty() ? String(L"UNKNOWN") : Upper(name);
    if (ResolveNow())
        UpdateIndexes();
    else
        SectionIndex = -1;
    if (OwnerControl && OwnerControl->Parent() &&
        !(OwnerControl->ComponentState() & (csLoading | csDestroying))) {
        if (!Updating) {
            TsSkinManager* m = SkinManager();
            unsigned cmd = m && m->IsSectionIndexValid(SectionIndex) ? SkinCmdRefresh : SkinCmdRemoveSkin;
            OwnerControl->Perform(SkinCommandMessage, CmdWParam(cmd), LPARAM(m));
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
    unsigned cmd = m && m->IsSectionIndexValid(SectionIndex) ? SkinCmdRefresh : SkinCmdRemoveSkin;
    OwnerControl->Perform(SkinCommandMessage, CmdWParam(cmd), LPARAM(m));
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
    if (!customFont_ && ControlKind != 10)
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
        OwnerControl->Perform(SkinCommandMessage, CmdWParam(SkinCmdBeginUpdate), 0);
    else if (OwnerIsProvider() && ownerIf_->SkinOwnerForm() && ownerIf_->SkinOwnerForm()->HandleAllocated())
        SendSkinCommand(ownerIf_->SkinOwnerForm()->Handle(), SkinCmdBeginUpdate, 0);
}

void TsCommonData::EndUpdate(bool repaint)
{
    --UpdateCount;
    Updating = false;
    SkinState &= uint16_t(~ssInUpdate);
    if (UpdateCount <= 0) {
        if (OwnerControl)
            OwnerControl->Perform(SkinCommandMessage, CmdWParam(SkinCmdEndUpdate), 0);
        else if (OwnerIsProvider() && ownerIf_->SkinOwnerForm() && ownerIf_->SkinOwnerForm()->HandleAllocated())
            SendSkinCommand(ownerIf_->SkinOwnerForm()->Handle(), SkinCmdEndUpdate, 0);
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
    bool panel = IsPanelKind(ControlKind) || dynamic_cast<TCustomPanel*>(OwnerControl) != nullptr;
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
                RedrawWindow(w->Handle(), nullptr, nullptr, kRedrawAll | (updateNow ? RDW_UPDATENOW : 0));
        } else {
            OwnerControl->Repaint();
        }
        return;
    }
    BackgroundChanged = true;
    if (HWND w = OwnerWindow())
        RedrawWindow(w, nullptr, nullptr, kRedrawAll);
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

void TsCommonData::AnswerBgRequest(TsBgRequest& r, int state, HWND wnd)
{
    r.Bmp = nullptr;
    const TsGeneralData* s = Section();
    bool painting = r.PaintIt && r.DC;
    if (!s || !IsSkinned() || customColor_) {
        if (OwnerControl || OwnerIsProvider()) {
            r.Kind = bgColor;
            r.Color = OwnerColor();
            if (painting) {
                BrushHandle b(CreateSolidBrush(ColorToRGB(r.Color)));
                FillRect(r.DC, &r.PaintRect, b.get());
            }
        }
        return;
    }
    TsSkinManager* m = SkinManager();
    int st = std::clamp(std::min(state, s->States - 1), 0, 1);
    const TsGenState& g = s->Props[size_t(st)];
    int t = g.Transparency, img = g.ImagePercent, grad = g.GradientPercent;
    bool corners = m->IsMaskIndexValid(s->ImgTopLeft) || m->IsMaskIndexValid(s->ImgTopRight) ||
                   m->IsMaskIndexValid(s->ImgBottomLeft) || m->IsMaskIndexValid(s->ImgBottomRight);
    auto ownerSize = [&]() -> SIZE {
        if (OwnerControl)
            return {OwnerControl->Width(), OwnerControl->Height()};
        RECT rc{};
        if (HWND w = OwnerWindow())
            GetWindowRect(w, &rc);
        return {rc.right - rc.left, rc.bottom - rc.top};
    };
    auto bitmapAnswer = [&]() {
        r.Kind = bgBitmap;
        r.Bmp = CacheBitmap.get();
        if (painting) {
            RECT p = r.PaintRect;
            BitBlt(r.DC, p.left, p.top, p.right - p.left, p.bottom - p.top, CacheBitmap->Canvas().Handle(),
                   p.left + r.OffsetX, p.top + r.OffsetY, SRCCOPY);
        } else {
            r.OffsetX = r.OffsetY = 0;
        }
    };
    if (t == 0) {
        if (img <= 0 && grad < 1 && !corners) {
            r.Kind = bgColor;
            r.Color = GetStateColor(st, wnd);
            if (m->IsMaskIndexValid(BorderMaskIndex) && !(m->Tables().Masks[size_t(BorderMaskIndex)].PaintFlags & 2)) {
                const TsMaskData& k = m->Tables().Masks[size_t(BorderMaskIndex)];
                r.FrameWidths[0] = k.MarginLeft;
                r.FrameWidths[1] = k.MarginTop;
                r.FrameWidths[2] = k.MarginRight;
                r.FrameWidths[3] = k.MarginBottom;
                r.Bmp = CacheBitmap.get();
                if (!painting)
                    r.OffsetX = r.OffsetY = 0;
            }
            if (painting) {
                BrushHandle b(CreateSolidBrush(ColorToRGB(r.Color)));
                FillRect(r.DC, &r.PaintRect, b.get());
            }
            return;
        }
        r.Color = TColor(m->GetGlobalColor());
        SIZE sz = ownerSize();
        if (!CacheBitmap || CacheBitmap->Empty() || CacheBitmap->Width() != sz.cx || CacheBitmap->Height() != sz.cy) {
            r.Kind = bgNotReady;
            return;
        }
        bitmapAnswer();
        return;
    }
    if (t >= 100) {
        if ((SkinState & ssParentDependent) || !CacheBitmap) {
            if (CacheBitmap && BackgroundChanged && OwnerControl)
                OwnerControl->Perform(SkinCommandMessage, CmdWParam(SkinCmdClearBackgroundChanged), 0);
            int ox = r.OffsetX, oy = r.OffsetY;
            POINT pos{0, 0};
            bool asked = false;
            if (OwnerControl && OwnerControl->Parent()) {
                pos = {OwnerControl->Left(), OwnerControl->Top()};
                r.OffsetX = ox + pos.x;
                r.OffsetY = oy + pos.y;
                GetParentBgByControl(r, OwnerControl->Parent(), painting);
                asked = true;
            } else if (OwnerIsProvider() && ownerIf_->SkinOwnerForm() && ownerIf_->SkinOwnerForm()->Parent()) {
                TCustomForm* f = ownerIf_->SkinOwnerForm();
                pos = {f->Left(), f->Top()};
                r.OffsetX = ox + pos.x;
                r.OffsetY = oy + pos.y;
                GetParentBgByControl(r, f->Parent(), painting);
                asked = true;
            } else if (!OwnerControl && !OwnerIsProvider()) {
                HWND w = wnd ? wnd : OwnerWindow();
                HWND parent = w ? GetParent(w) : nullptr;
                if (parent && (GetWindowLongPtrW(w, GWL_STYLE) & WS_CHILD)) {
                    RECT rc;
                    GetWindowRect(w, &rc);
                    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
                    pos = {rc.left, rc.top};
                    r.OffsetX = ox + pos.x;
                    r.OffsetY = oy + pos.y;
                    GetParentBgByHandle(r, parent, painting);
                    asked = true;
                }
            }
            if (!asked) {
                r.Kind = bgColor;
                r.Color = DefaultBackgroundColor();
                r.OffsetX = ox;
                r.OffsetY = oy;
                return;
            }
            if (painting) {
                r.OffsetX = ox;
                r.OffsetY = oy;
            } else if (r.Kind == bgBitmap) {
                r.OffsetX += pos.x;   // the answer is where the parent's origin is; ours lies further in
                r.OffsetY += pos.y;
            }
            return;
        }
        bitmapAnswer();
        return;
    }
    if (!CacheBitmap) {
        r.Kind = bgColor;
        r.Color = SkinKeyColor;
        return;
    }
    if (CacheBitmap->Empty()) {
        Updating = true;
        r.Kind = bgNotReady;
        return;
    }
    bitmapAnswer();
}

void TsCommonData::GetParentBackground(TsBgCacheInfo& info)
{
    if (!OwnerControl || !OwnerControl->Parent()) {
        if (OwnerControl || !OwnerWindow() || !GetParent(OwnerWindow())) {
            info = EmptyBgCacheInfo;
            return;
        }
        GetWindowParentBackground(OwnerWindow(), info);
        return;
    }
    if (!IsSkinned()) {
        info = EmptyBgCacheInfo;
        info.Bmp = nullptr;
        info.FillColor = TColor(ColorToRGB(GetStateColor(0)));
        return;
    }
    TsBgRequest r;
    info = ParentBackgroundOf(OwnerControl, r);
    if (r.Kind == bgNotReady)
        info.FillColor = SkinKeyColor;
}

void TsCommonData::GetWindowParentBackground(HWND wnd, TsBgCacheInfo& info)
{
    HWND parent = wnd ? GetParent(wnd) : nullptr;
    if (!parent || !(GetWindowLongPtrW(wnd, GWL_STYLE) & WS_CHILD)) {
        info = EmptyBgCacheInfo;
        return;
    }
    if (!IsSkinned()) {
        info = EmptyBgCacheInfo;
        info.FillColor = TColor(ColorToRGB(GetStateColor(0, wnd)));
        return;
    }
    TsBgRequest r;
    GetParentBgByHandle(r, parent, false);
    BgRequestToCacheInfo(r, info);
    if (r.Bmp) {
        // The parent answers for its own origin: move to this window's place in it.
        RECT rc;
        GetWindowRect(wnd, &rc);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
        info.X += rc.left;
        info.Y += rc.top;
    }
    if (r.Kind == bgNotReady)
        info.FillColor = SkinKeyColor;
}

void TsCommonData::ReleaseGlow()
{
    if (GlowHandle >= 0)
        HideGlow(GlowHandle);
    GlowHandle = -1;
}

void TsCommonData::UpdateGlow(bool force, HWND wnd)
{
    TsSkinManager* m = SkinManager();
    const TsGeneralData* s = Section();
    TsGlowSkin* glowSkin = !m ? nullptr : SkinHooks.GlowSkinOf ? SkinHooks.GlowSkinOf(m) : m->GlowSkin();
    if (!m || !s || !glowSkin || !m->Effects.GetAllowGlowing() || s->Glow < 1 || HotTrackingSuppressed)
        return;
    RECT r{};
    HWND target = wnd;
    if (OwnerControl) {
        POINT o = OwnerControl->ClientToScreen({0, 0});
        r = {o.x, o.y, o.x + OwnerControl->Width(), o.y + OwnerControl->Height()};
        if (!target)
            target = OwnerWindow() ? OwnerWindow()
                                   : (OwnerControl->Parent() && OwnerControl->Parent()->HandleAllocated()
                                          ? OwnerControl->Parent()->Handle()
                                          : nullptr);
    } else if (HWND w = wnd ? wnd : OwnerWindow()) {
        GetWindowRect(w, &r);
        target = w;
    } else {
        return;
    }
    POINT cur{};
    bool above = GetCursorPos(&cur) && PtInRect(&r, cur);
    if (!above || OwnerDestroying() || (force && GlowHandle >= 0)) {
        ReleaseGlow();
        if (!above || OwnerDestroying())
            return;
    }
    if (GlowHandle >= 0)
        return;
    // The visible part: the owner's rectangle cut by its parents' client areas.
    RECT vis = r;
    for (TWinControl* p = OwnerControl ? OwnerControl->Parent() : nullptr; p; p = p->Parent()) {
        POINT o = p->ClientToScreen({0, 0});
        RECT pc{o.x, o.y, o.x + p->ClientWidth(), o.y + p->ClientHeight()};
        IntersectRect(&vis, &vis, &pc);
    }
    OffsetRect(&vis, -r.left, -r.top);
    if (IsRectEmpty(&vis))
        return;
    GlowHandle = ShowGlow(r, vis, skinSection_, glowSkin, target, s->GlowMargin, L"GLOW");
}

int TsCommonData::TransparencyRule() const
{
    TsSkinManager* m = SkinManager();
    const TsGeneralData* s = Section();
    if (!m || !s)
        return 1;
    if (m->IsMaskIndexValid(BorderMaskIndex) && (m->Tables().Masks[size_t(BorderMaskIndex)].PaintFlags & 4))
        return 0;
    if (s->IniTransparency == 100) {
        if (m->IsMaskIndexValid(TextureIndex) && m->Tables().Masks[size_t(TextureIndex)].PaintFlags == 10)
            return 0;
        if (OwnerControl && OwnerControl->Parent()) {
            TWinControl* p = OwnerControl->Parent();
            if (!p->HandleAllocated())
                return 2;
            // Asked through the parent's window procedure directly: a parent of ours
            // answers the same, without a trip through the system's message dispatch.
            if (p->Perform(SkinCommandMessage, CmdWParam(SkinCmdIsSkinned), 0) & 0xFF)
                return (p->Perform(SkinCommandMessage, CmdWParam(SkinCmdSkinState), 0) & ssParentDependent) ? 1 : 0;
            return 1;
        }
        return 0;
    }
    if (s->IniTransparency != 0 || s->IniImagePercent != 0 || s->IniGradientPercent != 0)
        return 0;
    bool corners = m->IsMaskIndexValid(s->ImgTopLeft) || m->IsMaskIndexValid(s->ImgTopRight) ||
                   m->IsMaskIndexValid(s->ImgBottomLeft) || m->IsMaskIndexValid(s->ImgBottomRight);
    return corners ? 0 : 1;
}

void TsCommonData::UpdateTransparentState(bool children)
{
    bool container = OwnerIsProvider() || IsPanelKind(ControlKind) || ControlKind == 57 || ControlKind == 141 ||
                     ControlKind == 143 || dynamic_cast<TCustomPanel*>(OwnerControl) ||
                     dynamic_cast<TPageControl*>(OwnerControl) || dynamic_cast<TTabSheet*>(OwnerControl) ||
                     (OwnerControl && OwnerControl->InheritsFrom(L"TScrollingWinControl"));
    if (container)
        SkinState &= uint16_t(~ssParentDependent);
    int rule = TransparencyRule();
    if (rule != 2) {
        bool dependent = rule == 1 && !(OwnerIsProvider() && ownerIf_->SkinOwnerIsMDIParent());
        SkinState = uint16_t((SkinState & ~(ssParentDependent | ssNotComputed)) | (dependent ? ssParentDependent : 0));
        if (rule == 0 && OwnerIsProvider())
            SkinState = 0;
    }
    if (children)
        if (auto* w = dynamic_cast<TWinControl*>(OwnerControl))
            for (int i = 0; i < w->ControlCount(); ++i)
                PerformSkinCommand(w->Controls(i), SkinCmdSkinState, 1);
}

bool TsCommonData::NeedsRepaintOnMove() const
{
    const TsGeneralData* s = Section();
    TsSkinManager* m = SkinManager();
    if (!s || !IsSkinned())
        return false;
    if (s->IniTransparency > 0)
        return true;   // the parent shows through
    if (m->IsMaskIndexValid(BorderMaskIndex) && m->Tables().Masks[size_t(BorderMaskIndex)].CornerTransparency > 0)
        return true;
    return m->IsMaskIndexValid(s->ImgTopLeft) || m->IsMaskIndexValid(s->ImgTopRight) ||
           m->IsMaskIndexValid(s->ImgBottomLeft) || m->IsMaskIndexValid(s->ImgBottomRight);
}

// ---------------------------------------------------------------- the common handlers

namespace {

bool SameManager(const TMessage& m, const TsCommonData* d)
{
    return d->SkinManager() && m.LParam == LPARAM(d->SkinManager());
}

void SetHotColors(TsCommonData* d, bool hot)
{
    const TsGeneralData* s = d->Section();
    if (!s || s->States < 2 || !d->OwnerControl)
        return;
    const TsGenState& st = s->Props[hot ? 1 : 0];
    bool changed = false;
    if (!d->CustomColor() && d->OwnerControl->Color() != TColor(ColorToRGB(st.Color))) {
        d->OwnerControl->SetColor(TColor(ColorToRGB(st.Color)));
        changed = true;
    }
    if (!d->CustomFont() && d->ControlKind != 10 && d->OwnerControl->Font().Color() != TColor(ColorToRGB(st.FontColor))) {
        d->OwnerControl->Font().SetColor(TColor(ColorToRGB(st.FontColor)));
        changed = true;
    }
    if (changed)
        d->OwnerControl->Invalidate();
}

void RedrawFrame(HWND w)
{
    if (w)
        SendMessageW(w, WM_NCPAINT, 1, 0);
}

// The mouse has left the owner (the class library's notification or the
// manager's SkinCmdMouseLeave).
void MouseLeft(TsCommonData* d)
{
    HWND w = d->OwnerWindow();
    if (!IsNoHotKind(d->ControlKind))
        d->MouseInside = false;
    d->Focused = w && GetFocus() == w;   // a focused owner stays focused
    POINT p{};
    bool stillUnder = false;
    if (d->OwnerControl && GetCursorPos(&p)) {
        POINT o = d->OwnerControl->ClientToScreen({0, 0});
        RECT r{o.x, o.y, o.x + d->OwnerControl->Width(), o.y + d->OwnerControl->Height()};
        stillUnder = PtInRect(&r, p) != 0;
    }
    if (!stillUnder)
        d->ReleaseGlow();
}

}  // namespace

bool HandleSkinCommand(TMessage& m, TsCommonData* d)
{
    if (!d || m.Msg != SkinCommandMessage)
        return false;
    unsigned cmd = SkinCommandOf(m.WParam);
    // The library runs on one thread: a command that arrives from another
    // thread or process was not sent by it, and its LParam cannot be trusted
    // as a pointer into this process.
    if ((cmd == SkinCmdSetSection || cmd == SkinCmdGetSectionIndex || cmd == SkinCmdGetBackground) &&
        InSendMessage()) {
        m.Result = 0;
        return false;
    }
    unsigned low = SkinSubArgumentOf(m.WParam);
    TsSkinManager* mgr = d->SkinManager();
    auto* win = dynamic_cast<TWinControl*>(d->OwnerControl);
    switch (cmd) {
    case SkinCmdNewSkin:
        if (SameManager(m, d)) {
            d->UpdateIndexes();
            d->UpdateTransparentState(false);
            d->Updating = false;          // a new skin may be painted at once
            d->ApplySkinColors(false);    // its colours apply without waiting for a refresh
            SkinChanging = false;
        }
        m.Result = 0;
        return true;
    case SkinCmdRemoveSkin:
        if (SameManager(m, d) || (d->StoredSkinManager() && m.LParam == LPARAM(d->StoredSkinManager()))) {
            if (d->StoredSkinManager() && d->StoredSkinManager()->Destroying())
                d->ForgetManager(d->StoredSkinManager());
            d->SectionIndex = d->BorderMaskIndex = d->TextureIndex = d->HotTextureIndex = -1;
            d->Updating = true;
            d->ReleaseGlow();
            if (d->CacheBitmap)
                d->CacheBitmap->SetSize(0, 0);
            if (auto* edit = dynamic_cast<TCustomEdit*>(d->OwnerControl)) {
                if (!d->CustomColor())
                    edit->SetColor(clWindow);
                if (!d->CustomFont())
                    edit->Font().SetColor(clWindowText);
                if (edit->HandleAllocated())
                    RedrawWindow(edit->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
            } else if (win) {
                for (int i = 0; i < win->ControlCount(); ++i)
                    if (auto* label = dynamic_cast<TLabel*>(win->Controls(i)))
                        label->Font().SetColor(clWindowText);
            }
        }
        m.Result = 0;
        return true;
    case SkinCmdRefresh:
        if (SameManager(m, d)) {
            d->BackgroundChanged = true;
            d->Updating = false;
            d->ApplySkinColors(true);
            d->UpdateTransparentState(false);
        }
        m.Result = 0;
        return true;
    case SkinCmdParentUpdated:
        if (win) {
            if (d->Updating) {
                d->QueryUpdating(true);
                if (!d->Updating && win->HandleAllocated())
                    RedrawWindow(win->Handle(), nullptr, nullptr, kRedrawAll | RDW_UPDATENOW);
            }
            RefreshChildControls(win);
        }
        m.Result = 0;
        return true;
    case SkinCmdIsSkinned:
        m.Result = 1;
        return true;
    case SkinCmdSetUpdating:
        d->Updating = low == 1;
        m.Result = 0;
        return true;
    case SkinCmdSetUrgentPaint:
        d->UrgentPaint = low == 1;
        m.Result = 0;
        return true;
    case SkinCmdIsUpdating:
        m.Result = (d->BackgroundChanged || d->Updating) ? 1 : 0;
        return true;
    case SkinCmdIsPartlyCovered:
        m.Result = d->PartlyCovered ? 1 : 0;
        return true;
    case SkinCmdSectionChanged:
        if (!ChangingSectionName.empty() && Upper(d->SkinSection()) == ChangingSectionName) {
            SkinChanging = false;
            d->Invalidate(false);
        }
        m.Result = 0;
        return true;
    case SkinCmdSetSection:
        if (auto* rec = reinterpret_cast<const TsSetSectionRecord*>(m.LParam); rec && rec->SectionName)
            d->SetSkinSection(rec->SectionName);
        m.Result = 0;
        return true;
    case SkinCmdInvalidate:
        d->BackgroundChanged = true;
        if (low == 1)
            d->Invalidate(false);
        m.Result = 0;
        return true;
    case SkinCmdIsTransparent: {
        const TsGeneralData* s = d->Section();
        if (!s) {
            m.Result = 0;
            return false;
        }
        if (s->IniTransparency > 0 && d->OwnerControl && d->OwnerControl->Parent()) {
            m.Result = PerformSkinCommand(d->OwnerControl->Parent(), SkinCmdIsTransparent, 0) & 0x7F;
            m.LParam = m.Result;
            return true;
        }
        if (s->Props[0].GradientPercent + s->Props[0].ImagePercent > 0 || d->NeedsRepaintOnMove()) {
            m.Result = 1;
            return true;
        }
        m.Result = mgr->IsMaskIndexValid(d->BorderMaskIndex) &&
                   (mgr->Tables().Masks[size_t(d->BorderMaskIndex)].PaintFlags & 4);
        return true;
    }
    case SkinCmdParentMoved: {
        bool needs = d->NeedsRepaintOnMove();
        d->BackgroundChanged = d->BackgroundChanged || needs;
        if (win && win->HandleAllocated() && low == 1)
            RedrawWindow(win->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
        if (win && needs)
            for (int i = 0; i < win->ControlCount(); ++i)
                if (!win->Controls(i)->Destroying())
                    PerformSkinCommand(win->Controls(i), SkinCmdParentMoved, 0);
        m.Result = 0;
        return true;
    }
    case SkinCmdGetBkColor: {
        if (!d->OwnerControl) {
            m.Result = 0;
            return false;
        }
        const TsGeneralData* s = d->Section();
        TControl* parent = d->OwnerControl->Parent();
        if (!s || !d->IsSkinned()) {
            m.Result = LRESULT(ColorToRGB(d->OwnerControl->Color()));
            return true;
        }
        int t = s->IniTransparency;
        TColor ini = TColor(ColorToRGB(s->IniColor));
        if (t <= 0) {
            m.Result = ini;
        } else if (t >= 100) {
            m.Result = parent ? GetControlBgColor(parent) : TColor(ColorToRGB(d->OwnerControl->Color()));
        } else {
            // The percentage is applied as a byte weight (div 256), rounding toward minus infinity.
            TColor p = parent ? GetControlBgColor(parent) : TColor(ColorToRGB(d->OwnerControl->Color()));
            int out = 0;
            for (int sh = 0; sh <= 16; sh += 8) {
                int a = (ini >> sh) & 0xFF, b = (p >> sh) & 0xFF;
                out |= (std::clamp(a + FloorDiv(t * (b - a), 256), 0, 255)) << sh;
            }
            m.Result = out;
        }
        return true;
    }
    case SkinCmdSetPartlyCovered:
        d->PartlyCovered = true;
        m.Result = 0;
        return true;
    case SkinCmdClearBackgroundChanged:
        d->BackgroundChanged = false;
        m.Result = 0;
        return true;
    case SkinCmdGetSectionIndex:
        if (m.LParam)
            *reinterpret_cast<int*>(m.LParam) = d->SectionIndex;
        m.Result = 1;
        return true;
    case SkinCmdDropCache:
        if (d->CacheBitmap) {
            if (win)
                for (int i = 0; i < win->ControlCount(); ++i)
                    if (auto* cw = dynamic_cast<TWinControl*>(win->Controls(i)); cw && cw->HandleAllocated())
                        SendSkinCommand(cw->Handle(), SkinCmdDropCache, 0);
            d->CacheBitmap->SetSize(0, 0);
            d->BackgroundChanged = true;
            d->Updating = true;
        }
        m.Result = 0;
        return true;
    case SkinCmdGetBackground:
        if (m.LParam)
            d->AnswerBgRequest(*reinterpret_cast<TsBgRequest*>(m.LParam), (d->Focused || d->MouseInside) ? 1 : 0);
        m.Result = 1;
        return true;
    case SkinCmdSkinState:
        if (m.LParam == 1)
            d->UpdateTransparentState(true);
        else if (d->SkinState == ssNotComputed)
            d->UpdateTransparentState(false);
        m.Result = d->SkinState;
        return true;
    case SkinCmdGetSkinData:
        m.Result = LRESULT(d);
        return true;
    case SkinCmdSetPrintTarget:
        if (m.LParam)
            d->SkinState |= ssPrinting;
        else
            d->SkinState &= uint16_t(~ssPrinting);
        d->PrintTarget = HDC(m.LParam);
        m.Result = 0;
        return true;
    case SkinCmdGetApplication:
        m.Result = LRESULT(Application);
        return true;
    default:
        return false;
    }
}

bool HandleCommonMessage(TMessage& m, TsCommonData* d)
{
    if (!d)
        return false;
    auto* win = dynamic_cast<TWinControl*>(d->OwnerControl);
    TControl* owner = d->OwnerControl;
    bool designing = owner && (owner->ComponentState() & csDesigning);
    if (m.Msg == SkinCommandMessage) {
        unsigned cmd = SkinCommandOf(m.WParam);
        // Hot tracking by the manager (SetHotWindow / SetHotControl). Only these
        // skin commands move the mouse state; the window message of the same
        // number (WM_FONTCHANGE, a system-wide font notice) says nothing about
        // the mouse and is left alone.
        if (cmd == SkinCmdMouseEnter && d->IsSkinned() && !IsNoHotKind(d->ControlKind) && SameManager(m, d)) {
            d->MouseInside = true;
            return false;
        }
        if (cmd == SkinCmdMouseLeave && SameManager(m, d)) {
            MouseLeft(d);
            return false;
        }
        return HandleSkinCommand(m, d);
    }
    switch (m.Msg) {
    case WM_MOVE:
        if (d->NeedsRepaintOnMove()) {
            d->BackgroundChanged = true;
            if (owner)
                owner->Perform(SkinCommandMessage, CmdWParam(SkinCmdParentMoved, 1), 0);
        }
        d->ReleaseGlow();
        return false;
    case WM_SIZE:
        if (d->IsSkinned()) {
            d->BackgroundChanged = true;
            const TsGeneralData* s = d->Section();
            if (win && s && s->Props[0].GradientPercent > 0)
                for (int i = 0; i < win->ControlCount(); ++i) {
                    TControl* c = win->Controls(i);
                    auto* cw = dynamic_cast<TWinControl*>(c);
                    if (cw && cw->HandleAllocated())
                        SendMessageW(cw->Handle(), SkinCommandMessage, CmdWParam(SkinCmdParentMoved, 1), 0);
                    else if (!cw)
                        c->Perform(SkinCommandMessage, CmdWParam(SkinCmdParentMoved, 1), 0);
                }
        }
        d->ReleaseGlow();
        return false;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        if (win && win->CanFocus()) {
            bool in = m.Msg == WM_SETFOCUS;
            d->BackgroundChanged = true;
            d->Focused = in;
            if (IsColorKind(d->ControlKind) && d->IsSkinned() && (in || !d->IsHot()))
                SetHotColors(d, in);
        }
        return false;
    case WM_CONTEXTMENU:
        if (owner && SkinHooks.PrepareContextMenu && d->SkinManager())
            SkinHooks.PrepareContextMenu(owner, d->SkinManager()->Active());
        return false;
    case WM_UPDATEUISTATE:
        if (d->IsSkinned()) {
            m.Result = 0;
            return true;   // the skinned look does not change with the cues
        }
        return false;
    case WM_PARENTNOTIFY:
        if (win && (LOWORD(m.WParam) == WM_CREATE || LOWORD(m.WParam) == WM_DESTROY))
            NotifyFormOfControl(win);
        return false;
    default:
        break;
    }
    if (m.Msg == CtlNotifyVisibleChanged) {
        if (TrackVisibilityChanges) {
            // Our class library passes the new visibility in WParam.
            if (m.WParam) {
                d->Updating = false;
            } else {
                if (d->CacheBitmap)
                    d->CacheBitmap->SetSize(0, 0);
                if (win)
                    for (int i = 0; i < win->ControlCount(); ++i)
                        PerformSkinCommand(win->Controls(i), SkinCmdDropCache, 0);
            }
            d->BackgroundChanged = true;
        }
        return false;
    }
    bool aboutOwner = m.LParam == 0 || m.LParam == LPARAM(owner);
    if (m.Msg == CtlNotifyMouseEnter && aboutOwner && !designing && d->IsSkinned()) {
        if (win)
            for (int i = 0; i < win->ControlCount(); ++i)
                if (win->Controls(i)->MouseInControl())
                    win->Controls(i)->Perform(CtlNotifyMouseLeave, 0, 0);
        if (!IsNoHotKind(d->ControlKind))
            d->MouseInside = true;
        if (TsSkinManager* mgr = d->SkinManager()) {
            if (win && win->HandleAllocated())
                mgr->SetHotWindow(win->Handle());
            else if (owner && !win)
                mgr->SetHotControl(owner);
        }
        if (!IsNoGlowKind(d->ControlKind))
            d->UpdateGlow(false);
        if (IsColorKind(d->ControlKind) && d->ControlKind != 10)
            SetHotColors(d, true);
        RedrawFrame(d->OwnerWindow());
        return false;
    }
    if (m.Msg == CtlNotifyMouseLeave && aboutOwner && !designing && d->IsSkinned()) {
        if (!IsNoHotKind(d->ControlKind))
            d->MouseInside = false;
        if (!IsNoGlowKind(d->ControlKind))
            d->ReleaseGlow();
        if (IsColorKind(d->ControlKind) && d->ControlKind != 10 && !d->IsHot())
            SetHotColors(d, false);
        if (IsColorKind(d->ControlKind) && owner && owner->Visible()) {
            d->BackgroundChanged = true;
            RedrawFrame(d->OwnerWindow());
        }
        if (TsSkinManager* mgr = d->SkinManager(); mgr && owner && !win)
            mgr->SetHotControl(nullptr);
        return false;
    }
    if (m.Msg == CtlNotifyShowingChanged) {
        if (owner && owner->Visible())
            d->ReapplySkin();
        return false;
    }
    return false;
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

// ---------------------------------------------------------------- cached copies

void CopyCacheExceptChildren(TWinControl* control, TsCommonData* data, const RECT& srcRect, int offsetY,
                             int offsetX, bool repaint, HDC dc, const RECT& destRect)
{
    if (!control || !data || !data->CacheBitmap || data->CacheBitmap->Empty() || !dc)
        return;
    if (repaint && SkinHooks.FillTransparentCorners)
        SkinHooks.FillTransparentCorners(data, 0, 15);
    int saved = SaveDC(dc);
    IntersectClipRect(dc, destRect.left, destRect.top, destRect.right, destRect.bottom);
    for (int i = 0; i < control->ControlCount(); ++i) {
        TControl* c = control->Controls(i);
        if (!c->Visible() || c->Width() <= 0 || c->Height() <= 0)
            continue;
        bool windowed = dynamic_cast<TWinControl*>(c) != nullptr;
        bool designing = (c->ComponentState() & csDesigning) != 0;
        if (!windowed && !designing && !(ExcludeGraphicChildren && (c->ControlStyle() & csOpaque)))
            continue;   // a transparent graphic child is painted over the cached background
        RECT r = c->BoundsRect();
        OffsetRect(&r, offsetX, offsetY);
        RECT hit;
        if (IntersectRect(&hit, &r, &destRect))
            ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
    }
    BitBlt(dc, destRect.left, destRect.top, destRect.right - destRect.left, destRect.bottom - destRect.top,
           data->CacheBitmap->Canvas().Handle(), srcRect.left, srcRect.top, SRCCOPY);
    RestoreDC(dc, saved);
}

void CopyCacheExceptChildWindows(HWND wnd, TsCommonData* data, const RECT& srcRect, int offsetY, int offsetX,
                                 bool repaint, HDC dc, const RECT& destRect)
{
    if (!wnd || !data || !data->CacheBitmap || data->CacheBitmap->Empty() || !dc)
        return;
    if (repaint && SkinHooks.FillTransparentCorners)
        SkinHooks.FillTransparentCorners(data, 0, 15);
    int saved = SaveDC(dc);
    IntersectClipRect(dc, destRect.left, destRect.top, destRect.right, destRect.bottom);
    TsSkinManager* m = data->SkinManager();
    for (HWND c = GetWindow(wnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (!IsWindowVisible(c))
            continue;
        RECT r;
        GetWindowRect(c, &r);
        MapWindowPoints(nullptr, wnd, reinterpret_cast<POINT*>(&r), 2);
        OffsetRect(&r, offsetX, offsetY);
        RECT hit;
        if (!IntersectRect(&hit, &r, &destRect))
            continue;
        wchar_t cls[16] = {};
        GetClassNameW(c, cls, 16);
        LONG_PTR style = GetWindowLongPtrW(c, GWL_STYLE);
        bool groupBox = _wcsicmp(cls, L"Button") == 0 && (style & 0xF) == BS_GROUPBOX &&
                        !(GetWindowLongPtrW(c, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
        if (!groupBox) {
            ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
            continue;
        }
        // A group box paints only its caption band and frame; its inside shows the cache.
        int ml = 2, mt = 2, mr = 2, mb = 2;
        if (m) {
            int sec = m->FindSectionIndex(L"GROUPBOX");
            int mask = m->IsSectionIndexValid(sec) ? m->Tables().Sections[size_t(sec)].BorderMaskIndex : -1;
            if (m->IsMaskIndexValid(mask)) {
                const TsMaskData& k = m->Tables().Masks[size_t(mask)];
                ml = k.MarginLeft;
                mt = k.MarginTop;
                mr = k.MarginRight;
                mb = k.MarginBottom;
            }
        }
        TEXTMETRICW tm{};
        {
            WindowDC wdc(c);
            SelectScope font(wdc.get(), HGDIOBJ(SendMessageW(c, WM_GETFONT, 0, 0)));
            GetTextMetricsW(wdc.get(), &tm);
        }
        int band = std::max<int>(tm.tmHeight, mt);
        ExcludeClipRect(dc, r.left, r.top, r.right, r.top + band);
        ExcludeClipRect(dc, r.left, r.top, r.left + ml, r.bottom);
        ExcludeClipRect(dc, r.right - mr, r.top, r.right, r.bottom);
        ExcludeClipRect(dc, r.left, r.bottom - mb, r.right, r.bottom);
    }
    BitBlt(dc, destRect.left, destRect.top, destRect.right - destRect.left, destRect.bottom - destRect.top,
           data->CacheBitmap->Canvas().Handle(), srcRect.left, srcRect.top, SRCCOPY);
    RestoreDC(dc, saved);
}
