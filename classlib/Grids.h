// Grids: a window of cells in rows and columns, with fixed (title) rows and
// columns that stay in place while the rest scrolls, one selected cell, and
// the system's scroll bars that move by whole rows and columns.
//
// Classes in this file:
// - TCustomGrid: the cells, their sizes, scrolling, selection and painting.
// - TDrawGrid: a grid whose cells the application paints (OnDrawCell).
// - TStringGrid: a grid that keeps a text per cell and paints it.
//
// Colours: non-fixed cells in Color (clWindow), fixed cells in FixedColor
// (clBtnFace), or, in the gradient drawing style, in a top-to-bottom gradient
// from GradientStartColor to GradientEndColor; the lines between cells in
// GridLineColor (clBtnFace), the selected cell in SelectionColor
// (clHighlight) with its text in SelectionTextColor (clHighlightText). Only
// the classic drawing style gives fixed cells a raised edge (in the system's
// 3D colours). All of them, the sizes and the
// drawing style are published, so code that does not know the grid reads and
// sets them by name.
#pragma once
#include <windows.h>

#include <map>
#include <utility>

#include "classlib/Controls.h"

enum class TGridDrawingStyle { gdsClassic, gdsThemed, gdsGradient };

// The state of a cell being drawn: selected, focused, fixed (bits).
constexpr unsigned gdSelected = 1, gdFocused = 2, gdFixed = 4;

class TCustomGrid;
using TDrawCellEvent = Delegate<void(TObject* sender, int col, int row, const RECT& rect, unsigned state)>;

class TCustomGrid : public TCustomControl {
    DECLARE_CLASS(TCustomGrid, TCustomControl)
public:
    explicit TCustomGrid(TComponent* owner);

    int ColCount() const { return colCount_; }
    void SetColCount(int n);
    int RowCount() const { return rowCount_; }
    void SetRowCount(int n);
    int FixedCols() const { return fixedCols_; }
    void SetFixedCols(int n);
    int FixedRows() const { return fixedRows_; }
    void SetFixedRows(int n);
    int DefaultColWidth() const { return defaultColWidth_; }
    void SetDefaultColWidth(int w);
    int DefaultRowHeight() const { return defaultRowHeight_; }
    void SetDefaultRowHeight(int h);
    int ColWidths(int col) const;
    void SetColWidths(int col, int w);
    int RowHeights(int row) const;
    void SetRowHeights(int row, int h);
    int GridLineWidth() const { return gridLineWidth_; }
    void SetGridLineWidth(int w);

    TColor FixedColor() const { return fixedColor_; }
    void SetFixedColor(TColor c);
    TGridDrawingStyle DrawingStyle() const { return drawingStyle_; }
    void SetDrawingStyle(TGridDrawingStyle s);
    TColor GradientStartColor() const { return gradientStart_; }
    void SetGradientStartColor(TColor c);
    TColor GradientEndColor() const { return gradientEnd_; }
    void SetGradientEndColor(TColor c);
    TColor GridLineColor() const { return gridLineColor_; }
    void SetGridLineColor(TColor c);
    TColor SelectionColor() const { return selectionColor_; }
    void SetSelectionColor(TColor c);
    TColor SelectionTextColor() const { return selectionTextColor_; }
    void SetSelectionTextColor(TColor c);

    // The first non-fixed row and column shown.
    int TopRow() const { return topRow_; }
    void SetTopRow(int row);
    int LeftCol() const { return leftCol_; }
    void SetLeftCol(int col);
    // The selected cell (always a non-fixed one while the grid has such cells).
    int Col() const { return col_; }
    void SetCol(int col);
    int Row() const { return row_; }
    void SetRow(int row);

    // The cell's rectangle in client coordinates; empty when it is not shown.
    RECT CellRect(int col, int row) const;
    // The cell at a client point; false outside every shown cell.
    bool MouseToCell(int x, int y, int& col, int& row) const;

    void Dispatch(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void HandleCreated() override;
    void BoundsChanged() override;
    void Paint() override;
    // Paints the content of one cell (its background is already filled).
    virtual void DrawCell(int col, int row, const RECT& rect, unsigned state) {}

private:
    // Left edges of the shown columns (fixed ones first), and the same for rows;
    // each pair is (index, start) in client coordinates.
    std::vector<std::pair<int, int>> ShownCols() const;
    std::vector<std::pair<int, int>> ShownRows() const;
    void PaintCell(int col, int row, const RECT& r);
    void UpdateScrollBars();
    void Scroll(int bar, int code);
    void Changed();
    int LastFullyShown(bool rows) const;

    int colCount_ = 5, rowCount_ = 5, fixedCols_ = 1, fixedRows_ = 1;
    int defaultColWidth_ = 64, defaultRowHeight_ = 24, gridLineWidth_ = 1;
    std::map<int, int> colWidths_, rowHeights_;
    TColor fixedColor_ = clBtnFace;
    TGridDrawingStyle drawingStyle_ = TGridDrawingStyle::gdsClassic;
    TColor gradientStart_ = clWindow, gradientEnd_ = clBtnFace;
    TColor gridLineColor_ = clBtnFace;
    TColor selectionColor_ = clHighlight, selectionTextColor_ = clHighlightText;
    int topRow_ = 1, leftCol_ = 1, col_ = 1, row_ = 1;
};

class TDrawGrid : public TCustomGrid {
    DECLARE_CLASS(TDrawGrid, TCustomGrid)
public:
    explicit TDrawGrid(TComponent* owner) : TCustomGrid(owner) {}
    TDrawCellEvent OnDrawCell;

protected:
    void DrawCell(int col, int row, const RECT& rect, unsigned state) override;
};

class TStringGrid : public TDrawGrid {
    DECLARE_CLASS(TStringGrid, TDrawGrid)
public:
    explicit TStringGrid(TComponent* owner) : TDrawGrid(owner) {}
    String Cells(int col, int row) const;
    void SetCells(int col, int row, const String& text);

protected:
    // The cell's text, unless an OnDrawCell handler paints the cell.
    void DrawCell(int col, int row, const RECT& rect, unsigned state) override;

private:
    std::map<std::pair<int, int>, String> cells_;
};
