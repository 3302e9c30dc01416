// A string grid set up like the main window's item table, driven by
// scripted wheel, bar and mouse messages, with a skin that has a "grid"
// element and with no skin at all.
#include "support/gtest.h"

#include <string>

#include "GridFixture.h"
#include "skin/controls/SkinScrollBar.h"

using namespace gridtest;

namespace {

struct ItemTable {
  GridHost host{760, 360};
  TspSkinStringGrid* grid = new TspSkinStringGrid(&host.form);
  TspSkinScrollBar* bar = new TspSkinScrollBar(&host.form);
  std::unique_ptr<GridSkin> skin;
  int drawn = 0;

  explicit ItemTable(bool skinned) {
    if (skinned) skin = std::make_unique<GridSkin>(18);
    grid->SetParent(&host.form);
    grid->SetBounds(0, 0, 700, 300);
    grid->SetColCount(7);
    grid->SetFixedCols(0);
    grid->SetRowCount(200);
    grid->SetDefaultRowHeight(18);
    const int widths[7] = {40, 0, 200, 90, 90, 200, 70};
    for (int i = 0; i < 7; ++i) grid->SetColWidths(i, widths[i]);
    grid->SetOptions(goRowSelect | goColSizing);
    grid->SetDefaultDrawing(false);
    grid->SetGridLineWidth(0);
    for (int r = 0; r < 200; ++r) grid->SetCells(2, r, r == 0 ? "Name" : "item " + std::to_string(r));
    grid->OnDrawCell = [this](TObject*, int col, int row, TRect rect, TGridDrawState) {
      ++drawn;
      TCanvas* c = grid->Canvas();
      c->Brush()->SetColor(row == grid->Row() ? clHighlight : clWindow);
      c->FillRect(rect);
      c->TextRect(rect, rect.Left + 2, rect.Top + 2, grid->Cells(col, row));
    };
    bar->SetKind(sbVertical);
    bar->SetParent(&host.form);
    bar->SetBounds(700, 0, 17, 300);
    grid->SetVScrollBar(bar);
    if (skin) grid->SetSkinData(skin->data.get());
    host.Show();
    grid->SetFocus();
    UpdateWindow(grid->Handle());
    Application->ProcessMessages();
  }

  POINT BarPoint(int button) {
    bar->CalcRects();
    RECT r = bar->Button(button).R;
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  void ClickBar(POINT p) { Click(bar, p.x, p.y); }
};

class ItemTableTest : public ::testing::TestWithParam<bool> {};

TEST_P(ItemTableTest, WheelBarClicksRowClickAndColumnSizing) {
  ItemTable t(GetParam());
  TspSkinStringGrid* g = t.grid;
  ASSERT_TRUE(g->IsFocusedGrid());
  EXPECT_EQ(g->SkinIndex() != -1, GetParam());
  EXPECT_GT(t.drawn, 0);
  EXPECT_EQ(g->DefaultRowHeight(), 18);
  EXPECT_EQ(g->VisibleRowCount(), 15);

  // The rows do not fit: the bar shows on the grid's 0..127 scale.
  EXPECT_TRUE(t.bar->Visible());
  EXPECT_EQ(t.bar->Max(), 127);
  EXPECT_EQ(t.bar->SmallChange(), 1);  // 127 div (200 - 15 - 1)

  // The wheel moves the current row, one row a notch.
  for (int i = 0; i < 3; ++i) Wheel(g, -1);
  EXPECT_EQ(g->Row(), 4);
  EXPECT_EQ(g->Col(), 0);
  Wheel(g, 1);
  EXPECT_EQ(g->Row(), 3);
  EXPECT_EQ(g->TopRow(), 1);

  // The bar's increasing button scrolls one row down, the other one up.
  t.ClickBar(t.BarPoint(TspSkinScrollBar::kUpButton));
  EXPECT_EQ(g->TopRow(), 2);
  t.ClickBar(t.BarPoint(TspSkinScrollBar::kDownButton));
  EXPECT_EQ(g->TopRow(), 1);
  EXPECT_EQ(g->Row(), 3);

  // A click in the track after the thumb: the last whole row becomes the top.
  RECT track = t.bar->TrackArea();
  t.ClickBar(POINT{(track.left + track.right) / 2, track.bottom - 3});
  EXPECT_EQ(g->TopRow(), 15);
  EXPECT_EQ(t.bar->Position(), MulDiv(14, 127, 185 - 1));
  // And before it: the old top row becomes the last whole one.
  t.bar->CalcRects();
  RECT thumb = t.bar->Button(TspSkinScrollBar::kThumb).R;
  t.ClickBar(POINT{(track.left + track.right) / 2, (track.top + thumb.top) / 2});
  EXPECT_EQ(g->TopRow(), 1);

  // Clicking row 5 selects the whole row.
  TRect cell = g->CellRect(3, 5);
  Click(g, cell.Left + 5, cell.Top + 5);
  EXPECT_EQ(g->Row(), 5);
  EXPECT_EQ(g->Col(), 0);
  EXPECT_EQ(g->Selection(), (TGridRect{0, 5, 6, 5}));

  // The header line of column 2 (x = 240) sized with the mouse; the line
  // keeps the distance at which it was grabbed.
  Drag(g, 240, 9, 300, 9);
  EXPECT_EQ(g->ColWidths(2), 260);
  EXPECT_EQ(g->GridState(), gsNormal);
  // The grab zone reaches 3 pixels left of the line and 4 right of it.
  Drag(g, 297, 9, 317, 9);
  EXPECT_EQ(g->ColWidths(2), 280);
  Drag(g, 324, 9, 334, 9);
  EXPECT_EQ(g->ColWidths(2), 290);
  Drag(g, 326, 9, 360, 9);
  EXPECT_EQ(g->ColWidths(2), 290);
  Drag(g, 335, 9, 360, 9);
  EXPECT_EQ(g->ColWidths(2), 290);
  // Narrower than 2 pixels changes nothing.
  Drag(g, 330, 9, 41, 9);
  EXPECT_EQ(g->ColWidths(2), 290);
  // In a data row the line is no handle: the press selects the row.
  Drag(g, 330, cell.Top + 5, 360, cell.Top + 5);
  EXPECT_EQ(g->ColWidths(2), 290);
  EXPECT_EQ(g->Row(), 5);
  EXPECT_EQ(g->ColWidths(3), 90);

  // The thumb at 127 shows the last rows; at 0 the first scrolled one.
  SendMessageW(g->Handle(), WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 127), 0);
  EXPECT_EQ(g->TopRow(), 185);
  EXPECT_EQ(t.bar->Position(), 127);
  SendMessageW(g->Handle(), WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0), 0);
  EXPECT_EQ(g->TopRow(), 1);

  // Keys: Ctrl+Down scrolls without moving the row; Page Down on the last
  // page stays on the last row.
  KeyWith(g, VK_CONTROL, VK_DOWN);
  EXPECT_EQ(g->TopRow(), 2);
  EXPECT_EQ(g->Row(), 5);
  Key(g, VK_END);
  EXPECT_EQ(g->Row(), 199);
  EXPECT_EQ(g->TopRow(), 185);
  Key(g, VK_NEXT);
  EXPECT_EQ(g->Row(), 199);
  Key(g, VK_HOME);
  EXPECT_EQ(g->Row(), 1);
  EXPECT_EQ(g->TopRow(), 1);
}

TEST_P(ItemTableTest, BarFollowsTheRowCount) {
  ItemTable t(GetParam());
  TspSkinStringGrid* g = t.grid;
  g->SetRowCount(10);
  Application->ProcessMessages();
  EXPECT_FALSE(t.bar->Visible());
  g->SetRowCount(40);
  EXPECT_TRUE(t.bar->Visible());
  // Setting the top row past its maximum is taken and corrected at the next paint.
  g->SetTopRow(39);
  EXPECT_EQ(g->TopRow(), 39);
  g->Invalidate();
  UpdateWindow(g->Handle());
  EXPECT_EQ(g->TopRow(), 25);
  g->SetRowCount(2);
  EXPECT_FALSE(t.bar->Visible());
  EXPECT_EQ(g->TopRow(), 1);
}

INSTANTIATE_TEST_SUITE_P(SkinAndNoSkin, ItemTableTest, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& i) { return i.param ? "Skinned" : "NoSkin"; });

// The steps of the bar's scale: 10 rows, one fixed, four whole rows shown.
TEST(GridScroll, TenRowsFourVisible) {
  GridHost host;
  auto* g = new TspSkinStringGrid(&host.form);
  auto* bar = new TspSkinScrollBar(&host.form);
  g->SetParent(&host.form);
  g->SetGridLineWidth(0);
  g->SetRowCount(10);
  g->SetDefaultRowHeight(20);
  g->SetBounds(0, 0, 320, 110);  // header + 4 whole rows + a part
  bar->SetKind(sbVertical);
  bar->SetParent(&host.form);
  bar->SetBounds(330, 0, 17, 110);
  g->SetVScrollBar(bar);
  host.Show();
  EXPECT_EQ(g->VisibleRowCount(), 4);
  EXPECT_TRUE(bar->Visible());
  EXPECT_EQ(bar->Min(), 0);
  EXPECT_EQ(bar->Max(), 127);
  EXPECT_EQ(bar->SmallChange(), 25);
  SendMessageW(g->Handle(), WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), 0);
  EXPECT_EQ(g->TopRow(), 2);
  EXPECT_EQ(bar->Position(), MulDiv(1, 127, 6 - 1));
}

TEST(GridScroll, OneColumnScrollsByPixels) {
  GridHost host;
  auto* g = new TspSkinStringGrid(&host.form);
  auto* hbar = new TspSkinScrollBar(&host.form);
  auto* vbar = new TspSkinScrollBar(&host.form);
  g->SetParent(&host.form);
  g->SetColCount(1);
  g->SetRowCount(3);
  g->SetBounds(0, 0, 200, 100);
  g->SetColWidths(0, 300);
  hbar->SetParent(&host.form);
  hbar->SetBounds(0, 110, 200, 17);
  vbar->SetKind(sbVertical);
  vbar->SetParent(&host.form);
  vbar->SetBounds(210, 0, 17, 100);
  g->SetHScrollBar(hbar);
  g->SetVScrollBar(vbar);
  host.Show();
  EXPECT_TRUE(hbar->Visible());
  EXPECT_EQ(hbar->Max(), 100);
  EXPECT_EQ(hbar->SmallChange(), 100);
  // The rows fit: no vertical bar, and the horizontal one is no pair.
  EXPECT_FALSE(vbar->Visible());
  EXPECT_FALSE(hbar->Both());
  // A line step is the width of "0" in the grid's font.
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(g->Font()->Handle()));
  SIZE s{};
  GetTextExtentPoint32W(dc, reinterpret_cast<LPCWSTR>(u"0"), 1, &s);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  SendMessageW(g->Handle(), WM_HSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), 0);
  EXPECT_EQ(g->ColOffset(), s.cx);
  EXPECT_EQ(hbar->Position(), s.cx);
  SendMessageW(g->Handle(), WM_HSCROLL, MAKEWPARAM(SB_BOTTOM, 0), 0);
  EXPECT_EQ(g->ColOffset(), 100);
  SendMessageW(g->Handle(), WM_HSCROLL, MAKEWPARAM(SB_TOP, 0), 0);
  EXPECT_EQ(g->ColOffset(), 0);
  EXPECT_EQ(g->LeftCol(), 0);
  // More rows show the vertical bar and pair the horizontal one with it.
  g->SetRowCount(30);
  EXPECT_TRUE(vbar->Visible());
  EXPECT_TRUE(hbar->Both());
}

}  // namespace
