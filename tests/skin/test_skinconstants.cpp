// The skin command message, its command numbers, the markers, the
// parent-background default and the user-interface strings of the string table.
#include <gtest/gtest.h>

#include <set>

#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"
#include "skin/graphics/Constants.h"
#include "skin/forms/Startup.h"

TEST(SkinCommands, NumbersAreUniqueNamedAndInRange)
{
    std::set<unsigned> seen;
    for (unsigned n : SkinCommandNumbers) {
        EXPECT_TRUE(seen.insert(n).second) << n;
        EXPECT_TRUE((n >= 1 && n <= 62) || n == 675) << n;
        EXPECT_NE(String(SkinCommandName(n)), L"") << n;
    }
    EXPECT_EQ(seen.size(), 42u);
    for (unsigned unused : {12u, 24u, 39u, 45u, 50u, 53u, 59u, 63u, 0u})
        EXPECT_EQ(seen.count(unused), 0u) << unused;
    EXPECT_EQ(String(SkinCommandName(SkinCmdGetBackground)), L"SkinCmdGetBackground");
    EXPECT_EQ(String(SkinCommandName(12)), L"");
}

TEST(SkinCommands, WParamCarriesCommandAndSubArgument)
{
    uintptr_t w = MakeSkinCmdWParam(SkinCmdInvalidate, 1);
    EXPECT_EQ(w, uintptr_t(17) << 16 | 1);
    EXPECT_EQ(SkinCommandOf(w), SkinCmdInvalidate);
    EXPECT_EQ(SkinSubArgumentOf(w), 1u);
    EXPECT_EQ(SkinCommandOf(MakeSkinCmdWParam(SkinCmdMenuMouseLeave)), 675u);
    EXPECT_EQ(SkinSubArgumentOf(MakeSkinCmdWParam(SkinCmdMenuMouseLeave)), 0u);
}

TEST(SkinCommands, MessageNumberIsSetAndUnhandledQueriesAnswerZero)
{
    EXPECT_TRUE(SkinLibraryStarted());
    EXPECT_EQ(SkinCommandMessage, 0xA100u);

    // A form of the class library and a plain system window: neither handles
    // the message, so every command, with any LParam, answers 0.
    TForm* form = new TForm(Application);
    form->SetBounds(10, 10, 200, 120);
    TEdit* edit = new TEdit(form);
    edit->SetParent(form);
    form->Show();
    HWND native = CreateWindowExW(0, L"STATIC", L"plain", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(native, nullptr);
    for (HWND wnd : {form->Handle(), edit->Handle(), native})
        for (unsigned cmd : SkinCommandNumbers) {
            LPARAM l = cmd == SkinCmdGetBkColor ? LPARAM(SkinKeyColor) : 0;
            EXPECT_EQ(SendMessageW(wnd, SkinCommandMessage, MakeSkinCmdWParam(cmd), l), 0) << cmd;
            EXPECT_EQ(SendMessageW(wnd, SkinCommandMessage, MakeSkinCmdWParam(cmd, 1), 1), 0) << cmd;
        }
    EXPECT_EQ(SendMessageW(native, RegionOptOutQuery, RegionOptOutAnswer, 0), 0);
    DestroyWindow(native);
    Free(form);
}

TEST(SkinMarkers, NoSkinTagTests)
{
    EXPECT_TRUE(IsNoSkinTag(-98));
    EXPECT_FALSE(IsNoSkinTag(-1));
    EXPECT_FALSE(IsNoSkinTag(98));
    // The dialog hook's bit test also holds for -1 and -2, but not for 0, 98 or -97.
    EXPECT_TRUE(HasNoSkinTagBits(-98));
    EXPECT_TRUE(HasNoSkinTagBits(-1));
    EXPECT_TRUE(HasNoSkinTagBits(-2));
    EXPECT_FALSE(HasNoSkinTagBits(0));
    EXPECT_FALSE(HasNoSkinTagBits(98));
    EXPECT_FALSE(HasNoSkinTagBits(-99));
    EXPECT_FALSE(HasNoSkinTagBits(-100));
    EXPECT_EQ(String(SkinWrapperProperty), L"KVSBSC");
    EXPECT_EQ(DefaultSkinningRules, unsigned(srStdForms | srStdDialogs | srThirdParty));
    EXPECT_EQ(DefaultSkinningRules, 7u);
}

TEST(SkinConstants, StartUpValues)
{
    EXPECT_EQ(SkinKeyColor, 0x00FF00FF);
    EXPECT_EQ(EmptyBgCacheInfo.Bmp, nullptr);
    EXPECT_EQ(EmptyBgCacheInfo.X, -99);
    EXPECT_EQ(EmptyBgCacheInfo.Y, -99);
    EXPECT_EQ(EmptyBgCacheInfo.FillColor, SkinKeyColor);
    EXPECT_FALSE(EmptyBgCacheInfo.Ready);
    for (int w : EmptyBgCacheInfo.FrameWidths) EXPECT_EQ(w, 0);
    EXPECT_EQ(ScrollButtonSize, GetSystemMetrics(SM_CXHSCROLL));
    EXPECT_GT(ScrollButtonSize, 0);
}

TEST(SkinUIStrings, AllFiftyNineLoadFromTheStringTable)
{
    std::set<unsigned> ids(std::begin(SkinUIStringIds), std::end(SkinUIStringIds));
    EXPECT_EQ(ids.size(), size_t(SkinUIStringCount));
    for (unsigned id : SkinUIStringIds) {
        // Straight from the executable's resources, not from the loaded copy.
        wchar_t buf[256] = {};
        int n = LoadStringW(GetModuleHandleW(nullptr), id, buf, 256);
        EXPECT_GT(n, 0) << id;
        EXPECT_EQ(SkinUIString(id), String(buf, size_t(n))) << id;
    }
    EXPECT_EQ(SkinUIString(StrSysMenuRestore), L"Restore");
    EXPECT_EQ(SkinUIString(StrSysMenuClose), L"Close");
    EXPECT_EQ(SkinUIString(StrAvailableSkins), L"Available skins");
    EXPECT_EQ(SkinUIString(StrInternalSkinLabel), L"(internal)");
    EXPECT_EQ(SkinUIString(StrFrameAdapterMisplaced), L"TsFrameAdapter adapter must be placed on the handled frame");
    EXPECT_EQ(SkinUIString(StrInvalidDate), L"Invalid date");
    EXPECT_EQ(SkinUIString(StrSkinPreview), L"Skin preview");
    EXPECT_EQ(SkinUIString(StrDlgHelp), L"&Help");
    EXPECT_EQ(SkinUIString(StrDecimal), L"Decimal - ");   // trailing blank kept
    EXPECT_EQ(SkinUIString(12345), L"");
}

TEST(SkinUIStrings, InvalidDateFallsBackWhenTheTableLacksIt)
{
    // A module without the library's string table: every text is empty but
    // the date error text, which has its literal fallback.
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    ASSERT_NE(kernel, nullptr);
    LoadSkinUIStrings(kernel);
    EXPECT_EQ(SkinUIString(StrInvalidDate), L"Invalid date");
    EXPECT_EQ(SkinUIString(StrSysMenuRestore), L"");
    EXPECT_EQ(SkinUIString(StrSkinPreview), L"");
    LoadSkinUIStrings(GetModuleHandleW(nullptr));
    EXPECT_EQ(SkinUIString(StrSysMenuRestore), L"Restore");
}
