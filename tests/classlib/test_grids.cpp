// The class library's grids on real windows: cell colours by drawing style,
// the published look set by name, a draw grid's own cell painting.
#include <gtest/gtest.h>

#include "classlib/Forms.h"
#include "classlib/Grids.h"
#include "classlib/TypInfo.h"
#include "support/GuiTest.h"

namespace {
class GridsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = new TForm(Application);
        form->SetBounds(50, 50, 420, 300);
        form->Show();
        Pump(20);
    }
    void TearDown() override { FreeAndNil(form); }
    template <class G>
    G* NewGrid()
    {
        auto* g = new G(form);
        g->SetParent(form);
        g->SetBounds(0, 0, 360, 200);
        g->SetDefaultRowHeight(30);
        return g;
    }
    TForm* form = nullptr;
};
}  // namespace

// The fixed cells by drawing style, each set through the published names.
TEST_F(GridsTest, FixedCellsFollowTheDrawingStyle)
{
    struct Case {
        const wchar_t* style;
        COLORREF top, bottom;   // first and last pixel row of a fixed cell
    };
    const Case cases[] = {
        {L"gdsThemed", RGB(200, 40, 40), RGB(200, 40, 40)},
        {L"gdsGradient", RGB(0, 0, 255), RGB(0, 255, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.style);
        auto* g = NewGrid<TStringGrid>();
        SetEnumProp(g, L"DrawingStyle", c.style);
        SetOrdProp(g, L"FixedColor", TColor(RGB(200, 40, 40)));
        SetOrdProp(g, L"GradientStartColor", TColor(RGB(0, 0, 255)));
        SetOrdProp(g, L"GradientEndColor", TColor(RGB(0, 255, 0)));
        SetOrdProp(g, L"Color", TColor(RGB(250, 250, 200)));
        EXPECT_EQ(GetEnumProp(g, L"DrawingStyle"), c.style);
        g->Update();
        Pump(20);
        RECT fixed = g->CellRect(2, 0), cell = g->CellRect(2, 2);
        EXPECT_EQ(WindowPixel(g->Handle(), fixed.left + 5, fixed.top), c.top);
        EXPECT_EQ(WindowPixel(g->Handle(), fixed.left + 5, fixed.bottom - 1), c.bottom);
        EXPECT_EQ(WindowPixel(g->Handle(), cell.left + 5, cell.top + 3), RGB(250, 250, 200));
        delete g;
    }
}

// A draw grid paints its cells through OnDrawCell, with the state of each.
TEST_F(GridsTest, DrawGridPaintsThroughItsEvent)
{
    auto* g = NewGrid<TDrawGrid>();
    int selected = 0, fixed = 0;
    g->OnDrawCell = [&](TObject*, int col, int row, const RECT& r, unsigned state) {
        if (state & gdSelected) ++selected;
        if (state & gdFixed) ++fixed;
        if (col == 3 && row == 3) {
            SetDCBrushColor(g->Canvas().Handle(), RGB(10, 20, 30));
            FillRect(g->Canvas().Handle(), &r, HBRUSH(GetStockObject(DC_BRUSH)));
        }
    };
    g->SetCol(2);
    g->Update();
    Pump(20);
    EXPECT_EQ(selected, 1);
    EXPECT_EQ(fixed, g->ColCount() + g->RowCount() - 1);
    RECT c = g->CellRect(3, 3);
    EXPECT_EQ(WindowPixel(g->Handle(), c.left + 4, c.top + 4), RGB(10, 20, 30));
}
