// The common message handler of the per-control skin data on real windows:
// size, move, visibility and showing notifications, focus and UI-state
// messages, the parent-updated and transparency questions, the recolouring
// properties, the font section search, cached copies without the opaque
// children, and the glow shown while the mouse is over a control.
#include "tests/skin/SkinRuntimeFixture.h"

#include "skin/graphics/Bitmap32.h"
#include "skin/graphics/Glow.h"

using namespace skintest;

namespace {

using CommonMessages = SkinRuntime;

class TPlainBox : public TCustomControl {
    DECLARE_CLASS(TPlainBox, TCustomControl)
public:
    explicit TPlainBox(TComponent* o) : TCustomControl(o) {}
};

// A graphic child that says it is opaque.
class TOpaqueGraphic : public TGraphicControl {
    DECLARE_CLASS(TOpaqueGraphic, TGraphicControl)
public:
    explicit TOpaqueGraphic(TComponent* o) : TGraphicControl(o) { SetControlStyle(ControlStyle() | csOpaque); }
};

// What the glow windows need of a manager: one mask, margins of 4, painted grey.
class TTestGlowSkin : public TsGlowSkin {
public:
    int FindMaskIndex(const String& section, const String& mask) const override
    {
        lastSection = section;
        lastMask = mask;
        return 0;
    }
    RECT MaskMargins(int) const override { return {4, 4, 4, 4}; }
    void PaintMask(int, TBitmap* bmp) const override
    {
        for (int y = 0; y < bmp->Height(); ++y) {
            auto* row = reinterpret_cast<uint32_t*>(bmp->ScanLine(y));
            for (int x = 0; x < bmp->Width(); ++x)
                row[x] = 0x80808080u;
        }
    }
    bool Destroying() const override { return false; }
    mutable String lastSection, lastMask;
};

COLORREF Pixel(HDC dc, int x, int y) { return GetPixel(dc, x, y); }

void Fill(HDC dc, const RECT& r, COLORREF c)
{
    HBRUSH b = CreateSolidBrush(c);
    FillRect(dc, &r, b);
    DeleteObject(b);
}

}  // namespace

TEST_F(CommonMessages, SizeMoveAndParentMoved)
{
    TsSkinManager* m = SmallManager();
    TSkinTestForm* f = NewForm();
    auto* button = Add<TSkinTestButton>(f, 10, 10, 100, 100);   // a gradient section
    auto* inner = Add<TSkinTestPanel>(button, 5, 5, 40, 40);
    auto* glass = Add<TSkinTestPanel>(f, 150, 10, 60, 60);
    glass->SkinData().SetSkinSection(L"GLASS");
    auto* child = Add<TSkinTestGraphic>(glass, 2, 2, 10, 10);
    f->Show();
    Pump(30);
    ASSERT_EQ(button->SkinData().SectionIndex, m->FindSectionIndex(L"BUTTON"));
    // A resized gradient section tells its children that their background moved.
    button->SkinData().BackgroundChanged = false;
    int moved = inner->Commands.Count(SkinCmdParentMoved);
    button->SetBounds(10, 10, 120, 110);
    EXPECT_TRUE(button->SkinData().BackgroundChanged);
    EXPECT_GT(inner->Commands.Count(SkinCmdParentMoved), moved);
    // A plain panel does not.
    moved = child->Commands.Count(SkinCmdParentMoved);
    glass->SkinData().SetSkinSection(L"PANEL");
    glass->SetBounds(150, 10, 70, 70);
    EXPECT_EQ(child->Commands.Count(SkinCmdParentMoved), moved);
    // Moving a half-transparent control repaints it and passes the move on.
    glass->SkinData().SetSkinSection(L"GLASS");
    glass->SkinData().BackgroundChanged = false;
    EXPECT_TRUE(glass->SkinData().NeedsRepaintOnMove());
    glass->SetBounds(160, 20, 70, 70);
    EXPECT_TRUE(glass->SkinData().BackgroundChanged);
    EXPECT_GT(child->Commands.Count(SkinCmdParentMoved), moved);
    EXPECT_FALSE(inner->SkinData().NeedsRepaintOnMove());   // plain: its look does not depend on the place
}

TEST_F(CommonMessages, VisibilityShowingAndUiState)
{
    SmallManager();
    TSkinTestForm* f = NewForm();
    auto* panel = Add<TSkinTestPanel>(f, 10, 10, 100, 100);
    auto* child = Add<TSkinTestPanel>(panel, 10, 10, 30, 30);
    f->Show();
    Pump(30);
    ASSERT_FALSE(panel->SkinData().CacheBitmap->Empty());
    // Hidden: the cache goes, and the children drop theirs.
    panel->Hide();
    EXPECT_TRUE(panel->SkinData().CacheBitmap->Empty());
    EXPECT_EQ(child->Commands.Count(SkinCmdDropCache), 1);
    EXPECT_TRUE(panel->SkinData().BackgroundChanged);
    panel->SkinData().Updating = true;
    panel->Show();
    EXPECT_FALSE(panel->SkinData().Updating);
    // With the tracking switched off nothing happens.
    TrackVisibilityChanges = false;
    panel->SkinData().PrepareCacheBitmap();
    panel->Hide();
    EXPECT_FALSE(panel->SkinData().CacheBitmap->Empty());
    TrackVisibilityChanges = true;
    panel->Show();
    // The keyboard cues do not change a skinned look: swallowed.
    EXPECT_EQ(SendMessageW(panel->Handle(), WM_UPDATEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS), 0), 0);
    TMessage ui{WM_UPDATEUISTATE, 0, 0, 0};
    EXPECT_TRUE(HandleCommonMessage(ui, &panel->SkinData()));
    panel->SkinData().SetSkinSection(L"NOSUCH");
    EXPECT_FALSE(HandleCommonMessage(ui, &panel->SkinData()));
    // A new child window announces itself to the form.
    panel->SkinData().SetSkinSection(L"PANEL");
    int changed = f->Commands.Count(SkinCmdControlChanged);
    auto* late = Add<TPlainBox>(panel, 50, 50, 10, 10);
    late->HandleNeeded();
    EXPECT_GT(f->Commands.Count(SkinCmdControlChanged), changed);
}

TEST_F(CommonMessages, ParentUpdatedAndTransparencyQuestions)
{
    SmallManager();
    TSkinTestForm* f = NewForm();
    auto* panel = Add<TSkinTestPanel>(f, 10, 10, 200, 200);
    auto* glass = Add<TSkinTestPanel>(panel, 10, 10, 100, 100);
    glass->SkinData().SetSkinSection(L"GLASS");
    auto* g = Add<TSkinTestGraphic>(glass, 10, 10, 20, 20);
    auto* button = Add<TSkinTestButton>(panel, 120, 10, 60, 30);
    f->Show();
    Pump(30);
    // A control waiting for its parent repaints when the parent is done.
    glass->SkinData().Updating = true;
    SendSkinCommand(glass->Handle(), SkinCmdParentUpdated, 0);
    EXPECT_FALSE(glass->SkinData().Updating);
    EXPECT_EQ(g->Commands.Count(SkinCmdParentUpdated), 1);   // and on to its children
    // Transparency: half transparent asks its parent (a plain panel: 1), a gradient says 1,
    // a plain panel says 0.
    EXPECT_EQ(SendSkinCommand(panel->Handle(), SkinCmdIsTransparent, 0), 0);
    EXPECT_EQ(SendSkinCommand(button->Handle(), SkinCmdIsTransparent, 0), 1);
    EXPECT_EQ(SendSkinCommand(glass->Handle(), SkinCmdIsTransparent, 0), 0);
    panel->SkinData().SetSkinSection(L"BUTTON");
    EXPECT_EQ(SendSkinCommand(glass->Handle(), SkinCmdIsTransparent, 0), 1);
    // Without a section: not handled.
    panel->SkinData().SetSkinSection(L"NOSUCH");
    EXPECT_EQ(SendSkinCommand(panel->Handle(), SkinCmdIsTransparent, 0), 0);
    // A section change announced by name reaches the controls of that section only.
    ChangingSectionName = L"GLASS";
    SkinChanging = true;
    button->SkinData().BackgroundChanged = false;
    SendSkinCommand(button->Handle(), SkinCmdSectionChanged, 0);
    EXPECT_TRUE(SkinChanging);
    EXPECT_FALSE(button->SkinData().BackgroundChanged);
    glass->SkinData().BackgroundChanged = false;
    SendSkinCommand(glass->Handle(), SkinCmdSectionChanged, 0);
    EXPECT_FALSE(SkinChanging);
    EXPECT_TRUE(glass->SkinData().BackgroundChanged);
    ChangingSectionName.clear();
}

TEST_F(CommonMessages, CustomColoursAndRecolouring)
{
    TsSkinManager* m = SmallManager();
    TSkinTestForm* f = NewForm();
    auto* edit = Add<TSkinTestEdit>(f, 10, 10, 100, 24);
    f->Show();
    EXPECT_EQ(edit->Color(), 0xE0F0FF);
    edit->SkinData().SetCustomColor(true);
    edit->SetColor(0x00AA00);
    SendSkinCommand(edit->Handle(), SkinCmdRefresh, LPARAM(m));
    EXPECT_EQ(edit->Color(), 0x00AA00);   // kept
    EXPECT_EQ(edit->Font().Color(), 0x102030);
    edit->SkinData().SetCustomFont(true);
    edit->Font().SetColor(0x0000AA);
    m->SetActive(false);
    EXPECT_EQ(edit->Color(), 0x00AA00);    // a custom colour survives the removal too
    EXPECT_EQ(edit->Font().Color(), 0x0000AA);
    m->SetActive(true);
    edit->SkinData().SetCustomColor(false);
    edit->SkinData().SetCustomFont(false);
    EXPECT_EQ(edit->Color(), 0xE0F0FF);
    // The control's own hue offset and saturation apply to its colours.
    edit->SkinData().SetHUEOffset(120);
    EXPECT_EQ(edit->Color(), TColor(ChangeColorHue(0xE0F0FFu, 120)));
    EXPECT_NE(edit->Color(), 0xE0F0FF);
    edit->SkinData().SetHUEOffset(0);
    edit->SkinData().SetSaturation(-100);
    EXPECT_EQ(edit->Color(), TColor(ChangeColorSaturation(0xE0F0FFu, -100)));
    int r = GetRValue(edit->Color()), g = GetGValue(edit->Color()), b = GetBValue(edit->Color());
    EXPECT_LE(std::abs(r - g) + std::abs(g - b), 3);   // grey
}

TEST_F(CommonMessages, FontSectionSearch)
{
    TsSkinManager* m = SmallManager();
    TSkinTestForm* f = NewForm();
    auto* outer = Add<TSkinTestPanel>(f, 0, 0, 300, 300);
    outer->SkinData().SetSkinSection(L"FONTPANEL");
    auto* glass = Add<TSkinTestPanel>(outer, 10, 10, 200, 200);
    glass->SkinData().SetSkinSection(L"GLASS");
    auto* label = Add<TSkinTestGraphic>(glass, 10, 10, 50, 20);
    auto* plainChild = Add<TSkinTestGraphic>(outer, 250, 10, 20, 20);
    f->Show();
    int fontPanel = m->FindSectionIndex(L"FONTPANEL");
    // The half-transparent parent gives no font of its own... at 50 it is taken: GLASS has no own font.
    EXPECT_EQ(FindFontSectionIndex(label, -7, m, false), -7);
    // A parent that gives its own font.
    EXPECT_EQ(FindFontSectionIndex(plainChild, -7, m, false), fontPanel);
    // More transparent than 50: the search goes up a level.
    glass->SkinData().SetSkinSection(L"SPEEDBUTTON");   // transparency 100 (normal state)
    EXPECT_EQ(FindFontSectionIndex(label, -7, m, false), fontPanel);
    EXPECT_EQ(FindFontSectionIndex(label, -7, m, true), -7);   // its hot state is opaque
    EXPECT_EQ(FindFontSectionIndex(nullptr, -3, m, false), -3);
}

TEST_F(CommonMessages, CachedCopiesLeaveOpaqueChildrenOut)
{
    SmallManager();
    TSkinTestForm* f = NewForm();
    auto* panel = Add<TSkinTestPanel>(f, 0, 0, 100, 100);
    auto* box = Add<TPlainBox>(panel, 10, 10, 20, 20);          // windowed: cut out
    auto* opaque = Add<TOpaqueGraphic>(panel, 40, 10, 20, 20);  // opaque graphic: cut out
    auto* clear = Add<TSkinTestGraphic>(panel, 70, 10, 20, 20); // transparent graphic: painted over
    auto* hidden = Add<TPlainBox>(panel, 10, 50, 20, 20);
    hidden->Hide();
    f->Show();
    TsCommonData& d = panel->SkinData();
    d.PrepareCacheBitmap();
    Fill(d.CacheBitmap->Canvas().Handle(), {0, 0, 100, 100}, RGB(200, 0, 0));
    TBitmap target(100, 100, TPixelFormat::pf32bit);
    HDC dc = target.Canvas().Handle();
    Fill(dc, {0, 0, 100, 100}, RGB(255, 255, 255));
    RECT all{0, 0, 100, 100};
    CopyCacheExceptChildren(panel, &d, all, 0, 0, false, dc, all);
    EXPECT_EQ(Pixel(dc, 5, 5), RGB(200, 0, 0));
    EXPECT_EQ(Pixel(dc, 15, 15), RGB(255, 255, 255));   // the window's place
    EXPECT_EQ(Pixel(dc, 45, 15), RGB(255, 255, 255));   // the opaque graphic's place
    EXPECT_EQ(Pixel(dc, 75, 15), RGB(200, 0, 0));       // a transparent graphic shows the cache
    EXPECT_EQ(Pixel(dc, 15, 55), RGB(200, 0, 0));       // hidden children do not count
    // Without the graphic exclusion the opaque graphic's place is copied too.
    ExcludeGraphicChildren = false;
    Fill(dc, {0, 0, 100, 100}, RGB(255, 255, 255));
    CopyCacheExceptChildren(panel, &d, all, 0, 0, false, dc, all);
    EXPECT_EQ(Pixel(dc, 45, 15), RGB(200, 0, 0));
    ExcludeGraphicChildren = true;
    // Only the destination rectangle is touched.
    Fill(dc, {0, 0, 100, 100}, RGB(255, 255, 255));
    RECT part{50, 50, 80, 80};
    CopyCacheExceptChildren(panel, &d, part, 0, 0, false, dc, part);
    EXPECT_EQ(Pixel(dc, 60, 60), RGB(200, 0, 0));
    EXPECT_EQ(Pixel(dc, 40, 60), RGB(255, 255, 255));
    (void)box;
    (void)opaque;
    (void)clear;
}

TEST_F(CommonMessages, CachedCopiesOfChildWindowsAndGroupBoxes)
{
    SmallManager();
    TSkinTestForm* f = NewForm();
    auto* panel = Add<TSkinTestPanel>(f, 0, 0, 200, 120);
    f->Show();
    HWND h = panel->Handle();
    HWND plain = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 10, 10, 30, 30, h, nullptr, nullptr, nullptr);
    HWND group = CreateWindowExW(0, L"BUTTON", L"Group", WS_CHILD | WS_VISIBLE | BS_GROUPBOX, 60, 10, 120, 100, h,
                                 nullptr, nullptr, nullptr);
    TsCommonData& d = panel->SkinData();
    d.PrepareCacheBitmap();
    Fill(d.CacheBitmap->Canvas().Handle(), {0, 0, 200, 120}, RGB(0, 0, 200));
    TBitmap target(200, 120, TPixelFormat::pf32bit);
    HDC dc = target.Canvas().Handle();
    Fill(dc, {0, 0, 200, 120}, RGB(255, 255, 255));
    RECT all{0, 0, 200, 120};
    CopyCacheExceptChildWindows(h, &d, all, 0, 0, false, dc, all);
    EXPECT_EQ(Pixel(dc, 5, 5), RGB(0, 0, 200));
    EXPECT_EQ(Pixel(dc, 20, 20), RGB(255, 255, 255));    // a plain child window is cut out
    EXPECT_EQ(Pixel(dc, 120, 60), RGB(0, 0, 200));       // a group box's inside shows the cache
    EXPECT_EQ(Pixel(dc, 120, 12), RGB(255, 255, 255));   // its caption band does not
    EXPECT_EQ(Pixel(dc, 61, 60), RGB(255, 255, 255));    // nor its left strip
    EXPECT_EQ(Pixel(dc, 120, 108), RGB(255, 255, 255));  // nor its bottom strip
    DestroyWindow(plain);
    DestroyWindow(group);
}

TEST_F(CommonMessages, GlowWhileTheMouseIsOver)
{
    TsSkinManager* m = SmallManager();
    TSkinTestForm* f = NewForm();
    auto* b = Add<TSkinTestButton>(f, 50, 50, 80, 30);
    b->SkinData().SetSkinSection(L"SHINE");
    f->Show();
    Pump(30);
    TsCommonData& d = b->SkinData();
    // A painter that finds no glow mask: nothing happens.
    SkinHooks.GlowSkinOf = [&](TsSkinManager*) -> TsGlowSkin* { return nullptr; };
    SendMessageW(b->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(d.GlowHandle, -1);
    SendMessageW(f->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    TTestGlowSkin glowSkin;
    SkinHooks.GlowSkinOf = [&](TsSkinManager* mm) -> TsGlowSkin* { return mm == m ? &glowSkin : nullptr; };
    // The mouse really above the control.
    POINT centre = b->ClientToScreen({40, 15});
    SetCursorPos(centre.x, centre.y);
    Pump(20);
    POINT now{};
    GetCursorPos(&now);
    if (now.x != centre.x || now.y != centre.y)
        GTEST_SKIP() << "the cursor cannot be placed on this display";
    d.UpdateGlow(false);
    ASSERT_GE(d.GlowHandle, 0);
    EXPECT_EQ(glowSkin.lastSection, L"SHINE");
    int handle = d.GlowHandle;
    d.UpdateGlow(false);   // already shown: the same one
    EXPECT_EQ(d.GlowHandle, handle);
    // Moving the control releases it; so does suppressed hot tracking.
    b->SetBounds(60, 50, 80, 30);
    EXPECT_EQ(d.GlowHandle, -1);
    d.UpdateGlow(false);
    EXPECT_GE(d.GlowHandle, 0);
    // The mouse leaves: released.
    SetCursorPos(5, 5);
    Pump(20);
    d.UpdateGlow(false);
    EXPECT_EQ(d.GlowHandle, -1);
    HotTrackingSuppressed = true;
    SetCursorPos(centre.x + 10, centre.y);
    d.UpdateGlow(false);
    EXPECT_EQ(d.GlowHandle, -1);
    HotTrackingSuppressed = false;
}

TEST_F(CommonMessages, GlowFromTheSkinsOwnMask)
{
    TsSkinManager* m = SmallManager();
    TSkinTestForm* f = NewForm();
    auto* b = Add<TSkinTestButton>(f, 50, 50, 80, 30);
    b->SkinData().SetSkinSection(L"SHINE");
    f->Show();
    Pump(30);
    EXPECT_GE(m->GlowSkin()->FindMaskIndex(L"SHINE", L"GLOW0"), 0);
    EXPECT_EQ(m->GlowSkin()->FindMaskIndex(L"PANEL", L"GLOW0"), -1);
    RECT margins = m->GlowSkin()->MaskMargins(m->GlowSkin()->FindMaskIndex(L"SHINE", L"GLOW0"));
    EXPECT_EQ(margins.left, 4);
    EXPECT_EQ(margins.bottom, 4);
    POINT centre = b->ClientToScreen({40, 15});
    SetCursorPos(centre.x, centre.y);
    Pump(20);
    TsCommonData& d = b->SkinData();
    d.UpdateGlow(false);
    ASSERT_GE(d.GlowHandle, 0);
    TkvGlowEffect* e = TkvGlowEffects()[size_t(d.GlowHandle)];
    ASSERT_NE(e, nullptr);
    ASSERT_NE(e->GlowForm, nullptr);
    EXPECT_TRUE(IsWindowVisible(e->GlowForm->Handle()));
    // The glow goes with the manager.
    DestroyManager(m);
    Pump(20);
    for (TkvGlowEffect* g : TkvGlowEffects())
        EXPECT_EQ(g, nullptr);
    EXPECT_EQ(d.GlowHandle, -1);
    SetCursorPos(5, 5);
}

TEST_F(CommonMessages, ContextMenuGoesToTheSkinnedMenus)
{
    TsSkinManager* m = SmallManager();
    TSkinTestForm* f = NewForm();
    auto* panel = Add<TSkinTestPanel>(f, 0, 0, 100, 100);
    f->Show();
    std::vector<std::pair<TControl*, bool>> prepared;
    SkinHooks.PrepareContextMenu = [&](TControl* c, bool active) { prepared.push_back({c, active}); };
    SendMessageW(panel->Handle(), WM_CONTEXTMENU, WPARAM(panel->Handle()), MAKELPARAM(10, 10));
    ASSERT_EQ(prepared.size(), 1u);
    EXPECT_EQ(prepared[0].first, panel);
    EXPECT_TRUE(prepared[0].second);
    m->SetActive(false);
    SendMessageW(panel->Handle(), WM_CONTEXTMENU, WPARAM(panel->Handle()), MAKELPARAM(10, 10));
    ASSERT_EQ(prepared.size(), 2u);
    EXPECT_FALSE(prepared[1].second);   // plain menus while the manager is off
}
