#include "skin/forms/FrameAdapter.h"

#include "classlib/Messages.h"
#include "skin/core/ControlPaint.h"
#include "skin/core/MaskPaintBitmap.h"
#include "skin/core/SkinManager.h"
#include "skin/graphics/SkinCommands.h"

namespace {
constexpr int kFrameControlKind = 226;
}

String FrameAdapterMisplacedText() { return SkinUIString(StrFrameAdapterMisplaced); }

TsFrameAdapter* TsFrameAdapter::Create(TComponent* owner)
{
    // Checked before the component exists: a failed constructor must leave
    // nothing registered in the owner.
    auto* frame = dynamic_cast<TCustomFrame*>(owner);
    if (!frame)
        throw Exception(FrameAdapterMisplacedText());
    return new TsFrameAdapter(frame);
}

TsFrameAdapter::TsFrameAdapter(TCustomFrame* frame) : TComponent(frame), frame_(frame)
{
    skinData_ = std::make_unique<TsCommonData>(frame, true);
    const String& s = skinData_->SkinSection();
    if (s.empty() || s == L"UNKNOWN" || s == ClassName())
        skinData_->SetSkinSection(L"GROUPBOX");
    skinData_->ControlKind = kFrameControlKind;
    hook_.Hook(frame, TWndMethod(this, &TsFrameAdapter::WindowProc));
    skinData_->UpdateIndexes();
}

TsFrameAdapter::~TsFrameAdapter()
{
    SetState(csDestroying);
    // A frame being freed is past the point where its WindowProc may be
    // touched; otherwise the saved procedure goes back (only while it is ours).
    if (frame_ && frame_->Destroying())
        hook_.Forget();
    else
        hook_.Unhook();
    frame_ = nullptr;
    skinData_.reset();
}

void TsFrameAdapter::Loaded()
{
    TComponent::Loaded();
    if (!Hooked() || !skinData_)
        return;
    skinData_->UpdateIndexes();
    TsSkinManager* m = skinData_->SkinManager();
    if (m && m->Active() && skinData_->IsSkinned() && (m->SkinningRules & srThirdParty))
        NotifyFormOfControl(frame_);
}

bool TsFrameAdapter::Live() const
{
    if (!frame_ || frame_->Destroying() || Destroying() || !skinData_)
        return false;
    TsSkinManager* m = skinData_->SkinManager();
    return m && m->Active() && skinData_->IsSkinned();
}

void TsFrameAdapter::Redraw()
{
    if (frame_->HandleAllocated())
        RedrawWindow(frame_->Handle(), nullptr, nullptr,
                     RDW_FRAME | RDW_ALLCHILDREN | RDW_ERASE | RDW_INVALIDATE | RDW_UPDATENOW);
}

TColor TsFrameAdapter::BackgroundColor()
{
    const TColor own = TColor(ColorToRGB(frame_->Color()));
    if (!Live())
        return own;
    const TsGeneralData* s = skinData_->Section();
    if (!s)
        return own;
    const int t = s->IniTransparency;
    const TColor section = TColor(ColorToRGB(s->IniColor));
    if (t <= 0)
        return section;
    // The parent's answer: a frame inside a frame asks the outer one.
    const TColor parent = frame_->Parent() ? GetControlBgColor(frame_->Parent()) : own;
    if (t >= 100)
        return parent;
    return MixBkColor(section, parent, t);
}

bool TsFrameAdapter::PrepareCache()
{
    if (skinData_->SectionIndex < 0)
        skinData_->UpdateIndexes();
    if (!frame_->Parent()) {
        skinData_->Updating = true;
        return false;
    }
    TsBgCacheInfo info;
    skinData_->GetParentBackground(info);
    skinData_->PrepareCacheBitmap();
    TBitmap* cache = skinData_->CacheBitmap.get();
    if (cache->Empty())
        return false;
    cache->Canvas().Font().Assign(&frame_->Font());
    const RECT all{0, 0, frame_->Width(), frame_->Height()};
    PaintSkinItem(skinData_->SectionIndex, skinData_->SkinSection(), info, -1, skinData_->TextureIndex,
                  skinData_->SkinManager(), cache, POINT{0, 0}, all, 0, 0);
    skinData_->BackgroundChanged = false;
    skinData_->Updating = false;
    return true;
}

void TsFrameAdapter::PaintBackground(HDC dc)
{
    if (!dc || (AnimationRunning && dc != skinData_->PrintTarget))
        return;
    TBitmap* cache = skinData_->CacheBitmap.get();
    const bool sizeChanged =
        !cache || cache->Width() != frame_->Width() || cache->Height() != frame_->Height();
    if ((skinData_->BackgroundChanged || sizeChanged) && !PrepareCache())
        return;
    const RECT all{0, 0, frame_->Width(), frame_->Height()};
    CopyCacheExceptChildren(frame_, skinData_.get(), all, 0, 0, false, dc, all);
    frame_->PaintControls(dc);
}

void TsFrameAdapter::PaintFrame(TMessage& m)
{
    HWND wnd = frame_->Handle();
    if (m.WParam) {
        PaintBackground(HDC(m.WParam));
    } else {
        PAINTSTRUCT ps{};
        HDC dc = BeginPaint(wnd, &ps);
        const int saved = SaveDC(dc);
        PaintBackground(dc);
        RestoreDC(dc, saved);
        EndPaint(wnd, &ps);
    }
    m.Result = 0;
}

// The skin commands; true when answered (not passed on).
bool TsFrameAdapter::SkinCommand(TMessage& m)
{
    const unsigned command = SkinCommandOf(m.WParam);
    TsSkinManager* own = skinData_->SkinManager();
    const bool ownManager = LPARAM(own) == m.LParam;
    switch (command) {
    case SkinCmdNewSkin:
        if (ownManager) {
            ForwardToControls(frame_, m);
            HandleSkinCommand(m, skinData_.get());
            skinData_->BackgroundChanged = true;
            Redraw();
        }
        return true;
    case SkinCmdRemoveSkin:
        if (ownManager) {
            HandleSkinCommand(m, skinData_.get());
            ForwardToControls(frame_, m);
            if (frame_->HandleAllocated()) {
                SetWindowPos(frame_->Handle(), nullptr, 0, 0, 0, 0,
                             SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
                Redraw();
            }
        }
        return true;
    case SkinCmdRefresh:
        if (ownManager) {
            HandleSkinCommand(m, skinData_.get());
            skinData_->UpdateIndexes();
            skinData_->BackgroundChanged = true;
            ForwardToControls(frame_, m);
            Redraw();
        }
        return true;
    case SkinCmdIsSkinned:
        m.Result = 1;
        return true;
    case SkinCmdBeforeRefresh:
        ForwardToControls(frame_, m);
        return HandleSkinCommand(m, skinData_.get());
    case SkinCmdClearBackgroundChanged:
        PrepareCache();
        return true;
    case SkinCmdGetBkColor:
        m.Result = LRESULT(BackgroundColor());
        return true;
    default:
        break;
    }
    if (!Live())
        return false;
    switch (command) {
    case SkinCmdParentUpdated:
        skinData_->BackgroundChanged = true;
        if (frame_->HandleAllocated())
            InvalidateRect(frame_->Handle(), nullptr, TRUE);
        RefreshChildControls(frame_);
        return true;
    case SkinCmdSetUpdating:
        skinData_->Updating = SkinSubArgumentOf(m.WParam) == 1;
        for (int i = 0; i < frame_->ControlCount(); ++i)
            frame_->Controls(i)->Perform(m.Msg, m.WParam, m.LParam);
        return true;
    case SkinCmdIsUpdating: {
        TBitmap* cache = skinData_->CacheBitmap.get();
        const bool stale = cache && !cache->Empty() &&
                           (skinData_->BackgroundChanged || cache->Width() != frame_->Width() ||
                            cache->Height() != frame_->Height());
        m.Result = stale ? 1 : 0;
        return true;
    }
    default:
        return HandleSkinCommand(m, skinData_.get());
    }
}

void TsFrameAdapter::WindowProc(TMessage& m)
{
    if (m.Msg == SkinCommandMessage && SkinCommand(m))
        return;
    if (!Live()) {
        hook_.CallPrevious(m);
        return;
    }
    switch (m.Msg) {
    case WM_MOVE:
    case WM_SIZE:
    case WM_WINDOWPOSCHANGED:
        if (m.Msg == WM_SIZE || skinData_->NeedsRepaintOnMove())
            skinData_->BackgroundChanged = true;
        if (skinData_->BackgroundChanged)
            BroadcastSkinCommand(frame_, TsSkinCommand::Invalidate, 0, 1);
        if (m.Msg != WM_MOVE && frame_->HandleAllocated())
            InvalidateRect(frame_->Handle(), nullptr, TRUE);
        hook_.CallPrevious(m);
        return;
    case WM_PAINT:
        if (!frame_->Parent()) {
            hook_.CallPrevious(m);
            return;
        }
        PaintFrame(m);
        return;
    case WM_ERASEBKGND:
        if (!frame_->Showing()) {
            hook_.CallPrevious(m);
            return;
        }
        if (!AnimationRunning)
            PaintBackground(HDC(m.WParam));
        m.Result = 1;
        return;
    case WM_NCPAINT:
        m.Result = 0;
        return;
    case WM_PARENTNOTIFY:
        hook_.CallPrevious(m);
        if (LOWORD(m.WParam) == WM_CREATE && !(frame_->ComponentState() & csLoading)) {
            TsSkinManager* mgr = skinData_->SkinManager();
            if (mgr && (mgr->SkinningRules & srThirdParty))
                NotifyFormOfControl(frame_);
        }
        return;
    case WM_PRINT:
        skinData_->Updating = false;
        if (frame_->Visible()) {
            PaintBackground(HDC(m.WParam));
            return;
        }
        hook_.CallPrevious(m);
        return;
    case CM_VISIBLECHANGED:
        skinData_->BackgroundChanged = true;
        hook_.CallPrevious(m);
        return;
    case CM_SHOWINGCHANGED: {
        hook_.CallPrevious(m);
        TsSkinManager* mgr = skinData_->SkinManager();
        if (mgr && (mgr->SkinningRules & srThirdParty) && frame_->Showing())
            NotifyFormOfControl(frame_);
        return;
    }
    default:
        hook_.CallPrevious(m);
        return;
    }
}
