// Tree wrappers on real windows under the sample skin: the class library's
// tree view with and without its own custom drawing, and a virtual tree of
// another package reached by name, with its header painted from the skin.
#include "tests/skin/SkinRuntimeFixture.h"

#include <list>

#include "classlib/Grids.h"
#include "classlib/TreeView.h"
#include "skin/controls/TreeWnd.h"
#include "skin/core/MaskPaintBitmap.h"
#include "skin/graphics/TextEffects.h"
#include "skin/graphics/Utils.h"
#include "tests/skin/StandInControls.h"

using namespace skintest;
using namespace standin;

namespace {

const TSpec kVetColors{L"TStandInVETColors",
                       {{L"CompressedTextColor", 0x0000A0}, {L"FileTextColor", 0x00A000}, {L"FolderTextColor", clGrayText}}};
const TSpec kPaintInfoColumn{L"TStandInPaintInfoColumn", {{L"Color", 0x40C0C0}, {L"Style", 0}}};
const TSpec kHeader{L"TStandInHeader",
                    {{L"Color", 0x808000}, {L"Height", 24}, {L"SortDirection", 0}},
                    {{L"Options", {L"hoVisible", L"hoOwnerDraw", L"hoHotTrack"}, 1 | 4}},
                    {},
                    {{L"Font", nullptr}}};
const TSpec kColumn{L"TStandInColumn", {}, {{L"Options", {L"coVisible", L"coWrapCaption"}, 1}}, {L"Text"}};
const TSpec kVirtualTree{L"TStandInVirtualTree",
                         {},
                         {},
                         {},
                         {{L"VETColors", &kVetColors}, {L"PaintInfoColumn", &kPaintInfoColumn}, {L"Header", &kHeader}},
                         {{L"OnAdvancedHeaderDraw", typeid(TkvHeaderDrawEvent)},
                          {L"OnHeaderDrawQueryElements", typeid(TkvHeaderQueryEvent)}}};

TObject* Path(TObject* o, std::initializer_list<const wchar_t*> objects)
{
    for (const wchar_t* n : objects) o = GetObjectProp(o, n);
    return o;
}

COLORREF Px(TBitmap& b, int x, int y) { return GetPixel(b.Canvas().Handle(), x, y); }

// Logs the erase messages that reach the tree's own procedure under the wrapper.
struct EraseLog {
    TTreeView* tree;
    TWndMethod own;
    int erases = 0;
    void Proc(TMessage& m)
    {
        if (m.Msg == WM_ERASEBKGND) ++erases;
        own(m);
    }
};

class TreeWnd : public StandInWrappers {
protected:
    TStandInControl* VirtualTree()
    {
        auto* c = new TStandInControl(form, kVirtualTree);
        c->SetParent(form);
        c->SetBounds(10, 10, 320, 200);
        for (const wchar_t* t : {L"Имя", L"Размер"}) {
            c->Columns.push_back(std::make_unique<TBagObject>(kColumn));
            SetStrProp(c->Columns.back().get(), L"Text", t);
        }
        c->HandleNeeded();
        return c;
    }
    const TsGeneralData& Sec(const wchar_t* name) { return manager->gd()[size_t(manager->FindSectionIndex(name))]; }

    // Logs of the erase messages, alive until the windows are gone.
    std::list<EraseLog> logs;
};

}  // namespace

// With OnAdvancedCustomDraw the erase goes to the control; without it the
// wrapper fills the background with the section's colour and answers 1.
TEST_F(TreeWnd, EraseWithAndWithoutAdvancedCustomDraw)
{
    for (bool customDraw : {false, true}) {
        SCOPED_TRACE(customDraw ? "custom draw" : "no custom draw");
        auto* tree = Add<TTreeView>(form, 10, 10, 200, 150);
        TTreeNode* root = tree->Items().Add(nullptr, L"Глава 1");
        tree->Items().AddChild(root, L"Параграф");
        int prePaints = 0;
        if (customDraw)
            tree->OnAdvancedCustomDraw = [&](TObject*, const RECT&, TCustomDrawStage s, bool&) {
                if (s == TCustomDrawStage::cdPrePaint) ++prePaints;
            };
        EraseLog& log = logs.emplace_back(EraseLog{tree, tree->WindowProc});
        tree->WindowProc = TWndMethod(&log, &EraseLog::Proc);
        Wrap<TkvTreeViewWnd>(tree);
        Command(tree->Handle(), SkinCmdRefresh);

        TBitmap bmp(50, 50, TPixelFormat::pf32bit);
        FillRectSolid(bmp.Canvas().Handle(), RECT{0, 0, 50, 50}, 0xFF00FF);
        Pump(20);
        log.erases = 0;
        LRESULT r = SendMessageW(tree->Handle(), WM_ERASEBKGND, WPARAM(bmp.Canvas().Handle()), 0);
        GdiFlush();
        EXPECT_EQ(log.erases, customDraw ? 1 : 0);
        if (!customDraw) {
            EXPECT_EQ(r, 1);
            EXPECT_EQ(Px(bmp, 25, 25), ColorToRGB(Sec(L"EDIT").Props[0].Color));
        }
        RedrawWindow(tree->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        Pump(20);
        EXPECT_EQ(prePaints > 0, customDraw);
        tree->Hide();
    }
}

// The tree's own colour comes back after the skin goes, not the system's window colour.
TEST_F(TreeWnd, OwnBackgroundColourComesBack)
{
    auto* tree = Add<TTreeView>(form, 10, 10, 200, 150);
    tree->Items().Add(nullptr, L"узел");
    tree->SetColor(0x30D0F0);
    Wrap<TkvTreeViewWnd>(tree);
    Command(tree->Handle(), SkinCmdRefresh);
    EXPECT_EQ(COLORREF(SendMessageW(tree->Handle(), TVM_GETBKCOLOR, 0, 0)), ColorToRGB(Sec(L"EDIT").Props[0].Color));
    Command(tree->Handle(), SkinCmdRemoveSkin);
    EXPECT_EQ(COLORREF(SendMessageW(tree->Handle(), TVM_GETBKCOLOR, 0, 0)), COLORREF(0x30D0F0));
}

// Colours by name on, off and back; the header events taken only when empty
// and given up on removal and when the wrapper goes.
TEST_F(TreeWnd, VirtualTreeColoursAndHeaderEvents)
{
    struct Prop {
        std::initializer_list<const wchar_t*> objects;
        const wchar_t* name;
        std::function<int64_t()> skinned;
    };
    const TColor global = manager->GetGlobalColor(), edit = manager->GetEditColor();
    const TColor sectionFont = Sec(L"EDIT").Props[0].FontColor, globalFont = manager->GetGlobalFontColor();
    const Prop props[] = {
        {{L"VETColors"}, L"CompressedTextColor", [&] { return sectionFont; }},
        {{L"VETColors"}, L"FileTextColor", [&] { return sectionFont; }},
        {{L"VETColors"}, L"FolderTextColor", [&] { return sectionFont; }},
        {{L"PaintInfoColumn"}, L"Color", [&] { return global; }},
        {{L"PaintInfoColumn"}, L"Style", [] { return 1; }},
        {{L"Header"}, L"Color", [&] { return edit; }},
        {{L"Header", L"Font"}, L"Color", [&] { return globalFont; }},
    };
    for (int ending = 0; ending < 2; ++ending) {
        SCOPED_TRACE(ending ? "wrapper freed" : "skin removed");
        TStandInControl* vt = VirtualTree();
        TObject* header = GetObjectProp(vt, L"Header");
        ChangeSetProp(header, L"Options", L"hoOwnerDraw", false);
        std::vector<int64_t> original;
        for (const Prop& p : props) original.push_back(GetOrdProp(Path(vt, p.objects), p.name));
        HWND h = vt->Handle();
        Wrap<TkvVirtualTreeViewWnd>(vt);
        Command(h, SkinCmdRefresh);
        for (const Prop& p : props) EXPECT_EQ(GetOrdProp(Path(vt, p.objects), p.name), p.skinned()) << p.name;
        EXPECT_TRUE(SetPropContains(header, L"Options", L"hoOwnerDraw"));
        std::any draw = GetMethodProp(vt, L"OnAdvancedHeaderDraw");
        std::any query = GetMethodProp(vt, L"OnHeaderDrawQueryElements");
        ASSERT_TRUE(draw.has_value());
        ASSERT_TRUE(query.has_value());
        uint8_t elements = 0;
        std::any_cast<TkvHeaderQueryEvent>(query)(header, nullptr, 0, elements);
        EXPECT_EQ(elements, 27);

        if (ending == 0) {
            Command(h, SkinCmdRemoveSkin);
        } else {
            TkvMainWnd* wr = GetWrapper(h);
            UnhookWindow(h, true, false, wr);
        }
        for (size_t i = 0; i < std::size(props); ++i)
            EXPECT_EQ(GetOrdProp(Path(vt, props[i].objects), props[i].name),
                      i == 4 ? original[i] : int64_t(ColorToRGB(TColor(original[i]))))
                << props[i].name;
        EXPECT_FALSE(SetPropContains(header, L"Options", L"hoOwnerDraw"));
        EXPECT_FALSE(GetMethodProp(vt, L"OnAdvancedHeaderDraw").has_value());
        EXPECT_FALSE(GetMethodProp(vt, L"OnHeaderDrawQueryElements").has_value());
        vt->Hide();
    }

    // A tree with its own header handler keeps it.
    TStandInControl* own = VirtualTree();
    int ownCalls = 0;
    SetMethodProp(own, L"OnAdvancedHeaderDraw",
                  std::any(TkvHeaderDrawEvent([&](TObject*, const void*, size_t, uint8_t) { ++ownCalls; })));
    Wrap<TkvVirtualTreeViewWnd>(own);
    Command(own->Handle(), SkinCmdRefresh);
    Pump(20);
    int before = ownCalls;
    std::any_cast<TkvHeaderDrawEvent>(GetMethodProp(own, L"OnAdvancedHeaderDraw"))(nullptr, nullptr, 0, 1);
    EXPECT_EQ(ownCalls, before + 1);
    Command(own->Handle(), SkinCmdRemoveSkin);
    EXPECT_TRUE(GetMethodProp(own, L"OnAdvancedHeaderDraw").has_value());
}

// The header painter on a record built here: the section background per
// state, the strip right of the last column, the sort glyph where the record
// puts it, and nothing from a record shorter than the painter reads.
TEST_F(TreeWnd, VirtualTreeHeaderPainter)
{
    TStandInControl* vt = VirtualTree();
    Wrap<TkvVirtualTreeViewWnd>(vt);
    Command(vt->Handle(), SkinCmdRefresh);
    auto draw = std::any_cast<TkvHeaderDrawEvent>(GetMethodProp(vt, L"OnAdvancedHeaderDraw"));
    TObject* header = GetObjectProp(vt, L"Header");
    TObject* column = vt->Columns[0].get();

    const int W = 120, H = 24;
    const RECT cell{10, 4, 10 + W, 4 + H};
    auto paint = [&](TBitmap& target, TObject* col, uint8_t elements, uint8_t hot, uint8_t pressed, uint8_t sort,
                     int32_t glyphX, size_t size) {
        FillRectSolid(target.Canvas().Handle(), RECT{0, 0, target.Width(), target.Height()}, 0x00FF00);
        THeaderRecordBytes rec;
        TCanvas* canvas = &target.Canvas();
        rec.Put(HeaderRecord::Canvas, canvas);
        rec.Put(HeaderRecord::Column, col);
        rec.PutRect(HeaderRecord::PaintRect, cell);
        rec.PutRect(HeaderRecord::TextRect, RECT{cell.left + 4, cell.top, cell.right - 30, cell.bottom});
        rec.Put(HeaderRecord::Hot, hot);
        rec.Put(HeaderRecord::Pressed, pressed);
        rec.Put(HeaderRecord::SortShown, sort);
        rec.Put(HeaderRecord::SortGlyphX, glyphX);
        draw(header, rec.Bytes.data(), size, elements);
        GdiFlush();
    };
    const size_t full = HeaderRecord::Size;

    // Background per state, against the section painted here for that state.
    int section = manager->FindSectionIndex(L"COLHEADER");
    const wchar_t* name = L"COLHEADER";
    if (section < 0) {
        section = manager->FindSectionIndex(L"BUTTON");
        name = L"BUTTON";
    }
    COLORREF centre[3];
    for (int state = 0; state < 3; ++state) {
        TBitmap target(160, 40, TPixelFormat::pf32bit), ref(W, H, TPixelFormat::pf32bit);
        paint(target, column, hpeBackground, state == 1, state == 2, 0, 0, full);
        PaintSkinItem(section, name, InitBgCacheInfo(nullptr, 0, 0), -1, -1, nullptr, &ref, POINT{0, 0},
                      RECT{0, 0, W, H}, state, 1);
        GdiFlush();
        centre[state] = Px(target, cell.left + W / 2, cell.top + H / 2);
        EXPECT_EQ(centre[state], Px(ref, W / 2, H / 2)) << "state " << state;
        EXPECT_EQ(Px(target, cell.left - 2, cell.top + 2), COLORREF(0x00FF00));   // outside untouched
    }
    EXPECT_NE(centre[0], centre[1]);

    // The strip right of the last column: the control's section colour.
    {
        TBitmap target(160, 40, TPixelFormat::pf32bit);
        paint(target, nullptr, hpeBackground, 0, 0, 0, 0, full);
        EXPECT_EQ(Px(target, cell.left + 5, cell.top + 5), ColorToRGB(Sec(L"EDIT").IniColor));
    }

    // The sort glyph at the record's x, centred vertically; none without the sort byte.
    {
        TBitmap with(160, 40, TPixelFormat::pf32bit), without(160, 40, TPixelFormat::pf32bit);
        const int gx = cell.left + 70;
        paint(with, column, hpeSortGlyph, 0, 0, 1, gx, full);
        paint(without, column, hpeSortGlyph, 0, 0, 0, gx, full);
        int first = -1, last = -1, top = -1, bottom = -1;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 160; ++x) {
                EXPECT_EQ(Px(without, x, y), COLORREF(0x00FF00));
                if (Px(with, x, y) == COLORREF(0x00FF00)) continue;
                if (first < 0 || x < first) first = x;
                last = std::max(last, x);
                if (top < 0) top = y;
                bottom = y;
            }
        ASSERT_GE(first, 0) << "no glyph drawn";
        EXPECT_GE(first, gx);
        EXPECT_LT(last, cell.right);
        int mask = manager->FindMaskIndex(manager->FindSectionIndex(L"SCROLLBTNTOP"), L"SCROLLBTNTOP", L"GLYPHMASK");
        ASSERT_GE(mask, 0);
        const TsMaskData& md = manager->ma()[size_t(mask)];
        int glyphH = md.SourceRect.Height() / (md.StateLayout + 1);
        int glyphTop = cell.top + (H - glyphH) / 2;
        EXPECT_GE(top, glyphTop);
        EXPECT_LT(bottom, glyphTop + glyphH);
    }

    // The glyph points down for any nonzero sort direction, up for 0.
    {
        const int gx = cell.left + 70;
        auto glyphFor = [&](int64_t direction) {
            SetOrdProp(header, L"SortDirection", direction);
            auto b = std::make_unique<TBitmap>(160, 40, TPixelFormat::pf32bit);
            paint(*b, column, hpeSortGlyph, 0, 0, 1, gx, full);
            std::vector<COLORREF> px;
            for (int y = 0; y < 40; ++y)
                for (int x = 0; x < 160; ++x) px.push_back(Px(*b, x, y));
            return px;
        };
        const std::vector<COLORREF> up = glyphFor(0), down = glyphFor(1);
        EXPECT_NE(up, down);
        struct Row {
            int64_t direction;
            bool pointsDown;
        } rows[] = {{0, false}, {1, true}, {-1, true}, {2, true}};
        for (const Row& r : rows)
            EXPECT_EQ(glyphFor(r.direction), r.pointsDown ? down : up) << "direction " << r.direction;
        SetOrdProp(header, L"SortDirection", 0);
    }

    // Column text only when the element set asks for it; nothing from a short record.
    {
        TBitmap text(160, 40, TPixelFormat::pf32bit), none(160, 40, TPixelFormat::pf32bit),
            shortRec(160, 40, TPixelFormat::pf32bit);
        paint(text, column, hpeText, 0, 0, 0, 0, full);
        paint(none, column, hpeSortGlyph, 0, 0, 0, 0, full);
        paint(shortRec, column, hpeBackground, 0, 0, 0, 0, full - 1);
        int inked = 0;
        for (int y = cell.top; y < cell.bottom; ++y)
            for (int x = cell.left; x < cell.right; ++x) {
                inked += Px(text, x, y) != COLORREF(0x00FF00);
                EXPECT_EQ(Px(none, x, y), COLORREF(0x00FF00));
                EXPECT_EQ(Px(shortRec, x, y), COLORREF(0x00FF00));
            }
        EXPECT_GT(inked, 10);
    }
}

// A form with a skinned string grid, tree view and virtual tree, saved for a look.
TEST_F(TreeWnd, Screenshot)
{
    form->SetBounds(40, 40, 700, 300);
    auto* grid = Add<TStringGrid>(form, 10, 10, 300, 240);
    grid->SetColCount(4);
    grid->SetRowCount(20);
    for (int r = 0; r < 20; ++r)
        for (int c = 0; c < 4; ++c) grid->SetCells(c, r, r == 0 ? L"Столбец " + std::to_wstring(c) : std::to_wstring(r * c));
    auto* tree = Add<TTreeView>(form, 320, 10, 160, 240);
    TTreeNode* root = tree->Items().Add(nullptr, L"Предметы", true);
    for (const wchar_t* t : {L"Физика", L"Химия", L"История"}) tree->Items().AddChild(root, t);
    TStandInControl* vt = VirtualTree();
    vt->SetBounds(490, 10, 190, 240);
    Wrap<TkvGridWnd>(grid);
    Wrap<TkvTreeViewWnd>(tree);
    Wrap<TkvVirtualTreeViewWnd>(vt);
    for (TWinControl* c : std::initializer_list<TWinControl*>{grid, tree, vt}) {
        Command(c->Handle(), SkinCmdRefresh);
        RedrawWindow(c->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    }
    Pump(100);
    String path = SaveWindowShot(form->Handle(), L"grids-and-trees");
    EXPECT_FALSE(path.empty());
    // The skinned grid's fixed cells (their gradient ends in the skin's global
    // colour) and the tree's background are the skin's.
    RECT fixed = grid->CellRect(1, 0);
    EXPECT_EQ(WindowPixel(grid->Handle(), fixed.left + 3, fixed.bottom - 1), ColorToRGB(manager->GetGlobalColor()));
    COLORREF treeBack = COLORREF(SendMessageW(tree->Handle(), TVM_GETBKCOLOR, 0, 0));
    EXPECT_TRUE(treeBack == ColorToRGB(Sec(L"EDIT").Props[0].Color) || treeBack == ColorToRGB(Sec(L"EDIT").Props[1].Color));
    EXPECT_EQ(WindowPixel(tree->Handle(), tree->ClientWidth() - 3, tree->ClientHeight() - 3), treeBack);
}
