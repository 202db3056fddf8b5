#include "classlib/Grids.h"

#include <algorithm>

#include "classlib/TypInfo.h"

namespace {
// The grid classes publish their look once, on the first grid made.
void RegisterGridProperties()
{
    static bool done = false;
    if (done) return;
    done = true;
    const TClassInfo* g = TCustomGrid::StaticClassInfo();
    RegisterProperty(g, OrdProperty<TCustomGrid, int>(L"ColCount", &TCustomGrid::ColCount, &TCustomGrid::SetColCount));
    RegisterProperty(g, OrdProperty<TCustomGrid, int>(L"RowCount", &TCustomGrid::RowCount, &TCustomGrid::SetRowCount));
    RegisterProperty(g, OrdProperty<TCustomGrid, int>(L"FixedCols", &TCustomGrid::FixedCols, &TCustomGrid::SetFixedCols));
    RegisterProperty(g, OrdProperty<TCustomGrid, int>(L"FixedRows", &TCustomGrid::FixedRows, &TCustomGrid::SetFixedRows));
    RegisterProperty(g, OrdProperty<TCustomGrid, int>(L"DefaultColWidth", &TCustomGrid::DefaultColWidth,
                                                      &TCustomGrid::SetDefaultColWidth));
    RegisterProperty(g, OrdProperty<TCustomGrid, int>(L"DefaultRowHeight", &TCustomGrid::DefaultRowHeight,
                                                      &TCustomGrid::SetDefaultRowHeight));
    RegisterProperty(g, OrdProperty<TCustomGrid, int>(L"GridLineWidth", &TCustomGrid::GridLineWidth,
                                                      &TCustomGrid::SetGridLineWidth));
    RegisterProperty(g, OrdProperty<TCustomGrid, TColor>(L"FixedColor", &TCustomGrid::FixedColor,
                                                         &TCustomGrid::SetFixedColor));
    RegisterProperty(g, OrdProperty<TCustomGrid, TColor>(L"GradientStartColor", &TCustomGrid::GradientStartColor,
                                                         &TCustomGrid::SetGradientStartColor));
    RegisterProperty(g, OrdProperty<TCustomGrid, TColor>(L"GradientEndColor", &TCustomGrid::GradientEndColor,
                                                         &TCustomGrid::SetGradientEndColor));
    RegisterProperty(g, OrdProperty<TCustomGrid, TColor>(L"GridLineColor", &TCustomGrid::GridLineColor,
                                                         &TCustomGrid::SetGridLineColor));
    RegisterProperty(g, OrdProperty<TCustomGrid, TColor>(L"SelectionColor", &TCustomGrid::SelectionColor,
                                                         &TCustomGrid::SetSelectionColor));
    RegisterProperty(g, OrdProperty<TCustomGrid, TColor>(L"SelectionTextColor", &TCustomGrid::SelectionTextColor,
                                                         &TCustomGrid::SetSelectionTextColor));
    RegisterProperty(g, OrdProperty<TCustomGrid, TGridDrawingStyle>(
                            L"DrawingStyle", &TCustomGrid::DrawingStyle, &TCustomGrid::SetDrawingStyle,
                            TTypeKind::tkEnumeration, {L"gdsClassic", L"gdsThemed", L"gdsGradient"}));
}

void FillSolid(HDC dc, const RECT& r, TColor c)
{
    SetDCBrushColor(dc, ColorToRGB(c));
    FillRect(dc, &r, HBRUSH(GetStockObject(DC_BRUSH)));
}

// Top-to-bottom gradient, one band per row of pixels.
void FillGradient(HDC dc, const RECT& r, TColor from, TColor to)
{
    COLORREF a = ColorToRGB(from), b = ColorToRGB(to);
    int h = r.bottom - r.top;
    for (int y = 0; y < h; ++y) {
        auto mix = [&](int ca, int cb) { return h > 1 ? ca + (cb - ca) * y / (h - 1) : ca; };
        RECT line{r.left, r.top + y, r.right, r.top + y + 1};
        SetDCBrushColor(dc, RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)),
                                mix(GetBValue(a), GetBValue(b))));
        FillRect(dc, &line, HBRUSH(GetStockObject(DC_BRUSH)));
    }
}
}  // namespace

TCustomGrid::TCustomGrid(TComponent* owner) : TCustomControl(owner)
{
    RegisterGridProperties();
    SetColor(clWindow);
    SetTabStop(true);
    width_ = 320;
    height_ = 120;
}

void TCustomGrid::CreateParams(TCreateParams& p)
{
    TCustomControl::CreateParams(p);
    p.Style |= WS_HSCROLL | WS_VSCROLL;
    p.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomGrid::HandleCreated() { UpdateScrollBars(); }

void TCustomGrid::BoundsChanged() { UpdateScrollBars(); }

void TCustomGrid::Changed()
{
    // Keep the first shown and the selected cell among the non-fixed ones.
    topRow_ = std::clamp(topRow_, fixedRows_, std::max(fixedRows_, rowCount_ - 1));
    leftCol_ = std::clamp(leftCol_, fixedCols_, std::max(fixedCols_, colCount_ - 1));
    row_ = std::clamp(row_, fixedRows_, std::max(fixedRows_, rowCount_ - 1));
    col_ = std::clamp(col_, fixedCols_, std::max(fixedCols_, colCount_ - 1));
    UpdateScrollBars();
    Invalidate();
}

void TCustomGrid::SetColCount(int n)
{
    colCount_ = std::max(1, n);
    fixedCols_ = std::min(fixedCols_, colCount_ - 1);
    Changed();
}

void TCustomGrid::SetRowCount(int n)
{
    rowCount_ = std::max(1, n);
    fixedRows_ = std::min(fixedRows_, rowCount_ - 1);
    Changed();
}

void TCustomGrid::SetFixedCols(int n)
{
    fixedCols_ = std::clamp(n, 0, colCount_ - 1);
    Changed();
}

void TCustomGrid::SetFixedRows(int n)
{
    fixedRows_ = std::clamp(n, 0, rowCount_ - 1);
    Changed();
}

void TCustomGrid::SetDefaultColWidth(int w)
{
    defaultColWidth_ = std::max(0, w);
    colWidths_.clear();
    Changed();
}

void TCustomGrid::SetDefaultRowHeight(int h)
{
    defaultRowHeight_ = std::max(0, h);
    rowHeights_.clear();
    Changed();
}

int TCustomGrid::ColWidths(int col) const
{
    auto it = colWidths_.find(col);
    return it == colWidths_.end() ? defaultColWidth_ : it->second;
}

void TCustomGrid::SetColWidths(int col, int w)
{
    colWidths_[col] = std::max(0, w);
    Changed();
}

int TCustomGrid::RowHeights(int row) const
{
    auto it = rowHeights_.find(row);
    return it == rowHeights_.end() ? defaultRowHeight_ : it->second;
}

void TCustomGrid::SetRowHeights(int row, int h)
{
    rowHeights_[row] = std::max(0, h);
    Changed();
}

void TCustomGrid::SetGridLineWidth(int w)
{
    gridLineWidth_ = std::max(0, w);
    Changed();
}

void TCustomGrid::SetFixedColor(TColor c)
{
    if (c == fixedColor_) return;
    fixedColor_ = c;
    Invalidate();
}

void TCustomGrid::SetDrawingStyle(TGridDrawingStyle s)
{
    if (s == drawingStyle_) return;
    drawingStyle_ = s;
    Invalidate();
}

void TCustomGrid::SetGradientStartColor(TColor c)
{
    if (c == gradientStart_) return;
    gradientStart_ = c;
    Invalidate();
}

void TCustomGrid::SetGradientEndColor(TColor c)
{
    if (c == gradientEnd_) return;
    gradientEnd_ = c;
    Invalidate();
}

void TCustomGrid::SetGridLineColor(TColor c)
{
    if (c == gridLineColor_) return;
    gridLineColor_ = c;
    Invalidate();
}

void TCustomGrid::SetSelectionColor(TColor c)
{
    if (c == selectionColor_) return;
    selectionColor_ = c;
    Invalidate();
}

void TCustomGrid::SetSelectionTextColor(TColor c)
{
    if (c == selectionTextColor_) return;
    selectionTextColor_ = c;
    Invalidate();
}

void TCustomGrid::SetTopRow(int row)
{
    topRow_ = row;
    Changed();
}

void TCustomGrid::SetLeftCol(int col)
{
    leftCol_ = col;
    Changed();
}

void TCustomGrid::SetCol(int col)
{
    col_ = col;
    Changed();
}

void TCustomGrid::SetRow(int row)
{
    row_ = row;
    Changed();
}

std::vector<std::pair<int, int>> TCustomGrid::ShownCols() const
{
    std::vector<std::pair<int, int>> out;
    int x = 0, limit = ClientWidth();
    auto add = [&](int c) {
        out.emplace_back(c, x);
        x += ColWidths(c) + gridLineWidth_;
    };
    for (int c = 0; c < fixedCols_ && x < limit; ++c) add(c);
    for (int c = leftCol_; c < colCount_ && x < limit; ++c) add(c);
    return out;
}

std::vector<std::pair<int, int>> TCustomGrid::ShownRows() const
{
    std::vector<std::pair<int, int>> out;
    int y = 0, limit = ClientHeight();
    auto add = [&](int r) {
        out.emplace_back(r, y);
        y += RowHeights(r) + gridLineWidth_;
    };
    for (int r = 0; r < fixedRows_ && y < limit; ++r) add(r);
    for (int r = topRow_; r < rowCount_ && y < limit; ++r) add(r);
    return out;
}

RECT TCustomGrid::CellRect(int col, int row) const
{
    RECT r{};
    for (auto [c, x] : ShownCols())
        if (c == col) {
            r.left = x;
            r.right = x + ColWidths(c);
        }
    for (auto [rw, y] : ShownRows())
        if (rw == row) {
            r.top = y;
            r.bottom = y + RowHeights(rw);
        }
    if (r.right == r.left || r.bottom == r.top) return RECT{};
    return r;
}

bool TCustomGrid::MouseToCell(int x, int y, int& col, int& row) const
{
    col = row = -1;
    for (auto [c, cx] : ShownCols())
        if (x >= cx && x < cx + ColWidths(c) + gridLineWidth_) col = c;
    for (auto [r, ry] : ShownRows())
        if (y >= ry && y < ry + RowHeights(r) + gridLineWidth_) row = r;
    return col >= 0 && row >= 0;
}

void TCustomGrid::PaintCell(int col, int row, const RECT& r)
{
    HDC dc = Canvas().Handle();
    bool fixed = col < fixedCols_ || row < fixedRows_;
    unsigned state = fixed ? gdFixed : 0;
    if (!fixed && col == col_ && row == row_) state |= gdSelected | (Focused() ? gdFocused : 0);
    if (fixed) {
        if (drawingStyle_ == TGridDrawingStyle::gdsGradient)
            FillGradient(dc, r, gradientStart_, gradientEnd_);
        else
            FillSolid(dc, r, fixedColor_);
        if (drawingStyle_ == TGridDrawingStyle::gdsClassic) {
            RECT e = r;
            DrawEdge(dc, &e, BDR_RAISEDINNER, BF_RECT);
        }
    } else {
        FillSolid(dc, r, (state & gdSelected) ? selectionColor_ : Color());
    }
    Canvas().Brush().SetStyle(TBrushStyle::bsClear);
    Canvas().Font().Assign(&Font());
    if (state & gdSelected) Canvas().Font().SetColor(selectionTextColor_);
    DrawCell(col, row, r, state);
}

void TCustomGrid::Paint()
{
    HDC dc = Canvas().Handle();
    // Lines and the room right of and below the cells.
    FillSolid(dc, ClientRect(), Color());
    auto cols = ShownCols();
    auto rows = ShownRows();
    for (auto [r, y] : rows)
        for (auto [c, x] : cols) {
            RECT line{x, y, x + ColWidths(c) + gridLineWidth_, y + RowHeights(r) + gridLineWidth_};
            FillSolid(dc, line, gridLineColor_);
        }
    for (auto [r, y] : rows)
        for (auto [c, x] : cols) {
            RECT cell{x, y, x + ColWidths(c), y + RowHeights(r)};
            PaintCell(c, r, cell);
        }
}

int TCustomGrid::LastFullyShown(bool rows) const
{
    auto shown = rows ? ShownRows() : ShownCols();
    int limit = rows ? ClientHeight() : ClientWidth();
    int last = rows ? topRow_ : leftCol_;
    for (auto [i, start] : shown)
        if (start + (rows ? RowHeights(i) : ColWidths(i)) <= limit) last = i;
    return last;
}

void TCustomGrid::UpdateScrollBars()
{
    if (!HandleAllocated()) return;
    // Positions count non-fixed rows (columns) from the first; a page is what is shown.
    auto set = [&](int bar, int count, int fixed, int first, bool rows) {
        SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 0, 0, 0, 0};
        int shown = std::max(1, LastFullyShown(rows) - first + 1);
        si.nMax = std::max(0, count - fixed - 1);
        si.nPage = UINT(shown);
        si.nPos = first - fixed;
        SetScrollInfo(handle_, bar, &si, TRUE);
    };
    set(SB_VERT, rowCount_, fixedRows_, topRow_, true);
    set(SB_HORZ, colCount_, fixedCols_, leftCol_, false);
}

void TCustomGrid::Scroll(int bar, int code)
{
    bool vert = bar == SB_VERT;
    SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(handle_, bar, &si);
    int pos = si.nPos, page = std::max(1, int(si.nPage));
    switch (code) {
    case SB_LINEUP: --pos; break;
    case SB_LINEDOWN: ++pos; break;
    case SB_PAGEUP: pos -= page; break;
    case SB_PAGEDOWN: pos += page; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: pos = si.nTrackPos; break;
    case SB_TOP: pos = si.nMin; break;
    case SB_BOTTOM: pos = si.nMax; break;
    default: return;
    }
    pos = std::clamp(pos, si.nMin, std::max(si.nMin, si.nMax - page + 1));
    if (vert)
        SetTopRow(fixedRows_ + pos);
    else
        SetLeftCol(fixedCols_ + pos);
}

void TCustomGrid::Dispatch(TMessage& m)
{
    switch (m.Msg) {
    case WM_VSCROLL:
    case WM_HSCROLL:
        Scroll(m.Msg == WM_VSCROLL ? SB_VERT : SB_HORZ, LOWORD(m.WParam));
        m.Result = 0;
        return;
    case WM_MOUSEWHEEL:
        Scroll(SB_VERT, short(HIWORD(m.WParam)) > 0 ? SB_LINEUP : SB_LINEDOWN);
        m.Result = 0;
        return;
    case WM_LBUTTONDOWN: {
        int c, r;
        if (MouseToCell(short(LOWORD(m.LParam)), short(HIWORD(m.LParam)), c, r) && c >= fixedCols_ && r >= fixedRows_) {
            col_ = c;
            row_ = r;
            Invalidate();
        }
        if (CanFocus()) SetFocus();
        break;
    }
    case WM_GETDLGCODE:
        m.Result = DLGC_WANTARROWS;
        return;
    case WM_KEYDOWN: {
        int dc = 0, dr = 0;
        switch (m.WParam) {
        case VK_LEFT: dc = -1; break;
        case VK_RIGHT: dc = 1; break;
        case VK_UP: dr = -1; break;
        case VK_DOWN: dr = 1; break;
        default: break;
        }
        if (dc || dr) {
            col_ += dc;
            row_ += dr;
            Changed();
            // Keep the selected cell in view.
            if (row_ < topRow_) SetTopRow(row_);
            else if (row_ > LastFullyShown(true)) SetTopRow(topRow_ + 1);
            if (col_ < leftCol_) SetLeftCol(col_);
            else if (col_ > LastFullyShown(false)) SetLeftCol(leftCol_ + 1);
            m.Result = 0;
            return;
        }
        break;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        Invalidate();
        break;
    default:
        break;
    }
    TCustomControl::Dispatch(m);
}

void TDrawGrid::DrawCell(int col, int row, const RECT& rect, unsigned state)
{
    if (OnDrawCell) OnDrawCell(this, col, row, rect, state);
}

String TStringGrid::Cells(int col, int row) const
{
    auto it = cells_.find({col, row});
    return it == cells_.end() ? String() : it->second;
}

void TStringGrid::SetCells(int col, int row, const String& text)
{
    if (text.empty())
        cells_.erase({col, row});
    else
        cells_[{col, row}] = text;
    RECT r = CellRect(col, row);
    if (HandleAllocated() && r.right > r.left) InvalidateRect(handle_, &r, FALSE);
}

void TStringGrid::DrawCell(int col, int row, const RECT& rect, unsigned state)
{
    if (OnDrawCell) {
        TDrawGrid::DrawCell(col, row, rect, state);
        return;
    }
    String text = Cells(col, row);
    if (text.empty()) return;
    RECT r{rect.left + 2, rect.top, rect.right - 2, rect.bottom};
    Canvas().DrawText(text, r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}
