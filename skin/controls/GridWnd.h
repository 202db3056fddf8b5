// Wrappers of grids: the class library's string and draw grids and the grids
// of other component packages. They skin like an edit (frame, bars) and give
// the grid the skin's colours for its fixed cells, lines, titles and
// selection. A grid of another package is reached only through its published
// properties, found by name; a property it lacks is skipped.
//
// Classes in this file:
// - TkvSavedProps: the properties a wrapper changes, each with the value it
//   had, so removing the skin gives every one of them back.
// - TkvGridWnd: any grid.
// - TkvGridEhWnd: an extended grid with row colours and line, indicator and
//   title parameters.
#pragma once
#include <windows.h>

#include <functional>
#include <vector>

#include "skin/controls/EditWnd.h"

class TsSkinManager;

// The skin's colours the wrappers hand out (0x00BBGGRR), taken once per apply.
struct TkvSkinColors {
    TColor Global = 0, GlobalFont = 0, Edit = 0, EditFont = 0, Border = 0;
    TColor HotSelection = 0, HotSelectionFont = 0;
    TColor EditEven = 0, EditOdd = 0;
    TColor GlobalInfo = 0;     // the normal colour of section GLOBALINFO
    TColor SectionFont = 0;    // the normal font colour of the wrapper's section
    TColor SectionColor = 0;   // the normal colour of the wrapper's section
};
TkvSkinColors ReadSkinColors(TsSkinManager* manager, int sectionIndex);

// How a property's value is kept.
enum class TkvPropKind {
    Color,      // saved through ColorToRGB
    Gradient,   // a colour whose saved clNone becomes clBtnFace
    Ordinal,    // saved as it is
};

// One property the wrapper sets: its path ("ControlLook.FixedGradientFrom"
// reads the object property ControlLook, then its FixedGradientFrom), a
// property the control must have for the rule to apply (empty: none), and the
// value it gets from the skin.
struct TkvPropRule {
    String Path;
    String Needs;
    TkvPropKind Kind = TkvPropKind::Color;
    std::function<int64_t(const TkvSkinColors&)> Value;
    // Applied only when this answers true for the saved values (nil: always).
    bool (*When)(const class TkvSavedProps& saved) = nullptr;
};

// The ordinal property at a path; nullptr object when any step is missing.
struct TkvPropRef {
    TObject* Object = nullptr;
    String Name;
    bool Valid() const { return Object != nullptr; }
};
TkvPropRef ResolvePropPath(TObject* root, const String& path);

class TkvSavedProps {
public:
    // Reads every rule's property the control has (a rule whose Needs is
    // missing or whose path is missing is left out).
    void Save(TObject* control, const std::vector<TkvPropRule>& rules);
    // Sets every saved property to its rule's value.
    void Apply(TObject* control, const std::vector<TkvPropRule>& rules, const TkvSkinColors& colors) const;
    // Writes the saved values back.
    void Restore(TObject* control) const;
    bool Has(const String& path) const;
    int64_t Value(const String& path) const;   // 0 when not saved
    void Clear() { saved_.clear(); }

private:
    struct Entry {
        String Path;
        int64_t Value;
    };
    std::vector<Entry> saved_;
};

class TkvGridWnd : public TkvEditWnd {
    DECLARE_CLASS(TkvGridWnd, TkvEditWnd)
public:
    TkvGridWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
               bool repaint = false);
    ~TkvGridWnd() override;
    void SaveOwnColors() override;
    void RestoreOwnColors() override;
    void ApplySkinColors() override;
    void WndProc(TMessage& message) override;

    // The properties this wrapper changed, with their values before.
    TkvSavedProps SavedProps;

protected:
    // The rules of this wrapper's properties (a descendant's include the grid's).
    virtual const std::vector<TkvPropRule>& Rules() const;
    // The skin's colours for this wrapper now.
    TkvSkinColors SkinColors() const;

    bool Skinned() const;

private:
    void DataAwareScroll(TMessage& message);
};

class TkvGridEhWnd : public TkvGridWnd {
    DECLARE_CLASS(TkvGridEhWnd, TkvGridWnd)
public:
    TkvGridEhWnd(HWND handle, TsCommonData* commonData, TsSkinManager* skinManager, const String& skinSection,
                 bool repaint = false);
    ~TkvGridEhWnd() override;
    void SaveOwnColors() override;
    void RestoreOwnColors() override;
    void ApplySkinColors() override;

protected:
    const std::vector<TkvPropRule>& Rules() const override;

private:
    bool removedFixed3D_ = false;   // "OptionsEh" held dghFixed3D and the wrapper took it out
};

// True while the system draws with visual themes (uxtheme bound by name; false without it).
bool VisualThemesActive();
