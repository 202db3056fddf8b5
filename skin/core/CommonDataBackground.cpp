// The background a skinned owner answers for its children, its glow and the
// parent-dependent rule of its look.
#include "skin/core/CommonData.h"

#include <algorithm>

#include "classlib/ExtCtrls.h"
#include "classlib/PageControl.h"
#include "classlib/StdCtrls.h"
#include "skin/core/CommonDataShared.h"
#include "skin/graphics/SkinCommands.h"
#include "skin/core/SkinHooks.h"
#include "skin/core/SkinManager.h"
#include "skin/graphics/Bitmap32.h"
#include "skin/graphics/Glow.h"
#include "skin/graphics/Utils.h"

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
                CallSkinCommand(OwnerControl, TsSkinCommand::ClearBackgroundChanged);
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
            if (CallSkinCommand(p, TsSkinCommand::IsSkinned) & 0xFF)
                return (CallSkinCommand(p, TsSkinCommand::SkinState) & ssParentDependent) ? 1 : 0;
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
    bool container = OwnerIsProvider() || skindata::IsPanelKind(ControlKind) ||
                     IsKind(ControlKind, TsControlKind::TabSheet) || IsKind(ControlKind, TsControlKind::PageControl) ||
                     IsKind(ControlKind, TsControlKind::TabControl) || dynamic_cast<TCustomPanel*>(OwnerControl) ||
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
                SendSkinCommand(w->Controls(i), TsSkinCommand::SkinState, 1);
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
