#include "support/SkinTestControls.h"

#include "classlib/TypInfo.h"
#include "skin/graphics/SkinCommands.h"
#include "skin/core/SkinManager.h"
#include "skin/graphics/Bitmap32.h"
#include "skin/core/MaskPaintBitmap.h"

namespace {

template <class C>
void RegisterSkinDataProperty()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    TPropInfo p;
    p.Name = L"SkinData";
    p.Kind = TTypeKind::tkClass;
    p.GetObj = [](TObject* o) -> TObject* { return &static_cast<C*>(o)->SkinData(); };
    RegisterProperty(C::StaticClassInfo(), std::move(p));
}

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

// ---------------------------------------------------------------- panel

TSkinTestPanel::TSkinTestPanel(TComponent* owner) : TCustomPanel(owner)
{
    RegisterSkinDataProperty<TSkinTestPanel>();
    SetCaption(L"");
    data_.ControlKind = kTestPanelKind;
    data_.ChooseSection();
}

void TSkinTestPanel::WndProc(TMessage& m)
{
    if (SkinnedWndProc(this, data_, Commands, m))
        return;
    TCustomPanel::WndProc(m);
}

void TSkinTestPanel::Paint()
{
    ++Paints;
    PaintTestSkin(this, data_, Canvas().Handle());
}

void TSkinTestPanel::HandleCreated()
{
    TCustomPanel::HandleCreated();
    data_.ReapplySkin();
}

// ---------------------------------------------------------------- edit

TSkinTestEdit::TSkinTestEdit(TComponent* owner) : TCustomEdit(owner)
{
    RegisterSkinDataProperty<TSkinTestEdit>();
    data_.ControlKind = kTestEditKind;
    data_.ChooseSection();
}

void TSkinTestEdit::WndProc(TMessage& m)
{
    if (SkinnedWndProc(this, data_, Commands, m))
        return;
    TCustomEdit::WndProc(m);
}

void TSkinTestEdit::HandleCreated()
{
    TCustomEdit::HandleCreated();
    data_.ReapplySkin();
}

// ---------------------------------------------------------------- button

TSkinTestButton::TSkinTestButton(TComponent* owner) : TCustomControl(owner)
{
    RegisterSkinDataProperty<TSkinTestButton>();
    data_.ControlKind = kTestButtonKind;
    data_.ChooseSection();
}

void TSkinTestButton::WndProc(TMessage& m)
{
    if (SkinnedWndProc(this, data_, Commands, m))
        return;
    TCustomControl::WndProc(m);
}

void TSkinTestButton::Paint()
{
    ++Paints;
    PaintTestSkin(this, data_, Canvas().Handle());
}

void TSkinTestButton::HandleCreated()
{
    TCustomControl::HandleCreated();
    data_.ReapplySkin();
}

// ---------------------------------------------------------------- graphic control

TSkinTestGraphic::TSkinTestGraphic(TComponent* owner) : TGraphicControl(owner)
{
    RegisterSkinDataProperty<TSkinTestGraphic>();
    data_.ControlKind = kTestGraphicKind;
    data_.ChooseSection();
}

void TSkinTestGraphic::WndProc(TMessage& m)
{
    if (SkinnedWndProc(this, data_, Commands, m))
        return;
    TGraphicControl::WndProc(m);
}

void TSkinTestGraphic::Paint()
{
    ++Paints;
    PaintTestSkin(this, data_, Canvas().Handle());
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
