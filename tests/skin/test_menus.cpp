// The skinned menus without menu windows: item kinds and sizes, the popup's
// size with columns, the extra line, items painted into a memory DC over a
// skin of known colours, attaching and detaching, and the popup picture cache.
#include "tests/skin/SkinRuntimeFixture.h"

#include "classlib/Menus.h"
#include "skin/core/MenuWindows.h"
#include "skin/core/SkinMenus.h"

using namespace skintest;

namespace {

constexpr uint32_t kMainMenu = 0x405060, kIcoLine = 0x808000, kItemHot = 0x30C0F0, kCaption = 0x00A000,
                   kExtra = 0x0000C0, kLine = 0x604020;

// Menu sections with plain colours and no masks.
std::string MenuOptions(const std::string& mainMenuMask = "")
{
    auto dec = [](uint32_t v) { return std::to_string(v); };
    return "[GLOBALINFO]\r\nVERSION=8.50\r\nMASTERBITMAP=MASTER.BMP\r\nCOLOR=" + dec(0x808080) + "\r\n"
           "[MAINMENU]\r\nCOLOR=" + dec(kMainMenu) + "\r\nFONTCOLOR=0\r\nSTATES=1\r\n" +
           (mainMenuMask.empty() ? std::string() : "BORDERSMASK=" + mainMenuMask + "\r\n") +
           "[MENUITEM]\r\nCOLOR=16777215\r\nFONTCOLOR=0\r\nSTATES=2\r\nTRANSPARENCY=100\r\nHOTTRANSPARENCY=0\r\n"
           "HOTCOLOR=" + dec(kItemHot) + "\r\nHOTFONTCOLOR=16777215\r\n"
           "[ICOLINE]\r\nCOLOR=" + dec(kIcoLine) + "\r\nSTATES=1\r\n"
           "[MENUCAPTION]\r\nCOLOR=" + dec(kCaption) + "\r\nFONTCOLOR=0\r\nSTATES=1\r\n"
           "[EXTRALINE]\r\nCOLOR=" + dec(kExtra) + "\r\nFONTCOLOR=16777215\r\nSTATES=1\r\n"
           "[MENULINE]\r\nCOLOR=" + dec(kLine) + "\r\nFONTCOLOR=0\r\nSTATES=1\r\n";
}

TMenuItem* NewItem(TMenuItem* parent, const String& caption)
{
    auto* item = new TMenuItem();
    item->SetCaption(caption);
    parent->Add(item);
    return item;
}

// A canvas on a memory DC with a picture to paint into.
struct MemoryCanvas {
    explicit MemoryCanvas(int w = 300, int h = 60) : bmp(w, h, TPixelFormat::pf32bit) {}
    TBitmap bmp;
    TCanvas& Canvas() { return bmp.Canvas(); }
    uint32_t Pixel(int x, int y) { return uint32_t(GetPixel(bmp.Canvas().Handle(), x, y)) & 0xFFFFFF; }
};

class SkinnedMenus : public SkinRuntime {
protected:
    void SetUp() override
    {
        SkinRuntime::SetUp();
        dir.WriteFile(L"Menus\\Options.dat", MenuOptions());
        dir.WriteFile(L"Menus\\MASTER.BMP", Master(16, 16, 0x3060C0));
    }
    TsSkinManager* MenuManager()
    {
        TsSkinManager* m = SmallManager(false);
        m->SetSkinName(L"Menus");
        return m;
    }
    // The height DrawText gives the text in the menu font, as the items measure it.
    static int TextHeight(const String& text)
    {
        MemoryCanvas c;
        GetMenuFont(c.Canvas().Font());
        RECT r{0, 0, 800, 0};
        c.Canvas().DrawText(text, r, DT_CALCRECT | DT_NOCLIP | DT_EXPANDTABS | DT_WORDBREAK);
        return r.bottom - r.top;
    }
    static int TextWidth(const String& text, int width)
    {
        MemoryCanvas c;
        GetMenuFont(c.Canvas().Font());
        RECT r{0, 0, width, 0};
        c.Canvas().DrawText(text, r, DT_CALCRECT | DT_NOCLIP | DT_EXPANDTABS | DT_WORDBREAK);
        return r.right - r.left;
    }
};

}  // namespace

TEST_F(SkinnedMenus, ItemKindsHeightsAndWidths)
{
    TsSkinManager* m = MenuManager();
    TsSkinableMenus& menus = m->SkinableMenus();
    TPopupMenu popup(nullptr);
    struct Row {
        const wchar_t* caption;
        TShortCut shortCut;
        TsMenuItemType type;
    };
    const Row rows[] = {
        {L"-", 0, TsMenuItemType::smDivider},
        {L"-Раздел-", 0, TsMenuItemType::smCaption},
        {L"-Без конца", 0, TsMenuItemType::smNormal},
        {L"Конец-", 0, TsMenuItemType::smNormal},
        {L"Открыть", ShortCut('O', ssCtrl), TsMenuItemType::smNormal},
    };
    const int M = menus.Margin, S = menus.Spacing, glyph = 16;
    for (const Row& r : rows) {
        TMenuItem* item = NewItem(popup.Items(), r.caption);
        item->SetShortCut(r.shortCut);
        EXPECT_EQ(TsSkinableMenus::ItemType(item), r.type) << r.caption;
        MemoryCanvas c;
        int w = 0, h = 0;
        menus.MeasureMenuItem(item, c.Canvas(), w, h);
        String text = r.caption;
        switch (r.type) {
        case TsMenuItemType::smDivider:
            EXPECT_EQ(h, 2);
            EXPECT_EQ(w, 2 * glyph + 3 * M + S);
            break;
        case TsMenuItemType::smCaption:
            EXPECT_EQ(h, TextHeight(text) + 2 * M + 3) << r.caption;
            EXPECT_EQ(w, TextWidth(L"-" + text + L"-", 1) + 2 * glyph + 3 * M + S) << r.caption;
            break;
        default:
            text += ShortCutToText(r.shortCut);
            EXPECT_EQ(h, std::max(TextHeight(text), glyph) + 2 * M + 2) << r.caption;
            EXPECT_EQ(w, TextWidth(text, 800) + 2 * glyph + 3 * M + S) << r.caption;
        }
    }
    // A bigger picture makes the row taller.
    TMenuItem* pictured = NewItem(popup.Items(), L"С картинкой");
    pictured->Bitmap().SetSize(40, 40);
    MemoryCanvas c;
    EXPECT_EQ(menus.ItemHeight(pictured, c.Canvas()), 40 + 2 * M + 2);
}

// The extra line: only in the first column, never on the skin list, only
// when in use and visible; the popup's width sums its columns.
TEST_F(SkinnedMenus, ExtraLineAndColumns)
{
    TsSkinManager* m = MenuManager();
    TsSkinableMenus& menus = m->SkinableMenus();
    struct Row {
        bool useExtraLine;
        bool handlerVisible;
        const wchar_t* firstName;
        bool lineExpected;
    };
    const Row rows[] = {
        {true, true, L"", true},
        {true, false, L"", false},
        {false, true, L"", false},
        {true, true, L"SkinSelectItem", false},
    };
    for (const Row& r : rows) {
        m->MenuSupport.UseExtraLine = r.useExtraLine;
        int asked = 0;
        m->OnGetMenuExtraLineData = [&](TMenuItem*, String& section, String& caption, TBitmap*&, bool& visible) {
            ++asked;
            caption = L"&Меню";
            visible = r.handlerVisible;
        };
        TPopupMenu popup(nullptr);
        std::vector<TMenuItem*> items;
        for (const wchar_t* caption : {L"Один", L"Два", L"Три", L"Четыре", L"Пять"})
            items.push_back(NewItem(popup.Items(), caption));
        items[0]->SetName(r.firstName);
        items[3]->SetBreak(TMenuBreak::mbBreak);
        int extra = r.lineExpected ? m->MenuSupport.ExtraLineWidth : 0;
        MemoryCanvas c;
        std::vector<int> widths, plain;
        for (TMenuItem* i : items) {
            int w = 0, h = 0;
            menus.MeasureMenuItem(i, c.Canvas(), w, h);
            widths.push_back(w);
            plain.push_back(menus.ItemWidth(i, c.Canvas()) - (TsSkinableMenus::InFirstColumn(i) ? extra : 0));
        }
        for (size_t i = 0; i < items.size(); ++i)
            EXPECT_EQ(widths[i], plain[i] + (i < 3 ? extra : 0)) << i;
        int first = *std::max_element(widths.begin(), widths.begin() + 3);
        int second = *std::max_element(widths.begin() + 3, widths.end());
        EXPECT_EQ(menus.PopupWidth(popup.Items(), c.Canvas()), first + 12 + second + 12 + 4);
        int h0 = 0, h3 = 0, h4 = 0;
        for (int i : {0, 1, 2}) h0 += menus.ItemHeight(items[size_t(i)], c.Canvas());
        h3 = menus.ItemHeight(items[3], c.Canvas());
        h4 = menus.ItemHeight(items[4], c.Canvas());
        EXPECT_EQ(menus.PopupHeight(popup.Items(), c.Canvas()), std::max(h0, h3 + h4));
        if (String(r.firstName) == L"SkinSelectItem") {
            EXPECT_EQ(asked, 0);
        }
    }
}

// A border mask without a margin still gives the popup a border of 3.
TEST_F(SkinnedMenus, MainMenuMaskWithoutMarginGivesBorderThree)
{
    dir.WriteFile(L"Masked\\Options.dat", MenuOptions("^0000,0000,0016,0016,0005,0005,0005,0005,1,0,0,0"));
    dir.WriteFile(L"Masked\\MASTER.BMP", Master(16, 16, 0x3060C0));
    TsSkinManager* m = SmallManager(false);
    m->SetSkinName(L"Masked");
    int mask = m->FindMaskIndex(m->FindSectionIndex(L"MAINMENU"), L"MAINMENU", L"BORDERSMASK");
    ASSERT_TRUE(m->IsMaskIndexValid(mask));
    m->ma()[size_t(mask)].MarginLeft = 0;
    m->SkinableMenus().ResetSkinBorderWidth();
    EXPECT_EQ(m->SkinableMenus().SkinBorderWidth(), 3);
}

// Items painted into a memory DC over the popup picture: each layer shows
// its section's colour where nothing else is drawn.
TEST_F(SkinnedMenus, ItemsPaintTheirSections)
{
    TsSkinManager* m = MenuManager();
    TsSkinableMenus& menus = m->SkinableMenus();
    ASSERT_TRUE(menus.Active());
    m->MenuSupport.UseExtraLine = true;
    m->OnGetMenuExtraLineData = [](TMenuItem*, String&, String& caption, TBitmap*&, bool& visible) {
        caption = L"";
        visible = true;
    };
    TPopupMenu popup(nullptr);
    TMenuItem* normal = NewItem(popup.Items(), L"Открыть");
    TMenuItem* caption = NewItem(popup.Items(), L"-Раздел-");
    TMenuItem* divider = NewItem(popup.Items(), L"-");
    NewItem(popup.Items(), L"Закрыть");
    MemoryCanvas mc;
    TsPopupCacheEntry* entry = menus.GetPopupBitmap(normal, nullptr, &mc.Canvas());
    ASSERT_NE(entry, nullptr);
    ASSERT_TRUE(entry->ExtraLine);
    EXPECT_EQ(entry->Picture->Width(), menus.PopupWidth(popup.Items(), mc.Canvas()) + 2 * menus.BorderWidth);
    const int extra = m->MenuSupport.ExtraLineWidth;
    const int glyphColumn = menus.Margin + 16 + menus.Spacing;
    struct Row {
        TMenuItem* item;
        TOwnerDrawState state;
        int x, y;            // in the item, counted from the item's left edge after the extra line
        uint32_t expected;   // 0x00BBGGRR
    };
    const Row rows[] = {
        {normal, odSelected, 2, 1, kItemHot},                      // the hot item over the icon column
        {normal, 0, 2, 1, kIcoLine},                               // a normal item shows the icon column...
        {normal, 0, glyphColumn + 2, 1, kMainMenu},                // ...and the popup's background
        {caption, 0, 3, 2, kCaption},                              // the caption band
        {divider, 0, glyphColumn + 2, 1, kMainMenu},               // under the divider line
        {divider, 0, glyphColumn + 4, 0, uint32_t(GetSysColor(COLOR_BTNSHADOW))},   // its line
    };
    for (const Row& r : rows) {
        MemoryCanvas out(200, 40);
        RECT rect{0, 0, 200, 20};
        if (r.item == divider) rect.bottom = 2;
        menus.PaintItemOver(r.item, out.Canvas(), rect, r.state, *entry);
        EXPECT_EQ(out.Pixel(r.x + extra, r.y), r.expected) << r.item->Caption() << " state " << r.state;
    }
    // The first item also copies the extra line column.
    MemoryCanvas out(200, 40);
    menus.PaintItemOver(normal, out.Canvas(), RECT{0, 0, 200, 20}, 0, *entry);
    EXPECT_EQ(out.Pixel(extra / 2, 30), kExtra);
}

// Attached handlers without an active skin (a load that failed) still draw
// the caption, plainly.
TEST_F(SkinnedMenus, AttachedItemWithoutSkinDrawsPlainly)
{
    TsSkinManager* m = SmallManager(false);   // no skin loaded
    TsSkinableMenus& menus = m->SkinableMenus();
    ASSERT_FALSE(menus.Active());
    TPopupMenu popup(nullptr);
    TMenuItem* item = NewItem(popup.Items(), L"Сохранить");
    MemoryCanvas out(200, 24);
    out.Canvas().Brush().SetColor(TColor(0x00FF00));
    out.Canvas().FillRect(RECT{0, 0, 200, 24});
    menus.PaintMenuItem(item, out.Canvas(), RECT{0, 0, 200, 24}, 0);
    uint32_t back = GetSysColor(COLOR_MENU);
    EXPECT_EQ(out.Pixel(1, 1), back);
    int ink = 0;
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 200; ++x)
            ink += out.Pixel(x, y) != back;
    EXPECT_GT(ink, 10);   // the caption's pixels
}

// Attaching sets the skinned handlers only where an item has none, on the
// menu line the line's handlers; detaching removes only the skinned ones.
TEST_F(SkinnedMenus, AttachAndDetach)
{
    TsSkinManager* m = MenuManager();
    TsSkinableMenus& menus = m->SkinableMenus();
    TMainMenu line(nullptr);
    TMenuItem* file = NewItem(line.Items(), L"Файл");
    TMenuItem* open = NewItem(file, L"Открыть");
    TMenuItem* own = NewItem(file, L"Своё");
    TPopupMenu popup(nullptr);
    TMenuItem* copy = NewItem(popup.Items(), L"Копировать");
    TMenuMeasureItemEvent mine = [](TObject*, TCanvas&, int& w, int& h) { w = h = 5; };
    own->OnMeasureItem = mine;
    menus.AttachAllMenus(true);
    EXPECT_TRUE(line.OwnerDraw());
    EXPECT_TRUE(popup.OwnerDraw());
    EXPECT_TRUE(popup.MenuAnimation & maNone);
    EXPECT_TRUE(file->OnMeasureItem == TMenuMeasureItemEvent(&menus, &TsSkinableMenus::MeasureMenuLineItem));
    EXPECT_TRUE(open->OnMeasureItem == TMenuMeasureItemEvent(&menus, &TsSkinableMenus::MeasureMenuItem));
    EXPECT_TRUE(copy->OnAdvancedDrawItem == TAdvancedMenuDrawItemEvent(&menus, &TsSkinableMenus::PaintMenuItem));
    EXPECT_TRUE(own->OnMeasureItem == mine);
    menus.AttachAllMenus(false);
    EXPECT_FALSE(line.OwnerDraw());
    EXPECT_FALSE(popup.OwnerDraw());
    EXPECT_FALSE(open->OnMeasureItem);
    EXPECT_FALSE(file->OnAdvancedDrawItem);
    EXPECT_TRUE(own->OnMeasureItem == mine);
}

// The popup pictures are of one skin: a skin change empties the cache, and
// freeing a popup's first item drops its picture.
TEST_F(SkinnedMenus, PopupPictureCacheFollowsSkinAndItems)
{
    TsSkinManager* m = MenuManager();
    TsSkinableMenus& menus = m->SkinableMenus();
    FreePopupBitmapCache();
    TPopupMenu a(nullptr), b(nullptr);
    TMenuItem* a1 = NewItem(a.Items(), L"А");
    NewItem(a.Items(), L"Б");
    TMenuItem* b1 = NewItem(b.Items(), L"В");
    MemoryCanvas c;
    ASSERT_NE(menus.GetPopupBitmap(a1, nullptr, &c.Canvas()), nullptr);
    ASSERT_NE(menus.GetPopupBitmap(b1, nullptr, &c.Canvas()), nullptr);
    EXPECT_EQ(PopupBitmapCacheCount(), 2);
    EXPECT_EQ(menus.GetPopupBitmap(a.Items()->Items(1), nullptr, nullptr), FindPopupCacheEntry(a1));
    b.Items()->Delete(0);
    EXPECT_EQ(PopupBitmapCacheCount(), 1);
    EXPECT_NE(FindPopupCacheEntry(a1), nullptr);
    m->SetSkinName(L"Small");
    EXPECT_EQ(PopupBitmapCacheCount(), 0);
    ASSERT_NE(menus.GetPopupBitmap(a1, nullptr, &c.Canvas()), nullptr);
    m->SetActive(false);
    EXPECT_EQ(PopupBitmapCacheCount(), 0);
}

// The menu line as a provider paints it into its picture: items side by side,
// each as wide as its caption plus the margins, over the menu-line section;
// the hot item in the selected colour.
TEST_F(SkinnedMenus, MenuLinePaintedIntoAPicture)
{
    TsSkinManager* m = MenuManager();
    TsSkinableMenus& menus = m->SkinableMenus();
    TMainMenu line(nullptr);
    for (const wchar_t* c : {L"&Файл", L"Правка", L"Справка"})
        NewItem(line.Items(), c);
    NewItem(line.Items(), L"Скрыто")->SetVisible(false);
    RECT strip{10, 30, 400, 50};
    std::vector<RECT> rects = menus.MenuLineItemRects(&line, strip);
    ASSERT_EQ(rects.size(), 3u);
    EXPECT_EQ(rects[0].left, strip.left);
    for (size_t i = 0; i < rects.size(); ++i) {
        String caption = line.Items()->Items(int(i))->Caption();
        caption.erase(std::remove(caption.begin(), caption.end(), L'&'), caption.end());
        MemoryCanvas c;
        GetMenuFont(c.Canvas().Font());
        EXPECT_EQ(rects[i].right - rects[i].left, c.Canvas().TextWidth(caption) + 2 * menus.Margin);
        if (i > 0) {
            EXPECT_EQ(rects[i].left, rects[i - 1].right);
        }
    }
    MemoryCanvas out(420, 60);
    menus.PaintMenuLine(&line, out.Canvas(), strip, 1);
    EXPECT_EQ(out.Pixel(rects[0].left + 1, rects[0].top + 1), kLine);
    EXPECT_EQ(out.Pixel(rects[1].left + 1, rects[1].top + 1), kItemHot);
    EXPECT_EQ(out.Pixel(rects[2].left + 1, rects[2].top + 1), kLine);
}

// A caption longer than the 800 px it is measured in is wrapped there, and
// painted as it was measured: its lines fill the item from top to bottom
// (one line would sit in the middle of the tall item and be cut off).
TEST_F(SkinnedMenus, LongCaptionPaintedWrappedAsMeasured)
{
    TsSkinManager* m = MenuManager();
    TsSkinableMenus& menus = m->SkinableMenus();
    TPopupMenu popup(nullptr);
    String caption;
    for (int i = 0; i < 40; ++i)
        caption += L"слово" + std::to_wstring(i) + L" ";
    TMenuItem* item = NewItem(popup.Items(), caption);
    MemoryCanvas measure;
    int w = 0, h = 0;
    menus.MeasureMenuItem(item, measure.Canvas(), w, h);
    ASSERT_GT(h, 3 * TextHeight(L"слово"));   // three lines at least
    TsPopupCacheEntry* entry = menus.GetPopupBitmap(item, nullptr, &measure.Canvas());
    ASSERT_NE(entry, nullptr);
    MemoryCanvas out(w, h);
    menus.PaintItemOver(item, out.Canvas(), RECT{0, 0, w, h}, 0, *entry);
    // The rows holding the caption's (black) pixels, right of the icon column.
    int first = -1, last = -1;
    for (int y = 0; y < h; ++y)
        for (int x = menus.Margin * 2 + menus.Spacing + 16; x < w; ++x) {
            uint32_t p = out.Pixel(x, y);
            if ((p & 0xFF) + ((p >> 8) & 0xFF) + ((p >> 16) & 0xFF) < 80) {
                if (first < 0) first = y;
                last = y;
                break;
            }
        }
    EXPECT_GE(first, 0);
    EXPECT_LT(first, h / 4) << "of " << h;
    EXPECT_GE(last, h - h / 4) << "of " << h;
}
