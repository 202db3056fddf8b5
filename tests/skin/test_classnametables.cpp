// The class-name lists: defaults, first-list-wins lookup, blank lists, and the
// published properties of ThirdPartyList reached by name.
#include <gtest/gtest.h>

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/ListControls.h"
#include "classlib/StdCtrls.h"
#include "classlib/TypInfo.h"
#include "skin/graphics/ClassNameTables.h"

TEST(ClassNameTables, DefaultsNameTheStandardClassesUnderTheirIndex)
{
    ThirdPartyList lists;
    for (int i = 0; i < ThirdPartyListCount; ++i) EXPECT_EQ(lists.GetList(i), L"") << i;
    lists.Reset();
    // Each default class is found in its own list and nowhere earlier.
    for (int i = 0; i < ThirdPartyListCount; ++i)
        for (const String& name : ClassNamesOfList(DefaultThirdPartyLists[i]))
            EXPECT_EQ(lists.IndexOfClass(name), i) << i;
    EXPECT_EQ(ClassNamesOfList(DefaultThirdPartyLists[tpEdit]).size(), 9u);
    EXPECT_EQ(lists.IndexOfClass(L"TScrollBox"), tpScrollControl);
    EXPECT_EQ(lists.IndexOfClass(L"TStaticText"), 21);
    EXPECT_EQ(String(ThirdPartyNames[tpUpDown]), L"UpDownBtn");
    EXPECT_EQ(String(ThirdPartyWrapperNames[tpSpeedButton]), L"TkvSpeedButtonHandler");
    EXPECT_EQ(String(ThirdPartyPropertyNames[tpVirtualTree]), L"ThirdVirtualTrees");
    // The lookup is exact and case-sensitive.
    EXPECT_EQ(lists.IndexOfClass(L"tedit"), -1);
    EXPECT_EQ(lists.IndexOfClass(L"TEdit "), -1);
    EXPECT_EQ(lists.IndexOfClass(L"TForm"), -1);
}

TEST(ClassNameTables, BlankListsNameNoClass)
{
    ThirdPartyList lists;
    lists.Reset();
    for (int i : {tpWWEdit, tpGridEh, tpVirtualTree}) {
        EXPECT_EQ(lists.GetList(i), L" ");
        EXPECT_TRUE(ClassNamesOfList(lists.GetList(i)).empty());
    }
    EXPECT_EQ(lists.IndexOfClass(L" "), -1);
    EXPECT_EQ(lists.IndexOfClass(L""), -1);
}

TEST(ClassNameTables, TheLowerIndexWinsForAClassInTwoLists)
{
    ThirdPartyList lists;
    lists.Reset();
    lists.SetList(tpGrid, L"TStringGrid\r\nTListBox");
    EXPECT_EQ(lists.IndexOfClass(L"TListBox"), tpEdit);
    // Taken out of list 0, the class falls to the custom grid list.
    lists.SetList(tpEdit, L"TEdit\r\nTMemo");
    EXPECT_EQ(lists.IndexOfClass(L"TListBox"), tpGrid);

    // The same rule over the manager's string lists, with real controls' class names.
    TForm* form = new TForm(Application);
    TListBox* box = new TListBox(form);
    TPanel* panel = new TPanel(form);
    TStringList edits, grids, panels;
    edits.SetText(DefaultThirdPartyLists[tpEdit]);
    grids.SetText(L"TListBox\r\nTPanel");
    panels.SetText(DefaultThirdPartyLists[tpPanel]);
    std::vector<const TStrings*> managerLists(ThirdPartyListCount, nullptr);
    managerLists[tpEdit] = &edits;
    managerLists[tpGrid] = &grids;
    managerLists[tpPanel] = &panels;
    EXPECT_EQ(FindThirdPartyIndex(managerLists, box->ClassName()), tpEdit);
    EXPECT_EQ(FindThirdPartyIndex(managerLists, panel->ClassName()), tpGrid);
    EXPECT_EQ(FindThirdPartyIndex(managerLists, form->ClassName()), -1);
    Free(form);
}

TEST(ClassNameTables, ListsArePublishedPropertiesReachedByName)
{
    ThirdPartyList lists;
    for (int i = 0; i < ThirdPartyListCount; ++i) {
        ASSERT_TRUE(IsPublishedProp(&lists, ThirdPartyPropertyNames[i])) << i;
        SetStrProp(&lists, ThirdPartyPropertyNames[i], L"TClass" + std::to_wstring(i));
    }
    for (int i = 0; i < ThirdPartyListCount; ++i) {
        EXPECT_EQ(lists.GetList(i), L"TClass" + std::to_wstring(i));
        EXPECT_EQ(GetStrProp(&lists, ThirdPartyPropertyNames[i]), lists.GetList(i));
    }
    SetStrProp(&lists, L"thirdpanels", L"TMyPanel");   // names match without regard to case
    EXPECT_EQ(lists.IndexOfClass(L"TMyPanel"), tpPanel);
    EXPECT_FALSE(IsPublishedProp(&lists, L"ThirdMemos"));
    EXPECT_THROW(GetStrProp(&lists, L"ThirdMemos"), EPropertyError);

    ThirdPartyList copy;
    copy.Assign(&lists);
    EXPECT_EQ(copy.GetList(tpPanel), L"TMyPanel");
    EXPECT_EQ(lists.GetList(-1), L"");
    lists.SetList(ThirdPartyListCount, L"ignored");
    EXPECT_EQ(lists.IndexOfClass(L"ignored"), -1);
}
