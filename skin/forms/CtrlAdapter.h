// The control adapter: skins the plain class-library controls of a skinned
// form. It walks the form's owned components and child controls (recursing
// into windowed containers), finds each control's class name in the
// manager's class-name lists and attaches the wrapper the first list naming
// it selects (skin/controls/AdapterWrappers.h); speed buttons get the
// speed-button handler, frames a TsFrameAdapter, forms used as child
// controls a provider of their own, labels the skin's font colour.
//
// Classes in this file:
// - TkvCtrlAdapter: one per skinned form, owned by its provider.
// - TkvAdapterItem: one windowed control and its wrapper; the item's skin
//   data is the wrapper's common data.
// - TkvGraphItem: one speed button and its handler.
//
// Lifetime: the adapter asks to be told when any control it adapted is
// freed, and drops that control's item then, so nothing of a freed control
// is touched later, whatever is freed first (form, provider, manager or the
// control itself). Freeing the adapter gives every procedure and every
// colour it changed back.
#pragma once
#include <functional>
#include <memory>
#include <vector>

#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"
#include "skin/core/CommonData.h"

class TsSkinProvider;
class TsSkinManager;
class TkvMainWnd;
class TkvSpeedButtonHandler;
class TkvCtrlAdapter;

class TkvAdapterItem : public TPersistent {
    DECLARE_CLASS(TkvAdapterItem, TPersistent)
public:
    TkvAdapterItem(TkvCtrlAdapter* adapter, TWinControl* control);
    ~TkvAdapterItem() override;
    // Attaches the wrapper the control's class-name list selects; nothing for
    // Tag -98, a control without parent or window, or one already skinned.
    virtual void AttachWrapper(TWinControl* control);
    // The wrapper is missing or was unhooked (its window went).
    bool Dead() const;

    TWinControl* Control = nullptr;
    std::unique_ptr<TsCommonData> SkinData;   // shared with the wrapper
    int ListIndex = -1;                        // the list that chose the wrapper
    TkvCtrlAdapter* Adapter = nullptr;
    TkvMainWnd* Wrapper = nullptr;             // owned
    // The section asked for this control; empty: the wrapper's default. Kept
    // apart from the skin data so that an empty name is never written there.
    String Section;
};

class TkvGraphItem : public TPersistent {
    DECLARE_CLASS(TkvGraphItem, TPersistent)
public:
    TkvGraphItem(TkvCtrlAdapter* adapter, TControl* control);
    ~TkvGraphItem() override;
    virtual void AttachHandler(TControl* control);
    bool Dead() const;

    TControl* Control = nullptr;
    std::unique_ptr<TsCommonData> SkinData;
    TkvCtrlAdapter* Adapter = nullptr;
    TkvSpeedButtonHandler* Handler = nullptr;   // owned
    String Section;
};

class TkvCtrlAdapter : public TPersistent {
    DECLARE_CLASS(TkvCtrlAdapter, TPersistent)
public:
    explicit TkvCtrlAdapter(TsSkinProvider* provider);
    ~TkvCtrlAdapter() override;

    // Scans root (nil: the provider's form). Only when the manager's rules
    // have srThirdParty; a scan started inside a scan does nothing.
    void ScanControls(TWinControl* root = nullptr);
    virtual bool IsControlSupported(TControl* control);
    virtual TkvAdapterItem* GetItem(int index) const;
    virtual void AddGraphItem(TControl* control);
    // A control the form announces as new: adapted whatever the rules say.
    virtual void AddNewItem(TControl* control);
    virtual void AddWinItem(TWinControl* control, const String& section);
    virtual void RemoveItem(int index);
    // SendMessage to the window of every live item whose control has a parent.
    virtual void SendToItems(UINT msg, WPARAM wParam, LPARAM lParam);

    int Count() const { return int(items_.size()); }
    int GraphCount() const { return int(graphItems_.size()); }
    TkvGraphItem* GetGraphItem(int index) const;
    // The item of a control, nil when none.
    TkvAdapterItem* ItemOf(const TControl* control) const;
    TkvGraphItem* GraphItemOf(const TControl* control) const;
    TsSkinProvider* Provider() const { return provider_; }
    TsSkinManager* Manager() const;

    // The provider's OnSkinItem is asked before each control is adapted.
    String DefaultSection;

    // Told by the adapter's watcher that a control is being freed.
    void ControlFreed(TComponent* control);

private:
    class Watcher;
    void DropDeadItems();
    void Watch(TComponent* c);
    void AdaptLabel(TCustomLabel* label);
    bool AlreadySkinned(TControl* control) const;
    bool AskSkinItem(TControl* control, String& section);

    TsSkinProvider* provider_ = nullptr;
    std::vector<std::unique_ptr<TkvAdapterItem>> items_;
    std::vector<std::unique_ptr<TkvGraphItem>> graphItems_;
    struct LabelState {
        TCustomLabel* Label;
        unsigned Style;
        TColor FontColor;
    };
    std::vector<LabelState> labels_;
    std::unique_ptr<Watcher> watcher_;
    bool freeing_ = false;
};

// The adapter of a provider, made on first use (nil for an inactive provider).
TkvCtrlAdapter* ControlAdapterOf(TsSkinProvider& provider);
// The adapter of a provider if it has one, without making it.
TkvCtrlAdapter* ExistingControlAdapter(TsSkinProvider& provider);
// Frees a provider's adapter (all its wrappers and handlers).
void FreeControlAdapter(TsSkinProvider& provider);

// Fills the provider's adapter seams (AdapterAddItem, AdapterRescan) and
// registers this layer's wrappers. Part of the library's start-up.
void InitCtrlAdapterUnit();
