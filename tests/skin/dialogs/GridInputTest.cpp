// Mouse and keyboard of a plain grid: range selection, sizing fixed
// columns, dragging a selection past the edge, moving rows, keys, and a
// failing mouse handler.
#include "support/gtest.h"

#include <stdexcept>

#include "GridFixture.h"

using namespace gridtest;

namespace {

struct Plain {
  GridHost host;
  TspSkinStringGrid* grid = new TspSkinStringGrid(&host.form);
  explicit Plain(int rows = 20, int cols = 6) {
    grid->SetParent(&host.form);
    grid->SetColCount(cols);
    grid->SetRowCount(rows);
    grid->SetBounds(0, 0, 330, 150);  // the header row and five whole rows
    host.Show();
    grid->SetFocus();
    Application->ProcessMessages();
  }
  POINT CellPoint(int col, int row) {
    TRect r = grid->CellRect(col, row);
    return POINT{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
  }
  void ClickCell(int col, int row, WPARAM keys = 0) {
    POINT p = CellPoint(col, row);
    Click(grid, p.x, p.y, keys);
  }
};

TEST(GridInput, ShiftClickExtendsARangeSelection) {
  Plain t;
  TspSkinStringGrid* g = t.grid;
  int clicks = 0;
  g->OnClick = [&](TObject*) { ++clicks; };
  t.ClickCell(2, 2);
  EXPECT_EQ(g->Selection(), (TGridRect{2, 2, 2, 2}));
  EXPECT_EQ(clicks, 1);
  t.ClickCell(3, 3, MK_SHIFT);
  EXPECT_EQ(g->Selection(), (TGridRect{2, 2, 3, 3}));
  EXPECT_EQ(g->Col(), 2);
  // Without range select every click selects one cell only.
  g->SetOptions(g->Options() & ~goRangeSelect);
  t.ClickCell(3, 3, MK_SHIFT);
  EXPECT_EQ(g->Selection(), (TGridRect{3, 3, 3, 3}));
}

TEST(GridInput, DraggingASelectionPastTheBottomScrollsOnTheTimer) {
  Plain t;
  TspSkinStringGrid* g = t.grid;
  POINT p = t.CellPoint(1, 2);
  HWND h = g->Handle();
  SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
  EXPECT_EQ(g->GridState(), gsSelecting);
  // The timer reads the pointer: put it below the grid.
  POINT below{p.x, g->Height() + 20};
  ClientToScreen(h, &below);
  SetCursorPos(below.x, below.y);
  int top = g->TopRow();
  SendMessageW(h, WM_TIMER, 1, 0);
  SendMessageW(h, WM_TIMER, 1, 0);
  SendMessageW(h, WM_TIMER, 1, 0);
  EXPECT_EQ(g->Anchor().Y, 5);
  SendMessageW(h, WM_TIMER, 1, 0);
  EXPECT_EQ(g->Anchor().Y, 6);
  EXPECT_EQ(g->TopRow(), top + 1);
  SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(p.x, g->Height() + 20));
  EXPECT_EQ(g->GridState(), gsNormal);
  EXPECT_EQ(g->Selection().Top, 2);
}

TEST(GridInput, FixedColumnLineSizedWithFixedColSizing) {
  Plain t;
  TspSkinStringGrid* g = t.grid;
  g->SetOptions(g->Options() | goColSizing);
  // The line right of fixed column 0 lies at x = 64; line width 1.
  Drag(g, 64, 10, 90, 10);
  EXPECT_EQ(g->ColWidths(0), 64);
  g->FixedColSizing = true;
  Drag(g, 64, 10, 90, 10);
  EXPECT_EQ(g->ColWidths(0), 90);
  // A scrolled column measures from the fixed band.
  TRect c = g->CellRect(1, 0);
  Drag(g, c.Right, 10, c.Right + 10, 10);
  EXPECT_EQ(g->ColWidths(1), 74);
}

TEST(GridInput, RowMovedByItsFixedCell) {
  Plain t;
  TspSkinStringGrid* g = t.grid;
  g->SetOptions(g->Options() | goRowMoving);
  for (int r = 0; r < 5; ++r) g->SetCells(2, r, "r" + std::to_string(r));
  std::vector<std::pair<int, int>> moved;
  g->OnRowMoved = [&](TObject*, int f, int to) { moved.push_back({f, to}); };
  // The row is grabbed by its fixed cell and dropped over the cells.
  POINT a = t.CellPoint(0, 1), b = t.CellPoint(2, 3);
  Drag(g, a.x, a.y, b.x, b.y);
  EXPECT_EQ(moved, (std::vector<std::pair<int, int>>{{1, 3}}));
  EXPECT_EQ(g->Cells(2, 3), "r1");
  EXPECT_EQ(g->Cells(2, 1), "r2");
}

TEST(GridInput, KeysMoveTheCurrentCell) {
  Plain t;
  TspSkinStringGrid* g = t.grid;
  struct Step {
    WORD modifier, key;
    int col, row, top;
  };
  const Step steps[] = {
      {0, VK_RIGHT, 2, 1, 1},        {0, VK_DOWN, 2, 2, 1},         {0, VK_END, 5, 2, 1},
      {0, VK_TAB, 1, 3, 1},          {VK_SHIFT, VK_TAB, 5, 2, 1},   {0, VK_HOME, 1, 2, 1},
      {0, VK_NEXT, 1, 6, 5},         {VK_CONTROL, VK_PRIOR, 1, 5, 5}, {VK_CONTROL, VK_HOME, 1, 1, 1},
      {VK_CONTROL, VK_END, 5, 19, 15}, {0, VK_NEXT, 5, 19, 15},     {VK_CONTROL, VK_UP, 5, 19, 14},
  };
  for (const Step& s : steps) {
    if (s.modifier)
      KeyWith(g, s.modifier, s.key);
    else
      Key(g, s.key);
    SCOPED_TRACE("key " + std::to_string(s.key));
    EXPECT_EQ(g->Col(), s.col);
    EXPECT_EQ(g->Row(), s.row);
    EXPECT_EQ(g->TopRow(), s.top);
  }
}

TEST(GridInput, EnterTogglesTheEditorWantWithoutEditing) {
  Plain t;
  TspSkinStringGrid* g = t.grid;
  int shown = 0, hidden = 0;
  g->OnShowEditor = [&](TObject*) { ++shown; };
  g->OnHideEditor = [&](TObject*) { ++hidden; };
  SendMessageW(g->Handle(), WM_CHAR, VK_RETURN, 0);
  EXPECT_TRUE(g->EditorMode());
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(g->InplaceEditor(), nullptr);  // no goEditing: nothing shows
  SendMessageW(g->Handle(), WM_CHAR, VK_RETURN, 0);
  EXPECT_FALSE(g->EditorMode());
  EXPECT_EQ(hidden, 1);
}

TEST(GridInput, AFailingMouseHandlerStaysInTheGrid) {
  Plain t;
  TspSkinStringGrid* g = t.grid;
  int calls = 0;
  g->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) {
    ++calls;
    throw std::runtime_error("handler failed");
  };
  int reported = 0;
  auto saved = Application->OnException;
  Application->OnException = [&](TObject*, const std::string&) { ++reported; };
  t.ClickCell(2, 2);
  Application->OnException = saved;
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(reported, 0);
  EXPECT_EQ(g->Row(), 2);
  EXPECT_EQ(g->GridState(), gsNormal);
}

TEST(GridInput, WheelHandlersCanTakeTheWheel) {
  Plain t;
  TspSkinStringGrid* g = t.grid;
  bool take = true;
  int downs = 0;
  g->OnMouseWheelDown = [&](TObject*, TShiftState, POINT, bool& handled) {
    ++downs;
    handled = take;
  };
  Wheel(g, -1);
  EXPECT_EQ(g->Row(), 1);
  take = false;
  Wheel(g, -1);
  EXPECT_EQ(g->Row(), 2);
  EXPECT_EQ(downs, 2);
  Wheel(g, 1);
  Wheel(g, 1);
  EXPECT_EQ(g->Row(), 1);  // never into the fixed row
}

TEST(GridInput, SizingCursorOverAHeaderLine) {
  Plain t;
  TspSkinStringGrid* g = t.grid;
  g->SetOptions(g->Options() | goColSizing);
  TRect c = g->CellRect(2, 0);
  POINT p{c.Right, 5};
  ClientToScreen(g->Handle(), &p);
  SendMessageW(g->Handle(), WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y));
  LRESULT r = SendMessageW(g->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(g->Handle()),
                           MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(r, TRUE);
  EXPECT_EQ(GetCursor(), CursorHandle(crHSplit));
}

}  // namespace
