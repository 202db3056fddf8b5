// The skin manager: the sample skin loaded from its folder, its packed file and
// as a stored skin, discovery, the choice of source, failed loads, notices,
// the default manager and recolouring through the published properties.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>

#include "classlib/TypInfo.h"
#include "skin/core/ProgramPictures.h"
#include "skin/core/SkinManager.h"
#include "skin/core/SkinMenus.h"
#include "support/GuiTest.h"
#include "support/SkinTestControls.h"
#include "tests/skin/SkinFixtures.h"

using namespace skintest;

namespace {

std::string SmallOptions(const std::string& version, const std::string& extra = "")
{
    return "[GLOBALINFO]\r\nVERSION=" + version + "\r\nMASTERBITMAP=MASTER.BMP\r\n" +
           "BICONCLOSE=@0000,0000,0008,0008,1,0\r\n[EDIT]\r\nCOLOR=255\r\nSTATES=2\r\nHOTCOLOR=65280\r\n" +
           "BORDERSMASK=^0000,0000,0016,0016,0002,0002,0002,0002,1,0,0,0\r\n" + extra;
}

std::string SmallMaster()
{
    return Master(32, 16, 0x3060C0, [](int x, int y) { return x == 0 && y == 0; });
}

// A black 1-bit grey PNG: a few kB that decode to w x h 32-bit pixels.
std::string Png1Bit(int w, int h)
{
    auto be = [](uint32_t v) { return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; };
    auto chunk = [&](const char* type, const std::string& d) {
        std::string td = std::string(type, 4) + d;
        return be(uint32_t(d.size())) + td +
               be(uint32_t(crc32(0, reinterpret_cast<const Bytef*>(td.data()), uInt(td.size()))));
    };
    std::string raw(size_t(h) * size_t(1 + (w + 7) / 8), '\0');
    std::string ihdr = be(uint32_t(w)) + be(uint32_t(h)) + std::string("\x01\x00\x00\x00\x00", 5);
    return std::string("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", ihdr) + chunk("IDAT", Zlib(raw)) + chunk("IEND", "");
}

// The sink the library starts with (real message boxes).
const auto kDefaultSink = SkinNoticeSink;

class Manager : public testing::Test {
protected:
    void SetUp() override
    {
        SkinNoticeSink = [this](TsNoticeKind k, const String& t) { notices.push_back({k, t}); };
        SkinTestSwitch = [this] { return testSwitch; };
    }
    void TearDown() override
    {
        for (TsSkinManager* m : managers)
            Free(m);
        SkinNoticeSink = nullptr;
        SkinTestSwitch = nullptr;
        EXPECT_EQ(DefaultManager, nullptr);
        EXPECT_FALSE(SkinLoading);
    }
    TsSkinManager* NewManager(const String& dir)
    {
        auto* m = new TsSkinManager(nullptr);
        managers.push_back(m);
        m->SetSkinDirectory(dir);
        return m;
    }
    void Destroy(TsSkinManager* m)
    {
        managers.erase(std::find(managers.begin(), managers.end(), m));
        Free(m);
    }
    // A folder skin and a packed skin of the small skin.
    void WriteFolderSkin(const String& name, const std::string& options)
    {
        dir.WriteFile(name + L"\\Options.dat", options);
        dir.WriteFile(name + L"\\MASTER.BMP", SmallMaster());
    }
    void WritePackSkin(const String& name, const std::string& options)
    {
        dir.WriteFile(name + L".vmz", WritePackedSkin({{"Options.dat", options}, {"Master.bmp", SmallMaster()}}));
    }
    int Count(TsNoticeKind k) const
    {
        return int(std::count_if(notices.begin(), notices.end(), [k](auto& n) { return n.first == k; }));
    }
    String Skins() const { return EnvPath("TALVERA_CONTENT") + L"\\Skins"; }

    std::vector<std::pair<TsNoticeKind, String>> notices;
    bool testSwitch = false;
    std::vector<TsSkinManager*> managers;
    TempDir dir{L"skins"};
};

}  // namespace

TEST_F(Manager, SampleSkinGivesTheSameTablesFromFolderPackAndStoredSkin)
{
    std::string expected = ReadBytes(EnvPath("TALVERA_TESTDATA") + L"\\skin\\Slate.dump");
    ASSERT_FALSE(expected.empty());

    TsSkinManager* packed = NewManager(Skins());
    packed->SetSkinName(L"Slate");                      // the packed file wins over the folder
    ASSERT_TRUE(packed->SkinData().Active);
    EXPECT_EQ(packed->SkinData().SkinFolder, StringToUtf8(Skins() + L"\\"));
    EXPECT_EQ(DumpSkinTables(packed->Tables()), expected);

    // The folder alone, copied into a directory without the packed file.
    for (const char* f : {"Options.dat", "MASTER.BMP", "BUTTON.PNG", "SHADOW.PNG", "OLDGROUP.BMP", "SLIDER.BMP",
                          "TOOLBAR.JPG", "FORM.JPG", "GLOWCLOSE.PNG", "GLOWMAX.PNG", "GLOWMIN.PNG"})
        dir.WriteFile(L"Slate\\" + Utf8ToString(f), ReadBytes(Skins() + L"\\Slate\\" + Utf8ToString(f)));
    TsSkinManager* folder = NewManager(dir.Path());
    folder->SetSkinName(L"Slate");
    EXPECT_EQ(folder->SkinData().SkinFolder, StringToUtf8(dir.Path() + L"\\Slate\\"));
    EXPECT_EQ(DumpSkinTables(folder->Tables()), expected);

    // The packed bytes kept as a stored skin; the directory holds no skin.
    TempDir empty(L"noskins");
    TsSkinManager* stored = NewManager(empty.Path());
    TsStoredSkin* item = stored->InternalSkins().Add();
    item->Name = L"Slate";
    item->PackedBytes = ReadBytes(Skins() + L"\\Slate.vmz");
    std::string keep = item->PackedBytes;
    stored->SetSkinName(L"Slate");
    EXPECT_TRUE(stored->SkinData().SkinFolder.empty());
    EXPECT_EQ(DumpSkinTables(stored->Tables()), expected);
    EXPECT_EQ(item->PackedBytes, keep);
    EXPECT_TRUE(notices.empty());
    EXPECT_EQ(stored->SkinInfo(), L"8.5");
}

TEST_F(Manager, ResolvesTheSkinDirectory)
{
    TsSkinManager* m = NewManager(L"..\\Skins");
    String a = ProgramFolder();
    String parent = a.substr(0, a.rfind(L'\\', a.size() - 2) + 1);
    EXPECT_EQ(m->ResolveSkinDirectory(), parent + L"Skins");
    m->SetSkinDirectory(L"Skins");
    EXPECT_EQ(m->ResolveSkinDirectory(), a + L"Skins");
    m->SetSkinDirectory(L".\\My");
    EXPECT_EQ(m->ResolveSkinDirectory(), a + L"My");
    m->SetSkinDirectory(L"\\\\server\\share\\Skins");
    EXPECT_EQ(m->ResolveSkinDirectory(), L"\\\\server\\share\\Skins");
    m->SetSkinDirectory(L"D:\\Skins");
    EXPECT_EQ(m->ResolveSkinDirectory(), L"D:\\Skins");
    TsSkinManager* fresh = NewManager(L"");
    EXPECT_EQ(fresh->ResolveSkinDirectory(), L"c:\\Skins");
}

TEST_F(Manager, ListsInternalFolderAndPackedSkins)
{
    WriteFolderSkin(L"Alpha", SmallOptions("8.5"));
    dir.WriteFile(L"NoOptions\\MASTER.BMP", SmallMaster());
    WriteFolderSkin(L".hidden", SmallOptions("8.5"));
    WritePackSkin(L"My.Skin", SmallOptions("8.5"));
    dir.WriteFile(L"Beta.VMZ", "x");
    dir.WriteFile(L"notes.vmz.txt", "x");
    TsSkinManager* m = NewManager(dir.Path());
    TStringList list;
    String first = m->ListSkins(list, 2);
    EXPECT_EQ(list.Text(), L"Alpha\r\nBeta\r\nMy.Skin\r\n");
    EXPECT_TRUE(first == L"Alpha" || first == L"Beta" || first == L"My.Skin");
    m->ListSkins(list, 0);
    EXPECT_EQ(list.Text(), L"Alpha\r\n");
    m->InternalSkins().Add()->Name = L"Inner";
    EXPECT_EQ(m->ListSkins(list, 1), L"Inner");          // internal skins come first
    EXPECT_EQ(list.Text(), L"Beta\r\nInner\r\nMy.Skin\r\n");
    m->SetSkinName(L"My.Skin.vmz");                      // a listed name loads
    EXPECT_EQ(m->SkinName(), L"My.Skin");
    EXPECT_TRUE(m->SkinData().Active);
}

TEST_F(Manager, ChoosesTheSourceAndKeepsTheOldSkinWhenALoadFails)
{
    WriteFolderSkin(L"Both", SmallOptions("8.5", "[P]\r\nCOLOR=1\r\n"));
    WritePackSkin(L"Both", SmallOptions("8.5", "[P]\r\nCOLOR=2\r\n"));
    WriteFolderSkin(L"Broken", SmallOptions("8.5", "[GLOBALINFO]\r\nSHADOW1OFFSET=abc\r\n"));
    dir.WriteFile(L"NoOpts.vmz", WritePackedSkin({{"Master.bmp", SmallMaster()}}));
    dir.WriteFile(L"Wrong.vmz", "VMzX");
    // 8192 x 8192 pixels from 8 kB: more than one load may hold, refused before decoding.
    dir.WriteFile(L"Huge.vmz", WritePackedSkin({{"Options.dat", SmallOptions("8.5", "[BIG]\r\nA=!BIG.PNG!1!0\r\n")},
                                                {"Master.bmp", SmallMaster()},
                                                {"BIG.PNG", Png1Bit(8192, 8192)}}));
    TsSkinManager* m = NewManager(dir.Path());
    int changes = 0;
    m->OnAfterChange = [&](TObject*) { ++changes; };
    m->SetSkinName(L"Both.VMZ");
    EXPECT_EQ(m->SkinName(), L"Both");
    int p = m->FindSectionIndex(L"P");
    ASSERT_GE(p, 0);
    EXPECT_EQ(m->gd()[size_t(p)].IniColor, 2);           // the packed file wins
    std::string before = DumpSkinTables(m->Tables());

    for (const wchar_t* bad : {L"Broken", L"NoOpts", L"Wrong", L"Huge"}) {
        m->SetSkinName(bad);
        EXPECT_EQ(m->SkinName(), L"Both") << StringToUtf8(bad);
        EXPECT_TRUE(m->SkinData().Active);
        EXPECT_TRUE(m->Active());
        EXPECT_EQ(DumpSkinTables(m->Tables()), before);
        EXPECT_FALSE(SkinLoading);
    }
    ASSERT_EQ(Count(TsNoticeKind::Error), 4);
    EXPECT_EQ(notices[0].second, L"'abc' is not a valid integer value");
    EXPECT_NE(notices[1].second.find(L"Options.dat"), String::npos);
    EXPECT_EQ(notices[2].second, L"Loaded data is not a packed Velmiro file");
    EXPECT_EQ(notices[3].second, L"The skin's images are too large: with \"BIG.PNG\" they need more than " +
                                     std::to_wstring(kSkinPixelBudget) + L" pixels");
    EXPECT_EQ(changes, 5);

    // No skin of that name and no stored skins: a failed load as well, told
    // to the caller; the next good name loads.
    m->SetSkinName(L"Nothing");
    EXPECT_EQ(m->SkinName(), L"Both");
    EXPECT_TRUE(m->Active());
    EXPECT_TRUE(m->SkinData().Active);
    EXPECT_EQ(DumpSkinTables(m->Tables()), before);
    ASSERT_EQ(Count(TsNoticeKind::Error), 5);
    EXPECT_NE(notices[4].second.find(L"Nothing"), String::npos);
    WriteFolderSkin(L"Next", SmallOptions("8.5", "[P]\r\nCOLOR=3\r\n"));
    m->SetSkinName(L"Next");
    EXPECT_EQ(m->SkinName(), L"Next");
    ASSERT_TRUE(m->SkinData().Active);
    p = m->FindSectionIndex(L"P");
    ASSERT_GE(p, 0);
    EXPECT_EQ(m->gd()[size_t(p)].IniColor, 3);
    // A manager that never had a skin stays without one, and takes the next good name.
    TsSkinManager* fresh = NewManager(dir.Path());
    fresh->SetSkinName(L"Nothing");
    EXPECT_FALSE(fresh->SkinData().Active);
    EXPECT_TRUE(fresh->gd().empty());
    EXPECT_EQ(Count(TsNoticeKind::Error), 6);
    fresh->SetSkinName(L"Next");
    EXPECT_TRUE(fresh->SkinData().Active);
    m->OnAfterChange = nullptr;
}

TEST_F(Manager, StoredSkinsByNameFirstOrRefused)
{
    TsSkinManager* m = NewManager(dir.Path());
    std::string packed = WritePackedSkin({{"Options.dat", SmallOptions("8.5")}, {"master.BMP", SmallMaster()}});
    TsStoredSkin* first = m->InternalSkins().Add();
    first->Name = L"Internal1";
    first->PackedBytes = packed;
    TsStoredSkin* wrong = m->InternalSkins().Add();
    wrong->Name = L"Wrong";
    wrong->PackedBytes = "VMzX and more";
    const String empty = L"\u041f\u0443\u0441\u0442\u043e\u0439";  // a Russian name, no data
    m->InternalSkins().Add()->Name = empty;

    m->SetSkinName(L"Nope");
    EXPECT_EQ(m->SkinName(), L"Internal1");              // the first stored skin
    EXPECT_TRUE(m->SkinData().Active);
    ASSERT_NE(m->MasterBitmap(), nullptr);               // MASTERBITMAP matched without case
    m->SetSkinName(L"Wrong");
    EXPECT_EQ(wrong->PackedBytes, "VMzX and more");      // the stored bytes survive
    EXPECT_EQ(m->SkinName(), L"Internal1");
    m->SetSkinName(empty);
    EXPECT_EQ(m->SkinName(), L"Internal1");
    EXPECT_EQ(Count(TsNoticeKind::Error), 2);
    EXPECT_EQ(notices[0].second, L"Loaded data is not a packed Velmiro file");
    EXPECT_EQ(notices[1].second, L"The stored skin \"" + empty + L"\" holds no data");
    EXPECT_TRUE(m->SkinData().Active);
}

TEST_F(Manager, VersionNoticesGoThroughTheSink)
{
    WriteFolderSkin(L"New", SmallOptions("9.1"));
    WriteFolderSkin(L"Ancient", SmallOptions("6"));
    TsSkinManager* m = NewManager(dir.Path());
    m->SetSkinName(L"New");
    ASSERT_EQ(notices.size(), 1u);                       // once per load although checked twice
    EXPECT_EQ(notices[0].first, TsNoticeKind::VersionWarning);
    EXPECT_EQ(notices[0].second,
              L"This version of the skin have not complete support by used Korvel package release.\r\n"
              L"Components must be updated up to latest version for using this skin.");
    EXPECT_TRUE(m->SkinningRules & srStdDialogs);        // restored after the box
    EXPECT_TRUE(m->SkinData().Active);
    notices.clear();
    m->SetSkinName(L"Ancient");
    EXPECT_TRUE(notices.empty());                        // old skins are quiet at run time
    testSwitch = true;
    m->SetSkinName(L"New");
    notices.clear();
    m->SetSkinName(L"Ancient");
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].second,
              L"You are using an old version of the \"Ancient\" skin. Please, update a skins to latest or link with "
              L"the Korvel support for upgrading of existing skin.\r\n\r\nThis notification occurs in design-time "
              L"only for your information and will not occur in real-time.");
}

TEST_F(Manager, DefaultManagerRules)
{
    WriteFolderSkin(L"Small", SmallOptions("8.5"));
    TsSkinManager* first = NewManager(dir.Path());
    TsSkinManager* second = NewManager(dir.Path());
    EXPECT_TRUE(first->IsDefault());
    EXPECT_FALSE(second->IsDefault());
    second->SetSkinName(L"Small");
    second->SetIsDefault(true);
    EXPECT_EQ(DefaultManager, second);
    EXPECT_TRUE(second->SkinData().Active);              // its skin broadcast again
    second->SetIsDefault(false);                         // stays default: nobody else took the role
    EXPECT_EQ(DefaultManager, second);
    Destroy(first);
    EXPECT_EQ(DefaultManager, second);
    Destroy(second);
    EXPECT_EQ(DefaultManager, nullptr);
}

TEST_F(Manager, HueAndSaturationReloadWithoutAccumulating)
{
    WriteFolderSkin(L"Small", SmallOptions("8.5", "[GLOBALINFO]\r\nBIKEEPHUE=2\r\n"));
    TsSkinManager* a = NewManager(dir.Path());
    a->SetSkinName(L"Small");
    std::string plain = DumpSkinTables(a->Tables());
    a->SetHueOffset(30);
    a->SetHueOffset(60);
    TsSkinManager* b = NewManager(dir.Path());
    b->SetHueOffset(60);
    b->SetSkinName(L"Small");
    EXPECT_EQ(DumpSkinTables(a->Tables()), DumpSkinTables(b->Tables()));
    EXPECT_NE(DumpSkinTables(a->Tables()), plain);
    // The close glyph keeps its colours, the rest of the master bitmap turns.
    EXPECT_EQ(a->MasterBitmap()->Pixel(3, 3), 0xFF3060C0u);
    EXPECT_NE(a->MasterBitmap()->Pixel(20, 3), 0xFF3060C0u);
    EXPECT_EQ(a->MasterBitmap()->Pixel(0, 0) & 0xFFFFFF, 0xFF00FFu);
    a->SetHueOffset(0);
    EXPECT_EQ(DumpSkinTables(a->Tables()), plain);
    a->SetSaturation(150);
    b->SetHueOffset(0);
    b->SetSaturation(49);
    EXPECT_EQ(DumpSkinTables(a->Tables()), DumpSkinTables(b->Tables()));
}

TEST_F(Manager, UpdateStateCommonSectionsAndShadows)
{
    WriteFolderSkin(L"Small", SmallOptions("8.5"));
    TsSkinManager* m = NewManager(dir.Path());
    m->SetSkinName(L"Small");
    m->BeginUpdate();
    EXPECT_TRUE(m->InUpdate());
    m->EndUpdate(true, false);
    EXPECT_TRUE(m->AnimEffects.SkinChanging.Active);     // as it was before
    m->AnimEffects.SkinChanging.Active = false;
    m->EndUpdate(true, true);
    EXPECT_FALSE(m->AnimEffects.SkinChanging.Active);

    TStringList lines;
    lines.SetText(L"[EDIT]\r\nCOLOR = 16711680\r\n; keep  this\r\n");
    m->SetCommonSections(lines);
    EXPECT_EQ(m->CommonSections().Get(1), L"COLOR=16711680");
    EXPECT_EQ(m->CommonSections().Get(2), L"; keep  this");
    EXPECT_EQ(m->gd()[size_t(m->FindSectionIndex(L"EDIT"))].IniColor, 0xFF0000);

    // Extended borders: margins of 9 without an EXBORDER mask, the mask's otherwise.
    m->SetExtendedBorders(true);
    ASSERT_TRUE(m->GetExtendedBorders());
    EXPECT_EQ(m->ShadowMargins, (std::array<int, 4>{9, 9, 9, 9}));
    TsSkinManager* slate = NewManager(Skins());
    slate->SetExtendedBorders(true);
    slate->SetSkinName(L"Slate");
    EXPECT_EQ(slate->ShadowMargins, (std::array<int, 4>{8, 8, 8, 8}));   // 12 less the form offset 4
    ASSERT_NE(slate->ShadowActive(), nullptr);
    EXPECT_EQ(slate->ShadowActive()->Width(), 40);
    // Palette getters read the loaded palette.
    EXPECT_EQ(slate->GetHighlightColor(false), slate->Palette()[6]);
    EXPECT_EQ(slate->GetHighlightFontColor(true), slate->Palette()[9]);
    EXPECT_EQ(slate->GetEditColor(), slate->Palette()[5]);
    // Look-ups through parents.
    int combo = slate->FindSectionIndex(L"COMBOBOX");
    EXPECT_EQ(slate->FindMaskIndex(combo, L"COMBOBOX", L"BORDERSMASK"),
              slate->FindMaskIndexDirect(L"EDIT", L"BORDERSMASK"));
    EXPECT_EQ(slate->FindMaskIndexDirect(L"COMBOBOX", L"BORDERSMASK"), -1);
    EXPECT_EQ(slate->FindSectionIndex(L""), -1);
    EXPECT_EQ(slate->FindSectionIndex(L"combobox"), -1);
}

TEST_F(Manager, EditorHandOverActivationAndClassNameLists)
{
    WriteFolderSkin(L"Ed", SmallOptions("8.5", "[P]\r\nCOLOR=1\r\n"));
    WritePackSkin(L"Ed", SmallOptions("8.5", "[P]\r\nCOLOR=2\r\n"));
    TsSkinManager* m = NewManager(dir.Path());
    // After an editor hand-over the folder wins and the options come from its text.
    SkinEditorLinked = true;
    SkinEditorOptions = std::make_unique<std::string>(SmallOptions("8.5", "[P]\r\nCOLOR=3\r\n"));
    m->SetSkinName(L"Ed");
    SkinEditorLinked = false;
    SkinEditorOptions.reset();
    int p = m->FindSectionIndex(L"P");
    ASSERT_GE(p, 0);
    EXPECT_EQ(m->gd()[size_t(p)].IniColor, 3);
    EXPECT_NE(m->MasterBitmap(), nullptr);               // images from the folder

    int deactivated = 0, activated = 0;
    m->OnDeactivate = [&](TObject*) { ++deactivated; };
    m->OnActivate = [&](TObject*) { ++activated; };
    m->SetActive(false);
    EXPECT_EQ(deactivated, 1);
    EXPECT_FALSE(m->SkinData().Active);
    EXPECT_TRUE(m->gd().empty());
    EXPECT_EQ(m->FindMaskIndex(0, L"EDIT", L"BORDERSMASK"), -1);
    m->SetActive(true);
    EXPECT_EQ(activated, 1);
    EXPECT_TRUE(m->SkinData().Active);
    EXPECT_EQ(m->gd()[size_t(m->FindSectionIndex(L"P"))].IniColor, 2);   // the packed file again

    m->ThirdParty.SetList(0, L"TMyEdit\r\nTOtherEdit");
    m->UpdateThirdPartyLists(false);
    EXPECT_EQ(m->ClassNameList(0).Text(), L"TMyEdit\r\nTOtherEdit\r\n");
    m->UpdateThirdPartyLists(true);
    EXPECT_EQ(m->ThirdParty.GetList(0), String(DefaultThirdPartyLists[0]));
    m->OnDeactivate = nullptr;   // the counters go out of scope before the manager
    m->OnActivate = nullptr;
}

TEST_F(Manager, RecolouringReloadsFromTheSourceAndRepaints)
{
    WriteFolderSkin(L"Small", SmallOptions("9.5"));
    TsSkinManager* m = NewManager(dir.Path());
    int after = 0;
    // A form of the application hears every repaint as a refresh command.
    auto* form = new TSkinTestForm(Application);
    form->HandleNeeded();
    auto repaints = [&] { return form->Commands.Count(SkinCmdRefresh); };
    m->OnAfterChange = [&](TObject*) { ++after; };
    m->SetSkinName(L"Small");
    EXPECT_EQ(repaints(), 1);   // a skin chosen repaints the forms too
    notices.clear();
    m->SetHueOffset(90);
    EXPECT_EQ(repaints(), 2);
    EXPECT_EQ(after, 2);
    EXPECT_TRUE(m->SkinData().Active);
    EXPECT_EQ(Count(TsNoticeKind::VersionWarning), 1);   // the reload reads the version again
    m->BeginUpdate();
    m->SetSaturation(20);
    EXPECT_EQ(repaints(), 2);                             // not while updating
    m->EndUpdate(false, true);
    // A skin that turned unreadable keeps the one in use.
    dir.WriteFile(L"Small\\Options.dat", SmallOptions("8.5", "[GLOBALINFO]\r\nSHADOW1BLUR=x\r\n"));
    std::string before = DumpSkinTables(m->Tables());
    m->SetHueOffset(10);
    EXPECT_EQ(DumpSkinTables(m->Tables()), before);
    EXPECT_TRUE(m->SkinData().Active);
    EXPECT_EQ(Count(TsNoticeKind::Error), 1);
    EXPECT_FALSE(SkinLoading);
    m->OnAfterChange = nullptr;
    Free(form);
}

TEST_F(Manager, CyrillicNamesAndBitmapsUsableByGdi)
{
    WriteFolderSkin(L"Кожа", SmallOptions("8.5"));
    WritePackSkin(L"Тёмная.тема", SmallOptions("8.5"));
    TsSkinManager* m = NewManager(dir.Path());
    TStringList list;
    m->ListSkins(list, 2);
    EXPECT_EQ(list.Text(), L"Кожа\r\nТёмная.тема\r\n");
    m->SetSkinName(L"Кожа");
    ASSERT_TRUE(m->SkinData().Active);
    m->SetSkinName(L"Тёмная.тема.vmz");
    ASSERT_TRUE(m->SkinData().Active);
    EXPECT_EQ(m->SkinName(), L"Тёмная.тема");
    EXPECT_TRUE(notices.empty());

    // The master bitmap is a DIB section: GDI reads the pixels the loader wrote.
    PixelBitmap* master = m->MasterBitmap();
    ASSERT_NE(master, nullptr);
    ASSERT_NE(master->Handle(), nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, static_cast<HBITMAP>(master->Handle()));
    EXPECT_EQ(GetPixel(dc, 5, 5), RGB(0x30, 0x60, 0xC0));
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0xFF, 0x00, 0xFF));
    // Painting through GDI shows up in the pixels the skin code reads.
    RECT r{2, 2, 4, 4};
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    FillRect(dc, &r, brush);
    GdiFlush();
    EXPECT_EQ(master->Pixel(3, 3) & 0xFFFFFF, 0x010203u);
    DeleteObject(brush);
    SelectObject(dc, old);
    DeleteDC(dc);
}

TEST_F(Manager, DefaultSinkShowsRealMessageBoxes)
{
    WriteFolderSkin(L"Broken", SmallOptions("8.5", "[GLOBALINFO]\r\nSHADOW1OFFSET=abc\r\n"));
    WriteFolderSkin(L"New", SmallOptions("9.5"));
    TsSkinManager* m = NewManager(dir.Path());
    SkinNoticeSink = kDefaultSink;
    std::vector<String> seen = RunAnsweringBoxes([&] { m->SetSkinName(L"Broken"); });
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_NE(seen[0].find(L"'abc' is not a valid integer value"), String::npos);
    seen = RunAnsweringBoxes([&] { m->SetSkinName(L"New"); });
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_NE(seen[0].find(L"Components must be updated up to latest version for using this skin."), String::npos);
    EXPECT_TRUE(m->SkinData().Active);
}

TEST_F(Manager, PublishedPropertiesByName)
{
    WriteFolderSkin(L"Small", SmallOptions("8.5"));
    auto* m = new TsSkinManager(nullptr);
    managers.push_back(m);
    EXPECT_EQ(GetStrProp(m, L"SkinDirectory"), L"c:\\Skins");   // the default after construction
    SetStrProp(m, L"SkinDirectory", dir.Path());
    SetStrProp(m, L"SkinName", L"Small");
    EXPECT_TRUE(m->SkinData().Active);
    EXPECT_EQ(GetStrProp(m, L"SkinInfo"), L"8.5");
    EXPECT_EQ(GetEnumProp(m, L"Active"), L"True");
    SetOrdProp(m, L"Saturation", 150);
    EXPECT_EQ(m->Saturation(), 150);
    EXPECT_EQ(GetSetProp(m, L"SkinningRules"), L"srStdForms,srStdDialogs,srThirdParty");
    SetSetProp(m, L"SkinningRules", L"[srThirdParty]");
    EXPECT_EQ(m->SkinningRules, unsigned(srThirdParty));
    EXPECT_EQ(GetObjectProp(m, L"ThirdParty"), &m->ThirdParty);
    EXPECT_EQ(GetObjectProp(m, L"InternalSkins"), &m->InternalSkins());
    SetEnumProp(m, L"Active", L"False");
    EXPECT_FALSE(m->Active());
    EXPECT_EQ(GetStrProp(m, L"SkinInfo"), L"N/A");
}

TEST_F(Manager, SettingsObjectsReadAndWrittenByName)
{
    TsSkinManager* m = NewManager(dir.Path());
    // A dotted path walks the published object properties from the manager.
    auto owner = [&](const String& path, String& leaf) {
        TObject* o = m;
        size_t start = 0;
        for (size_t dot = path.find(L'.'); dot != String::npos; dot = path.find(L'.', start)) {
            o = GetObjectProp(o, path.substr(start, dot - start));
            start = dot + 1;
        }
        leaf = path.substr(start);
        return o;
    };
    const TkvAnimEffects& a = m->AnimEffects;
    struct Row {
        const wchar_t* path;
        int64_t initial, written;
        std::function<int64_t()> field;
    };
    const Row rows[] = {
        {L"Effects.AllowGlowing", 1, 0, [&] { return m->Effects.GetAllowGlowing(); }},
        {L"Effects.AllowAeroBluring", 1, 0, [&] { return m->Effects.AllowAeroBluring; }},
        {L"AnimEffects.Buttons.Events", 15, 5, [&] { return a.Buttons.Events; }},
        {L"AnimEffects.BlendOnMoving.Active", 0, 1, [&] { return a.BlendOnMoving.Active; }},
        {L"AnimEffects.BlendOnMoving.BlendValue", 170, 200, [&] { return a.BlendOnMoving.BlendValue; }},
        {L"AnimEffects.BlendOnMoving.Time", 1000, 1500, [&] { return a.BlendOnMoving.Time; }},
        {L"AnimEffects.DialogShow.Mode", 1, 0, [&] { return int64_t(a.DialogShow.Mode); }},
        {L"AnimEffects.FormShow.Time", 0, 180, [&] { return a.FormShow.Time; }},
        {L"AnimEffects.FormHide.Active", 1, 0, [&] { return a.FormHide.Active; }},
        {L"AnimEffects.DialogHide.Mode", 1, 0, [&] { return int64_t(a.DialogHide.Mode); }},
        {L"AnimEffects.Minimizing.Time", 200, 300, [&] { return a.Minimizing.Time; }},
        {L"AnimEffects.PageChange.Active", 1, 0, [&] { return a.PageChange.Active; }},
        {L"AnimEffects.SkinChanging.Time", 100, 50, [&] { return a.SkinChanging.Time; }},
        {L"AnimEffects.SkinChanging.Mode", 0, 1, [&] { return int64_t(a.SkinChanging.Mode); }},
        {L"MenuSupport.AlphaBlend", 255, 128, [&] { return m->MenuSupport.AlphaBlend; }},
        {L"MenuSupport.UseExtraLine", 0, 1, [&] { return m->MenuSupport.UseExtraLine; }},
        {L"MenuSupport.ExtraLineWidth", 32, 40, [&] { return m->MenuSupport.ExtraLineWidth; }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(StringToUtf8(r.path));
        String leaf;
        TObject* o = owner(r.path, leaf);
        EXPECT_EQ(GetOrdProp(o, leaf), r.initial);
        SetOrdProp(o, leaf, r.written);
        EXPECT_EQ(r.field(), r.written);
        EXPECT_EQ(GetOrdProp(o, leaf), r.written);
    }
    // Enumerations and sets also by their element names.
    String leaf;
    EXPECT_EQ(GetEnumProp(owner(L"AnimEffects.FormHide.Mode", leaf), leaf), L"atAero");
    SetSetProp(owner(L"AnimEffects.Buttons.Events", leaf), leaf, L"[beMouseUp,beMouseEnter]");
    EXPECT_EQ(a.Buttons.Events, unsigned(beMouseEnter | beMouseUp));
    // The menu settings: the icon column's section is named when loading ends.
    TObject* menu = owner(L"MenuSupport.IcoLineSkin", leaf);
    EXPECT_EQ(GetObjectProp(menu, L"ExtraLineFont"), &m->MenuSupport.ExtraLineFont());
    EXPECT_EQ(GetStrProp(menu, leaf), L"");
    m->Loaded();
    EXPECT_EQ(GetStrProp(menu, leaf), L"ICOLINE");
}

TEST_F(Manager, SkinnedMenusReadTheirBorderFromEachSkin)
{
    TsSkinManager* m = NewManager(dir.Path());
    TsSkinableMenus& menus = m->SkinableMenus();
    EXPECT_EQ(menus.Owner(), m);
    EXPECT_FALSE(menus.Active());
    auto withBorder = [](int margin) {
        char text[160];
        std::snprintf(text, sizeof text, "[MAINMENU]\r\nBORDERSMASK=^0000,0000,0016,0016,%04d,%04d,%04d,%04d,1,0,0,0\r\n",
                      margin, margin, margin, margin);
        return std::string(text);
    };
    // Read again after every new skin: a skin without the mask gives 0.
    const struct {
        const wchar_t* skin;
        std::string extra;
        int width;
    } skins[] = {{L"Five", withBorder(5), 5}, {L"Plain", "", 0}, {L"Seven", withBorder(7), 7}};
    for (const auto& s : skins) {
        WriteFolderSkin(s.skin, SmallOptions("8.5", s.extra));
        m->SetSkinName(s.skin);
        ASSERT_TRUE(m->SkinData().Active);
        EXPECT_EQ(GetOrdProp(&menus, L"SkinBorderWidth"), s.width) << StringToUtf8(s.skin);
    }
}

TEST_F(Manager, DefaultShadowsWithoutAnExBorderMask)
{
    WriteFolderSkin(L"Small", SmallOptions("8.5"));
    TsSkinManager* m = NewManager(dir.Path());
    m->SetSkinName(L"Small");
    m->SetExtendedBorders(true);
    ASSERT_TRUE(m->GetExtendedBorders());
    const int margin = 9;
    EXPECT_EQ(m->ShadowMargins, (std::array<int, 4>{margin, margin, margin, margin}));
    int darkest[2] = {};
    for (bool active : {true, false}) {
        SCOPED_TRACE(active ? "active" : "inactive");
        const PixelBitmap* s = active ? m->ShadowActive() : m->ShadowInactive();
        ASSERT_NE(s, nullptr);
        EXPECT_NE(s, DefaultShadow(active));   // the manager's own copy
        const int w = s->Width(), h = s->Height();
        ASSERT_GT(w, 2 * margin);
        ASSERT_GT(h, 2 * margin);
        auto alpha = [&](int x, int y) { return int(s->Pixel(x, y) >> 24); };
        // Under the form the picture is one colour, so stretching its centre changes nothing.
        const uint32_t centre = s->Pixel(w / 2, h / 2);
        int uneven = 0;
        for (int y = margin; y < h - margin; ++y)
            for (int x = margin; x < w - margin; ++x)
                uneven += s->Pixel(x, y) != centre;
        EXPECT_EQ(uneven, 0);
        darkest[active ? 0 : 1] = alpha(w / 2, h / 2);
        EXPECT_GT(darkest[active ? 0 : 1], 0);
        // A dark shade that fades out across the margin, on every side and corner.
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                if (!dx && !dy)
                    continue;
                int x = dx < 0 ? margin - 1 : dx > 0 ? w - margin : w / 2;
                int y = dy < 0 ? margin - 1 : dy > 0 ? h - margin : h / 2;
                int previous = alpha(w / 2, h / 2);
                for (int k = 0; k < margin; ++k, x += dx, y += dy) {
                    uint32_t p = s->Pixel(x, y);
                    EXPECT_LE(std::max({p & 0xFF, (p >> 8) & 0xFF, (p >> 16) & 0xFF}), 0x40u);
                    int now = alpha(x, y);
                    EXPECT_TRUE(now < previous || (now == 0 && previous == 0))
                        << "step " << k << " of " << dx << "," << dy << ": " << now << " after " << previous;
                    previous = now;
                }
                EXPECT_LE(previous, darkest[active ? 0 : 1] / 8);   // nearly clear at the outer edge
            }
    }
    EXPECT_GT(darkest[0], darkest[1]);   // the active form's shadow is the darker
    // The program's icons, at the system's sizes.
    for (bool large : {true, false}) {
        HICON icon = ProgramIcon(large);
        ASSERT_NE(icon, nullptr);
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP bm{};
        GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
        EXPECT_EQ(bm.bmWidth, GetSystemMetrics(large ? SM_CXICON : SM_CXSMICON));
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
    }
}

TEST_F(Manager, SkinListChangesAreAnnounced)
{
    TsSkinManager* m = NewManager(dir.Path());
    int changed = 0;
    m->OnSkinListChanged = [&](TObject* sender) {
        EXPECT_EQ(sender, m);
        ++changed;
    };
    m->InternalSkins().Add()->Name = L"One";                // a stored skin added
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(m->InternalSkins().GetOwner(), m);
    m->SetSkinDirectory(L"D:\\Other");                     // another directory
    EXPECT_EQ(changed, 2);
    EXPECT_EQ(m->SkinData().SkinFolder, "D:\\Other");
    m->SetSkinDirectory(L"D:\\Other");                     // the same one: nothing
    EXPECT_EQ(changed, 2);
    m->InternalSkins().Delete(0);
    EXPECT_EQ(changed, 3);
    m->OnSkinListChanged = nullptr;
}

// The generation moves on with every kind of change that decides how skinned
// things paint, and stands still when nothing changed; a manager made after
// another was freed shares no generation with it.
TEST_F(Manager, GenerationMovesOnWithEveryChangeOfTheSkin)
{
    WriteFolderSkin(L"Small", SmallOptions("8.5"));
    WritePackSkin(L"Packed", SmallOptions("8.5", "[P]\r\nCOLOR=2\r\n"));
    TsSkinManager* m = NewManager(dir.Path());
    TStringList common;
    common.SetText(L"[EDIT]\r\nCOLOR=16711680\r\n");
    struct Row {
        const char* what;
        std::function<void()> change;
        bool moves;
    } rows[] = {
        {"a skin loaded", [&] { m->SetSkinName(L"Small"); }, true},
        {"the same skin loaded again", [&] { m->SetSkinName(L"Small"); }, true},
        {"another skin, packed", [&] { m->SetSkinName(L"Packed"); }, true},
        {"hue", [&] { m->SetHueOffset(40); }, true},
        {"the same hue", [&] { m->SetHueOffset(40); }, false},
        {"saturation", [&] { m->SetSaturation(-30); }, true},
        {"extended borders", [&] { m->SetExtendedBorders(true); }, true},
        {"common sections", [&] { m->SetCommonSections(common); }, true},
        {"the skin folder", [&] { m->SetSkinDirectory(dir.Path() + L"\\"); }, true},
        {"the common indexes cached again", [&] { m->CacheCommonMaskIndexes(); }, true},
        {"the skin sent to the forms again", [&] { m->UpdateSkin(false); }, true},
        {"the skin's data edited in place", [&] { m->SkinChanged(); }, true},
        {"look-ups", [&] { m->FindMaskIndexDirect(L"EDIT", L"BORDERSMASK"); }, false},
        {"switched off", [&] { m->SetActive(false); }, true},
        {"switched on", [&] { m->SetActive(true); }, true},
        {"the skin removed", [&] { m->SetSkinName(L""); }, true},
        {"a skin after none", [&] { m->SetSkinName(L"Small"); }, true},
    };
    std::vector<uint64_t> seen{m->Generation()};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        const uint64_t before = m->Generation();
        r.change();
        if (r.moves) {
            EXPECT_GT(m->Generation(), before);
            seen.push_back(m->Generation());
        } else {
            EXPECT_EQ(m->Generation(), before);
        }
    }
    EXPECT_TRUE(m->SkinData().Active);
    EXPECT_TRUE(notices.empty());
    // A manager made where a freed one was (or anywhere) starts past every
    // generation the freed one had.
    Destroy(m);
    TsSkinManager* next = NewManager(dir.Path());
    next->SetSkinName(L"Small");
    EXPECT_GT(next->Generation(), *std::max_element(seen.begin(), seen.end()));
}
