#include "skin/forms/CtrlAdapter.h"

#include <algorithm>

#include "classlib/Buttons.h"
#include "classlib/Frames.h"
#include "classlib/StdCtrls.h"
#include "skin/controls/AdapterWrappers.h"
#include "skin/controls/ButtonWnd.h"
#include "skin/controls/Label.h"
#include "skin/controls/MainWnd.h"
#include "skin/controls/ScrollWnd.h"
#include "skin/core/SkinManager.h"
#include "skin/forms/FrameAdapter.h"
#include "skin/forms/MDIForm.h"
#include "skin/forms/SkinProvider.h"
#include "skin/graphics/ClassNameTables.h"
#include "skin/graphics/SkinCommands.h"

namespace {

// One scan at a time in the process: a wrapper made during a scan may make
// the form announce a control, which must not start a second walk.
bool scanning = false;

constexpr int kAdapterControlKind = 230;

int ListIndexOf(TsSkinManager* m, const String& className)
{
    if (!m)
        return -1;
    std::vector<const TStrings*> lists;
    lists.reserve(ThirdPartyListCount);
    for (int i = 0; i < ThirdPartyListCount; ++i)
        lists.push_back(&m->ClassNameList(i));
    return FindThirdPartyIndex(lists, className);
}

bool IsSkinnedNow(TControl* control)
{
    if (auto* w = dynamic_cast<TWinControl*>(control))
        return w->HandleAllocated() && QueryWindowSkinFlag(w->Handle(), SkinCmdIsSkinned);
    return control->Perform(SkinCommandMessage, MakeSkinCmdWParam(SkinCmdIsSkinned), 0) == 1;
}

TColor SkinFontColor(TsSkinManager* own)
{
    TsSkinManager* m = DefaultManager ? DefaultManager : own;
    return m ? TColor(ColorToRGB(TColor(m->GetGlobalFontColor()))) : clWindowText;
}

}  // namespace

// The adapter hears through this component when a control it adapted is freed.
class TkvCtrlAdapter::Watcher : public TComponent {
public:
    explicit Watcher(TkvCtrlAdapter* a) : TComponent(nullptr), adapter_(a) {}

protected:
    void Notification(TComponent* c, TOperation op) override
    {
        if (op == TOperation::opRemove)
            adapter_->ControlFreed(c);
    }

private:
    TkvCtrlAdapter* adapter_;
};

// ---------------------------------------------------------------- items

TkvAdapterItem::TkvAdapterItem(TkvCtrlAdapter* adapter, TWinControl* control) : Control(control), Adapter(adapter)
{
    // The skin data belongs to the control: its painters ask the control's
    // parent for backgrounds and read its colours.
    SkinData = std::make_unique<TsCommonData>(control, true);
    SkinData->ControlKind = kAdapterControlKind;
}

TkvAdapterItem::~TkvAdapterItem()
{
    if (Wrapper) {
        TkvMainWnd* w = std::exchange(Wrapper, nullptr);
        if (!w->Unhooked && w->Handle && IsWindow(w->Handle)) {
            // Unhooking frees the wrapper and sets w to nil.
            if (dynamic_cast<TkvScrollWnd*>(w))
                UnhookScrollWnd(w->Handle, true, !AdapterFreeingAll, w);
            else
                UnhookWindow(w->Handle, true, !AdapterFreeingAll, w);
        }
        delete w;
    }
    SkinData.reset();
}

bool TkvAdapterItem::Dead() const { return !Wrapper || Wrapper->Unhooked; }

void TkvAdapterItem::AttachWrapper(TWinControl* control)
{
    if (!control || control->Tag() == NoSkinTag || !control->Parent() || !control->HandleAllocated())
        return;
    if (IsSkinnedNow(control))
        return;
    TsSkinManager* m = Adapter->Manager();
    const int index = ListIndexOf(m, control->ClassName());
    TkvAdapterWrapperFactory make = AdapterWrapperFactory(index);
    if (!make)
        return;
    if (m && !m->IsDefault())
        SkinData->SetSkinManager(m);
    String section = Section;
    if (section.empty() && index == tpScrollControl)
        section = L"PANEL_LOW";
    else if (section.empty() && (index == tpScrollBar || index == tpStaticText))
        section = L"CHECKBOX";
    // The up-down wrapper keeps any section it is given and has no default
    // of its own: the section of its kind. A panel's wrapper chooses by bevels.
    else if (section.empty() && index == tpUpDown)
        section = L"UPDOWNBTN";
    ListIndex = index;
    Wrapper = make(control, control->Handle(), SkinData.get(), m, section, true);
}

TkvGraphItem::TkvGraphItem(TkvCtrlAdapter* adapter, TControl* control) : Control(control), Adapter(adapter)
{
    SkinData = std::make_unique<TsCommonData>(control, true);
    SkinData->ControlKind = kAdapterControlKind;
}

TkvGraphItem::~TkvGraphItem()
{
    delete std::exchange(Handler, nullptr);
    SkinData.reset();
}

bool TkvGraphItem::Dead() const { return !Handler || Handler->Detached; }

void TkvGraphItem::AttachHandler(TControl* control)
{
    auto* button = dynamic_cast<TGraphicControl*>(control);
    if (!button || button->Tag() == NoSkinTag)
        return;
    TsSkinManager* m = Adapter->Manager();
    if (m && !m->IsDefault())
        SkinData->SetSkinManager(m);
    Handler = new TkvSpeedButtonHandler(button, m, SkinData.get(), Section);
}

// ---------------------------------------------------------------- the adapter

TkvCtrlAdapter::TkvCtrlAdapter(TsSkinProvider* provider)
    : provider_(provider), watcher_(std::make_unique<Watcher>(this))
{
}

TkvCtrlAdapter::~TkvCtrlAdapter()
{
    freeing_ = true;
    const bool wasFreeing = std::exchange(AdapterFreeingAll, true);
    DropDeadItems();
    while (!items_.empty()) {
        watcher_->RemoveFreeNotification(items_.back()->Control);
        items_.pop_back();
    }
    while (!graphItems_.empty()) {
        watcher_->RemoveFreeNotification(graphItems_.back()->Control);
        graphItems_.pop_back();
    }
    // Labels get their own look back.
    for (const LabelState& s : labels_) {
        watcher_->RemoveFreeNotification(s.Label);
        if (s.Label->Destroying())
            continue;
        s.Label->SetControlStyle(s.Style);
        s.Label->Font().SetColor(s.FontColor);
        s.Label->Invalidate();
    }
    labels_.clear();
    AdapterFreeingAll = wasFreeing;
}

TsSkinManager* TkvCtrlAdapter::Manager() const { return provider_ ? provider_->Manager() : nullptr; }

void TkvCtrlAdapter::Watch(TComponent* c) { watcher_->FreeNotification(c); }

void TkvCtrlAdapter::ControlFreed(TComponent* control)
{
    // The control is past its own destructor: its window is gone, so every
    // wrapper on it has unhooked itself; only our records of it remain.
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i]->Control == control) {
            items_[i]->Control = nullptr;
            items_.erase(items_.begin() + std::ptrdiff_t(i));
            break;
        }
    for (size_t i = 0; i < graphItems_.size(); ++i)
        if (graphItems_[i]->Control == control) {
            TkvGraphItem& g = *graphItems_[i];
            if (g.Handler)
                g.Handler->ControlGone();
            g.Control = nullptr;
            graphItems_.erase(graphItems_.begin() + std::ptrdiff_t(i));
            break;
        }
    std::erase_if(labels_, [control](const LabelState& s) { return s.Label == control; });
}

bool TkvCtrlAdapter::AlreadySkinned(TControl* control) const { return IsSkinnedNow(control); }

bool TkvCtrlAdapter::AskSkinItem(TControl* control, String& section)
{
    bool can = true;
    if (provider_ && provider_->OnSkinItem)
        provider_->OnSkinItem(control, can, section);
    return can;
}

void TkvCtrlAdapter::DropDeadItems()
{
    for (size_t i = 0; i < items_.size();) {
        if (items_[i]->Dead()) {
            watcher_->RemoveFreeNotification(items_[i]->Control);
            items_.erase(items_.begin() + std::ptrdiff_t(i));
        } else {
            ++i;
        }
    }
    for (size_t i = 0; i < graphItems_.size();) {
        if (graphItems_[i]->Dead()) {
            watcher_->RemoveFreeNotification(graphItems_[i]->Control);
            graphItems_.erase(graphItems_.begin() + std::ptrdiff_t(i));
        } else {
            ++i;
        }
    }
}

bool TkvCtrlAdapter::IsControlSupported(TControl* control)
{
    if (!control || control->Tag() == NoSkinTag)
        return false;
    auto* win = dynamic_cast<TWinControl*>(control);
    if (win && (!win->HandleAllocated() || AlreadySkinned(win)))
        return false;
    String section;
    if (!win) {
        if (dynamic_cast<TCustomLabel*>(control))
            return AskSkinItem(control, section);
        if (dynamic_cast<TSpeedButton*>(control) && ListIndexOf(Manager(), control->ClassName()) >= 0)
            return AskSkinItem(control, section);
        return false;
    }
    if (dynamic_cast<TCustomFrame*>(control))
        return AskSkinItem(control, section);
    if (dynamic_cast<TForm*>(control)) {
        section = L"FORM";
        return AskSkinItem(control, section);
    }
    return ListIndexOf(Manager(), control->ClassName()) >= 0;
}

void TkvCtrlAdapter::AdaptLabel(TCustomLabel* label)
{
    auto it = std::find_if(labels_.begin(), labels_.end(), [label](const LabelState& s) { return s.Label == label; });
    if (it == labels_.end()) {
        labels_.push_back(LabelState{label, label->ControlStyle(), label->Font().Color()});
        Watch(label);
    }
    label->SetControlStyle(label->ControlStyle() & ~unsigned(csOpaque));
    label->Font().SetColor(SkinFontColor(Manager()));
}

void TkvCtrlAdapter::ScanControls(TWinControl* root)
{
    if (scanning || freeing_)
        return;
    TsSkinManager* m = Manager();
    if (!m || !(m->SkinningRules & srThirdParty))
        return;
    if (!root)
        root = provider_ ? provider_->FormOf() : nullptr;
    if (!root)
        return;
    scanning = true;
    DropDeadItems();
    auto descend = [this](TControl* c) {
        auto* w = dynamic_cast<TWinControl*>(c);
        if (w && w->HandleAllocated() && w->Parent() && !w->Destroying()) {
            scanning = false;
            ScanControls(w);
            scanning = true;
        }
    };
    // The components the root owns (the list may grow while we walk it).
    for (int i = 0; i < root->ComponentCount(); ++i) {
        auto* c = dynamic_cast<TControl*>(root->Components(i));
        if (!c || c->Destroying())
            continue;
        if (IsControlSupported(c)) {
            if (auto* w = dynamic_cast<TWinControl*>(c))
                AddWinItem(w, String());
            else if (auto* label = dynamic_cast<TCustomLabel*>(c);
                     label && !dynamic_cast<TsCustomLabel*>(c) && c->Tag() != 98)
                AdaptLabel(label);
        }
        descend(c);
    }
    // The child controls (a label here is recoloured whatever its Tag).
    for (int i = 0; i < root->ControlCount(); ++i) {
        TControl* c = root->Controls(i);
        if (c->Destroying())
            continue;
        if (IsControlSupported(c)) {
            if (auto* w = dynamic_cast<TWinControl*>(c))
                AddWinItem(w, String());
            else if (auto* label = dynamic_cast<TLabel*>(c))
                AdaptLabel(label);
            else if (dynamic_cast<TSpeedButton*>(c))
                AddGraphItem(c);
        }
        descend(c);
    }
    scanning = false;
}

void TkvCtrlAdapter::AddNewItem(TControl* control)
{
    if (auto* w = dynamic_cast<TWinControl*>(control))
        AddWinItem(w, DefaultSection);
}

void TkvCtrlAdapter::AddWinItem(TWinControl* control, const String& section)
{
    if (!control || freeing_ || control->Tag() == NoSkinTag || !control->Parent() || control->Destroying())
        return;
    if (AlreadySkinned(control))
        return;
    String skinSection = section;
    if (!AskSkinItem(control, skinSection))
        return;
    if (auto* frame = dynamic_cast<TCustomFrame*>(control)) {
        TsFrameAdapter* fa = TsFrameAdapter::Create(frame);
        fa->SkinData()->SetSkinSection(L"GROUPBOX");
        return;
    }
    if (auto* form = dynamic_cast<TForm*>(control)) {
        TsSkinProvider* p = TsSkinProvider::Create(form);
        if (!p->Inactive()) {
            p->SkinData()->SetSkinSection(skinSection.empty() ? String(L"FORM") : skinSection);
            p->InitSkin();
            TsSkinProvider::SetNcRendering(form->Handle(), true);
        }
        return;
    }
    TkvAdapterItem* item = ItemOf(control);
    const bool isNew = !item;
    if (isNew) {
        items_.push_back(std::make_unique<TkvAdapterItem>(this, control));
        item = items_.back().get();
        Watch(control);
    }
    // An empty name is never written into the skin data: it would read "UNKNOWN".
    if (!skinSection.empty()) {
        item->Section = skinSection;
        if (!isNew && !item->Dead())
            item->SkinData->SetSkinSection(skinSection);
    }
    if (!isNew && item->Dead()) {
        if (item->Wrapper) {
            delete std::exchange(item->Wrapper, nullptr);
        }
        if (control->Parent())
            item->AttachWrapper(control);
    } else if (isNew) {
        if (control->Parent())
            item->AttachWrapper(control);
        if (!item->Wrapper) {
            watcher_->RemoveFreeNotification(control);
            items_.pop_back();
        }
    }
}

void TkvCtrlAdapter::AddGraphItem(TControl* control)
{
    if (!control || freeing_ || control->Tag() == NoSkinTag || !control->Parent() || AlreadySkinned(control))
        return;
    String section = L"SPEEDBUTTON";
    if (!AskSkinItem(control, section))
        return;
    TkvGraphItem* item = GraphItemOf(control);
    const bool isNew = !item;
    if (isNew) {
        graphItems_.push_back(std::make_unique<TkvGraphItem>(this, control));
        item = graphItems_.back().get();
        Watch(control);
    }
    // The section follows the button's look, not the event's answer.
    auto* sb = dynamic_cast<TSpeedButton*>(control);
    item->Section = sb && sb->Flat() ? L"SPEEDBUTTON_SMALL" : L"SPEEDBUTTON";
    if (!isNew && item->Dead()) {
        delete std::exchange(item->Handler, nullptr);
        item->AttachHandler(control);
    } else if (isNew) {
        item->AttachHandler(control);
        if (!item->Handler) {
            watcher_->RemoveFreeNotification(control);
            graphItems_.pop_back();
        }
    }
}

TkvAdapterItem* TkvCtrlAdapter::GetItem(int index) const
{
    return index >= 0 && index < Count() ? items_[size_t(index)].get() : nullptr;
}

TkvGraphItem* TkvCtrlAdapter::GetGraphItem(int index) const
{
    return index >= 0 && index < GraphCount() ? graphItems_[size_t(index)].get() : nullptr;
}

void TkvCtrlAdapter::RemoveItem(int index)
{
    if (index < 0 || index >= Count())
        return;
    watcher_->RemoveFreeNotification(items_[size_t(index)]->Control);
    std::swap(items_[size_t(index)], items_.back());
    items_.pop_back();
}

void TkvCtrlAdapter::SendToItems(UINT msg, WPARAM wParam, LPARAM lParam)
{
    for (size_t i = 0; i < items_.size(); ++i) {
        TkvAdapterItem& it = *items_[i];
        if (!it.Dead() && it.Control && it.Control->Parent() && it.Control->HandleAllocated())
            SendMessageW(it.Control->Handle(), msg, wParam, lParam);
    }
}

TkvAdapterItem* TkvCtrlAdapter::ItemOf(const TControl* control) const
{
    for (const auto& i : items_)
        if (i->Control == control)
            return i.get();
    return nullptr;
}

TkvGraphItem* TkvCtrlAdapter::GraphItemOf(const TControl* control) const
{
    for (const auto& i : graphItems_)
        if (i->Control == control)
            return i.get();
    return nullptr;
}

// ---------------------------------------------------------------- the provider's companion

TkvCtrlAdapter* ExistingControlAdapter(TsSkinProvider& provider)
{
    return static_cast<TkvCtrlAdapter*>(provider.adapter_.get());
}

TkvCtrlAdapter* ControlAdapterOf(TsSkinProvider& provider)
{
    if (provider.Inactive())
        return nullptr;
    if (!provider.adapter_)
        provider.adapter_ = std::make_unique<TkvCtrlAdapter>(&provider);
    return ExistingControlAdapter(provider);
}

void FreeControlAdapter(TsSkinProvider& provider) { provider.adapter_.reset(); }

void InitCtrlAdapterUnit()
{
    RegisterStandardAdapterWrappers();
    AdapterAddItem = [](TsSkinProvider& p, TControl* control) {
        if (!p.Skinned() || !p.FormAlive())
            return;
        if (TkvCtrlAdapter* a = ControlAdapterOf(p))
            a->AddNewItem(control);
    };
    AdapterRescan = [](TsSkinProvider& p, TControl* control) {
        if (!p.Skinned() || !p.FormAlive())
            return;
        UpdateMDIFormOf(p);
        if (TkvCtrlAdapter* a = ControlAdapterOf(p))
            a->ScanControls(dynamic_cast<TWinControl*>(control));
    };
}
