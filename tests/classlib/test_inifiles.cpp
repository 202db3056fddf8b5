// In-memory ini files: reading skin-option style text, case-insensitive
// lookups, numbers, changes, and the round trip through a file.
#include <gtest/gtest.h>

#include "classlib/IniFiles.h"
#include "support/GuiTest.h"

TEST(MemIniFile, ReadsSectionsKeysAndNumbers)
{
    TMemIniFile ini;
    ini.SetText(L"orphan=1\r\n[ GLOBALINFO ]\r\n  Version = 7.45 \r\n; comment=no\r\nColor=0xFF00000F\r\n"
                L"Hex=$1F\r\nBad=12x\r\nBig=99999999999\r\nFlag=1\r\nComma=2,5\r\n\r\n[Кнопка]\r\nТекст=Да\r\n"
                L"[globalinfo]\r\nLater=3\r\n");
    EXPECT_TRUE(ini.SectionExists(L"GlobalInfo"));
    EXPECT_FALSE(ini.SectionExists(L"orphan"));
    EXPECT_EQ(ini.ReadString(L"globalinfo", L"VERSION", L"-"), L"7.45");
    EXPECT_EQ(ini.ReadString(L"globalinfo", L"; comment", L"-"), L"-");   // comments are no keys
    EXPECT_EQ(ini.ReadInteger(L"GLOBALINFO", L"Color", 0), int32_t(0xFF00000Fu));
    EXPECT_EQ(ini.ReadInteger(L"GLOBALINFO", L"Hex", 0), 31);
    EXPECT_EQ(ini.ReadInteger(L"GLOBALINFO", L"Bad", -1), -1);
    EXPECT_EQ(ini.ReadInteger(L"GLOBALINFO", L"Big", -1), -1);
    EXPECT_EQ(ini.ReadInteger(L"GLOBALINFO", L"Missing", 5), 5);
    EXPECT_TRUE(ini.ReadBool(L"GLOBALINFO", L"Flag", false));
    EXPECT_DOUBLE_EQ(ini.ReadFloat(L"GLOBALINFO", L"Version", 0), 7.45);
    EXPECT_DOUBLE_EQ(ini.ReadFloat(L"GLOBALINFO", L"Comma", 0), 2.5);
    EXPECT_DOUBLE_EQ(ini.ReadFloat(L"GLOBALINFO", L"Bad", -1), -1);
    EXPECT_EQ(ini.ReadString(L"КНОПКА", L"текст", L"-"), L"Да");
    // A repeated section header continues the first section.
    EXPECT_EQ(ini.ReadInteger(L"GlobalInfo", L"Later", 0), 3);

    TStringList sections, keys;
    ini.ReadSections(sections);
    EXPECT_EQ(sections.Count(), 2);
    ini.ReadSection(L"globalinfo", keys);
    EXPECT_EQ(keys.Get(0), L"Version");
    EXPECT_EQ(keys.IndexOf(L"; comment"), -1);
}

TEST(MemIniFile, ChangesAndFileRoundTrip)
{
    TempDir dir(L"ini");
    String path = dir.Path() + L"options.ini";
    {
        TMemIniFile ini(path);   // no file yet: empty
        EXPECT_FALSE(ini.SectionExists(L"A"));
        ini.WriteString(L"A", L"Name", L"Тема");
        ini.WriteInteger(L"A", L"Count", -4);
        ini.WriteBool(L"B", L"On", true);
        ini.WriteString(L"a", L"name", L"Другая");   // replaces, keeps its place
        ini.UpdateFile();
    }
    TMemIniFile again(path);
    EXPECT_EQ(again.ReadString(L"A", L"Name", L""), L"Другая");
    EXPECT_EQ(again.ReadInteger(L"A", L"Count", 0), -4);
    EXPECT_TRUE(again.ReadBool(L"B", L"On", false));
    TStringList values;
    again.ReadSectionValues(L"A", values);
    EXPECT_EQ(values.Count(), 2);
    EXPECT_EQ(values.Get(0), L"name=Другая");

    again.DeleteKey(L"A", L"COUNT");
    EXPECT_FALSE(again.ValueExists(L"A", L"Count"));
    again.EraseSection(L"b");
    EXPECT_FALSE(again.SectionExists(L"B"));
    EXPECT_EQ(again.Text(), L"[A]\r\nname=Другая\r\n");
    again.Clear();
    EXPECT_EQ(again.Text(), L"");
}
