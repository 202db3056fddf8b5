#include "skin/graphics/ClassNameTables.h"

#include "classlib/TypInfo.h"

const wchar_t* const ThirdPartyNames[ThirdPartyListCount] = {
    L"Edit",        L"Button",        L"BitBtn",       L"CheckBox",    L"ComboBox",   L"Grid",
    L"GroupBox",    L"ListView",      L"Panel",        L"TreeView",    L"wwEdit",     L"GridEh",
    L"VirtualTree", L"PageControl",   L"TabControl",   L"ToolBar",     L"StatusBar",  L"SpeedButton",
    L"ScrollControl", L"UpDownBtn",   L"ScrollBar",    L"StaticText",
};

const wchar_t* const DefaultThirdPartyLists[ThirdPartyListCount] = {
    L"TEdit\r\nTMemo\r\nTMaskEdit\r\nTLabeledEdit\r\nTHotKey\r\nTListBox\r\nTCheckListBox\r\nTRichEdit\r\n"
    L"TDateTimePicker",
    L"TButton",
    L"TBitBtn",
    L"TCheckBox\r\nTRadioButton\r\nTGroupButton",
    L"TComboBox\r\nTColorBox",
    L"TStringGrid\r\nTDrawGrid",
    L"TGroupBox\r\nTRadioGroup",
    L"TListView",
    L"TPanel",
    L"TTreeView",
    L" ",
    L" ",
    L" ",
    L"TPageControl",
    L"TTabControl",
    L"TToolBar",
    L"TStatusBar",
    L"TSpeedButton",
    L"TScrollBox",
    L"TUpDown",
    L"TScrollBar",
    L"TStaticText",
};

const wchar_t* const ThirdPartyPropertyNames[ThirdPartyListCount] = {
    L"ThirdEdits",       L"ThirdButtons",      L"ThirdBitBtns",       L"ThirdCheckBoxes",
    L"ThirdComboBoxes",  L"ThirdGrids",        L"ThirdGroupBoxes",    L"ThirdListViews",
    L"ThirdPanels",      L"ThirdTreeViews",    L"ThirdWWEdits",       L"ThirdGridEh",
    L"ThirdVirtualTrees", L"ThirdPageControl", L"ThirdTabControl",    L"ThirdToolBar",
    L"ThirdStatusBar",   L"ThirdSpeedButton",  L"ThirdScrollControl", L"ThirdUpDown",
    L"ThirdScrollBar",   L"ThirdStaticText",
};

const wchar_t* const ThirdPartyWrapperNames[ThirdPartyListCount] = {
    L"TkvEditWnd",        L"TkvBtnWnd",          L"TkvBitBtnWnd",          L"TkvCheckBoxWnd",
    L"TkvComboBoxWnd",    L"TkvGridWnd",         L"TkvGroupBoxWnd",        L"TkvListViewWnd",
    L"TkvPanelWnd",       L"TkvTreeViewWnd",     L"TkvWWComboBoxWnd",      L"TkvGridEhWnd",
    L"TkvVirtualTreeViewWnd", L"TkvPageControlWnd", L"TkvTabControlWnd",   L"TkvToolBarVCLWnd",
    L"TkvStatusBarWnd",   L"TkvSpeedButtonHandler", L"TkvScrollBoxWnd",    L"TkvSpinWnd",
    L"TkvSBWnd",          L"TkvStaticTextWnd",
};

namespace {
bool IsBlank(const String& s) { return s.find_first_not_of(L" \t") == String::npos; }
}  // namespace

std::vector<String> ClassNamesOfList(const String& listText)
{
    std::vector<String> names;
    for (auto& line : TStrings::SplitLines(listText))
        if (!IsBlank(line)) names.push_back(line);
    return names;
}

int FindThirdPartyIndex(const std::vector<const TStrings*>& lists, const String& className)
{
    if (IsBlank(className)) return -1;
    for (size_t i = 0; i < lists.size(); ++i) {
        const TStrings* list = lists[i];
        if (!list) continue;
        for (int j = 0; j < list->Count(); ++j)
            if (list->Get(j) == className) return int(i);
    }
    return -1;
}

ThirdPartyList::ThirdPartyList() = default;

String ThirdPartyList::GetList(int index) const
{
    if (index < 0 || index >= ThirdPartyListCount) return String();
    return lists_[index];
}

void ThirdPartyList::SetList(int index, const String& text)
{
    if (index < 0 || index >= ThirdPartyListCount) return;
    lists_[index] = text;
}

void ThirdPartyList::Reset()
{
    for (int i = 0; i < ThirdPartyListCount; ++i) lists_[i] = DefaultThirdPartyLists[i];
}

void ThirdPartyList::Assign(const TPersistent* source)
{
    if (auto* s = dynamic_cast<const ThirdPartyList*>(source)) {
        for (int i = 0; i < ThirdPartyListCount; ++i) lists_[i] = s->lists_[i];
        return;
    }
    TPersistent::Assign(source);
}

int ThirdPartyList::IndexOfClass(const String& className) const
{
    if (IsBlank(className)) return -1;
    for (int i = 0; i < ThirdPartyListCount; ++i)
        for (auto& name : ClassNamesOfList(lists_[i]))
            if (name == className) return i;
    return -1;
}

void RegisterThirdPartyListProperties()
{
    for (int i = 0; i < ThirdPartyListCount; ++i) {
        TPropInfo p;
        p.Name = ThirdPartyPropertyNames[i];
        p.Kind = TTypeKind::tkString;
        p.GetStr = [i](TObject* o) { return static_cast<ThirdPartyList*>(o)->GetList(i); };
        p.SetStr = [i](TObject* o, const String& v) { static_cast<ThirdPartyList*>(o)->SetList(i, v); };
        RegisterProperty(ThirdPartyList::StaticClassInfo(), std::move(p));
    }
}
