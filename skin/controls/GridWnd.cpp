#include "skin/controls/GridWnd.h"

#include <algorithm>

#include "classlib/Grids.h"
#include "classlib/TypInfo.h"
#include "skin/core/SkinManager.h"
#include "skin/graphics/Bitmap32.h"
#include "skin/graphics/Utils.h"

// ---------------------------------------------------------------- skin colours and saved properties

TkvSkinColors ReadSkinColors(TsSkinManager* manager, int sectionIndex)
{
    TkvSkinColors c;
    if (!manager) return c;
    const TsPalette& p = manager->Palette();
    c.Global = manager->GetGlobalColor();
    c.GlobalFont = manager->GetGlobalFontColor();
    c.Edit = manager->GetEditColor();
    c.EditFont = manager->GetEditFontColor();
    c.Border = p[27];
    c.HotSelection = manager->GetHighlightColor(true);
    c.HotSelectionFont = manager->GetHighlightFontColor(true);
    c.EditOdd = p[12];
    c.EditEven = p[13];
    int gi = manager->FindSectionIndex(L"GLOBALINFO");
    if (manager->IsSectionIndexValid(gi)) c.GlobalInfo = manager->gd()[size_t(gi)].Props[0].Color;
    if (manager->IsSectionIndexValid(sectionIndex)) {
        c.SectionFont = manager->gd()[size_t(sectionIndex)].Props[0].FontColor;
        c.SectionColor = manager->gd()[size_t(sectionIndex)].Props[0].Color;
    }
    return c;
}

TkvPropRef ResolvePropPath(TObject* root, const String& path)
{
    TObject* object = root;
    size_t start = 0;
    for (;;) {
        size_t dot = path.find(L'.', start);
        if (dot == String::npos) break;
        object = GetObjectPropByName(object, path.substr(start, dot - start));
        if (!object) return {};
        start = dot + 1;
    }
    String name = path.substr(start);
    const TPropInfo* info = GetPropInfo(object, name);
    if (!info || !info->IsOrdinal() || !info->SetOrd) return {};
    return {object, name};
}

void TkvSavedProps::Save(TObject* control, const std::vector<TkvPropRule>& rules)
{
    saved_.clear();
    for (const TkvPropRule& rule : rules) {
        if (!rule.Needs.empty() && !HasProperty(control, rule.Needs)) continue;
        TkvPropRef ref = ResolvePropPath(control, rule.Path);
        if (!ref.Valid()) continue;
        int64_t v = GetOrdProp(ref.Object, ref.Name);
        if (rule.Kind == TkvPropKind::Gradient && TColor(v) == clNone)
            v = clBtnFace;
        else if (rule.Kind != TkvPropKind::Ordinal)
            v = int64_t(ColorToRGB(TColor(v)));
        saved_.push_back({rule.Path, v});
    }
}

void TkvSavedProps::Apply(TObject* control, const std::vector<TkvPropRule>& rules, const TkvSkinColors& colors) const
{
    for (const TkvPropRule& rule : rules) {
        if (!Has(rule.Path)) continue;
        if (rule.When && !rule.When(*this)) continue;
        TkvPropRef ref = ResolvePropPath(control, rule.Path);
        if (ref.Valid()) SetOrdProp(ref.Object, ref.Name, rule.Value(colors));
    }
}

void TkvSavedProps::Restore(TObject* control) const
{
    for (const Entry& e : saved_) {
        TkvPropRef ref = ResolvePropPath(control, e.Path);
        if (ref.Valid()) SetOrdProp(ref.Object, ref.Name, e.Value);
    }
}

bool TkvSavedProps::Has(const String& path) const
{
    return std::any_of(saved_.begin(), saved_.end(), [&](const Entry& e) { return e.Path == path; });
}

int64_t TkvSavedProps::Value(const String& path) const
{
    for (const Entry& e : saved_)
        if (e.Path == path) return e.Value;
    return 0;
}

bool VisualThemesActive()
{
    using Fn = BOOL(WINAPI*)();
    static Fn fn = [] {
        HMODULE lib = LoadLibraryW(L"uxtheme.dll");
        return lib ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(lib, "IsThemeActive"))) : nullptr;
    }();
    return fn && fn();
}

// ---------------------------------------------------------------- TkvGridWnd

namespace {
using C = const TkvSkinColors&;
const std::vector<TkvPropRule>& GridRules()
{
    static const std::vector<TkvPropRule> rules{
        {L"FixedColor", L"", TkvPropKind::Color, [](C c) { return c.Global; }},
        {L"TitleFont.Color", L"", TkvPropKind::Color, [](C c) { return c.GlobalFont; }},
        {L"FixedFont.Color", L"ControlLook", TkvPropKind::Color, [](C c) { return c.GlobalFont; }},
        {L"GridFixedLineColor", L"ControlLook", TkvPropKind::Color, [](C c) { return c.Border; }},
        {L"GridLineColor", L"ControlLook", TkvPropKind::Color, [](C c) { return MixColors(c.Edit, c.EditFont, 0.7); }},
        // A grid that draws its fixed cells as a gradient or with the
        // system's raised edge: the skin's gradient, edged by the lines above.
        {L"GradientStartColor", L"DrawingStyle", TkvPropKind::Color, [](C c) { return MixColors(c.Global, c.Edit, 0.5); }},
        {L"GradientEndColor", L"DrawingStyle", TkvPropKind::Color, [](C c) { return c.Global; }},
        {L"DrawingStyle", L"GradientStartColor", TkvPropKind::Ordinal, [](C) { return int(TGridDrawingStyle::gdsGradient); }},
        {L"ControlLook.FixedGradientFrom", L"", TkvPropKind::Gradient,
         [](C c) { return MixColors(c.Global, c.Edit, 0.5); }},
        {L"ControlLook.FixedGradientTo", L"", TkvPropKind::Gradient, [](C c) { return c.Global; }},
        {L"ControlLook.FixedGradientMirrorFrom", L"", TkvPropKind::Gradient,
         [](C c) { return MixColors(c.Global, clBlack, 0.95); }},
        {L"ControlLook.FixedGradientMirrorTo", L"", TkvPropKind::Gradient,
         [](C c) { return MixColors(c.Global, clWhite, 0.9); }},
        {L"SelectionColor", L"ControlLook", TkvPropKind::Color, [](C c) { return c.HotSelection; }},
        {L"SelectionTextColor", L"ControlLook", TkvPropKind::Color, [](C c) { return c.HotSelectionFont; }},
        {L"GridStyle.Title.StartColor", L"", TkvPropKind::Gradient,
         [](C c) { return MixColors(c.Global, c.Edit, 0.5); }},
        {L"GridStyle.Title.EndColor", L"", TkvPropKind::Gradient, [](C c) { return c.Global; }},
        {L"LineColors.FixedColor", L"", TkvPropKind::Color, [](C c) { return c.Border; }},
        {L"LineColors.DataColor", L"", TkvPropKind::Color, [](C c) { return MixColors(c.Edit, c.EditFont, 0.8); }},
        {L"LineColors.ShadowColor", L"", TkvPropKind::Color, [](C c) { return MixColors(c.Edit, c.EditFont, 0.8); }},
        {L"FooterColor", L"", TkvPropKind::Color, [](C c) { return c.GlobalInfo; }},
        {L"FooterCellColor", L"", TkvPropKind::Color, [](C c) { return c.GlobalInfo; }},
        {L"TitleColor", L"", TkvPropKind::Color, [](C c) { return c.GlobalInfo; }},
        {L"IndicatorIconColor", L"", TkvPropKind::Color, [](C c) { return c.SectionFont; }},
    };
    return rules;
}

bool RowColorsDiffer(const TkvSavedProps& s) { return s.Value(L"EvenRowColor") != s.Value(L"OddRowColor"); }

const std::vector<TkvPropRule>& GridEhRules()
{
    static const std::vector<TkvPropRule> rules = [] {
        std::vector<TkvPropRule> r = GridRules();
        std::vector<TkvPropRule> more{
            {L"EvenRowColor", L"", TkvPropKind::Color, [](C c) { return c.EditEven; }, RowColorsDiffer},
            {L"OddRowColor", L"", TkvPropKind::Color, [](C c) { return c.EditOdd; }, RowColorsDiffer},
            {L"GridLineParams.BrightColor", L"", TkvPropKind::Color, [](C c) { return MixColors(clWhite, c.Edit, 0.2); }},
            {L"GridLineParams.DataHorzColor", L"", TkvPropKind::Color,
             [](C c) { return MixColors(c.EditFont, c.Edit, 0.2); }},
            {L"GridLineParams.DataVertColor", L"", TkvPropKind::Color,
             [](C c) { return MixColors(c.EditFont, c.Edit, 0.2); }},
            {L"GridLineParams.DarkColor", L"", TkvPropKind::Color, [](C c) { return MixColors(clBlack, c.Global, 0.3); }},
            {L"IndicatorParams.Color", L"", TkvPropKind::Color, [](C c) { return c.Global; }},
            {L"IndicatorParams.HorzLines", L"", TkvPropKind::Ordinal, [](C) { return 0; }},
            {L"IndicatorParams.VertLines", L"", TkvPropKind::Ordinal, [](C) { return 0; }},
            {L"IndicatorParams.FillStyle", L"", TkvPropKind::Ordinal, [](C) { return 2; }},
            {L"TitleParams.Color", L"", TkvPropKind::Color, [](C c) { return c.Global; }},
            {L"TitleParams.SecondColor", L"", TkvPropKind::Color, [](C c) { return MixColors(clWhite, c.Global, 0.1); }},
            {L"TitleParams.HorzLines", L"", TkvPropKind::Ordinal, [](C) { return 0; }},
            {L"TitleParams.FillStyle", L"", TkvPropKind::Ordinal, [](C) { return 3; }},
            {L"TitleParams.VertLineColor", L"", TkvPropKind::Color, [](C c) { return c.Border; }},
            {L"RowDetailPanel.Color", L"", TkvPropKind::Color, [](C c) { return c.Global; }},
        };
        r.insert(r.end(), more.begin(), more.end());
        return r;
    }();
    return rules;
}
}  // namespace

TkvGridWnd::TkvGridWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
                       bool repaint)
    : TkvEditWnd(handle, commonData, skinManager, skinSection, repaint, TkvEditOptions{-1, false})
{
}

TkvGridWnd::~TkvGridWnd()
{
    // The edit's destructor gives back only the edit's colours.
    TControl* c = OwnerControl();
    if (!Unhooked && c && !c->Destroying()) SavedProps.Restore(c);
}

bool TkvGridWnd::Skinned() const { return !Unhooked && CommonData && ActiveManager() && CommonData->IsSkinned(); }

const std::vector<TkvPropRule>& TkvGridWnd::Rules() const { return GridRules(); }

TkvSkinColors TkvGridWnd::SkinColors() const
{
    return ReadSkinColors(ActiveManager(), CommonData ? CommonData->SectionIndex : -1);
}

void TkvGridWnd::SaveOwnColors()
{
    TkvEditWnd::SaveOwnColors();
    if (TControl* c = OwnerControl()) SavedProps.Save(c, Rules());
}

void TkvGridWnd::RestoreOwnColors()
{
    TkvEditWnd::RestoreOwnColors();
    TControl* c = OwnerControl();
    if (c && !c->Destroying()) SavedProps.Restore(c);
}

void TkvGridWnd::ApplySkinColors()
{
    TkvEditWnd::ApplySkinColors();
    TControl* c = OwnerControl();
    if (!c || !ActiveManager() || !CommonData || !ColorsApplied) return;
    // The edit's colours may have unhooked the wrapper (a colour change that
    // re-creates the window): nothing more is set then.
    if (Unhooked) return;
    SavedProps.Apply(c, Rules(), SkinColors());
    // Colours the control paints with changed: its cells are drawn again.
    if (IsWindowVisible(Handle)) InvalidateRect(Handle, nullptr, TRUE);
}

void TkvGridWnd::DataAwareScroll(TMessage& m)
{
    int code = LOWORD(m.WParam);
    TkvScrollBar* bar = Bar(1);
    // A data-aware grid reads where to scroll from its bar's position.
    if (bar && (code == SB_THUMBPOSITION || code == SB_THUMBTRACK)) {
        bar->Info.nPos = bar->Info.nTrackPos;
        SetScrollPos(Handle, SB_VERT, bar->Info.nTrackPos, FALSE);
    }
    TkvEditWnd::WndProc(m);
    TControl* c = OwnerControl();
    if (code == SB_ENDSCROLL && c && c->ClassName() == String(L"TwwDBGrid") && bar)
        SendMessageW(Handle, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, WORD(bar->Info.nTrackPos)), 0);
}

void TkvGridWnd::WndProc(TMessage& m)
{
    bool skinned = Skinned();
    if (skinned) {
        switch (m.Msg) {
        case WM_ERASEBKGND:
            CommonData->QueryUpdating(false);
            m.Result = 1;
            return;
        case WM_VSCROLL:
            if (HasProperty(OwnerControl(), L"DataSource")) {
                DataAwareScroll(m);
                return;
            }
            break;
        case WM_PRINT:
            TkvEditWnd::WndProc(m);
            if (m.WParam) PrintClient(HDC(m.WParam));
            return;
        default:
            break;
        }
    }
    TkvEditWnd::WndProc(m);
    if (!skinned || Unhooked) return;
    switch (m.Msg) {
    case WM_PAINT:
        RefreshScrollBars(true);
        break;
    case WM_WINDOWPOSCHANGED:
        if (IsWindowVisible(Handle)) SendMessageW(Handle, WM_NCPAINT, 0, 0);
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------- TkvGridEhWnd

TkvGridEhWnd::TkvGridEhWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager,
                           const String& skinSection, bool repaint)
    : TkvGridWnd(handle, commonData, skinManager, skinSection, repaint)
{
}

TkvGridEhWnd::~TkvGridEhWnd()
{
    TControl* c = OwnerControl();
    if (!Unhooked && removedFixed3D_ && c && !c->Destroying()) ChangeSetProp(c, L"OptionsEh", L"dghFixed3D", true);
}

const std::vector<TkvPropRule>& TkvGridEhWnd::Rules() const { return GridEhRules(); }

void TkvGridEhWnd::SaveOwnColors()
{
    TkvGridWnd::SaveOwnColors();
    removedFixed3D_ = false;
}

void TkvGridEhWnd::ApplySkinColors()
{
    TkvGridWnd::ApplySkinColors();
    TControl* c = OwnerControl();
    if (!c || Unhooked || !ColorsApplied) return;
    if (VisualThemesActive() && SetPropContains(c, L"OptionsEh", L"dghFixed3D")) {
        ChangeSetProp(c, L"OptionsEh", L"dghFixed3D", false);
        removedFixed3D_ = true;
    }
}

void TkvGridEhWnd::RestoreOwnColors()
{
    TkvGridWnd::RestoreOwnColors();
    TControl* c = OwnerControl();
    if (removedFixed3D_ && c && !c->Destroying())
        ChangeSetProp(c, L"OptionsEh", L"dghFixed3D", true);
    removedFixed3D_ = false;
}
