#include "support/SkinTestControls.h"

#include "classlib/TypInfo.h"
#include "skin/graphics/SkinCommands.h"
#include "skin/core/SkinDataProperty.h"
#include "skin/core/SkinManager.h"
#include "skin/graphics/Bitmap32.h"
#include "skin/core/MaskPaintBitmap.h"

namespace {

// The common part of every test control's window procedure. True when the
// message was answered and must not reach the control's own handling.
bool SkinnedWndProc(TControl* self, TsCommonData& data, SkinCommandCounter& counter, TMessage& m)
{
    if (m.Msg == SkinCommandMessage) {
        unsigned cmd = SkinCommandOf(m.WParam);
        counter.Add(cmd);
        bool handled = HandleCommonMessage(m, &data);
        if (auto* w = dynamic_cast<TWinControl*>(self); w && SkinCommandGoesToChildren(cmd)) {
            TMessage copy{m.Msg, m.WParam, m.LParam, 0};
            ForwardToControls(w, copy);
        }
        return handled;
    }
    return HandleCommonMessage(m, &data);
}

void FillColor(HDC dc, const RECT& r, TColor c)
{
    HBRUSH b = CreateSolidBrush(ColorToRGB(c));
    FillRect(dc, &r, b);
    DeleteObject(b);
}

}  // namespace

void PaintTestSkin(TControl* control, TsCommonData& data, HDC dc)
{
    RECT all{0, 0, control->Width(), control->Height()};
    if (!data.IsSkinned()) {
        FillColor(dc, all, control->Color());
        return;
    }
    data.PrepareCacheBitmap();
    TBitmap* cache = data.CacheBitmap.get();
    if (cache->Empty())
        return;
    if (data.BackgroundChanged) {
        // The section painted over the parent's background, as every skinned control does.
        TsBgCacheInfo info;
        data.GetParentBackground(info);
        int state = data.IsHot() ? 1 : 0;
        PaintSkinItem(data.SectionIndex, data.SkinSection(), info, -1, state ? data.HotTextureIndex : data.TextureIndex,
                      data.SkinManager(), cache, {0, 0}, all, state, 0);
        data.BackgroundChanged = false;
    }
    BitBlt(dc, 0, 0, all.right, all.bottom, cache->Canvas().Handle(), 0, 0, SRCCOPY);
}

// ---------------------------------------------------------------- the controls

template <class Self, class Base>
TSkinTestControl<Self, Base>::TSkinTestControl(TComponent* owner, int kind, bool painted)
    : Base(owner), data_(this, painted)
{
    RegisterSkinDataProperty<Self>();
    data_.ControlKind = kind;
    data_.ChooseSection();
}

template <class Self, class Base>
void TSkinTestControl<Self, Base>::WndProc(TMessage& m)
{
    if (SkinnedWndProc(this, data_, Commands, m))
        return;
    Base::WndProc(m);
}

template <class Self, class Base>
void TSkinTestControl<Self, Base>::PaintSkin(HDC dc)
{
    ++Paints;
    PaintTestSkin(this, data_, dc);
}

template class TSkinTestControl<TSkinTestPanel, TCustomPanel>;
template class TSkinTestControl<TSkinTestEdit, TCustomEdit>;
template class TSkinTestControl<TSkinTestButton, TCustomControl>;
template class TSkinTestControl<TSkinTestGraphic, TGraphicControl>;

TSkinTestPanel::TSkinTestPanel(TComponent* owner) : TSkinTestControl(owner, kTestPanelKind, true)
{
    SetCaption(L"");
}

void TSkinTestPanel::HandleCreated()
{
    TCustomPanel::HandleCreated();
    data_.ReapplySkin();
}

void TSkinTestEdit::HandleCreated()
{
    TCustomEdit::HandleCreated();
    data_.ReapplySkin();
}

void TSkinTestButton::HandleCreated()
{
    TCustomControl::HandleCreated();
    data_.ReapplySkin();
}

// ---------------------------------------------------------------- form

void TSkinTestForm::WndProc(TMessage& m)
{
    if (m.Msg == SkinCommandMessage) {
        unsigned cmd = SkinCommandOf(m.WParam);
        Commands.Add(cmd);
        if (cmd == SkinCmdIsSkinned) {
            m.Result = AnswersSkinned ? 1 : 0;
            return;
        }
    }
    if (m.Msg == WM_COPYDATA && EditorManager) {
        if (HandleSkinEditorData(m, EditorManager)) {
            ++EditorAnswers;
            return;
        }
    }
    TForm::WndProc(m);
}
