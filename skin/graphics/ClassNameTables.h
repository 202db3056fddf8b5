// The class-name lists: 22 groups of control class names, each selecting a
// skin section and a window wrapper. The index of a list, not the order of the
// published properties, chooses the wrapper; when a class name is looked up,
// the lists are searched from index 0 and the first list that names the class
// wins. A list of a single blank names no class.
#pragma once
#include <vector>

#include "classlib/Classes.h"

constexpr int ThirdPartyListCount = 22;

// Index of each list.
enum TkvThirdPartyIndex : int {
    tpEdit, tpButton, tpBitBtn, tpCheckBox, tpComboBox, tpGrid, tpGroupBox, tpListView, tpPanel, tpTreeView,
    tpWWEdit, tpGridEh, tpVirtualTree, tpPageControl, tpTabControl, tpToolBar, tpStatusBar, tpSpeedButton,
    tpScrollControl, tpUpDown, tpScrollBar, tpStaticText,
};

// The list names ("Edit", "Button", ...) and the default lists (class names
// separated by CR LF), index = list index.
extern const wchar_t* const ThirdPartyNames[ThirdPartyListCount];
extern const wchar_t* const DefaultThirdPartyLists[ThirdPartyListCount];
// Published property of each list in ThirdPartyList ("ThirdEdits", ...).
extern const wchar_t* const ThirdPartyPropertyNames[ThirdPartyListCount];
// The wrapper class each list selects ("TkvEditWnd", ...).
extern const wchar_t* const ThirdPartyWrapperNames[ThirdPartyListCount];

// The class names a list text names: one per line; blank lines and blank
// entries name nothing.
std::vector<String> ClassNamesOfList(const String& listText);
// Index of the first list that names className (exact, case-sensitive), -1 when none.
int FindThirdPartyIndex(const std::vector<const TStrings*>& lists, const String& className);

// The class-name lists as the skin manager publishes them: 22 string
// properties (ThirdEdits ... ThirdStaticText), each one list as text, served by
// one getter and one setter that take the list index. Starts with every list
// empty; Reset fills in the defaults.
class ThirdPartyList : public TPersistent {
    DECLARE_CLASS(ThirdPartyList, TPersistent)
public:
    ThirdPartyList();
    String GetList(int index) const;
    void SetList(int index, const String& text);
    void Reset();   // every list back to its default
    void Assign(const TPersistent* source) override;
    // Index of the first list naming className, -1 when none.
    int IndexOfClass(const String& className) const;

private:
    String lists_[ThirdPartyListCount];
};

// Registers ThirdPartyList's published properties (part of the library's start-up; idempotent).
void RegisterThirdPartyListProperties();
