// The grid's model: construction, counts and their errors, extents, the
// layout arithmetic, the current cell and selection, and line moves.
#include "support/gtest.h"

#include <string>

#include "GridFixture.h"

using namespace gridtest;

namespace {

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const EInvalidGridOperation& e) {
    return e.what();
  }
  return "";
}

TEST(GridCore, NewGrid) {
  TspSkinStringGrid g(nullptr);
  EXPECT_EQ(g.Width(), 320);
  EXPECT_EQ(g.Height(), 120);
  EXPECT_EQ(g.ColCount(), 5);
  EXPECT_EQ(g.RowCount(), 5);
  EXPECT_EQ(g.FixedCols(), 1);
  EXPECT_EQ(g.FixedRows(), 1);
  EXPECT_EQ(g.Col(), 1);
  EXPECT_EQ(g.Row(), 1);
  EXPECT_EQ(g.LeftCol(), 1);
  EXPECT_EQ(g.TopRow(), 1);
  EXPECT_EQ(g.Options(), kDefaultGridOptions);
  EXPECT_EQ(g.SkinDataName(), "grid");
  EXPECT_TRUE(g.TabStop);
}

TEST(GridCore, CountsAndTheirErrors) {
  TspSkinStringGrid g(nullptr);
  g.SetColCount(0);
  EXPECT_EQ(g.ColCount(), 1);
  EXPECT_EQ(g.FixedCols(), 0);
  g.SetRowCount(-3);
  EXPECT_EQ(g.RowCount(), 1);
  EXPECT_EQ(g.FixedRows(), 0);

  TspSkinStringGrid h(nullptr);
  EXPECT_EQ(ErrorOf([&] { h.SetFixedRows(5); }), "Fixed row count must be less than row count");
  EXPECT_EQ(h.FixedRows(), 1);
  EXPECT_EQ(ErrorOf([&] { h.SetFixedCols(5); }), "Fixed column count must be less than column count");
  EXPECT_EQ(ErrorOf([&] { h.SetFixedCols(-1); }), "Grid index out of range");
  EXPECT_EQ(h.FixedCols(), 1);
  // Fewer columns than fixed ones lowers the fixed count with them.
  h.SetFixedCols(3);
  h.SetColCount(2);
  EXPECT_EQ(h.FixedCols(), 1);
}

TEST(GridCore, WidthsAndHeights) {
  TspSkinStringGrid g(nullptr);
  EXPECT_FALSE(g.HasColWidths());
  EXPECT_EQ(g.ColWidths(7), 64);
  EXPECT_EQ(ErrorOf([&] { g.SetColWidths(5, 10); }), "Grid index out of range");
  EXPECT_EQ(ErrorOf([&] { g.SetColWidths(-1, 10); }), "Grid index out of range");
  g.SetColWidths(2, 10);
  EXPECT_TRUE(g.HasColWidths());
  EXPECT_EQ(g.ColWidths(2), 10);
  EXPECT_EQ(g.ColWidths(1), 64);
  // More columns keep the widths and give the new ones the default.
  g.SetColCount(8);
  EXPECT_EQ(g.ColWidths(2), 10);
  EXPECT_EQ(g.ColWidths(7), 64);
  g.SetRowHeights(3, 40);
  EXPECT_EQ(g.RowHeights(3), 40);
  g.SetDefaultRowHeight(18);
  EXPECT_FALSE(g.HasRowHeights());
  EXPECT_EQ(g.RowHeights(3), 18);
  g.SetDefaultColWidth(30);
  EXPECT_EQ(g.ColWidths(2), 30);
}

// The item table's columns: 40, 0, 200, 90, 90, 200, 70 in a 700 x 300 grid
// with one header row of 18 pixels and no lines.
void ItemTableLayout(TspSkinStringGrid& g) {
  g.SetColCount(7);
  g.SetFixedCols(0);
  g.SetRowCount(200);
  g.SetGridLineWidth(0);
  g.SetDefaultRowHeight(18);
  const int widths[7] = {40, 0, 200, 90, 90, 200, 70};
  for (int i = 0; i < 7; ++i) g.SetColWidths(i, widths[i]);
  g.SetBounds(0, 0, 700, 300);
}

TEST(GridCore, CellRectAndMouseCoordTable) {
  TspSkinStringGrid g(nullptr);
  ItemTableLayout(g);
  struct Case {
    int col, row;
    TRect rect;
  };
  const Case cases[] = {
      {0, 0, {0, 0, 40, 18}},      {1, 1, {40, 18, 40, 36}},   {2, 1, {40, 18, 240, 36}},
      {6, 16, {620, 288, 690, 300}},  // the last row shown is cut at the client edge
      {0, 17, {0, 0, 0, 0}},          // below the last row shown
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.col) + "," + std::to_string(c.row));
    EXPECT_EQ(g.CellRect(c.col, c.row), c.rect);
  }
  struct Point {
    int x, y, col, row;
  };
  const Point points[] = {{0, 0, 0, 0},    {39, 17, 0, 0},   {40, 18, 2, 1},  {239, 20, 2, 1},
                          {240, 20, 3, 1}, {689, 299, 6, 16}, {695, 10, -1, -1}};
  for (const Point& p : points) {
    TGridCoord c = g.MouseCoord(p.x, p.y);
    EXPECT_EQ(c.X, p.col) << p.x << "," << p.y;
    EXPECT_EQ(c.Y, p.row) << p.x << "," << p.y;
  }
  // With line width 1 every cell starts one pixel further on.
  g.SetGridLineWidth(1);
  EXPECT_EQ(g.CellRect(2, 1), (TRect{42, 19, 242, 37}));
}

TEST(GridCore, MaxTopLeftCellSkipsZeroExtentCells) {
  TspSkinStringGrid g(nullptr);
  g.SetColCount(6);
  g.SetFixedCols(1);
  g.SetGridLineWidth(0);
  g.SetBounds(0, 0, 150, 120);
  // Column widths 20 | 50 0 0 50 50: 130 pixels of cells after the fixed one.
  const int widths[6] = {20, 50, 0, 0, 50, 50};
  for (int i = 0; i < 6; ++i) g.SetColWidths(i, widths[i]);
  // The last two columns fit in 130 pixels; a zero-width column before
  // them is never the top-left one.
  EXPECT_EQ(g.MaxTopLeftCell(TGridCoord{5, 4}).X, 4);
  g.SetColWidths(4, 80);
  EXPECT_EQ(g.MaxTopLeftCell(TGridCoord{5, 4}).X, 4);
  g.SetColWidths(4, 90);
  EXPECT_EQ(g.MaxTopLeftCell(TGridCoord{5, 4}).X, 5);
  // A start inside the fixed cells is its own answer.
  EXPECT_EQ(g.MaxTopLeftCell(TGridCoord{0, 0}).X, 0);
}

TEST(GridCore, SelectionAndCurrentCell) {
  TspSkinStringGrid g(nullptr);
  g.SetColCount(8);
  g.SetRowCount(8);
  g.SetSelection(TGridRect{1, 2, 3, 5});
  TGridRect s = g.Selection();
  EXPECT_EQ(s, (TGridRect{1, 2, 3, 5}));
  EXPECT_EQ(g.Col(), 3);
  EXPECT_EQ(g.Row(), 5);
  // A selection outside the grid is refused and changes nothing.
  EXPECT_EQ(ErrorOf([&] { g.SetSelection(TGridRect{1, 1, 9, 2}); }), "Grid index out of range");
  EXPECT_EQ(g.Selection(), (TGridRect{1, 2, 3, 5}));
  EXPECT_EQ(ErrorOf([&] { g.SetCol(8); }), "Grid index out of range");

  // Setting the row moves the anchor along.
  g.SetRow(4);
  EXPECT_EQ(g.Selection(), (TGridRect{3, 4, 3, 4}));

  // Row select: the current column is the first scrolled one, the anchor
  // the last column.
  g.SetOptions(goRowSelect | goAlwaysShowEditor);
  EXPECT_EQ(g.Options(), goRowSelect);
  g.SetCol(5);
  EXPECT_EQ(g.Col(), 1);
  EXPECT_EQ(g.Anchor().X, 7);
  EXPECT_EQ(g.Selection(), (TGridRect{1, 4, 7, 4}));
}

TEST(GridCore, SelectCellRefusalKeepsTheCell) {
  TspSkinStringGrid g(nullptr);
  int asked = 0;
  g.OnSelectCell = [&](TObject*, int, int row, bool& can) {
    ++asked;
    can = row != 3;
  };
  g.SetRow(3);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(g.Row(), 1);
  g.SetRow(2);
  EXPECT_EQ(g.Row(), 2);
}

TEST(GridCore, MovingColumnsAdjustsTheCurrentCellAndWidths) {
  struct Case {
    int from, to, current, want;
  };
  const Case cases[] = {
      {1, 4, 2, 1},  // a column between the two moves one step toward From
      {1, 4, 1, 4},  // the moved column itself goes along
      {1, 4, 4, 3},  {4, 1, 1, 2}, {4, 1, 3, 4}, {1, 3, 4, 4},  // outside: unchanged
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.from) + "->" + std::to_string(c.to) + " current " + std::to_string(c.current));
    TspSkinStringGrid g(nullptr);
    g.SetColCount(6);
    g.SetColWidths(c.from, 11);
    g.SetCol(c.current);
    std::vector<std::pair<int, int>> moved;
    g.OnColumnMoved = [&](TObject*, int f, int t) { moved.push_back({f, t}); };
    g.SetCells(c.from, 2, "moved");
    g.MoveColumnTo(c.from, c.to);
    EXPECT_EQ(g.Col(), c.want);
    EXPECT_EQ(g.ColWidths(c.to), 11);
    EXPECT_EQ(g.Cells(c.to, 2), "moved");
    EXPECT_EQ(moved, (std::vector<std::pair<int, int>>{{c.from, c.to}}));
  }
}

TEST(GridCore, DeleteRowShiftsTheRowsUp) {
  TspSkinStringGrid g(nullptr);
  for (int r = 0; r < 5; ++r) g.SetCells(1, r, "row" + std::to_string(r));
  g.DeleteRow(0);
  EXPECT_EQ(g.RowCount(), 4);
  for (int r = 0; r < 4; ++r) EXPECT_EQ(g.Cells(1, r), "row" + std::to_string(r + 1));
  g.DeleteColumn(1);
  EXPECT_EQ(g.ColCount(), 4);
  EXPECT_EQ(g.Cells(1, 0), "");
}

TEST(GridCore, AdjustCountInsertsAndDeletesLines) {
  struct TestGrid : TspSkinStringGrid {
    using TspSkinStringGrid::TspSkinStringGrid;
    using TspSkinStringGrid::AdjustCount;
  };
  TestGrid g(nullptr);
  g.SetRowCount(10);
  g.SetRowHeights(5, 40);
  g.SetRow(6);
  g.AdjustCount(2, 3, true);
  EXPECT_EQ(g.RowCount(), 13);
  EXPECT_EQ(g.RowHeights(8), 40);
  EXPECT_EQ(g.Row(), 9);
  g.AdjustCount(7, -4, true);
  EXPECT_EQ(g.RowCount(), 9);
  EXPECT_EQ(g.Row(), 7);  // the deleted current row moves to the index
  EXPECT_EQ(ErrorOf([&] { g.AdjustCount(5, -6, true); }), "Too many rows or columns deleted");
  EXPECT_EQ(g.RowCount(), 9);
}

TEST(StringGrid, CellsObjectsAndViews) {
  TspSkinStringGrid g(nullptr);
  g.SetCells(3, 2, "x");
  EXPECT_EQ(g.Cells(3, 2), "x");
  EXPECT_EQ(g.RowList(2)->Count(), 4);
  g.SetCells(1, 2, "y");
  // An empty text without an object removes the item: the row list ends
  // at the last present item.
  g.SetCells(3, 2, "");
  EXPECT_EQ(g.Cells(3, 2), "");
  EXPECT_EQ(g.RowList(2)->Count(), 2);
  TObject o;
  g.SetObjects(4, 2, &o);
  EXPECT_EQ(g.Objects(4, 2), &o);
  EXPECT_EQ(g.Objects(4, 3), nullptr);
  EXPECT_THROW(g.Cells(-1, 2), EStringListError);

  TspSkinStringGridStrings* row = g.Rows(2);
  EXPECT_EQ(row->Count(), 5);
  EXPECT_EQ(row->Get(1), "y");
  EXPECT_EQ(row->Add(""), 0);
  EXPECT_EQ(g.Cells(0, 2), " ");
  EXPECT_EQ(row->Add("z"), 2);
  EXPECT_EQ(row->Add("w"), 3);
  EXPECT_EQ(row->Add("v"), 4);  // the cell holds only an object
  EXPECT_EQ(row->Add("u"), -1);
  EXPECT_THROW(row->Insert(0, "a"), EInvalidGridOperation);
  EXPECT_THROW(row->Delete(0), EInvalidGridOperation);
  row->Clear();
  for (int c = 0; c < 5; ++c) EXPECT_EQ(g.Cells(c, 2), "") << c;
  EXPECT_EQ(g.Objects(4, 2), nullptr);

  TStringList source;
  source.Add("a");
  source.Add("b");
  g.Cols(1)->Assign(&source);
  EXPECT_EQ(g.Cells(1, 0), "a");
  EXPECT_EQ(g.Cells(1, 1), "b");
}

}  // namespace
