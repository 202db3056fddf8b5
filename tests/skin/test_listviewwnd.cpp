// The list-view wrapper on real windows under the sample skin: the column
// header painted from the skin in its normal and pressed states (none pressed
// on a divider), no stream of header paints while idle, the skin's colours
// on and off, and a picture of a form with the skinned scrolling controls.
#include "tests/skin/WrapperFixture.h"

#include <commctrl.h>

#include <memory>

#include "classlib/ListControls.h"
#include "classlib/ListView.h"
#include "classlib/Subclass.h"
#include "skin/controls/EditWnd.h"
#include "skin/controls/ListViewWnd.h"
#include "skin/core/MaskPaintBitmap.h"

using namespace skintest;

namespace {

class ListViewWrapper : public OwnDataWrappers {
protected:
    ListViewWrapper() : OwnDataWrappers(520, 360) {}
    template <class W>
    W* Wrap(TWinControl* c)
    {
        return WrapWithOwnData<W>(c, L"", 30);
    }
    TListView* ReportView(int x, int y, int w, int h)
    {
        auto* lv = Add<TListView>(form, x, y, w, h);
        lv->SetViewStyle(TViewStyle::vsReport);
        lv->AddColumn(L"Name", 90);
        lv->AddColumn(L"Size", 70)->SetAlignment(TAlignment::taRightJustify);
        lv->AddColumn(L"Kind", 80)->SetSortGlyph(TSortGlyph::sgDown);
        for (int i = 0; i < 40; ++i) {
            TListItem* it = lv->AddItem(L"file " + std::to_wstring(i));
            it->SetSubItem(0, std::to_wstring(i * 17) + L" KB");
            it->SetSubItem(1, i % 2 ? L"text" : L"picture");
        }
        return lv;
    }
    // What the header painter draws for a column of a size in a state: a
    // rendering of the COLHEADER section made now.
    COLORREF ColumnFill(int w, int h, int state)
    {
        int section = manager->FindSectionIndex(L"COLHEADER");
        TBitmap bmp(w, h, TPixelFormat::pf32bit);
        PaintSkinItem(section, L"COLHEADER", EmptyBgCacheInfo, -1, -1, manager, &bmp, POINT{0, 0}, RECT{0, 0, w, h},
                      state, 0);
        GdiFlush();
        return At(bmp, 2, h / 2);
    }
    RECT Column(HWND header, int i)
    {
        RECT r{};
        SendMessageW(header, HDM_GETITEMRECT, WPARAM(i), LPARAM(&r));
        return r;
    }
};

}  // namespace

// In the report view the header shows the COLHEADER section; a press on a
// column shows it pressed until the button comes up, a press on a divider
// presses none.
TEST_F(ListViewWrapper, HeaderShowsTheSkinAndThePressedColumn)
{
    TListView* lv = ReportView(20, 20, 300, 200);
    auto* w = Wrap<TkvListViewWnd>(lv);
    ASSERT_EQ(w->ViewStyle(), 3);
    HWND header = w->HeaderHandle;
    ASSERT_NE(header, nullptr);
    ASSERT_EQ(header, lv->HeaderHandle());
    RedrawWindow(header, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    Pump(30);
    RECT c0 = Column(header, 0), c1 = Column(header, 1);
    int h = c0.bottom - c0.top;
    const COLORREF normal = ColumnFill(c0.right - c0.left, h, 0);
    const COLORREF pressed = ColumnFill(c1.right - c1.left, h, 2);
    ASSERT_NE(normal, pressed);
    EXPECT_EQ(normal, ColorToRGB(manager->gd()[size_t(manager->FindSectionIndex(L"COLHEADER"))].Props[0].Color));

    // Hot under the mouse; the mouse over the list takes it away.
    POINT over{(c0.left + c0.right) / 2, h / 2};
    ClientToScreen(header, &over);
    SendMessageW(header, WM_NCHITTEST, 0, MAKELPARAM(over.x, over.y));
    Pump(30);
    EXPECT_EQ(w->HotColumn, 0);
    EXPECT_EQ(At(*ClientShot(header), c0.left + 2, h / 2), ColumnFill(c0.right - c0.left, h, 1));
    RECT lr;
    GetWindowRect(lv->Handle(), &lr);
    SendMessageW(lv->Handle(), WM_NCHITTEST, 0, MAKELPARAM(lr.left + 40, lr.bottom - 40));
    Pump(30);
    EXPECT_EQ(w->HotColumn, -1);
    EXPECT_EQ(At(*ClientShot(header), c0.left + 2, h / 2), normal);

    struct Row {
        const char* what;
        int x;           // where the button goes down, header client coordinates
        int pressedCol;  // -1: none
    } rows[] = {{"on the second column", (c1.left + c1.right) / 2, 1},
                {"on the divider after the first", c0.right - 1, -1}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        auto before = ClientShot(header);
        EXPECT_EQ(At(*before, c0.left + 2, h / 2), normal);
        EXPECT_EQ(At(*before, c1.left + 2, h / 2), normal);
        SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.x, h / 2));
        Pump(30);
        EXPECT_EQ(w->PressedHeaderColumn, r.pressedCol);
        auto down = ClientShot(header);
        // Column 0 and 1 as the press left them (a divider press may size a column).
        RECT d0 = Column(header, 0), d1 = Column(header, 1);
        EXPECT_EQ(At(*down, d0.left + 2, h / 2), normal);
        EXPECT_EQ(At(*down, d1.left + 2, h / 2), r.pressedCol == 1 ? pressed : normal);
        SendMessageW(header, WM_LBUTTONUP, 0, MAKELPARAM(r.x, h / 2));
        Pump(30);
        auto up = ClientShot(header);
        EXPECT_EQ(At(*up, d1.left + 2, h / 2), normal);
        EXPECT_EQ(w->PressedHeaderColumn, -1);
    }
}

// Dragging the skinned thumb of a report view scrolls it line by line while
// the button is down, and the bar follows.
TEST_F(ListViewWrapper, ThumbDragScrollsTheReportViewWhileDragging)
{
    TListView* lv = ReportView(20, 20, 300, 200);
    auto* w = Wrap<TkvListViewWnd>(lv);
    HWND h = lv->Handle();
    RECT bar = w->VertBarRect();
    scrollgeo::BarLayout l = ScrollBarLayout(*w->VertBar, bar.bottom - bar.top, manager);
    ASSERT_TRUE(l.ThumbFits);
    POINT grab{(bar.left + bar.right) / 2, bar.top + l.ThumbStart + l.ThumbSize / 2};
    SetCursorPos(grab.x, grab.y);
    SendMessageW(h, WM_NCLBUTTONDOWN, HTVSCROLL, MAKELPARAM(grab.x, grab.y));
    int lastTop = int(SendMessageW(h, LVM_GETTOPINDEX, 0, 0));
    for (int dy = 15; dy <= 45; dy += 15) {
        POINT p{grab.x, grab.y + dy};
        SetCursorPos(p.x, p.y);
        ScreenToClient(h, &p);
        SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(p.x, p.y));
        Pump(0);
        int top = int(SendMessageW(h, LVM_GETTOPINDEX, 0, 0));
        EXPECT_GT(top, lastTop) << dy;
        // One bar unit is one line of the report view.
        EXPECT_EQ(GetScrollPos(h, SB_VERT), top) << dy;
        EXPECT_EQ(w->VertBar->Info.nPos, top) << dy;
        lastTop = top;
    }
    POINT up{grab.x, grab.y + 45};
    ScreenToClient(h, &up);
    SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(up.x, up.y));
    Pump(20);
    EXPECT_EQ(int(SendMessageW(h, LVM_GETTOPINDEX, 0, 0)), lastTop);
    SetCursorPos(0, 0);
}

// Painting the header validates it: over one idle second it is painted at
// most a couple of times, not again and again.
TEST_F(ListViewWrapper, NoStreamOfHeaderPaints)
{
    TListView* lv = ReportView(20, 20, 300, 200);
    auto* w = Wrap<TkvListViewWnd>(lv);
    ASSERT_NE(w->HeaderHandle, nullptr);
    auto counter = std::make_unique<PaintCounter>();
    ASSERT_TRUE(counter->Hook(w->HeaderHandle));
    InvalidateRect(w->HeaderHandle, nullptr, TRUE);
    Pump(100);
    EXPECT_GE(counter->paints, 1);   // the invalidation was painted
    counter->paints = 0;
    Pump(1000);
    EXPECT_LE(counter->paints, 2);
    counter->Unhook();
}

// The skin's colours reach the list view through its own messages and go
// back when the skin goes, with the header given back; they come again with
// the skin.
TEST_F(ListViewWrapper, ColourRoundTrip)
{
    TListView* lv = ReportView(20, 20, 300, 200);
    const TColor own = RGBColor(250, 240, 200);
    lv->SetColor(own);
    auto* w = Wrap<TkvListViewWnd>(lv);
    HWND h = lv->Handle();
    auto skinColours = [&] {
        const TsGeneralData& edit = manager->gd()[size_t(manager->FindSectionIndex(L"EDIT"))];
        EXPECT_EQ(COLORREF(SendMessageW(h, LVM_GETBKCOLOR, 0, 0)), COLORREF(edit.Props[0].Color));
        EXPECT_EQ(COLORREF(SendMessageW(h, LVM_GETTEXTCOLOR, 0, 0)), COLORREF(edit.Props[0].FontColor));
        EXPECT_EQ(w->HeaderHandle, lv->HeaderHandle());
    };
    SendMessageW(h, SkinCommandMessage, MAKEWPARAM(0, SkinCmdRefresh), LPARAM(manager));
    Pump(20);
    skinColours();

    manager->SetActive(false);
    SendMessageW(h, SkinCommandMessage, MAKEWPARAM(0, SkinCmdRemoveSkin), LPARAM(manager));
    Pump(50);
    EXPECT_EQ(COLORREF(SendMessageW(h, LVM_GETBKCOLOR, 0, 0)), ColorToRGB(own));
    EXPECT_EQ(lv->Color(), own);
    EXPECT_EQ(w->HeaderHandle, nullptr);

    manager->SetActive(true);
    ASSERT_TRUE(manager->SkinData().Active);
    SendMessageW(h, SkinCommandMessage, MAKEWPARAM(0, SkinCmdNewSkin), LPARAM(manager));
    SendMessageW(h, SkinCommandMessage, MAKEWPARAM(0, SkinCmdRefresh), LPARAM(manager));
    Pump(50);
    skinColours();
}

// A form with a skinned edit, memo, list box and list view (report view, a
// sorted column, the second column pressed), saved for looking at.
TEST_F(ListViewWrapper, Screenshot)
{
    auto* edit = Add<TEdit>(form, 10, 10, 160, 24);
    edit->SetText(L"A skinned edit");
    auto* disabled = Add<TEdit>(form, 10, 40, 160, 24);
    disabled->SetText(L"Disabled edit");
    disabled->SetEnabled(false);
    auto* memo = Add<TMemo>(form, 10, 70, 160, 120);
    memo->SetScrollBars(TScrollStyle::ssVertical);
    memo->SetWordWrap(false);
    String lines;
    for (int i = 0; i < 40; ++i) lines += L"memo line " + std::to_wstring(i) + L"\r\n";
    memo->Lines().SetText(lines);
    auto* list = Add<TListBox>(form, 10, 200, 160, 120);
    for (int i = 0; i < 30; ++i) list->Items().Add(L"list item " + std::to_wstring(i));
    TListView* lv = ReportView(190, 10, 310, 310);
    Wrap<TkvEditWnd>(edit);
    Wrap<TkvEditWnd>(disabled);
    Wrap<TkvEditWnd>(memo);
    Wrap<TkvEditWnd>(list);
    auto* w = Wrap<TkvListViewWnd>(lv);
    RedrawWindow(form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN |
                                                       RDW_UPDATENOW);
    Pump(100);
    RECT c1 = Column(w->HeaderHandle, 1);
    SendMessageW(w->HeaderHandle, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM((c1.left + c1.right) / 2, 5));
    Pump(50);
    String path = SaveWindowShot(form->Handle(), L"skinned_edits_and_listview");
    EXPECT_FALSE(path.empty());
    SendMessageW(w->HeaderHandle, WM_LBUTTONUP, 0, MAKELPARAM((c1.left + c1.right) / 2, 5));
    // The edits and the list view show the skin's edit colour on the screen.
    COLORREF editColor = manager->gd()[size_t(manager->FindSectionIndex(L"EDIT"))].Props[0].Color;
    EXPECT_EQ(WindowPixel(edit->Handle(), 150, 12), editColor);
    RECT lc;
    GetClientRect(lv->Handle(), &lc);
    EXPECT_EQ(WindowPixel(lv->Handle(), lc.right - 3, lc.bottom - 3), editColor);
}
