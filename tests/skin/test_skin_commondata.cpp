// The per-control skin data on real windows: section resolution, the common
// skin command handler, background requests answered by colour, by bitmap
// and not ready, and the parent background asked by handle and by control.
#include "tests/skin/SkinRuntimeFixture.h"

#include <atomic>
#include <thread>

#include "classlib/TypInfo.h"

using namespace skintest;

namespace {

using SkinData = SkinRuntime;

// A plain windowed control with a colour, painting only its background.
class TPlainBox : public TCustomControl {
    DECLARE_CLASS(TPlainBox, TCustomControl)
public:
    explicit TPlainBox(TComponent* o) : TCustomControl(o) {}
};

// A control whose kind is not in the table.
class TOddControl : public TGraphicControl {
    DECLARE_CLASS(TOddControl, TGraphicControl)
public:
    explicit TOddControl(TComponent* o) : TGraphicControl(o) {}
    TsCommonData data{this, false};
};

COLORREF Pixel(TBitmap& b, int x, int y) { return GetPixel(b.Canvas().Handle(), x, y); }

}  // namespace

TEST_F(SkinData, SectionNamesAndTheDefaultManager)
{
    TsSkinManager* m = SmallManager();
    TSkinTestForm* f = NewForm();
    auto* g = Add<TSkinTestGraphic>(f, 0, 0, 20, 20);
    TsCommonData& d = g->SkinData();
    EXPECT_EQ(d.SkinSection(), L"SPEEDBUTTON");   // chosen by its kind
    EXPECT_EQ(d.SectionIndex, Section(m, L"SPEEDBUTTON"));
    d.SetSkinSection(L"edit");
    EXPECT_EQ(d.SkinSection(), L"EDIT");
    EXPECT_EQ(d.SectionIndex, Section(m, L"EDIT"));
    d.SetSkinSection(L"");
    EXPECT_EQ(d.SkinSection(), L"UNKNOWN");
    EXPECT_EQ(d.SectionIndex, -1);
    EXPECT_FALSE(d.IsSkinned());
    // The default manager is never stored.
    d.SetSkinManager(m);
    EXPECT_EQ(d.StoredSkinManager(), nullptr);
    EXPECT_EQ(d.SkinManager(), m);
    // A kind outside the table takes the class name.
    auto* odd = new TOddControl(nullptr);
    odd->data.ControlKind = 12345;
    odd->data.ChooseSection();
    EXPECT_EQ(odd->data.SkinSection(), L"TODDCONTROL");
    EXPECT_EQ(odd->data.SectionIndex, -1);
    Free(odd);
    // Published by name.
    EXPECT_EQ(GetObjectProp(g, L"SkinData"), &g->SkinData());
}

TEST_F(SkinData, UpdateNestingAlwaysEndsTheUpdate)
{
    SmallManager();
    TSkinTestForm* f = NewForm();
    auto* b = Add<TSkinTestButton>(f, 0, 0, 40, 20);
    f->Show();
    TsCommonData& d = b->SkinData();
    d.BeginUpdate();
    EXPECT_TRUE(d.Updating);
    EXPECT_TRUE(d.SkinState & ssInUpdate);
    EXPECT_EQ(b->Commands.Count(SkinCmdBeginUpdate), 1);
    d.EndUpdate(false);
    EXPECT_FALSE(d.Updating);
    EXPECT_FALSE(d.SkinState & ssInUpdate);
    EXPECT_EQ(b->Commands.Count(SkinCmdEndUpdate), 1);
    d.EndUpdate(false);   // once more than begun: the count is below 0, the command still goes
    EXPECT_EQ(d.UpdateCount, -1);
    EXPECT_EQ(b->Commands.Count(SkinCmdEndUpdate), 2);
}

TEST_F(SkinData, BackgroundColourMixUsesAByteWeight)
{
    TsSkinManager* m = SmallManager();
    TSkinTestForm* f = NewForm();
    auto* black = Add<TPlainBox>(f, 0, 0, 200, 200);
    black->SetColor(clBlack);
    auto* glass = Add<TSkinTestPanel>(black, 10, 10, 50, 50);
    glass->SkinData().SetSkinSection(L"GLASS");
    f->Show();
    ASSERT_EQ(glass->SkinData().SectionIndex, Section(m, L"GLASS"));
    LRESULT c = PerformSkinCommand(glass, SkinCmdGetBkColor, 0);
    // 0xFF + 50 * (0 - 0xFF) div 256, rounded toward minus infinity: 205 in red.
    EXPECT_EQ(c, 0x0000CD);
    // Transparency 0 gives the section colour, 100 the parent's colour.
    glass->SkinData().SetSkinSection(L"PANEL");
    EXPECT_EQ(PerformSkinCommand(glass, SkinCmdGetBkColor, 0), 0x203040);
    auto* speed = Add<TSkinTestGraphic>(black, 100, 10, 20, 20);
    EXPECT_EQ(PerformSkinCommand(speed, SkinCmdGetBkColor, 0), 0);
    black->SetColor(0x445566);
    EXPECT_EQ(PerformSkinCommand(speed, SkinCmdGetBkColor, 0), 0x445566);
    // The state colour mixes by percent: 50 % of each.
    glass->SkinData().SetSkinSection(L"GLASS");
    black->SetColor(clBlack);
    EXPECT_EQ(glass->SkinData().GetStateColor(0), 0x000080);
}

TEST_F(SkinData, CommandsOfTheCommonHandler)
{
    TsSkinManager* m = SmallManager();
    TSkinTestForm* f = NewForm();
    auto* p = Add<TSkinTestPanel>(f, 0, 0, 100, 100);
    f->Show();
    TsCommonData& d = p->SkinData();
    HWND h = p->Handle();
    EXPECT_EQ(SendSkinCommand(h, SkinCmdIsSkinned, 0), 1);
    EXPECT_EQ(SendSkinCommand(h, SkinCmdGetSkinData, 0), LRESULT(&d));
    EXPECT_EQ(SendSkinCommand(h, SkinCmdGetApplication, 0), LRESULT(Application));
    // The questions that fill a record also say that they were answered.
    int index = -5;
    EXPECT_EQ(SendSkinCommand(h, SkinCmdGetSectionIndex, LPARAM(&index)), 1);
    EXPECT_EQ(index, Section(m, L"PANEL"));
    TsBgRequest bg;
    EXPECT_EQ(SendSkinCommand(h, SkinCmdGetBackground, LPARAM(&bg)), 1);
    EXPECT_EQ(bg.Kind, bgColor);
    SendMessageW(h, SkinCommandMessage, WPARAM(MakeSkinCmdWParam(SkinCmdSetUpdating, 1)), 0);
    EXPECT_TRUE(d.Updating);
    EXPECT_EQ(SendSkinCommand(h, SkinCmdIsUpdating, 0), 1);
    SendMessageW(h, SkinCommandMessage, WPARAM(MakeSkinCmdWParam(SkinCmdSetUpdating, 0)), 0);
    SendSkinCommand(h, SkinCmdClearBackgroundChanged, 0);
    EXPECT_FALSE(d.BackgroundChanged);
    EXPECT_EQ(SendSkinCommand(h, SkinCmdIsUpdating, 0), 0);
    SendSkinCommand(h, SkinCmdInvalidate, 0);
    EXPECT_TRUE(d.BackgroundChanged);
    d.PartlyCovered = false;
    EXPECT_EQ(SendSkinCommand(h, SkinCmdIsPartlyCovered, 0), 0);
    SendSkinCommand(h, SkinCmdSetPartlyCovered, 0);
    EXPECT_EQ(SendSkinCommand(h, SkinCmdIsPartlyCovered, 0), 1);
    SendMessageW(h, SkinCommandMessage, WPARAM(MakeSkinCmdWParam(SkinCmdSetUrgentPaint, 1)), 0);
    EXPECT_TRUE(d.UrgentPaint);
    TsSetSectionRecord rec;
    rec.SectionName = L"glass";
    SendSkinCommand(h, SkinCmdSetSection, LPARAM(&rec));
    EXPECT_EQ(d.SkinSection(), L"GLASS");
    SendSkinCommand(h, SkinCmdSetPrintTarget, LPARAM(0x1234));
    EXPECT_TRUE(d.SkinState & ssPrinting);
    EXPECT_EQ(d.PrintTarget, HDC(0x1234));
    SendSkinCommand(h, SkinCmdSetPrintTarget, 0);
    EXPECT_FALSE(d.SkinState & ssPrinting);
    // Commands of another manager are not taken.
    auto* other = new TsSkinManager(nullptr);
    managers.push_back(other);
    d.SetSkinSection(L"PANEL");
    SendSkinCommand(h, SkinCmdRemoveSkin, LPARAM(other));
    EXPECT_EQ(d.SectionIndex, Section(m, L"PANEL"));
    SendSkinCommand(h, SkinCmdRemoveSkin, LPARAM(m));
    EXPECT_EQ(d.SectionIndex, -1);
    EXPECT_TRUE(d.Updating);
    SendSkinCommand(h, SkinCmdNewSkin, LPARAM(m));
    EXPECT_EQ(d.SectionIndex, Section(m, L"PANEL"));
    EXPECT_FALSE(d.Updating);
    // Dropping the cache empties it and marks it for repainting.
    d.PrepareCacheBitmap();
    ASSERT_EQ(d.CacheBitmap->Width(), 100);
    d.BackgroundChanged = false;
    SendSkinCommand(h, SkinCmdDropCache, 0);
    EXPECT_TRUE(d.CacheBitmap->Empty());
    EXPECT_TRUE(d.BackgroundChanged);
}

TEST_F(SkinData, TransparencyRuleAndSkinState)
{
    SmallManager();
    TSkinTestForm* f = NewForm();
    auto* panel = Add<TSkinTestPanel>(f, 0, 0, 200, 200);
    auto* glass = Add<TSkinTestPanel>(panel, 0, 0, 50, 50);
    glass->SkinData().SetSkinSection(L"GLASS");
    auto* button = Add<TSkinTestButton>(panel, 60, 0, 50, 50);
    auto* speed = Add<TSkinTestGraphic>(panel, 120, 0, 20, 20);
    f->Show();
    // A plain section without corner images.
    EXPECT_EQ(panel->SkinData().TransparencyRule(), 1);
    EXPECT_EQ(SendSkinCommand(panel->Handle(), SkinCmdSkinState, 0) & ssParentDependent, ssParentDependent);
    EXPECT_EQ(glass->SkinData().TransparencyRule(), 0);    // half transparent
    EXPECT_EQ(button->SkinData().TransparencyRule(), 0);   // a gradient
    // Fully transparent over a skinned parent: the parent's answer.
    EXPECT_EQ(speed->SkinData().TransparencyRule(), 1);
    speed->SetParent(glass);
    EXPECT_EQ(speed->SkinData().TransparencyRule(), 0);
    EXPECT_EQ(PerformSkinCommand(speed, SkinCmdSkinState, 1) & ssNotComputed, 0);
}

TEST_F(SkinData, BackgroundRequestsAnsweredByColour)
{
    SmallManager();
    TSkinTestForm* f = NewForm();
    auto* panel = Add<TSkinTestPanel>(f, 0, 0, 200, 200);
    f->Show();
    // Transparency 0, a plain colour: a colour answer, painted when asked.
    TsBgRequest r;
    EXPECT_EQ(GetParentBgByHandle(r, panel->Handle(), false), 1);
    EXPECT_EQ(r.Kind, bgColor);
    EXPECT_EQ(r.Color, 0x203040);
    TBitmap target(30, 30, TPixelFormat::pf32bit);
    r = TsBgRequest{};
    r.DC = target.Canvas().Handle();
    r.PaintRect = {0, 0, 30, 30};
    GetParentBgByHandle(r, panel->Handle(), true);
    EXPECT_EQ(r.Kind, bgColor);
    EXPECT_EQ(Pixel(target, 15, 15), COLORREF(0x203040));
    // Unskinned: the owner's colour.
    panel->SkinData().SetSkinSection(L"NOSUCH");
    panel->SetColor(0x010203);
    GetParentBgByHandle(r, panel->Handle(), false);
    EXPECT_EQ(r.Kind, bgColor);
    EXPECT_EQ(r.Color, 0x010203);
    // Nobody answers: the default manager's global colour, or clBtnFace without one.
    auto* box = Add<TPlainBox>(f, 210, 0, 20, 20);
    GetParentBgByHandle(r, box->Handle(), false);
    EXPECT_EQ(r.Kind, bgColor);
    EXPECT_EQ(r.Color, 0x808080);
    DestroyManager(managers.front());
    GetParentBgByHandle(r, box->Handle(), false);
    EXPECT_EQ(r.Color, clBtnFace);
    // "Paint it" without a context is answered with a colour: nothing is painted into DC 0.
    r = TsBgRequest{};
    r.PaintRect = {0, 0, 5, 5};
    EXPECT_EQ(GetParentBgByHandle(r, box->Handle(), true), 0);
    EXPECT_EQ(r.Kind, bgColor);
}

TEST_F(SkinData, BackgroundRequestsAnsweredByBitmap)
{
    TsSkinManager* m = SmallManager();
    TSkinTestForm* f = NewForm();
    auto* panel = Add<TSkinTestPanel>(f, 0, 0, 200, 200);
    auto* glass = Add<TSkinTestPanel>(panel, 20, 30, 100, 100);
    glass->SkinData().SetSkinSection(L"GLASS");
    auto* speed = Add<TSkinTestGraphic>(glass, 5, 6, 20, 20);
    f->Show();
    TsCommonData& gd = glass->SkinData();
    // Transparency 50 without a cache bitmap: the key colour.
    std::unique_ptr<TBitmap> saved = std::move(gd.CacheBitmap);
    TsBgRequest r;
    GetParentBgByHandle(r, glass->Handle(), false);
    EXPECT_EQ(r.Kind, bgColor);
    EXPECT_EQ(r.Color, 0xFF00FF);
    // An empty cache: not ready, and the owner waits.
    gd.CacheBitmap = std::move(saved);
    gd.CacheBitmap->SetSize(0, 0);
    gd.Updating = false;
    GetParentBgByHandle(r, glass->Handle(), false);
    EXPECT_EQ(r.Kind, bgNotReady);
    EXPECT_TRUE(gd.Updating);
    // A cache: the bitmap at offset 0, 0.
    gd.PrepareCacheBitmap();
    gd.CacheBitmap->Canvas().Brush().SetColor(0x0A0B0C);
    gd.CacheBitmap->Canvas().FillRect({0, 0, 100, 100});
    GetParentBgByHandle(r, glass->Handle(), false);
    EXPECT_EQ(r.Kind, bgBitmap);
    EXPECT_EQ(r.Bmp, gd.CacheBitmap.get());
    EXPECT_EQ(r.OffsetX, 0);
    EXPECT_EQ(r.OffsetY, 0);
    TsBgCacheInfo info;
    BgRequestToCacheInfo(r, info);
    EXPECT_TRUE(info.Ready);
    EXPECT_EQ(info.Bmp, gd.CacheBitmap.get());
    // Asked to paint: the area is copied from the cache at the request's offsets.
    gd.CacheBitmap->Canvas().Brush().SetColor(0x00C000);
    gd.CacheBitmap->Canvas().FillRect({50, 60, 70, 80});
    TBitmap target(20, 20, TPixelFormat::pf32bit);
    r = TsBgRequest{};
    r.DC = target.Canvas().Handle();
    r.PaintRect = {0, 0, 20, 20};
    r.OffsetX = 45;
    r.OffsetY = 55;
    GetParentBgByControl(r, glass, true);
    EXPECT_EQ(r.Kind, bgBitmap);
    EXPECT_EQ(Pixel(target, 2, 2), COLORREF(0x0A0B0C));
    EXPECT_EQ(Pixel(target, 10, 10), COLORREF(0x00C000));

    // Transparency 100 (the speed button): passed on to the parent, offsets added.
    TsCommonData& sd = speed->SkinData();
    ASSERT_EQ(sd.SectionIndex, Section(m, L"SPEEDBUTTON"));
    sd.SkinState |= ssParentDependent;
    r = TsBgRequest{};
    CallSkinCommand(speed, TsSkinCommand::GetBackground, LPARAM(&r));
    EXPECT_EQ(r.Kind, bgBitmap);
    EXPECT_EQ(r.Bmp, gd.CacheBitmap.get());
    EXPECT_EQ(r.OffsetX, 5);
    EXPECT_EQ(r.OffsetY, 6);
    // ... and on up through a fully transparent parent: offsets of both.
    gd.SetSkinSection(L"SPEEDBUTTON");
    gd.SkinState |= ssParentDependent;
    panel->SkinData().PrepareCacheBitmap();
    r = TsBgRequest{};
    CallSkinCommand(speed, TsSkinCommand::GetBackground, LPARAM(&r));
    // The panel (transparency 0, plain) answers by colour.
    EXPECT_EQ(r.Kind, bgColor);
    EXPECT_EQ(r.Color, 0x203040);
    // Without a cache bitmap of its own, transparency 100 asks the parent too.
    sd.SkinState &= uint16_t(~ssParentDependent);
    sd.CacheBitmap.reset();
    r = TsBgRequest{};
    CallSkinCommand(speed, TsSkinCommand::GetBackground, LPARAM(&r));
    EXPECT_EQ(r.Kind, bgColor);
    EXPECT_EQ(r.Color, 0x203040);
    // With a cache of its own and not parent-dependent: its cache.
    sd.PrepareCacheBitmap();
    r = TsBgRequest{};
    CallSkinCommand(speed, TsSkinCommand::GetBackground, LPARAM(&r));
    EXPECT_EQ(r.Kind, bgBitmap);
    EXPECT_EQ(r.Bmp, sd.CacheBitmap.get());
}

TEST_F(SkinData, BackgroundNotReadyForTexturedSections)
{
    // A section with a gradient share (BUTTON) answers from its cache, not ready while
    // the cache does not have the owner's size.
    SmallManager();
    TSkinTestForm* f = NewForm();
    auto* b = Add<TSkinTestButton>(f, 0, 0, 60, 30);
    f->Show();
    TsCommonData& d = b->SkinData();
    d.CacheBitmap->SetSize(10, 10);
    TsBgRequest r;
    GetParentBgByHandle(r, b->Handle(), false);
    EXPECT_EQ(r.Kind, bgNotReady);
    EXPECT_EQ(r.Color, 0x808080);   // the global colour
    d.PrepareCacheBitmap();
    GetParentBgByHandle(r, b->Handle(), false);
    EXPECT_EQ(r.Kind, bgBitmap);
}

TEST_F(SkinData, ParentBackgroundOfAControl)
{
    SmallManager();
    TSkinTestForm* f = NewForm();
    auto* panel = Add<TSkinTestPanel>(f, 0, 0, 200, 200);
    auto* speed = Add<TSkinTestGraphic>(panel, 10, 10, 20, 20);
    f->Show();
    TsBgCacheInfo info;
    speed->SkinData().GetParentBackground(info);
    EXPECT_FALSE(info.Ready);
    EXPECT_EQ(info.FillColor, 0x203040);
    // Without a parent: the empty info.
    auto* loose = new TSkinTestGraphic(nullptr);
    loose->SkinData().GetParentBackground(info);
    EXPECT_EQ(info.X, -99);
    EXPECT_EQ(info.FillColor, 0xFF00FF);
    Free(loose);
    // A parent whose cache is not ready gives the key colour.
    panel->SkinData().SetSkinSection(L"BUTTON");
    panel->SkinData().CacheBitmap->SetSize(1, 1);
    speed->SkinData().GetParentBackground(info);
    EXPECT_EQ(info.FillColor, 0xFF00FF);
}

TEST_F(SkinData, PaintedFromTheSkinOnScreen)
{
    SmallManager();
    TSkinTestForm* f = NewForm();
    auto* panel = Add<TSkinTestPanel>(f, 10, 10, 200, 150);
    auto* glass = Add<TSkinTestPanel>(panel, 20, 20, 60, 60);
    glass->SkinData().SetSkinSection(L"GLASS");
    f->Show();
    Pump(50);
    EXPECT_EQ(WindowPixel(panel->Handle(), 5, 5), COLORREF(0x203040));
    // Half of the panel colour and half red.
    COLORREF c = WindowPixel(glass->Handle(), 30, 30);
    EXPECT_NEAR(GetRValue(c), (0x40 + 0xFF) / 2, 1);
    EXPECT_NEAR(GetGValue(c), 0x30 / 2, 1);
    EXPECT_NEAR(GetBValue(c), 0x20 / 2, 1);
    EXPECT_GT(panel->Paints, 0);
    EXPECT_FALSE(panel->SkinData().BackgroundChanged);
}

TEST_F(SkinData, PublishedPropertiesByName)
{
    TsSkinManager* m = SmallManager();
    TSkinTestForm* f = NewForm();
    auto* p = Add<TSkinTestPanel>(f, 0, 0, 50, 50);
    TsCtrlSkinData& d = p->SkinData();
    SetStrProp(&d, L"SkinSection", L"glass");
    EXPECT_EQ(d.SkinSection(), L"GLASS");
    EXPECT_EQ(GetStrProp(&d, L"SkinSection"), L"GLASS");
    SetEnumProp(&d, L"CustomColor", L"True");
    EXPECT_TRUE(d.CustomColor());
    SetOrdProp(&d, L"HUEOffset", 30);
    EXPECT_EQ(d.HUEOffset(), 30);
    SetOrdProp(&d, L"Saturation", -5);
    EXPECT_EQ(GetOrdProp(&d, L"Saturation"), -5);
    // The default manager reads back as nil (not streamed); another one as itself.
    SetObjectProp(&d, L"SkinManager", m);
    EXPECT_EQ(GetObjectProp(&d, L"SkinManager"), nullptr);
    auto* other = new TsSkinManager(nullptr);
    managers.push_back(other);
    SetObjectProp(&d, L"SkinManager", other);
    EXPECT_EQ(GetObjectProp(&d, L"SkinManager"), other);
    EXPECT_EQ(d.SectionIndex, -1);   // the other manager has no skin
    // The plain skin data has no recolouring properties.
    TsCommonData plain(nullptr, false);
    EXPECT_FALSE(IsPublishedProp(&plain, L"HUEOffset"));
    EXPECT_TRUE(IsPublishedProp(&plain, L"SkinSection"));
}

TEST_F(SkinData, DefaultBackgroundFollowsTheSkin)
{
    EXPECT_EQ(DefaultBackgroundColor(), clBtnFace);   // no manager
    TsSkinManager* m = SmallManager(false);
    EXPECT_EQ(DefaultBackgroundColor(), clBtnFace);   // a manager without a skin
    m->SetSkinName(L"Small");
    EXPECT_EQ(DefaultBackgroundColor(), 0x808080);
    m->SetActive(false);
    EXPECT_EQ(DefaultBackgroundColor(), clBtnFace);
}

TEST_F(SkinData, PointerCommandsFromOtherThreadsAreIgnored)
{
    SmallManager();
    TSkinTestForm* f = NewForm();
    auto* p = Add<TSkinTestPanel>(f, 0, 0, 50, 50);
    f->Show();
    HWND h = p->Handle();
    // Pointers from another sender are neither written nor read (here they
    // happen to be valid, so a handler that trusted them would change them).
    std::atomic<int> done{0};
    LRESULT answers[3] = {-1, -1, -1};
    int foreignIndex = 77;
    TsBgRequest foreignRequest;
    TsSetSectionRecord foreignRecord;
    foreignRecord.SectionName = L"GLASS";
    std::thread other([&] {
        answers[0] = SendSkinCommand(h, SkinCmdGetSectionIndex, LPARAM(&foreignIndex));
        answers[1] = SendSkinCommand(h, SkinCmdGetBackground, LPARAM(&foreignRequest));
        answers[2] = SendSkinCommand(h, SkinCmdSetSection, LPARAM(&foreignRecord));
        done = 1;
    });
    for (int i = 0; i < 400 && !done; ++i)
        Pump(5);
    other.join();
    EXPECT_EQ(answers[0], 0);
    EXPECT_EQ(answers[1], 0);
    EXPECT_EQ(answers[2], 0);
    EXPECT_EQ(foreignIndex, 77);
    EXPECT_EQ(foreignRequest.Kind, bgNone);
    EXPECT_EQ(p->SkinData().SkinSection(), L"PANEL");
    // Questions without pointers are still answered.
    LRESULT skinned = -1;
    std::thread asker([&] { skinned = SendSkinCommand(h, SkinCmdIsSkinned, 0); });
    for (int i = 0; i < 400 && skinned == -1; ++i)
        Pump(5);
    asker.join();
    EXPECT_EQ(skinned, 1);
    // From this thread the same commands work.
    int index = -1;
    SendSkinCommand(h, SkinCmdGetSectionIndex, LPARAM(&index));
    EXPECT_GE(index, 0);
}
